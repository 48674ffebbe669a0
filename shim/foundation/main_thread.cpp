#include "foundation/main_thread.h"

#include <atomic>

namespace foundation {

namespace {
std::atomic<UnlockedPreparation> gPreparation{nullptr};
} // namespace

std::recursive_mutex& MainThreadMutex()
{
  static std::recursive_mutex mutex;
  return mutex;
}

int& MainThreadDepthHere()
{
  thread_local int depth = 0;
  return depth;
}

void SetUnlockedPreparation(UnlockedPreparation preparation) { gPreparation.store(preparation); }

void RunUnlockedPreparation(bool mayOpenEditor)
{
  if (const UnlockedPreparation preparation = gPreparation.load())
    preparation(mayOpenEditor);
}

} // namespace foundation
