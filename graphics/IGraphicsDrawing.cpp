// The frame: the dirty check that collects what changed, and the drawing of the controls that meet it.
#include "graphics/IGraphics.h"
#include "graphics/SpecialControls.h"

namespace plug {
namespace igraphics {

// Takes the frame-time sample for the frame-time display; nothing until frame timing is complete.
void IGraphics::BeginFrame() {}

// Advances animations and collects dirty rectangles; reports nothing dirty until frame drawing is complete.
bool IGraphics::IsDirty(IRECTList& rects) { return false; }

// Draws the tidied dirty rectangles; nothing until frame drawing is complete.
void IGraphics::DrawDirtyRects(IRECTList& rects) {}

// Draws every control that meets bounds; nothing until frame drawing is complete.
void IGraphics::Draw(const IRECT& bounds, float scale) {}

// Draws one control clipped to bounds; nothing until frame drawing is complete.
void IGraphics::DrawControl(IControl* control, const IRECT& bounds, float scale) {}

void IGraphics::SetStrictDrawing(bool strict)
{
  mDrawUnionOfDirtyRects = strict;
  SetAllControlsDirty();
}

} // namespace igraphics
} // namespace plug
