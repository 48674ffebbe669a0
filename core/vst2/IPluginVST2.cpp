#include "core/vst2/IPluginVST2.h"

#include <cmath>
#include <cstring>

#include "foundation/main_thread.h"

namespace plug {

namespace {
/// Instances alive. [main thread lock held]
int gInstances = 0;

IPluginVST2* PlugOf(vst2::Effect* effect)
{
  return effect ? static_cast<IPluginVST2*>(effect->object) : nullptr;
}

/// Speaker-arrangement type for n channels: -1 empty, 0 mono, 1 stereo, -2 user defined.
int32_t ArrangementType(int n)
{
  return n < 3 ? n - 1 : vst2::kArrangementUserDefined;
}

/// Time info the host answers, read only where its flags say it is valid.
constexpr intptr_t kTimeInfoRequest = vst2::kTimePpqPosValid | vst2::kTimeTempoValid | vst2::kTimeBarsValid |
                                      vst2::kTimeCyclePosValid | vst2::kTimeSignatureValid;
constexpr intptr_t kProcessLevelOffline = 4;
} // namespace

IPluginVST2::IPluginVST2(const InstanceInfo& info, const IPluginConfig& config)
  : IPluginAPIBase(config, kAPIVST2), IPluginProcessor(config, kAPIVST2), mHostCallback(info.mVSTHostCallback)
{
  std::memset(&mAEffect, 0, sizeof(mAEffect));
  mAEffect.magic = vst2::kEffectMagic;
  mAEffect.dispatcher = AEffectDispatch;
  mAEffect.process = AEffectProcessAccumulating;
  mAEffect.setParameter = AEffectSetParameter;
  mAEffect.getParameter = AEffectGetParameter;
  mAEffect.processReplacing = AEffectProcessReplacing;
  mAEffect.processDoubleReplacing = AEffectProcessDoubleReplacing;
  mAEffect.numPrograms = config.nPresets;
  mAEffect.numParams = config.nParams;
  mAEffect.numInputs = MaxNChannels(kInput);
  mAEffect.numOutputs = MaxNChannels(kOutput);
  mAEffect.flags = vst2::kFlagCanReplacing | vst2::kFlagCanDoubleReplacing;
  if (config.plugDoesChunks)
    mAEffect.flags |= vst2::kFlagProgramChunks;
  if (HasMonoInputConfig())
    mAEffect.flags |= vst2::kFlagCanMono;
  if (config.plugType == kPlugTypeInstrument)
    mAEffect.flags |= vst2::kFlagIsSynth;
  if (config.plugHasUI)
    mAEffect.flags |= vst2::kFlagHasEditor;
  mAEffect.initialDelay = config.latency;
  mAEffect.ioRatio = 1.0f;
  mAEffect.object = this;
  mAEffect.uniqueID = config.uniqueID;
  mAEffect.version = GetPluginVersion(true);

  std::memset(&mInputSpeakerArrangement, 0, sizeof(mInputSpeakerArrangement));
  std::memset(&mOutputSpeakerArrangement, 0, sizeof(mOutputSpeakerArrangement));
  mInputSpeakerArrangement.type = ArrangementType(MaxNChannels(kInput));
  mInputSpeakerArrangement.numChannels = MaxNChannels(kInput);
  mOutputSpeakerArrangement.type = ArrangementType(MaxNChannels(kOutput));
  mOutputSpeakerArrangement.numChannels = MaxNChannels(kOutput);

  SetChannelConnections(kInput, 0, MaxNChannels(kInput), true);
  SetChannelConnections(kOutput, 0, MaxNChannels(kOutput), true);
  if (MaxNChannels(kInput) > 0)
    mLatencyDelay.reset(new LatencyDelayLine(MaxNChannels(kInput), MaxNChannels(kOutput), config.latency));
  SetBlockSize(kInitialBlockSize);

  std::memset(&mEditRect, 0, sizeof(mEditRect));
  SetHasUI(config.plugHasUI);
  if (config.plugHasUI)
    UpdateEditRect();
  CreateTimer();
  ++gInstances;
}

IPluginVST2::~IPluginVST2() { --gInstances; }

void IPluginVST2::CloseInstance()
{
  delete this;
  if (gInstances == 0)
    foundation::NoInstanceLeft();
}

intptr_t IPluginVST2::HostCallback(int32_t opcode, int32_t idx, intptr_t value, void* ptr, float opt)
{
  return mHostCallback ? mHostCallback(&mAEffect, opcode, idx, value, ptr, opt) : 0;
}

// Host notifications ------------------------------------------------------------------------------------------------

void IPluginVST2::InformHostOfParamChange(int idx, double normalized)
{
  HostCallback(vst2::audioMasterAutomate, idx, 0, nullptr, float(normalized));
}

void IPluginVST2::BeginInformHostOfParamChange(int idx) { HostCallback(vst2::audioMasterBeginEdit, idx); }

void IPluginVST2::EndInformHostOfParamChange(int idx) { HostCallback(vst2::audioMasterEndEdit, idx); }

void IPluginVST2::UpdateHostDisplay() { HostCallback(vst2::audioMasterUpdateDisplay); }

void IPluginVST2::UpdateEditRect()
{
  mEditRect.top = 0;
  mEditRect.left = 0;
  mEditRect.bottom = static_cast<int16_t>(GetEditorHeight());
  mEditRect.right = static_cast<int16_t>(GetEditorWidth());
}

void IPluginVST2::SettleEditorSizeUnits()
{
  if (mEditorSizeSettled)
    return;
  mEditorSizeSettled = true;
  const double scale = HostWindowScale();
  if (scale > 0.0 && scale != 1.0)
    SetEditorSize(static_cast<int>(GetEditorWidth() * scale), static_cast<int>(GetEditorHeight() * scale));
}

bool IPluginVST2::EditorResize(int width, int height)
{
  if (!HasUI())
    return false;
  SettleEditorSizeUnits();
  if (width == GetEditorWidth() && height == GetEditorHeight())
    return false;
  SetEditorSize(width, height);
  mEditRect.top = 0;
  mEditRect.left = 0;
  mEditRect.bottom = static_cast<int16_t>(height);
  mEditRect.right = static_cast<int16_t>(width);
  return HostCallback(vst2::audioMasterSizeWindow, width, height) != 0;
}

void IPluginVST2::HostSpecificInit()
{
  switch (GetHost())
  {
  case 15: // forte
  case 17: // audition
  case 18: // orion
  case 20: // sawstudio
    SetExtraChannelConnections();
    break;
  default:
    break;
  }
  mAEffect.numInputs = mInputSpeakerArrangement.numChannels = MaxNChannels(kInput);
  mAEffect.numOutputs = mOutputSpeakerArrangement.numChannels = MaxNChannels(kOutput);
}

void IPluginVST2::SetLatency(int samples)
{
  mAEffect.initialDelay = samples;
  IPluginProcessor::SetLatency(samples);
  HostCallback(vst2::audioMasterIOChanged);
}

bool IPluginVST2::SendMidiMsg(const IMidiMsg& msg)
{
  vst2::MidiEvent event;
  std::memset(&event, 0, sizeof(event));
  event.type = vst2::kEventMidi;
  event.byteSize = sizeof(vst2::MidiEvent);
  event.deltaFrames = msg.mOffset;
  event.midiData[0] = static_cast<char>(msg.mStatus);
  event.midiData[1] = static_cast<char>(msg.mData1);
  event.midiData[2] = static_cast<char>(msg.mData2);
  return SendVSTEvent(reinterpret_cast<vst2::Event&>(event));
}

bool IPluginVST2::SendSysEx(const ISysExMsg& msg)
{
  vst2::SysExEvent event;
  std::memset(&event, 0, sizeof(event));
  event.type = vst2::kEventSysEx;
  event.byteSize = sizeof(vst2::SysExEvent);
  event.deltaFrames = msg.mOffset;
  event.dumpBytes = msg.mSize;
  event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(msg.mData));
  return SendVSTEvent(reinterpret_cast<vst2::Event&>(event));
}

