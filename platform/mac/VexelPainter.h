// Draws the view system's small windows of our own (menus, alerts, tool tips, the text field) with the renderer
// the editor draws with: Vexel on the Metal stand-in, into an off-screen framebuffer read back as BGRA pixels.
// Fonts are found as the editor's are: a font the editor loaded by name, else the family through fontconfig.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "appkit/painter.h"

class CAMetalLayer;
struct MVXframebuffer;
struct VXcontext;

namespace plug {
namespace igraphics {

class VexelPainter final : public appkit::Painter
{
public:
  VexelPainter();
  ~VexelPainter() override;

  // Every function below: [main thread].
  void Begin(appkit::Size size, double scale, const appkit::DeviceColor& background) override;
  void FillRect(appkit::Rect r, const appkit::DeviceColor& color) override;
  void DrawText(const std::string& utf8, appkit::Point baselineStart, const appkit::TextStyle& style) override;
  appkit::FrameImage End() override;
  double TextWidth(const std::string& utf8, const appkit::TextStyle& style) override;
  appkit::LineMetrics Metrics(const appkit::TextStyle& style) override;

  /// Whether the renderer started; without it every drawing is left empty.
  bool IsReady();

private:
  /// Makes the font of the style current; false when no font could be found.
  bool UseFont(const appkit::TextStyle& style);
  int FontFor(const std::string& name);

  std::unique_ptr<CAMetalLayer> mLayer;
  VXcontext* mContext = nullptr;
  bool mTried = false;
  MVXframebuffer* mFramebuffer = nullptr;
  MVXframebuffer* mOuterFramebuffer = nullptr; // bound before a drawing, bound again after it
  int mFramebufferWidth = 0, mFramebufferHeight = 0;
  int mWidth = 0, mHeight = 0;
  bool mDrawing = false;
  std::map<std::string, int> mFonts;
  std::vector<uint8_t> mPixels;
};

} // namespace igraphics
} // namespace plug
