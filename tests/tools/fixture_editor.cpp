#include "fixture_editor.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdint>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "appkit/x11_display_open.h"

namespace fixture {

struct Editor::X11
{
  Display* display = nullptr;
  Window window = 0;
  std::string typed;
};

Editor::Editor() = default;
Editor::~Editor() { Close(); }

bool Editor::Rect(vst2::Rect*& rect)
{
  const char* text = std::getenv("DROVIK_FIXTURE_RECT");
  int top = 0, left = 0, bottom = 0, right = 0;
  if (!text || std::sscanf(text, "%d,%d,%d,%d", &top, &left, &bottom, &right) != 4) return false;
  mRect = {static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
           static_cast<int16_t>(right)};
  rect = &mRect;
  return true;
}

bool Editor::Open(void* parentWindow)
{
  Close();
  Display* display = appkit::OpenDisplayPatiently(5.0); // a busy server refuses some attempts
  if (!display) return false;
  mX11 = std::make_unique<X11>();
  mX11->display = display;
  const Window parent = static_cast<Window>(reinterpret_cast<uintptr_t>(parentWindow));
  mX11->window = XCreateSimpleWindow(display, parent, 0, 0, 200, 100, 0, 0, 0);
  XSelectInput(display, mX11->window, KeyPressMask);
  XMapWindow(display, mX11->window);
  XSync(display, False);
  // As an editor does once clicked: the keys go to it wherever the pointer is.
  XSetInputFocus(display, mX11->window, RevertToParent, CurrentTime);
  XSync(display, False);
  return true;
}

void Editor::Idle()
{
  if (!mX11) return;
  while (XPending(mX11->display)) {
    XEvent e;
    XNextEvent(mX11->display, &e);
    if (e.type != KeyPress) continue;
    char text[8] = {};
    KeySym sym = 0;
    const int n = XLookupString(&e.xkey, text, sizeof text - 1, &sym, nullptr);
    if (sym == XK_Return) {
      std::printf("typed: %s\n", mX11->typed.c_str());
      std::fflush(stdout);
      mX11->typed.clear();
    } else if (n > 0) {
      mX11->typed.append(text, static_cast<size_t>(n));
    }
  }
}

void Editor::Close()
{
  if (!mX11) return;
  XSync(mX11->display, False); // what the host typed last is read before the window goes
  Idle();
  XDestroyWindow(mX11->display, mX11->window);
  XCloseDisplay(mX11->display);
  mX11.reset();
}

} // namespace fixture
