// A small VST 2.x plug-in the host tests load. Its behaviour is chosen by DROVIK_FIXTURE when an instance is
// created: "sane" (default) is a well-behaved gain with a latency delay line, chunks and two programs; "values" is
// the same without chunks (its programs are their values); the other modes each break one promise ("hostile"
// answers out of range everywhere, "allocating" allocates while processing, "nan" produces NaN, "late" hides its
// latency, "early" announces twice the latency it has, "sloppy-chunk" changes state on a refused chunk, "racy"
// shares its state between threads without synchronisation, "crashing" aborts while processing, "quiet-latency"
// changes the record's latency at once but never tells the host), so a host check can be shown to catch it. Its
// editor (fixture_editor.h) answers the rectangle DROVIK_FIXTURE_RECT names.
#include "fixture_editor.h"
#include "vst2/vst2.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kParams = 4; // gain, oversampling (sets the latency), colour, bypass
constexpr int kPrograms = 2;
constexpr int32_t kChunkMagic = 0x46495854; // 'FIXT'
constexpr int kMaxLatency = 64;
constexpr int kLatencies[] = {0, 16, 64};
const char* const kFactors[] = {"off", "2x", "4x"};

enum class Mode
{
  Sane,
  Hostile,
  Allocating,
  Nan,
  Late,
  SloppyChunk,
  Racy,
  Crashing,
  QuietLatency,
  Early,
  Values,
};

Mode ModeFromEnvironment()
{
  const char* m = std::getenv("DROVIK_FIXTURE");
  if (!m) return Mode::Sane;
  const std::string s = m;
  if (s == "hostile") return Mode::Hostile;
  if (s == "allocating") return Mode::Allocating;
  if (s == "nan") return Mode::Nan;
  if (s == "late") return Mode::Late;
  if (s == "sloppy-chunk") return Mode::SloppyChunk;
  if (s == "racy") return Mode::Racy;
  if (s == "crashing") return Mode::Crashing;
  if (s == "quiet-latency") return Mode::QuietLatency;
  if (s == "early") return Mode::Early;
  if (s == "values") return Mode::Values;
  return Mode::Sane;
}

float Clamp01(float v) { return std::isnan(v) ? 0.f : v < 0.f ? 0.f : v > 1.f ? 1.f : v; }

struct Fixture
{
  vst2::Effect effect{};
  vst2::HostCallback host = nullptr;
  Mode mode = Mode::Sane;
  std::atomic<float> params[kParams];
  float programs[kPrograms][kParams] = {{0.5f, 0.f, 0.f, 0.f}, {0.25f, 0.5f, 1.f, 0.f}};
  char programNames[kPrograms][24] = {"First", "Second"};
  int program = 0;
  bool bypass = false;
  std::vector<uint8_t> chunk;
  double ring[2][kMaxLatency + 1] = {};
  int ringPos = 0;
  int racyCounter = 0; // written by the audio thread and setParameter without a lock in "racy" mode
  long blocks = 0;
  fixture::Editor editor;

  int LatencyFor(float v) const { return kLatencies[v < 0.25f ? 0 : v < 0.75f ? 1 : 2]; }
  int Latency() const { return LatencyFor(params[1].load()); }
};

Fixture* Self(vst2::Effect* e) { return static_cast<Fixture*>(e->object); }

void ReportLatency(Fixture* f)
{
  const int latency = f->Latency();
  const int reported = f->mode == Mode::Late ? 0 : f->mode == Mode::Early ? 2 * latency : latency;
  if (f->effect.initialDelay != reported) {
    f->effect.initialDelay = reported;
    if (f->host && f->mode != Mode::QuietLatency) f->host(&f->effect, vst2::audioMasterIOChanged, 0, 0, nullptr, 0.f);
  }
}

void CopyText(void* ptr, const char* text, size_t size)
{
  if (!ptr) return;
  std::strncpy(static_cast<char*>(ptr), text, size - 1);
  static_cast<char*>(ptr)[size - 1] = 0;
}

void HostileText(void* ptr)
{
  if (!ptr) return;
  std::memset(ptr, 'x', 300); // no terminator, longer than any field
}

bool ReadChunk(Fixture* f, const uint8_t* data, intptr_t size, bool bank)
{
  const intptr_t want = 4 + 4 * (bank ? kParams * kPrograms : kParams);
  int32_t magic = 0;
  if (size >= 4) std::memcpy(&magic, data, 4);
  if (f->mode == Mode::SloppyChunk && size >= 8) { // applies before checking, then refuses
    float v;
    std::memcpy(&v, data + 4, 4);
    f->params[0] = Clamp01(v);
  }
  if (size != want || magic != kChunkMagic) return false;
  std::vector<float> values(static_cast<size_t>((want - 4) / 4));
  std::memcpy(values.data(), data + 4, values.size() * 4);
  for (float v : values)
    if (!(v >= 0.f && v <= 1.f)) return false;
  if (bank) {
    for (int p = 0; p < kPrograms; ++p)
      for (int i = 0; i < kParams; ++i) f->programs[p][i] = values[static_cast<size_t>(p * kParams + i)];
    for (int i = 0; i < kParams; ++i) f->params[i] = f->programs[f->program][i];
  } else {
    for (int i = 0; i < kParams; ++i) f->params[i] = values[static_cast<size_t>(i)];
  }
  return true;
}

