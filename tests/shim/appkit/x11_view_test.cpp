// The X11 back end against a real X server (Xvfb from the test script): the view is a child of a host's window,
// shows frames, takes clicks, the wheel and keys injected through XTest, passes keys it does not take to the
// host's window, counts multiple clicks of one button only, hands input held while a paste waited back in its
// order, lets the keys a host hands on one after another after a paste take its answer, takes dropped files one drop at a time, takes only text from the clipboard, and leaves nothing behind,
// also when closed twice. Skips without a display.

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

// After the test framework: X defines macros (None, Bool) that its headers would trip over.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include "wait_for.h"
#include "appkit/x11_application.h"
#include "appkit/x11_backend.h"
#include "foundation/clock.h"
#include "foundation/main_thread.h"
#include "foundation/run_loop.h"
#include "x11_children.h"
#include "x11_clipboard_owner.h"
#include "x11_display.h"
#include "x11_host_window.h"
#include "x11_test_server.h"
#include "x11_typing.h"
#include "x11_drag_source.h"

namespace appkit {
namespace {

using testsupport::ClipboardOwner;
using testsupport::WaitFor;

/// Records what the view hands its responder (on the run loop's thread).
class Recorder final : public ViewResponder
{
public:
  bool SendEvent(const Event& e) override
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mEvents.push_back(e);
    return e.type != EventType::kKeyDown && e.type != EventType::kKeyUp;
  }
  bool DraggingEntered(const std::vector<std::string>&) override { return true; }
  bool PerformDragOperation(const std::vector<std::string>& files, Point at) override
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mDroppedFiles = files;
    mDropPoint = at;
    ++mDrops;
    return true;
  }
  std::string ToolTipAt(Point) override { return "tip"; }
  void ViewDidChangeBackingScale(double) override {}
  void ViewWindowDestroyed() override { mDestroyed = true; }

  std::vector<Event> Events()
  {
    std::lock_guard<std::mutex> lock(mMutex);
    return mEvents;
  }
  /// The files of the last drop handed on.
  std::vector<std::string> DroppedFiles()
  {
    std::lock_guard<std::mutex> lock(mMutex);
    return mDroppedFiles;
  }
  /// Where the last drop handed on landed, in the view's points.
  Point DropPoint()
  {
    std::lock_guard<std::mutex> lock(mMutex);
    return mDropPoint;
  }
  std::atomic<bool> mDestroyed{false};
  std::atomic<int> mDrops{0};

private:
  std::mutex mMutex;
  std::vector<Event> mEvents;
  std::vector<std::string> mDroppedFiles;
  Point mDropPoint{-1, -1};
};

class X11View : public X11HostWindow
{
protected:
  /// Opens the view and waits until it shows.
  void OpenView()
  {
    {
      foundation::MainThreadScope main;
      mView = mApp->CreateView(mRecorder, Rect(0, 0, 468, 450));
      ASSERT_TRUE(mView->AddToParent(reinterpret_cast<void*>(mParent)));
    }
    const Window child = Children().at(0);
    ASSERT_TRUE(WaitFor([&] {
      XWindowAttributes wa{};
      return XGetWindowAttributes(mHost, child, &wa) && wa.map_state == IsViewable;
    }));
  }
  std::vector<Window> Children() { return testsupport::ChildWindows(mHost, mParent); }
  /// Adds a value field showing "12.5" at (40, 100), 120 by 20 points, with the caret at its start, and waits until
  /// its window shows; gives that window (0 when none showed) and its place and size in pixels.
  Window ShowValueField(TextField& field, XWindowAttributes& wa)
  {
    field.frame = Rect(40, 100, 120, 20);
    field.stringValue = U"12.5";
    {
      foundation::MainThreadScope main;
      mView->AddTextField(field);
      field.SetCaret(0, false);
    }
    std::vector<Window> fields;
    const bool shown = WaitFor([&] {
      fields = testsupport::ChildWindows(mHost, Children().at(0));
      return fields.size() == 1 && XGetWindowAttributes(mHost, fields[0], &wa) && wa.map_state == IsViewable;
    });
    return shown ? fields[0] : 0;
  }
  int Count(EventType type)
  {
    int n = 0;
    for (const Event& e : mRecorder.Events())
      n += e.type == type;
    return n;
  }
  /// The presses that reached the responder, in order: a key's character, L or R for a button.
  std::string Presses()
  {
    std::string out;
    for (const Event& e : mRecorder.Events())
      if (e.type == EventType::kKeyDown && e.charactersIgnoringModifiers.size() == 1)
        out += static_cast<char>(e.charactersIgnoringModifiers[0]);
      else if (e.type == EventType::kLeftMouseDown || e.type == EventType::kRightMouseDown)
        out += e.type == EventType::kLeftMouseDown ? 'L' : 'R';
    return out;
  }
  /// Where a point of the view is on the screen.
  void ScreenPoint(int x, int y, int& rx, int& ry)
  {
    Window child;
    XTranslateCoordinates(mHost, Children().at(0), DefaultRootWindow(mHost), x, y, &rx, &ry, &child);
  }

  /// Opens our view system again on a screen of twice 96 dots an inch; the screen's resolution is put back after
  /// the test.
  void UseScreenScaleTwo()
  {
    testsupport::SetScreenDpi(mHost, "192");
    mScaleTwo = true;
    foundation::MainThreadScope main;
    mApp.reset();
    mApp = MakeX11Application(); // a new connection reads the scale
    ASSERT_NE(mApp, nullptr);
  }
  void TearDown() override
  {
    if (mHost && mScaleTwo)
      testsupport::SetScreenDpi(mHost, nullptr);
    X11HostWindow::TearDown();
  }

  Recorder mRecorder;
  bool mScaleTwo = false;
};

