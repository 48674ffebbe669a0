#include "foundation/main_thread.h"

namespace foundation {

std::recursive_mutex& MainThreadMutex()
{
  static std::recursive_mutex mutex;
  return mutex;
}

} // namespace foundation
