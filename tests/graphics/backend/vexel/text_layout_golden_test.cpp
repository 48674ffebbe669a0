// Text laid out over a matrix of settings (sizes, every alignment across and down, letter spacing, blur, line
// height, row widths, a transform, device pixel ratios 1 and 2), written out as text and compared line by line with
// golden/text_layout.txt: each glyph quad's corners and atlas coordinates, the advance, measured bounds, metrics,
// glyph positions and broken rows, and at the end a digest of the glyph atlas. DROVIK_UPDATE_GOLDEN=1 rewrites it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "font_stash.h"
#include "golden_text.h"
#include "recording_renderer.h"
#include "tiny_font.h"

namespace {

using goldentext::Num;

constexpr const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Setting
{
  const char* name;
  float ratio = 1.0f;
  float size = 20.0f;
  int align = VX_ALIGN_LEFT | VX_ALIGN_BASELINE;
  float spacing = 0.0f;
  float blur = 0.0f;
  float lineHeight = 1.0f;
  float rowWidth = 0.0f; // a text box of this width when not 0
  bool transformed = false;
  const char* text = "Hxg, AV";
  const char* font = "sans";
};

std::vector<Setting> Settings()
{
  std::vector<Setting> out;
  for (float ratio : {1.0f, 2.0f})
  {
    auto add = [&](Setting s) {
      s.ratio = ratio;
      out.push_back(s);
    };
    add({"plain"});
    add({"small", 1, 9.5f});
    add({"centre middle", 1, 20, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE});
    add({"right bottom", 1, 20, VX_ALIGN_RIGHT | VX_ALIGN_BOTTOM});
    add({"left top", 1, 20, VX_ALIGN_LEFT | VX_ALIGN_TOP});
    add({"letter spacing", 1, 20, VX_ALIGN_LEFT | VX_ALIGN_BASELINE, 2.5f});
    add({"blur", 1, 16, VX_ALIGN_LEFT | VX_ALIGN_BASELINE, 0, 2.0f});
    add({"box", 1, 14, VX_ALIGN_LEFT | VX_ALIGN_TOP, 0, 0, 1.0f, 60.0f, false, "one two three\nfour five"});
    add({"box centred, tall lines", 1, 14, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, 1.0f, 0, 1.5f, 70.0f, false,
         "Wrap these words, then\r\nbreak"});
    add({"box right", 1, 14, VX_ALIGN_RIGHT | VX_ALIGN_BOTTOM, 0, 0, 0.8f, 45.0f, false, "ab cd-ef gh\n\nij"});
    add({"transformed", 1, 18, VX_ALIGN_CENTER | VX_ALIGN_BASELINE, 0, 0, 1.0f, 0, true, "Tilt"});
    add({"accents", 1, 22, VX_ALIGN_LEFT | VX_ALIGN_BASELINE, 0, 0, 1.0f, 0, false, "\xc3\xa9\xc3\xbc\xe2\x82\xac"});
    // A face with a kerning pair, its other characters from the fallback face.
    add({"kerning and fallback", 1, 24, VX_ALIGN_LEFT | VX_ALIGN_BASELINE, 0, 0, 1.0f, 0, false, "ABAxB", "tiny"});
  }
  return out;
}

std::string Quads(const std::vector<vxtest::RecordedCall>& calls, size_t from)
{
  std::string out;
  for (size_t i = from; i < calls.size(); ++i)
  {
    if (calls[i].kind != "triangles") continue;
    const std::vector<VXvertex>& v = calls[i].verts;
    out += "  triangles " + std::to_string(v.size()) + " image " + std::to_string(calls[i].paint.image) + "\n";
    for (size_t q = 0; q + 6 <= v.size(); q += 6)
    {
      // Each glyph is two triangles; its corners in the order the renderer made them.
      out += "   ";
      for (size_t k = q; k < q + 6; ++k)
        out += " " + Num(v[k].x) + "," + Num(v[k].y) + ":" + Num(v[k].u) + "," + Num(v[k].v);
      out += "\n";
    }
  }
  return out;
}

std::string Layout(vxtest::Recorder& r, VXcontext* ctx, const Setting& s)
{
  std::string out = std::string("== ") + s.name + " at ratio " + Num(s.ratio) + "\n";
  vxBeginFrame(ctx, 400, 300, s.ratio);
  vxSetFontFaceByName(ctx, s.font);
  vxSetFontSize(ctx, s.size);
  vxSetTextAlign(ctx, s.align);
  vxSetLetterSpacing(ctx, s.spacing);
  vxSetFontBlur(ctx, s.blur);
  vxSetLineHeight(ctx, s.lineHeight);
  if (s.transformed)
  {
    vxTranslate(ctx, 50, 40);
    vxRotate(ctx, 0.3f);
    vxScale(ctx, 1.5f, 1.25f);
  }
  const size_t from = r.calls.size();
  float bounds[4] = {0, 0, 0, 0};
  float ascender = 0, descender = 0, lineHeight = 0;
  vxTextMetrics(ctx, &ascender, &descender, &lineHeight);
  out += " metrics " + Num(ascender) + " " + Num(descender) + " " + Num(lineHeight) + "\n";
  if (s.rowWidth > 0)
  {
    vxDrawTextBox(ctx, 10, 20, s.rowWidth, s.text, nullptr);
    vxMeasureTextBox(ctx, 10, 20, s.rowWidth, s.text, nullptr, bounds);
    out += " box bounds " + Num(bounds[0]) + " " + Num(bounds[1]) + " " + Num(bounds[2]) + " " + Num(bounds[3]) + "\n";
    VXtextRow rows[8];
    const int n = vxBreakTextLines(ctx, s.text, nullptr, s.rowWidth, rows, 8);
    for (int i = 0; i < n; ++i)
      out += " row " + std::to_string(rows[i].start - s.text) + " " + std::to_string(rows[i].end - s.text) + " " +
             std::to_string(rows[i].next - s.text) + " " + Num(rows[i].width) + " " + Num(rows[i].minX) + " " +
             Num(rows[i].maxX) + "\n";
  }
  else
  {
    const float advance = vxDrawText(ctx, 10, 20, s.text, nullptr);
    const float measured = vxMeasureText(ctx, 10, 20, s.text, nullptr, bounds);
    out += " advance " + Num(advance) + " measured " + Num(measured) + " bounds " + Num(bounds[0]) + " " +
           Num(bounds[1]) + " " + Num(bounds[2]) + " " + Num(bounds[3]) + "\n";
    VXglyphPosition positions[16];
    const int n = vxTextGlyphPositions(ctx, 10, 20, s.text, nullptr, positions, 16);
    out += " positions";
    for (int i = 0; i < n; ++i)
      out += " " + std::to_string(positions[i].str - s.text) + ":" + Num(positions[i].x) + "/" +
             Num(positions[i].minX) + "/" + Num(positions[i].maxX);
    out += "\n";
  }
  out += Quads(r.calls, from);
  vxEndFrame(ctx);
  return out;
}

// The atlas as counts and a digest, with the rectangle its glyphs cover.
std::string AtlasDigest(VXcontext* ctx)
{
  int w = 0, h = 0;
  const unsigned char* data = FontStashGetTextureData(ctx->fs, &w, &h);
  if (!data) return "atlas none\n";
  uint64_t hash = 1469598103934665603ull, sum = 0;
  int covered = 0, right = 0, bottom = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      const unsigned char t = data[y * w + x];
      hash = (hash ^ t) * 1099511628211ull;
      sum += t;
      if (t)
      {
        ++covered;
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
      }
    }
  return "atlas " + std::to_string(w) + "x" + std::to_string(h) + " covered " + std::to_string(covered) + " sum " +
         std::to_string(sum) + " extent " + std::to_string(right) + "x" + std::to_string(bottom) + " digest " +
         std::to_string(hash) + "\n";
}

TEST(TextLayoutGolden, GlyphQuadsMetricsRowsAndAtlasOverEverySettingMatchTheRecordedLayout)
{
  vxtest::Recorder r;
  vxtest::Context c{r};
  ASSERT_GE(vxAddFontFile(c.ctx, "sans", kFont), 0) << "fonts-dejavu-core is not installed";
  tinyfont::Bytes tiny = tinyfont::Face{}.Build();
  ASSERT_GE(vxAddFontMemory(c.ctx, "tiny", tiny.data(), int(tiny.size()), 0), 0);
  ASSERT_TRUE(vxAddFallbackFont(c.ctx, "tiny", "sans"));
  std::string dump;
  for (const Setting& s : Settings()) dump += Layout(r, c.ctx, s);
  dump += "== atlas\n" + AtlasDigest(c.ctx);
  const std::string differences =
    goldentext::Compare(std::string(DROVIK_VEXEL_GOLDEN_DIR) + "/text_layout.txt", dump);
  EXPECT_TRUE(differences.empty()) << differences;
}

} // namespace
