// The filter library's parameter descriptors and the operations built on them, each design redesigned after one
// parameter changes, the band maps' edges, the shelf prototypes' levels and the cookbook sections' defining
// points.
#include <cmath>
#include <complex>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FilterMeasure.h"
#include "filters/Butterworth.h"
#include "filters/Cookbook.h"
#include "filters/FilterDesign.h"
#include "filters/Prototypes.h"

using namespace Dsp;
using filtertest::Db;
using filtertest::kMinus3dB;
using filtertest::kPi;

namespace {

template <template <int> class D>
using Object = FilterDesign<D<16>, 1, DirectFormII>;
namespace bw = Butterworth::Design;

constexpr double kFs = 48000.0;
const double kProbe[] = {0.0, 0.001, 0.01, 0.03, 0.07, 0.13, 0.21, 0.3, 0.42, 0.5};

/// The largest difference of two responses over the probe frequencies.
double ResponseDistance(const std::function<Complex(double)>& a, const std::function<Complex(double)>& b)
{
  double d = 0.0;
  for (double f : kProbe)
    d = std::max(d, std::abs(a(f) - b(f)));
  return d;
}

/// The digital centre (cycles per sample) of a band whose edges are in Hz: where the band maps put the analog
/// centre, cos w0 = cos((wu + wl) / 2) / cos((wu - wl) / 2).
double BandCentre(double upperHz, double lowerHz)
{
  const double wu = 2 * kPi * upperHz / kFs, wl = 2 * kPi * lowerHz / kFs;
  return std::acos(std::cos((wu + wl) / 2) / std::cos((wu - wl) / 2)) / (2 * kPi);
}

} // namespace

TEST(FilterParams, DescriptorsHoldTheirRangesDefaultsMappingsAndTexts)
{
  const struct
  {
    ParamInfo info;
    int id;
    const char *slug, *name;
    double lo, hi, def, mid; // native values at control 0, 1, the default, and native at control 0.5
    const char* text;        // the default's text
  } rows[] = {
    {ParamInfo::SampleRate(), 0, "Fs", "Sample Rate", 11025, 192000, 44100, 101512.5, "44100 Hz"},
    {ParamInfo::CutoffFrequency(), 1, "Fc", "Cutoff Frequency", 10, 22040, 2000, std::sqrt(10.0 * 22040), "2000 Hz"},
    {ParamInfo::CenterFrequency(), 1, "Fc", "Center Frequency", 10, 22040, 2000, std::sqrt(10.0 * 22040), "2000 Hz"},
    {ParamInfo::Resonance(), 2, "Q", "Resonance", 1.0 / 16, 16, 1, 1, "1.000"},
    {ParamInfo::BandwidthOctaves(), 3, "BW", "Bandwidth (Octaves)", 1.0 / 16, 16, 1, 1, "1.000"},
    {ParamInfo::BandwidthHz(), 4, "BW", "Bandwidth (Hz)", 10, 22040, 1720, std::sqrt(10.0 * 22040), "1720 Hz"},
    {ParamInfo::Gain(), 5, "Gain", "Gain", -24, 24, -6, 0, "-6.00 dB"},
    {ParamInfo::Slope(), 6, "Slope", "Slope", 0.25, 4, 1, 1, "1.000"},
    {ParamInfo::Order(), 7, "Order", "Order", 1, 16, 2, 9, "2"},
    {ParamInfo::Ripple(), 8, "Ripple", "Ripple dB", 0.001, 12, 0.01, 6.0005, "0.010 dB"},
    {ParamInfo::Stopband(), 9, "Stop", "Stopband dB", 3, 60, 48, 31.5, "48.0 dB"},
    {ParamInfo::TransitionWidth(), 10, "W", "Transition Width", -16, 4, 0, -6, "0.000"},
    {ParamInfo::PoleDistance(), 11, "Pd", "Pole Distance", 0, 1, 0.5, 0.5, "0.500"},
    {ParamInfo::PoleAngle(), 12, "Pa", "Pole Angle", 0, kPi, kPi / 2, kPi / 2, "1.571"},
    {ParamInfo::ZeroDistance(), 13, "Pd", "Zero Distance", 0, 1, 0.5, 0.5, "0.500"},
    {ParamInfo::ZeroAngle(), 14, "Pa", "Zero Angle", 0, kPi, kPi / 2, kPi / 2, "1.571"},
    {ParamInfo::PoleReal(), 15, "A1", "Pole Real", -1, 1, 0.25, 0, "0.250"},
    {ParamInfo::ZeroReal(), 16, "B1", "Zero Real", -1, 1, -0.25, 0, "-0.250"},
  };
  for (const auto& r : rows)
  {
    const ParamInfo& p = r.info;
    EXPECT_EQ(p.id, r.id) << r.name;
    EXPECT_STREQ(p.slug, r.slug) << r.name;
    EXPECT_STREQ(p.name, r.name) << r.name;
    EXPECT_NEAR(p.ToNative(0.0), r.lo, 1e-9 * std::fabs(r.hi)) << r.name;
    EXPECT_NEAR(p.ToNative(1.0), r.hi, 1e-9 * std::fabs(r.hi)) << r.name;
    EXPECT_NEAR(p.ToNative(0.5), r.mid, 1e-9 * std::fabs(r.hi)) << r.name;
    EXPECT_EQ(p.defaultValue, r.def) << r.name;
    EXPECT_NEAR(p.ToNative(p.ToControl(r.def)), r.def, 1e-9 * std::fabs(r.hi)) << r.name;
    EXPECT_EQ(p.FormatValue(r.def), r.text) << r.name;
    EXPECT_EQ(p.Clamp(r.hi * 2 + 1), p.ToNative(1.0)) << r.name;
    EXPECT_EQ(p.Clamp(r.lo - std::fabs(r.lo) - 1), p.ToNative(0.0)) << r.name;
  }
  // Texts at the edges of their forms.
  EXPECT_EQ(ParamInfo::Gain().FormatValue(0.5), "0.500 dB");
  EXPECT_EQ(ParamInfo::Gain().FormatValue(-9.5), "-9.50 dB");
  EXPECT_EQ(ParamInfo::Gain().FormatValue(12.25), "12.2 dB");
  EXPECT_EQ(ParamInfo::CutoffFrequency().FormatValue(99.9), "99 Hz");
  EXPECT_EQ(ParamInfo::Order().FormatValue(3.9), "3");
  // Values no integer can hold still have a text: a missing value reads as 0, a huge one stops at the largest.
  EXPECT_EQ(ParamInfo::Order().FormatValue(std::nan("")), "0");
  EXPECT_EQ(ParamInfo::CutoffFrequency().FormatValue(-std::nan("")), "0 Hz");
  EXPECT_EQ(ParamInfo::Order().FormatValue(1e300), "9200000000000000000");
  EXPECT_EQ(ParamInfo::Order().FormatValue(-1e300), "-9200000000000000000");
  EXPECT_EQ(ParamInfo::Order().ToNative(0.5 / 15), 2.0) << "rounded to the nearest order";
}

