// The framework timer and the editor queues, with the main run loop driven by hand: what each tick hands to the
// editor, in which order, and that the idle call always comes. (Queue capacity and wrap are the queue test's.)
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "core/IPluginAPIBase.h"
#include "foundation/run_loop.h"

using plug::IMidiMsg;
using plug::IPluginAPIBase;
using plug::ISysExMsg;

namespace {

plug::IPluginConfig Config(bool hasUI)
{
  plug::IPluginConfig config;
  config.nParams = 3;
  config.nPresets = 1;
  config.plugHasUI = hasUI;
  return config;
}

/// A plug-in whose editor side records what reaches it.
class Recorder : public IPluginAPIBase
{
public:
  explicit Recorder(bool hasUI = true) : IPluginAPIBase(Config(hasUI), 0)
  {
    GetParam(0)->InitDouble("gain", 0.0, -10.0, 10.0, 0.01);
    GetParam(1)->InitInt("mode", 0, 0, 4);
    GetParam(2)->InitBool("on", false);
    CreateTimer();
    StartTicks();
  }
  ~Recorder() override { StopTimer(); }

  void SendParamValueToUI(int idx, double value, bool normalized) override
  {
    params.push_back({idx, value});
    EXPECT_FALSE(normalized);
  }
  void SendMidiMsgToUI(const IMidiMsg& msg) override { midi.push_back(msg); }
  void OnIdle() override { ++idles; }

  /// What a host's setParameter does: store, then queue for the editor.
  void HostSets(int idx, double normalized)
  {
    GetParam(idx)->SetNormalized(normalized);
    SendParamValueFromHost(idx, normalized, true);
  }
  void HostSetsPlain(int idx, double value) { SendParamValueFromHost(idx, value, false); }

  std::vector<std::pair<int, double>> params;
  std::vector<IMidiMsg> midi;
  int idles = 0;
};

class FrameworkTimer : public ::testing::Test
{
protected:
  void SetUp() override { foundation::RunLoop::Main().UseManualClock(&mClock); }
  void TearDown() override { foundation::RunLoop::Main().UseManualClock(nullptr); }
  /// Lets 20 ms pass and fires what is due.
  int Tick()
  {
    mClock.Advance(0.020);
    return foundation::RunLoop::Main().RunDueTimers();
  }

  foundation::ManualClock mClock;
};

IMidiMsg Note(int offset, int key)
{
  IMidiMsg msg;
  msg.mOffset = offset;
  msg.mStatus = 0x90;
  msg.mData1 = static_cast<uint8_t>(key);
  msg.mData2 = 100;
  return msg;
}

} // namespace

TEST_F(FrameworkTimer, TicksAtOnceThenEvery20Milliseconds)
{
  Recorder plug;
  EXPECT_EQ(foundation::RunLoop::Main().RunDueTimers(), 1);
  EXPECT_EQ(plug.idles, 1);
  mClock.Advance(0.019);
  EXPECT_EQ(foundation::RunLoop::Main().RunDueTimers(), 0);
  mClock.Advance(0.001);
  EXPECT_EQ(foundation::RunLoop::Main().RunDueTimers(), 1);
  EXPECT_EQ(plug.idles, 2);
  for (int n = 2; n <= 5; ++n) // and steadily after, on the same 20 ms grid
  {
    mClock.Set(0.020 * n - 0.001);
    EXPECT_EQ(foundation::RunLoop::Main().RunDueTimers(), 0) << n;
    mClock.Set(0.020 * n);
    EXPECT_EQ(foundation::RunLoop::Main().RunDueTimers(), 1) << n;
    EXPECT_EQ(plug.idles, n + 1);
  }
}

// Changes reach the editor in order as plain values, from the first parameter to the last; out-of-range indices
// never.
TEST_F(FrameworkTimer, OnlyIndicesInRangeReachTheEditor)
{
  Recorder plug;
  plug.HostSetsPlain(-1, 1.0);
  plug.HostSetsPlain(0, -2.5);
  plug.HostSetsPlain(3, 1.0);
  plug.HostSets(1, 0.5);
  plug.HostSetsPlain(1 << 30, 1.0);
  plug.HostSetsPlain(2, 1.0);
  Tick();
  EXPECT_EQ(plug.params, (std::vector<std::pair<int, double>>{{0, -2.5}, {1, 2.0}, {2, 1.0}}));
  // At most 512 changes wait for the next tick; those beyond are dropped.
  plug.params.clear();
  for (int i = 0; i < 513; ++i)
    plug.HostSetsPlain(0, i);
  Tick();
  ASSERT_EQ(plug.params.size(), 512u);
  EXPECT_EQ(plug.params.back().second, 511.0);
}

TEST_F(FrameworkTimer, WithoutEditorNothingIsDrainedButIdleStillRuns)
{
  Recorder plug(false);
  plug.HostSetsPlain(0, 1.0);
  plug.PushMidiToEditor(Note(0, 60));
  foundation::RunLoop::Main().RunDueTimers();
  Tick();
  Tick();
  EXPECT_TRUE(plug.params.empty());
  EXPECT_TRUE(plug.midi.empty());
  EXPECT_EQ(plug.idles, 3);
}

