// Fuzz target: a font from outside through the whole text chain. The face is
// read and checked as the platform's font loader does, handed to the renderer,
// and a line of text is measured and drawn with it at a few sizes, with a sound
// font as its fallback. The input's first byte chooses the font: even, the rest
// of the input is the font file; odd, the rest is a list of patches (three
// bytes of offset, one of value) applied to Roboto, so that small inputs reach
// deep into a real face's tables.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "coretext/font_descriptor.h"
#include "vexel.h"
#include "vexel_fuzz_renderer.h"

namespace
{
const char* const kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

const std::vector<unsigned char>& Roboto()
{
  static const std::vector<unsigned char> bytes = []
  {
    std::ifstream in(kRoboto, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  return bytes;
}

std::vector<unsigned char> FontOf(const uint8_t* data, size_t size)
{
  if (size == 0)
    return {};
  if (!(data[0] & 1))
    return std::vector<unsigned char>(data + 1, data + size);
  std::vector<unsigned char> font = Roboto();
  if (font.empty())
    return font;
  for (size_t at = 1; at + 4 <= size; at += 4)
  {
    const size_t offset = (size_t(data[at]) << 16 | size_t(data[at + 1]) << 8 | data[at + 2]) % font.size();
    font[offset] = data[at + 3];
  }
  return font;
}

void DrawLine(VXcontext* ctx, int font, float size)
{
  static const char kText[] = "Drovik AVAWAY fi 0123 \xc3\x85\xc3\xa9\xe2\x82\xac \xe4\xb8\xad";
  vxSetFontFaceById(ctx, font);
  vxSetFontSize(ctx, size);
  float bounds[4];
  vxMeasureText(ctx, 4, 40, kText, nullptr, bounds);
  vxDrawText(ctx, 4, 40, kText, nullptr);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  std::vector<unsigned char> font = FontOf(data, size);
  coretext::FontMetrics metrics;
  const bool usable = coretext::ReadFontFace(font, 0, metrics);
  if (usable && (metrics.mUnitsPerEm <= 0 || metrics.mAscender <= metrics.mDescender))
    __builtin_trap();
  if (font.empty())
    return 0;

  vxfuzz::Backend backend;
  VXrenderParams params = backend.Params();
  VXcontext* ctx = vxCreateContext(&params);
  if (!ctx)
    return 0;
  // The renderer runs its own check as well: it is handed the face whatever the
  // loader said.
  const int face = vxAddFontMemory(ctx, "face", font.data(), (int)font.size(), 0);
  std::vector<unsigned char> roboto = Roboto();
  const int fallback = vxAddFontMemory(ctx, "roboto", roboto.data(), (int)roboto.size(), 0);
  if (face >= 0)
  {
    vxAddFallbackFontById(ctx, face, fallback);
    vxBeginFrame(ctx, 400, 100, 1.0f);
    for (float px : {3.0f, 13.0f, 61.0f})
      DrawLine(ctx, face, px);
    vxEndFrame(ctx);
  }
  vxDeleteContext(ctx);
  return 0;
}