bool IPluginVST2::SendVSTEvent(vst2::Event& event)
{
  vst2::Events events;
  std::memset(&events, 0, sizeof(events));
  events.numEvents = 1;
  events.events[0] = &event;
  return HostCallback(vst2::audioMasterProcessEvents, 0, 0, &events) == 1;
}

// Parameters from the host ------------------------------------------------------------------------------------------

float IPluginVST2::AEffectGetParameter(vst2::Effect* effect, int32_t idx)
{
  try
  {
    IPluginVST2* plug = PlugOf(effect);
    IParam* p = plug ? plug->GetParam(idx) : nullptr;
    return p ? float(p->GetNormalized()) : 0.0f;
  }
  catch (...)
  {
    return 0.0f;
  }
}

void IPluginVST2::AEffectSetParameter(vst2::Effect* effect, int32_t idx, float normalized)
{
  try
  {
    IPluginVST2* plug = PlugOf(effect);
    IParam* p = plug ? plug->GetParam(idx) : nullptr;
    if (!p)
      return;
    p->Set(p->FromNormalized(normalized));
    plug->SendParamValueFromHost(idx, normalized, true);
    plug->OnParamChange(idx, kHost, -1);
  }
  catch (...)
  {
  }
}

// Audio -------------------------------------------------------------------------------------------------------------

