// The in-editor text entry: selection on start, the parameter's character filter for typed and pasted text,
// undo, clipboard keys, the caret blink and how Return, Escape and Tab end (or do not end) the edit.
#include <string>

#include "graphics/overlay/IPopupMenuControl.h"
#include "graphics/overlay/ITextEntryControl.h"
#include "controls_fixture.h"
#include "core/IParam.h"
#include "test_controls.h"

namespace controlstest {
namespace {

using Key = ITextEntryControl;

class TextEntryTest : public ControlsTest
{
protected:
  TextEntryTest()
  {
    g.AttachTextEntryControl();
    g.AttachControl(requester);
    entry = g.GetTextEntryControl();
  }
  void Start(int paramIdx, const char* text)
  {
    requester->SetParamIdx(paramIdx);
    g.CreateTextEntry(*requester, IText(), IRECT(10, 10, 110, 30), text, paramIdx >= 0 ? 0 : -1);
  }
  bool Type(const char* utf8, int virtualKey = 0, bool ctrl = false, bool shift = false)
  {
    return entry->OnKeyDown(0, 0, plug::IKeyPress(utf8, virtualKey ? virtualKey : utf8[0], shift, ctrl));
  }
  void TypeAll(const char* s)
  {
    for (; *s; ++s)
    {
      const char c[2] = {*s, 0};
      // Key codes of the platform: letters as capitals, the full stop and minus on their own keys.
      Type(c, *s >= 'a' && *s <= 'z' ? *s - 32 : *s == '.' ? 0xBE : *s == '-' ? 0xBD : *s);
    }
  }

