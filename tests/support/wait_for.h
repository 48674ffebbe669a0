// Waiting for something another thread or process does: polls until it holds, with a generous limit that only a
// hang reaches, so a test fails instead of waiting for ever.
#pragma once

#include <chrono>
#include <thread>

namespace testsupport {

/// Polls `done` until it holds; false once `limitSeconds` have passed.
template <typename Pred>
bool WaitFor(Pred done, int limitSeconds = 10)
{
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
  while (!done())
  {
    if (std::chrono::steady_clock::now() > limit)
      return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return true;
}

} // namespace testsupport
