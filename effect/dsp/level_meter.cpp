#include "effect/dsp/level_meter.h"
#include "effect/dsp/sample_rate.h"

#include <cmath>
#include <utility>

namespace {

constexpr double kPi = 3.14159265358979323846;

// K-weighting: a high shelf around 1.7 kHz and a high-pass around 38 Hz, designed from these constants at
// every sample rate.
constexpr double kShelfF0 = 1681.974450955532;
constexpr double kShelfQ = 0.70717523695542;
constexpr double kShelfVh = 1.58486470113086;
constexpr double kShelfVb = 1.25872093023256;
constexpr double kShelfPiF0 = 5284.078578647624;
constexpr double kHighPassF0 = 38.13547087611304;
constexpr double kHighPassQ = 0.50032703732504;
constexpr double kHighPassVh = 1.00499489871469;
constexpr double kHighPassPiF0 = 119.80611514558424;
/// Offsets of this many dB or more give a display gain of 0.
constexpr double kMaxOffsetDb = 144.0;

/// The default window of the windowed kinds and of the average-responding kind, seconds.
constexpr double kDefaultWindowA = 0.4;
constexpr double kDefaultWindowB = 0.3;
constexpr double kDefaultOverlap = 0.75;
/// 1 - exp(-x / fs) constants of the VU smoothers.
constexpr double kVUDefaultRate = 27.31819698773733;
constexpr double kVUFastRate = 628.3185307179587;
/// The display envelope: release 20 dB per 0.1 s after a hold of two seconds.
constexpr double kDisplayReleaseSeconds = 0.1;
constexpr double kDisplayHoldSeconds = 2.0;

int SamplesOf(double seconds, double sampleRate)
{
  const double n = seconds * sampleRate;
  if (!(n >= 1.0)) return 1;
  return n < 1.0e9 ? static_cast<int>(n) : 1000000000;
}

double VUCoefficient(double rate, double sampleRate) { return (1.0 - std::exp(-rate / sampleRate)) * 0.5; }

struct ModeSetup
{
  int kind;
  double window, attack, hold, release, offsetDb;
};

ModeSetup SetupOfMode(int mode)
{
  switch (mode)
  {
  case kMeterRMS: return {kMeterKindRMS, 0.6, 0.0, 0.0, 0.0, -3.0};
  case kMeterEBUML: return {kMeterKindLoudnessShort, 0.3, 0.0, 0.0, 0.0, 0.0};
  case kMeterEBUSL: return {kMeterKindLoudnessLong, 3.0, 0.0, 0.0, 0.0, 0.0};
  case kMeterVU: return {kMeterKindVU, 0.27, 0.0, 0.0, 0.0, 0.0};
  default: return {kMeterKindPeak, 0.0, 0.0, 0.1, 0.3, 0.0};
  }
}

} // namespace

// ---- MeanSquareWindow ----

void MeanSquareWindow::Setup(double seconds, double sampleRate, double overlapFraction, int average)
{
  // The buffer first: should it fail to grow, the window keeps the length its buffer has.
  const int n = SamplesOf(seconds, sampleRate);
  if (mBuffer.size() < static_cast<size_t>(n)) mBuffer.assign(static_cast<size_t>(n), 0.0);
  windowSeconds = seconds;
  length = n;
  overlap = overlapFraction;
  averageTwo = average;
  Clear();
}

void MeanSquareWindow::Clear()
{
  position = 0;
  sum = leaving = meanSquare = minimum = maximum = 0.0;
  minimumDb = maximumDb = loudness = -144.0;
  filled = updated = hop = 0;
}

bool MeanSquareWindow::Process(double x1, double x2)
{
  updated = 0;
  double v = x1 * x1 + x2 * x2;
  if (averageTwo == 1) v *= 0.5;
  sum += v;
  leaving = filled ? mBuffer[static_cast<size_t>(position)] : 0.0;
  mBuffer[static_cast<size_t>(position)] = v;
  ++position;
  ++hop;
  if (position >= length)
  {
    position = 0;
    if (!filled)
    {
      meanSquare = minimum = maximum = sum / length;
      filled = 1;
    }
  }
  const double hopLength = (1.0 - overlap) * length;
  if (filled)
  {
    sum = std::max(sum - leaving, 0.0);
    if (hop > hopLength)
    {
      meanSquare = sum / length;
      minimum = std::min(minimum, meanSquare);
      maximum = std::max(maximum, meanSquare);
      updated = 1;
      hop = 0;
      return true;
    }
    return false;
  }
  if (hop > hopLength)
  {
    hop = 0;
    meanSquare = minimum = sum / length;
    maximum = std::max(maximum, meanSquare);
  }
  return false;
}

