// The saturator and its curve: fixed points of the curve, classic sine shaping, fluctuation, bad input.
#include "effect/dsp/saturator.h"
#include "signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

SatSettings Sat(int mode, int stages, double even, double odd, double fluct = 0.0)
{
  SatSettings s;
  s.on = 1;
  s.mode = mode;
  s.stages = stages;
  s.even = even;
  s.odd = odd;
  s.fluctuation = fluct;
  return s;
}

TEST(SaturationCurve, WithoutDriveTheSamplePassesUnclamped)
{
  Saturator s;
  s.Reset(48000);
  for (int mode = 0; mode < 3; ++mode)
  {
    s.SetParams(Sat(mode, 3, 0, 0, 100));
    EXPECT_EQ(s.Process(1.5), 1.5);
    EXPECT_EQ(s.Process(-0.25), -0.25);
  }
}

TEST(SaturationCurve, StagesOutsideOneToFiveBehaveAsTheNearestEnd)
{
  Saturator a, b;
  for (double x : {-0.9, -0.3, 0.2, 0.7})
  {
    EXPECT_EQ(a.SaturationCurve(kSatClean, 9, false, x, 0.3, 0.3), b.SaturationCurve(kSatClean, 5, false, x, 0.3, 0.3));
    EXPECT_EQ(a.SaturationCurve(kSatWarm, 0, false, x, 0.3, 0.3), b.SaturationCurve(kSatWarm, 1, false, x, 0.3, 0.3));
    EXPECT_EQ(a.SaturationCurve(kSatCrisp, -4, false, x, 0.3, 0.3), b.SaturationCurve(kSatCrisp, 1, false, x, 0.3, 0.3));
  }
}

// At u = -1e-8 the warm and crisp even parts are 0/0; the curve takes the limit 0 so no NaN enters the
// smoothing filters.
TEST(SaturationCurve, WarmAndCrispTakeTheLimitWhereTheirRatioIs0Over0)
{
  for (int mode : {kSatWarm, kSatCrisp})
  {
    Saturator s;
    s.Reset(48000);
    const double y = s.SaturationCurve(mode, 1, false, -1e-8, 1.0, 0.0);
    EXPECT_DOUBLE_EQ(y, -1e-8) << mode;
    s.SaturationCurve(mode, 1, true, -1e-8, 1.0, 1.0);
    EXPECT_TRUE(std::isfinite(s.SaturationCurve(mode, 1, true, 0.5, 1.0, 1.0))) << mode;
  }
}

// Each further stage takes what the stage before it gave out and adds only its own harmonics to the clean sample:
// n stages give x plus what one stage adds to the (n-1)-stage output.
TEST(SaturationCurve, EachStageShapesTheOutputOfTheStageBefore)
{
  Saturator s;
  for (int mode : {kSatClean, kSatWarm, kSatCrisp})
    for (int step = -8; step <= 8; ++step)
    {
      const double x = step / 20.0; // kept where no stage reaches full scale
      const auto curve = [&](int stages, double in) { return s.SaturationCurve(mode, stages, false, in, 0.2, 0.1); };
      double before = curve(1, x);
      if (step != 0) { EXPECT_NE(before, x) << mode << " " << x; }
      for (int stages = 2; stages <= 5; ++stages)
      {
        const double out = curve(stages, x);
        EXPECT_NEAR(out, x + curve(1, before) - before, 1e-12) << mode << " " << x << " " << stages;
        before = out;
      }
    }
}

TEST(SaturationCurve, OutputStaysWithinFullScale)
{
  Saturator s;
  s.Reset(48000);
  for (int mode = 0; mode < 3; ++mode)
    for (int stages = 1; stages <= 5; ++stages)
    {
      s.SetParams(Sat(mode, stages, 100, 100));
      for (double x : testsig::Programme(2000, 48000, 3.0, 5)) ASSERT_LE(std::fabs(s.Process(x)), 1.0);
    }
}

