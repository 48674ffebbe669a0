// Bitmap lookup with a warm cache (a name already decoded) and a cold one (file lookup and PNG decoding, with and
// without rescaling), and the drop-shadow blur of a 468 x 450 layer at screen scales 1 and 2.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "decoding_backend.h"
#include "foundation/bundle.h"
#include "test_delegate.h"

using namespace graphicstest;
namespace fs = std::filesystem;

namespace {

/// A bundle in a temporary folder with a 64 x 64 knob at 1x and 128 x 128 at 2x.
struct Resources
{
  Resources()
  {
    char tmpl[] = "/tmp/drovik_bench_XXXXXX";
    root = fs::path(mkdtemp(tmpl)) / "Drovik.vst";
    const fs::path res = root / "Contents" / "Resources";
    fs::create_directories(res);
    WriteFile((res / "knob.png").string(), EncodePng(64, 64, SolidPixels(64, 64, 10, 20, 30)));
    WriteFile((res / "knob@2x.png").string(), EncodePng(128, 128, SolidPixels(128, 128, 10, 20, 30)));
    foundation::Bundle::Register(graphics.GetBundleID(), root.string());
  }
  ~Resources() { fs::remove_all(root.parent_path()); }

  fs::path root;
  TestDelegate delegate;
  DecodingGraphics graphics{delegate, 468, 450};
};

void ClearBitmapCache()
{
  plug::LibMutexLock lock(IGraphics::BitmapCache().Mutex());
  IGraphics::BitmapCache().Clear();
}

void BM_LoadBitmapWarm(benchmark::State& state)
{
  Resources r;
  r.graphics.LoadBitmap("knob.png", 1, false, 1);
  for (auto _ : state)
    benchmark::DoNotOptimize(r.graphics.LoadBitmap("knob.png", 1, false, 1).GetAPIBitmap());
}
BENCHMARK(BM_LoadBitmapWarm);

// Argument: the wanted scale (1 finds its file, 3 rescales the 2x file).
void BM_LoadBitmapCold(benchmark::State& state)
{
  Resources r;
  for (auto _ : state)
  {
    ClearBitmapCache();
    benchmark::DoNotOptimize(r.graphics.LoadBitmap("knob.png", 1, false, int(state.range(0))).GetAPIBitmap());
  }
}
BENCHMARK(BM_LoadBitmapCold)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

// Argument: the screen scale. Blur size 10; each run reads the layer's pixels and writes the mask back.
void BM_DropShadowBlur(benchmark::State& state)
{
  TestDelegate delegate;
  FakePlatformGraphics g(delegate, 468, 450);
  g.SetScreenScale(int(state.range(0)));
  g.StartLayer(nullptr, g.GetBounds());
  ILayerPtr layer = g.EndLayer();
  std::mt19937 rng(1);
  for (uint8_t& byte : static_cast<RecordedBitmap*>(layer->mBitmap)->mPixels)
    byte = uint8_t(rng());
  IShadowStyle shadow;
  shadow.mBlurSize = 10.f;
  for (auto _ : state)
    g.ApplyLayerDropShadow(layer, shadow);
  state.SetItemsProcessed(state.iterations() * layer->mBitmap->GetWidth() * layer->mBitmap->GetHeight());
}
BENCHMARK(BM_DropShadowBlur)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
