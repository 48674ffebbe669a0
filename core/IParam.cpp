#include "core/IParam.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace plug {

namespace {
constexpr double kExpLowest = 1e-8; // lower end of an exponential range that starts at or below zero

/// Copies text into a fixed field, cut to fit.
void CopyField(char (&field)[IParam::kTextSize], const char* text)
{
  if (!text)
    text = "";
  const size_t len = strnlen(text, IParam::kTextSize - 1);
  std::memcpy(field, text, len);
  field[len] = 0;
}

/// Clamps to [lo, hi]; NaN gives lo.
double ClampValue(double v, double lo, double hi)
{
  if (!(v >= lo))
    return lo;
  return v > hi ? hi : v;
}

/// Rounds half away from zero to an int, the value first clamped to the int range (NaN gives 0).
int RoundToInt(double v)
{
  if (std::isnan(v))
    return 0;
  v = std::round(v);
  if (v <= double(INT_MIN))
    return INT_MIN;
  if (v >= double(INT_MAX))
    return INT_MAX;
  return static_cast<int>(v);
}

/// Decimals needed to show a step: 0 for whole steps, else the number of times it must be multiplied by 10
/// to become whole (at most 6).
int PrecisionForStep(double step)
{
  if (!std::isfinite(step))
    return 0;
  for (int p = 0; p <= 5; ++p)
  {
    if (std::trunc(step) == step)
      return p;
    step *= 10.0;
  }
  return 6;
}

const char* const kNoteNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};
} // namespace

// Shapes ------------------------------------------------------------------------------------------------------

double IParam::ShapeLinear::NormalizedToValue(double x, const IParam& p) const
{
  return p.GetMin() + p.GetRange() * x;
}

double IParam::ShapeLinear::ValueToNormalized(double v, const IParam& p) const
{
  const double range = p.GetRange();
  return range != 0.0 ? (v - p.GetMin()) / range : 0.0;
}

int IParam::ShapePowCurve::GetCurveKind() const
{
  if (mExponent > 2.5)
    return 6;
  if (mExponent > 1.5)
    return 4;
  if (mExponent < 0.4)
    return 5;
  if (mExponent < 2.0 / 3.0)
    return 3;
  return 0;
}

double IParam::ShapePowCurve::NormalizedToValue(double x, const IParam& p) const
{
  return p.GetMin() + p.GetRange() * std::pow(x, mExponent);
}

double IParam::ShapePowCurve::ValueToNormalized(double v, const IParam& p) const
{
  const double range = p.GetRange();
  if (range == 0.0 || mExponent == 0.0)
    return 0.0;
  return std::pow((v - p.GetMin()) / range, 1.0 / mExponent);
}

void IParam::ShapeExp::Init(const IParam& p)
{
  const double lo = p.GetMin() > 0.0 ? p.GetMin() : kExpLowest;
  mAdd = std::log(lo);
  mMul = std::log(p.GetMax() / lo);
}

double IParam::ShapeExp::NormalizedToValue(double x, const IParam& p) const
{
  return std::exp(x * mMul + mAdd);
}

double IParam::ShapeExp::ValueToNormalized(double v, const IParam& p) const
{
  if (mMul == 0.0)
    return 0.0;
  return (std::log(v) - mAdd) / mMul;
}

// Construction and initialisers ---------------------------------------------------------------------------------

IParam::IParam() : mShape(new ShapeLinear), mDisplayTexts(4096) {}

IParam::~IParam() = default;

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                        const char* label, int flags, const char* group, const Shape& shape, EUnit unit,
                        DisplayFunc displayFunc)
{
  if (mType == kTypeNone)
    mType = kTypeDouble;
  CopyField(mName, name);
  CopyField(mLabel, label);
  CopyField(mParamGroup, group);
  mMin = minVal;
  mMax = (minVal + step > maxVal) ? minVal + step : maxVal;
  mStep = step;
  mDefault = defaultVal;
  mUnit = unit;
  mFlags = flags;
  std::swap(mDisplayFunction, displayFunc);
  mValue.exchange(Constrain(defaultVal), std::memory_order_relaxed);
  mDisplayPrecision = PrecisionForStep(step);
  mShape.reset(shape.Clone());
  mShape->Init(*this);
}

// Out of line: inlined into a caller's loop over GetParam(i), the atomic store is seen on the null branch of the
// list look-up and warned about in optimised builds.
void IParam::Set(double v) { mValue.store(Constrain(v), std::memory_order_relaxed); }

void IParam::SetToDefault() { mValue.store(mDefault, std::memory_order_relaxed); }

