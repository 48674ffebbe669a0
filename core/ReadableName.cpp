#include "core/ReadableName.h"

#include <cstring>

namespace plug {

namespace {

/// The length of the valid UTF-8 sequence at text[i] and its code point; 0 when none starts there.
size_t ValidSequence(const std::string& text, size_t i, unsigned& codePoint)
{
  const unsigned char lead = (unsigned char)text[i];
  if (lead < 0x80)
  {
    codePoint = lead;
    return 1;
  }
  const size_t length = (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  unsigned value = lead & (0x7F >> length);
  for (size_t n = 1; n < length; ++n)
  {
    const unsigned char next = (unsigned char)text[i + n];
    if ((next & 0xC0) != 0x80) return 0;
    value = value << 6 | (next & 0x3F);
  }
  static const unsigned kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  codePoint = value;
  return length;
}

bool IsControl(unsigned codePoint) { return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F); }

/// The marks that make a display reorder the text around them.
bool ReordersText(unsigned codePoint)
{
  return codePoint == 0x061C || codePoint == 0x200E || codePoint == 0x200F ||
         (codePoint >= 0x202A && codePoint <= 0x202E) || (codePoint >= 0x2066 && codePoint <= 0x2069);
}

} // namespace

std::string ReadableName(const std::string& name)
{
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size();)
  {
    unsigned codePoint = 0;
    const size_t length = ValidSequence(name, i, codePoint);
    if (length == 0)
      out += "\xEF\xBF\xBD"; // U+FFFD
    else if (IsControl(codePoint) || ReordersText(codePoint))
      out += ' ';
    else
      out.append(name, i, length);
    i += length ? length : 1;
  }
  return out;
}

void CopyReadableName(char* buffer, int size, const char* name)
{
  if (!buffer || size <= 0) return;
  const std::string text = ReadableName(name ? name : "");
  size_t length = text.size();
  if (length > static_cast<size_t>(size - 1))
  {
    // The text is valid UTF-8 now: step back to the start of the character the cut falls in.
    length = static_cast<size_t>(size - 1);
    while (length > 0 && ((unsigned char)text[length] & 0xC0) == 0x80) --length;
  }
  std::memcpy(buffer, text.data(), length);
  buffer[length] = 0;
}

} // namespace plug
