// A long menu walked one row at a time, as the arrow keys walk it: every row it reaches is on screen, under the
// pointer at its own place, and a row already in sight scrolls nothing.
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

} // namespace
} // namespace appkit
