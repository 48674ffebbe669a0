// The other analog prototypes, measured as digital designs: Chebyshev I pass-band ripple, Chebyshev II stop
// band, Bessel, Legendre and elliptic responses, and stable poles for every order.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "FilterMeasure.h"
#include "filters/Prototypes.h"

using namespace Dsp;
using filtertest::Db;
using filtertest::kMinus3dB;
using filtertest::kPi;

namespace {

constexpr double kFs = 48000.0;
constexpr double kFc = 1000.0;

template <class D>
void ExpectStable(const D& design)
{
  const BiquadCascade& c = design.Cascade();
  for (const PoleZeroPair& pair : c.GetPoleZeros())
  {
    EXPECT_LT(std::abs(pair.pole1), 1.0);
    EXPECT_LT(std::abs(pair.pole2), 1.0);
  }
}

// Extremes of the magnitude (dB) over [f0, f1] cycles per sample.
template <class D>
void Extremes(const D& design, double f0, double f1, double& lo, double& hi)
{
  lo = 1e300;
  hi = -1e300;
  const int steps = 4000;
  for (int i = 0; i <= steps; ++i)
  {
    const double db = Db(design.Cascade().Response(f0 + (f1 - f0) * i / steps));
    lo = std::min(lo, db);
    hi = std::max(hi, db);
  }
}

// The digital frequency an analog frequency (rad/s, cut-off 1) lands on under the low-pass mapping.
double Warped(double analog)
{
  return std::atan(analog * std::tan(kPi * kFc / kFs)) / kPi;
}

} // namespace

TEST(ChebyshevI, RipplesInThePassBandByTheRippleAndNoMore)
{
  for (double ripple : {0.1, 1.0, 3.0})
    for (int order = 1; order <= 16; ++order)
    {
      ChebyshevIDesign::LowPass<16> lp;
      lp.Setup(order, kFs, kFc, ripple);
      SCOPED_TRACE(order);
      double lo, hi;
      Extremes(lp, 0.0, kFc / kFs, lo, hi);
      EXPECT_LE(hi, 1e-9);
      EXPECT_GE(hi, -1e-4); // the sampled maximum lies close to a ripple peak
      EXPECT_NEAR(Db(lp.Cascade().Response(kFc / kFs)), -ripple, 1e-6);
      EXPECT_GE(lo, -ripple - 1e-6);
      EXPECT_NEAR(Db(lp.Cascade().Response(0.0)), (order & 1) ? 0.0 : -ripple, 1e-9);
      ExpectStable(lp);

      ChebyshevIDesign::HighPass<16> hp;
      hp.Setup(order, kFs, kFc, ripple);
      EXPECT_NEAR(Db(hp.Cascade().Response(kFc / kFs)), -ripple, 1e-6);
      ExpectStable(hp);
    }
}

TEST(ChebyshevII, KeepsTheStopBandDownByTheAttenuation)
{
  for (double stop : {20.0, 48.0, 60.0})
    for (int order = 1; order <= 16; ++order)
    {
      ChebyshevIIDesign::LowPass<16> lp;
      lp.Setup(order, kFs, kFc, stop);
      SCOPED_TRACE(order);
      double lo, hi;
      Extremes(lp, kFc / kFs, 0.5, lo, hi);
      EXPECT_LE(hi, -stop + 1e-6);
      EXPECT_NEAR(Db(lp.Cascade().Response(kFc / kFs)), -stop, 1e-6);
      EXPECT_NEAR(Db(lp.Cascade().Response(0.0)), 0.0, 1e-9);
      ExpectStable(lp);
    }
}

TEST(ChebyshevBands, CentreTheirPassAndStopBands)
{
  ChebyshevIDesign::BandPass<8> bp;
  bp.Setup(4, kFs, 4000, 1000, 1.0);
  ExpectStable(bp);
  // Band-pass from the centre and a width in Hz: the ripple's edges sit 500 Hz either side (prewarped).
  const double mid = Db(bp.Cascade().Response(bp.DigitalLayout().NormalW() / (2 * kPi)));
  EXPECT_NEAR(mid, (4 & 1) ? 0.0 : -1.0, 1e-9);
  EXPECT_LT(Db(bp.Cascade().Response(1000.0 / kFs)), -40.0);
  ChebyshevIIDesign::BandStop<8> bs;
  bs.Setup(4, kFs, 4000, 1000, 40.0);
  ExpectStable(bs);
  EXPECT_NEAR(Db(bs.Cascade().Response(0.0)), 0.0, 1e-6);
  EXPECT_LE(Db(bs.Cascade().Response(4000.0 / kFs)), -40.0 + 1e-6);
}

