// Audio through the loaded bundle: with default settings the output is the input bit for bit in both
// precisions (separate and in-place buffers, any block size, processing or bypassed); switching the bypass while
// oversampling leaves no gap.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "loaded_bundle.h"

using hosttest::Instance;

namespace {
template <class T>
struct Stereo
{
  explicit Stereo(int n, unsigned seed) : in(2, std::vector<T>(n)), out(2, std::vector<T>(n, T(9)))
  {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    for (auto& ch : in)
      for (auto& s : ch)
        s = T(d(rng));
    inPtrs = {in[0].data(), in[1].data()};
    outPtrs = {out[0].data(), out[1].data()};
  }
  std::vector<std::vector<T>> in, out;
  std::vector<T*> inPtrs, outPtrs;
};

void Process(vst2::Effect* e, float** in, float** out, int n) { e->processReplacing(e, in, out, n); }
void Process(vst2::Effect* e, double** in, double** out, int n) { e->processDoubleReplacing(e, in, out, n); }
} // namespace

template <class T>
class BundleAudio : public ::testing::Test
{
};
using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(BundleAudio, SampleTypes);

TYPED_TEST(BundleAudio, DefaultsPassTheInputThroughBitForBit)
{
  for (bool bypass : {false, true})
  {
    Instance p;
    p.Call(vst2::effSetBypass, 0, bypass ? 1 : 0);
    for (int n : {1, 64, 512, 700, 4096})
    {
      Stereo<TypeParam> s(n, unsigned(n));
      Process(p.Get(), s.inPtrs.data(), s.outPtrs.data(), n);
      EXPECT_EQ(s.out, s.in) << n << " frames" << (bypass ? ", bypassed" : "");
    }
  }
}

TYPED_TEST(BundleAudio, InPlaceBuffersToo)
{
  Instance p;
  p.Call(vst2::effOpen);
  p.Call(vst2::effSetSampleRate, 0, 0, nullptr, 96000.f);
  p.Call(vst2::effMainsChanged, 0, 1);
  Stereo<TypeParam> s(333, 5);
  const auto original = s.in;
  Process(p.Get(), s.inPtrs.data(), s.inPtrs.data(), 333);
  EXPECT_EQ(s.in, original);
}

TEST(BundleAudio, ZeroOrNegativeFrameCountsAreIgnored)
{
  Instance p;
  Stereo<float> s(4, 1);
  p->processReplacing(p.Get(), s.inPtrs.data(), s.outPtrs.data(), 0);
  p->processReplacing(p.Get(), s.inPtrs.data(), s.outPtrs.data(), -5);
  EXPECT_EQ(s.out[0][0], 9.0f);
}

// Switching the bypass (the parameter or the host's request) while oversampling continues the signal: with the
// saturation off the output is the input delayed by the reported latency before, during and after the bypass,
// with no silent stretch where the bypass ends.
TEST(BundleAudio, SwitchingTheBypassWhileOversamplingLeavesNoGap)
{
  constexpr int kBypassParam = 3, kOversamplingParam = 2;
  constexpr double kRate = 48000, kPi = 3.14159265358979323846;
  for (float oversampling : {0.5f, 1.f}) // 2x, 4x
    for (int block : {512, 100})
      for (bool host : {false, true})
      {
        Instance p;
        p.SetParam(kOversamplingParam, oversampling);
        p.Call(vst2::effSetSampleRate, 0, 0, nullptr, float(kRate));
        p.Call(vst2::effSetBlockSize, 0, block);
        p.Call(vst2::effMainsChanged, 0, 1);
        const int latency = p->initialDelay;
        ASSERT_GT(latency, 0);
        const int n = 60 * block;
        std::vector<double> in(static_cast<size_t>(n)), outL(in), outR(in);
        for (int i = 0; i < n; ++i) in[size_t(i)] = 0.5 * std::sin(2 * kPi * 997.0 * i / kRate);
        auto bypass = [&](bool on) {
          if (host)
            p.Call(vst2::effSetBypass, 0, on ? 1 : 0);
          else
            p.SetParam(kBypassParam, on ? 1.f : 0.f);
        };
        for (int start = 0, b = 0; start < n; start += block, ++b)
        {
          if (b == 20 || b == 40) bypass(b == 20);
          double* ins[2] = {in.data() + start, in.data() + start};
          double* outs[2] = {outL.data() + start, outR.data() + start};
          p->processDoubleReplacing(p.Get(), ins, outs, block);
        }
        double worst = 0.0;
        for (int i = 10 * block; i < n; ++i)
          worst = std::max({worst, std::fabs(outL[size_t(i)] - in[size_t(i - latency)]),
                            std::fabs(outR[size_t(i)] - in[size_t(i - latency)])});
        EXPECT_LT(worst, 1e-3) << "oversampling " << oversampling << ", blocks of " << block
                               << (host ? ", the host's bypass" : ", the bypass parameter");
      }
}
