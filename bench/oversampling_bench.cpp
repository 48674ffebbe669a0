// CPU time of the whole plug-in per second of 48 kHz stereo audio in 512-frame blocks, oversampling off, 2x and
// 4x, with the heaviest settings (warm mode, 5 stages, even and odd drive 100, fluctuation 100, clipper on,
// EBU short-term meters). Each iteration processes one second, so the reported time is the figure wanted.
#include "effect/Drovik.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr double kFs = 48000.0;
constexpr int kBlock = 512;
constexpr int kSecond = 48000;

void Set(Drovik& d, int idx, double value)
{
  d.GetParam(idx)->Set(value);
  d.OnParamChange(idx, plug::kHost, -1);
}

void BM_PluginWorstCase(benchmark::State& state)
{
  auto d = std::make_unique<Drovik>(plug::InstanceInfo{});
  d->plug::IPluginProcessor::SetSampleRate(kFs);
  d->plug::IPluginProcessor::SetBlockSize(kBlock);
  d->OnReset();
  Set(*d, kSat_offon, 1);
  Set(*d, kSat_mode, kSatWarm);
  Set(*d, kSat_stages, 5);
  Set(*d, kSat_driveeven, 100.0);
  Set(*d, kSat_driveodd, 100.0);
  Set(*d, kSat_fluctuation, 100.0);
  Set(*d, kClipoffon, 1);
  Set(*d, kMeterMode, kMeterEBUSL);
  Set(*d, kOversampling, static_cast<double>(state.range(0)));
  std::vector<double> inL(kSecond), inR(kSecond), outL(kSecond), outR(kSecond);
  for (int i = 0; i < kSecond; ++i)
  {
    inL[static_cast<size_t>(i)] = 0.7 * std::sin(2 * M_PI * 220.0 * i / kFs);
    inR[static_cast<size_t>(i)] = 0.6 * std::sin(2 * M_PI * 330.0 * i / kFs + 0.3);
  }
  for (auto _ : state)
  {
    for (int start = 0; start < kSecond; start += kBlock)
    {
      const int n = std::min(kBlock, kSecond - start);
      double* in[2] = {inL.data() + start, inR.data() + start};
      double* out[2] = {outL.data() + start, outR.data() + start};
      d->ProcessBlock(in, out, n);
    }
    benchmark::DoNotOptimize(outL.data());
  }
}

} // namespace

// Argument: the "OS Off/2x/4x" setting (0 off, 1 2x, 2 4x).
BENCHMARK(BM_PluginWorstCase)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
