// The built bundle's editor in a host's X window (Xvfb from the test script): opening into a window already gone
// answers 0; the host's X error handler gets the host's errors, and only those, while the editor is open, and is
// the host's again once it closes; a hundred openings and closings leave no window behind (and, under the
// sanitizers, nothing leaked). Skips without a display, except in CI.
#include <atomic>
#include <cstdlib>

#include "loaded_bundle.h"

// Last: X defines macros (None, Bool) that the headers above would trip over.
#include <X11/Xlib.h>

#include "x11_display.h"

using hosttest::Instance;

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

TEST(BundleEditor, AHundredOpeningsAndClosingsLeaveNoWindowBehind)
{
  Display* host = nullptr;
  DROVIK_OPEN_TEST_DISPLAY(host);
  const Window parent = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 1000, 1000, 0, 0, 0);
  XMapWindow(host, parent);
  XSync(host, False);
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

} // namespace
