// How knobs and sliders turn relative drags and wheel notches into normalised values, quantised to the step
// of a stepped parameter. Shared by IKnobControlBase and ISliderControlBase. Main thread only.
#pragma once

#include "graphics/types/GraphicsTypes.h"
#include "graphics/types/IMouse.h"
#include "graphics/types/IRECT.h"

namespace plug {
class IParam;
namespace igraphics {

class IControl;

/// Float noise forgiven when a value is put on a multiple of the step (in units of the step).
constexpr double kStepTolerance = 1e-9;
/// Drags with a fine-adjust modifier move this many times slower.
constexpr double kFineGearingFactor = 10.0;
/// Normalised change per wheel notch, coarse and fine.
constexpr double kWheelIncrement = 0.01;
constexpr double kFineWheelIncrement = 0.001;

/// The multiple of step, counted from 0, nearest v on the side of 0 (v - fmod(v, step), within
/// kStepTolerance): 3.7 gives 3 and -3.4 gives -3 for a step of 1.
double TruncateToStep(double v, double step);
/// The parameter of slot 0 when it is stepped with a step above 0 and a range above 0, else null.
const IParam* SteppedParam(const IControl& control);
/// The normalised value of a drag position: quantised to the step for a stepped parameter, else unchanged.
double QuantisedDragValue(const IControl& control, double position);
/// Moves the drag accumulator (0..1) by a relative drag along extent, geared; false when the extent has no
/// size in the drag direction (nothing moves then).
bool MoveDragAccumulator(double& accumulator, float dX, float dY, EDirection direction, const IRECT& extent,
                         double gearing, const IMouseMod& mod);
/// The value one wheel event gives: one step per event for a stepped parameter (never moving against the
/// notch), else the present value plus d times the increment (unclamped: SetDirty clamps).
double WheelValue(const IControl& control, const IMouseMod& mod, float d);

} // namespace igraphics
} // namespace plug
