// The plug-in validator: a battery of named host-side checks run against any Linux VST 2.x plug-in, at rising
// strictness levels, each printing a pass, fail or skip line, then a summary "N passed, N failed".
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace host::validator {

constexpr int kMinLevel = 1;
constexpr int kMaxLevel = 5;

struct Options
{
  std::string pluginPath;
  int level = 3;
  uint32_t seed = 1;
  std::vector<std::string> only; // check names to run; empty runs every check of the level
  std::vector<std::string> skip; // check names not to run
  bool isolate = true;           // each check in a child process: a crash fails that check, not the run
};

struct Summary
{
  int passed = 0;
  int failed = 0;
  int skipped = 0;
};

/// The names of every check, in running order, each with the lowest level that runs it.
std::vector<std::pair<std::string, int>> CheckNames();

/// Runs the checks, printing one line per check and the summary to `out`.
Summary Run(const Options& options, std::ostream& out);

} // namespace host::validator
