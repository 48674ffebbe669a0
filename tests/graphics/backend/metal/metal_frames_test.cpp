// Frames of the Metal renderer over time: buffer sets in flight, the worker thread, read-back of unfinished frames,
// cancelled frames, and deleting a renderer with frames in flight.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>
#include <vector>

#include "metal_test_support.h"
#include "mvx_context.h"

namespace {

using mvxtest::Surface;

MVXcontext_vDrovik_vst* Renderer(VXcontext* ctx) { return static_cast<MVXcontext_vDrovik_vst*>(vxGetUserPtr(ctx)); }

int BusySets(VXcontext* ctx)
{
  int busy = 0;
  for (auto& set : Renderer(ctx)->cbuffers)
  {
    std::lock_guard<std::mutex> hold(set->lock);
    busy += set->isBusy;
  }
  return busy;
}

/// Holds the renderer's queue: a buffer enqueued first and committed only on Release(), so the frames behind it
/// stay in flight until then.
struct QueueHold
{
  explicit QueueHold(VXcontext* ctx) : buffer(mvxGetCommandQueue(ctx)->commandBuffer()) { buffer->enqueue(); }
  ~QueueHold() { Release(); }
  void Release() { buffer->commit(); }
  std::shared_ptr<MTLCommandBuffer> buffer;
};

void DrawRect(Surface& s, VXcolor color)
{
  s.Begin();
  vxBeginPath(s.ctx);
  vxRectPath(s.ctx, 0, 0, (float)s.width, (float)s.height);
  vxSetFillColor(s.ctx, color);
  vxFillPath(s.ctx);
  s.End();
}

const VXcolor kRed{{{1, 0, 0, 1}}}, kGreen{{{0, 1, 0, 1}}};

TEST(MetalFrames, PresentedDrawableHoldsTheFrameAndWritesAsPng)
{
  Surface s(8, 8, kMvxAntiAlias, false);
  DrawRect(s, kRed);
  auto last = mvxGetCommandQueue(s.ctx)->commandBuffer();
  last->commit();
  last->waitUntilCompleted(); // buffers run in order: the frame has been presented
  ASSERT_EQ(s.layer.presentedCount(), 1);
  mvxtest::Image img = mvxtest::ReadTexture(*s.layer.displayedTexture());
  EXPECT_EQ(img.At(3, 3)[0], 255);
  EXPECT_EQ(img.At(3, 3)[2], 0); // BGRA in the drawable, RGBA read back
  std::string path = testing::TempDir() + "drawable.png";
  EXPECT_TRUE(mvxtest::WritePng(*s.layer.displayedTexture(), path));
  EXPECT_EQ(remove(path.c_str()), 0);
}

TEST(MetalFrames, ThreeBufferSetsLetThreeFramesFlyAndTheFourthWaits)
{
  for (int sets : {1, 2, 3})
  {
    Surface s(8, 8, kMvxAntiAlias | (sets == 3 ? kMvxTripleBuffer : sets == 2 ? kMvxDoubleBuffer : 0));
    ASSERT_EQ(Renderer(s.ctx)->cbuffers.size(), size_t(sets)); // fewer would leave the frames below waiting
    QueueHold hold(s.ctx);
    for (int i = 0; i < sets; ++i) DrawRect(s, kRed);
    EXPECT_EQ(BusySets(s.ctx), sets);
    EXPECT_EQ(mvxFramesInFlight(s.ctx), sets);
    std::atomic<bool> begun{false};
    std::thread next([&] {
      vxBeginFrame(s.ctx, 8, 8, 1); // waits for a free buffer set
      begun = true;
      vxCancelFrame(s.ctx);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(begun) << sets;
    hold.Release();
    next.join();
    EXPECT_TRUE(begun);
  }
}

TEST(MetalFrames, CompletedHandlersRunOnTheWorkerThread)
{
  Surface s(8, 8);
  std::thread::id handlerThread;
  auto buffer = mvxGetCommandQueue(s.ctx)->commandBuffer();
  buffer->addCompletedHandler([&](MTLCommandBuffer*) { handlerThread = std::this_thread::get_id(); });
  DrawRect(s, kRed); // the frame's own handler frees its set on the same thread
  buffer->commit();
  buffer->waitUntilCompleted();
  EXPECT_NE(handlerThread, std::this_thread::get_id());
  EXPECT_NE(handlerThread, std::thread::id());
  EXPECT_EQ(BusySets(s.ctx), 0);
}

TEST(MetalFrames, ReadBackWaitsForEveryFrameDrawingIntoTheImage)
{
  Surface s(8, 8);
  QueueHold hold(s.ctx);
  DrawRect(s, kRed);
  DrawRect(s, kGreen); // two frames in flight into the same image; the read must see the last
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    hold.Release();
  });
  mvxtest::Image img = s.Read();
  release.join();
  EXPECT_EQ(img.At(4, 4)[0], 0);
  EXPECT_EQ(img.At(4, 4)[1], 255);
}

TEST(MetalFrames, ImageDeletedWhileAFrameUsesItStaysAliveForThatFrame)
{
  Surface s(8, 8);
  QueueHold hold(s.ctx);
  const unsigned char blue[4] = {0, 0, 255, 255};
  int image = vxCreateImageFromPixels(s.ctx, 1, 1, VX_IMAGE_REPEAT_X | VX_IMAGE_REPEAT_Y, blue);
  s.Begin();
  vxBeginPath(s.ctx);
  vxRectPath(s.ctx, 0, 0, 8, 8);
  vxSetFillPaint(s.ctx, vxMakeImagePattern(s.ctx, 0, 0, 1, 1, 0, image, 1));
  vxFillPath(s.ctx);
  s.End();
  vxDeleteImage(s.ctx, image);
  hold.Release();
  mvxtest::Image img = s.Read();
  EXPECT_EQ(img.At(4, 4)[2], 255);
  EXPECT_EQ(img.At(4, 4)[0], 0);
}

TEST(MetalFrames, FramesWithoutATargetAreCancelledAndLeaveNothingBehind)
{
  // One buffer set: a frame that kept it would make the next begin wait for ever.
  Surface zero(8, 8, kMvxAntiAlias);
  for (int i = 0; i < 4; ++i)
  {
    vxBeginFrame(zero.ctx, 0, 8, 1);
    vxEndFrame(zero.ctx);
  }
  Surface noDrawable(8, 8, kMvxAntiAlias, false);
  noDrawable.layer.setDrawableSize(CGSize{0, 0});
  Surface failedFramebuffer(8, 8, kMvxAntiAlias, false);
  MVXframebuffer* fb = mvxCreateFramebuffer(failedFramebuffer.ctx, 0, 0, 0);
  ASSERT_NE(fb, nullptr);
  EXPECT_EQ(fb->image, 0);
  mvxBindFramebuffer(fb);
  for (Surface* s : {&noDrawable, &failedFramebuffer})
    for (int i = 0; i < 4; ++i) DrawRect(*s, kRed);
  mvxDeleteFramebuffer(fb);
  for (Surface* s : {&zero, &noDrawable, &failedFramebuffer})
  {
    EXPECT_EQ(BusySets(s->ctx), 0);
    auto probe = mvxGetCommandQueue(s->ctx)->commandBuffer(); // nothing enqueued and uncommitted holds it up
    probe->commit();
    probe->waitUntilCompleted();
    EXPECT_EQ(probe->status(), MTLCommandBufferStatusCompleted);
  }
  EXPECT_EQ(noDrawable.layer.presentedCount(), 0);
}

TEST(MetalFrames, BeginningAgainDropsTheFrameBeingBuilt)
{
  Surface s(8, 8, kMvxAntiAlias); // one buffer set: waiting for it again would never end
  vxBeginFrame(s.ctx, 8, 8, 1);
  DrawRect(s, kGreen);
  EXPECT_EQ(s.Read().At(4, 4)[1], 255);
  EXPECT_EQ(BusySets(s.ctx), 0);
}

TEST(MetalFrames, DeletingTheRendererWaitsForItsFramesInFlight)
{
  CAMetalLayer layer;
  layer.setDrawableSize(CGSize{8, 8});
  VXcontext* ctx = mvxCreateContext(&layer, kMvxAntiAlias | kMvxTripleBuffer);
  ASSERT_NE(ctx, nullptr);
  auto hold = mvxGetCommandQueue(ctx)->commandBuffer();
  hold->enqueue();
  for (int i = 0; i < 2; ++i)
  {
    vxBeginFrame(ctx, 8, 8, 1);
    vxBeginPath(ctx);
    vxRectPath(ctx, 1, 1, 4, 4);
    vxFillPath(ctx);
    vxEndFrame(ctx);
  }
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    hold->commit();
  });
  mvxDeleteContext(ctx);
  EXPECT_EQ(layer.presentedCount(), 2);
  release.join();
}

