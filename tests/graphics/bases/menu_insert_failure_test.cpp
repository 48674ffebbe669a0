// A menu whose item list cannot grow. Under AddressSanitizer every allocation above 1 MB fails (returning
// null), so a menu fills until its list's next growth is refused; the leak check at exit then proves that the
// item and the submenu that could not be inserted were freed.
#include <gtest/gtest.h>

#include "graphics/IPopupMenu.h"

#if defined(__SANITIZE_ADDRESS__)
#define MENU_TEST_HAS_ASAN 1
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() { return "allocator_may_return_null=1:max_allocation_size_mb=1"; }
#endif

using plug::igraphics::IPopupMenu;

TEST(MenuInsertFailure, RefusedItemIsReportedAndFreed)
{
#ifndef MENU_TEST_HAS_ASAN
  GTEST_SKIP() << "needs AddressSanitizer's allocation limit";
#else
  IPopupMenu menu;
  while (menu.AddItem(new IPopupMenu::Item("x"), IPopupMenu::kAppend))
    ASSERT_LT(menu.NItems(), 1 << 18);
  const int n = menu.NItems();
  EXPECT_GT(n, 1000);
  EXPECT_EQ(menu.AddSubmenuItem("folder", new IPopupMenu("", 0, false, {"a", "b"}), 0), nullptr);
  EXPECT_EQ(menu.AddItem(new IPopupMenu::Item("y"), IPopupMenu::kSorted), nullptr);
  EXPECT_EQ(menu.NItems(), n);
  EXPECT_STREQ(menu.GetItem(0)->GetText(), "x");
#endif
}
