// The preset control over a real effect instance: the menu it builds, what each choice applies or sends, the name
// it draws and the stepping buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_support.h"
#include "fake_platform.h"
#include "ui/PresetMenu.h"

using namespace plug::igraphics;

namespace {

class MenuDrovik : public enginetest::TestDrovik
{
public:
  void OnParamChange(int idx, plug::EParamChangeSource source, int sampleOffset) override
  {
    if (source == plug::kUI && idx >= 26) mSent.push_back(idx);
    TestDrovik::OnParamChange(idx, source, sampleOffset);
  }
  std::vector<int> mSent;
};

struct PresetMenu : ::testing::Test
{
  MenuDrovik mPlugin;
  graphicstest::FakePlatformGraphics mG{mPlugin, 468, 450};
  IBPresetMenuVQ* mMenu = nullptr;
  IMouseMod mMod;

  void Attach(bool buttons, IBitmap previous = IBitmap(), IBitmap next = IBitmap())
  {
    IBPresetMenuVQ::Places places{IRECT(147, 5, 338, 28), IRECT(147, 5, 338, 28), IRECT(151, 8, 319, 26), 0, 0, 20, 0};
    IBPresetMenuVQ::Ids ids{30, 31, 32, 33, -1};
    mMenu = static_cast<IBPresetMenuVQ*>(mG.AttachControl(
      new IBPresetMenuVQ(mPlugin, places, IText(), previous, next, ids, "/tmp", "vqp", 20, buttons, false), 3));
  }
  void Choose(IPopupMenu* menu, int item)
  {
    ASSERT_NE(menu, nullptr);
    menu->SetChosenItemIdx(item);
    mMenu->OnPopupMenuSelection(menu, 0);
  }
  std::string Current() const { return mPlugin.GetPresetName(mPlugin.GetCurrentPresetIdx()); }
};

TEST_F(PresetMenu, AClickOnTheNameRescansThenBuildsTheMenu)
{
  Attach(false);
  mMenu->OnMouseDown(200, 10, mMod);
  EXPECT_EQ(mPlugin.mSent, std::vector<int>{33});
  IPopupMenu& m = mMenu->GetMainMenu();
  std::vector<std::string> texts;
  for (int i = 0; i < m.NItems(); ++i) texts.push_back(m.GetItem(i)->GetText());
  EXPECT_EQ(texts, (std::vector<std::string>{">> Preset menu <<", "", "Load preset ...", "Reset to default", "",
                                             "Save preset ...", "Save as default", "", "Factory"}));
  EXPECT_TRUE(m.GetItem(1)->GetIsSeparator());
  ASSERT_NE(mMenu->GetFactoryMenu(), nullptr);
  EXPECT_EQ(mMenu->GetFactoryMenu()->NItems(), mPlugin.NFactoryPresets());
  EXPECT_EQ(mMenu->GetUserMenu(), nullptr); // no user presets: no "User" and no separator
}

TEST_F(PresetMenu, ChoicesApplyListEntriesOrSendTheirIds)
{
  Attach(false);
  mMenu->BuildPresetMenu();
  Choose(mMenu->GetFactoryMenu(), 3);
  EXPECT_EQ(Current(), mPlugin.GetFactoryPreset(3)->mName);
  EXPECT_EQ(mMenu->GetListIndex(), 3);
  Choose(&mMenu->GetMainMenu(), 3); // reset: the kept initial preset, nothing sent (its id is -1)
  EXPECT_EQ(Current(), "Init");
  EXPECT_TRUE(mPlugin.mSent.empty());
  Choose(&mMenu->GetMainMenu(), 0); // the title does nothing
  Choose(&mMenu->GetMainMenu(), 1); // nor does a separator
  mMenu->OnPopupMenuSelection(nullptr, 0); // dismissed
  EXPECT_TRUE(mPlugin.mSent.empty());
  Choose(&mMenu->GetMainMenu(), 2); // load: the dialog was cancelled, the id goes out with an empty path
  Choose(&mMenu->GetMainMenu(), 5);
  Choose(&mMenu->GetMainMenu(), 6);
  EXPECT_EQ(mPlugin.mSent, (std::vector<int>{30, 31, 32}));
  EXPECT_STREQ(mMenu->GetChosenPath(), "");
}

TEST_F(PresetMenu, LongNamesAreShortenedAndTheTooltipHoldsTheWholeName)
{
  Attach(false);
  mPlugin.ModifyCurrentPreset("ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(mMenu->DrawnName(), "ABCDEFGH ... NOPQRST");
  mMenu->Draw(mG);
  EXPECT_STREQ(mMenu->GetTooltip(), "Preset menu: ABCDEFGHIJKLMNOPQRST");
}

TEST_F(PresetMenu, ButtonsStepThroughTheFactoryListWithoutWrapping)
{
  graphicstest::RecordedBitmap raw(14, 36, 1, 1.f, "b");
  IBitmap button(&raw, 2, false, "b");
  Attach(true, button, button);
  mMenu->OnMouseDown(5, 5, mMod); // previous at index 0: nothing loaded
  EXPECT_TRUE(mMenu->IsPreviousPressed());
  EXPECT_EQ(mMenu->GetListIndex(), 0);
  mMenu->OnMouseUp(5, 5, mMod);
  EXPECT_FALSE(mMenu->IsPreviousPressed());
  for (int i = 0; i < mPlugin.NFactoryPresets() + 2; ++i) mMenu->OnMouseDown(25, 5, mMod);
  EXPECT_EQ(mMenu->GetListIndex(), mPlugin.NFactoryPresets() - 1);
  EXPECT_EQ(Current(), mPlugin.GetFactoryPreset(mPlugin.NFactoryPresets() - 1)->mName);
  EXPECT_TRUE(mMenu->IsNextPressed());
}

} // namespace
