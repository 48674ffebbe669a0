#include "controls/IVKnobSliderControls.h"

#include <algorithm>
#include <cmath>

#include "core/IParam.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {
namespace {

constexpr float kPi = 3.14159265f;

/// Whether the style shows the value and the point lies in the control's non-empty value rectangle.
bool InValue(const IVStyle& style, const IRECT& valueBounds, float x, float y)
{
  return style.mShowValue && !valueBounds.Empty() && valueBounds.Contains(x, y);
}

/// The parameter's display text, with " " and its unit label when withLabel and it has one.
void ParamValueStr(const IControl& c, IVectorBase& vb, bool withLabel)
{
  if (const IParam* p = c.GetParam(0))
  {
    LibString s;
    if (withLabel)
      p->GetDisplayAndLabel(s);
    else
      p->GetDisplay(s);
    vb.SetValueStr(s.Get());
  }
}

void ParamNameAsLabel(const IControl& c, IVectorBase& vb)
{
  ParamValueStr(c, vb, false);
  if (const IParam* p = c.GetParam(0))
    if (!*vb.GetLabelStr())
      vb.SetLabelStr(p->GetName());
}

} // namespace

// ---- Knob ----

IVKnobControl::IVKnobControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                             bool valueIsEditable, bool valueInWidget, float a1, float a2, float aAnchor,
                             EDirection direction, double gearing, float trackSize)
  : IKnobControlBase(bounds, paramIdx, nullptr, direction, gearing), IVectorBase(style, false, valueInWidget),
    mAngle1(a1), mAngle2(a2), mAnchorAngle(aAnchor)
{
  SetControl(this, label);
  Setup(valueIsEditable, trackSize);
}

IVKnobControl::IVKnobControl(const IRECT& bounds, IActionFn action, const char* label, const IVStyle& style,
                             bool valueIsEditable, bool valueInWidget, float a1, float a2, float aAnchor,
                             EDirection direction, double gearing, float trackSize)
  : IKnobControlBase(bounds, -1, std::move(action), direction, gearing), IVectorBase(style, false, valueInWidget),
    mAngle1(a1), mAngle2(a2), mAnchorAngle(aAnchor)
{
  SetControl(this, label);
  Setup(valueIsEditable, trackSize);
}

void IVKnobControl::Setup(bool valueIsEditable, float trackSize)
{
  mText = mStyle.mValueText;
  mTrackThickness = trackSize;
  DisablePrompt(!valueIsEditable);
  mHideCursorOnDrag = mStyle.mHideCursorOnDrag;
}

void IVKnobControl::OnResize()
{
  mHitRect = MakeRects(mDrawRect, false);
  mMouseIsOver = false;
  SetDirty(false, -1);
}

void IVKnobControl::OnInit() { ParamNameAsLabel(*this, *this); }

void IVKnobControl::Draw(IGraphics& g)
{
  DrawBackground(g, mDrawRect);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, mValueMouseOver);
}

void IVKnobControl::DrawWidget(IGraphics& g)
{
  const IRECT& w = mWidgetBounds;
  const float r = std::min(w.W(), w.H()) / 2.f - mTrackThickness / 2.f, cx = w.CentreX(), cy = w.CentreY();
  const IRECT handle = w.GetCentredInside(std::max(1.f, 2.f * (r - mTrackToHandleDistance)));
  const float angle = mAngle1 + static_cast<float>(GetValue(0)) * (mAngle2 - mAngle1);
  DrawKnobArc(g, angle, cx, cy, r);
  DrawPressableShape(g, kVShapeEllipse, handle, mMouseDown, mMouseIsOver, IsDisabled());
  DrawKnobNeedle(g, angle, cx, cy, handle.W() / 2.f);
}

void IVKnobControl::DrawKnobArc(IGraphics& g, float angle, float cx, float cy, float r)
{
  if (mTrackThickness > 0.f)
    g.DrawArc(Color(kRoleExtra1), cx, cy, r, std::min(angle, mAnchorAngle), std::max(angle, mAnchorAngle), ControlBlend(),
              mTrackThickness);
}

