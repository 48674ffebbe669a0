// UTF-8 encoding of one code point, shared by the text field stand-in and the editor's text entry.
#pragma once

#include <string>

namespace foundation {

/// Appends the UTF-8 bytes of `c`, which the caller has already checked is a code point (at most 0x10FFFF).
inline void AppendUTF8(std::string& out, char32_t c) // [any thread]
{
  if (c < 0x80)
    out.push_back(static_cast<char>(c));
  else if (c < 0x800)
  {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  else if (c < 0x10000)
  {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  else
  {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

} // namespace foundation
