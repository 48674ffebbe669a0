// A frame tick draws exactly the controls that meet the tidied dirty rectangles, clipped to device pixels; the
// tidying never leaves a dirty pixel out.
#include <gtest/gtest.h>

#include <random>

#include "fake_platform.h"
#include "foundation/clock.h"
#include "graphics/overlay/OverlayControls.h"
#include "test_controls.h"
#include "test_delegate.h"

using namespace graphicstest;

namespace {

struct FrameTest : ::testing::Test
{
  TestDelegate delegate;
  FakePlatformGraphics g{delegate, 100, 100};

  /// Runs one tick as the view does; returns the regions drawn.
  std::vector<IRECT> Tick()
  {
    IRECTList rects;
    g.mOps.clear();
    if (g.IsDirty(rects))
      g.SetAllControlsClean(), g.DrawDirtyRects(rects);
    std::vector<IRECT> regions;
    for (const DrawOp& op : g.mOps)
      if (op.mName == "PrepareRegion")
        regions.push_back(op.mRect);
    return regions;
  }
};

/// Tidies the rectangles, checks that each pixel they cover is covered exactly once and no other pixel is, and
/// returns the number of rectangles left.
int ExpectCoveredOnce(const std::vector<IRECT>& input)
{
  IRECTList list;
  for (const IRECT& r : input)
    list.Add(r);
  list.Coalesce();
  for (float y = 0.5f; y < 64.f; ++y)
    for (float x = 0.5f; x < 64.f; ++x)
    {
      int dirty = 0, drawn = 0;
      for (const IRECT& r : input)
        dirty |= r.Contains(x, y);
      for (int i = 0; i < list.Size(); ++i)
        drawn += list.Get(i).Contains(x, y);
      if (drawn != dirty)
        return ADD_FAILURE() << "pixel " << x << "," << y << " drawn " << drawn << " times", list.Size();
    }
  return list.Size();
}

} // namespace

TEST_F(FrameTest, DirtyControlIsRedrawnOnDevicePixelsAndACleanFrameDrawsNothing)
{
  g.SetScreenScale(2);
  IControl* c = g.AttachControl(new TestControl(IRECT(2.f, 2.f, 4.f, 4.f)));
  Tick();
  EXPECT_TRUE(Tick().empty());
  EXPECT_TRUE(g.mOps.empty()) << "no frame begins";
  c->SetDirty(false);
  EXPECT_EQ(Tick(), std::vector<IRECT>{IRECT(1.f, 1.f, 5.f, 5.f)});
}

// Every tick runs the frame function, drawn or not; the frame-time display, which redraws every frame, is given
// the time since the frame before at the start of each drawn frame.
TEST_F(FrameTest, TicksRunTheFrameFunctionAndDrawnFramesFeedTheFrameTimeDisplay)
{
  foundation::ManualClock clock(5.0);
  g.SetClock(&clock);
  int ticks = 0;
  g.SetFrameTickFunc([&] { ++ticks; });
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(ticks, 1);
  g.ShowFPSDisplay(true);
  IFPSDisplayControl& display = *g.GetFPSDisplay();
  const double steps[] = {0.02, 0.02, 0.025, 0.5};
  for (double step : steps)
  {
    clock.Advance(step);
    EXPECT_FALSE(Tick().empty());
  }
  EXPECT_EQ(ticks, 5);
  ASSERT_EQ(display.GetWriteIdx(), 4) << "one entry per drawn frame, written after the last";
  for (int i = 1; i < 4; ++i) // the first frame's time counts from before this test
    EXPECT_NEAR(display.GetFrameTime(i + 1), steps[i], 1e-6) << i;
}

TEST_F(FrameTest, StrictDrawingStillDrawsEveryDirtyControl)
{
  // The first, the second and the last each lie outside the union of the others.
  for (IRECT r : {IRECT(2.f, 40.f, 12.f, 50.f), IRECT(40.f, 2.f, 50.f, 12.f), IRECT(40.f, 40.f, 50.f, 50.f),
                  IRECT(85.f, 85.f, 95.f, 95.f)})
    g.AttachControl(new TestControl(r));
  Tick();
  g.SetStrictDrawing(true); // one region around them all; every control is dirty again
  EXPECT_EQ(Tick(), (std::vector<IRECT>{IRECT(1.f, 39.f, 13.f, 51.f), IRECT(39.f, 1.f, 51.f, 13.f),
                                        IRECT(39.f, 39.f, 51.f, 51.f), IRECT(84.f, 84.f, 96.f, 96.f)}));
}

