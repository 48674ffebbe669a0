#include "graphics/bases/IKnobControlBase.h"

#include "graphics/context/IGraphics.h"
#include "graphics/bases/ValueStepping.h"

namespace plug {
namespace igraphics {

IKnobControlBase::IKnobControlBase(const IRECT& bounds, int paramIdx, IActionFn action, EDirection direction,
                                   double gearing)
  : IControl(bounds, paramIdx, std::move(action)), mDirection(direction), mGearing(gearing)
{
}

void IKnobControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  mMouseDragValue = GetValue(0);
  if (mHideCursorOnDrag && mGraphics)
    mGraphics->HideMouseCursor(true, true);
  if (mod.mRight)
    PromptUserInput(GetValIdxForPos(x, y));
}

void IKnobControlBase::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (mHideCursorOnDrag && mGraphics)
    mGraphics->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(false);
}

void IKnobControlBase::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  if (!MoveDragAccumulator(mMouseDragValue, dX, dY, mDirection, GetKnobDragBounds(), mGearing, mod))
    return;
  SetValue(QuantisedDragValue(*this, mMouseDragValue), 0);
  SetDirty(true, 0);
}

void IKnobControlBase::OnMouseWheel(float x, float y, const IMouseMod& mod, float d)
{
  SetValue(WheelValue(*this, mod, d), 0);
  SetDirty(true, 0);
}

} // namespace igraphics
} // namespace plug
