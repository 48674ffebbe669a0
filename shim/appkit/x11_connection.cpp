// The X11 back end's display connection: opening it, the screen scale from Xft.dpi, the X error handler we share
// with the host (held in place by ErrorTrap while work of ours may draw errors), the loss of the connection, the
// cursors, and the event pump that hands each event to its view, to the modal window in front or to the clipboard.
#include "appkit/x11_backend.h"

#include <X11/Xresource.h>
#include <X11/cursorfont.h>
#include <sys/eventfd.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

#include "appkit/x11_display_open.h"
#include "foundation/main_thread.h"

namespace appkit {
namespace x11 {

namespace {

/// Screen scales outside 1..kMaxScale (from Xft.dpi) are taken as 1.
constexpr int kMaxScale = 4;
/// Seconds a refused connection to the X server is tried again before the editor counts as having no display.
constexpr double kDisplayPatience = 0.5;
/// Seconds a server that took the connection has to answer it before the editor counts as having no display.
constexpr double kServerAnswerWait = 1.0;

// ---- X errors ----
// The process has one X error handler, shared with the host. Ours is in place only while work of ours may draw
// errors (a view in a host's window, a clipboard exchange): it takes the errors of our own connections (a host's
// window gone, say) and passes every other connection's errors to the handler it replaced. When the last such
// work ends the replaced handler is put back, so nothing of ours stays installed while no editor is open and the
// module may be unloaded.

std::mutex gErrorMutex;
std::vector<Display*> gOurConnections;
XErrorHandler gReplacedHandler = nullptr;
int gErrorHolds = 0;

int OnXError(Display* display, XErrorEvent* e)
{
  XErrorHandler replaced = nullptr;
  {
    std::lock_guard<std::mutex> lock(gErrorMutex);
    if (std::find(gOurConnections.begin(), gOurConnections.end(), display) != gOurConnections.end())
      return 0;
    replaced = gReplacedHandler;
  }
  return replaced ? replaced(display, e) : 0;
}

// ---- A lost connection ----
// When the server goes away, Xlib calls the process's IO error handler and then the connection's exit handler;
// both, left as they are, end the process, from whichever thread made the call (the run loop's, often). Neither may
// end the host for a connection of ours: while any is open our IO error handler is in place (passing the losses of
// every other connection to the handler it replaced), and each connection of ours has an exit handler that only
// marks it lost (X11Application::MarkLost). The connection is then let go of at the next turn of its pump.

XIOErrorHandler gReplacedIOHandler = nullptr;

int OnIOError(Display* display)
{
  XIOErrorHandler replaced = nullptr;
  {
    std::lock_guard<std::mutex> lock(gErrorMutex);
    if (std::find(gOurConnections.begin(), gOurConnections.end(), display) != gOurConnections.end())
      return 0;
    replaced = gReplacedIOHandler;
  }
  return replaced ? replaced(display) : 0;
}

/// The exit handler of our connections. Xlib holds the connection locked for the thread that found the loss
/// (expecting it to end the process): we let go of that lock, or every later call from another thread, closing
/// the connection included, would wait for it for good.
void OnConnectionLost(Display* display, void* app)
{
  static_cast<X11Application*>(app)->MarkLost();
  XUnlockDisplay(display);
}

void AddOurConnection(Display* display) // [main thread]
{
  std::lock_guard<std::mutex> lock(gErrorMutex);
  if (gOurConnections.empty())
  {
    const XIOErrorHandler replaced = XSetIOErrorHandler(OnIOError);
    if (replaced != OnIOError)
      gReplacedIOHandler = replaced;
  }
  gOurConnections.push_back(display);
}

void RemoveOurConnection(Display* display) // [main thread]
{
  std::lock_guard<std::mutex> lock(gErrorMutex);
  gOurConnections.erase(std::remove(gOurConnections.begin(), gOurConnections.end(), display), gOurConnections.end());
  if (!gOurConnections.empty())
    return;
  // Whoever put a handler in after ours keeps theirs; nothing of ours stays in place once the module may go.
  const XIOErrorHandler current = XSetIOErrorHandler(gReplacedIOHandler);
  if (current != OnIOError)
    XSetIOErrorHandler(current);
}

} // namespace

ErrorTrap::ErrorTrap(Display* display) : mDisplay(display) // [main thread]
{
  std::lock_guard<std::mutex> lock(gErrorMutex);
  if (gErrorHolds++ == 0)
  {
    const XErrorHandler replaced = XSetErrorHandler(OnXError);
    if (replaced != OnXError)
      gReplacedHandler = replaced;
  }
}

ErrorTrap::~ErrorTrap()
{
  XSync(mDisplay, False);
  std::lock_guard<std::mutex> lock(gErrorMutex);
  if (--gErrorHolds > 0)
    return;
  // Whoever put a handler in after ours keeps theirs.
  const XErrorHandler current = XSetErrorHandler(gReplacedHandler);
  if (current != OnXError)
    XSetErrorHandler(current);
}

// ---- Application ----

namespace {

/// The screen scale for an Xft.dpi text: whole multiples of 96 dpi from 1 to kMaxScale; anything else is 1.
int ScaleForDpi(const std::string& text)
{
  const char* start = text.c_str();
  char* end = nullptr;
  const double dpi = std::strtod(start, &end);
  while (end && std::isspace(static_cast<unsigned char>(*end)))
    ++end;
  if (end == start || !end || *end != '\0' || !std::isfinite(dpi))
    return 1;
  const double scale = std::floor(dpi / 96.0);
  return scale >= 1.0 && scale <= kMaxScale ? static_cast<int>(scale) : 1;
}

int ScaleFromResources(Display* display)
{
  XrmInitialize();
  const char* rms = XResourceManagerString(display);
  if (!rms)
    return 1;
  XrmDatabase db = XrmGetStringDatabase(rms);
  int scale = 1;
  char* type = nullptr;
  XrmValue value;
  if (db && XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
    scale = ScaleForDpi(std::string(value.addr, strnlen(value.addr, value.size)));
  if (db)
    XrmDestroyDatabase(db);
  return scale;
}

} // namespace

X11Application::X11Application(Display* display) : mDisplay(display)
{
  AddOurConnection(display);
  XSetIOErrorExitHandler(display, OnConnectionLost, this);
  mScale = ScaleFromResources(display);
  int major = 0, minor = 0;
  Bool pixmaps = False;
  mHasSharedMemory = XShmQueryVersion(display, &major, &minor, &pixmaps) && std::getenv("DROVIK_X11_NO_SHM") == nullptr;
  mHelper = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  mSource = foundation::RunLoop::Main().AddSource(ConnectionNumber(display), [this] { Pump(); });
  mWakeUpDescriptor = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (mWakeUpDescriptor >= 0)
    mWakeSource = foundation::RunLoop::Main().AddSource(mWakeUpDescriptor, [this] {
      uint64_t count = 0;
      while (read(mWakeUpDescriptor, &count, sizeof(count)) > 0)
        ;
      Pump();
    });
}

void X11Application::ServeQueuedEventsSoon()
{
  const uint64_t one = 1;
  if (mWakeUpDescriptor >= 0 && XQLength(mDisplay) > 0 && write(mWakeUpDescriptor, &one, sizeof(one)) < 0)
    return; // the counter is full: a wake-up is pending anyway
}

X11Application::~X11Application()
{
  // Also when the process exits: not while the run loop's thread serves the connection.
  foundation::MainThreadScope mainThread;
  StopWatching();
  if (mWakeUpDescriptor >= 0)
    close(mWakeUpDescriptor);
  if (!mLost)
  {
    ErrorTrap trap(mDisplay); // the errors of requests still on their way are ours
  }
  XCloseDisplay(mDisplay); // still ours, should the server go away meanwhile
  RemoveOurConnection(mDisplay);
}

void X11Application::StopWatching()
{
  if (mWakeSource)
    foundation::RunLoop::Main().RemoveSource(mWakeSource);
  if (mSource)
    foundation::RunLoop::Main().RemoveSource(mSource);
  mWakeSource = mSource = 0;
}

void X11Application::LetGoOfLostConnection()
{
  if (mLetGo)
    return;
  mLetGo = true;
  StopWatching(); // the connection stays readable (at its end) for good
  // The views' windows went with the server: each view forgets them, and its responder hears of it.
  std::vector<X11View*> views;
  for (const auto& entry : mViews)
    if (std::find(views.begin(), views.end(), entry.second) == views.end())
      views.push_back(entry.second);
  for (X11View* v : views)
    v->WindowDestroyed();
}

::Cursor X11Application::XCursorFor(Cursor c)
{
  auto it = mCursors.find(c);
  if (it != mCursors.end())
    return it->second;
  unsigned shape = XC_left_ptr;
  switch (c)
  {
  case Cursor::kIBeam: shape = XC_xterm; break;
  case Cursor::kBusyButClickable: shape = XC_watch; break;
  case Cursor::kCrosshair: shape = XC_crosshair; break;
  case Cursor::kResizeNorth:
  case Cursor::kResizeUp: shape = XC_top_side; break;
  case Cursor::kResizeNorthWestSouthEast: shape = XC_bottom_right_corner; break;
  case Cursor::kResizeNorthEastSouthWest: shape = XC_bottom_left_corner; break;
  case Cursor::kResizeEastWest:
  case Cursor::kResizeLeftRight: shape = XC_sb_h_double_arrow; break;
  case Cursor::kResizeNorthSouth:
  case Cursor::kResizeUpDown: shape = XC_sb_v_double_arrow; break;
  case Cursor::kMove: shape = XC_fleur; break;
  case Cursor::kOperationNotAllowed: shape = XC_X_cursor; break;
  case Cursor::kPointingHand: shape = XC_hand2; break;
  case Cursor::kHelp: shape = XC_question_arrow; break;
  default: break;
  }
  return mCursors[c] = XCreateFontCursor(mDisplay, shape);
}

::Cursor X11Application::BlankCursor()
{
  if (!mBlank)
  {
    static const char bits[1] = {0};
    Pixmap p = XCreateBitmapFromData(mDisplay, DefaultRootWindow(mDisplay), bits, 1, 1);
    XColor black{};
    mBlank = XCreatePixmapCursor(mDisplay, p, p, &black, &black, 0, 0);
    XFreePixmap(mDisplay, p);
  }
  return mBlank;
}

namespace {

/// Keys, buttons and the pointer's moves and crossings.
bool IsInput(const XEvent& e)
{
  switch (e.type)
  {
  case KeyPress:
  case KeyRelease:
  case ButtonPress:
  case ButtonRelease:
  case MotionNotify:
  case EnterNotify:
  case LeaveNotify: return true;
  default: return false;
  }
}

} // namespace

void X11Application::Pump()
{
  ++mBusy;
  ++mPumpDepth;
  while (!mLost && XPending(mDisplay))
  {
    XEvent e;
    XNextEvent(mDisplay, &e);
    const bool replayed = mReplaysLeft > 0;
    if (replayed)
      --mReplaysLeft;
    if (e.type == DestroyNotify)
    {
      mSelectionOwnerGone = mSelectionOwnerGone || e.xdestroywindow.window == mSelectionOwner;
      auto gone = mViews.find(e.xdestroywindow.window);
      if (gone != mViews.end() && gone->second->GetXWindow() == e.xdestroywindow.window)
        gone->second->WindowDestroyed();
      continue;
    }
    if (e.type == SelectionRequest)
    {
      HandleSelectionRequest(e.xselectionrequest);
      continue;
    }
    if (e.type == SelectionClear && e.xselectionclear.window == mHelper)
    {
      mOwnsClipboard = false;
      continue;
    }
    if (e.type == SelectionNotify && e.xselection.requestor == mHelper)
    {
      ReadSelection(e.xselection);
      continue;
    }
    if (mSelectionWaiting && IsInput(e) && mViews.count(e.xany.window))
    {
      mHeldInput.push_back(e);
      continue;
    }
    if (!replayed && (e.type == KeyPress || e.type == ButtonPress) && mViews.count(e.xany.window))
      mHostKeyBurst = false; // the user acts in the editor itself: whatever the host hands on now came later
    const bool outer = std::exchange(mServingReplay, replayed);
    Dispatch(e);
    mServingReplay = outer;
  }
  --mPumpDepth;
  if (mLost)
    LetGoOfLostConnection();
  // Closing the editor waits for modal work to end, as a host's call would.
  while (mPumpDepth == 0 && !mModalHandler && !mGone.empty())
  {
    X11View* v = mGone.front();
    mGone.erase(mGone.begin());
    v->Responder().ViewWindowDestroyed();
  }
  --mBusy;
}

void X11Application::Dispatch(XEvent& e)
{
  if (mModalHandler)
  {
    std::function<void(XEvent&)> handler = mModalHandler;
    handler(e);
    return;
  }
  auto it = mViews.find(e.xany.window);
  if (it != mViews.end())
    it->second->HandleEvent(e);
}

void X11Application::RunModal(const std::function<bool()>& done)
{
  XFlush(mDisplay);
  ++mBusy;
  foundation::RunLoop::Main().RunNestedUntil([&] {
    Pump();
    return done() || mLost; // nobody can answer on a display that went away
  });
  --mBusy;
}

Point X11Application::MouseLocation()
{
  Window root, child;
  int rx = 0, ry = 0, wx, wy;
  unsigned mask;
  XQueryPointer(mDisplay, DefaultRootWindow(mDisplay), &root, &child, &rx, &ry, &wx, &wy, &mask);
  return {double(rx) / mScale, MainScreenHeight() - double(ry) / mScale};
}

void X11Application::HideCursor()
{
  mCursorHidden = true;
  for (auto& v : mViews)
    XDefineCursor(mDisplay, v.first, BlankCursor());
  XFlush(mDisplay);
}

void X11Application::ShowCursor()
{
  mCursorHidden = false;
  for (auto& v : mViews)
    v.second->ShowCursorAgain();
  XFlush(mDisplay);
}

void X11Application::WarpCursor(Point p)
{
  XWarpPointer(mDisplay, None, DefaultRootWindow(mDisplay), 0, 0, 0, 0, static_cast<int>(std::lround(p.x * mScale)),
               static_cast<int>(std::lround(p.y * mScale)));
  XFlush(mDisplay);
}

} // namespace x11

std::unique_ptr<Application> MakeX11Application()
{
  const char* wanted = std::getenv("DROVIK_APPKIT");
  if (wanted && std::strcmp(wanted, "headless") == 0)
    return nullptr;
  Display* display = OpenDisplayPatiently(x11::kDisplayPatience, x11::kServerAnswerWait);
  if (!display)
    return nullptr;
  return std::make_unique<x11::X11Application>(display);
}

} // namespace appkit
