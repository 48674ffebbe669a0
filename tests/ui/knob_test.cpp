// The multi-function knob attached to a graphics context: geared dragging, Ctrl and Shift, empty drag bounds, the
// wheel in fractions and in units, the reset click and the hover box of the value text.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "test_delegate.h"
#include "ui/KnobMultiControl.h"

using namespace graphicstest;

namespace {

struct Knob : ::testing::Test
{
  TestDelegate mDelegate{3};
  FakePlatformGraphics mG{mDelegate, 468, 450};
  RecordedBitmap mRaw{50, 50 * 101, 1, 1.f, "knob"};
  IBKnobMultiControlVQ* Add(int param, bool unitWheel = false, EDirection direction = kVertical)
  {
    IBKnobMultiControlVQ::Options o;
    if (unitWheel) o.unitWheel = true; // else left as made: a knob wheels in fractions of its range by default
    o.direction = direction;
    return static_cast<IBKnobMultiControlVQ*>(
      mG.AttachControl(new IBKnobMultiControlVQ(10, 10, param, IBitmap(&mRaw, 101, false, "knob"), IText(), o)));
  }
  void SetUp() override
  {
    mDelegate.GetParam(1)->InitDouble("Calibration", -17, -36, 0, 1);
    mDelegate.GetParam(2)->InitInt("Stages", 1, 1, 5);
  }
};

TEST_F(Knob, DragIsGearedFinerWithShiftAndStillWithCtrl)
{
  IBKnobMultiControlVQ* k = Add(0);
  EXPECT_EQ(k->GetRECT(), IRECT(10, 10, 60, 60));
  k->OnMouseDown(20, 20, IMouseMod());
  EXPECT_TRUE(k->IsMouseDown());
  EXPECT_EQ(mG.mHideCursorCalls, 1) << "the pointer hides for the drag";
  EXPECT_TRUE(mG.CursorLocked()) << "and stays where the drag began";
  EXPECT_EQ(mG.mShowCursorCalls, 0);
  k->OnMouseDrag(20, 20, 0, -50, IMouseMod());
  EXPECT_NEAR(k->GetValue(), 0.25, 1e-9);
  k->OnMouseDrag(20, 20, 0, -50, IMouseMod(true, false, true)); // Shift
  EXPECT_NEAR(k->GetValue(), 0.275, 1e-9);
  k->OnMouseDrag(20, 20, 0, -50, IMouseMod(true, false, false, true)); // Ctrl
  EXPECT_NEAR(k->GetValue(), 0.275, 1e-9);
  k->SetHitRECT(IRECT(10, 10, 60, 10)); // no height to measure a drag against
  k->OnMouseDown(20, 10, IMouseMod());
  k->OnMouseDrag(20, 10, 0, -50, IMouseMod());
  EXPECT_NEAR(k->GetValue(), 0.275, 1e-9);
  k->OnMouseUp(20, 10, IMouseMod());
  EXPECT_FALSE(k->IsMouseDown());
  EXPECT_EQ(mG.mShowCursorCalls, 1) << "and shows again at its end";
}

TEST_F(Knob, AHorizontalKnobMeasuresDragsAgainstItsWidth)
{
  IBKnobMultiControlVQ* k = Add(0, false, kHorizontal);
  k->SetValue(0.5); // a drag starts from where the knob stands
  k->OnMouseDown(20, 20, IMouseMod());
  k->OnMouseDrag(70, 20, 50, 0, IMouseMod()); // its whole width, geared by 4
  EXPECT_NEAR(k->GetValue(), 0.75, 1e-9);
  k->OnMouseDrag(70, 70, 0, -50, IMouseMod()); // across its direction
  EXPECT_NEAR(k->GetValue(), 0.75, 1e-9);
}

TEST_F(Knob, SlowDragsOnASteppedParameterStillReachTheNextStep)
{
  IBKnobMultiControlVQ* k = Add(2);
  k->OnMouseDown(20, 20, IMouseMod());
  for (int i = 0; i < 20; ++i) k->OnMouseDrag(20, 20, 0, -2, IMouseMod()); // 40 pixels: 0.8 of a step
  EXPECT_DOUBLE_EQ(k->GetValue(), 0.0);
  for (int i = 0; i < 10; ++i) k->OnMouseDrag(20, 20, 0, -2, IMouseMod()); // 60 pixels: 1.2 steps
  EXPECT_DOUBLE_EQ(k->GetValue(), 0.25);
}

TEST_F(Knob, WheelInFractionsOrUnitsAndCtrlClickResets)
{
  IBKnobMultiControlVQ* k = Add(0);
  k->OnMouseWheel(20, 20, IMouseMod(), 1);
  EXPECT_NEAR(k->GetValue(), 0.01, 1e-9);
  k->OnMouseWheel(20, 20, IMouseMod(false, false, true, true), 1); // Ctrl wins over Shift
  EXPECT_NEAR(k->GetValue(), 0.11, 1e-9);
  k->OnMouseWheel(20, 20, IMouseMod(), 0);
  EXPECT_NEAR(k->GetValue(), 0.11, 1e-9);
  k->OnMouseDown(20, 20, IMouseMod(true, false, false, true));
  EXPECT_EQ(mDelegate.GetParam(0)->Value(), 0.0); // the default
  IBKnobMultiControlVQ* cal = Add(1, true);
  cal->OnMouseWheel(20, 20, IMouseMod(false, false, false, true), 0.3f); // Ctrl: -17 snaps to -18, plus 3
  EXPECT_EQ(mDelegate.GetParam(1)->Value(), -15.0);
  cal->OnMouseWheel(20, 20, IMouseMod(), -2);
  EXPECT_EQ(mDelegate.GetParam(1)->Value(), -16.0);
}

// A unit notch on a parameter whose steps are finer than a unit lands on the step nearest to where it moved.
TEST_F(Knob, AUnitNotchLandsOnTheNearestStep)
{
  mDelegate.GetParam(0)->InitDouble("Fine", 0.25, 0, 2, 0.25, "", plug::IParam::kFlagStepped);
  IBKnobMultiControlVQ* k = Add(0, true);
  k->OnMouseWheel(20, 20, IMouseMod(false, false, true), 1); // Shift: a tenth, 0.3 + 0.1 is nearest to 0.5
  EXPECT_EQ(mDelegate.GetParam(0)->Value(), 0.5);
}

TEST_F(Knob, ValueBoxOnlyWhileHovered)
{
  IBKnobMultiControlVQ* k = Add(0);
  const size_t sent = mDelegate.mValuesFromUI.size();
  mG.mOps.clear();
  k->Draw(mG);
  EXPECT_EQ(mG.Count("FillRect"), 0);
  k->OnMouseOver(20, 20, IMouseMod());
  EXPECT_TRUE(k->ShowsValueText());
  k->Draw(mG);
  ASSERT_EQ(mG.Count("FillRect"), 1);
  EXPECT_EQ(mG.mOps[mG.mOps.size() - 2].mColor, IColor(191, 36, 36, 36)); // the box under the text
  k->SetShowOnHover(false); // "Hide Knob Overlay Text"
  EXPECT_FALSE(k->ShowsValueText());
  k->OnMouseOut();
  k->SetShowOnHover(true);
  EXPECT_FALSE(k->ShowsValueText());
  EXPECT_EQ(mDelegate.mValuesFromUI.size(), sent) << "the pointer passing over sends the host nothing";
}

// The value box is as wide as its template of "0" characters; no characters (or fewer than none) leave no box.
TEST_F(Knob, TheTemplateWidthSetsTheWidthOfTheValueBox)
{
  const struct
  {
    int width;
    IRECT box; // the knob is (10, 10, 60, 60); one "0" at size 12 measures 6 x 12
  } cases[] = {{6, IRECT(17, 29, 53, 41)}, {3, IRECT(26, 29, 44, 41)}, {1, IRECT(32, 29, 38, 41)},
               {0, IRECT(35, 35, 35, 35)}, {-2, IRECT(35, 35, 35, 35)}};
  for (const auto& c : cases)
  {
    IBKnobMultiControlVQ::Options o;
    o.templateWidth = c.width;
    auto* k = static_cast<IBKnobMultiControlVQ*>(mG.AttachControl(
      new IBKnobMultiControlVQ(10, 10, 0, IBitmap(&mRaw, 101, false, "knob"), IText(12.f), o)));
    EXPECT_EQ(k->KnobValueTextRect(), c.box) << c.width;
  }
}

} // namespace