void IVKnobControl::DrawKnobNeedle(IGraphics& g, float angle, float cx, float cy, float rho)
{
  const float theta = (angle - 90.f) * kPi / 180.f, c = std::cos(theta), s = std::sin(theta);
  g.DrawLine(Color(kRoleFrame), cx + c * mInnerPointerFrac * rho, cy + s * mInnerPointerFrac * rho,
             cx + c * mOuterPointerFrac * rho, cy + s * mOuterPointerFrac * rho, ControlBlend(), mPointerThickness);
}

// A square-ish extent even for a widget of no size, so a drag never divides by 0.
IRECT IVKnobControl::GetKnobDragBounds()
{
  const IRECT& w = mWidgetBounds;
  return w.W() > w.H() ? w.GetCentredInside(w.H() / 2.f, w.H()) : w.GetCentredInside(w.W(), w.W() / 2.f);
}

void IVKnobControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (InValue(mStyle, mValueBounds, x, y))
    PromptUserInputInRect(mValueBounds, 0);
  else
    IKnobControlBase::OnMouseDown(x, y, mod);
  SetDirty(false, -1);
}

void IVKnobControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  IKnobControlBase::OnMouseUp(x, y, mod);
  SetDirty(true, -1);
}

void IVKnobControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (mStyle.mShowValue && !GetPromptDisabled())
    mValueMouseOver = mValueBounds.Contains(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false, -1);
}

void IVKnobControl::OnMouseOut()
{
  mValueMouseOver = false;
  IControl::OnMouseOut();
}

bool IVKnobControl::HitTest(float x, float y) const
{
  return (!GetPromptDisabled() && mValueBounds.Contains(x, y)) || mWidgetBounds.Contains(x, y);
}

void IVKnobControl::SetDirty(bool triggerAction, int valIdx)
{
  IControl::SetDirty(triggerAction, -1);
  ParamValueStr(*this, *this, true);
}

// ---- Slider ----

IVSliderControl::IVSliderControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueIsEditable, EDirection direction, double gearing, float handleSize,
                                 float trackSize, bool handleInsideTrack)
  : ISliderControlBase(bounds, paramIdx, direction, gearing, handleSize), IVectorBase(style),
    mHandleInsideTrack(handleInsideTrack)
{
  SetControl(this, label);
  Setup(valueIsEditable, trackSize);
}

IVSliderControl::IVSliderControl(const IRECT& bounds, IActionFn action, const char* label, const IVStyle& style,
                                 bool valueIsEditable, EDirection direction, double gearing, float handleSize,
                                 float trackSize, bool handleInsideTrack)
  : ISliderControlBase(bounds, std::move(action), direction, gearing, handleSize), IVectorBase(style),
    mHandleInsideTrack(handleInsideTrack)
{
  SetControl(this, label);
  Setup(valueIsEditable, trackSize);
}

void IVSliderControl::Setup(bool valueIsEditable, float trackSize)
{
  mText = mStyle.mValueText;
  mTrackThickness = trackSize;
  DisablePrompt(!valueIsEditable);
  mHideCursorOnDrag = mStyle.mHideCursorOnDrag;
}

void IVSliderControl::OnResize()
{
  mHitRect = MakeRects(mDrawRect, false);
  mMouseIsOver = false;
  const IRECT t = mWidgetBounds.GetInset(mHandleSize);
  mTrack = mDirection == kHorizontal ? IRECT(t.mLeft, t.CentreY() - mTrackThickness, t.mRight, t.CentreY() + mTrackThickness)
                                     : IRECT(t.CentreX() - mTrackThickness, t.mTop, t.CentreX() + mTrackThickness, t.mBottom);
  SetDirty(false, -1);
}

void IVSliderControl::OnInit() { ParamNameAsLabel(*this, *this); }

void IVSliderControl::Draw(IGraphics& g)
{
  DrawBackground(g, mDrawRect);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, mValueMouseOver);
}

void IVSliderControl::DrawWidget(IGraphics& g)
{
  const float v = static_cast<float>(GetValue(0));
  const IRECT& t = mTrack;
  const bool vertical = mDirection == kVertical;
  const IRECT filled = vertical ? IRECT(t.mLeft, t.mBottom - t.H() * v, t.mRight, t.mBottom)
                                : IRECT(t.mLeft, t.mTop, t.mLeft + t.W() * v, t.mBottom);
  if (mTrackThickness > 0.f)
    DrawSliderBar(g, filled);
  const float cx = vertical ? t.CentreX() : t.mLeft + t.W() * v, cy = vertical ? t.mBottom - t.H() * v : t.CentreY();
  if (mHandleSize > 0.f)
    DrawSliderThumb(g, IRECT(cx - mHandleSize, cy - mHandleSize, cx + mHandleSize, cy + mHandleSize));
}

