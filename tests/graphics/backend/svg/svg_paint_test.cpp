// SVG paints as a document gives them: colours in every form, gradient stops inherited through references,
// gradient geometry in percent and under the gradient's own transform, spread methods, stroke attributes, stroke
// widths under transforms and view boxes that scale x and y differently, the fill rule and display of shapes, and
// style declarations with blanks around their colon and semicolon.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "svg_test_support.h"

namespace {

using svgtest::Doc;
using svgtest::Parsed;

constexpr uint32_t Rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255) { return r | g << 8 | b << 16 | a << 24; }

TEST(SvgPaint, ColoursInHexShortHexRgbAndByNameWithRgbComponentsClampedEachOnItsOwn)
{
  struct Case
  {
    const char* fill;
    uint32_t color;
  } cases[] = {
    {"#abc", Rgba(0xaa, 0xbb, 0xcc)},        {"#A1f", Rgba(0xaa, 0x11, 0xff)},
    {"#123456", Rgba(0x12, 0x34, 0x56)},     {"#fedcba", Rgba(0xfe, 0xdc, 0xba)},
    {"#f00", Rgba(0xff, 0, 0)},              {"#00f", Rgba(0, 0, 0xff)},
    {"rgb(1,2,3)", Rgba(1, 2, 3)},           {"rgb(100%, 50%, 0%)", Rgba(255, 127, 0)},
    {"red", Rgba(255, 0, 0)},                {"green", Rgba(0, 128, 0)},
    {" #0a0", Rgba(0, 0xaa, 0)},             {"white", Rgba(255, 255, 255)},
    {"blue", Rgba(0, 0, 255)},               {"chartreuse", Rgba(128, 128, 128)}, // a name not known: grey
    // Components out of range are held to 0 and 255 each on its own, none spilling into the next.
    {"rgb(300,-5,128)", Rgba(255, 0, 128)},  {"rgb(256 256 256)", Rgba(255, 255, 255)},
    {"rgb(-1, 999999999999, 511)", Rgba(0, 255, 255)}, {"rgb(120%, -10%, 50%)", Rgba(255, 0, 127)},
    // A hex colour ends at a character that is no hex digit: the digits before it are its value.
    {"#90a9b9", Rgba(0x90, 0xa9, 0xb9)},      {"#ggg", Rgba(0, 0, 0)},                 {"#12g456", Rgba(0, 0, 0x12)},
    // Blanks before a component are skipped; a component needs a separator before it.
    {"rgb( 10,\t20 ,30)", Rgba(10, 20, 30)}, {"rgb(12+3+4)", Rgba(12, 0, 0)}, {"rgb(4\t5\t6)", Rgba(4, 5, 6)},
    {"rgb(,5,6)", Rgba(0, 0, 0)},             {"#C0FFEE", Rgba(0xc0, 0xff, 0xee)},
    {"#", Rgba(0, 0, 0)},                     {"rgb(", Rgba(0, 0, 0)},
  };
  for (const auto& k : cases)
  {
    Parsed svg(Doc(std::string("<rect width=\"1\" height=\"1\" fill=\"") + k.fill + "\"/>"));
    ASSERT_EQ(svg.shapes().size(), 1u) << k.fill;
    EXPECT_EQ(svg.shape().fill.type, kSvgPaintColor) << k.fill;
    EXPECT_EQ(svg.shape().fill.color, k.color) << k.fill;
  }
  // Opacity goes into the alpha byte.
  Parsed half(Doc("<rect width=\"1\" height=\"1\" fill=\"#102030\" fill-opacity=\"0.5\"/>"));
  EXPECT_EQ(half.shape().fill.color >> 24, 127u);
}

