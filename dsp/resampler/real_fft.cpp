// Real FFT by a half-length complex radix-2 transform and a split step; FFT keeper.
#include "real_fft.h"

#include "library_state.h"
#include "real_fft_wide.h"

#include <cmath>
#include <cstdlib>
#include <new>

namespace resamp {

namespace {

/// Smallest half-length transform the wide kernels handle (four groups of four in the first pass).
constexpr int kWideMinPoints = 16;

// What the kernels read of an FFT object.
struct FftTables
{
  int order;
  int n;
  const int* rev;
  const double* twiddle;
  int splitOffset;
  double* work;
  const double* wideTwiddle; ///< the wide transform's twiddles; null where it does not run
};

// Twiddle doubles for the n/2-point transform: a single stage first when log2(n/2) is odd (no twiddles), then
// double stages of quarter length L = 1, 4, 16, ... (or 2, 8, ...), each with 6 L doubles.
int TwiddleDoubles(int m, int bits)
{
  int count = 0;
  for (int L = (bits & 1) ? 2 : 1; 4 * L <= m; L *= 4)
    count += 6 * L;
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
  f->mIsa = ChosenVectorIsa();
  const int m = f->n / 2;
  const int bits = order - 1;
  try {
    f->mRevRaw = std::malloc(sizeof(int) * m);
    if (!f->mRevRaw)
      throw std::bad_alloc();
    f->mRev = static_cast<int*>(f->mRevRaw);
    for (int i = 0; i < m; ++i) {
      int r = 0;
      for (int b = 0; b < bits; ++b)
        r |= ((i >> b) & 1) << (bits - 1 - b);
      f->mRev[i] = r;
    }
    f->mSplitOffset = TwiddleDoubles(m, bits);
    f->mTwiddle.Allocate(f->mSplitOffset + 2 * (m / 2 + 1));
    double* tw = f->mTwiddle.data;
    for (int L = (bits & 1) ? 2 : 1; 4 * L <= m; L *= 4) {
      for (int j = 0; j < L; ++j) {
        for (int p = 1; p <= 3; ++p) { // W^p with W = e^(-2 pi i j / 4L)
          tw[(2 * p - 2) * L + j] = std::cos(0.5 * M_PI * p * j / L);
          tw[(2 * p - 1) * L + j] = -std::sin(0.5 * M_PI * p * j / L);
        }
      }
      tw += 6 * L;
    }
    double* cosines = f->mTwiddle.data + f->mSplitOffset;
    double* sines = cosines + (m / 2 + 1);
    for (int k = 0; k <= m / 2; ++k) {
      cosines[k] = std::cos(2.0 * M_PI * k / f->n);
      sines[k] = std::sin(2.0 * M_PI * k / f->n);
    }
    f->mWork.Allocate(4 * m);
    if (m >= kWideMinPoints) {
      f->mWideTwiddle.Allocate(widefft::TwiddleCount(m));
      widefft::MakeTwiddles(m, f->mWideTwiddle.data);
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
  std::free(fft->mRevRaw);
  fft->~RealFft();
  std::free(fft);
}

namespace {

// Two radix-2 stages at once (halves L and 2L) on groups of 4L values in split form: with W = e^(-2 pi i j / 4L)
// the second and fourth inputs are turned by W^2, the third by W and the fourth then by W again, so three
// complex multiplications serve four outputs. The loop over j runs over contiguous values and twiddles, so it
// vectorises.
template <bool Inverse>
RESAMP_KERNEL_INLINE void Butterflies(double* __restrict r0, double* __restrict r1, double* __restrict r2,
  double* __restrict r3,
  double* __restrict i0, double* __restrict i1, double* __restrict i2, double* __restrict i3, int L,
  const double* __restrict tw)
{
  const double* __restrict w1r = tw;
  const double* __restrict w1i = tw + L;
  const double* __restrict w2r = tw + 2 * L;
  const double* __restrict w2i = tw + 3 * L;
  const double* __restrict w3r = tw + 4 * L;
  const double* __restrict w3i = tw + 5 * L;
  for (int j = 0; j < L; ++j) {
    const double ar = w1r[j], ai = Inverse ? -w1i[j] : w1i[j]; // W
    const double br = w2r[j], bi = Inverse ? -w2i[j] : w2i[j]; // W^2
    const double cr = w3r[j], ci = Inverse ? -w3i[j] : w3i[j]; // W^3
    const double x1r = r1[j], x1i = i1[j], x2r = r2[j], x2i = i2[j], x3r = r3[j], x3i = i3[j];
    const double c1r = br * x1r - bi * x1i, c1i = br * x1i + bi * x1r;
    const double c2r = ar * x2r - ai * x2i, c2i = ar * x2i + ai * x2r;
    const double c3r = cr * x3r - ci * x3i, c3i = cr * x3i + ci * x3r;
    const double x0r = r0[j], x0i = i0[j];
    const double b0r = x0r + c1r, b0i = x0i + c1i;
    const double b1r = x0r - c1r, b1i = x0i - c1i;
    const double sr = c2r + c3r, si = c2i + c3i;
    const double dr = c2r - c3r, di = c2i - c3i;
    // d times -i (forward) or +i (inverse)
    const double tr = Inverse ? -di : di;
    const double ti = Inverse ? dr : -dr;
    r0[j] = b0r + sr;
    i0[j] = b0i + si;
    r2[j] = b0r - sr;
    i2[j] = b0i - si;
    r1[j] = b1r + tr;
    i1[j] = b1i + ti;
    r3[j] = b1r - tr;
    i3[j] = b1i - ti;
  }
}

// Two radix-2 stages at once (halves L and 2L) on groups of 4L values in split form: with W = e^(-2 pi i j / 4L)
// the second input is turned by W^2, the third by W and the fourth by W^3, so three complex multiplications
// serve four outputs. The loop over j runs over contiguous values and twiddles, so it vectorises.
template <bool Inverse>
RESAMP_KERNEL_INLINE void DoubleStage(double* re, double* im, int m, int L, const double* tw)
{
  for (int i = 0; i < m; i += 4 * L)
    Butterflies<Inverse>(re + i, re + i + L, re + i + 2 * L, re + i + 3 * L, im + i, im + i + L, im + i + 2 * L,
      im + i + 3 * L, L, tw);
}

} // namespace

void RealFft::Forward(double* data) const
{
  Forward(data, data);
}

void RealFft::Inverse(double* data) const
{
  Inverse(data, data);
}

namespace {

// Tells GCC that the loop below carries no dependence through memory, so it vectorises in place (the release
// build's compiler; other compilers simply keep the loop scalar).
#if defined(__GNUC__) && !defined(__clang__)
#define RESAMP_NO_LOOP_DEPENDENCE _Pragma("GCC ivdep")
#else
#define RESAMP_NO_LOOP_DEPENDENCE
#endif

// Forward split step: bins k and m - k of the real spectrum from Z[k] and Z[m - k] of the half-length transform,
// for 1 <= k < m / 2. The output may be the input: every pair is read and written by one iteration only, so the
// loop also vectorises in place.
RESAMP_KERNEL_INLINE void SplitForward(const double* zRe, const double* zIm, double* outRe, double* outIm, int m,
  const double* __restrict cosines, const double* __restrict sines)
{
  RESAMP_NO_LOOP_DEPENDENCE
  for (int k = 1; k < m / 2; ++k) {
    const int j = m - k;
    const double zr = zRe[k], zi = zIm[k];
    const double jr = zRe[j], ji = zIm[j];
    const double er = 0.5 * (zr + jr), ei = 0.5 * (zi - ji);
    const double orr = 0.5 * (zi + ji), oi = -0.5 * (zr - jr);
    const double c = cosines[k], s = sines[k];
    // P = e^(-2 pi i k / n) * Zo
    const double pr = orr * c + oi * s;
    const double pi = oi * c - orr * s;
    outRe[j] = er - pr;
    outIm[j] = -(ei - pi);
    outRe[k] = er + pr;
    outIm[k] = ei + pi;
  }
}

// Inverse split step: Z[k] and Z[m - k] of the half-length transform from bins k and m - k of the spectrum, for
// 1 <= k < m / 2 (output and input may be the same arrays, as above).
RESAMP_KERNEL_INLINE void SplitInverse(const double* xRe, const double* xIm, double* outRe, double* outIm, int m,
  const double* __restrict cosines, const double* __restrict sines)
{
  RESAMP_NO_LOOP_DEPENDENCE
  for (int k = 1; k < m / 2; ++k) {
    const int j = m - k;
    const double kr = xRe[k], ki = xIm[k];
    const double jr = xRe[j], ji = xIm[j];
    const double er = 0.5 * (kr + jr), ei = 0.5 * (ki - ji);
    const double dr = 0.5 * (kr - jr), di = 0.5 * (ki + ji);
    const double c = cosines[k], s = sines[k];
    // Fo = d * e^(+2 pi i k / n); Z[k] = Fe + i Fo, Z[j] = conj(Fe) + i conj(Fo)
    const double orr = dr * c - di * s;
    const double oi = dr * s + di * c;
    outRe[j] = er + oi;
    outIm[j] = -ei + orr;
    outRe[k] = er - oi;
    outIm[k] = ei + orr;
  }
}

// The complex transform on bit-reversed input whose first, twiddle-free pass was made while it was gathered: one
// radix-2 pass when the number of halvings is odd, else one double pass.
RESAMP_KERNEL_INLINE void Stages(const FftTables& t, double* re, double* im, bool inverse)
{
  const int m = t.n / 2;
  const int bits = t.order - 1;
  const double* tw = t.twiddle;
  int L = 1;
  if (bits & 1) {
    L = 2;
  } else if (m >= 4) {
    tw += 6;
    L = 4;
  }
  for (; 4 * L <= m; L *= 4) {
    if (inverse)
      DoubleStage<true>(re, im, m, L, tw);
    else
      DoubleStage<false>(re, im, m, L, tw);
    tw += 6 * L;
  }
}

RESAMP_KERNEL_INLINE void SplitForwardTail(const FftTables& t, const double* re, const double* im, double* outRe,
  double* outIm);

RESAMP_KERNEL_INLINE void ForwardSplitBody(const FftTables& t, const double* data, double* outRe, double* outIm)
{
  const int m = t.n / 2;
  const int* mRev = t.rev;
  double* re = t.work;
  double* im = re + m;
  // The bit-reversed gather of the input and the first, twiddle-free pass in one sweep.
  const int bits = t.order - 1;
  if (bits & 1) {
    for (int i = 0; i < m; i += 2) {
      const double* a = data + 2 * mRev[i];
      const double* b = data + 2 * mRev[i + 1];
      re[i] = a[0] + b[0];
      im[i] = a[1] + b[1];
      re[i + 1] = a[0] - b[0];
      im[i + 1] = a[1] - b[1];
    }
  } else if (m >= 4) {
    for (int i = 0; i < m; i += 4) {
      const double* x0 = data + 2 * mRev[i];
      const double* x1 = data + 2 * mRev[i + 1];
      const double* x2 = data + 2 * mRev[i + 2];
      const double* x3 = data + 2 * mRev[i + 3];
      const double b0r = x0[0] + x1[0], b0i = x0[1] + x1[1];
      const double b1r = x0[0] - x1[0], b1i = x0[1] - x1[1];
      const double b2r = x2[0] + x3[0], b2i = x2[1] + x3[1];
      const double b3r = x2[0] - x3[0], b3i = x2[1] - x3[1];
      re[i] = b0r + b2r;
      im[i] = b0i + b2i;
      re[i + 2] = b0r - b2r;
      im[i + 2] = b0i - b2i;
      re[i + 1] = b1r + b3i; // b3 times -i
      im[i + 1] = b1i - b3r;
      re[i + 3] = b1r - b3i;
      im[i + 3] = b1i + b3r;
    }
  } else {
    for (int j = 0; j < m; ++j) {
      re[mRev[j]] = data[2 * j];
      im[mRev[j]] = data[2 * j + 1];
    }
  }
  Stages(t, re, im, false);
  SplitForwardTail(t, re, im, outRe, outIm);
}

// From the half-length transform Z (re, im) to the spectrum of the real input.
RESAMP_KERNEL_INLINE void SplitForwardTail(const FftTables& t, const double* re, const double* im, double* outRe,
  double* outIm)
{
  const int m = t.n / 2;
  const double* cosines = t.twiddle + t.splitOffset;
  const double* sines = cosines + (m / 2 + 1);
  SplitForward(re, im, outRe, outIm, m, cosines, sines);
  if (m >= 2) { // the middle bin pairs with itself
    const int k = m / 2;
    const double zr = re[k], zi = im[k];
    const double er = 0.5 * (zr + zr), ei = 0.5 * (zi - zi);
    const double orr = 0.5 * (zi + zi), oi = -0.5 * (zr - zr);
    const double c = cosines[k], s = sines[k];
    const double pr = orr * c + oi * s;
    const double pi = oi * c - orr * s;
    outRe[k] = er + pr;
    outIm[k] = ei + pi;
  }
  const double z0r = re[0], z0i = im[0];
  outRe[0] = z0r + z0i; // DC
  outIm[0] = z0r - z0i; // Nyquist
}

// From the spectrum of a real signal to the half-length spectrum Z (sr, si), natural order.
RESAMP_KERNEL_INLINE void InverseSplitHead(const FftTables& t, const double* inRe, const double* inIm, double* sr,
  double* si)
{
  const int m = t.n / 2;
  const double* cosines = t.twiddle + t.splitOffset;
  const double* sines = cosines + (m / 2 + 1);
  const double x0 = inRe[0];
  const double xm = inIm[0];
  SplitInverse(inRe, inIm, sr, si, m, cosines, sines);
  if (m >= 2) { // the middle bin pairs with itself
    const int k = m / 2;
    const double kr = inRe[k], ki = inIm[k];
    const double er = 0.5 * (kr + kr), ei = 0.5 * (ki - ki);
    const double dr = 0.5 * (kr - kr), di = 0.5 * (ki + ki);
    const double c = cosines[k], s = sines[k];
    const double orr = dr * c - di * s;
    const double oi = dr * s + di * c;
    sr[k] = er - oi;
    si[k] = ei + orr;
  }
  sr[0] = 0.5 * (x0 + xm);
  si[0] = 0.5 * (x0 - xm);
}

RESAMP_KERNEL_INLINE void InverseSplitBody(const FftTables& t, const double* inRe, const double* inIm, double* dst)
{
  const int m = t.n / 2;
  const int* mRev = t.rev;
  double* re = t.work;
  double* im = re + m;
  double* sr = im + m; // the half-length spectrum Z, natural order
  double* si = sr + m;
  InverseSplitHead(t, inRe, inIm, sr, si);
  // Bit reversal is its own inverse, so a gather puts Z in the order the stages read; it is made together with
  // the first, twiddle-free pass.
  const int bits = t.order - 1;
  if (bits & 1) {
    for (int i = 0; i < m; i += 2) {
      const int a = mRev[i], b = mRev[i + 1];
      re[i] = sr[a] + sr[b];
      im[i] = si[a] + si[b];
      re[i + 1] = sr[a] - sr[b];
      im[i + 1] = si[a] - si[b];
    }
  } else if (m >= 4) {
    for (int i = 0; i < m; i += 4) {
      const int a0 = mRev[i], a1 = mRev[i + 1], a2 = mRev[i + 2], a3 = mRev[i + 3];
      const double b0r = sr[a0] + sr[a1], b0i = si[a0] + si[a1];
      const double b1r = sr[a0] - sr[a1], b1i = si[a0] - si[a1];
      const double b2r = sr[a2] + sr[a3], b2i = si[a2] + si[a3];
      const double b3r = sr[a2] - sr[a3], b3i = si[a2] - si[a3];
      re[i] = b0r + b2r;
      im[i] = b0i + b2i;
      re[i + 2] = b0r - b2r;
      im[i + 2] = b0i - b2i;
      re[i + 1] = b1r - b3i; // b3 times +i
      im[i + 1] = b1i + b3r;
      re[i + 3] = b1r + b3i;
      im[i + 3] = b1i - b3r;
    }
  } else {
    for (int i = 0; i < m; ++i) {
      re[i] = sr[mRev[i]];
      im[i] = si[mRev[i]];
    }
  }
  Stages(t, re, im, true);
  for (int j = 0; j < m; ++j) {
    dst[2 * j] = re[j];
    dst[2 * j + 1] = im[j];
  }
}


void ForwardSplitBaseline(const FftTables& t, const double* src, double* re, double* im)
{
  ForwardSplitBody(t, src, re, im);
}

void InverseSplitBaseline(const FftTables& t, const double* re, const double* im, double* dst)
{
  InverseSplitBody(t, re, im, dst);
}

RESAMP_WIDE_TARGET void ForwardSplitWide(const FftTables& t, const double* src, double* outRe, double* outIm)
{
  if (!t.wideTwiddle) {
    ForwardSplitBody(t, src, outRe, outIm);
    return;
  }
  const int m = t.n / 2;
  double* re = t.work;
  double* im = re + m;
  widefft::Forward(src, re, im, m, t.rev, t.wideTwiddle);
  SplitForwardTail(t, re, im, outRe, outIm);
}

RESAMP_WIDE_TARGET void InverseSplitWide(const FftTables& t, const double* inRe, const double* inIm, double* dst)
{
  if (!t.wideTwiddle) {
    InverseSplitBody(t, inRe, inIm, dst);
    return;
  }
  const int m = t.n / 2;
  double* re = t.work;
  double* im = re + m;
  double* sr = im + m;
  double* si = sr + m;
  InverseSplitHead(t, inRe, inIm, sr, si);
  widefft::Inverse(sr, si, re, im, dst, m, t.rev, t.wideTwiddle);
}

} // namespace

void RealFft::Forward(const double* src, double* dst) const
{
  const int m = n / 2;
  double* re = mWork.data;
  double* im = re + m;
  ForwardSplit(src, re, im);
  // Packed layout: DC, Nyquist, then re, im of bins 1 .. m - 1.
  for (int k = 0; k < m; ++k) {
    dst[2 * k] = re[k];
    dst[2 * k + 1] = im[k];
  }
}

void RealFft::Inverse(const double* src, double* dst) const
{
  const int m = n / 2;
  double* sr = mWork.data + 2 * m;
  double* si = sr + m;
  for (int k = 0; k < m; ++k) {
    sr[k] = src[2 * k];
    si[k] = src[2 * k + 1];
  }
  InverseSplit(sr, si, dst);
}

void RealFft::ForwardSplit(const double* src, double* re, double* im) const
{
  const FftTables t{ order, n, mRev, mTwiddle.data, mSplitOffset, mWork.data, mWideTwiddle.data };
  if (mIsa == VectorIsa::kWide)
    ForwardSplitWide(t, src, re, im);
  else
    ForwardSplitBaseline(t, src, re, im);
}

void RealFft::ForwardHalf(const double* src, double* re, double* im) const
{
  widefft::Forward(src, re, im, n / 2, mRev, mWideTwiddle.data);
}

void RealFft::InverseHalf(const double* re, const double* im, double* dst) const
{
  widefft::Inverse(re, im, mWork.data, mWork.data + n / 2, dst, n / 2, mRev, mWideTwiddle.data);
}

void RealFft::InverseSplit(const double* re, const double* im, double* dst) const
{
  const FftTables t{ order, n, mRev, mTwiddle.data, mSplitOffset, mWork.data, mWideTwiddle.data };
  if (mIsa == VectorIsa::kWide)
    InverseSplitWide(t, re, im, dst);
  else
    InverseSplitBaseline(t, re, im, dst);
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
    f->mIsa = ChosenVectorIsa(); // no one else holds it: it takes the kernels chosen now
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
