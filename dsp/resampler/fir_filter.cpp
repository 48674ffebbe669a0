// Low-pass design and the filter cache.
//
// Design: a sinc low-pass weighted by a Kaiser window. Length and cut-off come from fitted formulas of the
// transition band t (a fraction) and the attenuation: a length factor F (half length h = F / (4 normFreq)) and a
// shift s that moves the sinc's cut-off from normFreq down to (1 - s) normFreq, so that the window's main lobe
// ends at normFreq and the stop band starts there. The window parameter then follows from what the length and
// the shift leave room for (a transition width of s normFreq over 2h taps), which for every branch is at least
// the requested attenuation (measured for bands of 2 to 45 % and 20 to 280 dB). The fit for narrow bands (t
// below 0.1) at high attenuations is the one the effect uses: 8 % and 124.28 dB at half the rate give 247 taps
// and a stop band about 128 dB down from the cut-off on. The other ranges follow Kaiser's length formula with a
// margin.
#include "fir_filter.h"

#include "kaiser_window.h"
#include "library_state.h"
#include "real_fft.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

namespace resamp {
namespace {

// Fitted attenuation-dependent term P decides between the two fits of each transition-band range.
constexpr double kHighAttenP = 0.067665322581;
// Kaiser's formulas promise a few dB more than a short windowed sinc delivers; the fits outside the narrow,
// high-attenuation range ask for this much more than requested.
constexpr double kDesignMargin = 1.04;
constexpr double kDesignMarginDb = 4.0;

// Attenuation corrections in steps of 1 / divisor dB, indexed by the attenuation (see Shape), one
// table per transition-band range. Zero keeps the fit as it is; around 124 dB the narrow-band table lifts the
// design by 92 / 196 dB so that an 8 % band ends on a length factor just above 247 (h = 123 at half the rate).
struct CorrectionTable
{
  int8_t steps[FirFilterCache::kCorrectionCount];
  double divisor;
};

constexpr CorrectionTable MakeTable(double divisor, int index, int8_t value)
{
  CorrectionTable table{ {}, divisor };
  if (index >= 0)
    table.steps[index] = value;
  return table;
}

constexpr CorrectionTable kWideCorrections = MakeTable(101.0, -1, 0);    // t >= 0.25
constexpr CorrectionTable kMediumCorrections = MakeTable(210.0, -1, 0);  // 0.1 <= t < 0.25
constexpr CorrectionTable kNarrowCorrections = MakeTable(196.0, 113, 92); // t < 0.1

double KaiserBeta(double atten)
{
  if (atten > 50.0)
    return 0.1102 * (atten - 8.7);
  if (atten > 21.0)
    return 0.5842 * std::pow(atten - 21.0, 0.4) + 0.07886 * (atten - 21.0);
  return 0.0;
}

// Length factor F (half length F / (4 normFreq)) and cut-off shift s.
struct DesignShape
{
  double F = 0.0;
  double s = 0.0;
};

DesignShape Shape(double t, double atten, const double* attenCorrections)
{
  DesignShape d;
  const int range = t >= 0.25 ? 0 : t >= 0.1 ? 1 : 2;
  static constexpr double kBase[3][3] = { { -1.6, -1.91, -2.25 }, { -0.69, -0.73, -1.13 }, { -0.21, -0.25, -0.36 } };
  const double c0 = kBase[range][atten >= 117.0 ? 0 : atten >= 60.0 ? 1 : 2];
  double x = c0 - atten;
  const int index = std::clamp(static_cast<int>(std::floor((-49.0 - x) * 264.0 / 176.25 + 0.5)), 0,
    FirFilterCache::kCorrectionCount - 1);
  if (attenCorrections) {
    x -= attenCorrections[index];
  } else {
    static const CorrectionTable* const kTables[3] = { &kWideCorrections, &kMediumCorrections, &kNarrowCorrections };
    x -= kTables[range]->steps[index] / kTables[range]->divisor;
  }
  const double cx = std::cos(0.00785021930010397 * x);
  const double P = 7.43932822146293e-8 * x * x +
    0.000102747434588003 * cx * std::cos(0.103208573657699 * x + 0.633854318781239) - 0.00798132247867036 -
    0.000903555213543865 * x - 0.0969365532127236 * std::exp(0.0779275237937911 * x) -
    1.37304948662012e-5 * x * cx;
  if (range == 2 && P > kHighAttenP) {
    d.F = (1.15990238966306 * P - 5.02124037125213 * P * P -
            0.158676856669827 * x * std::cos(1.1609073390614 * P - 6.33932586197475 * P * P * P)) / t;
    d.s = 0.867344453126885 * t + 0.052693817907757 * t * std::log(P) +
      0.0895511178735932 * t * std::atan(59.7538527741309 * P) - 0.0745653568081453 * P * t;
    return d;
  }
  // The other fits: the main lobe (s normFreq wide) a little narrower than the requested band, and F from
  // Kaiser's length for that width at the corrected attenuation raised by the margin.
  d.s = (range == 2 ? 0.87 : range == 1 ? 0.85 : 0.8) * t;
  const double design = std::max(c0 - x, 20.0) * kDesignMargin + kDesignMarginDb;
  d.F = 2.0 * (design - 7.95) / (14.357 * d.s);
  return d;
}

int OrderFor(int length)
{
  int order = 0;
  while ((1 << order) < length)
    ++order;
  return order;
}

// Turns the linear-phase taps in k (length len) into minimum-phase taps through the real cepstrum.
// Returns the delay estimate (group delay at DC).
double MakeMinimumPhase(double* k, int len)
{
  const int order = std::min(OrderFor(len) + 3, RealFft::kMaxOrder);
  const int n = 1 << order;
  RealFft* fft = FftKeeper::Get(order);
  AlignedDoubles buf;
  try {
    buf.Allocate(n);
  } catch (...) {
    FftKeeper::Put(fft);
    throw;
  }
  double* d = buf.data;
  std::copy(k, k + len, d);
  fft->Forward(d);
  // log magnitude (real spectrum stored with zero imaginary parts)
  auto logMag = [](double re, double im) { return 0.5 * std::log(std::max(re * re + im * im, 1e-40)); };
  d[0] = logMag(d[0], 0.0);
  d[1] = logMag(d[1], 0.0);
  for (int i = 1; i < n / 2; ++i) {
    d[2 * i] = logMag(d[2 * i], d[2 * i + 1]);
    d[2 * i + 1] = 0.0;
  }
  fft->Inverse(d);
  for (int i = 0; i < n; ++i)
    d[i] *= fft->inverseScale;
  // fold the cepstrum onto its causal half
  for (int i = 1; i < n / 2; ++i) {
    d[i] *= 2.0;
    d[n - i] = 0.0;
  }
  fft->Forward(d);
  auto cexp = [](double& re, double& im) {
    const double m = std::exp(re);
    const double a = im;
    re = m * std::cos(a);
    im = m * std::sin(a);
  };
  d[0] = std::exp(d[0]);
  d[1] = std::exp(d[1]);
  for (int i = 1; i < n / 2; ++i)
    cexp(d[2 * i], d[2 * i + 1]);
  fft->Inverse(d);
  double sum = 0.0, moment = 0.0;
  for (int i = 0; i < len; ++i) {
    k[i] = d[i] * fft->inverseScale;
    sum += k[i];
    moment += i * k[i];
  }
  FftKeeper::Put(fft);
  return sum != 0.0 ? moment / sum : 0.0;
}

} // namespace

void FirFilter::Build(const double* attenCorrections)
{
  const double t = std::clamp(transBand * 0.01, 0.005, 0.45);
  const double nu = std::clamp(normFreq, 1e-6, 1.0);
  const DesignShape shape = Shape(t, std::clamp(atten, 20.0, 300.0), attenCorrections);
  const int h = std::max(static_cast<int>(std::floor(shape.F * 0.25 / nu)), 1);
  kernelLength = 2 * h + 1;
  // The window's main lobe spans s nu cycles per sample over 2h taps: its parameter is what that width allows by
  // Kaiser's length formula, but no more than pi h s nu (past which the lobe would reach into the stop band).
  const double lobeBeta = M_PI * h * shape.s * nu;
  const double beta = std::min(lobeBeta, KaiserBeta(7.95 + 14.357 * 2.0 * h * shape.s * nu));
  const double w = (1.0 - shape.s) * M_PI * nu;
  kernel.Allocate(kernelLength);
  double* k = kernel.data;
  const double norm = BesselI0(beta);
  auto window = [&](int i) {
    const double r = static_cast<double>(i) / h;
    return KaiserWindow(r, beta, norm);
  };
  // sin(i w) for i = 1..h by the recurrence sin((i + 1) w) = 2 cos(w) sin(i w) - sin((i - 1) w)
  const double twoCos = 2.0 * std::cos(w);
  double before = std::sin(-w), now = 0.0;
  k[h] = w;
  for (int i = 1; i <= h; ++i) {
    const double next = twoCos * now - before;
    before = now;
    now = next;
    k[h + i] = k[h - i] = now / i * window(i);
  }
  double sum = 0.0;
  for (int i = 0; i < kernelLength; ++i)
    sum += k[i];
  for (int i = 0; i < kernelLength; ++i)
    k[i] *= gain / sum;

  if (phase == 0) {
    isZeroPhase = 1;
    latency = h;
    latencyFrac = 0.0;
  } else {
    isZeroPhase = 0;
    const double delay = MakeMinimumPhase(k, kernelLength);
    latency = static_cast<int>(std::floor(delay));
    latencyFrac = delay - latency;
  }

  blockOrder = OrderFor(kernelLength);
  const int n = 1 << (blockOrder + 1);
  spectrum.Allocate(n);
  double* s = spectrum.data;
  if (isZeroPhase) {
    // centred on index 0: taps h..2h first, then 0..h-1 wrapped to the end
    for (int i = 0; i <= h; ++i)
      s[i] = k[h + i];
    for (int i = 1; i <= h; ++i)
      s[n - i] = k[h - i];
  } else {
    std::copy(k, k + kernelLength, s);
  }
  RealFft* fft = FftKeeper::Get(blockOrder + 1);
  fft->Forward(s);
  FftKeeper::Put(fft);
  if (isZeroPhase) {
    for (int i = 1; i < n / 2; ++i)
      s[2 * i + 1] = s[2 * i];
  }
}

namespace FirFilterCache {
namespace {

void FreeRecord(FirFilter* f)
{
  f->~FirFilter();
  std::free(f);
}

} // namespace

FirFilter* GetLPFilter(int phase, const double* attenCorrections, double normFreq, double transBand, double atten,
  double gain)
{
  LibraryState& st = State();
  std::lock_guard<std::recursive_mutex> lock(st.filterMutex);
  FirFilter* prev = nullptr;
  for (FirFilter* f = st.filters; f; prev = f, f = f->next) {
    if (f->normFreq == normFreq && f->transBand == transBand && f->atten == atten && f->phase == phase &&
        f->gain == gain) {
      ++f->refCount;
      if (prev) {
        prev->next = f->next;
        f->next = st.filters;
        st.filters = f;
      }
      return f;
    }
  }
  if (st.filterCount >= kCapacity && st.filters) {
    FirFilter* before = nullptr;
    FirFilter* last = st.filters;
    while (last->next) {
      before = last;
      last = last->next;
    }
    if (before) {
      before->next = nullptr;
      if (last->refCount == 0) {
        FreeRecord(last);
        --st.filterCount;
      } else {
        last->next = st.filters;
        st.filters = last;
      }
    }
  }
  void* mem = std::malloc(sizeof(FirFilter));
  if (!mem)
    throw std::bad_alloc();
  FirFilter* f = new (mem) FirFilter();
  f->normFreq = normFreq;
  f->transBand = transBand;
  f->atten = atten;
  f->phase = phase;
  f->gain = gain;
  f->refCount = 1;
  try {
    f->Build(attenCorrections);
  } catch (...) {
    FreeRecord(f);
    throw;
  }
  f->next = st.filters;
  st.filters = f;
  ++st.filterCount;
  return f;
}

void Release(FirFilter* filter)
{
  if (!filter)
    return;
  LibraryState& st = State();
  std::lock_guard<std::recursive_mutex> lock(st.filterMutex);
  --filter->refCount;
}

int Count()
{
  LibraryState& st = State();
  std::lock_guard<std::recursive_mutex> lock(st.filterMutex);
  return st.filterCount;
}

} // namespace FirFilterCache
} // namespace resamp
