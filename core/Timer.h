// The framework's repeating timer. It fires on the main run loop (our own run-loop thread, under the main-thread
// lock), first right away and then every interval, from creation until it is stopped or deleted. After the first
// firing it keeps to the loop's common grid for its interval, so the timers of many instances wake the loop once.
#pragma once

#include <cstdint>
#include <functional>

namespace plug {

class Timer
{
public:
  using ITimerFunction = std::function<void(Timer&)>;

  /// A timer calling `func` every `intervalMs` milliseconds, owned by the caller. [main thread]
  static Timer* Create(ITimerFunction func, uint32_t intervalMs);

  virtual ~Timer() = default;
  /// Once this returns the callback does not run again. [main thread]
  virtual void Stop() = 0;

protected:
  Timer() = default;
};

} // namespace plug
