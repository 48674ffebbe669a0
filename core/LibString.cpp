#include "core/LibString.h"

#include <algorithm>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace plug {

namespace {
/// Length of text, or of its first count bytes when count is not negative.
int CountOf(const char* text, int count)
{
  if (count >= 0)
    return static_cast<int>(strnlen(text, static_cast<size_t>(count)));
  return static_cast<int>(std::strlen(text));
}
} // namespace

void LibString::Set(const char* text, int count)
{
  if (!text)
    text = "";
  SetRange(0, text, CountOf(text, count), 0);
}

void LibString::Append(const char* text, int count)
{
  if (!text)
    return;
  SetRange(GetLength(), text, CountOf(text, count), 0);
}

void LibString::SetRange(int offset, const char* text, int length, int keep)
{
  const bool clearing = offset == 0 && length == 0 && keep == 0;
  if (offset < 0 || keep < 0 || (length <= 0 && !clearing))
    return;
  const int oldSize = mBuf.GetSize();
  const int64_t needed64 = int64_t(offset) + length + keep + 1;
  if (needed64 > 0x7fffffff)
    return;
  const int needed = static_cast<int>(needed64);
  if (needed > oldSize)
  {
    const char* old = Chars();
    const bool inside = old && text >= old && text < old + mBuf.GetAlloc();
    const ptrdiff_t textOffset = inside ? text - old : 0;
    if (!mBuf.Resize(needed, false) || mBuf.GetSize() != needed)
      return;
    if (inside)
      text = Chars() + textOffset;
    std::memset(Chars() + oldSize, 0, static_cast<size_t>(needed - oldSize));
  }
  char* s = Chars();
  if (oldSize > offset && keep > 0) // the kept bytes follow the offset, wherever the new text ends
    std::memmove(s + offset + length, s + offset, static_cast<size_t>(keep));
  if (length > 0)
    std::memmove(s + offset, text, static_cast<size_t>(length));
  s[offset + length + keep] = 0;
  if (needed < oldSize)
    mBuf.Resize(needed, false);
}

const char* LibString::Get() const
{
  return mBuf.GetSize() ? Chars() : "";
}

int LibString::GetLength() const
{
  return mBuf.GetSize() ? static_cast<int>(std::strlen(Chars())) : 0;
}

void LibString::VFormatCapped(int maxLength, const char* format, va_list args)
{
  if (maxLength < 0)
    return;
  if (!mBuf.Resize(maxLength + 1, false) || mBuf.GetSize() != maxLength + 1)
    return;
  const int written = std::vsnprintf(Chars(), static_cast<size_t>(maxLength) + 1, format, args);
  const int kept = std::min(maxLength, std::max(written, 0));
  Chars()[kept] = 0;
  mBuf.Resize(kept + 1, false);
}

void LibString::FormatCapped(int maxLength, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  VFormatCapped(maxLength, format, args);
  va_end(args);
}

void LibString::AppendFormatCapped(int maxLength, const char* format, ...)
{
  if (maxLength < 0)
    return;
  const int len = GetLength();
  if (!mBuf.Resize(len + maxLength + 1, false) || mBuf.GetSize() != len + maxLength + 1)
    return;
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(Chars() + len, static_cast<size_t>(maxLength) + 1, format, args);
  va_end(args);
  const int kept = std::min(maxLength, std::max(written, 0));
  Chars()[len + kept] = 0;
  mBuf.Resize(len + kept + 1, false);
}

bool LibString::operator==(const char* text) const
{
  return std::strcmp(Get(), text ? text : "") == 0;
}

} // namespace plug
