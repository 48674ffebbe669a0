// The processor base driven through the effect record's audio callbacks: channel-I/O parsing, pass-through,
// the bypass delay line (separate and in-place buffers, both precisions), connections and block-size growth.
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "alloc_counter.h"
#include "child_process.h"
#include "core/IChannelIO.h"
#include "core/LatencyDelayLine.h"
#include "test_plug.h"

using plug::IChannelIOConfig;
using plug::IChannelIOMaxima;
using testplug::TestPlug;

TEST(ChannelIO, LegalConfigurations)
{
  TestPlug p({}, 0);
  EXPECT_TRUE(p.IsLegalIO(1, 1));
  EXPECT_TRUE(p.IsLegalIO(2, 2));
  EXPECT_FALSE(p.IsLegalIO(1, 2));
  EXPECT_TRUE(p.IsLegalIO(-1, 2));
  plug::IPluginConfig c = TestPlug::Config(0);
  c.channelIOStr = "1-2"; // mono in, stereo out: each side is matched against its own count
  struct MonoToStereo : plug::IPluginVST2
  {
    MonoToStereo(const plug::InstanceInfo& info, const plug::IPluginConfig& c) : plug::IPluginVST2(info, c) {}
  } widening(plug::InstanceInfo{}, c);
  EXPECT_TRUE(widening.IsLegalIO(1, 2));
  EXPECT_FALSE(widening.IsLegalIO(2, 1));
  EXPECT_EQ(p.MaxNChannels(plug::kInput), 2);
  EXPECT_EQ(p.CountConnectedChannels(plug::kOutput), 2);
  std::vector<IChannelIOConfig> configs;
  IChannelIOMaxima maxima;
  EXPECT_EQ(plug::ParseChannelIOStr("1-3 2-1", configs, maxima), 2);
  EXPECT_EQ(maxima.mNInChannels, 2);
  EXPECT_EQ(maxima.mNOutChannels, 3);
  // No description, or an empty one, gives no configuration; in a fresh process, so that a read through null ends
  // it and is seen here.
  testsupport::ExpectInFreshProcess([] {
    std::vector<IChannelIOConfig> found;
    IChannelIOMaxima most;
    return plug::ParseChannelIOStr(nullptr, found, most) == 0 && plug::ParseChannelIOStr("", found, most) == 0 &&
           found.empty();
  });
  plug::LibString name;
  p.GetBusName(plug::kInput, 1, 2, name);
  EXPECT_STREQ(name.Get(), "Aux");
  p.GetBusName(plug::kOutput, 0, 1, name);
  EXPECT_STREQ(name.Get(), "Output");
}

// Buses: a side splits into buses at each dot; the processor answers which configuration has the most buses, which
// one has given bus sizes, and the widest each bus gets over all configurations.
TEST(ChannelIO, BusesOfEachConfiguration)
{
  std::vector<IChannelIOConfig> configs;
  IChannelIOMaxima maxima;
  ASSERT_EQ(plug::ParseChannelIOStr("2.1-2 1-1.1.1  4", configs, maxima), 3);
  EXPECT_EQ(configs[0].GetTotalNChannels(plug::kInput), 3);
  EXPECT_EQ(configs[1].GetTotalNChannels(plug::kOutput), 3);
  EXPECT_EQ(configs[2].NBuses(plug::kInput), 1);
  EXPECT_EQ(configs[2].mTotal[plug::kOutput], 0);
  EXPECT_EQ(maxima.mNInChannels, 4);
  EXPECT_EQ(maxima.mNInBuses, 2);
  EXPECT_EQ(maxima.mNOutBuses, 3);

  plug::IPluginConfig c = TestPlug::Config(0);
  c.channelIOStr = "2.1-2 1-1.1.1 1.1-1"; // the first of two with the most input buses counts
  struct Buses : plug::IPluginVST2
  {
    Buses(const plug::InstanceInfo& info, const plug::IPluginConfig& c) : plug::IPluginVST2(info, c) {}
  } p(plug::InstanceInfo{}, c);
  int at = -1;
  EXPECT_EQ(p.MaxNBuses(plug::kInput, &at), 2);
  EXPECT_EQ(at, 0);
  EXPECT_EQ(p.MaxNBuses(plug::kOutput, &at), 3);
  EXPECT_EQ(at, 1);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({2, 1}, {2}), 0);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({1}, {1, 1, 1}), 1);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({2}, {2}), -1);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({1}, {1, 1}), -1);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({1, 1}, {1}), 2);
  EXPECT_EQ(p.MaxNChannelsForBus(plug::kInput, 0), 2);
  EXPECT_EQ(p.MaxNChannelsForBus(plug::kInput, 1), 1);
  EXPECT_EQ(p.MaxNChannelsForBus(plug::kOutput, 2), 1);
  EXPECT_EQ(p.MaxNChannelsForBus(plug::kOutput, 3), 0);
  EXPECT_EQ(p.MaxNChannelsForBus(plug::kInput, -1), 0);
  ASSERT_NE(p.GetIOConfig(1), nullptr);
  EXPECT_EQ(p.GetIOConfig(1)->NBuses(plug::kOutput), 3);
  EXPECT_EQ(p.GetIOConfig(3), nullptr);
  EXPECT_EQ(p.GetIOConfig(-1), nullptr);
}

