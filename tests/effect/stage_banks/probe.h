// What the stage-bank probe module reports: one scripted session of a Drovik instance driven through its effect
// record (audio out in float and double, gain reduction, the meters as the editor reads them after every block,
// parameter texts, state chunks). The same probe is
// built against the effect with and without its stage banks.
#pragma once

#include <cstdint>

struct StageBankProbeResult
{
  static constexpr int kChannels = 2;
  static constexpr int kBlock = 480;
  static constexpr int kBlocks = 60; // 0.6 s at 48 kHz
  static constexpr int kFrames = kBlock * kBlocks;
  static constexpr int kMaxChunk = 1 << 16;
  static constexpr int kNumParams = 25;
  static constexpr int kTextSize = 64;

  int ok = 0;
  long long instanceBytes = 0; // sizeof the plug-in object
  float outFloat[kChannels][kFrames];
  double outDouble[kChannels][kFrames];
  /// Per block: value, maximum and display of the input L/R and output L/R meters, then the clip lamp.
  static constexpr int kMeterReadings = 13;
  double meters[2 * kBlocks][kMeterReadings];
  char paramText[kNumParams][kTextSize];
  int programChunkSize = 0;
  unsigned char programChunk[kMaxChunk];
  int bankChunkSize = 0;
  unsigned char bankChunk[kMaxChunk];
};

/// Runs scenario `scenario` (0 .. kStageBankProbeScenarios - 1) into result; result->ok tells success.
using StageBankProbeFn = void (*)(int scenario, StageBankProbeResult* result);
constexpr int kStageBankProbeScenarios = 4;
/// The scenario that runs the effect bypassed.
constexpr int kStageBankProbeBypassed = 3;
constexpr const char* kStageBankProbeSymbol = "DrovikStageBankProbe";
