// The font stash's atlas packing: rectangles never overlap, stay in bounds and rest where they end lowest.
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

} // namespace
