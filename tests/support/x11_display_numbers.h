// The display numbers the tests give X servers of their own, and the files a server holds for its number. A person
// confines the numbers with DROVIK_TEST_DISPLAYS=first-last (a developer's own Xvfb, or another run, then never
// meets them); a number is taken only while no lock file, socket or TCP port says another server has it.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

/// The variable that confines the display numbers: "first-last", both included.
constexpr const char* kTestDisplaysVariable = "DROVIK_TEST_DISPLAYS";

/// Display numbers from first to last, both included; empty when last < first.
struct DisplayNumberRange
{
  int first = 0;
  int last = -1;
  int Size() const { return last >= first ? last - first + 1 : 0; }
  bool Contains(int n) const { return n >= first && n <= last; }
};

/// The numbers used without the variable: well above those a desktop or xvfb-run takes.
constexpr DisplayNumberRange kDefaultTestDisplays{150, 799};
/// The highest number whose TCP port (6000 + number) exists.
constexpr int kLastDisplayNumber = 65535 - 6000;

/// The range a value of the variable gives; empty when it is not "first-last" with 0 <= first <= last.
inline DisplayNumberRange ParseDisplayNumberRange(const std::string& text)
{
  int first = -1, last = -1, end = 0;
  if (std::sscanf(text.c_str(), "%d-%d%n", &first, &last, &end) != 2 || size_t(end) != text.size() || first < 0 ||
      last < first || last > kLastDisplayNumber || text.find_first_of("+ ") != std::string::npos)
    return {};
  return {first, last};
}

/// The numbers this process may take: the variable's range, else the default one. A variable that does not read
/// as a range gives none (said once on stderr), so that the tests fail rather than wander.
inline DisplayNumberRange TestDisplayNumbers()
{
  const char* text = std::getenv(kTestDisplaysVariable);
  if (!text)
    return kDefaultTestDisplays;
  const DisplayNumberRange range = ParseDisplayNumberRange(text);
  static bool told = false;
  if (range.Size() == 0 && !told)
  {
    told = true;
    std::fprintf(stderr, "%s=\"%s\" is not a range of display numbers such as 740-799: no X server is started\n",
                 kTestDisplaysVariable, text);
  }
  return range;
}

inline std::string DisplayLockPath(int number) { return "/tmp/.X" + std::to_string(number) + "-lock"; }
inline std::string DisplaySocketPath(int number) { return "/tmp/.X11-unix/X" + std::to_string(number); }

/// Whether a stream socket of `family` can be bound to `address` (and so no server listens there).
inline bool AddressFree(int family, const sockaddr* address, socklen_t size)
{
  const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const bool unused = fd >= 0 && bind(fd, address, size) == 0;
  if (fd >= 0)
    close(fd);
  return unused;
}

/// Whether TCP port 6000 + number on the loopback address is free: another run's server may listen there.
inline bool DisplayPortFree(int number)
{
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(6000 + number));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return AddressFree(AF_INET, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
}

/// Whether no server listens on the number's abstract socket, the one Xlib tries first: a server whose socket
/// file was removed still answers there.
inline bool DisplayAbstractSocketFree(int number)
{
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = DisplaySocketPath(number);
  std::memcpy(address.sun_path + 1, name.data(), std::min(name.size(), sizeof(address.sun_path) - 1));
  const socklen_t size = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return AddressFree(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), size);
}

inline bool PathExists(const std::string& path)
{
  struct stat st{};
  return lstat(path.c_str(), &st) == 0;
}

/// Whether no server has the number: no lock file, no local socket (file or abstract), nothing on its TCP port.
inline bool DisplayNumberFree(int number)
{
  return !PathExists(DisplayLockPath(number)) && !PathExists(DisplaySocketPath(number)) &&
         DisplayAbstractSocketFree(number) && DisplayPortFree(number);
}

/// `n` brought into the range, counting on from its end to its start.
inline int WrapIntoRange(const DisplayNumberRange& range, int n)
{
  const int size = range.Size();
  return size == 0 ? -1 : range.first + ((n - range.first) % size + size) % size;
}

/// Where this process starts looking for display numbers: a place of its own in the range, `offset` apart for each
/// kind of use and spread by process id, so that test runs side by side seldom try the same numbers, nor take the
/// one another has just let go of to start it again.
inline int OwnDisplayNumbers(int offset)
{
  const DisplayNumberRange range = TestDisplayNumbers();
  return WrapIntoRange(range, range.first + offset + static_cast<int>(getpid() % 200));
}

/// A free display number of the range, looking from `from` on (round to the range's start); -1 when none is.
inline int FreeDisplayNumber(int from = OwnDisplayNumbers(0))
{
  const DisplayNumberRange range = TestDisplayNumbers();
  for (int i = 0; i < range.Size(); ++i)
    if (const int n = WrapIntoRange(range, from + i); DisplayNumberFree(n))
      return n;
  return -1;
}

/// The numbers of the range that some server holds (a lock file or a socket), to tell later which were taken.
inline std::vector<bool> DisplayNumbersHeld()
{
  const DisplayNumberRange range = TestDisplayNumbers();
  std::vector<bool> held(size_t(range.Size()));
  for (int n = range.first; n <= range.last; ++n)
    held[size_t(n - range.first)] = PathExists(DisplayLockPath(n)) || PathExists(DisplaySocketPath(n));
  return held;
}

/// Whether a server takes connections at the local socket.
inline bool SocketAnswers(const std::string& path)
{
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const bool answers = fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  if (fd >= 0)
    close(fd);
  return answers;
}

/// The process id a lock file names (Xvfb writes its own there); -1 when there is none.
inline pid_t LockOwner(int number)
{
  char text[32] = {};
  const int fd = open(DisplayLockPath(number).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return -1;
  const ssize_t n = read(fd, text, sizeof(text) - 1);
  close(fd);
  return n > 0 ? static_cast<pid_t>(std::atoi(text)) : -1;
}

/// After the processes of `group` were killed (they could not stop their servers): removes the lock files and
/// sockets they left on numbers that `heldBefore` (DisplayNumbersHeld) found free. A lock file is theirs when it
/// names a process that is gone or of the group; a socket without a lock file is theirs once nothing answers on it.
/// Another process's server starting meanwhile holds its lock file and keeps its files.
inline void RemoveDisplayFilesLeftBy(pid_t group, const std::vector<bool>& heldBefore)
{
  const DisplayNumberRange range = TestDisplayNumbers();
  for (int n = range.first; n <= range.last && size_t(n - range.first) < heldBefore.size(); ++n)
  {
    if (heldBefore[size_t(n - range.first)])
      continue;
    const bool locked = PathExists(DisplayLockPath(n));
    const pid_t owner = locked ? LockOwner(n) : -1;
    const bool gone = owner > 0 && kill(owner, 0) != 0 && errno == ESRCH;
    if (locked && !gone && !(owner > 0 && getpgid(owner) == group))
      continue;
    if (!locked && !PathExists(DisplaySocketPath(n)))
      continue;
    // A killed server stops answering once it has ended; one that still does after seconds is not the group's.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (SocketAnswers(DisplaySocketPath(n)) && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (SocketAnswers(DisplaySocketPath(n)))
      continue;
    unlink(DisplaySocketPath(n).c_str());
    if (locked)
      unlink(DisplayLockPath(n).c_str());
  }
}

} // namespace testsupport