void IVSliderControl::DrawSliderBar(IGraphics& g, const IRECT& filled)
{
  IRECT track = mTrack, fill = filled;
  if (mHandleInsideTrack)
  {
    const float h = mHandleSize;
    track = mDirection == kVertical ? IRECT(track.mLeft, track.mTop - h, track.mRight, track.mBottom + h)
                                    : IRECT(track.mLeft - h, track.mTop, track.mRight + h, track.mBottom);
    fill = mDirection == kVertical ? IRECT(fill.mLeft, fill.mTop - h, fill.mRight, fill.mBottom + h)
                                   : IRECT(fill.mLeft - h, fill.mTop, fill.mRight + h, fill.mBottom);
  }
  const float radius = std::min(track.W(), track.H()) / 2.f * mStyle.mRoundness;
  g.FillRoundRect(Color(kRoleShadow), track, radius, ControlBlend());
  g.FillRoundRect(Color(kRoleExtra1), fill, radius, ControlBlend());
  if (mStyle.mDrawFrame)
    g.DrawRoundRect(Color(kRoleFrame), track, radius, ControlBlend(), mStyle.mFrameThickness);
}

void IVSliderControl::DrawSliderThumb(IGraphics& g, const IRECT& bounds)
{
  DrawPressableShape(g, kVShapeEllipse, bounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVSliderControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (InValue(mStyle, mValueBounds, x, y))
    PromptUserInputInRect(mValueBounds, 0);
  else
    ISliderControlBase::OnMouseDown(x, y, mod);
}

void IVSliderControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  ISliderControlBase::OnMouseUp(x, y, mod);
  SetDirty(true, -1);
}

void IVSliderControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (mStyle.mShowValue && !GetPromptDisabled())
    mValueMouseOver = mValueBounds.Contains(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false, -1);
}

void IVSliderControl::OnMouseOut()
{
  mValueMouseOver = false;
  IControl::OnMouseOut();
}

bool IVSliderControl::HitTest(float x, float y) const
{
  return (!GetPromptDisabled() && mValueBounds.Contains(x, y)) || mWidgetBounds.Contains(x, y);
}

void IVSliderControl::SetDirty(bool triggerAction, int valIdx)
{
  IControl::SetDirty(triggerAction, -1);
  ParamValueStr(*this, *this, false);
}

// ---- Tracks ----

IVTrackControlBase::IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style,
                                       std::initializer_list<int> params, int nSteps, EDirection direction,
                                       std::initializer_list<const char*> trackNames)
  : IControl(bounds, params), IVectorBase(style), mDirection(direction), mNSteps(nSteps)
{
  SetControl(this, label);
  mText = style.mValueText;
  for (const char* n : trackNames)
    mTrackNames.emplace_back(n ? n : "");
}

void IVTrackControlBase::OnResize()
{
  mHitRect = MakeRects(mDrawRect, false);
  mMouseIsOver = false;
  LayoutLanes(mWidgetBounds);
  LayoutLaneSteps(mWidgetBounds, mNSteps);
  SetDirty(false, -1);
}

void IVTrackControlBase::LayoutLanes(const IRECT& bounds)
{
  mTrackBounds.clear();
  for (const IRECT& r : SubdivideRect(bounds, NValues(), mDirection == kHorizontal ? kVertical : kHorizontal))
    mTrackBounds.push_back(r.GetInset(mTrackPadding));
}

void IVTrackControlBase::LayoutLaneSteps(const IRECT& bounds, int nSteps)
{
  mStepBounds.clear();
  if (nSteps <= 0)
    return;
  // Steps are cut along the lanes, across the way they fill.
  const std::vector<IRECT> cells = SubdivideRect(bounds, nSteps + (mZeroValueStepHasBounds ? 1 : 0), mDirection);
  mStepBounds.assign(cells.rbegin(), cells.rend());
}

