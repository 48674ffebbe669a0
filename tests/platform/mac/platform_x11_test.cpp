// The platform graphics context on the X11 view system (Xvfb from the test script): the editor opens inside the
// host's window at its size times the screen scale (a bad screen resolution counts as scale 1), does not open
// into a window id that names no window, takes dropped files at the right place, opening and closing it many times
// leaves nothing behind, and the X server going away closes it until a later server opens a fresh one. Skips
// without a display.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "appkit/x11_application.h"
#include "platform/headless/IGraphicsHeadless.h"
#include "foundation/main_thread.h"
#include "mac_test_support.h"
#include "wait_for.h"
#include "x11_children.h"
#include "x11_display.h"
#include "x11_drag_source.h"
#include "x11_test_server.h"

// Last: X defines macros (None, Bool) that the headers above would trip over.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace mactest {
namespace {

class EditorOnX11 : public ::testing::Test
{
protected:
  void SetUp() override
  {
    DROVIK_OPEN_TEST_DISPLAY(mHost);
    mParent = XCreateSimpleWindow(mHost, DefaultRootWindow(mHost), 0, 0, 1000, 1000, 0, 0, 0);
    XMapWindow(mHost, mParent);
    XSync(mHost, False);
    mDelegate.mMakeGraphicsFunc = [this]() -> IGraphics* { return new TestMacGraphics(mDelegate, 468, 450, 60, 1.f); };
  }
  void TearDown() override
  {
    if (!mHost)
      return;
    {
      foundation::MainThreadScope main;
      mDelegate.CloseWindow();
      appkit::Application::Install(nullptr);
      mApp.reset();
    }
    SetDpi(nullptr);
    XDestroyWindow(mHost, mParent);
    XCloseDisplay(mHost);
  }

  /// The X resources a new connection reads its scale from.
  void SetDpi(const char* dpi) { testsupport::SetScreenDpi(mHost, dpi); }
  void StartApp()
  {
    mApp = appkit::MakeX11Application();
    ASSERT_NE(mApp, nullptr);
    appkit::Application::Install(mApp.get());
  }
  std::vector<Window> Children() { return testsupport::ChildWindows(mHost, mParent); }
  /// The server an editor was opened on goes away, and another comes on the same display number.
  void ServerGoesAwayAndAnotherServes();

  Display* mHost = nullptr;
  Window mParent = 0;
  std::unique_ptr<appkit::Application> mApp;
  graphicstest::TestDelegate mDelegate{4};
};

TEST_F(EditorOnX11, OpensInsideTheHostWindowAtItsSizeTimesTheScreenScale)
{
  for (const char* dpi : {"96", "192"})
  {
    SetDpi(dpi);
    StartApp();
    const int scale = std::atoi(dpi) / 96;
    {
      foundation::MainThreadScope main;
      ASSERT_NE(mDelegate.OpenWindow(reinterpret_cast<void*>(mParent)), nullptr);
      EXPECT_EQ(mDelegate.GetUI()->GetScreenScale(), scale);
    }
    const std::vector<Window> children = Children();
    ASSERT_EQ(children.size(), 1u);
    XWindowAttributes wa;
    XGetWindowAttributes(mHost, children[0], &wa);
    EXPECT_EQ(wa.width, 468 * scale);
    EXPECT_EQ(wa.height, 450 * scale);
    foundation::MainThreadScope main;
    mDelegate.CloseWindow();
    appkit::Application::Install(nullptr);
    mApp.reset();
  }
}

TEST_F(EditorOnX11, AResolutionOutsideTheScalesOrNotANumberMeansScaleOne)
{
  const std::pair<const char*, int> cases[] = {{"192", 2}, {"144", 1}, {"287", 2}, {"400", 4}, {"480", 1},
                                               {"9600", 1}, {"1e30", 1}, {"nan", 1}, {"-192", 1}, {"96x", 1},
                                               {"garbage", 1}, {"192 ", 2}, {"288\t", 3}};
  for (const auto& [dpi, scale] : cases)
  {
    SetDpi(dpi);
    StartApp();
    foundation::MainThreadScope main;
    EXPECT_EQ(mApp->MainScreenBackingScaleFactor(), scale) << dpi;
    appkit::Application::Install(nullptr);
    mApp.reset();
  }
}

TEST_F(EditorOnX11, AWindowIdThatNamesNoWindowOpensNothingAndLeavesNothingBehind)
{
  StartApp();
  const Window root = DefaultRootWindow(mHost);
  const Window gone = XCreateSimpleWindow(mHost, root, 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(mHost, gone);
  const Pixmap pixmap = XCreatePixmap(mHost, root, 4, 4, static_cast<unsigned>(DefaultDepth(mHost, 0)));
  XSetWindowAttributes attrs{};
  const Window inputOnly = XCreateWindow(mHost, root, 0, 0, 10, 10, 0, 0, InputOnly, CopyFromParent, 0, &attrs);
  XSync(mHost, False);
  const size_t timersBefore = foundation::RunLoop::Main().TimerCount();
  for (const Window bad : {Window(0), gone, Window(pixmap), Window(0x1fffff00), inputOnly})
  {
    foundation::MainThreadScope main;
    EXPECT_EQ(mDelegate.OpenWindow(reinterpret_cast<void*>(bad)), nullptr) << bad;
    EXPECT_EQ(mDelegate.GetUI(), nullptr) << bad;
  }
  EXPECT_TRUE(testsupport::ChildWindows(mHost, inputOnly).empty());
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), timersBefore);
  EXPECT_EQ(IGraphicsMac::LiveCount(), 0);
  EXPECT_EQ(mDelegate.mUIOpens, 0);
  XFreePixmap(mHost, pixmap);
  XDestroyWindow(mHost, inputOnly);
  foundation::MainThreadScope main;
  EXPECT_NE(mDelegate.OpenWindow(reinterpret_cast<void*>(mParent)), nullptr); // a real window still opens
}

