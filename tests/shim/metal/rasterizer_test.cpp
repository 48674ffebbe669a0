// The Metal stand-in on its own: coverage by the top-left rule, culling by winding, the stencil operations,
// texture sampling, library blobs, viewports smaller than the target, vertices bound at an offset, the layer and its
// drawables, times and semaphores, and what the device refuses to make.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "metal/metal.h"

namespace {

void PositionOnly(const MTLVertexIn& in, MTLVertexOut& out)
{
  // Positions come in window pixels of a 16 x 16 target.
  out.position[0] = in.attributes[0][0] / 8.0f - 1.0f;
  out.position[1] = 1.0f - in.attributes[0][1] / 8.0f;
  out.position[2] = 0, out.position[3] = 1;
}

/// How many vertices CountedPositions has run on.
std::atomic<int> gVerticesShaded{0};

void CountedPositions(const MTLVertexIn& in, MTLVertexOut& out)
{
  ++gVerticesShaded;
  PositionOnly(in, out);
}

MTLSpanRange HalfWhite(const MTLFragmentIn&, int n, float* rgba, uint8_t*)
{
  for (int i = 0; i < 4 * n; ++i) rgba[i] = 0.5f;
  return {0, n};
}

/// The known source and destination of the blend tests: every channel differs, and the source alpha differs from
/// one minus the destination alpha, so no two factors give the same numbers. All are exact in 8 bits.
constexpr float kSource[4] = {0.8f, 0.4f, 0.2f, 0.6f};
constexpr MTLClearColor kDestination{0.2, 0.6, 1.0, 0.8};

MTLSpanRange KnownSource(const MTLFragmentIn&, int n, float* rgba, uint8_t*)
{
  for (int i = 0; i < 4 * n; ++i) rgba[i] = kSource[i % 4];
  return {0, n};
}

/// The part [lo, hi) of window columns a span from in.x of n pixels holds, relative to the span; empty when none.
MTLSpanRange Columns(const MTLFragmentIn& in, int n, int lo, int hi)
{
  MTLSpanRange r{std::max(lo - in.x, 0), std::min(hi - in.x, n)};
  return r.first < r.last ? r : MTLSpanRange{0, 0};
}

/// One texel a window column: opaque in columns 2 and 3, clear in 4, half covered in 5.
constexpr uint8_t kShortcutTexels[16 * 4] = {
  0, 0, 0, 0, 0, 0, 0, 0, 200, 100, 50, 255, 200, 100, 50, 255, 0, 0, 0, 0, 60, 40, 20, 128,
};

/// Shades half grey, but says it copies its texels in columns 2 to 5 of the top half and fills columns 10 to 13
/// of the bottom half with one colour, so the pixels show which way each was drawn.
MTLSpanRange CopiedTexels(const MTLFragmentIn& in, int n, const uint8_t** texels, bool*)
{
  MTLSpanRange r = in.y < 8 ? Columns(in, n, 2, 6) : MTLSpanRange{0, 0};
  *texels = kShortcutTexels + 4 * (in.x + r.first);
  return r;
}

/// Opaque down to row 11, then a red of no alpha that adds its light to what is there.
MTLSpanRange SolidColour(const MTLFragmentIn& in, int n, float rgba[4])
{
  const bool opaque = in.y < 12;
  rgba[0] = 0.2f, rgba[1] = opaque ? 0.4f : 0.0f, rgba[2] = opaque ? 0.6f : 0.0f, rgba[3] = opaque ? 1.0f : 0.0f;
  return in.y >= 8 ? Columns(in, n, 10, 14) : MTLSpanRange{0, 0};
}

/// The blend of a pipeline: source and destination factors, the same for colour and alpha.
struct Blend
{
  MTLBlendFactor source = MTLBlendFactorOne, destination = MTLBlendFactorOne;
  bool alphaApart = false; // alpha blended by the factors below instead
  MTLBlendFactor sourceAlpha = MTLBlendFactorOne, destinationAlpha = MTLBlendFactorOne;
};

/// A 16 x 16 target with a stencil; draws triangles given in pixels and returns what they left.
struct Rig
{
  Rig()
  {
    MTLRegisterVertexFunction("testPositions", PositionOnly);
    MTLRegisterVertexFunction("testCountedPositions", CountedPositions);
    MTLRegisterFragmentFunction("testHalfWhite", HalfWhite);
    MTLRegisterFragmentFunction("testKnownSource", KnownSource);
    MTLRegisterFragmentFunction("testShortcuts", HalfWhite, CopiedTexels, SolidColour);
    const char blob[] = "MTLB\nvertex testPositions\nvertex testCountedPositions\nfragment testHalfWhite\n"
                        "fragment testKnownSource\nfragment testShortcuts\n";
    library = device->newLibraryWithData(dispatch_data_create(blob, strlen(blob)), nullptr);
    auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 16, 16, false);
    color = device->newTextureWithDescriptor(d);
    d.pixelFormat = MTLPixelFormatStencil8;
    stencil = device->newTextureWithDescriptor(d);
  }

  /// Additive blending of a half grey (colour) or a stencil-only pass with the given operation.
  void Draw(const std::vector<float>& xy, MTLPrimitiveType type, MTLCullMode cull, bool colour,
            MTLStencilOperation op = MTLStencilOperationKeep, MTLCompareFunction compare = MTLCompareFunctionAlways)
  {
    Pass(xy, type, cull, colour ? "testHalfWhite" : nullptr, Blend(), op, compare);
  }

  /// The known source blended onto a target cleared to the known destination, over the whole target.
  void BlendKnownSource(Blend blend)
  {
    clear = &kDestination;
    Pass({0, 0, 0, 16, 16, 0, 16, 16}, MTLPrimitiveTypeTriangleStrip, MTLCullModeNone, "testKnownSource", blend,
         MTLStencilOperationKeep, MTLCompareFunctionAlways);
    clear = nullptr;
  }

  void Pass(const std::vector<float>& xy, MTLPrimitiveType type, MTLCullMode cull, const char* fragment, Blend blend,
            MTLStencilOperation op, MTLCompareFunction compare)
  {
    MTLRenderPipelineDescriptor pd;
    pd.vertexFunction = library->newFunctionWithName(vertexFunction);
    if (fragment) pd.fragmentFunction = library->newFunctionWithName(fragment);
    pd.vertexDescriptor = std::make_shared<MTLVertexDescriptor>();
    pd.vertexDescriptor->layouts[0].stride = stride;
    pd.vertexDescriptor->attributes[1] = pd.vertexDescriptor->attributes[0];
    auto& ca = pd.colorAttachments[0];
    ca.pixelFormat = MTLPixelFormatRGBA8Unorm, ca.blendingEnabled = true;
    ca.sourceRGBBlendFactor = ca.sourceAlphaBlendFactor = blend.source;
    ca.destinationRGBBlendFactor = ca.destinationAlphaBlendFactor = blend.destination;
    if (blend.alphaApart)
      ca.sourceAlphaBlendFactor = blend.sourceAlpha, ca.destinationAlphaBlendFactor = blend.destinationAlpha;
    MTLDepthStencilDescriptor dd;
    if (stencilTest)
    {
      dd.frontFaceStencil = std::make_shared<MTLStencilDescriptor>();
      dd.frontFaceStencil->stencilCompareFunction = compare;
      dd.frontFaceStencil->depthStencilPassOperation = op;
    }
    // Ahead of the vertices at `vertexOffset`: positions that would cover the whole target.
    auto vertices = device->newBufferWithLength(vertexOffset + xy.size() * sizeof(float), 0);
    float* junk = static_cast<float*>(vertices->contents());
    for (size_t k = 0; k < vertexOffset / sizeof(float); ++k) junk[k] = k % 2 ? 16 : 0;
    memcpy(static_cast<uint8_t*>(vertices->contents()) + vertexOffset, xy.data(), xy.size() * sizeof(float));
    MTLRenderPassDescriptor pass;
    pass.colorAttachments[0].texture = color;
    pass.colorAttachments[0].loadAction = clear ? MTLLoadActionClear : MTLLoadActionLoad;
    if (clear) pass.colorAttachments[0].clearColor = *clear;
    pass.stencilAttachment.texture = stencil;
    pass.stencilAttachment.loadAction = clearStencil ? MTLLoadActionClear : MTLLoadActionLoad;
    auto buffer = queue->commandBuffer();
    auto encoder = buffer->renderCommandEncoderWithDescriptor(pass);
    encoder->setRenderPipelineState(device->newRenderPipelineStateWithDescriptor(pd, nullptr));
    encoder->setDepthStencilState(device->newDepthStencilStateWithDescriptor(dd));
    encoder->setCullMode(cull);
    encoder->setFrontFacingWinding(MTLWindingCounterClockwise);
    encoder->setViewport(viewport);
    if (scissor) encoder->setScissorRect(*scissor);
    encoder->setVertexBuffer(vertices, vertexOffset, 0);
    for (NSUInteger slot : moreVertexSlots) encoder->setVertexBuffer(vertices, vertexOffset, slot);
    if (indices)
    {
      auto indexBuffer = device->newBufferWithLength(indices->size() * sizeof(uint32_t), 0);
      memcpy(indexBuffer->contents(), indices->data(), indices->size() * sizeof(uint32_t));
      encoder->drawIndexedPrimitives(type, indexCount, MTLIndexTypeUInt32, indexBuffer, indexOffset);
    }
    else
      encoder->drawPrimitives(type, 0, xy.size() / 2);
    if (alsoScissor) // the same draw again in the same pass
    {
      encoder->setScissorRect(*alsoScissor);
      encoder->drawPrimitives(type, 0, xy.size() / 2);
    }
    encoder->endEncoding();
    buffer->commit();
    buffer->waitUntilCompleted();
  }

