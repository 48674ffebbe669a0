#include "controls/IVButtonControls.h"

#include <algorithm>

#include "core/IParam.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

std::vector<IRECT> SubdivideRect(const IRECT& r, int n, EDirection direction)
{
  std::vector<IRECT> cells;
  for (int i = 0; i < n; ++i)
  {
    const float a = static_cast<float>(i) / static_cast<float>(n), b = static_cast<float>(i + 1) / static_cast<float>(n);
    if (direction == kVertical)
      cells.emplace_back(r.mLeft, r.mTop + a * r.H(), r.mRight, r.mTop + b * r.H());
    else
      cells.emplace_back(r.mLeft + a * r.W(), r.mTop, r.mLeft + b * r.W(), r.mBottom);
  }
  return cells;
}

namespace {

/// The index of the state a value shows: int(v x (n - 1) + 0.5), 0 for fewer than two states.
int StateIdx(double v, int n)
{
  if (n < 2)
    return 0;
  return std::clamp(static_cast<int>(v * static_cast<double>(n - 1) + 0.5), 0, n - 1);
}

void CentreTexts(IVStyle& style, IText& text, int hAlign)
{
  style.mValueText.mHAlign = text.mHAlign = hAlign;
  style.mValueText.mVAlign = text.mVAlign = kVAlignMiddle;
}

} // namespace

// ---- Button ----

IVButtonControl::IVButtonControl(const IRECT& bounds, IActionFn action, const char* label, const IVStyle& style,
                                 bool labelInButton, bool valueInButton, int shape)
  : IButtonControlBase(bounds, std::move(action)), IVectorBase(style, labelInButton, valueInButton), mShape(shape)
{
  SetControl(this, label);
  mText = style.mValueText;
}

void IVButtonControl::OnResize()
{
  mHitRect = MakeRects(mDrawRect, true);
  mMouseIsOver = false;
  SetDirty(false, -1);
}

void IVButtonControl::Draw(IGraphics& g)
{
  DrawBackground(g, mDrawRect);
  DrawWidget(g);
  DrawLabel(g);
  DrawValue(g, false);
}

void IVButtonControl::DrawWidget(IGraphics& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue(0) != 0.0, mMouseIsOver, IsDisabled());
}

// ---- Switch ----

IVSwitchControl::IVSwitchControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueInButton)
  : ISwitchControlBase(bounds, paramIdx, IVectorBase::ActionFuncSplash, 2), IVectorBase(style, false, valueInButton)
{
  SetControl(this, label);
  mText = style.mValueText;
  if (valueInButton)
    mStyle.mValueText.mVAlign = mText.mVAlign = kVAlignMiddle;
}

IVSwitchControl::IVSwitchControl(const IRECT& bounds, IActionFn action, const char* label, const IVStyle& style,
                                 int numStates, bool valueInButton)
  : ISwitchControlBase(bounds, -1, std::move(action), numStates), IVectorBase(style, false, valueInButton)
{
  SetControl(this, label);
  mText = style.mValueText;
  if (valueInButton)
    mStyle.mValueText.mVAlign = mText.mVAlign = kVAlignMiddle;
}

void IVSwitchControl::UpdateValueStr()
{
  if (const IParam* p = GetParam(0))
  {
    LibString s;
    p->GetDisplay(s);
    SetValueStr(s.Get());
  }
}

void IVSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  UpdateValueStr();
  if (const IParam* p = GetParam(0))
    if (!*GetLabelStr())
      SetLabelStr(p->GetName());
}

void IVSwitchControl::OnMouseOut()
{
  IControl::OnMouseOut();
  SetDirty(false, -1);
}

void IVSwitchControl::OnResize()
{
  mHitRect = MakeRects(mDrawRect, true);
  mMouseIsOver = false;
  SetDirty(false, -1);
}

void IVSwitchControl::SetDirty(bool triggerAction, int valIdx)
{
  IControl::SetDirty(triggerAction, valIdx);
  UpdateValueStr();
}