TEST_F(EditorOnX11, ADroppedFileReachesTheControlUnderThePointerAtEveryScale)
{
  struct DropTarget : IControl
  {
    using IControl::IControl;
    void Draw(IGraphics&) override {}
    void OnDrop(const char* path) override { mPaths.push_back(path); }
    std::vector<std::string> mPaths;
  };
  // The pointer at an editor point; window pixels are the points times the draw scale and the screen scale. Read
  // at the wrong scale, the points given would land in the other half.
  struct Case
  {
    const char* dpi;
    float drawScale;
    int x, y;
    bool left;
  };
  const Case cases[] = {{"192", 1.f, 300, 50, false}, {"96", 1.5f, 200, 50, true}, {"192", 1.5f, 200, 60, true},
                        {"96", 2.f, 200, 50, true}, {"192", 2.f, 180, 40, true}};
  for (const Case& c : cases)
  {
    DropTarget* left = nullptr;
    DropTarget* right = nullptr;
    mDelegate.mLayoutFunc = [&](IGraphics* g) {
      left = static_cast<DropTarget*>(g->AttachControl(new DropTarget(IRECT(0, 0, 234, 450))));
      right = static_cast<DropTarget*>(g->AttachControl(new DropTarget(IRECT(234, 0, 468, 450))));
    };
    SetDpi(c.dpi);
    StartApp();
    {
      foundation::MainThreadScope main;
      ASSERT_NE(mDelegate.OpenWindow(reinterpret_cast<void*>(mParent)), nullptr);
      mDelegate.GetUI()->Resize(468, 450, c.drawScale, true);
    }
    const Window view = Children().at(0);
    const float pixels = c.drawScale * float(std::atoi(c.dpi) / 96);
    int rx = 0, ry = 0;
    Window dummy;
    XTranslateCoordinates(mHost, view, DefaultRootWindow(mHost), int(float(c.x) * pixels), int(float(c.y) * pixels),
                          &rx, &ry, &dummy);
    testsupport::DragSource source(mHost);
    source.OwnSelection();
    source.Enter(view);
    source.Position(view, rx, ry);
    source.Drop(view);
    XFlush(mHost);
    EXPECT_EQ(source.ServeUntilFinished("file:///tmp/loop%231.wav\r\n"), 1);
    foundation::MainThreadScope main;
    const std::vector<std::string> dropped{"/tmp/loop#1.wav"};
    EXPECT_EQ(left->mPaths, c.left ? dropped : std::vector<std::string>{}) << c.dpi << " dpi, " << c.drawScale;
    EXPECT_EQ(right->mPaths, c.left ? std::vector<std::string>{} : dropped) << c.dpi << " dpi, " << c.drawScale;
    mDelegate.CloseWindow();
    appkit::Application::Install(nullptr);
    mApp.reset();
  }
}