// Shift on the wheel moves a thousandth of the range, a tenth of a plain notch.
TEST_F(Knob, ShiftOnTheWheelMovesAThousandthOfTheRange)
{
  IBKnobMultiControlVQ* k = Add(0);
  k->OnMouseWheel(20, 20, IMouseMod(false, false, true), 1);
  EXPECT_NEAR(k->GetValue(), 0.001, 1e-12);
  k->OnMouseWheel(20, 20, IMouseMod(false, false, true), -1);
  EXPECT_NEAR(k->GetValue(), 0.0, 1e-12);
}

// The value box sits at the top, middle or bottom of the knob (else where the text measures), as wide and tall as its template text, centred
// across; a disabled knob's value is drawn at half the opacity.
TEST_F(Knob, TheValueBoxSitsWhereItIsPlacedAndADisabledKnobsTextIsFainter)
{
  const struct
  {
    int place;
    IRECT box; // the knob is (10, 10, 60, 60); "000000" at size 12 measures 36 x 12
  } cases[] = {{IBKnobMultiControlVQ::kTextTop, IRECT(17, 10, 53, 22)},
               {IBKnobMultiControlVQ::kTextMiddle, IRECT(17, 29, 53, 41)},
               {IBKnobMultiControlVQ::kTextBottom, IRECT(17, 48, 53, 60)},
               {3, IRECT(17, 0, 53, 12)}}; // any other place: the rows of the measured text itself
  for (const auto& c : cases)
  {
    IBKnobMultiControlVQ::Options o;
    o.textPlace = c.place;
    o.alwaysShow = true;
    auto* k = static_cast<IBKnobMultiControlVQ*>(mG.AttachControl(
      new IBKnobMultiControlVQ(10, 10, 0, IBitmap(&mRaw, 101, false, "knob"), IText(12.f), o)));
    mG.mOps.clear();
    k->Draw(mG);
    ASSERT_EQ(mG.Count("FillRect"), 1) << c.place;
    ASSERT_EQ(mG.Count("DrawText"), 1) << c.place;
    for (const DrawOp& op : mG.mOps)
    {
      if (op.mName == "FillRect" || op.mName == "DrawText")
      {
        EXPECT_EQ(op.mRect, c.box) << op.mName << " " << c.place;
      }
    }
    const IColor enabled = mG.mOps.back().mColor;
    k->SetDisabled(true);
    mG.mOps.clear();
    k->Draw(mG);
    ASSERT_EQ(mG.mOps.back().mName, "DrawText");
    EXPECT_EQ(mG.mOps.back().mColor.mAlpha, enabled.mAlpha / 2) << c.place;
  }
}

