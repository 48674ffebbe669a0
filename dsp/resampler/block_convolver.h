// Resampler stage that filters with a long FIR low-pass by FFT overlap-save while changing the rate by an
// integer up factor (zero insertion) and an integer down factor (decimation).
#pragma once

#include "fir_filter.h"
#include "processor.h"
#include "real_fft.h"

namespace resamp {

/// Streams in step with its input: every input sample yields up/down outputs on average, taken from the block
/// computed before, so the stage's delay is one block plus the filter's delay; that delay is dropped at the start
/// (the output is aligned with the input) and only a fraction of a sample is handed on.
class CDSPBlockConvolver : public CDSPProcessor
{
public:
  /// Takes over one reference to filter (released by the destructor). dropLatency: drop the integer delay at
  /// the output (the chain always asks for it). latencyFrac: delay handed in by the previous stage, in input
  /// samples (its whole samples are dropped here). handOnLead (without decimation only): put out the filter's
  /// answer ahead of the aligned start too (as many samples as the filter's delay and the whole samples handed
  /// in), for a next stage that needs them as history and drops them itself. Throws std::bad_alloc (then the
  /// filter is released). [any thread]
  CDSPBlockConvolver(FirFilter* filter, int up, int down, bool dropLatency, double latencyFrac,
    bool handOnLead = false);
  ~CDSPBlockConvolver() override;

  int GetLatency() const override { return mDropLatency ? 0 : mSkip; }
  /// The fraction of a sample left to the next stage, plus the samples put out ahead of the aligned start.
  double GetLatencyFrac() const override { return mLatencyFrac + mLead; }
  int GetMaxOutLen(int maxInLen) const override { return (maxInLen * mUp + mDown - 1) / mDown; }
  void Clear() override;
  int Process(double* in, int length, double*& out) override;

  int UpFactor() const { return mUp; }
  int DownFactor() const { return mDown; }
  const FirFilter* Filter() const { return mFilter; }
  /// Outputs dropped after Clear, counted at the up rate before decimation.
  int SkipCount() const { return mSkip; }

private:
  /// Transforms the block, filters it and transforms back with the kernels chosen at construction.
  void ComputeBlock();
  void ComputeBlockBaseline();
  void ComputeBlockWide();
  void ComputeBlockBody();
  /// Moves the window on by a block (the block's tail becomes the next block's history).
  void SlideWindow();

  FirFilter* mFilter;
  RealFft* mFwd = nullptr;
  RealFft* mInv = nullptr;
  int mUp, mDown;
  bool mDropLatency;
  int mBlockLen = 0;     ///< B: FFT length at the up rate
  int mOverlap = 0;      ///< O: history kept from block to block, at the up rate
  int mNew = 0;          ///< N: new up-rate samples per block
  int mSkip = 0;
  int mLead = 0;     ///< outputs put out ahead of the aligned start
  double mLatencyFrac = 0.0;
  bool mReplicate = false; ///< transform the input at its own rate and repeat the spectrum up to B
  bool mFold = false;      ///< decimate in the frequency domain with a shorter inverse transform
  int mResultOffset = 0;   ///< index of the block's first new output in the inverse transform
  AlignedDoubles mStage;   ///< time blocks (at the input rate when replicating, else zero-stuffed), mStageLen
  double* mWindow = nullptr; ///< the current block in mStage, mWindowLen values; slides on by mWindowStep
  int mWindowLen = 0;
  int mWindowStep = 0;
  int mStageLen = 0;
  AlignedDoubles mWork;    ///< the block's spectrum and product (B / 2 real parts, B / 2 imaginary), then the
                           ///< inverse transform's result
  AlignedDoubles mSpectrum; ///< the filter's spectrum in the same layout
  AlignedDoubles mFoldBuf; ///< folded spectrum (same layout) and decimated result, B / down doubles
  const double* mResult = nullptr;
  int mFill = 0;     ///< new up-rate positions of the current block filled so far
  int mSkipLeft = 0;
  int mPhase = 0;    ///< raw outputs still to pass before the next kept one
  VectorIsa mIsa = VectorIsa::kBaseline;
  bool mFused = false;     ///< the wide kernels' single pass between the half-length transforms runs
  AlignedDoubles mScaled;  ///< for it: the filter's spectrum times the inverse transform's scale
};

} // namespace resamp
