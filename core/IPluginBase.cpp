#include "core/IPluginBase.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace plug {

namespace {
const char* const kAPINames[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB"};
constexpr int kBuildInfoMax = 256;

bool TakesIntArgument(const IParam& p)
{
  return p.Type() == IParam::kTypeBool || p.Type() == IParam::kTypeInt || p.Type() == IParam::kTypeEnum;
}
} // namespace

IPluginBase::IPluginBase(int nParams, int nPresets) : IGEditorDelegate(nParams), mPresets(4096)
{
  for (int i = 0; i < nPresets; ++i)
    mPresets.Add(new IPresetSlot);
}

IPluginBase::~IPluginBase() { mPresets.Clear(true); }

int IPluginBase::VersionOf(int packed, bool decimal)
{
  if (!decimal)
    return packed;
  const int major = (packed >> 16) & 0xffff, minor = (packed >> 8) & 0xff, patch = packed & 0xff;
  return major * 1000 + minor * 100 + patch * 10;
}

void IPluginBase::FormatVersion(int packed, LibString& out)
{
  out.FormatCapped(64, "v%d.%d.%d", (packed >> 16) & 0xffff, (packed >> 8) & 0xff, packed & 0xff);
}

const char* IPluginBase::GetAPIName() const
{
  return (mAPI >= 0 && mAPI < 8) ? kAPINames[mAPI] : "";
}

void IPluginBase::GetBuildInfo(LibString& out) const
{
  LibString version;
  FormatPluginVersion(version);
  out.FormatCapped(kBuildInfoMax, "%s version %s %s (%s), built on %s at %.5s ", GetPluginName(), version.Get(),
                   GetAPIName(), GetArchName(), __DATE__, __TIME__);
}

// Presets -------------------------------------------------------------------------------------------------------

const char* IPluginBase::GetPresetName(int idx) const
{
  const IPresetSlot* slot = mPresets.Get(idx);
  return slot ? slot->mName : "";
}

IPresetSlot* IPluginBase::FirstFreeSlot() const
{
  for (int i = 0; i < NPresets(); ++i)
    if (!mPresets.Get(i)->mInitialized)
      return mPresets.Get(i);
  return nullptr;
}

bool IPluginBase::RestorePreset(int idx)
{
  IPresetSlot* slot = mPresets.Get(idx);
  if (!slot)
    return false;
  if (slot->mInitialized)
  {
    if (UnserializeState(slot->mChunk, 0) < 1)
      return false;
  }
  else
  {
    int numbered = 0;
    for (int i = 0; i < NPresets(); ++i)
      if (std::strstr(mPresets.Get(i)->mName, kUserPresetName))
        ++numbered;
    slot->mInitialized = true;
    LibString name;
    name.FormatCapped(IPresetSlot::kNameSize - 1, "%s %d", kUserPresetName, numbered + 1);
    slot->SetName(name.Get());
    slot->mChunk.Clear();
    if (!SerializeState(slot->mChunk))
      return false;
  }
  mCurrentPresetIdx = idx;
  OnPresetListChanged();
  OnStateRestored();
  return true;
}

bool IPluginBase::RestorePresetByName(const char* name)
{
  if (!name || !*name)
    return false;
  for (int i = 0; i < NPresets(); ++i)
    if (std::strcmp(mPresets.Get(i)->mName, name) == 0)
      return RestorePreset(i);
  return false;
}

void IPluginBase::ModifyCurrentPreset(const char* name)
{
  IPresetSlot* slot = mPresets.Get(mCurrentPresetIdx);
  if (!slot)
    return;
  slot->mChunk.Clear();
  SerializeState(slot->mChunk);
  if (name && *name)
    slot->SetName(name);
}

void IPluginBase::FillEmptyPresets()
{
  for (int i = 0; i < NPresets(); ++i)
  {
    IPresetSlot* slot = FirstFreeSlot();
    if (!slot)
      return;
    slot->mInitialized = true;
    slot->SetName(kFilledSlotName);
    slot->mChunk.Clear();
    SerializeState(slot->mChunk);
  }
}

void IPluginBase::MakeDefaultPreset(const char* name, int count)
{
  for (int i = 0; i < count; ++i)
  {
    IPresetSlot* slot = FirstFreeSlot();
    if (!slot)
      return;
    slot->mInitialized = true;
    slot->SetName(name ? name : kFilledSlotName);
    slot->mChunk.Clear();
    SerializeState(slot->mChunk);
  }
}

void IPluginBase::MakePreset(const char* name, ...)
{
  IPresetSlot* slot = FirstFreeSlot();
  if (!slot)
    return;
  slot->mInitialized = true;
  slot->SetName(name);
  va_list args;
  va_start(args, name);
  for (int i = 0; i < NParams(); ++i)
  {
    const double v = TakesIntArgument(*GetParam(i)) ? double(va_arg(args, int)) : va_arg(args, double);
    slot->mChunk.Put(&v);
  }
  va_end(args);
}

void IPluginBase::MakePresetFromNamedParams(const char* name, int count, ...)
{
  IPresetSlot* slot = FirstFreeSlot();
  if (!slot)
    return;
  slot->mInitialized = true;
  slot->SetName(name);
  std::vector<double> values(static_cast<size_t>(NParams()), kUnsetValue);
  va_list args;
  va_start(args, count);
  for (int i = 0; i < count; ++i)
  {
    const int idx = va_arg(args, int);
    const IParam* p = GetParam(idx);
    const double v = (p && TakesIntArgument(*p)) ? double(va_arg(args, int)) : va_arg(args, double);
    if (p)
      values[static_cast<size_t>(idx)] = v;
  }
  va_end(args);
  for (int i = 0; i < NParams(); ++i)
  {
    if (values[static_cast<size_t>(i)] == kUnsetValue)
      values[static_cast<size_t>(i)] = GetParam(i)->Value();
    slot->mChunk.Put(&values[static_cast<size_t>(i)]);
  }
}

void IPluginBase::MakePresetFromChunk(const char* name, const IStateChunk& chunk)
{
  IPresetSlot* slot = FirstFreeSlot();
  if (!slot)
    return;
  slot->mInitialized = true;
  slot->SetName(name);
  slot->mChunk.PutChunk(chunk);
}

namespace {
const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c)
{
  const char* at = c ? std::strchr(kBase64, c) : nullptr;
  return at ? int(at - kBase64) : -1;
}
} // namespace

