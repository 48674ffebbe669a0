// Our own small windows on the X11 view system, drawn by the editor's renderer: menu rows show their text in the
// renderer's glyphs and the highlighted row differs, and the native text field shows UTF-8 as text in its
// style's font, edits with keys and the pointer and copies through the CLIPBOARD selection; a paste that waits for
// a late clipboard owner lands before the Return or click that followed it. A second client plays the user
// through XTest. Skips without a display.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "wait_for.h"
#include "appkit/x11_application.h"
#include "foundation/main_thread.h"
#include "foundation/run_loop.h"
#include "mac_test_support.h"
#include "test_controls.h"
#include "platform/mac/VexelPainter.h"
#include "x11_children.h"

// Last: X defines macros (None, Bool) that the headers above would trip over.
#include "x11_clipboard_owner.h"
#include "x11_display.h"
#include "x11_typing.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mactest {
namespace {

using graphicstest::TestControl;
using testsupport::ClipboardOwner;
using testsupport::TypeKey;
using testsupport::WaitFor;

/// A window's pixels as 0xRRGGBB.
struct Shot
{
  int width = 0, height = 0;
  int left = 0, top = 0; // where the window lies on the screen
  std::vector<uint32_t> pixels;
  /// A pixel of the shot; black outside it (a window past the screen's edges has no shot at all).
  uint32_t At(int x, int y) const
  {
    return x >= 0 && y >= 0 && x < width && y < height ? pixels[size_t(y) * size_t(width) + size_t(x)] : 0;
  }
};

Shot Capture(Display* display, Window w)
{
  Shot shot;
  XWindowAttributes wa{};
  if (!XGetWindowAttributes(display, w, &wa))
    return shot;
  XImage* img = XGetImage(display, w, 0, 0, unsigned(wa.width), unsigned(wa.height), AllPlanes, ZPixmap);
  if (!img)
    return shot;
  shot.width = wa.width;
  shot.height = wa.height;
  Window child;
  XTranslateCoordinates(display, w, DefaultRootWindow(display), 0, 0, &shot.left, &shot.top, &child);
  for (int y = 0; y < wa.height; ++y)
    for (int x = 0; x < wa.width; ++x)
      shot.pixels.push_back(uint32_t(XGetPixel(img, x, y) & 0xFFFFFF));
  XDestroyImage(img);
  return shot;
}

/// Pixels of a region of the shot that differ from the painter's drawing by more than tolerance in a channel.
int Differences(const Shot& shot, const appkit::FrameImage& expected, int tolerance)
{
  int off = 0;
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x)
    {
      const uint8_t* e = expected.pixels + expected.bytesPerRow * size_t(y) + size_t(x) * 4; // BGRA
      const uint32_t p = shot.At(x, y);
      off += std::abs(int((p >> 16) & 0xFF) - e[2]) > tolerance || std::abs(int((p >> 8) & 0xFF) - e[1]) > tolerance ||
             std::abs(int(p & 0xFF) - e[0]) > tolerance;
    }
  return off;
}

/// Pixels of a row of the shot whose three channels are all at most `dark`.
int DarkPixels(const Shot& shot, int top, int height, int dark)
{
  int n = 0;
  for (int y = top; y < top + height; ++y)
    for (int x = 0; x < shot.width; ++x)
    {
      const uint32_t p = shot.At(x, y);
      n += int((p >> 16) & 0xFF) <= dark && int((p >> 8) & 0xFF) <= dark && int(p & 0xFF) <= dark;
    }
  return n;
}

/// The baseline that centres a line of the style in a row, as the windows place their text.
double Baseline(appkit::Painter& painter, const appkit::TextStyle& style, double height)
{
  const appkit::LineMetrics m = painter.Metrics(style);
  return (height + m.ascender - m.descender) / 2.0;
}

