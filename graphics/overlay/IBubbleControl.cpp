#include "graphics/overlay/IBubbleControl.h"

#include <algorithm>

#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

IBubbleControl::IBubbleControl(const IText& text, const IColor& fillColor, const IColor& frameColor, float roundness)
  : IControl(IRECT()), mRoundness(roundness), mFillColor(fillColor), mStrokeColor(frameColor)
{
  mText = text;
  mHidden = true;
  mIgnoreMouse = true;
  mBlend = IBlend(0, 0.f);
  SetActionFunction([this](IControl*) { SetAnimation([this](IControl*) { Animation(); }, kFadeMs); });
  SetEndAnimationFn([this](IControl*) {
    if (mState == kShown)
      SetAnimation([this](IControl*) { Animation(); }, kStayMs);
  });
}

void IBubbleControl::Animation()
{
  const double p = GetAnimationProgress();
  if (p <= 1.0)
  {
    if (mState == kFadingIn)
      mBlend.mWeight = static_cast<float>(p) * mOpacity;
    else if (mState == kShown)
      mBlend.mWeight = mOpacity;
    else if (mState == kFadingOut)
      mBlend.mWeight = static_cast<float>(1.0 - p) * mOpacity;
    return;
  }
  switch (mState)
  {
  case kFadingIn:
    mBlend.mWeight = mOpacity;
    mState = kShown;
    OnEndAnimation();
    break;
  case kShown:
    if (mGraphics && mCaller && mGraphics->ControlIsCaptured(mCaller))
    {
      OnEndAnimation(); // stays: the next second starts
      break;
    }
    mBlend.mWeight = mOpacity;
    mState = kFadingOut;
    // The running animation ends before the fade-out starts, so ending it does not cancel the fade.
    OnEndAnimation();
    SetDirty(true, -1);
    break;
  default:
    mBlend.mWeight = 0.f;
    mState = kHidden;
    SetHidden(true);
    mCaller = nullptr;
    SetDirty(false, -1);
    OnEndAnimation();
    break;
  }
}

void IBubbleControl::MeasureContent(IRECT& r) const
{
  if (mGraphics)
    mGraphics->MeasureText(mText, mStr.Get(), r);
}

void IBubbleControl::ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                                const IRECT& minimumContentBounds, uint64_t touchId)
{
  if (!mGraphics)
    return;
  if (mUsableBounds.W() == 0.f)
    mUsableBounds = mGraphics->GetBounds();
  mTouchId = touchId;
  mStr.Set(str ? str : "");
  IRECT content;
  MeasureContent(content);
  float cw = content.W(), ch = content.H();
  if (!minimumContentBounds.Empty())
  {
    cw = std::max(cw, minimumContentBounds.W());
    ch = std::max(ch, minimumContentBounds.H());
  }
  // The box holds the content with a margin all round and room for the arrow on either side.
  const float w = cw + 2.f * mPadding + 2.f * mArrowSize, h = ch + 2.f * mPadding;
  const IRECT callerRect = caller ? caller->GetRECT() : IRECT(x, y, x, y);
  IRECT bubble;
  if (dir == kHorizontal)
  {
    // To the right of the point with the arrow pointing left; to the left of the caller when the arrow and
    // margin would no longer fit inside the usable rectangle.
    bubble = IRECT(x, y - h / 2.f, x + w, y + h / 2.f);
    mArrowDirection = 3;
    if (bubble.mRight > mUsableBounds.mRight - mArrowSize - mPadding)
    {
      bubble = IRECT(callerRect.mLeft - w, bubble.mTop, callerRect.mLeft, bubble.mBottom);
      mArrowDirection = 1;
    }
  }
  else
  {
    bubble = IRECT(x - w / 2.f, y - h, x + w / 2.f, y);
    mArrowDirection = 2;
    if (bubble.mTop < mUsableBounds.mTop)
    {
      bubble.Offset(0.f, callerRect.H() + h);
      mArrowDirection = 0;
    }
  }
  mBubbleBounds = bubble;
  // The old place and the new one both redraw.
  mDrawRect = mDrawRect.Union(bubble);
  mHitRect = IRECT();
  mMouseIsOver = false;
  OnResize();
  if (mState == kHidden || mState == kFadingOut)
  {
    mState = kFadingIn;
    mHidden = false;
    SetDirty(true, -1);
  }
  if (caller != mCaller)
  {
    // A bubble moving to another control redraws the whole editor once, so nothing of its old place is left.
    mDrawRect = bubble;
    mGraphics->SetAllControlsDirty();
    mCaller = caller;
  }
}