  int Red(int x, int y) const { return color->row(y)[x * 4]; }
  int Channel(int x, int y, int c) const { return color->row(y)[x * 4 + c]; }
  int Stencil(int x, int y) const { return stencil->row(y)[x]; }

  std::shared_ptr<MTLDevice> device = MTLCreateSystemDefaultDevice();
  std::shared_ptr<MTLCommandQueue> queue = device->newCommandQueue();
  std::shared_ptr<MTLLibrary> library;
  std::shared_ptr<MTLTexture> color, stencil;
  const MTLClearColor* clear = nullptr;
  const MTLScissorRect* scissor = nullptr; // the passes' draws touch only these pixels
  const MTLScissorRect* alsoScissor = nullptr; // when set, each pass draws a second time within this rectangle
  NSUInteger stride = 8; // bytes from one vertex to the next
  const char* vertexFunction = "testPositions";
  MTLViewport viewport{0, 0, 16, 16, 0, 1};
  bool clearStencil = false;
  bool stencilTest = true; // off: the passes draw without a depth-stencil state that tests anything
  std::vector<NSUInteger> moreVertexSlots; // the vertices bound again to these slots after the first
  size_t vertexOffset = 0; // where the vertices start in their buffer
  const std::vector<uint32_t>* indices = nullptr; // drawn through these when set, from the byte offset below
  NSUInteger indexCount = 0, indexOffset = 0;
};

TEST(MetalRasterizer, VerticesAreReadFromTheOffsetTheirBufferIsBoundAt)
{
  // A triangle over the top-left corner, its vertices at the start of their buffer and then behind junk.
  const std::vector<float> corner = {0, 0, 8, 0, 0, 8};
  std::vector<int> atStart, behindJunk;
  for (size_t offset : {size_t(0), size_t(48)})
  {
    Rig rig;
    rig.vertexOffset = offset;
    rig.Draw(corner, MTLPrimitiveTypeTriangle, MTLCullModeNone, true);
    std::vector<int>& reds = offset ? behindJunk : atStart;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) reds.push_back(rig.Red(x, y));
  }
  EXPECT_EQ(atStart[1 * 16 + 1], 128);
  EXPECT_EQ(atStart[12 * 16 + 12], 0);
  EXPECT_EQ(behindJunk, atStart);
}

TEST(MetalRasterizer, SharedEdgesCoverEachPixelCentreOnce)
{
  // A fan of triangles over a square with a slanted and a vertical inner edge through pixel centres: additive
  // half grey shows a pixel hit twice as 255 and a gap as 0.
  Rig rig;
  const float c = 8.5f; // a pixel centre
  rig.Draw({2, 2, 2, 14, c, c, 2, 14, 14, 14, c, c, 14, 14, 14, 2, c, c, 14, 2, 2, 2, c, c}, MTLPrimitiveTypeTriangle,
           MTLCullModeNone, true);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
    {
      bool inside = x >= 2 && x < 14 && y >= 2 && y < 14;
      EXPECT_EQ(rig.Red(x, y), inside ? 128 : 0) << x << ", " << y;
    }
}

TEST(MetalRasterizer, ARectangleWithEdgesOnPixelCentresDrawsTheColumnsAndRowsFromItsTopLeft)
{
  // Left and top edges through centres take those pixels, right and bottom edges through centres do not: columns
  // 2 to 8 and rows 3 to 11, each pixel once (two triangles, additive half grey).
  Rig rig;
  rig.Draw({2.5f, 3.5f, 2.5f, 12.5f, 9.5f, 3.5f, 9.5f, 12.5f}, MTLPrimitiveTypeTriangleStrip, MTLCullModeNone, true);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(rig.Red(x, y), x >= 2 && x <= 8 && y >= 3 && y <= 11 ? 128 : 0) << x << ", " << y;
}

TEST(MetalRasterizer, EveryBlendFactorOnAKnownSourceAndDestination)
{
  // Each factor's value on the channels r, g, b, a for source (0.8, 0.4, 0.2, 0.6) over destination
  // (0.2, 0.6, 1.0, 0.8); saturated source alpha is min(0.6, 1 - 0.8) on colour and 1 on alpha.
  struct Row
  {
    MTLBlendFactor factor;
    float value[4];
  } rows[] = {
    {MTLBlendFactorZero, {0, 0, 0, 0}},
    {MTLBlendFactorOne, {1, 1, 1, 1}},
    {MTLBlendFactorSourceColor, {0.8f, 0.4f, 0.2f, 0.6f}},
    {MTLBlendFactorOneMinusSourceColor, {0.2f, 0.6f, 0.8f, 0.4f}},
    {MTLBlendFactorSourceAlpha, {0.6f, 0.6f, 0.6f, 0.6f}},
    {MTLBlendFactorOneMinusSourceAlpha, {0.4f, 0.4f, 0.4f, 0.4f}},
    {MTLBlendFactorDestinationColor, {0.2f, 0.6f, 1.0f, 0.8f}},
    {MTLBlendFactorOneMinusDestinationColor, {0.8f, 0.4f, 0.0f, 0.2f}},
    {MTLBlendFactorDestinationAlpha, {0.8f, 0.8f, 0.8f, 0.8f}},
    {MTLBlendFactorOneMinusDestinationAlpha, {0.2f, 0.2f, 0.2f, 0.2f}},
    {MTLBlendFactorSourceAlphaSaturated, {0.2f, 0.2f, 0.2f, 1.0f}},
  };
  const float destination[4] = {0.2f, 0.6f, 1.0f, 0.8f};
  Rig rig;
  for (const Row& r : rows)
  {
    // The factor on the source (destination dropped), then on the destination (source dropped).
    rig.BlendKnownSource({r.factor, MTLBlendFactorZero});
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(rig.Channel(7, 7, c), 255 * kSource[c] * r.value[c], 1.0) << "source " << r.factor << " " << c;
    rig.BlendKnownSource({MTLBlendFactorZero, r.factor});
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(rig.Channel(7, 7, c), 255 * destination[c] * r.value[c], 1.0) << "dest " << r.factor << " " << c;
  }
  // Source over (the renderer's usual blend): s + d * (1 - source alpha).
  rig.BlendKnownSource({MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha});
  for (int c = 0; c < 4; ++c)
    EXPECT_NEAR(rig.Channel(7, 7, c), 255 * (kSource[c] + 0.4f * destination[c]), 1.0) << "over " << c;
  // Source over with any one of its four factors another: colour and alpha each take their own.
  const MTLBlendFactor one = MTLBlendFactorOne, zero = MTLBlendFactorZero, keep = MTLBlendFactorOneMinusSourceAlpha;
  const struct
  {
    Blend blend;
    float colour[2], alpha[2]; // the source's and destination's factors
  } apart[] = {
    {{zero, keep, true, one, keep}, {0, 0.4f}, {1, 0.4f}},
    {{one, zero, true, one, keep}, {1, 0}, {1, 0.4f}},
    {{one, keep, true, zero, keep}, {1, 0.4f}, {0, 0.4f}},
    {{one, keep, true, one, zero}, {1, 0.4f}, {1, 0}},
  };
  for (const auto& k : apart)
  {
    rig.BlendKnownSource(k.blend);
    for (int c = 0; c < 4; ++c)
    {
      const float* f = c < 3 ? k.colour : k.alpha;
      EXPECT_NEAR(rig.Channel(7, 7, c), 255 * (f[0] * kSource[c] + f[1] * destination[c]), 1.0)
        << "factors " << k.blend.source << " " << k.blend.destination << " " << k.blend.sourceAlpha << " "
        << k.blend.destinationAlpha << ", channel " << c;
    }
  }
}

