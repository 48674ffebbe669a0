// The run loop driven by hand: when timers fire, how missed firings collapse, and how timers are stopped.
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "foundation/main_thread.h"
#include "foundation/run_loop.h"
#include "child_process.h"

using foundation::ManualClock;
using foundation::RunLoop;
using foundation::RunLoopTimer;

namespace {

class ManualLoop : public ::testing::Test
{
protected:
  void SetUp() override { mLoop.UseManualClock(&mClock); }
  ManualClock mClock{100.0};
  RunLoop mLoop;
};

} // namespace

TEST_F(ManualLoop, TimerFiresAtOnceThenEveryInterval)
{
  int count = 0;
  RunLoopTimer timer([&] { ++count; }, 0.020, mLoop);
  EXPECT_EQ(mLoop.RunDueTimers(), 1);
  EXPECT_EQ(mLoop.RunDueTimers(), 0);
  mClock.Advance(0.019);
  EXPECT_EQ(mLoop.RunDueTimers(), 0);
  mClock.Advance(0.001);
  EXPECT_EQ(mLoop.RunDueTimers(), 1);
  EXPECT_EQ(count, 2);
  // On another clock the old clock's times mean nothing: the timer is due at once, then every interval again.
  ManualClock other(5.0);
  mLoop.UseManualClock(&other);
  EXPECT_EQ(mLoop.RunDueTimers(), 1);
  other.Advance(0.019);
  EXPECT_EQ(mLoop.RunDueTimers(), 0);
  mLoop.UseManualClock(&mClock);
  EXPECT_EQ(count, 3);
}

TEST_F(ManualLoop, ATimerWithAFirstDelayFiresFirstThenAndKeepsItsGridFromThere)
{
  int count = 0;
  RunLoopTimer timer([&] { ++count; }, 0.020, mLoop, 0.050);
  EXPECT_EQ(mLoop.RunDueTimers(), 0);
  mClock.Advance(0.0495);
  EXPECT_EQ(mLoop.RunDueTimers(), 0);
  mClock.Advance(0.001);
  EXPECT_EQ(mLoop.RunDueTimers(), 1);
  mClock.Advance(0.019);
  EXPECT_EQ(mLoop.RunDueTimers(), 0);
  mClock.Advance(0.001);
  EXPECT_EQ(mLoop.RunDueTimers(), 1);
  EXPECT_EQ(count, 2);
}

TEST_F(ManualLoop, MissedFiringsCollapseIntoOneAndKeepTheGrid)
{
  int count = 0;
  RunLoopTimer timer([&] { ++count; }, 0.020, mLoop);
  mLoop.RunDueTimers();
  mClock.Advance(0.105); // five firings missed
  EXPECT_EQ(mLoop.RunDueTimers(), 1);
  mClock.Advance(0.014); // 100.119: the grid's next point is 100.120
  EXPECT_EQ(mLoop.RunDueTimers(), 0);
  mClock.Advance(0.001);
  EXPECT_EQ(mLoop.RunDueTimers(), 1);
  EXPECT_EQ(count, 3);
}

// Where the sum of intervals lands exactly on the time of the call (3 x 0.7 in doubles), the timer still fires once
// and its next firing lies after that time.
TEST_F(ManualLoop, ATimerCatchingUpOntoTheTimeOfTheCallFiresOnce)
{
  int count = 0;
  RunLoop::TimerId id = 0;
  mClock.Set(0.0);
  id = mLoop.AddTimer(0.0, 0.7, [&] {
    if (++count > 1)
      mLoop.InvalidateTimer(id); // would otherwise fire again and again
  });
  mClock.Set(3 * 0.7);
  EXPECT_EQ(mLoop.RunDueTimers(), 1);
  EXPECT_EQ(mLoop.RunDueTimers(), 0);
  EXPECT_EQ(count, 1);
  mLoop.InvalidateTimer(id);
}

