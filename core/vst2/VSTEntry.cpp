// The exported entry points through which a host loads the plug-in: "VSTPluginMain" and the legacy "main".
// They are the only symbols the module exports (see exports.map).
#include "core/vst2/PluginEntry.h"

extern "C" __attribute__((visibility("default"))) vst2::Effect* VSTPluginMain(vst2::HostCallback host)
{
  return plug::VSTEntry(host);
}

// The legacy entry name; declared under another C++ name so the compiler does not take it for a program's main.
extern "C" __attribute__((visibility("default"))) vst2::Effect* VSTLegacyMain(vst2::HostCallback host) __asm__("main");
extern "C" vst2::Effect* VSTLegacyMain(vst2::HostCallback host)
{
  return plug::VSTEntry(host);
}
