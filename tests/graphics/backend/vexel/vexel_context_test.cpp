// The Vexel context: creation, frames and the font-atlas compaction, the state stack, transforms, colours, paints,
// scissor and composite operations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "recording_renderer.h"

namespace {

using vxtest::Context;
using vxtest::Recorder;

constexpr float kPi = 3.14159265358979323846f;

TEST(VexelContext, CreationMakesTheFirstFontAtlas)
{
  Recorder r;
  {
    Context c(r);
    ASSERT_NE(c.ctx, nullptr);
    EXPECT_EQ(c.ctx->nstates, 1);
    EXPECT_FLOAT_EQ(c.ctx->tessTol, 0.25f);
    EXPECT_FLOAT_EQ(c.ctx->distTol, 0.01f);
    EXPECT_FLOAT_EQ(c.ctx->fringeWidth, 1.0f);
    ASSERT_NE(c.ctx->fontImages[0], 0);
    const auto& t = r.textures.at(c.ctx->fontImages[0]);
    EXPECT_EQ(t.type, VX_TEXTURE_ALPHA);
    EXPECT_EQ(t.width, 512);
    EXPECT_EQ(t.height, 512);
  }
  EXPECT_TRUE(r.textures.empty());
  EXPECT_EQ(r.deletes, 1);
}

TEST(VexelContext, CreationFailsWhenTheBackEndRefuses)
{
  Recorder refuses;
  refuses.failCreate = true;
  Context a(refuses);
  EXPECT_EQ(a.ctx, nullptr);

  Recorder noTextures;
  noTextures.failTextures = true;
  Context b(noTextures);
  EXPECT_EQ(b.ctx, nullptr);
  EXPECT_EQ(noTextures.deletes, 1);
  EXPECT_EQ(vxCreateContext(nullptr), nullptr);
}

TEST(VexelFrame, BeginResetsStateAndSetsTolerancesFromTheRatio)
{
  Recorder r;
  Context c(r);
  vxSaveState(c.ctx);
  vxSetStrokeWidth(c.ctx, 9);
  c.ctx->fillTriCount = 5;
  vxBeginFrame(c.ctx, 300, 200, 2.0f);
  EXPECT_EQ(c.ctx->nstates, 1);
  EXPECT_EQ(vxGetState(c.ctx)->strokeWidth, 1.0f);
  EXPECT_FLOAT_EQ(c.ctx->tessTol, 0.125f);
  EXPECT_FLOAT_EQ(c.ctx->distTol, 0.005f);
  EXPECT_FLOAT_EQ(c.ctx->fringeWidth, 0.5f);
  EXPECT_EQ(c.ctx->fillTriCount, 0);
  EXPECT_EQ(r.viewports, 1);
  EXPECT_EQ(r.viewport[0], 300.0f);
  EXPECT_EQ(r.viewport[2], 2.0f);

  // A ratio that is no positive number counts as 1.
  for (float bad : {0.0f, -2.0f, NAN, INFINITY})
  {
    vxBeginFrame(c.ctx, 300, 200, bad);
    EXPECT_FLOAT_EQ(c.ctx->fringeWidth, 1.0f);
  }
  vxCancelFrame(c.ctx);
  EXPECT_EQ(r.cancels, 1);
}

TEST(VexelFrame, EndKeepsTheNewestAtlasAsImageZero)
{
  Recorder r;
  Context c(r);
  VXrenderParams p = r.Params();
  int P = c.ctx->fontImages[0];
  int Q = p.renderCreateTexture(&r, VX_TEXTURE_ALPHA, 1024, 512, 0, nullptr);
  int R = p.renderCreateTexture(&r, VX_TEXTURE_ALPHA, 1024, 1024, 0, nullptr);
  c.ctx->fontImages[1] = Q;
  c.ctx->fontImages[2] = R;
  c.ctx->fontImageIdx = 2;
  vxEndFrame(c.ctx);
  EXPECT_EQ(r.flushes, 1);
  EXPECT_EQ(c.ctx->fontImages[0], R);
  EXPECT_EQ(c.ctx->fontImages[1], 0);
  EXPECT_EQ(c.ctx->fontImages[2], 0);
  EXPECT_EQ(c.ctx->fontImageIdx, 0);
  EXPECT_EQ(r.textures.count(P), 0u);
  EXPECT_EQ(r.textures.count(Q), 0u);
  EXPECT_EQ(r.textures.count(R), 1u);

  // With index 0 nothing changes.
  vxEndFrame(c.ctx);
  EXPECT_EQ(c.ctx->fontImages[0], R);
  EXPECT_EQ(r.deletedTextures.size(), 2u);
}

TEST(VexelFrame, EndKeepsOlderAtlasesAsLargeAsTheNewest)
{
  Recorder r;
  Context c(r);
  VXrenderParams p = r.Params();
  int P = c.ctx->fontImages[0];
  int Q = p.renderCreateTexture(&r, VX_TEXTURE_ALPHA, 512, 512, 0, nullptr);
  c.ctx->fontImages[1] = Q;
  c.ctx->fontImageIdx = 1;
  vxEndFrame(c.ctx);
  EXPECT_EQ(c.ctx->fontImages[0], Q);
  EXPECT_EQ(c.ctx->fontImages[1], P);
  EXPECT_EQ(c.ctx->fontImageIdx, 0);
}

TEST(VexelState, TheStackHoldsThirtyTwoStatesAndNeverPopsTheLast)
{
  Recorder r;
  Context c(r);
  for (int i = 0; i < 40; ++i) vxSaveState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 32);
  vxRestoreState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 31);
  for (int i = 0; i < 40; ++i) vxRestoreState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 1);

  vxSetStrokeWidth(c.ctx, 3);
  vxRestoreState(c.ctx);
  EXPECT_EQ(vxGetState(c.ctx)->strokeWidth, 3.0f);
  vxSaveState(c.ctx);
  vxSetStrokeWidth(c.ctx, 7);
  vxRestoreState(c.ctx);
  EXPECT_EQ(vxGetState(c.ctx)->strokeWidth, 3.0f);
}

