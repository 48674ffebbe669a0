// The editor as laid out in a host: every control's rectangle, bitmap, frame count, parameter and tag in attach
// order, the indices the plug-in keeps, which controls carry tooltips, and the scale limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "editor_fixture.h"
#include "graphics/bases/IBitmapBase.h"
#include "graphics/bases/ITextControl.h"
#include "platform/mac/IGraphicsMac.h"
#include "ui/DrovikEditor.h"
#include "ui/EditorPlaces.h"

namespace {

using namespace plug::igraphics;

struct Row
{
  int index;
  EditorRect rect;
  int param;
  const char* bitmap;
  int frames;
  int tag = -1;
};

// Rows 25 to 36 are the left meter group; the right group (37 to 48) is the same moved 220 to the right.
const Row kRows[] = {
  {0, {0, 0, 0, 0}, 0, nullptr, 0},
  {1, {0, 0, 0, 0}, 1, nullptr, 0},
  {2, {0, 0, 0, 0}, 22, nullptr, 0},
  {3, {0, 0, 468, 450}, -1, "BG_default.png", 1},
  {4, {0, 0, 468, 450}, -1, "BG_default.png", 1},
  {5, {147, 5, 338, 28}, -1, nullptr, 0, 3},
  {6, {36, 4, 119, 28}, -1, nullptr, 0, 0},
  {7, {368, 0, 468, 30}, -1, nullptr, 0},
  {8, {400, 18, 468, 30}, -1, nullptr, 0},
  {9, {7, 5, 31, 27}, -1, "pluginmenu.png", 2, 1},
  {10, {329, 257, 373, 315}, 2, "button_2xOS.png", 2},
  {11, {403, 274, 451, 304}, 3, "button_bypass.png", 2},
  {12, {217, 202, 249, 220}, 14, "button_mon_stereomono.png", 2},
  {13, {258, 179, 371, 195}, 13, "button_mon_mode.png", 2},
  {14, {242, 243, 282, 263}, 4, "button_onoff.png", 2},
  {15, {247, 269, 287, 309}, 5, "knob_small_white.png", 101},
  {16, {293, 280, 307, 294}, -1, "lamp_clip.png", 2},
  {17, {33, 192, 73, 232}, 23, "knob_small_red.png", 101},
  {18, {403, 192, 443, 232}, 24, "knob_small_blue.png", 101},
  {19, {94, 180, 167, 196}, 6, "button_meter.png", 2},
  {20, {174, 200, 204, 230}, 8, "knob_mini_black.png", 101},
  {21, {174, 200, 204, 230}, 9, "knob_mini_black.png", 101},
  {22, {174, 200, 204, 230}, 10, "knob_mini_black.png", 101},
  {23, {174, 200, 204, 230}, 11, "knob_mini_black.png", 101},
  {24, {174, 200, 204, 230}, 12, "knob_mini_black.png", 101},
  {25, {25, 50, 223, 168}, -1, "VUbase.png", 1},
  {26, {25, 50, 223, 168}, -1, "VU_off.png", 1},
  {27, {43, 137, 79, 149}, -1, nullptr, 0},
  {28, {111, 139, 143, 151}, -1, nullptr, 0},
  {29, {106, 125, 146, 141}, 7, nullptr, 0},
  {30, {163, 137, 199, 149}, -1, nullptr, 0},
  {31, {191, 68, 203, 80}, -1, "lamp_vu.png", 2},
  {32, {25, 50, 223, 168}, -1, "VUneedle1.png", 51},
  {33, {25, 50, 223, 168}, -1, "VUneedle.png", 51},
  {34, {25, 50, 223, 168}, -1, "VUglass.png", 1},
  {35, {25, 50, 223, 168}, -1, "VUbase.png", 1},
  {36, {106, 125, 146, 141}, 7, nullptr, 0},
  {49, {14, 259, 54, 279}, 15, "button_onoff.png", 2},
  {50, {154, 263, 238, 283}, 16, "drop_chmode.png", 5},
  {51, {129, 310, 229, 332}, 17, "drop_sat_tube.png", 4},
  {52, {45, 362, 109, 426}, 18, "knob_sat_stage.png", 5},
  {53, {137, 362, 201, 426}, 21, "knob_med_black.png", 51},
  {54, {269, 362, 333, 426}, 20, "knob_med_blue.png", 51},
  {55, {361, 362, 425, 426}, 19, "knob_med_red.png", 51},
};

struct EditorLayout : editortest::Editor
{
  void SetUp() override
  {
    Editor::SetUp();
    ASSERT_EQ(Open(), 1);
  }

