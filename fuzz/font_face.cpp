// Feeds arbitrary bytes to the usable-face check for the first faces of a file and checks what it accepts: a
// positive em square and an ascender above the descender.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "coretext/font_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const std::vector<uint8_t> bytes(data, data + size);
  for (int face = 0; face < 3; ++face)
  {
    coretext::FontMetrics metrics;
    if (coretext::ReadFontFace(bytes, face, metrics) &&
        (metrics.mUnitsPerEm <= 0 || metrics.mAscender <= metrics.mDescender))
      std::abort();
  }
  return 0;
}
