// The font stash's atlas packing: rectangles never overlap, stay in bounds and rest where they end lowest; its blur
// spreads a glyph's texels every way within the glyph's own rectangle; its own drawing hands each glyph's quad and the
// atlas to its draw callback as pairs of triangles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <unistd.h>

#include "font_stash.h"
#include "golden_text.h"
#include "tiny_font.h"
#include "vexel_context.h"

namespace {

/// A stash with an atlas of w x h texels and no renderer behind it.
FontStashContext* PlainStash(int w, int h)
{
  FontStashParams params;
  params.width = w;
  params.height = h;
  return FontStashCreate(&params);
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
      for (int n = 0; n < atlas.nodeCount; ++n)
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

TEST(FontStashAtlas, EachRectangleGoesWhereItsTopIsLowest)
{
  // Each rectangle rests where its top ends lowest; of equal places, on the narrowest stretch of skyline, and of
  // equally narrow ones the leftmost.
  struct Step
  {
    int w, h, x, y;
  };
  auto place = [](int width, std::initializer_list<Step> steps) {
    FontStashAtlas atlas{width, 64, (FontStashAtlasNode*)malloc(sizeof(FontStashAtlasNode)), 1, 1};
    atlas.nodes[0] = {0, 0, short(width)};
    for (const Step& k : steps)
    {
      int x = -1, y = -1;
      ASSERT_TRUE(FontStashAtlasAddRect(&atlas, k.w, k.h, &x, &y)) << k.w << " x " << k.h;
      EXPECT_EQ(x, k.x) << k.w << " x " << k.h << " across " << width;
      EXPECT_EQ(y, k.y) << k.w << " x " << k.h << " across " << width;
    }
    free(atlas.nodes);
  };
  place(64, {{32, 32, 0, 0}, {8, 8, 32, 0}, {32, 8, 32, 8}, {16, 16, 32, 16}, {16, 8, 48, 16}, {24, 24, 0, 32}});
  place(40, {{20, 5, 0, 0}, {10, 8, 20, 0}, {10, 5, 30, 0}, {5, 1, 30, 5}});
  place(30, {{10, 5, 0, 0}, {10, 8, 10, 0}, {10, 5, 20, 0}, {10, 1, 0, 5}});
  place(3, {{1, 1, 0, 0}, {2, 1, 1, 0}, {1, 1, 0, 1}});
}
TEST(FontStashAtlas, RectanglesFillItToItsLastRowAndColumnAndNoFurther)
{
  FontStashAtlas atlas{64, 64, (FontStashAtlasNode*)malloc(sizeof(FontStashAtlasNode)), 1, 1};
  atlas.nodes[0] = {0, 0, 64};
  int x = -1, y = -1;
  // A rectangle of no width or height has no place and leaves the skyline as it was.
  for (const auto& [w, h] : {std::pair{0, 10}, {10, 0}, {-1, 10}, {10, -1}})
    EXPECT_FALSE(FontStashAtlasAddRect(&atlas, w, h, &x, &y)) << w << " x " << h;
  ASSERT_EQ(atlas.nodeCount, 1);
  EXPECT_EQ(atlas.nodes[0].y, 0);
  ASSERT_TRUE(FontStashAtlasAddRect(&atlas, 40, 40, &x, &y));
  EXPECT_TRUE(FontStashAtlasAddRect(&atlas, 24, 64, &x, &y)); // the right-hand column, top to bottom
  EXPECT_EQ(x, 40);
  EXPECT_EQ(y, 0);
  EXPECT_TRUE(FontStashAtlasAddRect(&atlas, 40, 24, &x, &y)); // the rows left under the first
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 40);
  EXPECT_FALSE(FontStashAtlasAddRect(&atlas, 1, 1, &x, &y)); // full
  free(atlas.nodes);
}

// A glyph rectangle inside a wider atlas, its border empty as the stash leaves it, blurred by the given amount.
struct BlurredRectangle
{
  static constexpr int kStride = 48, kRows = 40, kLeft = 5, kTop = 4, kSide = 31, kMid = kSide / 2;
  static constexpr unsigned char kAround = 9;
  std::vector<unsigned char> atlas = std::vector<unsigned char>(kStride * kRows, kAround);

  /// `inked(x, y)` says which texels of the rectangle start full.
  template <typename Inked> BlurredRectangle(int blur, Inked inked)
  {
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) At(x, y) = inked(x, y) ? 255 : 0;
    FontStashBlur(nullptr, &At(0, 0), kSide, kSide, kStride, blur);
  }
  unsigned char& At(int x, int y) { return atlas[(kTop + y) * kStride + kLeft + x]; }
  /// Whether the texels around the rectangle are untouched and its border is empty.
  bool KeptItsBorders()
  {
    for (int y = 0; y < kRows; ++y)
      for (int x = 0; x < kStride; ++x)
      {
        const int rx = x - kLeft, ry = y - kTop;
        const bool inside = rx > 0 && rx < kSide - 1 && ry > 0 && ry < kSide - 1;
        const bool border = !inside && rx >= 0 && rx < kSide && ry >= 0 && ry < kSide;
        if (!inside && atlas[y * kStride + x] != (border ? 0 : kAround)) return false;
      }
    return true;
  }
};

