// The device of our Metal stand-in: the factory of queues, buffers, textures, samplers, depth-stencil and pipeline
// states, and libraries made from a blob that names C++ shader functions.
#pragma once

#include <memory>

#include "dispatch.h"
#include "metal_command.h"
#include "metal_resources.h"

/// Textures larger than this in either dimension (or empty) cannot be made.
constexpr NSUInteger kMTLMaxTextureSize = 16384;

class MTLDevice
{
public:
  std::shared_ptr<MTLCommandQueue> newCommandQueue();
  std::shared_ptr<MTLBuffer> newBufferWithLength(NSUInteger length, NSUInteger options);
  /// Null for an unknown format or a size of 0 or above kMTLMaxTextureSize.
  std::shared_ptr<MTLTexture> newTextureWithDescriptor(const MTLTextureDescriptor& d);
  std::shared_ptr<MTLSamplerState> newSamplerStateWithDescriptor(const MTLSamplerDescriptor& d);
  std::shared_ptr<MTLDepthStencilState> newDepthStencilStateWithDescriptor(const MTLDepthStencilDescriptor& d);
  /// Null (and an error) without a vertex function or with a colour format this stand-in cannot draw into.
  std::shared_ptr<MTLRenderPipelineState> newRenderPipelineStateWithDescriptor(const MTLRenderPipelineDescriptor& d,
                                                                               NSError** error);
  /// Null (and an error) unless the data is a library blob whose every function is known.
  std::shared_ptr<MTLLibrary> newLibraryWithData(dispatch_data_t data, NSError** error);
};

/// The process's one device; null, as on a machine without a GPU, when DROVIK_METAL=none was set when it was first
/// asked for (no drawing context can then be made). [any thread]
std::shared_ptr<MTLDevice> MTLCreateSystemDefaultDevice();

/// The blob format: "MTLB" and a line break, then one line per function, "vertex NAME\n" or "fragment NAME\n"; names of 1 to 63
/// characters; at most kMTLMaxLibraryFunctions functions.
constexpr int kMTLMaxLibraryFunctions = 16;
constexpr int kMTLMaxFunctionName = 63;
