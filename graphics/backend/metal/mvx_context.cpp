// The Metal renderer of Vexel: creation, frames and buffer sets, the queued calls and their encoding.
#include "mvx_context.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "vexel_context.h"

namespace {

constexpr int kMinVerts = 4096;
constexpr int kMinIndexes = 4096;
constexpr int kMinUniforms = 128;
constexpr int kMinCalls = 128;
constexpr float kStencilStrokeThreshold = 1.0f - 0.5f / 255.0f;
constexpr MVXblend kDefaultBlend{MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha, MTLBlendFactorOne,
                                 MTLBlendFactorOneMinusSourceAlpha};

MVXcontext_vDrovik_vst* RendererOf(void* u) { return static_cast<MVXcontext_vDrovik_vst*>(u); }

std::shared_ptr<MTLStencilDescriptor> Stencil(MTLCompareFunction compare, MTLStencilOperation fail,
                                              MTLStencilOperation depthFail, MTLStencilOperation pass)
{
  auto s = std::make_shared<MTLStencilDescriptor>();
  s->stencilCompareFunction = compare;
  s->stencilFailureOperation = fail;
  s->depthFailureOperation = depthFail;
  s->depthStencilPassOperation = pass;
  return s;
}

void MatrixColumns(float* m3x4, const float* t)
{
  const float cols[12] = {t[0], t[1], 0, 0, t[2], t[3], 0, 0, t[4], t[5], 1, 0};
  memcpy(m3x4, cols, sizeof(cols));
}

void Premultiplied(float* out, const VXcolor& c)
{
  out[0] = c.r * c.a, out[1] = c.g * c.a, out[2] = c.b * c.a, out[3] = c.a;
}

MTLBlendFactor BlendFactor(int factor, bool& ok)
{
  switch (factor)
  {
  case VX_ZERO: return MTLBlendFactorZero;
  case VX_ONE: return MTLBlendFactorOne;
  case VX_SOURCE_COLOR: return MTLBlendFactorSourceColor;
  case VX_ONE_MINUS_SOURCE_COLOR: return MTLBlendFactorOneMinusSourceColor;
  case VX_DESTINATION_COLOR: return MTLBlendFactorDestinationColor;
  case VX_ONE_MINUS_DESTINATION_COLOR: return MTLBlendFactorOneMinusDestinationColor;
  case VX_SOURCE_ALPHA: return MTLBlendFactorSourceAlpha;
  case VX_ONE_MINUS_SOURCE_ALPHA: return MTLBlendFactorOneMinusSourceAlpha;
  case VX_DESTINATION_ALPHA: return MTLBlendFactorDestinationAlpha;
  case VX_ONE_MINUS_DESTINATION_ALPHA: return MTLBlendFactorOneMinusDestinationAlpha;
  case VX_SOURCE_ALPHA_SATURATED: return MTLBlendFactorSourceAlphaSaturated;
  default: ok = false; return MTLBlendFactorZero;
  }
}

VXrenderParams Params(MVXcontext_vDrovik_vst* mvx, int flags)
{
  VXrenderParams p;
  memset(&p, 0, sizeof(p));
  p.userPtr = mvx;
  p.edgeAntiAlias = flags & kMvxAntiAlias ? 1 : 0;
  p.renderCreate = [](void* u) { return RendererOf(u)->renderCreate(); };
  p.renderCreateTexture = [](void* u, int type, int w, int h, int f, const unsigned char* d) {
    return RendererOf(u)->renderCreateTextureWithType(type, w, h, f, d);
  };
  p.renderDeleteTexture = [](void* u, int image) { return RendererOf(u)->renderDeleteTexture(image); };
  p.renderUpdateTexture = [](void* u, int image, int x, int y, int w, int h, const unsigned char* d) {
    return RendererOf(u)->renderUpdateTextureWithImage(image, x, y, w, h, d);
  };
  p.renderGetTextureSize = [](void* u, int image, int* w, int* h) {
    return RendererOf(u)->renderGetTextureSizeForImage(image, w, h);
  };
  p.renderViewport = [](void* u, float w, float h, float r) { RendererOf(u)->renderViewportWithWidth(w, h, r); };
  p.renderCancel = [](void* u) { RendererOf(u)->renderCancel(); };
  p.renderFlush = [](void* u) { RendererOf(u)->renderFlush(); };
  p.renderFill = [](void* u, const VXpaint* paint, VXcompositeOperationState op, const VXscissor* s, float fringe,
                    const float* bounds, const VXpath* paths, int n) {
    RendererOf(u)->renderFillWithPaint(paint, op, s, fringe, bounds, paths, n);
  };
  p.renderStroke = [](void* u, const VXpaint* paint, VXcompositeOperationState op, const VXscissor* s, float fringe,
                      float width, const VXpath* paths, int n) {
    RendererOf(u)->renderStrokeWithPaint(paint, op, s, fringe, width, paths, n);
  };
  p.renderTriangles = [](void* u, const VXpaint* paint, VXcompositeOperationState op, const VXscissor* s,
                         const VXvertex* v, int n, float fringe) {
    RendererOf(u)->renderTrianglesWithPaint(paint, op, s, v, n, fringe);
  };
  // Tears the renderer down; the object itself stays with whoever made it (mvxCreateContext or mvxDeleteContext
  // frees it), so a context whose creation fails never frees it twice.
  p.renderDelete = [](void* u) { RendererOf(u)->renderDelete(); };
  return p;
}

} // namespace

