#include "effect/dsp/delay_ring.h"

#include <cstddef>

void DelayRing::Resize(int capacity)
{
  if (capacity < 0) capacity = 0;
  mBuffer.assign(static_cast<std::size_t>(capacity), 0.0);
  mPosition = 0;
  if (mLength != 0) mLength = capacity;
}

void DelayRing::SetLength(int length)
{
  if (length < 0) length = 0;
  if (length > Capacity()) length = Capacity();
  mLength = length;
  if (mPosition >= mLength) mPosition = 0;
}

void DelayRing::Clear()
{
  for (double& v : mBuffer) v = 0.0;
  mPosition = 0;
}