TEST(MetalRasterizer, AFragmentFunctionsShortcutsDrawThePixelsTheyClaimUnderSourceOver)
{
  // Over transparent black: copied texels land as they are (a clear one leaves the pixel), the filled colour
  // replaces the pixel, and every other pixel of the spans is shaded. Any other blend shades every pixel.
  const MTLClearColor transparent{0, 0, 0, 0};
  const std::vector<float> whole = {0, 0, 0, 16, 16, 0, 16, 16};
  for (bool over : {true, false})
  {
    Rig rig;
    rig.clear = &transparent;
    rig.stencilTest = false;
    rig.Pass(whole, MTLPrimitiveTypeTriangleStrip, MTLCullModeNone, "testShortcuts",
             {MTLBlendFactorOne, over ? MTLBlendFactorOneMinusSourceAlpha : MTLBlendFactorZero},
             MTLStencilOperationKeep, MTLCompareFunctionAlways);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
      {
        int expected[4] = {128, 128, 128, 128};
        if (over && y < 8 && x >= 2 && x < 6)
          for (int c = 0; c < 4; ++c) expected[c] = kShortcutTexels[4 * x + c];
        if (over && y >= 8 && x >= 10 && x < 14)
          expected[0] = 51, expected[1] = y < 12 ? 102 : 0, expected[2] = y < 12 ? 153 : 0, expected[3] = y < 12 ? 255 : 0;
        for (int c = 0; c < 4; ++c) EXPECT_EQ(rig.Channel(x, y, c), expected[c]) << over << " " << x << ", " << y;
      }
  }
}

TEST(MetalRasterizer, CullingFollowsTheWindingOnScreen)
{
  Rig rig;
  std::vector<float> ccwOnScreen = {2, 2, 2, 10, 10, 2}; // down, then up-right: counter-clockwise as seen
  std::vector<float> cwOnScreen = {2, 2, 10, 2, 2, 10};
  rig.Draw(cwOnScreen, MTLPrimitiveTypeTriangle, MTLCullModeBack, true);
  EXPECT_EQ(rig.Red(3, 3), 0);
  rig.Draw(ccwOnScreen, MTLPrimitiveTypeTriangle, MTLCullModeBack, true);
  EXPECT_EQ(rig.Red(3, 3), 128);
  rig.Draw(ccwOnScreen, MTLPrimitiveTypeTriangle, MTLCullModeFront, true);
  EXPECT_EQ(rig.Red(3, 3), 128);
  // A strip keeps one winding for all its triangles.
  rig.Draw({10, 10, 10, 14, 14, 10, 14, 14}, MTLPrimitiveTypeTriangleStrip, MTLCullModeBack, true);
  EXPECT_EQ(rig.Red(11, 11), 128);
  EXPECT_EQ(rig.Red(13, 13), 128);
}

TEST(MetalRasterizer, StencilOperationsAndCompare)
{
  Rig rig;
  std::vector<float> quad = {0, 0, 0, 16, 16, 0, 16, 16};
  struct Step
  {
    MTLStencilOperation op;
    MTLCompareFunction compare;
    int expected;
  } steps[] = {
    {MTLStencilOperationDecrementWrap, MTLCompareFunctionAlways, 255}, {MTLStencilOperationIncrementWrap, MTLCompareFunctionAlways, 0},
    {MTLStencilOperationDecrementClamp, MTLCompareFunctionAlways, 0},  {MTLStencilOperationInvert, MTLCompareFunctionAlways, 255},
    {MTLStencilOperationIncrementClamp, MTLCompareFunctionAlways, 255}, {MTLStencilOperationZero, MTLCompareFunctionEqual, 255},
    {MTLStencilOperationZero, MTLCompareFunctionNotEqual, 0},          {MTLStencilOperationIncrementClamp, MTLCompareFunctionEqual, 1},
    {MTLStencilOperationReplace, MTLCompareFunctionAlways, 0},
    // The reference (0) against the stored value, at and either side of equality.
    {MTLStencilOperationIncrementClamp, MTLCompareFunctionLess, 0},    {MTLStencilOperationIncrementClamp, MTLCompareFunctionGreater, 0},
    {MTLStencilOperationIncrementClamp, MTLCompareFunctionLessEqual, 1}, {MTLStencilOperationIncrementClamp, MTLCompareFunctionLess, 2},
    {MTLStencilOperationIncrementClamp, MTLCompareFunctionGreaterEqual, 2}, {MTLStencilOperationZero, MTLCompareFunctionNever, 2},
    {MTLStencilOperationZero, MTLCompareFunctionAlways, 0},            {MTLStencilOperationIncrementClamp, MTLCompareFunctionGreaterEqual, 1},
  };
  for (const Step& s : steps)
  {
    rig.Draw(quad, MTLPrimitiveTypeTriangleStrip, MTLCullModeNone, false, s.op, s.compare);
    EXPECT_EQ(rig.Stencil(5, 5), s.expected) << s.op << " " << s.compare;
  }
  EXPECT_EQ(rig.Red(5, 5), 0); // stencil-only passes write no colour
}

TEST(MetalRasterizer, AScissorRectangleLimitsColourStencilAndTheStencilClear)
{
  std::vector<float> quad = {0, 0, 0, 16, 16, 0, 16, 16};
  // One box inside the target, one in its lower right corner; the clearing pass draws a second time in a box
  // wholly right of or below the target, which clears nothing.
  const MTLScissorRect outside[] = {{20, 0, 4, 16}, {0, 16, 16, 3}};
  for (const MTLScissorRect box : {MTLScissorRect{3, 4, 5, 6}, MTLScissorRect{8, 10, 8, 6}})
  {
    Rig rig;
    auto inside = [&](int x, int y) {
      return x >= int(box.x) && x < int(box.x + box.width) && y >= int(box.y) && y < int(box.y + box.height);
    };
    rig.scissor = &box;
    rig.Draw(quad, MTLPrimitiveTypeTriangleStrip, MTLCullModeNone, true);
    rig.scissor = nullptr;
    rig.Draw(quad, MTLPrimitiveTypeTriangleStrip, MTLCullModeNone, false, MTLStencilOperationInvert); // all 255
    // A cleared stencil reads 0 wherever a draw of the pass tests it, and the draw changes nothing outside its box.
    rig.scissor = &box;
    rig.alsoScissor = &outside[box.x == 3 ? 0 : 1];
    rig.clearStencil = true;
    rig.Draw(quad, MTLPrimitiveTypeTriangleStrip, MTLCullModeNone, false, MTLStencilOperationIncrementClamp,
             MTLCompareFunctionEqual);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
      {
        EXPECT_EQ(rig.Red(x, y), inside(x, y) ? 128 : 0) << box.x << ": " << x << ", " << y;
        EXPECT_EQ(rig.Stencil(x, y), inside(x, y) ? 1 : 255) << box.x << ": " << x << ", " << y;
      }
  }
}

