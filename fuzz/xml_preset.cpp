// Feeds arbitrary bytes as a ".vqp" preset file to the effect's preset reader: a load into the current preset
// (which, when accepted, restores the state and notifies every parameter) and the rescan's slot filling.
#include "effect/Drovik.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& PresetPath()
{
  static const std::string path = [] {
    char tmpl[] = "/tmp/drovik-fuzz-XXXXXX";
    const int fd = mkstemp(tmpl);
    if (fd >= 0) close(fd);
    unlink(tmpl);
    std::atexit([] { std::remove(PresetPath().c_str()); });
    return std::string(tmpl) + ".vqp";
  }();
  return path;
}

Drovik& Plugin()
{
  static Drovik* plugin = new Drovik(plug::InstanceInfo{});
  return *plugin;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  FILE* f = std::fopen(PresetPath().c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  Drovik& d = Plugin();
  d.LoadPresetFile(PresetPath().c_str());
  plug::IPresetSlot slot;
  d.LoadXMLPreset(slot, plug::LibString(PresetPath().c_str()), false);
  for (int i = 0; i < d.NParams(); ++i)
  {
    const double v = d.GetParam(i)->Value();
    if (!(v >= d.GetParam(i)->GetMin() && v <= d.GetParam(i)->GetMax())) std::abort();
  }
  return 0;
}
