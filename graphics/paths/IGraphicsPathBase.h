// Path-based drawing: every shape, bitmap placement and SVG image of the graphics context becomes a short sequence
// of path primitives that a vector back end supplies. Keeps the current transform with its save stack and sets the
// context's region clip for each region drawn. Still abstract: the back end gives the primitives, bitmap drawing,
// text, the clip and the transform. Everything here runs on the thread that draws the editor (the main thread).
#pragma once

#include <vector>

#include "graphics/context/IGraphics.h"

struct SvgPaint;
struct SvgShape;

namespace plug {
namespace igraphics {

class IGraphicsPathBase : public IGraphics
{
public:
  using IGraphics::IGraphics;

  // ---- drawing operations as paths ----
  void DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* blend = nullptr) override;
  void DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width, float height,
                      double angle, const IBlend* blend = nullptr) override;
  void DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* blend = nullptr) override;
  void DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                         const IBlend* blend = nullptr) override;
  void DrawPoint(const IColor& color, float x, float y, const IBlend* blend = nullptr) override;
  void DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                float thickness = 1.f) override;
  void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                      float thickness = 1.f, float dashLen = 2.f) override;
  void DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                    const IBlend* blend = nullptr, float thickness = 1.f) override;
  void DrawRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr,
                float thickness = 1.f) override;
  void DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                     const IBlend* blend = nullptr, float thickness = 1.f) override;
  void DrawRoundRect(const IColor& color, const IRECT& bounds, float radiusTopLeft, float radiusTopRight, float radiusBottomLeft, float radiusBottomRight,
                     const IBlend* blend = nullptr, float thickness = 1.f) override;
  void DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* blend = nullptr,
               float thickness = 1.f) override;
  void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr,
                  float thickness = 1.f) override;
  void DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr,
                   float thickness = 1.f) override;
  void DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.f,
                   const IBlend* blend = nullptr, float thickness = 1.f) override;
  void DrawConvexPolygon(const IColor& color, float* x, float* y, int nPoints, const IBlend* blend = nullptr,
                         float thickness = 1.f) override;
  void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr, float thickness = 1.f,
                      float dashLen = 2.f) override;
  void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                    const IBlend* blend = nullptr) override;
  void FillRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr) override;
  void FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                     const IBlend* blend = nullptr) override;
  void FillRoundRect(const IColor& color, const IRECT& bounds, float radiusTopLeft, float radiusTopRight, float radiusBottomLeft, float radiusBottomRight,
                     const IBlend* blend = nullptr) override;
  void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr) override;
  void FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr) override;
  void FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.f,
                   const IBlend* blend = nullptr) override;
  void FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
               const IBlend* blend = nullptr) override;
  void FillConvexPolygon(const IColor& color, float* x, float* y, int nPoints,
                         const IBlend* blend = nullptr) override;
  void DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                const IBlend* blend = nullptr, float thickness = 1.f) override;
  void DrawData(const IColor& color, const IRECT& bounds, float* normYPoints, int nPoints,
                float* normXPoints = nullptr, const IBlend* blend = nullptr, float thickness = 1.f) override;
  bool SupportsPaths() const override { return true; }

  // ---- shapes as sub-paths ----
  void PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3) override;
  void PathRect(const IRECT& bounds) override;
  /// Radii in the order top-left, top-right, bottom-right, bottom-left; all <= 0 gives the plain rectangle.
  void PathRoundRect(const IRECT& bounds, float radiusTopLeft, float radiusTopRight, float radiusBottomLeft, float radiusBottomRight) override;
  void PathRoundRect(const IRECT& bounds, float cornerRadius = 0.f) override;
  /// Starts at the top of the circle.
  void PathCircle(float cx, float cy, float r) override;
  void PathEllipse(const IRECT& bounds) override;
  /// Nothing for a radius <= 0.
  void PathEllipse(float x, float y, float r1, float r2, float angle = 0.f) override;
  /// Nothing without a point.
  void PathConvexPolygon(float* x, float* y, int nPoints) override;

  // ---- transform (operations compose in the local coordinates of the current transform) ----
  void PathTransformSave() override;
  /// Nothing on an empty stack.
  void PathTransformRestore() override;
  void PathTransformReset(bool clearStates = false) override;
  void PathTransformTranslate(float x, float y) override;
  void PathTransformScale(float x, float y) override;
  void PathTransformScale(float scale) override { PathTransformScale(scale, scale); }
  /// Degrees; 90 turns the local x axis onto the screen's downward direction.
  void PathTransformRotate(float angle) override;
  void PathTransformSkew(float xAngle, float yAngle) override;
  void PathTransformMatrix(const IMatrix& matrix) override;

  // ---- clip ----
  /// Clips to r within the region being drawn (the top layer while one is pushed); an empty r clips to the
  /// region itself, an r outside it to nothing.
  void PathClipRegion(const IRECT& r = IRECT()) override;
  void PrepareRegion(const IRECT& clip) override;
  float GetBackingPixelScale() const override { return static_cast<float>(mScreenScale) * mDrawScale; }

  const IMatrix& GetTransform() const { return mTransform; }
  int TransformStackDepth() const { return static_cast<int>(mTransformStack.size()); }

protected:
  /// The back end's clip becomes r, in the coordinates of the transform set at the call.
  virtual void SetClipRegion(const IRECT& r) = 0;
  /// The back end's path transform becomes m; points are transformed as they are appended.
  virtual void SetPathTransform(const IMatrix& m) = 0;

  /// The SVG image's shapes, filled then stroked, each sub-path solid or a hole by how often a ray from it
  /// crosses the shape's other sub-paths.
  void RenderSVGShapes(const ISVG& svg, const IBlend* blend);
  /// The pattern of an SVG paint at the shape's opacity; a gradient without stops gives no pattern (false).
  static bool SVGPaintToPattern(const SvgPaint& paint, float opacity, IPaintPattern& pattern);

  IMatrix mTransform;
  std::vector<IMatrix> mTransformStack;

private:
  void Stroke(const IColor& color, float thickness, const IBlend* blend);
  void Fill(const IColor& color, const IBlend* blend);
  void RenderSVGShape(const SvgShape& shape, const IBlend* blend);
  /// Multiplies the current transform by t on the right and hands it to the back end.
  void ComposeTransform(const IMatrix& t);
};

} // namespace igraphics
} // namespace plug
