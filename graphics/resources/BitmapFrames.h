// The size and place of one frame of a multi-frame bitmap. A bitmap whose file was missing or could not be read
// has no frames: its frame size is 0 and controls draw nothing for it, so no frame count is ever divided by 0.
#pragma once

#include "graphics/resources/IBitmap.h"
#include "graphics/types/IRECT.h"

namespace plug {
namespace igraphics {

class IGraphics;

/// The bitmap loaded again at the graphics context's present screen scale; a bitmap without image, or one that
/// cannot be loaded again, comes back as it is. [main thread]
IBitmap RescaledBitmap(IGraphics* g, const IBitmap& bitmap);

/// Whether the bitmap has an image and at least one frame.
inline bool HasFrames(const IBitmap& b) { return b.IsValid() && b.N() >= 1 && b.W() > 0 && b.H() > 0; }

inline float FrameWidth(const IBitmap& b)
{
  if (b.N() < 1)
    return 0.f;
  return static_cast<float>(b.GetFramesAreHorizontal() ? b.W() / b.N() : b.W());
}

inline float FrameHeight(const IBitmap& b)
{
  if (b.N() < 1)
    return 0.f;
  return static_cast<float>(b.GetFramesAreHorizontal() ? b.H() : b.H() / b.N());
}

/// One frame's size with its top-left corner at (x, y).
inline IRECT FrameRectAt(const IBitmap& b, float x, float y) { return IRECT(x, y, x + FrameWidth(b), y + FrameHeight(b)); }

/// One frame's size centred on the centre of bounds.
inline IRECT FrameRectCentredIn(const IBitmap& b, const IRECT& bounds)
{
  const float l = bounds.CentreX() - FrameWidth(b) / 2.f, t = bounds.CentreY() - FrameHeight(b) / 2.f;
  return IRECT(l, t, l + FrameWidth(b), t + FrameHeight(b));
}

} // namespace igraphics
} // namespace plug
