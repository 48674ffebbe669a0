// The whole plug-in's signal path, driven through ProcessBlock, against the independent reference model; the
// saturator at full drive.
#include "alloc_counter.h"
#include "engine_support.h"
#include "reference_path.h"
#include "signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

namespace {

using enginetest::Make;
using enginetest::Process;
using enginetest::Set;
using enginetest::Stereo;

constexpr double kFs = 48000.0;
constexpr int kFrames = 9000;

Stereo Input() { return {testsig::Programme(kFrames, kFs, 0.9, 3), testsig::Programme(kFrames, kFs, 1.05, 4)}; }

std::vector<std::pair<int, double>> ParamsOf(const refmodel::Settings& s)
{
  return {{kInputTrim, s.inTrimDb},   {kOutputTrim, s.outTrimDb},       {kSat_offon, s.satOn ? 1.0 : 0.0},
          {kSat_ProcMode, s.placement}, {kSat_mode, s.mode},            {kSat_stages, s.stages},
          {kSat_driveeven, s.even},     {kSat_driveodd, s.odd},
          {kClipoffon, s.clipOn ? 1.0 : 0.0}, {kClipCeiling, s.ceilingDb}, {kMonitorMode0, s.monitor},
          {kMonitorMode1, s.inPlace ? 1.0 : 0.0}};
}

Stereo Reference(const refmodel::Settings& s, const Stereo& in)
{
  refmodel::Path p;
  p.s = s;
  Stereo out = in;
  for (size_t i = 0; i < in.L.size(); ++i) p.frame(out.L[i], out.R[i]);
  return out;
}

double MaxDiff(const Stereo& a, const Stereo& b)
{
  double d = 0;
  for (size_t i = 0; i < a.L.size(); ++i) d = std::max({d, std::fabs(a.L[i] - b.L[i]), std::fabs(a.R[i] - b.R[i])});
  return d;
}

std::string Describe(const refmodel::Settings& s)
{
  std::ostringstream o;
  o << "mode " << s.mode << " stages " << s.stages << " placement " << s.placement << " even " << s.even << " odd "
    << s.odd << " clip " << s.clipOn << "@" << s.ceilingDb << " monitor " << s.monitor << "/" << s.inPlace
    << " trims " << s.inTrimDb << "/" << s.outTrimDb;
  return o.str();
}

TEST(PluginSignalPath, MatchesTheReferenceModelAcrossModesStagesPlacementsMonitorsAndClipper)
{
  const Stereo in = Input();
  int n = 0;
  for (int mode = 0; mode < 4; ++mode)
    for (int stages = 1; stages <= 5; stages += 2)
      for (int placement = 0; placement < 5; ++placement)
      {
        refmodel::Settings s;
        s.satOn = true;
        s.mode = mode;
        s.stages = stages;
        s.placement = placement;
        s.even = 20 + 10 * (n % 3);
        s.odd = 45 - 10 * (n % 4);
        s.monitor = n % 5;
        s.inPlace = (n / 5) % 2 == 1;
        s.clipOn = n % 2 == 0;
        s.ceilingDb = -0.5 - (n % 6) * 3.0;
        s.inTrimDb = (n % 5) * 1.5 - 3.0;
        s.outTrimDb = -(n % 3) * 0.8;
        ++n;
        auto d = Make(kFs);
        Set(*d, ParamsOf(s));
        EXPECT_LE(MaxDiff(Process(*d, in), Reference(s, in)), 1e-12) << Describe(s);
      }
}

// Inputs far beyond full scale, as +24 dB of input trim makes of a programme near full scale, through every
// saturation mode at one and two stages, in stereo and mid placement, with and without the clipper.
TEST(PluginSignalPath, InputsBeyondFullScaleMatchTheReferenceModelInEveryMode)
{
  const Stereo in = Input();
  for (int mode = 0; mode < 4; ++mode)
    for (int stages = 1; stages <= 2; ++stages)
      for (int placement : {0, 3})
        for (double trim : {12.0, 24.0})
        {
          refmodel::Settings s;
          s.satOn = true;
          s.mode = mode;
          s.stages = stages;
          s.placement = placement;
          s.even = stages == 1 ? 100 : 35;
          s.odd = stages == 1 ? 60 : 100;
          s.inTrimDb = trim;
          s.outTrimDb = -trim / 2;
          s.clipOn = placement == 3;
          s.ceilingDb = -3;
          auto d = Make(kFs);
          Set(*d, ParamsOf(s));
          const Stereo out = Process(*d, in);
          EXPECT_LE(MaxDiff(out, Reference(s, in)), 1e-12) << Describe(s);
          EXPECT_LE(std::max(testsig::Peak(out.L), testsig::Peak(out.R)), 1.0) << Describe(s);
        }
}

// At full drive with several stages the curves meet their limits: the warm even part's pole and the unbounded
// growth of the cascade. The output saturates there instead of breaking down.
struct FullDrive
{
  const char* name;
  int mode, stages;
  double even, odd;
};
constexpr FullDrive kFullDrives[] = {{"Tubey", kSatWarm, 5, 100, 0},   {"warm", kSatWarm, 5, 100, 100},
                                     {"clean", kSatClean, 5, 100, 100}, {"clean", kSatClean, 3, 100, 100},
                                     {"crisp", kSatCrisp, 5, 100, 100}};

Stereo ThroughFullDrive(const FullDrive& f, const std::vector<double>& x)
{
  auto d = Make(kFs);
  Set(*d, {{kSat_offon, 1}, {kSat_mode, f.mode}, {kSat_stages, f.stages}, {kSat_driveeven, f.even},
           {kSat_driveodd, f.odd}});
  return Process(*d, {x, x});
}

TEST(PluginSaturation, AtFullDriveMatchesTheReferenceModel)
{
  const Stereo in = Input();
  for (const FullDrive& f : kFullDrives)
  {
    refmodel::Settings s;
    s.satOn = true;
    s.mode = f.mode;
    s.stages = f.stages;
    s.even = f.even;
    s.odd = f.odd;
    auto d = Make(kFs);
    Set(*d, ParamsOf(s));
    EXPECT_LE(MaxDiff(Process(*d, in), Reference(s, in)), 1e-9) << f.name << " " << f.stages;
  }
}

// A sine rising from silence to full scale (largest input step 0.13) never jumps from rail to rail.
TEST(PluginSaturation, ARisingSineSaturatesWithoutJumps)
{
  std::vector<double> x = testsig::Sine(997, kFs, 48000);
  for (size_t i = 0; i < x.size(); ++i) x[i] *= double(i) / double(x.size());
  for (const FullDrive& f : kFullDrives)
  {
    const Stereo out = ThroughFullDrive(f, x);
    double largest = 0.0;
    for (size_t i = 1; i < x.size(); ++i) largest = std::max(largest, std::fabs(out.L[i] - out.L[i - 1]));
    EXPECT_LT(largest, 1.0) << f.name << " " << f.stages;
  }
}

// After a loud second at full scale, a -20 dBFS sine is back at the level it has without the loud passage
// within 50 ms.
TEST(PluginSaturation, AfterALoudPassageTheLevelSettlesWithin50Ms)
{
  const int second = int(kFs), ms = second / 1000;
  const std::vector<double> quiet = testsig::Sine(997, kFs, second + 100 * ms, 0.1);
  std::vector<double> loudThenQuiet = testsig::Sine(997, kFs, second);
  loudThenQuiet.insert(loudThenQuiet.end(), quiet.begin() + second, quiet.end());
  const auto rmsDb = [&](const std::vector<double>& out) {
    return testsig::ToDb(testsig::Rms(std::vector<double>(out.begin() + second + 50 * ms, out.end())));
  };
  for (const FullDrive& f : kFullDrives)
    EXPECT_NEAR(rmsDb(ThroughFullDrive(f, loudThenQuiet).L), rmsDb(ThroughFullDrive(f, quiet).L), 1.0)
        << f.name << " " << f.stages;
}

// Side is half of left minus right: on the left output, and on the right inverted (or the same, in place).
TEST(PluginSignalPath, MonitorSideIsHalfOfLeftMinusRight)
{
  const auto x = testsig::Programme(kFrames, kFs, 1.0, 9);
  std::vector<double> quarter(x);
  for (double& v : quarter) v *= 0.25;
  for (bool inPlace : {false, true})
  {
    auto d = Make(kFs);
    Set(*d, {{kMonitorMode0, kChSide}, {kMonitorMode1, inPlace ? 1.0 : 0.0}});
    const Stereo out = Process(*d, {x, quarter});
    for (size_t i = 0; i < x.size(); ++i)
    {
      ASSERT_NEAR(out.L[i], 0.375 * x[i], 1e-15) << i;
      ASSERT_NEAR(out.R[i], inPlace ? out.L[i] : -out.L[i], 1e-15) << i;
    }
    EXPECT_GT(testsig::Peak(out.L), 0.1);
  }
}

TEST(PluginSignalPath, MonoOutputCarriesTheRightChannelResult)
{
  // With one output both channels read the single input (a second input pointer is never read, bypassed or
  // not); placement "Left" saturates the left channel only, so the mono output (the right channel's result)
  // leaves unsaturated.
  auto d = Make(kFs);
  d->SetChannelConnections(plug::kOutput, 1, 1, false);
  Set(*d, {{kSat_offon, 1}, {kSat_ProcMode, kChLeft}, {kSat_driveeven, 80}, {kSat_driveodd, 80}});
  const auto x = testsig::Programme(2048, kFs, 0.8, 5);
  std::vector<double> out(x.size(), 7.0), unused(x.size(), 7.0), stray(x.size(), 0.5);
  double* inputs[2] = {const_cast<double*>(x.data()), stray.data()};
  double* outputs[2] = {out.data(), unused.data()};
  d->ProcessBlock(inputs, outputs, 2048);
  EXPECT_EQ(out, x);
  EXPECT_EQ(unused, std::vector<double>(x.size(), 7.0));
  Set(*d, {{kBypass, 1}}); // bypassed too, the single input comes out
  d->ProcessBlock(inputs, outputs, 2048);
  EXPECT_EQ(out, x);
}

// A switch of oversampling starts the resamplers from silence, whose start carries rounding residue near
// 1e-33: a host reading floats would get subnormal samples from it now and then. Samples far below any audible
// level come out as exact zeros, at the quietest trim too.
TEST(PluginSignalPath, SwitchingOversamplingMidStreamGivesNoSampleBetweenZeroAndTheSilenceFloor)
{
  auto d = Make(kFs, 256);
  Set(*d, {{kOutputTrim, d->GetParam(kOutputTrim)->GetMin()}}, plug::kHost);
  const Stereo in{testsig::Programme(1024, kFs, 0.5, 31), testsig::Programme(1024, kFs, 0.5, 32)};
  for (int os : {kOS2x, kOS4x, kOSOff, kOS4x, kOS2x})
  {
    Set(*d, {{kOversampling, os}}, plug::kHost);
    const Stereo out = Process(*d, in, 256);
    for (const auto* channel : {&out.L, &out.R})
      for (size_t i = 0; i < channel->size(); ++i)
        ASSERT_FALSE((*channel)[i] != 0.0 && std::fabs((*channel)[i]) < 1e-30) << os << " " << i << " " << (*channel)[i];
  }
}

// Only residue is zeroed: a signal however quiet, down to hundreds of dB below full scale, passes the untouched
// path bit for bit.
TEST(PluginSignalPath, QuietSignalsAboveTheSilenceFloorPassUnchanged)
{
  auto d = Make(kFs);
  for (double scale : {1e-3, 1e-12, 1e-24})
  {
    Stereo in{std::vector<double>(1024), std::vector<double>(1024)};
    for (size_t i = 0; i < in.L.size(); ++i)
    {
      in.L[i] = scale * (0.5 + 0.4 * std::sin(0.05 * static_cast<double>(i)));
      in.R[i] = -in.L[i];
    }
    const Stereo out = Process(*d, in, 256);
    EXPECT_EQ(out.L, in.L) << scale;
    EXPECT_EQ(out.R, in.R) << scale;
  }
}

// Bypassed, each channel's output is its input delayed by exactly the reported latency: none at the host rate,
// the oversampler's once with oversampling on (the delay runs at the host rate). The switch continues the signal the
// processing path was fed, and un-bypassing processes again.
TEST(PluginBypass, OutputIsTheInputDelayedByExactlyTheReportedLatency)
{
  for (int os : {kOSOff, kOS2x, kOS4x})
  {
    auto d = Make(kFs);
    Set(*d, {{kOversampling, os}, {kSat_offon, 1}, {kSat_driveodd, 90}, {kClipoffon, 1}, {kClipCeiling, -12}},
        plug::kHost);
    const int latency = d->CurrentOSLatency();
    EXPECT_EQ(latency > 0, os != kOSOff);
    const auto x = testsig::Programme(4096, kFs, 0.8, 21), y = testsig::Programme(4096, kFs, 0.7, 22);
    const Stereo first{std::vector<double>(x.begin(), x.begin() + 2048), std::vector<double>(y.begin(), y.begin() + 2048)};
    const Stereo second{std::vector<double>(x.begin() + 2048, x.end()), std::vector<double>(y.begin() + 2048, y.end())};
    Process(*d, first);
    Set(*d, {{kBypass, 1}}, plug::kHost);
    const Stereo out = Process(*d, second);
    for (size_t i = 0; i < out.L.size(); ++i)
    {
      ASSERT_EQ(out.L[i], x[2048 + i - static_cast<size_t>(latency)]) << os << " " << i;
      ASSERT_EQ(out.R[i], y[2048 + i - static_cast<size_t>(latency)]) << os << " " << i;
    }
    Set(*d, {{kBypass, 0}}, plug::kHost);
    EXPECT_NE(Process(*d, second).L, second.L) << os;
  }
}

// After the host prepares the plug-in anew at another rate or block size, oversampling on, the bypassed output is
// the input delayed by exactly the latency the plug-in then has.
TEST(PluginBypass, AfterTheHostPreparesAnewTheBypassedOutputIsDelayedByExactlyTheLatency)
{
  const std::pair<double, int> preparations[] = {{96000.0, 512}, {48000.0, 256}};
  for (int os : {kOS2x, kOS4x})
    for (const auto& [rate, block] : preparations)
    {
      SCOPED_TRACE(testing::Message() << "oversampling " << os << ", rate " << rate << ", block " << block);
      auto d = Make(kFs);
      Set(*d, {{kOversampling, os}}, plug::kHost);
      const auto x = testsig::Programme(2048, kFs, 0.8, 31), y = testsig::Programme(2048, kFs, 0.7, 32);
      Process(*d, {x, y});
      d->plug::IPluginProcessor::SetSampleRate(rate);
      d->plug::IPluginProcessor::SetBlockSize(block);
      d->OnReset();
      Set(*d, {{kBypass, 1}}, plug::kHost);
      const int latency = d->CurrentOSLatency();
      ASSERT_GT(latency, 0);
      const Stereo out = Process(*d, {x, y}, block);
      for (size_t i = static_cast<size_t>(latency); i < out.L.size(); ++i)
      {
        ASSERT_EQ(out.L[i], x[i - static_cast<size_t>(latency)]) << i;
        ASSERT_EQ(out.R[i], y[i - static_cast<size_t>(latency)]) << i;
      }
    }
}

TEST(PluginMeters, InputAndOutputMetersReadTheirSignals)
{
  auto d = Make(kFs);
  Set(*d, {{kMeterMode, kMeterPeak}, {kInputTrim, -6.0}});
  const auto sine = testsig::Sine(1000, kFs, 4800);
  Process(*d, {sine, std::vector<double>(sine.size(), 0.0)});
  EXPECT_NEAR(d->Chain().mInMeterL.PublishedDb(), -6.0, 0.05);
  EXPECT_EQ(d->Chain().mInMeterR.PublishedValue(), 0.0);
  EXPECT_NEAR(d->Chain().mOutMeterL.PublishedDb(), -6.0, 0.05);
  Set(*d, {{kActionResetMeters, 0}}, plug::kUI);
  EXPECT_EQ(d->Chain().mOutMeterL.PublishedValue(), 0.0);
}

// The editor's meters are refreshed every 20 ms of host time at every factor, bypassed or not.
TEST(PluginMeters, RefreshEvery20MsOfHostTimeAtEveryFactorBypassedOrNot)
{
  const auto silence = std::vector<double>(96, 0.0); // 2 ms
  for (int os : {kOSOff, kOS2x, kOS4x})
    for (int bypass : {0, 1})
    {
      auto d = Make(kFs);
      Set(*d, {{kOversampling, os}, {kBypass, bypass}});
      d->TakeMeterUpdate();
      int refreshes = 0;
      for (int block = 0; block < 100; ++block) // 200 ms
      {
        Process(*d, {silence, silence}, 96);
        refreshes += d->TakeMeterUpdate() ? 1 : 0;
      }
      EXPECT_EQ(refreshes, 10) << "oversampling " << os << " bypass " << bypass;
    }
}

// Meter buffers only grow: once they hold the longest window at the highest rate, switching the meter mode or
// the oversampling back down builds no new ones.
TEST(PluginMeters, ModesWhoseWindowsFitTheBuffersSwitchWithoutAllocating)
{
  auto d = Make(kFs);
  Set(*d, {{kOversampling, kOS4x}, {kMeterMode, kMeterEBUSL}}, plug::kHost);
  Set(*d, {{kOversampling, kOSOff}}, plug::kHost);
  std::vector<std::vector<std::pair<int, double>>> changes;
  for (int mode : {kMeterPeak, kMeterRMS, kMeterEBUML, kMeterVU, kMeterEBUSL, kMeterRMS})
    changes.push_back({{kMeterMode, mode}});
  size_t allocations = 0;
  {
    testsupport::AllocationScope scope;
    for (const auto& change : changes) Set(*d, change, plug::kUI);
    allocations = scope.Count();
  }
  EXPECT_EQ(allocations, 0u);
  EXPECT_EQ(d->GetParam(kMeterMode)->Int(), kMeterRMS);
}

// The audio thread's work allocates nothing, at the worst settings, with and without oversampling, processing
// or bypassed, for blocks shorter and longer than announced.
TEST(PluginProcessing, SteadyStateAllocatesNothingAtTheWorstSettings)
{
  for (int run = 0; run < 4; ++run)
  {
    const int os = run < 2 ? kOSOff : kOS4x, bypass = run % 2;
    auto d = Make(kFs);
    Set(*d, {{kOversampling, os}, {kSat_offon, 1}, {kSat_mode, kSatWarm}, {kSat_stages, 5}, {kSat_driveeven, 100},
             {kSat_driveodd, 100}, {kSat_fluctuation, 100}, {kClipoffon, 1}, {kMeterMode, kMeterEBUSL},
             {kBypass, bypass}},
        plug::kHost);
    const Stereo in = Input();
    Process(*d, in);
    Stereo out = in;
    double* inputs[2] = {const_cast<double*>(in.L.data()), const_cast<double*>(in.R.data())};
    double* outputs[2] = {out.L.data(), out.R.data()};
    size_t allocations = 0;
    {
      testsupport::AllocationScope scope;
      for (int n : {512, 77, 1500, 512, 512}) d->ProcessBlock(inputs, outputs, n);
      allocations = scope.Count();
    }
    EXPECT_EQ(allocations, 0u) << os << " bypass " << bypass;
  }
}

} // namespace
