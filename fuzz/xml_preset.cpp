// Feeds arbitrary bytes as a ".vqp" preset file to the effect's preset reader: a load into the current preset
// (which, when accepted, restores the state and notifies every parameter) and the rescan's slot filling.
#include "effect/Drovik.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

/// A folder of the fuzzer's own: the instance's home (it makes its data folders there) and the preset file.
const std::string& WorkFolder()
{
  static const std::string folder = [] {
    static char tmpl[] = "/tmp/drovik-fuzz-XXXXXX";
    if (!mkdtemp(tmpl)) return std::string("/tmp");
    setenv("HOME", tmpl, 1);
    unsetenv("XDG_DATA_HOME");
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(tmpl, ec);
    });
    return std::string(tmpl);
  }();
  return folder;
}

Drovik& Plugin()
{
  static Drovik* plugin = (WorkFolder(), new Drovik(plug::InstanceInfo{}));
  return *plugin;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  Drovik& d = Plugin();
  const std::string path = WorkFolder() + "/input.vqp";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  d.LoadPresetFile(path.c_str());
  plug::IPresetSlot slot;
  d.LoadXMLPreset(slot, plug::LibString(path.c_str()), false);
  for (int i = 0; i < d.NParams(); ++i)
  {
    const double v = d.GetParam(i)->Value();
    if (!(v >= d.GetParam(i)->GetMin() && v <= d.GetParam(i)->GetMax())) std::abort();
  }
  return 0;
}
