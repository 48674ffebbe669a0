// The per-sample chain of the effect: input trim, input meters, saturation by stereo placement, output trim,
// the soft clipper with its gain-reduction envelope, output meters and the monitor modes.
#pragma once

#include "effect/dsp/hold_envelope.h"
#include "effect/dsp/level_meter.h"
#include "effect/dsp/modes.h"
#include "effect/dsp/sat_settings.h"
#include "effect/dsp/saturator.h"
#include "effect/dsp/soft_clipper.h"

/// What the chain reads per sample, taken from the parameter mirrors once per block.
struct FrameSettings
{
  int satOn = 0;
  int placement = kChStereo;
  int clipOn = 0;
  int monitorMode = kChStereo;
  int monitorPlacement = kMonNormal;
};

class FrameChain
{
public:
  /// Gain-reduction envelope: release 20 dB per 0.1 s after a 3 s hold.
  static constexpr double kGRReleaseSeconds = 0.1;
  static constexpr double kGRHoldSeconds = 3.0;

  /// Window buffers for the four meters, made outside the plug-in's lock for a processing rate.
  struct MeterBuffers
  {
    double processRate = 0.0;
    LevelMeter::WindowBuffers meters[4];
  };
  /// Buffers long enough for either of two meter modes at processRate. [any thread, allocates]
  static MeterBuffers MeterBuffersFor(int modeA, int modeB, double processRate);
  /// True when the four meters can switch to meterMode at processRate without fresh buffers. [under the plug-in
  /// lock]
  bool MetersHoldBuffersFor(int meterMode, double processRate) const;

  /// Prepares everything for the host rate (saturators) and the processing rate (meters, envelope). Fresh
  /// meter buffers made for the same rate are taken in place of allocating (the replaced ones go back in
  /// fresh). [prepare: may allocate without fresh buffers]
  void Prepare(double hostRate, double processRate, double ceilingDb, const SatSettings& sat, int meterMode,
               MeterBuffers* fresh = nullptr);
  /// Both saturators take the settings. [any thread, under the plug-in lock]
  void SetSaturation(const SatSettings& sat);
  /// Both clippers take the ceiling. [any thread, under the plug-in lock]
  void SetCeiling(double ceilingDb);
  /// The four meters switch mode at the processing rate, taking fresh buffers as Prepare does. [under the
  /// plug-in lock: may allocate without fresh buffers]
  void SetMeterMode(int meterMode, double processRate, MeterBuffers* fresh = nullptr);
  /// The four meters back to silence; the gain-reduction envelope is kept. [under the plug-in lock]
  void ResetMeters();

  /// Host samples are bounded to this magnitude (+120 dBFS) and NaN becomes silence, so that nothing a host
  /// sends can leave a non-finite value in the DSP state.
  static constexpr double kMaxInputMagnitude = 1e6;
  static double SanitizeInput(double x)
  {
    if (x != x) return 0.0;
    return x < -kMaxInputMagnitude ? -kMaxInputMagnitude : (x > kMaxInputMagnitude ? kMaxInputMagnitude : x);
  }
  /// Frames per chunk of the block path: the meters are stepped over each chunk after its audio.
  static constexpr int kChunk = 256;

  /// One stereo frame in place. [audio thread]
  void ProcessFrame(double& L, double& R, double inGainL, double inGainR, double outGainL, double outGainR,
                    const FrameSettings& s);
  /// nFrames through the chain, the same as ProcessFrame frame by frame on sanitised input; in and out may be
  /// the same buffers. [audio thread]
  void ProcessBlock(const double* inL, const double* inR, double* outL, double* outR, int nFrames, double inGain,
                    double outGain, const FrameSettings& s);
  void FeedInputMeters(double L, double R);
  void FeedOutputMeters(double L, double R);

  /// Hands the meters' readings and the gain-reduction envelope to the editor (once per block). [audio thread]
  void PublishMeters();
  /// The clip lamp's value as published: the share of level the clipper takes away (0 = none). [any thread]
  double PublishedGainReduction() const { return mGRShown.load(std::memory_order_relaxed); }

  Saturator mSatL, mSatR;
  SoftClipper mClipperL, mClipperR;
  HoldEnvelope mGREnvelope;
  LevelMeter mInMeterL, mInMeterR, mOutMeterL, mOutMeterR;

private:
  /// Everything but the meters; inL/inR and outL/outR receive what the input and output meters measure.
  void ProcessAudio(double& L, double& R, double inGainL, double inGainR, double outGainL, double outGainR,
                    const FrameSettings& s, double& meterInL, double& meterInR, double& meterOutL,
                    double& meterOutR);

  /// The steps of ProcessAudio: input trim (and what the input meters read), saturation by placement, and the
  /// rest (output trim, clipper, gain-reduction envelope, what the output meters read, monitor mode).
  void TrimInput(double& L, double& R, double inGainL, double inGainR, double& meterInL, double& meterInR);
  void Saturate(double& L, double& R, int placement);
  void FinishFrame(double& L, double& R, double outGainL, double outGainR, const FrameSettings& s,
                   double& meterOutL, double& meterOutR);

  void StepMeters(int n);
  template <int Kind> void StepMetersOf(int n);

  std::atomic<double> mGRShown{0.0};
  double mMeterInL[kChunk], mMeterInR[kChunk], mMeterOutL[kChunk], mMeterOutR[kChunk];
};
