// The product's factory, called by the plug-in entry point: a Drovik instance with its editor.
#include "core/vst2/PluginEntry.h"
#include "effect/Drovik.h"
#include "ui/DrovikEditor.h"

namespace plug {
IPluginVST2* MakePlug(const InstanceInfo& info)
{
  auto* plugin = new Drovik(info);
  plugin->AttachEditor(MakeDrovikEditor());
  return plugin;
}
} // namespace plug
