#include "graphics/IPopupMenu.h"

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

IPopupMenu::~IPopupMenu() { Clear(); }

void IPopupMenu::Clear() { mMenuItems.Clear(true); }

IPopupMenu::Item* IPopupMenu::AddItem(Item* item)
{
  if (!mMenuItems.Add(item))
  {
    delete item;
    return nullptr;
  }
  return item;
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, int flags, int tag) { return AddItem(new Item(text, flags, tag)); }

IPopupMenu::Item* IPopupMenu::AddSeparator() { return AddItem(new Item("", Item::kSeparator)); }

} // namespace igraphics
} // namespace plug
