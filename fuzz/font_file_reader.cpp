// Feeds arbitrary bytes to the font-file reader as a font file, for the first faces of a collection, and checks
// what it reads: an empty reader reads nothing, names are terminated text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/resources/FontFileReader.h"

using plug::igraphics::FontFileReader;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  // A copy of exactly the input's size, so any read past its end is seen.
  const std::vector<uint8_t> bytes(data, data + size);
  for (int face = 0; face < 3; ++face)
  {
    const FontFileReader r(bytes.data(), bytes.size(), face);
    volatile size_t sink = std::strlen(r.FamilyName()) + std::strlen(r.StyleName());
    (void)sink;
    if (!r.IsValid() && (r.FamilyName()[0] || r.StyleName()[0] || r.UnitsPerEm() || r.MacStyle()))
      std::abort();
    if (r.IsValid() && (r.Data() < bytes.data() || r.Data() >= bytes.data() + bytes.size()))
      std::abort();
  }
  return 0;
}
