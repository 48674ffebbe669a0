// The X11 back end's pop-up menus: windows of our own over the host's, with submenus, keys to move, open and
// choose, and long menus that scroll by wheel or while the pointer rests on an arrow.
#include "appkit/x11_backend.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "appkit/menu_scroller.h"

namespace appkit {
namespace x11 {

namespace {

constexpr int kIndent = 12;
/// Rows a wheel step scrolls a long menu; seconds between steps while the pointer rests on an arrow.
constexpr int kWheelRows = 3;
constexpr double kArrowScrollInterval = 0.05;

const DeviceColor kDisabledInkColor{0.6, 0.6, 0.6, 1.0};
const DeviceColor kSeparatorColor{0.67, 0.67, 0.67, 1.0};

} // namespace

Rect WorkArea(Display* display)
{
  const int screen = DefaultScreen(display);
  Rect area(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen));
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_WORKAREA", False), 0, 4, False,
                         XA_CARDINAL, &type, &format, &n, &after, &data) == Success && data)
  {
    const long* v = reinterpret_cast<const long*>(data);
    if (format == 32 && n >= 4 && v[2] > 0 && v[3] > 0)
      area = Rect(double(v[0]), double(v[1]), double(v[2]), double(v[3]));
    XFree(data);
  }
  return area;
}

namespace {

struct MenuLevel
{
  Menu* menu;
  Window window;
  MenuScroller rows;
  int hover; // item index, -1 for none
};

/// The next item from `from` in direction step (+1, -1) that the keyboard may highlight; from when none.
int NextHighlightable(const Menu& menu, int from, int step)
{
  for (int i = from + step; i >= 0 && i < menu.NumberOfItems(); i += step)
    if (!menu.ItemAt(i).separator && menu.ItemAt(i).enabled)
      return i;
  return from;
}

void DrawMenu(Display* display, const MenuLevel& l, int scale)
{
  Painter& painter = SharedPainter();
  const double s = scale, row = kRowHeight;
  const double w = l.rows.Width() / s;
  painter.Begin({w, l.rows.Height() / s}, s, kPanelColor);
  const MenuScroller& rows = l.rows;
  for (int i = rows.FirstVisible(); i < rows.FirstVisible() + rows.VisibleCount(); ++i)
  {
    const MenuItem& item = l.menu->ItemAt(i);
    const double y = rows.ItemTop(i) / s;
    if (item.separator)
    {
      painter.FillRect(Rect(kMenuMargin, y + row / 2, w - 2 * kMenuMargin, 1), kSeparatorColor);
      continue;
    }
    const bool lit = i == l.hover && item.enabled;
    if (lit)
      painter.FillRect(Rect(0, y, w, row), kHighlightColor);
    const TextStyle style = PanelText(!item.enabled ? kDisabledInkColor : lit ? kLightInkColor : kInkColor);
    const double base = CentredBaseline(painter, style, y, row);
    if (item.state)
      painter.DrawText("\xE2\x9C\x93", {2, base}, style); // check mark
    painter.DrawText(item.title, {double(kMenuMargin + kIndent * (1 + item.indentationLevel)), base}, style);
    if (item.submenu)
      painter.DrawText("\xE2\x96\xB8", {w - 12, base}, style); // small right-pointing triangle
  }
  if (rows.Scrolls())
  {
    const double bottom = rows.Height() / s - row;
    for (const auto& [top, live, arrow] : {std::tuple{0.0, rows.CanScrollUp(), "\xE2\x96\xB2"},
                                           std::tuple{bottom, rows.CanScrollDown(), "\xE2\x96\xBC"}})
    {
      const TextStyle style = PanelText(live ? kInkColor : kDisabledInkColor);
      painter.DrawText(arrow, {w / 2 - 5, CentredBaseline(painter, style, top, row)}, style);
    }
  }
  PutDrawing(display, l.window, painter.End());
}

/// An open menu and the submenus open beside it, one level each, and what the user does with them: the pointer
/// highlights, opens and chooses, keys move, open and choose, and long levels scroll.
class OpenMenu
{
public:
  OpenMenu(X11Application& app, int scale)
    : mWindows(app), mDisplay(app.DisplayConnection()), mScale(scale), mArea(WorkArea(mDisplay))
  {
  }
  /// Shows a level for the menu with its top-left corner at (x, y) on the screen, fitted into the work area.
  void Open(Menu& menu, int x, int y);
  Window FirstWindow() const { return mLevels.front().window; }
  /// Draws the level shown in the window; false when none is.
  bool Draw(Window window) const;
  /// Whether one of the open levels is shown in the window.
  bool Shows(Window window) const
  {
    return std::any_of(mLevels.begin(), mLevels.end(), [window](const MenuLevel& l) { return l.window == window; });
  }
  void Key(KeySym sym);
  /// A motion, press or release of the pointer, anywhere on the screen while the menu holds the pointer.
  void Pointer(const XEvent& e);
  bool Done() const { return mDone; }
  MenuItem* Chosen() const { return mChosen; }
  void StopScrolling() { mArrowTimer.reset(); }

private:
  void CloseBelow(size_t level);
  /// Highlights an item of a level; an enabled submenu opens beside it.
  void Highlight(size_t level, int item);
  void Scroll(size_t level, int rows);
  /// While the pointer rests on an arrow row, that level scrolls step by step.
  void ScrollWhileOnArrow(size_t level, int step);
  void Choose(MenuItem& item);
  /// The deepest level under the point on the screen, or -1.
  int LevelAt(int x, int y) const;

