// The output clipper: linear below a threshold just under the ceiling, a tanh knee above it that never passes
// the ceiling. Records the gain it applied to the last sample.
#pragma once

#include <algorithm>
#include <cmath>

class SoftClipper
{
public:
  /// 6 / ln 2: ceiling decibels divided by this give the natural log of the linear ceiling.
  static constexpr double kDbDivisor = 8.656170245333781;
  /// The knee starts this many of the divisor's units below the ceiling.
  static constexpr double kKneeWidth = 0.01;

  /// [any thread, under the plug-in lock]
  void SetCeiling(double ceilingDb)
  {
    top = std::exp(ceilingDb / dbDivisor);
    threshold = std::exp((std::min(ceilingDb, 0.0) - kKneeWidth) / dbDivisor);
    range = top - threshold;
    inverseRange = 1.0 / range;
    inputScale = std::exp(0.0 / dbDivisor);
  }

  /// The clipped sample; gainReduction becomes output / input (1 for a zero input). [audio thread]
  double Process(double x)
  {
    const double u = inputScale * x;
    const double mag = std::fabs(u);
    if (mag < threshold)
    {
      gainReduction = 1.0; // y / u with y = u
      return u;
    }
    const double sign = u > 0.0 ? 1.0 : (u < 0.0 ? -1.0 : 0.0);
    const double y = sign * (threshold + range * std::tanh((mag - threshold) * inverseRange));
    gainReduction = u != 0.0 ? y / u : 1.0;
    return y;
  }

  double dbDivisor = kDbDivisor;
  double inputScale = 1.0;
  double threshold = 0.0;
  double range = 0.0;
  double inverseRange = 0.0;
  double top = 0.0;
  double gainReduction = 1.0;
};
