// Biquad cascades: layouts beyond the storage, and direct form II processing (agreement with the response, float
// and double, no denormals, bad arguments).
#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "FilterMeasure.h"
#include "filters/Biquad.h"
#include "filters/Butterworth.h"
#include "filters/FilterDesign.h"

using namespace Dsp;
using filtertest::Db;

namespace {

struct Storage
{
  BiquadStage stages[4];
  PoleZeroPair pairs[4]{};
  BiquadCascade cascade;
  PoleZeroLayout layout{pairs, 8};
  DirectFormII states[4];

  Storage() { cascade.SetStorage(4, stages); }
};

} // namespace

TEST(BiquadCascade, LayoutsBeyondTheStorageAreCut)
{
  Storage st;
  for (int i = 0; i < 6; ++i) {
    st.layout.AddConjugatePair(std::polar(0.5, 0.1 * i), Complex(-1.0, 0.0));
    ASSERT_EQ(st.layout.NumPoles(), std::min(2 * (i + 1), 8)) << "after pair " << i;
  }
  EXPECT_EQ(st.layout.Pair(3).pole1, std::polar(0.5, 0.1 * 3));
  EXPECT_EQ(st.layout.Pair(3).pole2, std::conj(std::polar(0.5, 0.1 * 3)));
  st.cascade.SetLayout(st.layout);
  EXPECT_EQ(st.cascade.NumStages(), 4);
}

// A layout takes pairs two poles at a time and a single as one pole, after which nothing more fits; cleared, it
// is empty and takes pairs from the first place again.
TEST(BiquadCascade, LayoutCountsWhatItTakesAndStartsAfreshWhenCleared)
{
  Storage st;
  st.layout.AddConjugatePair(std::polar(0.5, 0.2), Complex(-1.0, 0.0));
  st.layout.Clear();
  EXPECT_EQ(st.layout.NumPoles(), 0);
  EXPECT_EQ(st.layout.NumPairs(), 0);
  const PoleZeroPair pair{Complex(0.1, 0.0), Complex(-0.3, 0.0), Complex(-1.0, 0.0), Complex(0.5, 0.0)};
  st.layout.AddPair(pair);
  ASSERT_EQ(st.layout.NumPoles(), 2);
  EXPECT_EQ(st.layout.Pair(0).pole2, pair.pole2);
  EXPECT_EQ(st.layout.Pair(0).zero2, pair.zero2);
  st.layout.AddSingle(Complex(0.25, 0.0), Complex(-1.0, 0.0));
  EXPECT_EQ(st.layout.NumPoles(), 3);
  EXPECT_EQ(st.layout.NumPairs(), 2);
  EXPECT_TRUE(st.layout.Pair(1).IsSingle());
  EXPECT_EQ(st.layout.Pair(1).pole1, Complex(0.25, 0.0));
  st.layout.AddConjugatePair(std::polar(0.5, 0.2), Complex(-1.0, 0.0));
  st.layout.AddSingle(Complex(0.5, 0.0), Complex(-1.0, 0.0));
  EXPECT_EQ(st.layout.NumPoles(), 3);
  st.cascade.SetLayout(st.layout);
  EXPECT_EQ(st.cascade.NumStages(), 2);
  // A layout that names no point to scale at is whole at DC.
  EXPECT_NEAR(std::abs(st.cascade.Response(0.0)), 1.0, 1e-12);
}

