// Construction steps whose subsystems are not in place yet: the editor factories.
// Each keeps its name so the owning subsystem fills it in here.
#include "effect/Drovik.h"

void Drovik::InitPlugControls() {}
