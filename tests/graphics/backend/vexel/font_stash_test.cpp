// The font stash: atlas packing, glyph cache, rasterisation, blur, UTF-8 iteration, quads and its bad inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "font_stash.h"
#include "recording_renderer.h"

namespace {

using vxtest::kDejaVuPath;
using vxtest::kRobotoPath;

struct Errors
{
  std::vector<std::pair<int, int>> seen;
  static void Handle(void* uptr, int error, int val) { static_cast<Errors*>(uptr)->seen.push_back({error, val}); }
  int CountOf(int error) const
  {
    int n = 0;
    for (auto& e : seen) n += e.first == error;
    return n;
  }
};

struct Stash
{
  explicit Stash(int w = 512, int h = 512)
  {
    FontStashParams p;
    p.width = w;
    p.height = h;
    p.flags = kFontStashZeroTopLeft;
    fs = FontStashCreate(&p);
    FontStashSetErrorCallback(fs, Errors::Handle, &errors);
  }
  ~Stash() { FontStashDelete(fs); }
  int AddRoboto() { return FontStashAddFont(fs, "roboto", kRobotoPath, 0); }
  FontStashContext* fs;
  Errors errors;
};

unsigned char Texel(FontStashContext* fs, int x, int y) { return fs->texData[x + y * fs->params.width]; }

TEST(FontStashAtlas, RandomRectanglesNeverOverlapAndStayInBounds)
{
  std::mt19937 rng(7);
  for (int round = 0; round < 4; ++round)
  {
    const int W = 256, H = 256;
    FontStashAtlasNode nodes[1] = {{0, 0, (short)W}};
    FontStashAtlas atlas{W, H, (FontStashAtlasNode*)malloc(sizeof(nodes)), 1, 1};
    atlas.nodes[0] = nodes[0];
    std::vector<unsigned char> used(W * H, 0);
    std::uniform_int_distribution<int> size(1, 40);
    int placed = 0;
    for (int i = 0; i < 400; ++i)
    {
      int w = size(rng), h = size(rng), x = -1, y = -1;
      if (!FontStashAtlasAddRect(&atlas, w, h, &x, &y)) continue;
      ++placed;
      ASSERT_GE(x, 0);
      ASSERT_GE(y, 0);
      ASSERT_LE(x + w, W);
      ASSERT_LE(y + h, H);
      for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx)
        {
          ASSERT_EQ(used[yy * W + xx], 0) << "overlap at " << xx << "," << yy;
          used[yy * W + xx] = 1;
        }
      // The skyline stays ordered, contiguous and covering the width.
      int covered = 0;
      for (int n = 0; n < atlas.nnodes; ++n)
      {
        ASSERT_EQ(atlas.nodes[n].x, covered);
        ASSERT_GT(atlas.nodes[n].width, 0);
        covered += atlas.nodes[n].width;
      }
      ASSERT_EQ(covered, W);
    }
    EXPECT_GT(placed, 50);
    free(atlas.nodes);
  }
}

TEST(FontStashAtlas, ARectangleAsLargeAsTheAtlasFits)
{
  FontStashAtlas atlas{64, 32, (FontStashAtlasNode*)malloc(sizeof(FontStashAtlasNode)), 1, 1};
  atlas.nodes[0] = {0, 0, 64};
  int x = -1, y = -1;
  EXPECT_EQ(FontStashAtlasAddRect(&atlas, 64, 32, &x, &y), 1);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(FontStashAtlasAddRect(&atlas, 1, 1, &x, &y), 0);
  free(atlas.nodes);
}

TEST(FontStashFonts, UnreadableFontsGiveMinusOne)
{
  Stash s;
  EXPECT_EQ(FontStashAddFont(s.fs, "x", "/nonexistent/font.ttf", 0), -1);
  unsigned char junk[64];
  memset(junk, 0xAB, sizeof(junk));
  EXPECT_EQ(FontStashAddFontMem(s.fs, "junk", junk, sizeof(junk), 0, 0), -1);
  // A table directory that points past the end of the bytes is refused before the font is read.
  unsigned char header[28] = {0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 'c', 'm', 'a', 'p', 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0};
  EXPECT_EQ(FontStashAddFontMem(s.fs, "short", header, sizeof(header), 0, 0), -1);
  unsigned char tiny[2] = {0, 1};
  EXPECT_EQ(FontStashAddFontMem(s.fs, "tiny", tiny, sizeof(tiny), 0, 0), -1);
  unsigned char collection[16] = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 9, 0, 0, 0, 12};
  EXPECT_EQ(FontStashAddFontMem(s.fs, "ttc", collection, sizeof(collection), 3, 0), -1);
  EXPECT_EQ(FontStashAddFontMem(s.fs, "ttc", collection, sizeof(collection), 0, 0), -1);
  // Bytes handed over with the free flag are freed on failure too (the leak checker watches).
  unsigned char* owned = (unsigned char*)malloc(8);
  memset(owned, 0, 8);
  EXPECT_EQ(FontStashAddFontMem(s.fs, "owned", owned, 8, 0, 1), -1);
  EXPECT_EQ(s.fs->nfonts, 0);
}

