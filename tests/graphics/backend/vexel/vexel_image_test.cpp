// Encoded images are sized from their header: too large a side or too many pixels is refused before decoding.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "vexel.h"
#include "vexel_texture_table.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Append(void* context, void* data, int size)
{
  auto* out = static_cast<Bytes*>(context);
  out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
}

Bytes Png(int w, int h)
{
  const Bytes grey(size_t(w) * h, 128);
  Bytes out;
  stbi_write_png_to_func(Append, &out, w, h, 1, grey.data(), w);
  return out;
}

/// The 24 x 16 colour JPEG of the image fuzz target's seeds, its frame header claiming the width given (0 keeps).
Bytes Jpeg(int claimedWidth = 0)
{
  std::ifstream in(DROVIK_IMAGE_SEEDS "/colour.jpg", std::ios::binary);
  Bytes b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  for (size_t i = 0; claimedWidth > 0 && i + 9 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == 0xC0) // start of frame: length, precision, height, width
    {
      b[i + 7] = uint8_t(claimedWidth >> 8), b[i + 8] = uint8_t(claimedWidth);
      break;
    }
  return b;
}

/// A PNG signature and header claiming the size, with no pixel data after it.
Bytes PngHeaderOnly(uint32_t w, uint32_t h)
{
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (uint32_t v : {w, h})
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(v >> shift));
  for (uint8_t v : {8, 0, 0, 0, 0, 0, 0, 0, 0}) b.push_back(v); // grey, 8 bits, then a CRC nobody checks
  return b;
}

struct Case
{
  const char* what;
  Bytes bytes;
  int width, height; // 0 when refused
};

TEST(VexelImages, ImagesAreSizedFromTheirHeaderBeforeDecoding)
{
  const Case cases[] = {
      {"a PNG wider than a texture", Png(20000, 2), 0, 0},
      {"a PNG taller than a texture", Png(2, 20000), 0, 0},
      {"a JPEG wider than a texture", Jpeg(16392), 0, 0},
      {"a PNG header of 72 M pixels", PngHeaderOnly(9000, 8000), 0, 0},
      {"a PNG as wide as a texture", Png(16384, 4), 16384, 4},
      {"a small JPEG", Jpeg(), 24, 16},
  };
  testsupport::VexelTextureTable table;
  VXrenderParams params = table.TextureParams();
  VXcontext* ctx = vxCreateContext(&params);
  ASSERT_NE(ctx, nullptr);
  for (const Case& c : cases)
  {
    const int image = vxCreateImageFromMemory(ctx, 0, c.bytes.data(), int(c.bytes.size()));
    EXPECT_EQ(image > 0, c.width > 0) << c.what;
    if (image <= 0) continue;
    int w = 0, h = 0;
    vxGetImageSize(ctx, image, &w, &h);
    EXPECT_EQ(w, c.width) << c.what;
    EXPECT_EQ(h, c.height) << c.what;
  }
  vxDeleteContext(ctx);
}

} // namespace
