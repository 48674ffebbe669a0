#include "effect/dsp/saturator.h"
#include "effect/dsp/sample_rate.h"
#include "effect/dsp/vector_math.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
/// Seconds between new random targets of the fluctuation.
constexpr double kTargetPeriodSeconds = 0.2;
/// Time constant of the fluctuation's random walks, seconds.
constexpr double kWalkSeconds = 0.4;
/// Keeps the warm and crisp ratios away from 0/0 at u = 0.
constexpr double kCurveOffset = 1e-8;
/// tanh(pi / 2): scales the crisp odd part to reach 1 at full input.
constexpr double kTanhHalfPi = 0.9171523356672742;
/// The most harmonics a stage hands on, either way: what one stage makes of a full-scale input at full drive
/// ("clean": 1 + 1). Unbounded, a cascade of stages at high drive grows without limit; beyond this the output
/// is at full scale anyway.
constexpr double kMaxStageHarmonics = 2.0;
/// The largest input a warm stage hands on to the next, short of its even part's pole at pi / 2 (where the
/// curve would jump from plus to minus infinity).
constexpr double kMaxWarmStageInput = 1.5;
/// The DC estimate follows the harmonics up to full scale only, so that after a loud passage it is back within
/// a few tens of milliseconds.
constexpr double kMaxDcInput = 1.0;

double Clamp1(double x) { return x < -1.0 ? -1.0 : (x > 1.0 ? 1.0 : x); }

double Bound(double x, double limit) { return x < -limit ? -limit : (x > limit ? limit : x); }

/// One stage's harmonics, bounded, and the input it hands on to the next stage.
void EndStage(int mode, double xc, double even, double odd, double E, double O, double& h, double& u)
{
  h = Bound(even * E + odd * O, kMaxStageHarmonics);
  u = h + xc;
  if (mode == kSatWarm) u = Bound(u, kMaxWarmStageInput);
}

/// tanh written as the curve has always computed it.
double CurveTanh(double z) { return 2.0 / (std::exp(-2.0 * z) + 1.0) - 1.0; }

uint64_t NextInstanceSeed()
{
  static std::atomic<uint64_t> sCounter{0};
  const uint64_t t = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  return t ^ (0x9E3779B97F4A7C15ull * (sCounter.fetch_add(1, std::memory_order_relaxed) + 1));
}

} // namespace

FluctuationRandom::FluctuationRandom() { Seed(NextInstanceSeed()); }

void FluctuationRandom::Seed(uint64_t seed)
{
  // splitmix64 spreads any seed (also 0) over the whole state.
  uint64_t z = seed + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  mState = z != 0 ? z : 0x9E3779B97F4A7C15ull;
}

void Saturator::Reset(double fs)
{
  fs = UsableRate(fs);
  dcA = 0.999;
  dcB = 0.001;
  dc1 = dc2 = 0.0;
  prevD = prevA1 = prevA2 = 0.0;
  classicDenominator = 200.0;
  classicOdd = classicAngle = classicNorm = 0.0;
  for (RandomWalk* w : {&evenWalk, &oddWalk})
  {
    w->a = std::exp(-2.0 * kPi / (kWalkSeconds * fs));
    w->b = 1.0 - w->a;
    w->y = 0.0;
    w->threshold = 0.01;
  }
  const double p = kTargetPeriodSeconds * fs;
  period = p >= 1.0 ? (p < 2147483647.0 ? static_cast<int>(p) : 2147483647) : 1;
  counter = 0;
  sampleRate = fs;
  sampleRateKHz = fs / 1000.0;
  evenTarget = mRandom.NextUnit();
  oddTarget = mRandom.NextUnit();
  fluctuation = evenDrive = oddDrive = 0.0;
  mode = kSatClean;
  stages = 1;
}

void Saturator::SetParams(const SatSettings& s)
{
  fluctuation = s.fluctuation;
  const double e = s.even / 100.0, o = s.odd / 100.0;
  evenDrive = 100.0 * e * e * e;
  oddDrive = 100.0 * o * o * o;
  mode = s.mode;
  stages = s.stages;
  classicOdd = s.odd;
  classicAngle = classicOdd / classicDenominator * kPi;
  classicNorm = std::sin(classicAngle);
}

