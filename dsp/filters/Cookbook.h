// Single second-order sections set directly: the classic equaliser-cookbook shapes and custom sections from
// explicit poles and zeros.
#pragma once

#include "Biquad.h"

namespace Dsp {

/// Frequencies in Hz, gains in dB, shelf slope S (1 = steepest without overshoot), bandwidth in octaves.
struct CookbookBiquad
{
  static void SetLowPass(BiquadStage& stage, double fs, double fc, double q);
  static void SetHighPass(BiquadStage& stage, double fs, double fc, double q);
  /// Peak gain q at fc.
  static void SetBandPassSkirt(BiquadStage& stage, double fs, double fc, double q);
  /// 0 dB at fc.
  static void SetBandPassPeak(BiquadStage& stage, double fs, double fc, double q);
  static void SetBandStop(BiquadStage& stage, double fs, double fc, double q);
  static void SetAllPass(BiquadStage& stage, double fs, double fc, double q);
  static void SetLowShelf(BiquadStage& stage, double fs, double fc, double gainDb, double slope);
  static void SetHighShelf(BiquadStage& stage, double fs, double fc, double gainDb, double slope);
  static void SetBandShelf(BiquadStage& stage, double fs, double fc, double gainDb, double bandwidthOctaves);
};

/// First order with a real pole and a real zero, scaled.
void CustomOnePole(BiquadStage& stage, double scale, double pole, double zero);
/// Second order with a pole pair and a zero pair in polar form (radius, angle in radians), scaled.
void CustomTwoPole(BiquadStage& stage, double scale, double poleRadius, double poleAngle, double zeroRadius,
                   double zeroAngle);

} // namespace Dsp