class PopupsOnX11 : public ::testing::Test
{
protected:
  void SetUp() override
  {
    DROVIK_OPEN_TEST_DISPLAY(mHost);
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    mParent = XCreateSimpleWindow(mHost, DefaultRootWindow(mHost), 0, 0, 600, 600, 0, 0, 0);
    XMapWindow(mHost, mParent);
    XSync(mHost, False);
    mDelegate.mMakeGraphicsFunc = [this]() -> IGraphics* { return new TestMacGraphics(mDelegate, 468, 450, 60, 1.f); };
    mApp = appkit::MakeX11Application();
    ASSERT_NE(mApp, nullptr);
    appkit::Application::Install(mApp.get());
    foundation::MainThreadScope main;
    ASSERT_NE(mDelegate.OpenWindow(reinterpret_cast<void*>(mParent)), nullptr);
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
    XDestroyWindow(mHost, mParent);
    XCloseDisplay(mHost);
  }
  IGraphicsMac& Graphics() { return *static_cast<IGraphicsMac*>(mDelegate.GetUI()); }
  /// The first child window of parent once the server shows one (our connection's requests arrive in their own
  /// time); 0 when none comes.
  Window FirstChild(Window parent)
  {
    std::vector<Window> children;
    WaitFor([&] { return !(children = testsupport::ChildWindows(mHost, parent)).empty(); });
    return children.empty() ? 0 : children[0];
  }
  Window Editor() { return FirstChild(mParent); }
  /// The user plays the steps on a connection of its own; the main run loop serves our windows' events and
  /// timers meanwhile. Returns once the outcome shows (or ten seconds pass).
  void Play(const std::function<void(Display*)>& steps, const std::function<bool()>& outcome)
  {
    std::thread user([&] {
      Display* display = testsupport::OpenDisplayOrNull();
      steps(display);
      XSync(display, False);
      XCloseDisplay(display);
    });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (bool shown = false; !shown && std::chrono::steady_clock::now() < limit;)
    {
      foundation::MainThreadScope main;
      shown = outcome();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    user.join();
  }

  Display* mHost = nullptr;
  Window mParent = 0;
  std::unique_ptr<appkit::Application> mApp;
  graphicstest::TestDelegate mDelegate{4};
  VexelPainter mExpected; // draws what the windows should show
};

TEST_F(PopupsOnX11, MenuRowsShowTheirTextInOurRenderersGlyphsAndTheHighlightedRowDiffers)
{
  IPopupMenu menu;
  menu.AddItem("first");
  menu.AddItem("second");
  menu.AddSeparator();
  constexpr int kRow = 20;
  constexpr uint32_t kPanel = 0xEDEDED;
  Shot before, after;
  std::thread user([&] {
    Display* display = testsupport::OpenDisplayOrNull();
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    Window popup = 0;
    XWindowAttributes wa{};
    const bool drawn = WaitFor([&] {
      XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &n);
      for (unsigned i = 0; i < n; ++i)
        if (XGetWindowAttributes(display, children[i], &wa) && wa.override_redirect && wa.map_state == IsViewable &&
            testsupport::MadeByThisProcess(display, children[i]))
          popup = children[i];
      if (children)
        XFree(children);
      return popup && Capture(display, popup).At(wa.width - 2, 2) == kPanel;
    });
    EXPECT_TRUE(drawn) << "no menu drawn";
    if (drawn)
    {
      before = Capture(display, popup);
      const int left = wa.x + wa.border_width, top = wa.y + wa.border_width;
      XTestFakeMotionEvent(display, -1, left + wa.width - 4, top + kRow + kRow / 2, 0);
      XSync(display, False);
      EXPECT_TRUE(WaitFor([&] { return Capture(display, popup).At(wa.width - 2, kRow + 2) != kPanel; }));
      after = Capture(display, popup);
    }
    TypeKey(display, XK_Escape); // closes the menu whatever was seen, so that a failing check never leaves it open
    XCloseDisplay(display);
  });
  bool isAsync = false;
  {
    foundation::MainThreadScope main;
    EXPECT_EQ(Graphics().CreatePlatformPopupMenu(menu, IRECT(10, 10, 50, 30), isAsync), nullptr);
  }
  user.join();
  ASSERT_GE(before.height, 2 * kRow);
  ASSERT_EQ(after.height, before.height);

