// Delay rings, the meter clock and the piecewise-linear map.
#include "effect/dsp/delay_ring.h"
#include "effect/dsp/meter_clock.h"
#include "effect/dsp/piecewise_linear.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(DelayRing, DelaysByItsLengthAndPassesAtLengthZero)
{
  DelayRing r;
  r.Resize(16);
  EXPECT_EQ(r.Exchange(3.0), 3.0); // length 0
  r.SetLength(5);
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(r.Exchange(i), i > 5 ? i - 5 : 0.0) << i;
  r.SetLength(100);
  EXPECT_EQ(r.Length(), 16);
  r.SetLength(-3);
  EXPECT_EQ(r.Length(), 0);
}

TEST(DelayRing, PushKeepsTheNewestInputForALaterExchange)
{
  DelayRing r;
  r.Resize(8);
  r.SetLength(3);
  for (int i = 1; i <= 10; ++i) r.Push(i);
  EXPECT_EQ(r.Exchange(11), 8.0);
  EXPECT_EQ(r.Exchange(12), 9.0);
  r.Resize(4); // a non-zero length becomes the new capacity, contents cleared
  EXPECT_EQ(r.Length(), 4);
  EXPECT_EQ(r.Exchange(1), 0.0);
}

// A shorter delay set while the position lies beyond it starts over at the front: every later input comes out
// exactly the new length later. A clear silences what was stored and keeps the delay.
TEST(DelayRing, ShortenedOrClearedItDelaysEveryLaterInputByItsLength)
{
  DelayRing r;
  r.Resize(16);
  r.SetLength(10);
  for (int i = 1; i <= 7; ++i) r.Exchange(-i);
  r.SetLength(3);
  for (int i = 1; i <= 10; ++i)
  {
    const double out = r.Exchange(i);
    if (i > 3)
    {
      EXPECT_EQ(out, i - 3) << i;
    }
  }
  r.Clear();
  EXPECT_EQ(r.Length(), 3);
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(r.Exchange(100 + i), i > 3 ? 100 + i - 3 : 0.0) << i;
}

// Shortened to exactly the place it had reached (the first place the shorter ring no longer has), by exchanges
// and by pushes alike, the ring still delays every later input by its new length.
TEST(DelayRing, ShortenedToThePlaceItHadReachedItDelaysEveryLaterInputByItsLength)
{
  for (const bool pushed : {false, true})
    for (const int reached : {1, 4, 7})
    {
      SCOPED_TRACE(testing::Message() << (pushed ? "pushed " : "exchanged ") << reached);
      DelayRing r;
      r.Resize(16);
      r.SetLength(10);
      for (int i = 1; i <= reached; ++i)
        if (pushed)
          r.Push(-i);
        else
          r.Exchange(-i);
      r.SetLength(reached);
      for (int i = 1; i <= 3 * reached + 2; ++i)
      {
        const double out = r.Exchange(i);
        if (i > reached)
        {
          EXPECT_EQ(out, i - reached) << i;
        }
      }
    }
}

TEST(MeterClock, RaisesEveryTwentyMillisecondsAndCarriesTheRemainder)
{
  MeterClock c;
  c.Setup(48000);
  EXPECT_EQ(c.interval, 960);
  int raised = 0;
  for (int i = 0; i < 100; ++i) raised += c.Advance(512);
  EXPECT_EQ(raised, 51200 / 960);
  EXPECT_EQ(c.counter, 51200 % 960);
  EXPECT_FALSE(c.Advance(0));
}

TEST(MeterClock, TinyOrAbsurdRatesKeepAnIntervalOfAtLeastOneSample)
{
  for (double fs : {1.0, 10.0, 0.0, -5.0, double(NAN), double(INFINITY)})
  {
    MeterClock c;
    c.Setup(fs);
    EXPECT_GE(c.interval, 1) << fs;
    c.Advance(1000);
  }
}

// A shape of three uneven segments, rising.
PiecewiseLinear Shape()
{
  PiecewiseLinear s;
  s.AddPoint(-100, 0);
  s.AddPoint(-20, 0.08);
  s.AddPoint(-7, 0.295);
  s.AddPoint(4, 1.0);
  return s;
}

TEST(PiecewiseLinear, NormalizedToValueInvertsEverySegment)
{
  const PiecewiseLinear s = Shape();
  for (const auto& p : s.Points()) EXPECT_NEAR(s.NormalizedToValue(p.y), p.x, 1e-9);
  for (double v = -100; v <= 4; v += 0.37) EXPECT_NEAR(s.NormalizedToValue(s.ValueToNormalized(v)), v, 1e-9);
}

TEST(PiecewiseLinear, EmptyAndSinglePointShapes)
{
  PiecewiseLinear s;
  EXPECT_EQ(s.ValueToNormalized(3), 0.0);
  EXPECT_EQ(s.NormalizedToValue(0.3), 0.0);
  s.AddPoint(-6, 0.4);
  EXPECT_EQ(s.ValueToNormalized(3), 0.4);
  EXPECT_EQ(s.NormalizedToValue(0.9), -6.0);
}

} // namespace
