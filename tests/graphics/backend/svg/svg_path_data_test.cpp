// Path data: every command, relative forms, implicit repeats, reflections, quadratics and arcs, as the cubic
// points they leave in the image; and the outlines of the basic shapes.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "svg/svg_parser.h"
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

/// The paths of two path-data strings have the same points, within `tolerance`.
void ExpectSamePoints(const char* first, const char* second, float tolerance)
{
  Parsed a(PathDoc(first));
  Parsed b(PathDoc(second));
  ASSERT_EQ(a.path().npts, b.path().npts) << first;
  for (int k = 0; k < a.path().npts * 2; ++k)
    EXPECT_NEAR(a.path().pts[k], b.path().pts[k], tolerance) << first << " @" << k;
}

} // namespace

// Path data and the exact cubic points it leaves: lines at thirds, quadratics with two-thirds controls,
// degenerate arcs as straight segments, numbers run together or with signed exponents, curves before any move.
TEST(SvgPathData, PointsOfEachCommand)
{
  const struct
  {
    const char* d;
    std::vector<Point> points;
  } cases[] = {
    {"M10 10 L20 10", {{10, 10}, {13.333333f, 10}, {16.666667f, 10}, {20, 10}}},
    {"M0 0 Q5 10 10 0 T20 0",
     {{0, 0}, {3.3333335f, 6.666667f}, {6.6666665f, 6.666667f}, {10, 0}, {13.333334f, -6.666667f},
      {16.666666f, -6.666667f}, {20, 0}}},
    {"M0 0 A0 5 0 0 1 10 0", {{0, 0}, {3.3333333f, 0}, {6.6666667f, 0}, {10, 0}}},
    {"M4 4 A5 5 0 0 1 4 4", {{4, 4}, {4, 4}, {4, 4}, {4, 4}}},
    {"M1.5.5L-2e1-3", {{1.5f, 0.5f}, {-5.6666665f, -0.6666666f}, {-12.833333f, -1.8333333f}, {-20, -3}}},
    {"M2e-1+1E+1L.3e1 4", {{0.2f, 10}, {1.1333333f, 8}, {2.0666667f, 6}, {3, 4}}}, // exponents and their signs
    {"M100000000000e-10 15e-1L2e+01 0", {{10, 1.5f}, {13.333333f, 1}, {16.666667f, 0.5f}, {20, 0}}}, // of two digits
    {"C0 10 10 10 10 0", {{0, 0}, {0, 10}, {10, 10}, {10, 0}}},
    {"L5 5 C5 15 15 15 15 5", {{5, 5}, {5, 15}, {15, 15}, {15, 5}}}, // the line only moves the current point
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.d);
    Parsed svg(PathDoc(c.d));
    ExpectPoints(svg.path(), c.points);
  }
}

// Point counts and where the path ends: closing, implicit repeats, unknown commands swallowing their numbers.
TEST(SvgPathData, CountsAndEnds)
{
  const struct
  {
    const char* d;
    int npts, closed;
    Point last;
  } cases[] = {
    {"M0 0 L10 0 L10 10 Z", 10, 1, {0, 0}},
    {"M0 0 L10 0 20 0 30 0", 10, 0, {30, 0}},
    {"m5 5 10 0 0 10", 7, 0, {15, 15}},
    {"M0 0 L10 0 X 5 5 L20 0", 7, 0, {20, 0}},
    {"Q5 10 10 0 Q15 -10 20 0", 7, 0, {20, 0}},
    {"M0 0 L10 0 20 , ", 4, 0, {10, 0}}, // separators after an unpaired number end the data
  };
  for (const auto& c : cases)
  {
    Parsed svg(PathDoc(c.d));
    EXPECT_EQ(svg.path().npts, c.npts) << c.d;
    EXPECT_EQ(svg.path().closed, c.closed) << c.d;
    EXPECT_NEAR(Last(svg.path()).x, c.last.x, kEps) << c.d;
    EXPECT_NEAR(Last(svg.path()).y, c.last.y, kEps) << c.d;
  }
}

// Each move, absolute or relative, ends the sub-path before it and starts one of its own there.
TEST(SvgPathData, EachMoveStartsASubPathOfItsOwn)
{
  Parsed svg(PathDoc("M0 0 L10 0 M20 20 L30 20 m5 5 l0 10"));
  const auto paths = Parsed::paths(svg.shape());
  ASSERT_EQ(paths.size(), 3u);
  const Point ends[3][2] = {{{35, 25}, {35, 35}}, {{20, 20}, {30, 20}}, {{0, 0}, {10, 0}}}; // newest first
  for (size_t i = 0; i < 3; ++i)
  {
    EXPECT_EQ(paths[i]->npts, 4) << "sub-path " << i;
    EXPECT_NEAR(Parsed::point(*paths[i], 0).x, ends[i][0].x, kEps) << "sub-path " << i;
    EXPECT_NEAR(Parsed::point(*paths[i], 0).y, ends[i][0].y, kEps) << "sub-path " << i;
    EXPECT_NEAR(Last(*paths[i]).x, ends[i][1].x, kEps) << "sub-path " << i;
    EXPECT_NEAR(Last(*paths[i]).y, ends[i][1].y, kEps) << "sub-path " << i;
  }
}

