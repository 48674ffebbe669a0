// Level meters: ballistics of PEAK, RMS and VU readings of sines, K-weighted loudness at many rates, a delay of one
// sample.
#include "effect/dsp/level_meter.h"
#include "signals.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

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

// A meter set up to look one sample behind shows a sample one step later, a meter without delay at once.
TEST(PeakMeter, ADelayOfOneSampleShowsASampleOneStepLater)
{
  const double fs = 48000;
  for (const double delayMs : {0.0, 1000.0 / fs})
  {
    LevelMeter m;
    m.Setup(kMeterKindPeak, 0.0, 0.0, 0.1, 0.3, 0.0, fs, delayMs);
    m.ProcessStereo(1, 1.0, 1.0);
    EXPECT_EQ(m.shownValue, delayMs > 0 ? 0.0 : 1.0) << delayMs;
    m.ProcessStereo(1, 0.0, 0.0);
    EXPECT_EQ(m.shownValue, 1.0) << delayMs;
  }
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

// A 997 Hz tone burst (1.2 s at half scale ending on one louder sample, then silence) through every meter mode, as the effect feeds its left
// meter. The windowed modes read the part of their window the tone fills, seen at their own update times (every
// sample for RMS, every 0.1 s for the loudness windows of 0.3 s and 3 s); PEAK holds 0.1 s and then falls 20 dB
// in 0.3 s; VU follows its two-pole smoother; every display envelope holds two seconds, then falls 20 dB in 0.1 s.
TEST(LevelMeter, ToneBurstThroughEveryModeShowsItsWindowHoldAndRelease)
{
  const double fs = 48000, amp = 0.5, on = 1.2, total = 4.0;
  const double ampDb = testsig::ToDb(amp), sineDb = ampDb - 10 * std::log10(2.0), click = 1.25 * amp;
  const int last = static_cast<int>(on * fs) - 1;
  // The fraction of a window of w seconds ending at u that the burst fills.
  auto filled = [&](double u, double w) { return std::max(0.0, std::min(u, on) - std::max(u - w, 0.0)) / w; };
  const struct
  {
    int mode;
    double window, hop; // hop 0: a new reading every sample
  } modes[] = {{kMeterPeak, 0, 0}, {kMeterRMS, 0.6, 0}, {kMeterEBUML, 0.3, 0.1}, {kMeterEBUSL, 3.0, 0.1},
               {kMeterVU, 0.27, 0}};
  for (const auto& m : modes)
  {
    auto meter = Meter(m.mode, fs);
    // Plain models of the VU smoother and the display envelope.
    double s1 = 0, s2 = 0, display = 0, displayRelease = std::pow(10.0, -1 / (0.1 * fs));
    const double c = (1 - std::exp(-2 * kPi / 0.27 / fs)) * 0.5;
    int displayCount = 0, displayState = 0;
    const int n = static_cast<int>(total * fs), step = static_cast<int>(0.05 * fs);
    for (int i = 0; i < n; ++i)
    {
      const double x = i < last ? amp * std::sin(2 * kPi * 997 * i / fs) : (i == last ? click : 0.0);
      meter->ProcessStereo(1, x, x);
      meter->StepDisplay();
      const double in = std::fabs(x) + 1e-15;
      s1 = std::max(s1 + c * (in - s2 / 2.01 - s1), 0.0);
      s2 = std::max(s2 + c * (s1 - s2), 0.0);
      const double shown = std::fabs(meter->shownValue * meter->gain);
      if (shown > display)
        display = shown, displayCount = 0, displayState = 1;
      else if (displayState == 2 || (displayState == 1 && displayCount++ >= static_cast<int>(2 * fs)))
        displayState = 2, display = (display - shown) * displayRelease + shown;
      if (i % step != step / 2 && (m.hop > 0 || i % step != step - 1))
        continue; // look halfway between the 0.1 s updates
      const double t = (i + 1) / fs;
      const std::string what = "mode " + std::to_string(m.mode) + " at " + std::to_string(t) + " s";
      ASSERT_NEAR(meter->display.value, display, 1e-9 * amp) << what;
      if (m.mode == kMeterVU)
      {
        ASSERT_NEAR(meter->shownValue, s2 * 3 * kPi / 4, 1e-4 * amp) << what; // the same sums in another order
        continue;
      }
      double expectedDb;
      if (m.mode == kMeterPeak)
      {
        if (t < 0.01) continue;
        expectedDb = t < on ? ampDb : testsig::ToDb(click) - 20 * std::max(0.0, t - on - 0.1) / 0.3;
      }
      else
      {
        const double u = m.hop > 0 ? std::floor(t / m.hop + 1e-9) * m.hop : t;
        const double fraction = filled(u, m.window);
        if (u < 0.1 || (fraction > 0 && fraction < 0.1)) continue; // too little tone for a clean figure
        if (fraction == 0)
        {
          if (u < on + m.window + 0.05) continue; // the K-weighting's ringing after the burst

          ASSERT_LT(meter->shownValue, amp * 1e-4) << what;
          continue;
        }
        expectedDb = sineDb + 10 * std::log10(fraction) + (m.mode == kMeterRMS ? 3.0 : 0.0);
      }
      ASSERT_NEAR(meter->ShownDb(), expectedDb, 0.1) << what;
    }
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
