// The base of sliders: the value follows the pointer along a track, or moves relatively like a knob's when the
// parameter is stepped or the hidden pointer cannot be followed; the wheel as for knobs. Derived sliders draw
// and may shrink the track after the base's resize. Main thread only.
#pragma once

#include "graphics/bases/IControl.h"

namespace plug {
namespace igraphics {

class ISliderControlBase : public IControl
{
public:
  /// Bound to a parameter, with no action.
  ISliderControlBase(const IRECT& bounds, int paramIdx, EDirection direction, double gearing, float handleSize);
  /// With an action and no parameter.
  ISliderControlBase(const IRECT& bounds, IActionFn action, EDirection direction, double gearing,
                     float handleSize);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;
  /// The hit rectangle and the track become the draw rectangle.
  void OnResize() override;

  const IRECT& GetTrack() const { return mTrack; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }
  bool IsMouseDown() const { return mMouseDown; }

protected:
  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  IRECT mTrack;
  float mHandleSize;
  double mGearing;
  bool mMouseDown = false;
  double mMouseDragValue = 0.0;
};

} // namespace igraphics
} // namespace plug
