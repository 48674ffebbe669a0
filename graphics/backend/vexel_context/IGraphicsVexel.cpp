// The Vexel graphics context: the view, the frame, paths with their paints, blends, dashed lines, fast shadows
// and layers. Bitmaps and text have their own files.
#include "graphics/backend/vexel_context/IGraphicsVexel.h"

#include <algorithm>
#include <cmath>

#include "graphics/backend/vexel_context/VexelConversions.h"
#include "metal/quartz_core.h"

namespace plug {
namespace igraphics {

namespace {

/// Dashed lines and rectangles with more dashes than this are drawn solid: the dashes would be too fine to see,
/// and a dash length near zero must not make the loop run without bound.
constexpr float kMaxDashes = 4096.f;
/// The fast drop shadow's colour at full weight: black at half opacity.
constexpr float kFastShadowAlpha = 128.f / 255.f;
/// Frames whose drawn regions are kept: more than the drawables a layer cycles through.
constexpr size_t kDrawnHistory = 8;

} // namespace

// ---- construction, view and teardown ----

IGraphicsVexel::IGraphicsVexel(IGEditorDelegate& delegate, int w, int h, int fps, float scale)
  : IGraphicsPathBase(delegate, w, h, fps, scale)
{
  FontDataCache().Retain();
}

IGraphicsVexel::~IGraphicsVexel()
{
  OnViewDestroyed();
  StaticStorage<FontData>& fonts = FontDataCache();
  LibMutexLock lock(fonts.Mutex());
  fonts.Release();
  DrainPendingDeletions();
}

void IGraphicsVexel::OnViewInitialized(void* layer)
{
  mLayer = static_cast<CAMetalLayer*>(layer);
  mVG = layer ? mvxCreateContext(mLayer, kContextFlags) : nullptr;
  mFirstKnownFrame = mFrameCount + 1;
  SetContextReady(false);
  if (mVG)
  {
    mScaledCopies = std::make_unique<ScaledBitmapCache>(mVG);
    mScaledCopies->SetShare(mScaledCopyShare);
    SetContextReady(true);
  }
}

void IGraphicsVexel::OnViewDestroyed()
{
  RemoveAllControls();
  LibMutexLock lock(mBitmapCache.Mutex());
  mBitmapCache.Clear();
  mScaledCopies.reset();
  // Layers released while a frame was open go before the context their framebuffers belong to.
  mInDraw = false;
  DrainPendingDeletions();
  mvxDeleteFramebuffer(mMainFramebuffer);
  mMainFramebuffer = nullptr;
  if (mVG)
    mvxDeleteContext(mVG);
  mVG = nullptr;
  mLayer = nullptr;
  SetContextReady(false);
}

void IGraphicsVexel::ReleaseFramebuffer(MVXframebuffer* fb)
{
  if (!mInDraw)
  {
    mvxDeleteFramebuffer(fb);
    return;
  }
  LibMutexLock lock(mFramebufferMutex);
  mPendingDeletions.push_back(fb);
}

void IGraphicsVexel::DrainPendingDeletions()
{
  LibMutexLock lock(mFramebufferMutex);
  while (!mPendingDeletions.empty())
  {
    mvxDeleteFramebuffer(mPendingDeletions.back());
    mPendingDeletions.pop_back();
  }
}

// ---- frame ----

float IGraphicsVexel::FrameWidth() const { return float(int(float(mEditorWidth) * mDrawScale)); }
float IGraphicsVexel::FrameHeight() const { return float(int(float(mEditorHeight) * mDrawScale)); }

void IGraphicsVexel::DrawResize()
{
  mvxDeleteFramebuffer(mMainFramebuffer);
  mMainFramebuffer = nullptr;
  if (!mVG)
    return;
  const int w = int(float(mEditorWidth) * mDrawScale) * mScreenScale;
  const int h = int(float(mEditorHeight) * mDrawScale) * mScreenScale;
  mMainFramebuffer = mvxCreateFramebuffer(mVG, w, h, 0);
  // Copies made for the previous size land on the pixel grid no more.
  if (mScaledCopies)
  {
    mScaledCopies->Clear();
    mScaledCopies->SetBudget(ScaledCopyBudget());
    mScaledCopies->SetShare(mScaledCopyShare); // the first frame at the new size is made in shares again
  }
  mFirstKnownFrame = mFrameCount + 1; // what drawables show came from the framebuffer just replaced
}

void IGraphicsVexel::MakeScaledCopiesBetweenFrames(size_t pixels)
{
  mScaledCopyShare = pixels;
  if (mScaledCopies)
    mScaledCopies->SetShare(pixels);
}

void IGraphicsVexel::ResumeMainFrame()
{
  mvxBindFramebuffer(mMainFramebuffer);
  vxBeginFrame(mVG, FrameWidth(), FrameHeight(), FrameRatio());
}

void IGraphicsVexel::BeginFrame()
{
  mInDraw = true;
  IGraphicsPathBase::BeginFrame();
  if (mScaledCopies)
    mScaledCopies->StartFrame();
  if (mVG)
    ResumeMainFrame();
}

void IGraphicsVexel::EndFrame()
{
  mFrameDropped = mVG && mScaledCopies && mScaledCopyShare > 0 && !mFrameDropped && mScaledCopies->FrameLacksCopies();
  if (mScaledCopies)
  {
    mScaledCopies->EndFrame();
    // Once a frame with its copies is whole, the copies the later frames lack (a knob's or a meter's next frame)
    // are few and small: they are made at once, so a click shows in the frame it changed.
    if (!mFrameDropped)
      mScaledCopies->SetShare(0);
  }
  if (mFrameDropped)
    vxCancelFrame(mVG);
  else if (mVG)
  {
    vxEndFrame(mVG);
    // Without a main framebuffer image there is nothing to show: the drawable keeps what it had.
    if (mMainFramebuffer && mMainFramebuffer->image > 0)
      CopyToDrawable();
  }
  mInDraw = false;
  DrainPendingDeletions();
}

void IGraphicsVexel::RememberDrawnRegions(long frame)
{
  std::unique_ptr<std::vector<IRECT>> drawn;
  if (const IRECTList* regions = GetDrawnRegions())
  {
    drawn = std::make_unique<std::vector<IRECT>>();
    for (int i = 0; i < regions->Size(); ++i)
    {
      const IRECT& r = regions->Get(i);
      drawn->push_back(IRECT(r.mLeft * mDrawScale, r.mTop * mDrawScale, r.mRight * mDrawScale, r.mBottom * mDrawScale));
    }
  }
  mDrawnHistory.emplace_back(frame, std::move(drawn));
  while (mDrawnHistory.size() > kDrawnHistory)
    mDrawnHistory.pop_front();
}

bool IGraphicsVexel::RegionsDrawnSince(long shown, std::vector<IRECT>& regions) const
{
  if (shown < mFirstKnownFrame || mDrawnHistory.empty() || mDrawnHistory.front().first > shown + 1)
    return false;
  for (const auto& frame : mDrawnHistory)
  {
    if (frame.first <= shown)
      continue;
    if (!frame.second)
      return false;
    // A region drawn again in a later frame (a meter moving every frame) is copied once.
    for (const IRECT& r : *frame.second)
      if (std::none_of(regions.begin(), regions.end(), [&](const IRECT& kept) { return kept.Contains(r); }))
        regions.push_back(r);
  }
  return true;
}

void IGraphicsVexel::CopyToDrawable()
{
  const long frame = ++mFrameCount;
  RememberDrawnRegions(frame);
  // The drawable the copy lands in still shows an earlier frame: only what changed since then is copied.
  const long shown = mLayer ? mLayer->reserveNextDrawable(frame) : 0;
  std::vector<IRECT> regions;
  const bool partial = shown > 0 && RegionsDrawnSince(shown, regions);
  mvxBindFramebuffer(nullptr);
  const float w = FrameWidth(), h = FrameHeight();
  vxBeginFrame(mVG, w, h, FrameRatio());
  const VXpaint paint = vxMakeImagePattern(mVG, 0.f, 0.f, w, h, 0.f, mMainFramebuffer->image, 1.f);
  vxSaveState(mVG);
  vxResetTransform(mVG);
  vxTranslate(mVG, mDrawOffsetX, mDrawOffsetY);
  vxSetFillPaint(mVG, paint);
  auto fillFrame = [&] {
    vxBeginPath(mVG);
    vxRectPath(mVG, 0.f, 0.f, w, h);
    vxFillPath(mVG);
  };
  if (!partial)
    fillFrame();
  for (const IRECT& r : regions)
  {
    vxSetScissor(mVG, r.mLeft, r.mTop, r.W(), r.H());
    fillFrame();
  }
  vxRestoreState(mVG);
  vxEndFrame(mVG);
}

// ---- paths ----

void IGraphicsVexel::PathClear()
{
  if (mVG)
    vxBeginPath(mVG);
}
void IGraphicsVexel::PathClose()
{
  if (mVG)
    vxClosePath(mVG);
}
void IGraphicsVexel::PathMoveTo(float x, float y)
{
  if (mVG)
    vxMoveTo(mVG, x, y);
}
void IGraphicsVexel::PathLineTo(float x, float y)
{
  if (mVG)
    vxLineTo(mVG, x, y);
}

void IGraphicsVexel::PathArc(float cx, float cy, float r, float a1, float a2, bool clockwise)
{
  if (!mVG)
    return;
  // Our angles run clockwise from twelve o'clock in degrees; Vexel's from three o'clock in radians.
  const float pi = 3.14159265f;
  vxArc(mVG, cx, cy, r, (a1 - 90.f) / 180.f * pi, (a2 - 90.f) / 180.f * pi, clockwise ? VX_CLOCKWISE : VX_COUNTER_CLOCKWISE);
}

void IGraphicsVexel::PathSetWinding(bool hole)
{
  if (mVG)
    vxSetPathWinding(mVG, hole ? VX_HOLE : VX_SOLID);
}

void IGraphicsVexel::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2)
{
  if (!mVG)
    return;
  vxCubicTo(mVG, c1x, c1y, c2x, c2y, x2, y2);
}

void IGraphicsVexel::PathQuadraticBezierTo(float cx, float cy, float x2, float y2)
{
  if (mVG)
    vxQuadTo(mVG, cx, cy, x2, y2);
}

void IGraphicsVexel::ApplyBlend(const IBlend* blend)
{
  ApplyVXBlend(mVG, blend);
}

bool IGraphicsVexel::SetPaint(const IPaintPattern& pattern, const IBlend* blend, bool stroke)
{
  if (pattern.mType == kSolidPattern)
  {
    const VXcolor c = ToVXColor(pattern.FirstColor(), blend);
    stroke ? vxSetStrokeColor(mVG, c) : vxSetFillColor(mVG, c);
    return true;
  }
  VXpaint paint;
  if (!ToVXPaint(mVG, pattern, blend, paint))
    return false;
  stroke ? vxSetStrokePaint(mVG, paint) : vxSetFillPaint(mVG, paint);
  return true;
}

void IGraphicsVexel::PathStroke(const IPaintPattern& pattern, float thickness, const IStrokeStyle& options,
                                const IBlend* blend)
{
  if (!mVG)
    return;
  if (options.mLineCap >= kCapButt && options.mLineCap <= kCapSquare)
    vxSetLineCap(mVG, options.mLineCap);
  static const int kJoins[] = {VX_MITER, VX_ROUND, VX_BEVEL};
  if (options.mLineJoin >= kJoinMiter && options.mLineJoin <= kJoinBevel)
    vxSetLineJoin(mVG, kJoins[options.mLineJoin]);
  vxSetMiterLimit(mVG, options.mMiterLimit);
  vxSetStrokeWidth(mVG, thickness);
  if (SetPaint(pattern, blend, true))
  {
    vxSetPathWinding(mVG, VX_SOLID);
    ApplyBlend(blend);
    vxStrokePath(mVG);
    vxSetCompositeOperation(mVG, VX_SOURCE_OVER);
  }
  if (!options.mPreserve)
    vxBeginPath(mVG);
}

void IGraphicsVexel::PathFill(const IPaintPattern& pattern, const IFillStyle& options, const IBlend* blend)
{
  if (!mVG)
    return;
  if (options.mFillRule == kFillSolid)
    vxSetPathWinding(mVG, VX_SOLID);
  else if (options.mFillRule == kFillHole)
    vxSetPathWinding(mVG, VX_HOLE);
  if (SetPaint(pattern, blend, false))
  {
    ApplyBlend(blend);
    vxFillPath(mVG);
    vxSetCompositeOperation(mVG, VX_SOURCE_OVER);
  }
  if (!options.mPreserve)
    vxBeginPath(mVG);
}

void IGraphicsVexel::SetPathTransform(const IMatrix& m)
{
  if (!mVG)
    return;
  vxResetTransform(mVG);
  vxScale(mVG, mDrawScale, mDrawScale);
  if (!mLayers.empty())
    vxTranslate(mVG, -mLayers.top()->Bounds().mLeft, -mLayers.top()->Bounds().mTop);
  vxMultiplyTransform(mVG, float(m.mXX), float(m.mYX), float(m.mXY), float(m.mYY), float(m.mTX), float(m.mTY));
}

void IGraphicsVexel::SetClipRegion(const IRECT& r)
{
  if (mVG)
    vxSetScissor(mVG, r.mLeft, r.mTop, r.W(), r.H());
}

// ---- dashes and shadows ----

void IGraphicsVexel::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                                    float thickness, float dashLen)
{
  const float n = std::round(std::hypot(x1 - x2, y1 - y2) / dashLen);
  if (!(dashLen > 0.f) || !std::isfinite(n) || n > kMaxDashes)
  {
    DrawLine(color, x1, y1, x2, y2, blend, thickness);
    return;
  }
  PathClear();
  PathMoveTo(x1, y1);
  const int count = int(n);
  if (count >= 2)
  {
    const float step = 1.f / float(count);
    for (int i = 1; i < count; i += 2)
    {
      const float a = float(i) * step, b = float(i + 1) * step;
      PathLineTo(x1 + (x2 - x1) * a, y1 + (y2 - y1) * a);
      PathMoveTo(x1 + (x2 - x1) * b, y1 + (y2 - y1) * b);
    }
  }
  PathStroke(IPaintPattern(color), thickness, IStrokeStyle(), blend);
}

