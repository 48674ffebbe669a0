// Texture slots, the texture callbacks, framebuffers, read-back and the image and texture look-ups.
#include "mvx_context.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

MVXframebuffer* gBoundFramebuffer = nullptr;

MVXcontext_vDrovik_vst* Renderer(VXcontext* ctx) { return static_cast<MVXcontext_vDrovik_vst*>(vxGetUserPtr(ctx)); }

int BytesPerPixel(int type) { return type == VX_TEXTURE_ALPHA ? 1 : 4; }

/// 0..1 to 0..255, rounded as the blender rounds; anything else is clamped.
unsigned char Quantise(float v) { return v > 0.0f ? (v < 1.0f ? (unsigned char)(v * 255.0f + 0.5f) : 255) : 0; }

bool RegionInside(const MTLTexture& t, int x, int y, int w, int h)
{
  return x >= 0 && y >= 0 && w > 0 && h > 0 && (NSUInteger)x + w <= t.width() && (NSUInteger)y + h <= t.height();
}

} // namespace

MVXtexture_vDrovik_vst* MVXcontext_vDrovik_vst::allocTexture()
{
  MVXtexture_vDrovik_vst* slot = nullptr;
  for (auto& t : textures)
    if (t->id == 0)
    {
      slot = t.get();
      break;
    }
  if (!slot)
  {
    textures.push_back(std::make_unique<MVXtexture_vDrovik_vst>());
    slot = textures.back().get();
  }
  slot->id = ++textureId;
  return slot;
}

MVXtexture_vDrovik_vst* MVXcontext_vDrovik_vst::findTexture(int image)
{
  if (image == 0) return nullptr;
  for (auto& t : textures)
    if (t->id == image) return t.get();
  return nullptr;
}

std::shared_ptr<MTLSamplerState> MVXcontext_vDrovik_vst::samplerForFlags(int imageFlags, bool mipmapped)
{
  MTLSamplerDescriptor d;
  bool nearest = imageFlags & VX_IMAGE_NEAREST;
  d.minFilter = d.magFilter = nearest ? MTLSamplerMinMagFilterNearest : MTLSamplerMinMagFilterLinear;
  if (mipmapped) d.mipFilter = nearest ? MTLSamplerMipFilterNearest : MTLSamplerMipFilterLinear;
  d.sAddressMode = imageFlags & VX_IMAGE_REPEAT_X ? MTLSamplerAddressModeRepeat : MTLSamplerAddressModeClampToEdge;
  d.tAddressMode = imageFlags & VX_IMAGE_REPEAT_Y ? MTLSamplerAddressModeRepeat : MTLSamplerAddressModeClampToEdge;
  return device->newSamplerStateWithDescriptor(d);
}

int MVXcontext_vDrovik_vst::renderCreateTextureWithType(int type, int width, int height, int imageFlags,
                                                        const unsigned char* data)
{
  if (!device) return 0;
  MVXtexture_vDrovik_vst* slot = allocTexture();
  slot->type = type;
  slot->flags = imageFlags;
  MTLPixelFormat format = type == VX_TEXTURE_ALPHA ? MTLPixelFormatR8Unorm : MTLPixelFormatRGBA8Unorm;
  bool mipmapped = imageFlags & VX_IMAGE_GENERATE_MIPMAPS;
  MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(
    format, width > 0 ? (NSUInteger)width : 0, height > 0 ? (NSUInteger)height : 0, mipmapped);
  d.usage = MTLTextureUsageShaderRead | MTLTextureUsageShaderWrite | MTLTextureUsageRenderTarget;
  slot->tex = device->newTextureWithDescriptor(d);
  if (!slot->tex)
  {
    // No texture: the slot goes back to the free ones and the caller sees a failure.
    slot->id = 0, slot->flags = 0;
    return 0;
  }
  if (data)
  {
    // Storage is shared (CPU-visible), so the pixels go straight in; no staging buffer and blit are needed.
    NSUInteger bytesPerRow = (NSUInteger)width * BytesPerPixel(type);
    slot->tex->replaceRegion(MTLRegionMake2D(0, 0, width, height), 0, data, bytesPerRow);
    if (mipmapped)
    {
      auto commandBuffer = commandQueue->commandBuffer();
      auto blit = commandBuffer->blitCommandEncoder();
      blit->generateMipmapsForTexture(slot->tex);
      blit->endEncoding();
      commandBuffer->commit();
      commandBuffer->waitUntilCompleted();
    }
  }
  slot->sampler = samplerForFlags(imageFlags, mipmapped);
  return slot->id;
}

