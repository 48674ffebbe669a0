// Parameter precision, initialisers, display texts, constraining and parsing.
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

#include <gtest/gtest.h>

#include "core/IParam.h"

using plug::IParam;
using plug::LibString;

namespace {
std::string Display(const IParam& p, double value, bool withTexts = true)
{
  LibString s;
  p.GetDisplay(false, s, withTexts, value);
  return s.Get();
}
} // namespace

TEST(IParamPrecision, FollowsTheStep)
{
  const struct
  {
    double step;
    int precision;
  } cases[] = {{0.1, 1}, {0.25, 2}, {0.001, 3}, {0.00001, 5}, {1e-7, 6}, {2.0, 0}, {0.01, 2}, {1.0, 0}};
  for (const auto& c : cases)
  {
    IParam p;
    p.InitDouble("p", 0, 0, 10, c.step);
    EXPECT_EQ(p.GetDisplayPrecision(), c.precision) << "step " << c.step;
  }
}

// Before any initialiser a parameter is an untyped, unstepped value at 0 in [0, 1].
TEST(IParamInit, FreshParameterIsZeroInZeroToOne)
{
  IParam p;
  EXPECT_EQ(p.Type(), IParam::kTypeNone);
  EXPECT_EQ(p.Value(), 0.0);
  EXPECT_EQ(p.GetMin(), 0.0);
  EXPECT_EQ(p.GetMax(), 1.0);
  EXPECT_EQ(p.GetStep(), 1.0);
  EXPECT_EQ(p.GetDefault(), 0.0);
  EXPECT_EQ(p.GetFlags(), 0);
  EXPECT_EQ(p.GetDisplayPrecision(), 0);
  EXPECT_STREQ(p.GetName(), "");
  EXPECT_EQ(p.Constrain(0.75), 0.75);
  EXPECT_EQ(p.ToNormalized(0.25), 0.25);
  EXPECT_EQ(p.FromNormalized(0.5), 0.5);
}

TEST(IParamInit, EmptyRangeGetsOneStep)
{
  IParam p;
  p.InitDouble("p", 0, 0, 0, 1);
  EXPECT_EQ(p.GetMax(), 1.0);
}

TEST(IParamInit, LongTextsAreCutToTheirFields)
{
  IParam p;
  const std::string longName(100, 'n');
  p.InitDouble(longName.c_str(), 0, 0, 1, 0.1, longName.c_str(), 0, longName.c_str());
  EXPECT_EQ(std::strlen(p.GetName()), 31u);
  EXPECT_EQ(std::strlen(p.GetLabel()), 31u);
  EXPECT_EQ(std::strlen(p.GetGroup()), 31u);
  p.SetDisplayText(0.5, longName.c_str());
  EXPECT_EQ(std::strlen(p.GetDisplayTextForValue(0.5)), 31u);
}

TEST(IParamInit, TypedInitialisersSetTypeStepAndTexts)
{
  IParam e;
  e.InitEnum("Mode", 1, 3, "", 0, "G", "a", "b", "c");
  EXPECT_EQ(e.Type(), IParam::kTypeEnum);
  EXPECT_TRUE(e.GetStepped());
  EXPECT_EQ(e.GetMax(), 2.0);
  EXPECT_STREQ(e.GetDisplayTextForValue(2.0), "c");

  // Given only a name, a default and its values, an enumeration is stepped, can be automated and has no group.
  IParam listed, counted;
  listed.InitEnum("Listed", 1, {"x", "y", "z"});
  counted.InitEnum("Counted", 1, 3);
  for (const IParam* given : {&listed, &counted})
  {
    EXPECT_EQ(given->Type(), IParam::kTypeEnum);
    EXPECT_EQ(given->GetFlags(), IParam::kFlagStepped) << given->GetName();
    EXPECT_STREQ(given->GetGroup(), "");
    EXPECT_EQ(given->GetMax(), 2.0);
    EXPECT_EQ(given->Value(), 1.0);
  }
  EXPECT_STREQ(listed.GetDisplayTextForValue(2.0), "z");

  IParam b;
  b.InitBool("On", true, "", 0, "", "no", "yes");
  EXPECT_EQ(b.Type(), IParam::kTypeBool);
  EXPECT_EQ(b.Value(), 1.0);
  EXPECT_EQ(Display(b, 0.0), "no");

  IParam copy;
  copy.InitFrom(e, "Mode", "Style", "H");
  EXPECT_STREQ(copy.GetName(), "Style");
  EXPECT_STREQ(copy.GetGroup(), "H");
  EXPECT_EQ(copy.NDisplayTexts(), 3);
}

