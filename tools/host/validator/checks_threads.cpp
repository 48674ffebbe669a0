// Thread checks: several instances created from several threads at once, and one instance driven from four
// threads at once (audio processing, setParameter, string-to-parameter, chunks or program files on the main
// thread). Races show as a crash, a bad sample or, under ThreadSanitizer, a report.
#include "check_support.h"
#include "host/program_files.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace host::validator {
namespace {

constexpr int kCreatorThreads = 4;
constexpr int kInstancesPerThread = 3;
constexpr int kThreadBlock = 256;

Result InstancesFromThreads(Context& c)
{
  std::string error;
  auto module = c.SharedModule(error);
  if (!module) return Result::Fail(error);
  std::vector<std::unique_ptr<Plugin>> made(kCreatorThreads * kInstancesPerThread);
  std::vector<std::string> errors(made.size());
  std::mutex m;
  std::condition_variable go;
  bool started = false;
  std::vector<std::thread> threads;
  for (int t = 0; t < kCreatorThreads; ++t) {
    threads.emplace_back([&, t] {
      {
        std::unique_lock<std::mutex> lock(m);
        go.wait(lock, [&] { return started; });
      }
      for (int k = 0; k < kInstancesPerThread; ++k) {
        const size_t slot = static_cast<size_t>(t * kInstancesPerThread + k);
        made[slot] = Plugin::Create(module, errors[slot]);
        if (!made[slot]) continue;
        Plugin& p = *made[slot];
        p.EffectName();
        p.Start(44100.0, kThreadBlock);
        BlockBuffers buffers(p.NumInputs(), p.NumOutputs(), kThreadBlock);
        buffers.Run(p, kThreadBlock, false);
        const std::string bad = BadSample(buffers, kThreadBlock, false);
        if (!bad.empty()) errors[slot] = bad;
        p.Stop();
      }
    });
  }
  {
    std::lock_guard<std::mutex> lock(m);
    started = true;
  }
  go.notify_all();
  for (auto& t : threads) t.join();
  std::set<vst2::Effect*> records;
  std::string name;
  for (size_t i = 0; i < made.size(); ++i) {
    if (!made[i] || !errors[i].empty()) return Result::Fail("instance " + std::to_string(i) + ": " + errors[i]);
    records.insert(made[i]->Record());
    if (name.empty()) name = made[i]->EffectName();
    if (made[i]->EffectName() != name) return Result::Fail("instance " + std::to_string(i) + " has another name");
  }
  if (records.size() != made.size()) return Result::Fail("two instances share one effect record");
  return Result::Pass(std::to_string(made.size()) + " instances from " + std::to_string(kCreatorThreads) + " threads");
}

Result ThreadSafety(Context& c)
{
  std::string error;
  auto p = c.NewInstance(error);
  if (!p) return Result::Fail(error);
  const int blocks = c.Level() >= kMaxLevel ? 1500 : 400;
  p->Start(48000.0, kThreadBlock);
  std::atomic<bool> done{false};
  std::string audioProblem;
  const uint32_t seed = c.Opts().seed;
  const int params = p->NumParams();

  std::thread audio([&] {
    std::mt19937 random(seed + 1);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    BlockBuffers buffers(p->NumInputs(), p->NumOutputs(), kThreadBlock);
    for (int b = 0; b < blocks && audioProblem.empty(); ++b) {
      for (int ch = 0; ch < buffers.Inputs(); ++ch)
        for (int f = 0; f < kThreadBlock; ++f) buffers.In(ch)[f] = noise(random);
      const bool useDouble = p->CanDouble() && (b % 2 == 1);
      buffers.Run(*p, kThreadBlock, useDouble);
      audioProblem = BadSample(buffers, kThreadBlock, useDouble);
    }
    done = true;
  });
  std::thread setter([&] {
    std::mt19937 random(seed + 2);
    std::uniform_real_distribution<float> value(0.f, 1.f);
    while (!done && params > 0) {
      p->SetParam(static_cast<int>(random() % static_cast<unsigned>(params)), value(random));
      std::this_thread::yield();
    }
  });
  std::thread texter([&] {
    std::mt19937 random(seed + 3);
    static const char* const kTexts[] = {"0", "0.5", "1", "-3", "12.5", "100", "on", "off", "abc", ""};
    while (!done && params > 0) {
      p->SetParamText(static_cast<int>(random() % static_cast<unsigned>(params)), kTexts[random() % 10]);
      std::this_thread::yield();
    }
  });
  int stateRounds = 0;
  std::string mainProblem;
  while (!done) {
    std::vector<uint8_t> bytes;
    std::string e;
    if (p->HasChunks()) {
      if (p->GetChunk(true, bytes)) p->SetChunk(true, bytes);
    } else if (SaveProgram(*p, bytes, e) && !LoadProgram(*p, bytes, e)) {
      mainProblem = "a program file the plug-in just gave could not be loaded: " + e;
    }
    ++stateRounds;
  }
  audio.join();
  setter.join();
  texter.join();
  p->Stop();
  if (!audioProblem.empty()) return Result::Fail("audio thread: " + audioProblem);
  if (!mainProblem.empty()) return Result::Fail(mainProblem);
  for (int i = 0; i < params; ++i) {
    const float v = p->GetParam(i);
    if (!(v >= 0.f && v <= 1.f)) return Result::Fail("parameter " + std::to_string(i) + " ended at " + std::to_string(v));
  }
  return Result::Pass(std::to_string(blocks) + " blocks against " + std::to_string(stateRounds) + " " +
                      (p->HasChunks() ? "chunk" : "program-file") + " round trips and two parameter threads");
}

} // namespace

std::vector<Check> ThreadChecks()
{
  return {{"instances from several threads", 3, InstancesFromThreads}, {"thread safety", 4, ThreadSafety}};
}

} // namespace host::validator
