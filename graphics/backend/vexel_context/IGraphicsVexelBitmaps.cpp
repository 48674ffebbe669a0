// Bitmaps of the Vexel graphics context: images decoded from files or bytes and kept in this context's cache by
// name and scale, images made from pixels, and the framebuffers of layers.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "graphics/backend/vexel_context/IGraphicsVexel.h"
#include "graphics/backend/vexel_context/VexelConversions.h"

namespace plug {
namespace igraphics {

namespace {

/// How much of an extension BitmapExtSupported reads.
constexpr size_t kMaxExtLength = 31;
/// LocateResourceFile's answer for a file path.
constexpr int kLocationFile = 1;
constexpr int kLocationShared = 3;
/// How far (in pixels) an image pattern's corner and size may be from whole pixels and still count as landing one
/// texel on each pixel.
constexpr float kOnTheGrid = 1e-3f;
/// The copies of bitmaps may hold this many frames' worth of pixels, and at least kMinScaledCopyBytes.
constexpr size_t kScaledCopyFrames = 4;
constexpr size_t kMinScaledCopyBytes = size_t(64) << 20;

bool OnTheGrid(float v) { return std::fabs(v - std::round(v)) < kOnTheGrid; }

} // namespace

// ---- Bitmap ----

IGraphicsVexel::Bitmap::Bitmap(VXcontext* vg, int image, int scale, bool shared)
  : mVG(vg), mImage(image), mShared(shared)
{
  vxGetImageSize(vg, image, &mWidth, &mHeight);
  SetSize(scale, 1.f);
}

IGraphicsVexel::Bitmap::Bitmap(IGraphicsVexel* owner, VXcontext* vg, int w, int h, int scale, float drawScale)
  : mGraphicsOwner(owner), mVG(vg)
{
  mFramebuffer = mvxCreateFramebuffer(vg, w, h, 0);
  if (mFramebuffer)
  {
    mImage = mFramebuffer->image;
    mvxBindFramebuffer(mFramebuffer);
    mvxClearWithColor(vg, vxColorFromFloats(0, 0, 0, 0));
    vxBeginFrame(vg, float(w), float(h), 1.f);
    vxEndFrame(vg);
  }
  mWidth = w;
  mHeight = h;
  SetSize(scale, drawScale);
}

IGraphicsVexel::Bitmap::Bitmap(VXcontext* vg, int w, int h, const uint8_t* rgba, int scale, float drawScale)
  : mVG(vg)
{
  mImage = vxCreateImageFromPixels(vg, w, h, 0, rgba);
  mWidth = w;
  mHeight = h;
  SetSize(scale, drawScale);
}

void IGraphicsVexel::Bitmap::SetSize(int scale, float drawScale)
{
  // Sizes in points divide by the scale: it is never below 1.
  mScale = std::max(scale, 1);
  mDrawScale = drawScale > 0.f ? drawScale : 1.f;
}

IGraphicsVexel::Bitmap::~Bitmap()
{
  if (mShared)
    return;
  if (mFramebuffer)
    mGraphicsOwner->ReleaseFramebuffer(mFramebuffer);
  else if (mImage > 0)
    vxDeleteImage(mVG, mImage);
}

// ---- loading ----

bool IGraphicsVexel::BitmapExtSupported(const char* ext)
{
  if (!ext)
    return false;
  char lower[kMaxExtLength + 1] = {};
  for (size_t i = 0; i < kMaxExtLength && ext[i]; ++i)
    lower[i] = char(std::tolower(static_cast<unsigned char>(ext[i])));
  return std::strstr(lower, "png") || std::strstr(lower, "jpg") || std::strstr(lower, "jpeg");
}

void IGraphicsVexel::RetainBitmap(const IBitmap& bitmap, const char* cacheName)
{
  APIBitmap* api = bitmap.GetAPIBitmap();
  LibMutexLock lock(mBitmapCache.Mutex());
  if (api && cacheName && !mBitmapCache.Holds(api))
    mBitmapCache.Add(api, cacheName, api->GetScale());
}

void IGraphicsVexel::ReleaseBitmap(const IBitmap& bitmap)
{
  LibMutexLock lock(mBitmapCache.Mutex());
  if (bitmap.GetAPIBitmap())
    mBitmapCache.Remove(bitmap.GetAPIBitmap());
}

IBitmap IGraphicsVexel::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  return LoadBitmapInto(mBitmapCache, name, nStates, framesAreHorizontal, targetScale);
}

IBitmap IGraphicsVexel::LoadBitmapFromData(const char* name, const uint8_t* data, int dataSize, int nStates,
                                           bool framesAreHorizontal, int targetScale)
{
  return LoadBitmapFromDataInto(mBitmapCache, name, data, dataSize, nStates, framesAreHorizontal, targetScale);
}

APIBitmap* IGraphicsVexel::LoadAPIBitmap(const char* path, int scale, int location, const char* ext)
{
  if (!mVG || location != kLocationFile || !path)
    return nullptr;
  ActivateContext();
  const int image = vxCreateImageFromFile(mVG, path, 0);
  DeactivateContext();
  // An image that cannot be decoded is no bitmap: nothing is drawn and nothing is cached.
  if (image <= 0)
    return nullptr;
  return new Bitmap(mVG, image, scale, location == kLocationShared);
}

APIBitmap* IGraphicsVexel::LoadAPIBitmapData(const char* name, const void* data, int dataSize, int scale)
{
  if (!name || !mVG || !data || dataSize <= 0)
    return nullptr;
  ActivateContext();
  const int image = vxCreateImageFromMemory(mVG, 0, static_cast<const unsigned char*>(data), dataSize);
  DeactivateContext();
  if (image <= 0)
    return nullptr;
  return new Bitmap(mVG, image, scale, false);
}

APIBitmap* IGraphicsVexel::CreateAPIBitmap(int width, int height, int screenScale, double drawScale, bool cacheable)
{
  // Held to the limits of decoded images: a layer, such as an image rescaled for the screen, is no larger.
  if (!mVG || width <= 0 || height <= 0 || width > VX_MAX_IMAGE_SIDE || height > VX_MAX_IMAGE_SIDE ||
      (long long)width * height > VX_MAX_IMAGE_PIXELS)
    return nullptr;
  if (mInDraw)
    vxEndFrame(mVG);
  APIBitmap* bitmap = new Bitmap(this, mVG, width, height, screenScale, float(drawScale));
  if (mInDraw)
    ResumeMainFrame();
  return bitmap;
}

void IGraphicsVexel::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* blend)
{
  const Bitmap* api = static_cast<const Bitmap*>(bitmap.GetAPIBitmap());
  if (!api || api->GetImage() <= 0 || !mVG)
    return;
  const float k = 1.f / (float(api->GetScale()) * api->GetDrawScale());
  const float w = float(bitmap.W() * api->GetScale()) * k, h = float(bitmap.H() * api->GetScale()) * k;
  const float originX = dest.mLeft - float(srcX), originY = dest.mTop - float(srcY);
  if (DrawScaledCopy(*api, dest, originX, originY, w, h, blend))
    return;
  const float alpha = blend ? blend->mWeight : 1.f;
  const VXpaint paint = vxMakeImagePattern(mVG, originX, originY, w, h, 0.f, api->GetImage(), alpha);
  vxBeginPath(mVG);
  vxRectPath(mVG, dest.mLeft, dest.mTop, dest.W(), dest.H());
  vxSetFillPaint(mVG, paint);
  ApplyVXBlend(mVG, blend);
  vxFillPath(mVG);
  vxSetCompositeOperation(mVG, VX_SOURCE_OVER);
  vxBeginPath(mVG);
}