// A dot spreads alike to every side and falls off with distance, farther the larger the blur, and keeps most of its
// ink; a solid glyph fades towards each edge; a blur under one changes nothing.
TEST(FontStashBlur, InkSpreadsEveryWayWithinItsRectangleAndNoFurther)
{
  constexpr int kMid = BlurredRectangle::kMid, kSide = BlurredRectangle::kSide;
  auto dot = [](int x, int y) { return std::abs(x - kMid) <= 1 && std::abs(y - kMid) <= 1; };
  auto solid = [](int x, int y) { return x > 0 && y > 0 && x < kSide - 1 && y < kSide - 1; };
  for (int blur : {1, 2, 5})
  {
    SCOPED_TRACE(blur);
    BlurredRectangle b(blur, dot);
    EXPECT_TRUE(b.KeptItsBorders());
    long sum = 0;
    for (unsigned char v : b.atlas) sum += v;
    sum -= long(b.atlas.size() - kSide * kSide) * BlurredRectangle::kAround;
    EXPECT_GT(sum, 9 * 255 * 6 / 10);
    EXPECT_LT(sum, 9 * 255 * 11 / 10);
    EXPECT_LT(b.At(kMid, kMid), 255);
    for (int d = 1; d < kMid; ++d)
      for (int e = 0; e < kMid; ++e)
      {
        const int v = b.At(kMid + d, kMid + e);
        ASSERT_NEAR(b.At(kMid - d, kMid + e), v, 2) << d << "," << e;
        ASSERT_NEAR(b.At(kMid + d, kMid - e), v, 2) << d << "," << e;
        ASSERT_NEAR(b.At(kMid + e, kMid + d), v, 2) << d << "," << e;
        ASSERT_LE(v, b.At(kMid + d - 1, kMid + e) + 1) << d << "," << e;
      }
    EXPECT_GT(b.At(kMid + blur + 3, kMid), 0);
    EXPECT_EQ(b.At(kMid + 2 * blur + 5, kMid), 0);

    BlurredRectangle s(blur, solid);
    EXPECT_TRUE(s.KeptItsBorders());
    EXPECT_GE(s.At(kMid, kMid), 240);
    for (int d = 1; d < kMid; ++d)
    {
      ASSERT_LE(s.At(d, kMid), s.At(d + 1, kMid)) << d;
      ASSERT_LE(s.At(kSide - 1 - d, kMid), s.At(kSide - 2 - d, kMid)) << d;
      ASSERT_LE(s.At(kMid, d), s.At(kMid, d + 1)) << d;
      ASSERT_LE(s.At(kMid, kSide - 1 - d), s.At(kMid, kSide - 2 - d)) << d;
    }
    EXPECT_LT(s.At(1, kMid), 200);
    EXPECT_LT(s.At(kSide - 2, kMid), 200);
  }
  BlurredRectangle none(0, dot);
  EXPECT_EQ(none.At(kMid + 1, kMid), 255);
  EXPECT_EQ(none.At(kMid + 2, kMid), 0);
}

// The blurred texels to the last level, for small and large blurs of a solid glyph and of a checkerboard, compared
// with golden/font_stash_blur.txt.
TEST(FontStashBlur, BlurredRectanglesMatchTheRecordedTexels)
{
  constexpr int kSide = BlurredRectangle::kSide;
  using Inked = bool (*)(int, int);
  const struct
  {
    const char* name;
    Inked inked;
  } shapes[] = {
    {"solid", [](int x, int y) { return x > 0 && y > 0 && x < kSide - 1 && y < kSide - 1; }},
    {"checkerboard",
     [](int x, int y) { return x > 0 && y > 0 && x < kSide - 1 && y < kSide - 1 && (x / 3 + y / 3) % 2 == 1; }},
  };
  std::string dump;
  for (int blur : {1, 3, 10, 20})
    for (const auto& shape : shapes)
    {
      BlurredRectangle b(blur, shape.inked);
      dump += "== blur " + std::to_string(blur) + " " + shape.name + "\n";
      for (int y = 0; y < kSide; ++y)
      {
        std::string row;
        for (int x = 0; x < kSide; ++x) row += char(b.At(x, y));
        dump += goldentext::Hex(row) + "\n";
      }
    }
  EXPECT_EQ(goldentext::Compare(std::string(DROVIK_VEXEL_GOLDEN_DIR) + "/font_stash_blur.txt", dump), "");
}

// What the stash hands its draw callback: vertices, texture coordinates and colours, in calls of whole triangles.
struct DrawnVertices
{
  std::vector<float> xy, uv;
  std::vector<unsigned int> colours;
  std::vector<int> callSizes;
  int resizeAnswer = 1;
  std::vector<int> resizes, errors; // sizes asked for, width then height; errors reported
  FontStashContext* stash = nullptr;
  std::vector<FontStashQuad> Quads() const
  {
    std::vector<FontStashQuad> out;
    for (size_t v = 0; v + 6 <= colours.size(); v += 6)
    {
      // Each quad: its top left, bottom right and top right corners, then top left, bottom left, bottom right.
      const float* p = &xy[2 * v];
      const float* t = &uv[2 * v];
      out.push_back({p[0], p[1], t[0], t[1], p[2], p[3], t[2], t[3]});
      EXPECT_EQ(p[4], p[2]); EXPECT_EQ(p[5], p[1]); EXPECT_EQ(p[6], p[0]); EXPECT_EQ(p[7], p[1]);
      EXPECT_EQ(p[8], p[0]); EXPECT_EQ(p[9], p[3]); EXPECT_EQ(p[10], p[2]); EXPECT_EQ(p[11], p[3]);
      EXPECT_EQ(t[4], t[2]); EXPECT_EQ(t[5], t[1]); EXPECT_EQ(t[8], t[0]); EXPECT_EQ(t[9], t[3]);
    }
    return out;
  }
};

