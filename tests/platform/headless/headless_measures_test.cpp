// What the headless context's frames and measures show by value rather than against a golden image: text aligned
// in a rectangle at screen scales 1 and 2, bitmap frames taken from their own place, bitmaps one pixel wide or high
// drawn whole, SVG polylines left open where polygons close, each blend method where a source meets paint and where
// it meets nothing, gradients turned and moved by their transform, text turned by its angle, and dotted rectangles
// and quadratic curves.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "headless_fixture.h"

using namespace headlesstest;

namespace {

const IColor kBlack(255, 0, 0, 0);

/// The columns from the first to the last holding a pixel darker than mid grey; -1 when none does.
std::pair<int, int> InkColumns(const IGraphicsHeadless::Frame& frame)
{
  int first = -1, last = -1;
  for (int x = 0; x < frame.mWidth; ++x)
    for (int y = 0; y < frame.mHeight; ++y)
      if (frame.At(x, y)[0] < 128)
      {
        if (first < 0)
          first = x;
        last = x;
        break;
      }
  return {first, last};
}

} // namespace

// Text aligned in a rectangle, near and at the top, centred on both axes, and far and at the bottom: its measured
// bounds start at the left edge and the top, share the centre, or end at the right edge and the bottom, the same in
// graphics points at screen scales 1 and 2; the ink drawn lies within those bounds times the screen scale, and is
// as wide.
TEST_F(Headless, AlignedTextIsMeasuredAndDrawnFromItsEdgeAtEachScreenScale)
{
  const IRECT box(20, 10, 220, 50);
  const char* str = "Hello";
  const std::pair<EAlign, EVAlign> alignments[] = {
    {kAlignNear, kVAlignTop}, {kAlignCenter, kVAlignMiddle}, {kAlignFar, kVAlignBottom}};
  for (const auto& [align, valign] : alignments)
  {
    IRECT atOne;
    for (const int scale : {1, 2})
    {
      SCOPED_TRACE(testing::Message() << "align " << int(align) << " screen scale " << scale);
      const IText style(24.f, kBlack, "Roboto-Regular", align, valign);
      Open(240, 60, [&](IGraphics& g, const IRECT&) { g.DrawText(style, str, box); }, scale);
      ASSERT_TRUE(mGraphics->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
      IRECT measured = box;
      const float width = mGraphics->MeasureText(style, str, measured);
      EXPECT_FLOAT_EQ(width, measured.W());
      EXPECT_GT(width, 40.f);
      EXPECT_LT(width, 80.f);
      if (align == kAlignNear)
      {
        EXPECT_NEAR(measured.mLeft, box.mLeft, 2.0);
        EXPECT_NEAR(measured.mTop, box.mTop, 0.01);
      }
      else if (align == kAlignCenter)
      {
        EXPECT_NEAR(measured.CentreX(), box.CentreX(), 1.0);
        EXPECT_NEAR(measured.CentreY(), box.CentreY(), 0.01);
      }
      else
      {
        EXPECT_NEAR(measured.mRight, box.mRight, 2.0);
        EXPECT_NEAR(measured.mBottom, box.mBottom, 0.01);
      }
      if (scale == 1)
        atOne = measured;
      else
        EXPECT_EQ(measured, atOne);

      const IGraphicsHeadless::Frame frame = Render();
      ASSERT_EQ(frame.mWidth, 240 * scale);
      const auto [first, last] = InkColumns(frame);
      EXPECT_GE(first, int(measured.mLeft * scale) - 1);
      EXPECT_LE(last, int(measured.mRight * scale) + 1);
      EXPECT_NEAR(last + 1 - first, measured.W() * scale, 3.0 * scale);
    }
  }
}

// Frames of a bitmap laid out down the file and across it: each frame drawn shows its own colour, whole.
TEST_F(Headless, EachBitmapFrameIsTakenFromItsOwnPlaceDownOrAcrossTheFile)
{
  const IColor colours[] = {IColor(255, 220, 40, 40), IColor(255, 40, 170, 80), IColor(255, 40, 60, 220)};
  ASSERT_TRUE(WriteTestPng(mResources + "/down.png", 8, 24, [&](int, int y) { return colours[y / 8]; }));
  ASSERT_TRUE(WriteTestPng(mResources + "/across.png", 24, 8, [&](int x, int) { return colours[x / 8]; }));
  Open(40, 24, [](IGraphics& g, const IRECT&) {
    const IBitmap down = g.LoadBitmap("down.png", 3, false), across = g.LoadBitmap("across.png", 3, true);
    for (int frame = 1; frame <= 3; ++frame)
    {
      g.DrawBitmapFrame(down, IRECT(8.f * (frame - 1), 0, 8.f * frame, 8), frame);
      g.DrawBitmapFrame(across, IRECT(8.f * (frame - 1), 12, 8.f * frame, 20), frame);
    }
  });
  const IGraphicsHeadless::Frame frame = Render();
  for (int i = 0; i < 3; ++i)
    for (const auto& [x, y] : {std::pair{8 * i + 1, 1}, {8 * i + 6, 6}, {8 * i + 1, 13}, {8 * i + 6, 18}})
    {
      const uint8_t* px = frame.At(x, y);
      EXPECT_EQ((IColor(255, px[0], px[1], px[2])), colours[i]) << "frame " << i + 1 << " at " << x << "," << y;
    }
}

// A bitmap one pixel wide, one one pixel high and one of a single pixel are drawn like any other: each of their
// pixels shows its own colour where it was placed, and the white around them is left as it was.
TEST_F(Headless, BitmapsOnePixelWideOrHighAreDrawnWhole)
{
  const IColor colours[] = {IColor(255, 220, 40, 40), IColor(255, 40, 170, 80), IColor(255, 40, 60, 220)};
  const IColor white(255, 255, 255, 255);
  ASSERT_TRUE(WriteTestPng(mResources + "/column.png", 1, 6, [&](int, int y) { return colours[y % 3]; }));
  ASSERT_TRUE(WriteTestPng(mResources + "/row.png", 6, 1, [&](int x, int) { return colours[x % 3]; }));
  ASSERT_TRUE(WriteTestPng(mResources + "/dot.png", 1, 1, [&](int, int) { return colours[2]; }));
  Open(20, 10, [](IGraphics& g, const IRECT&) {
    g.DrawBitmapFrame(g.LoadBitmap("column.png"), IRECT(2, 2, 3, 8));
    g.DrawBitmapFrame(g.LoadBitmap("row.png"), IRECT(6, 4, 12, 5));
    g.DrawBitmapFrame(g.LoadBitmap("dot.png"), IRECT(15, 6, 16, 7));
  });
  const IGraphicsHeadless::Frame frame = Render();
  const auto colourAt = [&](int x, int y) {
    const uint8_t* px = frame.At(x, y);
    return IColor(255, px[0], px[1], px[2]);
  };
  for (int i = 0; i < 6; ++i)
  {
    EXPECT_EQ(colourAt(2, 2 + i), colours[i % 3]) << "pixel " << i << " of the column";
    EXPECT_EQ(colourAt(6 + i, 4), colours[i % 3]) << "pixel " << i << " of the row";
  }
  EXPECT_EQ(colourAt(15, 6), colours[2]) << "the single pixel";
  for (const auto& [x, y] : {std::pair{1, 4}, {3, 4}, {2, 1}, {2, 8}, {8, 3}, {8, 5}, {5, 4}, {12, 4}, {14, 6},
                             {16, 6}, {15, 5}, {15, 7}})
    EXPECT_EQ(colourAt(x, y), white) << "beside a bitmap at " << x << "," << y;
}

// The same three points stroked as a polyline and as a polygon: only the polygon draws the segment from the last
// point back to the first.
TEST_F(Headless, AStrokedPolylineHasNoClosingSegmentAndAPolygonHasOne)
{
  const char* polyline = "<svg width=\"60\" height=\"50\"><polyline points=\"10,10 50,10 50,40\" fill=\"none\" "
                         "stroke=\"black\" stroke-width=\"3\"/></svg>";
  const char* polygon = "<svg width=\"60\" height=\"50\"><polygon points=\"10,10 50,10 50,40\" fill=\"none\" "
                        "stroke=\"black\" stroke-width=\"3\"/></svg>";
  Open(120, 50, [&](IGraphics& g, const IRECT&) {
    g.DrawSVG(g.LoadSVGFromData("polyline.svg", polyline, int(strlen(polyline))), IRECT(0, 0, 60, 50));
    g.DrawSVG(g.LoadSVGFromData("polygon.svg", polygon, int(strlen(polygon))), IRECT(60, 0, 120, 50));
  });
  const IGraphicsHeadless::Frame frame = Render();
  // The middle of the top side, drawn by both, and of the closing side, from (50, 40) to (10, 10).
  EXPECT_LT(frame.At(30, 10)[0], 64);
  EXPECT_LT(frame.At(90, 10)[0], 64);
  EXPECT_GT(frame.At(30, 25)[0], 250) << "the polyline was closed";
  EXPECT_LT(frame.At(90, 25)[0], 64) << "the polygon was left open";
}

// In a layer that starts clear, red is painted over the top half of a strip, then blue over the whole strip with
// each blend method; the layer is then drawn over white. The blue meets red above and nothing below.
TEST_F(Headless, EachBlendMethodWhereTheSourceMeetsPaintAndWhereItMeetsNothing)
{
  const IColor red(255, 255, 0, 0), blue(255, 0, 0, 255), white(255, 255, 255, 255), magenta(255, 255, 0, 255);
  struct Case
  {
    EBlend method;
    IColor overRed, overNothing;
  } cases[] = {
    {kBlendDefault, blue, blue},           {kBlendSourceIn, blue, white},       {kBlendSourceOut, white, blue},
    {kBlendSourceAtop, blue, white},       {kBlendDestinationOver, red, blue},  {kBlendDestinationIn, red, white},
    {kBlendDestinationOut, white, white},  {kBlendDestinationAtop, red, blue},  {kBlendXOR, white, blue},
    {kBlendSourceAlphaDestinationAlpha, magenta, blue},
  };
  constexpr int kStrip = 8, kHeight = 16;
  const int n = int(sizeof(cases) / sizeof(cases[0]));
  Open(n * kStrip, kHeight, [&](IGraphics& g, const IRECT&) {
    g.StartLayer(nullptr, IRECT(0, 0, float(n * kStrip), float(kHeight)));
    for (int i = 0; i < n; ++i)
    {
      const float left = float(i * kStrip), right = left + float(kStrip);
      g.FillRect(red, IRECT(left, 0, right, kHeight / 2));
      const IBlend blend(cases[i].method, 1.f);
      g.FillRect(blue, IRECT(left, 0, right, kHeight), &blend);
    }
    g.DrawLayer(g.EndLayer());
  });
  const IGraphicsHeadless::Frame frame = Render();
  for (int i = 0; i < n; ++i)
  {
    const int x = i * kStrip + kStrip / 2;
    for (auto [y, want] : {std::pair{kHeight / 4, cases[i].overRed}, {kHeight * 3 / 4, cases[i].overNothing}})
    {
      const uint8_t* p = frame.At(x, y);
      EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{want.mRed, want.mGreen, want.mBlue}))
        << "method " << cases[i].method << (y < kHeight / 2 ? " over red" : " over nothing");
    }
  }
}

