#include "foundation/folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {
namespace {

constexpr const char* kLocalShare = "/usr/local/share";
constexpr const char* kSystemShare = "/usr/share";
constexpr mode_t kUserDataMode = 0700; // what the XDG conventions ask for a data folder they create

std::string EnvironmentPath(const char* name)
{
  const char* value = std::getenv(name);
  // The conventions ignore relative values.
  return (value && value[0] == '/') ? std::string(value) : std::string();
}

std::string XdgHome(const char* variable, const char* fallbackBelowHome)
{
  std::string path = EnvironmentPath(variable);
  return path.empty() ? HomeDirectory() + "/" + fallbackBelowHome : path;
}

/// Makes `path` and every missing folder above it.
void MakePath(const std::string& path)
{
  for (size_t pos = path.find('/', 1); ; pos = path.find('/', pos + 1))
  {
    const std::string part = path.substr(0, pos);
    if (!part.empty() && mkdir(part.c_str(), kUserDataMode) != 0 && errno != EEXIST)
      return;
    if (pos == std::string::npos)
      return;
  }
}

std::string UserDataFolder()
{
  const std::string path = XdgHome("XDG_DATA_HOME", ".local/share");
  if (!DirectoryExists(path))
    MakePath(path);
  return path;
}

/// One of the user's named folders from user-dirs.dirs (lines like XDG_MUSIC_DIR="$HOME/Music").
std::string UserDirectory(const char* key, const char* fallbackBelowHome)
{
  const std::string home = HomeDirectory();
  std::string result = home + "/" + fallbackBelowHome;
  const std::string file = XdgHome("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs";
  FILE* f = std::fopen(file.c_str(), "r");
  if (!f)
    return result;
  const std::string prefix = std::string(key) + "=\"";
  char line[4096];
  while (std::fgets(line, sizeof(line), f))
  {
    std::string text(line);
    if (text.compare(0, prefix.size(), prefix) != 0)
      continue;
    const size_t end = text.find('"', prefix.size());
    if (end == std::string::npos)
      continue;
    std::string value = text.substr(prefix.size(), end - prefix.size());
    if (value.compare(0, 5, "$HOME") == 0)
      value = home + value.substr(5);
    if (!value.empty() && value[0] == '/')
      result = value;
  }
  std::fclose(f);
  return result;
}

} // namespace

std::string HomeDirectory()
{
  const char* home = std::getenv("HOME");
  if (home && home[0])
    return home;
  struct passwd entry;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof(buffer), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return "/";
}

std::vector<std::string> SearchPathForDirectoriesInDomains(int kind, unsigned domains)
{
  std::vector<std::string> paths;
  const bool shared = kind == kLibraryFolder || kind == kApplicationSupportFolder;
  if (domains & kUserDomain)
  {
    if (shared)
      paths.push_back(UserDataFolder());
    else if (kind == kDesktopFolder)
      paths.push_back(UserDirectory("XDG_DESKTOP_DIR", "Desktop"));
    else if (kind == kMusicFolder)
      paths.push_back(UserDirectory("XDG_MUSIC_DIR", "Music"));
  }
  if ((domains & kLocalDomain) && shared)
    paths.push_back(kLocalShare);
  if ((domains & kSystemDomain) && shared)
    paths.push_back(kSystemShare);
  return paths;
}

bool FileExists(const std::string& path)
{
  struct stat info;
  return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool DirectoryExists(const std::string& path)
{
  struct stat info;
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace foundation
