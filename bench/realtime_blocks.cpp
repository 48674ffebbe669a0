// The longest audio block while a host works the plug-in from another thread. The audio thread processes
// 512-frame stereo blocks at 48 kHz in real time (one block every 10.7 ms); meanwhile the host thread, every
// 3 ms, restores a saved state, switches the oversampling between off and 4x, or moves a few parameters. Every
// block's duration is measured; the program prints the longest, the 99th percentile and the median. A block
// that takes longer than its 10.7 ms budget is a dropout the user hears. With --idle-host the host thread does
// nothing: the figure then shows what the machine itself adds (scheduling, other load).
#include "core/vst2/IPluginVST2.h"
#include "core/vst2/PluginEntry.h"
#include "effect/DrovikParams.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr double kSeconds = 4.0;
constexpr auto kHostPeriod = std::chrono::milliseconds(3);

intptr_t HostCallback(vst2::Effect*, int32_t opcode, int32_t, intptr_t, void* ptr, float)
{
  if (opcode == vst2::audioMasterGetProductString && ptr)
  {
    std::snprintf(static_cast<char*>(ptr), 64, "%s", "BenchHost");
    return 1;
  }
  return 0;
}

/// The instance makes its data folders in the user's home: the program gives it a home of its own.
void UseTemporaryHome()
{
  static char home[] = "/tmp/drovik-rt-bench-XXXXXX";
  if (!mkdtemp(home)) return;
  setenv("HOME", home, 1);
  unsetenv("XDG_DATA_HOME");
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  });
}

struct Host
{
  vst2::Effect* effect;
  intptr_t Dispatch(int32_t op, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f)
  {
    return effect->dispatcher(effect, op, index, value, ptr, opt);
  }
  float Normalized(int idx, double value) const
  {
    return float(static_cast<plug::IPluginVST2*>(effect->object)->GetParam(idx)->ToNormalized(value));
  }
  /// The program chunk with the oversampling at `setting`.
  std::vector<char> StateAt(int setting)
  {
    effect->setParameter(effect, kOversampling, Normalized(kOversampling, setting));
    void* data = nullptr;
    const intptr_t size = Dispatch(vst2::effGetChunk, 1, 0, &data);
    return size > 0 ? std::vector<char>(static_cast<char*>(data), static_cast<char*>(data) + size)
                    : std::vector<char>();
  }
};

void AudioThread(Host host, std::atomic<bool>& stop, std::vector<double>& blockMs)
{
  std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  const auto period = std::chrono::duration<double>(kBlock / kRate);
  auto next = Clock::now();
  long frame = 0;
  while (!stop.load())
  {
    for (int i = 0; i < kBlock; ++i, ++frame)
    {
      inL[size_t(i)] = float(0.5 * std::sin(2 * M_PI * 220.0 * double(frame) / kRate));
      inR[size_t(i)] = float(0.5 * std::sin(2 * M_PI * 330.0 * double(frame) / kRate));
    }
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    const auto start = Clock::now();
    host.effect->processReplacing(host.effect, in, out, kBlock);
    blockMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    next += std::chrono::duration_cast<Clock::duration>(period);
    std::this_thread::sleep_until(next);
  }
}

void HostThread(Host host, std::atomic<bool>& stop, const std::vector<char>& stateOff,
                const std::vector<char>& state4x)
{
  const int moved[] = {kSat_driveeven, kSat_driveodd, kInputTrim, kClipCeiling, kSat_stages, kMeterMode};
  for (int step = 0; !stop.load(); ++step)
  {
    switch (step % 3)
    {
    case 0:
    {
      const std::vector<char>& state = (step / 3) % 2 ? stateOff : state4x;
      host.Dispatch(vst2::effSetChunk, 1, intptr_t(state.size()), const_cast<char*>(state.data()));
      break;
    }
    case 1:
      host.effect->setParameter(host.effect, kOversampling, host.Normalized(kOversampling, (step / 3) % 2 ? kOS4x : kOSOff));
      break;
    default:
      for (int idx : moved)
        host.effect->setParameter(host.effect, idx, float((step * 37 + idx * 11) % 100) / 100.f);
      break;
    }
    std::this_thread::sleep_for(kHostPeriod);
  }
}

} // namespace

int main(int argc, char** argv)
{
  const bool idleHost = argc > 1 && std::strcmp(argv[1], "--idle-host") == 0;
  UseTemporaryHome();
  Host host{plug::VSTEntry(&HostCallback)};
  if (!host.effect) return 1;
  host.Dispatch(vst2::effOpen);
  host.Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, float(kRate));
  host.Dispatch(vst2::effSetBlockSize, 0, kBlock);
  host.Dispatch(vst2::effMainsChanged, 0, 1);
  const std::vector<char> stateOff = host.StateAt(kOSOff);
  const std::vector<char> state4x = host.StateAt(kOS4x);
  host.effect->setParameter(host.effect, kSat_offon, 1.f);

  std::atomic<bool> stop{false};
  std::vector<double> blockMs;
  blockMs.reserve(size_t(kSeconds * kRate / kBlock) + 16);
  std::thread audio(AudioThread, host, std::ref(stop), std::ref(blockMs));
  std::thread control([&] {
    if (!idleHost) HostThread(host, stop, stateOff, state4x);
  });
  std::this_thread::sleep_for(std::chrono::duration<double>(kSeconds));
  stop = true;
  audio.join();
  control.join();
  host.Dispatch(vst2::effMainsChanged, 0, 0);
  host.Dispatch(vst2::effClose);

  std::sort(blockMs.begin(), blockMs.end());
  const size_t n = blockMs.size();
  if (n == 0) return 1;
  std::printf("blocks: %zu of %d frames at %.0f Hz (budget %.2f ms)\n", n, kBlock, kRate, 1000.0 * kBlock / kRate);
  std::printf("median block: %.3f ms\n", blockMs[n / 2]);
  std::printf("99th percentile: %.3f ms\n", blockMs[std::min(n - 1, n * 99 / 100)]);
  std::printf("longest block: %.3f ms\n", blockMs.back());
  return 0;
}
