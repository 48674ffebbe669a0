// The per-sample chain against the independent reference model, sample by sample.
#include "effect/dsp/frame_chain.h"
#include "effect/dsp/levels.h"
#include "alloc_counter.h"
#include "reference_path.h"
#include "signals.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

constexpr double kFs = 48000.0;
constexpr int kFrames = 6000;
constexpr uint64_t kSeedL = 1234, kSeedR = 98765;

SatSettings SatOf(const refmodel::Settings& s)
{
  SatSettings sat;
  sat.on = s.satOn ? 1 : 0;
  sat.placement = s.placement;
  sat.mode = s.mode;
  sat.stages = s.stages;
  sat.even = s.even;
  sat.odd = s.odd;
  sat.fluctuation = s.fluct;
  return sat;
}

struct Output
{
  std::vector<double> L, R;
};

Output RunChain(const refmodel::Settings& s, const std::vector<double>& inL, const std::vector<double>& inR)
{
  auto chain = std::make_unique<FrameChain>();
  chain->mSatL.Random().Seed(kSeedL);
  chain->mSatR.Random().Seed(kSeedR);
  chain->Prepare(kFs, kFs, s.ceilingDb, SatOf(s), kMeterVU);
  FrameSettings fs;
  fs.satOn = s.satOn ? 1 : 0;
  fs.placement = s.placement;
  fs.clipOn = s.clipOn ? 1 : 0;
  fs.monitorMode = s.monitor;
  fs.monitorPlacement = s.inPlace ? 1 : 0;
  const double gi = DbToGain(s.inTrimDb), go = DbToGain(s.outTrimDb);
  Output r{inL, inR};
  for (size_t i = 0; i < inL.size(); ++i) chain->ProcessFrame(r.L[i], r.R[i], gi, gi, go, go, fs);
  return r;
}

Output RunReference(const refmodel::Settings& s, const std::vector<double>& inL, const std::vector<double>& inR)
{
  refmodel::Path p;
  p.s = s;
  // The draws are an input of the model: the same sequences the saturators' generators produce.
  auto gl = std::make_shared<FluctuationRandom>(), gr = std::make_shared<FluctuationRandom>();
  gl->Seed(kSeedL);
  gr->Seed(kSeedR);
  p.left.draw = [gl] { return gl->Next() / 2147483647.0; };
  p.right.draw = [gr] { return gr->Next() / 2147483647.0; };
  p.start(kFs);
  Output r{inL, inR};
  for (size_t i = 0; i < inL.size(); ++i) p.frame(r.L[i], r.R[i]);
  return r;
}

double MaxDifference(const Output& a, const Output& b)
{
  double d = 0;
  for (size_t i = 0; i < a.L.size(); ++i)
  {
    d = std::max(d, std::fabs(a.L[i] - b.L[i]));
    d = std::max(d, std::fabs(a.R[i] - b.R[i]));
  }
  return d;
}

std::string Describe(const refmodel::Settings& s)
{
  std::ostringstream o;
  o << "sat " << s.satOn << " placement " << s.placement << " mode " << s.mode << " stages " << s.stages << " even "
    << s.even << " odd " << s.odd << " fluct " << s.fluct << " clip " << s.clipOn << "@" << s.ceilingDb
    << " monitor " << s.monitor << (s.inPlace ? " in place" : "") << " trims " << s.inTrimDb << "/" << s.outTrimDb;
  return o.str();
}

struct Input
{
  std::vector<double> L = testsig::Programme(kFrames, kFs, 0.9, 1);
  std::vector<double> R = testsig::Programme(kFrames, kFs, 1.1, 2);
};

// Settings whose curves stay well-behaved: the chain must match the model to rounding.
TEST(FrameChainMatchesReference, AcrossModesStagesPlacementsMonitorsAndClipper)
{
  const Input in;
  const double drives[][2] = {{35, 0}, {0, 45}, {30, 20}};
  int n = 0;
  for (int mode = 0; mode < 4; ++mode)
    for (int stages = 1; stages <= 5; ++stages)
      for (int placement = 0; placement < 5; ++placement)
        for (const auto& d : drives)
        {
          refmodel::Settings s;
          s.satOn = true;
          s.mode = mode;
          s.stages = stages;
          s.placement = placement;
          s.even = d[0];
          s.odd = d[1];
          s.monitor = n % 5;
          s.inPlace = (n / 5) % 2 == 1;
          s.clipOn = n % 3 != 0;
          s.ceilingDb = -0.1 - (n % 7) * 2.5;
          s.inTrimDb = (n % 4) * 1.5 - 3.0;
          s.outTrimDb = (n % 5) * -0.7;
          ++n;
          const double diff = MaxDifference(RunChain(s, in.L, in.R), RunReference(s, in.L, in.R));
          EXPECT_LE(diff, 1e-12) << Describe(s);
        }
}

