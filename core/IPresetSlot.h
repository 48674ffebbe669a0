// One preset of the plug-in's preset list: an initialised flag, a name (at most 255 characters) and the state
// that SerializeState wrote.
#pragma once

#include <cstring>

#include "core/IStateChunk.h"

namespace plug {

struct IPresetSlot
{
  static constexpr int kNameSize = 256;
  static constexpr const char* kNewSlotName = "empty";

  bool mInitialized = false;
  char mName[kNameSize];
  IStateChunk mChunk;

  IPresetSlot() { SetName(kNewSlotName); }

  /// Copies name, cut to 255 bytes.
  void SetName(const char* name)
  {
    if (!name)
      name = "";
    const size_t len = strnlen(name, kNameSize - 1);
    std::memcpy(mName, name, len);
    mName[len] = 0;
  }
};

} // namespace plug
