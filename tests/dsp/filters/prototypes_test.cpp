// The other analog prototypes, measured as digital low-pass designs: one sweep over the Chebyshev I and II,
// Bessel, Legendre and elliptic families, each stable at every order and meeting its own promise at the edges;
// first the root solver they stand on, so that a fault there shows where it is.
#include <algorithm>
#include <cmath>
#include <iterator>

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
constexpr double kEdge = kFc / kFs;

template <class D>
void ExpectStable(const D& design)
{
  for (const PoleZeroPair& pair : design.Cascade().GetPoleZeros())
  {
    EXPECT_LT(std::abs(pair.pole1), 1.0);
    EXPECT_LT(std::abs(pair.pole2), 1.0);
  }
}

// Extremes of the magnitude (dB) over [f0, f1] cycles per sample.
template <class D>
std::pair<double, double> Extremes(const D& design, double f0, double f1)
{
  double lo = 1e300, hi = -1e300;
  for (int i = 0; i <= 2000; ++i)
  {
    const double db = Db(design.Cascade().Response(f0 + (f1 - f0) * i / 2000));
    lo = std::min(lo, db);
    hi = std::max(hi, db);
  }
  return {lo, hi};
}

} // namespace

// The root solver the Bessel and Legendre prototypes stand on: the roots of a polynomial with real and complex
// roots, each found once, sorted by decreasing imaginary part.
TEST(Prototypes, TheRootSolverFindsEachRootOfAKnownPolynomial)
{
  const Complex roots[] = {{0.0, 0.5}, {1.0, 0.0}, {-2.0, 0.0}, {0.0, -0.5}};
  PolynomialRootSolver solver(4);
  Complex* a = solver.Coefficients(); // the product of (x - root), built up one factor at a time
  a[0] = 1.0;
  for (int n = 0; n < 4; ++n)
  {
    a[n + 1] = a[n];
    for (int i = n; i > 0; --i) a[i] = a[i - 1] - roots[n] * a[i];
    a[0] = -roots[n] * a[0];
  }
  ASSERT_NO_THROW(solver.Solve(4, true, true));
  EXPECT_NEAR(solver.Roots()[0].imag(), 0.5, 1e-9);
  EXPECT_NEAR(solver.Roots()[3].imag(), -0.5, 1e-9);
  for (const Complex& r : roots)
  {
    auto near = [&](const Complex& x) { return std::abs(x - r) < 1e-9; };
    EXPECT_EQ(std::count_if(solver.Roots(), solver.Roots() + 4, near), 1) << r;
  }
  // From near a simple root, one refinement gets there in a few steps rather than a long walk.
  for (const Complex& start : {Complex(0.9, 0.1), Complex(-1.7, 0.2), Complex(0.1, 0.4)})
  {
    Complex x = start;
    int iterations = 0;
    PolynomialRootSolver::RefineRoot(4, solver.Coefficients(), x, iterations);
    EXPECT_LE(iterations, 5) << start;
    EXPECT_NEAR(std::abs(solver.Evaluate(4, x)), 0.0, 1e-12) << start;
  }
}

// Beyond finding roots: a degree below one leaves the roots alone and one above the maximum is held to it; the
// polynomial's value is its coefficients' sum of powers at any point, to its maximum degree; sorting puts the
// largest imaginary part first and keeps equal ones in their order.
TEST(Prototypes, TheRootSolverHoldsItsDegreeEvaluatesAndSorts)
{
  PolynomialRootSolver solver(3);
  Complex* a = solver.Coefficients(); // (x - 1)(x + 2)(x - 3)
  a[0] = 6.0;
  a[1] = -5.0;
  a[2] = -2.0;
  a[3] = 1.0;
  const Complex untouched(7.0, 7.0);
  std::fill(solver.Roots(), solver.Roots() + 3, untouched);
  solver.Solve(0, true, true);
  EXPECT_EQ(solver.Roots()[0], untouched);
  EXPECT_EQ(solver.Roots()[2], untouched);

  EXPECT_EQ(solver.Evaluate(3, 0.0), Complex(6.0, 0.0));
  EXPECT_NEAR(std::abs(solver.Evaluate(3, -1.0) - Complex(8.0, 0.0)), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(solver.Evaluate(9, Complex(0.0, 1.0)) - Complex(8.0, -6.0)), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(solver.Evaluate(1, -1.0) - Complex(11.0, 0.0)), 0.0, 1e-12);

  ASSERT_NO_THROW(solver.Solve(9, true, false));
  for (double r : {1.0, -2.0, 3.0})
  {
    auto near = [&](const Complex& x) { return std::abs(x - r) < 1e-9; };
    EXPECT_EQ(std::count_if(solver.Roots(), solver.Roots() + 3, near), 1) << r;
  }

  PolynomialRootSolver sorter(5);
  const Complex given[] = {{1.0, 0.0}, {2.0, 1.0}, {3.0, 0.0}, {4.0, 2.0}, {5.0, 1.0}};
  const Complex sorted[] = {{4.0, 2.0}, {2.0, 1.0}, {5.0, 1.0}, {1.0, 0.0}, {3.0, 0.0}};
  std::copy(std::begin(given), std::end(given), sorter.Roots());
  sorter.SortRoots(9);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(sorter.Roots()[i], sorted[i]) << i;
}

