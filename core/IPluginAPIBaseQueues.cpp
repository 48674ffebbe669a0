// The framework timer and the queues between the host's threads, the editor and the audio thread. Host threads
// push parameter changes and MIDI for the editor; every 20 ms the timer hands them to the editor (when there is
// one) and then gives the plug-in its idle call. The editor's own MIDI and SysEx wait for the audio thread.
#include <algorithm>
#include <cstring>

#include "core/IPluginAPIBase.h"

namespace plug {

void IPluginAPIBase::SendParamValueFromHost(int idx, double value, bool normalized)
{
  const IParam* param = GetParam(idx);
  if (!param)
    return;
  if (normalized)
    value = param->FromNormalized(value);
  mParamChangeToUIQueue.Push(ParamChange{idx, value});
}

void IPluginAPIBase::CreateTimer()
{
  mTimer.reset(Timer::Create([this](Timer& timer) { OnTimer(timer); }, kTimerIntervalMs));
}

void IPluginAPIBase::StopTimer()
{
  if (mTimer)
    mTimer->Stop();
}

void IPluginAPIBase::OnTimer(Timer& timer)
{
  if (!mTicking.load(std::memory_order_acquire))
    return;
  if (mHasUI)
  {
    ParamChange change{};
    while (mParamChangeToUIQueue.Pop(change))
    {
      if (change.idx >= 0 && change.idx < NParams())
        SendParamValueToUI(change.idx, change.value, false);
    }
    IMidiMsg msg;
    while (mMidiMsgsToUIQueue.Pop(msg))
      SendMidiMsgToUI(msg);
    SysExEntry entry;
    while (mSysExToUIQueue.Pop(entry))
      SendSysExMsgToUI(ISysExMsg{entry.offset, entry.size, entry.data});
  }
  OnIdle();
}

void IPluginAPIBase::PushMidiToEditor(const IMidiMsg& msg)
{
  mMidiMsgsToUIQueue.Push(msg);
}

bool IPluginAPIBase::PopMidiFromEditor(IMidiMsg& msg)
{
  return mMidiMsgsFromEditor.Pop(msg);
}

bool IPluginAPIBase::PopSysExFromEditor(ISysExMsg& msg)
{
  if (!mSysExDataFromEditor.Pop(mSysExPopped))
    return false;
  msg = ISysExMsg{mSysExPopped.offset, mSysExPopped.size, mSysExPopped.data};
  return true;
}

void IPluginAPIBase::DeferMidiMsg(const IMidiMsg& msg)
{
  mMidiMsgsFromEditor.Push(msg);
}

void IPluginAPIBase::DeferSysExMsg(const ISysExMsg& msg)
{
  if (msg.mSize < 0 || msg.mSize > SysExEntry::kMaxBytes)
    return; // cannot be carried whole
  SysExEntry entry{};
  entry.offset = msg.mOffset;
  entry.size = msg.mSize;
  if (msg.mData)
    std::memcpy(entry.data, msg.mData, static_cast<size_t>(msg.mSize));
  mSysExDataFromEditor.Push(entry);
}

} // namespace plug