TEST(MetalRasterizer, AViewportSmallerThanTheTargetKeepsEvenAFarLargerTriangleInsideIt)
{
  // The viewport covers x 4..11 and y 2..11; the quad reaches far past every side of it and of the target. A
  // viewport with edges inside pixels keeps only the pixels wholly within it.
  const struct
  {
    MTLViewport viewport;
    int x0, x1, y0, y1; // the pixels drawn
  } cases[] = {{{4, 2, 8, 10, 0, 1}, 4, 12, 2, 12}, {{4.25, 2.75, 7.5, 8.5, 0, 1}, 5, 11, 3, 11}};
  for (const auto& k : cases)
  {
    Rig rig;
    rig.viewport = k.viewport;
    rig.Draw({-40, -40, -40, 56, 56, -40, 56, 56}, MTLPrimitiveTypeTriangleStrip, MTLCullModeNone, true);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        EXPECT_EQ(rig.Red(x, y), x >= k.x0 && x < k.x1 && y >= k.y0 && y < k.y1 ? 128 : 0) << k.x0 << ": " << x << ", " << y;
  }
}

// Vertex buffers bound to slots past the encoder's last are ignored: the draw reads its vertices as it would
// without them, and a second buffer in the last slot leaves the first alone.
TEST(MetalRasterizer, VertexBuffersBoundPastTheLastSlotAreIgnored)
{
  Rig rig;
  rig.moreVertexSlots = {kMTLMaxBufferSlots - 1, kMTLMaxBufferSlots};
  rig.Draw({0, 0, 0, 16, 16, 0, 16, 16}, MTLPrimitiveTypeTriangleStrip, MTLCullModeNone, true);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(rig.Red(x, y), 128) << x << ", " << y;
}

// A target of one red channel blends the red of the source with its own, and has no alpha of its own: its
// destination alpha reads as one.
TEST(MetalRasterizer, AOneChannelTargetBlendsTheRedChannelWithAnOpaqueDestination)
{
  Rig rig;
  rig.color = rig.device->newTextureWithDescriptor(
      MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatR8Unorm, 16, 16, false));
  const struct
  {
    Blend blend;
    float red;
  } cases[] = {
    {{MTLBlendFactorOne, MTLBlendFactorZero}, 0.8f},
    {{MTLBlendFactorZero, MTLBlendFactorOne}, 0.2f},
    {{MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha}, 0.8f + 0.4f * 0.2f},
    {{MTLBlendFactorSourceAlpha, MTLBlendFactorDestinationAlpha}, 0.6f * 0.8f + 0.2f},
    {{MTLBlendFactorZero, MTLBlendFactorOneMinusDestinationAlpha}, 0.0f},
  };
  // Source over a single column: the pixels beside it keep the destination.
  rig.clear = &kDestination;
  rig.Pass({0, 0, 0, 16, 1, 0, 1, 16}, MTLPrimitiveTypeTriangleStrip, MTLCullModeNone, "testKnownSource",
           {MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha}, MTLStencilOperationKeep, MTLCompareFunctionAlways);
  rig.clear = nullptr;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_NEAR(rig.color->row(y)[x], 255 * (x == 0 ? 0.8f + 0.4f * 0.2f : 0.2f), 1.0) << x << ", " << y;
  for (const auto& k : cases)
  {
    rig.BlendKnownSource(k.blend);
    for (int y : {0, 7, 15})
      for (int x : {0, 7, 15})
        EXPECT_NEAR(rig.color->row(y)[x], 255 * k.red, 1.0)
          << "factors " << k.blend.source << " " << k.blend.destination << " at " << x << ", " << y;
  }
}

TEST(MetalLibrary, OnlyWellFormedBlobsOfKnownFunctionsLoad)
{
  Rig rig; // registers the test functions
  const std::string longName(80, 'a');
  const std::string bad[] = {"", "MTL", "MTLA\nvertex testPositions\n", "MTLB\nvertex testPositions",
                             "MTLB\npixel testPositions\n", "MTLB\nvertex \n", "MTLB\nvertex " + longName + "\n",
                             "MTLB\nvertex unknown\n", "MTLB\nvertex test-positions\n"};
  for (const std::string& b : bad)
    EXPECT_EQ(rig.device->newLibraryWithData(dispatch_data_create(b.data(), b.size()), nullptr), nullptr) << b;
  // Sixteen entries and names of 63 characters are the most a library takes.
  const std::string longest(63, 'n');
  MTLRegisterVertexFunction(longest.c_str(), PositionOnly);
  MTLRegisterVertexFunction((longest + "n").c_str(), PositionOnly);
  for (int entries : {16, 17})
  {
    std::string many = "MTLB\n";
    for (int i = 0; i < entries; ++i) many += "vertex testPositions\n";
    EXPECT_EQ(rig.device->newLibraryWithData(dispatch_data_create(many.data(), many.size()), nullptr) != nullptr,
              entries == 16) << entries << " entries";
    const std::string named = "MTLB\nvertex " + longest + (entries == 16 ? "" : "n") + "\n";
    EXPECT_EQ(rig.device->newLibraryWithData(dispatch_data_create(named.data(), named.size()), nullptr) != nullptr,
              entries == 16) << named;
  }
  ASSERT_NE(rig.library, nullptr);
  EXPECT_EQ(rig.library->functions.size(), 5u);
  EXPECT_EQ(rig.library->newFunctionWithName("missing"), nullptr);
}