TEST(SvgPaint, StopsAreInheritedThroughAChainOfReferences)
{
  Parsed svg(Doc("<defs>"
                 "<linearGradient id=\"base\"><stop offset=\"0\" stop-color=\"#f00\"/>"
                 "<stop offset=\"0.25\" stop-color=\"#0f0\" stop-opacity=\"0.5\"/>"
                 "<stop offset=\"1\" stop-color=\"#00f\"/></linearGradient>"
                 "<linearGradient id=\"mid\" xlink:href=\"#base\" x2=\"0\" y2=\"1\"/>"
                 "<radialGradient id=\"top\" xlink:href=\"#mid\" r=\"0.5\"/>"
                 "<linearGradient id=\"own\" xlink:href=\"#base\"><stop offset=\"0.5\" stop-color=\"#fff\"/>"
                 "</linearGradient>"
                 "<linearGradient id=\"lost\" xlink:href=\"#nowhere\"/>"
                 "</defs>"
                 "<rect width=\"10\" height=\"10\" fill=\"url(#mid)\"/>"
                 "<rect width=\"10\" height=\"10\" fill=\"url(#top)\"/>"
                 "<rect width=\"10\" height=\"10\" fill=\"url(#own)\"/>"
                 "<rect width=\"10\" height=\"10\" fill=\"url(#lost)\" stroke=\"url(#mid)\"/>"));
  ASSERT_EQ(svg.shapes().size(), 4u);
  const SvgPaint& mid = svg.shape(0).fill;
  ASSERT_EQ(mid.type, kSvgPaintLinearGradient);
  ASSERT_EQ(mid.gradient->nstops, 3);
  EXPECT_EQ(mid.gradient->stops[0].color, Rgba(255, 0, 0));
  EXPECT_EQ(mid.gradient->stops[1].color, Rgba(0, 255, 0, 127));
  EXPECT_FLOAT_EQ(mid.gradient->stops[1].offset, 0.25f);
  EXPECT_EQ(mid.gradient->stops[2].color, Rgba(0, 0, 255));
  const SvgPaint& top = svg.shape(1).fill;
  ASSERT_EQ(top.type, kSvgPaintRadialGradient);
  ASSERT_EQ(top.gradient->nstops, 3);
  EXPECT_EQ(top.gradient->stops[2].color, Rgba(0, 0, 255));
  const SvgPaint& own = svg.shape(2).fill; // its own stops win over the referenced ones
  ASSERT_EQ(own.type, kSvgPaintLinearGradient);
  ASSERT_EQ(own.gradient->nstops, 1);
  EXPECT_EQ(own.gradient->stops[0].color, Rgba(255, 255, 255));
  EXPECT_EQ(svg.shape(3).fill.type, kSvgPaintNone);
  EXPECT_EQ(svg.shape(3).stroke.type, kSvgPaintLinearGradient);
}

TEST(SvgPaint, StopsAreSortedByOffsetAndEqualOffsetsKeepTheirOrder)
{
  Parsed svg(Doc("<defs><linearGradient id=\"g\">"
                 "<stop offset=\"1\" stop-color=\"#fff\"/><stop offset=\"0.5\" stop-color=\"#0f0\"/>"
                 "<stop offset=\"0.5\" stop-color=\"#00f\"/><stop offset=\"0\" stop-color=\"#f00\"/>"
                 "</linearGradient></defs><rect width=\"10\" height=\"10\" fill=\"url(#g)\"/>"));
  ASSERT_EQ(svg.shapes().size(), 1u);
  const SvgGradient& g = *svg.shape().fill.gradient;
  ASSERT_EQ(g.nstops, 4);
  const uint32_t want[] = {Rgba(255, 0, 0), Rgba(0, 255, 0), Rgba(0, 0, 255), Rgba(255, 255, 255)};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(g.stops[i].color, want[i]) << "stop " << i;
}

/// A 300 x 400 document with a 60 x 80 rectangle at 10, 20 filled by a white-to-black radial gradient with the
/// given attributes.
std::string RectWithRadialGradient(const char* attributes)
{
  return std::string("<svg width=\"300\" height=\"400\" viewBox=\"0 0 300 400\"><radialGradient id=\"g\" ") +
         attributes + "><stop offset=\"0\" stop-color=\"#fff\"/><stop offset=\"1\" stop-color=\"#000\"/>" +
         "</radialGradient><rect x=\"10\" y=\"20\" width=\"60\" height=\"80\" fill=\"url(#g)\"/></svg>";
}

TEST(SvgPaint, RadialGradientRadiiInPercentAreAShareOfTheDiagonalOverTheSquareRootOfTwo)
{
  // The gradient maps the circle of its radius about its centre to the unit circle; a box of 300 x 400 has a
  // diagonal of 500.
  struct Case
  {
    const char* gradient;
    float r, cx, cy;
  } cases[] = {
    {"gradientUnits=\"userSpaceOnUse\" r=\"10%\" cx=\"50%\" cy=\"25%\"", 35.3553f, 150, 100},
    {"gradientUnits=\"userSpaceOnUse\" r=\"40\" cx=\"30\" cy=\"60\"", 40, 30, 60},
    {"r=\"50%\" cx=\"50%\" cy=\"0%\"", 35.3553f, 40, 20}, // of the rectangle's box, 60 x 80 at 10, 20
    {"", 35.3553f, 40, 60},
  };
  for (const Case& k : cases)
  {
    Parsed svg(RectWithRadialGradient(k.gradient));
    ASSERT_EQ(svg.shapes().size(), 1u) << k.gradient;
    ASSERT_EQ(svg.shape().fill.type, kSvgPaintRadialGradient) << k.gradient;
    const float* m = svg.shape().fill.gradient->xform;
    const struct
    {
      float x, y, u, v;
    } points[] = {{k.cx, k.cy, 0, 0}, {k.cx + k.r, k.cy, 1, 0}, {k.cx, k.cy - k.r, 0, -1}};
    for (const auto& q : points)
    {
      EXPECT_NEAR(m[0] * q.x + m[2] * q.y + m[4], q.u, 1e-4) << k.gradient << " at " << q.x << "," << q.y;
      EXPECT_NEAR(m[1] * q.x + m[3] * q.y + m[5], q.v, 1e-4) << k.gradient << " at " << q.x << "," << q.y;
    }
  }
}

