// A long menu walked one row at a time, as the arrow keys walk it: every row it reaches is on screen, under the
// pointer at its own place, and a row already in sight scrolls nothing.
#include <algorithm>

#include <gtest/gtest.h>

#include "appkit/menu_scroller.h"

namespace appkit {
namespace {

TEST(MenuScroller, EveryRowRevealedOneStepAtATimeIsShownAtItsPlace)
{
  MenuScroller menu(30, 20, 100, 0, 0, Rect(0, 0, 800, 200)); // ten rows: eight items between the arrows
  ASSERT_EQ(menu.VisibleCount(), 8);
  auto shownAtItsRow = [&](int wanted) {
    int item = -1;
    return menu.At(menu.ItemTop(wanted) + 1, item) == MenuScroller::Row::kItem && item == wanted;
  };
  for (int i = 0; i < 30; ++i) // down
  {
    const int firstBefore = menu.FirstVisible();
    menu.Reveal(i);
    EXPECT_TRUE(shownAtItsRow(i)) << "down to " << i;
    EXPECT_EQ(menu.FirstVisible(), i < 8 ? 0 : firstBefore + 1) << "down to " << i; // one row at a time
  }
  for (int i = 29; i >= 0; --i) // and up again
  {
    const int firstBefore = menu.FirstVisible();
    menu.Reveal(i);
    EXPECT_TRUE(shownAtItsRow(i)) << "up to " << i;
    EXPECT_EQ(menu.FirstVisible(), i >= 22 ? 22 : firstBefore - 1) << "up to " << i;
  }
}

TEST(MenuScroller, RowsEndWhereTheNextBeginsAndAMenuJustFittingItsAreaDoesNotScroll)
{
  const Rect area(100, 50, 400, 300); // fifteen rows of 20
  MenuScroller fitting(15, 20, 500, 20, 10, area);
  EXPECT_FALSE(fitting.Scrolls());
  EXPECT_EQ(fitting.Height(), 300);
  EXPECT_EQ(fitting.Width(), 400); // no wider than the area
  EXPECT_EQ(fitting.X(), 100);     // and moved into it
  EXPECT_EQ(fitting.Y(), 50);
  EXPECT_EQ(fitting.ItemTop(14), 280);
  EXPECT_FALSE(fitting.Scroll(1));
  const MenuScroller nearTheEnd(2, 20, 100, 450, 340, area);
  EXPECT_EQ(nearTheEnd.X(), 400);
  EXPECT_EQ(nearTheEnd.Y(), 310);
  const MenuScroller inside(2, 20, 100, 120, 60, area);
  EXPECT_EQ(inside.X(), 120);
  EXPECT_EQ(inside.Y(), 60);

  MenuScroller scrolling(16, 20, 100, 0, 0, area); // one row too many: thirteen items between the arrows
  EXPECT_TRUE(scrolling.Scrolls());
  EXPECT_EQ(scrolling.VisibleCount(), 13);
  EXPECT_EQ(scrolling.Height(), 300);
  const struct
  {
    int y;
    MenuScroller::Row row;
    int item;
  } rows[] = {
    {-1, MenuScroller::Row::kNone, -1},      {0, MenuScroller::Row::kScrollUp, -1},
    {19, MenuScroller::Row::kScrollUp, -1},  {20, MenuScroller::Row::kItem, 0},
    {39, MenuScroller::Row::kItem, 0},       {40, MenuScroller::Row::kItem, 1},
    {279, MenuScroller::Row::kItem, 12},     {280, MenuScroller::Row::kScrollDown, -1},
    {299, MenuScroller::Row::kScrollDown, -1}, {300, MenuScroller::Row::kNone, -1},
  };
  for (const auto& r : rows)
  {
    int item = 7;
    EXPECT_EQ(scrolling.At(r.y, item), r.row) << r.y;
    EXPECT_EQ(item, r.item) << r.y;
  }
  EXPECT_FALSE(scrolling.CanScrollUp());
  EXPECT_FALSE(scrolling.Scroll(-1));
  EXPECT_TRUE(scrolling.Scroll(100)); // as far as the last item
  EXPECT_EQ(scrolling.FirstVisible(), 3);
  EXPECT_FALSE(scrolling.CanScrollDown());
  EXPECT_TRUE(scrolling.CanScrollUp());
  EXPECT_EQ(scrolling.ItemTop(3), 20);
  int item = -1;
  EXPECT_EQ(scrolling.At(279, item), MenuScroller::Row::kItem);
  EXPECT_EQ(item, 15);
  scrolling.Reveal(3); // in sight already
  EXPECT_EQ(scrolling.FirstVisible(), 3);
  scrolling.Reveal(0);
  EXPECT_EQ(scrolling.FirstVisible(), 0);

  const MenuScroller shortMenu(3, 20, 100, 0, 0, area);
  EXPECT_EQ(shortMenu.At(59, item), MenuScroller::Row::kItem);
  EXPECT_EQ(item, 2);
  EXPECT_EQ(shortMenu.At(60, item), MenuScroller::Row::kNone);
}

// Sizes of nothing or less count as one pixel (one row, one column, an area of one pixel); a menu whose rows do
// not fit its area at all still shows one item between its arrows, from the area's top-left corner.
TEST(MenuScroller, SizesOfNothingCountAsOnePixelAndAMenuTooTallForItsAreaKeepsOneItemRow)
{
  const struct
  {
    int count, rowHeight, width, x, y;
    Rect area;
    int left, top, shownWidth, height, visible;
  } cases[] = {
    {2, 1, 0, 5, 5, Rect(10, 20, 0, 0), 10, 20, 1, 3, 1},
    {1, 1, 9, 0, 0, Rect(0, 0, -5, -5), 0, 0, 1, 1, 1},
    {-3, 0, 50, 7, 8, Rect(0, 0, 100, 100), 7, 8, 50, 1, 0},
    {1, 50, 10, 0, 40, Rect(0, 0, 100, 30), 0, 0, 10, 150, 1},
    {4, 10, 30, 0, 0, Rect(0, 0, 100, 35), 0, 0, 30, 30, 1},
    {3, 10, 30, -50, -50, Rect(0, 0, 100, 35), 0, 0, 30, 30, 3},
  };
  for (const auto& c : cases)
  {
    const MenuScroller menu(c.count, c.rowHeight, c.width, c.x, c.y, c.area);
    SCOPED_TRACE(::testing::Message() << c.count << " rows of " << c.rowHeight << " into " << c.area.size.width
                                      << "x" << c.area.size.height);
    EXPECT_EQ(menu.X(), c.left);
    EXPECT_EQ(menu.Y(), c.top);
    EXPECT_EQ(menu.Width(), c.shownWidth);
    EXPECT_EQ(menu.Height(), c.height);
    EXPECT_EQ(menu.VisibleCount(), c.visible);
    EXPECT_EQ(menu.Scrolls(), c.visible < c.count);
    EXPECT_EQ(menu.RowHeight(), std::max(1, c.rowHeight));
  }
}

} // namespace
} // namespace appkit
