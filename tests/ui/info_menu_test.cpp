// The plug-in menu: its entries, what each one sends, sets or opens, and the button's frame while the menu is open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "test_delegate.h"
#include "ui/InfoMenu.h"

using namespace graphicstest;

namespace {

class MenuDelegate : public TestDelegate
{
public:
  MenuDelegate() : TestDelegate(3)
  {
    GetParam(0)->InitEnum("Toggle Tooltips", 1, 2, "", 0, "", "Off", "On");
    GetParam(1)->InitEnum("Hide Knob Overlay Text", 0, 2, "", 0, "", "off", "on");
    GetParam(2)->InitEnum("Meter Mode", 0, 5, "", 0, "", "PEAK", "RMS", "EBU ML", "EBU SL", "VU");
  }
  void OnParamChange(int idx, plug::EParamChangeSource source, int sampleOffset) override
  {
    if (source == plug::kUI) mActions.push_back(idx);
  }
  // What the controls of a parameter are told to show, as a normalized value.
  void SendParamValueToUI(int idx, double value, bool normalized) override
  {
    mShown.push_back(normalized ? value : GetParam(idx)->ToNormalized(value));
    TestDelegate::SendParamValueToUI(idx, value, normalized);
  }
  std::vector<int> mActions;
  std::vector<double> mShown;
};

struct InfoMenu : ::testing::Test
{
  MenuDelegate mDelegate;
  FakePlatformGraphics mG{mDelegate, 468, 450};
  RecordedBitmap mRaw{24, 44, 1, 1.f, "pluginmenu.png"};
  IBInfoMenuVQ* mMenu = nullptr;
  IMouseMod mMod;

