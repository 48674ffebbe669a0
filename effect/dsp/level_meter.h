// One level meter: peak, RMS, K-weighted loudness over a short or long window, VU (and three kinds the effect
// does not select), with ballistics and a display envelope. The audio thread steps it; the editor reads only the
// published values (Published*) without a lock, since a parameter change may set the meter up again meanwhile.
#pragma once

#include "effect/dsp/delay_ring.h"
#include "effect/dsp/hold_envelope.h"
#include "effect/dsp/modes.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

enum EMeterKind
{
  kMeterKindWindowedPeak = 0,
  kMeterKindRMS = 1,
  kMeterKindLoudnessShort = 2,
  kMeterKindLoudnessLong = 3,
  kMeterKindVU = 4,
  kMeterKindAverage = 5,
  kMeterKindPeak = 6,
  kMeterKindFastVU = 7
};

/// A window of squared samples with a running sum; publishes the mean square every hop.
class MeanSquareWindow
{
public:
  /// Length max(trunc(seconds * fs), 1); a new mean square every (1 - overlap) * length samples. Reuses the
  /// buffer when it is large enough (allocates only otherwise). [prepare]
  void Setup(double seconds, double sampleRate, double overlap, int averageTwo);
  /// The running values back to silence (readings back to silence). The samples are left as they are: until
  /// the window has filled once, no sample leaves it, so none from before the clear is ever read. [audio thread]
  void Clear();
  /// Takes spare as its sample buffer when spare is longer, handing its own back in spare. [prepare, no
  /// allocation]
  void AdoptBuffer(std::vector<double>& spare)
  {
    if (spare.size() > mBuffer.size()) mBuffer.swap(spare);
  }
  /// How many samples the buffer holds: Setup for a window up to this long allocates nothing. [under the lock]
  size_t Capacity() const { return mBuffer.size(); }
  /// Adds x1^2 + x2^2 (halved when averaging two inputs); true when a full window published a new mean square.
  /// [audio thread]
  bool Process(double x1, double x2);
  /// Adds m unsquared (the average-responding kind). [audio thread]
  void ProcessLinear(double m);

  double windowSeconds = 0.0;
  int length = 1;
  double overlap = 1.0;
  int position = 0;
  double sum = 0.0;
  double leaving = 0.0;
  double meanSquare = 0.0;
  double minimum = 0.0;
  double maximum = 0.0;
  double minimumDb = -144.0;
  double maximumDb = -144.0;
  double loudness = -144.0;
  int filled = 0;
  int updated = 0;
  int hop = 0;
  int averageTwo = 0;

private:
  std::vector<double> mBuffer;
};

/// One of the two K-weighting stages (a shelf or a high-pass) as a biquad recomputed for each rate.
struct KWeightingBiquad
{
  void SetupShelf(double sampleRate);
  void SetupHighPass(double sampleRate);
  void Clear() { x1 = x2 = y1 = y2 = 0.0; }
  double Process(double x)
  {
    const double y = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / 1.0 + 1e-25;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }

  double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
  double sampleRate = 0.0;
  double f0 = 0.0, Vb = 0.0, Vh = 0.0, Q = 0.0;
  double K = 0.0, K2 = 0.0, a0 = 1.0;
  double a1 = 0.0, a2 = 0.0, b0 = 1.0, b1 = 0.0, b2 = 0.0;
};

/// A second-order VU-style rectifying smoother.
struct VUSmoother
{
  static constexpr double kScale1 = 2.356194490192345; // 3 pi / 4
  static constexpr double kSecondStateDivisor = 2.01;
  void Clear() { s1 = s2 = largestS2 = largestInput = 0.0; }
  double Process(double p, double q)
  {
    largestInput = std::max(largestInput, std::max(p, q));
    const double in = (p + q) * 0.5 + 1e-15;
    // n1 = s1 + c (in - s2 / 2.01 - s1) and n2 = s2 + c (n1 - s2), each written as a sum of terms in s1, s2
    // and the input, so that a sample waits for the last one only through one product and two sums each.
    const double n1 = (1.0 - c) * s1 + (c * in - c / kSecondStateDivisor * s2);
    const double n2 = (1.0 - c) * s2 + c * n1;
    s1 = std::max(n1, 0.0);
    s2 = std::max(n2, 0.0);
    largestS2 = std::max(largestS2, s2);
    return s2 * scale1 * scale2;
  }

