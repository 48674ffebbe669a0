#include "core/Timer.h"

#include "foundation/run_loop.h"

namespace plug {
namespace {

class Timer_impl final : public Timer
{
public:
  Timer_impl(ITimerFunction func, uint32_t intervalMs) : mFunc(std::move(func)), mIntervalMs(intervalMs)
  {
    foundation::RunLoop& loop = foundation::RunLoop::Main();
    // Every instance's timer of one interval shares the loop's wake-ups.
    mId = loop.AddTimer(loop.Now(), mIntervalMs / 1000.0, [this] { TimerProc(); }, true);
  }

  ~Timer_impl() override { Stop(); }

  void Stop() override
  {
    if (mId != 0)
      foundation::RunLoop::Main().InvalidateTimer(mId);
    mId = 0;
  }

private:
  void TimerProc() { mFunc(*this); }

  ITimerFunction mFunc;
  foundation::RunLoop::TimerId mId = 0;
  uint32_t mIntervalMs;
};

} // namespace

Timer* Timer::Create(ITimerFunction func, uint32_t intervalMs)
{
  return new Timer_impl(std::move(func), intervalMs);
}

} // namespace plug