// ---- creation and deletion ----

VXcontext* mvxCreateContext(CAMetalLayer* layer, int flags)
{
  return mvxCreateContextWithLibrary(layer, flags, kMvxShaderLibrary, kMvxShaderLibraryLength);
}

VXcontext* mvxCreateContextWithLibrary(CAMetalLayer* layer, int flags, const unsigned char* library,
                                       unsigned int length)
{
  auto* mvx = new MVXcontext_vDrovik_vst;
  mvx->libraryData = library;
  mvx->libraryLength = length;
  mvx->flags = flags;
  mvx->fragSize = 256;
  mvx->indexSize = 4;
  mvx->metalLayer = layer;
  VXrenderParams params = Params(mvx, flags);
  VXcontext* ctx = layer ? vxCreateContext(&params) : nullptr;
  if (!ctx) delete mvx;
  return ctx;
}

void mvxDeleteContext(VXcontext* ctx)
{
  if (!ctx) return;
  auto* mvx = RendererOf(vxGetUserPtr(ctx));
  vxDeleteContext(ctx);
  delete mvx;
}

int MVXcontext_vDrovik_vst::renderCreate()
{
  if (!metalLayer) return 0;
  if (!metalLayer->device()) metalLayer->setDevice(MTLCreateSystemDefaultDevice());
  metalLayer->setOpaque(false);
  device = metalLayer->device();
  if (!device) return 0;
  mvxRegisterShaders();
  NSError* error = nullptr;
  std::shared_ptr<MTLLibrary> library = device->newLibraryWithData(dispatch_data_create(libraryData, libraryLength), &error);
  checkError(error, "init library");
  if (!library) return 0;
  vertexFunction = library->newFunctionWithName("vertexShader");
  fragmentFunction = library->newFunctionWithName(flags & kMvxAntiAlias ? "fragmentShaderAA" : "fragmentShader");
  if (!vertexFunction || !fragmentFunction) return 0;
  commandQueue = device->newCommandQueue();

  maxBuffers = flags & kMvxTripleBuffer ? 3 : (flags & kMvxDoubleBuffer ? 2 : 1);
  cbuffers.clear();
  for (int i = 0; i < maxBuffers; ++i) cbuffers.push_back(std::make_shared<MVXbuffers_vDrovik_vst>());
  clearBufferOnFlush = false;
  semaphore = dispatch_semaphore_create(maxBuffers);

  vertexDescriptor = std::make_shared<MTLVertexDescriptor>();
  vertexDescriptor->attributes[0] = {MTLVertexFormatFloat2, 0, 0};
  vertexDescriptor->attributes[1] = {MTLVertexFormatFloat2, 2 * sizeof(float), 0};
  vertexDescriptor->layouts[0] = {sizeof(VXvertex), MTLVertexStepFunctionPerVertex};
  textureId = 0;
  textures.clear();
  pseudoSampler = device->newSamplerStateWithDescriptor(MTLSamplerDescriptor());
  blendFunc = kDefaultBlend;

  MTLDepthStencilDescriptor d;
  d.depthCompareFunction = MTLCompareFunctionAlways;
  defaultStencilState = device->newDepthStencilStateWithDescriptor(d);
  d.frontFaceStencil = Stencil(MTLCompareFunctionAlways, MTLStencilOperationKeep, MTLStencilOperationKeep,
                               MTLStencilOperationIncrementWrap);
  d.backFaceStencil = Stencil(MTLCompareFunctionAlways, MTLStencilOperationKeep, MTLStencilOperationKeep,
                              MTLStencilOperationDecrementWrap);
  fillShapeStencilState = device->newDepthStencilStateWithDescriptor(d);
  d.backFaceStencil = nullptr;
  d.frontFaceStencil = Stencil(MTLCompareFunctionEqual, MTLStencilOperationKeep, MTLStencilOperationKeep,
                               MTLStencilOperationZero);
  fillAntiAliasStencilState = device->newDepthStencilStateWithDescriptor(d);
  d.frontFaceStencil = Stencil(MTLCompareFunctionNotEqual, MTLStencilOperationZero, MTLStencilOperationZero,
                               MTLStencilOperationZero);
  fillStencilState = device->newDepthStencilStateWithDescriptor(d);
  d.frontFaceStencil = Stencil(MTLCompareFunctionEqual, MTLStencilOperationKeep, MTLStencilOperationKeep,
                               MTLStencilOperationIncrementClamp);
  strokeShapeStencilState = device->newDepthStencilStateWithDescriptor(d);
  d.frontFaceStencil = Stencil(MTLCompareFunctionEqual, MTLStencilOperationKeep, MTLStencilOperationKeep,
                               MTLStencilOperationKeep);
  strokeAntiAliasStencilState = device->newDepthStencilStateWithDescriptor(d);
  d.frontFaceStencil = Stencil(MTLCompareFunctionAlways, MTLStencilOperationZero, MTLStencilOperationZero,
                               MTLStencilOperationZero);
  strokeClearStencilState = device->newDepthStencilStateWithDescriptor(d);
  return 1;
}

