// What loaded, resumed instances cost while nothing happens (no editor, no audio): the process's CPU time per
// second of wall time with 1, 32 and 128 instances on the real run loop (goal: under 1 % of a core for 128), and
// the run loop's cost of one framework-timer tick with nothing queued, per instance (goal: under 1 us).
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "effect/Drovik.h"
#include "foundation/main_thread.h"
#include "foundation/run_loop.h"

namespace {

double CpuSeconds()
{
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

/// n instances opened and resumed the way a host does it.
std::vector<std::unique_ptr<Drovik>> Load(int n)
{
  std::vector<std::unique_ptr<Drovik>> all;
  for (int i = 0; i < n; ++i)
  {
    {
      foundation::MainThreadScope mainThread;
      all.push_back(std::make_unique<Drovik>(plug::InstanceInfo{}));
      all.back()->StartTicks(); // as the entry point does once the instance is complete
    }
    vst2::Effect& e = all.back()->GetEffect();
    e.dispatcher(&e, vst2::effOpen, 0, 0, nullptr, 0.f);
    e.dispatcher(&e, vst2::effSetSampleRate, 0, 0, nullptr, 48000.f);
    e.dispatcher(&e, vst2::effSetBlockSize, 0, 512, nullptr, 0.f);
    e.dispatcher(&e, vst2::effMainsChanged, 0, 1, nullptr, 0.f);
  }
  return all;
}

void Unload(std::vector<std::unique_ptr<Drovik>>& all)
{
  for (auto& d : all)
  {
    vst2::Effect& e = d->GetEffect();
    e.dispatcher(&e, vst2::effMainsChanged, 0, 0, nullptr, 0.f);
    foundation::MainThreadScope mainThread;
    d.reset();
  }
}

void BM_IdleInstancesCpu(benchmark::State& state)
{
  auto all = Load(int(state.range(0)));
  std::this_thread::sleep_for(std::chrono::milliseconds(300)); // loading is not part of it
  for (auto _ : state)
  {
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - cpu0) / wall;
  }
  Unload(all);
}
BENCHMARK(BM_IdleInstancesCpu)->Arg(1)->Arg(32)->Arg(128)->ArgName("instances")->Iterations(1)->Unit(benchmark::kSecond);

/// One 20 ms step of a hand-driven clock and the run loop's firing of every instance's timer; time per instance.
void BM_IdleTickPerInstance(benchmark::State& state)
{
  const int n = int(state.range(0));
  foundation::ManualClock clock(1000.0);
  foundation::RunLoop::Main().UseManualClock(&clock);
  auto all = Load(n);
  foundation::RunLoop::Main().RunDueTimers();
  int fired = 0;
  for (auto _ : state)
  {
    clock.Advance(0.02);
    fired += foundation::RunLoop::Main().RunDueTimers();
  }
  state.counters["per_instance_us"] =
    benchmark::Counter(double(state.iterations()) * double(n) * 1e-6, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["timers_fired_per_step"] = double(fired) / double(state.iterations());
  Unload(all);
  foundation::RunLoop::Main().UseManualClock(nullptr);
}
BENCHMARK(BM_IdleTickPerInstance)->Arg(1)->Arg(128)->ArgName("instances");

} // namespace

BENCHMARK_MAIN();
