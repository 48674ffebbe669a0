#include "graphics/bases/ITextControl.h"

#include <cstdarg>
#include <cstring>

#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

ITextControl::ITextControl(const IRECT& bounds, const char* str, const IText& text, const IColor& bgColor,
                           bool setBoundsBasedOnStr)
  : IControl(bounds, -1, IActionFn()), mBGColor(bgColor), mSetBoundsBasedOnStr(setBoundsBasedOnStr)
{
  mStr.Set(str ? str : "");
  mIgnoreMouse = true;
  mText = text;
}

void ITextControl::OnInit()
{
  if (mSetBoundsBasedOnStr)
    SetBoundsBasedOnStr();
}

void ITextControl::DrawTextOnly(IGraphics& g)
{
  if (mStr.GetLength() > 0 && g.GetTextEntryRequester() != this)
    g.DrawText(mText, mStr.Get(), mDrawRect, &mBlend);
}

void ITextControl::Draw(IGraphics& g)
{
  g.FillRect(mBGColor, mDrawRect, &mBlend);
  DrawTextOnly(g);
}

void ITextControl::SetStr(const char* str)
{
  if (std::strcmp(mStr.Get(), str ? str : "") == 0)
    return;
  mStr.Set(str ? str : "");
  if (mSetBoundsBasedOnStr)
    SetBoundsBasedOnStr();
}

void ITextControl::SetStrFmt(int maxLength, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  mStr.VFormatCapped(maxLength, format, args);
  va_end(args);
}

void ITextControl::SetBoundsBasedOnStr()
{
  if (!mGraphics)
    return;
  IRECT r;
  mGraphics->MeasureText(mText, mStr.Get(), r);
  const float cx = mDrawRect.CentreX(), cy = mDrawRect.CentreY(), hw = r.W() / 2.f, hh = r.H() / 2.f;
  SetTargetAndDrawRectangles(IRECT(cx - hw, cy - hh, cx + hw, cy + hh));
}

} // namespace igraphics
} // namespace plug
