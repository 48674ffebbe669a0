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
  caret = anchor = stringValue.size();
  return true;
}

namespace {

bool IsTypable(char32_t c) { return !(c < 0x20 || c == 0x7F || (c >= 0xF700 && c <= 0xF8FF)); }

} // namespace

bool TextField::ReplaceSelection(const std::u32string& text)
{
  std::u32string typed;
  std::copy_if(text.begin(), text.end(), std::back_inserter(typed), IsTypable);
  const size_t start = SelectionStart(), end = SelectionEnd();
  const std::u32string result = stringValue.substr(0, start) + typed + stringValue.substr(end);
  if (formatter && !formatter->IsPartialStringValid(result))
    return false;
  stringValue = result;
  caret = anchor = start + typed.size();
  return true;
}

void TextField::InsertCharacter(char32_t c)
{
  if (IsTypable(c))
    ReplaceSelection(std::u32string(1, c));
}

void TextField::PressKey(Key key, bool extend)
{
  const size_t at = Caret(), size = stringValue.size();
  switch (key)
  {
  case Key::kLeft:
    if (HasSelection() && !extend)
      SetCaret(SelectionStart(), false);
    else
      SetCaret(at > 0 ? at - 1 : 0, extend);
    break;
  case Key::kRight:
    if (HasSelection() && !extend)
      SetCaret(SelectionEnd(), false);
    else
      SetCaret(std::min(size, at + 1), extend);
    break;
  case Key::kHome: SetCaret(0, extend); break;
  case Key::kEnd: SetCaret(size, extend); break;
  case Key::kBackspace:
  case Key::kForwardDelete:
    if (!HasSelection())
    {
      if (key == Key::kBackspace ? at == 0 : at == size)
        break;
      anchor = key == Key::kBackspace ? at - 1 : at + 1;
      caret = at;
    }
    ReplaceSelection(std::u32string());
    break;
  }
}

void TextField::SetCaret(size_t index, bool extend)
{
  const size_t keep = Anchor();
  caret = std::min(index, stringValue.size());
  anchor = extend ? keep : caret;
}

void TextField::SelectAll()
{
  anchor = 0;
  caret = stringValue.size();
}

std::u32string TextField::SelectedText() const
{
  return stringValue.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

void TextField::EndEditing()
{
  if (delegate)
    delegate->ControlTextDidEndEditing();
}

bool EditWithPasteboard(const FieldLookup& field, char32_t letter, const std::function<bool(std::string&)>& read,
                        const std::function<bool(const std::string&)>& write)
{
  TextField* f = field();
  if (!f)
    return false;
  switch (letter | 0x20) // either case
  {
  case U'a': f->SelectAll(); return true;
  case U'c':
  case U'x':
    if (f->HasSelection() && write(UTF8FromUTF32(f->SelectedText())) && (letter | 0x20) == U'x' && (f = field()))
      f->ReplaceSelection(std::u32string());
    return true;
  case U'v':
  {
    std::string text;
    if (read(text) && (f = field()))
      f->ReplaceSelection(UTF32FromUTF8(text));
    return true;
  }
  default: return false;
  }
}

bool EditWithPasteboard(TextField& field, char32_t letter, const std::function<bool(std::string&)>& read,
                        const std::function<bool(const std::string&)>& write)
{
  return EditWithPasteboard([&field] { return &field; }, letter, read, write);
}

std::string TextField::StringValueUTF8() const { return UTF8FromUTF32(stringValue); }

} // namespace appkit
