#include <cmath>
#include <cstdlib>
#include <limits>

#include "bases_fixture.h"
#include "graphics/bases/IButtonControlBase.h"
#include "graphics/bases/IKnobControlBase.h"
#include "graphics/bases/ISliderControlBase.h"
#include "graphics/bases/ISwitchControlBase.h"

using namespace graphicstest;

namespace {

const IMouseMod kLeft(true);
const IMouseMod kShift(true, false, true);
const IMouseMod kCtrl(true, false, false, true);

struct Switch : ISwitchControlBase
{
  using ISwitchControlBase::ISwitchControlBase;
  void Draw(IGraphics&) override {}
};
struct Knob : IKnobControlBase
{
  Knob(const IRECT& r, int param, double gearing = 1.0) : IKnobControlBase(r, param, nullptr, kVertical, gearing) {}
  void Draw(IGraphics&) override {}
};
struct Slider : ISliderControlBase
{
  Slider(const IRECT& r, int param) : ISliderControlBase(r, param, kVertical, 1.0, 8.f) {}
  void Draw(IGraphics&) override {}
};
struct Button : IButtonControlBase
{
  using IButtonControlBase::IButtonControlBase;
  void Draw(IGraphics&) override {}
};

using Bases = BasesTest;

std::vector<double> Clicks(ISwitchControlBase& s, int n)
{
  std::vector<double> seen;
  for (int i = 0; i < n; ++i)
  {
    s.OnMouseDown(0, 0, kLeft);
    s.OnMouseUp(0, 0, kLeft);
    seen.push_back(s.GetValue(0));
  }
  return seen;
}

} // namespace

// A switch, a knob and a slider count as pressed from a left press to its release, and only then.
TEST_F(Bases, PressedFromThePressToTheRelease)
{
  Switch* sw = Attach(new Switch(IRECT(0, 0, 20, 20), 2));
  Knob* k = Attach(new Knob(IRECT(0, 0, 40, 100), 0));
  Slider* sl = Attach(new Slider(IRECT(0, 0, 20, 100), 1));
  auto pressed = [&] { return std::vector<bool>{sw->IsMouseDown(), k->IsMouseDown(), sl->IsMouseDown()}; };
  EXPECT_EQ(pressed(), std::vector<bool>(3, false));
  for (IControl* c : std::initializer_list<IControl*>{sw, k, sl})
    c->OnMouseDown(10, 50, kLeft);
  EXPECT_EQ(pressed(), std::vector<bool>(3, true));
  for (IControl* c : std::initializer_list<IControl*>{sw, k, sl})
    c->OnMouseUp(10, 50, kLeft);
  EXPECT_EQ(pressed(), std::vector<bool>(3, false));
}

// ---- Switches ----

TEST_F(Bases, SwitchStatesCycleOnExactStepsAndWrap)
{
  auto cycle = [](int states) { // k / (N - 1) for k = 1..N-1, exactly, then back to 0
    std::vector<double> v;
    for (int k = 1; k < states; ++k)
      v.push_back(double(k) / (states - 1));
    v.push_back(0.0);
    return v;
  };
  struct Case
  {
    int states;
    double start;
    std::vector<double> expected;
  };
  const Case cases[] = {
    {2, 0.3, {0.0, 1.0, 0.0}}, // only exactly 0 goes to 1
    {3, 0.0, cycle(3)},
    {10, 0.0, cycle(10)},      // no float drift: every state and 1 are reached
    {4, 1.0 / 3.0 - 1e-9, {2.0 / 3.0, 1.0, 0.0}}, // a value a rounding error below a state shows that state
    {1, 0.0, {0.0, 0.0}},      // one state
    {0, 0.7, {0.0}},           // no states counts as one
  };
  for (const Case& c : cases)
  {
    Switch* s = Attach(new Switch(IRECT(0, 0, 10, 10), -1, nullptr, c.states));
    s->SetValue(c.start, 0);
    EXPECT_EQ(Clicks(*s, int(c.expected.size())), c.expected) << c.states << " states";
  }
}

