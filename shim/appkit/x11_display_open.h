// Opening a connection to the X server. A busy server refuses some connection attempts for a moment (its queue of
// waiting connections is full), so a refusal is tried again for a short while before it counts as no display.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace appkit {

/// The display that DISPLAY names, tried again every 20 ms for up to `patienceSeconds`; null when DISPLAY is unset
/// or empty (nothing to wait for), or when no attempt was accepted in time.
inline Display* OpenDisplayPatiently(double patienceSeconds)
{
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name)
    return nullptr;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(patienceSeconds);
  for (;;)
  {
    if (Display* display = XOpenDisplay(name))
      return display;
    if (std::chrono::steady_clock::now() >= limit)
      return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

} // namespace appkit
