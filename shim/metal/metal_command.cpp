// Command buffers, encoders and the queue's worker thread.
#include "metal_command.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <thread>
#include <vector>

#include "rasterizer.h"

struct MTLCommandQueueCore
{
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::shared_ptr<MTLCommandBuffer>> pending; // in enqueue order
  bool stopping = false;
  std::thread worker;

  void Run()
  {
    std::unique_lock<std::mutex> hold(lock);
    for (;;)
    {
      changed.wait(hold, [&] { return stopping || (!pending.empty() && pending.front()->status() >= MTLCommandBufferStatusCommitted); });
      if (pending.empty() || pending.front()->status() < MTLCommandBufferStatusCommitted)
      {
        if (stopping) return;
        continue;
      }
      std::shared_ptr<MTLCommandBuffer> next = pending.front();
      pending.pop_front();
      hold.unlock();
      next->execute();
      next.reset();
      hold.lock();
    }
  }
};

MTLCommandQueue::MTLCommandQueue() : core_(std::make_shared<MTLCommandQueueCore>())
{
  core_->worker = std::thread([core = core_] { core->Run(); });
}

MTLCommandQueue::~MTLCommandQueue()
{
  {
    std::lock_guard<std::mutex> hold(core_->lock);
    // Buffers enqueued but never committed would hold the queue up for ever: they are dropped, with what follows.
    while (!core_->pending.empty() && core_->pending.back()->status() < MTLCommandBufferStatusCommitted)
      core_->pending.pop_back();
    for (auto it = core_->pending.begin(); it != core_->pending.end(); ++it)
      if ((*it)->status() < MTLCommandBufferStatusCommitted)
      {
        core_->pending.erase(it, core_->pending.end());
        break;
      }
    core_->stopping = true;
  }
  core_->changed.notify_all();
  if (core_->worker.get_id() == std::this_thread::get_id())
    core_->worker.detach();
  else
    core_->worker.join();
}

std::shared_ptr<MTLCommandBuffer> MTLCommandQueue::commandBuffer() { return std::make_shared<MTLCommandBuffer>(core_); }

// ---- command buffer ----

std::shared_ptr<MTLRenderCommandEncoder> MTLCommandBuffer::renderCommandEncoderWithDescriptor(
  const MTLRenderPassDescriptor& d)
{
  return std::make_shared<MTLRenderCommandEncoder>(this, d);
}

std::shared_ptr<MTLBlitCommandEncoder> MTLCommandBuffer::blitCommandEncoder()
{
  return std::make_shared<MTLBlitCommandEncoder>(this);
}

void MTLCommandBuffer::presentDrawable(std::shared_ptr<MTLDrawable> drawable)
{
  if (drawable) drawables_.push_back(std::move(drawable));
}

void MTLCommandBuffer::addCompletedHandler(Handler h) { handlers_.push_back(std::move(h)); }

void MTLCommandBuffer::enqueue()
{
  std::shared_ptr<MTLCommandQueueCore> q = queue_.lock();
  if (!q) return;
  {
    std::lock_guard<std::mutex> hold(q->lock);
    if (status() != MTLCommandBufferStatusNotEnqueued) return;
    setStatus(MTLCommandBufferStatusEnqueued);
    q->pending.push_back(shared_from_this());
  }
  q->changed.notify_all();
}

void MTLCommandBuffer::commit()
{
  enqueue();
  std::shared_ptr<MTLCommandQueueCore> q = queue_.lock();
  if (!q) return;
  {
    std::lock_guard<std::mutex> hold(q->lock);
    if (status() == MTLCommandBufferStatusEnqueued) setStatus(MTLCommandBufferStatusCommitted);
  }
  q->changed.notify_all();
}

MTLCommandBufferStatus MTLCommandBuffer::status() const
{
  std::lock_guard<std::mutex> hold(lock_);
  return status_;
}

void MTLCommandBuffer::setStatus(MTLCommandBufferStatus s)
{
  {
    std::lock_guard<std::mutex> hold(lock_);
    status_ = s;
  }
  changed_.notify_all();
}

void MTLCommandBuffer::waitUntilScheduled()
{
  std::unique_lock<std::mutex> hold(lock_);
  if (status_ < MTLCommandBufferStatusCommitted) return; // would never run
  changed_.wait(hold, [&] { return status_ >= MTLCommandBufferStatusScheduled; });
}

void MTLCommandBuffer::waitUntilCompleted()
{
  std::unique_lock<std::mutex> hold(lock_);
  if (status_ < MTLCommandBufferStatusCommitted) return;
  changed_.wait(hold, [&] { return status_ >= MTLCommandBufferStatusCompleted; });
}

void MTLCommandBuffer::execute()
{
  setStatus(MTLCommandBufferStatusScheduled);
  for (auto& step : steps_) step();
  steps_.clear();
  for (auto& d : drawables_) d->present();
  drawables_.clear();
  for (auto& h : handlers_) h(this);
  handlers_.clear();
  setStatus(MTLCommandBufferStatusCompleted);
}

// ---- render encoder ----

