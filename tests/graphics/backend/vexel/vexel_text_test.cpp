// Vexel text and frames: line breaking (CR LF is one break), row widths and alignment across and down, letter
// spacing, glyph atlases that grow to the right and are compacted at the end of the frame, a path too large to
// expand that draws nothing, glyphs rasterised at the device pixel ratio and text measured alike at every ratio,
// rows that break between ideographs and syllables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "golden_text.h"
#include "recording_renderer.h"

namespace {

using vxtest::Context;
using vxtest::Recorder;

constexpr const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kRobotoFont = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

struct TextTest : ::testing::Test
{
  Recorder r;
  Context c{r};
  VXcontext* ctx = c.ctx;
  void SetUp() override
  {
    ASSERT_GE(vxAddFontFile(ctx, "sans", kFont), 0) << "fonts-dejavu-core is not installed";
    vxBeginFrame(ctx, 800, 600, 1.0f);
    vxSetFontFaceByName(ctx, "sans");
    vxSetFontSize(ctx, 20);
  }
  float Width(const std::string& s) { return vxMeasureText(ctx, 0, 0, s.c_str(), nullptr, nullptr); }
  std::vector<std::string> Rows(const std::string& s, float width, std::vector<float>* widths = nullptr)
  {
    VXtextRow rows[16];
    const int n = vxBreakTextLines(ctx, s.c_str(), nullptr, width, rows, 16);
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i)
    {
      out.emplace_back(rows[i].start, rows[i].end);
      if (widths) widths->push_back(rows[i].width);
    }
    return out;
  }
  /// The smallest x of the glyph quads of the last text drawn.
  float LeftOfLastText()
  {
    const vxtest::RecordedCall* t = r.Last("triangles");
    float x = 1e9f;
    if (t)
      for (const VXvertex& v : t->verts) x = std::min(x, v.x);
    return x;
  }
};

// Glyph positions and rows fill at most the room given, and none when there is none; what lies past it is left
// alone. It runs first, so that text drawn past its rows cannot stop the program before this is seen.
TEST_F(TextTest, GlyphPositionsAndRowsStopAtTheRoomGiven)
{
  const char* marker = "untouched";
  VXglyphPosition p[4];
  for (VXglyphPosition& g : p) g.str = marker;
  EXPECT_EQ(vxTextGlyphPositions(ctx, 0, 0, "hello", nullptr, p, 3), 3);
  EXPECT_EQ(p[2].str - p[0].str, 2);
  EXPECT_EQ(p[3].str, marker);
  EXPECT_EQ(vxTextGlyphPositions(ctx, 0, 0, "hello", nullptr, p + 3, 0), 0);
  EXPECT_EQ(p[3].str, marker);

  VXtextRow rows[3];
  for (VXtextRow& row : rows) row.start = marker;
  EXPECT_EQ(vxBreakTextLines(ctx, "a\nb\nc\nd", nullptr, 1000, rows, 2), 2);
  EXPECT_EQ(*rows[1].start, 'b');
  EXPECT_EQ(rows[2].start, marker);
  EXPECT_EQ(vxBreakTextLines(ctx, "a\nb\nc\nd", nullptr, 1000, rows + 2, 0), 0);
  EXPECT_EQ(rows[2].start, marker);
}

TEST_F(TextTest, LinesBreakAtNewlinesWithCarriageReturnAndLineFeedAsOne)
{
  struct Case
  {
    const char* text;
    std::vector<std::string> rows;
  } cases[] = {
    {"ab\r\ncd", {"ab", "cd"}},
    {"ab\n\rcd", {"ab", "cd"}}, // either order pairs up
    {"ab\rcd", {"ab", "cd"}},
    {"ab\n\ncd", {"ab", "", "cd"}},
    {"ab\r\n\r\ncd", {"ab", "", "cd"}}, // a blank line between pairs stays
    {"ab\n\r\n\rcd", {"ab", "", "cd"}},
    {"ab\n\r\ncd", {"ab", "", "cd"}}, // a pair, then a break of its own
    {"ab\r\n\rcd", {"ab", "", "cd"}},
    {"ab\n", {"ab"}},
    {"\nab", {"", "ab"}},
    {"ab\xC2\x85" "cd", {"ab", "cd"}}, // the next-line character
    {"ab\xC2\x85\ncd", {"ab", "", "cd"}},
  };
  for (const Case& k : cases) EXPECT_EQ(Rows(k.text, 1000), k.rows) << k.text;
}

TEST_F(TextTest, WordsWrapToTheRowWidthAndRowsMeasureAsTheirText)
{
  const float word = Width("hello"), two = Width("hello world");
  std::vector<float> widths;
  EXPECT_EQ(Rows("hello world", two + 1, &widths), (std::vector<std::string>{"hello world"}));
  EXPECT_EQ(Rows("hello world again", two + 1, &widths), (std::vector<std::string>{"hello world", "again"}));
  EXPECT_EQ(Rows("hello hello", word + 1), (std::vector<std::string>{"hello", "hello"}));
  EXPECT_EQ(Rows("hello world", two - 1), (std::vector<std::string>{"hello", "world"}));
  // Text exactly as wide as the row fits in it.
  EXPECT_EQ(Rows("hello world", two), (std::vector<std::string>{"hello world"}));
  EXPECT_EQ(Rows("hello", word), (std::vector<std::string>{"hello"}));
  ASSERT_EQ(widths.size(), 3u);
  EXPECT_NEAR(widths[0], two, 0.5);
  EXPECT_NEAR(widths[1], two, 0.5);
  EXPECT_NEAR(widths[2], Width("again"), 0.5);
  // A word wider than the row is split between its characters.
  const std::vector<std::string> split = Rows("abcdefghij", Width("abcde") + 1);
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(split[0] + split[1], "abcdefghij");
  EXPECT_LE(Width(split[0]), Width("abcde") + 1);
}

