// What the graphics context needs of its special controls. Their drawing and their own input handling belong to
// the control library; the bodies here keep the state the context reads.
#include "graphics/SpecialControls.h"

#include <algorithm>

#include "graphics/IGraphics.h"
#include "graphics/IPopupMenu.h"

namespace plug {
namespace igraphics {

IPopupMenuControl::IPopupMenuControl(int paramIdx, const IText& text, const IRECT& collapsedBounds,
                                     const IRECT& expandedBounds)
  : IControl(collapsedBounds, paramIdx), mExpandedBounds(expandedBounds)
{
  mText = text;
}

// Draws the open menu; nothing until the control library draws it.
void IPopupMenuControl::Draw(IGraphics& g) {}

void IPopupMenuControl::CreatePopupMenu(IPopupMenu& menu, const IRECT& bounds)
{
  if (mMenu)
    return;
  mMenu = &menu;
  mAnchor = bounds;
  SetDirty(false);
}

void IPopupMenuControl::CloseMenu(IPopupMenu* chosen)
{
  IPopupMenu* menu = mMenu;
  mMenu = nullptr;
  if (!menu)
    return;
  if (chosen)
    chosen->ExecFunction();
  SetDirty(false);
  if (mGraphics)
    mGraphics->ApplyPopupMenuResult(chosen);
}

ITextEntryControl::ITextEntryControl() : IControl(IRECT()) {}

// Draws the field being edited; nothing until the control library draws it.
void ITextEntryControl::Draw(IGraphics& g) {}

void ITextEntryControl::CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                        const char* str)
{
  mText = text;
  SetTargetAndDrawRECTs(bounds);
  mLength = length;
  mEditText.Set(str ? str : "");
  mEditing = true;
  SetDirty(false);
}

void ITextEntryControl::CommitEdit()
{
  if (!mEditing)
    return;
  mEditing = false;
  SetDirty(false);
  if (mGraphics)
    mGraphics->ApplyTextEntryResult(mEditText.Get());
}

void ITextEntryControl::DismissEdit()
{
  mEditing = false;
  SetDirty(false);
}

ICornerResizerControl::ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color,
                                             const IColor& mouseOverColour, const IColor& dragColor)
  : IControl(graphicsBounds.GetInset(0.f)), mSize(size), mInitialGraphicsBounds(graphicsBounds), mColor(color),
    mMouseOverColor(mouseOverColour), mDragColor(dragColor)
{
}

// Draws the corner triangle; nothing until the control library draws it.
void ICornerResizerControl::Draw(IGraphics& g) {}

void ICornerResizerControl::OnRescale()
{
  if (!mGraphics)
    return;
  const float side = mSize / mGraphics->GetDrawScale();
  const float w = static_cast<float>(mGraphics->Width()), h = static_cast<float>(mGraphics->Height());
  mDrawRect = mHitRect = IRECT(w - side, h - side, w, h);
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
                      1.f);
}

void ICornerResizerControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (mGraphics && !mMouseIsOver)
    mPrevCursorType = mGraphics->SetMouseCursor(kSizeNWSECursor);
  IControl::OnMouseOver(x, y, mod);
}

void ICornerResizerControl::OnMouseOut()
{
  if (mGraphics && mMouseIsOver && mPrevCursorType >= 0)
    mGraphics->SetMouseCursor(mPrevCursorType);
  IControl::OnMouseOut();
}

IBubbleControl::IBubbleControl(const IText& text, const IColor& fillColor, const IColor& frameColor, float roundness)
  : IControl(IRECT()), mFillColor(fillColor), mFrameColor(frameColor), mRoundness(roundness)
{
  mText = text;
  mHidden = true;
  mIgnoreMouse = true;
}

// Draws the bubble with its arrow; nothing until the control library draws it.
void IBubbleControl::Draw(IGraphics& g) {}

// Places the bubble beside the point (or above it), keeping it inside the usable rectangle by moving it to the
// other side of the caller, and redraws both where it was and where it goes.
void IBubbleControl::ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                                const IRECT& minimumContentBounds, uint64_t touchId)
{
  if (!mGraphics)
    return;
  if (mMaxBounds.W() == 0.f)
    mMaxBounds = mGraphics->GetBounds();
  mTouchId = touchId;
  mDirection = dir;
  mStr.Set(str ? str : "");

  IRECT content;
  mGraphics->MeasureText(mText, mStr.Get(), content);
  if (!minimumContentBounds.Empty())
  {
    content.mRight = std::max(content.mRight, content.mLeft + minimumContentBounds.W());
    content.mBottom = std::max(content.mBottom, content.mTop + minimumContentBounds.H());
  }
  const float w = content.W() + 2.f * (mMargin + mArrowSize);
  const float h = content.H() + 2.f * mMargin;
  const IRECT callerRect = caller ? caller->GetRECT() : IRECT();

  IRECT bubble;
  if (dir == kHorizontal)
  {
    bubble = IRECT(x, y - h / 2.f, x + w, y + h / 2.f);
    mArrowDir = 3;
    if (bubble.mRight > mMaxBounds.mRight - mArrowSize - mMargin)
    {
      bubble = IRECT(callerRect.mLeft - w, bubble.mTop, callerRect.mLeft, bubble.mBottom);
      mArrowDir = 1;
    }
  }
  else
  {
    bubble = IRECT(x - w / 2.f, y - h, x + w / 2.f, y);
    mArrowDir = 2;
    if (bubble.mTop < mMaxBounds.mTop)
    {
      bubble.Offset(0.f, callerRect.H() + h);
      mArrowDir = 0;
    }
  }
  mBubbleBounds = bubble;

  mDrawRect = mDrawRect.Union(bubble);
  mMouseIsOver = false;
  OnResize();
  if (!mShown)
  {
    mHidden = false;
    mShown = true;
    SetDirty(false);
  }
  if (caller != mCaller)
  {
    mDrawRect = bubble;
    mGraphics->SetAllControlsDirty();
    mCaller = caller;
  }
}

IFPSDisplayControl::IFPSDisplayControl(const IRECT& bounds, const char* label) : IControl(bounds)
{
  mLabel.Set(label ? label : "");
}

// Draws the frame-time graph; nothing until the control library draws it.
void IFPSDisplayControl::Draw(IGraphics& g) {}

void IFPSDisplayControl::Update(float frameTime)
{
  mWriteIdx = (mWriteIdx + 1) % kNumFrameTimes;
  mFrameTimes[static_cast<size_t>(mWriteIdx)] = frameTime;
}

IBitmapControl::IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx, const IBlend& blend)
  : IControl(IRECT(x, y, x + static_cast<float>(bitmap.W()), y + static_cast<float>(bitmap.H())), paramIdx),
    mBitmap(bitmap)
{
  mBlend = blend;
}

// Draws the bitmap; nothing until the control library draws it.
void IBitmapControl::Draw(IGraphics& g) {}

void IBitmapControl::OnRescale()
{
  if (mGraphics && mBitmap.IsValid())
    mBitmap = mGraphics->RescaleBitmap(mBitmap);
}

ISVGControl::ISVGControl(const IRECT& bounds, const ISVG& svg) : IControl(bounds), mSVG(svg) {}

// Draws the image; nothing until the control library draws it.
void ISVGControl::Draw(IGraphics& g) {}

IPanelControl::IPanelControl(const IRECT& bounds, const IPattern& pattern) : IControl(bounds), mPattern(pattern)
{
  mIgnoreMouse = true;
}

// Fills the panel; nothing until the control library draws it.
void IPanelControl::Draw(IGraphics& g) {}

} // namespace igraphics
} // namespace plug
