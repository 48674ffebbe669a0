// What the headless context's frames and measures show by value rather than against a golden image: text aligned
// in a rectangle at screen scales 1 and 2, and SVG polylines left open where polygons close.
#include <algorithm>
#include <cstring>

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

// Text aligned near, centred and far in a rectangle: its measured bounds start at the left edge, share the
// centre or end at the right edge, the same in graphics points at screen scales 1 and 2; the ink drawn lies within
// those bounds times the screen scale, and is as wide.
TEST_F(Headless, AlignedTextIsMeasuredAndDrawnFromItsEdgeAtEachScreenScale)
{
  const IRECT box(20, 10, 220, 50);
  const char* str = "Hello";
  for (const EAlign align : {kAlignNear, kAlignCenter, kAlignFar})
  {
    IRECT atOne;
    for (const int scale : {1, 2})
    {
      SCOPED_TRACE(testing::Message() << "align " << int(align) << " screen scale " << scale);
      const IText style(24.f, kBlack, "Roboto-Regular", align, kVAlignMiddle);
      Open(240, 60, [&](IGraphics& g, const IRECT&) { g.DrawText(style, str, box); }, scale);
      ASSERT_TRUE(mGraphics->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
      IRECT measured = box;
      const float width = mGraphics->MeasureText(style, str, measured);
      EXPECT_FLOAT_EQ(width, measured.W());
      EXPECT_GT(width, 40.f);
      EXPECT_LT(width, 80.f);
      EXPECT_NEAR(measured.CentreY(), box.CentreY(), 1.0);
      if (align == kAlignNear)
        EXPECT_NEAR(measured.mLeft, box.mLeft, 2.0);
      else if (align == kAlignCenter)
        EXPECT_NEAR(measured.CentreX(), box.CentreX(), 1.0);
      else
        EXPECT_NEAR(measured.mRight, box.mRight, 2.0);
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