// Arcs by their bounds: the sweep flag picks the side, the large-arc flag the long way round (a quarter of a
// circle of radius 10 about (10, 10) the short way; the long way passes the far side).
TEST(SvgPathData, ArcFlagsChooseTheSideAndTheWayRound)
{
  const struct
  {
    const char* d;
    float x0, y0, x1, y1;
  } cases[] = {
    {"M0 0 A5 5 0 0 1 10 0", 0, -5, 10, 0},
    {"M0 0 A5 5 0 0 0 10 0", 0, 0, 10, 5},
    {"M10 0 A10 10 0 0 1 20 10", 10, 0, 20, 10},
    {"M10 0 A10 10 0 1 0 20 10", 0, 0, 20, 20},
    // Between (3, 4) and (4, 3) on circles of radius 5 about (0, 0) and (7, 7), each way round.
    {"M3 4 A5 5 0 0 0 4 3", 3, 3, 4, 4},
    {"M3 4 A5 5 0 0 1 4 3", 3, 3, 4, 4},
    {"M3 4 A5 5 0 1 0 4 3", 2, 2, 12, 12},
    {"M3 4 A5 5 0 1 1 4 3", -5, -5, 5, 5},
    // Radii of a millionth are still radii, grown until the arc reaches its end: half an ellipse of their
    // proportions. A radius of zero on both axes is a straight line.
    {"M0 0 A0.000001 0.000001 0 0 1 10 0", 0, -5, 10, 0},
    {"M0 0 A0.000001 0.000002 0 0 1 10 0", 0, -10, 10, 0},
    {"M0 0 A0.000002 0.000001 0 0 1 10 0", 0, -2.5f, 10, 0},
    {"M0 0 A0 0 0 0 1 10 0", 0, 0, 10, 0},
  };
  for (const auto& c : cases)
  {
    Parsed svg(PathDoc(c.d));
    ExpectBounds(svg.path().bounds, c.x0, c.y0, c.x1, c.y1, 0.02f);
  }
}

// Bounds reach as far as the curve does when one control point pulls it past its ends on one axis only.
TEST(SvgPathData, CurveBoundsReachPastTheEndsWhereOneControlPointPulls)
{
  const struct
  {
    const char* d;
    float x1, y1;
  } cases[] = {
    {"M0 0 C20 5 5 5 10 10", 10.7587f, 10},
    {"M0 0 C5 5 20 5 10 10", 13.3639f, 10},
    {"M0 0 C5 20 5 5 10 10", 10, 10.7587f},
    {"M0 0 C5 5 5 20 10 10", 10, 13.3639f},
    {"M0 0 C0.2 0.05 0.05 0.05 0.1 0.1", 0.107587f, 0.1f}, // as far at a hundredth of the size
    {"M0 0 C0 5 12 5 10 10", 10.2249f, 10},                 // the farthest point close to the end
  };
  for (const auto& c : cases)
  {
    Parsed svg(PathDoc(c.d));
    ExpectBounds(svg.path().bounds, 0, 0, c.x1, c.y1, 1e-3f);
  }
}

// An ellipse turned a quarter turn is the same ellipse with its radii swapped: its arcs have the same points.
TEST(SvgPathData, AnArcTurnedAQuarterTurnEqualsTheArcWithItsRadiiSwapped)
{
  const struct
  {
    const char* turned;
    const char* swapped;
  } cases[] = {
    {"M0 0 A10 5 90 0 1 4 6", "M0 0 A5 10 0 0 1 4 6"},
    {"M0 0 A10 5 90 1 0 4 6", "M0 0 A5 10 0 1 0 4 6"},
    {"M0 0 A10 5 -90 0 0 -6 3", "M0 0 A5 10 0 0 0 -6 3"},
  };
  for (const auto& c : cases)
    ExpectSamePoints(c.turned, c.swapped, 1e-3f);
}

