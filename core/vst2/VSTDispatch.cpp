// The dispatcher of the VST 2.x binding: one small handler per request, looked up in a table by opcode.
// Every pointer and index from the host is checked, every copy into a host buffer is bounded, and nothing
// thrown leaves the dispatcher.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/HostId.h"
#include "core/ReadableName.h"
#include "core/vst2/IPluginVST2.h"
#include "foundation/main_thread.h"

namespace plug {

namespace {
constexpr int kHostTextSize = 256;
constexpr intptr_t kCockosAnswer = 0xbeef0000;
constexpr intptr_t kVendorAnswer = 0xbeef;
constexpr int kVendorParamDisplay = 7;
constexpr int kVendorParamIsEnum = 8;
constexpr int kVendorParamFromText = 27;
constexpr int kVendorGainReduction = 0x50726553;      // 'PreS'
constexpr intptr_t kVendorGainReductionValue = 0x47526442; // 'GRdB'

/// Requests hosts send from their audio thread: they never wait for the main thread.
bool IsAudioThreadRequest(int32_t opcode)
{
  return opcode == vst2::effProcessEvents || opcode == vst2::effSetBypass || opcode == vst2::effStartProcess ||
         opcode == vst2::effStopProcess;
}

/// Copies text into a host buffer of size bytes, always terminated.
void CopyToHost(void* ptr, const char* text, int size)
{
  char* dst = static_cast<char*>(ptr);
  const size_t len = strnlen(text ? text : "", static_cast<size_t>(size - 1));
  std::memcpy(dst, text ? text : "", len);
  dst[len] = 0;
}

/// A host integer as an int index; values outside the int range give -1.
int IndexOf(intptr_t value)
{
  return (value < INT_MIN || value > INT_MAX) ? -1 : static_cast<int>(value);
}

/// A parameter with two values, off and on: a bool, or an int or enum whose range holds two.
bool IsTwoWayChoice(const IParam& p)
{
  if (p.Type() == IParam::kTypeBool)
    return true;
  return (p.Type() == IParam::kTypeInt || p.Type() == IParam::kTypeEnum) && p.GetMax() - p.GetMin() == 1.0;
}

/// Writes a short form of name into size bytes, always terminated: the name itself when it fits, else the leading
/// letters of each word run together, the room shared out among the words still to come.
void ShortForm(const char* name, char* out, size_t size)
{
  const size_t room = size - 1;
  if (std::strlen(name) <= room)
  {
    CopyToHost(out, name, static_cast<int>(size));
    return;
  }
  auto isSeparator = [](char c) { return c == ' ' || c == '/' || c == '-' || c == '_'; };
  size_t words = 0;
  for (const char* c = name; *c; ++c)
    words += !isSeparator(*c) && (c == name || isSeparator(c[-1]));
  size_t used = 0;
  for (const char* c = name; *c && used < room; --words)
  {
    while (isSeparator(*c))
      ++c;
    if (!*c)
      break;
    const size_t share = (room - used + words - 1) / words;
    for (size_t taken = 0; *c && !isSeparator(*c); ++c)
      if (taken < share)
        out[used++] = *c, ++taken;
  }
  out[used] = 0;
}
} // namespace

/// Opcode -> handler; null entries answer 0.
struct VSTDispatchTable
{
  using H = IPluginVST2::Handler;
  H mHandlers[vst2::effLastKnownOpcode + 1] = {};