intptr_t GetChunk(Fixture* f, bool bank, void* ptr)
{
  if (!ptr) return 0;
  f->chunk.assign(4, 0);
  std::memcpy(f->chunk.data(), &kChunkMagic, 4);
  auto put = [&](float v) {
    uint8_t b[4];
    std::memcpy(b, &v, 4);
    f->chunk.insert(f->chunk.end(), b, b + 4);
  };
  if (bank) {
    for (int i = 0; i < kParams; ++i) f->programs[f->program][i] = f->params[i];
    for (auto& program : f->programs)
      for (float v : program) put(v);
  } else {
    for (auto& p : f->params) put(p.load());
  }
  *static_cast<void**>(ptr) = f->chunk.data();
  return static_cast<intptr_t>(f->chunk.size());
}

void SetProgram(Fixture* f, intptr_t value)
{
  if (value < 0 || value >= kPrograms) return;
  for (int i = 0; i < kParams; ++i) f->programs[f->program][i] = f->params[i];
  f->program = static_cast<int>(value);
  for (int i = 0; i < kParams; ++i) f->params[i] = f->programs[f->program][i];
  ReportLatency(f);
}

intptr_t HostileDispatch(Fixture* f, int32_t opcode, int32_t index, intptr_t value, void* ptr)
{
  switch (opcode) {
    case vst2::effClose: delete f; return 0;
    case vst2::effGetEffectName:
    case vst2::effGetVendorString:
    case vst2::effGetProductString:
    case vst2::effGetParamName:
    case vst2::effGetParamLabel:
    case vst2::effGetParamDisplay:
    case vst2::effGetProgramName:
    case vst2::effGetProgramNameIndexed: HostileText(ptr); return 1;
    case vst2::effGetChunk:
      if (ptr) *static_cast<void**>(ptr) = nullptr;
      return index == 0 ? -5 : intptr_t(1) << 40;
    case vst2::effGetProgram: return 99999;
    case vst2::effCanDo: return -123456789;
    case vst2::effGetInputProperties:
    case vst2::effGetOutputProperties:
      if (ptr) std::memset(ptr, 'y', sizeof(vst2::PinProperties));
      return 1;
    default: return 0;
  }
}

intptr_t Dispatch(vst2::Effect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
  Fixture* f = Self(e);
  if (!f) return 0;
  if (f->mode == Mode::Hostile) return HostileDispatch(f, opcode, index, value, ptr);
  static const char* const kNames[kParams] = {"Gain", "Oversampling", "Colour", "Bypass"};
  switch (opcode) {
    case vst2::effClose: delete f; return 0;
    case vst2::effSetProgram: SetProgram(f, value); return 0;
    case vst2::effGetProgram: return f->program;
    case vst2::effSetProgramName: if (ptr) CopyText(f->programNames[f->program], static_cast<char*>(ptr), 24); return 0;
    case vst2::effGetProgramName: CopyText(ptr, f->programNames[f->program], 24); return 0;
    case vst2::effGetProgramNameIndexed:
      if (index < 0 || index >= kPrograms) return 0;
      CopyText(ptr, f->programNames[index], 24);
      return 1;
    case vst2::effGetParamName: if (index >= 0 && index < kParams) CopyText(ptr, kNames[index], 64); return 0;
    case vst2::effGetParamLabel: if (index >= 0 && index < kParams) CopyText(ptr, index == 0 ? "x" : "", 64); return 0;
    case vst2::effGetParamDisplay:
      if (index == 1 && ptr) CopyText(ptr, kFactors[f->Latency() == 0 ? 0 : f->Latency() == 16 ? 1 : 2], 64);
      else if (index == 3 && ptr) CopyText(ptr, f->params[3].load() >= 0.5f ? "on" : "off", 64);
      else if (index >= 0 && index < kParams && ptr) std::snprintf(static_cast<char*>(ptr), 64, "%.3f", f->params[index].load());
      return 0;
    case vst2::effGetChunk: return GetChunk(f, index == 0, ptr);
    case vst2::effSetChunk: {
      if (!ptr || value <= 0) return 0;
      const bool ok = ReadChunk(f, static_cast<const uint8_t*>(ptr), value, index == 0);
      ReportLatency(f);
      return ok ? 1 : 0;
    }
    case vst2::effString2Parameter: {
      if (index < 0 || index >= kParams) return 0;
      if (!ptr) return 1;
      f->params[index] = Clamp01(static_cast<float>(std::atof(static_cast<char*>(ptr))));
      return 1;
    }
    case vst2::effSetBypass: f->bypass = value != 0; return 1;
    case vst2::effGetEffectName: CopyText(ptr, "Fixture", 32); return 1;
    case vst2::effGetVendorString: CopyText(ptr, "Drovik tests", 64); return 1;
    case vst2::effGetProductString: CopyText(ptr, "Fixture", 64); return 1;
    case vst2::effGetVendorVersion: return 1000;
    case vst2::effGetPlugCategory: return vst2::kCategoryEffect;
    case vst2::effCanDo: return ptr && !std::strcmp(static_cast<char*>(ptr), "bypass") ? 1 : 0;
    case vst2::effGetVstVersion: return vst2::kVstVersion;
    case vst2::effMainsChanged: ReportLatency(f); return 0;
    case vst2::effEditGetRect: return ptr && f->editor.Rect(*static_cast<vst2::Rect**>(ptr)) ? 1 : 0;
    case vst2::effEditOpen: return f->editor.Open(ptr) ? 1 : 0;
    case vst2::effEditIdle: f->editor.Idle(); return 0;
    case vst2::effEditClose: f->editor.Close(); return 0;
    default: return 0;
  }
}

