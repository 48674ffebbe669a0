// How long a host's calls wait while Drovik's editor draws. The editor is open in a host's X11 window with audio
// running and the meters moving; every 20 ms the host's main thread sends a round of effEditIdle and
// effGetParamDisplay for every parameter, and each round and each call in it is timed. Eight clicks on the clip
// switch go in during the run (through XTest, half a second apart), each timed from the click until the switch's
// pixels change on the screen. Reported per GUI Scale (the argument, in hundredths): the worst round and the worst
// single call, the worst click, and how many clicks the plug-in took; and apart, the worst round and call in the
// first second after opening, when the whole first frame is drawn and put on the screen. The display's scale comes
// from Xft.dpi: run `editor_host_round_bench --scale 2` for screen scale 2 (1 by default). Needs DISPLAY with a
// screen large enough for the editor at GUI Scale 3 times the screen scale (e.g. `Xvfb :NN -screen 0 3000x2800x24`).
#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>

#include <benchmark/benchmark.h>

#include "editor_window_host.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

using namespace benchhost;

int gScale = 1;

constexpr int kClicks = 8;
constexpr auto kRoundPeriod = std::chrono::milliseconds(20);
constexpr int kRoundsBetweenClicks = 25;
constexpr auto kOpening = std::chrono::seconds(1);
/// The clip switch: its parameter and its place in editor points.
constexpr int kClipSwitchParam = 4;
constexpr double kSwitchLeft = 242, kSwitchTop = 243, kSwitchWidth = 40, kSwitchHeight = 20;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

/// Watches a rectangle of the screen from a display connection of its own and notes when its pixels change.
class PixelWatch
{
public:
  PixelWatch(int x, int y, int w, int h) : mX(x), mY(y), mW(w), mH(h)
  {
    mThread = std::thread([this] { Run(); });
  }
  ~PixelWatch() { Stop(); }

