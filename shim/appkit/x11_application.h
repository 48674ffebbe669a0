// The X11 back end of the view system: the editor's view is a child window of the host's window on a display
// connection of our own, served on the main run loop.
#pragma once

#include <memory>

#include "appkit/application.h"

namespace appkit {

/// Null when no display can be opened (or X11 support is not built).
std::unique_ptr<Application> MakeX11Application();

} // namespace appkit