// The poles and zeros read back from a designed cascade's coefficients are the layout's, section by section (in
// either order within a pair): double zeros at the band edges, single sections and zeros on the unit circle.
TEST(BiquadCascade, PolesAndZerosReadBackFromTheStagesAreTheLayouts)
{
  const auto samePair = [](const Complex& a1, const Complex& a2, const Complex& b1, const Complex& b2) {
    const double tol = 1e-6; // a double root comes back to about the square root of the rounding
    return (std::abs(a1 - b1) < tol && std::abs(a2 - b2) < tol) || (std::abs(a1 - b2) < tol && std::abs(a2 - b1) < tol);
  };
  for (int order : {1, 2, 3, 6})
  {
    Butterworth::Design::LowPass<8> low;
    low.Setup(order, 48000.0, 3000.0);
    Butterworth::Design::HighPass<8> high;
    high.Setup(order, 48000.0, 3000.0);
    Butterworth::Design::BandStop1<8> stop;
    stop.Setup(order, 48000.0, 3000.0, 2.0);
    const auto check = [&](const char* what, const BiquadCascade& cascade, const PoleZeroLayout& layout) {
      const std::vector<PoleZeroPair> read = cascade.GetPoleZeros();
      ASSERT_EQ(static_cast<int>(read.size()), layout.NumPairs()) << what << " " << order;
      for (int i = 0; i < layout.NumPairs(); ++i)
      {
        const PoleZeroPair& want = layout.Pair(i);
        const PoleZeroPair& got = read[i];
        EXPECT_TRUE(samePair(got.pole1, got.pole2, want.pole1, want.pole2)) << what << " " << order << ", " << i;
        EXPECT_TRUE(samePair(got.zero1, got.zero2, want.zero1, want.zero2)) << what << " " << order << ", " << i;
      }
    };
    check("low-pass", low.Cascade(), low.DigitalLayout());
    check("high-pass", high.Cascade(), high.DigitalLayout());
    check("band stop", stop.Cascade(), stop.DigitalLayout());
  }
}

// The storage's stages hold no filtering until a layout fills them: before any layout, and past a layout's last
// section, each stage passes every frequency unchanged and reads back as no pole or zero at a unit gain.
TEST(BiquadCascade, StagesNoLayoutFillsPassTheSignalUnchanged)
{
  Storage st;
  st.layout.AddConjugatePair(std::polar(0.5, 0.3), Complex(-1.0, 0.0));
  for (int round = 0; round < 2; ++round)
  {
    const int first = round == 0 ? 0 : 1;
    for (int i = first; i < 4; ++i)
    {
      for (double f : {0.0, 0.1, 0.37, 0.5})
        EXPECT_EQ(st.stages[i].Response(f), Complex(1.0, 0.0)) << "stage " << i << ", round " << round;
      const StagePoles poles = StagePoles::FromStage(st.stages[i]);
      EXPECT_EQ(poles.gain, 1.0) << "stage " << i << ", round " << round;
    }
    st.cascade.SetLayout(st.layout);
  }
  EXPECT_EQ(st.cascade.NumStages(), 1);

  BiquadStage stages[3]; // the storage handed over is the first two; the third is left alone
  stages[2].SetCoefficients(1.0, 0.5, 0.25, 2.0, 0.0, 0.0);
  BiquadCascade cascade;
  cascade.SetStorage(2, stages);
  EXPECT_EQ(stages[2].Response(0.0), Complex(2.0 / 1.75, 0.0));

  // A new stage holds the identity; a stage given a leading coefficient other than 1 reads back the roots and
  // gain of the polynomials as given.
  const BiquadStage fresh;
  EXPECT_EQ((std::vector<double>{fresh.a0, fresh.a1, fresh.a2, fresh.b0, fresh.b1, fresh.b2}),
            (std::vector<double>{1.0, 0.0, 0.0, 1.0, 0.0, 0.0}));
  BiquadStage first, second;
  first.SetCoefficients(2.0, -1.0, 0.0, 4.0, -1.0, 0.0);
  second.SetCoefficients(4.0, -2.0, 1.0, 8.0, 0.0, -2.0);
  const StagePoles one = StagePoles::FromStage(first), two = StagePoles::FromStage(second);
  EXPECT_EQ(one.pair.pole1, Complex(0.5, 0.0));
  EXPECT_EQ(one.pair.zero1, Complex(0.25, 0.0));
  EXPECT_EQ(one.gain, 2.0);
  EXPECT_NEAR(std::abs(two.pair.pole1 - Complex(0.25, -std::sqrt(0.1875))), 0.0, 1e-15);
  EXPECT_NEAR(std::abs(two.pair.pole2 - Complex(0.25, std::sqrt(0.1875))), 0.0, 1e-15);
  EXPECT_NEAR(std::abs(two.pair.zero1 - Complex(-0.5, 0.0)), 0.0, 1e-15);
  EXPECT_NEAR(std::abs(two.pair.zero2 - Complex(0.5, 0.0)), 0.0, 1e-15);
  EXPECT_EQ(two.gain, 2.0);
}