// Arcs of long, thin ellipses, turned or not, with radii scaled up or not, end on the end point they were given.
TEST(SvgPathData, ArcsOfThinTurnedEllipsesEndOnTheirEndPoint)
{
  const struct
  {
    const char* d;
    Point end;
  } cases[] = {
    {"M73 67 A177 2 45 1 1 39 96", {39, 96}},
    {"M67 10 A165 3 60 1 0 53 43", {53, 43}},
    {"M46 31 A57 1 15 0 0 75 10", {75, 10}},
    {"M0 3 A5 198 0 1 0 97 56", {97, 56}},
  };
  for (const auto& c : cases)
  {
    Parsed svg(PathDoc(c.d));
    ASSERT_EQ(svg.shapes().size(), 1u) << c.d;
    EXPECT_NEAR(Last(svg.path()).x, c.end.x, 0.02f) << c.d;
    EXPECT_NEAR(Last(svg.path()).y, c.end.y, 0.02f) << c.d;
  }
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
    ExpectSamePoints(c.absolute, c.relative, kEps);
}

TEST(SvgPathData, SmoothCubicReflectsThePreviousControlPoint)
{
  Parsed svg(PathDoc("M0 0 C0 10 10 10 10 0 S20 -10 20 0"));
  const SvgPath& path = svg.path();
  ASSERT_EQ(path.npts, 7);
  EXPECT_NEAR(Parsed::point(path, 4).x, 10, kEps);
  EXPECT_NEAR(Parsed::point(path, 4).y, -10, kEps);
  // A control point off the end's vertical is mirrored in both coordinates.
  Parsed skewed(PathDoc("M0 0 C0 10 4 6 10 0 S20 -10 20 0"));
  EXPECT_NEAR(Parsed::point(skewed.path(), 4).x, 16, kEps);
  EXPECT_NEAR(Parsed::point(skewed.path(), 4).y, -6, kEps);

  // After a line the reflected point is the current point itself.
  Parsed afterLine(PathDoc("M0 0 L10 0 S20 10 30 0"));
  EXPECT_NEAR(Parsed::point(afterLine.path(), 4).x, 10, kEps);
  EXPECT_NEAR(Parsed::point(afterLine.path(), 4).y, 0, kEps);
}

// The start differs in x and y, so each coordinate of it must come back to its own place.
TEST(SvgPathData, CloseReturnsTheCurrentPointToTheSubPathStart)
{
  Parsed svg(PathDoc("M10 20 l10 0 l0 10 z l0 -10 Z m5 1 h2"));
  const auto paths = Parsed::paths(svg.shape());
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[2]->closed, 1);
  EXPECT_EQ(paths[1]->closed, 1);
  EXPECT_EQ(paths[0]->closed, 0);
  ExpectPoints(*paths[1], {{10, 20}, {10, 16.666667f}, {10, 13.333333f}, {10, 10}, {10, 13.333333f},
                           {10, 16.666667f}, {10, 20}});
  ExpectPoints(*paths[0], {{15, 21}, {15.666667f, 21}, {16.333333f, 21}, {17, 21}});
}

// A shape of no width, height or radius leaves no outline at all; the smallest size leaves one.
TEST(SvgPathData, ShapesOfNoSizeLeaveNothing)
{
  for (const char* shape : {"<rect x='1' y='1' width='0' height='5'/>", "<rect x='1' y='1' width='5' height='0'/>",
                            "<circle cx='5' cy='5' r='0'/>", "<ellipse cx='5' cy='5' rx='0' ry='3'/>",
                            "<ellipse cx='5' cy='5' rx='3' ry='0'/>"})
    EXPECT_TRUE(Parsed(svgtest::Doc(shape)).shapes().empty()) << shape;
  for (const char* shape : {"<rect x='1' y='1' width='0.01' height='0.01'/>", "<circle cx='5' cy='5' r='0.01'/>",
                            "<ellipse cx='5' cy='5' rx='0.01' ry='0.01'/>"})
  {
    Parsed svg(svgtest::Doc(shape));
    ASSERT_EQ(svg.shapes().size(), 1u) << shape;
    EXPECT_EQ(Parsed::paths(svg.shape()).size(), 1u) << shape;
  }
}

// An image asked for in other units than pixels has its geometry in those units at the given resolution.
TEST(SvgPathData, AnImageInOtherUnitsIsScaledByTheResolution)
{
  const std::string doc = svgtest::Doc("<rect x='12' y='24' width='36' height='48'/>");
  const struct
  {
    const char* units;
    float dpi, perPixel;
  } cases[] = {{"px", 96, 1}, {"in", 96, 1.f / 96}, {"pt", 96, 0.75f}, {"pc", 48, 0.125f}, {"mm", 96, 25.4f / 96},
               {"cm", 72, 2.54f / 72}};
  for (const auto& c : cases)
  {
    Parsed svg(doc, c.units, c.dpi);
    ASSERT_EQ(svg.shapes().size(), 1u) << c.units;
    ExpectBounds(svg.shape().bounds, 12 * c.perPixel, 24 * c.perPixel, 48 * c.perPixel, 72 * c.perPixel,
                 72 * c.perPixel * 1e-5f);
  }
}