TEST_F(TextTest, VerticalAlignmentPutsItsLineOfTheFontAtTheGivenY)
{
  // Top: the ascender line at y; middle: halfway between ascender and descender; baseline; bottom: the descender.
  // The font's lines are in logical units: the same under a transform that doubles everything.
  float ascender = 0, descender = 0, lineHeight = 0, doubled[3] = {0, 0, 0};
  vxTextMetrics(ctx, &ascender, &descender, &lineHeight);
  vxSaveState(ctx);
  vxScale(ctx, 2, 2);
  vxTextMetrics(ctx, &doubled[0], &doubled[1], &doubled[2]);
  vxRestoreState(ctx);
  EXPECT_NEAR(doubled[0], ascender, 0.01);
  EXPECT_NEAR(doubled[1], descender, 0.01);
  EXPECT_NEAR(doubled[2], lineHeight, 0.01);
  ASSERT_GT(ascender, 0);
  ASSERT_LT(descender, 0);
  vxTextMetrics(ctx, nullptr, nullptr, nullptr); // nothing asked for: nothing written
  struct Case
  {
    int align;
    float top; // the ascender line, relative to y
  } cases[] = {{VX_ALIGN_TOP, 0},
               {VX_ALIGN_MIDDLE, -(ascender - descender) / 2},
               {VX_ALIGN_BASELINE, -ascender},
               {VX_ALIGN_BOTTOM, -(ascender - descender)}};
  vxSetTextAlign(ctx, VX_ALIGN_LEFT | VX_ALIGN_BASELINE);
  vxDrawText(ctx, 100, 200, "H", nullptr);
  const std::vector<VXvertex> onBaseline = r.Last("triangles")->verts;
  float foot = 0;
  for (const VXvertex& v : onBaseline) foot = std::max(foot, v.y);
  EXPECT_NEAR(foot, 200, 1.0) << "an H stands on the baseline";
  for (const Case& k : cases)
  {
    vxSetTextAlign(ctx, VX_ALIGN_LEFT | k.align);
    float bounds[4];
    vxMeasureText(ctx, 100, 200, "H", nullptr, bounds);
    EXPECT_NEAR(bounds[1], 200 + k.top, 0.01) << k.align;
    vxDrawText(ctx, 100, 200, "H", nullptr);
    const std::vector<VXvertex>& glyph = r.Last("triangles")->verts;
    ASSERT_EQ(glyph.size(), onBaseline.size());
    for (size_t v = 0; v < glyph.size(); ++v)
      EXPECT_NEAR(glyph[v].y - onBaseline[v].y, k.top + ascender, 1.0) << k.align; // glyphs sit on whole pixels
  }
}

TEST_F(TextTest, AlignmentMovesGlyphsAndBoxRowsByTheWidthOrHalfOfIt)
{
  const char* text = "Wide text";
  const float w = Width(text);
  struct Case
  {
    int align;
    float shift; // times the text's width
  } cases[] = {{VX_ALIGN_LEFT, 0}, {VX_ALIGN_CENTER, -0.5f}, {VX_ALIGN_RIGHT, -1}};
  for (const Case& k : cases)
  {
    vxSetTextAlign(ctx, k.align | VX_ALIGN_BASELINE);
    VXglyphPosition p[16];
    ASSERT_EQ(vxTextGlyphPositions(ctx, 100, 50, text, nullptr, p, 16), 9);
    EXPECT_NEAR(p[0].x, 100 + k.shift * w, 0.5) << k.align;
  }
  // A box row is placed inside the box width: left, centred or right.
  vxSetTextAlign(ctx, VX_ALIGN_LEFT | VX_ALIGN_TOP);
  vxDrawTextBox(ctx, 100, 50, 400, "ab", nullptr);
  const float left = LeftOfLastText(), ab = Width("ab");
  vxSetTextAlign(ctx, VX_ALIGN_CENTER | VX_ALIGN_TOP);
  vxDrawTextBox(ctx, 100, 50, 400, "ab", nullptr);
  EXPECT_NEAR(LeftOfLastText() - left, 200 - ab / 2, 0.5);
  vxSetTextAlign(ctx, VX_ALIGN_RIGHT | VX_ALIGN_TOP);
  vxDrawTextBox(ctx, 100, 50, 400, "ab", nullptr);
  EXPECT_NEAR(LeftOfLastText() - left, 400 - ab, 0.5);
  float box[4];
  vxMeasureTextBox(ctx, 100, 50, 400, "ab", nullptr, box);
  EXPECT_NEAR(box[2], 500, 1.0);
  // With no horizontal alignment a box measures as one aligned left.
  float leftBox[4], plainBox[4];
  vxSetTextAlign(ctx, VX_ALIGN_LEFT | VX_ALIGN_TOP);
  vxMeasureTextBox(ctx, 100, 50, 400, "ab", nullptr, leftBox);
  vxSetTextAlign(ctx, VX_ALIGN_TOP);
  vxMeasureTextBox(ctx, 100, 50, 400, "ab", nullptr, plainBox);
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(plainBox[i], leftBox[i]) << i;
}

TEST_F(TextTest, ARowEndingInABrokenWordIsAsWideAsItsOwnGlyphsInEveryAlignment)
{
  // Each row of a box is drawn where its own text would be drawn alone (left, centred or right in the box, one
  // line height times the spacing below the row above), and the measured box ends at the right edge of the glyphs
  // drawn and at the lines of its first and last rows: a broken word adds nothing of the glyph after it.
  struct Case
  {
    const char* text;
    const char* fits; // the row width is this text's width plus one
  } texts[] = {{"abcdefghijklmnop", "abcde"}, {"hi abcdefghijklmnop", "hi abcd"}, {"WWWW iiiiiiii", "WW"}};
  const int aligns[] = {VX_ALIGN_LEFT, VX_ALIGN_CENTER, VX_ALIGN_RIGHT};
  constexpr float x = 100, y = 50;
  vxSetLineHeight(ctx, 1.5f);
  float lineHeight = 0, line[4];
  vxTextMetrics(ctx, nullptr, nullptr, &lineHeight);
  for (const Case& k : texts)
  {
    const float box = Width(k.fits) + 1;
    std::vector<float> widths;
    const std::vector<std::string> rows = Rows(k.text, box, &widths);
    ASSERT_GE(rows.size(), 2u) << k.text;
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_NEAR(widths[i], Width(rows[i]), 0.01) << k.text << " " << i;
    for (int a = 0; a < 3; ++a)
    {
      vxSetTextAlign(ctx, aligns[a] | VX_ALIGN_BASELINE);
      const size_t first = r.calls.size();
      vxDrawTextBox(ctx, x, y, box, k.text, nullptr);
      ASSERT_EQ(r.calls.size() - first, rows.size()) << k.text;
      std::vector<vxtest::RecordedCall> drawn(r.calls.begin() + long(first), r.calls.end());
      float bounds[4];
      vxMeasureTextBox(ctx, x, y, box, k.text, nullptr, bounds);
      float right = -1e9f;
      vxSetTextAlign(ctx, VX_ALIGN_LEFT | VX_ALIGN_BASELINE);
      for (size_t i = 0; i < rows.size(); ++i)
      {
        const float rowY = y + float(i) * lineHeight * 1.5f;
        vxDrawText(ctx, x + 0.5f * float(a) * (box - Width(rows[i])), rowY, rows[i].c_str(), nullptr);
        const vxtest::RecordedCall* alone = r.Last("triangles");
        ASSERT_EQ(drawn[i].verts.size(), alone->verts.size()) << k.text << " " << i;
        for (size_t v = 0; v < alone->verts.size(); ++v)
        {
          EXPECT_NEAR(drawn[i].verts[v].x, alone->verts[v].x, 0.01) << k.text << " align " << a << " row " << i;
          EXPECT_NEAR(drawn[i].verts[v].y, alone->verts[v].y, 0.01) << k.text << " align " << a << " row " << i;
        }
        for (const VXvertex& v : alone->verts) right = std::max(right, v.x);
        vxMeasureText(ctx, x, rowY, rows[i].c_str(), nullptr, line);
        if (i == 0 || i + 1 == rows.size())
        {
          EXPECT_NEAR(bounds[i == 0 ? 1 : 3], line[i == 0 ? 1 : 3], 0.01) << k.text << " align " << a << " row " << i;
        }
      }
      EXPECT_NEAR(bounds[2], right, 0.6) << k.text << " align " << a; // drawn glyphs sit on whole pixels
    }
  }
}

