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