void MVXcontext_vDrovik_vst::renderDelete()
{
  // Frames in flight still read the buffer sets: wait for them (and their completed handlers) first.
  for (auto& set : cbuffers)
  {
    std::shared_ptr<MTLCommandBuffer> inFlight;
    {
      std::lock_guard<std::mutex> hold(set->lock);
      inFlight = set->commandBuffer;
    }
    if (inFlight) inFlight->waitUntilCompleted();
  }
  cbuffers.clear();
  buffers.reset();
  textures.clear();
  commandQueue.reset();
  renderEncoder.reset();
  defaultStencilState = fillShapeStencilState = fillAntiAliasStencilState = fillStencilState = nullptr;
  strokeShapeStencilState = strokeAntiAliasStencilState = strokeClearStencilState = nullptr;
  fragmentFunction = vertexFunction = nullptr;
  pipelineState = stencilOnlyPipelineState = nullptr;
  pseudoSampler = nullptr;
  vertexDescriptor = nullptr;
  semaphore = nullptr;
  if (metalLayer) metalLayer->setDevice(nullptr);
  metalLayer = nullptr;
  device = nullptr;
}

void MVXcontext_vDrovik_vst::checkError(const NSError* error, const char* message)
{
  if (error && (flags & kMvxDebug)) printf("Error occurs after %s: %s\n", message, error->localizedDescription);
}

// ---- frames ----

void MVXbuffers_vDrovik_vst::reset()
{
  std::lock_guard<std::mutex> hold(lock);
  isBusy = false;
  commandBuffer.reset();
  image = 0;
  nverts = nindexes = ncalls = nuniforms = 0;
}

void MVXcontext_vDrovik_vst::renderViewportWithWidth(float width, float height, float devicePixelRatio)
{
  if (!semaphore) return;
  if (buffers) renderCancel(); // a frame begun again drops the one being built rather than wait for its own set
  viewPortSize[0] = (unsigned int)std::max(0.0f, std::min(width * devicePixelRatio, 1e9f));
  viewPortSize[1] = (unsigned int)std::max(0.0f, std::min(height * devicePixelRatio, 1e9f));
  dispatch_semaphore_wait(semaphore, DISPATCH_TIME_FOREVER);
  buffers.reset();
  for (auto& set : cbuffers)
  {
    std::lock_guard<std::mutex> hold(set->lock);
    if (set->isBusy) continue;
    set->isBusy = true;
    buffers = set;
    break;
  }
  if (!buffers) return; // cannot happen while the semaphore counts free sets
  if (!buffers->viewSizeBuffer)
    buffers->viewSizeBuffer = device->newBufferWithLength(2 * sizeof(float), MTLResourceCPUCacheModeWriteCombined);
  float size[2] = {width, height};
  if (buffers->viewSizeBuffer) memcpy(buffers->viewSizeBuffer->contents(), size, sizeof(size));
}

void MVXcontext_vDrovik_vst::renderCancel()
{
  if (!buffers) return;
  buffers->reset();
  buffers.reset();
  dispatch_semaphore_signal(semaphore);
}

