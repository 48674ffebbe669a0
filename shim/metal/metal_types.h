// Value types of our CPU stand-in for Metal: pixel formats, blend factors, stencil compares and operations, sampler
// modes, regions. Numbering follows the system's own where callers pass numbers (pixel formats 10, 70, 80, 253).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

typedef uint64_t NSUInteger;

enum MTLPixelFormat : NSUInteger
{
  MTLPixelFormatInvalid = 0,
  MTLPixelFormatR8Unorm = 10,
  MTLPixelFormatRGBA8Unorm = 70,
  MTLPixelFormatBGRA8Unorm = 80,
  MTLPixelFormatStencil8 = 253,
};

/// Bytes per pixel of a format this stand-in knows; 0 for any other.
inline int MTLPixelFormatBytes(MTLPixelFormat f)
{
  switch (f)
  {
  case MTLPixelFormatR8Unorm:
  case MTLPixelFormatStencil8: return 1;
  case MTLPixelFormatRGBA8Unorm:
  case MTLPixelFormatBGRA8Unorm: return 4;
  default: return 0;
  }
}

enum MTLBlendFactor : NSUInteger
{
  MTLBlendFactorZero = 0,
  MTLBlendFactorOne = 1,
  MTLBlendFactorSourceColor = 2,
  MTLBlendFactorOneMinusSourceColor = 3,
  MTLBlendFactorSourceAlpha = 4,
  MTLBlendFactorOneMinusSourceAlpha = 5,
  MTLBlendFactorDestinationColor = 6,
  MTLBlendFactorOneMinusDestinationColor = 7,
  MTLBlendFactorDestinationAlpha = 8,
  MTLBlendFactorOneMinusDestinationAlpha = 9,
  MTLBlendFactorSourceAlphaSaturated = 10,
};

enum MTLCompareFunction : NSUInteger
{
  MTLCompareFunctionNever = 0,
  MTLCompareFunctionLess = 1,
  MTLCompareFunctionEqual = 2,
  MTLCompareFunctionLessEqual = 3,
  MTLCompareFunctionGreater = 4,
  MTLCompareFunctionNotEqual = 5,
  MTLCompareFunctionGreaterEqual = 6,
  MTLCompareFunctionAlways = 7,
};

enum MTLStencilOperation : NSUInteger
{
  MTLStencilOperationKeep = 0,
  MTLStencilOperationZero = 1,
  MTLStencilOperationReplace = 2,
  MTLStencilOperationIncrementClamp = 3,
  MTLStencilOperationDecrementClamp = 4,
  MTLStencilOperationInvert = 5,
  MTLStencilOperationIncrementWrap = 6,
  MTLStencilOperationDecrementWrap = 7,
};

enum MTLCullMode : NSUInteger
{
  MTLCullModeNone = 0,
  MTLCullModeFront = 1,
  MTLCullModeBack = 2,
};

enum MTLWinding : NSUInteger
{
  MTLWindingClockwise = 0,
  MTLWindingCounterClockwise = 1,
};

enum MTLPrimitiveType : NSUInteger
{
  MTLPrimitiveTypeTriangle = 3,
  MTLPrimitiveTypeTriangleStrip = 4,
};

enum MTLIndexType : NSUInteger
{
  MTLIndexTypeUInt16 = 0,
  MTLIndexTypeUInt32 = 1,
};

enum MTLSamplerMinMagFilter : NSUInteger
{
  MTLSamplerMinMagFilterNearest = 0,
  MTLSamplerMinMagFilterLinear = 1,
};

enum MTLSamplerMipFilter : NSUInteger
{
  MTLSamplerMipFilterNotMipmapped = 0,
  MTLSamplerMipFilterNearest = 1,
  MTLSamplerMipFilterLinear = 2,
};

enum MTLSamplerAddressMode : NSUInteger
{
  MTLSamplerAddressModeClampToEdge = 0,
  MTLSamplerAddressModeRepeat = 2,
};

enum MTLLoadAction : NSUInteger
{
  MTLLoadActionDontCare = 0,
  MTLLoadActionLoad = 1,
  MTLLoadActionClear = 2,
};

enum MTLStoreAction : NSUInteger
{
  MTLStoreActionDontCare = 0,
  MTLStoreActionStore = 1,
};

enum MTLStorageMode : NSUInteger
{
  MTLStorageModeShared = 0,
  MTLStorageModeManaged = 1,
  MTLStorageModePrivate = 2,
};

enum MTLTextureUsage : NSUInteger
{
  MTLTextureUsageShaderRead = 1,
  MTLTextureUsageShaderWrite = 2,
  MTLTextureUsageRenderTarget = 4,
};

enum MTLColorWriteMask : NSUInteger
{
  MTLColorWriteMaskNone = 0,
  MTLColorWriteMaskAll = 15,
};

enum MTLVertexFormat : NSUInteger
{
  MTLVertexFormatFloat2 = 29,
};

enum MTLVertexStepFunction : NSUInteger
{
  MTLVertexStepFunctionPerVertex = 1,
};

/// Buffer options: every buffer of this stand-in lives in CPU memory the worker reads, whatever is asked.
enum MTLResourceOptions : NSUInteger
{
  MTLResourceStorageModeShared = 0,
  MTLResourceCPUCacheModeWriteCombined = 1,
};

enum MTLCommandBufferStatus : NSUInteger
{
  MTLCommandBufferStatusNotEnqueued = 0,
  MTLCommandBufferStatusEnqueued = 1,
  MTLCommandBufferStatusCommitted = 2,
  MTLCommandBufferStatusScheduled = 3,
  MTLCommandBufferStatusCompleted = 4,
};

struct MTLOrigin
{
  NSUInteger x, y, z;
};

struct MTLSize
{
  NSUInteger width, height, depth;
};

struct MTLRegion
{
  MTLOrigin origin;
  MTLSize size;
};

inline MTLRegion MTLRegionMake2D(NSUInteger x, NSUInteger y, NSUInteger w, NSUInteger h)
{
  return MTLRegion{{x, y, 0}, {w, h, 1}};
}

struct MTLViewport
{
  double originX, originY, width, height, znear, zfar;
};

/// The pixels a draw may touch; without one set, the whole target.
struct MTLScissorRect
{
  NSUInteger x, y, width, height;
};

struct MTLClearColor
{
  double red, green, blue, alpha;
};

inline MTLClearColor MTLClearColorMake(double r, double g, double b, double a) { return MTLClearColor{r, g, b, a}; }

/// An error made by a failing creation call; only its description is read.
struct NSError
{
  const char* localizedDescription;
};