void IPluginBase::MakePresetFromBlob(const char* name, const char* base64, int byteCount)
{
  IPresetSlot* slot = FirstFreeSlot();
  if (!slot || byteCount < 0)
    return;
  std::vector<uint8_t> bytes(static_cast<size_t>(byteCount), 0);
  uint32_t bits = 0;
  int nBits = 0;
  size_t out = 0;
  for (const char* c = base64 ? base64 : ""; out < bytes.size(); ++c)
  {
    const int v = Base64Value(*c);
    if (v < 0)
      break; // '=', the end of the text, or anything outside the alphabet
    bits = (bits << 6) | uint32_t(v);
    nBits += 6;
    if (nBits >= 8)
    {
      nBits -= 8;
      bytes[out++] = uint8_t(bits >> nBits);
    }
  }
  slot->mInitialized = true;
  slot->SetName(name);
  slot->mChunk.PutBytes(bytes.data(), byteCount);
}

void IPluginBase::PruneUninitialisedPresets()
{
  for (int i = NPresets() - 1; i >= 0; --i)
  {
    IPresetSlot* slot = mPresets.Get(i);
    if (!slot->mInitialized)
    {
      mPresets.Delete(i);
      delete slot;
    }
  }
}

// State -----------------------------------------------------------------------------------------------------------

bool IPluginBase::SerializeParams(IStateChunk& chunk) const
{
  for (int i = 0; i < NParams(); ++i)
  {
    const double v = GetParam(i)->Value();
    if (chunk.Put(&v) <= 0)
      return false;
  }
  return true;
}

int IPluginBase::UnserializeParams(const IStateChunk& chunk, int startPos)
{
  int pos = startPos;
  if (pos >= 0)
  {
    for (int i = 0; i < NParams(); ++i)
    {
      double v = 0.0;
      pos = chunk.Get(&v, pos);
      if (pos < 0)
        break; // what could not be read keeps its value
      if (IParam* p = GetParam(i))
        p->Set(v);
    }
  }
  NotifyAllParams(kPresetRecall);
  return pos;
}

bool IPluginBase::SerializePresets(IStateChunk& chunk) const
{
  bool ok = true;
  for (int i = 0; i < NPresets(); ++i)
  {
    const IPresetSlot* slot = mPresets.Get(i);
    ok = chunk.PutStr(slot->mName) > 0 && ok;
    const uint8_t flag = slot->mInitialized ? 1 : 0;
    ok = chunk.Put(&flag) > 0 && ok;
    if (slot->mInitialized)
      ok = chunk.PutChunk(slot->mChunk) > 0 && ok;
  }
  return ok;
}

