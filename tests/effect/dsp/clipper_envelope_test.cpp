// The soft clipper's ceiling and knee, and the inverted hold envelope the clip lamp follows.
#include "effect/dsp/hold_envelope.h"
#include "effect/dsp/soft_clipper.h"
#include "signals.h"

#include <gtest/gtest.h>

namespace {

TEST(SoftClipper, MinusSixDbIsExactlyHalfAndNeverPassed)
{
  SoftClipper c;
  c.SetCeiling(-6.0);
  EXPECT_EQ(c.top, 0.5);
  for (double x : testsig::Sine(997, 48000, 48000)) ASSERT_LE(std::fabs(c.Process(x)), 0.5);
  for (double x : {1.0, 10.0, 1e6, 1e300}) EXPECT_LE(c.Process(x), 0.5);
}

TEST(SoftClipper, GainReductionIsOutputOverInputAndOneForSilence)
{
  SoftClipper c;
  c.SetCeiling(-12.0);
  c.Process(0.0);
  EXPECT_EQ(c.gainReduction, 1.0);
  const double y = c.Process(-0.9);
  EXPECT_DOUBLE_EQ(c.gainReduction, y / -0.9);
  EXPECT_LT(c.gainReduction, 0.3);
  EXPECT_GT(c.gainReduction, 0.0);
}

// At every ceiling of the range the clipper leaves samples up to a fiftieth of a dB under the ceiling untouched,
// bends everything that reaches the ceiling, and never passes it.
TEST(SoftClipper, EveryCeilingOfTheRangeIsMonotonicAndBounded)
{
  SoftClipper c;
  for (double db = -60.0; db <= 0.0; db += 0.1)
  {
    c.SetCeiling(db);
    double last = -1;
    for (double x = 0; x <= 2.0; x += 0.001)
    {
      const double y = c.Process(x);
      ASSERT_GE(y, last);
      ASSERT_LE(y, c.top);
      if (x < 0.998 * c.top) { ASSERT_EQ(y, x) << db << " " << x; }
      if (x >= c.top) { ASSERT_LT(y, x) << db << " " << x; }
      last = y;
    }
  }
}

TEST(HoldEnvelope, InvertFollowsTheAmountTakenAwayAndNeverGoesNegative)
{
  HoldEnvelope e;
  e.Setup(0.1, 3.0, 48000, 1);
  e.Step(1.0); // no reduction
  EXPECT_EQ(e.value, 0.0);
  e.Step(0.25);
  EXPECT_EQ(e.value, 0.75);
  e.Step(3.0); // gains above 1 count as no reduction
  EXPECT_EQ(e.value, 0.75);
  EXPECT_GE(e.peak, 0.75);
  HoldEnvelope quick; // without a hold it falls to no reduction, never below
  quick.Setup(0.1, 0.0, 8000, 1);
  quick.Step(0.25);
  for (int i = 0; i < 8000; ++i) quick.Step(3.0);
  EXPECT_GE(quick.value, 0.0);
  EXPECT_LT(quick.value, 1e-6);
}

// A cleared envelope is a fresh one: every field it shows is back at rest, and its next peak is held for the
// full hold time again.
TEST(HoldEnvelope, ClearMidHoldStartsAgainFromRest)
{
  HoldEnvelope e;
  e.Setup(0.1, 0.001, 48000, 0);
  e.Step(0.5);
  for (int i = 0; i < 10; ++i) e.Step(0.0);
  EXPECT_EQ(e.state, HoldEnvelope::kHolding);
  e.Clear();
  EXPECT_EQ(e.value, 0.0);
  EXPECT_EQ(e.peak, 0.0);
  EXPECT_EQ(e.counter, 0);
  EXPECT_EQ(e.state, HoldEnvelope::kIdle);
  e.Step(0.5);
  int held = 0;
  while (e.state == HoldEnvelope::kHolding && held < 1000)
  {
    e.Step(0.0);
    if (e.state == HoldEnvelope::kHolding) ++held;
  }
  EXPECT_EQ(held, e.hold);
}

} // namespace
