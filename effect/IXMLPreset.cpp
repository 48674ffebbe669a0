#include "effect/IXMLPreset.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include <fcntl.h>
#include <tinyxml.h>
#include <unistd.h>

#include "core/RegularFile.h"
#include "effect/XmlInputBounds.h"

using plug::IParam;
using plug::IPluginBase;
using plug::IStateChunk;
using plug::LibString;

const IXMLParameterRow IXMLParameters::kTable[] = {
  {"kClipoffon", 4, 2, "%d"},
  {"kClipCeiling", 5, 4, "%.1lf"},
  {"kSat_offon", 15, 2, "%d"},
  {"kSat_ProcMode", 16, 2, "%d"},
  {"kSat_mode", 17, 2, "%d"},
  {"kSat_stages", 18, 2, "%d"},
  {"kSat_driveeven", 19, 4, "%.1lf"},
  {"kSat_driveodd", 20, 4, "%.1lf"},
  {"kSat_fluctuation", 21, 4, "%.1lf"},
  {"", -1, 0, ""},
};

bool IXMLParameters::InSubset(const IXMLParameterRow* table, int idx)
{
  for (; table && table->mParamIdx != -1; ++table)
    if (table->mParamIdx == idx)
      return true;
  return false;
}

namespace {
constexpr size_t kParserSlack = 8;

/// "%f" of a value, independent of the process locale.
std::string FormatValue(double v)
{
  char buf[400];
  const auto result = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed, 6);
  return result.ec == std::errc() ? std::string(buf, result.ptr) : std::string("0.000000");
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

/// The number a text holds (blanks around it and a '+' before it allowed); false when there is none, anything
/// else follows it ("5abc", "0.5.5", "0x1p3") or it is not finite ("1e999", "nan", "inf").
bool ParseValue(const char* text, double& v)
{
  if (!text)
    return false;
  while (IsBlank(*text))
    ++text;
  if (*text == '+')
    ++text;
  const char* end = text + std::strlen(text);
  const auto result = std::from_chars(text, end, v);
  if (result.ec != std::errc() || !std::isfinite(v))
    return false;
  const char* rest = result.ptr;
  while (rest < end && IsBlank(*rest))
    ++rest;
  return rest == end;
}

const char* TextOf(const TiXmlElement* e)
{
  return e ? e->GetText() : nullptr;
}

int FindParam(const IPluginBase& plug, const char* name)
{
  for (int i = 0; i < plug.NParams(); ++i)
    if (std::strcmp(plug.GetParam(i)->GetName(), name) == 0)
      return i;
  return -1;
}

/// Parses an XML text (up to its first zero byte, a byte-order mark at its start skipped); false on a parse
/// error or a text outside the bounds the parser can take.
bool ParseText(TiXmlDocument& doc, const std::string& text)
{
  const std::string_view body = XmlInputBounds::WithoutByteOrderMark(std::string_view(text.c_str()));
  if (!XmlInputBounds::Accepts(body))
    return false;
  // Bytes are taken one by one: in its UTF-8 mode the parser can step past the end of a text that is cut inside
  // a multi-byte character.
  doc.Parse(body.data(), nullptr, TIXML_ENCODING_LEGACY);
  return !doc.Error();
}
} // namespace

void IXMLPreset::BuildDocument(TiXmlDocument& doc, const IPluginBase& plug, const double* values,
                               const char* presetName, bool subsetOnly, const char* data) const
{
  doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
  auto* root = new TiXmlElement(kRoot);
  root->SetAttribute("version", "1");
  doc.LinkEndChild(root);

  LibString version;
  plug.FormatPluginVersion(version);
  const char* texts[3][2] = {
    {kVendor, plug.GetMakerName()},
    {kName, mNameOverride.GetLength() ? mNameOverride.Get() : plug.GetPluginName()},
    {kVersion, mVersionOverride.GetLength() ? mVersionOverride.Get() : version.Get()},
  };
  for (const auto& t : texts)
  {
    auto* e = new TiXmlElement(t[0]);
    e->LinkEndChild(new TiXmlText(t[1]));
    root->LinkEndChild(e);
  }
  if (data)
  {
    auto* e = new TiXmlElement(kData);
    e->LinkEndChild(new TiXmlText(data));
    root->LinkEndChild(e);
  }
  auto* preset = new TiXmlElement(kPreset);
  preset->SetAttribute("name", presetName ? presetName : "");
  root->LinkEndChild(preset);
  auto* parameter = new TiXmlElement(kParameter);
  preset->LinkEndChild(parameter);
  for (int i = 0; i < plug.NParams(); ++i)
  {
    if (subsetOnly && mUseSubset && !IXMLParameters::InSubset(mSubsetTable, i))
      continue;
    auto* param = new TiXmlElement(kParam);
    param->SetAttribute("name", plug.GetParam(i)->GetName());
    param->SetAttribute("val", FormatValue(values[i]).c_str());
    parameter->LinkEndChild(param);
  }
}

