// What one VU meter group shows for one level meter: needle and second-needle positions, the peak lamp and the two
// value texts. The meter display computes it on the main thread and sets the group's controls from it.
#pragma once

#include <string>

class ShapeLinearCustom;

/// The readings of one level meter, as the audio thread published them.
struct MeterInput
{
  double value = 0;    // current value, linear
  double maximum = 0;  // maximum since the last meter reset, linear
  double envelope = 0; // display envelope
  bool inverted = false; // the envelope holds 1 - level
  double gain = 1;     // level scale factor
  double dbFactor = 8.685889638065037;
};

struct MeterReadout
{
  double needle = 0;  // position 0..1 of the needle drawn on top (the current value)
  double needle1 = 0; // position of the needle drawn below it (the display envelope)
  double lamp = 0;    // 1 when the current value is above 0.01 dB over the reference
  std::string envelopeText, maximumText;
};

/// The lowest value shown as a number lies above this many dB under the reference.
inline constexpr double kMeterFloorDb = -144.0;
/// The value texts of a bypassed meter.
inline constexpr const char* kMeterSilentText = "-INF";

/// The readout of one meter against the reference (dB) on the meter scale. [main thread]
MeterReadout ReadMeter(const MeterInput& in, double reference, const ShapeLinearCustom& scale);

/// A level in dB relative to the reference, with one decimal; "-INF" at or below -144 - reference and for a level
/// that is no number; "+INF" for an infinite level. [any thread]
std::string FormatMeterValue(double db, double reference);

/// The reference text: the reference in whole dB. [any thread]
std::string FormatMeterReference(double reference);

/// The needle position of a level on the meter scale: 0 for minus infinity or no number. [any thread]
double MeterScalePosition(double db, const ShapeLinearCustom& scale);

/// The clip LED: lit while the clipper reduces the gain (envelope below 1, or above 0 when inverted). [any thread]
double ClipLedValue(double gainReduction, bool inverted);