// A switch given only its name and default reads "off" and "on", has no label or group, and can be automated.
TEST(IParamInit, SwitchGivenOnlyItsNameReadsOffAndOn)
{
  IParam b;
  b.InitBool("Switch", false);
  EXPECT_EQ(Display(b, 0.0), "off");
  EXPECT_EQ(Display(b, 1.0), "on");
  EXPECT_STREQ(b.GetLabel(), "");
  EXPECT_STREQ(b.GetGroup(), "");
  EXPECT_TRUE(b.GetCanAutomate());
}

// A copy takes everything from its source; its name has the first match of the search text replaced, and it
// keeps the source's group unless it is given a group of its own. Missing or empty texts leave things as they are.
TEST(IParamInit, CopyRenamesAndRegroupsOnlyWhenAsked)
{
  IParam source;
  source.InitDouble("Left Gain", 2.5, -10, 10, 0.5, "dB", IParam::kFlagStepped, "Left");
  source.SetDisplayText(-10.0, "off");
  const struct
  {
    const char* search;
    const char* replace;
    const char* group;
    const char* name;
    const char* expectedGroup;
  } cases[] = {
    {"Left", "Right", "Out", "Right Gain", "Out"}, {"Left ", nullptr, "", "Gain", "Left"},
    {"", "X", "", "Left Gain", "Left"},            {"Gain", "Level", nullptr, "Left Level", "Left"},
    {"Missing", "X", nullptr, "Left Gain", "Left"}, {nullptr, "X", nullptr, "Left Gain", "Left"},
  };
  for (const auto& c : cases)
  {
    IParam copy;
    copy.InitFrom(source, c.search, c.replace, c.group);
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(copy.GetName(), c.name);
    EXPECT_STREQ(copy.GetGroup(), c.expectedGroup);
    EXPECT_STREQ(copy.GetLabel(), "dB");
    EXPECT_EQ(copy.Type(), source.Type());
    EXPECT_EQ(copy.GetFlags(), source.GetFlags());
    EXPECT_EQ(copy.GetMin(), -10.0);
    EXPECT_EQ(copy.GetMax(), 10.0);
    EXPECT_EQ(copy.GetStep(), 0.5);
    EXPECT_EQ(copy.GetDefault(), 2.5);
    EXPECT_EQ(Display(copy, -10.0), "off");
  }
}

TEST(IParamConstrain, RoundsHalfAwayFromZeroThenClamps)
{
  IParam p;
  p.InitDouble("p", 0, -10, 10, 0.5, "", IParam::kFlagStepped);
  p.Set(0.74);
  EXPECT_EQ(p.Value(), 0.5);
  p.Set(0.75);
  EXPECT_EQ(p.Value(), 1.0);
  p.Set(-0.75);
  EXPECT_EQ(p.Value(), -1.0);
  p.Set(1e9);
  EXPECT_EQ(p.Value(), 10.0);
  p.Set(std::nan(""));
  EXPECT_EQ(p.Value(), -10.0) << "a NaN never enters a parameter";
}

// A value between two steps has the normalised value of the step it rounds to.
TEST(IParamConstrain, OffStepValuesNormaliseAsTheStepTheyRoundTo)
{
  IParam stages;
  stages.InitInt("i", 0, 0, 2);
  IParam half;
  half.InitDouble("h", 0, -10, 10, 0.5, "", IParam::kFlagStepped);
  const struct
  {
    const IParam& param;
    double value, normalized;
  } cases[] = {{stages, 1.4, 0.5}, {stages, 1.6, 1.0}, {stages, -0.4, 0.0}, {stages, 7.0, 1.0},
               {half, 0.74, 0.525}, {half, -9.8, 0.0}};
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(c.param.ToNormalized(c.value), c.normalized) << c.param.GetName() << " " << c.value;
}

TEST(IParamConstrain, NonPositiveStepDoesNotDivideByZero)
{
  IParam p;
  p.InitDouble("p", 0.3, 0, 1, 0.0, "", IParam::kFlagStepped);
  EXPECT_DOUBLE_EQ(p.Value(), 0.3);
  p.Set(0.77);
  EXPECT_DOUBLE_EQ(p.Value(), 0.77);
  IParam n;
  n.InitDouble("n", 0.3, 0, 1, -0.1, "", IParam::kFlagStepped);
  EXPECT_TRUE(std::isfinite(n.Value()));
}

