#include "controls/IBitmapControls.h"

#include "graphics/resources/BitmapFrames.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {
namespace {
void Refetch(IGraphics* g, IBitmap& bitmap) { bitmap = RescaledBitmap(g, bitmap); }
} // namespace

IBSwitchControl::IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx)
  : ISwitchControlBase(FrameRectAt(bitmap, x, y), paramIdx, nullptr, 2), IBitmapBase(bitmap)
{
  SetControl(this);
}

IBSwitchControl::IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx)
  : ISwitchControlBase(FrameRectCentredIn(bitmap, bounds), paramIdx, nullptr, 2), IBitmapBase(bitmap)
{
  SetControl(this);
}

// Steps by one frame of the bitmap (not by the number of states); a bitmap of fewer than two frames toggles
// between 0 and 1. A sum a rounding error above 1 stays and is clamped to 1, so the last frame shows.
void IBSwitchControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  const int n = mBitmap.N();
  double v = GetValue(0) + (n < 2 ? 1.0 : 1.0 / static_cast<double>(n - 1));
  SetValue(v, 0);
  if (GetValue(0) > 1.001)
    SetValue(0.0, 0);
  SetDirty(true, -1);
}

void IBSwitchControl::OnRescale() { Refetch(mGraphics, mBitmap); }

void IBSwitchControl::Draw(IGraphics& g)
{
  if (HasFrames(mBitmap))
    DrawBitmap(g);
}

IBKnobControl::IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx, EDirection direction,
                             double gearing)
  : IKnobControlBase(FrameRectCentredIn(bitmap, bounds), paramIdx, nullptr, direction, gearing), IBitmapBase(bitmap)
{
  SetControl(this);
}

void IBKnobControl::OnRescale() { Refetch(mGraphics, mBitmap); }

void IBKnobControl::Draw(IGraphics& g)
{
  if (HasFrames(mBitmap))
    DrawBitmap(g);
}

IBButtonControl::IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFn action)
  : IButtonControlBase(FrameRectAt(bitmap, x, y), std::move(action)), IBitmapBase(bitmap)
{
  SetControl(this);
}

IBButtonControl::IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFn action)
  : IButtonControlBase(FrameRectCentredIn(bitmap, bounds), std::move(action)), IBitmapBase(bitmap)
{
  SetControl(this);
}

void IBButtonControl::OnRescale() { Refetch(mGraphics, mBitmap); }

void IBButtonControl::Draw(IGraphics& g)
{
  if (HasFrames(mBitmap))
    DrawBitmap(g);
}

namespace {

IRECT SliderBounds(float x, float y, float length, const IBitmap& handle, EDirection dir)
{
  return dir == kVertical ? IRECT(x, y, x + static_cast<float>(handle.W()), y + length)
                          : IRECT(x, y, x + length, y + static_cast<float>(handle.H()));
}

float HandleSize(const IBitmap& handle, EDirection dir)
{
  return static_cast<float>(dir == kVertical ? handle.H() : handle.W());
}

} // namespace

IBSliderControl::IBSliderControl(float x, float y, float length, const IBitmap& handleBitmap,
                                 const IBitmap& trackBitmap, int paramIdx, EDirection direction, double gearing)
  : ISliderControlBase(SliderBounds(x, y, length, handleBitmap, direction), paramIdx, direction, gearing,
                       HandleSize(handleBitmap, direction)),
    IBitmapBase(handleBitmap), mTrackBitmap(trackBitmap)
{
  SetControl(this);
}

IBSliderControl::IBSliderControl(const IRECT& bounds, const IBitmap& handleBitmap, const IBitmap& trackBitmap,
                                 int paramIdx, EDirection direction, double gearing)
  : ISliderControlBase(bounds, paramIdx, direction, gearing, HandleSize(handleBitmap, direction)),
    IBitmapBase(handleBitmap), mTrackBitmap(trackBitmap)
{
  SetControl(this);
}

void IBSliderControl::OnRescale() { Refetch(mGraphics, mBitmap); }

void IBSliderControl::OnResize()
{
  ISliderControlBase::OnResize();
  const IRECT& r = mDrawRect;
  if (HasFrames(mTrackBitmap))
    mTrack = FrameRectCentredIn(mTrackBitmap, r);
  else if (mDirection == kVertical)
  {
    const float w = FrameWidth(mBitmap);
    mTrack = IRECT(r.CentreX() - w / 2.f, r.mTop, r.CentreX() + w / 2.f, r.mBottom);
  }
  else
  {
    const float h = FrameHeight(mBitmap);
    mTrack = IRECT(r.mLeft, r.CentreY() - h / 2.f, r.mRight, r.CentreY() + h / 2.f);
  }
  SetDirty(false, -1);
}

IRECT IBSliderControl::GetHandleBounds(double v) const
{
  if (v < 0.0)
    v = GetValue(0);
  const float w = FrameWidth(mBitmap), h = FrameHeight(mBitmap), fv = static_cast<float>(v);
  if (mDirection == kVertical)
  {
    const float top = mTrack.mTop + (1.f - fv) * (mTrack.H() - h);
    return IRECT(mTrack.mLeft, top, mTrack.mLeft + w, top + h);
  }
  const float left = mTrack.mLeft + fv * (mTrack.W() - w);
  return IRECT(left, mTrack.mTop, left + w, mTrack.mTop + h);
}

void IBSliderControl::Draw(IGraphics& g)
{
  if (HasFrames(mTrackBitmap))
    g.DrawBitmap(mTrackBitmap, FrameRectCentredIn(mTrackBitmap, mTrack), 0, 0, &mBlend);
  if (HasFrames(mBitmap))
    g.DrawBitmapFrame(mBitmap, GetHandleBounds(), 1, &mBlend);
}

void IBKnobRotaterControl::Draw(IGraphics& g)
{
  if (!HasFrames(mBitmap))
    return;
  const double angle = GetValue(0) * kAngleRange - kAngleRange / 2.0;
  g.DrawRotatedBitmap(mBitmap, mDrawRect.CentreX(), mDrawRect.CentreY(), angle, &mBlend);
}

IBTextControl::IBTextControl(const IRECT& bounds, const IBitmap& bitmap, const IText& text, const char* str,
                             int charWidth, int charHeight, int charOffset, bool multiLine, bool vCenter,
                             int blendMode)
  : ITextControl(bounds, str, text), IBitmapBase(bitmap), mCharWidth(charWidth), mCharHeight(charHeight),
    mCharOffset(charOffset), mMultiLine(multiLine), mVCentre(vCenter)
{
  SetControl(this);
  mBlend = IBlend(blendMode, 1.f);
}

void IBTextControl::OnRescale() { Refetch(mGraphics, mBitmap); }

void IBTextControl::Draw(IGraphics& g)
{
  if (HasFrames(mBitmap))
    g.DrawBitmapText(mBitmap, mDrawRect, mText, &mBlend, mStr.Get(), mVCentre, mMultiLine, mCharWidth,
                     mCharHeight, mCharOffset);
}

} // namespace igraphics
} // namespace plug
