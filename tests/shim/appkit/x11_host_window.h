// The setting of the X11 back end's tests: a host's top-level window on a display connection of the test's own,
// and our X11 view system opened beside it. Tests make their view in it, served by a responder of their own or the
// quiet one here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "quiet_responder.h"
#include "x11_display.h"
#include <X11/Xlib.h>

#include "appkit/x11_application.h"
#include "foundation/main_thread.h"

namespace appkit {

/// A key pressed straight in a window of ours (a menu or an alert): it arrives whether or not the window has
/// taken the keyboard yet.
inline void SendKey(Display* display, Window window, KeySym sym)
{
  XKeyEvent k{};
  k.type = KeyPress;
  k.display = display;
  k.window = window;
  k.root = DefaultRootWindow(display);
  k.time = CurrentTime;
  k.same_screen = True;
  k.keycode = XKeysymToKeycode(display, sym);
  XSendEvent(display, window, False, NoEventMask, reinterpret_cast<XEvent*>(&k));
  XSync(display, False);
}

class X11HostWindow : public ::testing::Test
{
protected:
  void SetUp() override
  {
    DROVIK_OPEN_TEST_DISPLAY(mHost);
    // Windows come and go while the test looks at them: their errors are expected.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    mParent = XCreateSimpleWindow(mHost, DefaultRootWindow(mHost), 0, 0, 600, 500, 0, 0, 0);
    XSelectInput(mHost, mParent, KeyPressMask | SubstructureNotifyMask);
    XMapWindow(mHost, mParent);
    XSync(mHost, False);
    mApp = MakeX11Application();
    ASSERT_NE(mApp, nullptr);
  }
  void TearDown() override
  {
    if (!mHost)
      return;
    {
      foundation::MainThreadScope main;
      mView.reset();
      mApp.reset();
    }
    XDestroyWindow(mHost, mParent);
    XCloseDisplay(mHost);
  }

  Display* mHost = nullptr;
  Window mParent = 0;
  std::unique_ptr<Application> mApp;
  std::unique_ptr<View> mView;
};

} // namespace appkit
