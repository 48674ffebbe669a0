// Frames on their way to the screen: each presented drawable shows the whole picture although only what changed
// since that drawable was last shown is copied into it, and the picture lands at the context's draw offset.
#include <array>
#include <atomic>
#include <thread>

#include "mac_test_support.h"
#include "metal/metal.h"
#include "metal_vexel.h"
#include "wait_for.h"

namespace mactest {
namespace {

/// A rectangle of one colour that a test can change.
class Swatch : public IControl
{
public:
  Swatch(const IRECT& r, IColor c) : IControl(r), mColor(c) {}
  void Draw(IGraphics& g) override { g.FillRect(mColor, GetRECT()); }
  void Paint(IColor c)
  {
    mColor = c;
    SetDirty(false);
  }
  IColor mColor;
};

using Pixels = std::vector<uint8_t>;

class EditorFrames : public MacTest
{
protected:
  void OpenWithSwatches()
  {
    mDelegate.mLayoutFunc = [this](IGraphics* g) {
      g->AttachControl(new Swatch(IRECT(0, 0, 468, 450), IColor(255, 30, 40, 50)));
      for (int i = 0; i < 3; ++i)
        g->AttachControl(mSwatches[i] = new Swatch(IRECT(20.f + 100.f * i, 30, 90.f + 100.f * i, 80), IColor(255, 200, 0, 0)));
    };
    Open();
  }

  /// One frame tick, waited for until its drawable has been presented.
  void Tick()
  {
    mClock.Advance(1.0 / 60);
    foundation::RunLoop::Main().RunDueTimers();
    FinishFrames();
  }

  VXcontext* Context() { return static_cast<VXcontext*>(Graphics()->GetDrawContext()); }

  /// The main framebuffer as RGBA rows.
  Pixels Frame(int& w, int& h)
  {
    MVXframebuffer* fb = Graphics()->GetMainFramebuffer();
    vxGetImageSize(Context(), fb->image, &w, &h);
    Pixels px(size_t(w) * size_t(h) * 4);
    mvxReadPixels(Context(), fb->image, 0, 0, w, h, px.data());
    return px;
  }

  /// The drawable on screen as RGBA rows.
  Pixels Shown(int& w, int& h)
  {
    std::shared_ptr<MTLTexture> t = MacView().Layer().displayedTexture();
    w = int(t->width()), h = int(t->height());
    Pixels px(size_t(w) * size_t(h) * 4);
    t->getBytes(px.data(), size_t(w) * 4, MTLRegionMake2D(0, 0, w, h), 0);
    for (size_t i = 0; i < px.size(); i += 4)
      std::swap(px[i], px[i + 2]);
    return px;
  }

