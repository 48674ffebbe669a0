// The editor's bitmaps: file name, number of frames (stacked vertically) and the size of one frame in points.
// The layout loads them by name and frame count; the artwork tool draws them at these sizes, at 1x and 2x.
#pragma once

struct EditorBitmap
{
  const char* name;
  int frames;
  int width, height; // one frame, in points
};

inline constexpr EditorBitmap kEditorBitmaps[] = {
  {"BG_default.png", 1, 468, 450},
  {"button_previous.png", 2, 14, 18},
  {"button_next.png", 2, 14, 18},
  {"button_resize.png", 2, 16, 16},
  {"pluginmenu.png", 2, 24, 22},
  {"button_2xOS.png", 2, 44, 26},
  {"button_2xOS1.png", 2, 44, 26},
  {"button_bypass.png", 2, 48, 30},
  {"button_mon_stereomono.png", 2, 32, 18},
  {"button_mon_mode.png", 2, 21, 16},
  {"button_onoff.png", 2, 40, 20},
  {"button_meter.png", 2, 34, 16},
  {"knob_small_white.png", 101, 40, 40},
  {"knob_small_red.png", 101, 40, 40},
  {"knob_small_blue.png", 101, 40, 40},
  {"knob_mini_black.png", 101, 30, 30},
  {"knob_sat_stage.png", 5, 64, 64},
  {"knob_med_black.png", 51, 64, 64},
  {"knob_med_blue.png", 51, 64, 64},
  {"knob_med_red.png", 51, 64, 64},
  {"lamp_clip.png", 2, 14, 14},
  {"lamp_vu.png", 2, 12, 12},
  {"VUbase.png", 1, 198, 118},
  {"VU_off.png", 1, 198, 118},
  {"VUneedle.png", 51, 198, 118},
  {"VUneedle1.png", 51, 198, 118},
  {"VUglass.png", 1, 198, 118},
  {"drop_chmode.png", 5, 84, 20},
  {"drop_sat_tube.png", 4, 100, 22},
};

/// The entry of a bitmap by file name; null when the editor has no such bitmap.
inline const EditorBitmap* FindEditorBitmap(const char* name)
{
  for (const EditorBitmap& b : kEditorBitmaps)
  {
    const char *a = b.name, *c = name;
    while (*a && *a == *c) ++a, ++c;
    if (*a == *c) return &b;
  }
  return nullptr;
}
