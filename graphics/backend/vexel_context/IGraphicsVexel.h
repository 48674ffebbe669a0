// The graphics context on the Vexel vector renderer running on Metal. Every frame is drawn into a main off-screen
// framebuffer and then copied onto the view's drawable; bitmaps are Vexel images (cached per context, since an
// image belongs to one Vexel context), layers are framebuffers, and text goes through Vexel's font stash with the
// font bytes kept once per process. Still abstract: the platform context supplies the window and its services,
// creates the Metal layer and calls OnViewInitialized and OnViewDestroyed; without a view, drawing does nothing.
// Everything runs on the main thread.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "graphics/backend/vexel_context/ScaledBitmapCache.h"
#include "graphics/paths/IGraphicsPathBase.h"
#include "metal_vexel.h"

namespace plug {
namespace igraphics {

class IGraphicsVexel : public IGraphicsPathBase
{
public:
  /// A Vexel image: decoded from a file or bytes, made from pixels, or the image of a layer's framebuffer.
  class Bitmap : public APIBitmap
  {
  public:
    /// An existing image (shared: never deleted here). The scale is at least 1.
    Bitmap(VXcontext* vg, int image, int scale, bool shared);
    /// A cleared framebuffer of w x h pixels owned by owner; it stays bound.
    Bitmap(IGraphicsVexel* owner, VXcontext* vg, int w, int h, int scale, float drawScale);
    /// An image of w x h RGBA pixels.
    Bitmap(VXcontext* vg, int w, int h, const uint8_t* rgba, int scale, float drawScale);
    ~Bitmap() override;

    int GetImage() const { return mImage; }
    MVXframebuffer* GetFramebuffer() const { return mFramebuffer; }

  private:
    void SetSize(int scale, float drawScale);

    IGraphicsVexel* mGraphicsOwner = nullptr;
    VXcontext* mVG;
    MVXframebuffer* mFramebuffer = nullptr;
    int mImage = 0;
    bool mShared = false;
  };

  static constexpr const char* kDrawingAPIStr = "Vexel | Metal";
  /// Anti-aliasing with three buffer sets in flight.
  static constexpr int kContextFlags = kMvxAntiAlias | kMvxTripleBuffer;

  IGraphicsVexel(IGEditorDelegate& delegate, int w, int h, int fps = 0, float scale = 1.f);
  ~IGraphicsVexel() override;

  // ---- frame and view ----
  void BeginFrame() override;
  void EndFrame() override;
  /// Makes the Vexel context over the view's CAMetalLayer; ready when it could be made.
  void OnViewInitialized(void* layer) override;
  /// Removes the controls and frees the bitmaps, the framebuffers and the Vexel context.
  void OnViewDestroyed() override;
  void DrawResize() override;
  bool IsContextReady() const override { return mContextReady; }
  void SetContextReady(bool ready) override { mContextReady = ready; }

  // ---- drawing ----
  void DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* blend = nullptr) override;
  void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                      float thickness = 1.f, float dashLen = 2.f) override;
  void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr, float thickness = 1.f,
                      float dashLen = 2.f) override;
  void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop = 5.f,
                          float roundness = 0.f, float blur = 10.f, const IBlend* blend = nullptr) override;
  /// The renderer cannot read back a pixel while drawing: always opaque black.
  IColor GetPixelColor(float x, float y) override { return IColor(255, 0, 0, 0); }
  void* GetDrawContext() override { return mVG; }
  const char* GetDrawingAPIStr() override { return kDrawingAPIStr; }

  // ---- paths ----
  void PathClear() override;
  void PathClose() override;
  void PathArc(float cx, float cy, float r, float a1, float a2, bool clockwise = true) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathSetWinding(bool hole) override;
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  void PathStroke(const IPaintPattern& pattern, float thickness, const IStrokeStyle& options = IStrokeStyle(),
                  const IBlend* blend = nullptr) override;
  void PathFill(const IPaintPattern& pattern, const IFillStyle& options = IFillStyle(),
                const IBlend* blend = nullptr) override;

  // ---- bitmaps and layers ----
  /// Images belong to this context: a retained one (such as a rescaled bitmap) joins its own cache, freed with the
  /// view, not the process-wide one.
  void RetainBitmap(const IBitmap& bitmap, const char* cacheName) override;
  void ReleaseBitmap(const IBitmap& bitmap) override;
  bool BitmapExtSupported(const char* ext) override;
  IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false,
                     int targetScale = 0) override;
  IBitmap LoadBitmapFromData(const char* name, const uint8_t* data, int dataSize, int nStates = 1,
                             bool framesAreHorizontal = false, int targetScale = 0) override;
  APIBitmap* LoadAPIBitmap(const char* path, int scale, int location, const char* ext) override;
  APIBitmap* LoadAPIBitmapData(const char* name, const void* data, int dataSize, int scale) override;
  APIBitmap* CreateAPIBitmap(int width, int height, int screenScale, double drawScale,
                             bool cacheable = false) override;
  void ReadLayerPixels(const ILayerPtr& layer, ByteBuffer& data) override;
  void ApplyShadowMask(const ILayerPtr& layer, ByteBuffer& mask, const IShadowStyle& shadow) override;
  void SetLayerPixels(const ILayerPtr& layer, ByteBuffer& data) override;
  void UpdateLayer() override;
  /// Layer pixels are RGBA, top row first.
  int AlphaChannelIndex() const override { return 3; }
  bool LayerPixelsFlipped() const override { return false; }

  // ---- text ----
  bool LoadAPIFont(const char* fontID, const PlatformFontPointer& font) override;
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend = nullptr) override;

  /// The process-wide font bytes, shared by every Vexel context, emptied when the last one goes.
  static StaticStorage<FontData>& FontDataCache();
  /// Bitmaps this context has decoded.
  int NCachedBitmaps() const { return mBitmapCache.Size(); }
  MVXframebuffer* GetMainFramebuffer() const { return mMainFramebuffer; }
  int NPendingFramebuffers() const { return int(mPendingDeletions.size()); }
  /// From now on the first frame at a size (after opening, after each resize), which draws every bitmap at a
  /// scale it was never drawn at, is dropped (FrameWasDropped) while it lacks resampled copies: they are made by
  /// MakeScaledCopies at most `pixels` at a time, and the frame is drawn again once they are whole (a frame
  /// following a dropped one is drawn whatever it lacks). Later frames make the copies they lack at once. Until
  /// this is called, copies are made whole in the frame that first draws them. [main thread]
  void MakeScaledCopiesBetweenFrames(size_t pixels);
  /// Resamples a share of the copies not yet whole; whether there were any. [main thread, not drawing]
  bool MakeScaledCopies() { return mScaledCopies && mScaledCopies->MakePending(); }
  /// Whether the last frame was dropped for want of copies: nothing of it reached the drawable.
  bool FrameWasDropped() const { return mFrameDropped; }

