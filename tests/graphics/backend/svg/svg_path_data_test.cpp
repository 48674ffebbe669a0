// Path data: every command, relative forms, implicit repeats, reflections, quadratics and arcs, as the cubic
// points they leave in the image.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "svg_test_support.h"

using svgtest::Parsed;
using svgtest::PathDoc;
using svgtest::Point;

namespace
{
constexpr float kEps = 1e-4f;

void ExpectPoints(const SvgPath& path, const std::vector<Point>& expected)
{
  ASSERT_EQ(path.npts, int(expected.size()));
  for (size_t k = 0; k < expected.size(); ++k)
  {
    EXPECT_NEAR(path.pts[k * 2], expected[k].x, kEps) << "point " << k;
    EXPECT_NEAR(path.pts[k * 2 + 1], expected[k].y, kEps) << "point " << k;
  }
}

void ExpectBounds(const float* b, float x0, float y0, float x1, float y1, float eps = kEps)
{
  EXPECT_NEAR(b[0], x0, eps);
  EXPECT_NEAR(b[1], y0, eps);
  EXPECT_NEAR(b[2], x1, eps);
  EXPECT_NEAR(b[3], y1, eps);
}

Point Last(const SvgPath& path) { return Parsed::point(path, path.npts - 1); }
} // namespace

TEST(SvgPathData, LineIsOneStraightCubicOfFourPoints)
{
  Parsed svg(PathDoc("M10 10 L20 10"));
  ASSERT_EQ(svg.shapes().size(), 1u);
  const SvgPath& path = svg.path();
  EXPECT_EQ(path.closed, 0);
  ExpectPoints(path, {{10, 10}, {13.333333f, 10}, {16.666667f, 10}, {20, 10}});
  ExpectBounds(path.bounds, 10, 10, 20, 10);
}

TEST(SvgPathData, ClosedSquareHasTenPointsEndingAtItsStart)
{
  Parsed svg(PathDoc("M0 0 L10 0 L10 10 Z"));
  const SvgPath& path = svg.path();
  EXPECT_EQ(path.closed, 1);
  ASSERT_EQ(path.npts, 10);
  EXPECT_NEAR(Last(path).x, 0, kEps);
  EXPECT_NEAR(Last(path).y, 0, kEps);
}

TEST(SvgPathData, ImplicitRepeatsRunTheCommandAgain)
{
  Parsed lines(PathDoc("M0 0 L10 0 20 0 30 0"));
  EXPECT_EQ(lines.path().npts, 10);
  EXPECT_NEAR(Last(lines.path()).x, 30, kEps);

  Parsed relative(PathDoc("m5 5 10 0 0 10"));
  EXPECT_EQ(relative.path().npts, 7);
  EXPECT_NEAR(Last(relative.path()).x, 15, kEps);
  EXPECT_NEAR(Last(relative.path()).y, 15, kEps);
}

TEST(SvgPathData, RelativeAndAbsoluteCommandsAgree)
{
  struct Case
  {
    const char* absolute;
    const char* relative;
  };
  const Case cases[] = {
    {"M10 10 L20 30 H40 V5 Z", "m10 10 l10 20 h20 v-25 z"},
    {"M10 10 C10 20 20 20 20 10 S30 0 30 10", "m10 10 c0 10 10 10 10 0 s10 -10 10 0"},
    {"M10 10 Q15 20 20 10 T30 10", "m10 10 q5 10 10 0 t10 0"},
    {"M10 10 A5 5 0 0 1 20 10", "m10 10 a5 5 0 0 1 10 0"},
  };
  for (const Case& c : cases)
  {
    Parsed a(PathDoc(c.absolute));
    Parsed r(PathDoc(c.relative));
    const SvgPath& pa = a.path();
    const SvgPath& pr = r.path();
    ASSERT_EQ(pa.npts, pr.npts) << c.absolute;
    for (int k = 0; k < pa.npts * 2; ++k) EXPECT_NEAR(pa.pts[k], pr.pts[k], kEps) << c.absolute << " @" << k;
  }
}

TEST(SvgPathData, SmoothCubicReflectsThePreviousControlPoint)
{
  Parsed svg(PathDoc("M0 0 C0 10 10 10 10 0 S20 -10 20 0"));
  const SvgPath& path = svg.path();
  ASSERT_EQ(path.npts, 7);
  EXPECT_NEAR(Parsed::point(path, 4).x, 10, kEps);
  EXPECT_NEAR(Parsed::point(path, 4).y, -10, kEps);

  // After a line the reflected point is the current point itself.
  Parsed afterLine(PathDoc("M0 0 L10 0 S20 10 30 0"));
  EXPECT_NEAR(Parsed::point(afterLine.path(), 4).x, 10, kEps);
  EXPECT_NEAR(Parsed::point(afterLine.path(), 4).y, 0, kEps);
}

TEST(SvgPathData, QuadraticBecomesCubicWithTwoThirdsControls)
{
  Parsed svg(PathDoc("M0 0 Q5 10 10 0 T20 0"));
  const SvgPath& path = svg.path();
  ExpectPoints(path, {{0, 0},
                      {3.3333335f, 6.666667f},
                      {6.6666665f, 6.666667f},
                      {10, 0},
                      {13.333334f, -6.666667f},
                      {16.666666f, -6.666667f},
                      {20, 0}});
}

