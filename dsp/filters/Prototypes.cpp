#include "Prototypes.h"

#include <cmath>

namespace Dsp {

namespace {

constexpr double kPi = 3.1415926535897932384626433832795;
constexpr double kHalfPi = kPi / 2.0;
// Roots whose imaginary part is below this fraction of their magnitude are real.
constexpr double kRealTolerance = 1e-12;

double AsinhOf(double x)
{
  return std::log(x + std::sqrt(x * x + 1.0));
}

// Adds the poles (and zeros) of a prototype: pairs first, the odd single last.
template <class PoleFn, class ZeroFn>
void AddPolesAndZeros(PoleZeroLayout& layout, int order, PoleFn pole, ZeroFn zero)
{
  for (int i = 0; i < order / 2; ++i)
    layout.AddConjugatePair(pole(i), zero(i));
  if (order & 1)
  {
    const Complex z = zero(order / 2);
    layout.AddSingle(Complex(pole(order / 2).real(), 0.0), IsInfinity(z) ? z : Complex(z.real(), 0.0));
  }
}

} // namespace

// ---- Chebyshev type I --------------------------------------------------------------------------------------

ChebyshevIAnalogLowPass::ChebyshevIAnalogLowPass(PoleZeroPair* storage, int maxPoles)
  : PoleZeroLayout(storage, maxPoles)
{
}

void ChebyshevIAnalogLowPass::Design(int order, double rippleDb)
{
  order = ClampOrder(order, MaxPoles());
  if (order == mOrder && rippleDb == mRippleDb)
    return;
  mOrder = order;
  mRippleDb = rippleDb;
  Clear();

  const double eps = std::sqrt(std::pow(10.0, rippleDb / 10.0) - 1.0);
  const double mu = AsinhOf(1.0 / eps) / order;
  for (int i = 0; i < order / 2; ++i)
  {
    const int k = 1 - order + 2 * i;
    const double a = k * kPi / (2.0 * order);
    AddConjugatePair(Complex(-std::sinh(mu) * std::cos(a), std::cosh(mu) * std::sin(a)), Infinity());
  }
  if (order & 1)
  {
    AddSingle(Complex(-std::sinh(mu), 0.0), Infinity());
    SetNormal(0.0, 1.0);
  }
  else
  {
    SetNormal(0.0, std::pow(10.0, -rippleDb / 20.0));
  }
}

// ---- Chebyshev type II -------------------------------------------------------------------------------------

ChebyshevIIAnalogLowPass::ChebyshevIIAnalogLowPass(PoleZeroPair* storage, int maxPoles)
  : PoleZeroLayout(storage, maxPoles)
{
  SetNormal(0.0, 1.0);
}

void ChebyshevIIAnalogLowPass::Design(int order, double stopDb)
{
  order = ClampOrder(order, MaxPoles());
  if (order == mOrder && stopDb == mStopDb)
    return;
  mOrder = order;
  mStopDb = stopDb;
  Clear();

  const double eps = std::sqrt(1.0 / (std::pow(10.0, stopDb / 10.0) - 1.0));
  const double mu = AsinhOf(1.0 / eps) / order;
  const double fn = kPi / (2.0 * order);
  for (int i = 0; i < order / 2; ++i)
  {
    const int k = 2 * i + 1;
    const double a = -std::sinh(mu) * std::cos((k - order) * fn);
    const double b = std::cosh(mu) * std::sin((k - order) * fn);
    const double d = a * a + b * b;
    AddConjugatePair(Complex(a / d, b / d), Complex(0.0, 1.0 / std::cos(k * fn)));
  }
  if (order & 1)
    AddSingle(Complex(-1.0 / std::sinh(mu), 0.0), Infinity());
}

// ---- Chebyshev shelf ---------------------------------------------------------------------------------------

ChebyshevAnalogLowShelf::ChebyshevAnalogLowShelf(PoleZeroPair* storage, int maxPoles)
  : PoleZeroLayout(storage, maxPoles)
{
  SetNormal(kPi, 1.0);
}

void ChebyshevAnalogLowShelf::Design(int order, double gainDb, double rippleDb)
{
  order = ClampOrder(order, MaxPoles());
  if (order == mOrder && gainDb == mGainDb && rippleDb == mRippleDb)
    return;
  mOrder = order;
  mGainDb = gainDb;
  mRippleDb = rippleDb;
  Clear();

  const double g = -gainDb;
  double r = std::fmin(rippleDb, std::fabs(g));
  if (g < 0.0)
    r = -r;
  const double gv = std::pow(10.0, g / 20.0);
  const double gb = std::pow(10.0, (g - r) / 20.0);
  const double eps = gb != 1.0 ? std::sqrt((gv * gv - gb * gb) / (gb * gb - 1.0)) : gv - 1.0;
  const double root = std::sqrt(1.0 + 1.0 / (eps * eps));
  const double u = std::log(std::pow(gb * root + gv / eps, 1.0 / order));
  const double v = std::log(std::pow(1.0 / eps + root, 1.0 / order));
  for (int i = 1; i <= order / 2; ++i)
  {
    const double a = (2 * i - 1) * kPi / (2.0 * order);
    AddConjugatePair(Complex(-std::sin(a) * std::sinh(u), std::cos(a) * std::cosh(u)),
                     Complex(-std::sin(a) * std::sinh(v), std::cos(a) * std::cosh(v)));
  }
  if (order & 1)
    AddSingle(Complex(-std::sinh(u), 0.0), Complex(-std::sinh(v), 0.0));
}

// ---- Bessel ------------------------------------------------------------------------------------------------

namespace {

double Factorial(int n)
{
  double f = 1.0;
  for (int i = 2; i <= n; ++i)
    f *= i;
  return f;
}

// The reverse Bessel polynomial of the order: a[k] = (2n - k)! / (2^(n - k) k! (n - k)!).
void BesselCoefficients(int order, Complex* a)
{
  for (int k = 0; k <= order; ++k)
    a[k] = Complex(Factorial(2 * order - k) / (std::pow(2.0, order - k) * Factorial(k) * Factorial(order - k)), 0.0);
}

} // namespace

BesselAnalogLowPass::BesselAnalogLowPass(PoleZeroPair* storage, int maxPoles)
  : PoleZeroLayout(storage, maxPoles)
{
  SetNormal(0.0, 1.0);
}

void BesselAnalogLowPass::Design(int order, DesignWorkspace& workspace)
{
  order = ClampOrder(order, MaxPoles());
  if (order > workspace.solver.MaxDegree())
    order = workspace.solver.MaxDegree();
  if (order == mOrder)
    return;
  mOrder = order;
  Clear();

  PolynomialRootSolver& solver = workspace.solver;
  BesselCoefficients(order, solver.Coefficients());
  solver.Solve(order, true, true);
  const Complex* roots = solver.Roots();
  AddPolesAndZeros(
    *this, order, [roots](int i) { return roots[i]; }, [](int) { return Infinity(); });
}

BesselAnalogLowShelf::BesselAnalogLowShelf(PoleZeroPair* storage, int maxPoles)
  : PoleZeroLayout(storage, maxPoles), mZeroSolver(maxPoles)
{
  SetNormal(kPi, 1.0);
}

void BesselAnalogLowShelf::Design(int order, DesignWorkspace& workspace, double gainDb)
{
  order = ClampOrder(order, MaxPoles());
  if (order > workspace.solver.MaxDegree())
    order = workspace.solver.MaxDegree();
  if (order == mOrder && gainDb == mGainDb)
    return;
  mOrder = order;
  mGainDb = gainDb;
  Clear();

  PolynomialRootSolver& poles = workspace.solver;
  BesselCoefficients(order, poles.Coefficients());
  poles.Solve(order, true, true);

  BesselCoefficients(order, mZeroSolver.Coefficients());
  Complex* a = mZeroSolver.Coefficients();
  a[0] += (std::pow(10.0, gainDb / 20.0) - 1.0) * a[0];
  mZeroSolver.Solve(order, true, true);

  // The zero polynomial may have real roots where the poles come in pairs: complex zeros (first after the sort)
  // go with the first sections as conjugates, the real ones two to a section, the last one to the odd single.
  const Complex* p = poles.Roots();
  const Complex* z = mZeroSolver.Roots();
  int complexZeros = 0;
  while (complexZeros < order / 2 && z[complexZeros].imag() > kRealTolerance * std::abs(z[complexZeros]))
    ++complexZeros;
  int nextReal = complexZeros;
  for (int i = 0; i < order / 2; ++i)
  {
    if (i < complexZeros)
    {
      AddConjugatePair(p[i], z[i]);
    }
    else
    {
      AddPair(PoleZeroPair{p[i], std::conj(p[i]), Complex(z[nextReal].real(), 0.0),
                           Complex(z[nextReal + 1].real(), 0.0)});
      nextReal += 2;
    }
  }
  if (order & 1)
    AddSingle(Complex(p[order / 2].real(), 0.0), Complex(z[nextReal].real(), 0.0));
}

// ---- Legendre (optimum-L) ----------------------------------------------------------------------------------

namespace {

using Poly = std::vector<double>;

Poly Multiply(const Poly& a, const Poly& b)
{
  Poly r(a.size() + b.size() - 1, 0.0);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j)
      r[i + j] += a[i] * b[j];
  return r;
}

} // namespace

