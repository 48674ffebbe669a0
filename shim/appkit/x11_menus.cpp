// The X11 back end's pop-up menus: windows of our own over the host's, with submenus, keys to move, open and
// choose, and long menus that scroll by wheel or while the pointer rests on an arrow.
#include "appkit/x11_backend.h"

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

} // namespace

MenuItem* X11Application::PopUpMenu(Menu& menu, Point locationInView, View& view)
{
  auto& xview = static_cast<X11View&>(view);
  if (!xview.GetXWindow() || mModalHandler)
    return nullptr;
  ModalWindows windows(*this);
  Painter& painter = SharedPainter();
  const int s = mScale, row = kRowHeight * s;
  const Rect area = WorkArea(mDisplay);
  std::vector<MenuLevel> levels;
  auto open = [&](Menu& m, int x, int y) {
    double w = 60;
    for (int i = 0; i < m.NumberOfItems(); ++i)
      w = std::max(w, painter.TextWidth(m.ItemAt(i).title, PanelText(kInkColor)) + 2 * kMenuMargin +
                        kIndent * (1 + m.ItemAt(i).indentationLevel) + 20);
    const MenuScroller rows(m.NumberOfItems(), row, static_cast<int>(std::ceil(w * s)), x, y, area);
    const Window win = windows.Make(rows.X(), rows.Y(), rows.Width(), rows.Height(), true);
    XMapRaised(mDisplay, win);
    levels.push_back({&m, win, rows, -1});
  };
  auto closeBelow = [&](size_t level) {
    while (levels.size() > level + 1)
    {
      windows.Close(levels.back().window);
      levels.pop_back();
    }
  };
  // Highlights an item of a level; an enabled submenu opens beside it.
  auto highlight = [&](size_t level, int item) {
    MenuLevel& l = levels[level];
    const bool opensSubmenu = item >= 0 && l.menu->ItemAt(item).submenu && l.menu->ItemAt(item).enabled;
    if (l.hover == item && (levels.size() > level + 1 || !opensSubmenu))
      return;
    closeBelow(level);
    l.hover = item;
    DrawMenu(mDisplay, l, s);
    if (item < 0)
      return;
    if (opensSubmenu)
      open(*l.menu->ItemAt(item).submenu, l.rows.X() + l.rows.Width(), l.rows.Y() + l.rows.ItemTop(item));
  };
  auto scroll = [&](size_t level, int rows) {
    if (level < levels.size() && levels[level].rows.Scroll(rows))
    {
      closeBelow(level);
      DrawMenu(mDisplay, levels[level], s);
    }
  };

  const Point origin = view.ConvertToScreen(locationInView);
  open(menu, static_cast<int>(origin.x * s), static_cast<int>((MainScreenHeight() - origin.y) * s));
  XGrabPointer(mDisplay, levels[0].window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
               GrabModeAsync, None, None, CurrentTime);
  XGrabKeyboard(mDisplay, levels[0].window, True, GrabModeAsync, GrabModeAsync, CurrentTime);

  MenuItem* chosen = nullptr;
  bool done = false;
  // While the pointer rests on an arrow row, that level scrolls step by step.
  std::unique_ptr<foundation::RunLoopTimer> arrowTimer;
  auto scrollWhileOnArrow = [&](size_t level, int step) {
    arrowTimer = std::make_unique<foundation::RunLoopTimer>([&, level, step] { scroll(level, step); },
                                                            kArrowScrollInterval);
  };
  auto choose = [&](MenuItem& it) {
    if (it.IsChoosable())
    {
      chosen = &it;
      done = true;
    }
  };
  auto key = [&](KeySym sym) {
    MenuLevel& l = levels.back();
    const size_t level = levels.size() - 1;
    const int count = l.menu->NumberOfItems();
    int to = l.hover;
    switch (sym)
    {
    case XK_Escape: done = true; return;
    case XK_Up: to = NextHighlightable(*l.menu, l.hover < 0 ? count : l.hover, -1); break;
    case XK_Down: to = NextHighlightable(*l.menu, l.hover, 1); break;
    case XK_Home: to = NextHighlightable(*l.menu, -1, 1); break;
    case XK_End: to = NextHighlightable(*l.menu, count, -1); break;
    case XK_Page_Up: to = NextHighlightable(*l.menu, std::max(0, l.hover - l.rows.VisibleCount()) + 1, -1); break;
    case XK_Page_Down: to = NextHighlightable(*l.menu, std::min(count, l.hover + l.rows.VisibleCount()) - 1, 1); break;
    case XK_Left:
      if (level > 0)
        closeBelow(level - 1);
      return;
    case XK_Right:
    case XK_Return:
    case XK_KP_Enter:
      if (l.hover >= 0 && l.hover < count)
      {
        MenuItem& it = l.menu->ItemAt(l.hover);
        if (it.submenu && it.enabled && levels.size() == level + 1)
          highlight(level, l.hover);
        if (it.submenu && it.enabled && levels.size() > level + 1 && levels.back().menu->NumberOfItems() > 0)
          highlight(level + 1, NextHighlightable(*levels.back().menu, -1, 1));
        else if (sym != XK_Right)
          choose(it);
      }
      return;
    default: return;
    }
    if (to >= 0 && to < count && to != l.hover)
    {
      l.rows.Reveal(to);
      highlight(level, to);
    }
  };
  mModalHandler = [&](XEvent& e) {
    if (e.type == Expose)
    {
      bool ours = false;
      for (const MenuLevel& l : levels)
        if (l.window == e.xexpose.window)
          ours = true, DrawMenu(mDisplay, l, s);
      auto view = mViews.find(e.xexpose.window); // the editor keeps showing its frames under the menu
      if (!ours && view != mViews.end())
        view->second->HandleEvent(e);
      return;
    }
    if (e.type == KeyPress)
      key(XLookupKeysym(&e.xkey, 0));
    if (e.type != MotionNotify && e.type != ButtonPress && e.type != ButtonRelease)
      return;
    const int rx = e.type == MotionNotify ? e.xmotion.x_root : e.xbutton.x_root;
    const int ry = e.type == MotionNotify ? e.xmotion.y_root : e.xbutton.y_root;
    const bool wheel = e.type != MotionNotify && (e.xbutton.button == Button4 || e.xbutton.button == Button5);
    int level = static_cast<int>(levels.size()) - 1;
    for (; level >= 0; --level)
    {
      const MenuScroller& r = levels[static_cast<size_t>(level)].rows;
      if (rx >= r.X() && rx < r.X() + r.Width() && ry >= r.Y() && ry < r.Y() + r.Height())
        break;
    }
    if (wheel)
    {
      if (e.type == ButtonPress)
        scroll(static_cast<size_t>(std::max(level, 0)), e.xbutton.button == Button4 ? -kWheelRows : kWheelRows);
      return;
    }
    arrowTimer.reset();
    if (level < 0)
    {
      done = done || e.type == ButtonPress;
      return;
    }
    const MenuLevel& l = levels[static_cast<size_t>(level)];
    Menu& shown = *l.menu; // highlighting may open a submenu, which moves the levels
    int item = -1;
    switch (l.rows.At(ry - l.rows.Y(), item))
    {
    case MenuScroller::Row::kScrollUp: scrollWhileOnArrow(static_cast<size_t>(level), -1); break;
    case MenuScroller::Row::kScrollDown: scrollWhileOnArrow(static_cast<size_t>(level), 1); break;
    case MenuScroller::Row::kItem:
      highlight(static_cast<size_t>(level), item);
      if (e.type == ButtonRelease)
        choose(shown.ItemAt(item));
      break;
    case MenuScroller::Row::kNone: break;
    }
  };
  RunModal([&] { return done || !xview.GetXWindow(); });
  arrowTimer.reset();
  mModalHandler = nullptr;
  XUngrabPointer(mDisplay, CurrentTime);
  XUngrabKeyboard(mDisplay, CurrentTime);
  if (chosen && xview.GetXWindow())
    chosen->action(*chosen);
  else
    chosen = nullptr;
  return chosen;
}

} // namespace x11
} // namespace appkit
