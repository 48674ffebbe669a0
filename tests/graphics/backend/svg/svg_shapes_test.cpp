// The basic shapes as paths: rectangles, circles, and stroke widths under transforms.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "svg_test_support.h"

using svgtest::Doc;
using svgtest::Parsed;

namespace
{
constexpr float kEps = 1e-4f;

void ExpectBounds(const float* b, float x0, float y0, float x1, float y1)
{
  EXPECT_NEAR(b[0], x0, kEps);
  EXPECT_NEAR(b[1], y0, kEps);
  EXPECT_NEAR(b[2], x1, kEps);
  EXPECT_NEAR(b[3], y1, kEps);
}
} // namespace

TEST(SvgShapes, PlainRectIsAClosedPathOfFourSides)
{
  Parsed svg(Doc("<rect x=\"10\" y=\"20\" width=\"30\" height=\"40\"/>"));
  const SvgPath& path = svg.path();
  EXPECT_EQ(path.closed, 1);
  EXPECT_EQ(path.npts, 13);
  EXPECT_EQ(Parsed::point(path, 0).x, 10);
  EXPECT_EQ(Parsed::point(path, 0).y, 20);
  ExpectBounds(svg.shape().bounds, 10, 20, 40, 60);
}

TEST(SvgShapes, CircleBoundsAreExactlyItsRadiusAroundTheCentre)
{
  Parsed svg(Doc("<circle cx=\"50\" cy=\"40\" r=\"10\"/>"));
  const SvgPath& path = svg.path();
  EXPECT_EQ(path.closed, 1);
  EXPECT_EQ(path.npts, 16); // four quarter arcs and the closing segment
  EXPECT_FLOAT_EQ(path.bounds[0], 40);
  EXPECT_FLOAT_EQ(path.bounds[1], 30);
  EXPECT_FLOAT_EQ(path.bounds[2], 60);
  EXPECT_FLOAT_EQ(path.bounds[3], 50);
  EXPECT_NEAR(Parsed::point(path, 1).y, 40 + 10 * 0.5522848f, kEps);
}

TEST(SvgShapes, StrokeWidthFollowsTheAverageScaleOfTheTransform)
{
  struct Case
  {
    const char* transform;
    float width;
  };
  const Case cases[] = {
    {"scale(2)", 2.0f}, {"scale(2,1)", 1.5f}, {"rotate(30)", 1.0f}, {"translate(10 20)", 1.0f}, {"scale(3) scale(0.5)", 1.5f},
  };
  for (const Case& c : cases)
  {
    Parsed svg(Doc(std::string("<line x2=\"10\" stroke=\"red\" transform=\"") + c.transform + "\"/>"));
    EXPECT_NEAR(svg.shape().strokeWidth, c.width, kEps) << c.transform;
  }
  Parsed dashed(Doc("<g transform=\"scale(2)\"><line x2=\"10\" stroke-width=\"3\" stroke-dasharray=\"1 2\" "
                    "stroke-dashoffset=\"4\"/></g>"));
  const SvgShape& s = dashed.shape();
  EXPECT_NEAR(s.strokeWidth, 6, kEps);
  ASSERT_EQ(s.strokeDashCount, 2);
  EXPECT_NEAR(s.strokeDashArray[0], 2, kEps);
  EXPECT_NEAR(s.strokeDashArray[1], 4, kEps);
  EXPECT_NEAR(s.strokeDashOffset, 8, kEps);
}
