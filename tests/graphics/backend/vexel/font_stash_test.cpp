// The font stash: atlas packing and UTF-8 iteration. (Fallbacks, sizes and measuring are seen through the
// Vexel text tests.)
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

} // namespace
