// The stock-control gallery's full frame at screen scale 1 (400 x 320, every control drawn) through the headless
// graphics context: Vexel on the CPU stand-in for Metal, read back when the frame is done.
#include <benchmark/benchmark.h>

#include "gallery.h"

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

} // namespace

BENCHMARK_MAIN();
