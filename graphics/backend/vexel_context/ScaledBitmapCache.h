// Bitmaps drawn at a scale other than their own, kept as images already resampled for the frame's pixels: an
// image pattern that lands with fractional texels per pixel costs a bilinear read of four texels at every pixel of
// every frame, while its resampled copy lands one texel on each pixel and is copied. A copy is made once for each
// placement of a bitmap's texels against the pixel grid and size, whole when first drawn or, when its owner asks,
// a share of rows at a time (so a first frame full of large bitmaps never holds the main thread for long), and the
// least recently drawn copies go when the copies together outgrow their budget.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <tuple>

struct VXcontext;
class MTLTexture;

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

  /// The copy for the placement once it is whole. A placement without one has more of its rows resampled, as
  /// many as the frame's share still allows; false until the copy is whole, and always when the image cannot be
  /// resampled: the caller draws the image itself meanwhile. [main thread, drawing]
  bool Find(const Placement& p, Copy& copy);
  /// Gives the frame about to be drawn its share of pixels to resample; outside frames (an image rescaled as it
  /// is loaded) copies are made whole at once. [main thread]
  void StartFrame();
  void EndFrame() { mPixelsLeft = SIZE_MAX; }
  /// Whether the frame drawn since StartFrame stood in for a copy that is not yet whole.
  bool FrameLacksCopies() const { return mLacking; }
  /// Resamples a share of the copies not yet whole; whether there were any. [main thread, not drawing]
  bool MakePending();
  /// Copies are made in shares of at most this many pixels per frame or MakePending call (while any of a share
  /// is left, a copy gets at least a row; a resampled row put into the copy's image counts a quarter of its
  /// pixels); 0, as it starts: every copy is made whole when first found.
  void SetShare(size_t pixels) { mShare = pixels; }
  /// Deletes every copy. [main thread]
  void Clear();
  /// The most the copies may hold together, in bytes.
  void SetBudget(size_t bytes) { mBudget = bytes; }

private:
  using Key = std::tuple<int, float, float, float, float, int, int>;
  /// Pixels [x0, x1) x [y0, y1) of a placement; empty while x0 >= x1.
  struct Box
  {
    int x0 = INT_MAX, y0 = INT_MAX, x1 = 0, y1 = 0;
  };
  struct Entry
  {
    Copy copy;
    size_t bytes = 0;
    uint64_t lastUse = 0;
    Placement placement;                       // where the copy's rows are resampled for
    std::unique_ptr<unsigned char[]> resampled; // the rows so far, until the copy is whole
    int rowsDone = 0;
    Box visible;                         // the pixels of the rows so far with anything in them
    std::shared_ptr<MTLTexture> texture; // the copy's image while its rows are put into it
    int rowsCopied = 0;
    bool failed = false; // the image cannot be resampled
  };

  bool Start(const Placement& p, Entry& e);
  void Continue(Entry& e);
  /// Resamples a share of the rows; once all are, makes the copy's image and copies a share of them into it.
  bool Resample(Entry& e);
  /// The copy's image, as large as the visible rows and a clear border around them.
  bool MakeImage(Entry& e);
  bool CopyRows(Entry& e);
  void Evict(size_t incoming);

  VXcontext* mVG;
  std::map<Key, Entry> mCopies;
  size_t mBytes = 0;
  size_t mBudget = size_t(64) << 20;
  size_t mShare = 0;
  size_t mPixelsLeft = SIZE_MAX;
  bool mLacking = false;
  uint64_t mUses = 0;
};

} // namespace igraphics
} // namespace plug
