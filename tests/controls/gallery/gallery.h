// The stock-control gallery: every stock control laid out in one 400 x 320 editor with set values, drawn by the
// headless graphics context, with the bitmaps it needs written as PNG files into a bundle of its own. The
// gallery test compares its frames with golden images and drives it with pointer sequences; the benchmark draws
// its full frame.
#pragma once

#include <memory>
#include <string>

#include "controls/IBitmapControls.h"
#include "controls/IVButtonControls.h"
#include "controls/IVDisplayControls.h"
#include "controls/IVKnobSliderControls.h"
#include "core/IEditorDelegate.h"
#include "foundation/clock.h"
#include "platform/headless/IGraphicsHeadless.h"
#include "temp_home.h"

namespace gallery {

using namespace plug::igraphics;

/// The parameters the gallery's controls are bound to.
enum EGalleryParam
{
  kSwitch = 0,
  kToggle,
  kSlide,
  kTabs,
  kRadio,
  kKnob,
  kSlider,
  kHSlider,
  kRangeLow,
  kRangeHigh,
  kPadX,
  kPadY,
  kBSwitch,
  kBKnob,
  kBSlider,
  kRotater,
  kLamp,
  kSVGKnob,
  kSVGSwitch,
  kSVGSlider,
  kNumGalleryParams
};

/// Doubles 0..1, except the tabs and the radio buttons (three choices each).
class GalleryDelegate : public IGEditorDelegate
{
public:
  GalleryDelegate();
  void BeginInformHostOfParamChangeFromUI(int idx) override {}
  void EndInformHostOfParamChangeFromUI(int idx) override {}
  bool EditorResizeFromUI(int width, int height, bool needsPlatformResize) override { return true; }
};

/// A bundle in a temporary home with the gallery's bitmaps and the Roboto font, registered under kBundleID.
class GalleryBundle
{
public:
  static constexpr const char* kBundleID = "com.example.gallery";
  GalleryBundle();
  ~GalleryBundle();
  bool Ok() const { return mOk; }

private:
  testsupport::TemporaryHome mHome;
  bool mOk = false;
};

constexpr int kWidth = 400;
constexpr int kHeight = 320;

/// Attaches every stock control with its value; the controls' rectangles are fixed, so tests can aim at them.
void LayoutGallery(IGraphics* g);

/// An open headless editor showing the gallery at the screen scale, on a clock that only moves when told.
struct OpenGallery
{
  explicit OpenGallery(int screenScale);
  ~OpenGallery();
  GalleryDelegate mDelegate;
  foundation::ManualClock mClock{10.0};
  std::unique_ptr<IGraphicsHeadless> mGraphics;
};

} // namespace gallery