void IVSwitchControl::Draw(IGraphics& g)
{
  DrawBackground(g, mDrawRect);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, false);
}

void IVSwitchControl::DrawWidget(IGraphics& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, mMouseDown, mMouseIsOver, IsDisabled());
}

// ---- Toggle ----

IVToggleControl::IVToggleControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 const char* offText, const char* onText)
  : IVSwitchControl(bounds, paramIdx, label, style, true)
{
  mOffText.Set(offText ? offText : "");
  mOnText.Set(onText ? onText : "");
}

IVToggleControl::IVToggleControl(const IRECT& bounds, IActionFn action, const char* label, const IVStyle& style,
                                 const char* offText, const char* onText, bool initialState)
  : IVSwitchControl(bounds, std::move(action), label, style, 2, true)
{
  mOffText.Set(offText ? offText : "");
  mOnText.Set(onText ? onText : "");
  SetValue(initialState ? 1.0 : 0.0, 0);
}

void IVToggleControl::DrawWidget(IGraphics& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue(0) > 0.5, mMouseIsOver, IsDisabled());
}

void IVToggleControl::DrawValue(IGraphics& g, bool mouseOver)
{
  if (mouseOver)
    g.FillRect(Color(kRoleHighlight), mValueBounds, ControlBlend());
  g.DrawText(mStyle.mValueText, GetValue(0) > 0.5 ? mOnText.Get() : mOffText.Get(), mValueBounds, ControlBlend());
}

// ---- Slide switch ----

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                           bool valueInButton, EDirection direction)
  : IVSwitchControl(bounds, paramIdx, label, style, valueInButton), mDirection(direction)
{
  SetActionFunction([this](IControl*) { SetAnimation([this](IControl*) { SlideAnimation(); }, kSlideMs); });
}

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, IActionFn action, const char* label,
                                           const IVStyle& style, bool valueInButton, EDirection direction,
                                           int numStates, int initialState)
  : IVSwitchControl(bounds, nullptr, label, style, numStates, valueInButton), mDirection(direction)
{
  // The state's place among the states, as the switch's value holds it.
  SetValue(numStates > 1 ? std::clamp(static_cast<double>(initialState) / (numStates - 1), 0.0, 1.0) : 0.0, 0);
  SetActionFunction([this](IControl*) { SetAnimation([this](IControl*) { SlideAnimation(); }, kSlideMs); });
  SetEndAnimationFn(std::move(action));
}

void IVSlideSwitchControl::UpdateRects()
{
  const int n = std::max(1, mNumStates);
  const std::vector<IRECT> cells = SubdivideRect(mWidgetBounds, n, mDirection == kHorizontal ? kHorizontal : kVertical);
  const int s = StateIdx(GetValue(0), n);
  mStartRect = cells[static_cast<size_t>(s)];
  mEndRect = cells[static_cast<size_t>((s + 1) % n)];
  mHandleBounds = mStartRect;
  if (mValueInWidget)
    mValueBounds = mHandleBounds;
}

void IVSlideSwitchControl::SlideAnimation()
{
  const double p = GetAnimationProgress();
  if (p > 1.0)
  {
    OnEndAnimation();
    return;
  }
  const float f = static_cast<float>(p);
  auto mix = [f](float a, float b) { return a + (b - a) * f; };
  mHandleBounds = IRECT(mix(mStartRect.mLeft, mEndRect.mLeft), mix(mStartRect.mTop, mEndRect.mTop),
                        mix(mStartRect.mRight, mEndRect.mRight), mix(mStartRect.mBottom, mEndRect.mBottom));
  if (mValueInWidget)
    mValueBounds = mHandleBounds;
}

void IVSlideSwitchControl::OnResize()
{
  mHitRect = MakeRects(mDrawRect, true);
  mMouseIsOver = false;
  UpdateRects();
  SetDirty(false, -1);
}

void IVSlideSwitchControl::OnEndAnimation()
{
  UpdateRects();
  IControl::OnEndAnimation();
}