void IGraphicsVexel::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness,
                                    float dashLen)
{
  const float fx = std::ceil(bounds.W() / (2.f * dashLen)), fy = std::ceil(bounds.H() / (2.f * dashLen));
  if (!(dashLen > 0.f) || !std::isfinite(fx) || !std::isfinite(fy) || fx + fy > kMaxDashes)
  {
    DrawRect(color, bounds, blend, thickness);
    return;
  }
  const int nx = int(fx), ny = int(fy);
  const IRECT& r = bounds;
  float x = r.mLeft, y = r.mTop;
  PathClear();
  PathMoveTo(x, y);
  auto run = [&](int count, float& v, float step, float lo, float hi) {
    for (int i = 0; i < count; ++i)
    {
      v = std::min(hi, std::max(lo, v + step));
      PathLineTo(x, y);
      v = std::min(hi, std::max(lo, v + step));
      PathMoveTo(x, y);
    }
  };
  run(nx, x, dashLen, r.mLeft, r.mRight);
  run(ny, y, dashLen, r.mTop, r.mBottom);
  run(nx, x, -dashLen, r.mLeft, r.mRight);
  run(ny, y, -dashLen, r.mTop, r.mBottom);
  PathStroke(IPaintPattern(color), thickness, IStrokeStyle(), blend);
}

