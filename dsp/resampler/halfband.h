// Half-band 2x upsampler and downsampler: symmetric half-band FIR stages whose odd taps are zero, placed at the
// high-rate end of a power-of-two conversion.
#pragma once

#include "halfband_tables.h"
#include "processor.h"
#include "vector_isa.h"

#include <algorithm>

namespace resamp {

/// Doubles the rate. Each input sample p yields x[p] and the interpolated value halfway to x[p + 1]; a pair
/// leaves as soon as the n samples after p have arrived. The output is aligned with the input.
class CDSPHBUpsampler : public CDSPProcessor
{
public:
  /// latencyFrac: delay handed in by the previous stage (in input samples; its whole samples are dropped here).
  /// handOnLead: put out the answer ahead of the aligned start too (the whole samples handed in and the
  /// filter's own), for a next stage that needs them as history and drops them itself. Throws std::bad_alloc.
  CDSPHBUpsampler(const HBCoeffSet& set, double latencyFrac, bool handOnLead = false);

  int GetLatency() const override { return 0; }
  /// The fraction of a sample left to the next stage, plus the samples put out ahead of the aligned start.
  double GetLatencyFrac() const override { return mLatencyFrac + mLead; }
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
  int mLead = 0;
  int mSilence = 0; ///< silent samples before the first input after Clear
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
  /// As for the upsampler; the whole samples handed in must be even. With handOnLead the samples put out ahead
  /// of the aligned start are a multiple of 6, so that they keep the phase of a decimation by 2 or 3 after.
  CDSPHBDownsampler(const HBCoeffSet& set, double latencyFrac, bool handOnLead = false);

  int GetLatency() const override { return 0; }
  double GetLatencyFrac() const override { return mLatencyFrac + mLead; }
  /// After Clear the silence ahead of the first input may add outputs to the first call.
  int GetMaxOutLen(int maxInLen) const override { return (maxInLen + 1) / 2 + std::max(0, mSilence - 2 * mN); }
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
  int mLead = 0;
  int mSilence = 0; ///< silent even (and odd) samples before the first input after Clear
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
