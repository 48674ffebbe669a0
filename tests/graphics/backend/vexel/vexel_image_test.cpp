// Encoded images are sized from their header: too large a side or too many pixels is refused before decoding.
// A colour JPEG decodes to the pixels an independent decoder gives.
// iPhone-optimised PNG files decode to the same pixels as plain ones, and their image data is read no further than
// their header allows. No allocation above 1 MB is granted in this program: a decoder that cannot have the memory
// for the pixels leaves nothing allocated.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
// An independent JPEG decoder to compare with.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#include <stb/stb_image.h>

#include <malloc.h>
#include <zlib.h>

#include "image_decoder.h"
#include "refuse_large_allocations.h"
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
  // Read from a file, the same JPEG has the same size; a file that is not there gives no image.
  const int fromFile = vxCreateImageFromFile(ctx, DROVIK_IMAGE_SEEDS "/colour.jpg", 0);
  ASSERT_GT(fromFile, 0);
  int w = 0, h = 0;
  vxGetImageSize(ctx, fromFile, &w, &h);
  EXPECT_EQ(w, 24);
  EXPECT_EQ(h, 16);
  EXPECT_EQ(vxCreateImageFromFile(ctx, DROVIK_IMAGE_SEEDS "/no such image.png", 0), 0);
  vxDeleteContext(ctx);
}

// An image updated from new pixels is rewritten whole: from its top left corner, at its own size.
TEST(VexelImages, AnUpdateRewritesTheWholeImage)
{
  struct Updates : testsupport::VexelTextureTable
  {
    std::vector<int> calls; // image, x, y, width, height of each update
    const unsigned char* data = nullptr;
  } table;
  VXrenderParams params = table.TextureParams();
  params.renderUpdateTexture = [](void* u, int image, int x, int y, int w, int h, const unsigned char* data) {
    Updates& t = *static_cast<Updates*>(testsupport::VexelTextureTable::From(u));
    t.calls.insert(t.calls.end(), {image, x, y, w, h});
    t.data = data;
    return 1;
  };
  VXcontext* ctx = vxCreateContext(&params);
  ASSERT_NE(ctx, nullptr);
  const std::vector<unsigned char> pixels(5 * 3 * 4, 200);
  const int image = vxCreateImageFromPixels(ctx, 5, 3, 0, pixels.data());
  ASSERT_GT(image, 0);
  table.calls.clear();
  vxUpdateImage(ctx, image, pixels.data());
  EXPECT_EQ(table.calls, (std::vector<int>{image, 0, 0, 5, 3}));
  EXPECT_EQ(table.data, pixels.data());
  vxDeleteContext(ctx);
}

struct Rgba
{
  uint8_t r, g, b, a;
  bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

/// How an iPhone-optimised test file is written.
struct IphoneLayout
{
  int colourType = 6; // 0: grey, 2: blue-green-red, 6: with premultiplied alpha
  int depth = 8;
  int interlace = 0;
  bool header = true;
  bool cutData = false; // the deflated data cut in half
  bool note = false;    // a text chunk between the header and the image data
  bool oneDataChunk = false; // the image data in one chunk rather than two
  int transparentGrey = -1;  // a grey level that a transparency chunk makes clear
};

void AppendChunk(Bytes& out, const char* type, const Bytes& data)
{
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  for (uint32_t v : {uint32_t(data.size())})
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
  out.insert(out.end(), body.begin(), body.end());
  const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(crc >> shift));
}

