// Bitmaps of the Vexel graphics context: images decoded from files or bytes and kept in this context's cache by
// name and scale, images made from pixels, and the framebuffers of layers.
#include <algorithm>
#include <cctype>
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
  const float alpha = blend ? blend->mWeight : 1.f;
  const VXpaint paint =
    vxMakeImagePattern(mVG, dest.mLeft - float(srcX), dest.mTop - float(srcY), w, h, 0.f, api->GetImage(), alpha);
  vxBeginPath(mVG);
  vxRectPath(mVG, dest.mLeft, dest.mTop, dest.W(), dest.H());
  vxSetFillPaint(mVG, paint);
  ApplyVXBlend(mVG, blend);
  vxFillPath(mVG);
  vxSetCompositeOperation(mVG, VX_SOURCE_OVER);
  vxBeginPath(mVG);
}

} // namespace igraphics
} // namespace plug