TEST_F(X11View, ShowsFramesInsideTheHostWindowAndLeavesNothingBehind)
{
  // Through shared memory, and through the connection as for a server on another machine.
  struct SharedMemoryAgain
  {
    ~SharedMemoryAgain() { unsetenv("DROVIK_X11_NO_SHM"); }
  } sharedMemoryAgain;
  for (const bool sharedMemory : {true, false})
  {
    SCOPED_TRACE(sharedMemory ? "shared memory" : "no shared memory");
    if (!sharedMemory)
    {
      setenv("DROVIK_X11_NO_SHM", "1", 1);
      foundation::MainThreadScope main;
      mView.reset();
      mApp.reset();
      mApp = MakeX11Application();
      ASSERT_NE(mApp, nullptr);
    }
    OpenView();
    const std::vector<Window> children = Children();
    ASSERT_EQ(children.size(), 1u);
    XWindowAttributes wa;
    XGetWindowAttributes(mHost, children[0], &wa);
    EXPECT_EQ(wa.width, 468);
    EXPECT_EQ(wa.height, 450);

    std::vector<uint8_t> pixels(468 * 450 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4)
    {
      pixels[i] = static_cast<uint8_t>(i / 4 % 468);  // blue: x
      pixels[i + 1] = static_cast<uint8_t>(i / 4 / 468); // green: y
      pixels[i + 2] = 200;
      pixels[i + 3] = 255;
    }
    {
      foundation::MainThreadScope main;
      mView->PresentFrame({pixels.data(), 468, 450, 468 * 4, {}});
      mApp->MouseLocation(); // a round trip: the server has drawn what came before it
    }
    XImage* img = XGetImage(mHost, children[0], 0, 0, 468, 450, AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    int wrong = 0;
    for (int y = 0; y < 450; y += 7)
      for (int x = 0; x < 468; x += 5)
      {
        const unsigned long p = XGetPixel(img, x, y);
        wrong += (p & 0xFF) != static_cast<unsigned long>(x % 256) || ((p >> 8) & 0xFF) != static_cast<unsigned long>(y % 256) ||
                 ((p >> 16) & 0xFF) != 200;
      }
    XDestroyImage(img);
    EXPECT_EQ(wrong, 0);
    {
      foundation::MainThreadScope main; // a view in a window already is not added again
      EXPECT_FALSE(mView->AddToParent(reinterpret_cast<void*>(mParent)));
    }
    EXPECT_EQ(Children(), children);

    // A frame that changed in one rectangle shows the change there only, on every pixel it touches; rectangles
    // wholly above, left of, below or right of the frame change nothing.
    for (size_t i = 2; i < pixels.size(); i += 4)
      pixels[i] = 90;
    {
      foundation::MainThreadScope main;
      mView->PresentFrame({pixels.data(), 468, 450, 468 * 4,
                           {Rect(100, 20, 49.5, 29.5), Rect(10, -10, 20, 10), Rect(-10, 10, 10, 20),
                            Rect(10, 450, 20, 5), Rect(468, 10, 5, 20)}});
      mApp->MouseLocation(); // a round trip: the server has drawn what came before it
    }
    img = XGetImage(mHost, children[0], 0, 0, 468, 450, AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    const std::pair<int, int> inside[] = {{100, 20}, {149, 49}};
    const std::pair<int, int> outside[] = {{60, 30}, {150, 30}, {120, 50}, {99, 19},
                                           {20, 0},  {0, 20},   {20, 449}, {467, 20}};
    for (auto [x, y] : inside)
      EXPECT_EQ((XGetPixel(img, x, y) >> 16) & 0xFF, 90u) << x << "," << y;
    for (auto [x, y] : outside)
      EXPECT_EQ((XGetPixel(img, x, y) >> 16) & 0xFF, 200u) << x << "," << y;
    XDestroyImage(img);

    // Added again, the view shows the whole of a frame of the same size that says it changed in a part only.
    {
      foundation::MainThreadScope main;
      mView->RemoveFromSuperview();
      ASSERT_TRUE(mView->AddToParent(reinterpret_cast<void*>(mParent)));
      mView->PresentFrame({pixels.data(), 468, 450, 468 * 4, {Rect(0, 0, 1, 1)}});
      mApp->MouseLocation();
    }
    img = XGetImage(mHost, Children().at(0), 0, 0, 468, 450, AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    for (auto [x, y] : outside)
      EXPECT_EQ((XGetPixel(img, x, y) >> 16) & 0xFF, 90u) << x << "," << y;
    XDestroyImage(img);
    {
      foundation::MainThreadScope main;
      mView->RemoveFromSuperview();
    }
    EXPECT_TRUE(Children().empty());
  }
}

// Our top-level windows carry this process's id, as one number, for the desktop and other clients to read.
TEST_F(X11View, AWindowMarkedAsOursCarriesThisProcesssId)
{
  x11::MarkWithProcessId(mHost, mParent);
  XSync(mHost, False);
  EXPECT_TRUE(testsupport::MadeByThisProcess(mHost, mParent));
}

TEST_F(X11View, ClicksWheelAndKeysArriveAndUntakenKeysGoToTheHost)
{
  OpenView();
  const Window child = Children().at(0);
  int rx = 0, ry = 0;
  Window dummy;
  XTranslateCoordinates(mHost, child, DefaultRootWindow(mHost), 100, 50, &rx, &ry, &dummy);
  XTestFakeMotionEvent(mHost, -1, rx, ry, 0);
  for (int i = 0; i < 2; ++i)
  {
    XTestFakeButtonEvent(mHost, 1, True, 0);
    XTestFakeButtonEvent(mHost, 1, False, 0);
  }
  XTestFakeButtonEvent(mHost, 4, True, 0);
  XTestFakeButtonEvent(mHost, 4, False, 0);
  XSync(mHost, False);
  ASSERT_TRUE(WaitFor([&] { return Count(EventType::kScrollWheel) == 1; }));
  std::vector<int> clickCounts;
  for (const Event& e : mRecorder.Events())
    if (e.type == EventType::kLeftMouseDown)
    {
      clickCounts.push_back(e.clickCount);
      EXPECT_EQ(e.locationInView.x, 100.0);
      EXPECT_EQ(e.locationInView.y, 50.0);
    }
  EXPECT_EQ(clickCounts, (std::vector<int>{1, 2}));
  EXPECT_EQ(Count(EventType::kLeftMouseUp), 2);

  const KeyCode a = XKeysymToKeycode(mHost, XK_a);
  XSetInputFocus(mHost, child, RevertToParent, CurrentTime); // as our click did, without racing it
  XSync(mHost, False);
  // A key the Mac layout has no code for keeps its own, past every Mac code, so it is not taken for another key.
  // With Shift held, the character is the shifted one (as the Mac's characters ignoring modifiers are).
  const KeyCode pause = XKeysymToKeycode(mHost, XK_Pause), shift = XKeysymToKeycode(mHost, XK_Shift_L);
  ASSERT_NE(pause, 0);
  for (auto [key, shifted] : {std::pair{a, false}, {a, true}, {pause, false}})
  {
    if (shifted)
      XTestFakeKeyEvent(mHost, shift, True, 0);
    XTestFakeKeyEvent(mHost, key, True, 0);
    XTestFakeKeyEvent(mHost, key, False, 0);
    if (shifted)
      XTestFakeKeyEvent(mHost, shift, False, 0);
  }
  XSync(mHost, False);
  ASSERT_TRUE(WaitFor([&] { return Count(EventType::kKeyUp) == 3; }));
  std::vector<int> keyCodes;
  std::u32string typed;
  for (const Event& e : mRecorder.Events())
    if (e.type == EventType::kKeyDown)
    {
      keyCodes.push_back(e.keyCode);
      if (e.keyCode == 0)
        typed += e.charactersIgnoringModifiers;
    }
  EXPECT_EQ(keyCodes, (std::vector<int>{0, 0, pause + 256}));
  EXPECT_EQ(typed, U"aA");
  bool forwarded = false;
  ASSERT_TRUE(WaitFor([&] {
    while (XPending(mHost))
    {
      XEvent e;
      XNextEvent(mHost, &e);
      forwarded = forwarded || (e.type == KeyPress && e.xkey.window == mParent && e.xkey.send_event);
    }
    return forwarded;
  }));
}

TEST_F(X11View, OnlyPressesOfOneButtonMakeAMultipleClick)
{
  OpenView();
  const struct
  {
    std::vector<unsigned> buttons;
    std::vector<int> clickCounts;
  } cases[] = {{{1, 3}, {1, 1}}, {{3, 1}, {1, 1}}, {{1, 1}, {1, 2}}, {{3, 3}, {1, 2}}, {{1, 3, 3}, {1, 1, 2}}};
  // Each case at a place of its own, too far from the one before for a multiple click.
  size_t presses = 0;
  for (size_t i = 0; i < std::size(cases); ++i)
  {
    int rx = 0, ry = 0;
    ScreenPoint(40 + 60 * int(i), 50, rx, ry);
    XTestFakeMotionEvent(mHost, -1, rx, ry, 0);
    for (unsigned button : cases[i].buttons)
    {
      XTestFakeButtonEvent(mHost, button, True, 0);
      XTestFakeButtonEvent(mHost, button, False, 0);
    }
    presses += cases[i].buttons.size();
  }
  XSync(mHost, False);
  ASSERT_TRUE(WaitFor([&] { return Presses().size() == presses; })) << Presses();
  for (size_t i = 0; i < std::size(cases); ++i)
  {
    std::vector<int> counts;
    for (const Event& e : mRecorder.Events())
      if ((e.type == EventType::kLeftMouseDown || e.type == EventType::kRightMouseDown) &&
          e.locationInView.x == 40.0 + 60.0 * double(i))
        counts.push_back(e.clickCount);
    EXPECT_EQ(counts, cases[i].clickCounts) << "case " << i;
  }
}

TEST_F(X11View, InputHeldWhileThePasteboardAnswersLateComesBackInTheOrderItWasMade)
{
  OpenView();
  XSetInputFocus(mHost, Children().at(0), RevertToParent, CurrentTime);
  XSync(mHost, False);
  // Keys and clicks of either button, each click at a place of its own.
  const struct
  {
    KeySym key;
    unsigned button;
  } made[] = {{XK_a, 0}, {0, 1}, {XK_b, 0}, {0, 3}, {XK_c, 0}, {0, 1}, {XK_d, 0}};
  int rx = 0, ry = 0;
  ScreenPoint(100, 50, rx, ry);
  {
    ClipboardOwner owner("UTF8_STRING", 8, "text", std::chrono::milliseconds(150), [&](Display* user) {
      for (size_t i = 0; i < std::size(made); ++i)
      {
        if (made[i].key)
        {
          testsupport::TypeKey(user, made[i].key);
          continue;
        }
        XTestFakeMotionEvent(user, -1, rx + 20 * int(i), ry, 0);
        XTestFakeButtonEvent(user, made[i].button, True, 0);
        XTestFakeButtonEvent(user, made[i].button, False, 0);
      }
    });
    foundation::MainThreadScope main;
    std::string text;
    EXPECT_TRUE(mApp->StringFromPasteboard(text));
    EXPECT_EQ(Presses(), "") << "input was handled while the paste waited";
  }
  EXPECT_TRUE(WaitFor([&] { return Presses().size() == std::size(made); })) << Presses();
  EXPECT_EQ(Presses(), "aLbRcLd");
}

TEST_F(X11View, KeysTheHostHandsOnAfterAPasteTakeItsAnswerUntilAPauseOfHalfASecond)
{
  // The loop's clock is the test's: only the pauses it makes count.
  foundation::ManualClock clock;
  foundation::RunLoop::Main().UseManualClock(&clock);
  {
    ClipboardOwner owner("UTF8_STRING", 8, "text");
    foundation::MainThreadScope main;
    const auto hostKey = [&](bool paste) {
      std::string text;
      mApp->HandleHostKey([&] { return !paste || mApp->StringFromPasteboard(text); });
      return text;
    };
    EXPECT_EQ(hostKey(true), "text");
    for (int key = 0; key < 6; ++key)
    {
      clock.Advance(0.4);
      EXPECT_EQ(hostKey(key % 2 == 0), key % 2 == 0 ? "text" : "") << key;
    }
    EXPECT_EQ(owner.Requests(), 1);
    clock.Advance(0.6);
    EXPECT_EQ(hostKey(true), "text");
    EXPECT_EQ(owner.Requests(), 2);
    std::string text; // a paste typed in the editor itself asks too, and its wait did not hold the host's keys
    EXPECT_TRUE(mApp->StringFromPasteboard(text));
    EXPECT_EQ(hostKey(true), "text");
    EXPECT_EQ(owner.Requests(), 4);
  }
  foundation::RunLoop::Main().UseManualClock(nullptr);
}

TEST_F(X11View, AKeyOrClickInTheEditorItselfEndsTheHostsRunOfKeys)
{
  OpenView(); // the loop's own clock: its pump serves the editor's key
  {
    ClipboardOwner owner("UTF8_STRING", 8, "text");
    const auto hostKey = [&] {
      foundation::MainThreadScope main;
      std::string text;
      mApp->HandleHostKey([&] { return mApp->StringFromPasteboard(text); });
      return text;
    };
    EXPECT_EQ(hostKey(), "text");
    SendKey(mHost, Children().at(0), XK_a); // the user types in the editor: the host's next key came later
    ASSERT_TRUE(WaitFor([&] { return Presses() == "a"; })) << Presses();
    EXPECT_EQ(hostKey(), "text");
    EXPECT_EQ(owner.Requests(), 2) << "the host's key after the editor's own took the answer before it";
  }
}

TEST_F(X11View, AnotherWindowEndingDuringTheHostsKeysIsNotTakenForTheClipboardOwnersEnd)
{
  foundation::ManualClock clock;
  foundation::RunLoop::Main().UseManualClock(&clock);
  OpenView();
  {
    ClipboardOwner owner("UTF8_STRING", 8, "text");
    foundation::MainThreadScope main;
    const auto hostKey = [&] {
      std::string text;
      mApp->HandleHostKey([&] { return mApp->StringFromPasteboard(text); });
      return text;
    };
    EXPECT_EQ(hostKey(), "text");
    clock.Advance(0.1);
    // The host's window goes, and the view's with it: its end waits in the queue when the next key pastes.
    XDestroyWindow(mHost, mParent);
    mParent = XCreateSimpleWindow(mHost, DefaultRootWindow(mHost), 0, 0, 10, 10, 0, 0, 0); // for TearDown
    XSync(mHost, False);
    EXPECT_EQ(hostKey(), "text");
    EXPECT_EQ(owner.Requests(), 1) << "the owner, still there, was asked again";
  }
  foundation::RunLoop::Main().UseManualClock(nullptr);
}

TEST_F(X11View, AToolTipShowsWhereThePointerRestsAndGoesOnAClick)
{
  ASSERT_NO_FATAL_FAILURE(UseScreenScaleTwo()); // pixels and points differ
  OpenView();
  const Window child = Children().at(0);
  {
    foundation::MainThreadScope main;
    mView->AddToolTipRect(Rect(0, 0, 200, 200)); // the pointer rests in the first of two
    mView->AddToolTipRect(Rect(300, 300, 50, 50));
  }
  auto toolTips = [&] { return testsupport::ShownPopups(mHost).size(); };
  int rx = 0, ry = 0;
  Window dummy;
  XTranslateCoordinates(mHost, child, DefaultRootWindow(mHost), 50, 50, &rx, &ry, &dummy);
  XTestFakeMotionEvent(mHost, -1, rx, ry, 0);
  XTestFakeMotionEvent(mHost, -1, rx + 1, ry + 1, 0);
  XSync(mHost, False);
  EXPECT_TRUE(WaitFor([&] { return toolTips() == 1u; }));
  // Its text's three characters of 7.8 points within its margins, twice as large, 18 points below the pointer.
  XWindowAttributes wa{};
  if (toolTips() == 1u)
    XGetWindowAttributes(mHost, testsupport::ShownPopups(mHost)[0], &wa);
  EXPECT_EQ((std::vector<int>{wa.x, wa.y, wa.width, wa.height}),
            (std::vector<int>{rx + 1, ry + 1 + 36, int(std::ceil((3 * 7.8 + 2 * 4) * 2)), (13 + 2 * 3) * 2}));
  XTestFakeButtonEvent(mHost, 1, True, 0);
  XTestFakeButtonEvent(mHost, 1, False, 0);
  XSync(mHost, False);
  EXPECT_TRUE(WaitFor([&] { return toolTips() == 0u; }));
}

TEST_F(X11View, MovesDragsAndBothWheelDirectionsArriveWithTheirKindAndPlace)
{
  OpenView();
  const Window child = Children().at(0);
  auto moveTo = [&](int x, int y) {
    int rx = 0, ry = 0;
    Window dummy;
    XTranslateCoordinates(mHost, child, DefaultRootWindow(mHost), x, y, &rx, &ry, &dummy);
    XTestFakeMotionEvent(mHost, -1, rx, ry, 0);
  };
  moveTo(100, 50);
  moveTo(120, 70);
  for (auto [button, x, y] : {std::tuple{1u, 130, 80}, {3u, 140, 90}})
  {
    XTestFakeButtonEvent(mHost, button, True, 0);
    moveTo(x, y);
    XTestFakeButtonEvent(mHost, button, False, 0);
  }
  for (unsigned button : {4u, 5u})
  {
    XTestFakeButtonEvent(mHost, button, True, 0);
    XTestFakeButtonEvent(mHost, button, False, 0);
  }
  XSync(mHost, False);
  ASSERT_TRUE(WaitFor([&] { return Count(EventType::kScrollWheel) == 2; }));
  std::vector<double> wheel;
  std::map<EventType, std::pair<double, double>> lastPlace;
  for (const Event& e : mRecorder.Events())
  {
    if (e.type == EventType::kScrollWheel)
      wheel.push_back(e.deltaY);
    lastPlace[e.type] = {e.locationInView.x, e.locationInView.y};
  }
  EXPECT_EQ(wheel, (std::vector<double>{1.0, -1.0})) << "up, then down";
  using Place = std::pair<double, double>;
  EXPECT_EQ(lastPlace[EventType::kMouseMoved], (Place{120, 70}));
  EXPECT_EQ(lastPlace[EventType::kLeftMouseDragged], (Place{130, 80}));
  EXPECT_EQ(lastPlace[EventType::kRightMouseDragged], (Place{140, 90}));
}

TEST_F(X11View, AValueFieldSitsAtItsFrameSelectsAllOnADoubleClickAndTakesTheViewsKeys)
{
  OpenView();
  TextField field;
  XWindowAttributes wa{};
  const Window fieldWindow = ShowValueField(field, wa);
  ASSERT_NE(fieldWindow, 0u);
  EXPECT_EQ((std::vector<int>{wa.x, wa.y, wa.width, wa.height}), (std::vector<int>{40, 100, 120, 20}));
  int rx = 0, ry = 0;
  Window dummy;
  XTranslateCoordinates(mHost, fieldWindow, DefaultRootWindow(mHost), 100, 10, &rx, &ry, &dummy);
  XTestFakeMotionEvent(mHost, -1, rx, ry, 0);
  for (int i = 0; i < 2; ++i)
  {
    XTestFakeButtonEvent(mHost, 1, True, 0);
    XTestFakeButtonEvent(mHost, 1, False, 0);
  }
  XSync(mHost, False);
  EXPECT_TRUE(WaitFor([&] {
    foundation::MainThreadScope main;
    return field.SelectionStart() == 0 && field.SelectionEnd() == 4;
  }));
  // While the field is open it takes the keys the view gets too (the pointer away from the field).
  XTranslateCoordinates(mHost, Children().at(0), DefaultRootWindow(mHost), 300, 300, &rx, &ry, &dummy);
  XTestFakeMotionEvent(mHost, -1, rx, ry, 0);
  XSetInputFocus(mHost, Children().at(0), RevertToParent, CurrentTime);
  XTestFakeKeyEvent(mHost, XKeysymToKeycode(mHost, XK_7), True, 0);
  XTestFakeKeyEvent(mHost, XKeysymToKeycode(mHost, XK_7), False, 0);
  XSync(mHost, False);
  EXPECT_TRUE(WaitFor([&] {
    foundation::MainThreadScope main;
    return field.stringValue == U"7";
  }));
  for (KeySym key : {XK_Home, XK_KP_Delete}) // the keypad's Delete deletes forward
  {
    XTestFakeKeyEvent(mHost, XKeysymToKeycode(mHost, key), True, 0);
    XTestFakeKeyEvent(mHost, XKeysymToKeycode(mHost, key), False, 0);
  }
  XSync(mHost, False);
  EXPECT_TRUE(WaitFor([&] {
    foundation::MainThreadScope main;
    return field.stringValue.empty();
  }));
  foundation::MainThreadScope main;
  mView->RemoveTextField();
}

TEST_F(X11View, ScreenPointsCountUpFromTheBottomAndConvertBack)
{
  OpenView();
  foundation::MainThreadScope main;
  const Point origin = mView->ConvertToScreen({0, 0});
  EXPECT_EQ(mView->ConvertToScreen({30, 100}).x, origin.x + 30);
  EXPECT_EQ(mView->ConvertToScreen({30, 100}).y, origin.y - 100);
  for (Point p : {Point{0, 0}, Point{100, 50}, Point{467, 449}})
  {
    const Point back = mView->ConvertFromScreen(mView->ConvertToScreen(p));
    EXPECT_EQ(back.x, p.x);
    EXPECT_EQ(back.y, p.y);
  }
}

TEST_F(X11View, TheCursorOverTheViewTakesItsShapeHidesAndComesBackInIt)
{
  OpenView();
  int rx = 0, ry = 0;
  ScreenPoint(100, 100, rx, ry);
  XTestFakeMotionEvent(mHost, -1, rx, ry, 0);
  XSync(mHost, False);
  // The pixels of the pointer's picture as the server shows it; blank when none of them covers anything.
  const auto picture = [&] {
    std::vector<unsigned long> pixels;
    if (XFixesCursorImage* image = XFixesGetCursorImage(mHost))
    {
      pixels.assign(image->pixels, image->pixels + size_t(image->width) * image->height);
      XFree(image);
    }
    return pixels;
  };
  const auto blank = [](const std::vector<unsigned long>& pixels) {
    return std::all_of(pixels.begin(), pixels.end(), [](unsigned long p) { return (p >> 24 & 0xFF) == 0; });
  };
  std::vector<unsigned long> arrow, hand;
  ASSERT_TRUE(WaitFor([&] { return !blank(arrow = picture()); }));
  {
    foundation::MainThreadScope main;
    mView->SetCursor(Cursor::kPointingHand);
  }
  EXPECT_TRUE(WaitFor([&] { return !blank(hand = picture()) && hand != arrow; }));
  {
    foundation::MainThreadScope main;
    mApp->HideCursor();
  }
  EXPECT_TRUE(WaitFor([&] { return blank(picture()); })) << "the hidden cursor still shows";
  {
    foundation::MainThreadScope main;
    mApp->ShowCursor();
  }
  EXPECT_TRUE(WaitFor([&] { return picture() == hand; })) << "the cursor came back in another shape";
}

TEST_F(X11View, EnteringAndLeavingArriveInOrderAndLeavingTakesTheToolTipAway)
{
  OpenView();
  const Window child = Children().at(0);
  {
    foundation::MainThreadScope main;
    mView->AddToolTipRect(Rect(0, 0, 200, 200));
  }
  auto moveTo = [&](Window window, int x, int y) {
    int rx = 0, ry = 0;
    Window dummy;
    XTranslateCoordinates(mHost, window, DefaultRootWindow(mHost), x, y, &rx, &ry, &dummy);
    XTestFakeMotionEvent(mHost, -1, rx, ry, 0);
    XSync(mHost, False);
  };
  auto crossings = [&] {
    std::vector<EventType> types;
    for (const Event& e : mRecorder.Events())
      if (e.type == EventType::kMouseEntered || e.type == EventType::kMouseExited)
        types.push_back(e.type);
    return types;
  };
  moveTo(mParent, 550, 480); // the host's window beside the view
  moveTo(child, 50, 50);
  moveTo(child, 51, 51);
  ASSERT_TRUE(WaitFor([&] { return testsupport::ShownPopups(mHost).size() == 1u; }));
  const size_t before = crossings().size();
  moveTo(mParent, 550, 480);
  ASSERT_TRUE(WaitFor([&] { return crossings().size() == before + 1; }));
  const std::vector<EventType> seen = crossings();
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(std::vector<EventType>(seen.end() - 2, seen.end()),
            (std::vector<EventType>{EventType::kMouseEntered, EventType::kMouseExited}));
  EXPECT_TRUE(WaitFor([&] { return testsupport::ShownPopups(mHost).empty(); }));

  // A menu taking the pointer and giving it back is no crossing of the view's edge.
  moveTo(child, 300, 300);
  ASSERT_TRUE(WaitFor([&] { return crossings().size() == before + 2; }));
  std::thread user([&] {
    Display* display = testsupport::OpenDisplayOrNull();
    std::vector<Window> shown;
    WaitFor([&] { return !(shown = testsupport::ShownPopups(display)).empty(); });
    if (!shown.empty())
      SendKey(display, shown.back(), XK_Escape);
    XCloseDisplay(display);
  });
  {
    foundation::MainThreadScope main;
    Menu menu;
    menu.AddItem("item", [](MenuItem&) {});
    EXPECT_EQ(mApp->PopUpMenu(menu, {10, 10}, *mView), nullptr);
  }
  user.join();
  moveTo(mParent, 550, 480);
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<EventType> now = crossings();
    return now.size() > before + 2 && now.back() == EventType::kMouseExited;
  }));
  EXPECT_EQ(crossings().size(), before + 3);
}

