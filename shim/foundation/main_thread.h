// The main-thread lock. On the platform this system was designed for, timers and the host's editor calls all run
// on one main thread, one at a time. Here the run loop fires its timers on a thread of its own, so both sides take
// this process-wide lock instead: a timer never runs while a host's main-thread call is in progress, and the other
// way round. The audio thread never takes it.
#pragma once

#include <mutex>

namespace foundation {

/// The process-wide lock (recursive: a timer callback may call into the host, which may call us back).
std::recursive_mutex& MainThreadMutex(); // [any thread but the audio thread]

/// How many MainThreadScopes the calling thread holds right now. [any thread]
int& MainThreadDepthHere();

/// Whether the calling thread holds the main-thread lock. [any thread]
inline bool MainThreadHeldHere() { return MainThreadDepthHere() > 0; }

/// Takes the main-thread lock, counted among the waiting callers while it waits for it. [any thread but the audio
/// thread]
void LockMainThread();

/// Lets the callers waiting for the main-thread lock take it before the run loop's thread takes it for its next
/// round: the lock is not handed out in turn, and a loop with timers due back to back would otherwise take it
/// again at once, holding a host's call up for several rounds instead of the one in progress. Waits a short while
/// at most. [the run loop's thread, not holding the main-thread lock]
void YieldToWaitingCallers();

/// Holds the main-thread lock for its lifetime.
class MainThreadScope
{
public:
  MainThreadScope()
  {
    LockMainThread();
    ++MainThreadDepthHere();
  }
  ~MainThreadScope()
  {
    --MainThreadDepthHere();
    MainThreadMutex().unlock();
  }
  MainThreadScope(const MainThreadScope&) = delete;
  MainThreadScope& operator=(const MainThreadScope&) = delete;
};

/// Work that may wait long (opening a connection to a display server, say) and that a host's call therefore does
/// before it takes the main-thread lock, so that the other instances' calls are not held up meanwhile. The view
/// system sets it; `mayOpenEditor` tells a call that may open an editor from one that only asks about it.
using UnlockedPreparation = void (*)(bool mayOpenEditor);
void SetUnlockedPreparation(UnlockedPreparation preparation); // [any thread]
/// Runs the preparation set, if any. [any thread not holding the main-thread lock]
void RunUnlockedPreparation(bool mayOpenEditor);

/// What is let go of when the module's last instance is closed (the view system's display connection), to be made
/// again at the next use. The view system sets it.
using ReleaseWhenUnused = void (*)();
void SetReleaseWhenUnused(ReleaseWhenUnused release); // [any thread]
/// The module's last instance was closed: runs the release set, if any, and asks the main run loop's thread to end
/// if nothing is left for it to serve (a new timer or source starts it again). [main thread lock held]
void NoInstanceLeft();
/// After NoInstanceLeft, once the main-thread lock is let go of: waits until that thread has ended (or has found
/// work left). [any thread not holding the main-thread lock]
void AwaitNoInstanceLeft();

} // namespace foundation
