// Message boxes, native menus, text fields, file and folder prompts, the workspace and the pasteboard over the
// headless view system, and closing the editor while one of them is open.
#include <cstdio>
#include <string>

#include "mac_test_support.h"
#include "platform/mac/IGraphicsMenu.h"
#include "platform/mac/IGraphicsTextField.h"

namespace mactest {
namespace {

using Prompts = MacTest;

TEST_F(Prompts, MessageBoxesShowTheButtonsOfTheirTypeAndMapTheAnswer)
{
  struct Case
  {
    int type;
    const char *def, *alt, *other;
    int answer, result;
  };
  const Case cases[] = {
    {kButtonsOk, "OK", "", "", appkit::kAlertAlternateReturn, kAnswerOk},
    {kButtonsOkCancel, "OK", "Cancel", "", appkit::kAlertDefaultReturn, kAnswerOk},
    {kButtonsOkCancel, "OK", "Cancel", "", appkit::kAlertAlternateReturn, kAnswerCancel},
    {kButtonsYesNoCancel, "Yes", "Cancel", "No", appkit::kAlertDefaultReturn, kAnswerYes},
    {kButtonsYesNoCancel, "Yes", "Cancel", "No", appkit::kAlertOtherReturn, kAnswerNo},
    {kButtonsYesNoCancel, "Yes", "Cancel", "No", appkit::kAlertAlternateReturn, kAnswerCancel},
    {kButtonsYesNo, "Yes", "No", "", appkit::kAlertAlternateReturn, kAnswerNo},
    {kButtonsYesNo, "Yes", "No", "", appkit::kAlertDefaultReturn, kAnswerYes},
    {kButtonsRetryCancel, "Retry", "Cancel", "", appkit::kAlertDefaultReturn, kAnswerRetry},
    {kButtonsRetryCancel, "Retry", "Cancel", "", appkit::kAlertAlternateReturn, kAnswerCancel},
    // An alert that could not be shown (another was open) answers as no panel shown, never the default.
    {kButtonsOk, "OK", "", "", appkit::kAlertNotShownReturn, kAnswerCancel},
    {kButtonsYesNo, "Yes", "No", "", appkit::kAlertNotShownReturn, kAnswerCancel},
    {kButtonsYesNoCancel, "Yes", "Cancel", "No", appkit::kAlertNotShownReturn, kAnswerCancel},
    {kButtonsRetryCancel, "Retry", "Cancel", "", appkit::kAlertNotShownReturn, kAnswerCancel},
  };
  Open();
  for (const Case& c : cases)
  {
    mApp.mAlerts.clear();
    mApp.mAlertHook = [&](const appkit::AlertPanel&) { return c.answer; };
    int completed = -1;
    EXPECT_EQ(Graphics()->ShowMessageBox("Title", nullptr, c.type, [&](int r) { completed = r; }), c.result);
    EXPECT_EQ(completed, c.result);
    ASSERT_EQ(mApp.mAlerts.size(), 1u);
    const appkit::AlertPanel& a = mApp.mAlerts[0];
    EXPECT_EQ(a.title, "Title");
    EXPECT_EQ(a.message, "");
    EXPECT_EQ(a.defaultButton, c.def);
    EXPECT_EQ(a.alternateButton, c.alt);
    EXPECT_EQ(a.otherButton, c.other);
  }
  for (int type : {int(kButtonsCancel), 6, -1})
  {
    mApp.mAlerts.clear();
    int completed = -1;
    EXPECT_EQ(Graphics()->ShowMessageBox("t", "m", type, [&](int r) { completed = r; }), kAnswerCancel);
    EXPECT_EQ(completed, kAnswerCancel);
    EXPECT_TRUE(mApp.mAlerts.empty());
  }
}

TEST(NativeMenu, NumbersItemsByPrefixAndMapsTheFlags)
{
  EXPECT_EQ(IGraphicsMenu_vDrovik_vst::ItemTitle("x", 0, 4), "x");
  EXPECT_EQ(IGraphicsMenu_vDrovik_vst::ItemTitle("x", 1, 4), "5: x");
  EXPECT_EQ(IGraphicsMenu_vDrovik_vst::ItemTitle("x", 2, 4), "05: x");
  EXPECT_EQ(IGraphicsMenu_vDrovik_vst::ItemTitle("x", 3, 4), "005: x");
  EXPECT_EQ(IGraphicsMenu_vDrovik_vst::ItemTitle(nullptr, 7, 4), "");

  IPopupMenu model("", 2);
  model.AddItem("plain");
  model.AddItem("off", IPopupMenu::Item::kDisabled);
  model.AddSeparator();
  model.AddItem("indented", IPopupMenu::Item::kTitle | IPopupMenu::Item::kChecked);
  IGraphicsMenuRcvr_vDrovik_vst receiver;
  IGraphicsMenu_vDrovik_vst menu(model, receiver);
  ASSERT_EQ(menu.NumberOfItems(), 4);
  EXPECT_EQ(menu.ItemAt(0).title, "01: plain");
  EXPECT_FALSE(menu.ItemAt(1).enabled);
  EXPECT_TRUE(menu.ItemAt(2).separator);
  EXPECT_EQ(menu.ItemAt(3).title, "04: indented"); // separators take a number too
  EXPECT_EQ(menu.ItemAt(3).indentationLevel, 1);
  EXPECT_EQ(menu.ItemAt(3).state, 1);
  EXPECT_FALSE(menu.autoenablesItems);
}

TEST_F(Prompts, AMenuChoiceReturnsTheModelThatHoldsItAndRunsItsCompletion)
{
  Open();
  IPopupMenu root;
  root.AddItem("a");
  auto* sub = new IPopupMenu;
  sub->AddItem("s0");
  sub->AddItem("s1");
  root.AddItem(new IPopupMenu::Item("more", sub));
  root.AddItem("disabled", IPopupMenu::Item::kDisabled);
  IPopupMenu* completed = nullptr;
  sub->SetFunction([&](IPopupMenu* m) { completed = m; });

  appkit::Point shownAt;
  mApp.mMenuHook = [&](appkit::Menu& m, appkit::Point at, appkit::View&) {
    shownAt = at;
    return &m.ItemAt(1).submenu->ItemAt(1);
  };
  bool isAsync = true;
  IPopupMenu* chosen = Graphics()->CreatePlatformPopupMenu(root, IRECT(10, 20, 50, 30), isAsync);
  EXPECT_FALSE(isAsync);
  EXPECT_EQ(chosen, sub);
  EXPECT_EQ(sub->GetChosenItemIdx(), 1);
  EXPECT_EQ(completed, sub);
  EXPECT_EQ(shownAt.x, 10.0);
  EXPECT_EQ(shownAt.y, 34.0); // 4 points below the rectangle

  for (int item : {-1, 2}) // dismissed, and a disabled item
  {
    mApp.mMenuHook = [item](appkit::Menu& m, appkit::Point, appkit::View&) {
      return item < 0 ? nullptr : &m.ItemAt(item);
    };
    root.SetChosenItemIdx(-1);
    EXPECT_EQ(Graphics()->CreatePlatformPopupMenu(root, IRECT(), isAsync), nullptr);
    EXPECT_EQ(root.GetChosenItemIdx(), -1);
  }
}

TEST(TextFieldFormatter, AdmitsWhatTheParameterTypeCanTake)
{
  struct Case
  {
    int type;
    const char* text;
    bool ok;
  };
  const Case cases[] = {
    {plug::IParam::kTypeInt, "-12", true},  {plug::IParam::kTypeInt, "1.5", false},
    {plug::IParam::kTypeInt, "1a", false},  {plug::IParam::kTypeInt, "12345", false}, // longer than 4
    {plug::IParam::kTypeBool, "+1", true},  {plug::IParam::kTypeEnum, "2", true},
    {plug::IParam::kTypeDouble, "-0.5", true}, {plug::IParam::kTypeDouble, "1e3", false},
    {plug::IParam::kTypeNone, "1", false},  {plug::IParam::kTypeNone, "", true},
  };
  for (const Case& c : cases)
  {
    IGraphicsFormatter_vDrovik_vst f;
    f.setAcceptableCharacterSet(IGraphicsFormatter_vDrovik_vst::CharactersForParamType(c.type));
    f.setMaximumLength(4);
    EXPECT_EQ(f.IsPartialStringValid(appkit::UTF32FromUTF8(c.text)), c.ok) << c.type << " " << c.text;
  }
  IGraphicsFormatter_vDrovik_vst noSet;
  noSet.setMaximumValue(100);
  EXPECT_TRUE(noSet.IsPartialStringValid(U"abc"));
  EXPECT_TRUE(noSet.IsPartialStringValid(U"100"));
  EXPECT_FALSE(noSet.IsPartialStringValid(U"101"));
}

TEST_F(Prompts, TextFieldsTakeTheirLookFromTheStyleAndFilterByParameter)
{
  mDrawScale = 2.f;
  Open();
  IText style(20.f, IColor(255, 0, 0, 0), "Roboto-Regular", kAlignFar, kVAlignMiddle);
  style.mEntryTextColor = IColor(255, 255, 0, 0);
  Graphics()->CreatePlatformTextEntry(1, style, IRECT(10, 10, 60, 30), 5, "0.25");
  appkit::TextField* field = View().mTextField;
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->frame.origin.x, 20.0);
  EXPECT_EQ(field->frame.size.width, 100.0);
  EXPECT_EQ(field->fontSize, 40.0);
  EXPECT_EQ(field->alignment, appkit::TextAlignment::kRight);
  EXPECT_TRUE(field->centreVertically);
  EXPECT_EQ(field->textColor.red, 1.0);
  EXPECT_EQ(field->StringValueUTF8(), "0.25");
  EXPECT_FALSE(field->TryReplaceText(U"0.25x"));
  EXPECT_FALSE(field->TryReplaceText(U"0.2555"));
  Graphics()->EndUserInput(false);
  EXPECT_EQ(View().mTextField, nullptr);

