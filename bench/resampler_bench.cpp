// Resampler benchmarks. The round trips (up by k, then down by k; stereo; 512-frame host blocks) run our chain
// side by side with Debian's libsoxr at its very-high quality (the two taking turns every few blocks, with the ratio
// of their CPU times), and libsamplerate's best sinc converter on its own; each reports its cost per host sample
// and its stop band measured from its outputs (the smallest attenuation of images on the way up and of aliases
// into the pass band on the way down, for tones on exact analysis bins).
#include "resampler/fir_filter.h"
#include "resampler/real_fft.h"
#include "resampler/resampler.h"
#include "resampler/vector_isa.h"
#include "resampler_signal_tools.h"

#include <benchmark/benchmark.h>
#include <samplerate.h>
#include <soxr.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

using resamptest::Db;
using resamptest::LargestOtherDb;
using resamptest::Sine;
using resamptest::Spectrum;

constexpr int kBlock = 512;
constexpr double kRate = 48000.0;
constexpr int kOrder = 13;
constexpr int kN = 1 << kOrder;
constexpr double kPassEdge = 0.42; // of the host rate

// A mono converter for the measurement: takes input samples, returns what it produced.
using Converter = std::function<std::vector<double>(const std::vector<double>&)>;
using Factory = std::function<Converter(double src, double dst)>;

// Smallest attenuation in dB over the test tones, for factor k.
double MeasureStopband(const Factory& make, int k)
{
  double worst = 1e9;
  for (double f : { 0.1, 0.3, kPassEdge }) { // up: images of pass-band tones
    const int bin = static_cast<int>(f * kN);
    const std::vector<double> y = make(kRate, k * kRate)(Sine(kN + 8192, static_cast<double>(bin) / kN));
    const auto mag = Spectrum(y, k * 4096, kOrder + (k == 2 ? 1 : 2));
    worst = std::min(worst, -LargestOtherDb(mag, bin, mag[bin]));
  }
  std::vector<double> tones = { 0.6, 0.75, 0.9 };
  if (k == 4)
    tones.insert(tones.end(), { 1.6, 1.75, 1.9 });
  for (double f : tones) { // down: aliases into the pass band
    const int bin = static_cast<int>(f * kN);
    const std::vector<double> y =
      make(k * kRate, kRate)(Sine(k * (kN + 8192), static_cast<double>(bin) / (k * kN)));
    const auto mag = Spectrum(y, 4096, kOrder);
    double other = 0.0;
    for (int i = 0; i <= static_cast<int>(kPassEdge * kN); ++i)
      other = std::max(other, mag[i]);
    worst = std::min(worst, -Db(other));
  }
  return worst;
}

// --- our resampler -----------------------------------------------------------------------------------------

Converter OursMono(double src, double dst)
{
  auto r = std::make_shared<resamp::CDSPResampler24_44k>(src, dst, 4 * kBlock);
  return [r](const std::vector<double>& in) {
    std::vector<double> x(in), y;
    for (size_t p = 0; p < x.size(); p += kBlock) {
      const int n = static_cast<int>(std::min<size_t>(kBlock, x.size() - p));
      double* out = nullptr;
      const int got = r->Process(x.data() + p, n, out);
      y.insert(y.end(), out, out + got);
    }
    return y;
  };
}

// --- libsoxr, very high quality ----------------------------------------------------------------------------

soxr_t MakeSoxr(double src, double dst, unsigned channels)
{
  soxr_error_t err = nullptr;
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
  const soxr_quality_spec_t q = soxr_quality_spec(SOXR_VHQ, 0);
  const soxr_runtime_spec_t rt = soxr_runtime_spec(1);
  return soxr_create(src, dst, channels, &err, &io, &q, &rt);
}

Converter SoxrMono(double src, double dst)
{
  std::shared_ptr<soxr> s(MakeSoxr(src, dst, 1), soxr_delete);
  return [s, src, dst](const std::vector<double>& in) {
    std::vector<double> y;
    std::vector<double> out(static_cast<size_t>(4 * kBlock * dst / src) + 64);
    for (size_t p = 0; p < in.size(); p += kBlock) {
      const size_t n = std::min<size_t>(kBlock, in.size() - p);
      size_t idone = 0, odone = 0;
      soxr_process(s.get(), in.data() + p, n, &idone, out.data(), out.size(), &odone);
      y.insert(y.end(), out.begin(), out.begin() + odone);
    }
    return y;
  };
}