TEST(FilterParams, ObjectsFindSetAndAdoptTheirParametersById)
{
  Object<bw::BandShelf1> shelf;
  Object<bw::LowPass> low;
  ASSERT_EQ(shelf.GetNumParams(), 5);
  const int ids[] = {kParamSampleRate, kParamOrder, kParamFrequency, kParamBandwidthHz, kParamGain};
  for (int i = 0; i < 5; ++i)
  {
    EXPECT_EQ(shelf.GetParamInfo(i).id, ids[i]);
    EXPECT_EQ(shelf.IndexOfParamId(ids[i]), i);
    EXPECT_EQ(shelf.GetDefaultParams()[i], shelf.GetParamInfo(i).defaultValue);
  }
  EXPECT_EQ(shelf.IndexOfParamId(kParamRipple), -1);
  EXPECT_THROW(shelf.GetParamInfo(5), std::logic_error);
  EXPECT_THROW(shelf.GetParamInfo(-1), std::logic_error);
  EXPECT_THROW(low.GetParamInfo(3), std::logic_error);
  shelf.SetParamValueById(kParamRipple, 3.0); // not a parameter of the design: nothing changes
  EXPECT_EQ(shelf.GetParams()[4], -6.0);
  shelf.SetParamValueById(kParamFrequency, 50000.0);
  shelf.SetParamValueById(kParamOrder, 40.0);
  shelf.SetParamValueById(kParamSampleRate, 96000.0);
  low.AdoptParamsFrom(&shelf); // shared parameters, each held in this design's range
  EXPECT_EQ(low.GetParams()[0], 96000.0);
  EXPECT_EQ(low.GetParams()[1], 16.0);
  EXPECT_NEAR(low.GetParams()[2], 22040.0, 1e-9);
  Object<bw::LowShelf> lowShelf; // its gain sits at another place than the band shelf's
  shelf.SetParamValueById(kParamGain, -9.0);
  lowShelf.AdoptParamsFrom(&shelf);
  EXPECT_EQ(lowShelf.GetParams()[3], -9.0);
  low.AdoptParamsFrom(nullptr);
  EXPECT_EQ(low.GetParams()[2], 2000.0);
  EXPECT_NEAR(Db(low.Response(2000.0 / 44100.0)), kMinus3dB, 1e-6) << "designed again from the defaults";
}