// Bus names by position and count; the default block copies the inputs and silences outputs without an input;
// a list of MIDI messages is sent whole and succeeds only when every one did.
TEST(ChannelIO, BusNamesDefaultBlockAndMidiLists)
{
  TestPlug p({}, 0);
  const struct
  {
    plug::ERoute direction;
    int bus, buses;
    const char* name;
  } names[] = {{plug::kOutput, 0, 1, "Output"}, {plug::kOutput, 2, 3, "Output 2"}, {plug::kInput, 0, 1, "Input"},
               {plug::kInput, 0, 2, "Main"},    {plug::kInput, 1, 2, "Aux"},        {plug::kInput, 2, 3, "Input 2"},
               {plug::kInput, 0, 3, "Input 0"}};
  for (const auto& n : names)
  {
    plug::LibString name;
    p.GetBusName(n.direction, n.bus, n.buses, name);
    EXPECT_STREQ(name.Get(), n.name) << n.direction << " " << n.bus << " of " << n.buses;
  }

  plug::IPluginConfig c = TestPlug::Config(0);
  c.channelIOStr = "1-2";
  struct MonoToStereo : plug::IPluginVST2
  {
    MonoToStereo(const plug::InstanceInfo& info, const plug::IPluginConfig& c) : plug::IPluginVST2(info, c) {}
    bool SendMidiMsg(const plug::IMidiMsg& msg) override
    {
      sent.push_back(msg.mStatus);
      return msg.mStatus != 0x80;
    }
    std::vector<int> sent;
  } widening(plug::InstanceInfo{}, c);
  double in[3] = {0.5, -0.25, 1.0}, left[3] = {9, 9, 9}, right[3] = {9, 9, 9};
  double* inputs[] = {in};
  double* outputs[] = {left, right};
  widening.ProcessBlock(inputs, outputs, 3);
  EXPECT_EQ(std::vector<double>(left, left + 3), std::vector<double>(in, in + 3));
  EXPECT_EQ(std::vector<double>(right, right + 3), std::vector<double>(3, 0.0));

  plug::IMidiMsg msgs[3];
  msgs[0].mStatus = 0x90, msgs[1].mStatus = 0x80, msgs[2].mStatus = 0xB0;
  EXPECT_FALSE(widening.SendMidiMsgs(msgs, 3));
  EXPECT_EQ(widening.sent, (std::vector<int>{0x90, 0x80, 0xB0}));
  EXPECT_TRUE(widening.SendMidiMsgs(msgs + 2, 1));
  EXPECT_TRUE(widening.SendMidiMsgs(msgs, 0));
}