std::vector<double> OptimumLPolynomial::Build(int order) const
{
  if (order < 1)
    return {0.0};
  // Weights of the Legendre polynomials in v(x).
  const bool odd = (order & 1) != 0;
  const int k = odd ? (order - 1) / 2 : order / 2 - 1;
  std::vector<double> c(static_cast<size_t>(k) + 1, 0.0);
  for (int i = 0; i <= k; ++i)
  {
    if (odd)
      c[i] = (2 * i + 1) / (std::sqrt(2.0) * (k + 1));
    else if ((i & 1) == (k & 1))
      c[i] = (2 * i + 1) / std::sqrt(static_cast<double>((k + 1) * (k + 2)));
  }

  // Everything is expanded in y with x = 2y - 1, which keeps the coefficients exact where the expansion about
  // x would cancel. v = sum c_i P_i, the P_i by (i + 1) P_{i+1} = (2i + 1) x P_i - i P_{i-1}.
  const Poly x{-1.0, 2.0};
  Poly v{c[0]};
  v.resize(static_cast<size_t>(k) + 1, 0.0);
  Poly prev{1.0};
  Poly cur = x;
  for (int i = 1; i <= k; ++i)
  {
    for (size_t j = 0; j < cur.size(); ++j)
      v[j] += c[i] * cur[j];
    if (i == k)
      break;
    Poly next = Multiply(cur, x);
    for (double& t : next)
      t *= (2.0 * i + 1.0) / (i + 1.0);
    for (size_t j = 0; j < prev.size(); ++j)
      next[j] -= i * prev[j] / (i + 1.0);
    prev = cur;
    cur = next;
  }

  Poly s = Multiply(v, v);
  if (!odd)
    s = Multiply(s, Poly{0.0, 2.0}); // x + 1 = 2y

  // w(y) = integral of s(x) dx from -1 to 2y - 1 = 2 * integral of s(2u - 1) du from 0 to y.
  Poly w(s.size() + 1, 0.0);
  for (size_t i = 0; i < s.size(); ++i)
    w[i + 1] = 2.0 * s[i] / static_cast<double>(i + 1);
  w.resize(static_cast<size_t>(order) + 1);
  return w;
}

