// The oversampler on its own: the latency measurement's limit, factor selection, rebuild rules, bounded blocks.
#include "effect/Oversampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

namespace {

constexpr int kBlock = 512;

// Runs one stereo block through the oversampler with the chain replaced by a copy; returns the down length.
int RoundTrip(Oversampler& os, std::vector<double>& L, std::vector<double>& R, int n, int channels = 2)
{
  double* in[2] = {L.data(), R.data()};
  const int up = os.Up(in, n, channels);
  for (int c = 0; c < channels; ++c)
    for (int i = 0; i < up; ++i) os.DownIn()[c][i] = os.UpOut()[c][i];
  return os.Down(up, channels);
}

} // namespace

// The latency is twice the silent calls before a first output, over the factor; a resampler that never answers
// within the limit has none. Either way the resampler is cleared afterwards.
TEST(Oversampler, LatencyMeasurementCountsTheCallsBeforeTheFirstOutputAndGivesUpAtItsLimit)
{
  struct Late : resamp::CDSPProcessor
  {
    int answerAt = 0, calls = 0, clears = 0;
    double sample = 0.0;
    int GetLatency() const override { return 0; }
    double GetLatencyFrac() const override { return 0.0; }
    int GetMaxOutLen(int) const override { return 1; }
    void Clear() override { ++clears; }
    int Process(double*, int, double*& out) override
    {
      out = &sample;
      return ++calls == answerAt ? 1 : 0;
    }
  };
  const int kMax = Oversampler::kMaxMeasureCalls;
  // The call that answers first and the factor; the latency and the calls made.
  const int cases[][4] = {{1, 2, 0, 1},   {2, 2, 1, 2},     {8, 2, 7, 8},
                          {8, 4, 3, 8},   {kMax, 16, (kMax - 1) / 8, kMax},
                          {kMax + 1, 2, 0, kMax}, {-1, 2, 0, kMax}};
  for (const auto& c : cases)
  {
    Late late;
    late.answerAt = c[0];
    EXPECT_EQ(Oversampler::MeasureLatency(late, c[1]), c[2]) << c[0] << " " << c[1];
    EXPECT_EQ(late.calls, c[3]) << c[0];
    EXPECT_EQ(late.clears, 1) << c[0];
  }
}

// Before its first build an oversampler runs the host rate only: its shape holds no channel, rate, piece or
// room (-1 for the rate and the piece, as after a release), no factor can be selected, it takes no samples and no
// set can be built for its shape.
TEST(Oversampler, NeverBuiltItRunsTheHostRateOnly)
{
  Oversampler stereo; // built, it moves only the channels asked for
  stereo.Build(2, 2, kBlock, 2, 2, 2, 48000.0);
  std::vector<double> one(kBlock, 0.5), other(one);
  ASSERT_EQ(RoundTrip(stereo, one, other, kBlock, 1), kBlock);
  EXPECT_NE(stereo.DownOut()[0], nullptr);
  EXPECT_EQ(stereo.DownOut()[1], nullptr);
  Oversampler os;
  const Oversampler::Shape shape = os.CurrentShape();
  EXPECT_EQ(shape.nIn, 0);
  EXPECT_EQ(shape.nOut, 0);
  EXPECT_EQ(shape.piece, -1);
  EXPECT_EQ(shape.sampleRate, -1.0);
  EXPECT_EQ(shape.upCapacity, 0);
  Oversampler released;
  released.Build(2, 4, kBlock, 4, 2, 2, 48000.0);
  released.Release();
  EXPECT_TRUE(released.CurrentShape() == shape);
  EXPECT_EQ(released.BlockSize(), -1);
  EXPECT_EQ(released.Factor(), 1);
  os.SetFactor(2);
  EXPECT_EQ(os.Factor(), 1);
  EXPECT_EQ(os.Latency(), 0);
  EXPECT_EQ(os.MaxLatency(), 0);
  EXPECT_EQ(os.BlockSize(), -1);
  EXPECT_EQ(Oversampler::BuildFactorSet(os.CurrentShape(), 2), nullptr);
  std::vector<double> L(kBlock, 0.5), R(L);
  double* in[2] = {L.data(), R.data()};
  EXPECT_EQ(os.Up(in, kBlock, 2), 0);
  EXPECT_EQ(os.Down(2 * kBlock, 2), 0);
}