TEST_F(TextTest, LetterSpacingWidensEachGapBetweenGlyphs)
{
  const float plain = Width("abcd");
  vxSetLetterSpacing(ctx, 3);
  EXPECT_NEAR(Width("abcd"), plain + 3 * 3, 0.5);
}

// The frame's counts: each text drawn is one draw call of two triangles a glyph, none of them counted as fill, and
// the next frame starts again from zero.
TEST_F(TextTest, EachTextDrawnCountsOneDrawCallAndTwoTrianglesAGlyphUntilTheNextFrame)
{
  vxDrawText(ctx, 10, 50, "abc", nullptr);
  EXPECT_EQ(ctx->drawCallCount, 1);
  EXPECT_EQ(ctx->textTriangleCount, 6);
  vxDrawText(ctx, 10, 80, "de", nullptr);
  EXPECT_EQ(ctx->drawCallCount, 2);
  EXPECT_EQ(ctx->textTriangleCount, 10);
  EXPECT_EQ(ctx->fillTriangleCount, 0);
  // Glyphs that the transform sends past the largest number are left out of their draw call.
  vxSaveState(ctx);
  vxScale(ctx, 1e37f, 1e37f);
  vxDrawText(ctx, 10, 50, "fg", nullptr);
  vxRestoreState(ctx);
  EXPECT_EQ(ctx->drawCallCount, 3);
  EXPECT_EQ(ctx->textTriangleCount, 10);
  EXPECT_TRUE(r.Last("triangles")->verts.empty());
  vxEndFrame(ctx);
  vxBeginFrame(ctx, 800, 600, 1.0f);
  EXPECT_EQ(ctx->drawCallCount, 0);
  EXPECT_EQ(ctx->textTriangleCount, 0);
}

TEST_F(TextTest, AResetStateSetsTextInTheFirstFontAtSixteenPixelsUnspacedUnblurredOnTheLeftBaseline)
{
  // Each text setting is changed, the state reset, and a box of several rows drawn and measured; the same is then
  // done with the settings given by hand.
  vxAddFontFile(ctx, "other", kRobotoFont);
  const char* text = "Text of the reset state";
  auto drawAndMeasure = [&](std::vector<VXvertex>& verts, float* box) {
    const size_t first = r.calls.size();
    vxDrawTextBox(ctx, 100, 200, 120, text, nullptr);
    verts.clear();
    for (size_t i = first; i < r.calls.size(); ++i)
      verts.insert(verts.end(), r.calls[i].verts.begin(), r.calls[i].verts.end());
    vxMeasureTextBox(ctx, 100, 200, 120, text, nullptr, box);
  };
  vxSetFontFaceByName(ctx, "other");
  vxSetFontSize(ctx, 40);
  vxSetLetterSpacing(ctx, 3);
  vxSetLineHeight(ctx, 2);
  vxSetFontBlur(ctx, 2);
  vxSetTextAlign(ctx, VX_ALIGN_RIGHT | VX_ALIGN_TOP);
  vxResetState(ctx);
  std::vector<VXvertex> reset, given;
  float resetBox[4], givenBox[4];
  drawAndMeasure(reset, resetBox);
  vxSetFontFaceByName(ctx, "sans");
  vxSetFontSize(ctx, 16);
  vxSetLetterSpacing(ctx, 0);
  vxSetLineHeight(ctx, 1);
  vxSetFontBlur(ctx, 0);
  vxSetTextAlign(ctx, VX_ALIGN_LEFT | VX_ALIGN_BASELINE);
  drawAndMeasure(given, givenBox);
  ASSERT_FALSE(given.empty());
  ASSERT_EQ(reset.size(), given.size());
  for (size_t v = 0; v < given.size(); ++v)
  {
    EXPECT_FLOAT_EQ(reset[v].x, given[v].x) << v;
    EXPECT_FLOAT_EQ(reset[v].y, given[v].y) << v;
    EXPECT_FLOAT_EQ(reset[v].u, given[v].u) << v;
    EXPECT_FLOAT_EQ(reset[v].v, given[v].v) << v;
  }
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(resetBox[i], givenBox[i]) << i;
}

TEST_F(TextTest, TextWithNothingToMeasureHasNoWidthAndAnEmptyBox)
{
  // No string, a font not known, or a transform that shrinks everything to nothing.
  struct Case
  {
    const char* what;
    const char* text;
    const char* font;
    float scale;
  } cases[] = {
    {"no string", nullptr, "sans", 1}, {"unknown font", "ab", "nowhere", 1}, {"scaled to nothing", "ab", "sans", 0}};
  for (const Case& k : cases)
  {
    vxSaveState(ctx);
    vxSetFontFaceByName(ctx, k.font);
    vxScale(ctx, k.scale, k.scale);
    float box[4] = {7, 7, 7, 7}, bounds[4] = {7, 7, 7, 7};
    vxMeasureTextBox(ctx, 10, 20, 100, k.text, nullptr, box);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(box[i], 0.0f) << k.what << " " << i;
    EXPECT_EQ(vxMeasureText(ctx, 10, 20, k.text, nullptr, bounds), 0.0f) << k.what;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(bounds[i], 7.0f) << k.what << " " << i; // left as they were
    // Without a place for the bounds nothing is written.
    vxMeasureTextBox(ctx, 10, 20, 100, k.text, nullptr, nullptr);
    EXPECT_EQ(vxMeasureText(ctx, 10, 20, k.text, nullptr, nullptr), 0.0f) << k.what;
    VXglyphPosition positions[4];
    VXtextRow rows[2];
    EXPECT_EQ(vxTextGlyphPositions(ctx, 10, 20, k.text, nullptr, positions, 4), 0) << k.what;
    EXPECT_EQ(vxBreakTextLines(ctx, k.text, nullptr, 100, rows, 2), 0) << k.what;
    vxRestoreState(ctx);
  }
}

