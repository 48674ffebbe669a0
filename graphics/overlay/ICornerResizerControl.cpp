#include "graphics/overlay/ICornerResizerControl.h"

#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

ICornerResizerControl::ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color,
                                             const IColor& mouseOverColour, const IColor& dragColor)
  : IControl(IRECT(graphicsBounds.mRight - size + 1.f, graphicsBounds.mBottom - size + 1.f,
                   graphicsBounds.mRight - 1.f, graphicsBounds.mBottom - 1.f)),
    mSize(size), mInitialGraphicsBounds(graphicsBounds), mColor(color), mMouseOverColor(mouseOverColour),
    mDragColor(dragColor)
{
}

void ICornerResizerControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mGraphics)
    mGraphics->StartResizeGesture();
}

void ICornerResizerControl::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  if (mGraphics)
    mGraphics->Resize(static_cast<int>(mInitialGraphicsBounds.W()), static_cast<int>(mInitialGraphicsBounds.H()),
                      1.f, true);
}

void ICornerResizerControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (mGraphics && !mCursorReplaced)
    mPrevCursorType = mGraphics->SetMouseCursor(kResizeNorthWestSouthEastCursor);
  mCursorReplaced = true;
  IControl::OnMouseOver(x, y, mod);
}

void ICornerResizerControl::OnMouseOut()
{
  if (mGraphics && mCursorReplaced)
    mGraphics->SetMouseCursor(mPrevCursorType);
  mCursorReplaced = false;
  IControl::OnMouseOut();
}

void ICornerResizerControl::OnRescale()
{
  if (!mGraphics)
    return;
  const float side = mSize / mGraphics->GetDrawScale();
  const float w = static_cast<float>(mGraphics->Width()), h = static_cast<float>(mGraphics->Height());
  mDrawRect = mHitRect = IRECT(w - side, h - side, w, h);
  mMouseIsOver = false;
  OnResize();
}

void ICornerResizerControl::Draw(IGraphics& g)
{
  const IColor& color = g.IsResizingInProgress() ? mDragColor : (mMouseIsOver ? mMouseOverColor : mColor);
  const IRECT& r = mDrawRect;
  g.FillTriangle(color, r.mLeft, r.mBottom, r.mRight, r.mTop, r.mRight, r.mBottom);
}

} // namespace igraphics
} // namespace plug
