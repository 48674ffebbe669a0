// The product's factory for builds without the editor (the effect's own tests and benchmarks): a Drovik instance
// that answers every editor request with "no editor".
#include "core/vst2/PluginEntry.h"
#include "effect/Drovik.h"

namespace plug {
IPluginVST2* MakePlug(const InstanceInfo& info) { return new Drovik(info); }
} // namespace plug
