// Resamplers built, used and destroyed on several threads at once share the process-wide caches safely.
#include "resampler/resampler.h"
#include "resampler/vector_isa.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <thread>

using namespace resamp;

// Nothing in this program forces the baseline kernels, so objects get the best the CPU has.
TEST(ResamplerThreads, KernelsAreTheWidestTheCpuHasUnlessTheBaselineIsForced)
{
  __builtin_cpu_init();
  const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  EXPECT_EQ(ChosenVectorIsa(), wide ? VectorIsa::kWide : VectorIsa::kBaseline);
  ForceBaselineVectors(true);
  EXPECT_EQ(ChosenVectorIsa(), VectorIsa::kBaseline);
  ForceBaselineVectors(false);
}

TEST(ResamplerThreads, ChainsBuiltOnSeveralThreadsAtOnceGiveTheSameOutput)
{
  const double pairs[][2] = { { 44100, 88200 }, { 44100, 176400 }, { 176400, 44100 }, { 44100, 48000 },
    { 48000, 32000 }, { 96000, 44100 } };
  const std::vector<double> x = resamptest::Noise(4000, 3);
  std::vector<std::vector<double>> ref;
  for (const auto& p : pairs) {
    CDSPResampler24_44k r(p[0], p[1], 256);
    ref.push_back(resamptest::Run(r, x, 256, 256));
  }
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round) {
        for (size_t i = 0; i < ref.size(); ++i) {
          const auto& p = pairs[(i + t) % ref.size()];
          // a transition band of its own per thread and round makes some designs new, others shared
          CDSPResampler r(256, 0, p[0], p[1], round == 0 ? 8.0 : 8.0 + 0.5 * t, 124.28);
          const std::vector<double> y = resamptest::Run(r, x, 256, 256);
          if (round == 0 && y != ref[(i + t) % ref.size()])
            ++mismatches[t];
        }
      }
    });
  }
  for (auto& th : threads)
    th.join();
  for (int m : mismatches)
    EXPECT_EQ(m, 0);
}
