// Drovik's editor in a host's X11 window, run the way a host runs it: the module loaded from its bundle, the
// editor opened into a window of the host's own, audio processed in real time on an audio thread with a level that
// moves (so both meters move), effEditIdle sent at 60 Hz from the host's main thread. Counted is the CPU of the
// whole process as a share of one core: with the editor closed (the audio alone), with it open and the meters
// moving, and with it open and no audio (nothing changing). The editor's own cost is the difference to the audio
// alone. The display's scale comes from Xft.dpi, which the plug-in's view system reads once per process: run
// `editor_window_bench --scale 2` for screen scale 2 (1 by default); `--gui-scale S` sets the editor's GUI Scale
// (through the state chunk, as a host restores a session) and `--plugin PATH` measures another plug-in's editor the
// same way. Needs DISPLAY, with a screen as large as the editor.
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "editor_window_host.h"

namespace {

using namespace benchhost;

int gScale = 1;
double gGUIScale = 1.0;
std::string gPluginPath = DROVIK_BUNDLE;

double CpuSeconds()
{
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t); // every thread's run time, to the nanosecond
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

enum Case
{
  kAudioAlone,      // editor closed, audio running
  kMetersMoving,    // editor open, audio running
  kNothingChanging, // editor open, no audio
  kIdleAlone,       // editor closed, no audio: the plug-in's own timer and the host's loop
};

void EditorInHostWindow(benchmark::State& state)
{
  const Case which = Case(state.range(0));
  WindowHost host(gScale, gGUIScale, gPluginPath);
  if (!host.Ready())
  {
    state.SkipWithError("no X display or no plug-in");
    return;
  }
  const bool editor = which == kMetersMoving || which == kNothingChanging;
  if (editor && !host.OpenEditor())
  {
    state.SkipWithError("the editor did not open");
    return;
  }
  // Nothing changing: no audio at all, as when the transport is stopped.
  std::unique_ptr<AudioThread> audio;
  if (which == kAudioAlone || which == kMetersMoving) audio = std::make_unique<AudioThread>(host.Plugin());
  host.Idle(1.0, editor); // the first, full frame and the meters' rise are not part of it
  for (auto _ : state)
  {
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    host.Idle(5.0, editor);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["core_percent"] = 100.0 * (CpuSeconds() - cpu) / wall;
  }
}
BENCHMARK(EditorInHostWindow)
  ->ArgName("case")
  ->Arg(kAudioAlone)
  ->Arg(kMetersMoving)
  ->Arg(kNothingChanging)
  ->Arg(kIdleAlone)
  ->Iterations(1)
  ->Unit(benchmark::kSecond)
  ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
  for (int i = 1; i + 1 < argc;)
  {
    const std::string option = argv[i], value = argv[i + 1];
    if (option == "--scale")
      gScale = std::max(1, std::min(4, std::atoi(value.c_str())));
    else if (option == "--gui-scale")
      gGUIScale = std::max(0.5, std::min(3.0, std::atof(value.c_str())));
    else if (option == "--plugin")
      gPluginPath = value;
    else
    {
      ++i;
      continue;
    }
    for (int j = i; j + 2 <= argc; ++j) argv[j] = argv[j + 2];
    argc -= 2;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::AddCustomContext("screen scale", std::to_string(gScale));
  benchmark::AddCustomContext("plug-in", gPluginPath);
  benchmark::AddCustomContext("GUI Scale", std::to_string(gGUIScale));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
