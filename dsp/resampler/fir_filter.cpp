// Low-pass design and the filter cache.
//
// Design: a sinc low-pass whose transition band ends exactly at the cut-off (so nothing above it survives with
// less than the stated attenuation) and starts transBand percent of twice the cut-off below it (for 8 % at a
// 44.1 kHz cut-off rate: flat to 18.5 kHz, stop band from 22.05 kHz), weighted by a Kaiser window. Window
// parameter and length follow Kaiser's formulas for the attenuation raised by 4 %: at these lengths the
// formulas promise about 1-2 dB more than a windowed sinc delivers, and the margin keeps every stop band at or
// above the request (the resampler tests measure it from the outputs). The half length is rounded up to an even
// number so that the kernel's delay is a whole number of samples at half the rate too, which lets the 2x
// up- and down-conversions of one rate pair have the same delay.
#include "fir_filter.h"

#include "library_state.h"
#include "real_fft.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace resamp {
namespace {

constexpr double kDesignMargin = 1.04;

double BesselI0(double x)
{
  double sum = 1.0, term = 1.0;
  for (int k = 1; k < 1000; ++k) {
    const double q = x / (2.0 * k);
    term *= q * q;
    sum += term;
    if (term < 1e-22 * sum)
      break;
  }
  return sum;
}

double KaiserBeta(double atten)
{
  if (atten > 50.0)
    return 0.1102 * (atten - 8.7);
  if (atten > 21.0)
    return 0.5842 * std::pow(atten - 21.0, 0.4) + 0.07886 * (atten - 21.0);
  return 0.0;
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
  double a = std::clamp(atten, 20.0, 300.0);
  if (attenCorrections) {
    const int i = std::clamp(static_cast<int>(std::floor((a - 49.0) * 264.0 / 176.25 + 0.5)), 0,
      FirFilterCache::kCorrectionCount - 1);
    a = std::clamp(a + attenCorrections[i], 20.0, 300.0);
  }
  const double design = a * kDesignMargin;
  const double nu = std::clamp(normFreq, 1e-6, 1.0);
  const double width = t * nu; // transition width in cycles per sample
  int h = static_cast<int>(std::ceil((design - 7.95) / (14.357 * width) * 0.5));
  h = std::max(h + (h & 1), 2);
  kernelLength = 2 * h + 1;
  const double beta = KaiserBeta(design);
  const double cut = 0.5 * nu * (1.0 - t); // centre of the transition band, cycles per sample
  kernel.Allocate(kernelLength);
  double* k = kernel.data;
  const double norm = BesselI0(beta);
  double sum = 0.0;
  for (int i = -h; i <= h; ++i) {
    const double x = static_cast<double>(i) / h;
    const double w = BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - x * x))) / norm;
    const double s = i == 0 ? 2.0 * cut : std::sin(2.0 * M_PI * cut * i) / (M_PI * i);
    k[i + h] = s * w;
    sum += k[i + h];
  }
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
