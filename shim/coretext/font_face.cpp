// Font bytes and the check that a face of them can be drawn. stb_truetype is compiled here, private to this file.
#include <cstdio>

#include "coretext/font_descriptor.h"

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>
#undef STB_TRUETYPE_IMPLEMENTATION

namespace coretext {

namespace {

uint32_t ReadU32(const std::vector<uint8_t>& b, size_t at)
{
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

/// stb_truetype reads the table directory and the tables it names without knowing the buffer's length: the
/// directory and every table must lie inside the bytes.
bool TablesInside(const std::vector<uint8_t>& bytes, size_t face)
{
  constexpr size_t kHeaderSize = 12, kRecordSize = 16;
  const size_t tables = size_t(bytes[face + 4]) << 8 | bytes[face + 5];
  if (face + kHeaderSize + tables * kRecordSize > bytes.size())
    return false;
  for (size_t i = 0; i < tables; ++i)
  {
    const size_t record = face + kHeaderSize + i * kRecordSize;
    const uint64_t start = ReadU32(bytes, record + 8), length = ReadU32(bytes, record + 12);
    if (start + length > bytes.size())
      return false;
  }
  return true;
}

} // namespace

FontBytes FontBytesFromFile(const std::string& path)
{
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
    return nullptr;
  auto bytes = std::make_shared<std::vector<uint8_t>>();
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0)
    bytes->insert(bytes->end(), chunk, chunk + n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed || bytes->empty())
    return nullptr;
  return bytes;
}

FontBytes FontBytesFromMemory(const void* data, size_t size)
{
  if (!data || size == 0)
    return nullptr;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  return std::make_shared<const std::vector<uint8_t>>(p, p + size);
}

bool ReadFontFace(const std::vector<uint8_t>& bytes, int faceIndex, FontMetrics& metrics)
{
  // stb_truetype reads the table directory without knowing the buffer's length: it needs at least a header.
  constexpr size_t kSfntHeaderSize = 12;
  if (bytes.size() < kSfntHeaderSize || faceIndex < 0 || bytes.size() > size_t(INT32_MAX))
    return false;
  if (faceIndex >= stbtt_GetNumberOfFonts(bytes.data()))
    return false;
  const bool collection = bytes[0] == 't' && bytes[1] == 't' && bytes[2] == 'c' && bytes[3] == 'f';
  if (collection && kSfntHeaderSize + 4 * (size_t(faceIndex) + 1) > bytes.size())
    return false;
  const int offset = stbtt_GetFontOffsetForIndex(bytes.data(), faceIndex);
  if (offset < 0 || size_t(offset) + kSfntHeaderSize > bytes.size())
    return false;
  if (!TablesInside(bytes, size_t(offset)))
    return false;
  stbtt_fontinfo info;
  if (!stbtt_InitFont(&info, bytes.data(), offset))
    return false;
  // Every table the face points at must lie inside the bytes: stb_truetype reads them unchecked.
  const int head = info.head, hhea = info.hhea;
  if (head <= 0 || hhea <= 0 || size_t(head) + 54 > bytes.size() || size_t(hhea) + 36 > bytes.size())
    return false;
  const int unitsPerEm = int(bytes[size_t(head) + 18]) << 8 | bytes[size_t(head) + 19];
  int ascent = 0, descent = 0, lineGap = 0;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &lineGap);
  if (unitsPerEm <= 0 || ascent <= descent)
    return false;
  metrics.mUnitsPerEm = unitsPerEm;
  metrics.mAscender = ascent;
  metrics.mDescender = descent;
  return true;
}

FontDescriptorRef DescriptorForBytes(const FontBytes& bytes, const std::string& path)
{
  if (!bytes)
    return nullptr;
  auto descriptor = std::make_shared<FontDescriptor>();
  if (!ReadFontFace(*bytes, 0, descriptor->mMetrics))
    return nullptr;
  descriptor->mPath = path;
  return descriptor;
}

} // namespace coretext
