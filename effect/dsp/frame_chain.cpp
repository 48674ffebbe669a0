#include "effect/dsp/frame_chain.h"

#include <cmath>

void FrameChain::Prepare(double hostRate, double processRate, double ceilingDb, const SatSettings& sat,
                         int meterMode)
{
  SetCeiling(ceilingDb);
  mSatL.Reset(hostRate);
  mSatR.Reset(hostRate);
  SetSaturation(sat);
  SetMeterMode(meterMode, processRate);
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

void FrameChain::SetMeterMode(int meterMode, double processRate)
{
  for (LevelMeter* m : {&mInMeterL, &mInMeterR, &mOutMeterL, &mOutMeterR}) m->InitForMode(meterMode, processRate);
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
  L *= inGainL;
  R *= inGainR;
  FeedInputMeters(L, R);

  if (s.satOn == 1)
  {
    switch (s.placement)
    {
    case kChLeft:
      L = mSatL.Process(L);
      break;
    case kChRight:
      R = mSatL.Process(R);
      break;
    case kChMid:
    {
      const double M = (L + R) * 0.5, S = (L - R) * 0.5;
      const double Mp = mSatL.Process(M);
      L = Mp + S;
      R = Mp - S;
      break;
    }
    case kChSide:
    {
      const double M = (L + R) * 0.5, S = (L - R) * 0.5;
      const double Sp = mSatL.Process(S);
      L = M + Sp;
      R = M - Sp;
      break;
    }
    default:
      L = mSatL.Process(L);
      R = mSatR.Process(R);
      break;
    }
  }

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

  FeedOutputMeters(L, R);

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
