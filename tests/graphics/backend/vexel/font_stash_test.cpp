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

TEST(FontStashAtlas, FirstGlyphLandsRightOfTheWhiteRectangle)
{
  Stash s;
  ASSERT_EQ(s.fs->atlas->nnodes, 2);
  EXPECT_EQ(s.fs->atlas->nodes[0].x, 0);
  EXPECT_EQ(s.fs->atlas->nodes[0].y, 2);
  EXPECT_EQ(s.fs->atlas->nodes[0].width, 2);
  EXPECT_EQ(s.fs->atlas->nodes[1].x, 2);
  EXPECT_EQ(s.fs->atlas->nodes[1].y, 0);
  EXPECT_EQ(s.fs->atlas->nodes[1].width, 510);
  EXPECT_EQ(Texel(s.fs, 0, 0), 255);
  EXPECT_EQ(Texel(s.fs, 1, 1), 255);

  int font = s.AddRoboto();
  ASSERT_GE(font, 0);
  FontStashGlyph* g =
    FontStashGetGlyph(s.fs, s.fs->fonts[font], 'A', 200, 0, kFontStashGlyphBitmapRequired);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->x0, 2);
  EXPECT_EQ(g->y0, 0);
}

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

TEST(FontStashAtlas, ExpandKeepsPixelsAndOpensTheNewColumn)
{
  Stash s(64, 64);
  int dirty[4];
  FontStashValidateTexture(s.fs, dirty);
  EXPECT_EQ(FontStashExpandAtlas(s.fs, 128, 96), 1);
  int w, h;
  FontStashGetAtlasSize(s.fs, &w, &h);
  EXPECT_EQ(w, 128);
  EXPECT_EQ(h, 96);
  EXPECT_EQ(Texel(s.fs, 1, 1), 255);
  EXPECT_EQ(s.fs->atlas->nodes[s.fs->atlas->nnodes - 1].x, 64);
  ASSERT_EQ(FontStashValidateTexture(s.fs, dirty), 1);
  EXPECT_EQ(dirty[2], 64);
  EXPECT_EQ(dirty[3], 2);
  EXPECT_EQ(FontStashExpandAtlas(s.fs, 32, 32), 1); // never shrinks
  FontStashGetAtlasSize(s.fs, &w, &h);
  EXPECT_EQ(w, 128);
}

TEST(FontStashAtlas, ResetForgetsEveryGlyph)
{
  Stash s;
  int font = s.AddRoboto();
  FontStashFont* f = s.fs->fonts[font];
  ASSERT_NE(FontStashGetGlyph(s.fs, f, 'x', 160, 0, kFontStashGlyphBitmapRequired), nullptr);
  EXPECT_EQ(f->nglyphs, 1);
  ASSERT_EQ(FontStashResetAtlas(s.fs, 1024, 512), 1);
  EXPECT_EQ(f->nglyphs, 0);
  int w, h;
  FontStashGetAtlasSize(s.fs, &w, &h);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 512);
  EXPECT_EQ(Texel(s.fs, 0, 0), 255); // the white rectangle again
}

