#include "graphics/bases/ISliderControlBase.h"

#include "core/IParam.h"
#include "graphics/context/IGraphics.h"
#include "graphics/bases/ValueStepping.h"

namespace plug {
namespace igraphics {

ISliderControlBase::ISliderControlBase(const IRECT& bounds, int paramIdx, EDirection direction, double gearing,
                                       float handleSize)
  : IControl(bounds, paramIdx, IActionFn()), mDirection(direction), mHandleSize(handleSize), mGearing(gearing)
{
}

ISliderControlBase::ISliderControlBase(const IRECT& bounds, IActionFn action, EDirection direction, double gearing,
                                       float handleSize)
  : IControl(bounds, std::move(action)), mDirection(direction), mHandleSize(handleSize), mGearing(gearing)
{
}

void ISliderControlBase::OnResize()
{
  mHitRect = mDrawRect;
  mMouseIsOver = false;
  mTrack = mDrawRect;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  // A stepped parameter moves in steps only: no jump to the pointer.
  if (!(GetParam(0) && GetParam(0)->GetStepped()))
    SnapToMouse(x, y, mDirection, mTrack, -1, 0.0, 1.0);
  mMouseDragValue = GetValue(0);
  if (mHideCursorOnDrag && mGraphics)
    mGraphics->HideMouseCursor(true, true);
  if (mod.mRight)
    PromptUserInput(GetValIdxForPos(x, y));
}

void ISliderControlBase::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (mHideCursorOnDrag && mGraphics)
    mGraphics->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  const bool stepped = GetParam(0) && GetParam(0)->GetStepped();
  // A hidden, pinned pointer cannot be followed: the mouse (touch id 0) then drags relatively.
  const bool relative = stepped || (mod.mTouchID == 0 && mHideCursorOnDrag);
  if (!relative)
  {
    SnapToMouse(x, y, mDirection, mTrack, -1, 0.0, 1.0);
    return;
  }
  if (!MoveDragAccumulator(mMouseDragValue, dX, dY, mDirection, mTrack, mGearing, mod))
    return;
  SetValue(QuantisedDragValue(*this, mMouseDragValue), 0);
  SetDirty(true, 0);
}

void ISliderControlBase::OnMouseWheel(float x, float y, const IMouseMod& mod, float d)
{
  SetValue(WheelValue(*this, mod, d), 0);
  SetDirty(true, 0);
}

} // namespace igraphics
} // namespace plug