TEST(SvgPathData, HalfCircleArcSideFollowsTheSweepFlag)
{
  Parsed up(PathDoc("M0 0 A5 5 0 0 1 10 0"));
  Parsed down(PathDoc("M0 0 A5 5 0 0 0 10 0"));
  ExpectBounds(up.path().bounds, 0, -5, 10, 0, 0.01f);
  ExpectBounds(down.path().bounds, 0, 0, 10, 5, 0.01f);
  EXPECT_EQ((up.path().npts - 1) % 3, 0);
  EXPECT_NEAR(Last(up.path()).x, 10, kEps);
  EXPECT_NEAR(Last(up.path()).y, 0, kEps);
}

TEST(SvgPathData, LargeArcFlagChoosesTheLongWayRound)
{
  // A quarter of a circle of radius 10 about (10, 10) the short way; the long way passes the far side.
  Parsed shortArc(PathDoc("M10 0 A10 10 0 0 1 20 10"));
  Parsed longArc(PathDoc("M10 0 A10 10 0 1 0 20 10"));
  ExpectBounds(shortArc.path().bounds, 10, 0, 20, 10, 0.02f);
  ExpectBounds(longArc.path().bounds, 0, 0, 20, 20, 0.02f);
}

TEST(SvgPathData, DegenerateArcsAreStraightSegments)
{
  Parsed zeroRadius(PathDoc("M0 0 A0 5 0 0 1 10 0"));
  ExpectPoints(zeroRadius.path(), {{0, 0}, {3.3333333f, 0}, {6.6666667f, 0}, {10, 0}});

  Parsed samePoint(PathDoc("M4 4 A5 5 0 0 1 4 4"));
  ExpectPoints(samePoint.path(), {{4, 4}, {4, 4}, {4, 4}, {4, 4}});
}

TEST(SvgPathData, CloseReturnsTheCurrentPointToTheSubPathStart)
{
  Parsed svg(PathDoc("M10 10 l10 0 l0 10 z l0 -10"));
  const auto paths = Parsed::paths(svg.shape());
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[1]->closed, 1);
  EXPECT_EQ(paths[0]->closed, 0);
  ExpectPoints(*paths[0], {{10, 10}, {10, 6.6666667f}, {10, 3.3333333f}, {10, 0}});
}

TEST(SvgPathData, NumbersRunTogetherAreSplitAtSignsDotsAndExponents)
{
  Parsed svg(PathDoc("M1.5.5L-2e1-3"));
  ExpectPoints(svg.path(), {{1.5f, 0.5f}, {-5.6666665f, -0.6666666f}, {-12.833333f, -1.8333333f}, {-20, -3}});
}

TEST(SvgPathData, UnknownCommandsSwallowTheirNumbers)
{
  Parsed svg(PathDoc("M0 0 L10 0 X 5 5 L20 0"));
  EXPECT_EQ(svg.path().npts, 7);
  EXPECT_NEAR(Last(svg.path()).x, 20, kEps);
}

TEST(SvgPathData, CurveBeforeAnyMoveStartsAtTheCurrentPoint)
{
  Parsed fromOrigin(PathDoc("C0 10 10 10 10 0"));
  ExpectPoints(fromOrigin.path(), {{0, 0}, {0, 10}, {10, 10}, {10, 0}});

  // A line before any move draws nothing but still moves the current point.
  Parsed afterLine(PathDoc("L5 5 C5 15 15 15 15 5"));
  ExpectPoints(afterLine.path(), {{5, 5}, {5, 15}, {15, 15}, {15, 5}});

  Parsed twoQuads(PathDoc("Q5 10 10 0 Q15 -10 20 0"));
  EXPECT_EQ(twoQuads.path().npts, 7);

  Parsed arc(PathDoc("A5 5 0 0 1 10 0"));
  EXPECT_EQ((arc.path().npts - 1) % 3, 0);
  EXPECT_NEAR(Parsed::point(arc.path(), 0).x, 0, kEps);
}

TEST(SvgPathData, EveryPathIsAStartPointPlusWholeSegments)
{
  const char* data[] = {
    "C1 2 3 4", "C1 2 3 4 5 6 7", "M0 0 C1 2 3 4 5", "S1 1 2 2 T3 3", "M0 0 Z C1 1 2 2 3 3 z", "q1 1 2 2 3",
    "M0 0 A1 1 0 0 1", "L1 1 l2 2 3", "z z z M1 1 c1 1", "M 0 0 C 1 1 2 2 3 3 4 4 5 5 6 6 7",
  };
  for (const char* d : data)
  {
    Parsed svg(PathDoc(d));
    for (const SvgShape* shape : svg.shapes())
      for (const SvgPath* path : Parsed::paths(*shape))
      {
        EXPECT_GE(path->npts, 4) << d;
        EXPECT_EQ((path->npts - 1) % 3, 0) << d;
      }
  }
}
