// Preset names shortened for the preset menu, and the knob's drag, snap and wheel arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/IPresetSlot.h"
#include "ui/EditorLayout.h"
#include "ui/KnobMath.h"
#include "ui/PresetNames.h"

namespace {

TEST(PresetNames, LongNamesKeepStartAndEndAroundDots)
{
  EXPECT_EQ(ShortenPresetName("ABCDEFGHIJKLMNOPQRST", 20), "ABCDEFGH ... NOPQRST");
  EXPECT_EQ(ShortenPresetName("ABCDEFGHIJKLMNOPQRS", 20), "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(ShortenPresetName("ABCDEFGHIJ", 6), "ABCDEFGHIJ");
  EXPECT_EQ(ShortenPresetName("ABCDEFGHIJ", 7), "A ... J") << "the smallest limit that still shortens";
  EXPECT_EQ(ShortenPresetName("ABCDEFGHIJ", 8), "AB ... J");
  EXPECT_EQ(ShortenPresetName("", 20), "");
}

TEST(PresetNames, MultiByteCharactersAreNeverCut)
{
  // 22 characters, most of them two or three bytes long: the result has 20 characters and is valid UTF-8.
  const std::string name = "Ärger über Größe – Tön";
  const std::string shortened = ShortenPresetName(name, 20);
  EXPECT_EQ(shortened, "Ärger üb ... e – Tön");
  EXPECT_EQ(ShortenPresetName("Über", 20), "Über");
  EXPECT_EQ(ShortenPresetName("\xF0\x9F\x8E\xB9" + std::string(19, 'a'), 20), "\xF0\x9F\x8E\xB9" "aaaaaaa ... aaaaaaa");
  // A broken sequence counts byte by byte and stays as it was.
  EXPECT_EQ(ShortenPresetName("\xC3", 20), "\xC3");
}

TEST(PresetNames, BrokenBytesAtTheHeadAndTheCutPointsCountAsOneCharacterEach)
{
  // 23 letters with one broken sequence put in at character `at`: 24 characters, shortened to 20 (the first 8 and
  // the last 7). A lead byte without its continuation bytes must not swallow the letters after it.
  const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVW";
  struct Case
  {
    size_t at;
    const char* broken;
    const char* expected;
  } cases[] = {
    {0, "\xC3", "\xC3" "ABCDEFG ... QRSTUVW"},        // at the head
    {7, "\xE2", "ABCDEFG\xE2 ... QRSTUVW"},            // the last character kept at the head
    {8, "\xF0", "ABCDEFGH ... QRSTUVW"},                // the first character dropped
    {16, "\xC3", "ABCDEFGH ... QRSTUVW"},               // the last character dropped
    {17, "\xE2", "ABCDEFGH ... \xE2RSTUVW"},            // the first character of the tail
    {23, "\xF0", "ABCDEFGH ... RSTUVW\xF0"},            // at the end
    {17, "\x80", "ABCDEFGH ... \x80RSTUVW"},            // a continuation byte without a lead
  };
  for (const Case& c : cases)
  {
    std::string name = letters;
    name.insert(c.at, c.broken);
    EXPECT_EQ(ShortenPresetName(name, 20), c.expected) << c.at;
  }
  // A lead byte with one of its two continuation bytes: both bytes count as characters of their own.
  EXPECT_EQ(ShortenPresetName("\xE2\x82" + letters.substr(0, 22), 20), "\xE2\x82" "ABCDEF ... PQRSTUV");
}

TEST(PresetNames, MenuNamesHaveNoControlCharactersAndNoBrokenSequences)
{
  const std::pair<std::string, std::string> cases[] = {
    {"a\nb\rc\x1b\x07" "d\x7f", "a b c  d "},
    {"next \xC2\x85 line", "next   line"},                         // C1 control U+0085
    {"a\xE2\x80\xAE" "b\xE2\x81\xA6" "c", "a b c"},                    // right-to-left override, isolate
    {"\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},                         // overlong zero
    {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},         // surrogate
    {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // above U+10FFFF
    {"Gr\xC3\xB6\xC3\x9F\xE2\x82\xAC\xF0\x9F\x8E\xB9", "Gr\xC3\xB6\xC3\x9F\xE2\x82\xAC\xF0\x9F\x8E\xB9"},
  };
  for (const auto& [name, shown] : cases) EXPECT_EQ(MenuName(name), shown) << name;
}

TEST(PresetNames, FileNamesAreBuiltOnlyFromHarmlessNames)
{
  for (const char* bad : {"", "a/b", "..", "x..y", "tab\there", "unit\x1fsep", "del\x7f"}) EXPECT_FALSE(UsableAsFileName(bad)) << bad;
  for (const char* good : {"Fine", "Warm. Pad", "\xC3\x9C ber"}) EXPECT_TRUE(UsableAsFileName(good)) << good;
}

TEST(PresetNames, ACutTo255BytesEndsOnACharacterBoundary)
{
  plug::IPresetSlot slot;
  slot.SetName((std::string(254, 'a') + "\xC3\xA9tail").c_str());
  EXPECT_EQ(std::string(slot.mName), std::string(254, 'a'));
  slot.SetName((std::string(253, 'a') + "\xC3\xA9tail").c_str());
  EXPECT_EQ(std::string(slot.mName), std::string(253, 'a') + "\xC3\xA9");
  // A four-byte character cut after one, two or three of its bytes is left out whole.
  const std::string guitar = "\xF0\x9F\x8E\xB8";
  for (size_t lead = 251; lead <= 255; ++lead)
  {
    slot.SetName((std::string(lead, 'a') + guitar + "tail").c_str());
    EXPECT_EQ(std::string(slot.mName), std::string(lead, 'a') + (lead == 251 ? guitar : "")) << lead;
  }
}

TEST(KnobMath, DragWithGearingAndEmptyBounds)
{
  EXPECT_DOUBLE_EQ(DragAccumulator(0.5, 50, 50, 4.0), 0.75);
  EXPECT_DOUBLE_EQ(DragAccumulator(0.5, 50, 50, 40.0), 0.525);
  EXPECT_DOUBLE_EQ(DragAccumulator(0.9, 50, 50, 1.0), 1.0);
  EXPECT_DOUBLE_EQ(DragAccumulator(0.5, 50, 0, 4.0), 0.5); // zero-height bounds: no move, no NaN
  EXPECT_DOUBLE_EQ(DragAccumulator(0.1, -50, 50, 1.0), 0.0);
  EXPECT_DOUBLE_EQ(DragAccumulator(0.5, std::nan(""), 50, 4.0), 0.5);
}

TEST(KnobMath, SteppedValuesLandOnStepsCountedFromTheMinimum)
{
  KnobRange ceiling{-60, 0, 0.7, true};
  for (double acc = 0; acc <= 1.0; acc += 0.013)
  {
    double plain = SnapNormalized(acc, ceiling) * 60 - 60;
    double steps = (plain + 60) / 0.7;
    EXPECT_NEAR(steps, std::round(steps), 1e-6) << acc;
  }
  EXPECT_DOUBLE_EQ(SnapNormalized(2.1 / 60, ceiling) * 60, 2.1); // three whole steps, not two
  KnobRange continuous{0, 1, 0, false};
  EXPECT_DOUBLE_EQ(SnapNormalized(0.123, continuous), 0.123);
  // A stepped parameter without a step or without a span has nothing to snap to: the value stays as it is.
  EXPECT_DOUBLE_EQ(SnapNormalized(0.3, KnobRange{0, 10, 0, true}), 0.3);
  EXPECT_DOUBLE_EQ(SnapNormalized(0.3, KnobRange{5, 5, 1, true}), 0.3);
}

// A drag that lands exactly on a step takes it, a value already on a step (as the knob stores it) stays there, and
// one a hair short stays on the step below.
TEST(KnobMath, ADragLandingExactlyOnAStepTakesIt)
{
  const KnobRange stages{1, 5, 1, true}, three{0, 2, 1, true}, ceiling{-60, 0, 0.7, true};
  const struct
  {
    const KnobRange& range;
    double accumulator, normalized;
  } cases[] = {
    {stages, 0.25, 0.25},
    {stages, 0.75, 0.75},
    {stages, 1.0, 1.0},
    {stages, 0.2499, 0.0},
    {stages, 0.7499, 0.5},
    {three, 0.5, 0.5},
    {three, 0.4999, 0.0},
    {ceiling, 3 * 0.7 / 60, 3 * 0.7 / 60},
    {ceiling, 29 * 0.7 / 60, 29 * 0.7 / 60},
    {ceiling, 0.0349, 2 * 0.7 / 60},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(SnapNormalized(c.accumulator, c.range), c.normalized) << c.accumulator;
}

TEST(KnobMath, WheelStepsAndZeroDelta)
{
  KnobRange continuous{0, 100, 0, false};
  EXPECT_DOUBLE_EQ(WheelNormalized(0.5, 1, 0.01, continuous), 0.51);
  EXPECT_DOUBLE_EQ(WheelNormalized(0.5, -2, 0.001, continuous), 0.498);
  KnobRange stages{1, 5, 1, true};
  EXPECT_DOUBLE_EQ(WheelNormalized(0.25, 1, 0.01, stages), 0.5);
  EXPECT_DOUBLE_EQ(WheelNormalized(0.25, 0, 0.01, stages), 0.25); // no notch, no step
  EXPECT_DOUBLE_EQ(WheelNormalized(1.0, 1, 0.01, stages), 1.0);
  // Calibration knobs in units: -17 one notch up, with Ctrl (snaps to -18 first), with Shift on a 1 dB step.
  KnobRange calibration{-36, 0, 1, true};
  EXPECT_DOUBLE_EQ(WheelPlain(-17, 1, KnobWheelUnit::kOne, calibration), -16);
  EXPECT_DOUBLE_EQ(WheelPlain(-17, 1, KnobWheelUnit::kThree, calibration), -15);
  EXPECT_DOUBLE_EQ(WheelPlain(-17, 1, KnobWheelUnit::kTenth, calibration), -17);
  EXPECT_DOUBLE_EQ(WheelPlain(0, 1, KnobWheelUnit::kOne, calibration), 0);
  EXPECT_DOUBLE_EQ(WheelPlain(-17, -1, KnobWheelUnit::kThree, calibration), -21);
  EXPECT_DOUBLE_EQ(WheelPlain(-35.6, -1, KnobWheelUnit::kOne, calibration), -36);
  // Only a stepped parameter with a step lands on it; the others keep the tenth.
  EXPECT_DOUBLE_EQ(WheelPlain(-17.34, 1, KnobWheelUnit::kTenth, KnobRange{-36, 0, 0.5, true}), -17.0);
  EXPECT_DOUBLE_EQ(WheelPlain(-17.34, 1, KnobWheelUnit::kTenth, KnobRange{-36, 0, 0.5, false}), -17.2);
  EXPECT_DOUBLE_EQ(WheelPlain(-17.34, 1, KnobWheelUnit::kTenth, KnobRange{-36, 0, 0, true}), -17.2);
}

// Notch by notch the wheel walks a stepped knob along its grid of steps from the minimum, one step a notch however
// far the wheel turned, stops at the ends and walks back down the same grid.
TEST(KnobMath, TheWheelWalksTheGridOfStepsUpAndDown)
{
  const KnobRange quarters{0, 1, 0.25, true};
  const double up[] = {0.25, 0.5, 0.75, 1.0, 1.0};
  const double down[] = {0.75, 0.5, 0.25, 0.0, 0.0};
  double v = 0;
  for (double want : up) EXPECT_DOUBLE_EQ(v = WheelNormalized(v, 3, 0.01, quarters), want);
  for (double want : down) EXPECT_DOUBLE_EQ(v = WheelNormalized(v, -0.5f, 0.01, quarters), want);

  // -60..0 in steps of 0.7: 85 whole steps, then the top; down from the top lands on the last whole step.
  const KnobRange ceiling{-60, 0, 0.7, true};
  v = 0;
  for (int k = 1; k <= 85; ++k)
  {
    v = WheelNormalized(v, 1, 0.01, ceiling);
    ASSERT_NEAR(v * 60, k * 0.7, 1e-9) << k;
  }
  EXPECT_DOUBLE_EQ(WheelNormalized(v, 1, 0.01, ceiling), 1.0);
  EXPECT_NEAR(WheelNormalized(1.0, -1, 0.01, ceiling) * 60, 59.5, 1e-9);
  EXPECT_NEAR(WheelNormalized(59.5 / 60, -1, 0.01, ceiling) * 60, 58.8, 1e-9);
  // A value between steps moves one step and lands back on the grid.
  EXPECT_NEAR(WheelNormalized(1.0 / 60, 1, 0.01, ceiling) * 60, 1.4, 1e-9);
}

} // namespace

// A control's rectangle: a bitmap's frame at its corner, the union of a row's buttons, else the place given.
TEST(EditorLayout, ControlRectanglesComeFromTheirBitmapsOrTheirPlace)
{
  auto rect = [](EditorControlKind kind, const char* bitmap, const EditorPoint* buttons = nullptr, int count = 0) {
    EditorControlEntry c{kind, EditorRect{10, 20, 30, 40}};
    c.bitmap = bitmap;
    c.buttons = buttons;
    c.buttonCount = count;
    const EditorRect r = EditorControlRect(c);
    return std::vector<float>{r.l, r.t, r.r, r.b};
  };
  const EditorPoint row[] = {{100, 50}, {100, 80}};
  EXPECT_EQ(rect(EditorControlKind::kKnob, "knob_small_red.png"), (std::vector<float>{10, 20, 50, 60}));
  EXPECT_EQ(rect(EditorControlKind::kRadioButtons2, "button_2xOS.png", row, 2),
            (std::vector<float>{100, 50, 144, 106}));
  EXPECT_EQ(rect(EditorControlKind::kRadioButtons5, "button_mon_mode.png", row, 1),
            (std::vector<float>{100, 50, 121, 66})); // a row of one button
  EXPECT_EQ(rect(EditorControlKind::kPresetMenu, "button_next.png"), (std::vector<float>{10, 20, 30, 40}));
  EditorControlEntry wider{EditorControlKind::kRadioButtons2, {}}; // a second button with a larger bitmap of its own
  wider.bitmap = "button_2xOS.png", wider.secondBitmap = "button_bypass.png", wider.buttons = row, wider.buttonCount = 2;
  const EditorRect w = EditorControlRect(wider);
  EXPECT_EQ((std::vector<float>{w.l, w.t, w.r, w.b}), (std::vector<float>{100, 50, 148, 110}));
  EXPECT_EQ(rect(EditorControlKind::kText, nullptr), (std::vector<float>{10, 20, 30, 40}));
}
