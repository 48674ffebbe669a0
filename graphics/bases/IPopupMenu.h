// A menu model: items with text, flags, a tag and an optional submenu, a number-prefix style, the chosen item
// and a completion function. The platform or the in-editor popup control shows it.
#pragma once

#include <functional>
#include <initializer_list>

#include "core/LibPtrList.h"
#include "core/LibString.h"

namespace plug {
namespace igraphics {

class IPopupMenu
{
public:
  class Item
  {
  public:
    /// Flag bits as the menus read them.
    enum Flags
    {
      kNoFlags = 0,
      kDisabled = 1,
      kTitle = 2,
      kChecked = 4,
      kSeparator = 8,
    };

    Item(const char* text, int flags = kNoFlags, int tag = -1);
    /// An item that opens a submenu, which it owns.
    Item(const char* text, IPopupMenu* submenu);
    ~Item();
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    const char* GetText() const { return mText.Get(); }
    void SetText(const char* text) { mText.Set(text); }
    int GetFlags() const { return mFlags; }
    void SetFlags(int flags) { mFlags = flags; }
    bool GetEnabled() const { return !(mFlags & kDisabled); }
    bool GetChecked() const { return (mFlags & kChecked) != 0; }
    bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }
    void SetChecked(bool on) { mFlags = on ? (mFlags | kChecked) : (mFlags & ~kChecked); }
    int GetTag() const { return mTag; }
    void SetTag(int tag) { mTag = tag; }
    IPopupMenu* GetSubmenu() const { return mSubmenu; }

    LibString mText;
    IPopupMenu* mSubmenu = nullptr;
    int mFlags = kNoFlags;
    int mTag = -1;
  };

  using CompletionFn = std::function<void(IPopupMenu*)>;

  /// Insertion indexes with a meaning of their own: append, or sorted by text (case-insensitive).
  static constexpr int kAppend = -1;
  static constexpr int kSorted = -2;

  explicit IPopupMenu(const char* rootTitle = "", int prefix = 0, bool multiCheck = false,
                      std::initializer_list<const char*> items = {});
  ~IPopupMenu();
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  /// Deletes every item, from the last to the first. Refused while the menu is shown.
  void Clear();
  int NItems() const { return mMenuItems.GetSize(); }
  Item* GetItem(int i) const { return mMenuItems.Get(i); }
  /// Puts an item into the menu, which then owns it: appended (kAppend), at its case-insensitive sorted place
  /// (kSorted; an equal text goes before its equal) or at index (clamped to 0..NItems()). Returns the item, or
  /// null when it could not be added (the list is full, or the menu is shown), in which case the item has been
  /// deleted.
  Item* AddItem(Item* item, int index = kAppend);
  Item* AddItem(const char* text, int flags = Item::kNoFlags, int tag = -1);
  /// Adds a new item with text and flags at index, as for AddItem (kAppend appends).
  Item* AddMenuItem(const char* text, int index = kAppend, int flags = Item::kNoFlags);
  Item* AddSeparator();
  /// Adds an item that opens submenu (owned by the item from then on), at index as for AddItem. The submenu
  /// takes a copy of this menu's completion function. Returns the item, or null (submenu deleted) on failure.
  Item* AddSubmenuItem(const char* text, IPopupMenu* submenu, int index = kAppend);
  /// Takes out, and deletes, every item whose submenu holds no items; the rest keep their order. Refused while the
  /// menu is shown.
  void RemoveEmptySubmenus();
  /// Marks the menu and every submenu under it as shown, or no longer shown. The in-editor menu draws and
  /// chooses from the items of a shown menu, so while shown a menu keeps its items: Clear, AddItem,
  /// AddSubmenuItem, AddSeparator and RemoveEmptySubmenus do nothing to it.
  void SetShown(bool shown);
  bool IsShown() const { return mShown; }

  int GetPrefix() const { return mPrefix; }
  void SetPrefix(int prefix) { mPrefix = prefix; }
  bool GetCanMultiCheck() const { return mCanMultiCheck; }
  void SetMultiCheck(bool multi) { mCanMultiCheck = multi; }
  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int idx) { mChosenItemIdx = idx; }
  Item* GetChosenItem() const { return GetItem(mChosenItemIdx); }
  const char* GetRootTitle() const { return mRootTitle.Get(); }
  void SetRootTitle(const char* title) { mRootTitle.Set(title ? title : ""); }
  void SetFunction(CompletionFn fn) { mPopupFunc = std::move(fn); }
  /// Runs the completion function, when one is set, with this menu.
  void ExecFunction()
  {
    if (mPopupFunc)
      mPopupFunc(this);
  }

  int mFirst = 0;
  int mPrefix = 0;
  int mChosenItemIdx = -1;
  bool mCanMultiCheck = false;
  LibPtrList<Item> mMenuItems{4096};
  CompletionFn mPopupFunc;
  LibString mRootTitle;
  bool mShown = false;
};

} // namespace igraphics
} // namespace plug
