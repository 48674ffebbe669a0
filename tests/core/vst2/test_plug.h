// A small plug-in on the VST 2.x binding for driving the binding and the processor base the way a host does.
#pragma once

#include <utility>
#include <vector>

#include "core/vst2/IPluginVST2.h"

namespace testplug {

/// Host callback answers the test can set and requests it has seen.
struct FakeHost
{
  static FakeHost* sCurrent;
  const char* mProduct = "";
  intptr_t mVendorVersion = 0;
  intptr_t mProcessLevel = 0;
  const vst2::TimeInfo* mTime = nullptr; // answered to audioMasterGetTime
  std::vector<int> mMidiBytes;            // status and data bytes of each MIDI event sent to the host
  std::vector<int> mSysExBytes;           // the bytes of each SysEx event sent to the host
  std::vector<int> mEventFrames;          // the frame offset of each event sent to the host
  int mEventListsWithReservedSet = 0;     // event lists sent to the host whose reserved field is not zero
  std::vector<int> mOpcodes;
  std::vector<std::pair<int, float>> mAutomation; // index and normalised value of each automation request
  static intptr_t Callback(vst2::Effect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                           float opt);
};

/// Two parameters, one or more presets, "1-1 2-2" channels and a configurable latency.
class TestPlug : public plug::IPluginVST2
{
public:
  static plug::IPluginConfig Config(int latency, int nPresets = 1, bool chunks = false);

  TestPlug(const plug::InstanceInfo& info, int latency, int nPresets = 1, bool chunks = false);

  static int sInstances;
  ~TestPlug() override { --sInstances; }

  int mResets = 0;
  std::vector<std::pair<int, int>> mChanges; // index, source
  void OnReset() override { ++mResets; }
  void OnParamChange(int idx, plug::EParamChangeSource source, int) override { mChanges.push_back({idx, source}); }
};

} // namespace testplug
