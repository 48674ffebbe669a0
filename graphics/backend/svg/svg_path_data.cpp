// Path data ("d"): every command in absolute and relative form, implicit repeats, reflected control points,
// quadratics raised to cubics and endpoint arcs split into cubics, all written into the point buffer.
#include <cmath>
#include <cstring>

#include "svg/svg_parser.h"

namespace
{
constexpr int kMaxPendingNumbers = 10;
constexpr float kTwoThirds = 0.6666667f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;

struct PathCursor
{
  float currentX = 0.0f, currentY = 0.0f;   // current point
  float controlX = 0.0f, controlY = 0.0f; // last control point
};

// A curve needs a start: before any move-to the sub-path starts at the current point.
void EnsureStart(SvgParser* p, float x, float y)
{
  if (p->npts == 0) SvgMoveTo(p, x, y);
}

// A cubic from the current point to (x, y); (kx, ky) is the control point that a smooth segment after it mirrors.
void CurveTo(SvgParser* p, PathCursor& c, float x1, float y1, float x2, float y2, float x, float y, float kx, float ky)
{
  EnsureStart(p, c.currentX, c.currentY);
  SvgCubicBezTo(p, x1, y1, x2, y2, x, y);
  c.controlX = kx;
  c.controlY = ky;
  c.currentX = x;
  c.currentY = y;
}

void PathMoveTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  c.currentX = rel ? c.currentX + args[0] : args[0];
  c.currentY = rel ? c.currentY + args[1] : args[1];
  SvgMoveTo(p, c.currentX, c.currentY);
  c.controlX = c.currentX;
  c.controlY = c.currentY;
}

void PathLineTo(SvgParser* p, PathCursor& c, float x, float y)
{
  SvgLineTo(p, x, y);
  c.currentX = c.controlX = x;
  c.currentY = c.controlY = y;
}

void PathCubicTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  const float ox = rel ? c.currentX : 0.0f;
  const float oy = rel ? c.currentY : 0.0f;
  const float x1 = ox + args[0], y1 = oy + args[1];
  const float x2 = ox + args[2], y2 = oy + args[3];
  const float x = ox + args[4], y = oy + args[5];
  CurveTo(p, c, x1, y1, x2, y2, x, y, x2, y2);
}

void PathCubicSmoothTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  const float ox = rel ? c.currentX : 0.0f;
  const float oy = rel ? c.currentY : 0.0f;
  const float x2 = ox + args[0], y2 = oy + args[1];
  const float x = ox + args[2], y = oy + args[3];
  const float x1 = 2.0f * c.currentX - c.controlX;
  const float y1 = 2.0f * c.currentY - c.controlY;
  CurveTo(p, c, x1, y1, x2, y2, x, y, x2, y2);
}

void QuadTo(SvgParser* p, PathCursor& c, float cx, float cy, float x, float y)
{
  const float x1 = c.currentX + kTwoThirds * (cx - c.currentX);
  const float y1 = c.currentY + kTwoThirds * (cy - c.currentY);
  const float x2 = x + kTwoThirds * (cx - x);
  const float y2 = y + kTwoThirds * (cy - y);
  CurveTo(p, c, x1, y1, x2, y2, x, y, cx, cy);
}

void PathQuadTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  const float ox = rel ? c.currentX : 0.0f;
  const float oy = rel ? c.currentY : 0.0f;
  QuadTo(p, c, ox + args[0], oy + args[1], ox + args[2], oy + args[3]);
}

void PathQuadSmoothTo(SvgParser* p, PathCursor& c, const float* args, bool rel)
{
  const float ox = rel ? c.currentX : 0.0f;
  const float oy = rel ? c.currentY : 0.0f;
  QuadTo(p, c, 2.0f * c.currentX - c.controlX, 2.0f * c.currentY - c.controlY, ox + args[0], oy + args[1]);
}

float VectorLength(float x, float y) { return std::sqrt(x * x + y * y); }

float VectorRatio(float ux, float uy, float vx, float vy)
{
  return (ux * vx + uy * vy) / (VectorLength(ux, uy) * VectorLength(vx, vy));
}

float VectorAngle(float ux, float uy, float vx, float vy)
{
  float r = VectorRatio(ux, uy, vx, vy);
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
  const float x1 = c.currentX;
  const float y1 = c.currentY;
  const float x2 = rel ? c.currentX + args[5] : args[5];
  const float y2 = rel ? c.currentY + args[6] : args[6];
  c.currentX = c.controlX = x2;
  c.currentY = c.controlY = y2;

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
  const float a1 = VectorAngle(1.0f, 0.0f, ux, uy);
  float da = VectorAngle(ux, uy, vx, vy);
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
      PathLineTo(p, c, cmd == 'l' ? c.currentX + args[0] : args[0], cmd == 'l' ? c.currentY + args[1] : args[1]);
      break;
    case 'h':
    case 'H':
      PathLineTo(p, c, cmd == 'h' ? c.currentX + args[0] : args[0], c.currentY);
      break;
    case 'v':
    case 'V':
      PathLineTo(p, c, c.currentX, cmd == 'v' ? c.currentY + args[0] : args[0]);
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
  int argCount = 0;
  int rargs = 0;
  char item[kSvgNumberSize];

  SvgResetPath(p);
  while (*s)
  {
    s = SvgNextItem(s, item);
    if (!*item) break;
    if (!IsCommandStart(item[0]))
    {
      if (argCount < kMaxPendingNumbers) args[argCount++] = float(SvgAtof(item));
      if (argCount >= rargs)
      {
        if (rargs > 0) RunCommand(p, c, cmd, args);
        argCount = 0;
      }
      continue;
    }
    cmd = item[0];
    rargs = SvgArgsPerCommand(cmd);
    argCount = 0;
    if (cmd == 'M' || cmd == 'm')
    {
      if (p->npts > 0) SvgAddPath(p, false);
      SvgResetPath(p);
    }
    else if (cmd == 'Z' || cmd == 'z')
    {
      if (p->npts > 0)
      {
        c.currentX = c.controlX = p->pts[0];
        c.currentY = c.controlY = p->pts[1];
        SvgAddPath(p, true);
      }
      SvgResetPath(p);
      SvgMoveTo(p, c.currentX, c.currentY);
    }
  }
  if (p->npts > 0) SvgAddPath(p, false);
}
} // namespace

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