TEST(Prototypes, EveryFamilyIsStableAndMeetsItsEdgesAtEveryOrder)
{
  DesignWorkspace ws;
  for (int order : {1, 2, 3, 8, 16})
  {
    SCOPED_TRACE(order);
    ChebyshevIDesign::LowPass<16> cheby1; // pass band rippling by 1 dB and no more
    cheby1.Setup(order, kFs, kFc, 1.0);
    ExpectStable(cheby1);
    auto pass = Extremes(cheby1, 0.0, kEdge);
    EXPECT_LE(pass.second, 1e-9);
    EXPECT_GE(pass.first, -1.0 - 1e-6);
    EXPECT_NEAR(Db(cheby1.Cascade().Response(kEdge)), -1.0, 1e-6);

    ChebyshevIIDesign::LowPass<16> cheby2; // stop band 48 dB down from the edge on
    cheby2.Setup(order, kFs, kFc, 48.0);
    ExpectStable(cheby2);
    EXPECT_LE(Extremes(cheby2, kEdge, 0.5).second, -48.0 + 1e-6);
    EXPECT_NEAR(Db(cheby2.Cascade().Response(kEdge)), -48.0, 1e-6);
    EXPECT_NEAR(Db(cheby2.Cascade().Response(0.0)), 0.0, 1e-9);
    ChebyshevIIDesign::HighPass<16> cheby2High; // the same stop band below the edge
    cheby2High.Setup(order, kFs, kFc, 48.0);
    ExpectStable(cheby2High);
    EXPECT_LE(Extremes(cheby2High, 0.0, kEdge).second, -48.0 + 1e-6);
    EXPECT_NEAR(Db(cheby2High.Cascade().Response(0.5)), 0.0, 1e-9);

    BesselDesign::LowPass<16> bessel;
    bessel.Setup(order, ws, kFs, kFc);
    ExpectStable(bessel);
    EXPECT_NEAR(Db(bessel.Cascade().Response(0.0)), 0.0, 1e-9);

    LegendreDesign::LowPass<16> legendre; // 3 dB down at the cut-off and monotonic
    legendre.Setup(order, ws, kFs, kFc);
    ExpectStable(legendre);
    EXPECT_NEAR(Db(legendre.Cascade().Response(kEdge)), kMinus3dB, 1e-6);
    double previous = 1.0 + 1e-12;
    for (int i = 0; i <= 200; ++i)
    {
      const double m = std::abs(legendre.Cascade().Response(0.5 * i / 200.0));
      EXPECT_LE(m, previous + 1e-9) << i;
      previous = m;
    }

    EllipticDesign::LowPass<16> elliptic; // 0.5 dB ripple, then its stop-band attenuation past the stop edge
    elliptic.Setup(order, kFs, kFc, 0.5, 0.0);
    ExpectStable(elliptic);
    EXPECT_NEAR(Db(elliptic.Cascade().Response(kEdge)), -0.5, 1e-6);
    const double attenuation = EllipticAnalogLowPass::StopbandAttenuation(order, 0.5, 0.0);
    if (attenuation < 140.0) // beyond that the arithmetic does not resolve it
    {
      const double stopEdge = std::atan(EllipticAnalogLowPass::Selectivity(0.0) * std::tan(kPi * kEdge)) / kPi;
      EXPECT_NEAR(Extremes(elliptic, stopEdge, 0.5).second, -attenuation, 1e-3);
    }
  }
}