void IParam::InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label, int flags,
                     const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeInt;
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, label, flags | kFlagStepped, group);
}

void IParam::InitEnum(const char* name, int defaultVal, int count, const char* label, int flags, const char* group,
                      const char* listItems, ...)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;
  InitDouble(name, defaultVal, 0, count - 1, 1.0, label, flags | kFlagStepped, group);
  if (listItems)
  {
    SetDisplayText(0, listItems);
    va_list args;
    va_start(args, listItems);
    for (int i = 1; i < count; ++i)
      SetDisplayText(i, va_arg(args, const char*));
    va_end(args);
  }
}

void IParam::InitEnum(const char* name, int defaultVal, std::initializer_list<const char*> texts, int flags,
                      const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;
  InitDouble(name, defaultVal, 0, static_cast<double>(texts.size()) - 1, 1.0, "", flags | kFlagStepped, group);
  int i = 0;
  for (const char* text : texts)
    SetDisplayText(i++, text);
}

void IParam::InitBool(const char* name, bool defaultVal, const char* label, int flags, const char* group,
                      const char* offText, const char* onText)
{
  if (mType == kTypeNone)
    mType = kTypeBool;
  InitDouble(name, defaultVal ? 1.0 : 0.0, 0.0, 1.0, 1.0, label, flags | kFlagStepped, group);
  SetDisplayText(0, offText);
  SetDisplayText(1, onText);
}

void IParam::InitFrequency(const char* name, int flags, const char* group, double defaultVal, double minVal,
                           double maxVal, double step)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "Hz", flags, group, ShapeExp(), kUnitFrequency);
}

void IParam::InitSeconds(const char* name, int flags, const char* group, double defaultVal, double minVal,
                         double maxVal, double step)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "Seconds", flags, group, ShapeLinear(), kUnitSeconds);
}

void IParam::InitMilliseconds(const char* name, int flags, const char* group, double defaultVal, double minVal,
                              double maxVal)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "ms", flags, group, ShapeLinear(), kUnitMilliseconds);
}

void IParam::InitGain(const char* name, int flags, const char* group, double defaultVal, double minVal,
                      double maxVal, double step)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "dB", flags, group, ShapeLinear(), kUnitDB);
}

void IParam::InitPercentage(const char* name, int flags, const char* group, double defaultVal, double minVal,
                            double maxVal)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "%", flags, group, ShapeLinear(), kUnitPercentage);
}

void IParam::InitAngleDegrees(const char* name, int flags, const char* group, double defaultVal, double minVal,
                              double maxVal)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "degrees", flags, group, ShapeLinear(), kUnitDegrees);
}

void IParam::InitPitch(const char* name, int defaultVal, int minNote, int maxNote, int flags, const char* group,
                       bool middleCAt3)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;
  InitDouble(name, defaultVal, 0, maxNote - minNote, 1.0, "", flags | kFlagStepped, group);
  LibString text;
  for (int n = minNote; n <= maxNote; ++n)
  {
    const int octave = n / 12 - (middleCAt3 ? 1 : 2);
    text.FormatCapped(kTextSize - 1, "%s%i", kNoteNames[((n % 12) + 12) % 12], octave);
    SetDisplayText(n - minNote, text.Get());
  }
}

void IParam::InitFrom(const IParam& source, const char* searchText, const char* replaceText, const char* newGroup)
{
  if (mType == kTypeNone)
    mType = source.mType;
  LibString name(source.mName);
  if (searchText && *searchText)
  {
    if (const char* hit = std::strstr(source.mName, searchText))
    {
      const int at = static_cast<int>(hit - source.mName);
      name.Set(source.mName, at);
      name.Append(replaceText ? replaceText : "");
      name.Append(hit + std::strlen(searchText));
    }
  }
  InitDouble(name.Get(), source.mDefault, source.mMin, source.mMax, source.mStep, source.mLabel, source.mFlags,
             (newGroup && *newGroup) ? newGroup : source.mParamGroup, *source.mShape, source.mUnit,
             source.mDisplayFunction);
  for (int i = 0; i < source.NDisplayTexts(); ++i)
  {
    double v = 0.0;
    const char* text = source.GetDisplayTextAtIdx(i, &v);
    SetDisplayText(v, text);
  }
}

// Values ----------------------------------------------------------------------------------------------------------

double IParam::Constrain(double v) const
{
  if (GetStepped() && mStep > 0.0)
    v = std::round(v / mStep) * mStep;
  return ClampValue(v, mMin, mMax);
}

