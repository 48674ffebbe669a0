// Scripted sessions with the X11 back end, at screen scales 1 and 2, recorded as text and compared line by line
// with a reference in golden/ (DROVIK_UPDATE_GOLDEN=1 rewrites it): real pointer moves, clicks, multiple clicks,
// drags, the wheel and keys with modifiers sent through the server, and what the view's responder got from them
// (kind, place in points, modifiers, click count, wheel step, key code, characters); points converted to and from
// the screen; the value field's window, caret, selection and text as it is clicked, dragged and typed in; text
// from the clipboard in both of its types; a menu's and a submenu's windows and what keys, clicks and the wheel
// choose in them; an alert's window and the answers of its buttons. Skips without a display.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "golden_text.h"
#include "wait_for.h"
#include "x11_children.h"
#include "x11_clipboard_owner.h"
#include "x11_display.h"
#include "x11_host_window.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "appkit/menu.h"
#include "appkit/panels.h"
#include "appkit/x11_application.h"
#include "foundation/main_thread.h"

namespace appkit {
namespace {

using testsupport::WaitFor;

std::string Num(double v)
{
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

std::string Chars(const std::u32string& s)
{
  std::string out;
  for (char32_t c : s)
  {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%sU+%04X", out.empty() ? "" : ",", unsigned(c));
    out += buf;
  }
  return out.empty() ? "-" : out;
}

std::string Modifiers(uint32_t flags)
{
  std::string out;
  out += flags & kModifierShift ? 'S' : '-';
  out += flags & kModifierControl ? 'C' : '-';
  out += flags & kModifierOption ? 'O' : '-';
  out += flags & kModifierCommand ? 'M' : '-';
  if (flags & ~(kModifierShift | kModifierControl | kModifierOption | kModifierCommand))
    out += "+other";
  return out;
}

const char* TypeName(EventType t)
{
  static const char* const names[] = {"LeftDown", "LeftUp",       "RightDown",   "RightUp", "Moved", "LeftDragged",
                                      "RightDragged", "Entered", "Exited",     "Wheel",   "KeyDown", "KeyUp"};
  return names[static_cast<int>(t)];
}

/// Records every event the view hands on as a line of text; takes the events but keys, which go on to the host.
class LineRecorder final : public ViewResponder
{
public:
  bool SendEvent(const Event& e) override
  {
    std::string line = std::string(TypeName(e.type)) + " " + Num(e.locationInView.x) + "," + Num(e.locationInView.y) +
                       " " + Modifiers(e.modifierFlags);
    const bool key = e.type == EventType::kKeyDown || e.type == EventType::kKeyUp;
    if (e.type == EventType::kScrollWheel)
      line += " step " + Num(e.deltaY);
    else if (key)
      line += " code " + (e.keyCode >= 256 ? std::string("x11") : std::to_string(e.keyCode)) + " chars " +
              Chars(e.charactersIgnoringModifiers);
    else if (e.type != EventType::kMouseMoved && e.type != EventType::kMouseEntered &&
             e.type != EventType::kMouseExited)
      line += " clicks " + std::to_string(e.clickCount);
    std::lock_guard<std::mutex> lock(mMutex);
    mLines.push_back(line);
    return !key;
  }
  bool DraggingEntered(const std::vector<std::string>&) override { return false; }
  bool PerformDragOperation(const std::vector<std::string>&, Point) override { return false; }
  std::string ToolTipAt(Point) override { return ""; }
  void ViewDidChangeBackingScale(double scale) override { mScale = scale; }
  void ViewWindowDestroyed() override {}

  /// Takes the lines recorded so far.
  std::vector<std::string> Take()
  {
    std::lock_guard<std::mutex> lock(mMutex);
    return std::exchange(mLines, {});
  }
  size_t Count()
  {
    std::lock_guard<std::mutex> lock(mMutex);
    return mLines.size();
  }
  double mScale = 0.0;

private:
  std::mutex mMutex;
  std::vector<std::string> mLines;
};

/// Compares the recorded lines with the reference file of that name, or rewrites it under DROVIK_UPDATE_GOLDEN=1.
void CompareWithReference(const std::string& name, const std::vector<std::string>& lines)
{
  const std::string differences = goldentext::Compare(std::string(DROVIK_APPKIT_GOLDEN_DIR) + "/" + name, goldentext::Joined(lines));
  EXPECT_TRUE(differences.empty()) << name << " differs from its reference:\n" << differences;
}

/// Every key symbol the tests below put on spare keys: none is on a key of the server's own keyboard.
constexpr KeySym kMapped[] = {0x1F,      0x7F,      0x80,      0x9F,      0xA0,      0xE9,      0xFF,
                              0x100,     0x10000FF, 0x1000100, 0x10020AC, 0x110FFFF, 0x1110000, XK_F35};

class X11Session : public X11HostWindow
{
protected:
  void TearDown() override
  {
    if (mHost) // none when the test was skipped for want of a display
    {
      testsupport::SetScreenDpi(mHost, nullptr);
      RestoreSpareKeys();
    }
    X11HostWindow::TearDown();
  }

  /// Opens our view system again (a new connection reads the screen's scale and keyboard) and a view of 468 by
  /// 450 points in the host's window; waits until it shows.
  Window OpenAtScale(int scale)
  {
    testsupport::SetScreenDpi(mHost, scale == 2 ? "192" : "96");
    foundation::MainThreadScope main;
    mView.reset();
    mApp.reset();
    mApp = MakeX11Application();
    if (!mApp)
      return 0;
    mView = mApp->CreateView(mRecorder, Rect(0, 0, 468, 450));
    if (!mView->AddToParent(reinterpret_cast<void*>(mParent)))
      return 0;
    const std::vector<Window> children = testsupport::ChildWindows(mHost, mParent);
    if (children.size() != 1)
      return 0;
    const Window child = children[0];
    const bool shown = WaitFor([&] {
      XWindowAttributes wa{};
      return XGetWindowAttributes(mHost, child, &wa) && wa.map_state == IsViewable;
    });
    return shown ? child : 0;
  }

  /// Gives spare key codes (with no key on them) the key symbols, one each; they are taken away after the test.
  /// The codes are taken from the top of the range, so that each run maps the same symbols to the same codes.
  std::vector<KeyCode> SpareKeys(const std::vector<KeySym>& syms)
  {
    int minCode = 0, maxCode = 0, perCode = 0;
    XDisplayKeycodes(mHost, &minCode, &maxCode);
    KeySym* map = XGetKeyboardMapping(mHost, KeyCode(minCode), maxCode - minCode + 1, &perCode);
    std::vector<KeyCode> codes;
    for (int code = maxCode; code >= minCode && codes.size() < syms.size(); --code)
    {
      // Empty, or holding only a symbol these tests map (left by a run that was stopped).
      const KeySym* at = &map[(code - minCode) * perCode];
      bool spare = at[0] == NoSymbol || std::find(std::begin(kMapped), std::end(kMapped), at[0]) != std::end(kMapped);
      for (int i = 1; i < perCode; ++i)
        spare = spare && (at[i] == NoSymbol || at[i] == at[0]);
      if (spare)
        codes.push_back(KeyCode(code));
    }
    XFree(map);
    for (size_t i = 0; i < codes.size(); ++i)
    {
      KeySym sym = syms[i];
      XChangeKeyboardMapping(mHost, codes[i], 1, &sym, 1);
      mSpare.push_back(codes[i]);
    }
    XSync(mHost, False);
    return codes;
  }
  void RestoreSpareKeys()
  {
    for (KeyCode code : mSpare)
    {
      KeySym none = NoSymbol;
      XChangeKeyboardMapping(mHost, code, 1, &none, 1);
    }
    mSpare.clear();
    XSync(mHost, False);
  }

  void Move(int x, int y) { XTestFakeMotionEvent(mHost, -1, x, y, 0); }
  void Button(unsigned button, bool down = true, bool up = true)
  {
    if (down)
      XTestFakeButtonEvent(mHost, button, True, 0);
    if (up)
      XTestFakeButtonEvent(mHost, button, False, 0);
  }
  void Key(KeyCode code, bool down)
  {
    if (code)
      XTestFakeKeyEvent(mHost, code, down ? True : False, 0);
  }
  void Type(KeySym sym, KeySym modifier = 0)
  {
    Key(modifier ? XKeysymToKeycode(mHost, modifier) : 0, true);
    Key(XKeysymToKeycode(mHost, sym), true);
    Key(XKeysymToKeycode(mHost, sym), false);
    Key(modifier ? XKeysymToKeycode(mHost, modifier) : 0, false);
  }
  /// Waits until the view has handed on n more events than the log holds; moves them to the log.
  void Collect(size_t n, std::vector<std::string>& log)
  {
    XSync(mHost, False);
    EXPECT_TRUE(WaitFor([&] { return mRecorder.Count() >= n; })) << "only " << mRecorder.Count() << " of " << n;
    for (std::string& l : mRecorder.Take())
      log.push_back(std::move(l));
  }

  LineRecorder mRecorder;
  std::vector<KeyCode> mSpare;
};

TEST_F(X11Session, PointerAndKeysAtBothScreenScales)
{
  std::vector<std::string> log;
  // Key symbols at the edges of those that make characters, on keys of their own.
  const std::vector<KeySym> extra(std::begin(kMapped), std::end(kMapped));
  const std::vector<KeyCode> spare = SpareKeys(extra);
  ASSERT_EQ(spare.size(), extra.size());
  for (int scale : {1, 2})
  {
    SCOPED_TRACE("scale " + std::to_string(scale));
    Move(700, 700); // outside the host's window
    XSync(mHost, False);
    const Window view = OpenAtScale(scale);
    ASSERT_NE(view, 0u);
    log.push_back("== scale " + std::to_string(scale) + ", backing " + Num(mRecorder.mScale));
    mRecorder.Take();
    // The pointer: in whole pixels, so that at scale 2 odd pixels are half points.
    Move(201, 101);
    Move(203, 103);
    Collect(3, log); // entered, two moves
    Button(1);       // a click, a second one within four pixels, a third one five pixels further
    Move(207, 103);
    Button(1);
    Move(212, 103);
    Button(1);
    Collect(6, log);
    Move(260, 140);
    Button(1); // three presses in one place
    Button(1);
    Button(1);
    Button(3);
    Button(3);
    Collect(10, log);
    Button(1, true, false); // a drag with each button
    Move(271, 151);
    Move(280, 160);
    Button(1, false, true);
    Button(3, true, false);
    Move(300, 181);
    Button(3, false, true);
    Collect(7, log);
    for (unsigned wheel : {4u, 5u, 6u, 7u})
      Button(wheel);
    Button(2); // the middle button is not passed on
    Move(310, 190);
    Collect(5, log);
    // With modifiers held.
    int place = 0; // each click at a place of its own, too far from the one before for a multiple click
    for (KeySym mod : {XK_Shift_L, XK_Control_L, XK_Alt_L, XK_Super_L})
    {
      Key(XKeysymToKeycode(mHost, mod), true);
      Move(320 + 20 * place++, 200);
      Button(1);
      Button(4);
      Key(XKeysymToKeycode(mHost, mod), false);
      Move(330, 210);
      Collect(5, log);
    }
    // Leaving and coming back.
    Move(700, 700);
    Move(11, 13);
    Collect(3, log);

    XSetInputFocus(mHost, view, RevertToParent, CurrentTime);
    const KeySym keys[] = {XK_a,      XK_z,         XK_0,        XK_9,      XK_space,  XK_minus, XK_bracketleft,
                           XK_Return, XK_Tab,       XK_Escape,   XK_BackSpace, XK_Delete, XK_Insert, XK_Home,
                           XK_End,    XK_Page_Up,   XK_Page_Down, XK_Left,  XK_Right,  XK_Up,    XK_Down,
                           XK_F1,     XK_F2,        XK_F5,       XK_F12,    XK_Pause,  XK_KP_Multiply, XK_KP_Divide,
                           XK_KP_Subtract, XK_KP_Add, XK_KP_Enter, XK_KP_0, XK_KP_9, XK_grave,
                           XK_apostrophe, XK_slash};
    size_t made = 0;
    for (KeySym k : keys)
      if (XKeysymToKeycode(mHost, k))
      {
        Type(k);
        made += 2;
      }
    for (KeySym mod : {XK_Shift_L, XK_Control_L, XK_Alt_L, XK_Super_L})
    {
      Type(XK_b, mod);
      Type(XK_Tab, mod);
      made += 4;
    }
    for (KeyCode code : spare)
    {
      Key(code, true);
      Key(code, false);
      made += 2;
    }
    Collect(made, log);
    // Keys the responder did not take went on to the host's window (which hears presses only).
    size_t forwarded = 0;
    WaitFor([&] {
      while (XPending(mHost))
      {
        XEvent e;
        XNextEvent(mHost, &e);
        forwarded += e.type == KeyPress && e.xkey.window == mParent && e.xkey.send_event;
      }
      return forwarded >= made / 2;
    });
    log.push_back("key presses handed to the host: " + std::to_string(forwarded));

    // Points to and from the screen, the pointer's place and the screen.
    foundation::MainThreadScope main;
    log.push_back("screen height " + Num(mApp->MainScreenHeight()) + " scale " +
                  Num(mApp->MainScreenBackingScaleFactor()) + " view scale " + Num(mView->BackingScaleFactor()));
    log.push_back("pointer " + Num(mApp->MouseLocation().x) + "," + Num(mApp->MouseLocation().y));
    for (Point p : {Point{0, 0}, Point{30.5, 100.25}, Point{467, 449}})
    {
      const Point s = mView->ConvertToScreen(p);
      log.push_back("to screen " + Num(p.x) + "," + Num(p.y) + " -> " + Num(s.x) + "," + Num(s.y));
    }
    const double h = mApp->MainScreenHeight();
    for (Point p : {Point{0, h}, Point{100.5, h - 50.5}, Point{3, 7}})
    {
      const Point v = mView->ConvertFromScreen(p);
      log.push_back("from screen " + Num(p.x) + "," + Num(p.y) + " -> " + Num(v.x) + "," + Num(v.y));
    }
    for (Rect f : {Rect(10, 20, 100.5, 50), Rect(0, 0, 468, 450)})
    {
      mView->SetFrame(f);
      mApp->MouseLocation(); // a round trip: the server has done what came before it
      XWindowAttributes wa{};
      XGetWindowAttributes(mHost, view, &wa);
      const Rect got = mView->Frame();
      log.push_back("frame " + Num(got.origin.x) + "," + Num(got.origin.y) + " " + Num(got.size.width) + "x" +
                    Num(got.size.height) + " window " + std::to_string(wa.x) + "," + std::to_string(wa.y) + " " +
                    std::to_string(wa.width) + "x" + std::to_string(wa.height));
    }
    mView->SetFrameSize({200.5, 99});
    mApp->MouseLocation();
    XWindowAttributes wa{};
    XGetWindowAttributes(mHost, view, &wa);
    log.push_back("frame size 200.5x99 window " + std::to_string(wa.width) + "x" + std::to_string(wa.height));
  }
  CompareWithReference("x11_session_pointer_keys.txt", log);
}

// A frame that changed in some rectangles (one at the corner, one reaching past the edges) is kept whole, and frames
// of no pixels leave it be: once the window is exposed, all of it shows, the new pixels in those rectangles and the
// earlier ones everywhere else.
TEST_F(X11Session, AFrameChangedInPartsShowsWholeOnceExposed)
{
  const Window view = OpenAtScale(1);
  ASSERT_NE(view, 0u);
  constexpr int w = 468, h = 450;
  std::vector<uint8_t> before(w * h * 4), after(w * h * 4);
  for (size_t i = 0; i < before.size(); i += 4)
  {
    const int x = int(i / 4 % w), y = int(i / 4 / w);
    before[i] = uint8_t(x), before[i + 1] = uint8_t(y), before[i + 2] = 10, before[i + 3] = 255;
    after[i] = uint8_t(y), after[i + 1] = uint8_t(x), after[i + 2] = 220, after[i + 3] = 255;
  }
  const std::vector<Rect> changed = {Rect(100, 20, 49.5, 29.5), Rect(0, 0, 1, 1), Rect(450, 430, 40, 40),
                                     Rect(-5, 300, 20, 3)};
  std::vector<uint8_t> expected = before;
  for (const Rect& r : changed)
    for (int y = std::max(0, int(r.origin.y)); y < std::min(h, int(std::ceil(r.MaxY()))); ++y)
      for (int x = std::max(0, int(r.origin.x)); x < std::min(w, int(std::ceil(r.MaxX()))); ++x)
        std::memcpy(&expected[size_t(y * w + x) * 4], &after[size_t(y * w + x) * 4], 4);
  {
    foundation::MainThreadScope main;
    mView->PresentFrame({before.data(), w, h, size_t(w) * 4, {}});
    mView->PresentFrame({after.data(), w, h, size_t(w) * 4, changed});
    mView->PresentFrame({after.data(), w, 0, size_t(w) * 4, {}}); // frames of no pixels are left out
    mView->PresentFrame({after.data(), 0, h, 0, {}});
    mApp->MouseLocation(); // a round trip: the server has drawn what came before it
  }
  XClearArea(mHost, view, 0, 0, 0, 0, True); // black, then an expose: the view puts its whole image again
  XSync(mHost, False);
  int wrong = 0;
  const bool shown = WaitFor([&] {
    XImage* img = XGetImage(mHost, view, 0, 0, w, h, AllPlanes, ZPixmap);
    if (!img)
      return false;
    wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
      {
        const unsigned long p = XGetPixel(img, x, y);
        const uint8_t* e = &expected[size_t(y * w + x) * 4];
        wrong += (p & 0xFF) != e[0] || ((p >> 8) & 0xFF) != e[1] || ((p >> 16) & 0xFF) != e[2];
      }
    XDestroyImage(img);
    return wrong == 0;
  }, 3);
  EXPECT_TRUE(shown) << wrong << " pixels differ from the frame";
}

/// Counts the ends of editing.
class EndCounter final : public TextFieldDelegate
{
public:
  void ControlTextDidEndEditing() override { ++mEnds; }
  int mEnds = 0;
};

using goldentext::Hex;

/// Asks the clipboard's owner for its text as the target type, as another program would; gives the type and
/// bytes of the answer, or "refused".
std::string RequestClipboard(Display* display, Window requestor, const char* target)
{
  const Atom property = XInternAtom(display, "SESSION_ANSWER", False);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False), targetAtom = XInternAtom(display, target, False);
  const Time asked = 12345; // a timestamp of the asker's own, which the answer must repeat
  XConvertSelection(display, clipboard, targetAtom, property, requestor, asked);
  XSync(display, False);
  XEvent e{};
  if (!WaitFor([&] { return XCheckTypedWindowEvent(display, requestor, SelectionNotify, &e) == True; }))
    return "no answer";
  if (e.xselection.requestor != requestor || e.xselection.selection != clipboard || e.xselection.target != targetAtom ||
      e.xselection.time != asked)
    return "an answer to some other request";
  if (e.xselection.property == None)
    return "refused";
  Atom type = None;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display, requestor, property, 0, 1024, True, AnyPropertyType, &type, &format, &n, &after, &data);
  std::string bytes;
  if (data && format == 8)
    bytes.assign(reinterpret_cast<const char*>(data), n);
  else if (data && format == 32)
    for (unsigned long i = 0; i < n; ++i)
    {
      char* name = XGetAtomName(display, Atom(reinterpret_cast<const long*>(data)[i]));
      bytes += std::string(bytes.empty() ? "" : ",") + (name ? name : "?");
      XFree(name);
    }
  if (data)
    XFree(data);
  char* typeName = type ? XGetAtomName(display, type) : nullptr;
  const std::string out = std::string(typeName ? typeName : "none") + " " + (format == 8 ? Hex(bytes) : bytes);
  if (typeName)
    XFree(typeName);
  return out;
}

std::string FieldState(const TextField& f)
{
  return "\"" + Hex(f.StringValueUTF8()) + "\" caret " + std::to_string(f.Caret()) + " anchor " + std::to_string(f.Anchor());
}

TEST_F(X11Session, ValueFieldAndClipboardAtBothScreenScales)
{
  std::vector<std::string> log;
  const std::vector<KeySym> extra = {0xE9, 0x10020AC, 0x80, 0x7F, 0xFF};
  const std::vector<KeyCode> spare = SpareKeys(extra);
  ASSERT_EQ(spare.size(), extra.size());
  for (int scale : {1, 2})
  {
    SCOPED_TRACE("scale " + std::to_string(scale));
    Move(700, 700);
    XSync(mHost, False);
    const Window view = OpenAtScale(scale);
    ASSERT_NE(view, 0u);
    log.push_back("== scale " + std::to_string(scale));
    TextField field;
    EndCounter ends;
    field.delegate = &ends;
    field.frame = Rect(40, 100, 120, 20);
    field.stringValue = U"12.5";
    {
      foundation::MainThreadScope main;
      mView->AddTextField(field);
      log.push_back("opened " + FieldState(field));
    }
    std::vector<Window> fields;
    XWindowAttributes wa{};
    ASSERT_TRUE(WaitFor([&] {
      fields = testsupport::ChildWindows(mHost, view);
      return fields.size() == 1 && XGetWindowAttributes(mHost, fields[0], &wa) && wa.map_state == IsViewable;
    }));
    log.push_back("field window " + std::to_string(wa.x) + "," + std::to_string(wa.y) + " " +
                  std::to_string(wa.width) + "x" + std::to_string(wa.height));
    // Each step is followed by a move over the view away from the field: once that arrives, so has the step.
    int marker = 0;
    const auto logAfter = [&](const std::string& what) {
      const int x = 400 + marker++ % 2;
      Move(x, 20);
      XSync(mHost, False);
      const std::string moved = "Moved " + Num(double(x) / scale) + "," + Num(20.0 / scale) + " ";
      std::vector<std::string> seen;
      EXPECT_TRUE(WaitFor([&] {
        for (std::string& l : mRecorder.Take())
          seen.push_back(std::move(l));
        return std::any_of(seen.begin(), seen.end(), [&](const std::string& l) { return l.rfind(moved, 0) == 0; });
      })) << what;
      foundation::MainThreadScope main;
      log.push_back(what + ": " + FieldState(field));
    };
    logAfter("shown");
    const int fx = 40 * scale, fy = 100 * scale; // the field's corner on the screen
    // A press, a drag to the right and to the left; every pixel column that moves the caret to another stop.
    Move(fx + 9 * scale, fy + 5);
    Button(1, true, false);
    for (int x = 0; x <= 45; x += 5)
      Move(fx + x * scale, fy + 5);
    Button(1, false, true);
    logAfter("pressed at 9, dragged to 45");
    Move(fx + 44 * scale, fy + 5);
    Button(1, true, false);
    Move(fx + 12 * scale, fy + 5);
    Button(1, false, true);
    logAfter("pressed again at 44 (a double click), dragged to 12");
    const struct
    {
      KeySym key, modifier;
    } keys[] = {{XK_End, 0},        {XK_Left, XK_Shift_L}, {XK_Left, XK_Shift_L}, {XK_Home, 0},
                {XK_Right, XK_Shift_L}, {XK_Right, 0},     {XK_End, XK_Shift_L},  {XK_Left, 0},
                {XK_BackSpace, 0},  {XK_Home, 0},          {XK_Delete, 0},        {XK_7, 0},
                {XK_minus, 0},      {XK_period, 0},        {XK_a, XK_Shift_L},    {XK_space, 0},
                {XK_KP_Left, 0},    {XK_KP_Home, XK_Shift_L}, {XK_KP_Right, 0},   {XK_KP_End, 0},
                {XK_a, XK_Control_L}, {XK_Escape, 0},      {XK_Up, 0},            {XK_F1, 0}};
    for (const auto& k : keys)
    {
      if (!XKeysymToKeycode(mHost, k.key))
        continue;
      Type(k.key, k.modifier);
      logAfter(std::string(k.modifier ? "shift/control " : "") + XKeysymToString(k.key));
    }
    for (size_t i = 0; i < spare.size(); ++i)
    {
      Key(spare[i], true);
      Key(spare[i], false);
      logAfter("key symbol " + std::to_string(extra[i]));
    }
    // The clipboard: our own text, then another program's in either type.
    Type(XK_a, XK_Control_L);
    Type(XK_c, XK_Control_L);
    Type(XK_Left, 0);
    Type(XK_v, XK_Control_L);
    logAfter("copied all, pasted at the start");
    Type(XK_Home, 0);
    Type(XK_Right, XK_Shift_L);
    Type(XK_x, XK_Control_L);
    logAfter("cut the first character");
    {
      foundation::MainThreadScope main;
      std::string text;
      const bool read = mApp->StringFromPasteboard(text);
      log.push_back("clipboard " + std::string(read ? "" : "(none) ") + Hex(text));
    }
    // What another program gets from our clipboard, in each type it asks for.
    {
      foundation::MainThreadScope main;
      mApp->SetPasteboardString("\xC3\xA9\xE2\x82\xAC" "A\xC2\x80\xC3\xBF");
    }
    for (const char* target : {"TARGETS", "UTF8_STRING", "STRING", "TEXT"})
      log.push_back(std::string("asked for ") + target + ": " + RequestClipboard(mHost, mParent, target));
    for (const auto& [type, bytes] : {std::pair<const char*, std::string>{"STRING", "A\x7F\x80\xA0\xE9\xFF"},
                                      {"UTF8_STRING", "\xC3\xA9\xE2\x82\xAC\x31"}})
    {
      testsupport::ClipboardOwner owner(type, 8, bytes);
      Type(XK_End, 0);
      Type(XK_v, XK_Control_L);
      logAfter(std::string("pasted ") + type);
    }
    // A double click selects all; Return ends the editing.
    Move(fx + 30 * scale, fy + 5);
    Button(1);
    Button(1);
    logAfter("double click");
    Type(XK_Return, 0);
    logAfter("Return");
    log.push_back("editing ended " + std::to_string(ends.mEnds) + " times");
    foundation::MainThreadScope main;
    mView->RemoveTextField();
  }
  CompareWithReference("x11_session_value_field.txt", log);
}

/// A user on a connection of its own, playing while the main thread runs a modal menu or alert.
class Player
{
public:
  explicit Player(std::function<void(Display*)> play)
    : mThread([play] {
        Display* display = testsupport::OpenDisplayOrNull();
        play(display);
        XSync(display, False);
        XCloseDisplay(display);
      })
  {
  }
  ~Player() { mThread.join(); }

private:
  std::thread mThread;
};

std::string Geometry(const XWindowAttributes& wa)
{
  return std::to_string(wa.x) + "," + std::to_string(wa.y) + " " + std::to_string(wa.width) + "x" +
         std::to_string(wa.height) + " border " + std::to_string(wa.border_width);
}

/// The topmost shown window of this process on the root that is a menu (override_redirect) or not (an alert); false
/// at once when `over` is set (the window ended, or was given up on, before it was seen).
bool WaitForWindow(Display* display, bool menu, size_t level, XWindowAttributes& found, Window& window,
                   Window except = 0, const std::atomic<bool>* over = nullptr)
{
  return WaitFor([&] {
    if (over && *over)
      return true;
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &n);
    size_t seen = 0;
    for (unsigned i = 0; i < n; ++i)
    {
      XWindowAttributes wa{};
      if (children[i] != except && XGetWindowAttributes(display, children[i], &wa) && wa.map_state == IsViewable &&
          bool(wa.override_redirect) == menu && testsupport::MadeByThisProcess(display, children[i]))
      {
        found = wa;
        window = children[i];
        ++seen;
      }
    }
    if (children)
      XFree(children);
    return seen >= level;
  }) && !(over && *over);
}

