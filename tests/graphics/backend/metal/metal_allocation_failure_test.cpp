// The Metal renderer when its vertex buffer cannot grow (every allocation above 1 MB fails in this program): the
// shape that needed it draws nothing, and the rest of the frame draws as it would without that shape. A layer whose
// drawables cannot be made hands them out again at a size that can.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include "metal_test_support.h"
#include "refuse_large_allocations.h"

namespace {

using mvxtest::FillRect;
using mvxtest::Surface;

const VXcolor kRed{{{1, 0, 0, 1}}}, kGreen{{{0, 1, 0, 1}}}, kBlue{{{0, 0, 1, 1}}}, kBlack{{{0, 0, 0, 1}}};

/// A circle of radius 10 about 16, 16 stroked round 45 times in steps of under a pixel: some 36,000 vertices, a
/// little over half a megabyte.
void StrokeWoundCircle(VXcontext* ctx)
{
  vxBeginPath(ctx);
  constexpr int kSteps = 400, kTurns = 45;
  for (int i = 0; i <= kSteps * kTurns; ++i)
  {
    const float a = 2.0f * 3.14159265f * float(i % kSteps) / kSteps;
    const float x = 16 + 10 * std::cos(a), y = 16 + 10 * std::sin(a);
    if (i == 0)
      vxMoveTo(ctx, x, y);
    else
      vxLineTo(ctx, x, y);
  }
  vxSetStrokeColor(ctx, kBlack);
  vxStrokePath(ctx);
}

TEST(MetalAllocationFailure, AShapeWithoutRoomDrawsNothingAndNothingOfAnEarlierFrameTakesItsPlace)
{
  // One buffer set, so every frame reuses the calls and buffers of the one before.
  Surface s(64, 64, kMvxAntiAlias);
  ASSERT_NE(s.ctx, nullptr);
  // The first frame: the wound circle, a disc of many vertices, and a red square lower right.
  s.Begin();
  StrokeWoundCircle(s.ctx);
  vxBeginPath(s.ctx);
  vxCirclePath(s.ctx, 48, 16, 10);
  vxSetFillColor(s.ctx, kBlue);
  vxFillPath(s.ctx);
  FillRect(s.ctx, 40, 40, 20, 20, kRed);
  s.End();
  const mvxtest::Image first = s.Read();
  EXPECT_EQ(first.At(50, 50)[1], 0);

  // The second frame: the circle again, then the same once more, which needs the vertex buffer past 1 MB, then a
  // small green square.
  const size_t refusedBefore = testsupport::RefusedAllocations();
  s.Begin();
  StrokeWoundCircle(s.ctx);
  StrokeWoundCircle(s.ctx);
  FillRect(s.ctx, 2, 40, 8, 8, kGreen);
  s.End();
  const mvxtest::Image withFailure = s.Read();
  if (testsupport::CountsRefusedAllocations())
  {
    EXPECT_GT(testsupport::RefusedAllocations(), refusedBefore);
  }

  // The third frame draws the circle and the square alone.
  s.Begin();
  StrokeWoundCircle(s.ctx);
  FillRect(s.ctx, 2, 40, 8, 8, kGreen);
  s.End();
  const mvxtest::Image alone = s.Read();

  EXPECT_EQ(withFailure.At(5, 44)[0], 0);
  EXPECT_EQ(withFailure.At(5, 44)[1], 255);
  EXPECT_EQ(withFailure.At(50, 50)[1], 255) << "the red square of the first frame is drawn again";
  int differing = 0;
  for (size_t i = 0; i < alone.rgba.size(); ++i) differing += withFailure.rgba[i] != alone.rgba[i];
  EXPECT_EQ(differing, 0);
}

TEST(MetalAllocationFailure, ALayerGivesDrawablesAgainOnceResizedToTexturesThatCanBeMade)
{
  // The largest drawables (a gigabyte each) are refused while the program may not map that much more memory, more
  // times than the layer has drawables. A reservation refused so is let go: the next drawable at a size that can be
  // made is the first free one, its texture kept from before.
  CAMetalLayer layer;
  layer.setDevice(MTLCreateSystemDefaultDevice());
  const auto refusedAtLargestSize = [&layer](int times) {
    layer.setDrawableSize(CGSize{16384, 16384});
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &before), 0);
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    ASSERT_GT(pages, 0);
    rlimit tight = before;
    tight.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(256) << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    for (int i = 0; i < times; ++i) EXPECT_EQ(layer.nextDrawable(), nullptr) << i;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &before), 0);
  };
  layer.setDrawableSize(CGSize{4, 3});
  std::shared_ptr<CAMetalDrawable> first = layer.nextDrawable();
  ASSERT_NE(first, nullptr);
  const std::shared_ptr<MTLTexture> kept = first->texture();
  EXPECT_EQ(layer.reserveNextDrawable(7), 0);
  first.reset();
  refusedAtLargestSize(1);
  layer.setDrawableSize(CGSize{4, 3});
  first = layer.nextDrawable();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->texture(), kept);
  first.reset();
  refusedAtLargestSize(4);
  EXPECT_FALSE(layer.nextDrawableWouldWait());
  layer.setDrawableSize(CGSize{4, 3});
  std::shared_ptr<CAMetalDrawable> fits = layer.nextDrawable();
  ASSERT_NE(fits, nullptr);
  EXPECT_EQ(fits->texture()->width(), 4u);
}

} // namespace
