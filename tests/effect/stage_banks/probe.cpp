// The probe module: creates a Drovik instance through the entry point, drives it like a host and reports what
// the host sees. Built twice, against the effect with and without its stage banks.
#include "probe.h"

#include <cmath>
#include <cstring>

#include "core/vst2/PluginEntry.h"
#include "effect/Drovik.h"
#include "effect/DrovikParams.h"

namespace {

constexpr double kSampleRate = 48000.0;

intptr_t HostCallback(vst2::Effect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
  switch (opcode)
  {
  case vst2::audioMasterVersion:
    return 2400;
  case vst2::audioMasterGetSampleRate:
    return static_cast<intptr_t>(kSampleRate);
  case vst2::audioMasterGetBlockSize:
    return StageBankProbeResult::kBlock;
  default:
    return 0;
  }
}

struct Setting
{
  int param;
  float normalized;
};

// Each scenario sets a handful of parameters (normalised values) before the audio starts.
const Setting kScenario0[] = {{-1, 0.0f}};
const Setting kScenario1[] = {{kSat_offon, 1.0f},     {kSat_mode, 0.4f},       {kSat_stages, 0.5f},
                              {kSat_driveeven, 0.6f}, {kSat_driveodd, 0.8f},   {kClipoffon, 1.0f},
                              {kClipCeiling, 0.7f},   {kInputTrim, 0.8f},      {-1, 0.0f}};
const Setting kScenario2[] = {{kOversampling, 0.5f}, {kSat_offon, 1.0f},   {kSat_mode, 1.0f}, {kSat_ProcMode, 1.0f},
                              {kSat_driveodd, 1.0f}, {kMeterMode, 0.25f}, {kMonitorMode0, 0.5f}, {-1, 0.0f}};
const Setting kScenario3[] = {{kSat_offon, 1.0f}, {kSat_driveeven, 1.0f}, {kBypass, 1.0f}, {-1, 0.0f}};
const Setting* const kScenarios[] = {kScenario0, kScenario1, kScenario2, kScenario3};

// A deterministic test signal: two sines and a little noise, different per channel.
double Signal(int channel, int n)
{
  unsigned x = static_cast<unsigned>(n) * 2654435761u + static_cast<unsigned>(channel) * 40503u;
  x ^= x >> 13;
  const double noise = (x % 20001) / 10000.0 - 1.0;
  return 0.6 * std::sin(2 * 3.141592653589793 * (110.0 + 55.0 * channel) * n / kSampleRate) +
         0.25 * std::sin(2 * 3.141592653589793 * 3150.0 * n / kSampleRate) + 0.02 * noise;
}

void ReadMeters(vst2::Effect* e, double* out)
{
  const Drovik* d = dynamic_cast<const Drovik*>(static_cast<plug::IPluginVST2*>(e->object));
  if (!d)
    return;
  const FrameChain& c = d->Chain();
  const LevelMeter* meters[] = {&c.mInMeterL, &c.mInMeterR, &c.mOutMeterL, &c.mOutMeterR};
  int i = 0;
  for (const LevelMeter* m : meters)
  {
    out[i++] = m->PublishedValue();
    out[i++] = m->PublishedMax();
    out[i++] = m->PublishedDisplay();
  }
  out[i] = c.PublishedGainReduction();
}

void Run(int scenario, StageBankProbeResult* r)
{
  vst2::Effect* e = plug::VSTEntry(&HostCallback);
  if (!e)
    return;
  e->dispatcher(e, vst2::effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
  e->dispatcher(e, vst2::effSetBlockSize, 0, StageBankProbeResult::kBlock, nullptr, 0.0f);
  for (const Setting* s = kScenarios[scenario]; s->param >= 0; ++s)
    e->setParameter(e, s->param, s->normalized);
  e->dispatcher(e, vst2::effMainsChanged, 0, 1, nullptr, 0.0f);
  e->dispatcher(e, vst2::effStartProcess, 0, 0, nullptr, 0.0f);

  const int block = StageBankProbeResult::kBlock;
  float inF[2][StageBankProbeResult::kBlock];
  double inD[2][StageBankProbeResult::kBlock];
  for (int b = 0; b < StageBankProbeResult::kBlocks; ++b)
  {
    const int start = b * block;
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < block; ++i)
        inF[c][i] = static_cast<float>(Signal(c, start + i));
    float* ins[2] = {inF[0], inF[1]};
    float* outs[2] = {r->outFloat[0] + start, r->outFloat[1] + start};
    e->processReplacing(e, ins, outs, block);
    ReadMeters(e, r->meters[b]);
  }
  for (int b = 0; b < StageBankProbeResult::kBlocks; ++b)
  {
    const int start = b * block;
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < block; ++i)
        inD[c][i] = Signal(c, start + i);
    double* ins[2] = {inD[0], inD[1]};
    double* outs[2] = {r->outDouble[0] + start, r->outDouble[1] + start};
    e->processDoubleReplacing(e, ins, outs, block);
    ReadMeters(e, r->meters[StageBankProbeResult::kBlocks + b]);
  }

  for (int p = 0; p < StageBankProbeResult::kNumParams; ++p)
    e->dispatcher(e, vst2::effGetParamDisplay, p, 0, r->paramText[p], 0.0f);

  void* data = nullptr;
  intptr_t size = e->dispatcher(e, vst2::effGetChunk, 1, 0, &data, 0.0f);
  if (data && size > 0 && size <= StageBankProbeResult::kMaxChunk)
  {
    std::memcpy(r->programChunk, data, static_cast<size_t>(size));
    r->programChunkSize = static_cast<int>(size);
  }
  data = nullptr;
  size = e->dispatcher(e, vst2::effGetChunk, 0, 0, &data, 0.0f);
  if (data && size > 0 && size <= StageBankProbeResult::kMaxChunk)
  {
    std::memcpy(r->bankChunk, data, static_cast<size_t>(size));
    r->bankChunkSize = static_cast<int>(size);
  }

  e->dispatcher(e, vst2::effStopProcess, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, vst2::effMainsChanged, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, vst2::effClose, 0, 0, nullptr, 0.0f);
  r->instanceBytes = static_cast<long long>(sizeof(Drovik));
  r->ok = 1;
}

} // namespace

extern "C" __attribute__((visibility("default"))) void DrovikStageBankProbe(int scenario, StageBankProbeResult* r)
{
  if (r == nullptr || scenario < 0 || scenario >= kStageBankProbeScenarios)
    return;
  Run(scenario, r);
}
