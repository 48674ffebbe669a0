// A view of the view system: a rectangle inside the host's window that shows the frames the editor draws, takes
// pointer and key events, shows a cursor, tool tips and a text field. The editor's own view class answers the
// view's events as the view's responder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "appkit/cursor.h"
#include "appkit/event.h"
#include "appkit/geometry.h"
#include "appkit/text_field.h"

namespace appkit {

/// What a view asks of the object that serves it. [main thread]
class ViewResponder
{
public:
  virtual ~ViewResponder() = default;
  /// Handles a pointer, wheel or key event; false when the event is not taken (a key then goes on to the
  /// host's window).
  virtual bool SendEvent(const Event& event) = 0;
  /// Whether a drag that carries these pasteboard types may be dropped here.
  virtual bool DraggingEntered(const std::vector<std::string>& types) = 0;
  /// Files dropped at a view position.
  virtual bool PerformDragOperation(const std::vector<std::string>& files, Point location) = 0;
  /// The tool-tip text at a view position; "" for none.
  virtual std::string ToolTipAt(Point location) = 0;
  /// The view has been put into a window with this backing scale, or the scale changed.
  virtual void ViewDidChangeBackingScale(double scale) = 0;
  /// The view's window went away with the host's window: the view is out of it already.
  virtual void ViewWindowDestroyed() = 0;
};

/// The pasteboard type of a list of file names.
constexpr const char* kFilenamesPboardType = "NSFilenamesPboardType";

/// BGRA8 pixels of a frame, top row first, and the pixel rectangles that changed since the frame shown before
/// (none listed: all of it).
struct FrameImage
{
  const uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  size_t bytesPerRow = 0;
  std::vector<Rect> changed;
};

class View
{
public:
  virtual ~View() = default;

  /// Puts the view into the host's window (a window id or view pointer of the back end); false when it cannot.
  virtual bool AddToParent(void* parent) = 0;
  /// Takes the view out of its window; it shows nothing and takes no events from then on.
  virtual void RemoveFromSuperview() = 0;
  virtual bool HasWindow() const = 0;
  virtual Rect Frame() const = 0;
  virtual void SetFrameSize(Size size) = 0;
  /// Moves and sizes the view within the view it is in (points of that view).
  virtual void SetFrame(Rect frame) = 0;
  /// Shows another view of this back end over this one, at the child's frame; false when this view is in no
  /// window or the child is in one already. The child leaves again with its RemoveFromSuperview.
  virtual bool AddSubview(View& child) = 0;
  /// Backing pixels per point of the window the view is in.
  virtual double BackingScaleFactor() const = 0;
  /// A view position in screen coordinates (origin bottom left) and back.
  virtual Point ConvertToScreen(Point inView) const = 0;
  virtual Point ConvertFromScreen(Point onScreen) const = 0;

  virtual void SetCursor(Cursor cursor) = 0;
  virtual void AddToolTipRect(Rect r) = 0;
  virtual void RemoveAllToolTips() = 0;

  /// Shows the field over the view with the keyboard focus; the view does not own it.
  virtual void AddTextField(TextField& field) = 0;
  virtual void RemoveTextField() = 0;
  /// The shown field's text or selection changed outside the view's own key handling: show it again.
  virtual void TextFieldChanged() {}

  /// Shows a finished frame (backing pixels); the view keeps it to repaint what gets uncovered.
  virtual void PresentFrame(const FrameImage& frame) = 0;
};

} // namespace appkit
