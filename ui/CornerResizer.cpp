#include "ui/CornerResizer.h"

#include "core/IEditorDelegate.h"
#include "graphics/context/IGraphics.h"
#include "ui/DisplayControls.h"

using namespace plug::igraphics;

namespace {
int ModeOf(int sizeResize, int sizeReset, int scaleResize, int scaleReset)
{
  const bool size = sizeResize >= 0 && sizeReset >= 0, scale = scaleResize >= 0 && scaleReset >= 0;
  if (size && scale) return IBCornerResizerControlVQ::kModeBoth;
  if (size && scaleResize < 0 && scaleReset < 0) return IBCornerResizerControlVQ::kModeSize;
  if (scale && sizeResize < 0 && sizeReset < 0) return IBCornerResizerControlVQ::kModeScale;
  return IBCornerResizerControlVQ::kModeNone;
}
} // namespace

IBCornerResizerControlVQ::IBCornerResizerControlVQ(const IBitmap& bitmap, int sizeResizeId, int sizeResetId,
                                                   int scaleResizeId, int scaleResetId, const IRECT& graphicsBounds,
                                                   float offsetX)
  : ICornerResizerControl(graphicsBounds, static_cast<float>(bitmap.W())), IBitmapBase(bitmap, this),
    mSizeResizeId(sizeResizeId), mSizeResetId(sizeResetId), mScaleResizeId(scaleResizeId),
    mScaleResetId(scaleResetId), mMode(ModeOf(sizeResizeId, sizeResetId, scaleResizeId, scaleResetId)),
    mOffsetX(offsetX)
{
}

void IBCornerResizerControlVQ::SendId(int id)
{
  if (id >= 0 && GetDelegate()) GetDelegate()->OnParamChange(id, plug::kUI, -1);
}

void IBCornerResizerControlVQ::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!mGraphics) return;
  if (mMode == kModeBoth)
    mGraphics->SetResizerMode(mod.mCtrl ? kResizerScale : kResizerSize);
  else if (mMode == kModeSize)
    mGraphics->SetResizerMode(kResizerSize);
  else if (mMode == kModeScale)
    mGraphics->SetResizerMode(kResizerScale);
  mGraphics->StartResizeGesture();
}

void IBCornerResizerControlVQ::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  if (!mGraphics || mMode == kModeNone) return;
  if (mMode == kModeScale || (mMode == kModeBoth && mod.mCtrl))
  {
    mGraphics->SetResizerMode(kResizerScale);
    SendId(mScaleResetId);
  }
  else
  {
    mGraphics->SetResizerMode(kResizerSize);
    SendId(mSizeResetId);
  }
}

void IBCornerResizerControlVQ::OnRescale()
{
  if (!mGraphics) return;
  SetBitmap(RescaledBitmap(GetUI(), mBitmap));
  if (mMode == kModeNone) return;
  SendId(mGraphics->GetResizerMode() == kResizerScale ? mScaleResizeId : mSizeResizeId);
}

void IBCornerResizerControlVQ::OnResize()
{
  if (!mGraphics) return;
  const float w = static_cast<float>(mGraphics->Width()), h = static_cast<float>(mGraphics->Height());
  mDrawRect = mHitRect = IRECT(w - mSize, h - mSize, w, h);
}

void IBCornerResizerControlVQ::Draw(IGraphics& g)
{
  const int frame = (mMouseIsOver || g.IsResizingInProgress()) ? 2 : 1;
  IRECT r = mDrawRect;
  r.mLeft += mOffsetX, r.mRight += mOffsetX;
  g.DrawBitmapFrame(mBitmap, r, frame, &mBlend);
}