TEST(FrameChainMatchesReference, WithFluctuationFromTheSameDraws)
{
  const Input in;
  for (int mode = 0; mode < 3; ++mode)
  {
    refmodel::Settings s;
    s.satOn = true;
    s.mode = mode;
    s.stages = 2;
    s.even = 40;
    s.odd = 40;
    s.fluct = 60;
    EXPECT_LE(MaxDifference(RunChain(s, in.L, in.R), RunReference(s, in.L, in.R)), 1e-12) << Describe(s);
  }
}

TEST(FrameChainMatchesReference, SaturationOffAndTrimsOnly)
{
  const Input in;
  for (int monitor = 0; monitor < 5; ++monitor)
    for (double trim : {-150.0, -24.0, -6.0, 0.0, 12.5, 24.0})
    {
      refmodel::Settings s;
      s.inTrimDb = trim;
      s.outTrimDb = -trim / 2;
      s.monitor = monitor;
      s.clipOn = trim > 0;
      s.ceilingDb = -6.0;
      EXPECT_LE(MaxDifference(RunChain(s, in.L, in.R), RunReference(s, in.L, in.R)), 1e-12) << Describe(s);
    }
}

// High drives with several stages make the warm curve chaotic (1 / cos near its poles): single samples may
// part from the model by rounding, so these settings are compared by their statistics.
TEST(FrameChainMatchesReference, ChaoticSettingsAgreeStatistically)
{
  const Input in;
  for (int mode : {0, 1, 2})
    for (int stages : {3, 5})
    {
      refmodel::Settings s;
      s.satOn = true;
      s.mode = mode;
      s.stages = stages;
      s.even = 100;
      s.odd = 100;
      const Output a = RunChain(s, in.L, in.R), b = RunReference(s, in.L, in.R);
      EXPECT_NEAR(testsig::Rms(a.L), testsig::Rms(b.L), 0.02 * testsig::Rms(b.L)) << Describe(s);
      EXPECT_NEAR(testsig::Rms(a.R), testsig::Rms(b.R), 0.02 * testsig::Rms(b.R)) << Describe(s);
      EXPECT_LE(testsig::Peak(a.L), 1.0);
      EXPECT_LE(testsig::Peak(a.R), 1.0);
      size_t agree = 0;
      for (size_t i = 0; i < a.L.size(); ++i) agree += std::fabs(a.L[i] - b.L[i]) <= 1e-9;
      EXPECT_GE(agree, a.L.size() * 9 / 10) << Describe(s);
    }
}

TEST(FrameChain, DefaultsAreBitTransparent)
{
  const Input in;
  refmodel::Settings s;
  const Output out = RunChain(s, in.L, in.R);
  EXPECT_EQ(out.L, in.L);
  EXPECT_EQ(out.R, in.R);
}

TEST(FrameChain, ClipperAtMinus6DbKeepsAFullScaleSineAtOrBelowHalf)
{
  const auto sine = testsig::Sine(997, kFs, kFrames);
  refmodel::Settings s;
  s.clipOn = true;
  s.ceilingDb = -6.0;
  const Output out = RunChain(s, sine, sine);
  EXPECT_LE(testsig::Peak(out.L), 0.5);
  EXPECT_GT(testsig::Peak(out.L), 0.499);
}

TEST(FrameChain, MonitorSideOfEqualChannelsIsSilent)
{
  const auto x = testsig::Programme(kFrames, kFs, 1.0, 7);
  for (bool inPlace : {false, true})
  {
    refmodel::Settings s;
    s.monitor = kChSide;
    s.inPlace = inPlace;
    s.satOn = true;
    s.even = s.odd = 50;
    s.placement = kChStereo;
    const Output out = RunChain(s, x, x);
    EXPECT_EQ(testsig::Peak(out.L), 0.0);
    EXPECT_EQ(testsig::Peak(out.R), 0.0);
  }
}

TEST(FrameChain, PlacementRightSaturatesOnlyTheRightChannel)
{
  const Input in;
  refmodel::Settings s;
  s.satOn = true;
  s.placement = kChRight;
  s.mode = kSatClean;
  s.even = s.odd = 60;
  const Output out = RunChain(s, in.L, in.R);
  EXPECT_EQ(out.L, in.L);
  EXPECT_NE(out.R, in.R);
}

TEST(FrameChain, GainReductionEnvelopeFollowsTheClipperEvenWhenClippingIsOff)
{
  auto chain = std::make_unique<FrameChain>();
  chain->Prepare(kFs, kFs, -6.0, SatSettings{}, kMeterPeak);
  FrameSettings fs; // clip off
  double L = 0.0, R = 0.0;
  chain->ProcessFrame(L, R, 1, 1, 1, 1, fs);
  EXPECT_EQ(chain->mClipperL.gainReduction, 1.0);
  EXPECT_EQ(chain->mGREnvelope.value, 0.0);
  L = R = 1.0;
  chain->ProcessFrame(L, R, 1, 1, 1, 1, fs);
  EXPECT_EQ(L, 1.0); // not clipped
  chain->PublishMeters();
  EXPECT_NEAR(chain->PublishedGainReduction(), 0.5, 1e-3);
}

