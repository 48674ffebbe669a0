// Fuzz target: UTF-8 text of any bytes drawn, measured, positioned and broken into rows with Roboto (and a DejaVu
// fallback) at sizes, blurs, spacings, alignments and row widths taken from the input.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "vexel.h"
#include "vexel_fuzz_renderer.h"

namespace {
const char* const kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";
const char* const kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Font files are read once; every input gets a fresh context over the same bytes.
std::vector<unsigned char>& FontBytes(const char* path)
{
  static std::vector<unsigned char> roboto, dejavu;
  std::vector<unsigned char>& bytes = path == kRoboto ? roboto : dejavu;
  if (bytes.empty())
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return bytes;
}

int AddFont(VXcontext* ctx, const char* name, const char* path)
{
  std::vector<unsigned char>& bytes = FontBytes(path);
  return vxAddFontMemory(ctx, name, bytes.data(), (int)bytes.size(), 0);
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  vxfuzz::Backend backend;
  VXrenderParams params = backend.Params();
  VXcontext* ctx = vxCreateContext(&params);
  if (!ctx) return 0;
  int font = AddFont(ctx, "roboto", kRoboto);
  int fallback = AddFont(ctx, "dejavu", kDejaVu);
  vxAddFallbackFontById(ctx, font, fallback);

  vxfuzz::Reader in{data, size};
  vxBeginFrame(ctx, 640, 480, 1.0f + (in.Byte() % 3));
  vxSetFontFaceById(ctx, in.Byte() % 8 == 0 ? -1 : font);
  float sizeValue = in.Float();
  vxSetFontSize(ctx, in.Byte() % 2 ? sizeValue : 4.0f + (float)(in.Byte() % 120));
  vxSetFontBlur(ctx, in.Byte() % 4 == 0 ? in.Float() : 0.0f);
  vxSetLetterSpacing(ctx, in.Byte() % 4 == 0 ? in.Float() : 0.0f);
  vxSetLineHeight(ctx, 1.0f + (float)(in.Byte() % 3));
  vxSetTextAlign(ctx, in.Byte() & 0x7f);
  if (in.Byte() % 4 == 0) vxScale(ctx, in.Float(), in.Float());
  float rowWidth = in.Byte() % 3 == 0 ? in.Float() : (float)(in.Byte() * 2);
  float x = (float)(int8_t)in.Byte(), y = (float)in.Byte();

  const char* text = reinterpret_cast<const char*>(data + in.pos);
  const char* end = reinterpret_cast<const char*>(data + size);
  if (in.pos > size) text = end;

  vxDrawText(ctx, x, y, text, end);
  float bounds[4];
  vxMeasureText(ctx, x, y, text, end, bounds);
  vxDrawTextBox(ctx, x, y, rowWidth, text, end);
  vxMeasureTextBox(ctx, x, y, rowWidth, text, end, bounds);
  std::vector<VXglyphPosition> positions(64);
  int n = vxTextGlyphPositions(ctx, x, y, text, end, positions.data(), (int)positions.size());
  for (int i = 0; i < n; ++i)
    if (positions[i].str < text || positions[i].str >= end) __builtin_trap();
  VXtextRow rows[8];
  int nrows = vxBreakTextLines(ctx, text, end, rowWidth, rows, 8);
  for (int i = 0; i < nrows; ++i)
    if (rows[i].start < text || rows[i].end > end || rows[i].next > end || rows[i].start > rows[i].end) __builtin_trap();
  float ascender, descender, lineHeight;
  vxTextMetrics(ctx, &ascender, &descender, &lineHeight);
  vxEndFrame(ctx);
  vxDeleteContext(ctx);
  return 0;
}