// The delay line on its own: each input channel is delayed by the length and only as many as there are outputs
// come out; a shorter length starts again from silence; reserving room keeps what the line holds; fed frames
// come out later like passed ones.
TEST(LatencyDelayLine, DelaysByItsLengthAcrossResizesAndReserves)
{
  plug::LatencyDelayLine line(2, 1, 3);
  ASSERT_EQ(line.GetLength(), 3);
  auto pass = [&line](std::vector<double> in) {
    std::vector<double> side(in.size(), 100.0), out(in.size(), -1.0);
    double* inputs[] = {in.data(), side.data()};
    double* outputs[] = {out.data()};
    line.PassThrough(inputs, outputs, int(in.size()));
    return out;
  };
  EXPECT_EQ(pass({1, 2, 3, 4, 5, 6}), (std::vector<double>{0, 0, 0, 1, 2, 3}));
  line.Resize(2);
  EXPECT_EQ(line.GetLength(), 2);
  EXPECT_EQ(pass({7, 8, 9}), (std::vector<double>{0, 0, 7}));
  line.Reserve(6);
  EXPECT_EQ(line.GetLength(), 2);
  EXPECT_EQ(pass({0, 0, 0}), (std::vector<double>{8, 9, 0}));
  double five = 5, side = 50;
  double* fed[] = {&five, &side};
  line.Feed(fed, 1);
  EXPECT_EQ(pass({0, 0}), (std::vector<double>{0, 5}));
  line.Resize(5);
  EXPECT_EQ(pass({1, 2, 3, 4, 5, 6}), (std::vector<double>{0, 0, 0, 0, 0, 1}));
  line.Resize(-4);
  EXPECT_EQ(line.GetLength(), 0);
  line.Feed(fed, 1);
  // Past what it holds it takes a fresh buffer, of one sample as of any other length.
  for (int length : {1, 7})
  {
    plug::LatencyDelayLine fresh(2, 1, 0);
    fresh.Resize(length);
    std::vector<double> in(9), side(9, 100.0), out(9, -1.0), expected(9, 0.0);
    for (int i = 0; i < 9; ++i)
    {
      in[size_t(i)] = i + 1;
      if (i >= length)
        expected[size_t(i)] = i + 1 - length;
    }
    double* inputs[] = {in.data(), side.data()};
    double* outputs[] = {out.data()};
    fresh.PassThrough(inputs, outputs, 9);
    EXPECT_EQ(out, expected) << length;
  }
}

namespace {
template <class T>
struct Block
{
  std::vector<std::vector<T>> in, out;
  std::vector<T*> inPtrs, outPtrs;
  Block(int nChans, int nFrames) : in(nChans, std::vector<T>(nFrames)), out(nChans, std::vector<T>(nFrames))
  {
    for (int c = 0; c < nChans; ++c)
    {
      inPtrs.push_back(in[c].data());
      outPtrs.push_back(out[c].data());
    }
  }
  void Fill(std::mt19937& rng)
  {
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    for (auto& ch : in)
      for (auto& s : ch)
        s = T(d(rng));
  }
};

void RunBlock(vst2::Effect& e, Block<float>& b, int n, bool inPlace = false)
{
  e.processReplacing(&e, b.inPtrs.data(), inPlace ? b.inPtrs.data() : b.outPtrs.data(), n);
}
void RunBlock(vst2::Effect& e, Block<double>& b, int n, bool inPlace = false)
{
  e.processDoubleReplacing(&e, b.inPtrs.data(), inPlace ? b.inPtrs.data() : b.outPtrs.data(), n);
}

/// Runs blocks of a long random signal through the plug-in and returns what came out, per channel.
template <class T>
std::vector<std::vector<T>> Render(vst2::Effect& e, const std::vector<std::vector<T>>& signal, int blockSize,
                                   bool inPlace, int bypassFromBlock = 0)
{
  const int nChans = int(signal.size()), total = int(signal[0].size());
  std::vector<std::vector<T>> result(nChans, std::vector<T>(total));
  Block<T> b(nChans, blockSize);
  for (int start = 0, block = 0; start < total; start += blockSize, ++block)
  {
    e.dispatcher(&e, vst2::effSetBypass, 0, block >= bypassFromBlock ? 1 : 0, nullptr, 0.f);
    const int n = std::min(blockSize, total - start);
    for (int c = 0; c < nChans; ++c)
      std::copy(signal[c].begin() + start, signal[c].begin() + start + n, b.in[c].begin());
    RunBlock(e, b, n, inPlace);
    for (int c = 0; c < nChans; ++c)
      std::copy_n(inPlace ? b.in[c].begin() : b.out[c].begin(), n, result[c].begin() + start);
  }
  return result;
}

template <class T>
std::vector<std::vector<T>> RandomSignal(int nChans, int n, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  std::vector<std::vector<T>> s(nChans, std::vector<T>(n));
  for (auto& ch : s)
    for (auto& x : ch)
      x = T(d(rng));
  return s;
}

template <class T>
void ExpectDelayedBy(const std::vector<std::vector<T>>& in, const std::vector<std::vector<T>>& out, int latency)
{
  for (size_t c = 0; c < in.size(); ++c)
    for (size_t i = 0; i < in[c].size(); ++i)
    {
      const T expected = i < size_t(latency) ? T(0) : in[c][i - latency];
      ASSERT_EQ(out[c][i], expected) << "channel " << c << " frame " << i;
    }
}
} // namespace