// The audio thread takes each message the editor sent once; empty queues give it nothing.
TEST_F(FrameworkTimer, EditorQueuesGiveTheAudioThreadEachMessageOnce)
{
  Recorder plug;
  IMidiMsg midi;
  ISysExMsg sysEx;
  EXPECT_FALSE(plug.PopMidiFromEditor(midi));
  EXPECT_FALSE(plug.PopSysExFromEditor(sysEx));
  plug.SendMidiMsgFromUI(Note(3, 60));
  plug.SendSysExMsgFromUI(ISysExMsg{9, 0, nullptr});
  EXPECT_TRUE(plug.PopMidiFromEditor(midi));
  EXPECT_TRUE(plug.PopSysExFromEditor(sysEx));
  EXPECT_EQ(midi.mOffset + sysEx.mOffset, 12);
  EXPECT_FALSE(plug.PopMidiFromEditor(midi));
  EXPECT_FALSE(plug.PopSysExFromEditor(sysEx));
}

TEST_F(FrameworkTimer, StoppedOrDestroyedPluginTicksNoMore)
{
  auto loopTimers = [] { return foundation::RunLoop::Main().TimerCount(); };
  const size_t before = loopTimers();
  {
    Recorder plug;
    EXPECT_EQ(loopTimers(), before + 1);
    Tick();
    plug.StopTimer();
    Tick();
    EXPECT_EQ(plug.idles, 1);
  }
  EXPECT_EQ(loopTimers(), before);
}

TEST_F(FrameworkTimer, TicksWaitUntilTheInstanceIsComplete)
{
  // A plug-in whose maker has not handed it over yet: the timer runs, the instance hears nothing.
  struct Quiet : public IPluginAPIBase
  {
    Quiet() : IPluginAPIBase(Config(true), 0) { CreateTimer(); }
    ~Quiet() override { StopTimer(); }
    void OnIdle() override { ++idles; }
    int idles = 0;
  } quiet;
  foundation::RunLoop::Main().RunDueTimers();
  Tick();
  EXPECT_EQ(quiet.idles, 0);
  quiet.StartTicks();
  Tick();
  EXPECT_EQ(quiet.idles, 1);
}

// The format a plug-in was made for names it in its build texts (an unknown one has no name) and answers editor sizes.
TEST(PluginFormat, NamesItselfAndAnswersEditorSizes)
{
  struct Made : public IPluginAPIBase
  {
    explicit Made(int api) : IPluginAPIBase(Config(false), api) {}
  };
  EXPECT_STREQ(Made(0).GetAPIName(), "VST2");
  EXPECT_STREQ(Made(7).GetAPIName(), "WEB");
  EXPECT_STREQ(Made(8).GetAPIName(), "");
  EXPECT_STREQ(Made(-1).GetAPIName(), "");
  // A size the editor takes without the platform's window is taken as it is; one that needs the window is the
  // format's to make, and a format that cannot refuses it.
  EXPECT_TRUE(Made(0).EditorResizeFromUI(300, 200, false));
  EXPECT_FALSE(Made(0).EditorResizeFromUI(300, 200, true));
}

TEST_F(FrameworkTimer, InstancesTickTogetherOnOneWakeUpAfterTheirFirstTick)
{
  mClock.Advance(0.003);
  Recorder a;
  foundation::RunLoop::Main().RunDueTimers();
  mClock.Advance(0.008);
  Recorder b;
  EXPECT_EQ(foundation::RunLoop::Main().RunDueTimers(), 1); // b's first tick, at once
  EXPECT_EQ(a.idles, 1);
  EXPECT_EQ(b.idles, 1);
  mClock.Set(0.020); // one firing serves both
  EXPECT_EQ(foundation::RunLoop::Main().RunDueTimers(), 1);
  EXPECT_EQ(a.idles, 2);
  EXPECT_EQ(b.idles, 2);
  Tick();
  EXPECT_EQ(a.idles, 3);
  EXPECT_EQ(b.idles, 3);
}

TEST_F(FrameworkTimer, ATimerStoppedByAnotherDuringATickIsNotCalledAgain)
{
  int calls[2] = {0, 0};
  std::unique_ptr<plug::Timer> timers[2];
  // On the first shared tick the first timer stops the second, which comes after it in the same tick.
  timers[0].reset(plug::Timer::Create([&](plug::Timer&) {
    if (++calls[0] == 2)
      timers[1]->Stop();
  }, 20));
  timers[1].reset(plug::Timer::Create([&](plug::Timer&) { ++calls[1]; }, 20));
  foundation::RunLoop::Main().RunDueTimers();
  Tick();
  Tick();
  EXPECT_EQ(calls[0], 3);
  EXPECT_EQ(calls[1], 1);
  timers[0]->Stop();
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), 0u);
}