int IPluginBase::UnserializePresets(const IStateChunk& chunk, int startPos)
{
  // A list that does not read whole leaves the slots, the current preset and the present state as they were.
  std::vector<IPresetSlot> slotsBefore(static_cast<size_t>(NPresets()));
  for (int i = 0; i < NPresets(); ++i)
  {
    const IPresetSlot* slot = mPresets.Get(i);
    slotsBefore[static_cast<size_t>(i)].mInitialized = slot->mInitialized;
    slotsBefore[static_cast<size_t>(i)].SetName(slot->mName);
    slotsBefore[static_cast<size_t>(i)].mChunk.PutChunk(slot->mChunk);
  }
  IStateChunk stateBefore;
  SerializeState(stateBefore);
  const int presetBefore = mCurrentPresetIdx;

  int pos = startPos;
  bool stateRead = false;
  LibString name;
  for (int i = 0; pos >= 0 && i < NPresets(); ++i)
  {
    IPresetSlot* slot = mPresets.Get(i);
    pos = chunk.GetStr(name, pos);
    slot->SetName(name.Get());
    uint8_t flag = 0;
    pos = chunk.Get(&flag, pos);
    if (pos < 0 || flag > 1) // the flag is 0 or 1: anything else is a damaged list
    {
      pos = -1;
      break;
    }
    slot->mInitialized = flag != 0;
    if (slot->mInitialized)
    {
      // An embedded state has no length: one that reads nothing leaves the list's end unknown.
      const int after = UnserializeState(chunk, pos);
      pos = after > pos ? after : -1;
      if (pos >= 1)
      {
        stateRead = true;
        slot->mChunk.Clear();
        SerializeState(slot->mChunk);
      }
    }
  }
  if (pos < 0 || (NPresets() > 0 && !stateRead))
  {
    for (int i = 0; i < NPresets(); ++i)
    {
      IPresetSlot* slot = mPresets.Get(i);
      const IPresetSlot& before = slotsBefore[static_cast<size_t>(i)];
      slot->mInitialized = before.mInitialized;
      slot->SetName(before.mName);
      slot->mChunk.Clear();
      slot->mChunk.PutChunk(before.mChunk);
    }
    mCurrentPresetIdx = presetBefore;
    UnserializeState(stateBefore, 0);
    return -1;
  }
  RestorePreset(mCurrentPresetIdx);
  return pos;
}

// Source dumps ------------------------------------------------------------------------------------------------------

namespace {
/// The value of a parameter as source text: "%d" for int and enum, true/false for bool, else "%.6f".
std::string ValueSource(const IParam& p)
{
  char buf[64];
  if (p.Type() == IParam::kTypeInt || p.Type() == IParam::kTypeEnum)
    std::snprintf(buf, sizeof(buf), "%d", p.Int());
  else if (p.Type() == IParam::kTypeBool)
    std::snprintf(buf, sizeof(buf), "%s", p.Value() >= 0.5 ? "true" : "false");
  else
    std::snprintf(buf, sizeof(buf), "%.6f", p.Value());
  return buf;
}
} // namespace

void IPluginBase::DumpMakePresetSrc(const char* path) const
{
  FILE* f = path ? std::fopen(path, "a") : nullptr;
  if (!f)
    return;
  std::fprintf(f, "MakePreset(\"%s\"", GetPresetName(mCurrentPresetIdx));
  for (int i = 0; i < NParams(); ++i)
    std::fprintf(f, ", %s", ValueSource(*GetParam(i)).c_str());
  std::fprintf(f, ");\n");
  std::fclose(f);
}

void IPluginBase::DumpMakePresetFromNamedParamsSrc(const char* path, const char* const* paramEnumNames) const
{
  FILE* f = path ? std::fopen(path, "a") : nullptr;
  if (!f)
    return;
  std::fprintf(f, "  MakePresetFromNamedParams(\"%s\", %d", GetPresetName(mCurrentPresetIdx), NParams());
  for (int i = 0; i < NParams(); ++i)
    std::fprintf(f, ",\n    %s, %s", paramEnumNames ? paramEnumNames[i] : "", ValueSource(*GetParam(i)).c_str());
  std::fprintf(f, ");\n");
  std::fclose(f);
}

