// Small records that travel between the host, the plug-in and its editor: a MIDI message, a SysEx message and
// a key press.
#pragma once

#include <cstdint>
#include <cstring>

namespace plug {

/// A MIDI message at a sample offset in the current block.
struct IMidiMsg
{
  int32_t mOffset = 0;
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;
  uint8_t mPad = 0;
};
static_assert(sizeof(IMidiMsg) == 8, "queued by value");

/// A SysEx message: offset, size and a borrowed pointer to its bytes.
struct ISysExMsg
{
  int32_t mOffset = 0;
  int32_t mSize = 0;
  const uint8_t* mData = nullptr;
};

/// A key press: virtual key code (Windows-style values), the character as UTF-8 text, and modifier flags.
struct IKeyPress
{
  int mVirtualKey = 0;
  char mUtf8[5] = {};
  bool mShift = false;
  bool mCtrl = false;
  bool mAlt = false;

  IKeyPress() = default;
  IKeyPress(const char* utf8, int virtualKey, bool shift = false, bool ctrl = false, bool alt = false)
    : mVirtualKey(virtualKey), mShift(shift), mCtrl(ctrl), mAlt(alt)
  {
    if (utf8)
    {
      const size_t len = strnlen(utf8, sizeof(mUtf8) - 1);
      std::memcpy(mUtf8, utf8, len);
    }
  }
};

/// Where a parameter change came from.
enum EParamChangeSource
{
  kReset = 0,
  kHost = 1,
  kPresetRecall = 2,
  kUI = 3,
  kDelegate = 4,
};

} // namespace plug
