// The analog prototypes beside Butterworth (Chebyshev type I and II, Bessel, Legendre/optimum-L, elliptic) and
// their digital designs. Each prototype recomputes only when one of its arguments changed.
#pragma once

#include <vector>

#include "DesignStorage.h"
#include "RootSolver.h"

namespace Dsp {

/// Papoulis' optimum-L (Legendre) magnitude polynomial w(y), y = omega^2: |H|^2 = 1 / (1 + w(omega^2)),
/// monotonic, with w(1) = 1.
class OptimumLPolynomial
{
public:
  /// Coefficients w[0..order] in powers of y.
  std::vector<double> Build(int order) const;
};

/// Scratch shared by the designs that find their poles as polynomial roots.
class DesignWorkspace
{
public:
  static constexpr int kMaxOrder = 16;

  DesignWorkspace() : solver(2 * kMaxOrder) {}

  PolynomialRootSolver solver;
  OptimumLPolynomial optimumL;
};

/// Equiripple pass band of the given ripple (dB) up to 1 rad/s.
class ChebyshevIAnalogLowPass : public PoleZeroLayout
{
public:
  ChebyshevIAnalogLowPass(PoleZeroPair* storage, int maxPoles);
  void Design(int order, double rippleDb);

private:
  int mOrder = -1;
  double mRippleDb = 0.0;
};

/// Equiripple stop band from 1 rad/s on, at least the given attenuation (dB) down.
class ChebyshevIIAnalogLowPass : public PoleZeroLayout
{
public:
  ChebyshevIIAnalogLowPass(PoleZeroPair* storage, int maxPoles);
  void Design(int order, double stopDb);

private:
  int mOrder = -1;
  double mStopDb = 0.0;
};

/// The shelf both Chebyshev families share: gain (dB) at DC, unity at infinity, ripple (dB) held to |gain|.
class ChebyshevAnalogLowShelf : public PoleZeroLayout
{
public:
  ChebyshevAnalogLowShelf(PoleZeroPair* storage, int maxPoles);
  void Design(int order, double gainDb, double rippleDb);

private:
  int mOrder = -1;
  double mGainDb = 0.0;
  double mRippleDb = 0.0;
};

/// Maximally flat group delay: the roots of the reverse Bessel polynomial.
class BesselAnalogLowPass : public PoleZeroLayout
{
public:
  BesselAnalogLowPass(PoleZeroPair* storage, int maxPoles);
  void Design(int order, DesignWorkspace& workspace);

private:
  int mOrder = -1;
};

/// Bessel poles with zeros from the same polynomial whose constant term carries the gain (dB at DC).
class BesselAnalogLowShelf : public PoleZeroLayout
{
public:
  BesselAnalogLowShelf(PoleZeroPair* storage, int maxPoles);
  void Design(int order, DesignWorkspace& workspace, double gainDb);

private:
  PolynomialRootSolver mZeroSolver;
  int mOrder = -1;
  double mGainDb = 0.0;
};

/// Steepest monotonic pass band: the left-half-plane roots of 1 + w(-s^2) of the optimum-L polynomial.
class LegendreAnalogLowPass : public PoleZeroLayout
{
public:
  LegendreAnalogLowPass(PoleZeroPair* storage, int maxPoles);
  void Design(int order, DesignWorkspace& workspace);

private:
  int mOrder = -1;
};

/// Equiripple in pass and stop band (Jacobi elliptic functions). The pass band ends at 1 rad/s with the given
/// ripple (dB); the stop band starts at xi = 5 e^(rolloff - 1) + 1 rad/s with the attenuation the order allows.
class EllipticAnalogLowPass : public PoleZeroLayout
{
public:
  EllipticAnalogLowPass(PoleZeroPair* storage, int maxPoles);
  void Design(int order, double rippleDb, double rolloff);

