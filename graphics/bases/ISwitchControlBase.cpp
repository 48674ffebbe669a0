#include "graphics/bases/ISwitchControlBase.h"

#include <algorithm>
#include <cmath>

#include "core/IParam.h"

namespace plug {
namespace igraphics {

ISwitchControlBase::ISwitchControlBase(const IRECT& bounds, int paramIdx, IActionFn action, int numStates)
  : IControl(bounds, paramIdx, std::move(action)), mNumStates(std::clamp(numStates, 1, kMaxStates)),
    mDisabledStates(static_cast<size_t>(mNumStates), false)
{
  SetAllStatesDisabled(false);
  mDblClickAsClick = true;
}

double ISwitchControlBase::NextStateValue() const
{
  const double present = GetValue(0);
  if (mNumStates <= 1)
    return 0.0;
  if (mNumStates == 2)
    return present == 0.0 ? 1.0 : 0.0;
  // States sit at k / (N - 1). Adding 1 / (N - 1) again and again gathers float error (a ten-state switch would
  // jump from 8/9 to 0); counting whole states from the one shown does not.
  const int last = mNumStates - 1;
  const double v = std::isnan(present) ? 0.0 : std::clamp(present, 0.0, 1.0);
  const int shown = static_cast<int>(v * last + 0.5);
  const int next = shown + 1 > last ? 0 : shown + 1;
  return static_cast<double>(next) / last;
}

void ISwitchControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  SetValue(NextStateValue(), 0);
  mMouseDown = true;
  SetDirty(true);
}

void ISwitchControlBase::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  mMouseDown = false;
  SetDirty(false);
}

void ISwitchControlBase::OnInit()
{
  const IParam* p = GetParam(0);
  if (!p)
    return;
  const double range = p->GetRange();
  if (!(range >= 0.0))
    return; // not a number: keep the states given
  mNumStates = range >= kMaxStates - 1 ? kMaxStates : static_cast<int>(range) + 1;
  mDisabledStates.assign(static_cast<size_t>(mNumStates), false);
}

void ISwitchControlBase::SetStateDisabled(int state, bool disabled)
{
  if (state >= 0 && state < static_cast<int>(mDisabledStates.size()))
    mDisabledStates[static_cast<size_t>(state)] = disabled;
  SetDirty(false);
}

void ISwitchControlBase::SetAllStatesDisabled(bool disabled)
{
  for (int i = 0; i < static_cast<int>(mDisabledStates.size()); ++i)
    SetStateDisabled(i, disabled);
  SetDirty(false);
}

bool ISwitchControlBase::GetStateDisabled(int state) const
{
  return state >= 0 && state < static_cast<int>(mDisabledStates.size()) && mDisabledStates[static_cast<size_t>(state)];
}

} // namespace igraphics
} // namespace plug
