// The SVG-drawn stock controls: a two-image button, a rotating knob, a switch with one image per state and a
// slider with a handle image over a track image. An SVG image of no size lays out nothing, so a slider over it
// never measures a value against an empty track. Main thread only.
#pragma once

#include <initializer_list>
#include <vector>

#include "graphics/resources/IBitmap.h"
#include "graphics/bases/IButtonControlBase.h"
#include "graphics/bases/IKnobControlBase.h"
#include "graphics/bases/ISliderControlBase.h"
#include "graphics/bases/ISwitchControlBase.h"

namespace plug {
namespace igraphics {

/// Width and height of an SVG image; 0 for a failed load.
float SVGWidth(const ISVG& svg);
float SVGHeight(const ISVG& svg);

class ISVGButtonControl : public IButtonControlBase
{
public:
  ISVGButtonControl(const IRECT& bounds, IActionFn action, const ISVG& offImage, const ISVG& onImage);
  void Draw(IGraphics& g) override;

protected:
  ISVG mOffSVG, mOnSVG;
};

class ISVGKnobControl : public IKnobControlBase
{
public:
  ISVGKnobControl(const IRECT& bounds, const ISVG& svg, int paramIdx = -1);
  void Draw(IGraphics& g) override;
  /// Shows another image from now on.
  void ReplaceImage(const ISVG& svg);

protected:
  ISVG mSVG;
  float mStartAngle = -135.f;
  float mEndAngle = 135.f;
};

class ISVGSwitchControl : public ISwitchControlBase
{
public:
  ISVGSwitchControl(const IRECT& bounds, std::initializer_list<ISVG> images, int paramIdx = -1,
                    IActionFn action = nullptr);
  void Draw(IGraphics& g) override;

protected:
  std::vector<ISVG> mSVGs;
};

class ISVGSliderControl : public ISliderControlBase
{
public:
  ISVGSliderControl(const IRECT& bounds, const ISVG& handleSvg, const ISVG& trackSvg, int paramIdx = -1,
                    EDirection direction = kVertical, double gearing = 1.0);
  void OnResize() override;
  void Draw(IGraphics& g) override;
  const IRECT& GetHandleBounds() const { return mHandleBounds; }
  const IRECT& GetTrackSVGBounds() const { return mTrackSVGBounds; }

protected:
  IRECT mHandleBounds;
  IRECT mTrackSVGBounds;
  ISVG mHandleSVG, mTrackSVG;
};

} // namespace igraphics
} // namespace plug
