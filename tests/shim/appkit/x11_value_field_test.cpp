// The X11 value field as the user types and points in it: the keys that move the caret, with Shift extending the
// selection and without it collapsing it; clicks, Shift-clicks, drags and double clicks. Skips without a display.

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

// After the test framework: X defines macros (None, Bool) that its headers would trip over.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "appkit/x11_application.h"
#include "foundation/main_thread.h"
#include "wait_for.h"
#include "x11_children.h"
#include "x11_host_window.h"
#include "x11_typing.h"

namespace appkit {
namespace {

using testsupport::WaitFor;

class X11ValueField : public X11HostWindow
{
protected:
  /// Opens the view with a field holding the text, the caret at its end and the keyboard on the field.
  void OpenField(const std::u32string& text, TextAlignment alignment = TextAlignment::kLeft)
  {
    {
      foundation::MainThreadScope main;
      mView = mApp->CreateView(mResponder, Rect(0, 0, 468, 450));
      ASSERT_TRUE(mView->AddToParent(reinterpret_cast<void*>(mParent)));
      mField.frame = Rect(40, 100, 120, 20);
      mField.stringValue = text;
      mField.fontSize = 10.0; // the plain painter's characters: six points each
      mField.alignment = alignment;
      mView->AddTextField(mField);
      mField.SetCaret(text.size(), false);
    }
    std::vector<Window> fields;
    ASSERT_TRUE(WaitFor([&] {
      const std::vector<Window> views = testsupport::ChildWindows(mHost, mParent);
      fields = views.empty() ? views : testsupport::ChildWindows(mHost, views[0]);
      XWindowAttributes wa{};
      return fields.size() == 1 && XGetWindowAttributes(mHost, fields[0], &wa) && wa.map_state == IsViewable;
    }));
    mFieldWindow = fields[0];
    XSetInputFocus(mHost, fields[0], RevertToParent, CurrentTime);
    XSync(mHost, False);
  }
  /// The columns of the field's window where its middle row is dark: the caret, the plain painter drawing no text.
  std::vector<int> DarkColumns()
  {
    std::vector<int> dark;
    XImage* image = XGetImage(mHost, mFieldWindow, 0, 0, 120, 20, AllPlanes, ZPixmap);
    if (!image)
      return dark;
    for (int x = 0; x < 120; ++x)
      if ((XGetPixel(image, x, 10) & 0xFF) < 128)
        dark.push_back(x);
    XDestroyImage(image);
    return dark;
  }
  /// The columns of the field's window where its middle row is neither the white background nor dark: the
  /// selection's light blue.
  std::vector<int> SelectedColumns()
  {
    std::vector<int> selected;
    XImage* image = XGetImage(mHost, mFieldWindow, 0, 0, 120, 20, AllPlanes, ZPixmap);
    if (!image)
      return selected;
    for (int x = 0; x < 120; ++x)
    {
      const unsigned long p = XGetPixel(image, x, 10) & 0xFFFFFF;
      if (p != 0xFFFFFF && (p & 0xFF) >= 128)
        selected.push_back(x);
    }
    XDestroyImage(image);
    return selected;
  }
  /// The columns from first up to last, both included.
  static std::vector<int> Columns(int first, int last)
  {
    std::vector<int> columns;
    for (int x = first; x <= last; ++x)
      columns.push_back(x);
    return columns;
  }
  /// Waits until the caret is drawn in the one column.
  bool CaretSeenAt(int x)
  {
    return WaitFor([&] { return DarkColumns() == std::vector<int>{x}; });
  }
  /// Types the key (with the modifier) and waits until the field's selection is [start, end).
  bool TypeAndSee(KeySym key, KeySym modifier, size_t start, size_t end)
  {
    testsupport::TypeKey(mHost, key, modifier);
    return WaitFor([&] {
      foundation::MainThreadScope main;
      return mField.SelectionStart() == start && mField.SelectionEnd() == end;
    });
  }
  void TearDown() override
  {
    if (mView)
    {
      foundation::MainThreadScope main;
      mView->RemoveTextField();
    }
    X11HostWindow::TearDown();
  }

