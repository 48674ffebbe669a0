// The child windows of an X window, for tests that check what a view put into its host's window.
#pragma once

#include <vector>

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

} // namespace testsupport
