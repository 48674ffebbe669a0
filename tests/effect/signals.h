// Test signals and measurements shared by the effect's DSP tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace testsig {

constexpr double kPi = 3.14159265358979323846;

inline std::vector<double> Sine(double freq, double fs, int n, double amp = 1.0, double phase = 0.0)
{
  std::vector<double> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = amp * std::sin(2 * kPi * freq * i / fs + phase);
  return v;
}

/// A busy programme-like signal: three partials, a slow swell and deterministic noise, peaking near `amp`.
inline std::vector<double> Programme(int n, double fs, double amp, uint32_t seed)
{
  std::vector<double> v(static_cast<size_t>(n));
  uint32_t s = seed * 2654435761u + 1u;
  for (int i = 0; i < n; ++i)
  {
    s = s * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(s >> 8) / 16777216.0 - 0.5) * 0.2;
    const double t = i / fs;
    const double swell = 0.55 + 0.45 * std::sin(2 * kPi * 3.0 * t);
    v[static_cast<size_t>(i)] =
        amp * swell * (0.6 * std::sin(2 * kPi * 110 * t) + 0.25 * std::sin(2 * kPi * 1370 * t + 1) + noise);
  }
  return v;
}

inline double Rms(const std::vector<double>& v, size_t from = 0)
{
  double s = 0;
  for (size_t i = from; i < v.size(); ++i) s += v[i] * v[i];
  return v.size() > from ? std::sqrt(s / double(v.size() - from)) : 0.0;
}

inline double Peak(const std::vector<double>& v)
{
  double p = 0;
  for (double x : v) p = std::max(p, std::fabs(x));
  return p;
}

inline double ToDb(double x) { return 20.0 * std::log10(x); }

} // namespace testsig
