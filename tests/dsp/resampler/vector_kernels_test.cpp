// The wide (AVX2/FMA) kernels and the baseline ones give the same conversions to within rounding.
#include "resampler/real_fft.h"
#include "resampler/resampler.h"
#include "resampler/vector_isa.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace resamp;

namespace {

std::vector<double> Convert(double src, double dst, int block, const std::vector<double>& x, bool baseline)
{
  ForceBaselineVectors(baseline);
  CDSPResampler24_44k r(src, dst, block);
  ForceBaselineVectors(false);
  return resamptest::Run(r, x, block, block);
}

} // namespace

TEST(VectorKernels, WideAndBaselineConversionsAgreeWithinRounding)
{
  if (ChosenVectorIsa() != VectorIsa::kWide)
    GTEST_SKIP() << "this CPU has no AVX2/FMA";
  std::vector<double> x = resamptest::Sine(20000, 0.0123);
  for (size_t i = 0; i < x.size(); i += 97)
    x[i] += 0.5; // clicks: energy across the whole band
  for (int k : { 2, 4 }) {
    for (bool up : { true, false }) {
      const double src = up ? 48000.0 : k * 48000.0, dst = up ? k * 48000.0 : 48000.0;
      const int block = up ? 512 : 512 * k;
      const std::vector<double> a = Convert(src, dst, block, x, true);
      const std::vector<double> b = Convert(src, dst, block, x, false);
      ASSERT_EQ(a.size(), b.size());
      double worst = 0.0;
      for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::fabs(a[i] - b[i]));
      EXPECT_LT(worst, 1e-12) << "x" << k << (up ? " up" : " down");
    }
  }
}

TEST(VectorKernels, WideAndBaselineTransformsAgreeAtEveryOrder)
{
  if (ChosenVectorIsa() != VectorIsa::kWide)
    GTEST_SKIP() << "this CPU has no AVX2/FMA";
  for (int order = 2; order <= 13; ++order) {
    ForceBaselineVectors(true);
    RealFft* base = RealFft::Create(order);
    ForceBaselineVectors(false);
    RealFft* wide = RealFft::Create(order);
    const int n = 1 << order;
    const std::vector<double> x = resamptest::Noise(n, static_cast<unsigned>(order));
    std::vector<double> re[2], im[2], back[2];
    RealFft* ffts[2] = { base, wide };
    for (int v = 0; v < 2; ++v) {
      re[v].resize(n / 2);
      im[v].resize(n / 2);
      back[v].resize(n);
      ffts[v]->ForwardSplit(x.data(), re[v].data(), im[v].data());
      ffts[v]->InverseSplit(re[v].data(), im[v].data(), back[v].data());
    }
    for (int k = 0; k < n / 2; ++k) {
      EXPECT_NEAR(re[1][k], re[0][k], 1e-13 * n) << "order " << order << " bin " << k;
      EXPECT_NEAR(im[1][k], im[0][k], 1e-13 * n) << "order " << order << " bin " << k;
    }
    for (int i = 0; i < n; ++i)
      EXPECT_NEAR(back[1][i], back[0][i], 1e-13 * n) << "order " << order << " sample " << i;
    RealFft::Destroy(base);
    RealFft::Destroy(wide);
  }
}