void Saturator::StepDrives(double& even, double& odd)
{
  if (++counter >= period)
  {
    counter = 0;
    evenTarget = mRandom.NextUnit();
    oddTarget = mRandom.NextUnit();
  }
  evenWalk.y = evenWalk.b * evenTarget + evenWalk.a * evenWalk.y;
  oddWalk.y = oddWalk.b * oddTarget + oddWalk.a * oddWalk.y;
  const double f = fluctuation * 0.01;
  even = std::max(evenDrive * 0.01 - f * evenWalk.y, 0.0);
  odd = std::max(oddDrive * 0.01 - f * oddWalk.y, 0.0);
}

double Saturator::Process(double x)
{
  if (std::isnan(x)) x = 0.0;
  if (mode == kSatClassic)
  {
    if (!(classicOdd > 0.0)) return x;
    return Clamp1(std::sin(Clamp1(x) * classicAngle) / classicNorm);
  }
  double even, odd;
  StepDrives(even, odd);
  return SaturationCurve(mode, stages, true, x, even, odd);
}

bool Saturator::Pairable(const Saturator& a, const Saturator& b)
{
  return a.mode == b.mode && a.stages == b.stages && (a.mode == kSatWarm || a.mode == kSatCrisp);
}

void Saturator::ProcessPair(Saturator& a, Saturator& b, double& x, double& y)
{
  if (!Pairable(a, b))
  {
    x = a.Process(x);
    y = b.Process(y);
    return;
  }
  if (std::isnan(x)) x = 0.0;
  if (std::isnan(y)) y = 0.0;
  double d[4];
  a.StepDrives(d[0], d[1]);
  b.StepDrives(d[2], d[3]);
  CurvesOfPair(a, b, x, y, d);
}

void Saturator::ProcessPairTwice(Saturator& a, Saturator& b, double& x0, double& y0, double& x1, double& y1)
{
  if (!Pairable(a, b))
  {
    ProcessPair(a, b, x0, y0);
    ProcessPair(a, b, x1, y1);
    return;
  }
  double* xs[4] = {&x0, &y0, &x1, &y1};
  for (double* x : xs)
    if (std::isnan(*x)) *x = 0.0;
  double d[8];
  a.StepDrives(d[0], d[1]);
  b.StepDrives(d[2], d[3]);
  a.StepDrives(d[4], d[5]);
  b.StepDrives(d[6], d[7]);
  for (int i = 0; i < 4; ++i)
  {
    if (!(d[2 * i] > 0.0 || d[2 * i + 1] > 0.0))
    {
      CurvesOfPair(a, b, x0, y0, d);
      CurvesOfPair(a, b, x1, y1, d + 4);
      return;
    }
  }
  const double xc[4] = {Clamp1(x0), Clamp1(y0), Clamp1(x1), Clamp1(y1)};
  double h[4];
  StagedCurves<4>(a.mode, a.stages, xc, d, h);
  x0 = a.FinishCurve(true, xc[0], h[0]);
  y0 = b.FinishCurve(true, xc[1], h[1]);
  x1 = a.FinishCurve(true, xc[2], h[2]);
  y1 = b.FinishCurve(true, xc[3], h[3]);
}

void Saturator::CurvesOfPair(Saturator& a, Saturator& b, double& x, double& y, const double d[4])
{
  if (!(d[0] > 0.0 || d[1] > 0.0) || !(d[2] > 0.0 || d[3] > 0.0))
  {
    x = a.SaturationCurve(a.mode, a.stages, true, x, d[0], d[1]);
    y = b.SaturationCurve(b.mode, b.stages, true, y, d[2], d[3]);
    return;
  }
  const double xc[2] = {Clamp1(x), Clamp1(y)};
  double h[2];
  StagedCurves<2>(a.mode, a.stages, xc, d, h);
  x = a.FinishCurve(true, xc[0], h[0]);
  y = b.FinishCurve(true, xc[1], h[1]);
}

