// Resampled copies of bitmaps, made once per placement on the pixel grid and reused until the budget pushes them out.
#include "graphics/backend/vexel_context/ScaledBitmapCache.h"

#include <algorithm>
#include <vector>

#include "metal_vexel.h"

namespace plug {
namespace igraphics {

namespace {

/// Clear pixels kept around what a copy shows: a fill's anti-aliased edge along the copy's side then only ever
/// falls on clear texels, so cropping the copy never changes a pixel.
constexpr int kClearBorder = 2;

/// The smallest box of pixels holding every pixel with any channel set; false when there is none.
bool VisibleBox(const std::vector<unsigned char>& rgba, int w, int h, int& x0, int& y0, int& x1, int& y1)
{
  x0 = w, y0 = h, x1 = 0, y1 = 0;
  const uint32_t* px = reinterpret_cast<const uint32_t*>(rgba.data());
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
    if (!Make(p, e))
      return false;
    Evict(e.bytes);
    found = mCopies.emplace(key, e).first;
    mBytes += e.bytes;
  }
  found->second.lastUse = ++mUses;
  // The copy stays where it was made against the grid; the same placement elsewhere moves it by whole pixels.
  copy = found->second.copy;
  copy.x += p.x, copy.y += p.y;
  return true;
}

bool ScaledBitmapCache::Make(const Placement& p, Entry& e)
{
  std::vector<unsigned char> rgba(size_t(p.w) * size_t(p.h) * 4);
  if (!mvxResampleImage(mVG, p.image, p.originX, p.originY, p.width, p.height, p.x, p.y, p.w, p.h, rgba.data()))
    return false;
  int x0, y0, x1, y1;
  e.bytes = sizeof(Entry);
  if (!VisibleBox(rgba, p.w, p.h, x0, y0, x1, y1))
    return true; // nothing to draw
  x0 = std::max(0, x0 - kClearBorder), y0 = std::max(0, y0 - kClearBorder);
  x1 = std::min(p.w, x1 + kClearBorder), y1 = std::min(p.h, y1 + kClearBorder);
  const int w = x1 - x0, h = y1 - y0;
  if (w != p.w)
    for (int y = 0; y < h; ++y)
      std::copy_n(&rgba[(size_t(y0 + y) * size_t(p.w) + size_t(x0)) * 4], size_t(w) * 4, &rgba[size_t(y) * size_t(w) * 4]);
  else if (y0 > 0)
    std::copy_n(&rgba[size_t(y0) * size_t(p.w) * 4], size_t(w) * size_t(h) * 4, rgba.begin());
  const int image = vxCreateImageFromPixels(mVG, w, h, VX_IMAGE_PREMULTIPLIED | VX_IMAGE_NEAREST, rgba.data());
  if (image <= 0)
    return false;
  e.copy = Copy{image, x0, y0, w, h};
  e.bytes += size_t(w) * size_t(h) * 4;
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
