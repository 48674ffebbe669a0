#include "graphics/paths/IGraphicsPathBase.h"

#include <algorithm>
#include <cmath>

#include "graphics/backend/svg/svg_image.h"

namespace plug {
namespace igraphics {

namespace {

constexpr float kPi = 3.14159265358979f;
/// A grid spacing must exceed this many points for its lines to be drawn.
constexpr float kMinGridSpacing = 1.f;

float Radians(float degrees) { return degrees / 180.f * kPi; }

bool IsFinite(const IRECT& r)
{
  return std::isfinite(r.mLeft) && std::isfinite(r.mTop) && std::isfinite(r.mRight) && std::isfinite(r.mBottom);
}

IStrokeStyle DashOf(float dashLen)
{
  IStrokeStyle options;
  // A dash that is no positive length would never end: the line is drawn solid.
  if (std::isfinite(dashLen) && dashLen > 0.f)
  {
    options.mDashArray[0] = dashLen;
    options.mDashCount = 1;
  }
  return options;
}

} // namespace

// ---- the stroke and fill family ----

void IGraphicsPathBase::Stroke(const IColor& color, float thickness, const IBlend* blend)
{
  PathStroke(IPaintPattern(color), thickness, IStrokeStyle(), blend);
}

void IGraphicsPathBase::Fill(const IColor& color, const IBlend* blend)
{
  PathFill(IPaintPattern(color), IFillStyle(), blend);
}

void IGraphicsPathBase::DrawPoint(const IColor& color, float x, float y, const IBlend* blend)
{
  FillRect(color, IRECT(x, y, x + 1.f, y + 1.f), blend);
}

void IGraphicsPathBase::DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                                 float thickness)
{
  PathClear();
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2,
                                       const IBlend* blend, float thickness, float dashLen)
{
  PathClear();
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathStroke(IPaintPattern(color), thickness, DashOf(dashLen), blend);
}

void IGraphicsPathBase::DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3,
                                     float y3, const IBlend* blend, float thickness)
{
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness)
{
  PathClear();
  PathRect(bounds);
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius,
                                      const IBlend* blend, float thickness)
{
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawRoundRect(const IColor& color, const IRECT& bounds, float radiusTopLeft, float radiusTopRight, float radiusBottomLeft,
                                      float radiusBottomRight, const IBlend* blend, float thickness)
{
  PathClear();
  PathRoundRect(bounds, radiusTopLeft, radiusTopRight, radiusBottomLeft, radiusBottomRight);
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                                const IBlend* blend, float thickness)
{
  PathClear();
  PathArc(cx, cy, r, a1, a2);
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend,
                                   float thickness)
{
  PathClear();
  PathCircle(cx, cy, r);
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness)
{
  PathClear();
  PathEllipse(bounds);
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                                    const IBlend* blend, float thickness)
{
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawConvexPolygon(const IColor& color, float* x, float* y, int nPoints, const IBlend* blend,
                                          float thickness)
{
  if (!x || !y || nPoints < 1)
    return;
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend,
                                       float thickness, float dashLen)
{
  PathClear();
  PathRect(bounds);
  PathStroke(IPaintPattern(color), thickness, DashOf(dashLen), blend);
}

void IGraphicsPathBase::FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                                     const IBlend* blend)
{
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  Fill(color, blend);
}

void IGraphicsPathBase::FillRect(const IColor& color, const IRECT& bounds, const IBlend* blend)
{
  PathClear();
  PathRect(bounds);
  Fill(color, blend);
}

void IGraphicsPathBase::FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius,
                                      const IBlend* blend)
{
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  Fill(color, blend);
}

void IGraphicsPathBase::FillRoundRect(const IColor& color, const IRECT& bounds, float radiusTopLeft, float radiusTopRight, float radiusBottomLeft,
                                      float radiusBottomRight, const IBlend* blend)
{
  PathClear();
  PathRoundRect(bounds, radiusTopLeft, radiusTopRight, radiusBottomLeft, radiusBottomRight);
  Fill(color, blend);
}

