// Whole icons as drawing tools write them: declarations, namespaces, groups, styles, arcs and curves, parsed
// to the shapes and bounds they draw.
#include <string>

#include <gtest/gtest.h>

#include "svg_test_support.h"

using svgtest::Parsed;

namespace
{
constexpr float kEps = 1e-3f;

void ExpectBounds(const float* b, float x0, float y0, float x1, float y1, float eps = kEps)
{
  EXPECT_NEAR(b[0], x0, eps);
  EXPECT_NEAR(b[1], y0, eps);
  EXPECT_NEAR(b[2], x1, eps);
  EXPECT_NEAR(b[3], y1, eps);
}

void ExpectWellFormed(const Parsed& svg)
{
  for (const SvgShape* shape : svg.shapes())
    for (const SvgPath* path : Parsed::paths(*shape))
    {
      EXPECT_GE(path->npts, 4);
      EXPECT_EQ((path->npts - 1) % 3, 0);
      for (int k = 0; k < path->npts; k += 3) // end points lie on the curve, control points need not
      {
        EXPECT_GE(path->pts[k * 2], path->bounds[0] - kEps);
        EXPECT_LE(path->pts[k * 2], path->bounds[2] + kEps);
      }
    }
}
} // namespace

TEST(SvgIcons, PlayTriangle)
{
  Parsed svg("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"24\" height=\"24\" viewBox=\"0 0 24 24\">\n"
             "  <path d=\"M8 5v14l11-7z\"/>\n"
             "</svg>\n");
  ASSERT_EQ(svg.shapes().size(), 1u);
  EXPECT_EQ(svg.image()->width, 24);
  EXPECT_EQ(svg.path().closed, 1);
  EXPECT_EQ(svg.path().npts, 10);
  ExpectBounds(svg.shape().bounds, 8, 5, 19, 19);
  ExpectWellFormed(svg);
}

TEST(SvgIcons, CloseCrossOfTwoStrokedLinesScaledToFortyEight)
{
  Parsed svg("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\" viewBox=\"0 0 24 24\" "
             "fill=\"none\" stroke=\"currentColor\">\n"
             "  <g stroke=\"#333333\" stroke-width=\"2\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n"
             "    <line x1=\"18\" y1=\"6\" x2=\"6\" y2=\"18\"/>\n"
             "    <line x1=\"6\" y1=\"6\" x2=\"18\" y2=\"18\"/>\n"
             "  </g>\n"
             "</svg>");
  ASSERT_EQ(svg.shapes().size(), 2u);
  for (const SvgShape* s : svg.shapes())
  {
    EXPECT_EQ(s->fill.type, kSvgPaintNone);
    EXPECT_EQ(s->stroke.color, 0xff333333u);
    EXPECT_EQ(s->strokeLineCap, kSvgCapRound);
    EXPECT_EQ(s->strokeLineJoin, kSvgJoinRound);
    EXPECT_NEAR(s->strokeWidth, 4, kEps);
    ExpectBounds(s->bounds, 12, 12, 36, 36);
  }
  ExpectWellFormed(svg);
}

TEST(SvgIcons, HomeWithRoundedCornerArcs)
{
  Parsed svg("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\" width=\"24\" height=\"24\">"
             "<path fill=\"none\" stroke=\"#000\" stroke-width=\"2\" "
             "d=\"M3 9l9-7 9 7v11a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2z\"/>"
             "<polyline fill=\"none\" stroke=\"#000\" points=\"9 22 9 12 15 12 15 22\"/></svg>");
  ASSERT_EQ(svg.shapes().size(), 2u);
  ExpectBounds(svg.shape(0).bounds, 3, 2, 21, 22, 0.01f);
  EXPECT_EQ(svg.path(0).closed, 1);
  ExpectBounds(svg.shape(1).bounds, 9, 12, 15, 22);
  EXPECT_EQ(svg.path(1).closed, 0);
  ExpectWellFormed(svg);
}

TEST(SvgIcons, HeartOfSmoothCurves)
{
  Parsed svg("<svg xmlns=\"http://www.w3.org/2000/svg\" height=\"24\" viewBox=\"0 0 24 24\" width=\"24\">"
             "<path d=\"M0 0h24v24H0z\" fill=\"none\"/>"
             "<path fill=\"#e53935\" d=\"M12 21.35l-1.45-1.32C5.4 15.36 2 12.28 2 8.5 2 5.42 4.42 3 7.5 3c1.74 0 "
             "3.41.81 4.5 2.09C13.09 3.81 14.76 3 16.5 3 19.58 3 22 5.42 22 8.5c0 3.78-3.4 6.86-8.55 11.54L12 "
             "21.35z\"/></svg>");
  ASSERT_EQ(svg.shapes().size(), 2u);
  EXPECT_EQ(svg.shape(0).fill.type, kSvgPaintNone);
  const SvgShape& heart = svg.shape(1);
  EXPECT_EQ(heart.fill.color, 0xff3539e5u);
  ExpectBounds(heart.bounds, 2, 3, 22, 21.35f);
  ExpectWellFormed(svg);
}

