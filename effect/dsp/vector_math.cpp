#include "effect/dsp/vector_math.h"

#include <immintrin.h>

// The vector variants of the C library (x86-64 vector function ABI): "b" takes two doubles in an SSE register
// (every x86-64), "d" four in an AVX2 register.
extern "C" __m128d _ZGVbN2v_cos(__m128d);
extern "C" __m128d _ZGVbN2v_sin(__m128d);
extern "C" __m128d _ZGVbN2v_exp(__m128d);
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_cos(__m256d);

namespace vecmath {
namespace {

constexpr double kHalfPi = 1.5707963267948966;

void CosCosSinSinBaseline(double c0, double c1, double s0, double s1, double out[4])
{
  _mm_storeu_pd(out, _ZGVbN2v_cos(_mm_set_pd(c1, c0)));
  _mm_storeu_pd(out + 2, _ZGVbN2v_sin(_mm_set_pd(s1, s0)));
}

// One four-wide cosine: sin(s) = cos(s - pi/2). The shift rounds the argument by at most half a unit of s,
// which moves the sine by as little absolutely.
__attribute__((target("avx2"))) void CosCosSinSinWide(double c0, double c1, double s0, double s1, double out[4])
{
  _mm256_storeu_pd(out, _ZGVdN4v_cos(_mm256_set_pd(s1 - kHalfPi, s0 - kHalfPi, c1, c0)));
}

using CosSinKernel = void (*)(double, double, double, double, double*);

CosSinKernel ChooseCosSin()
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? &CosCosSinSinWide : &CosCosSinSinBaseline;
}

} // namespace

void CosCosSinSin(double c0, double c1, double s0, double s1, double out[4])
{
  static const CosSinKernel kernel = ChooseCosSin();
  kernel(c0, c1, s0, s1, out);
}

void ExpTwo(double a0, double a1, double out[2])
{
  _mm_storeu_pd(out, _ZGVbN2v_exp(_mm_set_pd(a1, a0)));
}

} // namespace vecmath
