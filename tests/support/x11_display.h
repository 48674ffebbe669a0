// Opens the X display the editor tests draw on. A busy server refuses some connection attempts, so a refusal is
// tried again for a few seconds. Without a display the test skips, except in CI (CI=true), where the editor tests
// must run and a missing X server fails them. A program that skipped a test so, and failed none, ends with
// kNoDisplayExitCode (display_test_main.cpp), which CTest shows as a skipped test.
#pragma once

// gtest before Xlib: Xlib's macros (None, Bool) break gtest's templates.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "appkit/application.h"
#include "appkit/x11_display_open.h"
#include "x11_children.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

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

/// The top-level window of this process named `name` (its first line), or 0.
inline Window TopLevelNamed(Display* display, const std::string& name)
{
  for (Window w : ChildWindows(display, DefaultRootWindow(display)))
  {
    char* title = nullptr;
    if (!XFetchName(display, w, &title) || !title)
      continue;
    const bool named = name.compare(0, name.find('\n'), title) == 0;
    XFree(title);
    if (named && MadeByThisProcess(display, w))
      return w;
  }
  return 0;
}

/// Runs `run`, which shows a window titled `title` and returns the answer given in it, on this thread while another
/// answers it. When no answer ends it within a generous limit, the connection of the application showing it is
/// closed from outside (the window then ends as on a display that went away) and the test fails, instead of
/// hanging; after one such window, later ones are closed as soon as they show.
inline int RunAnswered(const std::string& title, const std::function<int()>& run)
{
  static std::atomic<bool> unansweredBefore{false};
  std::mutex mutex;
  std::condition_variable endedChanged;
  bool ended = false, stopped = false;
  std::thread watcher([&] {
    std::unique_lock<std::mutex> lock(mutex);
    if (endedChanged.wait_for(lock, std::chrono::seconds(unansweredBefore ? 0 : 60), [&] { return ended; }))
      return;
    Display* display = OpenDisplayOrNull();
    while (display && !ended && !stopped)
      if (const Window shown = TopLevelNamed(display, title))
      {
        XKillClient(display, shown);
        stopped = unansweredBefore = true;
      }
      else
        endedChanged.wait_for(lock, std::chrono::milliseconds(10)); // until it shows
    if (display)
      XCloseDisplay(display);
  });
  const int answer = run();
  {
    std::lock_guard<std::mutex> lock(mutex);
    ended = true;
  }
  endedChanged.notify_one();
  watcher.join();
  EXPECT_FALSE(stopped) << "no answer came to \"" << title << "\"";
  return answer;
}

/// Runs `alert` on this thread while another answers it, as RunAnswered.
inline int RunAlertAnswered(appkit::Application& app, const appkit::AlertPanel& alert)
{
  return RunAnswered(alert.title, [&] { return app.RunAlertPanel(alert); });
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
