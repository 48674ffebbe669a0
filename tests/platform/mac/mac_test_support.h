// The platform graphics context over the headless view system for tests: the test's delegate creates a context
// whose drawing does nothing through its factory, as a plug-in does.
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "appkit/headless.h"
#include "foundation/run_loop.h"
#include "metal/metal.h"
#include "metal_vexel.h"
#include "null_drawing_mac.h"
#include "test_controls.h"
#include "test_delegate.h"

namespace mactest {

using namespace plug::igraphics;

/// The headless view system installed, the run loop on a hand clock, and a delegate whose factory makes a
/// TestMacGraphics at 468 x 450, 60 frames per second.
class MacTest : public ::testing::Test
{
protected:
  MacTest()
  {
    appkit::Application::Install(&mApp);
    foundation::RunLoop::Main().UseManualClock(&mClock);
    mDelegate.mMakeGraphicsFunc = [this]() -> IGraphics* {
      auto* g = new TestMacGraphics(mDelegate, 468, 450, 60, mDrawScale);
      g->mContextOK = mContextOK;
      return g;
    };
    mDelegate.mLayoutFunc = [this](IGraphics*) { ++mLayouts; };
  }
  ~MacTest() override
  {
    mDelegate.CloseWindow();
    foundation::RunLoop::Main().UseManualClock(nullptr);
    appkit::Application::Install(nullptr);
  }

  TestMacGraphics* Graphics() { return static_cast<TestMacGraphics*>(mDelegate.GetUI()); }
  appkit::HeadlessView& View() { return *mApp.Views().back(); }
  IGraphicsView_vDrovik_vst& MacView() { return *static_cast<IGraphicsView_vDrovik_vst*>(Graphics()->GetWindow()); }
  void* Open() { return mDelegate.OpenWindow(&mParent); }
  /// Waits until the renderer has finished every frame drawn so far: a tick draws nothing while one is in flight.
  void FinishFrames()
  {
    VXcontext* renderer = Graphics() ? static_cast<VXcontext*>(Graphics()->GetDrawContext()) : nullptr;
    if (!renderer)
      return;
    std::shared_ptr<MTLCommandBuffer> last = mvxGetCommandQueue(renderer)->commandBuffer();
    last->commit();
    last->waitUntilCompleted();
  }

  appkit::HeadlessApplication mApp;
  foundation::ManualClock mClock;
  graphicstest::TestDelegate mDelegate{4};
  float mDrawScale = 1.f;
  bool mContextOK = true;
  int mLayouts = 0;
  int mParent = 0;
};

} // namespace mactest
