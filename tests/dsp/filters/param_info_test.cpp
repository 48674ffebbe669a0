// Parameter descriptors: mappings between control and native values, display texts, and the parameter
// operations every filter object shares.
#include <cmath>
#include <stdexcept>

#include <gtest/gtest.h>

#include "filters/Butterworth.h"
#include "filters/FilterDesign.h"

using namespace Dsp;

namespace {

constexpr double kPiValue = 3.1415926535897932384626433832795;

// A design that lists the frequency id twice.
struct FrequencyTwice : Butterworth::Design::LowPass<4>
{
  static constexpr int kNumParams = 4;
  static ParamInfo Param(int i)
  {
    return i == 3 ? ParamInfo::CenterFrequency() : Butterworth::Design::LowPass<4>::Param(i);
  }
};

using LowPass16 = FilterDesign<Butterworth::Design::LowPass<16>, 1, DirectFormII>;
using BandShelf16 = FilterDesign<Butterworth::Design::BandShelf1<16>, 1, DirectFormII>;
using LowShelf16 = FilterDesign<Butterworth::Design::LowShelf<16>, 1, DirectFormII>;

struct DescriptorRow
{
  ParamInfo (*build)();
  int id;
  const char* slug;
  const char* name;
  double lo, hi, def;
  double nativeAtMid; // ToNative(0.5)
};

const DescriptorRow kDescriptors[] = {
  {&ParamInfo::SampleRate, 0, "Fs", "Sample Rate", 11025, 192000, 44100, (11025 + 192000) / 2.0},
  {&ParamInfo::CutoffFrequency, 1, "Fc", "Cutoff Frequency", 10, 22040, 2000, std::sqrt(10.0 * 22040.0)},
  {&ParamInfo::CenterFrequency, 1, "Fc", "Center Frequency", 10, 22040, 2000, std::sqrt(10.0 * 22040.0)},
  {&ParamInfo::Resonance, 2, "Q", "Resonance", -4, 4, 1, 1.0},
  {&ParamInfo::BandwidthOctaves, 3, "BW", "Bandwidth (Octaves)", -4, 4, 1, 1.0},
  {&ParamInfo::BandwidthHz, 4, "BW", "Bandwidth (Hz)", 10, 22040, 1720, std::sqrt(10.0 * 22040.0)},
  {&ParamInfo::Gain, 5, "Gain", "Gain", -24, 24, -6, 0.0},
  {&ParamInfo::Slope, 6, "Slope", "Slope", -2, 2, 1, 1.0},
  {&ParamInfo::Order, 7, "Order", "Order", 1, 16, 2, 9.0},
  {&ParamInfo::Ripple, 8, "Ripple", "Ripple dB", 0.001, 12, 0.01, (0.001 + 12) / 2.0},
  {&ParamInfo::Stopband, 9, "Stop", "Stopband dB", 3, 60, 48, 31.5},
  {&ParamInfo::TransitionWidth, 10, "W", "Transition Width", -16, 4, 0, -6.0},
  {&ParamInfo::PoleDistance, 11, "Pd", "Pole Distance", 0, 1, 0.5, 0.5},
  {&ParamInfo::PoleAngle, 12, "Pa", "Pole Angle", 0, kPiValue, kPiValue / 2, kPiValue / 2},
  {&ParamInfo::ZeroDistance, 13, "Pd", "Zero Distance", 0, 1, 0.5, 0.5},
  {&ParamInfo::ZeroAngle, 14, "Pa", "Zero Angle", 0, kPiValue, kPiValue / 2, kPiValue / 2},
  {&ParamInfo::PoleReal, 15, "A1", "Pole Real", -1, 1, 0.25, 0.0},
  {&ParamInfo::ZeroReal, 16, "B1", "Zero Real", -1, 1, -0.25, 0.0},
};

} // namespace

TEST(ParamDescriptors, CarryTheirIdsLabelsRangesAndDefaults)
{
  for (const DescriptorRow& row : kDescriptors)
  {
    const ParamInfo info = row.build();
    SCOPED_TRACE(row.name);
    EXPECT_EQ(info.id, row.id);
    EXPECT_STREQ(info.slug, row.slug);
    EXPECT_STREQ(info.name, row.name);
    EXPECT_DOUBLE_EQ(info.minValue, row.lo);
    EXPECT_DOUBLE_EQ(info.maxValue, row.hi);
    EXPECT_DOUBLE_EQ(info.defaultValue, row.def);
    EXPECT_NEAR(info.ToNative(0.5), row.nativeAtMid, 1e-9 * std::fmax(1.0, std::fabs(row.nativeAtMid)));
  }
}

