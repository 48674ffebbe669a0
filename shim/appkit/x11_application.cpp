#include "appkit/x11_application.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/eventfd.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <mutex>
#include <sstream>
#include <tuple>

#include "appkit/desktop.h"
#include "appkit/menu_scroller.h"
#include "appkit/painter.h"
#include "appkit/x11_keys.h"
#include "foundation/main_thread.h"
#include "foundation/utf8.h"
#include "foundation/run_loop.h"

namespace appkit {

namespace {

/// Two presses this close in time and place count as one multiple click.
constexpr Time kMultiClickMs = 400;
constexpr int kMultiClickDistance = 4;
/// How long a clipboard owner has to answer.
constexpr double kSelectionTimeout = 1.0;
/// The most text taken from a clipboard owner or a drop's source in one answer, in bytes.
constexpr long kSelectionLimit = 1 << 20;
/// Screen scales outside 1..kMaxScale (from Xft.dpi) are taken as 1.
constexpr int kMaxScale = 4;
/// How long xdg-open has to report a failure before the opening counts as done.
constexpr double kOpenerTimeout = 3.0;
/// The message shown when no dialog program can ask for a file or colour.
constexpr const char* kNoDialogProgram =
  "This needs a file or colour chooser: install zenity or kdialog (Debian packages \"zenity\", \"kdialog\").";

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

void AddOurConnection(Display* display) // [main thread]
{
  std::lock_guard<std::mutex> lock(gErrorMutex);
  gOurConnections.push_back(display);
}

void RemoveOurConnection(Display* display) // [main thread]
{
  std::lock_guard<std::mutex> lock(gErrorMutex);
  gOurConnections.erase(std::remove(gOurConnections.begin(), gOurConnections.end(), display), gOurConnections.end());
}

/// Keeps our handler in place for its lifetime; the errors of requests made meanwhile arrive before it ends.
class ErrorTrap
{
public:
  explicit ErrorTrap(Display* display) : mDisplay(display) // [main thread]
  {
    std::lock_guard<std::mutex> lock(gErrorMutex);
    if (gErrorHolds++ == 0)
    {
      const XErrorHandler replaced = XSetErrorHandler(OnXError);
      if (replaced != OnXError)
        gReplacedHandler = replaced;
    }
  }
  ~ErrorTrap()
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
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

private:
  Display* mDisplay;
};

class X11Application;

class X11View final : public View
{
public:
  X11View(X11Application& app, ViewResponder& responder, Rect frame) : mApp(app), mResponder(responder), mFrame(frame)
  {
  }
  ~X11View() override;

  bool AddToParent(void* parent) override;
  void RemoveFromSuperview() override;
  bool HasWindow() const override { return mWindow != 0; }
  Rect Frame() const override { return mFrame; }
  void SetFrameSize(Size size) override;
  void SetFrame(Rect frame) override;
  /// The child becomes a child window of ours.
  bool AddSubview(View& child) override;
  double BackingScaleFactor() const override;
  Point ConvertToScreen(Point inView) const override;
  Point ConvertFromScreen(Point onScreen) const override;
  void SetCursor(Cursor cursor) override;
  void AddToolTipRect(Rect r) override { mToolTips.push_back(r); }
  void RemoveAllToolTips() override { mToolTips.clear(); }
  void AddTextField(TextField& field) override;
  void RemoveTextField() override;
  void TextFieldChanged() override { DrawTextField(); }
  void PresentFrame(const FrameImage& frame) override;

  void HandleEvent(XEvent& e);
  /// The host's window took ours with it: forget the X resources without touching them.
  void WindowDestroyed();
  ViewResponder& Responder() { return mResponder; }
  Window GetXWindow() const { return mWindow; }
  Window Parent() const { return mParent; }
  void ShowCursorAgain();

private:
  void Repaint();
  /// Sends these pixel rectangles of the image to the window.
  void Put(const std::vector<Rect>& rects);
  /// The image the frames are kept in (shared memory when the server has it); false when none can be made.
  bool EnsureImage();
  void DropImage();
  void DrawTextField();
  void SendMouse(EventType type, const XButtonEvent& b, int clickCount);
  void HandleKey(XKeyEvent& k, bool down);
  bool EditField(KeySym sym, const std::u32string& chars, unsigned state);
  /// A press or drag of the first button in the field puts the caret there or extends the selection.
  void FieldPointer(int x, bool extend, int clickCount);
  void HandleDragAndDrop(const XClientMessageEvent& m);
  void Drop(Window source);
  void SendDndMessage(Window source, const char* type, long l1, long l2, long l4);
  /// Tool tips: shown when the pointer rests in a tool-tip rectangle, hidden by any input.
  void PointerMoved(Point p);
  void ShowToolTip();
  void HideToolTip();
  void DrawToolTip();

  X11Application& mApp;
  ViewResponder& mResponder;
  Rect mFrame;
  Window mWindow = 0;
  Window mParent = 0;
  Window mFieldWindow = 0;
  TextField* mField = nullptr;
  Cursor mCursor = Cursor::kArrow;
  std::vector<Rect> mToolTips;
  std::vector<uint8_t> mPixels; // the last frame when it is not in shared memory, BGRA8, tight rows
  int mPixelWidth = 0, mPixelHeight = 0;
  XImage* mImage = nullptr;
  XShmSegmentInfo mSharedImage{};
  bool mUseSharedMemory = false;
  Time mLastPress = 0;
  int mLastButton = 0, mLastX = -100, mLastY = -100, mClicks = 0;
  Window mDropSource = 0; // the source of the drag over the view
  bool mDropAccepted = false;
  bool mDropping = false; // a drop's data is being waited for
  Point mDropPoint;
  std::unique_ptr<ErrorTrap> mErrorTrap; // held while the view is in a window
  std::unique_ptr<foundation::RunLoopTimer> mToolTipTimer;
  Window mToolTipWindow = 0;
  std::string mToolTipText;
  Point mPointer;
};

/// How long the pointer rests before a tool tip shows, in seconds.
constexpr double kToolTipDelay = 0.6;

class X11Application final : public Application
{
public:
  explicit X11Application(Display* display);
  ~X11Application() override;

  Display* DisplayConnection() const { return mDisplay; }
  int Scale() const { return mScale; }
  Atom InternAtom(const char* name) { return XInternAtom(mDisplay, name, False); }
  bool HasSharedMemory() const { return mHasSharedMemory; }
  ::Cursor XCursorFor(Cursor c);
  ::Cursor BlankCursor();
  bool CursorHidden() const { return mCursorHidden; }
  void Register(Window w, X11View* v) { mViews[w] = v; }
  void Unregister(Window w) { mViews.erase(w); }
  /// A view whose window went away; its responder hears of it once no modal work is running.
  void AddGone(X11View* v) { mGone.push_back(v); }
  void ForgetGone(X11View* v) { mGone.erase(std::remove(mGone.begin(), mGone.end(), v), mGone.end()); }
  void Flush()
  {
    XFlush(mDisplay);
    ServeQueuedEventsSoon();
  }
  /// Xlib reads the events that arrive during any round trip into its own queue, where the run loop's wait on the
  /// connection cannot see them: after a round trip outside the event pump, a wake-up of our own serves them.
  void ServeQueuedEventsSoon();
  /// Reads and handles every queued event.
  void Pump();
  /// Runs a nested loop until done() holds.
  void RunModal(const std::function<bool()>& done);
  /// Asks the owner of selection for target and waits (nested) for the answer: data of format 8 whose type is one
  /// of types, at most kSelectionLimit bytes (an incremental transfer is refused). False on time-out, on any other
  /// answer, and while another wait runs (one answer is awaited at a time).
  bool WaitForSelection(Atom selection, Atom target, std::initializer_list<Atom> types, std::string& data,
                        Atom& type);

  const char* Name() const override { return "x11"; }
  std::unique_ptr<View> CreateView(ViewResponder& responder, Rect frame) override
  {
    return std::make_unique<X11View>(*this, responder, frame);
  }
  double MainScreenBackingScaleFactor() override { return mScale; }
  double MainScreenHeight() override { return double(DisplayHeight(mDisplay, DefaultScreen(mDisplay))) / mScale; }
  Point MouseLocation() override;
  void HideCursor() override;
  void ShowCursor() override;
  void WarpCursor(Point topLeftOrigin) override;
  bool HasCursor(Cursor) const override { return true; }
  MenuItem* PopUpMenu(Menu& menu, Point locationInView, View& view) override;
  int RunAlertPanel(const AlertPanel& alert) override;
  int RunFilePanel(FilePanel& panel) override;
  bool ShowColorPanel(const DeviceColor& color, ColorCallback onPicked) override;
  void CloseColorPanel() override {}
  bool StringFromPasteboard(std::string& text) override;
  bool SetPasteboardString(const std::string& text) override;
  bool OpenURL(const std::string& url) override { return SpawnDetached({"xdg-open", url}, kOpenerTimeout); }
  bool OpenFile(const std::string& path) override { return SpawnDetached({"xdg-open", path}, kOpenerTimeout); }
  // The folder was opened just before; no file viewer here selects a file in it.
  bool SelectFile(const std::string& path, const std::string&) override { return FileExistsAtPath(path); }

