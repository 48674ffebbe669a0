// The built bundle's editor in a host's X window (Xvfb from the test script): opening into a window already gone
// answers 0; the host's X error handler gets the host's errors, and only those, while the editor is open, and is
// the host's again once it closes; a hundred openings and closings leave no window behind (and, under the
// sanitizers, nothing leaked); a paste the host hands a knob's value field lands before the Return the user typed
// while it waited for the clipboard. Skips without a display, except in CI.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "loaded_bundle.h"

// Last: X defines macros (None, Bool) that the headers above would trip over.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "wait_for.h"
#include "x11_children.h"
#include "x11_clipboard_owner.h"
#include "x11_display.h"

using hosttest::Instance;
using testsupport::WaitFor;

namespace {

std::atomic<int> gHostErrors{0};
int CountHostError(Display*, XErrorEvent*)
{
  ++gHostErrors;
  return 0;
}

TEST(BundleEditor, OpensOnlyIntoAWindowAndLeavesTheHostItsErrorHandler)
{
  Display* host = nullptr;
  DROVIK_OPEN_TEST_DISPLAY(host);
  XSetErrorHandler(CountHostError);
  const Window root = DefaultRootWindow(host);
  const Window parent = XCreateSimpleWindow(host, root, 0, 0, 1000, 1000, 0, 0, 0);
  XMapWindow(host, parent);
  const Window gone = XCreateSimpleWindow(host, root, 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(host, gone);
  XSync(host, False);
  {
    Instance p;
    ASSERT_NE(p.Get(), nullptr);
    EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(gone)), 0);
    EXPECT_EQ(gHostErrors.load(), 0); // the errors of our own connection are ours
    ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
    XMapWindow(host, gone); // an error of the host's own while the editor is open
    XSync(host, False);
    EXPECT_EQ(gHostErrors.load(), 1);
    EXPECT_EQ(p.Call(vst2::effEditClose), 1);
  }
  EXPECT_EQ(XSetErrorHandler(CountHostError), CountHostError);
  XDestroyWindow(host, parent);
  XCloseDisplay(host);
}

/// A mapped top-level window of the host's for the editor to open into.
Window MapHostWindow(Display* host)
{
  const Window w = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 1000, 1000, 0, 0, 0);
  XMapWindow(host, w);
  XSync(host, False);
  return w;
}

TEST(BundleEditor, AHundredOpeningsAndClosingsLeaveNoWindowBehind)
{
  Display* host = nullptr;
  DROVIK_OPEN_TEST_DISPLAY(host);
  const Window parent = MapHostWindow(host);
  auto children = [&] {
    Window rootOut = 0, parentOut = 0, *list = nullptr;
    unsigned int n = 0;
    XQueryTree(host, parent, &rootOut, &parentOut, &list, &n);
    if (list) XFree(list);
    return n;
  };
  {
    Instance p;
    ASSERT_NE(p.Get(), nullptr);
    for (int i = 0; i < 100; ++i)
    {
      ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1) << i;
      if (i == 0)
      {
        EXPECT_EQ(children(), 1u);
      }
      p.Call(vst2::effEditIdle);
      ASSERT_EQ(p.Call(vst2::effEditClose), 1) << i;
    }
  }
  XSync(host, False);
  EXPECT_EQ(children(), 0u);
  XDestroyWindow(host, parent);
  XCloseDisplay(host);
}

TEST(BundleEditor, AHostsPasteIntoAKnobsFieldLandsBeforeTheReturnTypedWhileTheClipboardAnswersLate)
{
  Display* host = nullptr;
  DROVIK_OPEN_TEST_DISPLAY(host);
  const Window parent = MapHostWindow(host);
  {
    Instance p;
    ASSERT_NE(p.Get(), nullptr);
    int trim = 0;
    while (trim < p->numParams && p.Text(vst2::effGetParamName, trim).rfind("Input", 0) != 0)
      ++trim;
    ASSERT_LT(trim, p->numParams);
    ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
    std::vector<Window> editor;
    ASSERT_TRUE(WaitFor([&] { return !(editor = testsupport::ChildWindows(host, parent)).empty(); }));
    // A double click on the input trim knob (its face's corner is at 33, 192) opens its value field.
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(host, editor[0], DefaultRootWindow(host), 45, 204, &x, &y, &child);
    XTestFakeMotionEvent(host, -1, x, y, 0);
    for (int click = 0; click < 2; ++click)
    {
      XTestFakeButtonEvent(host, 1, True, 0);
      XTestFakeButtonEvent(host, 1, False, 0);
    }
    XSync(host, False);
    ASSERT_TRUE(WaitFor([&] { return !testsupport::ChildWindows(host, editor[0]).empty(); }));
    {
      testsupport::ClipboardOwner owner("UTF8_STRING", 8, "6", std::chrono::milliseconds(80), [](Display* user) {
        XTestFakeKeyEvent(user, XKeysymToKeycode(user, XK_Return), True, 0);
        XTestFakeKeyEvent(user, XKeysymToKeycode(user, XK_Return), False, 0);
      });
      EXPECT_EQ(p.Call(vst2::effEditKeyDown, 'v', 0, nullptr, 8.f), 1); // Control+V
    }
    // The Return commits the pasted 6 dB (of -24..24) and closes the field.
    EXPECT_TRUE(WaitFor([&] { return testsupport::ChildWindows(host, editor[0]).empty(); }));
    EXPECT_TRUE(WaitFor([&] { return std::abs(p.GetParam(trim) - 0.625f) < 1e-4f; }));
    EXPECT_EQ(p.Call(vst2::effEditClose), 1);
  }
  XDestroyWindow(host, parent);
  XCloseDisplay(host);
}

} // namespace
