#include "graphics/bases/ValueStepping.h"

#include <algorithm>
#include <cmath>

#include "core/IParam.h"
#include "graphics/bases/IControl.h"

namespace plug {
namespace igraphics {

double TruncateToStep(double v, double step)
{
  const double steps = v / step;
  return std::trunc(steps + (steps < 0.0 ? -kStepTolerance : kStepTolerance)) * step;
}

const IParam* SteppedParam(const IControl& control)
{
  const IParam* p = control.GetParam(0);
  if (p && p->GetStepped() && p->GetStep() > 0.0 && p->GetRange() > 0.0)
    return p;
  return nullptr;
}

double QuantisedDragValue(const IControl& control, double position)
{
  const IParam* p = SteppedParam(control);
  if (!p)
    return position;
  const double v = TruncateToStep(position * p->GetRange() + p->GetMin(), p->GetStep());
  return (v - p->GetMin()) / p->GetRange();
}

bool MoveDragAccumulator(double& accumulator, float dX, float dY, EDirection direction, const IRECT& extent,
                         double gearing, const IMouseMod& mod)
{
  const double size = direction == kHorizontal ? extent.W() : extent.H();
  if (!(size > 0.0) || !std::isfinite(size))
    return false;
  const double g = mod.FineAdjust() ? gearing * kFineGearingFactor : gearing;
  // Dragging up raises a vertical control: the step is -dY over the height.
  const double step = direction == kHorizontal ? dX / size : -dY / size;
  const double moved = accumulator + step / g;
  if (std::isnan(moved))
    return false;
  accumulator = std::clamp(moved, 0.0, 1.0);
  return true;
}

double WheelValue(const IControl& control, const IMouseMod& mod, float d)
{
  const double present = control.GetValue(0);
  if (std::isnan(d))
    return present;
  const IParam* p = SteppedParam(control);
  if (!p || d == 0.f)
    return present + d * (mod.FineAdjust() ? kFineWheelIncrement : kWheelIncrement);
  const double plain = present * p->GetRange() + p->GetMin();
  double next = plain + (d > 0.f ? p->GetStep() : -p->GetStep());
  next = TruncateToStep(std::clamp(next, p->GetMin(), p->GetMax()), p->GetStep());
  // At a maximum (or a negative minimum) that is not a multiple of the step, the multiple nearer 0 would move
  // the knob against the notch.
  if ((d > 0.f && next < plain) || (d < 0.f && next > plain))
    next = plain;
  return (next - p->GetMin()) / p->GetRange();
}

} // namespace igraphics
} // namespace plug