TEST(SvgIcons, KnobWithGradientRingAndPointer)
{
  Parsed svg(
    "<?xml version=\"1.0\" standalone=\"no\"?>\n"
    "<!-- knob drawn for the editor -->\n"
    "<svg version=\"1.1\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
    "width=\"64px\" height=\"64px\" viewBox=\"0 0 32 32\" preserveAspectRatio=\"xMidYMid meet\">\n"
    "  <title>Knob</title>\n"
    "  <defs>\n"
    "    <linearGradient id=\"rim\" x1=\"0%\" y1=\"0%\" x2=\"0%\" y2=\"100%\">\n"
    "      <stop offset=\"0%\" style=\"stop-color:rgb(250,250,250);stop-opacity:1\"/>\n"
    "      <stop offset=\"100%\" style=\"stop-color:rgb(90,90,90);stop-opacity:1\"/>\n"
    "    </linearGradient>\n"
    "    <radialGradient id=\"cap\" xlink:href=\"#rim\" cx=\"50%\" cy=\"40%\" r=\"60%\"/>\n"
    "  </defs>\n"
    "  <g id=\"body\" transform=\"translate(16 16)\">\n"
    "    <circle id=\"ring\" r=\"15\" fill=\"url(#rim)\" stroke=\"#222\" stroke-width=\"0.5\"/>\n"
    "    <circle id=\"cap\" r=\"11\" style=\"fill:url(#cap)\"/>\n"
    "    <rect id=\"pointer\" x=\"-1\" y=\"-13\" width=\"2\" height=\"7\" rx=\"1\" fill=\"#ff0000\" "
    "transform=\"rotate(45)\"/>\n"
    "  </g>\n"
    "</svg>\n");
  ASSERT_EQ(svg.shapes().size(), 3u);
  EXPECT_EQ(svg.image()->width, 64);
  const SvgShape& ring = svg.shape(0);
  EXPECT_STREQ(ring.id, "ring");
  ExpectBounds(ring.bounds, 2, 2, 62, 62);
  EXPECT_EQ(ring.fill.type, kSvgPaintLinearGradient);
  EXPECT_NEAR(ring.strokeWidth, 1, kEps);
  EXPECT_EQ(svg.shape(1).fill.type, kSvgPaintRadialGradient);
  EXPECT_EQ(svg.shape(1).fill.gradient->nstops, 2);
  ExpectBounds(svg.shape(1).bounds, 10, 10, 54, 54);
  const SvgShape& pointer = svg.shape(2);
  EXPECT_EQ(pointer.fill.color, 0xff0000ffu);
  // The pointer is turned to the upper right, inside the ring.
  EXPECT_GT(pointer.bounds[0], 32);
  EXPECT_LT(pointer.bounds[3], 32);
  EXPECT_LT(pointer.bounds[2], 62);
  ExpectWellFormed(svg);
}

TEST(SvgIcons, SpeakerWithPolygonAndQuadraticWaves)
{
  Parsed svg("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"-2 -2 28 28\" width=\"28\" height=\"28\">"
             "<polygon points=\"1,9 5,9 10,4 10,20 5,15 1,15\" fill=\"#444\"/>"
             "<path d=\"M14 8 Q17 12 14 16 M17 5 q6 7 0 14\" fill=\"none\" stroke=\"#444\" stroke-width=\"1.5\" "
             "stroke-dasharray=\"2,1\"/></svg>");
  ASSERT_EQ(svg.shapes().size(), 2u);
  ExpectBounds(svg.shape(0).bounds, 3, 6, 12, 22);
  EXPECT_EQ(svg.path(0).npts, 19);
  const SvgShape& waves = svg.shape(1);
  EXPECT_EQ(Parsed::paths(waves).size(), 2u);
  // Quadratic extremes lie halfway to their control points: x 15.5 and 20 (plus the view box shift of 2).
  ExpectBounds(waves.bounds, 16, 7, 22, 21);
  EXPECT_EQ(waves.strokeDashCount, 2);
  ExpectWellFormed(svg);
}
