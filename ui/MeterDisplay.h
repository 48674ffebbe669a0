// The meter display: moves the needles, lamps and number fields of the two VU meter groups and the clip LED from
// the level meters' readings. Controls are reached by the indices the layout kept; an index that names no
// control, or no control of the expected kind, is skipped.
#pragma once

#include "ui/MeterReadout.h"

namespace plug {
namespace igraphics {
class IGraphics;
}
} // namespace plug

/// The control-list indices of one VU meter group (-1: none).
struct VuMeterCtrlIdx
{
  int base = -1, off = -1, needle = -1, needle1 = -1, lamp = -1, leftText = -1, refText = -1, rightText = -1;
};

/// The indices of meter group `meter` (0 left, 1 right) in the editor's control list. [any thread]
VuMeterCtrlIdx KeptMeterIndices(int meter);
/// The index of the clip LED in the editor's control list. [any thread]
int KeptClipLedIndex();

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
