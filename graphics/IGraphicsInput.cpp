// Pointer, wheel, key and drop events: hit testing, pointer capture, hover and the corner-resizer drag.
#include "graphics/IGraphics.h"
#include "graphics/SpecialControls.h"

namespace plug {
namespace igraphics {

// Presses: capture and the host gesture, then the control's OnMouseDown; nothing until input is complete.
void IGraphics::OnMouseDown(const std::vector<IMouseInfo>& points) {}

// Releases: the captured control's OnMouseUp and the gesture end; nothing until input is complete.
void IGraphics::OnMouseUp(const std::vector<IMouseInfo>& points) {}

// Drags to the captured controls, or the corner-resizer drag; nothing until input is complete.
void IGraphics::OnMouseDrag(const std::vector<IMouseInfo>& points) {}

// A double click to the control under the pointer; unhandled until input is complete.
bool IGraphics::OnMouseDblClick(float x, float y, const IMouseMod& mod) { return false; }

// Hover tracking; unhandled until input is complete.
bool IGraphics::OnMouseOver(float x, float y, const IMouseMod& mod) { return false; }

// The pointer left the view; nothing until input is complete.
void IGraphics::OnMouseOut() {}

// The wheel to the control under the pointer; nothing until input is complete.
void IGraphics::OnMouseWheel(float x, float y, const IMouseMod& mod, float delta) {}

// Keys to the control under the pointer, then the key handler; unhandled until input is complete.
bool IGraphics::OnKeyDown(float x, float y, const IKeyPress& key) { return false; }
bool IGraphics::OnKeyUp(float x, float y, const IKeyPress& key) { return false; }

// A dropped file to the control under the pointer; nothing until input is complete.
void IGraphics::OnDrop(const char* path, float x, float y) {}

// Cancelled touches lose their capture; nothing until input is complete.
void IGraphics::OnTouchCancelled(const std::vector<IMouseInfo>& points) {}

// The control under a point (or the captured one); none until input is complete.
IControl* IGraphics::HitTestControl(float x, float y, bool capture, bool mouseOver, uint64_t touchId)
{
  return nullptr;
}

// Index of the topmost listed control under a point; none until input is complete.
int IGraphics::FindControlIndexAt(float x, float y, bool mouseOver) const { return -1; }

// The corner-resizer drag for one point; nothing until input is complete.
void IGraphics::OnDragResize(float x, float y) {}

// The parameter under a point; none until input is complete.
int IGraphics::QueryParamUnderPoint(float x, float y) { return mLastParamUnderPoint = -1; }

int IGraphics::TakeParamUnderPoint()
{
  const int p = mLastParamUnderPoint;
  mLastParamUnderPoint = -1;
  return p;
}

} // namespace igraphics
} // namespace plug