// White-to-black gradients whose pattern space is turned by 30 degrees, scaled and moved: every pixel shows the
// shade its centre has in pattern space (linear: along the pattern's y from 0 to 1; radial: the distance from the
// pattern's origin out to 1, white out to its first stop), so each gradient starts, and the radial one is centred,
// where the transform puts it.
TEST_F(Headless, GradientsTurnedAndMovedLieWhereTheirTransformPutsThem)
{
  constexpr int kW = 64, kH = 48;
  const double angle = 30.0 * 3.14159265358979 / 180.0, c = std::cos(angle), sn = std::sin(angle);
  const struct
  {
    int type;
    double x, y, size; // where the pattern's origin lands, and its unit's length
    float first;       // the first stop's offset
  } cases[] = {{kLinearPattern, 36, 8, 36, 0.f}, {kRadialPattern, 40, 20, 24, 0.f}, {kRadialPattern, 30, 26, 30, 0.4f}};
  for (const auto& k : cases)
  {
    SCOPED_TRACE(testing::Message() << (k.type == kLinearPattern ? "linear" : "radial") << ", first stop " << k.first);
    IPaintPattern gradient;
    gradient.mType = k.type;
    gradient.mNStops = 2;
    gradient.mStops[0] = {IColor(255, 255, 255, 255), k.first};
    gradient.mStops[1] = {kBlack, 1.f};
    // Drawing to pattern space: moved back by the origin, turned back by the angle, divided by the size.
    gradient.mTransform = IMatrix(c / k.size, -sn / k.size, sn / k.size, c / k.size, -(c * k.x + sn * k.y) / k.size,
                                  (sn * k.x - c * k.y) / k.size);
    Open(kW, kH, [&](IGraphics& g, const IRECT& r) {
      g.PathClear();
      g.PathRect(r);
      g.PathFill(gradient);
    });
    const IGraphicsHeadless::Frame frame = Render();
    ASSERT_EQ(frame.mWidth, kW);
    std::string worst;
    int worstError = 4; // rounding and the shader's interpolation
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
      {
        const IMatrix& m = gradient.mTransform;
        const double px = x + 0.5, py = y + 0.5;
        const double u = m.mXX * px + m.mXY * py + m.mTX, v = m.mYX * px + m.mYY * py + m.mTY;
        const double t =
          std::clamp(k.type == kLinearPattern ? v : (std::hypot(u, v) - k.first) / (1.0 - k.first), 0.0, 1.0);
        const int want = int(std::lround(255 * (1 - t))), got = frame.At(x, y)[0];
        if (std::abs(got - want) > worstError)
        {
          worstError = std::abs(got - want);
          worst = "pixel " + std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(got) + ", not " +
                  std::to_string(want);
        }
      }
    EXPECT_EQ(worst, "");
  }
}

