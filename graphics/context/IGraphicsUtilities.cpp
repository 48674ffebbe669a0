// Drawing utilities over the back end's primitives (text, bitmap frames, bitmap-font text, lines, grids),
// text measurement, tooltips from parameter names and value bubbles.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/IEditorDelegate.h"
#include "core/IParam.h"
#include "graphics/context/IGraphics.h"
#include "graphics/overlay/OverlayControls.h"

namespace plug {
namespace igraphics {

namespace {

/// A bitmap with an image and a size to take frames from.
bool Drawable(const IBitmap& bitmap) { return bitmap.IsValid() && bitmap.W() > 0 && bitmap.H() > 0; }

/// Bitmap fonts hold the printable characters from the blank on, one per frame: the blank is frame 1.
constexpr int kFirstBitmapChar = 32;

/// Which bubble serves the next touch that no bubble serves yet, shared by every graphics context.
int sNextBubble = 0;

constexpr double kPi = 3.14159265358979323846;

} // namespace

float IGraphics::MeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  if (!str || !*str)
    return 0.f;
  return DoMeasureText(text, str, bounds);
}

void IGraphics::DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend)
{
  if (str && *str)
    DoDrawText(text, str, bounds, blend);
}

void IGraphics::DrawText(const IText& text, const char* str, float x, float y, const IBlend* blend)
{
  DrawText(text, str, IRECT(x, y, x, y), blend);
}

void IGraphics::DrawBitmapFrame(const IBitmap& bitmap, const IRECT& bounds, int frame, const IBlend* blend)
{
  if (!Drawable(bitmap))
    return;
  const int n = std::max(1, bitmap.N());
  const int k = std::clamp(frame, 1, n);
  int srcX = 0, srcY = 0;
  if (n >= 2 && k >= 2)
  {
    if (bitmap.GetFramesAreHorizontal())
      srcX = (k - 1) * bitmap.W() / n;
    else
      srcY = (k - 1) * bitmap.H() / n;
  }
  DrawBitmap(bitmap, bounds, srcX, srcY, blend);
}

IBitmap IGraphics::RescaleBitmap(const IBitmap& bitmap)
{
  if (!bitmap.IsValid())
    return bitmap;
  return LoadBitmap(bitmap.GetResourceName(), bitmap.N(), bitmap.GetFramesAreHorizontal(), mScreenScale);
}

void IGraphics::DrawBitmapText(const IBitmap& bitmap, const IRECT& bounds, const IText& text, const IBlend* blend,
                               const char* str, bool vCenter, bool multiline, int charWidth, int charHeight,
                               int charOffset)
{
  // Without a character width or a place to put characters, no line holds a character.
  if (!str || !*str || !Drawable(bitmap) || charWidth <= 0 || !(bounds.W() > 0.f))
    return;
  const size_t len = std::strlen(str);
  const float cw = static_cast<float>(charWidth), ch = static_cast<float>(charHeight);
  const float textWidth = static_cast<float>(len) * cw;
  const float top = vCenter ? bounds.mTop + (bounds.H() - ch) * 0.5f : bounds.mTop;
  float left = 0.f;
  switch (static_cast<int>(text.mHAlign))
  {
  case 0: left = bounds.mLeft; break;
  case 1: left = bounds.mLeft + (bounds.W() - textWidth) * 0.5f; break;
  case 2: left = bounds.mRight - textWidth; break;
  default: break;
  }
  const double fitting = std::trunc(static_cast<double>(bounds.W()) / cw);
  double lines = 1.0, perLine = fitting;
  if (multiline && textWidth <= bounds.W())
    perLine = static_cast<double>(len);
  else if (multiline)
    lines = std::trunc(static_cast<double>(textWidth) / bounds.W()) + 1.0;
  if (perLine < 1.0)
    return;

  size_t next = 0;
  for (double l = 0.0; l < lines; l += 1.0)
    for (double c = 0.0; c < perLine; c += 1.0)
    {
      if (next >= len)
        return;
      // Bytes outside the printable ASCII range (negative as signed characters) draw as the blank.
      const int code = std::max(kFirstBitmapChar, static_cast<int>(static_cast<signed char>(str[next++])));
      const float x = left + static_cast<float>(c) * static_cast<float>(charWidth + charOffset);
      const float y = top + static_cast<float>(l) * ch;
      DrawBitmapFrame(bitmap, IRECT(x, y, x + cw, y + ch), std::min(code - kFirstBitmapChar + 1, bitmap.N()),
                      blend);
    }
}