// A timer that stops itself and starts its successor from its own callback, the way an editor restarts its
// refresh: the successor ticks at once and then once per interval, the old one never again. Alone in its group
// the group ends and starts over; beside another timer the group goes on and the other timer keeps its pace.
TEST_F(FrameworkTimer, ATimerRestartedFromItsOwnCallbackTicksAtOnceThenOncePerInterval)
{
  for (const bool alone : {true, false})
  {
    SCOPED_TRACE(alone ? "alone in its group" : "beside another timer");
    int oldCalls = 0, newCalls = 0, otherCalls = 0;
    std::unique_ptr<plug::Timer> old, successor, other;
    old.reset(plug::Timer::Create([&](plug::Timer& self) {
      if (++oldCalls < 2)
        return;
      self.Stop();
      successor.reset(plug::Timer::Create([&](plug::Timer&) { ++newCalls; }, 20));
    }, 20));
    if (!alone)
      other.reset(plug::Timer::Create([&](plug::Timer&) { ++otherCalls; }, 20));
    foundation::RunLoop::Main().RunDueTimers();
    Tick(); // the old timer restarts here; its successor's first tick follows in the same pass
    EXPECT_EQ(oldCalls, 2);
    EXPECT_EQ(newCalls, 1);
    for (int n = 2; n <= 4; ++n)
    {
      EXPECT_EQ(Tick(), 1) << n; // one wake-up serves whoever is left
      EXPECT_EQ(newCalls, n);
      EXPECT_EQ(oldCalls, 2);
      EXPECT_EQ(otherCalls, alone ? 0 : n + 1);
    }
    successor->Stop();
    if (other)
      other->Stop();
    EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), 0u);
  }
}

// A timer that stops itself while another follows it in the same tick: the one after it is still called in that
// tick, once.
TEST_F(FrameworkTimer, ATimerStoppingItselfDoesNotCostTheNextOneItsTick)
{
  int calls[3] = {0, 0, 0};
  std::unique_ptr<plug::Timer> timers[3];
  timers[0].reset(plug::Timer::Create([&](plug::Timer& self) {
    if (++calls[0] == 2)
      self.Stop();
  }, 20));
  for (int i : {1, 2})
    timers[i].reset(plug::Timer::Create([&calls, i](plug::Timer&) { ++calls[i]; }, 20));
  foundation::RunLoop::Main().RunDueTimers();
  Tick();
  Tick();
  EXPECT_EQ(calls[0], 2);
  EXPECT_EQ(calls[1], 3);
  EXPECT_EQ(calls[2], 3);
}

// A timer whose callback throws on its ticks costs the timer after it nothing, and is itself called again.
TEST_F(FrameworkTimer, ATimerThatThrowsCostsTheNextOneNoTick)
{
  int calls[2] = {0, 0};
  std::unique_ptr<plug::Timer> throwing(plug::Timer::Create([&calls](plug::Timer&) {
    if (++calls[0] > 1)
      throw std::runtime_error("tick failed");
  }, 20));
  std::unique_ptr<plug::Timer> after(plug::Timer::Create([&calls](plug::Timer&) { ++calls[1]; }, 20));
  foundation::RunLoop::Main().RunDueTimers();
  Tick();
  Tick();
  EXPECT_EQ(calls[0], 3);
  EXPECT_EQ(calls[1], 3);
}

// Modal work inside a timer's callback runs the loop on: a timer that stops itself there and starts a successor
// makes its group restart while its tick is still in progress. The successor joins during that tick and is called
// by the nested ticks only, once each, never again by the walk it joined during; afterwards it keeps to one call
// per interval and the group ends with its last member.
TEST_F(FrameworkTimer, ATimerJoiningWhileItsGroupRestartsInANestedLoopIsCalledOncePerTick)
{
  foundation::RunLoop& loop = foundation::RunLoop::Main();
  int oldCalls = 0, newCalls = 0, newCallsInside = 0;
  std::unique_ptr<plug::Timer> old, successor;
  old.reset(plug::Timer::Create([&](plug::Timer& self) {
    if (++oldCalls < 2)
      return;
    self.Stop();
    successor.reset(plug::Timer::Create([&](plug::Timer&) { ++newCalls; }, 20));
    loop.RunDueTimers(); // a modal loop: the successor's first tick
    mClock.Advance(0.020);
    loop.RunDueTimers(); // and the restarted group's first
    newCallsInside = newCalls;
  }, 20));
  loop.RunDueTimers();
  Tick();
  EXPECT_EQ(newCallsInside, 2);
  EXPECT_EQ(newCalls, 2);
  for (int n = 3; n <= 5; ++n)
  {
    EXPECT_EQ(Tick(), 1) << n;
    EXPECT_EQ(newCalls, n);
  }
  EXPECT_EQ(oldCalls, 2);
  successor->Stop();
  EXPECT_EQ(loop.TimerCount(), 0u);
}
