// The drag handle in the editor's bottom-right corner: a press starts the graphics context's resizing, a double
// click returns the editor to the size it had when the handle was made, hovering shows the diagonal resize
// cursor. It keeps its on-screen size and its corner whenever the editor is rescaled. Main thread only.
#pragma once

#include "graphics/bases/IControl.h"

namespace plug {
namespace igraphics {

class ICornerResizerControl : public IControl
{
public:
  ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color = IColor(255, 70, 70, 70),
                        const IColor& mouseOverColour = IColor(255, 0, 0, 0),
                        const IColor& dragColor = IColor(255, 0, 0, 0));

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  /// Places the square in the editor's bottom-right corner at the current draw scale.
  void OnRescale() override;
  void Draw(IGraphics& g) override;
  float GetSize() const { return mSize; }

protected:
  float mSize;
  bool mCursorReplaced = false;
  int mPrevCursorType = 0;
  IRECT mInitialGraphicsBounds;
  IColor mColor, mMouseOverColor, mDragColor;
};

} // namespace igraphics
} // namespace plug
