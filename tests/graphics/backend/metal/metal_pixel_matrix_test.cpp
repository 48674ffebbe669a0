// Pixels of the Metal renderer across a matrix of gradients, image patterns (turned, scaled, mipmapped, repeated,
// premultiplied, flipped), strokes and fills with and without anti-aliasing, composite operations, scissors,
// skewed transforms and a layer drawn back as an image, each at pixel ratios 1 and 2, against golden PNGs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "metal_test_support.h"

namespace {

using mvxtest::Surface;

constexpr int kWidth = 96, kHeight = 64; // logical size of every scene

VXcolor Rgba(int r, int g, int b, int a = 255) { return vxColorFromBytes(r, g, b, a); }

void Rect(VXcontext* vg, float x, float y, float w, float h, VXpaint p)
{
  vxBeginPath(vg);
  vxRectPath(vg, x, y, w, h);
  vxSetFillPaint(vg, p);
  vxFillPath(vg);
}

// An 8 x 8 image of smoothly changing colour and alpha.
std::vector<unsigned char> Texels(int n, bool premultiplied)
{
  std::vector<unsigned char> px((size_t)n * n * 4);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
    {
      unsigned char* p = &px[((size_t)y * n + x) * 4];
      int a = 255 - (x * 150) / n;
      int r = (x * 255) / (n - 1), g = (y * 255) / (n - 1), b = 255 - (x * y * 255) / ((n - 1) * (n - 1));
      if (premultiplied) r = r * a / 255, g = g * a / 255, b = b * a / 255;
      p[0] = (unsigned char)r, p[1] = (unsigned char)g, p[2] = (unsigned char)b, p[3] = (unsigned char)a;
    }
  return px;
}

void GradientsAndPatterns(VXcontext* vg)
{
  Rect(vg, 2, 2, 28, 18, vxMakeLinearGradient(vg, 4, 4, 28, 18, Rgba(255, 0, 0, 255), Rgba(0, 0, 255, 90)));
  Rect(vg, 34, 2, 28, 18, vxMakeRadialGradient(vg, 48, 11, 3, 10, Rgba(255, 240, 0), Rgba(0, 120, 0, 40)));
  Rect(vg, 66, 2, 28, 18, vxMakeBoxGradient(vg, 70, 5, 20, 12, 4, 5, Rgba(20, 20, 90), Rgba(255, 255, 255, 0)));
  std::vector<unsigned char> straight = Texels(8, false), premultiplied = Texels(8, true);
  int linear = vxCreateImageFromPixels(vg, 8, 8, VX_IMAGE_REPEAT_X | VX_IMAGE_REPEAT_Y, straight.data());
  int nearest = vxCreateImageFromPixels(vg, 8, 8, VX_IMAGE_REPEAT_X | VX_IMAGE_NEAREST, straight.data());
  int mipmapped = vxCreateImageFromPixels(vg, 8, 8, VX_IMAGE_GENERATE_MIPMAPS | VX_IMAGE_REPEAT_X | VX_IMAGE_REPEAT_Y,
                                          straight.data());
  int flipped = vxCreateImageFromPixels(vg, 8, 8, VX_IMAGE_PREMULTIPLIED | VX_IMAGE_FLIP_Y, premultiplied.data());
  Rect(vg, 2, 24, 20, 18, vxMakeImagePattern(vg, 3, 25, 11, 7, 0.5f, linear, 1)); // turned and stretched
  Rect(vg, 24, 24, 22, 18, vxMakeImagePattern(vg, 25, 26, 24, 24, 0, nearest, 0.7f)); // magnified, repeated in x
  Rect(vg, 48, 24, 22, 9, vxMakeImagePattern(vg, 48, 24, 3, 3, 0.2f, mipmapped, 1)); // minified
  Rect(vg, 48, 33, 22, 9, vxMakeImagePattern(vg, 49, 33, 20, 20, 0, mipmapped, 1));   // magnified
  Rect(vg, 72, 24, 22, 18, vxMakeImagePattern(vg, 74, 25, 16, 16, 0, flipped, 1));
  vxSetGlobalAlpha(vg, 0.5f);
  Rect(vg, 2, 46, 44, 16, vxMakeLinearGradient(vg, 2, 46, 2, 62, Rgba(0, 0, 0), Rgba(255, 80, 0)));
  vxSetGlobalAlpha(vg, 1);
  vxSaveState(vg);
  vxTranslate(vg, 70, 54);
  vxSkewX(vg, 0.4f);
  vxRotate(vg, -0.3f);
  Rect(vg, -16, -7, 32, 14, vxMakeImagePattern(vg, -16, -7, 8, 8, 0, linear, 1));
  vxRestoreState(vg);
}

void StrokesAndFills(VXcontext* vg)
{
  const int joins[3] = {VX_MITER, VX_ROUND, VX_BEVEL};
  const int caps[3] = {VX_BUTT, VX_ROUND, VX_SQUARE};
  for (int i = 0; i < 3; ++i)
  {
    float x = 4 + i * 30.0f;
    vxSetLineJoin(vg, joins[i]);
    vxSetLineCap(vg, caps[i]);
    vxSetStrokeWidth(vg, 4);
    vxSetStrokeColor(vg, Rgba(20, 40, 160, 150)); // translucent: crossings must not darken
    vxBeginPath(vg);
    vxMoveTo(vg, x, 22), vxLineTo(vg, x + 8, 4), vxLineTo(vg, x + 14, 20), vxLineTo(vg, x + 2, 12);
    vxLineTo(vg, x + 24, 8);
    vxStrokePath(vg);
  }
  const float widths[3] = {0.3f, 0.75f, 1.25f};
  for (int i = 0; i < 3; ++i)
  {
    vxSetStrokeWidth(vg, widths[i]);
    vxSetStrokeColor(vg, Rgba(180, 20, 20));
    vxBeginPath(vg);
    vxMoveTo(vg, 4, 27 + i * 4.0f), vxLineTo(vg, 90, 29 + i * 4.5f);
    vxStrokePath(vg);
  }
  vxSetFillColor(vg, Rgba(30, 140, 60, 200));
  vxBeginPath(vg);
  vxRectPath(vg, 4, 40, 26, 22);
  vxCirclePath(vg, 17, 51, 7);
  vxSetPathWinding(vg, VX_HOLE);
  vxFillPath(vg);
  vxSetFillColor(vg, Rgba(200, 130, 10, 220));
  vxBeginPath(vg);
  vxMoveTo(vg, 34, 62), vxLineTo(vg, 46, 40), vxLineTo(vg, 58, 62), vxLineTo(vg, 34, 48), vxLineTo(vg, 58, 48);
  vxClosePath(vg);
  vxFillPath(vg);
  vxSaveState(vg);
  vxTranslate(vg, 76, 51);
  vxRotate(vg, 0.6f);
  vxScale(vg, 1.4f, 0.7f);
  vxSetFillPaint(vg, vxMakeRadialGradient(vg, 0, 0, 2, 12, Rgba(250, 250, 250), Rgba(90, 0, 90)));
  vxBeginPath(vg);
  vxRoundedRectVaryingPath(vg, -12, -9, 24, 18, 1, 4, 8, 2);
  vxFillPath(vg);
  vxSetStrokeWidth(vg, 1);
  vxSetStrokeColor(vg, Rgba(0, 0, 0));
  vxStrokePath(vg);
  vxRestoreState(vg);
}

void CompositingScissorsAndLayers(VXcontext* vg, int layerImage)
{
  for (int op = VX_SOURCE_OVER; op <= VX_XOR; ++op)
  {
    float x = (op % 6) * 16.0f, y = (op / 6) * 16.0f;
    vxSetCompositeOperation(vg, VX_SOURCE_OVER);
    vxSetFillColor(vg, Rgba(0, 90, 255, 220));
    vxBeginPath(vg);
    vxCirclePath(vg, x + 6, y + 6, 5);
    vxFillPath(vg);
    vxSetCompositeOperation(vg, op);
    vxSetFillColor(vg, Rgba(255, 40, 0, 170));
    vxBeginPath(vg);
    vxRectPath(vg, x + 6, y + 6, 8, 8);
    vxFillPath(vg);
  }
  vxSetCompositeOperation(vg, VX_SOURCE_OVER);
  vxSaveState(vg);
  vxTranslate(vg, 18, 46);
  vxRotate(vg, 0.35f);
  vxSetScissor(vg, -12, -8, 24, 16);
  vxIntersectScissor(vg, -20, -2, 40, 30);
  vxResetTransform(vg);
  Rect(vg, 0, 32, 36, 32, vxMakeLinearGradient(vg, 0, 32, 36, 64, Rgba(0, 160, 160), Rgba(160, 0, 80)));
  vxRestoreState(vg);
  vxSetScissor(vg, 40.5f, 34.25f, 20, 26.5f);
  vxSetStrokeWidth(vg, 3);
  vxSetStrokeColor(vg, Rgba(60, 60, 60));
  vxBeginPath(vg);
  vxCirclePath(vg, 50, 47, 10);
  vxStrokePath(vg);
  vxResetScissor(vg);
  vxSetBlendFactorsSeparate(vg, VX_SOURCE_ALPHA, VX_ONE_MINUS_SOURCE_ALPHA, VX_ONE, VX_ONE);
  Rect(vg, 64, 34, 30, 28, vxMakeImagePattern(vg, 64, 34, 30, 28, 0, layerImage, 0.8f));
}

// Draws the layer: a small scene into a framebuffer of its own, used as an image afterwards.
int DrawLayer(VXcontext* vg, float ratio)
{
  MVXframebuffer* layer = mvxCreateFramebuffer(vg, int(30 * ratio), int(28 * ratio), 0);
  if (!layer) return 0;
  mvxBindFramebuffer(layer);
  mvxClearWithColor(vg, VXcolor{{{0, 0, 0, 0}}});
  vxBeginFrame(vg, 30, 28, ratio);
  vxSetFillColor(vg, Rgba(230, 200, 0, 200));
  vxBeginPath(vg);
  vxEllipsePath(vg, 15, 14, 12, 8);
  vxFillPath(vg);
  vxSetStrokeColor(vg, Rgba(0, 0, 120));
  vxSetStrokeWidth(vg, 2);
  vxBeginPath(vg);
  vxMoveTo(vg, 2, 26), vxLineTo(vg, 28, 2);
  vxStrokePath(vg);
  vxEndFrame(vg);
  mvxBindFramebuffer(nullptr);
  int image = layer->image;
  layer->image = 0; // the image outlives the framebuffer record
  mvxDeleteFramebuffer(layer);
  return image;
}

// Draws a scene into a framebuffer, or (without one) into the layer's drawable, read once it is presented.
std::string Draw(const char* name, int ratio, int flags, VXcolor clear, void (*scene)(VXcontext*),
                 bool framebuffer = true)
{
  Surface s(kWidth * ratio, kHeight * ratio, flags, framebuffer);
  if (!s.ctx || (framebuffer && !s.fb)) return "no surface";
  if (s.fb) mvxBindFramebuffer(s.fb);
  mvxClearWithColor(s.ctx, clear);
  vxBeginFrame(s.ctx, kWidth, kHeight, (float)ratio);
  scene(s.ctx);
  s.End();
  mvxtest::Image image;
  if (framebuffer)
    image = s.Read();
  else
  {
    auto last = mvxGetCommandQueue(s.ctx)->commandBuffer();
    last->commit();
    last->waitUntilCompleted(); // buffers run in order: the frame has been presented
    if (s.layer.presentedCount() != 1 || !s.layer.displayedTexture()) return "nothing presented";
    image = mvxtest::ReadTexture(*s.layer.displayedTexture());
  }
  return mvxtest::CompareGolden(image, std::string(name) + "_ratio_" + std::to_string(ratio));
}

constexpr int kDefaultFlags = kMvxAntiAlias | kMvxStencilStrokes | kMvxTripleBuffer;
const VXcolor kWhite{{{1, 1, 1, 1}}};
const VXcolor kClear{{{0, 0, 0, 0}}};

class MetalPixelMatrix : public ::testing::TestWithParam<int>
{
};

TEST_P(MetalPixelMatrix, GradientsAndImagePatterns)
{
  EXPECT_EQ(Draw("matrix_paints", GetParam(), kDefaultFlags, VXcolor{{{0.9f, 0.9f, 0.85f, 1}}}, GradientsAndPatterns),
            "");
}

TEST_P(MetalPixelMatrix, StrokesAndFillsWithAndWithoutAntiAliasing)
{
  EXPECT_EQ(Draw("matrix_shapes", GetParam(), kDefaultFlags, kWhite, StrokesAndFills), "");
  EXPECT_EQ(Draw("matrix_shapes_aliased", GetParam(), kMvxDoubleBuffer, kWhite, StrokesAndFills, false), "");
}

TEST_P(MetalPixelMatrix, CompositeOperationsScissorsAndALayer)
{
  const int ratio = GetParam();
  Surface s(kWidth * ratio, kHeight * ratio, kDefaultFlags);
  ASSERT_TRUE(s.ctx && s.fb);
  int layer = DrawLayer(s.ctx, (float)ratio);
  ASSERT_GT(layer, 0);
  mvxBindFramebuffer(s.fb);
  mvxClearWithColor(s.ctx, kClear);
  vxBeginFrame(s.ctx, kWidth, kHeight, (float)ratio);
  CompositingScissorsAndLayers(s.ctx, layer);
  s.End();
  EXPECT_EQ(mvxtest::CompareGolden(s.Read(), "matrix_compositing_ratio_" + std::to_string(ratio)), "");
  vxDeleteImage(s.ctx, layer);
}

INSTANTIATE_TEST_SUITE_P(Ratios, MetalPixelMatrix, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) { return "Ratio" + std::to_string(info.param); });

} // namespace
