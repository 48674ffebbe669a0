// Delay rings, level conversions, the meter clock, the piecewise-linear map and the chain of block processors.
#include "effect/dsp/channel_buffers.h"
#include "effect/dsp/delay_ring.h"
#include "effect/dsp/levels.h"
#include "effect/dsp/meter_clock.h"
#include "effect/dsp/piecewise_linear.h"
#include "effect/dsp/processor_chain.h"
#include "effect/dsp/sat_stage_bank.h"
#include "effect/dsp/vector_math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

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
  for (const int length : {1, 2, 3, 8})
  {
    DelayRing ring;
    ring.Resize(8);
    ring.SetLength(length);
    for (int i = 1; i <= 10; ++i) ring.Push(i);
    for (int i = 11; i <= 13; ++i) EXPECT_EQ(ring.Exchange(i), i - length) << "length " << length;
  }
  DelayRing r;
  r.Resize(8);
  r.SetLength(3);
  r.Resize(4); // a non-zero length becomes the new capacity, contents cleared
  EXPECT_EQ(r.Length(), 4);
  EXPECT_EQ(r.Exchange(1), 0.0);
  // At length 0 a push stores nothing that a longer delay could later give out.
  DelayRing idle;
  idle.Resize(4);
  idle.Push(7.0);
  idle.SetLength(2);
  EXPECT_EQ(idle.Exchange(1.0), 0.0);
  EXPECT_EQ(idle.Exchange(2.0), 0.0);
  EXPECT_EQ(idle.Exchange(3.0), 1.0);
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

