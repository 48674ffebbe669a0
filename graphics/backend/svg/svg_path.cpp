// The point buffer of one sub-path, path data ("d") with every command, endpoint arcs as cubics, exact curve
// bounds, and the building of paths and shapes from the buffer and the current attribute entry.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "svg/svg_parser.h"

namespace
{
constexpr int kFirstPointCapacity = 8;
constexpr int kMaxPendingNumbers = 10;
constexpr float kTwoThirds = 0.6666667f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;
constexpr double kRootEpsilon = 1e-12;

constexpr int kMaxPoints = 1 << 26;

// Room for `extra` more points: the capacity starts at 8 and doubles.
bool ReservePoints(SvgParser* p, int extra)
{
  if (p->cpts - p->npts >= extra) return true;
  int capacity = p->cpts > 0 ? p->cpts * 2 : kFirstPointCapacity;
  while (capacity - p->npts < extra) capacity *= 2;
  if (capacity > kMaxPoints) return false;
  auto* pts = static_cast<float*>(std::realloc(p->pts, sizeof(float) * 2 * size_t(capacity)));
  if (!pts) return false;
  p->pts = pts;
  p->cpts = capacity;
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

double EvalBezier(double t, double p0, double p1, double p2, double p3)
{
  const double it = 1.0 - t;
  return it * it * it * p0 + 3.0 * it * it * t * p1 + 3.0 * it * t * t * p2 + t * t * t * p3;
}

bool InsideRange(float v, float lo, float hi) { return v >= lo && v <= hi; }

// ---- path data ------------------------------------------------------------------------------------------

struct PathCursor
{
  float cpx = 0.0f, cpy = 0.0f;   // current point
  float cpx2 = 0.0f, cpy2 = 0.0f; // last control point
};

// A curve needs a start: before any move-to the sub-path starts at the current point.
void EnsureStart(SvgParser* p, float x, float y)
{
  if (p->npts == 0) SvgMoveTo(p, x, y);
}

void PathMoveTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  c.cpx = rel ? c.cpx + args[0] : args[0];
  c.cpy = rel ? c.cpy + args[1] : args[1];
  SvgMoveTo(p, c.cpx, c.cpy);
  c.cpx2 = c.cpx;
  c.cpy2 = c.cpy;
}

void PathLineTo(SvgParser* p, PathCursor& c, float x, float y)
{
  SvgLineTo(p, x, y);
  c.cpx = c.cpx2 = x;
  c.cpy = c.cpy2 = y;
}

void PathCubicTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  const float ox = rel ? c.cpx : 0.0f;
  const float oy = rel ? c.cpy : 0.0f;
  const float x1 = ox + args[0], y1 = oy + args[1];
  const float x2 = ox + args[2], y2 = oy + args[3];
  const float x = ox + args[4], y = oy + args[5];
  EnsureStart(p, c.cpx, c.cpy);
  SvgCubicBezTo(p, x1, y1, x2, y2, x, y);
  c.cpx2 = x2;
  c.cpy2 = y2;
  c.cpx = x;
  c.cpy = y;
}

void PathCubicSmoothTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  const float ox = rel ? c.cpx : 0.0f;
  const float oy = rel ? c.cpy : 0.0f;
  const float x2 = ox + args[0], y2 = oy + args[1];
  const float x = ox + args[2], y = oy + args[3];
  const float x1 = 2.0f * c.cpx - c.cpx2;
  const float y1 = 2.0f * c.cpy - c.cpy2;
  EnsureStart(p, c.cpx, c.cpy);
  SvgCubicBezTo(p, x1, y1, x2, y2, x, y);
  c.cpx2 = x2;
  c.cpy2 = y2;
  c.cpx = x;
  c.cpy = y;
}

void QuadTo(SvgParser* p, PathCursor& c, float cx, float cy, float x, float y)
{
  const float x1 = c.cpx + kTwoThirds * (cx - c.cpx);
  const float y1 = c.cpy + kTwoThirds * (cy - c.cpy);
  const float x2 = x + kTwoThirds * (cx - x);
  const float y2 = y + kTwoThirds * (cy - y);
  EnsureStart(p, c.cpx, c.cpy);
  SvgCubicBezTo(p, x1, y1, x2, y2, x, y);
  c.cpx2 = cx;
  c.cpy2 = cy;
  c.cpx = x;
  c.cpy = y;
}

void PathQuadTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  const float ox = rel ? c.cpx : 0.0f;
  const float oy = rel ? c.cpy : 0.0f;
  QuadTo(p, c, ox + args[0], oy + args[1], ox + args[2], oy + args[3]);
}

void PathQuadSmoothTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  const float ox = rel ? c.cpx : 0.0f;
  const float oy = rel ? c.cpy : 0.0f;
  QuadTo(p, c, 2.0f * c.cpx - c.cpx2, 2.0f * c.cpy - c.cpy2, ox + args[0], oy + args[1]);
}

