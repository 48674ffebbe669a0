// Registering fonts with the platform and the back end, and the bounds of rotated text.
#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

// Opens a font from the resources and registers it; fails until fonts are complete.
bool IGraphics::LoadFont(const char* fontID, const char* fileNameOrResID) { return false; }

// Registers a font from memory; fails until fonts are complete.
bool IGraphics::LoadFontFromData(const char* fontID, void* data, int dataSize) { return false; }

// Registers an installed font by family; fails until fonts are complete.
bool IGraphics::LoadFontByFamily(const char* fontID, const char* familyName, int style) { return false; }

// The bounding box of rotated text and its offset; unrotated until fonts are complete.
void IGraphics::RotateTextBounds(const IText& text, const IRECT& bounds, IRECT& rect, double& tx,
                                 double& ty) const
{
  tx = ty = 0.0;
}

void IGraphics::OffsetRotatedText(const IText& text, const IRECT& bounds, IRECT& rect) const
{
  double tx = 0.0, ty = 0.0;
  RotateTextBounds(text, bounds, rect, tx, ty);
  rect.Offset(static_cast<float>(tx), static_cast<float>(ty));
}

} // namespace igraphics
} // namespace plug
