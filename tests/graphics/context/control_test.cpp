#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <tuple>

#include "fake_platform.h"
#include "graphics/bases/IPopupMenu.h"
#include "test_controls.h"
#include "test_delegate.h"

using namespace graphicstest;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Controls : ::testing::Test
{
  TestDelegate mDelegate{4};
  FakePlatformGraphics mG{mDelegate, 400, 300};
  foundation::ManualClock mClock{10.0};

  void SetUp() override { mG.SetClock(&mClock); }

  TestControl* Add(const IRECT& r, int param = -1)
  {
    return static_cast<TestControl*>(mG.AttachControl(new TestControl(r, param)));
  }
};

} // namespace

TEST_F(Controls, HitTestTakesLeftAndTopEdgesButNotRightAndBottom)
{
  TestControl c(IRECT(10, 20, 30, 40));
  EXPECT_TRUE(c.HitTest(10, 20));
  EXPECT_TRUE(c.HitTest(29.9f, 39.9f));
  EXPECT_FALSE(c.HitTest(30, 25));
  EXPECT_FALSE(c.HitTest(15, 40));
  TestControl empty{IRECT()};
  EXPECT_FALSE(empty.HitTest(0, 0));
}

TEST_F(Controls, AFreshControlStartsPlainEnabledAndPromptless)
{
  TestControl c(IRECT(1, 2, 3, 4), 2);
  EXPECT_EQ(c.GetRECT(), IRECT(1, 2, 3, 4));
  EXPECT_EQ(c.GetHitRECT(), IRECT(1, 2, 3, 4));
  EXPECT_EQ(c.NValues(), 1);
  EXPECT_EQ(c.GetParamIdx(), 2);
  EXPECT_EQ(c.GetValue(), 0.0);
  EXPECT_TRUE(c.Dirty());
  EXPECT_FALSE(c.IsHidden());
  EXPECT_FALSE(c.IsDisabled());
  EXPECT_TRUE(c.GetPromptDisabled());
  EXPECT_FALSE(c.GetDblClickAsClick());
  EXPECT_FALSE(c.GetMouseOverWhenDisabled());
  EXPECT_FALSE(c.GetMouseEventsWhenDisabled());
  EXPECT_FALSE(c.GetIgnoreMouse());
  EXPECT_FALSE(c.GetWantsMidi());
  EXPECT_FALSE(c.GetWantsMultiTouch());
  EXPECT_FALSE(c.GetParamLabelInEntry());
  EXPECT_FALSE(c.GetMouseIsOver());
  EXPECT_FALSE(c.GetMarkerOn());
  EXPECT_EQ(c.GetMarkerColor(), kColorRed);
  EXPECT_EQ(c.GetTextEntryLength(), IControl::kDefaultTextEntryLength);
  EXPECT_STREQ(c.GetTooltip(), "");
  EXPECT_STREQ(c.GetGroup(), "");
  EXPECT_EQ(c.GetBlend().mMethod, 0);
  EXPECT_EQ(c.GetBlend().mWeight, 1.f);
  EXPECT_EQ(c.GetText().mSize, IText::kDefaultSize);
  EXPECT_FALSE(c.HasAnimation());
  EXPECT_EQ(c.GetAnimationProgress(), 0.0);
  EXPECT_FALSE(c.HasGestureFns());
  EXPECT_EQ(c.GetLastGesture(), kGestureUnknown);
  EXPECT_EQ(c.GetDelegate(), nullptr);
  EXPECT_EQ(c.GetUI(), nullptr);
  // The other constructors: one slot per listed parameter, or one unbound slot with an action.
  TestControl many(IRECT(), {3, -1, 0});
  EXPECT_EQ(many.NValues(), 3);
  EXPECT_EQ(many.GetParamIdx(0), 3);
  EXPECT_EQ(many.GetParamIdx(1), -1);
  EXPECT_EQ(many.GetParamIdx(2), 0);
  EXPECT_FALSE(many.GetActionFunction());
  TestControl acting(IRECT(), [](IControl*) {});
  EXPECT_EQ(acting.NValues(), 1);
  EXPECT_EQ(acting.GetParamIdx(), -1);
  EXPECT_TRUE(acting.GetActionFunction());
}

