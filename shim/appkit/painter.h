// Drawing of the small windows of our own (menus, alerts, tool tips, the text field): filled rectangles and lines
// of UTF-8 text, in points, rendered into BGRA pixels at a scale. The platform layer installs the renderer the
// editor draws with; until it does, a plain painter fills the rectangles and leaves the text out.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "appkit/geometry.h"
#include "appkit/text_field.h"
#include "appkit/view.h"

namespace appkit {

struct TextStyle
{
  std::string fontFamily; // "" or unknown: the system's default face
  double size = 13.0;     // points
  DeviceColor color;
};

/// Heights of a line of text above and below its baseline, in points.
struct LineMetrics
{
  double ascender = 0.0;
  double descender = 0.0; // positive below the baseline
};

class Painter
{
public:
  virtual ~Painter() = default;
  // Every function below: [main thread].
  /// Starts a drawing of size (points) at scale backing pixels per point, filled with the background.
  virtual void Begin(Size size, double scale, const DeviceColor& background) = 0;
  virtual void FillRect(Rect r, const DeviceColor& color) = 0;
  /// One line of text whose baseline starts at the point.
  virtual void DrawText(const std::string& utf8, Point baselineStart, const TextStyle& style) = 0;
  /// Ends the drawing: BGRA pixels, opaque, valid until the next Begin.
  virtual FrameImage End() = 0;
  /// The advance of a line of text, in points.
  virtual double TextWidth(const std::string& utf8, const TextStyle& style) = 0;
  virtual LineMetrics Metrics(const TextStyle& style) = 0;
};

/// The lines a text shows in rows of a width (points): a line for each line break, and long lines broken at the
/// last space, slash or hyphen that fits (within a word when none does). An empty text has no lines.
std::vector<std::string> BreakLines(Painter& painter, const std::string& utf8, const TextStyle& style, double width);
/// The line cut to fit the width with an ellipsis at its end (the line itself when it fits with one).
std::string EndWithEllipsis(Painter& painter, const std::string& utf8, const TextStyle& style, double width);

/// The installed painter, or the plain one. [main thread]
Painter& SharedPainter();
/// Installs the painter of the process; null goes back to the plain one. [main thread]
void InstallPainter(std::shared_ptr<Painter> painter);

/// Fills rectangles into memory; text takes room but is not drawn.
class PlainPainter final : public Painter
{
public:
  void Begin(Size size, double scale, const DeviceColor& background) override;
  void FillRect(Rect r, const DeviceColor& color) override;
  void DrawText(const std::string&, Point, const TextStyle&) override {}
  FrameImage End() override;
  double TextWidth(const std::string& utf8, const TextStyle& style) override;
  LineMetrics Metrics(const TextStyle& style) override { return {style.size * 0.8, style.size * 0.2}; }

private:
  std::vector<uint8_t> mPixels;
  int mWidth = 0, mHeight = 0;
  double mScale = 1.0;
};

} // namespace appkit
