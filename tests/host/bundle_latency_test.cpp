// The built bundle in a host that never sends an idle request and never opens the editor: a latency change the
// effect makes (oversampling switched on) still reaches the host as "I/O changed" with a new initial delay,
// carried by the plug-in's own run-loop thread.
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "loaded_bundle.h"

namespace {

constexpr int kOversamplingParam = 2; // off, 2x, 4x
constexpr int kOversampling4x = 1;

struct Watch
{
  std::mutex mutex;
  std::vector<int> delays; // initialDelay each time the I/O changed
  int idleRequests = 0;
};
Watch gWatch;

intptr_t WatchingHost(vst2::Effect* effect, int32_t opcode, int32_t, intptr_t, void*, float)
{
  std::lock_guard<std::mutex> lock(gWatch.mutex);
  if (opcode == vst2::audioMasterIOChanged && effect)
    gWatch.delays.push_back(effect->initialDelay);
  if (opcode == vst2::audioMasterIdle)
    ++gWatch.idleRequests;
  return 0;
}

size_t Changes()
{
  std::lock_guard<std::mutex> lock(gWatch.mutex);
  return gWatch.delays.size();
}

} // namespace

TEST(BundleLatency, OversamplingLatencyReachesAHostThatNeverCallsIdle)
{
  hosttest::Instance plug(WatchingHost);
  ASSERT_TRUE(plug.Get());
  plug.Call(vst2::effOpen);
  plug.Call(vst2::effSetSampleRate, 0, 0, nullptr, 48000.f);
  plug.Call(vst2::effSetBlockSize, 0, 512);
  plug.Call(vst2::effMainsChanged, 0, 1);
  const size_t before = Changes();
  plug.SetParam(kOversamplingParam, float(kOversampling4x) / 2.f);
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Changes() == before && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  std::lock_guard<std::mutex> lock(gWatch.mutex);
  ASSERT_EQ(gWatch.delays.size(), before + 1);
  EXPECT_GT(gWatch.delays.back(), 0);
  EXPECT_EQ(gWatch.idleRequests, 0);
}
