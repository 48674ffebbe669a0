#include "graphics/overlay/IBackgroundControls.h"

#include "graphics/resources/BitmapFrames.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

IBitmapControl::IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx, const IBlend& blend)
  : IControl(FrameRectAt(bitmap, x, y), paramIdx), IBitmapBase(bitmap)
{
  SetControl(this);
  mBlend = blend;
}

void IBitmapControl::Draw(IGraphics& g)
{
  if (HasFrames(mBitmap))
    DrawBitmap(g);
}

void IBitmapControl::OnRescale()
{
  if (!mGraphics || !mBitmap.IsValid())
    return;
  const IBitmap rescaled = mGraphics->RescaleBitmap(mBitmap);
  if (rescaled.IsValid())
    mBitmap = rescaled;
}

ISVGControl::ISVGControl(const IRECT& bounds, const ISVG& svg, bool useLayer)
  : IControl(bounds), mUseLayer(useLayer), mSVG(svg)
{
}

void ISVGControl::Draw(IGraphics& g)
{
  mRendered = false;
  if (!mSVG.IsValid())
    return;
  if (!mUseLayer)
  {
    g.DrawSVG(mSVG, mDrawRect, &mBlend);
    mRendered = true;
    return;
  }
  if (!mLayer || !g.CheckLayer(mLayer))
  {
    g.StartLayer(this, mDrawRect);
    g.DrawSVG(mSVG, mDrawRect);
    mLayer = g.EndLayer();
    mRendered = true;
  }
  if (mLayer)
    g.DrawLayer(mLayer, &mBlend);
}

const IColor IPanelControl::kFrameColor(255, 240, 240, 240);

IPanelControl::IPanelControl(const IRECT& bounds, const IPaintPattern& pattern, bool drawFrame)
  : IControl(bounds), mPattern(pattern), mColor(pattern.FirstColor()), mDrawFrame(drawFrame)
{
}

IPanelControl::IPanelControl(const IRECT& bounds, const IColor& color, bool drawFrame)
  : IPanelControl(bounds, IPaintPattern(color), drawFrame)
{
}

void IPanelControl::Draw(IGraphics& g)
{
  if (g.SupportsPaths())
  {
    g.PathClear();
    g.PathRect(mDrawRect);
    g.PathFill(mPattern, IFillStyle(), &mBlend);
  }
  else
    g.FillRect(mColor, mDrawRect, &mBlend);
  if (mDrawFrame)
    g.DrawRect(kFrameColor, mDrawRect, &mBlend, 1.f);
}

} // namespace igraphics
} // namespace plug
