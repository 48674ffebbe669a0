// Parameter changes and editor actions: the mirrors the audio thread reads, the DSP objects that depend on
// them, the editor's state, and afterwards latency, bypass delay and the meter flag.
#include "effect/Drovik.h"

#include "core/HostId.h"

#include <cmath>

namespace {

/// Hosts that are told a changed latency at once (the others learn it at reset or from the idle handler).
bool ReportsLatencyAtOnce(int host)
{
  return host == plug::kHostFL || host == plug::kHostLogic || host == plug::kHostStudioOne ||
         host == plug::kHostWaveform || host == plug::kHostSadie;
}

/// The highest action id; every idx above it only runs the common tail.
constexpr int kLastActionId = kActionResetMeters;

} // namespace

bool Drovik::AcceptsChangeFrom(int idx, plug::EParamChangeSource source) const
{
  switch (source)
  {
  case plug::kReset:
  case plug::kPresetRecall:
  case plug::kUI:
    return true;
  case plug::kHost:
  {
    const plug::IParam* p = GetParam(idx);
    return !p || p->GetCanAutomate();
  }
  default:
    return false;
  }
}

void Drovik::OnParamChange(int idx, plug::EParamChangeSource source, int sampleOffset)
{
  if (!AcceptsChangeFrom(idx, source)) return;
  if (RunFileAction(idx))
  {
    plug::LibMutexLock lock(mMutex);
    FinishChange();
    return;
  }
  // What the change needs is built before the lock the audio thread takes; the objects it replaces are freed
  // after the lock is released (prepared is destroyed last).
  PreparedChange prepared;
  const bool own = (idx == kOversampling || idx == kMeterMode) &&
                   PrepareChange(GetParam(kOversampling)->Int(), GetParam(kMeterMode)->Int(), prepared);
  plug::LibMutexLock lock(mMutex);
  if (own) mPrepared = &prepared;
  if (idx >= 0 && idx <= kLastActionId) ApplyChange(idx, source);
  FinishChange();
  if (own) mPrepared = nullptr;
}

bool Drovik::PrepareChange(int oversampling, int meterMode, PreparedChange& out)
{
  const int factor = FactorOfSetting(oversampling);
  Oversampler::Shape shape;
  bool newFactor = false, newMeters = false;
  int oldMeterMode = 0;
  double rate = 0.0;
  {
    plug::LibMutexLock lock(mMutex);
    if (mPrepared) return false;
    shape = mOversampler.CurrentShape();
    newFactor = factor != mOversampler.Factor() && factor <= kMaxOversampling;
    // Meters whose buffers already hold the windows of the old and the new mode at the new rate (a state applies
    // the two settings one after the other) need nothing built.
    const double newRate = mSampleRate * factor;
    newMeters = (newFactor || meterMode != mMeterMode) &&
                !(mChain.MetersHoldBuffersFor(mMeterMode, newRate) && mChain.MetersHoldBuffersFor(meterMode, newRate));
    oldMeterMode = mMeterMode;
    rate = mSampleRate;
  }
  if (newFactor) out.resamplers = Oversampler::BuildFactorSet(shape, factor);
  if (out.resamplers) ReserveLatency(out.resamplers->latency);
  if (newMeters) out.meters = FrameChain::MeterBuffersFor(oldMeterMode, meterMode, rate * factor);
  return newFactor || newMeters;
}

void Drovik::ApplyChange(int idx, plug::EParamChangeSource source)
{
  const plug::IParam* param = GetParam(idx);
  const double value = param ? param->Value() : 0.0;
  const int intValue = param ? param->Int() : 0;
  if (ApplyToMirror(idx, value, intValue) || RunEditorAction(idx)) return;
  switch (idx)
  {
  case kOversampling: ApplyOversampling(intValue); break;
  case kClipCeiling: ApplyClipCeiling(value, source); break;
  case kMeterMode: ApplyMeterMode(intValue); break;
  case kSat_offon:
    if (intValue != mSatSettings.on) mSatSettings.on = intValue;
    break;
  case kSat_ProcMode: mSatSettings.placement = intValue; break;
  case kSat_mode: ApplySaturationMode(intValue, source); break;
  case kSat_stages:
  case kSat_driveeven:
  case kSat_driveodd:
  case kSat_fluctuation:
    if (ReadSaturationSettings())
    {
      mChain.SetSaturation(mSatSettings);
      SwitchSaturationOnFromEditor(idx, source);
    }
    break;
  case kHideKnobText:
    mHideKnobText = intValue;
    RequestEditorWork(kEditorControlStates);
    break;
  default:
    break;
  }
}

