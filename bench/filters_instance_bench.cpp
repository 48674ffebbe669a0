// How long a host waits for a new instance of the plug-in (entry point, construction, presets) and for its
// deletion: built once with the effect's stage banks and once without them.
#include <benchmark/benchmark.h>

#include "core/vst2/PluginEntry.h"

namespace {

intptr_t Host(vst2::Effect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
  return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

void BM_InstanceCreateAndClose(benchmark::State& state)
{
  for (auto _ : state)
  {
    vst2::Effect* e = plug::VSTEntry(&Host);
    benchmark::DoNotOptimize(e);
    e->dispatcher(e, vst2::effClose, 0, 0, nullptr, 0.0f);
  }
}
BENCHMARK(BM_InstanceCreateAndClose)->Unit(benchmark::kMicrosecond);

// What a scanning host does: create, open, ask for a few things, close.
void BM_InstanceScan(benchmark::State& state)
{
  char name[64];
  for (auto _ : state)
  {
    vst2::Effect* e = plug::VSTEntry(&Host);
    e->dispatcher(e, vst2::effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, vst2::effGetEffectName, 0, 0, name, 0.0f);
    e->dispatcher(e, vst2::effGetVendorString, 0, 0, name, 0.0f);
    e->dispatcher(e, vst2::effGetPlugCategory, 0, 0, nullptr, 0.0f);
    benchmark::DoNotOptimize(name);
    e->dispatcher(e, vst2::effClose, 0, 0, nullptr, 0.0f);
  }
}
BENCHMARK(BM_InstanceScan)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
