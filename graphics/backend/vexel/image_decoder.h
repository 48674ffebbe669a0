// Decoding of PNG and JPEG bytes into RGBA pixels (8 bits a channel, not premultiplied) through Debian's libpng and
// libjpeg-turbo; iPhone-optimised PNG files are converted to plain ones on the way. The size is read from the
// header first: an image over the renderer's limits is refused before any pixel is decoded.
#pragma once

#include <cstddef>
#include <vector>

namespace vexelimage {

struct Pixels
{
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba; // width * height * 4 bytes; empty when the bytes could not be decoded
};

/// [any thread] The image in the bytes, PNG or JPEG by their signature; empty pixels for anything else, for
/// damaged data, for images wider or taller than maxSide or of more than maxPixels pixels, and when the memory for
/// the pixels cannot be had.
Pixels Decode(const unsigned char* data, size_t size, int maxSide, long long maxPixels);

} // namespace vexelimage
