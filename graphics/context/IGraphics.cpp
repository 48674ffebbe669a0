// The graphics context's life cycle, its control list, sizes and scales, pointer captures and host gestures.
#include "graphics/context/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/IEditorDelegate.h"
#include "graphics/overlay/OverlayControls.h"

namespace plug {
namespace igraphics {

namespace {

const foundation::SteadyClock kSteadyClock;

bool IsUsableScale(double s) { return std::isfinite(s) && s > 0.0; }

} // namespace

IGraphics::IGraphics(IGEditorDelegate& delegate, int w, int h, int fps, float scale)
  : mEditorWidth(w), mEditorHeight(h), mFPS(fps > 0 ? fps : kDefaultFPS),
    mDrawScale(IsUsableScale(scale) ? scale : 1.f), mMinScale(kMinScaleFactor * mDrawScale),
    mMaxScale(kMaxScaleFactor * mDrawScale), mDelegate(&delegate), mClock(&kSteadyClock)
{
  // Both caches are joined together, the bitmap cache's mutex first.
  LibMutexLock bitmaps(BitmapCache().Mutex());
  LibMutexLock svgs(SvgCache().Mutex());
  BitmapCache().Retain();
  SvgCache().Retain();
  FontDescriptorCache().Retain();
}

IGraphics::~IGraphics()
{
  mCursorHidden = false; // removing the controls must not try to show the cursor
  EndAllParamGestures();
  RemoveAllControls();
  LibMutexLock bitmaps(BitmapCache().Mutex());
  BitmapCache().Release();
  LibMutexLock svgs(SvgCache().Mutex());
  SvgCache().Release();
  FontDescriptorCache().Release();
}

void IGraphics::SetClock(const foundation::Clock* clock) { mClock = clock ? clock : &kSteadyClock; }

int IGraphics::SetMouseCursor(int cursorType)
{
  const int previous = mCursorType;
  mCursorType = cursorType;
  return previous;
}

// ---- Attaching ----

void IGraphics::InitSpecialControl(IControl& control)
{
  control.SetDelegate(*mDelegate);
  control.SetGraphics(this);
  control.OnInit();
  control.OnResize();
  control.OnRescale();
}

IControl* IGraphics::AttachControl(IControl* control, int tag, const char* group)
{
  if (!control || (tag >= 0 && mControlsByTag.count(tag)))
    return nullptr;
  InitSpecialControl(*control);
  control->SetGroup(group);
  if (!mControls.Add(control))
    return nullptr;
  if (tag >= 0)
    mControlsByTag[tag] = control;
  control->OnAttached();
  return control;
}

void IGraphics::AttachCornerResizer(ICornerResizerControl* control, EResizerMode sizeMode, bool layoutOnResize)
{
  if (mCornerResizer)
  {
    delete control;
    return;
  }
  mCornerResizer.reset(control);
  mResizerMode = sizeMode;
  mLayoutOnResize = layoutOnResize;
  InitSpecialControl(*control);
}

void IGraphics::AttachCornerResizer(EResizerMode sizeMode, bool layoutOnResize, const IColor& color,
                                    const IColor& mouseOverColor, const IColor& dragColor, float size)
{
  // The resizer places itself in the bottom-right corner at the draw scale when it is rescaled.
  AttachCornerResizer(new ICornerResizerControl(GetBounds(), size, color, mouseOverColor, dragColor), sizeMode,
                      layoutOnResize);
}

void IGraphics::AttachPopupMenuControl(const IText& text, const IRECT& bounds)
{
  if (!mPopupControl)
    AttachPopupMenuControl(new IPopupMenuControl(-1, text, IRECT(), bounds));
}

void IGraphics::AttachPopupMenuControl(IPopupMenuControl* control)
{
  if (mPopupControl)
  {
    delete control;
    return;
  }
  mPopupControl.reset(control);
  InitSpecialControl(*control);
}

void IGraphics::RemovePopupMenuControl()
{
  if (mPopupControl && mPopupControl->IsOpen() && mPopupRequester)
  {
    // Its menu will never answer: the requester's gestures end here.
    EndParamGestures(*mPopupRequester);
    mPopupRequester = nullptr;
  }
  ForgetControl(mPopupControl.get());
  if (mPopupControl)
    mPopupControl->Dismiss();
  mPopupControl.reset();
}

void IGraphics::AttachTextEntryControl()
{
  if (!mTextEntryControl)
    AttachTextEntryControl(new ITextEntryControl());
}

void IGraphics::AttachTextEntryControl(ITextEntryControl* control)
{
  if (mTextEntryControl)
  {
    delete control;
    return;
  }
  mTextEntryControl.reset(control);
  InitSpecialControl(*control);
}

void IGraphics::RemoveTextEntryControl()
{
  ForgetControl(mTextEntryControl.get());
  mTextEntryControl.reset();
}

void IGraphics::InsertAtFront(IControl* control)
{
  std::vector<IControl*> others;
  for (int i = 0; i < mControls.GetSize(); ++i)
    others.push_back(mControls.Get(i));
  mControls.Clear();
  mControls.Add(control);
  for (IControl* c : others)
    mControls.Add(c);
  if (mMouseOverIdx >= 0)
    ++mMouseOverIdx;
}

void IGraphics::AttachBackground(const char* fileName)
{
  IControl* bg = new IBitmapControl(0.f, 0.f, LoadBitmap(fileName, 1, false), -1, IBlend());
  InitSpecialControl(*bg);
  InsertAtFront(bg);
}

void IGraphics::AttachSVGBackground(const char* fileName)
{
  IControl* bg = new ISVGControl(GetBounds(), LoadSVG(fileName, "px", 72.f));
  bg->SetDelegate(*mDelegate);
  bg->SetGraphics(this);
  InsertAtFront(bg);
}

void IGraphics::AttachPanelBackground(const IPaintPattern& color)
{
  IControl* bg = new IPanelControl(GetBounds(), color);
  bg->SetIgnoreMouse(true); // a background; a panel of the layout takes the mouse like any control
  bg->SetDelegate(*mDelegate);
  bg->SetGraphics(this);
  InsertAtFront(bg);
}

void IGraphics::ShowFPSDisplay(bool enable)
{
  if (!enable)
  {
    ForgetControl(mFPSDisplay.get());
    mFPSDisplay.reset();
    // Hover starts afresh with the next pointer movement.
    mMouseOverControl = nullptr;
    mMouseOverIdx = -1;
  }
  else if (!mFPSDisplay)
  {
    mFPSDisplay.reset(new IFPSDisplayControl(
      IRECT(kFPSDisplayRect[0], kFPSDisplayRect[1], kFPSDisplayRect[2], kFPSDisplayRect[3]), kFPSDisplayLabel));
    InitSpecialControl(*mFPSDisplay);
  }
  SetAllControlsDirty();
}

// ---- Looking up ----

IControl* IGraphics::GetControlByTag(int tag) const
{
  const auto it = mControlsByTag.find(tag);
  return it == mControlsByTag.end() ? nullptr : it->second;
}

int IGraphics::GetControlIdx(IControl* control) const
{
  if (!control)
    return -1;
  for (int i = 0; i < mControls.GetSize(); ++i)
    if (mControls.Get(i) == control)
      return i;
  return -1;
}

int IGraphics::GetControlParamIdx(int idx) const
{
  const IControl* c = GetControl(idx);
  return c ? c->GetParamIdx(0) : -1;
}

// ---- Removing ----

void IGraphics::ForgetControl(IControl* control)
{
  if (!control)
    return;
  if (ControlIsCaptured(control))
  {
    EndParamGestures(*control);
    for (auto it = mTouchCaptures.begin(); it != mTouchCaptures.end();)
      it = it->second == control ? mTouchCaptures.erase(it) : std::next(it);
    if (mCursorHidden)
      HideMouseCursor(false, true);
  }
  if (mMouseOverControl == control)
  {
    mMouseOverControl = nullptr;
    mMouseOverIdx = -1;
  }
  if (mTextEntryRequester == control)
    mTextEntryRequester = nullptr;
  if (mPopupRequester == control)
  {
    // The menu's answer would have ended the requester's gestures. The menu, which the requester may own, goes
    // off screen with it.
    mPopupRequester = nullptr;
    EndParamGestures(*control);
    if (mPopupControl)
      mPopupControl->Dismiss();
  }
}

void IGraphics::EraseTagOf(IControl* control)
{
  for (auto it = mControlsByTag.begin(); it != mControlsByTag.end(); ++it)
    if (it->second == control)
    {
      mControlsByTag.erase(it);
      return;
    }
}

void IGraphics::DetachListedControl(int idx, bool deleteIt)
{
  IControl* control = mControls.Get(idx);
  if (!control)
    return;
  ForgetControl(control);
  EraseTagOf(control);
  mControls.Delete(idx);
  if (mMouseOverIdx > idx)
    --mMouseOverIdx;
  if (deleteIt)
    delete control;
}

void IGraphics::RemoveControl(IControl* control)
{
  const int idx = GetControlIdx(control);
  if (idx < 0)
    return;
  DetachListedControl(idx, true);
  SetAllControlsDirty();
}

void IGraphics::RemoveControl(int idx) { RemoveControl(GetControl(idx)); }

void IGraphics::RemoveControls(int fromIdx)
{
  for (int i = NControls() - 1; i >= std::max(fromIdx, 0); --i)
    DetachListedControl(i, true);
  SetAllControlsDirty();
}

void IGraphics::RemoveControlWithTag(int tag)
{
  const int idx = GetControlIdx(GetControlByTag(tag));
  if (idx < 0)
    return;
  DetachListedControl(idx, false); // the control stays alive for its caller
  SetAllControlsDirty();
}

void IGraphics::RemoveAllControls()
{
  DropCaptures();
  EndAllParamGestures();
  mMouseOverControl = nullptr;
  mMouseOverIdx = -1;
  mPopupRequester = nullptr;
  mTextEntryRequester = nullptr;
  if (mPopupControl)
    mPopupControl->Dismiss(); // while the menus it shows are still there
  mPopupControl.reset();
  mTextEntryControl.reset();
  mCornerResizer.reset();
  mFPSDisplay.reset();
  mBubbleControls.Clear(true);
  mControlsByTag.clear();
  mControls.Clear(true);
}

// ---- Geometry of listed controls ----

void IGraphics::SetControlPosition(int idx, float x, float y)
{
  IControl* c = GetControl(idx);
  if (!c)
    return;
  c->SetPosition(x, y);
  if (!c->IsHidden())
    SetAllControlsDirty();
}

void IGraphics::SetControlSize(int idx, float w, float h)
{
  IControl* c = GetControl(idx);
  if (!c)
    return;
  c->SetSize(w, h);
  if (!c->IsHidden())
    SetAllControlsDirty();
}

void IGraphics::SetControlBounds(int idx, const IRECT& r)
{
  IControl* c = GetControl(idx);
  if (!c)
    return;
  c->SetTargetAndDrawRectangles(r);
  if (!c->IsHidden())
    SetAllControlsDirty();
}

// ---- Visiting ----

void IGraphics::VisitListedControls(const ControlVisitor& func)
{
  for (int i = 0; i < mControls.GetSize(); ++i)
    func(*mControls.Get(i));
}

void IGraphics::VisitControls(const ControlVisitor& func)
{
  VisitListedControls(func);
  for (IControl* special : {static_cast<IControl*>(mFPSDisplay.get()), static_cast<IControl*>(mCornerResizer.get()),
                            static_cast<IControl*>(mTextEntryControl.get()),
                            static_cast<IControl*>(mPopupControl.get())})
    if (special)
      func(*special);
  for (int i = 0; i < mBubbleControls.GetSize(); ++i)
    func(*mBubbleControls.Get(i));
}

void IGraphics::VisitMatchingControls(int paramIdx, const ControlVisitor& func)
{
  VisitListedControls([&](IControl& c) {
    if (c.IsLinkedToParam(paramIdx))
      func(c);
  });
}

void IGraphics::VisitControlsInGroup(const char* group, const ControlVisitor& func)
{
  if (!group || !*group)
    return;
  VisitListedControls([&](IControl& c) {
    if (*c.GetGroup() && std::strcmp(c.GetGroup(), group) == 0)
      func(c);
  });
}

void IGraphics::HideParamControls(int paramIdx, bool hide) { ForMatchingControls(&IControl::SetHidden, paramIdx, hide); }

void IGraphics::DisableParamControls(int paramIdx, bool disable)
{
  ForMatchingControls(&IControl::SetDisabled, paramIdx, disable);
}

void IGraphics::SetParamCornerMarkers(int paramIdx, bool on, int colorIdx)
{
  ForMatchingControls(&IControl::SetCornerMarker, paramIdx, on, colorIdx);
}

void IGraphics::SetAllControlsDirty() { ForAllControls(&IControl::SetDirty, false, -1); }

void IGraphics::SetAllControlsClean() { ForAllControls(&IControl::SetClean); }

void IGraphics::CallAllSpareHooks() { ForAllControls(&IControl::SpareHookC); }

void IGraphics::UpdatePeers(IControl* caller, int valIdx)
{
  if (!caller)
    return;
  const int paramIdx = caller->GetParamIdx(valIdx);
  if (paramIdx < 0)
    return;
  const double value = caller->GetValue(valIdx);
  VisitListedControls([&](IControl& c) {
    if (&c == caller)
      return;
    const int k = c.FindValIdxOfParam(paramIdx);
    if (k >= 0)
      c.SetValueFromDelegate(value, k);
  });
}

// ---- Size and scale ----

void IGraphics::ClampToEditorLimits(int& w, int& h) const
{
  w = std::clamp(w, mDelegate->GetMinWidth(), std::max(mDelegate->GetMinWidth(), mDelegate->GetMaxWidth()));
  h = std::clamp(h, mDelegate->GetMinHeight(), std::max(mDelegate->GetMinHeight(), mDelegate->GetMaxHeight()));
}

void IGraphics::LimitToWindowExtent(int& w, int& h, float scale) const
{
  // The editor limits may reach as far as an int does (the delegate's defaults do), while the window size handed
  // on is size x scale x platform factor: the size is held where that product still fits an int.
  constexpr double kLargestWindowExtent = 1 << 30;
  const double perPoint = static_cast<double>(scale) * static_cast<double>(PlatformSizeFactor());
  if (!(perPoint > 0.0) || !std::isfinite(perPoint))
    return;
  const double largest = std::floor(kLargestWindowExtent / perPoint);
  w = static_cast<int>(std::min(static_cast<double>(w), largest));
  h = static_cast<int>(std::min(static_cast<double>(h), largest));
}

void IGraphics::Resize(int w, int h, float scale, bool needsPlatformResize)
{
  ClampToEditorLimits(w, h);
  if (!IsUsableScale(scale))
    return;
  const float s = std::min(mMaxScale, std::max(mMinScale, scale));
  LimitToWindowExtent(w, h, s);
  if (w == mEditorWidth && h == mEditorHeight && s == mDrawScale)
    return;
  DropCaptures();
  mDrawScale = s;
  mEditorWidth = w;
  mEditorHeight = h;
  if (mCornerResizer)
    mCornerResizer->OnRescale();
  const float factor = PlatformSizeFactor();
  const bool parentResized = mDelegate->EditorResizeFromUI(static_cast<int>(static_cast<float>(WindowWidth()) * factor),
                                                           static_cast<int>(static_cast<float>(WindowHeight()) * factor),
                                                           needsPlatformResize);
  PlatformResize(parentResized);
  ForAllControls(&IControl::OnResize);
  SetAllControlsDirty();
  DrawResize();
  if (mLayoutOnResize)
    mDelegate->LayoutUI(this);
}

void IGraphics::SetScreenScale(int scale)
{
  if (scale <= 0)
    return;
  mScreenScale = scale;
  const float factor = PlatformSizeFactor();
  const bool parentResized = mDelegate->EditorResizeFromUI(static_cast<int>(static_cast<float>(WindowWidth()) * factor),
                                                           static_cast<int>(static_cast<float>(WindowHeight()) * factor),
                                                           true);
  PlatformResize(parentResized);
  ForAllControls(&IControl::OnRescale);
  SetAllControlsDirty();
  DrawResize();
}

void IGraphics::EnableTooltips(bool enable)
{
  const bool changed = enable != mEnableTooltips;
  mEnableTooltips = enable;
  if (enable)
    mEnableMouseOver = true;
  // The platform's tooltip areas follow at once, both ways, wherever the switch came from.
  if (changed)
    UpdateTooltips();
}

// ---- Captures and host gestures ----

bool IGraphics::ControlIsCaptured(const IControl* control) const
{
  for (const auto& capture : mTouchCaptures)
    if (capture.second == control)
      return true;
  return false;
}

IControl* IGraphics::GetCapturedControl(uint64_t touchId) const
{
  const auto it = mTouchCaptures.find(touchId);
  return it == mTouchCaptures.end() ? nullptr : it->second;
}

void IGraphics::DropCaptures()
{
  mTouchCaptures.clear();
  if (mCursorHidden)
    HideMouseCursor(false, true);
  if (!mPopupRequester)
    EndAllParamGestures();
}

void IGraphics::ReleaseMouseCapture() { DropCaptures(); }

void IGraphics::BeginParamGestures(IControl& control)
{
  for (int v = 0; v < control.NValues(); ++v)
  {
    const int p = control.GetParamIdx(v);
    if (p >= 0 && mDelegate->GetParam(p) && mOpenGestures.insert(p).second)
      mDelegate->BeginInformHostOfParamChangeFromUI(p);
  }
}

void IGraphics::EndParamGestures(IControl& control)
{
  for (int v = 0; v < control.NValues(); ++v)
  {
    const int p = control.GetParamIdx(v);
    if (p >= 0 && mOpenGestures.erase(p))
      mDelegate->EndInformHostOfParamChangeFromUI(p);
  }
}

void IGraphics::EndAllParamGestures()
{
  while (!mOpenGestures.empty())
  {
    const int p = *mOpenGestures.begin();
    mOpenGestures.erase(mOpenGestures.begin());
    mDelegate->EndInformHostOfParamChangeFromUI(p);
  }
}

} // namespace igraphics
} // namespace plug
