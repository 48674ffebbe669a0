// Another X client that owns the clipboard, for tests that paste: it answers every request for the clipboard's
// text, at once, late (as a busy program does) or never (as a hung one), and can act as the user while the first
// request waits.
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
  /// A delay that never ends: requests are taken and left unanswered.
  static constexpr std::chrono::milliseconds kNeverAnswers = std::chrono::milliseconds::max();

  /// Takes the clipboard on a connection of its own until destroyed; each request for it gets a property of this
  /// type, format and bytes. Once first asked it runs `meanwhile` on its connection (the user acting while the
  /// requester waits); each answer comes `delay` after its request.
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
      while (!mStop)
      {
        while (XPending(display))
        {
          XEvent e;
          XNextEvent(display, &e);
          if (e.type != SelectionRequest)
            continue;
          if (mRequests++ == 0 && meanwhile)
            meanwhile(display);
          XSync(display, False);
          if (delay == kNeverAnswers)
            continue;
          std::this_thread::sleep_for(delay);
          AnswerSelectionRequest(display, e.xselectionrequest, XInternAtom(display, type, False), format, bytes);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
      }
      XDestroyWindow(display, w);
      XCloseDisplay(display);
    });
    WaitFor([this] { return mReady.load(); });
  }
  ~ClipboardOwner()
  {
    mStop = true;
    mThread.join();
    EXPECT_GT(mRequests.load(), 0) << "the clipboard's owner was never asked";
  }
  ClipboardOwner(const ClipboardOwner&) = delete;
  ClipboardOwner& operator=(const ClipboardOwner&) = delete;

  /// Requests taken so far.
  int Requests() const { return mRequests; }

private:
  std::atomic<bool> mReady{false};
  std::atomic<bool> mStop{false};
  std::atomic<int> mRequests{0};
  std::thread mThread;
};

} // namespace testsupport
