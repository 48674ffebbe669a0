#include "effect/dsp/frame_chain.h"

#include "effect/dsp/vu_meter_lanes.h"

#include <cmath>

FrameChain::MeterBuffers FrameChain::MeterBuffersFor(int modeA, int modeB, double processRate)
{
  MeterBuffers b;
  b.processRate = processRate;
  for (LevelMeter::WindowBuffers& m : b.meters) m = LevelMeter::BuffersFor(modeA, modeB, processRate);
  return b;
}

bool FrameChain::MetersHoldBuffersFor(int meterMode, double processRate) const
{
  for (const LevelMeter* m : {&mInMeterL, &mInMeterR, &mOutMeterL, &mOutMeterR})
    if (!m->HoldsBuffersFor(meterMode, processRate)) return false;
  return true;
}

void FrameChain::Prepare(double hostRate, double processRate, double ceilingDb, const SatSettings& sat,
                         int meterMode, MeterBuffers* fresh)
{
  SetCeiling(ceilingDb);
  mSatL.Reset(hostRate);
  mSatR.Reset(hostRate);
  SetSaturation(sat);
  SetMeterMode(meterMode, processRate, fresh);
  mGREnvelope.Setup(kGRReleaseSeconds, kGRHoldSeconds, processRate, 1);
  mGRShown.store(0.0, std::memory_order_relaxed);
}

void FrameChain::SetSaturation(const SatSettings& sat)
{
  mSatL.SetParams(sat);
  mSatR.SetParams(sat);
}

void FrameChain::SetCeiling(double ceilingDb)
{
  mClipperL.SetCeiling(ceilingDb);
  mClipperR.SetCeiling(ceilingDb);
}

void FrameChain::SetMeterMode(int meterMode, double processRate, MeterBuffers* fresh)
{
  const bool fits = fresh && fresh->processRate == processRate;
  LevelMeter* meters[4] = {&mInMeterL, &mInMeterR, &mOutMeterL, &mOutMeterR};
  for (int i = 0; i < 4; ++i) meters[i]->InitForMode(meterMode, processRate, fits ? &fresh->meters[i] : nullptr);
}

void FrameChain::ResetMeters()
{
  for (LevelMeter* m : {&mInMeterL, &mInMeterR, &mOutMeterL, &mOutMeterR}) m->Reset();
}

void FrameChain::PublishMeters()
{
  for (LevelMeter* m : {&mInMeterL, &mInMeterR, &mOutMeterL, &mOutMeterR}) m->Publish();
  mGRShown.store(mGREnvelope.value, std::memory_order_relaxed);
}

void FrameChain::FeedInputMeters(double L, double R)
{
  mInMeterL.ProcessStereo(1, L, L);
  mInMeterL.StepDisplay();
  mInMeterR.ProcessStereo(2, R, R);
  mInMeterR.StepDisplay();
}

void FrameChain::FeedOutputMeters(double L, double R)
{
  mOutMeterL.ProcessStereo(1, L, L);
  mOutMeterL.StepDisplay();
  mOutMeterR.ProcessStereo(2, R, R);
  mOutMeterR.StepDisplay();
}

void FrameChain::ProcessFrame(double& L, double& R, double inGainL, double inGainR, double outGainL,
                              double outGainR, const FrameSettings& s)
{
  double inMeterL, inMeterR, outMeterL, outMeterR;
  ProcessAudio(L, R, inGainL, inGainR, outGainL, outGainR, s, inMeterL, inMeterR, outMeterL, outMeterR);
  FeedInputMeters(inMeterL, inMeterR);
  FeedOutputMeters(outMeterL, outMeterR);
}

namespace {

/// Placements that saturate one signal (left, right, mid or side); every other value saturates both channels.
bool IsSinglePlacement(int placement)
{
  return placement == kChLeft || placement == kChRight || placement == kChMid || placement == kChSide;
}

} // namespace

void FrameChain::ProcessBlock(const double* inL, const double* inR, double* outL, double* outR, int nFrames,
                              double inGain, double outGain, const FrameSettings& s)
{
  for (int start = 0; start < nFrames; start += kChunk)
  {
    const int n = nFrames - start < kChunk ? nFrames - start : kChunk;
    int j = 0;
    if (s.satOn == 1 && !IsSinglePlacement(s.placement))
    {
      // Stereo saturation two frames at a time: their curves are evaluated together, everything else runs
      // frame by frame in order, so the result is the frame path's.
      for (; j + 1 < n; j += 2)
      {
        double L0 = SanitizeInput(inL[start + j]), R0 = SanitizeInput(inR[start + j]);
        double L1 = SanitizeInput(inL[start + j + 1]), R1 = SanitizeInput(inR[start + j + 1]);
        TrimInput(L0, R0, inGain, inGain, mMeterInL[j], mMeterInR[j]);
        TrimInput(L1, R1, inGain, inGain, mMeterInL[j + 1], mMeterInR[j + 1]);
        Saturator::ProcessPairTwice(mSatL, mSatR, L0, R0, L1, R1);
        FinishFrame(L0, R0, outGain, outGain, s, mMeterOutL[j], mMeterOutR[j]);
        FinishFrame(L1, R1, outGain, outGain, s, mMeterOutL[j + 1], mMeterOutR[j + 1]);
        outL[start + j] = L0;
        outR[start + j] = R0;
        outL[start + j + 1] = L1;
        outR[start + j + 1] = R1;
      }
    }
    for (; j < n; ++j)
    {
      double L = SanitizeInput(inL[start + j]);
      double R = SanitizeInput(inR[start + j]);
      ProcessAudio(L, R, inGain, inGain, outGain, outGain, s, mMeterInL[j], mMeterInR[j], mMeterOutL[j],
                   mMeterOutR[j]);
      outL[start + j] = L;
      outR[start + j] = R;
    }
    StepMeters(n);
  }
}