// Settings given only their drives shape as one clean stage without fluctuation; a single warm stage differs.
TEST(SaturationCurve, SettingsLeftAtTheirDefaultsAreOneCleanStageWithoutFluctuation)
{
  SatSettings drivesOnly;
  drivesOnly.even = 60;
  drivesOnly.odd = 70;
  const SatSettings others[] = {Sat(kSatClean, 1, 60, 70), Sat(kSatWarm, 1, 60, 70), Sat(kSatClean, 2, 60, 70),
                                Sat(kSatClean, 1, 60, 70, 50)};
  for (const SatSettings& other : others)
  {
    Saturator a, b;
    a.Random().Seed(3);
    b.Random().Seed(3);
    a.Reset(48000);
    b.Reset(48000);
    a.SetParams(drivesOnly);
    b.SetParams(other);
    int differing = 0;
    for (double x : testsig::Programme(2000, 48000, 0.9, 1)) differing += a.Process(x) != b.Process(x);
    EXPECT_EQ(differing == 0, &other == others) << &other - others;
  }
}

TEST(ClassicMode, ZeroOddDrivePassesAndEvenDriveAndStagesPlayNoPart)
{
  Saturator s;
  s.Reset(48000);
  s.SetParams(Sat(kSatClassic, 5, 100, 0, 100));
  EXPECT_EQ(s.Process(1.7), 1.7);
  Saturator a, b;
  a.SetParams(Sat(kSatClassic, 1, 0, 40));
  b.SetParams(Sat(kSatClassic, 5, 100, 40, 100));
  for (double x : {-1.0, -0.4, 0.3, 0.9}) EXPECT_EQ(a.Process(x), b.Process(x));
}

TEST(Fluctuation, LowersEachDriveByTheSmoothedRandomValueButNeverBelowZero)
{
  Saturator s;
  s.Reset(48000);
  s.SetParams(Sat(kSatClean, 1, 100, 100, 100));
  std::set<double> evenSeen;
  for (int i = 0; i < 48000; ++i)
  {
    s.Process(0.3);
    ASSERT_GE(s.EvenWalk(), 0.0);
    ASSERT_LE(s.EvenWalk(), 1.0);
    if (i % 4800 == 0) evenSeen.insert(s.EvenWalk());
  }
  EXPECT_GT(evenSeen.size(), 5u); // the walk moves
  // With the walk at 1 the drive would be exactly 0: the output of a drive-less curve is the input.
  Saturator full;
  full.Reset(48000);
  full.SetParams(Sat(kSatClean, 1, 100, 100, 100));
  double maxDeviation = 0;
  for (int i = 0; i < 48000; ++i) maxDeviation = std::max(maxDeviation, std::fabs(full.Process(0.3) - 0.3));
  EXPECT_GT(maxDeviation, 0.0);
}

// At F % the fluctuation lowers each drive by F / 100 of its walk, never below zero: the output is the curve's at
// the lowered drives.
TEST(Fluctuation, LowersEachDriveByItsPercentageOfTheWalk)
{
  for (double fluct : {10.0, 50.0, 100.0})
  {
    Saturator s, plain;
    s.Reset(48000);
    plain.Reset(48000);
    s.SetParams(Sat(kSatClean, 1, 80, 60, fluct));
    const double even = 0.8 * 0.8 * 0.8, odd = 0.6 * 0.6 * 0.6; // the knobs' drives, cubed
    for (int i = 0; i < 20000; ++i)
    {
      const double x = 0.6 * std::sin(0.01 * i);
      const double y = s.Process(x);
      const double f = fluct / 100.0;
      const double want = plain.SaturationCurve(kSatClean, 1, true, x, std::max(even - f * s.EvenWalk(), 0.0),
                                                std::max(odd - f * s.OddWalk(), 0.0));
      ASSERT_NEAR(y, want, 1e-9) << fluct << " " << i;
    }
  }
}

