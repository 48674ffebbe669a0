#include "foundation/run_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "foundation/main_thread.h"

namespace foundation {

namespace {

/// Owns the main loop. When the module is unloaded it stops the loop and waits for its thread. When the process
/// ends from inside a call of ours (a host that exits in a callback, Xlib ending it on a lost connection), the
/// ending thread holds the main-thread lock, which the loop's thread may be waiting for: waiting for that thread
/// would never end, so the loop is left to the ending process, its thread waiting where it is. Either way the thread
/// was ended (or let go, waiting for that lock) before: see __wrap___cxa_atexit below.
struct MainLoopOwner
{
  RunLoop* loop = new RunLoop;
  MainLoopOwner();
  ~MainLoopOwner();
};

std::atomic<MainLoopOwner*> gMainLoopOwner{nullptr};

MainLoopOwner::MainLoopOwner() { gMainLoopOwner = this; }

MainLoopOwner::~MainLoopOwner()
{
  gMainLoopOwner = nullptr;
  if (MainThreadHeldHere())
    loop->LetThreadGo();
  else
    delete loop;
}

void EndMainLoopThread(void*)
{
  if (MainLoopOwner* owner = gMainLoopOwner.load())
    owner->loop->EndThreadForGood();
}

} // namespace

RunLoop& RunLoop::Main()
{
  static MainLoopOwner owner;
  return *owner.loop;
}

} // namespace foundation

/// The loop's thread ends before any static object of this module (or program) is destroyed. Static destructors
/// and atexit functions are exit handlers: each is registered when its object is made (at load, or at first use on
/// any thread), and they run last registered first, at exit for the whole process and at the module's unload
/// (dlclose) for the module. The linker sends every registration made by our code here (see CMakeLists.txt:
/// --wrap), and each is followed by one that ends the loop's thread; so whatever was made last, the thread has ended
/// before it is destroyed, and no file has to ask for it. An ELF destructor function would not do: at exit it runs
/// after every exit handler. The loop itself outlives its thread's end, since it was made before that end was
/// registered. [any thread]
extern "C" int __real___cxa_atexit(void (*fn)(void*), void* arg, void* dso);

extern "C" int __wrap___cxa_atexit(void (*fn)(void*), void* arg, void* dso)
{
  const int result = __real___cxa_atexit(fn, arg, dso);
  if (result == 0)
    __real___cxa_atexit(foundation::EndMainLoopThread, nullptr, dso);
  return result;
}

namespace foundation {

void RunLoop::EndThreadForGood()
{
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mEnded = true;
  }
  if (MainThreadHeldHere())
    LetThreadGo();
  else
    StopThread();
}

void RunLoop::EndThreadWhenIdle()
{
  std::lock_guard<std::mutex> lock(mMutex);
  mEndWhenIdle = mThread.joinable() && !mThreadDone;
  WakeLocked();
}

void RunLoop::AwaitThreadEndedWhenIdle()
{
  std::unique_lock<std::mutex> lock(mMutex);
  mEndAnswered.wait(lock, [this] { return !mEndWhenIdle; });
  if (mThreadDone && mThread.joinable())
    mThread.join(); // it let go of the loop's lock for good when it marked itself done
}

void RunLoop::LetThreadGo()
{
  std::lock_guard<std::mutex> lock(mMutex);
  if (mThread.joinable())
    mThread.detach();
}

RunLoop::RunLoop()
{
  // The lock must outlive the loop's thread, which the destructor joins: make it first, so it goes last.
  MainThreadMutex();
}

