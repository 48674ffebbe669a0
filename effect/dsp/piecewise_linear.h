// A mapping between values and normalised positions made of straight segments through a list of points that
// rise in both coordinates (the meter scale: level in dB against needle position).
#pragma once

#include <vector>

class PiecewiseLinear
{
public:
  struct Point
  {
    double x; // the value
    double y; // the normalised position
  };

  /// Appends a point and widens the bounding box. [main thread, set-up]
  void AddPoint(double x, double y);
  /// Value to position, clamped to the box. [any thread]
  double ValueToNormalized(double v) const;
  /// Position to value, clamped to the box. [any thread]
  double NormalizedToValue(double n) const;

  const std::vector<Point>& Points() const { return mPoints; }
  double MinX() const { return mMinX; }
  double MinY() const { return mMinY; }
  double MaxX() const { return mMaxX; }
  double MaxY() const { return mMaxY; }

private:
  std::vector<Point> mPoints;
  double mMinX = 0.0, mMinY = 0.0, mMaxX = 0.0, mMaxY = 0.0;
};
