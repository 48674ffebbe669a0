// Points, sizes and rectangles of the view system, in points. View rectangles have their origin at the top left
// (the editor's view is flipped); screen positions have theirs at the bottom left of the main screen.
#pragma once

namespace appkit {

struct Point
{
  double x = 0.0;
  double y = 0.0;
};

struct Size
{
  double width = 0.0;
  double height = 0.0;
};

struct Rect
{
  Point origin;
  Size size;

  Rect() = default;
  Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
  double MaxX() const { return origin.x + size.width; }
  double MaxY() const { return origin.y + size.height; }
  bool Contains(Point p) const { return p.x >= origin.x && p.x < MaxX() && p.y >= origin.y && p.y < MaxY(); }
};

} // namespace appkit
