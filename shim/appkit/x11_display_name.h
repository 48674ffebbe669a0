// A display name ("[protocol/][host]:number[.screen]", the DISPLAY value) read the way Xlib reads it, down to the
// places a connection to it is tried: the display's local sockets, TCP on a host's port, or both in turn. Names
// Xlib reads differently than this, or reaches by a way of its own we do not follow (DECnet, other protocols),
// come out refused.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace appkit {

/// Where Xlib tries to reach the display a name points at.
struct DisplayAddress
{
  enum class Places
  {
    kRefused,          // a form we do not reach ourselves
    kLocal,            // the display's abstract socket, then its socket file
    kLocalThenNetwork, // as kLocal, then TCP to this machine
    kNetwork,          // TCP to the host
  };

  Places places = Places::kRefused;
  std::string host;     // for TCP: a host name or an address (an IPv6 address without its brackets)
  bool ipv6Only = false; // the host was written in brackets: only IPv6 addresses are tried
  int number = 0;       // the display number (negative and wrapped numbers are Xlib's too)
  int screen = 0;
  uint16_t port = 0;    // TCP port: 6000 + number, wrapped to 16 bits

  /// The display's socket file; its abstract socket has the same name.
  std::string SocketPath() const { return "/tmp/.X11-unix/X" + std::to_string(number); }
};

namespace displayname {

/// Reads a whole decimal number as Xlib does: leading blanks and a sign allowed, the value wrapped to an int. False
/// when there are no digits or anything follows them.
inline bool ReadNumber(const std::string& text, int& value)
{
  const char* start = text.c_str();
  char* end = nullptr;
  const unsigned long read = std::strtoul(start, &end, 10);
  if (end == start || *end != '\0')
    return false;
  value = static_cast<int>(static_cast<unsigned int>(read));
  return true;
}

/// Reads "number[.screen]".
inline bool ReadNumberAndScreen(const std::string& text, DisplayAddress& address)
{
  const size_t dot = text.find('.');
  if (!ReadNumber(text.substr(0, dot), address.number))
    return false;
  address.screen = 0;
  return dot == std::string::npos || ReadNumber(text.substr(dot + 1), address.screen);
}

/// Whether text (up to a "%zone") is an IPv6 address.
inline bool IsIPv6Address(const std::string& text)
{
  in6_addr parsed{};
  return inet_pton(AF_INET6, text.substr(0, text.find('%')).c_str(), &parsed) == 1;
}

/// Splits "host:number[.screen]" at the last colon; a host in brackets is an IPv6 address. False when malformed.
inline bool ReadHostAndNumber(const std::string& rest, DisplayAddress& address)
{
  const size_t colon = rest.rfind(':');
  if (colon == std::string::npos)
    return false;
  address.host = rest.substr(0, colon);
  const std::string& host = address.host;
  address.ipv6Only = host.size() >= 2 && host.front() == '[' && host.back() == ']';
  if (address.ipv6Only)
    address.host = host.substr(1, host.size() - 2);
  return ReadNumberAndScreen(rest.substr(colon + 1), address);
}

/// The places for the protocol and host read; kRefused for what we do not reach.
inline DisplayAddress::Places PlacesFor(const std::string& protocol, const DisplayAddress& address)
{
  using Places = DisplayAddress::Places;
  const std::string& host = address.host;
  if (protocol == "unix")
    return Places::kLocal; // the host is not looked at
  const bool network = protocol == "tcp" || protocol == "inet" || protocol == "inet6";
  if (!(protocol.empty() || network))
    return Places::kRefused;
  if (address.ipv6Only)
    return IsIPv6Address(host) ? Places::kNetwork : Places::kRefused;
  const bool decnet = !host.empty() && host.back() == ':'; // "host::number"
  if (decnet || (!host.empty() && host.front() == '['))
    return Places::kRefused;
  if (host.empty())
    return network ? Places::kRefused : Places::kLocalThenNetwork;
  if (host == "unix")
    return network ? Places::kRefused : Places::kLocal;
  return Places::kNetwork;
}

} // namespace displayname

/// The places Xlib tries for a display name, with its number, screen and port. [any thread]
inline DisplayAddress ParseDisplayName(const std::string& name)
{
  using namespace displayname;
  DisplayAddress address;
  const size_t slash = name.rfind('/');
  const std::string protocol = slash == std::string::npos ? std::string() : name.substr(0, slash);
  const std::string rest = slash == std::string::npos ? name : name.substr(slash + 1);
  if (!ReadHostAndNumber(rest, address))
    return DisplayAddress{};
  address.places = PlacesFor(protocol, address);
  if (address.places == DisplayAddress::Places::kRefused)
    return DisplayAddress{};
  constexpr unsigned int kFirstPort = 6000;
  address.port = static_cast<uint16_t>(kFirstPort + static_cast<unsigned int>(address.number));
  if (address.places == DisplayAddress::Places::kLocalThenNetwork)
    address.host = "localhost";
  else if (address.places == DisplayAddress::Places::kLocal)
  {
    address.host.clear();
    address.ipv6Only = false;
  }
  return address;
}

} // namespace appkit
