// An independent model of the effect's per-sample signal path, written straight from the description of the
// signal path for the tests to compare against (it shares no code with the effect). Deliberately plain: one
// struct per channel saturator, formulas spelled out, no attempt at speed.
#pragma once

#include <algorithm>
#include <cmath>

namespace refmodel {

constexpr double PI = 3.14159265358979323846;

inline double clamp1(double v) { return std::min(1.0, std::max(-1.0, v)); }

struct Settings
{
  double inTrimDb = 0, outTrimDb = 0;
  bool satOn = false;
  int placement = 0; // 0 stereo, 1 left, 2 right, 3 mid, 4 side
  int mode = 0;      // 0 clean, 1 warm, 2 crisp, 3 classic
  int stages = 1;
  double even = 0, odd = 0; // percent (fluctuation off)
  bool clipOn = false;
  double ceilingDb = -0.1;
  int monitor = 0; // 0 stereo, 1 left, 2 right, 3 mid, 4 side
  bool inPlace = false;
};

// One saturator: curve, DC blockers and averaging.
struct Sat
{
  // smoothing history
  double dcFirst = 0, dcSecond = 0, lastD = 0, lastA1 = 0, lastA2 = 0;

  static double evenPart(int mode, double u)
  {
    double v = u + 1e-8;
    if (mode == 0) return u * u;
    if (mode == 1) return std::sin(2 * v) == 0 ? 0 : std::sin(v) / std::sin(2 * v) - 0.5;
    if (mode == 2)
    {
      double t1 = 2 / (std::exp(-PI * v) + 1) - 1;      // tanh(pi v / 2)
      double t2 = 2 / (std::exp(-2 * PI * v) + 1) - 1;  // tanh(pi v)
      return t2 == 0 ? 0 : t1 / t2 - 0.5;
    }
    return 0;
  }
  static double oddPart(int mode, double u)
  {
    double v = u + 1e-8;
    if (mode == 0) return u * u * u;
    if (mode == 1) return std::sin(PI * v / 2) - v;
    if (mode == 2) return (2 / (std::exp(-PI * v) + 1) - 1) / std::tanh(PI / 2) - v;
    return 0;
  }

  double run(double x, const Settings& s)
  {
    if (s.mode == 3)
    {
      if (s.odd <= 0) return x;
      double angle = PI * s.odd / 200;
      return clamp1(std::sin(clamp1(x) * angle) / std::sin(angle));
    }
    double e = std::pow(s.even / 100, 3), o = std::pow(s.odd / 100, 3);
    if (e <= 0 && o <= 0) return x;
    double xc = clamp1(x);
    double u = xc, h = 0;
    int n = std::min(5, std::max(1, s.stages));
    // A stage hands on at most 2 of harmonics (the cascade would otherwise grow without bound), and a warm
    // stage an input of at most 1.5 (short of the even part's pole at pi/2); the DC estimate follows the
    // harmonics up to 1.
    for (int i = 0; i < n; i++)
    {
      h = std::min(2.0, std::max(-2.0, e * evenPart(s.mode, u) + o * oddPart(s.mode, u)));
      u = xc + h;
      if (s.mode == 1) u = std::min(1.5, std::max(-1.5, u));
    }
    dcFirst = 0.999 * dcFirst + 0.001 * clamp1(h);
    double d = h - dcFirst;
    double a1 = 0.5 * (d + lastD), a2 = 0.5 * (a1 + lastA1), a3 = 0.5 * (a2 + lastA2);
    lastD = d;
    lastA1 = a1;
    lastA2 = a2;
    dcSecond = 0.999 * dcSecond + 0.001 * a3;
    return clamp1(xc + a3 - dcSecond);
  }
};

struct Clip
{
  static double knee(double x, double ceilingDb)
  {
    double k = 6 / std::log(2.0);
    double top = std::exp(ceilingDb / k);
    double thr = std::exp((std::min(0.0, ceilingDb) - 0.01) / k);
    double y = x;
    if (std::fabs(x) >= thr)
    {
      double mag = thr + (top - thr) * std::tanh((std::fabs(x) - thr) / (top - thr));
      y = x > 0 ? mag : (x < 0 ? -mag : 0);
    }
    return y;
  }
};

// The whole per-frame path for one stereo pair.
struct Path
{
  Settings s;
  Sat left, right;

  static double gainOf(double db) { return db <= -144 ? 0 : std::pow(10.0, db / 20); }

  void frame(double& L, double& R)
  {
    L *= gainOf(s.inTrimDb);
    R *= gainOf(s.inTrimDb);
    if (s.satOn)
    {
      double m = (L + R) / 2, d = (L - R) / 2;
      switch (s.placement)
      {
      case 1: L = left.run(L, s); break;
      case 2: R = left.run(R, s); break;
      case 3: m = left.run(m, s); L = m + d; R = m - d; break;
      case 4: d = left.run(d, s); L = m + d; R = m - d; break;
      default: L = left.run(L, s); R = right.run(R, s); break;
      }
    }
    L *= gainOf(s.outTrimDb);
    R *= gainOf(s.outTrimDb);
    if (s.clipOn)
    {
      L = Clip::knee(L, s.ceilingDb);
      R = Clip::knee(R, s.ceilingDb);
    }
    double l = L, r = R;
    switch (s.monitor)
    {
    case 1: L = l; R = s.inPlace ? l : 0; break;
    case 2: L = s.inPlace ? r : 0; R = r; break;
    case 3: L = R = (l + r) / 2; break;
    case 4: L = (l - r) / 2; R = s.inPlace ? (l - r) / 2 : -(l - r) / 2; break;
    default: break;
    }
  }
};

} // namespace refmodel
