// The X11 back end's display connection: opening it (ahead of the main-thread lock where a host's call may need
// it), the screen scale from Xft.dpi, the loss of the connection, the cursors, and the event pump that hands each
// event to its view, to the modal window in front or to the clipboard. The handlers shared with the host are in
// x11_error_handlers.cpp.
#include "appkit/x11_backend.h"

#include <X11/Xresource.h>
#include <X11/cursorfont.h>
#include <sys/eventfd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
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

// ---- Opening ----
// Opening a connection may wait on the server for long (a second for one that never answers; for good for one that
// answers and then freezes before the opening is done). A host's call that may need a connection therefore opens it
// before it takes the main-thread lock (OpenX11DisplayAhead), so that the other instances' calls answer meanwhile;
// the back end takes that connection, or that no display answered, when it is next made. One opening runs at a
// time; a call that finds one under way waits for it as long as an opening of its own could take on a server that
// answers, and takes its result.

/// Seconds a call waits for another's opening under way: as long as its own could take (a refused connection
/// tried again, then a wait for the answer); only an opening held up by a frozen server takes longer.
constexpr double kOpeningWait = kDisplayPatience + kServerAnswerWait;

std::mutex gOpeningMutex;               // guards gOpeningUnderWay
std::condition_variable gOpeningEnded;
bool gOpeningUnderWay = false;          // an opening's turn is taken
bool gOpenedAhead = false;              // an opening's result waits to be taken
Display* gDisplayOpenedAhead = nullptr; // and its display (null: none answered)
std::atomic<int> gLiveConnections{0};   // our connections not lost

Display* OpenNow()
{
  return OpenDisplayPatiently(kDisplayPatience, kServerAnswerWait, OpenDisplayEscapingLoss);
}

} // namespace

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
  ++gLiveConnections;
  WatchOurConnection(display, *this);
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
  ForgetOurConnection(mDisplay);
  if (!mLost)
    --gLiveConnections;
}

void X11Application::MarkLost()
{
  if (!mLost.exchange(true))
    --gLiveConnections;
}

bool X11Application::AnyConnectionServing() { return gLiveConnections.load() > 0; }


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

namespace {

bool AskedForHeadless()
{
  const char* wanted = std::getenv("DROVIK_APPKIT");
  return wanted && std::strcmp(wanted, "headless") == 0;
}

/// The display an opening ahead left, if any (then `opened` is true; null when none answered). [opening's turn]
Display* TakeDisplayOpenedAhead(bool& opened)
{
  opened = std::exchange(x11::gOpenedAhead, false);
  return std::exchange(x11::gDisplayOpenedAhead, nullptr);
}

/// Closes a display opened ahead and never taken when the module goes.
struct DisplayOpenedAheadCloser
{
  ~DisplayOpenedAheadCloser()
  {
    bool opened = false;
    if (Display* display = TakeDisplayOpenedAhead(opened))
      XCloseDisplay(display);
  }
} gDisplayOpenedAheadCloser;

} // namespace

namespace {

/// The turn to open a display (and to use what an opening left), taken for the object's lifetime once the opening
/// under way, if any, is done; not taken when that one took longer than `wait` seconds (a frozen server holds it).
class OpeningTurn
{
public:
  explicit OpeningTurn(double wait)
  {
    std::unique_lock<std::mutex> lock(x11::gOpeningMutex);
    mTaken = x11::gOpeningEnded.wait_for(lock, std::chrono::duration<double>(wait),
                                         [] { return !x11::gOpeningUnderWay; });
    if (mTaken)
      x11::gOpeningUnderWay = true;
  }
  ~OpeningTurn()
  {
    if (!mTaken)
      return;
    {
      std::lock_guard<std::mutex> lock(x11::gOpeningMutex);
      x11::gOpeningUnderWay = false;
    }
    x11::gOpeningEnded.notify_all();
  }
  OpeningTurn(const OpeningTurn&) = delete;
  OpeningTurn& operator=(const OpeningTurn&) = delete;
  explicit operator bool() const { return mTaken; }

private:
  bool mTaken = false;
};

} // namespace

void OpenX11DisplayAhead(bool (*needed)())
{
  if (AskedForHeadless() || !needed())
    return;
  const OpeningTurn opening(x11::kOpeningWait);
  if (!opening || x11::gOpenedAhead || !needed())
    return; // an opening still under way, one that waits to be taken, or one that was taken meanwhile
  x11::gDisplayOpenedAhead = x11::OpenNow();
  x11::gOpenedAhead = true;
}

bool X11DisplayServing() { return x11::X11Application::AnyConnectionServing(); }

std::unique_ptr<Application> MakeX11Application()
{
  if (AskedForHeadless())
    return nullptr;
  const OpeningTurn opening(x11::kOpeningWait);
  if (!opening)
    return nullptr; // an opening outside the main-thread lock still waits on its server: no display for now
  bool opened = false;
  Display* display = TakeDisplayOpenedAhead(opened);
  if (!opened)
    display = x11::OpenNow();
  if (!display)
    return nullptr;
  return std::make_unique<x11::X11Application>(display);
}

void CloseX11DisplayOpenedAhead()
{
  const OpeningTurn opening(0.0);
  bool opened = false;
  if (opening)
    if (Display* display = TakeDisplayOpenedAhead(opened))
      XCloseDisplay(display);
}

void NoteX11ModuleEnding() { x11::NoteModuleEnding(); }

} // namespace appkit
