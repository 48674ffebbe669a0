// The special controls a graphics context builds and owns beside its listed controls: the in-editor popup menu
// and text entry, the corner resizer, value bubbles, the frame-time display and the background controls. They
// are the control library's; the context builds and drives them.
#pragma once

#include "controls/IBackgroundControls.h"
#include "controls/IBubbleControl.h"
#include "controls/ICornerResizerControl.h"
#include "controls/IFPSDisplayControl.h"
#include "controls/IPopupMenuControl.h"
#include "controls/ITextEntryControl.h"
