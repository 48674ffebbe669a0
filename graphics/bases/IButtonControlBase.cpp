#include "graphics/bases/IButtonControlBase.h"

namespace plug {
namespace igraphics {

IButtonControlBase::IButtonControlBase(const IRECT& bounds, IActionFn action) : IControl(bounds, -1, std::move(action))
{
  mDblClickAsClick = true;
}

void IButtonControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  SetValue(1.0, 0);
  SetDirty(true);
}

void IButtonControlBase::OnEndAnimation()
{
  SetValue(0.0, 0);
  mAnimationFn = nullptr;
  SetDirty(false);
  if (mEndAnimationFn)
  {
    const IAnimationFn fn = mEndAnimationFn; // the end function may replace itself
    fn(this);
  }
}

} // namespace igraphics
} // namespace plug