void IGraphicsPathBase::FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend)
{
  PathClear();
  PathCircle(cx, cy, r);
  Fill(color, blend);
}

void IGraphicsPathBase::FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend)
{
  PathClear();
  PathEllipse(bounds);
  Fill(color, blend);
}

void IGraphicsPathBase::FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                                    const IBlend* blend)
{
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  Fill(color, blend);
}

void IGraphicsPathBase::FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                                const IBlend* blend)
{
  PathClear();
  PathMoveTo(cx, cy);
  PathArc(cx, cy, r, a1, a2);
  PathClose();
  Fill(color, blend);
}

void IGraphicsPathBase::FillConvexPolygon(const IColor& color, float* x, float* y, int nPoints, const IBlend* blend)
{
  if (!x || !y || nPoints < 1)
    return;
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  Fill(color, blend);
}

void IGraphicsPathBase::DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                                 const IBlend* blend, float thickness)
{
  PathClear();
  if (gridSizeH > kMinGridSpacing)
    for (float x = bounds.mLeft + gridSizeH; x < bounds.mRight; x += gridSizeH)
    {
      PathMoveTo(x, bounds.mTop);
      PathLineTo(x, bounds.mBottom);
    }
  if (gridSizeV > kMinGridSpacing)
    for (float y = bounds.mTop + gridSizeV; y < bounds.mBottom; y += gridSizeV)
    {
      PathMoveTo(bounds.mLeft, y);
      PathLineTo(bounds.mRight, y);
    }
  Stroke(color, thickness, blend);
}

void IGraphicsPathBase::DrawData(const IColor& color, const IRECT& bounds, float* normYPoints, int nPoints,
                                 float* normXPoints, const IBlend* blend, float thickness)
{
  if (!normYPoints || nPoints < 1)
    return;
  const float w = bounds.W(), h = bounds.H();
  PathClear();
  PathMoveTo(bounds.mLeft, bounds.mBottom - h * normYPoints[0]);
  for (int i = 1; i < nPoints; ++i)
  {
    const float x = normXPoints ? bounds.mLeft + w * normXPoints[i]
                                : bounds.mLeft + float(i) * w / float(nPoints - 1);
    PathLineTo(x, bounds.mBottom - h * normYPoints[i]);
  }
  Stroke(color, thickness, blend);
}

// ---- shapes ----

void IGraphicsPathBase::PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3)
{
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathLineTo(x3, y3);
  PathClose();
}

void IGraphicsPathBase::PathRect(const IRECT& bounds)
{
  PathMoveTo(bounds.mLeft, bounds.mTop);
  PathLineTo(bounds.mRight, bounds.mTop);
  PathLineTo(bounds.mRight, bounds.mBottom);
  PathLineTo(bounds.mLeft, bounds.mBottom);
  PathClose();
}

void IGraphicsPathBase::PathRoundRect(const IRECT& bounds, float radiusTopLeft, float radiusTopRight, float radiusBottomLeft, float radiusBottomRight)
{
  if (!(radiusTopLeft > 0.f) && !(radiusTopRight > 0.f) && !(radiusBottomRight > 0.f) && !(radiusBottomLeft > 0.f))
  {
    PathRect(bounds);
    return;
  }
  // A corner without a positive radius stays sharp.
  const float tl = std::max(radiusTopLeft, 0.f), tr = std::max(radiusTopRight, 0.f), br = std::max(radiusBottomRight, 0.f),
              bl = std::max(radiusBottomLeft, 0.f);
  const IRECT& r = bounds;
  PathMoveTo(r.mLeft, r.mTop + tl);
  PathArc(r.mLeft + tl, r.mTop + tl, tl, 270.f, 360.f);
  PathArc(r.mRight - tr, r.mTop + tr, tr, 0.f, 90.f);
  PathArc(r.mRight - br, r.mBottom - br, br, 90.f, 180.f);
  PathArc(r.mLeft + bl, r.mBottom - bl, bl, 180.f, 270.f);
  PathClose();
}

void IGraphicsPathBase::PathRoundRect(const IRECT& bounds, float cornerRadius)
{
  PathRoundRect(bounds, cornerRadius, cornerRadius, cornerRadius, cornerRadius);
}