int MVXcontext_vDrovik_vst::renderDeleteTexture(int image)
{
  MVXtexture_vDrovik_vst* slot = findTexture(image);
  if (!slot) return 0;
  // Frames in flight hold their own references, so releasing here never pulls a texture from under them.
  slot->tex.reset();
  slot->sampler.reset();
  slot->id = 0;
  slot->flags = 0;
  return 1;
}

int MVXcontext_vDrovik_vst::renderUpdateTextureWithImage(int image, int x, int y, int width, int height,
                                                         const unsigned char* data)
{
  MVXtexture_vDrovik_vst* slot = findTexture(image);
  if (!slot || !slot->tex || !data || !RegionInside(*slot->tex, x, y, width, height)) return 0;
  // The bytes are the whole image: rows are a texture width apart and the region is read from its place.
  NSUInteger bpp = BytesPerPixel(slot->type);
  NSUInteger bytesPerRow = slot->tex->width() * bpp;
  const unsigned char* src = data + (NSUInteger)y * bytesPerRow + (NSUInteger)x * bpp;
  slot->tex->replaceRegion(MTLRegionMake2D(x, y, width, height), 0, src, bytesPerRow);
  return 1;
}

int MVXcontext_vDrovik_vst::renderGetTextureSizeForImage(int image, int* width, int* height)
{
  MVXtexture_vDrovik_vst* slot = findTexture(image);
  if (!slot || !slot->tex) return 0;
  if (width) *width = (int)slot->tex->width();
  if (height) *height = (int)slot->tex->height();
  return 1;
}

void MVXcontext_vDrovik_vst::waitForFramesRenderingInto(int image)
{
  for (auto& set : cbuffers)
  {
    std::shared_ptr<MTLCommandBuffer> inFlight;
    {
      std::lock_guard<std::mutex> hold(set->lock);
      if (set->isBusy && set->image == image) inFlight = set->commandBuffer;
    }
    if (inFlight) inFlight->waitUntilCompleted();
  }
}

int MVXcontext_vDrovik_vst::framesInFlight() const
{
  int busy = 0;
  for (const auto& set : cbuffers)
  {
    std::lock_guard<std::mutex> hold(set->lock);
    busy += set->isBusy ? 1 : 0;
  }
  return busy;
}

// ---- framebuffers and the functions over a context ----

MVXframebuffer* mvxCreateFramebuffer(VXcontext* ctx, int w, int h, int imageFlags)
{
  if (!ctx) return nullptr;
  auto* fb = new (std::nothrow) MVXframebuffer;
  if (!fb) return nullptr;
  fb->ctx = ctx;
  fb->image = Renderer(ctx)->renderCreateTextureWithType(VX_TEXTURE_RGBA, w, h, imageFlags | VX_IMAGE_PREMULTIPLIED,
                                                         nullptr);
  return fb;
}

void mvxBindFramebuffer(MVXframebuffer* fb) { gBoundFramebuffer = fb; }

MVXframebuffer* mvxBoundFramebuffer() { return gBoundFramebuffer; }

void mvxDeleteFramebuffer(MVXframebuffer* fb)
{
  if (!fb) return;
  if (gBoundFramebuffer == fb) gBoundFramebuffer = nullptr;
  if (fb->image > 0) Renderer(fb->ctx)->renderDeleteTexture(fb->image);
  delete fb;
}

void mvxClearWithColor(VXcontext* ctx, VXcolor c)
{
  MVXcontext_vDrovik_vst* r = Renderer(ctx);
  if (!r) return;
  r->clearColor = MTLClearColorMake(c.r * c.a, c.g * c.a, c.b * c.a, c.a);
  r->clearBufferOnFlush = true;
}

int mvxReadPixels(VXcontext* ctx, int image, int x, int y, int w, int h, void* bytes)
{
  MVXcontext_vDrovik_vst* r = Renderer(ctx);
  MVXtexture_vDrovik_vst* slot = r ? r->findTexture(image) : nullptr;
  if (!slot || !slot->tex || !bytes || !RegionInside(*slot->tex, x, y, w, h)) return 0;
  r->waitForFramesRenderingInto(image);
  slot->tex->getBytes(bytes, (NSUInteger)w * BytesPerPixel(slot->type), MTLRegionMake2D(x, y, w, h), 0);
  return 1;
}

