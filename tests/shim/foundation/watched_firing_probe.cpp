// A module with a main loop of its own, whose firing a test watches while the module is unloaded.
#include "watched_firing.h"

extern "C" __attribute__((visibility("default"))) void StartWatchedFiring(watchedfiring::Watch* watch)
{
  watchedfiring::StartWatchedFiring(watch);
}
