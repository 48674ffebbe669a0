// The base of knobs: relative dragging (geared, finer with ctrl or shift, quantised to a stepped parameter's
// step) and the wheel, with the pointer hidden and pinned while dragging. Derived knobs draw. Main thread only.
#pragma once

#include "graphics/bases/IControl.h"

namespace plug {
namespace igraphics {

class IKnobControlBase : public IControl
{
public:
  /// gearing divides every drag step: larger is slower.
  IKnobControlBase(const IRECT& bounds, int paramIdx, IActionFn action, EDirection direction, double gearing);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;

  /// The extent a drag is measured against: the hit rectangle, unless a derived knob says otherwise.
  virtual IRECT GetKnobDragBounds() { return mHitRect; }

  void SetGearing(double gearing) { mGearing = gearing; }
  double GetGearing() const { return mGearing; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }
  bool IsMouseDown() const { return mMouseDown; }

protected:
  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  double mGearing;
  bool mMouseDown = false;
  /// The unquantised drag position, 0..1, so that slow drags across a step boundary still arrive.
  double mMouseDragValue = 0.0;
};

} // namespace igraphics
} // namespace plug
