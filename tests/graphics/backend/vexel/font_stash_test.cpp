// The font stash's atlas packing: rectangles never overlap, stay in bounds and rest where they end lowest; its blur
// spreads a glyph's texels every way within the glyph's own rectangle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "font_stash.h"
#include "vexel_context.h"

namespace {

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
  // On a 64 x 64 skyline: each rectangle rests where its top ends lowest, leftmost of equal places.
  FontStashAtlas atlas{64, 64, (FontStashAtlasNode*)malloc(sizeof(FontStashAtlasNode)), 1, 1};
  atlas.nodes[0] = {0, 0, 64};
  struct Step
  {
    int w, h, x, y;
  } steps[] = {{32, 32, 0, 0}, {8, 8, 32, 0}, {32, 8, 32, 8}, {16, 16, 32, 16}, {16, 8, 48, 16}, {24, 24, 0, 32}};
  for (const Step& k : steps)
  {
    int x = -1, y = -1;
    ASSERT_TRUE(FontStashAtlasAddRect(&atlas, k.w, k.h, &x, &y)) << k.w << " x " << k.h;
    EXPECT_EQ(x, k.x) << k.w << " x " << k.h;
    EXPECT_EQ(y, k.y) << k.w << " x " << k.h;
  }
  free(atlas.nodes);
}
TEST(FontStashAtlas, RectanglesFillItToItsLastRowAndColumnAndNoFurther)
{
  FontStashAtlas atlas{64, 64, (FontStashAtlasNode*)malloc(sizeof(FontStashAtlasNode)), 1, 1};
  atlas.nodes[0] = {0, 0, 64};
  int x = -1, y = -1;
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

} // namespace
