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

} // namespace
