// Resampler stage for ratios that are not built from 2 and 3: every output is a weighted sum of inputs around a
// fractional position, the weights taken from a shared bank of windowed-sinc filters, one per fractional delay.
#pragma once

#include "processor.h"

namespace resamp {

/// A bank of windowed-sinc filters for evenly spaced fractional delays (shared, reference-counted).
struct FracFilterBank
{
  int fractions = 0;     ///< fractional delays per input sample
  int coeffsPerTap = 0;  ///< 1: plain taps; 3: value and two difference terms for quadratic interpolation
  int guardFractions = 0;
  double atten = 0.0;    ///< the design row's attenuation (dB)
  int tableFlag = 0;
  int length = 0;        ///< taps per filter (even)
  AlignedDoubles coeffs; ///< (fractions + guardFractions) rows of length * coeffsPerTap
  int useCount = 0;
  FracFilterBank* next = nullptr;
};

class CDSPFracInterpolator : public CDSPProcessor
{
public:
  /// tableFlag selects the design table for inputs sampled at three times their bandwidth or more. latency:
  /// delay handed in by the previous stage, in input samples (whole samples are skipped, the fraction shifts the
  /// sampling positions). Throws std::bad_alloc. [any thread, takes the bank cache lock]
  CDSPFracInterpolator(bool tableFlag, double srcRate, double dstRate, double atten, double latency);
  ~CDSPFracInterpolator() override;

  int GetLatency() const override { return 0; }
  double GetLatencyFrac() const override { return mLatencyFracOut; }
  int GetMaxOutLen(int maxInLen) const override;
  void Clear() override;
  int Process(double* in, int length, double*& out) override;

  bool WholeStepMode() const { return mWholeStep; }
  int FilterLength() const { return mLength; }
  double RowAttenuation() const;

  /// Design row for an attenuation: filter length 6 + 2 * row, and the row's attenuation. [any thread]
  static int SelectRow(bool tableFlag, double atten, double* rowAtten);

private:
  int ProduceWholeStep(double* out);
  int ProduceGeneral(double* out);

  static constexpr int kChunk = 256;
  double mSrc, mDst;
  int mSkipInit = 0;      ///< whole input samples of latency to skip after Clear
  double mFracIn = 0.0;   ///< fractional latency in input samples
  double mLatencyFracOut = 0.0;
  bool mWholeStep = false;
  int mInStep = 0, mOutStep = 0, mPhaseInit = 0;
  int mPhase = 0;
  int mOutCount = 0;      ///< general mode: outputs since the position origin
  double mOffset = 0.0;   ///< general mode: origin offset in output samples
  double mOffsetInit = 0.0;
  int mBufStart = 0;      ///< input index (relative to the position origin) of mBuf[0]
  int mCount = 0;
  int mSkipLeft = 0;
  FracFilterBank* mBank = nullptr;
  int mLength = 0;
  AlignedDoubles mBuf;
};

} // namespace resamp
