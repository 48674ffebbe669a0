#include "resampler/fir_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
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

TEST(FirFilterCache, AGainOfNaNNeverMatches)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  FirFilter* a = FirFilterCache::GetLPFilter(0, nullptr, 0.25, 30.0, 40.0, nan);
  FirFilter* b = FirFilterCache::GetLPFilter(0, nullptr, 0.25, 30.0, 40.0, nan);
  EXPECT_NE(a, b);
  FirFilterCache::Release(a);
  FirFilterCache::Release(b);
}

TEST(FirFilterCache, KeepsNinetySixUnusedRecordsAndGrowsOnlyWhileAllAreInUse)
{
  std::vector<FirFilter*> held;
  for (int i = 0; i < FirFilterCache::kCapacity; ++i)
    held.push_back(FirFilterCache::GetLPFilter(0, nullptr, 0.2 + i * 0.001, 30.0, 40.0, 1.0));
  EXPECT_EQ(FirFilterCache::Count(), 96);
  held.push_back(FirFilterCache::GetLPFilter(0, nullptr, 0.9, 30.0, 40.0, 1.0));
  EXPECT_EQ(FirFilterCache::Count(), 97);
  for (FirFilter* f : held)
    FirFilterCache::Release(f);
  FirFilter* extra = FirFilterCache::GetLPFilter(0, nullptr, 0.91, 30.0, 40.0, 1.0);
  EXPECT_EQ(FirFilterCache::Count(), 97);
  FirFilterCache::Release(extra);
  // the least recently used record was dropped; the most recent ones are still there
  FirFilter* again = FirFilterCache::GetLPFilter(0, nullptr, 0.9, 30.0, 40.0, 1.0);
  EXPECT_EQ(again, held.back());
  FirFilterCache::Release(again);
}

TEST(FirFilter, TheEffectsFilterIsALinearPhaseKernelCentredOnAnEvenDelay)
{
  FirFilter* f = FirFilterCache::GetLPFilter(0, nullptr, 0.5, 8.0, 124.28, 2.0);
  EXPECT_EQ(f->isZeroPhase, 1);
  EXPECT_EQ(f->kernelLength, 2 * f->latency + 1);
  EXPECT_EQ(f->latency % 2, 0);
  EXPECT_EQ(f->latencyFrac, 0.0);
  EXPECT_GE(1 << f->blockOrder, f->kernelLength);
  EXPECT_LT(1 << (f->blockOrder - 1), f->kernelLength);
  const double* k = f->kernel.data;
  EXPECT_NEAR(std::accumulate(k, k + f->kernelLength, 0.0), 2.0, 1e-12);
  for (int i = 0; i < f->latency; ++i)
    EXPECT_DOUBLE_EQ(k[i], k[f->kernelLength - 1 - i]);
  FirFilterCache::Release(f);
}

TEST(FirFilter, MinimumPhaseKeepsTheGainAndConcentratesTheEnergyAtTheStart)
{
  FirFilter* f = FirFilterCache::GetLPFilter(1, nullptr, 0.5, 8.0, 100.0, 1.0);
  EXPECT_EQ(f->isZeroPhase, 0);
  const double* k = f->kernel.data;
  EXPECT_NEAR(std::accumulate(k, k + f->kernelLength, 0.0), 1.0, 1e-6);
  double early = 0.0, total = 0.0;
  for (int i = 0; i < f->kernelLength; ++i) {
    total += k[i] * k[i];
    if (i < f->kernelLength / 4)
      early += k[i] * k[i];
  }
  EXPECT_GT(early / total, 0.98);
  EXPECT_LT(f->latency, f->kernelLength / 4);
  FirFilterCache::Release(f);
}
