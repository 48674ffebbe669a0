// The editor's radio-button rows and hidden controls, attached to a graphics context over a recording back end.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "test_delegate.h"
#include "ui/DisplayControls.h"
#include "ui/HiddenControls.h"
#include "ui/RadioButtons.h"

using namespace graphicstest;

namespace {

/// Records the action ids the controls send.
class ActionDelegate : public TestDelegate
{
public:
  ActionDelegate() : TestDelegate(2)
  {
    GetParam(0)->InitEnum("OS Off/2x/4x", 0, 3, "", 0, "", "off", "2x", "4x");
    GetParam(1)->InitEnum("Monitor Mode 0", 0, 5, "", 0, "", "Stereo", "Left", "Right", "Mid", "Side");
  }
  void OnParamChange(int idx, plug::EParamChangeSource source, int sampleOffset) override
  {
    if (source == plug::kUI && sampleOffset == -1) mActions.push_back(idx);
  }
  std::vector<int> mActions;
};

struct SmallControls : ::testing::Test
{
  ActionDelegate mDelegate;
  FakePlatformGraphics mG{mDelegate, 468, 450};
  IMouseMod mMod;
  double Value(int idx) { return mDelegate.GetParam(idx)->Value(); }
};

TEST_F(SmallControls, OversamplingInToggleModeSwitchesTheLitButtonOff)
{
  auto* os = static_cast<IBRadioButtonsControl*>(mG.AttachControl(new IBRadioButtonsControl2(
    0, IRECT(329, 257, 373, 283), IBitmap(), IRECT(329, 289, 373, 315), IBitmap(), true, IRECT(329, 257, 373, 315))));
  EXPECT_EQ(os->LitButton(), -1); // off: none lit
  os->OnMouseDown(340, 260, mMod);
  EXPECT_EQ(Value(0), 1.0);
  EXPECT_EQ(os->LitButton(), 0);
  os->OnMouseDown(340, 300, mMod);
  EXPECT_EQ(Value(0), 2.0);
  EXPECT_EQ(os->LitButton(), 1); // 4x: the second button lit
  os->OnMouseDown(340, 300, mMod); // the lit button: off again
  EXPECT_EQ(Value(0), 0.0);
  os->OnMouseDown(340, 286, mMod); // between the buttons: nothing
  EXPECT_EQ(Value(0), 0.0);
  EXPECT_TRUE(os->GetDblClickAsClick());
}

TEST_F(SmallControls, FiveButtonsSetTheirIndexAndAValueOutsideLightsNone)
{
  std::vector<IRECT> rects;
  for (float x : {258.f, 281.f, 304.f, 327.f, 350.f}) rects.push_back(IRECT(x, 179, x + 21, 195));
  RecordedBitmap raw(21, 32, 1, 1.f, "button"); // two frames stacked: off, then lit 16 rows down
  auto* mode = static_cast<IBRadioButtonsControl*>(mG.AttachControl(
    new IBRadioButtonsControl5(1, rects, IBitmap(&raw, 2, false, "button"), false, IRECT(258, 179, 371, 195))));
  // Every button, from the last to the first, takes a press up to its corners and alone draws lit.
  for (int k = 4; k >= 0; --k)
    for (auto [x, y] : {std::pair{rects[k].mLeft, rects[k].mTop}, {rects[k].mRight - 0.5f, rects[k].mBottom - 0.5f}})
    {
      mDelegate.GetParam(1)->Set(k == 4 ? 0 : 4);
      mode->OnMouseDown(x, y, mMod);
      EXPECT_EQ(Value(1), k) << x << ", " << y;
      mG.mOps.clear();
      mode->Draw(mG);
      std::vector<std::pair<IRECT, float>> drawn, expected;
      for (const DrawOp& op : mG.mOps) drawn.emplace_back(op.mRect, op.mArgs.at(1));
      for (int i = 0; i < 5; ++i) expected.emplace_back(rects[i], i == k ? 16.f : 0.f);
      EXPECT_EQ(drawn, expected) << k;
    }
  mode->OnMouseDown(330, 185, mMod);
  EXPECT_EQ(Value(1), 3.0);
  EXPECT_EQ(mode->LitButton(), 3);
  mode->OnMouseDown(330, 185, mMod); // normal mode: the lit button sets the same value again
  EXPECT_EQ(Value(1), 3.0);
  mDelegate.GetParam(1)->Set(0); // a value from the host: the lit button follows it
  EXPECT_EQ(mode->LitButton(), 0);
  // Four buttons over the five entries: the last entry lies past them and lights none.
  rects.pop_back();
  auto* four = static_cast<IBRadioButtonsControl*>(
    mG.AttachControl(new IBRadioButtonsControl(1, rects, {}, false, IRECT(258, 179, 348, 195))));
  mDelegate.GetParam(1)->Set(3);
  EXPECT_EQ(four->LitButton(), 3);
  mDelegate.GetParam(1)->Set(4);
  EXPECT_EQ(four->LitButton(), -2);
}

TEST_F(SmallControls, HiddenAreasSendTheirIdOrOpenTheirPage)
{
  auto* click = mG.AttachControl(new IVClickControlHiddenVQ(IRECT(36, 4, 119, 28), 29));
  auto* none = mG.AttachControl(new IVClickControlHiddenVQ(IRECT(0, 0, 10, 10), -1));
  auto* first = mG.AttachControl(new IVClickControlHiddenVQ(IRECT(20, 0, 30, 10), 0)); // 0 is an id like any other
  auto* link = mG.AttachControl(new IVHiddenURLControl(IRECT(400, 18, 468, 30), "https://example.org/"));
  auto* hidden = mG.AttachControl(new IVParameterControlHiddenVQ(0));
  click->OnMouseDown(40, 10, mMod);
  none->OnMouseDown(5, 5, mMod);
  first->OnMouseDown(25, 5, mMod);
  link->OnMouseDown(410, 20, mMod);
  link->OnMouseDown(410, 20, mMod);
  EXPECT_EQ(mDelegate.mActions, (std::vector<int>{29, 0}));
  EXPECT_EQ(mG.mURLs, (std::vector<std::string>{"https://example.org/", "https://example.org/"}));
  EXPECT_TRUE(hidden->GetRECT().Empty());
  EXPECT_EQ(hidden->GetParamIdx(), 0);
}

TEST_F(SmallControls, BitmapControlsTakeOneFrameAndTextFieldsRedrawOnlyOnChange)
{
  RecordedBitmap raw(198, 118 * 51, 1, 1.f, "VUneedle.png");
  auto* needle = mG.AttachControl(new IBBitmapControlVQ(25, 50, IBitmap(&raw, 51, false, "VUneedle.png")));
  EXPECT_EQ(needle->GetRECT(), IRECT(25, 50, 223, 168));
  auto* text = static_cast<IVTextControlVQ*>(mG.AttachControl(new IVTextControlVQ(IRECT(43, 137, 79, 149), "-144.0")));
  int actions = 0;
  text->SetActionFunction([&](IControl*) { ++actions; });
  text->SetClean();
  text->SetStr("-144.0");
  EXPECT_FALSE(text->IsDirty());
  text->SetStr("-12.5");
  EXPECT_TRUE(text->IsDirty());
  EXPECT_STREQ(text->GetStr(), "-12.5");
  EXPECT_EQ(actions, 1) << "a new text runs the action; the same text again does not";
}

TEST_F(SmallControls, TwoFrameSwitchesToggleOnEveryClick)
{
  RecordedBitmap raw(40, 40, 1, 1.f, "button_onoff.png");
  auto* on = static_cast<IBSwitchControlVQ*>(
    mG.AttachControl(new IBSwitchControlVQ(242, 243, IBitmap(&raw, 2, false, "button_onoff.png"), 0)));
  EXPECT_EQ(on->GetRECT(), IRECT(242, 243, 282, 263));
  on->OnMouseDown(250, 250, mMod);
  EXPECT_EQ(on->GetValue(), 1.0);
  on->OnMouseDown(250, 250, mMod);
  EXPECT_EQ(on->GetValue(), 0.0);
  on->OnMouseDown(250, 250, mMod);
  EXPECT_EQ(on->CurrentFrame(), 2); // the lit frame
}

TEST_F(SmallControls, DropDownWheelMovesWholeEntriesWithinTheRange)
{
  auto* placement = mG.AttachControl(new IVPopupMenuVQ(IRECT(0, 0, 40, 16), 1, IText(), true, true));
  auto* fixed = mG.AttachControl(new IVPopupMenuVQ(IRECT(0, 20, 40, 36), 1, IText(), false, false));
  placement->OnMouseWheel(0, 0, mMod, -1);
  EXPECT_EQ(Value(1), 1.0); // "Stereo" to "Left"
  placement->OnMouseWheel(0, 0, mMod, 0.5f); // less than a notch
  EXPECT_EQ(Value(1), 1.0);
  placement->OnMouseWheel(0, 0, mMod, -9);
  EXPECT_EQ(Value(1), 4.0); // clamped at "Side"
  fixed->OnMouseWheel(0, 20, mMod, 2);
  EXPECT_EQ(Value(1), 4.0);
  mG.mOps.clear();
  placement->Draw(mG);
  fixed->Draw(mG); // draws no text, still takes clicks
  ASSERT_EQ(mG.Count("DrawText"), 1);
  EXPECT_EQ(mG.mOps.back().mText, "Side");
  EXPECT_EQ(mG.mOps.back().mRect, IRECT(0, 0, 40, 16)); // in the drop-down that draws its text
  EXPECT_EQ(DropDownWheelValue(0, 1, 4), 0.0);
  EXPECT_EQ(DropDownWheelValue(1, -0.5f, 4), 0.25); // part of a notch either way is none
  EXPECT_EQ(DropDownWheelValue(1, -1.5f, 4), 0.5);
  for (float d : {1.f, 0.5f, -1.f}) // a single entry spans nothing: it stays at 0
    EXPECT_EQ(DropDownWheelValue(0, d, 0), 0.0) << d;
}

// A click or a double click on any drop-down, drawn as text or not or as bitmap frames, asks for an entry and sets
// the one given.
TEST_F(SmallControls, DropDownClickAsksForAnEntry)
{
  auto* placement = mG.AttachControl(new IVPopupMenuVQ(IRECT(0, 0, 40, 16), 1, IText(), true, true));
  auto* fixed = mG.AttachControl(new IVPopupMenuVQ(IRECT(0, 20, 40, 36), 1, IText(), false, false));
  RecordedBitmap raw(84, 100, 1, 1.f, "drop_chmode.png");
  auto* frames = mG.AttachControl(new IBPopupMenuVQ(154, 263, 1, IBitmap(&raw, 5, false, "drop_chmode.png"), false));
  const char* entries[] = {"Stereo", "Left", "Right", "Mid", "Side"};
  int entry = 0;
  mG.mTextAnswer = [&](const std::string&, const IRECT&) { return std::string(entries[entry]); };
  for (IControl* c : {placement, fixed, frames})
  {
    const float x = c->GetRECT().CentreX(), y = c->GetRECT().CentreY();
    entry = entry % 4 + 1; // never the default entry
    c->OnMouseDown(x, y, mMod);
    EXPECT_EQ(Value(1), entry) << y;
    entry = entry % 4 + 1;
    mG.OnMouseDblClick(x, y, mMod);
    IMouseInfo up;
    up.mX = x, up.mY = y;
    mG.OnMouseUp({up});
    EXPECT_EQ(Value(1), entry) << "double click at " << y;
  }
}

} // namespace