TEST(MetalFrames, RendererThatFailedOrNeverStartedIsDeletedOnce)
{
  const unsigned char broken[] = "MTLB\nvertex nowhere\n";
  CAMetalLayer layer;
  EXPECT_EQ(mvxCreateContextWithLibrary(&layer, kMvxAntiAlias, broken, sizeof(broken) - 1), nullptr);
  EXPECT_EQ(layer.device(), nullptr); // the failed renderer let go of the layer's device
  EXPECT_EQ(mvxCreateContext(nullptr, kMvxAntiAlias), nullptr);
  // A renderer that never started flushes nothing onto its layer, and deletes (twice, with its destructor) cleanly.
  MVXcontext_vDrovik_vst neverStarted;
  neverStarted.metalLayer = &layer;
  neverStarted.renderFlush();
  EXPECT_EQ(layer.presentedCount(), 0);
  neverStarted.renderDelete();
  EXPECT_EQ(neverStarted.metalLayer, nullptr);
  EXPECT_TRUE(neverStarted.cbuffers.empty());
}

// A buffer set drawn with before holds only the new frame's shapes: nothing of the earlier frame's stroke or fill
// comes back, whether the new frame draws nothing at all or something else.
TEST(MetalFrames, AFrameInAReusedBufferSetDrawsOnlyItsOwnShapes)
{
  Surface s(16, 16, kMvxAntiAlias); // one buffer set, used by every frame
  s.Begin();
  vxBeginPath(s.ctx);
  vxMoveTo(s.ctx, 2, 12);
  vxLineTo(s.ctx, 14, 12);
  vxSetStrokeColor(s.ctx, kRed);
  vxSetStrokeWidth(s.ctx, 2);
  vxStrokePath(s.ctx);
  mvxtest::FillRect(s.ctx, 0, 0, 8, 8, kRed);
  s.End();
  ASSERT_EQ(s.Read().At(2, 2)[1], 0);
  auto expectOnly = [&](const mvxtest::Image& img, bool green, const char* frame) {
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
      {
        const bool inside = green && x >= 8 && y >= 8;
        const unsigned char want[4] = {(unsigned char)(inside ? 0 : 255), 255, (unsigned char)(inside ? 0 : 255), 255};
        for (int c = 0; c < 4; ++c) wrong += img.At(x, y)[c] != want[c];
      }
    EXPECT_EQ(wrong, 0) << frame;
  };
  s.Begin();
  s.End();
  expectOnly(s.Read(), false, "nothing drawn");
  s.Begin();
  mvxtest::FillRect(s.ctx, 8, 8, 8, 8, kGreen);
  s.End();
  expectOnly(s.Read(), true, "a green square alone");
}

