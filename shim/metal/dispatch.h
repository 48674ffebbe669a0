// The libdispatch calls our Metal stand-in and its callers use: data objects and counting semaphores.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

typedef uint64_t dispatch_time_t;
constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~0ull;
/// A time delta nanoseconds from now, on the steady clock.
dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);

struct DispatchData
{
  std::vector<uint8_t> bytes;
};
typedef std::shared_ptr<const DispatchData> dispatch_data_t;
/// Copies the bytes (the destructor argument of the system call is always "default" here).
dispatch_data_t dispatch_data_create(const void* buffer, size_t size);

class DispatchSemaphore
{
public:
  explicit DispatchSemaphore(long value) : value_(value) {}
  long wait(dispatch_time_t timeout); // 0 when taken, nonzero on time-out [any thread]
  long signal();                      // [any thread]

private:
  std::mutex lock_;
  std::condition_variable condition_;
  long value_;
};
typedef std::shared_ptr<DispatchSemaphore> dispatch_semaphore_t;

dispatch_semaphore_t dispatch_semaphore_create(long value); // null for a negative value
long dispatch_semaphore_wait(const dispatch_semaphore_t& s, dispatch_time_t timeout);
long dispatch_semaphore_signal(const dispatch_semaphore_t& s);