  // Modal windows of our own (menus, alerts) take the events of their windows.
  std::function<void(XEvent&)> mModalHandler;
  Window mHelper = 0;

private:
  void HandleSelectionRequest(const XSelectionRequestEvent& r);
  void ReadSelection(const XSelectionEvent& e);
  bool RunDialog(const std::vector<std::string>& argv, std::string& out);
  /// The top-level window that holds an open editor view, or 0.
  Window HostTopLevel();
  std::string DialogProgram() const;

  Display* mDisplay;
  int mScale = 1;
  bool mHasSharedMemory = false;
  bool mCursorHidden = false;
  foundation::RunLoop::SourceId mSource = 0;
  int mWakeUpDescriptor = -1;
  foundation::RunLoop::SourceId mWakeSource = 0;
  std::map<Window, X11View*> mViews;
  std::vector<X11View*> mGone;
  int mPumpDepth = 0;
  std::map<Cursor, ::Cursor> mCursors;
  ::Cursor mBlank = 0;
  std::string mClipboard;
  bool mOwnsClipboard = false;
  // A pending selection answer.
  bool mSelectionWaiting = false;
  bool mSelectionDone = false;
  Atom mSelectionAsked = 0, mSelectionTarget = 0;
  Atom mSelectionType = 0;
  int mSelectionFormat = 0;
  std::string mSelectionData;
};

// ---- Application ----

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

X11Application::X11Application(Display* display) : mDisplay(display)
{
  AddOurConnection(display);
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
  if (mWakeSource)
    foundation::RunLoop::Main().RemoveSource(mWakeSource);
  if (mWakeUpDescriptor >= 0)
    close(mWakeUpDescriptor);
  foundation::RunLoop::Main().RemoveSource(mSource);
  {
    ErrorTrap trap(mDisplay); // the errors of requests still on their way are ours
  }
  RemoveOurConnection(mDisplay);
  XCloseDisplay(mDisplay);
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

void X11Application::Pump()
{
  ++mPumpDepth;
  while (XPending(mDisplay))
  {
    XEvent e;
    XNextEvent(mDisplay, &e);
    if (e.type == DestroyNotify)
    {
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
    if (mModalHandler)
    {
      std::function<void(XEvent&)> handler = mModalHandler;
      handler(e);
      continue;
    }
    auto it = mViews.find(e.xany.window);
    if (it != mViews.end())
      it->second->HandleEvent(e);
  }
  --mPumpDepth;
  // Closing the editor waits for modal work to end, as a host's call would.
  while (mPumpDepth == 0 && !mModalHandler && !mGone.empty())
  {
    X11View* v = mGone.front();
    mGone.erase(mGone.begin());
    v->Responder().ViewWindowDestroyed();
  }
}

void X11Application::RunModal(const std::function<bool()>& done)
{
  XFlush(mDisplay);
  foundation::RunLoop::Main().RunNestedUntil([&] {
    Pump();
    return done();
  });
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

void X11Application::HandleSelectionRequest(const XSelectionRequestEvent& r)
{
  ErrorTrap trap(mDisplay); // the requestor's window may be gone
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.requestor = r.requestor;
  reply.selection = r.selection;
  reply.target = r.target;
  reply.time = r.time;
  reply.property = None;
  const Atom utf8 = InternAtom("UTF8_STRING"), targets = InternAtom("TARGETS");
  if (mOwnsClipboard && r.property != None)
  {
    if (r.target == targets)
    {
      const Atom list[] = {targets, utf8, XA_STRING};
      XChangeProperty(mDisplay, r.requestor, r.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(list), 3);
      reply.property = r.property;
    }
    else if (r.target == utf8 || r.target == XA_STRING)
    {
      XChangeProperty(mDisplay, r.requestor, r.property, r.target, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(mClipboard.data()), static_cast<int>(mClipboard.size()));
      reply.property = r.property;
    }
  }
  XSendEvent(mDisplay, r.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
  XFlush(mDisplay);
}

bool X11Application::WaitForSelection(Atom selection, Atom target, std::initializer_list<Atom> types,
                                      std::string& data, Atom& type)
{
  data.clear();
  type = None;
  if (mSelectionWaiting)
    return false;
  ErrorTrap trap(mDisplay);
  mSelectionWaiting = true;
  mSelectionDone = false;
  mSelectionAsked = selection;
  mSelectionTarget = target;
  XConvertSelection(mDisplay, selection, target, InternAtom("DROVIK_SELECTION"), mHelper, CurrentTime);
  const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(kSelectionTimeout);
  RunModal([&] { return mSelectionDone || std::chrono::steady_clock::now() > limit; });
  mSelectionWaiting = false;
  const bool taken = mSelectionDone && mSelectionFormat == 8 &&
                     std::find(types.begin(), types.end(), mSelectionType) != types.end();
  if (taken)
  {
    data = std::move(mSelectionData);
    type = mSelectionType;
  }
  mSelectionData.clear();
  return taken;
}

void X11Application::ReadSelection(const XSelectionEvent& e)
{
  if (!mSelectionWaiting || mSelectionDone || e.selection != mSelectionAsked || e.target != mSelectionTarget)
  {
    if (e.property != None) // an answer nobody waits for any more
      XDeleteProperty(mDisplay, mHelper, e.property);
    return;
  }
  mSelectionData.clear();
  mSelectionType = None;
  mSelectionFormat = 0;
  mSelectionDone = true;
  if (e.property == None)
    return;
  Atom type = None;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  const bool read = XGetWindowProperty(mDisplay, mHelper, e.property, 0, kSelectionLimit / 4, True, AnyPropertyType,
                                       &type, &format, &n, &after, &data) == Success;
  if (read && after == 0 && format == 8)
  {
    mSelectionType = type;
    mSelectionFormat = format;
    mSelectionData.assign(reinterpret_cast<const char*>(data), n);
  }
  if (data)
    XFree(data);
  if (read && after != 0) // too long: refused, and not left behind
    XDeleteProperty(mDisplay, mHelper, e.property);
}

/// Latin-1 text (the STRING type) as UTF-8.
std::string UTF8FromLatin1(const std::string& text)
{
  std::string out;
  for (const char c : text)
  {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80)
      out.push_back(c);
    else
    {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

bool X11Application::StringFromPasteboard(std::string& text)
{
  text.clear();
  const Window owner = XGetSelectionOwner(mDisplay, InternAtom("CLIPBOARD"));
  if (owner == mHelper)
  {
    text = mClipboard;
    return true;
  }
  if (owner == None)
    return false;
  const Atom utf8 = InternAtom("UTF8_STRING");
  Atom type = None;
  if (!WaitForSelection(InternAtom("CLIPBOARD"), utf8, {utf8, XA_STRING}, text, type))
    return false;
  if (type == XA_STRING)
    text = UTF8FromLatin1(text);
  return !text.empty();
}

bool X11Application::SetPasteboardString(const std::string& text)
{
  ErrorTrap trap(mDisplay);
  mClipboard = text;
  XSetSelectionOwner(mDisplay, InternAtom("CLIPBOARD"), mHelper, CurrentTime);
  mOwnsClipboard = XGetSelectionOwner(mDisplay, InternAtom("CLIPBOARD")) == mHelper;
  XFlush(mDisplay);
  return mOwnsClipboard;
}


// ---- Menus and alerts: small windows of our own ----

/// Row height and margins of menus and alerts, in points.
constexpr int kRowHeight = 20;
constexpr int kMenuMargin = 6;
constexpr int kIndent = 12;
constexpr int kButtonWidth = 80;
constexpr int kAlertWidth = 360;
/// Rows a wheel step scrolls a long menu; seconds between steps while the pointer rests on an arrow.
constexpr int kWheelRows = 3;
constexpr double kArrowScrollInterval = 0.05;

const DeviceColor kPanelColor{0.93, 0.93, 0.93, 1.0};
const DeviceColor kHighlightColor{0.19, 0.44, 0.82, 1.0};
const DeviceColor kInkColor{0.0, 0.0, 0.0, 1.0};
const DeviceColor kDisabledInkColor{0.6, 0.6, 0.6, 1.0};
const DeviceColor kLightInkColor{1.0, 1.0, 1.0, 1.0};
const DeviceColor kSeparatorColor{0.67, 0.67, 0.67, 1.0};
const DeviceColor kButtonColor{0.8, 0.8, 0.8, 1.0};
const DeviceColor kToolTipColor{1.0, 1.0, 0.88, 1.0};
constexpr double kPanelTextSize = 13.0;

TextStyle PanelText(const DeviceColor& color) { return {"", kPanelTextSize, color}; }

/// The baseline that centres a line of the style in a row (points).
double CentredBaseline(Painter& painter, const TextStyle& style, double top, double height)
{
  const LineMetrics m = painter.Metrics(style);
  return top + (height + m.ascender - m.descender) / 2.0;
}

/// Marks a top-level window of ours with this process's id, as desktops expect (and tests look for).
void MarkWithProcessId(Display* display, Window w)
{
  const long pid = static_cast<long>(getpid());
  XChangeProperty(display, w, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
}

/// Sends a finished drawing to a window.
void PutDrawing(Display* display, Window w, const FrameImage& image)
{
  if (!w || !image.pixels || image.width <= 0 || image.height <= 0)
    return;
  const int screen = DefaultScreen(display);
  XImage* x = XCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
                           ZPixmap, 0, const_cast<char*>(reinterpret_cast<const char*>(image.pixels)),
                           static_cast<unsigned>(image.width), static_cast<unsigned>(image.height), 32,
                           static_cast<int>(image.bytesPerRow));
  if (!x)
    return;
  XPutImage(display, w, DefaultGC(display, screen), x, 0, 0, 0, 0, static_cast<unsigned>(image.width),
            static_cast<unsigned>(image.height));
  x->data = nullptr; // the pixels stay the painter's
  XDestroyImage(x);
}

/// The screen's work area (the desktop's _NET_WORKAREA, else the whole screen), in pixels.
Rect WorkArea(Display* display)
{
  const int screen = DefaultScreen(display);
  Rect area(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen));
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_WORKAREA", False), 0, 4, False,
                         XA_CARDINAL, &type, &format, &n, &after, &data) == Success && data)
  {
    const long* v = reinterpret_cast<const long*>(data);
    if (format == 32 && n >= 4 && v[2] > 0 && v[3] > 0)
      area = Rect(double(v[0]), double(v[1]), double(v[2]), double(v[3]));
    XFree(data);
  }
  return area;
}

struct MenuLevel
{
  Menu* menu;
  Window window;
  MenuScroller rows;
  int hover; // item index, -1 for none
};

/// The next item from `from` in direction step (+1, -1) that the keyboard may highlight; from when none.
int NextHighlightable(const Menu& menu, int from, int step)
{
  for (int i = from + step; i >= 0 && i < menu.NumberOfItems(); i += step)
    if (!menu.ItemAt(i).separator && menu.ItemAt(i).enabled)
      return i;
  return from;
}

class ModalWindows
{
public:
  explicit ModalWindows(X11Application& app) : mDisplay(app.DisplayConnection()) {}
  ~ModalWindows()
  {
    for (Window w : mWindows)
      XDestroyWindow(mDisplay, w);
    XFlush(mDisplay);
  }

  Window Make(int x, int y, int w, int h, bool overrideRedirect)
  {
    XSetWindowAttributes a{};
    a.override_redirect = overrideRedirect ? True : False;
    a.background_pixel = 0xEEEEEE;
    a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                   StructureNotifyMask;
    const Window win = XCreateWindow(mDisplay, DefaultRootWindow(mDisplay), x, y, static_cast<unsigned>(w),
                                     static_cast<unsigned>(h), 1, CopyFromParent, InputOutput, CopyFromParent,
                                     CWOverrideRedirect | CWBackPixel | CWEventMask, &a);
    MarkWithProcessId(mDisplay, win);
    mWindows.push_back(win);
    return win;
  }
  void Close(Window w)
  {
    mWindows.erase(std::remove(mWindows.begin(), mWindows.end(), w), mWindows.end());
    XDestroyWindow(mDisplay, w);
  }

private:
  Display* mDisplay;
  std::vector<Window> mWindows;
};

void DrawMenu(Display* display, const MenuLevel& l, int scale)
{
  Painter& painter = SharedPainter();
  const double s = scale, row = kRowHeight;
  const double w = l.rows.Width() / s;
  painter.Begin({w, l.rows.Height() / s}, s, kPanelColor);
  const MenuScroller& rows = l.rows;
  for (int i = rows.FirstVisible(); i < rows.FirstVisible() + rows.VisibleCount(); ++i)
  {
    const MenuItem& item = l.menu->ItemAt(i);
    const double y = rows.ItemTop(i) / s;
    if (item.separator)
    {
      painter.FillRect(Rect(kMenuMargin, y + row / 2, w - 2 * kMenuMargin, 1), kSeparatorColor);
      continue;
    }
    const bool lit = i == l.hover && item.enabled;
    if (lit)
      painter.FillRect(Rect(0, y, w, row), kHighlightColor);
    const TextStyle style = PanelText(!item.enabled ? kDisabledInkColor : lit ? kLightInkColor : kInkColor);
    const double base = CentredBaseline(painter, style, y, row);
    if (item.state)
      painter.DrawText("\xE2\x9C\x93", {2, base}, style); // check mark
    painter.DrawText(item.title, {double(kMenuMargin + kIndent * (1 + item.indentationLevel)), base}, style);
    if (item.submenu)
      painter.DrawText("\xE2\x96\xB8", {w - 12, base}, style); // small right-pointing triangle
  }
  if (rows.Scrolls())
  {
    const double bottom = rows.Height() / s - row;
    for (const auto& [top, live, arrow] : {std::tuple{0.0, rows.CanScrollUp(), "\xE2\x96\xB2"},
                                           std::tuple{bottom, rows.CanScrollDown(), "\xE2\x96\xBC"}})
    {
      const TextStyle style = PanelText(live ? kInkColor : kDisabledInkColor);
      painter.DrawText(arrow, {w / 2 - 5, CentredBaseline(painter, style, top, row)}, style);
    }
  }
  PutDrawing(display, l.window, painter.End());
}

MenuItem* X11Application::PopUpMenu(Menu& menu, Point locationInView, View& view)
{
  auto& xview = static_cast<X11View&>(view);
  if (!xview.GetXWindow() || mModalHandler)
    return nullptr;
  ModalWindows windows(*this);
  Painter& painter = SharedPainter();
  const int s = mScale, row = kRowHeight * s;
  const Rect area = WorkArea(mDisplay);
  std::vector<MenuLevel> levels;
  auto open = [&](Menu& m, int x, int y) {
    double w = 60;
    for (int i = 0; i < m.NumberOfItems(); ++i)
      w = std::max(w, painter.TextWidth(m.ItemAt(i).title, PanelText(kInkColor)) + 2 * kMenuMargin +
                        kIndent * (1 + m.ItemAt(i).indentationLevel) + 20);
    const MenuScroller rows(m.NumberOfItems(), row, static_cast<int>(std::ceil(w * s)), x, y, area);
    const Window win = windows.Make(rows.X(), rows.Y(), rows.Width(), rows.Height(), true);
    XMapRaised(mDisplay, win);
    levels.push_back({&m, win, rows, -1});
  };
  auto closeBelow = [&](size_t level) {
    while (levels.size() > level + 1)
    {
      windows.Close(levels.back().window);
      levels.pop_back();
    }
  };
  // Highlights an item of a level; an enabled submenu opens beside it.
  auto highlight = [&](size_t level, int item) {
    MenuLevel& l = levels[level];
    const bool opensSubmenu = item >= 0 && l.menu->ItemAt(item).submenu && l.menu->ItemAt(item).enabled;
    if (l.hover == item && (levels.size() > level + 1 || !opensSubmenu))
      return;
    closeBelow(level);
    l.hover = item;
    DrawMenu(mDisplay, l, s);
    if (item < 0)
      return;
    if (opensSubmenu)
      open(*l.menu->ItemAt(item).submenu, l.rows.X() + l.rows.Width(), l.rows.Y() + l.rows.ItemTop(item));
  };
  auto scroll = [&](size_t level, int rows) {
    if (level < levels.size() && levels[level].rows.Scroll(rows))
    {
      closeBelow(level);
      DrawMenu(mDisplay, levels[level], s);
    }
  };

  const Point origin = view.ConvertToScreen(locationInView);
  open(menu, static_cast<int>(origin.x * s), static_cast<int>((MainScreenHeight() - origin.y) * s));
  XGrabPointer(mDisplay, levels[0].window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
               GrabModeAsync, None, None, CurrentTime);
  XGrabKeyboard(mDisplay, levels[0].window, True, GrabModeAsync, GrabModeAsync, CurrentTime);

  MenuItem* chosen = nullptr;
  bool done = false;
  // While the pointer rests on an arrow row, that level scrolls step by step.
  std::unique_ptr<foundation::RunLoopTimer> arrowTimer;
  auto scrollWhileOnArrow = [&](size_t level, int step) {
    arrowTimer = std::make_unique<foundation::RunLoopTimer>([&, level, step] { scroll(level, step); },
                                                            kArrowScrollInterval);
  };
  auto choose = [&](MenuItem& it) {
    if (it.IsChoosable())
    {
      chosen = &it;
      done = true;
    }
  };
  auto key = [&](KeySym sym) {
    MenuLevel& l = levels.back();
    const size_t level = levels.size() - 1;
    const int count = l.menu->NumberOfItems();
    int to = l.hover;
    switch (sym)
    {
    case XK_Escape: done = true; return;
    case XK_Up: to = NextHighlightable(*l.menu, l.hover < 0 ? count : l.hover, -1); break;
    case XK_Down: to = NextHighlightable(*l.menu, l.hover, 1); break;
    case XK_Home: to = NextHighlightable(*l.menu, -1, 1); break;
    case XK_End: to = NextHighlightable(*l.menu, count, -1); break;
    case XK_Page_Up: to = NextHighlightable(*l.menu, std::max(0, l.hover - l.rows.VisibleCount()) + 1, -1); break;
    case XK_Page_Down: to = NextHighlightable(*l.menu, std::min(count, l.hover + l.rows.VisibleCount()) - 1, 1); break;
    case XK_Left:
      if (level > 0)
        closeBelow(level - 1);
      return;
    case XK_Right:
    case XK_Return:
    case XK_KP_Enter:
      if (l.hover >= 0 && l.hover < count)
      {
        MenuItem& it = l.menu->ItemAt(l.hover);
        if (it.submenu && it.enabled && levels.size() == level + 1)
          highlight(level, l.hover);
        if (it.submenu && it.enabled && levels.size() > level + 1 && levels.back().menu->NumberOfItems() > 0)
          highlight(level + 1, NextHighlightable(*levels.back().menu, -1, 1));
        else if (sym != XK_Right)
          choose(it);
      }
      return;
    default: return;
    }
    if (to >= 0 && to < count && to != l.hover)
    {
      l.rows.Reveal(to);
      highlight(level, to);
    }
  };
  mModalHandler = [&](XEvent& e) {
    if (e.type == Expose)
    {
      bool ours = false;
      for (const MenuLevel& l : levels)
        if (l.window == e.xexpose.window)
          ours = true, DrawMenu(mDisplay, l, s);
      auto view = mViews.find(e.xexpose.window); // the editor keeps showing its frames under the menu
      if (!ours && view != mViews.end())
        view->second->HandleEvent(e);
      return;
    }
    if (e.type == KeyPress)
      key(XLookupKeysym(&e.xkey, 0));
    if (e.type != MotionNotify && e.type != ButtonPress && e.type != ButtonRelease)
      return;
    const int rx = e.type == MotionNotify ? e.xmotion.x_root : e.xbutton.x_root;
    const int ry = e.type == MotionNotify ? e.xmotion.y_root : e.xbutton.y_root;
    const bool wheel = e.type != MotionNotify && (e.xbutton.button == Button4 || e.xbutton.button == Button5);
    int level = static_cast<int>(levels.size()) - 1;
    for (; level >= 0; --level)
    {
      const MenuScroller& r = levels[static_cast<size_t>(level)].rows;
      if (rx >= r.X() && rx < r.X() + r.Width() && ry >= r.Y() && ry < r.Y() + r.Height())
        break;
    }
    if (wheel)
    {
      if (e.type == ButtonPress)
        scroll(static_cast<size_t>(std::max(level, 0)), e.xbutton.button == Button4 ? -kWheelRows : kWheelRows);
      return;
    }
    arrowTimer.reset();
    if (level < 0)
    {
      done = done || e.type == ButtonPress;
      return;
    }
    const MenuLevel& l = levels[static_cast<size_t>(level)];
    Menu& shown = *l.menu; // highlighting may open a submenu, which moves the levels
    int item = -1;
    switch (l.rows.At(ry - l.rows.Y(), item))
    {
    case MenuScroller::Row::kScrollUp: scrollWhileOnArrow(static_cast<size_t>(level), -1); break;
    case MenuScroller::Row::kScrollDown: scrollWhileOnArrow(static_cast<size_t>(level), 1); break;
    case MenuScroller::Row::kItem:
      highlight(static_cast<size_t>(level), item);
      if (e.type == ButtonRelease)
        choose(shown.ItemAt(item));
      break;
    case MenuScroller::Row::kNone: break;
    }
  };
  RunModal([&] { return done || !xview.GetXWindow(); });
  arrowTimer.reset();
  mModalHandler = nullptr;
  XUngrabPointer(mDisplay, CurrentTime);
  XUngrabKeyboard(mDisplay, CurrentTime);
  if (chosen && xview.GetXWindow())
    chosen->action(*chosen);
  else
    chosen = nullptr;
  return chosen;
}

int X11Application::RunAlertPanel(const AlertPanel& alert)
{
  // One modal window at a time: an alert asked for while a menu or another alert is open is not shown, and says
  // so rather than answering with a button nobody pressed.
  if (mModalHandler)
    return kAlertNotShownReturn;
  ModalWindows windows(*this);
  const int s = mScale, row = kRowHeight * s;
  std::vector<std::string> lines;
  std::istringstream text(alert.message);
  for (std::string line; std::getline(text, line);)
    lines.push_back(line);
  struct Button
  {
    std::string title;
    int answer;
    int x;
  };
  std::vector<Button> buttons;
  const int w = kAlertWidth * s;
  int bx = w - (kButtonWidth + kMenuMargin) * s;
  for (const auto& [title, answer] : {std::pair<std::string, int>{alert.defaultButton, kAlertDefaultReturn},
                                      {alert.alternateButton, kAlertAlternateReturn},
                                      {alert.otherButton, kAlertOtherReturn}})
    if (!title.empty())
    {
      buttons.push_back({title, answer, bx});
      bx -= (kButtonWidth + kMenuMargin) * s;
    }
  if (buttons.empty())
    buttons.push_back({"OK", kAlertDefaultReturn, w - (kButtonWidth + kMenuMargin) * s});
  const int h = (static_cast<int>(lines.size()) + 3) * row;
  const int x = (DisplayWidth(mDisplay, DefaultScreen(mDisplay)) - w) / 2;
  const int y = (DisplayHeight(mDisplay, DefaultScreen(mDisplay)) - h) / 2;
  const Window win = windows.Make(x, y, w, h, false);
  XStoreName(mDisplay, win, alert.title.c_str());
  if (Window owner = HostTopLevel())
    XSetTransientForHint(mDisplay, win, owner);
  Atom deleteAtom = InternAtom("WM_DELETE_WINDOW");
  XSetWMProtocols(mDisplay, win, &deleteAtom, 1);
  XMapRaised(mDisplay, win);
  const int by = h - row - kMenuMargin * s;
  auto draw = [&] {
    Painter& painter = SharedPainter();
    const double rowPoints = kRowHeight;
    painter.Begin({double(kAlertWidth), double(h) / s}, s, kPanelColor);
    const TextStyle title = PanelText(kInkColor);
    painter.DrawText(alert.title, {kMenuMargin, CentredBaseline(painter, title, 0, rowPoints)}, title);
    for (size_t i = 0; i < lines.size(); ++i)
      painter.DrawText(lines[i], {kMenuMargin, CentredBaseline(painter, title, double(i + 1) * rowPoints, rowPoints)},
                       title);
    for (const Button& b : buttons)
    {
      const bool isDefault = b.answer == kAlertDefaultReturn;
      const Rect frame(double(b.x) / s, double(by) / s, kButtonWidth, rowPoints);
      painter.FillRect(frame, isDefault ? kHighlightColor : kButtonColor);
      const TextStyle label = PanelText(isDefault ? kLightInkColor : kInkColor);
      const double left = frame.origin.x + (kButtonWidth - painter.TextWidth(b.title, label)) / 2;
      painter.DrawText(b.title, {left, CentredBaseline(painter, label, frame.origin.y, rowPoints)}, label);
    }
    PutDrawing(mDisplay, win, painter.End());
  };
  const int fallback = buttons.size() > 1 ? buttons[1].answer : buttons[0].answer;
  int answer = 0;
  bool done = false;
  mModalHandler = [&](XEvent& e) {
    if (e.xany.window != win)
    {
      auto view = mViews.find(e.xany.window); // the editor keeps showing its frames under the alert
      if (e.type == Expose && view != mViews.end())
        view->second->HandleEvent(e);
      return;
    }
    if (e.type == Expose && e.xexpose.count == 0)
      draw();
    else if (e.type == KeyPress)
    {
      const KeySym sym = XLookupKeysym(&e.xkey, 0);
      if (sym == XK_Return || sym == XK_KP_Enter)
        answer = kAlertDefaultReturn, done = true;
      else if (sym == XK_Escape)
        answer = fallback, done = true;
    }
    else if (e.type == ButtonRelease)
      for (const Button& b : buttons)
        if (e.xbutton.x >= b.x && e.xbutton.x < b.x + kButtonWidth * s && e.xbutton.y >= by && e.xbutton.y < by + row)
          answer = b.answer, done = true;
  };
  // A window manager's close button answers like Escape.
  std::function<void(XEvent&)> inner = mModalHandler;
  mModalHandler = [&, inner](XEvent& e) {
    if (e.type == ClientMessage && e.xclient.window == win && static_cast<Atom>(e.xclient.data.l[0]) == deleteAtom)
      answer = fallback, done = true;
    else
      inner(e);
  };
  RunModal([&] { return done; });
  mModalHandler = nullptr;
  return answer;
}

Window X11Application::HostTopLevel()
{
  for (const auto& entry : mViews)
  {
    Window w = entry.second->GetXWindow();
    if (!w)
      continue;
    for (;;)
    {
      Window root = 0, parent = 0, *children = nullptr;
      unsigned n = 0;
      if (!XQueryTree(mDisplay, w, &root, &parent, &children, &n))
        return 0;
      if (children)
        XFree(children);
      if (parent == root || parent == 0)
        return w;
      w = parent;
    }
  }
  return 0;
}

// ---- Dialog programs ----

std::string X11Application::DialogProgram() const
{
  if (ProgramExists("zenity"))
    return "zenity";
  if (ProgramExists("kdialog"))
    return "kdialog";
  return "";
}

bool X11Application::RunDialog(const std::vector<std::string>& argv, std::string& out)
{
  const int status = RunCapturingOutput(argv, out, [this](int fd, const std::function<bool()>& onReadable) {
    bool finished = false;
    const auto id = foundation::RunLoop::Main().AddSource(fd, [&] { finished = finished || onReadable(); });
    RunModal([&] { return finished; });
    foundation::RunLoop::Main().RemoveSource(id);
  });
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
    out.pop_back();
  return status == 0 && !out.empty();
}

int X11Application::RunFilePanel(FilePanel& panel)
{
  const std::string program = DialogProgram();
  if (program.empty())
  {
    RunAlertPanel({"No file chooser", kNoDialogProgram, "OK", "", ""});
    return kPanelCancelButton;
  }
  const bool save = panel.kind == FilePanel::Kind::kSave;
  const bool folder = panel.canChooseDirectories && !panel.canChooseFiles;
  std::string start = panel.directory;
  if (start.rfind("~/", 0) == 0 && std::getenv("HOME"))
    start = std::string(std::getenv("HOME")) + start.substr(1);
  if (!start.empty() && start.back() != '/')
    start += "/";
  start += panel.file;
  std::vector<std::string> argv;
  if (program == "zenity")
  {
    argv = {"zenity", "--file-selection", "--filename=" + start};
    if (save)
      argv.push_back("--save");
    if (folder)
      argv.push_back("--directory");
    if (!panel.title.empty())
      argv.push_back("--title=" + panel.title);
    if (!panel.allowedFileTypes.empty())
    {
      std::string filter = "--file-filter=";
      for (const std::string& t : panel.allowedFileTypes)
        filter += "*." + t + " ";
      argv.push_back(filter);
    }
  }
  else
  {
    std::string filter;
    for (const std::string& t : panel.allowedFileTypes)
      filter += "*." + t + " ";
    argv = {"kdialog", folder ? "--getexistingdirectory" : save ? "--getsavefilename" : "--getopenfilename", start};
    if (!folder && !filter.empty())
      argv.push_back(filter);
  }
  std::string out;
  if (!RunDialog(argv, out))
    return kPanelCancelButton;
  panel.filename = out;
  panel.CompleteSaveAnswer();
  return kPanelOKButton;
}

bool X11Application::ShowColorPanel(const DeviceColor& color, ColorCallback onPicked)
{
  const std::string program = DialogProgram();
  if (program.empty())
  {
    RunAlertPanel({"No colour chooser", kNoDialogProgram, "OK", "", ""});
    return false;
  }
  char start[64];
  std::snprintf(start, sizeof(start), "rgba(%d,%d,%d,%.3f)", int(color.red * 255), int(color.green * 255),
                int(color.blue * 255), color.alpha);
  std::vector<std::string> argv = program == "zenity"
                                    ? std::vector<std::string>{"zenity", "--color-selection", "--show-palette",
                                                               std::string("--color=") + start}
                                    : std::vector<std::string>{"kdialog", "--getcolor"};
  std::string out;
  if (!RunDialog(argv, out))
    return true;
  int r = 0, g = 0, b = 0;
  double a = 1.0;
  DeviceColor picked = color;
  if (std::sscanf(out.c_str(), "rgba(%d,%d,%d,%lf)", &r, &g, &b, &a) == 4 ||
      std::sscanf(out.c_str(), "rgb(%d,%d,%d)", &r, &g, &b) == 3)
    picked = {r / 255.0, g / 255.0, b / 255.0, a};
  else if (out.size() == 7 && out[0] == '#')
  {
    const unsigned long v = std::strtoul(out.c_str() + 1, nullptr, 16);
    picked = {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0, 1.0};
  }
  if (onPicked)
    onPicked(picked);
  return true;
}


// ---- View ----

X11View::~X11View()
{
  mApp.ForgetGone(this);
  RemoveFromSuperview();
}

void X11View::WindowDestroyed()
{
  HideToolTip();
  mApp.Unregister(mWindow);
  mApp.Unregister(mFieldWindow);
  mWindow = mFieldWindow = 0;
  mField = nullptr;
  mParent = 0;
  DropImage();
  mErrorTrap.reset();
  mApp.AddGone(this);
}

bool X11View::AddToParent(void* parent)
{
  Display* display = mApp.DisplayConnection();
  const Window p = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
  if (!p || mWindow)
    return false;
  mErrorTrap = std::make_unique<ErrorTrap>(display);
  XWindowAttributes pa;
  if (!XGetWindowAttributes(display, p, &pa))
  {
    mErrorTrap.reset();
    return false;
  }
  const int scale = mApp.Scale();
  XSetWindowAttributes attrs{};
  attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                     KeyReleaseMask | EnterWindowMask | LeaveWindowMask | StructureNotifyMask;
  attrs.background_pixel = BlackPixel(display, DefaultScreen(display));
  mWindow = XCreateWindow(display, p, 0, 0, static_cast<unsigned>(std::max(1.0, mFrame.size.width * scale)),
                          static_cast<unsigned>(std::max(1.0, mFrame.size.height * scale)), 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWEventMask | CWBackPixel, &attrs);
  if (!mWindow)
  {
    mErrorTrap.reset();
    return false;
  }
  mParent = p;
  const Atom version = 5;
  XChangeProperty(display, mWindow, mApp.InternAtom("XdndAware"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&version), 1);
  mApp.Register(mWindow, this);
  XDefineCursor(display, mWindow, mApp.CursorHidden() ? mApp.BlankCursor() : mApp.XCursorFor(mCursor));
  XMapWindow(display, mWindow);
  // The parent may have gone (or not take children) after it was looked at: then our window does not exist.
  XWindowAttributes ours;
  if (!XGetWindowAttributes(display, mWindow, &ours))
  {
    RemoveFromSuperview();
    return false;
  }
  mResponder.ViewDidChangeBackingScale(scale);
  return true;
}

void X11View::RemoveFromSuperview()
{
  HideToolTip();
  RemoveTextField();
  Display* display = mApp.DisplayConnection();
  DropImage();
  if (mWindow)
  {
    mApp.Unregister(mWindow);
    XDestroyWindow(display, mWindow);
    mWindow = 0;
    mApp.Flush();
  }
  mParent = 0;
  mErrorTrap.reset();
}

void X11View::SetFrameSize(Size size)
{
  mFrame.size = size;
  if (mWindow)
  {
    XResizeWindow(mApp.DisplayConnection(), mWindow, static_cast<unsigned>(std::max(1.0, size.width * mApp.Scale())),
                  static_cast<unsigned>(std::max(1.0, size.height * mApp.Scale())));
    mApp.Flush();
  }
}

void X11View::SetFrame(Rect frame)
{
  mFrame = frame;
  if (mWindow)
  {
    const int scale = mApp.Scale();
    XMoveResizeWindow(mApp.DisplayConnection(), mWindow, static_cast<int>(frame.origin.x * scale),
                      static_cast<int>(frame.origin.y * scale),
                      static_cast<unsigned>(std::max(1.0, frame.size.width * scale)),
                      static_cast<unsigned>(std::max(1.0, frame.size.height * scale)));
    mApp.Flush();
  }
}

bool X11View::AddSubview(View& child)
{
  if (!mWindow || child.HasWindow() || !child.AddToParent(reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow))))
    return false;
  child.SetFrame(child.Frame()); // a view in a host's window sits at its corner; a subview at its frame
  return true;
}

double X11View::BackingScaleFactor() const { return mApp.Scale(); }

Point X11View::ConvertToScreen(Point inView) const
{
  if (!mWindow)
    return inView;
  const int scale = mApp.Scale();
  int rx = 0, ry = 0;
  Window child;
  XTranslateCoordinates(mApp.DisplayConnection(), mWindow, DefaultRootWindow(mApp.DisplayConnection()), static_cast<int>(inView.x * scale),
                        static_cast<int>(inView.y * scale), &rx, &ry, &child);
  return {double(rx) / scale, mApp.MainScreenHeight() - double(ry) / scale};
}

Point X11View::ConvertFromScreen(Point onScreen) const
{
  if (!mWindow)
    return onScreen;
  const int scale = mApp.Scale();
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(mApp.DisplayConnection(), DefaultRootWindow(mApp.DisplayConnection()), mWindow, static_cast<int>(onScreen.x * scale),
                        static_cast<int>((mApp.MainScreenHeight() - onScreen.y) * scale), &x, &y, &child);
  return {double(x) / scale, double(y) / scale};
}

void X11View::SetCursor(Cursor cursor)
{
  mCursor = cursor;
  if (mWindow && !mApp.CursorHidden())
  {
    XDefineCursor(mApp.DisplayConnection(), mWindow, mApp.XCursorFor(cursor));
    mApp.Flush();
  }
}

void X11View::ShowCursorAgain()
{
  if (mWindow)
    XDefineCursor(mApp.DisplayConnection(), mWindow, mApp.XCursorFor(mCursor));
}

void X11View::DropImage()
{
  if (!mImage)
    return;
  if (mUseSharedMemory)
  {
    XShmDetach(mApp.DisplayConnection(), &mSharedImage);
    shmdt(mSharedImage.shmaddr);
  }
  else
    mImage->data = nullptr; // the pixels are ours
  XDestroyImage(mImage);
  mImage = nullptr;
}

bool X11View::EnsureImage()
{
  if (mImage)
    return true;
  Display* display = mApp.DisplayConnection();
  Visual* visual = DefaultVisual(display, DefaultScreen(display));
  const int depth = DefaultDepth(display, DefaultScreen(display));
  mUseSharedMemory = false;
  if (mApp.HasSharedMemory())
  {
    mImage = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &mSharedImage,
                             static_cast<unsigned>(mPixelWidth), static_cast<unsigned>(mPixelHeight));
    if (mImage)
    {
      mSharedImage.shmid = shmget(IPC_PRIVATE, size_t(mImage->bytes_per_line) * size_t(mPixelHeight), IPC_CREAT | 0600);
      mSharedImage.shmaddr = mImage->data = mSharedImage.shmid >= 0 ? static_cast<char*>(shmat(mSharedImage.shmid, nullptr, 0)) : nullptr;
      mSharedImage.readOnly = False;
      const bool attached = mSharedImage.shmaddr && mSharedImage.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(display, &mSharedImage);
      XSync(display, False);
      if (mSharedImage.shmid >= 0)
        shmctl(mSharedImage.shmid, IPC_RMID, nullptr); // gone once both sides detach
      mUseSharedMemory = attached;
      if (!attached)
      {
        if (mSharedImage.shmaddr && mSharedImage.shmaddr != reinterpret_cast<char*>(-1))
          shmdt(mSharedImage.shmaddr);
        mImage->data = nullptr;
        XDestroyImage(mImage);
        mImage = nullptr;
      }
    }
  }
  if (!mImage)
  {
    mPixels.assign(size_t(mPixelWidth) * size_t(mPixelHeight) * 4, 0);
    mImage = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                          reinterpret_cast<char*>(mPixels.data()), static_cast<unsigned>(mPixelWidth),
                          static_cast<unsigned>(mPixelHeight), 32, mPixelWidth * 4);
  }
  return mImage != nullptr;
}

void X11View::PresentFrame(const FrameImage& frame)
{
  if (frame.width <= 0 || frame.height <= 0)
    return;
  std::vector<Rect> changed = frame.changed;
  if (mPixelWidth != frame.width || mPixelHeight != frame.height || !mImage)
  {
    DropImage();
    mPixelWidth = frame.width;
    mPixelHeight = frame.height;
    changed.clear(); // a new image takes all of the frame
  }
  if (!EnsureImage())
    return;
  if (changed.empty())
    changed.push_back(Rect(0, 0, mPixelWidth, mPixelHeight));
  // Only what changed is copied into the image and sent to the server.
  for (Rect& r : changed)
  {
    const int x0 = std::clamp(static_cast<int>(r.origin.x), 0, mPixelWidth);
    const int y0 = std::clamp(static_cast<int>(r.origin.y), 0, mPixelHeight);
    const int x1 = std::clamp(static_cast<int>(std::ceil(r.MaxX())), 0, mPixelWidth);
    const int y1 = std::clamp(static_cast<int>(std::ceil(r.MaxY())), 0, mPixelHeight);
    r = Rect(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
    for (int y = y0; y < y1; ++y)
      std::memcpy(mImage->data + size_t(mImage->bytes_per_line) * size_t(y) + size_t(x0) * 4,
                  frame.pixels + frame.bytesPerRow * size_t(y) + size_t(x0) * 4, size_t(x1 - x0) * 4);
  }
  Put(changed);
}

void X11View::Repaint()
{
  if (mImage)
    Put({Rect(0, 0, mPixelWidth, mPixelHeight)});
}

void X11View::Put(const std::vector<Rect>& rects)
{
  if (!mWindow || !mImage)
    return;
  Display* display = mApp.DisplayConnection();
  GC gc = DefaultGC(display, DefaultScreen(display));
  for (const Rect& r : rects)
  {
    const int x = static_cast<int>(r.origin.x), y = static_cast<int>(r.origin.y);
    const unsigned w = static_cast<unsigned>(r.size.width), h = static_cast<unsigned>(r.size.height);
    if (w == 0 || h == 0)
      continue;
    if (mUseSharedMemory)
      XShmPutImage(display, mWindow, gc, mImage, x, y, x, y, w, h, False);
    else
      XPutImage(display, mWindow, gc, mImage, x, y, x, y, w, h);
  }
  if (mUseSharedMemory)
    XSync(display, False); // the segment is ours again
  mApp.Flush();
}

void X11View::AddTextField(TextField& field)
{
  RemoveTextField();
  if (!mWindow)
    return;
  Display* display = mApp.DisplayConnection();
  const int scale = mApp.Scale();
  mField = &field;
  XSetWindowAttributes attrs{};
  attrs.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask;
  mFieldWindow = XCreateWindow(display, mWindow, static_cast<int>(field.frame.origin.x * scale),
                               static_cast<int>(field.frame.origin.y * scale),
                               static_cast<unsigned>(std::max(1.0, field.frame.size.width * scale)),
                               static_cast<unsigned>(std::max(1.0, field.frame.size.height * scale)), 0,
                               CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &attrs);
  mApp.Register(mFieldWindow, this);
  XDefineCursor(display, mFieldWindow, mApp.XCursorFor(Cursor::kIBeam));
  XMapRaised(display, mFieldWindow);
  XSetInputFocus(display, mFieldWindow, RevertToParent, CurrentTime);
  DrawTextField();
  mApp.Flush();
}

void X11View::RemoveTextField()
{
  if (mFieldWindow)
  {
    mApp.Unregister(mFieldWindow);
    XDestroyWindow(mApp.DisplayConnection(), mFieldWindow);
    mFieldWindow = 0;
    mApp.Flush();
  }
  mField = nullptr;
}

const DeviceColor kSelectionColor{0.7, 0.82, 1.0, 1.0};

/// Where a field's text goes, in points within the field: the baseline and the x of every caret stop (before
/// each character and after the last). A text wider than the field scrolls to keep the caret in sight.
struct FieldLayout
{
  double baseline = 0.0;
  std::vector<double> stops;
};

TextStyle FieldTextStyle(const TextField& field) { return {field.fontFamily, field.fontSize, field.textColor}; }

FieldLayout LayoutField(const TextField& field, Painter& painter)
{
  constexpr double kPad = 2.0;
  const TextStyle style = FieldTextStyle(field);
  const double width = field.frame.size.width;
  FieldLayout layout;
  layout.baseline = CentredBaseline(painter, style, 0.0, field.frame.size.height);
  std::string prefix;
  layout.stops.push_back(0.0);
  for (char32_t c : field.stringValue)
  {
    foundation::AppendUTF8(prefix, c);
    layout.stops.push_back(painter.TextWidth(prefix, style));
  }
  const double total = layout.stops.back();
  double left = kPad;
  if (field.alignment == TextAlignment::kCenter)
    left = (width - total) / 2.0;
  else if (field.alignment == TextAlignment::kRight)
    left = width - total - kPad;
  if (total > width - 2 * kPad)
    left = kPad - std::max(0.0, layout.stops[field.Caret()] - (width - 2 * kPad));
  for (double& x : layout.stops)
    x += left;
  return layout;
}

void X11View::DrawTextField()
{
  if (!mFieldWindow || !mField)
    return;
  Painter& painter = SharedPainter();
  const TextField& field = *mField;
  const FieldLayout layout = LayoutField(field, painter);
  const TextStyle style = FieldTextStyle(field);
  const double height = field.frame.size.height;
  painter.Begin(field.frame.size, mApp.Scale(),
                field.drawsBackground ? field.backgroundColor : DeviceColor{1.0, 1.0, 1.0, 1.0});
  if (field.HasSelection())
  {
    const double x0 = layout.stops[field.SelectionStart()], x1 = layout.stops[field.SelectionEnd()];
    painter.FillRect(Rect(x0, 0, x1 - x0, height), kSelectionColor);
  }
  painter.DrawText(field.StringValueUTF8(), {layout.stops.front(), layout.baseline}, style);
  if (!field.HasSelection())
  {
    const LineMetrics m = painter.Metrics(style);
    painter.FillRect(Rect(layout.stops[field.Caret()], layout.baseline - m.ascender, 1.0, m.ascender + m.descender),
                     field.textColor);
  }
  PutDrawing(mApp.DisplayConnection(), mFieldWindow, painter.End());
  mApp.Flush();
}

void X11View::FieldPointer(int x, bool extend, int clickCount)
{
  if (!mField)
    return;
  if (clickCount >= 2)
    mField->SelectAll();
  else
  {
    const FieldLayout layout = LayoutField(*mField, SharedPainter());
    const double at = double(x) / mApp.Scale();
    size_t nearest = 0;
    for (size_t i = 1; i < layout.stops.size(); ++i)
      if (std::abs(layout.stops[i] - at) < std::abs(layout.stops[nearest] - at))
        nearest = i;
    mField->SetCaret(nearest, extend);
  }
  DrawTextField();
}

bool X11View::EditField(KeySym sym, const std::u32string& chars, unsigned state)
{
  if (!mField)
    return false;
  using FieldKey = TextField::Key;
  const bool extend = (state & ShiftMask) != 0;
  switch (sym)
  {
  case XK_Return:
  case XK_KP_Enter:
  case XK_Tab:
  case XK_ISO_Left_Tab: mField->EndEditing(); return true;
  case XK_BackSpace: mField->PressKey(FieldKey::kBackspace, false); break;
  case XK_Delete:
  case XK_KP_Delete: mField->PressKey(FieldKey::kForwardDelete, false); break;
  case XK_Left:
  case XK_KP_Left: mField->PressKey(FieldKey::kLeft, extend); break;
  case XK_Right:
  case XK_KP_Right: mField->PressKey(FieldKey::kRight, extend); break;
  case XK_Home:
  case XK_KP_Home: mField->PressKey(FieldKey::kHome, extend); break;
  case XK_End:
  case XK_KP_End: mField->PressKey(FieldKey::kEnd, extend); break;
  default:
    if (chars.size() != 1)
      break;
    // Control or Super (as Command) with a letter: the clipboard shortcuts.
    if (state & (ControlMask | Mod4Mask))
      EditWithPasteboard(
        *mField, chars[0], [this](std::string& text) { return mApp.StringFromPasteboard(text); },
        [this](const std::string& text) { return mApp.SetPasteboardString(text); });
    else
      mField->InsertCharacter(chars[0]);
    break;
  }
  DrawTextField();
  return true;
}

void X11View::SendMouse(EventType type, const XButtonEvent& b, int clickCount)
{
  Event e;
  e.type = type;
  e.locationInView = {double(b.x) / mApp.Scale(), double(b.y) / mApp.Scale()};
  e.modifierFlags = ModifierFlagsForState(b.state);
  e.clickCount = clickCount;
  mResponder.SendEvent(e);
}

void X11View::HandleKey(XKeyEvent& k, bool down)
{
  XKeyEvent plain = k;
  plain.state &= ~(ControlMask | Mod1Mask | Mod4Mask);
  char buf[16];
  KeySym sym = NoSymbol;
  XLookupString(&plain, buf, sizeof(buf), &sym, nullptr);
  if (IsModifierKey(sym))
    return;
  const std::u32string chars = CharactersForKeySym(sym);
  if (mField && (k.window == mFieldWindow || down))
  {
    if (down)
      EditField(sym, chars, k.state);
    return;
  }
  Event e;
  e.type = down ? EventType::kKeyDown : EventType::kKeyUp;
  const uint16_t code = MacKeyCodeForKeySym(sym);
  e.keyCode = code == kNoMacKeyCode ? static_cast<uint16_t>(k.keycode + 256) : code;
  e.charactersIgnoringModifiers = chars;
  e.modifierFlags = ModifierFlagsForState(k.state);
  if (!mResponder.SendEvent(e) && mParent)
  {
    // Not ours: the host's window gets it, as the next responder would.
    XKeyEvent forward = k;
    forward.window = mParent;
    forward.subwindow = 0;
    XSendEvent(mApp.DisplayConnection(), mParent, True, down ? KeyPressMask : KeyReleaseMask, reinterpret_cast<XEvent*>(&forward));
    mApp.Flush();
  }
}

int HexDigit(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

bool SameHostName(std::string a, std::string b)
{
  auto lower = [](std::string& s) {
    for (char& c : s)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  lower(a);
  lower(b);
  return a == b;
}

} // namespace

bool LocalPathOfFileURI(const std::string& uri, std::string& path)
{
  path.clear();
  const std::string scheme = "file://";
  if (uri.compare(0, scheme.size(), scheme) != 0)
    return false;
  const size_t slash = uri.find('/', scheme.size());
  if (slash == std::string::npos)
    return false;
  const std::string host = uri.substr(scheme.size(), slash - scheme.size());
  char ours[256] = {};
  const bool named = gethostname(ours, sizeof(ours) - 1) == 0 && ours[0];
  if (!host.empty() && !SameHostName(host, "localhost") && !(named && SameHostName(host, ours)))
    return false; // a file on another machine
  std::string decoded;
  for (size_t i = slash; i < uri.size(); ++i)
  {
    const int high = uri[i] == '%' && i + 2 < uri.size() ? HexDigit(uri[i + 1]) : -1;
    const int low = high >= 0 ? HexDigit(uri[i + 2]) : -1;
    if (low < 0)
    {
      decoded.push_back(uri[i]);
      continue;
    }
    const char c = static_cast<char>(high * 16 + low);
    if (c == '\0')
      return false; // no file name holds a NUL
    decoded.push_back(c);
    i += 2;
  }
  path = std::move(decoded);
  return true;
}

namespace {

void X11View::SendDndMessage(Window source, const char* type, long l1, long l2, long l4)
{
  XClientMessageEvent r{};
  r.type = ClientMessage;
  r.display = mApp.DisplayConnection();
  r.window = source;
  r.message_type = mApp.InternAtom(type);
  r.format = 32;
  r.data.l[0] = static_cast<long>(mWindow);
  r.data.l[1] = l1;
  r.data.l[2] = l2;
  r.data.l[4] = l4;
  XSendEvent(mApp.DisplayConnection(), source, False, NoEventMask, reinterpret_cast<XEvent*>(&r));
  mApp.Flush();
}

void X11View::HandleDragAndDrop(const XClientMessageEvent& m)
{
  Display* display = mApp.DisplayConnection();
  const Window source = static_cast<Window>(m.data.l[0]);
  const Atom uriList = mApp.InternAtom("text/uri-list"), copy = mApp.InternAtom("XdndActionCopy");
  if (m.message_type == mApp.InternAtom("XdndEnter"))
  {
    mDropSource = source;
    bool hasFiles = false;
    if (m.data.l[1] & 1)
    {
      Atom type;
      int format;
      unsigned long n, after;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(display, mDropSource, mApp.InternAtom("XdndTypeList"), 0, 1024, False, XA_ATOM, &type, &format, &n,
                             &after, &data) == Success && data)
      {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        hasFiles = std::find(atoms, atoms + n, uriList) != atoms + n;
        XFree(data);
      }
    }
    else
      for (int i = 2; i < 5; ++i)
        hasFiles = hasFiles || static_cast<Atom>(m.data.l[i]) == uriList;
    mDropAccepted = hasFiles && mResponder.DraggingEntered({kFilenamesPboardType});
  }
  else if (m.message_type == mApp.InternAtom("XdndPosition"))
  {
    const int rx = static_cast<int>((m.data.l[2] >> 16) & 0xFFFF), ry = static_cast<int>(m.data.l[2] & 0xFFFF);
    int x = 0, y = 0;
    Window child;
    const bool ours = source == mDropSource && mDropAccepted && !mDropping;
    if (ours)
    {
      XTranslateCoordinates(display, DefaultRootWindow(display), mWindow, rx, ry, &x, &y, &child);
      mDropPoint = {double(x) / mApp.Scale(), double(y) / mApp.Scale()};
    }
    SendDndMessage(source, "XdndStatus", ours ? 1 : 0, 0, ours ? static_cast<long>(copy) : 0);
  }
  else if (m.message_type == mApp.InternAtom("XdndLeave"))
  {
    if (source == mDropSource)
      mDropAccepted = false;
  }
  else if (m.message_type == mApp.InternAtom("XdndDrop"))
    Drop(source);
}

void X11View::Drop(Window source)
{
  // One drop at a time: a drop that comes while the last one's data is awaited is refused, as is a drop from a
  // source that did not enter or whose files were not accepted.
  if (mDropping || source != mDropSource || !mDropAccepted)
  {
    SendDndMessage(source, "XdndFinished", 0, 0, 0);
    return;
  }
  mDropping = true;
  const Point at = mDropPoint;
  const Atom uriList = mApp.InternAtom("text/uri-list");
  std::string uris;
  Atom type = None;
  std::vector<std::string> files;
  if (mApp.WaitForSelection(mApp.InternAtom("XdndSelection"), uriList, {uriList, mApp.InternAtom("UTF8_STRING"), XA_STRING}, uris,
                            type))
  {
    std::istringstream lines(uris);
    for (std::string line; std::getline(lines, line);)
    {
      while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
      std::string path;
      if (!line.empty() && line[0] != '#' && LocalPathOfFileURI(line, path))
        files.push_back(path);
    }
  }
  mDropping = false;
  mDropAccepted = false;
  if (!files.empty() && mWindow)
    mResponder.PerformDragOperation(files, at);
  if (mWindow)
    SendDndMessage(source, "XdndFinished", files.empty() ? 0 : 1,
                   files.empty() ? 0 : static_cast<long>(mApp.InternAtom("XdndActionCopy")), 0);
}

void X11View::PointerMoved(Point p)
{
  HideToolTip();
  mPointer = p;
  bool inside = false;
  for (const Rect& r : mToolTips)
    inside = inside || r.Contains(p);
  if (inside)
    mToolTipTimer = std::make_unique<foundation::RunLoopTimer>(
      [this] {
        mToolTipTimer.reset();
        ShowToolTip();
      },
      kToolTipDelay, foundation::RunLoop::Main(), kToolTipDelay);
}

/// Margins of a tool tip around its text, in points.
constexpr double kToolTipPadX = 4.0, kToolTipPadY = 3.0;

void X11View::ShowToolTip()
{
  const std::string text = mResponder.ToolTipAt(mPointer);
  if (text.empty() || !mWindow)
    return;
  Display* display = mApp.DisplayConnection();
  const int s = mApp.Scale();
  Painter& painter = SharedPainter();
  const TextStyle style = PanelText(kInkColor);
  const LineMetrics m = painter.Metrics(style);
  const int w = static_cast<int>(std::ceil((painter.TextWidth(text, style) + 2 * kToolTipPadX) * s));
  const int h = static_cast<int>(std::ceil((m.ascender + m.descender + 2 * kToolTipPadY) * s));
  int rx = 0, ry = 0;
  Window child;
  XTranslateCoordinates(display, mWindow, DefaultRootWindow(display), int(mPointer.x * s), int(mPointer.y * s), &rx, &ry,
                        &child);
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.background_pixel = 0xFFFFE0;
  a.event_mask = ExposureMask;
  mToolTipWindow = XCreateWindow(display, DefaultRootWindow(display), rx, ry + 18 * s, static_cast<unsigned>(w),
                                 static_cast<unsigned>(h), 1, CopyFromParent, InputOutput, CopyFromParent,
                                 CWOverrideRedirect | CWBackPixel | CWEventMask, &a);
  mToolTipText = text;
  MarkWithProcessId(display, mToolTipWindow);
  mApp.Register(mToolTipWindow, this);
  XMapRaised(display, mToolTipWindow);
  mApp.Flush();
}

void X11View::DrawToolTip()
{
  XWindowAttributes wa{};
  if (!XGetWindowAttributes(mApp.DisplayConnection(), mToolTipWindow, &wa))
    return;
  Painter& painter = SharedPainter();
  const double s = mApp.Scale();
  const TextStyle style = PanelText(kInkColor);
  painter.Begin({wa.width / s, wa.height / s}, s, kToolTipColor);
  painter.DrawText(mToolTipText, {kToolTipPadX, kToolTipPadY + painter.Metrics(style).ascender}, style);
  PutDrawing(mApp.DisplayConnection(), mToolTipWindow, painter.End());
}

void X11View::HideToolTip()
{
  mToolTipTimer.reset();
  if (mToolTipWindow)
  {
    mApp.Unregister(mToolTipWindow);
    XDestroyWindow(mApp.DisplayConnection(), mToolTipWindow);
    mToolTipWindow = 0;
    mApp.Flush();
  }
}

void X11View::HandleEvent(XEvent& e)
{
  const int scale = mApp.Scale();
  if (e.type == ButtonPress || e.type == KeyPress || e.type == LeaveNotify)
    HideToolTip();
  switch (e.type)
  {
  case Expose:
    if (e.xexpose.count == 0)
      e.xexpose.window == mFieldWindow ? DrawTextField() : e.xexpose.window == mToolTipWindow ? DrawToolTip() : Repaint();
    break;
  case ButtonPress:
  {
    const XButtonEvent& b = e.xbutton;
    if (b.window == mFieldWindow)
    {
      if (b.button == Button1)
      {
        const bool again = b.time - mLastPress <= kMultiClickMs && mLastButton == 1;
        mLastPress = b.time;
        mLastButton = 1;
        FieldPointer(b.x, (b.state & ShiftMask) != 0, again ? 2 : 1);
      }
      break;
    }
    if (mField) // a click elsewhere ends the editing
      mField->EndEditing();
    if (b.button == Button4 || b.button == Button5 || b.button == 6 || b.button == 7)
    {
      Event w;
      w.type = EventType::kScrollWheel;
      w.locationInView = {double(b.x) / scale, double(b.y) / scale};
      w.modifierFlags = ModifierFlagsForState(b.state);
      w.deltaY = b.button == Button4 ? 1.0 : b.button == Button5 ? -1.0 : 0.0;
      mResponder.SendEvent(w);
      break;
    }
    if (b.button != Button1 && b.button != Button3)
      break;
    const bool again = static_cast<int>(b.button) == mLastButton && b.time - mLastPress <= kMultiClickMs &&
                       std::abs(b.x - mLastX) <= kMultiClickDistance && std::abs(b.y - mLastY) <= kMultiClickDistance;
    mClicks = again ? mClicks + 1 : 1;
    mLastButton = static_cast<int>(b.button);
    mLastPress = b.time;
    mLastX = b.x;
    mLastY = b.y;
    XSetInputFocus(mApp.DisplayConnection(), mWindow, RevertToParent, CurrentTime);
    SendMouse(b.button == Button1 ? EventType::kLeftMouseDown : EventType::kRightMouseDown, b, mClicks);
    break;
  }
  case ButtonRelease:
    if (e.xbutton.window == mFieldWindow)
      break;
    if (e.xbutton.button == Button1 || e.xbutton.button == Button3)
      SendMouse(e.xbutton.button == Button1 ? EventType::kLeftMouseUp : EventType::kRightMouseUp, e.xbutton, mClicks);
    break;
  case MotionNotify:
  {
    if (e.xmotion.window == mFieldWindow)
    {
      FieldPointer(e.xmotion.x, true, 1);
      break;
    }
    Event m;
    const XMotionEvent& mo = e.xmotion;
    m.type = (mo.state & Button1Mask)   ? EventType::kLeftMouseDragged
             : (mo.state & Button3Mask) ? EventType::kRightMouseDragged
                                        : EventType::kMouseMoved;
    m.locationInView = {double(mo.x) / scale, double(mo.y) / scale};
    m.modifierFlags = ModifierFlagsForState(mo.state);
    if (m.type == EventType::kMouseMoved)
      PointerMoved(m.locationInView);
    else
      HideToolTip();
    mResponder.SendEvent(m);
    break;
  }
  case EnterNotify:
  case LeaveNotify:
    if (e.xcrossing.mode == NotifyNormal && e.xcrossing.window == mWindow)
    {
      Event c;
      c.type = e.type == EnterNotify ? EventType::kMouseEntered : EventType::kMouseExited;
      c.locationInView = {double(e.xcrossing.x) / scale, double(e.xcrossing.y) / scale};
      mResponder.SendEvent(c);
    }
    break;
  case KeyPress:
  case KeyRelease:
    HandleKey(e.xkey, e.type == KeyPress);
    break;
  case ClientMessage:
    HandleDragAndDrop(e.xclient);
    break;
  default:
    break;
  }
}

} // namespace

std::unique_ptr<Application> MakeX11Application()
{
  const char* wanted = std::getenv("DROVIK_APPKIT");
  if (wanted && std::strcmp(wanted, "headless") == 0)
    return nullptr;
  Display* display = XOpenDisplay(nullptr);
  if (!display)
    return nullptr;
  return std::make_unique<X11Application>(display);
}

} // namespace appkit