void Drovik::ApplyOversampling(int setting)
{
  if (setting == mOversampling) return;
  mOversampling = setting;
  {
    plug::LibMutexLock again(mMutex);
    std::unique_ptr<Oversampler::FactorSet> none;
    mOversampler.SetFactor(FactorOfSetting(mOversampling), mPrepared ? mPrepared->resamplers : none);
    PrepareDSP();
  }
  mChain.ResetMeters();
}

void Drovik::ApplyClipCeiling(double ceilingDb, plug::EParamChangeSource source)
{
  if (ceilingDb == mClipCeilingDb) return;
  mClipCeilingDb = ceilingDb;
  // Only the ceiling knob turned in the editor switches the clipper on.
  if (source == plug::kUI && ParamUnderMouse() == kClipCeiling && mClipOn <= 0)
  {
    mClipOn = 1;
    SetParamFromInt(kClipoffon, 1);
  }
  mChain.SetCeiling(mClipCeilingDb);
}

void Drovik::ApplyMeterMode(int mode)
{
  if (mode == mMeterMode) return;
  mMeterMode = mode;
  mChain.SetMeterMode(mMeterMode, ProcessRate(), mPrepared ? &mPrepared->meters : nullptr);
  RequestEditorWork(kEditorControlStates);
}

void Drovik::ApplySaturationMode(int mode, plug::EParamChangeSource source)
{
  if (mode == mSatSettings.mode) return;
  mSatSettings.mode = mode;
  mChain.SetSaturation(mSatSettings);
  SwitchSaturationOnFromEditor(kSat_mode, source);
  RequestEditorWork(kEditorControlStates);
}

bool Drovik::RunEditorAction(int idx)
{
  switch (idx)
  {
  case kActionAbout:
    if (EditorIsOpen() && !mShowAbout) mShowAbout = true;
    return true;
  case kActionVersionCheck:
    if (EditorIsOpen() && !mCheckVersion) mCheckVersion = true;
    return true;
  case kActionApplyGUIScale:
  case kActionResetGUIScale:
    if (EditorIsOpen()) RequestEditorWork(idx == kActionApplyGUIScale ? kEditorApplyScale : kEditorResetScale);
    return true;
  case kActionResetMeters:
    mChain.ResetMeters();
    return true;
  default:
    return false;
  }
}

bool Drovik::RunFileAction(int idx)
{
  // The file is read and parsed, or written, while the audio runs on; a load then applies what it read through
  // the state reader, which takes the lock only to apply it.
  switch (idx)
  {
  case kActionLoadPreset:
    if (EditorIsOpen()) LoadPresetFile(ChosenPresetPath().c_str());
    return true;
  case kActionSavePreset:
    if (EditorIsOpen()) SavePresetFile(ChosenPresetPath().c_str());
    return true;
  case kActionSaveDefaultPreset:
    if (EditorIsOpen()) SaveDefaultPresetFile(VST2DataFolder().Get());
    return true;
  case kActionRescanPresets:
    if (EditorIsOpen()) RescanPresets(DataFolder().Get());
    return true;
  default:
    return false;
  }
}

bool Drovik::ApplyToMirror(int idx, double value, int intValue)
{
  // The parameters whose change only sets the mirror the audio thread reads and, when it changed, may ask the
  // editor for work.
  struct Row
  {
    int idx;
    Mirror<double> Drovik::*real;
    Mirror<int> Drovik::*integer;
    unsigned editorWork;
  };
  static constexpr Row kRows[] = {
    {kGUIScale, &Drovik::mGUIScale, nullptr, kEditorResize},
    {kTooltips, nullptr, &Drovik::mTooltips, kEditorControlStates},
    {kBypass, nullptr, &Drovik::mBypass, kEditorControlStates},
    {kClipoffon, nullptr, &Drovik::mClipOn, 0},
    {kMeterDisplayMode, nullptr, &Drovik::mMeterDisplayMode, kEditorControlStates},
    {kVURef, &Drovik::mRefVU, nullptr, 0},
    {kEBUSLRef, &Drovik::mRefEBUSL, nullptr, 0},
    {kEBUMLRef, &Drovik::mRefEBUML, nullptr, 0},
    {kRMSRef, &Drovik::mRefRMS, nullptr, 0},
    {kPEAKRef, &Drovik::mRefPEAK, nullptr, 0},
    {kMonitorMode0, nullptr, &Drovik::mMonitorMode0, 0},
    {kMonitorMode1, nullptr, &Drovik::mMonitorMode1, 0},
    {kInputTrim, &Drovik::mInputTrimDb, nullptr, 0},
    {kOutputTrim, &Drovik::mOutputTrimDb, nullptr, 0},
  };
  for (const Row& row : kRows)
  {
    if (row.idx != idx) continue;
    const bool changed = row.real ? this->*row.real != value : this->*row.integer != intValue;
    if (row.real)
      this->*row.real = value;
    else
      this->*row.integer = intValue;
    if (changed && row.editorWork) RequestEditorWork(row.editorWork);
    return true;
  }
  return false;
}