  QuietResponder mResponder;
  TextField mField;
  Window mFieldWindow = 0;
};

TEST_F(X11ValueField, ShiftWithTheCaretKeysSelectsAndTheKeysAloneCollapseTheSelection)
{
  OpenField(U"12.5");
  ASSERT_TRUE(TypeAndSee(XK_Left, XK_Shift_L, 3, 4)) << "Shift+Left selects the last character";
  ASSERT_TRUE(TypeAndSee(XK_Left, XK_Shift_L, 2, 4)) << "and one more";
  ASSERT_TRUE(TypeAndSee(XK_Left, 0, 2, 2)) << "Left alone goes to the selection's start";
  ASSERT_TRUE(TypeAndSee(XK_End, XK_Shift_L, 2, 4)) << "Shift+End selects to the end";
  ASSERT_TRUE(TypeAndSee(XK_Right, 0, 4, 4)) << "Right alone goes to the selection's end";
  ASSERT_TRUE(TypeAndSee(XK_Home, XK_Shift_L, 0, 4)) << "Shift+Home selects back to the start";
  ASSERT_TRUE(TypeAndSee(XK_Right, XK_Shift_L, 1, 4)) << "Shift+Right moves the caret, keeping the anchor";
  testsupport::TypeKey(mHost, XK_9);
  EXPECT_TRUE(WaitFor([&] {
    foundation::MainThreadScope main;
    return mField.stringValue == U"19";
  })) << "a typed character replaces the selection";
  EXPECT_TRUE(TypeAndSee(XK_a, XK_Super_L, 0, 2)) << "Super, as Command, with A selects everything";
  EXPECT_TRUE(TypeAndSee(XK_Left, 0, 0, 0));
  EXPECT_TRUE(TypeAndSee(XK_a, XK_Control_L, 0, 2)) << "and so does Control";
}

// A single click puts the caret at the nearest stop between characters (six points each, two points in from the
// left); a click halfway between two stops takes the earlier one. The first click is a single one even at the
// server's time 0, as synthetic events often carry.
TEST_F(X11ValueField, AClickPutsTheCaretAtTheNearestStopAndHalfwayAtTheEarlier)
{
  OpenField(U"abcd");
  auto send = [&](int type, int x, unsigned state, unsigned button, Time time) {
    XEvent e{};
    if (type == MotionNotify)
    {
      e.xmotion = XMotionEvent{};
      e.xmotion.type = MotionNotify;
      e.xmotion.display = mHost;
      e.xmotion.window = mFieldWindow;
      e.xmotion.x = x;
      e.xmotion.y = 10;
      e.xmotion.state = state;
      e.xmotion.time = time;
      e.xmotion.same_screen = True;
      XSendEvent(mHost, mFieldWindow, False, NoEventMask, &e);
    }
    else
    {
      XButtonEvent& b = e.xbutton;
      b.display = mHost;
      b.window = mFieldWindow;
      b.x = x;
      b.y = 10;
      b.button = button;
      b.state = state;
      b.time = time;
      b.same_screen = True;
      for (int kind : {ButtonPress, ButtonRelease})
      {
        b.type = kind;
        XSendEvent(mHost, mFieldWindow, False, NoEventMask, &e);
      }
    }
    XSync(mHost, False);
  };
  auto selectionIs = [&](size_t start, size_t end) {
    return WaitFor([&] {
      foundation::MainThreadScope main;
      return mField.SelectionStart() == start && mField.SelectionEnd() == end;
    });
  };
  Time time = 0;
  for (auto [x, caret] : {std::pair{4, 0}, {5, 0}, {6, 1}, {11, 1}, {12, 2}, {23, 3}, {24, 4}, {90, 4}, {0, 0}})
  {
    send(ButtonPress, x, 0, Button1, time);
    time += 10000; // far apart: never a double click
    EXPECT_TRUE(selectionIs(size_t(caret), size_t(caret))) << "click at " << x;
  }
  // A click with Shift and a drag move the caret and keep the anchor; a press of another button does nothing;
  // two presses of the first at most 400 milliseconds apart select everything.
  const struct
  {
    int type, x;
    unsigned state, button;
    Time time;
    size_t start, end;
  } steps[] = {
    {ButtonPress, 18, ShiftMask, Button1, 100000, 0, 3}, {MotionNotify, 8, Button1Mask, 0, 100010, 0, 1},
    {MotionNotify, 90, Button1Mask, 0, 100020, 0, 4},    {ButtonPress, 6, 0, Button3, 100030, 0, 4},
    {ButtonPress, 8, 0, Button1, 200000, 1, 1},          {ButtonPress, 14, 0, Button1, 200401, 2, 2},
    {ButtonPress, 14, 0, Button1, 200801, 0, 4},
  };
  for (const auto& step : steps)
  {
    send(step.type, step.x, step.state, step.button, step.time);
    EXPECT_TRUE(selectionIs(step.start, step.end)) << "at " << step.time;
  }
}

// The selection is drawn behind its characters and no further: six points each, two points in from the left.
TEST_F(X11ValueField, TheSelectionIsDrawnOverItsCharactersOnly)
{
  OpenField(U"12.5");
  ASSERT_TRUE(TypeAndSee(XK_Left, XK_Shift_L, 3, 4));
  ASSERT_TRUE(TypeAndSee(XK_Left, XK_Shift_L, 2, 4));
  EXPECT_TRUE(WaitFor([&] { return SelectedColumns() == Columns(14, 25); }))
    << ::testing::PrintToString(SelectedColumns());
  ASSERT_TRUE(TypeAndSee(XK_Home, XK_Shift_L, 0, 4));
  EXPECT_TRUE(WaitFor([&] { return SelectedColumns() == Columns(2, 25); }))
    << ::testing::PrintToString(SelectedColumns());
}

TEST_F(X11ValueField, ATextWiderThanTheFieldScrollsToKeepTheCaretInsideItsPadding)
{
  // 120 points wide with two points of padding on each side: 19 characters of six points fit, 20 do not.
  const struct
  {
    std::u32string text;
    TextAlignment alignment;
    int caretAtEnd, caretAtStart;
  } cases[] = {
    {std::u32string(19, U'8'), TextAlignment::kLeft, 2 + 114, 2},
    {std::u32string(20, U'8'), TextAlignment::kLeft, 118, 2},
    {std::u32string(22, U'8'), TextAlignment::kRight, 118, 2},
    {std::u32string(10, U'8'), TextAlignment::kRight, 118, 118 - 60},
    {std::u32string(10, U'8'), TextAlignment::kCenter, 90, 30},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.text.size());
    OpenField(c.text, c.alignment);
    EXPECT_TRUE(CaretSeenAt(c.caretAtEnd)) << "caret columns: " << ::testing::PrintToString(DarkColumns());
    testsupport::TypeKey(mHost, XK_Home);
    EXPECT_TRUE(CaretSeenAt(c.caretAtStart)) << "caret columns: " << ::testing::PrintToString(DarkColumns());
    foundation::MainThreadScope main;
    mView->RemoveTextField();
    mView.reset();
  }
}

} // namespace
} // namespace appkit
