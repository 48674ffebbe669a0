// Font bytes and the check that a face of them can be drawn. stb_truetype is compiled here, private to this file.
#include <cstdio>

#include "coretext/drawable_face.h"
#include "coretext/font_descriptor.h"

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>
#undef STB_TRUETYPE_IMPLEMENTATION

namespace coretext {

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
  if (!FaceIsDrawable(bytes.data(), bytes.size(), size_t(offset)))
    return false;
  stbtt_fontinfo info;
  if (!stbtt_InitFont(&info, bytes.data(), offset))
    return false;
  const int head = info.head;
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
