// A popup menu tree as the view system shows it: items with a title, an enabled state, a check mark, an indent,
// an optional submenu and an action run when the item is chosen. Separators are items that cannot be chosen.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace appkit {

class Menu;

class MenuItem
{
public:
  using Action = std::function<void(MenuItem& sender)>;

  std::string title;            // UTF-8
  bool separator = false;
  bool enabled = true;
  int state = 0;                // 1 shows a check mark
  int indentationLevel = 0;
  Action action;                // none: choosing the item does nothing (items with a submenu)
  std::unique_ptr<Menu> submenu;

  /// The menu that holds the item.
  Menu* GetMenu() const { return mMenu; }
  /// Whether choosing the item does something.
  bool IsChoosable() const { return !separator && enabled && action && !submenu; }

private:
  friend class Menu;
  Menu* mMenu = nullptr;
};

class Menu
{
public:
  Menu() = default;
  virtual ~Menu() = default;
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  std::string title;
  bool autoenablesItems = true;

  MenuItem& AddItem(std::string title, MenuItem::Action action);
  MenuItem& AddSeparatorItem();
  /// The menu takes the submenu.
  void SetSubmenu(std::unique_ptr<Menu> submenu, MenuItem& item) { item.submenu = std::move(submenu); }
  int NumberOfItems() const { return static_cast<int>(mItems.size()); }
  MenuItem& ItemAt(int i) const { return *mItems[static_cast<size_t>(i)]; }
  /// -1 when the item is not in this menu.
  int IndexOfItem(const MenuItem* item) const;

private:
  std::vector<std::unique_ptr<MenuItem>> mItems;
};

} // namespace appkit