TEST(ChebyshevShelves, ReachTheirGain)
{
  for (double gain : {-12.0, 6.0})
  {
    ChebyshevIDesign::LowShelf<16> ls;
    ls.Setup(4, kFs, kFc, gain, 1.0);
    ExpectStable(ls);
    EXPECT_NEAR(Db(ls.Cascade().Response(0.5)), 0.0, 1e-6);
    EXPECT_NEAR(Db(ls.Cascade().Response(0.0)), gain, 1.0 + 1e-6);
    ChebyshevIIDesign::HighShelf<16> hs;
    hs.Setup(5, kFs, kFc, gain, 1.0);
    ExpectStable(hs);
    EXPECT_NEAR(Db(hs.Cascade().Response(0.0)), 0.0, 1e-6);
    EXPECT_NEAR(Db(hs.Cascade().Response(0.5)), gain, 1.0 + 1e-6);
  }
}

TEST(ChebyshevShelves, UseTheGainAsRippleWhenTheRippleIsLarger)
{
  PoleZeroPair a[8]{};
  PoleZeroPair b[8]{};
  ChebyshevAnalogLowShelf small(a, 16);
  ChebyshevAnalogLowShelf large(b, 16);
  small.Design(4, 2.0, 2.0);
  large.Design(4, 2.0, 10.0);
  for (int i = 0; i < 2; ++i)
  {
    EXPECT_EQ(small.Pair(i).pole1, large.Pair(i).pole1);
    EXPECT_EQ(small.Pair(i).zero1, large.Pair(i).zero1);
  }
}

TEST(Bessel, OrderOneHasItsPoleAtMinusOne)
{
  PoleZeroPair storage[8]{};
  BesselAnalogLowPass proto(storage, 16);
  DesignWorkspace ws;
  proto.Design(1, ws);
  ASSERT_EQ(proto.NumPoles(), 1);
  EXPECT_NEAR(proto.Pair(0).pole1.real(), -1.0, 1e-15);
  EXPECT_EQ(proto.Pair(0).pole1.imag(), 0.0);
  EXPECT_TRUE(IsInfinity(proto.Pair(0).zero1));
}

TEST(Bessel, EveryOrderIsStableWithUnityAtDcAndAFlatDelay)
{
  DesignWorkspace ws;
  for (int order = 1; order <= 16; ++order)
  {
    PoleZeroPair storage[8]{};
    BesselAnalogLowPass proto(storage, 16);
    proto.Design(order, ws);
    ASSERT_EQ(proto.NumPoles(), order);
    for (int i = 0; i < proto.NumPairs(); ++i)
      EXPECT_LT(proto.Pair(i).pole1.real(), 0.0) << order;
    // The analog group delay at DC is 1 s for the reverse Bessel polynomial: the sum of -1/p over the poles.
    double delay = 0.0;
    for (int i = 0; i < proto.NumPairs(); ++i)
    {
      const PoleZeroPair& p = proto.Pair(i);
      delay += (-1.0 / p.pole1).real();
      if (!p.IsSingle())
        delay += (-1.0 / p.pole2).real();
    }
    EXPECT_NEAR(delay, 1.0, 1e-9) << order;

    BesselDesign::LowPass<16> lp;
    lp.Setup(order, ws, kFs, kFc);
    ExpectStable(lp);
    EXPECT_NEAR(Db(lp.Cascade().Response(0.0)), 0.0, 1e-9);
  }
}

TEST(Bessel, ShelfReachesItsGain)
{
  DesignWorkspace ws;
  for (double gain : {-9.0, -1.0, 6.0, 20.0})
    for (int order = 1; order <= 12; ++order)
    {
      BesselDesign::LowShelf<16> ls;
      ls.Setup(order, ws, kFs, kFc, gain);
      SCOPED_TRACE(::testing::Message() << "order " << order << " gain " << gain);
      ExpectStable(ls);
      EXPECT_NEAR(Db(ls.Cascade().Response(0.0)), gain, 1e-6);
      EXPECT_NEAR(Db(ls.Cascade().Response(0.5)), 0.0, 1e-6);
    }
}

TEST(Legendre, IsThreeDecibelsDownAtTheCutoffAndMonotonic)
{
  DesignWorkspace ws;
  for (int order = 1; order <= 16; ++order)
  {
    LegendreDesign::LowPass<16> lp;
    lp.Setup(order, ws, kFs, kFc);
    SCOPED_TRACE(order);
    ExpectStable(lp);
    EXPECT_NEAR(Db(lp.Cascade().Response(kFc / kFs)), kMinus3dB, 1e-6);
    EXPECT_NEAR(Db(lp.Cascade().Response(0.0)), 0.0, 1e-9);
    double previous = 1.0 + 1e-12;
    for (int i = 0; i <= 400; ++i)
    {
      const double m = std::abs(lp.Cascade().Response(0.5 * i / 400.0));
      EXPECT_LE(m, previous + 1e-9) << i;
      previous = m;
    }
  }
}

