// Real FFT by a half-length complex radix-2 transform and a split step; FFT keeper.
#include "real_fft.h"

#include "library_state.h"

#include <cmath>
#include <cstdlib>
#include <new>

namespace resamp {

RealFft* RealFft::Create(int order)
{
  if (order < 1 || order > kMaxOrder)
    return nullptr;
  void* mem = std::malloc(sizeof(RealFft));
  if (!mem)
    throw std::bad_alloc();
  RealFft* f = new (mem) RealFft();
  f->order = order;
  f->n = 1 << order;
  f->inverseScale = 2.0 / f->n;
  const int m = f->n / 2;
  try {
    f->mBitRevRaw = std::malloc(sizeof(int) * m + 32);
    if (!f->mBitRevRaw)
      throw std::bad_alloc();
    f->mBitRev = static_cast<int*>(f->mBitRevRaw);
    const int bits = order - 1;
    for (int i = 0; i < m; ++i) {
      int r = 0;
      for (int b = 0; b < bits; ++b)
        r |= ((i >> b) & 1) << (bits - 1 - b);
      f->mBitRev[i] = r;
    }
    // m/2 pairs for the complex transform, then m/2 + 1 pairs for the split step.
    f->mTwiddle.Allocate(2 * (m / 2) + 2 * (m / 2 + 1));
    double* tw = f->mTwiddle.data;
    for (int k = 0; k < m / 2; ++k) {
      tw[2 * k] = std::cos(2.0 * M_PI * k / m);
      tw[2 * k + 1] = std::sin(2.0 * M_PI * k / m);
    }
    double* split = tw + 2 * (m / 2);
    for (int k = 0; k <= m / 2; ++k) {
      split[2 * k] = std::cos(2.0 * M_PI * k / f->n);
      split[2 * k + 1] = std::sin(2.0 * M_PI * k / f->n);
    }
  } catch (...) {
    Destroy(f);
    throw;
  }
  return f;
}

void RealFft::Destroy(RealFft* fft)
{
  if (!fft)
    return;
  std::free(fft->mBitRevRaw);
  fft->~RealFft();
  std::free(fft);
}

void RealFft::Complex(double* z, bool inverse) const
{
  const int m = n / 2;
  for (int i = 0; i < m; ++i) {
    const int r = mBitRev[i];
    if (r > i) {
      double t = z[2 * i];
      z[2 * i] = z[2 * r];
      z[2 * r] = t;
      t = z[2 * i + 1];
      z[2 * i + 1] = z[2 * r + 1];
      z[2 * r + 1] = t;
    }
  }
  const double* tw = mTwiddle.data;
  const double sign = inverse ? 1.0 : -1.0;
  for (int len = 2; len <= m; len <<= 1) {
    const int half = len / 2;
    const int step = m / len;
    for (int i = 0; i < m; i += len) {
      double* a = z + 2 * i;
      double* b = a + 2 * half;
      for (int j = 0; j < half; ++j) {
        const double wr = tw[2 * j * step];
        const double wi = sign * tw[2 * j * step + 1];
        const double vr = b[2 * j] * wr - b[2 * j + 1] * wi;
        const double vi = b[2 * j] * wi + b[2 * j + 1] * wr;
        const double ur = a[2 * j];
        const double ui = a[2 * j + 1];
        a[2 * j] = ur + vr;
        a[2 * j + 1] = ui + vi;
        b[2 * j] = ur - vr;
        b[2 * j + 1] = ui - vi;
      }
    }
  }
}

void RealFft::Forward(double* data) const
{
  const int m = n / 2;
  Complex(data, false);
  const double a = data[0];
  const double b = data[1];
  data[0] = a + b;
  data[1] = a - b;
  const double* split = mTwiddle.data + 2 * (m / 2);
  for (int k = 1; k <= m / 2; ++k) {
    const int j = m - k;
    const double zr = data[2 * k], zi = data[2 * k + 1];
    const double jr = data[2 * j], ji = data[2 * j + 1];
    const double er = 0.5 * (zr + jr), ei = 0.5 * (zi - ji);
    const double orr = 0.5 * (zi + ji), oi = -0.5 * (zr - jr);
    const double c = split[2 * k], s = split[2 * k + 1];
    // P = e^(-2 pi i k / n) * Zo
    const double pr = orr * c + oi * s;
    const double pi = oi * c - orr * s;
    data[2 * k] = er + pr;
    data[2 * k + 1] = ei + pi;
    if (j != k) {
      data[2 * j] = er - pr;
      data[2 * j + 1] = -(ei - pi);
    }
  }
}

void RealFft::Inverse(double* data) const
{
  const int m = n / 2;
  const double x0 = data[0];
  const double xm = data[1];
  data[0] = 0.5 * (x0 + xm);
  data[1] = 0.5 * (x0 - xm);
  const double* split = mTwiddle.data + 2 * (m / 2);
  for (int k = 1; k <= m / 2; ++k) {
    const int j = m - k;
    const double kr = data[2 * k], ki = data[2 * k + 1];
    const double jr = data[2 * j], ji = data[2 * j + 1];
    const double er = 0.5 * (kr + jr), ei = 0.5 * (ki - ji);
    const double dr = 0.5 * (kr - jr), di = 0.5 * (ki + ji);
    const double c = split[2 * k], s = split[2 * k + 1];
    // Fo = d * e^(+2 pi i k / n)
    const double orr = dr * c - di * s;
    const double oi = dr * s + di * c;
    // Z[k] = Fe + i Fo, Z[j] = conj(Fe) + i conj(Fo)
    data[2 * k] = er - oi;
    data[2 * k + 1] = ei + orr;
    if (j != k) {
      data[2 * j] = er + oi;
      data[2 * j + 1] = -ei + orr;
    }
  }
  Complex(data, true);
}

namespace FftKeeper {

RealFft* Get(int order)
{
  if (order < 1 || order > RealFft::kMaxOrder)
    return nullptr;
  LibraryState& st = State();
  std::lock_guard<std::recursive_mutex> lock(st.fftMutex);
  if (RealFft* f = st.freeFfts[order]) {
    st.freeFfts[order] = f->next;
    f->next = nullptr;
    return f;
  }
  RealFft* f = RealFft::Create(order);
  ++st.fftCreated;
  return f;
}

void Put(RealFft* fft)
{
  if (!fft)
    return;
  LibraryState& st = State();
  std::lock_guard<std::recursive_mutex> lock(st.fftMutex);
  fft->next = st.freeFfts[fft->order];
  st.freeFfts[fft->order] = fft;
}

int CreatedCount()
{
  LibraryState& st = State();
  std::lock_guard<std::recursive_mutex> lock(st.fftMutex);
  return st.fftCreated;
}

} // namespace FftKeeper
} // namespace resamp
