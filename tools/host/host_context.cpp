#include "host_context.h"

#include <cstdio>
#include <cstring>

namespace host {
namespace {

constexpr int kMaxContexts = 1024;
constexpr size_t kHostStringSize = 64; // vendor and product buffers hold 64 bytes

std::atomic<HostContext*> gContexts[kMaxContexts];
HostContext gFallback; // answers a plug-in that calls back with a record we do not know

thread_local HostContext* tLoading = nullptr;
thread_local bool tAudioThread = false;
thread_local vst2::TimeInfo tTimeInfo; // each thread reads its own copy

bool IsKnown(HostContext* context)
{
  if (!context) return false;
  for (auto& slot : gContexts)
    if (slot.load(std::memory_order_acquire) == context) return true;
  return false;
}

HostContext& ContextOf(vst2::Effect* effect)
{
  if (effect) {
    auto* context = static_cast<HostContext*>(effect->user);
    if (IsKnown(context)) return *context;
  }
  if (tLoading) return *tLoading;
  return gFallback;
}

void CopyString(void* ptr, const char* text)
{
  if (!ptr) return;
  std::strncpy(static_cast<char*>(ptr), text, kHostStringSize - 1);
  static_cast<char*>(ptr)[kHostStringSize - 1] = 0;
}

vst2::TimeInfo* FillTimeInfo(HostContext& context)
{
  vst2::TimeInfo& t = tTimeInfo;
  std::memset(&t, 0, sizeof t);
  t.sampleRate = context.sampleRate.load();
  t.samplePos = context.samplePos.load();
  t.tempo = context.tempo.load();
  t.ppqPos = t.samplePos / t.sampleRate * t.tempo / 60.0;
  t.barStartPos = static_cast<double>(static_cast<int64_t>(t.ppqPos / 4.0)) * 4.0;
  t.timeSignatureNumerator = 4;
  t.timeSignatureDenominator = 4;
  t.flags = vst2::kTimePpqPosValid | vst2::kTimeTempoValid | vst2::kTimeBarsValid | vst2::kTimeSignatureValid;
  if (context.playing.load()) t.flags |= vst2::kTimeTransportPlaying;
  return &t;
}

intptr_t CanDo(const void* ptr)
{
  if (!ptr) return 0;
  const char* text = static_cast<const char*>(ptr);
  static const char* const kYes[] = {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "startStopProcess",
                                     "sizeWindow"};
  for (const char* yes : kYes)
    if (std::strncmp(text, yes, 64) == 0) return 1;
  return 0;
}

} // namespace

intptr_t HostCallback(vst2::Effect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
  HostContext& context = ContextOf(effect);
  switch (opcode) {
    case vst2::audioMasterVersion: return kHostVersion;
    case vst2::audioMasterAutomate:
      context.automated.fetch_add(1);
      if (context.printEdits.load()) std::printf("automate %d %.6f\n", index, static_cast<double>(opt));
      return 0;
    case vst2::audioMasterCurrentId: return 0;
    case vst2::audioMasterIdle: return 0;
    case vst2::audioMasterWantMidi: return 0;
    case vst2::audioMasterGetTime: return reinterpret_cast<intptr_t>(FillTimeInfo(context));
    case vst2::audioMasterProcessEvents: return 0;
    case vst2::audioMasterIOChanged:
      if (effect) context.latency = effect->initialDelay;
      context.ioChanged.fetch_add(1);
      return 1;
    case vst2::audioMasterSizeWindow: return 0;
    case vst2::audioMasterGetSampleRate: return static_cast<intptr_t>(context.sampleRate.load());
    case vst2::audioMasterGetBlockSize: return context.blockSize.load();
    case vst2::audioMasterGetCurrentProcessLevel:
      if (context.offline.load()) return kLevelOffline;
      return tAudioThread ? kLevelRealtime : kLevelUser;
    case vst2::audioMasterGetVendorString: CopyString(ptr, kHostVendor); return ptr ? 1 : 0;
    case vst2::audioMasterGetProductString: CopyString(ptr, kHostProduct); return ptr ? 1 : 0;
    case vst2::audioMasterGetVendorVersion: return kHostVendorVersion;
    case vst2::audioMasterCanDo: return CanDo(ptr);
    case kHostGetLanguage: return 1; // English
    case kHostGetDirectory: return 0;
    case vst2::audioMasterUpdateDisplay: return 1;
    case vst2::audioMasterBeginEdit:
      context.editsBegun.fetch_add(1);
      if (context.printEdits.load()) std::printf("begin %d\n", index);
      return 1;
    case vst2::audioMasterEndEdit:
      context.editsEnded.fetch_add(1);
      if (context.printEdits.load()) std::printf("end %d\n", index);
      return 1;
    default: context.unknownRequests.fetch_add(1); return 0;
  }
}

void BindContext(vst2::Effect* effect, HostContext* context)
{
  for (auto& slot : gContexts) {
    HostContext* expected = nullptr;
    if (slot.load() == context) break;
    if (slot.compare_exchange_strong(expected, context)) break;
  }
  if (effect) effect->user = context;
}

void UnbindContext(HostContext* context)
{
  for (auto& slot : gContexts) {
    HostContext* expected = context;
    slot.compare_exchange_strong(expected, nullptr);
  }
}

void SetLoadingContext(HostContext* context) { tLoading = context; }

AudioThreadScope::AudioThreadScope() : mWas(tAudioThread) { tAudioThread = true; }
AudioThreadScope::~AudioThreadScope() { tAudioThread = mWas; }

} // namespace host
