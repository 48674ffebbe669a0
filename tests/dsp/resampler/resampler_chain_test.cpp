#include "resampler/resampler.h"
#include "golden_text.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace resamp;

namespace {

struct RatePair { double src, dst; const char* kind; };

// One pair for every kind of chain the constructor builds.
const RatePair kChains[] = {
  { 44100, 88200, "up 2: convolver" },
  { 44100, 176400, "up 4: convolver, half-band" },
  { 44100, 705600, "up 16: convolver, three half-bands" },
  { 44100, 132300, "up 3: convolver" },
  { 44100, 529200, "up 12: convolver by 3, two half-bands" },
  { 88200, 44100, "down 2: convolver" },
  { 176400, 44100, "down 4: half-band, convolver" },
  { 705600, 44100, "down 16: three half-bands, convolver" },
  { 132300, 44100, "down 3: convolver" },
  { 529200, 44100, "down 12: half-bands, convolver by 3" },
  { 44100, 2822400, "up 64: convolver, five half-bands" },
  { 2822400, 44100, "down 64: five half-bands, convolver" },
  { 48000, 32000, "3:2" },
  { 32000, 48000, "2:3" },
  { 48000, 36000, "4:3" },
  { 96000, 44100, "down by 2 and a fraction: convolver, interpolator" },
  { 400000, 44100, "down by 9 and a fraction: half-bands, convolver, interpolator" },
  { 44100, 48000, "other: convolver, interpolator in whole steps" },
  { 48000, 44100, "other, down by less than 2" },
  { 44100, 48000.5, "other: interpolator in the general mode" },
  { 48000, 48000, "equal rates" },
};

} // namespace

// Checked right after construction, before any block could overrun them: each stage's buffer holds the most that
// stage may write for the largest block the chain takes, the two buffers do not overlap, and both lie inside the
// memory actually allocated for them.
TEST(ResamplerChain, TheChainsBuffersHoldTheMostEachStageMayWriteAndLieInsideTheirAllocation)
{
  for (const RatePair& p : kChains)
    for (int maxIn : { 1, 5, 64, 300, 1024 }) {
      CDSPResampler24_44k r(p.src, p.dst, maxIn);
      if (r.StageCount() == 0)
        continue;
      int most = maxIn;
      for (int i = 0; i < r.StageCount(); ++i) {
        most = r.Stage(i)->GetMaxOutLen(most);
        ASSERT_GE(r.BufferLength(i), most) << p.kind << ", blocks of " << maxIn << ": stage " << i << "'s buffer";
      }
      const char* block = static_cast<const char*>(r.BufferBlock());
      ASSERT_NE(block, nullptr) << p.kind;
      const char* blockEnd = block + malloc_usable_size(const_cast<void*>(r.BufferBlock()));
      const char* begin[2];
      const char* end[2];
      for (int b = 0; b < 2; ++b) {
        begin[b] = reinterpret_cast<const char*>(r.Buffer(b));
        end[b] = begin[b] + sizeof(double) * size_t(r.BufferLength(b));
        EXPECT_TRUE(begin[b] >= block && end[b] <= blockEnd)
          << p.kind << ", blocks of " << maxIn << ": buffer " << b << " runs outside its allocation";
      }
      if (r.BufferLength(1) > 0) {
        EXPECT_TRUE(end[0] <= begin[1] || end[1] <= begin[0]) << p.kind << ", blocks of " << maxIn
                                                              << ": the two buffers overlap";
      }
    }
}

TEST(ResamplerChain, EqualRatesPassTheInputPointerThrough)
{
  CDSPResampler24_44k r(48000, 48000, 64);
  double in[64] = {};
  double* out = nullptr;
  EXPECT_EQ(r.Process(in, 64, out), 64);
  EXPECT_EQ(out, in);
}

