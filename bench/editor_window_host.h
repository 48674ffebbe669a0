// A host for the editor benchmarks: Drovik loaded from its bundle as a host loads it, its editor opened into an
// X11 window of the host's own, audio processed in real time on an audio thread with a level that moves (so both
// meters move). Needs DISPLAY.
#pragma once

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/plugin.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace benchhost {

using Clock = std::chrono::steady_clock;

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
  /// The editor's window sized for the screen scale and the plug-in's GUI Scale, set before the editor opens.
  explicit WindowHost(int scale, double guiScale = 1.0, const std::string& pluginPath = DROVIK_BUNDLE)
  {
    if (!(mDisplay = XOpenDisplay(nullptr)))
      return;
    SetDpi(scale == 1 ? nullptr : std::to_string(96 * scale).c_str());
    std::string error;
    mPlugin = host::Plugin::Load(pluginPath, error, host::Unload::Never);
    if (!mPlugin)
      return;
    if (guiScale != 1.0) SetGUIScale(guiScale);
    // Another plug-in's editor may be larger than ours: its window is as large as ours can be.
    const double pixels = (pluginPath == DROVIK_BUNDLE ? guiScale : 3.0) * scale;
    mWindow = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, unsigned(std::ceil(468 * pixels)),
                                  unsigned(std::ceil(450 * pixels)), 0, 0, 0);
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
  Display* HostDisplay() { return mDisplay; }
  Window HostWindow() const { return mWindow; }

private:
  /// The GUI Scale as a saved session restores it: through the state chunk.
  void SetGUIScale(double guiScale)
  {
    std::vector<uint8_t> chunk;
    if (!mPlugin->GetChunk(false, chunk)) return;
    const std::string from = "name=\"GUI Scale\" val=\"1.000000\"";
    std::string text(chunk.begin(), chunk.end());
    const size_t at = text.find(from);
    if (at == std::string::npos) return;
    char value[32];
    snprintf(value, sizeof value, "%.6f", guiScale);
    text.replace(at, from.size(), std::string("name=\"GUI Scale\" val=\"") + value + "\"");
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

} // namespace benchhost
