// The corner resizer: its cursor on hover, its place and size across draw scales, the press that starts
// resizing and the double click that restores the first size; the value bubble's fades and its stay while dragged,
// its place beside or above its control and the areas it redraws.
#include <cmath>

#include "controls_fixture.h"
#include "core/IParam.h"
#include "test_controls.h"

namespace controlstest {
namespace {

class ResizerTest : public ControlsTest
{
protected:
  ResizerTest()
  {
    g.AttachCornerResizer(kResizerSize, false, IColor(255, 1, 1, 1), IColor(255, 2, 2, 2), IColor(255, 3, 3, 3), 20.f);
    resizer = g.GetCornerResizer();
  }
  ICornerResizerControl* resizer = nullptr;
};

TEST_F(ResizerTest, HoverSetsTheResizeCursorOnceAndLeavingRestoresThePreviousOne)
{
  g.SetMouseCursor(kPointingHandCursor);
  resizer->OnMouseOver(395, 295, IMouseMod());
  resizer->OnMouseOver(396, 296, IMouseMod());
  resizer->OnMouseOut();
  EXPECT_EQ(g.mCursorKinds, (std::vector<int>{kPointingHandCursor, kResizeNorthWestSouthEastCursor, kPointingHandCursor}));
  // Hovered through the editor, the corner is no control of its list.
  g.OnMouseOver(396, 296, IMouseMod());
  EXPECT_EQ(g.GetMouseOverIdx(), -1);
}

TEST_F(ResizerTest, KeepsItsScreenSizeInTheCornerAndDoubleClickRestoresTheFirstSize)
{
  EXPECT_EQ(ICornerResizerControl(IRECT(0, 0, 400, 300), 20.f).GetRECT(), IRECT(381, 281, 399, 299))
    << "before it is attached: inside the corner by one";
  EXPECT_EQ(resizer->GetRECT(), IRECT(380, 280, 400, 300));
  g.Resize(500, 400, 2.f);
  EXPECT_EQ(resizer->GetRECT(), IRECT(490, 390, 500, 400));
  resizer->OnMouseDblClick(495, 395, IMouseMod(true));
  EXPECT_EQ(g.Width(), 400);
  EXPECT_EQ(g.Height(), 300);
  EXPECT_EQ(g.GetDrawScale(), 1.f);
}

TEST_F(ResizerTest, DrawsItsTriangleInTheColourOfItsState)
{
  auto drawn = [this] {
    g.mOps.clear();
    resizer->Draw(g);
    return g.mOps.at(0).mColor;
  };
  EXPECT_EQ(drawn(), IColor(255, 1, 1, 1));
  EXPECT_EQ(g.mOps.at(0).mArgs, (std::vector<float>{380, 300, 400, 280, 400, 300})) << "the bottom-right half";
  resizer->OnMouseOver(395, 295, IMouseMod());
  EXPECT_EQ(drawn(), IColor(255, 2, 2, 2));
  resizer->OnMouseDown(395, 295, IMouseMod(true));
  EXPECT_TRUE(g.IsResizingInProgress());
  EXPECT_EQ(drawn(), IColor(255, 3, 3, 3));
}

} // namespace
} // namespace controlstest

