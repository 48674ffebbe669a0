// Parameter changes and editor actions: mirrors, sources, the editor-only switch-ons, the common tail.
#include "engine_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace {

using enginetest::Make;
using enginetest::Set;

// For every parameter: a value other than its default reaches the mirror the audio thread reads.
TEST(ParamChange, EveryParameterReachesItsMirror)
{
  const std::pair<int, double> cases[] = {
    {kGUIScale, 1.5},       {kTooltips, 0},        {kOversampling, 2},    {kBypass, 1},         {kClipoffon, 1},
    {kClipCeiling, -12.3},  {kMeterDisplayMode, 0}, {kMeterMode, 2},      {kVURef, -10},        {kEBUSLRef, -11},
    {kEBUMLRef, -12},       {kRMSRef, -13},        {kPEAKRef, -14},       {kMonitorMode0, 3},   {kMonitorMode1, 1},
    {kSat_offon, 1},        {kSat_ProcMode, 4},    {kSat_mode, 2},        {kSat_stages, 4},     {kSat_driveeven, 33},
    {kSat_driveodd, 44},    {kSat_fluctuation, 55}, {kHideKnobText, 1},   {kInputTrim, -7.5},   {kOutputTrim, 3.2},
  };
  // With the editor open, only the parameters that change what its controls show refresh them (once).
  const int refreshing[] = {kTooltips, kBypass, kMeterDisplayMode, kMeterMode, kSat_mode, kHideKnobText};
  for (const auto& c : cases)
  {
    auto d = Make();
    d->mEditorOpen = true;
    EXPECT_NE(d->GetMirror(c.first), c.second) << c.first;
    Set(*d, {c}, plug::kPresetRecall);
    EXPECT_DOUBLE_EQ(d->GetMirror(c.first), c.second) << c.first;
    d->OnIdle();
    const bool refreshes = std::find(std::begin(refreshing), std::end(refreshing), c.first) != std::end(refreshing);
    EXPECT_EQ(d->mControlStateThreads.size(), refreshes ? 1u : 0u) << c.first;
  }
}

TEST(ParamChange, HostChangesOfGuiScaleAreIgnoredOthersApply)
{
  auto d = Make();
  Set(*d, {{kGUIScale, 2.0}}, plug::kHost);
  EXPECT_EQ(d->GetMirror(kGUIScale), 1.0);
  Set(*d, {{kGUIScale, 2.0}}, plug::kUI);
  EXPECT_EQ(d->GetMirror(kGUIScale), 2.0);
  Set(*d, {{kInputTrim, 4.0}}, plug::kHost);
  EXPECT_EQ(d->GetMirror(kInputTrim), 4.0);
  Set(*d, {{kInputTrim, 5.0}}, plug::kDelegate); // not a source that changes the effect
  EXPECT_EQ(d->GetMirror(kInputTrim), 4.0);
}

// Turning the ceiling knob in the editor switches clipping on; automation and state recalls never do.
TEST(ParamChange, CeilingSwitchesClippingOnOnlyFromTheEditor)
{
  for (auto source : {plug::kHost, plug::kPresetRecall, plug::kReset})
  {
    auto d = Make();
    d->mMouseOver = kClipCeiling;
    Set(*d, {{kClipCeiling, -20}}, source);
    EXPECT_EQ(d->GetMirror(kClipoffon), 0) << source;
    EXPECT_EQ(d->GetParam(kClipoffon)->Value(), 0) << source;
  }
  auto d = Make();
  Set(*d, {{kClipCeiling, -20}}, plug::kUI); // not under the mouse
  EXPECT_EQ(d->GetMirror(kClipoffon), 0);
  d->mMouseOver = kClipCeiling;
  Set(*d, {{kClipCeiling, -21}}, plug::kUI);
  EXPECT_EQ(d->GetMirror(kClipoffon), 1);
  EXPECT_EQ(d->GetParam(kClipoffon)->Value(), 1);
}

TEST(ParamChange, SaturationKnobsSwitchSaturationOnOnlyFromTheEditor)
{
  const std::pair<int, double> knobs[] = {
    {kSat_mode, 1}, {kSat_stages, 3}, {kSat_driveeven, 20}, {kSat_driveodd, 30}, {kSat_fluctuation, 40}};
  for (const auto& k : knobs)
  {
    auto host = Make();
    host->mMouseOver = k.first;
    Set(*host, {k}, plug::kHost);
    EXPECT_EQ(host->GetMirror(kSat_offon), 0) << k.first;

    auto ui = Make();
    ui->mMouseOver = k.first;
    Set(*ui, {k}, plug::kUI);
    EXPECT_EQ(ui->GetMirror(kSat_offon), 1) << k.first;
    EXPECT_EQ(ui->GetParam(kSat_offon)->Value(), 1) << k.first;

    auto touched = Make(); // a knob touched in the editor but left at its value
    touched->mMouseOver = k.first;
    Set(*touched, {{k.first, touched->GetParam(k.first)->Value()}}, plug::kUI);
    EXPECT_EQ(touched->GetMirror(kSat_offon), 0) << k.first;
  }
}

