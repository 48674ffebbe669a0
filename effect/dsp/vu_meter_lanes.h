// The four VU meters of the chain (input and output, left and right) stepped together in the four lanes of an
// AVX register: the same operations in the same order as LevelMeter::Step and StepDisplay, so the readings are
// identical to stepping the meters one by one.
#pragma once

class LevelMeter;

namespace vu_meter_lanes {

/// True when the CPU has AVX and the four meters are VU meters without a delay. [audio thread]
bool Usable(LevelMeter* const meters[4]);
/// Steps meter i with inputs[i][j] for its first and second input, then its display, for j < n; the same as
/// meters[i]->Step<kMeterKindVU>(select, x, x) and StepDisplay() per sample. Only where Usable. [audio thread]
void Step(LevelMeter* const meters[4], const double* const inputs[4], int n);

} // namespace vu_meter_lanes