TEST(ResamplerChain, OutputDoesNotDependOnHowTheInputIsSplitIntoBlocks)
{
  const int maxIn = 300;
  for (const RatePair& p : kChains) {
    const std::vector<double> x = resamptest::Noise(static_cast<int>(std::max(6000.0, 30000.0 * p.src / p.dst)), 5);
    CDSPResampler24_44k whole(p.src, p.dst, maxIn);
    const std::vector<double> ref = resamptest::Run(whole, x, maxIn, maxIn);
    for (unsigned seed : { 1u, 2u, 3u }) {
      CDSPResampler24_44k split(p.src, p.dst, maxIn);
      const std::vector<double> y = resamptest::Run(split, x, maxIn, 0, seed);
      ASSERT_EQ(y.size(), ref.size()) << p.kind;
      double worst = 0.0;
      for (size_t i = 0; i < y.size(); ++i)
        worst = std::max(worst, std::fabs(y[i] - ref[i]));
      EXPECT_LT(worst, 1e-12) << p.kind;
    }
    EXPECT_GT(ref.size(), x.size() * p.dst / p.src * 0.5) << p.kind;
  }
}

TEST(ResamplerChain, EveryBlockLengthGivesAtMostTheMaximumOutput)
{
  for (const RatePair& p : kChains) {
    CDSPResampler24_44k r(p.src, p.dst, 1024);
    std::vector<double> in = resamptest::Noise(1024, 9);
    for (int len : { 0, 1, 2, 3, 255, 256, 257, 1000, 1024, 7, 1024 }) {
      double* out = nullptr;
      EXPECT_LE(r.Process(in.data(), len, out), r.GetMaxOutLen(len)) << p.kind;
    }
  }
}

// Each stage, driven on its own with blocks of every size up to the chain's maximum, writes no more than it
// promised and no more than the buffer the chain sized for it: a buffer too small is named here, stage by stage,
// rather than found by what its overrun destroys.
TEST(ResamplerChain, EveryStageFitsTheBufferTheChainSizedForIt)
{
  for (const RatePair& p : kChains)
    for (int maxIn : { 1, 5, 300 }) {
      CDSPResampler24_44k r(p.src, p.dst, maxIn);
      const std::vector<double> x = resamptest::Noise(static_cast<int>(std::max(3000.0, 6000.0 * p.src / p.dst)), 3);
      std::vector<double> scratch[2];
      for (std::vector<double>& s : scratch)
        s.resize(size_t(16 * r.GetMaxOutLen(maxIn) + 4096));
      std::mt19937 rng(maxIn);
      for (size_t pos = 0; pos < x.size();) {
        int len = std::min(static_cast<int>(x.size() - pos), std::uniform_int_distribution<int>(1, maxIn)(rng));
        double* cur = const_cast<double*>(x.data() + pos);
        pos += size_t(len);
        for (int i = 0; i < r.StageCount(); ++i) {
          double* out = scratch[i & 1].data();
          const int promised = r.Stage(i)->GetMaxOutLen(len);
          len = r.Stage(i)->Process(cur, len, out);
          ASSERT_LE(len, promised) << p.kind << ": stage " << i << " wrote more than it promised";
          ASSERT_LE(len, r.BufferLength(i)) << p.kind << ": the chain's buffer for stage " << i << " is too small";
          cur = out;
        }
      }
    }
}

TEST(ResamplerChain, ABlockLongerThanTheMaximumIsCutToTheMaximum)
{
  CDSPResampler24_44k r(44100, 176400, 64);
  std::vector<double> in(1000, 0.5);
  int total = 0;
  for (int b = 0; b < 40; ++b) {
    double* out = nullptr;
    const int got = r.Process(in.data(), 1000, out);
    EXPECT_LE(got, r.GetMaxOutLen(64));
    total += got;
  }
  EXPECT_LE(total, 40 * 64 * 4);
  EXPECT_GT(total, 0);
}

TEST(ResamplerChain, AfterClearSingleZeroSamplesGiveNothingForTheSameNumberOfCalls)
{
  for (const RatePair& p : kChains) {
    if (p.src == p.dst)
      continue;
    CDSPResampler24_44k r(p.src, p.dst, 16);
    int counts[2];
    for (int round = 0; round < 2; ++round) {
      r.Clear();
      double zero = 0.0;
      int n = 0;
      for (;; ++n) {
        double* out = nullptr;
        if (r.Process(&zero, 1, out) > 0)
          break;
        ASSERT_LT(n, 100000) << p.kind;
      }
      counts[round] = n;
    }
    EXPECT_EQ(counts[0], counts[1]) << p.kind;
    EXPECT_GT(counts[0], 0) << p.kind;
  }
}