// A Bessel low-pass delays its pass band evenly: at every order its group delay near DC is one radian of the
// cut-off (fs / (2 pi fc) samples), and from the third order on it stays there up to half the cut-off.
TEST(Prototypes, BesselDelaysThePassBandEvenly)
{
  DesignWorkspace ws;
  const double expected = kFs / (2.0 * kPi * kFc);
  for (int order = 1; order <= 10; ++order)
  {
    BesselDesign::LowPass<16> bessel;
    bessel.Setup(order, ws, kFs, kFc);
    auto delay = [&](double f) {
      const double h = 1e-6;
      return -std::arg(bessel.Cascade().Response(f + h) / bessel.Cascade().Response(f - h)) / (2.0 * kPi * 2.0 * h);
    };
    EXPECT_NEAR(delay(1e-5), expected, 0.005 * expected) << "order " << order;
    if (order >= 3)
    {
      for (double f : {0.25 * kEdge, 0.5 * kEdge})
        EXPECT_NEAR(delay(f), delay(1e-5), 0.005 * expected) << "order " << order << " at " << f * kFs << " Hz";
    }
  }
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
  for (int order = 1; order <= 16; ++order) // any order the scratch holds is taken as asked
  {
    legendre.Setup(order, ws, kFs, kFc);
    EXPECT_EQ(legendre.DigitalLayout().NumPoles(), order);
  }
  BesselDesign::LowPass<64> bessel;
  bessel.Setup(40, ws, kFs, kFc);
  EXPECT_LE(bessel.DigitalLayout().NumPoles(), 2 * DesignWorkspace::kMaxOrder);
  ChebyshevIDesign::LowPass<16> cheby;
  cheby.Setup(40, kFs, kFc, 1.0);
  EXPECT_EQ(cheby.DigitalLayout().NumPoles(), 16);
}

namespace {

// Sets a design up with each step's parameters in turn (one changed at a time, one step repeating the last) and
// expects after each the response a design set up once with the same parameters has.
template <class D, class SetUp>
void ExpectEachSetupMatchesAFreshDesign(SetUp setUp, int steps)
{
  D reused;
  for (int step = 0; step < steps; ++step)
  {
    setUp(reused, step);
    D fresh;
    setUp(fresh, step);
    ASSERT_EQ(reused.DigitalLayout().NumPoles(), fresh.DigitalLayout().NumPoles()) << "step " << step;
    for (int i = 0; i <= 50; ++i)
    {
      const double f = 0.5 * i / 50;
      EXPECT_NEAR(std::abs(reused.Cascade().Response(f) - fresh.Cascade().Response(f)), 0.0, 1e-12)
        << "step " << step << ", " << f;
    }
  }
}

} // namespace

// A design set up again follows its new parameters, whichever of them changed, and a repeat changes nothing.
TEST(Prototypes, EachFamilySetUpAgainFollowsEveryChangedParameter)
{
  DesignWorkspace ws;
  const int orders[] = {4, 6, 6, 6, 3, 3};
  const double first[] = {1.0, 1.0, 3.0, 3.0, 3.0, 3.0}; // ripple, stop band or gain: order and it alternate
  const double second[] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.5};
  ExpectEachSetupMatchesAFreshDesign<ChebyshevIDesign::LowPass<8>>(
    [&](auto& d, int s) { d.Setup(orders[s], kFs, kFc, first[s]); }, 6);
  ExpectEachSetupMatchesAFreshDesign<ChebyshevIIDesign::LowPass<8>>(
    [&](auto& d, int s) { d.Setup(orders[s], kFs, kFc, 20.0 * first[s]); }, 6);
  ExpectEachSetupMatchesAFreshDesign<ChebyshevIDesign::LowShelf<8>>(
    [&](auto& d, int s) { d.Setup(orders[s], kFs, kFc, -4.0 * first[s], 0.5 + second[s]); }, 6);
  ExpectEachSetupMatchesAFreshDesign<BesselDesign::LowPass<8>>(
    [&](auto& d, int s) { d.Setup(orders[s], ws, kFs, kFc); }, 6);
  ExpectEachSetupMatchesAFreshDesign<BesselDesign::LowShelf<8>>(
    [&](auto& d, int s) { d.Setup(orders[s], ws, kFs, kFc, -4.0 * first[s]); }, 6);
  ExpectEachSetupMatchesAFreshDesign<LegendreDesign::LowPass<8>>(
    [&](auto& d, int s) { d.Setup(orders[s], ws, kFs, kFc); }, 6);
  ExpectEachSetupMatchesAFreshDesign<EllipticDesign::LowPass<8>>(
    [&](auto& d, int s) { d.Setup(orders[s], kFs, kFc, first[s], second[s]); }, 6);
}

