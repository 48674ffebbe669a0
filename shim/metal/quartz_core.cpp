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
  long content[kCAMetalLayerDrawables] = {0, 0, 0}; // label of what each drawable shows
  int reserved = -1;
  long reservedContent = 0;

  /// Whether a drawable of the current size can be had at all.
  bool CanMakeDrawableLocked() const;
  /// Whether a drawable is free (or reserved) now.
  bool HasFreeSlotLocked() const;
  /// A free (or the reserved) drawable of the current size, made or remade as needed (its label then 0, and
  /// `remade` set); -1 when none.
  int TakeSlotLocked(std::unique_lock<std::mutex>& hold, bool& remade);
};

bool CAMetalLayerCore::CanMakeDrawableLocked() const
{
  return device && size.width >= 1 && size.height >= 1 && size.width <= kMTLMaxTextureSize &&
         size.height <= kMTLMaxTextureSize;
}

bool CAMetalLayerCore::HasFreeSlotLocked() const
{
  if (reserved >= 0) return true;
  for (int i = 0; i < kCAMetalLayerDrawables; ++i)
    if (!handedOut[i] && i != displayed) return true;
  return false;
}

int CAMetalLayerCore::TakeSlotLocked(std::unique_lock<std::mutex>& hold, bool& remade)
{
  remade = false;
  if (!CanMakeDrawableLocked()) return -1;
  auto w = (NSUInteger)size.width, h = (NSUInteger)size.height;
  int slot = reserved;
  auto findFree = [&] {
    for (int i = 0; i < kCAMetalLayerDrawables && slot < 0; ++i)
      if (!handedOut[i] && i != displayed) slot = i;
    return slot >= 0;
  };
  if (slot < 0 && !freed.wait_for(hold, std::chrono::seconds(1), findFree)) return -1;
  std::shared_ptr<MTLTexture>& t = textures[slot];
  if (!t || t->width() != w || t->height() != h)
  {
    MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatBGRA8Unorm, w, h, false);
    d.usage = MTLTextureUsageRenderTarget;
    t = device->newTextureWithDescriptor(d);
    content[slot] = 0;
    remade = true;
    if (!t)
    {
      handedOut[slot] = false;
      reserved = reserved == slot ? -1 : reserved;
      return -1;
    }
  }
  handedOut[slot] = true;
  return slot;
}

CAMetalDrawable::CAMetalDrawable(std::shared_ptr<CAMetalLayerCore> core, int slot, std::shared_ptr<MTLTexture> texture,
                                 long content)
  : core_(std::move(core)), slot_(slot), texture_(std::move(texture)), content_(content)
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
    if (core_->textures[slot_] == texture_) core_->displayed = slot_, core_->content[slot_] = content_;
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
  bool remade = false;
  const int slot = core_->TakeSlotLocked(hold, remade);
  if (slot < 0) return nullptr;
  // What a drawable remade since its reservation will show is not what the reserver prepared for.
  const long content = core_->reserved == slot && !remade ? core_->reservedContent : 0;
  core_->reserved = -1;
  return std::make_shared<CAMetalDrawable>(core_, slot, core_->textures[slot], content);
}

bool CAMetalLayer::nextDrawableWouldWait() const
{
  std::lock_guard<std::mutex> hold(core_->lock);
  return core_->CanMakeDrawableLocked() && !core_->HasFreeSlotLocked();
}

long CAMetalLayer::reserveNextDrawable(long content)
{
  std::unique_lock<std::mutex> hold(core_->lock);
  bool remade = false;
  const int slot = core_->TakeSlotLocked(hold, remade);
  if (slot < 0) return -1;
  core_->reserved = slot;
  core_->reservedContent = content;
  return core_->content[slot];
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