// A gradient in the units of a shape's box spans the box of the curve itself, in the shape's own coordinates:
// a path whose cubics bulge past their end points (down to y = 55 after a line up, out to x = 95 after that)
// spans 10..95 by 10..55, wherever its transform puts it in the image; so does one of single-segment sub-paths.
TEST(SvgPaint, BoundingBoxGradientsSpanTheCurvesOwnExtremes)
{
  const struct
  {
    const char* ends;
    float from[2], to[2]; // in the path's own coordinates
  } cases[] = {
    {"x1=\"0%\" y1=\"0%\" x2=\"0%\" y2=\"100%\"", {30, 10}, {30, 55}},
    {"x1=\"0%\" y1=\"0%\" x2=\"100%\" y2=\"0%\"", {10, 30}, {95, 30}},
  };
  const char* const paths[] = {"M10 40 L10 10 C10 70 50 70 50 10 C110 10 110 40 50 40",
                               "M10 10 C10 70 50 70 50 10 M95 30 L95 30"};
  // The shape as it is, moved and scaled, and scaled down far (small but usable transforms, down to one whose
  // area is a little over a millionth, mirrored or not).
  const struct
  {
    const char* attribute;
    float dx, dy, sx, sy;
  } transforms[] = {{"", 0, 0, 1, 1},
                    {"transform=\"translate(5 7) scale(2 0.5)\"", 5, 7, 2, 0.5f},
                    {"transform=\"translate(5 7) scale(0.02 0.05)\"", 5, 7, 0.02f, 0.05f},
                    {"transform=\"translate(5 7) scale(0.0011 0.001)\"", 5, 7, 0.0011f, 0.001f},
                    {"transform=\"translate(5 7) scale(-0.0011 0.001)\"", 5, 7, -0.0011f, 0.001f}};
  for (const char* d : paths)
    for (const auto& t : transforms)
      for (const auto& k : cases)
      {
        SCOPED_TRACE(std::string(d) + " " + k.ends + " " + t.attribute);
        Parsed svg(Doc(std::string("<linearGradient id=\"g\" ") + k.ends +
                       "><stop offset=\"0\" stop-color=\"#000\"/><stop offset=\"1\" stop-color=\"#fff\"/>"
                       "</linearGradient><path fill=\"url(#g)\" " + t.attribute + " d=\"" + d + "\"/>"));
        ASSERT_EQ(svg.shapes().size(), 1u);
        ASSERT_EQ(svg.shape().fill.type, kSvgPaintLinearGradient);
        const float* m = svg.shape().fill.gradient->xform;
        auto along = [m, &t](const float* at) {
          const float x = t.dx + t.sx * at[0], y = t.dy + t.sy * at[1];
          return m[1] * x + m[3] * y + m[5];
        };
        EXPECT_NEAR(along(k.from), 0, 1e-4);
        EXPECT_NEAR(along(k.to), 1, 1e-4);
      }
}

// A linear gradient that gives no ends runs across its shape's box from the left edge (0) to the right (1).
TEST(SvgPaint, ALinearGradientWithoutEndsRunsAcrossItsShapeFromLeftToRight)
{
  Parsed svg(Doc("<linearGradient id=\"g\"><stop offset=\"0\" stop-color=\"#000\"/><stop offset=\"1\" "
                 "stop-color=\"#fff\"/></linearGradient><rect x=\"10\" y=\"20\" width=\"40\" height=\"30\" "
                 "fill=\"url(#g)\"/>"));
  ASSERT_EQ(svg.shapes().size(), 1u);
  ASSERT_EQ(svg.shape().fill.type, kSvgPaintLinearGradient);
  const float* m = svg.shape().fill.gradient->xform;
  const struct
  {
    float x, y, along;
  } points[] = {{10, 20, 0}, {10, 50, 0}, {50, 20, 1}, {50, 50, 1}, {20, 35, 0.25f}};
  for (const auto& q : points)
    EXPECT_NEAR(m[1] * q.x + m[3] * q.y + m[5], q.along, 1e-5) << q.x << "," << q.y;
}

