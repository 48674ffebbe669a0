// The corner resizer: its cursor on hover, its place and size across draw scales, the press that starts
// resizing and the double click that restores the first size.
#include "controls_fixture.h"

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
  g.SetMouseCursor(kHandCursor);
  resizer->OnMouseOver(395, 295, IMouseMod());
  resizer->OnMouseOver(396, 296, IMouseMod());
  resizer->OnMouseOut();
  EXPECT_EQ(g.mCursorKinds, (std::vector<int>{kHandCursor, kSizeNWSECursor, kHandCursor}));
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
  EXPECT_TRUE(g.GetResizingInProcess());
  EXPECT_EQ(drawn(), IColor(255, 3, 3, 3));
}

} // namespace
} // namespace controlstest
