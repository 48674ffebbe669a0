// CPU time of the effect per second of 48 kHz stereo audio processed through Drovik::ProcessBlock in
// 512-frame blocks. Each iteration processes exactly one second of audio, so the reported time (in ms) is the
// figure. The defaults and the worst case (warm, 5 stages, drives 100/100, fluctuation 100, clipper on, EBU
// short-term meters) run with oversampling off, at 2x and at 4x (argument: the "OS Off/2x/4x" setting).
#include "effect/Drovik.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

constexpr double kFs = 48000.0;
constexpr int kBlock = 512;
constexpr int kSecond = 48000;

/// The instance makes its data folders in the user's home: the benchmark gives it a home of its own.
void UseTemporaryHome()
{
  static char home[] = "/tmp/drovik-bench-home-XXXXXX";
  static const bool made = [] {
    if (!mkdtemp(home)) return false;
    setenv("HOME", home, 1);
    unsetenv("XDG_DATA_HOME");
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(home, ec);
    });
    return true;
  }();
  (void)made;
}

std::unique_ptr<Drovik> MakePlugin()
{
  UseTemporaryHome();
  auto d = std::make_unique<Drovik>(plug::InstanceInfo{});
  d->plug::IPluginProcessor::SetSampleRate(kFs);
  d->plug::IPluginProcessor::SetBlockSize(kBlock);
  d->OnReset();
  return d;
}

void LoadFactoryPreset(Drovik& d, const char* name)
{
  for (int i = 0; i < d.NFactoryPresets(); ++i)
    if (std::strcmp(d.GetFactoryPreset(i)->mName, name) == 0) d.UnserializeState(d.GetFactoryPreset(i)->mChunk, 0);
}

void SetWorstCase(Drovik& d)
{
  const std::pair<int, double> values[] = {{kSat_offon, 1},       {kSat_mode, kSatWarm},   {kSat_stages, 5},
                                           {kSat_driveeven, 100}, {kSat_driveodd, 100},    {kSat_fluctuation, 100},
                                           {kClipoffon, 1},       {kMeterMode, kMeterEBUSL}};
  for (const auto& v : values)
  {
    d.GetParam(v.first)->Set(v.second);
    d.OnParamChange(v.first, plug::kPresetRecall, -1);
  }
}

void SetOversampling(Drovik& d, int setting)
{
  d.GetParam(kOversampling)->Set(setting);
  d.OnParamChange(kOversampling, plug::kHost, -1);
}

void Run(benchmark::State& state, Drovik& d)
{
  std::vector<double> inL(kSecond), inR(kSecond), outL(kSecond), outR(kSecond);
  for (int i = 0; i < kSecond; ++i)
  {
    inL[size_t(i)] = 0.7 * std::sin(2 * M_PI * 220.0 * i / kFs);
    inR[size_t(i)] = 0.6 * std::sin(2 * M_PI * 330.0 * i / kFs + 0.3);
  }
  for (auto _ : state)
  {
    for (int start = 0; start < kSecond; start += kBlock)
    {
      double* in[2] = {inL.data() + start, inR.data() + start};
      double* out[2] = {outL.data() + start, outR.data() + start};
      d.ProcessBlock(in, out, std::min(kBlock, kSecond - start));
    }
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
  }
}

void BM_Defaults(benchmark::State& s)
{
  auto d = MakePlugin();
  SetOversampling(*d, static_cast<int>(s.range(0)));
  Run(s, *d);
}

void BM_Medium(benchmark::State& s)
{
  auto d = MakePlugin();
  LoadFactoryPreset(*d, "Medium");
  Run(s, *d);
}

void BM_UnstableDrive(benchmark::State& s)
{
  auto d = MakePlugin();
  LoadFactoryPreset(*d, "Unstable Drive");
  Run(s, *d);
}

void BM_WorstCase(benchmark::State& s)
{
  auto d = MakePlugin();
  SetWorstCase(*d);
  SetOversampling(*d, static_cast<int>(s.range(0)));
  Run(s, *d);
}

BENCHMARK(BM_Defaults)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Medium)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnstableDrive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorstCase)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