// A radial gradient of no radius has no area to spread over: it paints its outermost stop's colour, flat.
TEST(SvgPaint, ARadialGradientOfNoRadiusPaintsItsOutermostColour)
{
  Parsed svg(RectWithRadialGradient("r=\"0\""));
  ASSERT_EQ(svg.shapes().size(), 1u);
  EXPECT_EQ(svg.shape().fill.type, kSvgPaintColor);
  EXPECT_EQ(svg.shape().fill.color, Rgba(0, 0, 0));
}

TEST(SvgPaint, BoundsAndGradientsFollowAViewBoxThatMovesAndScalesEachAxisApart)
{
  // The view box starts at (10, 20) and scales x by 2 and y by 4: the rectangle fills the image's top left
  // quarter, and its diagonal gradient (in percent of the view box) runs from its first corner (0 along the
  // gradient) to the opposite one (1), constant along lines at right angles to it in the document's own units.
  Parsed svg("<svg width=\"200\" height=\"200\" viewBox=\"10 20 100 50\" preserveAspectRatio=\"none\"><defs>"
             "<linearGradient id=\"g\" gradientUnits=\"userSpaceOnUse\" x1=\"0%\" y1=\"0%\" x2=\"50%\" y2=\"50%\">"
             "<stop offset=\"0\" stop-color=\"#000\"/><stop offset=\"1\" stop-color=\"#fff\"/></linearGradient></defs>"
             "<rect x=\"10\" y=\"20\" width=\"50\" height=\"25\" fill=\"url(#g)\"/></svg>");
  ASSERT_EQ(svg.shapes().size(), 1u);
  const float* b = svg.shape().bounds;
  const float want[4] = {0, 0, 100, 100};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(b[i], want[i], 1e-3) << "bound " << i;
  ASSERT_EQ(svg.shape().fill.type, kSvgPaintLinearGradient);
  const float* m = svg.shape().fill.gradient->xform;
  const struct
  {
    float x, y, along;
  } points[] = {{0, 0, 0}, {100, 100, 1}, {50, 50, 0.5f}, {-50, 200, 0}, {150, -100, 1}};
  for (const auto& q : points)
    EXPECT_NEAR(m[1] * q.x + m[3] * q.y + m[5], q.along, 1e-4) << q.x << "," << q.y;
}

TEST(SvgPaint, GradientsStartingInsideAMovedAndScaledViewBoxStartWhereTheirPointLandsInTheImage)
{
  // The view box starts at (10, 20) and scales x by 2 and y by 4. Across, the gradient runs from x = 30 to 80 in
  // the document (40 to 140 in the image); down, from y = 30 to 50 (40 to 120).
  const struct
  {
    const char* ends;
    float start[2], end[2];
  } cases[] = {
    {"x1=\"20%\" y1=\"0%\" x2=\"70%\" y2=\"0%\"", {40, 0}, {140, 0}},
    {"x1=\"0%\" y1=\"20%\" x2=\"0%\" y2=\"60%\"", {0, 40}, {0, 120}},
  };
  for (const auto& k : cases)
  {
    Parsed svg(std::string("<svg width=\"200\" height=\"200\" viewBox=\"10 20 100 50\" preserveAspectRatio=\"none\">"
                           "<linearGradient id=\"g\" gradientUnits=\"userSpaceOnUse\" ") +
               k.ends +
               "><stop offset=\"0\" stop-color=\"#000\"/><stop offset=\"1\" stop-color=\"#fff\"/></linearGradient>"
               "<rect x=\"10\" y=\"20\" width=\"100\" height=\"50\" fill=\"url(#g)\"/></svg>");
    ASSERT_EQ(svg.shapes().size(), 1u) << k.ends;
    ASSERT_EQ(svg.shape().fill.type, kSvgPaintLinearGradient) << k.ends;
    const float* m = svg.shape().fill.gradient->xform;
    auto along = [m](float x, float y) { return m[1] * x + m[3] * y + m[5]; };
    EXPECT_NEAR(along(k.start[0], k.start[1]), 0, 1e-4) << k.ends;
    EXPECT_NEAR(along(k.end[0], k.end[1]), 1, 1e-4) << k.ends;
  }
}

