// A delay line of doubles: the capacity is allocated when preparing, the delay (length) may be anything up to it.
#pragma once

#include <vector>

class DelayRing
{
public:
  /// Allocates and zeroes capacity samples, position 0; a non-zero length becomes the capacity. [prepare only]
  void Resize(int capacity);
  /// Sets the delay to min(max(length, 0), capacity) samples. [any thread, under the plug-in lock]
  void SetLength(int length);
  /// Zeroes the stored samples, keeping capacity and length. [audio thread]
  void Clear();

  /// Returns the sample written `length` calls ago and stores x; with length 0 returns x. [audio thread]
  double Exchange(double x)
  {
    if (mLength <= 0) return x;
    const double y = mBuffer[mPosition];
    mBuffer[mPosition] = x;
    if (++mPosition >= mLength) mPosition = 0;
    return y;
  }
  /// Stores x without reading (nothing with length 0). [audio thread]
  void Push(double x)
  {
    if (mLength <= 0) return;
    mBuffer[mPosition] = x;
    if (++mPosition >= mLength) mPosition = 0;
  }

  int Capacity() const { return static_cast<int>(mBuffer.size()); }
  int Length() const { return mLength; }

private:
  std::vector<double> mBuffer;
  int mLength = 0;
  int mPosition = 0;
};
