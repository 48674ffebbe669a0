// Real FFT by a half-length complex radix-2 transform and a split step; FFT keeper.
#include "real_fft.h"

#include "library_state.h"

#include <cmath>
#include <cstdlib>
#include <new>

namespace resamp {

namespace {

// Twiddle doubles for the n/2-point transform: a single stage first when log2(n/2) is odd (no twiddles), then
// double stages of quarter length L = 1, 4, 16, ... (or 2, 8, ...), each with L entries (w1, w2) of four doubles.
int TwiddleDoubles(int m)
{
  int count = 0;
  int bits = 0;
  while ((1 << bits) < m)
    ++bits;
  for (int L = (bits & 1) ? 2 : 1; 4 * L <= m; L *= 4)
    count += 4 * L;
  return count;
}

} // namespace

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
    f->mSwapsRaw = std::malloc(sizeof(int) * (m + 2));
    if (!f->mSwapsRaw)
      throw std::bad_alloc();
    f->mSwaps = static_cast<int*>(f->mSwapsRaw);
    const int bits = order - 1;
    for (int i = 0; i < m; ++i) {
      int r = 0;
      for (int b = 0; b < bits; ++b)
        r |= ((i >> b) & 1) << (bits - 1 - b);
      if (r > i) {
        f->mSwaps[2 * f->mSwapCount] = i;
        f->mSwaps[2 * f->mSwapCount + 1] = r;
        ++f->mSwapCount;
      }
    }
    const int stageDoubles = TwiddleDoubles(m);
    f->mTwiddle.Allocate(stageDoubles + 2 * (m / 2 + 1));
    double* tw = f->mTwiddle.data;
    for (int L = (bits & 1) ? 2 : 1; 4 * L <= m; L *= 4) {
      for (int j = 0; j < L; ++j) {
        tw[0] = std::cos(M_PI * j / L); // w1 = e^(-2 pi i j / 2L)
        tw[1] = -std::sin(M_PI * j / L);
        tw[2] = std::cos(0.5 * M_PI * j / L); // w2 = e^(-2 pi i j / 4L)
        tw[3] = -std::sin(0.5 * M_PI * j / L);
        tw += 4;
      }
    }
    double* split = f->mTwiddle.data + stageDoubles;
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
  std::free(fft->mSwapsRaw);
  fft->~RealFft();
  std::free(fft);
}

namespace {

// Two radix-2 stages at once (halves L and 2L) on groups of 4L complex values; sign -1 forward, +1 inverse.
template <bool Inverse>
void DoubleStage(double* z, int m, int L, const double* tw)
{
  for (int i = 0; i < m; i += 4 * L) {
    double* p0 = z + 2 * i;
    double* p1 = p0 + 2 * L;
    double* p2 = p1 + 2 * L;
    double* p3 = p2 + 2 * L;
    const double* t = tw;
    for (int j = 0; j < L; ++j, t += 4) {
      const double w1r = t[0], w1i = Inverse ? -t[1] : t[1];
      const double w2r = t[2], w2i = Inverse ? -t[3] : t[3];
      const double a0r = p0[2 * j], a0i = p0[2 * j + 1];
      const double a1r = p1[2 * j], a1i = p1[2 * j + 1];
      const double a2r = p2[2 * j], a2i = p2[2 * j + 1];
      const double a3r = p3[2 * j], a3i = p3[2 * j + 1];
      const double t1r = w1r * a1r - w1i * a1i, t1i = w1r * a1i + w1i * a1r;
      const double t3r = w1r * a3r - w1i * a3i, t3i = w1r * a3i + w1i * a3r;
      const double b0r = a0r + t1r, b0i = a0i + t1i;
      const double b1r = a0r - t1r, b1i = a0i - t1i;
      const double b2r = a2r + t3r, b2i = a2i + t3i;
      const double b3r = a2r - t3r, b3i = a2i - t3i;
      const double t2r = w2r * b2r - w2i * b2i, t2i = w2r * b2i + w2i * b2r;
      const double u4r = w2r * b3r - w2i * b3i, u4i = w2r * b3i + w2i * b3r;
      // multiply by -i (forward) or +i (inverse)
      const double t4r = Inverse ? -u4i : u4i;
      const double t4i = Inverse ? u4r : -u4r;
      p0[2 * j] = b0r + t2r;
      p0[2 * j + 1] = b0i + t2i;
      p2[2 * j] = b0r - t2r;
      p2[2 * j + 1] = b0i - t2i;
      p1[2 * j] = b1r + t4r;
      p1[2 * j + 1] = b1i + t4i;
      p3[2 * j] = b1r - t4r;
      p3[2 * j + 1] = b1i - t4i;
    }
  }
}

// The first double stage (L = 1) needs no multiplications.
template <bool Inverse>
void FirstDoubleStage(double* z, int m)
{
  for (int i = 0; i < m; i += 4) {
    double* p = z + 2 * i;
    const double b0r = p[0] + p[2], b0i = p[1] + p[3];
    const double b1r = p[0] - p[2], b1i = p[1] - p[3];
    const double b2r = p[4] + p[6], b2i = p[5] + p[7];
    const double b3r = p[4] - p[6], b3i = p[5] - p[7];
    const double t4r = Inverse ? -b3i : b3i;
    const double t4i = Inverse ? b3r : -b3r;
    p[0] = b0r + b2r;
    p[1] = b0i + b2i;
    p[4] = b0r - b2r;
    p[5] = b0i - b2i;
    p[2] = b1r + t4r;
    p[3] = b1i + t4i;
    p[6] = b1r - t4r;
    p[7] = b1i - t4i;
  }
}

} // namespace

void RealFft::Complex(double* z, bool inverse) const
{
  const int m = n / 2;
  for (int s = 0; s < mSwapCount; ++s) {
    const int a = 2 * mSwaps[2 * s], b = 2 * mSwaps[2 * s + 1];
    const double tr = z[a], ti = z[a + 1];
    z[a] = z[b];
    z[a + 1] = z[b + 1];
    z[b] = tr;
    z[b + 1] = ti;
  }
  const int bits = order - 1;
  const double* tw = mTwiddle.data;
  int L = 1;
  if (bits & 1) {
    for (int i = 0; i < m; i += 2) {
      double* p = z + 2 * i;
      const double ar = p[0], ai = p[1];
      p[0] = ar + p[2];
      p[1] = ai + p[3];
      p[2] = ar - p[2];
      p[3] = ai - p[3];
    }
    L = 2;
  } else if (m >= 4) {
    if (inverse)
      FirstDoubleStage<true>(z, m);
    else
      FirstDoubleStage<false>(z, m);
    tw += 4;
    L = 4;
  }
  for (; 4 * L <= m; L *= 4) {
    if (inverse)
      DoubleStage<true>(z, m, L, tw);
    else
      DoubleStage<false>(z, m, L, tw);
    tw += 4 * L;
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
  const double* split = mTwiddle.data + TwiddleDoubles(m);
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
  const double* split = mTwiddle.data + TwiddleDoubles(m);
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
