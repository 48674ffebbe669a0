// Pointer, wheel, key and drop events: hit testing, pointer capture by touch id, hover, host gestures around a
// press, the right-click context menu and the corner-resizer drag. The platform view calls these with points
// already in editor coordinates.
#include <algorithm>

#include "graphics/context/IGraphics.h"
#include "graphics/overlay/OverlayControls.h"

namespace plug {
namespace igraphics {

namespace {

/// Inside a special control's draw rectangle (left and top edges in, right and bottom out).
bool OverSpecialControl(const IControl* control, float x, float y)
{
  return control && !control->GetRECT().Empty() && control->GetRECT().Contains(x, y);
}

/// Whether a control takes pointer input of this kind.
bool TakesPointer(const IControl& c, bool mouseOver)
{
  if (c.IsHidden() || c.GetIgnoreMouse())
    return false;
  if (!c.IsDisabled())
    return true;
  return mouseOver ? c.GetMouseOverWhenDisabled() : c.GetMouseEventsWhenDisabled();
}

using CaptureMap = std::unordered_map<uint64_t, IControl*>;

/// Ends the capture of a touch id that control holds, and the control's host gestures once it holds no pointer.
void EndCapture(IGraphics& g, CaptureMap& captures, uint64_t touchId, IControl* control)
{
  const auto it = captures.find(touchId);
  if (it == captures.end() || it->second != control)
    return; // the control let go of the pointer itself (and its gestures went with it)
  captures.erase(it);
  if (!g.ControlIsCaptured(control))
    g.EndParamGestures(*control);
}

/// A key to the control under the pointer, unless that is the background; else to the fallback handler.
bool DeliverKey(IControl* c, const IControl* background, const IGraphics::KeyHandlerFunc& fallback, float x,
                float y, const IKeyPress& key, bool isUp)
{
  if (c && c != background && (isUp ? c->OnKeyUp(x, y, key) : c->OnKeyDown(x, y, key)))
    return true;
  return fallback ? fallback(key, isUp) : false;
}

} // namespace

int IGraphics::FindControlIndexAt(float x, float y, bool mouseOver) const
{
  if (mouseOver && !mEnableMouseOver)
    return -1;
  // The background at index 0 never takes hover.
  const int lowest = mouseOver ? 1 : 0;
  for (int i = NControls() - 1; i >= lowest; --i)
  {
    const IControl* c = mControls.Get(i);
    if (TakesPointer(*c, mouseOver) && c->HitTest(x, y))
      return i;
  }
  return -1;
}

IControl* IGraphics::HitTestControl(float x, float y, bool capture, bool mouseOver, uint64_t touchId)
{
  if (IControl* captured = GetCapturedControl(touchId))
    return captured;

  IControl* c = nullptr;
  int idx = -1;
  // The in-editor menu takes every pointer while it is on screen, fading in included, so that nothing under it
  // acts; once chosen from, it is hidden and pointers reach the editor again.
  if (mPopupControl && mPopupControl->IsShowing())
    c = mPopupControl.get();
  else if (mTextEntryControl && mTextEntryControl->EditInProgress())
    c = mTextEntryControl.get();
  else if (OverSpecialControl(mCornerResizer.get(), x, y))
    c = mCornerResizer.get();
  else if (OverSpecialControl(mFPSDisplay.get(), x, y))
    c = mFPSDisplay.get();
  else
  {
    idx = FindControlIndexAt(x, y, mouseOver);
    c = GetControl(idx);
  }

  if (c && capture)
  {
    // With several pointers, a control takes a second one only when it wants multi-touch.
    if (mEnableMultiTouch && ControlIsCaptured(c) && !c->GetWantsMultiTouch())
      return nullptr;
    mTouchCaptures.emplace(touchId, c);
  }
  if (mouseOver)
    mMouseOverIdx = c ? idx : -1;
  return c;
}

void IGraphics::OnMouseDown(const std::vector<IMouseInfo>& points)
{
  if (points.size() == 1)
  {
    mMouseDownX = points[0].mX;
    mMouseDownY = points[0].mY;
  }
  for (const IMouseInfo& pt : points)
  {
    IControl* c = HitTestControl(pt.mX, pt.mY, true, false, pt.mMod.mTouchID);
    if (!c)
      continue;
    const int valIdx = std::max(0, c->GetValIdxForPos(pt.mX, pt.mY));
    if (c->GetParamIdx(valIdx) >= 0 && pt.mMod.mRight)
    {
      // A right click on a parameter's control offers its context menu instead of pressing it.
      ReleaseMouseCapture();
      PopupControlContextMenu(c, pt.mX, pt.mY);
      return;
    }
    BeginParamGestures(*c);
    c->OnMouseDown(pt.mX, pt.mY, pt.mMod);
  }
}

void IGraphics::OnMouseUp(const std::vector<IMouseInfo>& points)
{
  for (const IMouseInfo& pt : points)
  {
    IControl* c = GetCapturedControl(pt.mMod.mTouchID);
    if (!c)
      continue;
    c->OnMouseUp(pt.mX, pt.mY, pt.mMod);
    EndCapture(*this, mTouchCaptures, pt.mMod.mTouchID, c);
  }
  if (mResizingInProcess)
  {
    mResizingInProcess = false;
    // In scale mode the controls load their bitmaps for the scale the drag ended at.
    if (mResizerMode == kResizerScale)
      ForAllControls(&IControl::OnRescale);
    SetAllControlsDirty();
  }
  if (points.size() == 1 && points[0].mMod.mTouchID == 0)
    OnMouseOver(points[0].mX, points[0].mY, points[0].mMod);
}

void IGraphics::OnMouseDrag(const std::vector<IMouseInfo>& points)
{
  if (mResizingInProcess && points.size() == 1)
  {
    OnDragResize(points[0].mX, points[0].mY);
    return;
  }
  for (const IMouseInfo& pt : points)
  {
    IControl* c = GetCapturedControl(pt.mMod.mTouchID);
    // While a text entry is open only the in-editor entry takes drags.
    if (!c || (mTextEntryRequester && c != mTextEntryControl.get()))
      continue;
    if (pt.mDX != 0.f || pt.mDY != 0.f)
      c->OnMouseDrag(pt.mX, pt.mY, pt.mDX, pt.mDY, pt.mMod);
  }
}

void IGraphics::OnDragResize(float x, float y)
{
  if (mResizerMode != kResizerScale)
  {
    Resize(static_cast<int>(x), static_cast<int>(y), mDrawScale, true);
    return;
  }
  // The scale is the ratio of the pointer to where it was pressed; without a press inside the editor there is
  // no ratio (the press position starts at -1).
  if (!(mMouseDownX > 0.f && mMouseDownY > 0.f))
    return;
  Resize(mEditorWidth, mEditorHeight, std::min(x * mDrawScale / mMouseDownX, y * mDrawScale / mMouseDownY), true);
}

bool IGraphics::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  IControl* c = HitTestControl(x, y, true, false, 0);
  if (!c)
    return false;
  if (c->GetDblClickAsClick())
  {
    IMouseInfo info;
    info.mX = x;
    info.mY = y;
    info.mMod = mod;
    OnMouseDown({info});
    return true;
  }
  c->OnMouseDblClick(x, y, mod);
  ReleaseMouseCapture();
  return true;
}

bool IGraphics::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  IControl* c = HitTestControl(x, y, false, true, 0);
  if (c != mMouseOverControl)
  {
    IControl* previous = mMouseOverControl;
    mMouseOverControl = c;
    if (previous)
      previous->OnMouseOut();
  }
  if (c)
    c->OnMouseOver(x, y, mod);
  return c != nullptr;
}