void IGraphicsVexel::DrawFastDropShadow(const IRECT& inner, const IRECT& outer, float xyDrop, float roundness,
                                        float blur, const IBlend* blend)
{
  if (!mVG)
    return;
  const float weight = blend ? blend->mWeight : 1.f;
  const VXpaint paint = vxMakeBoxGradient(mVG, inner.mLeft + xyDrop, inner.mTop + xyDrop, inner.W(), inner.H(),
                                          roundness, blur, vxColorFromFloats(0, 0, 0, kFastShadowAlpha * weight),
                                          vxColorFromFloats(0, 0, 0, 0));
  vxBeginPath(mVG);
  vxRectPath(mVG, outer.mLeft, outer.mTop, outer.W(), outer.H());
  vxSetFillPaint(mVG, paint);
  vxSetCompositeOperation(mVG, VX_SOURCE_OVER);
  vxFillPath(mVG);
  vxBeginPath(mVG);
}

// ---- layers ----

void IGraphicsVexel::UpdateLayer()
{
  if (!mVG)
    return;
  vxEndFrame(mVG);
  const Bitmap* top = mLayers.empty() ? nullptr : static_cast<const Bitmap*>(mLayers.top()->GetAPIBitmap());
  if (mLayers.empty())
  {
    ResumeMainFrame();
    return;
  }
  // A layer without a bitmap still takes the drawing meant for it: into a frame that is never shown.
  mvxBindFramebuffer(top ? top->GetFramebuffer() : nullptr);
  const IRECT& r = mLayers.top()->Bounds();
  vxBeginFrame(mVG, r.W() * mDrawScale, r.H() * mDrawScale, FrameRatio());
  if (!top)
    vxCancelFrame(mVG);
}

