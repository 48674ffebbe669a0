// Pixels drawn by the Metal renderer of Vexel, headless into a framebuffer, against golden PNGs; the measured
// anti-aliasing ramp of a slanted edge; scissors on whole and fractional pixels; and frames of more
// draws than their buffers start with.
#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

#include <cmath>

#include "metal_test_support.h"

namespace {

using mvxtest::Image;
using mvxtest::Surface;

VXcolor Rgba(int r, int g, int b, int a = 255) { return vxColorFromBytes(r, g, b, a); }

void Star(VXcontext* vg, float cx, float cy, float r)
{
  vxBeginPath(vg);
  for (int i = 0; i < 5; ++i)
  {
    float a = -1.5707963f + i * 2.5132741f;
    if (i == 0)
      vxMoveTo(vg, cx + r * std::cos(a), cy + r * std::sin(a));
    else
      vxLineTo(vg, cx + r * std::cos(a), cy + r * std::sin(a));
  }
  vxClosePath(vg);
}

TEST(MetalRender, BackingScaleTwoAndHardEdgesWithoutAntiAliasing)
{
  // At ratio 2 a logical rectangle covers twice the pixels; without anti-aliasing its edges have no fringe.
  Surface s(32, 32, kMvxTripleBuffer);
  mvxBindFramebuffer(s.fb);
  mvxClearWithColor(s.ctx, VXcolor{{{1, 1, 1, 1}}});
  vxBeginFrame(s.ctx, 16, 16, 2);
  vxBeginPath(s.ctx);
  vxRectPath(s.ctx, 2.25f, 3, 8, 8);
  vxSetFillColor(s.ctx, Rgba(0, 0, 0));
  vxFillPath(s.ctx);
  s.End();
  Image img = s.Read();
  for (int x = 0; x < 32; ++x)
    EXPECT_EQ(img.At(x, 12)[0], x >= 4 && x < 20 ? 0 : 255) << x; // edges at 4.5 and 20.5: left counts, right not
  EXPECT_EQ(img.At(10, 5)[0], 255);
  EXPECT_EQ(img.At(10, 6)[0], 0);
  EXPECT_EQ(img.At(10, 21)[0], 0);
  EXPECT_EQ(img.At(10, 22)[0], 255);

  // Two concave fills, without anti-aliasing or with it turned off for the shapes: hard edges on whole pixels,
  // and nothing painted outside the two shapes.
  for (int flags : {kMvxTripleBuffer, kMvxAntiAlias | kMvxTripleBuffer})
  {
    Surface hard(32, 32, flags);
    hard.Begin();
    vxSetShapeAntiAlias(hard.ctx, 0);
    vxSetFillColor(hard.ctx, Rgba(0, 0, 0));
    vxBeginPath(hard.ctx); // an L
    vxMoveTo(hard.ctx, 2, 2), vxLineTo(hard.ctx, 14, 2), vxLineTo(hard.ctx, 14, 6), vxLineTo(hard.ctx, 6, 6);
    vxLineTo(hard.ctx, 6, 14), vxLineTo(hard.ctx, 2, 14), vxClosePath(hard.ctx);
    vxFillPath(hard.ctx);
    vxBeginPath(hard.ctx); // the L turned half round
    vxMoveTo(hard.ctx, 30, 18), vxLineTo(hard.ctx, 30, 30), vxLineTo(hard.ctx, 18, 30), vxLineTo(hard.ctx, 18, 26);
    vxLineTo(hard.ctx, 26, 26), vxLineTo(hard.ctx, 26, 18), vxClosePath(hard.ctx);
    vxFillPath(hard.ctx);
    hard.End();
    const Image shapes = hard.Read();
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
      {
        const bool inL = x >= 2 && y >= 2 && ((x < 14 && y < 6) || (x < 6 && y < 14));
        const bool inTurned = x < 30 && y < 30 && ((x >= 26 && y >= 18) || (x >= 18 && y >= 26));
        ASSERT_EQ(int(shapes.At(x, y)[0]), inL || inTurned ? 0 : 255) << x << "," << y << " flags " << flags;
      }
  }
}

TEST(MetalRender, ATranslucentClearColourIsStoredPremultiplied)
{
  Surface s(4, 4);
  s.Begin(VXcolor{{{0.2f, 0.4f, 1.0f, 0.5f}}});
  s.End();
  const Image img = s.Read();
  const int premultiplied[4] = {26, 51, 128, 128};
  for (int c = 0; c < 4; ++c) EXPECT_NEAR(img.At(2, 1)[c], premultiplied[c], 1) << c;
}

TEST(MetalRender, Fills)
{
  // The renderer culls back faces with counter-clockwise fronts: the convex fill must survive the culling.
  Surface s(128, 96);
  VXcontext* vg = s.ctx;
  s.Begin();
  vxSetFillColor(vg, Rgba(40, 90, 200));
  vxBeginPath(vg); // convex
  vxRoundedRectPath(vg, 6, 6, 52, 36, 8);
  vxFillPath(vg);
  vxBeginPath(vg); // concave arrow
  vxMoveTo(vg, 70, 8), vxLineTo(vg, 122, 24), vxLineTo(vg, 70, 40), vxLineTo(vg, 84, 24), vxClosePath(vg);
  vxSetFillColor(vg, Rgba(200, 60, 40));
  vxFillPath(vg);
  vxBeginPath(vg); // holed
  vxRectPath(vg, 6, 52, 52, 38);
  vxCirclePath(vg, 32, 71, 12);
  vxSetPathWinding(vg, VX_CLOCKWISE);
  vxSetFillColor(vg, Rgba(30, 150, 70));
  vxFillPath(vg);
  Star(vg, 96, 71, 22); // self-crossing: the nonzero rule fills the centre
  vxCirclePath(vg, 123, 92, 2); // a second shape sends the fill through the stencil passes
  vxSetFillColor(vg, Rgba(230, 170, 20));
  vxFillPath(vg);
  s.End();
  EXPECT_EQ(mvxtest::CompareGolden(s.Read(), "fills"), "");
}

// Edges a thousand and more pixels across are placed as exactly as those near the origin.
TEST(MetalRender, AFillFarAcrossAWideSurfaceCoversOnlyItsOwnColumns)
{
  Surface s(1600, 4);
  s.Begin(Rgba(30, 60, 90));
  vxBeginPath(s.ctx);
  vxRectPath(s.ctx, 1500, 0, 40, 4);
  vxSetFillColor(s.ctx, Rgba(255, 255, 255));
  vxFillPath(s.ctx);
  s.End();
  const Image img = s.Read();
  for (int x : {0, 999, 1000, 1498, 1500, 1539, 1541, 1599})
    EXPECT_NEAR(img.At(x, 2)[0], x >= 1500 && x < 1540 ? 255 : 30, 2) << x;
}

// A triangle, the smallest fill, draws as a path of its own and as one of two shapes of a path.
TEST(MetalRender, TrianglesFillAloneAndBesideAnotherShape)
{
  Surface s(32, 16);
  s.Begin(Rgba(0, 0, 0));
  vxSetFillColor(s.ctx, Rgba(200, 60, 40));
  vxBeginPath(s.ctx);
  vxMoveTo(s.ctx, 2, 2), vxLineTo(s.ctx, 14, 2), vxLineTo(s.ctx, 2, 14), vxClosePath(s.ctx);
  vxFillPath(s.ctx);
  vxBeginPath(s.ctx);
  vxMoveTo(s.ctx, 18, 2), vxLineTo(s.ctx, 30, 2), vxLineTo(s.ctx, 18, 14), vxClosePath(s.ctx);
  vxMoveTo(s.ctx, 30, 6), vxLineTo(s.ctx, 30, 14), vxLineTo(s.ctx, 22, 14), vxClosePath(s.ctx);
  vxFillPath(s.ctx);
  s.End();
  const Image frame = s.Read();
  const int fill[4] = {200, 60, 40, 255}, background[4] = {0, 0, 0, 255};
  const struct
  {
    int x, y;
    const int* want;
  } pixels[] = {{5, 5, fill}, {3, 11, fill}, {12, 12, background}, {21, 5, fill}, {28, 12, fill}, {25, 9, background}};
  for (const auto& q : pixels)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(frame.At(q.x, q.y)[c], q.want[c]) << q.x << "," << q.y << " channel " << c;
}

TEST(MetalRender, CapsJoinsAndHairlines)
{
  Surface s(128, 96);
  VXcontext* vg = s.ctx;
  s.Begin();
  const int caps[3] = {VX_BUTT, VX_ROUND, VX_SQUARE};
  const int joins[3] = {VX_MITER, VX_ROUND, VX_BEVEL};
  for (int i = 0; i < 3; ++i)
  {
    float x = 10 + i * 40;
    vxSetLineCap(vg, caps[i]);
    vxSetLineJoin(vg, joins[i]);
    vxSetStrokeWidth(vg, 7);
    vxSetStrokeColor(vg, Rgba(20, 20, 20));
    vxBeginPath(vg);
    vxMoveTo(vg, x, 50), vxLineTo(vg, x + 12, 12), vxLineTo(vg, x + 26, 50);
    vxStrokePath(vg);
  }
  vxSetLineCap(vg, VX_BUTT);
  const float widths[3] = {1.0f, 0.5f, 2.0f};
  for (int i = 0; i < 3; ++i)
  {
    vxSetStrokeWidth(vg, widths[i]);
    vxSetStrokeColor(vg, Rgba(200, 30, 30));
    vxBeginPath(vg);
    vxMoveTo(vg, 8, 64 + i * 10), vxLineTo(vg, 120, 60 + i * 12);
    vxStrokePath(vg);
  }
  s.End();
  EXPECT_EQ(mvxtest::CompareGolden(s.Read(), "strokes"), "");
}

TEST(MetalRender, SeparateLinesOfOneStrokeLeaveTheSpaceBetweenThemAlone)
{
  // Five short vertical lines of one path, drawn down and up, stroked at once with and without anti-aliasing and
  // stencil: the pixels each line covers are black, every other pixel keeps the white background.
  const struct
  {
    float x, from, to;
  } lines[] = {{5, 4, 12}, {15, 20, 12}, {25, 4, 12}, {35, 14, 22}, {45, 20, 12}};
  for (int flags : {kMvxAntiAlias | kMvxStencilStrokes, kMvxStencilStrokes, 0})
  {
    Surface s(50, 24, flags);
    s.Begin();
    vxSetStrokeWidth(s.ctx, 2);
    vxSetStrokeColor(s.ctx, Rgba(0, 0, 0));
    vxBeginPath(s.ctx);
    for (const auto& l : lines) vxMoveTo(s.ctx, l.x, l.from), vxLineTo(s.ctx, l.x, l.to);
    vxStrokePath(s.ctx);
    s.End();
    const Image img = s.Read();
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 50; ++x)
      {
        bool inked = false;
        for (const auto& l : lines)
          inked |= std::fabs(x + 0.5f - l.x) < 1 && y + 0.5f > std::min(l.from, l.to) && y + 0.5f < std::max(l.from, l.to);
        EXPECT_EQ(img.At(x, y)[0], inked ? 0 : 255) << flags << " at " << x << ", " << y;
      }
  }
}

