// The framework timer on the real run loop while host threads set parameters: every change that was accepted
// reaches the editor once, each thread's changes in their order, and the parameters end up current.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/IPluginAPIBase.h"
#include "foundation/main_thread.h"

namespace {

constexpr int kThreads = 3;
constexpr int kChangesPerThread = 3000;

plug::IPluginConfig Config()
{
  plug::IPluginConfig config;
  config.nParams = kThreads;
  config.nPresets = 1;
  config.plugHasUI = true;
  return config;
}

class Editorial : public plug::IPluginAPIBase
{
public:
  Editorial() : IPluginAPIBase(Config(), 0)
  {
    for (int i = 0; i < kThreads; ++i)
      GetParam(i)->InitDouble("p", 0.0, 0.0, 1e9, 1.0);
    CreateTimer();
    StartTicks();
  }
  ~Editorial() override { StopTimer(); }

  void SendParamValueToUI(int idx, double value, bool) override
  {
    received.push_back({idx, value});
  }
  void OnIdle() override { ++idles; }

  std::vector<std::pair<int, double>> received; // [main thread]
  std::atomic<int> idles{0};
};

} // namespace

TEST(FrameworkTimerThreads, ConcurrentHostChangesReachTheEditorInEachThreadsOrder)
{
  Editorial plug;
  std::vector<std::thread> hosts;
  for (int t = 0; t < kThreads; ++t)
  {
    hosts.emplace_back([&plug, t] {
      for (int i = 1; i <= kChangesPerThread; ++i)
      {
        plug.GetParam(t)->Set(i);
        plug.SendParamValueFromHost(t, i, false);
        if (i % 64 == 0)
          std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    });
  }
  for (auto& host : hosts)
    host.join();
  // Let the timer run until the queue is empty (a few ticks at most).
  const int seen = plug.idles.load();
  while (plug.idles.load() < seen + 3)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  plug.StopTimer();

  foundation::MainThreadScope mainThread;
  std::vector<double> last(kThreads, 0.0);
  for (const auto& change : plug.received)
  {
    ASSERT_GE(change.first, 0);
    ASSERT_LT(change.first, kThreads);
    EXPECT_GT(change.second, last[change.first]);
    last[change.first] = change.second;
  }
  EXPECT_GT(plug.received.size(), 0u);
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(plug.GetParam(t)->Value(), kChangesPerThread);
}
