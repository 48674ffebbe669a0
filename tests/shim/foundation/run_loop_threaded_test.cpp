// The run loop on its own thread, as in a host: timers run with nobody pumping, never during a main-thread call,
// and a stopped timer is not running anywhere once the stop returns.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "wait_for.h"
#include "foundation/main_thread.h"
#include "foundation/run_loop.h"
#include "watched_firing.h"

using foundation::RunLoop;
using foundation::RunLoopTimer;

namespace {

using testsupport::WaitFor;

} // namespace

TEST(RunLoopThread, TimersRunWithNobodyPumping)
{
  std::atomic<int> count{0};
  RunLoopTimer timer([&] { ++count; }, 0.001, RunLoop::Main());
  EXPECT_TRUE(WaitFor([&] { return count.load() >= 5; }));
}

TEST(RunLoopThread, ATolerantTimerFiresWithTheLoopsOtherWakeUps)
{
  // A 5 ms timer with ten seconds of tolerance wakes the loop for nothing of its own...
  RunLoop loop;
  std::atomic<int> tolerant{0}, other{0};
  RunLoopTimer timer([&] { ++tolerant; }, 0.005, loop, 0.005);
  timer.SetTolerance(10.0);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_LE(tolerant.load(), 1);
  // ...but fires, when due, along with a 20 ms timer; back at no tolerance it keeps its own pace again.
  {
    RunLoopTimer companion([&] { ++other; }, 0.02, loop);
    ASSERT_TRUE(WaitFor([&] { return other.load() >= 6; }));
    EXPECT_GE(tolerant.load(), 5);
  }
  timer.SetTolerance(0.0);
  const int before = tolerant.load();
  EXPECT_TRUE(WaitFor([&] { return tolerant.load() >= before + 10; }));
}

TEST(RunLoopThread, TimersNeverRunDuringAMainThreadCall)
{
  RunLoop loop;
  std::atomic<bool> inCall{false};
  std::atomic<int> violations{0};
  std::atomic<int> fired{0};
  RunLoopTimer timer([&] {
    if (inCall.load())
      ++violations;
    ++fired;
  }, 0.0005, loop);
  const bool enough = WaitFor([&] {
    foundation::MainThreadScope call;
    inCall = true;
    for (volatile int spin = 0; spin < 2000; spin = spin + 1)
    {
    }
    inCall = false;
    return fired.load() >= 20;
  });
  EXPECT_TRUE(enough);
  EXPECT_EQ(violations.load(), 0);
}

