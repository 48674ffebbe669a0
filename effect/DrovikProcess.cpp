// Block processing, the bypass with latency-compensating delay, DSP preparation, reset and latency report.
#include "effect/Drovik.h"

#include <algorithm>
#include <cmath>

#include "core/HostId.h"
#include "effect/dsp/channel_buffers.h"
#include "effect/dsp/levels.h"
#include "effect/dsp/sample_rate.h"

namespace {

double SanitizeInput(double x) { return FrameChain::SanitizeInput(x); }

/// Output magnitudes below this (600 dB under full scale) are rounding residue and come out as zeros.
constexpr double kSilenceFloor = 1e-30;

/// Hosts whose latency is refreshed on every block.
bool RefreshesLatencyPerBlock(int host) { return host == plug::kHostProTools || host == plug::kHostAbletonLive; }

} // namespace

int Drovik::FactorOfSetting(int oversampling)
{
  static constexpr int kFactorTable[] = {2, 4, 8, 16};
  return (oversampling >= 1 && oversampling <= 4) ? kFactorTable[oversampling - 1] : 1;
}

int Drovik::CurrentOSLatency() const { return mOversampler.Latency(); }

double Drovik::ProcessRate() const { return mSampleRate * mOversampler.Factor(); }

void Drovik::PrepareDSP()
{
  const double fs = mSampleRate;
  mOversampler.Build(FactorOfSetting(mOversampling), kMaxOversampling, mBlockSize, kOversamplerInputs,
                     kOversamplerOutputs, kOversamplerOutputs, fs);
  const double fsOS = ProcessRate();
  mChain.Prepare(fs, fsOS, GetParam(kClipCeiling)->Value(), mSatSettings, mMeterMode,
                 mPrepared ? &mPrepared->meters : nullptr);
  mLatency = CurrentOSLatency();
  for (DelayRing* ring : {&mBypassRingL, &mBypassRingR})
  {
    ring->Resize(std::max(kBypassRingCapacity, mLatency));
    ring->SetLength(mLatency);
  }
  mMeterClock.Setup(fsOS);
}

void Drovik::ResetDSPAndReportLatency()
{
  PrepareDSP();
  mReportedLatency = mLatency;
  if (GetLatency() != mLatency) SetLatency(mLatency);
}

void Drovik::OnReset()
{
  double fs = 0.0;
  int blockSize = 0, factor = 1, meterMode = 0;
  {
    plug::LibMutexLock lock(mMutex);
    fs = IsAcceptedHostRate(GetSampleRate()) ? GetSampleRate() : mSampleRate;
    blockSize = GetBlockSize() > 0 ? GetBlockSize() : mBlockSize;
    if (fs == mSampleRate && blockSize == mBlockSize) return;
    factor = FactorOfSetting(mOversampling);
    meterMode = mMeterMode;
  }
  // The resamplers of the new rate and block size (their latencies measured) and the meters' buffers are built
  // before the lock the audio thread takes; under it they are swapped in, and the old ones are freed after it
  // (fresh and prepared are destroyed last).
  Oversampler fresh;
  fresh.Build(factor, kMaxOversampling, blockSize, kOversamplerInputs, kOversamplerOutputs, kOversamplerOutputs, fs);
  // The host's bypass delay gets room for every latency the new resamplers can report, so that reporting one
  // under the lock (now, at a switch of factor or from the idle handler) allocates nothing there.
  ReserveLatency(fresh.MaxLatency());
  PreparedChange prepared;
  prepared.meters = FrameChain::MeterBuffersFor(meterMode, meterMode, fs * fresh.Factor());
  plug::LibMutexLock lock(mMutex);
  const bool own = !mPrepared;
  if (own) mPrepared = &prepared;
  mSampleRate = fs;
  mBlockSize = blockSize;
  mOversampler.Swap(fresh);
  ResetDSPAndReportLatency();
  if (own) mPrepared = nullptr;
}

void Drovik::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  plug::LibMutexLock lock(mMutex);
  if (RefreshesLatencyPerBlock(GetHost()) && GetLatency() != mReportedLatency)
    SetLatency(mReportedLatency);

  const int nOut = std::min(CountConnectedChannels(plug::kOutput), 2);
  if (nFrames <= 0 || nOut <= 0 || !outputs || !outputs[0] || (nOut == 2 && !outputs[1])) return;
  if (!inputs || !inputs[0])
  {
    ZeroChannelBuffers(outputs, nFrames, nOut);
    return;
  }
  double* in[2] = {inputs[0], (nOut == 2 && inputs[1]) ? inputs[1] : inputs[0]};

  // The bypass parameter and the host's bypass request are one and the same here.
  if (mBypass == 1 || GetBypassed())
    ProcessBypassed(in, outputs, nFrames, nOut);
  else
  {
    FeedBypassRings(in, nFrames);
    if (mOversampler.Factor() <= 1)
      ProcessCore(in, outputs, nFrames, nOut, nOut);
    else
      ProcessOversampled(in, outputs, nFrames, nOut, true);
    // The resamplers' start from silence leaves rounding residue near 1e-33, which hosts reading floats would
    // get as subnormal samples now and then: nothing that quiet is signal.
    ZeroBelowFloor(outputs, nFrames, nOut, kSilenceFloor);
  }
  mChain.PublishMeters();
}