  /// The stop-band edge (rad/s) for a rolloff value.
  static double Selectivity(double rolloff);
  /// The attenuation (dB) of the stop band that a design of this order, ripple and rolloff reaches.
  static double StopbandAttenuation(int order, double rippleDb, double rolloff);

private:
  int mOrder = -1;
  double mRippleDb = 0.0;
  double mRolloff = 0.0;
};

/// Digital designs of the families. Frequencies in Hz, gains, ripple and stop band in dB; band widths in Hz.
namespace ChebyshevIDesign {
template <int N> struct LowPass : DesignStorage<ChebyshevIAnalogLowPass, N, N>
{
  void Setup(int order, double fs, double fc, double rippleDb) { this->MapLowPass(fc / fs, order, rippleDb); }
};
template <int N> struct HighPass : DesignStorage<ChebyshevIAnalogLowPass, N, N>
{
  void Setup(int order, double fs, double fc, double rippleDb) { this->MapHighPass(fc / fs, order, rippleDb); }
};
template <int N> struct BandPass : DesignStorage<ChebyshevIAnalogLowPass, N, 2 * N>
{
  void Setup(int order, double fs, double fc, double width, double rippleDb)
  {
    this->MapBandPass(fc / fs, width / fs, order, rippleDb);
  }
};
template <int N> struct BandStop : DesignStorage<ChebyshevIAnalogLowPass, N, 2 * N>
{
  void Setup(int order, double fs, double fc, double width, double rippleDb)
  {
    this->MapBandStop(fc / fs, width / fs, order, rippleDb);
  }
};
template <int N> struct LowShelf : DesignStorage<ChebyshevAnalogLowShelf, N, N>
{
  void Setup(int order, double fs, double fc, double gainDb, double rippleDb)
  {
    this->MapLowPass(fc / fs, order, gainDb, rippleDb);
  }
};
template <int N> struct HighShelf : DesignStorage<ChebyshevAnalogLowShelf, N, N>
{
  void Setup(int order, double fs, double fc, double gainDb, double rippleDb)
  {
    this->MapHighPass(fc / fs, order, gainDb, rippleDb);
  }
};
template <int N> struct BandShelf : DesignStorage<ChebyshevAnalogLowShelf, N, 2 * N>
{
  void Setup(int order, double fs, double fc, double width, double gainDb, double rippleDb)
  {
    this->MapBandShelf(fc / fs, width / fs, order, gainDb, rippleDb);
  }
};
} // namespace ChebyshevIDesign

namespace ChebyshevIIDesign {
template <int N> struct LowPass : DesignStorage<ChebyshevIIAnalogLowPass, N, N>
{
  void Setup(int order, double fs, double fc, double stopDb) { this->MapLowPass(fc / fs, order, stopDb); }
};
template <int N> struct HighPass : DesignStorage<ChebyshevIIAnalogLowPass, N, N>
{
  void Setup(int order, double fs, double fc, double stopDb) { this->MapHighPass(fc / fs, order, stopDb); }
};
template <int N> struct BandPass : DesignStorage<ChebyshevIIAnalogLowPass, N, 2 * N>
{
  void Setup(int order, double fs, double fc, double width, double stopDb)
  {
    this->MapBandPass(fc / fs, width / fs, order, stopDb);
  }
};
template <int N> struct BandStop : DesignStorage<ChebyshevIIAnalogLowPass, N, 2 * N>
{
  void Setup(int order, double fs, double fc, double width, double stopDb)
  {
    this->MapBandStop(fc / fs, width / fs, order, stopDb);
  }
};
template <int N> struct LowShelf : DesignStorage<ChebyshevAnalogLowShelf, N, N>
{
  void Setup(int order, double fs, double fc, double gainDb, double stopDb)
  {
    this->MapLowPass(fc / fs, order, gainDb, stopDb);
  }
};
template <int N> struct HighShelf : DesignStorage<ChebyshevAnalogLowShelf, N, N>
{
  void Setup(int order, double fs, double fc, double gainDb, double stopDb)
  {
    this->MapHighPass(fc / fs, order, gainDb, stopDb);
  }
};
template <int N> struct BandShelf : DesignStorage<ChebyshevAnalogLowShelf, N, 2 * N>
{
  void Setup(int order, double fs, double fc, double width, double gainDb, double stopDb)
  {
    this->MapBandShelf(fc / fs, width / fs, order, gainDb, stopDb);
  }
};
} // namespace ChebyshevIIDesign

namespace BesselDesign {
template <int N> struct LowPass : DesignStorage<BesselAnalogLowPass, N, N>
{
  void Setup(int order, DesignWorkspace& ws, double fs, double fc) { this->MapLowPass(fc / fs, order, ws); }
};
template <int N> struct HighPass : DesignStorage<BesselAnalogLowPass, N, N>
{
  void Setup(int order, DesignWorkspace& ws, double fs, double fc) { this->MapHighPass(fc / fs, order, ws); }
};
template <int N> struct BandPass : DesignStorage<BesselAnalogLowPass, N, 2 * N>
{
  void Setup(int order, DesignWorkspace& ws, double fs, double fc, double width)
  {
    this->MapBandPass(fc / fs, width / fs, order, ws);
  }
};
template <int N> struct BandStop : DesignStorage<BesselAnalogLowPass, N, 2 * N>
{
  void Setup(int order, DesignWorkspace& ws, double fs, double fc, double width)
  {
    this->MapBandStop(fc / fs, width / fs, order, ws);
  }
};
template <int N> struct LowShelf : DesignStorage<BesselAnalogLowShelf, N, N>
{
  void Setup(int order, DesignWorkspace& ws, double fs, double fc, double gainDb)
  {
    this->MapLowPass(fc / fs, order, ws, gainDb);
  }
};
} // namespace BesselDesign

namespace LegendreDesign {
template <int N> struct LowPass : DesignStorage<LegendreAnalogLowPass, N, N>
{
  void Setup(int order, DesignWorkspace& ws, double fs, double fc) { this->MapLowPass(fc / fs, order, ws); }
};
template <int N> struct HighPass : DesignStorage<LegendreAnalogLowPass, N, N>
{
  void Setup(int order, DesignWorkspace& ws, double fs, double fc) { this->MapHighPass(fc / fs, order, ws); }
};
template <int N> struct BandPass : DesignStorage<LegendreAnalogLowPass, N, 2 * N>
{
  void Setup(int order, DesignWorkspace& ws, double fs, double fc, double width)
  {
    this->MapBandPass(fc / fs, width / fs, order, ws);
  }
};
template <int N> struct BandStop : DesignStorage<LegendreAnalogLowPass, N, 2 * N>
{
  void Setup(int order, DesignWorkspace& ws, double fs, double fc, double width)
  {
    this->MapBandStop(fc / fs, width / fs, order, ws);
  }
};
} // namespace LegendreDesign

namespace EllipticDesign {
template <int N> struct LowPass : DesignStorage<EllipticAnalogLowPass, N, N>
{
  void Setup(int order, double fs, double fc, double rippleDb, double rolloff)
  {
    this->MapLowPass(fc / fs, order, rippleDb, rolloff);
  }
};
template <int N> struct HighPass : DesignStorage<EllipticAnalogLowPass, N, N>
{
  void Setup(int order, double fs, double fc, double rippleDb, double rolloff)
  {
    this->MapHighPass(fc / fs, order, rippleDb, rolloff);
  }
};
template <int N> struct BandPass : DesignStorage<EllipticAnalogLowPass, N, 2 * N>
{
  void Setup(int order, double fs, double fc, double width, double rippleDb, double rolloff)
  {
    this->MapBandPass(fc / fs, width / fs, order, rippleDb, rolloff);
  }
};
template <int N> struct BandStop : DesignStorage<EllipticAnalogLowPass, N, 2 * N>
{
  void Setup(int order, double fs, double fc, double width, double rippleDb, double rolloff)
  {
    this->MapBandStop(fc / fs, width / fs, order, rippleDb, rolloff);
  }
};
} // namespace EllipticDesign

} // namespace Dsp
