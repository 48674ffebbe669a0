// Saving a plug-in's current program or all its programs as .fxp / .fxb bytes, and loading them back the way a
// host does: chunk forms through the plug-in's set-chunk request, value forms through setParameter. A file is
// checked whole before anything is applied, so a refused file changes nothing.
#pragma once

#include "fx_file.h"
#include "plugin.h"

#include <string>
#include <vector>

namespace host {

/// The chunk form when the plug-in keeps its state in chunks, else one value per parameter.
bool SaveProgram(Plugin& plugin, std::vector<uint8_t>& bytes, std::string& error);
/// The chunk form when the plug-in keeps its state in chunks, else every program's values (visits each program
/// and returns to the current one).
bool SaveBank(Plugin& plugin, std::vector<uint8_t>& bytes, std::string& error);

/// Refused with nothing changed when the id differs, the form needs chunks the plug-in lacks, or the file holds
/// more values than the plug-in has parameters. `warning` tells of a chunk the plug-in answered 0 to.
bool LoadProgram(Plugin& plugin, const std::vector<uint8_t>& bytes, std::string& error, std::string* warning = nullptr);
/// As LoadProgram; value-form programs beyond the plug-in's program count are not applied.
bool LoadBank(Plugin& plugin, const std::vector<uint8_t>& bytes, std::string& error, std::string* warning = nullptr);

} // namespace host