TEST(SvgPaint, StrokeAttributesAsTheShapeKeepsThem)
{
  // In a 300 x 400 document percentages are of 500 over the square root of two; opacities stay within 0 and 1.
  const float tenth = 35.3553f;
  Parsed svg("<svg width=\"300\" height=\"400\" viewBox=\"0 0 300 400\"><path d=\"M0 0L9 9\" stroke=\"#fff\" "
             "stroke-width=\"10%\" stroke-dasharray=\"5, 10%\" stroke-dashoffset=\"2%\" stroke-linecap=\"round\" "
             "stroke-linejoin=\"bevel\" stroke-miterlimit=\"3\" stroke-opacity=\"0.5\"/>"
             "<path d=\"M0 0L9 9\" stroke=\"#fff\" stroke-linecap=\"square\" stroke-linejoin=\"round\" "
             "stroke-opacity=\"2\"/><path d=\"M0 0L9 9\" stroke=\"#fff\" stroke-opacity=\"-1\" "
             "stroke-miterlimit=\"-2\"/><path d=\"M0 0L9 9\" stroke=\"#fff\" stroke-miterlimit=\"0.5\"/></svg>");
  ASSERT_EQ(svg.shapes().size(), 4u);
  const SvgShape& a = svg.shape(0);
  EXPECT_NEAR(a.strokeWidth, tenth, 1e-3);
  ASSERT_EQ(a.strokeDashCount, 2);
  EXPECT_NEAR(a.strokeDashArray[0], 5, 1e-4);
  EXPECT_NEAR(a.strokeDashArray[1], tenth, 1e-3);
  EXPECT_NEAR(a.strokeDashOffset, tenth / 5, 1e-3);
  EXPECT_EQ(a.strokeLineCap, kSvgCapRound);
  EXPECT_EQ(a.strokeLineJoin, kSvgJoinBevel);
  EXPECT_FLOAT_EQ(a.miterLimit, 3);
  EXPECT_EQ(svg.shape(1).strokeLineCap, kSvgCapSquare);
  EXPECT_EQ(svg.shape(1).strokeLineJoin, kSvgJoinRound);
  EXPECT_FLOAT_EQ(svg.shape(1).miterLimit, 4) << "a document's miter limit when it gives none";
  EXPECT_FLOAT_EQ(svg.shape(2).miterLimit, 0) << "a negative miter limit is none";
  EXPECT_FLOAT_EQ(svg.shape(3).miterLimit, 0.5f) << "a limit under one is kept";
  const uint32_t alphas[] = {127, 255, 0};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(svg.shape(size_t(i)).stroke.color, Rgba(255, 255, 255, alphas[i])) << i;
  // A keyword not known sets the first one, over what a group gave (in a child, so a parser that faults on one
  // fails the check rather than the whole program).
  auto unknownSetsTheFirst = [] {
    Parsed unknown(Doc("<g stroke-linecap=\"round\" stroke-linejoin=\"bevel\" fill-rule=\"evenodd\"><path "
                       "stroke-linecap=\"wide\" stroke-linejoin=\"sharp\" fill-rule=\"odd\" d=\"M0 0L9 9\"/></g>"));
    return unknown.shapes().size() == 1 && unknown.shape().strokeLineCap == kSvgCapButt &&
           unknown.shape().strokeLineJoin == kSvgJoinMiter && unknown.shape().fillRule == kSvgFillNonZero;
  };
  EXPECT_EXIT(std::exit(unknownSetsTheFirst() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

TEST(SvgPaint, StrokeWidthsScaleByTheMeanOfTheAxesScales)
{
  struct Case
  {
    const char* doc;
    float width;
  } cases[] = {
    {"<svg width=\"100\" height=\"100\" viewBox=\"0 0 100 100\"><path stroke=\"#000\" stroke-width=\"2\" "
     "transform=\"scale(2,8)\" d=\"M0 0L1 1\"/></svg>", 10},
    {"<svg width=\"100\" height=\"100\" viewBox=\"0 0 100 100\"><g transform=\"scale(3)\"><path stroke=\"#000\" "
     "stroke-width=\"2\" transform=\"scale(1,3)\" d=\"M0 0L1 1\"/></g></svg>", 12},
    {"<svg width=\"200\" height=\"400\" viewBox=\"0 0 100 100\" preserveAspectRatio=\"none\"><path stroke=\"#000\" "
     "stroke-width=\"2\" d=\"M0 0L1 1\"/></svg>", 6},
    {"<svg width=\"200\" height=\"400\" viewBox=\"0 0 100 100\" preserveAspectRatio=\"xMidYMid\"><path "
     "stroke=\"#000\" stroke-width=\"2\" d=\"M0 0L1 1\"/></svg>", 4}, // meet: the smaller scale on both axes
  };
  for (const auto& k : cases)
  {
    Parsed svg(k.doc);
    ASSERT_EQ(svg.shapes().size(), 1u) << k.doc;
    EXPECT_NEAR(svg.shape().strokeWidth, k.width, 1e-4) << k.doc;
  }
  // The points themselves follow each axis on its own.
  Parsed svg(cases[0].doc);
  const svgtest::Point end = Parsed::point(svg.path(), svg.path().npts - 1);
  EXPECT_FLOAT_EQ(end.x, 2);
  EXPECT_FLOAT_EQ(end.y, 8);
  // Dashes and their offset scale with the view box as the width does.
  Parsed dashed("<svg width=\"200\" height=\"400\" viewBox=\"0 0 100 100\" preserveAspectRatio=\"none\"><path "
                "stroke=\"#000\" stroke-dasharray=\"1 2 4 5\" stroke-dashoffset=\"1\" d=\"M0 0L1 1\"/></svg>");
  ASSERT_EQ(dashed.shapes().size(), 1u);
  ASSERT_EQ(dashed.shape().strokeDashCount, 4);
  const float want[] = {3, 6, 12, 15};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(dashed.shape().strokeDashArray[i], want[i], 1e-4) << i;
  EXPECT_NEAR(dashed.shape().strokeDashOffset, 3, 1e-4);
  // And with the shape's own transform.
  Parsed scaled(Doc("<path stroke=\"#000\" stroke-width=\"2\" stroke-dasharray=\"1 2\" stroke-dashoffset=\"3\" "
                    "transform=\"scale(2,4)\" d=\"M0 0L1 1\"/>"));
  ASSERT_EQ(scaled.shapes().size(), 1u);
  EXPECT_NEAR(scaled.shape().strokeWidth, 6, 1e-4);
  ASSERT_EQ(scaled.shape().strokeDashCount, 2);
  EXPECT_NEAR(scaled.shape().strokeDashArray[0], 3, 1e-4);
  EXPECT_NEAR(scaled.shape().strokeDashArray[1], 6, 1e-4);
  EXPECT_NEAR(scaled.shape().strokeDashOffset, 9, 1e-4);
}

TEST(SvgPaint, FillStrokeAndShapeOpacitiesEachKeepTheirOwn)
{
  struct Case
  {
    const char* attributes;
    uint32_t fillAlpha, strokeAlpha;
    float opacity;
  } cases[] = {
    {"stroke-opacity=\"0.5\"", 255, 127, 1},
    {"fill-opacity=\"0.25\"", 63, 255, 1},
    {"opacity=\"0.5\" fill-opacity=\"0.5\"", 127, 255, 0.5f},
    {"style=\"stroke-opacity:0.2;fill-opacity:1\"", 255, 51, 1},
  };
  for (const Case& k : cases)
  {
    Parsed svg(Doc(std::string("<rect width=\"1\" height=\"1\" fill=\"#102030\" stroke=\"#405060\" ") +
                   k.attributes + "/>"));
    ASSERT_EQ(svg.shapes().size(), 1u) << k.attributes;
    EXPECT_EQ(svg.shape().fill.color >> 24, k.fillAlpha) << k.attributes;
    EXPECT_EQ(svg.shape().stroke.color >> 24, k.strokeAlpha) << k.attributes;
    EXPECT_EQ(svg.shape().stroke.color & 0xffffffu, Rgba(0x40, 0x50, 0x60) & 0xffffffu) << k.attributes;
    EXPECT_FLOAT_EQ(svg.shape().opacity, k.opacity) << k.attributes;
  }
}

TEST(SvgPaint, OpacitiesOutsideZeroToOneAreClampedNotWrapped)
{
  Parsed svg(Doc("<linearGradient id=\"g\"><stop offset=\"0\" stop-color=\"#fff\" stop-opacity=\"2\"/>"
                 "<stop offset=\"1\" stop-color=\"#000\" stop-opacity=\"-1\"/></linearGradient>"
                 "<rect width=\"10\" height=\"10\" fill=\"url(#g)\" stroke=\"red\" stroke-opacity=\"1.25\"/>"));
  ASSERT_EQ(svg.shapes().size(), 1u);
  const SvgShape& shape = svg.shape();
  EXPECT_EQ(shape.stroke.color >> 24, 255u);
  ASSERT_EQ(shape.fill.type, kSvgPaintLinearGradient);
  ASSERT_EQ(shape.fill.gradient->nstops, 2);
  EXPECT_EQ(shape.fill.gradient->stops[0].color >> 24, 255u);
  EXPECT_EQ(shape.fill.gradient->stops[1].color >> 24, 0u);
}

TEST(SvgPaint, ARadialGradientsFocalPointTakesEachAxisInItsOwnUnits)
{
  // The focal point is kept divided by the radius; percentages are of the width for x and of the height for y.
  struct Case
  {
    const char* gradient;
    float r, fx, fy;
  } cases[] = {
    {"gradientUnits=\"userSpaceOnUse\" r=\"10\" fx=\"50%\" fy=\"50%\"", 10, 150, 200},
    {"gradientUnits=\"userSpaceOnUse\" r=\"10\" fx=\"30\" fy=\"60\"", 10, 30, 60},
    {"r=\"50%\" fx=\"50%\" fy=\"25%\"", 35.3553f, 40, 40}, // of the rectangle's box, 60 x 80 at 10, 20
  };
  for (const Case& k : cases)
  {
    Parsed svg(RectWithRadialGradient(k.gradient));
    ASSERT_EQ(svg.shapes().size(), 1u) << k.gradient;
    ASSERT_EQ(svg.shape().fill.type, kSvgPaintRadialGradient) << k.gradient;
    EXPECT_NEAR(svg.shape().fill.gradient->fx * k.r, k.fx, 1e-3) << k.gradient;
    EXPECT_NEAR(svg.shape().fill.gradient->fy * k.r, k.fy, 1e-3) << k.gradient;
  }
}

// A gradient's own transform places it in the document before the shape's: a gradient running along x for 10
// units, turned by a quarter and moved to (20, 30), runs down from there. Its spread method is kept.
TEST(SvgPaint, AGradientsOwnTransformTurnsAndMovesItAndItsSpreadIsKept)
{
  struct Case
  {
    const char* spread;
    uint8_t want;
  } spreads[] = {{"", kSvgSpreadPad}, {"spreadMethod=\"reflect\"", kSvgSpreadReflect},
                 {"spreadMethod=\"repeat\"", kSvgSpreadRepeat}, {"spreadMethod=\"pad\"", kSvgSpreadPad}};
  for (const Case& k : spreads)
  {
    Parsed svg(Doc(std::string("<linearGradient id=\"g\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"0\" ") +
                   "x2=\"10\" y2=\"0\" gradientTransform=\"translate(20 30) rotate(90)\" " + k.spread +
                   "><stop offset=\"0\" stop-color=\"#000\"/><stop offset=\"1\" stop-color=\"#fff\"/>"
                   "</linearGradient><rect width=\"50\" height=\"50\" fill=\"url(#g)\"/>"));
    ASSERT_EQ(svg.shapes().size(), 1u) << k.spread;
    ASSERT_EQ(svg.shape().fill.type, kSvgPaintLinearGradient) << k.spread;
    EXPECT_EQ(svg.shape().fill.gradient->spread, k.want) << k.spread;
    const float* m = svg.shape().fill.gradient->xform;
    const struct
    {
      float x, y, along;
    } points[] = {{20, 30, 0}, {20, 40, 1}, {25, 35, 0.5f}, {0, 30, 0}, {40, 45, 1.5f}};
    for (const auto& q : points)
      EXPECT_NEAR(m[1] * q.x + m[3] * q.y + m[5], q.along, 1e-4) << k.spread << " at " << q.x << "," << q.y;
  }
}

// The fill rule and display are kept per shape, and a group's pass to the shapes in it.
TEST(SvgPaint, FillRuleAndDisplayAreKeptAndInherited)
{
  Parsed svg(Doc("<rect width=\"1\" height=\"1\"/><rect width=\"1\" height=\"1\" fill-rule=\"evenodd\"/>"
                 "<rect width=\"1\" height=\"1\" display=\"none\"/>"
                 "<g fill-rule=\"evenodd\" display=\"none\"><rect width=\"1\" height=\"1\" fill-rule=\"nonzero\"/>"
                 "<rect width=\"1\" height=\"1\"/></g>"));
  ASSERT_EQ(svg.shapes().size(), 5u);
  const struct
  {
    uint8_t rule;
    bool visible;
  } want[] = {{kSvgFillNonZero, true}, {kSvgFillEvenOdd, true}, {kSvgFillNonZero, false}, {kSvgFillNonZero, false},
              {kSvgFillEvenOdd, false}};
  for (size_t i = 0; i < 5; ++i)
  {
    EXPECT_EQ(svg.shape(i).fillRule, want[i].rule) << "shape " << i;
    EXPECT_EQ((svg.shape(i).flags & kSvgShapeVisible) != 0, want[i].visible) << "shape " << i;
  }
}

} // namespace

// Blanks around the colon of a style declaration and before its semicolon (spaces, tabs, line breaks, as CSS
// allows) change nothing: each declaration paints as written without them, keywords and transform included.
TEST(SvgPaint, StyleDeclarationsWithBlanksAroundTheirColonAndSemicolonPaintAsWithout)
{
  const char* const plain = "fill:red;stroke:blue;stroke-width:3;opacity:0.5;stroke-dasharray:2 1;"
                            "stroke-linecap:round;fill-rule:evenodd;transform:translate(5,7)";
  const char* const blanked = "fill :red; stroke  : blue;stroke-width\t:\t3 ;opacity\n:0.5;stroke-dasharray :2 1;"
                              " stroke-linecap  :round ;fill-rule\r\n: evenodd\t;transform :translate(5,7) ";
  auto doc = [](const char* style) {
    return Doc(std::string("<path style=\"") + style + "\" d=\"M0 0L10 0L10 10z\"/>");
  };
  EXPECT_EQ(Parsed(doc(" \t fill:red")).shape().fill.color, Rgba(255, 0, 0)) << "blanks before the first declaration";
  Parsed without(doc(plain)), with(doc(blanked));
  ASSERT_EQ(without.shapes().size(), 1u);
  ASSERT_EQ(with.shapes().size(), 1u);
  const SvgShape &a = without.shape(), &b = with.shape();
  ASSERT_EQ(a.fill.type, kSvgPaintColor);
  EXPECT_EQ(a.fill.color, Rgba(255, 0, 0));
  EXPECT_EQ(a.stroke.color, Rgba(0, 0, 255));
  EXPECT_EQ(b.fill.type, a.fill.type);
  EXPECT_EQ(b.fill.color, a.fill.color);
  EXPECT_EQ(b.stroke.type, a.stroke.type);
  EXPECT_EQ(b.stroke.color, a.stroke.color);
  EXPECT_FLOAT_EQ(a.strokeWidth, 3);
  EXPECT_FLOAT_EQ(b.strokeWidth, a.strokeWidth);
  EXPECT_FLOAT_EQ(a.opacity, 0.5f);
  EXPECT_FLOAT_EQ(b.opacity, a.opacity);
  ASSERT_EQ(a.strokeDashCount, 2);
  ASSERT_EQ(b.strokeDashCount, a.strokeDashCount);
  EXPECT_FLOAT_EQ(b.strokeDashArray[0], a.strokeDashArray[0]);
  EXPECT_FLOAT_EQ(b.strokeDashArray[1], a.strokeDashArray[1]);
  EXPECT_EQ(b.strokeLineCap, a.strokeLineCap);
  EXPECT_NE(a.strokeLineCap, Parsed(doc("fill:red")).shape().strokeLineCap);
  EXPECT_EQ(b.fillRule, a.fillRule);
  EXPECT_NE(a.fillRule, Parsed(doc("fill:red")).shape().fillRule);
  const svgtest::Point first = Parsed::point(without.path(), 0), moved = Parsed::point(with.path(), 0);
  EXPECT_FLOAT_EQ(first.x, 5);
  EXPECT_FLOAT_EQ(first.y, 7);
  EXPECT_FLOAT_EQ(moved.x, first.x);
  EXPECT_FLOAT_EQ(moved.y, first.y);
}

// Ids and references longer than an id holds are cut to their first 63 characters alike: a gradient named by a
// long id is found by a shape naming it whole or by its first 63 characters, and lends its stops through a long
// reference, which leaves the referring gradient's kind as it was. A paint may name its gradient without '#'.
TEST(SvgPaint, LongGradientIdsAndReferencesAreCutAlikeAndStillMatch)
{
  for (const size_t length : {64, 70})
  {
    SCOPED_TRACE(length);
    const std::string id = std::string(length - 10, 'g') + "abcdefghij";
    Parsed svg(Doc("<defs><linearGradient id=\"" + id + "\"><stop offset=\"0\" stop-color=\"#f00\"/>"
                   "<stop offset=\"1\" stop-color=\"#00f\"/></linearGradient>"
                   "<radialGradient id=\"r\" r=\"0.5\" xlink:href=\"#" + id + "\"/></defs>"
                   "<rect id=\"" + id + "\" width=\"10\" height=\"10\" fill=\"url(#" + id + ")\"/>"
                   "<rect width=\"10\" height=\"10\" fill=\"url(#" + id.substr(0, 63) + ")\"/>"
                   "<rect width=\"10\" height=\"10\" fill=\"url(#r)\"/>"
                   "<rect width=\"10\" height=\"10\" fill=\"url(r)\"/>"));
    ASSERT_EQ(svg.shapes().size(), 4u);
    EXPECT_EQ(std::string(svg.shape(0).id), id.substr(0, 63)) << "a shape's own id, cut alike";
    for (size_t i = 0; i < 4; ++i)
    {
      const SvgPaint& fill = svg.shape(i).fill;
      ASSERT_EQ(fill.type, i < 2 ? kSvgPaintLinearGradient : kSvgPaintRadialGradient) << "shape " << i;
      ASSERT_EQ(fill.gradient->nstops, 2) << "shape " << i;
      EXPECT_EQ(fill.gradient->stops[0].color, Rgba(255, 0, 0)) << "shape " << i;
      EXPECT_EQ(fill.gradient->stops[1].color, Rgba(0, 0, 255)) << "shape " << i;
    }
  }
}
