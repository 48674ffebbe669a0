// Paints: colours in every notation.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "svg_test_support.h"

using svgtest::Doc;
using svgtest::Parsed;

namespace
{
constexpr float kEps = 1e-4f;

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

} // namespace

TEST(SvgPaint, ColoursInEveryNotation)
{
  struct Case
  {
    const char* text;
    uint32_t rgb;
  };
  const Case cases[] = {
    {"#abc", Rgb(0xaa, 0xbb, 0xcc)},
    {"#aabbcc", Rgb(0xaa, 0xbb, 0xcc)},
    {"#ABCDEF", Rgb(0xab, 0xcd, 0xef)},
    {"  #010203", Rgb(1, 2, 3)},
    {"#abcd", 0},
    {"#", 0},
    {"#12g456", Rgb(0, 0, 0x12)}, // hexadecimal reading stops at the first other character
    {"rgb(100%, 0%, 50%)", Rgb(255, 0, 127)},
    {"rgb(10,20,30)", Rgb(10, 20, 30)},
    {"rgb(10 20\t30)", Rgb(10, 20, 30)},
    {"rgb(10,,,  ,20,30)", Rgb(10, 20, 30)},
    {"rgb(300, -5, 20)", Rgb(255, 0, 20)},
    {"rgb(7)", Rgb(7, 0, 0)},
    {"rgb(99999999999999999999,1,2)", Rgb(255, 1, 2)},
    {"red", Rgb(255, 0, 0)},
    {"green", Rgb(0, 128, 0)},
    {"blue", Rgb(0, 0, 255)},
    {"yellow", Rgb(255, 255, 0)},
    {"cyan", Rgb(0, 255, 255)},
    {"magenta", Rgb(255, 0, 255)},
    {"black", Rgb(0, 0, 0)},
    {"grey", Rgb(128, 128, 128)},
    {"gray", Rgb(128, 128, 128)},
    {"white", Rgb(255, 255, 255)},
    {"Red", Rgb(128, 128, 128)},
    {"chartreuse", Rgb(128, 128, 128)},
    {"", Rgb(128, 128, 128)},
  };
  for (const Case& c : cases)
  {
    Parsed svg(Doc(std::string("<rect width=\"1\" height=\"1\" fill=\"") + c.text + "\"/>"));
    ASSERT_EQ(svg.shape().fill.type, kSvgPaintColor) << c.text;
    EXPECT_EQ(svg.shape().fill.color, c.rgb | 0xff000000u) << c.text;
  }
}