TEST(MetalSampler, TexelCentresFiltersLevelsWrappingAndChannelOrder)
{
  // A 4 x 2 texture whose red grows along x and green down y. Coordinates are normalised, texel centres at 0.5.
  auto device = MTLCreateSystemDefaultDevice();
  unsigned char bytes[4 * 2 * 4];
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x)
    {
      unsigned char* p = bytes + (y * 4 + x) * 4;
      p[0] = (unsigned char)(20 + 40 * x), p[1] = (unsigned char)(10 + 200 * y), p[2] = 30, p[3] = 255;
    }
  auto Texture = [&](MTLPixelFormat format) {
    auto t =
      device->newTextureWithDescriptor(MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(format, 4, 2, false));
    t->replaceRegion(MTLRegionMake2D(0, 0, 4, 2), 0, bytes, 16);
    return t;
  };
  auto rgba = Texture(MTLPixelFormatRGBA8Unorm), bgra = Texture(MTLPixelFormatBGRA8Unorm);
  auto red = Texture(MTLPixelFormatR8Unorm); // a byte a texel: the first four bytes of each row
  auto levels = device->newTextureWithDescriptor(
    MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 4, 2, true));
  levels->replaceRegion(MTLRegionMake2D(0, 0, 4, 2), 0, bytes, 16);
  {
    std::lock_guard<std::mutex> hold(levels->lock());
    levels->buildMipmaps(); // 2 x 1, then 1 x 1
  }
  MTLSamplerDescriptor nearest, linear, nearestLevel, blendedLevels;
  nearestLevel.mipFilter = MTLSamplerMipFilterNearest;
  blendedLevels.mipFilter = MTLSamplerMipFilterLinear;
  nearest.sAddressMode = nearest.tAddressMode = MTLSamplerAddressModeRepeat;
  linear.minFilter = linear.magFilter = MTLSamplerMinMagFilterLinear;
  struct Row
  {
    const char* what;
    const MTLTexture& texture;
    const MTLSamplerDescriptor& sampler;
    float u, v;
    float want[4]; // 0..255
    float footprint = 1;
  } rows[] = {
    {"nearest texel (2, 1)", *rgba, nearest, 0.625f, 0.75f, {100, 210, 30, 255}},
    {"linear at a texel centre", *rgba, linear, 0.125f, 0.25f, {20, 10, 30, 255}},
    {"linear half way along x", *rgba, linear, 0.25f, 0.25f, {40, 10, 30, 255}},
    {"linear half way down y", *rgba, linear, 0.125f, 0.5f, {20, 110, 30, 255}},
    {"repeat left of the texture", *rgba, nearest, -0.125f, 0.25f, {140, 10, 30, 255}},
    {"repeat above the texture", *rgba, nearest, 0.375f, -0.25f, {60, 210, 30, 255}},
    {"blue first in memory", *bgra, nearest, 0.125f, 0.25f, {30, 10, 20, 255}},
    {"one channel: red alone, opaque", *red, nearest, 0.625f, 0.75f, {30, 0, 0, 255}},
    {"footprint 2: the half size level", *levels, nearestLevel, 0.125f, 0.25f, {40, 110, 30, 255}, 2},
    {"footprint 3: the nearer, quarter size level", *levels, nearestLevel, 0.125f, 0.25f, {80, 110, 30, 255}, 3},
    {"footprint 2 root 2: half way between the half and quarter size levels", *levels, blendedLevels, 0.125f, 0.25f,
     {60, 110, 30, 255}, 2.828427f},
    {"footprint 64, past the smallest level: that level", *levels, blendedLevels, 0.125f, 0.25f, {80, 110, 30, 255},
     64},
  };
  for (const Row& r : rows)
  {
    float got[4];
    MTLSamplerState(r.sampler).sample(r.texture, r.u, r.v, got, r.footprint);
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(got[c] * 255, r.want[c], 0.5) << r.what << " channel " << c;
  }
}

TEST(MetalSampler, AFilteredSpanSamplesEachPixelAsASingleSampleWould)
{
  // Spans between texel centres, magnified and minified, running off both sides of a 7 x 5 texture: each pixel
  // of the span is exactly what a single sample at its coordinates gives, in either channel order and address mode.
  auto device = MTLCreateSystemDefaultDevice();
  unsigned char bytes[7 * 5 * 4];
  for (int i = 0; i < 7 * 5 * 4; ++i) bytes[i] = (unsigned char)((i * 97 + i / 4 * 31) % 256);
  MTLSamplerDescriptor clamp, repeat, levelsLinear;
  clamp.minFilter = clamp.magFilter = MTLSamplerMinMagFilterLinear;
  repeat = clamp;
  repeat.sAddressMode = repeat.tAddressMode = MTLSamplerAddressModeRepeat;
  levelsLinear = clamp;
  levelsLinear.mipFilter = MTLSamplerMipFilterLinear;
  for (MTLPixelFormat format : {MTLPixelFormatRGBA8Unorm, MTLPixelFormatBGRA8Unorm})
    for (bool mipmapped : {false, true})
    {
      auto t = device->newTextureWithDescriptor(
        MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(format, 7, 5, mipmapped));
      t->replaceRegion(MTLRegionMake2D(0, 0, 7, 5), 0, bytes, 28);
      std::lock_guard<std::mutex> hold(t->lock());
      if (mipmapped) t->buildMipmaps();
      for (const MTLSamplerDescriptor* d : {&clamp, &repeat, &levelsLinear})
        for (float texelsPerPixel : {0.37f, 1.6f})
          for (float v : {-0.31f, 0.13f, 0.52f, 1.27f})
          {
            const MTLSamplerState sampler(*d);
            constexpr int n = 40;
            const float du = texelsPerPixel / 7.f, u = -0.4f;
            float span[4 * n];
            sampler.sampleSpan(*t, u, v, du, 0.f, n, span, texelsPerPixel);
            for (int i = 0; i < n; ++i)
            {
              float one[4];
              sampler.sample(*t, u + du * float(i), v, one, texelsPerPixel);
              for (int c = 0; c < 4; ++c)
                ASSERT_EQ(span[4 * i + c], one[c]) << "pixel " << i << " channel " << c << ", v " << v
                                                   << ", texels per pixel " << texelsPerPixel;
            }
          }
      // A magnified span, or one whose footprint is infinite or no number, takes the magnification filter even
      // when the minification filter differs: with a nearest one, each pixel is the texel it lies in.
      MTLSamplerDescriptor magnifyNearest;
      magnifyNearest.minFilter = MTLSamplerMinMagFilterLinear;
      for (float footprint : {0.37f, 1.f, std::numeric_limits<float>::infinity(), std::nanf("")})
      {
        constexpr int n = 18;
        const float du = 0.37f / 7.f, u = 0.01f;
        float span[4 * n];
        MTLSamplerState(magnifyNearest).sampleSpan(*t, u, 0.5f, du, 0.f, n, span, footprint);
        for (int i = 0; i < n; ++i)
        {
          const unsigned char* texel = bytes + 4 * (2 * 7 + int((u + du * float(i)) * 7.f));
          const int red = format == MTLPixelFormatBGRA8Unorm ? 2 : 0;
          const int channel[4] = {red, 1, 2 - red, 3};
          for (int c = 0; c < 4; ++c)
            ASSERT_NEAR(span[4 * i + c] * 255.f, float(texel[channel[c]]), 1e-3f)
              << "pixel " << i << " channel " << c << ", footprint " << footprint;
        }
      }
      // Spans on texel centres one texel apart are the texels themselves, in the texture's channel order, up to the
      // right edge and one past it (the edge texel again). Only runs inside the texture are handed out as texels.
      for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 7; ++col)
        {
          const MTLSamplerState sampler(clamp);
          const float u = (float(col) + 0.5f) / 7.f, v = (float(row) + 0.5f) / 5.f;
          if (format == MTLPixelFormatRGBA8Unorm)
          {
            EXPECT_EQ(sampler.texelRun(*t, u, v, 1.f / 7.f, 0.f, 7 - col), t->row(row) + 4 * col);
            EXPECT_EQ(sampler.texelRun(*t, u, v, 1.f / 7.f, 0.f, 8 - col), nullptr);
            // A hundredth of a texel off the centres, across or down, or drifting down by that much a pixel, is
            // no run of texels.
            EXPECT_EQ(sampler.texelRun(*t, u + 0.01f / 7.f, v, 1.f / 7.f, 0.f, 7 - col), nullptr);
            EXPECT_EQ(sampler.texelRun(*t, u, v + 0.01f / 5.f, 1.f / 7.f, 0.f, 7 - col), nullptr);
            EXPECT_EQ(sampler.texelRun(*t, u, v, 1.f / 7.f, 0.01f / 5.f, 7 - col), nullptr);
          }
          float span[4 * 8];
          sampler.sampleSpan(*t, u, v, 1.f / 7.f, 0.f, 8 - col, span, 1.f);
          for (int i = 0; i < 8 - col; ++i)
          {
            float one[4];
            sampler.sample(*t, (float(col + i) + 0.5f) / 7.f, v, one, 1.f);
            for (int c = 0; c < 4; ++c)
              ASSERT_NEAR(span[4 * i + c], one[c], 1e-6f) << "texel " << col + i << "," << row << " channel " << c;
          }
          // A step a little longer than a texel drifts off the centres along the span: it is filtered, not copied.
          const float drift = 1.0008f / 7.f;
          sampler.sampleSpan(*t, u, v, drift, 0.f, 7 - col, span, 1.f);
          for (int i = 0; i < 7 - col; ++i)
          {
            float one[4];
            sampler.sample(*t, u + drift * float(i), v, one, 1.f);
            for (int c = 0; c < 4; ++c)
              ASSERT_NEAR(span[4 * i + c], one[c], 1e-6f) << "drifting from " << col << "," << row << ", pixel " << i;
          }
        }
    }
  // A texture of two levels (3 x 3 and 1 x 1) minified through a mipmapped sampler blends its levels along a span
  // just as single samples do.
  auto small = device->newTextureWithDescriptor(
    MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 3, 3, true));
  ASSERT_EQ(small->mipmapLevelCount(), 2u);
  small->replaceRegion(MTLRegionMake2D(0, 0, 3, 3), 0, bytes, 12);
  std::lock_guard<std::mutex> hold(small->lock());
  small->buildMipmaps();
  const MTLSamplerState sampler(levelsLinear);
  constexpr int n = 12;
  float span[4 * n], one[4];
  sampler.sampleSpan(*small, 0.1f, 0.5f, 0.5f / 3.f, 0.f, n, span, 1.5f);
  for (int i = 0; i < n; ++i)
  {
    sampler.sample(*small, 0.1f + 0.5f / 3.f * float(i), 0.5f, one, 1.5f);
    for (int c = 0; c < 4; ++c) ASSERT_EQ(span[4 * i + c], one[c]) << "pixel " << i << " channel " << c;
  }
  // A column of texels of one colour ends in a level of one texel, not of none: far minified, it shows that colour.
  auto column = device->newTextureWithDescriptor(
    MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 1, 3, true));
  const unsigned char orange[12] = {200, 100, 50, 255, 200, 100, 50, 255, 200, 100, 50, 255};
  column->replaceRegion(MTLRegionMake2D(0, 0, 1, 3), 0, orange, 4);
  std::lock_guard<std::mutex> holdColumn(column->lock());
  column->buildMipmaps();
  sampler.sample(*column, 0.5f, 0.5f, one, 64.f);
  EXPECT_NEAR(one[0] * 255.f, 200.f, 1e-3f);
  EXPECT_NEAR(one[3] * 255.f, 255.f, 1e-3f);
}

