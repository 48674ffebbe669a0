#include "effect/dsp/channel_buffers.h"

#include <cstring>

double** AllocChannelBuffers(int nFrames, int nChannels)
{
  if (nChannels <= 0) return nullptr;
  double** buffers = new double*[nChannels];
  for (int c = 0; c < nChannels; ++c) buffers[c] = new double[nFrames > 0 ? nFrames : 1];
  return buffers;
}

void FreeChannelBuffers(double** buffers, int nChannels)
{
  if (!buffers) return;
  for (int c = 0; c < nChannels; ++c) delete[] buffers[c];
  delete[] buffers;
}

void CopyChannelBuffers(double** src, double** dst, int nFrames, int nChannels, int dstOffset)
{
  if (!src || !dst) return;
  for (int c = 0; c < nChannels; ++c) CopyBuffer(src[c], dst[c], nFrames, dstOffset);
}

void CopyBuffer(const double* src, double* dst, int n, int dstOffset)
{
  if (!src || !dst || n <= 0) return;
  std::memmove(dst + dstOffset, src, sizeof(double) * static_cast<size_t>(n));
}

void ZeroChannelBuffers(double** buffers, int nFrames, int nChannels)
{
  if (!buffers || nFrames <= 0) return;
  for (int c = 0; c < nChannels; ++c)
    if (buffers[c]) std::memset(buffers[c], 0, sizeof(double) * static_cast<size_t>(nFrames));
}

void ZeroBelowFloor(double** buffers, int nFrames, int nChannels, double floor)
{
  if (!buffers) return;
  for (int c = 0; c < nChannels; ++c)
  {
    double* x = buffers[c];
    if (!x) continue;
    for (int i = 0; i < nFrames; ++i) x[i] = (x[i] < floor && x[i] > -floor) ? 0.0 : x[i];
  }
}
