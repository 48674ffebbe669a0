#include "iphone_png.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <zlib.h>

namespace vexelimage {

namespace {

constexpr size_t kSignatureSize = 8;
constexpr size_t kChunkOverhead = 12; // length, type, CRC
constexpr size_t kHeaderSize = 13;
/// Inflated bytes read at a time while checking image data.
constexpr size_t kInflateBufferSize = 16 * 1024;
/// The image data is written in chunks of at most this many bytes.
constexpr size_t kDataChunkSize = 1 << 20;
/// A zlib header: deflate with a 32 KB window, no dictionary, and check bits that make it a multiple of 31.
constexpr unsigned char kZlibHeader[2] = {0x78, 0x01};

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

/// What a raw deflate stream (no zlib header or checksum) inflates to, read through a small buffer: true when the
/// stream is the whole of `in` and ends having given exactly `expected` bytes. Reading stops as soon as it would
/// give more, so that a small stream claiming a small image cannot make a large amount of work.
bool CheckRawDeflate(const std::vector<unsigned char>& in, size_t expected, uint32_t& checksum)
{
  z_stream stream;
  std::memset(&stream, 0, sizeof(stream));
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
    return false;
  unsigned char buffer[kInflateBufferSize];
  stream.next_in = const_cast<unsigned char*>(in.data());
  stream.avail_in = uInt(in.size());
  uLong adler = adler32(0, nullptr, 0);
  size_t produced = 0;
  bool runsOn = false;
  int result = Z_OK;
  while (result == Z_OK)
  {
    stream.next_out = buffer;
    stream.avail_out = sizeof(buffer);
    result = inflate(&stream, Z_NO_FLUSH);
    const size_t got = sizeof(buffer) - stream.avail_out;
    runsOn = got > expected - produced; // also when the stream ends with this read
    if (runsOn)
      break;
    adler = adler32(adler, buffer, uInt(got));
    produced += got;
    if (result == Z_OK && got == 0) // nothing more to read, and not at the end
      break;
  }
  const bool whole = !runsOn && result == Z_STREAM_END && produced == expected && stream.total_in == in.size();
  inflateEnd(&stream);
  checksum = uint32_t(adler);
  return whole;
}

} // namespace

bool IsIphonePng(const unsigned char* data, size_t size)
{
  size_t offset = kSignatureSize;
  Chunk first;
  return data && size > kSignatureSize && NextChunk(data, size, offset, first) && first.Is("CgBI");
}

std::vector<unsigned char> ConvertIphonePng(const unsigned char* data, size_t size, int maxSide, long long maxPixels,
                                            bool& hasAlpha, bool& blueFirst)
{
  hasAlpha = blueFirst = false;
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

  // The image data must inflate to exactly the rows the header describes (a filter byte, then the pixels) before
  // anything the size of the image is made; it is then given the zlib header and checksum a standard PNG has.
  const size_t rowSize = 1 + size_t(width) * channels;
  uint32_t checksum = 0;
  if (!CheckRawDeflate(deflated, rowSize * height, checksum))
    return {};
  std::vector<unsigned char> wrapped(kZlibHeader, kZlibHeader + sizeof(kZlibHeader));
  wrapped.insert(wrapped.end(), deflated.begin(), deflated.end());
  AppendBigEndian(wrapped, checksum);
  std::vector<unsigned char> idat;
  for (size_t at = 0; at < wrapped.size(); at += kDataChunkSize)
    AppendChunk(idat, "IDAT", wrapped.data() + at, std::min(kDataChunkSize, wrapped.size() - at));
  out.insert(out.begin() + std::ptrdiff_t(dataAt), idat.begin(), idat.end());
  AppendChunk(out, "IEND", nullptr, 0);
  hasAlpha = colourType == kGreyAlpha || colourType == kColourAlpha;
  blueFirst = channels >= 3;
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
