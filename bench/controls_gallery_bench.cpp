// The stock-control gallery's full frame at screen scale 1 (400 x 320, every control drawn) through the headless
// graphics context: Vexel on the CPU stand-in for Metal, read back when the frame is done.
#include <benchmark/benchmark.h>

#include <string>

#include "gallery.h"
#include "graphics/overlay/OverlayControls.h"

namespace {

void BM_GalleryFullFrame(benchmark::State& state)
{
  gallery::GalleryBundle bundle;
  if (!bundle.Ok())
  {
    state.SkipWithError("the gallery's bundle could not be written");
    return;
  }
  gallery::OpenGallery open(1);
  for (auto _ : state)
  {
    open.mGraphics->DrawFullFrame();
    benchmark::DoNotOptimize(open.mGraphics->ReadFrame().mRGBA.data());
  }
}
BENCHMARK(BM_GalleryFullFrame)->Unit(benchmark::kMillisecond);

// The popup menu opening 200 items over the gallery: layout, then the first frame with the panel drawn.
void BM_PopupMenuOpen200ItemsFirstFrame(benchmark::State& state)
{
  gallery::GalleryBundle bundle;
  gallery::OpenGallery open(1);
  auto& g = *open.mGraphics;
  g.AttachPopupMenuControl();
  auto& popup = *g.GetPopupMenuControl();
  plug::igraphics::IPopupMenu menu;
  for (int i = 0; i < 200; ++i)
    menu.AddItem(("Preset number " + std::to_string(i)).c_str());
  g.DrawFullFrame();
  for (auto _ : state)
  {
    popup.CreatePopupMenu(menu, plug::igraphics::IRECT(150, 20, 250, 40));
    g.DrawFrame();
    benchmark::DoNotOptimize(g.ReadFrame().mRGBA.data());

    state.PauseTiming();
    popup.CloseWithChoice();
    for (int step = 0; step < 3; ++step)
    {
      open.mClock.Advance(0.101);
      g.DrawFrame();
    }
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PopupMenuOpen200ItemsFirstFrame)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
