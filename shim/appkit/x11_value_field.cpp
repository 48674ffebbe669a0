// The X11 back end's value field and tool tips: the one-line text field edited in a child window of the view
// (caret, selection, keys), and the tool tip shown when the pointer rests in one of the view's tool-tip rectangles.
#include "appkit/x11_backend.h"

#include <cmath>

#include "foundation/utf8.h"

namespace appkit {
namespace x11 {

void X11View::AddTextField(TextField& field)
{
  RemoveTextField();
  if (!mWindow)
    return;
  Display* display = mApp.DisplayConnection();
  const int scale = mApp.Scale();
  mField = &field;
  ++mFieldSerial;
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

namespace {

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

} // namespace

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
    // A paste may wait for the clipboard's owner; the field is looked up again once the answer is in.
    if (state & (ControlMask | Mod4Mask))
      EditWithPasteboard(
        [this, serial = mFieldSerial] { return mFieldSerial == serial ? mField : nullptr; }, chars[0],
        [this](std::string& text) { return mApp.StringFromPasteboard(text); },
        [this](const std::string& text) { return mApp.SetPasteboardString(text); });
    else
      mField->InsertCharacter(chars[0]);
    break;
  }
  DrawTextField();
  return true;
}

namespace {

/// How long the pointer rests before a tool tip shows, in seconds.
constexpr double kToolTipDelay = 0.6;

const DeviceColor kToolTipColor{1.0, 1.0, 0.88, 1.0};

/// Margins of a tool tip around its text, in points.
constexpr double kToolTipPadX = 4.0, kToolTipPadY = 3.0;

} // namespace

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

} // namespace x11
} // namespace appkit