// Each walk heads for its latest draw, held a fifth of a second and all but reached within that time, at every
// rate: the first draws from 0, the next ones from there.
TEST(Fluctuation, EachDrawIsHeldAFifthOfASecondAndAllButReachedWithinIt)
{
  for (double fs : {44100.0, 48000.0, 96000.0, 192000.0})
  {
    Saturator s;
    s.Random().Seed(24);
    s.Reset(fs);
    s.SetParams(Sat(kSatClean, 1, 50, 50, 50));
    FluctuationRandom draws;
    draws.Seed(24);
    const double first[2] = {draws.NextUnit(), draws.NextUnit()};
    const double second[2] = {draws.NextUnit(), draws.NextUnit()};
    ASSERT_GT(std::fabs(second[0] - first[0]), 0.3);
    ASSERT_GT(std::fabs(second[1] - first[1]), 0.3);
    int done = 0;
    auto runUntil = [&](double seconds) {
      for (; done < int(seconds * fs); ++done) s.Process(0.3);
    };
    runUntil(0.19);
    EXPECT_NEAR(s.EvenWalk(), first[0], 0.1 * first[0]) << fs;
    EXPECT_NEAR(s.OddWalk(), first[1], 0.1 * first[1]) << fs;
    runUntil(0.39);
    EXPECT_NEAR(s.EvenWalk(), second[0], 0.1 * std::fabs(second[0] - first[0])) << fs;
    EXPECT_NEAR(s.OddWalk(), second[1], 0.1 * std::fabs(second[1] - first[1])) << fs;
  }
}

// The walk turns toward the next draw on the sample a fifth of a second in, not one later: its step there grows.
TEST(Fluctuation, TheNextDrawIsTakenOnTheSampleAFifthOfASecondIn)
{
  for (double fs : {44100.0, 48000.0})
  {
    Saturator s;
    s.Random().Seed(24);
    s.Reset(fs);
    s.SetParams(Sat(kSatClean, 1, 50, 50, 50));
    const int fifth = int(std::lround(fs / 5.0));
    double walk = 0.0, step = 0.0;
    int turned = -1;
    for (int n = 1; n <= fifth + 2 && turned < 0; ++n)
    {
      s.Process(0.3);
      const double next = s.EvenWalk() - walk;
      if (n > 1 && std::fabs(next) > 2.0 * std::fabs(step)) turned = n;
      walk = s.EvenWalk();
      step = next;
    }
    EXPECT_EQ(turned, fifth) << fs;
  }
}

// Before its first Reset a saturator takes a fresh draw every sample, and its walks follow each draw at once; so
// (all but) does one reset to 1 Hz, where a fifth of a second is less than a sample, after the two draws it starts
// from.
TEST(Fluctuation, BeforeAnyResetEachSampleTakesAFreshDraw)
{
  for (bool reset : {false, true})
  {
    Saturator s;
    s.Random().Seed(7);
    FluctuationRandom same;
    same.Seed(7);
    if (reset)
    {
      s.Reset(1.0);
      same.NextUnit();
      same.NextUnit();
    }
    s.SetParams(Sat(kSatClean, 1, 50, 50, 50));
    for (int n = 0; n < 3; ++n)
    {
      s.Process(0.3);
      EXPECT_NEAR(s.EvenWalk(), same.NextUnit(), reset ? 1e-6 : 0.0) << n;
      EXPECT_NEAR(s.OddWalk(), same.NextUnit(), reset ? 1e-6 : 0.0) << n;
    }
  }
}

TEST(Fluctuation, EachSaturatorDrawsFromItsOwnGenerator)
{
  Saturator a, b;
  a.Random().Seed(1);
  b.Random().Seed(1);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(a.Random().Next(), b.Random().Next());
  FluctuationRandom x, y; // seeded per instance
  int same = 0;
  for (int i = 0; i < 100; ++i) same += x.Next() == y.Next();
  EXPECT_LT(same, 3);
  for (int i = 0; i < 100000; ++i)
  {
    const double u = x.NextUnit();
    ASSERT_GE(u, 0.0);
    ASSERT_LE(u, 1.0);
  }
}

TEST(SaturatorBadInput, NonFiniteSamplesLeaveNoNaNInTheState)
{
  for (int mode = 0; mode < 4; ++mode)
  {
    Saturator s;
    s.Reset(48000);
    s.SetParams(Sat(mode, 3, 70, 70, 50));
    for (double x : {double(NAN), double(INFINITY), -double(INFINITY), 1e308, -1e308}) s.Process(x);
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(std::isfinite(s.Process(0.25 * std::sin(i * 0.1)))) << mode;
  }
}

TEST(SaturatorBadInput, AbsurdRatesGiveUsableState)
{
  for (double fs : {0.0, -48000.0, double(NAN), 1e9, 1.0})
  {
    Saturator s;
    s.Reset(fs);
    s.SetParams(Sat(kSatWarm, 2, 50, 50, 100));
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(std::isfinite(s.Process(0.5 * std::sin(i * 0.05)))) << fs;
  }
}

} // namespace