namespace controlstest {
namespace {

// The value bubble actions show the parameter's display text, with its unit after a blank when it has one, at the
// middle of the control's right edge or of its top edge; with no bubble attached they show nothing.
TEST_F(ControlsTest, ValueBubbleActionsShowTheDisplayedValueBesideOrAboveTheControl)
{
  auto* control = new graphicstest::TestControl(IRECT(100, 100, 140, 140));
  control->SetParamIdx(0);
  g.AttachControl(control);
  IControl::ActionFuncBubbleBeside(control); // nothing to show it in
  g.AttachBubbleControl();
  IBubbleControl& bubble = *g.GetBubbleControl(0);
  IControl::ActionFuncBubbleBeside(control);
  EXPECT_STREQ(bubble.GetString(), "0.000");
  EXPECT_EQ(bubble.GetCaller(), control);
  EXPECT_EQ(bubble.GetArrowDirection(), 3);
  EXPECT_EQ(bubble.GetBubbleBounds(), IRECT(140, 100, 220, 140)) << "short texts get the 50 x 30 box";
  g.GetDelegate()->GetParam(0)->InitDouble("Gain", 0.5, 0.0, 2.0, 0.01, "dB");
  IControl::ActionFuncBubbleAbove(control);
  EXPECT_STREQ(bubble.GetString(), "0.50 dB");
  EXPECT_EQ(bubble.GetArrowDirection(), 2);
  EXPECT_EQ(bubble.GetBubbleBounds(), IRECT(80, 60, 160, 100));
  // Without a control the point stands for it: left of it near the right edge, just below it near the top.
  bubble.ShowBubble(nullptr, 390, 120, "1", kHorizontal, IRECT(0, 0, 50, 30));
  EXPECT_EQ(bubble.GetBubbleBounds(), IRECT(310, 100, 390, 140));
  bubble.ShowBubble(nullptr, 120, 20, "1", kVertical, IRECT(0, 0, 50, 30));
  EXPECT_EQ(bubble.GetBubbleBounds(), IRECT(80, 20, 160, 60));
  // A bubble made with every default: white with a black frame, corners of radius 5, shown for no touch.
  auto* plain = new IBubbleControl();
  g.AttachBubbleControl(plain);
  plain->ShowBubble(nullptr, 120, 20, "1", kVertical, IRECT(0, 0, 50, 30));
  EXPECT_EQ(plain->GetTouchId(), 0u);
  EXPECT_FALSE(plain->GetMouseIsOver());
  g.mOps.clear();
  plain->DrawBubble(g, plain->GetBubbleBounds());
  ASSERT_EQ(g.OpNames(), (std::vector<std::string>{"FillRoundRect", "FillTriangle", "DrawRoundRect"}));
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(g.mOps[i].mColor, i < 2 ? IColor(255, 255, 255, 255) : IColor(255, 0, 0, 0)) << i;
  EXPECT_EQ(g.mOps[0].mArgs[0], 5.f);
}

TEST_F(ControlsTest, BubbleStaysWhileItsControlIsDraggedThenFadesOut)
{
  g.AttachBubbleControl();
  IBubbleControl& bubble = *g.GetBubbleControl(0);
  IControl* knob = g.AttachControl(new IPanelControl(IRECT(100, 100, 140, 140), IColor(255, 0, 0, 0)));
  g.Capture(knob);
  bubble.ShowBubble(knob, 140, 120, "0.50", kHorizontal, IRECT(0, 0, 50, 30));
  EXPECT_EQ(bubble.GetState(), IBubbleControl::kFadingIn);
  EXPECT_FALSE(bubble.IsHidden());
  EXPECT_EQ(bubble.GetArrowDirection(), 3);
  Step(bubble, 100);
  EXPECT_NEAR(bubble.GetBlend().mWeight, 0.475f, 1e-3);
  Step(bubble, 101);
  EXPECT_EQ(bubble.GetState(), IBubbleControl::kShown);
  for (int s = 0; s < 3; ++s)
    Step(bubble, 1001);
  EXPECT_EQ(bubble.GetState(), IBubbleControl::kShown) << "still dragged";

  g.ReleaseMouseCapture();
  Step(bubble, 1001);
  EXPECT_EQ(bubble.GetState(), IBubbleControl::kFadingOut);
  Step(bubble, 100);
  EXPECT_NEAR(bubble.GetBlend().mWeight, 0.475f, 1e-3);
  Step(bubble, 101);
  EXPECT_EQ(bubble.GetState(), IBubbleControl::kHidden);
  EXPECT_TRUE(bubble.IsHidden());

  // Shown again while it fades out, it fades in once more; it never takes the pointer.
  bubble.ShowBubble(knob, 140, 120, "0.50", kHorizontal, IRECT(0, 0, 50, 30));
  Step(bubble, 201);
  Step(bubble, 1001);
  ASSERT_EQ(bubble.GetState(), IBubbleControl::kFadingOut);
  bubble.ShowBubble(knob, 140, 120, "0.60", kHorizontal, IRECT(0, 0, 50, 30));
  EXPECT_EQ(bubble.GetState(), IBubbleControl::kFadingIn);
  EXPECT_TRUE(bubble.GetHitRECT().Empty());
  EXPECT_TRUE(bubble.GetIgnoreMouse());
}


struct BubblePlace
{
  const char* name;
  IRECT caller;
  float x, y;
  EDirection dir;
  IRECT usable; // empty: the whole 400 x 300 editor
  IRECT expected;
  int arrowSide;
};

// The box is the 50 x 30 minimum with a 5 margin all round and a 10 arrow on either side across: 80 x 40.
const BubblePlace kBubblePlaces[] = {
  {"BesideFits", {100, 100, 140, 140}, 140, 120, kHorizontal, {}, {140, 100, 220, 140}, 3},
  {"BesideLeavesNoRoomForArrowAndMarginSoMovesLeft", {280, 100, 320, 140}, 320, 120, kHorizontal, {},
   {200, 100, 280, 140}, 1},
  {"BesideOverflowsASmallerUsableRectangle", {100, 100, 140, 140}, 140, 120, kHorizontal, {0, 0, 200, 300},
   {20, 100, 100, 140}, 1},
  {"AboveFits", {100, 100, 140, 140}, 120, 100, kVertical, {}, {80, 60, 160, 100}, 2},
  {"AboveOverflowsTheTopSoGoesBelow", {100, 20, 140, 60}, 120, 20, kVertical, {}, {80, 60, 160, 100}, 0},
  {"BelowAWideFlatControlByItsHeight", {60, 20, 180, 40}, 120, 20, kVertical, {}, {80, 40, 160, 80}, 0},
  {"BesideEndingWhereArrowAndMarginStillFitStays", {265, 100, 305, 140}, 305, 120, kHorizontal, {},
   {305, 100, 385, 140}, 3},
  {"BesideLeavingRoomForTheArrowButNotTheMarginMovesLeft", {268, 100, 308, 140}, 308, 120, kHorizontal, {},
   {188, 100, 268, 140}, 1},
  {"AboveReachingTheTopStays", {100, 40, 140, 80}, 120, 40, kVertical, {}, {80, 0, 160, 40}, 2},
};

class BubblePlaceTest : public ControlsTest, public ::testing::WithParamInterface<BubblePlace>
{
};

TEST_P(BubblePlaceTest, SitsBesideOrAboveItsControlInsideTheUsableRectangle)
{
  const BubblePlace& c = GetParam();
  g.AttachBubbleControl();
  IBubbleControl& bubble = *g.GetBubbleControl(0);
  bubble.SetUsableBounds(c.usable);
  IControl* caller = g.AttachControl(new IPanelControl(c.caller, IColor(255, 0, 0, 0)));
  bubble.ShowBubble(caller, c.x, c.y, "1", c.dir, IRECT(0, 0, 50, 30));
  EXPECT_EQ(bubble.GetBubbleBounds(), c.expected);
  EXPECT_EQ(bubble.GetArrowDirection(), c.arrowSide);
  // The arrow: a base as wide as the arrow is long on the box, its tip on the bubble's edge on its side. The
  // shadow falls 2 down and right from 10 inside the bubble, blurred over 10, with the box's corners.
  g.mOps.clear();
  bubble.Draw(g);
  int arrows = 0, shadows = 0;
  for (const graphicstest::DrawOp& op : g.mOps)
    if (op.mName == "DrawFastDropShadow")
    {
      const IRECT& b = c.expected;
      EXPECT_EQ(op.mRect, b.GetInset(10.f));
      EXPECT_EQ(op.mArgs, (std::vector<float>{b.mLeft, b.mTop, b.mRight, b.mBottom, 2.f, 5.f, 10.f}));
      ++shadows;
    }
    else if (op.mName == "FillTriangle")
    {
      const std::vector<float>& t = op.mArgs; // base end, tip, base end
      const float mx = (t[0] + t[4]) / 2.f, my = (t[1] + t[5]) / 2.f;
      EXPECT_FLOAT_EQ(std::abs(t[4] - t[0]) + std::abs(t[5] - t[1]), 10.f);
      EXPECT_FLOAT_EQ(std::abs(t[2] - mx) + std::abs(t[3] - my), 10.f);
      const float tipEdge[4] = {c.expected.mTop, c.expected.mRight, c.expected.mBottom, c.expected.mLeft};
      EXPECT_FLOAT_EQ(c.arrowSide % 2 ? t[2] : t[3], tipEdge[c.arrowSide]);
      ++arrows;
    }
  EXPECT_EQ(arrows, 1);
  EXPECT_EQ(shadows, 1);
}

TEST_F(ControlsTest, BubbleTextStaysClearOfItsArrowAboveOrBelow)
{
  g.AttachBubbleControl();
  IBubbleControl& bubble = *g.GetBubbleControl(0);
  // The 80 x 40 box at (80, 60): its 10 arrow below or above, its 10 arrow room either side, a margin of 5.
  for (auto [place, text] :
       {std::pair{kBubblePlaces[3], IRECT(95, 65, 145, 85)}, {kBubblePlaces[4], IRECT(95, 75, 145, 95)}})
  {
    IControl* caller = g.AttachControl(new IPanelControl(place.caller, IColor(255, 0, 0, 0)));
    bubble.ShowBubble(caller, place.x, place.y, "1", place.dir, IRECT(0, 0, 50, 30));
    g.mOps.clear();
    bubble.Draw(g);
    IRECT drawnAt;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName == "DrawText" && op.mText == "1")
        drawnAt = op.mRect;
    EXPECT_EQ(drawnAt, text) << place.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Places, BubblePlaceTest, ::testing::ValuesIn(kBubblePlaces),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlsTest, BubbleRedrawsItsOldAndNewPlaceAndTheWholeEditorForAnotherControl)
{
  g.AttachBubbleControl();
  IBubbleControl& bubble = *g.GetBubbleControl(0);
  IControl* first = g.AttachControl(new IPanelControl(IRECT(100, 100, 140, 140), IColor(255, 0, 0, 0)));
  IControl* second = g.AttachControl(new IPanelControl(IRECT(100, 200, 140, 240), IColor(255, 0, 0, 0)));
  bubble.ShowBubble(first, 140, 120, "1", kHorizontal, IRECT(0, 0, 50, 30));
  EXPECT_EQ(bubble.GetRECT(), IRECT(140, 100, 220, 140));
  second->SetClean();
  bubble.ShowBubble(first, 140, 130, "1", kHorizontal, IRECT(0, 0, 50, 30));
  EXPECT_EQ(bubble.GetRECT(), IRECT(140, 100, 220, 150)) << "the old place and the new one";
  EXPECT_FALSE(second->IsDirty());
  bubble.ShowBubble(second, 140, 220, "1", kHorizontal, IRECT(0, 0, 50, 30));
  EXPECT_EQ(bubble.GetRECT(), IRECT(140, 200, 220, 240)) << "the new place alone";
  EXPECT_TRUE(second->IsDirty());
}

TEST_F(ControlsTest, AShadowDrawnWithTheContextsDefaultsFallsFiveDownWithSquareCornersBlurredOverTen)
{
  IGraphics& context = g;
  g.mOps.clear();
  context.DrawFastDropShadow(IRECT(10, 10, 50, 40), IRECT(0, 0, 60, 50));
  ASSERT_EQ(g.mOps.size(), 1u);
  EXPECT_EQ(g.mOps[0].mArgs, (std::vector<float>{0.f, 0.f, 60.f, 50.f, 5.f, 0.f, 10.f}));
  EXPECT_EQ(g.mOps[0].mBlendWeight, -1.f);
}

} // namespace
} // namespace controlstest
