// The point buffer of one sub-path, exact curve bounds, and the building of paths and shapes from the buffer
// and the current attribute entry.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "svg/svg_parser.h"

namespace
{
constexpr int kFirstPointCapacity = 8;
constexpr int kMaxPoints = 1 << 26; // 512 MB of points: beyond any sane document
constexpr double kRootEpsilon = 1e-12;

// Room for `extra` more points: the capacity starts at 8 and doubles.
bool ReservePoints(SvgParser* p, int extra)
{
  if (p->pointCapacity - p->npts >= extra) return true;
  int capacity = p->pointCapacity > 0 ? p->pointCapacity * 2 : kFirstPointCapacity;
  while (capacity - p->npts < extra) capacity *= 2;
  if (capacity > kMaxPoints) return false;
  auto* pts = static_cast<float*>(std::realloc(p->pts, sizeof(float) * 2 * size_t(capacity)));
  if (!pts) return false;
  p->pts = pts;
  p->pointCapacity = capacity;
  return true;
}

void AddPoint(SvgParser* p, float x, float y)
{
  if (!ReservePoints(p, 1)) return;
  p->pts[p->npts * 2] = x;
  p->pts[p->npts * 2 + 1] = y;
  ++p->npts;
}

void BoundsUnion(float* b, const float* o)
{
  b[0] = std::fmin(b[0], o[0]);
  b[1] = std::fmin(b[1], o[1]);
  b[2] = std::fmax(b[2], o[2]);
  b[3] = std::fmax(b[3], o[3]);
}

double EvaluateBezier(double t, double p0, double p1, double p2, double p3)
{
  const double it = 1.0 - t;
  return it * it * it * p0 + 3.0 * it * it * t * p1 + 3.0 * it * t * t * p2 + t * t * t * p3;
}

bool InsideRange(float v, float lo, float hi) { return v >= lo && v <= hi; }

SvgShape* NewShape(SvgParser* p)
{
  auto* shape = static_cast<SvgShape*>(std::calloc(1, sizeof(SvgShape)));
  if (!shape) return nullptr;
  const SvgAttrib& attr = *SvgGetAttr(p);
  std::memcpy(shape->id, attr.id, sizeof(shape->id));
  shape->id[sizeof(shape->id) - 1] = '\0';
  const float* t = attr.xform;
  const float scale = (std::sqrt(t[0] * t[0] + t[2] * t[2]) + std::sqrt(t[1] * t[1] + t[3] * t[3])) / 2.0f;
  shape->strokeWidth = attr.strokeWidth * scale;
  shape->strokeDashOffset = attr.strokeDashOffset * scale;
  shape->strokeDashCount = int8_t(attr.strokeDashCount);
  for (int i = 0; i < attr.strokeDashCount; ++i) shape->strokeDashArray[i] = attr.strokeDashArray[i] * scale;
  shape->strokeLineJoin = attr.strokeLineJoin;
  shape->strokeLineCap = attr.strokeLineCap;
  shape->miterLimit = attr.miterLimit;
  shape->fillRule = attr.fillRule;
  shape->opacity = attr.opacity;
  return shape;
}

void SetPaint(SvgParser* p, const SvgShape* shape, SvgPaint& paint, uint8_t has, const char* gradientId,
              uint32_t color, float opacity)
{
  if (has == kSvgSourceGradient)
  {
    float inverse[6];
    float localBounds[4];
    SvgXformInverse(inverse, SvgGetAttr(p)->xform);
    SvgLocalBounds(localBounds, shape, inverse);
    uint32_t flat = 0;
    paint.gradient = SvgCreateGradient(p, gradientId, localBounds, &paint.type, &flat);
    if (paint.type == kSvgPaintColor)
      paint.color = flat;
    else if (!paint.gradient)
      paint.type = kSvgPaintNone;
  }
  else if (has == kSvgSourceColor)
  {
    paint.type = kSvgPaintColor;
    paint.color = color | (uint32_t(opacity * 255.0f) << 24);
  }
  else
    paint.type = kSvgPaintNone;
}
} // namespace

void SvgResetPath(SvgParser* p) { p->npts = 0; }

void SvgMoveTo(SvgParser* p, float x, float y)
{
  if (p->npts > 0)
  {
    p->pts[(p->npts - 1) * 2] = x;
    p->pts[(p->npts - 1) * 2 + 1] = y;
  }
  else
    AddPoint(p, x, y);
}

void SvgLineTo(SvgParser* p, float x, float y)
{
  if (p->npts <= 0) return;
  const float px = p->pts[(p->npts - 1) * 2];
  const float py = p->pts[(p->npts - 1) * 2 + 1];
  const float dx = x - px;
  const float dy = y - py;
  SvgCubicBezTo(p, px + dx / 3.0f, py + dy / 3.0f, x - dx / 3.0f, y - dy / 3.0f, x, y);
}

void SvgCubicBezTo(SvgParser* p, float cpx1, float cpy1, float controlX, float controlY, float x, float y)
{
  // All three points or none, so the buffer stays a start point plus whole segments.
  if (!ReservePoints(p, 3)) return;
  AddPoint(p, cpx1, cpy1);
  AddPoint(p, controlX, controlY);
  AddPoint(p, x, y);
}

