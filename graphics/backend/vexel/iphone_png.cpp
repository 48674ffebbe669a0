#include "iphone_png.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <zlib.h>

namespace vexelimage {

namespace {

constexpr size_t kSignatureSize = 8;
constexpr size_t kChunkOverhead = 12; // length, type, CRC
constexpr size_t kHeaderSize = 13;

enum ColourType
{
  kGrey = 0,
  kColour = 2,
  kPalette = 3,
  kGreyAlpha = 4,
  kColourAlpha = 6,
};

uint32_t ReadBigEndian(const unsigned char* p)
{
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void AppendBigEndian(std::vector<unsigned char>& out, uint32_t v)
{
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<unsigned char>(v >> shift));
}

struct Chunk
{
  const unsigned char* type = nullptr; // four bytes, followed by the data
  const unsigned char* data = nullptr;
  size_t size = 0;
  bool Is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

/// The chunk at offset, when it lies wholly within the bytes; offset moves past it.
bool NextChunk(const unsigned char* data, size_t size, size_t& offset, Chunk& chunk)
{
  if (size - offset < kChunkOverhead)
    return false;
  const uint32_t length = ReadBigEndian(data + offset);
  if (length > size - offset - kChunkOverhead)
    return false;
  chunk.type = data + offset + 4;
  chunk.data = data + offset + 8;
  chunk.size = length;
  offset += kChunkOverhead + length;
  return true;
}

/// Appends a chunk with its CRC (over the type and the data).
void AppendChunk(std::vector<unsigned char>& out, const char* type, const unsigned char* data, size_t size)
{
  AppendBigEndian(out, uint32_t(size));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data, data + size);
  AppendBigEndian(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

/// Exactly `expected` bytes inflated from a raw deflate stream (no zlib header or checksum); empty otherwise.
std::vector<unsigned char> InflateRaw(const std::vector<unsigned char>& in, size_t expected)
{
  std::vector<unsigned char> out(expected);
  z_stream stream;
  std::memset(&stream, 0, sizeof(stream));
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
    return {};
  stream.next_in = const_cast<unsigned char*>(in.data());
  stream.avail_in = uInt(in.size());
  stream.next_out = out.data();
  stream.avail_out = uInt(out.size());
  int result = Z_OK;
  while (result == Z_OK && stream.avail_out > 0)
    result = inflate(&stream, Z_NO_FLUSH);
  const size_t produced = stream.total_out;
  inflateEnd(&stream);
  if ((result != Z_OK && result != Z_STREAM_END) || produced != expected)
    return {};
  return out;
}

} // namespace

bool IsIphonePng(const unsigned char* data, size_t size)
{
  size_t offset = kSignatureSize;
  Chunk first;
  return data && size > kSignatureSize && NextChunk(data, size, offset, first) && first.Is("CgBI");
}

std::vector<unsigned char> ConvertIphonePng(const unsigned char* data, size_t size, int maxSide, long long maxPixels,
                                            bool& hasAlpha)
{
  hasAlpha = false;
  size_t offset = kSignatureSize;
  Chunk chunk, header;
  if (!IsIphonePng(data, size) || !NextChunk(data, size, offset, chunk) || !NextChunk(data, size, offset, header) ||
      !header.Is("IHDR") || header.size != kHeaderSize)
    return {};
  const uint32_t width = ReadBigEndian(header.data), height = ReadBigEndian(header.data + 4);
  const int depth = header.data[8], colourType = header.data[9], interlace = header.data[12];
  if (width == 0 || height == 0 || width > uint32_t(maxSide) || height > uint32_t(maxSide) ||
      (long long)width * height > maxPixels || depth != 8 || interlace != 0)
    return {};
  size_t channels = 0;
  switch (colourType)
  {
  case kGrey: channels = 1; break;
  case kColour: channels = 3; break;
  case kGreyAlpha: channels = 2; break;
  case kColourAlpha: channels = 4; break;
  default: return {}; // palette images are not written this way
  }

  // The other chunks are kept in their order; the image data goes where its first chunk was.
  std::vector<unsigned char> out(data, data + kSignatureSize);
  AppendChunk(out, "IHDR", header.data, header.size);
  std::vector<unsigned char> deflated;
  size_t dataAt = 0;
  bool sawData = false, ended = false;
  while (!ended && NextChunk(data, size, offset, chunk))
  {
    if (chunk.Is("IDAT"))
    {
      if (!sawData)
        dataAt = out.size();
      sawData = true;
      deflated.insert(deflated.end(), chunk.data, chunk.data + chunk.size);
    }
    else if (chunk.Is("IEND"))
      ended = true;
    else if (!chunk.Is("CgBI"))
      out.insert(out.end(), chunk.type - 4, chunk.data + chunk.size + 4);
  }
  if (!ended || deflated.empty())
    return {};

  const size_t rowSize = 1 + size_t(width) * channels; // a filter byte, then the pixels
  std::vector<unsigned char> rows = InflateRaw(deflated, rowSize * height);
  if (rows.empty())
    return {};
  // Every filter predicts a byte from the same channel of the pixels to the left, above and above left, so
  // exchanging blue and red in the filtered rows exchanges them in the image.
  if (channels >= 3)
    for (size_t y = 0; y < height; ++y)
      for (unsigned char* p = rows.data() + y * rowSize + 1; p < rows.data() + (y + 1) * rowSize; p += channels)
        std::swap(p[0], p[2]);

  uLongf packedSize = compressBound(uLong(rows.size()));
  std::vector<unsigned char> packed(packedSize);
  if (compress2(packed.data(), &packedSize, rows.data(), uLong(rows.size()), Z_BEST_SPEED) != Z_OK)
    return {};
  std::vector<unsigned char> idat;
  AppendChunk(idat, "IDAT", packed.data(), packedSize);
  out.insert(out.begin() + std::ptrdiff_t(dataAt), idat.begin(), idat.end());
  AppendChunk(out, "IEND", nullptr, 0);
  hasAlpha = colourType == kGreyAlpha || colourType == kColourAlpha;
  return out;
}

void Unpremultiply(std::vector<unsigned char>& rgba)
{
  for (size_t i = 0; i + 3 < rgba.size(); i += 4)
  {
    const unsigned a = rgba[i + 3];
    if (a == 0 || a == 255)
      continue;
    for (size_t c = 0; c < 3; ++c)
      rgba[i + c] = static_cast<unsigned char>(std::min(255u, (rgba[i + c] * 255u + a / 2) / a));
  }
}

} // namespace vexelimage
