// A Drovik instance made through the entry point the way a host makes it, with a host callback that records
// what the plug-in asks of the host.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/vst2/IPluginVST2.h"
#include "core/vst2/PluginEntry.h"

namespace drovik_test {

/// The host side: its product text and the host requests seen, from any thread.
struct RecordingHost
{
  static RecordingHost* sCurrent;
  std::string mProduct = "TestHost";
  std::mutex mMutex;
  std::vector<int> mOpcodes;
  std::vector<int> mDelaysAtIOChanged; // the record's initialDelay each time the I/O changed

  int Count(int opcode)
  {
    std::lock_guard<std::mutex> lock(mMutex);
    int n = 0;
    for (int op : mOpcodes)
      n += op == opcode ? 1 : 0;
    return n;
  }

  static intptr_t Callback(vst2::Effect* effect, int32_t opcode, int32_t, intptr_t, void* ptr, float)
  {
    RecordingHost* host = sCurrent;
    if (!host)
      return 0;
    std::lock_guard<std::mutex> lock(host->mMutex);
    host->mOpcodes.push_back(opcode);
    if (opcode == vst2::audioMasterIOChanged && effect)
      host->mDelaysAtIOChanged.push_back(effect->initialDelay);
    if (opcode == vst2::audioMasterGetProductString && ptr)
    {
      std::snprintf(static_cast<char*>(ptr), 64, "%s", host->mProduct.c_str());
      return 1;
    }
    return 0;
  }
};

inline RecordingHost* RecordingHost::sCurrent = nullptr;

/// Opens an instance through the entry point; closes it through the dispatcher.
class Instance
{
public:
  explicit Instance(RecordingHost& host)
  {
    RecordingHost::sCurrent = &host;
    mEffect = plug::VSTEntry(&RecordingHost::Callback);
  }
  ~Instance()
  {
    if (mEffect)
      Dispatch(vst2::effClose);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  vst2::Effect* Effect() const { return mEffect; }
  plug::IPluginVST2* Plug() const { return static_cast<plug::IPluginVST2*>(mEffect->object); }
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f)
  {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
  }

private:
  vst2::Effect* mEffect = nullptr;
};

} // namespace drovik_test
