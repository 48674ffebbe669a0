// The X11 back end's clipboard: answering other programs' requests for the text we own, and asking a selection's
// owner for its text (the pasteboard's, or a drop's) with a nested wait for the answer.
#include "appkit/x11_backend.h"

#include <chrono>
#include <utility>

namespace appkit {
namespace x11 {

namespace {

/// How long a clipboard owner has to answer.
constexpr double kSelectionTimeout = 1.0;

/// Our UTF-8 text as Latin-1 (the STRING type); a character Latin-1 lacks becomes a question mark.
std::string Latin1FromUTF8(const std::string& text)
{
  std::string out;
  for (const char32_t c : UTF32FromUTF8(text))
    out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
  return out;
}

} // namespace

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
      const std::string text = r.target == utf8 ? mClipboard : Latin1FromUTF8(mClipboard);
      XChangeProperty(mDisplay, r.requestor, r.property, r.target, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
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
  // Input held during the last wait (more pastes typed while the owner kept us waiting, say), and the keys a host
  // queued meanwhile and hands on now, take that wait's answer, or its lack of one: a burst of requests costs one
  // wait, not one each.
  const Window owner = XGetSelectionOwner(mDisplay, selection);
  const bool inBurst = mServingReplay || (mServingHostKey && mHostKeyBurst);
  if (inBurst && selection == mSelectionAsked && target == mSelectionTarget && owner == mSelectionOwner &&
      !SelectionOwnerGone())
    ServeQueuedEventsSoon(); // the round trip may have queued events
  else
  {
    ErrorTrap trap(mDisplay);
    mSelectionWaiting = true;
    mSelectionDone = false;
    mSelectionAsked = selection;
    mSelectionTarget = target;
    WatchSelectionOwner(owner);
    mSelectionData.clear();
    XConvertSelection(mDisplay, selection, target, InternAtom("DROVIK_SELECTION"), mHelper, CurrentTime);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(kSelectionTimeout);
    RunModal([&] { return mSelectionDone || std::chrono::steady_clock::now() > limit; });
    mSelectionWaiting = false;
    mHostKeyBurst = mServingHostKey; // only a wait in the host's call held the host's keys
    mHostKeyBurstMark = foundation::RunLoop::Main().Now();
    HandOnHeldInput();
  }
  const bool taken = mSelectionDone && mSelectionFormat == 8 &&
                     std::find(types.begin(), types.end(), mSelectionType) != types.end();
  if (taken)
  {
    data = mSelectionData;
    type = mSelectionType;
  }
  return taken;
}

bool X11Application::ForeignWindow(Window w) const { return w != None && w != mHelper && !mViews.count(w); }

void X11Application::WatchSelectionOwner(Window owner)
{
  if (ForeignWindow(mSelectionOwner) && mSelectionOwner != owner && !mSelectionOwnerGone)
    XSelectInput(mDisplay, mSelectionOwner, NoEventMask);
  mSelectionOwner = owner;
  mSelectionOwnerGone = false;
  // Our own windows keep the events they chose; another program's window tells us when it goes.
  if (ForeignWindow(owner))
    XSelectInput(mDisplay, owner, StructureNotifyMask);
}

bool X11Application::SelectionOwnerGone()
{
  if (mSelectionOwnerGone || !ForeignWindow(mSelectionOwner))
    return mSelectionOwnerGone;
  // The round trip that found the owner read every event sent before it, whether or not the pump has served them:
  // look for the owner's end among those still queued, leaving the queue as it is.
  struct Search
  {
    Window window;
    bool found;
  } search{mSelectionOwner, false};
  XEvent e;
  XCheckIfEvent(
    mDisplay, &e,
    [](Display*, XEvent* queued, XPointer argument) -> Bool {
      auto* s = reinterpret_cast<Search*>(argument);
      s->found = s->found || (queued->type == DestroyNotify && queued->xdestroywindow.window == s->window);
      return False;
    },
    reinterpret_cast<XPointer>(&search));
  mSelectionOwnerGone = search.found;
  return mSelectionOwnerGone;
}

bool X11Application::HandleHostKey(const std::function<bool()>& handle)
{
  auto& loop = foundation::RunLoop::Main();
  mHostKeyBurst = mHostKeyBurst && loop.Now() - mHostKeyBurstMark <= kHostKeyBurstGap;
  struct Serving
  {
    bool& flag;
    bool outer;
    ~Serving() { flag = outer; }
  } serving{mServingHostKey, std::exchange(mServingHostKey, true)};
  const bool taken = handle();
  if (mHostKeyBurst)
    mHostKeyBurstMark = loop.Now();
  return taken;
}

void X11Application::HandOnHeldInput()
{
  // Xlib puts an event back at the head of its queue: the last one first. They are served once the handler that
  // waited returns (its pump goes on), or by the wake-up; the pump counts them off as it reads them again.
  for (auto it = mHeldInput.rbegin(); it != mHeldInput.rend(); ++it)
    XPutBackEvent(mDisplay, &*it);
  mReplaysLeft += mHeldInput.size();
  mHeldInput.clear();
  ServeQueuedEventsSoon();
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

namespace {

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

} // namespace

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

} // namespace x11
} // namespace appkit