  // No parameter: no filter. No font: the default text style.
  IText noFont;
  std::memset(noFont.mFontName, 0, sizeof(noFont.mFontName));
  noFont.mSize = 30.f;
  Graphics()->CreatePlatformTextEntry(-1, noFont, IRECT(0, 0, 10, 10), 2, "");
  field = View().mTextField;
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->fontFamily, IText::kDefaultFont);
  EXPECT_EQ(field->fontSize, IText::kDefaultSize * 2.0);
  EXPECT_TRUE(field->TryReplaceText(U"anything at all"));
}

TEST_F(Prompts, KeysTheHostSendsGoToTheOpenTextField)
{
  Open();
  EXPECT_FALSE(mDelegate.OnKeyDown(plug::IKeyPress("1", 0))); // no field: the editor's key handling
  Graphics()->CreatePlatformTextEntry(0, IText(), IRECT(0, 0, 10, 10), 8, "");
  for (const char* text : {"1", "x", ".", "5", "7"})
    EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress(text, 0)));
  EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress("", 8))); // backspace
  EXPECT_TRUE(mDelegate.OnKeyUp(plug::IKeyPress("", 8)));
  ASSERT_NE(View().mTextField, nullptr);
  EXPECT_EQ(View().mTextField->StringValueUTF8(), "1.5");
  // Home, Shift+Right and Control+C copy the first character; End and Control+V paste it at the end.
  constexpr int kEnd = 35, kHome = 36, kRight = 39;
  EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress("", kHome)));
  EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress("", kRight, true)));
  EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress("c", 'C', false, true)));
  EXPECT_EQ(mApp.mPasteboard, "1");
  EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress("", kEnd)));
  EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress("v", 'V', false, true)));
  EXPECT_EQ(View().mTextField->StringValueUTF8(), "1.51");
  // Left twice, Delete takes the character after the caret and Backspace the one before it.
  constexpr int kLeft = 37, kDelete = 46;
  for (int key : {kLeft, kLeft, kDelete})
    EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress("", key)));
  EXPECT_EQ(View().mTextField->StringValueUTF8(), "1.1");
  EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress("", 8)));
  EXPECT_EQ(View().mTextField->StringValueUTF8(), "11");
  EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress("\r", 13)));
  EXPECT_EQ(View().mTextField, nullptr);
  // Tab and the keypad's Enter end the editing as Return does.
  for (int key : {9, 0x800D})
  {
    Graphics()->CreatePlatformTextEntry(0, IText(), IRECT(0, 0, 10, 10), 8, "");
    ASSERT_NE(View().mTextField, nullptr);
    EXPECT_TRUE(mDelegate.OnKeyDown(plug::IKeyPress("", key)));
    EXPECT_EQ(View().mTextField, nullptr) << key;
  }
}

