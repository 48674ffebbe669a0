#include "decoding_backend.h"

#include <cstdio>

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

namespace graphicstest {

namespace {

APIBitmap* MakeBitmap(unsigned char* rgba, int w, int h, int scale, const char* source)
{
  if (!rgba)
    return nullptr;
  auto* bitmap = new RecordedBitmap(w, h, scale, 1.f, source);
  bitmap->mPixels.assign(rgba, rgba + size_t(w) * size_t(h) * 4);
  stbi_image_free(rgba);
  return bitmap;
}

} // namespace

APIBitmap* DecodingGraphics::LoadAPIBitmap(const char* path, int scale, int location, const char* ext)
{
  mDecodedPaths.push_back(path);
  int w = 0, h = 0, n = 0;
  unsigned char* rgba = stbi_load(path, &w, &h, &n, 4);
  return MakeBitmap(rgba, w, h, scale, path);
}

APIBitmap* DecodingGraphics::LoadAPIBitmapData(const char* name, const void* data, int dataSize, int scale)
{
  int w = 0, h = 0, n = 0;
  unsigned char* rgba = stbi_load_from_memory(static_cast<const unsigned char*>(data), dataSize, &w, &h, &n, 4);
  return MakeBitmap(rgba, w, h, scale, name);
}

std::vector<uint8_t> SolidPixels(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
  std::vector<uint8_t> px;
  for (int i = 0; i < w * h; ++i)
    px.insert(px.end(), {r, g, b, a});
  return px;
}

std::vector<uint8_t> EncodePng(int w, int h, const std::vector<uint8_t>& rgba)
{
  std::vector<uint8_t> bytes;
  auto append = [](void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  };
  if (!stbi_write_png_to_func(append, &bytes, w, h, 4, rgba.data(), w * 4))
    bytes.clear();
  return bytes;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
    return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

} // namespace graphicstest
