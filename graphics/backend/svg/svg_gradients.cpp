// Linear and radial gradients: the gradient elements and their stops are collected while the document is read,
// and resolved (with xlink:href inheritance of stops) each time a shape that refers to one is built.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "svg/svg_parser.h"

namespace
{
constexpr int kFirstStopCapacity = 4;

SvgCoordinate Coordinate(float value, uint8_t units) { return SvgCoordinate{value, units}; }

void CopyText(char* dst, const char* src)
{
  size_t n = std::strlen(src);
  if (n > kSvgIdSize - 1) n = kSvgIdSize - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

SvgGradientData* FindGradientData(SvgParser* p, const char* id)
{
  if (!*id) return nullptr;
  for (SvgGradientData* g = p->gradients; g; g = g->next)
    if (std::strcmp(g->id, id) == 0) return g;
  return nullptr;
}

// The first record along the xlink:href chain that has stops; a chain that names a missing record or comes
// round to itself ends without one.
const SvgGradientData* FindStops(SvgParser* p, const SvgGradientData* data)
{
  int records = 0;
  for (const SvgGradientData* g = p->gradients; g; g = g->next) ++records;
  const SvgGradientData* ref = data;
  for (int step = 0; ref && step <= records; ++step)
  {
    if (ref->stops && ref->nstops > 0) return ref;
    ref = FindGradientData(p, ref->ref);
  }
  return nullptr;
}

bool GrowStops(SvgGradientData* g)
{
  if (g->nstops < g->capacity) return true;
  const int capacity = g->capacity > 0 ? g->capacity * 2 : kFirstStopCapacity;
  auto* stops = static_cast<SvgGradientStop*>(std::realloc(g->stops, sizeof(SvgGradientStop) * size_t(capacity)));
  if (!stops) return false;
  g->stops = stops;
  g->capacity = capacity;
  return true;
}
} // namespace

void SvgParseGradient(SvgParser* p, const char** attr, uint8_t type)
{
  auto* grad = static_cast<SvgGradientData*>(std::calloc(1, sizeof(SvgGradientData)));
  if (!grad) return;
  grad->type = type;
  if (type == kSvgPaintLinearGradient)
  {
    grad->linear.x1 = Coordinate(0.0f, kSvgUnitsPercent);
    grad->linear.y1 = Coordinate(0.0f, kSvgUnitsPercent);
    grad->linear.x2 = Coordinate(100.0f, kSvgUnitsPercent);
    grad->linear.y2 = Coordinate(0.0f, kSvgUnitsPercent);
  }
  else
  {
    grad->radial.cx = Coordinate(50.0f, kSvgUnitsPercent);
    grad->radial.cy = Coordinate(50.0f, kSvgUnitsPercent);
    grad->radial.r = Coordinate(50.0f, kSvgUnitsPercent);
    grad->radial.fx = Coordinate(0.0f, kSvgUnitsUser);
    grad->radial.fy = Coordinate(0.0f, kSvgUnitsUser);
  }
  grad->units = kSvgObjectBoundingBox;
  SvgXformIdentity(grad->xform);

  for (int i = 0; attr[i]; i += 2)
  {
    const char* name = attr[i];
    const char* value = attr[i + 1];
    if (std::strcmp(name, "id") == 0)
      CopyText(grad->id, value);
    else if (SvgParseAttr(p, name, value))
      continue;
    else if (std::strcmp(name, "gradientUnits") == 0)
      grad->units = std::strcmp(value, "objectBoundingBox") == 0 ? kSvgObjectBoundingBox : kSvgUserSpaceOnUse;
    else if (std::strcmp(name, "gradientTransform") == 0)
      SvgParseTransform(grad->xform, value);
    else if (std::strcmp(name, "cx") == 0)
      grad->radial.cx = SvgParseCoordinate(value);
    else if (std::strcmp(name, "cy") == 0)
      grad->radial.cy = SvgParseCoordinate(value);
    else if (std::strcmp(name, "r") == 0)
      grad->radial.r = SvgParseCoordinate(value);
    else if (std::strcmp(name, "fx") == 0)
      grad->radial.fx = SvgParseCoordinate(value);
    else if (std::strcmp(name, "fy") == 0)
      grad->radial.fy = SvgParseCoordinate(value);
    else if (std::strcmp(name, "x1") == 0)
      grad->linear.x1 = SvgParseCoordinate(value);
    else if (std::strcmp(name, "y1") == 0)
      grad->linear.y1 = SvgParseCoordinate(value);
    else if (std::strcmp(name, "x2") == 0)
      grad->linear.x2 = SvgParseCoordinate(value);
    else if (std::strcmp(name, "y2") == 0)
      grad->linear.y2 = SvgParseCoordinate(value);
    else if (std::strcmp(name, "spreadMethod") == 0)
    {
      if (std::strcmp(value, "pad") == 0)
        grad->spread = kSvgSpreadPad;
      else if (std::strcmp(value, "reflect") == 0)
        grad->spread = kSvgSpreadReflect;
      else if (std::strcmp(value, "repeat") == 0)
        grad->spread = kSvgSpreadRepeat;
    }
    else if (std::strcmp(name, "xlink:href") == 0)
      CopyText(grad->ref, value[0] == '#' ? value + 1 : value);
  }
  grad->next = p->gradients;
  p->gradients = grad;
}

void SvgParseGradientStop(SvgParser* p, const char** attr)
{
  SvgAttrib& cur = *SvgGetAttr(p);
  cur.stopColor = 0;
  cur.stopOpacity = 1.0f;
  cur.stopOffset = 0.0f;
  for (int i = 0; attr[i]; i += 2) SvgParseAttr(p, attr[i], attr[i + 1]);

  SvgGradientData* grad = p->gradients;
  if (!grad || !GrowStops(grad)) return;

  // After every stop with an offset not greater than this one, so equal offsets keep document order.
  int idx = grad->nstops;
  while (idx > 0 && grad->stops[idx - 1].offset > cur.stopOffset) --idx;
  std::memmove(&grad->stops[idx + 1], &grad->stops[idx], sizeof(SvgGradientStop) * size_t(grad->nstops - idx));
  grad->stops[idx].color = cur.stopColor | (uint32_t(cur.stopOpacity * 255.0f) << 24);
  grad->stops[idx].offset = cur.stopOffset;
  ++grad->nstops;
}

SvgGradient* SvgCreateGradient(SvgParser* p, const char* id, const float* localBounds, uint8_t* paintType,
                               uint32_t* flatColor)
{
  *paintType = kSvgPaintNone;
  const SvgGradientData* data = FindGradientData(p, id);
  if (!data) return nullptr;
  const SvgGradientData* withStops = FindStops(p, data);
  if (!withStops) return nullptr;
  const SvgGradientStop* stops = withStops->stops;
  const int nstops = withStops->nstops;

  float ox, oy, sw, sh;
  if (data->units == kSvgObjectBoundingBox)
  {
    ox = localBounds[0];
    oy = localBounds[1];
    sw = localBounds[2] - localBounds[0];
    sh = localBounds[3] - localBounds[1];
  }
  else
  {
    ox = p->viewMinX;
    oy = p->viewMinY;
    sw = p->viewWidth;
    sh = p->viewHeight;
  }
  const float sl = std::sqrt(sw * sw + sh * sh) / 1.4142135f;

  float xform[6];
  float fx = 0.0f;
  float fy = 0.0f;
  if (data->type == kSvgPaintLinearGradient)
  {
    const float x1 = SvgConvertToPixels(p, data->linear.x1, ox, sw);
    const float y1 = SvgConvertToPixels(p, data->linear.y1, oy, sh);
    const float x2 = SvgConvertToPixels(p, data->linear.x2, ox, sw);
    const float y2 = SvgConvertToPixels(p, data->linear.y2, oy, sh);
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    const float base[6] = {dy, -dx, dx, dy, x1, y1};
    std::memcpy(xform, base, sizeof(base));
  }
  else
  {
    const float cx = SvgConvertToPixels(p, data->radial.cx, ox, sw);
    const float cy = SvgConvertToPixels(p, data->radial.cy, oy, sh);
    const float r = SvgConvertToPixels(p, data->radial.r, 0.0f, sl);
    if (r == 0.0f || !std::isfinite(r))
    {
      // A circle without area shows only its outermost colour.
      *paintType = kSvgPaintColor;
      *flatColor = stops[nstops - 1].color;
      return nullptr;
    }
    fx = SvgConvertToPixels(p, data->radial.fx, ox, sw) / r;
    fy = SvgConvertToPixels(p, data->radial.fy, oy, sh) / r;
    const float base[6] = {r, 0.0f, 0.0f, r, cx, cy};
    std::memcpy(xform, base, sizeof(base));
  }
  SvgXformMultiply(xform, data->xform);
  SvgXformMultiply(xform, SvgGetAttr(p)->xform);

  const size_t size = sizeof(SvgGradient) + sizeof(SvgGradientStop) * size_t(nstops > 1 ? nstops - 1 : 0);
  auto* grad = static_cast<SvgGradient*>(std::malloc(size));
  if (!grad) return nullptr;
  std::memcpy(grad->xform, xform, sizeof(xform));
  grad->spread = data->spread;
  grad->fx = fx;
  grad->fy = fy;
  grad->nstops = nstops;
  std::memcpy(grad->stops, stops, sizeof(SvgGradientStop) * size_t(nstops));
  *paintType = data->type;
  return grad;
}
