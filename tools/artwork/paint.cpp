#include "paint.h"

#include <cmath>
#include <string>

namespace art {

namespace {
const char* const kFontDir = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/";
const char* const kCondensedFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
} // namespace

VXcolor Rgb(int r, int g, int b, float a) { return vxColorFromFloats(r / 255.0f, g / 255.0f, b / 255.0f, a); }

bool LoadFonts(VXcontext* vg)
{
  std::string dir = kFontDir;
  return vxAddFontFile(vg, kFontRegular, (dir + "Roboto-Regular.ttf").c_str()) >= 0 &&
         vxAddFontFile(vg, kFontBold, (dir + "Roboto-Bold.ttf").c_str()) >= 0 &&
         vxAddFontFile(vg, kFontCondensed, kCondensedFile) >= 0;
}

void Text(VXcontext* vg, float x, float y, const char* s, float size, VXcolor c, const char* font, int align,
          float spacing)
{
  vxSetFontFaceByName(vg, font);
  vxSetFontSize(vg, size);
  vxSetLetterSpacing(vg, spacing);
  vxSetTextAlign(vg, align);
  vxSetFillColor(vg, c);
  vxDrawText(vg, x, y, s, nullptr);
}

void Engraved(VXcontext* vg, float x, float y, const char* s, float size, float spacing, int align)
{
  Text(vg, x, y - 0.6f, s, size, Rgb(0, 0, 0, 0.75f), kFontBold, align, spacing);
  Text(vg, x, y + 0.7f, s, size, Rgb(255, 255, 255, 0.10f), kFontBold, align, spacing);
  Text(vg, x, y, s, size, Rgb(196, 199, 204), kFontBold, align, spacing);
}

void FillRoundRect(VXcontext* vg, float x, float y, float w, float h, float r, VXpaint paint)
{
  vxBeginPath(vg);
  vxRoundedRectPath(vg, x, y, w, h, r);
  vxSetFillPaint(vg, paint);
  vxFillPath(vg);
}

void FillRoundRect(VXcontext* vg, float x, float y, float w, float h, float r, VXcolor c)
{
  vxBeginPath(vg);
  vxRoundedRectPath(vg, x, y, w, h, r);
  vxSetFillColor(vg, c);
  vxFillPath(vg);
}

void StrokeRoundRect(VXcontext* vg, float x, float y, float w, float h, float r, float width, VXcolor c)
{
  vxBeginPath(vg);
  vxRoundedRectPath(vg, x, y, w, h, r);
  vxSetStrokeWidth(vg, width);
  vxSetStrokeColor(vg, c);
  vxStrokePath(vg);
}

void Shadow(VXcontext* vg, float x, float y, float w, float h, float r, float blur, float alpha)
{
  VXpaint p = vxMakeBoxGradient(vg, x, y, w, h, r, blur, Rgb(0, 0, 0, alpha), Rgb(0, 0, 0, 0));
  vxBeginPath(vg);
  vxRectPath(vg, x - blur, y - blur, w + 2 * blur, h + 2 * blur);
  vxSetFillPaint(vg, p);
  vxFillPath(vg);
}

void Well(VXcontext* vg, float x, float y, float w, float h, float r, VXcolor c)
{
  FillRoundRect(vg, x, y + 0.5f, w, h, r, Rgb(255, 255, 255, 0.09f)); // lit lower edge
  FillRoundRect(vg, x, y, w, h, r, c);
  VXpaint inner = vxMakeBoxGradient(vg, x, y + 1.5f, w, h, r, 3.0f, Rgb(0, 0, 0, 0), Rgb(0, 0, 0, 0.55f));
  FillRoundRect(vg, x, y, w, h, r, inner);
}

void Line(VXcontext* vg, float x0, float y0, float x1, float y1, float width, VXcolor c)
{
  vxBeginPath(vg);
  vxMoveTo(vg, x0, y0);
  vxLineTo(vg, x1, y1);
  vxSetStrokeWidth(vg, width);
  vxSetStrokeColor(vg, c);
  vxStrokePath(vg);
}

void Polar(float cx, float cy, float r, float a, float& x, float& y)
{
  x = cx + r * std::sin(a);
  y = cy - r * std::cos(a);
}

void Knob(VXcontext* vg, float d, float v, VXcolor cap, VXcolor pointer)
{
  const float c = d / 2, r = d / 2 - 1.5f;
  const float angle = kKnobStart + v * kKnobSweep;
  // Drop shadow, then the ribbed skirt (ribs fixed: between frames only the pointer moves).
  VXpaint shadow = vxMakeRadialGradient(vg, c, c + 1.5f, r * 0.8f, r + 1.5f, Rgb(0, 0, 0, 0.7f), Rgb(0, 0, 0, 0));
  vxBeginPath(vg);
  vxCirclePath(vg, c, c + 1.5f, r + 1.5f);
  vxSetFillPaint(vg, shadow);
  vxFillPath(vg);
  vxBeginPath(vg);
  vxCirclePath(vg, c, c, r);
  vxSetFillPaint(vg, vxMakeLinearGradient(vg, 0, 0, 0, d, Rgb(78, 81, 86), Rgb(24, 25, 27)));
  vxFillPath(vg);
  const int ribs = d > 50 ? 36 : 24;
  for (int i = 0; i < ribs; ++i)
  {
    float x0, y0, x1, y1, a = i * 2 * kPi / ribs;
    Polar(c, c, r - 0.6f, a, x0, y0);
    Polar(c, c, r * 0.8f, a, x1, y1);
    float lit = 0.5f + 0.5f * std::cos(a + 0.6f);
    Line(vg, x0, y0, x1, y1, d / 64.0f + 0.4f, Rgb(0, 0, 0, 0.35f + 0.2f * (1 - lit)));
  }
  // The cap: its colour lit from the top left, a bright rim and a soft top highlight.
  const float rc = r * 0.74f;
  vxBeginPath(vg);
  vxCirclePath(vg, c, c, rc + 0.8f);
  vxSetFillColor(vg, Rgb(10, 10, 11));
  vxFillPath(vg);
  VXcolor light = vxLerpColor(cap, Rgb(255, 255, 255), 0.35f), dark = vxLerpColor(cap, Rgb(0, 0, 0), 0.45f);
  vxBeginPath(vg);
  vxCirclePath(vg, c, c, rc);
  vxSetFillPaint(vg, vxMakeLinearGradient(vg, c - rc, c - rc, c + rc, c + rc, light, dark));
  vxFillPath(vg);
  vxBeginPath(vg);
  vxCirclePath(vg, c, c, rc * 0.86f);
  vxSetFillPaint(vg, vxMakeRadialGradient(vg, c - rc * 0.3f, c - rc * 0.45f, 0, rc * 1.1f,
                                         Rgb(255, 255, 255, 0.28f), Rgb(255, 255, 255, 0)));
  vxFillPath(vg);
  vxBeginPath(vg);
  vxCirclePath(vg, c, c, rc - 0.3f);
  vxSetStrokeWidth(vg, 0.6f);
  vxSetStrokeColor(vg, Rgb(255, 255, 255, 0.25f));
  vxStrokePath(vg);
  // The pointer: a line from near the centre across the cap onto the skirt, with a dark outline.
  float x0, y0, x1, y1;
  Polar(c, c, rc * 0.3f, angle, x0, y0);
  Polar(c, c, r - 1.2f, angle, x1, y1);
  vxSetLineCap(vg, VX_ROUND);
  Line(vg, x0, y0, x1, y1, d / 14.0f + 1.2f, Rgb(0, 0, 0, 0.6f));
  Line(vg, x0, y0, x1, y1, d / 14.0f, pointer);
  vxSetLineCap(vg, 0);
}

void ButtonCap(VXcontext* vg, float w, float h, bool lit, const char* label, float size, VXcolor glow)
{
  Shadow(vg, 1, 1.5f, w - 2, h - 2, 3, 2, 0.7f);
  FillRoundRect(vg, 0.5f, 0.5f, w - 1, h - 1, 3, Rgb(8, 8, 9));
  VXpaint face = vxMakeLinearGradient(vg, 0, 1, 0, h - 1, lit ? Rgb(70, 72, 76) : Rgb(86, 89, 94),
                                      lit ? Rgb(44, 45, 48) : Rgb(40, 42, 45));
  FillRoundRect(vg, 1.5f, 1.5f, w - 3, h - 3, 2.5f, face);
  Line(vg, 3, 2.2f, w - 3, 2.2f, 0.8f, Rgb(255, 255, 255, lit ? 0.10f : 0.22f));
  if (lit)
  {
    VXpaint g = vxMakeBoxGradient(vg, 3, 3, w - 6, h - 6, 3, 6, vxColorWithAlpha(glow, 0.28f),
                                  vxColorWithAlpha(glow, 0));
    FillRoundRect(vg, 1.5f, 1.5f, w - 3, h - 3, 2.5f, g);
  }
  if (label && *label)
  {
    if (lit) Text(vg, w / 2, h / 2 + 0.5f, label, size, vxColorWithAlpha(glow, 0.5f), kFontBold,
                  VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 0.4f);
    Text(vg, w / 2, h / 2 + 0.5f, label, size, lit ? vxLerpColor(glow, Rgb(255, 255, 255), 0.25f) : Rgb(150, 153, 158),
         kFontBold, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 0.4f);
  }
}

void Lamp(VXcontext* vg, float d, bool on, VXcolor color)
{
  const float c = d / 2, r = d / 2 - 1;
  vxBeginPath(vg);
  vxCirclePath(vg, c, c, r + 0.8f);
  vxSetFillColor(vg, Rgb(6, 6, 7));
  vxFillPath(vg);
  VXcolor inner = on ? vxLerpColor(color, Rgb(255, 255, 255), 0.55f) : vxLerpColor(color, Rgb(0, 0, 0), 0.62f);
  VXcolor outer = on ? color : vxLerpColor(color, Rgb(0, 0, 0), 0.85f);
  vxBeginPath(vg);
  vxCirclePath(vg, c, c, r);
  vxSetFillPaint(vg, vxMakeRadialGradient(vg, c, c, 0, r, inner, outer));
  vxFillPath(vg);
  vxBeginPath(vg);
  vxEllipsePath(vg, c - r * 0.2f, c - r * 0.4f, r * 0.5f, r * 0.3f);
  vxSetFillColor(vg, Rgb(255, 255, 255, on ? 0.45f : 0.18f));
  vxFillPath(vg);
}

} // namespace art