// A set made empty names no factor and holds no latency and no resamplers: a switch never takes it, even for the
// running shape, but switches with the oversampler's own resamplers and measured latency and leaves it empty.
TEST(Oversampler, AnEmptySetIsNeverTaken)
{
  auto empty = std::make_unique<Oversampler::FactorSet>();
  EXPECT_EQ(empty->factor, 0);
  EXPECT_EQ(empty->latency, 0);
  Oversampler os;
  os.Build(1, 4, kBlock, 4, 2, 2, 48000.0);
  const int latency = os.LatencyOf(2);
  ASSERT_GT(latency, 0);
  Oversampler mono;
  mono.Build(1, 4, kBlock, 1, 1, 1, 48000.0);
  EXPECT_EQ(mono.LatencyOf(2), latency); // measured the same with a single output
  const auto monoSet = Oversampler::BuildFactorSet(mono.CurrentShape(), 2);
  ASSERT_TRUE(monoSet);
  EXPECT_EQ(monoSet->latency, latency);
  for (int factor : {1, 3, 0}) EXPECT_EQ(Oversampler::BuildFactorSet(mono.CurrentShape(), factor), nullptr) << factor;
  Oversampler plain; // built for the host rate alone: never switches up
  plain.Build(1, 1, kBlock, 2, 2, 2, 48000.0);
  plain.SetFactor(2);
  EXPECT_EQ(plain.Factor(), 1);
  empty->shape = os.CurrentShape();
  os.SetFactor(2, empty);
  EXPECT_EQ(os.Factor(), 2);
  EXPECT_EQ(os.Latency(), latency);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->latency, 0);
  EXPECT_EQ(empty->up[0], nullptr);
  EXPECT_EQ(empty->down[0], nullptr);
  std::vector<double> L(kBlock, 0.25), R(L);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(RoundTrip(os, L, R, kBlock), kBlock);
  EXPECT_NEAR(os.DownOut()[1][kBlock - 1], 0.25, 1e-6);
}

// Each factor of the table has its own latency in host samples, measured at the build and the same at every rate,
// whichever factor runs and however many channels there are; a set built on its own for a factor measures the
// same. Factors outside the table have none, and the largest is the one of factor 16.
TEST(Oversampler, EachFactorReportsItsMeasuredLatency)
{
  const int factors[] = {2, 4, 8, 16}, latencies[] = {389, 397, 399, 400};
  for (double rate : {22050.0, 44100.0, 96000.0})
    for (int channels : {1, 2})
    {
      Oversampler os;
      os.Build(2, 16, kBlock, channels, channels, 2, rate);
      for (int factor : {0, 1, 3, 32}) EXPECT_EQ(os.LatencyOf(factor), 0) << factor;
      for (int i = 0; i < 4; ++i)
      {
        SCOPED_TRACE(testing::Message() << rate << " x" << factors[i] << " channels " << channels);
        EXPECT_EQ(os.LatencyOf(factors[i]), latencies[i]);
        const auto set = Oversampler::BuildFactorSet(os.CurrentShape(), factors[i]);
        ASSERT_TRUE(set);
        EXPECT_EQ(set->latency, latencies[i]);
        os.SetFactor(factors[i]);
        EXPECT_EQ(os.Latency(), latencies[i]);
      }
      EXPECT_EQ(os.MaxLatency(), 400) << rate;
    }
}

