// Command submission of our Metal stand-in: a queue whose worker thread runs committed command buffers in the
// order they were enqueued (it stands in for the GPU and its completion thread), render and blit encoders.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "metal_resources.h"

class MTLCommandBuffer;
struct MTLCommandQueueCore;

/// Something shown once the command buffer that presents it has completed (a layer's drawable).
class MTLDrawable
{
public:
  virtual ~MTLDrawable() = default;
  virtual void present() = 0; // [command worker or main thread]
};

struct MTLRenderPassColorAttachmentDescriptor
{
  std::shared_ptr<MTLTexture> texture;
  MTLLoadAction loadAction = MTLLoadActionDontCare;
  MTLStoreAction storeAction = MTLStoreActionStore;
  MTLClearColor clearColor{0, 0, 0, 1};
};

struct MTLRenderPassStencilAttachmentDescriptor
{
  std::shared_ptr<MTLTexture> texture;
  MTLLoadAction loadAction = MTLLoadActionDontCare;
  MTLStoreAction storeAction = MTLStoreActionDontCare;
  uint32_t clearStencil = 0;
};

struct MTLRenderPassDescriptor
{
  MTLRenderPassColorAttachmentDescriptor colorAttachments[1];
  MTLRenderPassStencilAttachmentDescriptor stencilAttachment;
};

/// Everything a draw reads, as it stood when the draw was encoded.
struct MTLDrawState
{
  std::shared_ptr<MTLRenderPipelineState> pipeline;
  std::shared_ptr<MTLDepthStencilState> depthStencil;
  MTLCullMode cullMode = MTLCullModeNone;
  MTLWinding winding = MTLWindingClockwise;
  uint32_t stencilReference = 0;
  MTLViewport viewport{0, 0, 0, 0, 0, 1};
  bool scissored = false;
  MTLScissorRect scissor{0, 0, 0, 0};
  std::shared_ptr<MTLBuffer> vertexBuffers[kMTLMaxBufferSlots];
  NSUInteger vertexOffsets[kMTLMaxBufferSlots] = {0, 0};
  std::shared_ptr<MTLBuffer> fragmentBuffer;
  NSUInteger fragmentOffset = 0;
  std::shared_ptr<MTLTexture> fragmentTexture;
  std::shared_ptr<MTLSamplerState> fragmentSampler;
};

struct MTLDraw
{
  MTLDrawState state;
  MTLPrimitiveType primitive = MTLPrimitiveTypeTriangle;
  NSUInteger vertexStart = 0, count = 0;
  std::shared_ptr<MTLBuffer> indexBuffer; // indexed draws only
  NSUInteger indexOffset = 0;
};

/// Records the draws of one render pass; endEncoding hands the pass to its command buffer. [one thread]
class MTLRenderCommandEncoder
{
public:
  MTLRenderCommandEncoder(MTLCommandBuffer* owner, const MTLRenderPassDescriptor& pass);
  void setRenderPipelineState(std::shared_ptr<MTLRenderPipelineState> s) { state_.pipeline = std::move(s); }
  void setDepthStencilState(std::shared_ptr<MTLDepthStencilState> s) { state_.depthStencil = std::move(s); }
  void setCullMode(MTLCullMode m) { state_.cullMode = m; }
  void setFrontFacingWinding(MTLWinding w) { state_.winding = w; }
  void setStencilReferenceValue(uint32_t v) { state_.stencilReference = v; }
  void setViewport(MTLViewport v) { state_.viewport = v; }
  void setScissorRect(MTLScissorRect r) { state_.scissored = true, state_.scissor = r; }
  void setVertexBuffer(std::shared_ptr<MTLBuffer> b, NSUInteger offset, NSUInteger index);
  void setFragmentBuffer(std::shared_ptr<MTLBuffer> b, NSUInteger offset, NSUInteger index);
  void setFragmentBufferOffset(NSUInteger offset, NSUInteger index);
  void setFragmentTexture(std::shared_ptr<MTLTexture> t, NSUInteger index);
  void setFragmentSamplerState(std::shared_ptr<MTLSamplerState> s, NSUInteger index);
  void drawPrimitives(MTLPrimitiveType type, NSUInteger vertexStart, NSUInteger vertexCount);
  void drawIndexedPrimitives(MTLPrimitiveType type, NSUInteger indexCount, MTLIndexType indexType,
                             std::shared_ptr<MTLBuffer> indexBuffer, NSUInteger indexBufferOffset);
  void endEncoding();

private:
  MTLCommandBuffer* owner_;
  MTLRenderPassDescriptor pass_;
  MTLDrawState state_;
  std::vector<MTLDraw> draws_;
};

/// Copies and resource housekeeping; each call is recorded and runs on the worker in order.
class MTLBlitCommandEncoder
{
public:
  explicit MTLBlitCommandEncoder(MTLCommandBuffer* owner) : owner_(owner) {}
  void copyFromBuffer(std::shared_ptr<MTLBuffer> src, NSUInteger sourceOffset, NSUInteger sourceBytesPerRow,
                      NSUInteger sourceBytesPerImage, MTLSize sourceSize, std::shared_ptr<MTLTexture> dst,
                      NSUInteger destinationSlice, NSUInteger destinationLevel, MTLOrigin destinationOrigin);
  /// Builds every level after the first from level 0 (a texture without mipmaps has nothing to build).
  void generateMipmapsForTexture(std::shared_ptr<MTLTexture> t);
  /// Storage is CPU-visible: nothing to synchronise.
  void synchronizeResource(std::shared_ptr<MTLTexture> t);
  void endEncoding() {}

private:
  MTLCommandBuffer* owner_;
};

class MTLCommandBuffer : public std::enable_shared_from_this<MTLCommandBuffer>
{
public:
  typedef std::function<void(MTLCommandBuffer*)> Handler;
  explicit MTLCommandBuffer(std::weak_ptr<MTLCommandQueueCore> queue) : queue_(std::move(queue)) {}

  std::shared_ptr<MTLRenderCommandEncoder> renderCommandEncoderWithDescriptor(const MTLRenderPassDescriptor& d);
  std::shared_ptr<MTLBlitCommandEncoder> blitCommandEncoder();
  /// Shown once this buffer has completed.
  void presentDrawable(std::shared_ptr<MTLDrawable> drawable);
  /// Runs on the worker after the work, before the buffer counts as completed. [before commit]
  void addCompletedHandler(Handler h);
  void enqueue(); // reserves the buffer's place in its queue
  void commit();  // enqueues if needed; the worker may now run it
  void waitUntilScheduled();
  void waitUntilCompleted(); // also waits for the completed handlers
  MTLCommandBufferStatus status() const;

  // For the encoders and the worker.
  void addStep(std::function<void()> step) { steps_.push_back(std::move(step)); }
  void execute();

private:
  void setStatus(MTLCommandBufferStatus s);

  std::weak_ptr<MTLCommandQueueCore> queue_;
  std::vector<std::function<void()>> steps_;
  std::vector<Handler> handlers_;
  std::vector<std::shared_ptr<MTLDrawable>> drawables_;
  mutable std::mutex lock_;
  std::condition_variable changed_;
  MTLCommandBufferStatus status_ = MTLCommandBufferStatusNotEnqueued;
};

class MTLCommandQueue
{
public:
  MTLCommandQueue();
  ~MTLCommandQueue(); // finishes committed buffers, drops enqueued ones never committed
  std::shared_ptr<MTLCommandBuffer> commandBuffer();

private:
  std::shared_ptr<MTLCommandQueueCore> core_;
};
