#include "ui/KnobMultiControl.h"

#include <algorithm>
#include <string>

#include "core/IParam.h"
#include "graphics/context/IGraphics.h"
#include "graphics/resources/BitmapFrames.h"

using namespace plug::igraphics;

namespace {
/// Fractions of the range per wheel notch: plain, with Shift, with Ctrl.
constexpr double kWheelStep = 0.01, kWheelFine = 0.001, kWheelCoarse = 0.1;
/// Shift makes dragging this much finer.
constexpr double kFineDrag = 10.0;
} // namespace

IBKnobMultiControlVQ::IBKnobMultiControlVQ(float x, float y, int paramIdx, const IBitmap& bitmap, const IText& text,
                                           const Options& o)
  : IBKnobControl(FrameRectAt(bitmap, x, y), bitmap, paramIdx, o.direction, o.gearing),
    mShowLabel(o.showLabel), mShowOnHover(o.showOnHover), mAlwaysShow(o.alwaysShow), mDrawBox(o.drawBox),
    mBoxColor(o.boxColor), mTextPlace(o.textPlace),
    mWidthTemplate(std::string((size_t)std::max(0, o.templateWidth), '0').c_str()), mUnitWheel(o.unitWheel)
{
  SetText(text);
  DisablePrompt(o.textEntryDisabled);
}

KnobRange IBKnobMultiControlVQ::Range() const
{
  const plug::IParam* p = GetParam();
  if (!p) return {};
  return {p->GetMin(), p->GetMax(), p->GetStep(), p->GetStepped()};
}

void IBKnobMultiControlVQ::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  mMouseDragValue = GetValue(0);
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(true, true);
  if (mod.mCtrl) SetValueToDefault(GetValIdxForPos(x, y));
}

void IBKnobMultiControlVQ::OnMouseUp(float, float, const IMouseMod&)
{
  mMouseDown = false;
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(false, true);
}

void IBKnobMultiControlVQ::OnMouseDrag(float, float, float dX, float dY, const IMouseMod& mod)
{
  if (mod.mCtrl) return;
  const double gearing = mGearing * (mod.mShift ? kFineDrag : 1.0);
  const IRECT r = GetKnobDragBounds();
  const double before = mMouseDragValue;
  mMouseDragValue = mDirection == kVertical ? DragAccumulator(before, dY, r.mTop - r.mBottom, gearing)
                                            : DragAccumulator(before, dX, r.mRight - r.mLeft, gearing);
  if (mMouseDragValue == before) return; // empty bounds or no movement
  SetValue(SnapNormalized(mMouseDragValue, Range()), 0);
  SetDirty(true, -1);
}

void IBKnobMultiControlVQ::OnMouseDblClick(float x, float y, const IMouseMod&)
{
  if (GetPromptDisabled() || !GetUI()) return;
  mSavedMouseOverIdx = GetUI()->GetMouseOverIdx();
  GetUI()->PromptParamInput(this, KnobValueTextRect(), GetValIdxForPos(x, y));
}

void IBKnobMultiControlVQ::SetValueFromUserInput(double value, int valIdx)
{
  // The value arrives once typing ends, wherever the pointer is by then: the plug-in sees the knob as the control
  // under the pointer, as when it was double-clicked.
  IGraphics* ui = GetUI();
  const int now = ui ? ui->GetMouseOverIdx() : -1;
  if (ui) ui->SetMouseOverIdx(mSavedMouseOverIdx);
  IControl::SetValueFromUserInput(value, valIdx);
  if (ui) ui->SetMouseOverIdx(now);
}

void IBKnobMultiControlVQ::OnMouseWheel(float, float, const IMouseMod& mod, float d)
{
  if (d == 0) return;
  if (mUnitWheel)
  {
    KnobWheelStep(mod, d > 0 ? 1.f : -1.f);
    SetDirty(true, -1);
    return;
  }
  const double fraction = mod.mCtrl ? kWheelCoarse : mod.mShift ? kWheelFine : kWheelStep;
  SetValue(WheelNormalized(GetValue(0), d, fraction, Range()), 0);
  SetDirty(true, -1);
}

void IBKnobMultiControlVQ::KnobWheelStep(const IMouseMod& mod, float notch)
{
  const plug::IParam* p = GetParam();
  if (!p) return;
  const KnobWheelUnit unit = mod.mCtrl ? KnobWheelUnit::kThree : mod.mShift ? KnobWheelUnit::kTenth : KnobWheelUnit::kOne;
  const double plain = WheelPlain(p->Value(), notch > 0 ? 1 : -1, unit, Range());
  SetValue(std::clamp(p->ToNormalized(plain), 0.0, 1.0), 0);
}

void IBKnobMultiControlVQ::OnMouseOver(float, float, const IMouseMod&)
{
  mMouseOver = true;
  SetDirty(false, -1);
}

void IBKnobMultiControlVQ::OnMouseOut()
{
  mMouseOver = false;
  SetDirty(false, -1);
}

IRECT IBKnobMultiControlVQ::KnobValueTextRect() const
{
  IRECT measured;
  if (GetUI()) GetUI()->MeasureText(GetText(), mWidthTemplate.Get(), measured);
  const float w = measured.W() / 2, h = measured.H() / 2;
  const IRECT& r = GetRECT();
  const float cx = r.CentreX();
  switch (mTextPlace)
  {
  case kTextTop: return IRECT(cx - w, r.mTop, cx + w, r.mTop + 2 * h);
  case kTextMiddle: return IRECT(cx - w, r.CentreY() - h, cx + w, r.CentreY() + h);
  case kTextBottom: return IRECT(cx - w, r.mBottom - 2 * h, cx + w, r.mBottom);
  default: return IRECT(cx - w, measured.mTop, cx + w, measured.mBottom);
  }
}

void IBKnobMultiControlVQ::Draw(IGraphics& g)
{
  DrawBitmap(g);
  const plug::IParam* p = GetParam();
  if (!ShowsValueText() || !p) return;
  plug::LibString text;
  p->GetDisplay(text);
  if (mShowLabel)
  {
    text.Append(" ");
    text.Append(p->GetLabel());
  }
  IText style = GetText();
  if (IsDisabled()) style.mTextColor.mAlpha /= 2;
  const IRECT box = KnobValueTextRect();
  if (mDrawBox) g.FillRect(mBoxColor, box);
  g.DrawText(style, text.Get(), box);
}