template <class T>
class BypassDelay : public ::testing::Test
{
};
using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(BypassDelay, SampleTypes);

TYPED_TEST(BypassDelay, OutputIsTheInputDelayedExactlyByTheLatency)
{
  for (bool inPlace : {false, true})
  {
    TestPlug p({}, 37);
    const auto signal = RandomSignal<TypeParam>(2, 3000, 7);
    const auto out = Render(p.GetEffect(), signal, 256, inPlace);
    ExpectDelayedBy(signal, out, 37);
  }
}

TYPED_TEST(BypassDelay, ContinuesTheDelayLineTheProcessingPathFilled)
{
  TestPlug p({}, 100);
  const auto signal = RandomSignal<TypeParam>(2, 2048, 11);
  const auto out = Render(p.GetEffect(), signal, 128, false, 4); // processed for 512 frames, then bypassed
  for (int c = 0; c < 2; ++c)
    for (int i = 512; i < 2048; ++i)
      ASSERT_EQ(out[c][i], signal[c][i - 100]) << "channel " << c << " frame " << i;
}

TYPED_TEST(BypassDelay, WithoutLatencyPassesInputThrough)
{
  TestPlug p({}, 0);
  const auto signal = RandomSignal<TypeParam>(2, 1000, 3);
  ExpectDelayedBy(signal, Render(p.GetEffect(), signal, 100, false), 0);
  ExpectDelayedBy(signal, Render(p.GetEffect(), signal, 100, true), 0);
}

TEST(Accumulating, AddsTheResultToTheHostOutput)
{
  TestPlug p({}, 0);
  Block<float> b(2, 16);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 16; ++i)
    {
      b.in[c][i] = 0.25f * float(i);
      b.out[c][i] = 1.0f;
    }
  p.GetEffect().process(&p.GetEffect(), b.inPtrs.data(), b.outPtrs.data(), 16);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(b.out[1][i], 1.0f + 0.25f * float(i));
}

namespace {
/// Records what its unconnected second input holds when a block runs.
class ProbePlug : public TestPlug
{
public:
  ProbePlug() : TestPlug({}, 0) {}
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    for (int i = 0; i < nFrames; ++i)
      mSecondInputSum += std::fabs(inputs[1][i]);
    TestPlug::ProcessBlock(inputs, outputs, nFrames);
  }
  double mSecondInputSum = 0.0;
};
} // namespace

TEST(Connections, UnconnectedChannelFollowsItsScratchBufferAcrossBlockSizeChanges)
{
  ProbePlug p;
  vst2::Effect& e = p.GetEffect();
  vst2::SpeakerArrangement mono{};
  mono.type = vst2::kArrangementMono;
  mono.numChannels = 1;
  ASSERT_EQ(e.dispatcher(&e, vst2::effSetSpeakerArrangement, 0, intptr_t(&mono), &mono, 0.f), 1);
  EXPECT_EQ(p.CountConnectedChannels(plug::kInput), 1);
  for (int n : {512, 4096, 100, 8192})
  {
    e.dispatcher(&e, vst2::effSetBlockSize, 0, n, nullptr, 0.f);
    Block<double> b(2, n + 7);
    for (auto& ch : b.in)
      std::fill(ch.begin(), ch.end(), 1.0);
    RunBlock(e, b, n + 7); // larger than the block size: the scratch buffers grow before use
  }
  EXPECT_EQ(p.mSecondInputSum, 0.0) << "the unconnected input reads its own zeroed scratch buffer";
}

// A host's block size of zero or less, or beyond the int range, says nothing: the block size it set before stays.
TEST(Connections, ABlockSizeOfZeroOrLessKeepsTheOneBefore)
{
  TestPlug p({}, 0);
  vst2::Effect& e = p.GetEffect();
  e.dispatcher(&e, vst2::effSetBlockSize, 0, 256, nullptr, 0.f);
  ASSERT_EQ(p.GetBlockSize(), 256);
  for (intptr_t n : {intptr_t(0), intptr_t(-5), (intptr_t(1) << 32) + 512})
  {
    e.dispatcher(&e, vst2::effSetBlockSize, 0, n, nullptr, 0.f);
    EXPECT_EQ(p.GetBlockSize(), 256) << n;
  }
}

