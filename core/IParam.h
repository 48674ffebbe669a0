// One automatable parameter: type, range, step, default, unit label, group, the current value (atomic), texts
// shown for chosen values, and a shape mapping between the value and the normalised 0..1 value that hosts and
// controls use. Every value entering the plug-in passes Constrain; every text shown for a value comes from
// GetDisplay.
#pragma once

#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>

#include "core/LibString.h"
#include "core/LibTypedBuf.h"

namespace plug {

class IParam
{
public:
  enum EValueType
  {
    kTypeNone = 0,
    kTypeBool = 1,
    kTypeInt = 2,
    kTypeEnum = 3,
    kTypeDouble = 4,
  };

  enum EUnit
  {
    kUnitPercentage = 0,
    kUnitSeconds = 1,
    kUnitMilliseconds = 2,
    kUnitDB = 4,
    kUnitDegrees = 8,
    kUnitFrequency = 12,
    kUnitCustom = 21,
  };

  enum EFlags
  {
    kFlagsNone = 0,
    kFlagCannotAutomate = 1,
    kFlagStepped = 2,
    kFlagNegateDisplay = 4,
    kFlagSignDisplay = 8,
  };

  /// Size of the name, label, group and display-text fields (31 characters and a terminator).
  static constexpr int kTextSize = 32;
  /// Longest text GetDisplay writes.
  static constexpr int kDisplayMax = 32;

  using DisplayFunc = std::function<void(double value, LibString& text)>;

  /// The curve between a parameter's value and its normalised value.
  class Shape
  {
  public:
    virtual ~Shape() = default;
    virtual Shape* Clone() const = 0;
    /// Precomputes constants from the parameter's range.
    virtual void Init(const IParam& param) {}
    virtual int GetCurveKind() const = 0;
    virtual double NormalizedToValue(double x, const IParam& param) const = 0;
    virtual double ValueToNormalized(double v, const IParam& param) const = 0;
  };

  class ShapeLinear : public Shape
  {
  public:
    Shape* Clone() const override { return new ShapeLinear(*this); }
    int GetCurveKind() const override { return 0; }
    double NormalizedToValue(double x, const IParam& param) const override;
    double ValueToNormalized(double v, const IParam& param) const override;
  };

  class ShapePowCurve : public Shape
  {
  public:
    explicit ShapePowCurve(double exponent) : mExponent(exponent) {}
    Shape* Clone() const override { return new ShapePowCurve(*this); }
    int GetCurveKind() const override;
    double NormalizedToValue(double x, const IParam& param) const override;
    double ValueToNormalized(double v, const IParam& param) const override;
    double mExponent;
  };

  class ShapeExp : public Shape
  {
  public:
    Shape* Clone() const override { return new ShapeExp(*this); }
    void Init(const IParam& param) override;
    int GetCurveKind() const override { return 1; }
    double NormalizedToValue(double x, const IParam& param) const override;
    double ValueToNormalized(double v, const IParam& param) const override;
    double mMul = 1.0;
    double mAdd = 1.0;
  };

