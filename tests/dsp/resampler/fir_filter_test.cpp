#include "resampler/fir_filter.h"
#include "golden_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

using namespace resamp;

TEST(FirFilterCache, TheSameRequestReturnsTheSameRecordWithTwoReferences)
{
  FirFilter* a = FirFilterCache::GetLPFilter(0, nullptr, 0.5, 8.0, 124.28, 1.0);
  FirFilter* b = FirFilterCache::GetLPFilter(0, nullptr, 0.5, 8.0, 124.28, 1.0);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->refCount, 2);
  FirFilter* other = FirFilterCache::GetLPFilter(0, nullptr, 0.5, 8.0, 124.28, 2.0);
  EXPECT_NE(other, a);
  FirFilterCache::Release(a);
  FirFilterCache::Release(b);
  FirFilterCache::Release(other);
  EXPECT_EQ(a->refCount, 0);
}

// Past its capacity the cache drops the least recently used record nobody holds: a record in use survives, one
// asked for again and again survives, one unused for longest goes (and is designed afresh when asked for again).
TEST(FirFilterCache, EvictsTheLeastRecentlyUsedUnheldRecord)
{
  auto get = [](double gain) { return FirFilterCache::GetLPFilter(0, nullptr, 0.25, 30.0, 40.0, gain); };
  constexpr double kMark = -12345.0; // a value no design gives, to tell a kept record from a new one
  FirFilter* held = get(500);
  held->latencyFrac = kMark;
  FirFilter* first = get(501);
  first->latencyFrac = kMark;
  FirFilterCache::Release(first);
  FirFilter* hot = get(502);
  hot->latencyFrac = kMark;
  FirFilterCache::Release(hot);
  for (int i = 0; i < FirFilterCache::kCapacity + 10; ++i) {
    FirFilterCache::Release(get(600 + i));
    ASSERT_LE(FirFilterCache::Count(), FirFilterCache::kCapacity + 1) << i;
    if (i % 8 == 0) {
      FirFilter* again = get(502);
      ASSERT_EQ(again->latencyFrac, kMark) << "a record asked for again was dropped, at " << i;
      FirFilterCache::Release(again);
    }
  }
  EXPECT_GE(FirFilterCache::Count(), FirFilterCache::kCapacity);
  FirFilter* back = get(501);
  EXPECT_NE(back->latencyFrac, kMark) << "the least recently used record was kept";
  FirFilterCache::Release(back);
  FirFilter* still = get(500);
  EXPECT_EQ(still, held);
  EXPECT_EQ(still->latencyFrac, kMark);
  EXPECT_EQ(still->refCount, 2);
  FirFilterCache::Release(still);
  FirFilterCache::Release(held);
}

TEST(FirFilterCache, AGainOfNaNNeverMatches)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  FirFilter* a = FirFilterCache::GetLPFilter(0, nullptr, 0.25, 30.0, 40.0, nan);
  FirFilter* b = FirFilterCache::GetLPFilter(0, nullptr, 0.25, 30.0, 40.0, nan);
  EXPECT_NE(a, b);
  FirFilterCache::Release(a);
  FirFilterCache::Release(b);
}

namespace {

// Magnitude of a linear-phase kernel at f cycles per sample, relative to its gain.
double ResponseDb(const FirFilter& f, double freq)
{
  const int h = f.latency;
  double sum = f.kernel.data[h];
  for (int i = 1; i <= h; ++i)
    sum += 2.0 * f.kernel.data[h + i] * std::cos(2.0 * M_PI * freq * i);
  return 20.0 * std::log10(std::max(std::fabs(sum / f.gain), 1e-300));
}

// The worst response over [from, to] cycles per sample on a dense grid.
double WorstStopBandDb(const FirFilter& f, double from, double to)
{
  double worst = -400.0;
  constexpr int kPoints = 8192;
  for (int i = 0; i <= kPoints; ++i)
    worst = std::max(worst, ResponseDb(f, from + (to - from) * i / kPoints));
  return worst;
}

double WorstPassBandDeviationDb(const FirFilter& f, double to)
{
  double worst = 0.0;
  constexpr int kPoints = 2048;
  for (int i = 0; i <= kPoints; ++i)
    worst = std::max(worst, std::fabs(ResponseDb(f, to * i / kPoints)));
  return worst;
}

} // namespace

// The effect's filters (8 % band, 124.28 dB, half the rate): 247 taps centred on sample 123, flat up to 8 % of
// the host rate below its Nyquist frequency and at least 124.28 dB down from that frequency on.
TEST(FirFilter, TheEffectsFilterHas247TapsWithLatency123AndMeetsItsBands)
{
  FirFilter* f = FirFilterCache::GetLPFilter(0, nullptr, 0.5, 8.0, 124.28, 2.0);
  EXPECT_EQ(f->isZeroPhase, 1);
  EXPECT_EQ(f->kernelLength, 247);
  EXPECT_EQ(f->latency, 123);
  EXPECT_EQ(f->latencyFrac, 0.0);
  EXPECT_EQ(f->blockOrder, 8);
  const double* k = f->kernel.data;
  EXPECT_NEAR(std::accumulate(k, k + f->kernelLength, 0.0), 2.0, 1e-12);
  for (int i = 0; i < f->latency; ++i)
    EXPECT_DOUBLE_EQ(k[i], k[f->kernelLength - 1 - i]);
  const double stop = WorstStopBandDb(*f, 0.25, 0.5);
  EXPECT_LT(stop, -124.28);
  const double pass = WorstPassBandDeviationDb(*f, 0.25 * (1.0 - 2.0 * 0.08));
  EXPECT_LT(pass, 1e-4);
  FirFilterCache::Release(f);
}

