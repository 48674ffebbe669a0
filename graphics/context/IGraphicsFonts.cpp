// Registering fonts: the platform finds and opens a font, the back end takes its bytes for its glyph
// rasteriser, and the platform's descriptor of it is kept in the process-wide font-descriptor cache. Also the
// bounds of rotated text.
#include <algorithm>
#include <cmath>

#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

namespace {

/// Hands an opened font to the back end and caches its descriptor when the back end takes it. The platform's
/// font object is released on return in every case.
bool RegisterFont(IGraphics& g, const char* fontID, PlatformFontPointer font)
{
  if (!font)
    return false;
  const bool loaded = g.LoadAPIFont(fontID, font);
  if (loaded)
    g.CachePlatformFont(fontID, font);
  return loaded;
}

bool ValidFontID(const char* fontID) { return fontID && fontID[0]; }

} // namespace

bool IGraphics::LoadFont(const char* fontID, const char* fileNameOrResID)
{
  return ValidFontID(fontID) && RegisterFont(*this, fontID, LoadFontFromResource(fontID, fileNameOrResID));
}

bool IGraphics::LoadFontFromData(const char* fontID, void* data, int dataSize)
{
  return ValidFontID(fontID) && data && dataSize > 0 &&
         RegisterFont(*this, fontID, LoadFontFromMemory(fontID, data, dataSize));
}

bool IGraphics::LoadFontByFamily(const char* fontID, const char* familyName, int style)
{
  return ValidFontID(fontID) && RegisterFont(*this, fontID, LoadFontByName(fontID, familyName, style));
}

void IGraphics::RotateTextBounds(const IText& text, const IRECT& bounds, IRECT& rect, double& tx,
                                 double& ty) const
{
  tx = ty = 0.0;
  if (text.mAngle == 0.f)
    return;
  const double theta = double(text.mAngle) / 180.0 * 3.1415927;
  const double c = std::cos(theta), s = std::sin(theta);
  const double xs[4] = {rect.mLeft, rect.mRight, rect.mRight, rect.mLeft};
  const double ys[4] = {rect.mTop, rect.mTop, rect.mBottom, rect.mBottom};
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  for (int i = 0; i < 4; ++i)
  {
    const double x = xs[i] * c - ys[i] * s, y = xs[i] * s + ys[i] * c;
    x0 = i ? std::min(x0, x) : x, x1 = i ? std::max(x1, x) : x;
    y0 = i ? std::min(y0, y) : y, y1 = i ? std::max(y1, y) : y;
  }
  rect = IRECT(float(x0), float(y0), float(x1), float(y1));

  switch (text.mHAlign)
  {
    case kAlignNear: tx = double(bounds.mLeft) - rect.mLeft; break;
    case kAlignCenter: tx = double(bounds.CentreX()) - rect.CentreX(); break;
    case kAlignFar: tx = double(bounds.mRight) - rect.mRight; break;
    default: break;
  }
  switch (text.mVAlign)
  {
    case kVAlignTop: ty = double(bounds.mTop) - rect.mTop; break;
    case kVAlignMiddle: ty = double(bounds.CentreY()) - rect.CentreY(); break;
    case kVAlignBottom: ty = double(bounds.mBottom) - rect.mBottom; break;
    default: break;
  }
}

void IGraphics::OffsetRotatedText(const IText& text, const IRECT& bounds, IRECT& rect) const
{
  double tx = 0.0, ty = 0.0;
  RotateTextBounds(text, bounds, rect, tx, ty);
  rect.Offset(static_cast<float>(tx), static_cast<float>(ty));
}

} // namespace igraphics
} // namespace plug
