// The time source of the run loop: the system's monotonic clock in a host, a hand-driven clock in tests.
#pragma once

#include <atomic>
#include <chrono>

namespace foundation {

/// Seconds on a monotonic scale.
class Clock
{
public:
  virtual ~Clock() = default;
  virtual double Now() const = 0; // [any thread]
};

/// The system's monotonic clock.
class SteadyClock final : public Clock
{
public:
  double Now() const override
  {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
};

/// A clock that moves only when told to; tests pump the run loop with it.
class ManualClock final : public Clock
{
public:
  explicit ManualClock(double start = 0.0) : mNow(start) {}
  double Now() const override { return mNow.load(); }
  void Advance(double seconds) { mNow.store(mNow.load() + seconds); } // [test thread]
  void Set(double now) { mNow.store(now); }                           // [test thread]

private:
  std::atomic<double> mNow;
};

} // namespace foundation
