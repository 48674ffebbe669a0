#include <cmath>
#include <limits>
#include <sstream>

#include "bases_fixture.h"
#include "graphics/bases/IBitmapBase.h"
#include "graphics/bases/IVectorBase.h"
#include "graphics/overlay/IBackgroundControls.h"
#include "text_golden.h"

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

// What a pressable face paints, bottom layer first, for each shape in each state: the shadow under a face at
// rest, the highlight over it under the pointer, the pressed colour alone when pressed, and the face's colours
// dimmed when disabled (an ellipse then drops its shadow). Alternative shading layers a sunken face.
TEST_F(VectorBase, PressableShapesPaintTheirLayersForEachState)
{
  const char* const roles[] = {"background", "foreground", "pressed", "frame", "highlight", "shadow"};
  IVStyle style = kDefaultStyle;
  style.mColorSet = IVColorSet({IColor(255, 10, 0, 0), IColor(255, 20, 0, 0), IColor(255, 30, 0, 0),
                                IColor(255, 40, 0, 0), IColor(128, 50, 0, 0), IColor(128, 60, 0, 0)});
  style.mRoundness = 0.5f;
  auto painted = [&](const IVStyle& st, int shape, bool pressed, bool over, bool disabled) {
    VectorControl* c = Attach(new VectorControl(IRECT(0, 0, 40, 40), st));
    mG.mOps.clear();
    c->DrawPressableShape(mG, shape, IRECT(0, 0, 40, 40), pressed, over, disabled);
    std::string out;
    for (const DrawOp& op : mG.mOps)
    {
      if (op.mName.rfind("Fill", 0) != 0)
        continue;
      std::string name = "dimmed";
      for (int role = 0; role < 6; ++role)
        if (op.mColor == st.mColorSet[role])
          name = roles[role];
      out += (out.empty() ? "" : " ") + name;
    }
    return out;
  };
  struct Case
  {
    bool pressed, over, disabled;
    const char* square; // rectangles and triangles
    const char* ellipse;
  };
  const Case plain[] = {
    {false, false, false, "shadow foreground", "shadow foreground"},
    {false, true, false, "shadow foreground highlight", "shadow foreground highlight"},
    {true, true, false, "pressed", "pressed"},
    {false, false, true, "shadow dimmed", "dimmed"},
    {true, false, true, "dimmed", "dimmed"},
  };
  for (const Case& c : plain)
  {
    SCOPED_TRACE(std::to_string(c.pressed) + std::to_string(c.over) + std::to_string(c.disabled));
    for (int shape : {kVShapeRectangle, kVShapeAllCornersRounded, kVShapeTopCornersRounded, kVShapeTriangle})
      EXPECT_EQ(painted(style, shape, c.pressed, c.over, c.disabled), c.square) << "shape " << shape;
    EXPECT_EQ(painted(style, kVShapeEllipse, c.pressed, c.over, c.disabled), c.ellipse);
  }
  IVStyle alt = style;
  alt.mAltShading = true;
  const Case sunken[] = {
    {false, false, false, "shadow pressed shadow foreground", "shadow pressed shadow foreground"},
    {false, true, false, "shadow pressed shadow foreground highlight", "shadow pressed shadow foreground highlight"},
    {true, false, false, "pressed shadow foreground pressed", "pressed shadow foreground pressed"},
    {false, false, true, "shadow dimmed dimmed dimmed", "dimmed dimmed dimmed"},
  };
  for (const Case& c : sunken)
    for (int shape : {kVShapeRectangle, kVShapeEllipse})
      EXPECT_EQ(painted(alt, shape, c.pressed, c.over, c.disabled), shape == kVShapeEllipse ? c.ellipse : c.square)
        << "alternative shading, shape " << shape << " " << c.pressed << c.over << c.disabled;
  EXPECT_EQ(painted(style, 99, false, false, false), "") << "no such shape";
}