void IGraphics::OnMouseOut()
{
  // The arrow shows while the kind that was showing is kept, for the view to restore when the pointer returns.
  mCursorType = SetMouseCursor(kArrowCursor);
  ForAllControls(&IControl::OnMouseOut);
  mMouseOverControl = nullptr;
  mMouseOverIdx = -1;
}

void IGraphics::OnMouseWheel(float x, float y, const IMouseMod& mod, float delta)
{
  if (IControl* c = HitTestControl(x, y, false, false, 0))
    c->OnMouseWheel(x, y, mod, delta);
}

bool IGraphics::OnKeyDown(float x, float y, const IKeyPress& key)
{
  return DeliverKey(HitTestControl(x, y, false, false, 0), mControls.Get(0), mKeyHandlerFunc, x, y, key, false);
}

bool IGraphics::OnKeyUp(float x, float y, const IKeyPress& key)
{
  return DeliverKey(HitTestControl(x, y, false, false, 0), mControls.Get(0), mKeyHandlerFunc, x, y, key, true);
}

void IGraphics::OnDrop(const char* path, float x, float y)
{
  if (IControl* c = HitTestControl(x, y, false, false, 0))
    c->OnDrop(path);
}

void IGraphics::OnTouchCancelled(const std::vector<IMouseInfo>& points)
{
  for (const IMouseInfo& pt : points)
  {
    IControl* c = GetCapturedControl(pt.mMod.mTouchID);
    if (!c)
      continue;
    c->OnTouchCancelled(pt.mX, pt.mY, pt.mMod);
    // The host saw the gesture begin, so it sees it end even though the touch was cancelled.
    EndCapture(*this, mTouchCaptures, pt.mMod.mTouchID, c);
  }
}

int IGraphics::QueryParamUnderPoint(float x, float y)
{
  const IControl* c = HitTestControl(x, y, false, false, 0);
  mLastParamUnderPoint = c ? c->GetParamIdx(0) : -1;
  return mLastParamUnderPoint;
}

int IGraphics::TakeParamUnderPoint()
{
  const int p = mLastParamUnderPoint;
  mLastParamUnderPoint = -1;
  return p;
}

} // namespace igraphics
} // namespace plug
