#include "effect/XmlInputBounds.h"

namespace {

/// A '<' followed by a letter, '_' or any byte from 0x7F up opens an element for the XML library.
bool OpensElement(char next)
{
  return (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') || next == '_' ||
         static_cast<unsigned char>(next) >= 0x7F;
}

} // namespace

bool XmlInputBounds::Accepts(std::string_view text)
{
  if (text.size() > kMaxBytes) return false;
  int elements = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '<' && OpensElement(text[i + 1]) && ++elements > kMaxElements) return false;
  return true;
}

std::string_view XmlInputBounds::WithoutByteOrderMark(std::string_view text)
{
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  return text.substr(0, kMark.size()) == kMark ? text.substr(kMark.size()) : text;
}
