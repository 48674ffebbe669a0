// A control's construction, geometry, visibility, hit test, hover, corner marker and gestures.
#include "graphics/bases/IControl.h"

#include <algorithm>
#include <stdexcept>

#include "core/IEditorDelegate.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

IControl::IControl(const IRECT& bounds, int paramIdx, IActionFn actionFunc)
  : mDrawRect(bounds), mHitRect(bounds), mActionFn(std::move(actionFunc))
{
  mValues.push_back({paramIdx, 0.0});
}

IControl::IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFn actionFunc)
  : mDrawRect(bounds), mHitRect(bounds), mActionFn(std::move(actionFunc))
{
  for (int p : params)
    mValues.push_back({p, 0.0});
}

IControl::IControl(const IRECT& bounds, IActionFn actionFunc) : IControl(bounds, -1, std::move(actionFunc)) {}

IControl::~IControl() = default;

void IControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mod.mRight)
    PromptUserInput(GetValIdxForPos(x, y));
}

void IControl::OnMouseDblClick(float x, float y, const IMouseMod& mod) { SetValueToDefault(GetValIdxForPos(x, y)); }

void IControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  const bool was = mMouseIsOver;
  mMouseIsOver = true;
  if (!was)
    SetDirty(false);
}

void IControl::OnMouseOut()
{
  const bool was = mMouseIsOver;
  mMouseIsOver = false;
  if (was)
    SetDirty(false);
}

bool IControl::OnGesture(float x, float y, const IGestureInfo& info)
{
  const auto it = mGestureFns.find(info.type);
  if (it == mGestureFns.end())
    return false;
  mLastGesture = info.type;
  const IGestureFn fn = it->second; // the function may replace itself
  fn(this, info);
  return true;
}

void IControl::DrawCornerMarker(IGraphics& g)
{
  if (mMarkerOn)
    g.FillCircle(mMarkerColor, mDrawRect.mRight - 5.f, mDrawRect.mTop + 5.f, 2.f, nullptr);
}

void IControl::SetParamIdx(int paramIdx, int valIdx)
{
  if (valIdx < 0 || valIdx >= NValues())
    throw std::out_of_range("IControl::SetParamIdx: no such value");
  mValues[static_cast<size_t>(valIdx)].mParamIdx = paramIdx;
}

void IControl::SetPosition(float x, float y)
{
  x = std::max(x, 0.f);
  y = std::max(y, 0.f);
  const float hitX = x + (mHitRect.mLeft - mDrawRect.mLeft);
  const float hitY = y + (mHitRect.mTop - mDrawRect.mTop);
  mDrawRect = IRECT(x, y, x + mDrawRect.W(), y + mDrawRect.H());
  mMouseIsOver = false;
  OnResize();
  mHitRect = IRECT(hitX, hitY, hitX + mHitRect.W(), hitY + mHitRect.H());
  mMouseIsOver = false;
}

void IControl::SetSize(float w, float h)
{
  w = std::max(w, 0.f);
  h = std::max(h, 0.f);
  mDrawRect = mHitRect = IRECT(mDrawRect.mLeft, mDrawRect.mTop, mDrawRect.mLeft + w, mDrawRect.mTop + h);
  mMouseIsOver = false;
  OnResize();
}

void IControl::SetHidden(bool hide)
{
  mHidden = hide;
  SetDirty(false);
}

void IControl::SetDisabled(bool disable)
{
  mBlend.mWeight = disable ? kDisabledBlendWeight : 1.f;
  mDisabled = disable;
  SetDirty(false);
}

bool IControl::HitTest(float x, float y) const { return !mHitRect.Empty() && mHitRect.Contains(x, y); }

void IControl::SetCornerMarker(bool on, int colorIdx)
{
  static const IColor* const kMarkerColors[] = {&kColorRed, &kColorBlue, &kColorGreen, &kColorYellow};
  if (colorIdx >= 0 && colorIdx < 4)
    mMarkerColor = *kMarkerColors[colorIdx];
  mMarkerOn = on;
  SetDirty(false);
}

IControl* IControl::AttachGestureFn(EGestureType type, IGestureFn func)
{
  mGestureFns.emplace(type, std::move(func));
  if (mGraphics)
    mGraphics->AddGestureType(type);
  return this;
}

IValueSlot* IControl::Slot(int valIdx)
{
  return (valIdx >= 0 && valIdx < NValues()) ? &mValues[static_cast<size_t>(valIdx)] : nullptr;
}

const IValueSlot* IControl::Slot(int valIdx) const
{
  return (valIdx >= 0 && valIdx < NValues()) ? &mValues[static_cast<size_t>(valIdx)] : nullptr;
}

int IControl::GetParamIdx(int valIdx) const
{
  const IValueSlot* s = Slot(valIdx);
  return s ? s->mParamIdx : -1;
}

const IParam* IControl::GetParam(int valIdx) const
{
  const int p = GetParamIdx(valIdx);
  if (p < 0 || !mDelegate)
    return nullptr;
  return mDelegate->GetParam(p);
}

double IControl::GetValue(int valIdx) const
{
  const IValueSlot* s = Slot(valIdx);
  return s ? s->mValue : 0.0;
}

int IControl::FindValIdxOfParam(int paramIdx) const
{
  for (int v = 0; v < NValues(); ++v)
    if (mValues[static_cast<size_t>(v)].mParamIdx == paramIdx)
      return v;
  return -1;
}

} // namespace igraphics
} // namespace plug