/// The first mapped override-redirect or top-level window this process made on the root other than the host's,
/// or 0.
/// A pixel of a window as 0xRRGGBB; 0 when it cannot be read.
uint32_t PixelOf(Display* display, Window w, int x, int y)
{
  XImage* image = w ? XGetImage(display, w, x, y, 1, 1, AllPlanes, ZPixmap) : nullptr;
  if (!image)
    return 0;
  const uint32_t p = static_cast<uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
  XDestroyImage(image);
  return p;
}

Window FindPopup(Display* display, Window except, bool overrideRedirect, XWindowAttributes& found)
{
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &n);
  Window result = 0;
  for (unsigned i = 0; i < n && !result; ++i)
  {
    XWindowAttributes wa{};
    if (children[i] != except && XGetWindowAttributes(display, children[i], &wa) && wa.map_state == IsViewable &&
        bool(wa.override_redirect) == overrideRedirect && wa.width > 1 && testsupport::MadeByThisProcess(display, children[i]))
    {
      result = children[i];
      found = wa;
    }
  }
  if (children)
    XFree(children);
  return result;
}

/// The work area the window manager names (x, y, width, height), for as long as this lives.
class NamedWorkArea
{
public:
  NamedWorkArea(Display* display, std::vector<long> area) : mDisplay(display)
  {
    XChangeProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_WORKAREA", False), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(area.data()), 4);
    XSync(display, False);
  }
  ~NamedWorkArea()
  {
    XDeleteProperty(mDisplay, DefaultRootWindow(mDisplay), XInternAtom(mDisplay, "_NET_WORKAREA", False));
    XSync(mDisplay, False);
  }

private:
  Display* mDisplay;
};

