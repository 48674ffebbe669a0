// Opening a connection to the X server. A busy server refuses some connection attempts for a moment (its queue of
// waiting connections is full), so a refusal is tried again for a short while before it counts as no display. A
// server that takes the connection and does not answer (stopped, frozen) counts as no display once the wait for
// its answer is over, instead of holding the caller for good inside Xlib.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "appkit/x11_server_probe.h"

namespace appkit {

/// Opens the display `name`, or sets `lost` when the server went away during the opening (it took the connection:
/// no refusal to try again).
using DisplayOpener = Display* (*)(const char* name, bool& lost);

/// XOpenDisplay, which never tells a loss from a refusal.
inline Display* OpenDisplayPlainly(const char* name, bool&) { return XOpenDisplay(name); }

/// The display that DISPLAY names, tried again every 20 ms for up to `patienceSeconds` while nothing takes the
/// connection; each attempt waits up to `answerSeconds` for the server's answer. Null when DISPLAY is unset or
/// empty (nothing to wait for), when no attempt was accepted in time, when the server did not answer or went away
/// during the opening, or when the name is of a form whose server we do not check (Xlib could wait for it without
/// limit). What remains unbounded: looking up a remote host's name, and a server that answers our probe and then
/// stops before Xlib's own opening has its answer. `open` does the opening itself.
inline Display* OpenDisplayPatiently(double patienceSeconds, double answerSeconds,
                                     DisplayOpener open = OpenDisplayPlainly)
{
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name)
    return nullptr;
  using Clock = std::chrono::steady_clock;
  const auto limit = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(patienceSeconds));
  const auto answerWait = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(answerSeconds));
  for (;;)
  {
    const ServerProbe probe = ProbeServer(name, Clock::now() + answerWait);
    if (probe == ServerProbe::kSilent || probe == ServerProbe::kRefused)
      return nullptr;
    bool lost = false;
    if (probe != ServerProbe::kBusy)
      if (Display* display = open(name, lost))
        return display;
    if (lost)
      return nullptr;
    if (Clock::now() >= limit)
      return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

/// As above, waiting for an answer as long as for a connection.
inline Display* OpenDisplayPatiently(double patienceSeconds)
{
  return OpenDisplayPatiently(patienceSeconds, patienceSeconds);
}

} // namespace appkit
