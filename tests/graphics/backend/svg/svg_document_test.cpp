// The document: the view box's alignment in the image, and the order transforms compose in.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "svg_test_support.h"

using svgtest::Doc;
using svgtest::Parsed;

namespace
{
constexpr float kEps = 1e-4f;

} // namespace

TEST(SvgDocument, AlignmentPlacesTheViewBoxInTheImage)
{
  struct Case
  {
    const char* align; // empty: no preserveAspectRatio attribute
    float x, y;        // where the view box point (5, 5) lands in a 20 x 10 image of a 10 x 10 view box
    float scaleX, scaleY;
  };
  const Case cases[] = {
    {"", 10, 5, 2, 1}, // the default stretches each axis on its own
    {"none", 10, 5, 2, 1},
    {"xMidYMid meet", 10, 5, 1, 1},
    {"xMidYMid", 10, 5, 1, 1},
    {"xMinYMin meet", 5, 5, 1, 1},
    {"xMaxYMax meet", 15, 5, 1, 1},
    {"xMinYMin slice", 10, 10, 2, 2},
    {"xMid yMax slice", 10, 0, 2, 2},
    {"xMidYMax slice", 10, 10, 2, 2}, // the vertical keywords are matched as "yMin", "yMid", "yMax"
  };
  for (const Case& c : cases)
  {
    std::string attr = *c.align ? std::string(" preserveAspectRatio=\"") + c.align + "\"" : "";
    Parsed svg("<svg width=\"20\" height=\"10\" viewBox=\"0 0 10 10\"" + attr +
               "><path d=\"M5 5 L6 6\" stroke-width=\"2\"/></svg>");
    const SvgPath& path = svg.path();
    EXPECT_NEAR(path.pts[0], c.x, kEps) << c.align;
    EXPECT_NEAR(path.pts[1], c.y, kEps) << c.align;
    EXPECT_NEAR(path.pts[6] - path.pts[0], c.scaleX, kEps) << c.align;
    EXPECT_NEAR(path.pts[7] - path.pts[1], c.scaleY, kEps) << c.align;
    EXPECT_NEAR(svg.shape().strokeWidth, c.scaleX + c.scaleY, kEps) << c.align;
    EXPECT_EQ(svg.image()->width, 20);
  }
}

TEST(SvgDocument, TransformsComposeLeftmostLast)
{
  struct Case
  {
    const char* transform;
    float x, y; // where (1, 1) lands
  };
  const Case cases[] = {
    {"translate(10) scale(2)", 12, 2},
    {"scale(2) translate(10)", 22, 2},
    {"translate(3,4)", 4, 5},
    {"scale(2, 3)", 2, 3},
    {"rotate(90)", -1, 1},
    {"rotate(90 10 10)", 19, 1},
    {"skewX(45)", 2, 1},
    {"skewY(45)", 1, 2},
    {"matrix(1 0 0 1 5 6)", 6, 7},
    {"matrix(2,0,0,2,0,0)translate(1,1)", 4, 4},
    {"matrix(1 2 3)", 1, 1},     // too few numbers: identity
    {"rotate(90 10)", 1, 1},     // a centre needs both coordinates
    {"translate(5", 1, 1},       // never closed
    {"scale()", 1, 1},
    {"bogus(7) translate(1)", 2, 1},
  };
  for (const Case& c : cases)
  {
    Parsed svg(Doc(std::string("<path d=\"M1 1 L1 2\" transform=\"") + c.transform + "\"/>"));
    EXPECT_NEAR(svg.path().pts[0], c.x, kEps) << c.transform;
    EXPECT_NEAR(svg.path().pts[1], c.y, kEps) << c.transform;
  }
}
