// The main-thread lock. On the platform this system was designed for, timers and the host's editor calls all run
// on one main thread, one at a time. Here the run loop fires its timers on a thread of its own, so both sides take
// this process-wide lock instead: a timer never runs while a host's main-thread call is in progress, and the other
// way round. The audio thread never takes it.
#pragma once

#include <mutex>

namespace foundation {

/// The process-wide lock (recursive: a timer callback may call into the host, which may call us back).
std::recursive_mutex& MainThreadMutex(); // [any thread but the audio thread]

/// Holds the main-thread lock for its lifetime.
class MainThreadScope
{
public:
  MainThreadScope() : mLock(MainThreadMutex()) {}

private:
  std::lock_guard<std::recursive_mutex> mLock;
};

} // namespace foundation
