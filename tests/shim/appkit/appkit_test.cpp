// The view-system stand-in's own rules: text conversion, text broken into lines, the save panel's extension, a
// menu's items by place, and the X keyboard mapped to mac key codes, characters and modifiers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "golden_text.h"
#include "quiet_responder.h"

// After the test framework: X defines macros (None, Bool) that its headers would trip over.
#include <X11/X.h>
#include <X11/keysym.h>

#include "appkit/application.h"
#include "appkit/event.h"
#include "appkit/headless.h"
#include "appkit/menu.h"
#include "appkit/painter.h"
#include "appkit/panels.h"
#include "appkit/text_field.h"
#include "appkit/x11_keys.h"

namespace appkit {
namespace {

TEST(TextConversion, RoundTripsAndReplacesMalformedBytes)
{
  const std::string text = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb5";
  EXPECT_EQ(UTF32FromUTF8(text), (std::u32string{U'a', 0xE9, 0x20AC, 0x1F3B5}));
  EXPECT_EQ(UTF8FromUTF32(UTF32FromUTF8(text)), text);
  EXPECT_EQ(UTF32FromUTF8("\xff" "a\xc3"), (std::u32string{0xFFFD, U'a', 0xFFFD}));
  // A byte that cannot go on a character ends it there, and is read again on its own; so is a cut-off one.
  EXPECT_EQ(UTF32FromUTF8("\xe2\x28\xa1" "b\xf0\x9f\x8e"),
            (std::u32string{0xFFFD, U'(', 0xFFFD, U'b', 0xFFFD, 0xFFFD, 0xFFFD}));
  // The last code point is kept both ways; one past it is replaced both ways.
  EXPECT_EQ(UTF8FromUTF32(std::u32string(1, char32_t(0x10FFFF))), "\xf4\x8f\xbf\xbf");
  EXPECT_EQ(UTF32FromUTF8("\xf4\x8f\xbf\xbf"), std::u32string(1, char32_t(0x10FFFF)));
  EXPECT_EQ(UTF8FromUTF32(std::u32string(1, char32_t(0x110000))), "\xef\xbf\xbd");
  EXPECT_EQ(UTF32FromUTF8("\xf4\x90\x80\x80"), std::u32string(1, char32_t(0xFFFD)));
  // Bytes from F8 up lead no character, however many continuation bytes follow.
  for (const char* bytes : {"\xf8\x88\x80\x80", "\xfc\x80\x80\x80", "\xff\x80\x80\x80"})
    EXPECT_EQ(UTF32FromUTF8(bytes), std::u32string(4, char32_t(0xFFFD))) << int(bytes[0] & 0xFF);
}

TEST(PainterLines, TextsBreakAtLineBreaksAndLongLinesAtTheLastSpaceSlashOrCharacterThatFits)
{
  PlainPainter painter; // six points a character at this size: ten characters to a 60-point row
  const TextStyle style{"", 10.0, {}};
  const struct
  {
    const char* text;
    std::vector<std::string> lines;
  } cases[] = {
    {"", {}},
    {"one\ntwo\n", {"one", "two"}},
    {"a\n\nb\r\nc", {"a", "", "b", "c"}},
    {"the quick brown fox", {"the quick", "brown fox"}},
    {"one   two    three", {"one   two", "three"}},
    {"/usr/share/doc/drovik", {"/usr/", "share/doc/", "drovik"}},
    {"abcdefghijklmnopqrstuvwxy", {"abcdefghij", "klmnopqrst", "uvwxy"}},
    {"well-known-thing-here", {"well-", "known-", "thing-here"}},
    {"ab-cd efghijklm", {"ab-cd", "efghijklm"}},
    {"-abcdefghijklmn", {"-abcdefghi", "jklmn"}},
    {"a-bcdefghijklmn", {"a-", "bcdefghijk", "lmn"}},
    {"  abcdefghijklmn", {"  abcdefgh", "ijklmn"}},
    {"0123456789", {"0123456789"}},
    {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9",
     {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", "\xc3\xa9\xc3\xa9"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BreakLines(painter, c.text, style, 60), c.lines) << c.text;
  EXPECT_EQ(EndWithEllipsis(painter, "Line 49", style, 60), "Line 49\xE2\x80\xA6");
  EXPECT_EQ(EndWithEllipsis(painter, "one two three", style, 30), "one\xE2\x80\xA6");
  EXPECT_EQ(EndWithEllipsis(painter, "123456789", style, 60), "123456789\xE2\x80\xA6");
  EXPECT_EQ(EndWithEllipsis(painter, "1234567890", style, 60), "123456789\xE2\x80\xA6");
  EXPECT_EQ(EndWithEllipsis(painter, "12345678 ", style, 60), "12345678 \xE2\x80\xA6"); // fits whole, space kept
  EXPECT_EQ(EndWithEllipsis(painter, "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", style, 30),
            "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xE2\x80\xA6");
  // Narrower than one character: one is kept all the same, on each line too.
  EXPECT_EQ(EndWithEllipsis(painter, "abc", style, 3), "a\xE2\x80\xA6");
  EXPECT_EQ(EndWithEllipsis(painter, "", style, 0), "\xE2\x80\xA6");
  EXPECT_EQ(BreakLines(painter, "abc", style, 3), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(PlainPainter, FillsRectanglesInDevicePixelsAsOpaqueBGRAWithChannelsClampedAndRounded)
{
  PlainPainter painter;
  painter.Begin({3.0, 1.5}, 2.0, {0.2, 0.4, 1.0, 1.0}); // 6 x 3 pixels
  painter.FillRect(Rect(0.5, 0.5, 1.0, 5.0), {1.5, -0.5, 0.5, 0.25}); // pixel columns 1 and 2, rows 1 and 2
  const FrameImage image = painter.End();
  ASSERT_EQ(image.width, 6);
  ASSERT_EQ(image.height, 3);
  ASSERT_EQ(image.bytesPerRow, 24u);
  const auto pixel = [&](int x, int y) {
    const uint8_t* p = image.pixels + size_t(y) * image.bytesPerRow + size_t(x) * 4;
    return std::vector<int>{p[0], p[1], p[2], p[3]};
  };
  const std::vector<int> background{255, 102, 51, 255}, filled{128, 0, 255, 255};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(pixel(x, y), (x >= 1 && x < 3 && y >= 1 ? filled : background)) << x << "," << y;
  // A size that ends early in a pixel takes that pixel whole, of the background; no area still makes one pixel.
  for (const Size size : {Size{1.2, 0.3}, Size{0.0, 0.0}})
  {
    painter.Begin(size, 1.0, {0.2, 0.4, 1.0, 1.0});
    const FrameImage partial = painter.End();
    ASSERT_EQ(partial.width, size.width > 1 ? 2 : 1);
    ASSERT_EQ(partial.height, 1);
    for (int x = 0; x < partial.width; ++x)
      EXPECT_EQ(std::vector<int>(partial.pixels + x * 4, partial.pixels + x * 4 + 4), background) << x;
  }
}

// The stand-in without a display: never lost, every shape but the private ones offered (those as the test says),
// an empty pasteboard answered as such, the pointer placed on a screen of the test's height, and a view that
// takes no null window and drops what is typed while no field is open.
TEST(HeadlessApplication, AnswersForShapesPasteboardPointerAndViewsAsTheTestSetsIt)
{
  HeadlessApplication app;
  EXPECT_STREQ(app.Name(), "headless");
  EXPECT_FALSE(app.Lost());
  EXPECT_TRUE(app.Idle());
  const std::vector<Cursor> privateShapes = {Cursor::kBusyButClickable, Cursor::kResizeNorth,
                                             Cursor::kResizeNorthWestSouthEast, Cursor::kResizeNorthEastSouthWest,
                                             Cursor::kResizeEastWest, Cursor::kResizeNorthSouth, Cursor::kHelp};
  for (const bool offered : {true, false})
  {
    app.mHasPrivateCursors = offered;
    for (int c = 0; c <= static_cast<int>(Cursor::kHelp); ++c)
    {
      const bool isPrivate = std::count(privateShapes.begin(), privateShapes.end(), static_cast<Cursor>(c)) > 0;
      EXPECT_EQ(app.HasCursor(static_cast<Cursor>(c)), offered || !isPrivate) << c;
    }
  }
  std::string text = "left over";
  EXPECT_FALSE(app.StringFromPasteboard(text));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(app.SetPasteboardString(""));
  EXPECT_TRUE(app.StringFromPasteboard(text));
  app.mScreenHeight = 500;
  app.WarpCursor({10, 20});
  EXPECT_EQ(app.MouseLocation().x, 10);
  EXPECT_EQ(app.MouseLocation().y, 480);

  QuietResponder responder;
  const std::unique_ptr<View> view = app.CreateView(responder, Rect(0, 0, 50, 40));
  auto& headless = static_cast<HeadlessView&>(*view);
  EXPECT_FALSE(view->AddToParent(nullptr));
  EXPECT_FALSE(view->HasWindow());
  headless.Type("12", true);
  EXPECT_EQ(headless.mTextField, nullptr);
  ASSERT_EQ(app.Views().size(), 1u);
  EXPECT_EQ(app.Views()[0], &headless);
  // A subview goes only into a view in a window, and only once.
  const std::unique_ptr<View> child = app.CreateView(responder, Rect(1, 2, 3, 4));
  EXPECT_FALSE(view->AddSubview(*child));
  int host = 0;
  ASSERT_TRUE(view->AddToParent(&host));
  EXPECT_TRUE(view->AddSubview(*child));
  EXPECT_TRUE(child->HasWindow());
  EXPECT_FALSE(view->AddSubview(*child));

  // Work posted while a menu or an alert is open waits for them to close; it runs, in order, with the next posted.
  std::vector<int> ran;
  Menu menu;
  app.mMenuHook = [&](Menu&, Point, View&) -> MenuItem* {
    app.Post([&] { ran.push_back(1); });
    EXPECT_TRUE(ran.empty());
    return nullptr;
  };
  app.mAlertHook = [&](const AlertPanel&) {
    app.Post([&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty());
    return 0;
  };
  EXPECT_EQ(app.PopUpMenu(menu, {1, 1}, *view), nullptr);
  EXPECT_EQ(app.RunAlertPanel(AlertPanel()), 0);
  app.Post([&] { ran.push_back(3); });
  EXPECT_EQ(ran, std::vector<int>({1, 2, 3}));
}

// A frame of the size shown before that says where it changed is taken there only, its rectangles cut to the
// frame; one of another size, or one that names no change, is taken whole.
TEST(HeadlessView, AFrameIsTakenWhereItChangedOrWholeWhenItsSizeIsNew)
{
  HeadlessApplication app;
  QuietResponder responder;
  const std::unique_ptr<View> view = app.CreateView(responder, Rect(0, 0, 4, 3));
  auto& headless = static_cast<HeadlessView&>(*view);
  const std::vector<uint8_t> before(4 * 3 * 4, 1), after(4 * 3 * 4, 2);
  const auto shown = [&](int firstWidth, const std::vector<Rect>& changed) {
    headless.PresentFrame({before.data(), firstWidth, 3, size_t(firstWidth) * 4, {}});
    headless.PresentFrame({after.data(), 4, 3, 16, changed});
    std::string rows;
    for (size_t p = 0; p < headless.mFrame.size(); p += 4)
      rows += std::string(headless.mFrame[p] == 2 ? "#" : ".") + (p % 16 == 12 ? "/" : "");
    return rows;
  };
  EXPECT_EQ(shown(4, {Rect(0, 0, 1, 1)}), "#.../..../..../");
  EXPECT_EQ(shown(4, {Rect(-2, -1, 4, 3), Rect(3, 2, 5, 5)}), "##../##../...#/");
  EXPECT_EQ(shown(4, {Rect(1, 1, 2, 1), Rect(9, 0, 2, 2), Rect(0, 3, 4, 1)}), "..../.##./..../");
  EXPECT_EQ(shown(4, {}), "####/####/####/");
  EXPECT_EQ(shown(2, {Rect(0, 0, 1, 1)}), "####/####/####/");
  EXPECT_EQ(headless.mFramesPresented, 10);
}

// Without a display, one headless stand-in serves every call of the process: what was made with it stays valid.
TEST(Application, WithoutADisplayOneHeadlessStandInServesEveryCall)
{
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  Application& first = Application::Shared();
  EXPECT_STREQ(first.Name(), "headless");
  EXPECT_EQ(&Application::Shared(), &first);
  if (display)
    setenv("DISPLAY", saved.c_str(), 1);
}

// An item's place in its menu, separators counted; -1 for an item of another menu (its submenu's) or none.
TEST(Menu, AnItemIsFoundAtItsPlaceAndOnlyInItsOwnMenu)
{
  Menu menu;
  const MenuItem* items[] = {&menu.AddItem("first", nullptr), &menu.AddSeparatorItem(), &menu.AddItem("last", nullptr)};
  auto submenu = std::make_unique<Menu>();
  const MenuItem& inner = submenu->AddItem("inner", nullptr);
  menu.SetSubmenu(std::move(submenu), menu.ItemAt(2));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(menu.IndexOfItem(items[i]), i);
  EXPECT_EQ(menu.IndexOfItem(&inner), -1);
  EXPECT_EQ(menu.IndexOfItem(nullptr), -1);
  EXPECT_EQ(menu.ItemAt(2).submenu->IndexOfItem(&inner), 0);
}

TEST(SavePanel, AnAnswerWithoutAnAllowedExtensionGetsTheFirst)
{
  struct Case
  {
    const char* answer;
    bool allowsOthers;
    const char* result;
  };
  const Case cases[] = {{"/p/a", false, "/p/a.vqp"}, {"/p/a.xml", false, "/p/a.xml"},
                        {"/p/a.vqp", false, "/p/a.vqp"}, {"/p/a", true, "/p/a"}};
  for (const Case& c : cases)
  {
    FilePanel p;
    p.kind = FilePanel::Kind::kSave;
    p.allowedFileTypes = {"vqp", "xml"};
    p.allowsOtherFileTypes = c.allowsOthers;
    p.filename = c.answer;
    p.CompleteSaveAnswer();
    EXPECT_EQ(p.filename, c.result) << c.answer;
  }
}

TEST(X11Keys, KeySymsMapToMacKeyCodesAndCharacters)
{
  struct Case
  {
    unsigned long sym;
    uint16_t code;
    std::u32string chars;
  };
  const Case cases[] = {
    {XK_a, 0, U"a"},          {XK_A, 0, U"A"},        {XK_Return, 36, U"\r"},   {XK_Tab, 48, U"\t"},
    {XK_Escape, 53, U"\x1b"}, {XK_space, 49, U" "},   {XK_BackSpace, 51, U"\x7f"},
    {XK_F1, 122, std::u32string(1, char32_t(0xF704))}, {XK_F24, kNoMacKeyCode, std::u32string(1, char32_t(0xF71B))},
    {XK_Left, 123, std::u32string(1, char32_t(0xF702))}, {XK_KP_Enter, 76, U"\x03"}, {XK_KP_5, 87, U"5"},
    {XK_Delete, 117, std::u32string(1, char32_t(0xF728))}, {XK_Shift_L, kNoMacKeyCode, U""},
    {XK_eacute, kNoMacKeyCode, std::u32string(1, char32_t(0xE9))},
    // The edges of the ranges that stand for characters: Latin-1, the keypad digits, the function keys, Unicode.
    {XK_asciitilde, kNoMacKeyCode, U"~"}, {0x7F, kNoMacKeyCode, U""}, {0x9F, kNoMacKeyCode, U""},
    {XK_nobreakspace, kNoMacKeyCode, std::u32string(1, char32_t(0xA0))},
    {XK_ydiaeresis, kNoMacKeyCode, std::u32string(1, char32_t(0xFF))}, {XK_KP_0, 82, U"0"}, {XK_KP_9, 92, U"9"},
    {XK_F35, kNoMacKeyCode, std::u32string(1, char32_t(0xF704 + 34))}, {XK_Z, 6, U"Z"},
    {0x10000FF, kNoMacKeyCode, U""}, {0x1000100, kNoMacKeyCode, std::u32string(1, char32_t(0x100))},
    {0x1F3B5 + 0x1000000, kNoMacKeyCode, std::u32string(1, char32_t(0x1F3B5))},
    {0x110FFFF, kNoMacKeyCode, std::u32string(1, char32_t(0x10FFFF))}, {0x1110000, kNoMacKeyCode, U""},
  };
  for (const Case& c : cases)
  {
    EXPECT_EQ(MacKeyCodeForKeySym(c.sym), c.code) << c.sym;
    EXPECT_EQ(CharactersForKeySym(c.sym), c.chars) << c.sym;
  }
  // Every letter, digit and punctuation key of a US keyboard has a key code of its own.
  std::map<uint16_t, unsigned long> owners;
  for (unsigned long sym = XK_space + 1; sym <= XK_asciitilde; ++sym)
  {
    if (sym >= XK_A && sym <= XK_Z)
      continue; // the same keys as the lower-case letters
    const uint16_t code = MacKeyCodeForKeySym(sym);
    if (code == kNoMacKeyCode)
      continue; // shifted symbols have no key of their own
    const auto [at, mine] = owners.emplace(code, sym);
    EXPECT_TRUE(mine) << "key symbols " << at->second << " and " << sym << " share key code " << code;
  }
  EXPECT_EQ(owners.size(), 26u + 10u + 11u);
  EXPECT_EQ(ModifierFlagsForState(ShiftMask | Mod4Mask), kModifierShift | kModifierCommand);
  EXPECT_EQ(ModifierFlagsForState(ControlMask | Mod1Mask), kModifierControl | kModifierOption);
}

// Every key symbol of the Latin-1 block and of the block of keys that type no character, with the key code and
// the characters it gives, against a recorded table (symbols giving neither are left out).
TEST(X11Keys, TheKeyCodesAndCharactersOfBothBlocksMatchTheRecordedTable)
{
  std::vector<std::string> lines;
  for (const auto& [first, last] : {std::pair{0x20ul, 0xFFul}, std::pair{0xFF00ul, 0xFFFFul}})
    for (unsigned long sym = first; sym <= last; ++sym)
    {
      const uint16_t code = MacKeyCodeForKeySym(sym);
      const std::u32string chars = CharactersForKeySym(sym);
      if (code == kNoMacKeyCode && chars.empty())
        continue;
      char line[64];
      std::snprintf(line, sizeof line, "%04lX %s", sym, code == kNoMacKeyCode ? "-" : std::to_string(code).c_str());
      std::string text = line;
      for (char32_t c : chars)
      {
        std::snprintf(line, sizeof line, " U+%04X", static_cast<unsigned>(c));
        text += line;
      }
      lines.push_back(text);
    }
  const std::string differences =
    goldentext::Compare(std::string(DROVIK_APPKIT_GOLDEN_DIR) + "/x11_keys.txt", goldentext::Joined(lines));
  EXPECT_TRUE(differences.empty()) << differences;
}

} // namespace
} // namespace appkit
