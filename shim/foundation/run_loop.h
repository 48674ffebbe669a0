// The process-wide main run loop, its repeating timers and its file-descriptor sources. In a host a thread of our
// own runs the loop by itself, whether or not the host ever sends an idle call, and fires each due timer and each
// readable source while holding the main-thread lock. Modal work runs a nested loop on the thread that holds the
// lock. Tests switch the loop to a hand-driven clock and pump it themselves.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/clock.h"

namespace foundation {

class RunLoop
{
public:
  using TimerId = uint64_t;
  using TimerFn = std::function<void()>;
  using SourceId = uint64_t;
  using SourceFn = std::function<void()>;

  /// The one loop of the process. Its own thread ends before any static object of the program or module is
  /// destroyed, at exit and at the module's unload (see run_loop.cpp).
  static RunLoop& Main();

  RunLoop();
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  /// Adds a timer that first fires at `firstFire` (clock seconds) and then every `interval` seconds. A timer that
  /// misses firings (the lock was held, the loop was not pumped) fires once and then keeps to its grid. A
  /// coalescing timer keeps, after its first firing, to the grid of whole multiples of its interval on the loop's
  /// clock instead of its own: all coalescing timers of one interval then fire on one wake-up of the loop, each at
  /// most one interval later than on its own grid. Returns 0 when the interval is not positive. [any thread]
  TimerId AddTimer(double firstFire, double interval, TimerFn fn, bool coalesce = false);

  /// How long after it is due the timer may fire (0, the default: on time). A tolerant timer that is due fires at
  /// the loop's next wake-up for anything else (another timer, a source) and wakes the loop itself only when its
  /// tolerance has run out; it then keeps to its grid as before. Unknown ids and negative values change nothing;
  /// tolerances over an hour count as an hour. [any thread]
  void SetTimerTolerance(TimerId id, double tolerance);
  /// The timer's tolerance as it stands; 0 for an unknown id. [any thread]
  double TimerTolerance(TimerId id) const;

  /// Stops a timer: it never fires again once this returns. When it is firing on another thread right now, waits
  /// for that firing to end (which cannot be the caller's own firing, nor one blocked by a lock the caller holds,
  /// since firings happen under the main-thread lock). [any thread but the audio thread]
  void InvalidateTimer(TimerId id);

  /// Current time of the loop's clock, in seconds.
  double Now() const;

  /// Number of live timers.
  size_t TimerCount() const;

  /// Tests: stops the loop's own thread and measures time with `clock` from now on; the test pumps the loop with
  /// RunDueTimers. Passing null returns to the system clock and the loop's own thread. Call with no timer
  /// callback in progress and without holding the main-thread lock.
  void UseManualClock(ManualClock* clock);

  /// Fires every timer that is due at Now(), under the main-thread lock; returns how many fired. A timer whose
  /// callback is in progress (a nested loop runs inside it) does not fire again. [main thread]
  int RunDueTimers();

  /// Calls fn under the main-thread lock whenever fd is readable (the loop's own thread watches it; a loop on a
  /// hand clock only in RunNestedUntil). Unlike a timer, a source is served again by a nested loop inside its
  /// own callback (modal work started by an event reads its answer from the same source). Returns 0 for a
  /// negative fd or an empty fn. [any thread]
  SourceId AddSource(int fd, SourceFn fn);
  /// Stops watching a source: fn is never called again once this returns (a call in progress on another thread
  /// is waited for). [any thread but the audio thread]
  void RemoveSource(SourceId id);
  size_t SourceCount() const;

  /// A nested loop for modal work: fires due timers and serves readable sources on the calling thread, which
  /// holds the main-thread lock, until done() answers true. [main thread]
  void RunNestedUntil(const std::function<bool()>& done);

  /// Lets the loop's own thread go without stopping it or waiting for it; the loop must then never be destroyed.
  /// For a process that ends while its thread may be waiting for a lock the caller holds. [any thread]
  void LetThreadGo();

  /// Lets the loop's own thread end at its next wake-up when it has no timer and no source left to serve then
  /// (nothing of the module needs it); the next timer or source added starts one again. [any thread]
  void EndThreadWhenIdle();
  /// Waits until the thread asked to end above has ended, or has found work left and goes on. [any thread not
  /// holding the main-thread lock]
  void AwaitThreadEndedWhenIdle();

