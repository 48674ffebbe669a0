// Butterworth filter objects measured at orders 1, 2, 3, 8 and 16 and two rates: cut-off levels, shelves, band
// edges and centres, stable poles, polarity, and the life of an object before any design.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "FilterMeasure.h"
#include "filters/Butterworth.h"
#include "filters/FilterDesign.h"

using namespace Dsp;
using filtertest::Db;
using filtertest::kMinus3dB;

namespace {

template <template <int> class D>
using Object = FilterDesign<D<16>, 1, DirectFormII>;

using LowPass = Object<Butterworth::Design::LowPass>;
using HighPass = Object<Butterworth::Design::HighPass>;
using BandPass = Object<Butterworth::Design::BandPass1>;
using BandStop = Object<Butterworth::Design::BandStop1>;
using LowShelf = Object<Butterworth::Design::LowShelf>;
using HighShelf = Object<Butterworth::Design::HighShelf>;
using BandShelf = Object<Butterworth::Design::BandShelf1>;

const double kRates[] = {44100.0, 96000.0};
const double kCutoffs[] = {30.0, 5000.0, 18000.0};
const int kOrders[] = {1, 2, 3, 8, 16};

void Design(Filter& f, std::initializer_list<std::pair<int, double>> values)
{
  for (const auto& v : values)
    f.SetParamValueById(v.first, v.second);
}

void ExpectStablePoles(const Filter& f)
{
  for (const PoleZeroPair& pair : f.GetPoleZeros())
  {
    EXPECT_LT(std::abs(pair.pole1), 1.0) << f.GetName();
    EXPECT_LT(std::abs(pair.pole2), 1.0) << f.GetName();
  }
}

// Digital band edges (cycles per sample) for centre fc and width value w.
void Edges(double fs, double fc, double w, double& lower, double& upper)
{
  upper = (fc + fc / w) / fs;
  lower = fc * fc / (fc + fc / w) / fs;
}

} // namespace

TEST(ButterworthPasses, AreThreeDecibelsDownAtTheCutoffForEveryOrderAndRate)
{
  for (double fs : kRates)
    for (double fc : kCutoffs)
      for (int order : kOrders)
      {
        LowPass lp;
        HighPass hp;
        Design(lp, {{kParamSampleRate, fs}, {kParamOrder, double(order)}, {kParamFrequency, fc}});
        Design(hp, {{kParamSampleRate, fs}, {kParamOrder, double(order)}, {kParamFrequency, fc}});
        const double f = fc / fs;
        EXPECT_NEAR(Db(lp.Response(f)), kMinus3dB, 1e-6) << "low-pass " << order << " " << fc << " @ " << fs;
        EXPECT_NEAR(Db(hp.Response(f)), kMinus3dB, 1e-6) << "high-pass " << order << " " << fc << " @ " << fs;
        EXPECT_NEAR(std::abs(lp.Response(0.0)), 1.0, 1e-9);
        EXPECT_NEAR(std::abs(hp.Response(0.5)), 1.0, 1e-9);
        // One octave beyond the cut-off the slope is close to 6 dB per order (warping only steepens it).
        if (fc < 2000.0)
        {
          EXPECT_LT(Db(lp.Response(4.0 * f)), -11.5 * order + 1.0);
        }
        EXPECT_EQ(static_cast<int>(lp.GetPoleZeros().size()), (order + 1) / 2);
        ExpectStablePoles(lp);
        ExpectStablePoles(hp);
      }
}

TEST(ButterworthPasses, KeepTheirPolarityAtEveryOrder)
{
  for (int order : kOrders)
  {
    LowPass lp;
    HighPass hp;
    Design(lp, {{kParamSampleRate, 48000}, {kParamOrder, double(order)}, {kParamFrequency, 1000}});
    Design(hp, {{kParamSampleRate, 48000}, {kParamOrder, double(order)}, {kParamFrequency, 1000}});
    // In the pass band the response is +1, not -1: the first-order section's zero sits at z = +1 (high-pass) or
    // z = -1 (low-pass) and keeps the sign.
    EXPECT_NEAR(lp.Response(0.0).real(), 1.0, 1e-9) << order;
    EXPECT_NEAR(hp.Response(0.5).real(), 1.0, 1e-9) << order;

    // Measured: the step response of the low-pass settles at +1; an impulse through the high-pass starts
    // positive.
    std::vector<double> step(20000, 1.0);
    double* p = step.data();
    lp.ProcessDouble(static_cast<int>(step.size()), &p);
    EXPECT_NEAR(step.back(), 1.0, 1e-6) << order;
    std::vector<double> impulse(8, 0.0);
    impulse[0] = 1.0;
    p = impulse.data();
    hp.ProcessDouble(8, &p);
    EXPECT_GT(impulse[0], 0.0) << order;
  }
}

