#include "host/editor_command.h"

#include <algorithm>
#include <chrono>
#include <iterator>
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

#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "appkit/x11_display_open.h"
#include "host/output_file.h"
#include "host/plugin.h"

namespace host {

namespace {

/// How often the host calls effEditIdle and looks at its window's events.
constexpr auto kIdleInterval = std::chrono::milliseconds(16);
/// Time the editor gets after opening before the first scripted input, and between inputs.
constexpr auto kInputDelay = std::chrono::milliseconds(150);
/// Editor size when the plug-in answers no rectangle.
constexpr int kDefaultWidth = 468, kDefaultHeight = 450;
/// Largest editor side the host opens a window for, and longest time it keeps one open.
constexpr int kMaxSide = 16384;
constexpr double kMaxSeconds = 3600;
/// Reads of the screen in a row, a frame apart, that must agree before a screenshot is taken, and the most reads
/// made waiting for that (an editor that keeps drawing is taken as it is then).
constexpr int kSettledReads = 6;
constexpr int kMostSettleReads = 120;
/// Seconds a refused connection to the X server is tried again before the command gives up.
constexpr double kDisplayPatience = 2.0;

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
  Input(Display* display, Window window) : mDisplay(display), mWindow(window) {}

  void MoveTo(int x, int y)
  {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(mDisplay, mWindow, DefaultRootWindow(mDisplay), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(mDisplay, -1, rx, ry, 0);
  }
  void Button(unsigned button, bool down) { XTestFakeButtonEvent(mDisplay, button, down ? True : False, 0); }
  void Key(KeySym sym)
  {
    const KeyCode code = XKeysymToKeycode(mDisplay, sym);
    if (code == 0)
      return;
    // A symbol on the key's second level (upper-case letters, most punctuation) is typed with Shift held.
    const bool shift = XkbKeycodeToKeysym(mDisplay, code, 0, 0) != sym && XkbKeycodeToKeysym(mDisplay, code, 0, 1) == sym;
    const KeyCode shiftCode = XKeysymToKeycode(mDisplay, XK_Shift_L);
    if (shift)
      XTestFakeKeyEvent(mDisplay, shiftCode, True, 0);
    XTestFakeKeyEvent(mDisplay, code, True, 0);
    XTestFakeKeyEvent(mDisplay, code, False, 0);
    if (shift)
      XTestFakeKeyEvent(mDisplay, shiftCode, False, 0);
  }

private:
  Display* mDisplay;
  Window mWindow;
};

/// What the screen shows over the host's window, as RGBA rows: the editor and the small windows of its own that lie
/// over it (tool tips, menus). Read from the root window, as a window's own image leaves the parts another
/// top-level window covers undefined (black on Xvfb). Parts off the screen are black.
std::vector<uint8_t> ReadScreen(Display* display, Window window, int w, int h)
{
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
  const Window root = DefaultRootWindow(display);
  int left = 0, top = 0;
  Window child;
  XWindowAttributes screen{};
  if (!XTranslateCoordinates(display, window, root, 0, 0, &left, &top, &child) ||
      !XGetWindowAttributes(display, root, &screen))
    return rgba;
  const int x0 = std::max(left, 0), y0 = std::max(top, 0);
  const int x1 = std::min(left + w, screen.width), y1 = std::min(top + h, screen.height);
  if (x1 <= x0 || y1 <= y0)
    return rgba;
  XImage* img = XGetImage(display, root, x0, y0, static_cast<unsigned>(x1 - x0), static_cast<unsigned>(y1 - y0),
                          AllPlanes, ZPixmap);
  if (!img)
    return rgba;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
    {
      const unsigned long p = XGetPixel(img, x - x0, y - y0);
      uint8_t* d = &rgba[(static_cast<size_t>(y - top) * static_cast<size_t>(w) + static_cast<size_t>(x - left)) * 4];
      d[0] = static_cast<uint8_t>((p >> 16) & 0xFF);
      d[1] = static_cast<uint8_t>((p >> 8) & 0xFF);
      d[2] = static_cast<uint8_t>(p & 0xFF);
    }
  XDestroyImage(img);
  for (size_t at = 3; at < rgba.size(); at += 4)
    rgba[at] = 255;
  return rgba;
}

/// The editor's picture once what it drew has reached the server. The editor draws on its own connection, in its
/// own time (a tool tip just shown is drawn when its window is first exposed), so the screen is read, the editor
/// idled, our requests synced and the screen read again until it stays the same for kSettledReads reads in a row.
std::vector<uint8_t> SettledPicture(Plugin& plugin, Display* display, Window window, int w, int h)
{
  XSync(display, False);
  std::vector<uint8_t> picture = ReadScreen(display, window, w, h);
  for (int same = 0, reads = 0; same < kSettledReads && reads < kMostSettleReads; ++reads)
  {
    std::this_thread::sleep_for(kIdleInterval);
    plugin.Dispatch(vst2::effEditIdle);
    XSync(display, False);
    std::vector<uint8_t> again = ReadScreen(display, window, w, h);
    same = again == picture ? same + 1 : 0;
    picture.swap(again);
  }
  return picture;
}

/// Writes the editor's picture as a PNG file, whole or not at all.
bool WriteScreenshot(Plugin& plugin, Display* display, Window window, int w, int h, const std::string& path,
                     std::string& error)
{
  return WritePngFile(path, w, h, SettledPicture(plugin, display, window, w, h), error);
}

/// What the command line asked for: the plug-in, how long to keep the editor open, the scripted inputs in order.
struct EditorRequest
{
  std::string pluginPath, screenshot;
  double seconds = 1.0;
  std::deque<std::function<void(Input&)>> script;
};

/// The keys that type `text` (each character as its own key symbol), then Return.
std::vector<KeySym> KeysFor(const std::string& text)
{
  std::vector<KeySym> keys;
  for (char ch : text)
    keys.push_back(static_cast<KeySym>(static_cast<unsigned char>(ch)));
  keys.push_back(XK_Return);
  return keys;
}

/// --type X,Y,TEXT: a double click that opens the value entry, then the keys of TEXT.
bool AddTyping(const std::string& value, EditorRequest& request, std::string& error)
{
  const size_t c1 = value.find(','), c2 = c1 == std::string::npos ? c1 : value.find(',', c1 + 1);
  if (c2 == std::string::npos)
    return error = "--type takes X,Y,TEXT", false;
  const int x = std::atoi(value.substr(0, c1).c_str()), y = std::atoi(value.substr(c1 + 1, c2 - c1 - 1).c_str());
  request.script.push_back([x, y](Input& in) {
    in.MoveTo(x, y);
    for (int n = 0; n < 2; ++n)
    {
      in.Button(1, true);
      in.Button(1, false);
    }
  });
  request.script.push_back([keys = KeysFor(value.substr(c2 + 1))](Input& in) {
    for (KeySym key : keys)
      in.Key(key);
  });
  return true;
}

/// One scripted --move, --click, --drag or --wheel; false with `error` set when the value is malformed.
bool AddPointerInput(const std::string& option, const std::string& value, EditorRequest& request, std::string& error)
{
  const std::vector<int> v = Numbers(value);
  if (option == "--move" && v.size() == 2)
    request.script.push_back([v](Input& in) { in.MoveTo(v[0], v[1]); });
  else if (option == "--click" && v.size() == 2)
    request.script.push_back([v](Input& in) {
      in.MoveTo(v[0], v[1]);
      in.Button(1, true);
      in.Button(1, false);
    });
  else if (option == "--drag" && v.size() == 4)
    request.script.push_back([v](Input& in) {
      in.MoveTo(v[0], v[1]);
      in.Button(1, true);
      for (int step = 1; step <= 8; ++step)
        in.MoveTo(v[0] + v[2] * step / 8, v[1] + v[3] * step / 8);
      in.Button(1, false);
    });
  else if (option == "--wheel" && v.size() == 3)
    request.script.push_back([v](Input& in) {
      in.MoveTo(v[0], v[1]);
      for (int n = 0; n < std::abs(v[2]); ++n)
      {
        in.Button(v[2] > 0 ? 4 : 5, true);
        in.Button(v[2] > 0 ? 4 : 5, false);
      }
    });
  else
    return error = option + (option == "--click" || option == "--move" ? " takes X,Y"
                             : option == "--drag"                       ? " takes X,Y,DX,DY"
                                                                        : " takes X,Y,N"),
           false;
  return true;
}

/// --seconds S: a positive time, at most kMaxSeconds.
bool ParseSeconds(const std::string& text, double& seconds, std::string& error)
{
  char* end = nullptr;
  seconds = std::strtod(text.c_str(), &end);
  if (!text.empty() && !*end && seconds > 0 && seconds <= kMaxSeconds)
    return true;
  error = "--seconds " + text + ": expected a positive number of seconds (at most 3600)";
  return false;
}

bool ParseEditorArgs(const Args& args, EditorRequest& request, std::string& error)
{
  static const std::vector<std::string> kValued = {"--seconds", "--screenshot", "--move", "--click", "--drag",
                                                   "--wheel", "--type"};
  for (size_t i = 0; i < args.size(); ++i)
  {
    const std::string& a = args[i];
    const bool option = !a.empty() && a[0] == '-';
    if (!option && request.pluginPath.empty())
    {
      request.pluginPath = a;
      continue;
    }
    if (std::find(kValued.begin(), kValued.end(), a) == kValued.end())
      return error = "unknown argument " + a + " (see editor --help)", false;
    if (i + 1 >= args.size())
      return error = a + " needs a value", false;
    const std::string& value = args[++i];
    const bool ok = a == "--seconds"      ? ParseSeconds(value, request.seconds, error)
                    : a == "--screenshot" ? (request.screenshot = value, true)
                    : a == "--type"       ? AddTyping(value, request, error)
                                          : AddPointerInput(a, value, request, error);
    if (!ok)
      return false;
  }
  if (request.pluginPath.empty())
    return error = "no plug-in given", false;
  if (!request.screenshot.empty())
    error = OutputRefusal(request.screenshot, {{"the plug-in's module", ResolveModulePath(request.pluginPath)}});
  return error.empty();
}

/// The editor's size from effEditGetRect, or the default when the plug-in answers no rectangle; false with
/// `error` set for an empty, inverted or oversized rectangle, which no window can take.
bool EditorSize(Plugin& plugin, int& w, int& h, std::string& error)
{
  w = kDefaultWidth;
  h = kDefaultHeight;
  vst2::Rect* rect = nullptr;
  if (!plugin.Dispatch(vst2::effEditGetRect, 0, 0, &rect) || !rect)
    return true;
  const int width = rect->right - rect->left, height = rect->bottom - rect->top;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
  {
    error = "the plug-in's editor rectangle is " + std::to_string(width) + "x" + std::to_string(height) + " (top " +
            std::to_string(rect->top) + ", left " + std::to_string(rect->left) + ", bottom " +
            std::to_string(rect->bottom) + ", right " + std::to_string(rect->right) + "): no window can show it";
    return false;
  }
  w = width;
  h = height;
  return true;
}

/// Maps a top-level window of the host's own and waits until it is shown.
Window OpenHostWindow(Display* display, int w, int h)
{
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(w),
                                            static_cast<unsigned>(h), 0, 0, 0);
  XStoreName(display, window, "drovik-host editor");
  XSelectInput(display, window, StructureNotifyMask | KeyPressMask);
  XMapWindow(display, window);
  for (XEvent e;;)
  {
    XNextEvent(display, &e);
    if (e.type == MapNotify)
      break;
  }
  return window;
}

/// Idles the editor and plays the script until the time is up and the script is done, the last input given the
/// same time as every other to take effect.
void RunEditor(Plugin& plugin, Display* display, Window window, EditorRequest& request)
{
  const auto opened = std::chrono::steady_clock::now();
  Input input(display, window);
  auto nextInput = opened + kInputDelay;
  const auto end = opened + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(request.seconds));
  for (auto now = opened; now < end || now < nextInput || !request.script.empty(); now = std::chrono::steady_clock::now())
  {
    plugin.Dispatch(vst2::effEditIdle);
    while (XPending(display))
    {
      XEvent e;
      XNextEvent(display, &e);
    }
    if (!request.script.empty() && now >= nextInput)
    {
      request.script.front()(input);
      request.script.pop_front();
      XSync(display, False);
      nextInput = std::chrono::steady_clock::now() + kInputDelay;
    }
    std::fflush(stdout);
    std::this_thread::sleep_for(kIdleInterval);
  }
}

} // namespace