void MVXcontext_vDrovik_vst::renderFlush()
{
  if (!buffers) return;
  if (viewPortSize[0] == 0 || viewPortSize[1] == 0) return renderCancel();
  // The target: the bound framebuffer when it belongs to this renderer's context, else the layer's next drawable.
  // A target that cannot be had cancels the frame before anything is enqueued, so the set is free again.
  std::shared_ptr<MTLTexture> target;
  std::shared_ptr<CAMetalDrawable> drawable;
  MVXframebuffer* fb = mvxBoundFramebuffer();
  bool toFramebuffer = fb && vxGetUserPtr(fb->ctx) == this;
  unsigned int size[2] = {viewPortSize[0], viewPortSize[1]};
  if (toFramebuffer)
  {
    MVXtexture_vDrovik_vst* slot = findTexture(fb->image);
    if (!slot || !slot->tex) return renderCancel();
    target = slot->tex;
    size[0] = (unsigned int)target->width(), size[1] = (unsigned int)target->height();
  }
  if (size[0] == 0 || size[1] == 0 || !updateStencilTextureToSize(size[0], size[1])) return renderCancel();
  if (!toFramebuffer)
  {
    drawable = metalLayer ? metalLayer->nextDrawable() : nullptr;
    if (!drawable) return renderCancel();
    target = drawable->texture();
  }

  std::shared_ptr<MTLCommandBuffer> commandBuffer = commandQueue->commandBuffer();
  {
    std::lock_guard<std::mutex> hold(buffers->lock);
    buffers->commandBuffer = commandBuffer;
    buffers->image = toFramebuffer ? fb->image : 0;
  }
  commandBuffer->enqueue();
  std::shared_ptr<MVXbuffers_vDrovik_vst> set = buffers;
  dispatch_semaphore_t sem = semaphore;
  commandBuffer->addCompletedHandler([set, sem](MTLCommandBuffer*) {
    set->reset();
    dispatch_semaphore_signal(sem);
  });

  renderEncoder = renderCommandEncoderWithColorTexture(target);
  for (int i = 0; i < buffers->ncalls; ++i)
  {
    const MVXcall& call = buffers->calls[i];
    updateRenderPipelineStatesForBlend(call.blend, target->pixelFormat());
    if (!pipelineState || !stencilOnlyPipelineState) continue;
    renderEncoder->setScissorRect(scissorRectForCall(call, size));
    switch (call.type)
    {
    case MVX_FILL: fill(call); break;
    case MVX_CONVEX_FILL: convexFill(call); break;
    case MVX_STROKE: stroke(call); break;
    case MVX_TRIANGLES: triangles(call); break;
    default: break;
    }
  }
  renderEncoder->endEncoding();
  renderEncoder.reset();
  bool withTransaction = drawable && metalLayer->presentsWithTransaction();
  if (drawable && !withTransaction) commandBuffer->presentDrawable(drawable);
  if (mvxBoundFramebuffer())
  {
    auto blit = commandBuffer->blitCommandEncoder();
    blit->synchronizeResource(target);
    blit->endEncoding();
  }
  buffers.reset(); // the set now belongs to the frame in flight until its completed handler frees it
  commandBuffer->commit();
  if (withTransaction)
  {
    commandBuffer->waitUntilScheduled();
    commandBuffer->waitUntilCompleted(); // the layer shows finished pixels only
    drawable->present();
  }
}

std::shared_ptr<MTLRenderCommandEncoder>
MVXcontext_vDrovik_vst::renderCommandEncoderWithColorTexture(std::shared_ptr<MTLTexture> texture)
{
  MTLRenderPassDescriptor pass;
  pass.colorAttachments[0].clearColor = clearColor;
  pass.colorAttachments[0].loadAction = clearBufferOnFlush ? MTLLoadActionClear : MTLLoadActionLoad;
  pass.colorAttachments[0].storeAction = MTLStoreActionStore;
  pass.colorAttachments[0].texture = texture;
  clearBufferOnFlush = false;
  pass.stencilAttachment.clearStencil = 0;
  pass.stencilAttachment.loadAction = MTLLoadActionClear;
  pass.stencilAttachment.storeAction = MTLStoreActionDontCare;
  pass.stencilAttachment.texture = buffers->stencilTexture;
  auto encoder = buffers->commandBuffer->renderCommandEncoderWithDescriptor(pass);
  encoder->setCullMode(MTLCullModeBack);
  encoder->setFrontFacingWinding(MTLWindingCounterClockwise);
  encoder->setStencilReferenceValue(0);
  encoder->setViewport({0.0, 0.0, (double)viewPortSize[0], (double)viewPortSize[1], 0.0, 1.0});
  encoder->setVertexBuffer(buffers->vertBuffer, 0, 0);
  encoder->setVertexBuffer(buffers->viewSizeBuffer, 0, 1);
  encoder->setFragmentBuffer(buffers->uniformBuffer, 0, 0);
  return encoder;
}

void MVXcontext_vDrovik_vst::updateRenderPipelineStatesForBlend(const MVXblend& blend, MTLPixelFormat format)
{
  if (pipelineState && stencilOnlyPipelineState && format == piplelinePixelFormat && blend == blendFunc) return;
  MTLRenderPipelineDescriptor d;
  MTLRenderPipelineColorAttachmentDescriptor& c = d.colorAttachments[0];
  c.pixelFormat = format;
  c.blendingEnabled = true;
  c.sourceRGBBlendFactor = blend.sourceRGB;
  c.sourceAlphaBlendFactor = blend.sourceAlpha;
  c.destinationRGBBlendFactor = blend.destinationRGB;
  c.destinationAlphaBlendFactor = blend.destinationAlpha;
  d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
  d.vertexFunction = vertexFunction;
  d.fragmentFunction = fragmentFunction;
  d.vertexDescriptor = vertexDescriptor;
  blendFunc = blend;
  NSError* error = nullptr;
  pipelineState = device->newRenderPipelineStateWithDescriptor(d, &error);
  checkError(error, "init pipeline state");
  d.fragmentFunction = nullptr;
  c.writeMask = MTLColorWriteMaskNone;
  stencilOnlyPipelineState = device->newRenderPipelineStateWithDescriptor(d, &error);
  checkError(error, "init pipeline stencil only state");
  piplelinePixelFormat = format;
}

