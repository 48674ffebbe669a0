// The editor's control list: every control's rectangle, bitmap, frame count, parameter and tag in attach order,
// the indices the plug-in keeps, and which controls carry tooltips.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "ui/EditorLayout.h"

namespace {

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

void ExpectRow(const Row& row, int index, float dx)
{
  const auto& list = EditorControls();
  ASSERT_LT(index, (int)list.size());
  const EditorControlEntry& c = list[(size_t)index];
  EditorRect r = EditorControlRect(c), want = row.rect;
  if (!(want.l == 0 && want.t == 0 && want.r == 0 && want.b == 0)) want = {want.l + dx, want.t, want.r + dx, want.b};
  EXPECT_EQ(r.l, want.l) << index;
  EXPECT_EQ(r.t, want.t) << index;
  EXPECT_EQ(r.r, want.r) << index;
  EXPECT_EQ(r.b, want.b) << index;
  EXPECT_EQ(c.param, row.param) << index;
  EXPECT_EQ(c.tag, row.tag) << index;
  if (row.bitmap && c.kind != EditorControlKind::kClickHidden)
  {
    ASSERT_NE(c.bitmap, nullptr) << index;
    EXPECT_STREQ(c.bitmap, row.bitmap) << index;
    EXPECT_EQ(FindEditorBitmap(c.bitmap)->frames, row.frames) << index;
  }
  else if (!row.bitmap && c.kind != EditorControlKind::kPresetMenu)
  {
    EXPECT_EQ(c.bitmap, nullptr) << index;
  }
}

TEST(EditorLayout, EveryControlInAttachOrder)
{
  ASSERT_EQ((int)EditorControls().size(), kEditorControlCount);
  for (const Row& row : kRows)
  {
    ExpectRow(row, row.index, 0);
    if (row.index >= 25 && row.index <= 36) ExpectRow(row, row.index + 12, 220);
  }
  EXPECT_EQ(EditorControls()[35].action, 37); // the meter face resets the meters
  EXPECT_EQ(EditorControls()[6].action, 29);
}

TEST(EditorLayout, KeptIndicesAndTooltips)
{
  const auto& list = EditorControls();
  std::vector<int> knobText, tooltips;
  int clipLed = -1, meter[2][11];
  for (auto& m : meter) std::fill(std::begin(m), std::end(m), -1);
  for (int i = 0; i < (int)list.size(); ++i)
  {
    const EditorControlEntry& c = list[(size_t)i];
    if (c.keep == EditorKeep::kKnobText) knobText.push_back(i);
    if (c.keep == EditorKeep::kClipLed) clipLed = i;
    if (c.meter >= 0) meter[c.meter][(int)c.keep] = i;
    if (c.tooltip) tooltips.push_back(i);
  }
  EXPECT_EQ(knobText, (std::vector<int>{15, 17, 18, 20, 21, 22, 23, 24}));
  EXPECT_EQ(clipLed, 16);
  for (int g = 0; g < 2; ++g)
  {
    const int o = 12 * g;
    EXPECT_EQ(meter[g][(int)EditorKeep::kMeterBase], 25 + o);
    EXPECT_EQ(meter[g][(int)EditorKeep::kMeterOff], 26 + o);
    EXPECT_EQ(meter[g][(int)EditorKeep::kMeterLeftText], 27 + o);
    EXPECT_EQ(meter[g][(int)EditorKeep::kMeterRefText], 28 + o);
    EXPECT_EQ(meter[g][(int)EditorKeep::kMeterRightText], 30 + o);
    EXPECT_EQ(meter[g][(int)EditorKeep::kMeterLamp], 31 + o);
    EXPECT_EQ(meter[g][(int)EditorKeep::kMeterNeedle1], 32 + o);
    EXPECT_EQ(meter[g][(int)EditorKeep::kMeterNeedle], 33 + o);
  }
  EXPECT_EQ(tooltips, (std::vector<int>{5, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 36, 48, 49,
                                        50, 51, 52, 53, 54, 55}));
  EXPECT_STREQ(list[36].tooltip, "Meter Mode PEAK/RMS/EBU ML/EBU SL/VU");
  EXPECT_FALSE(list[36].drawsText);
  EXPECT_TRUE(list[29].drawsText);
}

} // namespace