TEST_F(Controls, PositionAndSizeRules)
{
  TestControl* c = Add(IRECT(10, 10, 30, 20));
  c->SetHitRECT(IRECT(12, 14, 22, 18));
  c->SetPosition(-5, 10);
  EXPECT_EQ(c->GetRECT(), IRECT(0, 10, 20, 20));
  EXPECT_EQ(c->GetHitRECT(), IRECT(2, 14, 12, 18)); // the offset to the draw rectangle is kept
  c->SetSize(-1, 20);
  EXPECT_EQ(c->GetRECT(), IRECT(0, 10, 0, 30));
  EXPECT_EQ(c->GetHitRECT(), c->GetRECT());
}

TEST_F(Controls, MarkersKeepTheirColourForUnknownIndexes)
{
  TestControl* c = Add(IRECT(0, 0, 10, 10));
  c->SetCornerMarker(true, 1);
  EXPECT_EQ(c->GetMarkerColor(), kColorBlue);
  c->SetCornerMarker(true, 7);
  EXPECT_EQ(c->GetMarkerColor(), kColorBlue);
  EXPECT_TRUE(c->GetMarkerOn());
  c->DrawCornerMarker(mG);
  ASSERT_EQ(mG.Count("FillCircle"), 1);
  EXPECT_EQ(mG.mOps.back().mRect, IRECT(3, 3, 7, 7));
}

TEST_F(Controls, HoverMarksDirtyOnlyWhenItChanges)
{
  TestControl* c = Add(IRECT(0, 0, 10, 10));
  c->SetClean();
  c->OnMouseOver(1, 1, IMouseMod());
  EXPECT_TRUE(c->Dirty());
  c->SetClean();
  c->OnMouseOver(2, 2, IMouseMod());
  EXPECT_FALSE(c->Dirty());
  c->OnMouseOut();
  EXPECT_TRUE(c->Dirty());
}

TEST_F(Controls, SetDirtyClampsMarksTellsTheDelegateThenThePeersThenRunsTheAction)
{
  TestControl* c = Add(IRECT(0, 0, 10, 10), 1);
  TestControl* peer = Add(IRECT(), 1);
  int actions = 0;
  c->SetActionFunction([&](IControl* caller) {
    ++actions;
    EXPECT_EQ(caller, c);
    EXPECT_TRUE(c->Dirty());
    ASSERT_EQ(mDelegate.mValuesFromUI.size(), 1u);
    EXPECT_EQ(mDelegate.mValuesFromUI.back(), std::make_pair(1, 1.0));
    EXPECT_EQ(peer->GetValue(), 1.0);
  });
  c->SetClean();
  c->Poke(1.7);
  c->SetDirty(true, 5); // one slot: the index is taken as 0
  EXPECT_EQ(c->GetValue(), 1.0);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(mDelegate.GetParam(1)->Value(), 1.0);

  c->Poke(-0.5);
  c->SetDirty(false);
  EXPECT_EQ(c->GetValue(), 0.0);
  EXPECT_EQ(actions, 1);

  // Several values: -1 clamps and sends every one in order, an index only its own.
  auto* multi = static_cast<TestControl*>(mG.AttachControl(new TestControl(IRECT(), {0, 2, 3})));
  const double wild[] = {-0.5, 1.5, 2.5};
  for (int v = 0; v < 3; ++v)
    multi->Poke(wild[v], v);
  mDelegate.mValuesFromUI.clear();
  multi->SetDirty(true, 2);
  EXPECT_EQ(mDelegate.mValuesFromUI, (std::vector<std::pair<int, double>>{{3, 1.0}}));
  EXPECT_EQ(multi->GetValue(1), 1.5);
  multi->SetDirty(true, -1);
  EXPECT_EQ(mDelegate.mValuesFromUI, (std::vector<std::pair<int, double>>{{3, 1.0}, {0, 0.0}, {2, 1.0}, {3, 1.0}}));
  EXPECT_EQ(multi->GetValue(1), 1.0);
}

