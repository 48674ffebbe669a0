#include "resampler/halfband.h"
#include "resampler/vector_isa.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace resamp;

namespace {

std::vector<const HBCoeffSet*> AllSets()
{
  std::vector<const HBCoeffSet*> sets;
  for (const auto* fam : { kFamily2Ladders, kFamily3Ladders }) {
    const int count = fam == kFamily2Ladders ? kFamily2LadderCount : kFamily3LadderCount;
    for (int i = 0; i < count; ++i)
      for (int s = 0; s <= fam[i].stepCount; ++s)
        sets.push_back(fam[i].sets[s]);
  }
  return sets;
}

double At(const std::vector<double>& x, long i)
{
  return i >= 0 && i < static_cast<long>(x.size()) ? x[i] : 0.0;
}

} // namespace

// Each kernel, the wide ones chosen for this CPU and the baseline ones, computes the same as a naive FIR.
TEST(HalfBand, EveryUpsamplerKernelEqualsANaiveFir)
{
  for (bool baseline : { false, true }) {
    for (const HBCoeffSet* s : AllSets()) {
      ForceBaselineVectors(baseline);
      CDSPHBUpsampler up(*s, 0.0);
      ForceBaselineVectors(false);
      for (int length : { 1, 700, 0 }) // the room a caller hands Process: two outputs per input, no more
        ASSERT_EQ(up.GetMaxOutLen(length), 2 * length);
      const std::vector<double> x = resamptest::Noise(1500, s->n);
      const std::vector<double> y = resamptest::Run(up, x, 700, 0, s->n);
      ASSERT_EQ(y.size(), 2 * (x.size() - s->n));
      double worst = 0.0;
      for (size_t p = 0; p < y.size() / 2; ++p) {
        double mid = 0.0;
        for (int k = 0; k < s->n; ++k)
          mid += s->coeffs[k] * (At(x, p + 1 + k) + At(x, static_cast<long>(p) - k));
        worst = std::max({ worst, std::fabs(y[2 * p] - x[p]), std::fabs(y[2 * p + 1] - mid) });
      }
      EXPECT_LT(worst, 1e-14) << "n " << s->n << (baseline ? ", baseline" : "");
    }
  }
}

TEST(HalfBand, EveryDownsamplerKernelEqualsANaiveFir)
{
  for (bool baseline : { false, true }) {
    for (const HBCoeffSet* s : AllSets()) {
      ForceBaselineVectors(baseline);
      CDSPHBDownsampler down(*s, 0.0);
      ForceBaselineVectors(false);
      const std::vector<double> x = resamptest::Noise(1501, 7 * s->n);
      const std::vector<double> y = resamptest::Run(down, x, 700, 0, s->n);
      ASSERT_EQ(y.size(), (x.size() - 2 * s->n + 1) / 2);
      double worst = 0.0;
      for (size_t q = 0; q < y.size(); ++q) {
        const long c = 2 * static_cast<long>(q);
        double v = x[c];
        for (int k = 0; k < s->n; ++k)
          v += s->coeffs[k] * (At(x, c + 2 * k + 1) + At(x, c - 2 * k - 1));
        worst = std::max(worst, std::fabs(y[q] - v));
      }
      EXPECT_LT(worst, 1e-14) << "n " << s->n << (baseline ? ", baseline" : "");
    }
  }
}

TEST(HalfBand, ProcessEndsForEveryInputLengthAndAnOddTotalLeavesOneSampleWaiting)
{
  const HBCoeffSet& s = SelectHBCoeffs2(0, 124.28);
  CDSPHBDownsampler down(s, 0.0);
  CDSPHBUpsampler up(s, 0.0);
  std::vector<double> in(100000, 0.25), out(100000);
  for (int len : { 0, 1, 2, 255, 256, 257, 511, 4096, 100000 }) {
    double* o = out.data();
    EXPECT_LE(up.Process(in.data(), std::min(len, 50000), o), 2 * std::min(len, 50000));
    o = out.data();
    EXPECT_LE(down.Process(in.data(), len, o), (len + 1) / 2);
  }
  // outputs leave every second input; a single input in between waits for the next one
  CDSPHBDownsampler d2(s, 0.0);
  double* o = out.data();
  EXPECT_EQ(d2.Process(in.data(), 2 * s.n + 1, o), 1);
  o = out.data();
  EXPECT_EQ(d2.Process(in.data(), 1, o), 0);
  o = out.data();
  EXPECT_EQ(d2.Process(in.data(), 1, o), 1);
}

