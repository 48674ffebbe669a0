#include "ui/PresetNames.h"

#include <vector>

#include "core/ReadableName.h"

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

} // namespace

std::string MenuName(const std::string& name) { return plug::ReadableName(name); }

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
