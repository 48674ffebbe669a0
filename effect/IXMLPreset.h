// The effect's XML preset document: vendor, product, version, preset name and one "Param" (name, value) per
// parameter. Written into and read from state chunks; the preset subset table lists the parameters a
// preset file resets before it is loaded.
#pragma once

#include "core/IPluginBase.h"
#include "core/LibString.h"

#include <string>
#include <vector>

class TiXmlDocument;

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

  static constexpr const char* kData = "Data";
  /// Extension of preset files, and the name of the default preset in the VST2 data folder.
  static constexpr const char* kPresetExtension = ".vqp";
  static constexpr const char* kDefaultPresetName = "default";
  /// Larger files are not taken for presets.
  static constexpr size_t kMaxPresetFileBytes = size_t(1) << 20;

  /// Appends the text length and the document of the live parameter values. [main thread]
  bool WritePresetXmlChunk(const plug::IPluginBase& plug, plug::IStateChunk& chunk, bool subsetOnly) const;
  /// Appends the text length and the document of values (one per parameter) named presetName.
  bool BuildPresetXmlChunk(const plug::IPluginBase& plug, const double* values, plug::IStateChunk& chunk,
                           const char* presetName, bool subsetOnly) const;
  /// Reads a length and document at pos and, when the whole document is valid, applies its preset name and
  /// values and notifies every parameter. Returns pos + 4 + length, or 0 when nothing was applied (a value that
  /// does not read refuses the whole document).
  int ReadPresetXmlChunk(plug::IPluginBase& plug, const plug::IStateChunk& chunk, int pos, bool subsetOnly,
                         const IXMLParameterRow* subsetTable) const;

  // Preset files [main thread].
  /// Writes the live values (only the preset subset with subsetOnly and the subset switch on) to path.
  bool SaveXMLPreset(const plug::IPluginBase& plug, const plug::LibString& path, const plug::LibString& presetName,
                     bool subsetOnly, bool withData, const char* data) const;
  /// Saves the current preset as folder/default.vqp.
  bool SaveDefaultPreset(const plug::IPluginBase& plug, const plug::LibString& folder, bool subsetOnly) const;
  /// Reads a preset file. A missing, unreadable, foreign or malformed file changes nothing and gives false. An
  /// accepted file (unless checkOnly) first resets the preset subset to its defaults, then applies its values:
  /// direct, into the current preset; otherwise through a restore of the current preset, which notifies every
  /// parameter.
  bool LoadPresetXmlFile(plug::IPluginBase& plug, const plug::LibString& path, plug::LibString& presetNameOut,
                         bool direct, bool checkOnly, bool subsetOnly, bool readData, plug::LibString* dataOut);
  /// Loads folder/default.vqp directly, when it exists.
  void LoadDefaultPreset(plug::IPluginBase& plug, const plug::LibString& folder);
  /// Reads a preset file into values (one per parameter) without touching the parameters.
  bool ParsePresetXmlFile(const plug::IPluginBase& plug, const plug::LibString& path, double* values,
                          plug::LibString& presetNameOut, bool subsetOnly) const;
  static void DefaultPresetPath(const plug::LibString& folder, plug::LibString& path);

protected:
  /// What a checked document holds: its preset name, its "Data" text and the values it names.
  struct ParsedPreset
  {
    struct Change
    {
      int mIdx;
      double mValue;
    };
    std::string mPresetName;
    std::string mData;
    std::vector<Change> mChanges;
  };

  /// Reads and checks the length and document at pos, changing nothing: pos + 4 + length, or 0 when the
  /// document is refused (cut, malformed, foreign, too deep or large, or a value that does not read). [any thread]
  int ParsePresetXmlChunk(const plug::IPluginBase& plug, const plug::IStateChunk& chunk, int pos,
                          ParsedPreset& out) const;
  /// Applies a checked document: its name to the first preset, its values (with subsetOnly only those of the
  /// subset table), then notifies every parameter.
  void ApplyParsedPreset(plug::IPluginBase& plug, const ParsedPreset& parsed, bool subsetOnly,
                         const IXMLParameterRow* subsetTable) const;

  void BuildDocument(TiXmlDocument& doc, const plug::IPluginBase& plug, const double* values,
                     const char* presetName, bool subsetOnly, const char* data) const;
  /// Checks the whole document (vendor, product or an alternate name, version, preset, every child of
  /// "Parameter") and collects its values; false, with nothing to apply, on the first fault.
  bool ReadDocument(const TiXmlDocument& doc, const plug::IPluginBase& plug, bool allowAltNames,
                    ParsedPreset& out) const;
  bool ReadPresetFile(const plug::IPluginBase& plug, const plug::LibString& path, ParsedPreset& out) const;
  bool IsAltName(const char* name) const;

  plug::LibString mNameOverride;
  plug::LibString mVersionOverride;
  const IXMLParameterRow* mSubsetTable = nullptr;
  bool mUseSubset = false;
  const char* const* mAltNames = nullptr;
  bool mUseAltNames = false;
};