  ITextEntryControl* entry = nullptr;
  graphicstest::TestControl* requester = new graphicstest::TestControl(IRECT(0, 0, 10, 10));
};

TEST_F(TextEntryTest, StartsWithEverythingSelectedSoTypingReplacesIt)
{
  Start(0, "0.25");
  int a = -1, b = -1;
  entry->GetSelection(a, b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 4);
  EXPECT_EQ(entry->GetCursor(), 0);
  TypeAll("7");
  EXPECT_EQ(entry->GetUTF8Text(), "7");
}

TEST_F(TextEntryTest, TypedAndPastedCharactersPassTheParameterFilter)
{
  struct Case
  {
    int param;
    const char* typed;
    const char* expected;
  };
  for (const Case& c : {Case{ControlsDelegate::kIntParam, "a1b.2-", "12-"}, Case{0, "a1b.2-", "1.2-"}, Case{-1, "a1b.2-", "a1b.2-"}})
  {
    Start(c.param, "");
    TypeAll(c.typed);
    EXPECT_EQ(entry->GetUTF8Text(), c.expected) << "typed, param " << c.param;

    Start(c.param, "");
    g.mClipboard = c.typed;
    EXPECT_TRUE(Type("v", Key::kKeyV, true));
    EXPECT_EQ(entry->GetUTF8Text(), c.expected) << "pasted, param " << c.param;
  }
}

TEST_F(TextEntryTest, EveryDigitSignAndSeparatorThroughEachFilterKind)
{
  // The space key is passed on unfiltered, whatever the parameter.
  struct Kind
  {
    int param;
    std::string accepted;
  } kinds[] = {{ControlsDelegate::kIntParam, "0123456789+- "},
               {ControlsDelegate::kEnumParam, "0123456789+- "},
               {0, "0123456789+-. "},
               {-1, "0123456789+-.,e "}};
  for (const Kind& k : kinds)
    for (char c : std::string("0123456789+-.,e "))
    {
      Start(k.param, "");
      const char typed[2] = {c, 0};
      TypeAll(typed);
      const bool accepted = k.accepted.find(c) != std::string::npos;
      EXPECT_EQ(entry->GetUTF8Text(), accepted ? typed : "") << "'" << c << "', param " << k.param;
    }
}

TEST_F(TextEntryTest, UndoRedoAndClipboardKeys)
{
  Start(-1, "hello");
  TypeAll("x");
  EXPECT_EQ(entry->GetUTF8Text(), "x");
  Type("z", Key::kKeyZ, true); // the typed character, then the replaced selection
  Type("z", Key::kKeyZ, true);
  EXPECT_EQ(entry->GetUTF8Text(), "hello");
  Type("z", Key::kKeyZ, true, true);
  Type("z", Key::kKeyZ, true, true);
  EXPECT_EQ(entry->GetUTF8Text(), "x");

  Start(-1, "h\xC3\xA9llo");
  Type("c", Key::kKeyC, true);
  EXPECT_EQ(g.mClipboard, "h\xC3\xA9llo");
  Type(nullptr, Key::kKeyLeft);
  Type(nullptr, Key::kKeyRight, false, true);
  Type("x", Key::kKeyX, true);
  EXPECT_EQ(g.mClipboard, "h");
  EXPECT_EQ(entry->GetUTF8Text(), "\xC3\xA9llo");
}

TEST_F(TextEntryTest, EachByteThatStartsNoCharacterBecomesAnUnderscoreAndCharactersKeepEveryBit)
{
  // Leading bytes with their highest payload bit set: Cyrillic, CJK and the last code point; and the first code
  // point past sixteen bits, whose two halves are the lowest of their kinds. Past the last code point and the
  // halves' own range (its first and last) each whole sequence is one underscore.
  Start(-1, "a\x80\xBFz\xC3\xA9\xF0\x9F\x8E\xB5\xD0\x96\xE8\xAA\x9E\xF4\x8F\xBF\xBF\xF0\x90\x80\x80"
            "\xF4\x90\x80\x80\xED\xA0\x80\xED\xBF\xBF!");
  EXPECT_EQ(entry->GetUTF8Text(),
            "a__z\xC3\xA9\xF0\x9F\x8E\xB5\xD0\x96\xE8\xAA\x9E\xF4\x8F\xBF\xBF\xF0\x90\x80\x80___!");
}

// The editing keys: Home and End, arrows by character or with Ctrl by word, Shift extending the selection,
// Backspace and Delete. An Alt chord changes nothing and says so, as does a key with no edit in progress.
TEST_F(TextEntryTest, EditingKeysMoveByCharacterOrWordAndShiftSelects)
{
  Start(-1, "one two three");
  auto where = [&] {
    int a = -1, b = -1;
    entry->GetSelection(a, b);
    return std::to_string(entry->GetCursor()) + (a == b ? "" : " " + std::to_string(a) + ".." + std::to_string(b));
  };
  struct Step
  {
    int key;
    bool ctrl, shift;
    const char* text; // after the key
    const char* at;   // the cursor, then the selection when there is one
  };
  const Step steps[] = {
    {Key::kKeyEnd, false, false, "one two three", "13"},
    {Key::kKeyLeft, true, false, "one two three", "8"},
    {Key::kKeyLeft, true, true, "one two three", "4 4..8"},
    {Key::kKeyBackspace, false, false, "one three", "4"},
    {Key::kKeyHome, false, false, "one three", "0"},
    {Key::kKeyDelete, false, false, "ne three", "0"},
    {Key::kKeyRight, true, false, "ne three", "3"},
    {Key::kKeyRight, false, true, "ne three", "4 3..4"},
    {Key::kKeyEnd, false, true, "ne three", "8 3..8"},
    {Key::kKeyLeft, false, false, "ne three", "3"},
    {Key::kKeyRight, false, false, "ne three", "4"},
  };
  for (const Step& st : steps)
  {
    EXPECT_TRUE(Type(nullptr, st.key, st.ctrl, st.shift)) << st.key;
    EXPECT_EQ(entry->GetUTF8Text(), st.text) << st.key;
    EXPECT_EQ(where(), st.at) << st.key << " ctrl " << st.ctrl << " shift " << st.shift;
  }
  EXPECT_FALSE(entry->OnKeyDown(0, 0, plug::IKeyPress("q", 'Q', false, false, true))) << "Alt+Q";
  EXPECT_EQ(entry->GetUTF8Text(), "ne three");
  Type("\r", Key::kKeyReturn);
  EXPECT_FALSE(Type("q", 'Q')) << "no edit in progress";
  EXPECT_EQ(entry->GetUTF8Text(), "ne three");
}

TEST_F(TextEntryTest, RightClickMenuCutsCopiesAndPastes)
{
  g.AttachPopupMenuControl();
  IPopupMenuControl& popup = *g.GetPopupMenuControl();
  Start(-1, "abc");
  auto choose = [&](int item) {
    entry->OnMouseDown(50, 20, IMouseMod(false, true));
    ASSERT_EQ(popup.NPanels(), 1);
    const char* const labels[] = {"Cut", "Copy", "Paste"};
    ASSERT_EQ(popup.GetPanel(0).mMenu->NItems(), 3);
    EXPECT_STREQ(popup.GetPanel(0).mMenu->GetItem(item)->GetText(), labels[item]);
    // The menu hangs from the pointer at (50, 20), half the width of its 63-wide cells to the left of it.
    EXPECT_FLOAT_EQ(popup.GetPanel(0).mTargetRECT.mTop, 20.f);
    EXPECT_FLOAT_EQ(popup.GetPanel(0).mTargetRECT.mLeft, 50.f - 63.f / 2.f);
    Step(popup, 101);
    const IRECT cell = *popup.GetPanel(0).Cell(item);
    popup.OnMouseDown(cell.CentreX(), cell.CentreY(), left);
    for (int s = 0; s < 3; ++s)
      Step(popup, 101);
  };
  choose(1);
  EXPECT_EQ(g.mClipboard, "abc");
  choose(0);
  EXPECT_EQ(entry->GetUTF8Text(), "");
  g.mClipboard = "xyz";
  choose(2);
  EXPECT_EQ(entry->GetUTF8Text(), "xyz");
  EXPECT_TRUE(entry->EditInProgress());
}

TEST_F(TextEntryTest, DoubleClickSelectsAllAndTabIsNotTaken)
{
  Start(-1, "abc");
  Type(nullptr, Key::kKeyEnd);
  entry->OnMouseDblClick(50, 20, left);
  int a = -1, b = -1;
  entry->GetSelection(a, b);
  EXPECT_EQ(b - a, 3);
  EXPECT_FALSE(Type("\t", Key::kKeyTab));
  EXPECT_TRUE(entry->EditInProgress());
}

TEST_F(TextEntryTest, ReturnCommitsAndEscapeCancels)
{
  Start(-1, "abc");
  Type("\r", Key::kKeyReturn);
  EXPECT_FALSE(entry->EditInProgress());
  EXPECT_TRUE(entry->GetRECT().Empty());
  EXPECT_EQ(g.GetTextEntryRequester(), nullptr);

  Start(-1, "abc");
  Type("\x1B", Key::kKeyEscape);
  EXPECT_FALSE(entry->EditInProgress());
  EXPECT_EQ(g.GetTextEntryRequester(), nullptr);
  EXPECT_EQ(entry->GetUTF8Text(), "abc");
}

TEST_F(TextEntryTest, CaretBlinksEverySecondWhileEditing)
{
  Start(-1, "");
  EXPECT_TRUE(entry->CaretVisible());
  Step(*entry, 499);
  EXPECT_TRUE(entry->CaretVisible());
  Step(*entry, 2);
  EXPECT_FALSE(entry->CaretVisible());
  Step(*entry, 500);
  EXPECT_TRUE(entry->CaretVisible()) << "the next blink starts when the last ends";
}

TEST_F(TextEntryTest, ClickPlacesTheCursorUnderEachAlignmentAndAClickOutsideCommits)
{
  // "abcd" is 28 wide, 7 per character: in 10..110 it starts at 10, 46 or 82.
  for (auto [align, start] : {std::pair{kAlignNear, 10.f}, {kAlignCenter, 46.f}, {kAlignFar, 82.f}})
  {
    IText text;
    text.mHAlign = align;
    g.CreateTextEntry(*requester, text, IRECT(10, 10, 110, 30), "abcd", -1);
    entry->OnMouseDown(start + 7 * 2 + 1, 20, left);
    EXPECT_EQ(entry->GetCursor(), 2) << "alignment " << align;
    entry->OnMouseUp(start + 7 * 3 + 1, 20, left); // released a character on: that character is selected
    int a = -1, b = -1;
    entry->GetSelection(a, b);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(2, 3)) << "alignment " << align;
    entry->OnMouseUp(start + 1, 20, IMouseMod(false, true)); // a right button's release selects nothing
    entry->GetSelection(a, b);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(2, 3)) << "alignment " << align;
    entry->OnMouseDown(200, 200, left);
    EXPECT_FALSE(entry->EditInProgress());
  }
}