bool Drovik::ReadSaturationSettings()
{
  SatSettings s = mSatSettings;
  s.mode = GetParam(kSat_mode)->Int();
  s.stages = GetParam(kSat_stages)->Int();
  s.even = GetParam(kSat_driveeven)->Value();
  s.odd = GetParam(kSat_driveodd)->Value();
  s.fluctuation = GetParam(kSat_fluctuation)->Value();
  const bool changed = s.mode != mSatSettings.mode || s.stages != mSatSettings.stages ||
                       s.even != mSatSettings.even || s.odd != mSatSettings.odd ||
                       s.fluctuation != mSatSettings.fluctuation;
  mSatSettings = s;
  return changed;
}

void Drovik::SwitchSaturationOnFromEditor(int idx, plug::EParamChangeSource source)
{
  // Only a knob turned in the editor switches saturation on; automation and recalls never do.
  if (source != plug::kUI || ParamUnderMouse() != idx || mSatSettings.on > 0) return;
  mSatSettings.on = 1;
  SetParamFromInt(kSat_offon, 1);
}

void Drovik::FinishChange()
{
  mLatency = CurrentOSLatency();
  if (mLatency != GetLatency())
  {
    // The bypassed signal runs at the host rate: its delay is the reported latency itself.
    mBypassRingL.SetLength(mLatency);
    mBypassRingR.SetLength(mLatency);
  }
  mReportedLatency = mLatency;
  // The record holds the new latency at once for a host that reads it before it is told.
  SetRecordLatency(mLatency);
  if (ReportsLatencyAtOnce(GetHost()) && mLatency != GetLatency()) SetLatency(mLatency);
  RaiseMeterUpdate();
}

void Drovik::SetParamFromInt(int idx, int value)
{
  plug::IParam* p = GetParam(idx);
  if (!p || p->Int() == value) return;
  SetParamAndTell(idx, static_cast<double>(value));
}

void Drovik::SetParamFromDouble(int idx, double value)
{
  plug::IParam* p = GetParam(idx);
  if (!p || p->Value() == value) return;
  SetParamAndTell(idx, value);
}

void Drovik::SetParamAndTell(int idx, double value)
{
  plug::IParam* p = GetParam(idx);
  p->Set(value);
  SendParamValueToUI(idx, value, false);
  const double normalized = std::min(std::max(p->ToNormalized(value), 0.0), 1.0);
  SetParameterValue(idx, normalized, true);
  p->Set(p->FromNormalized(normalized));
  OnUIParamChange(idx, plug::kUI);
}

// ---- editor side ----

bool Drovik::EditorIsOpen() const { return GetOpenGraphics() != nullptr; }

void Drovik::OnUIOpen()
{
  for (int i = 0; i < NParams(); ++i)
    SendParamValueToUI(i, std::min(std::max(GetParam(i)->GetNormalized(), 0.0), 1.0), true);
  mUIOpen = true;
  // The meters are drawn from the current state at the first tick, also when no audio runs (bypassed, say).
  RaiseMeterUpdate();
}

void Drovik::OnUIClose() { mUIOpen = false; }

double Drovik::GetMirror(int idx) const
{
  switch (idx)
  {
  case kGUIScale: return mGUIScale;
  case kTooltips: return mTooltips;
  case kOversampling: return mOversampling;
  case kBypass: return mBypass;
  case kClipoffon: return mClipOn;
  case kClipCeiling: return mClipCeilingDb;
  case kMeterDisplayMode: return mMeterDisplayMode;
  case kMeterMode: return mMeterMode;
  case kVURef: return mRefVU;
  case kEBUSLRef: return mRefEBUSL;
  case kEBUMLRef: return mRefEBUML;
  case kRMSRef: return mRefRMS;
  case kPEAKRef: return mRefPEAK;
  case kMonitorMode0: return mMonitorMode0;
  case kMonitorMode1: return mMonitorMode1;
  case kSat_offon: return mSatSettings.on;
  case kSat_ProcMode: return mSatSettings.placement;
  case kSat_mode: return mSatSettings.mode;
  case kSat_stages: return mSatSettings.stages;
  case kSat_driveeven: return mSatSettings.even;
  case kSat_driveodd: return mSatSettings.odd;
  case kSat_fluctuation: return mSatSettings.fluctuation;
  case kHideKnobText: return mHideKnobText;
  case kInputTrim: return mInputTrimDb;
  case kOutputTrim: return mOutputTrimDb;
  default: return std::nan("");
  }
}