// A level in dB gives its amplitude, down to silence (gain 0) at -144 dB and below; a time of none (or no rate)
// gives the instant coefficient 0.
TEST(Levels, GainsOfDecibelsAndCoefficientsOfTimes)
{
  const double gains[][2] = {{0.0, 1.0}, {20.0, 10.0}, {-20.0, 0.1}, {-6.020599913279624, 0.5},
                             {-143.9, 6.382634861905482e-08}, {-144.0, 0.0}, {-1000.0, 0.0}, {-INFINITY, 0.0}};
  for (const auto& g : gains) EXPECT_NEAR(DbToGain(g[0]), g[1], g[1] * 1e-12) << g[0];
  EXPECT_DOUBLE_EQ(TimeCoefficient(10.0, 0.5, 2.0), 0.1);
  EXPECT_DOUBLE_EQ(TimeCoefficient(10.0, 1.0, 48000.0), std::pow(10.0, -1.0 / 48000.0));
  for (const double seconds : {0.0, -1.0, double(NAN)}) EXPECT_EQ(TimeCoefficient(10.0, seconds, 48000.0), 0.0);
  EXPECT_EQ(TimeCoefficient(10.0, 1.0, 0.0), 0.0);
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
  // At 50 Hz a period is exactly one sample: every sample raises it.
  MeterClock c;
  c.Setup(50.0);
  EXPECT_EQ(c.interval, 1);
  EXPECT_TRUE(c.Advance(1));
  EXPECT_TRUE(c.Advance(1));
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

// The box of the points bounds both mappings: beyond it each gives the end point's coordinate.
TEST(PiecewiseLinear, BothMappingsStayWithinTheBoxOfThePoints)
{
  const PiecewiseLinear s = Shape();
  EXPECT_EQ(s.MinX(), -100.0);
  EXPECT_EQ(s.MaxX(), 4.0);
  EXPECT_EQ(s.MinY(), 0.0);
  EXPECT_EQ(s.MaxY(), 1.0);
  const double values[][2] = {{-1e9, 0.0}, {-101, 0.0}, {-100, 0.0}, {-60, 0.04}, {-20, 0.08}, {4, 1.0}, {5, 1.0}};
  for (const auto& [v, n] : values)
  {
    EXPECT_NEAR(s.ValueToNormalized(v), n, 1e-12) << v;
    EXPECT_NEAR(s.NormalizedToValue(v < -100 ? -0.5 : (v > 4 ? 2.0 : n)), std::clamp(v, -100.0, 4.0), 1e-9) << v;
  }
}

TEST(PiecewiseLinear, EmptyOneAndTwoPointShapes)
{
  PiecewiseLinear s;
  EXPECT_EQ(s.ValueToNormalized(3), 0.0);
  EXPECT_EQ(s.NormalizedToValue(0.3), 0.0);
  s.AddPoint(-6, 0.4);
  EXPECT_EQ(s.ValueToNormalized(3), 0.4);
  EXPECT_EQ(s.NormalizedToValue(0.9), -6.0);
  s.AddPoint(4, 1.0);
  EXPECT_NEAR(s.ValueToNormalized(-1), 0.7, 1e-12);
  EXPECT_NEAR(s.NormalizedToValue(0.7), -1.0, 1e-12);
}

// Two or four values at once give what the scalar functions give (sines within the rounding of their shift by a
// quarter turn), and each value the same result whether computed in twos or fours.
TEST(VectorMath, CosSinAndExpOfTwoOrFourValuesMatchTheScalarFunctions)
{
  for (double base : {-7.0, -1.0, -1e-3, 0.0, 0.4, 1.5707963267948966, 3.0, 20.0})
  {
    const double v[4] = {base, base + 0.3, base - 1.1, 2 * base}, p[4] = {base + 0.7, base - 0.2, 3 * base, base + 2};
    double c4[4], s4[4], e4[4], c2[2], s2[2], e2[2];
    vector_math::CosSin<4>(v, p, c4, s4);
    vector_math::CosSin<2>(v, p, c2, s2);
    vector_math::Exp<4>(v, e4);
    vector_math::Exp<2>(v, e2);
    for (int i = 0; i < 4; ++i)
    {
      EXPECT_NEAR(c4[i], std::cos(v[i]), 1e-15) << base << " " << i;
      EXPECT_NEAR(s4[i], std::sin(p[i]), 1e-14) << base << " " << i;
      EXPECT_NEAR(e4[i] / std::exp(v[i]), 1.0, 1e-15) << base << " " << i;
    }
    for (int i = 0; i < 2; ++i)
    {
      EXPECT_EQ(c2[i], c4[i]) << base << " " << i;
      EXPECT_EQ(s2[i], s4[i]) << base << " " << i;
      EXPECT_EQ(e2[i], e4[i]) << base << " " << i;
    }
  }
}

// A stage that maps every sample through y = scale * x + offset and notes what Init and its end were given.
class LineStage : public ChainProcessor
{
public:
  LineStage(double scale, double offset, int* ended) : mScale(scale), mOffset(offset), mEnded(ended) {}
  ~LineStage() override
  {
    if (mEnded) ++*mEnded;
  }
  void Init(int nChannels, double sampleRate) override
  {
    channels = nChannels;
    rate = sampleRate;
  }
  void Process(double** inputs, double** outputs, int nFrames) override
  {
    for (int c = 0; c < channels; ++c)
      for (int i = 0; i < nFrames; ++i) outputs[c][i] = mScale * inputs[c][i] + mOffset;
  }
  int channels = 0;
  double rate = 0.0;

private:
  double mScale, mOffset;
  int* mEnded;
};

// Stages run in list order, each on the one before's output, over every channel, whether one, two or three;
// an empty chain copies, and a chain without frames or channels leaves the outputs alone.
TEST(ProcessorChain, RunsItsStagesInOrderOverEveryChannelAndAnEmptyOneCopies)
{
  int ended = 0;
  {
    ProcessorChain chain;
    std::vector<double> in0 = {1, 2, 3, 4, 5}, in1 = {-1, 0, 0.5, 8, 9}, out0(5, 7.0), out1(5, 7.0);
    double* inputs[] = {in0.data(), in1.data()};
    double* outputs[] = {out0.data(), out1.data()};
    chain.Process(inputs, outputs, 5); // no channels before Init
    EXPECT_EQ(out0, std::vector<double>(5, 7.0));
    chain.Init(2, 48000);
    chain.Process(inputs, outputs, 0);
    EXPECT_EQ(out1, std::vector<double>(5, 7.0));
    chain.Process(inputs, outputs, 5);
    EXPECT_EQ(out0, in0);
    EXPECT_EQ(out1, in1);
    LineStage* stages[] = {new LineStage(2, 0, &ended), new LineStage(1, 3, &ended), new LineStage(-1, 0, &ended)};
    const double expected[3][2][5] = {{{2, 4, 6, 8, 10}, {-2, 0, 1, 16, 18}},
                                      {{5, 7, 9, 11, 13}, {1, 3, 4, 19, 21}},
                                      {{-5, -7, -9, -11, -13}, {-1, -3, -4, -19, -21}}};
    for (int n = 0; n < 3; ++n)
    {
      chain.List().Append(stages[n]);
      ASSERT_EQ(chain.List().CursorIndex(), n); // on the stage appended
      chain.Init(2, 44100);
      EXPECT_EQ(stages[n]->channels, 2);
      EXPECT_EQ(stages[n]->rate, 44100);
      chain.Process(inputs, outputs, 5);
      for (int i = 0; i < 5; ++i)
      {
        EXPECT_EQ(out0[size_t(i)], expected[n][0][i]) << n << " " << i;
        EXPECT_EQ(out1[size_t(i)], expected[n][1][i]) << n << " " << i;
      }
    }
    EXPECT_EQ(ended, 0);
  }
  EXPECT_EQ(ended, 3); // the chain owned its stages
}

// The list walks its cursor either way to the index asked for; an index out of range gives nothing. Items are
// deleted, handed to the free function or left alone as the list was told.
TEST(ProcessorList, GetWalksTheCursorEitherWayAndOwnershipIsAsTold)
{
  static int freed;
  freed = 0; // counted afresh on every run of the test
  int ended = 0;
  std::vector<std::unique_ptr<LineStage>> kept;
  {
    ProcessorList owning(ProcessorList::kDeleteItems);
    ProcessorList freeing(ProcessorList::kFreeFunction, [](ChainProcessor* p) {
      ++freed;
      delete p;
    });
    ProcessorList borrowing(ProcessorList::kNotOwned);
    EXPECT_EQ(owning.Get(0), nullptr);
    EXPECT_EQ(owning.CursorIndex(), -1);
    ChainProcessor* items[4];
    for (int i = 0; i < 4; ++i)
    {
      items[i] = new LineStage(1, 0, &ended);
      owning.Append(items[i]);
      freeing.Append(new LineStage(1, 0, &ended));
      kept.push_back(std::make_unique<LineStage>(1, 0, nullptr));
      borrowing.Append(kept.back().get());
    }
    EXPECT_EQ(owning.Count(), 4);
    ASSERT_EQ(owning.CursorIndex(), 3);
    // A wrong walk stops the test before the cursor can leave the list.
    for (int index : {2, 0, 3, 1, 0, 3})
    {
      ASSERT_EQ(owning.Get(index), items[index]) << index;
      ASSERT_EQ(owning.CursorIndex(), index);
    }
    EXPECT_EQ(owning.Get(4), nullptr);
    EXPECT_EQ(owning.Get(-1), nullptr);
    EXPECT_EQ(owning.CursorIndex(), 3);
  }
  EXPECT_EQ(freed, 4);
  EXPECT_EQ(ended, 8);
}

} // namespace

