#include "BilinearMaps.h"

#include <cmath>

namespace Dsp {

namespace {

constexpr double kPi = 3.1415926535897932384626433832795;
constexpr double kLowestEdge = 1e-8;
constexpr double kHighestEdge = kPi - 0.001;

// The frame every mapping shares: pairs by their first pole and zero, then the odd single.
template <class PairFn, class SingleFn>
void ForEachAnalogPoint(const PoleZeroLayout& analog, PairFn onPair, SingleFn onSingle)
{
  const int pairs = analog.NumPoles() / 2;
  for (int i = 0; i < pairs; ++i)
    onPair(analog.Pair(i).pole1, analog.Pair(i).zero1);
  if (analog.NumPoles() & 1)
    onSingle(analog.Pair(pairs).pole1, analog.Pair(pairs).zero1);
}

bool IsConjugatePair(const PoleZeroPair& pair)
{
  return pair.pole2 == std::conj(pair.pole1) && pair.zero2 == std::conj(pair.zero1);
}

// Low-pass and high-pass mappings take every point on its own, so a pair of two real poles or two real zeros
// (which a conjugate pair cannot express) is mapped whole.
template <class MapFn>
void MapLowOrHigh(const PoleZeroLayout& analog, PoleZeroLayout& digital, MapFn map)
{
  digital.Clear();
  const int pairs = analog.NumPoles() / 2;
  for (int i = 0; i < pairs; ++i)
  {
    const PoleZeroPair& a = analog.Pair(i);
    if (IsConjugatePair(a))
      digital.AddConjugatePair(map(a.pole1), map(a.zero1));
    else
      digital.AddPair(PoleZeroPair{map(a.pole1), map(a.pole2), map(a.zero1), map(a.zero2)});
  }
  if (analog.NumPoles() & 1)
    digital.AddSingle(map(analog.Pair(pairs).pole1), map(analog.Pair(pairs).zero1));
}

BandEdges Limited(double upper, double lower)
{
  if (lower < kLowestEdge)
    lower = kLowestEdge;
  if (upper > kHighestEdge)
    upper = kHighestEdge;
  return BandEdges{upper, lower};
}

double BandPassNormalW(const BandEdges& e, double analogNormalW)
{
  return 2.0 * std::atan(std::sqrt(std::tan((e.upper + analogNormalW) * 0.5) * std::tan((e.lower + analogNormalW) * 0.5)));
}

} // namespace

BilinearLowPassMap::BilinearLowPassMap(double fc, const PoleZeroLayout& analog, PoleZeroLayout& digital)
  : mF(std::tan(kPi * fc))
{
  MapLowOrHigh(analog, digital, [this](const Complex& c) { return Map(c); });
  digital.SetNormal(analog.NormalW(), analog.NormalGain());
}

Complex BilinearLowPassMap::Map(const Complex& c) const
{
  if (IsInfinity(c))
    return Complex(-1.0, 0.0);
  const Complex cw = mF * c;
  return (1.0 + cw) / (1.0 - cw);
}

BilinearHighPassMap::BilinearHighPassMap(double fc, const PoleZeroLayout& analog, PoleZeroLayout& digital)
  : mF(1.0 / std::tan(kPi * fc))
{
  MapLowOrHigh(analog, digital, [this](const Complex& c) { return Map(c); });
  digital.SetNormal(kPi - analog.NormalW(), analog.NormalGain());
}

Complex BilinearHighPassMap::Map(const Complex& c) const
{
  if (IsInfinity(c))
    return Complex(1.0, 0.0);
  const Complex cw = mF * c;
  return -(1.0 + cw) / (1.0 - cw);
}

BandEdges BandEdges::FromCentreAndWidth(double fc, double fw)
{
  const double ww = 2.0 * kPi * fw;
  const double lower = 2.0 * kPi * fc - ww / 2.0;
  return Limited(lower + ww, lower);
}

BandEdges BandEdges::FromHz(double sampleRate, double centreHz, double width)
{
  double upper = centreHz + centreHz / width;
  double lower = centreHz * centreHz / upper;
  if (!(upper < sampleRate - 1.0))
    upper = sampleRate - 1.0;
  if (lower < 1.0)
    lower = 1.0;
  return Limited(2.0 * kPi * upper / sampleRate, 2.0 * kPi * lower / sampleRate);
}

BilinearBandPassMap::BilinearBandPassMap(double fc, double fw, const PoleZeroLayout& analog, PoleZeroLayout& digital)
  : BilinearBandPassMap(BandEdges::FromCentreAndWidth(fc, fw), analog, digital)
{
}

BilinearBandPassMap::BilinearBandPassMap(BandEdges edges, const PoleZeroLayout& analog, PoleZeroLayout& digital)
  : mWc(edges.upper), mWc2(edges.lower)
{
  mA = std::cos((mWc + mWc2) * 0.5) / std::cos((mWc - mWc2) * 0.5);
  mB = 1.0 / std::tan((mWc - mWc2) * 0.5);
  mA2 = mA * mA;
  mB2 = mB * mB;
  mAB = mA * mB;
  mAB2 = 2.0 * mAB;
  Run(analog, digital);
  digital.SetNormal(BandPassNormalW(edges, analog.NormalW()), analog.NormalGain());
}

void BilinearBandPassMap::Map(const Complex& c, Complex& first, Complex& second) const
{
  if (IsInfinity(c))
  {
    first = Complex(-1.0, 0.0);
    second = Complex(1.0, 0.0);
    return;
  }
  const Complex cz = (1.0 + c) / (1.0 - c);
  const double bb = mB2 * (mA2 - 1.0);
  const Complex v = std::sqrt(4.0 * (bb + 1.0) * cz * cz + 8.0 * (bb - 1.0) * cz + 4.0 * (bb + 1.0));
  const Complex u = mAB2 * cz + mAB2;
  const Complex d = 2.0 * (mB - 1.0) * cz + 2.0 * (mB + 1.0);
  first = (u - v) / d;
  second = (u + v) / d;
}

void BilinearBandPassMap::Run(const PoleZeroLayout& analog, PoleZeroLayout& digital)
{
  digital.Clear();
  ForEachAnalogPoint(
    analog,
    [&](const Complex& p, const Complex& z) {
      Complex p1, p2, z1, z2;
      Map(p, p1, p2);
      Map(z, z1, z2);
      digital.AddConjugatePair(p1, z1);
      digital.AddConjugatePair(p2, z2);
    },
    [&](const Complex& p, const Complex& z) {
      Complex p1, p2, z1, z2;
      Map(p, p1, p2);
      Map(z, z1, z2);
      digital.AddPair(PoleZeroPair{p1, p2, z1, z2});
    });
}

BilinearBandStopMap::BilinearBandStopMap(double fc, double fw, const PoleZeroLayout& analog, PoleZeroLayout& digital)
  : BilinearBandStopMap(BandEdges::FromCentreAndWidth(fc, fw), fc, analog, digital)
{
}

BilinearBandStopMap::BilinearBandStopMap(BandEdges edges, double fcNormalized, const PoleZeroLayout& analog,
                                         PoleZeroLayout& digital)
  : mWc(edges.upper), mWc2(edges.lower)
{
  mA = std::cos((mWc + mWc2) * 0.5) / std::cos((mWc - mWc2) * 0.5);
  mB = std::tan((mWc - mWc2) * 0.5);
  mA2 = mA * mA;
  mB2 = mB * mB;
  Run(fcNormalized, analog, digital);
}

void BilinearBandStopMap::Map(const Complex& c, Complex& first, Complex& second) const
{
  const Complex cz = IsInfinity(c) ? Complex(-1.0, 0.0) : (1.0 + c) / (1.0 - c);
  const Complex u = std::sqrt(4.0 * (mB2 + mA2 - 1.0) * cz * cz + 8.0 * (mB2 - mA2 + 1.0) * cz +
                              4.0 * (mA2 + mB2 - 1.0));
  const Complex v = mA - mA * cz - u * 0.5;
  const Complex w = mA - mA * cz + u * 0.5;
  const Complex d = (mB + 1.0) + (mB - 1.0) * cz;
  first = w / d;
  second = v / d;
}

void BilinearBandStopMap::Run(double fcNormalized, const PoleZeroLayout& analog, PoleZeroLayout& digital)
{
  digital.Clear();
  ForEachAnalogPoint(
    analog,
    [&](const Complex& p, const Complex& z) {
      Complex p1, p2, z1, z2;
      Map(p, p1, p2);
      Map(z, z1, z2);
      if (z2 == z1)
        z2 = std::conj(z1);
      digital.AddConjugatePair(p1, z1);
      digital.AddConjugatePair(p2, z2);
    },
    [&](const Complex& p, const Complex& z) {
      Complex p1, p2, z1, z2;
      Map(p, p1, p2);
      Map(z, z1, z2);
      digital.AddPair(PoleZeroPair{p1, p2, z1, z2});
    });
  digital.SetNormal(fcNormalized < 0.25 ? kPi : 0.0, analog.NormalGain());
}

BilinearBandPassMapHz::BilinearBandPassMapHz(double sampleRate, double centreHz, double width,
                                             const PoleZeroLayout& analog, PoleZeroLayout& digital)
{
  const BilinearBandPassMap map(BandEdges::FromHz(sampleRate, centreHz, width), analog, digital);
  (void)map;
}

BilinearBandStopMapHz::BilinearBandStopMapHz(double sampleRate, double centreHz, double width,
                                             const PoleZeroLayout& analog, PoleZeroLayout& digital)
{
  const BilinearBandStopMap map(BandEdges::FromHz(sampleRate, centreHz, width), centreHz / sampleRate, analog, digital);
  (void)map;
}

} // namespace Dsp
