// The panel behind every control: brushed dark metal, the title strip, the meter bay, grooves between the
// sections, screws, and the labels and scales engraved around the controls at the layout's own places.
#include <cstdio>
#include <cstring>
#include <random>

#include "artwork.h"
#include "paint.h"
#include "ui/EditorPlaces.h"

namespace art {

namespace {

using namespace place;

const EditorBitmap& Bitmap(const char* name) { return *FindEditorBitmap(name); }

/// Centre of a bitmap control placed at p.
EditorPoint Centre(EditorPoint p, const char* bitmap)
{
  const EditorBitmap& b = Bitmap(bitmap);
  return {p.x + b.width / 2.0f, p.y + b.height / 2.0f};
}

/// A label engraved under (or, with dy < 0, over) a bitmap control placed at p.
void LabelUnder(VXcontext* vg, EditorPoint p, const char* bitmap, const char* text, float dy = 6, float size = 7.5f)
{
  const EditorBitmap& b = Bitmap(bitmap);
  float y = dy >= 0 ? p.y + b.height + dy : p.y + dy;
  Engraved(vg, p.x + b.width / 2.0f, y, text, size);
}

/// The scale around a knob placed at p: ticks over its 270 degrees, larger at both ends and in the middle.
void KnobScale(VXcontext* vg, EditorPoint p, const char* bitmap, int ticks, float gap = 2.5f)
{
  const EditorBitmap& b = Bitmap(bitmap);
  EditorPoint c = Centre(p, bitmap);
  float r = b.width / 2.0f + gap;
  for (int i = 0; i < ticks; ++i)
  {
    float a = kKnobStart + kKnobSweep * i / (ticks - 1), x0, y0, x1, y1;
    bool major = i == 0 || i == ticks - 1 || i * 2 == ticks - 1;
    Polar(c.x, c.y, r, a, x0, y0);
    Polar(c.x, c.y, r + (major ? 4.5f : 3.0f), a, x1, y1);
    Line(vg, x0, y0 + 0.6f, x1, y1 + 0.6f, 1.0f, Rgb(255, 255, 255, 0.08f));
    Line(vg, x0, y0, x1, y1, major ? 1.2f : 0.9f, Rgb(176, 180, 186, major ? 0.95f : 0.7f));
  }
}

/// Numbers 1 to 5 around the stage knob at its five positions.
void StageNumbers(VXcontext* vg)
{
  const EditorBitmap& b = Bitmap("knob_sat_stage.png");
  EditorPoint c = Centre(kSatStages, b.name);
  for (int i = 0; i < b.frames; ++i)
  {
    float a = kKnobStart + kKnobSweep * i / (b.frames - 1), x, y, x0, y0;
    Polar(c.x, c.y, b.width / 2.0f + 2, a, x0, y0);
    Polar(c.x, c.y, b.width / 2.0f + 5.5f, a, x, y);
    Line(vg, x0, y0, x, y, 1.2f, Rgb(176, 180, 186));
    char digit[16];
    std::snprintf(digit, sizeof digit, "%d", i + 1);
    Polar(c.x, c.y, b.width / 2.0f + 11, a, x, y);
    Engraved(vg, x, y, digit, 8.5f, 0);
  }
}

void Screw(VXcontext* vg, float x, float y)
{
  vxBeginPath(vg);
  vxCirclePath(vg, x, y + 0.6f, 4.2f);
  vxSetFillColor(vg, Rgb(255, 255, 255, 0.08f));
  vxFillPath(vg);
  vxBeginPath(vg);
  vxCirclePath(vg, x, y, 4);
  vxSetFillPaint(vg, vxMakeLinearGradient(vg, x - 4, y - 4, x + 4, y + 4, Rgb(120, 123, 128), Rgb(40, 41, 44)));
  vxFillPath(vg);
  Line(vg, x - 2.6f, y + 1.4f, x + 2.6f, y - 1.4f, 1.2f, Rgb(20, 20, 22));
}

/// A groove cut between sections: a dark line with a lit line under it.
void Groove(VXcontext* vg, float x0, float y0, float x1, float y1)
{
  Line(vg, x0, y0, x1, y1, 1, Rgb(0, 0, 0, 0.55f));
  Line(vg, x0 + (y0 == y1 ? 0 : 1), y0 + (y0 == y1 ? 1 : 0), x1 + (y0 == y1 ? 0 : 1), y1 + (y0 == y1 ? 1 : 0), 1,
       Rgb(255, 255, 255, 0.07f));
}

void Base(VXcontext* vg)
{
  vxBeginPath(vg);
  vxRectPath(vg, 0, 0, kWidth, kHeight);
  vxSetFillPaint(vg, vxMakeLinearGradient(vg, 0, 0, 0, kHeight, Rgb(54, 57, 61), Rgb(34, 36, 39)));
  vxFillPath(vg);
  // Brushed metal: faint horizontal strokes of random length and brightness, the same every build.
  std::mt19937 random(7);
  std::uniform_real_distribution<float> u(0, 1);
  for (int i = 0; i < 900; ++i)
  {
    float y = u(random) * kHeight, x = u(random) * kWidth, len = 20 + u(random) * 120;
    Line(vg, x, y, x + len, y, 0.5f, u(random) < 0.5f ? Rgb(255, 255, 255, 0.025f) : Rgb(0, 0, 0, 0.05f));
  }
  // Vignette towards the edges.
  vxBeginPath(vg);
  vxRectPath(vg, 0, 0, kWidth, kHeight);
  vxSetFillPaint(vg, vxMakeBoxGradient(vg, 0, 0, kWidth, kHeight, 8, 60, Rgb(0, 0, 0, 0), Rgb(0, 0, 0, 0.30f)));
  vxFillPath(vg);
}

void TitleStrip(VXcontext* vg)
{
  vxBeginPath(vg);
  vxRectPath(vg, 0, 0, kWidth, 33);
  vxSetFillPaint(vg, vxMakeLinearGradient(vg, 0, 0, 0, 33, Rgb(28, 29, 31), Rgb(18, 19, 20)));
  vxFillPath(vg);
  Line(vg, 0, 33.5f, kWidth, 33.5f, 1, Rgb(0, 0, 0, 0.8f));
  Line(vg, 0, 34.5f, kWidth, 34.5f, 1, Rgb(255, 255, 255, 0.08f));
  // The product name in the area that the hidden click control covers.
  float cx = (kHiddenClick.l + kHiddenClick.r) / 2, cy = (kHiddenClick.t + kHiddenClick.b) / 2;
  Text(vg, cx, cy - 1, "DROVIK", 19, Rgb(0, 0, 0, 0.8f), kFontBold, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 2.2f);
  Text(vg, cx, cy - 2, "DROVIK", 19, Rgb(232, 234, 237), kFontBold, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 2.2f);
  Text(vg, cx, cy + 10, "HARMONIC SATURATOR", 5.5f, kAmber, kFontBold, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 1.1f);
  // The preset display and its drop-down mark.
  const EditorRect& m = kPresetMenu;
  Well(vg, m.l, m.t, m.r - m.l, m.b - m.t, 3, Rgb(10, 11, 12));
  vxBeginPath(vg);
  vxMoveTo(vg, kPresetName.r + 5, (m.t + m.b) / 2 - 2);
  vxLineTo(vg, kPresetName.r + 13, (m.t + m.b) / 2 - 2);
  vxLineTo(vg, kPresetName.r + 9, (m.t + m.b) / 2 + 3);
  vxClosePath(vg);
  vxSetFillColor(vg, Rgb(130, 133, 138));
  vxFillPath(vg);
  // The maker's name where the home-page link sits, a small version note above it.
  Text(vg, (kMakerLink.l + kMakerLink.r) / 2, (kMakerLink.t + kMakerLink.b) / 2, "VESQUIN", 9, Rgb(160, 163, 168),
       kFontBold, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 2.0f);
  Text(vg, (kMakerLink.l + kMakerLink.r) / 2, 10, "VST  1.0.1", 6.5f, Rgb(110, 113, 118), kFontBold,
       VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 1.0f);
}

void MeterBay(VXcontext* vg)
{
  const EditorBitmap& face = Bitmap("VUbase.png");
  Well(vg, 14, 42, kWidth - 28, 134, 6, Rgb(22, 23, 25));
  for (int i = 0; i < 2; ++i)
  {
    float x = kLeftMeter.x + i * kRightMeterShift, y = kLeftMeter.y;
    Shadow(vg, x, y + 2, (float)face.width, (float)face.height, 5, 5, 0.8f);
  }
}

void Labels(VXcontext* vg)
{
  // The middle row: trims, meter source and calibration, monitoring.
  KnobScale(vg, kInputTrim, "knob_small_red.png", 11);
  LabelUnder(vg, kInputTrim, "knob_small_red.png", "INPUT", 7);
  KnobScale(vg, kOutputTrim, "knob_small_blue.png", 11);
  LabelUnder(vg, kOutputTrim, "knob_small_blue.png", "OUTPUT", 7);
  LabelUnder(vg, kMeterDisplay[0], "button_meter.png", "IN", 6);
  LabelUnder(vg, kMeterDisplay[1], "button_meter.png", "OUT", 6);
  Engraved(vg, (kMeterDisplay[0].x + kMeterDisplay[1].x + Bitmap("button_meter.png").width) / 2,
           kMeterDisplay[0].y + 38, "METER", 7.5f, 1.2f);
  KnobScale(vg, kCalibration, "knob_mini_black.png", 7, 2);
  LabelUnder(vg, kCalibration, "knob_mini_black.png", "CAL", 6);
  LabelUnder(vg, kMonitorInPlace, "button_mon_stereomono.png", "MONO", 6);
  const char* const modes[] = {"ST", "L", "R", "M", "S"};
  for (int i = 0; i < 5; ++i) LabelUnder(vg, kMonitorMode[i], "button_mon_mode.png", modes[i], 6, 7);
  const EditorBitmap& mode = Bitmap("button_mon_mode.png");
  Engraved(vg, (kMonitorMode[0].x + kMonitorMode[4].x + mode.width) / 2, kMonitorMode[0].y + 38, "MONITOR", 7.5f,
           1.2f);

  // Saturation: switch, placement and mode.
  Engraved(vg, kSatOnOff.x, kSatOnOff.y - 7, "SATURATION", 8, 1.2f, VX_ALIGN_LEFT | VX_ALIGN_MIDDLE);
  LabelUnder(vg, kSatPlacement, "drop_chmode.png", "PLACEMENT", -7);
  LabelUnder(vg, kSatMode, "drop_sat_tube.png", "MODE", -7);
  // The knob row.
  StageNumbers(vg);
  LabelUnder(vg, kSatStages, "knob_sat_stage.png", "STAGES", 10);
  KnobScale(vg, kSatFluctuation, "knob_med_black.png", 11);
  LabelUnder(vg, kSatFluctuation, "knob_med_black.png", "FLUCTUATION", 10);
  KnobScale(vg, kSatDriveOdd, "knob_med_blue.png", 11);
  LabelUnder(vg, kSatDriveOdd, "knob_med_blue.png", "ODD HARMONICS", 10);
  KnobScale(vg, kSatDriveEven, "knob_med_red.png", 11);
  LabelUnder(vg, kSatDriveEven, "knob_med_red.png", "EVEN HARMONICS", 10);

  // Clipper, oversampling, bypass.
  const EditorBitmap& onoff = Bitmap("button_onoff.png");
  Engraved(vg, kClipOnOff.x + onoff.width + 5, kClipOnOff.y + onoff.height / 2.0f, "CLIPPER", 7.5f, 1.0f,
           VX_ALIGN_LEFT | VX_ALIGN_MIDDLE);
  KnobScale(vg, kClipCeiling, "knob_small_white.png", 11);
  LabelUnder(vg, kClipCeiling, "knob_small_white.png", "CEILING", 7);
  LabelUnder(vg, kClipLed, "lamp_clip.png", "GR", 6, 7);
  LabelUnder(vg, kOversampling[1], "button_2xOS1.png", "OVERSAMPLING", 7, 7);
}

void Grooves(VXcontext* vg)
{
  const float middle = kInputTrim.y - 12, lower = kClipOnOff.y - 8, knobs = kSatStages.y - 14;
  Groove(vg, 10, lower, kWidth - 10, lower);
  Groove(vg, 10, knobs, kWidth - 10, knobs);
  Groove(vg, kClipOnOff.x - 4, lower + 4, kClipOnOff.x - 4, knobs - 4);
  Groove(vg, kOversampling[0].x - 4, lower + 4, kOversampling[0].x - 4, knobs - 4);
  Groove(vg, kBypass.x - 12, lower + 4, kBypass.x - 12, knobs - 4);
  Groove(vg, kMonitorInPlace.x - 6, middle, kMonitorInPlace.x - 6, lower - 4);
  Groove(vg, kOutputTrim.x - 14, middle, kOutputTrim.x - 14, lower - 4);
  Groove(vg, kMeterDisplay[0].x - 12, middle, kMeterDisplay[0].x - 12, lower - 4);
}

} // namespace

bool PaintPanel(VXcontext* vg, const EditorBitmap& b, int frame)
{
  if (std::strcmp(b.name, "BG_default.png")) return false;
  Base(vg);
  TitleStrip(vg);
  MeterBay(vg);
  Grooves(vg);
  Labels(vg);
  // The corner resizer's grip covers the bottom-right corner, so that screw sits just left of it.
  const EditorBitmap* grip = FindEditorBitmap("button_resize.png");
  Screw(vg, 8, kHeight - 8);
  Screw(vg, kWidth - 8 - (grip ? (float)grip->width : 0.0f), kHeight - 8);
  return true;
}

} // namespace art
