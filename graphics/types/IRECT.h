// A rectangle of the editor's logical coordinate space (y grows downward) and a list of them. A rectangle is
// empty when all four coordinates are 0, which is also its default value.
#pragma once

#include <algorithm>

#include "core/LibTypedBuf.h"

namespace plug {
namespace igraphics {

struct IRECT
{
  float mLeft = 0.f;
  float mTop = 0.f;
  float mRight = 0.f;
  float mBottom = 0.f;

  IRECT() = default;
  IRECT(float l, float t, float r, float b) : mLeft(l), mTop(t), mRight(r), mBottom(b) {}

  bool Empty() const { return mLeft == 0.f && mTop == 0.f && mRight == 0.f && mBottom == 0.f; }
  float W() const { return mRight - mLeft; }
  float H() const { return mBottom - mTop; }
  float CentreX() const { return (mLeft + mRight) / 2.f; }
  float CentreY() const { return (mTop + mBottom) / 2.f; }
  float Area() const { return W() * H(); }

  bool operator==(const IRECT& o) const
  {
    return mLeft == o.mLeft && mTop == o.mTop && mRight == o.mRight && mBottom == o.mBottom;
  }
  bool operator!=(const IRECT& o) const { return !(*this == o); }

  /// Left and top edges inside, right and bottom edges outside.
  bool Contains(float x, float y) const { return mLeft <= x && x < mRight && mTop <= y && y < mBottom; }
  bool Contains(const IRECT& r) const
  {
    return !Empty() && !r.Empty() && r.mLeft >= mLeft && r.mRight <= mRight && r.mTop >= mTop &&
           r.mBottom <= mBottom;
  }
  /// Both non-empty and overlapping or touching on the right and bottom edges of this one.
  bool Intersects(const IRECT& r) const
  {
    return !Empty() && !r.Empty() && r.mLeft <= mRight && mLeft < r.mRight && r.mTop <= mBottom &&
           mTop < r.mBottom;
  }
  /// The common part; the empty rectangle when either is empty or they do not overlap.
  IRECT Intersect(const IRECT& r) const
  {
    if (Empty() || r.Empty())
      return IRECT();
    IRECT x(std::max(mLeft, r.mLeft), std::max(mTop, r.mTop), std::min(mRight, r.mRight),
            std::min(mBottom, r.mBottom));
    return (x.mLeft < x.mRight && x.mTop < x.mBottom) ? x : IRECT();
  }
  /// The smallest rectangle around both; an empty one takes no part.
  IRECT Union(const IRECT& r) const
  {
    if (Empty())
      return r;
    if (r.Empty())
      return *this;
    return IRECT(std::min(mLeft, r.mLeft), std::min(mTop, r.mTop), std::max(mRight, r.mRight),
                 std::max(mBottom, r.mBottom));
  }

  IRECT GetOffset(float dx, float dy) const { return IRECT(mLeft + dx, mTop + dy, mRight + dx, mBottom + dy); }
  void Offset(float dx, float dy) { *this = GetOffset(dx, dy); }
  IRECT GetPadded(float p) const { return IRECT(mLeft - p, mTop - p, mRight + p, mBottom + p); }
  /// Left and top grow by p, right and bottom shrink by p.
  IRECT GetInset(float p) const { return GetPadded(-p); }
  /// Scaled about its centre by the fraction f.
  IRECT GetScaledAboutCentre(float f) const
  {
    const float hw = f * W() / 2.f, hh = f * H() / 2.f;
    return IRECT(CentreX() - hw, CentreY() - hh, CentreX() + hw, CentreY() + hh);
  }
  /// A w x h rectangle centred on this one's centre; w is at least 1, a height of 0 or less becomes w.
  IRECT GetCentredInside(float w, float h = 0.f) const
  {
    w = std::max(w, 1.f);
    if (h <= 0.f)
      h = w;
    return IRECT(CentreX() - w / 2.f, CentreY() - h / 2.f, CentreX() + w / 2.f, CentreY() + h / 2.f);
  }
  /// Left and top floored, right and bottom ceiled at the scale s (device pixels).
  IRECT GetPixelAligned(float s) const;
};

/// An ordered list of rectangles (the frame's dirty areas and gesture regions).
class IRECTList
{
public:
  int Size() const { return mRects.GetSize(); }
  void Add(const IRECT& r) { mRects.Add(r); }
  void Set(int i, const IRECT& r)
  {
    if (i >= 0 && i < Size())
      mRects.Get()[i] = r;
  }
  const IRECT& Get(int i) const { return mRects.Get()[i]; }
  void Delete(int i);
  void Clear() { mRects.Resize(0); }

  /// Tidies the list in place: drops contained rectangles, cuts overlaps, joins neighbours.
  void Coalesce();
  static bool CanMerge(const IRECT& a, const IRECT& b);
  static IRECT ShrinkRect(const IRECT& r, const IRECT& i);
  /// Appends one piece of r outside i and returns the other.
  IRECT SplitRect(IRECT r, const IRECT& i);

  LibTypedBuf<IRECT> mRects{static_cast<int>(sizeof(IRECT)) * 16};
};

} // namespace igraphics
} // namespace plug
