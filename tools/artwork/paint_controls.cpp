// The bitmaps of knobs, buttons, lamps and drop-down strips: one frame per call.
#include <cstring>

#include "artwork.h"
#include "paint.h"

namespace art {

namespace {

void KnobFrames(VXcontext* vg, const EditorBitmap& b, int frame, VXcolor cap, VXcolor pointer)
{
  Knob(vg, (float)b.width, frame / float(b.frames - 1), cap, pointer);
}

void Arrow(VXcontext* vg, float w, float h, bool right, bool lit)
{
  ButtonCap(vg, w, h, lit, "", 0, kAmber);
  float cx = w / 2, cy = h / 2 + 0.5f, s = right ? 1.0f : -1.0f;
  vxBeginPath(vg);
  vxMoveTo(vg, cx + 3 * s, cy);
  vxLineTo(vg, cx - 2 * s, cy - 4);
  vxLineTo(vg, cx - 2 * s, cy + 4);
  vxClosePath(vg);
  vxSetFillColor(vg, lit ? kAmber : Rgb(170, 173, 178));
  vxFillPath(vg);
}

void MenuButton(VXcontext* vg, float w, float h, bool lit)
{
  ButtonCap(vg, w, h, lit, "", 0, kAmber);
  for (int i = -1; i <= 1; ++i)
    Line(vg, 7, h / 2 + 0.5f + i * 4.5f, w - 7, h / 2 + 0.5f + i * 4.5f, 1.6f, lit ? kAmber : Rgb(175, 178, 183));
}

void ResizeGrip(VXcontext* vg, float w, float h, bool lit)
{
  for (int i = 0; i < 3; ++i)
  {
    float o = 4.0f + i * 4.0f;
    Line(vg, w - o, h - 1.5f, w - 1.5f, h - o, 1.2f, Rgb(0, 0, 0, 0.6f));
    Line(vg, w - o + 1, h - 1.5f, w - 1.5f, h - o + 1, 1.0f, lit ? kAmber : Rgb(150, 153, 158));
  }
}

/// A switch cap with a small LED at its left and a label.
void LedButton(VXcontext* vg, float w, float h, bool lit, const char* label, VXcolor led)
{
  ButtonCap(vg, w, h, false, "", 0, led);
  float d = h * 0.4f;
  vxSaveState(vg);
  vxTranslate(vg, 6, (h - d) / 2);
  Lamp(vg, d, lit, led);
  vxRestoreState(vg);
  Text(vg, 6 + d + (w - 6 - d) / 2, h / 2 + 0.5f, label, h * 0.42f, lit ? Rgb(230, 232, 235) : Rgb(140, 143, 148),
       kFontBold, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 0.5f);
}

/// A drop-down display: a dark window with the choice in amber and a small down arrow.
void Drop(VXcontext* vg, float w, float h, const char* text)
{
  Well(vg, 0.5f, 0.5f, w - 1, h - 1.5f, 3, Rgb(14, 15, 16));
  Text(vg, (w - 10) / 2 + 1, h / 2, text, h * 0.52f, Rgb(255, 170, 60, 0.35f), kFontBold,
       VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 1.0f);
  Text(vg, (w - 10) / 2 + 1, h / 2, text, h * 0.52f, Rgb(255, 186, 84), kFontBold, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE,
       1.0f);
  vxBeginPath(vg);
  vxMoveTo(vg, w - 13, h / 2 - 2);
  vxLineTo(vg, w - 5, h / 2 - 2);
  vxLineTo(vg, w - 9, h / 2 + 3);
  vxClosePath(vg);
  vxSetFillColor(vg, Rgb(150, 153, 158));
  vxFillPath(vg);
}

const char* const kPlacements[] = {"STEREO", "LEFT", "RIGHT", "MID", "SIDE"};
const char* const kSatModes[] = {"CLEAN", "WARM", "CRISP", "CLASSIC"};

} // namespace

bool PaintControl(VXcontext* vg, const EditorBitmap& b, int frame)
{
  const float w = (float)b.width, h = (float)b.height;
  const bool lit = frame == 1;
  auto is = [&](const char* n) { return std::strcmp(b.name, n) == 0; };
  if (is("knob_small_white.png")) KnobFrames(vg, b, frame, Rgb(214, 216, 220), Rgb(20, 20, 22));
  else if (is("knob_small_red.png")) KnobFrames(vg, b, frame, Rgb(196, 52, 40), Rgb(250, 250, 250));
  else if (is("knob_small_blue.png")) KnobFrames(vg, b, frame, Rgb(46, 104, 190), Rgb(250, 250, 250));
  else if (is("knob_mini_black.png")) KnobFrames(vg, b, frame, Rgb(52, 54, 58), Rgb(255, 186, 84));
  else if (is("knob_med_black.png")) KnobFrames(vg, b, frame, Rgb(52, 54, 58), Rgb(255, 186, 84));
  else if (is("knob_med_blue.png")) KnobFrames(vg, b, frame, Rgb(46, 104, 190), Rgb(250, 250, 250));
  else if (is("knob_med_red.png")) KnobFrames(vg, b, frame, Rgb(196, 52, 40), Rgb(250, 250, 250));
  else if (is("knob_sat_stage.png")) KnobFrames(vg, b, frame, Rgb(52, 54, 58), Rgb(255, 186, 84));
  else if (is("button_previous.png")) Arrow(vg, w, h, false, lit);
  else if (is("button_next.png")) Arrow(vg, w, h, true, lit);
  else if (is("button_resize.png")) ResizeGrip(vg, w, h, lit);
  else if (is("pluginmenu.png")) MenuButton(vg, w, h, lit);
  else if (is("button_2xOS.png")) ButtonCap(vg, w, h, lit, "2x", 11, kAmber);
  else if (is("button_2xOS1.png")) ButtonCap(vg, w, h, lit, "4x", 11, kAmber);
  else if (is("button_bypass.png")) ButtonCap(vg, w, h, lit, "BYPASS", 9, kRed);
  else if (is("button_mon_stereomono.png")) ButtonCap(vg, w, h, lit, "", 0, kAmber);
  else if (is("button_mon_mode.png")) ButtonCap(vg, w, h, lit, "", 0, kAmber);
  else if (is("button_meter.png")) ButtonCap(vg, w, h, lit, "", 0, kAmber);
  else if (is("button_onoff.png")) LedButton(vg, w, h, lit, "ON", kGreen);
  else if (is("lamp_clip.png")) Lamp(vg, w, lit, kRed);
  else if (is("lamp_vu.png")) Lamp(vg, w, lit, kRed);
  else if (is("drop_chmode.png")) Drop(vg, w, h, kPlacements[frame]);
  else if (is("drop_sat_tube.png")) Drop(vg, w, h, kSatModes[frame]);
  else return false;
  // Buttons without a label of their own carry a small lamp stripe that lights with them.
  if (is("button_mon_stereomono.png") || is("button_mon_mode.png") || is("button_meter.png"))
  {
    FillRoundRect(vg, w / 2 - 5, h / 2 - 1.5f, 10, 3, 1.5f, Rgb(0, 0, 0, 0.6f));
    FillRoundRect(vg, w / 2 - 4.5f, h / 2 - 1, 9, 2, 1, lit ? kAmber : Rgb(70, 50, 30));
  }
  return true;
}

} // namespace art