TEST_F(Prompts, ScrollingClosesTheTextFieldEvenWithoutVerticalMovement)
{
  Open();
  for (double deltaY : {0.0, 1.0})
  {
    Graphics()->CreatePlatformTextEntry(-1, IText(), IRECT(0, 0, 10, 10), 2, "x");
    ASSERT_NE(View().mTextField, nullptr);
    appkit::Event wheel;
    wheel.type = appkit::EventType::kScrollWheel;
    wheel.deltaY = deltaY;
    mApp.Deliver(View(), wheel);
    EXPECT_EQ(View().mTextField, nullptr) << deltaY;
  }
}

TEST_F(Prompts, FilePromptsStartOnTheDesktopAndSavesGetTheExtension)
{
  Open();
  plug::LibString name("preset"), path;
  appkit::FilePanel seen;
  mApp.mFilePanelHook = [&](appkit::FilePanel& p) {
    seen = p;
    p.filename = "/tmp/x/mine";
    return appkit::kPanelOKButton;
  };
  Graphics()->PromptForFile(name, path, kFileSave, "vqp xml");
  EXPECT_EQ(seen.kind, appkit::FilePanel::Kind::kSave);
  EXPECT_EQ(seen.file, "preset");
  EXPECT_NE(seen.directory.find("Desktop"), std::string::npos);
  EXPECT_EQ(seen.allowedFileTypes, (std::vector<std::string>{"vqp", "xml"}));
  EXPECT_STREQ(name.Get(), "/tmp/x/mine.vqp");
  EXPECT_STREQ(path.Get(), "/tmp/x/");

  mApp.mFilePanelHook = [&](appkit::FilePanel& p) { // cancelled
    seen = p;
    return appkit::kPanelCancelButton;
  };
  Graphics()->PromptForFile(name, path); // a panel to open a file unless asked otherwise
  EXPECT_EQ(seen.kind, appkit::FilePanel::Kind::kOpen);
  EXPECT_TRUE(seen.canChooseFiles && !seen.canChooseDirectories && seen.resolvesAliases);
  EXPECT_STREQ(name.Get(), "");
  EXPECT_STREQ(path.Get(), "/tmp/x/");

  plug::LibString dir;
  EXPECT_FALSE(Graphics()->PromptForDirectory(dir));
  EXPECT_STREQ(dir.Get(), "");
  mApp.mFilePanelHook = [&](appkit::FilePanel& p) {
    seen = p;
    p.filename = "/data";
    return appkit::kPanelOKButton;
  };
  EXPECT_TRUE(Graphics()->PromptForDirectory(dir));
  EXPECT_EQ(seen.directory, "~/Desktop");
  EXPECT_EQ(seen.title, "Choose a Directory");
  EXPECT_TRUE(!seen.canChooseFiles && seen.canChooseDirectories && seen.canCreateDirectories && seen.resolvesAliases);
  EXPECT_STREQ(dir.Get(), "/data/");
}

