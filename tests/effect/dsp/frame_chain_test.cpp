// The per-sample chain: the block path equals the frame path, and the clip lamp's gain-reduction envelope.
// (The chain against the independent reference model is compared at plug-in level, in the signal path test.)
#include "effect/dsp/frame_chain.h"
#include "effect/dsp/level_meter.h"
#include "effect/dsp/levels.h"
#include "signals.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr double kFs = 48000.0;
constexpr int kFrames = 6000;

struct Output
{
  std::vector<double> L, R;
};

struct Input
{
  std::vector<double> L = testsig::Programme(kFrames, kFs, 0.9, 1);
  std::vector<double> R = testsig::Programme(kFrames, kFs, 1.1, 2);
};

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
  // Prepared again, it shows no reduction until it next publishes.
  chain->Prepare(kFs, kFs, -6.0, SatSettings{}, kMeterPeak);
  EXPECT_EQ(chain->PublishedGainReduction(), 0.0);
  // What it publishes follows the envelope: held for 3 s, then falling 20 dB per 0.1 s.
  chain->Prepare(8000, 8000, -6.0, SatSettings{}, kMeterPeak);
  std::vector<double> L1(8000 * 4, 0.0), R1(L1);
  L1[0] = R1[0] = 1.0;
  const double published[][2] = {{1, 0.5}, {8000 * 3, 0.5}, {8000 * 3 + 800, 0.05}, {8000 * 4, 5e-11}};
  int done = 0;
  for (const auto& p : published)
  {
    const int n = static_cast<int>(p[0]) - done;
    chain->ProcessBlock(&L1[size_t(done)], &R1[size_t(done)], &L1[size_t(done)], &R1[size_t(done)], n, 1, 1, fs);
    done += n;
    chain->PublishMeters();
    EXPECT_NEAR(chain->PublishedGainReduction(), p[1], p[1] * 0.05) << p[0];
  }
}

// The hold envelopes as their users drive them: each rises at once to what it is given, holds it for its hold time
// counted in its own samples, then falls by 20 dB every 0.1 s. The clip lamp (3 s) runs at the processing rate;
// the meters' display (2 s) steps once per reading.
struct HoldCase
{
  const char* name;
  double rate, holdSeconds;
  std::function<double(double)> step; // feeds one sample, returns the envelope
};

std::vector<HoldCase> HoldCases()
{
  std::vector<HoldCase> cases;
  for (double rate : {48000.0, 96000.0})
  {
    auto chain = std::shared_ptr<FrameChain>(new FrameChain);
    chain->Prepare(48000.0, rate, -6.0, SatSettings{}, kMeterPeak);
    cases.push_back({"clip lamp", rate, 3.0, [chain](double x) {
                       FrameSettings fs;
                       fs.clipOn = 1;
                       double L = x, R = x;
                       chain->ProcessFrame(L, R, 1, 1, 1, 1, fs);
                       return chain->mGREnvelope.value;
                     }});
  }
  auto meter = std::make_shared<LevelMeter>();
  meter->InitForMode(kMeterRMS, 8000);
  cases.push_back({"meter display", 8000, 2.0, [meter](double x) {
                     meter->ProcessStereo(1, x, x);
                     meter->StepDisplay();
                     return meter->display.value;
                   }});
  return cases;
}

TEST(HoldEnvelope, RisesAtOnceHoldsItsTimeThenFalls20DbPerTenthOfASecond)
{
  for (const HoldCase& k : HoldCases())
  {
    const double peak = k.step(1.0);
    EXPECT_GT(peak, 0.0) << k.name;
    int held = 0;
    while (k.step(0.0) == peak && held < 10 * static_cast<int>(k.rate)) ++held;
    EXPECT_EQ(held, static_cast<int>(k.holdSeconds * k.rate)) << k.name << " @ " << k.rate;
    double value = 0.0;
    for (int i = 0; i < static_cast<int>(0.1 * k.rate) - 1; ++i) value = k.step(0.0);
    EXPECT_NEAR(value, peak / 10.0, 1e-9) << k.name << " @ " << k.rate;
  }
}


