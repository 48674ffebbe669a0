// The oversampler on its own: the latency measurement's limit, factor selection, rebuild rules, bounded blocks.
#include "effect/Oversampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kBlock = 512;

// Runs one stereo block through the oversampler with the chain replaced by a copy; returns the down length.
int RoundTrip(Oversampler& os, std::vector<double>& L, std::vector<double>& R, int n)
{
  double* in[2] = {L.data(), R.data()};
  const int up = os.Up(in, n, 2);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < up; ++i) os.DownIn()[c][i] = os.UpOut()[c][i];
  return os.Down(up, 2);
}

} // namespace

TEST(Oversampler, LatencyMeasurementGivesUpOnAResamplerThatNeverAnswers)
{
  struct Mute : resamp::CDSPProcessor
  {
    int calls = 0;
    int GetLatency() const override { return 0; }
    double GetLatencyFrac() const override { return 0.0; }
    int GetMaxOutLen(int) const override { return 0; }
    void Clear() override {}
    int Process(double*, int, double*&) override
    {
      ++calls;
      return 0;
    }
  } mute;
  EXPECT_EQ(Oversampler::MeasureLatency(mute, 2), 0);
  EXPECT_EQ(mute.calls, Oversampler::kMaxMeasureCalls);
}

TEST(Oversampler, SameBlockSizeAndWholeRateOnlySelectsTheFactor)
{
  Oversampler os;
  os.Build(2, 4, kBlock, 4, 2, 2, 44100.0);
  std::vector<double> L(kBlock, 0.25), R(kBlock, -0.25);
  int lengths[4];
  for (int& l : lengths) l = RoundTrip(os, L, R, kBlock);
  EXPECT_EQ(lengths[3], kBlock); // steady
  os.Build(2, 4, kBlock, 4, 2, 2, 44100.7); // only the fraction differs: the stream goes on
  EXPECT_EQ(RoundTrip(os, L, R, kBlock), kBlock);
  EXPECT_NEAR(os.DownOut()[0][0], 0.25, 1e-6);
  // A new rate: built again, the resamplers hold the silence they were started with, which comes out first.
  os.Build(2, 4, kBlock, 4, 2, 2, 48000.0);
  EXPECT_EQ(RoundTrip(os, L, R, kBlock), kBlock);
  EXPECT_NEAR(os.DownOut()[0][0], 0.0, 1e-12);
}

TEST(Oversampler, AnAbsurdBlockSizeIsBuiltForPiecesOfTheLargestSize)
{
  Oversampler os;
  os.Build(4, 4, 1 << 24, 4, 2, 2, 48000.0);
  EXPECT_EQ(os.BlockSize(), Oversampler::kMaxPiece);
  EXPECT_EQ(os.Factor(), 4);
  std::vector<double> L(Oversampler::kMaxPiece * 2, 0.1), R(L);
  EXPECT_LE(RoundTrip(os, L, R, static_cast<int>(L.size())), Oversampler::kMaxPiece);
}

TEST(Oversampler, HostSamplesThatAreNotFiniteNeverReachTheResamplers)
{
  Oversampler os;
  os.Build(2, 4, kBlock, 4, 2, 2, 48000.0);
  std::vector<double> L(kBlock, NAN), R(kBlock, INFINITY);
  for (int b = 0; b < 4; ++b) RoundTrip(os, L, R, kBlock);
  std::vector<double> ok(kBlock, 0.0);
  for (int b = 0; b < 4; ++b) ASSERT_EQ(RoundTrip(os, ok, ok, kBlock), kBlock);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kBlock; ++i) EXPECT_TRUE(std::isfinite(os.DownOut()[c][i]));
}