struct StashDrawing : ::testing::Test
{
  DrawnVertices drawn;
  FontStashContext* stash = nullptr;
  void SetUp() override
  {
    FontStashParams params;
    params.width = 256;
    params.height = 128;
    params.userPtr = &drawn;
    params.renderCreate = [](void*, int, int) { return 1; };
    params.renderDraw = [](void* u, const float* xy, const float* uv, const unsigned int* colours, int n) {
      DrawnVertices& d = *static_cast<DrawnVertices*>(u);
      d.xy.insert(d.xy.end(), xy, xy + 2 * n);
      d.uv.insert(d.uv.end(), uv, uv + 2 * n);
      d.colours.insert(d.colours.end(), colours, colours + n);
      d.callSizes.push_back(n);
    };
    params.renderResize = [](void* u, int w, int h) {
      DrawnVertices& d = *static_cast<DrawnVertices*>(u);
      d.resizes.insert(d.resizes.end(), {w, h});
      return d.resizeAnswer;
    };
    stash = FontStashCreate(&params);
    ASSERT_NE(stash, nullptr);
    const int font = FontStashAddFont(stash, "sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0);
    ASSERT_GE(font, 0) << "fonts-dejavu-core is not installed";
    FontStashSetFont(stash, font);
    FontStashSetSize(stash, 14);
    FontStashSetColor(stash, 0x80402010);
  }
  void TearDown() override { FontStashDelete(stash); }
  std::vector<unsigned char> Texels(int* w, int* h)
  {
    const unsigned char* t = FontStashGetTextureData(stash, w, h);
    return std::vector<unsigned char>(t, t + size_t(*w) * *h);
  }
  /// The quad of the first glyph of the text at the origin.
  FontStashQuad FirstQuad(const char* text)
  {
    FontStashTextIter iter;
    FontStashQuad q{};
    EXPECT_TRUE(FontStashTextIterInit(stash, &iter, 0, 0, text, nullptr, kFontStashGlyphBitmapRequired));
    EXPECT_TRUE(FontStashTextIterNext(stash, &iter, &q));
    return q;
  }
};

// Drawn text is each whole glyph's quad, as the text iterator places it, in the colour set; a sequence cut short
// draws nothing; the pen ends where the iterator's does; drawn again, the glyphs are not rasterised again. Text of more vertices than the stash holds is handed over
// in several calls that together draw every glyph.
TEST_F(StashDrawing, TextIsTheIteratorsQuadsInTheColourSet)
{
  const char* text = "Wy\xC3\xA9\xE2\x82";
  FontStashTextIter iter;
  ASSERT_TRUE(FontStashTextIterInit(stash, &iter, 30, 40, text, nullptr, kFontStashGlyphBitmapRequired));
  std::vector<FontStashQuad> expected;
  FontStashQuad q;
  while (FontStashTextIterNext(stash, &iter, &q))
    if (iter.utf8State == 0) expected.push_back(q);
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(FontStashDrawText(stash, 30, 40, text, nullptr), iter.nextX);
  const std::vector<FontStashQuad> quads = drawn.Quads();
  ASSERT_EQ(quads.size(), 3u);
  for (size_t i = 0; i < quads.size(); ++i)
    EXPECT_EQ(0, std::memcmp(&quads[i], &expected[i], sizeof(FontStashQuad))) << "glyph " << i;
  for (unsigned int c : drawn.colours) EXPECT_EQ(c, 0x80402010u);
  EXPECT_EQ(drawn.callSizes, std::vector<int>{18});
  // The same text again is drawn from the glyphs already in the atlas: the same quads, nothing new rasterised.
  const std::vector<FontStashAtlasNode> skyline(stash->atlas->nodes, stash->atlas->nodes + stash->atlas->nodeCount);
  drawn = {};
  FontStashDrawText(stash, 30, 40, text, nullptr);
  ASSERT_EQ(stash->atlas->nodeCount, int(skyline.size()));
  EXPECT_EQ(0, std::memcmp(stash->atlas->nodes, skyline.data(), skyline.size() * sizeof(FontStashAtlasNode)));
  ASSERT_EQ(drawn.Quads().size(), 3u);
  for (size_t i = 0; i < quads.size(); ++i)
    EXPECT_EQ(0, std::memcmp(&drawn.Quads()[i], &expected[i], sizeof(FontStashQuad))) << "glyph " << i;

  drawn = {};
  const std::string many(200, 'i');
  FontStashDrawText(stash, 0, 40, many.c_str(), nullptr);
  EXPECT_EQ(drawn.colours.size(), 6u * 200);
  ASSERT_EQ(drawn.callSizes.size(), 2u);
  EXPECT_LE(drawn.callSizes[0], kFontStashVertexCount);
  EXPECT_LT(drawn.Quads()[199].x0 - drawn.Quads()[0].x0, 200 * 14);
  EXPECT_GT(drawn.Quads()[199].x0, drawn.Quads()[198].x0);
}

// A blur below nought draws as none, and one above the largest as the largest: the same glyph in the same place,
// whether the blur is set for text or asked of the glyph itself.
TEST_F(StashDrawing, BlursOutOfRangeDrawAsTheNearestInRange)
{
  const short most = kFontStashMaxBlur;
  auto glyph = [&](short blur) {
    const FontStashGlyph* g = FontStashGetGlyph(stash, stash->fonts[0], 'g', 140, blur, kFontStashGlyphBitmapRequired);
    return g ? std::vector<int>{g->blur, g->x0, g->y0, g->x1, g->y1} : std::vector<int>{};
  };
  for (const auto& [outside, inside] : {std::pair<short, short>{-3, 0}, {short(most + 1), most}})
  {
    FontStashSetBlur(stash, inside);
    const FontStashQuad expected = FirstQuad("g");
    FontStashSetBlur(stash, outside);
    FontStashTextIter iter;
    ASSERT_TRUE(FontStashTextIterInit(stash, &iter, 0, 0, "g", nullptr, kFontStashGlyphBitmapRequired));
    EXPECT_EQ(iter.glyphBlur, inside) << outside;
    const FontStashQuad q = FirstQuad("g");
    EXPECT_EQ(0, std::memcmp(&q, &expected, sizeof(FontStashQuad))) << outside;
    EXPECT_EQ(glyph(outside), glyph(inside)) << outside;
  }
}

// The atlas shown for debugging: a faint backing and the whole texture at the given place, one texel a pixel, then a
// one-pixel line along the top of each skyline node.
TEST_F(StashDrawing, TheAtlasIsShownWithItsSkyline)
{
  FontStashDrawText(stash, 0, 40, "Ag", nullptr);
  drawn = {};
  FontStashDrawDebug(stash, 10, 20);
  const std::vector<FontStashQuad> quads = drawn.Quads();
  const FontStashAtlas& atlas = *stash->atlas;
  ASSERT_GE(atlas.nodeCount, 2);
  ASSERT_EQ(quads.size(), size_t(2 + atlas.nodeCount));
  EXPECT_EQ(drawn.callSizes, std::vector<int>{6 * (2 + atlas.nodeCount)});
  for (int i = 0; i < 2; ++i)
  {
    EXPECT_EQ(quads[i].x0, 10); EXPECT_EQ(quads[i].y0, 20);
    EXPECT_EQ(quads[i].x1, 10 + 256); EXPECT_EQ(quads[i].y1, 20 + 128);
  }
  EXPECT_EQ(quads[1].s0, 0); EXPECT_EQ(quads[1].t0, 0); EXPECT_EQ(quads[1].s1, 1); EXPECT_EQ(quads[1].t1, 1);
  EXPECT_EQ(quads[0].s0, 1.f / 256); // the backing samples one texel near the corner
  EXPECT_EQ(quads[0].t1, 1.f / 128);
  EXPECT_EQ(drawn.colours[0], 0x0fffffffu);
  EXPECT_EQ(drawn.colours[6], 0xffffffffu);
  for (int i = 0; i < atlas.nodeCount; ++i)
  {
    const FontStashQuad& line = quads[2 + i];
    const FontStashAtlasNode& n = atlas.nodes[i];
    EXPECT_EQ(line.x0, 10 + n.x) << i;
    EXPECT_EQ(line.y0, 20 + n.y) << i;
    EXPECT_EQ(line.x1, 10 + n.x + n.width) << i;
    EXPECT_EQ(line.y1, 20 + n.y + 1) << i;
    EXPECT_EQ(drawn.colours[6 * (2 + i)], 0xc00000ffu) << i;
  }
}

// An atlas expanded keeps every texel where it was and empties the new room, gives the skyline a node for the new
// columns and marks the old part dirty up to the skyline's highest point; glyphs keep their texels and their texture
// coordinates follow the new size. An atlas is never made smaller, larger than the stash allows or larger than the
// renderer agrees to.
TEST_F(StashDrawing, AnExpandedAtlasKeepsItsGlyphsWhereTheyAre)
{
  FontStashDrawText(stash, 0, 40, "Agjy", nullptr);
  const FontStashQuad before = FirstQuad("A");
  int w = 0, h = 0, dirty[4] = {0, 0, 0, 0};
  const std::vector<unsigned char> old = Texels(&w, &h);
  FontStashValidateTexture(stash, dirty);
  const int nodes = stash->atlas->nodeCount;

  ASSERT_EQ(FontStashExpandAtlas(stash, 512, 192), 1);
  EXPECT_EQ(drawn.resizes, (std::vector<int>{512, 192}));
  int nw = 0, nh = 0;
  FontStashGetAtlasSize(stash, &nw, &nh);
  EXPECT_EQ(nw, 512);
  EXPECT_EQ(nh, 192);
  const std::vector<unsigned char> grown = Texels(&nw, &nh);
  ASSERT_EQ(grown.size(), 512u * 192);
  int highest = 0;
  for (int y = 0; y < 192; ++y)
    for (int x = 0; x < 512; ++x)
    {
      const unsigned char was = x < 256 && y < 128 ? old[size_t(y) * 256 + x] : 0;
      ASSERT_EQ(grown[size_t(y) * 512 + x], was) << x << "," << y;
      if (was) highest = std::max(highest, y + 1);
    }
  ASSERT_EQ(stash->atlas->nodeCount, nodes + 1);
  const FontStashAtlasNode& added = stash->atlas->nodes[nodes];
  EXPECT_EQ(added.x, 256);
  EXPECT_EQ(added.y, 0);
  EXPECT_EQ(added.width, 256);
  EXPECT_EQ(stash->atlas->width, 512);
  EXPECT_EQ(stash->atlas->height, 192);
  ASSERT_EQ(FontStashValidateTexture(stash, dirty), 1);
  EXPECT_EQ(dirty[0], 0);
  EXPECT_EQ(dirty[1], 0);
  EXPECT_EQ(dirty[2], 256);
  EXPECT_GE(dirty[3], highest);
  EXPECT_LE(dirty[3], 128);
  const FontStashQuad after = FirstQuad("A");
  EXPECT_FLOAT_EQ(after.s0 * 512, before.s0 * 256);
  EXPECT_FLOAT_EQ(after.t0 * 192, before.t0 * 128);
  EXPECT_FLOAT_EQ(after.s1 * 512, before.s1 * 256);
  EXPECT_FLOAT_EQ(after.t1 * 192, before.t1 * 128);

  EXPECT_EQ(FontStashExpandAtlas(stash, 100, 100), 1) << "a smaller size keeps the atlas as it is";
  EXPECT_EQ(FontStashExpandAtlas(stash, 32768, 192), 0);
  EXPECT_EQ(FontStashExpandAtlas(stash, 512, 32768), 0);
  drawn.resizeAnswer = 0;
  EXPECT_EQ(FontStashExpandAtlas(stash, 1024, 192), 0);
  EXPECT_EQ(drawn.resizes, (std::vector<int>{512, 192, 1024, 192}));
  FontStashGetAtlasSize(stash, &nw, &nh);
  EXPECT_EQ(nw, 512);
  EXPECT_EQ(nh, 192);
  drawn.resizeAnswer = 1;
  EXPECT_EQ(FontStashExpandAtlas(stash, 32767, 192), 1) << "the widest atlas";
}

// An atlas too small to hold even the white rectangle holds nothing; grown, it still holds nothing, so there is
// nothing to hand to the renderer.
TEST(FontStashAtlasGrowth, AnEmptyAtlasGrownHasNothingToUpload)
{
  FontStashContext* stash = PlainStash(1, 1);
  ASSERT_NE(stash, nullptr);
  int dirty[4] = {0, 0, 0, 0};
  EXPECT_EQ(FontStashValidateTexture(stash, dirty), 0);
  ASSERT_EQ(FontStashExpandAtlas(stash, 64, 32), 1);
  EXPECT_EQ(FontStashValidateTexture(stash, dirty), 0)
      << "dirty " << dirty[0] << "," << dirty[1] << " .. " << dirty[2] << "," << dirty[3];
  int w = 0, h = 0;
  const unsigned char* texels = FontStashGetTextureData(stash, &w, &h);
  ASSERT_EQ(w, 64);
  ASSERT_EQ(h, 32);
  EXPECT_EQ(std::count(texels, texels + w * h, 0), w * h);
  FontStashDelete(stash);
}

// Font data that cannot be read is refused with -1, from memory or from a file, and leaves the stash's fonts as they
// were: no bytes, a file that is empty or not there, a collection asked for a face past its list, a face of no
// height. A sound face is taken after them.
/// Feeds `bytes` to the UTF-8 decoder from its start state: "U+XXXX" for the code point completed by the last byte,
/// "rejected at N" for the byte that made the sequence invalid, "open" when the sequence is not finished.
std::string DecodeUtf8(const std::string& bytes)
{
  unsigned int state = 0, codepoint = 0;
  for (size_t i = 0; i < bytes.size(); ++i)
  {
    if (FontStashDecodeUtf8(&state, &codepoint, (unsigned char)bytes[i]) == 12)
      return "rejected at " + std::to_string(i);
    if (state == 0 && i + 1 < bytes.size()) return "complete before the end";
  }
  if (state != 0) return "open";
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", codepoint);
  return buf;
}

// Every well-formed sequence decodes, from the first and last code point of each length and range; overlong forms,
// surrogates, code points past U+10FFFF, bytes that never start a sequence and sequences broken off are refused at
// the byte that shows it.
TEST(FontStashUtf8, WellFormedSequencesDecodeAndEveryOtherIsRefusedWhereItGoesWrong)
{
  const struct
  {
    const char* bytes;
    const char* decoded;
  } cases[] = {
    {"A", "U+0041"}, {"\x7F", "U+007F"}, {"\xC2\x80", "U+0080"}, {"\xDF\xBF", "U+07FF"},
    {"\xE0\xA0\x80", "U+0800"}, {"\xE2\x82\xAC", "U+20AC"}, {"\xED\x9F\xBF", "U+D7FF"}, {"\xEE\x80\x80", "U+E000"},
    {"\xEF\xBF\xBF", "U+FFFF"}, {"\xF0\x90\x80\x80", "U+10000"}, {"\xF0\x9F\x98\x80", "U+1F600"},
    {"\xF1\x80\x80\x80", "U+40000"}, {"\xF3\xBF\xBF\xBF", "U+FFFFF"}, {"\xF4\x8F\xBF\xBF", "U+10FFFF"},
    // Refused.
    {"\x80", "rejected at 0"}, {"\xBF", "rejected at 0"}, {"\xC0\x80", "rejected at 0"}, {"\xC1\xBF", "rejected at 0"},
    {"\xF5\x80\x80\x80", "rejected at 0"}, {"\xF8\x88\x80\x80", "rejected at 0"}, {"\xFF", "rejected at 0"},
    {"\xE0\x9F\xBF", "rejected at 1"},       // overlong
    {"\xED\xA0\x80", "rejected at 1"},       // a surrogate
    {"\xF0\x8F\xBF\xBF", "rejected at 1"},   // overlong
    {"\xF4\x90\x80\x80", "rejected at 1"},   // past U+10FFFF
    {"\xC2" "A", "rejected at 1"}, {"\xE2\x82" "A", "rejected at 2"}, {"\xF1\x80\x80" "A", "rejected at 3"},
    {"\xE2\x82", "open"}, {"\xF3\x80", "open"},
  };
  for (const auto& k : cases) EXPECT_EQ(DecodeUtf8(k.bytes), k.decoded) << goldentext::Hex(k.bytes);
  // Only 80..BF continue a sequence of each length: every other byte in its place is refused there.
  for (const std::string lead : {"\xC2", "\xE1\x80", "\xF1\x80\x80"})
    for (int b = 0; b < 256; ++b)
    {
      const std::string decoded = DecodeUtf8(lead + char(b));
      const bool refused = decoded == "rejected at " + std::to_string(lead.size());
      EXPECT_EQ(refused, b < 0x80 || b > 0xBF) << goldentext::Hex(lead + char(b)) << " " << decoded;
    }
}

TEST(FontStashFonts, FontsThatCannotBeReadAreRefused)
{
  FontStashContext* stash = PlainStash(64, 64);
  ASSERT_NE(stash, nullptr);
  tinyfont::Bytes sound = tinyfont::Face{}.Build();
  EXPECT_EQ(FontStashAddFontMem(stash, "none", nullptr, 100, 0, 0), -1);
  EXPECT_EQ(FontStashAddFontMem(stash, "empty", sound.data(), 0, 0, 0), -1);
  tinyfont::Bytes collection = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 16}; // one face, at its end
  EXPECT_EQ(FontStashAddFontMem(stash, "second of one", collection.data(), int(collection.size()), 1, 0), -1);
  tinyfont::Bytes flat = sound;
  const size_t hhea = tinyfont::TableAt(flat, "hhea");
  tinyfont::Set16(flat, hhea + 4, 0), tinyfont::Set16(flat, hhea + 6, 0); // ascent and descent
  EXPECT_EQ(FontStashAddFontMem(stash, "flat", flat.data(), int(flat.size()), 0, 0), -1);
  char path[] = "/tmp/drovik-empty-font-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(FontStashAddFont(stash, "empty file", path, 0), -1);
  unlink(path);
  EXPECT_EQ(FontStashAddFont(stash, "no file", path, 0), -1);
  EXPECT_EQ(FontStashAddFont(stash, "no path", nullptr, 0), -1);
  EXPECT_EQ(FontStashAddFont(nullptr, "no stash", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0), -1);
  EXPECT_EQ(stash->fontCount, 0);
  EXPECT_EQ(FontStashGetFontByName(stash, "flat"), -1);
  EXPECT_EQ(FontStashAddFontMem(stash, "sound", sound.data(), int(sound.size()), 0, 0), 0);
  FontStashDelete(stash);
}

