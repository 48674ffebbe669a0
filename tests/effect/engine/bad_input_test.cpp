// What a host may send that it should not: non-finite samples, absurd rates, odd block sizes.
#include "engine_support.h"
#include "signals.h"

#include <gtest/gtest.h>

namespace {

using enginetest::Make;
using enginetest::Process;
using enginetest::Set;
using enginetest::Stereo;

bool AllFinite(const Stereo& s)
{
  for (size_t i = 0; i < s.L.size(); ++i)
    if (!std::isfinite(s.L[i]) || !std::isfinite(s.R[i])) return false;
  return true;
}

void Busy(Drovik& d, int meterMode)
{
  Set(d, {{kSat_offon, 1}, {kSat_mode, kSatWarm}, {kSat_stages, 3}, {kSat_driveeven, 60}, {kSat_driveodd, 60},
          {kSat_fluctuation, 50}, {kClipoffon, 1}, {kMeterMode, meterMode}, {kInputTrim, 24}});
}

TEST(BadInput, NonFiniteSamplesLeaveNoNaNBehind)
{
  for (int meterMode = 0; meterMode < 5; ++meterMode)
  {
    auto d = Make();
    Busy(*d, meterMode);
    Stereo bad{std::vector<double>(512), std::vector<double>(512)};
    for (size_t i = 0; i < 512; ++i)
    {
      const double v[] = {NAN, INFINITY, -INFINITY, 1e308, -1e300, 0.5};
      bad.L[i] = v[i % 6];
      bad.R[i] = v[(i + 3) % 6];
    }
    EXPECT_TRUE(AllFinite(Process(*d, bad))) << meterMode;
    const Stereo after = Process(*d, {testsig::Sine(440, 48000, 4096, 0.3), testsig::Sine(440, 48000, 4096, 0.3)});
    EXPECT_TRUE(AllFinite(after)) << meterMode;
    EXPECT_GT(testsig::Rms(after.L), 0.1) << meterMode;
    for (const LevelMeter* m : {&d->Chain().mInMeterL, &d->Chain().mOutMeterR})
    {
      EXPECT_FALSE(std::isnan(m->PublishedValue())) << meterMode;
      EXPECT_FALSE(std::isnan(m->PublishedDisplay())) << meterMode;
    }
  }
}

// Host samples are bounded to 1e6 (+120 dBFS) and NaN is silence, in the bypass and at the defaults alike.
TEST(BadInput, NonFiniteSamplesAreSilencedInBypassToo)
{
  const std::vector<double> in = {NAN, INFINITY, -INFINITY, 2e6, -3e7, 1e6, -1e6, 999999.5, 0.25};
  const std::vector<double> bounded = {0.0, 1e6, -1e6, 1e6, -1e6, 1e6, -1e6, 999999.5, 0.25};
  for (int bypass : {1, 0})
  {
    auto d = Make();
    Set(*d, {{kBypass, bypass}});
    const Stereo out = Process(*d, {in, in}, static_cast<int>(in.size()));
    EXPECT_EQ(out.L, bounded) << bypass;
    EXPECT_EQ(out.R, bounded) << bypass;
  }
}

TEST(BadInput, AbsurdSampleRatesAreIgnored)
{
  for (double fs : {0.0, -48000.0, double(NAN), double(INFINITY), 1e9, 1.0})
  {
    auto d = Make(48000.0);
    Busy(*d, kMeterEBUSL);
    d->plug::IPluginProcessor::SetSampleRate(fs);
    d->OnReset();
    EXPECT_EQ(d->GetPreparedSampleRate(), 48000.0) << fs;
    EXPECT_TRUE(AllFinite(Process(*d, {testsig::Sine(440, 48000, 2048), testsig::Sine(440, 48000, 2048)}))) << fs;
    d->TakeMeterUpdate();
    Process(*d, {std::vector<double>(960), std::vector<double>(960)});
    EXPECT_TRUE(d->TakeMeterUpdate()) << fs;
  }
}

TEST(BadInput, TheEndsOfTheRateRangeAreTakenTheRatesJustBeyondIgnored)
{
  for (double fs : {8000.0, 768000.0, 7999.0, 768001.0})
  {
    const bool taken = fs == 8000.0 || fs == 768000.0;
    auto d = Make(48000.0);
    d->plug::IPluginProcessor::SetSampleRate(fs);
    d->OnReset();
    EXPECT_EQ(d->GetPreparedSampleRate(), taken ? fs : 48000.0) << fs;
  }
}

TEST(BadInput, ConstructionWithAnAbsurdRateUsesTheDefaultRate)
{
  auto d = std::make_unique<enginetest::TestDrovik>();
  d->plug::IPluginProcessor::SetSampleRate(-1.0);
  d->OnReset();
  EXPECT_GT(d->GetPreparedSampleRate(), 0.0);
}

TEST(BadInput, BlockSizesOfZeroAndLargerThanAnnouncedAreProcessedWhole)
{
  auto d = Make(48000.0, 64);
  Busy(*d, kMeterVU);
  std::vector<double> x(1), y(1, 3.0);
  double* in[2] = {x.data(), x.data()};
  double* out[2] = {y.data(), y.data()};
  d->ProcessBlock(in, out, 0);
  d->ProcessBlock(in, out, -7);
  EXPECT_EQ(y[0], 3.0);

  // 8192 frames in one block where 64 were announced, compared with the same signal in announced blocks.
  const Stereo sig{testsig::Programme(8192, 48000, 0.7, 11), testsig::Programme(8192, 48000, 0.7, 12)};
  auto a = Make(48000.0, 64);
  auto b = Make(48000.0, 64);
  Busy(*a, kMeterVU);
  Busy(*b, kMeterVU);
  // Fluctuation draws differ between instances, so compare without it.
  Set(*a, {{kSat_fluctuation, 0}});
  Set(*b, {{kSat_fluctuation, 0}});
  const Stereo whole = Process(*a, sig, 8192);
  const Stereo pieces = Process(*b, sig, 64);
  EXPECT_EQ(whole.L, pieces.L);
  EXPECT_EQ(whole.R, pieces.R);
}

TEST(BadInput, NullBuffersAreNotTouched)
{
  auto d = Make();
  std::vector<double> y(16, 2.0);
  double* out[2] = {y.data(), y.data()};
  d->ProcessBlock(nullptr, out, 16);
  EXPECT_EQ(y, std::vector<double>(16, 0.0)); // silence for missing inputs
  d->ProcessBlock(out, nullptr, 16);
  EXPECT_EQ(y, std::vector<double>(16, 0.0)); // the inputs are only read
  double* none[2] = {nullptr, nullptr};
  y.assign(16, 2.0);
  d->ProcessBlock(none, out, 16);
  EXPECT_EQ(y, std::vector<double>(16, 0.0)); // silence for missing input channels
  d->ProcessBlock(none, none, 16);
  // The next whole block passes through as at any start.
  std::vector<double> x(16, 0.25), z(16, 9.0);
  double* in[2] = {x.data(), x.data()};
  double* out2[2] = {z.data(), z.data()};
  d->ProcessBlock(in, out2, 16);
  EXPECT_EQ(z, x);
}

} // namespace
