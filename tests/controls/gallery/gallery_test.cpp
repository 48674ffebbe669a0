// The stock-control gallery drawn by the headless graphics context at screen scales 1 and 2 and compared with
// golden images (DROVIK_UPDATE_GOLDEN=1 rewrites them; a mismatch leaves NAME.actual.png beside the test), then
// pointer sequences (press, drag, release, wheel, double click) that change exactly the values they should.
#include <gtest/gtest.h>

#include "gallery.h"
#include "graphics/overlay/OverlayControls.h"
#include "graphics/bases/IPopupMenu.h"
#include "headless_fixture.h"

namespace gallery {
namespace {

/// Empty when the frame matches golden/NAME.png within the tolerance per channel.
std::string CompareGolden(const IGraphicsHeadless::Frame& frame, const std::string& name, int tolerance = 3)
{
  return headlesstest::CompareGoldenIn(DROVIK_CONTROLS_GOLDEN_DIR, frame, name, tolerance);
}

class GalleryTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_TRUE(mBundle.Ok()); }

  IMouseInfo At(float x, float y, float dx = 0.f, float dy = 0.f)
  {
    IMouseInfo info;
    info.mX = x, info.mY = y, info.mDX = dx, info.mDY = dy;
    info.mMod = IMouseMod(true);
    return info;
  }
  double Param(OpenGallery& gallery, int idx) { return gallery.mDelegate.GetParam(idx)->GetNormalized(); }

  GalleryBundle mBundle;
};

TEST_F(GalleryTest, EveryStockControlAtScreenScalesOneAndTwo)
{
  for (int scale : {1, 2})
  {
    OpenGallery gallery(scale);
    gallery.mGraphics->DrawFullFrame();
    const IGraphicsHeadless::Frame frame = gallery.mGraphics->ReadFrame();
    ASSERT_EQ(frame.mWidth, kWidth * scale);
    EXPECT_EQ(CompareGolden(frame, "gallery_s" + std::to_string(scale)), "");
  }
}

TEST_F(GalleryTest, OpenPopupMenuWithSubmenuAndTextEntry)
{
  OpenGallery gallery(1);
  IGraphicsHeadless& g = *gallery.mGraphics;
  g.AttachPopupMenuControl(IText(12.f));
  g.AttachTextEntryControl();
  IPopupMenu menu("", 0, false, {"Init", "Light", "Medium"});
  menu.GetItem(1)->SetChecked(true);
  menu.AddSeparator();
  menu.AddItem(new IPopupMenu::Item("More", new IPopupMenu("", 0, false, {"Warm", "Crazy"})));
  menu.AddItem("Disabled", IPopupMenu::Item::kDisabled);
  IControl* knob = g.GetControlByTag(kKnob);
  g.CreateTextEntry(*g.GetControlByTag(kSlider), IText(12.f), IRECT(166, 150, 230, 166), "0.300", 0);
  g.OpenPopupMenu(*knob, menu, knob->GetRECT());
  IPopupMenuControl& popup = *g.GetPopupMenuControl();
  gallery.mClock.Advance(0.101);
  g.DrawFullFrame();
  const IRECT more = *popup.GetPanel(0).Cell(4);
  g.OnMouseOver(more.CentreX(), more.CentreY(), IMouseMod());
  gallery.mClock.Advance(0.201);
  g.DrawFullFrame();
  ASSERT_EQ(popup.GetState(), IPopupMenuControl::kMenuOpen);
  EXPECT_EQ(CompareGolden(g.ReadFrame(), "popup_s1"), "");
}

TEST_F(GalleryTest, PointerSequencesChangeExactlyTheirValues)
{
  OpenGallery gallery(1);
  IGraphicsHeadless& g = *gallery.mGraphics;
  std::vector<double> before;
  for (int i = 0; i < kNumGalleryParams; ++i)
    before.push_back(Param(gallery, i));
  auto click = [&](float x, float y) {
    g.OnMouseDown({At(x, y)});
    g.OnMouseUp({At(x, y)});
  };

  click(102, 33);                       // the switch: on -> off
  click(232, 33);                       // the slide switch: off -> on
  click(328, 40);                       // the tab already selected: no parameter, nothing changes
  click(20, 252);                       // the bitmap switch: lit -> dark
  g.OnMouseDown({At(127, 110)});        // the knob: dragged 20 points up
  g.OnMouseDrag({At(127, 100, 0, -10)});
  g.OnMouseDrag({At(127, 90, 0, -10)});
  g.OnMouseUp({At(127, 90)});
  g.OnMouseWheel(186, 110, IMouseMod(), 2.f); // the vertical slider: two notches up
  g.OnMouseDown({At(330, 90)});         // the pad: pressed and dragged to its corner
  g.OnMouseDrag({At(500, -50, 170, -140)});
  g.OnMouseUp({At(500, -50)});
  g.OnMouseDblClick(56, 252, IMouseMod(true)); // the bitmap knob: back to its default

  std::vector<double> expected = before;
  expected[kSwitch] = 0.0;
  expected[kSlide] = 1.0;
  expected[kBSwitch] = 0.0;
  expected[kSlider] = before[kSlider] + 0.02;
  expected[kPadX] = 1.0;
  expected[kPadY] = 1.0;
  expected[kBKnob] = 0.0;
  for (int i = 0; i < kNumGalleryParams; ++i)
  {
    if (i == kKnob)
      continue;
    EXPECT_NEAR(Param(gallery, i), expected[i], 1e-3) << "parameter " << i;
  }
  EXPECT_GT(Param(gallery, kKnob), before[kKnob] + 0.05) << "dragging up turns the knob up";
}

} // namespace
} // namespace gallery