TEST_F(TextEntryTest, SelectionAndCaretSpanTheTextRowUnderEachVerticalAlignment)
{
  // "abcd" centred in 10..110 spans 46..74; the 14-point row lies at the top, middle or bottom of 10..30, and the
  // highlight and the caret stand a tenth of the size in from its top and bottom.
  for (auto [align, top] : {std::pair{kVAlignTop, 11.4f}, {kVAlignMiddle, 14.4f}, {kVAlignBottom, 17.4f}})
  {
    IText text;
    text.mVAlign = align;
    g.CreateTextEntry(*requester, text, IRECT(10, 10, 110, 30), "abcd", -1);
    auto expectMark = [&](const IRECT& expected, float weight) {
      g.mOps.clear();
      entry->Draw(g);
      int marks = 0;
      for (const auto& op : g.mOps)
        if (op.mName == "FillRect" && op.mColor == text.mEntryTextColor)
        {
          ++marks;
          EXPECT_NEAR(op.mRect.mLeft, expected.mLeft, 1e-4f);
          EXPECT_NEAR(op.mRect.mTop, expected.mTop, 1e-4f);
          EXPECT_NEAR(op.mRect.mRight, expected.mRight, 1e-4f);
          EXPECT_NEAR(op.mRect.mBottom, expected.mBottom, 1e-4f);
          EXPECT_EQ(op.mBlendWeight, weight);
        }
      EXPECT_EQ(marks, 1) << "alignment " << align;
    };
    expectMark(IRECT(46, top, 74, top + 11.2f), ITextEntryControl::kSelectionWeight);
    Type("", Key::kKeyEnd);
    expectMark(IRECT(73, top, 74, top + 11.2f), -1.f);
    entry->OnMouseDown(200, 200, left);
  }
}

} // namespace
} // namespace controlstest
