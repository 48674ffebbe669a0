// The editor command of the test host: opens a plug-in's editor in an X11 window of the host's own, as a Linux
// host does, and prints what the editor reports back.
#pragma once

#include "host/commands.h"

namespace host {

/// editor PLUGIN [--seconds S] [--screenshot OUT.png] [--click X,Y ...] [--drag X,Y,DX,DY ...]
/// [--wheel X,Y,N ...] [--type X,Y,TEXT]
int CommandEditor(const Args& args);

} // namespace host
