// An attack / hold / release envelope follower, optionally fed with 1 - v (the amount a gain takes away).
// Used for the clipper's gain reduction and for each level meter's display.
#pragma once

#include "effect/dsp/levels.h"
#include "effect/dsp/sample_rate.h"

#include <algorithm>

class HoldEnvelope
{
public:
  enum EState { kIdle = 0, kHolding = 1, kReleasing = 4 };

  /// Instant attack, release reaching -20 dB in releaseSeconds, hold of holdSeconds; clears the state.
  /// [prepare or audio thread: no allocation]
  void Setup(double releaseSeconds, double holdSeconds, double sampleRate, int invertInput)
  {
    sampleRate = UsableRate(sampleRate);
    dbFactor = kDbPerNeper;
    attack = TimeCoefficient(10.0, 0.0, sampleRate);
    release = TimeCoefficient(10.0, releaseSeconds, sampleRate);
    const double h = holdSeconds * sampleRate;
    hold = h >= 2147483647.0 ? 2147483647 : (h > 0.0 ? static_cast<int>(h) : 0);
    invert = invertInput;
    Clear();
  }
  /// Value, peak, state and counter back to 0. [audio thread]
  void Clear()
  {
    counter = 0;
    value = 0.0;
    peak = 0.0;
    state = kIdle;
  }

  /// One sample. [audio thread]
  void Step(double v)
  {
    if (invert == 1) v = 1.0 - std::min(v, 1.0);
    peak = std::max(peak, v);
    if (v > value)
    {
      value = (value - v) * attack + v;
      counter = 0;
      state = kHolding;
      return;
    }
    if (state == kReleasing)
      value = (value - v) * release + v;
    else if (state == kHolding && counter++ >= hold)
    {
      state = kReleasing;
      value = (value - v) * release + v;
    }
  }

  double dbFactor = kDbPerNeper;
  double attack = 0.0;
  double release = 0.0;
  int hold = 0;
  int counter = 0;
  double value = 0.0;
  double peak = 0.0;
  int state = kIdle;
  int invert = 0;
};