  std::array<Swatch*, 3> mSwatches{};
};

TEST_F(EditorFrames, EveryPresentedDrawableShowsTheWholePictureThoughOnlyChangesAreCopied)
{
  // Below scale 1, changed regions in graphics points and in frame pixels differ both ways round.
  mDrawScale = 0.5f;
  OpenWithSwatches();
  Tick();
  // Each tick changes one swatch, so the drawables in turn miss changes made while others were on screen.
  for (int tick = 0; tick < 9; ++tick)
  {
    mSwatches[tick % 3]->Paint(IColor(255, 10 * tick, 250 - 20 * tick, 100 + tick));
    Tick();
    int fw = 0, fh = 0, sw = 0, sh = 0;
    const Pixels frame = Frame(fw, fh), shown = Shown(sw, sh);
    ASSERT_EQ(fw, sw);
    ASSERT_EQ(fh, sh);
    ASSERT_TRUE(frame == shown) << "tick " << tick;
  }
}

TEST_F(EditorFrames, TheFrameLandsAtTheDrawOffset)
{
  mDelegate.mMakeGraphicsFunc = [this]() -> IGraphics* {
    auto* g = new TestMacGraphics(mDelegate, 468, 450, 60, 1.f);
    g->SetDrawOffset(5.f, 7.f);
    return g;
  };
  OpenWithSwatches();
  Tick();
  int fw = 0, fh = 0, sw = 0, sh = 0;
  const Pixels frame = Frame(fw, fh), shown = Shown(sw, sh);
  auto at = [](const Pixels& p, int w, int x, int y) { return &p[(size_t(y) * size_t(w) + size_t(x)) * 4]; };
  for (auto [x, y] : {std::pair{0, 0}, {30, 40}, {100, 200}, {400, 300}})
    EXPECT_EQ(0, memcmp(at(frame, fw, x, y), at(shown, sw, x + 5, y + 7), 4)) << x << "," << y;
  EXPECT_EQ(at(shown, sw, 4, 100)[3], 0); // left of the picture: nothing drawn
  EXPECT_EQ(at(shown, sw, 100, 6)[3], 0);
  EXPECT_EQ(at(shown, sw, 5, 7)[3], 255);
}

TEST_F(EditorFrames, AQuietEditorsFrameTimerRestsUntilSomethingIsDrawnAgain)
{
  OpenWithSwatches();
  Tick();
  // The first frame is shown a tick after it is drawn; the quiet ticks count from then.
  // A busy frame timer ticks on time; a resting one may come up to a tenth of a second late.
  int ticks = 0;
  for (; ticks < 20 && !MacView().IsResting(); ++ticks)
  {
    EXPECT_EQ(MacView().FrameTimerTolerance(), 0.0);
    Tick();
  }
  EXPECT_TRUE(MacView().IsResting());
  EXPECT_GE(ticks, IGraphicsView_vDrovik_vst::kQuietTicksBeforeRest);
  EXPECT_LE(ticks, IGraphicsView_vDrovik_vst::kQuietTicksBeforeRest + 1);
  EXPECT_EQ(MacView().FrameTimerTolerance(), 0.1);
  // A change while resting is drawn and shown at the next tick, which ends the rest.
  mSwatches[1]->Paint(IColor(255, 1, 2, 3));
  Tick();
  Tick();
  EXPECT_FALSE(MacView().IsResting());
  EXPECT_EQ(MacView().FrameTimerTolerance(), 0.0);
  int fw = 0, fh = 0, sw = 0, sh = 0;
  const Pixels frame = Frame(fw, fh), shown = Shown(sw, sh);
  EXPECT_TRUE(frame == shown);
  EXPECT_EQ(shown[(size_t(50) * size_t(sw) + 150) * 4], 1);
}

// A frame larger than a tick's share goes to the window in bands, one a tick, with nothing new drawn until all of
// it is there; then the window holds the whole of it.
TEST_F(EditorFrames, ALargeFrameReachesTheWindowInBandsAndWhole)
{
  mDrawScale = 4.f; // 1872 x 1800 pixels
  OpenWithSwatches();
  Tick(); // drawn and presented
  Tick(); // its first band
  const appkit::HeadlessView& view = View();
  ASSERT_EQ(view.mFrameWidth, 1872);
  ASSERT_EQ(view.mFrameHeight, 1800);
  auto alphaAt = [&](int x, int y) { return view.mFrame[(size_t(y) * 1872 + size_t(x)) * 4 + 3]; };
  EXPECT_EQ(MacView().ShownFrames(), 0);
  EXPECT_EQ(alphaAt(10, 10), 255);
  EXPECT_EQ(alphaAt(10, 1790), 0);
  int ticks = 1;
  for (; ticks < 100 && MacView().ShownFrames() == 0; ++ticks)
    Tick();
  EXPECT_EQ(MacView().ShownFrames(), 1);
  std::shared_ptr<MTLTexture> shown = MacView().Layer().displayedTexture();
  Pixels drawable(view.mFrame.size());
  shown->getBytes(drawable.data(), 1872 * 4, MTLRegionMake2D(0, 0, 1872, 1800), 0);
  EXPECT_TRUE(drawable == view.mFrame);
  // The whole picture drawn again was drawn in the frame before too: it is read back once, in two bands.
  Graphics()->SetAllControlsDirty();
  Tick(); // drawn and presented
  Tick(); // its first band
  EXPECT_EQ(MacView().ShownFrames(), 1);
  Tick();
  EXPECT_EQ(MacView().ShownFrames(), 2);
}

// Frame ticks run under the lock the host's calls take: while the renderer's worker is held busy with the frame
// drawn last, ticks that have new changes to draw return without waiting for it, and once the worker is let go the
// next ticks draw and show the latest state.
TEST_F(EditorFrames, TicksReturnWhileTheRendererIsHeldAndTheNextFrameShowsTheLatestState)
{
  OpenWithSwatches();
  Tick();
  // A command buffer queued ahead and not committed holds every later frame on the worker thread.
  const std::shared_ptr<MTLCommandBuffer> hold = mvxGetCommandQueue(Context())->commandBuffer();
  hold->enqueue();
  constexpr int kTicks = 8;
  std::atomic<bool> returned{false};
  std::thread host([&] {
    for (int tick = 0; tick < kTicks; ++tick)
    {
      mSwatches[tick % 3]->Paint(IColor(255, 20 * tick, 10, 200 - 20 * tick));
      mClock.Advance(1.0 / 60);
      foundation::RunLoop::Main().RunDueTimers();
    }
    returned = true;
  });
  EXPECT_TRUE(testsupport::WaitFor([&] { return returned.load(); })) << "a tick waited for the held renderer";
  EXPECT_EQ(hold->status(), MTLCommandBufferStatusEnqueued); // still held when the ticks returned
  hold->commit();
  host.join();
  Tick();
  Tick();
  int fw = 0, fh = 0, sw = 0, sh = 0;
  const Pixels frame = Frame(fw, fh), shown = Shown(sw, sh);
  EXPECT_TRUE(frame == shown);
  for (int tick = kTicks - 3; tick < kTicks; ++tick)
  {
    const uint8_t* px = &shown[(size_t(50) * size_t(sw) + size_t(50 + 100 * (tick % 3))) * 4];
    EXPECT_EQ(px[0], 20 * tick) << "swatch " << tick % 3;
    EXPECT_EQ(px[2], 200 - 20 * tick) << "swatch " << tick % 3;
  }
}

// The editor closed while the frame it drew last is still being rendered on the renderer's worker thread: the
// close waits for that frame, lets go of every drawable, and the closed view draws and shows nothing more.
TEST_F(EditorFrames, ClosingWithAFrameInFlightWaitsForItAndTheClosedViewShowsNothingMore)
{
  OpenWithSwatches();
  Tick();
  Tick();
  const std::shared_ptr<IGraphicsView_vDrovik_vst> view = MacView().shared_from_this(); // kept to look at
  appkit::HeadlessView& native = View();
  CAMetalLayer& layer = view->Layer();
  // A command buffer queued ahead holds the next frame on the worker thread until the editor starts closing.
  const std::shared_ptr<MTLCommandBuffer> hold = mvxGetCommandQueue(Context())->commandBuffer();
  hold->enqueue();
  mSwatches[0]->Paint(IColor(255, 1, 2, 3));
  mClock.Advance(1.0 / 60);
  foundation::RunLoop::Main().RunDueTimers();
  const long presented = layer.presentedCount();
  const int shown = native.mFramesPresented;
  mDelegate.mOnUIClose = [&] { hold->commit(); };
  mDelegate.CloseWindow();
  mDelegate.mOnUIClose = nullptr;
  EXPECT_EQ(layer.presentedCount(), presented + 1) << "the close did not wait for the frame in flight";
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_FALSE(view->HasTimer());
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), 0u);

  // A frame tick reaching the closed view draws nothing and shows nothing, not even the frame finished late.
  view->render();
  EXPECT_EQ(native.mFramesPresented, shown);
  EXPECT_EQ(layer.presentedCount(), presented + 1);
  // The closed renderer let go of the layer's device and of every drawable: given a device again, the layer hands
  // out all but the one on display.
  EXPECT_EQ(layer.device(), nullptr);
  layer.setDevice(MTLCreateSystemDefaultDevice());
  std::vector<std::shared_ptr<CAMetalDrawable>> free;
  for (int i = 0; i + 1 < kCAMetalLayerDrawables; ++i)
    free.push_back(layer.nextDrawable());
  for (const auto& d : free)
    EXPECT_NE(d, nullptr);
}

} // namespace
} // namespace mactest
