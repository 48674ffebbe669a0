#include "graphics/overlay/IFPSDisplayControl.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {
namespace {

/// What each style plots of a frame time, and the top of its scale.
float Plotted(int style, float t)
{
  switch (style)
  {
  case IFPSDisplayControl::kFPS: return 1.f / (t + 0.00001f);
  case IFPSDisplayControl::kMilliseconds: return t * 1000.f;
  default: return t;
  }
}
float ScaleTop(int style) { return style == IFPSDisplayControl::kFPS ? 80.f : style == IFPSDisplayControl::kMilliseconds ? 20.f : 100.f; }

} // namespace

IFPSDisplayControl::IFPSDisplayControl(const IRECT& bounds, int style, const char* label)
  : IControl(bounds), IVectorBase(IVStyle()), mStyle(style)
{
  SetControl(this, label);
  mLabel.Set(label ? label : "");
}

void IFPSDisplayControl::Update(float frameTime)
{
  mWriteIdx = (mWriteIdx + 1) % kNumFrameTimes;
  mFrameTimes[static_cast<size_t>(mWriteIdx)] = frameTime;
}

void IFPSDisplayControl::Draw(IGraphics& g)
{
  const IRECT& r = mDrawRect;
  DrawBackground(g, r);
  g.DrawRect(kColorBlack, r, nullptr, 1.f);

  // The graph from the oldest sample, as one filled polygon closed along the bottom edge.
  std::vector<float> xs, ys;
  float sum = 0.f;
  for (int i = 0; i < kNumFrameTimes; ++i)
  {
    const float t = mFrameTimes[static_cast<size_t>((mWriteIdx + 1 + i) % kNumFrameTimes)];
    sum += t;
    const float v = std::clamp(Plotted(mStyle, t) / ScaleTop(mStyle), 0.f, 1.f);
    xs.push_back(r.mLeft + r.W() * static_cast<float>(i) / static_cast<float>(kNumFrameTimes - 1));
    ys.push_back(r.mBottom - r.H() * v);
  }
  xs.push_back(r.mRight);
  ys.push_back(r.mBottom);
  xs.push_back(r.mLeft);
  ys.push_back(r.mBottom);
  g.FillConvexPolygon(Color(kRoleForeground), xs.data(), ys.data(), static_cast<int>(xs.size()), &mBlend);

  const float avg = sum / static_cast<float>(kNumFrameTimes);
  char text[64];
  if (mStyle == kFPS)
  {
    std::snprintf(text, sizeof(text), "%.2f ms", avg * 1000.f);
    g.DrawText(mTextStyle, text, IRECT(r.mLeft, r.mBottom - 36.f, r.mRight, r.mBottom - 20.f), &mBlend);
    std::snprintf(text, sizeof(text), "%.2f FPS", avg > 0.f ? 1.f / avg : 0.f);
  }
  else if (mStyle == kMilliseconds)
    std::snprintf(text, sizeof(text), "%.2f ms", avg * 1000.f);
  else
    std::snprintf(text, sizeof(text), "%.1f %%", avg);
  g.DrawText(mTextStyle, g.GetDrawingAPIStr(), IRECT(r.mLeft, r.mTop, r.mRight, r.mTop + 16.f), &mBlend);
  if (*mLabel.Get())
    g.DrawText(mLabelTextStyle, mLabel.Get(), IRECT(r.mLeft, r.CentreY() - 9.f, r.mRight, r.CentreY() + 9.f), &mBlend);
  g.DrawText(mLargeTextStyle, text, IRECT(r.mLeft, r.mBottom - 20.f, r.mRight, r.mBottom), &mBlend);
}

} // namespace igraphics
} // namespace plug