TEST_F(TextTest, AFullAtlasGrowsToTheRightAndTheFrameEndKeepsOnlyTheNewest)
{
  ASSERT_EQ(r.textures.size(), 1u);
  const int first = ctx->fontImages[0];
  EXPECT_EQ(r.textures[first], std::make_pair(512, 512));
  vxSetFontSize(ctx, 150); // far more glyphs than a 512 x 512 atlas holds
  const char* glyphs = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  vxDrawText(ctx, 0, 200, glyphs, nullptr);
  ASSERT_GE(ctx->fontImageIdx, 1);
  const int second = ctx->fontImages[1];
  EXPECT_EQ(r.textures[second], std::make_pair(1024, 512));
  if (ctx->fontImageIdx >= 2)
  {
    EXPECT_EQ(r.textures[ctx->fontImages[2]], std::make_pair(1024, 1024));
  }
  const int newest = ctx->fontImages[ctx->fontImageIdx];
  // Text drawn after the growth samples the newest atlas, one texel a pixel across and down.
  EXPECT_EQ(r.Last("triangles")->paint.image, newest);
  const std::vector<VXvertex>& quads = r.Last("triangles")->verts;
  const std::pair<int, int> atlas = r.textures[newest];
  ASSERT_EQ(quads.size() % 6, 0u);
  for (size_t g = 0; g < quads.size(); g += 6)
  {
    float lo[4] = {1e9f, 1e9f, 1e9f, 1e9f}, hi[4] = {-1e9f, -1e9f, -1e9f, -1e9f};
    for (size_t v = g; v < g + 6; ++v)
    {
      const float f[4] = {quads[v].x, quads[v].y, quads[v].u * float(atlas.first), quads[v].v * float(atlas.second)};
      for (int i = 0; i < 4; ++i) lo[i] = std::min(lo[i], f[i]), hi[i] = std::max(hi[i], f[i]);
    }
    EXPECT_NEAR(hi[2] - lo[2], hi[0] - lo[0], 0.01) << "glyph " << g / 6;
    EXPECT_NEAR(hi[3] - lo[3], hi[1] - lo[1], 0.01) << "glyph " << g / 6;
  }
  vxEndFrame(ctx);
  EXPECT_EQ(ctx->fontImageIdx, 0);
  EXPECT_EQ(ctx->fontImages[0], newest);
  for (int i = 1; i < kVxMaxFontImages; ++i) EXPECT_EQ(ctx->fontImages[i], 0) << i;
  EXPECT_EQ(r.textures.size(), 1u); // the smaller atlases are released
  EXPECT_EQ(r.textures.count(first), 0u);

  // The next frame draws from the kept atlas without another.
  vxBeginFrame(ctx, 800, 600, 1.0f);
  vxSetFontSize(ctx, 20);
  vxDrawText(ctx, 0, 50, "A", nullptr);
  EXPECT_EQ(r.Last("triangles")->paint.image, newest);
  vxEndFrame(ctx);
  EXPECT_EQ(r.textures.size(), 1u);
}

// Text whose glyphs fill the atlas part way through draws whole: every glyph gets its quad (what was gathered
// before the atlas grew and the rest after), each right of the one before, and the pen ends where the text
// measures to.
TEST_F(TextTest, TextThatFillsTheAtlasPartWayDrawsEveryGlyph)
{
  vxSetFontSize(ctx, 150);
  const std::string glyphs = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  const float measured = Width(glyphs);
  r.calls.clear();
  const float end = vxDrawText(ctx, 0, 200, glyphs.c_str(), nullptr);
  ASSERT_GE(ctx->fontImageIdx, 1) << "the text did not fill the first atlas";
  std::vector<float> lefts;
  for (const vxtest::RecordedCall& call : r.calls)
    if (call.kind == "triangles")
      for (size_t g = 0; g + 6 <= call.verts.size(); g += 6)
        lefts.push_back(std::min(call.verts[g].x, call.verts[g + 4].x));
  ASSERT_EQ(lefts.size(), glyphs.size());
  for (size_t i = 1; i < lefts.size(); ++i) EXPECT_GT(lefts[i], lefts[i - 1]) << "glyph " << i;
  EXPECT_NEAR(end, measured, 0.5);
  // A text whose first glyph finds the atlas full draws once, after the atlas grows.
  vxSetFontSize(ctx, 400);
  const int atlas = ctx->fontImageIdx;
  for (const char* glyph : {"W", "M", "Q"})
  {
    const int calls = ctx->drawCallCount;
    vxDrawText(ctx, 0, 500, glyph, nullptr);
    EXPECT_EQ(ctx->drawCallCount, calls + 1) << glyph;
    EXPECT_EQ(r.Last("triangles")->verts.size(), 6u) << glyph;
  }
  EXPECT_GT(ctx->fontImageIdx, atlas);
}

TEST_F(TextTest, APathTooLargeToExpandDrawsNothingAndTheNextOneDraws)
{
  auto square = [&] {
    vxBeginPath(ctx);
    vxRectPath(ctx, 10, 10, 20, 20);
  };
  square();
  vxFillPath(ctx);
  ASSERT_EQ(r.calls.size(), 1u);
  // 600 000 points need more vertices than one expansion may take: neither fill nor stroke is drawn.
  vxBeginPath(ctx);
  vxMoveTo(ctx, 0, 0);
  for (int i = 1; i < 600000; ++i) vxLineTo(ctx, float(i % 700), float((i / 700) % 2 ? 500 - i % 500 : i % 500));
  vxFillPath(ctx);
  vxStrokePath(ctx);
  EXPECT_EQ(r.calls.size(), 1u);
  square();
  vxFillPath(ctx);
  vxStrokePath(ctx);
  ASSERT_EQ(r.calls.size(), 3u);
  EXPECT_EQ(r.calls[1].kind, "fill");
  EXPECT_EQ(r.calls[2].kind, "stroke");
  ASSERT_EQ(r.calls[1].paths.size(), 1u);
  EXPECT_GT(r.calls[1].paths[0].fill.size(), 3u);
}

TEST_F(TextTest, KerningPullsInOnlyThePairsOrderThatAsksForIt)
{
  for (const char* pair : {"To", "Ty", "P."})
  {
    const std::string kerned = pair, reversed = {pair[1], pair[0]};
    const float apart = Width(kerned.substr(0, 1)) + Width(kerned.substr(1));
    EXPECT_LE(Width(kerned), apart - 1) << kerned;
    EXPECT_EQ(Width(reversed), apart) << reversed;
  }
}