TEST_F(X11View, AnAlertTooTallForTheScreenWidensOnlyAsFarAsItNeeds)
{
  OpenView();
  const auto shownSize = [&](int words) {
    std::string message;
    for (int i = 0; i < words; ++i)
      message += "word ";
    std::vector<int> size;
    std::thread user([&] {
      Display* display = testsupport::OpenDisplayOrNull();
      XWindowAttributes wa{};
      Window alert = 0;
      WaitFor([&] { return (alert = FindPopup(display, mParent, false, wa)) != 0; });
      size = {wa.width, wa.height};
      if (alert)
        SendKey(display, alert, XK_Return);
      XCloseDisplay(display);
    });
    {
      foundation::MainThreadScope main;
      testsupport::RunAlertAnswered(*mApp, {"Title", message, "OK", "", ""});
    }
    user.join();
    return size;
  };
  EXPECT_EQ(shownSize(700).at(0), 720) << "twice the usual width, not the screen's";
  EXPECT_EQ(shownSize(475).at(0), 720) << "the usual width is added at each step";
  // Too tall even as wide as the work area: as many rows of 20 as it holds with the border's two pixels.
  for (int height : {1000, 1001})
  {
    const NamedWorkArea narrow(mHost, {0, 0, 400, height});
    EXPECT_EQ(shownSize(700), (std::vector<int>{398, 49 * 20})) << height;
  }
}

TEST_F(X11View, MenusAndAlertsKeepToTheWorkAreaTheWindowManagerNames)
{
  OpenView();
  const NamedWorkArea workArea(mHost, {100, 50, 400, 300}); // fifteen rows of 20
  // The user closes the popup once seen, with Escape or Return.
  const auto shown = [this](bool overrideRedirect) {
    XWindowAttributes seen{};
    std::thread user([&] {
      Display* display = testsupport::OpenDisplayOrNull();
      Window popup = 0;
      WaitFor([&] { return (popup = FindPopup(display, mParent, overrideRedirect, seen)) != 0; });
      if (popup)
        SendKey(display, popup, overrideRedirect ? XK_Escape : XK_Return);
      XWindowAttributes left{};
      if (overrideRedirect && !(popup && WaitFor([&] { return FindPopup(display, mParent, true, left) == 0; })))
      {
        ADD_FAILURE() << "no menu was seen, or it is still open after Escape";
        XTestFakeMotionEvent(display, -1, 1, 1, 0); // a click beside it closes it
        XTestFakeButtonEvent(display, 1, True, 0);
        XTestFakeButtonEvent(display, 1, False, 0);
        XSync(display, False);
      }
      XCloseDisplay(display);
    });
    {
      foundation::MainThreadScope main;
      Menu menu;
      for (int i = 0; i < 40; ++i)
        menu.AddItem("item", [](MenuItem&) {});
      if (overrideRedirect)
        mApp->PopUpMenu(menu, {10, 10}, *mView);
      else
        testsupport::RunAlertAnswered(*mApp, {"Title", "Message", "OK", "", ""});
    }
    user.join();
    return seen;
  };
  const XWindowAttributes menu = shown(true);
  EXPECT_EQ(menu.x, 100); // moved in from the screen's corner
  EXPECT_EQ(menu.y, 50);
  EXPECT_EQ(menu.height, 300) << "as many rows as the work area holds";
  const XWindowAttributes alert = shown(false);
  EXPECT_EQ(alert.width, 360);
  EXPECT_EQ(alert.x, 100 + (400 - 360) / 2) << "centred in the work area";
  EXPECT_EQ(alert.y, 50 + (300 - alert.height) / 2);
  for (const std::vector<long>& empty : {std::vector<long>{100, 50, 0, 300}, std::vector<long>{100, 50, 400, 0}})
  {
    const NamedWorkArea none(mHost, empty); // a work area of nothing is not taken: the screen is
    EXPECT_EQ(shown(true).height, 40 * 20) << empty[2] << "x" << empty[3];
  }
}