void IGraphicsVexel::ReadLayerPixels(const ILayerPtr& layer, ByteBuffer& data)
{
  const Bitmap* bitmap = layer ? static_cast<const Bitmap*>(layer->GetAPIBitmap()) : nullptr;
  if (!bitmap || !mVG)
  {
    data.clear();
    return;
  }
  const size_t n = size_t(bitmap->GetWidth()) * size_t(bitmap->GetHeight()) * 4;
  data.resize(n);
  if (data.size() < n)
    return;
  PushLayer(layer.get());
  mvxReadPixels(mVG, bitmap->GetImage(), 0, 0, bitmap->GetWidth(), bitmap->GetHeight(), data.data());
  PopLayer();
}

void IGraphicsVexel::SetLayerPixels(const ILayerPtr& layer, ByteBuffer& data)
{
  const APIBitmap* target = layer ? layer->GetAPIBitmap() : nullptr;
  if (!target || !mVG || data.size() < size_t(target->GetWidth()) * size_t(target->GetHeight()) * 4)
    return;
  Bitmap pixels(mVG, target->GetWidth(), target->GetHeight(), data.data(), target->GetScale(),
                target->GetDrawScale());
  PushLayer(layer.get());
  DrawBitmap(IBitmap(&pixels, 1, false), layer->Bounds(), 0, 0, nullptr);
  PopLayer();
}

