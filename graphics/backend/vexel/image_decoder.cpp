// PNG through libpng's simplified reader (an iPhone-optimised PNG rewritten as a standard one first), JPEG through libjpeg-turbo with its errors caught by a jump back here.
#include "image_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jpeglib.h>
#include <png.h>

#include "iphone_png.h"

namespace vexelimage {

namespace {

bool SizeAllowed(long long w, long long h, int maxSide, long long maxPixels)
{
  return w > 0 && h > 0 && w <= maxSide && h <= maxSide && w * h <= maxPixels;
}

/// libpng's read state, freed on every way out (a refused allocation of the pixels included).
struct PngRead
{
  png_image image;
  PngRead()
  {
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
  }
  ~PngRead() { png_image_free(&image); }
  PngRead(const PngRead&) = delete;
  PngRead& operator=(const PngRead&) = delete;
};

/// blueFirst: the colour channels are stored blue-green-red.
Pixels DecodePng(const unsigned char* data, size_t size, int maxSide, long long maxPixels, bool blueFirst = false)
{
  Pixels out;
  PngRead read;
  png_image& image = read.image;
  if (!png_image_begin_read_from_memory(&image, data, size) ||
      !SizeAllowed(image.width, image.height, maxSide, maxPixels))
    return out;
  image.format = blueFirst ? PNG_FORMAT_BGRA : PNG_FORMAT_RGBA; // either way red lands first
  std::vector<unsigned char> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr))
    return out;
  out.width = int(image.width);
  out.height = int(image.height);
  out.rgba.swap(rgba);
  return out;
}

struct JpegErrors
{
  jpeg_error_mgr manager;
  std::jmp_buf back;
};

[[noreturn]] void JpegFailed(j_common_ptr info)
{
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->back, 1);
}

void JpegQuiet(j_common_ptr, int) {}

/// Decodes into rgba, which the caller sizes once the header is known; no object with a destructor lives between
/// the jump's set-up and its target.
bool DecodeJpegInto(jpeg_decompress_struct& info, JpegErrors& errors, const unsigned char* data, size_t size,
                    int maxSide, long long maxPixels, std::vector<unsigned char>& rgba, int& w, int& h)
{
  if (setjmp(errors.back))
    return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, (unsigned long)size);
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
      !SizeAllowed(info.image_width, info.image_height, maxSide, maxPixels))
    return false;
  info.out_color_space = JCS_EXT_RGBA;
  jpeg_start_decompress(&info);
  w = int(info.output_width);
  h = int(info.output_height);
  if (info.output_components != 4 || !SizeAllowed(w, h, maxSide, maxPixels))
    return false;
  try
  {
    rgba.resize(size_t(w) * size_t(h) * 4);
  }
  catch (const std::bad_alloc&)
  {
    return false; // the decoder is still to be destroyed by the caller
  }
  while (info.output_scanline < info.output_height)
  {
    JSAMPROW row = rgba.data() + size_t(info.output_scanline) * size_t(w) * 4;
    if (jpeg_read_scanlines(&info, &row, 1) != 1)
      return false;
  }
  jpeg_finish_decompress(&info);
  return true;
}

Pixels DecodeJpeg(const unsigned char* data, size_t size, int maxSide, long long maxPixels)
{
  jpeg_decompress_struct info;
  JpegErrors errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JpegFailed;
  errors.manager.emit_message = JpegQuiet;
  Pixels out;
  const bool decoded =
    DecodeJpegInto(info, errors, data, size, maxSide, maxPixels, out.rgba, out.width, out.height);
  jpeg_destroy_decompress(&info);
  if (!decoded)
    return Pixels{};
  return out;
}

Pixels DecodeBytes(const unsigned char* data, size_t size, int maxSide, long long maxPixels)
{
  static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (!data || size < 8)
    return Pixels{};
  if (std::memcmp(data, kPng, sizeof(kPng)) == 0 && IsIphonePng(data, size))
  {
    bool hasAlpha = false, blueFirst = false;
    const std::vector<unsigned char> png = ConvertIphonePng(data, size, maxSide, maxPixels, hasAlpha, blueFirst);
    if (png.empty())
      return Pixels{};
    Pixels pixels = DecodePng(png.data(), png.size(), maxSide, maxPixels, blueFirst);
    if (hasAlpha)
      Unpremultiply(pixels.rgba);
    return pixels;
  }
  if (std::memcmp(data, kPng, sizeof(kPng)) == 0)
    return DecodePng(data, size, maxSide, maxPixels);
  if (data[0] == 0xff && data[1] == 0xd8)
    return DecodeJpeg(data, size, maxSide, maxPixels);
  return Pixels{};
}

} // namespace

Pixels Decode(const unsigned char* data, size_t size, int maxSide, long long maxPixels)
{
  try
  {
    return DecodeBytes(data, size, maxSide, maxPixels);
  }
  catch (const std::bad_alloc&)
  {
    return Pixels{}; // an image within the limits, but more than the memory left
  }
}

} // namespace vexelimage