TEST_F(ManualLoop, CoalescingTimersOfOneIntervalFireTogetherOnTheCommonGrid)
{
  // Started 3 ms and 11 ms past a grid point (100.000 is one): each fires at once, then both at 100.020,
  // 100.040, ... while a timer that keeps its own grid still fires at its own phase.
  std::vector<int> fired;
  mClock.Advance(0.003);
  RunLoopTimer a([&] { fired.push_back(1); }, 0.020, mLoop, 0.0, true);
  mLoop.RunDueTimers();
  mClock.Advance(0.008);
  RunLoopTimer b([&] { fired.push_back(2); }, 0.020, mLoop, 0.0, true);
  RunLoopTimer own([&] { fired.push_back(9); }, 0.020, mLoop);
  mLoop.RunDueTimers();
  EXPECT_EQ(fired, (std::vector<int>{1, 2, 9}));
  fired.clear();
  mClock.Set(100.0199);
  EXPECT_EQ(mLoop.RunDueTimers(), 0);
  mClock.Set(100.020);
  EXPECT_EQ(mLoop.RunDueTimers(), 2);
  mClock.Set(100.031);
  EXPECT_EQ(mLoop.RunDueTimers(), 1); // 100.011 + 0.020: the own-grid timer alone
  mClock.Set(100.040);
  EXPECT_EQ(mLoop.RunDueTimers(), 2);
  mClock.Set(100.105); // missed firings collapse into one, back on the common grid
  EXPECT_EQ(mLoop.RunDueTimers(), 3);
  mClock.Set(100.1199);
  EXPECT_EQ(mLoop.RunDueTimers(), 1); // the own-grid timer at 100.111
  mClock.Set(100.120);
  EXPECT_EQ(mLoop.RunDueTimers(), 2);
}

TEST_F(ManualLoop, DueTimersFireInOrderOfTheirTimes)
{
  std::string order;
  mLoop.AddTimer(mClock.Now() + 0.002, 1.0, [&] { order += 'b'; });
  mLoop.AddTimer(mClock.Now() + 0.001, 1.0, [&] { order += 'a'; });
  mLoop.AddTimer(mClock.Now() + 0.500, 1.0, [&] { order += 'x'; });
  mClock.Advance(0.010);
  mLoop.RunDueTimers();
  EXPECT_EQ(order, "ab");
}

