// Half-band 2x upsampler and downsampler: symmetric half-band FIR stages whose odd taps are zero, placed at the
// high-rate end of a power-of-two conversion.
#pragma once

#include "halfband_tables.h"
#include "processor.h"
#include "vector_isa.h"

namespace resamp {

/// Doubles the rate. Each input sample p yields x[p] and the interpolated value halfway to x[p + 1]; a pair
/// leaves as soon as the n samples after p have arrived. The output is aligned with the input.
class CDSPHBUpsampler : public CDSPProcessor
{
public:
  /// latencyFrac: fraction handed in by the previous stage (in input samples). Throws std::bad_alloc.
  CDSPHBUpsampler(const HBCoeffSet& set, double latencyFrac);

  int GetLatency() const override { return 0; }
  double GetLatencyFrac() const override { return mLatencyFrac; }
  int GetMaxOutLen(int maxInLen) const override { return 2 * maxInLen; }
  void Clear() override;
  int Process(double* in, int length, double*& out) override;

  int CoeffCount() const { return mN; }

  using Kernel = void (*)(const double* buf, int pairs, const double* c, double* out);

private:
  static constexpr int kChunk = 256;
  const double* mCoeffs;
  int mN;
  int mLatency = 0;
  double mLatencyFrac = 0.0;
  int mCountdown = 0;
  int mCount = 0; ///< samples in mBuf; mBuf[0] is the oldest one the next pair reads
  Kernel mKernel;
  AlignedDoubles mBuf;
};

/// Halves the rate with a pass-band gain of 2 (the chain's last convolver takes it back). Output q is the
/// filtered input at 2q; it leaves once the input 2n samples after 2q has arrived, so that a halving has the
/// same delay (in host samples) as the doubling it undoes.
class CDSPHBDownsampler : public CDSPProcessor
{
public:
  CDSPHBDownsampler(const HBCoeffSet& set, double latencyFrac);

  int GetLatency() const override { return 0; }
  double GetLatencyFrac() const override { return mLatencyFrac; }
  int GetMaxOutLen(int maxInLen) const override { return (maxInLen + 1) / 2; }
  void Clear() override;
  int Process(double* in, int length, double*& out) override;

  int CoeffCount() const { return mN; }

  using Kernel = void (*)(const double* even, const double* odd, int outputs, const double* c, double* out);

private:
  static constexpr int kChunk = 256;
  const double* mCoeffs;
  int mN;
  int mLatency = 0;
  double mLatencyFrac = 0.0;
  int mCountdown = 0;
  /// The input split into its even and odd samples (kept apart so that the kernel reads both contiguously):
  /// mEven[0] and mOdd[0] are the samples 2a and 2a + 1 with a = (next output) - n.
  int mEvenCount = 0;
  int mOddCount = 0;
  Kernel mKernel;
  AlignedDoubles mEven;
  AlignedDoubles mOdd;
};

} // namespace resamp
