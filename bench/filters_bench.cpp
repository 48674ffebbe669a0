// Costs of the filter library: designing Butterworth and other filters, running cascades over a block, and
// constructing filter objects.
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "filters/Butterworth.h"
#include "filters/FilterDesign.h"
#include "filters/Prototypes.h"

using namespace Dsp;

namespace {

using LowPass = FilterDesign<Butterworth::Design::LowPass<16>, 1, DirectFormII>;
using BandPass = FilterDesign<Butterworth::Design::BandPass1<16>, 1, DirectFormII>;
using BandShelf = FilterDesign<Butterworth::Design::BandShelf1<16>, 1, DirectFormII>;

// Alternates between two cut-offs so that every iteration really designs.
void BM_DesignButterworthLowPass(benchmark::State& state)
{
  Butterworth::Design::LowPass<16> design;
  const int order = static_cast<int>(state.range(0));
  double fc = 1000.0;
  for (auto _ : state)
  {
    design.Setup(order, 48000.0, fc);
    fc = fc == 1000.0 ? 1001.0 : 1000.0;
    benchmark::DoNotOptimize(design.Cascade().Stage(0).b0);
  }
}
BENCHMARK(BM_DesignButterworthLowPass)->Arg(2)->Arg(8)->Arg(16);

void BM_DesignButterworthBandShelf(benchmark::State& state)
{
  Butterworth::Design::BandShelf1<16> design;
  const int order = static_cast<int>(state.range(0));
  double gain = 6.0;
  for (auto _ : state)
  {
    design.Setup(order, 48000.0, 2000.0, 1.0, gain);
    gain = gain == 6.0 ? 6.5 : 6.0;
    benchmark::DoNotOptimize(design.Cascade().Stage(0).b0);
  }
}
BENCHMARK(BM_DesignButterworthBandShelf)->Arg(2)->Arg(16);

void BM_DesignElliptic(benchmark::State& state)
{
  EllipticDesign::LowPass<16> design;
  const int order = static_cast<int>(state.range(0));
  double ripple = 0.5;
  for (auto _ : state)
  {
    design.Setup(order, 48000.0, 1000.0, ripple, 0.0);
    ripple = ripple == 0.5 ? 0.6 : 0.5;
    benchmark::DoNotOptimize(design.Cascade().Stage(0).b0);
  }
}
BENCHMARK(BM_DesignElliptic)->Arg(4)->Arg(16);

void BM_DesignLegendre(benchmark::State& state)
{
  LegendreDesign::LowPass<16> design;
  DesignWorkspace workspace;
  const int order = static_cast<int>(state.range(0));
  double fc = 1000.0;
  int previous = 0;
  for (auto _ : state)
  {
    // The prototype is cached per order: alternate the order to measure the root finding.
    const int o = previous == order ? order - 1 : order;
    previous = o;
    design.Setup(o, workspace, 48000.0, fc);
    benchmark::DoNotOptimize(design.Cascade().Stage(0).b0);
  }
}
BENCHMARK(BM_DesignLegendre)->Arg(4)->Arg(16);

// Samples per second through a designed cascade, float in and out.
void BM_ProcessButterworthLowPass(benchmark::State& state)
{
  LowPass filter;
  filter.SetParamValueById(kParamSampleRate, 48000.0);
  filter.SetParamValueById(kParamOrder, static_cast<double>(state.range(0)));
  filter.SetParamValueById(kParamFrequency, 1000.0);
  std::vector<float> block(512);
  for (size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<float>((i % 64) / 64.0 - 0.5);
  float* channel = block.data();
  for (auto _ : state)
  {
    filter.ProcessFloat(512, &channel);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 512);
}
BENCHMARK(BM_ProcessButterworthLowPass)->Arg(2)->Arg(4)->Arg(8)->Arg(16);

void BM_ProcessButterworthBandPassDouble(benchmark::State& state)
{
  BandPass filter;
  filter.SetParamValueById(kParamSampleRate, 48000.0);
  filter.SetParamValueById(kParamOrder, static_cast<double>(state.range(0)));
  filter.SetParamValueById(kParamFrequency, 1000.0);
  filter.SetParamValueById(kParamBandwidthHz, 1.0);
  std::vector<double> block(512);
  for (size_t i = 0; i < block.size(); ++i)
    block[i] = (i % 64) / 64.0 - 0.5;
  double* channel = block.data();
  for (auto _ : state)
  {
    filter.ProcessDouble(512, &channel);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 512);
}
BENCHMARK(BM_ProcessButterworthBandPassDouble)->Arg(4)->Arg(16);

// Construction, a reset and destruction of one order-16 filter object (what the effect's stage banks do with
// each of their filters).
void BM_ConstructResetDestroy(benchmark::State& state)
{
  for (auto _ : state)
  {
    auto filter = std::make_unique<BandShelf>();
    filter->Reset();
    benchmark::DoNotOptimize(filter.get());
  }
}
BENCHMARK(BM_ConstructResetDestroy);

} // namespace

BENCHMARK_MAIN();
