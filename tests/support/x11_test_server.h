// X servers of a test's own, on free display numbers of the range the tests may use (x11_display_numbers.h): an
// Xvfb the test starts and stops (and may start again on the same number), a socket that takes connections and
// never answers them, as a stopped or frozen server, or a forwarded display whose other end is gone, does, and one
// that answers the opening of each connection and then freezes.
#pragma once

// gtest (through x11_display.h) before Xlib: Xlib's macros (None, Bool) break gtest's templates.
#include "x11_display.h"
#include "x11_display_numbers.h"

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

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xlib.h>

#include "appkit/x11_display_open.h"

extern char** environ;

namespace testsupport {

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

/// Whether Xvfb can be run here: found on PATH.
inline bool HaveXvfb() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

/// The message of a test that needs Xvfb where there is none.
constexpr const char* kNoXvfb = "no Xvfb program on PATH: this test starts X servers of its own";

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
  int Number() const { return mNumber; }

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
    unlink(DisplayLockPath(mNumber).c_str());
    unlink(DisplaySocketPath(mNumber).c_str());
  }

private:
  /// Whether the display's lock file names this object's server: Xvfb writes its process id there.
  bool Serving() const { return mPid > 0 && LockOwner(mNumber) == mPid; }

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

/// Whether an accepted connection came from this process, or from where no process can be told (a network
/// socket). A client of another test process may still be trying a display number that a server of ours took once
/// that process's own server on it went away: its connections are no client of this test's.
inline bool FromThisProcess(int fd)
{
  ucred peer{};
  socklen_t size = sizeof(peer);
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.pid == 0 || peer.pid == getpid();
}

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
  int Descriptor() const { return mFd; }

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

  /// Accepts the next connection of this process's waiting in the queue (those of other processes are closed);
  /// -1 when none waits.
  int TakeConnection()
  {
    for (pollfd p{mFd, POLLIN, 0}; poll(&p, 1, 0) > 0; p.revents = 0)
    {
      const int fd = accept4(mFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0)
        return -1;
      if (FromThisProcess(fd))
        return fd;
      close(fd);
    }
    return -1;
  }

