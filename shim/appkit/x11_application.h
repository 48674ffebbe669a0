// The X11 back end of the view system: the editor's view is a child window of the host's window on a display
// connection of our own, served on the main run loop.
#pragma once

#include <memory>
#include <string>

#include "appkit/application.h"

namespace appkit {

/// Null when no display can be opened (or X11 support is not built).
std::unique_ptr<Application> MakeX11Application();

/// The local path a dropped file's URI names: "file://" with no host, "localhost" or this machine's name, then the
/// percent-encoded path. False (path empty) for anything else, and for an encoded NUL.
bool LocalPathOfFileURI(const std::string& uri, std::string& path);

} // namespace appkit
