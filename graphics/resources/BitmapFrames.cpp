#include "graphics/resources/BitmapFrames.h"

#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

IBitmap RescaledBitmap(IGraphics* g, const IBitmap& bitmap)
{
  if (!g || !bitmap.IsValid())
    return bitmap;
  const IBitmap rescaled = g->RescaleBitmap(bitmap);
  return rescaled.IsValid() ? rescaled : bitmap;
}

} // namespace igraphics
} // namespace plug
