// A recursive mutex object with lock and unlock, and a scoped lock over it.
#pragma once

#include <mutex>

namespace plug {

class LibMutex
{
public:
  void Lock() { mMutex.lock(); }
  void Unlock() { mMutex.unlock(); }
  bool TryLock() { return mMutex.try_lock(); }
  // BasicLockable, so std::lock_guard and std::unique_lock work on it.
  void lock() { Lock(); }
  void unlock() { Unlock(); }

private:
  std::recursive_mutex mMutex;
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
