// Runs the built drovik-host as a child process for the host-level tests and collects what it printed.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace hosttest {

struct HostRun
{
  int status = -1;
  std::string out;
  std::string err;
};

/// drovik-host with `args`; `env` pairs are set for the child only; `shellBefore` is shell text run first in the
/// child's shell (e.g. "cd DIR && ulimit -f 40 && ").
HostRun RunHost(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env = {},
                const std::string& shellBefore = "");

/// As RunHost, for another program of ours.
HostRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& env = {},
                   const std::string& shellBefore = "");

/// Paths from the test's environment (set by CMake): the host, the fixture plug-in.
std::string HostPath();
std::string FixturePath();
/// A Debian plug-in the tests drive (a mono EQ without chunks).
std::string ZamPath();
/// The built Drovik bundle folder.
std::string DrovikBundle();

/// A fresh temporary folder, removed by nobody (CTest runs in a scratch area).
std::string TempDir();

/// The value after "key: " on the first line that starts with it, or "" when absent.
std::string Field(const std::string& text, const std::string& key);
/// The first line starting with `prefix`, or "".
std::string Line(const std::string& text, const std::string& prefix);

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace hosttest