TEST_F(TextTest, MeasuredBoundsMoveWithTheAlignmentByTheWidthOrHalfOfIt)
{
  const char* text = "Wide text";
  float left[4];
  vxSetTextAlign(ctx, VX_ALIGN_LEFT | VX_ALIGN_BASELINE);
  const float w = vxMeasureText(ctx, 100, 50, text, nullptr, left);
  EXPECT_NEAR(left[0], 100, 2); // the first glyph's side bearing
  EXPECT_NEAR(left[2], 100 + w, 2);
  struct Case
  {
    int align;
    float shift; // times the text's width
  } cases[] = {{VX_ALIGN_CENTER, -0.5f}, {VX_ALIGN_RIGHT, -1}};
  for (const Case& k : cases)
  {
    vxSetTextAlign(ctx, k.align | VX_ALIGN_BASELINE);
    float bounds[4];
    EXPECT_FLOAT_EQ(vxMeasureText(ctx, 100, 50, text, nullptr, bounds), w);
    for (int i : {0, 2}) EXPECT_NEAR(bounds[i], left[i] + k.shift * w, 0.01) << k.align << " " << i;
    for (int i : {1, 3}) EXPECT_FLOAT_EQ(bounds[i], left[i]) << k.align << " " << i;
  }
}

TEST_F(TextTest, EachGlyphPositionSpansFromItsPenToTheNext)
{
  const char* text = "Wide text";
  VXglyphPosition p[16];
  const int n = vxTextGlyphPositions(ctx, 100, 50, text, nullptr, p, 16);
  ASSERT_EQ(n, 9);
  for (int i = 0; i < n; ++i)
  {
    EXPECT_LE(p[i].minX, p[i].x) << i;
    if (i + 1 < n)
    {
      EXPECT_GE(p[i].maxX, p[i + 1].x) << i;
    }
  }
  EXPECT_NEAR(p[n - 1].maxX, 100 + Width(text), 1.0);
}

// Text of about a pixel and a half is still placed: it measures in proportion to its size and draws glyphs.
TEST_F(TextTest, TextOfAPixelAndAHalfMeasuresInProportionAndDraws)
{
  const char* text = "Wide text";
  const float atTwenty = Width(text);
  vxSetFontSize(ctx, 1.5f);
  EXPECT_NEAR(Width(text), atTwenty * 1.5f / 20.f, atTwenty * 0.01f);
  vxDrawText(ctx, 10, 10, text, nullptr);
  const vxtest::RecordedCall* t = r.Last("triangles");
  ASSERT_NE(t, nullptr);
  EXPECT_FALSE(t->verts.empty());
}

// At a device pixel ratio of 2 a glyph covers the same place in logical units but is rasterised at twice the
// size: its cell in the atlas is twice as wide and as tall in atlas pixels (less the cell's fixed padding).
TEST_F(TextTest, AtTwiceTheDevicePixelRatioAGlyphIsRasterisedTwiceAsLargeInTheSamePlace)
{
  struct Extent
  {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f; // logical units
    float u0 = 1e9f, v0 = 1e9f, u1 = -1e9f, v1 = -1e9f; // atlas pixels
  };
  auto drawH = [&](float ratio) {
    vxEndFrame(ctx);
    vxBeginFrame(ctx, 800, 600, ratio);
    vxSetFontFaceByName(ctx, "sans");
    vxSetFontSize(ctx, 60);
    vxSetTextAlign(ctx, VX_ALIGN_LEFT | VX_ALIGN_BASELINE);
    vxDrawText(ctx, 100, 200, "H", nullptr);
    Extent e;
    const vxtest::RecordedCall* t = r.Last("triangles");
    if (!t || !r.textures.count(t->paint.image))
      return e;
    const auto [atlasW, atlasH] = r.textures[t->paint.image];
    for (const VXvertex& v : t->verts)
    {
      e.x0 = std::min(e.x0, v.x), e.x1 = std::max(e.x1, v.x), e.y0 = std::min(e.y0, v.y), e.y1 = std::max(e.y1, v.y);
      e.u0 = std::min(e.u0, v.u * atlasW), e.u1 = std::max(e.u1, v.u * atlasW);
      e.v0 = std::min(e.v0, v.v * atlasH), e.v1 = std::max(e.v1, v.v * atlasH);
    }
    return e;
  };
  const Extent one = drawH(1.f), two = drawH(2.f);
  ASSERT_LT(one.x0, one.x1);
  ASSERT_LT(two.x0, two.x1);
  EXPECT_NEAR(two.x0, one.x0, 1.0);
  EXPECT_NEAR(two.x1, one.x1, 1.0);
  EXPECT_NEAR(two.y0, one.y0, 1.0);
  EXPECT_NEAR(two.y1, one.y1, 1.0);
  EXPECT_NEAR((two.u1 - two.u0) / (one.u1 - one.u0), 2, 0.15);
  EXPECT_NEAR((two.v1 - two.v0) / (one.v1 - one.v0), 2, 0.15);
}

// The font's lines (ascender, descender, line height) are the same in logical units at device pixel ratios 1 and 2:
// only the glyphs' rasterisation follows the ratio.
TEST_F(TextTest, FontMetricsInLogicalUnitsAreTheSameAtEveryDevicePixelRatio)
{
  struct Measures
  {
    float ascender = 0, descender = 0, lineHeight = 0;
  };
  auto measure = [&](float ratio) {
    vxEndFrame(ctx);
    vxBeginFrame(ctx, 800, 600, ratio);
    vxSetFontFaceByName(ctx, "sans");
    vxSetFontSize(ctx, 20);
    Measures m;
    vxTextMetrics(ctx, &m.ascender, &m.descender, &m.lineHeight);
    return m;
  };
  const Measures one = measure(1.f), two = measure(2.f);
  ASSERT_GT(one.ascender, 10.f);
  EXPECT_NEAR(two.ascender, one.ascender, 0.01);
  EXPECT_NEAR(two.descender, one.descender, 0.01);
  EXPECT_NEAR(two.lineHeight, one.lineHeight, 0.01);
}

