// A zero-terminated growable text over LibHeapBuf (granularity 128). A string never set reads as "".
#pragma once

#include <cstdarg>

#include "core/LibHeapBuf.h"

namespace plug {

class LibString
{
public:
  static constexpr int kGranularity = 128;

  LibString() : mBuf(kGranularity) {}
  explicit LibString(const char* text) : mBuf(kGranularity) { Set(text); }

  /// Sets the text to the first count bytes of text (all of it when count is negative or larger).
  void Set(const char* text, int count = -1);
  /// Appends the first count bytes of text (all of it when count is negative or larger).
  void Append(const char* text, int count = -1);
  void Set(const LibString& other) { Set(other.Get()); }
  void Append(const LibString& other) { Append(other.Get()); }

  /// Writes length bytes of text at offset, keeping the keep bytes that followed offset behind them.
  /// (0, "", 0, 0) sets "". text may point into this string.
  void SetRange(int offset, const char* text, int length, int keep);

  const char* Get() const;
  int GetLength() const;
  /// Bytes in use, terminator included (0 for a string never set).
  int GetSize() const { return mBuf.GetSize(); }

  /// printf-style text cut to at most maxLength characters; a string that cannot grow stays unchanged.
  void FormatCapped(int maxLength, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void AppendFormatCapped(int maxLength, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void VFormatCapped(int maxLength, const char* format, va_list args);

  bool operator==(const char* text) const;

private:
  char* Chars() const { return static_cast<char*>(mBuf.Get()); }
  LibHeapBuf mBuf;
};

} // namespace plug