// A chain of half-band stages and a convolver hands every stage the output of the one before from the start of
// that output's own ringing (its filters answer a signal's start ahead of it): a fresh chain puts out exactly what
// one that has run on silence puts out for the same signal, from its first output on.
TEST(ResamplerChain, AFreshChainSoundsAsOneThatHeardSilence)
{
  for (const RatePair& p : kChains) {
    const double ratio = p.dst / p.src;
    const int whole = ratio >= 1.0 ? static_cast<int>(ratio) : static_cast<int>(1.0 / ratio);
    if (p.src == p.dst || (whole != ratio && whole != 1.0 / ratio))
      continue; // whole-number ratios only: silence of any length puts the other ones at another phase
    const int down = std::max(1, static_cast<int>(1.0 / ratio));
    const int silence = 4096 * down;
    std::vector<double> x = resamptest::Noise(3000 * down, 11); // then a step
    x.insert(x.end(), 1000 * down, 0.5);
    std::vector<double> padded(silence, 0.0);
    padded.insert(padded.end(), x.begin(), x.end());
    CDSPResampler24_44k fresh(p.src, p.dst, 512), heard(p.src, p.dst, 512);
    const std::vector<double> y = resamptest::Run(fresh, x, 512, 0, 3);
    const std::vector<double> z = resamptest::Run(heard, padded, 512, 0, 4);
    const size_t skip = static_cast<size_t>(std::lround(silence * ratio));
    ASSERT_GT(y.size(), 1000u) << p.kind;
    ASSERT_EQ(z.size(), y.size() + skip) << p.kind;
    double worst = 0.0;
    for (size_t j = 0; j < y.size(); ++j)
      worst = std::max(worst, std::fabs(y[j] - z[j + skip]));
    EXPECT_LT(worst, 1e-12) << p.kind;
  }
}

namespace {

/// How many output samples y[from, to) lags behind a tone of cyclesPerOutput that starts at `phase` at output
/// sample 0 (within half the tone's period): a least-squares fit of a sine and a cosine gives y's phase.
double ToneDelay(const std::vector<double>& y, size_t from, size_t to, double cyclesPerOutput, double phase)
{
  double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
  for (size_t k = from; k < to; ++k) {
    const double s = std::sin(2.0 * M_PI * cyclesPerOutput * double(k));
    const double c = std::cos(2.0 * M_PI * cyclesPerOutput * double(k));
    ss += s * s;
    sc += s * c;
    cc += c * c;
    ys += y[k] * s;
    yc += y[k] * c;
  }
  const double det = ss * cc - sc * sc;
  const double sineWeight = (ys * cc - yc * sc) / det, cosineWeight = (yc * ss - ys * sc) / det;
  double lag = (phase - std::atan2(cosineWeight, sineWeight)) / (2.0 * M_PI);
  lag -= std::round(lag);
  return lag / cyclesPerOutput;
}

} // namespace

// Chains beyond the effect's 2x and 4x, by whole numbers and by uneven ratios, put their output exactly at the
// latency they report, in output samples: an impulse's peak lies within half a sample of its place on the output
// rate (which tells whole samples apart), and a tone's phase says where within the sample.
TEST(ResamplerChain, BeyondFourTimesAndAtUnevenRatiosTheOutputLiesExactlyAtTheReportedLatency)
{
  const RatePair chains[] = {
    { 44100, 352800, "up 8" }, { 44100, 705600, "up 16" }, { 44100, 264600, "up 6" }, { 44100, 529200, "up 12" },
    { 352800, 44100, "down 8" }, { 705600, 44100, "down 16" }, { 529200, 44100, "down 12" },
    { 96000, 44100, "down by 2 and a fraction" }, { 400000, 44100, "down by 9 and a fraction" },
    { 44100, 48000, "44.1 to 48 kHz" }, { 48000, 44100, "48 to 44.1 kHz" }, { 44100, 48000.5, "general mode" },
    { 48000, 32000, "3:2" }, { 32000, 48000, "2:3" },
  };
  constexpr int kImpulseAt = 2000;
  for (const RatePair& p : chains) {
    SCOPED_TRACE(p.kind);
    const double ratio = p.dst / p.src;
    CDSPResampler24_44k r(p.src, p.dst, 512);
    const double reported = r.GetLatency() + r.GetLatencyFrac();
    const int length = static_cast<int>(std::max(8000.0, 8000.0 / ratio));
    std::vector<double> impulse(length, 0.0);
    impulse[kImpulseAt] = 1.0;
    const std::vector<double> y = resamptest::Run(r, impulse, 512, 512);
    size_t peak = 0;
    for (size_t k = 0; k < y.size(); ++k)
      if (std::fabs(y[k]) > std::fabs(y[peak]))
        peak = k;
    EXPECT_LE(std::fabs(double(peak) - (kImpulseAt * ratio + reported)), 0.5 + 1e-9);
    r.Clear();
    const double cyclesPerInput = 0.1 * std::min(1.0, ratio);
    const std::vector<double> z = resamptest::Run(r, resamptest::Sine(length, cyclesPerInput, 1.0, 0.3), 512, 512);
    EXPECT_NEAR(ToneDelay(z, z.size() / 4, z.size() * 3 / 4, cyclesPerInput / ratio, 0.3), reported, 1e-3);
  }
}

