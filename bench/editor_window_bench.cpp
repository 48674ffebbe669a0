// Drovik's editor in a host's X11 window, run the way a host runs it: the module loaded from its bundle, the
// editor opened into a window of the host's own, audio processed in real time on an audio thread with a level that
// moves (so both meters move), effEditIdle sent at 60 Hz from the host's main thread. Counted is the CPU of the
// whole process as a share of one core: with the editor closed (the audio alone), with it open and the meters
// moving, and with it open and no audio (nothing changing). The editor's own cost is the difference to the audio
// alone. The display's scale comes from Xft.dpi, which the plug-in's view system reads once per process: run
// `editor_window_bench --scale 2` for screen scale 2 (1 by default). `--gui-scale S` opens Drovik's editor at
// that GUI Scale (set through the plug-in's state, as a host restores it); `--plugin PATH` measures another
// plug-in's editor the same way (a bundle folder or a .so), for comparison. Needs DISPLAY (with a screen as large
// as the editor).
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "host/plugin.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

int gScale = 1;
double gGUIScale = 1.0;
std::string gPluginPath = DROVIK_BUNDLE;

using Clock = std::chrono::steady_clock;

double CpuSeconds()
{
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t); // every thread's run time, to the nanosecond
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

constexpr double kRate = 48000;
constexpr int kBlock = 512;

/// The audio thread of a host: blocks of a 997 Hz sine, level moving every 20 ms, at their own pace.
class AudioThread
{
public:
  explicit AudioThread(host::Plugin& plugin) : mPlugin(plugin)
  {
    mThread = std::thread([this] { Run(); });
  }
  ~AudioThread()
  {
    mStop = true;
    mThread.join();
  }

private:
  void Run()
  {
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    long sample = 0;
    auto next = Clock::now();
    while (!mStop)
    {
      for (int i = 0; i < kBlock; ++i, ++sample)
      {
        const double level = 0.05 + 0.45 * (0.5 + 0.5 * std::sin(double(sample / 960) * 0.3));
        inL[size_t(i)] = inR[size_t(i)] = float(level * std::sin(2 * M_PI * 997.0 * double(sample) / kRate));
      }
      mPlugin.Process(in, out, kBlock);
      next += std::chrono::microseconds(long(1e6 * kBlock / kRate));
      std::this_thread::sleep_until(next);
    }
  }

  host::Plugin& mPlugin;
  std::atomic<bool> mStop{false};
  std::thread mThread;
};

/// The host: its display (with Xft.dpi set for the scale), its window, the plug-in loaded from the bundle.
class WindowHost
{
public:
  explicit WindowHost(int scale)
  {
    if (!(mDisplay = XOpenDisplay(nullptr)))
      return;
    SetDpi(scale == 1 ? nullptr : std::to_string(96 * scale).c_str());
    std::string error;
    mPlugin = host::Plugin::Load(gPluginPath, error, host::Unload::Never);
    if (!mPlugin)
      return;
    if (gGUIScale != 1.0) SetGUIScale(gGUIScale);
    // As large as the editor can be, so that nothing of it is clipped.
    mWindow = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, 1404u * unsigned(scale),
                                  1350u * unsigned(scale), 0, 0, 0);
    XMapWindow(mDisplay, mWindow);
    XSync(mDisplay, False);
    mPlugin->Start(kRate, kBlock);
  }
  ~WindowHost()
  {
    if (mPlugin)
    {
      mPlugin->Dispatch(vst2::effEditClose);
      mPlugin->Stop();
      mPlugin.reset();
    }
    if (mDisplay)
    {
      SetDpi(nullptr);
      if (mWindow) XDestroyWindow(mDisplay, mWindow);
      XCloseDisplay(mDisplay);
    }
  }
  bool Ready() const { return mPlugin != nullptr; }
  bool OpenEditor() { return mPlugin->Dispatch(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(mWindow)) == 1; }

  /// Idles the editor at 60 Hz for the time given, handling the host window's events.
  void Idle(double seconds, bool editor)
  {
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (auto next = Clock::now(); next < end; next += std::chrono::microseconds(16667))
    {
      if (editor) mPlugin->Dispatch(vst2::effEditIdle);
      while (XPending(mDisplay))
      {
        XEvent e;
        XNextEvent(mDisplay, &e);
      }
      std::this_thread::sleep_until(next);
    }
  }

  host::Plugin& Plugin() { return *mPlugin; }

private:
  /// Drovik's GUI Scale, written into its state chunk as a host restores it (the host cannot set it directly).
  void SetGUIScale(double scale)
  {
    std::vector<uint8_t> chunk;
    if (!mPlugin->GetChunk(false, chunk)) return;
    std::string text(chunk.begin(), chunk.end());
    const std::string from = "name=\"GUI Scale\" val=\"1.000000\"";
    char to[64];
    std::snprintf(to, sizeof(to), "name=\"GUI Scale\" val=\"%.6f\"", scale);
    const size_t at = text.find(from);
    if (at == std::string::npos) return;
    text.replace(at, from.size(), to);
    mPlugin->SetChunk(false, std::vector<uint8_t>(text.begin(), text.end()));
  }

  void SetDpi(const char* dpi)
  {
    const Atom rm = XInternAtom(mDisplay, "RESOURCE_MANAGER", False);
    if (dpi)
    {
      const std::string text = std::string("Xft.dpi:\t") + dpi + "\n";
      XChangeProperty(mDisplay, DefaultRootWindow(mDisplay), rm, XA_STRING, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(text.c_str()), int(text.size()));
    }
    else
      XDeleteProperty(mDisplay, DefaultRootWindow(mDisplay), rm);
    XSync(mDisplay, False);
  }

  Display* mDisplay = nullptr;
  Window mWindow = 0;
  std::unique_ptr<host::Plugin> mPlugin;
};

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
  WindowHost host(gScale);
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
