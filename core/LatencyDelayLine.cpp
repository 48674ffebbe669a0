#include "core/LatencyDelayLine.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace plug {

void LatencyDelayLine::Resize(int length)
{
  length = std::max(length, 0);
  std::vector<double> fresh;
  {
    LatencyDelayLock lock(*this);
    if (length <= mCapacity)
    {
      std::fill_n(mBuffer.begin(), static_cast<size_t>(length) * static_cast<size_t>(std::max(mNIn, 0)), 0.0);
      mLength = length;
      mPos = 0;
      return;
    }
  }
  fresh.assign(static_cast<size_t>(length) * static_cast<size_t>(std::max(mNIn, 0)), 0.0);
  {
    LatencyDelayLock lock(*this);
    mBuffer.swap(fresh);
    mLength = length;
    mCapacity = length;
    mPos = 0;
  }
  // the old buffer is freed here, outside the lock
}

void LatencyDelayLine::Reserve(int length)
{
  {
    LatencyDelayLock lock(*this);
    if (length <= mCapacity)
      return;
  }
  std::vector<double> fresh(static_cast<size_t>(length) * static_cast<size_t>(std::max(mNIn, 0)), 0.0);
  {
    LatencyDelayLock lock(*this);
    if (length <= mCapacity) // another thread made room meanwhile
      return;
    // the channels lie one after the other, mLength apart: the part in use moves over as it is
    std::copy(mBuffer.begin(), mBuffer.begin() + static_cast<std::ptrdiff_t>(mLength) * std::max(mNIn, 0), fresh.begin());
    mBuffer.swap(fresh);
    mCapacity = length;
  }
}
void LatencyDelayLine::Feed(double** inputs, int nFrames)
{
  if (mLength <= 0 || mBuffer.empty() || nFrames <= 0)
    return;
  const int nChans = std::min(mNIn, mNOut);
  for (int i = 0; i < nFrames; ++i)
  {
    for (int c = 0; c < nChans; ++c)
      mBuffer[static_cast<size_t>(c) * mLength + mPos] = inputs[c][i];
    mPos = (mPos + 1) % mLength;
  }
}

void LatencyDelayLine::PassThrough(double** inputs, double** outputs, int nFrames)
{
  for (int i = 0; i < nFrames; ++i)
  {
    for (int c = 0; c < mNIn; ++c)
    {
      double& slot = mBuffer[static_cast<size_t>(c) * mLength + mPos];
      const double in = inputs[c][i]; // read before the output is written: the buffers may be the same
      if (c < mNOut)
        outputs[c][i] = slot;
      slot = in;
    }
    mPos = (mPos + 1) % mLength;
  }
}

} // namespace plug
