// Kaiser-windowed sinc low-pass filters for the block convolvers, designed once per process and shared through
// a reference-counted, most-recently-used cache.
#pragma once

#include "processor.h"

namespace resamp {

/// One designed low-pass filter (a cache record). Read-only after design.
struct FirFilter
{
  double normFreq = 0.0;  ///< cut-off (end of the transition band) as a fraction of the Nyquist rate
  double transBand = 0.0; ///< transition band in percent of the cut-off's sample rate (twice the cut-off)
  double atten = 0.0;     ///< stop-band attenuation in dB
  int phase = 0;          ///< 0 linear phase, 1 minimum phase
  double gain = 0.0;      ///< pass-band gain (sum of the taps)
  FirFilter* next = nullptr;
  int refCount = 0;
  int isZeroPhase = 0;    ///< 1: the spectrum is real and stored as (value, value) pairs
  int latency = 0;        ///< delay of the kernel's centre in samples
  double latencyFrac = 0.0;
  int kernelLength = 0;
  int blockOrder = 0;     ///< log2 of the smallest power of two holding kernelLength
  AlignedDoubles spectrum; ///< 2^(blockOrder + 1) doubles: packed real FFT of the kernel
  AlignedDoubles kernel;   ///< the taps, kernelLength doubles

  /// Designs the filter for the key fields. Throws std::bad_alloc. [any thread, under the cache lock]
  void Build(const double* attenCorrections);
};

namespace FirFilterCache {
/// Records kept while unused before the least recently used one is dropped.
constexpr int kCapacity = 96;
/// Entries in an attenuation correction table (dB added to the design attenuation, see Build).
constexpr int kCorrectionCount = 265;

/// A record for the five key values with its reference count raised; designs it when not cached.
/// attenCorrections is optional. Throws std::bad_alloc. [any thread, takes the cache lock]
FirFilter* GetLPFilter(int phase, const double* attenCorrections, double normFreq, double transBand, double atten,
  double gain);
/// Lowers the record's reference count; it stays cached.
void Release(FirFilter* filter);
/// Records cached now (for tests).
int Count();
} // namespace FirFilterCache

} // namespace resamp
