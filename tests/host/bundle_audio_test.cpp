// Audio through the loaded bundle: with default settings the output is the input bit for bit in both
// precisions (separate and in-place buffers, any block size, processing or bypassed); at 2x and 4x the output is
// the input delayed by exactly the reported latency from the first block on, as after a stretch of silence;
// switching the bypass or the oversampling leaves no gap beyond the latency, and the bypass's delay line follows
// every switch.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>
#include <random>
#include <string>
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

namespace {
constexpr int kOversamplingParam = 2, kBypassParam = 3, kSaturationParam = 15, kEvenDriveParam = 19,
              kOddDriveParam = 20;
constexpr float kOversampling2x = 0.5f, kOversampling4x = 1.f, kOversamplingOff = 0.f;
constexpr double kRate = 48000, kPi = 3.14159265358979323846;

/// Starts the processing at the rate and the block size, as a host does before its first block.
void Start(const Instance& p, int block, float rate = float(kRate))
{
  p.Call(vst2::effSetSampleRate, 0, 0, nullptr, rate);
  p.Call(vst2::effSetBlockSize, 0, block);
  p.Call(vst2::effMainsChanged, 0, 1);
}

/// A sine of amplitude 0.5 near 1 kHz from the first sample.
std::vector<double> Sine(int n)
{
  std::vector<double> in(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) in[size_t(i)] = 0.5 * std::sin(2 * kPi * 997.0 * i / kRate);
  return in;
}

enum class Signal
{
  kImpulse, ///< 1 at the first sample
  kStep,    ///< 0.5 from the first sample on
  kSine     ///< see Sine
};

std::vector<double> Make(Signal signal, int n)
{
  if (signal == Signal::kSine) return Sine(n);
  std::vector<double> in(static_cast<size_t>(n), signal == Signal::kStep ? 0.5 : 0.0);
  if (signal == Signal::kImpulse) in[0] = 1.0;
  return in;
}

const char* Name(Signal signal)
{
  return signal == Signal::kImpulse ? "an impulse" : (signal == Signal::kStep ? "a step" : "a sine");
}

/// How far two renders of the same input may differ and still be the same sound: the rounding of the
/// resamplers' transforms, which depends on where their blocks fall.
constexpr double kSameSound = 1e-9;

struct Rendered
{
  std::vector<double> left, right;
};

/// The input on both channels through the instance in blocks of `block` (the last one may be shorter);
/// beforeBlock(b) runs before block b.
template <class BeforeBlock>
Rendered Render(const Instance& p, const std::vector<double>& in, int block, BeforeBlock beforeBlock)
{
  const int n = int(in.size());
  Rendered out{std::vector<double>(in.size(), 9.0), std::vector<double>(in.size(), 9.0)};
  for (int start = 0, b = 0; start < n; start += block, ++b)
  {
    beforeBlock(b);
    double* ins[2] = {const_cast<double*>(in.data()) + start, const_cast<double*>(in.data()) + start};
    double* outs[2] = {out.left.data() + start, out.right.data() + start};
    p->processDoubleReplacing(p.Get(), ins, outs, std::min(block, n - start));
  }
  return out;
}

/// What an instance started by start(instance) makes of the input after it has heard a stretch of silence (a
/// few blocks, longer than any latency), in blocks of `block`: the output from the input's first frame on.
template <class Start>
Rendered AfterSilence(const std::vector<double>& in, int block, Start start)
{
  const int silence = block * ((4096 + block - 1) / block);
  std::vector<double> padded(size_t(silence) + in.size(), 0.0);
  std::copy(in.begin(), in.end(), padded.begin() + silence);
  Instance i;
  start(i);
  Rendered out = Render(i, padded, block, [](int) {});
  for (std::vector<double>* channel : {&out.left, &out.right}) channel->erase(channel->begin(), channel->begin() + silence);
  return out;
}

/// The largest difference between the output in [from, to) and another render from its start.
double WorstDifference(const Rendered& out, int from, int to, const Rendered& other)
{
  double worst = 0.0;
  for (int i = from; i < to; ++i)
    worst = std::max({worst, std::fabs(out.left[size_t(i)] - other.left[size_t(i - from)]),
                      std::fabs(out.right[size_t(i)] - other.right[size_t(i - from)])});
  return worst;
}

/// The largest difference in [from, to) between the output and the input delayed by `delay`.
double WorstDifference(const Rendered& out, const std::vector<double>& in, int delay, int from, int to)
{
  double worst = 0.0;
  for (int i = from; i < to; ++i)
    worst = std::max({worst, std::fabs(out.left[size_t(i)] - in[size_t(i - delay)]),
                      std::fabs(out.right[size_t(i)] - in[size_t(i - delay)])});
  return worst;
}

} // namespace