// A switch takes a set built elsewhere only when it was built for the running shape in every respect: one built
// for another rate, piece, channel count or room stays with the caller and the switch clears its own resamplers.
TEST(Oversampler, ASetBuiltForAnotherShapeIsNeverTaken)
{
  Oversampler os;
  os.Build(1, 4, kBlock, 2, 2, 2, 48000.0);
  const Oversampler::Shape running = os.CurrentShape();
  std::vector<Oversampler::Shape> shapes(11, running);
  shapes[1].sampleRate = 44100.0;
  shapes[2].piece = kBlock / 2;
  shapes[3].piece = kBlock * 2;
  shapes[4].nIn = 1;
  shapes[5].nIn = 4;
  shapes[6].nOut = 1;
  shapes[7].nOut = 4;
  shapes[8].upCapacity /= 2;
  shapes[9].upCapacity *= 2;
  shapes[10].nIn = shapes[10].nOut = 1;
  for (size_t i = 0; i < shapes.size(); ++i)
  {
    auto fresh = Oversampler::BuildFactorSet(shapes[i], 2);
    ASSERT_TRUE(fresh);
    const void* built = fresh->up[0];
    os.SetFactor(2, fresh);
    EXPECT_EQ(os.Factor(), 2);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->up[0] == built, i > 0) << i; // only the set of the running shape is taken
    os.SetFactor(1);
  }
}

