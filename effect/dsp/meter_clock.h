// Counts processed samples and says when another 20 ms have passed, so the editor refreshes its meters.
#pragma once

#include "effect/dsp/sample_rate.h"

#include <cmath>

class MeterClock
{
public:
  static constexpr double kPeriodMs = 20.0;

  /// Interval trunc(period * fs), at least one sample; counter 0. [prepare]
  void Setup(double sampleRate)
  {
    sampleRate = UsableRate(sampleRate);
    periodMs = kPeriodMs;
    this->sampleRate = sampleRate;
    samplesPerMs = sampleRate / 1000.0;
    const double n = periodMs / 1000.0 * sampleRate;
    interval = (n >= 1.0 && n < 2147483647.0) ? static_cast<int>(n) : (n >= 1.0 ? 2147483647 : 1);
    counter = 0;
  }
  /// Counts nFrames more samples; true when an interval was completed (the remainder carries over).
  /// [audio thread]
  bool Advance(int nFrames)
  {
    if (nFrames <= 0) return false;
    long long c = static_cast<long long>(counter) + nFrames;
    if (c < interval)
    {
      counter = static_cast<int>(c);
      return false;
    }
    counter = static_cast<int>(c % interval);
    return true;
  }

  double periodMs = kPeriodMs;
  double sampleRate = 0.0;
  double samplesPerMs = 0.0;
  int interval = 1;
  int counter = 0;
};