TEST_F(Controls, AHostValueDuringADragIsDropped)
{
  TestControl* c = Add(IRECT(0, 0, 10, 10), 0);
  c->Poke(0.3);
  mG.Capture(c);
  c->SetValueFromDelegate(0.9, 0);
  EXPECT_EQ(c->GetValue(), 0.3);
  mG.ReleaseMouseCapture();
  c->SetClean();
  c->SetValueFromDelegate(0.9, 0);
  EXPECT_EQ(c->GetValue(), 0.9);
  EXPECT_TRUE(c->Dirty());
  EXPECT_TRUE(mDelegate.mValuesFromUI.empty()); // nothing goes back
}

TEST_F(Controls, NaNIsNoChangeButANaNInTheSlotIsReplaced)
{
  TestControl* c = Add(IRECT(0, 0, 10, 10), 0);
  c->Poke(0.4);
  c->SetValueFromDelegate(kNaN, 0);
  c->SetValueFromUserInput(kNaN, 0);
  EXPECT_EQ(c->GetValue(), 0.4);
  EXPECT_TRUE(mDelegate.mValuesFromUI.empty());
  c->SetValueFromUserInput(0.4, 0); // the value it has: nothing happens
  EXPECT_TRUE(mDelegate.mValuesFromUI.empty());
  c->Poke(kNaN);
  c->SetValueFromUserInput(0.4, 0);
  EXPECT_EQ(c->GetValue(), 0.4);
  EXPECT_EQ(mDelegate.mValuesFromUI.size(), 1u);
  c->Poke(kNaN);
  c->SetValueFromDelegate(0.6, 0);
  EXPECT_EQ(c->GetValue(), 0.6);
}

TEST_F(Controls, DefaultIsSteppedClampedAndNormalised)
{
  mDelegate.GetParam(2)->InitDouble("stepped", 2.4, 0.0, 10.0, 1.0, "", plug::IParam::kFlagStepped);
  TestControl* c = Add(IRECT(), 2);
  c->SetValueToDefault();
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.2);
  EXPECT_EQ(mDelegate.mValuesFromUI.back().first, 2);
  EXPECT_DOUBLE_EQ(mDelegate.GetParam(2)->Value(), 2.0);
  mDelegate.GetParam(2)->InitDouble("by twos", 5.2, 0.0, 10.0, 2.0, "", plug::IParam::kFlagStepped);
  c->SetValueToDefault();
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.6) << "5.2 to the nearest step of 2";
  // A stepped parameter without a step keeps its default as it is; defaults outside the range end at its edges.
  for (auto [dflt, step, expected] : {std::tuple{0.37, 0.0, 0.37}, {12.0, 2.0, 1.0}, {-3.0, 0.0, 0.0}})
  {
    mDelegate.GetParam(2)->InitDouble("edges", dflt, 0.0, 1.0, step, "", plug::IParam::kFlagStepped);
    c->SetValueToDefault();
    EXPECT_DOUBLE_EQ(c->GetValue(), expected) << dflt << " by " << step;
  }

  // A control of three values: one index resets that value alone, -1 resets every one.
  mDelegate.GetParam(0)->InitDouble("a", 0.25, 0.0, 1.0, 0.001);
  mDelegate.GetParam(1)->InitDouble("b", 0.75, 0.0, 1.0, 0.001);
  auto* multi = static_cast<TestControl*>(mG.AttachControl(new TestControl(IRECT(), {0, 1, 3})));
  for (int v = 0; v < 3; ++v)
    multi->SetValueFromUserInput(0.5, v);
  multi->SetValueToDefault(1);
  EXPECT_EQ(multi->GetValue(0), 0.5);
  EXPECT_DOUBLE_EQ(multi->GetValue(1), 0.75);
  EXPECT_EQ(multi->GetValue(2), 0.5);
  multi->SetValueToDefault(-1);
  EXPECT_DOUBLE_EQ(multi->GetValue(0), 0.25);
  EXPECT_DOUBLE_EQ(multi->GetValue(2), 0.0);
}