void IGraphicsVexel::ApplyShadowMask(const ILayerPtr& layer, ByteBuffer& mask, const IShadowStyle& shadow)
{
  const APIBitmap* target = layer ? layer->GetAPIBitmap() : nullptr;
  if (!target || !mVG)
    return;
  const int w = target->GetWidth(), h = target->GetHeight();
  if (mask.size() < size_t(w) * size_t(h) * 4)
    return;
  const IRECT& r = layer->Bounds();
  if (!shadow.mDrawForeground)
  {
    PushLayer(layer.get());
    vxSetBlendFactors(mVG, VX_ZERO, VX_ZERO);
    PathRect(r);
    vxSetFillColor(mVG, vxColorFromFloats(0, 0, 0, 0));
    vxFillPath(mVG);
    vxSetCompositeOperation(mVG, VX_SOURCE_OVER);
    PopLayer();
  }
  Bitmap maskBitmap(mVG, w, h, mask.data(), target->GetScale(), target->GetDrawScale());
  APIBitmap* shadowBitmap = CreateAPIBitmap(w, h, target->GetScale(), target->GetDrawScale());
  if (!shadowBitmap)
    return;
  ILayer shadowLayer(shadowBitmap, r, nullptr, IRECT());
  PathTransformSave();
  PushLayer(layer.get());
  PushLayer(&shadowLayer);
  DrawBitmap(IBitmap(&maskBitmap, 1, false), r, 0, 0, nullptr);
  PathRect(r);
  PathTransformTranslate(-shadow.mXOffset, -shadow.mYOffset);
  const IBlend sourceIn(kBlendSourceIn, 1.f);
  PathFill(shadow.mPattern, IFillStyle(), &sourceIn);
  PopLayer();
  const IBlend under(kBlendDestinationOver, std::clamp(shadow.mOpacity, 0.f, 1.f));
  DrawBitmap(IBitmap(shadowBitmap, 1, false), r.GetOffset(shadow.mXOffset, shadow.mYOffset), 0, 0, &under);
  PopLayer();
  PathTransformRestore();
}

} // namespace igraphics
} // namespace plug
