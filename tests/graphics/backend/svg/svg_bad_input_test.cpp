// Deep nesting of groups and unknown elements must parse to a sound image without reading or writing out of
// bounds (the sanitizer build runs this too). Huge and endless numbers, long separator runs, many stops and
// reference loops are seeds of the SVG fuzz target, replayed with every test run.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

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

// No unit string is read as pixels, and a path without data is no shape, from text and from a file alike (in a
// child, so a fault fails the check rather than the whole program; first of all the parser's checks, so a parser
// that faults on any document is reported before another check brings the program down).
TEST(SvgBadInput, NoUnitsParseAsPixels)
{
  const std::string text =
    "<svg width=\"2in\" height=\"30\"><path /><path d=\"\"/><rect x=\"1in\" width=\"10\" height=\"10\"/></svg>";
  char path[] = "/tmp/drovik-svg-units-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
  close(fd);
  auto parsesAsPixels = [&] {
    std::vector<char> writable(text.begin(), text.end());
    writable.push_back('\0');
    SvgImage* fromText = SvgParse(writable.data(), nullptr, 96.0f);
    SvgImage* fromFile = SvgParseFromFile(path, nullptr, 96.0f);
    bool ok = fromText && fromFile;
    for (SvgImage* image : {fromText, fromFile})
      ok = ok && image->width == 192.0f && image->height == 30.0f && image->shapes &&
           image->shapes->bounds[0] == 96.0f && image->shapes->bounds[2] == 106.0f && !image->shapes->next;
    SvgDeleteImage(fromText);
    SvgDeleteImage(fromFile);
    return ok;
  };
  EXPECT_EXIT(std::exit(parsesAsPixels() ? 0 : 1), ::testing::ExitedWithCode(0), "");
  unlink(path);
}

TEST(SvgBadInput, DeepNestingOfGroupsAndUnknownElements)
{
  const int depth = 100000;
  ExpectSound(Parsed(Doc(Repeat("<g fill=\"red\">", depth) + "<rect width=\"1\" height=\"1\"/>" + Repeat("</g>", depth))));
  ExpectSound(Parsed(Doc(Repeat("<g>", depth) + "<circle r=\"3\"/>")));
  ExpectSound(Parsed(Doc(Repeat("</g>", depth) + "<circle r=\"3\"/>")));
  ExpectSound(Parsed(Repeat("<svg><defs><g>", depth / 10) + "<rect width=\"1\" height=\"1\"/>"));
  ExpectSound(Parsed(Doc(Repeat("<a><b>", depth))));
}

// Blanks between a tag's '<' and its name are stepped over: the element is read as without them.
TEST(SvgBadInput, BlanksAfterTheOpeningOfATagAreSteppedOver)
{
  for (const char* body : {"< rect width=\"1\" height=\"1\"/>", "<g>\t\n <rect width=\"1\" height=\"1\"/>< /g>"})
    EXPECT_EQ(Parsed(Doc(body)).shapes().size(), 1u) << body;
}

// Groups keep attributes of their own up to 127 deep; a group deeper than that writes the entry of the group it is
// in, so what it sets stays after it ends.
TEST(SvgBadInput, GroupsPastTheDepthOfTheAttributeStackShareTheirParentsAttributes)
{
  for (const int depth : {126, 127})
  {
    Parsed svg(Doc(Repeat("<g>", depth) + "<g fill=\"#f00\"><rect width=\"1\" height=\"1\"/></g>" +
                   "<rect width=\"1\" height=\"1\"/>" + Repeat("</g>", depth) + "<rect width=\"1\" height=\"1\"/>"));
    ASSERT_EQ(svg.shapes().size(), 3u) << depth;
    EXPECT_EQ(svg.shape(0).fill.color, 0xff0000ffu) << depth;
    EXPECT_EQ(svg.shape(1).fill.color, depth < 127 ? 0xff000000u : 0xff0000ffu) << depth;
    EXPECT_EQ(svg.shape(2).fill.color, 0xff000000u) << depth;
  }
}

