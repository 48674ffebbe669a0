// The resources of our Metal stand-in: buffers and 2-D textures in CPU memory, sampler states, depth-stencil
// states, libraries with their functions, and render pipeline states. Objects are shared by reference count: a
// command buffer keeps what it uses alive until it completes.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "foundation/zeroed_bytes.h"
#include "metal_shader.h"
#include "metal_types.h"

class MTLDevice;

class MTLBuffer
{
public:
  explicit MTLBuffer(NSUInteger length) : bytes_(length) {}
  void* contents() { return bytes_.data(); }
  NSUInteger length() const { return bytes_.size(); }

private:
  std::vector<uint8_t> bytes_;
};

struct MTLTextureDescriptor
{
  MTLPixelFormat pixelFormat = MTLPixelFormatRGBA8Unorm;
  NSUInteger width = 1, height = 1;
  bool mipmapped = false;
  NSUInteger usage = MTLTextureUsageShaderRead;
  MTLStorageMode storageMode = MTLStorageModeShared;

  static MTLTextureDescriptor texture2DDescriptorWithPixelFormat(MTLPixelFormat format, NSUInteger width,
                                                                 NSUInteger height, bool mipmapped);
};

/// A 2-D texture in CPU memory: one level, or with mipmaps every level down to 1 x 1, each half the size of the
/// one before (rounded down, at least 1). Its bytes are guarded by its own lock, which the command worker holds
/// while drawing into or sampling the texture, so CPU copies never tear a draw.
class MTLTexture
{
public:
  explicit MTLTexture(const MTLTextureDescriptor& d);
  MTLPixelFormat pixelFormat() const { return format_; }
  NSUInteger width() const { return width_; }
  NSUInteger height() const { return height_; }
  NSUInteger mipmapLevelCount() const { return levels_.size(); }
  MTLStorageMode storageMode() const { return storage_; }
  /// Copies rows into the region of a level; a region outside it, or a level it lacks, is ignored. [any thread]
  void replaceRegion(MTLRegion region, NSUInteger level, const void* bytes, NSUInteger bytesPerRow);
  /// Copies the region of a level out; a region outside it copies nothing. [any thread]
  void getBytes(void* bytes, NSUInteger bytesPerRow, MTLRegion region, NSUInteger level) const;
  /// Builds every level after the first from the one before, each pixel the mean of the 2 x 2 it covers.
  /// [command worker, under lock()]
  void buildMipmaps();

  // For the rasteriser and shaders (under lock()).
  int bytesPerPixel() const { return bytesPerPixel_; }
  uint8_t* row(int y) { return levels_[0].bytes.data() + (size_t)y * width_ * bytesPerPixel_; }
  const uint8_t* row(int y) const { return levels_[0].bytes.data() + (size_t)y * width_ * bytesPerPixel_; }
  int levelWidth(int level) const { return levels_[level].width; }
  int levelHeight(int level) const { return levels_[level].height; }
  const uint8_t* levelRow(int level, int y) const
  {
    const Level& l = levels_[level];
    return l.bytes.data() + (size_t)y * l.width * bytesPerPixel_;
  }
  std::mutex& lock() const { return lock_; }
  bool regionFits(MTLRegion r) const { return regionFits(r, 0); }
  bool regionFits(MTLRegion r, NSUInteger level) const;

private:
  struct Level
  {
    int width, height;
    foundation::ZeroedBytes bytes;
  };

  MTLPixelFormat format_;
  NSUInteger width_, height_;
  int bytesPerPixel_;
  MTLStorageMode storage_;
  std::vector<Level> levels_;
  mutable std::mutex lock_;
};

struct MTLSamplerDescriptor
{
  MTLSamplerMinMagFilter minFilter = MTLSamplerMinMagFilterNearest;
  MTLSamplerMinMagFilter magFilter = MTLSamplerMinMagFilterNearest;
  MTLSamplerMipFilter mipFilter = MTLSamplerMipFilterNotMipmapped;
  MTLSamplerAddressMode sAddressMode = MTLSamplerAddressModeClampToEdge;
  MTLSamplerAddressMode tAddressMode = MTLSamplerAddressModeClampToEdge;
};