// Units of the font and percentages take the document's font size and a hundredth of a pixel; em without a font
// size cannot be measured and leaves the image in pixels.
TEST(SvgPathData, AnImageInFontUnitsOrPercentIsScaledByTheDocumentsFontSize)
{
  const struct
  {
    const char* units;
    const char* fontSize;
    float perPixel;
  } cases[] = {{"em", " font-size='20'", 1.f / 20}, {"ex", " font-size='20'", 1.f / 10.4f},
               {"%", " font-size='20'", 100}, {"em", "", 1}};
  for (const auto& c : cases)
  {
    SCOPED_TRACE(std::string(c.units) + c.fontSize);
    Parsed svg(std::string("<svg width='100' height='100' viewBox='0 0 100 100'") + c.fontSize +
                 "><rect x='12' y='24' width='36' height='48'/></svg>",
               c.units, 96);
    ASSERT_EQ(svg.shapes().size(), 1u);
    ExpectBounds(svg.shape().bounds, 12 * c.perPixel, 24 * c.perPixel, 48 * c.perPixel, 72 * c.perPixel,
                 72 * c.perPixel * 1e-5f);
  }
}

// A document that gives no view box takes its size for one, and where it gives no size either, the box of its
// shapes on that axis: the image is that box, its corner moved to the origin.
TEST(SvgPathData, ADocumentWithoutAViewBoxTakesItsSizeOrElseItsShapesBox)
{
  const std::string shapes = "<circle cx='60' cy='70' r='5'/><rect x='10' y='20' width='30' height='40'/>";
  const struct
  {
    const char* size;
    float width, height;
    float rect[4];
  } cases[] = {
    {"", 55, 55, {0, 0, 30, 40}},
    {" width='200' height='100'", 200, 100, {10, 20, 40, 60}},
    {" width='200'", 200, 55, {10, 0, 40, 40}},
    {" height='100'", 55, 100, {0, 20, 30, 60}},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.size);
    Parsed svg(std::string("<svg") + c.size + ">" + shapes + "</svg>");
    ASSERT_EQ(svg.shapes().size(), 2u);
    EXPECT_FLOAT_EQ(svg.image()->width, c.width);
    EXPECT_FLOAT_EQ(svg.image()->height, c.height);
    ExpectBounds(svg.shape(1).bounds, c.rect[0], c.rect[1], c.rect[2], c.rect[3]);
    ExpectBounds(svg.shape(0).bounds, c.rect[0] + 45, c.rect[1] + 45, c.rect[0] + 55, c.rect[1] + 55);
  }
  // Shapes of no height (or width) make an image of no height (or width), their points on its edge.
  Parsed flat("<svg><line x1='10' y1='5' x2='30' y2='5' stroke='red'/></svg>");
  ASSERT_EQ(flat.shapes().size(), 1u);
  EXPECT_FLOAT_EQ(flat.image()->width, 20);
  EXPECT_FLOAT_EQ(flat.image()->height, 0);
  ExpectPoints(flat.path(), {{0, 0}, {6.6666667f, 0}, {13.333333f, 0}, {20, 0}});
  Parsed upright("<svg><line x1='5' y1='10' x2='5' y2='30' stroke='red'/></svg>");
  ASSERT_EQ(upright.shapes().size(), 1u);
  EXPECT_FLOAT_EQ(upright.image()->width, 0);
  EXPECT_FLOAT_EQ(upright.image()->height, 20);
  ExpectPoints(upright.path(), {{0, 0}, {0, 6.6666667f}, {0, 13.333333f}, {0, 20}});
  // Fitted into such an image, they shrink to its corner, whatever the alignment asked for.
  for (const char* fit : {"xMidYMid meet", "xMaxYMax meet"})
  {
    Parsed fitted(std::string("<svg preserveAspectRatio='") + fit +
                  "'><line x1='10' y1='5' x2='30' y2='5' stroke='red'/></svg>");
    ASSERT_EQ(fitted.shapes().size(), 1u) << fit;
    ExpectPoints(fitted.path(), {{0, 0}, {0, 0}, {0, 0}, {0, 0}});
  }
}

// A group's attributes last until its end tag, self-closed or not; groups inside defs keep none and end none.
TEST(SvgPathData, AGroupsAttributesEndWithItAndGroupsInDefsChangeNothing)
{
  Parsed svg(svgtest::Doc("<g fill='#00f'><defs><g fill='#0f0'></g><g/></defs><rect width='1' height='1'/></g>"
                          "<g fill='#f00'><rect width='1' height='1'/></g><g fill='#0f0'/><rect width='1' height='1'/>"));
  ASSERT_EQ(svg.shapes().size(), 3u);
  EXPECT_EQ(svg.shape(0).fill.color, 0xffff0000u);
  EXPECT_EQ(svg.shape(1).fill.color, 0xff0000ffu);
  EXPECT_EQ(svg.shape(2).fill.color, 0xff000000u);
}