bool IXMLPreset::ReadDocument(const TiXmlDocument& doc, const IPluginBase& plug, bool allowAltNames,
                              ParsedPreset& out) const
{
  const TiXmlElement* root = doc.FirstChildElement(kRoot);
  if (!root)
    return false;
  const char* vendor = TextOf(root->FirstChildElement(kVendor));
  const char* name = TextOf(root->FirstChildElement(kName));
  const char* version = TextOf(root->FirstChildElement(kVersion));
  if (!vendor || std::strcmp(vendor, plug.GetMakerName()) != 0 || !name || !version)
    return false;
  if (std::strcmp(name, plug.GetPluginName()) != 0 && !(allowAltNames && IsAltName(name)))
    return false;
  const char* data = TextOf(root->FirstChildElement(kData));
  out.mData = data ? data : "";
  const TiXmlElement* preset = root->FirstChildElement(kPreset);
  const TiXmlAttribute* presetName = preset ? preset->FirstAttribute() : nullptr;
  if (!presetName || std::strcmp(presetName->Name(), "name") != 0)
    return false;
  out.mPresetName = presetName->Value();
  const TiXmlElement* parameter = preset->FirstChildElement(kParameter);
  if (!parameter || !parameter->FirstChild())
    return false;
  // The whole document is checked before the caller applies anything.
  out.mChanges.clear();
  for (const TiXmlNode* node = parameter->FirstChild(); node; node = node->NextSibling())
  {
    const TiXmlElement* param = node->ToElement();
    if (!param || std::strcmp(param->Value(), kParam) != 0)
      return false;
    const char* paramName = param->Attribute("name");
    if (!paramName || !*paramName)
      continue;
    double value = 0.0;
    if (!ParseValue(param->Attribute("val"), value))
      return false; // a value that does not read damages the whole document
    const int idx = FindParam(plug, paramName);
    if (idx >= 0)
      out.mChanges.push_back({idx, value});
  }
  return true;
}

bool IXMLPreset::IsAltName(const char* name) const
{
  for (const char* const* alt = mAltNames; mUseAltNames && alt && *alt; ++alt)
    if (std::strcmp(*alt, name) == 0)
      return true;
  return false;
}

bool IXMLPreset::BuildPresetXmlChunk(const IPluginBase& plug, const double* values, IStateChunk& chunk,
                                     const char* presetName, bool subsetOnly) const
{
  // A state chunk always carries every parameter.
  TiXmlDocument doc;
  BuildDocument(doc, plug, values, presetName, false, nullptr);
  TiXmlPrinter printer;
  doc.Accept(&printer);
  const int32_t length = static_cast<int32_t>(printer.Size());
  if (length <= 0)
    return false;
  chunk.Put(&length);
  return chunk.PutBytes(printer.CStr(), length) > 0;
}

int IXMLPreset::ParsePresetXmlChunk(const IPluginBase& plug, const IStateChunk& chunk, int pos,
                                    ParsedPreset& out) const
{
  int32_t length = 0;
  if (pos < 0 || chunk.Get(&length, pos) < 0)
    return 0;
  const int64_t textStart = int64_t(pos) + 4;
  if (length < 0 || textStart + length > chunk.Size())
    return 0;
  const char* bytes = reinterpret_cast<const char*>(chunk.GetData() + textStart);
  std::string text(bytes, strnlen(bytes, static_cast<size_t>(length)));
  // The parser may step a few bytes past the end of a text cut inside a multi-byte character: zeros there.
  text.append(kParserSlack, '\0');
  TiXmlDocument doc;
  if (!ParseText(doc, text) || !ReadDocument(doc, plug, false, out))
    return 0;
  return static_cast<int>(textStart + length);
}

void IXMLPreset::ApplyParsedPreset(IPluginBase& plug, const ParsedPreset& parsed, bool subsetOnly,
                                   const IXMLParameterRow* subsetTable) const
{
  if (plug::IPresetSlot* slot = plug.GetPresetSlot(0))
    slot->SetName(parsed.mPresetName.c_str());
  for (const ParsedPreset::Change& c : parsed.mChanges)
    if (!subsetOnly || IXMLParameters::InSubset(subsetTable, c.mIdx))
      plug.GetParam(c.mIdx)->Set(c.mValue);
  plug.NotifyAllParams(plug::kPresetRecall);
}

int IXMLPreset::ReadPresetXmlChunk(IPluginBase& plug, const IStateChunk& chunk, int pos, bool subsetOnly,
                                   const IXMLParameterRow* subsetTable) const
{
  ParsedPreset parsed;
  const int end = ParsePresetXmlChunk(plug, chunk, pos, parsed);
  if (end > 0)
    ApplyParsedPreset(plug, parsed, subsetOnly, subsetTable);
  return end;
}

// ---- preset files ----

bool IXMLPreset::SaveXMLPreset(const IPluginBase& plug, const LibString& path, const LibString& presetName,
                               bool subsetOnly, bool withData, const char* data) const
{
  std::vector<double> values(static_cast<size_t>(plug.NParams()));
  for (int i = 0; i < plug.NParams(); ++i)
    values[static_cast<size_t>(i)] = plug.GetParam(i)->Value();
  TiXmlDocument doc;
  BuildDocument(doc, plug, values.data(), presetName.Get(), subsetOnly, withData ? (data ? data : "") : nullptr);
  return plug::ReplaceFile(path.Get(), [&](FILE* file) { return doc.SaveFile(file); });
}