// Text turned by a quarter either way and aligned near the top left of a rectangle: its measured bounds are tall and
// narrow from that corner, and its ink lies within them.
TEST_F(Headless, TextTurnedByItsAngleIsDrawnWithinItsMeasuredBounds)
{
  const IRECT box(10, 6, 110, 106);
  for (const float angle : {90.f, -90.f})
  {
    SCOPED_TRACE(testing::Message() << "angle " << angle);
    const IText style(20.f, kBlack, "Roboto-Regular", kAlignNear, kVAlignTop, angle);
    Open(120, 112, [&](IGraphics& g, const IRECT&) { g.DrawText(style, "Hello", box); });
    ASSERT_TRUE(mGraphics->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
    IRECT measured = box;
    mGraphics->MeasureText(style, "Hello", measured);
    EXPECT_NEAR(measured.mLeft, box.mLeft, 0.01);
    EXPECT_NEAR(measured.mTop, box.mTop, 0.01);
    EXPECT_GT(measured.H(), 1.5f * measured.W());
    const IGraphicsHeadless::Frame frame = Render();
    int x0 = frame.mWidth, y0 = frame.mHeight, x1 = -1, y1 = -1;
    for (int y = 0; y < frame.mHeight; ++y)
      for (int x = 0; x < frame.mWidth; ++x)
        if (frame.At(x, y)[0] < 128)
          x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    ASSERT_GE(x1, 0) << "no ink";
    EXPECT_GE(x0, int(measured.mLeft) - 1);
    EXPECT_GE(y0, int(measured.mTop) - 1);
    EXPECT_LE(x1, int(measured.mRight) + 1);
    EXPECT_LE(y1, int(measured.mBottom) + 1);
    EXPECT_GT(y1 - y0, 2 * (x1 - x0)) << "the ink runs down the frame";
  }
}

// A dotted rectangle 80 x 40 at (10, 10) in dashes of 4: each side starts at its corner, going round clockwise, with
// a dash then a gap; without a dash length it is a solid frame. A quadratic curve from (10, 50) to (90, 50) pulled
// towards (50, -30) is highest halfway along, at (50, 10), well short of its control point, and passes (30, 20).
TEST_F(Headless, ADottedRectangleGoesRoundInDashesAndAQuadraticCurveBendsTowardsItsControlPoint)
{
  for (const float dash : {4.f, 0.f})
  {
    SCOPED_TRACE(testing::Message() << "dash " << dash);
    Open(100, 60, [&](IGraphics& g, const IRECT&) { g.DrawDottedRect(kBlack, IRECT(10, 10, 90, 50), nullptr, 2.f, dash); });
    const IGraphicsHeadless::Frame frame = Render();
    const struct
    {
      const char* side;
      int dashX, dashY, gapX, gapY;
    } sides[] = {{"top", 12, 10, 16, 10}, {"right", 90, 12, 90, 16}, {"bottom", 88, 50, 84, 50}, {"left", 10, 48, 10, 44}};
    for (const auto& s : sides)
    {
      EXPECT_LT(frame.At(s.dashX, s.dashY)[0], 64) << s.side;
      if (dash > 0)
        EXPECT_GT(frame.At(s.gapX, s.gapY)[0], 250) << s.side;
      else
        EXPECT_LT(frame.At(s.gapX, s.gapY)[0], 64) << s.side;
    }
    EXPECT_GT(frame.At(50, 30)[0], 250) << "the inside";
  }

  Open(100, 60, [&](IGraphics& g, const IRECT&) {
    g.PathClear();
    g.PathMoveTo(10, 50);
    g.PathQuadraticBezierTo(50, -30, 90, 50);
    g.PathStroke(IPaintPattern(kBlack), 2.f);
  });
  const IGraphicsHeadless::Frame frame = Render();
  EXPECT_LT(frame.At(50, 9)[0], 64);
  EXPECT_LT(frame.At(50, 10)[0], 64);
  EXPECT_GT(frame.At(50, 6)[0], 250) << "the curve reaches past its middle";
  EXPECT_GT(frame.At(50, 13)[0], 250);
  int darkest = 255; // a quarter of the way along the curve is (30, 20)
  for (int y = 18; y <= 22; ++y) darkest = std::min<int>(darkest, frame.At(30, y)[0]);
  EXPECT_LT(darkest, 64) << "a quarter of the way along";
}

// A context made with only its size draws at scale 1: its frame is that size in pixels, and a square drawn at
// (20, 10) to (30, 20) shows at exactly those pixels.
// A dotted line two dashes long is one dash and one gap. A line stroked with square caps reaches half its thickness
// past each end; with butt caps it stops at them.
TEST_F(Headless, ADottedLineOfTwoDashesIsADashAndAGapAndSquareCapsReachPastTheEnds)
{
  Open(60, 24, [](IGraphics& g, const IRECT&) {
    g.DrawDottedLine(kBlack, 10, 4, 50, 4, nullptr, 2.f, 20.f);
    for (const int cap : {kCapButt, kCapSquare})
    {
      const float y = cap == kCapButt ? 12.f : 19.f;
      IStrokeStyle style;
      style.mLineCap = cap;
      g.PathClear();
      g.PathMoveTo(10, y);
      g.PathLineTo(50, y);
      g.PathStroke(IPaintPattern(kBlack), 4.f, style);
    }
  });
  const IGraphicsHeadless::Frame frame = Render();
  EXPECT_LT(frame.At(20, 4)[0], 64) << "the dash";
  EXPECT_GT(frame.At(40, 4)[0], 250) << "the gap";
  EXPECT_LT(frame.At(30, 12)[0], 64) << "the butt-capped line";
  EXPECT_GT(frame.At(8, 12)[0], 250) << "before the butt cap";
  EXPECT_GT(frame.At(51, 12)[0], 250) << "after the butt cap";
  EXPECT_LT(frame.At(8, 19)[0], 64) << "the square cap at the start";
  EXPECT_LT(frame.At(51, 19)[0], 64) << "the square cap at the end";
  EXPECT_GT(frame.At(6, 19)[0], 250) << "beyond the square cap";
}

// Where two strokes meet at a right angle the miter reaches 1.41 times half the thickness past the corner: it is
// drawn under a miter limit above that, and cut to a bevel under a limit below it.
TEST_F(Headless, AMiterLongerThanItsLimitIsCutToABevel)
{
  Open(96, 36, [](IGraphics& g, const IRECT&) {
    for (const float limit : {10.f, 1.2f})
    {
      const float x = limit > 2.f ? 5.f : 50.f;
      IStrokeStyle style;
      style.mMiterLimit = limit;
      g.PathClear();
      g.PathMoveTo(x, 30);
      g.PathLineTo(x + 20, 10);
      g.PathLineTo(x + 40, 30);
      g.PathStroke(IPaintPattern(kBlack), 10.f, style);
    }
  });
  const IGraphicsHeadless::Frame frame = Render();
  EXPECT_LT(frame.At(25, 4)[0], 64) << "the miter's tip";
  EXPECT_GT(frame.At(70, 4)[0], 250) << "above the bevel";
  EXPECT_LT(frame.At(70, 8)[0], 64) << "the bevel";
}

// Dotted lines and rectangles of up to 4096 dashes are dashed; with more they are drawn solid.
TEST_F(Headless, DottedLinesAndRectanglesOfUpTo4096DashesAreDashed)
{
  for (const int dashes : {4096, 4097})
  {
    SCOPED_TRACE(testing::Message() << dashes << " dashes");
    // A line of dashes one pixel long, from x = 1; a rectangle as wide and a fixed 192 high, its top edge along
    // pixel row 2, from x = 2.
    Open(dashes + 4, 8, [&](IGraphics& g, const IRECT&) {
      g.DrawDottedLine(kBlack, 1, 4, 1.f + float(dashes), 4, nullptr, 2.f, 1.f);
    });
    IGraphicsHeadless::Frame frame = Render();
    EXPECT_LT(frame.At(1, 4)[0], 64) << "the line's first dash";
    EXPECT_EQ(frame.At(2, 4)[0] > 250, dashes == 4096) << "the line's first gap";
    const float width = 2.f * float(dashes - 96);
    Open(int(width) + 6, 198, [&](IGraphics& g, const IRECT&) {
      g.DrawDottedRect(kBlack, IRECT(2.f, 2.5f, 2.f + width, 194.5f), nullptr, 1.f, 1.f);
    });
    frame = Render();
    EXPECT_LT(frame.At(2, 2)[0], 64) << "the rectangle's first dash";
    EXPECT_EQ(frame.At(3, 2)[0] > 250, dashes == 4096) << "the rectangle's first gap";
  }
}

// A fast drop shadow is black at half opacity under its inner rectangle moved by the drop, fades out over the blur
// towards its outer rectangle and stops there, untinted everywhere; a blend of half weight makes it half as dark.
TEST_F(Headless, AFastDropShadowIsHalfBlackUnderItsMovedRectangleAndFadesOut)
{
  for (const float weight : {1.f, 0.5f})
  {
    SCOPED_TRACE(testing::Message() << "weight " << weight);
    const IBlend blend(kBlendDefault, weight);
    Open(80, 60, [&](IGraphics& g, const IRECT&) {
      g.DrawFastDropShadow(IRECT(16, 12, 56, 40), IRECT(6, 4, 74, 56), 6.f, 2.f, 8.f, &blend);
    });
    const IGraphicsHeadless::Frame frame = Render();
    ASSERT_FALSE(frame.mRGBA.empty());
    const int darkest = int(std::lround(255.f - 128.f * weight));
    EXPECT_EQ(frame.At(42, 32)[0], darkest) << "under the moved rectangle";
    EXPECT_NEAR(frame.At(52, 36)[0], darkest, 2) << "towards the moved rectangle's far corner";
    EXPECT_EQ(frame.At(3, 30)[0], 255) << "left of the outer rectangle";
    EXPECT_EQ(frame.At(76, 50)[0], 255) << "right of the outer rectangle";
    EXPECT_GT(frame.At(8, 6)[0], 250) << "the outer rectangle's corner, far from the inner one";
    int previous = 0;
    for (int x = 42; x < 74; ++x) // rising towards white beyond the moved rectangle's right edge at 62
    {
      EXPECT_GE(frame.At(x, 32)[0], previous) << "at x " << x;
      previous = frame.At(x, 32)[0];
    }
    EXPECT_GT(frame.At(66, 32)[0], darkest + 8) << "fading over the blur";
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 80; ++x)
      {
        const uint8_t* p = frame.At(x, y);
        ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << "a tint at " << x << ", " << y;
      }
  }
}

