#include "appkit/menu.h"

namespace appkit {

MenuItem& Menu::AddItem(std::string itemTitle, MenuItem::Action action)
{
  mItems.push_back(std::make_unique<MenuItem>());
  MenuItem& item = *mItems.back();
  item.title = std::move(itemTitle);
  item.action = std::move(action);
  item.mMenu = this;
  return item;
}

MenuItem& Menu::AddSeparatorItem()
{
  MenuItem& item = AddItem("", nullptr);
  item.separator = true;
  item.enabled = false;
  return item;
}

int Menu::IndexOfItem(const MenuItem* item) const
{
  for (size_t i = 0; i < mItems.size(); ++i)
    if (mItems[i].get() == item)
      return static_cast<int>(i);
  return -1;
}

} // namespace appkit
