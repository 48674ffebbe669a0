#include "graphics/backend/vexel_context/VexelConversions.h"

#include <cmath>

namespace plug {
namespace igraphics {

VXcolor ToVXColor(const IColor& color, const IBlend* blend)
{
  const float weight = blend ? blend->mWeight : 1.f;
  return vxColorFromFloats(float(color.mRed) / 255.f, float(color.mGreen) / 255.f, float(color.mBlue) / 255.f,
                           float(color.mAlpha) / 255.f * weight);
}

void ApplyVXBlend(VXcontext* vg, const IBlend* blend)
{
  if (!blend)
  {
    vxSetCompositeOperation(vg, VX_SOURCE_OVER);
    return;
  }
  switch (blend->mMethod)
  {
    case kBlendDefault: vxSetCompositeOperation(vg, VX_SOURCE_OVER); break;
    case kBlendSourceIn: vxSetCompositeOperation(vg, VX_SOURCE_IN); break;
    case kBlendSourceOut: vxSetCompositeOperation(vg, VX_SOURCE_OUT); break;
    case kBlendSourceAtop: vxSetCompositeOperation(vg, VX_ATOP); break;
    case kBlendDestinationOver: vxSetCompositeOperation(vg, VX_DESTINATION_OVER); break;
    case kBlendDestinationIn: vxSetCompositeOperation(vg, VX_DESTINATION_IN); break;
    case kBlendDestinationOut: vxSetCompositeOperation(vg, VX_DESTINATION_OUT); break;
    case kBlendDestinationAtop: vxSetCompositeOperation(vg, VX_DESTINATION_ATOP); break;
    case kBlendSourceAlphaDestinationAlpha: vxSetBlendFactors(vg, VX_SOURCE_ALPHA, VX_DESTINATION_ALPHA); break;
    case kBlendXOR: vxSetCompositeOperation(vg, VX_XOR); break;
    default: break;
  }
}

bool ToVXPaint(VXcontext* vg, const IPaintPattern& pattern, const IBlend* blend, VXpaint& paint)
{
  if (pattern.mNStops < 1)
    return false;
  const IMatrix& m = pattern.mTransform;
  const double det = m.mXX * m.mYY - m.mYX * m.mXY;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12)
    return false;
  // The inverse maps pattern space back to drawing coordinates.
  const double ixx = m.mYY / det, iyx = -m.mYX / det, ixy = -m.mXY / det, iyy = m.mXX / det;
  const double itx = -(ixx * m.mTX + ixy * m.mTY), ity = -(iyx * m.mTX + iyy * m.mTY);
  const VXcolor c0 = ToVXColor(pattern.FirstColor(), blend), c1 = ToVXColor(pattern.LastColor(), blend);
  if (pattern.mType == kRadialPattern)
  {
    const float outer = float(std::hypot(ixx, iyx));
    paint = vxMakeRadialGradient(vg, float(itx), float(ity), pattern.mStops[0].mOffset * outer, outer, c0, c1);
  }
  else
    paint = vxMakeLinearGradient(vg, float(itx), float(ity), float(ixy + itx), float(iyy + ity), c0, c1);
  return true;
}

} // namespace igraphics
} // namespace plug