MTLRenderCommandEncoder::MTLRenderCommandEncoder(MTLCommandBuffer* owner, const MTLRenderPassDescriptor& pass)
  : owner_(owner), pass_(pass)
{
}

void MTLRenderCommandEncoder::setVertexBuffer(std::shared_ptr<MTLBuffer> b, NSUInteger offset, NSUInteger index)
{
  if (index >= kMTLMaxBufferSlots) return;
  state_.vertexBuffers[index] = std::move(b);
  state_.vertexOffsets[index] = offset;
}

void MTLRenderCommandEncoder::setFragmentBuffer(std::shared_ptr<MTLBuffer> b, NSUInteger offset, NSUInteger index)
{
  if (index != 0) return;
  state_.fragmentBuffer = std::move(b);
  state_.fragmentOffset = offset;
}

void MTLRenderCommandEncoder::setFragmentBufferOffset(NSUInteger offset, NSUInteger index)
{
  if (index == 0) state_.fragmentOffset = offset;
}

void MTLRenderCommandEncoder::setFragmentTexture(std::shared_ptr<MTLTexture> t, NSUInteger index)
{
  if (index == 0) state_.fragmentTexture = std::move(t);
}

void MTLRenderCommandEncoder::setFragmentSamplerState(std::shared_ptr<MTLSamplerState> s, NSUInteger index)
{
  if (index == 0) state_.fragmentSampler = std::move(s);
}

void MTLRenderCommandEncoder::drawPrimitives(MTLPrimitiveType type, NSUInteger vertexStart, NSUInteger vertexCount)
{
  MTLDraw d;
  d.state = state_, d.primitive = type, d.vertexStart = vertexStart, d.count = vertexCount;
  draws_.push_back(std::move(d));
}

void MTLRenderCommandEncoder::drawIndexedPrimitives(MTLPrimitiveType type, NSUInteger indexCount,
                                                    MTLIndexType indexType, std::shared_ptr<MTLBuffer> indexBuffer,
                                                    NSUInteger indexBufferOffset)
{
  if (indexType != MTLIndexTypeUInt32 || !indexBuffer) return;
  MTLDraw d;
  d.state = state_, d.primitive = type, d.count = indexCount;
  d.indexBuffer = std::move(indexBuffer), d.indexOffset = indexBufferOffset;
  draws_.push_back(std::move(d));
}

void MTLRenderCommandEncoder::endEncoding()
{
  if (!owner_) return;
  auto pass = std::make_shared<MTLRenderPassDescriptor>(pass_);
  auto draws = std::make_shared<std::vector<MTLDraw>>(std::move(draws_));
  owner_->addStep([pass, draws] {
    MTLRenderTarget target;
    target.color = pass->colorAttachments[0].texture.get();
    target.stencil = pass->stencilAttachment.texture.get();
    // Every texture the pass touches is locked for the whole pass, in address order: one pass draws A into B
    // and a later one B into A, so any other order could deadlock.
    std::vector<const MTLTexture*> textures{target.color, target.stencil};
    for (const MTLDraw& d : *draws)
      textures.push_back(d.state.fragmentTexture.get());
    textures.erase(std::remove(textures.begin(), textures.end(), nullptr), textures.end());
    std::sort(textures.begin(), textures.end(), std::less<const MTLTexture*>());
    textures.erase(std::unique(textures.begin(), textures.end()), textures.end());
    std::vector<std::unique_lock<std::mutex>> locks;
    locks.reserve(textures.size());
    for (const MTLTexture* t : textures)
      locks.emplace_back(t->lock());
    MTLRasterBeginPass(target, *pass, *draws);
    for (const MTLDraw& d : *draws)
      MTLRasterDraw(target, d);
  });
  owner_ = nullptr;
}

// ---- blit encoder ----

void MTLBlitCommandEncoder::copyFromBuffer(std::shared_ptr<MTLBuffer> src, NSUInteger sourceOffset,
                                           NSUInteger sourceBytesPerRow, NSUInteger, MTLSize size,
                                           std::shared_ptr<MTLTexture> dst, NSUInteger, NSUInteger level,
                                           MTLOrigin origin)
{
  if (!src || !dst) return;
  owner_->addStep([=] {
    MTLRegion r{origin, size};
    NSUInteger need = size.height == 0 ? 0 : (size.height - 1) * sourceBytesPerRow + size.width * dst->bytesPerPixel();
    if (sourceOffset > src->length() || need > src->length() - sourceOffset) return;
    dst->replaceRegion(r, level, (const uint8_t*)src->contents() + sourceOffset, sourceBytesPerRow);
  });
}

void MTLBlitCommandEncoder::generateMipmapsForTexture(std::shared_ptr<MTLTexture> t)
{
  if (!t) return;
  owner_->addStep([t] {
    std::lock_guard<std::mutex> hold(t->lock());
    t->buildMipmaps();
  });
}

void MTLBlitCommandEncoder::synchronizeResource(std::shared_ptr<MTLTexture> t)
{
  owner_->addStep([t] {});
}