// Empty or negative lengths take nothing in either direction: the stream goes on as if they had not been asked.
TEST(Oversampler, EmptyOrNegativeLengthsMoveNothing)
{
  Oversampler a, b;
  a.Build(4, 4, kBlock, 2, 2, 2, 48000.0);
  b.Build(4, 4, kBlock, 2, 2, 2, 48000.0);
  std::vector<double> L(kBlock), R(kBlock);
  for (int block = 0; block < 6; ++block)
  {
    for (int i = 0; i < kBlock; ++i)
    {
      L[size_t(i)] = std::sin(0.05 * (block * kBlock + i));
      R[size_t(i)] = 0.5 * std::cos(0.013 * (block * kBlock + i));
    }
    double* in[2] = {L.data(), R.data()};
    for (int n : {0, -4})
    {
      EXPECT_EQ(b.Up(in, n, 2), 0) << n;
      EXPECT_EQ(b.Down(n, 2), 0) << n;
    }
    ASSERT_EQ(RoundTrip(a, L, R, kBlock), RoundTrip(b, L, R, kBlock));
    for (int c = 0; c < 2; ++c)
      ASSERT_EQ(std::vector<double>(a.DownOut()[c], a.DownOut()[c] + kBlock),
                std::vector<double>(b.DownOut()[c], b.DownOut()[c] + kBlock)) << block << " " << c;
  }
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

// The resamplers are built for pieces of the announced block size, of at least one frame and at most the largest
// piece; a longer block goes up only as far as one piece, an empty or negative one not at all. The largest factor
// may be up to 16: a build asking for more changes nothing, whether the oversampler was built before or not.
TEST(Oversampler, BuildKeepsThePieceAndTheLargestFactorWithinBounds)
{
  const int kMax = 8192; // the largest piece
  const std::tuple<int, int> pieces[] = {{1 << 24, kMax}, {kMax + 1, kMax}, {kMax, kMax}, {2, 2},
                                         {1, 1},         {0, 1},           {-3, 1}};
  for (const auto& [announced, piece] : pieces)
  {
    Oversampler os;
    os.Build(4, 4, announced, 4, 2, 2, 48000.0);
    EXPECT_EQ(os.BlockSize(), piece) << announced;
    EXPECT_EQ(os.Factor(), 4) << announced;
    std::vector<double> L(static_cast<size_t>(kMax) * 2, 0.1), R(L);
    double* in[2] = {L.data(), R.data()};
    EXPECT_EQ(os.Up(in, piece + 1, 2), 4 * piece) << announced;
    EXPECT_EQ(os.Up(in, 0, 2), 0) << announced;
    EXPECT_EQ(os.Up(in, -5, 2), 0) << announced;
  }
  Oversampler os;
  os.Build(16, 16, kBlock, 4, 2, 2, 48000.0);
  EXPECT_EQ(os.Factor(), 16);
  EXPECT_GT(os.Latency(), 0);
  os.Build(2, 17, kBlock / 2, 4, 2, 2, 44100.0);
  EXPECT_EQ(os.Factor(), 16);
  EXPECT_EQ(os.BlockSize(), kBlock);
  Oversampler never;
  never.Build(2, 17, kBlock, 4, 2, 2, 48000.0);
  EXPECT_EQ(never.Factor(), 1);
  EXPECT_EQ(never.BlockSize(), -1);
  never.SetFactor(4); // nothing built: the host rate stays
  EXPECT_EQ(never.Factor(), 1);
  EXPECT_EQ(Oversampler().Factor(), 1);
  for (int factor : {0, 3, -2}) // not in the table: the host rate runs
  {
    Oversampler odd;
    odd.Build(factor, 4, kBlock, 2, 2, 2, 48000.0);
    EXPECT_EQ(odd.Factor(), 1) << factor;
    EXPECT_EQ(odd.Latency(), 0) << factor;
  }
  // Channel counts are kept within 0 and the largest; without an output channel no latency is measured, and
  // without a channel nothing goes up or down.
  const int kMaxCh = Oversampler::kMaxChannels;
  const std::tuple<int, int, int, int> channels[] = {
      {-1, -2, 0, 0}, {0, 0, 0, 0}, {2, 0, 2, 0}, {0, 1, 0, 1}, {kMaxCh + 1, kMaxCh + 4, kMaxCh, kMaxCh}};
  for (const auto& [nIn, nOut, keptIn, keptOut] : channels)
  {
    Oversampler built;
    built.Build(2, 2, kBlock, nIn, nOut, 2, 48000.0);
    EXPECT_EQ(built.CurrentShape().nIn, keptIn) << nIn;
    EXPECT_EQ(built.CurrentShape().nOut, keptOut) << nOut;
    EXPECT_EQ(built.Latency() > 0, keptOut > 0) << nOut;
    std::vector<double> L(kBlock, 0.1), R(L);
    double* in[2] = {L.data(), R.data()};
    EXPECT_EQ(built.Up(in, kBlock, 2) > 0, keptIn > 0) << nIn;
    if (keptOut == 0) { EXPECT_EQ(built.Down(2 * kBlock, 2), 0) << nOut; }
    EXPECT_EQ(built.Down(2 * kBlock, 0), 0) << nOut;
  }
}

TEST(Oversampler, HostSamplesThatAreNotFiniteNeverReachTheResamplers)
{
  Oversampler os;
  os.Build(2, 4, kBlock, 4, 2, 2, 48000.0);
  std::vector<double> L(kBlock, NAN), R(kBlock, INFINITY);
  for (int b = 0; b < 4; ++b)
  {
    const int returned = RoundTrip(os, L, R, kBlock);
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < returned; ++i) ASSERT_TRUE(std::isfinite(os.DownOut()[c][i])) << b << " " << c << " " << i;
  }
  std::vector<double> ok(kBlock, 0.0);
  for (int b = 0; b < 4; ++b) ASSERT_EQ(RoundTrip(os, ok, ok, kBlock), kBlock);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kBlock; ++i) EXPECT_TRUE(std::isfinite(os.DownOut()[c][i]));
}

// A clear (a reset, or a switch to another factor) starts the resamplers from silence, as if they had run on it
// for ever: every block returns whole and nothing of the signal before it comes out, whatever the block size and
// the number of channels.
TEST(Oversampler, AClearLeavesNothingOfTheSignalBefore)
{
  for (int block : {16, 100, kBlock})
    for (int factor : {2, 4})
      for (int channels : {1, 2})
      {
        Oversampler os;
        os.Build(factor, 4, block, channels, channels, 2, 48000.0);
        std::vector<double> loud(static_cast<size_t>(block), 0.5), quiet(static_cast<size_t>(block), 0.0);
        for (int b = 0; b < 8; ++b) RoundTrip(os, loud, loud, block, channels);
        os.Clear();
        for (int b = 0; b < 8; ++b)
        {
          const int returned = RoundTrip(os, quiet, quiet, block, channels);
          ASSERT_EQ(returned, block) << block << " " << factor << " " << channels << " " << b;
          for (int c = 0; c < channels; ++c)
            for (int i = 0; i < returned; ++i)
              ASSERT_LT(std::fabs(os.DownOut()[c][i]), 1e-20) << block << " " << factor << " " << b << " " << i;
        }
      }
}