namespace {

bool Contains(const std::vector<uint64_t>& ids, uint64_t id)
{
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

void Erase(std::vector<uint64_t>& ids, uint64_t id)
{
  auto it = std::find(ids.rbegin(), ids.rend(), id);
  if (it != ids.rend())
    ids.erase(std::next(it).base());
}

} // namespace

RunLoop::~RunLoop()
{
  StopThread();
  for (int fd : mWakePipe)
    if (fd >= 0)
      close(fd);
}

void RunLoop::ServeNewEntryLocked()
{
  if (std::exchange(mEndWhenIdle, false))
    mEndAnswered.notify_all(); // it goes on
  if (mThreadDone && mThread.joinable())
    mThread.join(); // it let go of the loop's lock for good when it marked itself done
  if (!mManual && !mThread.joinable())
    StartThreadLocked();
  WakeLocked();
}

void RunLoop::AwaitFiringEndLocked(std::unique_lock<std::mutex>& lock, const std::vector<uint64_t>& firing,
                                   uint64_t id)
{
  if (Contains(firing, id) && mFiringThread != std::this_thread::get_id())
    mFired.wait(lock, [&] { return !Contains(firing, id); });
  WakeLocked();
}

void RunLoop::WakeLocked()
{
  mWake.notify_all();
  if (mWakePipe[1] >= 0)
  {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(mWakePipe[1], &byte, 1);
  }
}

RunLoop::TimerId RunLoop::AddTimer(double firstFire, double interval, TimerFn fn, bool coalesce)
{
  if (!(interval > 0.0) || !fn)
    return 0;
  std::lock_guard<std::mutex> lock(mMutex);
  const TimerId id = mNextId++;
  mTimers.emplace_back(id, Timer{firstFire, interval, std::make_shared<TimerFn>(std::move(fn)), coalesce});
  ServeNewEntryLocked();
  return id;
}

void RunLoop::SetTimerTolerance(TimerId id, double tolerance)
{
  constexpr double kLongest = 3600.0;
  if (!(tolerance >= 0.0))
    return;
  std::lock_guard<std::mutex> lock(mMutex);
  auto it = FindTimerLocked(id);
  if (it == mTimers.end() || it->second.tolerance == std::min(tolerance, kLongest))
    return;
  it->second.tolerance = std::min(tolerance, kLongest);
  WakeLocked(); // the loop's wait was set for the old tolerance
}

double RunLoop::TimerTolerance(TimerId id) const
{
  std::lock_guard<std::mutex> lock(mMutex);
  const auto it = const_cast<RunLoop*>(this)->FindTimerLocked(id); // a lookup only: nothing is changed
  return it != mTimers.end() ? it->second.tolerance : 0.0;
}

void RunLoop::InvalidateTimer(TimerId id)
{
  std::unique_lock<std::mutex> lock(mMutex);
  auto it = FindTimerLocked(id);
  if (it != mTimers.end())
    mTimers.erase(it);
  AwaitFiringEndLocked(lock, mFiring, id);
}

double RunLoop::Now() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mClock->Now();
}

size_t RunLoop::TimerCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mTimers.size();
}

void RunLoop::UseManualClock(ManualClock* clock)
{
  StopThread();
  std::lock_guard<std::mutex> lock(mMutex);
  mManual = clock != nullptr;
  mClock = clock ? static_cast<const Clock*>(clock) : &mSteady;
  const double now = mClock->Now();
  for (auto& entry : mTimers)
    entry.second.next = now; // times of the old clock mean nothing on the new one
  if (!mManual && !mTimers.empty())
    StartThreadLocked();
}

std::vector<std::pair<RunLoop::TimerId, RunLoop::Timer>>::iterator RunLoop::FindTimerLocked(TimerId id)
{
  auto it = std::lower_bound(mTimers.begin(), mTimers.end(), id,
                             [](const std::pair<TimerId, Timer>& entry, TimerId key) { return entry.first < key; });
  return it != mTimers.end() && it->first == id ? it : mTimers.end();
}

void RunLoop::DueLocked(double now, std::vector<std::pair<double, TimerId>>& due) const
{
  due.clear();
  for (const auto& entry : mTimers)
    if (entry.second.next <= now && !Contains(mFiring, entry.first))
      due.emplace_back(entry.second.next, entry.first);
  std::sort(due.begin(), due.end());
}

bool RunLoop::FireLocked(std::unique_lock<std::mutex>& lock, TimerId id, double now)
{
  auto it = FindTimerLocked(id);
  // Stopped, or already fired by a loop nested in an earlier callback.
  if (it == mTimers.end() || it->second.next > now || Contains(mFiring, id))
    return false;
  Timer& timer = it->second;
  if (timer.coalesce)
    timer.next = (std::floor(now / timer.interval) + 1.0) * timer.interval;
  else
    timer.next += (std::floor((now - timer.next) / timer.interval) + 1.0) * timer.interval;
  if (timer.next <= now) // rounding: the next firing is always strictly after now
    timer.next = now + timer.interval;
  std::shared_ptr<TimerFn> fn = timer.fn;
  mFiring.push_back(id);
  mFiringThread = std::this_thread::get_id();
  lock.unlock();
  try
  {
    (*fn)();
  }
  catch (...)
  {
    // A failing callback must not end the loop; it fires again on its next turn.
  }
  lock.lock();
  Erase(mFiring, id);
  if (mFiring.empty() && mSourceFiring.empty())
    mFiringThread = std::thread::id();
  mFired.notify_all();
  return true;
}

