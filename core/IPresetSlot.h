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

  /// Copies name, cut to 255 bytes; a cut never splits a UTF-8 sequence.
  void SetName(const char* name)
  {
    if (!name)
      name = "";
    size_t len = strnlen(name, kNameSize - 1);
    std::memcpy(mName, name, len);
    if (len == kNameSize - 1)
      len = WholeSequences(len);
    mName[len] = 0;
  }

private:
  /// The length of the first len bytes of the name without a last UTF-8 sequence that they hold only in part.
  size_t WholeSequences(size_t len) const
  {
    size_t lead = len - 1;
    while (lead > 0 && (static_cast<unsigned char>(mName[lead]) & 0xC0) == 0x80)
      --lead;
    const unsigned char c = static_cast<unsigned char>(mName[lead]);
    const size_t length = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return lead + length > len ? lead : len;
  }
};

} // namespace plug