// --- side by side: our round trip and libsoxr's, interleaved block by block ----------------------------------

/// Our stereo round trip: up by k, then down by k, one host block per call.
class DrovikRoundTrip
{
public:
  explicit DrovikRoundTrip(int k)
  {
    for (int c = 0; c < 2; ++c) {
      mUp[c] = std::make_unique<resamp::CDSPResampler24_44k>(kRate, k * kRate, kBlock);
      mDown[c] = std::make_unique<resamp::CDSPResampler24_44k>(k * kRate, kRate, k * kBlock);
    }
  }
  int Run(std::vector<double>* in)
  {
    int got = 0;
    for (int c = 0; c < 2; ++c) {
      double* u = nullptr;
      const int nu = mUp[c]->Process(in[c].data(), kBlock, u);
      double* d = nullptr; // the up output goes straight down, as libsoxr's does below
      got += mDown[c]->Process(u, nu, d);
      benchmark::DoNotOptimize(d);
    }
    return got;
  }

private:
  std::unique_ptr<resamp::CDSPResampler> mUp[2], mDown[2];
};

/// libsoxr's stereo round trip (interleaved samples), one host block per call.
class SoxrRoundTrip
{
public:
  explicit SoxrRoundTrip(int k)
    : mUp(MakeSoxr(kRate, k * kRate, 2)), mDown(MakeSoxr(k * kRate, kRate, 2)),
      mIn(2 * kBlock), mMid(2 * (k * kBlock + 256)), mOut(2 * (kBlock + 256))
  {
    for (int i = 0; i < kBlock; ++i) {
      mIn[2 * i] = std::sin(0.01 * i);
      mIn[2 * i + 1] = std::sin(0.02 * i);
    }
  }
  ~SoxrRoundTrip()
  {
    soxr_delete(mUp);
    soxr_delete(mDown);
  }
  size_t Run()
  {
    size_t idone = 0, odone = 0;
    soxr_process(mUp, mIn.data(), kBlock, &idone, mMid.data(), mMid.size() / 2, &odone);
    size_t idone2 = 0, odone2 = 0;
    soxr_process(mDown, mMid.data(), odone, &idone2, mOut.data(), mOut.size() / 2, &odone2);
    return odone2;
  }

private:
  soxr_t mUp, mDown;
  std::vector<double> mIn, mMid, mOut;
};

double ThreadSeconds()
{
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Both round trips at factor k (48 kHz, stereo, 512-frame blocks), taking turns every kTurn blocks, each turn timed
// on the thread's CPU clock, so that a busy machine slows both alike. Counters: each one's CPU time per host
// sample, the ratio ours / libsoxr's (below 1: ours is faster) and each one's measured stop band. Second argument
// 1: our chain built with the baseline (SSE2) kernels, as on a CPU without AVX2.
void BM_RoundTrip_DrovikVersusSoxr(benchmark::State& state)
{
  constexpr int kTurn = 8;
  const int k = static_cast<int>(state.range(0));
  resamp::ForceBaselineVectors(state.range(1) != 0);
  DrovikRoundTrip ours(k);
  resamp::ForceBaselineVectors(false);
  SoxrRoundTrip soxr(k);
  std::vector<double> in[2] = { Sine(kBlock, 0.01), Sine(kBlock, 0.02) };
  double oursSeconds = 0.0, soxrSeconds = 0.0;
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    for (int i = 0; i < kTurn; ++i)
      benchmark::DoNotOptimize(ours.Run(in));
    const double t1 = ThreadSeconds();
    for (int i = 0; i < kTurn; ++i)
      benchmark::DoNotOptimize(soxr.Run());
    const double t2 = ThreadSeconds();
    oursSeconds += t1 - t0;
    soxrSeconds += t2 - t1;
  }
  const double samples = static_cast<double>(state.iterations()) * kTurn * kBlock;
  state.counters["drovik_ns"] = 1e9 * oursSeconds / samples;
  state.counters["soxr_ns"] = 1e9 * soxrSeconds / samples;
  state.counters["ratio"] = oursSeconds / soxrSeconds;
  state.counters["drovik_stopband_dB"] = MeasureStopband(&OursMono, k);
  state.counters["soxr_stopband_dB"] = MeasureStopband(&SoxrMono, k);
}

// --- libsamplerate, best sinc (single precision) -------------------------------------------------------------