IRECT IBubbleControl::BodyRect() const
{
  // The arrow's room is kept on both sides across; above or below a control it comes out of the box's height.
  IRECT r = mBubbleBounds;
  r.mLeft += mArrowSize;
  r.mRight -= mArrowSize;
  if (mArrowDirection == 0)
    r.mTop += mArrowSize;
  else if (mArrowDirection == 2)
    r.mBottom -= mArrowSize;
  return r;
}

void IBubbleControl::Draw(IGraphics& g)
{
  if (mBubbleBounds.Empty())
    return;
  g.DrawFastDropShadow(mBubbleBounds.GetInset(mDropShadowSize), mBubbleBounds, 2.f, mRoundness, 10.f, &mBlend);
  DrawBubble(g, mBubbleBounds);
  DrawContent(g, BodyRect().GetInset(mPadding));
}

void IBubbleControl::DrawContent(IGraphics& g, const IRECT& r)
{
  if (*mStr.Get())
    g.DrawText(mText, mStr.Get(), r, &mBlend);
}

// A rounded box with a triangular arrow of length and width mArrowSize on the arrow side, filled and stroked.
void IBubbleControl::DrawBubble(IGraphics& g, const IRECT& r)
{
  const IRECT b = BodyRect();
  const float a = mArrowSize, cx = b.CentreX(), cy = b.CentreY();
  float tx[3], ty[3];
  switch (mArrowDirection)
  {
  case 0: tx[0] = cx - a / 2.f, ty[0] = b.mTop, tx[1] = cx, ty[1] = r.mTop, tx[2] = cx + a / 2.f, ty[2] = b.mTop; break;
  case 1: tx[0] = b.mRight, ty[0] = cy - a / 2.f, tx[1] = r.mRight, ty[1] = cy, tx[2] = b.mRight, ty[2] = cy + a / 2.f; break;
  case 2: tx[0] = cx + a / 2.f, ty[0] = b.mBottom, tx[1] = cx, ty[1] = r.mBottom, tx[2] = cx - a / 2.f, ty[2] = b.mBottom; break;
  default: tx[0] = b.mLeft, ty[0] = cy + a / 2.f, tx[1] = r.mLeft, ty[1] = cy, tx[2] = b.mLeft, ty[2] = cy - a / 2.f; break;
  }
  if (!g.SupportsPaths())
  {
    g.FillRoundRect(mFillColor, b, mRoundness, &mBlend);
    g.FillTriangle(mFillColor, tx[0], ty[0], tx[1], ty[1], tx[2], ty[2], &mBlend);
    g.DrawRoundRect(mStrokeColor, b, mRoundness, &mBlend, mStrokeWidth);
    return;
  }
  // Clockwise from the top-left corner's end; the arrow is inserted on its side.
  const float rr = std::min(mRoundness, std::min(b.W(), b.H()) / 2.f);
  g.PathClear();
  g.PathMoveTo(b.mLeft + rr, b.mTop);
  if (mArrowDirection == 0)
    for (int i = 0; i < 3; ++i)
      g.PathLineTo(tx[i], ty[i]);
  g.PathArc(b.mRight - rr, b.mTop + rr, rr, 0.f, 90.f);
  if (mArrowDirection == 1)
    for (int i = 0; i < 3; ++i)
      g.PathLineTo(tx[i], ty[i]);
  g.PathArc(b.mRight - rr, b.mBottom - rr, rr, 90.f, 180.f);
  if (mArrowDirection == 2)
    for (int i = 0; i < 3; ++i)
      g.PathLineTo(tx[i], ty[i]);
  g.PathArc(b.mLeft + rr, b.mBottom - rr, rr, 180.f, 270.f);
  if (mArrowDirection == 3)
    for (int i = 0; i < 3; ++i)
      g.PathLineTo(tx[i], ty[i]);
  g.PathArc(b.mLeft + rr, b.mTop + rr, rr, 270.f, 360.f);
  g.PathClose();
  g.PathFill(IPaintPattern(mFillColor), IFillStyle(), &mBlend);
  g.PathStroke(IPaintPattern(mStrokeColor), mStrokeWidth, IStrokeStyle(), &mBlend);
}

} // namespace igraphics
} // namespace plug
