// The built bundle's editor in the test host under an X server: it opens in the host's window, a click on the
// saturation switch turns saturation on in the host between a begin and an end, a drag on a knob automates it, and
// the screenshot shows the switch lit and a tool tip that has just shown drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <stb/stb_image.h>

#include "run_host.h"
#include "x11_display.h"

namespace {

using hosttest::RunHost;

struct Image
{
  int w = 0, h = 0;
  std::vector<unsigned char> rgba;

  explicit Image(const std::string& path)
  {
    int n = 0;
    unsigned char* p = stbi_load(path.c_str(), &w, &h, &n, 4);
    if (p) rgba.assign(p, p + size_t(w) * size_t(h) * 4);
    stbi_image_free(p);
  }
  /// The pixel at x, y as 0xRRGGBB.
  uint32_t Pixel(int x, int y) const
  {
    const size_t at = (size_t(y) * size_t(w) + size_t(x)) * 4;
    return uint32_t(rgba[at]) << 16 | uint32_t(rgba[at + 1]) << 8 | uint32_t(rgba[at + 2]);
  }
  /// Mean absolute difference per channel inside a rectangle.
  double Difference(const Image& o, int l, int t, int r, int b) const
  {
    if (o.w != w || o.h != h || rgba.empty()) return -1;
    double sum = 0;
    long n = 0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x)
        for (int c = 0; c < 3; ++c, ++n)
        {
          const size_t at = (size_t(y) * size_t(w) + size_t(x)) * 4 + size_t(c);
          sum += std::abs(int(rgba[at]) - int(o.rgba[at]));
        }
    return sum / double(n);
  }
};

struct EditorX11 : ::testing::Test
{
  void SetUp() override
  {
    DROVIK_REQUIRE_TEST_DISPLAY();
  }
  std::string mDir = hosttest::TempDir();
  // The editor command keeps the module (and fontconfig with it) loaded until the host exits, so the sanitizer
  // builds see the editor's own leaks here.
  std::vector<std::pair<std::string, std::string>> mEnv{{"HOME", mDir}};
};

TEST_F(EditorX11, AClickOnTheSaturationSwitchReachesTheHostAndLightsIt)
{
  const std::string before = mDir + "/before.png", after = mDir + "/after.png";
  auto idle = RunHost({"editor", hosttest::DrovikBundle(), "--seconds", "0.5", "--screenshot", before}, mEnv);
  ASSERT_EQ(idle.status, 0) << idle.err;
  EXPECT_NE(idle.out.find("editor 468x450"), std::string::npos) << idle.out;

  auto run = RunHost({"editor", hosttest::DrovikBundle(), "--seconds", "0.5", "--screenshot", after, "--click",
                      "34,269", "--drag", "169,394,0,-20", "--wheel", "53,212,2", "--type", "423,212,-6"},
                     mEnv);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("begin 15\nautomate 15 1.000000\nend 15"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("begin 21\nautomate 21"), std::string::npos) << run.out; // the fluctuation knob
  EXPECT_NE(run.out.find("end 21"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("automate 23 0.520000"), std::string::npos) << run.out; // two notches up the input trim
  EXPECT_NE(run.out.find("automate 24 0.375000"), std::string::npos) << run.out; // -6 dB typed into the output trim
  for (const char* index : {"15", "21", "23", "24"})
  {
    const std::string begin = std::string("begin ") + index + "\n", end = std::string("end ") + index + "\n";
    size_t begins = 0, ends = 0;
    for (size_t at = 0; (at = run.out.find(begin, at)) != std::string::npos; ++at) ++begins;
    for (size_t at = 0; (at = run.out.find(end, at)) != std::string::npos; ++at) ++ends;
    EXPECT_EQ(begins, ends) << index;
  }

  const Image a(before), b(after);
  ASSERT_EQ(a.w, 468);
  ASSERT_EQ(a.h, 450);
  EXPECT_GT(a.Difference(b, 14, 259, 54, 279), 5.0); // the switch is lit
  EXPECT_EQ(a.Difference(b, 361, 362, 425, 426), 0.0); // the even-harmonics knob nobody touched
}

// The pointer rests on the fluctuation knob until its tool tip shows, a moment before the screenshot: the picture holds the
// tip drawn (its pale yellow with dark text over the editor), not the black a window that covers ours reads as.
TEST_F(EditorX11, AToolTipShownBeforeTheScreenshotIsInItDrawn)
{
  const std::string shot = mDir + "/tip.png";
  const int x = 169, y = 394; // a tool tip shows 18 pixels below the pointer, its left edge at the pointer
  auto run = RunHost({"editor", hosttest::DrovikBundle(), "--seconds", "1.2", "--move", std::to_string(x) + "," +
                      std::to_string(y), "--screenshot", shot}, mEnv);
  ASSERT_EQ(run.status, 0) << run.err;
  const Image picture(shot);
  ASSERT_EQ(picture.w, 468);
  ASSERT_EQ(picture.h, 450);
  int left = picture.w, top = picture.h, right = 0, bottom = 0; // the tip's extent, from its pale yellow
  for (int row = y; row < picture.h; ++row)
    for (int column = x - 2; column < picture.w; ++column)
      if (picture.Pixel(column, row) == 0xFFFFE0)
      {
        left = std::min(left, column), top = std::min(top, row);
        right = std::max(right, column + 1), bottom = std::max(bottom, row + 1);
      }
  ASSERT_LT(left, right) << "no tool tip in the picture";
  EXPECT_GE(left, x);
  EXPECT_LE(left, x + 2);
  EXPECT_GE(top, y + 18);
  EXPECT_LE(top, y + 20);
  EXPECT_GT(right - left, 100); // "Saturation fluctuation" in 13 point type
  EXPECT_GE(bottom - top, 14);
  int pale = 0, ink = 0;
  for (int row = top; row < bottom; ++row)
    for (int column = left; column < right; ++column)
    {
      const uint32_t p = picture.Pixel(column, row);
      pale += p == 0xFFFFE0;
      ink += (p >> 16 & 0xFF) < 100 && (p >> 8 & 0xFF) < 100 && (p & 0xFF) < 100;
    }
  const int area = (right - left) * (bottom - top);
  EXPECT_GT(pale, area / 2) << "the tip's ground";
  EXPECT_GT(ink, area / 20) << "the tip's text";
  EXPECT_LT(ink, area / 2) << "the tip's text";
}

TEST_F(EditorX11, TheWindowShowsWhatTheEditorDrawsWithoutADisplay)
{
  const std::string window = mDir + "/window.png", headless = mDir + "/headless.png";
  ASSERT_EQ(RunHost({"editor", hosttest::DrovikBundle(), "--seconds", "0.5", "--screenshot", window}, mEnv).status, 0);
  const std::string picture = std::getenv("DROVIK_EDITOR_PICTURE");
  ASSERT_EQ(std::system((picture + " " + headless + " --no-audio > /dev/null").c_str()), 0);
  const Image a(window), b(headless);
  ASSERT_EQ(a.w, b.w);
  EXPECT_LT(a.Difference(b, 0, 0, a.w, a.h), 0.5);
}

} // namespace