TEST(ParamDescriptors, ControlAndNativeValuesRoundTrip)
{
  for (const DescriptorRow& row : kDescriptors)
  {
    const ParamInfo info = row.build();
    SCOPED_TRACE(row.name);
    for (double c : {0.0, 0.125, 0.5, 0.875, 1.0})
    {
      if (info.id == kParamOrder)
        continue; // rounded: checked below
      EXPECT_NEAR(info.ToControl(info.ToNative(c)), c, 1e-12);
    }
    EXPECT_GE(info.ToControl(info.defaultValue), 0.0);
    EXPECT_LE(info.ToControl(info.defaultValue), 1.0);
  }
}

TEST(ParamDescriptors, MapTheirEndsToTheRange)
{
  EXPECT_NEAR(ParamInfo::CutoffFrequency().ToNative(0.0), 10.0, 1e-9);
  EXPECT_NEAR(ParamInfo::CutoffFrequency().ToNative(1.0), 22040.0, 1e-7);
  EXPECT_DOUBLE_EQ(ParamInfo::Resonance().ToNative(0.0), 1.0 / 16.0);
  EXPECT_DOUBLE_EQ(ParamInfo::Resonance().ToNative(1.0), 16.0);
  EXPECT_DOUBLE_EQ(ParamInfo::Resonance().ToControl(1.0), 0.5);
  EXPECT_DOUBLE_EQ(ParamInfo::Slope().ToControl(2.0), 0.75);
}

TEST(ParamDescriptors, OrderRoundsToWholeOrders)
{
  const ParamInfo order = ParamInfo::Order();
  EXPECT_EQ(order.ToNative(0.0), 1.0);
  EXPECT_EQ(order.ToNative(1.0), 16.0);
  EXPECT_EQ(order.ToNative(0.5), 9.0);
  EXPECT_EQ(order.ToNative(0.03), 1.0);
  EXPECT_EQ(order.ToNative(0.04), 2.0);
  EXPECT_DOUBLE_EQ(order.ToControl(16.0), 1.0);
}