  IParam();
  ~IParam();
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // Initialisers [main thread, before the plug-in is handed to the host]. Each ends in InitDouble.
  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", int flags = 0, const char* group = "", const Shape& shape = ShapeLinear(),
                  EUnit unit = kUnitCustom, DisplayFunc displayFunc = nullptr);
  void InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label = "", int flags = 0,
               const char* group = "");
  /// count values 0..count-1; when listItems is given, count texts follow it as further const char* arguments
  /// (listItems being the first).
  void InitEnum(const char* name, int defaultVal, int count, const char* label = "", int flags = 0,
                const char* group = "", const char* listItems = nullptr, ...);
  void InitEnum(const char* name, int defaultVal, std::initializer_list<const char*> texts, int flags = 0,
                const char* group = "");
  void InitBool(const char* name, bool defaultVal, const char* label = "", int flags = 0, const char* group = "",
                const char* offText = "off", const char* onText = "on");
  void InitFrequency(const char* name, int flags, const char* group, double defaultVal, double minVal,
                     double maxVal, double step);
  void InitSeconds(const char* name, int flags, const char* group, double defaultVal, double minVal,
                   double maxVal, double step);
  void InitMilliseconds(const char* name, int flags, const char* group, double defaultVal, double minVal,
                        double maxVal);
  void InitGain(const char* name, int flags, const char* group, double defaultVal, double minVal, double maxVal,
                double step);
  void InitPercentage(const char* name, int flags, const char* group, double defaultVal, double minVal,
                      double maxVal);
  void InitAngleDegrees(const char* name, int flags, const char* group, double defaultVal, double minVal,
                        double maxVal);
  void InitPitch(const char* name, int defaultVal, int minNote, int maxNote, int flags, const char* group,
                 bool middleCAt3);
  void InitFrom(const IParam& source, const char* searchText, const char* replaceText, const char* newGroup);

  // Values [any thread; no allocation, no lock].
  double Value() const { return mValue.load(std::memory_order_relaxed); }
  /// Rounded to the step (half away from zero) when stepped, then clamped to [min, max].
  double Constrain(double v) const;
  void Set(double v);
  double FromNormalized(double x) const;
  void SetNormalized(double x) { Set(FromNormalized(x)); }
  /// shape(Constrain(v)) clamped to [0, 1].
  double ToNormalized(double v) const;
  double GetNormalized() const { return ToNormalized(Value()); }
  void SetToDefault();
  /// Value taken as int, truncated toward zero (clamped to the int range first).
  int Int() const;
  bool Bool() const { return Value() >= 0.5; }

  EValueType Type() const { return mType; }
  EUnit Unit() const { return mUnit; }
  int GetFlags() const { return mFlags; }
  bool GetStepped() const { return (mFlags & kFlagStepped) != 0; }
  bool GetCanAutomate() const { return (mFlags & kFlagCannotAutomate) == 0; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetRange() const { return mMax - mMin; }
  double GetStep() const { return mStep; }
  double GetDefault(bool normalized = false) const { return normalized ? ToNormalized(mDefault) : mDefault; }
  int GetDisplayPrecision() const { return mDisplayPrecision; }
  void SetDisplayPrecision(int precision) { mDisplayPrecision = precision; }
  void GetBounds(double& lo, double& hi) const
  {
    lo = mMin;
    hi = mMax;
  }
  const Shape& GetShape() const { return *mShape; }

  const char* GetName() const { return mName; }
  /// The unit label, or "" when a display text exists for the current value (truncated to an integer).
  const char* GetLabel() const;
  const char* GetGroup() const { return mParamGroup; }

  // Display texts.
  void SetDisplayText(double value, const char* text);
  int NDisplayTexts() const { return mDisplayTexts.GetSize(); }
  const char* GetDisplayTextAtIdx(int idx, double* value = nullptr) const;
  const char* GetDisplayTextForValue(double value) const;
  bool MapDisplayText(const char* text, double* value) const;

  /// Text for a value (normalised or not): display function, display text, or the number at the display
  /// precision. At most 32 characters.
  void GetDisplay(bool normalized, LibString& out, bool withDisplayText, double value) const;
  /// Text for the current value.
  void GetDisplay(LibString& out, bool withDisplayText = true) const { GetDisplay(false, out, withDisplayText, Value()); }
  /// Text for the current value, then " " and the unit label when there is one.
  void GetDisplayAndLabel(LibString& out, bool withDisplayText = true) const;
  /// Parses a text: a display text, else (bool/enum: 0) the leading number, negated, stepped and clamped.
  double StringToValue(const char* text) const;

  /// Appends a one-line JSON description of the parameter.
  void GetJSON(LibString& out, int index) const;

private:
  struct DisplayText
  {
    double mValue;
    char mText[kTextSize];
  };

  EValueType mType = kTypeNone;
  EUnit mUnit = kUnitCustom;
  std::atomic<double> mValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  int mFlags = 0;
  char mName[kTextSize] = {};
  char mLabel[kTextSize] = {};
  char mParamGroup[kTextSize] = {};
  std::unique_ptr<Shape> mShape;
  DisplayFunc mDisplayFunction;
  LibTypedBuf<DisplayText> mDisplayTexts;
};

} // namespace plug