namespace {

// A band-pass peaks at full level near its centre and shuts both ends; a band-stop dips deep near its centre and
// passes both ends whole; both stay stable.
template <class Pass, class Stop, class SetupFn>
void ExpectBandsAroundTheirCentre(const char* family, SetupFn setup)
{
  constexpr double kCentre = 4000.0 / kFs;
  constexpr double kWidth = 1000.0 / kFs;
  for (int order : {1, 3, 5})
  {
    Pass pass;
    Stop stop;
    setup(pass, order, 4000.0, 1000.0);
    setup(stop, order, 4000.0, 1000.0);
    ExpectStable(pass);
    ExpectStable(stop);
    EXPECT_NEAR(Extremes(pass, kCentre - kWidth, kCentre + kWidth).second, 0.0, 0.05) << family << " " << order;
    EXPECT_LT(Extremes(pass, 0.0, kCentre - 2.0 * kWidth).second, -3.0) << family << " " << order;
    EXPECT_LT(Extremes(pass, kCentre + 2.0 * kWidth, 0.5).second, -3.0) << family << " " << order;
    EXPECT_LT(Db(pass.Cascade().Response(0.0)), -60.0) << family << " " << order;
    EXPECT_LT(Db(pass.Cascade().Response(0.5)), -60.0) << family << " " << order;
    EXPECT_LT(Extremes(stop, kCentre - kWidth, kCentre + kWidth).first, -15.0) << family << " " << order;
    EXPECT_NEAR(Db(stop.Cascade().Response(0.0)), 0.0, 1e-6) << family << " " << order;
    EXPECT_NEAR(Db(stop.Cascade().Response(0.5)), 0.0, 1e-6) << family << " " << order;
  }
}

} // namespace

TEST(Prototypes, EachFamilyBandPassesAndStopsAroundItsCentre)
{
  DesignWorkspace ws;
  ExpectBandsAroundTheirCentre<ChebyshevIDesign::BandPass<8>, ChebyshevIDesign::BandStop<8>>(
    "chebyshev I", [](auto& d, int order, double fc, double width) { d.Setup(order, kFs, fc, width, 1.0); });
  ExpectBandsAroundTheirCentre<ChebyshevIIDesign::BandPass<8>, ChebyshevIIDesign::BandStop<8>>(
    "chebyshev II", [](auto& d, int order, double fc, double width) { d.Setup(order, kFs, fc, width, 40.0); });
  ExpectBandsAroundTheirCentre<BesselDesign::BandPass<8>, BesselDesign::BandStop<8>>(
    "bessel", [&](auto& d, int order, double fc, double width) { d.Setup(order, ws, kFs, fc, width); });
  ExpectBandsAroundTheirCentre<LegendreDesign::BandPass<8>, LegendreDesign::BandStop<8>>(
    "legendre", [&](auto& d, int order, double fc, double width) { d.Setup(order, ws, kFs, fc, width); });
  ExpectBandsAroundTheirCentre<EllipticDesign::BandPass<8>, EllipticDesign::BandStop<8>>(
    "elliptic", [](auto& d, int order, double fc, double width) { d.Setup(order, kFs, fc, width, 0.5, 0.0); });
}

