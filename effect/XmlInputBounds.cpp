#include "effect/XmlInputBounds.h"

namespace {

/// A '<' followed by a letter, '_' or any byte from 0x7F up opens an element for the XML library.
bool OpensElement(char next)
{
  return (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') || next == '_' ||
         static_cast<unsigned char>(next) >= 0x7F;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

/// A blank, or a byte that a locale's character classes may take for one.
bool MayBeBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || static_cast<unsigned char>(c) >= 0x80; }

/// Counts the attributes of a text as the XML library reads it, in one pass. An '=' counts only inside an element's
/// start tag and outside its quoted values: in a text, a value, a comment, character data or other markup it is
/// no attribute. Where the library could take bytes differently from this scan, so that an element start tag
/// might hide from it, the text is refused rather than guessed: a character reference that is not digits up to
/// its ';' (the library steps to the next ';' whatever lies between), and a processing instruction with a blank or
/// a '>' between two of its quotes (the library ends an instruction at its first '>', except in the quoted values
/// of its declaration, which it finds between blanks).
class AttributeScan
{
public:
  explicit AttributeScan(std::string_view text) : mText(text) {}

  /// False as soon as an element or the text holds too many attributes, or the text cannot be read for certain.
  bool WithinBounds()
  {
    while (mAt < mText.size())
      if (!Step(mText[mAt]))
        return false;
    return true;
  }

private:
  enum class Place
  {
    kText,
    kTag,
    kTagValue,
    kComment,
    kCharacterData,
    kMarkup,
    kInstruction,
    kInstructionValue,
  };

  bool Step(char c)
  {
    switch (mPlace)
    {
    case Place::kText: return InText(c);
    case Place::kTag: return OutsideValues(c, Place::kTagValue);
    case Place::kTagValue: return InValue(c, Place::kTag);
    case Place::kComment: return SkipPast("-->");
    case Place::kCharacterData: return SkipPast("]]>");
    case Place::kMarkup: return SkipPast(">");
    case Place::kInstruction: return OutsideValues(c, Place::kInstructionValue);
    case Place::kInstructionValue:
      return c != '>' && !MayBeBlank(c) && InValue(c, Place::kInstruction);
    }
    return false;
  }

  bool StartsWith(std::string_view s) const { return mText.substr(mAt, s.size()) == s; }

  void Enter(Place place, size_t skip)
  {
    mPlace = place;
    mAt += skip;
  }

  bool InText(char c)
  {
    if (c == '&')
      return CharacterReference();
    if (c != '<')
      Enter(Place::kText, 1);
    else if (StartsWith("<?"))
      Enter(Place::kInstruction, 2);
    else if (StartsWith("<!--"))
      Enter(Place::kComment, 4);
    else if (StartsWith("<![CDATA["))
      Enter(Place::kCharacterData, 9);
    else if (mAt + 1 < mText.size() && OpensElement(mText[mAt + 1]))
    {
      Enter(Place::kTag, 1);
      mElementAttributes = 0;
    }
    else
      Enter(Place::kMarkup, 1); // an end tag, a document type or other markup: up to the next '>'
    return true;
  }

  /// In a start tag or an instruction, outside its values: a quote opens a value, '>' ends the markup; in a tag,
  /// an '=' is an attribute.
  bool OutsideValues(char c, Place value)
  {
    if (c == '=' && mPlace == Place::kTag &&
        (++mElementAttributes > XmlInputBounds::kMaxAttributesPerElement ||
         ++mAttributes > XmlInputBounds::kMaxAttributes))
      return false;
    if (IsQuote(c))
      mQuote = c;
    Enter(IsQuote(c) ? value : c == '>' ? Place::kText : mPlace, 1);
    return true;
  }

  /// In a quoted value; the closing quote returns to outside.
  bool InValue(char c, Place outside)
  {
    if (c == '&')
      return CharacterReference();
    Enter(c == mQuote ? outside : mPlace, 1);
    return true;
  }

  /// At '&': "&#" must be followed by hexadecimal digits or 'x' up to a ';', which end the reference.
  bool CharacterReference()
  {
    if (!StartsWith("&#"))
    {
      ++mAt;
      return true;
    }
    mAt += 2;
    while (mAt < mText.size() && IsReferenceDigit(mText[mAt]))
      ++mAt;
    if (mAt == mText.size() || mText[mAt] != ';')
      return false;
    ++mAt;
    return true;
  }

  static bool IsReferenceDigit(char c)
  {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == 'x' || c == 'X';
  }

  /// Steps past the next end; to the end of the text when there is none.
  bool SkipPast(std::string_view end)
  {
    const size_t found = mText.find(end, mAt);
    mAt = found == std::string_view::npos ? mText.size() : found + end.size();
    mPlace = Place::kText;
    return true;
  }

  std::string_view mText;
  size_t mAt = 0;
  Place mPlace = Place::kText;
  char mQuote = 0;
  int mElementAttributes = 0;
  int mAttributes = 0;
};

} // namespace

bool XmlInputBounds::Accepts(std::string_view text)
{
  if (text.size() > kMaxBytes) return false;
  int elements = 0, markups = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '<' && (++markups > kMaxMarkups ||
                           (i + 1 < text.size() && OpensElement(text[i + 1]) && ++elements > kMaxElements)))
      return false;
  return AttributeScan(text).WithinBounds();
}

std::string_view XmlInputBounds::WithoutByteOrderMark(std::string_view text)
{
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  return text.substr(0, kMark.size()) == kMark ? text.substr(kMark.size()) : text;
}
