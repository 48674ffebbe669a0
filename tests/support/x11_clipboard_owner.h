// Another X client that owns the clipboard, for tests that paste: it answers the first request for the
// clipboard's text, at once or late (as a busy program does), and can act as the user while the request waits.
#pragma once

// gtest before Xlib: Xlib's macros (None, Bool) break gtest's templates.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "wait_for.h"
#include "x11_selection_answer.h"

namespace testsupport {

class ClipboardOwner
{
public:
  /// Takes the clipboard on a connection of its own; the first request for it gets a property of this type,
  /// format and bytes. Once asked it first runs `meanwhile` on its connection (the user acting while the
  /// requester waits), then waits `delay` before it answers.
  ClipboardOwner(const char* type, int format, std::string bytes,
                 std::chrono::milliseconds delay = std::chrono::milliseconds(0),
                 std::function<void(Display*)> meanwhile = nullptr)
  {
    mThread = std::thread([this, type, format, bytes, delay, meanwhile] {
      Display* display = XOpenDisplay(nullptr);
      const Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
      XSetSelectionOwner(display, XInternAtom(display, "CLIPBOARD", False), w, CurrentTime);
      XSync(display, False);
      mReady = true;
      const bool asked = WaitFor([&] {
        while (XPending(display))
        {
          XEvent e;
          XNextEvent(display, &e);
          if (e.type != SelectionRequest)
            continue;
          if (meanwhile)
            meanwhile(display);
          XSync(display, False);
          std::this_thread::sleep_for(delay);
          AnswerSelectionRequest(display, e.xselectionrequest, XInternAtom(display, type, False), format, bytes);
          return true;
        }
        return false;
      });
      EXPECT_TRUE(asked);
      XDestroyWindow(display, w);
      XCloseDisplay(display);
    });
    WaitFor([this] { return mReady.load(); });
  }
  ~ClipboardOwner() { mThread.join(); }
  ClipboardOwner(const ClipboardOwner&) = delete;
  ClipboardOwner& operator=(const ClipboardOwner&) = delete;

private:
  std::atomic<bool> mReady{false};
  std::thread mThread;
};

} // namespace testsupport