TEST(MetalRender, Paints)
{
  Surface s(128, 96);
  VXcontext* vg = s.ctx;
  s.Begin();
  auto rect = [&](float x, float y, float w, float h, VXpaint p) {
    vxBeginPath(vg);
    vxRectPath(vg, x, y, w, h);
    vxSetFillPaint(vg, p);
    vxFillPath(vg);
  };
  rect(4, 4, 36, 28, vxMakeLinearGradient(vg, 4, 4, 40, 32, Rgba(255, 0, 0), Rgba(0, 0, 255)));
  rect(46, 4, 36, 28, vxMakeRadialGradient(vg, 64, 18, 2, 16, Rgba(255, 255, 0), Rgba(0, 128, 0, 0)));
  rect(88, 4, 36, 28, vxMakeBoxGradient(vg, 94, 9, 24, 18, 5, 6, Rgba(20, 20, 20), Rgba(255, 255, 255, 0)));
  // A 4 x 4 checker pattern, repeated and sampled nearest, 3 pixels a texel.
  unsigned char checker[4 * 4 * 4];
  for (int i = 0; i < 16; ++i)
  {
    bool dark = ((i % 4) + (i / 4)) % 2;
    unsigned char v = dark ? 40 : 220;
    checker[i * 4 + 0] = v, checker[i * 4 + 1] = dark ? 60 : 200, checker[i * 4 + 2] = v, checker[i * 4 + 3] = 255;
  }
  int image = vxCreateImageFromPixels(vg, 4, 4, VX_IMAGE_REPEAT_X | VX_IMAGE_REPEAT_Y | VX_IMAGE_NEAREST, checker);
  ASSERT_GT(image, 0);
  rect(4, 38, 36, 26, vxMakeImagePattern(vg, 4, 38, 12, 12, 0, image, 1));
  // Scissor under a rotation: the fill is clipped to the rotated square.
  vxSaveState(vg);
  vxTranslate(vg, 64, 51);
  vxRotate(vg, 0.5f);
  vxSetScissor(vg, -10, -10, 20, 20);
  vxResetTransform(vg);
  rect(46, 38, 36, 26, vxMakeLinearGradient(vg, 46, 38, 82, 38, Rgba(180, 0, 180), Rgba(0, 160, 200)));
  vxRestoreState(vg);
  int font = vxAddFontFile(vg, "Roboto", mvxtest::kRobotoPath);
  ASSERT_GE(font, 0);
  vxSetFontFaceById(vg, font);
  vxSetFontSize(vg, 15);
  vxSetFillColor(vg, Rgba(10, 10, 60));
  vxDrawText(vg, 6, 86, "Drovik 1.0 Hz", nullptr);
  s.End();
  EXPECT_EQ(mvxtest::CompareGolden(s.Read(), "paints"), "");
}