TEST_F(Headless, AContextMadeWithOnlyItsSizeDrawsAtScaleOne)
{
  mGraphics = std::make_unique<IGraphicsHeadless>(mDelegate, 60, 40);
  mGraphics->SetBundleID(kBundleID);
  mDelegate.mLayoutFunc = [](IGraphics* g) {
    g->AttachControl(new DrawControl(g->GetBounds(), [](IGraphics& gr, const IRECT& r) {
      gr.FillRect(IColor(255, 255, 255, 255), r);
      gr.FillRect(kBlack, IRECT(20, 10, 30, 20));
    }));
  };
  mGraphics->OpenWindow(nullptr);
  EXPECT_FLOAT_EQ(mGraphics->GetDrawScale(), 1.f);
  const IGraphicsHeadless::Frame frame = Render();
  ASSERT_EQ(frame.mWidth, 60);
  ASSERT_EQ(frame.mHeight, 40);
  EXPECT_LT(frame.At(20, 10)[0], 64) << "the square's first pixel";
  EXPECT_LT(frame.At(29, 19)[0], 64) << "the square's last pixel";
  EXPECT_GT(frame.At(30, 15)[0], 250) << "right of the square";
  EXPECT_GT(frame.At(25, 20)[0], 250) << "below the square";
  EXPECT_GT(frame.At(19, 9)[0], 250) << "above and left of the square";
}