void IGraphicsPathBase::PathCircle(float cx, float cy, float r)
{
  PathMoveTo(cx, cy - r);
  PathArc(cx, cy, r, 0.f, 360.f);
  PathClose();
}

void IGraphicsPathBase::PathEllipse(const IRECT& bounds)
{
  PathEllipse(bounds.CentreX(), bounds.CentreY(), bounds.W() / 2.f, bounds.H() / 2.f);
}

void IGraphicsPathBase::PathEllipse(float x, float y, float r1, float r2, float angle)
{
  if (!(r1 > 0.f) || !(r2 > 0.f))
    return;
  PathTransformSave();
  PathTransformTranslate(x, y);
  PathTransformRotate(angle);
  PathTransformScale(r1, r2);
  PathCircle(0.f, 0.f, 1.f);
  PathTransformRestore();
}

void IGraphicsPathBase::PathConvexPolygon(float* x, float* y, int nPoints)
{
  if (!x || !y || nPoints < 1)
    return;
  PathMoveTo(x[0], y[0]);
  for (int i = 1; i < nPoints; ++i)
    PathLineTo(x[i], y[i]);
  PathClose();
}

// ---- bitmaps ----

void IGraphicsPathBase::DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* blend)
{
  if (!bitmap.IsValid() || bitmap.W() <= 0 || bitmap.H() <= 0)
    return;
  PathTransformSave();
  PathTransformTranslate(bounds.mLeft, bounds.mTop);
  PathTransformScale(bounds.W() / float(bitmap.W()), bounds.H() / float(bitmap.H()));
  DrawBitmap(bitmap, IRECT(0.f, 0.f, float(bitmap.W()), float(bitmap.H())), 0, 0, blend);
  PathTransformRestore();
}

void IGraphicsPathBase::DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                          const IBlend* blend)
{
  const float drawScale = bitmap.GetDrawScale();
  if (!bitmap.IsValid() || bitmap.W() <= 0 || bitmap.H() <= 0 || !(drawScale > 0.f))
    return;
  const float w = float(bitmap.W()) / drawScale, h = float(bitmap.H()) / drawScale;
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(float(angle));
  DrawBitmap(bitmap, IRECT(-w / 2.f, -h / 2.f, w / 2.f, h / 2.f), 0, 0, blend);
  PathTransformRestore();
}

// ---- SVG images ----

void IGraphicsPathBase::DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* blend)
{
  const SvgImage* image = svg.mImage;
  if (!image || !(image->width > 0.f) || !(image->height > 0.f) || !IsFinite(bounds))
    return;
  const float scale = std::min(bounds.W() / image->width, bounds.H() / image->height);
  if (!(scale > 0.f) || !std::isfinite(scale))
    return;
  PathTransformSave();
  PathTransformTranslate(bounds.mLeft, bounds.mTop);
  PathTransformScale(scale);
  RenderSVGShapes(svg, blend);
  PathTransformRestore();
}

void IGraphicsPathBase::DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width,
                                       float height, double angle, const IBlend* blend)
{
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(float(angle));
  DrawSVG(svg, IRECT(-width / 2.f, -height / 2.f, width / 2.f, height / 2.f), blend);
  PathTransformRestore();
}

