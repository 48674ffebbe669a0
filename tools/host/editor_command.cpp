#include "host/editor_command.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "host/plugin.h"

namespace host {

namespace {

/// How often the host calls effEditIdle and looks at its window's events.
constexpr auto kIdleInterval = std::chrono::milliseconds(16);
/// Time the editor gets after opening before the first scripted input, and between inputs.
constexpr auto kInputDelay = std::chrono::milliseconds(150);
/// Editor size when the plug-in answers no rectangle.
constexpr int kDefaultWidth = 468, kDefaultHeight = 450;

int Fail(const std::string& message)
{
  std::cerr << "drovik-host editor: " << message << "\n";
  return 1;
}

std::vector<int> Numbers(const std::string& text)
{
  std::vector<int> out;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, ',');)
    out.push_back(std::atoi(part.c_str()));
  return out;
}

/// Scripted input through XTest, in window coordinates.
class Input
{
public:
  Input(Display* dpy, Window window) : mDpy(dpy), mWindow(window) {}

  void MoveTo(int x, int y)
  {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(mDpy, mWindow, DefaultRootWindow(mDpy), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(mDpy, -1, rx, ry, 0);
  }
  void Button(unsigned button, bool down) { XTestFakeButtonEvent(mDpy, button, down ? True : False, 0); }
  void Key(KeySym sym)
  {
    const KeyCode code = XKeysymToKeycode(mDpy, sym);
    XTestFakeKeyEvent(mDpy, code, True, 0);
    XTestFakeKeyEvent(mDpy, code, False, 0);
  }

private:
  Display* mDpy;
  Window mWindow;
};

bool WriteScreenshot(Display* dpy, Window window, int w, int h, const std::string& path)
{
  XImage* img = XGetImage(dpy, window, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!img)
    return false;
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      const unsigned long p = XGetPixel(img, x, y);
      uint8_t* d = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4];
      d[0] = static_cast<uint8_t>((p >> 16) & 0xFF);
      d[1] = static_cast<uint8_t>((p >> 8) & 0xFF);
      d[2] = static_cast<uint8_t>(p & 0xFF);
      d[3] = 255;
    }
  XDestroyImage(img);
  return stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4) != 0;
}

} // namespace

int CommandEditor(const Args& args)
{
  std::string pluginPath, screenshot;
  double seconds = 1.0;
  std::deque<std::function<void(Input&)>> script;
  for (size_t i = 0; i < args.size(); ++i)
  {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--seconds" && hasValue)
      seconds = std::atof(args[++i].c_str());
    else if (a == "--screenshot" && hasValue)
      screenshot = args[++i];
    else if (a == "--click" && hasValue)
    {
      const std::vector<int> v = Numbers(args[++i]);
      if (v.size() != 2)
        return Fail("--click takes X,Y");
      script.push_back([v](Input& in) {
        in.MoveTo(v[0], v[1]);
        in.Button(1, true);
        in.Button(1, false);
      });
    }
    else if (a == "--drag" && hasValue)
    {
      const std::vector<int> v = Numbers(args[++i]);
      if (v.size() != 4)
        return Fail("--drag takes X,Y,DX,DY");
      script.push_back([v](Input& in) {
        in.MoveTo(v[0], v[1]);
        in.Button(1, true);
        for (int step = 1; step <= 8; ++step)
          in.MoveTo(v[0] + v[2] * step / 8, v[1] + v[3] * step / 8);
        in.Button(1, false);
      });
    }
    else if (a == "--wheel" && hasValue)
    {
      const std::vector<int> v = Numbers(args[++i]);
      if (v.size() != 3)
        return Fail("--wheel takes X,Y,N");
      script.push_back([v](Input& in) {
        in.MoveTo(v[0], v[1]);
        for (int n = 0; n < std::abs(v[2]); ++n)
        {
          in.Button(v[2] > 0 ? 4 : 5, true);
          in.Button(v[2] > 0 ? 4 : 5, false);
        }
      });
    }
    else if (a == "--type" && hasValue)
    {
      const std::string step = args[++i];
      const size_t c1 = step.find(','), c2 = c1 == std::string::npos ? c1 : step.find(',', c1 + 1);
      if (c2 == std::string::npos)
        return Fail("--type takes X,Y,TEXT");
      const int x = std::atoi(step.substr(0, c1).c_str()), y = std::atoi(step.substr(c1 + 1, c2 - c1 - 1).c_str());
      const std::string text = step.substr(c2 + 1);
      script.push_back([x, y, text](Input& in) { // a double click opens the value entry
        in.MoveTo(x, y);
        for (int n = 0; n < 2; ++n)
        {
          in.Button(1, true);
          in.Button(1, false);
        }
      });
      script.push_back([text](Input& in) {
        for (char ch : text)
          in.Key(ch == '.' ? XK_period : ch == '-' ? XK_minus : static_cast<KeySym>(static_cast<unsigned char>(ch)));
        in.Key(XK_Return);
      });
    }
    else if (pluginPath.empty() && a.compare(0, 2, "--") != 0)
      pluginPath = a;
    else
      return Fail("unknown argument " + a);
  }
  if (pluginPath.empty())
    return Fail("no plug-in given");

  std::string error;
  std::unique_ptr<Plugin> plugin = Plugin::Load(pluginPath, error);
  if (!plugin)
    return Fail(error);
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy)
    return Fail("no X display");

  int w = kDefaultWidth, h = kDefaultHeight;
  vst2::Rect* rect = nullptr;
  if (plugin->Dispatch(vst2::effEditGetRect, 0, 0, &rect) && rect && rect->right > rect->left)
  {
    w = rect->right - rect->left;
    h = rect->bottom - rect->top;
  }
  const Window window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, static_cast<unsigned>(w),
                                            static_cast<unsigned>(h), 0, 0, 0);
  XStoreName(dpy, window, "drovik-host editor");
  XSelectInput(dpy, window, StructureNotifyMask | KeyPressMask);
  XMapWindow(dpy, window);
  for (XEvent e;;)
  {
    XNextEvent(dpy, &e);
    if (e.type == MapNotify)
      break;
  }
  plugin->Context().printEdits = true;
  const auto opened = std::chrono::steady_clock::now();
  if (!plugin->Dispatch(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(window)))
  {
    XDestroyWindow(dpy, window);
    XCloseDisplay(dpy);
    return Fail("the plug-in opened no editor");
  }
  std::printf("editor %dx%d\n", w, h);
  std::fflush(stdout);

  Input input(dpy, window);
  auto nextInput = opened + kInputDelay;
  const auto end = opened + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds));
  while (std::chrono::steady_clock::now() < end || !script.empty())
  {
    plugin->Dispatch(vst2::effEditIdle);
    while (XPending(dpy))
    {
      XEvent e;
      XNextEvent(dpy, &e);
    }
    if (!script.empty() && std::chrono::steady_clock::now() >= nextInput)
    {
      script.front()(input);
      script.pop_front();
      XSync(dpy, False);
      nextInput = std::chrono::steady_clock::now() + kInputDelay;
    }
    std::fflush(stdout);
    std::this_thread::sleep_for(kIdleInterval);
  }
  bool shot = true;
  if (!screenshot.empty())
    shot = WriteScreenshot(dpy, window, w, h, screenshot);
  plugin->Dispatch(vst2::effEditClose);
  plugin->Context().printEdits = false;
  XDestroyWindow(dpy, window);
  XCloseDisplay(dpy);
  std::fflush(stdout);
  return shot ? 0 : Fail("no screenshot written");
}

} // namespace host