TEST_F(X11View, AtScreenScaleTwoFieldsMenusAndAlertsAreTwiceAsLargeAndTakeThePointerWhereTheyShow)
{
  ASSERT_NO_FATAL_FAILURE(UseScreenScaleTwo());
  OpenView();
  { // points on the screen and in the view stay points, not pixels, both ways
    foundation::MainThreadScope main;
    const Point origin = mView->ConvertToScreen({0, 0});
    for (Point p : {Point{0, 0}, Point{100, 50}, Point{467, 449}})
    {
      const Point onScreen = mView->ConvertToScreen(p), back = mView->ConvertFromScreen(onScreen);
      EXPECT_EQ((std::vector<double>{onScreen.x, onScreen.y, back.x, back.y}),
                (std::vector<double>{origin.x + p.x, origin.y - p.y, p.x, p.y}));
    }
  }
  // Clicks where the user sees a popup's part until the main thread is done with it (a click that comes before the
  // popup takes the pointer is lost), for a few seconds at most.
  const auto clickUntil = [&](std::atomic<bool>& done, int x, int y) {
    for (int tries = 0; tries < 100 && !done; ++tries)
    {
      XTestFakeMotionEvent(mHost, -1, x, y, 0);
      XTestFakeButtonEvent(mHost, 1, True, 0);
      XTestFakeButtonEvent(mHost, 1, False, 0);
      XSync(mHost, False);
      for (int i = 0; i < 50 && !done; ++i) // a moment for the click to be taken
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };

  // The value field: its text's characters seven pixels and a fifth apart (twice 12 points times 0.6), two in;
  // a click between the second and third puts the caret there.
  TextField field;
  XWindowAttributes wa{};
  const Window fieldWindow = ShowValueField(field, wa);
  ASSERT_NE(fieldWindow, 0u);
  EXPECT_EQ((std::vector<int>{wa.x, wa.y, wa.width, wa.height}), (std::vector<int>{80, 200, 240, 40}));
  int rx = 0, ry = 0;
  Window dummy;
  XTranslateCoordinates(mHost, fieldWindow, DefaultRootWindow(mHost), 34, 20, &rx, &ry, &dummy);
  XTestFakeMotionEvent(mHost, -1, rx, ry, 0);
  XTestFakeButtonEvent(mHost, 1, True, 0);
  XTestFakeButtonEvent(mHost, 1, False, 0);
  XSync(mHost, False);
  EXPECT_TRUE(WaitFor([&] {
    foundation::MainThreadScope main;
    return field.Caret() == 2 && !field.HasSelection();
  }));
  const auto caretColumns = [&] { // the plain painter draws no text: the caret is all that is dark
    std::vector<int> dark;
    if (XImage* image = XGetImage(mHost, fieldWindow, 0, 0, 240, 40, AllPlanes, ZPixmap))
    {
      for (int x = 0; x < 240; ++x)
        if ((XGetPixel(image, x, 20) & 0xFF) < 128)
          dark.push_back(x);
      XDestroyImage(image);
    }
    return dark;
  };
  EXPECT_TRUE(WaitFor([&] { return caretColumns() == std::vector<int>{33, 34}; }))
    << ::testing::PrintToString(caretColumns());
  {
    foundation::MainThreadScope main;
    mView->RemoveTextField();
  }

  // A menu of rows 40 pixels high at twice the view point it pops up at; its third row, pointed at, is drawn
  // highlighted, and a click on it chooses it.
  Menu menu;
  int chosen = 0;
  for (int i = 1; i <= 3; ++i)
    menu.AddItem(i == 2 ? "a longer item" : "item", [&chosen, i](MenuItem&) { chosen = i; });
  menu.ItemAt(1).indentationLevel = 1;
  std::atomic<bool> done{false};
  XWindowAttributes shown{};
  bool onlyTheThirdRowLit = false;
  std::thread user([&] {
    Display* display = testsupport::OpenDisplayOrNull();
    Window popup = 0;
    WaitFor([&] { return (popup = FindPopup(display, mParent, true, shown)) != 0; });
    const auto lit = [&](int row) { // the highlight's blue at the row's right end
      const uint32_t p = PixelOf(display, popup, shown.width - 30, row * 40 + 20);
      return (p & 0xFF) > (p >> 16 & 0xFF) + 60;
    };
    int wiggle = 0; // moves until the menu holds the pointer and draws the row under it
    onlyTheThirdRowLit = popup && WaitFor([&] {
      XTestFakeMotionEvent(display, -1, shown.x + 20 + (++wiggle % 2), shown.y + 2 * 40 + 20, 0);
      XSync(display, False);
      return lit(2) && !lit(0) && !lit(1);
    });
    if (popup)
      clickUntil(done, shown.x + 20, shown.y + 2 * 40 + 20);
    if (popup && !done) // no row chose: Escape closes the menu, so the test fails instead of hanging
      SendKey(display, popup, XK_Escape);
    XCloseDisplay(display);
  });
  {
    foundation::MainThreadScope main;
    mApp->PopUpMenu(menu, {10, 10}, *mView);
  }
  done = true;
  user.join();
  // As wide as the widest row: its indented text (thirteen characters of 7.8 points), the margins, the room for a
  // check mark and for a submenu's arrow.
  EXPECT_EQ((std::vector<int>{shown.x, shown.y, shown.width, shown.height}),
            (std::vector<int>{20, 20, int(std::ceil((13 * 7.8 + 2 * 6 + 2 * 12 + 20) * 2)), 120}));
  EXPECT_TRUE(onlyTheThirdRowLit) << "the row under the pointer is drawn highlighted, and only it";
  EXPECT_EQ(chosen, 3);

  // An alert twice as large, its buttons where it draws them: the alternate one left of the default one.
  done = false;
  std::vector<uint32_t> buttonPixels;
  std::thread answer([&] {
    Display* display = testsupport::OpenDisplayOrNull();
    Window alert = 0;
    WaitFor([&] { return (alert = FindPopup(display, mParent, false, shown)) != 0; });
    // The alternate button's left edge and top in the window, and the window's inside on the screen.
    const int left = 720 - 2 * 172, top = 160 - 40 - 12, x = shown.x + shown.border_width,
              y = shown.y + shown.border_width;
    WaitFor([&] { // drawn: the blue of the default button
      const uint32_t p = PixelOf(display, alert, 720 - 172 + 80, top + 20);
      return alert && (p & 0xFF) > (p >> 16 & 0xFF) + 60;
    });
    // Grey on the panel's lighter grey, a margin above the bottom edge.
    buttonPixels = {PixelOf(display, alert, left + 80, top - 2), PixelOf(display, alert, left + 2, top + 2),
                    PixelOf(display, alert, left + 158, top + 38), PixelOf(display, alert, left + 80, top + 42)};
    if (alert)
      clickUntil(done, x + left + 156, y + top + 36); // near the button's bottom right corner
    if (alert && !done) // no button where the user clicked: Return answers, so the test fails instead of hanging
      SendKey(display, alert, XK_Return);
    XCloseDisplay(display);
  });
  int result = 99;
  {
    foundation::MainThreadScope main;
    result = testsupport::RunAlertAnswered(*mApp, {"Title", "Message", "OK", "Cancel", ""});
  }
  done = true;
  answer.join();
  EXPECT_EQ((std::vector<int>{shown.width, shown.height}), (std::vector<int>{720, 160}));
  EXPECT_EQ(buttonPixels, (std::vector<uint32_t>{0xEDEDED, 0xCCCCCC, 0xCCCCCC, 0xEDEDED}));
  EXPECT_EQ(result, kAlertAlternateReturn);
}

TEST_F(X11View, AtScreenScaleTwoTheViewItsSubviewsAndThePointerCountInPoints)
{
  ASSERT_NO_FATAL_FAILURE(UseScreenScaleTwo());
  OpenView();
  const Window child = Children().at(0);
  XWindowAttributes wa{};
  XGetWindowAttributes(mHost, child, &wa);
  EXPECT_EQ((std::vector<int>{wa.width, wa.height}), (std::vector<int>{936, 900}));
  QuietResponder quiet;
  std::unique_ptr<View> sub;
  {
    foundation::MainThreadScope main;
    sub = mApp->CreateView(quiet, Rect(10, 20, 30, 40));
    ASSERT_TRUE(mView->AddSubview(*sub));
    EXPECT_FALSE(mView->AddSubview(*sub)); // in a window already
    const std::unique_ptr<View> loose = mApp->CreateView(quiet, Rect(0, 0, 5, 5));
    EXPECT_FALSE(loose->AddSubview(*mApp->CreateView(quiet, Rect(0, 0, 5, 5)))); // to a view in none yet
    EXPECT_EQ(loose->ConvertToScreen({3, 4}).y, 4); // nowhere on the screen: points stay as they are
    EXPECT_EQ(loose->ConvertFromScreen({3, 4}).x, 3);
    mView->SetFrameSize({300, 200});
  }
  // The subview at its frame in the view, the view at its new size, in pixels.
  const auto geometry = [&](Window w) {
    XWindowAttributes a{};
    XGetWindowAttributes(mHost, w, &a);
    return std::vector<int>{a.x, a.y, a.width, a.height};
  };
  std::vector<Window> subs;
  ASSERT_TRUE(WaitFor([&] { return (subs = testsupport::ChildWindows(mHost, child)).size() == 1; }));
  EXPECT_TRUE(WaitFor([&] { return geometry(subs[0]) == std::vector<int>{20, 40, 60, 80}; }))
    << ::testing::PrintToString(geometry(subs[0]));
  EXPECT_TRUE(WaitFor([&] { return geometry(child) == std::vector<int>{0, 0, 600, 400}; }))
    << ::testing::PrintToString(geometry(child));

  // The cursor put at a point of the screen (from its top left) is found there again (from its bottom left).
  {
    foundation::MainThreadScope main;
    mApp->WarpCursor({50, 60});
    const Point at = mApp->MouseLocation();
    EXPECT_EQ((std::vector<double>{at.x, at.y}), (std::vector<double>{50, mApp->MainScreenHeight() - 60}));
  }
  Window root, under;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  XQueryPointer(mHost, DefaultRootWindow(mHost), &root, &under, &rx, &ry, &wx, &wy, &mask);
  EXPECT_EQ((std::vector<int>{rx, ry}), (std::vector<int>{100, 120}));

  // Moves, clicks and the wheel at a pixel of the view arrive at the point it shows.
  ScreenPoint(201, 101, rx, ry);
  XTestFakeMotionEvent(mHost, -1, rx - 1, ry - 1, 0);
  XTestFakeMotionEvent(mHost, -1, rx, ry, 0);
  XSync(mHost, False);
  for (unsigned button : {1u, 4u})
  {
    XTestFakeButtonEvent(mHost, button, True, 0);
    XTestFakeButtonEvent(mHost, button, False, 0);
  }
  XSync(mHost, False);
  ASSERT_TRUE(WaitFor([&] { return Count(EventType::kScrollWheel) == 1; }));
  std::map<EventType, std::pair<double, double>> place;
  for (const Event& e : mRecorder.Events())
    place[e.type] = {e.locationInView.x, e.locationInView.y};
  using Place = std::pair<double, double>;
  EXPECT_EQ(place[EventType::kMouseMoved], (Place{100.5, 50.5}));
  EXPECT_EQ(place[EventType::kLeftMouseDown], (Place{100.5, 50.5}));
  EXPECT_EQ(place[EventType::kScrollWheel], (Place{100.5, 50.5}));
  foundation::MainThreadScope main;
  sub.reset();
}

TEST_F(X11View, TheWindowManagersCloseButtonAnswersAnAlertWithItsAlternateOrOnlyButton)
{
  OpenView();
  const struct
  {
    const char* alternate;
    const char* message; // the window manager's message sent to the alert, then Return
    int answer;
  } cases[] = {
    {"Cancel", "WM_DELETE_WINDOW", kAlertAlternateReturn},
    {"", "WM_DELETE_WINDOW", kAlertDefaultReturn},
    {"Cancel", "WM_TAKE_FOCUS", kAlertDefaultReturn}, // another message leaves the answer to the key
  };
  for (const auto& c : cases)
  {
    std::thread user([&] {
      Display* display = testsupport::OpenDisplayOrNull();
      XWindowAttributes wa{};
      Window alert = 0;
      WaitFor([&] { return (alert = FindPopup(display, mParent, false, wa)) != 0; });
      if (alert)
      {
        XClientMessageEvent m{};
        m.type = ClientMessage;
        m.window = alert;
        m.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        m.format = 32;
        m.data.l[0] = static_cast<long>(XInternAtom(display, c.message, False));
        m.data.l[1] = CurrentTime;
        XSendEvent(display, alert, False, NoEventMask, reinterpret_cast<XEvent*>(&m));
        SendKey(display, alert, XK_Return); // answers when the message did not
      }
      XCloseDisplay(display);
    });
    int result = 99;
    {
      foundation::MainThreadScope main;
      result = testsupport::RunAlertAnswered(*mApp, {"Title", "Message", "OK", c.alternate, ""});
    }
    user.join();
    EXPECT_EQ(result, c.answer) << c.alternate << " " << c.message;
  }
}

TEST_F(X11View, MenusAndAlertsAreAnsweredWithThePointer)
{
  OpenView();
  Menu menu;
  int chosen = 0;
  menu.AddItem("first", [&](MenuItem&) { chosen = 1; });
  menu.AddItem("off", [&](MenuItem&) { chosen = 2; }).enabled = false;
  menu.AddSeparatorItem();
  menu.AddItem("third", [&](MenuItem&) { chosen = 3; });
  // Another thread plays the user: it clicks the disabled row (nothing), then the fourth row.
  std::thread user([this] {
    Display* display = testsupport::OpenDisplayOrNull();
    XWindowAttributes wa{};
    Window popup = 0;
    WaitFor([&] { return (popup = FindPopup(display, mParent, true, wa)) != 0; });
    const int row = wa.height / 4;
    for (int r : {1, 3})
    {
      XTestFakeMotionEvent(display, -1, wa.x + 10, wa.y + r * row + row / 2, 0);
      XTestFakeButtonEvent(display, 1, True, 0);
      XTestFakeButtonEvent(display, 1, False, 0);
      XSync(display, False);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    XWindowAttributes left{};
    if (popup && !WaitFor([&] { return FindPopup(display, mParent, true, left) == 0; }))
    {
      ADD_FAILURE() << "the menu is still open after its item was chosen";
      SendKey(display, popup, XK_Escape);
    }
    XCloseDisplay(display);
  });
  MenuItem* item = nullptr;
  {
    foundation::MainThreadScope main;
    item = mApp->PopUpMenu(menu, {10, 10}, *mView);
  }
  user.join();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->title, "third");
  EXPECT_EQ(chosen, 3);

  std::atomic<bool> answered{false};
  Window owner = 0; // what the alert names as the window it belongs to, and its title
  std::string title;
  std::thread answer([&] {
    Display* display = testsupport::OpenDisplayOrNull();
    XWindowAttributes wa{};
    Window alert = 0;
    WaitFor([&] { return (alert = FindPopup(display, mParent, false, wa)) != 0; });
    char* name = nullptr;
    if (alert && XFetchName(display, alert, &name) && name)
      title = name;
    if (name)
      XFree(name);
    if (alert)
      XGetTransientForHint(display, alert, &owner);
    // The alternate button sits left of the default one at the bottom right, a margin above the bottom edge (the
    // click is near its top). A click that comes before the alert
    // takes input is lost, so the user clicks again until the alert has answered (for a few seconds at most).
    for (int tries = 0; tries < 100 && !answered; ++tries)
    {
      XTestFakeMotionEvent(display, -1, wa.x + wa.width - 2 * (80 + 6) + 20, wa.y + wa.height - 6 - 18, 0);
      XTestFakeButtonEvent(display, 1, True, 0);
      XTestFakeButtonEvent(display, 1, False, 0);
      XSync(display, False);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!answered && alert) // no button where the user clicked: Return answers, so the test fails instead of hanging
      SendKey(display, alert, XK_Return);
    XCloseDisplay(display);
  });
  int result = 99;
  {
    foundation::MainThreadScope main;
    result = testsupport::RunAlertAnswered(*mApp, {"Title\nsecond line", "Line one\nline two", "OK", "Cancel", ""});
  }
  answered = true;
  answer.join();
  EXPECT_EQ(result, kAlertAlternateReturn);
  EXPECT_EQ(owner, mParent) << "the host's top-level window";
  EXPECT_EQ(title, "Title") << "a window title has one line";
}

TEST_F(X11View, TextOnTheClipboardReachesAnotherClient)
{
  std::unique_ptr<Application> other = MakeX11Application();
  ASSERT_NE(other, nullptr);
  foundation::MainThreadScope main;
  std::string text = "stale";
  ASSERT_TRUE(mApp->SetPasteboardString("h\xc3\xa9"));
  EXPECT_TRUE(other->StringFromPasteboard(text)); // our first connection answers while the second waits
  EXPECT_EQ(text, "h\xc3\xa9");
  ASSERT_TRUE(other->SetPasteboardString("back"));
  EXPECT_TRUE(mApp->StringFromPasteboard(text));
  EXPECT_EQ(text, "back");
  other.reset();
}

TEST_F(X11View, TheHostWindowGoingAwayTellsTheResponder)
{
  OpenView();
  XDestroyWindow(mHost, mParent);
  mParent = XCreateSimpleWindow(mHost, DefaultRootWindow(mHost), 0, 0, 10, 10, 0, 0, 0); // for TearDown
  XSync(mHost, False);
  EXPECT_TRUE(WaitFor([&] { return mRecorder.mDestroyed.load(); }));
  foundation::MainThreadScope main;
  EXPECT_FALSE(mView->HasWindow());
}

/// X errors of connections other than the test's own: ours, made while no view holds our handler in place.
std::atomic<int> gOurErrors{0};
Display* gTestConnection = nullptr;
int CountOurErrors(Display* display, XErrorEvent*)
{
  gOurErrors += display != gTestConnection;
  return 0;
}

TEST_F(X11View, ClosingAClosedViewAgainLeavesItClosedAndAsksTheServerNothing)
{
  gTestConnection = mHost;
  XSetErrorHandler(CountOurErrors); // before the view puts its handler in: it puts this one back when closed
  const struct
  {
    const char* first; // how the view closes first
    bool hostDestroys;
  } cases[] = {{"removed", false}, {"the host's window destroyed", true}};
  for (const auto& c : cases)
  {
    gOurErrors = 0;
    mRecorder.mDestroyed = false;
    OpenView();
    if (c.hostDestroys)
    {
      XDestroyWindow(mHost, mParent);
      mParent = XCreateSimpleWindow(mHost, DefaultRootWindow(mHost), 0, 0, 10, 10, 0, 0, 0); // for TearDown
      XSync(mHost, False);
      ASSERT_TRUE(WaitFor([&] { return mRecorder.mDestroyed.load(); })) << c.first;
    }
    foundation::MainThreadScope main;
    const std::vector<uint8_t> frame(16 * 16 * 4, 0x80);
    if (!c.hostDestroys)
    {
      mView->PresentFrame({frame.data(), 16, 16, 16 * 4, {}});
      mView->RemoveFromSuperview();
    }
    EXPECT_FALSE(mView->HasWindow()) << c.first << ": the view still has a window";
    mView->PresentFrame({frame.data(), 16, 16, 16 * 4, {}}); // shown nowhere
    mView->RemoveFromSuperview();
    EXPECT_FALSE(mView->HasWindow()) << c.first << ", then removed again";
    mView.reset(); // closes once more
    mApp->MouseLocation(); // a round trip: the errors of every request before it are in
    EXPECT_EQ(gOurErrors.load(), 0) << c.first << ": closing again or drawing asked about a window already gone";
    EXPECT_TRUE(Children().empty()) << c.first;
    EXPECT_EQ(mRecorder.mDestroyed.load(), c.hostDestroys) << c.first;
  }
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

/// X errors of the test's own connection, the host's, as its handler sees them; those of ours go to gOurErrors.
std::atomic<int> gHostErrors{0};
int CountHostErrors(Display* display, XErrorEvent* e)
{
  gHostErrors += display == gTestConnection && e->error_code == BadWindow;
  gOurErrors += display != gTestConnection;
  return 0;
}

// The host's error handler, in place before the view's, still hears of the errors of the host's own connection
// while the view is open, never of ours (a view asked to open into a window already gone), and is in place again
// once the view has closed.
TEST_F(X11View, TheHostsErrorHandlerHearsOnlyOfItsOwnErrorsAndIsPutBack)
{
  gTestConnection = mHost;
  gHostErrors = 0;
  gOurErrors = 0;
  XSetErrorHandler(CountHostErrors);
  const Window gone = XCreateSimpleWindow(mHost, DefaultRootWindow(mHost), 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(mHost, gone);
  XSync(mHost, False);
  {
    foundation::MainThreadScope main;
    mView = mApp->CreateView(mRecorder, Rect(0, 0, 10, 10));
    EXPECT_FALSE(mView->AddToParent(reinterpret_cast<void*>(gone)));
  }
  EXPECT_EQ(XSetErrorHandler(CountHostErrors), CountHostErrors) << "the host's handler is back after our errors";
  OpenView();
  XMapWindow(mHost, gone); // an error of the host's own while the view is open
  XSync(mHost, False);
  EXPECT_EQ(gHostErrors.load(), 1);
  {
    foundation::MainThreadScope main;
    mView.reset();
  }
  EXPECT_EQ(gOurErrors.load(), 0);
  EXPECT_EQ(XSetErrorHandler([](Display*, XErrorEvent*) { return 0; }), CountHostErrors);
}

TEST_F(X11View, DropsAreTakenOneAtATimeAndAFloodOfThemIsRefused)
{
  OpenView();
  const Window child = Children().at(0);
  {
    // Another client drops again and again without ever handing over the data: while the first drop waits for
    // it, every later one is refused at once.
    constexpr int kDrops = 10000;
    Display* flooder = testsupport::OpenDisplayOrNull();
    ASSERT_NE(flooder, nullptr);
    {
      testsupport::DragSource source(flooder);
      source.OwnSelection();
      for (int i = 0; i < kDrops; ++i)
      {
        source.Enter(child);
        source.Drop(child);
      }
      XFlush(flooder);
      EXPECT_EQ(source.ServeUntilFinished("", kDrops), 0);
    }
    XCloseDisplay(flooder);
  }
  EXPECT_EQ(mRecorder.mDrops.load(), 0);

  testsupport::DragSource source(mHost); // a proper drop afterwards is taken
  source.OwnSelection();
  source.Enter(child);
  source.Position(child, 0, 0);
  source.Drop(child);
  XFlush(mHost);
  EXPECT_EQ(source.ServeUntilFinished("file:///tmp/take.wav\r\n"), 1);
  EXPECT_EQ(mRecorder.mDrops.load(), 1);
}

// Drag sources look for this before they talk to a window: the view takes drops of protocol version 5.
TEST_F(X11View, TheViewsWindowTellsDragSourcesItTakesDrops)
{
  OpenView();
  Atom type = None;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(mHost, Children().at(0), XInternAtom(mHost, "XdndAware", False), 0, 16, False,
                               AnyPropertyType, &type, &format, &n, &after, &data),
            Success);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(type, XA_ATOM);
  EXPECT_EQ(format, 32);
  ASSERT_EQ(n, 1u);
  EXPECT_EQ(reinterpret_cast<const long*>(data)[0], 5);
  XFree(data);
}

// Each move of a drag of files over the view is answered: accepted from the source that entered, refused from a
// source that never entered and from one that has left.
TEST_F(X11View, MovesOfADragAreAcceptedOnlyFromTheSourceThatEntered)
{
  OpenView();
  const Window child = Children().at(0);
  testsupport::DragSource entered(mHost), stranger(mHost);
  const Atom copy = XInternAtom(mHost, "XdndActionCopy", False);
  // Each answer names the view's window, asks for every move (an empty rectangle) and offers a copy only when
  // it accepts.
  auto answerIs = [&](testsupport::DragSource& source, int flags, Atom action) {
    EXPECT_EQ(source.AwaitStatus(), flags);
    EXPECT_EQ(source.StatusWindow(), child);
    EXPECT_EQ(source.StatusRectangle(), std::make_pair(0L, 0L));
    EXPECT_EQ(source.StatusAction(), action);
  };
  entered.Enter(child);
  entered.Position(child, 0, 0);
  XFlush(mHost);
  answerIs(entered, 1, copy);
  stranger.Position(child, 0, 0);
  XFlush(mHost);
  answerIs(stranger, 0, None);
  stranger.Leave(child); // leaving a drag it never entered ends nobody's drag
  entered.Position(child, 0, 0);
  XFlush(mHost);
  answerIs(entered, 1, copy);
  entered.Leave(child);
  entered.Position(child, 0, 0);
  XFlush(mHost);
  answerIs(entered, 0, None);
  EXPECT_EQ(mRecorder.mDrops.load(), 0);
}

TEST_F(X11View, AFileListIsTakenFromAnySlotOfTheEnterMessageOrFromTheTypeList)
{
  OpenView();
  const Window child = Children().at(0);
  const char* uris = "text/uri-list";
  struct Case
  {
    std::vector<const char*> types;
    bool typeList;
    bool taken;
  } cases[] = {
    {{uris}, false, true},
    {{"text/plain", uris}, false, true},
    {{"text/plain", "UTF8_STRING", uris}, false, true},
    {{"text/plain", "UTF8_STRING", "STRING"}, false, false},
    {{"a/1", "a/2", "a/3", "a/4", uris}, true, true},
    {{uris, "a/1", "a/2", "a/3"}, true, true},
    {{"a/1", "a/2", "a/3", "a/4"}, true, false},
  };
  int drops = 0;
  for (const Case& k : cases)
  {
    testsupport::DragSource source(mHost);
    source.OwnSelection();
    if (k.typeList)
      source.EnterWithTypeList(child, k.types);
    else
      source.EnterOffering(child, k.types);
    source.Position(child, 0, 0);
    source.Drop(child);
    XFlush(mHost);
    drops += k.taken;
    EXPECT_EQ(source.ServeUntilFinished("file:///tmp/take.wav\r\n"), k.taken ? 1 : 0) << k.types.back();
    EXPECT_EQ(mRecorder.mDrops.load(), drops) << k.types.back();
  }
}

// The source hears that its drop was taken, as a copy, only when the dropped data named a local file; a drop
// ends the drag, so dropping again without entering anew is refused.
TEST_F(X11View, ADropIsReportedTakenOnlyWhenItsDataNamedALocalFile)
{
  OpenView();
  const Window child = Children().at(0);
  const Atom copy = XInternAtom(mHost, "XdndActionCopy", False);
  struct Case
  {
    std::string uris;
    std::vector<std::string> files;
  } cases[] = {
    {"", {}},
    {"http://localhost/a.wav\r\n", {}},
    {"# file:///tmp/a.wav\r\n", {}},
    {"file://elsewhere.example/tmp/a.wav\r\n\r\n", {}},
    {"file:///tmp/a.wav\r\n", {"/tmp/a.wav"}},
    {"http://localhost/a.wav\r\n# note\r\nfile:///tmp/b%20c.wav\nfile:///tmp/d.wav", {"/tmp/b c.wav", "/tmp/d.wav"}},
  };
  int drops = 0;
  for (const Case& k : cases)
  {
    SCOPED_TRACE(k.uris);
    testsupport::DragSource source(mHost);
    source.OwnSelection();
    source.Enter(child);
    source.Position(child, 0, 0);
    source.Drop(child);
    XFlush(mHost);
    const bool taken = !k.files.empty();
    drops += taken;
    EXPECT_EQ(source.ServeUntilFinished(k.uris), taken ? 1 : 0);
    EXPECT_EQ(source.FinishedAction(), taken ? copy : None);
    EXPECT_EQ(source.FinishedWindow(), child); // the answer names the view's window
    EXPECT_EQ(mRecorder.mDrops.load(), drops);
    if (taken)
    {
      EXPECT_EQ(mRecorder.DroppedFiles(), k.files);
    }
    source.Drop(child);
    XFlush(mHost);
    EXPECT_EQ(source.ServeUntilFinished("file:///tmp/again.wav\r\n"), 0);
    EXPECT_EQ(mRecorder.mDrops.load(), drops);
  }
}

// While a drop waits for its data, the drag that made it is over: a move is no longer accepted, and another
// drop, from that source or a new one, is refused; the first drop is still taken when its data comes.
TEST_F(X11View, WhileADropWaitsForItsDataMovesAndFurtherDropsAreRefused)
{
  OpenView();
  const Window child = Children().at(0);
  Display* other = testsupport::OpenDisplayOrNull(); // each source reads only its own messages
  ASSERT_NE(other, nullptr);
  struct Closer
  {
    Display* display;
    ~Closer() { XCloseDisplay(display); }
  } closer{other};
  testsupport::DragSource first(mHost), second(other);
  first.OwnSelection();
  first.Enter(child);
  first.Position(child, 0, 0);
  XFlush(mHost);
  ASSERT_EQ(first.AwaitStatus(), 1);
  first.Drop(child);
  XFlush(mHost);
  ASSERT_TRUE(first.AwaitDataRequest());
  first.Position(child, 0, 0);
  XFlush(mHost);
  EXPECT_EQ(first.AwaitStatus(), 0);
  first.Drop(child);
  second.Enter(child);
  second.Position(child, 0, 0);
  second.Drop(child);
  XFlush(mHost);
  XFlush(other);
  EXPECT_EQ(second.ServeUntilFinished("file:///tmp/second.wav\r\n"), 0);
  EXPECT_EQ(first.ServeUntilFinished("file:///tmp/first.wav\r\n", 2), 1);
  EXPECT_EQ(mRecorder.mDrops.load(), 1);
  EXPECT_EQ(mRecorder.DroppedFiles(), std::vector<std::string>{"/tmp/first.wav"});
}

// A drop lands where the last accepted move was, counted in points from the view's corner; a move while the
// drop waits for its data does not move it.
TEST_F(X11View, ADropLandsWhereTheLastAcceptedMoveWasInPoints)
{
  ASSERT_NO_FATAL_FAILURE(UseScreenScaleTwo());
  OpenView();
  const Window child = Children().at(0);
  struct Case
  {
    int x, y;    // the last move before the drop, in pixels of the view
    Point at;    // where the drop lands
  } cases[] = {{0, 0, {0, 0}}, {61, 200, {30.5, 100}}, {935, 899, {467.5, 449.5}}};
  for (const Case& k : cases)
  {
    SCOPED_TRACE(std::to_string(k.x) + "," + std::to_string(k.y));
    int rx = 0, ry = 0, elsewhereX = 0, elsewhereY = 0;
    ScreenPoint(k.x, k.y, rx, ry);
    ScreenPoint(500, 10, elsewhereX, elsewhereY);
    testsupport::DragSource source(mHost);
    source.OwnSelection();
    source.Enter(child);
    source.Position(child, elsewhereX, elsewhereY);
    source.Position(child, rx, ry);
    XFlush(mHost);
    ASSERT_EQ(source.AwaitStatus(), 1);
    ASSERT_EQ(source.AwaitStatus(), 1);
    source.Drop(child);
    XFlush(mHost);
    ASSERT_TRUE(source.AwaitDataRequest());
    source.Position(child, elsewhereX, elsewhereY);
    XFlush(mHost);
    EXPECT_EQ(source.ServeUntilFinished("file:///tmp/here.wav\r\n"), 1);
    EXPECT_EQ(mRecorder.DropPoint().x, k.at.x);
    EXPECT_EQ(mRecorder.DropPoint().y, k.at.y);
  }
}

TEST(DroppedFileURI, NamesALocalFileOnlyWithoutAnotherHostOrAnEncodedNul)
{
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof(host) - 1), 0);
  struct Case
  {
    std::string uri;
    bool local;
    std::string path;
  };
  const std::vector<Case> cases = {
    {"file:///home/a/b%20c.vqp", true, "/home/a/b c.vqp"},
    {"file://localhost/x", true, "/x"},
    {std::string("file://") + host + "/y%2fz", true, "/y/z"},
    {"file:///bad%zzescape", true, "/bad%zzescape"},
    {"file://LocalHost/%C3%a9%7E%41", true, "/\xc3\xa9~A"}, // either case, an escape at the very end
    {"file:///%09%af%AF%Fa%0A", true, "/\t\xaf\xaf\xfa\n"}, // every edge of the hexadecimal digits
    {"file:///%/0%:0%`0%g0%@0%G0%0/%0:%0`%0g%0@%0G", true, "/%/0%:0%`0%g0%@0%G0%0/%0:%0`%0g%0@%0G"}, // and beside them
    {"file:///cut%4", true, "/cut%4"},
    {"file:///cut%", true, "/cut%"},
    {"file://elsewhere.example/x", false, ""},
    {"file:///a%00b", false, ""},
    {"file://", false, ""},
    {"http://localhost/x", false, ""},
    {"/plain/path", false, ""},
  };
  for (const Case& c : cases)
  {
    std::string path = "stale";
    EXPECT_EQ(LocalPathOfFileURI(c.uri, path), c.local) << c.uri;
    EXPECT_EQ(path, c.path) << c.uri;
  }
}