// Switching the bypass (the parameter or the host's request) while oversampling continues the signal: with the
// saturation off the output is the input delayed by the reported latency before, during and after the bypass,
// with no silent stretch where the bypass ends.
TEST(BundleAudio, SwitchingTheBypassWhileOversamplingLeavesNoGap)
{
  for (float oversampling : {kOversampling2x, kOversampling4x})
    for (int block : {512, 100})
      for (bool host : {false, true})
      {
        Instance p;
        p.SetParam(kOversamplingParam, oversampling);
        Start(p, block);
        const int latency = p->initialDelay;
        ASSERT_GT(latency, 0);
        const std::vector<double> in = Sine(60 * block);
        const Rendered out = Render(p, in, block, [&](int b) {
          if (b != 20 && b != 40) return;
          if (host)
            p.Call(vst2::effSetBypass, 0, b == 20 ? 1 : 0);
          else
            p.SetParam(kBypassParam, b == 20 ? 1.f : 0.f);
        });
        EXPECT_LT(WorstDifference(out, in, latency, 10 * block, int(in.size())), 1e-3)
          << "oversampling " << oversampling << ", blocks of " << block
          << (host ? ", the host's bypass" : ", the bypass parameter");
      }
}

// An instance that starts at 2x or 4x (set by the parameter, or restored from a state chunk) loses none of the
// start of the audio, whatever the block size (shorter or longer than the latency) and rate: fed an impulse, a
// step or a sine, it sounds exactly as one that heard a stretch of silence first, from its first frame on (the
// filters' ringing ahead of a sudden start included), and that is the input delayed by the reported latency (the
// saturation off) or, saturated, differs from it.
TEST(BundleAudio, OversamplingKeepsTheStartOfTheAudio)
{
  for (float rate : {44100.f, 48000.f})
    for (float oversampling : {kOversampling2x, kOversampling4x})
      for (bool restored : {false, true})
        for (bool saturated : {false, true})
          for (int block : {37, 512, 4096})
            for (Signal signal : {Signal::kImpulse, Signal::kStep, Signal::kSine})
            {
              if ((saturated && signal != Signal::kSine) || (rate != float(kRate) && (restored || saturated)))
                continue; // the other rate: the plain cases
              auto configure = [&](const Instance& i) {
                i.SetParam(kOversamplingParam, oversampling);
                for (int param : {kSaturationParam, kEvenDriveParam, kOddDriveParam})
                  i.SetParam(param, saturated ? 1.f : 0.f);
              };
              Instance p;
              if (restored)
              {
                Instance saved;
                configure(saved);
                ASSERT_GT(p.SetChunk(saved.GetChunk()), 0);
              }
              else
                configure(p);
              Start(p, block, rate);
              const int latency = p->initialDelay;
              ASSERT_GT(latency, 0);
              const int n = std::max(2 * block, latency + 1500);
              const std::string what = std::to_string(int(rate)) + " Hz, " +
                                       (oversampling == kOversampling2x ? "2x" : "4x") + ", blocks of " +
                                       std::to_string(block) + (restored ? ", restored" : ", by the parameter") +
                                       (saturated ? ", saturated" : "") + ", " + Name(signal);
              const std::vector<double> in = Make(signal, n);
              const Rendered out = Render(p, in, block, [](int) {});
              const Rendered heard = AfterSilence(in, block, [&](const Instance& i) {
                configure(i);
                Start(i, block, rate);
              });
              EXPECT_LT(WorstDifference(out, 0, n, heard), kSameSound) << what;
              if (signal != Signal::kSine) continue;
              if (saturated)
                EXPECT_GT(WorstDifference(out, in, latency, latency + 1000, n), 1e-3) << what << ": not saturated";
              else
                EXPECT_LT(WorstDifference(out, in, latency, latency + 1000, n), 1e-6) << what;
            }
}

