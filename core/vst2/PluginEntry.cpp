#include "core/vst2/PluginEntry.h"

#include <mutex>

#include "foundation/main_thread.h"

namespace plug {

namespace {
std::recursive_mutex& CreationMutex()
{
  static std::recursive_mutex mutex; // built on first use, thread-safely; destroyed at exit
  return mutex;
}
} // namespace

IPluginVST2* CreatePlugInstance(const InstanceInfo& info)
{
  std::lock_guard<std::recursive_mutex> lock(CreationMutex());
  return MakePlug(info);
}

vst2::Effect* VSTEntry(vst2::HostCallback host) noexcept
{
  IPluginVST2* plug = nullptr;
  try
  {
    foundation::MainThreadScope mainThread; // the new plug-in's timer fires only once it is complete
    InstanceInfo info;
    info.mVSTHostCallback = host;
    plug = CreatePlugInstance(info);
    if (!plug)
      return nullptr;
    plug->FillEmptyPresets();
    plug->SyncEditorFlag();
    plug->StartTicks(); // complete now: from here on the framework timer reaches it
    vst2::Effect& effect = plug->GetEffect();
    if (effect.numPrograms < 1)
      effect.numPrograms = 1;
    return &effect;
  }
  catch (...)
  {
    delete plug;
    return nullptr;
  }
}

} // namespace plug
