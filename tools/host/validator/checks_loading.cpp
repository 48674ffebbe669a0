// Loading checks: cold and warm load times, repeated close and reload, and the plug-in's description: record
// fields, names, parameters and programs, with the strictest level also holding every text to its field size and
// every out-of-range request to an answer of 0.
#include "check_support.h"

#include <chrono>

namespace host::validator {
namespace {

constexpr size_t kEffectNameField = 32;
constexpr size_t kVendorField = 64;
constexpr size_t kParamTextField = 64;
constexpr size_t kProgramNameField = 24;
constexpr int kUnknownOpcodeFirst = 80; // beyond every request of the 2.4 interface
constexpr int kUnknownOpcodeLast = 127;

double Milliseconds(std::chrono::steady_clock::time_point since)
{
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

/// Loads the module afresh, creates, opens and closes one instance, unloads.
bool LoadOnce(const std::string& path, bool process, std::string& error)
{
  auto module = Module::Open(path, error);
  if (!module) return false;
  auto plugin = Plugin::Create(module, error);
  if (!plugin) return false;
  if (plugin->EffectName().empty() && plugin->NumParams() < 0) return false; // touch the dispatcher
  if (process) {
    plugin->Start(44100.0, 512);
    BlockBuffers buffers(plugin->NumInputs(), plugin->NumOutputs(), 512);
    buffers.Run(*plugin, 512, false);
    const std::string bad = BadSample(buffers, 512, false);
    if (!bad.empty()) {
      error = bad;
      return false;
    }
  }
  return true;
}

Result LoadColdAndWarm(Context& c)
{
  std::string error;
  auto start = std::chrono::steady_clock::now();
  if (!LoadOnce(c.Opts().pluginPath, false, error)) return Result::Fail("cold load: " + error);
  const double cold = Milliseconds(start);
  start = std::chrono::steady_clock::now();
  if (!LoadOnce(c.Opts().pluginPath, false, error)) return Result::Fail("warm load: " + error);
  const double warm = Milliseconds(start);
  char detail[96];
  std::snprintf(detail, sizeof detail, "cold %.1f ms, warm %.1f ms", cold, warm);
  return Result::Pass(detail);
}

Result CloseAndReload(Context& c)
{
  const int times = c.Level() >= 3 ? 50 : 10;
  for (int i = 0; i < times; ++i) {
    std::string error;
    if (!LoadOnce(c.Opts().pluginPath, true, error))
      return Result::Fail("reload " + std::to_string(i + 1) + ": " + error);
  }
  return Result::Pass(std::to_string(times) + " times, processing a block each time");
}

/// A text the plug-in wrote: valid UTF-8 and, when `strict`, short enough for its field with a terminator.
std::string CheckText(const std::string& what, const std::string& text, size_t written, size_t field, bool strict)
{
  if (!IsValidUtf8(text)) return what + " " + Quote(text) + " is not valid UTF-8";
  if (strict && written + 1 > field)
    return what + " " + Quote(text) + " needs " + std::to_string(written + 1) + " bytes, its field holds " +
           std::to_string(field);
  return "";
}

std::string CheckRecord(Plugin& p)
{
  vst2::Effect* e = p.Record();
  if (e->numParams < 0 || e->numParams > kMaxParams) return "numParams " + std::to_string(e->numParams);
  if (e->numPrograms < 0 || e->numPrograms > kMaxPrograms) return "numPrograms " + std::to_string(e->numPrograms);
  if (e->numInputs < 0 || e->numInputs > kMaxChannels) return "numInputs " + std::to_string(e->numInputs);
  if (e->numOutputs < 0 || e->numOutputs > kMaxChannels) return "numOutputs " + std::to_string(e->numOutputs);
  const int32_t latency = p.Context().latency.load();
  if (latency < 0 || latency > kMaxLatency) return "initialDelay " + std::to_string(latency);
  if (!(e->flags & vst2::kFlagCanReplacing) || !e->processReplacing) return "no 32-bit replacing process";
  if ((e->flags & vst2::kFlagCanDoubleReplacing) && !e->processDoubleReplacing)
    return "the double-precision flag is set without a callback";
  if (!e->getParameter || !e->setParameter) return "no parameter callbacks";
  return "";
}

Result PluginInfo(Context& c)
{
  std::string error;
  auto p = c.NewInstance(error);
  if (!p) return Result::Fail(error);
  const bool strict = c.Level() >= kMaxLevel;
  std::string why = CheckRecord(*p);
  if (!why.empty()) return Result::Fail("record: " + why);
  size_t n = 0;
  std::string text = p->RawText(vst2::effGetEffectName, 0, &n);
  if (text.empty()) return Result::Fail("no effect name");
  why = CheckText("effect name", text, n, kEffectNameField, strict);
  for (int32_t op : {vst2::effGetVendorString, vst2::effGetProductString}) {
    if (!why.empty()) break;
    text = p->RawText(op, 0, &n);
    why = CheckText(op == vst2::effGetVendorString ? "vendor" : "product", text, n, kVendorField, strict);
  }
  for (int i = 0; i < p->NumParams() && why.empty(); ++i) {
    const std::string at = "parameter " + std::to_string(i) + " ";
    for (int32_t op : {vst2::effGetParamName, vst2::effGetParamLabel, vst2::effGetParamDisplay}) {
      text = p->RawText(op, i, &n);
      why = CheckText(at + (op == vst2::effGetParamName ? "name" : op == vst2::effGetParamLabel ? "label" : "display"),
                      text, n, kParamTextField, strict);
      if (!why.empty()) break;
    }
    const float v = p->GetParam(i);
    if (why.empty() && !(v >= 0.f && v <= 1.f)) why = at + "value " + std::to_string(v) + " is outside 0..1";
  }
  for (int i = 0; i < p->NumPrograms() && why.empty(); ++i) {
    text = p->RawText(vst2::effGetProgramNameIndexed, i, &n);
    why = CheckText("program " + std::to_string(i) + " name", text, n, kProgramNameField, strict);
  }
  if (why.empty() && strict) {
    for (int index : {-1, p->NumParams()}) {
      for (int32_t op : {vst2::effGetParamName, vst2::effGetParamLabel, vst2::effGetParamDisplay}) {
        text = p->RawText(op, index, &n);
        if (n != 0 && why.empty())
          why = "text request " + std::to_string(op) + " for parameter " + std::to_string(index) + " wrote " + Quote(text);
      }
      const float v = p->GetParam(index);
      if (v != 0.f && why.empty()) why = "getParameter(" + std::to_string(index) + ") answered " + std::to_string(v);
    }
    text = p->RawText(vst2::effGetProgramNameIndexed, p->NumPrograms(), &n);
    if (n != 0 && why.empty()) why = "the name of program " + std::to_string(p->NumPrograms()) + " is " + Quote(text);
    for (int op = kUnknownOpcodeFirst; op <= kUnknownOpcodeLast && why.empty(); ++op) {
      char scratch[256] = {};
      const intptr_t answer = p->Dispatch(op, 0, 0, scratch);
      if (answer != 0) why = "unknown request " + std::to_string(op) + " answered " + std::to_string(answer);
    }
  }
  if (!why.empty()) return Result::Fail(why);
  return Result::Pass(std::to_string(p->NumParams()) + " parameters, " + std::to_string(p->NumPrograms()) +
                      " programs, " + std::to_string(p->NumInputs()) + " in / " + std::to_string(p->NumOutputs()) +
                      " out");
}

Result Programs(Context& c)
{
  std::string error;
  auto p = c.NewInstance(error);
  if (!p) return Result::Fail(error);
  if (p->NumPrograms() == 0) {
    p->SetProgram(0);
    return Result::Pass("no programs");
  }
  const int original = p->CurrentProgram();
  if (original < 0 || original >= p->NumPrograms())
    return Result::Fail("current program " + std::to_string(original) + " is out of range");
  const std::vector<float> before = Snapshot(*p);
  const int switches = c.Level() >= kMaxLevel ? 100 : 20;
  for (int i = 0; i < switches; ++i) {
    const int k = c.Pick(p->NumPrograms());
    p->SetProgram(k);
    if (p->CurrentProgram() != k)
      return Result::Fail("after switching to program " + std::to_string(k) + " the current program is " +
                          std::to_string(p->CurrentProgram()));
    for (float v : Snapshot(*p))
      if (!(v >= 0.f && v <= 1.f)) return Result::Fail("program " + std::to_string(k) + " has a value outside 0..1");
    if (!IsValidUtf8(p->ProgramName())) return Result::Fail("program " + std::to_string(k) + " name is not UTF-8");
  }
  p->SetProgram(original);
  const std::string diff = Compare(*p, before, Snapshot(*p), 1e-6f);
  if (!diff.empty()) return Result::Fail("back on program " + std::to_string(original) + ": " + diff);
  return Result::Pass(std::to_string(switches) + " switches over " + std::to_string(p->NumPrograms()) + " programs");
}

} // namespace

std::vector<Check> LoadingChecks()
{
  return {{"load cold and warm", 1, LoadColdAndWarm}, {"close and reload", 3, CloseAndReload}};
}

std::vector<Check> DescriptionChecks()
{
  return {{"plug-in info", 1, PluginInfo}, {"programs", 2, Programs}};
}

} // namespace host::validator
