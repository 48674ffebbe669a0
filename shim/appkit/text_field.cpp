#include "appkit/text_field.h"

#include "foundation/utf8.h"

namespace appkit {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Length of the sequence a lead byte starts, 0 for a byte that cannot lead.
int SequenceLength(unsigned char c)
{
  if (c < 0x80)
    return 1;
  if ((c & 0xE0) == 0xC0)
    return 2;
  if ((c & 0xF0) == 0xE0)
    return 3;
  if ((c & 0xF8) == 0xF0)
    return 4;
  return 0;
}

} // namespace

std::u32string UTF32FromUTF8(const std::string& s)
{
  std::u32string out;
  for (size_t i = 0; i < s.size();)
  {
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    const int n = SequenceLength(lead);
    if (n == 0 || i + static_cast<size_t>(n) > s.size())
    {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t c = n == 1 ? lead : (lead & (0x7F >> n));
    bool ok = true;
    for (int k = 1; k < n; ++k)
    {
      const unsigned char b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      ok = ok && (b & 0xC0) == 0x80;
      c = (c << 6) | (b & 0x3F);
    }
    out.push_back(ok && c <= 0x10FFFF ? c : kReplacement);
    i += ok ? static_cast<size_t>(n) : 1;
  }
  return out;
}

std::string UTF8FromUTF32(const std::u32string& s)
{
  std::string out;
  for (char32_t c : s)
  {
    if (c > 0x10FFFF)
      c = kReplacement;
    foundation::AppendUTF8(out, c);
  }
  return out;
}

bool TextField::TryReplaceText(const std::u32string& text)
{
  if (formatter && !formatter->IsPartialStringValid(text))
    return false;
  stringValue = text;
  return true;
}

void TextField::InsertCharacter(char32_t c)
{
  if (c < 0x20 || c == 0x7F || (c >= 0xF700 && c <= 0xF8FF))
    return;
  TryReplaceText(allSelected ? std::u32string(1, c) : stringValue + c);
  allSelected = false;
}

void TextField::DeleteBackward()
{
  if (allSelected)
    TryReplaceText(std::u32string());
  else if (!stringValue.empty())
    TryReplaceText(stringValue.substr(0, stringValue.size() - 1));
  allSelected = false;
}

void TextField::EndEditing()
{
  if (delegate)
    delegate->ControlTextDidEndEditing();
}

std::string TextField::StringValueUTF8() const { return UTF8FromUTF32(stringValue); }

} // namespace appkit