TEST_F(FrameTest, HiddenBackgroundIsStillDrawnAndEdgeContactIsNot)
{
  IControl* bg = g.AttachControl(new TestControl(IRECT(0.f, 0.f, 100.f, 100.f)));
  IControl* other = g.AttachControl(new TestControl(IRECT(10.f, 10.f, 20.f, 20.f))); // drawn area (9, 9, 21, 21)
  bg->SetHidden(true);
  other->SetHidden(true);
  EXPECT_EQ(Tick().size(), 1u);
  other->SetHidden(false);
  g.mOps.clear();
  g.Draw(IRECT(21.f, 0.f, 40.f, 40.f), 1.f);
  EXPECT_EQ(g.Count("FillRect"), 1) << "only the background";
}

TEST(Coalesce, CrossingRectanglesKeepTheirWholeUnionInEitherOrder)
{
  const IRECT bar(0.f, 4.f, 20.f, 6.f), post(8.f, 0.f, 12.f, 10.f);
  ExpectCoveredOnce({bar, post});
  ExpectCoveredOnce({post, bar});
}

TEST(Coalesce, NeighboursSharingAnEdgeAreJoinedIntoOneInEitherOrder)
{
  const IRECT square(0.f, 0.f, 10.f, 10.f), right(10.f, 0.f, 30.f, 10.f), below(0.f, 10.f, 10.f, 12.f);
  for (auto [first, second] : {std::pair{square, right}, {right, square}, {square, below}, {below, square}})
  {
    IRECTList list;
    list.Add(first);
    list.Add(second);
    list.Coalesce();
    ASSERT_EQ(list.Size(), 1);
    EXPECT_EQ(list.Get(0), first.Union(second));
  }
}

TEST(Coalesce, OfTwoOverlappingRectanglesTheSmallerIsCutAndOfEqualOnesTheLater)
{
  const IRECT first(0.f, 0.f, 10.f, 10.f);
  const auto tidied = [&](const IRECT& second) {
    IRECTList list;
    list.Add(first);
    list.Add(second);
    list.Coalesce();
    std::vector<IRECT> out;
    for (int i = 0; i < list.Size(); ++i)
      out.push_back(list.Get(i));
    return out;
  };
  EXPECT_EQ(tidied(IRECT(5.f, 5.f, 15.f, 15.f)),
            (std::vector<IRECT>{first, IRECT(5.f, 10.f, 15.f, 15.f), IRECT(10.f, 5.f, 15.f, 10.f)}));
  EXPECT_EQ(tidied(IRECT(5.f, 5.f, 16.f, 15.f)),
            (std::vector<IRECT>{IRECT(0.f, 5.f, 5.f, 10.f), IRECT(5.f, 5.f, 16.f, 15.f), IRECT(0.f, 0.f, 10.f, 5.f)}));
}

TEST(Coalesce, DeletingAnyRectangleKeepsTheOthersInTheirOrder)
{
  auto rect = [](int i) { return IRECT(float(i), 0.f, float(i) + 1.f, 1.f); };
  constexpr int kCount = 5;
  for (int gone : {0, 2, kCount - 1, -1, kCount})
  {
    IRECTList list;
    for (int i = 0; i < kCount; ++i)
      list.Add(rect(i));
    list.Delete(gone); // an index outside the list deletes nothing
    std::vector<IRECT> left;
    for (int i = 0; i < list.Size(); ++i)
      left.push_back(list.Get(i));
    std::vector<IRECT> want;
    for (int i = 0; i < kCount; ++i)
      if (i != gone)
        want.push_back(rect(i));
    EXPECT_EQ(left, want) << "deleting " << gone;
  }
}

TEST(Coalesce, RandomSetsStayCoveredOnceAndBounded)
{
  std::mt19937 rng(14);
  std::uniform_int_distribution<int> coord(0, 40), size(1, 16), count(1, 24);
  for (int trial = 0; trial < 300; ++trial)
  {
    std::vector<IRECT> input;
    for (int i = count(rng); i > 0; --i)
    {
      const float x = float(coord(rng)), y = float(coord(rng));
      input.emplace_back(x, y, x + float(size(rng)), y + float(size(rng)));
    }
    // Each overlapping pair may cost one more piece: the part of one rectangle beyond the other.
    int overlaps = 0;
    for (size_t i = 0; i < input.size(); ++i)
      for (size_t j = i + 1; j < input.size(); ++j)
        overlaps += !input[i].Intersect(input[j]).Empty();
    EXPECT_LE(ExpectCoveredOnce(input), int(input.size()) + overlaps) << "trial " << trial;
    if (HasFailure())
      return;
  }
}