/// Texture sampling with a fixed filter and address modes; coordinates are normalised, texel centres at 0.5.
class MTLSamplerState
{
public:
  explicit MTLSamplerState(const MTLSamplerDescriptor& d) : descriptor(d) {}
  /// RGBA in 0..1 at (u, v); a one-channel texture gives (r, 0, 0, 1). `footprint` is how many level-0 texels
  /// one pixel spans (the screen-space scale): with a mip filter and mipmaps it picks the level (nearest), or
  /// the two levels to blend (linear). [command worker, texture locked]
  void sample(const MTLTexture& t, float u, float v, float rgba[4], float footprint = 1.0f) const;
  /// n samples from (u, v) in steps of (du, dv) into rgba (4 floats each); a run that lands on level-0 texel
  /// centres one texel apart is copied without filtering. [command worker, texture locked]
  void sampleSpan(const MTLTexture& t, float u, float v, float du, float dv, int n, float* rgba,
                  float footprint = 1.0f) const;
  /// When n samples from (u, v) in steps of (du, dv) land on n neighbouring texel centres of one row of an RGBA8
  /// texture, the first of those texels; else null. [command worker, texture locked]
  const uint8_t* texelRun(const MTLTexture& t, float u, float v, float du, float dv, int n) const;
  const MTLSamplerDescriptor descriptor;

private:
  void sampleLevel(const MTLTexture& t, int level, float u, float v, bool linear, float rgba[4]) const;
  /// sampleSpan's filtered case when the span stays on one texel row pair of level 0 of a four-byte texture
  /// with a bilinear filter: what sample() gives at each pixel, in the same arithmetic; false (writing nothing)
  /// for any other case. [command worker, texture locked]
  bool bilinearRow(const MTLTexture& t, float u, float v, float du, float dv, int n, float* rgba,
                   float footprint) const;
};

struct MTLStencilDescriptor
{
  MTLCompareFunction stencilCompareFunction = MTLCompareFunctionAlways;
  MTLStencilOperation stencilFailureOperation = MTLStencilOperationKeep;
  MTLStencilOperation depthFailureOperation = MTLStencilOperationKeep;
  MTLStencilOperation depthStencilPassOperation = MTLStencilOperationKeep;
  uint32_t readMask = 0xff;
  uint32_t writeMask = 0xff;
};

/// Depth is never tested here (there is no depth attachment); a missing back face uses the front face's setting.
struct MTLDepthStencilDescriptor
{
  MTLCompareFunction depthCompareFunction = MTLCompareFunctionAlways;
  bool depthWriteEnabled = false;
  std::shared_ptr<MTLStencilDescriptor> frontFaceStencil;
  std::shared_ptr<MTLStencilDescriptor> backFaceStencil;
};

class MTLDepthStencilState
{
public:
  explicit MTLDepthStencilState(const MTLDepthStencilDescriptor& d);
  bool enabled = false;
  MTLStencilDescriptor front, back;
};

/// A function of a library: the C++ stage it names.
class MTLFunction
{
public:
  std::string name;
  MTLVertexShaderFn vertex = nullptr;
  MTLFragmentShaderFn fragment = nullptr;
  MTLFragmentCopyImpl fragmentCopy = nullptr;
  MTLFragmentSolidImpl fragmentSolid = nullptr;
};

class MTLLibrary
{
public:
  /// The function of that name, or null.
  std::shared_ptr<MTLFunction> newFunctionWithName(const char* name) const;
  std::vector<std::shared_ptr<MTLFunction>> functions;
};

struct MTLVertexAttributeDescriptor
{
  MTLVertexFormat format = MTLVertexFormatFloat2;
  NSUInteger offset = 0;
  NSUInteger bufferIndex = 0;
};

struct MTLVertexBufferLayoutDescriptor
{
  NSUInteger stride = 0;
  MTLVertexStepFunction stepFunction = MTLVertexStepFunctionPerVertex;
};

struct MTLVertexDescriptor
{
  MTLVertexAttributeDescriptor attributes[kMTLMaxVertexAttributes];
  MTLVertexBufferLayoutDescriptor layouts[kMTLMaxBufferSlots];
};

struct MTLRenderPipelineColorAttachmentDescriptor
{
  MTLPixelFormat pixelFormat = MTLPixelFormatInvalid;
  bool blendingEnabled = false;
  MTLBlendFactor sourceRGBBlendFactor = MTLBlendFactorOne;
  MTLBlendFactor destinationRGBBlendFactor = MTLBlendFactorZero;
  MTLBlendFactor sourceAlphaBlendFactor = MTLBlendFactorOne;
  MTLBlendFactor destinationAlphaBlendFactor = MTLBlendFactorZero;
  NSUInteger writeMask = MTLColorWriteMaskAll;
};

struct MTLRenderPipelineDescriptor
{
  MTLRenderPipelineColorAttachmentDescriptor colorAttachments[1];
  MTLPixelFormat stencilAttachmentPixelFormat = MTLPixelFormatInvalid;
  std::shared_ptr<MTLFunction> vertexFunction;
  std::shared_ptr<MTLFunction> fragmentFunction;
  std::shared_ptr<MTLVertexDescriptor> vertexDescriptor;
};

class MTLRenderPipelineState
{
public:
  explicit MTLRenderPipelineState(const MTLRenderPipelineDescriptor& d) : descriptor(d) {}
  const MTLRenderPipelineDescriptor descriptor;
};