int CommandEditor(const Args& args)
{
  if (std::find(args.begin(), args.end(), "--help") != args.end() ||
      std::find(args.begin(), args.end(), "-h") != args.end())
  {
    std::cout << CommandUsage("editor");
    return 0;
  }
  EditorRequest request;
  std::string error;
  if (!ParseEditorArgs(args, request, error))
    return Fail(error);
  // The editor's libraries (X, fonts) stay loaded with the module until the host exits.
  std::unique_ptr<Plugin> plugin = Plugin::Load(request.pluginPath, error, Unload::Never);
  if (!plugin)
    return Fail(error);
  int w = 0, h = 0;
  if (!EditorSize(*plugin, w, h, error))
    return Fail(error);
  Display* display = appkit::OpenDisplayPatiently(kDisplayPatience);
  if (!display)
    return Fail("no X display");
  const Window window = OpenHostWindow(display, w, h);
  plugin->Context().printEdits = true;
  if (!plugin->Dispatch(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(window)))
  {
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return Fail("the plug-in opened no editor");
  }
  std::printf("editor %dx%d\n", w, h);
  std::fflush(stdout);
  RunEditor(*plugin, display, window, request);
  const bool shot = request.screenshot.empty() || WriteScreenshot(*plugin, display, window, w, h, request.screenshot, error);
  plugin->Dispatch(vst2::effEditClose);
  plugin->Context().printEdits = false;
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  std::fflush(stdout);
  return shot ? 0 : Fail(error);
}

} // namespace host
