// The X11 back end of the view system: the editor's view is a child window of the host's window on a display
// connection of our own, served on the main run loop.
#pragma once

#include <memory>
#include <string>

#include "appkit/application.h"

namespace appkit {

/// Opens the X display for the next MakeX11Application while `needed` answers true; may wait on the server for
/// long, so it is called before the main-thread lock is taken. When another call is opening one, waits for that
/// opening (as long as one of its own could take on a server that answers) and leaves its result. [any thread not
/// holding the main-thread lock]
void OpenX11DisplayAhead(bool (*needed)());
/// Whether a connection of the back end is open and not lost. [any thread]
bool X11DisplayServing();
/// The X11 back end on the display opened ahead, or else on one opened now; null when no display answers, and when
/// an opening ahead on another thread is still under way after the wait above. [main thread]
std::unique_ptr<Application> MakeX11Application();
/// Closes a display opened ahead and never taken, unless an opening is under way. [main thread]
void CloseX11DisplayOpenedAhead();
/// Called when the module is being unloaded or the process ends. [main thread]
void NoteX11ModuleEnding();

/// The local path a dropped file's URI names: "file://" with no host, "localhost" or this machine's name, then the
/// percent-encoded path. False (path empty) for anything else, and for an encoded NUL.
bool LocalPathOfFileURI(const std::string& uri, std::string& path);

} // namespace appkit
