// Offline designer of the half-band coefficient ladders (halfband_tables.cpp is its output).
//
// Each set has n coefficients c[0..n-1] for the taps at odd distances 1, 3, ..., 2n-1 from the centre of a
// symmetric half-band low-pass (centre tap 1/2, even taps 0), scaled so that they sum to 0.5. A set is a
// Kaiser-windowed sinc with cut-off at a quarter of the rate. Its stop band is [0.5 - p, 0.5] (cycles per
// sample) where images of the pass band [0, p] land when the rate is doubled (or which fold onto it when the
// rate is halved). For every set the designer finds the widest pass band p for which some window parameter
// gives at least the set's target attenuation over the whole stop band, and the window parameter that
// maximises the attenuation there. The target of a set is its ladder value, the attenuation above which the
// selection steps to the next longer set; the longest set of a ladder gets the last step plus the previous
// step's increase.
//
// Build and run: g++ -O2 -std=c++17 halfband_design.cpp -o hbd && ./hbd > ../halfband_tables.cpp
#include "../kaiser_window.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

std::vector<double> Design(int n, double beta)
{
  std::vector<double> c(n);
  const double span = 2.0 * n; // window reaches zero one tap beyond the last coefficient
  double sum = 0.0;
  for (int k = 0; k < n; ++k) {
    const int m = 2 * k + 1;
    const double x = m / span;
    const double w = resamp::KaiserWindow(x, beta, resamp::BesselI0(beta));
    const double sinc = std::sin(M_PI * m / 2.0) / (M_PI * m / 2.0);
    c[k] = sinc * w;
    sum += c[k];
  }
  for (double& v : c)
    v *= 0.5 / sum;
  return c;
}

// Smallest attenuation in dB over [0.5 - p, 0.5] of the half-band with coefficients c (unit pass-band gain).
double StopAttenuation(const std::vector<double>& c, double p)
{
  double worst = 1e300;
  const int points = 600;
  for (int i = 0; i <= points; ++i) {
    const double f = 0.5 - p + p * i / points;
    double h = 0.5;
    for (size_t k = 0; k < c.size(); ++k)
      h += c[k] * std::cos(2.0 * M_PI * f * (2.0 * k + 1.0));
    const double a = -20.0 * std::log10(std::fabs(h) + 1e-300);
    if (a < worst)
      worst = a;
  }
  return worst;
}

struct Best { double beta, atten; };

Best BestWindow(int n, double p)
{
  Best best{ 0.0, 0.0 };
  for (double beta = 0.5; beta < 60.0; beta += 0.1) {
    const double a = StopAttenuation(Design(n, beta), p);
    if (a > best.atten)
      best = { beta, a };
  }
  for (double beta = best.beta - 0.1; beta < best.beta + 0.1; beta += 0.002) {
    const double a = StopAttenuation(Design(n, beta), p);
    if (a > best.atten)
      best = { beta, a };
  }
  return best;
}

struct Ladder { int stage; int firstN; std::vector<double> steps; };

void Emit(const char* family, const std::vector<Ladder>& ladders)
{
  for (const Ladder& l : ladders) {
    std::printf("\n");
    const int count = static_cast<int>(l.steps.size()) + 1;
    for (int i = 0; i < count; ++i) {
      const int n = l.firstN + i;
      double target;
      if (i < count - 1)
        target = l.steps[i];
      else if (l.steps.size() >= 2)
        target = l.steps.back() + (l.steps.back() - l.steps[l.steps.size() - 2]);
      else
        target = l.steps.back() * 1.5;
      double lo = 1e-6, hi = 0.2499;
      Best found = BestWindow(n, lo);
      for (int it = 0; it < 40; ++it) {
        const double mid = 0.5 * (lo + hi);
        const Best b = BestWindow(n, mid);
        if (b.atten >= target) {
          lo = mid;
          found = b;
        } else {
          hi = mid;
        }
      }
      const std::vector<double> c = Design(n, found.beta);
      std::printf("// family %s, stage %d, n %d: pass band %.6f, window %.3f, %.2f dB (target %.2f)\n", family,
        l.stage, n, lo, found.beta, found.atten, target);
      std::printf("const double kF%sS%dN%d[] = {", family, l.stage, n);
      for (int k = 0; k < n; ++k)
        std::printf("%s%.17g", k ? ", " : " ", c[k]);
      std::printf(" };\n");
      std::printf("constexpr HBCoeffSet kF%sS%dN%dSet{ kF%sS%dN%d, %d, %.4f, %.6f };\n", family, l.stage, n,
        family, l.stage, n, n, found.atten, lo);
    }
    std::printf("const double kF%sS%dSteps[] = {", family, l.stage);
    for (size_t i = 0; i < l.steps.size(); ++i)
      std::printf("%s%.4f", i ? ", " : " ", l.steps[i]);
    std::printf(" };\nconst HBCoeffSet* const kF%sS%dSets[] = {", family, l.stage);
    for (int i = 0; i < count; ++i)
      std::printf("%s&kF%sS%dN%dSet", i ? ", " : " ", family, l.stage, l.firstN + i);
    std::printf(" };\n");
  }
  std::printf("\n} // namespace\n\nconst HBLadder kFamily%sLadders[] = {\n", family);
  for (const Ladder& l : ladders)
    std::printf("  { %d, kF%sS%dSteps, %d, kF%sS%dSets },\n", l.stage, family, l.stage,
      static_cast<int>(l.steps.size()), family, l.stage);
  std::printf("};\nconst int kFamily%sLadderCount = %d;\n\nnamespace {\n", family,
    static_cast<int>(ladders.size()));
}

} // namespace

int main()
{
  const std::vector<Ladder> two = {
    { 0, 4, { 64.9241, 87.4775, 104.5154, 120.6199, 136.5151, 152.324, 168.0859, 183.7962, 199.4768, 215.1364 } },
    { 1, 2, { 46.2556, 93.6536, 123.4514, 152.4403, 181.2501, 209.9472 } },
    { 2, 2, { 87.9438, 130.8862, 172.3191, 213.4984 } },
    { 3, 2, { 113.1456, 167.1446 } },
    { 4, 1, { 60.9962, 137.313, 203.2997 } },
    { 6, 1, { 93.9165, 185.4886 } },
  };
  const std::vector<Ladder> three = {
    { 0, 3, { 75.0994, 102.531, 126.536, 150.183, 173.7067, 197.1454 } },
    { 1, 2, { 75.4413, 115.7198, 152.1528, 188.2914 } },
    { 2, 2, { 102.9806, 152.1187, 200.6182 } },
    { 3, 1, { 48.6615, 127.3033, 188.2989 } },
    { 4, 1, { 73.2782, 151.4076 } },
    { 6, 1, { 101.2873, 199.5761 } },
  };
  std::printf("// Half-band coefficient ladders. Generated by design/halfband_design.cpp (see there for how each set\n"
              "// is designed); do not edit by hand.\n#include \"halfband_tables.h\"\n\nnamespace resamp {\nnamespace {\n");
  Emit("2", two);
  Emit("3", three);
  std::printf("\n} // namespace\n} // namespace resamp\n");
  return 0;
}