void SvgCurveBounds(float* bounds, const float* curve)
{
  const float* v0 = &curve[0];
  const float* v1 = &curve[2];
  const float* v2 = &curve[4];
  const float* v3 = &curve[6];

  bounds[0] = std::fmin(v0[0], v3[0]);
  bounds[1] = std::fmin(v0[1], v3[1]);
  bounds[2] = std::fmax(v0[0], v3[0]);
  bounds[3] = std::fmax(v0[1], v3[1]);

  // Control points inside the end points' box cannot widen it.
  if (InsideRange(v1[0], bounds[0], bounds[2]) && InsideRange(v1[1], bounds[1], bounds[3]) &&
      InsideRange(v2[0], bounds[0], bounds[2]) && InsideRange(v2[1], bounds[1], bounds[3]))
    return;

  for (int i = 0; i < 2; ++i)
  {
    const double a = -3.0 * v0[i] + 9.0 * v1[i] - 9.0 * v2[i] + 3.0 * v3[i];
    const double b = 6.0 * v0[i] - 12.0 * v1[i] + 6.0 * v2[i];
    const double c = 3.0 * v1[i] - 3.0 * v0[i];
    double roots[2];
    int count = 0;
    if (std::fabs(a) < kRootEpsilon)
    {
      if (std::fabs(b) > kRootEpsilon) roots[count++] = -c / b;
    }
    else
    {
      const double b2ac = b * b - 4.0 * c * a;
      if (b2ac > kRootEpsilon)
      {
        roots[count++] = (-b + std::sqrt(b2ac)) / (2.0 * a);
        roots[count++] = (-b - std::sqrt(b2ac)) / (2.0 * a);
      }
    }
    for (int j = 0; j < count; ++j)
    {
      if (roots[j] > kRootEpsilon && roots[j] < 1.0 - kRootEpsilon)
      {
        const float v = float(EvaluateBezier(roots[j], v0[i], v1[i], v2[i], v3[i]));
        bounds[i] = std::fmin(bounds[i], v);
        bounds[2 + i] = std::fmax(bounds[2 + i], v);
      }
    }
  }
}

void SvgLocalBounds(float* bounds, const SvgShape* shape, const float* xform)
{
  bool first = true;
  for (const SvgPath* path = shape->paths; path; path = path->next)
  {
    if (path->npts < 4) continue;
    float curve[8];
    SvgXformPoint(&curve[0], &curve[1], path->pts[0], path->pts[1], xform);
    for (int i = 0; i + 3 < path->npts; i += 3)
    {
      const float* q = &path->pts[(i + 1) * 2];
      SvgXformPoint(&curve[2], &curve[3], q[0], q[1], xform);
      SvgXformPoint(&curve[4], &curve[5], q[2], q[3], xform);
      SvgXformPoint(&curve[6], &curve[7], q[4], q[5], xform);
      float cb[4];
      SvgCurveBounds(cb, curve);
      if (first)
      {
        std::memcpy(bounds, cb, sizeof(cb));
        first = false;
      }
      else
        BoundsUnion(bounds, cb);
      curve[0] = curve[6];
      curve[1] = curve[7];
    }
  }
  if (first) std::memset(bounds, 0, sizeof(float) * 4);
}

void SvgAddPath(SvgParser* p, bool closed)
{
  if (p->npts < 4) return;
  if (closed) SvgLineTo(p, p->pts[0], p->pts[1]);
  // Whole segments only; the buffer never holds a partial one, but stay inside it whatever happens.
  const int npts = 1 + (p->npts - 1) / 3 * 3;

  auto* path = static_cast<SvgPath*>(std::calloc(1, sizeof(SvgPath)));
  if (!path) return;
  path->pts = static_cast<float*>(std::malloc(sizeof(float) * 2 * size_t(npts)));
  if (!path->pts)
  {
    std::free(path);
    return;
  }
  path->closed = closed ? 1 : 0;
  path->npts = npts;
  const float* t = SvgGetAttr(p)->xform;
  for (int i = 0; i < npts; ++i)
    SvgXformPoint(&path->pts[i * 2], &path->pts[i * 2 + 1], p->pts[i * 2], p->pts[i * 2 + 1], t);
  for (int i = 0; i + 3 < npts; i += 3)
  {
    float cb[4];
    SvgCurveBounds(cb, &path->pts[i * 2]);
    if (i == 0)
      std::memcpy(path->bounds, cb, sizeof(cb));
    else
      BoundsUnion(path->bounds, cb);
  }
  path->next = p->plist;
  p->plist = path;
}

void SvgAddShape(SvgParser* p)
{
  if (!p->plist) return;
  SvgShape* shape = NewShape(p);
  if (!shape) return;
  const SvgAttrib& attr = *SvgGetAttr(p);

  shape->paths = p->plist;
  p->plist = nullptr;
  std::memcpy(shape->bounds, shape->paths->bounds, sizeof(shape->bounds));
  for (const SvgPath* path = shape->paths->next; path; path = path->next) BoundsUnion(shape->bounds, path->bounds);

  SetPaint(p, shape, shape->fill, attr.hasFill, attr.fillGradient, attr.fillColor, attr.fillOpacity);
  SetPaint(p, shape, shape->stroke, attr.hasStroke, attr.strokeGradient, attr.strokeColor, attr.strokeOpacity);
  shape->flags = attr.visible ? kSvgShapeVisible : 0;

  if (p->shapesTail)
    p->shapesTail->next = shape;
  else
    p->image->shapes = shape;
  p->shapesTail = shape;
}

void SvgFreePaths(SvgPath* path)
{
  while (path)
  {
    SvgPath* next = path->next;
    std::free(path->pts);
    std::free(path);
    path = next;
  }
}
