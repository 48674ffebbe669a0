// The popup menu opening a menu of 200 items: measuring, placing and laying out its panel (200 items overflow
// a 468 x 450 editor, so the panel scrolls) and drawing its first frame, against the recording back end.
#include <benchmark/benchmark.h>

#include <string>

#include "fake_platform.h"
#include "foundation/clock.h"
#include "graphics/overlay/OverlayControls.h"
#include "test_delegate.h"

namespace {

using namespace plug::igraphics;

/// Text measured as the recording back end does: 0.5 x size per byte by size.
class BenchGraphics : public graphicstest::FakePlatformGraphics
{
public:
  using FakePlatformGraphics::FakePlatformGraphics;
  float MeasureText(const IText& text, const char* str, IRECT& bounds) const override
  {
    return str && *str ? DoMeasureText(text, str, bounds) : 0.f;
  }
};

void BM_PopupMenuOpen200Items(benchmark::State& state)
{
  graphicstest::TestDelegate delegate(1);
  BenchGraphics g(delegate, 468, 450, 60);
  foundation::ManualClock clock(1.0);
  g.SetClock(&clock);
  g.AttachPopupMenuControl();
  IPopupMenuControl& popup = *g.GetPopupMenuControl();
  IPopupMenu menu;
  for (int i = 0; i < 200; ++i)
    menu.AddItem(("Preset number " + std::to_string(i)).c_str(), i % 7 == 0 ? IPopupMenu::Item::kChecked : 0);

  for (auto _ : state)
  {
    popup.CreatePopupMenu(menu, IRECT(200, 20, 268, 40));
    popup.Draw(g);
    benchmark::DoNotOptimize(g.mOps.data());

    state.PauseTiming();
    g.mOps.clear();
    popup.CloseWithChoice();
    for (int step = 0; step < 3; ++step)
    {
      clock.Advance(0.101);
      popup.Animate();
    }
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PopupMenuOpen200Items)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