TEST(MetalRender, CompositeOperations)
{
  // Each cell: a blue disc (destination), then a red square (source) drawn with one of the 11 operations.
  Surface s(128, 96);
  VXcontext* vg = s.ctx;
  s.Begin(VXcolor{{{0, 0, 0, 0}}});
  for (int op = 0; op <= VX_XOR; ++op)
  {
    float x = (op % 4) * 32.0f, y = (op / 4) * 32.0f;
    vxSetCompositeOperation(vg, VX_SOURCE_OVER);
    vxBeginPath(vg);
    vxCirclePath(vg, x + 12, y + 12, 9);
    vxSetFillColor(vg, Rgba(0, 80, 255, 230));
    vxFillPath(vg);
    vxSetCompositeOperation(vg, op);
    vxBeginPath(vg);
    vxRectPath(vg, x + 12, y + 12, 16, 16);
    vxSetFillColor(vg, Rgba(255, 30, 0, 180));
    vxFillPath(vg);
  }
  s.End();
  EXPECT_EQ(mvxtest::CompareGolden(s.Read(), "composite"), "");
}

TEST(MetalRender, UnknownBlendFactorDrawsSourceOver)
{
  Surface s(8, 8);
  s.Begin();
  vxSetBlendFactorsSeparate(s.ctx, VX_ONE, 3, VX_ONE, VX_ZERO); // 3 is no single factor
  vxBeginPath(s.ctx);
  vxRectPath(s.ctx, 0, 0, 8, 8);
  vxSetFillColor(s.ctx, Rgba(0, 0, 0, 128));
  vxFillPath(s.ctx);
  s.End();
  EXPECT_NEAR(s.Read().At(4, 4)[0], 127, 1); // half black over white
  EXPECT_EQ(s.Read().At(4, 4)[3], 255);
}

// Blend factors that weigh each channel on its own, and the saturated source alpha: source (153, 102, 51) over
// destination (128, 64, 255), both opaque.
TEST(MetalRender, ColourBlendFactorsWeighEachChannelOnItsOwn)
{
  struct Row
  {
    const char* name;
    int source, destination;
    int want[4];
  } rows[] = {
    {"destination times source colour", VX_ZERO, VX_SOURCE_COLOR, {77, 26, 51, 255}},
    {"source times destination colour", VX_DESTINATION_COLOR, VX_ZERO, {77, 26, 51, 255}},
    {"screen by destination", VX_ONE_MINUS_DESTINATION_COLOR, VX_ONE, {204, 141, 255, 255}},
    {"screen by source", VX_ONE, VX_ONE_MINUS_SOURCE_COLOR, {204, 141, 255, 255}},
    {"saturated over an opaque destination", VX_SOURCE_ALPHA_SATURATED, VX_ZERO, {0, 0, 0, 255}},
  };
  Surface s(8, 8);
  for (const Row& r : rows)
  {
    s.Begin(Rgba(128, 64, 255));
    vxSetBlendFactors(s.ctx, r.source, r.destination);
    mvxtest::FillRect(s.ctx, 0, 0, 8, 8, Rgba(153, 102, 51));
    s.End();
    const Image frame = s.Read();
    const unsigned char* p = frame.At(4, 4);
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(p[c], r.want[c], 2) << r.name << ", channel " << c;
  }
}

