// The font stash's own drawing over a matrix of states (origin at the top or the bottom, every alignment, letter
// spacing, blur, colours, saved and restored states), its measures and the skyline it shows, before and after the
// atlas grows and after it is reset, written out as text and compared line by line with
// golden/font_stash_drawing.txt; the atlas ends as a digest. DROVIK_UPDATE_GOLDEN=1 rewrites the reference.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "font_stash.h"
#include "golden_text.h"
#include "tiny_font.h"

namespace {

using goldentext::Num;

constexpr const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Drawing
{
  std::string text;
};

void Draw(void* u, const float* xy, const float* uv, const unsigned int* colours, int n)
{
  std::string& out = static_cast<Drawing*>(u)->text;
  out += "  draw " + std::to_string(n) + "\n";
  for (int i = 0; i < n; i += 6)
  {
    out += "  ";
    for (int k = i; k < i + 6 && k < n; ++k)
    {
      char colour[16];
      std::snprintf(colour, sizeof(colour), "%08x", colours[k]);
      out += " " + Num(xy[2 * k]) + "," + Num(xy[2 * k + 1]) + ":" + Num(uv[2 * k]) + "," + Num(uv[2 * k + 1]) +
             (k == i ? std::string(":") + colour : "");
    }
    out += "\n";
  }
}

std::string Digest(FontStashContext* stash)
{
  int w = 0, h = 0;
  const unsigned char* data = FontStashGetTextureData(stash, &w, &h);
  uint64_t hash = 1469598103934665603ull, sum = 0;
  for (int i = 0; i < w * h; ++i)
  {
    hash = (hash ^ data[i]) * 1099511628211ull;
    sum += data[i];
  }
  return " atlas " + std::to_string(w) + "x" + std::to_string(h) + " sum " + std::to_string(sum) + " digest " +
         std::to_string(hash) + "\n";
}

std::string Measures(FontStashContext* stash, float x, float y, const char* text)
{
  float bounds[4] = {0, 0, 0, 0}, ascender = 0, descender = 0, lineHeight = 0, minY = 0, maxY = 0;
  const float advance = FontStashTextBounds(stash, x, y, text, nullptr, bounds);
  FontStashVertMetrics(stash, &ascender, &descender, &lineHeight);
  FontStashLineBounds(stash, y, &minY, &maxY);
  return " advance " + Num(advance) + " bounds " + Num(bounds[0]) + " " + Num(bounds[1]) + " " + Num(bounds[2]) +
         " " + Num(bounds[3]) + " metrics " + Num(ascender) + " " + Num(descender) + " " + Num(lineHeight) +
         " line " + Num(minY) + " " + Num(maxY) + "\n";
}

std::string DrawAll(unsigned char flags)
{
  Drawing drawing;
  FontStashParams params;
  params.width = 256;
  params.height = 64;
  params.flags = flags;
  params.userPtr = &drawing;
  params.renderCreate = [](void*, int, int) { return 1; };
  params.renderResize = [](void*, int, int) { return 1; };
  params.renderDraw = Draw;
  FontStashContext* stash = FontStashCreate(&params);
  if (!stash) return "no stash\n";
  const int font = FontStashAddFont(stash, "sans", kFont, 0);
  if (font < 0) return "no font\n";
  std::string& out = drawing.text;
  FontStashSetFont(stash, font);
  const int horizontal[] = {kFontStashAlignLeft, kFontStashAlignCenter, kFontStashAlignRight};
  const int vertical[] = {kFontStashAlignTop, kFontStashAlignMiddle, kFontStashAlignBottom, kFontStashAlignBaseline};
  int round = 0;
  for (int across : horizontal)
    for (int down : vertical)
    {
      FontStashPushState(stash);
      FontStashSetAlign(stash, across | down);
      FontStashSetSize(stash, 10.0f + float(round % 5) * 3.5f);
      FontStashSetSpacing(stash, float(round % 3) * 1.5f);
      FontStashSetBlur(stash, round % 4 == 3 ? 1.5f : 0.0f);
      FontStashSetColor(stash, 0x01020304u * unsigned(round + 1));
      const char* text = round % 2 ? "Tj,W" : "ay\xc3\xa5";
      out += "== align " + std::to_string(across | down) + "\n";
      out += Measures(stash, 20, 30, text);
      out += " end " + Num(FontStashDrawText(stash, 20, 30, text, nullptr)) + "\n";
      FontStashPopState(stash);
      ++round;
    }
  out += "== restored state\n" + Measures(stash, 0, 0, "x");
  // Many more faces than the stash first has room for, each found again by its name and drawn.
  tinyfont::Bytes tiny = tinyfont::Face{}.Build();
  out += "== many faces\n";
  for (int i = 0; i < 20; ++i)
  {
    const std::string name = "tiny" + std::to_string(i);
    const int id = FontStashAddFontMem(stash, name.c_str(), tiny.data(), int(tiny.size()), 0, 0);
    out += " " + std::to_string(id) + ":" + std::to_string(FontStashGetFontByName(stash, name.c_str()));
  }
  out += "\n";
  FontStashPushState(stash);
  FontStashSetFont(stash, FontStashGetFontByName(stash, "tiny19"));
  out += " end " + Num(FontStashDrawText(stash, 0, 0, "AB", nullptr)) + "\n";
  FontStashPopState(stash);
  out += "== skyline\n";
  FontStashDrawDebug(stash, 5, 6);
  out += "== grown\n" + Digest(stash);
  out += " expanded " + std::to_string(FontStashExpandAtlas(stash, 300, 128)) + "\n";
  FontStashSetSize(stash, 30);
  out += " end " + Num(FontStashDrawText(stash, 0, 0, "Qq", nullptr)) + "\n";
  FontStashDrawDebug(stash, 0, 0);
  out += Digest(stash);
  out += "== reset\n reset " + std::to_string(FontStashResetAtlas(stash, 128, 128)) + "\n";
  out += " end " + Num(FontStashDrawText(stash, 0, 0, "Qq", nullptr)) + "\n";
  out += Digest(stash);
  FontStashDelete(stash);
  return out;
}

TEST(FontStashGolden, DrawingMeasuresAndAtlasOverEveryStateMatchTheRecordedOnes)
{
  const std::string dump = "== origin top left\n" + DrawAll(kFontStashZeroTopLeft) + "== origin bottom left\n" +
                           DrawAll(kFontStashZeroBottomLeft);
  const std::string differences =
    goldentext::Compare(std::string(DROVIK_VEXEL_GOLDEN_DIR) + "/font_stash_drawing.txt", dump);
  EXPECT_TRUE(differences.empty()) << differences;
}

} // namespace
