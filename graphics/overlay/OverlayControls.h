// The special controls a graphics context builds and owns beside its listed controls: the in-editor popup menu
// and text entry, the corner resizer, value bubbles, the frame-time display and the background controls. They
// are the control library's; the context builds and drives them.
#pragma once

#include "graphics/overlay/IBackgroundControls.h"
#include "graphics/overlay/IBubbleControl.h"
#include "graphics/overlay/ICornerResizerControl.h"
#include "graphics/overlay/IFPSDisplayControl.h"
#include "graphics/overlay/IPopupMenuControl.h"
#include "graphics/overlay/ITextEntryControl.h"
