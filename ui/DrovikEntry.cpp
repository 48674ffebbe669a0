// The product's factory, called by the plug-in entry point: a Drovik instance with its editor. The editor is
// offered only when the bundle's resources are there: a module copied without its bundle folder would open a
// black panel with garbled texts, so it runs as an effect without an editor and says why on the host's log.
#include <cstdio>
#include <mutex>

#include "core/Paths.h"
#include "core/vst2/PluginEntry.h"
#include "effect/Drovik.h"
#include "ui/DrovikEditor.h"
#include "ui/EditorBitmaps.h"

namespace {

constexpr const char* kEditorFont = "Roboto-Regular.ttf";

/// The first of the editor's bitmaps and fonts that the bundle lacks; "" when all are there.
std::string MissingEditorResource()
{
  plug::LibString path;
  for (const EditorBitmap& bitmap : kEditorBitmaps)
    if (!plug::GetResourcePathFromBundle(bitmap.name, "png", path, Drovik::kBundleID)) return bitmap.name;
  if (!plug::GetResourcePathFromBundle(kEditorFont, "ttf", path, Drovik::kBundleID)) return kEditorFont;
  return "";
}

/// Once per process: hosts make many instances.
void ReportMissingResources(const std::string& missing)
{
  static std::once_flag reported;
  std::call_once(reported, [&] {
    plug::LibString resources;
    plug::BundleResourcePath(resources, Drovik::kBundleID);
    std::fprintf(stderr,
                 "Drovik: the editor's artwork (%s) was not found in %s; the editor is off. Install the whole "
                 "Drovik.vst folder, not Drovik.so alone.\n",
                 missing.c_str(), resources.GetLength() ? resources.Get() : "a Drovik.vst/Contents/Resources folder");
  });
}

} // namespace

namespace plug {
IPluginVST2* MakePlug(const InstanceInfo& info)
{
  auto* plugin = new Drovik(info);
  const std::string missing = MissingEditorResource();
  if (missing.empty())
  {
    plugin->AttachEditor(MakeDrovikEditor());
    return plugin;
  }
  ReportMissingResources(missing);
  plugin->SetHasUI(false);
  plugin->SyncEditorFlag();
  return plugin;
}
} // namespace plug