// Text measured at device pixel ratio 2 lies where it lies at ratio 1 in logical units: its top and bottom (the
// line's, and the rows' of a wrapped box) within a device pixel, in every alignment across and down. Across, each
// glyph's advance is rounded to whole device pixels at either ratio (at most half a logical unit at 1, a quarter
// at 2) and the start to a whole pixel: width, left and right differ by no more than that adds up to.
TEST_F(TextTest, MeasuredTextLiesInTheSamePlaceAtDevicePixelRatioTwo)
{
  const char* const line = "Jumpy Wafts";
  const char* const rows = "Jumpy Wafts of quiet text";
  struct Measure
  {
    float width = 0, bounds[4] = {}, box[4] = {};
  };
  auto measure = [&](float ratio, int align) {
    vxEndFrame(ctx);
    vxBeginFrame(ctx, 800, 600, ratio);
    vxSetFontFaceByName(ctx, "sans");
    vxSetFontSize(ctx, 23);
    vxSetTextAlign(ctx, align);
    Measure m;
    m.width = vxMeasureText(ctx, 101.3f, 57.6f, line, nullptr, m.bounds);
    vxMeasureTextBox(ctx, 101.3f, 57.6f, 90.f, rows, nullptr, m.box);
    return m;
  };
  const float devicePixel = 0.5f; // at ratio 2, in logical units
  const float across = 1.f + 0.75f * float(std::strlen(rows));
  for (const int h : {VX_ALIGN_LEFT, VX_ALIGN_CENTER, VX_ALIGN_RIGHT})
    for (const int v : {VX_ALIGN_TOP, VX_ALIGN_MIDDLE, VX_ALIGN_BASELINE, VX_ALIGN_BOTTOM})
    {
      SCOPED_TRACE(testing::Message() << "align " << (h | v));
      const Measure one = measure(1.f, h | v), two = measure(2.f, h | v);
      ASSERT_GT(one.width, 50.f);
      ASSERT_GT(one.bounds[3] - one.bounds[1], 20.f);
      ASSERT_GT(one.box[3] - one.box[1], 40.f) << "the box wraps to rows";
      EXPECT_NEAR(two.width, one.width, 0.75f * float(std::strlen(line)));
      for (int i : {1, 3})
      {
        EXPECT_NEAR(two.bounds[i], one.bounds[i], devicePixel) << "bound " << i;
        EXPECT_NEAR(two.box[i], one.box[i], devicePixel) << "box bound " << i;
      }
      for (int i : {0, 2})
      {
        EXPECT_NEAR(two.bounds[i], one.bounds[i], across) << "bound " << i;
        EXPECT_NEAR(two.box[i], one.box[i], across) << "box bound " << i;
      }
    }
}

// A measured box moves with the origin it is measured at, to the left of and above the surface's corner too; with
// no text it is the origin alone.
TEST_F(TextTest, AMeasuredBoxMovesWithItsOriginAnywhere)
{
  float base[4];
  vxMeasureTextBox(ctx, 0, 0, 60, "two words wrap", nullptr, base);
  ASSERT_GT(base[2] - base[0], 20.f);
  ASSERT_GT(base[3] - base[1], 40.f);
  for (const auto& [x, y] : {std::pair{-500.f, -300.f}, {-3.f, -2.f}, {250.f, 120.f}})
  {
    float box[4], empty[4];
    vxMeasureTextBox(ctx, x, y, 60, "two words wrap", nullptr, box);
    vxMeasureTextBox(ctx, x, y, 60, "", nullptr, empty);
    const float shift[4] = {x, y, x, y};
    for (int i = 0; i < 4; ++i)
    {
      EXPECT_NEAR(box[i], base[i] + shift[i], 1e-3) << "at " << x << "," << y << " bound " << i;
      EXPECT_EQ(empty[i], shift[i]) << "at " << x << "," << y << " bound " << i;
    }
  }
}

// A character the font lacks is drawn from its first fallback that has it, at that font's own advance; without a
// fallback the font's missing-glyph box stands in for it.
TEST_F(TextTest, ACharacterTheFontLacksComesFromItsFallback)
{
  ASSERT_GE(vxAddFontFile(ctx, "roboto", kRobotoFont), 0) << "fonts-roboto-unhinted is not installed";
  ASSERT_GE(vxAddFontFile(ctx, "plain roboto", kRobotoFont), 0);
  const char* alef = "\xD7\x90"; // Hebrew: DejaVu Sans has it, Roboto does not
  const float own = Width(alef);
  vxSetFontFaceByName(ctx, "plain roboto");
  const float missing = Width(alef);
  ASSERT_GT(std::abs(missing - own), 1.f) << "the two fonts' glyphs measure alike";
  ASSERT_EQ(vxAddFallbackFont(ctx, "roboto", "sans"), 1);
  vxSetFontFaceByName(ctx, "roboto");
  EXPECT_FLOAT_EQ(Width(alef), own);
  EXPECT_FLOAT_EQ(Width(std::string("H") + alef), Width("H") + own);
  vxSetFontFaceByName(ctx, "plain roboto");
  EXPECT_FLOAT_EQ(Width(alef), missing);
}

// Text is read as UTF-8: each code point of one to four bytes is one glyph, placed at its first byte.
TEST_F(TextTest, EachUtf8CodePointIsOneGlyphAtItsFirstByte)
{
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" "b"; // a, e acute, euro, a face, b
  VXglyphPosition p[8];
  ASSERT_EQ(vxTextGlyphPositions(ctx, 0, 0, text.c_str(), nullptr, p, 8), 5);
  const size_t starts[] = {0, 1, 3, 6, 10};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(size_t(p[i].str - text.c_str()), starts[i]) << "glyph " << i;
  const char* cut = "\xE2\x82\xAC\xE2\x82"; // a euro sign, then a sequence cut short
  EXPECT_EQ(vxTextGlyphPositions(ctx, 0, 0, cut, nullptr, p, 8), 1) << "a sequence cut short is no glyph";
  EXPECT_FLOAT_EQ(Width(cut), Width("\xE2\x82\xAC"));
}

TEST_F(TextTest, RowsBreakBetweenIdeographsAndSyllablesButNotInsideWordsOfOtherScripts)
{
  // After "a " only one more character fits. Each ideograph, kana, full width form and Hangul character is a word
  // of its own and follows on the first row; any other character joins its neighbours into one word, which goes
  // to the next row. The characters at both ends of each range, and those just outside it.
  auto utf8 = [](unsigned c)
  {
    std::string s;
    s += char(0xE0 | (c >> 12)), s += char(0x80 | ((c >> 6) & 0x3F)), s += char(0x80 | (c & 0x3F));
    return s;
  };
  for (unsigned c : {0x1100u, 0x11FFu, 0x3000u, 0x30FFu, 0x3130u, 0x318Fu, 0x4E00u, 0x9FFFu, 0xAC00u, 0xD7AFu, 0xFF00u,
                     0xFFEFu})
  {
    const std::string g = utf8(c);
    const std::vector<std::string> rows = Rows("a " + g + g + g, Width("a " + g) + 1);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "a " + g) << std::hex << c;
  }
  for (unsigned c : {0x10FFu, 0x1200u, 0x2FFFu, 0x3100u, 0x312Fu, 0x3190u, 0x4DFFu, 0xA000u, 0xABFFu, 0xD7B0u, 0xFFF0u})
  {
    const std::string g = utf8(c);
    const std::vector<std::string> rows = Rows("a " + g + g + g, Width("a " + g) + 1);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "a") << std::hex << c;
  }
}