protected:
  void SetClipRegion(const IRECT& r) override;
  void SetPathTransform(const IMatrix& m) override;

  /// A layer's framebuffer goes at once, or at the end of the frame being drawn.
  void ReleaseFramebuffer(MVXframebuffer* fb);
  void DrainPendingDeletions();

private:
  /// The frame's size in window units (points times the draw scale) and its device-pixel ratio.
  float FrameWidth() const;
  float FrameHeight() const;
  float FrameRatio() const { return static_cast<float>(mScreenScale); }
  /// Draws into the main framebuffer again.
  void ResumeMainFrame();
  /// Notes what the frame just drawn changed, as the frame numbered `frame`.
  void RememberDrawnRegions(long frame);
  /// The regions (frame units) that changed after frame `shown` up to the latest; false when not known, and then
  /// everything must be copied.
  bool RegionsDrawnSince(long shown, std::vector<IRECT>& regions) const;
  /// Copies the main framebuffer onto the drawable the renderer draws into next.
  void CopyToDrawable();
  void ApplyBlend(const IBlend* blend);
  /// Draws an image pattern that does not land one texel on each pixel through its resampled copy; false
  /// (drawing nothing) when the copy cannot stand for it: a layer's image, a blend other than source-over, a
  /// rotated or skewed transform, or a copy not yet whole.
  bool DrawScaledCopy(const Bitmap& api, const IRECT& dest, float originX, float originY, float w, float h,
                      const IBlend* blend);
  /// The bytes the copies of bitmaps may take: a few frames' worth.
  size_t ScaledCopyBudget() const;
  /// Sets the paint of a stroke or a fill; false when the pattern has nothing to paint with.
  bool SetPaint(const IPaintPattern& pattern, const IBlend* blend, bool stroke);
  void PrepareTextMeasure(const IText& text, const char* str, IRECT& r, double& x, double& y) const;

  bool mInDraw = false;
  LibMutex mFramebufferMutex;
  std::vector<MVXframebuffer*> mPendingDeletions;
  StaticStorage<APIBitmap> mBitmapCache;
  VXcontext* mVG = nullptr;
  std::unique_ptr<ScaledBitmapCache> mScaledCopies;
  size_t mScaledCopyShare = 0; // 0: copies made whole when first drawn
  bool mFrameDropped = false;
  MVXframebuffer* mMainFramebuffer = nullptr;
  bool mContextReady = false;
  CAMetalLayer* mLayer = nullptr;
  /// Frames copied to the screen so far; what the frames since mFirstKnownFrame changed, newest last (null
  /// entries: unknown). Frames before mFirstKnownFrame were copied from a main framebuffer that is gone.
  long mFrameCount = 0;
  long mFirstKnownFrame = 1;
  std::deque<std::pair<long, std::unique_ptr<std::vector<IRECT>>>> mDrawnHistory;
};

} // namespace igraphics
} // namespace plug
