// The effect's use of XML preset files: load and save from the editor's preset menu, the default preset, and
// the user list made by rescanning the data folder.
#include "effect/Drovik.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

/// A file changed this recently may change again within the same tick of the file-time clock.
constexpr int64_t kRecentNanoseconds = 2000000000;

/// Longest preset name taken from a file name.
constexpr int kMaxPresetNameFromPath = 1023;

bool EndsWith(const char* text, const char* suffix)
{
  const size_t n = std::strlen(text), m = std::strlen(suffix);
  return n >= m && std::strcmp(text + n - m, suffix) == 0;
}

int64_t Nanoseconds(const struct timespec& time) { return int64_t(time.tv_sec) * 1000000000 + time.tv_nsec; }

/// The wall clock file times are given in.
int64_t NowNanoseconds()
{
  struct timespec clock;
  clock_gettime(CLOCK_REALTIME, &clock);
  return Nanoseconds(clock);
}

/// The folder's modification time in nanoseconds; -1 when it cannot be read.
int64_t FolderTime(const char* folder)
{
  struct stat st;
  if (stat(folder, &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
  return Nanoseconds(st.st_mtim);
}

/// What tells one version of a file from the next: a file written over in place keeps its folder's time but not
/// its own modification and change times, size or (when replaced) identity.
Drovik::ScannedFile FileStamp(const std::string& path)
{
  Drovik::ScannedFile file;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return file;
  file.mDevice = uint64_t(st.st_dev);
  file.mInode = uint64_t(st.st_ino);
  file.mSize = int64_t(st.st_size);
  file.mModified = Nanoseconds(st.st_mtim);
  file.mChanged = Nanoseconds(st.st_ctim);
  return file;
}

/// The names of the folder's preset files that are not hidden, sorted; cut is set when more entries than
/// maxEntries were there to look at.
std::vector<std::string> PresetFileNames(const char* folder, const char* extension, int maxEntries, bool& cut)
{
  std::vector<std::string> names;
  DIR* dir = opendir(folder);
  if (!dir) return names;
  int seen = 0;
  while (const dirent* entry = readdir(dir))
  {
    if (++seen > maxEntries)
    {
      cut = true;
      break;
    }
    const char* name = entry->d_name;
    if (name[0] != '.' && EndsWith(name, extension)) names.emplace_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

} // namespace

void Drovik::PresetNameFromPath(const char* path, plug::LibString& name)
{
  const char* slash = std::strrchr(path, '/');
  const char* file = slash ? slash + 1 : path;
  const char* dot = std::strrchr(file, '.');
  const int length = static_cast<int>(dot && dot > file ? dot - file : std::strlen(file));
  name.Set(file, std::min(length, kMaxPresetNameFromPath));
}

bool Drovik::LoadPresetFile(const char* path)
{
  if (!path || !*path) return false;
  plug::LibString name;
  return LoadPresetXmlFile(*this, plug::LibString(path), name, false, false, false, false, nullptr);
}

bool Drovik::SavePresetFile(const char* path) const
{
  if (!path || !*path) return false;
  plug::LibString name;
  PresetNameFromPath(path, name);
  // A file chooser may hand back the typed name without the extension; the rescan lists only ".vqp" files.
  plug::LibString file(path);
  const char* slash = std::strrchr(path, '/');
  const char* base = slash ? slash + 1 : path;
  const char* dot = std::strrchr(base, '.');
  if (!dot || dot == base) file.Append(kPresetExtension);
  return SaveXMLPreset(*this, file, name, false, false, nullptr);
}

bool Drovik::SaveDefaultPresetFile(const char* folder) const
{
  return folder && SaveDefaultPreset(*this, plug::LibString(folder), false);
}

void Drovik::LoadDefaultPresetFile(const char* folder)
{
  if (folder) LoadDefaultPreset(*this, plug::LibString(folder));
}

bool Drovik::LoadXMLPreset(plug::IPresetSlot& slot, const plug::LibString& path, bool subsetOnly)
{
  slot.mInitialized = true;
  std::vector<double> values(static_cast<size_t>(NParams()), kUnsetValue);
  plug::LibString name;
  const bool valid = ParsePresetXmlFile(*this, path, values.data(), name, subsetOnly);
  if (!valid) name.Set("");
  slot.SetName(name.Get());
  for (int i = 0; i < NParams(); ++i)
    if (values[static_cast<size_t>(i)] == kUnsetValue) values[static_cast<size_t>(i)] = GetParam(i)->GetDefault();
  AppendStateChunk(values.data(), slot.mName, slot.mChunk);
  return valid;
}

bool Drovik::ScannedFilesUnchanged() const
{
  for (const ScannedFile& file : mUserList->files)
    if (!(FileStamp(mUserList->folder + "/" + file.mName).SameVersion(file))) return false;
  return true;
}

void Drovik::RescanPresets(const char* folder)
{
  const int64_t time = folder ? FolderTime(folder) : -1;
  if (folder && time >= 0 && mUserList->folder == folder && mUserList->folderTime == time && ScannedFilesUnchanged())
    return;
  auto list = std::make_unique<UserPresetList>();
  list->folder = folder ? folder : "";
  // A folder changed within the last two seconds may change again within the same clock tick, unseen by its
  // time: such a time is not kept, so the next rescan reads the folder again.
  list->folderTime = time >= 0 && NowNanoseconds() - time < kRecentNanoseconds ? -1 : time;
  if (folder && time >= 0) ReadUserPresets(folder, *list);
  {
    plug::LibMutexLock lock(mMutex);
    mUserList.swap(list);
  }
  // The list replaced is freed here, after the lock is let go.
}

void Drovik::ReadUserPresets(const char* folder, UserPresetList& list)
{
  const auto deadline = PresetScanClock() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                              std::chrono::duration<double>(kPresetScanSeconds));
  const int64_t now = NowNanoseconds();
  for (const std::string& fileName : PresetFileNames(folder, kPresetExtension, kMaxFolderEntries, list.cut))
  {
    if (list.presets.GetSize() >= kMaxUserPresetFiles || PresetScanClock() > deadline)
    {
      list.cut = true;
      break;
    }
    plug::LibString path(folder);
    path.Append("/");
    path.Append(fileName.c_str());
    // Stamped before it is read: a file written meanwhile reads as changed at the next rescan. File times
    // advance in clock ticks, so a file changed within the last two seconds is read again next time whatever
    // its stamp says.
    list.files.push_back(FileStamp(path.Get()));
    list.files.back().mName = fileName;
    if (now - list.files.back().mChanged < kRecentNanoseconds) list.files.back().mChanged = -1;
    auto* slot = new plug::IPresetSlot;
    if (!LoadXMLPreset(*slot, path, mStateSubsetOn) || !list.presets.Add(slot)) delete slot;
  }
}
