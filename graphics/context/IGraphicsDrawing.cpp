// The frame: the dirty check that collects what changed, and the drawing of the controls that meet it. Each
// tick the view asks IsDirty, cleans every control, and then calls DrawDirtyRects with the collected list.
#include "graphics/context/IGraphics.h"
#include "graphics/overlay/OverlayControls.h"

namespace plug {
namespace igraphics {

void IGraphics::BeginFrame()
{
  if (!mFPSDisplay)
    return;
  // Frame times count from the first frame the process draws.
  static const double start = GetClock().Now();
  const double t = GetClock().Now() - start;
  mFPSDisplay->Update(static_cast<float>(t - mPrevTimestamp));
  mPrevTimestamp = t;
}

bool IGraphics::IsDirty(IRECTList& rects)
{
  if (mFrameTickFunc)
    mFrameTickFunc();
  ForAllControls(&IControl::Animate);
  bool dirty = false;
  VisitControls([&](IControl& c) {
    if (!c.IsDirty())
      return;
    rects.Add(c.GetRECT().GetPadded(kDirtyPadding));
    dirty = true;
  });
  return dirty;
}

void IGraphics::DrawDirtyRects(IRECTList& rects)
{
  if (rects.Size() == 0)
    return;
  const float s = GetBackingPixelScale();
  mDrawnRegions.Clear();
  if (!mDrawUnionOfDirtyRects)
  {
    for (int i = 0; i < rects.Size(); ++i)
      rects.Set(i, rects.Get(i).GetPixelAligned(s));
    rects.Coalesce();
    for (int i = 0; i < rects.Size(); ++i)
      mDrawnRegions.Add(rects.Get(i));
  }
  else
  {
    IRECT u = rects.Get(0);
    for (int i = 1; i < rects.Size(); ++i)
      u = u.Union(rects.Get(i));
    mDrawnRegions.Add(u.GetPixelAligned(s));
  }
  mDrawingRegions = true;
  BeginFrame();
  for (int i = 0; i < mDrawnRegions.Size(); ++i)
    Draw(mDrawnRegions.Get(i), s);
  EndFrame();
  mDrawingRegions = false;
}

void IGraphics::Draw(const IRECT& bounds, float scale)
{
  VisitControls([&](IControl& c) { DrawControl(&c, bounds, scale); });
}

void IGraphics::DrawControl(IControl* control, const IRECT& bounds, float scale)
{
  if (!control)
    return;
  // The background is drawn even when hidden: something must cover the editor.
  if (control->IsHidden() && control != mControls.Get(0))
    return;
  const IRECT area = control->GetRECT().GetPadded(kDirtyPadding).GetPixelAligned(scale);
  // Intersect answers the empty rectangle for an edge-only contact, so such a control is not asked to draw.
  const IRECT clip = bounds.Intersect(area);
  if (!(clip.W() > 0.f && clip.H() > 0.f))
    return;
  // Controls that change the clip while drawing (the splash) put this region's clip back afterwards.
  StoreClipRegion(clip);
  PrepareRegion(clip);
  control->Draw(*this);
  FinishRegion(clip);
  StoreClipRegion(IRECT());
}

void IGraphics::SetStrictDrawing(bool strict)
{
  mDrawUnionOfDirtyRects = strict;
  SetAllControlsDirty();
}

} // namespace igraphics
} // namespace plug
