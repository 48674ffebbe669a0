// The carrier of every state chunk, preset and XML text: a growable byte buffer with typed appends in the
// machine's byte order and typed reads at a byte position. A read that would run past the end (or starts at a
// negative position) returns -1 and leaves its target unchanged.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/LibHeapBuf.h"
#include "core/LibString.h"

namespace plug {

class IStateChunk
{
public:
  static constexpr int kGranularity = 4096;

  IStateChunk() : mBytes(kGranularity) {}

  int Size() const { return mBytes.GetSize(); }
  const uint8_t* GetData() const { return static_cast<const uint8_t*>(mBytes.Get()); }
  uint8_t* GetData() { return static_cast<uint8_t*>(mBytes.Get()); }

  /// Sets the size to n bytes (a grown tail is zeroed); returns the new size.
  int Resize(int n);
  void Clear() { mBytes.Resize(0, false); }

  /// Appends size bytes; returns the new size, or 0 when the chunk could not grow.
  int PutBytes(const void* data, int size);
  /// Appends another chunk's bytes.
  int PutChunk(const IStateChunk& other) { return PutBytes(other.GetData(), other.Size()); }

  /// Copies size bytes at startPos into data; returns startPos + size or -1.
  int GetBytes(void* data, int size, int startPos) const;

  template <class T>
  int Put(const T* value)
  {
    static_assert(std::is_trivially_copyable<T>::value, "plain values only");
    return PutBytes(value, static_cast<int>(sizeof(T)));
  }

  template <class T>
  int Get(T* value, int startPos) const
  {
    static_assert(std::is_trivially_copyable<T>::value, "plain values only");
    return GetBytes(value, static_cast<int>(sizeof(T)), startPos);
  }

  /// Appends an int32 byte count and the text's bytes (no terminator).
  int PutStr(const char* text);
  /// Reads a string written by PutStr; the text ends at the count or at the first zero byte. A count of 0 gives
  /// "". Returns the position after the bytes, or -1 when the count cannot be read, is negative or runs past
  /// the end (the text is then left unchanged).
  int GetStr(LibString& text, int startPos) const;

  /// Writes value at an existing position pos (for size fields filled in after the fact). False when it does
  /// not fit.
  template <class T>
  bool PutAt(const T* value, int pos)
  {
    if (pos < 0 || int64_t(pos) + int64_t(sizeof(T)) > Size())
      return false;
    std::memcpy(GetData() + pos, value, sizeof(T));
    return true;
  }

private:
  LibHeapBuf mBytes;
};

} // namespace plug
