// Menus and alerts of the X11 back end against a real X server, played by a second client through XTest: long
// menus fit the screen and scroll, empty menus survive the pointer, keys sent to a menu's or a submenu's window
// move and choose (a menu that does not take them fails the test at once), and an alert asked for while another modal
// window is open is not answered with a button. Skips without a display.

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "golden_text.h"
#include "wait_for.h"
#include "x11_display.h"
#include "x11_host_window.h"
#include "x11_typing.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "appkit/painter.h"
#include "appkit/x11_application.h"
#include "foundation/main_thread.h"
#include "foundation/run_loop.h"
#include "x11_children.h"

namespace appkit {
namespace {

using testsupport::TypeKey;
using testsupport::WaitFor;

using Quiet = QuietResponder;

/// The mapped override-redirect windows this process made on the root, topmost last.
std::vector<XWindowAttributes> Popups(Display* display)
{
  std::vector<XWindowAttributes> found;
  for (Window w : testsupport::ShownPopups(display))
  {
    XWindowAttributes wa{};
    if (XGetWindowAttributes(display, w, &wa))
      found.push_back(wa);
  }
  return found;
}

void Click(Display* display, int x, int y, unsigned button = 1)
{
  XTestFakeMotionEvent(display, -1, x, y, 0);
  XTestFakeButtonEvent(display, button, True, 0);
  XTestFakeButtonEvent(display, button, False, 0);
  XSync(display, False);
}

/// Over the first item row of a menu of 20-pixel rows (under its top arrow when it scrolls): two steps of the
/// wheel down, then a click.
void WheelTwoStepsDownThenClickTheFirstItemRow(Display* display, const XWindowAttributes& menu)
{
  const int x = menu.x + 20, y = menu.y + 20 + 10;
  XTestFakeMotionEvent(display, -1, x, y, 0);
  for (int i = 0; i < 2; ++i)
    Click(display, x, y, 5);
  Click(display, x, y);
}

/// Waits for the menu's window; its attributes go to wa.
bool WaitForMenu(Display* display, XWindowAttributes& wa, size_t levels = 1)
{
  return WaitFor([&] {
    const auto shown = Popups(display);
    if (shown.size() < levels)
      return false;
    wa = shown.back();
    return true;
  });
}

/// The topmost menu window this process shows, or 0.
Window TopPopup(Display* display)
{
  const std::vector<Window> shown = testsupport::ShownPopups(display);
  return shown.empty() ? 0 : shown.back();
}

/// A key for the menu on top, if one is shown: sent to its window, so that it counts even when it comes before the
/// menu has taken the keyboard (a key pressed then would go elsewhere and leave the menu waiting).
void KeyToMenu(Display* display, KeySym sym)
{
  if (const Window menu = TopPopup(display))
    SendKey(display, menu, sym);
}

/// A user on a connection of its own, working while the main thread runs a modal menu or alert. A menu still open
/// a moment after the user is done (its windows did not take the keys sent to them, say) fails the test and is
/// closed with a click beside it, so that the test goes on instead of waiting for ever.
class User
{
public:
  explicit User(std::function<void(Display*)> play)
    : mThread([play] {
        Display* display = testsupport::OpenDisplayOrNull();
        play(display);
        XSync(display, False);
        if (!WaitFor([&] { return TopPopup(display) == 0; }, kMenuCloseLimit))
        {
          ADD_FAILURE() << "the menu is still open after the user's last key or click: it did not take them";
          const int screen = DefaultScreen(display);
          Click(display, DisplayWidth(display, screen) - 2, DisplayHeight(display, screen) - 2);
        }
        XCloseDisplay(display);
      })
  {
  }
  ~User() { mThread.join(); }

  /// Seconds a menu has to close after the user's last key or click (a long run of keys under a sanitizer takes
  /// a few).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  static constexpr int kMenuCloseLimit = 10;
#else
  static constexpr int kMenuCloseLimit = 3;
#endif

private:
  std::thread mThread;
};

class X11Popups : public X11HostWindow
{
protected:
  void SetUp() override
  {
    X11HostWindow::SetUp();
    if (!mApp)
      return;
    foundation::MainThreadScope main;
    mView = mApp->CreateView(mResponder, Rect(0, 0, 468, 450));
    ASSERT_TRUE(mView->AddToParent(reinterpret_cast<void*>(mParent)));
  }
  MenuItem* PopUp(Menu& menu, Point at = {10, 10})
  {
    foundation::MainThreadScope main;
    return mApp->PopUpMenu(menu, at, *mView);
  }