// A switch given only its place is an on/off switch of no parameter.
TEST_F(Bases, SwitchGivenOnlyItsPlaceTogglesBetweenTwoStates)
{
  Switch* s = Attach(new Switch(IRECT(0, 0, 10, 10)));
  EXPECT_EQ(s->GetNumStates(), 2);
  EXPECT_EQ(s->GetParamIdx(), -1);
  EXPECT_EQ(Clicks(*s, 3), (std::vector<double>{1.0, 0.0, 1.0}));
  EXPECT_TRUE(mDelegate.mValuesFromUI.empty());
}

TEST_F(Bases, SwitchTakesItsStatesFromTheParameterOnAttachWithFlagsForEach)
{
  Stepped(0, 0, 4, 1);
  Switch* s = Attach(new Switch(IRECT(0, 0, 10, 10), 0, nullptr, 2));
  EXPECT_EQ(s->GetNumStates(), 5);
  s->SetStateDisabled(4, true);
  s->SetStateDisabled(5, true); // no such state
  EXPECT_TRUE(s->GetStateDisabled(4));
  EXPECT_FALSE(s->GetStateDisabled(5));
  EXPECT_FALSE(s->GetStateDisabled(-1));
  // States below the first and far past the last are ignored too; in a process of its own, as a stray index
  // would write outside the flags.
  EXPECT_EXIT(
    {
      for (int state : {-1, -64, 1 << 20})
        s->SetStateDisabled(state, true);
      std::exit(!s->GetStateDisabled(0) && s->GetStateDisabled(4) ? 0 : 1);
    },
    ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(Clicks(*s, 5), (std::vector<double>{0.25, 0.5, 0.75, 1.0, 0.0}));
  EXPECT_EQ(mDelegate.mValuesFromUI.back(), (std::pair<int, double>{0, 0.0}));
}

// A second press on a switch or a button comes quickly: a double click counts as one more press, where other
// controls take it to restore their default.
TEST_F(Bases, SwitchAndButtonTakeADoubleClickAsAPress)
{
  Switch* s = Attach(new Switch(IRECT(0, 0, 10, 10), 0));
  int pressed = 0;
  Button* b = Attach(new Button(IRECT(20, 0, 30, 10), [&](IControl*) { ++pressed; }));
  EXPECT_TRUE(mG.OnMouseDblClick(5, 5, kLeft));
  EXPECT_EQ(s->GetValue(0), 1.0);
  mG.ReleaseMouseCapture();
  EXPECT_TRUE(mG.OnMouseDblClick(25, 5, kLeft));
  EXPECT_EQ(b->GetValue(0), 1.0) << "shown pressed";
  EXPECT_EQ(pressed, 1);
}

TEST_F(Bases, SwitchOverAHugeRangeIsCapped)
{
  Stepped(0, 0, 1e12, 1);
  Switch* s = Attach(new Switch(IRECT(0, 0, 10, 10), 0, nullptr, 2));
  EXPECT_EQ(s->GetNumStates(), ISwitchControlBase::kMaxStates);
  s->SetAllStatesDisabled(true);
  EXPECT_TRUE(s->GetStateDisabled(ISwitchControlBase::kMaxStates - 1));
  // The flags end on a whole word here: the state one past the last would write past them (seen by the
  // sanitizers), so it is set in a process of its own.
  EXPECT_EXIT(
    {
      s->SetStateDisabled(ISwitchControlBase::kMaxStates, false);
      std::exit(s->GetStateDisabled(ISwitchControlBase::kMaxStates - 1) ? 0 : 1);
    },
    ::testing::ExitedWithCode(0), "");
}

// ---- Knobs ----

TEST_F(Bases, SteppedKnobDragQuantisesToMultiplesOfTheStepCountedFromZero)
{
  Stepped(0, 0, 10, 1);
  Knob* k = Attach(new Knob(IRECT(0, 0, 40, 100), 0));
  k->SetValue(0.34, 0);
  k->OnMouseDown(0, 0, kLeft);
  k->OnMouseDrag(0, 0, 0, -13, kLeft); // accumulator 0.47
  EXPECT_DOUBLE_EQ(k->GetValue(0), 0.4);
  k->OnMouseDrag(0, 0, 0, -3, kLeft); // 0.50, reached despite float noise
  EXPECT_DOUBLE_EQ(k->GetValue(0), 0.5);

  Stepped(1, 1, 11, 2);
  Knob* odd = Attach(new Knob(IRECT(0, 0, 40, 100), 1));
  odd->OnMouseDown(0, 0, kLeft);
  odd->OnMouseDrag(0, 0, 0, -35, kLeft); // position 4.5 -> 4
  EXPECT_NEAR(odd->GetValue(0), 0.3, 1e-12);
  odd->OnMouseDrag(0, 0, 0, 30, kLeft); // position 1.5 -> 0, below the minimum: clamped
  EXPECT_EQ(odd->GetValue(0), 0.0);
}

TEST_F(Bases, KnobDragIsGearedAndFinerWithAModifierWhileThePointerIsHidden)
{
  Knob* k = Attach(new Knob(IRECT(0, 0, 40, 100), 0));
  EXPECT_FALSE(mG.CursorIsHidden()) << "shown until a drag begins";
  k->OnMouseDown(0, 0, kLeft);
  EXPECT_TRUE(mG.CursorIsHidden());
  k->OnMouseDrag(0, 0, 0, -10, kLeft);
  EXPECT_NEAR(k->GetValue(0), 0.1, 1e-12);
  k->OnMouseDrag(0, 0, 0, -10, kShift);
  EXPECT_NEAR(k->GetValue(0), 0.11, 1e-12);
  k->OnMouseDrag(0, 0, 0, 10, kCtrl);
  EXPECT_NEAR(k->GetValue(0), 0.1, 1e-12);
  EXPECT_NEAR(mDelegate.mValuesFromUI.back().second, 0.1, 1e-12);
  const size_t sent = mDelegate.mValuesFromUI.size();
  k->OnMouseUp(0, 0, kLeft);
  EXPECT_FALSE(mG.CursorIsHidden());
  EXPECT_EQ(mDelegate.mValuesFromUI.size(), sent) << "the release sends nothing more";
  k->SetHideCursorOnDrag(false);
  k->OnMouseDown(0, 0, kLeft);
  k->OnMouseUp(0, 0, kLeft);
  EXPECT_EQ(mG.mHideCursorCalls + mG.mShowCursorCalls, 2) << "a knob that keeps the pointer in sight";
}

TEST_F(Bases, KnobWheelMovesByIncrementOrExactlyOneStep)
{
  Knob* plain = Attach(new Knob(IRECT(0, 0, 40, 100), 0));
  plain->OnMouseWheel(0, 0, IMouseMod(), 3);
  EXPECT_NEAR(plain->GetValue(0), 0.03, 1e-12);
  plain->OnMouseWheel(0, 0, IMouseMod(false, false, false, true), 1);
  EXPECT_NEAR(plain->GetValue(0), 0.031, 1e-12);

  Stepped(1, 0, 10, 1);
  Knob* k = Attach(new Knob(IRECT(0, 0, 40, 100), 1));
  k->OnMouseWheel(0, 0, IMouseMod(), 0.2f);
  EXPECT_DOUBLE_EQ(k->GetValue(0), 0.1);
  k->OnMouseWheel(0, 0, IMouseMod(), 5);
  EXPECT_DOUBLE_EQ(k->GetValue(0), 0.2);
  k->SetValue(1.0, 0);
  k->OnMouseWheel(0, 0, IMouseMod(), 1);
  EXPECT_EQ(k->GetValue(0), 1.0);
}

TEST_F(Bases, SteppedWheelNeverSticksOnFloatNoise)
{
  Stepped(0, 0, 100, 1);
  Knob* k = Attach(new Knob(IRECT(0, 0, 40, 100), 0));
  for (int i = 1; i <= 100; ++i)
  {
    k->OnMouseWheel(0, 0, IMouseMod(), 1);
    ASSERT_NEAR(k->GetValue(0) * 100.0, i, 1e-9) << "notch " << i;
  }
  for (int i = 99; i >= 0; --i)
  {
    k->OnMouseWheel(0, 0, IMouseMod(), -1);
    ASSERT_NEAR(k->GetValue(0) * 100.0, i, 1e-9) << "notch down to " << i;
  }
}

// A notch lands on the step grid counted from 0, as a drag does: from the off-grid maximum 10.5 one notch down
// gives 9, not 9.5: no value the stepped parameter holds (it would round it to 10 behind the knob).
TEST_F(Bases, NotchUpAtAMaximumOffTheStepGridStaysPut)
{
  Stepped(0, 0, 10.5, 1);
  Knob* k = Attach(new Knob(IRECT(0, 0, 40, 100), 0));
  k->SetValue(1.0, 0);
  k->OnMouseWheel(0, 0, IMouseMod(), 1);
  EXPECT_EQ(k->GetValue(0), 1.0);
  k->OnMouseWheel(0, 0, IMouseMod(), -1);
  EXPECT_NEAR(k->GetValue(0) * 10.5, 9.0, 1e-9);
}

// Stepped values go to the multiple of the step on the side of 0, below 0 as above it.
struct StepCase
{
  const char* name;
  double min, max, step, startPlain;
  float dY, wheel; // a drag of dY over 100 pixels, or one wheel event when dY is 0
  double expectedPlain;
};
const StepCase kStepCases[] = {
  {"DragToMinus3Point4Gives3", -10, 10, 1, 0, 17, 0, -3},
  {"DragTo3Point4Gives3", -10, 10, 1, 0, -17, 0, 3},
  {"DragToMinus0Point6GivesZero", -10, 10, 1, 0, 3, 0, 0},
  {"NotchDownFromMinus3Point5GivesMinus4", -10, 10, 1, -3.5, 0, -1, -4},
  {"NotchUpFromMinus3Point5GivesMinus2", -10, 10, 1, -3.5, 0, 1, -2},
  {"NotchDownAtANegativeMinimumOffTheGridStaysPut", -10.5, 0, 1, -10.5, 0, -1, -10.5},
};

class SteppedValues : public BasesTest, public ::testing::WithParamInterface<StepCase>
{
};

TEST_P(SteppedValues, KnobAndSliderGoToTheMultipleOfTheStepNearerZero)
{
  const StepCase& c = GetParam();
  Stepped(0, c.min, c.max, c.step);
  const double range = c.max - c.min;
  IControl* controls[] = {Attach(new Knob(IRECT(0, 0, 40, 100), 0)), Attach(new Slider(IRECT(0, 0, 20, 100), 0))};
  for (IControl* control : controls)
  {
    control->SetValue((c.startPlain - c.min) / range, 0);
    control->OnMouseDown(0, 0, kLeft);
    if (c.dY != 0.f)
      control->OnMouseDrag(0, 0, 0, c.dY, kLeft);
    else
      control->OnMouseWheel(0, 0, IMouseMod(), c.wheel);
    EXPECT_NEAR(control->GetValue(0) * range + c.min, c.expectedPlain, 1e-9)
      << (control == controls[0] ? "knob" : "slider");
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, SteppedValues, ::testing::ValuesIn(kStepCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Bases, ZeroSizeDragExtentOrTrackMovesNothing)
{
  Knob* k = Attach(new Knob(IRECT(0, 0, 40, 0), 0));
  k->SetValue(0.5, 0);
  k->OnMouseDown(0, 0, kLeft);
  k->OnMouseDrag(0, 0, 0, -10, kLeft);
  EXPECT_EQ(k->GetValue(0), 0.5);

  Slider* s = Attach(new Slider(IRECT(0, 0, 40, 0), 1));
  s->SetValue(0.5, 0);
  s->OnMouseDown(0, 0, kLeft);
  s->OnMouseDrag(0, 0, 0, -10, kLeft);
  EXPECT_EQ(s->GetValue(0), 0.5);
  EXPECT_TRUE(mDelegate.mValuesFromUI.empty());
}

// A wheel or drag amount that is not a number (a broken event) leaves knobs and sliders where they are.
TEST_F(Bases, NotANumberFromTheWheelOrADragMovesNothing)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  Stepped(1, 0, 10, 1);
  IControl* controls[] = {Attach(new Knob(IRECT(0, 0, 40, 100), 0)), Attach(new Knob(IRECT(0, 0, 40, 100), 1)),
                          Attach(new Slider(IRECT(0, 0, 20, 100), 2))};
  for (IControl* c : controls)
  {
    c->SetValue(0.5, 0);
    c->OnMouseWheel(0, 0, IMouseMod(), nan);
    c->OnMouseDown(10, 50, kLeft); // at the slider's value: the press moves nothing
    const size_t sends = mDelegate.mValuesFromUI.size();
    c->OnMouseDrag(10, 50, nan, nan, kLeft);
    if (c != controls[2]) // the slider follows the pointer's place, not its movement
    {
      EXPECT_EQ(mDelegate.mValuesFromUI.size(), sends) << "a knob sends nothing for a movement by no number";
    }
    c->OnMouseUp(10, 50, kLeft);
    EXPECT_EQ(c->GetValue(0), 0.5);
  }
  for (const auto& sent : mDelegate.mValuesFromUI)
    EXPECT_EQ(sent.second, 0.5) << "parameter " << sent.first;
}

// ---- Sliders ----

TEST_F(Bases, SliderClickJumpsToThePointerUnlessStepped)
{
  Slider* s = Attach(new Slider(IRECT(0, 0, 20, 100), 0));
  s->OnMouseDown(5, 25, kLeft);
  EXPECT_DOUBLE_EQ(s->GetValue(0), 0.75);

  Stepped(1, 0, 10, 1);
  Slider* stepped = Attach(new Slider(IRECT(0, 0, 20, 100), 1));
  stepped->OnMouseDown(5, 25, kLeft);
  EXPECT_EQ(stepped->GetValue(0), 0.0);
}

TEST_F(Bases, SliderDragsRelativelyWithTheHiddenPointerAndAbsolutelyOtherwise)
{
  Slider* s = Attach(new Slider(IRECT(0, 0, 20, 100), 0));
  s->OnMouseDown(5, 50, kLeft);
  s->OnMouseDrag(5, 90, 0, -10, kLeft); // relative: up by 10 of 100
  EXPECT_NEAR(s->GetValue(0), 0.6, 1e-12);

  EXPECT_TRUE(mG.CursorIsHidden());
  s->OnMouseUp(5, 90, kLeft);
  EXPECT_FALSE(mG.CursorIsHidden());
  EXPECT_EQ(mG.mHideCursorCalls, 1);
  EXPECT_EQ(mG.mShowCursorCalls, 1);

  s->SetHideCursorOnDrag(false);
  s->OnMouseDown(5, 50, kLeft);
  s->OnMouseDrag(5, 90, 0, -10, kLeft); // follows the pointer, which stays in sight
  EXPECT_NEAR(s->GetValue(0), 0.1, 1e-12);
  s->OnMouseUp(5, 90, kLeft);
  EXPECT_EQ(mG.mHideCursorCalls + mG.mShowCursorCalls, 2);
}

// A right press on a knob, a slider or a plain control asks for a typed value, centred on the control, once the
// control allows prompts; a left press or a control with prompts off asks nothing.
TEST_F(Bases, RightPressPromptsForATypedValueWhereTheControlAllowsIt)
{
  const IMouseMod right(false, true);
  struct Plain : IControl
  {
    using IControl::IControl;
    void Draw(IGraphics&) override {}
  };
  IControl* controls[] = {Attach(new Knob(IRECT(0, 0, 40, 100), 0)), Attach(new Slider(IRECT(100, 0, 120, 100), 1)),
                          Attach(new Plain(IRECT(200, 0, 300, 100), 2))};
  for (IControl* c : controls)
  {
    c->OnMouseDown(c->GetRECT().CentreX(), 90, right); // prompts are off by default
    c->OnMouseUp(c->GetRECT().CentreX(), 90, right);
    c->DisablePrompt(false);
    c->OnMouseDown(c->GetRECT().CentreX(), 90, kLeft);
    c->OnMouseUp(c->GetRECT().CentreX(), 90, kLeft);
  }
  EXPECT_TRUE(mG.mTextEntries.empty());
  for (IControl* c : controls)
  {
    c->OnMouseDown(c->GetRECT().CentreX(), 90, right);
    c->OnMouseUp(c->GetRECT().CentreX(), 90, right);
  }
  ASSERT_EQ(mG.mTextEntries.size(), 3u);
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_EQ(mG.mTextEntries[size_t(i)].mParamIdx, i);
    const IRECT& at = mG.mTextEntries[size_t(i)].mBounds;
    EXPECT_EQ(at.CentreX(), controls[i]->GetRECT().CentreX()) << i;
    EXPECT_EQ(at.CentreY(), 50.f) << i;
  }
}

// A slider made with an action and no parameter runs the action as the pointer moves it.
TEST_F(Bases, SliderWithAnActionRunsItAsItMoves)
{
  struct ActionSlider : ISliderControlBase
  {
    ActionSlider(const IRECT& r, IActionFn fn) : ISliderControlBase(r, std::move(fn), kHorizontal, 1.0, 8.f) {}
    void Draw(IGraphics&) override {}
  };
  std::vector<double> seen;
  auto* s = Attach(new ActionSlider(IRECT(0, 0, 100, 20), [&](IControl* c) { seen.push_back(c->GetValue(0)); }));
  s->SetHideCursorOnDrag(false);
  s->OnMouseDown(25, 10, kLeft);
  s->OnMouseDrag(60, 10, 35, 0, kLeft);
  s->OnMouseUp(60, 10, kLeft);
  EXPECT_EQ(s->GetParamIdx(0), -1);
  EXPECT_EQ(seen, (std::vector<double>{0.25, 0.6}));
  EXPECT_TRUE(mDelegate.mValuesFromUI.empty());
}

// ---- Buttons ----

TEST_F(Bases, ButtonShowsOneUntilItsAnimationEnds)
{
  int actions = 0;
  Button* b = Attach(new Button(IRECT(0, 0, 10, 10), [&](IControl* c) {
    ++actions;
    IControl::ActionFuncAnimate(c);
  }));
  b->OnMouseDown(0, 0, kLeft);
  EXPECT_EQ(b->GetValue(0), 1.0);
  mClock.Advance(0.05);
  b->Animate();
  EXPECT_EQ(b->GetValue(0), 1.0);
  mClock.Advance(0.06);
  b->Animate();
  EXPECT_EQ(b->GetValue(0), 0.0);
  EXPECT_FALSE(b->HasAnimation());
  EXPECT_EQ(actions, 1);
  EXPECT_TRUE(mDelegate.mValuesFromUI.empty());
}

// A function to run when the button's animation ends runs once, after the button shows zero again, and may
// replace itself as it runs.
TEST_F(Bases, ButtonRunsItsEndFunctionOnceTheAnimationEnds)
{
  Button* b = Attach(new Button(IRECT(0, 0, 10, 10), IControl::ActionFuncAnimate));
  std::vector<std::string> ends;
  b->SetEndAnimationFn([&](IControl* c) {
    ends.push_back("first at " + std::to_string(int(c->GetValue(0))));
    c->SetEndAnimationFn([&](IControl*) { ends.push_back("second"); });
  });
  for (int press = 0; press < 2; ++press)
  {
    b->OnMouseDown(0, 0, kLeft);
    mClock.Advance(0.05);
    b->Animate();
    EXPECT_EQ(ends.size(), size_t(press)) << "still animating";
    mClock.Advance(0.06);
    b->Animate();
  }
  EXPECT_EQ(ends, (std::vector<std::string>{"first at 0", "second"}));
}