TEST_F(Controls, SlotsAreCheckedAndMissingParametersAreLeftToTheDelegate)
{
  TestControl* none = static_cast<TestControl*>(mG.AttachControl(new TestControl(IRECT(), {})));
  EXPECT_EQ(none->NValues(), 0);
  EXPECT_EQ(none->GetParamIdx(0), -1);
  EXPECT_EQ(none->GetParam(0), nullptr);
  EXPECT_EQ(none->GetValue(3), 0.0);
  EXPECT_EQ(none->GetValIdxForPos(0, 0), -1);
  none->SetValueFromDelegate(0.5, 0);
  none->SetValueFromUserInput(0.5, 2);
  none->SetDirty(true, 0);
  none->SetValueToDefault(-1);
  EXPECT_THROW(none->SetParamIdx(1, 0), std::out_of_range);
  // One past the last slot is no slot either: nothing is stored, sent or run.
  TestControl* one = Add(IRECT(), 0);
  int oneActions = 0;
  one->SetActionFunction([&](IControl*) { ++oneActions; });
  one->SetClean();
  one->SetValueFromUserInput(0.5, 1);
  one->SetValueFromDelegate(0.5, 1);
  one->SetValue(0.5, 1);
  EXPECT_EQ(oneActions, 0);
  EXPECT_FALSE(one->Dirty());
  EXPECT_TRUE(mDelegate.mValuesFromUI.empty());
  EXPECT_EQ(one->GetValue(1), 0.0);
  // Showing, hiding, enabling or resizing redraws it but runs no action and sends nothing; a resize forgets the hover.
  one->OnMouseOver(0.f, 0.f, IMouseMod());
  ASSERT_TRUE(one->GetMouseIsOver());
  one->SetDisabled(true);
  one->SetHidden(true);
  one->SetDisabled(false);
  one->SetSize(5.f, 5.f);
  EXPECT_TRUE(one->Dirty());
  EXPECT_FALSE(one->GetMouseIsOver());
  EXPECT_EQ(oneActions, 0);
  EXPECT_TRUE(mDelegate.mValuesFromUI.empty());

  TestControl* ghost = Add(IRECT(), 42); // the plug-in has no parameter 42
  TestControl* peer = Add(IRECT(), 42);
  int actions = 0;
  ghost->SetActionFunction([&](IControl*) { ++actions; });
  ghost->SetValueFromUserInput(0.7, 0);
  EXPECT_EQ(ghost->GetValue(), 0.7);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(peer->GetValue(), 0.7) << "a peer of the same index follows";
  // The delegate hears of the index and ignores it.
  EXPECT_EQ(mDelegate.mValuesFromUI, (std::vector<std::pair<int, double>>{{42, 0.7}}));
  mDelegate.mLog.clear();
  mG.BeginParamGestures(*ghost);
  EXPECT_TRUE(mDelegate.mLog.empty());
}

TEST_F(Controls, SnapToMouse)
{
  auto* c = static_cast<TestControl*>(mG.AttachControl(new TestControl(IRECT(), {0, 1})));
  const IRECT track(0, 100, 10, 200);
  c->SnapToMouse(5, 125, kVertical, track, 0);
  EXPECT_DOUBLE_EQ(c->GetValue(0), 0.75);
  c->SnapToMouse(5, 50, kVertical, track, 0, 0.0, 0.8);
  EXPECT_DOUBLE_EQ(c->GetValue(0), 0.8);
  c->SnapToMouse(3.33333f, 0, kHorizontal, track, -1);
  EXPECT_NEAR(c->GetValue(0), 0.333, 1e-12);
  EXPECT_NEAR(c->GetValue(1), 0.333, 1e-12);
  c->SetClean();
  c->SnapToMouse(5, 5, kHorizontal, IRECT(3, 3, 3, 9), 0); // no width to measure along
  EXPECT_NEAR(c->GetValue(0), 0.333, 1e-12);
  EXPECT_FALSE(c->Dirty());
}