// A face of a collection is read when its entry in the collection's list is the data's last four bytes, and
// refused when its entry lies past the data given, even where bytes follow. A name of none finds no font.
TEST(FontStashFonts, AFaceWhoseEntryEndsTheCollectionIsRead)
{
  FontStashContext* stash = PlainStash(64, 64);
  ASSERT_NE(stash, nullptr);
  // The header with its first entry, the face with its tables moved past it, then one more entry naming the face.
  const uint32_t base = 16;
  tinyfont::Bytes face = tinyfont::Face{}.Build();
  for (size_t t = 0, n = size_t(face[4]) << 8 | face[5]; t < n; ++t)
  {
    const uint32_t at = tinyfont::Get32(face, 12 + 16 * t + 8) + base;
    tinyfont::Set16(face, 12 + 16 * t + 8, at >> 16), tinyfont::Set16(face, 12 + 16 * t + 10, at & 0xffff);
  }
  const uint32_t last = uint32_t(base + face.size() - 12) / 4; // the entry that ends the data
  tinyfont::Bytes collection = {'t', 't', 'c', 'f', 0, 1, 0, 0};
  tinyfont::Put32(collection, last + 2), tinyfont::Put32(collection, base);
  collection.insert(collection.end(), face.begin(), face.end());
  tinyfont::Put32(collection, base);
  const int size = int(collection.size());
  tinyfont::Put32(collection, base); // past the data given
  EXPECT_EQ(FontStashAddFontMem(stash, "first", collection.data(), size, 0, 0), 0);
  EXPECT_EQ(FontStashAddFontMem(stash, "last", collection.data(), size, int(last), 0), 1);
  EXPECT_EQ(FontStashAddFontMem(stash, "past the data", collection.data(), size, int(last) + 1, 0), -1);
  EXPECT_EQ(FontStashGetFontByName(stash, nullptr), -1);
  FontStashDelete(stash);
}