  // The first row as our renderer draws "first" in the panels' text style.
  foundation::MainThreadScope main;
  const appkit::TextStyle style{"", 13.0, {0, 0, 0, 1}};
  mExpected.Begin({double(before.width), double(kRow)}, 1.0, {0.93, 0.93, 0.93, 1.0});
  mExpected.DrawText("first", {18.0, Baseline(mExpected, style, kRow)}, style);
  EXPECT_LE(Differences(before, mExpected.End(), 8), before.width * kRow / 100);
  EXPECT_GT(DarkPixels(before, 0, kRow, 60), 10);

  // The second row: dark text on the panel before, light text on the highlight once the pointer is on it.
  EXPECT_GT(DarkPixels(before, kRow, kRow, 60), 10);
  EXPECT_EQ(DarkPixels(after, kRow, kRow, 60), 0);
  const uint32_t lit = after.At(after.width - 2, kRow + 2);
  EXPECT_NEAR(int(lit >> 16), 48, 2);
  EXPECT_NEAR(int((lit >> 8) & 0xFF), 112, 2);
  EXPECT_NEAR(int(lit & 0xFF), 209, 2);

  // The separator's row: a grey line across the middle, short of the panel's margins on both sides.
  ASSERT_GE(before.height, 3 * kRow);
  const int middle = 2 * kRow + kRow / 2;
  EXPECT_EQ(before.At(before.width / 2, middle), 0xABABABu);
  EXPECT_EQ(before.At(2, middle), kPanel);
  EXPECT_EQ(before.At(before.width - 3, middle), kPanel);
}

TEST_F(PopupsOnX11, TheTextFieldShowsUTF8InItsFontAndEditsWithKeysPointerAndClipboard)
{
  IText style(24.f, IColor(255, 0, 0, 0), "Verdana", kAlignNear, kVAlignMiddle);
  style.mEntryTextColor = IColor(255, 0, 0, 0);
  style.mEntryBackColor = IColor(255, 255, 255, 255);
  Window field = 0;
  {
    foundation::MainThreadScope main;
    Graphics().CreatePlatformTextEntry(-1, style, IRECT(10, 10, 210, 50), 32, "h\xc3\xa9llo");
  }
  field = FirstChild(Editor());
  ASSERT_NE(field, 0u);
  auto view = [&]() -> const appkit::TextField& {
    return *static_cast<IGraphicsView_vDrovik_vst*>(Graphics().GetWindow())->OpenTextField();
  };
  {
    foundation::MainThreadScope main;
    EXPECT_EQ(view().SelectedText(), U"h\u00e9llo"); // a field opens with all its text selected
  }
  Play([&](Display* display) { TypeKey(display, XK_End); }, [&] { return !view().HasSelection(); });
  const appkit::TextStyle text{"Verdana", 24.0, {0, 0, 0, 1}};
  {
    foundation::MainThreadScope main;
    ASSERT_EQ(view().Caret(), 5u);
    // Expected: "héllo" as text (five characters, not six bytes), the caret after it.
    mExpected.Begin({200, 40}, 1.0, {1, 1, 1, 1});
    const double baseline = Baseline(mExpected, text, 40);
    mExpected.DrawText("h\xc3\xa9llo", {2.0, baseline}, text);
    const appkit::LineMetrics m = mExpected.Metrics(text);
    mExpected.FillRect(appkit::Rect(2.0 + mExpected.TextWidth("h\xc3\xa9llo", text), baseline - m.ascender, 1.0,
                                    m.ascender + m.descender),
                       {0, 0, 0, 1});
  }
  const appkit::FrameImage expected = mExpected.End();
  Shot shot;
  EXPECT_TRUE(WaitFor([&] { // the drawing reaches the server in its own time
    shot = Capture(mHost, field);
    return shot.width == 200 && shot.height == 40 && Differences(shot, expected, 8) <= 40;
  }));
  EXPECT_GT(DarkPixels(shot, 0, shot.height, 60), 50);

  // Keys: Home, Shift+Right twice selects "hé"; Control+C copies it; End and Control+V paste it after the text.
  Play([&](Display* display) {
    TypeKey(display, XK_Home);
    TypeKey(display, XK_Right, XK_Shift_L);
    TypeKey(display, XK_Right, XK_Shift_L);
    TypeKey(display, XK_c, XK_Control_L);
    TypeKey(display, XK_End);
    TypeKey(display, XK_v, XK_Control_L);
  }, [&] { return view().stringValue.size() == 7; });
  {
    foundation::MainThreadScope main;
    EXPECT_EQ(view().StringValueUTF8(), "h\xc3\xa9llo" "h\xc3\xa9");
    std::unique_ptr<appkit::Application> other = appkit::MakeX11Application();
    std::string copied;
    ASSERT_TRUE(other->StringFromPasteboard(copied));
    EXPECT_EQ(copied, "h\xc3\xa9");
  }

  // The pointer: a click between two characters puts the caret between them.
  int rx = 0, ry = 0;
  Window child;
  XTranslateCoordinates(mHost, field, DefaultRootWindow(mHost), 0, 0, &rx, &ry, &child);
  int between = 0; // after "hél", a little right of the gap
  {
    foundation::MainThreadScope main;
    between = int(2.0 + mExpected.TextWidth("h\xc3\xa9l", text) + 2.0);
  }
  Play([&](Display* display) {
    XTestFakeMotionEvent(display, -1, rx + between, ry + 20, 0);
    XTestFakeButtonEvent(display, 1, True, 0);
    XTestFakeButtonEvent(display, 1, False, 0);
  }, [&] { return !view().HasSelection() && view().Caret() == 3; });
  {
    foundation::MainThreadScope main;
    EXPECT_FALSE(view().HasSelection());
    EXPECT_EQ(view().Caret(), 3u);
  }

  // A press left of the text (later than a double click) puts the caret at the start, a drag to the far right
  // selects it all.
  constexpr unsigned long kPastDoubleClickMs = 600;
  Play([&](Display* display) {
    XTestFakeMotionEvent(display, -1, rx + 1, ry + 20, 0);
    XTestFakeButtonEvent(display, 1, True, kPastDoubleClickMs);
    XTestFakeMotionEvent(display, -1, rx + 199, ry + 20, 0);
    XTestFakeButtonEvent(display, 1, False, 0);
    XSync(display, False);
  }, [&] { return view().SelectionEnd() == 7 && view().SelectionStart() == 0; });
  foundation::MainThreadScope main;
  EXPECT_EQ(view().SelectionStart(), 0u);
  EXPECT_EQ(view().SelectionEnd(), 7u);
}