LegendreAnalogLowPass::LegendreAnalogLowPass(PoleZeroPair* storage, int maxPoles)
  : PoleZeroLayout(storage, maxPoles)
{
  SetNormal(0.0, 1.0);
}

void LegendreAnalogLowPass::Design(int order, DesignWorkspace& workspace)
{
  order = ClampOrder(order, MaxPoles());
  if (2 * order > workspace.solver.MaxDegree())
    order = workspace.solver.MaxDegree() / 2;
  if (order == mOrder)
    return;
  mOrder = order;
  Clear();

  const std::vector<double> w = workspace.optimumL.Build(order);
  PolynomialRootSolver& solver = workspace.solver;
  Complex* a = solver.Coefficients();
  const int degree = 2 * order;
  for (int i = 0; i <= degree; ++i)
    a[i] = 0.0;
  a[0] = 1.0 + w[0];
  for (int i = 1; i <= order; ++i)
    a[2 * i] = ((i & 1) ? -1.0 : 1.0) * w[i];
  solver.Solve(degree, true, true);

  // The stable half: roots with real part at most 0, kept in order, then sorted.
  Complex* roots = solver.Roots();
  int front = 0;
  for (int i = 0; i < degree; ++i)
  {
    if (roots[i].real() <= 0.0)
    {
      const Complex r = roots[i];
      for (int j = i; j > front; --j)
        roots[j] = roots[j - 1];
      roots[front++] = r;
    }
  }
  solver.SortRoots(order);
  AddPolesAndZeros(
    *this, order, [roots](int i) { return roots[i]; }, [](int) { return Infinity(); });
}