TEST(ParamChange, UnassignedActionsAndHighIndicesOnlyRunTheCommonTail)
{
  for (int idx : {25, 28, 29, 34, 38, 1000, -5})
  {
    auto d = Make();
    d->TakeMeterUpdate();
    std::vector<double> before;
    for (int i = 0; i < kNumParams; ++i) before.push_back(d->GetMirror(i));
    d->OnParamChange(idx, plug::kUI, -1);
    EXPECT_TRUE(d->TakeMeterUpdate()) << idx;
    for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(d->GetMirror(i), before[size_t(i)]) << idx;
    EXPECT_EQ(d->GetLatency(), 0);
  }
}

TEST(ParamChange, OversamplingSelectsTheFactorWithItsLatencyAndClearsTheMeters)
{
  auto d = Make();
  Set(*d, {{kMeterMode, kMeterPeak}});
  std::vector<double> x(512, 0.5);
  double* io[2] = {x.data(), x.data()};
  d->ProcessBlock(io, io, 512);
  EXPECT_GT(d->Chain().mOutMeterL.PublishedValue(), 0.0);
  Set(*d, {{kOversampling, kOS4x}}, plug::kHost);
  EXPECT_EQ(d->GetMirror(kOversampling), kOS4x);
  EXPECT_EQ(d->Chain().mOutMeterL.PublishedValue(), 0.0);
  // The resamplers start from silence: after the switch the step that follows comes out delayed by the new
  // latency, with only the filters' ringing ahead of it (under a tenth of it) before.
  const int latency = d->CurrentOSLatency();
  ASSERT_GT(latency, 0);
  ASSERT_LT(latency, 400);
  std::vector<double> y(1024, 0.25);
  double* io2[2] = {y.data(), y.data()};
  d->ProcessBlock(io2, io2, 1024);
  for (int i = 0; i < latency - 1; ++i) EXPECT_LT(std::fabs(y[size_t(i)]), 0.02) << i;
  for (int i = latency + 100; i < 1024; ++i) EXPECT_NEAR(y[size_t(i)], 0.25, 1e-6) << i;
}

// A change that concerns the editor, arriving on the host's thread, leaves the editor alone there: the idle
// call on the main thread does the work, once.
TEST(ParamChange, EditorWorkFromAnotherThreadWaitsForTheIdleCall)
{
  auto d = Make();
  d->mEditorOpen = true;
  std::thread host([&] {
    Set(*d, {{kBypass, 1}, {kMeterDisplayMode, 0}, {kHideKnobText, 1}}, plug::kHost);
  });
  host.join();
  EXPECT_TRUE(d->mControlStateThreads.empty());
  d->OnIdle();
  ASSERT_EQ(d->mControlStateThreads.size(), 1u);
  EXPECT_EQ(d->mControlStateThreads[0], std::this_thread::get_id());
  d->OnIdle();
  EXPECT_EQ(d->mControlStateThreads.size(), 1u);
  // With no editor open nothing is queued for later.
  d->mEditorOpen = false;
  Set(*d, {{kBypass, 0}}, plug::kHost);
  d->mEditorOpen = true;
  d->OnIdle();
  EXPECT_EQ(d->mControlStateThreads.size(), 1u);
}

// The meter flag raised by the host's thread (a bypass switch) and then by the audio thread (20 ms of audio), with
// nothing else ordering the two: the main thread that takes the flag sees what the host's thread stored before
// raising it, not only what the last raiser stored. The thread sanitizer reports the read otherwise; it does not
// see every such round, so there are several.
TEST(ParamChange, TheMeterFlagPublishesWhatEveryRaiserStoredBeforeIt)
{
  auto d = Make(48000.0, 512);
  std::vector<double> x(1024, 0.0), y(1024);
  for (int round = 1; round <= 20; ++round)
  {
    d->TakeMeterUpdate();
    int storedByHost = 0;
    // Relaxed: puts the raises one after the other in time without making either thread wait for the other's
    // stores.
    std::atomic<int> step{0};
    std::thread host([&] {
      storedByHost = round;
      d->OnHostBypass();
      step.store(1, std::memory_order_relaxed);
      while (step.load(std::memory_order_relaxed) != 3) std::this_thread::yield(); // alive until the flag is taken
    });
    std::thread audio([&] {
      double* in[2] = {x.data(), x.data()};
      double* out[2] = {y.data(), y.data()};
      while (step.load(std::memory_order_relaxed) != 1) std::this_thread::yield();
      d->ProcessBlock(in, out, 1024); // more than 20 ms: the audio thread raises the flag too
      step.store(2, std::memory_order_relaxed);
    });
    while (step.load(std::memory_order_relaxed) != 2) std::this_thread::yield();
    EXPECT_TRUE(d->TakeMeterUpdate());
    EXPECT_EQ(storedByHost, round);
    step.store(3, std::memory_order_relaxed);
    host.join();
    audio.join();
  }
}

TEST(ParamChange, ResetWithUnchangedRateAndBlockSizeLeavesTheDspAlone)
{
  auto d = Make(48000.0, 512);
  Set(*d, {{kMeterMode, kMeterPeak}});
  std::vector<double> x(512, 0.5);
  double* io[2] = {x.data(), x.data()};
  d->ProcessBlock(io, io, 512);
  d->OnReset();
  EXPECT_EQ(d->Chain().mOutMeterL.PublishedValue(), 0.5);
  d->plug::IPluginProcessor::SetSampleRate(96000.0);
  d->OnReset();
  EXPECT_EQ(d->Chain().mOutMeterL.PublishedValue(), 0.0);
  EXPECT_EQ(d->GetPreparedSampleRate(), 96000.0);
}

} // namespace
