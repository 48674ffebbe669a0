#include <cmath>
#include <limits>

#include "bases_fixture.h"
#include "graphics/bases/IBitmapBase.h"
#include "graphics/bases/IVectorBase.h"

using namespace graphicstest;

namespace {

struct VectorControl : IControl, IVectorBase
{
  explicit VectorControl(const IRECT& r, const IVStyle& style = kDefaultStyle) : IControl(r), IVectorBase(style)
  {
    SetControl(this, "");
  }
  void Draw(IGraphics&) override {}
};

struct BitmapControl : IControl, IBitmapBase
{
  BitmapControl(const IRECT& r, const IBitmap& b) : IControl(r), IBitmapBase(b, this) {}
  void Draw(IGraphics& g) override { DrawBitmap(g); }
};

using VectorBase = BasesTest;

std::vector<DrawOp> OpsNamed(const RecordingBackend& g, const std::string& name)
{
  std::vector<DrawOp> ops;
  for (const DrawOp& op : g.mOps)
    if (op.mName == name)
      ops.push_back(op);
  return ops;
}

} // namespace

TEST_F(VectorBase, PressableFaceOfAHundredSquareLeavesRoomForFrameAndShadow)
{
  VectorControl* c = Attach(new VectorControl(IRECT(0, 0, 100, 100)));
  c->DrawPressableShape(mG, kVShapeRectangle, IRECT(0, 0, 100, 100), false, false, false);
  const auto fills = OpsNamed(mG, "FillRoundRect");
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0].mRect, IRECT(6.5f, 3.5f, 99.5f, 99.5f)); // shadow first
  EXPECT_EQ(fills[0].mColor, kDefaultStyle.mColorSet.GetColor(kRoleShadow));
  EXPECT_EQ(fills[1].mRect, IRECT(3.5f, 0.5f, 96.5f, 96.5f));
  EXPECT_EQ(fills[1].mArgs, (std::vector<float>{0, 0, 0, 0})); // roundness 0: square corners
  const auto frames = OpsNamed(mG, "DrawRoundRect");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].mRect, IRECT(3.5f, 0.5f, 96.5f, 96.5f));

  c->MakeRects(IRECT(0, 0, 100, 100), true);
  EXPECT_EQ(c->GetWidgetBounds(), IRECT(3.5f, 0.5f, 96.5f, 96.5f));
}

TEST_F(VectorBase, LabelAndValueStripsFromMeasuredTexts)
{
  VectorControl* c = Attach(new VectorControl(IRECT(0, 0, 100, 100)));
  c->SetValueStr("50"); // 14-pixel value text at the bottom
  IRECT rest = c->MakeRects(IRECT(0, 0, 100, 100));
  EXPECT_EQ(c->GetLabelBounds(), IRECT()); // empty label: no strip
  EXPECT_EQ(rest, IRECT(0, 0, 100, 100));
  EXPECT_EQ(c->GetValueBounds().mTop, 86.f);
  EXPECT_EQ(c->GetValueBounds().mBottom, 100.f);
  EXPECT_EQ(c->GetWidgetBounds(), IRECT(0, 0, 100, 86));

  c->SetLabelStr("Gain"); // 19-pixel label text at the top
  rest = c->MakeRects(IRECT(0, 0, 100, 100));
  EXPECT_EQ(rest, IRECT(0, 19, 100, 100));
  EXPECT_EQ(c->GetLabelBounds(), IRECT(31, 0, 69, 19));
  EXPECT_EQ(c->GetWidgetBounds(), IRECT(0, 19, 100, 86));
}

