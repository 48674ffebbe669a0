// Bitmaps drawn at a scale other than their own, kept as images already resampled for the frame's pixels: an
// image pattern that lands with fractional texels per pixel costs a bilinear read of four texels at every pixel of
// every frame, while its resampled copy lands one texel on each pixel and is copied. A copy is made once for each
// placement of a bitmap's texels against the pixel grid and size, and the least recently drawn copies go when the
// copies together outgrow their budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>

struct VXcontext;

namespace plug {
namespace igraphics {

class ScaledBitmapCache
{
public:
  /// Where an image pattern puts its image, in the frame's pixels, and the pixels it is drawn into.
  struct Placement
  {
    int image = 0;
    float originX = 0.f, originY = 0.f, width = 0.f, height = 0.f; // the whole image
    int x = 0, y = 0, w = 0, h = 0;                                  // the pixels wanted
  };

  /// A resampled copy: its image (0 when every pixel of the placement is clear) covering the pixels
  /// (x, y, w, h) of the frame, one texel on each.
  struct Copy
  {
    int image = 0;
    int x = 0, y = 0, w = 0, h = 0;
  };

  explicit ScaledBitmapCache(VXcontext* vg) : mVG(vg) {}
  ~ScaledBitmapCache() { Clear(); }
  ScaledBitmapCache(const ScaledBitmapCache&) = delete;
  ScaledBitmapCache& operator=(const ScaledBitmapCache&) = delete;

  /// The copy for the placement, made now when there is none; false when the image cannot be resampled.
  /// [main thread, drawing]
  bool Find(const Placement& p, Copy& copy);
  /// Deletes every copy. [main thread]
  void Clear();
  /// The most the copies may hold together, in bytes.
  void SetBudget(size_t bytes) { mBudget = bytes; }

private:
  using Key = std::tuple<int, float, float, float, float, int, int>;
  struct Entry
  {
    Copy copy;
    size_t bytes = 0;
    uint64_t lastUse = 0;
  };

  bool Make(const Placement& p, Entry& e);
  void Evict(size_t incoming);

  VXcontext* mVG;
  std::map<Key, Entry> mCopies;
  size_t mBytes = 0;
  size_t mBudget = size_t(64) << 20;
  uint64_t mUses = 0;
};

} // namespace igraphics
} // namespace plug
