// The effect's use of XML preset files: load and save from the editor's preset menu, the default preset, and
// the user list made by rescanning the data folder.
#include "effect/Drovik.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace {

/// Longest preset name taken from a file name.
constexpr int kMaxPresetNameFromPath = 1023;

bool EndsWith(const char* text, const char* suffix)
{
  const size_t n = std::strlen(text), m = std::strlen(suffix);
  return n >= m && std::strcmp(text + n - m, suffix) == 0;
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

void Drovik::LoadXMLPreset(plug::IPresetSlot& slot, const plug::LibString& path, bool subsetOnly)
{
  slot.mInitialized = true;
  std::vector<double> values(static_cast<size_t>(NParams()), kUnsetValue);
  plug::LibString name;
  if (!ParsePresetXmlFile(*this, path, values.data(), name, subsetOnly)) name.Set("");
  slot.SetName(name.Get());
  for (int i = 0; i < NParams(); ++i)
    if (values[static_cast<size_t>(i)] == kUnsetValue) values[static_cast<size_t>(i)] = GetParam(i)->GetDefault();
  AppendStateChunk(values.data(), slot.mName, slot.mChunk);
}

void Drovik::RescanPresets(const char* folder)
{
  mUserPresets.Clear(true);
  if (!folder) return;
  struct dirent** entries = nullptr;
  const int n = scandir(folder, &entries, nullptr, alphasort);
  if (n < 0) return;
  for (int i = 0; i < n; ++i)
  {
    const char* fileName = entries[i]->d_name;
    plug::LibString path(folder);
    path.Append("/");
    path.Append(fileName);
    struct stat st;
    plug::LibString presetName;
    if (EndsWith(fileName, kPresetExtension) && stat(path.Get(), &st) == 0 && S_ISREG(st.st_mode) &&
        LoadPresetXmlFile(*this, path, presetName, false, true, false, false, nullptr))
    {
      auto* slot = new plug::IPresetSlot;
      LoadXMLPreset(*slot, path, mStateSubsetOn);
      if (!mUserPresets.Add(slot)) delete slot;
    }
  }
  for (int i = 0; i < n; ++i) free(entries[i]);
  free(entries);
}
