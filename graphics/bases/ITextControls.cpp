#include "graphics/bases/ITextControls.h"

#include "core/IParam.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

// ---- IURLControl ----

IURLControl::IURLControl(const IRECT& bounds, const char* str, const char* url, const IText& text,
                         const IColor& bgColor, const IColor& mouseOverColor, const IColor& clickedColor)
  : ITextControl(bounds, str, text, bgColor, false), mNormalColor(text.mTextColor), mMouseOverColor(mouseOverColor),
    mClickedColor(clickedColor)
{
  mURLStr.Set(url ? url : "");
  mIgnoreMouse = false;
}

void IURLControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mGraphics)
  {
    mGraphics->OpenURL(mURLStr.Get());
    mGraphics->ReleaseMouseCapture();
  }
  mClicked = true;
}

void IURLControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (mGraphics)
    mGraphics->SetMouseCursor(kPointingHandCursor);
  IControl::OnMouseOver(x, y, mod);
}

void IURLControl::OnMouseOut()
{
  if (mGraphics)
    mGraphics->SetMouseCursor(kArrowCursor);
  IControl::OnMouseOut();
}

void IURLControl::Draw(IGraphics& g)
{
  g.FillRect(mBGColor, mDrawRect, &mBlend);
  mText.mTextColor = mMouseIsOver ? mMouseOverColor : mClicked ? mClickedColor : mNormalColor;
  if (mStr.GetLength() > 0)
  {
    IRECT r;
    g.MeasureText(mText, mStr.Get(), r);
    float y = 0.f, x1 = 0.f, x2 = 0.f;
    switch (mText.mVAlign)
    {
    case kVAlignTop: y = mDrawRect.mTop + r.H(); break;
    case kVAlignMiddle: y = mDrawRect.CentreY() + r.mBottom; break;
    case kVAlignBottom: y = mDrawRect.mBottom; break;
    default: break;
    }
    switch (mText.mHAlign)
    {
    case kAlignNear: x1 = mDrawRect.mLeft, x2 = mDrawRect.mLeft + r.W(); break;
    case kAlignCenter: x1 = mDrawRect.CentreX() + r.mLeft, x2 = mDrawRect.CentreX() + r.mRight; break;
    case kAlignFar: x1 = mDrawRect.mRight - r.W(), x2 = mDrawRect.mRight; break;
    default: break;
    }
    g.DrawLine(mText.mTextColor, x1, y, x2, y, &mBlend, 1.f);
  }
  DrawTextOnly(g);
}

// ---- ITextToggleControl ----

ITextToggleControl::ITextToggleControl(const IRECT& bounds, int paramIdx, const char* offText, const char* onText,
                                       const IText& text, const IColor& bgColor)
  : ITextControl(bounds, offText, text, bgColor, false)
{
  SetParamIdx(paramIdx);
  mOffText.Set(offText ? offText : "");
  mOnText.Set(onText ? onText : "");
  mIgnoreMouse = false;
  mDblClickAsClick = true;
}

ITextToggleControl::ITextToggleControl(const IRECT& bounds, IActionFn action, const char* offText,
                                       const char* onText, const IText& text, const IColor& bgColor)
  : ITextControl(bounds, offText, text, bgColor, false)
{
  mActionFn = std::move(action);
  mOffText.Set(offText ? offText : "");
  mOnText.Set(onText ? onText : "");
  mIgnoreMouse = false;
  mDblClickAsClick = true;
}

void ITextToggleControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  SetValue(GetValue(0) < 0.5 ? 1.0 : 0.0, 0);
  SetDirty(true, 0);
}

void ITextToggleControl::SetDirty(bool triggerAction, int valIdx)
{
  SetStr(GetValue(0) > 0.5 ? mOnText.Get() : mOffText.Get());
  IControl::SetDirty(triggerAction, -1);
}

// ---- ICaptionControl ----

ICaptionControl::ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text, const IColor& bgColor,
                                 bool showParamLabel)
  : ITextControl(bounds, "", text, bgColor, false), mShowParamLabel(showParamLabel), mTriangleColor(kColorBlack),
    mTriangleMouseOverColor(kColorWhite)
{
  SetParamIdx(paramIdx);
  mPromptDisabled = false;
  mDblClickAsClick = true;
  mIgnoreMouse = false;
}

void ICaptionControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if ((mod.mLeft || mod.mRight) && GetParamIdx(0) >= 0 && !mPromptDisabled && mGraphics)
    mGraphics->PromptParamInput(this, mDrawRect, 0);
}

void ICaptionControl::OnResize()
{
  const IParam* p = GetParam(0);
  if (!p || p->Type() != IParam::kTypeEnum)
    return;
  const float cx = mDrawRect.mRight - 0.1f * mDrawRect.W(), cy = mDrawRect.CentreY();
  mTri = IRECT(cx - kArrowWidth / 2.f, cy - kArrowHeight / 2.f, cx + kArrowWidth / 2.f, cy + kArrowHeight / 2.f);
}

void ICaptionControl::Draw(IGraphics& g)
{
  if (const IParam* p = GetParam(0))
  {
    LibString display;
    p->GetDisplay(display, true);
    if (mShowParamLabel)
    {
      // The blank stays also when the label is empty, so a caption keeps its width whatever the unit.
      display.Append(" ");
      display.Append(p->GetLabel());
    }
    SetStr(display.Get());
  }
  ITextControl::Draw(g);
  if (mTri.W() > 0.f)
  {
    const bool over = mMouseIsOver;
    g.FillTriangle(over ? mTriangleMouseOverColor : mTriangleColor, mTri.mLeft, mTri.mTop, mTri.mRight, mTri.mTop,
                   mTri.CentreX(), mTri.mBottom, over ? nullptr : &kBlend50);
  }
}

// ---- PlaceHolder ----

PlaceHolder::PlaceHolder(const IRECT& bounds, const char* str)
  : ITextControl(bounds, str, IText(kTextSize), kColorWhite, false)
{
  mTLText.mHAlign = kAlignNear;
  mHeightText.mAngle = 270.f;
  mPromptDisabled = false;
  mIgnoreMouse = false;
}

void PlaceHolder::OnResize()
{
  mXYStr.FormatCapped(kNumberTextLength, "%0.1f, %0.1f", mDrawRect.mLeft, mDrawRect.mTop);
  mWidthStr.FormatCapped(kNumberTextLength, "%0.1f", mDrawRect.W());
  mHeightStr.FormatCapped(kNumberTextLength, "%0.1f", mDrawRect.H());
}

void PlaceHolder::DrawBoxedText(IGraphics& g, const IText& text, const LibString& str, float x, float y,
                                const IBlend& blend)
{
  IRECT box(x, y, x, y);
  g.MeasureText(text, str.Get(), box);
  g.FillRect(mBGColor, box, &blend);
  g.DrawText(text, str.Get(), x, y);
}

void PlaceHolder::Draw(IGraphics& g)
{
  const IRECT& r = mDrawRect;
  g.FillRect(mBGColor, r, nullptr);
  g.DrawLine(kColorRed, r.mLeft, r.mTop, r.mRight, r.mBottom, &kBlend50, 2.f);
  g.DrawLine(kColorRed, r.mLeft, r.mBottom, r.mRight, r.mTop, &kBlend50, 2.f);
  DrawBoxedText(g, mHeightText, mHeightStr, r.mLeft + kTextInset, r.CentreY(), kBlend50);
  DrawBoxedText(g, mWidthText, mWidthStr, r.CentreX(), r.mTop + kTextInset, kBlend75);
  DrawBoxedText(g, mTLText, mXYStr, r.mLeft + kTextInset, r.mTop + kTextInset, kBlend50);
  if (mStr.GetLength() > 0)
  {
    IRECT label = r;
    g.MeasureText(mText, mStr.Get(), label);
    g.FillRect(mBGColor, label, &kBlend75);
    g.DrawText(mText, mStr.Get(), label);
    mCentreLabelBounds = label;
  }
}

void PlaceHolder::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  if (mGraphics)
    mGraphics->CreateTextEntry(*this, mText, mDrawRect, mStr.Get(), 0);
}

} // namespace igraphics
} // namespace plug
