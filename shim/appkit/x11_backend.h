// Inside the X11 back end: the application (the display connection) and view classes, and the few helpers and
// constants that more than one of the back end's files use. Each of those files includes this header and the
// shim's own headers only; x11_application.h stays the way in for everyone else.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "appkit/desktop.h"
#include "appkit/painter.h"
#include "appkit/x11_application.h"
#include "foundation/run_loop.h"

namespace appkit {
namespace x11 {

/// The most text taken from a clipboard owner or a drop's source in one answer, in bytes.
constexpr long kSelectionLimit = 1 << 20;
/// The longest pause between two keys a host hands on for them to count as one burst, queued while a paste of ours
/// kept the host waiting, in seconds. A host hands on what it queued within milliseconds; a person pasting again
/// after seeing the paste pauses longer.
constexpr double kHostKeyBurstGap = 0.5;
/// How long xdg-open has to report a failure before the opening counts as done.
constexpr double kOpenerTimeout = 3.0;

/// Keeps our handler in place for its lifetime; the errors of requests made meanwhile arrive before it ends.
class ErrorTrap
{
public:
  explicit ErrorTrap(Display* display); // [main thread]
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

private:
  Display* mDisplay;
};

class X11Application;

// ---- Handlers shared with the host (x11_error_handlers.cpp) ----

/// Puts our handler of lost connections in place for display, and the connection's exit handler where libX11 has
/// one (1.7 and later: before, the loss of a connection of ours ends the process, as Xlib's default does for every
/// program there), until ForgetOurConnection. [main thread]
void WatchOurConnection(Display* display, X11Application& app);
void ForgetOurConnection(Display* display); // [main thread]
/// XOpenDisplay; null also when the server went away during the opening (Xlib would end the process): then `lost`
/// is set, and what the opening made is let go of. [any thread]
Display* OpenDisplayEscapingLoss(const char* name, bool& lost);
/// The module is being unloaded, or the process ends. [main thread]
void NoteModuleEnding();

class X11View final : public View
{
public:
  X11View(X11Application& app, ViewResponder& responder, Rect frame);
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
  /// A press in the field edits it; elsewhere it ends the editing and goes on as a wheel step or a click.
  void ButtonPressed(const XButtonEvent& b);
  void SendWheel(const XButtonEvent& b);
  /// A press of the first or third button, counted as a multiple click when it follows the last one closely.
  void SendPress(const XButtonEvent& b);
  /// A move in the field drags its selection; elsewhere it is a move or a drag of the view's.
  void PointerMotion(const XMotionEvent& m);
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
  uint64_t mFieldSerial = 0; // fields added so far: a paste that waited tells its field from a later one
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
  /// Views of this connection not yet destroyed (counted by X11View itself). [main thread]
  void ViewMade() { ++mLiveViews; }
  void ViewDestroyed() { --mLiveViews; }
  /// Called by Xlib (the connection's exit handler) when the server went away. [the thread whose call found it]
  void MarkLost();
  /// Whether a connection of ours is open and not lost. [any thread]
  static bool AnyConnectionServing();
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
  /// Input to our views that arrives during the wait is held and handed on afterwards, once the caller is done with
  /// the answer: a Return or a click that followed a paste acts on the pasted text. A request made while that held
  /// input is handled (the next paste of a burst typed during the wait) gets the same answer without waiting
  /// again, so a burst costs one wait. So does a request made by a key the host hands on within a burst (see
  /// HandleHostKey). Either asks again when the selection has changed owners since, also when the new owner's
  /// window has the id of the old one, gone meanwhile.
  bool WaitForSelection(Atom selection, Atom target, std::initializer_list<Atom> types, std::string& data,
                        Atom& type);

  const char* Name() const override { return "x11"; }
  bool Lost() const override { return mLost; }
  bool Idle() const override { return mLiveViews == 0 && mBusy == 0; }
  std::unique_ptr<View> CreateView(ViewResponder& responder, Rect frame) override
  {
    return std::make_unique<X11View>(*this, responder, frame);
  }
  double MainScreenBackingScaleFactor() override { return mScale; }
  double HostWindowScale() override { return mScale; }
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
  /// The keys a host hands on after a selection wait made for one of its keys, each within kHostKeyBurstGap of the
  /// last, are the burst it queued while that wait held it: a paste among them takes the wait's answer. Input that
  /// reaches our views itself, a longer pause and the next wait end the burst.
  bool HandleHostKey(const std::function<bool()>& handle) override;
  bool OpenURL(const std::string& url) override { return SpawnDetached({"xdg-open", url}, kOpenerTimeout); }
  bool OpenFile(const std::string& path) override { return SpawnDetached({"xdg-open", path}, kOpenerTimeout); }
  // The folder was opened just before; no file viewer here selects a file in it.
  bool SelectFile(const std::string& path, const std::string&) override { return FileExistsAtPath(path); }

