// Whether the X server a display name points at answers, found out with a deadline. Xlib's own opening waits for
// the server's first answer without limit, so a server that takes connections and never answers (stopped, frozen,
// or a forwarded display whose other end is gone) would hold the caller for good: we reach the server the way
// Xlib does, send the opening of a connection ourselves and wait for the first byte of its answer with a deadline.
#pragma once

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include "appkit/x11_display_name.h"

namespace appkit {

enum class ServerProbe
{
  kAnswered,  // the server answered (or closed the connection at once): opening it cannot hang on its answer
  kNoServer,  // nothing takes connections there
  kBusy,      // a server is there but takes no more connections for now (its queue of waiting ones is full)
  kSilent,    // a server took the connection and did not answer before the deadline
  kRefused,   // a form of display name we do not reach ourselves: treated as no display, never left to Xlib
};

namespace serverprobe {

using Deadline = std::chrono::steady_clock::time_point;

/// Milliseconds left until the deadline, at least 0.
inline int MillisecondsLeft(Deadline deadline)
{
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(std::min<int64_t>(left.count(), 1 << 30)) : 0;
}

/// Waits until fd has one of the events or the deadline passes; true when it has.
inline bool WaitFor(int fd, short events, Deadline deadline)
{
  for (;;)
  {
    pollfd p{fd, events, 0};
    const int ready = poll(&p, 1, MillisecondsLeft(deadline));
    if (ready > 0)
      return true;
    if (ready == 0 || errno != EINTR)
      return false;
  }
}

/// Sends the opening of a connection (no authorisation: any answer will do, a refusal too) on a connected socket,
/// waits for the first byte of the answer, and closes the socket.
inline ServerProbe AwaitAnswer(int fd, Deadline deadline)
{
  // Byte order 'l' (least significant first), protocol 11.0, no authorisation name or data.
  static const unsigned char kOpening[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const bool sent = send(fd, kOpening, sizeof(kOpening), MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof(kOpening));
  // A server that closed the connection at once counts as answering: opening it fails without waiting.
  const ServerProbe result = !sent || WaitFor(fd, POLLIN, deadline) ? ServerProbe::kAnswered : ServerProbe::kSilent;
  close(fd);
  return result;
}

/// A connection to the local socket (abstract when `abstract`), without waiting for room in its queue.
inline ServerProbe ProbeLocal(const std::string& path, bool abstract, Deadline deadline)
{
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t offset = abstract ? 1 : 0;
  if (path.size() + offset >= sizeof(address.sun_path))
    return ServerProbe::kRefused;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return ServerProbe::kNoServer;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0)
    return AwaitAnswer(fd, deadline);
  const int error = errno;
  close(fd);
  return error == EAGAIN ? ServerProbe::kBusy : ServerProbe::kNoServer;
}

/// A connection to the host's port (IPv6 addresses only when `ipv6Only`), each of its addresses in turn, each
/// connection attempt bounded by the deadline. (Looking the host's name up is not bounded.)
inline ServerProbe ProbeNetwork(const std::string& host, bool ipv6Only, uint16_t port, Deadline deadline)
{
  addrinfo hints{};
  hints.ai_family = ipv6Only ? AF_INET6 : AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
    return ServerProbe::kNoServer;
  ServerProbe result = ServerProbe::kNoServer;
  for (addrinfo* a = found; a && result == ServerProbe::kNoServer; a = a->ai_next)
  {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0)
      continue;
    int error = connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
    if (error == EINPROGRESS)
    {
      socklen_t size = sizeof(error);
      if (!WaitFor(fd, POLLOUT, deadline))
        error = ETIMEDOUT;
      else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = ECONNREFUSED;
    }
    if (error == 0)
      result = AwaitAnswer(fd, deadline);
    else
    {
      close(fd);
      if (error == ETIMEDOUT)
        result = ServerProbe::kSilent; // nobody answered the connection itself before the deadline
    }
  }
  freeaddrinfo(found);
  return result;
}

} // namespace serverprobe

/// Probes the server that `name` (a DISPLAY value) points at, in the places Xlib tries for it (see
/// ParseDisplayName): the local sockets, abstract first, then TCP. Waits for an answer until the deadline. Names
/// read as refused are not tried: kRefused. [any thread]
inline ServerProbe ProbeServer(const std::string& name, std::chrono::steady_clock::time_point deadline)
{
  using namespace serverprobe;
  using Places = DisplayAddress::Places;
  const DisplayAddress address = ParseDisplayName(name);
  if (address.places == Places::kRefused)
    return ServerProbe::kRefused;
  ServerProbe result = ServerProbe::kNoServer;
  if (address.places == Places::kLocal || address.places == Places::kLocalThenNetwork)
  {
    result = ProbeLocal(address.SocketPath(), true, deadline);
    if (result == ServerProbe::kNoServer)
      result = ProbeLocal(address.SocketPath(), false, deadline);
  }
  if (result == ServerProbe::kNoServer && address.places != Places::kLocal)
    result = ProbeNetwork(address.host, address.ipv6Only, address.port, deadline);
  return result;
}

} // namespace appkit