// The set's stencil grows with the frame: two squares filled through the stencil over the whole of a frame taller,
// or wider, than the one drawn before cover every pixel.
TEST(MetalFrames, AFrameLargerThanTheOneBeforeFillsThroughTheStencilToItsEdges)
{
  for (bool taller : {true, false})
  {
    Surface s(16, 16, kMvxAntiAlias); // one buffer set, its stencil made for the first frame
    MVXframebuffer* smaller = mvxCreateFramebuffer(s.ctx, taller ? 16 : 4, taller ? 4 : 16, 0);
    ASSERT_NE(smaller, nullptr);
    mvxBindFramebuffer(smaller);
    vxBeginFrame(s.ctx, taller ? 16.f : 4.f, taller ? 4.f : 16.f, 1.f);
    mvxtest::FillRect(s.ctx, 0, 0, 4, 4, kRed);
    vxEndFrame(s.ctx);
    mvxBindFramebuffer(nullptr);
    s.Begin();
    vxBeginPath(s.ctx);
    vxRectPath(s.ctx, 0, 0, 16, 8);
    vxRectPath(s.ctx, 0, 8, 16, 8);
    vxSetFillColor(s.ctx, kGreen);
    vxFillPath(s.ctx);
    s.End();
    const mvxtest::Image img = s.Read();
    int white = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) white += img.At(x, y)[0] == 255;
    EXPECT_EQ(white, 0) << (taller ? "taller" : "wider");
    mvxDeleteFramebuffer(smaller);
  }
}

