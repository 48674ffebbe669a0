// Data objects and counting semaphores.
#include "dispatch.h"

#include <chrono>

namespace {

int64_t NowNanoseconds()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
    .count();
}

} // namespace

dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta)
{
  if (when == DISPATCH_TIME_FOREVER) return when;
  int64_t base = when == DISPATCH_TIME_NOW ? NowNanoseconds() : (int64_t)when;
  int64_t t = base + delta;
  return t <= 0 ? 1 : (dispatch_time_t)t;
}

dispatch_data_t dispatch_data_create(const void* buffer, size_t size)
{
  auto d = std::make_shared<DispatchData>();
  if (buffer && size) d->bytes.assign((const uint8_t*)buffer, (const uint8_t*)buffer + size);
  return d;
}

long DispatchSemaphore::wait(dispatch_time_t timeout)
{
  std::unique_lock<std::mutex> hold(lock_);
  if (timeout == DISPATCH_TIME_FOREVER)
    condition_.wait(hold, [&] { return value_ > 0; });
  else
  {
    auto deadline = std::chrono::steady_clock::time_point(std::chrono::nanoseconds((int64_t)timeout));
    if (timeout == DISPATCH_TIME_NOW) deadline = std::chrono::steady_clock::now();
    if (!condition_.wait_until(hold, deadline, [&] { return value_ > 0; })) return 1;
  }
  --value_;
  return 0;
}

long DispatchSemaphore::signal()
{
  std::lock_guard<std::mutex> hold(lock_);
  ++value_;
  condition_.notify_one();
  return 0;
}

dispatch_semaphore_t dispatch_semaphore_create(long value)
{
  return value < 0 ? nullptr : std::make_shared<DispatchSemaphore>(value);
}

long dispatch_semaphore_wait(const dispatch_semaphore_t& s, dispatch_time_t timeout)
{
  return s ? s->wait(timeout) : 1;
}

long dispatch_semaphore_signal(const dispatch_semaphore_t& s) { return s ? s->signal() : 0; }
