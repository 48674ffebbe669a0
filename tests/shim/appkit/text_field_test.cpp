// The text field's editing: the caret moves with the arrows, Home and End, Shift extends the selection, typing and
// deleting act on the selection, and the command letters copy, cut and paste through the pasteboard.

#include <gtest/gtest.h>

#include "appkit/menu_scroller.h"
#include "appkit/text_field.h"

namespace appkit {
namespace {

/// Plays keys on a field: L R H E move, l r h e move with Shift, B and D delete backward and forward, any other
/// character is typed.
void Play(TextField& field, const std::u32string& keys)
{
  using K = TextField::Key;
  for (char32_t c : keys)
    switch (c)
    {
    case U'L': field.PressKey(K::kLeft, false); break;
    case U'R': field.PressKey(K::kRight, false); break;
    case U'H': field.PressKey(K::kHome, false); break;
    case U'E': field.PressKey(K::kEnd, false); break;
    case U'l': field.PressKey(K::kLeft, true); break;
    case U'r': field.PressKey(K::kRight, true); break;
    case U'h': field.PressKey(K::kHome, true); break;
    case U'e': field.PressKey(K::kEnd, true); break;
    case U'B': field.PressKey(K::kBackspace, false); break;
    case U'D': field.PressKey(K::kForwardDelete, false); break;
    default: field.InsertCharacter(c); break;
    }
}

TEST(TextFieldEditing, KeysMoveTheCaretExtendTheSelectionAndEditAroundIt)
{
  struct Case
  {
    const char32_t* keys;
    const char32_t* text;
    const char32_t* selected;
    size_t caret;
  };
  const Case cases[] = {
    {U"x", U"x", U"", 1},                  // the whole text starts selected
    {U"La", U"ahello", U"", 1},            // Left on a selection goes to its start
    {U"Rz", U"helloz", U"", 6},
    {U"Ell", U"hello", U"lo", 3},          // Shift extends from the caret
    {U"EllB", U"hel", U"", 3},
    {U"HRe", U"hello", U"ello", 5},
    {U"HReR", U"hello", U"", 5},           // Right on a selection goes to its end
    {U"HReLh", U"hello", U"h", 0},
    {U"EB", U"hell", U"", 4},
    {U"HD", U"ello", U"", 0},
    {U"HB", U"hello", U"", 0},             // nothing before the caret
    {U"ED", U"hello", U"", 5},             // nothing after it
    {U"LLLLLLLLH!E?", U"!hello?", U"", 7}, // the caret stays inside the text
    {U"HRRe\t\x1fX", U"heX", U"", 3},      // control characters are not typed
    {U"E w ", U"hello w ", U"", 8},        // spaces are
    {U"HRRRRR!", U"hello!", U"", 6},       // Right steps all the way to the end
    // Keys' private characters (the arrows' first and the last) are not typed; a character beyond 16 bits is one.
    {U"E\uF700\uF8FF\U0001F3B5L\uF6FF\uF900", U"hello\uF6FF\uF900\U0001F3B5", U"", 7},
  };
  for (const Case& c : cases)
  {
    TextField field;
    field.stringValue = U"hello";
    Play(field, c.keys);
    EXPECT_EQ(field.stringValue, c.text) << "keys " << UTF8FromUTF32(c.keys);
    EXPECT_EQ(field.SelectedText(), c.selected) << "keys " << UTF8FromUTF32(c.keys);
    EXPECT_EQ(field.Caret(), c.caret) << "keys " << UTF8FromUTF32(c.keys);
  }
  // Characters, not bytes: one step and one Backspace over a two-byte character.
  TextField field;
  field.stringValue = UTF32FromUTF8("h\xc3\xa9llo");
  Play(field, U"ELLLB");
  EXPECT_EQ(field.StringValueUTF8(), "hllo");
  // A whole new text puts the caret after it, nothing selected.
  Play(field, U"Hr");
  EXPECT_TRUE(field.TryReplaceText(U"new"));
  EXPECT_EQ(field.Caret(), 3u);
  EXPECT_EQ(field.SelectionStart(), 3u);
}

TEST(TextFieldEditing, CommandLettersCopyCutAndPasteThroughThePasteboard)
{
  std::string pasteboard = "a\nb";
  auto read = [&](std::string& text) { return text = pasteboard, true; };
  auto write = [&](const std::string& text) { return pasteboard = text, true; };
  TextField field;
  field.stringValue = U"hello";
  field.SetCaret(1, false);
  field.SetCaret(4, true);
  EXPECT_TRUE(EditWithPasteboard(field, U'c', read, write));
  EXPECT_EQ(pasteboard, "ell");
  EXPECT_EQ(field.stringValue, U"hello");
  EXPECT_TRUE(EditWithPasteboard(field, U'X', read, write));
  EXPECT_EQ(field.stringValue, U"ho");
  EXPECT_EQ(field.Caret(), 1u);
  pasteboard = "a\nb";
  EXPECT_TRUE(EditWithPasteboard(field, U'v', read, write)); // pasted as typed: the newline is left out
  EXPECT_EQ(field.stringValue, U"habo");
  EXPECT_TRUE(EditWithPasteboard(field, U'a', read, write));
  EXPECT_EQ(field.SelectedText(), U"habo");
  EXPECT_FALSE(EditWithPasteboard(field, U'q', read, write));
  // A paste the formatter refuses leaves the text as it was.
  struct DigitsOnly final : Formatter
  {
    bool IsPartialStringValid(const std::u32string& t) const override
    {
      return t.find_first_not_of(U"0123456789") == std::u32string::npos;
    }
  };
  field.formatter = std::make_shared<DigitsOnly>();
  field.stringValue = U"12";
  pasteboard = "3x";
  EXPECT_TRUE(EditWithPasteboard(field, U'v', read, write));
  EXPECT_EQ(field.stringValue, U"12");

  // Without a field no letter is taken and the pasteboard is not asked; a field gone while the pasteboard
  // answered is left alone. Copying or cutting nothing, or a cut the pasteboard refused, changes nothing.
  bool asked = false;
  auto noted = [&](std::string&) { return asked = true; };
  EXPECT_FALSE(EditWithPasteboard([] { return static_cast<TextField*>(nullptr); }, U'v', noted, write));
  EXPECT_FALSE(asked);
  TextField other;
  other.stringValue = U"ab";
  other.SelectAll();
  int lookups = 0;
  auto goneAfterTheFirstLook = [&]() -> TextField* { return lookups++ == 0 ? &other : nullptr; };
  pasteboard = "zz";
  EXPECT_TRUE(EditWithPasteboard(goneAfterTheFirstLook, U'v', read, write));
  lookups = 0;
  EXPECT_TRUE(EditWithPasteboard(goneAfterTheFirstLook, U'x', read, write));
  EXPECT_EQ(pasteboard, "ab");
  EXPECT_EQ(other.stringValue, U"ab");
  EXPECT_TRUE(EditWithPasteboard(other, U'x', read, [](const std::string&) { return false; }));
  EXPECT_EQ(other.stringValue, U"ab");
  other.SetCaret(1, false);
  pasteboard = "zz";
  EXPECT_TRUE(EditWithPasteboard(other, U'C', read, write));
  EXPECT_TRUE(EditWithPasteboard(other, U'x', read, write));
  EXPECT_EQ(pasteboard, "zz");
  EXPECT_EQ(other.stringValue, U"ab");
  EXPECT_TRUE(EditWithPasteboard(other, U'A', read, write)); // either case
  EXPECT_EQ(other.SelectedText(), U"ab");
}

TEST(TextFieldEditing, APasteLeavesOutWhatCannotBeTypedAndPutsTheCaretAfterIt)
{
  struct Number final : Formatter // a signed decimal number, as the value field takes
  {
    bool IsPartialStringValid(const std::u32string& t) const override
    {
      return t.find_first_not_of(U"-.0123456789") == std::u32string::npos;
    }
  };
  struct Case
  {
    const char* text;
    size_t from, to; // the selection before the paste
    const char* pasted;
    bool number;
    const char* result;
    size_t caret;
  } cases[] = {
    {"12", 1, 1, "3\t4", false, "1342", 3},
    {"12", 0, 2, "\r\n-7.5\n", true, "-7.5", 4},
    {"12", 2, 2, "\xef\x9c\x80" "9", true, "129", 3}, // an arrow key's private character
    {"10", 1, 2, "\x7f" "5\x1b", true, "15", 2},
    {"10", 0, 1, "x", true, "10", 1},      // refused: text and selection unchanged
    {"abc", 1, 2, "\xc3\xa9\n\xc3\xa9", false, "a\xc3\xa9\xc3\xa9" "c", 3},
    {"abc", 3, 0, "", false, "", 0},       // nothing typable: the selection goes
    // Bytes that start no character, each pasted as the replacement character; a space is typed as it comes.
    {"ab", 1, 1, "\x80 \xbf\xff", false, "a\xef\xbf\xbd \xef\xbf\xbd\xef\xbf\xbd" "b", 5},
  };
  for (const Case& k : cases)
  {
    TextField field;
    field.stringValue = UTF32FromUTF8(k.text);
    if (k.number)
      field.formatter = std::make_shared<Number>();
    field.SetCaret(k.from, false);
    field.SetCaret(k.to, true);
    std::string board = k.pasted;
    EXPECT_TRUE(EditWithPasteboard(field, U'v', [&](std::string& t) { return t = board, true; },
                                   [](const std::string&) { return true; }));
    EXPECT_EQ(field.StringValueUTF8(), k.result) << k.text << " + " << k.pasted;
    EXPECT_EQ(field.Caret(), k.caret) << k.text << " + " << k.pasted;
    EXPECT_EQ(field.SelectionStart(), std::string(k.text) == k.result ? std::min(k.from, k.to) : k.caret)
      << k.text << " + " << k.pasted;
  }
}

TEST(MenuScroller, ALongMenuFitsTheAreaAndScrollsWithinItsItems)
{
  const Rect area(0, 0, 800, 600);
  const MenuScroller shortMenu(3, 20, 100, 790, 590, area); // moved in from the bottom right corner
  EXPECT_FALSE(shortMenu.Scrolls());
  EXPECT_EQ(shortMenu.X(), 700);
  EXPECT_EQ(shortMenu.Y(), 540);
  MenuScroller longMenu(5000, 20, 100, 10, 300, area);
  EXPECT_TRUE(longMenu.Scrolls());
  EXPECT_EQ(longMenu.Y(), 0);
  EXPECT_EQ(longMenu.Height(), 600);
  EXPECT_EQ(longMenu.VisibleCount(), 28); // 30 rows less the two arrow rows
  int item = -1;
  EXPECT_EQ(longMenu.At(5, item), MenuScroller::Row::kScrollUp);
  EXPECT_EQ(longMenu.At(595, item), MenuScroller::Row::kScrollDown);
  EXPECT_EQ(longMenu.At(25, item), MenuScroller::Row::kItem);
  EXPECT_EQ(item, 0);
  longMenu.Reveal(4999);
  EXPECT_FALSE(longMenu.CanScrollDown());
  EXPECT_EQ(longMenu.At(575, item), MenuScroller::Row::kItem);
  EXPECT_EQ(item, 4999);
  EXPECT_FALSE(longMenu.Scroll(1));
  const MenuScroller empty(0, 20, 100, 10, 10, area);
  EXPECT_EQ(empty.At(5, item), MenuScroller::Row::kNone);
  EXPECT_EQ(item, -1);
}

} // namespace
} // namespace appkit