/// The text field's text sits two points in from the side it is aligned to, or centred, with the caret after it.
class AlignedField : public PopupsOnX11, public ::testing::WithParamInterface<EAlign>
{
};

TEST_P(AlignedField, ShowsItsTextAndCaretWhereItsAlignmentPutsThem)
{
  IText style(24.f, IColor(255, 0, 0, 0), "Verdana", GetParam(), kVAlignMiddle);
  style.mEntryTextColor = IColor(255, 0, 0, 0);
  style.mEntryBackColor = IColor(255, 255, 255, 255);
  {
    foundation::MainThreadScope main;
    Graphics().CreatePlatformTextEntry(-1, style, IRECT(10, 10, 210, 50), 32, "0.25");
  }
  const Window field = FirstChild(Editor());
  ASSERT_NE(field, 0u);
  auto view = [&]() -> const appkit::TextField& {
    return *static_cast<IGraphicsView_vDrovik_vst*>(Graphics().GetWindow())->OpenTextField();
  };
  Play([&](Display* display) { TypeKey(display, XK_End); }, [&] { return !view().HasSelection(); });
  const appkit::TextStyle text{"Verdana", 24.0, {0, 0, 0, 1}};
  mExpected.Begin({200, 40}, 1.0, {1, 1, 1, 1});
  const double width = mExpected.TextWidth("0.25", text), baseline = Baseline(mExpected, text, 40);
  const double left = GetParam() == kAlignNear ? 2.0 : GetParam() == kAlignCenter ? (200 - width) / 2 : 198 - width;
  mExpected.DrawText("0.25", {left, baseline}, text);
  const appkit::LineMetrics m = mExpected.Metrics(text);
  mExpected.FillRect(appkit::Rect(left + width, baseline - m.ascender, 1.0, m.ascender + m.descender), {0, 0, 0, 1});
  const appkit::FrameImage expected = mExpected.End();
  Shot shot;
  EXPECT_TRUE(WaitFor([&] {
    shot = Capture(mHost, field);
    return shot.width == 200 && shot.height == 40 && Differences(shot, expected, 8) <= 20;
  })) << Differences(shot, expected, 8) << " pixels differ";
}