bool MVXcontext_vDrovik_vst::updateStencilTextureToSize(unsigned int width, unsigned int height)
{
  std::shared_ptr<MTLTexture>& st = buffers->stencilTexture;
  if (st && (st->width() < width || st->height() < height)) st.reset();
  if (!st)
  {
    MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatStencil8, width,
                                                                                      height, false);
    d.usage = MTLTextureUsageRenderTarget;
    d.storageMode = MTLStorageModePrivate;
    st = device->newTextureWithDescriptor(d);
  }
  return st != nullptr;
}

// ---- storage ----

MVXcall* MVXcontext_vDrovik_vst::allocCall()
{
  MVXbuffers_vDrovik_vst& b = *buffers;
  if (b.ncalls + 1 > b.ccalls)
  {
    int ccalls = b.ccalls / 2 + std::max(b.ncalls + 1, kMinCalls);
    b.calls.resize(ccalls);
    b.ccalls = ccalls;
  }
  MVXcall* call = &b.calls[b.ncalls++];
  memset(call, 0, sizeof(*call));
  return call;
}

template <class Item>
int MVXcontext_vDrovik_vst::appendItems(std::shared_ptr<MTLBuffer>& buffer, Item*& items, int& capacity, int& count,
                                        int n, int minimum, int itemSize)
{
  if (n < 0 || count > (1 << 28) - n) return -1;
  if (!buffer || count + n > capacity)
  {
    long long cap = capacity / 2 + std::max(count + n, minimum);
    if (cap > (1 << 28)) return -1;
    std::shared_ptr<MTLBuffer> grown =
      device->newBufferWithLength((NSUInteger)cap * itemSize, MTLResourceCPUCacheModeWriteCombined);
    if (!grown) return -1;
    if (buffer && count > 0) memcpy(grown->contents(), buffer->contents(), (size_t)count * itemSize);
    buffer = grown;
    capacity = (int)cap;
  }
  items = static_cast<Item*>(buffer->contents());
  int first = count;
  count += n;
  return first;
}

int MVXcontext_vDrovik_vst::allocVerts(int n)
{
  MVXbuffers_vDrovik_vst& b = *buffers;
  return appendItems(b.vertBuffer, b.verts, b.cverts, b.nverts, n, kMinVerts, (int)sizeof(VXvertex));
}

int MVXcontext_vDrovik_vst::allocIndexes(int n)
{
  MVXbuffers_vDrovik_vst& b = *buffers;
  return appendItems(b.indexBuffer, b.indexes, b.cindexes, b.nindexes, n, kMinIndexes, indexSize);
}

int MVXcontext_vDrovik_vst::allocFragUniforms(int n)
{
  MVXbuffers_vDrovik_vst& b = *buffers;
  const int first = appendItems(b.uniformBuffer, b.uniforms, b.cuniforms, b.nuniforms, n, kMinUniforms, fragSize);
  return first < 0 ? -1 : first * fragSize;
}

MVXfragUniforms* MVXcontext_vDrovik_vst::fragUniformAtIndex(int offset)
{
  return reinterpret_cast<MVXfragUniforms*>(buffers->uniforms + offset);
}

void MVXcontext_vDrovik_vst::withdrawCall()
{
  if (buffers->ncalls > 0) buffers->ncalls--;
}

// ---- queued calls ----

MVXblend MVXcontext_vDrovik_vst::blendCompositeOperation(VXcompositeOperationState op)
{
  bool ok = true;
  MVXblend b{BlendFactor(op.sourceRGB, ok), BlendFactor(op.destinationRGB, ok), BlendFactor(op.sourceAlpha, ok),
             BlendFactor(op.destinationAlpha, ok)};
  return ok ? b : kDefaultBlend;
}