TEST(FontStashGlyphs, ACodePointMissingFromTheFontComesFromItsSecondFallback)
{
  Stash s;
  int roboto = s.AddRoboto();
  int roboto2 = FontStashAddFont(s.fs, "roboto2", kRobotoPath, 0);
  int dejavu = FontStashAddFont(s.fs, "dejavu", kDejaVuPath, 0);
  ASSERT_GE(dejavu, 0);
  const unsigned int alef = 0x05D0; // Hebrew: not in Roboto, in DejaVu Sans
  ASSERT_EQ(stbtt_FindGlyphIndex(&s.fs->fonts[roboto]->font, (int)alef), 0);
  int dejavuIndex = stbtt_FindGlyphIndex(&s.fs->fonts[dejavu]->font, (int)alef);
  ASSERT_NE(dejavuIndex, 0);

  FontStashAddFallbackFont(s.fs, roboto, roboto2);
  FontStashAddFallbackFont(s.fs, roboto, dejavu);
  FontStashGlyph* g = FontStashGetGlyph(s.fs, s.fs->fonts[roboto], alef, 300, 0, kFontStashGlyphBitmapRequired);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->index, dejavuIndex);
  int ink = 0;
  for (int y = g->y0; y < g->y1; ++y)
    for (int x = g->x0; x < g->x1; ++x) ink += Texel(s.fs, x, y) > 0;
  EXPECT_GT(ink, 20);

  // Without fallbacks the font's missing glyph stands in.
  FontStashGlyph* missing =
    FontStashGetGlyph(s.fs, s.fs->fonts[roboto2], alef, 300, 0, kFontStashGlyphBitmapRequired);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->index, 0);
}

TEST(FontStashGlyphs, HugeSizesAndBlursNeverWrap)
{
  Stash s;
  int font = s.AddRoboto();
  FontStashSetFont(s.fs, font);
  const float sizes[] = {3276.0f, 5000.0f, 1e9f, INFINITY, NAN, -40.0f};
  for (float size : sizes)
  {
    FontStashSetSize(s.fs, size);
    FontStashSetBlur(s.fs, 1e9f);
    FontStashTextIter iter;
    FontStashQuad q;
    ASSERT_EQ(FontStashTextIterInit(s.fs, &iter, 0, 0, "Wj", nullptr, kFontStashGlyphBitmapOptional), 1);
    EXPECT_GE(iter.isize, 0) << size;
    EXPECT_LE(iter.iblur, kFontStashMaxBlur);
    while (FontStashTextIterNext(s.fs, &iter, &q))
    {
    }
    float bounds[4];
    float advance = FontStashTextBounds(s.fs, 0, 0, "Wj", nullptr, bounds);
    EXPECT_GE(advance, 0.0f) << size;
    EXPECT_TRUE(std::isfinite(advance));
    // Drawn too: the glyph cannot fit the atlas and is dropped.
    FontStashDrawText(s.fs, 0, 0, "W", nullptr);
  }
  for (int i = 0; i < s.fs->fonts[font]->nglyphs; ++i) EXPECT_GE(s.fs->fonts[font]->glyphs[i].size, 0);
}

TEST(FontStashText, Utf8DecodesEveryLengthAndRejectsInvalidBytes)
{
  struct Case
  {
    const char* bytes;
    unsigned int codepoint;
  } cases[] = {{"A", 'A'}, {"\xC3\xA9", 0xE9}, {"\xE2\x82\xAC", 0x20AC}, {"\xF0\x9F\x98\x80", 0x1F600}};
  for (const Case& c : cases)
  {
    unsigned int state = 0, cp = 0;
    for (const char* p = c.bytes; *p; ++p) FontStashDecodeUtf8(&state, &cp, (unsigned char)*p);
    EXPECT_EQ(state, 0u);
    EXPECT_EQ(cp, c.codepoint);
  }
  const char* invalid[] = {"\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"};
  for (const char* bad : invalid)
  {
    unsigned int state = 0, cp = 0;
    for (const char* p = bad; *p && state != 12; ++p) FontStashDecodeUtf8(&state, &cp, (unsigned char)*p);
    EXPECT_EQ(state, 12u) << bad;
  }
}

TEST(FontStashText, ATruncatedSequenceEndsTheIterationWithoutAGlyph)
{
  Stash s;
  FontStashSetFont(s.fs, s.AddRoboto());
  const char text[] = "A\xE2\x82";
  FontStashTextIter iter;
  FontStashQuad q;
  ASSERT_EQ(FontStashTextIterInit(s.fs, &iter, 0, 0, text, text + 3, kFontStashGlyphBitmapRequired), 1);
  ASSERT_EQ(FontStashTextIterNext(s.fs, &iter, &q), 1);
  EXPECT_EQ(iter.codepoint, (unsigned)'A');
  float afterA = iter.nextx;
  ASSERT_EQ(FontStashTextIterNext(s.fs, &iter, &q), 1);
  EXPECT_EQ(iter.next, text + 3);
  EXPECT_NE(iter.utf8state, 0u);
  EXPECT_EQ(iter.nextx, afterA);
  EXPECT_EQ(FontStashTextIterNext(s.fs, &iter, &q), 0);
}

TEST(FontStashText, BoundsAdvanceMatchesTheIteratorsPen)
{
  Stash s;
  FontStashSetFont(s.fs, s.AddRoboto());
  FontStashSetSize(s.fs, 17.0f);
  const char* text = "Hello, AVAWAY world";
  for (int align : {kFontStashAlignLeft, kFontStashAlignCenter, kFontStashAlignRight})
  {
    FontStashSetAlign(s.fs, align | kFontStashAlignBaseline);
    float bounds[4];
    float advance = FontStashTextBounds(s.fs, 100, 40, text, nullptr, bounds);
    FontStashTextIter iter;
    FontStashQuad q;
    FontStashTextIterInit(s.fs, &iter, 100, 40, text, nullptr, kFontStashGlyphBitmapOptional);
    float start = iter.x;
    while (FontStashTextIterNext(s.fs, &iter, &q))
    {
    }
    EXPECT_FLOAT_EQ(iter.nextx - start, advance);
    EXPECT_FLOAT_EQ(bounds[0] < start ? bounds[0] : start, bounds[0]);
    EXPECT_LT(bounds[1], 40.0f);
  }
}

} // namespace
