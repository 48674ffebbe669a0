#include "effect/dsp/piecewise_linear.h"

#include <algorithm>

void PiecewiseLinear::AddPoint(double x, double y)
{
  if (mPoints.empty())
  {
    mMinX = mMaxX = x;
    mMinY = mMaxY = y;
  }
  else
  {
    mMinX = std::min(mMinX, x);
    mMaxX = std::max(mMaxX, x);
    mMinY = std::min(mMinY, y);
    mMaxY = std::max(mMaxY, y);
  }
  mPoints.push_back({x, y});
}

namespace {

// Maps `in` along the segments; `from` picks the input coordinate and `to` the output coordinate of a point.
template <typename From, typename To>
double MapSegments(const std::vector<PiecewiseLinear::Point>& pts, double in, double lo, double hi, From from, To to)
{
  if (pts.empty()) return 0.0;
  if (pts.size() == 1) return to(pts[0]);
  in = std::clamp(in, lo, hi);
  size_t i = 0;
  for (size_t k = 0; k + 1 < pts.size(); ++k)
    if (from(pts[k]) <= in) i = k;
  const auto& P = pts[i];
  const auto& Q = pts[i + 1];
  const double slope = (to(Q) - to(P)) / (from(Q) - from(P));
  return in * slope + (to(Q) - from(Q) * slope);
}

} // namespace

double PiecewiseLinear::ValueToNormalized(double v) const
{
  return MapSegments(mPoints, v, mMinX, mMaxX, [](const Point& p) { return p.x; }, [](const Point& p) { return p.y; });
}

double PiecewiseLinear::NormalizedToValue(double n) const
{
  return MapSegments(mPoints, n, mMinY, mMaxY, [](const Point& p) { return p.y; }, [](const Point& p) { return p.x; });
}
