// Vexel text: fonts and fallbacks, drawing runs as glyph quads, the growing atlas, measuring, line breaking,
// and bad input.
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

TEST_F(TextTest, TheMeasuredAdvanceEqualsTheDrawnPenAdvance)
{
  const char* texts[] = {"Hello, World", "AVATAR Toyota WAVE", "fi fl ffi", "Drovik 1.0.1 -12.5 dB", "iiiiimmmm"};
  for (float ratio : {1.0f, 2.0f})
    for (float size : {9.0f, 14.0f, 20.5f, 48.0f})
      for (const char* text : texts)
      {
        vxBeginFrame(ctx, 800, 600, ratio);
        vxSetFontFaceById(ctx, roboto);
        vxSetFontSize(ctx, size);
        vxSetLetterSpacing(ctx, size > 40 ? 1.5f : 0.0f);
        float measured = vxMeasureText(ctx, 0, 0, text, nullptr, nullptr);
        float drawn = vxDrawText(ctx, 0, 0, text, nullptr);
        EXPECT_FLOAT_EQ(measured, drawn) << text << " at " << size << " ratio " << ratio;
        EXPECT_GT(measured, 0.0f);
      }
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

TEST_F(TextTest, AGlyphMissingFromTheFontComesFromItsFallback)
{
  int dejavu = vxAddFontFile(ctx, "DejaVu", kDejaVuPath);
  ASSERT_EQ(dejavu, 1);
  EXPECT_EQ(vxAddFallbackFont(ctx, "Roboto-Regular", "missing"), 0);
  EXPECT_EQ(vxAddFallbackFontById(ctx, -1, dejavu), 0);
  ASSERT_EQ(vxAddFallbackFont(ctx, "Roboto-Regular", "DejaVu"), 1);
  vxDrawText(ctx, 0, 40, "\xD7\x90", nullptr); // Hebrew alef
  const RecordedCall* call = r.Last("triangles");
  ASSERT_EQ(call->verts.size(), 6u);
  FontStashFont* font = ctx->fs->fonts[roboto];
  ASSERT_EQ(font->nglyphs, 1);
  EXPECT_EQ(font->glyphs[0].index, stbtt_FindGlyphIndex(&ctx->fs->fonts[dejavu]->font, 0x05D0));
  // The glyph's texels reached the atlas image.
  const auto& tex = r.textures.at(ctx->fontImages[0]);
  const FontStashGlyph& g = font->glyphs[0];
  int ink = 0;
  for (int y = g.y0; y < g.y1; ++y)
    for (int x = g.x0; x < g.x1; ++x) ink += tex.pixels[y * tex.width + x] > 128;
  EXPECT_GT(ink, 20);
}

TEST_F(TextTest, TheAtlasGrowsThreeTimesThenRefuses)
{
  auto size = [&](int slot) {
    const auto& t = r.textures.at(ctx->fontImages[slot]);
    return std::make_pair(t.width, t.height);
  };
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  int created = (int)r.textures.size();
  for (int round = 0; round < 30 && r.textures.size() < 4u + 1; ++round)
  {
    vxSetFontSize(ctx, 150.0f + round);
    vxDrawText(ctx, 0, 200, alphabet, nullptr);
  }
  ASSERT_EQ(ctx->fontImageIdx, 3);
  EXPECT_EQ(size(0), std::make_pair(512, 512));
  EXPECT_EQ(size(1), std::make_pair(1024, 512));
  EXPECT_EQ(size(2), std::make_pair(1024, 1024));
  EXPECT_EQ(size(3), std::make_pair(2048, 1024));
  EXPECT_EQ((int)r.textures.size(), created + 3);
  // A fifth atlas is refused: the rest of the run is dropped and no texture is made.
  size_t before = r.Count("triangles");
  vxSetFontSize(ctx, 400);
  vxDrawText(ctx, 0, 200, alphabet, nullptr);
  EXPECT_GT(r.Count("triangles"), before);
  EXPECT_EQ((int)r.textures.size(), created + 3);
  EXPECT_EQ(ctx->fontImageIdx, 3);
  int w, h;
  FontStashGetAtlasSize(ctx->fs, &w, &h);
  EXPECT_EQ(w, 2048);
  EXPECT_EQ(h, 1024);

  // The frame end keeps only the newest atlas, as image 0; the next growth starts from it.
  int newest = ctx->fontImages[3];
  vxEndFrame(ctx);
  EXPECT_EQ(ctx->fontImages[0], newest);
  EXPECT_EQ(r.textures.size(), 1u);
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
