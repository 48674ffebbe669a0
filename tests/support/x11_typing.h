// The user's keyboard for the X11 tests: a key typed through XTest on a connection of the test's own.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace testsupport {

/// Presses and releases the key, inside a press of the modifier key when one is given.
inline void TypeKey(Display* display, KeySym sym, KeySym modifier = 0)
{
  if (modifier)
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, modifier), True, 0);
  XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), True, 0);
  XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), False, 0);
  if (modifier)
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, modifier), False, 0);
  XSync(display, False);
}

} // namespace testsupport