  ModalWindows mWindows;
  Display* mDisplay;
  int mScale;
  Rect mArea;
  std::vector<MenuLevel> mLevels;
  std::unique_ptr<foundation::RunLoopTimer> mArrowTimer;
  MenuItem* mChosen = nullptr;
  bool mDone = false;
};

void OpenMenu::Open(Menu& menu, int x, int y)
{
  Painter& painter = SharedPainter();
  double w = 60;
  for (int i = 0; i < menu.NumberOfItems(); ++i)
    w = std::max(w, painter.TextWidth(menu.ItemAt(i).title, PanelText(kInkColor)) + 2 * kMenuMargin +
                      kIndent * (1 + menu.ItemAt(i).indentationLevel) + 20);
  const MenuScroller rows(menu.NumberOfItems(), kRowHeight * mScale, static_cast<int>(std::ceil(w * mScale)), x, y,
                          mArea);
  const Window win = mWindows.Make(rows.X(), rows.Y(), rows.Width(), rows.Height(), true);
  XMapRaised(mDisplay, win);
  mLevels.push_back({&menu, win, rows, -1});
}

bool OpenMenu::Draw(Window window) const
{
  bool ours = false;
  for (const MenuLevel& l : mLevels)
    if (l.window == window)
      ours = true, DrawMenu(mDisplay, l, mScale);
  return ours;
}

void OpenMenu::CloseBelow(size_t level)
{
  while (mLevels.size() > level + 1)
  {
    mWindows.Close(mLevels.back().window);
    mLevels.pop_back();
  }
}

void OpenMenu::Highlight(size_t level, int item)
{
  MenuLevel& l = mLevels[level];
  const bool opensSubmenu = item >= 0 && l.menu->ItemAt(item).submenu && l.menu->ItemAt(item).enabled;
  if (l.hover == item && (mLevels.size() > level + 1 || !opensSubmenu))
    return;
  CloseBelow(level);
  l.hover = item;
  DrawMenu(mDisplay, l, mScale);
  if (item < 0)
    return;
  if (opensSubmenu)
    Open(*l.menu->ItemAt(item).submenu, l.rows.X() + l.rows.Width(), l.rows.Y() + l.rows.ItemTop(item));
}

void OpenMenu::Scroll(size_t level, int rows)
{
  if (level < mLevels.size() && mLevels[level].rows.Scroll(rows))
  {
    CloseBelow(level);
    DrawMenu(mDisplay, mLevels[level], mScale);
  }
}

void OpenMenu::ScrollWhileOnArrow(size_t level, int step)
{
  mArrowTimer = std::make_unique<foundation::RunLoopTimer>([this, level, step] { Scroll(level, step); },
                                                           kArrowScrollInterval);
}

void OpenMenu::Choose(MenuItem& item)
{
  if (item.IsChoosable())
  {
    mChosen = &item;
    mDone = true;
  }
}

void OpenMenu::Key(KeySym sym)
{
  MenuLevel& l = mLevels.back();
  const size_t level = mLevels.size() - 1;
  const int count = l.menu->NumberOfItems();
  int to = l.hover;
  switch (sym)
  {
  case XK_Escape: mDone = true; return;
  case XK_Up: to = NextHighlightable(*l.menu, l.hover < 0 ? count : l.hover, -1); break;
  case XK_Down: to = NextHighlightable(*l.menu, l.hover, 1); break;
  case XK_Home: to = NextHighlightable(*l.menu, -1, 1); break;
  case XK_End: to = NextHighlightable(*l.menu, count, -1); break;
  case XK_Page_Up: to = NextHighlightable(*l.menu, std::max(0, l.hover - l.rows.VisibleCount()) + 1, -1); break;
  case XK_Page_Down: to = NextHighlightable(*l.menu, std::min(count, l.hover + l.rows.VisibleCount()) - 1, 1); break;
  case XK_Left:
    if (level > 0)
      CloseBelow(level - 1);
    return;
  case XK_Right:
  case XK_Return:
  case XK_KP_Enter:
    if (l.hover >= 0 && l.hover < count)
    {
      MenuItem& it = l.menu->ItemAt(l.hover);
      if (it.submenu && it.enabled && mLevels.size() == level + 1)
        Highlight(level, l.hover);
      if (it.submenu && it.enabled && mLevels.size() > level + 1 && mLevels.back().menu->NumberOfItems() > 0)
        Highlight(level + 1, NextHighlightable(*mLevels.back().menu, -1, 1));
      else if (sym != XK_Right)
        Choose(it);
    }
    return;
  default: return;
  }
  if (to >= 0 && to < count && to != l.hover)
  {
    l.rows.Reveal(to);
    Highlight(level, to);
  }
}

int OpenMenu::LevelAt(int x, int y) const
{
  int level = static_cast<int>(mLevels.size()) - 1;
  for (; level >= 0; --level)
  {
    const MenuScroller& r = mLevels[static_cast<size_t>(level)].rows;
    if (x >= r.X() && x < r.X() + r.Width() && y >= r.Y() && y < r.Y() + r.Height())
      break;
  }
  return level;
}

void OpenMenu::Pointer(const XEvent& e)
{
  // Measured from the windows' corners inside their borders, where the rows start.
  const int rx = (e.type == MotionNotify ? e.xmotion.x_root : e.xbutton.x_root) - ModalWindows::kBorderWidth;
  const int ry = (e.type == MotionNotify ? e.xmotion.y_root : e.xbutton.y_root) - ModalWindows::kBorderWidth;
  const bool wheel = e.type != MotionNotify && (e.xbutton.button == Button4 || e.xbutton.button == Button5);
  const int level = LevelAt(rx, ry);
  if (wheel)
  {
    if (e.type == ButtonPress)
      Scroll(static_cast<size_t>(std::max(level, 0)), e.xbutton.button == Button4 ? -kWheelRows : kWheelRows);
    return;
  }
  mArrowTimer.reset();
  if (level < 0)
  {
    mDone = mDone || e.type == ButtonPress;
    return;
  }
  const MenuLevel& l = mLevels[static_cast<size_t>(level)];
  Menu& shown = *l.menu; // highlighting may open a submenu, which moves the levels
  int item = -1;
  switch (l.rows.At(ry - l.rows.Y(), item))
  {
  case MenuScroller::Row::kScrollUp: ScrollWhileOnArrow(static_cast<size_t>(level), -1); break;
  case MenuScroller::Row::kScrollDown: ScrollWhileOnArrow(static_cast<size_t>(level), 1); break;
  case MenuScroller::Row::kItem:
    Highlight(static_cast<size_t>(level), item);
    if (e.type == ButtonRelease)
      Choose(shown.ItemAt(item));
    break;
  case MenuScroller::Row::kNone: break;
  }
}

} // namespace