// ---- Elliptic ----------------------------------------------------------------------------------------------

namespace {

constexpr int kMaxLandenSteps = 40;
// The highest elliptic order (the size of the scratch for the zero frequencies).
constexpr int kMaxEllipticOrder = 16;

// Descending Landen moduli k_1, k_2, ... of k (k_0 = k), until they no longer matter.
struct Landen
{
  double k[kMaxLandenSteps];
  int count = 0;

  explicit Landen(double k0)
  {
    double ki = k0;
    while (count < kMaxLandenSteps)
    {
      const double kp = std::sqrt(1.0 - ki * ki);
      ki = (ki / (1.0 + kp)) * (ki / (1.0 + kp));
      k[count++] = ki;
      if (ki < 1e-18)
        break;
    }
  }
};

// sn(u K, k) and cd(u K, k) for complex u, by Landen's transformation from sin and cos.
Complex Sne(const Complex& u, const Landen& landen)
{
  Complex w = std::sin(u * kHalfPi);
  for (int i = landen.count - 1; i >= 0; --i)
    w = (1.0 + landen.k[i]) * w / (1.0 + landen.k[i] * w * w);
  return w;
}

Complex Cde(const Complex& u, const Landen& landen)
{
  Complex w = std::cos(u * kHalfPi);
  for (int i = landen.count - 1; i >= 0; --i)
    w = (1.0 + landen.k[i]) * w / (1.0 + landen.k[i] * w * w);
  return w;
}

// The u with sn(u K, k) = w.
Complex Asne(Complex w, double k0, const Landen& landen)
{
  double kPrev = k0;
  for (int i = 0; i < landen.count; ++i)
  {
    w = 2.0 * w / ((1.0 + landen.k[i]) * (1.0 + std::sqrt(1.0 - kPrev * kPrev * w * w)));
    kPrev = landen.k[i];
  }
  return std::asin(w) / kHalfPi;
}

// Complete elliptic integral of the first kind by the arithmetic-geometric mean.
double EllipticK(double k)
{
  double a = 1.0;
  double b = std::sqrt(1.0 - k * k);
  double c = 1.0 - b;
  for (int i = 0; i < 64; ++i)
  {
    const double cn = (a - b) / 2.0;
    if (!(cn < c))
      break;
    c = cn;
    const double an = (a + b) / 2.0;
    b = std::sqrt(a * b);
    a = an;
  }
  return kPi / (2.0 * a);
}

// The modulus k1 = eps_p / eps_s that order, selectivity and ripple allow (the degree equation).
double DegreeModulus(int order, double k, const Landen& landen)
{
  double k1 = std::pow(k, order);
  for (int i = 1; i <= order / 2; ++i)
  {
    const double sn = Sne(Complex((2.0 * i - 1.0) / order, 0.0), landen).real();
    k1 *= sn * sn * sn * sn;
  }
  return k1;
}

} // namespace

