// The Vexel context: the state stack and the order transforms apply in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "recording_renderer.h"

namespace {

using vxtest::Context;
using vxtest::Recorder;

constexpr float kPi = 3.14159265358979323846f;

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

} // namespace