// Targets one pixel wide or high are drawn like any other: every pixel takes the fill, none keeps the clear colour.
TEST(MetalFrames, TargetsOnePixelWideOrHighAreDrawnWhole)
{
  for (auto size : {std::pair{1, 1}, std::pair{1, 5}, std::pair{5, 1}})
  {
    Surface s(size.first, size.second, kMvxAntiAlias);
    DrawRect(s, kGreen);
    const mvxtest::Image img = s.Read();
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x)
      {
        const unsigned char* p = img.At(x, y);
        EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{0, 255, 0, 255}))
          << size.first << "x" << size.second << " at " << x << "," << y;
      }
  }
}

// A layer that presents with its transaction shows each frame once the frame has ended: the renderer waits for the
// frame to finish and presents it itself, so nothing need wait for the queue.
TEST(MetalFrames, ALayerThatPresentsWithItsTransactionShowsEachFrameAsItEnds)
{
  Surface s(8, 8, kMvxAntiAlias | kMvxTripleBuffer, false);
  s.layer.setPresentsWithTransaction(true);
  ASSERT_TRUE(s.layer.presentsWithTransaction());
  long presented = 0;
  for (VXcolor color : {kRed, kGreen, kRed})
  {
    DrawRect(s, color);
    EXPECT_EQ(s.layer.presentedCount(), ++presented);
    ASSERT_NE(s.layer.displayedTexture(), nullptr);
    const mvxtest::Image img = mvxtest::ReadTexture(*s.layer.displayedTexture());
    EXPECT_EQ(img.At(4, 4)[0], color.r * 255) << presented;
    EXPECT_EQ(img.At(4, 4)[1], color.g * 255) << presented;
  }
  // The clear colour reaches the layer's blue-first drawable in its own channels.
  s.Begin(VXcolor{{{0.2f, 0.4f, 0.6f, 1}}});
  mvxtest::FillRect(s.ctx, 0, 0, 2, 2, kGreen);
  s.End();
  const mvxtest::Image img = mvxtest::ReadTexture(*s.layer.displayedTexture());
  EXPECT_EQ(std::vector<int>(img.At(5, 5), img.At(5, 5) + 4), (std::vector<int>{51, 102, 153, 255}));
  EXPECT_EQ(std::vector<int>(img.At(1, 1), img.At(1, 1) + 4), (std::vector<int>{0, 255, 0, 255}));
}

} // namespace
