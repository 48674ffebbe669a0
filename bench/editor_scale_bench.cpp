// Drovik's editor at each GUI Scale, without a display: one frame with both meters moving (20 ms of audio whose
// level changes every frame) at GUI Scales 0.75, 1, 1.25, 1.5, 2 and 3 on screens of scale 1 and 2. Counted: the
// CPU of every thread (the renderer's included) per frame drawn, and that as a share of one core at 60 frames per
// second. Also the frame right after the GUI Scale changes (as while the corner is dragged), every bitmap drawn at
// a scale it was never drawn at before.
#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <vector>

#include "editor_audio.h"
#include "headless_editor.h"

namespace {

using namespace benchaudio;

/// Arguments: the GUI Scale in hundredths, the screen scale.
void EditorAtGUIScaleWithMetersMoving(benchmark::State& state)
{
  HeadlessEditor editor(DROVIK_BUNDLE_DIR, double(state.range(1)));
  editor.SetGUIScale(double(state.range(0)) / 100.0);
  editor.Open();
  editor.WaitForFrame();
  int step = 0;
  // The first frames draw every bitmap once at this scale.
  for (; step < 60; ++step) AudioStep<960>(editor, step), editor.WaitForFrame(6);
  int drawn = 0;
  const double start = ProcessCpuSeconds();
  for (auto _ : state)
  {
    AudioStep<960>(editor, step++);
    drawn += editor.WaitForFrame(6) ? 1 : 0;
  }
  const double cpuPerFrame = drawn ? (ProcessCpuSeconds() - start) / drawn : 0.0;
  state.counters["cpu_ms_per_frame"] = 1000.0 * cpuPerFrame;
  state.counters["core_percent_at_60fps"] = 100.0 * 60.0 * cpuPerFrame;
  const HeadlessEditor::Frame& frame = editor.LastFrame();
  state.counters["width"] = frame.width, state.counters["height"] = frame.height;
}
BENCHMARK(EditorAtGUIScaleWithMetersMoving)
  ->ArgsProduct({{75, 100, 125, 150, 200, 300}, {1, 2}})
  ->ArgNames({"gui_scale_percent", "screen_scale"})
  ->Unit(benchmark::kMillisecond)
  ->UseRealTime()
  ->Iterations(200);

/// Arguments: the GUI Scale in hundredths, the screen scale. Each iteration moves the GUI Scale a hundredth up or
/// back and waits for the editor's frame at the new size.
void EditorFrameAfterTheGUIScaleChanges(benchmark::State& state)
{
  HeadlessEditor editor(DROVIK_BUNDLE_DIR, double(state.range(1)));
  editor.SetGUIScale(double(state.range(0)) / 100.0);
  editor.Open();
  editor.WaitForFrame();
  int step = 0, drawn = 0;
  double cpu = 0;
  for (auto _ : state)
  {
    const double start = ProcessCpuSeconds();
    editor.SetGUIScale(double(state.range(0) + (++step % 2)) / 100.0);
    drawn += editor.WaitForFrame(20) ? 1 : 0;
    cpu += ProcessCpuSeconds() - start;
  }
  state.counters["cpu_ms_per_frame"] = drawn ? 1000.0 * cpu / drawn : 0.0;
}
BENCHMARK(EditorFrameAfterTheGUIScaleChanges)
  ->ArgsProduct({{75, 125, 200}, {1, 2}})
  ->ArgNames({"gui_scale_percent", "screen_scale"})
  ->Unit(benchmark::kMillisecond)
  ->UseRealTime()
  ->Iterations(20);

} // namespace
