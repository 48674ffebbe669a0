// The layer and its drawables.
#include "quartz_core.h"

#include <chrono>
#include <condition_variable>

struct CAMetalLayerCore
{
  mutable std::mutex lock;
  std::condition_variable freed;
  std::shared_ptr<MTLDevice> device;
  CGSize size{0, 0};
  bool presentsWithTransaction = false;
  bool opaque = true;
  std::shared_ptr<MTLTexture> textures[kCAMetalLayerDrawables];
  bool handedOut[kCAMetalLayerDrawables] = {false, false, false};
  int displayed = -1;
  long presented = 0;
};

CAMetalDrawable::CAMetalDrawable(std::shared_ptr<CAMetalLayerCore> core, int slot, std::shared_ptr<MTLTexture> texture)
  : core_(std::move(core)), slot_(slot), texture_(std::move(texture))
{
}

CAMetalDrawable::~CAMetalDrawable()
{
  {
    std::lock_guard<std::mutex> hold(core_->lock);
    core_->handedOut[slot_] = false;
  }
  core_->freed.notify_all();
}

void CAMetalDrawable::present()
{
  {
    std::lock_guard<std::mutex> hold(core_->lock);
    if (core_->textures[slot_] == texture_) core_->displayed = slot_;
    ++core_->presented;
  }
  core_->freed.notify_all();
}

CAMetalLayer::CAMetalLayer() : core_(std::make_shared<CAMetalLayerCore>()) {}

std::shared_ptr<MTLDevice> CAMetalLayer::device() const
{
  std::lock_guard<std::mutex> hold(core_->lock);
  return core_->device;
}

void CAMetalLayer::setDevice(std::shared_ptr<MTLDevice> d)
{
  std::lock_guard<std::mutex> hold(core_->lock);
  core_->device = std::move(d);
}

CGSize CAMetalLayer::drawableSize() const
{
  std::lock_guard<std::mutex> hold(core_->lock);
  return core_->size;
}

void CAMetalLayer::setDrawableSize(CGSize s)
{
  std::lock_guard<std::mutex> hold(core_->lock);
  core_->size = s;
}

bool CAMetalLayer::presentsWithTransaction() const
{
  std::lock_guard<std::mutex> hold(core_->lock);
  return core_->presentsWithTransaction;
}

void CAMetalLayer::setPresentsWithTransaction(bool v)
{
  std::lock_guard<std::mutex> hold(core_->lock);
  core_->presentsWithTransaction = v;
}

bool CAMetalLayer::isOpaque() const
{
  std::lock_guard<std::mutex> hold(core_->lock);
  return core_->opaque;
}

void CAMetalLayer::setOpaque(bool v)
{
  std::lock_guard<std::mutex> hold(core_->lock);
  core_->opaque = v;
}

std::shared_ptr<CAMetalDrawable> CAMetalLayer::nextDrawable()
{
  std::unique_lock<std::mutex> hold(core_->lock);
  if (!core_->device || !(core_->size.width >= 1) || !(core_->size.height >= 1) ||
      core_->size.width > kMTLMaxTextureSize || core_->size.height > kMTLMaxTextureSize)
    return nullptr;
  auto w = (NSUInteger)core_->size.width, h = (NSUInteger)core_->size.height;
  int slot = -1;
  auto findFree = [&] {
    for (int i = 0; i < kCAMetalLayerDrawables && slot < 0; ++i)
      if (!core_->handedOut[i] && i != core_->displayed) slot = i;
    return slot >= 0;
  };
  if (!core_->freed.wait_for(hold, std::chrono::seconds(1), findFree)) return nullptr;
  std::shared_ptr<MTLTexture>& t = core_->textures[slot];
  if (!t || t->width() != w || t->height() != h)
  {
    MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatBGRA8Unorm, w, h, false);
    d.usage = MTLTextureUsageRenderTarget;
    t = core_->device->newTextureWithDescriptor(d);
    if (!t) return nullptr;
  }
  core_->handedOut[slot] = true;
  return std::make_shared<CAMetalDrawable>(core_, slot, t);
}

std::shared_ptr<MTLTexture> CAMetalLayer::displayedTexture() const
{
  std::lock_guard<std::mutex> hold(core_->lock);
  return core_->displayed < 0 ? nullptr : core_->textures[core_->displayed];
}

long CAMetalLayer::presentedCount() const
{
  std::lock_guard<std::mutex> hold(core_->lock);
  return core_->presented;
}
