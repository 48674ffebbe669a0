// Audio through the loaded bundle: with default settings the output is the input bit for bit in both
// precisions (separate and in-place buffers, any block size, processing or bypassed).
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
