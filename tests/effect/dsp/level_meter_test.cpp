// Level meters: ballistics of PEAK, RMS and VU readings of sines, K-weighted loudness at many rates.
#include "effect/dsp/level_meter.h"
#include "signals.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using testsig::kPi;

std::unique_ptr<LevelMeter> Meter(int mode, double fs)
{
  auto m = std::make_unique<LevelMeter>();
  m->InitForMode(mode, fs);
  return m;
}

/// Feeds a sine to the first input only (as the effect feeds its left meters) and returns the dB reading.
double ReadSine(LevelMeter& m, double freq, double fs, double amp, double seconds)
{
  const int n = static_cast<int>(seconds * fs);
  for (int i = 0; i < n; ++i)
  {
    const double x = amp * std::sin(2 * kPi * freq * i / fs);
    m.ProcessStereo(1, x, x);
  }
  return m.ShownDb();
}

TEST(PeakMeter, ShowsASingleSampleAtOnceHoldsItThenFalls20DbPer300Ms)
{
  const double fs = 48000;
  auto m = Meter(kMeterPeak, fs);
  m->ProcessStereo(1, 1.0, 1.0);
  EXPECT_EQ(m->shownValue, 1.0);
  const int hold = static_cast<int>(0.1 * fs);
  int held = 0;
  while (m->shownValue == 1.0 && held < 10 * hold)
  {
    m->ProcessStereo(1, 0.0, 0.0);
    ++held;
  }
  EXPECT_GE(held, hold);
  EXPECT_LE(held, hold + 2);
  for (int i = 1; i < static_cast<int>(0.3 * fs); ++i) m->ProcessStereo(1, 0.0, 0.0);
  EXPECT_NEAR(m->ShownDb(), -20.0, 0.01);
  EXPECT_EQ(m->shownMax, 1.0);
}

TEST(RmsMeter, FullScaleSineReadsItsRmsAndShowsZeroDb)
{
  const double fs = 48000;
  auto m = Meter(kMeterRMS, fs);
  ReadSine(*m, 1000, fs, 1.0, 0.7);
  EXPECT_NEAR(m->shownValue, std::sqrt(0.5), 1e-3);
  EXPECT_NEAR(m->ShownDb(), 0.0, 0.02); // +3 dB display gain on -3.0103 dB
}

// A 997 Hz sine at 0 dBFS in one channel reads -3.01 dB of loudness, at every rate: the K-weighting is designed
// anew for each rate.
TEST(LoudnessMeter, FullScale997HzInOneChannelReadsMinus3Point01DbAtEveryRate)
{
  for (double fs : {44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 384000.0, 768000.0})
  {
    auto m = Meter(kMeterEBUML, fs);
    EXPECT_NEAR(ReadSine(*m, 997, fs, 1.0, 0.45), -3.01, 0.02) << fs;
  }
}

TEST(LoudnessMeter, KWeightingKeepsItsShapeAcrossRates)
{
  // Gain of both stages for a sine, measured after the filters settle.
  auto gainDb = [](double freq, double fs) {
    KWeightingBiquad shelf, hp;
    shelf.SetupShelf(fs);
    hp.SetupHighPass(fs);
    const int n = static_cast<int>(fs), skip = n / 2;
    double s = 0;
    for (int i = 0; i < n; ++i)
    {
      const double y = hp.Process(shelf.Process(std::sin(2 * kPi * freq * i / fs)));
      if (i >= skip) s += y * y;
    }
    return 10 * std::log10(s / (n - skip) / 0.5);
  };
  for (double fs : {44100.0, 48000.0, 96000.0, 192000.0, 768000.0})
  {
    EXPECT_NEAR(gainDb(997, fs), 0.69, 0.03) << fs;
    EXPECT_NEAR(gainDb(10000, fs), 4.0, 0.1) << fs;
    EXPECT_LT(gainDb(20, fs), -5.0) << fs;
    EXPECT_NEAR(gainDb(200, fs), -0.26, 0.05) << fs;
  }
}

TEST(VuMeter, SineReadsItsPeakLevel)
{
  const double fs = 48000;
  for (double amp : {1.0, 0.1})
  {
    auto m = Meter(kMeterVU, fs);
    ReadSine(*m, 1000, fs, amp, 1.5);
    EXPECT_NEAR(m->ShownDb(), 20 * std::log10(amp), 0.1) << amp;
  }
}

TEST(LevelMeter, ResetReturnsEveryReadingToSilence)
{
  auto m = Meter(kMeterEBUSL, 48000);
  ReadSine(*m, 997, 48000, 1.0, 0.5);
  m->StepDisplay();
  m->Publish();
  EXPECT_GT(m->PublishedDisplay(), 0.0);
  EXPECT_GT(m->PublishedValue(), 0.0);
  m->Reset();
  EXPECT_EQ(m->shownValue, 0.0);
  EXPECT_EQ(m->shownMax, 0.0);
  EXPECT_EQ(m->PublishedDisplay(), 0.0);
  EXPECT_EQ(m->PublishedValue(), 0.0);
  EXPECT_EQ(m->windowA.loudness, -144.0);
  EXPECT_EQ(m->windowA.sum, 0.0);
}

TEST(LevelMeterBadInput, NonFiniteSamplesAndAbsurdRatesLeaveFiniteReadings)
{
  for (int mode = 0; mode < 5; ++mode)
    for (double fs : {48000.0, 0.0, -1.0, double(NAN), 1.0})
    {
      auto m = Meter(mode, fs);
      for (double x : {double(NAN), double(INFINITY), -double(INFINITY), 1e300}) m->ProcessStereo(0, x, x);
      ReadSine(*m, 100, 48000, 0.5, 0.05);
      m->StepDisplay();
      EXPECT_FALSE(std::isnan(m->shownValue)) << mode << " " << fs;
      EXPECT_FALSE(std::isnan(m->windowA.sum)) << mode << " " << fs;
    }
}

} // namespace
