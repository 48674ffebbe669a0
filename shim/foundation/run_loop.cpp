#include "foundation/run_loop.h"

#include <cmath>

#include "foundation/main_thread.h"

namespace foundation {

RunLoop& RunLoop::Main()
{
  static RunLoop loop;
  return loop;
}

RunLoop::RunLoop()
{
  // The lock must outlive the loop's thread, which the destructor joins: make it first, so it goes last.
  MainThreadMutex();
}

RunLoop::~RunLoop()
{
  StopThread();
}

RunLoop::TimerId RunLoop::AddTimer(double firstFire, double interval, TimerFn fn)
{
  if (!(interval > 0.0) || !fn)
    return 0;
  std::lock_guard<std::mutex> lock(mMutex);
  const TimerId id = mNextId++;
  mTimers[id] = Timer{firstFire, interval, std::make_shared<TimerFn>(std::move(fn))};
  if (!mManual && !mThread.joinable())
    StartThreadLocked();
  mWake.notify_all();
  return id;
}

void RunLoop::InvalidateTimer(TimerId id)
{
  std::unique_lock<std::mutex> lock(mMutex);
  mTimers.erase(id);
  if (mFiring == id && mFiringThread != std::this_thread::get_id())
    mFired.wait(lock, [&] { return mFiring != id; });
  mWake.notify_all();
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

bool RunLoop::NextDueLocked(double now, TimerId& id) const
{
  bool found = false;
  double earliest = 0.0;
  for (const auto& entry : mTimers)
  {
    if (entry.second.next <= now && (!found || entry.second.next < earliest))
    {
      found = true;
      earliest = entry.second.next;
      id = entry.first;
    }
  }
  return found;
}

int RunLoop::RunDueTimers()
{
  MainThreadScope mainThread;
  std::unique_lock<std::mutex> lock(mMutex);
  const double now = mClock->Now();
  int fired = 0;
  TimerId id = 0;
  while (NextDueLocked(now, id))
  {
    Timer& timer = mTimers[id];
    const double missed = std::floor((now - timer.next) / timer.interval);
    timer.next += (missed + 1.0) * timer.interval; // next firing strictly after now, on the timer's grid
    std::shared_ptr<TimerFn> fn = timer.fn;
    mFiring = id;
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
    mFiring = 0;
    mFiringThread = std::thread::id();
    mFired.notify_all();
    ++fired;
  }
  return fired;
}

void RunLoop::StartThreadLocked()
{
  mQuit = false;
  mThread = std::thread([this] { ThreadMain(); });
}

void RunLoop::StopThread()
{
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mThread.joinable())
      return;
    mQuit = true;
    mWake.notify_all();
  }
  mThread.join();
  std::lock_guard<std::mutex> lock(mMutex);
  mThread = std::thread();
  mQuit = false;
}

void RunLoop::ThreadMain()
{
  std::unique_lock<std::mutex> lock(mMutex);
  while (!mQuit)
  {
    if (mTimers.empty())
    {
      mWake.wait(lock);
      continue;
    }
    double earliest = mTimers.begin()->second.next;
    for (const auto& entry : mTimers)
      earliest = std::min(earliest, entry.second.next);
    const double wait = earliest - mClock->Now();
    if (wait > 0.0)
    {
      mWake.wait_for(lock, std::chrono::duration<double>(wait));
      continue;
    }
    lock.unlock();
    RunDueTimers();
    lock.lock();
  }
}

RunLoopTimer::RunLoopTimer(RunLoop::TimerFn fn, double intervalSeconds, RunLoop& loop)
  : mLoop(loop), mId(loop.AddTimer(loop.Now(), intervalSeconds, std::move(fn)))
{
}

RunLoopTimer::~RunLoopTimer()
{
  Invalidate();
}

void RunLoopTimer::Invalidate()
{
  if (mId != 0)
    mLoop.InvalidateTimer(mId);
  mId = 0;
}

} // namespace foundation