void MeanSquareWindow::ProcessLinear(double m)
{
  updated = 0;
  sum += m;
  leaving = filled ? mBuffer[static_cast<size_t>(position)] : 0.0;
  mBuffer[static_cast<size_t>(position)] = m;
  ++hop;
  if (++position >= length)
  {
    position = 0;
    filled = 1;
  }
  if (filled) sum = std::max(sum - leaving, 0.0);
  if (hop > (1.0 - overlap) * length)
  {
    hop = 0;
    meanSquare = sum / length;
    updated = 1;
  }
}

// ---- KWeightingBiquad ----

void KWeightingBiquad::SetupShelf(double fs)
{
  sampleRate = fs;
  f0 = kShelfF0;
  Q = kShelfQ;
  Vh = kShelfVh;
  Vb = kShelfVb;
  K = std::tan(kShelfPiF0 / fs);
  K2 = K * K;
  a0 = K2 + K / Q + 1.0;
  a1 = 2.0 * (K2 - 1.0) / a0;
  a2 = (K2 - K / Q + 1.0) / a0;
  b0 = (Vh + Vb * K / Q + K2) / a0;
  b1 = 2.0 * (K2 - Vh) / a0;
  b2 = (Vh - Vb * K / Q + K2) / a0;
  Clear();
}

void KWeightingBiquad::SetupHighPass(double fs)
{
  sampleRate = fs;
  f0 = kHighPassF0;
  Q = kHighPassQ;
  Vh = kHighPassVh;
  Vb = 0.0;
  K = std::tan(kHighPassPiF0 / fs);
  K2 = K * K;
  a0 = K2 + K / Q + 1.0;
  a1 = 2.0 * (K2 - 1.0) / a0;
  a2 = (K2 - K / Q + 1.0) / a0;
  b0 = Vh / a0;
  b1 = -2.0 * Vh / a0;
  b2 = Vh / a0;
  Clear();
}

// ---- LevelMeter ----

LevelMeter::LevelMeter() { Setup(kMeterKindWindowedPeak, 0.0, 0.3, 0.0, 0.3, 0.0, 44100.0, 0.0); }

void LevelMeter::Setup(int meterKind, double window, double attackS, double holdS, double releaseS,
                       double offsetDb, double fs, double delayMs)
{
  fs = UsableRate(fs);
  kind = meterKind;
  windowA.Setup(kDefaultWindowA, fs, kDefaultOverlap, 0);
  windowB.Setup(kDefaultWindowB, fs, kDefaultOverlap, 0);
  vu.c = VUCoefficient(kVUDefaultRate, fs);
  vu.scale1 = VUSmoother::kScale1;
  vu.scale2 = 1.0;
  vuFast.scale1 = VUSmoother::kScale1;
  vuFast.scale2 = 1.0;
  attack = release = 0.0;
  hold = 0;

  switch (kind)
  {
  case kMeterKindWindowedPeak:
  case kMeterKindRMS:
    attack = TimeCoefficient(10.0, attackS, fs);
    release = TimeCoefficient(10.0, releaseS, fs);
    windowA.Setup(window, fs, 1.0, kind == kMeterKindRMS ? 1 : 0);
    break;
  case kMeterKindLoudnessShort:
  case kMeterKindLoudnessLong:
    windowA.Setup(window, fs, 1.0 - 100.0 / (1000.0 * window), 0);
    break;
  case kMeterKindVU:
    vu.c = (1.0 - std::exp(-2.0 * kPi / window / fs)) * 0.5;
    break;
  case kMeterKindAverage:
    attack = TimeCoefficient(345.0, attackS, fs);
    release = TimeCoefficient(345.0, releaseS, fs);
    windowB.Setup(window, fs, 1.0, 0);
    break;
  case kMeterKindPeak:
    attack = TimeCoefficient(10.0, attackS, fs);
    release = TimeCoefficient(10.0, releaseS, fs);
    break;
  case kMeterKindFastVU:
    attack = TimeCoefficient(345.0, attackS, fs);
    release = TimeCoefficient(345.0, releaseS, fs);
    vuFast.c = VUCoefficient(kVUFastRate, fs);
    break;
  default:
    break;
  }
  const double h = holdS * fs;
  hold = h > 0.0 ? (h < 2147483647.0 ? static_cast<int>(h) : 2147483647) : 0;

  shelfA.SetupShelf(fs);
  shelfB.SetupShelf(fs);
  highPassA.SetupHighPass(fs);
  highPassB.SetupHighPass(fs);

  dbFactor = kDbPerNeper;
  gain = offsetDb < kMaxOffsetDb ? std::exp(-kNeperPerDb * offsetDb) : 0.0;
  negatedOffsetDb = -offsetDb;

  // The delay exists for meters that look ahead; its buffer is only as long as the delay (at most a second).
  const int capacity = SamplesOf(1.0, fs);
  const double d = delayMs / 1000.0 * fs;
  const int delay = d >= 1.0 ? (d < capacity ? static_cast<int>(d) : capacity) : 0;
  delayA.Resize(delay);
  delayB.Resize(delay);
  delayA.SetLength(delay);
  delayB.SetLength(delay);

  ClearState();
}