Converter SrcMono(double src, double dst)
{
  int err = 0;
  std::shared_ptr<SRC_STATE> s(src_new(SRC_SINC_BEST_QUALITY, 1, &err), src_delete);
  return [s, src, dst](const std::vector<double>& in) {
    std::vector<double> y;
    std::vector<float> fin(kBlock), fout(static_cast<size_t>(4 * kBlock * dst / src) + 64);
    for (size_t p = 0; p < in.size(); p += kBlock) {
      const size_t n = std::min<size_t>(kBlock, in.size() - p);
      for (size_t i = 0; i < n; ++i)
        fin[i] = static_cast<float>(in[p + i]);
      SRC_DATA d{};
      d.data_in = fin.data();
      d.data_out = fout.data();
      d.input_frames = static_cast<long>(n);
      d.output_frames = static_cast<long>(fout.size());
      d.src_ratio = dst / src;
      src_process(s.get(), &d);
      y.insert(y.end(), fout.begin(), fout.begin() + d.output_frames_gen);
    }
    return y;
  };
}

void BM_RoundTrip_Libsamplerate(benchmark::State& state)
{
  const int k = static_cast<int>(state.range(0));
  int err = 0;
  SRC_STATE* up = src_new(SRC_SINC_BEST_QUALITY, 2, &err);
  SRC_STATE* down = src_new(SRC_SINC_BEST_QUALITY, 2, &err);
  std::vector<float> in(2 * kBlock), mid(2 * (k * kBlock + 256)), out(2 * (kBlock + 256));
  for (int i = 0; i < kBlock; ++i) {
    in[2 * i] = static_cast<float>(std::sin(0.01 * i));
    in[2 * i + 1] = static_cast<float>(std::sin(0.02 * i));
  }
  for (auto _ : state) {
    SRC_DATA u{};
    u.data_in = in.data();
    u.data_out = mid.data();
    u.input_frames = kBlock;
    u.output_frames = static_cast<long>(mid.size() / 2);
    u.src_ratio = k;
    src_process(up, &u);
    SRC_DATA d{};
    d.data_in = mid.data();
    d.data_out = out.data();
    d.input_frames = u.output_frames_gen;
    d.output_frames = static_cast<long>(out.size() / 2);
    d.src_ratio = 1.0 / k;
    src_process(down, &d);
    benchmark::DoNotOptimize(d.output_frames_gen);
  }
  src_delete(up);
  src_delete(down);
  state.counters["per_sample"] = benchmark::Counter(kBlock, benchmark::Counter::kIsIterationInvariantRate |
                                                              benchmark::Counter::kInvert);
  state.counters["stopband_dB"] = MeasureStopband(&SrcMono, k);
}

// --- set-up costs -------------------------------------------------------------------------------------------

void BM_FilterDesign_CacheMiss(benchmark::State& state)
{
  double gain = 1.0;
  for (auto _ : state) {
    gain += 1e-9; // a key never seen before
    resamp::FirFilter* f = resamp::FirFilterCache::GetLPFilter(0, nullptr, 0.5, 8.0, 124.28, gain);
    resamp::FirFilterCache::Release(f);
  }
}

void BM_FilterDesign_CacheHit(benchmark::State& state)
{
  resamp::FirFilterCache::Release(resamp::FirFilterCache::GetLPFilter(0, nullptr, 0.5, 8.0, 124.28, 1.0));
  for (auto _ : state) {
    resamp::FirFilter* f = resamp::FirFilterCache::GetLPFilter(0, nullptr, 0.5, 8.0, 124.28, 1.0);
    resamp::FirFilterCache::Release(f);
  }
}

void BM_ResamplerConstruction_Warm(benchmark::State& state)
{
  const int k = static_cast<int>(state.range(0));
  for (auto _ : state) {
    resamp::CDSPResampler24_44k up(kRate, k * kRate, kBlock);
    resamp::CDSPResampler24_44k down(k * kRate, kRate, k * kBlock);
    benchmark::DoNotOptimize(up.StageCount() + down.StageCount());
  }
}

} // namespace

BENCHMARK(BM_RoundTrip_DrovikVersusSoxr)->Args({ 2, 0 })->Args({ 4, 0 })->Args({ 2, 1 })->Args({ 4, 1 });
BENCHMARK(BM_RoundTrip_Libsamplerate)->Arg(2)->Arg(4);
BENCHMARK(BM_FilterDesign_CacheMiss);
BENCHMARK(BM_FilterDesign_CacheHit);
BENCHMARK(BM_ResamplerConstruction_Warm)->Arg(2)->Arg(4);

BENCHMARK_MAIN();