  Quiet mResponder;
};

TEST_F(X11Popups, EmptyMenusAndSubmenusSurviveThePointer)
{
  Menu empty;
  {
    User user([](Display* display) {
      XWindowAttributes wa{};
      ASSERT_TRUE(WaitForMenu(display, wa));
      for (int y = 0; y < wa.height; y += 3)
        XTestFakeMotionEvent(display, -1, wa.x + 5, wa.y + y, 0);
      Click(display, wa.x + 5, wa.y + wa.height / 2);
      KeyToMenu(display, XK_Down);
      KeyToMenu(display, XK_Return);
      KeyToMenu(display, XK_Escape);
    });
    EXPECT_EQ(PopUp(empty), nullptr);
  }
  Menu menu;
  menu.AddItem("folder", nullptr);
  menu.SetSubmenu(std::make_unique<Menu>(), menu.ItemAt(0));
  User user([](Display* display) {
    XWindowAttributes wa{};
    ASSERT_TRUE(WaitForMenu(display, wa));
    XTestFakeMotionEvent(display, -1, wa.x + 5, wa.y + 5, 0); // opens the empty submenu
    XWindowAttributes sub{};
    ASSERT_TRUE(WaitForMenu(display, sub, 2));
    for (int y = 0; y < sub.height; y += 3)
      XTestFakeMotionEvent(display, -1, sub.x + 5, sub.y + y, 0);
    KeyToMenu(display, XK_Right);
    KeyToMenu(display, XK_Return);
    Click(display, sub.x + 5, sub.y + 5);
    KeyToMenu(display, XK_Escape);
  });
  EXPECT_EQ(PopUp(menu), nullptr);
}

/// A menu of n items whose actions record the chosen index.
void FillMenu(Menu& menu, int n, int& chosen)
{
  for (int i = 0; i < n; ++i)
    menu.AddItem("item " + std::to_string(i), [&chosen, i](MenuItem&) { chosen = i; });
}

/// "first" (choosing it records 100), then "folder" with a submenu of two items that record 0 and 1.
void FillMenuWithFolder(Menu& menu, int& chosen)
{
  menu.AddItem("first", [&chosen](MenuItem&) { chosen = 100; });
  menu.AddItem("folder", nullptr);
  auto items = std::make_unique<Menu>();
  FillMenu(*items, 2, chosen);
  menu.SetSubmenu(std::move(items), menu.ItemAt(1));
}

/// Draws as the plain painter does and writes down each drawing it was asked for: a line for its size and
/// background, and one for each rectangle and text, in points.
class RecordingPainter final : public Painter
{
public:
  void Begin(Size size, double scale, const DeviceColor& background) override
  {
    mDrawing = {"size " + Num(size.width) + "x" + Num(size.height) + " scale " + Num(scale) + " " + Colour(background)};
    mPlain.Begin(size, scale, background);
  }
  void FillRect(Rect r, const DeviceColor& color) override
  {
    mDrawing.push_back("fill " + Num(r.origin.x) + "," + Num(r.origin.y) + " " + Num(r.size.width) + "x" +
                       Num(r.size.height) + " " + Colour(color));
    mPlain.FillRect(r, color);
  }
  void DrawText(const std::string& utf8, Point at, const TextStyle& style) override
  {
    mDrawing.push_back("text \"" + utf8 + "\" at " + Num(at.x) + "," + Num(at.y) + " size " + Num(style.size) + " " +
                       Colour(style.color));
  }
  FrameImage End() override
  {
    mLast = mDrawing;
    return mPlain.End();
  }
  double TextWidth(const std::string& utf8, const TextStyle& style) override { return mPlain.TextWidth(utf8, style); }
  LineMetrics Metrics(const TextStyle& style) override { return mPlain.Metrics(style); }

  /// The last drawing finished.
  std::vector<std::string> mLast;

private:
  static std::string Num(double v) { return goldentext::Num(v); }
  static std::string Colour(const DeviceColor& c)
  {
    return "rgb " + Num(c.red) + "," + Num(c.green) + "," + Num(c.blue);
  }