int RunLoop::RunDueTimers()
{
  MainThreadScope mainThread;
  std::unique_lock<std::mutex> lock(mMutex);
  const double now = mClock->Now();
  int fired = 0;
  // Everything due is listed once; timers that callbacks add and that are due already make another round.
  std::vector<std::pair<double, TimerId>> due;
  for (DueLocked(now, due); !due.empty(); DueLocked(now, due))
  {
    int firedThisRound = 0;
    for (const auto& entry : due)
      firedThisRound += FireLocked(lock, entry.second, now) ? 1 : 0;
    fired += firedThisRound;
    if (firedThisRound == 0)
      break;
  }
  return fired;
}

void RunLoop::StartThreadLocked()
{
  if (mEnded)
    return;
  mQuit = false;
  mThreadDone = false;
  mThread = std::thread([this] {
    // A write to a connection whose other end went (a display server that was killed) fails with EPIPE here
    // instead of ending the host's process: the signal stays pending on this thread, never delivered.
    sigset_t brokenPipe;
    sigemptyset(&brokenPipe);
    sigaddset(&brokenPipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &brokenPipe, nullptr);
    ThreadMain();
  });
}

void RunLoop::StopThread()
{
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mThread.joinable())
      return;
    mQuit = true;
    WakeLocked();
    // On the loop's own thread (the process exits from one of its callbacks) there is nothing to wait for: the
    // thread never comes back to the loop, and ends with the process.
    if (mThread.get_id() == std::this_thread::get_id())
    {
      mThread.detach();
      return;
    }
  }
  mThread.join();
  std::lock_guard<std::mutex> lock(mMutex);
  mThread = std::thread();
  mQuit = false;
}

double RunLoop::WaitLocked(bool& anyTimer) const
{
  anyTimer = false;
  double earliest = 0.0;
  for (const auto& entry : mTimers)
  {
    if (Contains(mFiring, entry.first))
      continue;
    const double deadline = entry.second.next + entry.second.tolerance;
    earliest = anyTimer ? std::min(earliest, deadline) : deadline;
    anyTimer = true;
  }
  return anyTimer ? earliest - mClock->Now() : 0.0;
}

void RunLoop::ThreadMain()
{
  std::unique_lock<std::mutex> lock(mMutex);
  while (!mQuit)
  {
    if (std::exchange(mEndWhenIdle, false))
    {
      mThreadDone = mTimers.empty() && mSources.empty();
      mEndAnswered.notify_all();
      if (mThreadDone)
        return;
    }
    if (!mSources.empty())
    {
      bool anyTimer = false;
      const double wait = WaitLocked(anyTimer);
      if (!anyTimer || wait > 0.0)
        PollSourcesLocked(lock, anyTimer ? wait : -1.0);
    }
    else
    {
      if (mTimers.empty())
      {
        mWake.wait(lock);
        continue;
      }
      bool anyTimer = false;
      double wait = WaitLocked(anyTimer);
      if (!anyTimer) // every timer is firing in a nested loop: look again once the first of them is next due
      {
        wait = mTimers.begin()->second.next;
        for (const auto& entry : mTimers)
          wait = std::min(wait, entry.second.next);
        wait -= mClock->Now();
      }
      if (wait > 0.0)
        mWake.wait_for(lock, std::chrono::duration<double>(wait));
    }
    // Every wake-up fires what is due, tolerant timers included.
    std::vector<std::pair<double, TimerId>> due;
    DueLocked(mClock->Now(), due);
    if (due.empty())
      continue;
    lock.unlock();
    YieldToWaitingCallers();
    RunDueTimers();
    lock.lock();
  }
  if (std::exchange(mEndWhenIdle, false)) // stopped before it answered
    mEndAnswered.notify_all();
}

RunLoop::SourceId RunLoop::AddSource(int fd, SourceFn fn)
{
  if (fd < 0 || !fn)
    return 0;
  std::lock_guard<std::mutex> lock(mMutex);
  if (mWakePipe[0] < 0 && pipe2(mWakePipe, O_NONBLOCK | O_CLOEXEC) != 0)
    mWakePipe[0] = mWakePipe[1] = -1;
  const SourceId id = mNextId++;
  mSources[id] = Source{fd, std::make_shared<SourceFn>(std::move(fn))};
  ServeNewEntryLocked();
  return id;
}