  /// Ends the loop's own thread for good (the process or the module is ending): waits for it, callbacks in
  /// progress included, unless the caller holds the main-thread lock, which the thread may be waiting for; then
  /// the thread is let go, never to get the lock. No thread starts again afterwards. [any thread]
  void EndThreadForGood();

private:
  struct Timer
  {
    double next;
    double interval;
    std::shared_ptr<TimerFn> fn;
    bool coalesce;
    double tolerance = 0.0;
  };

  struct Source
  {
    int fd;
    std::shared_ptr<SourceFn> fn;
  };

  void StartThreadLocked(); // needs mMutex
  /// Ends the loop's own thread and waits for it, unless called on that thread itself (then it lets it go).
  void StopThread();
  void ThreadMain();
  /// The timers due at `now` and not firing, earliest first.
  void DueLocked(double now, std::vector<std::pair<double, TimerId>>& due) const;
  /// Fires one timer that DueLocked listed, if it is still due; true when it fired. Called and returns with `lock`.
  bool FireLocked(std::unique_lock<std::mutex>& lock, TimerId id, double now);
  /// Seconds until the loop must wake for a timer (the earliest due time plus its tolerance; <= 0: now); anyTimer
  /// tells whether there is a timer at all.
  double WaitLocked(bool& anyTimer) const;
  void WakeLocked();
  /// After a timer or source is added: starts the loop's own thread when it has none yet, and wakes it.
  void ServeNewEntryLocked();
  /// After a timer or source is removed: waits, unless called from the callback itself, until a callback of
  /// `id` in progress on the loop's thread (listed in `firing`) has returned, then wakes the loop.
  void AwaitFiringEndLocked(std::unique_lock<std::mutex>& lock, const std::vector<uint64_t>& firing, uint64_t id);
  /// Waits up to `wait` seconds (forever when negative) for a readable source or a wake-up, then serves the
  /// readable sources. Called with `lock` held; returns with it held.
  void PollSourcesLocked(std::unique_lock<std::mutex>& lock, double wait);

  mutable std::mutex mMutex;
  std::condition_variable mWake;   // timers changed, or the thread must stop
  std::condition_variable mFired;  // a firing has ended
  /// Live timers in order of their ids (ids only grow), kept in one block: every wake-up walks them all.
  std::vector<std::pair<TimerId, Timer>> mTimers;
  std::vector<std::pair<TimerId, Timer>>::iterator FindTimerLocked(TimerId id);
  TimerId mNextId = 1;
  std::vector<TimerId> mFiring;          // callbacks in progress, innermost last
  std::thread::id mFiringThread;
  std::map<SourceId, Source> mSources;
  std::vector<SourceId> mSourceFiring;   // source callbacks in progress, innermost last
  int mWakePipe[2] = {-1, -1};
  SteadyClock mSteady;
  const Clock* mClock = &mSteady;
  bool mManual = false;
  bool mQuit = false;
  bool mEnded = false; // no thread starts any more
  bool mEndWhenIdle = false; // the thread is asked to end if no timer and no source is left
  bool mThreadDone = false;  // the thread ended by itself, and is still to be joined
  std::condition_variable mEndAnswered; // the thread ended, or goes on
  std::thread mThread;
};

/// A repeating timer on the main run loop, stopped when destroyed.
class RunLoopTimer
{
public:
  /// First firing `firstDelaySeconds` from now, then every `intervalSeconds`.
  RunLoopTimer(RunLoop::TimerFn fn, double intervalSeconds, RunLoop& loop = RunLoop::Main(),
               double firstDelaySeconds = 0.0, bool coalesce = false);
  ~RunLoopTimer();
  RunLoopTimer(const RunLoopTimer&) = delete;
  RunLoopTimer& operator=(const RunLoopTimer&) = delete;

  void Invalidate();
  bool IsValid() const { return mId != 0; }
  /// See RunLoop::SetTimerTolerance.
  void SetTolerance(double seconds);
  /// See RunLoop::TimerTolerance; 0 once invalidated.
  double Tolerance() const { return mId != 0 ? mLoop.TimerTolerance(mId) : 0.0; }

private:
  RunLoop& mLoop;
  RunLoop::TimerId mId;
};

/// The main run loop's time as a clock: the system's in a host, the test's hand clock while one is in use, so
/// that animations keep pace with the timers that draw them. [any thread]
class MainRunLoopClock final : public Clock
{
public:
  double Now() const override { return RunLoop::Main().Now(); }
};

} // namespace foundation