void IVSlideSwitchControl::SetDirty(bool triggerAction, int valIdx)
{
  IVSwitchControl::SetDirty(triggerAction, valIdx);
  if (!HasAnimation())
    UpdateRects();
}

void IVSlideSwitchControl::Draw(IGraphics& g)
{
  DrawBackground(g, mDrawRect);
  DrawWidget(g);
  DrawLabel(g);
  if (!HasAnimation())
    DrawValue(g, false);
}

void IVSlideSwitchControl::DrawWidget(IGraphics& g)
{
  DrawSlideTrack(g, mWidgetBounds);
  DrawPressableShape(g, mShape, mHandleBounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVSlideSwitchControl::DrawSlideTrack(IGraphics& g, const IRECT& r)
{
  const float radius = mStyle.mRoundness * std::min(mHandleBounds.W(), mHandleBounds.H()) / 2.f;
  g.FillRoundRect(Color(kRoleShadow), r, radius, ControlBlend());
}

// ---- Tab switch ----

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, int paramIdx, std::initializer_list<const char*> options,
                                       const char* label, const IVStyle& style, int shape, EDirection direction)
  : ISwitchControlBase(bounds, paramIdx, IVectorBase::ActionFuncSplash, static_cast<int>(options.size())),
    IVectorBase(style), mDirection(direction), mShape(shape)
{
  SetControl(this, label);
  mText = style.mValueText;
  CentreTexts(mStyle, mText, kAlignCenter);
  for (const char* o : options)
    mTabLabels.emplace_back(o ? o : "");
}

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, IActionFn action, std::initializer_list<const char*> options,
                                       const char* label, const IVStyle& style, int shape, EDirection direction)
  : ISwitchControlBase(bounds, -1, std::move(action), static_cast<int>(options.size())), IVectorBase(style),
    mDirection(direction), mShape(shape)
{
  SetControl(this, label);
  mText = style.mValueText;
  CentreTexts(mStyle, mText, kAlignCenter);
  for (const char* o : options)
    mTabLabels.emplace_back(o ? o : "");
}

void IVTabSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  const IParam* p = GetParam(0);
  if (!p)
    return;
  LibString s;
  p->GetDisplay(s);
  SetValueStr(s.Get());
  if (mTabLabels.empty())
    for (int i = 0; i < mNumStates; ++i)
    {
      LibString text;
      p->GetDisplay(false, text, true, static_cast<double>(i));
      mTabLabels.emplace_back(text.Get());
    }
  if (!*GetLabelStr())
    SetLabelStr(p->GetName());
}

int IVTabSwitchControl::SelectedIdx() const { return StateIdx(GetValue(0), mNumStates); }

// A press on button i selects it; with a single button there is nothing to divide by and the value is 0.
void IVTabSwitchControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  const int i = FindButtonAt(x, y);
  if (i >= 0)
    SetValue(mNumStates > 1 ? static_cast<double>(i) / static_cast<double>(mNumStates - 1) : 0.0, 0);
  SetDirty(true, -1);
}

void IVTabSwitchControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverButton = FindButtonAt(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false, -1);
}

void IVTabSwitchControl::OnMouseOut()
{
  mMouseOverButton = -1;
  IControl::OnMouseOut();
  SetDirty(false, -1);
}

void IVTabSwitchControl::OnResize()
{
  mHitRect = MakeRects(mDrawRect, false);
  mButtons = SubdivideRect(mWidgetBounds, mNumStates, mDirection);
  mMouseIsOver = false;
  SetDirty(false, -1);
}

int IVTabSwitchControl::FindButtonAt(float x, float y) const
{
  for (int i = 0; i < NButtons(); ++i)
    if (mButtons[static_cast<size_t>(i)].Contains(x, y))
      return i;
  return -1;
}

void IVTabSwitchControl::Draw(IGraphics& g)
{
  DrawBackground(g, mDrawRect);
  DrawLabel(g);
  DrawWidget(g);
}