// A scissor whose soft edge just reaches the centre of a pixel column gives that column a trace of coverage, too
// little to show under factors that keep the target for a clear source, but factors that do not keep it still
// weigh the column as a clear source. An opaque (153, 102, 51) fills the whole of an opaque (128, 64, 255)
// background under a scissor from x 2 to 12.0005; columns further out than the soft edge keep the background.
TEST(MetalRender, APixelAtTheFarEdgeOfAScissorIsClearedByFactorsThatDoNotKeepTheTarget)
{
  struct Row
  {
    const char* name;
    int sourceColour, destinationColour, sourceAlpha, destinationAlpha;
    int edge[4];
  } rows[] = {
    {"colour over, alpha replaced", VX_ONE, VX_ONE_MINUS_SOURCE_ALPHA, VX_ONE, VX_ZERO, {128, 64, 255, 0}},
    {"colour replaced, alpha over", VX_ONE, VX_ZERO, VX_ONE, VX_ONE_MINUS_SOURCE_ALPHA, {0, 0, 0, 255}},
    {"both over", VX_ONE, VX_ONE_MINUS_SOURCE_ALPHA, VX_ONE, VX_ONE_MINUS_SOURCE_ALPHA, {128, 64, 255, 255}},
  };
  Surface s(16, 16);
  for (const Row& r : rows)
  {
    s.Begin(Rgba(128, 64, 255));
    vxSetBlendFactorsSeparate(s.ctx, r.sourceColour, r.destinationColour, r.sourceAlpha, r.destinationAlpha);
    vxSetScissor(s.ctx, 2, 0, 10.0005f, 16);
    mvxtest::FillRect(s.ctx, 0, 0, 16, 16, Rgba(153, 102, 51));
    s.End();
    const Image frame = s.Read();
    const int inside[4] = {153, 102, 51, 255};
    for (int y : {0, 8, 15})
      for (int c = 0; c < 4; ++c)
      {
        EXPECT_NEAR(frame.At(3, y)[c], inside[c], 1) << r.name << ", row " << y << ", channel " << c;
        EXPECT_NEAR(frame.At(12, y)[c], r.edge[c], 1) << r.name << ", row " << y << ", channel " << c;
      }
    const int background[4] = {128, 64, 255, 255};
    for (int y = 0; y < 16; ++y)
      for (int x : {0, 14, 15})
        for (int c = 0; c < 4; ++c)
          EXPECT_EQ(frame.At(x, y)[c], background[c]) << r.name << ", pixel " << x << ", " << y << ", channel " << c;
  }
}

TEST(MetalRender, SlantedEdgeHasTheFringeRamp)
{
  // The fringe is one pixel wide across the edge: coverage rises linearly with the distance from the edge,
  // 0 half a pixel outside, 1 half a pixel inside. The edge runs from (10, 0) to (26, 32).
  Surface s(64, 32);
  s.Begin(VXcolor{{{0, 0, 0, 1}}});
  vxBeginPath(s.ctx);
  vxMoveTo(s.ctx, 10, 0), vxLineTo(s.ctx, 64, 0), vxLineTo(s.ctx, 64, 32), vxLineTo(s.ctx, 26, 32);
  vxClosePath(s.ctx);
  vxSetFillColor(s.ctx, Rgba(255, 255, 255));
  vxFillPath(s.ctx);
  s.End();
  Image img = s.Read();
  const float cosine = 2 / std::sqrt(5.0f); // the edge's normal against the x axis
  int ramp = 0;
  for (int y = 2; y < 30; ++y)
    for (int x = 4; x < 34; ++x)
    {
      float edge = 10 + 0.5f * (y + 0.5f);
      float distance = (x + 0.5f - edge) * cosine;
      float expected = std::min(1.0f, std::max(0.0f, distance + 0.5f));
      float got = img.At(x, y)[0] / 255.0f;
      EXPECT_NEAR(got, expected, 0.08f) << x << ", " << y;
      ramp += got > 0.05f && got < 0.95f;
    }
  EXPECT_GE(ramp, 28); // at least one pixel of every row lies on the ramp
}

/// An image of w x h texels drawn at one texel a pixel with its top left at (x, y), over a background of bg, on
/// a surface of sw x sh pixels.
Image DrawImage(int sw, int sh, int w, int h, int flags, const unsigned char* texels, int x, int y, const int bg[3])
{
  Surface s(sw, sh);
  int image = vxCreateImageFromPixels(s.ctx, w, h, flags, texels);
  s.Begin(Rgba(bg[0], bg[1], bg[2]));
  vxBeginPath(s.ctx);
  vxRectPath(s.ctx, float(x), float(y), float(w), float(h));
  vxSetFillPaint(s.ctx, vxMakeImagePattern(s.ctx, float(x), float(y), float(w), float(h), 0, image, 1));
  vxFillPath(s.ctx);
  s.End();
  return s.Read();
}

} // namespace

TEST(MetalRender, ImagesAtOneTexelAPixelShowTheirTexelsOverTheBackground)
{
  // Columns of opaque, clear, half and quarter alpha texels, straight and premultiplied, over an opaque background.
  const unsigned char column[4 * 4] = {200, 10, 20, 255, 0, 0, 0, 0, 40, 120, 80, 128, 60, 50, 40, 64};
  std::vector<unsigned char> texels(4 * sizeof column);
  for (size_t row = 0; row < 4; ++row) std::copy(column, column + sizeof column, texels.begin() + long(row * sizeof column));
  const int bg[3] = {30, 60, 90};
  for (int flags : {0, int(VX_IMAGE_PREMULTIPLIED)})
  {
    const Image img = DrawImage(8, 8, 4, 4, flags, texels.data(), 2, 2, bg);
    for (int y = 3; y < 5; ++y)
      for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c)
        {
          const double a = column[i * 4 + 3] / 255.0, t = column[i * 4 + c];
          const double expected = (flags ? t : t * a) + bg[c] * (1.0 - a);
          EXPECT_NEAR(img.At(2 + i, y)[c], expected, 1.0) << "flags " << flags << " texel " << i << " channel " << c;
        }
    EXPECT_EQ(img.At(1, 3)[0], bg[0]); // nothing beside the image
    EXPECT_EQ(img.At(6, 3)[0], bg[0]);
  }
}

