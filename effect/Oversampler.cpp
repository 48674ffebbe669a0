#include "effect/Oversampler.h"

#include <algorithm>
#include <cmath>
#include <new>

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

void Oversampler::Build(int factor, int maxFactor, int blockSize, int nIn, int nOut, int nBuf, double sampleRate)
{
  (void)nBuf;
  if (maxFactor > kFactors[kNumFactors - 1]) return;
  if (blockSize == mBlockSize && std::trunc(sampleRate) == std::trunc(mSampleRate))
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
  mSampleRate = sampleRate;
  mBlockSize = blockSize;
  mNIn = std::clamp(nIn, 0, kMaxChannels);
  mNOut = std::clamp(nOut, 0, kMaxChannels);
  const int block = std::clamp(blockSize, 1, kMaxPiece);
  mPiece = block;
  mUpCapacity = mMaxFactor * block;

  for (int c = 0; c < mNIn; ++c)
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
  for (int c = 0; c < mNOut; ++c)
  {
    mDownInBuf[c].Allocate(mUpCapacity);
    mDownIn[c] = mDownInBuf[c].data;
    for (int i = 0; i < kNumFactors; ++i)
    {
      delete mDown[i][c];
      mDown[i][c] = nullptr;
      mDown[i][c] = new Resampler(kFactors[i] * sampleRate, sampleRate, mUpCapacity);
      mDown[i][c]->Clear();
    }
  }
  for (int i = 0; i < kNumFactors; ++i)
    mLatency[i] = (i == 0 || mNOut == 0) ? 0 : MeasureLatency(*mDown[i][0], kFactors[i]);
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

void Oversampler::SetFactor(int factor)
{
  const int index = IndexOf(factor);
  if (factor == mFactor || factor > mMaxFactor) return;
  if (mPiece < 0 || (mNIn > 0 && !mUp[0][0]))
  {
    mFactor = 1; // nothing built: only the host rate runs
    mCurrent = 0;
    return;
  }
  mCurrent = index > 0 ? index : 0;
  mFactor = kFactors[mCurrent];
  for (int i = 0; i < kNumFactors; ++i)
  {
    for (int c = 0; c < mNIn; ++c)
      if (mUp[i][c]) mUp[i][c]->Clear();
    for (int c = 0; c < mNOut; ++c)
      if (mDown[i][c]) mDown[i][c]->Clear();
  }
}

void Oversampler::Clear()
{
  for (int c = 0; c < mNIn; ++c)
    if (mUp[mCurrent][c]) mUp[mCurrent][c]->Clear();
  for (int c = 0; c < mNOut; ++c)
    if (mDown[mCurrent][c]) mDown[mCurrent][c]->Clear();
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
  mPiece = -1;
  mSampleRate = -1.0;
  mNIn = mNOut = 0;
  mUpCapacity = 0;
}

int Oversampler::Up(double** inputs, int nFrames, int nChannels)
{
  const int n = std::clamp(nFrames, 0, std::max(mPiece, 0));
  const int channels = std::min(nChannels, mNIn);
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
  const int n = std::clamp(upLength, 0, mUpCapacity);
  const int channels = std::min(nChannels, mNOut);
  int length = 0;
  for (int c = 0; c < channels; ++c)
    length = mDown[mCurrent][c]->Process(mDownIn[c], n, mDownOut[c]);
  return length;
}
