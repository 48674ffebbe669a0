// CPU time of the effect's signal path per second of 48 kHz stereo audio processed in 512-frame blocks.
// Each benchmark iteration processes exactly one second of audio, so the reported time is the figure wanted.
#include "effect/dsp/frame_chain.h"
#include "effect/dsp/levels.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr double kFs = 48000.0;
constexpr int kBlock = 512;
constexpr int kSecond = 48000;

struct Setting
{
  SatSettings sat;
  int clipOn = 0;
  double ceilingDb = -0.1;
  int meterMode = kMeterVU;
};

Setting Defaults() { return {}; }

Setting Medium()
{
  Setting s;
  s.sat = {1, kChStereo, kSatClean, 2, 51.4, 51.4, 0.0};
  return s;
}

Setting UnstableDrive()
{
  Setting s;
  s.sat = {1, kChStereo, kSatWarm, 5, 75.1, 74.9, 100.0};
  return s;
}

Setting WorstCase()
{
  Setting s;
  s.sat = {1, kChStereo, kSatWarm, 5, 100.0, 100.0, 100.0};
  s.clipOn = 1;
  s.meterMode = kMeterEBUSL;
  return s;
}

void RunSetting(benchmark::State& state, const Setting& setting)
{
  auto chain = std::make_unique<FrameChain>();
  chain->Prepare(kFs, kFs, setting.ceilingDb, setting.sat, setting.meterMode);
  FrameSettings fs;
  fs.satOn = setting.sat.on;
  fs.placement = setting.sat.placement;
  fs.clipOn = setting.clipOn;
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
      const double gi = DbToGain(0.0), go = DbToGain(0.0);
      for (int i = start; i < start + n; ++i)
      {
        double L = inL[static_cast<size_t>(i)], R = inR[static_cast<size_t>(i)];
        chain->ProcessFrame(L, R, gi, gi, go, go, fs);
        outL[static_cast<size_t>(i)] = L;
        outR[static_cast<size_t>(i)] = R;
      }
    }
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
  }
}

void BM_Defaults(benchmark::State& s) { RunSetting(s, Defaults()); }
void BM_Medium(benchmark::State& s) { RunSetting(s, Medium()); }
void BM_UnstableDrive(benchmark::State& s) { RunSetting(s, UnstableDrive()); }
void BM_WorstCase(benchmark::State& s) { RunSetting(s, WorstCase()); }

BENCHMARK(BM_Defaults)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Medium)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnstableDrive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorstCase)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
