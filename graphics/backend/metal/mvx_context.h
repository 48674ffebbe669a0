// The renderer object behind a Metal Vexel context: its buffer sets (one per frame in flight), texture slots,
// pipeline and stencil states, and the methods the render callbacks reach.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "metal/metal.h"
#include "metal_vexel.h"
#include "mvx_shaders.h"

/// mvxCreateContext with a given shader library blob.
VXcontext* mvxCreateContextWithLibrary(CAMetalLayer* layer, int flags, const unsigned char* library,
                                       unsigned int length);

/// Metal blend factors, in order: source RGB, destination RGB, source alpha, destination alpha.
struct MVXblend
{
  MTLBlendFactor sourceRGB, destinationRGB, sourceAlpha, destinationAlpha;
  bool operator==(const MVXblend& o) const
  {
    return sourceRGB == o.sourceRGB && destinationRGB == o.destinationRGB && sourceAlpha == o.sourceAlpha && destinationAlpha == o.destinationAlpha;
  }
};

enum MVXcallType
{
  MVX_NONE = 0,
  MVX_FILL = 1,
  MVX_CONVEX_FILL = 2,
  MVX_STROKE = 3,
  MVX_TRIANGLES = 4,
};

struct MVXcall
{
  int type;
  int image;
  int pathOffset, pathCount;
  int triangleOffset, triangleCount;
  int indexOffset, indexCount;
  int strokeOffset, strokeCount;
  int uniformOffset;
  MVXblend blend;
};

/// One frame's geometry and its command buffer. The completed handler (command worker) and the main thread share
/// isBusy, image and commandBuffer under the lock; the rest belongs to whoever holds the set through the semaphore.
struct MVXbuffers_vDrovik_vst
{
  std::mutex lock;
  std::shared_ptr<MTLCommandBuffer> commandBuffer;
  bool isBusy = false;
  int image = 0;
  std::shared_ptr<MTLBuffer> viewSizeBuffer;
  std::shared_ptr<MTLTexture> stencilTexture;
  std::vector<MVXcall> calls;
  int ccalls = 0, ncalls = 0;
  std::shared_ptr<MTLBuffer> indexBuffer;
  uint32_t* indexes = nullptr;
  int cindexes = 0, nindexes = 0;
  std::shared_ptr<MTLBuffer> vertBuffer;
  VXvertex* verts = nullptr;
  int cverts = 0, nverts = 0;
  std::shared_ptr<MTLBuffer> uniformBuffer;
  unsigned char* uniforms = nullptr;
  int cuniforms = 0, nuniforms = 0;

  /// Marks the set free with nothing queued. [holder of the set, or the completed handler]
  void reset();
};

/// One texture slot: id 0 marks a free slot.
struct MVXtexture_vDrovik_vst
{
  int id = 0;
  int type = 0;
  int flags = 0;
  std::shared_ptr<MTLTexture> tex;
  std::shared_ptr<MTLSamplerState> sampler;
};

class MVXcontext_vDrovik_vst
{
public:
  ~MVXcontext_vDrovik_vst() { renderDelete(); }

  // Render callbacks. [main thread]
  int renderCreate();
  int renderCreateTextureWithType(int type, int width, int height, int imageFlags, const unsigned char* data);
  int renderDeleteTexture(int image);
  int renderUpdateTextureWithImage(int image, int x, int y, int width, int height, const unsigned char* data);
  int renderGetTextureSizeForImage(int image, int* width, int* height);
  void renderViewportWithWidth(float width, float height, float devicePixelRatio);
  void renderCancel();
  void renderFlush();
  void renderFillWithPaint(const VXpaint* paint, VXcompositeOperationState op, const VXscissor* scissor,
                           float fringe, const float* bounds, const VXpath* paths, int npaths);
  void renderStrokeWithPaint(const VXpaint* paint, VXcompositeOperationState op, const VXscissor* scissor,
                             float fringe, float strokeWidth, const VXpath* paths, int npaths);
  void renderTrianglesWithPaint(const VXpaint* paint, VXcompositeOperationState op, const VXscissor* scissor,
                                const VXvertex* verts, int nverts, float fringe);
  /// Waits for the frames in flight, then releases everything; safe to run again or before renderCreate.
  void renderDelete();

