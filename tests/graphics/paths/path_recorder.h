// A path-based graphics context that writes every primitive it is handed as a line of text ("M 0 0", "L 10 0",
// "A 5 5 5 270 360", "Z", "C ...", "hole 1", "fill 2 keep", "stroke 1 dash 2", "T 1 0 0 1 0 0", "clip 0 0 9 9",
// "bitmap 0 0 10 10", "clear"), so tests compare the sequences drawing operations produce.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "graphics/paths/IGraphicsPathBase.h"

namespace graphicstest {

using namespace plug::igraphics;

class PathRecorder : public IGraphicsPathBase
{
public:
  int AlphaChannelIndex() const override { return 3; }
  bool LayerPixelsFlipped() const override { return false; }
  using IGraphicsPathBase::IGraphicsPathBase;
  static bool SVGPaintToPatternForTest(const SvgPaint& paint, float opacity, IPaintPattern& pattern)
  {
    return SVGPaintToPattern(paint, opacity, pattern);
  }

  std::vector<std::string> mLog;
  std::vector<IPaintPattern> mPatterns; // the pattern of every fill and stroke, in order
  std::vector<IStrokeStyle> mStrokeStyles; // the options of every stroke, in order

  template <class... T>
  void Log(const char* what, T... values)
  {
    std::ostringstream s;
    s << what;
    ((s << ' ' << values), ...);
    mLog.push_back(s.str());
  }
  void PushLayerForTest(ILayer* layer) { mLayers.push(layer); }
  void PopLayerForTest() { mLayers.pop(); }

  void PathClear() override { Log("clear"); }
  void PathClose() override { Log("Z"); }
  void PathArc(float cx, float cy, float r, float a1, float a2, bool clockwise) override
  {
    Log("A", cx, cy, r, a1, a2);
  }
  void PathMoveTo(float x, float y) override { Log("M", x, y); }
  void PathLineTo(float x, float y) override { Log("L", x, y); }
  void PathSetWinding(bool hole) override { Log("hole", hole); }
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x, float y) override
  {
    Log("C", c1x, c1y, c2x, c2y, x, y);
  }
  void PathStroke(const IPaintPattern& pattern, float thickness, const IStrokeStyle& options,
                  const IBlend* blend) override
  {
    mPatterns.push_back(pattern);
    mStrokeStyles.push_back(options);
    if (options.mDashCount > 0)
      Log("stroke", thickness, "dash", options.mDashArray[0]);
    else
      Log("stroke", thickness);
  }
  void PathFill(const IPaintPattern& pattern, const IFillStyle& options, const IBlend* blend) override
  {
    mPatterns.push_back(pattern);
    options.mPreserve ? Log("fill", options.mFillRule, "keep") : Log("fill", options.mFillRule);
  }
  void DrawBitmap(const IBitmap& bitmap, const IRECT& r, int srcX, int srcY, const IBlend* blend) override
  {
    Log("bitmap", r.mLeft, r.mTop, r.mRight, r.mBottom);
  }
  void SetClipRegion(const IRECT& r) override { Log("clip", r.mLeft, r.mTop, r.mRight, r.mBottom); }
  void SetPathTransform(const IMatrix& m) override { Log("T", m.mXX, m.mYX, m.mXY, m.mYY, m.mTX, m.mTY); }

  // Nothing else of a context is used here.
  IColor GetPixelColor(float, float) override { return IColor(); }
  void* GetDrawContext() override { return nullptr; }
  const char* GetDrawingAPIStr() override { return "Paths"; }
  bool BitmapExtSupported(const char*) override { return false; }
  void ReadLayerPixels(const ILayerPtr&, ByteBuffer&) override {}
  void ApplyShadowMask(const ILayerPtr&, ByteBuffer&, const IShadowStyle&) override {}
  void SetLayerPixels(const ILayerPtr&, ByteBuffer&) override {}
  void GetMouseLocation(float& x, float& y) const override { x = y = 0.f; }
  void HideMouseCursor(bool, bool) override {}
  void MoveMouseCursor(float, float) override {}
  void EndUserInput(bool) override {}
  void* OpenWindow(void*) override { return nullptr; }
  void CloseWindow() override {}
  void* GetWindow() override { return nullptr; }
  bool GetTextFromClipboard(plug::LibString&) override { return false; }
  bool SetTextInClipboard(const char*) override { return false; }
  void UpdateTooltips() override {}
  int ShowMessageBox(const char*, const char*, int, std::function<void(int)>) override { return 0; }
  void PromptForFile(plug::LibString&, plug::LibString&, int, const char*) override {}
  bool PromptForDirectory(plug::LibString&) override { return false; }
  bool PromptForColor(IColor&, const char*, std::function<void(const IColor&)>) override { return false; }
  bool OpenURL(const char*, const char*, const char*, const char*) override { return false; }
  PlatformFontPointer LoadFontFromResource(const char*, const char*) override { return nullptr; }
  PlatformFontPointer LoadFontFromMemory(const char*, void*, int) override { return nullptr; }
  PlatformFontPointer LoadFontByName(const char*, const char*, int) override { return nullptr; }
  void CachePlatformFont(const char*, const PlatformFontPointer&) override {}
  void CreatePlatformTextEntry(int, const IText&, const IRECT&, int, const char*) override {}
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu&, const IRECT&, bool&) override { return nullptr; }
  APIBitmap* LoadAPIBitmap(const char*, int, int, const char*) override { return nullptr; }
  APIBitmap* LoadAPIBitmapData(const char*, const void*, int, int) override { return nullptr; }
  APIBitmap* CreateAPIBitmap(int, int, int, double, bool) override { return nullptr; }
  bool LoadAPIFont(const char*, const PlatformFontPointer&) override { return false; }
  float DoMeasureText(const IText&, const char*, IRECT&) const override { return 0.f; }
  void DoDrawText(const IText&, const char*, const IRECT&, const IBlend*) override {}
};

} // namespace graphicstest