TEST_F(ManualLoop, InvalidatedTimerNeverFiresAgain)
{
  int count = 0;
  RunLoopTimer timer([&] { ++count; }, 0.020, mLoop);
  mLoop.RunDueTimers();
  timer.Invalidate();
  EXPECT_FALSE(timer.IsValid());
  mClock.Advance(1.0);
  EXPECT_EQ(mLoop.RunDueTimers(), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(mLoop.TimerCount(), 0u);
}

TEST_F(ManualLoop, TimerMayStopItselfOrAnotherFromItsCallback)
{
  int selfCount = 0;
  int otherCount = 0;
  RunLoop::TimerId self = 0;
  RunLoop::TimerId other = mLoop.AddTimer(mClock.Now() + 0.001, 0.020, [&] { ++otherCount; });
  self = mLoop.AddTimer(mClock.Now(), 0.020, [&] {
    ++selfCount;
    mLoop.InvalidateTimer(self);
    mLoop.InvalidateTimer(other);
  });
  mClock.Advance(0.005);
  mLoop.RunDueTimers();
  mClock.Advance(1.0);
  mLoop.RunDueTimers();
  EXPECT_EQ(selfCount, 1);
  EXPECT_EQ(otherCount, 0);
}

// A source whose callback fires a timer, and a timer whose callback serves a source, may each still stop
// themselves: the firing in progress is their own. Were the stop to wait for it, it would never return, so the
// check runs in a child process with a bound. A source is refused only for a negative descriptor or no callback.
TEST_F(ManualLoop, ACallbackThatRanTheOtherKindInsideItMayStillStopItself)
{
  testsupport::ExpectInChildProcess([this] {
    int first[2], second[2];
    ASSERT_EQ(pipe(first), 0);
    ASSERT_EQ(pipe(second), 0);
    ASSERT_EQ(write(first[1], "a", 1), 1);
    ASSERT_EQ(write(second[1], "b", 1), 1);
    int sourceCalls = 0, nestedReads = 0, timerCalls = 0;
    EXPECT_EQ(mLoop.AddSource(-1, [] {}), 0u);
    EXPECT_EQ(mLoop.AddSource(first[0], nullptr), 0u);
    ASSERT_EQ(dup2(first[0], 0), 0); // any descriptor may be watched, the standard input's included
    RunLoop::SourceId source = 0;
    source = mLoop.AddSource(0, [&] {
      ++sourceCalls;
      mLoop.AddTimer(mLoop.Now(), 1.0, [] {});
      EXPECT_EQ(mLoop.RunDueTimers(), 1);
      mLoop.RemoveSource(source);
    });
    ASSERT_NE(source, 0u);
    mLoop.RunNestedUntil([&] { return sourceCalls > 0; });
    EXPECT_EQ(mLoop.SourceCount(), 0u);

    const RunLoop::SourceId nested = mLoop.AddSource(second[0], [&] { ++nestedReads; });
    RunLoop::TimerId timer = 0;
    timer = mLoop.AddTimer(mLoop.Now() + 0.5, 1.0, [&] {
      ++timerCalls;
      mLoop.RunNestedUntil([&] { return nestedReads > 0; });
      mLoop.InvalidateTimer(timer);
    });
    mClock.Advance(0.5);
    EXPECT_EQ(mLoop.RunDueTimers(), 1);
    mLoop.RemoveSource(nested);
    mClock.Advance(5.0);
    EXPECT_EQ(mLoop.RunDueTimers(), 1); // the first callback's timer alone
    EXPECT_EQ(sourceCalls, 1);
    EXPECT_EQ(timerCalls, 1);
    EXPECT_EQ(mLoop.TimerCount(), 1u);
  }, 60);
}

TEST_F(ManualLoop, DestroyedTimerStops)
{
  int count = 0;
  {
    RunLoopTimer timer([&] { ++count; }, 0.020, mLoop);
    mLoop.RunDueTimers();
  }
  mClock.Advance(1.0);
  mLoop.RunDueTimers();
  EXPECT_EQ(count, 1);
}

TEST_F(ManualLoop, ThrowingCallbackDoesNotStopTheLoop)
{
  int count = 0;
  RunLoopTimer bad([] { throw std::runtime_error("bad"); }, 0.020, mLoop);
  RunLoopTimer good([&] { ++count; }, 0.020, mLoop);
  EXPECT_EQ(mLoop.RunDueTimers(), 2);
  mClock.Advance(0.020);
  EXPECT_EQ(mLoop.RunDueTimers(), 2);
  EXPECT_EQ(count, 2);
}

TEST_F(ManualLoop, CallbacksRunHoldingTheMainThreadLock)
{
  bool fired = false;
  bool otherThreadGotIt = true;
  RunLoopTimer timer([&] {
    fired = true;
    std::thread other([&] {
      otherThreadGotIt = foundation::MainThreadMutex().try_lock();
      if (otherThreadGotIt)
        foundation::MainThreadMutex().unlock();
    });
    other.join();
  }, 0.020, mLoop);
  mLoop.RunDueTimers();
  EXPECT_TRUE(fired);
  EXPECT_FALSE(otherThreadGotIt);
}

TEST_F(ManualLoop, NonPositiveIntervalIsRefused)
{
  EXPECT_EQ(mLoop.AddTimer(mClock.Now(), 0.0, [] {}), 0u);
  EXPECT_EQ(mLoop.AddTimer(mClock.Now(), -1.0, [] {}), 0u);
  EXPECT_EQ(mLoop.TimerCount(), 0u);
}

// A tolerance holds as set, up to an hour; what is not a length of time (negative, not a number) leaves it be, and
// a timer unknown or stopped has none.
TEST_F(ManualLoop, ATimersToleranceHoldsAsSetUpToAnHour)
{
  RunLoopTimer timer([] {}, 0.020, mLoop);
  EXPECT_EQ(timer.Tolerance(), 0.0);
  const double nan = std::numeric_limits<double>::quiet_NaN(), infinity = std::numeric_limits<double>::infinity();
  std::vector<double> seen;
  for (double asked : {0.25, -1.0, nan, 0.0, 3599.5, 3600.0, 3600.5, 7200.0, infinity, -infinity, 1e-9})
  {
    timer.SetTolerance(asked);
    seen.push_back(timer.Tolerance());
  }
  EXPECT_EQ(seen, (std::vector<double>{0.25, 0.25, 0.25, 0.0, 3599.5, 3600.0, 3600.0, 3600.0, 3600.0, 3600.0, 1e-9}));
  const RunLoop::TimerId stopped = mLoop.AddTimer(mClock.Now(), 1.0, [] {});
  mLoop.SetTimerTolerance(stopped, 2.0);
  EXPECT_EQ(mLoop.TimerTolerance(stopped), 2.0);
  mLoop.InvalidateTimer(stopped);
  EXPECT_EQ(mLoop.TimerTolerance(stopped), 0.0);
  mLoop.SetTimerTolerance(stopped, 3.0);
  EXPECT_EQ(mLoop.TimerTolerance(stopped), 0.0);
  EXPECT_EQ(mLoop.TimerTolerance(0), 0.0);
  EXPECT_EQ(timer.Tolerance(), 1e-9); // the other timer's tolerance stays its own
  timer.Invalidate();
  EXPECT_EQ(timer.Tolerance(), 0.0);
}

// The whole firing schedule of timers of every kind (own grid, coalescing, added and stopped from callbacks) as
// the clock moves in uneven steps: each line is the clock, then the timers fired at that pump in order.
TEST_F(ManualLoop, RecordedScheduleOfMixedTimers)
{
  std::string log;
  RunLoop::TimerId own = 0, late = 0;
  int ownFirings = 0;
  own = mLoop.AddTimer(100.0, 0.020, [&] {
    log += " own";
    if (++ownFirings == 4)
      mLoop.InvalidateTimer(own);
  });
  mLoop.AddTimer(100.007, 0.020, [&] { log += " even"; }, true);
  mLoop.AddTimer(100.001, 0.030, [&] {
    log += " third";
    if (!late)
      late = mLoop.AddTimer(mClock.Now(), 0.045, [&] { log += " late"; });
  }, true);
  const RunLoop::TimerId slow = mLoop.AddTimer(100.013, 0.050, [&] { log += " slow"; });
  mLoop.SetTimerTolerance(slow, 0.010);
  int step = 0;
  for (double advance : {0.0, 0.004, 0.003, 0.011, 0.0005, 0.0335, 0.019, 0.001, 0.1, 0.0125, 0.02, 0.007, 0.043})
  {
    mClock.Advance(advance);
    char now[32];
    std::snprintf(now, sizeof(now), "\n%.4f:", mClock.Now() - 100.0);
    log += now;
    log += " (" + std::to_string(mLoop.RunDueTimers()) + ")";
    if (++step == 9)
      mLoop.InvalidateTimer(slow);
  }
  EXPECT_EQ(log, "\n0.0000: own (1)"
                 "\n0.0040: third late (2)"
                 "\n0.0070: even (1)"
                 "\n0.0180: slow (1)"
                 "\n0.0185: (0)"
                 "\n0.0520: own even third late (4)"
                 "\n0.0710: own even slow (3)"
                 "\n0.0720: (0)"
                 "\n0.1720: own even third late slow (5)"
                 "\n0.1845: even late (2)"
                 "\n0.2045: even third (2)"
                 "\n0.2115: (0)"
                 "\n0.2545: even late third (3)");
  EXPECT_EQ(mLoop.TimerCount(), 3u);
}