// Changing one parameter at a time designs the filter again: the response equals a fresh design's.
TEST(FilterDesigns, EachParameterChangeRedesignsTheFilter)
{
  const std::vector<std::function<Filter*()>> makers = {
    [] { return new Object<bw::LowPass>; },   [] { return new Object<bw::HighPass>; },
    [] { return new Object<bw::BandPass1>; }, [] { return new Object<bw::BandStop1>; },
    [] { return new Object<bw::LowShelf>; },  [] { return new Object<bw::HighShelf>; },
    [] { return new Object<bw::BandShelf1>; },
  };
  const double start[] = {44100, 4, 1500, 3, 6}, changed[] = {96000, 5, 3000, 1.5, -9};
  for (const auto& make : makers)
  {
    std::unique_ptr<Filter> a(make());
    const int n = a->GetNumParams();
    for (int i = 0; i < n; ++i)
      a->SetParamValueById(a->GetParamInfo(i).id, start[i]);
    for (int i = 0; i < n; ++i)
    {
      a->SetParamValueById(a->GetParamInfo(i).id, changed[i]);
      std::unique_ptr<Filter> b(make());
      for (int j = 0; j < n; ++j)
        b->SetParamValueById(b->GetParamInfo(j).id, j <= i ? changed[j] : start[j]);
      EXPECT_LT(ResponseDistance([&](double f) { return a->Response(f); }, [&](double f) { return b->Response(f); }),
                1e-9)
        << a->GetName() << " after parameter " << i;
    }
  }
}

// The prototype families whose analog design keeps its last arguments: each argument change designs again.
TEST(FilterDesigns, PrototypeShelvesAndEllipticRedesignOnEachArgument)
{
  DesignWorkspace ws;
  auto check = [](auto& a, auto& b, auto&& setup, std::vector<double> p, const std::vector<double>& q,
                  const char* what) {
    setup(a, p);
    for (size_t i = 0; i < p.size(); ++i)
    {
      p[i] = q[i];
      setup(a, p);
      setup(b, p);
      EXPECT_LT(ResponseDistance([&](double f) { return a.Cascade().Response(f); },
                                 [&](double f) { return b.Cascade().Response(f); }),
                1e-9)
        << what << " after argument " << i;
    }
  };
  {
    ChebyshevIDesign::LowShelf<8> a, b;
    check(a, b, [](auto& d, const std::vector<double>& p) { d.Setup(int(p[0]), kFs, p[1], p[2], p[3]); },
          {3, 1000, 6, 0.5}, {4, 2000, -6, 1.0}, "Chebyshev I shelf");
  }
  {
    ChebyshevIIDesign::HighShelf<8> a, b;
    check(a, b, [](auto& d, const std::vector<double>& p) { d.Setup(int(p[0]), kFs, p[1], p[2], p[3]); },
          {3, 1000, 6, 30}, {4, 2000, -6, 45}, "Chebyshev II shelf");
  }
  {
    BesselDesign::LowShelf<8> a, b;
    check(a, b, [&ws](auto& d, const std::vector<double>& p) { d.Setup(int(p[0]), ws, kFs, p[1], p[2]); },
          {3, 1000, 6}, {4, 2000, -6}, "Bessel shelf");
  }
  {
    EllipticDesign::LowPass<8> a, b;
    check(a, b, [](auto& d, const std::vector<double>& p) { d.Setup(int(p[0]), kFs, p[1], p[2], p[3]); },
          {3, 1000, 0.5, 1.0}, {4, 2000, 1.0, 2.0}, "elliptic low-pass");
  }
}