std::shared_ptr<MTLCommandQueue> mvxGetCommandQueue(VXcontext* ctx)
{
  return Renderer(ctx) ? Renderer(ctx)->commandQueue : nullptr;
}

std::shared_ptr<MTLDevice> mvxGetDevice(VXcontext* ctx)
{
  MVXcontext_vDrovik_vst* r = Renderer(ctx);
  return r && r->metalLayer ? r->metalLayer->device() : nullptr;
}

int mvxImageFromTexture(VXcontext* ctx, std::shared_ptr<MTLTexture> texture, int imageFlags)
{
  MVXcontext_vDrovik_vst* r = Renderer(ctx);
  if (!r || !texture || !r->device) return 0;
  MVXtexture_vDrovik_vst* slot = r->allocTexture();
  slot->type = VX_TEXTURE_RGBA;
  slot->flags = imageFlags | kMvxImageNoDelete;
  slot->tex = std::move(texture);
  slot->sampler = r->samplerForFlags(imageFlags, false);
  return slot->id;
}

std::shared_ptr<MTLTexture> mvxImageTexture(VXcontext* ctx, int image)
{
  MVXcontext_vDrovik_vst* r = Renderer(ctx);
  MVXtexture_vDrovik_vst* slot = r ? r->findTexture(image) : nullptr;
  if (!slot) return nullptr;
  r->waitForFramesRenderingInto(image);
  return slot->tex;
}

int mvxFramesInFlight(VXcontext* ctx)
{
  MVXcontext_vDrovik_vst* r = Renderer(ctx);
  return r ? r->framesInFlight() : 0;
}

namespace {

/// Regions at least this large are resampled by several threads, rows shared out among them.
constexpr long long kPixelsForThreads = 1 << 16;
constexpr unsigned kResampleThreads = 4;

struct Resampling
{
  const MTLTexture* texture;
  const MTLSamplerState* sampler;
  float originX, originY, width, height, footprint;
  bool straight;
  int x, y, w;
  unsigned char* rgba;

  /// Rows [first, end) of the region, sampled into `row` (w x 4 floats) one at a time. [any thread, texture locked]
  void Rows(int first, int end, float* row) const
  {
    for (int j = first; j < end; ++j)
    {
      const float u = ((float)x + 0.5f - originX) / width, v = ((float)(y + j) + 0.5f - originY) / height;
      sampler->sampleSpan(*texture, u, v, 1.0f / width, 0.0f, w, row, footprint);
      unsigned char* out = rgba + (size_t)j * w * 4;
      for (int i = 0; i < w; ++i)
      {
        const float* p = &row[(size_t)i * 4];
        const float a = p[3], k = straight ? a : 1.0f;
        out[4 * i + 0] = Quantise(p[0] * k), out[4 * i + 1] = Quantise(p[1] * k), out[4 * i + 2] = Quantise(p[2] * k);
        out[4 * i + 3] = Quantise(a);
      }
    }
  }
};

/// Helper threads for the resampling of large regions, started at first need and kept, idle between calls, until
/// the process ends or the module is unloaded (the main loop's thread, which draws, has ended by then). A process
/// forked from ours has none of them: there the calling thread does every row. [any thread]
class ResampleHelpers
{
public:
  static ResampleHelpers& Shared()
  {
    static ResampleHelpers helpers;
    return helpers;
  }

  ~ResampleHelpers()
  {
    {
      std::lock_guard<std::mutex> lock(mLock);
      mQuit = true;
    }
    mWork.notify_all();
    for (std::thread& thread : mThreads)
      if (getpid() == mOwner)
        thread.join();
      else
        thread.detach();
  }

