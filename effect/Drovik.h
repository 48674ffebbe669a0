// The saturation effect's plug-in class: one object per instance, created by the entry point and driven by the
// host through the VST 2.x binding. It fixes the configuration handed to the framework, defines the 25
// parameters and the factory presets, and stores its state as a RIFF-style chunk holding an XML document.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "core/IPresetSlot.h"
#include "core/LibMutex.h"
#include "core/LibPtrList.h"
#include "core/LibString.h"
#include "core/vst2/IPluginVST2.h"
#include "effect/DrovikParams.h"
#include "effect/IXMLPreset.h"

/// Latency last reported to the host.
class IExtPDCHandler
{
protected:
  int mReportedLatency = 0;
};

/// A message box the idle handler shows once it is pending.
class ICMessageBox
{
protected:
  plug::LibString mMsgBoxTitle;
  plug::LibString mMsgBoxText;
  bool mMsgBoxPending = false;
};

class Drovik : public plug::IPluginVST2, private IExtPDCHandler, private IXMLPreset, public IXMLParameters,
               private ICMessageBox
{
public:
  static constexpr int kNumPresets = 1;
  static constexpr const char* kChannelIO = "1-1 2-2";
  static constexpr const char* kPluginName = "Drovik";
  static constexpr const char* kMfrName = "Vesquin";
  static constexpr int kVersion = 0x00010001; // 1.0.1
  static constexpr const char* kBundleID = "com.Vesquin.vst.Drovik";
  static constexpr int kEditorWidth = 468;
  static constexpr int kEditorHeight = 450;
  /// The state chunk's ids and version.
  static constexpr const char* kChunkRIFF = "RIFF";
  static constexpr const char* kChunkForm = "VQCM";
  static constexpr const char* kChunkSub = "VQCS";
  static constexpr uint32_t kChunkVersion = 1;
  static constexpr int kNumFactoryPresets = 11;

  /// The configuration handed to the framework.
  static plug::IPluginConfig MakeConfig();

  explicit Drovik(const plug::InstanceInfo& info);
  ~Drovik() override;

  // State (the framework's state operations only forward to the chunk reader and writer).
  bool SerializeState(plug::IStateChunk& chunk) const override { return WriteStateChunk(chunk); }
  int UnserializeState(const plug::IStateChunk& chunk, int startPos) override
  {
    return ReadStateChunk(chunk, startPos);
  }
  /// Appends one state chunk of the live values. [main thread]
  bool WriteStateChunk(plug::IStateChunk& chunk) const;
  /// The position after the chunk at pos, pos itself when no chunk of this effect starts there, or -1 for a
  /// header cut short.
  int ReadStateChunk(const plug::IStateChunk& chunk, int pos);

  // Parameters and factory presets.
  void InitParams();
  int InitFactoryPresets();
  /// Makes slot a preset of the default values overridden by count (index, value) pairs.
  void MakePresetFromDefaults(plug::IPresetSlot& slot, const char* name, int count, ...);
  /// A factory preset of the default values overridden by count (index, value) pairs: values passed as int
  /// for bool, int and enum parameters, as double for the others.
  void MakePresetFromValueList(const char* name, int count, ...);
  void CopyPresetToSlot(const plug::IPresetSlot& from, int idx);

  int NFactoryPresets() const { return mFactoryPresets.GetSize(); }
  const plug::IPresetSlot* GetFactoryPreset(int idx) const { return mFactoryPresets.Get(idx); }

  /// Installs the editor's graphics-context factory and layout function.
  void InitPlugControls();

protected:
  /// Sizes the DSP objects for the current rate, block size and settings (may allocate). [main thread]
  void PrepareDSP();

  plug::LibMutex mMutex;

  // Mirrors of the parameters: the defaults the parameters start from.
  double mGUIScale = 1.0;
  int mTooltips = 1;
  int mOversampling = kOSOff;
  int mBypass = 0;
  int mMeterDisplayMode = kMeterOut;
  int mMeterMode = kMeterVU;
  double mVURefDb = -18.0;
  double mEBUSLRefDb = -23.0;
  double mEBUMLRefDb = -23.0;
  double mRMSRefDb = -18.0;
  double mPEAKRefDb = 0.0;
  int mMonitorMode0 = kChStereo;
  int mMonitorMode1 = kMonNormal;
  int mClipOn = 0;
  double mClipCeilingDb = -0.1;
  double mInputTrimDb = 0.0;
  double mOutputTrimDb = 0.0;
  int mHideKnobText = 0;
  bool mShowAbout = false;
  bool mCheckVersion = false;
  bool mUIOpen = false;

  // Saturation defaults (the saturation settings record takes them over).
  static constexpr int kSatOnDefault = 0;
  static constexpr int kSatPlacementDefault = kChStereo;
  static constexpr int kSatModeDefault = kSatClean;
  static constexpr int kSatStagesDefault = 1;
  static constexpr double kSatEvenDefault = 0.0;
  static constexpr double kSatOddDefault = 0.0;
  static constexpr double kSatFluctuationDefault = 0.0;

  // The preset store.
  plug::LibPtrList<plug::IPresetSlot> mFactoryPresets;
  plug::LibPtrList<plug::IPresetSlot> mUserPresets;
  plug::IPresetSlot mSparePreset;
  bool mPresetStoreOn = false;
  bool mStateSubsetOn = false;
  const IXMLParameterRow* mStateSubsetTable = nullptr;

private:
  /// Appends header, XML text of values named presetName, sizes and pads.
  bool AppendStateChunk(const double* values, const char* presetName, plug::IStateChunk& chunk) const;
  /// Fills values (one per parameter) with the defaults overridden by count pairs read from args.
  void ReadValueList(double* values, int count, va_list args) const;
};
