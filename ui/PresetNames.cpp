#include "ui/PresetNames.h"

#include <vector>

namespace {

/// Byte offsets at which the characters of text start.
std::vector<size_t> CharacterStarts(const std::string& text)
{
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size();)
  {
    starts.push_back(i);
    const unsigned char lead = (unsigned char)text[i];
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 1;
    size_t n = 1;
    while (n < length && i + n < text.size() && ((unsigned char)text[i + n] & 0xC0) == 0x80) ++n;
    i += n == length ? length : 1; // a broken sequence: its lead byte alone
  }
  return starts;
}

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

} // namespace

std::string MenuName(const std::string& name)
{
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size();)
  {
    unsigned codePoint = 0;
    const size_t length = ValidSequence(name, i, codePoint);
    if (length == 0)
      out += "\xEF\xBF\xBD"; // U+FFFD
    else if (IsControl(codePoint))
      out += ' ';
    else
      out.append(name, i, length);
    i += length ? length : 1;
  }
  return out;
}

bool UsableAsFileName(const std::string& name)
{
  if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos) return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

std::string ShortenPresetName(const std::string& name, int limit)
{
  const std::vector<size_t> starts = CharacterStarts(name);
  const int count = (int)starts.size();
  if (limit < 7 || count == 0 || count < limit) return name;
  const int head = limit / 2 - 2, tail = limit - limit / 2 - 3;
  return name.substr(0, starts[(size_t)head]) + " ... " + name.substr(starts[(size_t)(count - tail)]);
}
