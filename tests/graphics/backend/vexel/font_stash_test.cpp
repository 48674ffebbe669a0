// The font stash's atlas packing: rectangles never overlap and stay in bounds.
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

} // namespace
