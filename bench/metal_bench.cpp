// Frame times of the Metal renderer on one core: a full redraw of a 468 x 450 board like the editor's (background
// image, 30 knob images, 20 text runs, a few strokes) at backing scale 1 and 2, the copy of the finished frame to
// the layer's drawable, and a 40 x 40 dirty region. Each frame is waited for, so the time is the whole frame.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "metal/metal.h"
#include "metal_vexel.h"

namespace {

const char* const kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";
constexpr int kWidth = 468, kHeight = 450;
constexpr int kKnobSize = 48;

struct Board
{
  explicit Board(int scale) : scale(scale)
  {
    layer.setDrawableSize(CGSize{(double)kWidth * scale, (double)kHeight * scale});
    ctx = mvxCreateContext(&layer, kMvxAntiAlias | kMvxStencilStrokes | kMvxTripleBuffer);
    fb = mvxCreateFramebuffer(ctx, kWidth * scale, kHeight * scale, 0);
    background = Image(kWidth * scale, kHeight * scale, false);
    knob = Image(kKnobSize * scale, kKnobSize * scale, true);
    font = vxAddFontFile(ctx, "Roboto", kRoboto);
    Draw(0, 0, kWidth, kHeight); // warms the glyph atlas and the buffers
  }
  ~Board()
  {
    mvxDeleteFramebuffer(fb);
    mvxDeleteContext(ctx);
  }

  /// An opaque background with a soft pattern, or a knob: a shaded disc with a transparent surround.
  int Image(int w, int h, bool disc)
  {
    std::vector<unsigned char> px((size_t)w * h * 4);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
      {
        unsigned char* p = &px[((size_t)y * w + x) * 4];
        float dx = x - w * 0.5f, dy = y - h * 0.5f;
        float inside = disc ? std::fmin(1.0f, std::fmax(0.0f, w * 0.45f - std::sqrt(dx * dx + dy * dy))) : 1.0f;
        p[0] = (unsigned char)(60 + (x * 7 + y * 3) % 40), p[1] = (unsigned char)(70 + (x ^ y) % 30);
        p[2] = (unsigned char)(90 + y % 50), p[3] = (unsigned char)(255 * inside);
      }
    return vxCreateImageFromPixels(ctx, w, h, 0, px.data());
  }

  void Rect(float x, float y, float w, float h, VXpaint paint)
  {
    vxBeginPath(ctx);
    vxRectPath(ctx, x, y, w, h);
    vxSetFillPaint(ctx, paint);
    vxFillPath(ctx);
  }

  /// One frame into the framebuffer limited to the dirty rectangle, waited for.
  void Draw(float dx, float dy, float dw, float dh)
  {
    mvxBindFramebuffer(fb);
    vxBeginFrame(ctx, kWidth, kHeight, (float)scale);
    vxSetScissor(ctx, dx, dy, dw, dh);
    Rect(0, 0, kWidth, kHeight, vxMakeImagePattern(ctx, 0, 0, kWidth, kHeight, 0, background, 1));
    for (int i = 0; i < 30; ++i)
    {
      float x = 12.0f + (i % 6) * 76, y = 20.0f + (i / 6) * 84;
      if (x > dx + dw || y > dy + dh || x + kKnobSize < dx || y + kKnobSize < dy) continue;
      Rect(x, y, kKnobSize, kKnobSize, vxMakeImagePattern(ctx, x, y, kKnobSize, kKnobSize, 0, knob, 1));
    }
    vxSetFontFaceById(ctx, font);
    vxSetFontSize(ctx, 12);
    vxSetFillColor(ctx, vxColorFromBytes(230, 230, 230, 255));
    for (int i = 0; i < 20; ++i)
    {
      float x = 10.0f + (i % 5) * 92, y = 80.0f + (i / 5) * 84;
      if (x > dx + dw || y - 12 > dy + dh || x + 90 < dx || y + 4 < dy) continue;
      vxDrawText(ctx, x, y, "Drive 12.5 dB", nullptr);
    }
    vxSetStrokeColor(ctx, vxColorFromBytes(250, 200, 80, 255));
    vxSetStrokeWidth(ctx, 2);
    for (int i = 0; i < 4; ++i)
    {
      vxBeginPath(ctx);
      vxMoveTo(ctx, 10, 430.0f - i * 6), vxLineTo(ctx, 458, 420.0f - i * 8);
      vxStrokePath(ctx);
    }
    vxEndFrame(ctx);
    mvxBindFramebuffer(nullptr);
    unsigned char px[4];
    mvxReadPixels(ctx, fb->image, 0, 0, 1, 1, px); // waits for the frame
  }

  /// The finished frame copied onto the layer's drawable, waited for.
  void Copy()
  {
    vxBeginFrame(ctx, kWidth, kHeight, (float)scale);
    Rect(0, 0, kWidth, kHeight, vxMakeImagePattern(ctx, 0, 0, kWidth, kHeight, 0, fb->image, 1));
    vxEndFrame(ctx);
    auto done = mvxGetCommandQueue(ctx)->commandBuffer();
    done->commit();
    done->waitUntilCompleted();
  }

  int scale;
  CAMetalLayer layer;
  VXcontext* ctx;
  MVXframebuffer* fb;
  int background = 0, knob = 0, font = -1;
};

void FullRedraw(benchmark::State& state)
{
  Board board((int)state.range(0));
  for (auto _ : state) board.Draw(0, 0, kWidth, kHeight);
}
BENCHMARK(FullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void CopyToDrawable(benchmark::State& state)
{
  Board board((int)state.range(0));
  for (auto _ : state) board.Copy();
}
BENCHMARK(CopyToDrawable)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void DirtyRegion40(benchmark::State& state)
{
  Board board((int)state.range(0));
  for (auto _ : state) board.Draw(100, 110, 40, 40);
}
BENCHMARK(DirtyRegion40)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