  double s1 = 0.0, s2 = 0.0;
  double largestS2 = 0.0, largestInput = 0.0;
  double c = 0.0;
  double scale1 = kScale1, scale2 = 1.0;
  double dbFactor = kDbPerNeper;
};

namespace level_meter_detail {
/// Keeps the K-weighting filters out of denormals.
constexpr double kTinyOffset = 1e-25;
/// 10 / ln 10: ln(mean square) times this gives dB.
constexpr double kPowerDbPerNeper = 4.342944819;
/// Loudness offset of the K-weighted mean square, dB.
constexpr double kLoudnessOffsetDb = 0.691;
/// Inputs are bounded to this magnitude (300 dBFS): squares summed over any window stay finite.
constexpr double kMaxInput = 1e15;
constexpr double kHalfPi = 1.5707963267948966;
} // namespace level_meter_detail

class LevelMeter
{
public:
  LevelMeter();
  LevelMeter(const LevelMeter&) = delete;
  LevelMeter& operator=(const LevelMeter&) = delete;

  /// Times in seconds. [prepare: may allocate]
  void Setup(int kind, double window, double attack, double hold, double release, double offsetDb,
             double sampleRate, double delayMs);
  /// Sample buffers for the two windows, made where allocating does no harm (outside the plug-in's lock).
  struct WindowBuffers
  {
    std::vector<double> a, b;
  };
  /// Buffers long enough for either of two meter modes at sampleRate. [any thread, allocates]
  static WindowBuffers BuffersFor(int modeA, int modeB, double sampleRate);
  /// True when the present buffers are as long as BuffersFor(mode, mode, sampleRate) would make them, so that
  /// InitForMode for that mode and rate allocates nothing without fresh ones. [under the plug-in lock]
  bool HoldsBuffersFor(int meterMode, double sampleRate) const;
  /// Maps an EMeterMode to its kind, window and offset, sets the display envelope and clears everything. Fresh
  /// buffers longer than the present ones are taken (those replaced go back in fresh); with fresh buffers from
  /// BuffersFor for this mode and rate nothing is allocated. [prepare: may allocate without fresh buffers]
  void InitForMode(int meterMode, double sampleRate, WindowBuffers* fresh = nullptr);
  /// Every reading back to silence: windows, delays, ballistics, display. [audio thread, no allocation]
  void Reset();

  /// One step. select 1/3 measures only a, 2/4 only b, anything else both. [audio thread]
  void ProcessStereo(int select, double a, double b);
  /// ProcessStereo and StepDisplay for n samples. [audio thread]
  void ProcessBlock(int select, const double* a, const double* b, int n);
  /// ProcessStereo for a meter known to be of kind Kind. [audio thread]
  template <int Kind> [[gnu::always_inline]] void Step(int select, double a, double b);

  /// Steps the display envelope with |shownValue * gain|. [audio thread]
  void StepDisplay() { display.Step(std::fabs(shownValue * gain)); }
  /// Hands shownValue, shownMax, the display envelope and what the editor needs to read them (gain, dB factor,
  /// the envelope's invert flag) to the editor: once per block, and whenever the meter is set up or reset.
  /// [audio thread, or a parameter change under the plug-in lock]
  void Publish();
  /// What the editor reads: the published reading, its maximum and the display envelope, and the gain, dB factor
  /// and invert flag they were published with. [any thread]
  double PublishedValue() const { return mPublishedValue.load(std::memory_order_relaxed); }
  double PublishedMax() const { return mPublishedMax.load(std::memory_order_relaxed); }
  double PublishedDisplay() const { return mPublishedDisplay.load(std::memory_order_relaxed); }
  double PublishedGain() const { return mPublishedGain.load(std::memory_order_relaxed); }
  double PublishedDbFactor() const { return mPublishedDbFactor.load(std::memory_order_relaxed); }
  bool PublishedInverted() const { return mPublishedInverted.load(std::memory_order_relaxed); }
  /// The published reading in dB as the editor shows it: ln(value * gain) * editorDbFactor. [any thread]
  double PublishedDb() const { return std::log(PublishedValue() * PublishedGain()) * PublishedDbFactor(); }
  /// The current reading in dB, on the audio thread. [audio thread]
  double ShownDb() const { return std::log(shownValue * gain) * editorDbFactor; }