INSTANTIATE_TEST_SUITE_P(Alignments, AlignedField, ::testing::Values(kAlignNear, kAlignCenter, kAlignFar));

/// What the user does while a paste waits for the clipboard's owner.
enum class Meanwhile
{
  kPressReturn,
  kClickElsewhere,
  kOpenAnotherField, // a timer of the editor's commits the field and opens another
};

TEST_F(PopupsOnX11, APasteThatWaitsForALateClipboardOwnerLandsBeforeWhatTheUserDidMeanwhile)
{
  IText style(24.f, IColor(255, 0, 0, 0), "Verdana", kAlignNear, kVAlignMiddle);
  TestControl* first = nullptr;
  TestControl* second = nullptr;
  {
    foundation::MainThreadScope main;
    first = static_cast<TestControl*>(Graphics().AttachControl(new TestControl(IRECT(300, 300, 340, 340), 0)));
    second = static_cast<TestControl*>(Graphics().AttachControl(new TestControl(IRECT(350, 300, 390, 340), 1)));
  }
  int rx = 0, ry = 0;
  Window child;
  XTranslateCoordinates(mHost, Editor(), DefaultRootWindow(mHost), 0, 0, &rx, &ry, &child);
  auto view = [&] { return static_cast<IGraphicsView_vDrovik_vst*>(Graphics().GetWindow()); };
  const struct
  {
    bool fromHost; // the host's key call, or a key in the field's window
    Meanwhile meanwhile;
  } cases[] = {{false, Meanwhile::kPressReturn},     {true, Meanwhile::kPressReturn},
               {false, Meanwhile::kClickElsewhere},  {true, Meanwhile::kClickElsewhere},
               {false, Meanwhile::kOpenAnotherField}, {true, Meanwhile::kOpenAnotherField}};
  for (const auto& c : cases)
  {
    const std::string what = std::string(c.fromHost ? "host " : "field ") + std::to_string(int(c.meanwhile));
    {
      foundation::MainThreadScope main;
      first->Poke(0.1);
      second->Poke(0.2);
      Graphics().CreateTextEntry(*first, style, IRECT(10, 10, 210, 50), "0.1", 0);
    }
    ASSERT_NE(FirstChild(Editor()), 0u) << what;
    std::atomic<bool> asked{false};
    ClipboardOwner owner("UTF8_STRING", 8, "0.75", std::chrono::milliseconds(80), [&](Display* display) {
      if (c.meanwhile == Meanwhile::kPressReturn)
        TypeKey(display, XK_Return);
      else if (c.meanwhile == Meanwhile::kClickElsewhere)
      {
        XTestFakeMotionEvent(display, -1, rx + 400, ry + 400, 0);
        XTestFakeButtonEvent(display, 1, True, 0);
        XTestFakeButtonEvent(display, 1, False, 0);
      }
      asked = true;
    });
    bool reopened = false;
    foundation::RunLoopTimer reopen([&] {
      if (c.meanwhile != Meanwhile::kOpenAnotherField || !asked || reopened)
        return;
      reopened = true;
      Graphics().CreateTextEntry(*second, style, IRECT(10, 60, 210, 100), "0.2", 0);
    }, 0.005);
    if (c.fromHost)
    {
      foundation::MainThreadScope main;
      EXPECT_TRUE(Graphics().OnKeyFromHost(plug::IKeyPress("v", 'V', false, true, false), false)) << what;
    }
    else
      Play([](Display* display) { TypeKey(display, XK_v, XK_Control_L); }, [&] { return asked.load(); });
    if (c.meanwhile == Meanwhile::kOpenAnotherField)
    {
      // The paste belonged to the field that closed: the other field keeps its text, the first its value.
      Play([](Display*) {}, [&] { return reopened; });
      foundation::MainThreadScope main;
      ASSERT_TRUE(view()->HasTextField()) << what;
      EXPECT_EQ(view()->OpenTextField()->StringValueUTF8(), "0.2") << what;
      EXPECT_NEAR(first->GetValue(), 0.1, 1e-9) << what;
      view()->endUserInput();
      continue;
    }
    // The paste lands first; the Return or the click then commits the pasted text.
    Play([](Display*) {}, [&] { return !view()->HasTextField(); });
    foundation::MainThreadScope main;
    EXPECT_FALSE(view()->HasTextField()) << what;
    EXPECT_NEAR(first->GetValue(), 0.75, 1e-9) << what;
    EXPECT_NEAR(second->GetValue(), 0.2, 1e-9) << what;
  }
}