  void Stop()
  {
    mStop = true;
    if (mThread.joinable()) mThread.join();
  }
  /// The first change after `t`, or none.
  bool FirstChangeAfter(Clock::time_point t, Clock::time_point& change)
  {
    std::lock_guard<std::mutex> hold(mLock);
    for (Clock::time_point c : mChanges)
      if (c > t)
      {
        change = c;
        return true;
      }
    return false;
  }

private:
  void Run()
  {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return;
    std::vector<char> last;
    while (!mStop)
    {
      XImage* image = XGetImage(d, DefaultRootWindow(d), mX, mY, unsigned(mW), unsigned(mH), AllPlanes, ZPixmap);
      if (image)
      {
        const auto now = Clock::now();
        std::vector<char> pixels(image->data, image->data + size_t(image->bytes_per_line) * size_t(mH));
        XDestroyImage(image);
        if (!last.empty() && pixels != last)
        {
          std::lock_guard<std::mutex> hold(mLock);
          mChanges.push_back(now);
        }
        last.swap(pixels);
      }
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    XCloseDisplay(d);
  }

  int mX, mY, mW, mH;
  std::atomic<bool> mStop{false};
  std::mutex mLock;
  std::vector<Clock::time_point> mChanges;
  std::thread mThread;
};

/// One host round: the editor's idle call and every parameter's display text.
/// One host round; `worstCall` keeps the longest single call of it.
Clock::duration HostRound(host::Plugin& plugin, Clock::duration& worstCall)
{
  const auto start = Clock::now();
  auto before = start;
  auto timed = [&](auto call) {
    call();
    const auto after = Clock::now();
    worstCall = std::max(worstCall, after - before);
    before = after;
  };
  timed([&] { plugin.Dispatch(vst2::effEditIdle); });
  for (int i = 0; i < plugin.NumParams(); ++i)
    timed([&] { plugin.ParamDisplay(i); });
  return Clock::now() - start;
}

void Click(Display* d, int x, int y)
{
  XTestFakeMotionEvent(d, -1, x, y, 0);
  XTestFakeButtonEvent(d, 1, True, 0);
  XTestFakeButtonEvent(d, 1, False, 0);
  XFlush(d);
}

void DrainEvents(Display* d)
{
  while (XPending(d))
  {
    XEvent e;
    XNextEvent(d, &e);
  }
}

void HostRoundsWhileTheEditorDraws(benchmark::State& state)
{
  const double guiScale = double(state.range(0)) / 100.0;
  WindowHost host(gScale, guiScale);
  const auto start = Clock::now();
  if (!host.Ready())
  {
    state.SkipWithError("no X display or no plug-in");
    return;
  }
  if (!host.OpenEditor())
  {
    state.SkipWithError("the editor did not open");
    return;
  }
  AudioThread audio(host.Plugin());
  // The first second: the first, full frame and the meters' rise, reported on their own.
  Display* d = host.HostDisplay();
  Clock::duration worstOpeningRound{0}, worstOpeningCall{0};
  for (auto next = Clock::now(); next < start + kOpening; next += kRoundPeriod)
  {
    worstOpeningRound = std::max(worstOpeningRound, HostRound(host.Plugin(), worstOpeningCall));
    DrainEvents(d);
    std::this_thread::sleep_until(next + kRoundPeriod);
  }
  const double pixels = guiScale * gScale;
  int left = 0, top = 0;
  Window child = 0;
  XTranslateCoordinates(d, host.HostWindow(), DefaultRootWindow(d), int(std::ceil(kSwitchLeft * pixels)),
                        int(std::ceil(kSwitchTop * pixels)), &left, &top, &child);
  const int width = int(kSwitchWidth * pixels) - 2, height = int(kSwitchHeight * pixels) - 2;
  for (auto _ : state)
  {
    PixelWatch watch(left + 1, top + 1, width, height);
    std::vector<Clock::time_point> clicks;
    Clock::duration worstRound{0}, worstCall{0};
    int taken = 0;
    float clip = host.Plugin().GetParam(kClipSwitchParam);
    auto next = Clock::now();
    for (int round = 1; round <= (kClicks + 1) * kRoundsBetweenClicks; ++round)
    {
      worstRound = std::max(worstRound, HostRound(host.Plugin(), worstCall));
      DrainEvents(d);
      const float now = host.Plugin().GetParam(kClipSwitchParam);
      taken += now != clip ? 1 : 0;
      clip = now;
      if (round % kRoundsBetweenClicks == 0 && int(clicks.size()) < kClicks)
      {
        Click(d, left + width / 2, top + height / 2);
        clicks.push_back(Clock::now());
      }
      next += kRoundPeriod;
      std::this_thread::sleep_until(next);
    }
    host.Idle(0.5, true); // the last click's frame
    watch.Stop();
    double worstClick = 0, allClicks = 0;
    int shown = 0;
    for (Clock::time_point c : clicks)
    {
      Clock::time_point change;
      if (!watch.FirstChangeAfter(c, change)) continue;
      ++shown;
      worstClick = std::max(worstClick, Milliseconds(change - c));
      allClicks += Milliseconds(change - c);
    }
    state.counters["worst_round_ms"] = Milliseconds(worstRound);
    state.counters["worst_opening_round_ms"] = Milliseconds(worstOpeningRound);
    state.counters["worst_call_ms"] = Milliseconds(worstCall);
    state.counters["worst_opening_call_ms"] = Milliseconds(worstOpeningCall);
    state.counters["worst_click_ms"] = worstClick;
    state.counters["mean_click_ms"] = shown ? allClicks / shown : 0.0;
    state.counters["clicks_taken"] = taken;
    state.counters["clicks_shown"] = shown;
  }
}
BENCHMARK(HostRoundsWhileTheEditorDraws)
  ->ArgName("gui_scale_percent")
  ->Arg(100)
  ->Arg(125)
  ->Arg(200)
  ->Arg(300)
  ->Iterations(1)
  ->Unit(benchmark::kSecond)
  ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--scale")
    {
      gScale = std::max(1, std::min(4, std::atoi(argv[i + 1])));
      for (int j = i; j + 2 < argc; ++j) argv[j] = argv[j + 2];
      argc -= 2;
      break;
    }
  benchmark::Initialize(&argc, argv);
  benchmark::AddCustomContext("screen scale", std::to_string(gScale));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
