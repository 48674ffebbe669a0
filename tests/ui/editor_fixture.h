// Drovik's editor as a host opens it, made through the plug-in's entry point with the product's factory, on the
// headless view system: the run loop on a hand clock, the bundle's artwork from the build, and pointer events
// delivered to the view as the window system would.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "appkit/headless.h"
#include "drovik_instance.h"
#include "effect/Drovik.h"
#include "foundation/bundle.h"
#include "foundation/run_loop.h"
#include "graphics/context/IGraphics.h"
#include "graphics/overlay/IPopupMenuControl.h"
#include "temp_home.h"

namespace editortest {

using namespace plug::igraphics;

class Editor : public ::testing::Test
{
protected:
  void SetUp() override
  {
    appkit::Application::Install(&mApp);
    foundation::RunLoop::Main().UseManualClock(&mClock);
    foundation::Bundle::Register(Drovik::kBundleID, DROVIK_BUNDLE_DIR);
    mInstance = std::make_unique<drovik_test::Instance>(mHost);
    mPlugin = dynamic_cast<Drovik*>(mInstance->Plug());
    ASSERT_NE(mPlugin, nullptr);
  }
  void TearDown() override
  {
    mInstance.reset();
    foundation::Bundle::Unregister(Drovik::kBundleID);
    foundation::RunLoop::Main().UseManualClock(nullptr);
    appkit::Application::Install(nullptr);
  }

  /// effEditOpen with a parent window; the answer.
  intptr_t Open() { return mInstance->Dispatch(vst2::effEditOpen, 0, 0, &mParent); }
  IGraphics& G() { return *mPlugin->GetOpenGraphics(); }
  appkit::HeadlessView& View() { return *mApp.Views().back(); }

  /// Advances the clock by whole 60 Hz frames, firing the editor's and the plug-in's timers.
  void Tick(int frames = 1)
  {
    for (int i = 0; i < frames; ++i)
    {
      mClock.Advance(1.0 / 60);
      foundation::RunLoop::Main().RunDueTimers();
    }
  }
  /// Ticks until a new frame reaches the view; its BGRA pixels.
  const std::vector<uint8_t>& Frame();
  /// Ticks until the frames under way have reached the view (none for ten ticks), so that the next Frame() shows
  /// what was changed after this call.
  void Settle();
  /// Whether the renderer is still working on a frame the editor drew (the view draws nothing new meanwhile).
  bool FramesInFlight();
  /// The BGRA pixel at a point of the frame (points at the frame's scale).
  uint32_t Pixel(int x, int y);
  /// Mean absolute difference per channel between the last frame and another inside a rectangle of points.
  static double Difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width, const IRECT& r);

  void Send(appkit::EventType type, double x, double y, int clicks = 1, double deltaY = 0.0, uint32_t mods = 0);
  void Click(double x, double y)
  {
    Send(appkit::EventType::kLeftMouseDown, x, y);
    Send(appkit::EventType::kLeftMouseUp, x, y);
  }
  /// The editor's own popup menu control (attached by the layout), or null.
  IPopupMenuControl* FindPopup();
  /// The centre of the cell that shows the item with the text in a panel of the open popup menu; false when no
  /// such cell shows.
  bool CellOf(int panel, const char* text, double& x, double& y);
  /// Opens a menu with a click and chooses the item with the text in its first panel.
  void ChooseFromMenu(double x, double y, const char* text);
  /// Processes a stereo sine of the amplitude at 48 kHz for the seconds given, in 512-frame blocks, firing the
  /// timers between blocks as a host's main thread would; the right channel at its own amplitude when one is given.
  void ProcessSine(double amplitude, double seconds, double rightAmplitude = -1.0);
  /// The parameter's normalised value as the host reads it.
  float HostValue(int idx) { return mInstance->Effect()->getParameter(mInstance->Effect(), idx); }
  void SetHostValue(int idx, float v) { mInstance->Effect()->setParameter(mInstance->Effect(), idx, v); }

  testsupport::TemporaryHome mHome;
  appkit::HeadlessApplication mApp;
  foundation::ManualClock mClock;
  drovik_test::RecordingHost mHost;
  std::unique_ptr<drovik_test::Instance> mInstance;
  Drovik* mPlugin = nullptr;
  int mParent = 0;
  int mFramesSeen = 0;
  bool mResumed = false;
};

} // namespace editortest