TEST(ButterworthShelves, ReachTheirGainAndStayFlatElsewhere)
{
  for (double gain : {-24.0, -6.0, 3.0, 12.0})
    for (int order : kOrders)
    {
      LowShelf ls;
      HighShelf hs;
      BandShelf bs;
      Design(ls, {{kParamSampleRate, 48000}, {kParamOrder, double(order)}, {kParamFrequency, 1000}, {kParamGain, gain}});
      Design(hs, {{kParamSampleRate, 48000}, {kParamOrder, double(order)}, {kParamFrequency, 1000}, {kParamGain, gain}});
      Design(bs, {{kParamSampleRate, 48000},
                  {kParamOrder, double(order)},
                  {kParamFrequency, 2000},
                  {kParamBandwidthHz, 1.0},
                  {kParamGain, gain}});
      SCOPED_TRACE(order);
      EXPECT_NEAR(Db(ls.Response(0.0)), gain, 1e-6);
      EXPECT_NEAR(Db(ls.Response(0.5)), 0.0, 1e-6);
      EXPECT_NEAR(Db(hs.Response(0.5)), gain, 1e-6);
      EXPECT_NEAR(Db(hs.Response(0.0)), 0.0, 1e-6);
      // Half the gain (in dB) at the cut-off.
      EXPECT_NEAR(Db(ls.Response(1000.0 / 48000)), gain / 2.0, 1e-6);
      EXPECT_NEAR(Db(hs.Response(1000.0 / 48000)), gain / 2.0, 1e-6);
      // The band shelf: its gain at the band's centre, unity at both ends of the spectrum.
      const double centre = bs.GetDesign().DigitalLayout().NormalW(); // normalisation point (pi)
      EXPECT_NEAR(centre, filtertest::kPi, 1e-12);
      double lower, upper;
      Edges(48000, 2000, 1.0, lower, upper);
      const double mid = std::atan(std::sqrt(std::tan(filtertest::kPi * lower) * std::tan(filtertest::kPi * upper))) /
                         filtertest::kPi;
      EXPECT_NEAR(Db(bs.Response(mid)), gain, 1e-6);
      EXPECT_NEAR(Db(bs.Response(0.5)), 0.0, 1e-6);
      EXPECT_NEAR(Db(bs.Response(0.0)), 0.0, 1e-6);
      ExpectStablePoles(ls);
      ExpectStablePoles(hs);
      ExpectStablePoles(bs);
      // Minimum phase: every zero inside or on the unit circle, the odd section's included.
      for (const Filter* f : {static_cast<const Filter*>(&ls), static_cast<const Filter*>(&hs)})
        for (const PoleZeroPair& pair : f->GetPoleZeros())
          EXPECT_LE(std::abs(pair.zero1), 1.0 + 1e-12) << f->GetName();
    }
}

TEST(ButterworthBands, PassAndStopTheBandWithThreeDecibelEdges)
{
  for (double fs : kRates)
    for (int order : kOrders)
    {
      const double fc = 1000.0;
      const double w = 1.0; // edges 500 Hz and 2000 Hz
      BandPass bp;
      BandStop bs;
      Design(bp, {{kParamSampleRate, fs}, {kParamOrder, double(order)}, {kParamFrequency, fc}, {kParamBandwidthHz, w}});
      Design(bs, {{kParamSampleRate, fs}, {kParamOrder, double(order)}, {kParamFrequency, fc}, {kParamBandwidthHz, w}});
      SCOPED_TRACE(order);
      double lower, upper;
      Edges(fs, fc, w, lower, upper);
      EXPECT_NEAR(upper * fs, 2000.0, 1e-9);
      EXPECT_NEAR(lower * fs, 500.0, 1e-9);
      EXPECT_NEAR(Db(bp.Response(lower)), kMinus3dB, 1e-6);
      EXPECT_NEAR(Db(bp.Response(upper)), kMinus3dB, 1e-6);
      EXPECT_NEAR(Db(bs.Response(lower)), kMinus3dB, 1e-6);
      EXPECT_NEAR(Db(bs.Response(upper)), kMinus3dB, 1e-6);

      // The centre (geometric mean of the prewarped edges): the band-pass peaks at 0 dB, the band-stop notches.
      const double mid =
        std::atan(std::sqrt(std::tan(filtertest::kPi * lower) * std::tan(filtertest::kPi * upper))) / filtertest::kPi;
      EXPECT_NEAR(Db(bp.Response(mid)), 0.0, 1e-9);
      EXPECT_LT(Db(bs.Response(mid)), -100.0);
      for (double f : {mid * 0.9, mid * 1.1, lower * 0.5, upper * 2.0})
        EXPECT_LT(Db(bp.Response(f)), 1e-9);
      EXPECT_NEAR(Db(bs.Response(0.0)), 0.0, 1e-6);
      EXPECT_NEAR(Db(bs.Response(0.5)), 0.0, 1e-6);
      ExpectStablePoles(bp);
      ExpectStablePoles(bs);
      EXPECT_EQ(static_cast<int>(bp.GetPoleZeros().size()), order);
      EXPECT_EQ(bp.GetDesign().Cascade().NumStages(), order);
    }
}

