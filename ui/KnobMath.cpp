#include "ui/KnobMath.h"

#include <algorithm>
#include <cmath>

namespace {
double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
} // namespace

double DragAccumulator(double accumulator, double pixels, double length, double gearing)
{
  if (length == 0 || !std::isfinite(length) || gearing == 0) return accumulator;
  const double moved = accumulator + pixels / length / gearing;
  return std::isfinite(moved) ? Clamp01(moved) : accumulator;
}

double SnapNormalized(double accumulator, const KnobRange& range)
{
  if (!range.Snaps()) return accumulator;
  // Whole steps counted from the minimum, so a range such as -60..0 in steps of 0.7 lands on -60 + k x 0.7.
  // The stock knob base counts from 0 instead, so in -60..0 by 0.7 it could never reach -60; this knob reaches
  // both ends of every range.
  // A hair of tolerance keeps 3 x 0.7 from reading as 2.0999... and falling a step short.
  const double steps = std::floor(accumulator * range.Span() / range.step + 1e-9);
  return Clamp01(steps * range.step / range.Span());
}

double WheelNormalized(double normalized, float d, double fraction, const KnobRange& range)
{
  if (d == 0) return normalized;
  if (!range.Snaps()) return Clamp01(normalized + d * fraction);
  double plain = normalized * range.Span() + range.min + (d > 0 ? range.step : -range.step);
  plain = std::clamp(plain, range.min, range.max);
  const double steps = std::round((plain - range.min) / range.step); // the grid of steps from the minimum
  return Clamp01(steps * range.step / range.Span());
}

double WheelPlain(double value, int notch, KnobWheelUnit unit, const KnobRange& range)
{
  switch (unit)
  {
  case KnobWheelUnit::kThree: value = std::round(value / 3) * 3 + 3 * notch; break;
  case KnobWheelUnit::kTenth: value = std::round(value * 10) / 10 + 0.1 * notch; break;
  case KnobWheelUnit::kOne: value = std::round(value) + notch; break;
  }
  if (range.stepped && range.step > 0) value = std::round(value / range.step) * range.step;
  return std::clamp(value, range.min, range.max);
}