TEST(VexelState, ResetGivesTheDefaults)
{
  Recorder r;
  Context c(r);
  vxSetMiterLimit(c.ctx, 1);
  vxSetLineCap(c.ctx, VX_ROUND);
  vxSetFontSize(c.ctx, 40);
  vxResetState(c.ctx);
  const VXstate* s = vxGetState(c.ctx);
  EXPECT_EQ(s->fill.innerColor.r, 1.0f);
  EXPECT_EQ(s->stroke.innerColor.r, 0.0f);
  EXPECT_EQ(s->stroke.innerColor.a, 1.0f);
  EXPECT_EQ(s->fill.feather, 1.0f);
  EXPECT_EQ(s->compositeOperation.srcRGB, VX_ONE);
  EXPECT_EQ(s->compositeOperation.dstAlpha, VX_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(s->shapeAntiAlias, 1);
  EXPECT_EQ(s->miterLimit, 10.0f);
  EXPECT_EQ(s->lineJoin, VX_MITER);
  EXPECT_EQ(s->lineCap, VX_BUTT);
  EXPECT_EQ(s->scissor.extent[0], -1.0f);
  EXPECT_EQ(s->fontSize, 16.0f);
  EXPECT_EQ(s->lineHeight, 1.0f);
  EXPECT_EQ(s->textAlign, 65);
  EXPECT_EQ(s->fontId, 0);
}

TEST(VexelTransform, OperationsApplyNewestFirst)
{
  Recorder r;
  Context c(r);
  vxTranslate(c.ctx, 10, 0);
  vxScale(c.ctx, 2, 3);
  float t[6];
  vxGetCurrentTransform(c.ctx, t);
  float x, y;
  vxMatrixTransformPoint(&x, &y, t, 1, 1);
  EXPECT_FLOAT_EQ(x, 12.0f); // scaled, then translated
  EXPECT_FLOAT_EQ(y, 3.0f);
  vxRotate(c.ctx, kPi / 2);
  vxGetCurrentTransform(c.ctx, t);
  vxMatrixTransformPoint(&x, &y, t, 1, 0);
  EXPECT_NEAR(x, 10.0f, 1e-5);
  EXPECT_NEAR(y, 3.0f, 1e-5);
  vxResetTransform(c.ctx);
  vxSkewX(c.ctx, kPi / 4);
  vxGetCurrentTransform(c.ctx, t);
  EXPECT_NEAR(t[2], 1.0f, 1e-6);
  vxResetTransform(c.ctx);
  vxSkewY(c.ctx, kPi / 4);
  vxMultiplyTransform(c.ctx, 1, 0, 0, 1, 5, 6);
  vxGetCurrentTransform(c.ctx, t);
  EXPECT_NEAR(t[1], 1.0f, 1e-6);
  EXPECT_NEAR(t[4], 5.0f, 1e-6);
  EXPECT_NEAR(t[5], 11.0f, 1e-5);
  vxGetCurrentTransform(c.ctx, nullptr);
  EXPECT_FLOAT_EQ(vxDegreesToRadians(180), kPi);
  EXPECT_FLOAT_EQ(vxRadiansToDegrees(kPi / 2), 90.0f);
}

TEST(VexelColor, ConversionsAndHsl)
{
  VXcolor c = vxColorFromBytes(255, 0, 51, 102);
  EXPECT_FLOAT_EQ(c.r, 1.0f);
  EXPECT_FLOAT_EQ(c.b, 0.2f);
  EXPECT_FLOAT_EQ(c.a, 0.4f);
  EXPECT_EQ(vxColorFromBytesOpaque(1, 2, 3).a, 1.0f);
  EXPECT_EQ(vxColorFromFloatsOpaque(0.1f, 0.2f, 0.3f).a, 1.0f);
  EXPECT_FLOAT_EQ(vxColorWithAlphaByte(c, 51).a, 0.2f);
  EXPECT_EQ(vxColorWithAlpha(c, 0.7f).a, 0.7f);
  VXcolor l = vxLerpColor(vxColorFromFloats(0, 0, 0, 0), vxColorFromFloats(1, 1, 1, 1), 3.0f);
  EXPECT_EQ(l.r, 1.0f);
  l = vxLerpColor(vxColorFromFloats(0, 0, 0, 0), vxColorFromFloats(1, 1, 1, 1), 0.25f);
  EXPECT_FLOAT_EQ(l.g, 0.25f);

  struct Case
  {
    float h, s, l, r, g, b;
  } cases[] = {
    {0.0f, 1.0f, 0.5f, 1, 0, 0},
    {1.0f / 3.0f, 1.0f, 0.5f, 0, 1, 0},
    {2.0f / 3.0f, 1.0f, 0.5f, 0, 0, 1},
    {-1.0f / 3.0f, 1.0f, 0.5f, 0, 0, 1}, // negative hue wraps
    {0.25f, 0.0f, 0.3f, 0.3f, 0.3f, 0.3f},
    {0.0f, 5.0f, 2.0f, 1, 1, 1}, // clamped saturation and lightness
  };
  for (const Case& k : cases)
  {
    VXcolor h = vxColorFromHsla(k.h, k.s, k.l, 128);
    EXPECT_NEAR(h.r, k.r, 1e-5) << k.h;
    EXPECT_NEAR(h.g, k.g, 1e-5) << k.h;
    EXPECT_NEAR(h.b, k.b, 1e-5) << k.h;
    EXPECT_FLOAT_EQ(h.a, 128 / 255.0f);
  }
  EXPECT_EQ(vxColorFromHsl(0.5f, 0.5f, 0.5f).a, 1.0f);
}

TEST(VexelPaint, GradientsAndPatterns)
{
  Recorder r;
  Context c(r);
  VXcolor a = vxColorFromFloats(1, 0, 0, 1), b = vxColorFromFloats(0, 0, 1, 1);

  VXpaint lin = vxMakeLinearGradient(c.ctx, 0, 0, 30, 40, a, b);
  EXPECT_FLOAT_EQ(lin.xform[0], 0.8f);
  EXPECT_FLOAT_EQ(lin.xform[1], -0.6f);
  EXPECT_FLOAT_EQ(lin.extent[1], 1e5f + 25.0f);
  EXPECT_FLOAT_EQ(lin.feather, 50.0f);

  VXpaint degenerate = vxMakeLinearGradient(c.ctx, 5, 5, 5, 5, a, b);
  EXPECT_EQ(degenerate.xform[0], 1.0f); // direction (0, 1)
  EXPECT_EQ(degenerate.xform[2], 0.0f);
  EXPECT_EQ(degenerate.feather, 1.0f);
  EXPECT_FLOAT_EQ(degenerate.xform[5], 5.0f - 1e5f);

  VXpaint rad = vxMakeRadialGradient(c.ctx, 10, 20, 4, 8, a, b);
  EXPECT_EQ(rad.radius, 6.0f);
  EXPECT_EQ(rad.extent[0], 6.0f);
  EXPECT_EQ(rad.feather, 4.0f);
  EXPECT_EQ(rad.xform[4], 10.0f);
  EXPECT_EQ(vxMakeRadialGradient(c.ctx, 0, 0, 5, 5, a, b).feather, 1.0f);

  VXpaint box = vxMakeBoxGradient(c.ctx, 10, 20, 100, 50, 6, 0, a, b);
  EXPECT_EQ(box.feather, 1.0f);
  EXPECT_EQ(box.xform[4], 60.0f);
  EXPECT_EQ(box.xform[5], 45.0f);
  EXPECT_EQ(box.extent[1], 25.0f);
  EXPECT_EQ(box.radius, 6.0f);

  VXpaint img = vxMakeImagePattern(c.ctx, 3, 4, 64, 32, 0, 9, 0.5f);
  EXPECT_EQ(img.image, 9);
  EXPECT_EQ(img.innerColor.a, 0.5f);
  EXPECT_EQ(img.outerColor.r, 1.0f);
  EXPECT_EQ(img.xform[4], 3.0f);
  EXPECT_EQ(img.extent[0], 64.0f);
  EXPECT_EQ(lin.image, 0);

  // A paint set through the state follows the current transform.
  vxTranslate(c.ctx, 100, 0);
  vxSetFillPaint(c.ctx, box);
  EXPECT_EQ(vxGetState(c.ctx)->fill.xform[4], 160.0f);
  vxSetStrokePaint(c.ctx, box);
  EXPECT_EQ(vxGetState(c.ctx)->stroke.xform[4], 160.0f);
  vxSetFillColor(c.ctx, a);
  EXPECT_EQ(vxGetState(c.ctx)->fill.xform[4], 0.0f);
  EXPECT_EQ(vxGetState(c.ctx)->fill.outerColor.r, 1.0f);
}

TEST(VexelScissor, SetClampsNegativeSizes)
{
  Recorder r;
  Context c(r);
  vxSetScissor(c.ctx, 10, 20, -5, 40);
  const VXscissor& s = vxGetState(c.ctx)->scissor;
  EXPECT_EQ(s.extent[0], 0.0f);
  EXPECT_EQ(s.extent[1], 20.0f);
  EXPECT_EQ(s.xform[4], 10.0f);
  EXPECT_EQ(s.xform[5], 40.0f);
  vxResetScissor(c.ctx);
  EXPECT_EQ(vxGetState(c.ctx)->scissor.extent[0], -1.0f);
  EXPECT_EQ(vxGetState(c.ctx)->scissor.xform[0], 0.0f);
}

TEST(VexelScissor, IntersectionUnderRotationUsesTheBoundsOfTheOldScissor)
{
  Recorder r;
  Context c(r);
  // Without a scissor, intersecting sets one.
  vxIntersectScissor(c.ctx, 0, 0, 100, 100);
  EXPECT_EQ(vxGetState(c.ctx)->scissor.extent[0], 50.0f);

  // In a frame turned by 45 degrees about the square's centre, the old square's bounds are 141.4 wide.
  vxTranslate(c.ctx, 50, 50);
  vxRotate(c.ctx, kPi / 4);
  vxIntersectScissor(c.ctx, -1000, -1000, 2000, 2000);
  const VXscissor& s = vxGetState(c.ctx)->scissor;
  EXPECT_NEAR(s.extent[0], 70.7107f, 1e-3);
  EXPECT_NEAR(s.extent[1], 70.7107f, 1e-3);
  EXPECT_NEAR(s.xform[4], 50.0f, 1e-4); // centre maps back to the square's centre
  EXPECT_NEAR(s.xform[5], 50.0f, 1e-4);
  EXPECT_NEAR(s.xform[0], std::cos(kPi / 4), 1e-6);
  EXPECT_NEAR(s.xform[1], std::sin(kPi / 4), 1e-6);

  // A smaller rectangle inside wins; one outside leaves an empty scissor.
  vxIntersectScissor(c.ctx, -10, -20, 30, 40);
  EXPECT_NEAR(vxGetState(c.ctx)->scissor.extent[0], 15.0f, 1e-4);
  EXPECT_NEAR(vxGetState(c.ctx)->scissor.extent[1], 20.0f, 1e-4);
  vxIntersectScissor(c.ctx, 500, 500, 10, 10);
  EXPECT_EQ(vxGetState(c.ctx)->scissor.extent[0], 0.0f);
  EXPECT_EQ(vxGetState(c.ctx)->scissor.extent[1], 0.0f);
}

TEST(VexelScissor, ASingularTransformInvertsToTheIdentity)
{
  float inv[6];
  const float singular[6] = {1, 2, 2, 4, 5, 6};
  EXPECT_EQ(vxMatrixInverse(inv, singular), 0);
  EXPECT_EQ(inv[0], 1.0f);
  EXPECT_EQ(inv[4], 0.0f);
  const float t[6] = {2, 0, 0, 4, 6, 8};
  EXPECT_EQ(vxMatrixInverse(inv, t), 1);
  EXPECT_FLOAT_EQ(inv[0], 0.5f);
  EXPECT_FLOAT_EQ(inv[5], -2.0f);
}

TEST(VexelComposite, OperationTable)
{
  struct Row
  {
    int op, src, dst;
  } table[] = {
    {VX_SOURCE_OVER, VX_ONE, VX_ONE_MINUS_SRC_ALPHA},
    {VX_SOURCE_IN, VX_DST_ALPHA, VX_ZERO},
    {VX_SOURCE_OUT, VX_ONE_MINUS_DST_ALPHA, VX_ZERO},
    {VX_ATOP, VX_DST_ALPHA, VX_ONE_MINUS_SRC_ALPHA},
    {VX_DESTINATION_OVER, VX_ONE_MINUS_DST_ALPHA, VX_ONE},
    {VX_DESTINATION_IN, VX_ZERO, VX_SRC_ALPHA},
    {VX_DESTINATION_OUT, VX_ZERO, VX_ONE_MINUS_SRC_ALPHA},
    {VX_DESTINATION_ATOP, VX_ONE_MINUS_DST_ALPHA, VX_SRC_ALPHA},
    {VX_LIGHTER, VX_ONE, VX_ONE},
    {VX_COPY, VX_ONE, VX_ZERO},
    {VX_XOR, VX_ONE_MINUS_DST_ALPHA, VX_ONE_MINUS_SRC_ALPHA},
    {11, VX_ONE, VX_ZERO},
    {-1, VX_ONE, VX_ZERO},
  };
  Recorder r;
  Context c(r);
  for (const Row& row : table)
  {
    vxSetCompositeOperation(c.ctx, row.op);
    const VXcompositeOperationState& s = vxGetState(c.ctx)->compositeOperation;
    EXPECT_EQ(s.srcRGB, row.src) << row.op;
    EXPECT_EQ(s.dstRGB, row.dst) << row.op;
    EXPECT_EQ(s.srcAlpha, row.src) << row.op;
    EXPECT_EQ(s.dstAlpha, row.dst) << row.op;
  }
  EXPECT_EQ(VX_SRC_ALPHA_SATURATE, 1024);
  vxSetBlendFactors(c.ctx, VX_SRC_COLOR, VX_DST_COLOR);
  EXPECT_EQ(vxGetState(c.ctx)->compositeOperation.srcAlpha, VX_SRC_COLOR);
  vxSetBlendFactorsSeparate(c.ctx, VX_SRC_COLOR, VX_ONE_MINUS_SRC_COLOR, VX_ONE, VX_ONE_MINUS_DST_COLOR);
  EXPECT_EQ(vxGetState(c.ctx)->compositeOperation.dstRGB, VX_ONE_MINUS_SRC_COLOR);
  EXPECT_EQ(vxGetState(c.ctx)->compositeOperation.dstAlpha, VX_ONE_MINUS_DST_COLOR);
}

} // namespace