// Display texts: precision from the step, sign and negate flags (never "-0"), enum texts or numbers, huge values
// clamped before conversion, normalised values converted first.
TEST(IParamDisplay, Texts)
{
  IParam negate0, negate2, sign, e, huge, plain;
  negate0.InitDouble("p", 0, -5, 5, 1, "", IParam::kFlagNegateDisplay);
  negate2.InitDouble("p", 0, -5, 5, 0.01, "", IParam::kFlagNegateDisplay);
  sign.InitDouble("p", 0, -5, 5, 0.1, "", IParam::kFlagSignDisplay);
  e.InitEnum("e", 0, 3, "", 0, "", "zero", "one", "two");
  huge.InitDouble("p", 0, -1e300, 1e300, 1);
  plain.InitDouble("p", 0, 0, 10, 0.1);
  const struct
  {
    const IParam* p;
    bool normalized, withTexts;
    double value;
    const char* text;
  } cases[] = {
    {&negate0, false, true, 0.0, "0"},       {&negate2, false, true, 0.0, "0.00"},
    {&negate2, false, true, 1.5, "-1.50"},   {&sign, false, true, 3.0, "+3.0"},
    {&sign, false, true, -3.0, "-3.0"},      {&sign, false, true, 0.0, "0.0"},
    {&e, false, true, 1.0, "one"},           {&e, false, false, 1.0, "1"},
    {&huge, false, true, 1e300, "2147483647"}, {&huge, false, true, -1e300, "-2147483648"},
    {&plain, true, true, 0.25, "2.5"},
  };
  for (const auto& c : cases)
  {
    LibString s;
    c.p->GetDisplay(c.normalized, s, c.withTexts, c.value);
    EXPECT_STREQ(s.Get(), c.text) << c.value;
  }
  // The texts by their place in the list; a place outside it has none and leaves the value alone.
  for (int idx : {-1, 0, 2, 3})
  {
    double value = 9.0;
    const bool inside = idx >= 0 && idx < 3;
    EXPECT_STREQ(e.GetDisplayTextAtIdx(idx, &value), inside ? (idx == 0 ? "zero" : "two") : "") << idx;
    EXPECT_EQ(value, inside ? idx : 9.0) << idx;
  }
}

TEST(IParamDisplay, LabelIsHiddenWhenTheTruncatedValueHasAText)
{
  IParam p;
  p.InitDouble("p", 1.7, 0, 3, 0.1, "units");
  p.SetDisplayText(1.0, "one");
  EXPECT_STREQ(p.GetLabel(), "");
  p.Set(2.5);
  EXPECT_STREQ(p.GetLabel(), "units");
}