/// The code points the UTF-8 reader gives for the bytes, each once its last byte is read.
std::vector<unsigned> ReadUtf8(const std::string& bytes)
{
  std::vector<unsigned> out;
  unsigned state = 0, codepoint = 0;
  for (unsigned char b : bytes)
    if (FontStashDecodeUtf8(&state, &codepoint, b) == 0) out.push_back(codepoint);
  return out;
}

/// The shortest UTF-8 form of a code point.
std::string Utf8(unsigned c)
{
  std::string s;
  if (c < 0x80)
    s += char(c);
  else if (c < 0x800)
    s += char(0xC0 | c >> 6), s += char(0x80 | (c & 0x3F));
  else if (c < 0x10000)
    s += char(0xE0 | c >> 12), s += char(0x80 | (c >> 6 & 0x3F)), s += char(0x80 | (c & 0x3F));
  else
    s += char(0xF0 | c >> 18), s += char(0x80 | (c >> 12 & 0x3F)), s += char(0x80 | (c >> 6 & 0x3F)),
        s += char(0x80 | (c & 0x3F));
  return s;
}

// Text is read as UTF-8: every code point up to U+10FFFF but the surrogates reads back from its shortest form;
// surrogates, longer forms than needed, code points past U+10FFFF, continuation bytes with no lead and bytes that
// start no sequence give nothing.
TEST(FontStashUtf8, EveryCodePointReadsBackAndMalformedBytesGiveNothing)
{
  for (unsigned c = 0; c <= 0x10FFFF; ++c)
  {
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    if (ReadUtf8(Utf8(c)) != (surrogate ? std::vector<unsigned>{} : std::vector<unsigned>{c}))
    {
      ADD_FAILURE() << "U+" << std::hex << c;
      break;
    }
  }
  for (const char* bytes : {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF", "\xF0\x80\x80\x80",
                            "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF4\xBF\xBF\xBF", "\xF5\x80\x80\x80",
                            "\xF7\xBF\xBF\xBF", "\xF8\x88\x80\x80\x80", "\xFE", "\xFF"})
    EXPECT_EQ(ReadUtf8(bytes), std::vector<unsigned>{}) << testing::PrintToString(std::string(bytes));
  EXPECT_EQ(ReadUtf8("A\xC3\xA9\xF4\x8F\xBF\xBF" "B"), (std::vector<unsigned>{'A', 0xE9, 0x10FFFF, 'B'}));
}

