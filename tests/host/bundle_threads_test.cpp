// The built bundle driven from all sides at once, as hosts do: two host threads change parameters (oversampling,
// meter mode and the bypass among them) and send the bypass request every 50 to 500 microseconds, while the
// audio thread processes, the plug-in's own main run loop ticks the open editor, and the host's main thread
// closes and reopens the editor. Nothing may crash, hang or leave the output non-finite; under ThreadSanitizer
// (label "threaded") no data race may be reported. The editor opens on the headless back end.
#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "loaded_bundle.h"

using hosttest::Instance;

namespace {

constexpr int kTooltips = 1, kOversampling = 2, kBypass = 3, kMeterDisplayMode = 6, kMeterMode = 7;
constexpr int kSatOn = 15, kSatMode = 17, kHideKnobText = 22, kInputTrim = 23;
/// Parameters whose change rebuilds DSP objects or reaches the editor.
constexpr int kStirred[] = {kTooltips, kOversampling, kBypass, kMeterDisplayMode, kMeterMode, kSatOn, kSatMode,
                            kHideKnobText, kInputTrim};
constexpr int kBlock = 256;
constexpr double kRate = 48000.0;

/// A host thread: a parameter change or a bypass request, then a pause of 50 to 500 microseconds, until stopped.
void StirParameters(const Instance& p, unsigned seed, const std::atomic<bool>& stop)
{
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> pick(0, int(std::size(kStirred)));
  std::uniform_real_distribution<float> value(0.f, 1.f);
  std::uniform_int_distribution<int> pause(50, 500);
  while (!stop.load())
  {
    const int which = pick(rng);
    if (which == int(std::size(kStirred)))
      p.Call(vst2::effSetBypass, 0, value(rng) < 0.5f ? 1 : 0);
    else
      p.SetParam(kStirred[which], value(rng));
    std::this_thread::sleep_for(std::chrono::microseconds(pause(rng)));
  }
}

TEST(BundleThreads, ParametersAndBypassFromTwoHostThreadsWhileTheEditorOpensAndTheAudioRuns)
{
  Instance p;
  ASSERT_NE(p.Get(), nullptr);
  p.Call(vst2::effOpen);
  p.Call(vst2::effSetSampleRate, 0, 0, nullptr, float(kRate));
  p.Call(vst2::effSetBlockSize, 0, kBlock);
  p.Call(vst2::effMainsChanged, 0, 1);
  int parent = 0; // any window stands in for the host's on the headless back end
  ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, &parent), 1);

  std::atomic<bool> stop{false};
  std::atomic<bool> finite{true};
  std::atomic<int> blocks{0};
  std::thread audio([&] {
    std::vector<double> in(kBlock), outL(kBlock), outR(kBlock);
    for (int i = 0; i < kBlock; ++i) in[size_t(i)] = 0.5 * std::sin(2 * 3.141592653589793 * 997.0 * i / kRate);
    while (!stop.load())
    {
      double* ins[2] = {in.data(), in.data()};
      double* outs[2] = {outL.data(), outR.data()};
      p->processDoubleReplacing(p.Get(), ins, outs, kBlock);
      for (int i = 0; i < kBlock; ++i)
        if (!std::isfinite(outL[size_t(i)]) || !std::isfinite(outR[size_t(i)])) finite = false;
      ++blocks;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });
  std::thread first([&] { StirParameters(p, 1, stop); });
  std::thread second([&] { StirParameters(p, 2, stop); });

  // The host's main thread closes and reopens the editor every 100 ms (an opening takes longer than that under
  // the sanitizers: then fewer times); the run loop ticks it meanwhile.
  int openings = 0, failed = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < end)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    p.Call(vst2::effEditIdle);
    failed += p.Call(vst2::effEditClose) != 1;
    failed += p.Call(vst2::effEditOpen, 0, 0, &parent) != 1;
    ++openings;
  }
  stop = true;
  audio.join();
  first.join();
  second.join();

  EXPECT_GT(openings, 0);
  EXPECT_EQ(failed, 0);
  EXPECT_GT(blocks.load(), 0);
  EXPECT_TRUE(finite.load());
  EXPECT_EQ(p.Call(vst2::effEditClose), 1);
}

} // namespace