/// A responder for the view the test makes as a host would.
struct NoResponses final : appkit::ViewResponder
{
  bool SendEvent(const appkit::Event&) override { return false; }
  bool DraggingEntered(const std::vector<std::string>&) override { return false; }
  bool PerformDragOperation(const std::vector<std::string>&, appkit::Point) override { return false; }
  std::string ToolTipAt(appkit::Point) override { return ""; }
  void ViewDidChangeBackingScale(double) override {}
  void ViewWindowDestroyed() override {}
};

TEST_F(PopupsOnX11, AHostMadeViewBecomesAChildWindowOfTheEditorAndGoesAgain)
{
  NoResponses responder;
  const Window editor = Editor();
  std::unique_ptr<appkit::View> child;
  {
    foundation::MainThreadScope main;
    child = mApp->CreateView(responder, appkit::Rect());
    Graphics().AttachPlatformView(IRECT(10.5f, 20.5f, 40.f, 60.f), child.get());
  }
  // Our connection's requests reach the server in their own time.
  EXPECT_TRUE(WaitFor([&] {
    const std::vector<Window> inside = testsupport::ChildWindows(mHost, editor);
    XWindowAttributes wa{};
    return inside.size() == 1 && XGetWindowAttributes(mHost, inside[0], &wa) && wa.x == 10 && wa.y == 20 &&
           wa.width == 30 && wa.height == 40;
  }));
  foundation::MainThreadScope main;
  Graphics().RemovePlatformView(child.get());
  EXPECT_TRUE(WaitFor([&] { return testsupport::ChildWindows(mHost, editor).empty(); }));
  child.reset();
}

/// The last mapped window this process made on the root that is override-redirect (or not) and of the width (0:
/// any), or 0.
Window TopLevel(Display* display, bool overrideRedirect, int width)
{
  Window root, parent, *children = nullptr, found = 0;
  unsigned n = 0;
  XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &n);
  for (unsigned i = 0; i < n; ++i)
  {
    XWindowAttributes wa{};
    if (XGetWindowAttributes(display, children[i], &wa) && wa.map_state == IsViewable &&
        bool(wa.override_redirect) == overrideRedirect && (width == 0 || wa.width == width) &&
        testsupport::MadeByThisProcess(display, children[i]))
      found = children[i];
  }
  if (children)
    XFree(children);
  return found;
}