// Shelves hold their gain on the shelf side and unity on the other; band shelves hold it at the centre.
TEST(FilterShelves, PrototypesHoldTheirGainOnTheShelfAndUnityElsewhere)
{
  DesignWorkspace ws;
  for (int order : {1, 2, 3, 6})
    for (double gain : {-12.0, 6.0})
    {
      bw::LowShelf<16> low;
      bw::HighShelf<16> high;
      bw::BandShelf1<16> band;
      BesselDesign::LowShelf<16> bessel;
      ChebyshevIDesign::LowShelf<16> cheby;
      low.Setup(order, kFs, 1000, gain);
      high.Setup(order, kFs, 1000, gain);
      band.Setup(order, kFs, 3000, 4, gain);
      bessel.Setup(order, ws, kFs, 1000, gain);
      cheby.Setup(order, kFs, 1000, gain, 0.5);
      const std::string what = "order " + std::to_string(order) + " gain " + std::to_string(gain);
      EXPECT_NEAR(Db(low.Cascade().Response(0.0)), gain, 1e-6) << what;
      EXPECT_NEAR(Db(low.Cascade().Response(0.5)), 0.0, 1e-6) << what;
      EXPECT_NEAR(Db(low.Cascade().Response(1000 / kFs)), gain / 2, 1e-6) << what;
      EXPECT_NEAR(Db(high.Cascade().Response(0.0)), 0.0, 1e-6) << what;
      EXPECT_NEAR(Db(high.Cascade().Response(0.5)), gain, 1e-6) << what;
      EXPECT_NEAR(Db(band.Cascade().Response(BandCentre(3750, 2400))), gain, 1e-6) << what;
      EXPECT_NEAR(Db(band.Cascade().Response(0.0)), 0.0, 1e-6) << what;
      EXPECT_NEAR(Db(band.Cascade().Response(0.5)), 0.0, 1e-6) << what;
      EXPECT_NEAR(Db(bessel.Cascade().Response(0.0)), gain, 1e-6) << what;
      EXPECT_NEAR(Db(bessel.Cascade().Response(0.5)), 0.0, 1e-6) << what;
      EXPECT_NEAR(Db(cheby.Cascade().Response(0.5)), 0.0, 0.5 + 1e-6) << what;
      EXPECT_NEAR(Db(cheby.Cascade().Response(0.0)), gain, 0.5 + 1e-6) << what;
    }
  // A band shelf is held to unity at Nyquist while its centre lies below a quarter of the rate, at DC from there.
  for (double fraction : {0.1, 0.2499, 0.25, 0.3, 0.374, 0.45})
  {
    bw::BandShelf1<16> band;
    band.Setup(2, kFs, fraction * kFs, 8, 6.0);
    EXPECT_EQ(band.DigitalLayout().NormalW(), fraction < 0.25 ? kPi : 0.0) << fraction;
    EXPECT_NEAR(Db(band.Cascade().Response(fraction < 0.25 ? 0.5 : 0.0)), 0.0, 1e-9) << fraction;
    band.SetupWidthHz(2, kFs, fraction * kFs, 500, 6.0);
    EXPECT_EQ(band.DigitalLayout().NormalW(), fraction < 0.25 ? kPi : 0.0) << fraction;
  }
}

