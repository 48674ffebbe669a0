// A menu whose item list cannot grow. Every allocation above 1 MB fails (returning null), so a menu fills until
// its list's next growth is refused. Under a sanitizer its allocator is told so; otherwise this program puts its
// own malloc and realloc in front of the C library's. Under AddressSanitizer the leak check at exit also proves
// that the item and the submenu that could not be inserted were freed.
#include <gtest/gtest.h>

#include <cstddef>

#include "graphics/bases/IPopupMenu.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options()
{
  return "allocator_may_return_null=1:max_allocation_size_mb=1";
}
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_options()
{
  return "allocator_may_return_null=1:max_allocation_size_mb=1";
}
#else
namespace {
constexpr size_t kLargestAllocation = 1 << 20;
}
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);
extern "C" void* malloc(size_t size) noexcept { return size > kLargestAllocation ? nullptr : __libc_malloc(size); }
extern "C" void* realloc(void* p, size_t size) noexcept
{
  return size > kLargestAllocation ? nullptr : __libc_realloc(p, size);
}
#endif

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