TEST(FontStashFonts, NamesAreCutTo63Characters)
{
  Stash s;
  std::string name(70, 'n');
  int font = FontStashAddFont(s.fs, name.c_str(), kRobotoPath, 0);
  ASSERT_GE(font, 0);
  EXPECT_EQ(std::string(s.fs->fonts[font]->name), std::string(63, 'n'));
  EXPECT_EQ(FontStashGetFontByName(s.fs, std::string(63, 'n').c_str()), font);
  EXPECT_EQ(FontStashGetFontByName(s.fs, "other"), -1);
  EXPECT_EQ(FontStashGetFontByName(s.fs, nullptr), -1);
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

TEST(FontStashFonts, FallbacksAreLimitedToTwenty)
{
  Stash s;
  int base = s.AddRoboto();
  for (int i = 0; i < kFontStashMaxFallbacks; ++i) EXPECT_EQ(FontStashAddFallbackFont(s.fs, base, base), 1);
  EXPECT_EQ(FontStashAddFallbackFont(s.fs, base, base), 0);
  EXPECT_EQ(FontStashAddFallbackFont(s.fs, base, 7), 0);
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

TEST(FontStashGlyphs, SizesBelowATenthOfTwoPixelsGiveNoGlyph)
{
  Stash s;
  int font = s.AddRoboto();
  EXPECT_EQ(FontStashGetGlyph(s.fs, s.fs->fonts[font], 'a', 1, 0, kFontStashGlyphBitmapRequired), nullptr);
  FontStashSetFont(s.fs, font);
  FontStashSetSize(s.fs, 0.1f);
  FontStashTextIter iter;
  FontStashQuad q;
  ASSERT_EQ(FontStashTextIterInit(s.fs, &iter, 0, 0, "a", nullptr, kFontStashGlyphBitmapRequired), 1);
  ASSERT_EQ(FontStashTextIterNext(s.fs, &iter, &q), 1);
  EXPECT_EQ(iter.prevGlyphIndex, -1);
}

TEST(FontStashGlyphs, BlurIsCappedAtTwentyWithAMarginOfTwentyTwo)
{
  Stash s(1024, 1024);
  int font = s.AddRoboto();
  FontStashFont* f = s.fs->fonts[font];
  FontStashGlyph* sharp = FontStashGetGlyph(s.fs, f, 'o', 200, 0, kFontStashGlyphBitmapRequired);
  ASSERT_NE(sharp, nullptr);
  int sharpW = sharp->x1 - sharp->x0;
  short sharpOff = sharp->xoff;
  FontStashGlyph* blurred = FontStashGetGlyph(s.fs, f, 'o', 200, 25, kFontStashGlyphBitmapRequired);
  ASSERT_NE(blurred, nullptr);
  EXPECT_EQ(blurred->blur, 20);
  EXPECT_EQ(blurred->x1 - blurred->x0, sharpW - 4 + 44);
  EXPECT_EQ(blurred->xoff, sharpOff + 2 - 22);
  // The blur spreads ink into the margin, and the outermost border stays empty.
  int marginInk = 0;
  for (int y = blurred->y0; y < blurred->y1; ++y)
  {
    EXPECT_EQ(Texel(s.fs, blurred->x0, y), 0);
    marginInk += Texel(s.fs, blurred->x0 + 15, y) > 0;
  }
  EXPECT_GT(marginInk, 0);
  EXPECT_EQ(FontStashGetGlyph(s.fs, f, 'o', 200, 20, kFontStashGlyphBitmapRequired), blurred);
}

TEST(FontStashGlyphs, CompletingAMeasuredGlyphReusesItsEntry)
{
  Stash s;
  int font = s.AddRoboto();
  FontStashFont* f = s.fs->fonts[font];
  FontStashGlyph* measured = FontStashGetGlyph(s.fs, f, 'Q', 180, 0, kFontStashGlyphBitmapOptional);
  ASSERT_NE(measured, nullptr);
  EXPECT_EQ(measured->x0, -1);
  FontStashGlyph* drawn = FontStashGetGlyph(s.fs, f, 'Q', 180, 0, kFontStashGlyphBitmapRequired);
  ASSERT_NE(drawn, nullptr);
  EXPECT_GE(drawn->x0, 0);
  EXPECT_EQ(f->nglyphs, 1);
  EXPECT_EQ(FontStashGetGlyph(s.fs, f, 'Q', 180, 0, kFontStashGlyphBitmapRequired), drawn);
  EXPECT_EQ(f->nglyphs, 1);
}

TEST(FontStashGlyphs, FractionalSizesScaleByTheirExactValue)
{
  Stash s;
  int font = s.AddRoboto();
  FontStashFont* f = s.fs->fonts[font];
  int advance, lsb;
  int index = stbtt_FindGlyphIndex(&f->font, 'M');
  stbtt_GetGlyphHMetrics(&f->font, index, &advance, &lsb);
  FontStashGlyph* g = FontStashGetGlyph(s.fs, f, 'M', 125, 0, kFontStashGlyphBitmapOptional);
  ASSERT_NE(g, nullptr);
  float scale = stbtt_ScaleForPixelHeight(&f->font, 12.5f);
  EXPECT_EQ(g->xadv, (short)(scale * advance * 10.0f));
  float wholeScale = stbtt_ScaleForPixelHeight(&f->font, 12.0f);
  EXPECT_NE(g->xadv, (short)(wholeScale * advance * 10.0f));
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

TEST(FontStashGlyphs, AScratchThatRunsOutFallsBackToTheHeap)
{
  Stash s(2048, 2048);
  int font = FontStashAddFont(s.fs, "dejavu", kDejaVuPath, 0);
  FontStashFont* f = s.fs->fonts[font];
  // A snowman 2047 pixels high needs more rasteriser memory than the scratch holds.
  FontStashGlyph* g = FontStashGetGlyph(s.fs, f, 0x2603, 20470, 0, kFontStashGlyphBitmapRequired);
  ASSERT_NE(g, nullptr);
  EXPECT_GT(s.errors.CountOf(kFontStashScratchFull), 0);
  int ink = 0;
  for (int y = g->y0; y < g->y1; y += 4)
    for (int x = g->x0; x < g->x1; x += 4) ink += Texel(s.fs, x, y) == 255;
  EXPECT_GT(ink, 1000);
}

TEST(FontStashState, StackOverflowAndUnderflowAreReported)
{
  Stash s;
  for (int i = 1; i < kFontStashMaxStates; ++i) FontStashPushState(s.fs);
  EXPECT_EQ(s.fs->nstates, 20);
  FontStashPushState(s.fs);
  EXPECT_EQ(s.fs->nstates, 20);
  EXPECT_EQ(s.errors.CountOf(kFontStashStatesOverflow), 1);
  for (int i = 0; i < 25; ++i) FontStashPopState(s.fs);
  EXPECT_EQ(s.fs->nstates, 1);
  EXPECT_EQ(s.errors.CountOf(kFontStashStatesUnderflow), 6);
  FontStashState* st = &s.fs->states[0];
  EXPECT_EQ(st->align, kFontStashAlignLeft | kFontStashAlignBaseline);
  EXPECT_EQ(st->size, 12.0f);
  EXPECT_EQ(st->color, 0xffffffffu);
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

TEST(FontStashText, QuadsAreWholePixelsInsetByOneTexel)
{
  Stash s;
  FontStashSetFont(s.fs, s.AddRoboto());
  FontStashSetSize(s.fs, 20.0f);
  FontStashTextIter iter;
  FontStashQuad q;
  FontStashTextIterInit(s.fs, &iter, 10.3f, 50.7f, "H", nullptr, kFontStashGlyphBitmapRequired);
  FontStashTextIterNext(s.fs, &iter, &q);
  ASSERT_NE(iter.prevGlyphIndex, -1);
  FontStashGlyph* g = &s.fs->fonts[0]->glyphs[0];
  EXPECT_EQ(q.x0, (float)(int)(10.3f + g->xoff + 1));
  EXPECT_EQ(q.y0, (float)(int)(50.7f + g->yoff + 1));
  EXPECT_EQ(q.x1 - q.x0, (float)(g->x1 - g->x0 - 2));
  EXPECT_FLOAT_EQ(q.s0, (g->x0 + 1) / 512.0f);
  EXPECT_FLOAT_EQ(q.t1, (g->y1 - 1) / 512.0f);
  EXPECT_EQ(iter.nextx, 10.3f + (int)(g->xadv / 10.0f + 0.5f));
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

TEST(FontStashText, DirectDrawingBatchesSixVerticesPerGlyph)
{
  struct Sink
  {
    int draws = 0, verts = 0, updates = 0;
  } sink;
  FontStashParams p;
  p.width = 256;
  p.height = 256;
  p.flags = kFontStashZeroTopLeft;
  p.userPtr = &sink;
  p.renderUpdate = [](void* u, int*, const unsigned char*) { static_cast<Sink*>(u)->updates++; };
  p.renderDraw = [](void* u, const float*, const float*, const unsigned int*, int n) {
    static_cast<Sink*>(u)->draws++;
    static_cast<Sink*>(u)->verts += n;
  };
  FontStashContext* fs = FontStashCreate(&p);
  FontStashSetFont(fs, FontStashAddFont(fs, "r", kRobotoPath, 0));
  float x = FontStashDrawText(fs, 0, 20, "abc", nullptr);
  EXPECT_GT(x, 0.0f);
  EXPECT_EQ(sink.verts, 18);
  EXPECT_EQ(sink.draws, 1);
  EXPECT_EQ(sink.updates, 1);
  FontStashDrawDebug(fs, 0, 0);
  EXPECT_GT(sink.draws, 1);
  FontStashDelete(fs);
}

} // namespace
