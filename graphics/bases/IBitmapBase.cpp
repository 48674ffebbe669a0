#include "graphics/bases/IBitmapBase.h"

#include <algorithm>
#include <cmath>

#include "graphics/bases/IControl.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

int IBitmapBase::CurrentFrame() const
{
  const int n = mBitmap.N();
  if (n < 2 || !mControl)
    return 1;
  double v = mControl->GetValue(0);
  v = std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
  const int k = static_cast<int>(static_cast<double>(n - 1) * v + 0.5);
  return std::min(n, k + 1);
}

IRECT IBitmapBase::FrameBounds() const
{
  const int n = std::max(1, mBitmap.N());
  const float w = static_cast<float>(mBitmap.GetFramesAreHorizontal() ? mBitmap.W() / n : mBitmap.W());
  const float h = static_cast<float>(mBitmap.GetFramesAreHorizontal() ? mBitmap.H() : mBitmap.H() / n);
  const IRECT r = mControl ? mControl->GetRECT() : IRECT();
  return IRECT(r.CentreX() - w / 2.f, r.CentreY() - h / 2.f, r.CentreX() + w / 2.f, r.CentreY() + h / 2.f);
}

void IBitmapBase::DrawBitmap(IGraphics& g)
{
  g.DrawBitmapFrame(mBitmap, FrameBounds(), CurrentFrame(), mControl ? &mControl->GetBlend() : nullptr);
}

} // namespace igraphics
} // namespace plug