int IVTrackControlBase::GetValIdxForPos(float x, float y) const
{
  for (size_t i = 0; i < mTrackBounds.size(); ++i)
    if (mTrackBounds[i].Contains(x, y))
      return static_cast<int>(i);
  return -1;
}

void IVTrackControlBase::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverIdx = GetValIdxForPos(x, y);
  SetDirty(false, -1);
}

void IVTrackControlBase::OnMouseOut()
{
  mMouseOverIdx = -1;
  SetDirty(false, -1);
}

void IVTrackControlBase::DrawWidget(IGraphics& g)
{
  for (int i = 0; i < static_cast<int>(mTrackBounds.size()); ++i)
    PaintLane(g, mTrackBounds[static_cast<size_t>(i)], i);
}

void IVTrackControlBase::PaintLaneBase(IGraphics& g, const IRECT& r, int chIdx)
{
  g.FillRect(kColorTransparent, r, ControlBlend());
  if (mBaseValue > 0.0)
  {
    const float f = static_cast<float>(mBaseValue);
    if (mDirection == kHorizontal)
      g.DrawVerticalLine(Color(kRoleShadow), r, f, ControlBlend(), 1.f);
    else
      g.DrawHorizontalLine(Color(kRoleShadow), r, f, ControlBlend(), 1.f);
  }
}

void IVTrackControlBase::PaintLaneSelection(IGraphics& g, const IRECT& r, int chIdx)
{
  g.FillRect(chIdx == mSelectedIdx ? Color(kRoleHighlight) : kColorTransparent, r, ControlBlend());
}

void IVTrackControlBase::PaintLaneLabel(IGraphics& g, const IRECT& r, int chIdx)
{
  const char* name = static_cast<size_t>(chIdx) < mTrackNames.size() ? mTrackNames[static_cast<size_t>(chIdx)].Get() : "";
  g.DrawText(mText, name, r, ControlBlend());
}

void IVTrackControlBase::PaintLaneFill(IGraphics& g, const IRECT& r, int chIdx)
{
  g.FillRect(chIdx == mSelectedIdx ? Color(kRoleExtra1) : Color(kRoleForeground), r, ControlBlend());
  if (chIdx == mMouseOverIdx)
    g.FillRect(Color(kRoleHighlight), r, ControlBlend());
}

void IVTrackControlBase::PaintLaneMarker(IGraphics& g, const IRECT& r, int chIdx)
{
  g.FillRect(Color(kRoleFrame), r, ControlBlend());
}

IRECT IVTrackControlBase::FilledPart(const IRECT& r, int chIdx) const
{
  const float v = static_cast<float>(GetValue(chIdx)), b = static_cast<float>(mBaseValue);
  if (mDirection == kHorizontal)
  {
    const float from = r.mLeft + r.W() * b, to = r.mLeft + r.W() * v;
    return IRECT(std::min(from, to), r.mTop, std::max(from, to), r.mBottom);
  }
  const float from = r.mBottom - r.H() * b, to = r.mBottom - r.H() * v;
  return IRECT(r.mLeft, std::min(from, to), r.mRight, std::max(from, to));
}

void IVTrackControlBase::PaintLane(IGraphics& g, const IRECT& r, int chIdx)
{
  PaintLaneSelection(g, r, chIdx);
  if (!mTrackNames.empty())
    PaintLaneLabel(g, r, chIdx);
  IRECT filled = FilledPart(r, chIdx);
  const bool horizontal = mDirection == kHorizontal;
  if (!mStepBounds.empty())
  {
    for (const IRECT& step : mStepBounds)
    {
      const float endX = filled.mRight - 0.5f, endY = filled.mTop + 0.5f;
      if (horizontal ? (step.mLeft <= endX && endX < step.mRight) : (step.mTop <= endY && endY < step.mBottom))
        filled = horizontal ? IRECT(filled.mLeft, filled.mTop, step.mRight, filled.mBottom)
                            : IRECT(filled.mLeft, step.mTop, filled.mRight, filled.mBottom);
    }
    if (mZeroValueStepHasBounds || GetValue(chIdx) > 0.0)
      PaintLaneFill(g, filled, chIdx);
  }
  else
  {
    PaintLaneFill(g, filled, chIdx);
    const IRECT marker = horizontal ? IRECT(filled.mRight - mPeakSize, filled.mTop, filled.mRight, filled.mBottom)
                                    : IRECT(filled.mLeft, filled.mTop, filled.mRight, filled.mTop + mPeakSize);
    PaintLaneMarker(g, marker, chIdx);
  }
  if (mStyle.mDrawFrame && mDrawTrackFrame)
    g.DrawRect(Color(kRoleFrame), r, ControlBlend(), mStyle.mFrameThickness);
}

