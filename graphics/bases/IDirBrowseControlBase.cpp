#include "graphics/bases/IDirBrowseControlBase.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

namespace plug {
namespace igraphics {

namespace {

/// Appends a copy of text; the list owns it.
void AppendCopy(LibPtrList<LibString>& list, const char* text)
{
  auto* s = new LibString(text ? text : "");
  if (!list.Add(s))
    delete s;
}

/// Whether a listed entry is a folder. Where the listing leaves the type unknown (some network and older file
/// systems), the entry itself is asked, without following a link. Links count as files.
bool IsFolder(const std::string& path, const dirent& entry)
{
  if (entry.d_type == DT_DIR)
    return true;
  if (entry.d_type != DT_UNKNOWN)
    return false;
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

/// The folder path without a trailing separator (the root stays "/").
std::string TrimmedFolder(const char* path)
{
  std::string folder(path ? path : "");
  if (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
    folder.pop_back();
  return folder;
}

} // namespace

IDirBrowseControlBase::IDirBrowseControlBase(const IRECT& bounds, const char* extension, bool showFileExtensions,
                                             bool showEmptySubmenus)
  : IControl(bounds), mShowEmptySubmenus(showEmptySubmenus), mShowFileExtensions(showFileExtensions)
{
  mExtension.Set(extension ? extension : "");
}

IDirBrowseControlBase::~IDirBrowseControlBase()
{
  mFiles.EmptyAndDelete();
  mPaths.EmptyAndDelete();
  mPathLabels.EmptyAndDelete();
  mItems.Clear();
}

void IDirBrowseControlBase::AddPath(const char* path, const char* label)
{
  AppendCopy(mPaths, path);
  AppendCopy(mPathLabels, label);
}

const char* IDirBrowseControlBase::GetFilePath(int tag) const
{
  const LibString* s = mFiles.Get(tag);
  return s ? s->Get() : nullptr;
}

void IDirBrowseControlBase::SetupMenu()
{
  mFiles.EmptyAndDelete();
  mItems.Clear();
  mMainMenu.SetPrefix(0);
  mMainMenu.SetMultiCheck(false);
  mMainMenu.Clear();
  mSelectedItemIndex = -1;

  const int n = mPaths.GetSize();
  if (n == 1)
    ScanDirectory(mPaths.Get(0)->Get(), mMainMenu);
  else
  {
    for (int i = 0; i < n; ++i)
    {
      const LibString* label = mPathLabels.Get(i);
      IPopupMenu* submenu = new IPopupMenu("");
      if (mMainMenu.AddSubmenuItem(label ? label->Get() : "", submenu, i))
        ScanDirectory(mPaths.Get(i)->Get(), *submenu);
    }
  }
  CollectItems(mMainMenu);
}

IPopupMenu::Item* IDirBrowseControlBase::MakeFileItem(const char* name) const
{
  const char* ext = mExtension.Get();
  const char* p = *ext ? std::strstr(name, ext) : nullptr;
  if (!p || p == name || std::strlen(p) != std::strlen(ext))
    return nullptr;
  std::string label(name);
  if (!mShowFileExtensions)
    label.resize(static_cast<size_t>(p - name));
  return new IPopupMenu::Item(label.c_str(), IPopupMenu::Item::kNoFlags, mFiles.GetSize());
}

void IDirBrowseControlBase::ScanDirectory(const char* path, IPopupMenu& menu, int depth)
{
  const std::string folder = TrimmedFolder(path);
  DIR* dir = folder.empty() ? nullptr : opendir(folder.c_str());
  if (!dir)
    return;
  const std::string prefix = folder == "/" ? folder : folder + "/";
  while (const dirent* entry = readdir(dir))
  {
    if (entry->d_name[0] == '.')
      continue; // hidden entries, "." and ".."
    const std::string full = prefix + entry->d_name;
    if (IsFolder(full, *entry))
    {
      if (depth >= kMaxScanDepth)
        continue;
      IPopupMenu* submenu = new IPopupMenu("");
      if (menu.AddSubmenuItem(entry->d_name, submenu, IPopupMenu::kSorted))
        ScanDirectory(full.c_str(), *submenu, depth + 1);
    }
    else if (IPopupMenu::Item* item = MakeFileItem(entry->d_name))
    {
      if (menu.AddItem(item, IPopupMenu::kSorted))
        AppendCopy(mFiles, full.c_str());
    }
  }
  closedir(dir);
  if (!mShowEmptySubmenus)
    menu.RemoveEmptySubmenus();
}

void IDirBrowseControlBase::CollectItems(IPopupMenu& menu)
{
  for (int i = 0; i < menu.NItems(); ++i)
  {
    IPopupMenu::Item* item = menu.GetItem(i);
    if (item->GetSubmenu())
      CollectItems(*item->GetSubmenu());
    else
      mItems.Add(item);
  }
}

} // namespace igraphics
} // namespace plug