// The top-rounded shape rounds its top corners only; a triangle points up at angle 0 and down at 180.
TEST_F(VectorBase, TopRoundedAndTriangleShapesTakeTheirForm)
{
  IVStyle style = kDefaultStyle;
  style.mRoundness = 1.f;
  style.mDrawShadows = false;
  style.mDrawFrame = false;
  VectorControl* c = Attach(new VectorControl(IRECT(0, 0, 40, 20), style));
  c->DrawPressableShape(mG, kVShapeTopCornersRounded, IRECT(0, 0, 40, 20), false, false, false);
  ASSERT_EQ(mG.mOps.size(), 1u);
  EXPECT_EQ(mG.mOps[0].mArgs, (std::vector<float>{10, 10, 0, 0}));
  for (float angle : {0.f, 180.f})
  {
    style.mAngle = angle;
    c->SetStyle(style);
    mG.mOps.clear();
    c->DrawPressableShape(mG, kVShapeTriangle, IRECT(0, 0, 40, 20), false, false, false);
    ASSERT_EQ(mG.mOps.size(), 1u);
    const std::vector<float>& t = mG.mOps[0].mArgs; // three corners
    ASSERT_EQ(t.size(), 6u);
    const float apexY = angle == 0.f ? 0.f : 20.f, baseY = 20.f - apexY;
    EXPECT_NEAR(t[2], 20.f, 1e-4f) << angle;
    EXPECT_NEAR(t[3], apexY, 1e-4f) << angle;
    EXPECT_NEAR(t[1], baseY, 1e-4f) << angle;
    EXPECT_NEAR(t[5], baseY, 1e-4f) << angle;
    EXPECT_NEAR(std::abs(t[4] - t[0]), 40.f, 1e-4f) << angle;
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
  // The stock bitmap control takes the size of one frame at its corner and, unless told, no parameter.
  const IBitmapControl placed(5.f, 7.f, IBitmap(&one, 1, false, "lamp"));
  EXPECT_EQ(placed.GetParamIdx(), -1);
  EXPECT_EQ(placed.GetRECT(), IRECT(5, 7, 35, 27));
  EXPECT_EQ(placed.GetBlend().mWeight, 1.f);
}

// Every shape in each state, plain and with the alternative shading, and the label, value and widget rectangles
// for each value alignment, compared with their record.
TEST_F(VectorBase, PressableShapesAndLayoutsMatchTheirRecord)
{
  auto rect = [](const IRECT& r) {
    return "[" + Num(r.mLeft) + " " + Num(r.mTop) + " " + Num(r.mRight) + " " + Num(r.mBottom) + "]";
  };
  std::ostringstream out;
  IVStyle style = kDefaultStyle;
  style.mRoundness = 0.5f;
  style.mFrameThickness = 2.f;
  style.mAngle = 90.f;
  const bool states[][3] = {{false, false, false}, {false, true, false}, {true, false, false}, {false, false, true},
                            {true, false, true}};
  for (bool alt : {false, true})
    for (int shape = kVShapeRectangle; shape <= kVShapeAllCornersRounded; ++shape)
      for (const auto& s : states)
      {
        style.mAltShading = alt;
        VectorControl* c = Attach(new VectorControl(IRECT(10, 20, 50, 44), style));
        mG.mOps.clear();
        c->DrawPressableShape(mG, shape, IRECT(10, 20, 50, 44), s[0], s[1], s[2]);
        out << "shape " << shape << " alt " << alt << " pressed " << s[0] << " over " << s[1] << " disabled " << s[2]
            << "\n";
        for (const DrawOp& op : mG.mOps)
        {
          out << "  " << op.mName << " " << rect(op.mRect) << " c" << int(op.mColor.mAlpha) << "," << int(op.mColor.mRed)
              << "," << int(op.mColor.mGreen) << "," << int(op.mColor.mBlue);
          for (float a : op.mArgs)
            out << " " << Num(a);
          out << " blend " << Num(op.mBlendWeight) << "\n";
        }
      }
  for (int align : {kVAlignTop, kVAlignMiddle, kVAlignBottom})
    for (bool showValue : {true, false})
      for (const char* label : {"", "Gain"})
        for (bool handle : {false, true})
        {
          IVStyle laidOut = kDefaultStyle;
          laidOut.mValueText.mVAlign = align;
          laidOut.mShowValue = showValue;
          laidOut.mWidgetFrac = 0.5f;
          VectorControl* c = Attach(new VectorControl(IRECT(0, 0, 100, 80), laidOut));
          c->SetLabelStr(label);
          c->SetValueStr("-12.5");
          const IRECT rest = c->MakeRects(IRECT(0, 0, 100, 80), handle);
          out << "align " << align << " value " << showValue << " label \"" << label << "\" handle " << handle
              << ": rest " << rect(rest) << " label " << rect(c->GetLabelBounds()) << " value "
              << rect(c->GetValueBounds()) << " widget " << rect(c->GetWidgetBounds()) << "\n";
        }
  const std::string failure = CompareTextGolden("pressable_shapes", out.str());
  EXPECT_TRUE(failure.empty()) << failure;
}