// A text that makes no address, or an opener that fails, reports failure: nothing opened is never a success.
TEST_F(Prompts, OpeningReportsWhetherSomethingWasOpened)
{
  Open();
  EXPECT_FALSE(Graphics()->OpenURL("https://example.com/"));   // the opener failed
  mApp.mOpenHook = [](const std::string&) { return true; };
  EXPECT_FALSE(Graphics()->OpenURL("see https://x"));         // "http": an address, but a space makes none
  EXPECT_TRUE(Graphics()->OpenURL("www.http.org/a"));
  EXPECT_TRUE(Graphics()->OpenURL("http://b\xC3\xA4r.de")); // letters beyond ASCII make an address too
  EXPECT_FALSE(Graphics()->OpenURL("http://x\x7F"));
  EXPECT_FALSE(Graphics()->OpenURL(""));
  EXPECT_FALSE(Graphics()->OpenURL(nullptr));
  EXPECT_TRUE(Graphics()->OpenURL("/tmp"));
  EXPECT_EQ(mApp.mRequests, (std::vector<std::string>{"url:https://example.com/", "url:www.http.org/a",
                                                      "url:http://b\xC3\xA4r.de", "file:/tmp"}));
  mApp.mRequests.clear();
  plug::LibString missing("/no/such/file"), tmp("/tmp");
  EXPECT_FALSE(Graphics()->RevealPathInFinder(missing, true));
  EXPECT_TRUE(Graphics()->RevealPathInFinder(tmp, true));
  EXPECT_EQ(mApp.mRequests, (std::vector<std::string>{"file:/", "select:/tmp"}));
  // A folder that cannot be opened has nothing selected in it.
  mApp.mRequests.clear();
  mApp.mOpenHook = [](const std::string&) { return false; };
  EXPECT_FALSE(Graphics()->RevealPathInFinder(tmp, true));
  EXPECT_FALSE(Graphics()->RevealPathInFinder(tmp, false));
  mApp.mOpenHook = [](const std::string&) { return true; };
  EXPECT_TRUE(Graphics()->RevealPathInFinder(tmp, false));
  EXPECT_EQ(mApp.mRequests, (std::vector<std::string>{"file:/", "file:/tmp", "file:/tmp"}));
}