// Troubles with the states are reported with no value beside them.
TEST_F(StashDrawing, StateTroublesAreReportedWithAValueOfNought)
{
  std::vector<std::pair<int, int>> reports;
  FontStashSetErrorCallback(
      stash,
      [](void* u, int error, int value) { static_cast<std::vector<std::pair<int, int>>*>(u)->push_back({error, value}); },
      &reports);
  FontStashPopState(stash);
  for (int i = 0; i < kFontStashMaxStates; ++i) FontStashPushState(stash);
  EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{kFontStashStatesUnderflow, 0}, {kFontStashStatesOverflow, 0}}));
}

// Rasterising a glyph writes only within its own rectangle, and leaves that rectangle's border empty: even when the
// rectangle ends at the atlas's right edge, the texels of the next rows (here the stash's white rectangle at the
// far left) stay as they were.
TEST_F(StashDrawing, AGlyphAtTheRightEdgeWritesOnlyItsOwnRectangle)
{
  auto rectangleOf = [&](unsigned int codepoint) {
    const FontStashFont& font = *stash->fonts[0];
    for (int i = 0; i < font.glyphCount; ++i)
      if (font.glyphs[i].codepoint == codepoint) return font.glyphs[i];
    ADD_FAILURE() << "no glyph " << codepoint;
    return FontStashGlyph{};
  };
  FontStashDrawText(stash, 0, 40, "I", nullptr);
  const int width = rectangleOf('I').x1 - rectangleOf('I').x0;
  ASSERT_EQ(FontStashResetAtlas(stash, 256, 128), 1);
  int x = -1, y = -1; // a rectangle one texel tall up to where the glyph fits against the right edge
  ASSERT_EQ(FontStashAtlasAddRect(stash->atlas, 256 - 2 - width, 1, &x, &y), 1);
  int w = 0, h = 0;
  const std::vector<unsigned char> before = Texels(&w, &h);
  FontStashDrawText(stash, 0, 40, "I", nullptr);
  const FontStashGlyph g = rectangleOf('I');
  ASSERT_EQ(g.x1, 256) << "the glyph is not at the right edge";
  const std::vector<unsigned char> after = Texels(&w, &h);
  for (int ty = 0; ty < h; ++ty)
    for (int tx = 0; tx < w; ++tx)
    {
      const unsigned char t = after[size_t(ty) * w + tx];
      const bool inside = tx >= g.x0 && tx < g.x1 && ty >= g.y0 && ty < g.y1;
      const bool border = inside && (tx == g.x0 || tx == g.x1 - 1 || ty == g.y0 || ty == g.y1 - 1);
      if (!inside)
      {
        ASSERT_EQ(t, before[size_t(ty) * w + tx]) << "outside the glyph at " << tx << "," << ty;
      }
      else if (border)
      {
        ASSERT_EQ(t, 0) << "on the glyph's border at " << tx << "," << ty;
      }
    }
}

// States: a pushed state starts as a copy of the one below and popping returns to it; popping the last state or
// pushing past the deepest are reported and change nothing. A full atlas is reported once per glyph and a glyph
// fits after the owner has grown the atlas.
TEST_F(StashDrawing, StateAndAtlasTroublesAreReportedToTheOwner)
{
  FontStashSetErrorCallback(
      stash, [](void* u, int error, int) { static_cast<DrawnVertices*>(u)->errors.push_back(error); }, &drawn);
  const float narrow = FontStashTextBounds(stash, 0, 0, "Wide", nullptr, nullptr);
  FontStashPopState(stash);
  EXPECT_EQ(drawn.errors, std::vector<int>{kFontStashStatesUnderflow});
  FontStashPushState(stash);
  EXPECT_FLOAT_EQ(FontStashTextBounds(stash, 0, 0, "Wide", nullptr, nullptr), narrow);
  FontStashSetSize(stash, 28);
  EXPECT_GT(FontStashTextBounds(stash, 0, 0, "Wide", nullptr, nullptr), narrow * 1.5f);
  FontStashPopState(stash);
  EXPECT_FLOAT_EQ(FontStashTextBounds(stash, 0, 0, "Wide", nullptr, nullptr), narrow);
  drawn.errors.clear();
  for (int i = 1; i < kFontStashMaxStates; ++i) FontStashPushState(stash);
  EXPECT_TRUE(drawn.errors.empty());
  FontStashSetSize(stash, 28);
  FontStashPushState(stash);
  EXPECT_EQ(drawn.errors, std::vector<int>{kFontStashStatesOverflow});
  for (int i = 1; i < kFontStashMaxStates; ++i) FontStashPopState(stash);
  EXPECT_FLOAT_EQ(FontStashTextBounds(stash, 0, 0, "Wide", nullptr, nullptr), narrow);

  // Glyphs 100 pixels high fill the 256 x 128 atlas after a few; each that does not fit is reported once (with a
  // value of nought) and fits once the owner has widened the atlas.
  drawn.errors.clear();
  FontStashSetSize(stash, 100);
  FontStashSetErrorCallback(
      stash,
      [](void* u, int error, int value) {
        DrawnVertices& d = *static_cast<DrawnVertices*>(u);
        d.errors.push_back(value == 0 ? error : -1);
        int w = 0, h = 0;
        FontStashGetAtlasSize(d.stash, &w, &h);
        FontStashExpandAtlas(d.stash, w + 256, h);
      },
      &drawn);
  drawn.stash = stash;
  drawn.xy.clear(), drawn.colours.clear();
  FontStashDrawText(stash, 0, 100, "MWQOGD", nullptr);
  int w = 0, h = 0;
  FontStashGetAtlasSize(stash, &w, &h);
  EXPECT_EQ(drawn.errors, std::vector<int>(size_t(w - 256) / 256, kFontStashAtlasFull));
  EXPECT_GE(w, 512);
  EXPECT_EQ(drawn.colours.size(), 36u) << "every glyph is drawn";
}

