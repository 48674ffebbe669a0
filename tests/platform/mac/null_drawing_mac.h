// A platform graphics context whose drawing does nothing, for tests and benchmarks of the platform layer until
// a drawing back end completes it; its drawing context can be made to fail.
#pragma once

#include "platform/mac/IGraphicsMac.h"
#include "platform/mac/IGraphicsView.h"

namespace mactest {

using namespace plug::igraphics;

class TestMacGraphics final : public IGraphicsMac
{
public:
  using IGraphicsMac::IGraphicsMac;
  bool mContextOK = true;
  int mRegions = 0; // controls drawn

  void DrawSVG(const ISVG&, const IRECT&, const IBlend*) override {}
  void DrawRotatedSVG(const ISVG&, float, float, float, float, double, const IBlend*) override {}
  void DrawBitmap(const IBitmap&, const IRECT&, int, int, const IBlend*) override {}
  void DrawFittedBitmap(const IBitmap&, const IRECT&, const IBlend*) override {}
  void DrawRotatedBitmap(const IBitmap&, float, float, double, const IBlend*) override {}
  void DrawPoint(const IColor&, float, float, const IBlend*) override {}
  void DrawLine(const IColor&, float, float, float, float, const IBlend*, float) override {}
  void DrawDottedLine(const IColor&, float, float, float, float, const IBlend*, float, float) override {}
  void DrawTriangle(const IColor&, float, float, float, float, float, float, const IBlend*, float) override {}
  void DrawRect(const IColor&, const IRECT&, const IBlend*, float) override {}
  void DrawRoundRect(const IColor&, const IRECT&, float, const IBlend*, float) override {}
  void DrawRoundRect(const IColor&, const IRECT&, float, float, float, float, const IBlend*, float) override {}
  void DrawArc(const IColor&, float, float, float, float, float, const IBlend*, float) override {}
  void DrawCircle(const IColor&, float, float, float, const IBlend*, float) override {}
  void DrawEllipse(const IColor&, const IRECT&, const IBlend*, float) override {}
  void DrawEllipse(const IColor&, float, float, float, float, float, const IBlend*, float) override {}
  void DrawConvexPolygon(const IColor&, float*, float*, int, const IBlend*, float) override {}
  void DrawDottedRect(const IColor&, const IRECT&, const IBlend*, float, float) override {}
  void FillTriangle(const IColor&, float, float, float, float, float, float, const IBlend*) override {}
  void FillRect(const IColor&, const IRECT&, const IBlend*) override {}
  void FillRoundRect(const IColor&, const IRECT&, float, const IBlend*) override {}
  void FillRoundRect(const IColor&, const IRECT&, float, float, float, float, const IBlend*) override {}
  void FillCircle(const IColor&, float, float, float, const IBlend*) override {}
  void FillEllipse(const IColor&, const IRECT&, const IBlend*) override {}
  void FillEllipse(const IColor&, float, float, float, float, float, const IBlend*) override {}
  void FillArc(const IColor&, float, float, float, float, float, const IBlend*) override {}
  void FillConvexPolygon(const IColor&, float*, float*, int, const IBlend*) override {}
  IColor GetPixelColor(float, float) override { return IColor(); }
  void* GetDrawContext() override { return nullptr; }
  const char* GetDrawingAPIStr() override { return "None"; }
  bool BitmapExtSupported(const char*) override { return false; }
  void ReadLayerPixels(const ILayerPtr&, RawBitmapData&) override {}
  void ApplyShadowMask(const ILayerPtr&, RawBitmapData&, const IShadow&) override {}
  void SetLayerPixels(const ILayerPtr&, RawBitmapData&) override {}
  void PrepareRegion(const IRECT&) override { ++mRegions; }
  APIBitmap* LoadAPIBitmap(const char*, int, int, const char*) override { return nullptr; }
  APIBitmap* LoadAPIBitmapData(const char*, const void*, int, int) override { return nullptr; }
  APIBitmap* CreateAPIBitmap(int, int, int, double, bool) override { return nullptr; }
  bool LoadAPIFont(const char*, const PlatformFontPtr&) override { return false; }
  float DoMeasureText(const IText&, const char*, IRECT&) const override { return 0.f; }
  void DoDrawText(const IText&, const char*, const IRECT&, const IBlend*) override {}

protected:
  bool CreateDrawingContext(IGraphicsView_vDrovik_vst&) override { return mContextOK; }
};

} // namespace mactest