TEST_F(Prompts, ClipboardRoundTrip)
{
  Open();
  plug::LibString text("stale");
  EXPECT_FALSE(Graphics()->GetTextFromClipboard(text));
  EXPECT_STREQ(text.Get(), "");
  EXPECT_TRUE(Graphics()->SetTextInClipboard("h\xc3\xa9"));
  EXPECT_TRUE(Graphics()->GetTextFromClipboard(text));
  EXPECT_STREQ(text.Get(), "h\xc3\xa9");
}

TEST_F(Prompts, ClosingWhileAMenuAlertOrFieldIsOpenTearsDownCleanly)
{
  auto closeLater = [this] { mApp.Post([this] { mDelegate.CloseWindow(); }); };
  Open();
  mApp.mMenuHook = [&](appkit::Menu& m, appkit::Point, appkit::View&) {
    closeLater();
    return &m.ItemAt(0);
  };
  IPopupMenu menu;
  menu.AddItem("a");
  bool isAsync = false;
  EXPECT_EQ(Graphics()->CreatePlatformPopupMenu(menu, IRECT(), isAsync), &menu);
  EXPECT_NE(mDelegate.GetUI(), nullptr); // still open while the menu's answer is handled
  mApp.Post([] {});                       // the host's close gets its turn
  EXPECT_EQ(mDelegate.GetUI(), nullptr);

  Open();
  mApp.mAlertHook = [&](const appkit::AlertPanel&) {
    closeLater();
    return appkit::kAlertDefaultReturn;
  };
  EXPECT_EQ(Graphics()->ShowMessageBox("t", "m", kButtonsOk), kAnswerOk);
  mApp.Post([] {});
  EXPECT_EQ(mDelegate.GetUI(), nullptr);

  Open();
  Graphics()->CreatePlatformTextEntry(-1, IText(), IRECT(0, 0, 10, 10), 2, "x");
  mDelegate.CloseWindow();
  EXPECT_EQ(mApp.Views().size(), 0u);
  EXPECT_EQ(IGraphicsMac::LiveCount(), 0);
}

} // namespace
} // namespace mactest

