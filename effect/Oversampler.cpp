#include "effect/Oversampler.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>
#include <utility>

namespace {

/// Host samples are bounded to this magnitude (+120 dBFS) and NaN becomes silence before they reach a
/// resampler, so nothing a host sends can leave a non-finite value in a resampler's history.
constexpr double kMaxInputMagnitude = 1e6;

} // namespace

int Oversampler::IndexOf(int factor)
{
  for (int i = 0; i < kNumFactors; ++i)
    if (kFactors[i] == factor) return i;
  return -1;
}

int Oversampler::LatencyOf(int factor) const
{
  const int i = IndexOf(factor);
  return i >= 0 ? mLatency[i] : 0;
}

int Oversampler::MaxLatency() const { return *std::max_element(std::begin(mLatency), std::end(mLatency)); }

void Oversampler::Build(int factor, int maxFactor, int blockSize, int nIn, int nOut, int nBuf, double sampleRate)
{
  (void)nBuf;
  if (maxFactor > kFactors[kNumFactors - 1]) return;
  if (blockSize == mBlockSize && std::trunc(sampleRate) == std::trunc(mShape.sampleRate))
  {
    SetFactor(factor);
    return;
  }
  Release();
  try
  {
    BuildSets(maxFactor, blockSize, nIn, nOut, sampleRate);
  }
  catch (...)
  {
    Release(); // out of memory: nothing is built, factor 1 runs
    return;
  }
  mFactor = -1;
  SetFactor(factor);
}

void Oversampler::BuildSets(int maxFactor, int blockSize, int nIn, int nOut, double sampleRate)
{
  mMaxFactor = std::max(maxFactor, 1);
  mShape.sampleRate = sampleRate;
  mBlockSize = blockSize;
  mShape.nIn = std::clamp(nIn, 0, kMaxChannels);
  mShape.nOut = std::clamp(nOut, 0, kMaxChannels);
  const int block = std::clamp(blockSize, 1, kMaxPiece);
  mShape.piece = block;
  mShape.upCapacity = mMaxFactor * block;

  for (int c = 0; c < mShape.nIn; ++c)
  {
    mInputCopy[c].Allocate(block);
    for (int i = 0; i < kNumFactors; ++i)
    {
      delete mUp[i][c];
      mUp[i][c] = nullptr;
      mUp[i][c] = new Resampler(sampleRate, kFactors[i] * sampleRate, block);
      mUp[i][c]->Clear();
    }
  }
  for (int c = 0; c < mShape.nOut; ++c)
  {
    mDownInBuf[c].Allocate(mShape.upCapacity);
    mDownIn[c] = mDownInBuf[c].data;
    for (int i = 0; i < kNumFactors; ++i)
    {
      delete mDown[i][c];
      mDown[i][c] = nullptr;
      mDown[i][c] = new Resampler(kFactors[i] * sampleRate, sampleRate, mShape.upCapacity);
      mDown[i][c]->Clear();
    }
  }
  for (int i = 0; i < kNumFactors; ++i)
    mLatency[i] = (i == 0 || mShape.nOut == 0) ? 0 : MeasureLatency(*mDown[i][0], kFactors[i]);
}

int Oversampler::MeasureLatency(resamp::CDSPProcessor& down, int factor)
{
  // Single silent samples until the first output: the down path's delay at the high rate. The up path has the
  // same delay in host samples, so the pair delays by twice the down path's delay.
  double zero = 0.0;
  int count = 0;
  for (; count < kMaxMeasureCalls; ++count)
  {
    double* out = nullptr;
    if (down.Process(&zero, 1, out) > 0) break;
  }
  down.Clear();
  if (count == kMaxMeasureCalls) return 0;
  return 2 * count / factor;
}

void Oversampler::FeedSilence(Resampler* const* up, Resampler* const* down, const Shape& shape, int frames,
                              double* silence)
{
  // The effect runs as many channels up as down; a channel with only one of the two has nothing to fill.
  const int channels = std::min(shape.nIn, shape.nOut);
  for (int c = 0; c < channels; ++c)
  {
    if (!up[c] || !down[c]) continue;
    for (int fed = 0; fed < frames;)
    {
      const int n = std::min(shape.piece, frames - fed);
      fed += n;
      double* upOut = nullptr;
      const int upLength = up[c]->Process(silence, n, upOut);
      double* downOut = nullptr;
      down[c]->Process(upOut, upLength, downOut);
    }
  }
}

void Oversampler::SetFactor(int factor)
{
  if (factor == mFactor || factor > mMaxFactor) return;
  Select(factor);
  Clear();
}

void Oversampler::SetFactor(int factor, std::unique_ptr<FactorSet>& fresh)
{
  const int index = IndexOf(factor);
  if (!fresh || fresh->factor != factor || !(fresh->shape == mShape) || index < 0 || factor == mFactor ||
      factor > mMaxFactor)
  {
    SetFactor(factor);
    return;
  }
  for (int c = 0; c < kMaxChannels; ++c)
  {
    std::swap(mUp[index][c], fresh->up[c]);
    std::swap(mDown[index][c], fresh->down[c]);
  }
  std::swap(mLatency[index], fresh->latency);
  Select(factor);
}