// Text given with an end before its terminator is, to every call that takes an end, the text up to that end:
// measured, broken into rows, placed glyph by glyph and drawn the same, to the last bit.
TEST_F(TextTest, TextWithAnEndIsTheTextUpToThatEndToEveryCall)
{
  const std::string whole = "hello world and more words", part = "hello world";
  const char* end = whole.c_str() + part.size();
  const float row = Width("hello") + 1;
  float a[4] = {}, b[4] = {};
  EXPECT_EQ(vxMeasureText(ctx, 10, 20, whole.c_str(), end, a), vxMeasureText(ctx, 10, 20, part.c_str(), nullptr, b));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i], b[i]) << "measured text " << i;
  vxMeasureTextBox(ctx, 10, 20, row, whole.c_str(), end, a);
  vxMeasureTextBox(ctx, 10, 20, row, part.c_str(), nullptr, b);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i], b[i]) << "measured box " << i;
  EXPECT_GT(b[3] - b[1], vxMeasureText(ctx, 0, 0, "h", nullptr, nullptr)) << "the box holds two rows";

  VXglyphPosition pa[32], pb[32];
  const int glyphs = vxTextGlyphPositions(ctx, 10, 20, whole.c_str(), end, pa, 32);
  ASSERT_EQ(glyphs, vxTextGlyphPositions(ctx, 10, 20, part.c_str(), nullptr, pb, 32));
  EXPECT_EQ(glyphs, int(part.size()));
  for (int i = 0; i < glyphs; ++i) EXPECT_EQ(pa[i].maxX, pb[i].maxX) << "glyph " << i;

  VXtextRow ra[8], rb[8];
  const int rows = vxBreakTextLines(ctx, whole.c_str(), end, row, ra, 8);
  ASSERT_EQ(rows, vxBreakTextLines(ctx, part.c_str(), nullptr, row, rb, 8));
  EXPECT_GE(rows, 2);
  for (int i = 0; i < rows; ++i) EXPECT_EQ(ra[i].width, rb[i].width) << "row " << i;

  auto drawn = [&](auto draw) {
    r.calls.clear();
    draw();
    std::vector<float> xy;
    for (const vxtest::RecordedCall& call : r.calls)
      for (const VXvertex& v : call.verts) xy.insert(xy.end(), {v.x, v.y, v.u, v.v});
    return xy;
  };
  EXPECT_EQ(drawn([&] { vxDrawText(ctx, 10, 20, whole.c_str(), end); }),
            drawn([&] { vxDrawText(ctx, 10, 20, part.c_str(), nullptr); }));
  EXPECT_EQ(drawn([&] { vxDrawTextBox(ctx, 10, 20, row, whole.c_str(), end); }),
            drawn([&] { vxDrawTextBox(ctx, 10, 20, row, part.c_str(), nullptr); }));
}

// Each full atlas gives way to one twice as large, widening before heightening and never past 2048 texels a side:
// 512 x 512, 1024 x 512, 1024 x 1024 and 2048 x 1024. A glyph that fills the last of them is dropped, and no
// further atlas is made in that frame; later frames grow the one kept to 2048 x 2048 and no further.
TEST_F(TextTest, AtlasesDoubleInTurnAcrossAndDownUpToTheLargest)
{
  vxSetFontSize(ctx, 300);
  const char* glyphs = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (const char* g = glyphs; *g && ctx->fontImageIdx < kVxMaxFontImages - 1; ++g) vxDrawText(ctx, 0, 300, g, g + 1);
  ASSERT_EQ(ctx->fontImageIdx, kVxMaxFontImages - 1);
  const std::pair<int, int> sizes[] = {{512, 512}, {1024, 512}, {1024, 1024}, {2048, 1024}};
  for (int i = 0; i < kVxMaxFontImages; ++i) EXPECT_EQ(r.textures[ctx->fontImages[i]], sizes[i]) << "atlas " << i;
  // Glyphs far larger than the last atlas: none is drawn and the atlases stay as they are.
  vxSetFontSize(ctx, 2000);
  r.calls.clear();
  vxDrawText(ctx, 0, 300, "ABCDEFGH", nullptr); // capitals taller than 1024 texels
  size_t drawn = 0;
  for (const vxtest::RecordedCall& call : r.calls) drawn += call.verts.size();
  EXPECT_EQ(drawn, 0u);
  EXPECT_EQ(r.textures.size(), size_t(kVxMaxFontImages));
  EXPECT_EQ(ctx->fontImageIdx, kVxMaxFontImages - 1);
  for (int i = 0; i < kVxMaxFontImages; ++i) EXPECT_EQ(r.textures[ctx->fontImages[i]], sizes[i]) << "atlas " << i;
  // In the frames after, the atlas kept grows on: to 2048 x 2048, and then to another of that size.
  for (int frame = 1; frame <= 2; ++frame)
  {
    vxEndFrame(ctx);
    vxBeginFrame(ctx, 800, 600, 1.0f);
    for (float size = 300.f; ctx->fontImageIdx < 1 && size < 3000.f; size += 10.f)
    {
      vxSetFontSize(ctx, size);
      vxDrawText(ctx, 0, 300, "ABCDEFGH", nullptr);
    }
    ASSERT_EQ(ctx->fontImageIdx, 1) << "frame " << frame;
    EXPECT_EQ(r.textures[ctx->fontImages[1]], std::make_pair(2048, 2048)) << "frame " << frame;
  }
}

// Tabs, vertical tabs, form feeds, spaces and no-break spaces part words: a row too narrow for two words ends at
// the first and the second starts the next, without the space. Other control characters are part of a word.
TEST_F(TextTest, EachKindOfSpacePartsWordsAndOtherControlCharactersDoNot)
{
  const float row = Width("ab") + 1;
  for (const char* space : {"\t", "\v", "\f", " ", "\xC2\xA0"})
    EXPECT_EQ(Rows(std::string("ab") + space + "cd", row), (std::vector<std::string>{"ab", "cd"}))
      << goldentext::Hex(space);
  for (const char* other : {"\x08", "\x0E", "\xC2\xA1"})
    EXPECT_NE(Rows(std::string("ab") + other + "cd", row), (std::vector<std::string>{"ab", "cd"}))
      << goldentext::Hex(other);
}

