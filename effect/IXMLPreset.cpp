#include "effect/IXMLPreset.h"

#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include <tinyxml.h>

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
/// "%f" of a value, independent of the process locale.
std::string FormatValue(double v)
{
  char buf[400];
  const auto result = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed, 6);
  return result.ec == std::errc() ? std::string(buf, result.ptr) : std::string("0.000000");
}

/// The leading number of a text (blanks and a '+' allowed before it), 0.0 when there is none.
double ParseValue(const char* text)
{
  if (!text)
    return 0.0;
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r')
    ++text;
  if (*text == '+')
    ++text;
  double v = 0.0;
  const auto result = std::from_chars(text, text + std::strlen(text), v);
  return result.ec == std::errc() ? v : 0.0;
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
} // namespace

bool IXMLPreset::WritePresetXmlChunk(const IPluginBase& plug, IStateChunk& chunk, bool subsetOnly) const
{
  std::vector<double> values(static_cast<size_t>(plug.NParams()));
  for (int i = 0; i < plug.NParams(); ++i)
    values[static_cast<size_t>(i)] = plug.GetParam(i)->Value();
  return BuildPresetXmlChunk(plug, values.data(), chunk, plug.GetPresetName(0), subsetOnly);
}

bool IXMLPreset::BuildPresetXmlChunk(const IPluginBase& plug, const double* values, IStateChunk& chunk,
                                     const char* presetName, bool subsetOnly) const
{
  TiXmlDocument doc;
  doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
  auto* root = new TiXmlElement(kRoot);
  root->SetAttribute("version", "1");
  doc.LinkEndChild(root);

  LibString version;
  plug.FormatPluginVersion(version);
  const char* texts[3][2] = {
    {kVendor, plug.GetMfrName()},
    {kName, mNameOverride.GetLength() ? mNameOverride.Get() : plug.GetPluginName()},
    {kVersion, mVersionOverride.GetLength() ? mVersionOverride.Get() : version.Get()},
  };
  for (const auto& t : texts)
  {
    auto* e = new TiXmlElement(t[0]);
    e->LinkEndChild(new TiXmlText(t[1]));
    root->LinkEndChild(e);
  }
  auto* preset = new TiXmlElement(kPreset);
  preset->SetAttribute("name", presetName ? presetName : "");
  root->LinkEndChild(preset);
  auto* parameter = new TiXmlElement(kParameter);
  preset->LinkEndChild(parameter);
  for (int i = 0; i < plug.NParams(); ++i)
  {
    auto* param = new TiXmlElement(kParam);
    param->SetAttribute("name", plug.GetParam(i)->GetName());
    param->SetAttribute("val", FormatValue(values[i]).c_str());
    parameter->LinkEndChild(param);
  }

  TiXmlPrinter printer;
  doc.Accept(&printer);
  const int32_t length = static_cast<int32_t>(printer.Size());
  if (length <= 0)
    return false;
  chunk.Put(&length);
  return chunk.PutBytes(printer.CStr(), length) > 0;
}

int IXMLPreset::ReadPresetXmlChunk(IPluginBase& plug, const IStateChunk& chunk, int pos, bool subsetOnly,
                                   const IXMLParameterRow* subsetTable) const
{
  int32_t length = 0;
  if (pos < 0 || chunk.Get(&length, pos) < 0)
    return 0;
  const int64_t textStart = int64_t(pos) + 4;
  if (length < 0 || textStart + length > chunk.Size())
    return 0;
  const char* bytes = reinterpret_cast<const char*>(chunk.GetData() + textStart);
  const std::string text(bytes, strnlen(bytes, static_cast<size_t>(length)));

  TiXmlDocument doc;
  doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
  if (doc.Error())
    return 0;
  const TiXmlElement* root = doc.FirstChildElement(kRoot);
  if (!root)
    return 0;
  const char* vendor = TextOf(root->FirstChildElement(kVendor));
  const char* name = TextOf(root->FirstChildElement(kName));
  const char* version = TextOf(root->FirstChildElement(kVersion));
  if (!vendor || std::strcmp(vendor, plug.GetMfrName()) != 0 || !name ||
      std::strcmp(name, plug.GetPluginName()) != 0 || !version)
    return 0;
  const TiXmlElement* preset = root->FirstChildElement(kPreset);
  const TiXmlAttribute* presetName = preset ? preset->FirstAttribute() : nullptr;
  if (!presetName || std::strcmp(presetName->Name(), "name") != 0)
    return 0;
  const TiXmlElement* parameter = preset->FirstChildElement(kParameter);
  if (!parameter || !parameter->FirstChild())
    return 0;

  // The whole document is checked before anything is applied.
  struct Change
  {
    int mIdx;
    double mValue;
  };
  std::vector<Change> changes;
  for (const TiXmlNode* node = parameter->FirstChild(); node; node = node->NextSibling())
  {
    const TiXmlElement* param = node->ToElement();
    if (!param || std::strcmp(param->Value(), kParam) != 0)
      return 0;
    const char* paramName = param->Attribute("name");
    if (!paramName || !*paramName)
      continue;
    const int idx = FindParam(plug, paramName);
    if (idx < 0 || (subsetOnly && !IXMLParameters::InSubset(subsetTable, idx)))
      continue;
    changes.push_back({idx, ParseValue(param->Attribute("val"))});
  }

  if (plug::IPresetSlot* slot = plug.GetPresetSlot(0))
    slot->SetName(presetName->Value());
  for (const Change& c : changes)
    plug.GetParam(c.mIdx)->Set(c.mValue);
  plug.NotifyAllParams(plug::kPresetRecall);
  return static_cast<int>(textStart + length);
}
