// Cost of handing a parameter change to the editor: one push on a host thread (what setParameter adds to its
// atomic store), and one tick draining a full parameter queue into the editor.
#include <benchmark/benchmark.h>

#include "core/Queues.h"
#include "core/IPluginAPIBase.h"
#include "foundation/run_loop.h"

namespace {

struct Change
{
  int idx;
  double value;
};

void ParamQueuePushPop(benchmark::State& state)
{
  plug::MultiProducerQueue<Change> queue(513);
  Change out{};
  int i = 0;
  for (auto _ : state)
  {
    queue.Push(Change{i++ & 31, 0.5});
    queue.Pop(out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(ParamQueuePushPop);

void MidiQueuePushPop(benchmark::State& state)
{
  plug::SingleProducerQueue<plug::IMidiMsg> queue(33);
  plug::IMidiMsg msg;
  for (auto _ : state)
  {
    queue.Push(msg);
    queue.Pop(msg);
    benchmark::DoNotOptimize(msg);
  }
}
BENCHMARK(MidiQueuePushPop);

plug::IPluginConfig Config()
{
  plug::IPluginConfig config;
  config.nParams = 25;
  config.nPresets = 1;
  config.plugHasUI = true;
  return config;
}

class Plug : public plug::IPluginAPIBase
{
public:
  Plug() : IPluginAPIBase(Config(), 0)
  {
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->InitDouble("p", 0.0, 0.0, 1.0, 0.001);
    CreateTimer();
    StartTicks();
  }
  ~Plug() override { StopTimer(); }
  void SendParamValueToUI(int idx, double value, bool) override { sum += value + idx; }
  double sum = 0.0;
};

/// One framework-timer tick that hands 512 waiting changes to the editor.
void TickDrainingAFullParamQueue(benchmark::State& state)
{
  foundation::ManualClock clock;
  foundation::RunLoop::Main().UseManualClock(&clock);
  {
    Plug plug;
    foundation::RunLoop::Main().RunDueTimers();
    for (auto _ : state)
    {
      state.PauseTiming();
      for (int i = 0; i < 512; ++i)
        plug.SendParamValueFromHost(i % 25, 0.5, true);
      clock.Advance(0.020);
      state.ResumeTiming();
      foundation::RunLoop::Main().RunDueTimers();
    }
    benchmark::DoNotOptimize(plug.sum);
  }
  foundation::RunLoop::Main().UseManualClock(nullptr);
}
BENCHMARK(TickDrainingAFullParamQueue);

} // namespace

BENCHMARK_MAIN();