namespace mactest {
namespace {

// The colour panel opens on the colour asked about and hands back the one picked, each channel in its place.
TEST_F(Prompts, TheColourPanelShowsTheColourAndHandsBackThePickedOneChannelByChannel)
{
  Open();
  std::vector<IColor> picked;
  IColor start(255, 0, 51, 255);
  ASSERT_TRUE(Graphics()->PromptForColor(start, "", [&](const IColor& c) { picked.push_back(c); }));
  EXPECT_EQ(mApp.mColorShown.red, 0.0);
  EXPECT_EQ(mApp.mColorShown.green, 0.2);
  EXPECT_EQ(mApp.mColorShown.blue, 1.0);
  EXPECT_EQ(mApp.mColorShown.alpha, 1.0);
  ASSERT_TRUE(mApp.mColorCallback);
  mApp.mColorCallback(appkit::DeviceColor{1.0, 0.5, 0.0, 1.0});
  ASSERT_EQ(picked.size(), 1u);
  EXPECT_EQ(picked[0], IColor(255, 255, 127, 0));
}

// A context whose window never opened has nothing to show a prompt on: each one says so and no panel appears.
TEST_F(Prompts, WithoutAWindowNoPromptIsShown)
{
  TestMacGraphics g(mDelegate, 468, 450, 60, 1.f);
  int panels = 0;
  mApp.mFilePanelHook = [&](appkit::FilePanel&) { return ++panels, appkit::kPanelOKButton; };
  IColor colour(255, 0, 51, 255);
  EXPECT_FALSE(g.PromptForColor(colour, "", [](const IColor&) {}));
  EXPECT_FALSE(mApp.mColorCallback);
  IPopupMenu menu;
  menu.AddItem("a");
  bool isAsync = true;
  EXPECT_EQ(g.CreatePlatformPopupMenu(menu, IRECT(), isAsync), nullptr);
  EXPECT_FALSE(isAsync);
  plug::LibString name("preset"), path;
  g.PromptForFile(name, path, kFileOpen, "vqp");
  EXPECT_STREQ(name.Get(), "");
  EXPECT_EQ(panels, 0);
}

} // namespace
} // namespace mactest

namespace mactest {
namespace {

// The value field lines its text up as the style says, across and (middle or not) down.
TEST_F(Prompts, TheValueFieldAlignsItsTextAsTheStyleSays)
{
  Open();
  const struct
  {
    EAlign across;
    EVAlign down;
    appkit::TextAlignment alignment;
    bool centred;
  } cases[] = {{kAlignNear, kVAlignTop, appkit::TextAlignment::kLeft, false},
               {kAlignCenter, kVAlignMiddle, appkit::TextAlignment::kCenter, true},
               {kAlignFar, kVAlignBottom, appkit::TextAlignment::kRight, false}};
  for (const auto& c : cases)
  {
    IText style(20.f, IColor(255, 0, 0, 0), "Roboto-Regular", c.across, c.down);
    Graphics()->CreatePlatformTextEntry(-1, style, IRECT(10, 10, 60, 30), 5, "1");
    appkit::TextField* field = View().mTextField;
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->alignment, c.alignment) << int(c.across);
    EXPECT_EQ(field->centreVertically, c.centred) << int(c.down);
    Graphics()->EndUserInput(false);
  }
}

} // namespace
} // namespace mactest