// Band designs: edges at fc + fc / W and fc^2 over that (width value W), or centred on fc with a width in Hz;
// a Butterworth band is 3 dB down at each edge and whole at its centre, a band stop empty at its centre.
TEST(FilterBands, EdgesAreWhereTheMapsPutThem)
{
  for (int order : {1, 2, 5})
    for (double fc : {500.0, 4000.0})
    {
      const std::string what = "order " + std::to_string(order) + " at " + std::to_string(fc);
      const double width = 3.0, upper = fc + fc / width, lower = fc * fc / upper;
      bw::BandPass1<16> pass;
      bw::BandStop1<16> stop;
      pass.Setup(order, kFs, 2.0, 0.5); // a lower edge below 1 Hz is held there
      EXPECT_NEAR(Db(pass.Cascade().Response(1.0 / kFs)), kMinus3dB, 1e-6) << what;
      pass.Setup(order, kFs, fc, width);
      stop.Setup(order, kFs, fc, width);
      const double centre = BandCentre(upper, lower);
      for (double edge : {upper, lower})
      {
        EXPECT_NEAR(Db(pass.Cascade().Response(edge / kFs)), kMinus3dB, 1e-6) << what;
        EXPECT_NEAR(Db(stop.Cascade().Response(edge / kFs)), kMinus3dB, 1e-6) << what;
      }
      EXPECT_NEAR(Db(pass.Cascade().Response(centre)), 0.0, 1e-6) << what;
      EXPECT_LT(Db(stop.Cascade().Response(centre)), -100.0) << what;
      // Centre and width in Hz: edges fc -+ width / 2 in the digital domain.
      bw::BandPass1<16> hz;
      hz.SetupWidthHz(order, kFs, fc, 400);
      ChebyshevIDesign::BandPass<16> cheby;
      cheby.Setup(order, kFs, fc, 400, 1.0);
      for (double edge : {fc - 200, fc + 200})
      {
        EXPECT_NEAR(Db(hz.Cascade().Response(edge / kFs)), kMinus3dB, 1e-6) << what;
        EXPECT_NEAR(Db(cheby.Cascade().Response(edge / kFs)), -1.0, 1e-6) << what;
      }
      // With zeros of its own (Chebyshev II), a band stop holds its attenuation over the whole band and is whole
      // at both ends; the band pass holds it everywhere outside the band.
      ChebyshevIIDesign::BandStop<16> notch;
      notch.Setup(order, kFs, fc, 400, 48.0);
      ChebyshevIIDesign::BandPass<16> band;
      band.Setup(order, kFs, fc, 400, 48.0);
      EXPECT_NEAR(Db(notch.Cascade().Response(0.0)), 0.0, 1e-6) << what;
      EXPECT_NEAR(Db(notch.Cascade().Response(0.5)), 0.0, 1e-6) << what;
      for (int i = 0; i <= 400; ++i)
      {
        const double inside = fc - 200 + i, below = (fc - 200) * i / 400;
        const double above = fc + 200 + (kFs / 2 - fc - 200) * i / 400;
        ASSERT_LE(Db(notch.Cascade().Response(inside / kFs)), -48.0 + 1e-6) << what << ", " << inside << " Hz";
        ASSERT_LE(Db(band.Cascade().Response(below / kFs)), -48.0 + 1e-6) << what << ", " << below << " Hz";
        ASSERT_LE(Db(band.Cascade().Response(above / kFs)), -48.0 + 1e-6) << what << ", " << above << " Hz";
      }
    }
}

// The analog shelf of a gain in dB and a slope, with its corner at 1, at the frequency the bilinear map takes
// `ratio` times the digital corner to (both in cycles per sample, the corner at 3 kHz and 48 kHz).
std::complex<double> AnalogShelf(bool high, double gainDb, double slope, double ratio)
{
  const double A = std::pow(10.0, gainDb / 40.0);
  const double damping = std::sqrt(A) * std::sqrt((A + 1.0 / A) * (1.0 / slope - 1.0) + 2.0);
  const double corner = 3000.0 / kFs;
  const std::complex<double> s(0.0, std::tan(kPi * ratio * corner) / std::tan(kPi * corner));
  if (high)
    return A * (A * s * s + damping * s + 1.0) / (s * s + damping * s + A);
  return A * (s * s + damping * s + A) / (A * s * s + damping * s + 1.0);
}