private:
  void Listen(int number)
  {
    mkdir("/tmp/.X11-unix", 01777);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = DisplaySocketPath(number);
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

/// A server on a display's local socket that answers the opening of every connection (one screen of 640 x 480 at
/// depth 24), reads the requests that follow and never answers them: a server that froze once a client's opening
/// was under way. It serves on a thread of its own until it goes away, as a killed server does: every connection
/// ends. It may go away by itself once a client waits on it (`goesAwayWhenWaitedOn`), or, as a server that crashes
/// and is started again over and over, end each connection whose client waits on it and go on listening
/// (`dropsEachWaitingClient`).
class FrozenXServer
{
public:
  FrozenXServer(int number, bool goesAwayWhenWaitedOn, bool dropsEachWaitingClient = false)
    : mGoesAwayWhenWaitedOn(goesAwayWhenWaitedOn), mDropsEachWaitingClient(dropsEachWaitingClient)
  {
    mListener = std::make_unique<SilentXServer>(number, SilentXServer::Place::kLocal);
    if (!mListener->Listening() || pipe2(mWake, O_CLOEXEC) != 0)
      return;
    mThread = std::thread([this] { Serve(); });
  }
  ~FrozenXServer() { GoAway(); }
  FrozenXServer(const FrozenXServer&) = delete;
  FrozenXServer& operator=(const FrozenXServer&) = delete;

  /// A frozen server on the first display number from `from` whose place it can take; null when none could be.
  static std::unique_ptr<FrozenXServer> OnFreeNumber(int from, bool goesAwayWhenWaitedOn,
                                                     bool dropsEachWaitingClient = false)
  {
    for (int tries = 0; tries < 20 && (from = FreeDisplayNumber(from)) >= 0; ++tries, ++from)
      if (auto server = std::make_unique<FrozenXServer>(from, goesAwayWhenWaitedOn, dropsEachWaitingClient);
          server->Serving())
        return server;
    return nullptr;
  }

  bool Serving() const { return mThread.joinable(); }
  std::string Name() const { return mListener->Name(); }

  /// The connections taken so far. [any thread]
  int Connections() const { return mConnections.load(); }

  /// Waits until a client whose connection was opened sent a request (and so waits for its answer).
  void WaitUntilWaitedOn()
  {
    std::unique_lock<std::mutex> lock(mMutex);
    mChanged.wait(lock, [this] { return mWaitedOn; });
  }

  /// Ends every connection and stops listening, as when the server is killed.
  void GoAway()
  {
    if (!mThread.joinable())
      return;
    const char stop = 1;
    if (write(mWake[1], &stop, 1) != 1)
      return;
    mThread.join();
    close(mWake[0]);
    close(mWake[1]);
    mListener.reset();
  }

private:
  struct Client
  {
    int fd;
    std::vector<unsigned char> opening; // the bytes of its opening read so far
    bool answered = false;
  };

  static size_t Padded(size_t n) { return (n + 3) & ~size_t(3); }

  /// The whole opening: 12 bytes, then the authorisation's name and data, each padded to 4 bytes (least
  /// significant byte first, the order our clients ask for).
  static bool OpeningComplete(const std::vector<unsigned char>& b)
  {
    constexpr size_t kFixed = 12;
    if (b.size() < kFixed)
      return false;
    const size_t name = b[6] | (b[7] << 8), data = b[8] | (b[9] << 8);
    return b.size() >= kFixed + Padded(name) + Padded(data);
  }

  static std::vector<unsigned char> SetupAnswer()
  {
    std::vector<unsigned char> a;
    auto card8 = [&](unsigned v) { a.push_back(static_cast<unsigned char>(v)); };
    auto card16 = [&](unsigned v) { card8(v & 0xFF); card8(v >> 8); };
    auto card32 = [&](unsigned long v) { card16(v & 0xFFFF); card16((v >> 16) & 0xFFFF); };
    card8(1); card8(0); card16(11); card16(0);
    card16(29);                                // 4-byte units after these 8 bytes
    card32(1); card32(0x00200000); card32(0x001FFFFF); card32(0);
    card16(4); card16(0xFFFF);                 // vendor's length, longest request
    card8(1); card8(1);                        // screens, pixmap formats
    card8(0); card8(0); card8(32); card8(32);  // byte and bit order, scanline unit and pad
    card8(8); card8(255); card32(0);           // keycodes
    for (char c : std::string("Test"))
      card8(static_cast<unsigned char>(c));
    card8(24); card8(32); card8(32); card8(0); card32(0); // depth 24 at 32 bits per pixel
    card32(0x100); card32(0x20); card32(0xFFFFFF); card32(0); card32(0); // root, colormap, white, black, events
    card16(640); card16(480); card16(170); card16(127); card16(1); card16(1);
    card32(0x21); card8(0); card8(0); card8(24); card8(1); // root visual, no backing store, depth 24, one depth
    card8(24); card8(0); card16(1); card32(0);             // depth 24: one visual
    card32(0x21); card8(4); card8(8); card16(256);         // true colour
    card32(0xFF0000); card32(0xFF00); card32(0xFF); card32(0);
    return a;
  }

  void Serve()
  {
    const int listener = mListener->Descriptor();
    std::vector<Client> clients;
    for (bool serving = true; serving;)
    {
      std::vector<pollfd> fds{{mWake[0], POLLIN, 0}, {listener, POLLIN, 0}};
      for (const Client& c : clients)
        fds.push_back({c.fd, POLLIN, 0});
      if (poll(fds.data(), fds.size(), -1) < 0)
        continue;
      serving = !(fds[0].revents & POLLIN);
      if (fds[1].revents & POLLIN)
      {
        if (const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC); fd >= 0 && !FromThisProcess(fd))
          close(fd);
        else if (fd >= 0)
        {
          clients.push_back({fd, {}, false});
          ++mConnections;
        }
      }
      for (size_t i = 2; i < fds.size(); ++i)
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR))
          serving = Read(clients[i - 2]) && serving;
      clients.erase(std::remove_if(clients.begin(), clients.end(), [](const Client& c) { return c.fd < 0; }),
                    clients.end());
    }
    for (const Client& c : clients)
      close(c.fd);
  }

  /// Reads what a client sent: its opening is answered, a request after that is never. False when the server goes
  /// away now.
  bool Read(Client& c)
  {
    unsigned char bytes[4096];
    const ssize_t n = read(c.fd, bytes, sizeof(bytes));
    if (n <= 0)
    {
      close(c.fd); // a client that left (the check that a server answers, say)
      c.fd = -1;
      return true;
    }
    if (!c.answered)
    {
      c.opening.insert(c.opening.end(), bytes, bytes + n);
      if (!OpeningComplete(c.opening))
        return true;
      const std::vector<unsigned char> answer = SetupAnswer();
      c.answered = write(c.fd, answer.data(), answer.size()) == static_cast<ssize_t>(answer.size());
      return true;
    }
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mWaitedOn = true;
    }
    mChanged.notify_all();
    if (mDropsEachWaitingClient)
    {
      close(c.fd);
      c.fd = -1;
    }
    return !mGoesAwayWhenWaitedOn;
  }

  bool mGoesAwayWhenWaitedOn;
  bool mDropsEachWaitingClient;
  std::atomic<int> mConnections{0};
  std::unique_ptr<SilentXServer> mListener;
  int mWake[2] = {-1, -1};
  std::thread mThread;
  std::mutex mMutex;
  std::condition_variable mChanged;
  bool mWaitedOn = false;
};

} // namespace testsupport

// In a test that starts X servers of its own: skips it, with a message, when Xvfb cannot be run here; in CI
// (CI=true), where the editor tests must run, fails it.
#define DROVIK_REQUIRE_XVFB()                                                                                       \
  do {                                                                                                              \
    if (!::testsupport::HaveXvfb()) {                                                                               \
      if (::testsupport::MustHaveDisplay())                                                                         \
        GTEST_FAIL() << ::testsupport::kNoXvfb << ": in CI the editor tests must run";                              \
      GTEST_SKIP() << ::testsupport::kNoXvfb;                                                                       \
    }                                                                                                               \
  } while (false)
