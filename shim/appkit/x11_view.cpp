// The X11 back end's view: a child window of the host's window, the frames copied into it (through shared
// memory when the server has it), and its events turned into the editor's mouse, key and scroll events.
#include "appkit/x11_backend.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cmath>
#include <cstring>

#include "appkit/x11_keys.h"

namespace appkit {
namespace x11 {

namespace {

/// Two presses this close in time and place count as one multiple click.
constexpr Time kMultiClickMs = 400;
constexpr int kMultiClickDistance = 4;

} // namespace

// ---- View ----

X11View::X11View(X11Application& app, ViewResponder& responder, Rect frame)
  : mApp(app), mResponder(responder), mFrame(frame)
{
  mApp.ViewMade();
}

X11View::~X11View()
{
  mApp.ForgetGone(this);
  RemoveFromSuperview();
  mApp.ViewDestroyed();
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
  if (!p || mWindow || mApp.Lost()) // a connection whose server went away has no window to offer
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
  if (mPixelWidth != frame.width || mPixelHeight != frame.height)
  {
    // A frame new in size may come in bands: the image starts black and takes only what is given.
    DropImage();
    mPixelWidth = frame.width;
    mPixelHeight = frame.height;
  }
  else if (!mImage)
    changed.clear(); // an image made again for the same frame takes all of it
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

void X11View::SendWheel(const XButtonEvent& b)
{
  Event w;
  w.type = EventType::kScrollWheel;
  w.locationInView = {double(b.x) / mApp.Scale(), double(b.y) / mApp.Scale()};
  w.modifierFlags = ModifierFlagsForState(b.state);
  w.deltaY = b.button == Button4 ? 1.0 : b.button == Button5 ? -1.0 : 0.0;
  mResponder.SendEvent(w);
}

void X11View::SendPress(const XButtonEvent& b)
{
  const bool again = static_cast<int>(b.button) == mLastButton && b.time - mLastPress <= kMultiClickMs &&
                     std::abs(b.x - mLastX) <= kMultiClickDistance && std::abs(b.y - mLastY) <= kMultiClickDistance;
  mClicks = again ? mClicks + 1 : 1;
  mLastButton = static_cast<int>(b.button);
  mLastPress = b.time;
  mLastX = b.x;
  mLastY = b.y;
  XSetInputFocus(mApp.DisplayConnection(), mWindow, RevertToParent, CurrentTime);
  SendMouse(b.button == Button1 ? EventType::kLeftMouseDown : EventType::kRightMouseDown, b, mClicks);
}

void X11View::ButtonPressed(const XButtonEvent& b)
{
  if (b.window == mFieldWindow)
  {
    if (b.button == Button1)
    {
      const bool again = b.time - mLastPress <= kMultiClickMs && mLastButton == 1;
      mLastPress = b.time;
      mLastButton = 1;
      FieldPointer(b.x, (b.state & ShiftMask) != 0, again ? 2 : 1);
    }
    return;
  }
  if (mField) // a click elsewhere ends the editing
    mField->EndEditing();
  if (b.button == Button4 || b.button == Button5 || b.button == 6 || b.button == 7)
    SendWheel(b);
  else if (b.button == Button1 || b.button == Button3)
    SendPress(b);
}

void X11View::PointerMotion(const XMotionEvent& mo)
{
  if (mo.window == mFieldWindow)
  {
    FieldPointer(mo.x, true, 1);
    return;
  }
  Event m;
  m.type = (mo.state & Button1Mask)   ? EventType::kLeftMouseDragged
           : (mo.state & Button3Mask) ? EventType::kRightMouseDragged
                                      : EventType::kMouseMoved;
  m.locationInView = {double(mo.x) / mApp.Scale(), double(mo.y) / mApp.Scale()};
  m.modifierFlags = ModifierFlagsForState(mo.state);
  if (m.type == EventType::kMouseMoved)
    PointerMoved(m.locationInView);
  else
    HideToolTip();
  mResponder.SendEvent(m);
}

void X11View::HandleEvent(XEvent& e)
{
  if (e.type == ButtonPress || e.type == KeyPress || e.type == LeaveNotify)
    HideToolTip();
  switch (e.type)
  {
  case Expose:
    if (e.xexpose.count == 0)
      e.xexpose.window == mFieldWindow ? DrawTextField() : e.xexpose.window == mToolTipWindow ? DrawToolTip() : Repaint();
    break;
  case ButtonPress: ButtonPressed(e.xbutton); break;
  case ButtonRelease:
    if (e.xbutton.window != mFieldWindow && (e.xbutton.button == Button1 || e.xbutton.button == Button3))
      SendMouse(e.xbutton.button == Button1 ? EventType::kLeftMouseUp : EventType::kRightMouseUp, e.xbutton, mClicks);
    break;
  case MotionNotify: PointerMotion(e.xmotion); break;
  case EnterNotify:
  case LeaveNotify:
    if (e.xcrossing.mode == NotifyNormal && e.xcrossing.window == mWindow)
    {
      Event c;
      c.type = e.type == EnterNotify ? EventType::kMouseEntered : EventType::kMouseExited;
      c.locationInView = {double(e.xcrossing.x) / mApp.Scale(), double(e.xcrossing.y) / mApp.Scale()};
      mResponder.SendEvent(c);
    }
    break;
  case KeyPress:
  case KeyRelease: HandleKey(e.xkey, e.type == KeyPress); break;
  case ClientMessage: HandleDragAndDrop(e.xclient); break;
  default: break;
  }
}

} // namespace x11
} // namespace appkit