// The block path steps the meters after each chunk of audio (and saturates stereo frames two at a time); audio
// and readings equal the frame path's, also when one chain takes both paths in turn. Beside the five meter modes,
// the four meters set up directly as one of the kinds no mode selects, or one of them as another kind.
TEST(FrameChain, BlockPathEqualsFramePathInAudioAndMeters)
{
  const int kinds[][4] = {
      {kMeterKindWindowedPeak, kMeterKindWindowedPeak, kMeterKindWindowedPeak, kMeterKindWindowedPeak},
      {kMeterKindAverage, kMeterKindAverage, kMeterKindAverage, kMeterKindAverage},
      {kMeterKindFastVU, kMeterKindFastVU, kMeterKindFastVU, kMeterKindFastVU},
      {kMeterKindAverage, kMeterKindFastVU, kMeterKindAverage, kMeterKindAverage},
      {kMeterKindRMS, kMeterKindRMS, kMeterKindWindowedPeak, kMeterKindRMS},
      {kMeterKindPeak, kMeterKindPeak, kMeterKindPeak, kMeterKindAverage}};
  for (int setup = 0; setup < 5 + 6; ++setup)
  {
    const int meterMode = setup < 5 ? setup : kMeterPeak;
    auto setKinds = [&](FrameChain& chain) {
      LevelMeter* const meters[] = {&chain.mInMeterL, &chain.mInMeterR, &chain.mOutMeterL, &chain.mOutMeterR};
      if (setup >= 5)
        for (int m = 0; m < 4; ++m) meters[m]->Setup(kinds[setup - 5][m], 0.05, 0.01, 0.02, 0.1, -2.0, kFs, 0.0);
    };
    SatSettings sat;
    sat.on = 1;
    sat.mode = meterMode % 2 == 0 ? kSatCrisp : kSatWarm;
    sat.stages = 2;
    sat.even = 30;
    sat.odd = 50;
    auto a = std::make_unique<FrameChain>(), b = std::make_unique<FrameChain>();
    a->mSatL.Random().Seed(1);
    b->mSatL.Random().Seed(1);
    a->mSatR.Random().Seed(2);
    b->mSatR.Random().Seed(2);
    a->Prepare(kFs, kFs, -3.0, sat, meterMode);
    setKinds(*a);
    b->Prepare(kFs, kFs, -3.0, sat, meterMode);
    setKinds(*b);
    FrameSettings fs;
    fs.satOn = 1;
    fs.clipOn = 1;
    const Input in;
    Output frame{in.L, in.R}, block{in.L, in.R};
    for (size_t i = 0; i < in.L.size(); ++i) a->ProcessFrame(frame.L[i], frame.R[i], 1.2, 1.2, 0.9, 0.9, fs);
    // Blocks of 701 frames end on a chunk of odd length: its last frame has no partner for the pair path.
    for (size_t start = 0; start < in.L.size(); start += 701)
    {
      const int n = static_cast<int>(std::min<size_t>(701, in.L.size() - start));
      b->ProcessBlock(&block.L[start], &block.R[start], &block.L[start], &block.R[start], n, 1.2, 0.9, fs);
    }
    EXPECT_EQ(frame.L, block.L);
    EXPECT_EQ(frame.R, block.R);
    // A third chain takes the first half frame by frame and the rest in blocks: one signal, one reading.
    auto c = std::make_unique<FrameChain>();
    c->mSatL.Random().Seed(1);
    c->mSatR.Random().Seed(2);
    c->Prepare(kFs, kFs, -3.0, sat, meterMode);
    setKinds(*c);
    Output mixed{in.L, in.R};
    const size_t half = in.L.size() / 2;
    for (size_t i = 0; i < half; ++i) c->ProcessFrame(mixed.L[i], mixed.R[i], 1.2, 1.2, 0.9, 0.9, fs);
    c->ProcessBlock(&mixed.L[half], &mixed.R[half], &mixed.L[half], &mixed.R[half],
                    static_cast<int>(in.L.size() - half), 1.2, 0.9, fs);
    EXPECT_EQ(frame.L, mixed.L);
    EXPECT_EQ(frame.R, mixed.R);
    const LevelMeter* ma[] = {&a->mInMeterL, &a->mInMeterR, &a->mOutMeterL, &a->mOutMeterR};
    const LevelMeter* mb[] = {&b->mInMeterL, &b->mInMeterR, &b->mOutMeterL, &b->mOutMeterR};
    const LevelMeter* mc[] = {&c->mInMeterL, &c->mInMeterR, &c->mOutMeterL, &c->mOutMeterR};
    for (int m = 0; m < 4; ++m)
      for (const LevelMeter* other : {mb[m], mc[m]})
      {
        EXPECT_EQ(ma[m]->shownValue, other->shownValue) << setup << " " << m;
        EXPECT_EQ(ma[m]->shownMax, other->shownMax) << setup << " " << m;
        EXPECT_EQ(ma[m]->display.value, other->display.value) << setup << " " << m;
      }
  }
}

// A VU meter's display holds for two seconds, then falls: the block path (the four meters stepped together)
// starts the fall on the same sample as the frame path.
TEST(FrameChain, VuDisplaysHoldAndFallOnTheSameSampleOnBothPaths)
{
  constexpr double kRate = 8000.0;
  auto a = std::make_unique<FrameChain>(), b = std::make_unique<FrameChain>();
  a->Prepare(kRate, kRate, -3.0, SatSettings{}, kMeterVU);
  b->Prepare(kRate, kRate, -3.0, SatSettings{}, kMeterVU);
  const FrameSettings fs;
  const int burst = static_cast<int>(0.3 * kRate), total = static_cast<int>(2.6 * kRate);
  int differing = 0;
  for (int i = 0; i < total; ++i)
  {
    double L = i < burst ? 0.8 : 0.0, R = i < burst ? 0.4 : 0.0;
    double bL = L, bR = R;
    a->ProcessFrame(L, R, 1, 1, 1, 1, fs);
    b->ProcessBlock(&bL, &bR, &bL, &bR, 1, 1.0, 1.0, fs);
    if (a->mInMeterL.display.value != b->mInMeterL.display.value ||
        a->mOutMeterR.display.value != b->mOutMeterR.display.value)
      ++differing;
  }
  EXPECT_EQ(differing, 0);
  EXPECT_LT(a->mInMeterL.display.value, a->mInMeterL.display.peak / 2.0); // the fall was reached
}

} // namespace
