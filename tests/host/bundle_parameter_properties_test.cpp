// The parameter properties hosts read from the loaded bundle. Ardour names a parameter's control and automation lane
// by their label and makes it a toggle by their switch flag; Ardour and Qtractor take their ranges and steps as those
// of the value passed to setParameter and read from getParameter: walked as Ardour walks them, every value of every
// stepped parameter must be reached, and kept as Qtractor keeps them in a saved session, every value must come back.
// Every host gets the same answer. A parameter with two values, off and on, is a switch in every host.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "loaded_bundle.h"

using hosttest::Instance;
using hosttest::NamedHost;

namespace {

constexpr int kParams = 25;
constexpr int kOversampling = 2, kClipCeiling = 5, kVUReference = 8, kSaturationMode = 17, kSaturationStages = 18;

/// A parameter with a few values, and how many.
struct Stepped
{
  int idx, values;
};
constexpr Stepped kStepped[] = {{1, 2},  {2, 3},  {3, 2},   {4, 2},   {6, 2},  {7, 5},  {8, 37}, {9, 37}, {10, 37},
                                {11, 37}, {12, 37}, {13, 5}, {14, 2}, {15, 2}, {16, 5}, {17, 4}, {18, 5}, {22, 2}};

/// An instance opened by a host with this product name.
struct OpenedIn
{
  explicit OpenedIn(const char* product) : instance((NamedHost::SetProduct(product), NamedHost::Callback))
  {
    instance.Call(vst2::effOpen);
  }
  vst2::ParameterProperties Properties(int idx) const
  {
    vst2::ParameterProperties p{};
    EXPECT_EQ(instance.Call(vst2::effGetParameterProperties, idx, 0, &p), 1) << idx;
    return p;
  }
  Instance instance;
};

/// The range and step of the control Ardour makes for a parameter from its properties.
struct ArdourControl
{
  float lower, upper, step;
};

ArdourControl AsArdourReadsIt(const vst2::ParameterProperties& p)
{
  ArdourControl c{0.f, 1.f, 0.f};
  if (p.flags & vst2::kParamUsesIntegerMinMax)
    c = {float(p.minInteger), float(p.maxInteger), 0.f};
  const float range = c.upper - c.lower;
  if ((p.flags & vst2::kParamUsesIntStep) && float(p.stepInteger) < range)
    c.step = float(p.stepInteger);
  else if ((p.flags & vst2::kParamUsesFloatStep) && p.stepFloat < range)
    c.step = p.stepFloat;
  else
    c.step = range / 100.f;
  return c;
}

/// The texts a parameter shows over every value the control sends, lower to upper by its step.
std::set<std::string> TextsReached(const Instance& p, int idx, const ArdourControl& c)
{
  std::set<std::string> texts;
  for (int i = 0; c.lower + float(i) * c.step <= c.upper + 1e-4f; ++i)
  {
    p.SetParam(idx, c.lower + float(i) * c.step);
    texts.insert(p.Text(vst2::effGetParamDisplay, idx));
  }
  return texts;
}

TEST(BundleParameterProperties, InArdourEveryValueOfEverySteppedParameterIsReached)
{
  const OpenedIn ardour("Ardour");
  for (const Stepped& s : kStepped)
  {
    const ArdourControl c = AsArdourReadsIt(ardour.Properties(s.idx));
    EXPECT_EQ(c.lower, 0.f) << s.idx; // a normalised value such as 0.5 is inside what Ardour accepts
    EXPECT_EQ(c.upper, 1.f) << s.idx;
    EXPECT_EQ(TextsReached(ardour.instance, s.idx, c).size(), size_t(s.values)) << s.idx;
  }
}

/// The value a host that keeps parameters as Qtractor does stores for one it read from getParameter: clamped to the
/// answered range and, for an integer step or a switch, rounded to a whole step, both taken in the units of that
/// value (Qtractor keeps a value so, in its form and its saved session). A float step is rounded to as well, as a
/// host may: each step answered must be one the value lands on.
float AsQtractorKeepsIt(const vst2::ParameterProperties& p, float v)
{
  float lower = 0.f, upper = 1.f, step = 0.f;
  if (p.flags & vst2::kParamUsesIntegerMinMax)
    lower = float(p.minInteger), upper = float(p.maxInteger);
  if (p.flags & vst2::kParamIsSwitch)
    step = upper - lower;
  else if (p.flags & vst2::kParamUsesIntStep)
    step = float(p.stepInteger);
  else if (p.flags & vst2::kParamUsesFloatStep)
    step = p.stepFloat;
  v = std::clamp(v, lower, upper);
  return step > 0.f ? std::clamp(lower + std::round((v - lower) / step) * step, lower, upper) : v;
}

// A session saved and reopened: each value read from one instance, kept as that host keeps it, and set on the
// instance the reopened session makes.
TEST(BundleParameterProperties, InQtractorEveryValueOfEverySteppedParameterSurvivesASavedSession)
{
  const OpenedIn saved("Qtractor"), reopened("Qtractor");
  size_t values = 0;
  for (const Stepped& s : kStepped)
  {
    const vst2::ParameterProperties p = saved.Properties(s.idx);
    for (int i = 0; i < s.values; ++i)
    {
      saved.instance.SetParam(s.idx, float(i) / float(s.values - 1));
      const float value = saved.instance.GetParam(s.idx);
      reopened.instance.SetParam(s.idx, AsQtractorKeepsIt(p, value));
      EXPECT_EQ(reopened.instance.Text(vst2::effGetParamDisplay, s.idx),
                saved.instance.Text(vst2::effGetParamDisplay, s.idx))
          << saved.instance.Text(vst2::effGetParamName, s.idx) << " value " << i;
      EXPECT_FLOAT_EQ(reopened.instance.GetParam(s.idx), value) << s.idx << " value " << i;
      ++values;
    }
  }
  EXPECT_EQ(values, 226u);
}

// Every host gets the parameter's name in the label and a short form of it in the short label (the unit stays with
// effGetParamLabel), and the parameters that show two texts over their whole range, off and on, carry the switch.
TEST(BundleParameterProperties, EachNamesItsParameterAndTwoWayChoicesAreSwitches)
{
  for (const char* product : {"Ardour", "Reaper"})
  {
    const OpenedIn host(product);
    std::set<std::string> labels, shortLabels;
    int switches = 0;
    for (int idx = 0; idx < kParams; ++idx)
    {
      const vst2::ParameterProperties p = host.Properties(idx);
      EXPECT_EQ(p.label, host.instance.Text(vst2::effGetParamName, idx)) << product << " " << idx;
      labels.insert(p.label);
      ASSERT_LT(strnlen(p.shortLabel, sizeof(p.shortLabel)), sizeof(p.shortLabel)) << idx;
      shortLabels.insert(p.shortLabel);
      const bool twoWay = TextsReached(host.instance, idx, {0.f, 1.f, 0.01f}).size() == 2;
      EXPECT_EQ((p.flags & vst2::kParamIsSwitch) != 0, twoWay) << product << " " << idx;
      switches += twoWay;
    }
    EXPECT_EQ(labels.size(), size_t(kParams)) << product;
    EXPECT_EQ(shortLabels.size(), size_t(kParams)) << product;
    EXPECT_EQ(shortLabels.count(""), 0u) << product;
    EXPECT_EQ(switches, 7) << product;
  }
  EXPECT_EQ(OpenedIn("Ardour").instance.Text(vst2::effGetParamLabel, kVUReference), "dBFS");
}

// Each step as its share of 0..1, with no integer range, whichever host asks.
TEST(BundleParameterProperties, EveryHostGetsEachStepAsItsShareOfTheNormalisedRange)
{
  const struct
  {
    int idx;
    float step;
  } cases[] = {{kOversampling, 0.5f}, {kSaturationStages, 0.25f}, {kSaturationMode, 1.f / 3.f},
               {kVUReference, 1.f / 36.f}, {kClipCeiling, 0.1f / 60.f}};
  for (const char* product : {"Ardour", "Qtractor", "Reaper", "Bitwig Studio", ""})
  {
    const OpenedIn host(product);
    for (const auto& c : cases)
    {
      const vst2::ParameterProperties p = host.Properties(c.idx);
      EXPECT_EQ(p.flags, vst2::kParamUsesFloatStep) << product << " " << c.idx;
      EXPECT_FLOAT_EQ(p.stepFloat, c.step) << product << " " << c.idx;
      EXPECT_EQ(p.smallStepFloat, p.stepFloat) << product << " " << c.idx;
      EXPECT_EQ(p.largeStepFloat, p.stepFloat) << product << " " << c.idx;
    }
  }
}

// What a host shows of each parameter: the short label from the properties (at most seven letters and its end),
// the value text at the default and at a normalised 0.37, and the unit apart from the value.
TEST(BundleParameterProperties, EachShowsItsShortLabelValueTextsAndUnit)
{
  struct Shown
  {
    const char* shortLabel;
    const char* atDefault;
    const char* atPoint37;
    const char* unit;
  };
  const Shown expected[kParams] = {
    {"GUIScal", "1.00", "1.43", ""},
    {"ToggToo", "On", "Off", ""},
    {"OSOf2x4", "off", "2x", ""},
    {"ByPOfOn", "off", "off", ""},
    {"CliOfOn", "off", "off", ""},
    {"ClipCei", "-0.1", "-37.8", ""},
    {"MetDiMo", "Out", "In", ""},
    {"MeteMod", "VU", "RMS", ""},
    {"VURefer", "-18", "-23", "dBFS"},
    {"EBUSLRe", "-23", "-23", "dBFS"},
    {"EBUMLRe", "-23", "-23", "dBFS"},
    {"RMSRefe", "-18", "-23", "dBFS"},
    {"PEAKRef", "0", "-23", "dBFS"},
    {"MonMo0", "Stereo", "Left", ""},
    {"MonMo1", "Normal", "Normal", ""},
    {"SatOfOn", "off", "off", ""},
    {"SatStPl", "Stereo", "Left", ""},
    {"SatuMod", "clean", "warm", ""},
    {"SatuSta", "1", "2", ""},
    {"SatEvHa", "0", "37", "%"},
    {"SatOdHa", "0", "37", "%"},
    {"SatuFlu", "0", "37", "%"},
    {"HiKnOvT", "off", "off", ""},
    {"InpuTri", "0.0", "-6.2", "dB"},
    {"OutpTri", "0.0", "-6.2", "dB"},
  };
  const OpenedIn host("Reaper");
  for (int idx = 0; idx < kParams; ++idx)
  {
    SCOPED_TRACE(host.instance.Text(vst2::effGetParamName, idx));
    const vst2::ParameterProperties p = host.Properties(idx);
    EXPECT_EQ(std::string(p.shortLabel, strnlen(p.shortLabel, sizeof(p.shortLabel))), expected[idx].shortLabel);
    EXPECT_EQ(host.instance.Text(vst2::effGetParamDisplay, idx), expected[idx].atDefault);
    host.instance.SetParam(idx, 0.37f);
    EXPECT_EQ(host.instance.Text(vst2::effGetParamDisplay, idx), expected[idx].atPoint37);
    EXPECT_EQ(host.instance.Text(vst2::effGetParamLabel, idx), expected[idx].unit);
  }
}

} // namespace
