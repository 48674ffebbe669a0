#include "core/Timer.h"

#include <algorithm>
#include <deque>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>

#include "foundation/run_loop.h"

namespace plug {
namespace {

class Timer_impl;

/// All framework timers of one interval: one run-loop timer on the loop's common grid calls every member in
/// turn, from a block of their functions, so an idle tick of many instances is one wake-up and a short walk.
/// Members join and leave on the main thread; a member may stop itself or another from its callback.
class TimerGroup
{
public:
  explicit TimerGroup(uint32_t intervalMs) : mIntervalMs(intervalMs) {}

  void Join(Timer_impl* timer, const Timer::ITimerFunction& func)
  {
    foundation::RunLoop& loop = foundation::RunLoop::Main();
    std::lock_guard<std::recursive_mutex> hold(mLock);
    mMembers.push_back(Member{timer, func});
    if (mLoopTimer == 0)
      mLoopTimer = loop.AddTimer(NextGridPoint(loop.Now()), mIntervalMs / 1000.0, [this] { Tick(); }, true);
  }

  /// Once this returns the member is not called again. [main thread]
  void Leave(Timer_impl* timer)
  {
    foundation::RunLoop::TimerId stop = 0;
    {
      std::lock_guard<std::recursive_mutex> hold(mLock);
      auto it = std::find_if(mMembers.begin(), mMembers.end(), [&](const Member& m) { return m.timer == timer; });
      if (it == mMembers.end())
        return;
      if (mTicking)
        it->timer = nullptr; // the walk in progress skips it and tidies up afterwards
      else
        mMembers.erase(it);
      if (std::none_of(mMembers.begin(), mMembers.end(), [](const Member& m) { return m.timer != nullptr; }))
        std::swap(stop, mLoopTimer);
    }
    // Outside the lock: a tick on the loop's thread may be waiting for it, and this waits for that tick.
    if (stop != 0)
      foundation::RunLoop::Main().InvalidateTimer(stop);
  }

private:
  struct Member
  {
    Timer_impl* timer;
    Timer::ITimerFunction func;
  };

  double NextGridPoint(double now) const
  {
    const double interval = mIntervalMs / 1000.0;
    return (std::floor(now / interval) + 1.0) * interval;
  }

  void Tick();

  const uint32_t mIntervalMs;
  std::recursive_mutex mLock;
  std::deque<Member> mMembers; // joining never moves the member being called
  foundation::RunLoop::TimerId mLoopTimer = 0;
  bool mTicking = false;
};

TimerGroup& GroupFor(uint32_t intervalMs)
{
  // Groups live as long as the process: a tick in progress never loses its group.
  static std::mutex lock;
  static std::map<uint32_t, std::unique_ptr<TimerGroup>>* groups = new std::map<uint32_t, std::unique_ptr<TimerGroup>>;
  std::lock_guard<std::mutex> hold(lock);
  std::unique_ptr<TimerGroup>& g = (*groups)[intervalMs];
  if (!g)
    g = std::make_unique<TimerGroup>(intervalMs);
  return *g;
}

class Timer_impl final : public Timer
{
public:
  /// The first firing's own timer repeats only after this many seconds (it is stopped when it has fired).
  static constexpr double kNeverAgain = 1e9;

  Timer_impl(ITimerFunction func, uint32_t intervalMs) : mFunc(std::move(func)), mGroup(GroupFor(intervalMs))
  {
    // The first firing comes at once, on a timer of its own that would not come back for ages; after it the
    // group's ticks take over.
    foundation::RunLoop& loop = foundation::RunLoop::Main();
    mFirstFiring = loop.AddTimer(loop.Now(), kNeverAgain, [this] { FirstFiring(); });
  }

  ~Timer_impl() override { Stop(); }

  void Stop() override
  {
    if (mFirstFiring != 0)
      foundation::RunLoop::Main().InvalidateTimer(mFirstFiring);
    mFirstFiring = 0;
    if (mJoined)
      mGroup.Leave(this);
    mJoined = false;
  }

private:
  void FirstFiring()
  {
    if (mJoined)
      return;
    foundation::RunLoop::Main().InvalidateTimer(mFirstFiring);
    mFirstFiring = 0;
    mJoined = true;
    mGroup.Join(this, mFunc);
    mFunc(*this);
  }

  ITimerFunction mFunc;
  TimerGroup& mGroup;
  foundation::RunLoop::TimerId mFirstFiring = 0;
  bool mJoined = false;
};

void TimerGroup::Tick()
{
  std::lock_guard<std::recursive_mutex> hold(mLock);
  const bool nested = mTicking; // a modal loop inside a member's callback ticks again: no tidying then
  mTicking = true;
  // Members that join during the walk had their first firing just now.
  const size_t count = mMembers.size();
  for (size_t i = 0; i < count; ++i)
    if (Timer_impl* timer = mMembers[i].timer)
    {
      try
      {
        mMembers[i].func(*timer);
      }
      catch (...)
      {
        // One failing member must not cost the others their tick.
      }
    }
  if (nested)
    return;
  mTicking = false;
  mMembers.erase(std::remove_if(mMembers.begin(), mMembers.end(), [](const Member& m) { return m.timer == nullptr; }),
                 mMembers.end());
}

} // namespace

Timer* Timer::Create(ITimerFunction func, uint32_t intervalMs)
{
  return new Timer_impl(std::move(func), intervalMs);
}

} // namespace plug