  /// Rows [0, h) of the job in `parts` bands of about equal size, the first on the calling thread, the others on
  /// helpers; a band no helper can take (none can be started, another call has them) is done here as well.
  /// `rows` holds a row buffer (job.w x 4 floats) per part.
  void Run(const Resampling& job, int h, unsigned parts, float* rows)
  {
    std::unique_lock<std::mutex> call(mCallLock, std::try_to_lock);
    const unsigned helpers = call.owns_lock() && getpid() == mOwner ? Start(parts - 1) : 0;
    if (helpers == 0)
    {
      job.Rows(0, h, rows);
      return;
    }
    const unsigned bands = helpers + 1;
    {
      std::lock_guard<std::mutex> lock(mLock);
      ++mCall;
      for (unsigned k = 1; k < bands; ++k)
        mBands[k - 1] = Band{&job, (int)((long long)h * k / bands), (int)((long long)h * (k + 1) / bands),
                             rows + (size_t)k * job.w * 4, mCall};
      mPending = helpers;
    }
    mWork.notify_all();
    job.Rows(0, (int)(h / bands), rows);
    std::unique_lock<std::mutex> lock(mLock);
    mDone.wait(lock, [this] { return mPending == 0; });
  }

private:
  struct Band
  {
    const Resampling* job = nullptr;
    int first = 0, end = 0;
    float* row = nullptr;
    uint64_t call = 0; // the call that gave it; a helper serves each call once
  };

  ResampleHelpers() : mOwner(getpid()) { mThreads.reserve(kResampleThreads - 1); }

  /// Starts helpers until there are `wanted` (as far as threads can be started); returns how many there are.
  unsigned Start(unsigned wanted)
  {
    while (mThreads.size() < wanted)
    {
      try
      {
        mThreads.emplace_back([this, index = mThreads.size()] { Serve(index); });
      }
      catch (const std::system_error&)
      {
        break;
      }
    }
    return (unsigned)std::min<size_t>(wanted, mThreads.size());
  }

  void Serve(size_t index)
  {
    std::unique_lock<std::mutex> lock(mLock);
    uint64_t served = 0;
    for (;;)
    {
      mWork.wait(lock, [&] { return mQuit || mBands[index].call != served; });
      if (mQuit)
        return;
      const Band band = mBands[index];
      served = band.call;
      lock.unlock();
      band.job->Rows(band.first, band.end, band.row);
      lock.lock();
      if (--mPending == 0)
        mDone.notify_all();
    }
  }

  const pid_t mOwner;
  std::mutex mCallLock; // held by the call the helpers work for
  std::mutex mLock;
  std::condition_variable mWork, mDone;
  Band mBands[kResampleThreads - 1];
  uint64_t mCall = 0;
  unsigned mPending = 0;
  bool mQuit = false;
  std::vector<std::thread> mThreads;
};

/// Rows shared out among helper threads and the calling one; the calling thread's share alone for a small region.
void ResampleInParallel(const Resampling& job, int h)
{
  const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
  const unsigned parts = (long long)job.w * h >= kPixelsForThreads
                           ? std::min({kResampleThreads, hardware, (unsigned)h}) : 1u;
  // Every thread's row buffer is allocated here: nothing a helper does can throw.
  std::vector<float> rows((size_t)parts * job.w * 4);
  if (parts == 1)
    job.Rows(0, h, rows.data());
  else
    ResampleHelpers::Shared().Run(job, h, parts, rows.data());
}

} // namespace

int mvxResampleImage(VXcontext* ctx, int image, float originX, float originY, float width, float height, int x,
                     int y, int w, int h, unsigned char* rgba)
{
  MVXcontext_vDrovik_vst* r = Renderer(ctx);
  MVXtexture_vDrovik_vst* slot = r ? r->findTexture(image) : nullptr;
  if (!slot || !slot->tex || !slot->sampler || slot->type != VX_TEXTURE_RGBA ||
      (slot->flags & VX_IMAGE_FLIP_Y) || !rgba || w <= 0 || h <= 0 ||
      !(width > 0.f) || !(height > 0.f) || !std::isfinite(width * height * originX * originY))
    return 0;
  r->waitForFramesRenderingInto(image);
  const MTLTexture& t = *slot->tex;
  // The pixel footprint the fragment stage works out for an unrotated image: texels per pixel along the longer
  // axis.
  const float footprint = std::max((float)t.width() / width, (float)t.height() / height);
  const Resampling job{&t, slot->sampler.get(), originX, originY, width, height, footprint,
                       !(slot->flags & VX_IMAGE_PREMULTIPLIED), x, y, w, rgba};
  std::lock_guard<std::mutex> hold(slot->tex->lock());
  ResampleInParallel(job, h);
  return 1;
}

int mvxImageFlagsForPlatform(int imageFlags) { return imageFlags; }

int mvxRendererAvailable() { return 1; }