int MVXcontext_vDrovik_vst::convertPaintForFrag(MVXfragUniforms* frag, const VXpaint* paint,
                                                const VXscissor* scissor, float width, float fringe, float strokeThr)
{
  memset(frag, 0, sizeof(*frag));
  Premultiplied(frag->innerColor, paint->innerColor);
  Premultiplied(frag->outerColor, paint->outerColor);
  if (scissor->extent[0] < -0.5f || scissor->extent[1] < -0.5f)
  {
    frag->scissorExtent[0] = frag->scissorExtent[1] = 1.0f;
    frag->scissorScale[0] = frag->scissorScale[1] = 1.0f;
  }
  else
  {
    float inv[6];
    vxMatrixInverse(inv, scissor->xform);
    MatrixColumns(frag->scissorMatrix, inv);
    const float* x = scissor->xform;
    frag->scissorExtent[0] = scissor->extent[0], frag->scissorExtent[1] = scissor->extent[1];
    frag->scissorScale[0] = std::sqrt(x[0] * x[0] + x[2] * x[2]) / fringe;
    frag->scissorScale[1] = std::sqrt(x[1] * x[1] + x[3] * x[3]) / fringe;
  }
  frag->extent[0] = paint->extent[0], frag->extent[1] = paint->extent[1];
  frag->strokeMultiplier = (width * 0.5f + fringe * 0.5f) / fringe;
  frag->strokeThr = strokeThr;
  float inv[6];
  if (paint->image != 0)
  {
    MVXtexture_vDrovik_vst* tex = findTexture(paint->image);
    if (!tex) return 0;
    if (tex->flags & VX_IMAGE_FLIP_Y)
    {
      // Flip about the pattern's vertical centre before the paint transform.
      float flipped[6] = {1, 0, 0, -1, 0, paint->extent[1]};
      vxMatrixMultiply(flipped, paint->xform);
      vxMatrixInverse(inv, flipped);
    }
    else
      vxMatrixInverse(inv, paint->xform);
    frag->type = kMvxPaintImage;
    if (tex->type == VX_TEXTURE_RGBA)
      frag->textureType = tex->flags & VX_IMAGE_PREMULTIPLIED ? kMvxTexturePremultiplied : kMvxTextureStraight;
    else
      frag->textureType = kMvxTextureAlpha;
  }
  else
  {
    frag->type = kMvxPaintGradient;
    frag->radius = paint->radius;
    frag->feather = paint->feather;
    vxMatrixInverse(inv, paint->xform);
  }
  MatrixColumns(frag->paintMatrix, inv);
  return 1;
}

void MVXcontext_vDrovik_vst::renderFillWithPaint(const VXpaint* paint, VXcompositeOperationState op,
                                                 const VXscissor* scissor, float fringe, const float* bounds,
                                                 const VXpath* paths, int npaths)
{
  if (!buffers || npaths < 1) return;
  MVXcall* call = allocCall();
  call->type = MVX_FILL;
  call->triangleCount = 4;
  call->image = paint->image;
  call->blend = blendCompositeOperation(op);
  if (npaths == 1 && paths[0].convex) call->type = MVX_CONVEX_FILL, call->triangleCount = 0;

  int indexCount = 0, strokeVerts = 0, fillVerts = 0;
  for (int i = 0; i < npaths; ++i)
  {
    if (paths[i].fillCount >= 3) indexCount += (paths[i].fillCount - 2) * 3, fillVerts += paths[i].fillCount;
    if (paths[i].strokeCount > 0) strokeVerts += paths[i].strokeCount + 2;
  }
  int vertexCount = fillVerts + strokeVerts + call->triangleCount;
  int first = allocVerts(vertexCount);
  int firstIndex = first < 0 ? -1 : allocIndexes(indexCount);
  int uniforms = firstIndex < 0 ? -1 : allocFragUniforms(1);
  if (uniforms < 0) return withdrawCall();
  call = &buffers->calls[buffers->ncalls - 1];
  call->indexOffset = firstIndex;
  call->indexCount = indexCount;
  call->strokeOffset = first + vertexCount - strokeVerts + 1;
  call->strokeCount = strokeVerts - 2;
  call->triangleOffset = first + fillVerts;

  VXvertex* verts = buffers->verts;
  uint32_t* indexes = buffers->indexes + firstIndex;
  int vf = first, vs = first + vertexCount - strokeVerts;
  for (int i = 0; i < npaths; ++i)
  {
    const VXpath& p = paths[i];
    if (p.fillCount >= 3)
    {
      memcpy(&verts[vf], p.fill, sizeof(VXvertex) * p.fillCount);
      for (int j = 2; j < p.fillCount; ++j) *indexes++ = vf, *indexes++ = vf + j - 1, *indexes++ = vf + j;
      vf += p.fillCount;
    }
    if (p.strokeCount > 0)
    {
      verts[vs] = p.stroke[0];
      memcpy(&verts[vs + 1], p.stroke, sizeof(VXvertex) * p.strokeCount);
      verts[vs + 1 + p.strokeCount] = p.stroke[p.strokeCount - 1];
      vs += p.strokeCount + 2;
    }
  }
  if (call->type == MVX_FILL)
  {
    VXvertex* quad = &verts[call->triangleOffset];
    quad[0] = {bounds[2], bounds[3], 0.5f, 1.0f};
    quad[1] = {bounds[2], bounds[1], 0.5f, 1.0f};
    quad[2] = {bounds[0], bounds[3], 0.5f, 1.0f};
    quad[3] = {bounds[0], bounds[1], 0.5f, 1.0f};
  }
  call->uniformOffset = uniforms;
  convertPaintForFrag(fragUniformAtIndex(uniforms), paint, scissor, fringe, fringe, -1.0f);
}