// Cookbook sections at their defining points; the shelves, between them, follow their analog prototypes as the
// bilinear map puts them.
TEST(CookbookSections, EachShapeMeetsItsDefiningPoints)
{
  const double fc = 3000, f = fc / kFs;
  auto at = [](const BiquadStage& s, double x) { return std::abs(s.Response(x)); };
  for (double q : {0.5, 0.7071, 4.0})
  {
    BiquadStage s;
    CookbookBiquad::SetLowPass(s, kFs, fc, q);
    EXPECT_NEAR(at(s, 0.0), 1.0, 1e-9);
    EXPECT_NEAR(at(s, f), q, 1e-9);
    EXPECT_NEAR(at(s, 0.5), 0.0, 1e-9);
    CookbookBiquad::SetHighPass(s, kFs, fc, q);
    EXPECT_NEAR(at(s, 0.0), 0.0, 1e-9);
    EXPECT_NEAR(at(s, f), q, 1e-9);
    EXPECT_NEAR(at(s, 0.5), 1.0, 1e-9);
    CookbookBiquad::SetBandPassSkirt(s, kFs, fc, q);
    EXPECT_NEAR(at(s, f), q, 1e-9);
    EXPECT_NEAR(at(s, 0.0), 0.0, 1e-9);
    BiquadStage skirt = s; // the same band as the peak shape, only q times louder
    CookbookBiquad::SetBandPassPeak(s, kFs, fc, q);
    EXPECT_NEAR(at(s, f), 1.0, 1e-9);
    EXPECT_NEAR(at(s, 0.5), 0.0, 1e-9);
    for (double x : kProbe)
      EXPECT_NEAR(at(skirt, x), q * at(s, x), 1e-9) << x;
    CookbookBiquad::SetBandStop(s, kFs, fc, q);
    EXPECT_NEAR(at(s, f), 0.0, 1e-9);
    EXPECT_NEAR(at(s, 0.0), 1.0, 1e-9);
    EXPECT_NEAR(at(s, 0.5), 1.0, 1e-9);
    CookbookBiquad::SetAllPass(s, kFs, fc, q);
    for (double x : kProbe)
      EXPECT_NEAR(at(s, x), 1.0, 1e-9);
    EXPECT_NEAR(std::fabs(std::arg(s.Response(f))), kPi, 1e-6);
  }
  for (double gain : {-12.0, 9.0})
    for (double slope : {0.5, 1.0})
    {
      BiquadStage s;
      CookbookBiquad::SetLowShelf(s, kFs, fc, gain, slope);
      EXPECT_NEAR(Db(s.Response(0.0)), gain, 1e-9);
      EXPECT_NEAR(Db(s.Response(f)), gain / 2, 1e-9);
      EXPECT_NEAR(Db(s.Response(0.5)), 0.0, 1e-9);
      for (double x : {f / 2, 2 * f})
        EXPECT_NEAR(Db(s.Response(x)), Db(AnalogShelf(false, gain, slope, x / f)), 1e-9) << slope;
      CookbookBiquad::SetHighShelf(s, kFs, fc, gain, slope);
      EXPECT_NEAR(Db(s.Response(0.0)), 0.0, 1e-9);
      EXPECT_NEAR(Db(s.Response(f)), gain / 2, 1e-9);
      EXPECT_NEAR(Db(s.Response(0.5)), gain, 1e-9);
      for (double x : {f / 2, 2 * f})
        EXPECT_NEAR(Db(s.Response(x)), Db(AnalogShelf(true, gain, slope, x / f)), 1e-9) << slope;
      const double octaves = 1.0 / slope;
      CookbookBiquad::SetBandShelf(s, kFs, fc, gain, octaves);
      EXPECT_NEAR(Db(s.Response(f)), gain, 1e-9);
      // The band spans its octaves between the frequencies of half the gain in dB.
      const double upper = f * std::pow(2.0, octaves / 2), lower = f * std::pow(2.0, -octaves / 2);
      EXPECT_NEAR(Db(s.Response(upper)), gain / 2, 0.05 * std::fabs(gain)) << octaves;
      EXPECT_NEAR(Db(s.Response(lower)), gain / 2, 0.05 * std::fabs(gain)) << octaves;
      EXPECT_NEAR(Db(s.Response(0.0)), 0.0, 1e-9);
      EXPECT_NEAR(Db(s.Response(0.5)), 0.0, 1e-9);
    }
  BiquadStage s;
  CustomOnePole(s, 0.5, 0.25, -0.5); // 0.5 (1 + 0.5 z^-1) / (1 - 0.25 z^-1)
  EXPECT_NEAR(std::abs(s.Response(0.0)), 0.5 * 1.5 / 0.75, 1e-12);
  EXPECT_NEAR(std::abs(s.Response(0.5)), 0.5 * 0.5 / 1.25, 1e-12);
  CustomTwoPole(s, 2.0, 0.5, kPi / 2, 1.0, kPi / 4); // zeros on the unit circle at an eighth of the rate
  EXPECT_NEAR(std::abs(s.Response(0.125)), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(s.Response(0.0)), 2.0 * (2 - std::sqrt(2.0)) / 1.25, 1e-12);
}

// A control position and the value it stands for map back and forth anywhere along every range, not only at the
// ends, the middle and the default.
TEST(FilterParams, ControlPositionsAndValuesMapBackAndForthAlongEveryRange)
{
  const ParamInfo continuous[] = {ParamInfo::SampleRate(), ParamInfo::CutoffFrequency(), ParamInfo::Resonance(),
                                  ParamInfo::BandwidthOctaves(), ParamInfo::BandwidthHz(), ParamInfo::Gain(),
                                  ParamInfo::Slope(), ParamInfo::Ripple(), ParamInfo::Stopband(),
                                  ParamInfo::TransitionWidth(), ParamInfo::PoleAngle(), ParamInfo::PoleReal()};
  for (const ParamInfo& p : continuous)
  {
    for (double c : {0.1, 0.3, 0.7, 0.95})
    {
      EXPECT_NEAR(p.ToControl(p.ToNative(c)), c, 1e-9) << p.name << " at " << c;
      EXPECT_LT(p.ToNative(c - 0.05), p.ToNative(c)) << p.name << " rises along the control";
    }
  }
}
