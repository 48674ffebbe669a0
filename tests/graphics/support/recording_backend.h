// A drawing back end for tests: every drawing call is appended to an ordered log with the clip that was in force,
// so a test reads what was drawn, where, in which order and clipped to what. Text is measured as a box of
// 0.5 x size per byte by size; images are plain records of their size and scale.
#pragma once

#include <string>
#include <vector>

#include "graphics/context/IGraphics.h"

namespace graphicstest {

using namespace plug::igraphics;

/// One drawing call.
struct DrawOp
{
  std::string mName;        // the operation, e.g. "FillRect", "DrawBitmap", "PrepareRegion"
  IRECT mRect;              // its rectangle (or the points' bounding box)
  IColor mColor;            // its colour, when it has one
  std::vector<float> mArgs; // further numbers in the order the call takes them
  std::string mText;        // text or resource name, when it has one
  IRECT mClip;              // the clip in force
  float mBlendWeight = -1.f; // the blend's weight, -1 without a blend
};

/// A back-end image: a size in pixels and its scales; optional pixels for layer tests.
class RecordedBitmap : public APIBitmap
{
public:
  RecordedBitmap(int w, int h, int scale, float drawScale, std::string source)
    : APIBitmap(nullptr, w, h, scale, drawScale), mSource(std::move(source)), mPixels(size_t(w) * size_t(h) * 4)
  {
  }
  std::string mSource;
  ByteBuffer mPixels;
};

class RecordingBackend : public IGraphics
{
public:
  int AlphaChannelIndex() const override { return 3; }
  bool LayerPixelsFlipped() const override { return mRowsBottomUp; }
  RecordingBackend(IGEditorDelegate& delegate, int w, int h, int fps = 0, float scale = 1.f)
    : IGraphics(delegate, w, h, fps, scale)
  {
  }

  std::vector<DrawOp> mOps;
  IRECT mClip;
  /// Files LoadAPIBitmap can "decode": path -> pixel size.
  std::vector<std::pair<std::string, std::pair<int, int>>> mDecodable;
  int mLoadAPIBitmapCalls = 0;
  int mDrawResizeCalls = 0;
  bool mRejectFonts = false;
  /// Layer pixels read back with the bottom row first, as some back ends store them.
  bool mRowsBottomUp = false;

  /// Names of the logged operations, in order.
  std::vector<std::string> OpNames() const;
  int Count(const std::string& name) const;
  /// The rectangles of the logged operations of that name, in order.
  std::vector<IRECT> Rects(const std::string& name) const;
  /// The arguments of the logged operations of that name, in order.
  std::vector<std::vector<float>> Args(const std::string& name) const;

  // Drawing primitives.
  void DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* blend) override;
  void DrawRotatedSVG(const ISVG& svg, float cx, float cy, float w, float h, double angle,
                      const IBlend* blend) override;
  void DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY, const IBlend* blend) override;
  void DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* blend) override;
  void DrawRotatedBitmap(const IBitmap& bitmap, float cx, float cy, double angle, const IBlend* blend) override;
  void DrawPoint(const IColor& color, float x, float y, const IBlend* blend) override;
  void DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                float thickness) override;
  void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                      float thickness, float dashLen) override;
  void DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                    const IBlend* blend, float thickness) override;
  void DrawRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness) override;
  void DrawRoundRect(const IColor& color, const IRECT& bounds, float r, const IBlend* blend,
                     float thickness) override;
  void DrawRoundRect(const IColor& color, const IRECT& bounds, float tl, float tr, float bl, float br,
                     const IBlend* blend, float thickness) override;
  void DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* blend,
               float thickness) override;
  void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend, float thickness) override;
  void DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness) override;
  void DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle, const IBlend* blend,
                   float thickness) override;
  void DrawConvexPolygon(const IColor& color, float* x, float* y, int n, const IBlend* blend,
                         float thickness) override;
  void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness,
                      float dashLen) override;
  void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                    const IBlend* blend) override;
  void FillRect(const IColor& color, const IRECT& bounds, const IBlend* blend) override;
  void FillRoundRect(const IColor& color, const IRECT& bounds, float r, const IBlend* blend) override;
  void FillRoundRect(const IColor& color, const IRECT& bounds, float tl, float tr, float bl, float br,
                     const IBlend* blend) override;
  void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend) override;
  void FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend) override;
  void FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                   const IBlend* blend) override;
  void FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* blend) override;
  void FillConvexPolygon(const IColor& color, float* x, float* y, int n, const IBlend* blend) override;

  // Pixels, images, layers, text.
  IColor GetPixelColor(float x, float y) override { return IColor(); }
  void* GetDrawContext() override { return nullptr; }
  const char* GetDrawingAPIStr() override { return "Recording"; }
  bool BitmapExtSupported(const char* ext) override;
  void ReadLayerPixels(const ILayerPtr& layer, ByteBuffer& data) override;
  void ApplyShadowMask(const ILayerPtr& layer, ByteBuffer& mask, const IShadowStyle& shadow) override;
  void SetLayerPixels(const ILayerPtr& layer, ByteBuffer& data) override;
  void UpdateLayer() override { Log("UpdateLayer"); }
  void PathTransformReset(bool clearStates) override { Log("PathTransformReset"); }
  void PathClipRegion(const IRECT& r) override;
  void PathClear() override { Log("PathClear"); }
  void PathMoveTo(float x, float y) override { Log("PathMoveTo", IRECT(x, y, x, y)); }
  void PathLineTo(float x, float y) override { Log("PathLineTo", IRECT(x, y, x, y)); }
  void PathTransformSave() override { Log("PathTransformSave"); }
  void PathTransformRestore() override { Log("PathTransformRestore"); }
  void PathTransformTranslate(float x, float y) override { Log("PathTransformTranslate", IRECT(x, y, x, y)); }
  void PathTransformScale(float x, float y) override { Log("PathTransformScale", IRECT(x, y, x, y)); }
  void PrepareRegion(const IRECT& clip) override;
  void FinishRegion(const IRECT& clip) override;
  void BeginFrame() override;
  void EndFrame() override { Log("EndFrame"); }
  void DrawResize() override { ++mDrawResizeCalls; }
  APIBitmap* LoadAPIBitmap(const char* path, int scale, int location, const char* ext) override;
  APIBitmap* LoadAPIBitmapData(const char* name, const void* data, int dataSize, int scale) override;
  APIBitmap* CreateAPIBitmap(int width, int height, int screenScale, double drawScale, bool cacheable) override;
  bool LoadAPIFont(const char* fontID, const PlatformFontPointer& font) override { return !mRejectFonts; }
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend) override;

protected:
  DrawOp& Log(const char* name, const IRECT& r = IRECT(), const IColor& c = IColor(), const IBlend* blend = nullptr);
};

} // namespace graphicstest
