// The QuartzCore layer our Metal stand-in draws to: a CAMetalLayer with three BGRA8 drawables. A drawable is
// handed out by nextDrawable and becomes the layer's displayed image when presented; the displayed one and any
// handed out are not reused until replaced or dropped.
#pragma once

#include <memory>
#include <mutex>

#include "metal_device.h"

struct CGSize
{
  double width, height;
};

class CAMetalLayer;
struct CAMetalLayerCore;

class CAMetalDrawable : public MTLDrawable
{
public:
  CAMetalDrawable(std::shared_ptr<CAMetalLayerCore> core, int slot, std::shared_ptr<MTLTexture> texture, long content);
  ~CAMetalDrawable() override;
  std::shared_ptr<MTLTexture> texture() const { return texture_; }
  void present() override;

private:
  std::shared_ptr<CAMetalLayerCore> core_;
  int slot_;
  std::shared_ptr<MTLTexture> texture_;
  long content_;
};

constexpr int kCAMetalLayerDrawables = 3;

class CAMetalLayer
{
public:
  CAMetalLayer();
  std::shared_ptr<MTLDevice> device() const;
  void setDevice(std::shared_ptr<MTLDevice> d);
  MTLPixelFormat pixelFormat() const { return MTLPixelFormatBGRA8Unorm; }
  CGSize drawableSize() const;
  void setDrawableSize(CGSize s);
  bool presentsWithTransaction() const;
  void setPresentsWithTransaction(bool v);
  bool isOpaque() const;
  void setOpaque(bool v);
  /// A free drawable of the current size; null with no device, an empty size, or none free within a second.
  /// The one chosen by reserveNextDrawable when there is one.
  std::shared_ptr<CAMetalDrawable> nextDrawable(); // [main thread]
  /// Whether nextDrawable would wait now: a drawable could be made, but every one is handed out or on display
  /// and none is reserved. [any thread]
  bool nextDrawableWouldWait() const;
  /// Chooses the drawable the next nextDrawable hands out and labels what it will show once presented with
  /// `content` (a frame number of the caller's). Returns the label of what it shows now: 0 when that is unknown
  /// (new, resized, never presented), -1 when no drawable can be had. Lets a caller redraw only what changed
  /// since that drawable was last presented. [main thread]
  long reserveNextDrawable(long content);
  /// The texture presented last, or null. [any thread]
  std::shared_ptr<MTLTexture> displayedTexture() const;
  /// Number of drawables presented so far. [any thread]
  long presentedCount() const;

private:
  std::shared_ptr<CAMetalLayerCore> core_;
};