void IPluginBase::DumpPresetBlob(const char* path) const
{
  const IPresetSlot* slot = mPresets.Get(mCurrentPresetIdx);
  FILE* f = (slot && path) ? std::fopen(path, "a") : nullptr;
  if (!f)
    return;
  std::string text;
  const uint8_t* b = slot->mChunk.GetData();
  const int n = slot->mChunk.Size();
  for (int i = 0; i < n; i += 3)
  {
    const uint32_t v = (uint32_t(b[i]) << 16) | (i + 1 < n ? uint32_t(b[i + 1]) << 8 : 0) | (i + 2 < n ? b[i + 2] : 0);
    text += kBase64[(v >> 18) & 63];
    text += kBase64[(v >> 12) & 63];
    text += i + 1 < n ? kBase64[(v >> 6) & 63] : '=';
    text += i + 2 < n ? kBase64[v & 63] : '=';
  }
  std::fprintf(f, "MakePresetFromBlob(\"%s\", \"%s\", %d);\n", slot->mName, text.c_str(), n);
  std::fclose(f);
}

// Ranges and groups -------------------------------------------------------------------------------------------------

void IPluginBase::InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmt, double defaultVal,
                                 double minVal, double maxVal, double step, const char* label, int flags,
                                 const char* group, const IParam::Shape& shape, IParam::EUnit unit,
                                 IParam::DisplayFunc displayFunc)
{
  LibString name;
  for (int i = startIdx; i <= endIdx; ++i)
  {
    IParam* p = GetParam(i);
    if (!p)
      continue;
    name.FormatCapped(IParam::kTextSize, nameFmt, countStart + (i - startIdx));
    p->InitDouble(name.Get(), defaultVal, minVal, maxVal, step, label, flags, group, shape, unit, displayFunc);
  }
}

void IPluginBase::CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr,
                                  const char* replaceStr, const char* newGroup)
{
  for (int i = cloneStartIdx; i <= cloneEndIdx; ++i)
  {
    IParam* source = GetParam(i);
    IParam* target = GetParam(startIdx + (i - cloneStartIdx));
    if (!source || !target)
      continue;
    target->InitFrom(*source, searchStr, replaceStr, newGroup);
    target->Set(source->Value());
  }
}

void IPluginBase::CopyParamValues(int startIdx, int destIdx, int nParams)
{
  for (int i = 0; i < nParams; ++i)
  {
    IParam* source = GetParam(startIdx + i);
    IParam* target = GetParam(destIdx + i);
    if (source && target)
      target->Set(source->Value());
  }
}

void IPluginBase::CopyParamValues(const char* inGroup, const char* outGroup)
{
  std::vector<int> from, to;
  ForParamInGroup(inGroup, [&](int idx, IParam&) { from.push_back(idx); });
  ForParamInGroup(outGroup, [&](int idx, IParam&) { to.push_back(idx); });
  for (size_t i = 0; i < from.size() && i < to.size(); ++i)
    GetParam(to[i])->Set(GetParam(from[i])->Value());
}

void IPluginBase::ForParamInRange(int startIdx, int endIdx, const std::function<void(int, IParam&)>& func)
{
  for (int i = startIdx; i <= endIdx; ++i)
    if (IParam* p = GetParam(i))
      func(i, *p);
}

void IPluginBase::ForParamInGroup(const char* group, const std::function<void(int, IParam&)>& func)
{
  for (int i = 0; i < NParams(); ++i)
    if (std::strcmp(GetParam(i)->GetGroup(), group ? group : "") == 0)
      func(i, *GetParam(i));
}

void IPluginBase::DefaultParamValues(int startIdx, int endIdx)
{
  ForParamInRange(startIdx, endIdx, [](int, IParam& p) { p.SetToDefault(); });
}

void IPluginBase::DefaultParamValues(const char* group)
{
  ForParamInGroup(group, [](int, IParam& p) { p.SetToDefault(); });
}

namespace {
double RandomNormalised() { return double(float(std::rand()) * (1.0f / 2147483648.0f)); }
} // namespace

void IPluginBase::RandomiseParamValues(int startIdx, int endIdx)
{
  ForParamInRange(startIdx, endIdx, [](int, IParam& p) { p.SetNormalized(RandomNormalised()); });
}

void IPluginBase::RandomiseParamValues(const char* group)
{
  ForParamInGroup(group, [](int, IParam& p) { p.SetNormalized(RandomNormalised()); });
}

} // namespace plug