template <int Kind>
void FrameChain::StepMetersOf(int n)
{
  // The four meters advance together, sample by sample, so that their independent recursions overlap.
  for (int j = 0; j < n; ++j)
  {
    mInMeterL.Step<Kind>(1, mMeterInL[j], mMeterInL[j]);
    mInMeterR.Step<Kind>(2, mMeterInR[j], mMeterInR[j]);
    mOutMeterL.Step<Kind>(1, mMeterOutL[j], mMeterOutL[j]);
    mOutMeterR.Step<Kind>(2, mMeterOutR[j], mMeterOutR[j]);
    mInMeterL.StepDisplay();
    mInMeterR.StepDisplay();
    mOutMeterL.StepDisplay();
    mOutMeterR.StepDisplay();
  }
}

void FrameChain::StepMeters(int n)
{
  const int kind = mInMeterL.kind;
  if (mInMeterR.kind != kind || mOutMeterL.kind != kind || mOutMeterR.kind != kind)
  {
    mInMeterL.ProcessBlock(1, mMeterInL, mMeterInL, n);
    mInMeterR.ProcessBlock(2, mMeterInR, mMeterInR, n);
    mOutMeterL.ProcessBlock(1, mMeterOutL, mMeterOutL, n);
    mOutMeterR.ProcessBlock(2, mMeterOutR, mMeterOutR, n);
    return;
  }
  switch (kind)
  {
  case kMeterKindWindowedPeak: StepMetersOf<kMeterKindWindowedPeak>(n); break;
  case kMeterKindRMS: StepMetersOf<kMeterKindRMS>(n); break;
  case kMeterKindLoudnessShort: StepMetersOf<kMeterKindLoudnessShort>(n); break;
  case kMeterKindLoudnessLong: StepMetersOf<kMeterKindLoudnessLong>(n); break;
  case kMeterKindVU:
  {
    LevelMeter* const meters[4] = {&mInMeterL, &mInMeterR, &mOutMeterL, &mOutMeterR};
    const double* const inputs[4] = {mMeterInL, mMeterInR, mMeterOutL, mMeterOutR};
    if (vu_meter_lanes::Usable(meters))
      vu_meter_lanes::Step(meters, inputs, n);
    else
      StepMetersOf<kMeterKindVU>(n);
    break;
  }
  case kMeterKindAverage: StepMetersOf<kMeterKindAverage>(n); break;
  case kMeterKindPeak: StepMetersOf<kMeterKindPeak>(n); break;
  case kMeterKindFastVU: StepMetersOf<kMeterKindFastVU>(n); break;
  default: StepMetersOf<-1>(n); break;
  }
}

// The per-frame steps are inlined into the block loop: a call per frame costs more than the steps themselves.
[[gnu::always_inline]] inline void FrameChain::ProcessAudio(double& L, double& R, double inGainL, double inGainR,
                                                            double outGainL, double outGainR, const FrameSettings& s,
                                                            double& meterInL, double& meterInR, double& meterOutL,
                                                            double& meterOutR)
{
  TrimInput(L, R, inGainL, inGainR, meterInL, meterInR);
  if (s.satOn == 1) Saturate(L, R, s.placement);
  FinishFrame(L, R, outGainL, outGainR, s, meterOutL, meterOutR);
}

[[gnu::always_inline]] inline void FrameChain::TrimInput(double& L, double& R, double inGainL, double inGainR,
                                                         double& meterInL, double& meterInR)
{
  L *= inGainL;
  R *= inGainR;
  meterInL = L;
  meterInR = R;
}

inline void FrameChain::Saturate(double& L, double& R, int placement)
{
  switch (placement)
  {
  case kChLeft:
    L = mSatL.Process(L);
    break;
  case kChRight:
    R = mSatL.Process(R);
    break;
  case kChMid:
  case kChSide:
  {
    // One of mid and side is saturated, the other kept; then back to left and right.
    double M = (L + R) * 0.5, S = (L - R) * 0.5;
    double& shaped = placement == kChMid ? M : S;
    shaped = mSatL.Process(shaped);
    L = M + S;
    R = M - S;
    break;
  }
  default:
    Saturator::ProcessPair(mSatL, mSatR, L, R);
    break;
  }
}

[[gnu::always_inline]] inline void FrameChain::FinishFrame(double& L, double& R, double outGainL, double outGainR,
                                                           const FrameSettings& s, double& meterOutL,
                                                           double& meterOutR)
{
  L *= outGainL;
  R *= outGainR;

  const double yL = mClipperL.Process(L);
  const double yR = mClipperR.Process(R);
  if (s.clipOn == 1)
  {
    L = yL;
    R = yR;
  }
  mGREnvelope.Step(std::fabs(std::min(mClipperL.gainReduction, mClipperR.gainReduction)));

  meterOutL = L;
  meterOutR = R;

  const bool inPlace = s.monitorPlacement == kMonInPlace;
  double outL = L, outR = R;
  switch (s.monitorMode)
  {
  case kChLeft:
    outR = inPlace ? L : 0.0;
    break;
  case kChRight:
    outL = inPlace ? R : 0.0;
    break;
  case kChMid:
    outL = outR = (L + R) * 0.5;
    break;
  case kChSide:
  {
    const double D = L - R;
    outL = D * 0.5;
    outR = inPlace ? D * 0.5 : -(D * 0.5);
    break;
  }
  default:
    break;
  }
  L = outL;
  R = outR;
}
