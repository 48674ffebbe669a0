// The saturation stage banks: what a new bank holds, what building one costs in allocations, and that its
// filters stay undesigned, silent and harmless.
#include "effect/dsp/sat_stage_bank.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "alloc_counter.h"

namespace {

TEST(SatStageBank, EachStageHoldsFourteenUndesignedButterworthFiltersInOrder)
{
  auto bank = std::make_unique<SatStageBank>();
  const int kinds[] = {Dsp::kKindBandShelf, Dsp::kKindHighPass,  Dsp::kKindLowPass, Dsp::kKindHighShelf,
                       Dsp::kKindLowShelf,  Dsp::kKindBandPass, Dsp::kKindBandStop};
  for (int s = 0; s < SatStageBank::kNumStages; ++s)
  {
    SatStage& stage = bank->StageAt(s);
    for (int i = 0; i < SatStage::kNumFilters; ++i)
    {
      Dsp::Filter& f = stage.FilterAt(i);
      EXPECT_EQ(f.GetKind(), kinds[i % 7]) << i;
      EXPECT_EQ(f.GetParamInfo(1).maxValue, 16.0);
      EXPECT_TRUE(f.GetPoleZeros().empty());
      // Default parameters, nothing designed: the filter is the identity.
      for (int p = 0; p < f.GetNumParams(); ++p)
        EXPECT_EQ(f.GetParams()[p], f.GetParamInfo(p).defaultValue);
      EXPECT_EQ(f.Response(0.25), Dsp::Complex(1.0, 0.0));
      std::vector<double> x = {0.5, -0.25, 1.0};
      double* p = x.data();
      f.ProcessDouble(3, &p);
      EXPECT_EQ(x, (std::vector<double>{0.5, -0.25, 1.0}));
    }
  }
}

TEST(SatStageBank, BuildingABankCostsThreeAllocationsPerStage)
{
  testsupport::AllocationScope scope;
  auto bank = std::make_unique<SatStageBank>();
  // The bank itself, then per stage one block for all fourteen filters and the one-sample channel buffer
  // (pointer array and samples).
  EXPECT_EQ(scope.Count(), 1u + SatStageBank::kNumStages * 3u);
}

TEST(SatStageBank, ResetLeavesEveryFilterAtRest)
{
  SatStage stage;
  stage.Reset();
  for (int i = 0; i < SatStage::kNumFilters; ++i)
  {
    // A designed low-pass after the reset behaves as a fresh one.
    Dsp::Filter& f = stage.FilterAt(i);
    f.SetParamValueById(Dsp::kParamSampleRate, 48000.0);
    f.SetParamValueById(Dsp::kParamFrequency, 1000.0);
    std::vector<double> a(64, 1.0);
    double* p = a.data();
    f.ProcessDouble(64, &p);
    stage.Reset();
    std::vector<double> b(64, 1.0);
    p = b.data();
    f.ProcessDouble(64, &p);
    EXPECT_EQ(a, b) << i;
  }
}

TEST(SatStageBank, DestroyingABankReleasesEverythingItBuilt)
{
  testsupport::AllocationScope scope;
  const size_t before = testsupport::AllocationCount();
  for (int round = 0; round < 3; ++round)
  {
    std::vector<std::unique_ptr<SatStageBank>> banks;
    for (int i = 0; i < 12; ++i)
      banks.push_back(std::make_unique<SatStageBank>());
  }
  // Every allocation was made by the banks themselves (leaks are reported by the sanitizer build).
  EXPECT_GE(testsupport::AllocationCount() - before, 3u * 12u * (1u + SatStageBank::kNumStages * 3u));
}

} // namespace