// A blit of 3 x 2 texels from a buffer with rows 16 bytes apart, from byte 4, into a texture at (1, 1): a buffer
// that ends on the last byte of the last row is enough; one byte shorter, or a start past its end, copies nothing.
TEST(MetalBlit, ACopyFromABufferTakesRowsAtTheirPitchOnlyWhenTheBufferHoldsThemAll)
{
  auto device = MTLCreateSystemDefaultDevice();
  auto queue = device->newCommandQueue();
  const struct
  {
    NSUInteger length, offset;
    bool copied;
  } cases[] = {{32, 4, true}, {31, 4, false}, {32, 33, false}};
  for (const auto& k : cases)
  {
    auto texture = device->newTextureWithDescriptor(
      MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 4, 3, false));
    auto buffer = device->newBufferWithLength(k.length, 0);
    for (NSUInteger i = 0; i < k.length; ++i) static_cast<uint8_t*>(buffer->contents())[i] = uint8_t(i + 1);
    auto commands = queue->commandBuffer();
    auto blit = commands->blitCommandEncoder();
    blit->copyFromBuffer(buffer, k.offset, 16, 0, MTLSize{3, 2, 1}, texture, 0, 0, MTLOrigin{1, 1, 0});
    blit->endEncoding();
    commands->commit();
    commands->waitUntilCompleted();
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 16; ++x)
      {
        const bool inside = k.copied && y >= 1 && x >= 4;
        EXPECT_EQ(texture->row(y)[x], inside ? int(k.offset + 16 * (y - 1) + (x - 4) + 1) : 0)
          << k.length << " bytes from " << k.offset << ", byte " << x << " of row " << y;
      }
  }
}

// Indexed drawing: the indices are read from the byte offset they are bound at, a count past the end of their
// buffer is cut to the whole indices it holds, an offset at or past its end draws nothing, and a triangle naming a
// vertex its vertex buffer does not hold is left out while the others are drawn.
TEST(MetalRasterizer, IndexedTrianglesAreReadFromTheirOffsetAndStayWithinTheirBuffers)
{
  const std::vector<float> corners = {0, 0, 16, 0, 0, 16, 16, 16}; // the target's four corners
  const std::vector<uint32_t> indices = {3, 3, 3, 0, 1, 2, 1, 3, 2, 1, 3, 40};
  auto drawn = [&](NSUInteger count, NSUInteger offset) {
    Rig rig;
    rig.indices = &indices, rig.indexCount = count, rig.indexOffset = offset;
    rig.Draw(corners, MTLPrimitiveTypeTriangle, MTLCullModeNone, true);
    std::string picture; // '#' where drawn once, '.' where not
    for (int y = 1; y < 16; y += 4)
      for (int x = 1; x < 16; x += 4) picture += rig.Red(x, y) == 128 ? '#' : rig.Red(x, y) == 0 ? '.' : '?';
    return picture;
  };
  const std::string nothing(16, '.'), whole(16, '#');
  const std::string upperLeft = "####"
                                "###."
                                "##.."
                                "#...";
  EXPECT_EQ(drawn(3, 12), upperLeft);
  EXPECT_EQ(drawn(5, 12), upperLeft) << "two indices short of a triangle";
  EXPECT_EQ(drawn(6, 12), whole);
  EXPECT_EQ(drawn(9, 12), whole) << "the last triangle names a vertex past the vertex buffer";
  EXPECT_EQ(drawn(100, 12), whole) << "more indices than the buffer holds";
  EXPECT_EQ(drawn(3, 0), nothing) << "a triangle of one point";
  EXPECT_EQ(drawn(3, 36), nothing) << "from the end of the index buffer";
  EXPECT_EQ(drawn(3, 40), nothing) << "from past the end of the index buffer";
  EXPECT_EQ(drawn(3, 34), nothing) << "too few bytes left for one index";
}

// The vertex function runs once on each vertex a draw may use: every vertex of a plain draw, and for an indexed one
// each vertex from its lowest to its highest index that the vertex buffer holds, none before or after them.
TEST(MetalRasterizer, TheVertexFunctionRunsOnceOnEachVertexFromTheLowestToTheHighestIndex)
{
  std::vector<float> corners; // the target's four corners, four times over: sixteen vertices
  for (int k = 0; k < 4; ++k) corners.insert(corners.end(), {0, 0, 16, 0, 0, 16, 16, 16});
  const struct
  {
    std::vector<uint32_t> indices;
    int shaded;
  } cases[] = {
    {{}, 16},                         // no indices: the plain draw of all sixteen
    {{12, 13, 14}, 3},                // one triangle near the end of the buffer
    {{4, 5, 6, 5, 7, 6}, 4},          // two triangles sharing two vertices
    {{6, 4, 5}, 3},                   // the lowest index not first
    {{13, 14, 15, 0, 1, 2}, 16},      // the first and the last vertices
    {{8, 9, 10, 40, 41, 42}, 3},      // a triangle past the buffer's end
    {{15, 14, 13, 15, 15, 15}, 3},    // the last three, one of them repeated
  };
  for (const auto& k : cases)
  {
    Rig rig;
    rig.vertexFunction = "testCountedPositions";
    if (!k.indices.empty()) rig.indices = &k.indices, rig.indexCount = k.indices.size();
    gVerticesShaded = 0;
    rig.Draw(corners, MTLPrimitiveTypeTriangle, MTLCullModeNone, true);
    EXPECT_EQ(gVerticesShaded, k.shaded) << "first index " << (k.indices.empty() ? 0 : k.indices[0]);
  }
  // A layout with no stride holds one vertex, however long its buffer: it is shaded once, and draws nothing.
  const std::vector<uint32_t> triangle = {0, 1, 2};
  for (const std::vector<uint32_t>* indices : {(const std::vector<uint32_t>*)nullptr, &triangle})
  {
    Rig rig;
    rig.vertexFunction = "testCountedPositions";
    rig.stride = 0;
    if (indices) rig.indices = indices, rig.indexCount = indices->size();
    gVerticesShaded = 0;
    rig.Draw(corners, MTLPrimitiveTypeTriangle, MTLCullModeNone, true);
    EXPECT_EQ(gVerticesShaded, 1) << (indices ? "indexed" : "plain");
    EXPECT_EQ(rig.Red(8, 8), 0) << (indices ? "indexed" : "plain");
  }
}

