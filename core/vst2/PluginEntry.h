// Plug-in creation behind the exported entry points: one new plug-in per call, under a process-wide
// recursive lock. The product supplies MakePlug.
#pragma once

#include "core/vst2/IPluginVST2.h"

namespace plug {

/// Constructs the product's plug-in. Supplied by the product.
IPluginVST2* MakePlug(const InstanceInfo& info);

/// MakePlug under the process-wide creation lock.
IPluginVST2* CreatePlugInstance(const InstanceInfo& info);

/// What both entry points do: create the plug-in, complete its presets and return its effect record; null
/// (and nothing left allocated) when creation fails.
vst2::Effect* VSTEntry(vst2::HostCallback host) noexcept;

} // namespace plug
