// The meter display: moves the needles, lamps and number fields of the two VU meter groups and the clip LED from
// the level meters' readings. Controls are reached by the indices the layout kept; an index that names no
// control, or no control of the expected kind, is skipped.
#pragma once

#include "effect/VuMeterCtrlIdx.h"
#include "ui/MeterReadout.h"

namespace plug {
namespace igraphics {
class IGraphics;
}
} // namespace plug

/// One refresh of the meters.
struct MeterDisplayInput
{
  bool bypassed = false;
  double reference = 0;            // dB, the reference of the current meter mode
  MeterInput left, right;          // the pair shown (input or output meters)
  double gainReduction = 1;        // the clipper's envelope
  bool gainReductionInverted = false;
};

/// The text of a bypassed meter's reference field.
inline constexpr const char* kBypassedReferenceText = "    ";

/// Sets every control whose value or text changed; an unchanged control is left alone. [main thread, editor open]
void UpdateMeterDisplay(plug::igraphics::IGraphics& g, const VuMeterCtrlIdx& left, const VuMeterCtrlIdx& right,
                        int clipLed, const MeterDisplayInput& in, const ShapeLinearCustom& scale);