/// Shapes in a few colours over the whole editor.
void LayoutSwatches(IGraphics* g)
{
  struct Swatch : IControl
  {
    Swatch(const IRECT& r, IColor c) : IControl(r), mColor(c) {}
    void Draw(IGraphics& g) override
    {
      g.FillRect(mColor, GetRECT());
      g.FillCircle(IColor(255, 240, 240, 240), GetRECT().CentreX(), GetRECT().CentreY(), GetRECT().W() / 4);
    }
    IColor mColor;
  };
  g->AttachControl(new Swatch(IRECT(0, 0, 468, 450), IColor(255, 30, 40, 50)));
  g->AttachControl(new Swatch(IRECT(20, 20, 220, 200), IColor(255, 200, 30, 30)));
  g->AttachControl(new Swatch(IRECT(240, 60, 440, 420), IColor(255, 30, 180, 60)));
}

TEST_F(EditorOnX11, TheWindowShowsWhatTheHeadlessContextDraws)
{
  StartApp();
  mDelegate.mLayoutFunc = LayoutSwatches;
  {
    foundation::MainThreadScope main;
    ASSERT_NE(mDelegate.OpenWindow(reinterpret_cast<void*>(mParent)), nullptr);
  }
  const Window view = Children().at(0);
  auto shown = [&](int x, int y) {
    XImage* img = XGetImage(mHost, view, x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long p = img ? XGetPixel(img, 0, 0) : 0;
    if (img)
      XDestroyImage(img);
    return p;
  };
  bool drawn = false;
  for (int i = 0; i < 1000 && !drawn; ++i) // the frame timer runs on the loop's thread
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    drawn = shown(460, 440) == 0x1e2832;
  }
  ASSERT_TRUE(drawn);
  XImage* img = XGetImage(mHost, view, 0, 0, 468, 450, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);

  graphicstest::TestDelegate headlessDelegate{4};
  headlessDelegate.mLayoutFunc = LayoutSwatches;
  foundation::MainThreadScope main;
  IGraphicsHeadless headless(headlessDelegate, 468, 450, 60, 1.f);
  headless.OpenWindow(nullptr);
  headless.DrawFullFrame();
  const IGraphicsHeadless::Frame frame = headless.ReadFrame();
  ASSERT_EQ(frame.mWidth, 468);
  int off = 0;
  for (int y = 0; y < 450; ++y)
    for (int x = 0; x < 468; ++x)
    {
      const unsigned long p = XGetPixel(img, x, y);
      const uint8_t* q = frame.At(x, y);
      off += std::abs(int((p >> 16) & 0xFF) - q[0]) > 2 || std::abs(int((p >> 8) & 0xFF) - q[1]) > 2 ||
             std::abs(int(p & 0xFF) - q[2]) > 2;
    }
  XDestroyImage(img);
  headless.CloseWindow();
  EXPECT_EQ(off, 0);
}

TEST_F(EditorOnX11, AHundredOpensAndClosesLeaveNoWindowNoTimerNoContext)
{
  StartApp();
  const size_t timersBefore = foundation::RunLoop::Main().TimerCount();
  for (int i = 0; i < 100; ++i)
  {
    foundation::MainThreadScope main;
    ASSERT_NE(mDelegate.OpenWindow(reinterpret_cast<void*>(mParent)), nullptr);
    mDelegate.CloseWindow();
  }
  EXPECT_TRUE(Children().empty());
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), timersBefore);
  EXPECT_EQ(IGraphicsMac::LiveCount(), 0);
}

TEST_F(EditorOnX11, TheHostDestroyingItsWindowClosesTheEditorAndLaterClosesDoNothing)
{
  StartApp();
  {
    foundation::MainThreadScope main;
    ASSERT_NE(mDelegate.OpenWindow(reinterpret_cast<void*>(mParent)), nullptr);
  }
  XDestroyWindow(mHost, mParent);
  XSync(mHost, False);
  mParent = XCreateSimpleWindow(mHost, DefaultRootWindow(mHost), 0, 0, 10, 10, 0, 0, 0); // for TearDown
  bool closed = false;
  for (int i = 0; i < 2000 && !closed; ++i)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    foundation::MainThreadScope main;
    closed = mDelegate.GetUI() == nullptr;
  }
  EXPECT_TRUE(closed);
  EXPECT_EQ(mDelegate.mUICloses, 1);
  // The host closes the editor as well (effEditClose after destroying its window): nothing is left to close.
  foundation::MainThreadScope main;
  mDelegate.CloseWindow();
  mDelegate.CloseWindow();
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_EQ(IGraphicsMac::LiveCount(), 0);
  EXPECT_TRUE(Children().empty());
  ASSERT_NE(mDelegate.OpenWindow(reinterpret_cast<void*>(mParent)), nullptr); // and it opens again
  EXPECT_EQ(Children().size(), 1u);
}