// The layer's three drawables: each nextDrawable hands out one that is neither handed out nor on display, none
// without a device or at a size no texture can have (one at any size from a pixel to the largest texture's); the
// one presented last stays on display and is handed out again only once another has taken its place.
TEST(MetalLayer, ThreeDrawablesTakeTurnsAndTheOneOnDisplayIsKept)
{
  CAMetalLayer layer;
  EXPECT_TRUE(layer.isOpaque());
  EXPECT_FALSE(layer.presentsWithTransaction());
  layer.setDrawableSize(CGSize{4, 3});
  EXPECT_EQ(layer.nextDrawable(), nullptr) << "no device";
  EXPECT_FALSE(layer.nextDrawableWouldWait());
  layer.setDevice(MTLCreateSystemDefaultDevice());
  const double tooLarge = 16385.0;
  for (CGSize bad : {CGSize{0, 3}, CGSize{4, 0.5}, CGSize{tooLarge, 3}, CGSize{4, tooLarge}})
  {
    layer.setDrawableSize(bad);
    EXPECT_EQ(layer.nextDrawable(), nullptr) << bad.width << " x " << bad.height;
    EXPECT_EQ(layer.reserveNextDrawable(1), -1) << bad.width << " x " << bad.height;
    EXPECT_FALSE(layer.nextDrawableWouldWait()) << bad.width << " x " << bad.height;
  }
  for (CGSize edge : {CGSize{1, 1}, CGSize{16384, 1}, CGSize{1, 16384}})
  {
    layer.setDrawableSize(edge);
    const std::shared_ptr<CAMetalDrawable> drawable = layer.nextDrawable();
    ASSERT_NE(drawable, nullptr) << edge.width << " x " << edge.height;
    EXPECT_EQ(drawable->texture()->width() * drawable->texture()->height(), NSUInteger(edge.width * edge.height));
  }
  layer.setDrawableSize(CGSize{4, 3});
  std::shared_ptr<CAMetalDrawable> d[3];
  for (auto& drawable : d)
  {
    EXPECT_FALSE(layer.nextDrawableWouldWait());
    drawable = layer.nextDrawable();
    ASSERT_NE(drawable, nullptr);
    EXPECT_EQ(drawable->texture()->width(), 4u);
    EXPECT_EQ(drawable->texture()->height(), 3u);
    EXPECT_EQ(drawable->texture()->pixelFormat(), MTLPixelFormatBGRA8Unorm);
  }
  EXPECT_NE(d[0]->texture(), d[1]->texture());
  EXPECT_NE(d[1]->texture(), d[2]->texture());
  EXPECT_NE(d[0]->texture(), d[2]->texture());
  EXPECT_TRUE(layer.nextDrawableWouldWait());
  EXPECT_EQ(layer.displayedTexture(), nullptr);
  EXPECT_EQ(layer.presentedCount(), 0);
  const std::shared_ptr<MTLTexture> first = d[0]->texture(), second = d[1]->texture();
  d[1]->present();
  EXPECT_EQ(layer.displayedTexture(), second);
  EXPECT_EQ(layer.presentedCount(), 1);
  d[1].reset();
  EXPECT_TRUE(layer.nextDrawableWouldWait()) << "the drawable let go of is on display";
  d[0].reset();
  EXPECT_FALSE(layer.nextDrawableWouldWait());
  std::shared_ptr<CAMetalDrawable> again = layer.nextDrawable();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->texture(), first) << "a drawable of an unchanged size keeps its texture";
  EXPECT_TRUE(layer.nextDrawableWouldWait());
  again->present();
  EXPECT_EQ(layer.displayedTexture(), first);
  EXPECT_EQ(layer.presentedCount(), 2);
  EXPECT_FALSE(layer.nextDrawableWouldWait()) << "the one on display before is free again";
  std::shared_ptr<CAMetalDrawable> next = layer.nextDrawable();
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->texture(), second);
  // The first drawable, free again and reserved while the other two are busy, is ready without a wait.
  next->present();
  next.reset();
  again.reset();
  EXPECT_EQ(layer.reserveNextDrawable(1), 0);
  EXPECT_FALSE(layer.nextDrawableWouldWait());
  next = layer.nextDrawable();
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->texture(), first);
  EXPECT_TRUE(layer.nextDrawableWouldWait());
}

// A reservation picks the drawable the next nextDrawable hands out and labels what it shows once presented; it
// answers the label of what that drawable shows now: 0 for one new, remade for a new size, or handed out without a
// label.
TEST(MetalLayer, AReservedDrawableIsHandedOutNextAndTellsWhatItShowsNow)
{
  CAMetalLayer layer;
  layer.setDevice(MTLCreateSystemDefaultDevice());
  layer.setDrawableSize(CGSize{4, 4});
  // Takes the next drawable and presents it.
  auto show = [&](const char* what) {
    std::shared_ptr<CAMetalDrawable> d = layer.nextDrawable();
    ASSERT_NE(d, nullptr) << what;
    d->present();
  };
  EXPECT_EQ(layer.reserveNextDrawable(1), 0) << "a new drawable";
  show("first");
  EXPECT_EQ(layer.reserveNextDrawable(2), 0) << "another new one (the first is on display)";
  show("second");
  EXPECT_EQ(layer.reserveNextDrawable(3), 1);
  show("the first again");
  EXPECT_EQ(layer.reserveNextDrawable(9), 2);
  show("the second again");
  EXPECT_EQ(layer.reserveNextDrawable(4), 3);
  layer.setDrawableSize(CGSize{5, 5});
  show("the first, remade after its reservation");
  EXPECT_EQ(layer.displayedTexture()->width(), 5u);
  EXPECT_EQ(layer.reserveNextDrawable(5), 0) << "the second, remade for the new size";
  show("the second at the new size");
  EXPECT_EQ(layer.reserveNextDrawable(6), 0) << "the first showed what its reservation did not prepare for";
  show("the first at the new size");
  EXPECT_EQ(layer.reserveNextDrawable(7), 5);
  show("the second, as reserved");
  EXPECT_EQ(layer.reserveNextDrawable(8), 6);
  std::shared_ptr<CAMetalDrawable> unlabelled = layer.nextDrawable();
  ASSERT_NE(unlabelled, nullptr);
  unlabelled.reset(); // let go of without being presented: the first still shows 6
  EXPECT_EQ(layer.reserveNextDrawable(10), 6);
}