TEST(MetalRender, RunsOfOpaqueClearAndPartialTexelsAtOneTexelAPixel)
{
  // A row of 24 texels in runs of every kind and of odd and even lengths, so that runs start and end on both
  // halves of a texel pair: opaque texels replace the background, straight texels of alpha 0 leave it, partial
  // ones blend (a nearly opaque one too, leaving the background opaque), and premultiplied texels of alpha 0 with
  // colour add it.
  const int kinds[24] = {2, 2, 2, 0, 0, 1, 2, 0, 0, 0, 0, 0, 1, 1, 2, 2, 2, 3, 0, 1, 0, 2, 1, 1}; // 0 clear, 1 half, 2 opaque, 3 alpha 254
  std::vector<unsigned char> texels(24 * 4 * 4);
  for (int i = 0; i < 24; ++i)
  {
    const unsigned char alpha = kinds[i] == 2 ? 255 : kinds[i] == 3 ? 254 : kinds[i] == 1 ? 128 : 0;
    const unsigned char value = static_cast<unsigned char>(std::min(10 * i + 5, kinds[i] == 0 ? 40 : int(alpha)));
    unsigned char* t = &texels[size_t(i) * 4];
    t[0] = value, t[1] = static_cast<unsigned char>(value / 2), t[2] = static_cast<unsigned char>(value / 3), t[3] = alpha;
  }
  for (int row = 1; row < 4; ++row) std::copy_n(texels.begin(), 24 * 4, texels.begin() + row * 24 * 4); // four rows alike
  const int bg[3] = {30, 60, 90};
  for (int flags : {0, int(VX_IMAGE_PREMULTIPLIED)})
  {
    const Image img = DrawImage(28, 6, 24, 4, flags, texels.data(), 2, 1, bg);
    for (int i = 0; i < 24; ++i)
    {
      for (int c = 0; c < 3; ++c)
      {
        const int got = img.At(2 + i, 2)[c], t = texels[size_t(i) * 4 + size_t(c)];
        const double a = texels[size_t(i) * 4 + 3] / 255.0;
        if (kinds[i] == 2)
          EXPECT_EQ(got, t) << "flags " << flags << " texel " << i;
        else if (kinds[i] == 0 && !flags)
          EXPECT_EQ(got, bg[c]) << "flags " << flags << " texel " << i;
        else
          EXPECT_NEAR(got, (flags ? t : t * a) + bg[c] * (1.0 - a), 1.0) << "flags " << flags << " texel " << i;
      }
      EXPECT_EQ(img.At(2 + i, 2)[3], 255) << "flags " << flags << " texel " << i;
    }
  }
}

TEST(MetalRender, AScissorOnWholePixelsCutsAnImageExactlyAtEachScale)
{
  // An opaque image over the whole surface, drawn through a scissor on whole pixels (11 x 7 of them at 5, 3): every
  // pixel inside shows its texel unchanged, every pixel outside keeps the background, at the scissor's first and
  // last rows and columns too; the scissor set directly, as two intersected rectangles neither of them square, or
  // under a quarter turn or a scale of one axis.
  struct Case
  {
    const char* name;
    void (*scissor)(VXcontext* ctx, float unit);
  } cases[] = {
    {"set", [](VXcontext* c, float u) { vxSetScissor(c, 5 * u, 3 * u, 11 * u, 7 * u); }},
    {"intersected",
     [](VXcontext* c, float u) {
       vxSetScissor(c, 2 * u, 3 * u, 14 * u, 20 * u);
       vxIntersectScissor(c, 5 * u, 0, 20 * u, 10 * u);
     }},
    {"turned",
     [](VXcontext* c, float u) {
       vxTranslate(c, 10.5f * u, 6.5f * u);
       vxRotate(c, 1.5707963f);
       vxSetScissor(c, -3.5f * u, -5.5f * u, 7 * u, 11 * u);
       vxResetTransform(c);
     }},
    {"scaled",
     [](VXcontext* c, float u) {
       vxTranslate(c, 10.5f * u, 6.5f * u);
       vxScale(c, 1, 0.5f);
       vxSetScissor(c, -5.5f * u, -7 * u, 11 * u, 14 * u);
       vxResetTransform(c);
     }},
  };
  for (const Case& k : cases)
    for (float ratio : {1.0f, 2.0f})
    {
      const int w = 24, h = 16;
      std::vector<unsigned char> texels(size_t(w) * size_t(h) * 4);
      for (size_t i = 0; i < texels.size(); i += 4)
        texels[i] = static_cast<unsigned char>(i / 4 % 251), texels[i + 1] = 200, texels[i + 2] = 7,
        texels[i + 3] = 255;
      Surface s(w, h);
      int image = vxCreateImageFromPixels(s.ctx, w, h, 0, texels.data());
      mvxBindFramebuffer(s.fb);
      mvxClearWithColor(s.ctx, Rgba(30, 60, 90));
      vxBeginFrame(s.ctx, w / ratio, h / ratio, ratio); // the same pixels, in units of 1/ratio
      k.scissor(s.ctx, 1 / ratio);
      vxBeginPath(s.ctx);
      vxRectPath(s.ctx, 0, 0, w / ratio, h / ratio);
      vxSetFillPaint(s.ctx, vxMakeImagePattern(s.ctx, 0, 0, w / ratio, h / ratio, 0, image, 1));
      vxFillPath(s.ctx);
      s.End();
      mvxtest::Image img = s.Read();
      int wrong = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
          const bool inside = x >= 5 && x < 16 && y >= 3 && y < 10;
          const unsigned char* t = &texels[(size_t(y) * size_t(w) + size_t(x)) * 4];
          const unsigned char* p = img.At(x, y);
          const bool right =
            inside ? p[0] == t[0] && p[1] == t[1] && p[2] == t[2] : p[0] == 30 && p[1] == 60 && p[2] == 90;
          if (!right && wrong++ < 4) ADD_FAILURE() << k.name << ", ratio " << ratio << ": pixel " << x << "," << y;
        }
      EXPECT_EQ(wrong, 0) << k.name << ", ratio " << ratio;
    }
}

