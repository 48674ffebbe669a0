// Vexel text: no font, drawing runs as glyph quads, line breaking, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "recording_renderer.h"

namespace {

using vxtest::AllFinite;
using vxtest::Context;
using vxtest::kDejaVuPath;
using vxtest::kRobotoPath;
using vxtest::RecordedCall;
using vxtest::Recorder;

struct TextTest : ::testing::Test
{
  Recorder r;
  Context c{r};
  VXcontext* ctx = c.ctx;
  int roboto = -1;
  void SetUp() override
  {
    roboto = vxAddFontFile(ctx, "Roboto-Regular", kRobotoPath);
    ASSERT_EQ(roboto, 0);
    vxBeginFrame(ctx, 800, 600, 1.0f);
    vxSetFontFaceByName(ctx, "Roboto-Regular");
    vxSetFontSize(ctx, 20);
  }
  std::vector<std::string> Rows(const char* text, float width)
  {
    VXtextRow rows[16];
    int n = vxBreakTextLines(ctx, text, nullptr, width, rows, 16);
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.emplace_back(rows[i].start, rows[i].end);
    return out;
  }
  float Width(const char* text) { return vxMeasureText(ctx, 0, 0, text, nullptr, nullptr); }
};

TEST_F(TextTest, WithoutAFontNothingIsDrawnOrMeasured)
{
  vxSetFontFaceByName(ctx, "no such font");
  EXPECT_EQ(vxGetState(ctx)->fontId, -1);
  EXPECT_EQ(vxDrawText(ctx, 12, 34, "abc", nullptr), 12.0f);
  EXPECT_EQ(r.calls.size(), 0u);
  float bounds[4] = {7, 7, 7, 7};
  EXPECT_EQ(vxMeasureText(ctx, 0, 0, "abc", nullptr, bounds), 0.0f);
  EXPECT_EQ(bounds[0], 7.0f);
  float asc = 5;
  vxTextMetrics(ctx, &asc, nullptr, nullptr);
  EXPECT_EQ(asc, 5.0f);
  vxMeasureTextBox(ctx, 3, 4, 100, "abc", nullptr, bounds);
  EXPECT_EQ(bounds[0], 0.0f);
  EXPECT_EQ(bounds[3], 0.0f);
  VXtextRow rows[2];
  EXPECT_EQ(vxBreakTextLines(ctx, "abc", nullptr, 100, rows, 2), 0);
  VXglyphPosition pos[4];
  EXPECT_EQ(vxTextGlyphPositions(ctx, 0, 0, "abc", nullptr, pos, 4), 0);
  vxDrawTextBox(ctx, 0, 0, 100, "abc", nullptr);
  EXPECT_EQ(r.calls.size(), 0u);
  EXPECT_EQ(vxFindFont(ctx, nullptr), -1);
}

TEST_F(TextTest, ARunIsOneTrianglesCallOfSixVerticesPerGlyph)
{
  vxSetFillColor(ctx, vxColorFromFloats(1, 0.5f, 0, 0.8f));
  vxSetGlobalAlpha(ctx, 0.5f);
  float end = vxDrawText(ctx, 10, 50, "Hi!", nullptr);
  ASSERT_EQ(r.Count("triangles"), 1u);
  const RecordedCall* call = r.Last("triangles");
  EXPECT_EQ(call->verts.size(), 18u);
  EXPECT_EQ(call->paint.image, ctx->fontImages[0]);
  EXPECT_FLOAT_EQ(call->paint.innerColor.a, 0.4f);
  EXPECT_GT(end, 10.0f);
  EXPECT_EQ(ctx->textTriCount, 6);
  // Two triangles per quad: corners 0, 2, 1 then 0, 3, 2 of the glyph rectangle.
  const auto& v = call->verts;
  EXPECT_EQ(v[0].x, v[3].x);
  EXPECT_EQ(v[1].x, v[5].x);
  EXPECT_EQ(v[2].y, v[0].y);
  EXPECT_EQ(v[4].x, v[0].x);
  EXPECT_LT(v[0].u, v[1].u);
  // The glyphs were uploaded into the atlas image.
  EXPECT_GT(r.textures.at(ctx->fontImages[0]).updates, 0);

  // An empty run still makes one call, with no vertices.
  vxDrawText(ctx, 0, 0, "", nullptr);
  EXPECT_EQ(r.Count("triangles"), 2u);
  EXPECT_TRUE(r.Last("triangles")->verts.empty());
}

TEST_F(TextTest, LineBreakingAtSpacesNewlinesAndCjk)
{
  float wider = std::max(Width("hello"), Width("world")), both = Width("hello world");
  EXPECT_EQ(Rows("hello world", both * 0.8f), (std::vector<std::string>{"hello", "world"}));
  EXPECT_EQ(Rows("hello world", both + 1), (std::vector<std::string>{"hello world"}));
  EXPECT_EQ(Rows("  hello   world  ", wider + 2), (std::vector<std::string>{"hello", "world"}));

  // A word longer than the row breaks inside it.
  std::vector<std::string> parts = Rows("abcdefghijklmnop", Width("abcdefgh") + 0.5f);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0], "abcdefgh");
  EXPECT_EQ(parts[1], "ijklmnop");

  EXPECT_EQ(Rows("one\r\ntwo", 1000), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(Rows("one\n\rtwo", 1000), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(Rows("one\n\ntwo", 1000), (std::vector<std::string>{"one", "", "two"}));
  EXPECT_EQ(Rows("a\xC2\x85" "b", 1000), (std::vector<std::string>{"a", "b"}));

  // CJK text may break between any two characters.
  const char* cjk = "\xE6\xBC\xA2\xE5\xAD\x97\xE6\xBC\xA2\xE5\xAD\x97";
  float one = Width("\xE6\xBC\xA2");
  std::vector<std::string> cjkRows = Rows(cjk, one * 2.5f);
  ASSERT_EQ(cjkRows.size(), 2u);
  EXPECT_EQ(cjkRows[0], "\xE6\xBC\xA2\xE5\xAD\x97");
}

TEST_F(TextTest, BadTextAndSizesAreSurvived)
{
  struct Case
  {
    const char* name;
    std::string text;
    float size, blur, spacing;
  } cases[] = {
    {"truncated", "abc\xE2\x82", 20, 0, 0},
    {"lone lead", "\xF0", 20, 0, 0},
    {"invalid", "a\xFF" "b\xC0\xAF" "c\xED\xA0\x80" "d", 20, 0, 0},
    {"huge size", "Wg", 1e9f, 0, 0},
    {"nan size", "Wg", NAN, 0, 0},
    {"negative size", "Wg", -30, 0, 0},
    {"tiny size", "Wg", 0.01f, 0, 0},
    {"huge blur", "Wg", 30, 1e9f, 0},
    {"nan blur", "Wg", 30, NAN, NAN},
    {"huge spacing", "Wg", 30, 0, 1e30f},
  };
  for (const Case& k : cases)
  {
    r.calls.clear();
    vxSetFontSize(ctx, k.size);
    vxSetFontBlur(ctx, k.blur);
    vxSetLetterSpacing(ctx, k.spacing);
    const char* s = k.text.c_str();
    const char* e = s + k.text.size();
    vxDrawText(ctx, 10, 10, s, e);
    float bounds[4];
    vxMeasureText(ctx, 0, 0, s, e, bounds);
    vxDrawTextBox(ctx, 0, 0, 50, s, e);
    vxMeasureTextBox(ctx, 0, 0, 50, s, e, bounds);
    VXglyphPosition pos[16];
    int n = vxTextGlyphPositions(ctx, 0, 0, s, e, pos, 16);
    for (int i = 0; i < n; ++i)
    {
      EXPECT_GE(pos[i].str, s) << k.name;
      EXPECT_LT(pos[i].str, e) << k.name;
    }
    VXtextRow rows[8];
    int nrows = vxBreakTextLines(ctx, s, e, 50, rows, 8);
    for (int i = 0; i < nrows; ++i) EXPECT_LE(rows[i].end, e) << k.name;
    for (const RecordedCall& call : r.calls) EXPECT_TRUE(AllFinite(call.verts)) << k.name;
  }
  // A transform that is no number draws no glyph.
  vxSetFontSize(ctx, 20);
  vxSetFontBlur(ctx, 0);
  vxSetLetterSpacing(ctx, 0);
  vxScale(ctx, NAN, 1);
  r.calls.clear();
  vxDrawText(ctx, 0, 0, "abc", nullptr);
  ASSERT_EQ(r.Count("triangles"), 1u);
  EXPECT_TRUE(r.Last("triangles")->verts.empty());
}

} // namespace
