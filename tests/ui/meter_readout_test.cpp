// What a meter group shows for a level meter's readings: needles on the meter scale, the lamp, and the value texts
// with their floor, also for levels that are no finite number.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "effect/MeterScale.h"
#include "effect/ShapeLinearCustom.h"
#include "ui/MeterReadout.h"

namespace {

ShapeLinearCustom Scale()
{
  ShapeLinearCustom s;
  for (const MeterScalePoint& p : kMeterScale) s.AddPoint(p.db, p.position);
  return s;
}

MeterInput Level(double linear)
{
  MeterInput in;
  in.value = in.maximum = in.envelope = linear;
  return in;
}

TEST(MeterReadout, FullScaleAtZeroReferenceSitsAtZeroDbWithTheLampOff)
{
  MeterReadout r = ReadMeter(Level(1.0), 0, Scale());
  EXPECT_DOUBLE_EQ(r.needle, 0.745);
  EXPECT_DOUBLE_EQ(r.needle1, 0.745);
  EXPECT_EQ(r.lamp, 0.0);
  EXPECT_EQ(r.envelopeText, "0.0");
  EXPECT_EQ(ReadMeter(Level(1.01), 0, Scale()).lamp, 1.0);
  EXPECT_EQ(ReadMeter(Level(1.0), -0.01, Scale()).lamp, 0.0) << "lit only above 0.01 dB over the reference";
  EXPECT_EQ(ReadMeter(Level(1.0), -0.011, Scale()).lamp, 1.0);
  // The lamp follows the level, not the slower envelope.
  MeterInput hotLevel = Level(1.5), hotEnvelope = Level(0.5);
  hotLevel.envelope = 0.5, hotEnvelope.envelope = 1.5;
  EXPECT_EQ(ReadMeter(hotLevel, 0, Scale()).lamp, 1.0);
  EXPECT_EQ(ReadMeter(hotEnvelope, 0, Scale()).lamp, 0.0);
  // The reference moves the scale: at -18 a level of 1.0 reads +18 dB, beyond full scale.
  MeterReadout hot = ReadMeter(Level(1.0), -18, Scale());
  EXPECT_DOUBLE_EQ(hot.needle, 1.0);
  EXPECT_EQ(hot.maximumText, "18.0");
}

TEST(MeterReadout, ValueTextsAndTheirFloor)
{
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  struct Case
  {
    double db, reference;
    const char* text;
  } cases[] = {
    {-150, 0, "-INF"}, {-143.9, 0, "-143.9"}, {-144, 0, "-INF"}, {-130, -18, "-INF"}, {-126, 18, "-126.0"},
    {-inf, 0, "-INF"}, {nan, 0, "-INF"},      {inf, 0, "+INF"},  {3.25, 0, "3.2"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatMeterValue(c.db, c.reference), c.text) << c.db;
  // The reference in whole dB; one that is no finite number shows nothing.
  for (const auto& [reference, text] : {std::pair<double, const char*>{-18, "-18"}, {-17.6, "-18"}, {0, "0"},
                                        {12.4, "12"}, {inf, ""}, {-inf, ""}, {nan, ""}})
    EXPECT_EQ(FormatMeterReference(reference), text) << reference;
}

TEST(MeterReadout, SilenceAndInfiniteLevelsRestOrPinTheNeedles)
{
  MeterReadout silent = ReadMeter(Level(0.0), 0, Scale());
  EXPECT_EQ(silent.needle, 0.0);
  EXPECT_EQ(silent.lamp, 0.0);
  EXPECT_EQ(silent.envelopeText, "-INF");
  MeterReadout overflow = ReadMeter(Level(std::numeric_limits<double>::infinity()), 0, Scale());
  EXPECT_EQ(overflow.needle, 1.0);
  EXPECT_EQ(overflow.maximumText, "+INF");
  MeterInput inverted = Level(0.0);
  inverted.inverted = true; // the envelope holds 1 - level
  EXPECT_EQ(ReadMeter(inverted, 0, Scale()).envelopeText, "0.0");
  EXPECT_EQ(MeterScalePosition(std::nan(""), Scale()), 0.0);
  // A meter that has published nothing yet reads as silence throughout.
  const MeterReadout idle = ReadMeter(MeterInput(), 0, Scale());
  EXPECT_EQ(idle.needle, 0.0);
  EXPECT_EQ(idle.needle1, 0.0);
  EXPECT_EQ(idle.lamp, 0.0);
  EXPECT_EQ(idle.envelopeText, "-INF");
  EXPECT_EQ(idle.maximumText, "-INF");
}

TEST(MeterReadout, ClipLedFollowsTheGainReduction)
{
  EXPECT_EQ(ClipLedValue(1.0, false), 0.0);
  EXPECT_EQ(ClipLedValue(0.9, false), 1.0);
  EXPECT_EQ(ClipLedValue(0.0, true), 0.0);
  EXPECT_EQ(ClipLedValue(0.1, true), 1.0);
}

} // namespace

// The two needles and the two texts each read their own level: the top needle the current value, the one below
// it the slower envelope, the left text the envelope and the right text the maximum.
TEST(MeterReadout, EachNeedleAndTextReadsItsOwnLevel)
{
  MeterInput split = Level(0.5); // -6 dB
  split.envelope = 0.25;         // -12 dB
  split.maximum = 1.0;           // 0 dB
  const MeterReadout r = ReadMeter(split, 0, Scale());
  EXPECT_DOUBLE_EQ(r.needle, ReadMeter(Level(0.5), 0, Scale()).needle);
  EXPECT_DOUBLE_EQ(r.needle1, ReadMeter(Level(0.25), 0, Scale()).needle);
  EXPECT_LT(r.needle1, r.needle);
  EXPECT_EQ(r.envelopeText, "-12.0");
  EXPECT_EQ(r.maximumText, "0.0");
  // The level scale applies to the value and the maximum, not to the display envelope; the dB factor to all three
  // (10 / ln 10 reads power).
  MeterInput scaled = split;
  scaled.gain = 2, scaled.dbFactor = 10 / std::log(10.0);
  const MeterReadout s = ReadMeter(scaled, 0, Scale());
  EXPECT_EQ(s.lamp, 0.0); // 0.5 x 2 is exactly full scale
  EXPECT_DOUBLE_EQ(s.needle, ReadMeter(Level(1.0), 0, Scale()).needle);
  EXPECT_EQ(s.envelopeText, "-6.0");
  EXPECT_EQ(s.maximumText, "3.0");
}
