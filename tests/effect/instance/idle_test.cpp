// The effect's idle call, driven by the framework timer with the run loop pumped by hand: a latency that differs
// from the one last reported reaches the host (I/O changed, new initial delay) within one tick, with or without
// an editor, except in the two hosts that take it per block, which get it back from the next processed block.
#include <gtest/gtest.h>

#include "drovik_instance.h"
#include "effect/Drovik.h"
#include "effect/DrovikParams.h"
#include "core/HostId.h"
#include "foundation/run_loop.h"
#include "temp_home.h"

using drovik_test::Instance;
using drovik_test::RecordingHost;

namespace {

class Idle : public ::testing::Test
{
protected:
  void SetUp() override { foundation::RunLoop::Main().UseManualClock(&mClock); }
  void TearDown() override { foundation::RunLoop::Main().UseManualClock(nullptr); }

  void Tick()
  {
    mClock.Advance(0.020);
    foundation::RunLoop::Main().RunDueTimers();
  }
  /// The processor holds a latency that the effect has not reported (as after a host reset it missed).
  static void Disturb(Instance& instance, int samples)
  {
    instance.Plug()->plug::IPluginProcessor::SetLatency(samples);
    instance.Effect()->initialDelay = samples;
  }

  testsupport::TemporaryHome mHome;
  foundation::ManualClock mClock;
  RecordingHost mHost;
};

} // namespace

TEST_F(Idle, ChangedLatencyReachesTheHostWithinOneTick)
{
  Instance instance(mHost);
  instance.Dispatch(vst2::effOpen);
  Tick();
  EXPECT_EQ(mHost.Count(vst2::audioMasterIOChanged), 0); // nothing changed yet
  Disturb(instance, 64);
  Tick();
  EXPECT_EQ(mHost.Count(vst2::audioMasterIOChanged), 1);
  EXPECT_EQ(instance.Effect()->initialDelay, 0);
  EXPECT_EQ(instance.Plug()->GetLatency(), 0);
  ASSERT_EQ(mHost.mDelaysAtIOChanged.size(), 1u);
  EXPECT_EQ(mHost.mDelaysAtIOChanged[0], 0); // the record held the new delay when the host was told
  Tick();
  EXPECT_EQ(mHost.Count(vst2::audioMasterIOChanged), 1); // told once
}

TEST_F(Idle, IdleRunsWithoutAnEditorToo)
{
  ASSERT_TRUE(testsupport::MakeFolders(mHome.Path() + "/.local/share/Drovik"));
  ASSERT_TRUE(testsupport::WriteFile(mHome.Path() + "/.local/share/Drovik/plugin.ini", "HasUI=0\n"));
  Instance instance(mHost);
  ASSERT_EQ(instance.Effect()->flags & vst2::kFlagHasEditor, 0);
  Disturb(instance, 32);
  Tick();
  EXPECT_EQ(mHost.Count(vst2::audioMasterIOChanged), 1);
  EXPECT_EQ(instance.Effect()->initialDelay, 0);
}

TEST_F(Idle, ProToolsIsNotToldFromTheIdleCall)
{
  mHost.mProduct = "ProTools";
  Instance instance(mHost);
  instance.Dispatch(vst2::effOpen);
  ASSERT_EQ(instance.Plug()->GetHost(), plug::kHostProTools);
  Disturb(instance, 64);
  Tick();
  Tick();
  EXPECT_EQ(mHost.Count(vst2::audioMasterIOChanged), 0);
  EXPECT_EQ(instance.Plug()->GetLatency(), 64);
}

TEST_F(Idle, ClosedInstanceGetsNoMoreTicks)
{
  const size_t timers = foundation::RunLoop::Main().TimerCount();
  {
    Instance instance(mHost);
    EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), timers + 1);
  }
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), timers);
  Tick();
}

TEST_F(Idle, OversamplingLatencyReachesTheHostOnTheNextTick)
{
  Instance instance(mHost);
  instance.Dispatch(vst2::effOpen);
  instance.Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 48000.f);
  instance.Dispatch(vst2::effMainsChanged, 0, 1);
  Tick();
  const int told = mHost.Count(vst2::audioMasterIOChanged);
  const int before = instance.Effect()->initialDelay;
  instance.Effect()->setParameter(instance.Effect(), kOversampling, 1.0f); // 4x
  EXPECT_EQ(mHost.Count(vst2::audioMasterIOChanged), told); // this host is told from the idle call only
  Tick();
  EXPECT_EQ(mHost.Count(vst2::audioMasterIOChanged), told + 1);
  EXPECT_NE(instance.Effect()->initialDelay, before);
  EXPECT_GT(instance.Effect()->initialDelay, 0);
  EXPECT_EQ(instance.Effect()->initialDelay, instance.Plug()->GetLatency());
  instance.Effect()->setParameter(instance.Effect(), kOversampling, 0.0f);
  Tick();
  EXPECT_EQ(mHost.Count(vst2::audioMasterIOChanged), told + 2);
  EXPECT_EQ(instance.Effect()->initialDelay, before);
}

// The two hosts that take the latency per block (Pro Tools and Live) have a latency the effect has not reported
// put back by the next processed block; any other host waits for the idle call.
TEST_F(Idle, ProToolsAndLiveGetTheLatencyBackFromTheNextBlock)
{
  const struct
  {
    const char* product;
    bool perBlock;
  } hosts[] = {{"ProTools", true}, {"Live", true}, {"Cubase", false}, {"Reaper", false}};
  for (const auto& h : hosts)
  {
    SCOPED_TRACE(h.product);
    mHost.mProduct = h.product;
    Instance instance(mHost);
    instance.Dispatch(vst2::effOpen);
    instance.Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 48000.f);
    instance.Dispatch(vst2::effMainsChanged, 0, 1);
    Disturb(instance, 64);
    float silence[64] = {};
    float* in[2] = {silence, silence};
    float out[2][64];
    float* outs[2] = {out[0], out[1]};
    instance.Effect()->processReplacing(instance.Effect(), in, outs, 64);
    EXPECT_EQ(instance.Plug()->GetLatency(), h.perBlock ? 0 : 64);
    EXPECT_EQ(instance.Effect()->initialDelay, h.perBlock ? 0 : 64);
  }
}
