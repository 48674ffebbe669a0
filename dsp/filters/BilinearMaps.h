// Mappings of an analog prototype (cut-off 1 rad/s) to a digital layout: the bilinear transform with prewarping,
// composed with the low-pass to high-pass, band-pass and band-stop substitutions. Each object performs its
// mapping when it is constructed. The band mappings expect conjugate pairs; the low- and high-pass mappings also
// take pairs of two real points.
#pragma once

#include "PoleZero.h"

namespace Dsp {

/// Low-pass to low-pass; fc is the cut-off in cycles per sample.
class BilinearLowPassMap
{
public:
  BilinearLowPassMap(double fc, const PoleZeroLayout& analog, PoleZeroLayout& digital);
  /// Maps one analog point; infinity goes to z = -1.
  Complex Map(const Complex& c) const;

private:
  double mF;
};

/// Low-pass to high-pass; fc is the cut-off in cycles per sample.
class BilinearHighPassMap
{
public:
  BilinearHighPassMap(double fc, const PoleZeroLayout& analog, PoleZeroLayout& digital);
  /// Maps one analog point; infinity goes to z = +1.
  Complex Map(const Complex& c) const;

private:
  double mF;
};

/// Band edges in radians per sample, held inside (1e-8, pi - 0.001).
struct BandEdges
{
  double upper; // wc
  double lower; // wc2

  static BandEdges FromCentreAndWidth(double fc, double fw); // both in cycles per sample
  static BandEdges FromHz(double sampleRate, double centreHz, double width);
};

/// Low-pass to band-pass: every analog point becomes two digital points.
class BilinearBandPassMap
{
public:
  BilinearBandPassMap(double fc, double fw, const PoleZeroLayout& analog, PoleZeroLayout& digital);
  BilinearBandPassMap(BandEdges edges, const PoleZeroLayout& analog, PoleZeroLayout& digital);
  /// The two images of c; infinity goes to (-1, +1).
  void Map(const Complex& c, Complex& first, Complex& second) const;

private:
  void Run(const PoleZeroLayout& analog, PoleZeroLayout& digital);

  double mWc;
  double mWc2;
  double mA, mB, mA2, mB2, mAB, mAB2;
};

/// Low-pass to band-stop: every analog point becomes two digital points.
class BilinearBandStopMap
{
public:
  BilinearBandStopMap(double fc, double fw, const PoleZeroLayout& analog, PoleZeroLayout& digital);
  BilinearBandStopMap(BandEdges edges, double fcNormalized, const PoleZeroLayout& analog, PoleZeroLayout& digital);
  /// The two images of c; infinity goes to the notch pair on the unit circle.
  void Map(const Complex& c, Complex& first, Complex& second) const;

private:
  void Run(double fcNormalized, const PoleZeroLayout& analog, PoleZeroLayout& digital);

  double mWc;
  double mWc2;
  double mA, mB, mA2, mB2;
};

/// Band-pass with the centre in Hz and a width value W: the edges are fc + fc / W and fc^2 over that, so a
/// larger W gives a narrower band.
class BilinearBandPassMapHz
{
public:
  BilinearBandPassMapHz(double sampleRate, double centreHz, double width, const PoleZeroLayout& analog,
                        PoleZeroLayout& digital);
};

/// Band-stop with the centre in Hz and a width value W, edges as for BilinearBandPassMapHz.
class BilinearBandStopMapHz
{
public:
  BilinearBandStopMapHz(double sampleRate, double centreHz, double width, const PoleZeroLayout& analog,
                        PoleZeroLayout& digital);
};

} // namespace Dsp
