// The basic shapes: rect (with rounded corners), circle, ellipse, line, polyline and polygon, each turned into
// one sub-path of cubics in element coordinates and then into a shape.
#include <cmath>
#include <cstring>

#include "svg/svg_parser.h"

namespace
{
constexpr float kOneMinusKappa = 0.44771522f;
constexpr float kMissing = -1.0f;

bool Is(const char* name, const char* expected) { return std::strcmp(name, expected) == 0; }

float LengthX(SvgParser* p, const char* v) { return SvgParseLength(p, v, p->viewMinX, p->viewWidth); }
float LengthY(SvgParser* p, const char* v) { return SvgParseLength(p, v, p->viewMinY, p->viewHeight); }
float RadiusX(SvgParser* p, const char* v) { return std::fabs(SvgParseLength(p, v, 0.0f, p->viewWidth)); }
float RadiusY(SvgParser* p, const char* v) { return std::fabs(SvgParseLength(p, v, 0.0f, p->viewHeight)); }

// Calls own(name, value) for each attribute that the reader of the common ones (style, transform, paint) leaves to
// the element.
template <class Own>
void ForEachOwnAttr(SvgParser* p, const char** attr, Own own)
{
  for (int i = 0; attr[i]; i += 2)
    if (!SvgParseAttr(p, attr[i], attr[i + 1])) own(attr[i], attr[i + 1]);
}

float Clamp(float v, float lo, float hi)
{
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return v;
}

// Four quarter arcs, starting and ending at the rightmost point.
void EllipsePath(SvgParser* p, float cx, float cy, float rx, float ry)
{
  const float kx = rx * kSvgKappa;
  const float ky = ry * kSvgKappa;
  SvgResetPath(p);
  SvgMoveTo(p, cx + rx, cy);
  SvgCubicBezTo(p, cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
  SvgCubicBezTo(p, cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
  SvgCubicBezTo(p, cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
  SvgCubicBezTo(p, cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
  SvgAddPath(p, true);
}
} // namespace

void SvgParseRect(SvgParser* p, const char** attr)
{
  float x = 0.0f, y = 0.0f, w = 0.0f, h = 0.0f;
  float rx = kMissing, ry = kMissing;
  ForEachOwnAttr(p, attr, [&](const char* name, const char* value) {
    if (Is(name, "x"))
      x = LengthX(p, value);
    else if (Is(name, "y"))
      y = LengthY(p, value);
    else if (Is(name, "width"))
      w = SvgParseLength(p, value, 0.0f, p->viewWidth);
    else if (Is(name, "height"))
      h = SvgParseLength(p, value, 0.0f, p->viewHeight);
    else if (Is(name, "rx"))
      rx = RadiusX(p, value);
    else if (Is(name, "ry"))
      ry = RadiusY(p, value);
  });

  if (w != 0.0f && h != 0.0f)
  {
    // A corner radius given on one axis only applies to both.
    float rxc = (rx < 0.0f && ry > 0.0f) ? ry : rx;
    float ryc = (ry < 0.0f && rx > 0.0f) ? rx : ry;
    rxc = Clamp(rxc, 0.0f, w / 2.0f);
    ryc = Clamp(ryc, 0.0f, h / 2.0f);

    SvgResetPath(p);
    if (rxc < 1e-5f || ryc < 1e-4f)
    {
      SvgMoveTo(p, x, y);
      SvgLineTo(p, x + w, y);
      SvgLineTo(p, x + w, y + h);
      SvgLineTo(p, x, y + h);
    }
    else
    {
      const float kx = rxc * kOneMinusKappa;
      const float ky = ryc * kOneMinusKappa;
      SvgMoveTo(p, x + rxc, y);
      SvgLineTo(p, x + w - rxc, y);
      SvgCubicBezTo(p, x + w - kx, y, x + w, y + ky, x + w, y + ryc);
      SvgLineTo(p, x + w, y + h - ryc);
      SvgCubicBezTo(p, x + w, y + h - ky, x + w - kx, y + h, x + w - rxc, y + h);
      SvgLineTo(p, x + rxc, y + h);
      SvgCubicBezTo(p, x + kx, y + h, x, y + h - ky, x, y + h - ryc);
      SvgLineTo(p, x, y + ryc);
      SvgCubicBezTo(p, x, y + ky, x + kx, y, x + rxc, y);
    }
    SvgAddPath(p, true);
  }
  SvgAddShape(p);
}

void SvgParseCircle(SvgParser* p, const char** attr)
{
  float cx = 0.0f, cy = 0.0f, r = 0.0f;
  ForEachOwnAttr(p, attr, [&](const char* name, const char* value) {
    if (Is(name, "cx"))
      cx = LengthX(p, value);
    else if (Is(name, "cy"))
      cy = LengthY(p, value);
    else if (Is(name, "r"))
      r = std::fabs(SvgParseLength(p, value, 0.0f, SvgViewDiagonal(p)));
  });
  if (r > 0.0f) EllipsePath(p, cx, cy, r, r);
  SvgAddShape(p);
}

void SvgParseEllipse(SvgParser* p, const char** attr)
{
  float cx = 0.0f, cy = 0.0f, rx = 0.0f, ry = 0.0f;
  ForEachOwnAttr(p, attr, [&](const char* name, const char* value) {
    if (Is(name, "cx"))
      cx = LengthX(p, value);
    else if (Is(name, "cy"))
      cy = LengthY(p, value);
    else if (Is(name, "rx"))
      rx = RadiusX(p, value);
    else if (Is(name, "ry"))
      ry = RadiusY(p, value);
  });
  if (rx > 0.0f && ry > 0.0f) EllipsePath(p, cx, cy, rx, ry);
  SvgAddShape(p);
}

void SvgParseLine(SvgParser* p, const char** attr)
{
  float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;
  ForEachOwnAttr(p, attr, [&](const char* name, const char* value) {
    if (Is(name, "x1"))
      x1 = LengthX(p, value);
    else if (Is(name, "y1"))
      y1 = LengthY(p, value);
    else if (Is(name, "x2"))
      x2 = LengthX(p, value);
    else if (Is(name, "y2"))
      y2 = LengthY(p, value);
  });
  SvgResetPath(p);
  SvgMoveTo(p, x1, y1);
  SvgLineTo(p, x2, y2);
  SvgAddPath(p, false);
  SvgAddShape(p);
}

void SvgParsePoly(SvgParser* p, const char** attr, int closeFlag)
{
  SvgResetPath(p);
  ForEachOwnAttr(p, attr, [&](const char* name, const char* value) {
    if (!Is(name, "points") || !*value) return;
    const char* s = value;
    char item[kSvgNumberSize];
    float args[2];
    int argCount = 0;
    int npairs = 0;
    while (*s)
    {
      s = SvgNextItem(s, item);
      if (!*item) break;
      args[argCount++] = float(SvgAtof(item)); // a character that is no number reads as 0
      if (argCount == 2)
      {
        if (npairs++ == 0)
          SvgMoveTo(p, args[0], args[1]);
        else
          SvgLineTo(p, args[0], args[1]);
        argCount = 0;
      }
    }
  });
  SvgAddPath(p, closeFlag != 0);
  SvgAddShape(p);
}
