// Level conversions shared by the effect's DSP: linear amplitudes inside, decibels at the edges.
#pragma once

#include <cmath>

/// 20 / ln 10: ln(amplitude) times this gives decibels.
constexpr double kDbPerNeper = 8.685889638065037;
/// ln 10 / 20: decibels times this, exponentiated, give an amplitude.
constexpr double kNeperPerDb = 0.11512925464970228;
/// Levels at or below this many dB count as silence (gain 0).
constexpr double kSilenceDb = -144.0;

/// 10^(dB/20); 0 at or below kSilenceDb. [any thread]
inline double DbToGain(double db)
{
  return db <= kSilenceDb ? 0.0 : std::exp(kNeperPerDb * db);
}

/// 10^(-1 / (seconds * fs)): the one-pole coefficient that moves 20 dB in `seconds`; 0 (instant) for a time of 0.
inline double TimeCoefficient(double base, double seconds, double sampleRate)
{
  const double samples = seconds * sampleRate;
  if (!(samples > 0.0)) return 0.0;
  return std::pow(base, -1.0 / samples);
}
