// Loading bitmaps, SVG images and raw resource files by name, and the process-wide caches they are kept in.
#include "graphics/IGraphics.h"
#include "svg/svg_image.h"

namespace plug {
namespace igraphics {

StaticStorage<APIBitmap>& IGraphics::BitmapCache()
{
  static StaticStorage<APIBitmap> cache;
  return cache;
}

StaticStorage<SVGHolder>& IGraphics::SvgCache()
{
  static StaticStorage<SVGHolder> cache;
  return cache;
}

SVGHolder::~SVGHolder() { SvgDeleteImage(mImage); }

StaticStorage<FontDescriptor>& IGraphics::FontDescriptorCache()
{
  static StaticStorage<FontDescriptor> cache;
  return cache;
}

// Re-renders a bitmap at another scale through a layer; the input until resource loading is complete.
IBitmap IGraphics::ScaleBitmap(const IBitmap& inBitmap, const char* cacheName, int targetScale) { return inBitmap; }

// Caches the bitmap's image under the name; nothing until resource loading is complete.
void IGraphics::RetainBitmap(const IBitmap& bitmap, const char* cacheName) {}

// Removes the bitmap's image from the cache; nothing until resource loading is complete.
void IGraphics::ReleaseBitmap(const IBitmap& bitmap) {}

// Finds, decodes and caches the best file for the scale; the empty bitmap until resource loading is complete.
IBitmap IGraphics::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  return IBitmap();
}

// The same from encoded bytes; the empty bitmap until resource loading is complete.
IBitmap IGraphics::LoadBitmapFromData(const char* name, const uint8_t* data, int dataSize, int nStates,
                                      bool framesAreHorizontal, int targetScale)
{
  return IBitmap();
}

// A cached or newly parsed SVG image; none until resource loading is complete.
ISVG IGraphics::LoadSVG(const char* name, const char* units, float dpi) { return ISVG(); }

ISVG IGraphics::LoadSVGFromData(const char* name, const char* data, int dataSize, const char* units, float dpi)
{
  return ISVG();
}

// The bytes of a resource file; none until resource loading is complete.
RawBitmapData IGraphics::LoadResource(const char* name, const char* type) { return RawBitmapData(); }

// The file of the first scale found in the search order; none until resource loading is complete.
int IGraphics::FindScaledImageFile(const char* name, const char* type, LibString& result, int targetScale,
                                   int& sourceScale)
{
  return 0;
}

// A cached image of the name at the first scale found; none until resource loading is complete.
APIBitmap* IGraphics::SearchBitmapCache(const char* name, int targetScale, int& sourceScale) { return nullptr; }

} // namespace igraphics
} // namespace plug