// A document read from a file parses as its text does; a file that is not there gives no image. A path of it
// copies whole.
TEST(SvgBadInput, AFileParsesAsItsTextAndAMissingOneGivesNothing)
{
  const std::string text = Doc("<rect x='10' y='20' width='30' height='40'/><circle cx='5' cy='5' r='2'/>");
  char path[] = "/tmp/drovik-svg-file-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
  close(fd);
  SvgImage* fromFile = SvgParseFromFile(path, "px", 96.0f);
  unlink(path);
  ASSERT_NE(fromFile, nullptr);
  const Parsed fromText(text);
  EXPECT_EQ(fromFile->width, fromText.image()->width);
  EXPECT_EQ(fromFile->height, fromText.image()->height);
  int shapes = 0;
  for (const SvgShape* s = fromFile->shapes; s; s = s->next, ++shapes)
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s->bounds[i], fromText.shape(size_t(shapes)).bounds[i]) << shapes;
  EXPECT_EQ(shapes, 2);

  // A path's copy has its own points, the same count, closing and bounds, and no successor.
  const SvgPath& rect = *fromFile->shapes->paths;
  SvgPath* copy = SvgDuplicatePath(&rect);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->npts, rect.npts);
  EXPECT_NE(copy->pts, rect.pts);
  for (int i = 0; i < 2 * rect.npts; ++i) EXPECT_EQ(copy->pts[i], rect.pts[i]) << i;
  EXPECT_EQ(copy->closed, 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(copy->bounds[i], rect.bounds[i]) << i;
  EXPECT_EQ(copy->next, nullptr);
  std::free(copy->pts);
  std::free(copy);
  EXPECT_EQ(SvgDuplicatePath(nullptr), nullptr);
  SvgDeleteImage(fromFile);
  EXPECT_EQ(SvgParseFromFile(path, "px", 96.0f), nullptr);

  // An empty file is read: an image with nothing in it.
  char empty[] = "/tmp/drovik-svg-empty-XXXXXX";
  const int emptyFd = mkstemp(empty);
  ASSERT_GE(emptyFd, 0);
  close(emptyFd);
  SvgImage* nothing = SvgParseFromFile(empty, "px", 96.0f);
  unlink(empty);
  ASSERT_NE(nothing, nullptr);
  EXPECT_EQ(nothing->shapes, nullptr);
  EXPECT_EQ(nothing->width, 0.0f);
  SvgDeleteImage(nothing);
}

// Points given twice: the second list goes on from the first as one outline, its first point taking the place of
// the first list's last.
TEST(SvgBadInput, PointsGivenTwiceMakeOneOutline)
{
  Parsed svg(Doc("<polyline points=\"0,0 10,10\" points=\"20,30 40,50\"/>"));
  ASSERT_EQ(svg.shapes().size(), 1u);
  const SvgPath& path = svg.path();
  const float want[] = {0, 0, 3.3333333f, 3.3333333f, 6.6666667f, 6.6666667f, 20, 30, 26.666666f, 36.666668f,
                        33.333332f, 43.333332f, 40, 50};
  ASSERT_EQ(path.npts, 7);
  for (int i = 0; i < 14; ++i) EXPECT_NEAR(path.pts[i], want[i], 1e-4) << i;
}

// One tag hands at most 127 attributes to its element: the 127th still counts, any after it are dropped.
TEST(SvgBadInput, AnElementTakesItsFirst127AttributesAndDropsTheRest)
{
  auto rect = [](int before)
  {
    std::string attributes = " width=\"1\" height=\"1\"";
    for (int i = 2; i < before; ++i) attributes += " data-" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    return Doc("<rect" + attributes + " fill=\"#f00\"/>");
  };
  Parsed last(rect(126));
  ASSERT_EQ(last.shapes().size(), 1u);
  EXPECT_EQ(last.shape().fill.color, 0xff0000ffu) << "the 127th attribute counts";
  Parsed past(rect(127));
  ASSERT_EQ(past.shapes().size(), 1u);
  EXPECT_EQ(past.shape().fill.color, 0xff000000u) << "the 128th attribute is dropped";
}

// A number with hundreds of fraction digits keeps the value its first digits give, in coordinates and in the
// attributes read as a whole (opacities and the miter limit). A number of 63 characters, leading zeros included,
// is read whole; of a longer one only its first 63 are read.
TEST(SvgBadInput, NumbersWithHundredsOfFractionDigitsKeepTheirValue)
{
  for (const int zeros : {59, 60})
  {
    Parsed svg(Doc("<rect x=\"" + Repeat("0", zeros) + "12.5\" width=\"1\" height=\"1\"/>"));
    ASSERT_EQ(svg.shapes().size(), 1u);
    EXPECT_FLOAT_EQ(svg.shape().bounds[0], zeros == 59 ? 12.5f : 12.0f);
  }
  for (const int digits : {20, 400})
  {
    const std::string zeros = Repeat("0", digits);
    Parsed svg(Doc("<rect x=\"12.5" + zeros + "\" y=\"1\" width=\"7.25" + zeros + "\" height=\"0." +
                   Repeat("9", digits) + "\" fill=\"#000\" fill-opacity=\"0.5" + zeros +
                   "\" stroke=\"#000\" stroke-opacity=\"0.25" + zeros + "\" stroke-miterlimit=\"3.5" + zeros + "\"/>"));
    ASSERT_EQ(svg.shapes().size(), 1u) << digits;
    const SvgShape& shape = svg.shape();
    EXPECT_FLOAT_EQ(shape.bounds[0], 12.5f) << digits;
    EXPECT_FLOAT_EQ(shape.bounds[2], 19.75f) << digits;
    EXPECT_FLOAT_EQ(shape.bounds[3], 2.0f) << digits;
    EXPECT_EQ(shape.fill.color >> 24, 127u) << digits;
    EXPECT_EQ(shape.stroke.color >> 24, 63u) << digits;
    EXPECT_FLOAT_EQ(shape.miterLimit, 3.5f) << digits;
  }
}
