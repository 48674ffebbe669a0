#include "graphics/bases/IPopupMenu.h"

#include <strings.h>

namespace plug {
namespace igraphics {

IPopupMenu::Item::Item(const char* text, int flags, int tag) : mFlags(flags), mTag(tag) { mText.Set(text ? text : ""); }

IPopupMenu::Item::Item(const char* text, IPopupMenu* submenu) : mSubmenu(submenu) { mText.Set(text ? text : ""); }

IPopupMenu::Item::~Item() { delete mSubmenu; }

IPopupMenu::IPopupMenu(const char* rootTitle, int prefix, bool multiCheck, std::initializer_list<const char*> items)
  : mPrefix(prefix), mCanMultiCheck(multiCheck)
{
  if (rootTitle)
    mRootTitle.Set(rootTitle);
  for (const char* text : items)
    AddItem(text);
}

IPopupMenu::~IPopupMenu() { mMenuItems.Clear(true); }

void IPopupMenu::Clear()
{
  if (!mShown)
    mMenuItems.Clear(true);
}

void IPopupMenu::SetShown(bool shown)
{
  mShown = shown;
  for (int i = 0; i < NItems(); ++i)
    if (IPopupMenu* submenu = GetItem(i)->GetSubmenu())
      submenu->SetShown(shown);
}

namespace {

/// Where a text goes among the sorted items: binary search by case-insensitive comparison; an equal text is
/// placed before its equal.
int SortedPosition(const LibPtrList<IPopupMenu::Item>& items, const char* text)
{
  int lo = 0, hi = items.GetSize();
  while (lo != hi)
  {
    const int mid = (lo + hi) / 2;
    const int c = strcasecmp(text, items.Get(mid)->GetText());
    if (c == 0)
      return mid;
    if (c > 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

} // namespace

IPopupMenu::Item* IPopupMenu::AddItem(Item* item, int index)
{
  if (!item)
    return nullptr;
  if (mShown)
  {
    delete item;
    return nullptr;
  }
  const int n = NItems();
  const int at = index == kAppend ? n : index == kSorted ? SortedPosition(mMenuItems, item->GetText()) : index;
  if (!mMenuItems.Insert(at, item))
  {
    delete item;
    return nullptr;
  }
  return item;
}

IPopupMenu::Item* IPopupMenu::AddSubmenuItem(const char* text, IPopupMenu* submenu, int index)
{
  if (submenu)
    submenu->mPopupFunc = mPopupFunc;
  return AddItem(new Item(text, submenu), index);
}

void IPopupMenu::RemoveEmptySubmenus()
{
  if (mShown)
    return;
  for (int i = NItems() - 1; i >= 0; --i)
  {
    Item* item = GetItem(i);
    if (item->mSubmenu && item->mSubmenu->NItems() == 0)
    {
      mMenuItems.Delete(i);
      delete item;
    }
  }
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, int flags, int tag) { return AddItem(new Item(text, flags, tag)); }

IPopupMenu::Item* IPopupMenu::AddMenuItem(const char* text, int index, int flags)
{
  return AddItem(new Item(text, flags), index);
}

IPopupMenu::Item* IPopupMenu::AddSeparator() { return AddItem(new Item("", Item::kSeparator)); }

} // namespace igraphics
} // namespace plug
