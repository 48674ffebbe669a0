#include "ui/MeterReadout.h"

#include <cmath>
#include <cstdio>

#include "effect/ShapeLinearCustom.h"

namespace {
constexpr double kLampThresholdDb = 0.01;

double Db(double linear, const MeterInput& in) { return std::log(linear * in.gain) * in.dbFactor; }
} // namespace

double MeterScalePosition(double db, const ShapeLinearCustom& scale)
{
  if (std::isnan(db)) return 0;
  return scale.ValueToNormalized(db);
}

std::string FormatMeterValue(double db, double reference)
{
  if (std::isnan(db) || db <= kMeterFloorDb - reference) return kMeterSilentText;
  if (std::isinf(db)) return "+INF";
  char text[32];
  std::snprintf(text, sizeof text, "%.1lf", db);
  return text;
}

std::string FormatMeterReference(double reference)
{
  if (!std::isfinite(reference)) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.0lf", reference);
  return text;
}

MeterReadout ReadMeter(const MeterInput& in, double reference, const ShapeLinearCustom& scale)
{
  const double a = Db(in.value, in) - reference;
  const double b = std::log(in.inverted ? 1 - in.envelope : in.envelope) * in.dbFactor - reference;
  const double m = Db(in.maximum, in) - reference;
  MeterReadout out;
  out.lamp = a > kLampThresholdDb ? 1.0 : 0.0;
  out.needle = MeterScalePosition(a, scale);
  out.needle1 = MeterScalePosition(b, scale);
  out.envelopeText = FormatMeterValue(b, reference);
  out.maximumText = FormatMeterValue(m, reference);
  return out;
}

double ClipLedValue(double gainReduction, bool inverted)
{
  const double g = inverted ? 1 - gainReduction : gainReduction;
  return g < 1.0 ? 1.0 : 0.0;
}
