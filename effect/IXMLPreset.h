// The effect's XML preset document: vendor, product, version, preset name and one "Param" (name, value) per
// parameter. Written into and read from state chunks; the preset subset table lists the parameters a
// preset file resets before it is loaded.
#pragma once

#include "core/IPluginBase.h"
#include "core/LibString.h"

/// One row of the preset subset table; the table ends with a row whose index is -1.
struct IXMLParameterRow
{
  const char* mKey;
  int mParamIdx;
  int mType; // 2 integer, 4 double
  const char* mFormat;
};

/// The parameters that make up a preset: the subset of the effect's parameters preset files revolve around.
struct IXMLParameters
{
  static const IXMLParameterRow kTable[];
  /// True when idx stands in table before its end row.
  static bool InSubset(const IXMLParameterRow* table, int idx);
};

class IXMLPreset
{
public:
  // Element and attribute names of the document.
  static constexpr const char* kRoot = "PresetXMLTree";
  static constexpr const char* kVendor = "PluginVendor";
  static constexpr const char* kName = "PluginName";
  static constexpr const char* kVersion = "PluginVersion";
  static constexpr const char* kPreset = "Preset";
  static constexpr const char* kParameter = "Parameter";
  static constexpr const char* kParam = "Param";

  /// Appends the text length and the document of the live parameter values. [main thread]
  bool WritePresetXmlChunk(const plug::IPluginBase& plug, plug::IStateChunk& chunk, bool subsetOnly) const;
  /// Appends the text length and the document of values (one per parameter) named presetName.
  bool BuildPresetXmlChunk(const plug::IPluginBase& plug, const double* values, plug::IStateChunk& chunk,
                           const char* presetName, bool subsetOnly) const;
  /// Reads a length and document at pos and, when the whole document is valid, applies its preset name and
  /// values and notifies every parameter. Returns pos + 4 + length, or 0 when nothing was applied.
  int ReadPresetXmlChunk(plug::IPluginBase& plug, const plug::IStateChunk& chunk, int pos, bool subsetOnly,
                         const IXMLParameterRow* subsetTable) const;

protected:
  plug::LibString mNameOverride;
  plug::LibString mVersionOverride;
  const IXMLParameterRow* mSubsetTable = nullptr;
  bool mUseSubset = false;
  const char* const* mAltNames = nullptr;
  bool mUseAltNames = false;
};
