// Feeds arbitrary bytes to the SVG parser as a document and checks the image it returns: every path a start
// point plus whole segments, dash counts and stop counts in range, every point readable.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "svg/svg_image.h"

namespace
{
void Check(bool ok)
{
  if (!ok) std::abort();
}

float Touch(const SvgPath* path)
{
  float sum = 0.0f;
  for (int k = 0; k < path->npts * 2; ++k) sum += path->pts[k];
  return sum;
}

void CheckImage(const SvgImage* image)
{
  Check(image != nullptr);
  volatile float sink = 0.0f;
  for (const SvgShape* shape = image->shapes; shape; shape = shape->next)
  {
    Check(shape->paths != nullptr);
    Check(shape->strokeDashCount >= 0 && shape->strokeDashCount <= 8);
    Check(std::memchr(shape->id, '\0', sizeof(shape->id)) != nullptr);
    for (const SvgPaint* paint : {&shape->fill, &shape->stroke})
    {
      Check(paint->type <= kSvgPaintRadialGradient);
      if (paint->type >= kSvgPaintLinearGradient)
      {
        Check(paint->gradient->nstops > 0);
        for (int i = 1; i < paint->gradient->nstops; ++i)
          Check(!(paint->gradient->stops[i].offset < paint->gradient->stops[i - 1].offset));
      }
    }
    for (const SvgPath* path = shape->paths; path; path = path->next)
    {
      Check(path->npts >= 4 && (path->npts - 1) % 3 == 0);
      sink = sink + Touch(path);
    }
  }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static const char* const kUnits[] = {"px", "pt", "pc", "mm", "cm", "in", "em", "ex", "%"};
  // The parser writes into its text, so it gets a terminated copy of its own.
  std::vector<char> text(size + 1, '\0');
  if (size > 0) std::memcpy(text.data(), data, size);
  const char* units = kUnits[(size > 0 ? data[0] : 0) % 9];
  SvgImage* image = SvgParse(text.data(), units, 96.0f);
  CheckImage(image);
  SvgDeleteImage(image);
  return 0;
}