TEST_F(PopupsOnX11, ToolTipsAndAlertsShowTheirTextInOurRenderersGlyphs)
{
  const appkit::TextStyle style{"", 13.0, {0, 0, 0, 1}};
  // A tool tip where the pointer rests on a control that has one.
  {
    foundation::MainThreadScope main;
    Graphics().AttachControl(new graphicstest::TestControl(IRECT(0, 0, 468, 450))); // the background: no hover
    Graphics().AttachControl(new graphicstest::TestControl(IRECT(0, 0, 200, 200)));
    Graphics().GetControl(1)->SetTooltip("Drive");
    Graphics().EnableTooltips(true);
    Graphics().EnableMouseOver(true);
    Graphics().UpdateTooltips();
  }
  int rx = 0, ry = 0;
  Window child;
  XTranslateCoordinates(mHost, Editor(), DefaultRootWindow(mHost), 50, 50, &rx, &ry, &child);
  Window tip = 0;
  Play(
    [&](Display* display) {
      XTestFakeMotionEvent(display, -1, rx, ry, 0);
      XTestFakeMotionEvent(display, -1, rx + 1, ry + 1, 0);
    },
    [&] {
      if (!(tip = TopLevel(mHost, true, 0)))
        return false;
      const Shot shown = Capture(mHost, tip);
      return shown.height > 0 && DarkPixels(shown, 0, shown.height, 60) > 10; // its text is drawn
    });
  ASSERT_NE(tip, 0u);
  Shot tipShot = Capture(mHost, tip);
  appkit::FrameImage expectedTip;
  {
    foundation::MainThreadScope main;
    mExpected.Begin({double(tipShot.width), double(tipShot.height)}, 1.0, {1.0, 1.0, 0.88, 1.0});
    mExpected.DrawText("Drive", {4.0, 3.0 + mExpected.Metrics(style).ascender}, style);
    expectedTip = mExpected.End();
  }
  int tipDifferences = 0;
  WaitFor([&] { // the drawing reaches the server in its own time
    tipShot = Capture(mHost, tip);
    return (tipDifferences = Differences(tipShot, expectedTip, 8)) <= 10;
  });
  EXPECT_LE(tipDifferences, 10);

  // An alert: its title on the first row.
  appkit::FrameImage expectedTitle;
  {
    foundation::MainThreadScope main;
    mExpected.Begin({360, 20}, 1.0, {0.93, 0.93, 0.93, 1.0});
    mExpected.DrawText("Overwrite the preset?", {6.0, Baseline(mExpected, style, 20)}, style);
    expectedTitle = mExpected.End();
  }
  Shot alertShot;
  std::thread user([&] {
    Display* display = testsupport::OpenDisplayOrNull();
    Window alert = 0;
    // The alert is answered whatever is seen, so that a failing check never leaves it waiting.
    EXPECT_TRUE(WaitFor([&] {
      return (alert = TopLevel(display, false, 360)) != 0 && Capture(display, alert).At(358, 2) == 0xEDEDED;
    })) << "no alert of the expected width drawn within the screen";
    WaitFor([&] { // the drawing reaches the server in its own time
      alertShot = Capture(display, alert);
      return Differences(alertShot, expectedTitle, 8) <= 20;
    });
    XSetInputFocus(display, alert, RevertToParent, CurrentTime);
    TypeKey(display, XK_Escape);
    XCloseDisplay(display);
  });
  {
    foundation::MainThreadScope main;
    EXPECT_EQ(testsupport::RunAlertAnswered(*mApp, {"Overwrite the preset?", "It exists.", "Yes", "No", ""}),
              appkit::kAlertAlternateReturn);
  }
  user.join();
  ASSERT_EQ(alertShot.width, 360);
  EXPECT_LE(Differences(alertShot, expectedTitle, 8), 20);
  EXPECT_GT(DarkPixels(alertShot, 0, 20, 60), 30);
}

/// Shows the alert until the user, on a connection of its own, has taken a shot of it that `drawn` accepts (the
/// last shot taken when none is within seconds) and pressed Escape.
Shot ShotOfAlert(appkit::Application& app, const appkit::AlertPanel& alert,
                 const std::function<bool(const Shot&)>& drawn)
{
  Shot shot;
  std::thread user([&] {
    Display* display = testsupport::OpenDisplayOrNull();
    Window window = 0;
    // The drawing reaches the server in its own time, a large one in several requests.
    WaitFor([&] {
      shot = (window = TopLevel(display, false, 0)) ? Capture(display, window) : Shot();
      return shot.width > 0 && drawn(shot);
    });
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    TypeKey(display, XK_Escape);
    XCloseDisplay(display);
  });
  {
    foundation::MainThreadScope main;
    testsupport::RunAlertAnswered(app, alert);
  }
  user.join();
  return shot;
}

