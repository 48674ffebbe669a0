// Level meters: ballistics of PEAK, RMS and VU readings of sines, K-weighted loudness at many rates, a delay of one
// sample.
#include "effect/dsp/level_meter.h"
#include "effect/dsp/vu_meter_lanes.h"
#include "signals.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

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
  // The peak stays through exactly 0.1 s of silence and starts to fall on the next sample.
  const int hold = static_cast<int>(0.1 * fs);
  int held = 0;
  for (int i = 0; i < 10 * hold && m->shownValue == 1.0; ++i)
  {
    m->ProcessStereo(1, 0.0, 0.0);
    if (m->shownValue == 1.0) ++held;
  }
  EXPECT_EQ(held, hold);
  EXPECT_LT(m->shownValue, 1.0);
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
  // Less than a sample is no delay; the longest is a second.
  const std::pair<double, int> lengths[] = {{-5.0, 0},        {0.01, 0},       {10.0, 480},
                                            {1000.0, 48000}, {1500.0, 48000}, {1e12, 48000}};
  for (const auto& [delayMs, samples] : lengths)
  {
    LevelMeter m;
    m.Setup(kMeterKindPeak, 0.0, 0.0, 0.1, 0.3, 0.0, fs, delayMs);
    EXPECT_EQ(m.delayA.Length(), samples) << delayMs;
    EXPECT_EQ(m.delayB.Length(), samples) << delayMs;
  }
}

// Only the RMS kind averages its two inputs in its window; every other kind leaves both windows summing. The
// hold counts whole samples (none for a time below one, the most an int holds for an absurd one); the offset
// is kept negated.
TEST(LevelMeter, SetupTakesTheWindowsHoldAndOffsetOfEachKind)
{
  for (int kind : {kMeterKindWindowedPeak, kMeterKindRMS, kMeterKindLoudnessShort, kMeterKindLoudnessLong,
                   kMeterKindVU, kMeterKindAverage, kMeterKindPeak, kMeterKindFastVU})
  {
    LevelMeter m;
    m.Setup(kind, 0.3, 0.0, 0.0, 0.3, 0.0, 48000, 0.0);
    EXPECT_EQ(m.windowA.averageTwo, kind == kMeterKindRMS ? 1 : 0) << kind;
    EXPECT_EQ(m.windowB.averageTwo, 0) << kind;
  }
  const std::pair<double, int> holds[] = {{-1.0, 0}, {0.5 / 48000, 0}, {1.0 / 48000, 1}, {1.5 / 48000, 1},
                                          {0.5, 24000}, {1e12, 2147483647}};
  for (const auto& [seconds, samples] : holds)
  {
    LevelMeter m;
    m.Setup(kMeterKindPeak, 0.0, 0.0, seconds, 0.3, -3.5, 48000, 0.0);
    EXPECT_EQ(m.hold, samples) << seconds;
    EXPECT_EQ(m.negatedOffsetDb, 3.5);
  }
  // The display gain undoes the offset; from 144 dB on it is 0.
  for (double offsetDb : {-6.0, 0.0, 20.0, 143.9, 144.0, 1e9})
  {
    LevelMeter m;
    m.Setup(kMeterKindPeak, 0.0, 0.0, 0.0, 0.3, offsetDb, 48000, 0.0);
    const double expected = offsetDb < 144.0 ? std::pow(10.0, -offsetDb / 20) : 0.0;
    EXPECT_NEAR(m.gain, expected, 1e-12 * expected) << offsetDb;
  }
  // A window holds whole samples, at least one.
  const std::pair<double, int> windows[] = {{-1.0, 1}, {0.0, 1}, {double(NAN), 1}, {1.9 / 48000, 1}, {2.0 / 48000, 2},
                                            {0.3, 14400}};
  for (const auto& [seconds, samples] : windows)
  {
    MeanSquareWindow w;
    w.Setup(seconds, 48000, 0.75, 0);
    EXPECT_EQ(w.length, samples) << seconds;
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
    // Each stage keeps the corner frequency it was designed at.
    KWeightingBiquad shelf, hp;
    shelf.SetupShelf(fs);
    hp.SetupHighPass(fs);
    EXPECT_NEAR(std::tan(kPi * shelf.f0 / fs), shelf.K, 1e-12) << fs;
    EXPECT_NEAR(std::tan(kPi * hp.f0 / fs), hp.K, 1e-12) << fs;
  }
}

