// Banks of saturation stages that the plug-in object builds with itself: each stage owns a set of order-16
// Butterworth filters and some smoothing and band state. Nothing designs, runs or reads them: they are built,
// reset once and destroyed, and cost only construction time and memory.
#pragma once

#include <memory>

#include "filters/Filter.h"

/// One stage: three smoothers, a state block, sixteen band records, a one-sample channel buffer and fourteen
/// undesigned filters (two sets of band shelf, high-pass, low-pass, high shelf, low shelf, band-pass, band-stop).
class SatStage
{
public:
  static constexpr int kNumBands = 16;
  static constexpr int kNumFilters = 14;
  /// 10^(6/20): the band records' gain.
  static constexpr double kBandGain = 1.9952623149688522;

  SatStage(); // [main thread: allocates]
  ~SatStage();
  SatStage(const SatStage&) = delete;
  SatStage& operator=(const SatStage&) = delete;

  /// Zeroes the state blocks and clears every filter's state. [main thread]
  void Reset();

  Dsp::Filter& FilterAt(int index);

private:
  struct Smoother
  {
    double coefficient = 0.0;
    double scale = 1.0;
    double value = 0.0;
    double thresholds[3] = {0.1, 0.01, 0.01};
  };

  struct Band
  {
    double state[4] = {};
    double gain = kBandGain;
    double negativeGain = -kBandGain;
  };

  struct Clock
  {
    double rate = 1000.0;
    int counter = 0;
  };

  struct Filters;

  Smoother mSmoothers[3];
  double mState[4] = {};
  Band mBands[kNumBands];
  double** mChannel = nullptr;
  std::unique_ptr<Filters> mFilters;
  Clock mClock;
};

/// A leading block of settings, eight stages and a trailing block.
class SatStageBank
{
public:
  static constexpr int kNumStages = 8;

  SatStageBank() = default; // [main thread: allocates]

  SatStage& StageAt(int index) { return mStages[index]; }

private:
  struct Leading
  {
    int on = 0;
    int placement = 0;
  };

  struct Trailing
  {
    int mode = 0;
    int stages = 1;
    double even = 0.0;
    double odd = 0.0;
    double fluctuation = 0.0;
  };

  Leading mLeading;
  SatStage mStages[kNumStages];
  Trailing mTrailing;
};