MenuItem* X11Application::PopUpMenu(Menu& menu, Point locationInView, View& view)
{
  auto& xview = static_cast<X11View&>(view);
  if (!xview.GetXWindow() || mModalHandler)
    return nullptr;
  OpenMenu open(*this, mScale);
  const Point origin = view.ConvertToScreen(locationInView);
  open.Open(menu, static_cast<int>(origin.x * mScale), static_cast<int>((MainScreenHeight() - origin.y) * mScale));
  XGrabPointer(mDisplay, open.FirstWindow(), True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
               GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  XGrabKeyboard(mDisplay, open.FirstWindow(), True, GrabModeAsync, GrabModeAsync, CurrentTime);
  mModalHandler = [&](XEvent& e) {
    if (e.type == Expose)
    {
      auto view = mViews.find(e.xexpose.window); // the editor keeps showing its frames under the menu
      if (!open.Draw(e.xexpose.window) && view != mViews.end())
        view->second->HandleEvent(e);
    }
    // A key comes to one of the menu's windows or, grabbed, to one of the views; one left over for the windows
    // of a menu closed before is not this menu's.
    else if (e.type == KeyPress && (open.Shows(e.xkey.window) || mViews.count(e.xkey.window)))
      open.Key(XLookupKeysym(&e.xkey, 0));
    else if (e.type == MotionNotify || e.type == ButtonPress || e.type == ButtonRelease)
      open.Pointer(e);
  };
  RunModal([&] { return open.Done() || !xview.GetXWindow(); });
  open.StopScrolling();
  mModalHandler = nullptr;
  XUngrabPointer(mDisplay, CurrentTime);
  XUngrabKeyboard(mDisplay, CurrentTime);
  MenuItem* chosen = xview.GetXWindow() ? open.Chosen() : nullptr;
  if (chosen)
    chosen->action(*chosen);
  return chosen;
}

} // namespace x11
} // namespace appkit