void SetParameter(vst2::Effect* e, int32_t index, float v)
{
  Fixture* f = Self(e);
  if (f->mode == Mode::Racy) ++f->racyCounter;
  if (index < 0 || index >= kParams) return;
  f->params[index] = Clamp01(v);
  if (f->mode == Mode::QuietLatency) ReportLatency(f);
}

float GetParameter(vst2::Effect* e, int32_t index)
{
  Fixture* f = Self(e);
  if (f->mode == Mode::Hostile) return index % 2 ? 5.f : std::nanf("");
  return index >= 0 && index < kParams ? f->params[index].load() : 0.f;
}

template <typename T>
void Run(Fixture* f, T** in, T** out, int32_t frames)
{
  ++f->blocks;
  if (f->mode == Mode::Racy) ++f->racyCounter;
  if (f->mode == Mode::Crashing && f->blocks > 2) std::abort();
  if (f->mode == Mode::Allocating) {
    void* volatile p = std::malloc(64);
    std::free(p);
  }
  const int latency = f->Latency();
  const double gain = f->bypass || f->params[3].load() >= 0.5f ? 1.0 : 2.0 * f->params[0].load();
  for (int32_t i = 0; i < frames; ++i) {
    for (int c = 0; c < 2; ++c) {
      const double x = in[c][i];
      f->ring[c][f->ringPos] = x;
      const double delayed = f->ring[c][(f->ringPos + kMaxLatency + 1 - latency) % (kMaxLatency + 1)];
      double y = delayed * gain;
      if (f->mode == Mode::Nan && f->blocks > 3) y = std::nan("");
      out[c][i] = static_cast<T>(y);
    }
    f->ringPos = (f->ringPos + 1) % (kMaxLatency + 1);
  }
}

void ProcessFloat(vst2::Effect* e, float** in, float** out, int32_t frames) { Run(Self(e), in, out, frames); }
void ProcessDouble(vst2::Effect* e, double** in, double** out, int32_t frames) { Run(Self(e), in, out, frames); }

} // namespace

extern "C" __attribute__((visibility("default"))) vst2::Effect* VSTPluginMain(vst2::HostCallback host)
{
  if (!host || host(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.f) == 0) return nullptr;
  auto* f = new Fixture;
  f->host = host;
  f->mode = ModeFromEnvironment();
  for (int i = 0; i < kParams; ++i) f->params[i] = f->programs[0][i];
  vst2::Effect& e = f->effect;
  e.magic = vst2::kEffectMagic;
  e.dispatcher = Dispatch;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.processReplacing = ProcessFloat;
  e.processDoubleReplacing = ProcessDouble;
  e.numPrograms = kPrograms;
  e.numParams = kParams;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = vst2::kFlagCanReplacing | vst2::kFlagCanDoubleReplacing |
            (f->mode == Mode::Values ? 0 : vst2::kFlagProgramChunks);
  e.ioRatio = 1.f;
  e.object = f;
  e.uniqueID = 0x46697874; // 'Fixt'
  e.version = 1000;
  if (f->mode == Mode::Hostile) {
    e.numParams = 1 << 30;
    e.numPrograms = -3;
    e.numInputs = 1000;
    e.numOutputs = -2;
    e.initialDelay = -7;
    e.processDoubleReplacing = nullptr; // while the flag says it can
  }
  return &e;
}
