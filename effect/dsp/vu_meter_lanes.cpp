#include "effect/dsp/vu_meter_lanes.h"

#include "effect/dsp/level_meter.h"

#include <cfloat>
#include <immintrin.h>

namespace vu_meter_lanes {
namespace {

#define VU_LANES_TARGET __attribute__((target("avx")))

bool CpuHasAvx()
{
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
  }();
  return has;
}

// std::max(a, b) is (a < b) ? b : a, which is maxpd with its operands swapped (the same for NaN and signed
// zeros); std::min(a, b) is (b < a) ? b : a, minpd with its operands swapped.
VU_LANES_TARGET inline __m256d StdMax(__m256d a, __m256d b) { return _mm256_max_pd(b, a); }
VU_LANES_TARGET inline __m256d StdMin(__m256d a, __m256d b) { return _mm256_min_pd(b, a); }
// mask: all ones or all zeros per lane, as comparisons give. (Bitwise: GCC turns blendv with some of these masks
// into branches per lane.)
VU_LANES_TARGET inline __m256d Select(__m256d mask, __m256d yes, __m256d no)
{
  return _mm256_or_pd(_mm256_and_pd(mask, yes), _mm256_andnot_pd(mask, no));
}
VU_LANES_TARGET inline __m256d Eq(__m256d a, double v) { return _mm256_cmp_pd(a, _mm256_set1_pd(v), _CMP_EQ_OQ); }

struct Lanes
{
  __m256d value, maxValue, holdCounter, ballisticState, attack, release, hold;
  __m256d s1, s2, largestS2, largestInput, c, keep, cOverDivisor, scale1, scale2, gain;
  __m256d displayValue, displayPeak, displayCounter, displayState, displayAttack, displayRelease, displayHold, displayInvert;
};

template <typename Get>
VU_LANES_TARGET __m256d Gather(LevelMeter* const m[4], Get get)
{
  return _mm256_set_pd(get(*m[3]), get(*m[2]), get(*m[1]), get(*m[0]));
}

VU_LANES_TARGET Lanes Load(LevelMeter* const m[4])
{
  Lanes l;
  l.value = Gather(m, [](LevelMeter& x) { return x.value; });
  l.maxValue = Gather(m, [](LevelMeter& x) { return x.maxValue; });
  l.holdCounter = Gather(m, [](LevelMeter& x) { return double(x.holdCounter); });
  l.ballisticState = Gather(m, [](LevelMeter& x) { return double(x.ballisticState); });
  l.attack = Gather(m, [](LevelMeter& x) { return x.attack; });
  l.release = Gather(m, [](LevelMeter& x) { return x.release; });
  l.hold = Gather(m, [](LevelMeter& x) { return double(x.hold); });
  l.s1 = Gather(m, [](LevelMeter& x) { return x.vu.s1; });
  l.s2 = Gather(m, [](LevelMeter& x) { return x.vu.s2; });
  l.largestS2 = Gather(m, [](LevelMeter& x) { return x.vu.largestS2; });
  l.largestInput = Gather(m, [](LevelMeter& x) { return x.vu.largestInput; });
  l.c = Gather(m, [](LevelMeter& x) { return x.vu.c; });
  l.keep = Gather(m, [](LevelMeter& x) { return 1.0 - x.vu.c; });
  l.cOverDivisor = Gather(m, [](LevelMeter& x) { return x.vu.c / VUSmoother::kSecondStateDivisor; });
  l.scale1 = Gather(m, [](LevelMeter& x) { return x.vu.scale1; });
  l.scale2 = Gather(m, [](LevelMeter& x) { return x.vu.scale2; });
  l.gain = Gather(m, [](LevelMeter& x) { return x.gain; });
  l.displayValue = Gather(m, [](LevelMeter& x) { return x.display.value; });
  l.displayPeak = Gather(m, [](LevelMeter& x) { return x.display.peak; });
  l.displayCounter = Gather(m, [](LevelMeter& x) { return double(x.display.counter); });
  l.displayState = Gather(m, [](LevelMeter& x) { return double(x.display.state); });
  l.displayAttack = Gather(m, [](LevelMeter& x) { return x.display.attack; });
  l.displayRelease = Gather(m, [](LevelMeter& x) { return x.display.release; });
  l.displayHold = Gather(m, [](LevelMeter& x) { return double(x.display.hold); });
  l.displayInvert = Gather(m, [](LevelMeter& x) { return x.display.invert == 1 ? 1.0 : 0.0; });
  return l;
}

VU_LANES_TARGET void Store(const Lanes& l, LevelMeter* const m[4])
{
  alignas(32) double v[12][4];
  const __m256d all[] = {l.value, l.maxValue, l.holdCounter, l.ballisticState, l.s1, l.s2, l.largestS2,
                         l.largestInput, l.displayValue, l.displayPeak, l.displayCounter, l.displayState};
  for (int k = 0; k < 12; ++k) _mm256_store_pd(v[k], all[k]);
  for (int i = 0; i < 4; ++i)
  {
    LevelMeter& x = *m[i];
    x.value = x.shownValue = v[0][i];
    x.maxValue = x.shownMax = v[1][i];
    x.holdCounter = static_cast<int>(v[2][i]);
    x.ballisticState = static_cast<int>(v[3][i]);
    x.vu.s1 = v[4][i];
    x.vu.s2 = v[5][i];
    x.vu.largestS2 = v[6][i];
    x.vu.largestInput = v[7][i];
    x.display.value = v[8][i];
    x.display.peak = v[9][i];
    x.display.counter = static_cast<int>(v[10][i]);
    x.display.state = static_cast<int>(v[11][i]);
  }
}

// One sample in every lane; x is the input of each meter. Invert: some display envelope inverts its input.
template <bool Invert>
VU_LANES_TARGET inline void StepOnce(Lanes& l, __m256d x)
{
  const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
  const __m256d signBit = _mm256_set1_pd(-0.0);
  // bounded input, non-finite as silence
  const __m256d finite = _mm256_cmp_pd(_mm256_andnot_pd(signBit, x), _mm256_set1_pd(DBL_MAX), _CMP_LE_OQ);
  const __m256d lo = _mm256_set1_pd(-level_meter_detail::kMaxInput), hi = _mm256_set1_pd(level_meter_detail::kMaxInput);
  const __m256d bounded = Select(_mm256_cmp_pd(x, lo, _CMP_LT_OQ), lo, Select(_mm256_cmp_pd(hi, x, _CMP_LT_OQ), hi, x));
  x = _mm256_and_pd(finite, bounded);
  // the VU smoother, both of its inputs |x|
  const __m256d p = _mm256_andnot_pd(signBit, x);
  l.largestInput = StdMax(l.largestInput, StdMax(p, p));
  const __m256d in = _mm256_add_pd(_mm256_mul_pd(_mm256_add_pd(p, p), _mm256_set1_pd(0.5)), _mm256_set1_pd(1e-15));
  const __m256d n1 = _mm256_add_pd(_mm256_mul_pd(l.keep, l.s1),
                                   _mm256_sub_pd(_mm256_mul_pd(l.c, in), _mm256_mul_pd(l.cOverDivisor, l.s2)));
  const __m256d n2 = _mm256_add_pd(_mm256_mul_pd(l.keep, l.s2), _mm256_mul_pd(l.c, n1));
  l.s1 = StdMax(n1, zero);
  l.s2 = StdMax(n2, zero);
  l.largestS2 = StdMax(l.largestS2, l.s2);
  const __m256d m = _mm256_mul_pd(_mm256_mul_pd(l.s2, l.scale1), l.scale2);
  // ballistics
  const __m256d rising = _mm256_cmp_pd(m, l.value, _CMP_GT_OQ);
  const __m256d attacked = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(l.value, m), l.attack), m);
  const __m256d released = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(l.value, m), l.release), m);
  const __m256d st0 = Eq(l.ballisticState, 0.0), st1 = Eq(l.ballisticState, 1.0);
  const __m256d noHold = _mm256_cmp_pd(l.hold, zero, _CMP_LE_OQ);
  const __m256d holdDone = _mm256_cmp_pd(l.holdCounter, l.hold, _CMP_GE_OQ);
  // release now: state 0 without hold, state 1 at the end of the hold, any other state
  const __m256d releaseNow = Select(st0, noHold, Select(st1, holdDone, _mm256_castsi256_pd(_mm256_set1_epi64x(-1))));
  const __m256d counterFalling = Select(st0, one, Select(st1, _mm256_add_pd(l.holdCounter, one), l.holdCounter));
  const __m256d stateFalling =
    Select(_mm256_or_pd(st0, st1), Select(releaseNow, _mm256_set1_pd(2.0), one), l.ballisticState);
  const __m256d valueFalling = Select(releaseNow, released, l.value);
  l.value = Select(rising, attacked, valueFalling);
  l.ballisticState = Select(rising, zero, stateFalling);
  l.holdCounter = Select(rising, l.holdCounter, counterFalling);
  l.maxValue = StdMax(l.maxValue, l.value);
  // display envelope
  __m256d v = _mm256_andnot_pd(signBit, _mm256_mul_pd(l.value, l.gain));
  if (Invert) v = Select(Eq(l.displayInvert, 1.0), _mm256_sub_pd(one, StdMin(v, one)), v);
  l.displayPeak = StdMax(l.displayPeak, v);
  const __m256d dRising = _mm256_cmp_pd(v, l.displayValue, _CMP_GT_OQ);
  const __m256d dAttacked = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(l.displayValue, v), l.displayAttack), v);
  const __m256d dReleased = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(l.displayValue, v), l.displayRelease), v);
  const __m256d dReleasing = Eq(l.displayState, HoldEnvelope::kReleasing);
  const __m256d dHolding = Eq(l.displayState, HoldEnvelope::kHolding);
  const __m256d dHoldDone = _mm256_and_pd(dHolding, _mm256_cmp_pd(l.displayCounter, l.displayHold, _CMP_GE_OQ));
  const __m256d dFallValue = Select(_mm256_or_pd(dReleasing, dHoldDone), dReleased, l.displayValue);
  const __m256d dFallState = Select(dHoldDone, _mm256_set1_pd(HoldEnvelope::kReleasing), l.displayState);
  const __m256d dFallCounter = Select(dHolding, _mm256_add_pd(l.displayCounter, one), l.displayCounter);
  l.displayValue = Select(dRising, dAttacked, dFallValue);
  l.displayState = Select(dRising, _mm256_set1_pd(HoldEnvelope::kHolding), dFallState);
  l.displayCounter = Select(dRising, zero, dFallCounter);
}

VU_LANES_TARGET void StepAll(LevelMeter* const meters[4], const double* const inputs[4], int n)
{
  Lanes l = Load(meters);
  const bool invert = _mm256_movemask_pd(Eq(l.displayInvert, 1.0)) != 0;
  if (invert)
    for (int j = 0; j < n; ++j)
      StepOnce<true>(l, _mm256_set_pd(inputs[3][j], inputs[2][j], inputs[1][j], inputs[0][j]));
  else
    for (int j = 0; j < n; ++j)
      StepOnce<false>(l, _mm256_set_pd(inputs[3][j], inputs[2][j], inputs[1][j], inputs[0][j]));
  Store(l, meters);
}

} // namespace

bool Usable(LevelMeter* const meters[4])
{
  if (!CpuHasAvx()) return false;
  for (int i = 0; i < 4; ++i)
    if (meters[i]->kind != kMeterKindVU || meters[i]->delayA.Length() > 0 || meters[i]->delayB.Length() > 0)
      return false;
  return true;
}

void Step(LevelMeter* const meters[4], const double* const inputs[4], int n)
{
  if (n > 0) StepAll(meters, inputs, n);
}

} // namespace vu_meter_lanes