TEST(MetalRender, AScissorEdgeAQuarterPixelPastACentreCoversThatPixelByAQuarterUnderAnyTransform)
{
  // A white fill through a scissor whose left edge lies at x = 4.75, right edge at x = 16.05 and bottom edge at
  // y = 10.25: the soft edge rises by one a pixel, so column 4 and row 10 are a quarter white and column 16 a
  // twentieth, whatever space the scissor was given in.
  struct Case
  {
    const char* name;
    void (*scissor)(VXcontext* ctx);
  } cases[] = {
    {"set", [](VXcontext* c) { vxSetScissor(c, 4.75f, 3, 11.3f, 7.25f); }},
    {"scaled down", [](VXcontext* c) {
       vxScale(c, 1, 0.5f);
       vxSetScissor(c, 4.75f, 6, 11.3f, 14.5f);
       vxResetTransform(c);
     }},
    {"scaled across", [](VXcontext* c) {
       vxScale(c, 0.5f, 1);
       vxSetScissor(c, 9.5f, 3, 22.6f, 7.25f);
       vxResetTransform(c);
     }},
    {"turned", [](VXcontext* c) {
       vxTranslate(c, 10.375f, 6.625f);
       vxRotate(c, 1.5707963f);
       vxSetScissor(c, -3.625f, -5.675f, 7.25f, 11.3f);
       vxResetTransform(c);
     }},
  };
  // The whole surface filled white over the background through the scissor `scissor` sets.
  const auto whiteThrough = [](int w, int h, void (*scissor)(VXcontext*)) {
    Surface s(w, h);
    s.Begin(Rgba(30, 60, 90));
    scissor(s.ctx);
    vxBeginPath(s.ctx);
    vxRectPath(s.ctx, 0, 0, float(w), float(h));
    vxSetFillColor(s.ctx, Rgba(255, 255, 255));
    vxFillPath(s.ctx);
    s.End();
    return s.Read();
  };
  for (const Case& k : cases)
  {
    const Image img = whiteThrough(24, 16, k.scissor);
    const struct
    {
      int x, y;
      float white;
    } pixels[] = {{3, 6, 0}, {4, 6, 0.25f}, {5, 6, 1}, {15, 6, 1}, {16, 6, 0.05f}, {17, 6, 0}, {10, 2, 0}, {10, 3, 1},
                  {10, 9, 1}, {10, 10, 0.25f}, {10, 11, 0}};
    for (const auto& q : pixels)
    {
      const unsigned char* p = img.At(q.x, q.y);
      const float want[3] = {30 + q.white * 225, 60 + q.white * 195, 90 + q.white * 165};
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], want[c], 3) << k.name << " at " << q.x << "," << q.y;
    }
  }
  // A scissor narrower than a pixel still cuts: half a pixel wide in the middle of column 4, it leaves that column
  // three quarters white and every other untouched.
  const Image img = whiteThrough(8, 4, [](VXcontext* c) { vxSetScissor(c, 4.25f, 0, 0.5f, 4); });
  for (int x = 0; x < 8; ++x)
    EXPECT_NEAR(img.At(x, 2)[0], x == 4 ? 30 + 0.75 * 225 : 30, 2) << x;
}

TEST(MetalRender, AFrameOfMoreDrawsThanItsBuffersStartWithShowsEveryOne)
{
  // 300 squares of 3 x 3 pixels, each a fill of its own colour: more calls, uniforms and vertices than a frame's
  // buffers first hold. Every square's middle pixel shows its colour.
  constexpr int kAcross = 20, kDown = 15;
  auto colour = [](int i) { return Rgba(i * 7 % 256, i * 13 % 256, i * 29 % 256); };
  Surface s(3 * kAcross, 3 * kDown);
  s.Begin();
  for (int i = 0; i < kAcross * kDown; ++i)
  {
    vxBeginPath(s.ctx);
    vxRectPath(s.ctx, float(i % kAcross * 3), float(i / kAcross * 3), 3, 3);
    vxSetFillColor(s.ctx, colour(i));
    vxFillPath(s.ctx);
  }
  s.End();
  const Image img = s.Read();
  for (int i = 0; i < kAcross * kDown; ++i)
  {
    const unsigned char* p = img.At(i % kAcross * 3 + 1, i / kAcross * 3 + 1);
    const int want[3] = {i * 7 % 256, i * 13 % 256, i * 29 % 256};
    for (int c = 0; c < 3; ++c) ASSERT_EQ(p[c], want[c]) << "square " << i << " channel " << c;
  }
}