float VecMag(float x, float y) { return std::sqrt(x * x + y * y); }

float VecRatio(float ux, float uy, float vx, float vy)
{
  return (ux * vx + uy * vy) / (VecMag(ux, uy) * VecMag(vx, vy));
}

float VecAngle(float ux, float uy, float vx, float vy)
{
  float r = VecRatio(ux, uy, vx, vy);
  if (r < -1.0f) r = -1.0f;
  if (r > 1.0f) r = 1.0f;
  return ((ux * vy < uy * vx) ? -1.0f : 1.0f) * std::acos(r);
}

// An arc from the current point to (x2, y2) in endpoint form, as at most four cubics.
void PathArcTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  float rx = std::fabs(args[0]);
  float ry = std::fabs(args[1]);
  const float rotx = args[2] / 180.0f * kSvgPi;
  const bool largeArc = std::fabs(args[3]) > 1e-6f;
  const bool sweep = std::fabs(args[4]) > 1e-6f;
  const float x1 = c.cpx;
  const float y1 = c.cpy;
  const float x2 = rel ? c.cpx + args[5] : args[5];
  const float y2 = rel ? c.cpy + args[6] : args[6];
  c.cpx = c.cpx2 = x2;
  c.cpy = c.cpy2 = y2;

  float dx = x1 - x2;
  float dy = y1 - y2;
  const float d = std::sqrt(dx * dx + dy * dy);
  if (rx < 1e-6f || ry < 1e-6f || d < 1e-6f)
  {
    SvgLineTo(p, x2, y2);
    return;
  }

  const float sinrx = std::sin(rotx);
  const float cosrx = std::cos(rotx);
  dx *= 0.5f;
  dy *= 0.5f;
  const float x1p = cosrx * dx + sinrx * dy;
  const float y1p = -sinrx * dx + cosrx * dy;
  const float lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
  if (lambda > 1.0f)
  {
    const float scale = std::sqrt(lambda);
    rx *= scale;
    ry *= scale;
  }
  float sa = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p;
  const float sb = rx * rx * y1p * y1p + ry * ry * x1p * x1p;
  if (sa < 0.0f) sa = 0.0f;
  float s = sb > 0.0f ? std::sqrt(sa / sb) : 0.0f;
  if (largeArc == sweep) s = -s;
  const float cxp = s * rx * y1p / ry;
  const float cyp = s * -ry * x1p / rx;
  const float cx = (x1 + x2) / 2.0f + cosrx * cxp - sinrx * cyp;
  const float cy = (y1 + y2) / 2.0f + sinrx * cxp + cosrx * cyp;

  const float ux = (x1p - cxp) / rx;
  const float uy = (y1p - cyp) / ry;
  const float vx = (-x1p - cxp) / rx;
  const float vy = (-y1p - cyp) / ry;
  const float a1 = VecAngle(1.0f, 0.0f, ux, uy);
  float da = VecAngle(ux, uy, vx, vy);
  if (!sweep && da > 0.0f)
    da -= kTwoPi;
  else if (sweep && da < 0.0f)
    da += kTwoPi;
  if (!std::isfinite(da) || !std::isfinite(a1) || !std::isfinite(cx) || !std::isfinite(cy))
  {
    // Coordinates beyond float range: nothing sensible to bend, keep the end point reachable.
    SvgLineTo(p, x2, y2);
    return;
  }

  const float t[6] = {cosrx, sinrx, -sinrx, cosrx, cx, cy};
  const int ndivs = int(std::fabs(da) / kHalfPi + 1.0f);
  const float hda = (da / float(ndivs)) / 2.0f;
  const float sinHalf = std::sin(hda);
  float kappa = sinHalf != 0.0f ? std::fabs(4.0f / 3.0f * (1.0f - std::cos(hda)) / sinHalf) : 0.0f;
  if (da < 0.0f) kappa = -kappa;

  EnsureStart(p, x1, y1);
  float px = 0, py = 0, ptanx = 0, ptany = 0;
  for (int i = 0; i <= ndivs; ++i)
  {
    const float a = a1 + da * (float(i) / float(ndivs));
    const float ca = std::cos(a);
    const float sn = std::sin(a);
    float x, y, tanx, tany;
    SvgXformPoint(&x, &y, ca * rx, sn * ry, t);
    // Tangents are directions: rotate only.
    tanx = cosrx * (-sn * rx * kappa) - sinrx * (ca * ry * kappa);
    tany = sinrx * (-sn * rx * kappa) + cosrx * (ca * ry * kappa);
    if (i > 0) SvgCubicBezTo(p, px + ptanx, py + ptany, x - tanx, y - tany, x, y);
    px = x;
    py = y;
    ptanx = tanx;
    ptany = tany;
  }
}