// Switching the oversampling while audio runs clears the resamplers, and so does a new rate or block size: from
// the change on the output is that of an instance started with the new settings that heard silence before the
// input from the change on (what the old resamplers held is not played), and so the input delayed by the new
// latency.
TEST(BundleAudio, ClearedResamplersSoundAsOnesThatHeardSilence)
{
  struct Change
  {
    float oversampling;
    int announcedBlockDivisor; ///< 0: unchanged; otherwise the host announces block / this
    float rate;                ///< 0: unchanged
  };
  const Change changes[] = {{kOversampling2x, 0, 0.f}, {kOversampling4x, 0, 0.f}, {kOversamplingOff, 0, 0.f},
                            {kOversampling4x, 0, 0.f}, {kOversampling4x, 2, 0.f}, {kOversampling2x, 0, 44100.f}};
  constexpr int kBlocksPerChange = 24;
  for (int block : {100, 512})
  {
    Instance p;
    Start(p, block);
    const int stretch = kBlocksPerChange * block;
    const std::vector<double> in = Sine(stretch * int(std::size(changes) + 1));
    std::vector<int> latencies;
    const Rendered out = Render(p, in, block, [&](int b) {
      if (b == 0 || b % kBlocksPerChange != 0) return;
      const Change& c = changes[b / kBlocksPerChange - 1];
      p.SetParam(kOversamplingParam, c.oversampling);
      if (c.announcedBlockDivisor || c.rate > 0.f)
      {
        p.Call(vst2::effMainsChanged, 0, 0);
        if (c.rate > 0.f) p.Call(vst2::effSetSampleRate, 0, 0, nullptr, c.rate);
        if (c.announcedBlockDivisor) p.Call(vst2::effSetBlockSize, 0, block / c.announcedBlockDivisor);
        p.Call(vst2::effMainsChanged, 0, 1);
      }
      latencies.push_back(p->initialDelay);
    });
    ASSERT_EQ(latencies.size(), std::size(changes));
    float rate = float(kRate);
    int announced = block;
    for (size_t k = 0; k < latencies.size(); ++k)
    {
      const Change& c = changes[k];
      rate = c.rate > 0.f ? c.rate : rate;
      announced = c.announcedBlockDivisor ? block / c.announcedBlockDivisor : announced;
      const int from = stretch * int(k + 1), to = from + stretch, latency = latencies[k];
      const std::string what = "blocks of " + std::to_string(block) + ", change " + std::to_string(k);
      const Rendered heard = AfterSilence(std::vector<double>(in.begin() + from, in.begin() + to), block,
                                          [&](const Instance& i) {
                                            i.SetParam(kOversamplingParam, c.oversampling);
                                            Start(i, announced, rate);
                                          });
      EXPECT_LT(WorstDifference(out, from, to, heard), kSameSound) << what;
      EXPECT_LT(WorstDifference(out, in, latency, from + 2 * latency, to), 1e-3) << what;
    }
  }
}