bool IXMLPreset::SaveDefaultPreset(const IPluginBase& plug, const LibString& folder, bool subsetOnly) const
{
  LibString path;
  DefaultPresetPath(folder, path);
  // The file is opened for reading and closed again first (its content is not used); without following a link
  // and without waiting on a FIFO someone may have put there.
  const int existing = open(path.Get(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (existing >= 0)
    close(existing);
  const LibString name(plug.GetPresetName(plug.GetCurrentPresetIdx()));
  return SaveXMLPreset(plug, path, name, subsetOnly, false, nullptr);
}

void IXMLPreset::DefaultPresetPath(const LibString& folder, LibString& path)
{
  path.Set(folder.Get());
  path.Append("/");
  path.Append(kDefaultPresetName);
  path.Append(kPresetExtension);
}

bool IXMLPreset::ReadPresetFile(const IPluginBase& plug, const LibString& path, ParsedPreset& out) const
{
  // Only a regular file of a sensible size is read (a folder opens too, and reports an absurd length).
  std::string text;
  if (!plug::ReadRegularFile(path.Get(), kMaxPresetFileBytes, text))
    return false;
  text.resize(strnlen(text.c_str(), text.size())); // the text ends at its first zero byte
  TiXmlDocument doc;
  return ParseText(doc, text) && ReadDocument(doc, plug, true, out);
}

bool IXMLPreset::LoadPresetXmlFile(IPluginBase& plug, const LibString& path, LibString& presetNameOut, bool direct,
                                   bool checkOnly, bool subsetOnly, bool readData, LibString* dataOut)
{
  ParsedPreset parsed;
  try
  {
    if (!ReadPresetFile(plug, path, parsed))
      return false; // a missing, unreadable, foreign or malformed file changes nothing
  }
  catch (const std::exception&)
  {
    return false;
  }
  if (readData && dataOut)
    dataOut->Set(parsed.mData.c_str());
  presetNameOut.Set(parsed.mPresetName.c_str());
  if (checkOnly && !direct)
    return true;

  // The file is accepted: the preset subset starts from its defaults, then the file's values apply.
  if (mUseSubset)
    for (int i = 0; i < plug.NParams(); ++i)
      if (IXMLParameters::InSubset(mSubsetTable, i))
        plug.GetParam(i)->Set(plug.GetParam(i)->GetDefault());
  for (const ParsedPreset::Change& c : parsed.mChanges)
    if (!(subsetOnly && mUseSubset && !IXMLParameters::InSubset(mSubsetTable, c.mIdx)))
      plug.GetParam(c.mIdx)->Set(c.mValue);

  if (direct)
  {
    plug.ModifyCurrentPreset(presetNameOut.Get());
    plug.NotifyAllParams(plug::kPresetRecall);
    return true;
  }
  plug.ModifyCurrentPreset(presetNameOut.Get());
  // The restore reads the state back and notifies every parameter; should it fail, the values applied above
  // are still announced.
  if (!plug.RestorePreset(plug.GetCurrentPresetIdx()))
    plug.NotifyAllParams(plug::kPresetRecall);
  plug.ModifyCurrentPreset(presetNameOut.Get());
  plug.UpdateHostDisplay();
  return true;
}

void IXMLPreset::LoadDefaultPreset(IPluginBase& plug, const LibString& folder)
{
  LibString path, name;
  DefaultPresetPath(folder, path);
  LoadPresetXmlFile(plug, path, name, true, false, false, false, nullptr);
}

bool IXMLPreset::ParsePresetXmlFile(const IPluginBase& plug, const LibString& path, double* values,
                                    LibString& presetNameOut, bool subsetOnly) const
{
  if (mUseSubset)
    for (int i = 0; i < plug.NParams(); ++i)
      if (IXMLParameters::InSubset(mSubsetTable, i))
        values[i] = plug.GetParam(i)->GetDefault();
  ParsedPreset parsed;
  try
  {
    if (!ReadPresetFile(plug, path, parsed))
      return false;
  }
  catch (const std::exception&)
  {
    return false;
  }
  presetNameOut.Set(parsed.mPresetName.c_str());
  for (const ParsedPreset::Change& c : parsed.mChanges)
    if (!(subsetOnly && mUseSubset && !IXMLParameters::InSubset(mSubsetTable, c.mIdx)))
      values[c.mIdx] = plug.GetParam(c.mIdx)->Constrain(c.mValue);
  return true;
}

bool IXMLPreset::WritePresetXmlChunk(const IPluginBase& plug, IStateChunk& chunk, bool subsetOnly) const
{
  std::vector<double> values(static_cast<size_t>(plug.NParams()));
  for (int i = 0; i < plug.NParams(); ++i)
    values[static_cast<size_t>(i)] = plug.GetParam(i)->Value();
  return BuildPresetXmlChunk(plug, values.data(), chunk, plug.GetPresetName(0), subsetOnly);
}

