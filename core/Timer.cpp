#include "core/Timer.h"

#include <algorithm>
#include <deque>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>

#include "foundation/main_thread.h"
#include "foundation/run_loop.h"

namespace plug {
namespace {

class Timer_impl;

/// All framework timers of one interval: one run-loop timer on the loop's common grid calls every member in
/// turn, from a block of their functions, so an idle tick of many instances is one wake-up and a short walk.
/// Members join and leave on the main thread; a member may stop itself or another from its callback. A group lives
/// while it has members, so nothing of it outlives the instances (a host may unload the module afterwards).
class TimerGroup
{
public:
  /// The group of the interval, made when it has none; the caller joins it at once. [main thread]
  static TimerGroup& Acquire(uint32_t intervalMs)
  {
    std::lock_guard<std::mutex> hold(RegistryLock());
    TimerGroup*& g = Registry()[intervalMs];
    if (!g)
      g = new TimerGroup(intervalMs);
    return *g;
  }

  void Join(Timer_impl* timer, const Timer::ITimerFunction& func)
  {
    foundation::RunLoop& loop = foundation::RunLoop::Main();
    std::lock_guard<std::recursive_mutex> hold(mLock);
    mMembers.push_back(Member{timer, func});
    if (mLoopTimer == 0)
      mLoopTimer = loop.AddTimer(NextGridPoint(loop.Now()), mIntervalMs / 1000.0, [this] { Tick(); }, true);
  }

  /// Once this returns the member is not called again; the last member to leave ends the group (at the end of the
  /// tick in progress when it leaves from a callback). [main thread]
  void Leave(Timer_impl* timer)
  {
    foundation::RunLoop::TimerId stop = 0;
    bool ticking = false;
    {
      std::lock_guard<std::recursive_mutex> hold(mLock);
      auto it = std::find_if(mMembers.begin(), mMembers.end(), [&](const Member& m) { return m.timer == timer; });
      if (it == mMembers.end())
        return;
      ticking = mTicking;
      if (mTicking)
        it->timer = nullptr; // the walk in progress skips it and tidies up afterwards
      else
        mMembers.erase(it);
      if (std::none_of(mMembers.begin(), mMembers.end(), [](const Member& m) { return m.timer != nullptr; }))
        std::swap(stop, mLoopTimer);
    }
    // Outside the lock: a tick on the loop's thread may be waiting for it, and this waits for that tick.
    if (stop == 0)
      return;
    foundation::RunLoop::Main().InvalidateTimer(stop);
    if (ticking)
      mEndAfterTick = true;
    else
      EndIfEmpty(this);
  }

private:
  struct Member
  {
    Timer_impl* timer;
    Timer::ITimerFunction func;
  };

  explicit TimerGroup(uint32_t intervalMs) : mIntervalMs(intervalMs) {}

  static std::mutex& RegistryLock()
  {
    static std::mutex lock;
    return lock;
  }
  static std::map<uint32_t, TimerGroup*>& Registry()
  {
    static std::map<uint32_t, TimerGroup*> groups; // emptied as the groups end
    return groups;
  }

  /// Deletes the group unless a member joined again meanwhile. [main thread]
  static void EndIfEmpty(TimerGroup* group)
  {
    {
      std::lock_guard<std::mutex> hold(RegistryLock());
      std::lock_guard<std::recursive_mutex> members(group->mLock);
      if (group->mLoopTimer != 0 || !group->mMembers.empty() || group->mTicking)
        return;
      Registry().erase(group->mIntervalMs);
    }
    delete group;
  }

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
  bool mEndAfterTick = false;
};

class Timer_impl final : public Timer
{
public:
  /// The first firing's own timer repeats only after this many seconds (it is stopped when it has fired).
  static constexpr double kNeverAgain = 1e9;

  Timer_impl(ITimerFunction func, uint32_t intervalMs) : mFunc(std::move(func)), mIntervalMs(intervalMs)
  {
    // The first firing comes at once, on a timer of its own that would not come back for ages; after it the
    // group's ticks take over. Timers fire under the main-thread lock: holding it here, the first firing sees the
    // timer complete.
    foundation::MainThreadScope main;
    foundation::RunLoop& loop = foundation::RunLoop::Main();
    mFirstFiring = loop.AddTimer(loop.Now(), kNeverAgain, [this] { FirstFiring(); });
  }

  ~Timer_impl() override { Stop(); }

  void Stop() override
  {
    foundation::MainThreadScope main;
    if (mFirstFiring != 0)
      foundation::RunLoop::Main().InvalidateTimer(mFirstFiring);
    mFirstFiring = 0;
    if (mGroup)
      mGroup->Leave(this);
    mGroup = nullptr;
  }

private:
  void FirstFiring()
  {
    if (mGroup || mFirstFiring == 0)
      return;
    foundation::RunLoop::Main().InvalidateTimer(mFirstFiring);
    mFirstFiring = 0;
    mGroup = &TimerGroup::Acquire(mIntervalMs);
    mGroup->Join(this, mFunc);
    mFunc(*this);
  }

  ITimerFunction mFunc;
  const uint32_t mIntervalMs;
  TimerGroup* mGroup = nullptr;
  foundation::RunLoop::TimerId mFirstFiring = 0;
};

void TimerGroup::Tick()
{
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
    if (!mEndAfterTick)
      return;
    mEndAfterTick = false;
  }
  EndIfEmpty(this); // the last member left during the walk; nothing touches the group after this
}

} // namespace

Timer* Timer::Create(ITimerFunction func, uint32_t intervalMs)
{
  return new Timer_impl(std::move(func), intervalMs);
}

} // namespace plug
