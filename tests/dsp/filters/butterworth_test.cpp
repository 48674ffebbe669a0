// Butterworth filter objects measured at orders 1, 2, 3, 8 and 16 and two rates: cut-off levels, stable poles,
// polarity, orders held in range, and the life of an object before any design and across a reset. (The effect
// builds these filters but no audio runs through them.)
#include <cmath>
#include <iterator>
#include <string>
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
using BandStop = Object<Butterworth::Design::BandStop1>;
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
        EXPECT_LT(Db(hp.Response(0.25 * f)), -11.5 * order + 1.0); // the warping steepens a high-pass everywhere
        EXPECT_EQ(static_cast<int>(lp.GetPoleZeros().size()), (order + 1) / 2);
        EXPECT_EQ(static_cast<int>(hp.GetPoleZeros().size()), (order + 1) / 2);
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

TEST(ButterworthObjects, EachReportsAKindOfItsOwn)
{
  using BandPass = Object<Butterworth::Design::BandPass1>;
  using LowShelf = Object<Butterworth::Design::LowShelf>;
  using HighShelf = Object<Butterworth::Design::HighShelf>;
  const std::vector<std::pair<std::string, int>> kinds = {
    {LowPass().GetName(), LowPass().GetKind()},       {HighPass().GetName(), HighPass().GetKind()},
    {BandPass().GetName(), BandPass().GetKind()},     {BandStop().GetName(), BandStop().GetKind()},
    {LowShelf().GetName(), LowShelf().GetKind()},     {HighShelf().GetName(), HighShelf().GetKind()},
    {BandShelf().GetName(), BandShelf().GetKind()},
  };
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(kinds[static_cast<size_t>(i)].second, i) << kinds[static_cast<size_t>(i)].first;
  // Their parameters: order, sample rate and frequency, then a width, a gain, or both.
  const int counts[] = {LowPass().GetNumParams(),  HighPass().GetNumParams(),  BandPass().GetNumParams(),
                        BandStop().GetNumParams(), LowShelf().GetNumParams(), HighShelf().GetNumParams(),
                        BandShelf().GetNumParams()};
  EXPECT_EQ(std::vector<int>(std::begin(counts), std::end(counts)), (std::vector<int>{3, 3, 4, 4, 4, 4, 5}));
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

TEST(ButterworthShelves, DesignedThroughParametersTakeTheOrderAndGainAsked)
{
  using LowShelf = Object<Butterworth::Design::LowShelf>;
  using HighShelf = Object<Butterworth::Design::HighShelf>;
  for (double fs : kRates)
    for (int order : kOrders)
      for (double gain : {6.0, -12.0})
      {
        LowShelf low;
        HighShelf high;
        Design(low, {{kParamSampleRate, fs}, {kParamOrder, order}, {kParamFrequency, 1000}, {kParamGain, gain}});
        Design(high, {{kParamSampleRate, fs}, {kParamOrder, order}, {kParamFrequency, 1000}, {kParamGain, gain}});
        EXPECT_EQ(low.GetDesign().Cascade().NumStages(), (order + 1) / 2) << order;
        EXPECT_EQ(high.GetDesign().Cascade().NumStages(), (order + 1) / 2) << order;
        EXPECT_NEAR(Db(low.Response(0.0)), gain, 1e-6) << order << " @ " << fs;
        EXPECT_NEAR(Db(low.Response(0.5)), 0.0, 1e-6) << order << " @ " << fs;
        EXPECT_NEAR(Db(high.Response(0.0)), 0.0, 1e-6) << order << " @ " << fs;
        EXPECT_NEAR(Db(high.Response(0.5)), gain, 1e-6) << order << " @ " << fs;
        // Every level between lies between the two shelves, moving one way only.
        double previous = Db(low.Response(0.0));
        for (double f = 0.001; f < 0.5; f += 0.001)
        {
          const double level = Db(low.Response(f));
          EXPECT_LE(std::abs(level), std::abs(gain) + 1e-6) << order << " " << f;
          EXPECT_TRUE(gain > 0 ? level <= previous + 1e-9 : level >= previous - 1e-9) << order << " " << f;
          previous = level;
        }
      }
}
