// Audio checks: noise through every rate, block size and precision; impulses that must come out exactly
// initialDelay late, processed and bypassed, for every oversampling setting; automation while processing; and
// zero heap allocations on the audio thread.
#include "alloc_probe.h"
#include "check_support.h"

#include <algorithm>
#include <cctype>

namespace host::validator {
namespace {

constexpr double kNoiseSeconds = 0.05;
constexpr int kLargerBlocks[] = {1024, 4096};
constexpr int kAnnouncedBeforeLarger = 256;
constexpr int kAutomationStride = 32; // frames per random parameter change
constexpr int kLatencyRate = 48000;
constexpr int kLatencyBlock = 256;
constexpr double kImpulse = 0.5;
constexpr double kBypassTolerance = 1e-6;
constexpr double kAudibleOutput = 1e-3;
constexpr int kMaxSettings = 8;

std::vector<bool> Precisions(Plugin& p, bool both)
{
  std::vector<bool> out = {false};
  if (both && p.CanDouble()) out.push_back(true);
  return out;
}

/// Runs `frames` frames of noise in blocks of `block`; `between` runs before each block. "" when clean.
std::string Noise(Context& c, Plugin& p, int block, int bufferFrames, long frames, bool useDouble,
                  const std::function<void(int)>& between = nullptr)
{
  BlockBuffers buffers(p.NumInputs(), p.NumOutputs(), bufferFrames);
  for (long done = 0; done < frames; done += block) {
    if (between) between(block);
    FillNoise(c, buffers, block);
    buffers.Run(p, block, useDouble);
    const std::string bad = BadSample(buffers, block, useDouble);
    if (!bad.empty()) return bad + " (after " + std::to_string(done) + " frames)";
  }
  return "";
}

std::string Where(double rate, int block, bool useDouble)
{
  return std::to_string(static_cast<int>(rate)) + " Hz, block " + std::to_string(block) +
         (useDouble ? ", 64-bit" : ", 32-bit");
}

Result AudioProcessing(Context& c)
{
  std::string error;
  auto p = c.NewInstance(error);
  if (!p) return Result::Fail(error);
  const bool full = c.Level() >= 3;
  std::vector<double> rates = full ? std::vector<double>(std::begin(kRates), std::end(kRates)) : std::vector<double>{44100.0};
  std::vector<int> blocks = full ? std::vector<int>(std::begin(kBlockSizes), std::end(kBlockSizes)) : std::vector<int>{512};
  int cases = 0;
  for (bool useDouble : Precisions(*p, true)) {
    for (double rate : rates) {
      for (int block : blocks) {
        p->Start(rate, block);
        const long frames = std::max<long>(4L * block, static_cast<long>(kNoiseSeconds * rate));
        const std::string bad = Noise(c, *p, block, block, frames, useDouble);
        if (!bad.empty()) return Result::Fail(Where(rate, block, useDouble) + ": " + bad);
        ++cases;
      }
      if (c.Level() >= 4) { // blocks larger than the announced size
        p->Start(rate, kAnnouncedBeforeLarger);
        for (int block : kLargerBlocks) {
          const std::string bad = Noise(c, *p, block, block, 4L * block, useDouble);
          if (!bad.empty())
            return Result::Fail(Where(rate, block, useDouble) + " after announcing " +
                                std::to_string(kAnnouncedBeforeLarger) + ": " + bad);
          ++cases;
        }
      }
    }
  }
  p->Stop();
  return Result::Pass(std::to_string(cases) + " cases" + (p->CanDouble() ? "" : " (no 64-bit path)"));
}

/// One oversampling setting: a normalised value and the text the plug-in shows for it.
struct Setting
{
  float value;
  std::string text;
};

/// A parameter that selects oversampling: its name mentions it, starts with "OS " or is "ovs".
int OversamplingParam(Plugin& p)
{
  for (int i = 0; i < p.NumParams(); ++i) {
    std::string name = p.ParamName(i);
    for (auto& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (name.find("oversampl") != std::string::npos || name.compare(0, 3, "os ") == 0 || name == "ovs") return i;
  }
  return -1;
}

std::vector<Setting> Settings(Plugin& p, int param)
{
  if (param < 0) return {{-1.f, "as loaded"}};
  std::vector<Setting> out;
  for (int k = 0; k <= 20 && static_cast<int>(out.size()) < kMaxSettings; ++k) {
    const float v = static_cast<float>(k) / 20.f;
    p.SetParam(param, v);
    const std::string text = p.ParamDisplay(param);
    if (std::none_of(out.begin(), out.end(), [&](const Setting& s) { return s.text == text; })) out.push_back({v, text});
  }
  return out;
}

/// Feeds zeros, one impulse at frame `at`, zeros again; returns every output channel.
std::vector<std::vector<double>> ImpulseResponse(Plugin& p, int at, int total)
{
  BlockBuffers buffers(p.NumInputs(), p.NumOutputs(), kLatencyBlock);
  std::vector<std::vector<double>> out(static_cast<size_t>(p.NumOutputs()), std::vector<double>(static_cast<size_t>(total)));
  for (int start = 0; start < total; start += kLatencyBlock) {
    const int n = std::min(kLatencyBlock, total - start);
    for (int ch = 0; ch < p.NumInputs(); ++ch) {
      std::fill(buffers.In(ch), buffers.In(ch) + n, 0.0);
      if (at >= start && at < start + n) buffers.In(ch)[at - start] = kImpulse;
    }
    buffers.Run(p, n, false);
    for (int ch = 0; ch < p.NumOutputs(); ++ch)
      std::copy(buffers.Out(ch), buffers.Out(ch) + n, out[static_cast<size_t>(ch)].begin() + start);
  }
  return out;
}

/// Processed: the loudest output sample of every audible channel sits at `at` + latency.
std::string CheckProcessedImpulse(Plugin& p, int latency)
{
  const int at = 4096 + 2 * latency;
  const auto out = ImpulseResponse(p, at, at + latency + 4096);
  int audible = 0;
  for (size_t ch = 0; ch < out.size(); ++ch) {
    const auto& y = out[ch];
    auto peak = std::max_element(y.begin(), y.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); });
    if (std::fabs(*peak) < kAudibleOutput) continue;
    ++audible;
    const long delay = static_cast<long>(peak - y.begin()) - at;
    if (delay != latency)
      return "processed impulse on output " + std::to_string(ch) + " peaks " + std::to_string(delay) +
             " samples late, initialDelay is " + std::to_string(latency);
  }
  if (audible == 0) return "no output for an impulse";
  return "";
}

/// Bypassed: every output that has an input is that input delayed by exactly the latency, nothing else.
std::string CheckBypassedImpulse(Plugin& p, int latency, const std::string& how)
{
  const int at = 4096 + 2 * latency;
  const auto out = ImpulseResponse(p, at, at + latency + 4096);
  const size_t channels = std::min<size_t>(out.size(), static_cast<size_t>(p.NumInputs()));
  for (size_t ch = 0; ch < channels; ++ch) {
    const auto& y = out[ch];
    for (size_t f = static_cast<size_t>(at - 2048); f < y.size(); ++f) { // earlier frames may still hold the warm-up
      const double want = static_cast<long>(f) == at + latency ? kImpulse : 0.0;
      if (std::fabs(y[f] - want) > kBypassTolerance) {
        const long peak = static_cast<long>(std::max_element(y.begin(), y.end()) - y.begin()) - at;
        return how + " output " + std::to_string(ch) + " is not the input delayed by initialDelay " +
               std::to_string(latency) + " (frame " + std::to_string(static_cast<long>(f) - at) + " holds " +
               std::to_string(y[f]) + ", the peak is " + std::to_string(peak) + " samples late)";
      }
    }
  }
  return "";
}

Result BypassAndLatency(Context& c)
{
  std::string error;
  auto p = c.NewInstance(error);
  if (!p) return Result::Fail(error);
  if (p->NumInputs() == 0) return Result::Skip("the plug-in has no inputs");
  const int osParam = OversamplingParam(*p);
  const int bypassParam = FindParam(*p, "bypass");
  const bool hostBypass = p->CanDo("bypass") == 1;
  std::string report;
  for (const Setting& s : Settings(*p, osParam)) {
    if (osParam >= 0) p->SetParam(osParam, s.value);
    if (bypassParam >= 0) p->SetParam(bypassParam, 0.f);
    p->Start(kLatencyRate, kLatencyBlock);
    BlockBuffers settle(p->NumInputs(), p->NumOutputs(), kLatencyBlock);
    const int latency = SettleLatency(*p, settle);
    std::string why = CheckProcessedImpulse(*p, latency);
    if (why.empty() && hostBypass) {
      p->SetBypass(true);
      const int bypassedLatency = SettleLatency(*p, settle);
      why = bypassedLatency != latency ? "host bypass changed initialDelay to " + std::to_string(bypassedLatency)
                                       : CheckBypassedImpulse(*p, latency, "host-bypassed");
      p->SetBypass(false);
    }
    if (why.empty() && bypassParam >= 0) {
      p->SetParam(bypassParam, 1.f);
      const int bypassedLatency = SettleLatency(*p, settle);
      why = CheckBypassedImpulse(*p, bypassedLatency, "bypass-parameter");
      p->SetParam(bypassParam, 0.f);
    }
    const std::string setting = osParam >= 0 ? "oversampling " + Quote(s.text) : "setting as loaded";
    if (!why.empty()) return Result::Fail(setting + ": " + why);
    report += (report.empty() ? "" : ", ") + setting + " latency " + std::to_string(latency);
  }
  p->Stop();
  report += hostBypass ? "; host bypass checked" : "; no host bypass offered";
  report += bypassParam >= 0 ? "; bypass parameter " + Quote(p->ParamName(bypassParam)) + " checked" : "; no bypass parameter";
  return Result::Pass(report);
}

Result Automation(Context& c)
{
  std::string error;
  auto p = c.NewInstance(error);
  if (!p) return Result::Fail(error);
  if (p->NumParams() == 0) return Result::Pass("no parameters");
  const double seconds = kNoiseSeconds;
  long changes = 0;
  for (bool useDouble : Precisions(*p, c.Level() >= 4)) {
    for (double rate : kRates) {
      for (int block : kBlockSizes) {
        p->Start(rate, block);
        auto change = [&](int frames) {
          for (int k = 0; k < std::max(1, frames / kAutomationStride); ++k, ++changes)
            p->SetParam(c.Pick(p->NumParams()), c.Uniform());
        };
        const long frames = std::max<long>(4L * block, static_cast<long>(seconds * rate));
        const std::string bad = Noise(c, *p, block, block, frames, useDouble, change);
        if (!bad.empty()) return Result::Fail(Where(rate, block, useDouble) + ": " + bad);
      }
    }
  }
  p->Stop();
  for (int i = 0; i < p->NumParams(); ++i) {
    const float v = p->GetParam(i);
    if (!(v >= 0.f && v <= 1.f)) return Result::Fail("parameter " + std::to_string(i) + " ended at " + std::to_string(v));
  }
  return Result::Pass(std::to_string(changes) + " changes, one per " + std::to_string(kAutomationStride) + " frames");
}

Result Allocations(Context& c)
{
  if (!alloc::Available()) return Result::Skip(alloc::Unavailable());
  std::string error;
  auto p = c.NewInstance(error);
  if (!p) return Result::Fail(error);
  constexpr int kBlock = 512, kWarmUp = 32, kCounted = 256;
  std::string report;
  for (bool useDouble : Precisions(*p, true)) {
    p->Start(48000.0, kBlock);
    BlockBuffers buffers(p->NumInputs(), p->NumOutputs(), kBlock);
    FillNoise(c, buffers, kBlock);
    for (int i = 0; i < kWarmUp; ++i) buffers.Run(*p, kBlock, useDouble);
    size_t count = 0;
    {
      alloc::Scope scope;
      for (int i = 0; i < kCounted; ++i) buffers.Run(*p, kBlock, useDouble);
      count = scope.Count();
    }
    if (count != 0)
      return Result::Fail(std::to_string(count) + " heap allocations in " + std::to_string(kCounted) + " " +
                          (useDouble ? "64-bit" : "32-bit") + " blocks");
    report += std::string(report.empty() ? "" : ", ") + "0 in " + std::to_string(kCounted) +
              (useDouble ? " 64-bit" : " 32-bit") + " blocks";
  }
  p->Stop();
  return Result::Pass(report);
}

} // namespace

std::vector<Check> AudioChecks()
{
  return {{"audio processing", 1, AudioProcessing},
          {"bypass and latency", 3, BypassAndLatency},
          {"automation", 3, Automation},
          {"allocations on the audio thread", 4, Allocations}};
}

} // namespace host::validator
