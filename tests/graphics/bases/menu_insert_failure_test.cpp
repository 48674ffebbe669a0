// A menu whose item list cannot grow. Every allocation above 1 MB fails (returning null), so a menu fills until
// its list's next growth is refused. Under AddressSanitizer the leak check at exit also proves that the item and
// the submenu that could not be inserted were freed.
#include <gtest/gtest.h>

#include "graphics/bases/IPopupMenu.h"

using plug::igraphics::IPopupMenu;

TEST(MenuInsertFailure, RefusedItemIsReportedAndFreed)
{
  IPopupMenu menu;
  while (menu.AddItem(new IPopupMenu::Item("x"), IPopupMenu::kAppend))
    ASSERT_LT(menu.NItems(), 1 << 18);
  const int n = menu.NItems();
  EXPECT_GT(n, 1000);
  EXPECT_EQ(menu.AddSubmenuItem("folder", new IPopupMenu("", 0, false, {"a", "b"}), 0), nullptr);
  EXPECT_EQ(menu.AddItem(new IPopupMenu::Item("y"), IPopupMenu::kSorted), nullptr);
  EXPECT_EQ(menu.NItems(), n);
  EXPECT_STREQ(menu.GetItem(0)->GetText(), "x");
}
