#include "test_plug.h"

#include <cstring>

#include <gtest/gtest.h>

#include "manual_run_loop.h"

namespace testplug {

namespace {
const auto* const kManualRunLoop = ::testing::AddGlobalTestEnvironment(new testsupport::ManualRunLoop);
} // namespace

FakeHost* FakeHost::sCurrent = nullptr;
int TestPlug::sInstances = 0;

intptr_t FakeHost::Callback(vst2::Effect*, int32_t opcode, int32_t index, intptr_t, void* ptr, float opt)
{
  FakeHost* host = sCurrent;
  if (!host)
    return 0;
  host->mOpcodes.push_back(opcode);
  switch (opcode)
  {
  case vst2::audioMasterGetProductString:
    std::strcpy(static_cast<char*>(ptr), host->mProduct);
    return 1;
  case vst2::audioMasterGetVendorVersion:
    return host->mVendorVersion;
  case vst2::audioMasterGetCurrentProcessLevel:
    return host->mProcessLevel;
  case vst2::audioMasterAutomate:
    host->mAutomation.push_back({index, opt});
    return 0;
  case vst2::audioMasterGetTime: // a request with an index is not one this host knows
    return index == 0 ? reinterpret_cast<intptr_t>(host->mTime) : 0;
  case vst2::audioMasterProcessEvents:
    host->mEventListsWithReservedSet += static_cast<const vst2::Events*>(ptr)->reserved != 0;
    for (int i = 0; i < static_cast<const vst2::Events*>(ptr)->numEvents; ++i)
    {
      const vst2::Event* e = static_cast<const vst2::Events*>(ptr)->events[i];
      host->mEventFrames.push_back(e->deltaFrames);
      if (e->type == vst2::kEventMidi)
        for (char byte : reinterpret_cast<const vst2::MidiEvent*>(e)->midiData)
          host->mMidiBytes.push_back(uint8_t(byte));
      if (e->type == vst2::kEventSysEx)
      {
        const auto* sysEx = reinterpret_cast<const vst2::SysExEvent*>(e);
        for (int b = 0; b < sysEx->dumpBytes; ++b)
          host->mSysExBytes.push_back(uint8_t(sysEx->sysexDump[b]));
      }
    }
    return 1;
  default:
    return 0;
  }
}

plug::IPluginConfig TestPlug::Config(int latency, int nPresets, bool chunks)
{
  plug::IPluginConfig c;
  c.nParams = 2;
  c.nPresets = nPresets;
  c.channelIOStr = "1-1 2-2";
  c.pluginName = "Test";
  c.productName = "Test Product";
  c.makerName = "Tester";
  c.vendorVersion = 0x00010203;
  c.uniqueID = plug::FourCC("TsT1");
  c.latency = latency;
  c.plugDoesChunks = chunks;
  return c;
}

TestPlug::TestPlug(const plug::InstanceInfo& info, int latency, int nPresets, bool chunks)
  : plug::IPluginVST2(info, Config(latency, nPresets, chunks))
{
  ++sInstances;
  GetParam(0)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.5, "dB");
  GetParam(1)->InitEnum("Mode", 1, 3, "", 0, "", "a", "b", "c");
}

} // namespace testplug