TEST(ButterworthBands, EdgesAreHeldInsideTheSpectrum)
{
  // A centre near Nyquist with a wide band: the upper edge is held below Nyquist, the design stays stable.
  BandPass bp;
  Design(bp, {{kParamSampleRate, 44100}, {kParamOrder, 4}, {kParamFrequency, 20000}, {kParamBandwidthHz, 0.5}});
  ExpectStablePoles(bp);
  EXPECT_TRUE(std::isfinite(std::abs(bp.Response(0.3))));
  BandStop bs;
  Design(bs, {{kParamSampleRate, 44100}, {kParamOrder, 4}, {kParamFrequency, 5}, {kParamBandwidthHz, 0.1}});
  ExpectStablePoles(bs);
}

TEST(ButterworthObjects, BeforeAnyDesignHaveNoPolesAndPassAudioThrough)
{
  BandShelf f;
  EXPECT_TRUE(f.GetPoleZeros().empty());
  EXPECT_EQ(f.Response(0.1), Complex(1.0, 0.0));
  f.Reset();
  std::vector<float> x = {0.5f, -1.0f, 0.25f};
  float* p = x.data();
  f.ProcessFloat(3, &p);
  EXPECT_EQ(x, (std::vector<float>{0.5f, -1.0f, 0.25f}));
  // The parameters start at their defaults.
  for (int i = 0; i < f.GetNumParams(); ++i)
    EXPECT_EQ(f.GetParams()[i], f.GetParamInfo(i).defaultValue);
}

TEST(ButterworthObjects, ResetClearsTheStateButKeepsTheDesign)
{
  LowPass a;
  LowPass b;
  Design(a, {{kParamSampleRate, 48000}, {kParamOrder, 4}, {kParamFrequency, 500}});
  Design(b, {{kParamSampleRate, 48000}, {kParamOrder, 4}, {kParamFrequency, 500}});
  std::vector<double> noise(1000);
  for (size_t i = 0; i < noise.size(); ++i)
    noise[i] = std::sin(1.3 * i * i);
  double* p = noise.data();
  a.ProcessDouble(1000, &p);
  a.Reset();
  std::vector<double> x1(300, 1.0), x2(300, 1.0);
  double* p1 = x1.data();
  double* p2 = x2.data();
  a.ProcessDouble(300, &p1);
  b.ProcessDouble(300, &p2);
  EXPECT_EQ(x1, x2);
}

TEST(ButterworthObjects, OrdersOutsideOneToSixteenAreHeldAtTheNearerEnd)
{
  LowPass lp;
  BandStop bs;
  BandShelf sh;
  for (double order : {40.0, 1e9, -3.0, 0.0, std::nan("")})
  {
    Design(lp, {{kParamSampleRate, 48000}, {kParamOrder, order}, {kParamFrequency, 1000}});
    Design(bs, {{kParamSampleRate, 48000}, {kParamOrder, order}, {kParamFrequency, 1000}, {kParamBandwidthHz, 1}});
    Design(sh, {{kParamSampleRate, 48000}, {kParamOrder, order}, {kParamFrequency, 1000}, {kParamBandwidthHz, 1},
                {kParamGain, 6}});
    const int expected = order > 16.0 ? 16 : 1;
    EXPECT_EQ(lp.GetDesign().Cascade().NumStages(), (expected + 1) / 2) << order;
    EXPECT_EQ(bs.GetDesign().Cascade().NumStages(), expected) << order;
    EXPECT_EQ(sh.GetDesign().Cascade().NumStages(), expected) << order;
    EXPECT_NEAR(Db(lp.Response(1000.0 / 48000)), kMinus3dB, 1e-6) << order;
  }
  // The design setups clamp too.
  Butterworth::Design::HighPass<16> design;
  design.Setup(40, 48000, 1000);
  EXPECT_EQ(design.Cascade().NumStages(), 8);
  Butterworth::Design::LowPass<4> small;
  small.Setup(16, 48000, 1000);
  EXPECT_EQ(small.Cascade().NumStages(), 2);
}
