// Opens the X display the editor tests draw on. A busy server refuses some connection attempts, so a refusal is
// tried again for a few seconds. Without a display the test skips, except in CI (CI=true), where the editor tests
// must run and a missing X server fails them. A program that skipped a test so, and failed none, ends with
// kNoDisplayExitCode (display_test_main.cpp), which CTest shows as a skipped test.
#pragma once

// gtest before Xlib: Xlib's macros (None, Bool) break gtest's templates.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "appkit/x11_display_open.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace testsupport {

inline bool MustHaveDisplay()
{
  const char* ci = std::getenv("CI");
  return ci && std::strcmp(ci, "true") == 0;
}

/// The exit code of a test program whose tests passed or skipped, some for want of a display.
constexpr int kNoDisplayExitCode = 77;

/// Whether a test of this program skipped for want of a display. [main thread]
inline bool& SkippedForNoDisplay()
{
  static bool skipped = false;
  return skipped;
}

/// Seconds a test keeps trying to reach a server that refuses connections.
constexpr double kTestDisplayPatience = 5.0;

inline Display* OpenDisplayOrNull() { return appkit::OpenDisplayPatiently(kTestDisplayPatience); }

/// Sets the screen resolution (Xft.dpi) in the X resources that a new connection reads its screen scale from;
/// null removes the resources.
inline void SetScreenDpi(Display* display, const char* dpi)
{
  const Atom resources = XInternAtom(display, "RESOURCE_MANAGER", False);
  if (dpi)
  {
    const std::string text = std::string("Xft.dpi:\t") + dpi + "\n";
    XChangeProperty(display, DefaultRootWindow(display), resources, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.c_str()), static_cast<int>(text.size()));
  }
  else
    XDeleteProperty(display, DefaultRootWindow(display), resources);
  XSync(display, False);
}

} // namespace testsupport

// In a test fixture's SetUp: stores the opened display in `display`, or skips (fails in CI) the test.
#define DROVIK_OPEN_TEST_DISPLAY(display)                                                                           \
  do {                                                                                                              \
    if (!((display) = ::testsupport::OpenDisplayOrNull())) {                                                        \
      const char* name = std::getenv("DISPLAY");                                                                    \
      if (::testsupport::MustHaveDisplay())                                                                         \
        GTEST_FAIL() << "no X display (" << (name ? name : "DISPLAY unset") << "): in CI the editor tests must run"; \
      ::testsupport::SkippedForNoDisplay() = true;                                                                  \
      GTEST_SKIP() << "no X display (" << (name ? name : "DISPLAY unset") << ")";                                   \
    }                                                                                                               \
  } while (false)

// In a test's SetUp or body: skips (fails in CI) the test when no X server answers on DISPLAY.
#define DROVIK_REQUIRE_TEST_DISPLAY()                                                                               \
  do {                                                                                                              \
    Display* reached = nullptr;                                                                                     \
    DROVIK_OPEN_TEST_DISPLAY(reached);                                                                              \
    XCloseDisplay(reached);                                                                                         \
  } while (false)