// Bypassed, the output is the input delayed by the reported latency through a delay line that follows every
// switch of the oversampling (4x, 2x, off, 2x, 4x), several at once before a block or one per block, the host's
// bypass or the parameter: from each change on every frame is exactly the input the new latency earlier, or
// silence where that input came before the change (the line starts again empty). Each block before a change is a
// little under twice the latency long, so that a change finds the line near its end: a line that kept stale
// samples, slipped by one or wrote past its end when it shrinks would show here.
TEST(BundleAudio, TheBypassFollowsEveryOversamplingSwitchWithExactlyTheNewLatency)
{
  const float sequence[] = {kOversampling2x, kOversamplingOff, kOversampling2x, kOversampling4x};
  constexpr int kAnnouncedBlock = 1024;
  for (bool host : {false, true})
    for (bool atOnce : {false, true})
      for (int shortBy : {1, 6})
      {
        Instance p;
        p.SetParam(kOversamplingParam, kOversampling4x);
        Start(p, kAnnouncedBlock);
        if (host)
          p.Call(vst2::effSetBypass, 0, 1);
        else
          p.SetParam(kBypassParam, 1.f);
        std::vector<double> in(16 * kAnnouncedBlock);
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> d(-1.0, 1.0);
        for (double& x : in) x = d(rng);
        Rendered out{std::vector<double>(in.size(), 9.0), std::vector<double>(in.size(), 9.0)};
        std::vector<int> latency(in.size()), restart(in.size());
        int t = 0, lastChange = 0;
        auto block = [&] {
          const int n = p->initialDelay > 0 ? 2 * p->initialDelay - shortBy : 100;
          ASSERT_LE(size_t(t + n), in.size());
          double* ins[2] = {in.data() + t, in.data() + t};
          double* outs[2] = {out.left.data() + t, out.right.data() + t};
          p->processDoubleReplacing(p.Get(), ins, outs, n);
          std::fill(latency.begin() + t, latency.begin() + t + n, p->initialDelay);
          std::fill(restart.begin() + t, restart.begin() + t + n, lastChange);
          t += n;
        };
        block();
        // Rounds of the first 4, 2, 1 and 4 settings of the sequence, ending at 4x, off, 2x and 4x.
        for (int count : {4, 2, 1, 4})
          for (int i = 0; i < count; ++i)
          {
            p.SetParam(kOversamplingParam, sequence[i]);
            lastChange = t;
            if (!atOnce || i == count - 1) block();
          }
        const std::string what = std::string(host ? "the host's bypass" : "the bypass parameter") +
                                 (atOnce ? ", changes at once" : ", a change per block") + ", blocks short by " +
                                 std::to_string(shortBy);
        std::vector<int> seen(latency.begin(), latency.begin() + t); // 4x, 2x and off each ran
        std::sort(seen.begin(), seen.end());
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        EXPECT_EQ(seen.size(), 3u) << what;
        int wrong = 0;
        for (int i = 0; i < t; ++i)
        {
          const int from = i - latency[size_t(i)];
          const double delayed = from >= 0 ? in[size_t(from)] : 0.0;
          for (double y : {out.left[size_t(i)], out.right[size_t(i)]})
          {
            const bool right = from >= restart[size_t(i)] ? y == delayed : (y == delayed || y == 0.0);
            if (!right && wrong++ < 5)
              ADD_FAILURE() << what << ": frame " << i << " is " << y << ", not the input " << latency[size_t(i)]
                            << " frames earlier";
          }
        }
        EXPECT_EQ(wrong, 0) << what;
      }
}

// A host that never announces its block size may send blocks of any length up to 512 frames, in any order, and
// the stream goes on: at 2x and 4x the output is that of an instance told of blocks of 512. The first longer block
// is a new block size, and as at any change of it the resamplers start again from that block: the output from it
// on is that of an instance told of the new size that heard silence before.
TEST(BundleAudio, BlocksOfUpToFiveHundredTwelveFramesNeedNoAnnouncedSize)
{
  const int blocks[] = {1, 100, 37, 511, 256, 512, 3, 512, 400, 512, 512, 512, 513, 513, 513};
  const int n = int(std::accumulate(std::begin(blocks), std::end(blocks), 0)), longer = n - 3 * 513;
  const std::vector<double> in = Sine(n);
  for (float oversampling : {kOversampling2x, kOversampling4x})
  {
    Instance p;
    p.SetParam(kOversamplingParam, oversampling);
    p.Call(vst2::effSetSampleRate, 0, 0, nullptr, float(kRate));
    p.Call(vst2::effMainsChanged, 0, 1);
    Rendered out{std::vector<double>(in.size(), 9.0), std::vector<double>(in.size(), 9.0)};
    for (int start = 0, b = 0; start < n; start += blocks[b++])
    {
      double* ins[2] = {const_cast<double*>(in.data()) + start, const_cast<double*>(in.data()) + start};
      double* outs[2] = {out.left.data() + start, out.right.data() + start};
      p->processDoubleReplacing(p.Get(), ins, outs, blocks[b]);
    }
    const std::string what = oversampling == kOversampling2x ? "2x" : "4x";
    Instance told;
    told.SetParam(kOversamplingParam, oversampling);
    Start(told, 512);
    const std::vector<double> before(in.begin(), in.begin() + longer);
    EXPECT_LT(WorstDifference(out, 0, longer, Render(told, before, 512, [](int) {})), kSameSound) << what;
    const Rendered heard = AfterSilence(std::vector<double>(in.begin() + longer, in.end()), 513,
                                        [&](const Instance& i) {
                                          i.SetParam(kOversamplingParam, oversampling);
                                          Start(i, 513);
                                        });
    EXPECT_LT(WorstDifference(out, longer, n, heard), kSameSound) << what << ", from the longer block on";
  }
}
