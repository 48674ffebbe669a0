// What the graphics context needs of its special controls. Their drawing and their own input handling belong to
// the control library; the bodies here keep the state the context reads.
#include "graphics/SpecialControls.h"

#include <algorithm>

#include "graphics/IGraphics.h"
#include "graphics/IPopupMenu.h"

namespace plug {
namespace igraphics {

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

} // namespace igraphics
} // namespace plug