// Text of one character is drawn like longer text: its ink lies within its measured bounds and spans most of them;
// empty text draws nothing.
TEST_F(Headless, TextOfOneCharacterIsDrawnWithinItsMeasuredBounds)
{
  const IRECT box(10, 10, 70, 50);
  const IText style(30.f, kBlack, "Roboto-Regular", kAlignCenter, kVAlignMiddle);
  for (const char* str : {"W", "Wo", ""})
  {
    SCOPED_TRACE(testing::Message() << "text \"" << str << "\"");
    Open(80, 60, [&](IGraphics& g, const IRECT&) { g.DrawText(style, str, box); });
    ASSERT_TRUE(mGraphics->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
    IRECT measured = box;
    mGraphics->MeasureText(style, str, measured);
    const auto [first, last] = InkColumns(Render());
    if (!str[0])
    {
      EXPECT_EQ(first, -1);
      continue;
    }
    ASSERT_GE(first, 0) << "no ink";
    EXPECT_GE(first, int(measured.mLeft) - 1);
    EXPECT_LE(last, int(measured.mRight) + 1);
    EXPECT_GT(last + 1 - first, measured.W() / 2);
  }
}

// Red text turned by a quarter and drawn under what is there (destination over) leaves the white background as it
// was, where drawn plainly it shows; either way a blue square drawn next is drawn plainly, unturned, where it was put.
TEST_F(Headless, TextDrawnTurnedAndBlendedLeavesTheDrawingAfterItAsItWas)
{
  const IColor red(255, 255, 0, 0), blue(255, 0, 0, 255);
  const IText style(30.f, red, "Roboto-Regular", kAlignNear, kVAlignTop, 90.f);
  const IBlend under(kBlendDestinationOver, 1.f);
  for (const IBlend* blend : {&under, static_cast<const IBlend*>(nullptr)})
  {
    SCOPED_TRACE(blend ? "under" : "plain");
    Open(100, 60, [&](IGraphics& g, const IRECT&) {
      g.DrawText(style, "Wo", IRECT(4, 4, 50, 56), blend);
      g.FillRect(blue, IRECT(60, 20, 80, 40));
    });
    ASSERT_TRUE(mGraphics->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
    const IGraphicsHeadless::Frame frame = Render();
    int reddish = 0;
    for (int y = 0; y < frame.mHeight; ++y)
      for (int x = 0; x < 55; ++x)
        reddish += frame.At(x, y)[0] > 128 && frame.At(x, y)[1] < 128;
    if (blend)
      EXPECT_EQ(reddish, 0);
    else
      EXPECT_GT(reddish, 20);
    for (const auto& [x, y, want] : {std::tuple{70, 30, blue}, {59, 30, IColor(255, 255, 255, 255)},
                                     {70, 41, IColor(255, 255, 255, 255)}, {61, 21, blue}, {79, 39, blue}})
    {
      const uint8_t* p = frame.At(x, y);
      EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{want.mRed, want.mGreen, want.mBlue}))
        << x << "," << y;
    }
  }
}