  void ExpectRow(const Row& row, int index, float dx)
  {
    IControl* c = G().GetControl(index);
    ASSERT_NE(c, nullptr) << index;
    EditorRect want = row.rect;
    if (!(want.l == 0 && want.t == 0 && want.r == 0 && want.b == 0)) want = {want.l + dx, want.t, want.r + dx, want.b};
    const IRECT& r = c->GetRECT();
    EXPECT_EQ(r.mLeft, want.l) << index;
    EXPECT_EQ(r.mTop, want.t) << index;
    EXPECT_EQ(r.mRight, want.r) << index;
    EXPECT_EQ(r.mBottom, want.b) << index;
    EXPECT_EQ(c->GetParamIdx(0), row.param) << index;
    if (row.tag >= 0)
    {
      EXPECT_EQ(G().GetControlByTag(row.tag), c) << index;
    }
    const auto* bitmap = dynamic_cast<IBitmapBase*>(c);
    const bool row_of_buttons = row.index == 10 || row.index == 13 || row.index == 19;
    if (row.bitmap && row.index != 35 && !row_of_buttons)
    {
      ASSERT_NE(bitmap, nullptr) << index;
      EXPECT_STREQ(bitmap->GetBitmap().GetResourceName(), row.bitmap) << index;
      EXPECT_EQ(bitmap->GetBitmap().N(), row.frames) << index;
    }
  }
};

TEST_F(EditorLayout, EveryControlInAttachOrder)
{
  ASSERT_EQ(G().NControls(), 56);
  for (const Row& row : kRows)
  {
    ExpectRow(row, row.index, 0);
    if (row.index >= 25 && row.index <= 36) ExpectRow(row, row.index + 12, 220);
  }
  // Until the meters first refresh, their number fields show the texts they were made with.
  for (int o : {0, 12})
    for (const auto& [index, text] : {std::pair<int, const char*>{27, "-144.0"}, {28, "-18.0"}, {30, "-144.0"}})
      EXPECT_STREQ(dynamic_cast<ITextControl&>(*G().GetControl(index + o)).GetStr(), text) << index + o;
  ASSERT_NE(G().GetControlByTag(0), nullptr);
  Click(60, 15); // the hidden click area sends an action that does nothing
  EXPECT_EQ(G().NControls(), 56);
}

TEST_F(EditorLayout, KeptIndicesTooltipsAndScaleLimits)
{
  EXPECT_EQ(mPlugin->mKnobTextIdx, (std::vector<int>{15, 17, 18, 20, 21, 22, 23, 24}));
  EXPECT_EQ(mPlugin->mClipLedIdx, 16);
  for (int g = 0; g < 2; ++g)
  {
    const VuMeterCtrlIdx& m = g == 0 ? mPlugin->mLeftMeterIdx : mPlugin->mRightMeterIdx;
    const int o = 12 * g;
    EXPECT_EQ(m.base, 25 + o);
    EXPECT_EQ(m.off, 26 + o);
    EXPECT_EQ(m.leftText, 27 + o);
    EXPECT_EQ(m.refText, 28 + o);
    EXPECT_EQ(m.rightText, 30 + o);
    EXPECT_EQ(m.lamp, 31 + o);
    EXPECT_EQ(m.needle1, 32 + o);
    EXPECT_EQ(m.needle, 33 + o);
  }
  std::vector<int> tooltips;
  for (int i = 0; i < G().NControls(); ++i)
    if (*G().GetControl(i)->GetTooltip()) tooltips.push_back(i);
  EXPECT_EQ(tooltips, (std::vector<int>{5, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 36, 48, 49,
                                        50, 51, 52, 53, 54, 55}));
  EXPECT_STREQ(G().GetControl(36)->GetTooltip(), "Meter Mode PEAK/RMS/EBU ML/EBU SL/VU");
  EXPECT_FLOAT_EQ(G().GetMinScale(), 0.5f);
  EXPECT_FLOAT_EQ(G().GetMaxScale(), 3.0f);
}

TEST_F(EditorLayout, ThePlatformContextCarriesTheBundleIdentifierAndThePluginName)
{
  auto* open = dynamic_cast<IGraphicsMac*>(&G());
  ASSERT_NE(open, nullptr);
  std::unique_ptr<IGraphics> made(MakeGraphicsContext(*mPlugin, 100, 80, 30, 2.f));
  auto* mac = dynamic_cast<IGraphicsMac*>(made.get());
  ASSERT_NE(mac, nullptr);
  for (IGraphicsMac* g : {open, mac})
  {
    EXPECT_STREQ(g->GetBundleID(), "com.Vesquin.vst.Drovik");
    EXPECT_STREQ(g->GetPluginName(), "Drovik");
  }
  EXPECT_EQ(open->FPS(), 60); // the plug-in's own editor redraws sixty times a second
  EXPECT_EQ(mac->Width(), 100);
  EXPECT_EQ(mac->Height(), 80);
  EXPECT_EQ(mac->FPS(), 30);
  EXPECT_FLOAT_EQ(mac->GetDrawScale(), 2.f);
}

TEST_F(EditorLayout, AResizeKeepsTheControlsAndAReopenRecordsTheSameIndices)
{
  G().Resize(468, 450, 1.5f);
  EXPECT_EQ(G().NControls(), 56);
  EXPECT_EQ(mPlugin->mClipLedIdx, 16);
  mInstance->Dispatch(vst2::effEditClose);
  ASSERT_EQ(Open(), 1);
  EXPECT_EQ(G().NControls(), 56);
  EXPECT_EQ(mPlugin->mKnobTextIdx.size(), 8u);
  EXPECT_EQ(mPlugin->mRightMeterIdx.needle, 45);
}

} // namespace