// The same points as a polyline and as a polygon: the polyline ends at its last point and is left open, the
// polygon gets one more segment back to its first point and is closed.
TEST(SvgPathData, PolylinesStayOpenAndPolygonsClose)
{
  // Other attributes are no points, and a number without its pair is left out.
  const std::string points = "class=\"edge\" points=\"10,20 50,10 50,40 7 , \"";
  Parsed polyline(svgtest::Doc("<polyline " + points + "/>"));
  Parsed polygon(svgtest::Doc("<polygon " + points + "/>"));
  ASSERT_EQ(polyline.shapes().size(), 1u);
  ASSERT_EQ(polygon.shapes().size(), 1u);
  EXPECT_EQ(polyline.path().closed, 0);
  ExpectPoints(polyline.path(), {{10, 20}, {23.333334f, 16.666666f}, {36.666668f, 13.333334f}, {50, 10},
                                 {50, 20}, {50, 30}, {50, 40}});
  EXPECT_EQ(polygon.path().closed, 1);
  ExpectPoints(polygon.path(), {{10, 20}, {23.333334f, 16.666666f}, {36.666668f, 13.333334f}, {50, 10},
                                {50, 20}, {50, 30}, {50, 40}, {36.666668f, 33.333332f}, {23.333334f, 26.666668f},
                                {10, 20}});
}

// A corner radius of zero on either axis, or one too small to bend (under a hundred-thousandth across or a
// ten-thousandth down), leaves a rectangle of four straight sides; radii just above those bend all four corners.
TEST(SvgPathData, ARectWithAZeroCornerRadiusOnEitherAxisHasSquareCorners)
{
  for (const char* radii : {"rx='0.00002' ry='5'", "rx='5' ry='0.0002'"})
  {
    Parsed svg(svgtest::Doc(std::string("<rect x='10' y='20' width='30' height='40' ") + radii + "/>"));
    ASSERT_EQ(svg.shapes().size(), 1u);
    EXPECT_EQ(svg.path().npts, 1 + 9 * 3) << radii; // four corners, four sides and the closing side
  }
  for (const char* radii : {"rx='5' ry='0'", "rx='0' ry='5'", "rx='0'", "ry='0'", "rx='0.000001' ry='0.000001'",
                            "rx='0.000009' ry='5'", "rx='5' ry='0.00009'"})
  {
    SCOPED_TRACE(radii);
    Parsed svg(svgtest::Doc(std::string("<rect x='10' y='20' width='30' height='40' ") + radii + "/>"));
    ASSERT_EQ(svg.shapes().size(), 1u);
    EXPECT_EQ(svg.path().closed, 1);
    ExpectPoints(svg.path(), {{10, 20}, {20, 20}, {30, 20}, {40, 20}, {40, 33.333333f}, {40, 46.666667f}, {40, 60},
                              {30, 60}, {20, 60}, {10, 60}, {10, 46.666667f}, {10, 33.333333f}, {10, 20}});
  }
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

// Shapes and transforms, seen in the bounds of what they leave: a corner radius is held to half of its own side,
// rotate() turns clockwise on the screen (y down), about the origin or a given point, skewX() moves x by y times the
// tangent of its angle and skewY() y by x, translate() of one number moves x only and scale() of one scales both,
// matrix() takes its six numbers column by column, numbers past those a function takes are left out, a group's
// transform follows its element's, and lengths in inches, points, picas and centimetres are converted at the
// document's resolution.
TEST(SvgPathData, ShapesAndTransformsLandWhereTheirAttributesPutThem)
{
  const struct
  {
    const char* body;
    float x0, y0, x1, y1;
  } cases[] = {
    {"<rect x=\"10\" y=\"20\" width=\"40\" height=\"10\" rx=\"30\" ry=\"30\"/>", 10, 20, 50, 30},
    {"<rect x=\"10\" y=\"20\" width=\"10\" height=\"40\" rx=\"30\" ry=\"30\"/>", 10, 20, 20, 60},
    {"<rect width=\"10\" height=\"20\" transform=\"rotate(90)\"/>", -20, 0, 0, 10},
    {"<rect x=\"60\" y=\"50\" width=\"10\" height=\"10\" transform=\"rotate(90 50 50)\"/>", 40, 60, 50, 70},
    {"<ellipse cx=\"50\" cy=\"50\" rx=\"20\" ry=\"5\" transform=\"rotate(-90 50 50)\"/>", 45, 30, 55, 70},
    {"<rect x=\"0.25in\" y=\"18pt\" width=\"2.54cm\" height=\"6pc\"/>", 24, 24, 120, 120}, // at 96 dpi
    {"<rect width=\"10\" height=\"20\" transform=\"skewX(45)\"/>", 0, 0, 30, 20},
    {"<rect width=\"10\" height=\"20\" transform=\"skewX(-45)\"/>", -20, 0, 10, 20},
    {"<rect width=\"20\" height=\"10\" transform=\"skewY(30)\"/>", 0, 0, 20, 21.547f},
    {"<rect width=\"20\" height=\"10\" transform=\"translate(5 0) skewY(-45)\"/>", 5, -20, 25, 10},
    {"<rect width=\"10\" height=\"20\" transform=\"translate(5)\"/>", 5, 0, 15, 20},
    {"<rect width=\"10\" height=\"20\" transform=\"scale(2)\"/>", 0, 0, 20, 40},
    // matrix(a b c d e f) takes x to a x + c y + e and y to b x + d y + f.
    {"<rect width=\"10\" height=\"20\" transform=\"matrix(2 1 0 3 5 7)\"/>", 5, 7, 25, 77},
    // Numbers past those a function takes are left out.
    {"<rect width=\"10\" height=\"20\" transform=\"matrix(2 1 0 3 5 7 9)\"/>", 5, 7, 25, 77},
    // A matrix short of its six numbers changes nothing.
    {"<rect width=\"10\" height=\"20\" transform=\"matrix(2 1 0 3 5)\"/>", 0, 0, 10, 20},
    {"<rect x=\"60\" y=\"50\" width=\"10\" height=\"10\" transform=\"rotate(90 50 50 9)\"/>", 40, 60, 50, 70},
    // Functions may follow one another without a blank.
    {"<rect width=\"10\" height=\"20\" transform=\"translate(5 0)scale(2)\"/>", 5, 0, 25, 40},
    // A function without numbers changes nothing.
    {"<rect width=\"10\" height=\"20\" transform=\"scale() translate(5 0) rotate()\"/>", 5, 0, 15, 20},
    // Blanks before a length are skipped.
    {"<rect x=\" 10\" y=\"\t20\" width=\"\n30\" height=\" 40\"/>", 10, 20, 40, 60},
    // A group's transform applies after the element's own.
    {"<g transform=\"translate(50 0)\"><rect width=\"10\" height=\"20\" transform=\"scale(2 1)\"/></g>", 50, 0, 70,
     20},
    {"<g transform=\"scale(2 1)\"><rect width=\"10\" height=\"20\" transform=\"translate(5 0)\"/></g>", 10, 0, 30,
     20},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.body);
    Parsed svg(svgtest::Doc(c.body));
    ASSERT_EQ(svg.shapes().size(), 1u);
    ExpectBounds(svg.shape().bounds, c.x0, c.y0, c.x1, c.y1, 1e-3f);
  }
}