  void Attach(const char* dataFolder = "/home/u/.local/share/Drovik", std::vector<int> toggles = {1})
  {
    IBInfoMenuVQ::Entries e;
    e.about = 26, e.versionCheck = 27, e.tooltipParam = 0, e.resetScale = 36, e.toggleParams = toggles;
    mMenu = static_cast<IBInfoMenuVQ*>(mG.AttachControl(
      new IBInfoMenuVQ(7, 5, IBitmap(&mRaw, 2, false, "pluginmenu.png"), e, dataFolder, "https://example.org/log"), 1));
  }
  int Find(const char* text)
  {
    IPopupMenu& m = mMenu->GetMenu();
    for (int i = 0; i < m.NItems(); ++i)
      if (std::string(m.GetItem(i)->GetText()) == text) return i;
    return -1;
  }
  void Choose(const char* text)
  {
    mMenu->BuildInfoMenu();
    int i = Find(text);
    ASSERT_GE(i, 0) << text;
    mMenu->GetMenu().SetChosenItemIdx(i);
    mMenu->OnPopupMenuSelection(&mMenu->GetMenu(), 0);
  }
};

TEST_F(InfoMenu, EntriesInOrderWithTheirChecks)
{
  Attach();
  EXPECT_EQ(mMenu->GetRECT(), IRECT(7, 5, 31, 27));
  std::vector<double> seen; // the button's action runs as it is pressed and again as its menu closes
  mMenu->SetActionFunction([&](IControl* c) { seen.push_back(c->GetValue()); });
  mMenu->SetValue(1.0); // pressed: frame 2 while the menu is open
  mMenu->OnMouseDown(10, 10, mMod); // no window: the menu is dismissed at once
  EXPECT_EQ(mMenu->GetValue(), 0.0);
  EXPECT_EQ(seen, (std::vector<double>{1.0, 0.0}));
  mMenu->SetValue(1.0);
  mMenu->OnMouseUp(10, 10, mMod); // released: back to the first frame, and the action hears of it
  EXPECT_EQ(mMenu->GetValue(), 0.0);
  EXPECT_EQ(seen, (std::vector<double>{1.0, 0.0, 0.0}));
  std::vector<std::string> texts;
  for (int i = 0; i < mMenu->GetMenu().NItems(); ++i) texts.push_back(mMenu->GetMenu().GetItem(i)->GetText());
  EXPECT_EQ(texts, (std::vector<std::string>{">> Plugin menu <<", "", "About ...", "Check version ...",
                                             "Open manual ...", "Changelog ...", "Open data folder ...", "",
                                             "Enable tooltips", "", "Reset GUI scale", "", "Hide Knob Overlay Text"}));
  EXPECT_TRUE(mMenu->GetMenu().GetItem(Find("Enable tooltips"))->GetChecked());
  EXPECT_FALSE(mMenu->GetMenu().GetItem(Find("Hide Knob Overlay Text"))->GetChecked());
  mMenu->SetValue(1.0);
  mMenu->OnPopupMenuSelection(nullptr, 0); // dismissed: the button is released and nothing else happens
  EXPECT_EQ(mMenu->GetValue(), 0.0);
  EXPECT_TRUE(mDelegate.mActions.empty());
}

TEST_F(InfoMenu, EachEntryDoesItsWork)
{
  Attach();
  Choose("About ...");
  Choose("Check version ...");
  Choose("Reset GUI scale");
  EXPECT_EQ(mDelegate.mActions, (std::vector<int>{26, 27, 36}));
  std::string message;
  mG.mMessageBoxAnswer = [&](const char* text, const char*, int) { return message = text, 0; };
  Choose("Open manual ..."); // none installed here: the message names where it is looked for
  EXPECT_NE(message.find("/usr/local/share/Drovik/Drovik manual.pdf"), std::string::npos) << message;
  Choose("Changelog ...");
  Choose("Open data folder ...");
  EXPECT_EQ(mG.mURLs, (std::vector<std::string>{"https://example.org/log", "/home/u/.local/share/Drovik"}));
  Choose("Enable tooltips");
  EXPECT_EQ(mDelegate.GetParam(0)->Value(), 0.0);
  mMenu->BuildInfoMenu();
  EXPECT_FALSE(mMenu->GetMenu().GetItem(Find("Enable tooltips"))->GetChecked());
  Choose("Hide Knob Overlay Text");
  EXPECT_EQ(mDelegate.GetParam(1)->Value(), 1.0);
  EXPECT_EQ(mDelegate.mValuesFromUI.back().first, 1); // the host is told
  mMenu->BuildInfoMenu(); // a switch that is on shows its check, and choosing it again turns it off
  EXPECT_TRUE(mMenu->GetMenu().GetItem(Find("Hide Knob Overlay Text"))->GetChecked());
  Choose("Hide Knob Overlay Text");
  EXPECT_EQ(mDelegate.GetParam(1)->Value(), 0.0);
}

TEST_F(InfoMenu, AnEmptyDataFolderOpensNothingAndLongerEnumerationsBecomeSubmenus)
{
  Attach("", {2});
  int messages = 0;
  mG.mMessageBoxAnswer = [&](const char*, const char*, int) { return ++messages, 0; };
  Choose("Open manual ...");
  Choose("Open data folder ...");
  EXPECT_TRUE(mG.mURLs.empty());
  EXPECT_EQ(messages, 0);
  mMenu->BuildInfoMenu();
  IPopupMenu::Item* item = mMenu->GetMenu().GetItem(Find("Meter Mode"));
  ASSERT_NE(item, nullptr);
  IPopupMenu* sub = item->GetSubmenu();
  ASSERT_NE(sub, nullptr);
  EXPECT_TRUE(sub->GetItem(0)->GetChecked());
  sub->SetChosenItemIdx(3);
  mMenu->OnPopupMenuSelection(sub, 0);
  EXPECT_EQ(mDelegate.GetParam(2)->Value(), 3.0);
  sub->SetChosenItemIdx(-1); // closed with nothing chosen
  mMenu->OnPopupMenuSelection(sub, 0);
  EXPECT_EQ(mDelegate.GetParam(2)->Value(), 3.0);
  sub->SetChosenItemIdx(0); // the first entry too
  mMenu->OnPopupMenuSelection(sub, 0);
  EXPECT_EQ(mDelegate.GetParam(2)->Value(), 0.0);
}

// Extra entries come in pairs of text and id (0 is an id like any other): texts beyond the ids have no entry either.
TEST_F(InfoMenu, ExtraTextsWithoutAnIdHaveNoEntry)
{
  IBInfoMenuVQ::Entries e;
  e.extraIds = {0}, e.extraTexts = {"First extra", "Second extra"};
  mMenu = static_cast<IBInfoMenuVQ*>(mG.AttachControl(
    new IBInfoMenuVQ(7, 5, IBitmap(&mRaw, 2, false, "pluginmenu.png"), e, "", "https://example.org/log"), 1));
  mMenu->BuildInfoMenu();
  EXPECT_EQ(Find("Second extra"), -1);
  Choose("First extra");
  EXPECT_EQ(mDelegate.mActions, (std::vector<int>{0}));
}

TEST_F(InfoMenu, ResetSizeAndExtraEntriesSendTheirOwnActions)
{
  IBInfoMenuVQ::Entries e;
  e.resetSize = 35, e.resetScale = 36, e.extraIds = {40, 41, 42}, e.extraTexts = {"First extra", "Second extra"};
  mMenu = static_cast<IBInfoMenuVQ*>(mG.AttachControl(
    new IBInfoMenuVQ(7, 5, IBitmap(&mRaw, 2, false, "pluginmenu.png"), e, "", "https://example.org/log"), 1));
  mMenu->BuildInfoMenu();
  EXPECT_EQ(Find("Enable tooltips"), -1); // no tooltip parameter, no entry
  EXPECT_LT(Find("Reset GUI size"), Find("Reset GUI scale"));
  EXPECT_LT(Find("Reset GUI scale"), Find("First extra"));
  for (const char* entry : {"Second extra", "Reset GUI size", "First extra", "Reset GUI scale"})
    Choose(entry);
  EXPECT_EQ(mDelegate.mActions, (std::vector<int>{41, 35, 40, 36})); // an id without a text has no entry
}

} // namespace