// A meter as constructed is a windowed peak meter at 44.1 kHz that rises 90 % of the way in 0.3 s and falls by
// 20 dB in 0.3 s. Before it first publishes, the editor reads silence at unity gain, not inverted.
TEST(LevelMeter, AsConstructedRisesAndFallsIn300Ms)
{
  LevelMeter m;
  EXPECT_EQ(m.PublishedValue(), 0.0);
  EXPECT_EQ(m.PublishedMax(), 0.0);
  EXPECT_EQ(m.PublishedDisplay(), 0.0);
  EXPECT_EQ(m.PublishedGain(), 1.0);
  EXPECT_EQ(m.PublishedDbFactor(), kDbPerNeper);
  EXPECT_FALSE(m.PublishedInverted());
  const int n = static_cast<int>(0.3 * 44100);
  for (int i = 0; i < n; ++i) m.ProcessStereo(1, 1.0, 0.0);
  EXPECT_NEAR(m.shownValue, 0.9, 1e-4);
  const double top = m.shownValue;
  for (int i = 0; i < n; ++i) m.ProcessStereo(1, 0.0, 0.0);
  EXPECT_NEAR(m.shownValue / top, 0.1, 1e-4);
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

// The three kinds the effect does not select, each set up directly, fed a 1 kHz sine of amplitude A on the first
// input and A / 2 on the second: the windowed kind reads the root of the window's summed squares, the average-
// responding kind the mean of the two rectified inputs scaled by pi / 2, the fast VU the same mean through its
// smoother (3 * 2.01 / (2 * 3.01) of it, on average); select 1 keeps only the first input, 2 only the second. Once the tone
// stops, each falls through its release: 10^-1 per release time for the windowed kind, 345^-1 for the other two.
TEST(LevelMeter, KindsTheEffectDoesNotSelectReadTheirInputsAsSelectedAndRelease)
{
  const double fs = 48000, A = 0.8, B = A / 2, release = 0.5;
  // 48 samples a period: their rectified mean is this fraction of 2 / pi.
  const double rectified = (kPi / 48) / std::tan(kPi / 48), averaged = rectified * 3 * 2.01 / (2 * 3.01);
  const struct
  {
    int kind;
    double both, onlyFirst, onlySecond, fallPerRelease, tolerance;
  } kinds[] = {
      {kMeterKindWindowedPeak, std::sqrt((A * A + B * B) / 2), A / std::sqrt(2.0), B / std::sqrt(2.0), 10.0, 1e-9},
      {kMeterKindAverage, (A + B) / 2 * rectified, A / 2 * rectified, B / 2 * rectified, 345.0, 1e-9},
      {kMeterKindFastVU, (A + B) / 2 * averaged, A * averaged, B * averaged, 345.0, 1e-3}, // the release lifts the ripple's troughs
  };
  const int tone = static_cast<int>(0.4 * fs), tail = static_cast<int>(0.1 * fs);
  for (const auto& k : kinds)
    for (int select : {0, 1, 2})
    {
      LevelMeter m;
      m.Setup(k.kind, 0.3, 0.0, 0.0, release, 0.0, fs, 0.0);
      double mean = 0;
      for (int i = 0; i < tone; ++i)
      {
        const double s = std::sin(2 * kPi * 1000 * i / fs);
        m.ProcessStereo(select, A * s, B * s);
        if (i >= tone - tail) mean += m.shownValue / tail;
      }
      const double expected = select == 0 ? k.both : (select == 1 ? k.onlyFirst : k.onlySecond);
      const std::string what = "kind " + std::to_string(k.kind) + " select " + std::to_string(select);
      EXPECT_NEAR(mean, expected, k.tolerance * expected) << what;
      // Silence: the window empties within 0.3 s, then only the release moves the reading.
      for (int i = 0; i < static_cast<int>(0.4 * fs); ++i) m.ProcessStereo(select, 0.0, 0.0);
      const double before = m.shownValue;
      for (int i = 0; i < static_cast<int>(release * fs); ++i) m.ProcessStereo(select, 0.0, 0.0);
      EXPECT_NEAR(m.shownValue * k.fallPerRelease / before, 1.0, 1e-3) << what;
      EXPECT_NEAR(m.shownMax, expected, 0.02 * expected) << what;
    }
}

// A steady tone from silence: the fast VU rises as a VU with a 10 ms window would, 27 times sooner than the
// regular VU with its 0.27 s window. Each rise is timed to the first sample that reaches 90 % of the reading the
// meter settles at.
TEST(VuMeter, FastVuRisesToASteadyTone27TimesSoonerThanTheRegularVu)
{
  const double fs = 48000, amp = 0.5;
  auto riseSeconds = [&](LevelMeter& m) {
    std::vector<double> readings;
    for (int i = 0; i < static_cast<int>(1.5 * fs); ++i)
    {
      const double x = amp * std::sin(2 * kPi * 1000 * i / fs);
      m.ProcessStereo(0, x, x);
      readings.push_back(m.shownValue);
    }
    const double settled = readings.back();
    size_t i = 0;
    while (i < readings.size() && readings[i] < 0.9 * settled) ++i;
    return static_cast<double>(i + 1) / fs;
  };
  LevelMeter fast, regular;
  fast.Setup(kMeterKindFastVU, 0.3, 0.0, 0.0, 0.0, 0.0, fs, 0.0);
  regular.InitForMode(kMeterVU, fs);
  const double fastRise = riseSeconds(fast), regularRise = riseSeconds(regular);
  EXPECT_NEAR(fastRise, 0.008, 0.0008);
  EXPECT_NEAR(regularRise / fastRise, 27.0, 1.5);
}

// A window of 480 samples with an overlap of 0.75 publishes nothing until it has filled, then a new mean square
// every 121 samples (once the hop counter exceeds a quarter window), each the mean of the last 480 squares summed
// over both inputs. Cleared, it reads as one never set up: silence, nothing filled or published.
TEST(MeanSquareWindow, PublishesTheMeanOfTheLastWindowEveryQuarterWindowOnceFilled)
{
  MeanSquareWindow w;
  const MeanSquareWindow fresh;
  w.Setup(0.01, 48000, 0.75, 0);
  std::vector<double> squares;
  int last = -1;
  for (int i = 0; i < 2000; ++i)
  {
    const double x = 0.5 + 0.4 * std::sin(0.01 * i * i), y = 0.3 * std::cos(0.05 * i);
    squares.push_back(x * x + y * y);
    const bool published = w.Process(x, y);
    EXPECT_EQ(published, w.updated == 1) << i;
    if (!published) continue;
    ASSERT_GE(i, 479);
    if (last >= 0) { EXPECT_EQ(i - last, 121) << i; }
    last = i;
    double sum = 0;
    for (int j = i - 479; j <= i; ++j) sum += squares[static_cast<size_t>(j)];
    EXPECT_NEAR(w.meanSquare, sum / 480, 1e-12) << i;
  }
  EXPECT_GE(last, 2000 - 121);
  w.Clear();
  const double readings[][2] = {{w.sum, fresh.sum},
                                {w.leaving, fresh.leaving},
                                {w.meanSquare, fresh.meanSquare},
                                {w.minimum, fresh.minimum},
                                {w.maximum, fresh.maximum},
                                {w.minimumDb, fresh.minimumDb},
                                {w.maximumDb, fresh.maximumDb},
                                {w.loudness, fresh.loudness},
                                {double(w.position), double(fresh.position)},
                                {double(w.filled), double(fresh.filled)},
                                {double(w.updated), double(fresh.updated)},
                                {double(w.hop), double(fresh.hop)}};
  for (const auto& r : readings) EXPECT_EQ(r[0], r[1]) << &r - readings;
}

// The average-responding kind's window takes its values as they are: a new mean every quarter window from the
// start (the time before the first value counting as zeros), each the mean of the last 480 values.
TEST(MeanSquareWindow, LinearValuesPublishTheMeanOfTheLastWindowEveryQuarterWindow)
{
  MeanSquareWindow w;
  w.Setup(0.01, 48000, 0.75, 0);
  std::vector<double> values;
  int last = -1;
  for (int i = 0; i < 2000; ++i)
  {
    values.push_back(0.5 + 0.4 * std::sin(0.01 * i * i));
    w.ProcessLinear(values.back());
    if (w.updated != 1) continue;
    EXPECT_EQ(i - last, 121) << i;
    last = i;
    double sum = 0;
    for (int j = std::max(i - 479, 0); j <= i; ++j) sum += values[static_cast<size_t>(j)];
    EXPECT_NEAR(w.meanSquare, sum / 480, 1e-12) << i;
  }
  EXPECT_GE(last, 2000 - 121);
}

// A meter says it holds the buffers a mode and rate need exactly when setting it up for them would allocate
// nothing: after being set up for them (with or without buffers made beforehand), not for a longer window or a
// higher rate.
TEST(LevelMeter, HoldsBuffersForTheModesAndRatesItWasSetUpFor)
{
  for (double fs : {44100.0, 48000.0, 96000.0})
    for (int mode = 0; mode < 5; ++mode)
      for (bool madeBefore : {false, true})
      {
        const std::string what = std::to_string(fs) + " mode " + std::to_string(mode) + (madeBefore ? " made" : "");
        LevelMeter m;
        LevelMeter::WindowBuffers buffers = LevelMeter::BuffersFor(mode, mode, fs);
        m.InitForMode(mode, fs, madeBefore ? &buffers : nullptr);
        EXPECT_TRUE(m.HoldsBuffersFor(mode, fs)) << what;
        EXPECT_TRUE(m.HoldsBuffersFor(kMeterPeak, fs)) << what;
        EXPECT_FALSE(m.HoldsBuffersFor(mode, 4 * fs)) << what;
        if (mode != kMeterEBUSL) { EXPECT_FALSE(m.HoldsBuffersFor(kMeterEBUSL, fs)) << what; }
      }
}

// Four VU meters stepped together give exactly what each gives stepped alone, also when some of their displays
// are inverted (following one minus the level) and some have their own attack, hold and release: a busy signal
// after silence, held past the displays' hold, so that the inverted displays fall with the rising level, hold,
// then release.
TEST(VuMeterLanes, FourMetersSteppedTogetherMatchEachSteppedAloneWithInvertedDisplaysAndOwnBallistics)
{
  constexpr double kRate = 8000.0;
  std::unique_ptr<LevelMeter> together[4], alone[4];
  for (int i = 0; i < 4; ++i)
    for (auto* set : {&together, &alone})
    {
      (*set)[i] = std::make_unique<LevelMeter>();
      (*set)[i]->display.invert = i % 2 == 0 ? 1 : 0;
      (*set)[i]->InitForMode(kMeterVU, kRate);
      if (i % 2 == 1) (*set)[i]->Setup(kMeterKindVU, 0.2, 0.005, 0.05, 0.2, -3.0, kRate, 0.0);
    }
  LevelMeter* const lanes[4] = {together[0].get(), together[1].get(), together[2].get(), together[3].get()};
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("avx")) GTEST_SKIP() << "this processor has no AVX";
  ASSERT_TRUE(vu_meter_lanes::Usable(lanes));
  const int quiet = static_cast<int>(0.2 * kRate), block = 100;
  std::vector<double> in[4];
  for (int i = 0; i < 4; ++i)
  {
    in[i].assign(quiet, 0.0);
    for (double x : testsig::Programme(static_cast<int>(2.4 * kRate), kRate, 0.3 + 0.2 * i, i)) in[i].push_back(x);
  }
  int differing = 0, releasing = 0, holding = 0;
  for (size_t start = 0; start < in[0].size(); start += block)
  {
    const double* const inputs[4] = {&in[0][start], &in[1][start], &in[2][start], &in[3][start]};
    vu_meter_lanes::Step(lanes, inputs, block);
    for (int i = 0; i < 4; ++i)
    {
      alone[i]->ProcessBlock(0, inputs[i], inputs[i], block);
      if (alone[i]->display.value != together[i]->display.value) ++differing;
    }
    if (alone[0]->display.state == HoldEnvelope::kReleasing) ++releasing;
    if (alone[1]->ballisticState == 1) ++holding;
  }
  EXPECT_EQ(differing, 0);
  for (int i = 0; i < 4; ++i)
  {
    EXPECT_EQ(together[i]->shownValue, alone[i]->shownValue) << i;
    EXPECT_EQ(together[i]->shownMax, alone[i]->shownMax) << i;
    EXPECT_EQ(together[i]->display.peak, alone[i]->display.peak) << i;
    EXPECT_EQ(together[i]->display.state, alone[i]->display.state) << i;
    EXPECT_EQ(together[i]->vu.s2, alone[i]->vu.s2) << i;
    EXPECT_EQ(together[i]->vu.largestS2, alone[i]->vu.largestS2) << i;
    EXPECT_EQ(together[i]->vu.largestInput, alone[i]->vu.largestInput) << i;
  }
  EXPECT_GT(releasing, 0);
  EXPECT_GT(holding, 0);
  // Only VU meters without a delay go together.
  together[2]->Setup(kMeterKindVU, 0.2, 0.0, 0.0, 0.0, 0.0, kRate, 1.0);
  EXPECT_FALSE(vu_meter_lanes::Usable(lanes));
  together[2]->Setup(kMeterKindFastVU, 0.2, 0.0, 0.0, 0.0, 0.0, kRate, 0.0);
  EXPECT_FALSE(vu_meter_lanes::Usable(lanes));
}

} // namespace
