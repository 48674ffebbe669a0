// The platform layer's own cost with the editor open: CPU use of the 60 fps frame clock with nothing to draw
// (the goal is under 0.5 % of a core), and the time to open the editor in a host window and close it again. On
// X11 when DISPLAY is set, headless otherwise. The drawing itself is not part of these figures.
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <thread>

#include <benchmark/benchmark.h>

#include "appkit/headless.h"
#include "appkit/x11_application.h"
#include "foundation/main_thread.h"
#include "null_drawing_mac.h"
#include "test_delegate.h"

// Last: X defines macros that the headers above would trip over.
#include <X11/Xlib.h>

namespace {

using namespace plug::igraphics;

double CpuSeconds()
{
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

/// A host window and our view system on the same display, or the headless one.
struct Host
{
  Host()
  {
    if ((mDisplay = XOpenDisplay(nullptr)))
    {
      mWindow = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, 468, 450, 0, 0, 0);
      XMapWindow(mDisplay, mWindow);
      XSync(mDisplay, False);
      mApp = appkit::MakeX11Application();
    }
    if (!mApp)
      mApp = std::make_unique<appkit::HeadlessApplication>();
    appkit::Application::Install(mApp.get());
    mDelegate.mMakeGraphicsFunc = [this]() -> IGraphics* {
      return new mactest::TestMacGraphics(mDelegate, 468, 450, 60, 1.f);
    };
  }
  ~Host()
  {
    {
      foundation::MainThreadScope main;
      mDelegate.CloseWindow();
      appkit::Application::Install(nullptr);
      mApp.reset();
    }
    if (mDisplay)
      XCloseDisplay(mDisplay);
  }
  void* Parent() { return mDisplay ? reinterpret_cast<void*>(mWindow) : &mWindow; }

  Display* mDisplay = nullptr;
  Window mWindow = 0;
  std::unique_ptr<appkit::Application> mApp;
  graphicstest::TestDelegate mDelegate{4};
};

void BM_EditorOpenIdleCpu(benchmark::State& state)
{
  Host host;
  {
    foundation::MainThreadScope main;
    host.mDelegate.OpenWindow(host.Parent());
  }
  for (auto _ : state)
  {
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - cpu0) / wall;
  }
  state.SetLabel(host.mApp->Name());
}
BENCHMARK(BM_EditorOpenIdleCpu)->Iterations(1)->Unit(benchmark::kSecond);

void BM_EditorOpenClose(benchmark::State& state)
{
  Host host;
  for (auto _ : state)
  {
    foundation::MainThreadScope main;
    host.mDelegate.OpenWindow(host.Parent());
    host.mDelegate.CloseWindow();
  }
  state.SetLabel(host.mApp->Name());
}
BENCHMARK(BM_EditorOpenClose)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
