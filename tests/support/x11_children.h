// The child windows of an X window, for tests that check what a view put into its host's window.
#pragma once

#include <vector>

#include <unistd.h>

#include <X11/Xlib.h>

namespace testsupport {

/// The children of `parent`, bottom-most first (empty when the query fails).
inline std::vector<Window> ChildWindows(Display* display, Window parent)
{
  Window root, grandparent, *children = nullptr;
  unsigned n = 0;
  XQueryTree(display, parent, &root, &grandparent, &children, &n);
  std::vector<Window> out(children, children + n);
  if (children)
    XFree(children);
  return out;
}

/// Whether a window says (_NET_WM_PID) that this process made it: other processes' windows on the same display
/// are not the test's.
inline bool MadeByThisProcess(Display* display, Window w)
{
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  bool ours = false;
  if (XGetWindowProperty(display, w, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False, AnyPropertyType, &type,
                         &format, &n, &after, &data) == Success && data)
  {
    ours = format == 32 && n == 1 && *reinterpret_cast<const long*>(data) == static_cast<long>(getpid());
    XFree(data);
  }
  return ours;
}

/// The mapped override-redirect windows (menus, tooltips, alerts) this process shows on the root, topmost last.
inline std::vector<Window> ShownPopups(Display* display)
{
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &n);
  std::vector<Window> out;
  for (unsigned i = 0; i < n; ++i)
  {
    XWindowAttributes wa{};
    if (XGetWindowAttributes(display, children[i], &wa) && wa.map_state == IsViewable && wa.override_redirect &&
        MadeByThisProcess(display, children[i]))
      out.push_back(children[i]);
  }
  if (children)
    XFree(children);
  return out;
}

} // namespace testsupport