TEST(MetalRender, PaintsAtKnownPixels)
{
  // Gradients run from their inner colour at the start (or centre) to their outer colour at the end, half way in
  // between; a translucent colour blends premultiplied over white.
  Surface s(64, 64);
  VXcontext* vg = s.ctx;
  const VXcolor red = Rgba(255, 0, 0), blue = Rgba(0, 0, 255);
  const VXpaint across = vxMakeLinearGradient(vg, 8.5f, 8, 56.5f, 8, red, blue);
  const VXpaint diagonal = vxMakeLinearGradient(vg, 8.5f, 8.5f, 40.5f, 40.5f, red, blue);
  const VXpaint upwards = vxMakeLinearGradient(vg, 8, 56.5f, 8, 8.5f, red, blue);
  const VXpaint fading = vxMakeLinearGradient(vg, 8.5f, 8, 56.5f, 8, Rgba(0, 0, 0), Rgba(0, 0, 0, 0));
  // A gradient a little over a ten-thousandth long still runs from its start to its end, a step across it; one of
  // no length steps downwards.
  const VXpaint step = vxMakeLinearGradient(vg, 32, 8, 32.00012f, 8, red, blue);
  const VXpaint still = vxMakeLinearGradient(vg, 8, 32, 8, 32, red, blue);
  const VXpaint radial = vxMakeRadialGradient(vg, 32.5f, 32.5f, 4, 20, Rgba(255, 255, 0), Rgba(0, 128, 0));
  const VXpaint box = vxMakeBoxGradient(vg, 12, 24, 40, 16, 0, 4, Rgba(0, 0, 0), Rgba(255, 255, 255));
  const VXcolor pink = Rgba(255, 51, 102, 128);
  const VXpaint translucent = vxMakeBoxGradient(vg, 0, 0, 64, 64, 0, 1, pink, pink);
  struct Row
  {
    const char* what;
    const VXpaint& paint;
    int x, y;
    int want[3];
  } rows[] = {
    {"linear start", across, 8, 4, {255, 0, 0}},         {"linear middle", across, 32, 4, {128, 0, 128}},
    {"linear end", across, 56, 40, {0, 0, 255}},         {"diagonal middle", diagonal, 32, 16, {128, 0, 128}},
    {"fading middle", fading, 32, 4, {128, 128, 128}},   {"fading end", fading, 56, 4, {255, 255, 255}},
    {"diagonal quarter", diagonal, 16, 16, {191, 0, 64}}, {"upwards quarter", upwards, 20, 44, {191, 0, 64}},
    {"radial centre", radial, 32, 32, {255, 255, 0}},     {"radial quarter", radial, 40, 32, {191, 223, 0}},
    {"radial outside", radial, 32, 61, {0, 128, 0}},      {"box centre", box, 32, 32, {0, 0, 0}},
    {"box below", box, 32, 46, {255, 255, 255}},          {"box beside", box, 6, 32, {255, 255, 255}},
    {"translucent", translucent, 32, 32, {255, 153, 178}},
    {"step before", step, 16, 40, {255, 0, 0}},           {"step after", step, 48, 4, {0, 0, 255}},
    {"no length above", still, 40, 20, {255, 0, 0}},      {"no length below", still, 20, 44, {0, 0, 255}},
  };
  for (const Row& r : rows)
  {
    s.Begin();
    vxBeginPath(vg);
    vxRectPath(vg, 0, 0, 64, 64);
    vxSetFillPaint(vg, r.paint);
    vxFillPath(vg);
    s.End();
    const Image img = s.Read();
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(img.At(r.x, r.y)[c], r.want[c], 3) << r.what << " channel " << c;
  }
}

TEST(MetalRender, EveryCompositeOperationWhereSourceMeetsDestinationAndWhereItIsAlone)
{
  // Destination: blue at alpha 0.8 over the left half of a clear surface; source: red at alpha 0.6 over x 4 to 16.
  // Premultiplied red, blue and alpha where both are (x 6) and where only the source is (x 12).
  struct Row
  {
    int op;
    float both[3], alone[3];
  } rows[] = {
    {VX_SOURCE_OVER, {0.6f, 0.32f, 0.92f}, {0.6f, 0, 0.6f}},
    {VX_SOURCE_IN, {0.48f, 0, 0.48f}, {0, 0, 0}},
    {VX_SOURCE_OUT, {0.12f, 0, 0.12f}, {0.6f, 0, 0.6f}},
    {VX_ATOP, {0.48f, 0.32f, 0.8f}, {0, 0, 0}},
    {VX_DESTINATION_OVER, {0.12f, 0.8f, 0.92f}, {0.6f, 0, 0.6f}},
    {VX_DESTINATION_IN, {0, 0.48f, 0.48f}, {0, 0, 0}},
    {VX_DESTINATION_OUT, {0, 0.32f, 0.32f}, {0, 0, 0}},
    {VX_DESTINATION_ATOP, {0.12f, 0.48f, 0.6f}, {0.6f, 0, 0.6f}},
    {VX_LIGHTER, {0.6f, 0.8f, 1}, {0.6f, 0, 0.6f}},
    {VX_COPY, {0.6f, 0, 0.6f}, {0.6f, 0, 0.6f}},
    {VX_XOR, {0.12f, 0.32f, 0.44f}, {0.6f, 0, 0.6f}},
  };
  Surface s(16, 16);
  for (const Row& r : rows)
  {
    s.Begin(VXcolor{{{0, 0, 0, 0}}});
    vxSetCompositeOperation(s.ctx, VX_SOURCE_OVER);
    vxBeginPath(s.ctx);
    vxRectPath(s.ctx, 0, 0, 8, 16);
    vxSetFillColor(s.ctx, Rgba(0, 0, 255, 204));
    vxFillPath(s.ctx);
    vxSetCompositeOperation(s.ctx, r.op);
    vxBeginPath(s.ctx);
    vxRectPath(s.ctx, 4, 0, 12, 16);
    vxSetFillColor(s.ctx, Rgba(255, 0, 0, 153));
    vxFillPath(s.ctx);
    s.End();
    const Image img = s.Read();
    const int channels[3] = {0, 2, 3};
    for (int i = 0; i < 3; ++i)
    {
      EXPECT_NEAR(img.At(6, 8)[channels[i]], 255 * r.both[i], 2) << "operation " << r.op << " both, channel " << i;
      EXPECT_NEAR(img.At(12, 8)[channels[i]], 255 * r.alone[i], 2) << "operation " << r.op << " alone, channel " << i;
    }
  }
}