TEST(ParamDescriptors, FormatValuesWithTheirUnitsAndPrecision)
{
  struct Row
  {
    ParamInfo info;
    double value;
    const char* text;
  };
  const Row rows[] = {
    {ParamInfo::Gain(), 0.5, "0.500 dB"},     {ParamInfo::Gain(), -6.0, "-6.00 dB"},
    {ParamInfo::Gain(), 12.0, "12.0 dB"},     {ParamInfo::Ripple(), 0.01, "0.010 dB"},
    {ParamInfo::Stopband(), 48.0, "48.0 dB"}, {ParamInfo::CutoffFrequency(), 44.7, "44 Hz"},
    {ParamInfo::SampleRate(), 44100.0, "44100 Hz"}, {ParamInfo::Order(), 7.9, "7"},
    {ParamInfo::Resonance(), 0.70710678, "0.707"}, {ParamInfo::PoleAngle(), kPiValue, "3.142"},
    {ParamInfo::Gain(), -0.25, "-0.250 dB"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(row.info.FormatValue(row.value), row.text) << row.info.name;
}

TEST(ParamDescriptors, ClampHoldsValuesInsideTheRange)
{
  const ParamInfo gain = ParamInfo::Gain();
  EXPECT_EQ(gain.Clamp(-100.0), -24.0);
  EXPECT_EQ(gain.Clamp(100.0), 24.0);
  EXPECT_EQ(gain.Clamp(3.5), 3.5);
  EXPECT_EQ(ParamInfo::Order().Clamp(40.0), 16.0);
  EXPECT_DOUBLE_EQ(ParamInfo::Resonance().Clamp(100.0), 16.0);
}

TEST(FilterParameters, AskingForADescriptorBeyondTheDesignThrowsLogicError)
{
  LowPass16 lowPass;
  BandShelf16 bandShelf;
  for (int index : {3, 7, 8, 100, -1})
  {
    try
    {
      lowPass.GetParamInfo(index);
      ADD_FAILURE() << "no exception for index " << index;
    }
    catch (const std::logic_error& e)
    {
      EXPECT_STREQ(e.what(), "invalid usage of ParamInfo");
    }
  }
  EXPECT_NO_THROW(bandShelf.GetParamInfo(4));
  EXPECT_THROW(bandShelf.GetParamInfo(5), std::logic_error);
}

TEST(FilterParameters, DesignsListTheirDescriptorsInOrder)
{
  BandShelf16 f;
  ASSERT_EQ(f.GetNumParams(), 5);
  const int ids[] = {kParamSampleRate, kParamOrder, kParamFrequency, kParamBandwidthHz, kParamGain};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(f.GetParamInfo(i).id, ids[i]);
  EXPECT_STREQ(f.GetParamInfo(2).name, "Center Frequency");
  LowPass16 lp;
  EXPECT_STREQ(lp.GetParamInfo(2).name, "Cutoff Frequency");
  EXPECT_EQ(lp.GetParamInfo(1).maxValue, 16.0);
  EXPECT_EQ(lp.GetParamInfo(1).defaultValue, 2.0);
}

TEST(FilterParameters, DefaultsComeFromTheDescriptors)
{
  LowShelf16 f;
  const FilterParams d = f.GetDefaultParams();
  EXPECT_EQ(d[0], 44100.0);
  EXPECT_EQ(d[1], 2.0);
  EXPECT_EQ(d[2], 2000.0);
  EXPECT_EQ(d[3], -6.0);
  for (int i = 4; i < FilterParams::kMaxParams; ++i)
    EXPECT_EQ(d[i], 0.0);
}

TEST(FilterParameters, IndexOfParamIdFindsTheHighestMatchingIndex)
{
  LowShelf16 f;
  EXPECT_EQ(f.IndexOfParamId(kParamOrder), 1);
  EXPECT_EQ(f.IndexOfParamId(kParamGain), 3);
  EXPECT_EQ(f.IndexOfParamId(kParamRipple), -1);

  // The later of two indices with the same id wins.
  FilterDesign<FrequencyTwice, 1, DirectFormII> twice;
  EXPECT_EQ(twice.IndexOfParamId(kParamFrequency), 3);
}

TEST(FilterParameters, SettingAParameterByIdDesignsTheFilter)
{
  LowPass16 f;
  f.SetParamValueById(kParamSampleRate, 48000.0);
  f.SetParamValueById(kParamOrder, 4.0);
  f.SetParamValueById(kParamFrequency, 1000.0);
  EXPECT_EQ(f.GetParams()[2], 1000.0);
  EXPECT_NEAR(20 * std::log10(std::abs(f.Response(1000.0 / 48000.0))), -3.0103, 1e-3);
  EXPECT_EQ(f.GetPoleZeros().size(), 2u);

  const FilterParams before = f.GetParams();
  f.SetParamValueById(kParamRipple, 3.0); // not a parameter of this design: nothing happens
  for (int i = 0; i < FilterParams::kMaxParams; ++i)
    EXPECT_EQ(f.GetParams()[i], before[i]);
}

TEST(FilterParameters, AdoptingFromAnotherFilterTakesSharedIdsClampedAndDefaultsElsewhere)
{
  LowPass16 source;
  source.SetParamValueById(kParamSampleRate, 96000.0);
  source.SetParamValueById(kParamFrequency, 50000.0); // beyond the cut-off range
  source.SetParamValueById(kParamOrder, 3.0);

  LowShelf16 target;
  target.SetParamValueById(kParamGain, 12.0);
  target.AdoptParamsFrom(&source);
  EXPECT_EQ(target.GetParams()[0], 96000.0);
  EXPECT_EQ(target.GetParams()[1], 3.0);
  EXPECT_NEAR(target.GetParams()[2], 22040.0, 1e-6);
  EXPECT_EQ(target.GetParams()[3], -6.0); // the source has no gain: default
  EXPECT_NEAR(20 * std::log10(std::abs(target.Response(0.0))), -6.0, 1e-9); // designed
}

TEST(FilterParameters, AdoptingFromNothingResetsToDefaultsAndDesigns)
{
  LowShelf16 f;
  f.SetParamValueById(kParamGain, 12.0);
  f.AdoptParamsFrom(nullptr);
  EXPECT_EQ(f.GetParams()[3], -6.0);
  EXPECT_NEAR(20 * std::log10(std::abs(f.Response(0.0))), -6.0, 1e-9);
  EXPECT_EQ(f.GetPoleZeros().size(), 1u);
}