  double attack = 0.0;
  double release = 0.0;
  int hold = 0;
  int holdCounter = 0;
  int ballisticState = 0;
  double value = 0.0;
  double maxValue = 0.0;
  double shownValue = 0.0;
  double shownMax = 0.0;
  KWeightingBiquad shelfA, highPassA, shelfB, highPassB;
  MeanSquareWindow windowA;
  VUSmoother vu;
  MeanSquareWindow windowB;
  VUSmoother vuFast;
  int kind = 0;
  double dbFactor = kDbPerNeper;
  double gain = 1.0;
  double negatedOffsetDb = 0.0;
  DelayRing delayA, delayB;
  double editorDbFactor = kDbPerNeper;
  HoldEnvelope display;

private:
  void ClearState();
  template <int Kind> double Measure(int select, double a, double b);
  template <int Kind> void StepBlock(int select, const double* a, const double* b, int n);
  void Ballistics(double x);

  double mLoudnessOf = -1.0;   // the mean square the loudness reading was computed from
  double mLoudnessValue = 0.0; // 10^(L / 20) of that loudness
  std::atomic<double> mPublishedValue{0.0};
  std::atomic<double> mPublishedMax{0.0};
  std::atomic<double> mPublishedDisplay{0.0};
  std::atomic<double> mPublishedGain{1.0};
  std::atomic<double> mPublishedDbFactor{kDbPerNeper};
  std::atomic<bool> mPublishedInverted{false};
};

// ---- the per-sample step, inline so the chain can keep its state in registers ----

template <int Kind>
[[gnu::always_inline]] inline double LevelMeter::Measure(int select, double a, double b)
{
  const bool onlyA = select == 1 || select == 3;
  const bool onlyB = select == 2 || select == 4;
  if constexpr (Kind == kMeterKindLoudnessShort || Kind == kMeterKindLoudnessLong)
  {
    if (onlyA) b = 0.0;
    if (onlyB) a = 0.0;
    const double ka = highPassA.Process(shelfA.Process(a + level_meter_detail::kTinyOffset));
    const double kb = highPassB.Process(shelfB.Process(b + level_meter_detail::kTinyOffset));
    windowA.Process(onlyB ? 0.0 : ka, onlyA ? 0.0 : kb);
    // The reading changes only when the window publishes a new mean square.
    if (windowA.meanSquare != mLoudnessOf)
    {
      mLoudnessOf = windowA.meanSquare;
      windowA.loudness = std::log(windowA.meanSquare) * level_meter_detail::kPowerDbPerNeper - level_meter_detail::kLoudnessOffsetDb;
      mLoudnessValue = std::exp(windowA.loudness / dbFactor);
    }
    return mLoudnessValue;
  }
  else if constexpr (Kind == kMeterKindWindowedPeak)
  {
    windowA.Process(onlyB ? 0.0 : a, onlyA ? 0.0 : b);
    return std::sqrt(windowA.meanSquare);
  }
  else if constexpr (Kind == kMeterKindRMS)
  {
    if (onlyA)
      windowA.Process(a, a);
    else if (onlyB)
      windowA.Process(b, b);
    else
      windowA.Process(a, b);
    return std::sqrt(windowA.meanSquare);
  }
  else if constexpr (Kind == kMeterKindVU || Kind == kMeterKindFastVU)
  {
    const double p = onlyB ? std::fabs(b) : std::fabs(a);
    const double q = onlyA ? std::fabs(a) : std::fabs(b);
    return (Kind == kMeterKindVU ? vu : vuFast).Process(p, q);
  }
  else if constexpr (Kind == kMeterKindAverage)
  {
    const double pa = onlyB ? 0.0 : std::fabs(a);
    const double pb = onlyA ? 0.0 : std::fabs(b);
    windowB.ProcessLinear((pa + pb) * 0.5);
    return windowB.meanSquare * level_meter_detail::kHalfPi;
  }
  else if constexpr (Kind == kMeterKindPeak)
    return std::max(onlyB ? 0.0 : std::fabs(a), onlyA ? 0.0 : std::fabs(b));
  else
    return 0.0;
}