TEST(InfoMenuButton, IsOneFrameOfItsBitmapWhicheverWayTheFramesRun)
{
  TestDelegate delegate(1);
  FakePlatformGraphics g{delegate, 468, 450};
  RecordedBitmap stacked{24, 44, 1, 1.f, "pluginmenu.png"}, sideBySide{48, 22, 1, 1.f, "pluginmenu.png"};
  for (const IBitmap& b : {IBitmap(&stacked, 2, false, "pluginmenu.png"), IBitmap(&sideBySide, 2, true, "pluginmenu.png")})
  {
    IBInfoMenuVQ menu(7, 5, b, IBInfoMenuVQ::Entries(), "", "");
    EXPECT_EQ(menu.GetRECT(), IRECT(7, 5, 31, 27)) << (b.GetFramesAreHorizontal() ? "side by side" : "stacked");
  }
}

// The menu's own enumeration entry (a submenu of its own, apart from the toggles) sets the value of the row chosen,
// the host's first parameter as well as any other, and the parameter's controls are told to show it.
TEST_F(InfoMenu, TheEnumerationSubmenuSetsTheValueOfTheChosenRow)
{
  struct Case
  {
    int param;
    const char* name;
    int rows;
    const char* last;
  } cases[] = {{2, "Meter Mode", 5, "VU"}, {0, "Toggle Tooltips", 2, "On"}};
  for (const Case& c : cases)
  {
    IBInfoMenuVQ::Entries e;
    e.enumParam = c.param;
    mMenu = static_cast<IBInfoMenuVQ*>(
      mG.AttachControl(new IBInfoMenuVQ(7, 5, IBitmap(&mRaw, 2, false, "pluginmenu.png"), e, "", "")));
    mMenu->BuildInfoMenu();
    IPopupMenu::Item* item = mMenu->GetMenu().GetItem(Find(c.name));
    ASSERT_NE(item, nullptr) << c.name;
    IPopupMenu* sub = item->GetSubmenu();
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(sub->NItems(), c.rows);
    EXPECT_STREQ(sub->GetItem(c.rows - 1)->GetText(), c.last);
    for (int row : {c.rows - 1, 1, 0})
    {
      sub->SetChosenItemIdx(row);
      mMenu->OnPopupMenuSelection(sub, 0);
      EXPECT_EQ(mDelegate.GetParam(c.param)->Value(), row) << c.name;
      if (!mDelegate.mShown.empty())
      {
        EXPECT_DOUBLE_EQ(mDelegate.mShown.back(), double(row) / (c.rows - 1)) << c.name;
      }
      mDelegate.mShown.clear();
    }
    mMenu->BuildInfoMenu(); // built again, the submenu checks the value now set
    sub = mMenu->GetMenu().GetItem(Find(c.name))->GetSubmenu();
    EXPECT_TRUE(sub->GetItem(0)->GetChecked());
    EXPECT_FALSE(sub->GetItem(1)->GetChecked());
  }
}
