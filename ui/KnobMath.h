// The value arithmetic of the editor's multi-function knob: dragging with a gearing, snapping to the parameter's
// steps counted from its minimum, and the wheel in fractions of the range or in the parameter's own units.
#pragma once

/// The range and step of the parameter a knob turns (plain units).
struct KnobRange
{
  double min = 0, max = 1;
  double step = 0; // 0: continuous
  bool stepped = false;
  double Span() const { return max - min; }
  bool Snaps() const { return stepped && step > 0 && Span() > 0; }
};

/// The drag accumulator after a drag of `pixels` (positive upward or rightward) over drag bounds `length` pixels
/// long, at gearing g; unchanged when the bounds have no length or the step is no number. Clamped to 0..1.
/// [main thread]
double DragAccumulator(double accumulator, double pixels, double length, double gearing);

/// The normalised value for an accumulator: snapped down to a whole number of steps above the minimum when the
/// parameter is stepped. [any thread]
double SnapNormalized(double accumulator, const KnobRange& range);

/// The normalised value after a wheel of d notches from `normalized` with the given fraction per notch (0.01,
/// 0.001 with Shift, 0.1 with Ctrl); a stepped parameter moves by one step and lands on its grid of steps from the
/// minimum. d = 0 leaves the value as it is.
/// [any thread]
double WheelNormalized(double normalized, float d, double fraction, const KnobRange& range);

/// Modifiers of a wheel step in the parameter's own units.
enum class KnobWheelUnit
{
  kOne,   // round to a whole unit, then one unit
  kTenth, // Shift: round to a tenth, then a tenth
  kThree, // Ctrl: round to a multiple of 3, then 3
};

/// The plain value after one notch (notch +1 or -1) in the parameter's units: rounded to its step when stepped and
/// clamped to its range. [any thread]
double WheelPlain(double value, int notch, KnobWheelUnit unit, const KnobRange& range);
