#include "foundation/main_thread.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "foundation/run_loop.h"

namespace foundation {

namespace {
std::atomic<UnlockedPreparation> gPreparation{nullptr};
std::atomic<ReleaseWhenUnused> gRelease{nullptr};
/// Threads waiting for the main-thread lock.
std::atomic<int> gWaitingCallers{0};
/// The longest the run loop's thread lets waiting callers go first: a caller that waits for the lock while it waits
/// for something else too is not waited for long.
constexpr auto kLongestYield = std::chrono::milliseconds(20);
} // namespace

std::recursive_mutex& MainThreadMutex()
{
  static std::recursive_mutex mutex;
  return mutex;
}

int& MainThreadDepthHere()
{
  thread_local int depth = 0;
  return depth;
}

void LockMainThread()
{
  std::recursive_mutex& mutex = MainThreadMutex();
  if (mutex.try_lock())
    return;
  gWaitingCallers.fetch_add(1, std::memory_order_relaxed);
  mutex.lock();
  gWaitingCallers.fetch_sub(1, std::memory_order_relaxed);
}

void YieldToWaitingCallers()
{
  if (gWaitingCallers.load(std::memory_order_relaxed) == 0 || MainThreadHeldHere())
    return;
  const auto until = std::chrono::steady_clock::now() + kLongestYield;
  while (gWaitingCallers.load(std::memory_order_relaxed) > 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::microseconds(50));
}

void SetUnlockedPreparation(UnlockedPreparation preparation) { gPreparation.store(preparation); }

void RunUnlockedPreparation(bool mayOpenEditor)
{
  if (const UnlockedPreparation preparation = gPreparation.load())
    preparation(mayOpenEditor);
}

void SetReleaseWhenUnused(ReleaseWhenUnused release) { gRelease.store(release); }

void NoInstanceLeft()
{
  if (const ReleaseWhenUnused release = gRelease.load())
    release();
  RunLoop::Main().EndThreadWhenIdle();
}

void AwaitNoInstanceLeft() { RunLoop::Main().AwaitThreadEndedWhenIdle(); }

} // namespace foundation
