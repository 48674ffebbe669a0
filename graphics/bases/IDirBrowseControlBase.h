// The base of controls that turn one or more folders into a popup menu of every file with a given extension,
// one submenu per subfolder, sorted case-insensitively, keeping each file's full path so that a chosen item
// leads back to its file (an item's tag indexes the paths). Derived controls draw and open the menu.
// Main thread only; a scan blocks for as long as the file system takes.
#pragma once

#include "core/LibPtrList.h"
#include "core/LibString.h"
#include "graphics/bases/IControl.h"
#include "graphics/bases/IPopupMenu.h"

namespace plug {
namespace igraphics {

class IDirBrowseControlBase : public IControl
{
public:
  /// Deepest folder nesting a scan follows, below each folder added (a guard against loops and deep trees).
  static constexpr int kMaxScanDepth = 32;

  ~IDirBrowseControlBase() override;

  /// Adds a folder to scan and the label of its submenu (used when there are two folders or more).
  void AddPath(const char* path, const char* label);
  /// Rebuilds the menu from the folders, in the order they were added.
  void SetupMenu();
  /// Adds the matching files of path and its subfolders to menu (depth counts the folders above path).
  void ScanDirectory(const char* path, IPopupMenu& menu, int depth = 0);
  /// Appends the file items of menu to the item list, depth first.
  void CollectItems(IPopupMenu& menu);
  int NItems() const { return mItems.GetSize(); }

  IPopupMenu& GetMenu() { return mMainMenu; }
  /// The file item at index i of the depth-first list, or null.
  IPopupMenu::Item* GetItem(int i) const { return mItems.Get(i); }
  /// Full path of the file with the tag, or null.
  const char* GetFilePath(int tag) const;
  int NFiles() const { return mFiles.GetSize(); }
  int GetSelectedItemIndex() const { return mSelectedItemIndex; }

protected:
  /// extension includes its dot (".vqp").
  IDirBrowseControlBase(const IRECT& bounds, const char* extension, bool showFileExtensions = false,
                        bool showEmptySubmenus = false);

  /// The file item for a name, or null when the name does not end in the extension (matched case-sensitively
  /// at its first occurrence, which must come after the first character).
  IPopupMenu::Item* MakeFileItem(const char* name) const;

  bool mShowEmptySubmenus;
  bool mShowFileExtensions;
  int mSelectedItemIndex = -1;
  IPopupMenu mMainMenu;
  LibPtrList<LibString> mPaths;
  LibPtrList<LibString> mPathLabels;
  LibPtrList<LibString> mFiles;
  LibPtrList<IPopupMenu::Item> mItems; // not owned: the menu owns them
  LibString mExtension;
};

} // namespace igraphics
} // namespace plug
