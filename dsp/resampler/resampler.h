// Sample-rate converter: a chain of stages (block convolvers, half-band stages, fractional interpolator) chosen
// from the ratio of the two rates.
#pragma once

#include "processor.h"

namespace resamp {

/// Converts a stream of doubles from srcRate to dstRate. The chain drops its delay at the start, so it reports
/// no integer latency; a caller that needs the delay measures it (feed single samples after Clear and count the
/// calls that return nothing). Half-band stages and the convolver next to them hand each other the filters'
/// answer ahead of the aligned start, which the last of them drops: a fresh chain of them puts out what one
/// that has run on silence does.
class CDSPResampler : public CDSPProcessor
{
public:
  /// maxInLen: the largest block Process will be given. phase: 0 linear phase, 1 minimum phase.
  /// transBand in percent, atten in dB. Throws std::bad_alloc. [any thread; locks the shared caches]
  CDSPResampler(int maxInLen, int phase, double srcRate, double dstRate, double transBand, double atten);
  ~CDSPResampler() override;
  CDSPResampler(const CDSPResampler&) = delete;
  CDSPResampler& operator=(const CDSPResampler&) = delete;

  int GetLatency() const override { return 0; }
  double GetLatencyFrac() const override { return mLatencyFrac; }
  /// The largest block anywhere in the chain (the argument is not used).
  int GetMaxOutLen(int /*maxInLen*/) const override { return mMaxLen; }
  void Clear() override; // [audio thread]
  /// length must not exceed maxInLen (samples beyond it are not taken: the buffers are sized for maxInLen).
  /// [audio thread, never allocates]
  int Process(double* in, int length, double*& out) override;

  int StageCount() const { return mCount; }
  CDSPProcessor* Stage(int i) const { return mStages[i]; }
  int MaxInLen() const { return mMaxInLen; }
  /// Doubles in the buffer the chain hands stage i for its output.
  int BufferLength(int i) const { return mBufLen[i & 1]; }
  /// Where that buffer starts, inside BufferBlock (the stages alternate between two buffers).
  const double* Buffer(int i) const { return mBuf[i & 1]; }
  /// The one allocation holding both buffers, as the allocator returned it; nullptr without stages.
  const void* BufferBlock() const { return mBufRaw; }

protected:
  void AddStage(CDSPProcessor* stage);

private:
  void Build(int phase, double srcRate, double dstRate, double transBand, double atten);
  /// handOnLead: stages follow that take the convolver's answer ahead of the aligned start as their history.
  void AddConvolver(int phase, double normFreq, double transBand, double atten, double gain, int up, int down,
    bool handOnLead = false);
  /// Every half-band stage but a last upsampler hands its answer ahead of the aligned start on to the next.
  void AddHalfBands(bool up, bool familyThree, int count, double atten);
  void FreeAll();

  void* mStagesRaw = nullptr;
  CDSPProcessor** mStages = nullptr;
  int mCapacity = 0;
  int mCount = 0;
  int mMaxInLen = 0;
  void* mBufRaw = nullptr;
  double* mBuf[2] = { nullptr, nullptr };
  int mBufLen[2] = { 0, 0 };
  int mBufIndex = 0;
  int mMaxLen = 0;
  double mLatencyFrac = 0.0;
};

/// The quality the effect's oversampler uses: transition band 8 %, stop band 124.28 dB, linear phase.
class CDSPResampler24_44k : public CDSPResampler
{
public:
  static constexpr double kTransBand = 8.0;
  static constexpr double kAtten = 124.28;

  CDSPResampler24_44k(double srcRate, double dstRate, int maxInLen)
    : CDSPResampler(maxInLen, 0, srcRate, dstRate, kTransBand, kAtten)
  {
  }
};

} // namespace resamp
