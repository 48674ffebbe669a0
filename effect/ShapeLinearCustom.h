// A parameter shape made of straight segments through a list of points: the effect's meter scale (level in dB
// against needle position). It ignores the parameter's range; the points' bounding box bounds the input.
#pragma once

#include "core/IParam.h"
#include "effect/dsp/piecewise_linear.h"

class ShapeLinearCustom : public plug::IParam::Shape
{
public:
  /// Appends a point; points must rise in both coordinates. [main thread, construction]
  void AddPoint(double value, double normalized) { mMap.AddPoint(value, normalized); }
  const PiecewiseLinear& Map() const { return mMap; }

  Shape* Clone() const override { return new ShapeLinearCustom(*this); }
  void Init(const plug::IParam&) override {}
  int GetCurveKind() const override { return 0; }
  double NormalizedToValue(double x, const plug::IParam&) const override { return mMap.NormalizedToValue(x); }
  double ValueToNormalized(double v, const plug::IParam&) const override { return mMap.ValueToNormalized(v); }

  /// The same mappings without a parameter (the editor's meter display uses these). [any thread]
  double ValueToNormalized(double v) const { return mMap.ValueToNormalized(v); }
  double NormalizedToValue(double x) const { return mMap.NormalizedToValue(x); }

private:
  PiecewiseLinear mMap;
};
