#include "ui/DisplayControls.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/IParam.h"
#include "graphics/IGraphics.h"

using namespace plug::igraphics;

IRECT BitmapFrameRect(float x, float y, const IBitmap& b)
{
  const int n = std::max(1, b.N());
  const float w = (float)(b.GetFramesAreHorizontal() ? b.W() / n : b.W());
  const float h = (float)(b.GetFramesAreHorizontal() ? b.H() : b.H() / n);
  return IRECT(x, y, x + w, y + h);
}

IBBitmapControlVQ::IBBitmapControlVQ(float x, float y, const IBitmap& bitmap)
  : IControl(BitmapFrameRect(x, y, bitmap)), IBitmapBase(bitmap, this)
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
  SetDblAsSingleClick(true);
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
  : IControl(BitmapFrameRect(x, y, bitmap), paramIdx, std::move(action)), IBitmapBase(bitmap, this), mWheel(wheel)
{
  DisablePrompt(false);
  SetDblAsSingleClick(true);
}

void IBPopupMenuVQ::OnMouseWheel(float, float, const IMouseMod&, float d)
{
  if (mWheel) WheelStep(*this, d);
}

IBitmap RescaledBitmap(IControl& c, const IBitmap& bitmap)
{
  if (!c.GetUI() || !bitmap.IsValid()) return bitmap;
  IBitmap reloaded = c.GetUI()->RescaleBitmap(bitmap);
  return reloaded.IsValid() ? reloaded : bitmap;
}

void IBPopupMenuVQ::OnRescale() { SetBitmap(RescaledBitmap(*this, mBitmap)); }

IBSwitchControlVQ::IBSwitchControlVQ(float x, float y, const IBitmap& bitmap, int paramIdx)
  : ISwitchControlBase(BitmapFrameRect(x, y, bitmap), paramIdx, nullptr, std::max(2, bitmap.N())),
    IBitmapBase(bitmap, this)
{
}

void IBSwitchControlVQ::OnMouseDown(float, float, const IMouseMod&)
{
  // One frame further per press; past the last frame (with a little slack for rounding) back to the first.
  const int frames = std::max(2, mBitmap.N());
  double v = GetValue(0) + 1.0 / (frames - 1);
  if (v > 1.001) v = 0.0;
  SetValue(v, 0);
  SetDirty(true, -1);
}

void IBSwitchControlVQ::OnRescale() { SetBitmap(RescaledBitmap(*this, mBitmap)); }