  PlainPainter mPlain;
  std::vector<std::string> mDrawing;
};

// What a menu draws: every kind of row (plain, checked, disabled, a separator, indented, with a submenu) with
// the highlighted one lit, and a long menu scrolled to its end with its arrows; and what an alert draws: its lines
// and buttons. Against a recorded reference.
TEST_F(X11Popups, MenusDrawEveryKindOfRowAndTheArrowsOfALongOneAndAlertsTheirLinesAndButtons)
{
  auto painter = std::make_shared<RecordingPainter>();
  {
    foundation::MainThreadScope main;
    InstallPainter(painter);
  }
  std::vector<std::string> log;
  Menu rows;
  rows.AddItem("plain", nullptr);
  rows.AddItem("checked", nullptr).state = 1;
  rows.AddItem("off", nullptr).enabled = false;
  rows.AddSeparatorItem();
  rows.AddItem("indented", nullptr).indentationLevel = 2;
  rows.AddItem("folder", nullptr);
  rows.SetSubmenu(std::make_unique<Menu>(), rows.ItemAt(5));
  rows.AddItem("checked and off", nullptr).state = 1;
  rows.ItemAt(6).enabled = false;
  Menu longMenu;
  int chosen = -1;
  FillMenu(longMenu, 80, chosen);
  const struct
  {
    const char* what;
    Menu& menu;
    std::vector<KeySym> keys;
  } cases[] = {
    {"every kind of row, the second lit", rows, {XK_Down, XK_Down}},
    {"the last of a long menu lit", longMenu, {XK_End}},
    {"a long menu at its start, the second lit", longMenu, {XK_Down, XK_Down}},
  };
  for (const auto& c : cases)
  {
    // The pointer away from the menu: only the keys highlight.
    XTestFakeMotionEvent(mHost, -1, DisplayWidth(mHost, DefaultScreen(mHost)) - 1, 0, 0);
    XSync(mHost, False);
    {
      User user([&](Display* display) {
        XWindowAttributes wa{};
        ASSERT_TRUE(WaitForMenu(display, wa));
        for (KeySym key : c.keys)
          KeyToMenu(display, key);
        KeyToMenu(display, XK_Escape);
      });
      EXPECT_EQ(PopUp(c.menu), nullptr);
    }
    log.push_back(std::string("== ") + c.what);
    log.insert(log.end(), painter->mLast.begin(), painter->mLast.end());
  }
  // An alert of three buttons, its message broken into lines, answered with Escape once shown.
  std::thread user([&] {
    Display* display = testsupport::OpenDisplayOrNull();
    WaitFor([&] {
      for (Window w : testsupport::ChildWindows(display, DefaultRootWindow(display)))
      {
        XWindowAttributes wa{};
        if (XGetWindowAttributes(display, w, &wa) && wa.map_state == IsViewable && !wa.override_redirect &&
            wa.width == 360 && testsupport::MadeByThisProcess(display, w))
          return SendKey(display, w, XK_Escape), true;
      }
      return false;
    });
    XCloseDisplay(display);
  });
  {
    foundation::MainThreadScope main;
    // Each text's first line just fits: 44 characters of 7.8 points within 360 less two margins of 6.
    const AlertPanel alert{"Replace the preset called Warm Pad that sits in the folder?",
                           "A preset of that name is in the folder here; replacing it cannot be undone.", "Replace",
                           "Cancel", "Keep both"};
    EXPECT_EQ(testsupport::RunAlertAnswered(*mApp, alert), kAlertAlternateReturn);
    InstallPainter(nullptr);
  }
  user.join();
  log.push_back("== an alert of three buttons");
  log.insert(log.end(), painter->mLast.begin(), painter->mLast.end());
  const std::string differences = goldentext::Compare(std::string(DROVIK_APPKIT_GOLDEN_DIR) + "/x11_menu_drawings.txt",
                                                      goldentext::Joined(log));
  EXPECT_TRUE(differences.empty()) << differences;
}

TEST_F(X11Popups, ASubmenuOpensBesideItsRowAndItsItemsCanBeChosen)
{
  Menu menu;
  int chosen = -1;
  FillMenuWithFolder(menu, chosen);
  XWindowAttributes top{}, sub{};
  {
    User user([&](Display* display) {
      if (WaitForMenu(display, top))
      {
        XTestFakeMotionEvent(display, -1, top.x + 5, top.y + top.height * 3 / 4, 0); // over "folder"
        if (WaitForMenu(display, sub, 2))
          Click(display, sub.x + 5, sub.y + sub.height * 3 / 4); // "item 1"
      }
      KeyToMenu(display, XK_Escape);
      KeyToMenu(display, XK_Escape);
    });
    PopUp(menu);
  }
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(sub.x, top.x + top.width);
  EXPECT_EQ(sub.y, top.y + top.height / 2);
  // Opened by the pointer, the submenu takes the keys that follow.
  {
    User user([&](Display* display) {
      XWindowAttributes wa{};
      ASSERT_TRUE(WaitForMenu(display, wa));
      XTestFakeMotionEvent(display, -1, wa.x + 5, wa.y + wa.height * 3 / 4, 0);
      ASSERT_TRUE(WaitForMenu(display, wa, 2));
      KeyToMenu(display, XK_Down);
      KeyToMenu(display, XK_Return);
    });
    PopUp(menu);
  }
  EXPECT_EQ(chosen, 0);
}

TEST_F(X11Popups, TheWheelScrollsTheSubmenuUnderThePointer)
{
  Menu menu;
  int chosen = -1;
  menu.AddItem("first", [&chosen](MenuItem&) { chosen = 100; });
  menu.AddItem("folder", nullptr);
  auto items = std::make_unique<Menu>();
  FillMenu(*items, 5000, chosen);
  menu.SetSubmenu(std::move(items), menu.ItemAt(1));
  {
    // Two steps down over the submenu's first item row, then a click there chooses the item it then holds.
    User user([&](Display* display) {
      XWindowAttributes top{}, sub{};
      ASSERT_TRUE(WaitForMenu(display, top));
      XTestFakeMotionEvent(display, -1, top.x + 5, top.y + top.height * 3 / 4, 0); // over "folder"
      ASSERT_TRUE(WaitForMenu(display, sub, 2));
      WheelTwoStepsDownThenClickTheFirstItemRow(display, sub);
      KeyToMenu(display, XK_Escape);
      KeyToMenu(display, XK_Escape);
    });
    PopUp(menu);
  }
  EXPECT_EQ(chosen, 6);
}

TEST_F(X11Popups, KeysSentToAMenusWindowOrItsSubmenusWindowMoveAndChoose)
{
  Menu menu;
  int chosen = -1;
  FillMenuWithFolder(menu, chosen);
  const struct
  {
    std::vector<KeySym> top, submenu; // keys sent to the menu's window, then to the submenu's once it shows
    int chosen;
  } cases[] = {
    {{XK_Down, XK_Return}, {}, 100},
    {{XK_Down, XK_KP_Enter}, {}, 100},
    {{XK_Down, XK_Right, XK_Escape}, {}, -1}, // Right opens a submenu, and chooses nothing
    {{XK_Down, XK_Down}, {XK_Down, XK_Return}, 0}, // the folder's row opens its submenu
    {{XK_Down, XK_Down}, {XK_Down, XK_Down, XK_Return}, 1},
    {{XK_Down, XK_Down}, {XK_Escape}, -1},
  };
  for (const auto& c : cases)
  {
    chosen = -1;
    {
      User user([&](Display* display) {
        XWindowAttributes wa{};
        ASSERT_TRUE(WaitForMenu(display, wa));
        for (KeySym key : c.top)
          KeyToMenu(display, key);
        if (c.submenu.empty())
          return;
        ASSERT_TRUE(WaitForMenu(display, wa, 2)) << "the submenu did not open";
        for (KeySym key : c.submenu)
          KeyToMenu(display, key);
      });
      PopUp(menu);
    }
    EXPECT_EQ(chosen, c.chosen) << "case ending " << XKeysymToString(c.top.back());
  }
}

// A menu of short titles is 60 points wide all the same; in one with nothing to highlight, no key finds an item.
TEST_F(X11Popups, AMenuOfShortTitlesKeepsItsLeastWidthAndOneOfNothingChoosableTakesNoKey)
{
  Menu menu;
  int chosen = -1;
  menu.AddItem("a", [&chosen](MenuItem&) { chosen = 0; }).enabled = false;
  menu.AddSeparatorItem();
  XWindowAttributes shown{};
  {
    User user([&](Display* display) {
      ASSERT_TRUE(WaitForMenu(display, shown));
      for (KeySym key : {XK_End, XK_Up, XK_Down, XK_Home, XK_Page_Down, XK_Page_Up, XK_Return, XK_Escape})
        KeyToMenu(display, key);
    });
    PopUp(menu);
  }
  EXPECT_EQ(shown.width, 60);
  EXPECT_EQ(chosen, -1);
}

TEST_F(X11Popups, ALongMenuFitsTheScreenAndScrollsToItsLastItem)
{
  Menu menu;
  int chosen = -1;
  FillMenu(menu, 5000, chosen);
  const int screenHeight = DisplayHeight(mHost, DefaultScreen(mHost));
  XWindowAttributes shown{};
  {
    // The keyboard: End highlights the last item, Return chooses it.
    User user([&](Display* display) {
      ASSERT_TRUE(WaitForMenu(display, shown));
      KeyToMenu(display, XK_End);
      KeyToMenu(display, XK_Return);
      KeyToMenu(display, XK_Escape);
    });
    ASSERT_NE(PopUp(menu, {10, 300}), nullptr);
  }
  EXPECT_EQ(chosen, 4999);
  EXPECT_GE(shown.y, 0);
  EXPECT_LE(shown.y + shown.height, screenHeight);
  {
    // The wheel: two steps down, then the first item row (under the top arrow) holds a later item.
    User user([&](Display* display) {
      XWindowAttributes wa{};
      ASSERT_TRUE(WaitForMenu(display, wa));
      WheelTwoStepsDownThenClickTheFirstItemRow(display, wa);
      KeyToMenu(display, XK_Escape);
    });
    ASSERT_NE(PopUp(menu), nullptr);
  }
  EXPECT_EQ(chosen, 6);
  {
    // The arrow at the bottom edge scrolls while the pointer rests on it.
    User user([&](Display* display) {
      XWindowAttributes wa{};
      ASSERT_TRUE(WaitForMenu(display, wa));
      XTestFakeMotionEvent(display, -1, wa.x + 20, wa.y + wa.height - 5, 0);
      XSync(display, False);
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      Click(display, wa.x + 20, wa.y + 30);
      KeyToMenu(display, XK_Escape);
    });
    ASSERT_NE(PopUp(menu), nullptr);
  }
  EXPECT_GT(chosen, 0);
}

// A separator is a grey line one pixel high across the middle of its 20-pixel row, inset from the menu's sides.
// The editor keeps showing its frame under an open menu: a part of its window laid bare is drawn again.
TEST_F(X11Popups, TheEditorUnderAnOpenMenuDrawsAgainWhatWasLaidBare)
{
  std::vector<uint8_t> pixels(468 * 450 * 4, 0);
  for (size_t i = 0; i < pixels.size(); i += 4)
    pixels[i + 2] = 200, pixels[i + 3] = 255;
  {
    foundation::MainThreadScope main;
    mView->PresentFrame({pixels.data(), 468, 450, 468 * 4, {}});
  }
  Menu menu;
  menu.AddItem("one", [](MenuItem&) {});
  unsigned long shown = 0;
  {
    User user([&](Display* display) {
      XWindowAttributes wa{};
      Window root = 0, parent = 0, *children = nullptr;
      unsigned n = 0;
      if (WaitForMenu(display, wa) && XQueryTree(display, mParent, &root, &parent, &children, &n) && n == 1)
      {
        const Window editor = children[0];
        GC gc = XCreateGC(display, editor, 0, nullptr);
        XSetForeground(display, gc, 0x00FF00);
        XFillRectangle(display, editor, gc, 380, 380, 20, 20);
        XFreeGC(display, gc);
        XClearArea(display, editor, 380, 380, 20, 20, True);
        WaitFor([&] {
          XImage* image = XGetImage(display, editor, 390, 390, 1, 1, AllPlanes, ZPixmap);
          if (!image)
            return false;
          shown = XGetPixel(image, 0, 0) & 0xFFFFFF;
          XDestroyImage(image);
          return shown == 0xC80000;
        });
      }
      if (children)
        XFree(children);
      KeyToMenu(display, XK_Escape);
    });
    PopUp(menu);
  }
  EXPECT_EQ(shown, 0xC80000u);
}

TEST_F(X11Popups, ASeparatorIsAGreyLineAcrossTheMiddleOfItsRow)
{
  constexpr unsigned long kGrey = 0xABABAB;
  Menu menu;
  menu.AddItem("above", [](MenuItem&) {});
  EXPECT_FALSE(menu.AddSeparatorItem().enabled); // a separator cannot be chosen
  menu.AddItem("below", [](MenuItem&) {});
  std::vector<int> greyRows;
  int left = -1, right = -1, width = 0;
  {
    User user([&](Display* display) {
      XWindowAttributes wa{};
      if (WaitForMenu(display, wa))
        WaitFor([&] {
          // The window on top now, should the one first seen have been an earlier menu still closing.
          const Window shown = TopPopup(display);
          if (!shown || !XGetWindowAttributes(display, shown, &wa) || wa.map_state != IsViewable)
            return false;
          XImage* image = XGetImage(display, shown, 0, 0, wa.width, wa.height, AllPlanes, ZPixmap);
          if (!image)
            return false;
          width = wa.width;
          const auto grey = [&](int x, int y) { return (XGetPixel(image, x, y) & 0xFFFFFF) == kGrey; };
          greyRows.clear();
          left = right = -1;
          for (int y = 0; y < wa.height; ++y)
            if (grey(wa.width - 10, y))
              greyRows.push_back(y);
          if (!greyRows.empty())
            for (int x = 0; x < wa.width; ++x)
              if (grey(x, greyRows[0]))
              {
                if (left < 0)
                  left = x;
                right = x;
              }
          XDestroyImage(image);
          return !greyRows.empty();
        });
      KeyToMenu(display, XK_Escape);
    });
    PopUp(menu);
  }
  EXPECT_EQ(greyRows, std::vector<int>{30});
  EXPECT_EQ(left, 6);
  EXPECT_EQ(right, width - 7);
}

TEST_F(X11Popups, KeysMoveTheHighlightThroughALongMenuPastDisabledItemsAndSeparators)
{
  // 300 items; item 1 is disabled and a separator stands in for item 150.
  Menu menu;
  int chosen = -1;
  for (int i = 0; i < 300; ++i)
  {
    if (i == 150)
    {
      menu.AddSeparatorItem();
      continue;
    }
    menu.AddItem("item " + std::to_string(i), [&chosen, i](MenuItem&) { chosen = i; }).enabled = i != 1;
  }
  XWindowAttributes shown{};
  {
    User user([&](Display* display) {
      ASSERT_TRUE(WaitForMenu(display, shown));
      SendKey(display, TopPopup(display), XK_Escape);
    });
    PopUp(menu);
  }
  const int page = shown.height / 20 - 2; // rows between the two arrows
  ASSERT_GT(page, 5);
  ASSERT_LT(page, 149);
  struct Case
  {
    std::vector<KeySym> keys;
    int chosen;
  } cases[] = {
    {{XK_Down}, 0},
    {{XK_Down, XK_Down}, 2}, // past the disabled item
    {{XK_Up}, 299},          // Up with nothing highlighted starts from the end
    {{XK_End}, 299},
    {{XK_End, XK_Up, XK_Up}, 297},
    {{XK_End, XK_Home}, 0},
    {{XK_Home, XK_Page_Down}, page},
    {{XK_Home, XK_Page_Down, XK_Page_Down}, 2 * page},
    {{XK_Home, XK_Page_Down, XK_Page_Up}, 0},
    {{XK_End, XK_Page_Up}, 299 - page},
    {{XK_End, XK_Page_Down}, 299},
    {{XK_Home, XK_Page_Up}, 0},
  };
  for (const Case& k : cases)
  {
    chosen = -1;
    {
      User user([&](Display* display) {
        XWindowAttributes wa{};
        ASSERT_TRUE(WaitForMenu(display, wa));
        const Window shownMenu = TopPopup(display);
        for (KeySym key : k.keys)
          SendKey(display, shownMenu, key);
        SendKey(display, shownMenu, XK_Return);
        SendKey(display, shownMenu, XK_Escape);
      });
      PopUp(menu, {10, 10});
    }
    EXPECT_EQ(chosen, k.chosen) << "case ending " << XKeysymToString(k.keys.back()) << " of " << k.keys.size();
  }
  // Down onto the separator's place goes past it.
  chosen = -1;
  {
    User user([&](Display* display) {
      XWindowAttributes wa{};
      ASSERT_TRUE(WaitForMenu(display, wa));
      const Window shownMenu = TopPopup(display);
      SendKey(display, shownMenu, XK_End);
      for (int i = 0; i < 150; ++i) // 299 to 151, then one step over the separator to 149, then 148
        SendKey(display, shownMenu, XK_Up);
      SendKey(display, shownMenu, XK_Return);
      SendKey(display, shownMenu, XK_Escape);
    });
    PopUp(menu, {10, 10});
  }
  EXPECT_EQ(chosen, 148);
}

// A key that reaches a menu's window as it closes (typed just after the choice) is not taken by the next menu.
TEST_F(X11Popups, AKeyLeftForAClosedMenuDoesNotCloseTheNextOne)
{
  int chosen = -1;
  Menu first;
  first.AddItem("first", [&](MenuItem&) { SendKey(mHost, TopPopup(mHost), XK_Escape); }); // its window still shows
  {
    User user([&](Display* display) {
      XWindowAttributes wa{};
      ASSERT_TRUE(WaitForMenu(display, wa));
      KeyToMenu(display, XK_Down);
      KeyToMenu(display, XK_Return);
    });
    ASSERT_NE(PopUp(first), nullptr);
  }
  Menu next;
  FillMenu(next, 3, chosen);
  User user([&](Display* display) {
    XWindowAttributes wa{};
    ASSERT_TRUE(WaitForMenu(display, wa));
    KeyToMenu(display, XK_Down);
    KeyToMenu(display, XK_Down);
    KeyToMenu(display, XK_Return);
  });
  PopUp(next);
  EXPECT_EQ(chosen, 1) << "the next menu was closed by a key meant for the first";
}

TEST_F(X11Popups, AnAlertAskedForWhileAMenuOrAlertIsOpenIsNotAnsweredWithAButton)
{
  Menu menu;
  int chosen = -1;
  FillMenu(menu, 3, chosen);
  std::atomic<int> nested{99};
  std::atomic<bool> asked{false};
  auto askWhileOpen = [&] {
    return std::make_unique<foundation::RunLoopTimer>(
      [&] {
        if (!asked.exchange(true))
          nested = testsupport::RunAlertAnswered(*mApp, {"Question", "Overwrite?", "Yes", "No", ""});
      },
      0.01);
  };
  {
    User user([&](Display* display) {
      XWindowAttributes wa{};
      ASSERT_TRUE(WaitForMenu(display, wa));
      ASSERT_TRUE(WaitFor([&] { return asked.load(); }));
      KeyToMenu(display, XK_Escape);
    });
    foundation::MainThreadScope main;
    auto timer = askWhileOpen();
    EXPECT_EQ(mApp->PopUpMenu(menu, {10, 10}, *mView), nullptr);
  }
  EXPECT_EQ(nested.load(), kAlertNotShownReturn);

  nested = 99;
  asked = false;
  User user([&](Display* display) {
    ASSERT_TRUE(WaitFor([&] { return asked.load(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &n);
    for (unsigned i = 0; i < n; ++i) // Escape in the one alert window shown
    {
      XWindowAttributes wa{};
      if (XGetWindowAttributes(display, children[i], &wa) && wa.map_state == IsViewable && !wa.override_redirect &&
          wa.width == 360 && testsupport::MadeByThisProcess(display, children[i]))
      {
        XTestFakeMotionEvent(display, -1, wa.x + 10, wa.y + 10, 0);
        XSetInputFocus(display, children[i], RevertToParent, CurrentTime);
      }
    }
    if (children)
      XFree(children);
    TypeKey(display, XK_Escape);
  });
  foundation::MainThreadScope main;
  auto timer = askWhileOpen();
  EXPECT_EQ(testsupport::RunAlertAnswered(*mApp, {"First", "Shown", "OK", "Cancel", ""}), kAlertAlternateReturn);
  EXPECT_EQ(nested.load(), kAlertNotShownReturn);
}

} // namespace
} // namespace appkit

namespace appkit {
namespace {

// Left closes only the deepest submenu: the level above keeps its highlight, and keys go on in it.
TEST_F(X11Popups, LeftClosesOnlyTheDeepestSubmenu)
{
  int chosen = -1;
  Menu menu;
  FillMenuWithFolder(menu, chosen); // "first", "folder" > "item 0", "item 1"
  Menu& folder = *menu.ItemAt(1).submenu;
  folder.AddItem("deeper", nullptr);
  auto deeper = std::make_unique<Menu>();
  deeper->AddItem("deepest", [&chosen](MenuItem&) { chosen = 300; });
  folder.SetSubmenu(std::move(deeper), folder.ItemAt(2));
  size_t levelsAfterLeft = 0;
  {
    User user([&](Display* display) {
      XWindowAttributes wa{};
      ASSERT_TRUE(WaitForMenu(display, wa));
      for (KeySym key : {XK_Down, XK_Down}) // "folder": its submenu opens
        KeyToMenu(display, key);
      ASSERT_TRUE(WaitForMenu(display, wa, 2));
      for (KeySym key : {XK_End}) // "deeper": its submenu opens
        KeyToMenu(display, key);
      ASSERT_TRUE(WaitForMenu(display, wa, 3));
      KeyToMenu(display, XK_Left);
      WaitFor([&] { return Popups(display).size() < 3; });
      levelsAfterLeft = Popups(display).size();
      for (KeySym key : {XK_Up, XK_Return}) // from "deeper" up to "item 1", chosen
        KeyToMenu(display, key);
    });
    PopUp(menu);
  }
  EXPECT_EQ(levelsAfterLeft, 2u);
  EXPECT_EQ(chosen, 1);
}

// A submenu closed with Left opens again when its item is pointed at once more, or opened with Right.
TEST_F(X11Popups, ASubmenuClosedWithLeftOpensAgainFromItsItem)
{
  int chosen = -1;
  Menu menu;
  FillMenuWithFolder(menu, chosen); // "first", "folder" > "item 0", "item 1"
  Menu single; // "first", "folder" > "item 0"
  single.AddItem("first", nullptr);
  single.AddItem("folder", nullptr);
  auto one = std::make_unique<Menu>();
  FillMenu(*one, 1, chosen);
  single.SetSubmenu(std::move(one), single.ItemAt(1));
  Menu nested; // "first", "folder" > the menu above
  nested.AddItem("first", nullptr);
  nested.AddItem("folder", nullptr);
  auto inner = std::make_unique<Menu>();
  FillMenuWithFolder(*inner, chosen);
  nested.SetSubmenu(std::move(inner), nested.ItemAt(1));
  const struct
  {
    const char* how;
    bool byPointer; // else by keys: Right opens it with its first item highlighted, Return chooses that
    Menu& menu;
    int chosen;
    size_t levels = 2; // menus open when the submenu closed with Left opens again
  } cases[] = {{"pointed at again", true, menu, 1},
               {"Right in a submenu", false, nested, 0, 3},
               {"Right", false, menu, 0},
               {"Right to one item", false, single, 0}};
  for (const auto& c : cases)
  {
    chosen = -1;
    {
      User user([&](Display* display) {
        XWindowAttributes top{}, sub{};
        ASSERT_TRUE(WaitForMenu(display, top));
        const int x = top.x + 5, y = top.y + top.height * 3 / 4; // over "folder"
        XTestFakeMotionEvent(display, -1, x, y, 0);
        ASSERT_TRUE(WaitForMenu(display, sub, 2));
        if (c.levels == 3) // over the submenu's "folder"
        {
          XTestFakeMotionEvent(display, -1, sub.x + 5, sub.y + sub.height * 3 / 4, 0);
          ASSERT_TRUE(WaitForMenu(display, sub, 3));
        }
        KeyToMenu(display, XK_Left);
        ASSERT_TRUE(WaitFor([&] { return Popups(display).size() == c.levels - 1; })) << c.how;
        if (c.byPointer)
          XTestFakeMotionEvent(display, -1, x + 1, y, 0); // still "folder"
        else
          KeyToMenu(display, XK_Right);
        XSync(display, False);
        ASSERT_TRUE(WaitForMenu(display, sub, c.levels)) << c.how << ": the submenu did not open again";
        if (c.byPointer)
          Click(display, sub.x + 5, sub.y + sub.height * 3 / 4); // "item 1"
        else
          KeyToMenu(display, XK_Return);
      });
      PopUp(c.menu);
    }
    EXPECT_EQ(chosen, c.chosen) << c.how;
  }
}

// A click on a menu's first or last column or row of pixels chooses the item there; one just beside it, on the
// window's border, is outside the menu: its press alone closes the menu, and nothing is chosen.
TEST_F(X11Popups, AClickOnTheMenusEdgeChoosesAndOneJustOutsideClosesIt)
{
  Menu menu;
  int chosen = -1;
  FillMenu(menu, 3, chosen);
  const struct
  {
    const char* where;
    int x, y; // from the corner of the menu's inside, in pixels of its width and height (w, h) plus these
    bool rightEdge, bottomEdge;
    int chosen;
  } cases[] = {
    {"last column", -1, 10, true, false, 0},   {"last row", 5, -1, false, true, 2},
    {"right of it", 0, 10, true, false, -1},   {"below it", 5, 0, false, true, -1},
    {"first column", 0, 30, false, false, 1},  {"first row", 5, 0, false, false, 0},
    {"left of it", -1, 10, false, false, -1},  {"above it", 5, -1, false, false, -1},
  };
  for (const auto& c : cases)
  {
    chosen = -1;
    {
      User user([&](Display* display) {
        XWindowAttributes wa{};
        ASSERT_TRUE(WaitForMenu(display, wa));
        const int left = wa.x + wa.border_width, top = wa.y + wa.border_width;
        const int x = left + c.x + (c.rightEdge ? wa.width : 0), y = top + c.y + (c.bottomEdge ? wa.height : 0);
        if (c.chosen >= 0)
          return Click(display, x, y);
        XTestFakeMotionEvent(display, -1, x, y, 0);
        XTestFakeButtonEvent(display, 1, True, 0);
        XSync(display, False);
        EXPECT_TRUE(WaitFor([&] { return TopPopup(display) == 0; }, User::kMenuCloseLimit)) << "the press closes it";
        XTestFakeButtonEvent(display, 1, False, 0);
      });
      PopUp(menu);
    }
    EXPECT_EQ(chosen, c.chosen) << c.where;
  }
}

} // namespace
} // namespace appkit
