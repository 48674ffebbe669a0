// The host-neutral base of every plug-in: identity and version, the host's identity once known, the preset
// list, the default state format (every parameter as a double), the preset-list chunk a host stores as a bank,
// operations on ranges and groups of parameters, and the version and build texts.
#pragma once

#include <functional>

#include "core/IEditorDelegate.h"
#include "core/IPresetSlot.h"
#include "core/IStateChunk.h"
#include "core/LibPtrList.h"
#include "core/LibString.h"

namespace plug {

class IPluginBase : public igraphics::IGEditorDelegate
{
public:
  /// Name of a slot filled by FillEmptyPresets, and the stem of a slot first filled by RestorePreset.
  static constexpr const char* kFilledSlotName = "Empty";
  static constexpr const char* kUserPresetName = "user preset";
  /// Marks a value MakePresetFromNamedParams was not given.
  static constexpr double kUnsetValue = 9.999e-8;

  IPluginBase(int nParams, int nPresets);
  ~IPluginBase() override;

  // Identity and texts.
  const char* GetPluginName() const { return mPluginName.Get(); }
  const char* GetProductName() const { return mProductName.Get(); }
  const char* GetMakerName() const { return mMakerName.Get(); }
  int GetUniqueID() const { return mUniqueID; }
  int GetMakerCode() const { return mMakerCode; }
  /// The packed version (major << 16 | minor << 8 | patch), or major*1000 + minor*100 + patch*10 when decimal.
  int GetPluginVersion(bool decimal) const { return VersionOf(mVersion, decimal); }
  int GetHostVersion(bool decimal) const { return VersionOf(mHostVersion, decimal); }
  void FormatPluginVersion(LibString& out) const { FormatVersion(mVersion, out); }
  void FormatHostVersion(LibString& out) const { FormatVersion(mHostVersion, out); }
  const char* GetAPIName() const;
  const char* GetArchName() const { return "x64"; }
  void GetBuildInfo(LibString& out) const;
  /// The host id (EHostApp): -1 until the host is identified.
  int GetHost() const { return mHost; }
  bool DoesStateChunks() const { return mStateChunks; }

  // Presets [main thread].
  int NPresets() const { return mPresets.GetSize(); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  IPresetSlot* GetPresetSlot(int idx) const { return mPresets.Get(idx); }
  const char* GetPresetName(int idx) const;
  bool RestorePreset(int idx);
  bool RestorePresetByName(const char* name);
  /// Stores the present state into the current preset; renames it when name is non-empty.
  void ModifyCurrentPreset(const char* name = nullptr);
  /// Every slot not yet initialised gets the name "Empty" and the present state.
  void FillEmptyPresets();
  void MakeDefaultPreset(const char* name = nullptr, int count = 1);
  /// One value per parameter in index order: int for bool/int/enum parameters, double for the others.
  void MakePreset(const char* name, ...);
  /// count pairs of (int index, value) with values typed as for MakePreset.
  void MakePresetFromNamedParams(const char* name, int count, ...);
  void MakePresetFromChunk(const char* name, const IStateChunk& chunk);
  /// A preset from standard base64 text holding byteCount bytes of state.
  void MakePresetFromBlob(const char* name, const char* base64, int byteCount);
  void PruneUninitialisedPresets();

  // State [the thread that calls the host interface].
  virtual bool SerializeState(IStateChunk& chunk) const { return SerializeParams(chunk); }
  /// Returns the position after the state, or -1.
  virtual int UnserializeState(const IStateChunk& chunk, int startPos) { return UnserializeParams(chunk, startPos); }
  virtual void UpdateHostDisplay() {}
  virtual void OnPresetListChanged() {}

  bool SerializeParams(IStateChunk& chunk) const;
  int UnserializeParams(const IStateChunk& chunk, int startPos);
  bool SerializePresets(IStateChunk& chunk) const;
  /// Reads the preset list and restores the current preset; the position after the list, or -1 for a list that
  /// does not read whole (a flag other than 0 or 1, an embedded state refused or reading nothing, no state at
  /// all), which leaves the slots, their names and the present state as they were.
  int UnserializePresets(const IStateChunk& chunk, int startPos);

  // Program and bank files in the VST 2.x layout: the parameter form stores each parameter's normalised value,
  // the chunk form (plug-ins with state chunks) the plug-in's own state. All return false for a null or empty
  // path, a file that cannot be written or read, or a file that does not fit this plug-in (then nothing is
  // changed). [main thread]
  bool SaveProgramAsFXP(const char* path) const;
  bool SaveBankAsFXB(const char* path) const;
  bool LoadProgramFromFXP(const char* path);
  bool LoadBankFromFXB(const char* path);

  // Ranges and groups of parameters.
  void InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmt, double defaultVal,
                      double minVal, double maxVal, double step, const char* label = "", int flags = 0,
                      const char* group = "", const IParam::Shape& shape = IParam::ShapeLinear(),
                      IParam::EUnit unit = IParam::kUnitCustom, IParam::DisplayFunc displayFunc = nullptr);
  void CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr = "",
                       const char* replaceStr = "", const char* newGroup = "");
  void CopyParamValues(int startIdx, int destIdx, int nParams);
  void CopyParamValues(const char* inGroup, const char* outGroup);
  void ForParamInRange(int startIdx, int endIdx, const std::function<void(int, IParam&)>& func);
  void ForParamInGroup(const char* group, const std::function<void(int, IParam&)>& func);
  void DefaultParamValues() { DefaultParamValues(0, NParams() - 1); }
  void DefaultParamValues(int startIdx, int endIdx);
  void DefaultParamValues(const char* group);
  void RandomiseParamValues() { RandomiseParamValues(0, NParams() - 1); }
  void RandomiseParamValues(int startIdx, int endIdx);
  void RandomiseParamValues(const char* group);
  /// Visits every parameter; prints nothing in this build.
  void PrintParamValues() {}

  // Developer aids: append a line of source text that rebuilds the current preset to the file at path.
  void DumpMakePresetSrc(const char* path) const;
  void DumpMakePresetFromNamedParamsSrc(const char* path, const char* const* paramEnumNames) const;
  void DumpPresetBlob(const char* path) const;

protected:
  static int VersionOf(int packed, bool decimal);
  static void FormatVersion(int packed, LibString& out);
  /// The first slot not yet initialised, or null.
  IPresetSlot* FirstFreeSlot() const;

  int mCurrentPresetIdx = 0;
  bool mStateChunks = false;
  LibString mPluginName;
  LibString mProductName;
  LibString mMakerName;
  int mUniqueID = 0;
  int mMakerCode = 0;
  int mVersion = 0;
  int mHostVersion = 0;
  int mHost = -1;
  int mAPI = 0;
  LibPtrList<IPresetSlot> mPresets;
};

} // namespace plug