TEST_F(VectorBase, SplashRestoresTheRegionClipBeforeTheFrameIsStroked)
{
  VectorControl* c = Attach(new VectorControl(IRECT(0, 0, 100, 100)));
  mG.StoreClipRegion(IRECT(0, 0, 50, 50));
  mG.PrepareRegion(IRECT(0, 0, 50, 50));
  c->SetSplashPoint(40, 40);
  IVectorBase::ActionFuncSplash(c);
  mClock.Advance(0.05);
  c->Animate(); // half way: radius 25
  c->DrawPressableShape(mG, kVShapeRectangle, IRECT(0, 0, 100, 100), true, false, false);

  const auto splash = OpsNamed(mG, "FillCircle");
  ASSERT_EQ(splash.size(), 1u);
  EXPECT_NEAR(splash[0].mRect.W(), 50.f, 1e-3f);
  EXPECT_EQ(splash[0].mClip, IRECT(3.5f, 0.5f, 50, 50)); // the face within the region
  const auto frames = OpsNamed(mG, "DrawRoundRect");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].mClip, IRECT(0, 0, 50, 50));

  mClock.Advance(0.06);
  c->Animate();
  EXPECT_FALSE(c->HasAnimation());
}

TEST_F(VectorBase, EachCornerFlagRoundsItsOwnCorner)
{
  IVStyle style = kDefaultStyle;
  style.mRoundness = 1.f;
  style.mDrawShadows = false;
  VectorControl* c = Attach(new VectorControl(IRECT(0, 0, 20, 20), style));
  // The radii go out as top-left, top-right, bottom-left, bottom-right.
  const struct
  {
    bool tl, tr, bl, br;
  } corners[] = {{true, false, false, false}, {false, true, false, false}, {false, false, true, false},
                 {false, false, false, true}};
  for (const auto& k : corners)
  {
    mG.mOps.clear();
    c->DrawPressableRectangle(mG, IRECT(0, 0, 20, 20), false, false, false, k.tl, k.tr, k.bl, k.br);
    const auto fills = OpsNamed(mG, "FillRoundRect");
    const auto frames = OpsNamed(mG, "DrawRoundRect");
    ASSERT_EQ(fills.size(), 1u);
    ASSERT_EQ(frames.size(), 1u);
    const float r = fills[0].mRect.W() / 2.f;
    const std::vector<float> radii{k.tl ? r : 0.f, k.tr ? r : 0.f, k.bl ? r : 0.f, k.br ? r : 0.f};
    EXPECT_EQ(fills[0].mArgs, radii);
    EXPECT_EQ(std::vector<float>(frames[0].mArgs.begin(), frames[0].mArgs.begin() + 4), radii);
  }
}

TEST_F(VectorBase, StyleReachesEveryVectorControl)
{
  VectorControl* a = Attach(new VectorControl(IRECT(0, 0, 10, 10)));
  VectorControl* b = Attach(new VectorControl(IRECT(0, 0, 10, 10)));
  IVStyle style;
  style.mRoundness = 0.5f;
  mG.StyleAllVectorControls(style);
  EXPECT_EQ(a->GetStyle().mRoundness, 0.5f);
  EXPECT_EQ(b->GetStyle().mRoundness, 0.5f);
}

TEST_F(VectorBase, BitmapFrameFollowsTheClampedValue)
{
  RecordedBitmap five(60, 300, 1, 1.f, "knob");
  BitmapControl* c = Attach(new BitmapControl(IRECT(10, 10, 50, 50), IBitmap(&five, 5, false, "knob")));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, int> cases[] = {{0.0, 1}, {0.124, 1}, {0.125, 2}, {0.5, 3}, {1.0, 5},
                                          {1.7, 5}, {-0.3, 1},  {nan, 1}};
  for (const auto& [value, frame] : cases)
  {
    c->SetValue(value, 0);
    EXPECT_EQ(c->CurrentFrame(), frame) << value;
  }
  // A frame larger than the control overhangs it equally on every side.
  EXPECT_EQ(c->FrameBounds(), IRECT(0, 0, 60, 60));

  RecordedBitmap one(30, 20, 1, 1.f, "lamp");
  BitmapControl* single = Attach(new BitmapControl(IRECT(0, 0, 30, 20), IBitmap(&one, 1, false, "lamp")));
  single->SetValue(0.9, 0);
  EXPECT_EQ(single->CurrentFrame(), 1);
}
