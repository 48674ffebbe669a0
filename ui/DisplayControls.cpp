#include "ui/DisplayControls.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/IParam.h"
#include "graphics/context/IGraphics.h"

using namespace plug::igraphics;

IBBitmapControlVQ::IBBitmapControlVQ(float x, float y, const IBitmap& bitmap)
  : IControl(FrameRectAt(bitmap, x, y)), IBitmapBase(bitmap, this)
{
}

void IVTextControlVQ::SetStr(const char* str)
{
  if (std::strcmp(GetStr(), str ? str : "") == 0) return;
  ITextControl::SetStr(str);
  SetDirty(true, -1);
}

double DropDownWheelValue(int current, float d, double span)
{
  if (!(span > 0)) return 0;
  const double n = std::trunc((double)d);
  return std::clamp((current - n) / span, 0.0, 1.0);
}

namespace {
void WheelStep(IControl& c, float d)
{
  const plug::IParam* param = c.GetParam();
  if (!param) return;
  c.SetValue(DropDownWheelValue((int)param->Value(), d, param->GetRange()), 0);
  c.SetDirty(true, -1);
}
} // namespace

IVPopupMenuVQ::IVPopupMenuVQ(const IRECT& bounds, int paramIdx, const IText& text, bool wheel, bool drawText)
  : IControl(bounds, paramIdx), mWheel(wheel), mDrawText(drawText)
{
  SetText(text);
  DisablePrompt(false);
  SetDblClickAsClick(true);
}

void IVPopupMenuVQ::OnMouseWheel(float, float, const IMouseMod&, float d)
{
  if (mWheel) WheelStep(*this, d);
}

void IVPopupMenuVQ::Draw(IGraphics& g)
{
  const plug::IParam* param = GetParam();
  if (!mDrawText || !param) return;
  plug::LibString display;
  param->GetDisplay(display);
  g.DrawText(GetText(), display.Get(), GetRECT());
}

IBPopupMenuVQ::IBPopupMenuVQ(float x, float y, int paramIdx, const IBitmap& bitmap, bool wheel, IActionFn action)
  : IControl(FrameRectAt(bitmap, x, y), paramIdx, std::move(action)), IBitmapBase(bitmap, this), mWheel(wheel)
{
  DisablePrompt(false);
  SetDblClickAsClick(true);
}

void IBPopupMenuVQ::OnMouseWheel(float, float, const IMouseMod&, float d)
{
  if (mWheel) WheelStep(*this, d);
}

void IBPopupMenuVQ::OnRescale() { SetBitmap(RescaledBitmap(GetUI(), mBitmap)); }