// Only samples strictly between -floor and floor are zeroed.
TEST(ChannelBuffers, ZeroBelowFloorKeepsTheFloorItself)
{
  std::vector<double> a = {1e-9, -1e-9, 0.5e-9, -0.5e-9, 0.0, 1e-12}, b = a;
  double* buffers[] = {a.data(), b.data()};
  ZeroBelowFloor(buffers, 5, 2, 1e-9);
  const std::vector<double> expected = {1e-9, -1e-9, 0.0, 0.0, 0.0, 1e-12}; // the last lies past the frames
  EXPECT_EQ(a, expected);
  EXPECT_EQ(b, expected);
}

// A stage holds two sets of the same seven filters in one order, each filter its own.
TEST(SatStage, HoldsTwoSetsOfTheSevenFilterKindsInOrder)
{
  const char* const kinds[] = {"Band Shelf", "High Pass", "Low Pass", "High Shelf", "Low Shelf", "Band Pass",
                               "Band Stop"};
  SatStage stage;
  std::set<const Dsp::Filter*> filters;
  for (int i = SatStage::kNumFilters - 1; i >= 0; --i) // from the last, so a wrong place shows before a set overruns
  {
    ASSERT_EQ(stage.FilterAt(i).GetName(), std::string("Butterworth ") + kinds[i % 7]) << "filter " << i;
    filters.insert(&stage.FilterAt(i));
  }
  EXPECT_EQ(filters.size(), size_t(SatStage::kNumFilters));
}