TEST_F(X11View, OnlyTextOfEightBitsIsTakenFromTheClipboard)
{
  const long size = 4;
  const std::string word(reinterpret_cast<const char*>(&size), sizeof(size));
  struct Case
  {
    const char* type;
    int format;
    std::string bytes;
    bool text;
    std::string pasted;
  };
  const std::vector<Case> cases = {
    {"UTF8_STRING", 8, "h\xc3\xa9", true, "h\xc3\xa9"},
    {"STRING", 8, "h\xe9\x7f\x80\xbf\xc0\xff", true, "h\xc3\xa9\x7f\xc2\x80\xc2\xbf\xc3\x80\xc3\xbf"}, // Latin-1
    {"INCR", 32, word, false, ""},              // an incremental transfer is refused
    {"UTF8_STRING", 32, word, false, ""},
    {"image/png", 8, "\x89PNG", false, ""},
    {"UTF8_STRING", 8, "", false, ""}, // an empty text is nothing to paste
  };
  for (const Case& c : cases)
  {
    ClipboardOwner owner(c.type, c.format, c.bytes);
    foundation::MainThreadScope main;
    std::string text = "stale";
    EXPECT_EQ(mApp->StringFromPasteboard(text), c.text) << c.type << " " << c.format;
    EXPECT_EQ(text, c.pasted) << c.type << " " << c.format;
  }
  // Nobody holds the clipboard: there is nothing to paste, not an empty text.
  XSetSelectionOwner(mHost, XInternAtom(mHost, "CLIPBOARD", False), 0, CurrentTime);
  XSync(mHost, False);
  foundation::MainThreadScope main;
  std::string text = "stale";
  EXPECT_FALSE(mApp->StringFromPasteboard(text));
  EXPECT_EQ(text, "");
}