// Two oversamplers built for different factors, rates and block sizes trade everything: what each reports, the
// resamplers that run (a steady level goes on through them at the right up length, also once the other one is
// gone), the largest factor each accepts, and the block size and rate a later build is compared with. One that
// was never built takes everything from a built one and leaves it as if never built.
TEST(Oversampler, SwapTradesEverythingBuiltAndSelected)
{
  std::vector<double> L(kBlock, 0.25), R(kBlock, -0.25);
  auto expectSteady = [&](Oversampler& os, int factor, int n) {
    SCOPED_TRACE(factor);
    double* in[2] = {L.data(), R.data()};
    const int up = os.Up(in, n, 2);
    EXPECT_EQ(up, factor * n);
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < up; ++i) os.DownIn()[c][i] = os.UpOut()[c][i];
    ASSERT_EQ(os.Down(up, 2), n);
    EXPECT_NEAR(os.DownOut()[0][n - 1], 0.25, 1e-6);
    EXPECT_NEAR(os.DownOut()[1][n - 1], -0.25, 1e-6);
  };
  Oversampler a;
  a.Build(4, 4, kBlock, 4, 2, 2, 48000.0);
  const Oversampler::Shape shapeA = a.CurrentShape();
  const int latencyA = a.Latency();
  for (int i = 0; i < 4; ++i) RoundTrip(a, L, R, kBlock);
  Oversampler::Shape shapeB;
  int latencyB = 0;
  {
    Oversampler b;
    b.Build(2, 2, kBlock / 2, 4, 2, 2, 44100.0);
    shapeB = b.CurrentShape();
    latencyB = b.Latency();
    ASSERT_NE(latencyA, latencyB);
    for (int i = 0; i < 4; ++i) RoundTrip(b, L, R, kBlock / 2);
    a.Swap(b);
    EXPECT_TRUE(b.CurrentShape() == shapeA);
    EXPECT_EQ(b.Factor(), 4);
    EXPECT_EQ(b.BlockSize(), kBlock);
    EXPECT_EQ(b.Latency(), latencyA);
    expectSteady(b, 4, kBlock);
    b.Build(4, 4, kBlock / 2, 4, 2, 2, 48000.0); // a block size new to it now: built again
    EXPECT_EQ(b.BlockSize(), kBlock / 2);
  } // b goes, with what a had before

  EXPECT_TRUE(a.CurrentShape() == shapeB);
  EXPECT_EQ(a.Factor(), 2);
  EXPECT_EQ(a.BlockSize(), kBlock / 2);
  EXPECT_EQ(a.Latency(), latencyB);
  expectSteady(a, 2, kBlock / 2);
  a.SetFactor(4); // above the largest factor a now accepts
  EXPECT_EQ(a.Factor(), 2);

  Oversampler never;
  never.Swap(a);
  EXPECT_EQ(never.Latency(), latencyB);
  EXPECT_EQ(never.BlockSize(), kBlock / 2);
  expectSteady(never, 2, kBlock / 2);
  EXPECT_EQ(a.Factor(), 1);
  EXPECT_EQ(a.BlockSize(), Oversampler().BlockSize());
  EXPECT_EQ(a.MaxLatency(), 0);
  a.Build(2, 2, kBlock, 4, 2, 2, 44100.0); // a block size new to it now: built again
  EXPECT_EQ(a.BlockSize(), kBlock);
  expectSteady(a, 2, kBlock);
}