void ClickAt(Display* display, int x, int y, unsigned button = 1)
{
  XTestFakeMotionEvent(display, -1, x, y, 0);
  XTestFakeButtonEvent(display, button, True, 0);
  XTestFakeButtonEvent(display, button, False, 0);
  XSync(display, False);
}

TEST_F(X11Session, MenusAndAlertsAtBothScreenScales)
{
  std::vector<std::string> log;
  for (int scale : {1, 2})
  {
    SCOPED_TRACE("scale " + std::to_string(scale));
    ASSERT_NE(OpenAtScale(scale), 0u);
    log.push_back("== scale " + std::to_string(scale));
    const int row = 20 * scale;
    std::string chosen;
    Menu menu;
    const auto add = [&](Menu& m, const std::string& title) -> MenuItem& {
      return m.AddItem(title, [&chosen, title](MenuItem&) { chosen = title; });
    };
    add(menu, "first");
    add(menu, "second").enabled = false;
    menu.AddSeparatorItem();
    menu.AddItem("folder", nullptr);
    auto sub = std::make_unique<Menu>();
    for (int i = 0; i < 60; ++i)
      add(*sub, "sub " + std::to_string(i));
    menu.SetSubmenu(std::move(sub), menu.ItemAt(3));
    for (const char* title : {"fifth", "sixth", "seventh"})
      add(menu, title);
    XWindowAttributes subShown{}; // a submenu the user opened
    // What the user does in the shown menu (its window's attributes given), where the menu pops up.
    const struct
    {
      std::string what;
      Point at;
      std::function<void(Display*, const XWindowAttributes&, Window)> play;
    } runs[] = {
      {"keys Down, Down, Down, Return", {10, 10}, [&](Display* d, const XWindowAttributes&, Window w) {
         for (KeySym k : {XK_Down, XK_Down, XK_Down, XK_Return})
           SendKey(d, w, k);
       }},
      {"keys End, Up, Up, Up, Right, Down, Return", {10, 10}, [&](Display* d, const XWindowAttributes&, Window w) {
         for (KeySym k : {XK_End, XK_Up, XK_Up, XK_Up, XK_Right})
           SendKey(d, w, k);
         Window subWindow = 0;
         if (WaitForWindow(d, true, 2, subShown, subWindow))
           for (KeySym k : {XK_Down, XK_Down, XK_Return})
             SendKey(d, subWindow, k);
       }},
      {"click in row 6 at its first pixel", {30.5, 40.5}, [&](Display* d, const XWindowAttributes& m, Window) {
         ClickAt(d, m.x + m.border_width + 10, m.y + m.border_width + 5 * row);
       }},
      {"click in row 5 at its last pixel", {30.5, 40.5}, [&](Display* d, const XWindowAttributes& m, Window) {
         ClickAt(d, m.x + m.border_width + m.width - 1, m.y + m.border_width + 5 * row - 1);
       }},
      {"the wheel over the submenu, then a click in its first row", {100, 200},
       [&](Display* d, const XWindowAttributes& m, Window) {
         XTestFakeMotionEvent(d, -1, m.x + 5, m.y + 3 * row + row / 2, 0); // over "folder"
         Window subWindow = 0;
         if (!WaitForWindow(d, true, 2, subShown, subWindow))
           return;
         for (int i = 0; i < 3; ++i)
           ClickAt(d, subShown.x + 20, subShown.y + row + row / 2, i < 2 ? 5 : 4);
         ClickAt(d, subShown.x + 20, subShown.y + row + row / 2);
       }},
      {"click on the border at the window's top left", {30.5, 40.5}, [&](Display* d, const XWindowAttributes& m, Window) {
         ClickAt(d, m.x, m.y);
       }},
      {"click at its last inside pixel", {30.5, 40.5}, [&](Display* d, const XWindowAttributes& m, Window) {
         ClickAt(d, m.x + m.border_width + m.width - 1, m.y + m.border_width + m.height - 1);
       }},
      {"over its last inside pixel, click just below it", {30.5, 40.5},
       [&](Display* d, const XWindowAttributes& m, Window) {
         XTestFakeMotionEvent(d, -1, m.x + m.border_width + m.width - 1, m.y + m.border_width + m.height - 1, 0);
         ClickAt(d, m.x + m.border_width + m.width - 1, m.y + m.border_width + m.height);
       }},
      {"near the view's far corner, Escape", {460, 440}, [&](Display* d, const XWindowAttributes&, Window w) {
         SendKey(d, w, XK_Escape);
       }},
    };
    for (const auto& run : runs)
    {
      chosen = "(nothing)";
      subShown = {};
      XWindowAttributes shown{};
      Move(1279, 0); // away from every menu: no row starts highlighted
      XSync(mHost, False);
      {
        Player player([&](Display* d) {
          Window w = 0;
          if (!WaitForWindow(d, true, 1, shown, w))
            return;
          run.play(d, shown, w);
          WaitFor([&] { return testsupport::ShownPopups(d).empty(); }, 3) || (SendKey(d, w, XK_Escape), true);
        });
        foundation::MainThreadScope main;
        const MenuItem* item = mApp->PopUpMenu(menu, run.at, *mView);
        log.push_back(run.what + ": menu " + Geometry(shown) + (subShown.width ? " submenu " + Geometry(subShown) : "") +
                      " chose " + chosen + (item ? " item " + item->title : " no item"));
      }
    }

    // Without a file or colour chooser program an alert says so, and nothing is chosen.
    {
      const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
      setenv("PATH", "/nonexistent", 1);
      for (int kind = 0; kind < 2; ++kind)
      {
        XWindowAttributes shown{};
        FilePanel panel;
        int answer = 0;
        {
          std::atomic<bool> over{false};
          Player player([&](Display* d) {
            Window w = 0;
            if (WaitForWindow(d, false, 1, shown, w, mParent, &over))
              SendKey(d, w, XK_Return);
          });
          foundation::MainThreadScope main;
          answer = testsupport::RunAnswered(kind == 0 ? "No file chooser" : "No colour chooser", [&] {
            return kind == 0 ? mApp->RunFilePanel(panel)
                             : int(mApp->ShowColorPanel({0.5, 0.25, 1.0, 1.0}, [](const DeviceColor&) {}));
          });
          over = true;
        }
        log.push_back(std::string(kind == 0 ? "file" : "colour") + " chooser missing: alert " + Geometry(shown) +
                      " answers " + std::to_string(answer) + " \"" + panel.filename + "\"");
      }
      setenv("PATH", path.c_str(), 1);
    }
    // Alerts: where each shows, and what a click at each edge of each button (or just beside it) answers. A
    // click that misses is followed by a key whose answer differs from the button aimed at.
    const AlertPanel alerts[] = {
      {"Replace the preset?", "A preset of that name exists in the folder; replacing it cannot be undone.", "Replace",
       "Cancel", "Keep both"},
      {"Note", "", "", "", ""},
      {"Note", "0123456789 0123456789 0123456789 0123456789 z", "", "", ""}, // a line 351 points wide
      {"0123456789 0123456789 0123456789 0123456789 z", "", "", "", ""}, // a title as wide
    };
    for (const AlertPanel& alert : alerts)
    {
      const bool one = alert.defaultButton.empty(); // its only button gives the same answer as either key
      for (int aimed = 0; aimed < (one ? 1 : 3); ++aimed)
        for (int corner = 0; corner < (one ? 1 : 5); ++corner)
        {
          XWindowAttributes shown{};
          int answer = 0;
          {
            std::atomic<bool> over{false}; // the alert ended or was given up on: stop waiting for it
            Player player([&](Display* d) {
              Window w = 0;
              if (!WaitForWindow(d, false, 1, shown, w, mParent, &over))
                return;
              const int step = 86 * scale, left = shown.width - (aimed + 1) * step, top = shown.height - 26 * scale;
              // Inside at the top left and bottom right pixels; outside just left of, just below and just right of
              // the button.
              const int xs[] = {left, left + 80 * scale - 1, left - 1, left + 5, left + 80 * scale};
              const int ys[] = {top, top + row - 1, top + 5, top + row, top + 5};
              const int inside = shown.border_width;
              XTestFakeMotionEvent(d, -1, shown.x + inside + xs[corner], shown.y + inside + ys[corner], 0);
              XSetInputFocus(d, w, RevertToParent, CurrentTime);
              XTestFakeButtonEvent(d, 1, True, 0);
              XTestFakeButtonEvent(d, 1, False, 0);
              XSync(d, False);
              SendKey(d, w, aimed == 0 ? XK_Escape : XK_Return);
            });
            foundation::MainThreadScope main;
            answer = testsupport::RunAlertAnswered(*mApp, alert);
            over = true;
          }
          log.push_back("alert \"" + alert.title + "\" at " + Geometry(shown) + " button " + std::to_string(aimed) +
                        " corner " + std::to_string(corner) + " answers " + std::to_string(answer));
        }
    }
  }
  CompareWithReference("x11_session_menus_alerts.txt", log);
}

} // namespace
} // namespace appkit