TEST_F(X11View, AClipboardOwnerIsWatchedForItsEndOnlyWhileItHoldsTheClipboard)
{
  const Atom clipboard = XInternAtom(mHost, "CLIPBOARD", False);
  const auto watched = [&](Window w) {
    XWindowAttributes wa{};
    return XGetWindowAttributes(mHost, w, &wa) && (wa.all_event_masks & StructureNotifyMask) != 0;
  };
  const auto paste = [&](const std::string& expected) {
    foundation::MainThreadScope main;
    std::string text;
    EXPECT_TRUE(mApp->StringFromPasteboard(text));
    EXPECT_EQ(text, expected);
  };
  ClipboardOwner first("UTF8_STRING", 8, "one");
  const Window firstWindow = XGetSelectionOwner(mHost, clipboard);
  EXPECT_FALSE(watched(firstWindow));
  paste("one");
  EXPECT_TRUE(watched(firstWindow)) << "the owner asked";
  paste("one");
  EXPECT_TRUE(watched(firstWindow)) << "the owner asked again";
  ClipboardOwner second("UTF8_STRING", 8, "two");
  const Window secondWindow = XGetSelectionOwner(mHost, clipboard);
  ASSERT_NE(secondWindow, firstWindow);
  paste("two");
  EXPECT_TRUE(watched(secondWindow)) << "the new owner asked";
  EXPECT_FALSE(watched(firstWindow)) << "the owner before it, still there";
}