void Oversampler::Select(int factor)
{
  const int index = IndexOf(factor);
  if (mShape.piece < 0 || (mShape.nIn > 0 && !mUp[0][0]))
  {
    mFactor = 1; // nothing built: only the host rate runs
    mCurrent = 0;
    return;
  }
  mCurrent = index > 0 ? index : 0;
  mFactor = kFactors[mCurrent];
}

Oversampler::FactorSet::~FactorSet()
{
  for (int c = 0; c < kMaxChannels; ++c)
  {
    delete up[c];
    delete down[c];
  }
}

std::unique_ptr<Oversampler::FactorSet> Oversampler::BuildFactorSet(const Shape& shape, int factor)
{
  if (IndexOf(factor) <= 0 || shape.piece < 1) return nullptr;
  try
  {
    auto set = std::make_unique<FactorSet>();
    set->factor = factor;
    set->shape = shape;
    // Cleared here, so that their memory is touched before the audio thread first runs them.
    for (int c = 0; c < shape.nIn; ++c)
    {
      set->up[c] = new Resampler(shape.sampleRate, factor * shape.sampleRate, shape.piece);
      set->up[c]->Clear();
    }
    for (int c = 0; c < shape.nOut; ++c)
    {
      set->down[c] = new Resampler(factor * shape.sampleRate, shape.sampleRate, shape.upCapacity);
      set->down[c]->Clear();
    }
    set->latency = shape.nOut > 0 ? MeasureLatency(*set->down[0], factor) : 0;
    resamp::AlignedDoubles silence;
    silence.Allocate(shape.piece);
    FeedSilence(set->up, set->down, shape, set->latency, silence.data);
    return set;
  }
  catch (...)
  {
    return nullptr; // out of memory: the switch clears the old set instead
  }
}

void Oversampler::Clear()
{
  for (int c = 0; c < mShape.nIn; ++c)
    if (mUp[mCurrent][c]) mUp[mCurrent][c]->Clear();
  for (int c = 0; c < mShape.nOut; ++c)
    if (mDown[mCurrent][c]) mDown[mCurrent][c]->Clear();
  if (mShape.nIn > 0 && mInputCopy[0].data)
  {
    // Every block writes the input copy before it reads it: until then it may hold the silence.
    double* silence = mInputCopy[0].data;
    std::fill(silence, silence + mShape.piece, 0.0);
    FeedSilence(mUp[mCurrent], mDown[mCurrent], mShape, mLatency[mCurrent], silence);
  }
}

void Oversampler::Swap(Oversampler& other) noexcept
{
  std::swap(mFactor, other.mFactor);
  std::swap(mMaxFactor, other.mMaxFactor);
  std::swap(mBlockSize, other.mBlockSize);
  std::swap(mShape, other.mShape);
  std::swap(mUpOut, other.mUpOut);
  std::swap(mDownOut, other.mDownOut);
  std::swap(mDownIn, other.mDownIn);
  for (int c = 0; c < kMaxChannels; ++c)
  {
    std::swap(mInputCopy[c].raw, other.mInputCopy[c].raw);
    std::swap(mInputCopy[c].data, other.mInputCopy[c].data);
    std::swap(mDownInBuf[c].raw, other.mDownInBuf[c].raw);
    std::swap(mDownInBuf[c].data, other.mDownInBuf[c].data);
  }
  std::swap(mUp, other.mUp);
  std::swap(mDown, other.mDown);
  std::swap(mCurrent, other.mCurrent);
  std::swap(mLatency, other.mLatency);
}

void Oversampler::Release()
{
  for (int i = 0; i < kNumFactors; ++i)
  {
    for (int c = 0; c < kMaxChannels; ++c)
    {
      delete mUp[i][c];
      delete mDown[i][c];
      mUp[i][c] = nullptr;
      mDown[i][c] = nullptr;
    }
    mLatency[i] = 0;
  }
  for (int c = 0; c < kMaxChannels; ++c)
  {
    mInputCopy[c].Free();
    mDownInBuf[c].Free();
    mUpOut[c] = mDownOut[c] = mDownIn[c] = nullptr;
  }
  mFactor = 1;
  mCurrent = 0;
  mMaxFactor = 1;
  mBlockSize = -1;
  mShape.piece = -1;
  mShape.sampleRate = -1.0;
  mShape.nIn = mShape.nOut = 0;
  mShape.upCapacity = 0;
}

int Oversampler::Up(double** inputs, int nFrames, int nChannels)
{
  const int n = std::clamp(nFrames, 0, std::max(mShape.piece, 0));
  const int channels = std::min(nChannels, mShape.nIn);
  int length = 0;
  for (int c = 0; c < channels; ++c)
  {
    double* copy = mInputCopy[c].data;
    const double* in = inputs[c];
    for (int i = 0; i < n; ++i)
    {
      const double x = in[i];
      copy[i] = std::isnan(x) ? 0.0 : std::clamp(x, -kMaxInputMagnitude, kMaxInputMagnitude);
    }
    mUpOut[c] = nullptr; // the resampler points it at its own output
    length = mUp[mCurrent][c]->Process(copy, n, mUpOut[c]);
  }
  return length;
}

int Oversampler::Down(int upLength, int nChannels)
{
  const int n = std::clamp(upLength, 0, mShape.upCapacity);
  const int channels = std::min(nChannels, mShape.nOut);
  int length = 0;
  for (int c = 0; c < channels; ++c)
    length = mDown[mCurrent][c]->Process(mDownIn[c], n, mDownOut[c]);
  return length;
}