namespace {

using LowPass16 = FilterDesign<Butterworth::Design::LowPass<16>, 1, DirectFormII>;
using HighPass16 = FilterDesign<Butterworth::Design::HighPass<16>, 1, DirectFormII>;
using BandPass16 = FilterDesign<Butterworth::Design::BandPass1<16>, 1, DirectFormII>;
using BandShelf16 = FilterDesign<Butterworth::Design::BandShelf1<16>, 1, DirectFormII>;

void Design(Filter& f, std::initializer_list<std::pair<int, double>> values)
{
  for (const auto& v : values)
    f.SetParamValueById(v.first, v.second);
}

} // namespace

TEST(DirectFormII, ASineComesOutAtTheMagnitudeOfTheResponse)
{
  LowPass16 lp;
  HighPass16 hp;
  BandPass16 bp;
  BandShelf16 shelf;
  Design(lp, {{kParamSampleRate, 48000}, {kParamOrder, 5}, {kParamFrequency, 3000}});
  Design(hp, {{kParamSampleRate, 44100}, {kParamOrder, 8}, {kParamFrequency, 500}});
  Design(bp, {{kParamSampleRate, 48000}, {kParamOrder, 3}, {kParamFrequency, 2000}, {kParamBandwidthHz, 2}});
  Design(shelf, {{kParamSampleRate, 48000}, {kParamOrder, 4}, {kParamFrequency, 4000}, {kParamBandwidthHz, 1.5},
                 {kParamGain, 9}});

  const int window = 4800;
  for (Filter* f : std::initializer_list<Filter*>{&lp, &hp, &bp, &shelf})
  {
    for (int cycles : {30, 120, 300, 600, 1200, 2000})
    {
      f->Reset();
      const double expected = std::abs(f->Response(static_cast<double>(cycles) / window));
      const double measured = filtertest::SineGain(
        [f](double* x, int n) { f->ProcessDouble(n, &x); }, cycles, window, 24000);
      EXPECT_NEAR(measured, expected, 1e-6 + 1e-6 * expected) << f->GetName() << " at " << cycles;
    }
  }
}

TEST(DirectFormII, FloatAndDoubleProcessingAgree)
{
  LowPass16 a;
  LowPass16 b;
  Design(a, {{kParamSampleRate, 48000}, {kParamOrder, 6}, {kParamFrequency, 1000}});
  Design(b, {{kParamSampleRate, 48000}, {kParamOrder, 6}, {kParamFrequency, 1000}});
  std::vector<double> xd(2048);
  std::vector<float> xf(2048);
  for (size_t i = 0; i < xd.size(); ++i)
    xf[i] = static_cast<float>(xd[i] = std::sin(0.05 * i) + 0.3 * std::sin(0.7 * i));
  float* pf = xf.data();
  double* pd = xd.data();
  a.ProcessFloat(2048, &pf);
  b.ProcessDouble(2048, &pd);
  for (size_t i = 0; i < xd.size(); ++i)
    ASSERT_NEAR(xf[i], xd[i], 1e-5);
}

TEST(DirectFormII, DecayingStateNeverBecomesDenormal)
{
  for (int order : {1, 2, 7})
  {
    LowPass16 lp;
    HighPass16 hp;
    Design(lp, {{kParamSampleRate, 48000}, {kParamOrder, double(order)}, {kParamFrequency, 8000}});
    Design(hp, {{kParamSampleRate, 48000}, {kParamOrder, double(order)}, {kParamFrequency, 8000}});
    for (Filter* f : std::initializer_list<Filter*>{&lp, &hp})
    {
      std::vector<double> x(200000, 0.0);
      x[0] = 1.0;
      double* p = x.data();
      f->ProcessDouble(static_cast<int>(x.size()), &p);
      int subnormal = 0;
      for (double v : x)
        subnormal += std::fpclassify(v) == FP_SUBNORMAL;
      EXPECT_EQ(subnormal, 0) << f->GetName() << " order " << order;
      // The tail is silent for any listener.
      EXPECT_LT(std::fabs(x.back()), 1e-30);

    }
  }
}

TEST(DirectFormII, BadArgumentsChangeNothing)
{
  LowPass16 lp;
  Design(lp, {{kParamSampleRate, 48000}, {kParamOrder, 4}, {kParamFrequency, 1000}});
  lp.ProcessDouble(16, nullptr);
  double* none[1] = {nullptr};
  lp.ProcessDouble(16, none);
  std::vector<double> x(4, 1.0);
  double* p = x.data();
  lp.ProcessDouble(0, &p);
  lp.ProcessDouble(-5, &p);
  EXPECT_EQ(x, std::vector<double>(4, 1.0));
}
