// The artwork the build draws into the bundle: every bitmap at 1x and exactly twice that at 2x, frames stacked
// vertically, knobs turning step by step, lit frames that differ from unlit ones, and the bundled font.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
  /// Share of the pixels of frame f that are not fully transparent.
  double Covered(int frames, int f) const
  {
    const size_t frameBytes = rgba.size() / frames;
    int covered = 0;
    for (size_t i = 3; i < frameBytes; i += 4)
      covered += rgba[f * frameBytes + i] > 8;
    return covered / double(frameBytes / 4);
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
    for (int f = 0; f < b.frames; ++f)
      EXPECT_GT(png.Covered(b.frames, f), 0.002) << b.name << " frame " << f; // a needle covers about 0.5 %
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

/// The family name (name id 1) of a TrueType font, read from its name table: Windows Unicode records are UTF-16
/// big-endian, Macintosh Roman records single bytes; only the ASCII part is kept.
std::string FamilyName(const std::vector<unsigned char>& font)
{
  auto u16 = [&](size_t at) { return at + 2 <= font.size() ? font[at] << 8 | font[at + 1] : 0; };
  auto u32 = [&](size_t at) { return (size_t)u16(at) << 16 | u16(at + 2); };
  for (int t = 0, tables = u16(4); t < tables; ++t)
  {
    const size_t entry = 12 + 16 * (size_t)t;
    if (font.size() < entry + 16 || memcmp(&font[entry], "name", 4) != 0) continue;
    const size_t table = u32(entry + 8), strings = table + u16(table + 4);
    for (int r = 0, records = u16(table + 2); r < records; ++r)
    {
      const size_t rec = table + 6 + 12 * (size_t)r;
      const int platform = u16(rec), nameId = u16(rec + 6), length = u16(rec + 8);
      if (nameId != 1 || (platform != 1 && platform != 3)) continue;
      const size_t at = strings + u16(rec + 10), step = platform == 3 ? 2 : 1;
      std::string name;
      for (size_t i = step - 1; i < (size_t)length && at + i < font.size(); i += step) name += (char)font[at + i];
      return name;
    }
  }
  return "";
}

// The panel's screws: the one at the bottom left shows in the corner, while the bottom-right corner is left to the
// corner resizer's grip, so nothing as bright as a screw's head lies under it.
TEST(Artwork, NoScrewUnderTheResizerGrip)
{
  Png panel;
  ASSERT_TRUE(panel.Load(kResources + "BG_default.png"));
  const EditorBitmap* grip = FindEditorBitmap("button_resize.png");
  ASSERT_NE(grip, nullptr);
  auto brightest = [&](int left, int top) {
    int most = 0;
    for (int y = top; y < top + grip->height; ++y)
      for (int x = left; x < left + grip->width; ++x)
      {
        const unsigned char* p = &panel.rgba[((size_t)y * panel.w + x) * 4];
        most = std::max(most, (p[0] + p[1] + p[2]) / 3);
      }
    return most;
  };
  const int top = panel.h - grip->height;
  const int screwCorner = brightest(0, top), gripCorner = brightest(panel.w - grip->width, top);
  EXPECT_GT(screwCorner, gripCorner + 20) << screwCorner << " " << gripCorner;
}

TEST(Artwork, TheBundledFontIsRoboto)
{
  std::vector<unsigned char> font;
  FILE* f = fopen((kResources + "Roboto-Regular.ttf").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  for (int c; (c = fgetc(f)) != EOF;) font.push_back((unsigned char)c);
  fclose(f);
  EXPECT_EQ(FamilyName(font), "Roboto");
}

} // namespace
