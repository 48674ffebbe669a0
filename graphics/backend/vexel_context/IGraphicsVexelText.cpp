// Text of the Vexel graphics context: fonts handed to Vexel's font stash with their bytes kept once per process,
// and text measured and drawn aligned in a rectangle, rotated when the style asks.
#include "graphics/backend/vexel_context/IGraphicsVexel.h"

#include "graphics/resources/FontFileReader.h"
#include "graphics/backend/vexel_context/VexelConversions.h"

namespace plug {
namespace igraphics {

StaticStorage<FontData>& IGraphicsVexel::FontDataCache()
{
  static StaticStorage<FontData> cache;
  return cache;
}

bool IGraphicsVexel::LoadAPIFont(const char* fontID, const PlatformFontPointer& font)
{
  if (!mVG || !fontID)
    return false;
  StaticStorage<FontData>& cache = FontDataCache();
  LibMutexLock lock(cache.Mutex());
  // Vexel reads the bytes where they lie and never frees them: the cache keeps them while any context lives.
  if (FontData* cached = cache.Find(fontID, 1.0))
    return vxAddFontMemoryFace(mVG, fontID, cached->mBytes.data(), int(cached->mBytes.size()), cached->mFaceIdx,
                               0) >= 0;
  if (!font)
    return false;
  std::unique_ptr<FontData> data = font->GetFontData();
  if (!data || data->mBytes.empty() || data->mFaceIdx < 0 ||
      !FontFileReader(data->mBytes.data(), data->mBytes.size(), data->mFaceIdx).IsValid())
    return false;
  if (vxAddFontMemoryFace(mVG, fontID, data->mBytes.data(), int(data->mBytes.size()), data->mFaceIdx, 0) < 0)
    return false;
  cache.Add(data.release(), fontID, 1.0);
  return true;
}

void IGraphicsVexel::PrepareTextMeasure(const IText& text, const char* str, IRECT& r, double& x, double& y) const
{
  vxSetFontBlur(mVG, 0.f);
  vxSetFontSize(mVG, text.mSize);
  vxSetFontFaceByName(mVG, text.mFontName);
  int align = 0;
  switch (text.mHAlign)
  {
    case kAlignNear: x = r.mLeft, align |= VX_ALIGN_LEFT; break;
    case kAlignCenter: x = r.CentreX(), align |= VX_ALIGN_CENTER; break;
    case kAlignFar: x = r.mRight, align |= VX_ALIGN_RIGHT; break;
    default: break;
  }
  switch (text.mVAlign)
  {
    case kVAlignTop: y = r.mTop, align |= VX_ALIGN_TOP; break;
    case kVAlignMiddle: y = r.CentreY(), align |= VX_ALIGN_MIDDLE; break;
    case kVAlignBottom: y = r.mBottom, align |= VX_ALIGN_BOTTOM; break;
    default: break;
  }
  vxSetTextAlign(mVG, align);
  float bounds[4] = {};
  vxMeasureText(mVG, float(x), float(y), str, nullptr, bounds);
  r = IRECT(bounds[0], bounds[1], bounds[2], bounds[3]);
}

float IGraphicsVexel::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  if (!mVG || !str)
    return 0.f;
  const IRECT r = bounds;
  double x = 0.0, y = 0.0;
  PrepareTextMeasure(text, str, bounds, x, y);
  OffsetRotatedText(text, r, bounds);
  return bounds.W();
}

void IGraphicsVexel::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend)
{
  if (!mVG || !str || !str[0])
    return;
  IRECT measured = bounds;
  double x = 0.0, y = 0.0;
  PrepareTextMeasure(text, str, measured, x, y);
  PathTransformSave();
  if (text.mAngle != 0.f)
  {
    double tx = 0.0, ty = 0.0;
    RotateTextBounds(text, bounds, measured, tx, ty);
    PathTransformTranslate(float(tx), float(ty));
    PathTransformRotate(text.mAngle);
  }
  vxSetFillColor(mVG, ToVXColor(text.mTextColor, blend));
  ApplyVXBlend(mVG, blend);
  vxDrawText(mVG, float(x), float(y), str, nullptr);
  vxSetCompositeOperation(mVG, VX_SOURCE_OVER);
  PathTransformRestore();
}

} // namespace igraphics
} // namespace plug
