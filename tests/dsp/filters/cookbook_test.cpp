// Cookbook and custom sections: coefficients at the known points and measured responses.
#include <cmath>

#include <gtest/gtest.h>

#include "FilterMeasure.h"
#include "filters/Cookbook.h"

using namespace Dsp;
using filtertest::Db;

TEST(Cookbook, LowPassAtAQuarterOfTheRateHasTheKnownCoefficients)
{
  BiquadStage s;
  CookbookBiquad::SetLowPass(s, 48000, 12000, 0.7071067811865476);
  const double al = 1.0 / (2.0 * 0.7071067811865476);
  EXPECT_NEAR(s.b0, 0.5 / (1 + al), 1e-15);
  EXPECT_NEAR(s.b1, 1.0 / (1 + al), 1e-15);
  EXPECT_NEAR(s.b2, 0.5 / (1 + al), 1e-15);
  EXPECT_NEAR(s.a1, 0.0, 1e-15);
  EXPECT_EQ(s.a0, 1 + al);
}

TEST(Cookbook, SectionsHaveTheirShape)
{
  const double fs = 48000, fc = 2000, q = 0.7071067811865476;
  const double f = fc / fs;
  BiquadStage s;
  CookbookBiquad::SetLowPass(s, fs, fc, q);
  EXPECT_NEAR(Db(s.Response(f)), filtertest::kMinus3dB, 1e-9);
  EXPECT_NEAR(Db(s.Response(0)), 0.0, 1e-9);
  CookbookBiquad::SetHighPass(s, fs, fc, q);
  EXPECT_NEAR(Db(s.Response(f)), filtertest::kMinus3dB, 1e-9);
  EXPECT_NEAR(Db(s.Response(0.5)), 0.0, 1e-9);
  CookbookBiquad::SetBandPassPeak(s, fs, fc, 2.0);
  EXPECT_NEAR(Db(s.Response(f)), 0.0, 1e-9);
  CookbookBiquad::SetBandPassSkirt(s, fs, fc, 2.0);
  EXPECT_NEAR(std::abs(s.Response(f)), 2.0, 1e-9);
  CookbookBiquad::SetBandStop(s, fs, fc, 2.0);
  EXPECT_LT(std::abs(s.Response(f)), 1e-9);
  CookbookBiquad::SetAllPass(s, fs, fc, 2.0);
  for (double g : {0.0, 0.01, 0.1, 0.4})
    EXPECT_NEAR(std::abs(s.Response(g)), 1.0, 1e-9);
  CookbookBiquad::SetLowShelf(s, fs, fc, 6.0, 1.0);
  EXPECT_NEAR(Db(s.Response(0)), 6.0, 1e-9);
  EXPECT_NEAR(Db(s.Response(0.5)), 0.0, 1e-9);
  CookbookBiquad::SetHighShelf(s, fs, fc, -6.0, 1.0);
  EXPECT_NEAR(Db(s.Response(0.5)), -6.0, 1e-9);
  EXPECT_NEAR(Db(s.Response(0)), 0.0, 1e-9);
  CookbookBiquad::SetBandShelf(s, fs, fc, 9.0, 1.0);
  EXPECT_NEAR(Db(s.Response(f)), 9.0, 1e-9);
}

TEST(Cookbook, ShelvesWithoutGainOrWidthAreFlat)
{
  BiquadStage s;
  CookbookBiquad::SetLowShelf(s, 44100, 300, 0.0, 0.5);
  EXPECT_DOUBLE_EQ(s.b1, s.a1);
  EXPECT_DOUBLE_EQ(s.b2, s.a2);
  CookbookBiquad::SetHighShelf(s, 44100, 300, 0.0, 1.0);
  EXPECT_DOUBLE_EQ(s.b1, s.a1);
  CookbookBiquad::SetBandShelf(s, 44100, 300, 12.0, 0.0);
  EXPECT_DOUBLE_EQ(s.b0, 1.0);
  EXPECT_DOUBLE_EQ(s.b2, s.a2);
  for (double f : {0.0, 0.1, 0.3})
    EXPECT_NEAR(std::abs(s.Response(f)), 1.0, 1e-12);
}

TEST(CustomSections, StoreTheirPolesAndZeros)
{
  BiquadStage s;
  CustomOnePole(s, 1.0, 0.5, -1.0);
  EXPECT_EQ(s.a1, -0.5);
  EXPECT_EQ(s.b0, 1.0);
  EXPECT_EQ(s.b1, 1.0);
  CustomOnePole(s, 2.0, 0.5, 0.25);
  EXPECT_EQ(s.b0, 2.0);
  EXPECT_EQ(s.b1, -0.5);

  CustomTwoPole(s, 0.5, 0.9, 1.0, 1.0, 2.0);
  EXPECT_NEAR(s.a1, -2.0 * 0.9 * std::cos(1.0), 1e-15);
  EXPECT_NEAR(s.a2, 0.81, 1e-15);
  EXPECT_NEAR(s.b0, 0.5, 1e-15);
  EXPECT_NEAR(s.b1, -2.0 * std::cos(2.0) * 0.5, 1e-15);
  EXPECT_NEAR(s.b2, 0.5, 1e-15);
  // A real pole pair (angle 0) uses both real parts.
  CustomTwoPole(s, 1.0, 0.5, 0.0, 1.0, 0.0);
  EXPECT_DOUBLE_EQ(s.a1, -1.0);
  EXPECT_DOUBLE_EQ(s.a2, 0.25);

  CustomTwoPole(s, 1.0, std::nan(""), 1.0, 1.0, 1.0);
  EXPECT_TRUE(std::isnan(s.a1));
}