// The clip lamp's envelope runs at the processing rate: it rises at once to the share the clipper takes away,
// holds it for three seconds, then falls by 20 dB every 0.1 s.
TEST(FrameChain, GainReductionEnvelopeHoldsThreeSecondsThenFalls20DbPerTenthOfASecond)
{
  for (double rate : {48000.0, 96000.0})
  {
    auto chain = std::make_unique<FrameChain>();
    chain->Prepare(48000.0, rate, -6.0, SatSettings{}, kMeterPeak);
    FrameSettings fs;
    fs.clipOn = 1;
    double L = 1.0, R = 1.0;
    chain->ProcessFrame(L, R, 1, 1, 1, 1, fs);
    const double taken = chain->mGREnvelope.value;
    EXPECT_NEAR(taken, 0.5, 1e-3) << rate;
    int held = 0;
    while (chain->mGREnvelope.value == taken && held < 10 * static_cast<int>(rate))
    {
      L = R = 0.0;
      chain->ProcessFrame(L, R, 1, 1, 1, 1, fs);
      ++held;
    }
    EXPECT_EQ(held, static_cast<int>(3.0 * rate) + 1) << rate; // the held samples, then the first release step
    for (int i = 1; i < static_cast<int>(0.1 * rate); ++i)
    {
      L = R = 0.0;
      chain->ProcessFrame(L, R, 1, 1, 1, 1, fs);
    }
    EXPECT_NEAR(chain->mGREnvelope.value, taken / 10.0, 1e-9) << rate;
  }
}

TEST(FrameChain, ProcessingAllocatesNothing)
{
  auto chain = std::make_unique<FrameChain>();
  SatSettings sat;
  sat.on = 1;
  sat.mode = kSatWarm;
  sat.stages = 5;
  sat.even = sat.odd = sat.fluctuation = 100;
  chain->Prepare(kFs, kFs, -3.0, sat, kMeterEBUSL);
  FrameSettings fs;
  fs.satOn = 1;
  fs.clipOn = 1;
  const Input in;
  testsupport::AllocationScope scope;
  for (int i = 0; i < kFrames; ++i)
  {
    double L = in.L[static_cast<size_t>(i)], R = in.R[static_cast<size_t>(i)];
    chain->ProcessFrame(L, R, 1, 1, 1, 1, fs);
  }
  EXPECT_EQ(scope.Count(), 0u);
}

} // namespace

namespace {

// The block path steps the meters after each chunk of audio; audio and readings equal the frame path's.
TEST(FrameChain, BlockPathEqualsFramePathInAudioAndMeters)
{
  for (int meterMode = 0; meterMode < 5; ++meterMode)
  {
    SatSettings sat;
    sat.on = 1;
    sat.mode = kSatCrisp;
    sat.stages = 2;
    sat.even = 30;
    sat.odd = 50;
    auto a = std::make_unique<FrameChain>(), b = std::make_unique<FrameChain>();
    a->mSatL.Random().Seed(1);
    b->mSatL.Random().Seed(1);
    a->mSatR.Random().Seed(2);
    b->mSatR.Random().Seed(2);
    a->Prepare(kFs, kFs, -3.0, sat, meterMode);
    b->Prepare(kFs, kFs, -3.0, sat, meterMode);
    FrameSettings fs;
    fs.satOn = 1;
    fs.clipOn = 1;
    const Input in;
    Output frame{in.L, in.R}, block{in.L, in.R};
    for (size_t i = 0; i < in.L.size(); ++i) a->ProcessFrame(frame.L[i], frame.R[i], 1.2, 1.2, 0.9, 0.9, fs);
    for (size_t start = 0; start < in.L.size(); start += 700)
    {
      const int n = static_cast<int>(std::min<size_t>(700, in.L.size() - start));
      b->ProcessBlock(&block.L[start], &block.R[start], &block.L[start], &block.R[start], n, 1.2, 0.9, fs);
    }
    EXPECT_EQ(frame.L, block.L);
    EXPECT_EQ(frame.R, block.R);
    const LevelMeter* ma[] = {&a->mInMeterL, &a->mInMeterR, &a->mOutMeterL, &a->mOutMeterR};
    const LevelMeter* mb[] = {&b->mInMeterL, &b->mInMeterR, &b->mOutMeterL, &b->mOutMeterR};
    for (int m = 0; m < 4; ++m)
    {
      EXPECT_EQ(ma[m]->shownValue, mb[m]->shownValue) << meterMode << " " << m;
      EXPECT_EQ(ma[m]->shownMax, mb[m]->shownMax) << meterMode << " " << m;
      EXPECT_EQ(ma[m]->display.value, mb[m]->display.value) << meterMode << " " << m;
    }
  }
}

} // namespace
