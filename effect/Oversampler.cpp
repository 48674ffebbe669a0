#include "effect/Oversampler.h"

#include <cmath>

void Oversampler::Build(int factor, int maxFactor, int blockSize, int nIn, int nOut, int nBuf, double sampleRate)
{
  if (maxFactor > kFactors[kNumFactors - 1]) return;
  if (blockSize == mBlockSize && std::trunc(sampleRate) == std::trunc(mSampleRate))
  {
    SetFactor(factor);
    return;
  }
  Release();
  mMaxFactor = maxFactor;
  mBlockSize = blockSize;
  mSampleRate = sampleRate;
  // Only the factor-1 set exists (it needs no resampler and adds no latency).
  for (int& l : mLatency) l = 0;
  mFactor = -1;
  SetFactor(factor);
}

void Oversampler::SetFactor(int factor)
{
  // Factor 1 is the only one built, so every request selects it.
  mFactor = 1;
  (void)factor;
}

void Oversampler::Release()
{
  mUpOut = mDownIn = mDownOut = nullptr;
}

int Oversampler::Latency() const
{
  for (int i = 0; i < kNumFactors; ++i)
    if (kFactors[i] == mFactor) return mLatency[i];
  return 0;
}

int Oversampler::Up(double** inputs, int nFrames, int nChannels) { return 0; }

int Oversampler::Down(int upLength, int nChannels) { return 0; }