// ---- Range slider ----

IVRangeSliderControl::IVRangeSliderControl(const IRECT& bounds, std::initializer_list<int> params, const char* label,
                                           const IVStyle& style, EDirection direction, float handleSize,
                                           float trackSize)
  : IVTrackControlBase(bounds, label, style, params, 0, direction), mHandleSize(handleSize)
{
  mTrackThickness = trackSize;
}

void IVRangeSliderControl::LayoutLanes(const IRECT& bounds)
{
  const IRECT t = bounds.GetInset(mHandleSize);
  const IRECT lane = mDirection == kHorizontal ? IRECT(t.mLeft, t.CentreY() - mTrackThickness, t.mRight, t.CentreY() + mTrackThickness)
                                               : IRECT(t.CentreX() - mTrackThickness, t.mTop, t.CentreX() + mTrackThickness, t.mBottom);
  mTrackBounds.assign(static_cast<size_t>(NValues()), lane);
}

float IVRangeSliderControl::ValuePos(int i) const
{
  if (mTrackBounds.empty())
    return 0.f;
  const IRECT& t = mTrackBounds.front();
  const float v = static_cast<float>(GetValue(i));
  return mDirection == kHorizontal ? t.mLeft + t.W() * v : t.mBottom - t.H() * v;
}

// Even handles sit below (or left of) the track pointing at it, odd ones above (or right), facing each other.
IRECT IVRangeSliderControl::GetHandleBounds(int i) const
{
  if (mTrackBounds.empty())
    return IRECT();
  const IRECT& t = mTrackBounds.front();
  const float p = ValuePos(i), s = mHandleSize, ts = mTrackThickness;
  const bool even = i % 2 == 0;
  if (mDirection == kHorizontal)
  {
    const float top = even ? t.CentreY() + ts : t.CentreY() - ts - 2.f * s;
    return IRECT(p - s, top, p + s, top + 2.f * s);
  }
  const float left = even ? t.CentreX() - ts - 2.f * s : t.CentreX() + ts;
  return IRECT(left, p - s, left + 2.f * s, p + s);
}

void IVRangeSliderControl::Draw(IGraphics& g)
{
  DrawBackground(g, mDrawRect);
  DrawLabel(g);
  DrawWidget(g);
}

void IVRangeSliderControl::DrawWidget(IGraphics& g)
{
  if (mTrackBounds.empty())
    return;
  const IRECT& t = mTrackBounds.front();
  PaintLaneSelection(g, t, 0);
  for (int i = 0; i + 1 < NValues(); ++i)
  {
    const float a = ValuePos(i), b = ValuePos(i + 1);
    const IRECT span = mDirection == kHorizontal ? IRECT(std::min(a, b), t.mTop, std::max(a, b), t.mBottom)
                                                 : IRECT(t.mLeft, std::min(a, b), t.mRight, std::max(a, b));
    g.FillRect(Color(kRoleExtra1), span, ControlBlend());
  }
  if (mStyle.mDrawFrame && mDrawTrackFrame)
    g.DrawRect(Color(kRoleFrame), t, ControlBlend(), mStyle.mFrameThickness);
  for (int i = 0; i < NValues(); ++i)
    PaintLane(g, t, i);
}

void IVRangeSliderControl::PaintLane(IGraphics& g, const IRECT& r, int chIdx)
{
  const bool even = chIdx % 2 == 0;
  const float angle = mDirection == kHorizontal ? (even ? 0.f : 180.f) : (even ? 90.f : 270.f);
  const bool over = chIdx == mMouseOverHandle;
  DrawPressableTriangle(g, GetHandleBounds(chIdx), over && mMouseIsDown, over, angle, IsDisabled());
}

void IVRangeSliderControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverHandle = -1;
  for (int i = 0; i < NValues() && mMouseOverHandle < 0; ++i)
    if (GetHandleBounds(i).Contains(x, y))
      mMouseOverHandle = i;
  SetDirty(false, -1);
}

void IVRangeSliderControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseIsDown = true;
  OnMouseDrag(x, y, 0.f, 0.f, mod);
}

// A handle moves between its neighbours' values and never passes them.
void IVRangeSliderControl::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  const int i = mMouseOverHandle;
  if (i < 0)
    return;
  const double lo = i > 0 ? GetValue(i - 1) : 0.0, hi = i + 1 < NValues() ? GetValue(i + 1) : 1.0;
  SnapToMouse(x, y, mDirection, mWidgetBounds, i, lo, hi);
}

void IVRangeSliderControl::OnMouseUp(float x, float y, const IMouseMod& mod) { mMouseIsDown = false; }

void IVRangeSliderControl::OnMouseOut()
{
  mMouseOverHandle = -1;
  mMouseOverIdx = -1;
  SetDirty(false, -1);
}

// ---- XY pad ----

IVXYPadControl::IVXYPadControl(const IRECT& bounds, std::initializer_list<int> params, const char* label,
                               const IVStyle& style, float handleRadius)
  : IControl(bounds, params), IVectorBase(style), mHandleRadius(handleRadius)
{
  SetControl(this, label);
  mText = style.mValueText;
}

void IVXYPadControl::OnResize()
{
  mHitRect = MakeRects(mDrawRect, false);
  mMouseIsOver = false;
  SetDirty(false, -1);
}

void IVXYPadControl::Draw(IGraphics& g)
{
  DrawBackground(g, mDrawRect);
  DrawLabel(g);
  if (mStyle.mDrawFrame)
    g.DrawRect(Color(kRoleFrame), mWidgetBounds, ControlBlend(), mStyle.mFrameThickness);
  DrawWidget(g);
}

void IVXYPadControl::DrawWidget(IGraphics& g)
{
  DrawPadCross(g);
  const IRECT area = mTrackClipsHandle ? mWidgetBounds : mWidgetBounds.GetInset(mHandleRadius);
  const float cx = area.mLeft + static_cast<float>(GetValue(0)) * area.W();
  const float cy = area.mBottom - static_cast<float>(GetValue(1)) * area.H();
  const float r = mHandleRadius;
  DrawPadThumb(g, area, IRECT(cx - r, cy - r, cx + r, cy + r));
}

void IVXYPadControl::DrawPadCross(IGraphics& g)
{
  g.DrawVerticalLine(Color(kRoleShadow), mWidgetBounds, 0.5f, ControlBlend(), 1.f);
  g.DrawHorizontalLine(Color(kRoleShadow), mWidgetBounds, 0.5f, ControlBlend(), 1.f);
}

void IVXYPadControl::DrawPadThumb(IGraphics& g, const IRECT& area, const IRECT& handleBounds)
{
  if (mTrackClipsHandle)
    g.PathClipRegion(area.GetInset(mStyle.mFrameThickness / 2.f).Intersect(g.GetClipRegion()));
  DrawPressableShape(g, kVShapeEllipse, handleBounds, mMouseDown, mMouseIsOver, IsDisabled());
  if (mTrackClipsHandle)
    g.PathClipRegion(g.GetClipRegion());
}

void IVXYPadControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  if (mStyle.mHideCursorOnDrag && mGraphics)
    mGraphics->HideMouseCursor(true, true);
  OnMouseDrag(x, y, 0.f, 0.f, mod);
}

// The point clamped into the pad gives both values; a side of no length leaves its value as it is.
void IVXYPadControl::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  const IRECT& r = mDrawRect;
  x = std::clamp(x, r.mLeft, r.mRight);
  y = std::clamp(y, r.mTop, r.mBottom);
  if (r.W() > 0.f)
    SetValue((x - r.mLeft) / r.W(), 0);
  if (r.H() > 0.f)
    SetValue(1.0 - (y - r.mTop) / r.H(), 1);
  SetDirty(true, -1);
}

void IVXYPadControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (mStyle.mHideCursorOnDrag && mGraphics)
    mGraphics->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(true, -1);
}

} // namespace igraphics
} // namespace plug