/// Records what the view system tells the view it made.
class WindowWatcher final : public appkit::ViewResponder
{
public:
  bool SendEvent(const appkit::Event&) override { return true; }
  bool DraggingEntered(const std::vector<std::string>&) override { return false; }
  bool PerformDragOperation(const std::vector<std::string>&, appkit::Point) override { return false; }
  std::string ToolTipAt(appkit::Point) override { return ""; }
  void ViewDidChangeBackingScale(double) override {}
  void ViewWindowDestroyed() override { ++mWindowsGone; }
  std::atomic<int> mWindowsGone{0};
};

// The X server goes away (killed) under an open editor, on a server of the test's own: the editor closes as when its
// window goes, and the views of the connection hear that their windows went. While no server answers, nothing
// made with that connection is given a window, not even a window of the server that comes next; the next
// server's connection opens a fresh editor.
void EditorOnX11::ServerGoesAwayAndAnotherServes()
{
  struct DisplayKept
  {
    const std::string name = std::getenv("DISPLAY");
    ~DisplayKept() { setenv("DISPLAY", name.c_str(), 1); } // for the tests that follow
  } sharedDisplay;
  testsupport::TestXServer server;
  Display* own = server.StartOnFreeNumber(testsupport::OwnDisplayNumbers(350));
  ASSERT_NE(own, nullptr);
  const Window ownParent = XCreateSimpleWindow(own, DefaultRootWindow(own), 0, 0, 1000, 1000, 0, 0, 0);
  XMapWindow(own, ownParent);
  XSync(own, False);
  StartApp();
  WindowWatcher watcher;
  std::unique_ptr<appkit::View> held;
  {
    foundation::MainThreadScope main;
    ASSERT_NE(mDelegate.OpenWindow(reinterpret_cast<void*>(ownParent)), nullptr);
    held = mApp->CreateView(watcher, appkit::Rect(0, 0, 10, 10));
    ASSERT_TRUE(held->AddToParent(reinterpret_cast<void*>(ownParent)));
  }
  XCloseDisplay(own);
  server.Stop();
  EXPECT_TRUE(testsupport::WaitFor([&] {
    foundation::MainThreadScope main;
    return mDelegate.GetUI() == nullptr && watcher.mWindowsGone.load() == 1;
  }));
  foundation::MainThreadScope main;
  EXPECT_TRUE(mApp->Lost());
  EXPECT_FALSE(appkit::X11DisplayServing()) << "the lost connection still counts as one that serves";
  EXPECT_EQ(mDelegate.mUICloses, 1);
  EXPECT_FALSE(held->HasWindow());
  Display* again = server.Start(); // the same display number, a new server
  ASSERT_NE(again, nullptr);
  const Window newParent = XCreateSimpleWindow(again, DefaultRootWindow(again), 0, 0, 1000, 1000, 0, 0, 0);
  XMapWindow(again, newParent);
  XSync(again, False);
  EXPECT_FALSE(held->AddToParent(reinterpret_cast<void*>(newParent)));
  EXPECT_EQ(mDelegate.OpenWindow(reinterpret_cast<void*>(newParent)), nullptr);
  EXPECT_TRUE(testsupport::ChildWindows(again, newParent).empty());
  held.reset();
  appkit::Application::Install(nullptr);
  StartApp(); // the back end on the server that answers now
  EXPECT_NE(mDelegate.OpenWindow(reinterpret_cast<void*>(newParent)), nullptr);
  EXPECT_EQ(testsupport::ChildWindows(again, newParent).size(), 1u);
  mDelegate.CloseWindow();
  XCloseDisplay(again);
}

TEST_F(EditorOnX11, TheServerGoingAwayClosesTheEditorUntilAnotherServerServes)
{
  DROVIK_REQUIRE_XVFB();
  // In a fresh process of its own: a connection loss that reaches Xlib's own handler ends the process, which then
  // fails this check with what it wrote rather than ending the whole program.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
    {
      ServerGoesAwayAndAnotherServes();
      std::fflush(nullptr);
      std::_Exit(HasFailure() ? 1 : 0);
    },
    ::testing::ExitedWithCode(0), "");
}
} // namespace
} // namespace mactest
