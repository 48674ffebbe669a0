// What this test process holds open, counted from /proc/self, for tests that check that nothing is left behind.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

/// How many entries a folder of /proc/self has: "fd", the file descriptors this process has open; "task", its
/// threads.
inline int EntriesOfThisProcess(const char* folder)
{
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(std::string("/proc/self/") + folder))
    ++count;
  return count;
}

/// The file descriptors this process has open.
inline int OpenDescriptors() { return EntriesOfThisProcess("fd"); }

} // namespace testsupport
