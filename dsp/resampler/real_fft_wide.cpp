// Decimation in time on bit-reversed input: a radix-4 pass combines four transforms of L points into one of 4L;
// the first pass (L = 1) needs no twiddles and is made while gathering the input in bit-reversed order.
#include "real_fft_wide.h"

#include "vector_isa.h"

#include <cmath>
#include <immintrin.h>

namespace resamp {
namespace widefft {
namespace {

// Per radix-4 pass with L >= 4: W, W^2, W^3 (W = e^(-2 pi i j / 4L)), real and imaginary parts, L values each.
// With an odd number of bits a radix-2 pass over halves of m / 2 follows: e^(-2 pi i j / m), j < m / 2.

struct V2
{
  __m256d r, i;
};

RESAMP_WIDE_TARGET inline V2 Add(V2 a, V2 b) { return { _mm256_add_pd(a.r, b.r), _mm256_add_pd(a.i, b.i) }; }
RESAMP_WIDE_TARGET inline V2 Sub(V2 a, V2 b) { return { _mm256_sub_pd(a.r, b.r), _mm256_sub_pd(a.i, b.i) }; }

// w * x, or conj(w) * x for the inverse
template <bool Inverse>
RESAMP_WIDE_TARGET inline V2 Turn(__m256d wr, __m256d wi, V2 x)
{
  if (Inverse)
    return { _mm256_fmadd_pd(wr, x.r, _mm256_mul_pd(wi, x.i)), _mm256_fmsub_pd(wr, x.i, _mm256_mul_pd(wi, x.r)) };
  return { _mm256_fmsub_pd(wr, x.r, _mm256_mul_pd(wi, x.i)), _mm256_fmadd_pd(wr, x.i, _mm256_mul_pd(wi, x.r)) };
}

// d times -i (forward) or +i (inverse)
template <bool Inverse>
RESAMP_WIDE_TARGET inline V2 Quarter(V2 d)
{
  const __m256d sign = _mm256_set1_pd(-0.0);
  if (Inverse)
    return { _mm256_xor_pd(d.i, sign), d.r };
  return { d.i, _mm256_xor_pd(d.r, sign) };
}

// The four outputs of a radix-4 butterfly whose inputs are already turned: x0, x1 (W^2), x2 (W), x3 (W^3).
template <bool Inverse>
RESAMP_WIDE_TARGET inline void Butterfly(V2 x0, V2 c1, V2 c2, V2 c3, V2& y0, V2& y1, V2& y2, V2& y3)
{
  const V2 b0 = Add(x0, c1), b1 = Sub(x0, c1);
  const V2 s = Add(c2, c3);
  const V2 t = Quarter<Inverse>(Sub(c2, c3));
  y0 = Add(b0, s);
  y2 = Sub(b0, s);
  y1 = Add(b1, t);
  y3 = Sub(b1, t);
}

RESAMP_WIDE_TARGET inline void Transpose(__m256d& a, __m256d& b, __m256d& c, __m256d& d)
{
  const __m256d t0 = _mm256_unpacklo_pd(a, b); // a0 b0 a2 b2
  const __m256d t1 = _mm256_unpackhi_pd(a, b); // a1 b1 a3 b3
  const __m256d t2 = _mm256_unpacklo_pd(c, d);
  const __m256d t3 = _mm256_unpackhi_pd(c, d);
  a = _mm256_permute2f128_pd(t0, t2, 0x20); // a0 b0 c0 d0
  b = _mm256_permute2f128_pd(t1, t3, 0x20);
  c = _mm256_permute2f128_pd(t0, t2, 0x31);
  d = _mm256_permute2f128_pd(t1, t3, 0x31);
}

// Four complex values from interleaved pairs.
RESAMP_WIDE_TARGET inline V2 LoadInterleaved(const double* p)
{
  const __m256d a = _mm256_loadu_pd(p), b = _mm256_loadu_pd(p + 4);
  return { _mm256_permute4x64_pd(_mm256_unpacklo_pd(a, b), 0xD8),
    _mm256_permute4x64_pd(_mm256_unpackhi_pd(a, b), 0xD8) };
}

// Four complex values stored as interleaved pairs at p.
RESAMP_WIDE_TARGET inline void StoreInterleaved(double* p, V2 v)
{
  const __m256d lo = _mm256_unpacklo_pd(v.r, v.i); // r0 i0 r2 i2
  const __m256d hi = _mm256_unpackhi_pd(v.r, v.i); // r1 i1 r3 i3
  _mm256_storeu_pd(p, _mm256_permute2f128_pd(lo, hi, 0x20));
  _mm256_storeu_pd(p + 4, _mm256_permute2f128_pd(lo, hi, 0x31));
}

// Where a pass writes: back in place into re/im, or (the last pass of the inverse) as interleaved pairs to out.
struct SplitOut
{
  double* re;
  double* im;
  RESAMP_WIDE_TARGET void operator()(int k, V2 v) const
  {
    _mm256_storeu_pd(re + k, v.r);
    _mm256_storeu_pd(im + k, v.i);
  }
};

struct InterleavedOut
{
  double* out;
  RESAMP_WIDE_TARGET void operator()(int k, V2 v) const { StoreInterleaved(out + 2 * k, v); }
};

RESAMP_WIDE_TARGET inline V2 LoadSplit(const double* r, const double* i, int k)
{
  return { _mm256_loadu_pd(r + k), _mm256_loadu_pd(i + k) };
}

// Where the first pass reads: complex values as interleaved pairs (forward) or in split arrays (inverse).
struct InterleavedIn
{
  const double* src;
  RESAMP_WIDE_TARGET V2 operator()(int k) const { return LoadInterleaved(src + 2 * k); }
};

struct SplitIn
{
  const double* re;
  const double* im;
  RESAMP_WIDE_TARGET V2 operator()(int k) const { return LoadSplit(re, im, k); }
};

// The first pass: the output group starting at rev(r) (r < m/4) reads the inputs at r, r + m/2, r + m/4 and
// r + 3m/4. Four consecutive r are handled at once and their groups written after a transpose.
template <bool Inverse, typename Load>
RESAMP_WIDE_TARGET inline void FirstPass(Load load, double* re, double* im, int m, const int* rev)
{
  const int q = m / 4;
  for (int r = 0; r < q; r += 4) {
    const V2 x0 = load(r), x1 = load(r + 2 * q), x2 = load(r + q), x3 = load(r + 3 * q);
    V2 y0, y1, y2, y3;
    Butterfly<Inverse>(x0, x1, x2, x3, y0, y1, y2, y3);
    Transpose(y0.r, y1.r, y2.r, y3.r);
    Transpose(y0.i, y1.i, y2.i, y3.i);
    // lane u after the transpose is the group of r + u, which starts at rev(r + u) (a multiple of 4)
    const int g0 = rev[r], g1 = rev[r + 1], g2 = rev[r + 2], g3 = rev[r + 3];
    _mm256_storeu_pd(re + g0, y0.r);
    _mm256_storeu_pd(im + g0, y0.i);
    _mm256_storeu_pd(re + g1, y1.r);
    _mm256_storeu_pd(im + g1, y1.i);
    _mm256_storeu_pd(re + g2, y2.r);
    _mm256_storeu_pd(im + g2, y2.i);
    _mm256_storeu_pd(re + g3, y3.r);
    _mm256_storeu_pd(im + g3, y3.i);
  }
}

// The first two passes at once (m >= 64): sixteen-point transforms. Lane u of r handles the block starting at
// rev(r + u) (a multiple of 16, r + u < m/16); its four groups of the first pass start 4t later and read the
// inputs at r + u + o_t (+ 0, m/2, m/4, 3m/4) with o_t = 0, m/8, m/16, 3m/16. The second pass's twiddles
// (L = 4) are the same for every block.
template <bool Inverse, typename Load>
RESAMP_WIDE_TARGET inline void FirstTwoPasses(Load load, double* re, double* im, int m, const int* rev,
  const double* tw4)
{
  const int q = m / 4;
  const int offsets[4] = { 0, m / 8, m / 16, 3 * m / 16 };
  for (int r = 0; r < m / 16; r += 4) {
    V2 y[4][4]; // y[t][k]: output k of group t
    for (int t = 0; t < 4; ++t) {
      const int b = r + offsets[t];
      Butterfly<Inverse>(load(b), load(b + 2 * q), load(b + q), load(b + 3 * q), y[t][0], y[t][1], y[t][2], y[t][3]);
    }
    V2 z[4][4]; // z[p][j]: output at 4p + j of the block
    for (int j = 0; j < 4; ++j) {
      const V2 c1 = Turn<Inverse>(_mm256_set1_pd(tw4[8 + j]), _mm256_set1_pd(tw4[12 + j]), y[1][j]);
      const V2 c2 = Turn<Inverse>(_mm256_set1_pd(tw4[j]), _mm256_set1_pd(tw4[4 + j]), y[2][j]);
      const V2 c3 = Turn<Inverse>(_mm256_set1_pd(tw4[16 + j]), _mm256_set1_pd(tw4[20 + j]), y[3][j]);
      Butterfly<Inverse>(y[0][j], c1, c2, c3, z[0][j], z[1][j], z[2][j], z[3][j]);
    }
    const int start[4] = { rev[r], rev[r + 1], rev[r + 2], rev[r + 3] };
    for (int p = 0; p < 4; ++p) {
      Transpose(z[p][0].r, z[p][1].r, z[p][2].r, z[p][3].r);
      Transpose(z[p][0].i, z[p][1].i, z[p][2].i, z[p][3].i);
      for (int u = 0; u < 4; ++u) {
        _mm256_storeu_pd(re + start[u] + 4 * p, z[p][u].r);
        _mm256_storeu_pd(im + start[u] + 4 * p, z[p][u].i);
      }
    }
  }
}

template <bool Inverse, typename Out>
RESAMP_WIDE_TARGET inline void Radix4Pass(double* re, double* im, int m, int L, const double* tw, Out out)
{
  const double* w1r = tw;
  const double* w1i = tw + L;
  const double* w2r = tw + 2 * L;
  const double* w2i = tw + 3 * L;
  const double* w3r = tw + 4 * L;
  const double* w3i = tw + 5 * L;
  for (int g = 0; g < m; g += 4 * L) {
    const double* r0 = re + g;
    const double* i0 = im + g;
    for (int j = 0; j < L; j += 4) {
      const V2 x0 = LoadSplit(r0, i0, j);
      const V2 c1 = Turn<Inverse>(_mm256_loadu_pd(w2r + j), _mm256_loadu_pd(w2i + j), LoadSplit(r0, i0, j + L));
      const V2 c2 = Turn<Inverse>(_mm256_loadu_pd(w1r + j), _mm256_loadu_pd(w1i + j), LoadSplit(r0, i0, j + 2 * L));
      const V2 c3 = Turn<Inverse>(_mm256_loadu_pd(w3r + j), _mm256_loadu_pd(w3i + j), LoadSplit(r0, i0, j + 3 * L));
      V2 y0, y1, y2, y3;
      Butterfly<Inverse>(x0, c1, c2, c3, y0, y1, y2, y3);
      out(g + j, y0);
      out(g + j + L, y1);
      out(g + j + 2 * L, y2);
      out(g + j + 3 * L, y3);
    }
  }
}

template <bool Inverse, typename Out>
RESAMP_WIDE_TARGET inline void Radix2LastPass(double* re, double* im, int m, const double* tw, Out out)
{
  const int L = m / 2;
  for (int j = 0; j < L; j += 4) {
    const V2 x0 = LoadSplit(re, im, j);
    const V2 c = Turn<Inverse>(_mm256_loadu_pd(tw + j), _mm256_loadu_pd(tw + L + j), LoadSplit(re, im, j + L));
    out(j, Add(x0, c));
    out(j + L, Sub(x0, c));
  }
}

// The whole transform from the bit-reversed gather on; the last pass writes through `last`.
template <bool Inverse, typename Load, typename Out>
RESAMP_WIDE_TARGET inline void Transform(Load load, double* re, double* im, int m, const int* rev, const double* tw,
  Out last)
{
  const SplitOut inPlace{ re, im };
  int L = 4;
  if (m >= 64) {
    FirstTwoPasses<Inverse>(load, re, im, m, rev, tw);
    tw += 6 * L;
    L = 16;
  } else {
    FirstPass<Inverse>(load, re, im, m, rev);
  }
  for (; 4 * L <= m; L *= 4) {
    if (4 * L == m)
      Radix4Pass<Inverse>(re, im, m, L, tw, last);
    else
      Radix4Pass<Inverse>(re, im, m, L, tw, inPlace);
    tw += 6 * L;
  }
  if (L < m)
    Radix2LastPass<Inverse>(re, im, m, tw, last);
}

} // namespace

int TwiddleCount(int m)
{
  int count = 0;
  int L = 4;
  for (; 4 * L <= m; L *= 4)
    count += 6 * L;
  if (L < m)
    count += m; // radix-2 pass: m / 2 real and m / 2 imaginary parts
  return count;
}

void MakeTwiddles(int m, double* tw)
{
  int L = 4;
  for (; 4 * L <= m; L *= 4) {
    for (int j = 0; j < L; ++j) {
      for (int p = 1; p <= 3; ++p) { // W^p with W = e^(-2 pi i j / 4L)
        tw[(2 * p - 2) * L + j] = std::cos(0.5 * M_PI * p * j / L);
        tw[(2 * p - 1) * L + j] = -std::sin(0.5 * M_PI * p * j / L);
      }
    }
    tw += 6 * L;
  }
  if (L < m) {
    const int h = m / 2;
    for (int j = 0; j < h; ++j) {
      tw[j] = std::cos(2.0 * M_PI * j / m);
      tw[h + j] = -std::sin(2.0 * M_PI * j / m);
    }
  }
}

RESAMP_WIDE_TARGET void Forward(const double* src, double* re, double* im, int m, const int* rev, const double* tw)
{
  Transform<false>(InterleavedIn{ src }, re, im, m, rev, tw, SplitOut{ re, im });
}

RESAMP_WIDE_TARGET void Inverse(const double* sr, const double* si, double* re, double* im, double* out, int m,
  const int* rev, const double* tw)
{
  Transform<true>(SplitIn{ sr, si }, re, im, m, rev, tw, InterleavedOut{ out });
}

} // namespace widefft
} // namespace resamp