// Attribute values in single or double quotes, each holding the other quote; the XML declaration, a document type
// and comments are skipped.
TEST(SvgPathData, AttributesInEitherQuotesAndSkippedDeclarations)
{
  Parsed svg("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE svg>\n"
             "<svg width='100' height=\"100\" viewBox='0 0 100 100'><!-- a comment -->"
             "<rect x='10' y=\"20\" width='30' height=\"40\" id='a\"b' fill='#f00'/></svg>");
  ASSERT_EQ(svg.shapes().size(), 1u);
  ExpectBounds(svg.shape().bounds, 10, 20, 40, 60);
  EXPECT_STREQ(svg.shape().id, "a\"b");
  EXPECT_EQ(svg.shape().fill.color, 0xff0000ffu);
}

// Shapes in a document twice as wide as tall, lengths in percent of their own axis (radii of circles of the
// diagonal over the square root of two): each outline spans its bounds and encloses the area of its shape, its
// corners and quarters quarter ellipses of their own two radii.
TEST(SvgPathData, ShapesInPercentOfAWideDocumentEncloseTheirOwnArea)
{
  const double pi = 3.14159265358979;
  const struct
  {
    const char* body;
    float x0, y0, x1, y1;
    double area;
  } cases[] = {
    {"<rect x=\"10\" y=\"10\" width=\"50%\" height=\"50%\" rx=\"40\" ry=\"20\"/>", 10, 10, 110, 60,
     5000 - (4 - pi) * 40 * 20},
    {"<rect x=\"10\" y=\"10\" width=\"50%\" height=\"50%\" ry=\"20\"/>", 10, 10, 110, 60, 5000 - (4 - pi) * 400},
    {"<rect x=\"10\" y=\"10\" width=\"50%\" height=\"50%\" rx=\"20\"/>", 10, 10, 110, 60, 5000 - (4 - pi) * 400},
    {"<circle cx=\"50%\" cy=\"50%\" r=\"10%\"/>", 84.189f, 34.189f, 115.811f, 65.811f, pi * 250},
    {"<ellipse cx=\"100\" cy=\"50\" rx=\"10%\" ry=\"30%\"/>", 80, 20, 120, 80, pi * 20 * 30},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.body);
    Parsed svg(std::string("<svg width=\"200\" height=\"100\" viewBox=\"0 0 200 100\">") + c.body + "</svg>");
    ASSERT_EQ(svg.shapes().size(), 1u);
    ExpectBounds(svg.shape().bounds, c.x0, c.y0, c.x1, c.y1, 2e-3f);
    // The cubics sampled finely: their polygon's area is the shape's to well under a square unit.
    const SvgPath& path = svg.path();
    double area = 0;
    Point prev = Parsed::point(path, 0);
    for (int k = 1; k + 2 < path.npts; k += 3)
    {
      const Point p0 = Parsed::point(path, k - 1), c1 = Parsed::point(path, k), c2 = Parsed::point(path, k + 1),
                  p3 = Parsed::point(path, k + 2);
      for (int i = 1; i <= 64; ++i)
      {
        const double t = i / 64.0, u = 1 - t;
        const double x = u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * p3.x;
        const double y = u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * p3.y;
        area += prev.x * y - x * prev.y;
        prev = Point{float(x), float(y)};
      }
    }
    const Point first = Parsed::point(path, 0);
    area += prev.x * first.y - first.x * prev.y;
    EXPECT_NEAR(std::fabs(area) / 2, c.area, 1.0);
  }
}

