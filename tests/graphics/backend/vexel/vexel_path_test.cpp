// Vexel paths: the command buffer, derived shapes, transforms, flattening, the exact vertex lists of fills and
// strokes, and scissors as they reach the back end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "image_decoder.h"
#include "recording_renderer.h"

namespace {

using vxtest::AllFinite;
using vxtest::Context;
using vxtest::RecordedCall;
using vxtest::Recorder;

constexpr float kPi = 3.14159265358979323846f;

struct V
{
  float x, y, u, v;
};

void ExpectVertices(const std::vector<VXvertex>& got, const std::vector<V>& want, const char* what)
{
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < want.size(); ++i)
  {
    EXPECT_NEAR(got[i].x, want[i].x, 1e-3) << what << " vertex " << i;
    EXPECT_NEAR(got[i].y, want[i].y, 1e-3) << what << " vertex " << i;
    EXPECT_NEAR(got[i].u, want[i].u, 1e-6) << what << " vertex " << i;
    EXPECT_NEAR(got[i].v, want[i].v, 1e-6) << what << " vertex " << i;
  }
}

std::vector<VXpoint> Points(VXcontext* ctx, int path = 0)
{
  const VXpath& p = ctx->cache->paths[path];
  return std::vector<VXpoint>(ctx->cache->points + p.first, ctx->cache->points + p.first + p.count);
}

struct PathTest : ::testing::Test
{
  Recorder r;
  Context c{r};
  VXcontext* ctx = c.ctx;
  void SetUp() override { vxBeginFrame(ctx, 800, 600, 1.0f); }
};

// The vertex scratch grows to hold whatever is asked of it, and keeps what it has for smaller asks. (First, so that
// a scratch too small is seen here before any expansion writes past it.)
TEST_F(PathTest, TheVertexScratchHoldsEveryVertexAskedFor)
{
  for (const int count : {0, 1, 255, 256, 257, 1000, 4097, 300, 70000})
  {
    VXvertex* verts = vxAllocTempVerts(ctx, count);
    ASSERT_NE(verts, nullptr) << count;
    ASSERT_GE(ctx->cache->cverts, count); // before a vertex is written
    for (int i = 0; i < count; ++i) verts[i] = VXvertex{float(i), 0, 0, 0};
  }
  EXPECT_EQ(vxAllocTempVerts(ctx, -1), nullptr);
}

