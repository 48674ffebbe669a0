// The corner resizer: its cursor on hover, its place and size across draw scales, the press that starts
// resizing and the double click that restores the first size; the value bubble's fades and its stay while dragged.
#include "controls_fixture.h"
#include "core/IParam.h"

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
}

TEST_F(ResizerTest, KeepsItsScreenSizeInTheCornerAndDoubleClickRestoresTheFirstSize)
{
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
}

} // namespace
} // namespace controlstest
