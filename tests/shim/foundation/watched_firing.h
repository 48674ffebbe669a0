// A firing of the main loop that is still in progress while its process exits or its module is unloaded, and that
// watches a static object it made at first use, on the loop's thread: whatever ends the loop's thread must end it
// before that object is destroyed.
#pragma once

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "foundation/run_loop.h"

namespace watchedfiring {

/// What the firing saw. Owned by the test program, so that it outlives an unloaded module.
struct Watch
{
  std::atomic<bool> inside{false};          // the firing is in progress
  std::atomic<bool> ending{false};          // the test is about to exit or unload
  std::atomic<bool> gone{false};            // the object the firing uses was destroyed
  std::atomic<bool> goneUnderFiring{false}; // ... while the firing still ran
  int exitStatusWhenGone = 0;               // not 0: the firing ends the process with it when it sees that
};

/// Polls `flag` until it is set or `limit` has passed.
inline bool WaitForFlag(const std::atomic<bool>& flag, std::chrono::milliseconds limit)
{
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!flag.load())
  {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

/// Starts the firing on this program's or module's main loop. Once the test has set `ending`, the firing keeps
/// running for up to 50 ms, watching for the object's destruction. [any thread]
inline void StartWatchedFiring(Watch* watch)
{
  foundation::RunLoop& loop = foundation::RunLoop::Main();
  loop.AddTimer(loop.Now(), 3600.0, [watch] {
    struct Used
    {
      Watch* watch;
      ~Used() { watch->gone = true; }
    };
    static Used used{watch}; // made at first use, after the loop's thread started, on that thread
    watch->inside = true;
    if (!WaitForFlag(watch->ending, std::chrono::seconds(10)))
      return;
    if (WaitForFlag(used.watch->gone, std::chrono::milliseconds(50)))
    {
      watch->goneUnderFiring = true;
      if (watch->exitStatusWhenGone != 0)
        _exit(watch->exitStatusWhenGone);
    }
  });
}

} // namespace watchedfiring
