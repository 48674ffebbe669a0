// The half-band coefficient ladders: per stage of a power-of-two chain, sets of increasing length, each with the
// attenuation it reaches; the selection picks the shortest set that reaches the requested attenuation.
#pragma once

namespace resamp {

/// n coefficients for the taps at odd distances 1, 3, ..., 2n - 1 from the centre; they sum to 0.5.
struct HBCoeffSet
{
  const double* coeffs;
  int n;
  double atten;    ///< dB reached over the stop band [0.5 - passBand, 0.5] (cycles per sample at the high rate)
  double passBand; ///< widest pass band (same unit) for which atten holds
};

struct HBLadder
{
  int stage;            ///< first stage index the ladder serves
  const double* steps;  ///< attenuations above which the selection takes the next set
  int stepCount;
  const HBCoeffSet* const* sets; ///< stepCount + 1 sets
};

/// Family for chains built on factor 2 (stages 0, 1, 2, 3, 4-5, 6 and above), and for chains built on 3.
extern const HBLadder kFamily2Ladders[];
extern const int kFamily2LadderCount;
extern const HBLadder kFamily3Ladders[];
extern const int kFamily3LadderCount;

/// The set for a stage index and a requested attenuation (an attenuation exactly at a step takes the shorter
/// set). [any thread]
const HBCoeffSet& SelectHBCoeffs2(int stage, double atten);
const HBCoeffSet& SelectHBCoeffs3(int stage, double atten);

} // namespace resamp