namespace {

/// How often the ray from p0 towards (dx, dy) crosses the polygon of a path's segment end points.
int RayCrossings(float p0x, float p0y, float dx, float dy, const SvgPath& path)
{
  int count = 0;
  // Edges join the end points 0, 3, 6, ... in turn; the last one closes back to point 0.
  for (int k = 0; 3 * k < path.npts; ++k)
  {
    const float* a = path.pts + 6 * k;
    const float* b = 3 * k + 3 < path.npts ? path.pts + 6 * (k + 1) : path.pts;
    const double ex = double(b[0]) - a[0], ey = double(b[1]) - a[1];
    const double wx = double(a[0]) - p0x, wy = double(a[1]) - p0y;
    const double den = dx * ey - dy * ex;
    if (std::fabs(den) < 1e-8)
      continue;
    const double t = (wx * ey - wy * ex) / den;
    const double s = (wx * dy - wy * dx) / den;
    if (t >= 0.0 && s >= 0.0 && s < 1.0)
      ++count;
  }
  return count;
}

/// A sub-path is a hole when a ray from its first point crosses the shape's other sub-paths an odd number of
/// times. The ray points away from the path, towards the corner beyond its bounding box's top left.
bool IsHole(const SvgShape& shape, const SvgPath& path)
{
  const float p0x = path.pts[0], p0y = path.pts[1];
  const float dx = (path.bounds[0] - 1.f) - p0x, dy = (path.bounds[1] - 1.f) - p0y;
  int crossings = 0;
  for (const SvgPath* other = shape.paths; other; other = other->next)
    if (other != &path && other->npts >= 4)
      crossings += RayCrossings(p0x, p0y, dx, dy, *other);
  return (crossings & 1) != 0;
}

IColor UnpackSvgColor(uint32_t packed, int alpha)
{
  return IColor(alpha, int(packed & 0xFF), int((packed >> 8) & 0xFF), int((packed >> 16) & 0xFF));
}

} // namespace

bool IGraphicsPathBase::SVGPaintToPattern(const SvgPaint& paint, float opacity, IPaintPattern& pattern)
{
  const int alpha = int(std::clamp(std::round(opacity * 255.f), 0.f, 255.f));
  pattern = IPaintPattern();
  if (paint.type == kSvgPaintColor)
  {
    pattern.mStops[0].mColor = UnpackSvgColor(paint.color, alpha);
    return true;
  }
  if (paint.type != kSvgPaintLinearGradient && paint.type != kSvgPaintRadialGradient)
  {
    pattern.mStops[0].mColor = IColor(alpha, 0, 0, 0);
    return true;
  }
  const SvgGradient* gradient = paint.gradient;
  if (!gradient || gradient->nstops < 1)
    return false; // a gradient without stops has no colour to paint with
  pattern.mType = paint.type == kSvgPaintLinearGradient ? kLinearPattern : kRadialPattern;
  pattern.mExtend = gradient->spread <= kSvgSpreadRepeat ? gradient->spread + 1 : kExtendPad;
  pattern.mNStops = std::min<int>(gradient->nstops, IPaintPattern::kMaxStops);
  for (int i = 0; i < pattern.mNStops; ++i)
  {
    pattern.mStops[i].mColor = UnpackSvgColor(gradient->stops[i].color, 255);
    pattern.mStops[i].mOffset = gradient->stops[i].offset;
  }
  const float* m = gradient->xform;
  pattern.mTransform = IMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
  return true;
}

void IGraphicsPathBase::RenderSVGShape(const SvgShape& shape, const IBlend* blend)
{
  PathClear();
  for (const SvgPath* path = shape.paths; path; path = path->next)
  {
    if (path->npts < 1)
      continue;
    PathMoveTo(path->pts[0], path->pts[1]);
    for (int i = 1; i + 2 < path->npts; i += 3)
    {
      const float* p = path->pts + 2 * i;
      PathCubicBezierTo(p[0], p[1], p[2], p[3], p[4], p[5]);
    }
    if (path->closed)
      PathClose();
    PathSetWinding(IsHole(shape, *path));
  }

  IPaintPattern fill, stroke;
  const bool fills = shape.fill.type != kSvgPaintNone && SVGPaintToPattern(shape.fill, shape.opacity, fill);
  const bool strokes = shape.stroke.type != kSvgPaintNone && SVGPaintToPattern(shape.stroke, shape.opacity, stroke);
  if (fills)
  {
    IFillStyle options;
    options.mFillRule = kFillKeepWindings;
    options.mPreserve = strokes; // the stroke follows the same path
    PathFill(fill, options, blend);
  }
  if (strokes)
  {
    IStrokeStyle options;
    options.mMiterLimit = shape.miterLimit;
    options.mLineCap = shape.strokeLineCap <= kSvgCapSquare ? int(shape.strokeLineCap) : int(kCapButt);
    options.mLineJoin = shape.strokeLineJoin <= kSvgJoinBevel ? int(shape.strokeLineJoin) : int(kJoinMiter);
    options.mDashOffset = shape.strokeDashOffset;
    options.mDashCount = std::clamp<int>(shape.strokeDashCount, 0, IStrokeStyle::kMaxDashes);
    std::copy(shape.strokeDashArray, shape.strokeDashArray + options.mDashCount, options.mDashArray);
    PathStroke(stroke, shape.strokeWidth, options, blend);
  }
}