// Requests for the clipboard sent straight to the window that holds it, on a server of the test's own so that no
// other program takes the clipboard meanwhile: each type offered is answered while we own the clipboard, and nothing
// is, once another program has taken it (the server orders its notice before the request that follows).
TEST(X11Clipboard, RequestsAreAnsweredOnlyWhileWeOwnTheClipboard)
{
  DROVIK_REQUIRE_TEST_DISPLAY();
  DROVIK_REQUIRE_XVFB();
  struct DisplayKept
  {
    const std::string name = std::getenv("DISPLAY");
    ~DisplayKept() { setenv("DISPLAY", name.c_str(), 1); }
  } sharedDisplay;
  testsupport::TestXServer server;
  Display* own = server.StartOnFreeNumber(testsupport::OwnDisplayNumbers(450));
  ASSERT_NE(own, nullptr);
  std::unique_ptr<Application> app = MakeX11Application();
  ASSERT_NE(app, nullptr);
  {
    foundation::MainThreadScope main;
    ASSERT_TRUE(app->SetPasteboardString("h\xc3\xa9\xc3\xbf\xc4\x80\xe2\x82\xac"));
  }
  const Atom clipboard = XInternAtom(own, "CLIPBOARD", False), into = XInternAtom(own, "ANSWER", False);
  const Window holder = XGetSelectionOwner(own, clipboard);
  const Window requestor = XCreateSimpleWindow(own, DefaultRootWindow(own), 0, 0, 1, 1, 0, 0, 0);
  const auto name = [&](Atom atom) {
    char* text = XGetAtomName(own, atom);
    const std::string out = text ? text : "";
    XFree(text);
    return out;
  };
  // The answer as "TYPE:bytes" (an atom list as its names), or "refused".
  const auto ask = [&](const char* target, Atom property) {
    XSelectionRequestEvent r{};
    r.type = SelectionRequest;
    r.owner = holder;
    r.requestor = requestor;
    r.selection = clipboard;
    r.target = XInternAtom(own, target, False);
    r.property = property;
    r.time = CurrentTime;
    XSendEvent(own, holder, False, NoEventMask, reinterpret_cast<XEvent*>(&r));
    XSync(own, False);
    XEvent e{};
    EXPECT_TRUE(WaitFor([&] { return XCheckTypedWindowEvent(own, requestor, SelectionNotify, &e); })) << target;
    if (e.xselection.property == None)
      return std::string("refused");
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(own, requestor, into, 0, 1024, True, AnyPropertyType, &type, &format, &n, &after, &data);
    std::string out = name(type) + ":";
    for (unsigned long i = 0; i < n && format == 32; ++i)
      out += (i ? " " : "") + name(reinterpret_cast<const Atom*>(data)[i]);
    if (format == 8)
      out.append(reinterpret_cast<const char*>(data), n);
    XFree(data);
    return out;
  };
  EXPECT_EQ(ask("TARGETS", into), "ATOM:TARGETS UTF8_STRING STRING");
  EXPECT_EQ(ask("UTF8_STRING", into), "UTF8_STRING:h\xc3\xa9\xc3\xbf\xc4\x80\xe2\x82\xac");
  EXPECT_EQ(ask("STRING", into), "STRING:h\xe9\xff??");
  EXPECT_EQ(ask("TEXT", into), "refused");
  EXPECT_EQ(ask("UTF8_STRING", None), "refused");
  XSetSelectionOwner(own, clipboard, requestor, CurrentTime);
  for (const char* target : {"TARGETS", "UTF8_STRING", "STRING"})
    EXPECT_EQ(ask(target, into), "refused") << target;
  {
    foundation::MainThreadScope main;
    app.reset();
  }
  XCloseDisplay(own);
}

} // namespace
} // namespace appkit
