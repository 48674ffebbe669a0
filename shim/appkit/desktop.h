// Programs of the desktop the view system starts: xdg-open for pages, files and folders, and zenity or kdialog
// for file and colour prompts. They are started directly (no shell), with their arguments as given.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace appkit {

/// Whether an executable of that name is on PATH.
bool ProgramExists(const std::string& name);

/// Starts argv[0] and waits up to timeoutSeconds for it: true when it ended with status 0 or is still running
/// then (it is reaped later); false when it could not start or failed.
bool SpawnDetached(const std::vector<std::string>& argv, double timeoutSeconds);

/// Starts argv[0] with its standard output captured and its standard error discarded, and waits for it to end,
/// calling wait(fd) to wait until the output pipe's fd is readable (a nested run loop). Returns the exit status (-1
/// when it could not start).
int RunCapturingOutput(const std::vector<std::string>& argv, std::string& output,
                       const std::function<void(int fd, const std::function<bool()>& done)>& wait);

} // namespace appkit