void IGraphicsPathBase::RenderSVGShapes(const ISVG& svg, const IBlend* blend)
{
  for (const SvgShape* shape = svg.mImage ? svg.mImage->shapes : nullptr; shape; shape = shape->next)
    if (shape->flags & kSvgShapeVisible)
      RenderSVGShape(*shape, blend);
}

// ---- transform ----

void IGraphicsPathBase::ComposeTransform(const IMatrix& t)
{
  const IMatrix m = mTransform;
  mTransform = IMatrix(m.mXX * t.mXX + m.mXY * t.mYX, m.mYX * t.mXX + m.mYY * t.mYX,
                       m.mXX * t.mXY + m.mXY * t.mYY, m.mYX * t.mXY + m.mYY * t.mYY,
                       m.mXX * t.mTX + m.mXY * t.mTY + m.mTX, m.mYX * t.mTX + m.mYY * t.mTY + m.mTY);
  SetPathTransform(mTransform);
}

void IGraphicsPathBase::PathTransformSave() { mTransformStack.push_back(mTransform); }

void IGraphicsPathBase::PathTransformRestore()
{
  if (mTransformStack.empty())
    return;
  mTransform = mTransformStack.back();
  mTransformStack.pop_back();
  SetPathTransform(mTransform);
}

void IGraphicsPathBase::PathTransformReset(bool clearStates)
{
  if (clearStates)
    std::vector<IMatrix>().swap(mTransformStack);
  mTransform = IMatrix();
  SetPathTransform(mTransform);
}

void IGraphicsPathBase::PathTransformTranslate(float x, float y) { ComposeTransform(IMatrix(1, 0, 0, 1, x, y)); }

void IGraphicsPathBase::PathTransformScale(float x, float y) { ComposeTransform(IMatrix(x, 0, 0, y, 0, 0)); }

void IGraphicsPathBase::PathTransformRotate(float angle)
{
  const float r = Radians(angle);
  const double c = std::cos(double(r)), s = std::sin(double(r));
  ComposeTransform(IMatrix(c, s, -s, c, 0, 0));
}

void IGraphicsPathBase::PathTransformSkew(float xAngle, float yAngle)
{
  const double a = std::tan(Radians(xAngle)), b = std::tan(Radians(yAngle));
  ComposeTransform(IMatrix(1, b, a, 1, 0, 0));
}

void IGraphicsPathBase::PathTransformMatrix(const IMatrix& matrix) { ComposeTransform(matrix); }

// ---- clip ----

void IGraphicsPathBase::PathClipRegion(const IRECT& r)
{
  const IRECT region = mLayers.empty() ? GetClipRegion() : mLayers.top()->Bounds();
  IRECT clip = region;
  if (!r.Empty())
  {
    const bool overlap = !region.Empty() && r.mRight >= region.mLeft && region.mRight > r.mLeft &&
                         r.mBottom >= region.mTop && region.mBottom > r.mTop;
    clip = overlap ? IRECT(std::max(r.mLeft, region.mLeft), std::max(r.mTop, region.mTop),
                           std::min(r.mRight, region.mRight), std::min(r.mBottom, region.mBottom))
                   : IRECT();
  }
  SetPathTransform(IMatrix());
  SetClipRegion(clip);
  SetPathTransform(mTransform);
}

void IGraphicsPathBase::PrepareRegion(const IRECT& clip)
{
  PathTransformReset(true);
  PathClear();
  SetClipRegion(clip);
  StoreClipRegion(clip);
}

} // namespace igraphics
} // namespace plug