TEST(MetalRender, AHoleStaysOpenAndOverlapsOfOneWindingFill)
{
  Surface s(64, 64);
  s.Begin();
  vxSetFillColor(s.ctx, Rgba(0, 0, 0));
  vxBeginPath(s.ctx);
  vxRectPath(s.ctx, 4, 4, 56, 28);
  vxCirclePath(s.ctx, 32, 18, 8);
  vxSetPathWinding(s.ctx, VX_CLOCKWISE);
  vxFillPath(s.ctx);
  vxBeginPath(s.ctx);
  vxRectPath(s.ctx, 4, 40, 32, 20);
  vxRectPath(s.ctx, 20, 40, 36, 20);
  vxFillPath(s.ctx);
  s.End();
  const Image img = s.Read();
  EXPECT_EQ(img.At(32, 18)[0], 255); // the hole
  EXPECT_EQ(img.At(10, 18)[0], 0);
  EXPECT_EQ(img.At(28, 50)[0], 0); // both rectangles
  EXPECT_EQ(img.At(50, 50)[0], 0);
}

TEST(MetalRender, AnImageStoredBottomUpShowsItsLastRowOnTop)
{
  // A 2 x 4 image whose texels count up row by row, drawn at one texel a pixel.
  unsigned char texels[2 * 4 * 4];
  for (int i = 0; i < 8; ++i)
    texels[i * 4] = (unsigned char)(20 * i + 10), texels[i * 4 + 1] = 0, texels[i * 4 + 2] = 0, texels[i * 4 + 3] = 255;
  const int bg[3] = {0, 0, 0};
  const Image img = DrawImage(6, 8, 2, 4, VX_IMAGE_FLIP_Y | VX_IMAGE_NEAREST, texels, 2, 2, bg);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(img.At(2 + x, 2 + y)[0], texels[((3 - y) * 2 + x) * 4]) << x << ", " << y;
}

TEST(MetalRender, TextTakesItsFillColour)
{
  for (int green : {0, 255}) // blue, then cyan: a colour with no red and the rest full
  {
    Surface s(64, 48);
    s.Begin();
    int font = vxAddFontFile(s.ctx, "Roboto", mvxtest::kRobotoPath);
    ASSERT_GE(font, 0);
    vxSetFontFaceById(s.ctx, font);
    vxSetFontSize(s.ctx, 40);
    vxSetFillColor(s.ctx, Rgba(0, green, 255));
    vxDrawText(s.ctx, 8, 40, "HI", nullptr);
    s.End();
    const Image img = s.Read();
    int inked = 0;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x)
      {
        const unsigned char* p = img.At(x, y);
        if (p[0] > 64) continue; // white or edge
        ++inked;
        EXPECT_EQ(p[1], green ? p[2] : p[0]) << green << ": " << x << ", " << y;
        EXPECT_GE(p[2], 250) << green << ": " << x << ", " << y;
      }
    EXPECT_GT(inked, 100) << green;
  }
}

TEST(MetalRender, ATranslucentStrokeCoversEachPixelOnceWhereItCrossesItself)
{
  // Half black, 9 wide, through a crossing: every pixel a segment's body covers whole shows one layer of it,
  // also where another segment's edge passes over it.
  const float xy[] = {8, 8, 56, 56, 56, 8, 8, 56.5f};
  Surface s(64, 64);
  s.Begin();
  vxSetStrokeColor(s.ctx, Rgba(0, 0, 0, 128));
  vxSetStrokeWidth(s.ctx, 9);
  vxBeginPath(s.ctx);
  vxMoveTo(s.ctx, xy[0], xy[1]);
  for (int i = 2; i < 8; i += 2) vxLineTo(s.ctx, xy[i], xy[i + 1]);
  vxStrokePath(s.ctx);
  s.End();
  const Image img = s.Read();
  int checked = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
    {
      bool whole = false; // within 3.5 of a segment's body, its ends excluded
      for (int i = 0; i < 6; i += 2)
      {
        const float dx = xy[i + 2] - xy[i], dy = xy[i + 3] - xy[i + 1];
        const float px = x + 0.5f - xy[i], py = y + 0.5f - xy[i + 1];
        const float len = std::hypot(dx, dy), along = (px * dx + py * dy) / len, across = (px * dy - py * dx) / len;
        whole = whole || (along > 5 && along < len - 5 && std::fabs(across) <= 3.5f);
      }
      if (!whole) continue;
      ++checked;
      EXPECT_NEAR(img.At(x, y)[0], 127, 2) << x << ", " << y;
    }
  EXPECT_GT(checked, 500);
}

TEST(MetalRender, ScaledImagesBlendStraightAndPremultipliedTexelsOverTheBackground)
{
  // A 2 x 2 image of one half transparent texel, filled over 8 x 8 pixels: filtered, not copied texel by texel.
  const unsigned char texel[4] = {40, 120, 80, 128};
  unsigned char texels[16];
  for (int i = 0; i < 16; ++i) texels[i] = texel[i % 4];
  const int bg[3] = {30, 60, 90};
  for (int flags : {0, int(VX_IMAGE_PREMULTIPLIED)})
  {
    Surface s(8, 8);
    int image = vxCreateImageFromPixels(s.ctx, 2, 2, flags, texels);
    s.Begin(Rgba(bg[0], bg[1], bg[2]));
    vxBeginPath(s.ctx);
    vxRectPath(s.ctx, 0, 0, 8, 8);
    vxSetFillPaint(s.ctx, vxMakeImagePattern(s.ctx, 0, 0, 8, 8, 0, image, 1));
    vxFillPath(s.ctx);
    s.End();
    const Image img = s.Read();
    const double a = texel[3] / 255.0;
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(img.At(4, 4)[c], (flags ? texel[c] : texel[c] * a) + bg[c] * (1.0 - a), 1.5) << flags << " " << c;
  }
}