  // Modal windows of our own (menus, alerts) take the events of their windows.
  std::function<void(XEvent&)> mModalHandler;
  Window mHelper = 0;

private:
  /// Takes the connection and the wake-up away from the run loop. [main thread]
  void StopWatching();
  /// Once the connection is lost: stops watching it, and the views forget their windows (their responders hear
  /// that the windows went away). Nothing more is asked of the server; the back end gives way to another.
  /// [main thread]
  void LetGoOfLostConnection();
  void HandleSelectionRequest(const XSelectionRequestEvent& r);
  void ReadSelection(const XSelectionEvent& e);
  /// Whether the window is another program's (neither a view nor the clipboard's helper window).
  bool ForeignWindow(Window w) const;
  /// Remembers the window asked for a selection and, when it is another program's, asks to hear when it goes: a
  /// new owner may get the same window id once the old one is gone. [main thread]
  void WatchSelectionOwner(Window owner);
  /// Whether the window last asked for a selection has gone since (its end served by the pump or still queued).
  /// [main thread]
  bool SelectionOwnerGone();
  /// Puts the input held during a selection wait back at the head of the queue, in its order.
  void HandOnHeldInput();
  /// Hands an event to the modal window in front or to its view.
  void Dispatch(XEvent& e);
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
  int mLiveViews = 0;
  int mPumpDepth = 0;
  int mBusy = 0; // pumps (their ends included) and modal loops under way
  std::atomic<bool> mLost{false};
  bool mLetGo = false;
  std::map<Cursor, ::Cursor> mCursors;
  ::Cursor mBlank = 0;
  std::string mClipboard;
  bool mOwnsClipboard = false;
  // A pending selection answer, kept for the input held while it was awaited.
  bool mSelectionWaiting = false;
  bool mSelectionDone = false;
  Atom mSelectionAsked = 0, mSelectionTarget = 0;
  Window mSelectionOwner = 0; // the owner asked
  bool mSelectionOwnerGone = false; // its window was destroyed since (its id may serve a new owner)
  Atom mSelectionType = 0;
  int mSelectionFormat = 0;
  std::string mSelectionData;
  std::vector<XEvent> mHeldInput;
  size_t mReplaysLeft = 0;      // held events put back at the head of Xlib's queue and not read again yet
  bool mServingReplay = false;  // the event being handled was held during the last selection wait
  bool mServingHostKey = false; // a key the host handed on is being handled
  bool mHostKeyBurst = false;   // keys the host hands on now were queued during the last selection wait,
                                // made for a key it handed on
  double mHostKeyBurstMark = 0; // when that wait or the last key of its burst ended (main run loop's clock)
};

// ---- Small windows of our own: menus, alerts, tool tips ----

/// Row height and margins of menus and alerts, in points.
constexpr int kRowHeight = 20;
constexpr int kMenuMargin = 6;

const DeviceColor kPanelColor{0.93, 0.93, 0.93, 1.0};
const DeviceColor kHighlightColor{0.19, 0.44, 0.82, 1.0};
const DeviceColor kInkColor{0.0, 0.0, 0.0, 1.0};
const DeviceColor kLightInkColor{1.0, 1.0, 1.0, 1.0};
constexpr double kPanelTextSize = 13.0;

inline TextStyle PanelText(const DeviceColor& color) { return {"", kPanelTextSize, color}; }

/// The baseline that centres a line of the style in a row (points).
inline double CentredBaseline(Painter& painter, const TextStyle& style, double top, double height)
{
  const LineMetrics m = painter.Metrics(style);
  return top + (height + m.ascender - m.descender) / 2.0;
}

/// The screen's work area (the desktop's _NET_WORKAREA, else the whole screen), in pixels.
Rect WorkArea(Display* display);

/// Marks a top-level window of ours with this process's id, as desktops expect (and tests look for).
inline void MarkWithProcessId(Display* display, Window w)
{
  const long pid = static_cast<long>(getpid());
  XChangeProperty(display, w, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
}

/// Sends a finished drawing to a window.
inline void PutDrawing(Display* display, Window w, const FrameImage& image)
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

/// The windows of a menu or an alert, destroyed with it.
class ModalWindows
{
public:
  /// Each window's border, drawn outside its width and height: the inside starts this far from its corner.
  static constexpr int kBorderWidth = 1;

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
                                     static_cast<unsigned>(h), kBorderWidth, CopyFromParent, InputOutput, CopyFromParent,
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

} // namespace x11
} // namespace appkit
