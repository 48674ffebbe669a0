// A control's value traffic (from the user to the delegate and the peers, from the delegate to the control),
// defaults, prompts, snapping to the pointer, and animations with the stock action and animation functions.
#include <algorithm>
#include <cmath>

#include "core/IEditorDelegate.h"
#include "core/IParam.h"
#include "graphics/bases/IControl.h"
#include "graphics/context/IGraphics.h"
#include "graphics/bases/IPopupMenu.h"

namespace plug {
namespace igraphics {

namespace {

/// Different, where a NaN in the slot counts as different from anything.
bool Differs(double incoming, double current) { return std::isnan(current) || incoming != current; }

/// Size of the text prompt for a parameter without display texts.
constexpr float kPromptHalfWidth = 20.f;
constexpr float kPromptHalfHeight = 8.f;
/// The smallest content of a value bubble.
const IRECT kBubbleMinContent(0.f, 0.f, 50.f, 30.f);

} // namespace

void IControl::SetValue(double value, int valIdx)
{
  if (IValueSlot* s = Slot(valIdx))
    s->mValue = value;
}

double IControl::NormalizedFromPlain(const IParam& p, double v)
{
  if (p.GetStepped() && p.GetStep() > 0.0)
    v = std::round(v / p.GetStep()) * p.GetStep();
  v = std::min(p.GetMax(), std::max(p.GetMin(), v));
  return std::clamp(p.GetShape().ValueToNormalized(v, p), 0.0, 1.0);
}

void IControl::SetDirty(bool triggerAction, int valIdx)
{
  if (NValues() == 1)
    valIdx = 0;
  const int first = valIdx < 0 ? 0 : valIdx;
  const int last = valIdx < 0 ? NValues() - 1 : std::min(valIdx, NValues() - 1);
  for (int v = first; v <= last; ++v)
    SetValue(std::clamp(GetValue(v), 0.0, 1.0), v);
  mDirty = true;
  if (!triggerAction)
    return;
  for (int v = first; v <= last; ++v)
  {
    // Every bound slot is sent on; the delegate ignores an index it does not know, and the peers bound to the
    // same index follow either way.
    if (GetParamIdx(v) < 0)
      continue;
    if (mDelegate)
      mDelegate->SendParamValueFromUI(GetParamIdx(v), GetValue(v));
    if (mGraphics)
      mGraphics->UpdatePeers(this, v);
  }
  if (mActionFn)
    mActionFn(this);
}

bool IControl::IsDirty() { return mAnimationFn ? true : mDirty; }

void IControl::SetValueFromDelegate(double value, int valIdx)
{
  if (mGraphics && mGraphics->ControlIsCaptured(this))
    return; // the user's drag wins
  if (std::isnan(value) || !Slot(valIdx) || !Differs(value, GetValue(valIdx)))
    return;
  SetValue(value, valIdx);
  SetDirty(false);
}

void IControl::SetValueFromUserInput(double value, int valIdx)
{
  if (std::isnan(value) || !Slot(valIdx) || !Differs(value, GetValue(valIdx)))
    return;
  SetValue(value, valIdx);
  SetDirty(true, valIdx);
}

void IControl::SetValueToDefault(int valIdx)
{
  if (NValues() == 1)
    valIdx = 0;
  const int first = valIdx < 0 ? 0 : valIdx;
  const int last = valIdx < 0 ? NValues() - 1 : std::min(valIdx, NValues() - 1);
  for (int v = first; v <= last; ++v)
    if (const IParam* p = GetParam(v))
      SetValue(NormalizedFromPlain(*p, p->GetDefault()), v);
  SetDirty(true, valIdx);
}

void IControl::OnPopupMenuSelection(IPopupMenu* selectedMenu, int valIdx)
{
  const IParam* p = GetParam(valIdx);
  if (!selectedMenu || valIdx < 0 || mPromptDisabled || !p)
    return;
  SetValueFromUserInput(NormalizedFromPlain(*p, static_cast<double>(selectedMenu->GetChosenItemIdx())), valIdx);
}

void IControl::PromptUserInput(int valIdx)
{
  const IParam* p = GetParam(valIdx);
  if (valIdx < 0 || mPromptDisabled || !p || !mGraphics)
    return;
  IRECT bounds = mDrawRect;
  if (p->NDisplayTexts() == 0)
  {
    const float cx = mDrawRect.CentreX(), cy = mDrawRect.CentreY();
    bounds = IRECT(cx - kPromptHalfWidth, cy - kPromptHalfHeight, cx + kPromptHalfWidth, cy + kPromptHalfHeight);
  }
  mGraphics->PromptParamInput(this, bounds, valIdx);
  SetDirty(false);
}

void IControl::PromptUserInputInRect(const IRECT& bounds, int valIdx)
{
  if (valIdx >= 0 && GetParam(valIdx) && !mPromptDisabled && mGraphics)
    mGraphics->PromptParamInput(this, bounds, valIdx);
}

void IControl::SnapToMouse(float x, float y, EDirection direction, const IRECT& bounds, int valIdx, double lo,
                           double hi)
{
  const float w = bounds.W(), h = bounds.H();
  if (direction == kHorizontal ? !(w > 0.f) : !(h > 0.f))
    return; // no track to measure along
  x = std::clamp(x, bounds.mLeft, bounds.mRight);
  y = std::clamp(y, bounds.mTop, bounds.mBottom);
  double f = direction == kHorizontal ? (x - bounds.mLeft) / w : 1.0 - (y - bounds.mTop) / h;
  f = std::round(f / kSnapGrid) * kSnapGrid;
  f = std::clamp(f, lo, hi);
  if (valIdx >= 0)
    SetValue(f, valIdx);
  else
    for (int v = 0; v < NValues(); ++v)
      SetValue(f, v);
  SetDirty(true, valIdx);
}

double IControl::NowMs() const
{
  const double seconds = mGraphics ? mGraphics->GetClock().Now() : foundation::SteadyClock().Now();
  return seconds * 1000.0;
}

void IControl::StartAnimation(int durationMs)
{
  mAnimationStartMs = NowMs();
  mAnimationDurationMs = durationMs;
}

double IControl::GetAnimationProgress() const
{
  if (!mAnimationFn || !(mAnimationDurationMs > 0.0))
    return mAnimationFn ? 1.0 + 1e-9 : 0.0;
  return (NowMs() - mAnimationStartMs) / mAnimationDurationMs;
}

void IControl::Animate()
{
  if (!mAnimationFn)
    return;
  const IAnimationFn fn = mAnimationFn; // ending the animation clears the member while it runs
  fn(this);
}

void IControl::OnEndAnimation()
{
  mAnimationFn = nullptr;
  SetDirty(false);
  if (mEndAnimationFn)
  {
    const IAnimationFn fn = mEndAnimationFn;
    fn(this);
  }
}

void IControl::AnimationFuncEndWhenDone(IControl* caller)
{
  if (caller->HasAnimation() && caller->GetAnimationProgress() > 1.0)
    caller->OnEndAnimation();
}

void IControl::ActionFuncAnimate(IControl* caller)
{
  caller->SetAnimation(AnimationFuncEndWhenDone, kDefaultAnimationDurationMs);
}

namespace {

void ShowValueBubble(IControl* caller, float x, float y, EDirection dir)
{
  IGraphics* g = caller->GetUI();
  if (!g)
    return;
  LibString text;
  if (const IParam* p = caller->GetParam(0))
  {
    p->GetDisplay(text, true);
    if (*p->GetLabel())
    {
      text.Append(" ");
      text.Append(p->GetLabel());
    }
  }
  g->ShowBubble(caller, x, y, text.Get(), dir, kBubbleMinContent);
}

} // namespace

void IControl::ActionFuncBubbleBeside(IControl* caller)
{
  ShowValueBubble(caller, caller->GetRECT().mRight, caller->GetRECT().CentreY(), kHorizontal);
}

void IControl::ActionFuncBubbleAbove(IControl* caller)
{
  ShowValueBubble(caller, caller->GetRECT().CentreX(), caller->GetRECT().mTop, kVertical);
}

} // namespace igraphics
} // namespace plug