EllipticAnalogLowPass::EllipticAnalogLowPass(PoleZeroPair* storage, int maxPoles)
  : PoleZeroLayout(storage, maxPoles)
{
}

double EllipticAnalogLowPass::Selectivity(double rolloff)
{
  return 5.0 * std::exp(rolloff - 1.0) + 1.0;
}

double EllipticAnalogLowPass::StopbandAttenuation(int order, double rippleDb, double rolloff)
{
  const double k = 1.0 / Selectivity(rolloff);
  const Landen landen(k);
  const double k1 = DegreeModulus(order, k, landen);
  const double epsP2 = std::pow(10.0, rippleDb / 10.0) - 1.0;
  return 10.0 * std::log10(1.0 + epsP2 / (k1 * k1));
}

void EllipticAnalogLowPass::Design(int order, double rippleDb, double rolloff)
{
  order = ClampOrder(order, MaxPoles() < kMaxEllipticOrder ? MaxPoles() : kMaxEllipticOrder);
  if (order == mOrder && rippleDb == mRippleDb && rolloff == mRolloff)
    return;
  mOrder = order;
  mRippleDb = rippleDb;
  mRolloff = rolloff;
  Clear();

  const double epsP = std::sqrt(std::pow(10.0, rippleDb / 10.0) - 1.0);
  const double xi = Selectivity(rolloff);
  const double k = 1.0 / xi;
  const Landen landen(k);

  // Zeros: the nome series of sn gives the transmission zeros xi / sn(u_i K) on the imaginary axis.
  const double bigK = EllipticK(k);
  const double bigKp = EllipticK(std::sqrt(1.0 - k * k));
  const double q = std::exp(-kPi * bigKp / bigK);
  const int half = order / 2;
  const int evenShift = (order & 1) ? 0 : 1;
  double zeroFreq[kMaxEllipticOrder / 2 + 1] = {};
  for (int i = 1; i <= half; ++i)
  {
    const double u = (2 * i - evenShift) * bigK / order;
    double sn = 0.0;
    for (int j = 0; j < 1000; ++j)
    {
      const double qj = std::pow(q, j + 0.5);
      sn += qj * std::sin((2 * j + 1) * u * kPi / (2.0 * bigK)) / (1.0 - std::pow(q, 2 * j + 1));
      if (qj < 1e-7)
        break;
    }
    zeroFreq[i] = 1.0 / (sn * 2.0 * kPi / bigK);
  }

  // Poles: with k1 from the degree equation, v0 solves sn(j v0 n K1, k1) = j / eps_p; the poles are
  // j cd((u_i - j v0) K, k) with u_i = (2i - 1) / n, and j sn(j v0 K, k) for an odd order.
  const double k1 = DegreeModulus(order, k, landen);
  const Landen landen1(k1);
  const double v0 = Asne(Complex(0.0, 1.0 / epsP), k1, landen1).imag() / order;
  const Complex j(0.0, 1.0);
  for (int i = 1; i <= half; ++i)
  {
    const double ui = (2.0 * i - 1.0) / order;
    const Complex pole = j * Cde(Complex(ui, -v0), landen);
    // u_i and the zero index of the series run in opposite directions.
    const double f = zeroFreq[half + 1 - i];
    AddConjugatePair(Complex(pole.real(), std::fabs(pole.imag())), Complex(0.0, f));
  }
  if (order & 1)
  {
    const Complex pole = j * Sne(Complex(0.0, v0), landen);
    AddSingle(Complex(pole.real(), 0.0), Infinity());
  }
  SetNormal(0.0, (order & 1) ? 1.0 : std::pow(10.0, -rippleDb / 20.0));
}

} // namespace Dsp