bool IGraphicsVexel::DrawScaledCopy(const Bitmap& api, const IRECT& dest, float originX, float originY, float w,
                                    float h, const IBlend* blend)
{
  if (!mScaledCopies || api.GetFramebuffer() || (blend && blend->mMethod != kBlendDefault))
    return false;
  float t[6];
  vxGetCurrentTransform(mVG, t);
  if (t[1] != 0.f || t[2] != 0.f || !(t[0] > 0.f) || !(t[3] > 0.f))
    return false;
  // Everything in the frame's pixels from here on.
  const float ratio = FrameRatio();
  const float sx = t[0] * ratio, sy = t[3] * ratio, tx = t[4] * ratio, ty = t[5] * ratio;
  ScaledBitmapCache::Placement p;
  p.image = api.GetImage();
  p.originX = tx + sx * originX, p.originY = ty + sy * originY, p.width = sx * w, p.height = sy * h;
  if (OnTheGrid(p.originX) && OnTheGrid(p.originY) && std::fabs(p.width - float(api.GetWidth())) < kOnTheGrid &&
      std::fabs(p.height - float(api.GetHeight())) < kOnTheGrid)
    return false; // already copied texel by texel
  const float left = tx + sx * dest.mLeft, right = tx + sx * dest.mRight;
  const float top = ty + sy * dest.mTop, bottom = ty + sy * dest.mBottom;
  if (!(right > left) || !(bottom > top) || !std::isfinite(right - left) || !std::isfinite(bottom - top) ||
      !std::isfinite(p.originX + p.originY + p.width + p.height))
    return false;
  // The pixels the fill can touch: its anti-aliased edges reach into the pixels beyond the rectangle's own.
  const double x0 = std::floor(left) - 1, y0 = std::floor(top) - 1;
  const double x1 = std::ceil(right) + 1, y1 = std::ceil(bottom) + 1;
  if (x1 - x0 > VX_MAX_IMAGE_SIDE || y1 - y0 > VX_MAX_IMAGE_SIDE || std::fabs(x0) > 1e7 || std::fabs(y0) > 1e7 ||
      (x1 - x0) * (y1 - y0) * 4 > double(ScaledCopyBudget()) / 2)
    return false;
  p.x = int(x0), p.y = int(y0), p.w = int(x1 - x0), p.h = int(y1 - y0);
  ScaledBitmapCache::Copy copy;
  if (!mScaledCopies->Find(p, copy))
    return false;
  if (copy.image <= 0)
    return true; // every pixel clear
  // The copy in the transform's units; outside it (where it was cropped) every pixel is clear.
  const float copyLeft = (float(copy.x) - tx) / sx, copyTop = (float(copy.y) - ty) / sy;
  const float copyW = float(copy.w) / sx, copyH = float(copy.h) / sy;
  const IRECT area = dest.Intersect(IRECT(copyLeft, copyTop, copyLeft + copyW, copyTop + copyH));
  if (area.Empty())
    return true;
  const float alpha = blend ? blend->mWeight : 1.f;
  const VXpaint paint = vxMakeImagePattern(mVG, copyLeft, copyTop, copyW, copyH, 0.f, copy.image, alpha);
  vxBeginPath(mVG);
  vxRectPath(mVG, area.mLeft, area.mTop, area.W(), area.H());
  vxSetFillPaint(mVG, paint);
  vxSetCompositeOperation(mVG, VX_SOURCE_OVER);
  vxFillPath(mVG);
  vxBeginPath(mVG);
  return true;
}

size_t IGraphicsVexel::ScaledCopyBudget() const
{
  const size_t frameBytes = size_t(FrameWidth() * FrameRatio()) * size_t(FrameHeight() * FrameRatio()) * 4;
  return std::max(kMinScaledCopyBytes, kScaledCopyFrames * frameBytes);
}

} // namespace igraphics
} // namespace plug
