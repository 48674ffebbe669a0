// The artwork the build draws into the bundle: every bitmap at 1x and exactly twice that at 2x, frames stacked
// vertically, knobs turning step by step, lit frames that differ from unlit ones, and the bundled font.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <stb/stb_image.h>

#include "ui/EditorBitmaps.h"

namespace {

const std::string kResources = DROVIK_RESOURCES;

struct Png
{
  int w = 0, h = 0;
  std::vector<unsigned char> rgba;
  bool Load(const std::string& path)
  {
    int n = 0;
    unsigned char* p = stbi_load(path.c_str(), &w, &h, &n, 4);
    if (!p) return false;
    rgba.assign(p, p + (size_t)w * h * 4);
    stbi_image_free(p);
    return true;
  }
  /// Share of the pixels of frame a that differ (any channel by more than 8) from the same pixel of frame b.
  double Difference(int frames, int a, int b) const
  {
    const size_t frameBytes = rgba.size() / frames;
    int differ = 0;
    for (size_t i = 0; i < frameBytes; i += 4)
      for (int c = 0; c < 4; ++c)
        if (std::abs(rgba[a * frameBytes + i + c] - rgba[b * frameBytes + i + c]) > 8)
        {
          ++differ;
          break;
        }
    return differ / double(frameBytes / 4);
  }
};

std::string TwoX(const char* name)
{
  std::string s = name;
  return s.substr(0, s.size() - 4) + "@2x.png";
}

TEST(Artwork, EveryBitmapHasItsSizeAtOneAndTwoTimes)
{
  for (const EditorBitmap& b : kEditorBitmaps)
  {
    Png one, two;
    ASSERT_TRUE(one.Load(kResources + b.name)) << b.name;
    ASSERT_TRUE(two.Load(kResources + TwoX(b.name))) << b.name;
    EXPECT_EQ(one.w, b.width) << b.name;
    EXPECT_EQ(one.h, b.height * b.frames) << b.name;
    EXPECT_EQ(two.w, 2 * one.w) << b.name;
    EXPECT_EQ(two.h, 2 * one.h) << b.name;
  }
}

TEST(Artwork, EveryFrameDiffersFromTheNextAndNoFrameIsEmpty)
{
  // Knobs, needles and strips: each step is visible but small for the many-frame knobs (a smooth turn); two-frame
  // buttons and lamps show their lit state plainly.
  for (const EditorBitmap& b : kEditorBitmaps)
  {
    Png png;
    ASSERT_TRUE(png.Load(kResources + b.name)) << b.name;
    for (int f = 0; f + 1 < b.frames; ++f)
    {
      double d = png.Difference(b.frames, f, f + 1);
      EXPECT_GT(d, 0.0) << b.name << " frame " << f;
      if (b.frames >= 51)
      {
        EXPECT_LT(d, 0.15) << b.name << " frame " << f;
      }
      if (b.frames == 2)
      {
        EXPECT_GT(d, 0.02) << b.name;
      }
    }
  }
}

TEST(Artwork, TheBundledFontIsRoboto)
{
  FILE* f = fopen((kResources + "Roboto-Regular.ttf").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char head[4] = {};
  EXPECT_EQ(fread(head, 1, 4, f), 4u);
  fclose(f);
  EXPECT_EQ(head[0], 0);
  EXPECT_EQ(head[1], 1); // a TrueType outline font
}

} // namespace