/// Deflated without the zlib wrapper, as iPhone-optimised files store their image data.
Bytes DeflateRaw(const Bytes& in)
{
  z_stream z{};
  deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, uLong(in.size())));
  z.next_in = const_cast<unsigned char*>(in.data());
  z.avail_in = uInt(in.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

/// At least n zero bytes deflated raw: a small stream that inflates to a great deal. A block of zeros deflated with
/// a full flush refers to nothing before it and ends on a byte, so it is repeated; an empty last block ends it.
Bytes DeflatedZeros(size_t n)
{
  const Bytes zeros(256 * 1024, 0);
  Bytes block(deflateBound(nullptr, uLong(zeros.size()))), last(64);
  z_stream z{};
  deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  z.next_in = const_cast<unsigned char*>(zeros.data());
  z.avail_in = uInt(zeros.size());
  z.next_out = block.data();
  z.avail_out = uInt(block.size());
  deflate(&z, Z_FULL_FLUSH);
  block.resize(block.size() - z.avail_out);
  z.next_out = last.data();
  z.avail_out = uInt(last.size());
  deflate(&z, Z_FINISH);
  last.resize(last.size() - z.avail_out);
  deflateEnd(&z);
  Bytes out;
  for (size_t made = 0; made < n; made += zeros.size())
    out.insert(out.end(), block.begin(), block.end());
  out.insert(out.end(), last.begin(), last.end());
  return out;
}

/// The PNG filters' prediction of a byte from the bytes to its left (a), above (b) and above left (c).
int Predict(int filter, int a, int b, int c)
{
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  switch (filter)
  {
  case 1: return a;
  case 2: return b;
  case 3: return (a + b) / 2;
  case 4: return pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
  default: return 0;
  }
}

/// An iPhone-optimised PNG file whose header gives w x h pixels and whose image data is the raw deflated bytes.
Bytes IphoneFile(int w, int h, const IphoneLayout& layout, const Bytes& data)
{
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  AppendChunk(png, "CgBI", {0x50, 0x00, 0x20, 0x06});
  Bytes header;
  for (int v : {w, h})
    for (int shift = 24; shift >= 0; shift -= 8) header.push_back(uint8_t(v >> shift));
  for (int v : {layout.depth, layout.colourType, 0, 0, layout.interlace}) header.push_back(uint8_t(v));
  if (layout.header) AppendChunk(png, "IHDR", header);
  if (layout.note) AppendChunk(png, "tEXt", {'T', 'i', 't', 'l', 'e', 0, 'k', 'n', 'o', 'b'});
  if (layout.transparentGrey >= 0) AppendChunk(png, "tRNS", {0, uint8_t(layout.transparentGrey)});
  if (layout.oneDataChunk)
    AppendChunk(png, "IDAT", data);
  else
  {
    AppendChunk(png, "IDAT", Bytes(data.begin(), data.begin() + data.size() / 2));
    AppendChunk(png, "IDAT", Bytes(data.begin() + data.size() / 2, data.end()));
  }
  AppendChunk(png, "IEND", {});
  return png;
}

/// An iPhone-optimised PNG of w x h pixels: a CgBI chunk, the header, and rows stored blue-green-red(-alpha), or
/// grey(-alpha) taken from red, with alpha premultiplied, row y filtered with filter y % 5, deflated raw.
Bytes IphonePng(int w, int h, const std::vector<Rgba>& pixels, const IphoneLayout& layout = {})
{
  const bool grey = layout.colourType == 0 || layout.colourType == 4;
  const bool alpha = layout.colourType == 4 || layout.colourType == 6;
  const int channels = (grey ? 1 : 3) + (alpha ? 1 : 0);
  Bytes raw;
  for (const Rgba& p : pixels)
  {
    const int a = alpha ? p.a : 255;
    for (int c : grey ? std::vector<int>{p.r} : std::vector<int>{p.b, p.g, p.r})
      raw.push_back(uint8_t((c * a + 127) / 255));
    if (alpha) raw.push_back(p.a);
  }
  const size_t stride = size_t(w) * channels;
  Bytes rows;
  for (int y = 0; y < h; ++y)
  {
    const int filter = y % 5;
    rows.push_back(uint8_t(filter));
    for (size_t i = 0; i < stride; ++i)
    {
      const size_t at = size_t(y) * stride + i;
      const int a = i >= size_t(channels) ? raw[at - channels] : 0;
      const int b = y > 0 ? raw[at - stride] : 0;
      const int c = y > 0 && i >= size_t(channels) ? raw[at - stride - channels] : 0;
      rows.push_back(uint8_t(raw[at] - Predict(filter, a, b, c)));
    }
  }
  Bytes data = DeflateRaw(rows);
  if (layout.cutData) data.resize(data.size() / 2);
  return IphoneFile(w, h, layout, data);
}

TEST(VexelImages, AColourJpegDecodesToThePixelsAnotherDecoderGives)
{
  const Bytes jpeg = Jpeg();
  const vexelimage::Pixels decoded = vexelimage::Decode(jpeg.data(), jpeg.size(), 64, 4096);
  int w = 0, h = 0, channels = 0;
  unsigned char* reference = stbi_load_from_memory(jpeg.data(), int(jpeg.size()), &w, &h, &channels, 4);
  ASSERT_NE(reference, nullptr);
  ASSERT_EQ(decoded.rgba.size(), size_t(w) * size_t(h) * 4);
  int worst = 0;
  for (size_t i = 0; i < decoded.rgba.size(); ++i) worst = std::max(worst, std::abs(decoded.rgba[i] - reference[i]));
  stbi_image_free(reference);
  EXPECT_LE(worst, 8) << "the decoders differ by more than their rounding";
}

// A JPEG cut anywhere before its image data decodes to nothing, whichever of its headers the cut falls in.
TEST(VexelImages, AJpegCutBeforeItsImageDataDecodesToNothing)
{
  const Bytes jpeg = Jpeg();
  size_t scan = 0; // the start of scan marker
  while (scan + 1 < jpeg.size() && !(jpeg[scan] == 0xFF && jpeg[scan + 1] == 0xDA))
    ++scan;
  ASSERT_LT(scan + 1, jpeg.size());
  for (size_t cut = 0; cut <= scan; ++cut)
  {
    const vexelimage::Pixels nothing = vexelimage::Decode(jpeg.data(), cut, 64, 4096);
    EXPECT_TRUE(nothing.rgba.empty() && nothing.width == 0 && nothing.height == 0) << "cut at " << cut;
  }
}

// A plain PNG keeps its channels in their order and its alpha as stored: only iPhone-optimised files hold
// premultiplied colour.
TEST(VexelImages, PlainColourPngFilesDecodeToTheirOwnStraightPixels)
{
  const std::vector<Rgba> pixels = {{250, 20, 10, 255}, {5, 200, 40, 128}, {30, 60, 240, 3}, {90, 0, 180, 0}};
  Bytes png;
  stbi_write_png_to_func(Append, &png, 2, 2, 4, pixels.data(), 2 * 4);
  const vexelimage::Pixels decoded = vexelimage::Decode(png.data(), png.size(), 64, 4096);
  ASSERT_EQ(decoded.rgba.size(), pixels.size() * 4);
  for (size_t i = 0; i < pixels.size(); ++i)
  {
    const uint8_t* p = &decoded.rgba[i * 4];
    EXPECT_EQ((Rgba{p[0], p[1], p[2], p[3]}), pixels[i]) << "pixel " << i;
  }
}

// An image of exactly as many pixels as allowed decodes; one pixel fewer allowed refuses it, in every format.
TEST(VexelImages, AnImageOfExactlyTheLargestPixelCountAndSideAllowedDecodes)
{
  const struct
  {
    const char* what;
    Bytes bytes;
    int pixels, side;
  } cases[] = {
    {"plain PNG", Png(6, 5), 30, 6},
    {"iPhone-optimised PNG", IphonePng(6, 5, std::vector<Rgba>(30, Rgba{1, 2, 3, 255})), 30, 6},
    {"tall iPhone-optimised PNG", IphonePng(5, 6, std::vector<Rgba>(30, Rgba{1, 2, 3, 255})), 30, 6},
    {"JPEG", Jpeg(), 24 * 16, 24},
  };
  for (const auto& c : cases)
  {
    const auto decoded = [&](int maxSide, long long maxPixels) {
      return vexelimage::Decode(c.bytes.data(), c.bytes.size(), maxSide, maxPixels).rgba.size();
    };
    EXPECT_EQ(decoded(c.side, c.pixels), size_t(c.pixels) * 4) << c.what;
    EXPECT_EQ(decoded(64, c.pixels - 1), 0u) << c.what;
    EXPECT_EQ(decoded(c.side - 1, c.pixels), 0u) << c.what;
  }
}

TEST(VexelImages, IphoneOptimisedPngFilesDecodeToPlainPixels)
{
  constexpr int kW = 3, kH = 5; // five rows: one for each filter
  std::vector<Rgba> opaque, translucent;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
    {
      const Rgba colour{uint8_t(10 + 40 * x), uint8_t(5 + 30 * y), uint8_t(200 - 20 * x), 255};
      opaque.push_back(colour);
      // Values whose premultiplication rounds back exactly; no alpha at all keeps no colour. The last pixel is
      // translucent.
      const Rgba kinds[] = {colour, {255, 128, 64, 128}, {0, 0, 0, 0}};
      translucent.push_back(kinds[(x + y + 1) % 3]);
    }
  std::vector<Rgba> grey, greyTranslucent;
  for (size_t i = 0; i < opaque.size(); ++i)
  {
    const uint8_t v = opaque[i].g;
    grey.push_back({v, v, v, 255});
    const Rgba kinds[] = {{v, v, v, 255}, {128, 128, 128, 128}, {0, 0, 0, 0}};
    greyTranslucent.push_back(kinds[i % 3]);
  }
  const struct
  {
    const char* what;
    int colourType;
    const std::vector<Rgba>& pixels;
    bool note, oneDataChunk;
  } cases[] = {{"colour", 2, opaque, false, false},
               {"colour with alpha", 6, translucent, false, false},
               {"colour with alpha and a text chunk", 6, translucent, true, false},
               {"colour with alpha, its data in one chunk", 6, translucent, false, true},
               {"grey", 0, grey, false, false},
               {"grey with alpha", 4, greyTranslucent, false, false}};
  for (const auto& c : cases)
  {
    IphoneLayout layout;
    layout.colourType = c.colourType;
    layout.note = c.note;
    layout.oneDataChunk = c.oneDataChunk;
    const Bytes png = IphonePng(kW, kH, c.pixels, layout);
    const vexelimage::Pixels decoded = vexelimage::Decode(png.data(), png.size(), 64, 4096);
    ASSERT_EQ(decoded.rgba.size(), size_t(kW * kH * 4)) << c.what;
    EXPECT_EQ(decoded.width, kW);
    EXPECT_EQ(decoded.height, kH);
    for (size_t i = 0; i < c.pixels.size(); ++i)
    {
      const uint8_t* p = &decoded.rgba[i * 4];
      EXPECT_EQ((Rgba{p[0], p[1], p[2], p[3]}), c.pixels[i]) << c.what << " pixel " << i;
    }
  }
}

// The chunks besides the image data are kept: a transparency chunk naming a grey level makes the pixels of that
// level clear and leaves the others opaque.
TEST(VexelImages, AnIphoneOptimisedPngFileKeepsItsTransparentGreyLevel)
{
  const std::vector<Rgba> pixels = {{100, 100, 100, 255}, {101, 101, 101, 255}, {100, 100, 100, 255},
                                    {0, 0, 0, 255},       {255, 255, 255, 255}, {100, 100, 100, 255}};
  IphoneLayout layout;
  layout.colourType = 0;
  layout.transparentGrey = 100;
  const Bytes png = IphonePng(3, 2, pixels, layout);
  const vexelimage::Pixels decoded = vexelimage::Decode(png.data(), png.size(), 64, 4096);
  ASSERT_EQ(decoded.rgba.size(), pixels.size() * 4);
  for (size_t i = 0; i < pixels.size(); ++i)
  {
    EXPECT_EQ(decoded.rgba[i * 4 + 3], pixels[i].r == 100 ? 0 : 255) << "pixel " << i;
    if (pixels[i].r != 100)
    {
      EXPECT_EQ(decoded.rgba[i * 4], pixels[i].r) << "pixel " << i;
    }
  }
}

TEST(VexelImages, IphoneOptimisedPngFilesThatCannotBeConvertedDecodeToNothing)
{
  const std::vector<Rgba> pixels(6, Rgba{1, 2, 3, 255});
  auto layout = [](auto change) {
    IphoneLayout l;
    change(l);
    return l;
  };
  const struct
  {
    const char* what;
    IphoneLayout layout;
    int maxSide;
  } cases[] = {
    {"image data cut short", layout([](IphoneLayout& l) { l.cutData = true; }), 64},
    {"16 bits a channel", layout([](IphoneLayout& l) { l.depth = 16; }), 64},
    {"interlaced", layout([](IphoneLayout& l) { l.interlace = 1; }), 64},
    {"palette colours", layout([](IphoneLayout& l) { l.colourType = 3; }), 64},
    {"no header", layout([](IphoneLayout& l) { l.header = false; }), 64},
    {"wider than allowed", IphoneLayout{}, 2},
  };
  for (const auto& c : cases)
  {
    const Bytes png = IphonePng(3, 2, pixels, c.layout);
    const vexelimage::Pixels nothing = vexelimage::Decode(png.data(), png.size(), c.maxSide, 4096);
    EXPECT_TRUE(nothing.rgba.empty() && nothing.width == 0 && nothing.height == 0) << c.what;
    for (size_t cut = 0; cut < png.size(); ++cut) // truncated anywhere, inside a chunk's length, type, data or CRC
      EXPECT_TRUE(vexelimage::Decode(png.data(), cut, 64, 4096).rgba.empty()) << c.what << " cut at " << cut;
  }
}

// The image data is read through a small buffer, no further than the rows the header describes, before anything
// the size of the image is made: a file claiming the largest image allowed with next to no data, or with data
// inflating past those rows, is refused without asking for a large allocation.
TEST(VexelImages, IphoneOptimisedPngFilesAreReadNoFurtherThanTheirHeader)
{
  constexpr int kW = 16384, kH = 4096; // as many pixels as allowed
  const size_t rows = size_t(kH) * (1 + size_t(kW) * 4);
  const Bytes bomb = DeflatedZeros(rows + 1024);
  const struct
  {
    const char* what;
    int w, h;
    Bytes data;
  } cases[] = {
    {"a few bytes of data", kW, kH, DeflateRaw(Bytes(4, 0))},
    {"data inflating past the rows", kW, kH, bomb},
    {"a small image with data inflating past the rows of a large one", 16, 16, bomb},
  };
  const size_t refusedBefore = testsupport::RefusedAllocations();
  for (const auto& c : cases)
  {
    const Bytes png = IphoneFile(c.w, c.h, IphoneLayout{}, c.data);
    EXPECT_LT(png.size(), size_t(300 * 1024)) << c.what;
    EXPECT_TRUE(vexelimage::Decode(png.data(), png.size(), VX_MAX_IMAGE_SIDE, VX_MAX_IMAGE_PIXELS).rgba.empty())
      << c.what;
    if (testsupport::CountsRefusedAllocations())
    {
      EXPECT_EQ(testsupport::RefusedAllocations(), refusedBefore) << c.what << ": asked for a large allocation";
    }
  }
}

// The image data must inflate to exactly the rows of the header: running on by any amount is refused, also when
// the rows or the run-on fill whole reads of the inflate buffer (16 KB), and so are bytes after the deflated data,
// its own checksum included.
TEST(VexelImages, IphoneOptimisedPngFilesWhoseDataRunsPastTheirRowsAreRefused)
{
  constexpr size_t kBuffer = 16 * 1024;
  const struct
  {
    int w, h; // grey: rows of 1 + w bytes
  } sizes[] = {{127, 128}, {99, 100}, {199, 100}, {199, 200}}; // 16384 bytes of rows, 10000, 20000 and 40000
  for (const auto& size : sizes)
  {
    const size_t rows = size_t(size.h) * (1 + size_t(size.w));
    const size_t toBufferEnd = (kBuffer - rows % kBuffer) % kBuffer;
    std::vector<size_t> runOns = {1, 100, 5000, kBuffer, 2 * kBuffer};
    if (toBufferEnd > 0) // ending exactly at the next one, two and three buffers
      runOns.insert(runOns.end(), {toBufferEnd, toBufferEnd + kBuffer, toBufferEnd + 2 * kBuffer});
    IphoneLayout grey;
    grey.colourType = 0;
    auto decode = [&](const Bytes& data) {
      const Bytes png = IphoneFile(size.w, size.h, grey, data);
      return vexelimage::Decode(png.data(), png.size(), VX_MAX_IMAGE_SIDE, VX_MAX_IMAGE_PIXELS);
    };
    const std::string what = std::to_string(rows) + " bytes of rows";
    const vexelimage::Pixels exact = decode(DeflateRaw(Bytes(rows, 0)));
    EXPECT_EQ(exact.width, size.w) << what << " decode";
    EXPECT_EQ(exact.rgba.size(), size_t(size.w) * size_t(size.h) * 4) << what << " decode";
    for (size_t runOn : runOns)
      EXPECT_TRUE(decode(DeflateRaw(Bytes(rows + runOn, 0))).rgba.empty()) << what << " run on by " << runOn;
    // The zlib checksum of the rows, as a standard PNG ends its image data with, is trailing bytes here too.
    const uint32_t adler = uint32_t(adler32(adler32(0, nullptr, 0), Bytes(rows, 0).data(), uInt(rows)));
    const Bytes checksum = {uint8_t(adler >> 24), uint8_t(adler >> 16), uint8_t(adler >> 8), uint8_t(adler)};
    for (const Bytes& trailer : {Bytes{0}, Bytes{1, 2, 3}, checksum})
    {
      Bytes trailed = DeflateRaw(Bytes(rows, 0));
      trailed.insert(trailed.end(), trailer.begin(), trailer.end());
      EXPECT_TRUE(decode(trailed).rgba.empty()) << what << " with " << trailer.size() << " bytes after the deflated data";
    }
  }
}

// An image within the limits whose pixels need more memory than is left (no allocation above 1 MB is granted here)
// decodes to nothing and leaves nothing of the decoder behind, plain or iPhone-optimised.
TEST(VexelImages, ImagesTooLargeForTheMemoryLeftLeaveNothingAllocated)
{
  if (!testsupport::CountsRefusedAllocations())
    GTEST_SKIP() << "under a sanitizer a refused allocation of the pixels ends the program";
  IphoneLayout grey;
  grey.colourType = 0;
  const struct
  {
    const char* what;
    Bytes file;
  } cases[] = {
    {"plain", Png(1024, 512)}, // 2 MB of pixels
    {"iPhone-optimised", IphoneFile(2047, 1024, grey, DeflatedZeros(2048 * 1024))}, // 8 MB of pixels, 2 MB of rows
  };
  for (const auto& c : cases)
  {
    auto decode = [&] { return vexelimage::Decode(c.file.data(), c.file.size(), VX_MAX_IMAGE_SIDE, VX_MAX_IMAGE_PIXELS); };
    EXPECT_TRUE(decode().rgba.empty()) << c.what;
    const size_t inUse = mallinfo2().uordblks;
    for (int i = 0; i < 8; ++i)
      decode();
    EXPECT_EQ(mallinfo2().uordblks, inUse) << c.what << ": bytes left allocated by 8 decodes";
  }
}

} // namespace
