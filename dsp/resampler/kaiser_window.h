// The Kaiser window shared by the resampler's filter designs (low-pass, fractional interpolator, half-band
// designer): the zeroth-order modified Bessel function and the window's value at a point.
#pragma once

#include <algorithm>
#include <cmath>

namespace resamp {

/// I0(x), the zeroth-order modified Bessel function, by its power series to double precision.
inline double BesselI0(double x)
{
  double sum = 1.0, term = 1.0;
  for (int k = 1; k < 1000; ++k) {
    const double q = x / (2.0 * k);
    term *= q * q;
    sum += term;
    if (term < 1e-22 * sum)
      break;
  }
  return sum;
}

/// The Kaiser window of parameter beta at x (x from -1 to 1 spans the window): I0(beta sqrt(1 - x^2)) / i0Beta,
/// where i0Beta is BesselI0(beta).
inline double KaiserWindow(double x, double beta, double i0Beta)
{
  return BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - x * x))) / i0Beta;
}

} // namespace resamp