[[gnu::always_inline]] inline void LevelMeter::Ballistics(double x)
{
  if (x > value)
  {
    value = (value - x) * attack + x;
    ballisticState = 0;
    return;
  }
  switch (ballisticState)
  {
  case 0:
    holdCounter = 1;
    ballisticState = 1;
    if (hold <= 0)
    {
      ballisticState = 2;
      value = (value - x) * release + x;
    }
    break;
  case 1:
    if (holdCounter++ >= hold)
    {
      ballisticState = 2;
      value = (value - x) * release + x;
    }
    break;
  default:
    value = (value - x) * release + x;
    break;
  }
}

template <int Kind>
[[gnu::always_inline]] inline void LevelMeter::Step(int select, double a, double b)
{
  // A non-finite sample would stay in the running sums and filters for good: it counts as silence, and
  // magnitudes are bounded so that squares and sums stay finite.
  a = std::isfinite(a) ? std::clamp(a, -level_meter_detail::kMaxInput, level_meter_detail::kMaxInput) : 0.0;
  b = std::isfinite(b) ? std::clamp(b, -level_meter_detail::kMaxInput, level_meter_detail::kMaxInput) : 0.0;
  a = delayA.Exchange(a);
  b = delayB.Exchange(b);
  Ballistics(Measure<Kind>(select, a, b));
  maxValue = std::max(maxValue, value);
  shownValue = value;
  shownMax = maxValue;
}

template <int Kind>
inline void LevelMeter::StepBlock(int select, const double* a, const double* b, int n)
{
  for (int i = 0; i < n; ++i)
  {
    Step<Kind>(select, a[i], b[i]);
    StepDisplay();
  }
}

inline void LevelMeter::ProcessStereo(int select, double a, double b)
{
  switch (kind)
  {
  case kMeterKindWindowedPeak: Step<kMeterKindWindowedPeak>(select, a, b); break;
  case kMeterKindRMS: Step<kMeterKindRMS>(select, a, b); break;
  case kMeterKindLoudnessShort: Step<kMeterKindLoudnessShort>(select, a, b); break;
  case kMeterKindLoudnessLong: Step<kMeterKindLoudnessLong>(select, a, b); break;
  case kMeterKindVU: Step<kMeterKindVU>(select, a, b); break;
  case kMeterKindAverage: Step<kMeterKindAverage>(select, a, b); break;
  case kMeterKindPeak: Step<kMeterKindPeak>(select, a, b); break;
  case kMeterKindFastVU: Step<kMeterKindFastVU>(select, a, b); break;
  default: Step<-1>(select, a, b); break;
  }
}

inline void LevelMeter::ProcessBlock(int select, const double* a, const double* b, int n)
{
  switch (kind)
  {
  case kMeterKindWindowedPeak: StepBlock<kMeterKindWindowedPeak>(select, a, b, n); break;
  case kMeterKindRMS: StepBlock<kMeterKindRMS>(select, a, b, n); break;
  case kMeterKindLoudnessShort: StepBlock<kMeterKindLoudnessShort>(select, a, b, n); break;
  case kMeterKindLoudnessLong: StepBlock<kMeterKindLoudnessLong>(select, a, b, n); break;
  case kMeterKindVU: StepBlock<kMeterKindVU>(select, a, b, n); break;
  case kMeterKindAverage: StepBlock<kMeterKindAverage>(select, a, b, n); break;
  case kMeterKindPeak: StepBlock<kMeterKindPeak>(select, a, b, n); break;
  case kMeterKindFastVU: StepBlock<kMeterKindFastVU>(select, a, b, n); break;
  default: StepBlock<-1>(select, a, b, n); break;
  }
}
