// The analog-to-digital mappings: where the point at infinity lands, how many poles come out, and the band
// edges the Hz mappings derive and limit.
#include <cmath>

#include <gtest/gtest.h>

#include "FilterMeasure.h"
#include "filters/BilinearMaps.h"
#include "filters/Butterworth.h"

using namespace Dsp;

namespace {

struct Layouts
{
  PoleZeroPair analogPairs[8]{};
  PoleZeroPair digitalPairs[16]{};
  ButterworthAnalogLowPass analog{analogPairs, 16};
  PoleZeroLayout digital{digitalPairs, 32};
};

} // namespace

TEST(BilinearMaps, SendInfinityToTheirStopPoints)
{
  Layouts l;
  l.analog.Design(1);
  const BilinearLowPassMap lp(0.1, l.analog, l.digital);
  EXPECT_EQ(lp.Map(Infinity()), Complex(-1.0, 0.0));
  const BilinearHighPassMap hp(0.1, l.analog, l.digital);
  EXPECT_EQ(hp.Map(Infinity()), Complex(1.0, 0.0));
  const BilinearBandPassMap bp(0.1, 0.02, l.analog, l.digital);
  Complex a, b;
  bp.Map(Infinity(), a, b);
  EXPECT_EQ(a, Complex(-1.0, 0.0));
  EXPECT_EQ(b, Complex(1.0, 0.0));
  const BilinearBandStopMap bs(0.1, 0.02, l.analog, l.digital);
  bs.Map(Infinity(), a, b);
  // The notch: a conjugate pair on the unit circle at the centre's angle.
  EXPECT_NEAR(std::abs(a), 1.0, 1e-12);
  EXPECT_NEAR(std::abs(b - std::conj(a)), 0.0, 1e-12);
  const double wc = 2 * filtertest::kPi * 0.11, wc2 = 2 * filtertest::kPi * 0.09;
  EXPECT_NEAR(a.real(), std::cos((wc + wc2) / 2) / std::cos((wc - wc2) / 2), 1e-12);
}

TEST(BilinearMaps, KeepOrDoubleThePoleCount)
{
  for (int order = 1; order <= 16; ++order)
  {
    Layouts l;
    l.analog.Design(order);
    { const BilinearLowPassMap m(0.1, l.analog, l.digital); }
    EXPECT_EQ(l.digital.NumPoles(), order);
    { const BilinearHighPassMap m(0.1, l.analog, l.digital); }
    EXPECT_EQ(l.digital.NumPoles(), order);
    { const BilinearBandPassMapHz m(48000, 1000, 2, l.analog, l.digital); }
    EXPECT_EQ(l.digital.NumPoles(), 2 * order);
    { const BilinearBandStopMapHz m(48000, 1000, 2, l.analog, l.digital); }
    EXPECT_EQ(l.digital.NumPoles(), 2 * order);
  }
}

TEST(BilinearMaps, DeriveBandEdgesFromCentreAndWidthValue)
{
  const BandEdges e = BandEdges::FromHz(48000, 1000, 1.0);
  EXPECT_NEAR(e.upper, 2 * filtertest::kPi * 2000 / 48000, 1e-12);
  EXPECT_NEAR(e.lower, 2 * filtertest::kPi * 500 / 48000, 1e-12);
  // Beyond Nyquist the upper edge is held just below it; a lower edge below 1 Hz is held at 1 Hz.
  const BandEdges wide = BandEdges::FromHz(48000, 20000, 0.1);
  EXPECT_NEAR(wide.upper, filtertest::kPi - 0.001, 1e-12);
  const BandEdges low = BandEdges::FromHz(48000, 0.5, 1.0);
  EXPECT_NEAR(low.lower, 2 * filtertest::kPi * 1.0 / 48000, 1e-15);
  const BandEdges tiny = BandEdges::FromCentreAndWidth(0.0, 0.0);
  EXPECT_EQ(tiny.lower, 1e-8);
  const BandEdges top = BandEdges::FromCentreAndWidth(0.49, 0.1);
  EXPECT_NEAR(top.upper, filtertest::kPi - 0.001, 1e-15);
}

TEST(BilinearMaps, BadWidthsGiveNoCrash)
{
  for (double w : {0.0, -1.0, std::nan(""), 1e300})
  {
    Layouts l;
    l.analog.Design(4);
    const BilinearBandPassMapHz bp(48000, 1000, w, l.analog, l.digital);
    const BilinearBandStopMapHz bs(48000, 1000, w, l.analog, l.digital);
    EXPECT_EQ(l.digital.NumPoles(), 8);
  }
}
