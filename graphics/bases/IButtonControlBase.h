// The base of momentary buttons without a parameter: a press sets the value to 1 and runs the action; when the
// action's animation ends the value falls back to 0. Derived buttons draw. Main thread only.
#pragma once

#include "graphics/bases/IControl.h"

namespace plug {
namespace igraphics {

class IButtonControlBase : public IControl
{
public:
  IButtonControlBase(const IRECT& bounds, IActionFn action);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  /// Back to 0 without telling the delegate again, then the end function.
  void OnEndAnimation() override;
};

} // namespace igraphics
} // namespace plug