  VSTDispatchTable()
  {
    H* h = mHandlers;
    h[vst2::effOpen] = &IPluginVST2::Open;
    h[vst2::effClose] = &IPluginVST2::Close;
    h[vst2::effSetProgram] = &IPluginVST2::SetProgram;
    h[vst2::effGetProgram] = &IPluginVST2::GetProgram;
    h[vst2::effSetProgramName] = &IPluginVST2::SetProgramName;
    h[vst2::effGetProgramName] = &IPluginVST2::GetProgramName;
    h[vst2::effGetParamLabel] = &IPluginVST2::GetParamLabel;
    h[vst2::effGetParamDisplay] = &IPluginVST2::GetParamDisplay;
    h[vst2::effGetParamName] = &IPluginVST2::GetParamName;
    h[vst2::effSetSampleRate] = &IPluginVST2::SetSampleRate;
    h[vst2::effSetBlockSize] = &IPluginVST2::SetBlockSizeRequest;
    h[vst2::effMainsChanged] = &IPluginVST2::MainsChanged;
    h[vst2::effEditGetRect] = &IPluginVST2::EditGetRect;
    h[vst2::effEditOpen] = &IPluginVST2::EditOpen;
    h[vst2::effEditClose] = &IPluginVST2::EditClose;
    h[vst2::effIdentify] = &IPluginVST2::Identify;
    h[vst2::effGetChunk] = &IPluginVST2::GetChunk;
    h[vst2::effSetChunk] = &IPluginVST2::SetChunk;
    h[vst2::effProcessEvents] = &IPluginVST2::ProcessEvents;
    h[vst2::effCanBeAutomated] = &IPluginVST2::CanBeAutomated;
    h[vst2::effString2Parameter] = &IPluginVST2::StringToParameter;
    h[vst2::effGetProgramNameIndexed] = &IPluginVST2::GetProgramNameIndexed;
    h[vst2::effGetInputProperties] = &IPluginVST2::GetInputProperties;
    h[vst2::effGetOutputProperties] = &IPluginVST2::GetOutputProperties;
    h[vst2::effGetPlugCategory] = &IPluginVST2::GetPlugCategory;
    h[vst2::effSetSpeakerArrangement] = &IPluginVST2::SetSpeakerArrangement;
    h[vst2::effSetBypass] = &IPluginVST2::SetBypass;
    h[vst2::effGetEffectName] = &IPluginVST2::GetEffectName;
    h[vst2::effGetVendorString] = &IPluginVST2::GetVendorString;
    h[vst2::effGetProductString] = &IPluginVST2::GetProductString;
    h[vst2::effGetVendorVersion] = &IPluginVST2::GetVendorVersion;
    h[vst2::effVendorSpecific] = &IPluginVST2::VendorSpecific;
    h[vst2::effCanDo] = &IPluginVST2::CanDo;
    h[vst2::effGetTailSize] = &IPluginVST2::GetTailSize;
    h[vst2::effGetParameterProperties] = &IPluginVST2::GetParameterProperties;
    h[vst2::effGetVstVersion] = &IPluginVST2::GetVstVersion;
    h[vst2::effEditKeyDown] = &IPluginVST2::EditKeyDown;
    h[vst2::effEditKeyUp] = &IPluginVST2::EditKeyUp;
    h[vst2::effGetMidiKeyName] = &IPluginVST2::GetMidiKeyName;
    h[vst2::effGetSpeakerArrangement] = &IPluginVST2::GetSpeakerArrangement;
  }
};

intptr_t IPluginVST2::AEffectDispatch(vst2::Effect* effect, int32_t opcode, int32_t idx, intptr_t value, void* ptr,
                                      float opt)
{
  IPluginVST2* plug = effect ? static_cast<IPluginVST2*>(effect->object) : nullptr;
  if (!plug)
    return 0;
  try
  {
    if (IsAudioThreadRequest(opcode))
      return plug->Dispatch(opcode, VSTRequest{idx, value, ptr, opt});
    const VSTRequest request{idx, value, ptr, opt};
    if (!foundation::MainThreadHeldHere())
    {
      // What may wait long for a display comes first, so that it holds up no other instance's calls; an instance
      // without an editor needs no display.
      if ((opcode == vst2::effEditGetRect || opcode == vst2::effEditOpen) && plug->HasUI())
        return plug->DispatchAfterPreparation(opcode, request);
      // The instance's own calls on their way to the lock end first: then the instance is theirs no more.
      if (opcode == vst2::effClose || opcode == vst2::effEditClose)
        plug->mCallsOnTheirWay.AwaitNone();
    }
    else if (opcode == vst2::effClose && plug->mCallsOnTheirWay.LeaveCloseToThem())
      return 0;
    if (opcode == vst2::effClose && !foundation::MainThreadHeldHere())
    {
      intptr_t answer = 0;
      {
        foundation::MainThreadScope mainThread;
        answer = plug->Dispatch(opcode, request);
      }
      foundation::AwaitNoInstanceLeft(); // the last instance's close ends the loop's thread before it returns
      return answer;
    }
    foundation::MainThreadScope mainThread; // never at the same time as a timer of the main run loop
    return plug->Dispatch(opcode, request);
  }
  catch (...)
  {
    return 0;
  }
}

intptr_t IPluginVST2::DispatchAfterPreparation(int32_t opcode, const VSTRequest& r)
{
  mCallsOnTheirWay.Enter();
  try
  {
    foundation::RunUnlockedPreparation(opcode == vst2::effEditOpen);
  }
  catch (...)
  {
    // Without its preparation the request answers as it would without a display.
  }
  foundation::MainThreadScope mainThread;
  if (mCallsOnTheirWay.Leave())
  {
    CloseInstance(); // the host closed the instance meanwhile, from inside a call of ours
    return 0;
  }
  return Dispatch(opcode, r);
}

void IPluginVST2::CallsOnTheirWay::Enter()
{
  std::lock_guard<std::mutex> lock(mMutex);
  ++mCount;
}

bool IPluginVST2::CallsOnTheirWay::Leave()
{
  std::lock_guard<std::mutex> lock(mMutex);
  if (--mCount == 0)
    mNoneLeft.notify_all();
  return mCount == 0 && mCloseLeft;
}

void IPluginVST2::CallsOnTheirWay::AwaitNone()
{
  std::unique_lock<std::mutex> lock(mMutex);
  mNoneLeft.wait(lock, [this] { return mCount == 0; });
}

bool IPluginVST2::CallsOnTheirWay::LeaveCloseToThem()
{
  std::lock_guard<std::mutex> lock(mMutex);
  mCloseLeft = mCount > 0;
  return mCloseLeft;
}

void IPluginVST2::SyncEditorFlag()
{
  // Written only when it changes: hosts call the dispatcher from several threads at once, and a store on every
  // call would race with their reads of the record.
  const int32_t flags = HasUI() ? (mAEffect.flags | vst2::kFlagHasEditor) : (mAEffect.flags & ~vst2::kFlagHasEditor);
  if (flags != mAEffect.flags)
    mAEffect.flags = flags;
}

intptr_t IPluginVST2::Dispatch(int32_t opcode, const VSTRequest& r)
{
  static const VSTDispatchTable table;
  SyncEditorFlag();
  if (opcode < 0 || opcode > vst2::effLastKnownOpcode || !table.mHandlers[opcode])
    return 0;
  return (this->*table.mHandlers[opcode])(r);
}

// Lifetime --------------------------------------------------------------------------------------------------------

intptr_t IPluginVST2::Open(const VSTRequest&)
{
  if (GetHost() == -1)
  {
    char product[kHostTextSize] = {};
    HostCallback(vst2::audioMasterGetProductString, 0, 0, product);
    product[kHostTextSize - 1] = 0;
    int version = 0;
    if (product[0])
    {
      const intptr_t v = HostCallback(vst2::audioMasterGetVendorVersion);
      const long long d = v < 0 ? 0 : static_cast<long long>(std::min<intptr_t>(v, INT_MAX));
      version = int(((d / 10000) << 16) + (((d % 10000) / 100) << 8) + (d % 100));
    }
    IdentifyHost(product, version);
  }
  NotifyAllParams(kReset);
  return 0;
}

intptr_t IPluginVST2::Close(const VSTRequest&)
{
  CloseInstance();
  return 0;
}

// Programs ----------------------------------------------------------------------------------------------------------

intptr_t IPluginVST2::SetProgram(const VSTRequest& r)
{
  if (!DoesStateChunks())
    ModifyCurrentPreset();
  RestorePreset(IndexOf(r.mValue));
  return 0;
}

intptr_t IPluginVST2::GetProgram(const VSTRequest&) { return GetCurrentPresetIdx(); }

intptr_t IPluginVST2::SetProgramName(const VSTRequest& r)
{
  if (!r.mPtr)
    return 0;
  char name[IPresetSlot::kNameSize];
  CopyToHost(name, static_cast<const char*>(r.mPtr), sizeof(name));
  ModifyCurrentPreset(name);
  OnPresetListChanged();
  return 0;
}

intptr_t IPluginVST2::GetProgramName(const VSTRequest& r)
{
  if (r.mPtr)
    CopyReadableName(static_cast<char*>(r.mPtr), kProgramNameSize, GetPresetName(GetCurrentPresetIdx()));
  return 0;
}

intptr_t IPluginVST2::GetProgramNameIndexed(const VSTRequest& r)
{
  if (!r.mPtr)
    return 0;
  if (r.mIndex < 0 || r.mIndex >= NPresets())
  {
    CopyToHost(r.mPtr, "", kProgramNameSize);
    return 0;
  }
  const char* name = GetPresetName(r.mIndex);
  CopyReadableName(static_cast<char*>(r.mPtr), kProgramNameSize, name);
  return name[0] ? 1 : 0;
}

// Parameters --------------------------------------------------------------------------------------------------------

intptr_t IPluginVST2::GetParamLabel(const VSTRequest& r)
{
  if (const IParam* p = GetParam(r.mIndex); p && r.mPtr)
    CopyToHost(r.mPtr, p->GetLabel(), kParamTextSize);
  return 0;
}

intptr_t IPluginVST2::GetParamDisplay(const VSTRequest& r)
{
  if (const IParam* p = GetParam(r.mIndex); p && r.mPtr)
  {
    p->GetDisplay(false, mParamDisplayStr, true, p->Value());
    CopyToHost(r.mPtr, mParamDisplayStr.Get(), kParamTextSize);
  }
  return 0;
}

intptr_t IPluginVST2::GetParamName(const VSTRequest& r)
{
  if (const IParam* p = GetParam(r.mIndex); p && r.mPtr)
    CopyToHost(r.mPtr, p->GetName(), kParamTextSize);
  return 0;
}

intptr_t IPluginVST2::CanBeAutomated(const VSTRequest& r)
{
  const IParam* p = GetParam(r.mIndex);
  return (p && p->GetCanAutomate()) ? 1 : 0;
}

intptr_t IPluginVST2::StringToParameter(const VSTRequest& r)
{
  IParam* p = GetParam(r.mIndex);
  if (!p)
    return 0;
  if (!r.mPtr)
    return 1;
  char text[kParamTextSize];
  CopyToHost(text, static_cast<const char*>(r.mPtr), sizeof(text));
  const double v = p->Constrain(p->StringToValue(text));
  p->Set(v);
  SendParamValueFromHost(r.mIndex, v, false);
  OnParamChange(r.mIndex, kHost, -1);
  return 1;
}

intptr_t IPluginVST2::GetParameterProperties(const VSTRequest& r)
{
  const IParam* p = GetParam(r.mIndex);
  if (!p || !r.mPtr)
    return 0;
  auto* props = static_cast<vst2::ParameterProperties*>(r.mPtr);
  // Hosts that read these properties (Ardour among them) name the parameter's control and automation lane by the
  // label, whose 64 bytes hold a name; the unit stays with effGetParamLabel.
  CopyToHost(props->label, p->GetName(), vst2::kLabelSize);
  ShortForm(p->GetName(), props->shortLabel, sizeof(props->shortLabel));
  if (IsTwoWayChoice(*p))
  {
    props->flags = vst2::kParamIsSwitch;
    return 1;
  }
  // VST 2.x hosts pass and keep every value in the normalised 0..1 of setParameter and getParameter, and read
  // ranges and steps in those units (Ardour and Qtractor do): an integer range such as 1..5 would make them clamp a
  // value to it and round it to a whole number, and a saved session would come back changed. Every step is
  // therefore given as its share of 0..1, with no integer range, to every host.
  const double range = p->GetMax() - p->GetMin();
  const float step = range > 0.0 ? float(p->GetStep() / range) : 1.f;
  props->flags = vst2::kParamUsesFloatStep;
  props->stepFloat = props->smallStepFloat = props->largeStepFloat = step;
  return 1;
}

// Audio set-up ------------------------------------------------------------------------------------------------------

intptr_t IPluginVST2::SetSampleRate(const VSTRequest& r)
{
  if (std::isfinite(r.mOpt) && r.mOpt > 0.f)
    IPluginProcessor::SetSampleRate(r.mOpt);
  OnReset();
  return 0;
}

intptr_t IPluginVST2::SetBlockSizeRequest(const VSTRequest& r)
{
  if (r.mValue > 0 && r.mValue <= INT_MAX)
    SetBlockSize(static_cast<int>(r.mValue));
  OnReset();
  return 0;
}

intptr_t IPluginVST2::MainsChanged(const VSTRequest& r)
{
  if (r.mValue)
    OnActivate(true);
  else
  {
    OnActivate(false);
    OnReset();
  }
  return 0;
}

intptr_t IPluginVST2::SetBypass(const VSTRequest& r)
{
  SetBypassed(r.mValue > 0);
  OnHostBypass();
  return 1;
}

intptr_t IPluginVST2::GetTailSize(const VSTRequest&) { return IPluginProcessor::GetTailSize(); }

intptr_t IPluginVST2::GetPlugCategory(const VSTRequest&)
{
  return GetPlugType() == kPlugTypeInstrument ? vst2::kCategorySynth : vst2::kCategoryEffect;
}

intptr_t IPluginVST2::GetInputProperties(const VSTRequest& r) { return GetPinProperties(kInput, r); }

intptr_t IPluginVST2::GetOutputProperties(const VSTRequest& r) { return GetPinProperties(kOutput, r); }

intptr_t IPluginVST2::GetPinProperties(ERoute direction, const VSTRequest& r)
{
  const int n = MaxNChannels(direction);
  if (r.mIndex < 0 || !r.mPtr || r.mIndex >= n)
    return 0;
  auto* pin = static_cast<vst2::PinProperties*>(r.mPtr);
  pin->flags = vst2::kPinIsActive;
  if (r.mIndex % 2 == 0 && r.mIndex + 1 < n)
    pin->flags |= vst2::kPinIsStereo;
  const char* label = GetChannelLabel(direction, r.mIndex);
  if (label[0])
    CopyToHost(pin->label, label, kPinLabelSize);
  else
    std::snprintf(pin->label, kPinLabelSize, direction == kInput ? "Input %d" : "Output %d", r.mIndex + 1);
  return 1;
}

intptr_t IPluginVST2::SetSpeakerArrangement(const VSTRequest& r)
{
  const auto* in = reinterpret_cast<const vst2::SpeakerArrangement*>(r.mValue);
  const auto* out = static_cast<const vst2::SpeakerArrangement*>(r.mPtr);
  if (in)
  {
    if (in->numChannels > mAEffect.numInputs || in->numChannels < 0)
      return 0;
    SetChannelConnections(kInput, 0, in->numChannels, true);
    SetChannelConnections(kInput, in->numChannels, MaxNChannels(kInput) - in->numChannels, false);
  }
  if (out)
  {
    if (out->numChannels > mAEffect.numOutputs || out->numChannels < 0)
      return 0;
    SetChannelConnections(kOutput, 0, out->numChannels, true);
    SetChannelConnections(kOutput, out->numChannels, MaxNChannels(kOutput) - out->numChannels, false);
  }
  return 1;
}

intptr_t IPluginVST2::GetSpeakerArrangement(const VSTRequest& r)
{
  if (auto** in = reinterpret_cast<vst2::SpeakerArrangement**>(r.mValue))
    *in = &mInputSpeakerArrangement;
  if (auto** out = static_cast<vst2::SpeakerArrangement**>(r.mPtr))
    *out = &mOutputSpeakerArrangement;
  return 1;
}

// Editor --------------------------------------------------------------------------------------------------------------

intptr_t IPluginVST2::EditGetRect(const VSTRequest& r)
{
  if (!r.mPtr || !HasUI())
    return 0;
  SettleEditorSizeUnits();
  UpdateEditRect();
  *static_cast<vst2::Rect**>(r.mPtr) = &mEditRect;
  return 1;
}

intptr_t IPluginVST2::EditOpen(const VSTRequest& r)
{
  if (!HasUI())
    return 0;
  const intptr_t opened = OpenWindow(r.mPtr) ? 1 : 0;
  SyncEditorFlag(); // an editor that can never open is no longer offered when this answer arrives
  return opened;
}

intptr_t IPluginVST2::EditClose(const VSTRequest&)
{
  if (!HasUI())
    return 0;
  CloseWindow();
  return 1;
}

intptr_t IPluginVST2::EditKeyDown(const VSTRequest& r)
{
  const char text[2] = {static_cast<char>(r.mIndex), 0};
  const int mods = std::isfinite(r.mOpt) ? static_cast<int>(std::max(-1e9f, std::min(r.mOpt, 1e9f))) : 0;
  const IKeyPress key(text, VSTKeyCode(r.mValue, r.mIndex), mods & 1, (mods & 8) != 0, (mods & 2) != 0);
  return OnKeyDown(key) ? 1 : 0;
}

intptr_t IPluginVST2::EditKeyUp(const VSTRequest& r)
{
  const char text[2] = {static_cast<char>(r.mIndex), 0};
  const int mods = std::isfinite(r.mOpt) ? static_cast<int>(std::max(-1e9f, std::min(r.mOpt, 1e9f))) : 0;
  const IKeyPress key(text, VSTKeyCode(r.mValue, r.mIndex), mods & 1, (mods & 8) != 0, (mods & 2) != 0);
  return OnKeyUp(key) ? 1 : 0;
}

// Identity --------------------------------------------------------------------------------------------------------

intptr_t IPluginVST2::Identify(const VSTRequest&) { return vst2::kIdentifyAnswer; }

intptr_t IPluginVST2::GetEffectName(const VSTRequest& r)
{
  if (!r.mPtr)
    return 0;
  CopyToHost(r.mPtr, GetPluginName(), kEffectNameSize);
  return 1;
}

intptr_t IPluginVST2::GetVendorString(const VSTRequest& r)
{
  if (!r.mPtr)
    return 0;
  CopyToHost(r.mPtr, GetMakerName(), kVendorStringSize);
  return 1;
}

intptr_t IPluginVST2::GetProductString(const VSTRequest& r)
{
  if (!r.mPtr)
    return 0;
  CopyToHost(r.mPtr, GetProductName(), kVendorStringSize);
  return 1;
}

intptr_t IPluginVST2::GetVendorVersion(const VSTRequest&) { return GetPluginVersion(true); }

intptr_t IPluginVST2::GetVstVersion(const VSTRequest&) { return vst2::kVstVersion; }

intptr_t IPluginVST2::CanDo(const VSTRequest& r)
{
  if (!r.mPtr)
    return 0;
  char text[kHostTextSize];
  CopyToHost(text, static_cast<const char*>(r.mPtr), sizeof(text));
  auto is = [&text](const char* s) { return std::strcmp(text, s) == 0; };
  if (is("receiveVstTimeInfo"))
    return 1;
  if (DoesMIDIIn() && (is("receiveVstEvents") || is("receiveVstMidiEvent")))
    return 1;
  if (DoesMIDIOut() && (is("sendVstEvents") || is("sendVstMidiEvent")))
    return 1;
  if (is("bypass"))
    return 1;
  if (is("hasCockosExtensions"))
  {
    mHostExtensionFlags |= 1;
    return kCockosAnswer;
  }
  if (is("hasCockosViewAsConfig"))
  {
    mHostExtensionFlags |= 2;
    return kCockosAnswer;
  }
  if (is("wantsChannelCountNotifications") || is("supportsGainReductionInfo"))
    return 1;
  return VSTCanDo(text);
}

intptr_t IPluginVST2::VendorSpecific(const VSTRequest& r)
{
  const int idx = IndexOf(r.mValue);
  switch (r.mIndex)
  {
  case kVendorParamDisplay:
    if (!r.mPtr)
      break;
    if (const IParam* p = GetParam(idx))
    {
      p->GetDisplay(true, mParamDisplayStr, true, r.mOpt);
      CopyToHost(r.mPtr, mParamDisplayStr.Get(), kParamTextSize);
    }
    return kVendorAnswer;
  case kVendorParamIsEnum:
    if (const IParam* p = GetParam(idx))
    {
      if (p->Type() == IParam::kTypeBool)
        return kVendorAnswer;
      if ((p->Type() == IParam::kTypeInt || p->Type() == IParam::kTypeEnum) && std::fabs(p->GetRange()) < 1.5)
        return kVendorAnswer;
    }
    break;
  case kVendorParamFromText:
    if (const IParam* p = GetParam(idx); p && r.mPtr)
    {
      char* text = static_cast<char*>(r.mPtr);
      if (!text[0])
        return kVendorAnswer;
      char in[kParamTextSize];
      CopyToHost(in, text, sizeof(in));
      const double normalized = p->ToNormalized(p->Constrain(p->StringToValue(in)));
      std::snprintf(text, kParamTextSize, "%.17f", normalized);
      return kVendorAnswer;
    }
    break;
  case kVendorGainReduction:
    if (r.mValue != kVendorGainReductionValue || !r.mPtr)
      return 0;
    *static_cast<float*>(r.mPtr) = GetBypassed() ? 0.0f : float(GetGainReductionDb());
    return 1;
  default:
    break;
  }
  return VSTVendorSpecific(r.mIndex, r.mValue, r.mPtr, r.mOpt);
}

intptr_t IPluginVST2::GetMidiKeyName(const VSTRequest& r)
{
  if (!r.mPtr)
    return 0;
  // The host's record: channel, key number, then the name text.
  struct MidiKeyName
  {
    int32_t thisProgramIndex;
    int32_t thisKeyNumber;
    char keyName[kMidiKeyNameSize];
  };
  auto* key = static_cast<MidiKeyName*>(r.mPtr);
  key->keyName[0] = 0;
  char name[kMidiKeyNameSize * 2] = {};
  const bool named = GetMidiNoteText(key->thisKeyNumber, name);
  CopyToHost(key->keyName, name, kMidiKeyNameSize);
  return named ? 1 : 0;
}

// Chunks and events ---------------------------------------------------------------------------------------------------

intptr_t IPluginVST2::GetChunk(const VSTRequest& r)
{
  if (!r.mPtr)
    return 0;
  const bool bank = r.mIndex == 0;
  IStateChunk& chunk = bank ? mBankState : mState;
  chunk.Clear();
  const int32_t header[2] = {vst2::kChunkMagic, kChunkHeaderVersion};
  chunk.Put(&header[0]);
  chunk.Put(&header[1]);
  bool ok;
  if (bank)
  {
    ModifyCurrentPreset();
    ok = SerializePresets(chunk);
  }
  else
    ok = SerializeState(chunk);
  if (!ok || chunk.Size() == 0)
    return 0;
  *static_cast<void**>(r.mPtr) = chunk.GetData();
  return chunk.Size();
}

intptr_t IPluginVST2::SetChunk(const VSTRequest& r)
{
  if (!r.mPtr || r.mValue < 0 || r.mValue > INT_MAX)
    return 0;
  const bool bank = r.mIndex == 0;
  IStateChunk& chunk = bank ? mBankState : mState;
  const int size = static_cast<int>(r.mValue);
  if (chunk.Resize(size) != size)
    return 0;
  if (size > 0) // an empty chunk reads nothing of the host's buffer
    std::memcpy(chunk.GetData(), r.mPtr, static_cast<size_t>(size));

  int32_t magic = 0, version = 0;
  int pos = 0;
  if (chunk.Get(&magic, 0) > 0 && magic == vst2::kChunkMagic)
    pos = chunk.Get(&version, 4) > 0 ? kChunkHeaderSize : -1;
  if (bank && pos == kChunkHeaderSize && version >= kChunkHeaderVersion)
    pos = UnserializePresets(chunk, pos);
  else
  {
    // A chunk of which nothing was read (no state of this plug-in at its start) is refused like a damaged one.
    const int start = pos;
    pos = UnserializeState(chunk, pos);
    if (pos <= start)
      pos = -1;
    if (pos >= 0) // a failed read must not be kept as the current preset
      ModifyCurrentPreset();
  }
  if (pos < 0)
    return 0;
  OnStateRestored();
  return 1;
}

intptr_t IPluginVST2::ProcessEvents(const VSTRequest& r)
{
  const auto* events = static_cast<const vst2::Events*>(r.mPtr);
  if (!events)
    return 0;
  for (int i = 0; i < events->numEvents; ++i)
  {
    const vst2::Event* event = events->events[i];
    if (!event)
      continue;
    if (event->type == vst2::kEventSysEx)
    {
      const auto* sysex = reinterpret_cast<const vst2::SysExEvent*>(event);
      ISysExMsg msg;
      msg.mOffset = sysex->deltaFrames;
      msg.mSize = sysex->dumpBytes;
      msg.mData = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
      ProcessSysEx(msg);
    }
    else if (event->type == vst2::kEventMidi)
    {
      const auto* midi = reinterpret_cast<const vst2::MidiEvent*>(event);
      IMidiMsg msg;
      msg.mOffset = midi->deltaFrames;
      msg.mStatus = static_cast<uint8_t>(midi->midiData[0]);
      msg.mData1 = static_cast<uint8_t>(midi->midiData[1]);
      msg.mData2 = static_cast<uint8_t>(midi->midiData[2]);
      ProcessMidiMsg(msg);
      PushMidiToEditor(msg);
    }
  }
  return 1;
}

// Keys ----------------------------------------------------------------------------------------------------------------

int VSTKeyCode(intptr_t vstKey, int character)
{
  static const int kFixed[] = {
    /* 0 */ -1, 0x08, 0x09, 0x0c, 0x0d, 0x13, 0x1b, 0x20, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x21,
    /* 16 */ 0x22, 0x29, 0x2a, 0x0d, 0x2c, 0x2d, 0x2e, 0x2f,
  };
  if (vstKey == 0 || vstKey == 57)
  {
    if ((character >= '0' && character <= '9') || (character >= 'A' && character <= 'Z'))
      return character;
    if (character >= 'a' && character <= 'z')
      return character - 'a' + 'A';
    return 0;
  }
  if (vstKey > 0 && vstKey < 24)
    return kFixed[vstKey];
  if (vstKey >= 24 && vstKey <= 51)
    return static_cast<int>(vstKey - 24 + 0x60); // numeric pad, operators, F1-F12
  switch (vstKey)
  {
  case 52: return 0x90;
  case 53: return 0x91;
  case 54: return 0x10;
  case 55: return 0x11;
  case 56: return 0x12;
  default: return 0;
  }
}

} // namespace plug
