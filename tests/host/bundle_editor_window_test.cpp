// The built bundle's editor in a host's X window at screen scale 1 and 2 (Xft.dpi 96 and 192): the editor
// rectangle and every size the plug-in asks the host for are the editor window's size in pixels, also after the
// GUI Scale or the corner handle changes it; an editor that cannot draw is no longer offered; without an X server
// none opens. The plug-in's view system settles the screen scale and its drawing device once per process, so each
// case runs in a child process of its own. Skips without a display, except in CI.
#include <cstdlib>
#include <string>
#include <utility>

#include "child_process.h"
#include "loaded_bundle.h"
#include "wait_for.h"

// Last: X defines macros (None, Bool) that the headers above would trip over.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "x11_children.h"
#include "x11_display.h"

using hosttest::Instance;
using hosttest::NamedHost;
using Size = std::pair<int, int>;

namespace {

class BundleEditorWindow : public ::testing::Test
{
protected:
  void SetUp() override
  {
    DROVIK_OPEN_TEST_DISPLAY(mHost);
    mParent = XCreateSimpleWindow(mHost, DefaultRootWindow(mHost), 0, 0, 1500, 1400, 0, 0, 0);
    XMapWindow(mHost, mParent);
    XSync(mHost, False);
  }
  void TearDown() override
  {
    if (!mHost)
      return;
    testsupport::SetScreenDpi(mHost, nullptr);
    XDestroyWindow(mHost, mParent);
    XCloseDisplay(mHost);
  }

  /// The child process's own display connection (the fixture's belongs to the parent).
  static Display* ChildDisplay()
  {
    static Display* const display = testsupport::OpenDisplayOrNull();
    return display;
  }
  /// The size of the editor's window in the host's window, in pixels; zero while there is none.
  Size EditorWindowSize()
  {
    Display* display = ChildDisplay();
    const std::vector<Window> children = testsupport::ChildWindows(display, mParent);
    XWindowAttributes wa{};
    if (children.size() != 1 || !XGetWindowAttributes(display, children[0], &wa))
      return {0, 0};
    return {wa.width, wa.height};
  }

  Display* mHost = nullptr;
  Window mParent = 0;
};

/// Drags with the left button from one point of the screen to another, as a user does.
void Drag(Display* display, Size from, Size to)
{
  XTestFakeMotionEvent(display, -1, from.first, from.second, 0);
  XTestFakeButtonEvent(display, 1, True, 0);
  XTestFakeMotionEvent(display, -1, to.first, to.second, 0);
  XTestFakeButtonEvent(display, 1, False, 0);
  XSync(display, False);
}

Size EditorRect(const Instance& p)
{
  vst2::Rect* r = nullptr;
  if (p.Call(vst2::effEditGetRect, 0, 0, &r) != 1 || !r)
    return {0, 0};
  return {r->right - r->left, r->bottom - r->top};
}

/// The plug-in's chunk with the GUI Scale set to 0.75 (the value's text keeps its length).
std::vector<unsigned char> WithGUIScaleThreeQuarters(std::vector<unsigned char> chunk)
{
  const std::string from = "name=\"GUI Scale\" val=\"1.000000\"", to = "name=\"GUI Scale\" val=\"0.750000\"";
  const std::string text(chunk.begin(), chunk.end());
  const size_t at = text.find(from);
  if (at != std::string::npos)
    std::copy(to.begin(), to.end(), chunk.begin() + static_cast<long>(at));
  return chunk;
}

TEST_F(BundleEditorWindow, RectangleAndSizesAskedOfTheHostAreTheWindowsPixels)
{
  for (const int scale : {1, 2})
  {
    testsupport::SetScreenDpi(mHost, std::to_string(96 * scale).c_str());
    testsupport::ExpectInChildProcess([&] {
      Instance p(NamedHost::Callback);
      ASSERT_NE(p.Get(), nullptr);
      p.Call(vst2::effOpen);
      const Size opened{468 * scale, 450 * scale};
      EXPECT_EQ(EditorRect(p), opened) << "before opening, scale " << scale;
      ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(mParent)), 1);
      EXPECT_EQ(EditorWindowSize(), opened) << "scale " << scale;
      EXPECT_EQ(EditorRect(p), opened) << "scale " << scale;
      for (const Size& asked : NamedHost::SizeRequests())
        EXPECT_EQ(asked, opened) << "scale " << scale;
      // The GUI Scale, restored with the state while the editor is open, resizes the editor and the host's window.
      ASSERT_EQ(p.SetChunk(WithGUIScaleThreeQuarters(p.GetChunk())), 1);
      const Size scaled{351 * scale, 337 * scale};
      EXPECT_TRUE(testsupport::WaitFor([&] { return EditorWindowSize() == scaled; })) << "scale " << scale;
      ASSERT_FALSE(NamedHost::SizeRequests().empty());
      EXPECT_EQ(NamedHost::SizeRequests().back(), scaled) << "scale " << scale;
      EXPECT_EQ(EditorRect(p), scaled) << "scale " << scale;
      // Closed and opened again, the editor keeps that size, in the same units.
      EXPECT_EQ(p.Call(vst2::effEditClose), 1);
      EXPECT_EQ(EditorRect(p), scaled) << "closed, scale " << scale;
      ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(mParent)), 1);
      EXPECT_EQ(EditorWindowSize(), scaled) << "reopened, scale " << scale;
      EXPECT_EQ(EditorRect(p), scaled) << "reopened, scale " << scale;
      EXPECT_EQ(NamedHost::SizeRequests().back(), scaled) << "reopened, scale " << scale;
      // The corner handle, dragged outwards (the host's window sits at the screen's corner), enlarges the editor.
      Drag(ChildDisplay(), {scaled.first - 3, scaled.second - 3}, {scaled.first * 6 / 5, scaled.second * 6 / 5});
      EXPECT_TRUE(testsupport::WaitFor([&] {
        const Size now = EditorWindowSize();
        return now != scaled && NamedHost::SizeRequests().back() == now && EditorRect(p) == now;
      })) << "dragged, scale " << scale;
      EXPECT_EQ(p.Call(vst2::effEditClose), 1);
    });
  }
}