// The value text is the parameter's display, followed by its unit when the knob is set to show it.
TEST_F(Knob, TheValueTextCarriesTheUnitOnlyWhenAskedTo)
{
  mDelegate.GetParam(0)->InitDouble("Ceiling", -1.5, -12, 0, 0.1, "dB");
  for (bool showLabel : {false, true})
  {
    IBKnobMultiControlVQ::Options o;
    o.alwaysShow = true;
    if (showLabel) o.showLabel = true; // else as made: no unit by default
    auto* k = static_cast<IBKnobMultiControlVQ*>(mG.AttachControl(
      new IBKnobMultiControlVQ(10, 10, 0, IBitmap(&mRaw, 101, false, "knob"), IText(12.f), o)));
    mG.mOps.clear();
    k->Draw(mG);
    ASSERT_EQ(mG.mOps.back().mName, "DrawText");
    EXPECT_EQ(mG.mOps.back().mText, showLabel ? "-1.5 dB" : "-1.5");
  }
}

// A double click opens the parameter's value field over the value box, unless the knob's text entry is disabled.
TEST_F(Knob, ADoubleClickOpensTheValueFieldOverTheValueBoxUnlessEntryIsDisabled)
{
  for (bool disabled : {false, true})
  {
    IBKnobMultiControlVQ::Options o;
    o.textEntryDisabled = disabled;
    auto* k = static_cast<IBKnobMultiControlVQ*>(mG.AttachControl(
      new IBKnobMultiControlVQ(10, 10, 1, IBitmap(&mRaw, 101, false, "knob"), IText(12.f), o)));
    mG.mTextEntries.clear();
    k->OnMouseDblClick(20, 20, IMouseMod());
    if (disabled)
    {
      EXPECT_TRUE(mG.mTextEntries.empty());
      continue;
    }
    ASSERT_EQ(mG.mTextEntries.size(), 1u);
    EXPECT_EQ(mG.mTextEntries[0].mParamIdx, 1);
    EXPECT_EQ(mG.mTextEntries[0].mBounds, IRECT(17, 29, 53, 41));
  }
}