template <int Lanes>
void Saturator::StagedCurves(int curveMode, int nStages, const double* xc, const double* drives, double* h)
{
  // The same steps as SaturationCurve, signal by signal; only the functions are evaluated together.
  const int n = std::min(std::max(nStages, 1), kMaxStages);
  double u[Lanes];
  for (int i = 0; i < Lanes; ++i)
  {
    u[i] = xc[i];
    h[i] = 0.0;
  }
  for (int s = 0; s < n; ++s)
  {
    double v[Lanes], p[Lanes], E[Lanes], O[Lanes];
    for (int i = 0; i < Lanes; ++i)
    {
      v[i] = u[i] + kCurveOffset;
      p[i] = kPi * v[i] / 2.0;
    }
    if (curveMode == kSatWarm)
    {
      double c[Lanes], sn[Lanes];
      vector_math::CosSin<Lanes>(v, p, c, sn);
      for (int i = 0; i < Lanes; ++i)
      {
        E[i] = 0.5 / c[i] - 0.5;
        O[i] = sn[i] - v[i];
      }
    }
    else
    {
      double a[Lanes], e[Lanes];
      for (int i = 0; i < Lanes; ++i) a[i] = -2.0 * p[i];
      vector_math::Exp<Lanes>(a, e);
      for (int i = 0; i < Lanes; ++i)
      {
        const double t = 2.0 / (e[i] + 1.0) - 1.0;
        E[i] = 0.5 * t * t;
        O[i] = t / kTanhHalfPi - v[i];
      }
    }
    for (int i = 0; i < Lanes; ++i)
      EndStage(curveMode, xc[i], drives[2 * i], drives[2 * i + 1], E[i], O[i], h[i], u[i]);
  }
}

double Saturator::SaturationCurve(int curveMode, int nStages, bool smooth, double x, double even, double odd)
{
  if (!(even > 0.0) && !(odd > 0.0)) return x;
  if (std::isnan(x)) x = 0.0;
  const double xc = Clamp1(x);
  const int n = std::min(std::max(nStages, 1), kMaxStages);
  double u = xc;
  double h = 0.0;
  for (int s = 0; s < n; ++s)
  {
    double E = 0.0, O = 0.0;
    switch (curveMode)
    {
    case kSatClean:
      E = u * u;
      O = u * u * u;
      break;
    case kSatWarm:
    {
      // Even part sin v / sin 2v - 1/2, written as 1 / (2 cos v) - 1/2: the same curve without the 0/0 at
      // v = 0, where it takes its limit 0.
      const double v = u + kCurveOffset;
      E = 0.5 / std::cos(v) - 0.5;
      O = std::sin(kPi * v / 2.0) - v;
      break;
    }
    case kSatCrisp:
    {
      // Even part tanh(z) / tanh(2z) - 1/2 with z = pi v / 2, written as tanh(z)^2 / 2 (as tanh 2z =
      // 2 tanh z / (1 + tanh^2 z)): no 0/0 at v = 0, where it takes its limit 0.
      const double v = u + kCurveOffset;
      const double t = CurveTanh(kPi * v / 2.0);
      E = 0.5 * t * t;
      O = t / kTanhHalfPi - v;
      break;
    }
    default:
      break;
    }
    EndStage(curveMode, xc, even, odd, E, O, h, u);
  }
  return FinishCurve(smooth, xc, h);
}

double Saturator::FinishCurve(bool smooth, double xc, double h)
{
  if (!std::isfinite(h)) h = 0.0;
  double out;
  if (smooth)
  {
    dc1 = dcB * Bound(h, kMaxDcInput) + dcA * dc1;
    const double d = h - dc1;
    const double a1 = (d + prevD) / 2.0;
    const double a2 = (a1 + prevA1) / 2.0;
    const double a3 = (a2 + prevA2) / 2.0;
    prevD = d;
    prevA1 = a1;
    prevA2 = a2;
    dc2 = dcA * dc2 + dcB * a3;
    out = xc + (a3 - dc2);
  }
  else
    out = xc + h;
  return Clamp1(out);
}
