// The copies of parameter values the effect keeps for the audio thread and the editor. Parameter changes write
// them (under the plug-in lock, on whichever thread the change arrives), the audio thread reads them under that
// lock and the editor reads them on the main thread without it; so each is a lock-free atomic, loaded and
// stored relaxed: a reader sees the old value or the new one, and nobody waits. The flags that send the editor to
// read them (pending editor work, the meter update) are raised with release after the stores and taken with
// acquire, so an editor that sees a flag reads the values stored before it was raised.
#pragma once

#include <atomic>

#include "effect/dsp/sat_settings.h"

template <typename T>
class Mirror
{
  static_assert(std::atomic<T>::is_always_lock_free, "the audio thread reads mirrors without a lock");

public:
  constexpr Mirror(T value = T()) : mValue(value) {}
  Mirror(const Mirror&) = delete;
  Mirror& operator=(const Mirror&) = delete;

  operator T() const { return mValue.load(std::memory_order_relaxed); }
  Mirror& operator=(T value)
  {
    mValue.store(value, std::memory_order_relaxed);
    return *this;
  }

private:
  std::atomic<T> mValue;
};

/// The saturation settings, each field a mirror; the signal path takes them as one record.
struct SatSettingsMirror
{
  explicit SatSettingsMirror(const SatSettings& s) { *this = s; }
  SatSettingsMirror& operator=(const SatSettings& s)
  {
    on = s.on;
    placement = s.placement;
    mode = s.mode;
    stages = s.stages;
    even = s.even;
    odd = s.odd;
    fluctuation = s.fluctuation;
    return *this;
  }
  operator SatSettings() const { return SatSettings{on, placement, mode, stages, even, odd, fluctuation}; }

  Mirror<int> on, placement, mode, stages;
  Mirror<double> even, odd, fluctuation;
};
