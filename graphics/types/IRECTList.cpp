// Rectangles aligned to device pixels, and the tidying of a frame's dirty list: rectangles inside others go,
// overlaps are cut away so that no area is drawn twice, and neighbours of the same width or height are joined.
// Whatever is cut, the tidied list still covers every point the original list covered.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/types/IRECT.h"

namespace plug {
namespace igraphics {

namespace {

/// Both non-empty and overlapping, or touching on a's right or bottom edge.
bool Meet(const IRECT& a, const IRECT& b)
{
  return !a.Empty() && !b.Empty() && b.mLeft <= a.mRight && a.mLeft < b.mRight && b.mTop <= a.mBottom &&
         a.mTop < b.mBottom;
}

/// The common part of two rectangles that meet (zero-sized when they only touch).
IRECT Overlap(const IRECT& a, const IRECT& b)
{
  return IRECT(std::max(a.mLeft, b.mLeft), std::max(a.mTop, b.mTop), std::min(a.mRight, b.mRight),
               std::min(a.mBottom, b.mBottom));
}

/// Whether [lo1, hi1] and [lo2, hi2] overlap or touch.
bool RangesMeet(float lo1, float hi1, float lo2, float hi2)
{
  return (lo1 >= lo2 && hi2 >= lo1) || (lo2 >= lo1 && hi1 >= lo2);
}

/// When i spans r across one direction and leaves r on both sides of it in the other, the piece beyond i's far
/// edge (right or bottom); ShrinkRect gives the near piece. Otherwise the empty rectangle.
IRECT FarRemainder(const IRECT& r, const IRECT& i)
{
  if (i.mLeft != r.mLeft)
    return i.mRight != r.mRight ? IRECT(i.mRight, r.mTop, r.mRight, r.mBottom) : IRECT();
  if (i.mTop != r.mTop && i.mBottom != r.mBottom)
    return IRECT(r.mLeft, i.mBottom, r.mRight, r.mBottom);
  return IRECT();
}

bool HasArea(const IRECT& r) { return r.mRight > r.mLeft && r.mBottom > r.mTop; }

/// Cuts the overlap x, which spans the rectangle at idx across one direction, out of that rectangle. Where x
/// crosses it, it keeps a piece on each side of x: dropping the far one would leave stale pixels on screen.
void CutAway(IRECTList& list, int idx, const IRECT& x)
{
  const IRECT r = list.Get(idx);
  const IRECT far = FarRemainder(r, x);
  list.Set(idx, IRECTList::ShrinkRect(r, x));
  if (HasArea(far))
    list.Add(far);
}

} // namespace

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

bool IRECTList::CanMerge(const IRECT& a, const IRECT& b)
{
  if (a.Empty() || b.Empty())
    return true;
  if (a.mLeft == b.mLeft && a.mRight == b.mRight && RangesMeet(a.mTop, a.mBottom, b.mTop, b.mBottom))
    return true;
  return a.mTop == b.mTop && a.mBottom == b.mBottom && RangesMeet(a.mLeft, a.mRight, b.mLeft, b.mRight);
}

IRECT IRECTList::ShrinkRect(const IRECT& r, const IRECT& i)
{
  if (i.mLeft != r.mLeft)
    return IRECT(r.mLeft, r.mTop, i.mLeft, r.mBottom);
  if (i.mTop != r.mTop)
    return IRECT(r.mLeft, r.mTop, r.mRight, i.mTop);
  if (i.mRight != r.mRight)
    return IRECT(i.mRight, r.mTop, r.mRight, r.mBottom);
  return IRECT(r.mLeft, i.mBottom, r.mRight, r.mBottom);
}

IRECT IRECTList::SplitRect(IRECT r, const IRECT& i)
{
  const bool sameLeft = r.mLeft == i.mLeft, sameTop = r.mTop == i.mTop;
  if (sameLeft && sameTop)
  {
    Add(IRECT(i.mRight, r.mTop, r.mRight, i.mBottom));
    return IRECT(r.mLeft, i.mBottom, r.mRight, r.mBottom);
  }
  if (sameLeft)
  {
    Add(IRECT(r.mLeft, r.mTop, r.mRight, i.mTop));
    return IRECT(i.mRight, i.mTop, r.mRight, r.mBottom);
  }
  if (sameTop)
  {
    Add(IRECT(r.mLeft, r.mTop, i.mLeft, i.mBottom));
    return IRECT(r.mLeft, i.mBottom, r.mRight, r.mBottom);
  }
  Add(IRECT(r.mLeft, r.mTop, r.mRight, i.mTop));
  return IRECT(r.mLeft, i.mTop, i.mLeft, r.mBottom);
}

void IRECTList::Coalesce()
{
  // Pass 1: drop contained rectangles and cut overlaps.
  for (int i = 0; i < Size(); ++i)
  {
    for (int j = i + 1; j < Size();)
    {
      const IRECT a = Get(i), b = Get(j);
      if (a.Contains(b))
      {
        Delete(j);
        continue;
      }
      if (b.Contains(a))
      {
        Delete(i);
        j = i + 1;
        continue;
      }
      // Rectangles that only touch share no area: there is nothing to cut, and cutting would add empty pieces.
      const IRECT x = Meet(a, b) ? Overlap(a, b) : IRECT();
      if (HasArea(x))
      {
        if (CanMerge(a, x))
          CutAway(*this, i, x);
        else if (CanMerge(b, x))
          CutAway(*this, j, x);
        else if (b.Area() <= a.Area())
          Set(j, SplitRect(b, x));
        else
          Set(i, SplitRect(a, x));
      }
      ++j;
    }
  }
  // Pass 2: join neighbours that share both edges across, starting over after every join.
  for (int i = 0; i < Size();)
  {
    bool joined = false;
    for (int j = i + 1; j < Size(); ++j)
    {
      if (CanMerge(Get(i), Get(j)))
      {
        Set(j, Get(i).Union(Get(j)));
        Delete(i);
        joined = true;
        break;
      }
    }
    i = joined ? 0 : i + 1;
  }
}

} // namespace igraphics
} // namespace plug
