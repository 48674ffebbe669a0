// Vexel paths: the command buffer, path building, flattening of curves, per-point join data and the expansion of
// fills (with an antialiasing fringe) and strokes (with caps and joins) into vertex lists for the back end.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "vexel.h"
#include "vexel_context.h"

namespace {

constexpr float kPi = 3.14159265358979323846264338327f;
constexpr float kKappa90 = 0.5522847493f; // length of the control arms of a quarter circle
constexpr float kFillMiterLimit = 2.4f;
constexpr float kMaxStrokeWidth = 200.0f;
// Coordinates beyond this (in device units, after the transform) are dropped with their command: far beyond any
// drawable surface, and small enough that squared distances never overflow.
constexpr float kMaxCoordinate = 1e12f;
// The most vertices one expansion may produce; more fails the expansion.
constexpr long kMaxExpansionVertices = 1L << 20;
// The most segments of a round cap or join: the widest stroke at the finest tolerance needs fewer than 200.
constexpr float kMaxCapDivisions = 256.0f;

int Clamp(int a, int low, int high) { return a < low ? low : (a > high ? high : a); }
float Sign(float a) { return a >= 0.0f ? 1.0f : -1.0f; }
float Cross(float dx0, float dy0, float dx1, float dy1) { return dx1 * dy0 - dx0 * dy1; }
// Clamp that also maps NaN to the lower bound.
float ClampNaN(float a, float low, float high) { return a > low ? (a < high ? a : high) : low; }

float Normalize(float* x, float* y)
{
  float d = sqrtf((*x) * (*x) + (*y) * (*y));
  if (d > 1e-6f)
  {
    float id = 1.0f / d;
    *x *= id;
    *y *= id;
  }
  return d;
}

bool PointsEqual(float x1, float y1, float x2, float y2, float tol)
{
  float dx = x2 - x1;
  float dy = y2 - y1;
  return dx * dx + dy * dy < tol * tol;
}

float DistanceToSegment(float x, float y, float px, float py, float qx, float qy)
{
  float pqx = qx - px;
  float pqy = qy - py;
  float dx = x - px;
  float dy = y - py;
  float d = pqx * pqx + pqy * pqy;
  float t = pqx * dx + pqy * dy;
  if (d > 0) t /= d;
  if (t < 0) t = 0;
  else if (t > 1) t = 1;
  dx = px + t * pqx - x;
  dy = py + t * pqy - y;
  return dx * dx + dy * dy;
}

int CommandLength(float code)
{
  if (code == (float)VX_MOVE_TO || code == (float)VX_LINE_TO) return 3;
  if (code == (float)VX_CUBIC_TO) return 7;
  if (code == (float)VX_CLOSE) return 1;
  if (code == (float)VX_WINDING) return 2;
  return 0;
}

VXpath* LastPath(VXcontext* ctx)
{
  if (ctx->cache->npaths > 0) return &ctx->cache->paths[ctx->cache->npaths - 1];
  return nullptr;
}

VXpoint* LastPoint(VXcontext* ctx)
{
  if (ctx->cache->pointCount > 0) return &ctx->cache->points[ctx->cache->pointCount - 1];
  return nullptr;
}

void AddPath(VXcontext* ctx)
{
  VXpathCache* cache = ctx->cache;
  if (cache->npaths + 1 > cache->pathCapacity)
  {
    int pathCapacity = cache->npaths + 1 + cache->pathCapacity / 2;
    void* paths = realloc(cache->paths, sizeof(VXpath) * (size_t)pathCapacity);
    if (!paths) return;
    cache->paths = (VXpath*)paths;
    cache->pathCapacity = pathCapacity;
  }
  VXpath* path = &cache->paths[cache->npaths];
  memset(path, 0, sizeof(*path));
  path->first = cache->pointCount;
  path->winding = VX_COUNTER_CLOCKWISE;
  cache->npaths++;
}

void vxAddPoint(VXcontext* ctx, float x, float y, int flags)
{
  VXpath* path = LastPath(ctx);
  if (path == nullptr) return;
  if (path->count > 0 && ctx->cache->pointCount > 0)
  {
    VXpoint* pt = LastPoint(ctx);
    if (PointsEqual(pt->x, pt->y, x, y, ctx->distanceTolerance))
    {
      pt->flags |= (unsigned char)flags;
      return;
    }
  }
  VXpathCache* cache = ctx->cache;
  if (cache->pointCount + 1 > cache->pointCapacity)
  {
    int pointCapacity = cache->pointCount + 1 + cache->pointCapacity / 2;
    void* points = realloc(cache->points, sizeof(VXpoint) * (size_t)pointCapacity);
    if (!points) return;
    cache->points = (VXpoint*)points;
    cache->pointCapacity = pointCapacity;
  }
  VXpoint* pt = &cache->points[cache->pointCount];
  memset(pt, 0, sizeof(*pt));
  pt->x = x;
  pt->y = y;
  pt->flags = (unsigned char)flags;
  cache->pointCount++;
  path->count++;
}

void ClosePathInCache(VXcontext* ctx)
{
  VXpath* path = LastPath(ctx);
  if (path == nullptr) return;
  path->closed = 1;
}

void PathWinding(VXcontext* ctx, int winding)
{
  VXpath* path = LastPath(ctx);
  if (path == nullptr) return;
  path->winding = winding;
}

float PolygonArea(const VXpoint* pts, int npts)
{
  // Positive for the solid orientation: counter-clockwise as seen on a y-down surface.
  float area = 0;
  for (int i = 2; i < npts; i++)
  {
    const VXpoint* a = &pts[0];
    const VXpoint* b = &pts[i - 1];
    const VXpoint* c = &pts[i];
    area += (c->x - a->x) * (b->y - a->y) - (b->x - a->x) * (c->y - a->y);
  }
  return area * 0.5f;
}

void ReversePolygon(VXpoint* pts, int npts)
{
  int i = 0, j = npts - 1;
  while (i < j)
  {
    VXpoint tmp = pts[i];
    pts[i] = pts[j];
    pts[j] = tmp;
    i++;
    j--;
  }
}

VXvertex* SetVertex(VXvertex* vertex, float x, float y, float u, float v)
{
  vertex->x = x;
  vertex->y = y;
  vertex->u = u;
  vertex->v = v;
  return vertex + 1;
}

void vxTessellateBezier(VXcontext* ctx, float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                      int level, int type)
{
  if (level > 10) return;
  float dx = x4 - x1;
  float dy = y4 - y1;
  float d2 = fabsf(((x2 - x4) * dy - (y2 - y4) * dx));
  float d3 = fabsf(((x3 - x4) * dy - (y3 - y4) * dx));
  if ((d2 + d3) * (d2 + d3) < ctx->tessellationTolerance * (dx * dx + dy * dy))
  {
    vxAddPoint(ctx, x4, y4, type);
    return;
  }
  float x12 = (x1 + x2) * 0.5f, y12 = (y1 + y2) * 0.5f;
  float x23 = (x2 + x3) * 0.5f, y23 = (y2 + y3) * 0.5f;
  float x34 = (x3 + x4) * 0.5f, y34 = (y3 + y4) * 0.5f;
  float x123 = (x12 + x23) * 0.5f, y123 = (y12 + y23) * 0.5f;
  float x234 = (x23 + x34) * 0.5f, y234 = (y23 + y34) * 0.5f;
  float x1234 = (x123 + x234) * 0.5f, y1234 = (y123 + y234) * 0.5f;
  vxTessellateBezier(ctx, x1, y1, x12, y12, x123, y123, x1234, y1234, level + 1, 0);
  vxTessellateBezier(ctx, x1234, y1234, x234, y234, x34, y34, x4, y4, level + 1, type);
}

// Reads the command buffer into paths of points, flattening each cubic into line segments.
void ReadCommands(VXcontext* ctx)
{
  int i = 0;
  while (i < ctx->commandCount)
  {
    int cmd = (int)ctx->commands[i];
    switch (cmd)
    {
    case VX_MOVE_TO:
    {
      const float* p = &ctx->commands[i + 1];
      AddPath(ctx);
      vxAddPoint(ctx, p[0], p[1], VX_POINT_CORNER);
      i += 3;
      break;
    }
    case VX_LINE_TO:
    {
      const float* p = &ctx->commands[i + 1];
      vxAddPoint(ctx, p[0], p[1], VX_POINT_CORNER);
      i += 3;
      break;
    }
    case VX_CUBIC_TO:
    {
      VXpoint* last = LastPoint(ctx);
      if (last != nullptr && LastPath(ctx) != nullptr)
      {
        const float* cp1 = &ctx->commands[i + 1];
        const float* cp2 = &ctx->commands[i + 3];
        const float* p = &ctx->commands[i + 5];
        vxTessellateBezier(ctx, last->x, last->y, cp1[0], cp1[1], cp2[0], cp2[1], p[0], p[1], 0, VX_POINT_CORNER);
      }
      i += 7;
      break;
    }
    case VX_CLOSE:
      ClosePathInCache(ctx);
      i++;
      break;
    case VX_WINDING:
    {
      float dir = ctx->commands[i + 1];
      PathWinding(ctx, (dir > -1e9f && dir < 1e9f) ? (int)dir : 0);
      i += 2;
      break;
    }
    default:
      i++;
    }
  }
}

// A last point on top of the first closes the path.
void CloseIfEndsAtStart(VXcontext* ctx, VXpath* path, const VXpoint* pts)
{
  if (path->count > 1)
  {
    const VXpoint* p0 = &pts[path->count - 1];
    const VXpoint* p1 = &pts[0];
    if (PointsEqual(p0->x, p0->y, p1->x, p1->y, ctx->distanceTolerance))
    {
      path->count--;
      path->closed = 1;
    }
  }
}

// Reverses a path's points where their orientation goes against the path's winding.
void OrientToWinding(const VXpath* path, VXpoint* pts)
{
  if (path->count > 2)
  {
    float area = PolygonArea(pts, path->count);
    if (path->winding == VX_COUNTER_CLOCKWISE && area < 0.0f) ReversePolygon(pts, path->count);
    if (path->winding == VX_CLOCKWISE && area > 0.0f) ReversePolygon(pts, path->count);
  }
}

// Gives each point of a path the direction and length of the segment to the next, and grows the cache's bounds
// to take in the points.
void MeasureSegments(VXpathCache* cache, const VXpath* path, VXpoint* pts)
{
  if (path->count <= 0) return;
  VXpoint* p0 = &pts[path->count - 1];
  VXpoint* p1 = &pts[0];
  for (int k = 0; k < path->count; k++)
  {
    p0->dx = p1->x - p0->x;
    p0->dy = p1->y - p0->y;
    p0->len = Normalize(&p0->dx, &p0->dy);
    cache->bounds[0] = Min(cache->bounds[0], p0->x);
    cache->bounds[1] = Min(cache->bounds[1], p0->y);
    cache->bounds[2] = Max(cache->bounds[2], p0->x);
    cache->bounds[3] = Max(cache->bounds[3], p0->y);
    p0 = p1++;
  }
}

void vxFlattenPaths(VXcontext* ctx)
{
  VXpathCache* cache = ctx->cache;
  if (cache->npaths > 0) return;

  ReadCommands(ctx);

  cache->bounds[0] = cache->bounds[1] = 1e6f;
  cache->bounds[2] = cache->bounds[3] = -1e6f;

  for (int j = 0; j < cache->npaths; j++)
  {
    VXpath* path = &cache->paths[j];
    VXpoint* pts = &cache->points[path->first];
    CloseIfEndsAtStart(ctx, path, pts);
    OrientToWinding(path, pts);
    MeasureSegments(cache, path, pts);
  }
}

int CurveDivisions(float r, float arc, float tol)
{
  float da = acosf(r / (r + tol)) * 2.0f;
  float divs = ceilf(arc / da);
  // NaN, infinite or absurd counts (from degenerate tolerances) stop at the limits.
  divs = ClampNaN(divs, 2.0f, kMaxCapDivisions);
  return (int)divs;
}

void ChooseBevel(int bevel, const VXpoint* p0, const VXpoint* p1, float w, float* x0, float* y0, float* x1, float* y1)
{
  if (bevel)
  {
    *x0 = p1->x + p0->dy * w;
    *y0 = p1->y - p0->dx * w;
    *x1 = p1->x + p1->dy * w;
    *y1 = p1->y - p1->dx * w;
  }
  else
  {
    *x0 = p1->x + p1->dmx * w;
    *y0 = p1->y + p1->dmy * w;
    *x1 = p1->x + p1->dmx * w;
    *y1 = p1->y + p1->dmy * w;
  }
}

VXvertex* RoundJoin(VXvertex* dst, const VXpoint* p0, const VXpoint* p1, float lw, float rw, float lu, float ru,
                    int ncap)
{
  float dlx0 = p0->dy, dly0 = -p0->dx;
  float dlx1 = p1->dy, dly1 = -p1->dx;
  if (p1->flags & VX_POINT_LEFT_TURN)
  {
    float lx0, ly0, lx1, ly1;
    ChooseBevel(p1->flags & VX_POINT_INNER_BEVEL, p0, p1, lw, &lx0, &ly0, &lx1, &ly1);
    float a0 = atan2f(-dly0, -dlx0);
    float a1 = atan2f(-dly1, -dlx1);
    if (a1 > a0) a1 -= kPi * 2;
    dst = SetVertex(dst, lx0, ly0, lu, 1);
    dst = SetVertex(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
    int n = Clamp((int)ceilf(((a0 - a1) / kPi) * ncap), 2, ncap);
    for (int i = 0; i < n; i++)
    {
      float u = i / (float)(n - 1);
      float a = a0 + u * (a1 - a0);
      float rx = p1->x + cosf(a) * rw;
      float ry = p1->y + sinf(a) * rw;
      dst = SetVertex(dst, p1->x, p1->y, 0.5f, 1);
      dst = SetVertex(dst, rx, ry, ru, 1);
    }
    dst = SetVertex(dst, lx1, ly1, lu, 1);
    dst = SetVertex(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  }
  else
  {
    float rx0, ry0, rx1, ry1;
    ChooseBevel(p1->flags & VX_POINT_INNER_BEVEL, p0, p1, -rw, &rx0, &ry0, &rx1, &ry1);
    float a0 = atan2f(dly0, dlx0);
    float a1 = atan2f(dly1, dlx1);
    if (a1 < a0) a1 += kPi * 2;
    dst = SetVertex(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
    dst = SetVertex(dst, rx0, ry0, ru, 1);
    int n = Clamp((int)ceilf(((a1 - a0) / kPi) * ncap), 2, ncap);
    for (int i = 0; i < n; i++)
    {
      float u = i / (float)(n - 1);
      float a = a0 + u * (a1 - a0);
      float lx = p1->x + cosf(a) * lw;
      float ly = p1->y + sinf(a) * lw;
      dst = SetVertex(dst, lx, ly, lu, 1);
      dst = SetVertex(dst, p1->x, p1->y, 0.5f, 1);
    }
    dst = SetVertex(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
    dst = SetVertex(dst, rx1, ry1, ru, 1);
  }
  return dst;
}

VXvertex* vxBevelJoin(VXvertex* dst, const VXpoint* p0, const VXpoint* p1, float lw, float rw, float lu, float ru)
{
  float dlx0 = p0->dy, dly0 = -p0->dx;
  float dlx1 = p1->dy, dly1 = -p1->dx;
  if (p1->flags & VX_POINT_LEFT_TURN)
  {
    float lx0, ly0, lx1, ly1;
    ChooseBevel(p1->flags & VX_POINT_INNER_BEVEL, p0, p1, lw, &lx0, &ly0, &lx1, &ly1);
    dst = SetVertex(dst, lx0, ly0, lu, 1);
    dst = SetVertex(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
    if (p1->flags & VX_POINT_BEVEL)
    {
      dst = SetVertex(dst, lx0, ly0, lu, 1);
      dst = SetVertex(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      dst = SetVertex(dst, lx1, ly1, lu, 1);
      dst = SetVertex(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    }
    else
    {
      float rx0 = p1->x - p1->dmx * rw;
      float ry0 = p1->y - p1->dmy * rw;
      dst = SetVertex(dst, p1->x, p1->y, 0.5f, 1);
      dst = SetVertex(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      dst = SetVertex(dst, rx0, ry0, ru, 1);
      dst = SetVertex(dst, rx0, ry0, ru, 1);
      dst = SetVertex(dst, p1->x, p1->y, 0.5f, 1);
      dst = SetVertex(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    }
    dst = SetVertex(dst, lx1, ly1, lu, 1);
    dst = SetVertex(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  }
  else
  {
    float rx0, ry0, rx1, ry1;
    ChooseBevel(p1->flags & VX_POINT_INNER_BEVEL, p0, p1, -rw, &rx0, &ry0, &rx1, &ry1);
    dst = SetVertex(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
    dst = SetVertex(dst, rx0, ry0, ru, 1);
    if (p1->flags & VX_POINT_BEVEL)
    {
      dst = SetVertex(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      dst = SetVertex(dst, rx0, ry0, ru, 1);
      dst = SetVertex(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      dst = SetVertex(dst, rx1, ry1, ru, 1);
    }
    else
    {
      float lx0 = p1->x + p1->dmx * lw;
      float ly0 = p1->y + p1->dmy * lw;
      dst = SetVertex(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      dst = SetVertex(dst, p1->x, p1->y, 0.5f, 1);
      dst = SetVertex(dst, lx0, ly0, lu, 1);
      dst = SetVertex(dst, lx0, ly0, lu, 1);
      dst = SetVertex(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      dst = SetVertex(dst, p1->x, p1->y, 0.5f, 1);
    }
    dst = SetVertex(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
    dst = SetVertex(dst, rx1, ry1, ru, 1);
  }
  return dst;
}

VXvertex* ButtCapStart(VXvertex* dst, const VXpoint* p, float dx, float dy, float w, float d, float aa, float u0,
                       float u1)
{
  float px = p->x - dx * d;
  float py = p->y - dy * d;
  float dlx = dy, dly = -dx;
  dst = SetVertex(dst, px + dlx * w - dx * aa, py + dly * w - dy * aa, u0, 0);
  dst = SetVertex(dst, px - dlx * w - dx * aa, py - dly * w - dy * aa, u1, 0);
  dst = SetVertex(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = SetVertex(dst, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VXvertex* ButtCapEnd(VXvertex* dst, const VXpoint* p, float dx, float dy, float w, float d, float aa, float u0,
                     float u1)
{
  float px = p->x + dx * d;
  float py = p->y + dy * d;
  float dlx = dy, dly = -dx;
  dst = SetVertex(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = SetVertex(dst, px - dlx * w, py - dly * w, u1, 1);
  dst = SetVertex(dst, px + dlx * w + dx * aa, py + dly * w + dy * aa, u0, 0);
  dst = SetVertex(dst, px - dlx * w + dx * aa, py - dly * w + dy * aa, u1, 0);
  return dst;
}

VXvertex* RoundCapStart(VXvertex* dst, const VXpoint* p, float dx, float dy, float w, int ncap, float u0, float u1)
{
  float px = p->x, py = p->y;
  float dlx = dy, dly = -dx;
  for (int i = 0; i < ncap; i++)
  {
    float a = i / (float)(ncap - 1) * kPi;
    float ax = cosf(a) * w, ay = sinf(a) * w;
    dst = SetVertex(dst, px - dlx * ax - dx * ay, py - dly * ax - dy * ay, u0, 1);
    dst = SetVertex(dst, px, py, 0.5f, 1);
  }
  dst = SetVertex(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = SetVertex(dst, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VXvertex* RoundCapEnd(VXvertex* dst, const VXpoint* p, float dx, float dy, float w, int ncap, float u0, float u1)
{
  float px = p->x, py = p->y;
  float dlx = dy, dly = -dx;
  dst = SetVertex(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = SetVertex(dst, px - dlx * w, py - dly * w, u1, 1);
  for (int i = 0; i < ncap; i++)
  {
    float a = i / (float)(ncap - 1) * kPi;
    float ax = cosf(a) * w, ay = sinf(a) * w;
    dst = SetVertex(dst, px, py, 0.5f, 1);
    dst = SetVertex(dst, px - dlx * ax + dx * ay, py - dly * ax + dy * ay, u0, 1);
  }
  return dst;
}

namespace {

/// Whether the directions of a closed path that turns left at every point go round once: a self-crossing star
/// turns left everywhere too but goes round twice, and is no convex shape.
bool WindsOnce(const VXpoint* pts, int count)
{
  double turned = 0.0;
  for (int j = 0, i = count - 1; j < count; i = j++)
    turned += std::atan2((double)pts[j].dx * pts[i].dy - (double)pts[i].dx * pts[j].dy,
                         (double)pts[i].dx * pts[j].dx + (double)pts[i].dy * pts[j].dy);
  return turned < 3.0 * M_PI;
}

} // namespace

void vxComputeJoins(VXcontext* ctx, float w, int lineJoin, float miterLimit)
{
  VXpathCache* cache = ctx->cache;
  float iw = 0.0f;
  if (w > 0.0f) iw = 1.0f / w;

  for (int i = 0; i < cache->npaths; i++)
  {
    VXpath* path = &cache->paths[i];
    path->bevelCount = 0;
    if (path->count <= 0)
    {
      path->convex = 0;
      continue;
    }
    VXpoint* pts = &cache->points[path->first];
    VXpoint* p0 = &pts[path->count - 1];
    VXpoint* p1 = &pts[0];
    int nleft = 0;

    for (int j = 0; j < path->count; j++)
    {
      float dlx0 = p0->dy, dly0 = -p0->dx;
      float dlx1 = p1->dy, dly1 = -p1->dx;
      // The extrusion of the miter.
      p1->dmx = (dlx0 + dlx1) * 0.5f;
      p1->dmy = (dly0 + dly1) * 0.5f;
      float dmr2 = p1->dmx * p1->dmx + p1->dmy * p1->dmy;
      if (dmr2 > 0.000001f)
      {
        float scale = 1.0f / dmr2;
        if (scale > 600.0f) scale = 600.0f;
        p1->dmx *= scale;
        p1->dmy *= scale;
      }

      p1->flags = (p1->flags & VX_POINT_CORNER) ? VX_POINT_CORNER : 0;

      float cross = p1->dx * p0->dy - p0->dx * p1->dy;
      if (cross > 0.0f)
      {
        nleft++;
        p1->flags |= VX_POINT_LEFT_TURN;
      }

      // Segments too short for the miter on the inside get an inner bevel.
      float limit = Max(1.01f, Min(p0->len, p1->len) * iw);
      if ((dmr2 * limit * limit) < 1.0f) p1->flags |= VX_POINT_INNER_BEVEL;

      if (p1->flags & VX_POINT_CORNER)
      {
        if ((dmr2 * miterLimit * miterLimit) < 1.0f || lineJoin == VX_BEVEL || lineJoin == VX_ROUND)
          p1->flags |= VX_POINT_BEVEL;
      }

      if ((p1->flags & (VX_POINT_BEVEL | VX_POINT_INNER_BEVEL)) != 0) path->bevelCount++;

      p0 = p1++;
    }

    path->convex = (nleft == path->count && WindsOnce(pts, path->count)) ? 1 : 0;
  }
}

void ClearPathVertices(VXpathCache* cache)
{
  for (int i = 0; i < cache->npaths; i++)
  {
    cache->paths[i].fill = nullptr;
    cache->paths[i].fillCount = 0;
    cache->paths[i].stroke = nullptr;
    cache->paths[i].strokeCount = 0;
  }
}

// Reserves the vertex scratch for one expansion, or fails (and forgets every path's vertices).
VXvertex* ReserveVerts(VXcontext* ctx, long need)
{
  VXvertex* verts = need <= kMaxExpansionVertices ? vxAllocTempVerts(ctx, (int)need) : nullptr;
  if (!verts) ClearPathVertices(ctx->cache);
  return verts;
}

// How a stroke's sides are laid out: half its width (with half the fringe), the fringe, the texture u of its left
// and right edges, the segments of a round cap or join, and the kinds of cap and join.
struct StrokeLayout
{
  float width;
  float fringe;
  float u0, u1;
  int capDivisions;
  int lineCap;
  int lineJoin;
};

// The most vertices the strokes of all paths need.
long StrokeVertexCount(const VXpathCache* cache, const StrokeLayout& layout)
{
  long cverts = 0;
  int ncap = layout.capDivisions;
  for (int i = 0; i < cache->npaths; i++)
  {
    const VXpath* path = &cache->paths[i];
    int loop = path->closed;
    if (layout.lineJoin == VX_ROUND)
      cverts += ((long)path->count + (long)path->bevelCount * (ncap + 2) + 1) * 2;
    else
      cverts += ((long)path->count + (long)path->bevelCount * 5 + 1) * 2;
    if (loop == 0)
    {
      if (layout.lineCap == VX_ROUND)
        cverts += ((long)ncap * 2 + 2) * 2;
      else
        cverts += (3 + 3) * 2;
    }
  }
  return cverts;
}

// The cap at one end of an open path: at p0 when its first segment runs from p0 to p1, at p1 when its last does
// (atEnd).
VXvertex* StrokeCap(VXvertex* dst, const VXpoint* p0, const VXpoint* p1, const StrokeLayout& layout, bool atEnd)
{
  float w = layout.width, aa = layout.fringe, u0 = layout.u0, u1 = layout.u1;
  float dx = p1->x - p0->x;
  float dy = p1->y - p0->y;
  Normalize(&dx, &dy);
  if (layout.lineCap == VX_ROUND)
    return atEnd ? RoundCapEnd(dst, p1, dx, dy, w, layout.capDivisions, u0, u1)
                 : RoundCapStart(dst, p0, dx, dy, w, layout.capDivisions, u0, u1);
  if (layout.lineCap != VX_BUTT && layout.lineCap != VX_SQUARE) return dst;
  // How far the cap's solid edge lies past the end point: about half the stroke's width for a square cap, half
  // the fringe short of it for a butt cap.
  float d = layout.lineCap == VX_BUTT ? -aa * 0.5f : w - aa;
  return atEnd ? ButtCapEnd(dst, p1, dx, dy, w, d, aa, u0, u1) : ButtCapStart(dst, p0, dx, dy, w, d, aa, u0, u1);
}

// The stroke of one path (at least one point when closed, two when open) from dst on: caps at the ends of an open
// path, a join or a mitered pair at every inner point, and a closed path's strip back to its start. Returns the
// end of its vertices.
VXvertex* StrokePath(VXvertex* dst, const VXpath* path, const VXpoint* pts, const StrokeLayout& layout)
{
  float w = layout.width, u0 = layout.u0, u1 = layout.u1;
  VXvertex* first = dst;
  int loop = path->closed;
  const VXpoint *p0, *p1;
  int s, e;
  if (loop)
  {
    p0 = &pts[path->count - 1];
    p1 = &pts[0];
    s = 0;
    e = path->count;
  }
  else
  {
    p0 = &pts[0];
    p1 = &pts[1];
    s = 1;
    e = path->count - 1;
  }

  if (loop == 0) dst = StrokeCap(dst, p0, p1, layout, false);

  for (int j = s; j < e; ++j)
  {
    if ((p1->flags & (VX_POINT_BEVEL | VX_POINT_INNER_BEVEL)) != 0)
    {
      if (layout.lineJoin == VX_ROUND)
        dst = RoundJoin(dst, p0, p1, w, w, u0, u1, layout.capDivisions);
      else
        dst = vxBevelJoin(dst, p0, p1, w, w, u0, u1);
    }
    else
    {
      dst = SetVertex(dst, p1->x + (p1->dmx * w), p1->y + (p1->dmy * w), u0, 1);
      dst = SetVertex(dst, p1->x - (p1->dmx * w), p1->y - (p1->dmy * w), u1, 1);
    }
    p0 = p1++;
  }

  if (loop)
  {
    dst = SetVertex(dst, first[0].x, first[0].y, u0, 1);
    dst = SetVertex(dst, first[1].x, first[1].y, u1, 1);
  }
  else
  {
    dst = StrokeCap(dst, p0, p1, layout, true);
  }
  return dst;
}

int vxExpandStroke(VXcontext* ctx, float w, float fringe, int lineCap, int lineJoin, float miterLimit)
{
  VXpathCache* cache = ctx->cache;
  float aa = fringe;
  float u0 = 0.0f, u1 = 1.0f;
  int ncap = CurveDivisions(w, kPi, ctx->tessellationTolerance);

  w += aa * 0.5f;

  // Without antialiasing the whole stroke is covered.
  if (aa == 0.0f)
  {
    u0 = 0.5f;
    u1 = 0.5f;
  }

  vxComputeJoins(ctx, w, lineJoin, miterLimit);

  const StrokeLayout layout = {w, aa, u0, u1, ncap, lineCap, lineJoin};
  VXvertex* verts = ReserveVerts(ctx, StrokeVertexCount(cache, layout));
  if (verts == nullptr) return 0;

  for (int i = 0; i < cache->npaths; i++)
  {
    VXpath* path = &cache->paths[i];
    VXpoint* pts = &cache->points[path->first];
    path->fill = nullptr;
    path->fillCount = 0;
    path->stroke = verts;
    path->strokeCount = 0;

    int loop = path->closed;
    if (path->count < (loop ? 1 : 2)) continue;

    VXvertex* dst = StrokePath(verts, path, pts, layout);
    path->strokeCount = (int)(dst - verts);
    verts = dst;
  }
  return 1;
}

// The most vertices the fills of all paths need, with a fringe strip round each when there is one.
long FillVertexCount(const VXpathCache* cache, int fringe)
{
  long cverts = 0;
  for (int i = 0; i < cache->npaths; i++)
  {
    const VXpath* path = &cache->paths[i];
    cverts += (long)path->count + path->bevelCount + 1;
    if (fringe) cverts += ((long)path->count + (long)path->bevelCount * 5 + 1) * 2;
  }
  return cverts;
}

// The interior of a path from dst on, inset by woff (half the fringe) when there is a fringe: a bevelled point
// gives the ends of both its segments, or its miter on a left turn. Returns the end of its vertices.
VXvertex* FillInterior(VXvertex* dst, const VXpath* path, const VXpoint* pts, int fringe, float woff)
{
  if (fringe)
  {
    const VXpoint* p0 = &pts[path->count - 1];
    const VXpoint* p1 = &pts[0];
    for (int j = 0; j < path->count; ++j)
    {
      if (p1->flags & VX_POINT_BEVEL)
      {
        float dlx0 = p0->dy, dly0 = -p0->dx;
        float dlx1 = p1->dy, dly1 = -p1->dx;
        if (p1->flags & VX_POINT_LEFT_TURN)
        {
          float lx = p1->x + p1->dmx * woff;
          float ly = p1->y + p1->dmy * woff;
          dst = SetVertex(dst, lx, ly, 0.5f, 1);
        }
        else
        {
          float lx0 = p1->x + dlx0 * woff;
          float ly0 = p1->y + dly0 * woff;
          float lx1 = p1->x + dlx1 * woff;
          float ly1 = p1->y + dly1 * woff;
          dst = SetVertex(dst, lx0, ly0, 0.5f, 1);
          dst = SetVertex(dst, lx1, ly1, 0.5f, 1);
        }
      }
      else
      {
        dst = SetVertex(dst, p1->x + (p1->dmx * woff), p1->y + (p1->dmy * woff), 0.5f, 1);
      }
      p0 = p1++;
    }
  }
  else
  {
    for (int j = 0; j < path->count; ++j) dst = SetVertex(dst, pts[j].x, pts[j].y, 0.5f, 1);
  }
  return dst;
}

// The fringe strip round a path from dst on: its outline pushed out by lw (texture u lu) and in by rw (u ru), with
// bevels where its joins need them, closed back to its first pair. Returns the end of its vertices.
VXvertex* FringeStrip(VXvertex* dst, const VXpath* path, const VXpoint* pts, float lw, float rw, float lu, float ru)
{
  VXvertex* first = dst;
  const VXpoint* p0 = &pts[path->count - 1];
  const VXpoint* p1 = &pts[0];
  for (int j = 0; j < path->count; ++j)
  {
    if ((p1->flags & (VX_POINT_BEVEL | VX_POINT_INNER_BEVEL)) != 0)
    {
      dst = vxBevelJoin(dst, p0, p1, lw, rw, lu, ru);
    }
    else
    {
      dst = SetVertex(dst, p1->x + (p1->dmx * lw), p1->y + (p1->dmy * lw), lu, 1);
      dst = SetVertex(dst, p1->x - (p1->dmx * rw), p1->y - (p1->dmy * rw), ru, 1);
    }
    p0 = p1++;
  }

  dst = SetVertex(dst, first[0].x, first[0].y, lu, 1);
  dst = SetVertex(dst, first[1].x, first[1].y, ru, 1);
  return dst;
}

int vxExpandFill(VXcontext* ctx, float w, int lineJoin, float miterLimit)
{
  VXpathCache* cache = ctx->cache;
  float aa = ctx->fringeWidth;
  int fringe = w > 0.0f;

  vxComputeJoins(ctx, w, lineJoin, miterLimit);

  VXvertex* verts = ReserveVerts(ctx, FillVertexCount(cache, fringe));
  if (verts == nullptr) return 0;

  int convex = cache->npaths == 1 && cache->paths[0].convex;

  for (int i = 0; i < cache->npaths; i++)
  {
    VXpath* path = &cache->paths[i];
    VXpoint* pts = &cache->points[path->first];
    float woff = 0.5f * aa;

    path->fill = verts;
    path->fillCount = 0;
    path->stroke = nullptr;
    path->strokeCount = 0;
    if (path->count <= 0) continue;

    // The interior, inset by half the fringe when there is one.
    VXvertex* dst = FillInterior(verts, path, pts, fringe, woff);
    path->fillCount = (int)(dst - verts);
    verts = dst;

    // The fringe strip around it.
    if (fringe)
    {
      float lw = w + woff;
      float rw = w - woff;
      float lu = 0;
      float ru = 1;
      path->stroke = verts;

      // A lone convex shape needs only the outer half of the fringe.
      if (convex)
      {
        lw = woff;
        lu = 0.5f;
      }

      dst = FringeStrip(verts, path, pts, lw, rw, lu, ru);
      path->strokeCount = (int)(dst - verts);
      verts = dst;
    }
  }
  return 1;
}

void MultiplyAlpha(VXpaint* paint, float a)
{
  paint->innerColor.a *= a;
  paint->outerColor.a *= a;
}

} // namespace

VXvertex* vxAllocTempVerts(VXcontext* ctx, int nverts)
{
  if (nverts < 0) return nullptr;
  if (nverts > ctx->cache->cverts)
  {
    long cverts = ((long)nverts + 0xff) & ~0xffL;
    void* verts = realloc(ctx->cache->verts, sizeof(VXvertex) * (size_t)cverts);
    if (verts == nullptr) return nullptr;
    ctx->cache->verts = (VXvertex*)verts;
    ctx->cache->cverts = (int)cverts;
  }
  return ctx->cache->verts;
}

// ---- commands ----

void vxAppendCommands(VXcontext* ctx, const float* values, int valueCount)
{
  if (!values || valueCount <= 0) return;
  VXstate* state = vxGetState(ctx);

  // Only whole, known commands are taken.
  for (int i = 0; i < valueCount;)
  {
    int len = CommandLength(values[i]);
    if (len == 0 || i + len > valueCount) return;
    i += len;
  }

  if (ctx->commandCount + valueCount > ctx->commandCapacity)
  {
    long commandCapacity = (long)ctx->commandCount + valueCount + ctx->commandCapacity / 2;
    if (commandCapacity > 0x7fffffffL / (long)sizeof(float)) return;
    void* commands = realloc(ctx->commands, sizeof(float) * (size_t)commandCapacity);
    if (commands == nullptr) return;
    ctx->commands = (float*)commands;
    ctx->commandCapacity = (int)commandCapacity;
  }

  float* out = &ctx->commands[ctx->commandCount];
  int written = 0;
  float lastx = ctx->lastCommandX, lasty = ctx->lastCommandY;
  bool wroteEnd = false;
  for (int i = 0; i < valueCount;)
  {
    int len = CommandLength(values[i]);
    float cmd[7];
    memcpy(cmd, &values[i], sizeof(float) * (size_t)len);
    int code = (int)cmd[0];
    bool ok = true;
    for (int k = 1; k < len; k++) ok = ok && std::isfinite(cmd[k]);
    if (code == VX_MOVE_TO || code == VX_LINE_TO || code == VX_CUBIC_TO)
    {
      float ux = cmd[len - 2], uy = cmd[len - 1];
      for (int k = 1; k + 1 < len; k += 2)
      {
        vxMatrixTransformPoint(&cmd[k], &cmd[k + 1], state->xform, cmd[k], cmd[k + 1]);
        ok = ok && fabsf(cmd[k]) <= kMaxCoordinate && fabsf(cmd[k + 1]) <= kMaxCoordinate;
      }
      if (ok)
      {
        lastx = ux;
        lasty = uy;
        wroteEnd = true;
      }
    }
    // A command with a value that is not a usable number is dropped.
    if (ok)
    {
      memcpy(&out[written], cmd, sizeof(float) * (size_t)len);
      written += len;
    }
    i += len;
  }
  if (wroteEnd)
  {
    ctx->lastCommandX = lastx;
    ctx->lastCommandY = lasty;
  }
  ctx->commandCount += written;
}

void vxBeginPath(VXcontext* ctx)
{
  ctx->commandCount = 0;
  ctx->cache->pointCount = 0;
  ctx->cache->npaths = 0;
}

void vxMoveTo(VXcontext* ctx, float x, float y)
{
  float values[] = {(float)VX_MOVE_TO, x, y};
  vxAppendCommands(ctx, values, 3);
}

void vxLineTo(VXcontext* ctx, float x, float y)
{
  float values[] = {(float)VX_LINE_TO, x, y};
  vxAppendCommands(ctx, values, 3);
}

void vxCubicTo(VXcontext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y)
{
  float values[] = {(float)VX_CUBIC_TO, c1x, c1y, c2x, c2y, x, y};
  vxAppendCommands(ctx, values, 7);
}

void vxQuadTo(VXcontext* ctx, float cx, float cy, float x, float y)
{
  float x0 = ctx->lastCommandX;
  float y0 = ctx->lastCommandY;
  float values[] = {(float)VX_CUBIC_TO,
                  x0 + 2.0f / 3.0f * (cx - x0),
                  y0 + 2.0f / 3.0f * (cy - y0),
                  x + 2.0f / 3.0f * (cx - x),
                  y + 2.0f / 3.0f * (cy - y),
                  x,
                  y};
  vxAppendCommands(ctx, values, 7);
}

void vxArcTo(VXcontext* ctx, float x1, float y1, float x2, float y2, float radius)
{
  if (ctx->commandCount == 0) return;
  float x0 = ctx->lastCommandX;
  float y0 = ctx->lastCommandY;

  // Degenerate corners become a straight line to the corner.
  if (PointsEqual(x0, y0, x1, y1, ctx->distanceTolerance) || PointsEqual(x1, y1, x2, y2, ctx->distanceTolerance) ||
      DistanceToSegment(x1, y1, x0, y0, x2, y2) < ctx->distanceTolerance * ctx->distanceTolerance || radius < ctx->distanceTolerance)
  {
    vxLineTo(ctx, x1, y1);
    return;
  }

  float dx0 = x0 - x1, dy0 = y0 - y1;
  float dx1 = x2 - x1, dy1 = y2 - y1;
  Normalize(&dx0, &dy0);
  Normalize(&dx1, &dy1);
  float dot = dx0 * dx1 + dy0 * dy1;
  if (dot > 1.0f) dot = 1.0f;
  if (dot < -1.0f) dot = -1.0f;
  float a = acosf(dot);
  float d = radius / tanf(a / 2.0f);

  if (!(d <= 10000.0f))
  {
    vxLineTo(ctx, x1, y1);
    return;
  }

  float cx, cy, a0, a1;
  int dir;
  if (Cross(dx0, dy0, dx1, dy1) > 0.0f)
  {
    cx = x1 + dx0 * d + dy0 * radius;
    cy = y1 + dy0 * d + -dx0 * radius;
    a0 = atan2f(dx0, -dy0);
    a1 = atan2f(-dx1, dy1);
    dir = VX_CLOCKWISE;
  }
  else
  {
    cx = x1 + dx0 * d + -dy0 * radius;
    cy = y1 + dy0 * d + dx0 * radius;
    a0 = atan2f(-dx0, dy0);
    a1 = atan2f(dx1, -dy1);
    dir = VX_COUNTER_CLOCKWISE;
  }
  vxArc(ctx, cx, cy, radius, a0, a1, dir);
}

void vxArc(VXcontext* ctx, float cx, float cy, float r, float a0, float a1, int dir)
{
  float da = a1 - a0;
  if (!std::isfinite(da) || !std::isfinite(a0)) return;
  if (dir == VX_CLOCKWISE)
  {
    if (fabsf(da) >= kPi * 2)
      da = kPi * 2;
    else
      while (da < 0.0f) da += kPi * 2;
  }
  else
  {
    if (fabsf(da) >= kPi * 2)
      da = -kPi * 2;
    else
      while (da > 0.0f) da -= kPi * 2;
  }

  // At most five cubic segments, one per quarter turn.
  int ndivs = Max(1, Min((int)(fabsf(da) / (kPi * 0.5f) + 0.5f), 5));
  float hda = (da / (float)ndivs) / 2.0f;
  float kappa = fabsf(4.0f / 3.0f * (1.0f - cosf(hda)) / sinf(hda));
  if (dir == VX_COUNTER_CLOCKWISE) kappa = -kappa;

  int move = ctx->commandCount > 0 ? VX_LINE_TO : VX_MOVE_TO;
  float values[3 + 5 * 7];
  int valueCount = 0;
  float px = 0, py = 0, ptanx = 0, ptany = 0;
  for (int i = 0; i <= ndivs; i++)
  {
    float a = a0 + da * (i / (float)ndivs);
    float dx = cosf(a);
    float dy = sinf(a);
    float x = cx + dx * r;
    float y = cy + dy * r;
    float tanx = -dy * r * kappa;
    float tany = dx * r * kappa;
    if (i == 0)
    {
      values[valueCount++] = (float)move;
      values[valueCount++] = x;
      values[valueCount++] = y;
    }
    else
    {
      values[valueCount++] = (float)VX_CUBIC_TO;
      values[valueCount++] = px + ptanx;
      values[valueCount++] = py + ptany;
      values[valueCount++] = x - tanx;
      values[valueCount++] = y - tany;
      values[valueCount++] = x;
      values[valueCount++] = y;
    }
    px = x;
    py = y;
    ptanx = tanx;
    ptany = tany;
  }
  vxAppendCommands(ctx, values, valueCount);
}

void vxRectPath(VXcontext* ctx, float x, float y, float w, float h)
{
  float values[] = {(float)VX_MOVE_TO, x,     y,     (float)VX_LINE_TO, x,     y + h, (float)VX_LINE_TO, x + w, y + h,
                  (float)VX_LINE_TO, x + w, y,     (float)VX_CLOSE};
  vxAppendCommands(ctx, values, sizeof(values) / sizeof(values[0]));
}

void vxRoundedRectPath(VXcontext* ctx, float x, float y, float w, float h, float r)
{
  vxRoundedRectVaryingPath(ctx, x, y, w, h, r, r, r, r);
}

void vxRoundedRectVaryingPath(VXcontext* ctx, float x, float y, float w, float h, float radTopLeft,
                              float radTopRight, float radBottomRight, float radBottomLeft)
{
  if (radTopLeft < 0.1f && radTopRight < 0.1f && radBottomRight < 0.1f && radBottomLeft < 0.1f)
  {
    vxRectPath(ctx, x, y, w, h);
    return;
  }
  float halfw = fabsf(w) * 0.5f;
  float halfh = fabsf(h) * 0.5f;
  float rxBL = Min(radBottomLeft, halfw) * Sign(w), ryBL = Min(radBottomLeft, halfh) * Sign(h);
  float rxBR = Min(radBottomRight, halfw) * Sign(w), ryBR = Min(radBottomRight, halfh) * Sign(h);
  float rxTR = Min(radTopRight, halfw) * Sign(w), ryTR = Min(radTopRight, halfh) * Sign(h);
  float rxTL = Min(radTopLeft, halfw) * Sign(w), ryTL = Min(radTopLeft, halfh) * Sign(h);
  const float k = 1.0f - kKappa90;
  float values[] = {
    (float)VX_MOVE_TO, x, y + ryTL,
    (float)VX_LINE_TO, x, y + h - ryBL,
    (float)VX_CUBIC_TO, x, y + h - ryBL * k, x + rxBL * k, y + h, x + rxBL, y + h,
    (float)VX_LINE_TO, x + w - rxBR, y + h,
    (float)VX_CUBIC_TO, x + w - rxBR * k, y + h, x + w, y + h - ryBR * k, x + w, y + h - ryBR,
    (float)VX_LINE_TO, x + w, y + ryTR,
    (float)VX_CUBIC_TO, x + w, y + ryTR * k, x + w - rxTR * k, y, x + w - rxTR, y,
    (float)VX_LINE_TO, x + rxTL, y,
    (float)VX_CUBIC_TO, x + rxTL * k, y, x, y + ryTL * k, x, y + ryTL,
    (float)VX_CLOSE};
  vxAppendCommands(ctx, values, sizeof(values) / sizeof(values[0]));
}

void vxEllipsePath(VXcontext* ctx, float cx, float cy, float rx, float ry)
{
  const float K = kKappa90;
  float values[] = {(float)VX_MOVE_TO, cx - rx, cy,
                  (float)VX_CUBIC_TO, cx - rx, cy + ry * K, cx - rx * K, cy + ry, cx, cy + ry,
                  (float)VX_CUBIC_TO, cx + rx * K, cy + ry, cx + rx, cy + ry * K, cx + rx, cy,
                  (float)VX_CUBIC_TO, cx + rx, cy - ry * K, cx + rx * K, cy - ry, cx, cy - ry,
                  (float)VX_CUBIC_TO, cx - rx * K, cy - ry, cx - rx, cy - ry * K, cx - rx, cy,
                  (float)VX_CLOSE};
  vxAppendCommands(ctx, values, sizeof(values) / sizeof(values[0]));
}

void vxCirclePath(VXcontext* ctx, float cx, float cy, float r) { vxEllipsePath(ctx, cx, cy, r, r); }

void vxClosePath(VXcontext* ctx)
{
  float values[] = {(float)VX_CLOSE};
  vxAppendCommands(ctx, values, 1);
}

void vxSetPathWinding(VXcontext* ctx, int dir)
{
  float values[] = {(float)VX_WINDING, (float)dir};
  vxAppendCommands(ctx, values, 2);
}

// ---- rendering ----

void vxFillPath(VXcontext* ctx)
{
  VXstate* state = vxGetState(ctx);
  VXpaint fillPaint = state->fill;

  vxFlattenPaths(ctx);
  float fringe = (ctx->params.edgeAntiAlias && state->shapeAntiAlias) ? ctx->fringeWidth : 0.0f;
  if (!vxExpandFill(ctx, fringe, VX_MITER, kFillMiterLimit)) return;

  MultiplyAlpha(&fillPaint, state->alpha);
  if (ctx->params.renderFill)
    ctx->params.renderFill(ctx->params.userPtr, &fillPaint, state->compositeOperation, &state->scissor,
                           ctx->fringeWidth, ctx->cache->bounds, ctx->cache->paths, ctx->cache->npaths);

  for (int i = 0; i < ctx->cache->npaths; i++)
  {
    const VXpath* path = &ctx->cache->paths[i];
    ctx->fillTriangleCount += path->fillCount - 2;
    ctx->fillTriangleCount += path->strokeCount - 2;
    ctx->drawCallCount += 2;
  }
}

void vxStrokePath(VXcontext* ctx)
{
  VXstate* state = vxGetState(ctx);
  float scale = vxGetAverageScale(state->xform);
  float strokeWidth = ClampNaN(state->strokeWidth * scale, 0.0f, kMaxStrokeWidth);
  VXpaint strokePaint = state->stroke;

  if (strokeWidth < ctx->fringeWidth)
  {
    // A stroke thinner than a pixel is drawn a pixel wide and fainter.
    float alpha = ClampNaN(strokeWidth / ctx->fringeWidth, 0.0f, 1.0f);
    MultiplyAlpha(&strokePaint, alpha * alpha);
    strokeWidth = ctx->fringeWidth;
  }
  MultiplyAlpha(&strokePaint, state->alpha);

  vxFlattenPaths(ctx);
  float fringe = (ctx->params.edgeAntiAlias && state->shapeAntiAlias) ? ctx->fringeWidth : 0.0f;
  if (!vxExpandStroke(ctx, strokeWidth * 0.5f, fringe, state->lineCap, state->lineJoin, state->miterLimit)) return;

  if (ctx->params.renderStroke)
    ctx->params.renderStroke(ctx->params.userPtr, &strokePaint, state->compositeOperation, &state->scissor,
                             ctx->fringeWidth, strokeWidth, ctx->cache->paths, ctx->cache->npaths);

  for (int i = 0; i < ctx->cache->npaths; i++)
  {
    const VXpath* path = &ctx->cache->paths[i];
    ctx->strokeTriangleCount += path->strokeCount - 2;
    ctx->drawCallCount++;
  }
}

void vxDumpPathCache(VXcontext* ctx)
{
  printf("Dumping %d cached paths\n", ctx->cache->npaths);
  for (int i = 0; i < ctx->cache->npaths; i++)
  {
    const VXpath* path = &ctx->cache->paths[i];
    printf(" - Path %d\n", i);
    if (path->fillCount)
    {
      printf("   - fill: %d\n", path->fillCount);
      for (int j = 0; j < path->fillCount; j++) printf("%f\t%f\n", path->fill[j].x, path->fill[j].y);
    }
    if (path->strokeCount)
    {
      printf("   - stroke: %d\n", path->strokeCount);
      for (int j = 0; j < path->strokeCount; j++) printf("%f\t%f\n", path->stroke[j].x, path->stroke[j].y);
    }
  }
}
