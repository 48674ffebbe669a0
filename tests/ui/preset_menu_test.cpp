// The preset control over a real effect instance: the menu it builds, what each choice applies or sends, the name
// it draws and the stepping buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>
#include <vector>

#include "engine_support.h"
#include "fake_platform.h"
#include "temp_home.h"
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

protected:
  /// The rescan's clock stands still: only the number of files bounds a scan, however loaded the machine.
  std::chrono::steady_clock::time_point PresetScanClock() const override { return {}; }
};

struct PresetMenu : ::testing::Test
{
  MenuDrovik mPlugin;
  graphicstest::FakePlatformGraphics mG{mPlugin, 468, 450};
  IBPresetMenuVQ* mMenu = nullptr;
  IMouseMod mMod;

  void Attach(bool buttons, IBitmap previous = IBitmap(), IBitmap next = IBitmap(), bool userPresetsAsFiles = false)
  {
    IBPresetMenuVQ::Places places{IRECT(147, 5, 338, 28), IRECT(147, 5, 338, 28), IRECT(151, 8, 319, 26), 0, 0, 20, 0};
    IBPresetMenuVQ::Ids ids{30, 31, 32, 33, -1};
    mMenu = static_cast<IBPresetMenuVQ*>(mG.AttachControl(
      new IBPresetMenuVQ(mPlugin, places, IText(), previous, next, ids, "/tmp", "vqp", 20, buttons,
                         userPresetsAsFiles),
      3));
  }
  void Choose(IPopupMenu* menu, int item)
  {
    ASSERT_NE(menu, nullptr);
    menu->SetChosenItemIdx(item);
    mMenu->OnPopupMenuSelection(menu, 0);
  }
  std::string Current() const { return mPlugin.GetPresetName(mPlugin.GetCurrentPresetIdx()); }
  /// User presets from files in a temporary folder: one per name, with three saturation stages.
  void UserPresets(const std::vector<std::string>& names, int stages = 3)
  {
    for (size_t i = 0; i < names.size(); ++i)
      std::ofstream(mFolder.Path() + "/" + std::to_string(i) + ".vqp")
        << "<PresetXMLTree version=\"1\"><PluginVendor>Vesquin</PluginVendor><PluginName>Drovik</PluginName>"
           "<PluginVersion>v1.0.1</PluginVersion><Preset name=\""
        << names[i] << "\"><Parameter><Param name=\"Saturation Stages\" val=\"" << stages
        << "\"/></Parameter></Preset></PresetXMLTree>";
    mPlugin.RescanPresets(mFolder.Path().c_str());
    mMenu->BuildPresetMenu();
  }
  testsupport::TemporaryFolder mFolder;
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
  EXPECT_EQ(mMenu->GetListIndex(), 0) << "a new menu starts at the top of the list";
  EXPECT_TRUE(mMenu->GetDblClickAsClick()) << "a quick second press steps again";
  mMenu->OnMouseDown(5, 5, mMod); // previous at index 0: nothing loaded
  EXPECT_TRUE(mMenu->IsPreviousPressed());
  EXPECT_EQ(mMenu->GetListIndex(), 0);
  mMenu->OnMouseUp(5, 5, mMod);
  EXPECT_FALSE(mMenu->IsPreviousPressed());
  for (int i = 0; i < mPlugin.NFactoryPresets() + 2; ++i) mMenu->OnMouseDown(25, 5, mMod);
  EXPECT_EQ(mMenu->GetListIndex(), mPlugin.NFactoryPresets() - 1);
  EXPECT_EQ(Current(), mPlugin.GetFactoryPreset(mPlugin.NFactoryPresets() - 1)->mName);
  EXPECT_TRUE(mMenu->IsNextPressed());
  mMenu->OnMouseUp(25, 5, mMod);
  // Back one: the one before is loaded, and the pressed button shows its second frame, the other its first.
  mMenu->OnMouseDown(5, 5, mMod);
  EXPECT_EQ(mMenu->GetListIndex(), mPlugin.NFactoryPresets() - 2);
  EXPECT_EQ(Current(), mPlugin.GetFactoryPreset(mPlugin.NFactoryPresets() - 2)->mName);
  mG.mOps.clear();
  mMenu->Draw(mG);
  std::vector<std::pair<float, float>> buttons; // left edge and the frame's row in the bitmap
  for (const graphicstest::DrawOp& op : mG.mOps)
    if (op.mName == "DrawBitmap") buttons.push_back({op.mRect.mLeft, op.mArgs.at(1)});
  EXPECT_EQ(buttons, (std::vector<std::pair<float, float>>{{0.f, 18.f}, {20.f, 0.f}}));
  mMenu->OnMouseUp(5, 5, mMod);
  // Back down the list: each one before is loaded, down to the first, where the button stops.
  for (int i = mPlugin.NFactoryPresets() - 3; i >= -1; --i)
  {
    mMenu->OnMouseDown(5, 5, mMod);
    mMenu->OnMouseUp(5, 5, mMod);
    EXPECT_EQ(mMenu->GetListIndex(), std::max(i, 0));
    EXPECT_EQ(Current(), mPlugin.GetFactoryPreset(std::max(i, 0))->mName) << i;
  }
}