// The caller hands Process a buffer of GetMaxOutLen(length) doubles: the downsampler writes inside it, whatever
// the kernel (baseline or wide), coefficient count, lead or block length, and its reported outputs lie within it.
TEST(HalfBand, DownsamplerNeverWritesPastTheBufferItAskedFor)
{
  constexpr double kGuard = -7777.0;
  constexpr int kGuards = 4;
  std::vector<double> x = resamptest::Noise(4000, 11);
  for (bool baseline : { false, true })
    for (bool handOnLead : { false, true })
      for (const HBCoeffSet* s : AllSets())
        for (int length : { 1, 2, 3, 8, 37, 255, 256, 257, 600 }) {
          ForceBaselineVectors(baseline);
          CDSPHBDownsampler down(*s, 0.0, handOnLead);
          ForceBaselineVectors(false);
          for (int call = 0; call < 6; ++call) {
            const int room = down.GetMaxOutLen(length);
            std::vector<double> buffer(room + kGuards, kGuard);
            double* out = buffer.data();
            const int count = down.Process(x.data() + call * length, length, out);
            ASSERT_GE(out, buffer.data());
            ASSERT_LE(out + count, buffer.data() + room);
            for (int g = 0; g < kGuards; ++g)
              ASSERT_EQ(buffer[room + g], kGuard) << "n " << s->n << ", block " << length << ", call " << call
                                                  << (baseline ? ", baseline" : "") << (handOnLead ? ", lead" : "");
          }
        }
}

// Handing on the lead: both directions put out the filter's answer from where it starts ahead of the first input
// (a multiple of 6 outputs ahead when halving), then the same outputs as without the lead, and report the outputs
// put out ahead as their fraction.
TEST(HalfBand, HandingOnTheLeadPutsOutTheAnswerAheadOfTheAlignedStart)
{
  for (const HBCoeffSet* s : AllSets()) {
    const std::vector<double> x = resamptest::Noise(1501, 3 * s->n);
    CDSPHBUpsampler up(*s, 0.0, true);
    const std::vector<double> y = resamptest::Run(up, x, 700, 0, s->n);
    const long upAhead = static_cast<long>(up.GetLatencyFrac());
    ASSERT_GT(upAhead, 0) << "n " << s->n;
    ASSERT_EQ(y.size(), 2 * (x.size() - s->n) + upAhead) << "n " << s->n;
    double worst = 0.0;
    for (long j = -upAhead; j + upAhead < static_cast<long>(y.size()); ++j) {
      const long p = j >= 0 ? j / 2 : -((1 - j) / 2); // j = 2p or 2p + 1
      double v = 0.0;
      if (j == 2 * p) {
        v = At(x, p);
      } else {
        for (int k = 0; k < s->n; ++k)
          v += s->coeffs[k] * (At(x, p + 1 + k) + At(x, p - k));
      }
      worst = std::max(worst, std::fabs(y[j + upAhead] - v));
    }
    EXPECT_LT(worst, 1e-14) << "doubling, n " << s->n;

    CDSPHBDownsampler down(*s, 0.0, true);
    const std::vector<double> z = resamptest::Run(down, x, 700, 0, s->n);
    const long downAhead = static_cast<long>(down.GetLatencyFrac());
    EXPECT_EQ(downAhead % 6, 0) << "n " << s->n;
    ASSERT_GE(downAhead, s->n) << "n " << s->n;
    ASSERT_EQ(z.size(), (x.size() - 2 * s->n + 1) / 2 + downAhead) << "n " << s->n;
    worst = 0.0;
    for (long q = -downAhead; q + downAhead < static_cast<long>(z.size()); ++q) {
      double v = At(x, 2 * q);
      for (int k = 0; k < s->n; ++k)
        v += s->coeffs[k] * (At(x, 2 * q + 2 * k + 1) + At(x, 2 * q - 2 * k - 1));
      worst = std::max(worst, std::fabs(z[q + downAhead] - v));
    }
    EXPECT_LT(worst, 1e-14) << "halving, n " << s->n;
  }
}

