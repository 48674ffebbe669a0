// The 25 parameters of the effect and its factory presets.
#include <cstring>
#include <vector>

#include "effect/Drovik.h"

using plug::IParam;
using plug::IPresetSlot;

void Drovik::InitParams()
{
  auto P = [this](int idx) { return GetParam(idx); };
  P(kGUIScale)->InitDouble("GUI Scale", mGUIScale, 0.5, 3.0, 0.01, "", IParam::kFlagCannotAutomate, "GUI");
  P(kTooltips)->InitEnum("Toggle Tooltips", mTooltips, 2, "", 0, "GUI", "Off", "On");
  P(kOversampling)->InitEnum("OS Off/2x/4x", mOversampling, 3, "", 0, "Processing", "off", "2x", "4x");
  P(kBypass)->InitEnum("ByPass Off/On", mBypass, 2, "", 0, "Processing", "off", "on");
  P(kClipoffon)->InitEnum("Clip Off/On", mClipOn, 2, "", 0, "Clip", "off", "on");
  P(kClipCeiling)->InitDouble("Clip Ceiling", mClipCeilingDb, -60.0, 0.0, 0.1, "", 0, "Clip");
  P(kMeterDisplayMode)->InitEnum("Meter Display Mode", mMeterDisplayMode, 2, "", 0, "Meter", "In", "Out");
  P(kMeterMode)->InitEnum("Meter Mode", mMeterMode, 5, "", 0, "Meter", "PEAK", "RMS", "EBU ML", "EBU SL", "VU");
  P(kVURef)->InitDouble("VU Reference", mRefVU, -36.0, 0.0, 1.0, "dBFS", 0, "Meter");
  P(kEBUSLRef)->InitDouble("EBU SL Reference", mRefEBUSL, -36.0, 0.0, 1.0, "dBFS", 0, "Meter");
  P(kEBUMLRef)->InitDouble("EBU ML Reference", mRefEBUML, -36.0, 0.0, 1.0, "dBFS", 0, "Meter");
  P(kRMSRef)->InitDouble("RMS Reference", mRefRMS, -36.0, 0.0, 1.0, "dBFS", 0, "Meter");
  P(kPEAKRef)->InitDouble("PEAK Reference", mRefPEAK, -36.0, 0.0, 1.0, "dBFS", 0, "Meter");
  P(kMonitorMode0)->InitEnum("Monitor Mode 0", mMonitorMode0, 5, "", 0, "Monitor", "Stereo", "Left", "Right", "Mid",
                             "Side");
  P(kMonitorMode1)->InitEnum("Monitor Mode 1", mMonitorMode1, 2, "", 0, "Monitor", "Normal", "In place");
  P(kSat_offon)->InitEnum("Saturation Off/On", kSatOnDefault, 2, "", 0, "Saturation", "off", "on");
  P(kSat_ProcMode)->InitEnum("Saturation Stereo Placement", kSatPlacementDefault, 5, "", 0, "Saturation", "Stereo",
                             "Left", "Right", "Mid", "Side");
  P(kSat_mode)->InitEnum("Saturation Mode", kSatModeDefault, 4, "", 0, "Saturation", "clean", "warm", "crisp",
                         "classic");
  P(kSat_stages)->InitInt("Saturation Stages", kSatStagesDefault, 1, 5, "", 0, "Saturation");
  P(kSat_driveeven)->InitDouble("Saturation Even Harmonics", kSatEvenDefault, 0.0, 100.0, 1.0, "%", 0, "Saturation");
  P(kSat_driveodd)->InitDouble("Saturation Odd Harmonics", kSatOddDefault, 0.0, 100.0, 1.0, "%", 0, "Saturation");
  P(kSat_fluctuation)->InitDouble("Saturation Fluctuation", kSatFluctuationDefault, 0.0, 100.0, 1.0, "%", 0,
                                  "Saturation");
  P(kHideKnobText)->InitEnum("Hide Knob Overlay Text", mHideKnobText, 2, "", 0, "GUI", "off", "on");
  P(kInputTrim)->InitDouble("Input Trim", mInputTrimDb, -24.0, 24.0, 0.1, "dB", 0, "Processing");
  P(kOutputTrim)->InitDouble("Output Trim", mOutputTrimDb, -24.0, 24.0, 0.1, "dB", 0, "Processing");
  for (const MeterScalePoint& point : kMeterScale) mMeterShape.AddPoint(point.db, point.position);
  InitFactoryPresets();
}

