// The cost of drawing our own small windows with the editor's renderer (Vexel on the Metal stand-in, read back
// as BGRA): a menu panel as high as a 1024-pixel screen (50 rows of text and a highlighted row), at screen scales
// 1 and 2, and a value-entry field. Each draw happens once per change (a highlight move, a key).
#include <string>

#include <benchmark/benchmark.h>

#include "foundation/main_thread.h"
#include "platform/mac/VexelPainter.h"

namespace {

using plug::igraphics::VexelPainter;

const appkit::DeviceColor kPanel{0.93, 0.93, 0.93, 1.0}, kInk{0, 0, 0, 1}, kLit{0.19, 0.44, 0.82, 1.0};

void BM_MenuPanel(benchmark::State& state)
{
  foundation::MainThreadScope main;
  VexelPainter painter;
  const double scale = double(state.range(0));
  const appkit::TextStyle style{"", 13.0, kInk};
  int frame = 0;
  for (auto _ : state)
  {
    painter.Begin({240, 1000}, scale, kPanel);
    const int lit = frame++ % 50;
    painter.FillRect(appkit::Rect(0, lit * 20.0, 240, 20), kLit);
    for (int row = 0; row < 50; ++row)
      painter.DrawText("Preset number " + std::to_string(row), {18, row * 20.0 + 14}, style);
    benchmark::DoNotOptimize(painter.End().pixels);
  }
}
BENCHMARK(BM_MenuPanel)->Arg(1)->Arg(2)->ArgName("scale")->Unit(benchmark::kMillisecond);

void BM_TextField(benchmark::State& state)
{
  foundation::MainThreadScope main;
  VexelPainter painter;
  const appkit::TextStyle style{"Verdana", 14.0, kInk};
  for (auto _ : state)
  {
    painter.Begin({120, 24}, 1.0, {1, 1, 1, 1});
    painter.DrawText("-12.5 dB", {2, 17}, style);
    painter.FillRect(appkit::Rect(2 + painter.TextWidth("-12.5 dB", style), 5, 1, 14), kInk);
    benchmark::DoNotOptimize(painter.End().pixels);
  }
}
BENCHMARK(BM_TextField)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