void IPluginVST2::ReadTimeInfo()
{
  IHostTimeInfo info;
  const auto* t = reinterpret_cast<const vst2::TimeInfo*>(HostCallback(vst2::audioMasterGetTime, 0, kTimeInfoRequest));
  if (t)
  {
    info.mSamplePos = t->samplePos;
    if ((t->flags & vst2::kTimePpqPosValid) && t->ppqPos >= 0.0)
      info.mPPQPos = t->ppqPos;
    if ((t->flags & vst2::kTimeTempoValid) && t->tempo > 0.0)
      info.mTempo = t->tempo;
    if ((t->flags & vst2::kTimeBarsValid) && t->barStartPos >= 0.0)
      info.mLastBar = t->barStartPos;
    if ((t->flags & vst2::kTimeCyclePosValid) && t->cycleStartPos >= 0.0 && t->cycleEndPos >= 0.0)
    {
      info.mCycleStart = t->cycleStartPos;
      info.mCycleEnd = t->cycleEndPos;
    }
    if ((t->flags & vst2::kTimeSignatureValid) && t->timeSignatureNumerator > 0 && t->timeSignatureDenominator > 0)
    {
      info.mNumerator = t->timeSignatureNumerator;
      info.mDenominator = t->timeSignatureDenominator;
    }
    info.mTransportIsRunning = (t->flags & vst2::kTimeTransportPlaying) != 0;
    info.mTransportLoopEnabled = (t->flags & vst2::kTimeTransportCycleActive) != 0;
  }
  SetTimeInfo(info);
}

template <class T>
void IPluginVST2::PrepareProcessBuffers(T** inputs, T** outputs, int nFrames)
{
  if (DoesMIDIIn())
    HostCallback(vst2::audioMasterWantMidi);
  if (nFrames > GetBlockSize())
  {
    SetBlockSize(nFrames);
    OnReset();
  }
  const bool offline = HostCallback(vst2::audioMasterGetCurrentProcessLevel) == kProcessLevelOffline;
  if (offline != GetRenderingOffline())
  {
    SetRenderingOffline(offline);
    OnReset();
  }
  AttachBuffers(kInput, 0, MaxNChannels(kInput), inputs, nFrames);
  AttachBuffers(kOutput, 0, MaxNChannels(kOutput), outputs, nFrames);
  ReadTimeInfo();
  while (PopMidiFromEditor(mEditorMidi))
    ProcessMidiMsg(mEditorMidi);
}

void IPluginVST2::SendEditorSysEx()
{
  while (PopSysExFromEditor(mEditorSysEx))
    SendSysEx(mEditorSysEx);
}

template <class T>
void IPluginVST2::Process(T** inputs, T** outputs, int nFrames, bool accumulate)
{
  PrepareProcessBuffers(inputs, outputs, nFrames);
  const bool bypassed = GetBypassed();
  if (bypassed && !ProcessesHostBypass())
  {
    PassThroughBuffers(T(0), nFrames);
    return;
  }
  if (accumulate)
    ProcessBuffersAccumulating(nFrames);
  else
    ProcessBuffers(T(0), nFrames);
  if (!bypassed) SendEditorSysEx();
}

template <class T>
void IPluginVST2::ProcessFromHost(vst2::Effect* effect, T** inputs, T** outputs, int32_t nFrames, bool accumulate)
{
  try
  {
    if (IPluginVST2* plug = PlugOf(effect); plug && nFrames > 0)
      plug->Process(inputs, outputs, nFrames, accumulate);
  }
  catch (...)
  {
  }
}

void IPluginVST2::AEffectProcessReplacing(vst2::Effect* effect, float** inputs, float** outputs, int32_t nFrames)
{
  ProcessFromHost(effect, inputs, outputs, nFrames, false);
}

void IPluginVST2::AEffectProcessDoubleReplacing(vst2::Effect* effect, double** inputs, double** outputs,
                                                int32_t nFrames)
{
  ProcessFromHost(effect, inputs, outputs, nFrames, false);
}

void IPluginVST2::AEffectProcessAccumulating(vst2::Effect* effect, float** inputs, float** outputs, int32_t nFrames)
{
  ProcessFromHost(effect, inputs, outputs, nFrames, true);
}

} // namespace plug