// Long text is handed to the draw callback in calls each filled with as many whole glyphs as the stash holds, the
// rest in a last call: text that just fills the stash goes in one call, one glyph more in two.
TEST_F(StashDrawing, LongTextIsHandedOverInCallsOfAsManyWholeGlyphsAsFit)
{
  const int perCall = kFontStashVertexCount / 6;
  for (int glyphs : {1, perCall - 1, perCall, perCall + 1, 2 * perCall, 2 * perCall + 40})
  {
    drawn = {};
    const std::string text(size_t(glyphs), 'i');
    FontStashDrawText(stash, 0, 40, text.c_str(), nullptr);
    std::vector<int> expected(size_t(glyphs / perCall), perCall * 6);
    if (glyphs % perCall) expected.push_back(glyphs % perCall * 6);
    EXPECT_EQ(drawn.callSizes, expected) << glyphs << " glyphs";
  }
  drawn = {};
  FontStashDrawText(stash, 0, 40, "", nullptr);
  EXPECT_TRUE(drawn.callSizes.empty()) << "empty text makes no call";
}

// A new state, and a state cleared, draw in the first font at 12 pixels, in white, unspaced, unblurred and from
// the left end of the baseline: the same quads and colours as those settings made by hand, not those of the
// second font. The smallest size drawn is two tenths of a pixel; below it text has no glyphs.
TEST_F(StashDrawing, AClearedStateDrawsInTheFirstFontAtTwelvePixelsInWhiteFromTheLeftOfTheBaseline)
{
  tinyfont::Bytes tiny = tinyfont::Face{}.Build();
  ASSERT_EQ(FontStashAddFontMem(stash, "tiny", tiny.data(), int(tiny.size()), 0, 0), 1);
  auto draw = [&] {
    drawn.xy.clear();
    drawn.colours.clear();
    FontStashDrawText(stash, 30, 40, "AB", nullptr);
    return std::make_pair(drawn.xy, drawn.colours);
  };
  FontStashSetSize(stash, 30);
  FontStashSetSpacing(stash, 3);
  FontStashSetBlur(stash, 2);
  FontStashSetAlign(stash, kFontStashAlignRight | kFontStashAlignTop);
  FontStashSetFont(stash, 1);
  const auto changed = draw();
  FontStashClearState(stash);
  const auto cleared = draw();
  ASSERT_EQ(cleared.second.size(), 12u);
  EXPECT_NE(cleared, changed);
  FontStashSetFont(stash, 0);
  FontStashSetSize(stash, 12);
  FontStashSetColor(stash, 0xffffffff);
  FontStashSetSpacing(stash, 0);
  FontStashSetBlur(stash, 0);
  FontStashSetAlign(stash, kFontStashAlignLeft | kFontStashAlignBaseline);
  EXPECT_EQ(draw(), cleared);
  FontStashSetFont(stash, 1);
  EXPECT_NE(draw().first, cleared.first) << "the second font draws otherwise";

  FontStashContext* fresh = FontStashCreate(&stash->params);
  ASSERT_NE(fresh, nullptr);
  ASSERT_EQ(FontStashAddFont(fresh, "sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0), 0);
  ASSERT_EQ(FontStashAddFontMem(fresh, "tiny", tiny.data(), int(tiny.size()), 0, 0), 1);
  std::swap(fresh, stash);
  EXPECT_EQ(draw(), cleared) << "a new stash";
  std::swap(fresh, stash);
  FontStashDelete(fresh);

  FontStashSetFont(stash, 0);
  for (const float size : {0.2f, 0.3f, 1.f})
  {
    FontStashSetSize(stash, size);
    EXPECT_EQ(draw().second.size(), 12u) << size;
  }
  for (const float size : {0.19f, 0.1f, 0.f})
  {
    FontStashSetSize(stash, size);
    EXPECT_EQ(draw().second.size(), 0u) << size;
  }
}

// A font takes up to twenty fallbacks, each a font the stash has; others are refused and leave it as it was. A
// character the font lacks, met after that, is measured as its first fallback has it.
TEST(FontStashFonts, AFontTakesUpToTwentyFallbacksOfFontsTheStashHas)
{
  FontStashContext* stash = PlainStash(256, 256);
  ASSERT_NE(stash, nullptr);
  tinyfont::Bytes tiny = tinyfont::Face{}.Build();
  ASSERT_EQ(FontStashAddFontMem(stash, "tiny", tiny.data(), int(tiny.size()), 0, 0), 0);
  ASSERT_EQ(FontStashAddFont(stash, "sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0), 1);
  FontStashSetSize(stash, 20);
  FontStashSetFont(stash, 1);
  const float sans = FontStashTextBounds(stash, 0, 0, "z", nullptr, nullptr);
  FontStashSetFont(stash, 0);
  const float missing = FontStashTextBounds(stash, 0, 0, "x", nullptr, nullptr);
  ASSERT_NE(missing, sans);
  for (const auto& [base, fallback] : std::vector<std::pair<int, int>>{{0, 2}, {0, -1}, {2, 0}, {-1, 1}})
    EXPECT_EQ(FontStashAddFallbackFont(stash, base, fallback), 0) << base << " " << fallback;
  EXPECT_EQ(FontStashTextBounds(stash, 0, 0, "y", nullptr, nullptr), missing);
  for (int i = 0; i < kFontStashMaxFallbacks; ++i) EXPECT_EQ(FontStashAddFallbackFont(stash, 0, 1), 1) << i;
  EXPECT_EQ(FontStashAddFallbackFont(stash, 0, 1), 0);
  EXPECT_EQ(stash->fonts[0]->fallbackCount, kFontStashMaxFallbacks);
  EXPECT_EQ(FontStashTextBounds(stash, 0, 0, "z", nullptr, nullptr), sans);
  FontStashDelete(stash);
}

// A face's line gap adds to its line height and leaves its ascender and descender as they are: the tiny face is
// 1000 units from descender to ascender, so a gap of 500 makes its lines half as tall again.
TEST(FontStashFonts, TheLineGapAddsToTheLineHeightAlone)
{
  FontStashContext* stash = PlainStash(64, 64);
  ASSERT_NE(stash, nullptr);
  tinyfont::Bytes plain = tinyfont::Face{}.Build(), gapped = plain;
  tinyfont::Set16(gapped, tinyfont::TableAt(gapped, "hhea") + 8, 500);
  ASSERT_EQ(FontStashAddFontMem(stash, "plain", plain.data(), int(plain.size()), 0, 0), 0);
  ASSERT_EQ(FontStashAddFontMem(stash, "gapped", gapped.data(), int(gapped.size()), 0, 0), 1);
  FontStashSetSize(stash, 20);
  float metrics[2][3];
  for (int font : {0, 1})
  {
    FontStashSetFont(stash, font);
    FontStashVertMetrics(stash, &metrics[font][0], &metrics[font][1], &metrics[font][2]);
  }
  EXPECT_FLOAT_EQ(metrics[0][0], 16);
  EXPECT_FLOAT_EQ(metrics[0][1], -4);
  EXPECT_FLOAT_EQ(metrics[0][2], 20);
  EXPECT_FLOAT_EQ(metrics[1][0], 16);
  EXPECT_FLOAT_EQ(metrics[1][1], -4);
  EXPECT_FLOAT_EQ(metrics[1][2], 30);
  FontStashDelete(stash);
}

// An atlas grown downwards hands up everything it holds, across its old width and down to its highest rectangle,
// wherever along the skyline that rectangle lies; grown sideways, the same.
TEST(FontStashAtlasGrowth, AGrownAtlasUploadsItsOldWidthDownToItsHighestRectangle)
{
  FontStashContext* stash = PlainStash(64, 64);
  ASSERT_NE(stash, nullptr);
  int dirty[4] = {0, 0, 0, 0};
  FontStashValidateTexture(stash, dirty);
  int x = -1, y = -1;
  ASSERT_EQ(FontStashAtlasAddRect(stash->atlas, 10, 20, &x, &y), 1);
  ASSERT_EQ(FontStashAtlasAddRect(stash->atlas, 52, 30, &x, &y), 1);
  ASSERT_EQ(x + 52, 64) << "the highest rectangle ends the skyline";
  for (const auto& [w, h] : {std::pair{64, 128}, {96, 128}})
  {
    ASSERT_EQ(FontStashExpandAtlas(stash, w, h), 1);
    ASSERT_EQ(FontStashValidateTexture(stash, dirty), 1);
    EXPECT_EQ((std::vector<int>(dirty, dirty + 4)), (std::vector<int>{0, 0, 64, 30})) << w << " x " << h;
  }
  FontStashDelete(stash);
  // A rectangle as wide as the atlas leaves a skyline of one step, at its start.
  stash = PlainStash(64, 64);
  ASSERT_NE(stash, nullptr);
  FontStashValidateTexture(stash, dirty);
  ASSERT_EQ(FontStashAtlasAddRect(stash->atlas, 64, 30, &x, &y), 1);
  ASSERT_EQ(FontStashExpandAtlas(stash, 64, 128), 1);
  ASSERT_EQ(FontStashValidateTexture(stash, dirty), 1);
  EXPECT_EQ((std::vector<int>(dirty, dirty + 4)), (std::vector<int>{0, 0, 64, y + 30}));
  FontStashDelete(stash);
}

// An atlas is made and reset at up to 32767 texels a side, and at least one.
TEST(FontStashAtlasGrowth, AnAtlasIsAtMost32767TexelsASide)
{
  for (const auto& [w, h, made] : {std::tuple{32767, 1, true}, {1, 32767, true}, {32768, 1, false}, {1, 32768, false},
                                   {0, 1, false}, {1, 0, false}})
  {
    FontStashContext* fresh = PlainStash(w, h);
    EXPECT_EQ(fresh != nullptr, made) << w << " x " << h;
    FontStashDelete(fresh);
    FontStashContext* stash = PlainStash(8, 8);
    ASSERT_NE(stash, nullptr);
    EXPECT_EQ(FontStashResetAtlas(stash, w, h), made ? 1 : 0) << w << " x " << h;
    int aw = 0, ah = 0;
    FontStashGetAtlasSize(stash, &aw, &ah);
    EXPECT_EQ(aw, made ? w : 8);
    EXPECT_EQ(ah, made ? h : 8);
    FontStashDelete(stash);
  }
}

// A character map that names a glyph past the face's last is read as naming its missing glyph: the character
// measures as one the map lacks, and takes no kerning meant for a glyph of that number.
TEST(FontStashFonts, ACharacterMappedPastTheLastGlyphIsTheMissingGlyph)
{
  tinyfont::Face face;
  face.glyphs.pop_back(); // 'B' is mapped to glyph 2, now one past the last
  tinyfont::Bytes bytes = face.Build();
  FontStashContext* stash = PlainStash(256, 256);
  ASSERT_NE(stash, nullptr);
  ASSERT_EQ(FontStashAddFontMem(stash, "short", bytes.data(), int(bytes.size()), 0, 0), 0);
  FontStashSetSize(stash, 20);
  auto width = [&](const char* s) { return FontStashTextBounds(stash, 0, 0, s, nullptr, nullptr); };
  const float missing = width("Z");
  EXPECT_EQ(width("AZ"), width("A") + missing);
  EXPECT_EQ(width("AB"), width("A") + missing);
  EXPECT_EQ(width("B"), missing);
  FontStashDelete(stash);
}

// A glyph first only measured, then drawn when the atlas is full and the owner resets it: the glyph is placed in
// the new atlas once and found there afterwards, drawn again from the same texels without rasterising it again.
TEST_F(StashDrawing, AGlyphPlacedAfterTheOwnerResetsAFullAtlasIsFoundThere)
{
  FontStashSetErrorCallback(
      stash,
      [](void* u, int error, int) {
        DrawnVertices& d = *static_cast<DrawnVertices*>(u);
        d.errors.push_back(error);
        FontStashResetAtlas(d.stash, 256, 128);
      },
      &drawn);
  drawn.stash = stash;
  FontStashSetSize(stash, 40);
  ASSERT_GT(FontStashTextBounds(stash, 0, 0, "Q", nullptr, nullptr), 0.f);
  int x = -1, y = -1, dirty[4];
  ASSERT_TRUE(FontStashAtlasAddRect(stash->atlas, 256, 126, &x, &y)) << "the rest of the atlas taken";
  FontStashValidateTexture(stash, dirty);
  drawn.xy.clear(), drawn.uv.clear();
  FontStashDrawText(stash, 0, 50, "Q", nullptr);
  EXPECT_EQ(drawn.errors, std::vector<int>{kFontStashAtlasFull});
  const std::vector<float> first = drawn.uv;
  ASSERT_EQ(first.size(), 12u);
  int w = 0, h = 0;
  const std::vector<unsigned char> texels = Texels(&w, &h);
  drawn.uv.clear();
  FontStashDrawText(stash, 0, 50, "Q", nullptr);
  EXPECT_EQ(drawn.uv, first);
  EXPECT_TRUE(Texels(&w, &h) == texels) << "drawn again without rasterising";
  EXPECT_EQ(drawn.errors.size(), 1u);
}

} // namespace
