// Drovik's editor without a display, through the plug-in's entry point: open to first frame; one frame with both
// meters moving (20 ms of audio whose level changes every frame); and the CPU an open editor with moving meters
// takes at 60 frames per second, as a share of one core (audio processing included).
#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <vector>

#include "editor_audio.h"
#include "headless_editor.h"

namespace {

using namespace benchaudio;

void EditorOpenToFirstFrame(benchmark::State& state)
{
  HeadlessEditor editor(DROVIK_BUNDLE_DIR, double(state.range(0)));
  for (auto _ : state)
  {
    editor.Open();
    editor.WaitForFrame();
    editor.Close();
  }
}
BENCHMARK(EditorOpenToFirstFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void EditorFrameWithMetersMoving(benchmark::State& state)
{
  HeadlessEditor editor(DROVIK_BUNDLE_DIR, double(state.range(0)));
  editor.Open();
  editor.WaitForFrame();
  int frame = 0;
  for (; frame < 5; ++frame) AudioStep<960>(editor, frame), editor.WaitForFrame();
  // A step without a refresh of the meters (the audio's 20 ms and the timer's fall apart) draws nothing: such
  // steps are not waited for long, and the CPU of every thread is counted per frame drawn.
  int drawn = 0;
  const double start = ProcessCpuSeconds();
  for (auto _ : state)
  {
    AudioStep<960>(editor, frame++);
    drawn += editor.WaitForFrame(6) ? 1 : 0;
  }
  state.counters["cpu_ms_per_frame"] = drawn ? 1000.0 * (ProcessCpuSeconds() - start) / drawn : 0.0;
}
BENCHMARK(EditorFrameWithMetersMoving)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

// The whole editor drawn at once (as after a resize), including the copy to the window's drawable: the time of
// every thread for one such frame.
void EditorFullRedraw(benchmark::State& state)
{
  HeadlessEditor editor(DROVIK_BUNDLE_DIR, double(state.range(0)));
  editor.Open();
  editor.Settle();
  const double start = ProcessCpuSeconds();
  for (auto _ : state) editor.DrawEverything();
  state.counters["cpu_ms_per_frame"] = 1000.0 * (ProcessCpuSeconds() - start) / double(state.iterations());
}
BENCHMARK(EditorFullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The share of one core an open editor with moving meters takes: one second of audio processed in 800-sample
// blocks while the editor's 60 Hz frame timer and the plug-in's 20 ms timer run on the same clock.
void EditorCpuAt60FramesPerSecond(benchmark::State& state)
{
  HeadlessEditor editor(DROVIK_BUNDLE_DIR, double(state.range(0)));
  editor.Open();
  editor.WaitForFrame();
  int frame = 0;
  double cpu = 0, seconds = 0;
  for (auto _ : state)
  {
    const double start = ProcessCpuSeconds();
    for (int i = 0; i < 60; ++i) AudioStep<800>(editor, frame++); // the timers run as the audio's clock moves
    cpu += ProcessCpuSeconds() - start;
    seconds += 1.0;
  }
  state.counters["core_percent"] = 100.0 * cpu / seconds; // CPU per second of editor time
}
BENCHMARK(EditorCpuAt60FramesPerSecond)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