// The lock is not handed out in turn: while a caller waits for it, the loop's thread lets it in before its next
// round, however much is due, so a host's call waits for the round in progress only.
TEST(RunLoopThread, ACallerWaitingForTheLockGetsItBeforeTheLoopsNextRound)
{
  RunLoop loop;
  std::atomic<int> fired{0}, firedWhileWaiting{0};
  std::atomic<bool> callerWaiting{false};
  // Each firing holds the lock a while, and the timer is due again by the time it ends.
  RunLoopTimer timer([&] {
    ++fired;
    if (callerWaiting.load())
      ++firedWhileWaiting;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }, 0.0005, loop);
  ASSERT_TRUE(WaitFor([&] { return fired.load() >= 3; }));
  int worst = 0;
  for (int call = 0; call < 30; ++call)
  {
    firedWhileWaiting = 0;
    callerWaiting = true;
    {
      foundation::MainThreadScope scope;
      callerWaiting = false;
      worst = std::max(worst, firedWhileWaiting.load());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // A round may start between the caller's first look at the lock and its counting itself as waiting.
  EXPECT_LE(worst, 1);
}

TEST(RunLoopThread, StoppedTimerIsNotRunningOnceStopReturns)
{
  RunLoop loop;
  for (int round = 0; round < 30; ++round)
  {
    std::atomic<bool> inside{false};
    std::atomic<int> fired{0};
    RunLoopTimer timer([&] {
      inside = true;
      for (volatile int spin = 0; spin < 20000; spin = spin + 1)
      {
      }
      ++fired;
      inside = false;
    }, 0.0002, loop);
    ASSERT_TRUE(WaitFor([&] { return fired.load() >= 1 + round % 3; }));
    timer.Invalidate();
    EXPECT_FALSE(inside.load());
    const int after = fired.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(fired.load(), after);
  }
}

// Ending the loop's thread for good waits for the firing in progress, and no thread serves the loop afterwards.
TEST(RunLoopThread, AnEndedThreadHasFinishedItsFiringAndNeverComesBack)
{
  RunLoop loop;
  std::atomic<bool> inside{false};
  std::atomic<int> fired{0};
  loop.AddTimer(loop.Now(), 0.0002, [&] {
    inside = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ++fired;
    inside = false;
  });
  ASSERT_TRUE(WaitFor([&] { return inside.load(); }));
  loop.EndThreadForGood();
  EXPECT_FALSE(inside.load());
  const int after = fired.load();
  loop.AddTimer(loop.Now(), 0.0002, [&] { ++fired; }); // would start a thread on a loop that has none
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(fired.load(), after);
}

TEST(RunLoopThread, HandDrivenClockAndBack)
{
  RunLoop loop;
  foundation::ManualClock clock;
  loop.UseManualClock(&clock);
  std::atomic<int> count{0};
  RunLoopTimer timer([&] { ++count; }, 0.001, loop);
  EXPECT_EQ(loop.RunDueTimers(), 1);
  clock.Advance(0.001);
  EXPECT_EQ(loop.RunDueTimers(), 1);
  loop.UseManualClock(nullptr); // the loop's own thread takes over
  EXPECT_TRUE(WaitFor([&] { return count.load() >= 5; }));
}

namespace {

TEST(RunLoopThread, ReadableSourcesAreServedAlsoInsideANestedLoopThatKeepsTimersRunning)
{
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::atomic<int> reads{0};
  std::atomic<int> ticks{0};
  std::atomic<bool> nestedDone{false};
  RunLoop& loop = RunLoop::Main();
  RunLoop::SourceId id = loop.AddSource(fds[0], [&] {
    char c;
    if (read(fds[0], &c, 1) != 1)
      return;
    ++reads;
    if (c == 'm') // modal work: a nested loop that keeps the timer running, ended by the next byte
      loop.RunNestedUntil([&] { return ticks.load() >= 3 && reads.load() >= 2; });
    if (c == 'm')
      nestedDone = true;
  });
  ASSERT_NE(id, 0u);
  RunLoopTimer timer([&] { ++ticks; }, 0.005);
  ASSERT_EQ(write(fds[1], "m", 1), 1);
  EXPECT_TRUE(WaitFor([&] { return ticks.load() >= 3; }));
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  EXPECT_TRUE(WaitFor([&] { return nestedDone.load(); }));
  EXPECT_EQ(reads.load(), 2);
  loop.RemoveSource(id);
  EXPECT_EQ(loop.SourceCount(), 0u);
  ASSERT_EQ(write(fds[1], "y", 1), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(reads.load(), 2);
  close(fds[0]);
  close(fds[1]);
}

// Something that ends the process from a callback on the loop's own thread (Xlib's handler for a lost X server
// does so) ends it with its own status: the loop, destroyed as the process exits, does not wait for the very
// thread it runs on.
TEST(RunLoopThreadDeathTest, AnExitFromTheLoopsThreadEndsTheProcessWithItsStatus)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process: no loop thread left by the tests before
  EXPECT_EXIT(
    {
      RunLoop::Main().AddTimer(RunLoop::Main().Now(), 1.0, [] { std::exit(3); });
      for (;;)
        pause();
    },
    ::testing::ExitedWithCode(3), "");
}

// A process that exits, or a module that is unloaded, while a timer fires on the loop's thread: the firing ends
// before any static object is destroyed, also one made at first use after the loop's thread started.
TEST(RunLoopThreadDeathTest, AtExitTheLoopsThreadEndsBeforeTheObjectsItUses)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
    {
      static watchedfiring::Watch watch;
      watch.exitStatusWhenGone = 4;
      watchedfiring::StartWatchedFiring(&watch);
      ASSERT_TRUE(WaitFor([] { return watch.inside.load(); }));
      watch.ending = true;
      std::exit(0);
    },
    ::testing::ExitedWithCode(0), "");
}

TEST(RunLoopThread, AtAModulesUnloadItsLoopsThreadEndsBeforeTheObjectsItUses)
{
  void* module = dlopen(WATCHED_FIRING_PROBE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_TRUE(module) << dlerror();
  using StartFn = void (*)(watchedfiring::Watch*);
  auto start = reinterpret_cast<StartFn>(dlsym(module, "StartWatchedFiring"));
  ASSERT_TRUE(start);
  watchedfiring::Watch watch;
  start(&watch);
  ASSERT_TRUE(WaitFor([&] { return watch.inside.load(); }));
  watch.ending = true;
  ASSERT_EQ(dlclose(module), 0);
  EXPECT_TRUE(watch.gone.load()); // the module's objects were destroyed: it was unloaded
  EXPECT_FALSE(watch.goneUnderFiring.load());
}

} // namespace
