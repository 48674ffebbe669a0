// Which sample rates the effect accepts from a host, and the guard its DSP blocks apply to any rate they get.
#pragma once

#include <cmath>

/// Host rates outside this range are ignored (the DSP stays prepared for the last accepted rate).
constexpr double kMinHostSampleRate = 8000.0;
constexpr double kMaxHostSampleRate = 768000.0;
/// The rate used before any host rate was accepted.
constexpr double kDefaultSampleRate = 44100.0;

/// True for a host rate the effect can be prepared for. [any thread]
inline bool IsAcceptedHostRate(double fs)
{
  return std::isfinite(fs) && fs >= kMinHostSampleRate && fs <= kMaxHostSampleRate;
}

/// A DSP block's own guard: a non-finite or non-positive rate becomes the default rate. [any thread]
inline double UsableRate(double fs) { return (std::isfinite(fs) && fs > 0.0) ? fs : kDefaultSampleRate; }