void IGraphics::DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* blend,
                                 float thickness)
{
  x = std::clamp(x, 0.f, 1.f);
  const float xi = bounds.mLeft + std::trunc(bounds.W() * x);
  DrawVerticalLine(color, xi, bounds.mTop, bounds.mBottom, blend, thickness);
}

void IGraphics::DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* blend,
                                 float thickness)
{
  DrawLine(color, xi, yLo, xi, yHi, blend, thickness);
}

void IGraphics::DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* blend,
                                   float thickness)
{
  y = std::clamp(y, 0.f, 1.f);
  DrawHorizontalLine(color, bounds.mBottom - bounds.H() * y, bounds.mLeft, bounds.mRight, blend, thickness);
}

void IGraphics::DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* blend,
                                   float thickness)
{
  DrawLine(color, xLo, yi, xHi, yi, blend, thickness);
}

void IGraphics::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                               const IBlend* blend, float thickness)
{
  // Degrees clockwise from straight up.
  const double t = (angle - 90.0) / 180.0 * kPi;
  const float c = static_cast<float>(std::cos(t)), s = static_cast<float>(std::sin(t));
  DrawLine(color, cx + c * rMin, cy + s * rMin, cx + c * rMax, cy + s * rMax, blend, thickness);
}

void IGraphics::PathRadialLine(float cx, float cy, float angle, float rMin, float rMax)
{
  const double t = (angle - 90.0) / 180.0 * kPi;
  const float c = static_cast<float>(std::cos(t)), s = static_cast<float>(std::sin(t));
  PathMoveTo(cx + c * rMin, cy + s * rMin);
  PathLineTo(cx + c * rMax, cy + s * rMax);
}

void IGraphics::DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                         const IBlend* blend, float thickness)
{
  const float w = bounds.W(), h = bounds.H();
  if (gridSizeH > 1.f)
    for (int i = 1; static_cast<float>(i) * gridSizeH < w; ++i)
      DrawVerticalLine(color, bounds, static_cast<float>(i) * gridSizeH / w, blend, thickness);
  // Horizontal lines count from the bottom.
  if (gridSizeV > 1.f)
    for (int i = 1; static_cast<float>(i) * gridSizeV < h; ++i)
      DrawHorizontalLine(color, bounds, static_cast<float>(i) * gridSizeV / h, blend, thickness);
}

void IGraphics::AssignParamNameToolTips()
{
  VisitListedControls([](IControl& c) {
    if (const IParam* p = c.GetParam(0))
      c.SetTooltip(p->GetName());
  });
}

void IGraphics::AttachBubbleControl(const IText& text)
{
  AttachBubbleControl(new IBubbleControl(text, kColorWhite, kColorBlack, 5.f));
}

void IGraphics::AttachBubbleControl(IBubbleControl* control)
{
  InitSpecialControl(*control);
  if (!mBubbleControls.Add(control))
    delete control;
}

void IGraphics::ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                           const IRECT& minimumContentBounds)
{
  const int n = mBubbleControls.GetSize();
  if (n == 0)
    return; // no bubble attached: nothing to show it in
  if (!mEnableMultiTouch)
  {
    mBubbleControls.Get(0)->ShowBubble(caller, x, y, str, dir, minimumContentBounds, 0);
    return;
  }
  std::vector<uint64_t> touches;
  GetCapturedTouchIds(caller, touches);
  if (touches.size() != 1)
    return;
  int b = FindBubbleForTouch(touches[0]);
  if (b < 0)
  {
    // The shared counter may have been moved on by a context with more bubbles than this one.
    b = sNextBubble % n;
    sNextBubble = (b + 1) % n;
  }
  mBubbleControls.Get(b)->ShowBubble(caller, x, y, str, dir, minimumContentBounds, touches[0]);
}

void IGraphics::GetCapturedTouchIds(IControl* control, std::vector<uint64_t>& ids) const
{
  for (const auto& capture : mTouchCaptures)
    if (capture.second == control)
      ids.push_back(capture.first);
}

int IGraphics::FindBubbleForTouch(uint64_t touchId) const
{
  for (int i = 0; i < mBubbleControls.GetSize(); ++i)
    if (mBubbleControls.Get(i)->GetTouchId() == touchId)
      return i;
  return -1;
}

} // namespace igraphics
} // namespace plug
