// The meter display over real controls: needles, lamps and texts of both groups, the bypassed state, untouched
// controls when nothing changed, and indices that name no control or the wrong kind.
#include <gtest/gtest.h>

#include "effect/MeterScale.h"
#include "effect/ShapeLinearCustom.h"
#include "fake_platform.h"
#include "test_delegate.h"
#include "ui/DisplayControls.h"
#include "ui/MeterDisplay.h"
#include "ui/MeterReadout.h"

using namespace graphicstest;

namespace {

struct MeterDisplay : ::testing::Test
{
  TestDelegate mDelegate{1};
  FakePlatformGraphics mG{mDelegate, 468, 450};
  ShapeLinearCustom mScale;
  VuMeterCtrlIdx mLeft, mRight;
  int mLed = -1;

  int Bitmap() { return (mG.AttachControl(new IBBitmapControlVQ(0, 0, IBitmap())), mG.NControls() - 1); }
  int Text(const char* s)
  {
    return (mG.AttachControl(new IVTextControlVQ(IRECT(0, 0, 30, 12), s)), mG.NControls() - 1);
  }
  void SetUp() override
  {
    for (const MeterScalePoint& p : kMeterScale) mScale.AddPoint(p.db, p.position);
    for (VuMeterCtrlIdx* m : {&mLeft, &mRight})
    {
      // Texts first: the left group's left text is control 0, an index like any other.
      m->leftText = Text("-144.0"), m->refText = Text("-18.0"), m->rightText = Text("-144.0");
      m->needle = Bitmap(), m->needle1 = Bitmap(), m->lamp = Bitmap();
    }
    mLed = Bitmap();
  }
  double Value(int idx) { return mG.GetControl(idx)->GetValue(); }
  std::string Str(int idx) { return static_cast<ITextControl*>(mG.GetControl(idx))->GetStr(); }
};

TEST_F(MeterDisplay, ActiveMetersMoveNeedlesLampsAndTexts)
{
  MeterDisplayInput in;
  in.reference = -18;
  in.left.value = in.left.maximum = in.left.envelope = 0.5; // -6 dBFS: +12 over the reference
  in.gainReduction = 0.8;
  UpdateMeterDisplay(mG, mLeft, mRight, mLed, in, mScale);
  EXPECT_EQ(Value(mLeft.lamp), 1.0);
  EXPECT_EQ(Value(mLeft.needle), 1.0);
  EXPECT_EQ(Str(mLeft.leftText), "12.0");
  EXPECT_EQ(Str(mLeft.refText), "-18");
  EXPECT_EQ(Value(mRight.needle), 0.0); // silent right channel
  EXPECT_EQ(Str(mRight.rightText), "-INF");
  EXPECT_EQ(Value(mLed), 1.0);
  in.gainReductionInverted = true; // the processor hands 1 - gain: 0.8 is a reduction of 0.2
  UpdateMeterDisplay(mG, mLeft, mRight, mLed, in, mScale);
  EXPECT_EQ(Value(mLed), 1.0);
  in.gainReduction = 0.0;
  UpdateMeterDisplay(mG, mLeft, mRight, mLed, in, mScale);
  EXPECT_EQ(Value(mLed), 0.0);

  for (int i = 0; i < mG.NControls(); ++i) mG.GetControl(i)->SetClean();
  UpdateMeterDisplay(mG, mLeft, mRight, mLed, in, mScale); // nothing changed: nothing redraws
  for (int i = 0; i < mG.NControls(); ++i) EXPECT_FALSE(mG.GetControl(i)->IsDirty()) << i;
}

TEST_F(MeterDisplay, EachGroupShowsItsEnvelopeLeftAndItsMaximumRight)
{
  MeterDisplayInput in;
  in.reference = -18;
  in.left.value = in.left.envelope = 0.25, in.left.maximum = 0.5;
  in.right.value = in.right.envelope = 0.125, in.right.maximum = 1.0;
  UpdateMeterDisplay(mG, mLeft, mRight, mLed, in, mScale);
  const std::pair<const VuMeterCtrlIdx*, const MeterInput*> groups[] = {{&mLeft, &in.left}, {&mRight, &in.right}};
  for (const auto& [m, meter] : groups)
  {
    const MeterReadout want = ReadMeter(*meter, in.reference, mScale);
    ASSERT_NE(want.envelopeText, want.maximumText);
    EXPECT_EQ(Str(m->leftText), want.envelopeText);
    EXPECT_EQ(Str(m->rightText), want.maximumText);
  }
}

TEST_F(MeterDisplay, EveryControlThatChangesIsMarkedDirty)
{
  auto expectDirty = [this](const char* when, bool led) {
    for (const VuMeterCtrlIdx* m : {&mLeft, &mRight})
      for (int idx : {m->needle, m->needle1, m->lamp, m->leftText, m->refText, m->rightText})
        EXPECT_TRUE(mG.GetControl(idx)->IsDirty()) << when << " control " << idx;
    EXPECT_EQ(mG.GetControl(mLed)->IsDirty(), led) << when;
    for (int i = 0; i < mG.NControls(); ++i) mG.GetControl(i)->SetClean();
  };
  for (int i = 0; i < mG.NControls(); ++i) mG.GetControl(i)->SetClean();
  MeterDisplayInput in;
  in.reference = -18;
  in.left.value = in.left.maximum = in.left.envelope = 0.5;
  in.right.value = in.right.maximum = in.right.envelope = 0.25;
  in.gainReduction = 0.8;
  UpdateMeterDisplay(mG, mLeft, mRight, mLed, in, mScale);
  expectDirty("active", true);
  in.bypassed = true; // everything rests but the clip LED
  UpdateMeterDisplay(mG, mLeft, mRight, mLed, in, mScale);
  expectDirty("bypassed", false);
}

TEST_F(MeterDisplay, BypassRestsEverythingButTheClipLed)
{
  MeterDisplayInput in;
  in.left.value = in.left.envelope = in.left.maximum = 2.0;
  in.gainReduction = 0.5;
  UpdateMeterDisplay(mG, mLeft, mRight, mLed, in, mScale);
  in.bypassed = true;
  UpdateMeterDisplay(mG, mLeft, mRight, mLed, in, mScale);
  EXPECT_EQ(Value(mLeft.needle), 0.0);
  EXPECT_EQ(Value(mLeft.lamp), 0.0);
  EXPECT_EQ(Str(mLeft.leftText), "-INF");
  EXPECT_EQ(Str(mRight.rightText), "-INF");
  EXPECT_EQ(Str(mLeft.refText), "    ");
  EXPECT_EQ(Value(mLed), 1.0);
}

TEST_F(MeterDisplay, MissingOrWrongControlsAreSkipped)
{
  VuMeterCtrlIdx bad;
  bad.needle = 500, bad.leftText = mLeft.needle, bad.lamp = -7; // beyond the list; a bitmap where a text belongs
  MeterDisplayInput in;
  in.left.value = in.left.envelope = in.left.maximum = 1.0;
  UpdateMeterDisplay(mG, bad, bad, 900, in, mScale);
  EXPECT_EQ(Value(mLeft.needle), 0.0);
  VuMeterCtrlIdx first, none; // control 0 takes a value like any other
  first.needle = 0;
  UpdateMeterDisplay(mG, first, none, -1, in, mScale);
  EXPECT_EQ(Value(0), 0.745);
}

} // namespace