// Times count nanoseconds: one made from another is moved by the delta, never to 0 (which means "now") or below,
// and "forever" stays forever. Data objects copy their bytes. A semaphore counts: a wait takes what a signal gave,
// a wait on none times out once its deadline has passed, and a negative count makes no semaphore.
TEST(MetalDispatch, TimesMoveByTheirDeltaDataIsCopiedAndSemaphoresCount)
{
  EXPECT_EQ(dispatch_time(1000, 500), 1500u);
  EXPECT_EQ(dispatch_time(1000, -400), 600u);
  EXPECT_EQ(dispatch_time(1000, -1000), 1u);
  EXPECT_EQ(dispatch_time(1000, -5000), 1u);
  EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER, 5), DISPATCH_TIME_FOREVER);
  EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER, -5), DISPATCH_TIME_FOREVER);
  const dispatch_time_t now = dispatch_time(DISPATCH_TIME_NOW, 0);
  EXPECT_GT(now, 1u);
  EXPECT_GE(dispatch_time(DISPATCH_TIME_NOW, 1000000000), now + 1000000000);

  const char bytes[] = {1, 2, 3};
  EXPECT_EQ(dispatch_data_create(bytes, 3)->bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_TRUE(dispatch_data_create(bytes, 0)->bytes.empty());
  // No bytes to copy from make empty data (in a process of its own, so that a bad read fails only this check).
  testsupport::ExpectInFreshProcess([] { return dispatch_data_create(nullptr, 3)->bytes.empty(); });

  EXPECT_EQ(dispatch_semaphore_create(-1), nullptr);
  EXPECT_NE(dispatch_semaphore_wait(nullptr, DISPATCH_TIME_NOW), 0);
  EXPECT_EQ(dispatch_semaphore_signal(nullptr), 0);
  const dispatch_semaphore_t none = dispatch_semaphore_create(0), two = dispatch_semaphore_create(2);
  ASSERT_NE(none, nullptr);
  ASSERT_NE(two, nullptr);
  ASSERT_NE(dispatch_semaphore_wait(none, DISPATCH_TIME_NOW), 0) << "the waits below would never end";
  EXPECT_NE(dispatch_semaphore_wait(none, dispatch_time(DISPATCH_TIME_NOW, -1000)), 0) << "a deadline passed";
  const dispatch_time_t deadline = dispatch_time(DISPATCH_TIME_NOW, 20000000);
  EXPECT_NE(dispatch_semaphore_wait(none, deadline), 0);
  EXPECT_GE(dispatch_time(DISPATCH_TIME_NOW, 0), deadline) << "a wait on none gives up at its deadline, not before";
  EXPECT_EQ(dispatch_semaphore_signal(none), 0);
  EXPECT_EQ(dispatch_semaphore_signal(none), 0);
  ASSERT_EQ(dispatch_semaphore_wait(none, DISPATCH_TIME_NOW), 0) << "the wait below would never end";
  EXPECT_EQ(dispatch_semaphore_wait(none, DISPATCH_TIME_FOREVER), 0);
  EXPECT_NE(dispatch_semaphore_wait(none, DISPATCH_TIME_NOW), 0);
  EXPECT_EQ(dispatch_semaphore_wait(two, DISPATCH_TIME_NOW), 0);
  EXPECT_EQ(dispatch_semaphore_wait(two, dispatch_time(DISPATCH_TIME_NOW, -1000)), 0);
  EXPECT_NE(dispatch_semaphore_wait(two, DISPATCH_TIME_NOW), 0);
}

// A queue let go by a completed handler of its own, on its worker thread, still runs the buffer committed behind,
// and the process goes on: run in a fresh one, so that an end by a signal is seen as a failure of this test.
TEST(MetalQueue, AQueueLetGoWhileItRunsStillRunsTheBuffersCommittedBehind)
{
  testsupport::ExpectInFreshProcess([] {
    std::shared_ptr<MTLCommandQueue> queue = MTLCreateSystemDefaultDevice()->newCommandQueue();
    const auto first = queue->commandBuffer(), second = queue->commandBuffer();
    const dispatch_semaphore_t done = dispatch_semaphore_create(0);
    first->enqueue();
    second->addCompletedHandler([done](MTLCommandBuffer*) { dispatch_semaphore_signal(done); });
    second->commit();
    first->addCompletedHandler([&queue](MTLCommandBuffer*) { queue.reset(); });
    first->commit();
    if (dispatch_semaphore_wait(done, dispatch_time(DISPATCH_TIME_NOW, 20000000000)) != 0)
      return false;
    second->waitUntilCompleted();
    return second->status() == MTLCommandBufferStatusCompleted;
  });
}

// Waiting for a buffer to be scheduled ends once the queue has taken it, after the buffer held in front of it; a
// buffer never committed would never be, and the wait on it ends at once.
TEST(MetalQueue, WaitingUntilScheduledEndsOnceTheQueueHasTakenTheBuffer)
{
  std::shared_ptr<MTLCommandQueue> queue = MTLCreateSystemDefaultDevice()->newCommandQueue();
  const auto front = queue->commandBuffer(), behind = queue->commandBuffer(), idle = queue->commandBuffer();
  front->enqueue();
  behind->commit();
  std::thread release([&front] { front->commit(); });
  behind->waitUntilScheduled();
  EXPECT_GE(behind->status(), MTLCommandBufferStatusScheduled);
  release.join();
  idle->waitUntilScheduled();
  EXPECT_EQ(idle->status(), MTLCommandBufferStatusNotEnqueued);
  behind->waitUntilCompleted();
}

// The device refuses what it cannot make: textures of no known format, of no size or larger than 16384 a side, and
// pipelines with no vertex function, a fragment entry that is no fragment function or a colour format no colour
// target has; a refused pipeline sets the error it is given.
TEST(MetalDevice, TexturesAndPipelinesItCannotMakeAreRefused)
{
  Rig rig;
  const auto texture = [&](MTLPixelFormat format, NSUInteger w, NSUInteger h) {
    return rig.device->newTextureWithDescriptor(MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(format, w, h, false));
  };
  EXPECT_EQ(texture(MTLPixelFormatInvalid, 4, 4), nullptr);
  for (NSUInteger size : {NSUInteger(0), NSUInteger(16385)})
  {
    EXPECT_EQ(texture(MTLPixelFormatRGBA8Unorm, size, 4), nullptr) << size;
    EXPECT_EQ(texture(MTLPixelFormatRGBA8Unorm, 4, size), nullptr) << size;
  }
  EXPECT_NE(texture(MTLPixelFormatR8Unorm, 16384, 1), nullptr);
  EXPECT_NE(texture(MTLPixelFormatR8Unorm, 1, 16384), nullptr);
  // A region fits up to the texture's edges, an empty one on the edge too; one texel more does not.
  const auto four = texture(MTLPixelFormatRGBA8Unorm, 4, 4);
  EXPECT_TRUE(four->regionFits(MTLRegionMake2D(0, 0, 4, 4)));
  EXPECT_TRUE(four->regionFits(MTLRegionMake2D(4, 4, 0, 0)));
  for (const MTLRegion r : {MTLRegionMake2D(5, 0, 0, 4), MTLRegionMake2D(0, 5, 4, 0), MTLRegionMake2D(1, 0, 4, 4),
                            MTLRegionMake2D(0, 1, 4, 4)})
    EXPECT_FALSE(four->regionFits(r)) << r.origin.x << ", " << r.origin.y;

  const std::shared_ptr<MTLFunction> vertex = rig.library->newFunctionWithName("testPositions"),
                                     fragment = rig.library->newFunctionWithName("testHalfWhite");
  const struct
  {
    std::shared_ptr<MTLFunction> vertex, fragment;
    MTLPixelFormat colour;
    bool made;
  } cases[] = {
    {vertex, fragment, MTLPixelFormatRGBA8Unorm, true},   {vertex, nullptr, MTLPixelFormatInvalid, true},
    {vertex, fragment, MTLPixelFormatBGRA8Unorm, true},   {vertex, fragment, MTLPixelFormatR8Unorm, true},
    {nullptr, fragment, MTLPixelFormatRGBA8Unorm, false}, {fragment, fragment, MTLPixelFormatRGBA8Unorm, false},
    {vertex, vertex, MTLPixelFormatRGBA8Unorm, false},    {vertex, fragment, MTLPixelFormatStencil8, false},
  };
  for (const auto& k : cases)
  {
    MTLRenderPipelineDescriptor d;
    d.vertexFunction = k.vertex, d.fragmentFunction = k.fragment;
    d.colorAttachments[0].pixelFormat = k.colour;
    NSError* error = nullptr;
    EXPECT_EQ(rig.device->newRenderPipelineStateWithDescriptor(d, &error) != nullptr, k.made)
      << (k.vertex ? k.vertex->name : "none") << " " << (k.fragment ? k.fragment->name : "none") << " " << k.colour;
    EXPECT_EQ(error != nullptr, !k.made) << (k.vertex ? k.vertex->name : "none") << " " << k.colour;
  }
}

} // namespace
