// The controls the graphics context's background operations build, also usable on their own: a bitmap at a
// position showing the frame of its value, an SVG image over its rectangle (optionally rendered once into a
// cached layer), and a filled panel. A bitmap without frames (a missing file) draws nothing. Main thread only.
#pragma once

#include "graphics/bases/IBitmapBase.h"
#include "graphics/bases/IControl.h"
#include "graphics/context/ILayer.h"

namespace plug {
namespace igraphics {

class IBitmapControl : public IControl, public IBitmapBase
{
public:
  IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1, const IBlend& blend = IBlend());
  void Draw(IGraphics& g) override;
  void OnRescale() override;
};

class ISVGControl : public IControl
{
public:
  ISVGControl(const IRECT& bounds, const ISVG& svg, bool useLayer = false);
  void Draw(IGraphics& g) override;
  /// Whether the last Draw rendered the image again (rather than drawing the kept layer).
  bool RenderedLastDraw() const { return mRendered; }

protected:
  bool mUseLayer;
  ILayerPtr mLayer;
  ISVG mSVG;
  bool mRendered = false;
};

class IPanelControl : public IControl
{
public:
  static const IColor kFrameColor;
  IPanelControl(const IRECT& bounds, const IPaintPattern& pattern, bool drawFrame = false);
  IPanelControl(const IRECT& bounds, const IColor& color, bool drawFrame = false);
  void Draw(IGraphics& g) override;

protected:
  IPaintPattern mPattern;
  IColor mColor;
  bool mDrawFrame;
};

} // namespace igraphics
} // namespace plug
