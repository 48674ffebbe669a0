#include <cmath>
#include <cstring>

#include "graphics/IRECT.h"

namespace plug {
namespace igraphics {

IRECT IRECT::GetPixelAligned(float s) const
{
  const float inv = 1.f / s;
  return IRECT(std::floor(mLeft * s) * inv, std::floor(mTop * s) * inv, std::ceil(mRight * s) * inv,
               std::ceil(mBottom * s) * inv);
}

void IRECTList::Delete(int i)
{
  const int n = Size();
  if (i < 0 || i >= n)
    return;
  IRECT* p = mRects.Get();
  std::memmove(p + i, p + i + 1, sizeof(IRECT) * static_cast<size_t>(n - i - 1));
  mRects.Resize(n - 1, false);
}

// The tidying of the frame's dirty list: rectangles are drawn as listed until it is complete.
void IRECTList::Coalesce() {}

// Whether two rectangles join into one: none do until the tidying is complete.
bool IRECTList::CanMerge(const IRECT& a, const IRECT& b) { return false; }

// The part of r outside i; r itself until the tidying is complete.
IRECT IRECTList::ShrinkRect(const IRECT& r, const IRECT& i) { return r; }

// Splits r around i, appending one piece; r itself until the tidying is complete.
IRECT IRECTList::SplitRect(IRECT r, const IRECT& i) { return r; }

} // namespace igraphics
} // namespace plug
