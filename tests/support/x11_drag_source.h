// The sending side of an X drag and drop, for tests that drop files on a view: a window of the test's own
// connection that enters, moves over and drops on a target window, and hands the dropped URIs to whoever asks.
#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "x11_selection_answer.h"

namespace testsupport {

class DragSource
{
public:
  explicit DragSource(Display* display)
    : mDisplay(display), mWindow(XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0))
  {
  }
  ~DragSource()
  {
    XDestroyWindow(mDisplay, mWindow);
    XSync(mDisplay, False);
  }
  DragSource(const DragSource&) = delete;
  DragSource& operator=(const DragSource&) = delete;

  /// Takes the drop's selection, so that requests for the dropped data come to this source.
  void OwnSelection() { XSetSelectionOwner(mDisplay, Intern("XdndSelection"), mWindow, CurrentTime); }
  /// Announces a drag of a URI list (protocol version 5, the type in the message itself).
  void Enter(Window target) { Send(target, "XdndEnter", 5L << 24, static_cast<long>(Intern("text/uri-list"))); }
  /// Announces a drag offering up to three types in the message's own slots, in order.
  void EnterOffering(Window target, const std::vector<const char*>& types)
  {
    long slots[3] = {0, 0, 0};
    for (size_t i = 0; i < types.size() && i < 3; ++i)
      slots[i] = static_cast<long>(Intern(types[i]));
    Send(target, "XdndEnter", 5L << 24, slots[0], slots[1], slots[2]);
  }
  /// Announces a drag whose types are listed in the source's XdndTypeList property (the message's bit 0).
  void EnterWithTypeList(Window target, const std::vector<const char*>& types)
  {
    std::vector<Atom> atoms;
    for (const char* t : types)
      atoms.push_back(Intern(t));
    XChangeProperty(mDisplay, mWindow, Intern("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
    Send(target, "XdndEnter", (5L << 24) | 1, 0);
  }
  void Position(Window target, int rootX, int rootY)
  {
    Send(target, "XdndPosition", 0, (long(rootX) << 16) | rootY, CurrentTime,
         static_cast<long>(Intern("XdndActionCopy")));
  }
  void Drop(Window target) { Send(target, "XdndDrop", 0, CurrentTime); }
  void Leave(Window target) { Send(target, "XdndLeave", 0, 0); }

  /// Waits for the target's answer to a move: 1 when it accepts the drop, 0 when it refuses it, -1 when no
  /// answer came within ten seconds. The answer's flags word is returned whole (a flag beyond "accepted" shows);
  /// its other fields are kept in StatusWindow(), StatusRectangle() and StatusAction().
  int AwaitStatus()
  {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < limit)
    {
      XEvent e;
      if (!XCheckTypedWindowEvent(mDisplay, mWindow, ClientMessage, &e))
      {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      if (e.xclient.message_type == Intern("XdndStatus"))
      {
        mStatusWindow = static_cast<Window>(e.xclient.data.l[0]);
        mStatusRectangle = {e.xclient.data.l[2], e.xclient.data.l[3]};
        mStatusAction = static_cast<Atom>(e.xclient.data.l[4]);
        return static_cast<int>(e.xclient.data.l[1]);
      }
    }
    return -1;
  }

  /// Waits until the target asks for the dropped data, and leaves that request unanswered for ServeUntilFinished;
  /// false when no request came within ten seconds.
  bool AwaitDataRequest()
  {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    XEvent e;
    while (!XCheckTypedWindowEvent(mDisplay, mWindow, SelectionRequest, &e))
    {
      if (std::chrono::steady_clock::now() > limit)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    XPutBackEvent(mDisplay, &e);
    return true;
  }

  /// Serves requests for the dropped data with uris until `finished` answers of the target arrived; returns how
  /// many of them said the drop was taken, or -1 when they did not all come within ten seconds. The action the
  /// last answer named is kept in FinishedAction().
  int ServeUntilFinished(const std::string& uris, int finished = 1)
  {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int taken = 0;
    while (finished > 0)
    {
      if (std::chrono::steady_clock::now() > limit)
        return -1;
      if (!XPending(mDisplay))
      {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      XEvent e;
      XNextEvent(mDisplay, &e);
      if (e.type == SelectionRequest)
        AnswerSelectionRequest(mDisplay, e.xselectionrequest, Intern("text/uri-list"), 8, uris);
      else if (e.type == ClientMessage && e.xclient.message_type == Intern("XdndFinished"))
      {
        --finished;
        taken += (e.xclient.data.l[1] & 1) != 0;
        mFinishedAction = static_cast<Atom>(e.xclient.data.l[2]);
        mFinishedWindow = static_cast<Window>(e.xclient.data.l[0]);
      }
    }
    return taken;
  }
  Atom FinishedAction() const { return mFinishedAction; }
  /// The window the last finished answer came from, as the answer names it.
  Window FinishedWindow() const { return mFinishedWindow; }
  Window StatusWindow() const { return mStatusWindow; }
  /// The last move answer's rectangle words (0, 0 asks for every move).
  std::pair<long, long> StatusRectangle() const { return mStatusRectangle; }
  Atom StatusAction() const { return mStatusAction; }

private:
  Atom Intern(const char* name) { return XInternAtom(mDisplay, name, False); }
  void Send(Window target, const char* type, long l1, long l2, long l3 = 0, long l4 = 0)
  {
    XClientMessageEvent m{};
    m.type = ClientMessage;
    m.display = mDisplay;
    m.window = target;
    m.message_type = Intern(type);
    m.format = 32;
    m.data.l[0] = static_cast<long>(mWindow);
    m.data.l[1] = l1;
    m.data.l[2] = l2;
    m.data.l[3] = l3;
    m.data.l[4] = l4;
    XSendEvent(mDisplay, target, False, NoEventMask, reinterpret_cast<XEvent*>(&m));
  }
  Display* mDisplay;
  Window mWindow;
  Atom mFinishedAction = None;
  Window mFinishedWindow = None, mStatusWindow = None;
  std::pair<long, long> mStatusRectangle{-1, -1};
  Atom mStatusAction = None;
};

} // namespace testsupport
