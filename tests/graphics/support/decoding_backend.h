// A fake platform whose back end decodes real image files and bytes (PNG, JPEG) with stb_image into RGBA pixels,
// so resource tests load real images; and a writer of PNG files for tests to make them with.
#pragma once

#include <string>
#include <vector>

#include "fake_platform.h"

namespace graphicstest {

class DecodingGraphics : public FakePlatformGraphics
{
public:
  using FakePlatformGraphics::FakePlatformGraphics;

  /// Every file decoded (or tried), in order.
  std::vector<std::string> mDecodedPaths;

  APIBitmap* LoadAPIBitmap(const char* path, int scale, int location, const char* ext) override;
  APIBitmap* LoadAPIBitmapData(const char* name, const void* data, int dataSize, int scale) override;
};

/// An RGBA image of w x h pixels, every pixel the same colour.
std::vector<uint8_t> SolidPixels(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
/// Encodes RGBA pixels as PNG bytes (empty on failure).
std::vector<uint8_t> EncodePng(int w, int h, const std::vector<uint8_t>& rgba);
/// Writes the bytes to a file; false on failure.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace graphicstest