// The high passes of every family, at odd and even orders: each keeps its family's promise at the edge, stops DC
// and passes the top within its ripple. The Chebyshev shelves: a low shelf's level at its edge is the high
// shelf's there and the band shelf's at both its band edges; each holds its gain on the far side of the high
// shelf's, and 0 dB away from its band.
TEST(Prototypes, EveryFamilysHighPassAndTheChebyshevShelvesHoldTheirBands)
{
  DesignWorkspace ws;
  constexpr double kCentre = 4000.0, kWidth = 1000.0;
  for (int order : {1, 2, 5})
  {
    SCOPED_TRACE(order);
    ChebyshevIDesign::HighPass<8> cheby1;
    cheby1.Setup(order, kFs, kFc, 1.0);
    EXPECT_NEAR(Db(cheby1.Cascade().Response(kEdge)), -1.0, 1e-6);
    ChebyshevIIDesign::HighPass<8> cheby2;
    cheby2.Setup(order, kFs, kFc, 40.0);
    EXPECT_NEAR(Db(cheby2.Cascade().Response(kEdge)), -40.0, 1e-6);
    EllipticDesign::HighPass<8> elliptic;
    elliptic.Setup(order, kFs, kFc, 0.5, 0.0);
    EXPECT_NEAR(Db(elliptic.Cascade().Response(kEdge)), -0.5, 1e-6);
    LegendreDesign::HighPass<8> legendre;
    legendre.Setup(order, ws, kFs, kFc);
    EXPECT_NEAR(Db(legendre.Cascade().Response(kEdge)), kMinus3dB, 1e-6);
    BesselDesign::HighPass<8> bessel;
    bessel.Setup(order, ws, kFs, kFc);
    // at DC: a zero, or (the even orders with zeros in the stop band) the stop band's depth
    const double ellipticDepth = -EllipticAnalogLowPass::StopbandAttenuation(order, 0.5, 0.0);
    const std::pair<const BiquadCascade*, double> highs[] = {{&cheby1.Cascade(), -100.0},
      {&cheby2.Cascade(), -40.0}, {&elliptic.Cascade(), ellipticDepth}, {&legendre.Cascade(), -100.0},
      {&bessel.Cascade(), -100.0}};
    for (const auto& [c, atDc] : highs)
    {
      EXPECT_LE(Db(c->Response(0.0)), atDc + 1e-6);
      EXPECT_NEAR(Db(c->Response(0.5)), -0.5, 0.5 + 1e-9);
    }

    for (bool second : {false, true})
    {
      ChebyshevIDesign::LowShelf<8> low1;
      ChebyshevIDesign::HighShelf<8> high1;
      ChebyshevIDesign::BandShelf<8> band1;
      ChebyshevIIDesign::LowShelf<8> low2;
      ChebyshevIIDesign::HighShelf<8> high2;
      ChebyshevIIDesign::BandShelf<8> band2;
      const double other = second ? 40.0 : 1.0; // the stop band's depth, or the ripple
      low1.Setup(order, kFs, kFc, 6.0, other);
      high1.Setup(order, kFs, kFc, 6.0, other);
      band1.Setup(order, kFs, kCentre, kWidth, 6.0, other);
      low2.Setup(order, kFs, kFc, 6.0, other);
      high2.Setup(order, kFs, kFc, 6.0, other);
      band2.Setup(order, kFs, kCentre, kWidth, 6.0, other);
      const BiquadCascade& low = second ? low2.Cascade() : low1.Cascade();
      const BiquadCascade& high = second ? high2.Cascade() : high1.Cascade();
      const BiquadCascade& band = second ? band2.Cascade() : band1.Cascade();
      const double atEdge = Db(low.Response(kEdge));
      if (!second)
      {
        EXPECT_NEAR(atEdge, 5.0, 1e-6); // the gain less the ripple
      }
      EXPECT_NEAR(Db(high.Response(kEdge)), atEdge, 1e-6);
      EXPECT_NEAR(Db(band.Response((kCentre - kWidth / 2) / kFs)), atEdge, 1e-6);
      EXPECT_NEAR(Db(band.Response((kCentre + kWidth / 2) / kFs)), atEdge, 1e-6);
      EXPECT_NEAR(Db(high.Response(0.5)), Db(low.Response(0.0)), 1e-6);
      EXPECT_GT(Db(band.Response(kCentre / kFs)), atEdge);
      for (double f : {0.0, 0.5})
      {
        EXPECT_NEAR(Db(band.Response(f)), 0.0, 1e-6) << f;
        EXPECT_NEAR(Db((f == 0.0 ? high : low).Response(f)), 0.0, 1e-6) << f;
      }
    }
  }
}