TEST_F(BundleEditorWindow, AnEditorThatCannotDrawIsNoLongerOffered)
{
  testsupport::ExpectInChildProcess([&] {
    setenv("DROVIK_METAL", "none", 1); // no drawing device in this process: no drawing context can be made
    Instance p;
    ASSERT_NE(p.Get(), nullptr);
    p.Call(vst2::effOpen);
    EXPECT_NE(p->flags & vst2::kFlagHasEditor, 0);
    EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(mParent)), 0);
    EXPECT_EQ(p->flags & vst2::kFlagHasEditor, 0);
    EXPECT_EQ(EditorRect(p), Size(0, 0));
    EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(mParent)), 0);
    EXPECT_EQ(EditorWindowSize(), Size(0, 0));
  });
}

// With no X server (DISPLAY unset, or naming a display where no server answers) an editor would run where nobody
// sees it: effEditOpen answers 0 and leaves nothing behind, the editor stays offered, and once the display answers
// the next open shows it.
TEST_F(BundleEditorWindow, WithoutAnXServerNoEditorOpensUntilOneAnswers)
{
  const std::string display = std::getenv("DISPLAY");
  for (const char* unreachable : {"", ":4077"})
  {
    testsupport::ExpectInChildProcess([&] {
      ASSERT_NE(ChildDisplay(), nullptr); // opened while DISPLAY still names the server
      if (*unreachable)
        setenv("DISPLAY", unreachable, 1);
      else
        unsetenv("DISPLAY");
      Instance p;
      ASSERT_NE(p.Get(), nullptr);
      p.Call(vst2::effOpen);
      for (int attempt = 0; attempt < 2; ++attempt)
      {
        EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(mParent)), 0) << unreachable;
        EXPECT_NE(p->flags & vst2::kFlagHasEditor, 0) << unreachable;
        EXPECT_EQ(EditorWindowSize(), Size(0, 0)) << unreachable;
      }
      setenv("DISPLAY", display.c_str(), 1);
      ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(mParent)), 1) << unreachable;
      EXPECT_EQ(EditorWindowSize(), Size(468, 450)) << unreachable;
      EXPECT_EQ(p.Call(vst2::effEditClose), 1);
      EXPECT_EQ(EditorWindowSize(), Size(0, 0)) << unreachable;
    });
  }
}

} // namespace