int Drovik::InitFactoryPresets()
{
  MakePresetFromDefaults(mSparePreset, "Init", 0);
  MakePresetFromValueList("Init", 0);
  if (mPresetStoreOn)
    CopyPresetToSlot(mSparePreset, 0);

  // clang-format off
  MakePresetFromValueList("Light", 7, kSat_offon, 1, kSat_ProcMode, 0, kSat_mode, int(kSatClean), kSat_stages, 1,
                          kSat_driveeven, 25.0, kSat_driveodd, 25.0, kSat_fluctuation, 0.0);
  MakePresetFromValueList("Medium", 7, kSat_offon, 1, kSat_ProcMode, 0, kSat_mode, int(kSatClean), kSat_stages, 2,
                          kSat_driveeven, 51.4, kSat_driveodd, 51.4, kSat_fluctuation, 0.0);
  MakePresetFromValueList("Warm", 7, kSat_offon, 1, kSat_ProcMode, 0, kSat_mode, int(kSatWarm), kSat_stages, 2,
                          kSat_driveeven, 61.1, kSat_driveodd, 34.3, kSat_fluctuation, 3.0);
  MakePresetFromValueList("Crazy", 7, kSat_offon, 1, kSat_ProcMode, 0, kSat_mode, int(kSatCrisp), kSat_stages, 3,
                          kSat_driveeven, 82.4, kSat_driveodd, 68.3, kSat_fluctuation, 29.0);
  MakePresetFromValueList("Fuzzy", 9, kClipoffon, 1, kClipCeiling, -27.4, kSat_offon, 1, kSat_ProcMode, 0,
                          kSat_mode, int(kSatCrisp), kSat_stages, 5, kSat_driveeven, 0.1, kSat_driveodd, 100.0,
                          kSat_fluctuation, 34.2);
  MakePresetFromValueList("Hit the ceiling", 9, kClipoffon, 1, kClipCeiling, -19.8, kSat_offon, 1, kSat_ProcMode, 0,
                          kSat_mode, int(kSatCrisp), kSat_stages, 5, kSat_driveeven, 43.3, kSat_driveodd, 78.8,
                          kSat_fluctuation, 0.0);
  MakePresetFromValueList("Transformey", 7, kSat_offon, 1, kSat_ProcMode, 0, kSat_mode, int(kSatCrisp), kSat_stages,
                          5, kSat_driveeven, 0.0, kSat_driveodd, 79.7, kSat_fluctuation, 0.0);
  MakePresetFromValueList("Tubey", 7, kSat_offon, 1, kSat_ProcMode, 0, kSat_mode, int(kSatWarm), kSat_stages, 5,
                          kSat_driveeven, 100.0, kSat_driveodd, 0.0, kSat_fluctuation, 0.0);
  MakePresetFromValueList("Unstable Drive", 7, kSat_offon, 1, kSat_ProcMode, 0, kSat_mode, int(kSatWarm),
                          kSat_stages, 5, kSat_driveeven, 75.1, kSat_driveodd, 74.9, kSat_fluctuation, 100.0);
  // clang-format on
  return kNumFactoryPresets;
}

void Drovik::ReadValueList(double* values, int count, va_list args) const
{
  for (int i = 0; i < NParams(); ++i)
    values[i] = kUnsetValue;
  for (int i = 0; i < count; ++i)
  {
    const int idx = va_arg(args, int);
    const IParam* p = GetParam(idx);
    if (!p)
      break; // the value's type is unknown: the rest of the list cannot be read
    const bool asInt =
      p->Type() == IParam::kTypeBool || p->Type() == IParam::kTypeInt || p->Type() == IParam::kTypeEnum;
    values[idx] = asInt ? double(va_arg(args, int)) : va_arg(args, double);
  }
  for (int i = 0; i < NParams(); ++i)
    if (values[i] == kUnsetValue)
      values[i] = GetParam(i)->GetDefault();
}

void Drovik::MakePresetFromDefaults(IPresetSlot& slot, const char* name, int count, ...)
{
  std::vector<double> values(static_cast<size_t>(NParams()));
  va_list args;
  va_start(args, count);
  ReadValueList(values.data(), count, args);
  va_end(args);
  slot.mInitialized = true;
  slot.SetName(name);
  slot.mChunk.Clear();
  AppendStateChunk(values.data(), slot.mName, slot.mChunk);
}

void Drovik::MakePresetFromValueList(const char* name, int count, ...)
{
  IPresetSlot* slot = nullptr;
  if (mPresetStoreOn)
  {
    slot = new IPresetSlot;
    if (!mFactoryPresets.Add(slot))
    {
      delete slot;
      return;
    }
  }
  else
    slot = FirstFreeSlot();
  if (!slot)
    return;
  std::vector<double> values(static_cast<size_t>(NParams()));
  va_list args;
  va_start(args, count);
  ReadValueList(values.data(), count, args);
  va_end(args);
  slot->mInitialized = true;
  slot->SetName(name);
  AppendStateChunk(values.data(), slot->mName, slot->mChunk);
}

void Drovik::CopyPresetToSlot(const IPresetSlot& from, int idx)
{
  IPresetSlot* to = GetPresetSlot(idx);
  if (!to)
    return;
  to->SetName(from.mName);
  to->mChunk.Clear();
  to->mChunk.PutChunk(from.mChunk);
  to->mInitialized = true;
}
