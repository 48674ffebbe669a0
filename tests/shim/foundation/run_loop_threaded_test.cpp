// The run loop on its own thread, as in a host: timers run with nobody pumping, never during a main-thread call,
// a stopped timer is not running anywhere once the stop returns, sources that change while modal work runs on
// another thread are served once it ends, and the loop's thread ends before the objects it uses at exit and unload.
#include <dirent.h>
#include <dlfcn.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
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

// Stopping a timer whose callback is in progress on the loop's thread returns only once that callback has ended.
TEST(RunLoopThread, StoppingATimerWaitsForItsCallbackInProgress)
{
  RunLoop loop;
  std::atomic<bool> entered{false}, release{false}, finished{false};
  const RunLoop::TimerId id = loop.AddTimer(loop.Now(), 10.0, [&] {
    entered = true;
    while (!release.load())
      std::this_thread::yield();
    finished = true;
  });
  ASSERT_TRUE(WaitFor([&] { return entered.load(); }));
  // The callback goes on only once the timer is gone from the loop, that is once the stop below is under way.
  std::thread releasing([&] {
    WaitFor([&] { return loop.TimerCount() == 0; });
    release = true;
  });
  loop.InvalidateTimer(id);
  EXPECT_TRUE(finished.load());
  releasing.join();
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

/// The ids of this process's threads.
std::set<std::string> Threads()
{
  std::set<std::string> ids;
  if (DIR* dir = opendir("/proc/self/task"))
  {
    while (const dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.')
        ids.insert(entry->d_name);
    closedir(dir);
  }
  return ids;
}

/// Whether a thread of this process sleeps in a poll of its file descriptors.
bool AsleepInPoll(const std::string& thread)
{
  std::ifstream stat("/proc/self/task/" + thread + "/stat"), wchan("/proc/self/task/" + thread + "/wchan");
  std::string text, where;
  std::getline(stat, text);
  std::getline(wchan, where);
  const size_t state = text.rfind(')') + 2;
  // Where the kernel hides where threads wait, any sleep counts.
  const bool inPoll = where.empty() || where == "0" || where.find("poll") != std::string::npos;
  return state < text.size() && text[state] == 'S' && inPoll;
}

// A host's thread in modal work (a nested loop) drains the wake-ups that tell the loop's own thread its sources
// changed. That thread, asleep in a poll begun before they did, watches the files it first polled: a source added
// meanwhile whose descriptor took the number of one removed must still be served once the modal work ends.
TEST(RunLoopThread, ASourceAddedDuringModalWorkOnAnotherThreadIsServedAfterIt)
{
  // One core, where the loop's thread runs only while this one waits: the nested loop takes the wake-ups first.
  cpu_set_t before, one;
  ASSERT_EQ(sched_getaffinity(0, sizeof(before), &before), 0);
  CPU_ZERO(&one);
  CPU_SET(sched_getcpu(), &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof(one), &one), 0);
  struct Restored
  {
    cpu_set_t mask;
    ~Restored() { sched_setaffinity(0, sizeof(mask), &mask); }
  } restored{before};
  const std::set<std::string> others = Threads();
  RunLoop loop;
  const int first = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  RunLoop::SourceId id = loop.AddSource(first, [] {});
  std::string loopThread;
  for (const std::string& t : Threads())
    if (!others.count(t))
      loopThread = t;
  ASSERT_FALSE(loopThread.empty());
  sched_param idle{};
  ASSERT_EQ(sched_setscheduler(std::stoi(loopThread), SCHED_IDLE, &idle), 0);
  ASSERT_TRUE(WaitFor([&] { return AsleepInPoll(loopThread); }));

  // The loop's thread wakes at the first change but runs only once this one waits; several rounds, as it may.
  int fd = first;
  for (int round = 0; round < 5; ++round)
  {
    std::atomic<int> served{0};
    {
      foundation::MainThreadScope main;
      loop.RemoveSource(id);
      close(fd);
      const int again = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
      ASSERT_EQ(again, fd) << "the lowest free number is taken again";
      id = loop.AddSource(fd, [&served, fd] {
        uint64_t count = 0;
        served += read(fd, &count, sizeof(count)) == sizeof(count);
      });
      int looks = 0; // two before its first poll
      loop.RunNestedUntil([&] { return ++looks > 2; });
    }
    ASSERT_TRUE(WaitFor([&] { return AsleepInPoll(loopThread); })); // it has looked at its sources again
    const uint64_t once = 1;
    ASSERT_EQ(write(fd, &once, sizeof(once)), ssize_t(sizeof(once)));
    ASSERT_TRUE(WaitFor([&] { return served.load() == 1; }, 2)) << "round " << round << ": the loop's thread "
                                                                    "never heard of the source";
  }
  loop.RemoveSource(id);
  close(fd);
}

// The thread asked to end when idle goes on while a timer is left, ends once none is, and the next timer starts
// one again. A loop pumped by hand has no thread: there is nothing to wait for, whatever was added meanwhile.
TEST(RunLoopThread, AThreadAskedToEndWhenIdleEndsOnlyWithNothingLeft)
{
  const std::set<std::string> others = Threads();
  RunLoop loop;
  std::atomic<int> fired{0};
  RunLoop::TimerId id = loop.AddTimer(loop.Now(), 0.001, [&] { ++fired; });
  ASSERT_TRUE(WaitFor([&] { return fired.load() > 0; }));
  std::string loopThread;
  for (const std::string& t : Threads())
    if (!others.count(t))
      loopThread = t;
  ASSERT_FALSE(loopThread.empty());
  loop.EndThreadWhenIdle();
  loop.AwaitThreadEndedWhenIdle();
  const int before = fired.load();
  EXPECT_TRUE(WaitFor([&] { return fired.load() > before + 1; }));
  EXPECT_TRUE(Threads().count(loopThread));

  loop.InvalidateTimer(id);
  loop.EndThreadWhenIdle();
  loop.AwaitThreadEndedWhenIdle();
  EXPECT_TRUE(WaitFor([&] { return !Threads().count(loopThread); }));
  id = loop.AddTimer(loop.Now(), 0.001, [&] { fired = -1; });
  EXPECT_TRUE(WaitFor([&] { return fired.load() == -1; }));
  loop.InvalidateTimer(id);

  foundation::ManualClock clock;
  loop.UseManualClock(&clock);
  loop.EndThreadWhenIdle();
  RunLoopTimer timer([] {}, 0.001, loop);
  std::atomic<bool> answered{false};
  std::thread waiter([&] {
    loop.AwaitThreadEndedWhenIdle();
    answered = true;
  });
  EXPECT_TRUE(WaitFor([&] { return answered.load(); }));
  loop.UseManualClock(nullptr); // a thread of its own answers a waiter left over
  waiter.join();
}

} // namespace
