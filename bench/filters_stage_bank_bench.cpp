// What the effect's stage banks cost: building, resetting and destroying one bank, and the twelve an instance
// holds.
#include <memory>

#include <benchmark/benchmark.h>

#include "effect/dsp/sat_stage_bank.h"

namespace {

void BM_SatStageBankLifetime(benchmark::State& state)
{
  const int banks = static_cast<int>(state.range(0));
  for (auto _ : state)
  {
    std::unique_ptr<SatStageBank[]> b(new SatStageBank[banks]);
    benchmark::DoNotOptimize(b.get());
  }
  state.counters["bytes"] = static_cast<double>(banks) * sizeof(SatStageBank);
}
BENCHMARK(BM_SatStageBankLifetime)->Arg(1)->Arg(12)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
