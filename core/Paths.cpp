#include "core/Paths.h"

#include <string>
#include <strings.h>

#include "foundation/bundle.h"
#include "foundation/folders.h"

namespace plug {
namespace {

constexpr int kMaxPathLength = 1024;
constexpr const char* kPresetFolderFormat = "%s/Audio/Presets/%s/%s/";
constexpr const char* kSandboxMarker = "Library/Containers/";
constexpr const char* kSharedResources = "Resources";

const char* Text(const char* text)
{
  return text ? text : "";
}

std::shared_ptr<const foundation::Bundle> FindBundle(const char* bundleID)
{
  return foundation::Bundle::WithIdentifier(Text(bundleID));
}

/// The first folder of `kind` in `domain`; false when the folder service knows none.
bool Folder(int kind, unsigned domain, std::string& folder)
{
  const auto paths = foundation::SearchPathForDirectoriesInDomains(kind, domain);
  if (paths.empty())
    return false;
  folder = paths.front();
  return true;
}

void SetFolder(LibString& path, int kind, unsigned domain)
{
  std::string folder;
  if (Folder(kind, domain, folder))
    path.Set(folder.c_str());
}

/// A resource name taken apart: its extension (after the last '.', the whole name when there is none), its
/// base name (last component without extension) and the whole name without extension.
struct ResourceName
{
  std::string extension;
  std::string base;
  std::string withoutExtension;
};

ResourceName Split(const std::string& name)
{
  ResourceName parts;
  const size_t dot = name.rfind('.');
  parts.extension = dot == std::string::npos ? name : name.substr(dot + 1);
  parts.withoutExtension = dot == std::string::npos ? name : name.substr(0, dot);
  parts.base = foundation::LastComponent(parts.withoutExtension);
  return parts;
}

/// The name's extension must match `ext` ignoring case, and its base name must not be empty.
bool Usable(const ResourceName& parts, const char* ext)
{
  return strcasecmp(parts.extension.c_str(), Text(ext)) == 0 && !parts.base.empty();
}

} // namespace

void BundleExecutablePath(LibString& path, const char* bundleID)
{
  if (auto bundle = FindBundle(bundleID))
    if (!bundle->ExecutablePath().empty())
      path.Set(bundle->ExecutablePath().c_str());
}

void BundleFolderPath(LibString& path, const char* bundleID)
{
  if (auto bundle = FindBundle(bundleID))
  {
    std::string folder = foundation::DirectoryOf(bundle->BundlePath());
    if (folder.empty() || folder.back() != '/')
      folder += '/';
    path.Set(folder.c_str());
  }
}

void BundleResourcePath(LibString& path, const char* bundleID)
{
  auto bundle = FindBundle(bundleID);
  path.Set(bundle ? bundle->ResourcePath().c_str() : "");
}

void DesktopPath(LibString& path)
{
  SetFolder(path, foundation::kDesktopFolder, foundation::kUserDomain);
}

void UserHomePath(LibString& path)
{
  path.Set(foundation::HomeDirectory().c_str());
}

void MusicPath(LibString& path)
{
  SetFolder(path, foundation::kMusicFolder, foundation::kUserDomain);
}

void PresetFolderPath(LibString& path, const char* makerName, const char* pluginName, bool system)
{
  std::string library;
  if (Folder(foundation::kLibraryFolder, system ? foundation::kLocalDomain : foundation::kUserDomain, library))
    path.FormatCapped(kMaxPathLength, kPresetFolderFormat, library.c_str(), Text(makerName), Text(pluginName));
}

void NamedAppSupportPath(LibString& path, const char* folderName)
{
  std::string folder;
  if (!Folder(foundation::kApplicationSupportFolder, foundation::kUserDomain, folder))
    return;
  path.Set(folder.c_str());
  path.AppendFormatCapped(kMaxPathLength, "/%s", Text(folderName));
}

void AppSupportPath(LibString& path, bool system)
{
  SetFolder(path, foundation::kApplicationSupportFolder, system ? foundation::kSystemDomain : foundation::kUserDomain);
}

bool IsSandboxedHost()
{
  return foundation::HomeDirectory().find(kSandboxMarker) != std::string::npos;
}

bool GetResourcePathFromBundle(const char* fileName, const char* ext, LibString& fullPath, const char* bundleID)
{
  const ResourceName parts = Split(Text(fileName));
  auto bundle = FindBundle(bundleID);
  if (bundle && Usable(parts, ext))
  {
    std::string found = bundle->PathForResource(parts.base, Text(ext));
    if (found.empty())
      found = bundle->PathForResource(parts.withoutExtension, Text(ext));
    if (!found.empty() && foundation::FileExists(found))
    {
      fullPath.Set(found.c_str());
      return true;
    }
  }
  fullPath.Set("");
  return false;
}

bool GetResourcePathFromSharedLocation(const char* fileName, const char* ext, LibString& fullPath,
                                       const char* sharedSubfolder)
{
  const ResourceName parts = Split(Text(fileName));
  std::string music;
  if (Usable(parts, ext) && sharedSubfolder &&
      Folder(foundation::kMusicFolder, foundation::kUserDomain, music))
  {
    const std::string candidate =
      music + "/" + sharedSubfolder + "/" + kSharedResources + "/" + parts.base + "." + Text(ext);
    if (foundation::FileExists(candidate))
    {
      fullPath.Set(candidate.c_str());
      return true;
    }
  }
  fullPath.Set("");
  return false;
}

int LocateResourceFile(const char* fileName, const char* ext, LibString& result, const char* bundleID, void*,
                       const char* sharedSubfolder)
{
  if (!fileName || !fileName[0])
    return 0;
  if (GetResourcePathFromBundle(fileName, ext, result, bundleID))
    return 1;
  if (GetResourcePathFromSharedLocation(fileName, ext, result, sharedSubfolder))
    return 1;
  if (foundation::FileExists(fileName))
  {
    result.Set(fileName);
    return 1;
  }
  return 0;
}

} // namespace plug