bool IsCommandStart(char c) { return std::strchr("0123456789+-.eE", c) == nullptr; }

// Reads one token: a number into `it`, or a single other character. Returns the position after it.
const char* GetNextPathItem(const char* s, char* it)
{
  it[0] = '\0';
  while (*s && (SvgIsSpace(*s) || *s == ',')) ++s;
  if (!*s) return s;
  if (SvgIsNumberStart(*s)) return SvgParseNumber(s, it, kSvgNumberSize);
  it[0] = *s++;
  it[1] = '\0';
  return s;
}

void RunCommand(SvgParser* p, PathCursor& c, char& cmd, float* args)
{
  switch (cmd)
  {
    case 'm':
    case 'M':
      PathMoveTo(p, c, args, cmd == 'm');
      cmd = cmd == 'm' ? 'l' : 'L'; // further pairs draw lines
      break;
    case 'l':
    case 'L':
      PathLineTo(p, c, cmd == 'l' ? c.cpx + args[0] : args[0], cmd == 'l' ? c.cpy + args[1] : args[1]);
      break;
    case 'h':
    case 'H':
      PathLineTo(p, c, cmd == 'h' ? c.cpx + args[0] : args[0], c.cpy);
      break;
    case 'v':
    case 'V':
      PathLineTo(p, c, c.cpx, cmd == 'v' ? c.cpy + args[0] : args[0]);
      break;
    case 'c':
    case 'C': PathCubicTo(p, c, args, cmd == 'c'); break;
    case 's':
    case 'S': PathCubicSmoothTo(p, c, args, cmd == 's'); break;
    case 'q':
    case 'Q': PathQuadTo(p, c, args, cmd == 'q'); break;
    case 't':
    case 'T': PathQuadSmoothTo(p, c, args, cmd == 't'); break;
    case 'a':
    case 'A': PathArcTo(p, c, args, cmd == 'a'); break;
    default: break;
  }
}

void ParsePathData(SvgParser* p, const char* s)
{
  PathCursor c;
  char cmd = '\0';
  float args[kMaxPendingNumbers];
  int nargs = 0;
  int rargs = 0;
  char item[kSvgNumberSize];

  SvgResetPath(p);
  while (*s)
  {
    s = GetNextPathItem(s, item);
    if (!*item) break;
    if (!IsCommandStart(item[0]))
    {
      if (nargs < kMaxPendingNumbers) args[nargs++] = float(SvgAtof(item));
      if (nargs >= rargs)
      {
        if (rargs > 0) RunCommand(p, c, cmd, args);
        nargs = 0;
      }
      continue;
    }
    cmd = item[0];
    rargs = SvgArgsPerCommand(cmd);
    nargs = 0;
    if (cmd == 'M' || cmd == 'm')
    {
      if (p->npts > 0) SvgAddPath(p, false);
      SvgResetPath(p);
    }
    else if (cmd == 'Z' || cmd == 'z')
    {
      if (p->npts > 0)
      {
        c.cpx = c.cpx2 = p->pts[0];
        c.cpy = c.cpy2 = p->pts[1];
        SvgAddPath(p, true);
      }
      SvgResetPath(p);
      SvgMoveTo(p, c.cpx, c.cpy);
    }
  }
  if (p->npts > 0) SvgAddPath(p, false);
}

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

void SvgCubicBezTo(SvgParser* p, float cpx1, float cpy1, float cpx2, float cpy2, float x, float y)
{
  // All three points or none, so the buffer stays a start point plus whole segments.
  if (!ReservePoints(p, 3)) return;
  AddPoint(p, cpx1, cpy1);
  AddPoint(p, cpx2, cpy2);
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
        const float v = float(EvalBezier(roots[j], v0[i], v1[i], v2[i], v3[i]));
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

int SvgArgsPerCommand(char c)
{
  switch (c)
  {
    case 'A':
    case 'a': return 7;
    case 'C':
    case 'c': return 6;
    case 'Q':
    case 'q':
    case 'S':
    case 's': return 4;
    case 'L':
    case 'l':
    case 'M':
    case 'm':
    case 'T':
    case 't': return 2;
    case 'H':
    case 'h':
    case 'V':
    case 'v': return 1;
    default: return 0;
  }
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

void SvgParsePath(SvgParser* p, const char** attr)
{
  const char* d = nullptr;
  for (int i = 0; attr[i]; i += 2)
  {
    if (std::strcmp(attr[i], "d") == 0)
      d = attr[i + 1];
    else
    {
      const char* pair[4] = {attr[i], attr[i + 1], nullptr, nullptr};
      SvgParseAttribs(p, pair);
    }
  }
  if (d && *d) ParsePathData(p, d);
  SvgAddShape(p);
}
