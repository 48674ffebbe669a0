// X servers of a test's own, on display numbers nothing else uses: an Xvfb the test starts and stops (and may start
// again on the same number), and a socket that takes connections and never answers them, as a stopped or frozen
// server, or a forwarded display whose other end is gone, does.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <X11/Xlib.h>

#include "appkit/x11_display_open.h"

extern char** environ;

namespace testsupport {

/// Whether TCP port 6000 + number on the loopback address is free: another run's server may listen there.
inline bool DisplayPortFree(int number)
{
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(6000 + number));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const bool unused = fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  if (fd >= 0)
    close(fd);
  return unused;
}

/// Where this process looks for display numbers: a place of its own up to 200 above `from`, so that test runs side
/// by side seldom try the same numbers, nor take the one another has just let go of to start it again.
inline int OwnDisplayNumbers(int from) { return from + static_cast<int>(getpid() % 200); }

/// A display number nothing uses yet (no lock file, no socket, no server on its port), counting up from `from`;
/// -1 when none is free.
inline int FreeDisplayNumber(int from = OwnDisplayNumbers(150))
{
  struct stat st{};
  for (int n = from; n < from + 100; ++n)
    if (stat(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), &st) != 0 &&
        stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &st) != 0 && DisplayPortFree(n))
      return n;
  return -1;
}

/// Whether this machine has the IPv6 loopback address (some containers have none).
inline bool HaveIPv6Loopback()
{
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  address.sin6_addr = in6addr_loopback;
  const int fd = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const bool bound = fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  if (fd >= 0)
    close(fd);
  return bound;
}

inline std::string DisplayName(int number) { return ":" + std::to_string(number); }

/// Whether Xvfb can be run here.
inline bool HaveXvfb() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

/// An Xvfb on one display number, killed when the object goes.
class TestXServer
{
public:
  TestXServer() = default;
  explicit TestXServer(int number) : mNumber(number) {}
  ~TestXServer() { Stop(); }
  TestXServer(const TestXServer&) = delete;
  TestXServer& operator=(const TestXServer&) = delete;

  std::string Name() const { return DisplayName(mNumber); }

  /// Starts the server without waiting for it; false when it cannot be run.
  bool Launch()
  {
    const std::string name = Name();
    const char* argv[] = {"Xvfb", name.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset", nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&mPid, "Xvfb", &quiet, nullptr, const_cast<char**>(argv), environ) != 0)
      mPid = -1;
    posix_spawn_file_actions_destroy(&quiet);
    return mPid > 0;
  }

  /// Starts the server, makes it this process's DISPLAY and opens a connection to it once it answers. Null when
  /// it cannot start there (another run's server took the number first) or does not answer within seconds.
  Display* Start()
  {
    if (!Launch() || !WaitUntilServing())
      return nullptr;
    setenv("DISPLAY", Name().c_str(), 1);
    constexpr double kStartPatience = 10.0;
    return appkit::OpenDisplayPatiently(kStartPatience);
  }

  /// Starts the server on the first display number from `from` that it can take for its own; the number is kept
  /// for later starts. Null when none could be taken.
  Display* StartOnFreeNumber(int from)
  {
    for (int tries = 0; tries < 20; ++tries, ++from)
    {
      mNumber = from = FreeDisplayNumber(from);
      if (mNumber < 0)
        return nullptr;
      if (Display* display = Start())
        return display;
    }
    return nullptr;
  }

  /// Kills the server at once, as a crash would, and waits until it is gone; its display number is free again.
  void Stop()
  {
    if (mPid <= 0)
      return;
    const bool owned = Serving();
    kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
    mPid = -1;
    if (!owned) // another server's files
      return;
    unlink(LockPath().c_str());
    unlink(("/tmp/.X11-unix/X" + std::to_string(mNumber)).c_str());
  }

private:
  std::string LockPath() const { return "/tmp/.X" + std::to_string(mNumber) + "-lock"; }

  /// Whether the display's lock file names this object's server: Xvfb writes its process id there.
  bool Serving() const
  {
    char text[32] = {};
    const int fd = open(LockPath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      return false;
    const ssize_t n = read(fd, text, sizeof(text) - 1);
    close(fd);
    return n > 0 && std::atoi(text) == mPid;
  }

  /// Waits until the server holds its display, or has ended (its number was taken) or takes seconds.
  bool WaitUntilServing()
  {
    for (int i = 0; i < 2000; ++i)
    {
      if (waitpid(mPid, nullptr, WNOHANG) == mPid)
      {
        mPid = -1;
        return false;
      }
      if (Serving())
        return true;
      usleep(5000);
    }
    return false;
  }

  int mNumber = -1;
  pid_t mPid = -1;
};

/// A socket at a display's place that takes connections into its queue and never answers them: the display's
/// local socket, or (for a forwarded display) TCP port 6000 + number on this machine's IPv4 or IPv6 loopback
/// address.
class SilentXServer
{
public:
  enum class Place
  {
    kLocal,
    kNetwork,
    kNetworkIPv6,
  };

  SilentXServer(int number, Place place) : mNumber(number)
  {
    constexpr int kFirstPort = 6000;
    if (place == Place::kLocal)
      Listen(number);
    else
      mFd = ListenOnLoopback(kFirstPort + number, place == Place::kNetworkIPv6);
    mName = place == Place::kLocal     ? DisplayName(number)
            : place == Place::kNetwork ? "localhost" + DisplayName(number)
                                       : "[::1]" + DisplayName(number);
  }
  ~SilentXServer()
  {
    if (mFd >= 0)
      close(mFd);
    if (!mPath.empty())
      unlink(mPath.c_str());
  }
  SilentXServer(const SilentXServer&) = delete;
  SilentXServer& operator=(const SilentXServer&) = delete;

  bool Listening() const { return mFd >= 0; }
  const std::string& Name() const { return mName; }

  /// A silent server on the first display number from `from` whose place it can take (another run may take a
  /// free one first); null when none could be taken.
  static std::unique_ptr<SilentXServer> OnFreeNumber(int from, Place place)
  {
    for (int tries = 0; tries < 20 && (from = FreeDisplayNumber(from)) >= 0; ++tries, ++from)
      if (auto server = std::make_unique<SilentXServer>(from, place); server->Listening())
        return server;
    return nullptr;
  }
  int Number() const { return mNumber; }

private:
  void Listen(int number)
  {
    mkdir("/tmp/.X11-unix", 01777);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    mFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (mFd >= 0 && bind(mFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
      mPath = path;
    if (mFd >= 0 && (mPath.empty() || listen(mFd, 16) != 0))
    {
      close(mFd);
      mFd = -1;
    }
  }
  static int ListenOnLoopback(int port, bool ipv6)
  {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in6 address6{};
    address6.sin6_family = AF_INET6;
    address6.sin6_port = htons(static_cast<uint16_t>(port));
    address6.sin6_addr = in6addr_loopback;
    const int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
      return -1;
    const bool bound = ipv6 ? bind(fd, reinterpret_cast<const sockaddr*>(&address6), sizeof(address6)) == 0
                            : bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    if (!bound || listen(fd, 16) != 0)
    {
      close(fd);
      return -1;
    }
    return fd;
  }

  std::string mPath;
  std::string mName;
  int mNumber;
  int mFd = -1;
};

} // namespace testsupport