// The minimum-phase form of the effect's filter keeps the linear-phase form's magnitude (flat pass band, deep
// stop band) with most of its energy in its first taps, and reports the group delay at DC as its latency.
TEST(FirFilter, TheMinimumPhaseFormKeepsTheMagnitudeAndReportsItsDelayAtDc)
{
  FirFilter* linear = FirFilterCache::GetLPFilter(0, nullptr, 0.5, 8.0, 124.28, 2.0);
  FirFilter* minimum = FirFilterCache::GetLPFilter(1, nullptr, 0.5, 8.0, 124.28, 2.0);
  ASSERT_EQ(minimum->isZeroPhase, 0);
  ASSERT_EQ(minimum->kernelLength, linear->kernelLength);
  const double* k = minimum->kernel.data;
  auto magnitudeDb = [&](double freq) {
    double re = 0.0, im = 0.0;
    for (int i = 0; i < minimum->kernelLength; ++i) {
      re += k[i] * std::cos(2.0 * M_PI * freq * i);
      im -= k[i] * std::sin(2.0 * M_PI * freq * i);
    }
    return 10.0 * std::log10(std::max((re * re + im * im) / (minimum->gain * minimum->gain), 1e-300));
  };
  for (int i = 0; i <= 200; ++i) {
    const double pass = 0.21 * i / 200, stop = 0.25 + 0.25 * i / 200;
    ASSERT_NEAR(magnitudeDb(pass), ResponseDb(*linear, pass), 0.01) << pass;
    ASSERT_LT(magnitudeDb(stop), -100.0) << stop;
  }
  double sum = 0.0, moment = 0.0, energy = 0.0, early = 0.0;
  for (int i = 0; i < minimum->kernelLength; ++i) {
    sum += k[i];
    moment += i * k[i];
    energy += k[i] * k[i];
    if (i < linear->latency / 2) early += k[i] * k[i];
  }
  EXPECT_GT(early / energy, 0.99);
  EXPECT_NEAR(minimum->latency + minimum->latencyFrac, moment / sum, 1e-9);
  EXPECT_LT(minimum->latency, linear->latency / 2);
  EXPECT_GE(minimum->latencyFrac, 0.0);
  EXPECT_LT(minimum->latencyFrac, 1.0);
  FirFilterCache::Release(linear);
  FirFilterCache::Release(minimum);
}

// Designs across the range of bands and attenuations a resampler may ask for, at two cut-offs: each is symmetric
// with its pass-band gain, at least the requested attenuation down from the cut-off on, and flat over the pass
// band (the cut-off less the transition band) to within what that attenuation leaves. Their lengths (the
// latency a resampler built on them has) and the depth their stop bands reach are kept against a recording.
TEST(FirFilter, EveryBandAndAttenuationMeetsItsStopAndPassBands)
{
  std::vector<std::string> lengths;
  for (double normFreq : {0.5, 1.0 / 3.0})
    for (double band : {2.0, 8.0, 15.0, 30.0, 45.0})
      for (double atten : {20.0, 60.0, 100.0, 124.28, 180.0})
      {
        FirFilter* f = FirFilterCache::GetLPFilter(0, nullptr, normFreq, band, atten, 1.0);
        const std::string where =
          "cut-off " + goldentext::Num(normFreq) + ", " + goldentext::Num(band) + " %, " + goldentext::Num(atten) + " dB";
        ASSERT_EQ(f->kernelLength, 2 * f->latency + 1) << where;
        const double* k = f->kernel.data;
        EXPECT_NEAR(std::accumulate(k, k + f->kernelLength, 0.0), 1.0, 1e-12) << where;
        const double stop = WorstStopBandDb(*f, 0.5 * normFreq, 0.5);
        EXPECT_LT(stop, -atten) << where;
        const double ripple = 20.0 * std::log10(1.0 + 2.0 * std::pow(10.0, -atten / 20.0));
        EXPECT_LT(WorstPassBandDeviationDb(*f, 0.5 * normFreq * (1.0 - 0.02 * band)), ripple) << where;
        lengths.push_back(where + ": " + std::to_string(f->kernelLength) + " taps, stop band " +
                          goldentext::Num(stop, 1e-4, 4) + " dB");
        FirFilterCache::Release(f);
      }
  const std::string differences =
    goldentext::Compare(std::string(DROVIK_RESAMPLER_GOLDEN_DIR) + "/filter_lengths.txt", goldentext::Joined(lengths));
  EXPECT_TRUE(differences.empty()) << differences;
}
