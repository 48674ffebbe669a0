// Runs the per-sample chain at k times the host rate: each channel is resampled up before the chain and back
// down after it. A complete set of resamplers exists for every factor (1, 2, 4, 8, 16) so that switching only
// selects another set and clears state; the latency of each factor is measured once when the sets are built.
#pragma once

#include "resampler/resampler.h"

class Oversampler
{
public:
  /// The factors a set is built for, in table order.
  static constexpr int kNumFactors = 5;
  static constexpr int kFactors[kNumFactors] = {1, 2, 4, 8, 16};
  /// Largest number of channels in either direction.
  static constexpr int kMaxChannels = 8;
  /// Largest piece the resamplers are built for: a host announcing longer blocks gets them processed in pieces
  /// of this size (so an absurd announcement cannot make the build take gigabytes).
  static constexpr int kMaxPiece = 8192;
  /// Single-sample calls the latency measurement makes at most before it gives up (and reports 0): far more
  /// than any chain built here needs.
  static constexpr int kMaxMeasureCalls = 1 << 20;

  Oversampler() = default;
  ~Oversampler() { Release(); }
  Oversampler(const Oversampler&) = delete;
  Oversampler& operator=(const Oversampler&) = delete;

  /// Builds every set for blockSize frames at sampleRate (nIn channels up, nOut down), measures the latency of
  /// each factor and selects `factor`; with an unchanged block size and whole-number rate it only selects the
  /// factor. A maximum factor above 16 changes nothing. nBuf is accepted and not used. When memory runs out
  /// nothing is built and factor 1 runs. [prepare: may allocate; under the plug-in lock]
  void Build(int factor, int maxFactor, int blockSize, int nIn, int nOut, int nBuf, double sampleRate);
  /// Selects a factor up to the maximum (others are refused) and clears every resampler. [under the plug-in lock]
  void SetFactor(int factor);
  /// Clears the running factor's resamplers, forgetting every sample they hold. [audio thread, never allocates]
  void Clear();
  /// Frees everything built. [prepare]
  void Release();

  /// The factor that runs. [audio thread]
  int Factor() const { return mFactor; }
  /// Latency of the running factor in host samples (0 at factor 1). [any thread, under the plug-in lock]
  int Latency() const { return LatencyOf(mFactor); }
  /// The measured latency of a factor of the table (0 for others or before a build).
  int LatencyOf(int factor) const;
  /// The longest piece Up accepts: the announced host block size, at most kMaxPiece. [audio thread]
  int BlockSize() const { return mPiece; }
  /// Latency of factor k in host samples from its down-resampler: twice the number of single silent samples it
  /// takes before its first output, divided by k; 0 when none comes within kMaxMeasureCalls. Clears `down`.
  static int MeasureLatency(resamp::CDSPProcessor& down, int factor);

  // Per block, only while Factor() > 1. [audio thread, never allocates]
  /// Resamples nChannels host channels of nFrames up (at most BlockSize() frames are taken; longer blocks are
  /// the caller's to split); returns the up length of the last channel.
  int Up(double** inputs, int nFrames, int nChannels);
  /// The up-resampled channels, and the buffers the chain writes its result to (BlockSize() * maximum factor).
  double** UpOut() { return mUpOut; }
  double** DownIn() { return mDownIn; }
  /// Resamples upLength samples of DownIn() down; returns the down length of the last channel (DownOut()
  /// holds them).
  int Down(int upLength, int nChannels);
  double** DownOut() { return mDownOut; }

private:
  using Resampler = resamp::CDSPResampler24_44k;

  static int IndexOf(int factor);
  void BuildSets(int maxFactor, int blockSize, int nIn, int nOut, double sampleRate);

  int mFactor = 1;
  int mMaxFactor = 1;
  int mBlockSize = -1; ///< the announced block size the sets were built for (the rebuild key)
  int mPiece = -1;
  double mSampleRate = -1.0;
  int mNIn = 0;
  int mNOut = 0;
  int mUpCapacity = 0;
  double* mUpOut[kMaxChannels] = {};
  double* mDownOut[kMaxChannels] = {};
  double* mDownIn[kMaxChannels] = {};
  resamp::AlignedDoubles mInputCopy[kMaxChannels];
  resamp::AlignedDoubles mDownInBuf[kMaxChannels];
  Resampler* mUp[kNumFactors][kMaxChannels] = {};
  Resampler* mDown[kNumFactors][kMaxChannels] = {};
  int mCurrent = 0; ///< index of the selected sets
  int mLatency[kNumFactors] = {0, 0, 0, 0, 0};
};
