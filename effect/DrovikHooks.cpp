// Construction steps whose subsystems are not in place yet: the DSP preparation and the editor factories.
// Each keeps its name so the owning subsystem fills it in here.
#include "effect/Drovik.h"

void Drovik::PrepareDSP() {}

void Drovik::InitPlugControls() {}
