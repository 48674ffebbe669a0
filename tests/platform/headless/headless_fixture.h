// A headless editor for tests: a bundle of generated PNG files and the Roboto font in a temporary home, a headless
// graphics context with controls that draw what the test says, and comparison of frames with golden PNGs
// (DROVIK_UPDATE_GOLDEN=1 rewrites them; a mismatch leaves NAME.actual.png beside the test binary).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/headless/IGraphicsHeadless.h"
#include "temp_home.h"
#include "test_delegate.h"

namespace headlesstest {

using namespace plug::igraphics;

/// A control that draws with a function of the test.
class DrawControl : public IControl
{
public:
  using DrawFunc = std::function<void(IGraphics& g, const IRECT& r)>;
  DrawControl(const IRECT& r, DrawFunc func) : IControl(r), mFunc(std::move(func)) {}
  void Draw(IGraphics& g) override { mFunc(g, GetRECT()); }

private:
  DrawFunc mFunc;
};

/// Writes an RGBA PNG of w x h whose pixel (x, y) is colour(x, y).
bool WriteTestPng(const std::string& path, int w, int h, const std::function<IColor(int x, int y)>& colour);

/// Writes an RGBA PNG of w x h pixels all of one colour, made a row at a time: cheap for the largest images.
bool WriteSolidPng(const std::string& path, int w, int h, const IColor& colour);

/// Empty when the frame matches golden/NAME.png within the tolerance per channel.
std::string CompareGolden(const IGraphicsHeadless::Frame& frame, const std::string& name, int tolerance = 2);

/// The same comparison against NAME.png in another folder of golden images (a mismatch leaves NAME.actual.png
/// in the working folder; DROVIK_UPDATE_GOLDEN=1 rewrites the golden image instead).
std::string CompareGoldenIn(const std::string& goldenDir, const IGraphicsHeadless::Frame& frame,
                            const std::string& name, int tolerance);

class Headless : public ::testing::Test
{
protected:
  static constexpr const char* kBundleID = "com.example.headless";

  void SetUp() override;
  void TearDown() override;
  /// Opens the editor at the screen scale with one control drawing func over the whole editor on white.
  void Open(int w, int h, DrawControl::DrawFunc func, int screenScale = 1, float drawScale = 1.f);
  /// Draws every control and reads the frame.
  IGraphicsHeadless::Frame Render();

  testsupport::TemporaryHome mHome;
  std::string mResources;
  graphicstest::TestDelegate mDelegate;
  std::unique_ptr<IGraphicsHeadless> mGraphics;
};

} // namespace headlesstest