void RunLoop::RemoveSource(SourceId id)
{
  std::unique_lock<std::mutex> lock(mMutex);
  mSources.erase(id);
  AwaitFiringEndLocked(lock, mSourceFiring, id);
}

size_t RunLoop::SourceCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mSources.size();
}

void RunLoop::PollSourcesLocked(std::unique_lock<std::mutex>& lock, double wait)
{
  std::vector<pollfd> fds;
  std::vector<SourceId> ids;
  if (mWakePipe[0] >= 0)
    fds.push_back({mWakePipe[0], POLLIN, 0});
  for (const auto& entry : mSources)
  {
    fds.push_back({entry.second.fd, POLLIN, 0});
    ids.push_back(entry.first);
  }
  const size_t first = fds.size() - ids.size();
  const int timeoutMs = wait < 0.0 ? -1 : static_cast<int>(std::ceil(std::min(wait, 3600.0) * 1000.0));
  lock.unlock();
  const int ready = poll(fds.data(), fds.size(), timeoutMs);
  if (ready > 0 && first == 1 && (fds[0].revents & POLLIN))
  {
    char drain[64];
    while (read(mWakePipe[0], drain, sizeof(drain)) > 0)
    {
    }
  }
  for (size_t i = 0; ready > 0 && i < ids.size(); ++i)
  {
    if (!(fds[first + i].revents & (POLLIN | POLLHUP | POLLERR)))
      continue;
    YieldToWaitingCallers();
    MainThreadScope mainThread; // the lock order is always: main-thread lock, then the loop's own
    lock.lock();
    auto it = mSources.find(ids[i]);
    if (it == mSources.end())
    {
      lock.unlock();
      continue;
    }
    std::shared_ptr<SourceFn> fn = it->second.fn;
    mSourceFiring.push_back(ids[i]);
    mFiringThread = std::this_thread::get_id();
    lock.unlock();
    try
    {
      (*fn)();
    }
    catch (...)
    {
    }
    lock.lock();
    Erase(mSourceFiring, ids[i]);
    if (mFiring.empty() && mSourceFiring.empty())
      mFiringThread = std::thread::id();
    mFired.notify_all();
    lock.unlock();
  }
  lock.lock();
}

void RunLoop::RunNestedUntil(const std::function<bool()>& done)
{
  /// Longest wait between two looks at done(), should a source's callback end the modal work unseen.
  constexpr double kMaxNestedWait = 0.1;
  MainThreadScope mainThread;
  // The wake-ups this loop drains may have been meant for the loop's own thread: asleep in a poll begun before its
  // sources changed, it hears only the pipe (the kernel watches the files it first polled, not those that took
  // their numbers since). It gets a wake-up of its own once this loop ends, and polls its sources as they are.
  struct PassWakeUpOn
  {
    RunLoop& loop;
    ~PassWakeUpOn()
    {
      std::lock_guard<std::mutex> lock(loop.mMutex);
      if (loop.mThread.joinable() && loop.mThread.get_id() != std::this_thread::get_id())
        loop.WakeLocked();
    }
  } passWakeUpOn{*this};
  while (!done())
  {
    RunDueTimers();
    if (done())
      return;
    std::unique_lock<std::mutex> lock(mMutex);
    bool anyTimer = false;
    const double wait = WaitLocked(anyTimer);
    PollSourcesLocked(lock, std::max(0.0, anyTimer ? std::min(wait, kMaxNestedWait) : kMaxNestedWait));
  }
}

RunLoopTimer::RunLoopTimer(RunLoop::TimerFn fn, double intervalSeconds, RunLoop& loop, double firstDelaySeconds,
                           bool coalesce)
  : mLoop(loop), mId(loop.AddTimer(loop.Now() + firstDelaySeconds, intervalSeconds, std::move(fn), coalesce))
{
}

RunLoopTimer::~RunLoopTimer()
{
  Invalidate();
}

void RunLoopTimer::SetTolerance(double seconds)
{
  if (mId != 0)
    mLoop.SetTimerTolerance(mId, seconds);
}

void RunLoopTimer::Invalidate()
{
  if (mId != 0)
    mLoop.InvalidateTimer(mId);
  mId = 0;
}

} // namespace foundation
