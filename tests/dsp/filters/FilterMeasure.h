// Measuring helpers for the filter tests: levels in dB, and the steady-state gain of a sine run through a
// filter, measured by correlation over whole periods.
#pragma once

#include <cmath>
#include <complex>
#include <functional>
#include <vector>

namespace filtertest {

constexpr double kPi = 3.1415926535897932384626433832795;
/// 20 log10(1 / sqrt 2): the magnitude of a Butterworth filter at its cut-off.
constexpr double kMinus3dB = -3.0102999566398120;

inline double Db(double magnitude)
{
  return 20.0 * std::log10(magnitude);
}

inline double Db(std::complex<double> response)
{
  return Db(std::abs(response));
}

/// Runs `periods` periods of a unit sine at `cycles / window` cycles per sample through `process` (in place, in
/// blocks), lets the first `settle` samples pass, and returns the output's amplitude over the next `window`
/// samples (the sine completes exactly `cycles` periods in the window).
inline double SineGain(const std::function<void(double*, int)>& process, int cycles, int window, int settle)
{
  const double f = static_cast<double>(cycles) / window;
  const int total = settle + window;
  std::vector<double> x(static_cast<size_t>(total));
  for (int n = 0; n < total; ++n)
    x[n] = std::sin(2.0 * kPi * f * n);
  const int block = 256;
  for (int start = 0; start < total; start += block)
    process(x.data() + start, std::min(block, total - start));
  double re = 0.0;
  double im = 0.0;
  for (int n = settle; n < total; ++n)
  {
    re += x[n] * std::sin(2.0 * kPi * f * n);
    im += x[n] * std::cos(2.0 * kPi * f * n);
  }
  return 2.0 * std::hypot(re, im) / window;
}

} // namespace filtertest