double IParam::FromNormalized(double x) const
{
  return Constrain(mShape->NormalizedToValue(x, *this));
}

double IParam::ToNormalized(double v) const
{
  return ClampValue(mShape->ValueToNormalized(Constrain(v), *this), 0.0, 1.0);
}

int IParam::Int() const
{
  const double v = Value();
  if (std::isnan(v))
    return 0;
  if (v <= double(INT_MIN))
    return INT_MIN;
  if (v >= double(INT_MAX))
    return INT_MAX;
  return static_cast<int>(v);
}

const char* IParam::GetLabel() const
{
  const double v = Value();
  if (NDisplayTexts() > 0 && std::isfinite(v) && *GetDisplayTextForValue(std::trunc(v)))
    return "";
  return mLabel;
}

// Display texts -----------------------------------------------------------------------------------------------------

void IParam::SetDisplayText(double value, const char* text)
{
  DisplayText entry{};
  entry.mValue = value;
  CopyField(entry.mText, text);
  mDisplayTexts.Add(entry);
}

const char* IParam::GetDisplayTextAtIdx(int idx, double* value) const
{
  if (idx < 0 || idx >= NDisplayTexts())
    return "";
  const DisplayText& entry = mDisplayTexts.Get()[idx];
  if (value)
    *value = entry.mValue;
  return entry.mText;
}

const char* IParam::GetDisplayTextForValue(double value) const
{
  const DisplayText* entries = mDisplayTexts.Get();
  for (int i = 0; i < NDisplayTexts(); ++i)
    if (entries[i].mValue == value)
      return entries[i].mText;
  return "";
}

bool IParam::MapDisplayText(const char* text, double* value) const
{
  if (!text)
    return false;
  const DisplayText* entries = mDisplayTexts.Get();
  for (int i = 0; i < NDisplayTexts(); ++i)
  {
    if (std::strcmp(entries[i].mText, text) == 0)
    {
      if (value)
        *value = entries[i].mValue;
      return true;
    }
  }
  return false;
}

void IParam::GetDisplayAndLabel(LibString& out, bool withDisplayText) const
{
  GetDisplay(out, withDisplayText);
  if (*GetLabel())
  {
    out.Append(" ");
    out.Append(GetLabel());
  }
}

void IParam::GetDisplay(bool normalized, LibString& out, bool withDisplayText, double value) const
{
  if (normalized)
    value = FromNormalized(value);
  if (mDisplayFunction)
  {
    mDisplayFunction(value, out);
    return;
  }
  if (withDisplayText)
  {
    const char* text = GetDisplayTextForValue(value);
    if (*text)
    {
      out.Set(text, kDisplayMax);
      return;
    }
  }
  if (mFlags & kFlagNegateDisplay)
    value = -value;
  if (value == 0.0)
    value = 0.0; // never show "-0"
  if (mDisplayPrecision == 0)
    out.FormatCapped(kDisplayMax, "%d", RoundToInt(value));
  else if ((mFlags & kFlagSignDisplay) && value != 0.0)
    out.FormatCapped(kDisplayMax, "%+.*f", mDisplayPrecision, value);
  else
    out.FormatCapped(kDisplayMax, "%.*f", mDisplayPrecision, value);
}

double IParam::StringToValue(const char* text) const
{
  if (!text)
    text = "";
  double v = 0.0;
  if (MapDisplayText(text, &v))
    return v;
  if (mType == kTypeBool || mType == kTypeEnum)
    return 0.0;
  v = std::strtod(text, nullptr);
  if (mFlags & kFlagNegateDisplay)
    v = -v;
  return Constrain(v);
}

void IParam::GetJSON(LibString& out, int index) const
{
  constexpr int kCap = 8192;
  static const char* const kTypeNames[] = {"", "bool", "int", "enum", "float"};
  out.AppendFormatCapped(kCap, "{");
  out.AppendFormatCapped(kCap, "\"id\":%i, ", index);
  out.AppendFormatCapped(kCap, "\"name\":\"%s\", ", mName);
  if (mType >= kTypeBool && mType <= kTypeDouble)
    out.AppendFormatCapped(kCap, "\"type\":\"%s\", ", kTypeNames[mType]);
  out.AppendFormatCapped(kCap, "\"min\":%f, ", mMin);
  out.AppendFormatCapped(kCap, "\"max\":%f, ", mMax);
  out.AppendFormatCapped(kCap, "\"default\":%f, ", mDefault);
  out.AppendFormatCapped(kCap, "\"rate\":\"control\"");
  out.AppendFormatCapped(kCap, "}");
}

} // namespace plug
