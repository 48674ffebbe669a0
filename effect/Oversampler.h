// Runs the per-sample chain at k times the host rate: each channel is resampled up before the chain and back
// down after it, one set of resamplers per factor so that switching only selects a set.
// The resamplers are not part of the build yet: only factor 1 exists, Factor() says so, and the block
// processing then never calls Up or Down. Factors 2 and 4 arrive with the resampler; the interface below is the
// seam they plug into (Drovik::ProcessBlock calls Up, then Drovik::ProcessCore on UpOut/DownIn, then Down).
#pragma once

class Oversampler
{
public:
  /// The factors a set can be built for, in table order.
  static constexpr int kNumFactors = 5;
  static constexpr int kFactors[kNumFactors] = {1, 2, 4, 8, 16};

  Oversampler() = default;
  ~Oversampler() { Release(); }
  Oversampler(const Oversampler&) = delete;
  Oversampler& operator=(const Oversampler&) = delete;

  /// Builds the sets for blockSize frames at sampleRate and selects `factor`; with an unchanged block size and
  /// whole-number rate it only selects the factor. [prepare: may allocate; under the plug-in lock]
  void Build(int factor, int maxFactor, int blockSize, int nIn, int nOut, int nBuf, double sampleRate);
  /// Selects a factor that was built (others are refused) and clears every resampler. [under the plug-in lock]
  void SetFactor(int factor);
  /// Frees everything built. [prepare]
  void Release();

  /// The factor that runs. [audio thread]
  int Factor() const { return mFactor; }
  /// Latency of the running factor in host samples (0 at factor 1). [any thread, under the plug-in lock]
  int Latency() const;
  /// The host block size the sets were built for: the longest piece Up accepts. [audio thread]
  int BlockSize() const { return mBlockSize; }

  // Per block, only while Factor() > 1. [audio thread]
  /// Resamples nChannels host channels of nFrames (at most BlockSize()) up; returns the up length.
  int Up(double** inputs, int nFrames, int nChannels);
  /// The up-resampled channels, and the buffers the chain writes its result to.
  double** UpOut() { return mUpOut; }
  double** DownIn() { return mDownIn; }
  /// Resamples upLength samples of DownIn() down; returns the down length (DownOut() holds them).
  int Down(int upLength, int nChannels);
  double** DownOut() { return mDownOut; }

private:
  int mFactor = 1;
  int mMaxFactor = 1;
  int mBlockSize = -1;
  double mSampleRate = -1.0;
  int mLatency[kNumFactors] = {0, 0, 0, 0, 0};
  double** mUpOut = nullptr;
  double** mDownIn = nullptr;
  double** mDownOut = nullptr;
};
