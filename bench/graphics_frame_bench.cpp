// How long a frame tick takes for an editor of 60 controls with 10 of them dirty (dirty check, cleaning,
// alignment, tidying and the clipped drawing calls, recorded rather than rasterised), and how long the tidying of
// 200 random overlapping dirty rectangles takes.
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "fake_platform.h"
#include "test_controls.h"
#include "test_delegate.h"

using namespace graphicstest;

namespace {

constexpr int kControls = 60;
constexpr int kDirty = 10;
constexpr int kColumns = 10;
constexpr float kCell = 46.f;

void FrameTick(benchmark::State& state)
{
  TestDelegate delegate;
  FakePlatformGraphics g(delegate, 468, 450);
  g.SetScreenScale(2);
  std::vector<IControl*> controls;
  for (int i = 0; i < kControls; ++i)
  {
    const float x = float(i % kColumns) * kCell, y = float(i / kColumns) * kCell;
    controls.push_back(g.AttachControl(new TestControl(IRECT(x + 2.f, y + 2.f, x + kCell - 2.f, y + kCell - 2.f))));
  }
  g.SetAllControlsClean();
  IRECTList rects;
  for (auto _ : state)
  {
    for (int i = 0; i < kDirty; ++i)
      controls[size_t(i * kControls / kDirty + i % 3)]->SetDirty(false);
    rects.Clear();
    if (g.IsDirty(rects))
    {
      g.SetAllControlsClean();
      g.DrawDirtyRects(rects);
    }
    benchmark::DoNotOptimize(g.mOps.data());
    g.mOps.clear();
  }
}
BENCHMARK(FrameTick);

void Coalesce200(benchmark::State& state)
{
  std::mt19937 rng(200);
  std::uniform_real_distribution<float> pos(0.f, 440.f), size(4.f, 80.f);
  std::vector<IRECT> input;
  for (int i = 0; i < 200; ++i)
  {
    // On device pixels at scale 2, as the frame hands them over.
    const IRECT r(pos(rng), pos(rng), 0.f, 0.f);
    input.push_back(IRECT(r.mLeft, r.mTop, r.mLeft + size(rng), r.mTop + size(rng)).GetPixelAligned(2.f));
  }
  IRECTList list;
  for (auto _ : state)
  {
    list.Clear();
    for (const IRECT& r : input)
      list.Add(r);
    list.Coalesce();
    benchmark::DoNotOptimize(list.Size());
  }
  state.counters["rects out"] = double(list.Size());
}
BENCHMARK(Coalesce200);

} // namespace

BENCHMARK_MAIN();