// Relative commands and rotations about a point, from places whose x and y differ.
TEST(SvgPathData, RelativeEndsAndRotationCentresKeepTheirXAndYApart)
{
  const struct
  {
    const char* d;
    float x, y;
  } ends[] = {
    {"M10 30 l5 -5", 15, 25},          {"M10 30 h5 v5", 15, 35},          {"M10 30 c0 5 5 5 10 -4", 20, 26},
    {"M10 30 q5 5 10 -4", 20, 26},     {"M10 30 t10 -4", 20, 26},         {"M10 30 a10 10 0 0 1 20 -4", 30, 26},
    {"M10 30 s5 5 10 -4", 20, 26},
  };
  for (const auto& e : ends)
  {
    Parsed svg(PathDoc(e.d));
    ASSERT_EQ(svg.shapes().size(), 1u) << e.d;
    EXPECT_NEAR(Last(svg.path()).x, e.x, 1e-3) << e.d;
    EXPECT_NEAR(Last(svg.path()).y, e.y, 1e-3) << e.d;
  }
  // A quarter turn about (40, 10) takes the square from (50, 10) to (60, 20) to (30, 20) to (40, 30).
  Parsed svg(svgtest::Doc("<rect x=\"50\" y=\"10\" width=\"10\" height=\"10\" transform=\"rotate(90 40 10)\"/>"));
  ASSERT_EQ(svg.shapes().size(), 1u);
  ExpectBounds(svg.shape().bounds, 30, 20, 40, 30, 1e-3f);
}

// Lengths relative to the font and in millimetres, and a view box fitted into a document of another shape by
// each alignment.
// An inch is 96 pixels, 72 points, 6 picas, 2.54 centimetres or 25.4 millimetres at 96 dots an inch; with a font
// size of 20 (given to the document itself) it is 4.8 em; in a document 100 wide it is 96 percent. Each places a
// shape alike in an image read in pixels. A unit not known, or the first letter of one alone, counts as pixels.
TEST(SvgPathData, AnInchInEveryUnitPlacesAShapeAtTheSamePixel)
{
  for (const char* inch : {"96", "96px", "1in", "72pt", "6pc", "2.54cm", "25.4mm", "4.8em", "96%", "96m", "96c",
                           "96i", "96p", "96xm", "96q"})
  {
    Parsed svg(std::string("<svg width=\"100\" height=\"100\" viewBox=\"0 0 100 100\" font-size=\"20\"><rect x=\"") +
               inch + "\" width=\"2\" height=\"2\"/></svg>");
    ASSERT_EQ(svg.shapes().size(), 1u) << inch;
    EXPECT_NEAR(svg.shape().bounds[0], 96, 1e-3) << inch;
    EXPECT_NEAR(svg.shape().bounds[2], 98, 1e-3) << inch;
  }
}