// Every set keeps the promise it is selected by: its odd taps sum to one half (unit gain at DC), and over the
// stop band [0.5 - passBand, 0.5] (cycles per sample at the high rate) the response stays at least its
// attenuation below the DC gain.
TEST(HalfBand, EverySetReachesItsAttenuationOverItsStopBand)
{
  for (const HBCoeffSet* s : AllSets()) {
    double sum = 0.0;
    for (int k = 0; k < s->n; ++k)
      sum += s->coeffs[k];
    EXPECT_NEAR(sum, 0.5, 1e-12) << "n " << s->n << ", " << s->atten << " dB";
    double worst = -400.0;
    constexpr int kPoints = 2000;
    for (int i = 0; i <= kPoints; ++i) {
      const double f = 0.5 - s->passBand * i / kPoints;
      double h = 0.5; // centre tap and odd taps, scaled to unit gain at DC
      for (int k = 0; k < s->n; ++k)
        h += s->coeffs[k] * std::cos(2.0 * M_PI * f * (2 * k + 1));
      worst = std::max(worst, resamptest::Db(std::fabs(h)));
    }
    // a finer grid than the design's finds peaks a few hundredths of a dB higher; near 270 dB the arithmetic
    // itself runs out
    EXPECT_LT(worst, -std::min(s->atten - 0.1, 270.0)) << "n " << s->n << ", " << s->atten << " dB, pass band " << s->passBand;
  }
}

// Each ladder grows by one coefficient a set, every set reaching the step up to which it is chosen. Selection, for
// every stage a ladder serves, gives one of its sets that reaches the request (the longest when none does; the
// shorter one exactly at a step), and never a shorter set for a higher request.
TEST(HalfBand, EachLadderGrowsASetAtATimeAndItsSelectionReachesTheRequest)
{
  const struct {
    const HBLadder* ladders;
    int count;
    const HBCoeffSet& (*select)(int, double);
  } kFamilies[] = { { kFamily2Ladders, kFamily2LadderCount, &SelectHBCoeffs2 },
    { kFamily3Ladders, kFamily3LadderCount, &SelectHBCoeffs3 } };
  for (const auto& fam : kFamilies)
    for (int i = 0; i < fam.count; ++i) {
      const HBLadder& l = fam.ladders[i];
      for (int s = 0; s <= l.stepCount; ++s) {
        EXPECT_EQ(l.sets[s]->n, l.sets[0]->n + s) << "ladder " << i << ", set " << s;
        if (s < l.stepCount) {
          EXPECT_GE(l.sets[s]->atten, l.steps[s] - 1e-3) << "ladder " << i << ", set " << s;
        }
      }
      const HBCoeffSet* const* end = l.sets + l.stepCount + 1;
      const int firstStage = i == 0 ? 0 : l.stage;
      const int lastStage = i + 1 < fam.count ? fam.ladders[i + 1].stage - 1 : l.stage + 3;
      for (int stage = firstStage; stage <= lastStage; ++stage) {
        for (int s = 0; s < l.stepCount; ++s)
          EXPECT_EQ(&fam.select(stage, l.steps[s]), l.sets[s]) << "stage " << stage << ", exactly at step " << s;
        int shortest = 0;
        for (double atten = 20.0; atten <= 320.0; atten += 0.25) {
          const HBCoeffSet& got = fam.select(stage, atten);
          ASSERT_NE(std::find(l.sets, end, &got), end) << "stage " << stage << ", " << atten << " dB";
          if (&got != l.sets[l.stepCount]) {
            EXPECT_GE(got.atten, atten - 1e-3) << "stage " << stage << ", " << atten << " dB";
          }
          EXPECT_GE(got.n, shortest) << "stage " << stage << ", " << atten << " dB";
          shortest = got.n;
        }
      }
    }
}