  // Texture slots and framebuffer support. [main thread]
  MVXtexture_vDrovik_vst* allocTexture();
  MVXtexture_vDrovik_vst* findTexture(int image);
  std::shared_ptr<MTLSamplerState> samplerForFlags(int imageFlags, bool mipmapped);
  /// Waits for every frame in flight that draws into the image.
  void waitForFramesRenderingInto(int image);
  /// Buffer sets held by a frame being built or in flight.
  int framesInFlight() const;

  bool clearBufferOnFlush = false;
  int fragSize = 256;
  int indexSize = 4;
  int flags = 0;
  int textureId = 0;
  int maxBuffers = 1;
  std::shared_ptr<MTLCommandQueue> commandQueue;
  CAMetalLayer* metalLayer = nullptr;
  std::shared_ptr<MTLRenderCommandEncoder> renderEncoder;
  unsigned int viewPortSize[2] = {0, 0};
  std::vector<std::unique_ptr<MVXtexture_vDrovik_vst>> textures;
  std::shared_ptr<MVXbuffers_vDrovik_vst> buffers;
  std::vector<std::shared_ptr<MVXbuffers_vDrovik_vst>> cbuffers;
  dispatch_semaphore_t semaphore;
  MVXblend blendFunc{};
  std::shared_ptr<MTLDepthStencilState> defaultStencilState, fillShapeStencilState, fillAntiAliasStencilState,
    fillStencilState, strokeShapeStencilState, strokeAntiAliasStencilState, strokeClearStencilState;
  std::shared_ptr<MTLFunction> fragmentFunction, vertexFunction;
  MTLPixelFormat piplelinePixelFormat = MTLPixelFormatInvalid;
  std::shared_ptr<MTLRenderPipelineState> pipelineState, stencilOnlyPipelineState;
  std::shared_ptr<MTLSamplerState> pseudoSampler;
  std::shared_ptr<MTLTexture> pseudoTexture;
  std::shared_ptr<MTLVertexDescriptor> vertexDescriptor;
  MTLClearColor clearColor{0, 0, 0, 0};
  std::shared_ptr<MTLDevice> device; // the layer's device, kept for textures and buffers

  /// The shader library blob renderCreate loads (the embedded one unless a test gives another).
  const unsigned char* libraryData = kMvxShaderLibrary;
  unsigned int libraryLength = kMvxShaderLibraryLength;

private:
  MVXcall* allocCall();
  int allocVerts(int n);
  int allocIndexes(int n);
  int allocFragUniforms(int n);
  MVXfragUniforms* fragUniformAtIndex(int offset);
  /// Makes room for n more items in `buffer` (growing it by half again, at least to `minimum`, keeping what it
  /// holds), points `items` at its contents and moves `count` past the new ones. Returns the first new item, or -1
  /// when the buffer cannot grow.
  template <class Item>
  int appendItems(std::shared_ptr<MTLBuffer>& buffer, Item*& items, int& capacity, int& count, int n, int minimum,
                  int itemSize);
  MVXblend blendCompositeOperation(VXcompositeOperationState op);
  int convertPaintForFrag(MVXfragUniforms* frag, const VXpaint* paint, const VXscissor* scissor, float width,
                          float fringe, float strokeThr);
  void setUniforms(int offset, int image);
  void fill(const MVXcall& call);
  void convexFill(const MVXcall& call);
  void stroke(const MVXcall& call);
  void triangles(const MVXcall& call);
  std::shared_ptr<MTLRenderCommandEncoder> renderCommandEncoderWithColorTexture(std::shared_ptr<MTLTexture> t);
  void updateRenderPipelineStatesForBlend(const MVXblend& blend, MTLPixelFormat format);
  bool updateStencilTextureToSize(unsigned int width, unsigned int height);
  void checkError(const NSError* error, const char* message);
  void drawIndexedFill(const MVXcall& call);
  /// The pixels of a target of `size` that a call can change: its scissor's box, or all of them.
  MTLScissorRect scissorRectForCall(const MVXcall& call, const unsigned int size[2]);
  void withdrawCall();
};
