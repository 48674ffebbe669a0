// Runs the per-sample chain at k times the host rate: each channel is resampled up before the chain and back
// down after it. A set of resamplers exists for every factor (1, 2, 4, 8, 16); the latency of each factor is
// measured when its set is built. A switch of factor while audio runs takes a fresh set built (and measured)
// outside the plug-in's lock, so that under the lock only pointers change hands.
//
// Each resampler drops its own delay at the start, and with it what its filter puts out ahead of the first
// sample (the ringing before a step or an impulse): the down path needs that part of the up path's output, so a
// merely cleared pair would start the audio with the wrong samples. A set that starts (built, switched to or
// cleared) has therefore heard its latency's worth of silence, as if the audio had been preceded by it.
#pragma once

#include <memory>

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

  using Resampler = resamp::CDSPResampler24_44k;

  /// What the resamplers are built for: a set built for one shape fits no other.
  struct Shape
  {
    double sampleRate = -1.0;
    int piece = -1;
    int nIn = 0;
    int nOut = 0;
    int upCapacity = 0;
    bool operator==(const Shape& o) const
    {
      return sampleRate == o.sampleRate && piece == o.piece && nIn == o.nIn && nOut == o.nOut &&
             upCapacity == o.upCapacity;
    }
  };
  /// One factor's resamplers with their measured latency, cleared and then fed silence (see FeedSilence).
  struct FactorSet
  {
    FactorSet() = default;
    FactorSet(const FactorSet&) = delete;
    FactorSet& operator=(const FactorSet&) = delete;
    ~FactorSet();
    int factor = 0;
    Shape shape;
    Resampler* up[kMaxChannels] = {};
    Resampler* down[kMaxChannels] = {};
    int latency = 0;
  };
  /// A new set for factor built for shape, its latency measured; null for factor 1, a factor outside the
  /// table, nothing built, or when memory runs out. [any thread, outside the plug-in lock; allocates]
  static std::unique_ptr<FactorSet> BuildFactorSet(const Shape& shape, int factor);
  /// The shape of the sets built. [under the plug-in lock]
  Shape CurrentShape() const { return mShape; }

  Oversampler() = default;
  ~Oversampler() { Release(); }
  Oversampler(const Oversampler&) = delete;
  Oversampler& operator=(const Oversampler&) = delete;

  /// Builds every set for blockSize frames at sampleRate (nIn channels up, nOut down), measures the latency of
  /// each factor and selects `factor`; with an unchanged block size and whole-number rate it only selects the
  /// factor. A maximum factor above 16 changes nothing. nBuf is accepted and not used. When memory runs out
  /// nothing is built and factor 1 runs. [prepare: may allocate, outside the plug-in lock; under it only when
  /// nothing is to be built]
  void Build(int factor, int maxFactor, int blockSize, int nIn, int nOut, int nBuf, double sampleRate);
  /// Selects a factor up to the maximum (others are refused) and clears its resamplers. [under the plug-in lock]
  void SetFactor(int factor);
  /// As SetFactor, but when fresh was built for this factor and shape its resamplers are taken instead of
  /// clearing the old ones, which go back in fresh (to be freed outside the lock). [under the plug-in lock,
  /// never allocates]
  void SetFactor(int factor, std::unique_ptr<FactorSet>& fresh);
  /// Clears the running factor's resamplers, forgetting every sample they hold, and feeds them silence (see
  /// FeedSilence). [audio thread, never allocates]
  void Clear();
  /// Frees everything built. [prepare]
  void Release();
  /// Exchanges everything built and selected with other, moving no samples and allocating nothing: a whole
  /// oversampler built outside the plug-in lock is swapped in under it. [under the plug-in lock]
  void Swap(Oversampler& other) noexcept;

  /// The factor that runs. [audio thread]
  int Factor() const { return mFactor; }
  /// Latency of the running factor in host samples (0 at factor 1). [any thread, under the plug-in lock]
  int Latency() const { return LatencyOf(mFactor); }
  /// The measured latency of a factor of the table (0 for others or before a build).
  int LatencyOf(int factor) const;
  /// The largest latency of the factors built: the most this oversampler can ever report.
  int MaxLatency() const;
  /// The longest piece Up accepts: the announced host block size, at most kMaxPiece. [audio thread]
  int BlockSize() const { return mShape.piece; }
  /// Latency of factor k in host samples from its down-resampler: twice the number of single silent samples it
  /// takes before its first output, divided by k; 0 when none comes within kMaxMeasureCalls. Clears `down`.
  static int MeasureLatency(resamp::CDSPProcessor& down, int factor);
  /// Runs `frames` host frames of silence through cleared resamplers as a block does (up, then what the up
  /// path returns down) and drops what comes out. With frames = the factor's latency the pair then holds
  /// nothing but silence, has filled, and returns as many frames as it takes: it behaves as a pair that has
  /// run on silence for ever. `silence`: at least shape.piece zeros. [any thread, never allocates]
  static void FeedSilence(Resampler* const* up, Resampler* const* down, const Shape& shape, int frames,
                          double* silence);

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
  static int IndexOf(int factor);
  /// Makes factor the running one. [under the plug-in lock]
  void Select(int factor);
  void BuildSets(int maxFactor, int blockSize, int nIn, int nOut, double sampleRate);

  int mFactor = 1;
  int mMaxFactor = 1;
  int mBlockSize = -1; ///< the announced block size the sets were built for (the rebuild key)
  Shape mShape;
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