void MVXcontext_vDrovik_vst::renderStrokeWithPaint(const VXpaint* paint, VXcompositeOperationState op,
                                                   const VXscissor* scissor, float fringe, float strokeWidth,
                                                   const VXpath* paths, int npaths)
{
  if (!buffers || npaths < 1) return;
  MVXcall* call = allocCall();
  call->type = MVX_STROKE;
  call->image = paint->image;
  call->blend = blendCompositeOperation(op);
  int vertexCount = 0, strokeVerts = 0;
  for (int i = 0; i < npaths; ++i)
  {
    if (paths[i].fillCount >= 3) vertexCount += paths[i].fillCount;
    if (paths[i].strokeCount > 0) strokeVerts += paths[i].strokeCount + 2;
  }
  vertexCount += strokeVerts;
  int first = allocVerts(vertexCount);
  bool stencilStrokes = flags & kMvxStencilStrokes;
  int uniforms = first < 0 ? -1 : allocFragUniforms(stencilStrokes ? 2 : 1);
  if (uniforms < 0) return withdrawCall();
  call = &buffers->calls[buffers->ncalls - 1];
  call->strokeOffset = first + 1;
  call->strokeCount = strokeVerts - 2;
  VXvertex* verts = buffers->verts;
  int vs = first;
  for (int i = 0; i < npaths; ++i)
  {
    const VXpath& p = paths[i];
    if (p.strokeCount <= 0) continue;
    verts[vs] = p.stroke[0];
    memcpy(&verts[vs + 1], p.stroke, sizeof(VXvertex) * p.strokeCount);
    verts[vs + 1 + p.strokeCount] = p.stroke[p.strokeCount - 1];
    vs += p.strokeCount + 2;
  }
  call->uniformOffset = uniforms;
  convertPaintForFrag(fragUniformAtIndex(uniforms), paint, scissor, strokeWidth, fringe, -1.0f);
  if (stencilStrokes)
    convertPaintForFrag(fragUniformAtIndex(uniforms + fragSize), paint, scissor, strokeWidth, fringe,
                        kStencilStrokeThreshold);
}

void MVXcontext_vDrovik_vst::renderTrianglesWithPaint(const VXpaint* paint, VXcompositeOperationState op,
                                                      const VXscissor* scissor, const VXvertex* verts, int nverts,
                                                      float fringe)
{
  if (!buffers || nverts < 1) return;
  MVXcall* call = allocCall();
  call->type = MVX_TRIANGLES;
  call->image = paint->image;
  call->blend = blendCompositeOperation(op);
  int first = allocVerts(nverts);
  int uniforms = first < 0 ? -1 : allocFragUniforms(1);
  if (uniforms < 0) return withdrawCall();
  call = &buffers->calls[buffers->ncalls - 1];
  call->triangleOffset = first;
  call->triangleCount = nverts;
  memcpy(&buffers->verts[first], verts, sizeof(VXvertex) * nverts);
  call->uniformOffset = uniforms;
  MVXfragUniforms* frag = fragUniformAtIndex(uniforms);
  convertPaintForFrag(frag, paint, scissor, 1.0f, fringe, -1.0f);
  frag->type = kMvxPaintGlyphs;
}

// ---- encoding the calls ----

namespace {

/// True when a source of zero leaves the target as it was: then pixels the scissor masks out need not be visited.
bool KeepsTargetForZeroSource(const MVXblend& b)
{
  auto keeps = [](MTLBlendFactor f) {
    return f == MTLBlendFactorOne || f == MTLBlendFactorOneMinusSourceAlpha || f == MTLBlendFactorOneMinusSourceColor;
  };
  return keeps(b.destinationRGB) && keeps(b.destinationAlpha);
}

} // namespace

MTLScissorRect MVXcontext_vDrovik_vst::scissorRectForCall(const MVXcall& call, const unsigned int size[2])
{
  const MTLScissorRect all{0, 0, size[0], size[1]};
  const MVXfragUniforms* u = fragUniformAtIndex(call.uniformOffset);
  const float* m = u->scissorMatrix;
  const float* view = buffers->viewSizeBuffer ? static_cast<const float*>(buffers->viewSizeBuffer->contents()) : nullptr;
  const bool scissored = m[0] != 0 || m[1] != 0 || m[4] != 0 || m[5] != 0 || m[8] != 0 || m[9] != 0;
  if (!scissored || !view || !(view[0] > 0) || !(view[1] > 0) || !KeepsTargetForZeroSource(call.blend)) return all;
  // The block holds the inverse of the scissor's transform; its corners, grown by the soft edge the shader
  // fades over, map back to window units and then to pixels.
  const float inverse[6] = {m[0], m[1], m[4], m[5], m[8], m[9]};
  float t[6];
  if (!vxMatrixInverse(t, inverse)) return all;
  const double hx = u->scissorExtent[0] + 0.5 / u->scissorScale[0], hy = u->scissorExtent[1] + 0.5 / u->scissorScale[1];
  const double sx = viewPortSize[0] / view[0], sy = viewPortSize[1] / view[1];
  double x0 = 1e18, y0 = 1e18, x1 = -1e18, y1 = -1e18;
  for (int corner = 0; corner < 4; ++corner)
  {
    const double cx = corner & 1 ? hx : -hx, cy = corner & 2 ? hy : -hy;
    const double x = (t[0] * cx + t[2] * cy + t[4]) * sx, y = (t[1] * cx + t[3] * cy + t[5]) * sy;
    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
  }
  if (!(x0 <= x1 && y0 <= y1)) return all; // not a number: leave the shader to decide
  // The pixels whose centres lie inside the box, less a sliver of kSliver pixels at each side. A pixel left out
  // has all of its centre's coverage within kSliver (the soft edge rises by one a pixel, and the box's edge is at
  // most that far from the scissor's at any point inside it): under 1/1000, which moves no 8-bit channel by half
  // a step under a blend that keeps the target for a clear source, so what is drawn stays the same to the last bit.
  constexpr double kSliver = 1.0 / 1024.0;
  const double left = std::clamp(std::floor(x0 + kSliver - 0.5) + 1.0, 0.0, (double)size[0]);
  const double top = std::clamp(std::floor(y0 + kSliver - 0.5) + 1.0, 0.0, (double)size[1]);
  const double right = std::clamp(std::ceil(x1 - kSliver - 0.5), left, (double)size[0]);
  const double bottom = std::clamp(std::ceil(y1 - kSliver - 0.5), top, (double)size[1]);
  return MTLScissorRect{(NSUInteger)left, (NSUInteger)top, (NSUInteger)(right - left), (NSUInteger)(bottom - top)};
}