// A user entry is applied from the list in memory: the file "0.vqp" holds a preset named "Fine", and no file is
// looked for under that name.
TEST_F(PresetMenu, UserEntriesAreAppliedFromTheListInMemory)
{
  Attach(false);
  UserPresets({"Fine", "Warm"});
  Choose(mMenu->GetFactoryMenu(), 3);
  Choose(mMenu->GetUserMenu(), 1);
  EXPECT_EQ(Current(), "Warm");
  EXPECT_EQ(mMenu->GetListIndex(), 0) << "the buttons step the factory list from its top again";
  Choose(mMenu->GetUserMenu(), 0);
  EXPECT_EQ(Current(), "Fine");
  EXPECT_EQ(mPlugin.GetParam(kSat_stages)->Value(), 3.0);
  EXPECT_TRUE(mPlugin.mSent.empty());
}

// Where entries name files, a name that leads out of the folder or holds control characters loads nothing.
TEST_F(PresetMenu, EntryNamesUnfitForAFileNameLoadNothing)
{
  Attach(false, IBitmap(), IBitmap(), true);
  UserPresets({"../../../../x", "a/b", "bell\a", "Fine"});
  for (int i = 0; i < 3; ++i) Choose(mMenu->GetUserMenu(), i);
  EXPECT_TRUE(mPlugin.mSent.empty());
  EXPECT_STREQ(mMenu->GetChosenPath(), "");
  Choose(mMenu->GetUserMenu(), 3);
  EXPECT_EQ(mPlugin.mSent, std::vector<int>{30});
  EXPECT_STREQ(mMenu->GetChosenPath(), "/tmp/Fine.vqp");
}

TEST_F(PresetMenu, UserNamesAreShownWithoutControlCharactersOrBrokenSequences)
{
  Attach(false);
  UserPresets({"new\nline", "esc\x1b[2J", "cut \xC3", "bad \xFF\xFE end"});
  std::vector<std::string> shown;
  for (int i = 0; i < mMenu->GetUserMenu()->NItems(); ++i) shown.push_back(mMenu->GetUserMenu()->GetItem(i)->GetText());
  EXPECT_EQ(shown, (std::vector<std::string>{"new line", "esc [2J", "cut \xEF\xBF\xBD",
                                             "bad \xEF\xBF\xBD\xEF\xBF\xBD end"}));
}

TEST_F(PresetMenu, AUserListCutByTheScanSaysSo)
{
  Attach(false);
  UserPresets(std::vector<std::string>(Drovik::kMaxUserPresetFiles + 1, "Many"));
  IPopupMenu* user = mMenu->GetUserMenu();
  ASSERT_EQ(user->NItems(), Drovik::kMaxUserPresetFiles + 1);
  EXPECT_STREQ(user->GetItem(Drovik::kMaxUserPresetFiles)->GetText(), "(more presets than listed)");
  EXPECT_FALSE(user->GetItem(Drovik::kMaxUserPresetFiles)->GetEnabled());
  EXPECT_EQ(mMenu->GetFactoryMenu()->NItems(), mPlugin.NFactoryPresets()); // the factory list is whole
}

} // namespace

namespace {

// A preset file copied over in place (the folder's time unchanged, as "cp" over an existing file leaves it) shows
// its new name in the menu and applies its new values.
TEST_F(PresetMenu, AFileWrittenOverInPlaceIsSeenAtTheNextRescan)
{
  Attach(false);
  UserPresets({"Before"});
  struct stat folder;
  ASSERT_EQ(stat(mFolder.Path().c_str(), &folder), 0);
  UserPresets({"After"}, 5);
  const struct timespec times[2] = {folder.st_atim, folder.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, mFolder.Path().c_str(), times, 0), 0);
  mPlugin.RescanPresets(mFolder.Path().c_str());
  mMenu->BuildPresetMenu();
  ASSERT_NE(mMenu->GetUserMenu(), nullptr);
  EXPECT_STREQ(mMenu->GetUserMenu()->GetItem(0)->GetText(), "After");
  Choose(mMenu->GetUserMenu(), 0);
  EXPECT_EQ(Current(), "After");
  EXPECT_EQ(mPlugin.GetParam(kSat_stages)->Value(), 5.0);
}

} // namespace

namespace {

// A stepping button is one frame of its bitmap, whichever way the frames run (or the whole of a bitmap of one
// frame): a click anywhere on that frame presses it, a click where the bitmap's other frame lies does not.
TEST_F(PresetMenu, AButtonIsOneFrameOfItsBitmapWhicheverWayTheFramesRun)
{
  graphicstest::RecordedBitmap stacked(14, 36, 1, 1.f, "b"), sideBySide(28, 18, 1, 1.f, "b");
  graphicstest::RecordedBitmap single(14, 18, 1, 1.f, "b");
  for (const IBitmap& button :
       {IBitmap(&stacked, 2, false, "b"), IBitmap(&sideBySide, 2, true, "b"), IBitmap(&single, 1, false, "b")})
  {
    const char* way = button.N() == 1 ? "one frame" : button.GetFramesAreHorizontal() ? "side by side" : "stacked";
    Attach(true, button, button); // previous at (0, 0), next at (20, 0): each 14 x 18
    for (auto [x, y] : {std::pair{13.f, 17.f}, {1.f, 1.f}})
    {
      mMenu->OnMouseDown(x, y, mMod);
      EXPECT_TRUE(mMenu->IsPreviousPressed()) << way << " at " << x << ", " << y;
      mMenu->OnMouseUp(x, y, mMod);
    }
    for (auto [x, y] : {std::pair{5.f, 25.f}, {16.f, 5.f}})
    {
      mMenu->OnMouseDown(x, y, mMod);
      EXPECT_FALSE(mMenu->IsPreviousPressed() || mMenu->IsNextPressed()) << way << " at " << x << ", " << y;
      mMenu->OnMouseUp(x, y, mMod);
    }
    mG.RemoveControl(mMenu);
  }
}

} // namespace
