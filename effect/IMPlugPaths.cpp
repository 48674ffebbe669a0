#include "effect/IMPlugPaths.h"

#include <cerrno>
#include <climits>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Paths.h"
#include "core/RegularFile.h"

namespace {

constexpr const char* kProductFolder = "Drovik";
constexpr const char* kVST2Folder = "VST2";
constexpr const char* kSettingsFile = "plugin.ini";
constexpr mode_t kDataFolderMode = 0700; // the user's presets and settings are the user's alone
constexpr size_t kSettingsLineLength = 2047; // only the first 2047 characters of a line are looked at
constexpr size_t kMaxSettingsBytes = size_t(1) << 20; // a larger settings file is not read

/// Makes `path` when it is missing. The mode is set with chmod after mkdir rather than by clearing the process's
/// file-creation mask, which other threads of the host share. A folder of the user's that an earlier build left
/// open to all users (0777) is set to 0700; one shared with the user's group only, a link or someone else's
/// folder is left alone.
void MakeFolder(const char* path)
{
  struct stat info;
  if (stat(path, &info) != 0)
  {
    if (mkdir(path, kDataFolderMode) == 0)
      chmod(path, kDataFolderMode);
    return;
  }
  const int folder = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0)
    return;
  if (fstat(folder, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 007) != 0)
    fchmod(folder, kDataFolderMode);
  close(folder);
}

/// The integer after `key` and "=" at the very start of `line`; false when the line is no such setting.
bool ParseSetting(const char* line, const char* key, int& value)
{
  const size_t keyLength = std::strlen(key);
  if (std::strncmp(line, key, keyLength) != 0 || line[keyLength] != '=')
    return false;
  const char* number = line + keyLength + 1;
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(number, &end, 10);
  if (end == number)
    return false;
  if (parsed > INT_MAX)
    value = INT_MAX;
  else if (parsed < INT_MIN)
    value = INT_MIN;
  else
    value = static_cast<int>(parsed);
  return true;
}

} // namespace

void IMPlugPaths::CreateDataFolders()
{
  mDataFolder.Set("");
  mVST2DataFolder.Set("");
  plug::AppSupportPath(mDataFolder, false);
  mDataFolder.Append("/");
  mDataFolder.Append(kProductFolder);
  MakeFolder(mDataFolder.Get());
  mVST2DataFolder.Set(mDataFolder.Get());
  mVST2DataFolder.Append("/");
  mVST2DataFolder.Append(kVST2Folder);
  MakeFolder(mVST2DataFolder.Get());
}

int IMPlugPaths::ReadIniInt(const char* section, const char* key, int defaultValue) const
{
  if (!key || !key[0] || mDataFolder.GetLength() == 0)
    return defaultValue;
  plug::LibString path;
  path.Set(mDataFolder.Get());
  path.Append("/");
  path.Append(kSettingsFile);
  std::string text;
  if (!plug::ReadRegularFile(path.Get(), kMaxSettingsBytes, text))
    return defaultValue;
  int result = defaultValue;
  // Lines end at '\n' only: a zero byte inside a line ends its text there, never the line.
  for (size_t start = 0; start < text.size();)
  {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, std::min(end - start, kSettingsLineLength));
    int value = 0;
    if (ParseSetting(line.c_str(), key, value))
      result = value;
    start = end + 1;
  }
  return result;
}