TEST_F(PopupsOnX11, AnAlertShowsEachLineOfItsTextsOnARowOfItsOwnWithinTheScreen)
{
  const appkit::TextStyle style{"", 13.0, {0, 0, 0, 1}};
  constexpr int kRow = 20, kWidth = 360, kMargin = 6;
  // The rows of text the screen's height has room for (less the window's border), beside the blank row and the
  // buttons' row.
  const int screenHeight = DisplayHeight(mHost, DefaultScreen(mHost));
  const int rowsFitting = (screenHeight - 2) / kRow - 2;
  const std::string trademark =
    "Trademarks: VST is a trademark of Steinberg Media Technologies GmbH, registered in Europe and elsewhere";
  std::vector<std::string> wrapped;
  std::string fullRow, fullRowCut; // a line as wide as a row's room, and the same with room made for an ellipsis
  {
    foundation::MainThreadScope main;
    wrapped = appkit::BreakLines(mExpected, trademark, style, kWidth - 2 * kMargin);
    fullRow = appkit::BreakLines(mExpected, std::string(200, 'x'), style, kWidth - 2 * kMargin).front();
    fullRowCut = appkit::EndWithEllipsis(mExpected, fullRow, style, kWidth - 2 * kMargin);
  }
  std::string manyLines;
  std::vector<std::string> firstRows;
  for (int i = 1; i <= rowsFitting + 30; ++i)
  {
    manyLines += (i == rowsFitting ? fullRow : "Line " + std::to_string(i)) + "\n";
    if (i < rowsFitting)
      firstRows.push_back("Line " + std::to_string(i));
  }
  firstRows.push_back(fullRowCut); // the last row that fits, cut
  ASSERT_GE(wrapped.size(), 2u);
  std::vector<std::string> aboutRows{"Plugin name: Drovik", "Version: 1.0.0", ""};
  aboutRows.insert(aboutRows.end(), wrapped.begin(), wrapped.end());
  aboutRows.push_back("About");
  const struct
  {
    appkit::AlertPanel alert;
    std::vector<std::string> rows; // each drawn on a row of its own, then a blank row and the buttons'
  } cases[] = {
    {{"Plugin name: Drovik\nVersion: 1.0.0\n\n" + trademark + "\n", "About", "OK", "", ""}, aboutRows},
    {{manyLines, "Cut", "OK", "", ""}, firstRows},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.rows.front());
    const int rows = int(c.rows.size());
    appkit::FrameImage expected;
    {
      foundation::MainThreadScope main;
      mExpected.Begin({double(kWidth), double(rows * kRow)}, 1.0, {0.93, 0.93, 0.93, 1.0});
      for (int i = 0; i < rows; ++i)
        mExpected.DrawText(c.rows[size_t(i)], {double(kMargin), i * kRow + Baseline(mExpected, style, kRow)}, style);
      expected = mExpected.End();
    }
    const auto alike = [&](const Shot& s) { return Differences(s, expected, 8) <= rows * 20; };
    const auto lastRowDrawn = [&](const Shot& s) { return DarkPixels(s, (rows - 1) * kRow, kRow, 60) > 30; };
    const Shot shot = ShotOfAlert(*mApp, c.alert, [&](const Shot& s) {
      return s.width == kWidth && s.height == (rows + 2) * kRow && alike(s) && lastRowDrawn(s);
    });
    ASSERT_EQ(shot.width, kWidth) << "no alert shown, or one past the screen's edges (which has no shot)";
    ASSERT_EQ(shot.height, (rows + 2) * kRow);
    EXPECT_LE(shot.height + 2, screenHeight);
    // Centred on the screen, within the window's border.
    EXPECT_NEAR(shot.left + shot.width / 2, DisplayWidth(mHost, DefaultScreen(mHost)) / 2, 2);
    EXPECT_NEAR(shot.top + shot.height / 2, screenHeight / 2, 2);
    EXPECT_LE(Differences(shot, expected, 8), rows * 20);
    EXPECT_TRUE(lastRowDrawn(shot));
    int inMargins = 0; // the text keeps the margins on both sides
    for (int y = 0; y < rows * kRow; ++y)
      for (int x : {0, 1, 2, 3, 4, kWidth - 5, kWidth - 4, kWidth - 3, kWidth - 2, kWidth - 1})
        inMargins += (shot.At(x, y) & 0xFF) < 0xE0;
    EXPECT_EQ(inMargins, 0);
  }
}

} // namespace
} // namespace mactest