void IVTabSwitchControl::DrawWidget(IGraphics& g)
{
  const int selected = SelectedIdx(), n = NButtons();
  for (int i = 0; i < n; ++i)
  {
    const int segment = i == n - 1 ? 2 : i == 0 ? 0 : 1;
    const bool disabled = IsDisabled() || GetStateDisabled(i);
    DrawTabButton(g, mButtons[static_cast<size_t>(i)], i == selected, i == mMouseOverButton, segment, disabled);
    if (static_cast<size_t>(i) < mTabLabels.size())
      g.DrawText(mStyle.mValueText, mTabLabels[static_cast<size_t>(i)].Get(), mButtons[static_cast<size_t>(i)],
                 ControlBlend());
  }
}

void IVTabSwitchControl::DrawTabButton(IGraphics& g, const IRECT& r, bool pressed, bool mouseOver, int segment,
                                    bool disabled)
{
  const bool horizontal = mDirection == kHorizontal;
  if (mShape == kWidgetAllRounded)
    DrawPressableRectangle(g, r, pressed, mouseOver, disabled, horizontal, true, false, !horizontal);
  else if (mShape == kWidgetEndsRounded)
  {
    if (horizontal)
      DrawPressableRectangle(g, r, pressed, mouseOver, disabled, segment == 0, segment == 2, false, false);
    else
      DrawPressableRectangle(g, r, pressed, mouseOver, disabled, false, segment == 0, false, segment == 2);
  }
  else
    DrawPressableShape(g, mShape, r, pressed, mouseOver, disabled);
}

// ---- Radio buttons ----

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, int paramIdx, std::initializer_list<const char*> options,
                                           const char* label, const IVStyle& style, int shape, EDirection direction,
                                           float buttonSize)
  : IVTabSwitchControl(bounds, paramIdx, options, label, style, shape, direction), mButtonSize(buttonSize),
    mLabelOffset(3.f * buttonSize)
{
  CentreTexts(mStyle, mText, kAlignNear);
}

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, IActionFn action,
                                           std::initializer_list<const char*> options, const char* label,
                                           const IVStyle& style, int shape, EDirection direction, float buttonSize)
  : IVTabSwitchControl(bounds, std::move(action), options, label, style, shape, direction), mButtonSize(buttonSize),
    mLabelOffset(3.f * buttonSize)
{
  CentreTexts(mStyle, mText, kAlignNear);
}

IRECT IVRadioButtonControl::ButtonSquare(const IRECT& cell) const
{
  const float side = std::max(1.f, mButtonSize), cx = cell.mLeft + 1.5f * mButtonSize, cy = cell.CentreY();
  return IRECT(cx - side / 2.f, cy - side / 2.f, cx + side / 2.f, cy + side / 2.f);
}

void IVRadioButtonControl::DrawWidget(IGraphics& g)
{
  const int selected = SelectedIdx();
  for (int i = 0; i < NButtons(); ++i)
  {
    const IRECT& cell = mButtons[static_cast<size_t>(i)];
    const bool disabled = IsDisabled() || GetStateDisabled(i);
    DrawTabButton(g, ButtonSquare(cell), i == selected, i == mMouseOverButton, 1, disabled);
    if (static_cast<size_t>(i) < mTabLabels.size())
    {
      IText text = mStyle.mValueText;
      text.mTextColor = Color(i == selected ? kRolePressed : kRoleExtra1);
      g.DrawText(text, mTabLabels[static_cast<size_t>(i)].Get(),
                 IRECT(cell.mLeft + mLabelOffset, cell.mTop, cell.mRight, cell.mBottom), ControlBlend());
    }
  }
}

int IVRadioButtonControl::FindButtonAt(float x, float y) const
{
  for (int i = 0; i < NButtons(); ++i)
  {
    const IRECT& cell = mButtons[static_cast<size_t>(i)];
    if ((mOnlyButtonsRespondToMouse ? ButtonSquare(cell) : cell).Contains(x, y))
      return i;
  }
  return -1;
}

} // namespace igraphics
} // namespace plug