TEST_F(Controls, PromptsNeedAParameterAndPromptsEnabled)
{
  TestControl* c = Add(IRECT(0, 0, 10, 10), 0);
  c->SetClean();
  c->PromptUserInput(0);
  EXPECT_FALSE(c->Dirty());
  EXPECT_TRUE(mG.mTextEntries.empty());

  // A number is typed into a 40 x 16 box at the control's centre.
  TestControl* wide = Add(IRECT(100, 100, 160, 130), 0);
  wide->DisablePrompt(false);
  wide->PromptUserInput(0);
  ASSERT_EQ(mG.mTextEntries.size(), 1u);
  EXPECT_EQ(mG.mTextEntries[0].mBounds, IRECT(110, 107, 150, 123));
}

TEST_F(Controls, MenuSelectionTurnsTheChosenIndexIntoTheValue)
{
  mDelegate.GetParam(3)->InitEnum("mode", 0, {"a", "b", "c"});
  TestControl* c = Add(IRECT(), 3);
  c->DisablePrompt(false);
  IPopupMenu menu("", 0, false, {"a", "b", "c"});
  menu.SetChosenItemIdx(1);
  c->OnPopupMenuSelection(nullptr, 0);
  c->OnPopupMenuSelection(&menu, -1);
  EXPECT_EQ(c->GetValue(), 0.0);
  c->OnPopupMenuSelection(&menu, 0);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.5);
  EXPECT_EQ(mDelegate.GetParam(3)->Int(), 1);
}

TEST_F(Controls, AnimationsRunOnTheContextsClockAndEnd)
{
  TestControl* c = Add(IRECT(0, 0, 10, 10));
  int ends = 0;
  c->SetEndAnimationFn([&](IControl*) { ++ends; });
  IControl::ActionFuncAnimate(c);
  c->SetClean();
  for (int frame = 0; frame < 6; ++frame) // frames 1/64 s apart: exact on the clock
  {
    mClock.Advance(1.0 / 64.0);
    c->Animate();
    EXPECT_TRUE(c->IsDirty()) << frame; // 100 ms not yet passed
  }
  EXPECT_DOUBLE_EQ(c->GetAnimationProgress(), 0.9375);
  mClock.Advance(1.0 / 64.0);
  c->Animate();
  EXPECT_FALSE(c->HasAnimation());
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(c->IsDirty()); // marked once more at the end
  c->SetClean();
  c->Animate();
  EXPECT_FALSE(c->IsDirty());
  EXPECT_EQ(c->GetAnimationProgress(), 0.0);
}

TEST_F(Controls, AnAnimationMayEndItselfWhileItRuns)
{
  TestControl* c = Add(IRECT());
  auto payload = std::make_shared<std::vector<int>>(1000, 7);
  int seen = 0;
  c->SetAnimation(
    [payload, &seen](IControl* caller) {
      caller->OnEndAnimation();    // destroys the control's copy of this function
      seen = payload->at(999);     // the captures must still be alive
    },
    50);
  payload.reset();
  c->Animate();
  EXPECT_EQ(seen, 7);
  EXPECT_FALSE(c->HasAnimation());
}

TEST_F(Controls, GesturesKeepTheFirstFunctionOfAKind)
{
  TestControl* c = Add(IRECT());
  int first = 0, second = 0;
  c->AttachGestureFn(kGestureTap, [&](IControl*, const IGestureInfo&) { ++first; });
  c->AttachGestureFn(kGestureTap, [&](IControl*, const IGestureInfo&) { ++second; });
  IGestureInfo tap;
  tap.type = kGestureTap;
  EXPECT_TRUE(c->OnGesture(0, 0, tap));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(c->GetLastGesture(), kGestureTap);
  tap.type = kGesturePinch;
  EXPECT_FALSE(c->OnGesture(0, 0, tap));
  EXPECT_EQ(c->GetLastGesture(), kGestureTap); // a gesture no function takes is not remembered
}