// Silence in gives exact zeros out, from a fresh chain and after Clear following a loud signal: nothing of the
// earlier signal, and no value Clear leaves behind, reaches the output.
TEST(ResamplerChain, SilenceComesOutAsExactZerosFreshAndAfterClear)
{
  const std::vector<double> silence(16384, 0.0);
  for (const RatePair& p : kChains) {
    CDSPResampler24_44k r(p.src, p.dst, 256);
    for (int round = 0; round < 2; ++round) {
      if (round == 1) {
        resamptest::Run(r, resamptest::Noise(3000, 4), 256, 256);
        r.Clear();
      }
      const std::vector<double> y = resamptest::Run(r, silence, 256, 256);
      ASSERT_FALSE(y.empty()) << p.kind;
      EXPECT_EQ(std::count(y.begin(), y.end(), 0.0), static_cast<long>(y.size())) << p.kind << ", round " << round;
    }
  }
}

// What each kind of chain costs in delay, against a recorded reference (tests/dsp/resampler/golden): its stages,
// the inputs it takes before its first output, and its fractional latency. A filter longer or shorter than
// before, or a stage of the wrong kind, shows here.
TEST(ResamplerChain, EachChainsStagesAndStartDelayMatchTheRecording)
{
  std::vector<std::string> lines;
  for (const RatePair& p : kChains) {
    CDSPResampler24_44k r(p.src, p.dst, 64);
    int start = -1;
    double zero = 0.0;
    for (int i = 0; i < 100000 && start < 0; ++i) {
      double* out = nullptr;
      if (r.Process(&zero, 1, out) > 0)
        start = i;
    }
    lines.push_back(std::string(p.kind) + ": " + std::to_string(r.StageCount()) + " stages, " +
      std::to_string(start) + " inputs before the first output, fraction " + goldentext::Num(r.GetLatencyFrac()));
  }
  const std::string differences =
    goldentext::Compare(std::string(DROVIK_RESAMPLER_GOLDEN_DIR) + "/chain_delays.txt", goldentext::Joined(lines));
  EXPECT_TRUE(differences.empty()) << differences;
}

// A host may hand an empty block at any time: it gives nothing and leaves what follows as if it had not come.
TEST(ResamplerChain, AnEmptyBlockGivesNothingAndChangesNothingAfterIt)
{
  constexpr int kBlock = 37;
  for (const RatePair& p : kChains) {
    const std::vector<double> x = resamptest::Noise(3000, 11);
    CDSPResampler24_44k plain(p.src, p.dst, kBlock);
    const std::vector<double> ref = resamptest::Run(plain, x, kBlock, kBlock);
    CDSPResampler24_44k gapped(p.src, p.dst, kBlock);
    std::vector<double> in(x);
    std::vector<double> y;
    for (size_t pos = 0; pos < in.size(); pos += kBlock) {
      double* out = nullptr;
      EXPECT_EQ(gapped.Process(in.data() + pos, 0, out), 0) << p.kind << " at " << pos;
      const int n = static_cast<int>(std::min<size_t>(kBlock, in.size() - pos));
      const int got = gapped.Process(in.data() + pos, n, out);
      y.insert(y.end(), out, out + got);
    }
    ASSERT_EQ(y.size(), ref.size()) << p.kind;
    for (size_t i = 0; i < y.size(); ++i)
      ASSERT_EQ(y[i], ref[i]) << p.kind << " at " << i;
  }
}
