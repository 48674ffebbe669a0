// The effect's parameter indices, the values their enumerations select, and the action ids the editor sends
// to OnParamChange beside the parameter indices.
#pragma once

// EMeterMode, EChannelMode, EMonitorPlacement and ESatMode: the signal path reads them too.
#include "effect/dsp/modes.h"

enum EParamIdx
{
  kGUIScale = 0,
  kTooltips,
  kOversampling,
  kBypass,
  kClipoffon,
  kClipCeiling,
  kMeterDisplayMode,
  kMeterMode,
  kVURef,
  kEBUSLRef,
  kEBUMLRef,
  kRMSRef,
  kPEAKRef,
  kMonitorMode0,
  kMonitorMode1,
  kSat_offon,
  kSat_ProcMode,
  kSat_mode,
  kSat_stages,
  kSat_driveeven,
  kSat_driveodd,
  kSat_fluctuation,
  kHideKnobText,
  kInputTrim,
  kOutputTrim,
  kNumParams
};

enum EOversampling
{
  kOSOff = 0,
  kOS2x = 1,
  kOS4x = 2,
};

enum EMeterDisplay
{
  kMeterIn = 0,
  kMeterOut = 1,
};

enum EUIAction
{
  kActionAbout = 26,
  kActionVersionCheck = 27,
  kActionHiddenClick = 29,
  kActionLoadPreset = 30,
  kActionSavePreset = 31,
  kActionSaveDefaultPreset = 32,
  kActionRescanPresets = 33,
  kActionApplyGUIScale = 35,
  kActionResetGUIScale = 36,
  kActionResetMeters = 37,
};
