// A recursive mutex object with lock and unlock, and a scoped lock over it. A process-wide watch may be told
// when a thread takes a mutex it did not hold and when it lets go of it, so that tests can check what is done
// while the lock is held.
#pragma once

#include <atomic>
#include <mutex>

namespace plug {

class LibMutex
{
public:
  /// Called with true right after a thread took a mutex it did not hold, with false right before it lets go of
  /// it for good; on the thread that holds it.
  using Watch = void (*)(const LibMutex& mutex, bool held);
  /// Installs the watch (nullptr: none). [any thread, while no mutex is held]
  static void SetWatch(Watch watch) { sWatch.store(watch, std::memory_order_release); }

  void Lock()
  {
    mMutex.lock();
    if (mDepth++ == 0) Tell(*this, true);
  }
  void Unlock()
  {
    if (--mDepth == 0) Tell(*this, false);
    mMutex.unlock();
  }
  bool TryLock()
  {
    if (!mMutex.try_lock()) return false;
    if (mDepth++ == 0) Tell(*this, true);
    return true;
  }
  // BasicLockable, so std::lock_guard and std::unique_lock work on it.
  void lock() { Lock(); }
  void unlock() { Unlock(); }

private:
  static void Tell(const LibMutex& mutex, bool held)
  {
    if (const Watch watch = sWatch.load(std::memory_order_acquire)) watch(mutex, held);
  }

  static inline std::atomic<Watch> sWatch{nullptr};
  std::recursive_mutex mMutex;
  int mDepth = 0; // how often the holder took it; only the holder reads or writes it
};

/// Holds a LibMutex for the lifetime of the scope.
class LibMutexLock
{
public:
  explicit LibMutexLock(LibMutex& m) : mMutex(m) { mMutex.Lock(); }
  ~LibMutexLock() { mMutex.Unlock(); }
  LibMutexLock(const LibMutexLock&) = delete;
  LibMutexLock& operator=(const LibMutexLock&) = delete;

private:
  LibMutex& mMutex;
};

} // namespace plug