// The dump of the path cache lists each path of the last fill with the vertices the back end was handed.
TEST_F(PathTest, TheCacheDumpListsEachPathWithTheVerticesDrawn)
{
  vxBeginPath(ctx);
  // In a child, so a dump that faults fails the check rather than the whole program.
  auto dumps = [&](const std::string& want) {
    ::testing::internal::CaptureStdout();
    vxDumpPathCache(ctx);
    return ::testing::internal::GetCapturedStdout() == want;
  };
  // A path just begun holds none yet.
  EXPECT_EXIT(std::exit(dumps("Dumping 0 cached paths\n") ? 0 : 1), ::testing::ExitedWithCode(0), "");
  vxRectPath(ctx, 10, 20, 30, 40);
  vxRectPath(ctx, 100, 110, 5, 6);
  vxFillPath(ctx);
  const vxtest::RecordedCall* fill = r.Last("fill");
  ASSERT_NE(fill, nullptr);
  ASSERT_EQ(fill->paths.size(), 2u);
  std::string want = "Dumping 2 cached paths\n";
  for (size_t i = 0; i < fill->paths.size(); ++i)
  {
    want += " - Path " + std::to_string(i) + "\n";
    for (const auto& [name, verts] : {std::make_pair("fill", &fill->paths[i].fill),
                                      std::make_pair("stroke", &fill->paths[i].stroke)})
    {
      if (verts->empty()) continue;
      want += std::string("   - ") + name + ": " + std::to_string(verts->size()) + "\n";
      for (const VXvertex& v : *verts)
      {
        char line[64];
        std::snprintf(line, sizeof line, "%f\t%f\n", v.x, v.y);
        want += line;
      }
    }
  }
  EXPECT_EXIT(std::exit(dumps(want) ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

TEST_F(PathTest, RoundedRectCornersStayInsideForNegativeSizes)
{
  struct Case
  {
    float x, y, w, h;
  } cases[] = {{100, 0, -50, 40}, {0, 100, 50, -40}, {100, 100, -50, -40}, {0, 0, 50, 40}};
  for (const Case& k : cases)
  {
    vxBeginPath(ctx);
    vxRoundedRectVaryingPath(ctx, k.x, k.y, k.w, k.h, 10, 30, 5, 100);
    vxFillPath(ctx);
    float minX = std::min(k.x, k.x + k.w), maxX = std::max(k.x, k.x + k.w);
    float miny = std::min(k.y, k.y + k.h), maxy = std::max(k.y, k.y + k.h);
    for (const VXpoint& p : Points(ctx))
    {
      EXPECT_GE(p.x, minX - 1e-3);
      EXPECT_LE(p.x, maxX + 1e-3);
      EXPECT_GE(p.y, miny - 1e-3);
      EXPECT_LE(p.y, maxy + 1e-3);
    }
    EXPECT_GT(Points(ctx).size(), 12u);
  }
}

TEST_F(PathTest, RoundedRectRadiiBeyondHalfTheShortSideAreClampedPerAxis)
{
  // Corners clamp to half the width across and half the height down: the outline touches each side between its two
  // corners, stays convex, and covers the rectangle less four elliptic corners.
  struct Case
  {
    float w, h;
    float top[2], bottom[2], left[2], right[2]; // where the outline runs along each side
  } cases[] = {
    {200, 40, {25, 170}, {100, 150}, {20, 20}, {20, 20}}, // wide
    {40, 200, {20, 20}, {20, 20}, {25, 100}, {30, 150}},  // tall
  };
  for (const Case& k : cases)
  {
    vxBeginPath(ctx);
    vxRoundedRectVaryingPath(ctx, 0, 0, k.w, k.h, 25, 30, 50, 100);
    vxFillPath(ctx);
    EXPECT_EQ(r.Last("fill")->paths[0].convex, 1) << k.w;
    const std::vector<VXpoint> pts = Points(ctx);
    float top[2] = {1e9f, -1e9f}, bottom[2] = {1e9f, -1e9f}, left[2] = {1e9f, -1e9f}, right[2] = {1e9f, -1e9f};
    auto note = [](float* span, float v) { span[0] = std::min(span[0], v), span[1] = std::max(span[1], v); };
    double area = 0;
    for (size_t i = 0; i < pts.size(); ++i)
    {
      const VXpoint& p = pts[i];
      const VXpoint& q = pts[(i + 1) % pts.size()];
      area += double(p.x) * q.y - double(q.x) * p.y;
      EXPECT_TRUE(p.x > -1e-3f && p.x < k.w + 1e-3f && p.y > -1e-3f && p.y < k.h + 1e-3f) << p.x << "," << p.y;
      if (std::fabs(p.y) < 1e-3f) note(top, p.x);
      if (std::fabs(p.y - k.h) < 1e-3f) note(bottom, p.x);
      if (std::fabs(p.x) < 1e-3f) note(left, p.y);
      if (std::fabs(p.x - k.w) < 1e-3f) note(right, p.y);
    }
    for (int e = 0; e < 2; ++e)
    {
      EXPECT_NEAR(top[e], k.top[e], 1e-3) << k.w << " top " << e;
      EXPECT_NEAR(bottom[e], k.bottom[e], 1e-3) << k.w << " bottom " << e;
      EXPECT_NEAR(left[e], k.left[e], 1e-3) << k.w << " left " << e;
      EXPECT_NEAR(right[e], k.right[e], 1e-3) << k.w << " right " << e;
    }
    // Each corner's quarter ellipse (radius 20 along the short side) leaves out (1 - pi / 4) of its box; the
    // flattened outline lies a little inside.
    const double corners = (1 - kPi / 4) * 20 * (25 + 30 + 50 + 100);
    EXPECT_NEAR(std::fabs(area) / 2, k.w * k.h - corners, 30) << k.w;
  }
}

TEST_F(PathTest, IntersectedScissorsMeetInWindowSpaceWhateverTheirShape)
{
  // The scissor a fill reaches the back end with, as a window rectangle: its transform applied to its corners.
  auto window = [&] {
    vxBeginPath(ctx);
    vxRectPath(ctx, 0, 0, 1, 1);
    vxFillPath(ctx);
    const VXscissor& s = r.Last("fill")->scissor;
    std::vector<float> box{1e9f, 1e9f, -1e9f, -1e9f};
    for (int c = 0; c < 4; ++c)
    {
      const float ex = c & 1 ? s.extent[0] : -s.extent[0], ey = c & 2 ? s.extent[1] : -s.extent[1];
      const float x = s.xform[0] * ex + s.xform[2] * ey + s.xform[4];
      const float y = s.xform[1] * ex + s.xform[3] * ey + s.xform[5];
      box[0] = std::min(box[0], x), box[1] = std::min(box[1], y);
      box[2] = std::max(box[2], x), box[3] = std::max(box[3], y);
    }
    return box;
  };
  struct Case
  {
    const char* name;
    float rotate, scaleX, scaleY; // the space the second rectangle is given in
    float first[4], second[4];    // x, y, w, h: the first in window space
    std::vector<float> want;      // left, top, right, bottom
  } cases[] = {
    {"wide and tall", 0, 1, 1, {10, 20, 100, 40}, {50, 0, 30, 200}, {50, 20, 80, 60}},
    {"tall and wide", 0, 1, 1, {50, 0, 30, 200}, {10, 20, 100, 40}, {50, 20, 80, 60}},
    {"scaled", 0, 2, 0.5f, {10, 20, 100, 40}, {0, 0, 40, 200}, {10, 20, 80, 60}},
    {"turned a quarter", kPi / 2, 1, 1, {10, 20, 100, 40}, {0, -70, 200, 200}, {10, 20, 70, 60}},
    {"turned and scaled", kPi / 2, 2, 0.5f, {10, 20, 100, 40}, {0, -100, 100, 200}, {10, 20, 50, 60}},
    {"apart", 0, 1, 1, {10, 20, 100, 40}, {200, 100, 10, 10}, {200, 100, 200, 100}},
    {"the first empty", 0, 1, 1, {10, 20, 0, 40}, {0, 0, 100, 100}, {10, 20, 10, 60}},
  };
  for (const Case& k : cases)
  {
    vxResetTransform(ctx);
    vxSetScissor(ctx, k.first[0], k.first[1], k.first[2], k.first[3]);
    vxRotate(ctx, k.rotate);
    vxScale(ctx, k.scaleX, k.scaleY);
    vxIntersectScissor(ctx, k.second[0], k.second[1], k.second[2], k.second[3]);
    const std::vector<float> got = window();
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], k.want[i], 1e-3) << k.name << " edge " << i;
  }
  // A reset scissor cuts nothing: a negative extent, and an intersection with it takes the new rectangle whole.
  vxResetScissor(ctx);
  window();
  EXPECT_EQ(r.Last("fill")->scissor.extent[0], -1.f);
  EXPECT_EQ(r.Last("fill")->scissor.extent[1], -1.f);
  vxResetTransform(ctx);
  vxIntersectScissor(ctx, 10, 20, 30, 40);
  const std::vector<float> whole = window();
  EXPECT_EQ(whole, (std::vector<float>{10, 20, 40, 60}));
}

TEST_F(PathTest, AMiterLongerThanTheLimitTimesTheWidthBecomesABevel)
{
  // A miter is as long as the width over the sine of half the angle between the segments: under a limit a little
  // shorter than that the join is drawn as a bevel, under one a little longer as a miter, turning either way; the
  // miter's tip lies that far out from the corner (the half width grown by half a pixel of fringe).
  struct Case
  {
    float turnDegrees, ratio;
  } cases[] = {{90, 1.41421f}, {-90, 1.41421f}, {120, 2}, {-120, 2}, {60, 1.15470f}, {150, 3.86370f}, {175, 22.9256f}};
  vxSetStrokeWidth(ctx, 10);
  for (const Case& k : cases)
  {
    auto stroke = [&](int join, float limit) {
      vxSetLineJoin(ctx, join);
      vxSetMiterLimit(ctx, limit);
      const float a = k.turnDegrees * kPi / 180;
      vxBeginPath(ctx);
      vxMoveTo(ctx, 0, -400);
      vxLineTo(ctx, 0, 0);
      vxLineTo(ctx, -400 * std::sin(a), 400 * std::cos(a));
      vxStrokePath(ctx);
      return r.Last("stroke")->paths[0].stroke.size();
    };
    const size_t bevel = stroke(VX_BEVEL, 100), miter = stroke(VX_MITER, 100);
    ASSERT_NE(bevel, miter) << k.turnDegrees;
    EXPECT_EQ(stroke(VX_MITER, k.ratio * 0.98f), bevel) << k.turnDegrees;
    EXPECT_EQ(stroke(VX_MITER, k.ratio * 1.02f), miter) << k.turnDegrees;
    float tip = 0; // the farthest vertex from the corner short of the segments' far ends
    for (const VXvertex& v : r.Last("stroke")->paths[0].stroke)
      if (std::hypot(v.x, v.y) < 300) tip = std::max(tip, std::hypot(v.x, v.y));
    EXPECT_NEAR(tip, k.ratio * 5.5f, 0.01f * k.ratio) << k.turnDegrees;
  }
  // A turn so sharp that the miter would reach 28.65 half widths out is held short of that, whatever the limit:
  // its tip lies 20.94 half widths out.
  vxSetLineJoin(ctx, VX_MITER);
  vxSetMiterLimit(ctx, 100);
  vxBeginPath(ctx);
  vxMoveTo(ctx, 0, -400);
  vxLineTo(ctx, 0, 0);
  vxLineTo(ctx, -400 * std::sin(176 * kPi / 180), 400 * std::cos(176 * kPi / 180));
  vxStrokePath(ctx);
  float tip = 0;
  for (const VXvertex& v : r.Last("stroke")->paths[0].stroke)
    if (std::hypot(v.x, v.y) < 300) tip = std::max(tip, std::hypot(v.x, v.y));
  EXPECT_NEAR(tip, 20.94f * 5.5f, 0.3f);
}

// A context fresh from its reset joins corners as miters as long as ten stroke widths and bevels longer ones,
// turning either way.
TEST_F(PathTest, AFreshStateMitersCornersUpToTenStrokeWidthsLong)
{
  for (float ratio : {9.8f, 10.2f})
    for (float side : {1.0f, -1.0f})
    {
      const float turn = side * (kPi - 2 * std::asin(1 / ratio));
      auto stroke = [&](bool fresh, int join) {
        vxSaveState(ctx);
        if (fresh)
          vxResetState(ctx);
        else
          vxSetLineJoin(ctx, join), vxSetMiterLimit(ctx, 100);
        vxSetStrokeWidth(ctx, 10);
        vxBeginPath(ctx);
        vxMoveTo(ctx, 0, -400);
        vxLineTo(ctx, 0, 0);
        vxLineTo(ctx, -400 * std::sin(turn), 400 * std::cos(turn));
        vxStrokePath(ctx);
        vxRestoreState(ctx);
        return r.Last("stroke")->paths[0].stroke.size();
      };
      const size_t bevel = stroke(false, VX_BEVEL), miter = stroke(false, VX_MITER);
      ASSERT_NE(bevel, miter);
      EXPECT_EQ(stroke(true, 0), ratio < 10 ? miter : bevel) << "a miter " << ratio << " widths long, side " << side;
    }
}

TEST_F(PathTest, ArcsUseAtMostOneCubicPerQuarterTurn)
{
  // 0 to 3 pi clockwise is clamped to a full circle of four segments.
  vxBeginPath(ctx);
  vxArc(ctx, 50, 50, 10, 0, 3 * kPi, VX_CLOCKWISE);
  ASSERT_EQ(ctx->commandCount, 3 + 4 * 7);
  EXPECT_EQ(ctx->commands[0], (float)VX_MOVE_TO);
  EXPECT_NEAR(ctx->commands[ctx->commandCount - 2], 60.0f, 1e-4);
  EXPECT_NEAR(ctx->commands[ctx->commandCount - 1], 50.0f, 1e-4);
  EXPECT_NEAR(ctx->commands[3 + 5], 50.0f, 1e-4); // a quarter turn clockwise on a y-down surface
  EXPECT_NEAR(ctx->commands[3 + 6], 60.0f, 1e-4);

  // A tenth of a radian is still one segment; with commands before it starts with a line.
  vxArc(ctx, 0, 0, 10, 0, 0.1f, VX_CLOCKWISE);
  EXPECT_EQ(ctx->commands[31], (float)VX_LINE_TO);
  EXPECT_EQ(ctx->commandCount, 31 + 3 + 7);

  // Counter-clockwise, the same two angles are the long way round.
  vxBeginPath(ctx);
  vxArc(ctx, 0, 0, 10, 0, 0.1f, VX_COUNTER_CLOCKWISE);
  EXPECT_EQ(ctx->commandCount, 3 + 4 * 7);

  vxBeginPath(ctx);
  vxArc(ctx, 0, 0, 10, 0, 0.1f, VX_CLOCKWISE);
  EXPECT_EQ(ctx->commandCount, 10);
  // The bezier's control points put its midpoint on the circle.
  const float* b = &ctx->commands[3];
  float mx = 0.125f * ctx->commands[1] + 0.375f * b[1] + 0.375f * b[3] + 0.125f * b[5];
  float my = 0.125f * ctx->commands[2] + 0.375f * b[2] + 0.375f * b[4] + 0.125f * b[6];
  EXPECT_NEAR(std::sqrt(mx * mx + my * my), 10.0f, 1e-4);

  // The sweep taken for each pair of angles: a whole turn either way is a full circle, equal angles sweep nothing
  // (a start point alone), and a sweep against the direction wraps round to it.
  struct Sweep
  {
    float a0, a1;
    int dir, segments;
    float end;
  } sweeps[] = {
    {0, 0, VX_CLOCKWISE, 0, 0},                   {0, 0, VX_COUNTER_CLOCKWISE, 0, 0},
    {2 * kPi, 0, VX_CLOCKWISE, 4, 4 * kPi},       {0, 2 * kPi, VX_COUNTER_CLOCKWISE, 4, -2 * kPi},
    {0, 2 * kPi, VX_CLOCKWISE, 4, 2 * kPi},       {2 * kPi, 0, VX_COUNTER_CLOCKWISE, 4, 0},
    {1, 0.2f, VX_CLOCKWISE, 3, 0.2f},             {0.2f, 1, VX_COUNTER_CLOCKWISE, 3, 1},
    {0, 0.75f * kPi, VX_CLOCKWISE, 2, 0.75f * kPi}, {0, 0.7f * kPi, VX_CLOCKWISE, 1, 0.7f * kPi},
  };
  for (const Sweep& k : sweeps)
  {
    vxBeginPath(ctx);
    vxArc(ctx, 0, 0, 10, k.a0, k.a1, k.dir);
    EXPECT_EQ(ctx->commandCount, 3 + 7 * k.segments) << k.a0 << " to " << k.a1 << " dir " << k.dir;
    EXPECT_NEAR(ctx->commands[1], 10 * std::cos(k.a0), 1e-4);
    EXPECT_NEAR(ctx->commands[ctx->commandCount - 2], 10 * std::cos(k.end), 1e-4) << k.a0 << " to " << k.a1;
    EXPECT_NEAR(ctx->commands[ctx->commandCount - 1], 10 * std::sin(k.end), 1e-4) << k.a0 << " to " << k.a1;
  }

  // Angles that are no numbers add nothing.
  vxBeginPath(ctx);
  vxArc(ctx, 0, 0, 10, NAN, 1, VX_CLOCKWISE);
  vxArc(ctx, 0, 0, 10, 0, INFINITY, VX_COUNTER_CLOCKWISE);
  EXPECT_EQ(ctx->commandCount, 0);
}

TEST_F(PathTest, TransformsMovePointsAsTheyAreNamed)
{
  // On a y-down surface a positive rotation turns clockwise; transforms given later apply to points first.
  struct Case
  {
    const char* name;
    void (*apply)(VXcontext*);
    float x, y, wantX, wantY;
  } cases[] = {
    {"rotate", [](VXcontext* c) { vxRotate(c, kPi / 2); }, 1, 0, 0, 1},
    {"skewX", [](VXcontext* c) { vxSkewX(c, kPi / 4); }, 0, 2, 2, 2},
    {"skewY", [](VXcontext* c) { vxSkewY(c, kPi / 4); }, 2, 0, 2, 2},
    {"scale", [](VXcontext* c) { vxScale(c, 2, 3); }, 1, 1, 2, 3},
    {"translate, rotate", [](VXcontext* c) { vxTranslate(c, 5, 7), vxRotate(c, kPi / 2); }, 1, 0, 5, 8},
    // A matrix given as a, b, c, d, e, f takes x to a x + c y + e and y to b x + d y + f.
    {"multiply", [](VXcontext* c) { vxMultiplyTransform(c, 2, 1, 0, 3, 5, 7); }, 1, 1, 7, 11},
    {"translate, multiply", [](VXcontext* c) { vxTranslate(c, 1, 0), vxMultiplyTransform(c, 0, 1, -1, 0, 0, 0); }, 2,
     0, 1, 2},
  };
  for (const Case& k : cases)
  {
    vxResetTransform(ctx);
    k.apply(ctx);
    float m[8] = {0, 0, 0, 0, 0, 0, -99, -99}, x = 0, y = 0;
    vxGetCurrentTransform(ctx, m);
    EXPECT_EQ(m[6], -99) << k.name << ": six numbers written, no more";
    vxMatrixTransformPoint(&x, &y, m, k.x, k.y);
    EXPECT_NEAR(x, k.wantX, 1e-5) << k.name;
    EXPECT_NEAR(y, k.wantY, 1e-5) << k.name;
    // Each takes the point back where it was under its inverse.
    float inverse[6], backX = 0, backY = 0;
    ASSERT_EQ(vxMatrixInverse(inverse, m), 1) << k.name;
    vxMatrixTransformPoint(&backX, &backY, inverse, x, y);
    EXPECT_NEAR(backX, k.x, 1e-5) << k.name;
    EXPECT_NEAR(backY, k.y, 1e-5) << k.name;
  }
  // A transform that flattens the plane onto a line or a point has no inverse: the identity stands in for it.
  const float flat[][6] = {{0, 0, 0, 1, 5, 5}, {2, 1, 4, 2, 0, 0}, {0, 0, 0, 0, 3, 4}};
  for (const auto& m : flat)
  {
    float inverse[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(vxMatrixInverse(inverse, m), 0) << m[0] << " " << m[1] << " " << m[2] << " " << m[3];
    const float identity[6] = {1, 0, 0, 1, 0, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(inverse[i], identity[i]) << i;
  }
}

TEST_F(PathTest, CornersRoundedByArcToAndEllipsesLieOnTheirCurves)
{
  // arcTo rounds the corner at (100, 0) with a circle tangent to both lines, on the inside of the turn whichever
  // way it turns; every flattened point but the start lies on that circle, up to the second tangent point.
  // Corners after a level line and after a slanting one, turning either way, and turned any way.
  struct Corner
  {
    float x1, y1, x2, y2;     // the corner, where the second line goes
    float cx, cy, endX, endY; // the circle's centre, the tangent point on the second line
  } corners[] = {{100, 0, 100, 100, 80, 20, 100, 20},
                 {100, 0, 100, -100, 80, -20, 100, -20},
                 {100, 0, 0, 100, 51.716f, 20, 65.858f, 34.142f},
                 {100, 100, 200, 0, 100, 71.716f, 114.142f, 85.858f},
                 {100, 100, 0, 200, 71.716f, 100, 85.858f, 114.142f},
                 {100, 0, 200, 50, 95.279f, 20, 104.223f, 2.111f},       // a shallow turn
                 {100, 0, 0, 20, -101.980f, 20, -98.058f, 39.612f}};    // a hairpin, tangent behind the start
  // Each turned about the start by any angle: the circle turns with it.
  const int count = int(std::size(corners));
  std::vector<Corner> turned(corners, corners + count);
  for (int step = 1; step < 21; ++step)
    for (int i = 0; i < count; ++i)
    {
      const float c = std::cos(step * 0.3f), s = std::sin(step * 0.3f);
      auto turn = [c, s](float& x, float& y) { std::tie(x, y) = std::make_pair(c * x - s * y, s * x + c * y); };
      Corner k = corners[i];
      turn(k.x1, k.y1), turn(k.x2, k.y2), turn(k.cx, k.cy), turn(k.endX, k.endY);
      turned.push_back(k);
    }
  for (const Corner& k : turned)
  {
    vxBeginPath(ctx);
    vxMoveTo(ctx, 0, 0);
    vxArcTo(ctx, k.x1, k.y1, k.x2, k.y2, 20);
    vxStrokePath(ctx);
    const std::vector<VXpoint> pts = Points(ctx);
    ASSERT_GT(pts.size(), 3u) << k.y2;
    bool reachesEnd = false;
    for (const VXpoint& p : pts)
    {
      if (p.x == 0 && p.y == 0) continue; // the start (the cache may hold the path either way round)
      EXPECT_NEAR(std::hypot(p.x - k.cx, p.y - k.cy), 20, 0.25) << k.x2 << "," << k.y2 << " at " << p.x << "," << p.y;
      reachesEnd = reachesEnd || std::hypot(p.x - k.endX, p.y - k.endY) < 1e-2f;
    }
    EXPECT_TRUE(reachesEnd) << k.x2 << "," << k.y2;
  }
  // An ellipse wider than tall and one taller than wide: each flattened point on the ellipse within the tolerance.
  for (const float rx : {40.f, 10.f})
  {
    const float ry = 50 - rx;
    vxBeginPath(ctx);
    vxEllipsePath(ctx, 50, 50, rx, ry);
    vxFillPath(ctx);
    for (const VXpoint& p : Points(ctx))
      EXPECT_NEAR(std::hypot((p.x - 50) / rx, (p.y - 50) / ry), 1, 0.25 / std::min(rx, ry)) << p.x << "," << p.y;
  }
}

// A corner with nothing to round is a straight line to the corner: the corner on the line from the start to where
// the second line goes (turned any way, or off it by less than the tolerance), the corner at the start or where the
// second line goes, the line doubling back, or no radius; from the origin and from a start away from it.
TEST_F(PathTest, ArcToACornerWithNothingToRoundIsALineToTheCorner)
{
  struct Corner
  {
    const char* what;
    float x1, y1, x2, y2, radius;
  } corners[] = {{"level", 50, 0, 100, 0, 10},          {"slanting", 30, 40, 60, 80, 10},
                 {"upright", 0, -50, 0, -120, 10},      {"within the tolerance", 50, 0.0001f, 100, 0, 10},
                 {"at the start", 0, 0, 100, 40, 10},   {"where the line goes", 50, 20, 50, 20, 10},
                 {"doubling back", 50, 0, 20, 0, 10},   {"no radius", 50, 0, 50, 60, 0},
                 {"just off a short line", 0.4f, 0.005f, 0.5f, 0, 10}};
  for (const float shift : {0.f, 37.f})
    for (const Corner& k : corners)
    {
      const float x0 = shift, y0 = -shift / 2, x1 = k.x1 + x0, y1 = k.y1 + y0;
      vxBeginPath(ctx);
      vxMoveTo(ctx, x0, y0);
      vxArcTo(ctx, x1, y1, k.x2 + x0, k.y2 + y0, k.radius);
      vxStrokePath(ctx);
      const std::vector<VXpoint> pts = Points(ctx);
      ASSERT_LE(pts.size(), 2u) << k.what << " from " << x0 << "," << y0;
      for (const VXpoint& p : pts)
        EXPECT_TRUE((p.x == x0 && p.y == y0) || (std::fabs(p.x - x1) < 1e-3f && std::fabs(p.y - y1) < 1e-3f))
            << k.what << " at " << p.x << "," << p.y;
    }
}

TEST_F(PathTest, AQuadraticIsTheCubicWithControlsTwoThirdsTowardsItsControlPoint)
{
  const struct
  {
    float x0, y0, cx, cy, x, y;
  } cases[] = {{0, 0, 30, 60, 60, 0}, {10, 40, 10, 10, 70, 10}};
  for (const auto& k : cases)
  {
    vxBeginPath(ctx);
    vxMoveTo(ctx, k.x0, k.y0);
    vxQuadTo(ctx, k.cx, k.cy, k.x, k.y);
    ASSERT_EQ(ctx->commandCount, 3 + 7);
    const float want[] = {(float)VX_CUBIC_TO, k.x0 + (k.cx - k.x0) * 2 / 3, k.y0 + (k.cy - k.y0) * 2 / 3,
                          k.x + (k.cx - k.x) * 2 / 3,      k.y + (k.cy - k.y) * 2 / 3, k.x, k.y};
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(ctx->commands[3 + i], want[i], 1e-4) << i;
  }
}

// A cubic is flattened into more lines the larger it is, halved at most ten times: never more than 1024 lines,
// however large.
TEST_F(PathTest, ACubicIsFlattenedIntoLinesByHalvingAtMostTenTimes)
{
  const struct
  {
    float size;
    size_t points; // 0: no more than 1 + 1024
  } cases[] = {{0.5f, 3}, {2, 5}, {10, 9}, {100, 33}, {1e3f, 65}, {1e4f, 257}, {1e5f, 1025}, {1e6f, 0}, {1e7f, 0}};
  for (const auto& k : cases)
  {
    vxBeginPath(ctx);
    vxMoveTo(ctx, 0, 0);
    vxCubicTo(ctx, 0, k.size, k.size, k.size, k.size, 0);
    vxFillPath(ctx);
    const std::vector<VXpoint> points = Points(ctx);
    if (k.points == 0)
    {
      EXPECT_LE(points.size(), 1025u) << k.size;
      continue;
    }
    ASSERT_EQ(points.size(), k.points) << k.size;
    EXPECT_EQ(points.back().x, k.size);
    EXPECT_EQ(points.back().y, 0.f);
  }
}

TEST_F(PathTest, AntialiasedRectangleFillHasAnInsetInteriorAndAHalfFringe)
{
  vxBeginPath(ctx);
  vxRectPath(ctx, 10, 10, 100, 50);
  vxFillPath(ctx);
  const RecordedCall* call = r.Last("fill");
  ASSERT_NE(call, nullptr);
  ASSERT_EQ(call->paths.size(), 1u);
  EXPECT_EQ(call->fringe, 1.0f);
  EXPECT_EQ(call->bounds[0], 10.0f);
  EXPECT_EQ(call->bounds[1], 10.0f);
  EXPECT_EQ(call->bounds[2], 110.0f);
  EXPECT_EQ(call->bounds[3], 60.0f);
  ExpectVertices(call->paths[0].fill,
                 {{10.5f, 10.5f, 0.5f, 1}, {10.5f, 59.5f, 0.5f, 1}, {109.5f, 59.5f, 0.5f, 1}, {109.5f, 10.5f, 0.5f, 1}},
                 "fill");
  ExpectVertices(call->paths[0].stroke,
                 {{10.5f, 10.5f, 0.5f, 1},
                  {9.5f, 9.5f, 1, 1},
                  {10.5f, 59.5f, 0.5f, 1},
                  {9.5f, 60.5f, 1, 1},
                  {109.5f, 59.5f, 0.5f, 1},
                  {110.5f, 60.5f, 1, 1},
                  {109.5f, 10.5f, 0.5f, 1},
                  {110.5f, 9.5f, 1, 1},
                  {10.5f, 10.5f, 0.5f, 1},
                  {9.5f, 9.5f, 1, 1}},
                 "fringe");
  EXPECT_EQ(ctx->fillTriangleCount, 2 + 8);
  EXPECT_EQ(ctx->drawCallCount, 2);
}

// Each path handed to the back end names only the vertices of the call it is drawn by: a stroke none of a fill
// made before it from the same path, a fill without antialiasing no fringe, and every count has its vertices.
TEST_F(PathTest, EachCallHandsOverOnlyTheVerticesItDraws)
{
  vxBeginPath(ctx);
  vxRectPath(ctx, 10, 10, 40, 30);
  vxMoveTo(ctx, 60, 10);
  vxLineTo(ctx, 90, 40);
  vxLineTo(ctx, 120, 10);
  struct Step
  {
    const char* kind;
    int antiAlias;
    bool fill, fringeOrStroke;
  } steps[] = {{"fill", 1, true, true},   {"stroke", 1, false, true}, {"fill", 0, true, false},
               {"stroke", 0, false, true}, {"fill", 1, true, true},   {"stroke", 1, false, true}};
  for (const Step& k : steps)
  {
    vxSetShapeAntiAlias(ctx, k.antiAlias);
    std::string(k.kind) == "fill" ? vxFillPath(ctx) : vxStrokePath(ctx);
    const RecordedCall* call = r.Last(k.kind);
    ASSERT_EQ(call->paths.size(), 2u);
    for (size_t i = 0; i < call->paths.size(); ++i)
    {
      const vxtest::RecordedPath& p = call->paths[i];
      const std::string what = std::string(k.kind) + (k.antiAlias ? " antialiased" : " hard") + " path " +
                               std::to_string(i);
      EXPECT_EQ(p.fillCount, int(p.fill.size())) << what;
      EXPECT_EQ(p.strokeCount, int(p.stroke.size())) << what;
      EXPECT_EQ(p.fillCount > 0, k.fill) << what;
      EXPECT_EQ(p.strokeCount > 0, k.fringeOrStroke) << what;
    }
  }
}

TEST_F(PathTest, RoundStrokeOfALine)
{
  vxSetStrokeWidth(ctx, 4);
  vxSetLineCap(ctx, VX_ROUND);
  vxBeginPath(ctx);
  vxMoveTo(ctx, 10, 10);
  vxLineTo(ctx, 110, 10);
  vxStrokePath(ctx);
  // Four cap divisions for a half width of 2 at tolerance 0.25; half width with fringe 2.5.
  const float s = 2.5f * std::sin(kPi / 3), h = 1.25f;
  ExpectVertices(r.Last("stroke")->paths[0].stroke,
                 {{10, 12.5f, 0, 1},
                  {10, 10, 0.5f, 1},
                  {10 - s, 10 + h, 0, 1},
                  {10, 10, 0.5f, 1},
                  {10 - s, 10 - h, 0, 1},
                  {10, 10, 0.5f, 1},
                  {10, 7.5f, 0, 1},
                  {10, 10, 0.5f, 1},
                  {10, 7.5f, 0, 1},
                  {10, 12.5f, 1, 1},
                  {110, 7.5f, 0, 1},
                  {110, 12.5f, 1, 1},
                  {110, 10, 0.5f, 1},
                  {110, 12.5f, 0, 1},
                  {110, 10, 0.5f, 1},
                  {110 + s, 10 + h, 0, 1},
                  {110, 10, 0.5f, 1},
                  {110 + s, 10 - h, 0, 1},
                  {110, 10, 0.5f, 1},
                  {110, 7.5f, 0, 1}},
                 "round");
}

TEST_F(PathTest, BevelAndMiterJoinsOfALeftTurn)
{
  vxSetStrokeWidth(ctx, 10);
  vxSetLineJoin(ctx, VX_BEVEL);
  vxBeginPath(ctx);
  vxMoveTo(ctx, 0, 0);
  vxLineTo(ctx, 0, 100);
  vxLineTo(ctx, 100, 100);
  vxStrokePath(ctx);
  // Half width 5 plus half a fringe; the inner side of the turn takes the miter point.
  ExpectVertices(r.Last("stroke")->paths[0].stroke,
                 {{5.5f, -0.5f, 0, 0},
                  {-5.5f, -0.5f, 1, 0},
                  {5.5f, 0.5f, 0, 1},
                  {-5.5f, 0.5f, 1, 1},
                  {5.5f, 94.5f, 0, 1},
                  {-5.5f, 100, 1, 1},
                  {5.5f, 94.5f, 0, 1},
                  {-5.5f, 100, 1, 1},
                  {5.5f, 94.5f, 0, 1},
                  {0, 105.5f, 1, 1},
                  {5.5f, 94.5f, 0, 1},
                  {0, 105.5f, 1, 1},
                  {99.5f, 94.5f, 0, 1},
                  {99.5f, 105.5f, 1, 1},
                  {100.5f, 94.5f, 0, 0},
                  {100.5f, 105.5f, 1, 0}},
                 "bevel");
  EXPECT_EQ(r.Last("stroke")->paths[0].bevelCount, 3); // every corner of the path, the ends included

  vxSetLineJoin(ctx, VX_MITER);
  vxStrokePath(ctx);
  const std::vector<VXvertex>& s = r.Last("stroke")->paths[0].stroke;
  ASSERT_EQ(s.size(), 10u);
  EXPECT_NEAR(s[4].x, 5.5f, 1e-4);
  EXPECT_NEAR(s[4].y, 94.5f, 1e-4);
  EXPECT_NEAR(s[5].x, -5.5f, 1e-4);
  EXPECT_NEAR(s[5].y, 105.5f, 1e-4);

  // A turn sharper than the miter limit allows falls back to a bevel.
  vxSetMiterLimit(ctx, 1.1f);
  vxStrokePath(ctx);
  EXPECT_EQ(r.Last("stroke")->paths[0].stroke.size(), 16u);
}

TEST_F(PathTest, DegenerateInputNeverYieldsNaNVertices)
{
  struct Shape
  {
    const char* name;
    void (*build)(VXcontext*);
  } shapes[] = {
    {"coincident", [](VXcontext* c) { vxMoveTo(c, 5, 5); vxLineTo(c, 5, 5); vxLineTo(c, 5, 5); }},
    {"single move", [](VXcontext* c) { vxMoveTo(c, 5, 5); }},
    {"closed point", [](VXcontext* c) { vxMoveTo(c, 5, 5); vxClosePath(c); }},
    {"zero segment", [](VXcontext* c) { vxMoveTo(c, 0, 0); vxLineTo(c, 10, 0); vxLineTo(c, 10, 0); vxLineTo(c, 10, 10); }},
    {"back and forth", [](VXcontext* c) { vxMoveTo(c, 0, 0); vxLineTo(c, 10, 0); vxLineTo(c, 0, 0); vxLineTo(c, 10, 0); }},
    {"spike", [](VXcontext* c) { vxMoveTo(c, 0, 0); vxLineTo(c, 100, 0.001f); vxLineTo(c, 0, 0.002f); vxClosePath(c); }},
    {"nan", [](VXcontext* c) { vxMoveTo(c, NAN, 0); vxLineTo(c, 1, NAN); vxLineTo(c, 3, 3); vxCubicTo(c, NAN, 1, 2, 3, 4, 5); }},
    {"nan circle", [](VXcontext* c) { vxCirclePath(c, 10, 10, NAN); vxEllipsePath(c, NAN, 0, 1, 1); vxArcTo(c, 1, 2, 3, 4, NAN); }},
    {"zero circle", [](VXcontext* c) { vxCirclePath(c, 10, 10, 0); vxRoundedRectPath(c, 0, 0, 0, 0, 5); }},
    {"flat curve", [](VXcontext* c) { vxMoveTo(c, 0, 0); vxCubicTo(c, 0, 0, 0, 0, 0, 0); vxQuadTo(c, 0, 0, 0, 0); }},
    {"huge", [](VXcontext* c) { vxMoveTo(c, -1e11f, -1e11f); vxLineTo(c, 1e11f, 1e11f); vxLineTo(c, -1e11f, 1e11f); }},
  };
  const int caps[] = {VX_BUTT, VX_ROUND, VX_SQUARE};
  const int joins[] = {VX_MITER, VX_ROUND, VX_BEVEL};
  for (const Shape& shape : shapes)
    for (int cap : caps)
      for (int join : joins)
        for (float width : {0.0f, 1.0f, 7.0f, NAN})
        {
          r.calls.clear();
          vxSetLineCap(ctx, cap);
          vxSetLineJoin(ctx, join);
          vxSetStrokeWidth(ctx, width);
          vxSetMiterLimit(ctx, width);
          vxBeginPath(ctx);
          shape.build(ctx);
          vxFillPath(ctx);
          vxStrokePath(ctx);
          for (const RecordedCall& call : r.calls)
            for (const auto& p : call.paths)
            {
              EXPECT_TRUE(AllFinite(p.fill)) << shape.name;
              EXPECT_TRUE(AllFinite(p.stroke)) << shape.name << " cap " << cap << " join " << join;
            }
        }
}

TEST_F(PathTest, APointThatLandsPastTheCoordinateLimitOnEitherAxisIsDropped)
{
  // A triangle with a fourth point between its second and third: that point lies 1e13 away on screen, across or
  // down, given so or after a scale or a turn, and is dropped; the other three stay.
  struct Case
  {
    const char* name;
    float rotate, scaleY, x, y; // the space and the far point
  } cases[] = {
    {"across", 0, 1, 1e13f, 5},
    {"down", 0, 1, 5, 1e13f},
    {"scaled down", 0, 1e8f, 5, 1e5f},
    {"turned down", kPi / 2, 1, 1e13f, 5},
  };
  for (const Case& k : cases)
  {
    vxResetTransform(ctx);
    vxRotate(ctx, k.rotate);
    vxScale(ctx, 1, k.scaleY);
    vxBeginPath(ctx);
    vxMoveTo(ctx, 0, 0);
    vxLineTo(ctx, 10, 0);
    vxLineTo(ctx, k.x, k.y);
    vxLineTo(ctx, 0, 10);
    vxFillPath(ctx);
    ASSERT_EQ(ctx->cache->npaths, 1) << k.name;
    const std::vector<VXpoint> points = Points(ctx);
    EXPECT_EQ(points.size(), 3u) << k.name;
    for (const VXpoint& p : points) EXPECT_TRUE(std::fabs(p.x) < 1e10f && std::fabs(p.y) < 1e10f) << k.name;
  }
  vxResetTransform(ctx);
}

TEST_F(PathTest, AHundredSubPathsEachKeepTheirOwnOutline)
{
  // Far more sub-paths than the cache starts with room for: every square reaches the back end, in its own place.
  vxBeginPath(ctx);
  for (int i = 0; i < 100; ++i) vxRectPath(ctx, float(i % 10 * 20), float(i / 10 * 20), 10, 10);
  vxFillPath(ctx);
  const RecordedCall* fill = r.Last("fill");
  ASSERT_NE(fill, nullptr);
  ASSERT_EQ(fill->paths.size(), 100u);
  for (int i = 0; i < 100; ++i)
  {
    const std::vector<VXvertex>& v = fill->paths[size_t(i)].fill;
    ASSERT_GE(v.size(), 4u) << i;
    const float x = float(i % 10 * 20), y = float(i / 10 * 20);
    for (const VXvertex& p : v)
      EXPECT_TRUE(p.x > x - 1 && p.x < x + 11 && p.y > y - 1 && p.y < y + 11) << i << " at " << p.x << "," << p.y;
  }
}

TEST_F(PathTest, PaintsReachTheBackEndWithGlobalAlphaAndState)
{
  vxSetFillColor(ctx, vxColorFromFloats(1, 0, 0, 0.8f));
  vxSetGlobalAlpha(ctx, 0.5f);
  vxSetCompositeOperation(ctx, VX_LIGHTER);
  vxSetScissor(ctx, 0, 0, 20, 20);
  vxBeginPath(ctx);
  vxCirclePath(ctx, 50, 50, 20);
  vxFillPath(ctx);
  const RecordedCall* call = r.Last("fill");
  EXPECT_FLOAT_EQ(call->paint.innerColor.a, 0.4f);
  EXPECT_EQ(call->op.destinationRGB, VX_ONE);
  EXPECT_EQ(call->scissor.extent[0], 10.0f);
  EXPECT_EQ(call->paths[0].convex, 1);
  EXPECT_NEAR(call->bounds[0], 30.0f, 1e-3);
  EXPECT_NEAR(call->bounds[3], 70.0f, 1e-3);
  // The flattened circle stays within the tessellation tolerance of the true circle.
  for (const VXpoint& p : Points(ctx)) EXPECT_NEAR(std::hypot(p.x - 50, p.y - 50), 20.0f, 0.25f);
}

/// Where a paint's transform takes the point (x, y) of its own space.
std::pair<float, float> PaintPoint(const VXpaint& paint, float x, float y)
{
  float px = 0, py = 0;
  vxMatrixTransformPoint(&px, &py, paint.xform, x, y);
  return {px, py};
}

// Paints are placed by the transform current when they are set, applied after their own; an image pattern turns
// clockwise by its angle about its origin; a restored state brings back the paint, width and transform saved.
TEST_F(PathTest, PaintsFollowTheTransformWhenSetAndRestoredStatesComeBack)
{
  auto draw = [&](const char* kind) {
    vxBeginPath(ctx);
    vxRectPath(ctx, 0, 0, 10, 10);
    std::string(kind) == "fill" ? vxFillPath(ctx) : vxStrokePath(ctx);
    return r.Last(kind);
  };
  using Point = std::pair<float, float>;
  vxSaveState(ctx);
  vxTranslate(ctx, 10, 20);
  vxRotate(ctx, kPi / 2);
  const VXcolor white = vxColorFromFloats(1, 1, 1, 1), black = vxColorFromFloats(0, 0, 0, 1);
  vxSetFillPaint(ctx, vxMakeRadialGradient(ctx, 5, 0, 0, 4, white, black));
  vxSetStrokePaint(ctx, vxMakeRadialGradient(ctx, 0, 5, 0, 4, white, black));
  vxSetStrokeWidth(ctx, 3);
  const RecordedCall* fill = draw("fill");
  ASSERT_NE(fill, nullptr);
  const Point fillCentre = PaintPoint(fill->paint, 0, 0), fillAside = PaintPoint(fill->paint, 1, 0);
  EXPECT_NEAR(fillCentre.first, 10, 1e-4);
  EXPECT_NEAR(fillCentre.second, 25, 1e-4);
  EXPECT_NEAR(fillAside.first, 10, 1e-4); // a unit along the paint's x points down the surface
  EXPECT_NEAR(fillAside.second, 26, 1e-4);
  const RecordedCall* stroke = draw("stroke");
  ASSERT_NE(stroke, nullptr);
  const Point strokeCentre = PaintPoint(stroke->paint, 0, 0);
  EXPECT_NEAR(strokeCentre.first, 5, 1e-4);
  EXPECT_NEAR(strokeCentre.second, 20, 1e-4);
  EXPECT_FLOAT_EQ(stroke->strokeWidth, 3);

  vxRestoreState(ctx);
  vxRestoreState(ctx); // more restores than saves keep the first state
  const RecordedCall* restoredFill = draw("fill");
  EXPECT_EQ(restoredFill->paint.radius, 0.f) << "a plain colour again";
  const float identity[6] = {1, 0, 0, 1, 0, 0};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(restoredFill->paint.xform[i], identity[i]) << i;
  const float square[4] = {0, 0, 10, 10};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(restoredFill->bounds[i], square[i], 1e-4) << "bound " << i;
  EXPECT_FLOAT_EQ(draw("stroke")->strokeWidth, 1);

  const VXpaint pattern = vxMakeImagePattern(ctx, 30, 40, 8, 8, kPi / 2, 1, 1);
  const Point corner = PaintPoint(pattern, 8, 0);
  EXPECT_NEAR(corner.first, 30, 1e-4);
  EXPECT_NEAR(corner.second, 48, 1e-4);
}

// The state stack is 32 deep: saves past the deepest change nothing, so the state drawn with is the deepest one and
// each restore goes back one of the saves that were kept.
TEST_F(PathTest, SavesPastTheDeepestStateAreIgnored)
{
  auto strokeWidth = [&] {
    vxBeginPath(ctx);
    vxRectPath(ctx, 0, 0, 10, 10);
    vxStrokePath(ctx);
    return r.Last("stroke")->strokeWidth;
  };
  for (int depth = 1; depth <= 40; ++depth)
  {
    vxSaveState(ctx);
    ASSERT_EQ(ctx->stateCount, std::min(depth + 1, kVxMaxStates)) << "after save " << depth;
    vxSetStrokeWidth(ctx, float(depth));
  }
  EXPECT_FLOAT_EQ(strokeWidth(), 40);
  for (int depth = 30; depth >= 1; --depth)
  {
    vxRestoreState(ctx);
    EXPECT_FLOAT_EQ(strokeWidth(), float(depth)) << "restored to depth " << depth;
  }
  vxRestoreState(ctx);
  EXPECT_FLOAT_EQ(strokeWidth(), 1) << "the first state";
}

TEST_F(PathTest, OnlyAShapeThatTurnsLeftOnceRoundIsConvex)
{
  // A five-pointed star drawn in one stroke turns left at every point but goes round twice: drawn as a convex
  // fan it would fill the notches between its points.
  struct Shape
  {
    const char* name;
    std::vector<float> xy;
    int convex;
  } shapes[] = {{"pentagon", {50, 10, 88, 38, 74, 82, 26, 82, 12, 38}, 1},
                {"star", {50, 10, 74, 82, 12, 38, 88, 38, 26, 82}, 0}};
  for (const Shape& s : shapes)
  {
    vxBeginPath(ctx);
    vxMoveTo(ctx, s.xy[0], s.xy[1]);
    for (size_t i = 2; i < s.xy.size(); i += 2) vxLineTo(ctx, s.xy[i], s.xy[i + 1]);
    vxClosePath(ctx);
    vxFillPath(ctx);
    EXPECT_EQ(r.Last("fill")->paths[0].convex, s.convex) << s.name;
  }
}

// A pixel ratio far beyond any screen's once made every round join of a wide stroke take a million segments (a
// 246-byte path kept the path fuzzer busy for seconds): joins and caps stay within a few hundred vertices each.
TEST_F(PathTest, RoundJoinsAndCapsStayBoundedAtAnyPixelRatio)
{
  constexpr size_t kJoinsAndCaps = 4, kMostPerJoinOrCap = 2 * (256 + 2), kSegments = 16;
  for (float ratio : {1.0f, 3.0f, 64.0f, 1e3f, 1e6f, 1e12f})
  {
    r.calls.clear();
    vxBeginFrame(ctx, 800, 600, ratio);
    vxBeginPath(ctx);
    vxMoveTo(ctx, 10, 10);
    vxLineTo(ctx, 300, 10);
    vxLineTo(ctx, 10, 300);
    vxLineTo(ctx, 300, 300);
    vxSetStrokeWidth(ctx, 400);
    vxSetLineJoin(ctx, VX_ROUND);
    vxSetLineCap(ctx, VX_ROUND);
    vxStrokePath(ctx);
    const RecordedCall* stroke = r.Last("stroke");
    ASSERT_NE(stroke, nullptr);
    size_t vertices = 0;
    for (const auto& path : stroke->paths) vertices += path.stroke.size();
    EXPECT_GT(vertices, 0u) << ratio;
    EXPECT_LE(vertices, kJoinsAndCaps * kMostPerJoinOrCap + kSegments) << ratio;
    vxEndFrame(ctx);
  }
}

TEST_F(PathTest, JoinsBevelOnlyAtCornersAndWhereASegmentIsTooShortForTheInnerMiter)
{
  struct Case
  {
    const char* name;
    std::vector<float> xy; // a line through these points; six numbers after the first point make a cubic
    bool cubic;
    int join;
    int bevels;
  } cases[] = {
    {"one curve, beveled joins", {10, 50, 60, 0, 140, 100, 190, 50}, true, VX_BEVEL, 0},
    {"one curve, round joins", {10, 50, 60, 0, 140, 100, 190, 50}, true, VX_ROUND, 0},
    {"long segments, miter", {10, 50, 100, 50, 60, 90}, false, VX_MITER, 0},
    {"short segment, miter", {10, 50, 100, 50, 96, 54}, false, VX_MITER, 1},
  };
  for (const Case& k : cases)
  {
    vxBeginPath(ctx);
    vxMoveTo(ctx, k.xy[0], k.xy[1]);
    if (k.cubic)
      vxCubicTo(ctx, k.xy[2], k.xy[3], k.xy[4], k.xy[5], k.xy[6], k.xy[7]);
    else
      for (size_t i = 2; i < k.xy.size(); i += 2) vxLineTo(ctx, k.xy[i], k.xy[i + 1]);
    vxSetStrokeWidth(ctx, 20);
    vxSetLineJoin(ctx, k.join);
    vxSetMiterLimit(ctx, 10);
    vxStrokePath(ctx);
    const std::vector<VXpoint> points = Points(ctx);
    int bevels = 0; // at joins: the ends of an open line take caps
    for (size_t i = 1; i + 1 < points.size(); ++i)
      bevels += (points[i].flags & (VX_POINT_BEVEL | VX_POINT_INNER_BEVEL)) != 0;
    EXPECT_EQ(bevels, k.bevels) << k.name;
  }
}

TEST_F(PathTest, AStrokeCoversAsMuchMirroredOrClosedFromAnotherCorner)
{
  // Left and right turns are joined by code of their own: a line and its mirror image, at every join and cap, at
  // corners long and too short for the inner miter, and with a sharp turn past the miter limit, lay triangles of
  // the same total area. So does a closed line started at any of its corners.
  auto area = [&](const std::vector<float>& xy, float mirror, int join, int cap, bool closed = false)
  {
    vxBeginPath(ctx);
    vxMoveTo(ctx, mirror * xy[0], xy[1]);
    for (size_t i = 2; i < xy.size(); i += 2) vxLineTo(ctx, mirror * xy[i], xy[i + 1]);
    if (closed) vxClosePath(ctx);
    vxSetStrokeWidth(ctx, 20);
    vxSetLineJoin(ctx, join);
    vxSetLineCap(ctx, cap);
    vxSetMiterLimit(ctx, 3);
    r.calls.clear();
    vxStrokePath(ctx);
    double sum = 0;
    for (const RecordedCall& call : r.calls)
      for (const auto& path : call.paths)
        for (size_t i = 2; i < path.stroke.size(); ++i)
        {
          const VXvertex &a = path.stroke[i - 2], &b = path.stroke[i - 1], &c = path.stroke[i];
          sum += std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2;
        }
    return sum;
  };
  const std::vector<float> lines[] = {
    {10, 50, 100, 50, 60, 90},  // a long corner
    {10, 50, 100, 50, 96, 54},  // a segment too short for the inner miter
    {10, 50, 100, 50, 20, 60},  // past the miter limit
    {10, 50, 60, 20, 110, 50, 160, 20},
  };
  for (const auto& xy : lines)
    for (int join : {VX_MITER, VX_ROUND, VX_BEVEL})
      for (int cap : {VX_BUTT, VX_ROUND, VX_SQUARE})
      {
        const double drawn = area(xy, 1, join, cap), mirrored = area(xy, -1, join, cap);
        EXPECT_GT(drawn, 100);
        EXPECT_NEAR(mirrored, drawn, drawn * 1e-4) << "through " << xy[2] << "," << xy[3] << " to " << xy[4] << ","
                                                   << xy[5] << ", join " << join << ", cap " << cap;
      }
  const std::vector<float> triangle = {10, 10, 90, 20, 30, 80, 10, 10, 90, 20};
  for (int join : {VX_MITER, VX_ROUND, VX_BEVEL})
  {
    const double first = area({triangle.begin(), triangle.begin() + 6}, 1, join, VX_BUTT, true);
    for (int from : {2, 4})
      EXPECT_NEAR(area({triangle.begin() + from, triangle.begin() + from + 6}, 1, join, VX_BUTT, true), first,
                  first * 1e-4)
        << "closed from corner " << from / 2 << ", join " << join;
  }
}

TEST_F(PathTest, StrokesThinnerThanAPixelAreDrawnAPixelWideAndFainterByTheSquareOfTheirWidth)
{
  struct Case
  {
    float ratio, width, drawnWidth, alpha;
  } cases[] = {{1, 2, 2, 0.5f}, {1, 0.5f, 1, 0.125f}, {1, 0.25f, 1, 0.03125f}, {2, 0.25f, 0.5f, 0.125f}};
  for (const Case& k : cases)
  {
    vxBeginFrame(ctx, 800, 600, k.ratio);
    vxSetStrokeColor(ctx, vxColorFromFloats(0, 0, 0, 0.5f));
    vxSetStrokeWidth(ctx, k.width);
    vxBeginPath(ctx);
    vxMoveTo(ctx, 10, 10);
    vxLineTo(ctx, 90, 10);
    vxStrokePath(ctx);
    const RecordedCall* stroke = r.Last("stroke");
    EXPECT_FLOAT_EQ(stroke->strokeWidth, k.drawnWidth) << k.ratio << " " << k.width;
    EXPECT_FLOAT_EQ(stroke->paint.innerColor.a, k.alpha) << k.ratio << " " << k.width;
    vxEndFrame(ctx);
  }
}

TEST_F(PathTest, HslColoursTakeTheirHues)
{
  struct Hsl
  {
    float h, s, l, r, g, b;
  } colours[] = {{0, 1, 0.5f, 1, 0, 0},         {1 / 6.0f, 1, 0.5f, 1, 1, 0}, {0.25f, 1, 0.5f, 0.5f, 1, 0},
                 {1 / 3.0f, 1, 0.5f, 0, 1, 0},  {0.5f, 1, 0.5f, 0, 1, 1},     {2 / 3.0f, 1, 0.5f, 0, 0, 1},
                 {5 / 6.0f, 1, 0.5f, 1, 0, 1},  {0, 0, 0.25f, 0.25f, 0.25f, 0.25f},
                 // dark and pale, between the primaries, hues beyond a turn, and saturation and lightness
                 // beyond their ranges taken as their ends
                 {0.19f, 1, 0.25f, 0.43f, 0.5f, 0}, {0, 0.5f, 0.75f, 0.875f, 0.625f, 0.625f},
                 {0.6f, 0.5f, 0.75f, 0.625f, 0.725f, 0.875f}, {0.9f, 0.5f, 0.25f, 0.375f, 0.125f, 0.275f},
                 {-0.25f, 1, 0.5f, 0.5f, 0, 1},  {1.25f, 1, 0.5f, 0.5f, 1, 0},  {0, 1.5f, 0.25f, 0.5f, 0, 0},
                 {0.5f, -1, 0.4f, 0.4f, 0.4f, 0.4f}, {0.3f, 1, 1.5f, 1, 1, 1},   {0.3f, 1, -1, 0, 0, 0},
                 {1.75f, 1, 0.5f, 0.5f, 0, 1},   {2.25f, 1, 0.5f, 0.5f, 1, 0}};
  for (const Hsl& k : colours)
  {
    const VXcolor c = vxColorFromHsla(k.h, k.s, k.l, 51);
    EXPECT_NEAR(c.r, k.r, 1e-4) << k.h << " " << k.s << " " << k.l;
    EXPECT_NEAR(c.g, k.g, 1e-4) << k.h << " " << k.s << " " << k.l;
    EXPECT_NEAR(c.b, k.b, 1e-4) << k.h << " " << k.s << " " << k.l;
    EXPECT_FLOAT_EQ(c.a, 0.2f);
  }
  EXPECT_FLOAT_EQ(vxColorFromHsl(0.3f, 1, 0.5f).a, 1);
}

// A blend of two colours runs from the first to the second, and stays at either end beyond them.
TEST_F(PathTest, ColourBlendsStayBetweenTheirEnds)
{
  const VXcolor from = vxColorFromFloats(1, 0.5f, 0, 1), to = vxColorFromFloats(0, 0.5f, 1, 0.2f);
  const struct
  {
    float u;
    VXcolor want;
  } cases[] = {{-1, from},
               {0, from},
               {0.25f, vxColorFromFloats(0.75f, 0.5f, 0.25f, 0.8f)},
               {1, to},
               {2, to}};
  for (const auto& k : cases)
  {
    const VXcolor c = vxLerpColor(from, to, k.u);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(c.rgba[i], k.want.rgba[i], 1e-6) << k.u << " channel " << i;
  }
  // Bytes run from 0 to 1 with 255 whole.
  for (const unsigned char byte : {0, 51, 128, 255})
  {
    const float want = byte / 255.0f;
    EXPECT_FLOAT_EQ(vxColorWithAlphaByte(from, byte).a, want) << int(byte);
    const VXcolor c = vxColorFromBytes(byte, byte, byte, byte);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(c.rgba[i], want) << int(byte) << " channel " << i;
  }
  EXPECT_EQ(vxColorWithAlphaByte(from, 255).a, 1.0f);
  EXPECT_EQ(vxColorFromBytesOpaque(0, 0, 0).a, 1.0f);
}

// An inverse undoes its transform for any that keeps some area, however little; one that flattens everything onto a
// line has none and gives the identity.
TEST_F(PathTest, TransformsWithAnyAreaHaveAnInverse)
{
  const struct
  {
    const char* what;
    float t[6];
    int invertible;
  } cases[] = {{"turned and moved", {0.6f, 0.8f, -0.8f, 0.6f, 30, -7}, 1},
               {"shrunk a hundredfold", {0.01f, 0, 0, 0.01f, 2, 3}, 1},
               {"sheared and shrunk", {0.002f, 0.001f, 0.003f, 0.004f, -1, 1}, 1},
               {"mirrored and stretched", {-4, 0, 0, 250, 0, 9}, 1},
               {"onto a line", {1, 2, 2, 4, 5, 5}, 0},
               {"next to nothing", {0.0002f, 0, 0, 0.0002f, 1, 1}, 0}};
  for (const auto& k : cases)
  {
    float inverse[6];
    EXPECT_EQ(vxMatrixInverse(inverse, k.t), k.invertible) << k.what;
    if (!k.invertible)
    {
      const float identity[6] = {1, 0, 0, 1, 0, 0};
      for (int i = 0; i < 6; ++i) EXPECT_EQ(inverse[i], identity[i]) << k.what;
      continue;
    }
    for (const auto& point : {std::make_pair(0.f, 0.f), std::make_pair(10.f, -3.f), std::make_pair(-250.f, 40.f)})
    {
      float x, y, back[2];
      vxMatrixTransformPoint(&x, &y, k.t, point.first, point.second);
      vxMatrixTransformPoint(&back[0], &back[1], inverse, x, y);
      EXPECT_NEAR(back[0], point.first, 1e-3 * (1 + std::fabs(point.first))) << k.what;
      EXPECT_NEAR(back[1], point.second, 1e-3 * (1 + std::fabs(point.second))) << k.what;
    }
  }
}

TEST_F(PathTest, ALineEndingWhereItStartedStrokesAsIfClosed)
{
  std::vector<VXvertex> strokes[2];
  for (int closed = 0; closed < 2; ++closed)
  {
    vxBeginPath(ctx);
    vxMoveTo(ctx, 10, 10);
    vxLineTo(ctx, 50, 10);
    vxLineTo(ctx, 50, 50);
    vxLineTo(ctx, 10, 50);
    if (closed)
      vxClosePath(ctx);
    else
      vxLineTo(ctx, 10, 10);
    vxSetStrokeWidth(ctx, 8);
    vxStrokePath(ctx);
    strokes[closed] = r.Last("stroke")->paths[0].stroke;
  }
  ASSERT_EQ(strokes[0].size(), strokes[1].size());
  for (size_t i = 0; i < strokes[0].size(); ++i)
  {
    EXPECT_NEAR(strokes[0][i].x, strokes[1][i].x, 1e-4) << i;
    EXPECT_NEAR(strokes[0][i].y, strokes[1][i].y, 1e-4) << i;
  }
}

// The fringe is a pixel at every pixel ratio from 1/64 to 64; a ratio beyond those, or none, counts as 1. Points
// closer than a hundredth of a pixel merge into one; a hundredth apart they stay two.
TEST_F(PathTest, PixelRatiosSetTheFringeAndHowClosePointsMerge)
{
  const struct
  {
    float ratio, fringe;
  } ratios[] = {{1 / 64.f, 64}, {0.5f, 2}, {1, 1}, {2, 0.5f}, {64, 1 / 64.f}, {1 / 65.f, 1}, {65, 1},
                {0, 1},         {-2, 1},   {NAN, 1}, {INFINITY, 1}};
  {
    // A context draws at ratio 1 before its first frame.
    Recorder recorder;
    Context fresh{recorder};
    vxBeginPath(fresh.ctx);
    vxRectPath(fresh.ctx, 10, 10, 20, 20);
    vxFillPath(fresh.ctx);
    EXPECT_FLOAT_EQ(recorder.Last("fill")->fringe, 1);
  }
  for (const auto& k : ratios)
  {
    vxBeginFrame(ctx, 800, 600, k.ratio);
    vxBeginPath(ctx);
    vxRectPath(ctx, 10, 10, 20, 20);
    vxFillPath(ctx);
    EXPECT_FLOAT_EQ(r.Last("fill")->fringe, k.fringe) << k.ratio;
  }
  const struct
  {
    float ratio, gap;
    size_t points;
  } gaps[] = {{1, 0.05f, 4}, {1, 0.01f, 4}, {1, 0.005f, 3}, {4, 0.005f, 4}, {4, 0.0025f, 4}, {4, 0.002f, 3}};
  for (const auto& k : gaps)
  {
    vxBeginFrame(ctx, 800, 600, k.ratio);
    vxBeginPath(ctx);
    vxMoveTo(ctx, 0, 10);
    vxLineTo(ctx, k.gap, 10);
    vxLineTo(ctx, 50, 10);
    vxLineTo(ctx, 50, 50);
    vxStrokePath(ctx);
    EXPECT_EQ(Points(ctx).size(), k.points) << k.ratio << " " << k.gap;
  }
}

// A line far shorter than a pixel (at a high pixel ratio) still strokes as wide as its width, across its direction.
TEST_F(PathTest, AVeryShortLineStrokesAsWideAsItsWidth)
{
  vxBeginFrame(ctx, 800, 600, 4);
  for (const auto& dir : {std::make_pair(1.f, 0.f), std::make_pair(0.f, 1.f), std::make_pair(0.6f, -0.8f)})
  {
    vxBeginPath(ctx);
    vxMoveTo(ctx, 10, 10);
    vxLineTo(ctx, 10 + 0.005f * dir.first, 10 + 0.005f * dir.second);
    vxSetStrokeWidth(ctx, 2);
    vxStrokePath(ctx);
    const RecordedCall* stroke = r.Last("stroke");
    ASSERT_EQ(stroke->paths.size(), 1u);
    float nearest = 1e9f, farthest = 0;
    for (const VXvertex& v : stroke->paths[0].stroke)
    {
      // Distance across the line.
      const float across = std::fabs((v.x - 10) * dir.second - (v.y - 10) * dir.first);
      nearest = std::min(nearest, across), farthest = std::max(farthest, across);
    }
    EXPECT_NEAR(nearest, 1.125f, 1e-3) << dir.first << "," << dir.second; // half the width and half the fringe
    EXPECT_NEAR(farthest, 1.125f, 1e-3) << dir.first << "," << dir.second;
  }
}

// Only a solid or a hole winding turns a path round; any other number leaves its points in the order drawn.
TEST_F(PathTest, AWindingNeitherSolidNorHoleKeepsThePointsAsDrawn)
{
  const float clockwise[] = {0, 0, 10, 0, 10, 10, 0, 10}; // on a surface with y down
  const struct
  {
    int winding;
    bool reversed;
  } cases[] = {{VX_SOLID, true}, {VX_HOLE, false}, {0, false}, {3, false}, {-5, false}, {2000000000, false}};
  for (const auto& k : cases)
  {
    vxBeginPath(ctx);
    vxMoveTo(ctx, clockwise[0], clockwise[1]);
    for (int i = 2; i < 8; i += 2) vxLineTo(ctx, clockwise[i], clockwise[i + 1]);
    vxClosePath(ctx);
    vxSetPathWinding(ctx, k.winding);
    vxFillPath(ctx);
    const std::vector<VXpoint> pts = Points(ctx);
    ASSERT_EQ(pts.size(), 4u) << k.winding;
    for (int i = 0; i < 4; ++i)
    {
      const int from = k.reversed ? 3 - i : i;
      EXPECT_EQ(pts[i].x, clockwise[2 * from]) << k.winding << " point " << i;
      EXPECT_EQ(pts[i].y, clockwise[2 * from + 1]) << k.winding << " point " << i;
    }
  }
}

// A corner radius under a tenth of a unit draws a sharp corner; from a tenth on, the corner is cut by its curve.
TEST_F(PathTest, CornerRadiiFromATenthRoundTheirCorner)
{
  const float corners[4][2] = {{0, 0}, {40, 0}, {40, 30}, {0, 30}}; // top left, top right, bottom right, bottom left
  for (const float radius : {0.09f, 0.1f, 0.5f})
    for (int corner = 0; corner < 4; ++corner)
    {
      float radii[4] = {0, 0, 0, 0};
      radii[corner] = radius;
      vxBeginPath(ctx);
      vxRoundedRectVaryingPath(ctx, 0, 0, 40, 30, radii[0], radii[1], radii[2], radii[3]);
      vxFillPath(ctx);
      bool sharp = false;
      for (const VXpoint& p : Points(ctx))
        sharp = sharp || (p.x == corners[corner][0] && p.y == corners[corner][1]);
      EXPECT_EQ(sharp, radius < 0.1f) << "radius " << radius << " corner " << corner;
    }
}

// Strokes are drawn up to 200 units wide, the transform's scale included; wider ones at 200.
TEST_F(PathTest, StrokesAreAtMostTwoHundredWide)
{
  const struct
  {
    float width, scale, drawn;
  } cases[] = {{150, 1, 150}, {199, 1, 199}, {200, 1, 200}, {201, 1, 200}, {1e30f, 1, 200}, {90, 2, 180},
               {150, 2, 200}, {300, 0.5f, 150}};
  for (const auto& k : cases)
  {
    vxSaveState(ctx);
    vxScale(ctx, k.scale, k.scale);
    vxSetStrokeWidth(ctx, k.width);
    vxBeginPath(ctx);
    vxMoveTo(ctx, 0, 0);
    vxLineTo(ctx, 100, 0);
    vxStrokePath(ctx);
    EXPECT_FLOAT_EQ(r.Last("stroke")->strokeWidth, k.drawn) << k.width << " at " << k.scale;
    vxRestoreState(ctx);
  }
}

// A fill is drawn while its vertices number at most 2^20 (a path of one fewer points, drawn without antialiasing);
// one more point and nothing is drawn.
TEST_F(PathTest, AFillOfAtMostTwoToTheTwentyVerticesIsDrawn)
{
  constexpr int kMost = 1 << 20;
  vxSetShapeAntiAlias(ctx, 0);
  for (const int points : {kMost - 1, kMost})
  {
    std::vector<float> commands;
    commands.reserve(size_t(points) * 3);
    for (int i = 0; i < points; ++i)
    {
      const double a = 2 * M_PI * i / points;
      commands.insert(commands.end(), {float(i ? VX_LINE_TO : VX_MOVE_TO), float(20000 + 16000 * std::cos(a)),
                                       float(20000 + 16000 * std::sin(a))});
    }
    r.calls.clear();
    vxBeginPath(ctx);
    vxAppendCommands(ctx, commands.data(), int(commands.size()));
    vxFillPath(ctx);
    if (points < kMost)
    {
      ASSERT_NE(r.Last("fill"), nullptr) << points;
      EXPECT_EQ(r.Last("fill")->paths[0].fillCount, points);
    }
    else
      EXPECT_EQ(r.Last("fill"), nullptr) << points;
  }
}

// A composite operation the renderer does not know draws as a copy.
TEST_F(PathTest, AnUnknownCompositeOperationCopies)
{
  for (const int op : {-1, VX_XOR + 1, 1000})
  {
    vxSetCompositeOperation(ctx, op);
    vxBeginPath(ctx);
    vxRectPath(ctx, 0, 0, 10, 10);
    vxFillPath(ctx);
    const VXcompositeOperationState got = r.Last("fill")->op;
    EXPECT_EQ(got.sourceRGB, VX_ONE) << op;
    EXPECT_EQ(got.sourceAlpha, VX_ONE) << op;
    EXPECT_EQ(got.destinationRGB, VX_ZERO) << op;
    EXPECT_EQ(got.destinationAlpha, VX_ZERO) << op;
  }
}

// An arc to a corner needs a point to start from: as the first command of a path it draws nothing, whatever the path
// before ended with.
TEST_F(PathTest, ArcToWithoutAStartingPointAddsNothing)
{
  {
    Recorder recorder;
    Context fresh{recorder};
    vxArcTo(fresh.ctx, 100, 50, 100, 100, 20); // the first thing a new context is asked for
    EXPECT_EQ(fresh.ctx->commandCount, 0);
  }
  vxBeginPath(ctx);
  vxMoveTo(ctx, 0, 0);
  vxLineTo(ctx, 50, 50);
  vxStrokePath(ctx);
  vxBeginPath(ctx);
  vxArcTo(ctx, 100, 50, 100, 100, 20);
  EXPECT_EQ(ctx->commandCount, 0);
  vxLineTo(ctx, 120, 120);
  vxArcTo(ctx, 150, 120, 150, 150, 20);
  EXPECT_GT(ctx->commandCount, 3);
}

// The counts of a frame: two draw calls a filled path, one a stroked one, and the triangles of their strips; a
// new frame starts them again from nothing.
TEST_F(PathTest, EachFrameCountsItsOwnDrawCallsAndTriangles)
{
  for (int frame = 0; frame < 2; ++frame)
  {
    vxBeginFrame(ctx, 800, 600, 1);
    EXPECT_EQ(ctx->drawCallCount, 0);
    EXPECT_EQ(ctx->fillTriangleCount, 0);
    EXPECT_EQ(ctx->strokeTriangleCount, 0);
    EXPECT_EQ(ctx->textTriangleCount, 0);
    vxBeginPath(ctx);
    vxRectPath(ctx, 10, 10, 20, 20);
    vxRectPath(ctx, 40, 10, 20, 20);
    vxFillPath(ctx); // per rectangle: a fan of 4 vertices and a fringe strip of 10
    EXPECT_EQ(ctx->drawCallCount, 4);
    EXPECT_EQ(ctx->fillTriangleCount, 2 * (2 + 8));
    vxBeginPath(ctx);
    vxMoveTo(ctx, 10, 50);
    vxLineTo(ctx, 90, 50);
    vxStrokePath(ctx); // two butt caps of 4 vertices
    EXPECT_EQ(ctx->drawCallCount, 5);
    EXPECT_EQ(ctx->strokeTriangleCount, 6);
    vxEndFrame(ctx);
  }
}

// The shapes gradients hand the back end: a soft edge at least a unit wide however sharp the gradient asked for, as
// wide as the gradient runs otherwise; a radial gradient's edge half way between its radii.
TEST_F(PathTest, GradientsFeatherAtLeastAUnit)
{
  const VXcolor a = vxColorFromFloats(1, 0, 0, 1), b = vxColorFromFloats(0, 0, 1, 1);
  const struct
  {
    const char* what;
    VXpaint paint;
    float radius, feather;
  } cases[] = {
    {"radial, no ramp", vxMakeRadialGradient(ctx, 5, 5, 10, 10, a, b), 10, 1},
    {"radial, half a unit", vxMakeRadialGradient(ctx, 5, 5, 10, 10.5f, a, b), 10.25f, 1},
    {"radial, a unit and a half", vxMakeRadialGradient(ctx, 5, 5, 10, 11.5f, a, b), 10.75f, 1.5f},
    {"radial, wide", vxMakeRadialGradient(ctx, 5, 5, 0, 30, a, b), 15, 30},
    {"box, sharp", vxMakeBoxGradient(ctx, 0, 0, 20, 10, 3, 0, a, b), 3, 1},
    {"box, a unit and a half", vxMakeBoxGradient(ctx, 0, 0, 20, 10, 3, 1.5f, a, b), 3, 1.5f},
    {"linear, half a unit", vxMakeLinearGradient(ctx, 0, 0, 0.5f, 0, a, b), 0, 1},
    {"linear, a unit and a half", vxMakeLinearGradient(ctx, 0, 0, 0, 1.5f, a, b), 0, 1.5f},
  };
  for (const auto& k : cases)
  {
    EXPECT_FLOAT_EQ(k.paint.radius, k.radius) << k.what;
    EXPECT_FLOAT_EQ(k.paint.feather, k.feather) << k.what;
  }
}

// Whatever the shape, cap and join, the strips handed over keep to their texture coordinates: across a stroke u is 0
// on one side, 1 on the other and 0.5 on the line (0.5 throughout without antialiasing), v is 1 but at the outer
// edge of a butt or square cap; a fill's interior is (0.5, 1) and its fringe runs from u 0 (0.5 for a lone convex
// shape) outside to 1 inside.
TEST_F(PathTest, StripsKeepToTheirTextureCoordinates)
{
  auto zigzags = [&](bool close) {
    vxBeginPath(ctx);
    // Long and short legs turning either way, sharp and shallow.
    const float pts[][2] = {{10, 10}, {80, 10},  {82, 14}, {150, 20}, {150, 80},
                            {140, 82}, {60, 60}, {58, 90}, {20, 40}};
    vxMoveTo(ctx, pts[0][0], pts[0][1]);
    for (size_t i = 1; i < std::size(pts); ++i) vxLineTo(ctx, pts[i][0], pts[i][1]);
    if (close) vxClosePath(ctx);
    vxMoveTo(ctx, 200, 100);
    vxLineTo(ctx, 260, 100);
    vxLineTo(ctx, 200, 103);
    vxLineTo(ctx, 260, 106);
    if (close) vxClosePath(ctx);
  };
  auto oneOf = [](float value, std::initializer_list<float> allowed) {
    for (float a : allowed)
      if (value == a) return true;
    return false;
  };
  for (const int antiAlias : {1, 0})
    for (const int join : {VX_MITER, VX_BEVEL, VX_ROUND})
      for (const int cap : {VX_BUTT, VX_SQUARE, VX_ROUND})
        for (const bool close : {false, true})
          for (const float width : {1.f, 6.f, 30.f})
          {
            vxSetShapeAntiAlias(ctx, antiAlias);
            vxSetLineJoin(ctx, join);
            vxSetLineCap(ctx, cap);
            vxSetStrokeWidth(ctx, width);
            zigzags(close);
            vxStrokePath(ctx);
            const std::string what = "join " + std::to_string(join) + " cap " + std::to_string(cap) +
                                     (close ? " closed" : " open") + " width " + std::to_string(width) +
                                     (antiAlias ? "" : " hard");
            int outerEnds = 0;
            for (const auto& path : r.Last("stroke")->paths)
              for (const VXvertex& v : path.stroke)
              {
                EXPECT_TRUE(antiAlias ? oneOf(v.u, {0, 0.5f, 1}) : v.u == 0.5f) << what << " u " << v.u;
                EXPECT_TRUE(oneOf(v.v, {0, 1})) << what << " v " << v.v;
                outerEnds += v.v == 0;
              }
            EXPECT_EQ(outerEnds, !close && cap != VX_ROUND ? 2 * 2 * 2 : 0) << what;
          }
  vxSetShapeAntiAlias(ctx, 1);
  for (const bool convex : {false, true})
  {
    vxBeginPath(ctx);
    if (convex)
      vxRoundedRectPath(ctx, 10, 10, 80, 40, 8);
    else
      zigzags(true);
    vxFillPath(ctx);
    for (const auto& path : r.Last("fill")->paths)
    {
      for (const VXvertex& v : path.fill)
        EXPECT_TRUE(v.u == 0.5f && v.v == 1) << convex << " fill " << v.u << "," << v.v;
      for (const VXvertex& v : path.stroke)
        EXPECT_TRUE(oneOf(v.u, {convex ? 0.5f : 0.f, 1}) && v.v == 1) << convex << " fringe " << v.u << "," << v.v;
    }
  }
}

// However many sub-paths, points, caps and joins a stroke or fill has, the vertex scratch it was expanded into holds
// every vertex handed over.
TEST_F(PathTest, TheScratchHoldsEveryVertexOfAnExpansion)
{
  for (const int join : {VX_MITER, VX_BEVEL, VX_ROUND})
    for (const int cap : {VX_BUTT, VX_SQUARE, VX_ROUND})
      for (const int shape : {0, 1, 2}) // lines; open and closed polylines
        for (const char* kind : {"stroke", "fill"})
        {
          // A context of its own, with the scratch it starts with.
          Recorder recorder;
          Context fresh{recorder};
          VXcontext* vg = fresh.ctx;
          vxBeginFrame(vg, 800, 600, 1.0f);
          vxBeginPath(vg);
          for (int i = 0; i < 40; ++i)
          {
            const float x = float(i % 8) * 90, y = float(i / 8) * 90;
            vxMoveTo(vg, x, y);
            if (shape == 0)
            {
              vxLineTo(vg, x + 50, y + 10);
              continue;
            }
            if (i % 3) vxLineTo(vg, x + 60, y + 5), vxLineTo(vg, x + 10, y + 40);
            if (i % 2) vxLineTo(vg, x + 40, y + 60);
            if (shape == 2) vxClosePath(vg);
          }
          vxSetLineJoin(vg, join);
          vxSetLineCap(vg, cap);
          vxSetStrokeWidth(vg, 40);
          std::string(kind) == "fill" ? vxFillPath(vg) : vxStrokePath(vg);
          long used = 0;
          for (const auto& path : recorder.Last(kind)->paths) used += long(path.fill.size() + path.stroke.size());
          EXPECT_GE(vg->cache->cverts, used) << kind << " join " << join << " cap " << cap << " shape " << shape;
        }
}

// An iPhone-optimised PNG whose image data fills more than one chunk of the rewritten file decodes whole. (Here,
// not with the other image tests: their program grants no allocation above a megabyte.)
TEST(IphonePng, ImageDataOfMoreThanAMegabyteDecodesWhole)
{
  constexpr int kW = 640, kH = 600;
  auto pixel = [](int x, int y) { return std::vector<uint8_t>{uint8_t(5 * y), uint8_t(3 * x), uint8_t(x + y), 255}; };
  std::vector<uint8_t> rows; // unfiltered, blue first
  for (int y = 0; y < kH; ++y)
  {
    rows.push_back(0);
    for (int x = 0; x < kW; ++x)
      for (int c : {2, 1, 0}) rows.push_back(pixel(x, y)[size_t(c)]);
  }
  std::vector<uint8_t> deflated; // stored blocks, no zlib header
  for (size_t at = 0; at < rows.size(); at += 65535)
  {
    const size_t n = std::min<size_t>(65535, rows.size() - at);
    deflated.push_back(at + n == rows.size() ? 1 : 0);
    for (size_t v : {n, n ^ 0xFFFF}) deflated.push_back(uint8_t(v)), deflated.push_back(uint8_t(v >> 8));
    deflated.insert(deflated.end(), rows.begin() + long(at), rows.begin() + long(at + n));
  }
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  auto chunk = [&png](const char* type, const std::vector<uint8_t>& data) { // with a blank CRC, never read
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(uint8_t(data.size() >> shift));
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    png.insert(png.end(), 4, 0);
  };
  chunk("CgBI", {0x50, 0, 0x20, 0x06});
  chunk("IHDR", {0, 0, kW >> 8, kW & 255, 0, 0, kH >> 8, kH & 255, 8, 2, 0, 0, 0});
  chunk("IDAT", deflated);
  chunk("IEND", {});
  ASSERT_GT(deflated.size(), size_t(1) << 20);
  const vexelimage::Pixels decoded = vexelimage::Decode(png.data(), png.size(), 1024, 1 << 20);
  ASSERT_EQ(decoded.rgba.size(), size_t(kW) * kH * 4);
  int wrong = 0;
  for (int i = 0; i < kW * kH; ++i)
    wrong += !std::equal(decoded.rgba.begin() + 4 * i, decoded.rgba.begin() + 4 * i + 4, pixel(i % kW, i / kW).begin());
  EXPECT_EQ(wrong, 0);
}

} // namespace