void MVXcontext_vDrovik_vst::setUniforms(int offset, int image)
{
  renderEncoder->setFragmentBufferOffset(offset, 0);
  MVXtexture_vDrovik_vst* tex = image != 0 ? findTexture(image) : nullptr;
  if (tex && tex->tex)
  {
    renderEncoder->setFragmentTexture(tex->tex, 0);
    renderEncoder->setFragmentSamplerState(tex->sampler, 0);
  }
  else
  {
    renderEncoder->setFragmentTexture(pseudoTexture, 0);
    renderEncoder->setFragmentSamplerState(pseudoSampler, 0);
  }
}

void MVXcontext_vDrovik_vst::drawIndexedFill(const MVXcall& call)
{
  if (call.indexCount > 0)
    renderEncoder->drawIndexedPrimitives(MTLPrimitiveTypeTriangle, call.indexCount, MTLIndexTypeUInt32,
                                         buffers->indexBuffer, (NSUInteger)call.indexOffset * indexSize);
}

void MVXcontext_vDrovik_vst::convexFill(const MVXcall& call)
{
  setUniforms(call.uniformOffset, call.image);
  renderEncoder->setRenderPipelineState(pipelineState);
  drawIndexedFill(call);
  if (call.strokeCount > 0)
    renderEncoder->drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
}

void MVXcontext_vDrovik_vst::fill(const MVXcall& call)
{
  renderEncoder->setCullMode(MTLCullModeNone);
  renderEncoder->setDepthStencilState(fillShapeStencilState);
  renderEncoder->setRenderPipelineState(stencilOnlyPipelineState);
  drawIndexedFill(call);
  renderEncoder->setCullMode(MTLCullModeBack);
  renderEncoder->setRenderPipelineState(pipelineState);
  setUniforms(call.uniformOffset, call.image);
  if ((flags & kMvxAntiAlias) && call.strokeCount > 0)
  {
    renderEncoder->setDepthStencilState(fillAntiAliasStencilState);
    renderEncoder->drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
  }
  renderEncoder->setDepthStencilState(fillStencilState);
  renderEncoder->drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.triangleOffset, 4);
  renderEncoder->setDepthStencilState(defaultStencilState);
}

void MVXcontext_vDrovik_vst::stroke(const MVXcall& call)
{
  if (call.strokeCount < 1) return;
  if (flags & kMvxStencilStrokes)
  {
    setUniforms(call.uniformOffset + fragSize, call.image);
    renderEncoder->setDepthStencilState(strokeShapeStencilState);
    renderEncoder->setRenderPipelineState(pipelineState);
    renderEncoder->drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
    setUniforms(call.uniformOffset, call.image);
    renderEncoder->setDepthStencilState(strokeAntiAliasStencilState);
    renderEncoder->drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
    renderEncoder->setDepthStencilState(strokeClearStencilState);
    renderEncoder->setRenderPipelineState(stencilOnlyPipelineState);
    renderEncoder->drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
    renderEncoder->setDepthStencilState(defaultStencilState);
    return;
  }
  setUniforms(call.uniformOffset, call.image);
  renderEncoder->setRenderPipelineState(pipelineState);
  renderEncoder->drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
}

void MVXcontext_vDrovik_vst::triangles(const MVXcall& call)
{
  setUniforms(call.uniformOffset, call.image);
  renderEncoder->setRenderPipelineState(pipelineState);
  renderEncoder->drawPrimitives(MTLPrimitiveTypeTriangle, call.triangleOffset, call.triangleCount);
}
