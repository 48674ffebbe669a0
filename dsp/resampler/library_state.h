// Process-wide state of the resampler library: the locks of its three shared caches and their lists. Set up on
// first use, torn down at exit (which frees every cached object).
#pragma once

#include <mutex>

namespace resamp {

class RealFft;
struct FirFilter;
struct FracFilterBank;

struct LibraryState
{
  std::recursive_mutex fftMutex;
  RealFft* freeFfts[31] = {};
  int fftCreated = 0;

  std::recursive_mutex filterMutex;
  FirFilter* filters = nullptr; ///< most recently used first
  int filterCount = 0;

  std::recursive_mutex fracMutex;
  FracFilterBank* staticBanks = nullptr;
  FracFilterBank* recentBanks = nullptr; ///< most recently used first
  int recentBankCount = 0;

  ~LibraryState();
};

/// The one state object. [any thread]
LibraryState& State();

} // namespace resamp
