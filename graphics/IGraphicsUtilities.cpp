// Drawing utilities over the back end's primitives, text measurement, value bubbles, tooltips and peers.
#include "core/IEditorDelegate.h"
#include "graphics/IGraphics.h"
#include "graphics/SpecialControls.h"

namespace plug {
namespace igraphics {

// The text's extent from the back end; nothing measured until text measurement is complete.
float IGraphics::MeasureText(const IText& text, const char* str, IRECT& bounds) const { return 0.f; }

// Lines of a grid over bounds; nothing drawn until the drawing utilities are complete.
void IGraphics::DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                         const IBlend* blend, float thickness)
{
}

// Draws a non-empty text through the back end; nothing until the drawing utilities are complete.
void IGraphics::DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend) {}

void IGraphics::DrawText(const IText& text, const char* str, float x, float y, const IBlend* blend)
{
  DrawText(text, str, IRECT(x, y, x, y), blend);
}

// Draws one frame of a multi-frame bitmap; nothing until the drawing utilities are complete.
void IGraphics::DrawBitmapFrame(const IBitmap& bitmap, const IRECT& bounds, int frame, const IBlend* blend) {}

// The bitmap reloaded at the screen scale; the same bitmap until the drawing utilities are complete.
IBitmap IGraphics::RescaleBitmap(const IBitmap& bitmap) { return bitmap; }

// Text from a bitmap font; nothing until the drawing utilities are complete.
void IGraphics::DrawBitmapText(const IBitmap& bitmap, const IRECT& bounds, const IText& text, const IBlend* blend,
                               const char* str, bool vCenter, bool multiline, int charWidth, int charHeight,
                               int charOffset)
{
}

// Lines placed by fractions of a rectangle or by coordinates; nothing until the drawing utilities are complete.
void IGraphics::DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* blend,
                                 float thickness)
{
}
void IGraphics::DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* blend,
                                 float thickness)
{
}
void IGraphics::DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* blend,
                                   float thickness)
{
}
void IGraphics::DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* blend,
                                   float thickness)
{
}
void IGraphics::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                               const IBlend* blend, float thickness)
{
}
void IGraphics::PathRadialLine(float cx, float cy, float angle, float rMin, float rMax) {}

// Every listed control with a parameter gets the parameter's name as tooltip; nothing until tooltips are complete.
void IGraphics::AssignParamNameToolTips() {}

void IGraphics::AttachBubbleControl(const IText& text)
{
  AttachBubbleControl(new IBubbleControl(text, kColorWhite, kColorBlack, 5.f));
}

void IGraphics::AttachBubbleControl(IBubbleControl* control)
{
  InitSpecialControl(*control);
  if (!mBubbleControls.Add(control))
    delete control;
}

// Shows a value bubble for the caller; nothing until value bubbles are complete.
void IGraphics::ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                           const IRECT& minimumContentBounds)
{
}

void IGraphics::GetCapturedTouchIds(IControl* control, std::vector<uint64_t>& ids) const
{
  for (const auto& capture : mTouchCaptures)
    if (capture.second == control)
      ids.push_back(capture.first);
}

int IGraphics::FindBubbleForTouch(uint64_t touchId) const { return -1; }

} // namespace igraphics
} // namespace plug
