#include "platform/mac/IGraphicsView.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "core/IEditorDelegate.h"
#include "graphics/context/IGraphics.h"
#include "metal_vexel.h"
#include "platform/mac/IGraphicsMac.h"
#include "platform/mac/IGraphicsTextField.h"

namespace plug {
namespace igraphics {

appkit::Rect ScaledOutward(const IRECT& r, float scale)
{
  const float l = std::floor(r.mLeft * scale), t = std::floor(r.mTop * scale);
  const float rr = std::ceil(r.mRight * scale), b = std::ceil(r.mBottom * scale);
  return appkit::Rect(l, t, rr - l, b - t);
}

// ---- Creation and teardown ----

IGraphicsView_vDrovik_vst::IGraphicsView_vDrovik_vst(IGraphicsMac& graphics) : mGraphics(&graphics)
{
  const double w = static_cast<int>(float(graphics.Width()) * graphics.GetDrawScale());
  const double h = static_cast<int>(float(graphics.Height()) * graphics.GetDrawScale());
  mNative = appkit::Application::Shared().CreateView(*this, appkit::Rect(0.0, 0.0, w, h));
  mLayer = std::make_unique<CAMetalLayer>();
  mLayer->setOpaque(true);
  mLayer->setDevice(MTLCreateSystemDefaultDevice());
  mBackingScale = appkit::Application::Shared().MainScreenBackingScaleFactor();
  updateDrawableSize();
  // The first frame after opening or a resize has its copies of bitmaps made a share per tick: a frame full of
  // large bitmaps never holds the main thread (and the host's calls) for long.
  graphics.MakeScaledCopiesBetweenFrames(kResampledPixelsPerTick);
  setTimer();
}

void IGraphicsView_vDrovik_vst::updateDrawableSize()
{
  const appkit::Rect frame = mNative->Frame();
  mLayer->setDrawableSize({frame.size.width * mBackingScale, frame.size.height * mBackingScale});
}

void IGraphicsView_vDrovik_vst::setFrameSize(double width, double height)
{
  mNative->SetFrameSize({width, height});
  updateDrawableSize();
}

IGraphicsView_vDrovik_vst::~IGraphicsView_vDrovik_vst()
{
  if (mColorPanelOpen)
    appkit::Application::Shared().CloseColorPanel();
  mColorPickerFunc = nullptr;
  killTimer();
  mTextFieldView.reset();
}

void IGraphicsView_vDrovik_vst::setTimer()
{
  const int fps = mGraphics && mGraphics->FPS() > 0 ? mGraphics->FPS() : 60;
  mTimer = std::make_unique<foundation::RunLoopTimer>([this] { render(); }, 1.0 / fps);
}

void IGraphicsView_vDrovik_vst::killTimer() { mTimer.reset(); }

void IGraphicsView_vDrovik_vst::removeFromSuperview()
{
  std::shared_ptr<IGraphicsView_vDrovik_vst> keepAlive = shared_from_this();
  if (mTextFieldView)
    endUserInput();
  if (IGraphicsMac* graphics = mGraphics)
  {
    graphics->SetPlatformContext(nullptr);
    // Removal from outside (the host's window went away) closes the editor; the graphics context's own
    // closing is already under way otherwise.
    if (!graphics->IsClosingView())
      if (IGEditorDelegate* delegate = graphics->GetDelegate())
        delegate->CloseWindow();
  }
  mNative->RemoveFromSuperview();
}

// ---- Frame clock ----

bool IGraphicsView_vDrovik_vst::CanDrawWithoutWaiting() const
{
  // One frame in flight at most: a frame queued behind another would show a click only after both, and the
  // next one would wait for a buffer set or a drawable under the host's lock. A frame still going to the window
  // keeps its drawable and the regions drawn since it until it is all there.
  VXcontext* renderer = static_cast<VXcontext*>(mGraphics->GetDrawContext());
  return (!renderer || mvxFramesInFlight(renderer) == 0) && !mLayer->nextDrawableWouldWait() && !mShowing;
}

void IGraphicsView_vDrovik_vst::render()
{
  if (!mGraphics)
    return;
  const long shown = mShownCount;
  // A frame the worker finished since the last tick is shown first: it may free what the next frame needs.
  showPresentedFrame();
  // Animations and the frame tick move on every tick; what they dirty stays dirty until a frame can be drawn.
  mDirtyRects.Clear();
  const bool dirty = mGraphics->IsDirty(mDirtyRects) || !mDroppedRects.empty();
  for (const IRECT& r : mDroppedRects)
    mDirtyRects.Add(r);
  // A tick that makes copies of bitmaps draws nothing: the frame that wanted them comes once they are whole. They
  // are made only while no frame is in flight, as the renderer holds the images it samples.
  const bool free = CanDrawWithoutWaiting();
  const bool copying = free && mGraphics->MakeScaledCopies();
  const bool canDraw = free && !copying;
  const bool drawn = dirty && canDraw;
  if (drawn)
  {
    mGraphics->SetAllControlsClean();
    mGraphics->DrawDirtyRects(mDirtyRects);
    mDroppedRects.clear();
    if (mGraphics->FrameWasDropped())
      for (int i = 0; i < mDirtyRects.Size(); ++i)
        mDroppedRects.push_back(mDirtyRects.Get(i));
    else
    {
      const float scale = mGraphics->GetDrawScale() * static_cast<float>(mBackingScale);
      for (int i = 0; i < mDirtyRects.Size(); ++i)
        mDrawnSinceShown.push_back(ScaledOutward(mDirtyRects.Get(i), scale));
    }
  }
  const bool wasResting = IsResting();
  const bool busy = drawn || !canDraw || mShownCount != shown; // a frame in flight is yet to be shown
  mQuietTicks = busy ? 0 : std::min(mQuietTicks + 1, kQuietTicksBeforeRest);
  if (mTimer && IsResting() != wasResting)
    mTimer->SetTolerance(IsResting() ? kRestingTolerance : 0.0);
}

void IGraphicsView_vDrovik_vst::showPresentedFrame()
{
  if (!mShowing && !startShowing())
    return;
  // A large frame (the first after opening or a resize) goes to the window in bands over several ticks, so no tick
  // holds the main thread for the whole copy.
  const int w = static_cast<int>(mShowing->width());
  const size_t row = static_cast<size_t>(w) * 4;
  appkit::FrameImage frame{mFramePixels.data(), w, static_cast<int>(mShowing->height()), row, {}};
  long long left = mShownPerTick;
  while (!mToShow.empty() && left > 0)
  {
    appkit::Rect r = mToShow.front();
    const long long width = std::max(1LL, static_cast<long long>(r.size.width));
    const double rows = static_cast<double>(std::clamp(left / width, 1LL, static_cast<long long>(r.size.height)));
    if (rows < r.size.height)
    {
      mToShow.front() = appkit::Rect(r.origin.x, r.origin.y + rows, r.size.width, r.size.height - rows);
      r.size.height = rows;
    }
    else
      mToShow.erase(mToShow.begin());
    left -= width * static_cast<long long>(rows);
    mShowing->getBytes(mFramePixels.data() + row * static_cast<size_t>(r.origin.y) + static_cast<size_t>(r.origin.x) * 4,
                       row, MTLRegionMake2D(r.origin.x, r.origin.y, r.size.width, r.size.height), 0);
    frame.changed.push_back(r);
  }
  if (!frame.changed.empty())
    mNative->PresentFrame(frame);
  if (mToShow.empty())
    finishShowing();
}

bool IGraphicsView_vDrovik_vst::startShowing()
{
  // Drawables are presented when the renderer's command buffer completes, which may be after the tick that
  // drew them: every tick looks.
  const long presented = mLayer->presentedCount();
  if (presented == mShownFrames)
    return false;
  mShownFrames = presented;
  std::shared_ptr<MTLTexture> texture = mLayer->displayedTexture();
  if (!texture)
    return false;
  const int w = static_cast<int>(texture->width()), h = static_cast<int>(texture->height());
  std::vector<appkit::Rect> changed;
  // Only the regions drawn lately are read back, unless the frame is new in size or nothing is known.
  const bool partial = w == mShownWidth && h == mShownHeight && !mDrawnSinceShown.empty();
  // A frame new in size lands in memory touched for the first time, here and in the window's image.
  mShownPerTick = w == mShownWidth && h == mShownHeight ? kShownPixelsPerTick : kFirstShownPixelsPerTick;
  if (partial)
  {
    // A region drawn in several of these frames (a meter moving every frame) is read back once.
    auto add = [&](const std::vector<appkit::Rect>& batch) {
      for (const appkit::Rect& r : batch)
        if (std::none_of(changed.begin(), changed.end(), [&](const appkit::Rect& kept) {
              return r.origin.x >= kept.origin.x && r.origin.y >= kept.origin.y && r.MaxX() <= kept.MaxX() &&
                     r.MaxY() <= kept.MaxY();
            }))
          changed.push_back(r);
    };
    for (const std::vector<appkit::Rect>& batch : mRecentlyDrawn)
      add(batch);
    add(mDrawnSinceShown);
  }
  else
  {
    const size_t bytes = static_cast<size_t>(w) * 4 * static_cast<size_t>(h);
    if (mFramePixels.size() != bytes)
      mFramePixels = foundation::ZeroedBytes(bytes);
    changed.push_back(appkit::Rect(0, 0, w, h));
  }
  mToShow.clear();
  for (const appkit::Rect& r : changed)
  {
    const int x0 = std::clamp(static_cast<int>(r.origin.x), 0, w), y0 = std::clamp(static_cast<int>(r.origin.y), 0, h);
    const int x1 = std::clamp(static_cast<int>(r.MaxX()), 0, w), y1 = std::clamp(static_cast<int>(r.MaxY()), 0, h);
    if (x1 > x0 && y1 > y0)
      mToShow.push_back(appkit::Rect(x0, y0, x1 - x0, y1 - y0));
  }
  mShowing = std::move(texture);
  return true;
}

void IGraphicsView_vDrovik_vst::finishShowing()
{
  mShownWidth = static_cast<int>(mShowing->width());
  mShownHeight = static_cast<int>(mShowing->height());
  mShowing.reset();
  mRecentlyDrawn.push_back(std::move(mDrawnSinceShown));
  mDrawnSinceShown.clear();
  while (mRecentlyDrawn.size() > static_cast<size_t>(kCAMetalLayerDrawables))
    mRecentlyDrawn.pop_front();
  ++mShownCount;
}

// ---- Pointer ----

void IGraphicsView_vDrovik_vst::getMouseXY(const appkit::Event& event, float& x, float& y)
{
  const float scale = mGraphics->GetDrawScale();
  x = static_cast<float>(event.locationInView.x) / scale;
  y = static_cast<float>(event.locationInView.y) / scale;
  mGraphics->ReportPointer(x, y, mPrevX, mPrevY);
  mGraphics->SetTabletInput(event.subtype == appkit::kEventSubtypeTabletPoint);
}

namespace {

void SetModifiers(IMouseMod& mod, uint32_t flags)
{
  mod.mShift = (flags & appkit::kModifierShift) != 0;
  mod.mCtrl = (flags & appkit::kModifierControl) != 0;
  mod.mAlt = (flags & appkit::kModifierOption) != 0;
}

} // namespace

IMouseInfo IGraphicsView_vDrovik_vst::getMouseLeft(const appkit::Event& event)
{
  IMouseInfo info;
  getMouseXY(event, info.mX, info.mY);
  info.mMod.mLeft = true;
  info.mMod.mRight = (event.modifierFlags & appkit::kModifierCommand) != 0;
  SetModifiers(info.mMod, event.modifierFlags);
  return info;
}

IMouseInfo IGraphicsView_vDrovik_vst::getMouseRight(const appkit::Event& event)
{
  IMouseInfo info;
  getMouseXY(event, info.mX, info.mY);
  info.mMod.mRight = true;
  SetModifiers(info.mMod, event.modifierFlags);
  return info;
}

IMouseInfo IGraphicsView_vDrovik_vst::getMouseDrag(const appkit::Event& event, bool left)
{
  const float prevX = mPrevX, prevY = mPrevY;
  IMouseInfo info = left ? getMouseLeft(event) : getMouseRight(event);
  info.mDX = info.mX - prevX;
  info.mDY = info.mY - prevY;
  return info;
}

void IGraphicsView_vDrovik_vst::mouseDown(const appkit::Event& event)
{
  const IMouseInfo info = getMouseLeft(event);
  if (event.clickCount % 2 == 1)
    mGraphics->OnMouseDown({info});
  else
    mGraphics->OnMouseDblClick(info.mX, info.mY, info.mMod);
}

void IGraphicsView_vDrovik_vst::mouseUp(const appkit::Event& event, bool left)
{
  const IMouseInfo info = left ? getMouseLeft(event) : getMouseRight(event);
  mGraphics->OnMouseUp({info});
  if (left && mMouseOutDuringDrag && mGraphics)
  {
    mGraphics->OnMouseOut();
    mMouseOutDuringDrag = false;
  }
}

void IGraphicsView_vDrovik_vst::mouseDragged(const appkit::Event& event, bool left)
{
  const bool platformFieldUp =
    left ? (mGraphics->TextEntryRequester() && !mGraphics->GetTextEntryControl()) : mTextFieldView != nullptr;
  if (platformFieldUp)
    return;
  mGraphics->OnMouseDrag({getMouseDrag(event, left)});
}

void IGraphicsView_vDrovik_vst::mouseMoved(const appkit::Event& event)
{
  const IMouseInfo info = getMouseLeft(event);
  IMouseMod mod = info.mMod;
  mod.mLeft = false;
  mGraphics->OnMouseOver(info.mX, info.mY, mod);
}

void IGraphicsView_vDrovik_vst::mouseEntered()
{
  mMouseOutDuringDrag = false;
  mGraphics->SetMouseCursor(mGraphics->GetCursorType());
}

void IGraphicsView_vDrovik_vst::mouseExited()
{
  if (!mGraphics->HasCapture())
    mGraphics->OnMouseOut();
  else
    mMouseOutDuringDrag = true;
}

void IGraphicsView_vDrovik_vst::scrollWheel(const appkit::Event& event)
{
  // Any scroll ends an open text field, as a click outside it would.
  if (mTextFieldView)
    endUserInput();
  // A purely horizontal scroll moves nothing here.
  if (event.deltaY == 0.0)
    return;
  const IMouseInfo info = getMouseLeft(event);
  IMouseMod mod = info.mMod;
  mod.mLeft = false;
  mGraphics->OnMouseWheel(info.mX, info.mY, mod, static_cast<float>(event.deltaY));
}

// ---- Keys ----

namespace {

struct KeyCodeEntry
{
  uint16_t keyCode;
  int virtualKey;
};

// Mac key codes of keys without a character of their own -> virtual keys.
constexpr KeyCodeEntry kKeyCodeTable[] = {
  {51, 8},    {65, 110},  {67, 106},  {69, 107},  {71, 144},  {75, 111},  {76, 0x800D}, {78, 109},
  {81, 108},  {82, 96},   {83, 97},   {84, 98},   {85, 99},   {86, 100},  {87, 101},    {88, 102},
  {89, 103},  {91, 104},  {92, 105},  {96, 116},  {97, 117},  {98, 118},  {99, 114},    {100, 119},
  {101, 120}, {103, 122}, {105, 124}, {106, 127}, {107, 125}, {109, 121}, {111, 123},   {113, 126},
  {114, 45},  {115, 36},  {116, 33},  {117, 46},  {118, 115}, {119, 35},  {120, 113},   {121, 34},
  {122, 112}, {123, 37},  {124, 39},  {125, 40},  {126, 38},
};

constexpr int kVirtualKeyFlag = 1;
constexpr int kShiftFlag = 4;
constexpr int kCommandFlag = 8;
constexpr int kOptionFlag = 16;
constexpr int kControlFlag = 32;
/// Offset of a key code that makes no character.
constexpr int kUnknownKeyOffset = 1024;
/// First function key character minus F1's virtual key.
constexpr int kFunctionKeyBase = 0xF694;

bool IsLetterOrDigit(char32_t c) { return c < 128 ? std::isalnum(static_cast<int>(c)) != 0 : std::iswalnum(c) != 0; }

} // namespace

IKeyPress KeyPressFromEvent(const appkit::Event& event)
{
  int flags = 0;
  const uint32_t m = event.modifierFlags;
  if (m & appkit::kModifierShift)
    flags |= kShiftFlag;
  if (m & appkit::kModifierCommand)
    flags |= kCommandFlag;
  if (m & appkit::kModifierOption)
    flags |= kOptionFlag;
  if (m & appkit::kModifierControl)
    flags |= kControlFlag;

  int code = 0;
  bool mapped = false;
  for (const KeyCodeEntry& e : kKeyCodeTable)
    if (e.keyCode == event.keyCode)
    {
      code = e.virtualKey;
      mapped = true;
      break;
    }
  const std::u32string& chars = event.charactersIgnoringModifiers;
  if (mapped)
    flags |= kVirtualKeyFlag;
  else if (chars.empty())
  {
    code = event.keyCode + kUnknownKeyOffset;
    flags |= kVirtualKeyFlag;
  }
  else
  {
    char32_t c = chars[0];
    if (c >= appkit::kF1FunctionKey && c <= appkit::kF24FunctionKey)
    {
      code = static_cast<int>(c) - kFunctionKeyBase;
      flags |= kVirtualKeyFlag;
    }
    else
    {
      if (c >= 'a' && c <= 'z')
        c -= 32;
      if (c == 25 && (flags & kCommandFlag))
        c = 9;
      if (IsLetterOrDigit(c) || c == 9 || c == 10 || c == 13 || c == 27 || c == 32)
      {
        code = static_cast<int>(c);
        flags |= kVirtualKeyFlag;
      }
      else
        flags &= ~kShiftFlag;
    }
  }
  const std::string text = chars.size() == 1 ? appkit::UTF8FromUTF32(chars) : std::string();
  return IKeyPress(text.c_str(), (flags & kVirtualKeyFlag) ? code : 0, (flags & kShiftFlag) != 0,
                   (flags & kCommandFlag) != 0, (flags & kOptionFlag) != 0);
}

bool IGraphicsView_vDrovik_vst::keyEvent(const appkit::Event& event, bool down)
{
  const IKeyPress key = KeyPressFromEvent(event);
  return down ? mGraphics->OnKeyDown(mPrevX, mPrevY, key) : mGraphics->OnKeyUp(mPrevX, mPrevY, key);
}

// ---- Event dispatch ----

bool IGraphicsView_vDrovik_vst::SendEvent(const appkit::Event& event)
{
  if (!mGraphics)
    return false;
  std::shared_ptr<IGraphicsView_vDrovik_vst> keepAlive = shared_from_this();
  using T = appkit::EventType;
  switch (event.type)
  {
  case T::kLeftMouseDown: mouseDown(event); return true;
  case T::kRightMouseDown: mGraphics->OnMouseDown({getMouseRight(event)}); return true;
  case T::kLeftMouseUp: mouseUp(event, true); return true;
  case T::kRightMouseUp: mouseUp(event, false); return true;
  case T::kLeftMouseDragged: mouseDragged(event, true); return true;
  case T::kRightMouseDragged: mouseDragged(event, false); return true;
  case T::kMouseMoved: mouseMoved(event); return true;
  case T::kMouseEntered: mouseEntered(); return true;
  case T::kMouseExited: mouseExited(); return true;
  case T::kScrollWheel: scrollWheel(event); return true;
  case T::kKeyDown: return keyEvent(event, true);
  case T::kKeyUp: return keyEvent(event, false);
  }
  return false;
}

// ---- Cursor ----

void IGraphicsView_vDrovik_vst::setMouseCursor(int type)
{
  using C = appkit::Cursor;
  const appkit::Application& app = appkit::Application::Shared();
  auto privateOr = [&app](C wanted, C fallback) { return app.HasCursor(wanted) ? wanted : fallback; };
  C cursor = C::kArrow;
  switch (type)
  {
  case kIBeamCursor: cursor = C::kIBeam; break;
  case kBusyButClickableCursor:
  case 12: cursor = privateOr(C::kBusyButClickable, C::kArrow); break;
  case kCrosshairCursor: cursor = C::kCrosshair; break;
  case kResizeNorthCursor: cursor = privateOr(C::kResizeNorth, C::kResizeUp); break;
  case kResizeNorthWestSouthEastCursor: cursor = privateOr(C::kResizeNorthWestSouthEast, C::kArrow); break;
  case kResizeNorthEastSouthWestCursor: cursor = privateOr(C::kResizeNorthEastSouthWest, C::kArrow); break;
  case kResizeEastWestCursor: cursor = privateOr(C::kResizeEastWest, C::kResizeLeftRight); break;
  case kResizeNorthSouthCursor: cursor = privateOr(C::kResizeNorthSouth, C::kResizeUpDown); break;
  case kMoveCursor: cursor = C::kMove; break;
  case kOperationNotAllowedCursor: cursor = C::kOperationNotAllowed; break;
  case kPointingHandCursor: cursor = C::kPointingHand; break;
  case 13: cursor = privateOr(C::kHelp, C::kArrow); break;
  default: break;
  }
  mNative->SetCursor(cursor);
}

// ---- Colour panel ----

bool IGraphicsView_vDrovik_vst::promptForColor(const IColor& color, std::function<void(const IColor&)> fn)
{
  mColorPickerFunc = std::move(fn);
  const appkit::DeviceColor shown{color.mRed / 255.0, color.mGreen / 255.0, color.mBlue / 255.0,
                                  color.mAlpha / 255.0};
  std::weak_ptr<IGraphicsView_vDrovik_vst> self = weak_from_this();
  mColorPanelOpen = appkit::Application::Shared().ShowColorPanel(shown, [self](const appkit::DeviceColor& c) {
    std::shared_ptr<IGraphicsView_vDrovik_vst> view = self.lock();
    if (!view || !view->mColorPickerFunc)
      return;
    view->mColorPickerFunc(IColor(static_cast<int>(c.alpha * 255.0), static_cast<int>(c.red * 255.0),
                                  static_cast<int>(c.green * 255.0), static_cast<int>(c.blue * 255.0)));
  });
  return mColorPanelOpen;
}

// ---- Tool tips ----

void IGraphicsView_vDrovik_vst::registerToolTip(const IRECT& r)
{
  mNative->AddToolTipRect(ScaledOutward(r, mGraphics->GetDrawScale()));
}

std::string IGraphicsView_vDrovik_vst::ToolTipAt(appkit::Point)
{
  if (!mGraphics)
    return "";
  const int idx = mGraphics->GetMouseOverIdx();
  IControl* control = idx >= 0 && idx < mGraphics->NControls() ? mGraphics->GetControl(idx) : nullptr;
  return control ? control->GetTooltip() : "";
}

// ---- Drag and drop, backing scale ----

bool IGraphicsView_vDrovik_vst::DraggingEntered(const std::vector<std::string>& types)
{
  for (const std::string& t : types)
    if (t == appkit::kFilenamesPboardType)
      return true;
  return false;
}

bool IGraphicsView_vDrovik_vst::PerformDragOperation(const std::vector<std::string>& files, appkit::Point location)
{
  if (mGraphics && !files.empty())
  {
    const float scale = mGraphics->GetDrawScale();
    mGraphics->OnDrop(files.front().c_str(), static_cast<float>(location.x) / scale,
                      static_cast<float>(location.y) / scale);
  }
  return true;
}

void IGraphicsView_vDrovik_vst::ViewDidChangeBackingScale(double scale)
{
  if (mGraphics && static_cast<int>(scale) != mGraphics->GetScreenScale())
    mGraphics->SetScreenScale(static_cast<int>(scale));
  mBackingScale = scale;
  updateDrawableSize();
}

} // namespace igraphics
} // namespace plug
