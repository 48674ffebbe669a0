// Oversampling seen through the plug-in: the latency each factor reports to the host, where an impulse comes
// out, and long host blocks.
#include "effect/Drovik.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kBlock = 512;
constexpr int kImpulseAt = 3000;

// Host callback that counts the "I/O changed" requests.
int gIOChanged = 0;
intptr_t RecordingHost(vst2::Effect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
  if (opcode == vst2::audioMasterIOChanged) ++gIOChanged;
  return 0;
}

class TestDrovik : public Drovik
{
public:
  TestDrovik() : Drovik(plug::InstanceInfo{&RecordingHost}) {}
};

void SetParam(Drovik& d, int idx, double value)
{
  d.GetParam(idx)->Set(value);
  d.OnParamChange(idx, plug::kHost, -1);
}

// A plug-in with the oversampling setting chosen, then prepared for fs the way a host's resets do it (a host
// that is not known to take latency changes at any time learns the latency when it resets the plug-in for a
// new rate or block size).
std::unique_ptr<TestDrovik> Make(double fs, int oversampling)
{
  auto d = std::make_unique<TestDrovik>();
  SetParam(*d, kOversampling, oversampling);
  d->plug::IPluginProcessor::SetSampleRate(fs);
  d->plug::IPluginProcessor::SetBlockSize(kBlock / 2);
  d->OnReset();
  d->plug::IPluginProcessor::SetBlockSize(kBlock);
  d->OnReset();
  return d;
}

std::vector<double> RunBlocks(Drovik& d, const std::vector<double>& in, const std::vector<int>& blocks)
{
  std::vector<double> L(in), R(in), outL(in.size()), outR(in.size());
  size_t pos = 0;
  for (size_t b = 0; pos < in.size(); ++b)
  {
    const int n = static_cast<int>(std::min<size_t>(blocks[b % blocks.size()], in.size() - pos));
    double* inputs[2] = {L.data() + pos, R.data() + pos};
    double* outputs[2] = {outL.data() + pos, outR.data() + pos};
    d.ProcessBlock(inputs, outputs, n);
    pos += n;
  }
  EXPECT_EQ(outL, outR);
  return outL;
}

size_t PeakIndex(const std::vector<double>& y)
{
  size_t peak = 0;
  for (size_t i = 0; i < y.size(); ++i)
    if (std::fabs(y[i]) > std::fabs(y[peak])) peak = i;
  return peak;
}

} // namespace

TEST(PluginOversampling, AnImpulseComesOutExactlyTheReportedLatencyLate)
{
  for (double fs : {44100.0, 48000.0, 96000.0})
  {
    for (int setting : {kOS2x, kOS4x})
    {
      gIOChanged = 0;
      auto d = Make(fs, setting);
      const int delay = d->GetEffect().initialDelay;
      EXPECT_EQ(delay, setting == kOS2x ? 389 : 397) << fs;
      EXPECT_EQ(delay, d->CurrentOSLatency());
      EXPECT_EQ(gIOChanged, 1);
      std::vector<double> x(kBlock * 14, 0.0);
      x[kImpulseAt] = 1.0;
      const std::vector<double> y = RunBlocks(*d, x, {kBlock});
      const size_t peak = PeakIndex(y);
      EXPECT_EQ(static_cast<int>(peak) - kImpulseAt, delay) << fs << " setting " << setting;
      EXPECT_GT(y[peak], 0.8);
      for (int k = 1; k < 40; ++k) EXPECT_NEAR(y[peak - k], y[peak + k], 1e-9) << fs << " setting " << setting;
    }
  }
}

TEST(PluginOversampling, AHostThatTakesLatencyAtOnceHearsOfEverySwitch)
{
  auto d = Make(48000.0, kOSOff);
  d->IdentifyHost("FL Studio fruity", 0);
  gIOChanged = 0;
  SetParam(*d, kOversampling, kOS4x);
  EXPECT_EQ(gIOChanged, 1);
  EXPECT_EQ(d->GetEffect().initialDelay, d->CurrentOSLatency());
  SetParam(*d, kOversampling, kOSOff);
  EXPECT_EQ(gIOChanged, 2);
  EXPECT_EQ(d->GetEffect().initialDelay, 0);
}

TEST(PluginOversampling, HostBlocksLongerThanAnnouncedAreProcessedInPieces)
{
  auto a = Make(48000.0, kOS4x);
  auto b = Make(48000.0, kOS4x);
  auto c = Make(48000.0, kOS4x);
  std::vector<double> x(kBlock * 10, 0.0);
  x[1] = 0.5;
  x[kImpulseAt] = 1.0;
  const std::vector<double> ya = RunBlocks(*a, x, {kBlock, kBlock, kBlock, 100});
  const std::vector<double> yb = RunBlocks(*b, x, {3 * kBlock + 100}); // longer than the announced 512
  EXPECT_EQ(ya, yb);
  // Blocks of a few frames, from the first, while the resamplers still fill up.
  EXPECT_EQ(RunBlocks(*c, x, {1, 2, 3, 5}), yb);
  EXPECT_EQ(static_cast<int>(PeakIndex(yb)) - kImpulseAt, b->GetEffect().initialDelay);
}