// The smallest text drawn is two tenths of a pixel in the atlas, whether set so or reached by the transform;
// smaller text draws nothing.
TEST_F(TextTest, TextOfTwoTenthsOfAPixelIsTheSmallestDrawn)
{
  struct Case
  {
    float size, scale;
    size_t verts;
  } cases[] = {{0.2f, 1, 12}, {0.1f, 2, 12}, {0.3f, 1, 12}, {0.19f, 1, 0}, {0.1f, 1, 0}, {0.1f, 1.5f, 0}};
  for (const Case& k : cases)
  {
    vxSaveState(ctx);
    vxSetFontSize(ctx, k.size);
    vxScale(ctx, k.scale, k.scale);
    r.calls.clear();
    vxDrawText(ctx, 10, 30, "ab", nullptr);
    size_t drawn = 0;
    for (const vxtest::RecordedCall& call : r.calls) drawn += call.verts.size();
    EXPECT_EQ(drawn, k.verts) << "size " << k.size << " scale " << k.scale;
    vxRestoreState(ctx);
  }
}

// Under a transform that enlarges text more than four times, glyphs are rasterised four times larger and stretched
// the rest of the way: as many texels as at four times, spanning more pixels.
TEST_F(TextTest, GlyphsAreRasterisedAtMostFourTimesLarger)
{
  auto glyph = [&](float scale) {
    vxSaveState(ctx);
    vxScale(ctx, scale, scale);
    r.calls.clear();
    vxDrawText(ctx, 2, 12, "H", nullptr);
    vxRestoreState(ctx);
    const vxtest::RecordedCall* t = r.Last("triangles");
    EXPECT_NE(t, nullptr);
    float lo[2] = {1e9f, 1e9f}, hi[2] = {-1e9f, -1e9f};
    for (const VXvertex& v : t->verts)
    {
      lo[0] = std::min(lo[0], v.x), hi[0] = std::max(hi[0], v.x);
      lo[1] = std::min(lo[1], v.u), hi[1] = std::max(hi[1], v.u);
    }
    const float atlasWidth = float(r.textures[ctx->fontImages[ctx->fontImageIdx]].first);
    return std::make_pair(hi[0] - lo[0], (hi[1] - lo[1]) * atlasWidth); // pixels, texels
  };
  const auto three = glyph(3), four = glyph(4), six = glyph(6);
  EXPECT_LT(three.second, four.second - 5);
  EXPECT_NEAR(six.second, four.second, 0.01);
  EXPECT_NEAR(four.first, four.second, 0.01);
  EXPECT_NEAR(six.first, four.first * 1.5f, 0.01);
  // Below that the scale is taken to the nearest hundredth: on a hundredth a glyph spans as many pixels as texels,
  // off it the glyph of the nearest hundredth is stretched the rest of the way.
  for (const float scale : {1.01f, 2.37f})
  {
    const auto onStep = glyph(scale);
    EXPECT_NEAR(onStep.first, onStep.second, 0.01) << scale;
  }
  const auto one = glyph(1), justAbove = glyph(1.004f), roundedUp = glyph(1.006f), up = glyph(1.01f);
  EXPECT_EQ(justAbove.second, one.second);
  EXPECT_NEAR(justAbove.first, one.first * 1.004f, 0.01);
  EXPECT_EQ(roundedUp.second, up.second);
  EXPECT_NEAR(roundedUp.first, up.first * 1.006f / 1.01f, 0.01);
}

// Text is painted from the atlas in the fill colour, its alpha times the global alpha.
TEST_F(TextTest, TextIsPaintedInTheFillColourTimesTheGlobalAlpha)
{
  vxSetFillColor(ctx, vxColorFromFloats(0.25f, 0.5f, 0.75f, 0.8f));
  vxSetGlobalAlpha(ctx, 0.5f);
  vxDrawText(ctx, 10, 30, "ab", nullptr);
  const VXpaint& paint = r.Last("triangles")->paint;
  EXPECT_EQ(paint.image, ctx->fontImages[ctx->fontImageIdx]);
  for (const VXcolor& c : {paint.innerColor, paint.outerColor})
  {
    EXPECT_FLOAT_EQ(c.r, 0.25f);
    EXPECT_FLOAT_EQ(c.g, 0.5f);
    EXPECT_FLOAT_EQ(c.b, 0.75f);
    EXPECT_FLOAT_EQ(c.a, 0.4f);
  }
}

// At the end of a frame the newest atlas becomes the first; the older ones as large as it stay, in their order
// after it, and the smaller ones are released.
TEST_F(TextTest, TheFrameEndKeepsTheNewestAtlasFirstAndOthersAsLargeAfterIt)
{
  vxEndFrame(ctx);
  const int large = vxCreateImageFromPixels(ctx, 2048, 2048, 0, nullptr);
  const int small = vxCreateImageFromPixels(ctx, 1024, 2048, 0, nullptr);
  const int alsoLarge = vxCreateImageFromPixels(ctx, 2048, 2048, 0, nullptr);
  const int newest = vxCreateImageFromPixels(ctx, 2048, 2048, 0, nullptr);
  const int atlases[kVxMaxFontImages] = {large, small, alsoLarge, newest};
  std::copy(atlases, atlases + kVxMaxFontImages, ctx->fontImages);
  ctx->fontImageIdx = 3;
  vxEndFrame(ctx);
  EXPECT_EQ(ctx->fontImageIdx, 0);
  const int kept[kVxMaxFontImages] = {newest, alsoLarge, large, 0};
  for (int i = 0; i < kVxMaxFontImages; ++i) EXPECT_EQ(ctx->fontImages[i], kept[i]) << i;
  EXPECT_EQ(r.textures.count(small), 0u);
  for (const int image : {large, alsoLarge, newest}) EXPECT_EQ(r.textures.count(image), 1u) << image;

  // One as wide but less tall is released too.
  const int shorter = vxCreateImageFromPixels(ctx, 2048, 1024, 0, nullptr);
  const int newer = vxCreateImageFromPixels(ctx, 2048, 2048, 0, nullptr);
  const int next[kVxMaxFontImages] = {shorter, newer, 0, 0};
  std::copy(next, next + kVxMaxFontImages, ctx->fontImages);
  ctx->fontImageIdx = 1;
  vxEndFrame(ctx);
  const int keptNext[kVxMaxFontImages] = {newer, 0, 0, 0};
  for (int i = 0; i < kVxMaxFontImages; ++i) EXPECT_EQ(ctx->fontImages[i], keptNext[i]) << i;
  EXPECT_EQ(r.textures.count(shorter), 0u);
}

} // namespace
