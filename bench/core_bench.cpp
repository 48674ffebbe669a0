// Cost of the host surface: one 512-frame stereo block through the audio callbacks in both precisions (the
// effect at its defaults, and host-bypassed, which is the framework's own share), and the get-chunk and
// set-chunk requests, and the refusal of a document whose one element carries over a hundred thousand attributes
// (read attribute by attribute, the XML library would take half a minute over it).
#include <vector>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "effect/Drovik.h"
#include "effect/XmlNodeTree.h"
#include "foundation/main_thread.h"
#include "user_preset_file.h"

namespace {
constexpr int kFrames = 512;

template <class T>
struct Buffers
{
  std::vector<T> data = std::vector<T>(4 * kFrames, T(0.25));
  T* in[2] = {&data[0], &data[kFrames]};
  T* out[2] = {&data[2 * kFrames], &data[3 * kFrames]};
};

/// Built as the entry point builds it: the framework timer does not tick while the plug-in is half built.
std::unique_ptr<Drovik> Make()
{
  foundation::MainThreadScope mainThread;
  return std::make_unique<Drovik>(plug::InstanceInfo{});
}

void Prepare(vst2::Effect& e)
{
  e.dispatcher(&e, vst2::effOpen, 0, 0, nullptr, 0.f);
  e.dispatcher(&e, vst2::effSetSampleRate, 0, 0, nullptr, 48000.f);
  e.dispatcher(&e, vst2::effSetBlockSize, 0, kFrames, nullptr, 0.f);
  e.dispatcher(&e, vst2::effMainsChanged, 0, 1, nullptr, 0.f);
}

/// Blocks through the host's audio callback for samples of type T, with the host's bypass on or off.
template <class T>
void ProcessBlocks(benchmark::State& state, bool hostBypassed)
{
  const auto d = Make();
  vst2::Effect& e = d->GetEffect();
  Prepare(e);
  if (hostBypassed)
    e.dispatcher(&e, vst2::effSetBypass, 0, 1, nullptr, 0.f);
  Buffers<T> b;
  for (auto _ : state)
  {
    if constexpr (sizeof(T) == sizeof(float))
      e.processReplacing(&e, b.in, b.out, kFrames);
    else
      e.processDoubleReplacing(&e, b.in, b.out, kFrames);
    benchmark::DoNotOptimize(b.out[1][kFrames - 1]);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_ProcessReplacing32(benchmark::State& state) { ProcessBlocks<float>(state, false); }
BENCHMARK(BM_ProcessReplacing32);

void BM_ProcessReplacing64(benchmark::State& state) { ProcessBlocks<double>(state, false); }
BENCHMARK(BM_ProcessReplacing64);

/// Host bypass: only the framework's pass-through (with its latency delay line) runs.
template <class T>
void BM_HostBypassed(benchmark::State& state)
{
  ProcessBlocks<T>(state, true);
}
BENCHMARK_TEMPLATE(BM_HostBypassed, float);
BENCHMARK_TEMPLATE(BM_HostBypassed, double);

void BM_GetChunk(benchmark::State& state)
{
  const auto d = Make();
  vst2::Effect& e = d->GetEffect();
  for (auto _ : state)
  {
    void* data = nullptr;
    benchmark::DoNotOptimize(e.dispatcher(&e, vst2::effGetChunk, 1, 0, &data, 0.f));
  }
}
BENCHMARK(BM_GetChunk);

void BM_SetChunk(benchmark::State& state)
{
  const auto d = Make();
  vst2::Effect& e = d->GetEffect();
  void* data = nullptr;
  const intptr_t size = e.dispatcher(&e, vst2::effGetChunk, 1, 0, &data, 0.f);
  std::vector<unsigned char> chunk(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
  for (auto _ : state)
    benchmark::DoNotOptimize(e.dispatcher(&e, vst2::effSetChunk, 1, size, chunk.data(), 0.f));
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_SetChunk);

/// Argument: which of the two texts with very many attributes (see user_preset_file.h) is refused.
void BM_RefuseVeryManyAttributes(benchmark::State& state)
{
  const std::string text = testsupport::UserPresetTextsWithVeryManyAttributes()[size_t(state.range(0))].second;
  plug::XmlNodeTree tree;
  for (auto _ : state)
    benchmark::DoNotOptimize(plug::XmlNodeTreeParse(tree, text.c_str(), text.size(), nullptr));
  state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_RefuseVeryManyAttributes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
