// Measuring helpers for the resampler tests and benchmarks: sines on exact analysis bins, spectra, runs in random
// blocks.
#pragma once

#include "resampler/processor.h"
#include "resampler/real_fft.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace resamptest {

inline std::vector<double> Sine(int length, double cyclesPerSample, double amplitude = 1.0, double phase = 0.3)
{
  std::vector<double> v(length);
  for (int i = 0; i < length; ++i)
    v[i] = amplitude * std::sin(2.0 * M_PI * cyclesPerSample * i + phase);
  return v;
}

inline std::vector<double> Noise(int length, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  std::vector<double> v(length);
  for (double& x : v)
    x = d(rng);
  return v;
}

/// Runs the whole input through p in blocks; blockSize 0 picks random sizes from 1 to maxBlock.
inline std::vector<double> Run(resamp::CDSPProcessor& p, const std::vector<double>& input, int maxBlock,
  int blockSize, unsigned seed = 1)
{
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> pick(1, maxBlock);
  std::vector<double> in(input);
  std::vector<double> result;
  std::vector<double> scratch(p.GetMaxOutLen(maxBlock) + 16);
  size_t pos = 0;
  while (pos < in.size()) {
    int n = blockSize > 0 ? blockSize : pick(rng);
    n = static_cast<int>(std::min<size_t>(n, in.size() - pos));
    double* out = scratch.data();
    const int got = p.Process(in.data() + pos, n, out);
    result.insert(result.end(), out, out + got);
    pos += n;
  }
  return result;
}

/// Magnitudes of bins 0 .. n/2 of the n samples starting at from (n a power of two), scaled so that a sine of
/// amplitude a on a bin reads a.
inline std::vector<double> Spectrum(const std::vector<double>& x, size_t from, int order)
{
  const int n = 1 << order;
  std::vector<double> d(x.begin() + from, x.begin() + from + n);
  resamp::RealFft* fft = resamp::FftKeeper::Get(order);
  fft->Forward(d.data());
  resamp::FftKeeper::Put(fft);
  std::vector<double> mag(n / 2 + 1);
  mag[0] = std::fabs(d[0]) / n;
  mag[n / 2] = std::fabs(d[1]) / n;
  for (int k = 1; k < n / 2; ++k)
    mag[k] = 2.0 * std::hypot(d[2 * k], d[2 * k + 1]) / n;
  return mag;
}

inline double Db(double ratio)
{
  return 20.0 * std::log10(std::max(ratio, 1e-300));
}

/// Level in dB (relative to ref) of the largest bin other than the one named.
inline double LargestOtherDb(const std::vector<double>& mag, int bin, double ref)
{
  double m = 0.0;
  for (size_t k = 0; k < mag.size(); ++k)
    if (static_cast<int>(k) != bin)
      m = std::max(m, mag[k]);
  return Db(m / ref);
}

} // namespace resamptest
