// The random source of the saturator's fluctuation: one generator per saturator, so the audio thread never
// shares or locks a process-wide generator. Draws integers 0 .. 2^31 - 1, like the C library's rand().
#pragma once

#include <cstdint>

class FluctuationRandom
{
public:
  static constexpr double kMaxDraw = 2147483647.0;

  FluctuationRandom();
  /// Restarts the sequence from a seed (tests use this for repeatable runs). [any thread]
  void Seed(uint64_t seed);
  /// The next draw in 0 .. 2^31 - 1. [audio thread]
  uint32_t Next()
  {
    // xorshift64*
    mState ^= mState >> 12;
    mState ^= mState << 25;
    mState ^= mState >> 27;
    return static_cast<uint32_t>((mState * 2685821657736338717ull) >> 33);
  }
  /// The next draw scaled to 0..1. [audio thread]
  double NextUnit() { return Next() / kMaxDraw; }

private:
  uint64_t mState = 1;
};