TEST(SvgPathData, FontRelativeLengthsAndAlignedViewBoxesPlaceShapes)
{
  {
    Parsed svg(svgtest::Doc("<g font-size=\"20\"><rect x=\"1em\" y=\"25.4mm\" width=\"2em\" height=\"1ex\"/></g>"));
    ASSERT_EQ(svg.shapes().size(), 1u);
    ExpectBounds(svg.shape().bounds, 20, 96, 60, 106.4f, 1e-3f); // at 96 dots an inch
  }
  const struct
  {
    const char* align;
    float x0, y0, x1, y1;
  } cases[] = {
    {"xMinYMin meet", 0, 0, 100, 100},     {"xMidYMid meet", 50, 0, 150, 100}, {"xMaxYMax meet", 100, 0, 200, 100},
    {"xMidYMin slice", 0, 0, 200, 200},    {"xMidYMid slice", 0, -50, 200, 150}, {"xMinYMax slice", 0, -100, 200, 100},
    {"none", 0, 0, 200, 100},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.align);
    Parsed svg(std::string("<svg width=\"200\" height=\"100\" viewBox=\"0 0 100 100\" preserveAspectRatio=\"") +
               c.align + "\"><rect width=\"100\" height=\"100\"/></svg>");
    ASSERT_EQ(svg.shapes().size(), 1u);
    ExpectBounds(svg.shape().bounds, c.x0, c.y0, c.x1, c.y1, 1e-3f);
  }
}

// An arc that ends where it starts, or less than a millionth away from it in x, in y or both (rounding noise, even
// on radii small enough to bend there), is left out: a straight segment of no length, never a whole circle.
// Radii too small to reach from one end to the other are scaled up until they just do: an arc of a circle becomes
// half of the circle whose diameter joins its ends, whether those ends lie apart in x, in y or in both.
TEST(SvgPathData, ArcsToTheirOwnStartAreLeftOutAndRadiiTooSmallAreScaledUp)
{
  for (const char* d : {"M0 0 A5 5 0 0 1 0 0", "M0 0 a5 5 30 1 0 0 0", "M0 0 A1e-5 1e-5 0 1 1 5e-7 0",
                        "M0 0 A1e-5 1e-5 0 1 1 0 5e-7", "M0 0 a1e-5 1e-5 0 1 0 -3e-7 3e-7"})
  {
    SCOPED_TRACE(d);
    Parsed svg(PathDoc(d));
    ASSERT_EQ(svg.shapes().size(), 1u);
    ExpectPoints(svg.path(), {{0, 0}, {0, 0}, {0, 0}, {0, 0}});
  }
  const struct
  {
    const char* d;
    Point start, end;
  } cases[] = {
    {"M10 20 A1 1 0 0 1 30 20", {10, 20}, {30, 20}},
    {"M10 20 A2 2 0 0 0 10 40", {10, 20}, {10, 40}},
    {"M10 20 A0.5 0.5 0 0 1 22 36", {10, 20}, {22, 36}},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.d);
    Parsed svg(PathDoc(c.d));
    ASSERT_EQ(svg.shapes().size(), 1u);
    const SvgPath& path = svg.path();
    ASSERT_GE(path.npts, 4);
    EXPECT_NEAR(Parsed::point(path, 0).x, c.start.x, 1e-3);
    EXPECT_NEAR(Parsed::point(path, 0).y, c.start.y, 1e-3);
    EXPECT_NEAR(Last(path).x, c.end.x, 1e-3);
    EXPECT_NEAR(Last(path).y, c.end.y, 1e-3);
    const float midX = (c.start.x + c.end.x) / 2, midY = (c.start.y + c.end.y) / 2;
    const float chordX = c.end.x - c.start.x, chordY = c.end.y - c.start.y;
    const float radius = std::hypot(chordX, chordY) / 2;
    float farthestFromChord = 0;
    for (int k = 0; k + 3 < path.npts; k += 3)
      for (int i = 0; i <= 16; ++i)
      {
        const Point p0 = Parsed::point(path, k), c1 = Parsed::point(path, k + 1), c2 = Parsed::point(path, k + 2),
                    p3 = Parsed::point(path, k + 3);
        const float t = i / 16.0f, u = 1 - t;
        const float x = u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * p3.x;
        const float y = u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * p3.y;
        ASSERT_NEAR(std::hypot(x - midX, y - midY), radius, 0.02f) << "segment " << k / 3 << " at " << t;
        farthestFromChord =
          std::fmax(farthestFromChord, std::fabs((x - midX) * chordY - (y - midY) * chordX) / (2 * radius));
      }
    EXPECT_NEAR(farthestFromChord, radius, 0.02f);
  }
}

// Numbers keep every fraction digit up to the eighteenth, so that a tiny value is not read as nought.
TEST(SvgNumbers, FractionDigitsAreReadUpToTheEighteenth)
{
  const std::pair<const char*, double> cases[] = {
      {"12.5", 12.5},
      {"-0.25", -0.25},
      {".5e1", 5.0},
      {"0.000000000000000009", 9e-18},
      {"0.0000000000000000009", 0.0},
  };
  for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(SvgAtof(text), value) << text;
}