TEST(IParamParse, StringToValue)
{
  // Each text maps to its own value and an unknown one to none; in a process of its own, so that a search running
  // past the list fails this check rather than ending the program.
  EXPECT_EXIT(
      {
        IParam e;
        e.InitEnum("e", 0, 4, "", 0, "", "w", "x", "y", "z");
        bool all = !e.MapDisplayText("v", nullptr) && e.MapDisplayText("z", nullptr);
        for (int i = 0; i < 4; ++i)
        {
          double value = -1.0;
          all = all && e.MapDisplayText(e.GetDisplayTextAtIdx(i), &value) && value == i;
        }
        std::exit(all ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  IParam b;
  b.InitBool("b", true, "", 0, "", "off", "on");
  EXPECT_EQ(b.StringToValue("off"), 0.0);
  EXPECT_EQ(b.StringToValue("on"), 1.0);
  EXPECT_EQ(b.StringToValue("maybe"), 0.0);
  EXPECT_EQ(b.StringToValue("1"), 0.0) << "a switch reads only its texts";
  IParam e;
  e.InitEnum("e", 1, 3, "", 0, "", "x", "y", "z");
  EXPECT_EQ(e.StringToValue("z"), 2.0);
  EXPECT_EQ(e.StringToValue("2"), 0.0) << "an enumeration reads only its texts";
  IParam d;
  d.InitDouble("d", 0, 0, 10, 0.1);
  EXPECT_EQ(d.StringToValue("12.5"), 10.0);
  EXPECT_DOUBLE_EQ(d.StringToValue("3.14 dB"), 3.14);
  EXPECT_EQ(d.StringToValue("abc"), 0.0);
  IParam neg;
  neg.InitDouble("n", 0, -10, 10, 1, "", IParam::kFlagNegateDisplay);
  EXPECT_EQ(neg.StringToValue("4"), -4.0);
}

// What no caller should send still gives a defined answer: no text reads as empty (the lowest value), a value
// beyond the int range gives that range's end as an int.
TEST(IParamParse, MissingTextsAndValuesBeyondTheIntRange)
{
  IParam b;
  b.InitBool("b", true, "", 0, "", "off", "on");
  double mapped = 5.0;
  EXPECT_FALSE(b.MapDisplayText(nullptr, &mapped));
  EXPECT_EQ(mapped, 5.0);
  EXPECT_EQ(b.StringToValue(nullptr), 0.0);
  IParam d;
  d.InitDouble("d", 0, 2, 10, 0.1);
  EXPECT_EQ(d.StringToValue(nullptr), 2.0);
  IParam wide;
  wide.InitDouble(nullptr, 0, -1e12, 1e12, 1);
  EXPECT_STREQ(wide.GetName(), "");
  const std::pair<double, int> cases[] = {
    {1e11, INT_MAX}, {2147483647.0, INT_MAX}, {-1e11, INT_MIN}, {-2147483648.0, INT_MIN}, {-12.0, -12}};
  for (const auto& [value, asInt] : cases)
  {
    wide.Set(value);
    EXPECT_EQ(wide.Int(), asInt) << value;
  }
}

// Normalised positions through each shape and back; an exponential range from 0 still reaches its top, and a power
// of none normalises to 0.
TEST(IParamShapes, NormalisedValuesFollowTheShape)
{
  IParam squared, flat, frequency, fromZero;
  squared.InitDouble("p", 0, 0, 100, 0.01, "", 0, "", IParam::ShapePowCurve(2.0));
  flat.InitDouble("p", 0, 0, 100, 0.01, "", 0, "", IParam::ShapePowCurve(0.0)); // every position is the top
  frequency.InitFrequency("f", 0, "", 1000, 20, 20000, 0.01);
  fromZero.InitDouble("z", 1, 0, 10, 0.01, "", 0, "", IParam::ShapeExp());
  const struct
  {
    const IParam* p;
    double normalized, value;
  } cases[] = {
    {&squared, 0.5, 25.0}, {&squared, 1.0, 100.0}, {&flat, 0.0, 100.0}, {&frequency, 0.5, 632.46}, {&frequency, 1.0, 20000.0},
    {&fromZero, 1.0, 10.0}, {&fromZero, 0.5, 3.1623e-4}, // from 0 the range starts at 1e-8
  };
  for (const auto& c : cases)
  {
    EXPECT_NEAR(c.p->FromNormalized(c.normalized), c.value, c.value * 1e-4) << c.p->GetName() << " " << c.normalized;
    EXPECT_NEAR(c.p->ToNormalized(c.value), c.normalized, 1e-4) << c.p->GetName() << " " << c.value;
  }
}

// Note names by octave: middle C (60) is in octave 3, or in octave 4 with the middle-note flag.
TEST(IParamInit, PitchTextsNameNoteAndOctave)
{
  IParam plain, middle;
  plain.InitPitch("n", 60, 59, 61, 0, "", false);
  middle.InitPitch("n", 60, 59, 61, 0, "", true);
  EXPECT_STREQ(plain.GetDisplayTextForValue(0), "B 2");
  EXPECT_STREQ(plain.GetDisplayTextForValue(1), "C 3");
  EXPECT_STREQ(plain.GetDisplayTextForValue(2), "C#3");
  EXPECT_STREQ(middle.GetDisplayTextForValue(1), "C 4");
}

TEST(IParamJSON, DescribesNameTypeAndRange)
{
  IParam p;
  p.InitDouble("Gain", 1, -2, 10, 0.5);
  LibString json;
  p.GetJSON(json, 3);
  EXPECT_STREQ(json.Get(), "{\"id\":3, \"name\":\"Gain\", \"type\":\"float\", \"min\":-2.000000, \"max\":10.000000, "
                           "\"default\":1.000000, \"rate\":\"control\"}");
}
