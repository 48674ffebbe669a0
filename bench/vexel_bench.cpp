// Vexel renderer costs over a back end that only counts: tessellation throughput of 1,000 rounded rectangles and
// circles (fill and stroke), and text layout of 100 labels with the glyphs cached (warm) and rasterised anew (cold).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "vexel.h"
#include "vexel_context.h"
#include "vexel_texture_table.h"

namespace {

const char* const kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";
constexpr int kShapes = 1000;
constexpr int kLabels = 100;

struct CountingBackend : testsupport::VexelTextureTable
{
  long vertices = 0;

  static CountingBackend* B(void* u) { return static_cast<CountingBackend*>(From(u)); }
  VXrenderParams Params()
  {
    VXrenderParams p = TextureParams();
    p.renderFill = [](void* u, const VXpaint*, VXcompositeOperationState, const VXscissor*, float, const float*,
                      const VXpath* paths, int n) {
      for (int i = 0; i < n; ++i) B(u)->vertices += paths[i].fillCount + paths[i].strokeCount;
    };
    p.renderStroke = [](void* u, const VXpaint*, VXcompositeOperationState, const VXscissor*, float, float,
                        const VXpath* paths, int n) {
      for (int i = 0; i < n; ++i) B(u)->vertices += paths[i].strokeCount;
    };
    p.renderTriangles = [](void* u, const VXpaint*, VXcompositeOperationState, const VXscissor*, const VXvertex*,
                           int n, float) { B(u)->vertices += n; };
    return p;
  }
};

void Tessellation(benchmark::State& state, bool circles)
{
  CountingBackend backend;
  VXrenderParams params = backend.Params();
  VXcontext* ctx = vxCreateContext(&params);
  vxSetStrokeWidth(ctx, 2.0f);
  for (auto _ : state)
  {
    vxBeginFrame(ctx, 1000, 1000, 2.0f);
    vxSetStrokeWidth(ctx, 2.0f);
    for (int i = 0; i < kShapes; ++i)
    {
      float x = (float)(i % 40) * 25.0f, y = (float)(i / 40) * 40.0f;
      vxBeginPath(ctx);
      if (circles)
        vxCirclePath(ctx, x + 12, y + 12, 4.0f + (float)(i % 9));
      else
        vxRoundedRectPath(ctx, x, y, 22.0f, 36.0f, 2.0f + (float)(i % 7));
      vxFillPath(ctx);
      vxStrokePath(ctx);
    }
    vxEndFrame(ctx);
  }
  state.SetItemsProcessed(state.iterations() * kShapes);
  state.counters["vertices/s"] = benchmark::Counter((double)backend.vertices, benchmark::Counter::kIsRate);
  // Seconds per path, shown with an SI prefix (u = microseconds).
  state.counters["s/path"] =
    benchmark::Counter((double)state.iterations() * kShapes, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  vxDeleteContext(ctx);
}

void BM_TessellateRoundedRects(benchmark::State& state) { Tessellation(state, false); }
void BM_TessellateCircles(benchmark::State& state) { Tessellation(state, true); }

void TextLayout(benchmark::State& state, bool cold)
{
  CountingBackend backend;
  VXrenderParams params = backend.Params();
  VXcontext* ctx = vxCreateContext(&params);
  if (vxAddFontFile(ctx, "Roboto-Regular", kRoboto) < 0)
  {
    state.SkipWithError("Roboto-Regular.ttf is not installed");
    vxDeleteContext(ctx);
    return;
  }
  char labels[kLabels][32];
  for (int i = 0; i < kLabels; ++i) snprintf(labels[i], sizeof(labels[i]), "Drive %d.%d dB", i - 50, i % 10);
  for (auto _ : state)
  {
    if (cold)
    {
      state.PauseTiming();
      FontStashResetAtlas(ctx->fs, 512, 512);
      state.ResumeTiming();
    }
    vxBeginFrame(ctx, 468, 450, 2.0f);
    vxSetFontFaceById(ctx, 0);
    vxSetFontSize(ctx, 14.0f);
    vxSetTextAlign(ctx, VX_ALIGN_CENTER | VX_ALIGN_MIDDLE);
    for (int i = 0; i < kLabels; ++i)
    {
      float bounds[4];
      vxMeasureText(ctx, 0, 0, labels[i], nullptr, bounds);
      vxDrawText(ctx, (float)(i % 10) * 46.0f + 23.0f, (float)(i / 10) * 45.0f + 20.0f, labels[i], nullptr);
    }
    vxEndFrame(ctx);
  }
  state.SetItemsProcessed(state.iterations() * kLabels);
  vxDeleteContext(ctx);
}

void BM_TextLabelsWarmAtlas(benchmark::State& state) { TextLayout(state, false); }
void BM_TextLabelsColdAtlas(benchmark::State& state) { TextLayout(state, true); }

} // namespace

BENCHMARK(BM_TessellateRoundedRects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TessellateCircles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextLabelsWarmAtlas)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextLabelsColdAtlas)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
