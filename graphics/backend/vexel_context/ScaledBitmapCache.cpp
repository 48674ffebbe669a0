// Resampled copies of bitmaps, made once per placement on the pixel grid and reused until the budget pushes them out.
#include "graphics/backend/vexel_context/ScaledBitmapCache.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "metal/metal.h"
#include "metal_vexel.h"

namespace plug {
namespace igraphics {

namespace {

/// Clear pixels kept around what a copy shows: a fill's anti-aliased edge along the copy's side then only ever
/// falls on clear texels, so cropping the copy never changes a pixel.
constexpr int kClearBorder = 2;

/// Putting a resampled pixel into its copy costs about a quarter of resampling it: a share of pixels to resample
/// stands for four times as many to copy.
constexpr size_t kCopiedPerResampled = 4;

/// The smallest box of pixels holding every pixel with any channel set; false when there is none.
bool VisibleBox(const unsigned char* rgba, int w, int h, int& x0, int& y0, int& x1, int& y1)
{
  x0 = w, y0 = h, x1 = 0, y1 = 0;
  const uint32_t* px = reinterpret_cast<const uint32_t*>(rgba);
  for (int y = 0; y < h; ++y)
  {
    const uint32_t* row = px + size_t(y) * size_t(w);
    int first = 0;
    while (first < w && row[first] == 0)
      ++first;
    if (first == w)
      continue;
    int last = w;
    while (row[last - 1] == 0)
      --last;
    x0 = std::min(x0, first), x1 = std::max(x1, last), y0 = std::min(y0, y), y1 = y + 1;
  }
  return x0 < x1;
}

} // namespace

bool ScaledBitmapCache::Find(const Placement& p, Copy& copy)
{
  if (!mVG || p.image <= 0 || p.w <= 0 || p.h <= 0)
    return false;
  const Key key{p.image, p.width, p.height, p.originX - float(p.x), p.originY - float(p.y), p.w, p.h};
  auto found = mCopies.find(key);
  if (found == mCopies.end())
  {
    Entry e;
    if (!Start(p, e))
      return false;
    const size_t bytes = e.bytes;
    Evict(bytes);
    found = mCopies.emplace(key, std::move(e)).first;
    mBytes += bytes;
  }
  Entry& e = found->second;
  e.lastUse = ++mUses;
  Continue(e);
  mLacking = mLacking || e.resampled;
  if (e.resampled || e.failed)
    return false;
  // The copy stays where it was made against the grid; the same placement elsewhere moves it by whole pixels.
  copy = e.copy;
  copy.x += p.x, copy.y += p.y;
  return true;
}

void ScaledBitmapCache::StartFrame()
{
  mPixelsLeft = mShare > 0 ? mShare : SIZE_MAX;
  mLacking = false;
}

bool ScaledBitmapCache::MakePending()
{
  mPixelsLeft = mShare > 0 ? mShare : SIZE_MAX;
  bool any = false;
  for (auto& [key, e] : mCopies)
    if (e.resampled && !e.failed)
    {
      any = true;
      Continue(e);
    }
  mPixelsLeft = SIZE_MAX;
  return any;
}

void ScaledBitmapCache::Continue(Entry& e)
{
  if (e.resampled && !e.failed && !Resample(e))
  {
    // Kept as a placement that cannot be copied: the image is drawn as it is from now on.
    e.failed = true;
    e.resampled.reset();
    e.texture.reset();
    if (e.copy.image > 0)
      vxDeleteImage(mVG, e.copy.image);
    e.copy = Copy{};
    mBytes -= e.bytes - sizeof(Entry);
    e.bytes = sizeof(Entry);
  }
}

bool ScaledBitmapCache::Start(const Placement& p, Entry& e)
{
  const size_t bytes = size_t(p.w) * size_t(p.h) * 4;
  e.placement = p;
  e.resampled.reset(new (std::nothrow) unsigned char[bytes]);
  if (!e.resampled)
    return false;
  e.bytes = sizeof(Entry) + bytes;
  return true;
}

bool ScaledBitmapCache::Resample(Entry& e)
{
  const Placement& p = e.placement;
  if (mPixelsLeft == 0)
    return true; // the frame's share is spent: on with it in a later frame
  if (e.rowsDone < p.h)
  {
    const int rows = int(std::clamp<size_t>(mPixelsLeft / size_t(p.w), 1, size_t(p.h - e.rowsDone)));
    unsigned char* at = e.resampled.get() + size_t(e.rowsDone) * size_t(p.w) * 4;
    if (!mvxResampleImage(mVG, p.image, p.originX, p.originY, p.width, p.height, p.x, p.y + e.rowsDone, p.w, rows, at))
      return false;
    int x0, y0, x1, y1;
    if (VisibleBox(at, p.w, rows, x0, y0, x1, y1))
    {
      e.visible.x0 = std::min(e.visible.x0, x0), e.visible.x1 = std::max(e.visible.x1, x1);
      e.visible.y0 = std::min(e.visible.y0, e.rowsDone + y0), e.visible.y1 = e.rowsDone + y1;
    }
    mPixelsLeft -= std::min(mPixelsLeft, size_t(rows) * size_t(p.w));
    e.rowsDone += rows;
    if (e.rowsDone < p.h)
      return true;
    if (!MakeImage(e))
      return false;
  }
  return CopyRows(e);
}

bool ScaledBitmapCache::MakeImage(Entry& e)
{
  const Placement& p = e.placement;
  Box& b = e.visible;
  if (b.x0 >= b.x1)
    return true; // nothing to draw: the copy stays without an image
  b.x0 = std::max(0, b.x0 - kClearBorder), b.y0 = std::max(0, b.y0 - kClearBorder);
  b.x1 = std::min(p.w, b.x1 + kClearBorder), b.y1 = std::min(p.h, b.y1 + kClearBorder);
  const int w = b.x1 - b.x0, h = b.y1 - b.y0;
  // Its texels start clear and come from the resampled rows a share at a time.
  const int image = vxCreateImageFromPixels(mVG, w, h, VX_IMAGE_PREMULTIPLIED | VX_IMAGE_NEAREST, nullptr);
  if (image <= 0)
    return false;
  e.copy = Copy{image, b.x0, b.y0, w, h};
  e.texture = mvxImageTexture(mVG, image);
  if (!e.texture)
    return false;
  const size_t bytes = size_t(w) * size_t(h) * 4;
  e.bytes += bytes;
  mBytes += bytes;
  return true;
}

bool ScaledBitmapCache::CopyRows(Entry& e)
{
  const Copy& c = e.copy;
  if (c.image > 0 && e.rowsCopied < c.h)
  {
    if (mPixelsLeft == 0)
      return true;
    const size_t weighed = mPixelsLeft >= SIZE_MAX / kCopiedPerResampled ? SIZE_MAX : mPixelsLeft * kCopiedPerResampled;
    const int rows = int(std::clamp<size_t>(weighed / size_t(c.w), 1, size_t(c.h - e.rowsCopied)));
    const size_t stride = size_t(e.placement.w) * 4;
    const unsigned char* from = e.resampled.get() + size_t(c.y + e.rowsCopied) * stride + size_t(c.x) * 4;
    e.texture->replaceRegion(MTLRegionMake2D(0, e.rowsCopied, c.w, rows), 0, from, stride);
    mPixelsLeft -= std::min(mPixelsLeft, (size_t(rows) * size_t(c.w) + kCopiedPerResampled - 1) / kCopiedPerResampled);
    e.rowsCopied += rows;
    if (e.rowsCopied < c.h)
      return true;
  }
  // Whole: the resampled rows go.
  const size_t rowBytes = size_t(e.placement.w) * size_t(e.placement.h) * 4;
  e.resampled.reset();
  e.texture.reset();
  e.bytes -= rowBytes;
  mBytes -= rowBytes;
  return true;
}

void ScaledBitmapCache::Evict(size_t incoming)
{
  while (!mCopies.empty() && mBytes + incoming > mBudget)
  {
    auto oldest = std::min_element(mCopies.begin(), mCopies.end(),
                                   [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
    if (oldest->second.copy.image > 0)
      vxDeleteImage(mVG, oldest->second.copy.image);
    mBytes -= oldest->second.bytes;
    mCopies.erase(oldest);
  }
}

void ScaledBitmapCache::Clear()
{
  for (auto& [key, e] : mCopies)
    if (e.copy.image > 0 && mVG)
      vxDeleteImage(mVG, e.copy.image);
  mCopies.clear();
  mBytes = 0;
}

} // namespace igraphics
} // namespace plug
