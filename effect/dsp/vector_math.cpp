#include "effect/dsp/vector_math.h"

#include <immintrin.h>

// The vector variants of the C library (x86-64 vector function ABI): "b" takes two doubles in an SSE register
// (every x86-64), "d" four in an AVX2 register. Each value goes through the same variant whatever the count, so
// that one value always gives one result.
extern "C" __m128d _ZGVbN2v_cos(__m128d);
extern "C" __m128d _ZGVbN2v_sin(__m128d);
extern "C" __m128d _ZGVbN2v_exp(__m128d);
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_cos(__m256d);

namespace vector_math {
namespace {

constexpr double kHalfPi = 1.5707963267948966;

void CosSinBaseline(const double* v, const double* p, double* c, double* s, int n)
{
  for (int i = 0; i < n; i += 2)
  {
    _mm_storeu_pd(c + i, _ZGVbN2v_cos(_mm_loadu_pd(v + i)));
    _mm_storeu_pd(s + i, _ZGVbN2v_sin(_mm_loadu_pd(p + i)));
  }
}

// Sines as cosines: sin(p) = cos(p - pi/2). The shift rounds the argument by at most half a unit of p, which
// moves the sine by as little absolutely.
__attribute__((target("avx2"))) void CosSinWide(const double* v, const double* p, double* c, double* s, int n)
{
  if (n == 2)
  {
    const __m256d r = _ZGVdN4v_cos(_mm256_set_pd(p[1] - kHalfPi, p[0] - kHalfPi, v[1], v[0]));
    _mm_storeu_pd(c, _mm256_castpd256_pd128(r));
    _mm_storeu_pd(s, _mm256_extractf128_pd(r, 1));
    return;
  }
  _mm256_storeu_pd(c, _ZGVdN4v_cos(_mm256_loadu_pd(v)));
  _mm256_storeu_pd(s, _ZGVdN4v_cos(_mm256_sub_pd(_mm256_loadu_pd(p), _mm256_set1_pd(kHalfPi))));
}

using CosSinKernel = void (*)(const double*, const double*, double*, double*, int);

CosSinKernel ChooseCosSin()
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? &CosSinWide : &CosSinBaseline;
}

} // namespace

template <int N>
void CosSin(const double* v, const double* p, double* c, double* s)
{
  static_assert(N == 2 || N == 4, "two or four values");
  static const CosSinKernel kernel = ChooseCosSin();
  kernel(v, p, c, s, N);
}

template <int N>
void Exp(const double* a, double* e)
{
  static_assert(N == 2 || N == 4, "two or four values");
  for (int i = 0; i < N; i += 2) _mm_storeu_pd(e + i, _ZGVbN2v_exp(_mm_loadu_pd(a + i)));
}

template void CosSin<2>(const double*, const double*, double*, double*);
template void CosSin<4>(const double*, const double*, double*, double*);
template void Exp<2>(const double*, double*);
template void Exp<4>(const double*, double*);

} // namespace vector_math
