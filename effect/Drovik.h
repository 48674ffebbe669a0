// The saturation effect's plug-in class: one object per instance, created by the entry point and driven by the
// host through the VST 2.x binding. It fixes the configuration handed to the framework, defines the 25
// parameters and the factory presets, and stores its state as a RIFF-style chunk holding an XML document.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/IPresetSlot.h"
#include "core/LibMutex.h"
#include "core/LibPtrList.h"
#include "core/LibString.h"
#include "core/vst2/IPluginVST2.h"
#include "effect/DrovikEditorLink.h"
#include "effect/DrovikParams.h"
#include "effect/IMPlugPaths.h"
#include "effect/IXMLPreset.h"
#include "effect/MeterScale.h"
#include "effect/Oversampler.h"
#include "effect/ParamMirror.h"
#include "effect/ShapeLinearCustom.h"
#include "effect/VuMeterCtrlIdx.h"
#include "effect/dsp/delay_ring.h"
#include "effect/dsp/frame_chain.h"
#include "effect/dsp/meter_clock.h"
#include "effect/dsp/sat_settings.h"
#include "effect/dsp/sat_stage_bank.h"
#include "effect/dsp/sample_rate.h"

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

class Drovik : public plug::IPluginVST2, private IMPlugPaths, private IExtPDCHandler, private IXMLPreset, public IXMLParameters,
               private ICMessageBox
{
public:
  static constexpr int kNumPresets = 1;
  static constexpr const char* kChannelIO = "1-1 2-2";
  static constexpr const char* kPluginName = "Drovik";
  static constexpr const char* kMakerName = "Vesquin";
  static constexpr int kVersion = 0x00010001; // 1.0.1
  static constexpr const char* kVersionText = "1.0.1";
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
  /// header cut short or damaged (a wrong version or id, an empty inner chunk) or a document refused (nothing
  /// changed then).
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
  /// The preset of the values at construction ("Init"), kept before any default preset file is applied.
  const plug::IPresetSlot& GetInitialPreset() const { return mSparePreset; }

  /// Installs the editor's graphics-context factory and layout function (nothing without an editor link).
  void InitPlugControls();
  /// Gives the plug-in its editor and installs it. [main thread, while the instance is made]
  void AttachEditor(std::unique_ptr<DrovikEditorLink> editor);
  DrovikEditorLink* GetEditorLink() const { return mEditor.get(); }

  // Parameter changes and editor actions (DrovikParamChange.cpp).
  /// Copies a changed parameter into the mirror the audio thread reads and updates what depends on it, or runs
  /// an editor action (ids 26..37); then brings latency, bypass delay and the meter flag up to date.
  /// [any thread; takes the plug-in lock, except while an action on preset files reads or writes them]
  void OnParamChange(int idx, plug::EParamChangeSource source, int sampleOffset) override;
  /// Sets a parameter from the effect's side, tells the editor and the host. [main thread]
  void SetParamFromInt(int idx, int value);
  void SetParamFromDouble(int idx, double value);
  /// Refreshes the editor's controls from the mirrors; nothing while no editor is open. [main thread]
  virtual void UpdateControlStates();
  /// Moves the meters of the open editor with the audio. [main thread, from the idle handler]
  void UpdateMeterDisplay();
  /// Stores parameter idx, truncated to an integer, in member when it differs, then refreshes the controls.
  /// [main thread]
  void SyncParamToMember(int idx, Mirror<int>& member);
  /// Whether the knob at a control index shows its value overlay; false while no editor is open. [main thread]
  bool KnobValueOverlay(int controlIdx) const;

  // Control-list positions that the editor's layout records while it attaches the controls (valid while that
  // editor is open). [main thread]
  int mClipLedIdx = -1;
  VuMeterCtrlIdx mLeftMeterIdx, mRightMeterIdx;
  std::vector<int> mKnobTextIdx;
  void OnUIOpen() override;
  void OnUIClose() override;
  /// The mirror of parameter idx as the audio thread sees it (NaN for an index without one). [any thread]
  double GetMirror(int idx) const;

  // Preset files (DrovikPresetFiles.cpp). [main thread]
  /// Loads a ".vqp" file into the current preset and notifies every parameter; false (nothing changed) for a
  /// missing, unreadable, foreign or malformed file.
  bool LoadPresetFile(const char* path);
  /// Saves every parameter to path, named after the file (between the last "/" and the last "." after it); a
  /// file name without an extension gets ".vqp".
  bool SavePresetFile(const char* path) const;
  /// Saves, or loads, the default preset of a folder (folder/default.vqp).
  bool SaveDefaultPresetFile(const char* folder) const;
  void LoadDefaultPresetFile(const char* folder);
  /// Fills slot from a preset file (defaults for what the file lacks); false, with the slot unnamed and at the
  /// defaults, when the file is no valid preset. The file is read once.
  bool LoadXMLPreset(plug::IPresetSlot& slot, const plug::LibString& path, bool subsetOnly);
  /// The user list becomes the valid ".vqp" regular files of folder that are not hidden, in alphabetical order.
  /// The folder is read again only when it is another folder, its modification time changed since the last
  /// scan, or one of the files that scan read changed (times, size or identity). At most kMaxUserPresetFiles
  /// files are read and kMaxFolderEntries entries looked at, within kPresetScanSeconds of PresetScanClock; a scan
  /// stopped by a bound lists what it found and says so through UserPresetsCut. The new list is read without the
  /// plug-in lock and swapped in under it.
  void RescanPresets(const char* folder);
  bool UserPresetsCut() const { return mUserList->cut; }
  static constexpr int kMaxUserPresetFiles = 1000;
  static constexpr int kMaxFolderEntries = 20000;
  static constexpr double kPresetScanSeconds = 0.5;
  /// A file the last rescan read, as it was then.
  struct ScannedFile
  {
    std::string mName;
    uint64_t mDevice = 0, mInode = 0;
    int64_t mSize = -1, mModified = -1, mChanged = -1;
    bool SameVersion(const ScannedFile& other) const
    {
      return mDevice == other.mDevice && mInode == other.mInode && mSize == other.mSize &&
             mModified == other.mModified && mChanged == other.mChanged;
    }
  };
  int NUserPresets() const { return mUserList->presets.GetSize(); }
  const plug::IPresetSlot* GetUserPreset(int idx) const { return mUserList->presets.Get(idx); }
  /// A path's file name without its extension, at most 1023 characters.
  static void PresetNameFromPath(const char* path, plug::LibString& name);

  // Block processing (DrovikProcess.cpp). [audio thread; each takes the plug-in lock]
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
  void OnReset() override;
  double GetGainReductionDb() override { return 0.0; }
  /// The host's bypass runs through ProcessBlock like the bypass parameter.
  bool ProcessesHostBypass() const override { return true; }
  /// The editor shows the host's bypass as it shows the parameter's: meter faces and meters are refreshed.
  /// [main or audio thread, no lock]
  void OnHostBypass() override;
  /// The per-sample chain for one frame in place. [audio thread, under the plug-in lock]
  void ProcessFrame(double& L, double& R, double inGainL, double inGainR, double outGainL, double outGainR);
  /// The oversampler's latency for its current factor, in host samples. [under the plug-in lock]
  int CurrentOSLatency() const;
  /// True once since the last call when another 20 ms of audio were processed (or a parameter changed). The flag
  /// is raised with release after the meters and mirrors were stored and taken here with acquire, so the editor
  /// that sees it reads those values as they were when it was raised, by every thread that raised it. [main thread]
  bool TakeMeterUpdate() { return mMeterUpdate.exchange(false, std::memory_order_acquire); }
  /// The signal path's objects, for reading meters and the gain-reduction envelope. [any thread, read only]
  const FrameChain& Chain() const { return mChain; }
  /// The meter scale: level in dB against needle position.
  const ShapeLinearCustom& MeterShape() const { return mMeterShape; }
  double GetPreparedSampleRate() const { return mSampleRate; }

  /// Every framework-timer tick, with or without an editor: hands a changed latency to the host (except in the
  /// host that takes it per block) and does the editor work that parameter changes asked for. [main thread]
  void OnIdle() override;
  /// The product data folder (settings file, user presets) and its "VST2" subfolder (default preset).
  using IMPlugPaths::DataFolder;
  using IMPlugPaths::VST2DataFolder;

  /// The settings file's name of the editor switch, and its section (not looked for).
  static constexpr const char* kSettingsSection = "GUI";
  static constexpr const char* kSettingsHasUI = "HasUI";

protected:
  /// Sizes the DSP objects for the current rate, block size and settings: allocates unless the resamplers for
  /// them and the prepared change's meter buffers are already in place (as a reset and a change of oversampling
  /// put them before they call it under the lock). [main thread]
  void PrepareDSP();
  /// PrepareDSP, then the latency is reported to the host.
  void ResetDSPAndReportLatency();
  /// The block loop at the rate of the buffers given. [audio thread, under the plug-in lock]
  void ProcessCore(double** inputs, double** outputs, int nFrames, int nIn, int nOut);
  /// The parameter under the editor's mouse pointer, -1 without an editor. [main thread]
  virtual int ParamUnderMouse() const;
  /// The file chosen in the editor's preset menu, empty without an editor. [main thread]
  virtual std::string ChosenPresetPath() const;
  /// The clock the rescan's time bound is read from. [main thread]
  virtual std::chrono::steady_clock::time_point PresetScanClock() const { return std::chrono::steady_clock::now(); }
  /// Runs the editor work that parameter changes asked for. [main thread, from the idle handler]
  void RunPendingEditorWork();

  plug::LibMutex mMutex;

  // Mirrors of the parameters: the defaults the parameters start from.
  Mirror<double> mGUIScale{1.0};
  Mirror<int> mTooltips{1};
  Mirror<int> mOversampling{kOSOff};
  Mirror<int> mBypass{0};
  Mirror<int> mMeterDisplayMode{kMeterOut};
  Mirror<int> mMeterMode{kMeterVU};
  Mirror<double> mRefVU{-18.0};
  Mirror<double> mRefEBUSL{-23.0};
  Mirror<double> mRefEBUML{-23.0};
  Mirror<double> mRefRMS{-18.0};
  Mirror<double> mRefPEAK{0.0};
  Mirror<int> mMonitorMode0{kChStereo};
  Mirror<int> mMonitorMode1{kMonNormal};
  Mirror<int> mClipOn{0};
  Mirror<double> mClipCeilingDb{-0.1};
  Mirror<double> mInputTrimDb{0.0};
  Mirror<double> mOutputTrimDb{0.0};
  Mirror<int> mHideKnobText{0};
  bool mShowAbout = false;
  bool mCheckVersion = false;
  bool mUIOpen = false;

#ifndef DROVIK_WITHOUT_STAGE_BANKS
  /// Built with the instance, reset once and destroyed with it; nothing else touches them. A build defining
  /// DROVIK_WITHOUT_STAGE_BANKS leaves them out and behaves the same.
  static constexpr int kNumSatStageBanks = 12;
  SatStageBank mSatStageBanks[kNumSatStageBanks];
#endif

  // Saturation defaults (the saturation settings record takes them over).
  static constexpr int kSatOnDefault = 0;
  static constexpr int kSatPlacementDefault = kChStereo;
  static constexpr int kSatModeDefault = kSatClean;
  static constexpr int kSatStagesDefault = 1;
  static constexpr double kSatEvenDefault = 0.0;
  static constexpr double kSatOddDefault = 0.0;
  static constexpr double kSatFluctuationDefault = 0.0;

  SatSettingsMirror mSatSettings{SatSettings{kSatOnDefault, kSatPlacementDefault, kSatModeDefault,
                                             kSatStagesDefault, kSatEvenDefault, kSatOddDefault,
                                             kSatFluctuationDefault}};

  // Processing state.
  /// Capacity of each bypass delay ring (grown when a latency needs more).
  static constexpr int kBypassRingCapacity = 2048;
  /// The oversampler is built for factors up to 4, for four inputs (two used) and two outputs.
  static constexpr int kMaxOversampling = 4;
  static constexpr int kOversamplerInputs = 4;
  static constexpr int kOversamplerOutputs = 2;
  double mSampleRate = kDefaultSampleRate;
  int mBlockSize = 0;
  int mLatency = 0;
  std::atomic<bool> mMeterUpdate{false};
  DelayRing mBypassRingL, mBypassRingR;
  MeterClock mMeterClock;
  Oversampler mOversampler;
  FrameChain mChain;
  ShapeLinearCustom mMeterShape;

  // The preset store.
  plug::LibPtrList<plug::IPresetSlot> mFactoryPresets;
  /// The user list and what the rescan that made it read.
  struct UserPresetList
  {
    plug::LibPtrList<plug::IPresetSlot> presets;
    std::string folder; // the folder the list was read from, and its modification time then
    int64_t folderTime = -1;
    std::vector<ScannedFile> files; // each file the rescan read
    bool cut = false;
    UserPresetList() = default;
    UserPresetList(const UserPresetList&) = delete;
    UserPresetList& operator=(const UserPresetList&) = delete;
    ~UserPresetList() { presets.Clear(true); }
  };
  /// Replaced whole by a rescan (under the plug-in lock); read and replaced on the main thread only.
  std::unique_ptr<UserPresetList> mUserList = std::make_unique<UserPresetList>();
  bool ScannedFilesUnchanged() const;
  /// Reads folder's preset files into list (the folder and its time already set). [main thread, without the lock]
  void ReadUserPresets(const char* folder, UserPresetList& list);
  plug::IPresetSlot mSparePreset;
  bool mPresetStoreOn = false;
  bool mStateSubsetOn = false;
  const IXMLParameterRow* mStateSubsetTable = nullptr;

private:
  friend class DrovikEditor;
  std::unique_ptr<DrovikEditorLink> mEditor;

  /// Bits of editor work that parameter changes ask the idle handler to do.
  enum EEditorWork : unsigned
  {
    kEditorControlStates = 1,
    kEditorResize = 2,
    kEditorApplyScale = 4,
    kEditorResetScale = 8,
  };

  static int FactorOfSetting(int oversampling);
  double ProcessRate() const;
  FrameSettings CurrentFrameSettings() const;
  void FeedBypassRings(double** in, int nFrames);
  void ProcessBypassed(double** in, double** outputs, int nFrames, int nOut);
  /// The host-rate input through the resamplers; with process, through the chain to the outputs, otherwise
  /// unchanged and not to the outputs (bypassed: the resamplers are only kept fed).
  void ProcessOversampled(double** in, double** outputs, int nFrames, int nOut, bool process);
  void AdvanceMeterClock(int nFrames);
  /// Raises the meter flag after what it announces was stored. A read-modify-write, so that a raise on another
  /// thread after this one does not cut this one's stores off from the thread that takes the flag. [any thread]
  void RaiseMeterUpdate() { mMeterUpdate.exchange(true, std::memory_order_release); }
  bool AcceptsChangeFrom(int idx, plug::EParamChangeSource source) const;
  void ApplyChange(int idx, plug::EParamChangeSource source);
  /// The steps of ApplyChange for the parameters that rebuild or reconfigure something when their value changed.
  void ApplyOversampling(int setting);
  void ApplyClipCeiling(double ceilingDb, plug::EParamChangeSource source);
  void ApplyMeterMode(int mode);
  void ApplySaturationMode(int mode, plug::EParamChangeSource source);
  /// Runs the editor's action idx (ids 26..37) other than those on files; false when idx is no such action.
  bool RunEditorAction(int idx);
  /// Runs the editor's action idx when it loads, saves or rescans files, without the plug-in lock (what a load
  /// changes is applied under it); false when idx is no such action. [main thread]
  bool RunFileAction(int idx);
  /// Sets the mirror of a parameter that has nothing else to update (asking the editor for work when it
  /// changed); false for the others.
  bool ApplyToMirror(int idx, double value, int intValue);
  bool ReadSaturationSettings();
  void SwitchSaturationOnFromEditor(int idx, plug::EParamChangeSource source);
  void FinishChange();
  void SetParamAndTell(int idx, double value);
  bool EditorIsOpen() const;
  /// An editor link is attached and its editor is open.
  bool EditorLinked() const;
  void RequestEditorWork(unsigned what);

  std::atomic<unsigned> mPendingEditorWork{0};

  /// What a change of oversampling or meter mode needs that is costly to build: the resamplers of the new
  /// factor (their latency measured) and the meters' window buffers. Built outside the plug-in lock and swapped
  /// in under it; afterwards it holds what was replaced, to be freed outside the lock.
  struct PreparedChange
  {
    std::unique_ptr<Oversampler::FactorSet> resamplers;
    FrameChain::MeterBuffers meters;
  };
  /// Builds, without holding the lock, what switching to an oversampling setting and a meter mode needs; false
  /// when nothing is to be built or a caller on this thread has prepared the change already. [any thread]
  bool PrepareChange(int oversampling, int meterMode, PreparedChange& out);
  /// The prepared change being applied, while its preparer holds the lock. [under the plug-in lock]
  PreparedChange* mPrepared = nullptr;
  /// The setting of an integer parameter once a checked document is applied.
  int SettingAfter(const ParsedPreset& parsed, int idx) const;

  /// Appends header, XML text of values named presetName, sizes and pads.
  bool AppendStateChunk(const double* values, const char* presetName, plug::IStateChunk& chunk) const;
  /// Fills values (one per parameter) with the defaults overridden by count pairs read from args.
  void ReadValueList(double* values, int count, va_list args) const;
};
