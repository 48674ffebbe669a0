// Deep nesting of groups and unknown elements must parse to a sound image without reading or writing out of
// bounds (the sanitizer build runs this too). Huge and endless numbers, long separator runs, many stops and
// reference loops are seeds of the SVG fuzz target, replayed with every test run.
#include <string>

#include <gtest/gtest.h>

#include "svg_test_support.h"

using svgtest::Doc;
using svgtest::Parsed;

namespace
{
std::string Repeat(const std::string& s, int n)
{
  std::string out;
  out.reserve(s.size() * size_t(n));
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Every path a start point plus whole segments, every count within what was allocated.
void ExpectSound(const Parsed& svg)
{
  ASSERT_NE(svg.image(), nullptr);
  for (const SvgShape* shape : svg.shapes())
  {
    EXPECT_GE(shape->strokeDashCount, 0);
    EXPECT_LE(shape->strokeDashCount, 8);
    EXPECT_EQ(shape->id[63], '\0');
    for (const SvgPath* path : Parsed::paths(*shape))
    {
      EXPECT_GE(path->npts, 4);
      EXPECT_EQ((path->npts - 1) % 3, 0);
    }
    for (const SvgPaint* paint : {&shape->fill, &shape->stroke})
    {
      if (paint->type == kSvgPaintLinearGradient || paint->type == kSvgPaintRadialGradient)
      {
        EXPECT_GT(paint->gradient->nstops, 0);
      }
    }
  }
}
} // namespace

TEST(SvgBadInput, DeepNestingOfGroupsAndUnknownElements)
{
  const int depth = 100000;
  ExpectSound(Parsed(Doc(Repeat("<g fill=\"red\">", depth) + "<rect width=\"1\" height=\"1\"/>" + Repeat("</g>", depth))));
  ExpectSound(Parsed(Doc(Repeat("<g>", depth) + "<circle r=\"3\"/>")));
  ExpectSound(Parsed(Doc(Repeat("</g>", depth) + "<circle r=\"3\"/>")));
  ExpectSound(Parsed(Repeat("<svg><defs><g>", depth / 10) + "<rect width=\"1\" height=\"1\"/>"));
  ExpectSound(Parsed(Doc(Repeat("<a><b>", depth))));
}