namespace {
/// The sample counts the two windows need for either of two meter modes at fs.
std::pair<int, int> WindowLengthsFor(int modeA, int modeB, double fs)
{
  int lengthA = SamplesOf(kDefaultWindowA, fs), lengthB = SamplesOf(kDefaultWindowB, fs);
  for (int mode : {modeA, modeB})
  {
    const ModeSetup m = SetupOfMode(mode);
    if (m.kind == kMeterKindWindowedPeak || m.kind == kMeterKindRMS || m.kind == kMeterKindLoudnessShort ||
        m.kind == kMeterKindLoudnessLong)
      lengthA = std::max(lengthA, SamplesOf(m.window, fs));
    if (m.kind == kMeterKindAverage) lengthB = std::max(lengthB, SamplesOf(m.window, fs));
  }
  return {lengthA, lengthB};
}
} // namespace

LevelMeter::WindowBuffers LevelMeter::BuffersFor(int modeA, int modeB, double fs)
{
  const auto [lengthA, lengthB] = WindowLengthsFor(modeA, modeB, UsableRate(fs));
  WindowBuffers b;
  b.a.assign(size_t(lengthA), 0.0);
  b.b.assign(size_t(lengthB), 0.0);
  return b;
}

bool LevelMeter::HoldsBuffersFor(int meterMode, double fs) const
{
  const auto [lengthA, lengthB] = WindowLengthsFor(meterMode, meterMode, UsableRate(fs));
  return windowA.Capacity() >= size_t(lengthA) && windowB.Capacity() >= size_t(lengthB);
}

void LevelMeter::InitForMode(int meterMode, double fs, WindowBuffers* fresh)
{
  if (fresh)
  {
    windowA.AdoptBuffer(fresh->a);
    windowB.AdoptBuffer(fresh->b);
  }
  fs = UsableRate(fs);
  const ModeSetup m = SetupOfMode(meterMode);
  Setup(m.kind, m.window, m.attack, m.hold, m.release, m.offsetDb, fs, 0.0);
  display.Setup(kDisplayReleaseSeconds, kDisplayHoldSeconds, fs, display.invert);
  Publish();
}

void LevelMeter::ClearState()
{
  mLoudnessOf = -1.0;
  mLoudnessValue = 0.0;
  value = maxValue = 0.0;
  holdCounter = 0;
  ballisticState = 0;
  windowA.Clear();
  windowB.Clear();
  vu.Clear();
  vuFast.Clear();
  shelfA.Clear();
  shelfB.Clear();
  highPassA.Clear();
  highPassB.Clear();
  delayA.Clear();
  delayB.Clear();
  shownValue = shownMax = 0.0;
}

void LevelMeter::Reset()
{
  ClearState();
  display.Clear();
  Publish();
}

void LevelMeter::Publish()
{
  mPublishedValue.store(shownValue, std::memory_order_relaxed);
  mPublishedMax.store(shownMax, std::memory_order_relaxed);
  mPublishedDisplay.store(display.value, std::memory_order_relaxed);
  mPublishedGain.store(gain, std::memory_order_relaxed);
  mPublishedDbFactor.store(editorDbFactor, std::memory_order_relaxed);
  mPublishedInverted.store(display.invert == 1, std::memory_order_relaxed);
}
