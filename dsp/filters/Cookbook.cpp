#include "Cookbook.h"

#include <cmath>

namespace Dsp {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

struct Terms
{
  double w0, cs, sn;

  Terms(double fs, double fc) : w0(kTwoPi * fc / fs), cs(std::cos(w0)), sn(std::sin(w0)) {}
};

// Shelf helper: A, and alpha for the low and high shelves.
struct ShelfTerms
{
  double A, al, sq;

  ShelfTerms(const Terms& t, double gainDb, double slope)
    : A(std::pow(10.0, gainDb / 40.0)),
      al(t.sn / 2.0 * std::sqrt((A + 1.0 / A) * (1.0 / slope - 1.0) + 2.0)),
      sq(2.0 * std::sqrt(A) * al)
  {
  }
};

} // namespace

void CookbookBiquad::SetLowPass(BiquadStage& stage, double fs, double fc, double q)
{
  const Terms t(fs, fc);
  const double al = t.sn / (2.0 * q);
  stage.SetCoefficients(1.0 + al, -2.0 * t.cs, 1.0 - al, (1.0 - t.cs) / 2.0, 1.0 - t.cs, (1.0 - t.cs) / 2.0);
}

void CookbookBiquad::SetHighPass(BiquadStage& stage, double fs, double fc, double q)
{
  const Terms t(fs, fc);
  const double al = t.sn / (2.0 * q);
  stage.SetCoefficients(1.0 + al, -2.0 * t.cs, 1.0 - al, (1.0 + t.cs) / 2.0, -(1.0 + t.cs), (1.0 + t.cs) / 2.0);
}

void CookbookBiquad::SetBandPassSkirt(BiquadStage& stage, double fs, double fc, double q)
{
  const Terms t(fs, fc);
  const double al = t.sn / (2.0 * q);
  stage.SetCoefficients(1.0 + al, -2.0 * t.cs, 1.0 - al, q * al, 0.0, -q * al);
}

void CookbookBiquad::SetBandPassPeak(BiquadStage& stage, double fs, double fc, double q)
{
  const Terms t(fs, fc);
  const double al = t.sn / (2.0 * q);
  stage.SetCoefficients(1.0 + al, -2.0 * t.cs, 1.0 - al, al, 0.0, -al);
}

void CookbookBiquad::SetBandStop(BiquadStage& stage, double fs, double fc, double q)
{
  const Terms t(fs, fc);
  const double al = t.sn / (2.0 * q);
  stage.SetCoefficients(1.0 + al, -2.0 * t.cs, 1.0 - al, 1.0, -2.0 * t.cs, 1.0);
}

void CookbookBiquad::SetAllPass(BiquadStage& stage, double fs, double fc, double q)
{
  const Terms t(fs, fc);
  const double al = t.sn / (2.0 * q);
  stage.SetCoefficients(1.0 + al, -2.0 * t.cs, 1.0 - al, 1.0 - al, -2.0 * t.cs, 1.0 + al);
}

void CookbookBiquad::SetLowShelf(BiquadStage& stage, double fs, double fc, double gainDb, double slope)
{
  const Terms t(fs, fc);
  const ShelfTerms s(t, gainDb, slope);
  const double A = s.A;
  stage.SetCoefficients((A + 1.0) + (A - 1.0) * t.cs + s.sq, -2.0 * ((A - 1.0) + (A + 1.0) * t.cs),
                        (A + 1.0) + (A - 1.0) * t.cs - s.sq, A * ((A + 1.0) - (A - 1.0) * t.cs + s.sq),
                        2.0 * A * ((A - 1.0) - (A + 1.0) * t.cs), A * ((A + 1.0) - (A - 1.0) * t.cs - s.sq));
}

void CookbookBiquad::SetHighShelf(BiquadStage& stage, double fs, double fc, double gainDb, double slope)
{
  const Terms t(fs, fc);
  const ShelfTerms s(t, gainDb, slope);
  const double A = s.A;
  stage.SetCoefficients((A + 1.0) - (A - 1.0) * t.cs + s.sq, 2.0 * ((A - 1.0) - (A + 1.0) * t.cs),
                        (A + 1.0) - (A - 1.0) * t.cs - s.sq, A * ((A + 1.0) + (A - 1.0) * t.cs + s.sq),
                        -2.0 * A * ((A - 1.0) + (A + 1.0) * t.cs), A * ((A + 1.0) + (A - 1.0) * t.cs - s.sq));
}

void CookbookBiquad::SetBandShelf(BiquadStage& stage, double fs, double fc, double gainDb, double bandwidthOctaves)
{
  const Terms t(fs, fc);
  const double A = std::pow(10.0, gainDb / 40.0);
  const double al = t.sn * std::sinh(std::log(2.0) / 2.0 * bandwidthOctaves * t.w0 / t.sn);
  stage.SetCoefficients(1.0 + al / A, -2.0 * t.cs, 1.0 - al / A, 1.0 + al * A, -2.0 * t.cs, 1.0 - al * A);
}

void CustomOnePole(BiquadStage& stage, double scale, double pole, double zero)
{
  stage.SetOnePole(Complex(pole, 0.0), Complex(zero, 0.0));
  stage.ApplyScale(scale);
}

void CustomTwoPole(BiquadStage& stage, double scale, double poleRadius, double poleAngle, double zeroRadius,
                   double zeroAngle)
{
  const Complex p = std::polar(poleRadius, poleAngle);
  const Complex z = std::polar(zeroRadius, zeroAngle);
  stage.SetTwoPole(p, z, p, z);
  stage.ApplyScale(scale);
}

} // namespace Dsp