TEST(Connections, UnconnectedInputsConsumeNoHostPointer)
{
  TestPlug p({}, 0);
  p.SetChannelConnections(plug::kInput, 0, 1, false);
  Block<double> b(2, 8);
  std::fill(b.in[0].begin(), b.in[0].end(), 0.5);
  vst2::Effect& e = p.GetEffect();
  e.processDoubleReplacing(&e, b.inPtrs.data(), b.outPtrs.data(), 8);
  EXPECT_EQ(b.out[1][3], 0.5) << "input 1 received the host's first pointer";
}

// A null channel from the host reads as silence in every block, even after the plug-in wrote over that input, and
// a null output channel is written nowhere.
template <class T>
class NullChannels : public ::testing::Test
{
};
TYPED_TEST_SUITE(NullChannels, SampleTypes);

TYPED_TEST(NullChannels, ReadSilenceInEveryBlockAndTakeNoOutput)
{
  struct Scribbler : TestPlug
  {
    Scribbler() : TestPlug({}, 0) {}
    void ProcessBlock(double** inputs, double** outputs, int nFrames) override
    {
      TestPlug::ProcessBlock(inputs, outputs, nFrames);
      std::fill(inputs[0], inputs[0] + nFrames, 7.0);
      std::fill(outputs[1], outputs[1] + nFrames, 3.0);
    }
  } p;
  Block<TypeParam> b(2, 8);
  b.inPtrs[0] = nullptr;
  b.outPtrs[1] = nullptr;
  for (int block = 0; block < 2; ++block)
  {
    std::fill(b.out[0].begin(), b.out[0].end(), TypeParam(1));
    RunBlock(p.GetEffect(), b, 8);
    EXPECT_EQ(b.out[0], std::vector<TypeParam>(8, TypeParam(0))) << "block " << block;
    EXPECT_EQ(b.out[1], std::vector<TypeParam>(8, TypeParam(0))) << "block " << block;
  }
}

TEST(LatencyChange, ResizingWhileTheAudioThreadRunsIsSafe)
{
  TestPlug p({}, 64);
  vst2::Effect& e = p.GetEffect();
  e.dispatcher(&e, vst2::effSetBypass, 0, 1, nullptr, 0.f);
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    Block<float> b(2, 256);
    for (auto& ch : b.in)
      std::fill(ch.begin(), ch.end(), 0.5f);
    while (!stop.load())
      RunBlock(e, b, 256);
  });
  for (int i = 0; i < 400; ++i)
    p.SetLatency(1 + (i * 37) % 500);
  stop = true;
  audio.join();
  Block<float> b(2, 1024);
  for (auto& ch : b.in)
    std::fill(ch.begin(), ch.end(), 0.5f);
  RunBlock(e, b, 1024);
  EXPECT_EQ(b.out[0][1023], 0.5f);
  EXPECT_EQ(p.GetEffect().initialDelay, p.GetLatency());
}

// Room reserved ahead keeps what the line holds (the bypassed stream goes on exactly across it), and later latency
// changes up to it allocate nothing and delay exactly by the new latency from a silent start, longer or shorter.
TEST(LatencyChange, WithinTheReservedRoomNothingIsAllocatedAndTheDelayIsExact)
{
  TestPlug p({}, 100);
  vst2::Effect& e = p.GetEffect();
  const auto signal = RandomSignal<double>(2, 2048, 5);
  auto half = [&](int h) {
    std::vector<std::vector<double>> part(2);
    for (int c = 0; c < 2; ++c) part[c].assign(signal[c].begin() + h * 1024, signal[c].begin() + (h + 1) * 1024);
    return part;
  };
  auto out = Render(e, half(0), 256, false);
  p.ReserveLatency(300);
  const auto rest = Render(e, half(1), 256, false);
  for (int c = 0; c < 2; ++c) out[c].insert(out[c].end(), rest[c].begin(), rest[c].end());
  ExpectDelayedBy(signal, out, 100);
  for (int latency : {300, 250, 40})
  {
    SCOPED_TRACE(latency);
    testsupport::AllocationScope scope;
    p.SetLatency(latency);
    EXPECT_EQ(scope.Count(), 0u);
    ExpectDelayedBy(signal, Render(e, signal, 256, true), latency);
  }
}