TEST(Legendre, PolynomialIsZeroAtDcAndOneAtTheCutoff)
{
  OptimumLPolynomial builder;
  for (int order = 1; order <= 16; ++order)
  {
    const std::vector<double> w = builder.Build(order);
    ASSERT_EQ(static_cast<int>(w.size()), order + 1);
    double atOne = 0.0;
    double size = 0.0; // the sum's rounding grows with the coefficients' magnitudes
    for (double c : w)
    {
      atOne += c;
      size += std::fabs(c);
    }
    EXPECT_NEAR(w[0], 0.0, 1e-12) << order;
    EXPECT_NEAR(atOne, 1.0, 1e-14 * size) << order;
  }
  // The first orders coincide with Butterworth: w = y and w = y^2.
  EXPECT_NEAR(builder.Build(1)[1], 1.0, 1e-12);
  EXPECT_NEAR(builder.Build(2)[2], 1.0, 1e-12);
  EXPECT_NEAR(builder.Build(2)[1], 0.0, 1e-12);
}

TEST(Elliptic, MeetsItsRippleAndItsAttenuation)
{
  for (double ripple : {0.1, 1.0})
    for (double rolloff : {-2.0, 0.0, 1.0})
      for (int order = 1; order <= 16; ++order)
      {
        EllipticDesign::LowPass<16> lp;
        lp.Setup(order, kFs, kFc, ripple, rolloff);
        SCOPED_TRACE(::testing::Message() << "order " << order << " ripple " << ripple << " rolloff " << rolloff);
        ExpectStable(lp);
        double lo, hi;
        Extremes(lp, 0.0, kFc / kFs, lo, hi);
        EXPECT_NEAR(hi, 0.0, 1e-6);
        EXPECT_GE(lo, -ripple - 1e-6);
        EXPECT_NEAR(Db(lp.Cascade().Response(kFc / kFs)), -ripple, 1e-6);

        const double attenuation = EllipticAnalogLowPass::StopbandAttenuation(order, ripple, rolloff);
        if (attenuation > 140.0)
          continue; // beyond what the arithmetic resolves
        const double stopEdge = Warped(EllipticAnalogLowPass::Selectivity(rolloff));
        Extremes(lp, stopEdge, 0.5, lo, hi);
        EXPECT_NEAR(hi, -attenuation, 1e-3);
        if (order >= 2)
        {
          EXPECT_LT(lo, -attenuation - 40.0); // the transmission zeros
        }
      }
}

TEST(Elliptic, AttenuationGrowsWithOrder)
{
  double previous = 0.0;
  for (int order = 1; order <= 10; ++order)
  {
    const double a = EllipticAnalogLowPass::StopbandAttenuation(order, 0.5, 0.0);
    EXPECT_GT(a, previous);
    previous = a;
  }
  EXPECT_GT(EllipticAnalogLowPass::StopbandAttenuation(6, 0.5, 0.0), 60.0);
}

TEST(Elliptic, BandDesignsAreStable)
{
  EllipticDesign::BandPass<8> bp;
  bp.Setup(6, kFs, 5000, 2000, 0.5, 0.0);
  ExpectStable(bp);
  EllipticDesign::BandStop<8> bs;
  bs.Setup(5, kFs, 5000, 2000, 0.5, 0.0);
  ExpectStable(bs);
  EllipticDesign::HighPass<8> hp;
  hp.Setup(8, kFs, kFc, 0.5, 0.0);
  ExpectStable(hp);
  EXPECT_NEAR(Db(hp.Cascade().Response(0.5)), -0.5, 1e-6);
}

TEST(Prototypes, OrdersBeyondTheirScratchAreHeld)
{
  DesignWorkspace ws;
  EllipticDesign::LowPass<32> elliptic;
  elliptic.Setup(32, kFs, kFc, 0.5, 0.0);
  EXPECT_EQ(elliptic.DigitalLayout().NumPoles(), 16);
  ExpectStable(elliptic);
  LegendreDesign::LowPass<32> legendre;
  legendre.Setup(32, ws, kFs, kFc);
  EXPECT_EQ(legendre.DigitalLayout().NumPoles(), 16);
  BesselDesign::LowPass<64> bessel;
  bessel.Setup(40, ws, kFs, kFc);
  EXPECT_LE(bessel.DigitalLayout().NumPoles(), 2 * DesignWorkspace::kMaxOrder);
  ChebyshevIDesign::LowPass<16> cheby;
  cheby.Setup(40, kFs, kFc, 1.0);
  EXPECT_EQ(cheby.DigitalLayout().NumPoles(), 16);
}
