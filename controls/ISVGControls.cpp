#include "controls/ISVGControls.h"

#include <algorithm>
#include <cmath>

#include "graphics/context/IGraphics.h"
#include "svg/svg_image.h"

namespace plug {
namespace igraphics {

float SVGWidth(const ISVG& svg) { return svg.IsValid() && std::isfinite(svg.mImage->width) ? svg.mImage->width : 0.f; }
float SVGHeight(const ISVG& svg)
{
  return svg.IsValid() && std::isfinite(svg.mImage->height) ? svg.mImage->height : 0.f;
}

ISVGButtonControl::ISVGButtonControl(const IRECT& bounds, IActionFn action, const ISVG& offImage,
                                     const ISVG& onImage)
  : IButtonControlBase(bounds, std::move(action)), mOffSVG(offImage), mOnSVG(onImage)
{
}

void ISVGButtonControl::Draw(IGraphics& g)
{
  const ISVG& svg = GetValue(0) > 0.5 ? mOnSVG : mOffSVG;
  if (svg.IsValid())
    g.DrawSVG(svg, mDrawRect, &mBlend);
}

ISVGKnobControl::ISVGKnobControl(const IRECT& bounds, const ISVG& svg, int paramIdx)
  : IKnobControlBase(bounds, paramIdx, nullptr, kVertical, 4.0), mSVG(svg)
{
}

void ISVGKnobControl::Draw(IGraphics& g)
{
  if (!mSVG.IsValid())
    return;
  const double angle = mStartAngle + GetValue(0) * (mEndAngle - mStartAngle);
  g.DrawRotatedSVG(mSVG, mDrawRect.CentreX(), mDrawRect.CentreY(), mDrawRect.W(), mDrawRect.H(), angle, &mBlend);
}

void ISVGKnobControl::ReplaceImage(const ISVG& svg)
{
  mSVG = svg;
  SetDirty(false, -1);
}

ISVGSwitchControl::ISVGSwitchControl(const IRECT& bounds, std::initializer_list<ISVG> images, int paramIdx,
                                     IActionFn action)
  : ISwitchControlBase(bounds, paramIdx, std::move(action), static_cast<int>(images.size())), mSVGs(images)
{
}

void ISVGSwitchControl::Draw(IGraphics& g)
{
  if (mSVGs.empty())
    return;
  const int n = static_cast<int>(mSVGs.size());
  const int i = std::clamp(static_cast<int>(static_cast<double>(n - 1) * GetValue(0) + 0.5), 0, n - 1);
  if (mSVGs[static_cast<size_t>(i)].IsValid())
    g.DrawSVG(mSVGs[static_cast<size_t>(i)], mDrawRect, &mBlend);
}

ISVGSliderControl::ISVGSliderControl(const IRECT& bounds, const ISVG& handleSvg, const ISVG& trackSvg, int paramIdx,
                                     EDirection direction, double gearing)
  : ISliderControlBase(bounds, paramIdx, direction, gearing, 0.f), mHandleSVG(handleSvg), mTrackSVG(trackSvg)
{
}

void ISVGSliderControl::OnResize()
{
  ISliderControlBase::OnResize();
  const float tw = SVGWidth(mTrackSVG), th = SVGHeight(mTrackSVG);
  const float hw = SVGWidth(mHandleSVG), hh = SVGHeight(mHandleSVG);
  if (!(tw > 0.f && th > 0.f && hw > 0.f && hh > 0.f))
  {
    // An image of no size: nothing to draw and no track to measure a value along.
    mTrackSVGBounds = mHandleBounds = mTrack = IRECT();
    SetDirty(false, -1);
    return;
  }
  const IRECT& r = mDrawRect;
  if (mDirection == kVertical)
  {
    const float H = r.H(), W = std::max(1.f, H * tw / th);
    mTrackSVGBounds = IRECT(r.CentreX() - W / 2.f, r.mTop, r.CentreX() + W / 2.f, r.mBottom);
    const float handleH = std::max(1.f, H * hh / th), handleW = std::max(1.f, handleH * hw / hh);
    mHandleBounds = IRECT(r.CentreX() - handleW / 2.f, r.mTop, r.CentreX() + handleW / 2.f, r.mTop + handleH);
    mTrack = IRECT(mTrackSVGBounds.mLeft, mTrackSVGBounds.mTop + handleH, mTrackSVGBounds.mRight,
                   mTrackSVGBounds.mBottom);
  }
  else
  {
    const float W = r.W(), H = std::max(1.f, W / (tw / th));
    mTrackSVGBounds = IRECT(r.mLeft, r.CentreY() - H / 2.f, r.mRight, r.CentreY() + H / 2.f);
    const float handleH = std::max(1.f, H * hh / th), handleW = std::max(1.f, handleH * hw / hh);
    mHandleBounds = IRECT(r.mRight - handleW, r.CentreY() - handleH / 2.f, r.mRight, r.CentreY() + handleH / 2.f);
    mTrack = IRECT(mTrackSVGBounds.mLeft + handleW, mTrackSVGBounds.mTop, mTrackSVGBounds.mRight,
                   mTrackSVGBounds.mBottom);
  }
  SetDirty(false, -1);
}

void ISVGSliderControl::Draw(IGraphics& g)
{
  if (mTrackSVGBounds.Empty())
    return;
  g.DrawSVG(mTrackSVG, mTrackSVGBounds, &mBlend);
  const float f = 1.f - static_cast<float>(GetValue(0));
  const IRECT handle = mDirection == kVertical ? mHandleBounds.GetOffset(0.f, f * mTrack.H())
                                               : mHandleBounds.GetOffset(-f * mTrack.W(), 0.f);
  g.DrawSVG(mHandleSVG, handle, &mBlend);
}

} // namespace igraphics
} // namespace plug