void Drovik::FeedBypassRings(double** in, int nFrames)
{
  if (mBypassRingL.Length() <= 0) return;
  for (int i = 0; i < nFrames; ++i)
  {
    mBypassRingL.Push(SanitizeInput(in[0][i]));
    mBypassRingR.Push(SanitizeInput(in[1][i]));
  }
}

void Drovik::ProcessBypassed(double** in, double** outputs, int nFrames, int nOut)
{
  // The resamplers keep running on the input (read before the outputs are written: they may be the same
  // buffers), so that leaving the bypass continues from them without a gap and nothing from before the bypass
  // is left in them.
  if (mOversampler.Factor() > 1) ProcessOversampled(in, nullptr, nFrames, nOut, false);
  double* outL = outputs[0];
  double* outR = nOut == 1 ? outputs[0] : outputs[1];
  for (int i = 0; i < nFrames; ++i)
  {
    const double L = mBypassRingL.Exchange(SanitizeInput(in[0][i]));
    const double R = mBypassRingR.Exchange(SanitizeInput(in[1][i]));
    outL[i] = L;
    outR[i] = R;
  }
  AdvanceMeterClock(nFrames * mOversampler.Factor());
}

void Drovik::ProcessOversampled(double** in, double** outputs, int nFrames, int nOut, bool process)
{
  // The resamplers were built for blocks of at most BlockSize() frames: longer host blocks go in pieces.
  const int piece = std::max(mOversampler.BlockSize(), 1);
  for (int start = 0; start < nFrames; start += piece)
  {
    const int n = std::min(piece, nFrames - start);
    double* pieceIn[2] = {in[0] + start, in[1] + start};
    const int upLength = mOversampler.Up(pieceIn, n, nOut);
    if (process)
      ProcessCore(mOversampler.UpOut(), mOversampler.DownIn(), upLength, nOut, nOut);
    else
      for (int c = 0; c < nOut; ++c) CopyBuffer(mOversampler.UpOut()[c], mOversampler.DownIn()[c], upLength, 0);
    const int downLength = mOversampler.Down(upLength, nOut);
    if (!process) continue;
    // Once the resamplers hold their latency's worth of input they return as much as they take. Until then
    // (from a clear) they return less: what they do return is the start of the signal and ends the piece, after
    // the silence that makes up the latency.
    double* pieceOut[2] = {outputs[0] + start, outputs[nOut == 1 ? 0 : 1] + start};
    const int returned = std::clamp(downLength, 0, n);
    ZeroChannelBuffers(pieceOut, n - returned, nOut);
    for (int c = 0; c < nOut && returned > 0; ++c)
      CopyBuffer(mOversampler.DownOut()[c], pieceOut[c], returned, n - returned);
  }
}

void Drovik::ProcessCore(double** inputs, double** outputs, int nFrames, int nIn, int nOut)
{
  if (nFrames <= 0 || nOut <= 0) return;
  const double* inL = inputs[0];
  const double* inR = (nOut == 2 && nIn >= 2 && nIn <= 4) ? inputs[1] : inputs[0];
  double* outL = outputs[0];
  double* outR = nOut == 1 ? outputs[0] : outputs[1];
  const double inGain = DbToGain(mInputTrimDb);
  const double outGain = DbToGain(mOutputTrimDb);
  mChain.ProcessBlock(inL, inR, outL, outR, nFrames, inGain, outGain, CurrentFrameSettings());
  AdvanceMeterClock(nFrames);
}

void Drovik::ProcessFrame(double& L, double& R, double inGainL, double inGainR, double outGainL, double outGainR)
{
  mChain.ProcessFrame(L, R, inGainL, inGainR, outGainL, outGainR, CurrentFrameSettings());
}

FrameSettings Drovik::CurrentFrameSettings() const
{
  FrameSettings s;
  s.satOn = mSatSettings.on;
  s.placement = mSatSettings.placement;
  s.clipOn = mClipOn;
  s.monitorMode = mMonitorMode0;
  s.monitorPlacement = mMonitorMode1;
  return s;
}

void Drovik::AdvanceMeterClock(int nFrames)
{
  if (mMeterClock.Advance(nFrames)) RaiseMeterUpdate();
}
