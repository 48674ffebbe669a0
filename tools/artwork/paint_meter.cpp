// The VU meter's layers: the lit face and the bypassed face with the scale engraved from the meter scale, the two
// needles (51 frames from rest to full scale), the glass with its bezel, and nothing else: the readouts are texts.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "artwork.h"
#include "effect/MeterScale.h"
#include "paint.h"
#include "ui/EditorPlaces.h"

namespace art {

namespace {

// The needle turns around a pivot below the face; the scale spans +-38 degrees.
constexpr float kPivotX = 99, kPivotY = 165, kScaleRadius = 132, kHalfSweep = 38.0f * kPi / 180.0f;

float AngleOf(double position) { return -kHalfSweep + 2 * kHalfSweep * (float)position; }

void ReadoutBox(VXcontext* vg, const EditorRect& r, VXcolor c)
{
  FillRoundRect(vg, r.l - 1, r.t - 1, r.r - r.l + 2, r.b - r.t + 2, 2, c);
  StrokeRoundRect(vg, r.l - 1, r.t - 1, r.r - r.l + 2, r.b - r.t + 2, 2, 0.7f, Rgb(0, 0, 0, 0.22f));
}

void Face(VXcontext* vg, float w, float h, bool lit)
{
  VXcolor top = lit ? Rgb(250, 236, 196) : Rgb(118, 118, 112), bottom = lit ? Rgb(226, 198, 132) : Rgb(88, 88, 84);
  VXcolor ink = lit ? Rgb(30, 28, 24) : Rgb(50, 50, 48), red = lit ? Rgb(200, 30, 22) : Rgb(96, 60, 56);
  FillRoundRect(vg, 0, 0, w, h, 5, Rgb(12, 12, 13));
  FillRoundRect(vg, 5, 5, w - 10, h - 10, 3, vxMakeLinearGradient(vg, 0, 5, 0, h - 5, top, bottom));
  if (lit) // the backlight: brightest in the middle of the arc
    FillRoundRect(vg, 5, 5, w - 10, h - 10, 3,
                  vxMakeRadialGradient(vg, w / 2, 40, 10, 110, Rgb(255, 250, 230, 0.55f), Rgb(255, 250, 230, 0)));

  // The red zone from 0 dB to full scale, the arc, then the ticks and numbers of the meter scale.
  double zeroPos = 0;
  for (const MeterScalePoint& p : kMeterScale)
    if (p.db == 0) zeroPos = p.position;
  vxBeginPath(vg);
  vxArc(vg, kPivotX, kPivotY, kScaleRadius + 2.5f, AngleOf(zeroPos) - kPi / 2, AngleOf(1) - kPi / 2, VX_CLOCKWISE);
  vxSetStrokeWidth(vg, 5);
  vxSetStrokeColor(vg, red);
  vxStrokePath(vg);
  vxBeginPath(vg);
  vxArc(vg, kPivotX, kPivotY, kScaleRadius, AngleOf(0) - kPi / 2, AngleOf(1) - kPi / 2, VX_CLOCKWISE);
  vxSetStrokeWidth(vg, 1.0f);
  vxSetStrokeColor(vg, ink);
  vxStrokePath(vg);
  for (const MeterScalePoint& p : kMeterScale)
  {
    if (p.db < -20) continue;
    const bool major = p.db == -20 || p.db == -10 || p.db == -7 || p.db == -5 || p.db == -3 || p.db >= -2;
    float a = AngleOf(p.position), x0, y0, x1, y1;
    Polar(kPivotX, kPivotY, kScaleRadius, a, x0, y0);
    Polar(kPivotX, kPivotY, kScaleRadius + (major ? 7.0f : 4.5f), a, x1, y1);
    Line(vg, x0, y0, x1, y1, major ? 1.3f : 0.9f, p.db > 0 ? red : ink);
    if (!major) continue;
    char label[16];
    std::snprintf(label, sizeof label, "%d", (int)std::fabs(p.db));
    float tx, ty;
    Polar(kPivotX, kPivotY, kScaleRadius + 14.0f, a, tx, ty);
    Text(vg, tx, ty, label, 8.5f, p.db > 0 ? red : ink, kFontBold);
  }
  // Minor ticks between the points of the lower scale, every dB from -20 to -10.
  for (int db = -19; db < -10; ++db)
  {
    double pos = 0.08 + (db + 20) * (0.18 - 0.08) / 10.0;
    float a = AngleOf(pos), x0, y0, x1, y1;
    Polar(kPivotX, kPivotY, kScaleRadius, a, x0, y0);
    Polar(kPivotX, kPivotY, kScaleRadius + 3.0f, a, x1, y1);
    Line(vg, x0, y0, x1, y1, 0.7f, ink);
  }
  Text(vg, 16, 52, "-", 12, ink, kFontBold);
  Text(vg, w - 16, 52, "+", 11, red, kFontBold);
  if (lit)
    Text(vg, w / 2, 62, "dB", 9, vxColorWithAlpha(ink, 0.8f), kFontBold, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 0.5f);
  else
    Text(vg, w / 2, 62, "BYPASSED", 10, Rgb(36, 36, 34, 0.9f), kFontBold, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 2);

  // Readout boxes under the texts the meter display writes, with small captions.
  VXcolor box = lit ? Rgb(255, 248, 226, 0.55f) : Rgb(140, 140, 134, 0.5f);
  ReadoutBox(vg, place::kMeterLeftText, box);
  ReadoutBox(vg, place::kMeterRightText, box);
  ReadoutBox(vg, place::kMeterModeMenu, box);
  VXcolor caption = vxColorWithAlpha(ink, 0.65f);
  auto below = [&](const EditorRect& r, const char* s) { Text(vg, (r.l + r.r) / 2, r.b + 6, s, 6.5f, caption,
                                                               kFontBold, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 0.6f); };
  below(place::kMeterLeftText, "LEVEL");
  below(place::kMeterRefText, "REF dB");
  below(place::kMeterRightText, "MAX");
}

void Needle(VXcontext* vg, double position, VXcolor color, float width, float inner)
{
  float a = AngleOf(position), x0, y0, x1, y1;
  Polar(kPivotX, kPivotY, inner, a, x0, y0);
  Polar(kPivotX, kPivotY, kScaleRadius + 6, a, x1, y1);
  vxSetLineCap(vg, VX_ROUND);
  Line(vg, x0 + 1.2f, y0 + 1.6f, x1 + 1.2f, y1 + 1.6f, width + 0.6f, Rgb(0, 0, 0, 0.18f)); // shadow on the face
  Line(vg, x0, y0, x1, y1, width, color);
  vxSetLineCap(vg, VX_BUTT);
}

void Glass(VXcontext* vg, float w, float h)
{
  // Bezel: a dark metal frame around the window, lit along its top edge.
  vxBeginPath(vg);
  vxRoundedRectPath(vg, 0, 0, w, h, 5);
  vxRoundedRectPath(vg, 5, 5, w - 10, h - 10, 3);
  vxSetPathWinding(vg, VX_HOLE);
  vxSetFillPaint(vg, vxMakeLinearGradient(vg, 0, 0, 0, h, Rgb(92, 95, 100), Rgb(22, 23, 25)));
  vxFillPath(vg);
  StrokeRoundRect(vg, 0.5f, 0.5f, w - 1, h - 1, 5, 1, Rgb(0, 0, 0, 0.8f));
  StrokeRoundRect(vg, 5, 5, w - 10, h - 10, 3, 1, Rgb(0, 0, 0, 0.7f));
  // The window's depth: shade under the bezel's top edge, and a soft reflection across the upper glass.
  FillRoundRect(vg, 5, 5, w - 10, h - 10, 3,
                vxMakeBoxGradient(vg, 5, 9, w - 10, h - 10, 3, 6, Rgb(0, 0, 0, 0), Rgb(0, 0, 0, 0.35f)));
  vxBeginPath(vg);
  vxMoveTo(vg, 6, 6);
  vxLineTo(vg, w - 6, 6);
  vxLineTo(vg, w - 6, 22);
  vxCubicTo(vg, w * 0.6f, 34, w * 0.3f, 40, 6, 44);
  vxClosePath(vg);
  vxSetFillPaint(vg, vxMakeLinearGradient(vg, 0, 6, 0, 44, Rgb(255, 255, 255, 0.16f), Rgb(255, 255, 255, 0)));
  vxFillPath(vg);
}

} // namespace

bool PaintMeter(VXcontext* vg, const EditorBitmap& b, int frame)
{
  const float w = (float)b.width, h = (float)b.height;
  const double position = b.frames > 1 ? frame / double(b.frames - 1) : 0;
  if (!std::strcmp(b.name, "VUbase.png")) Face(vg, w, h, true);
  else if (!std::strcmp(b.name, "VU_off.png")) Face(vg, w, h, false);
  else if (!std::strcmp(b.name, "VUneedle.png")) Needle(vg, position, Rgb(24, 22, 20), 1.4f, 92);
  else if (!std::strcmp(b.name, "VUneedle1.png")) Needle(vg, position, Rgb(206, 40, 30, 0.85f), 1.0f, 100);
  else if (!std::strcmp(b.name, "VUglass.png")) Glass(vg, w, h);
  else return false;
  return true;
}

} // namespace art
