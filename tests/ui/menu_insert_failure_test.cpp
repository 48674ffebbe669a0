// The plug-in menu when its item list cannot grow: every allocation above 1 MB fails, so a menu holds at most
// 131072 items. Entries that find no room are left out, and choosing an entry that is there does only what it says.
#include <gtest/gtest.h>

#include <vector>

#include "fake_platform.h"
#include "refuse_large_allocations.h"
#include "test_delegate.h"
#include "ui/InfoMenu.h"

using namespace graphicstest;

namespace {

class MenuDelegate : public TestDelegate
{
public:
  MenuDelegate() : TestDelegate(2)
  {
    GetParam(0)->InitEnum("Hide Knob Overlay Text", 0, 2, "", 0, "", "off", "on");
    GetParam(1)->InitEnum("Meter Mode", 0, 3, "", 0, "", "PEAK", "RMS", "VU");
  }
  void OnParamChange(int idx, plug::EParamChangeSource source, int) override
  {
    if (source == plug::kUI && idx >= 26) mActions.push_back(idx); // commands, not parameters
  }
  std::vector<int> mActions;
};

TEST(PluginMenuInsertFailure, EntriesWithoutRoomAreLeftOutAndNeverChosen)
{
  MenuDelegate delegate;
  FakePlatformGraphics g{delegate, 468, 450};
  RecordedBitmap raw{24, 44, 1, 1.f, "pluginmenu.png"};
  IBInfoMenuVQ::Entries e;
  // More switches than the menu has room for, then a submenu and an extra command that find none.
  const size_t kSwitches = testsupport::kLargestAllocation / sizeof(void*) + 100;
  e.toggleParams.reserve(kSwitches + 1);
  e.toggleParams.assign(kSwitches, 0);
  e.toggleParams.push_back(1);
  e.extraIds = {99};
  e.extraTexts = {"Extra"};
  auto* menu = static_cast<IBInfoMenuVQ*>(
    g.AttachControl(new IBInfoMenuVQ(7, 5, IBitmap(&raw, 2, false, "pluginmenu.png"), e, "", ""), 1));
  menu->BuildInfoMenu();
  IPopupMenu& items = menu->GetMenu();
  ASSERT_LT(static_cast<size_t>(items.NItems()), kSwitches);
  EXPECT_STREQ(items.GetItem(items.NItems() - 1)->GetText(), "Hide Knob Overlay Text");
  items.SetChosenItemIdx(items.NItems() - 1);
  menu->OnPopupMenuSelection(&items, 0);
  EXPECT_TRUE(delegate.mActions.empty()) << "the extra command was sent";
  EXPECT_EQ(delegate.GetParam(0)->Value(), 1.0);
}

} // namespace
