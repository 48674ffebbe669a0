// Layers seen through the recording back end: sizes, the stack and its drawing target, reuse checks, drawing of
// layers and the drop shadow's blur on real pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "fake_platform.h"
#include "test_controls.h"
#include "test_delegate.h"

using namespace graphicstest;

namespace {

class LayersTest : public ::testing::Test
{
protected:
  /// A layer over r at the screen scale, taken off the stack again.
  ILayerPtr MakeLayer(const IRECT& r, IControl* owner = nullptr)
  {
    g.StartLayer(owner, r, true);
    return g.EndLayer();
  }
  static RawBitmapData& Pixels(const ILayerPtr& layer) { return static_cast<RecordedBitmap*>(layer->mBitmap)->mPixels; }
  static std::vector<int> Alpha(const ILayerPtr& layer)
  {
    std::vector<int> a;
    for (size_t i = 3; i < Pixels(layer).size(); i += 4)
      a.push_back(Pixels(layer)[i]);
    return a;
  }

  TestDelegate mDelegate;
  FakePlatformGraphics g{mDelegate, 468, 450};
};

TEST_F(LayersTest, BitmapCoversTheRectangleInWholeDevicePixels)
{
  struct Case
  {
    IRECT r;
    int scale, w, h;
    IRECT bounds;
  };
  const Case cases[] = {
    {IRECT(0.5f, 0.5f, 10.2f, 10.2f), 2, 20, 20, IRECT(0.5f, 0.5f, 10.5f, 10.5f)},
    {IRECT(0.4f, 0.f, 1.5f, 1.f), 3, 4, 3, IRECT(1.f / 3, 0.f, 5.f / 3, 1.f)}, // not 6 wide: drawn 1:1
    {IRECT(0.f, 0.f, 468.f, 450.f), 1, 468, 450, IRECT(0.f, 0.f, 468.f, 450.f)},
  };
  for (const Case& c : cases)
  {
    g.SetScreenScale(c.scale);
    const ILayerPtr layer = MakeLayer(c.r);
    ASSERT_NE(layer->mBitmap, nullptr);
    EXPECT_EQ(layer->mBitmap->GetWidth(), c.w);
    EXPECT_EQ(layer->mBitmap->GetHeight(), c.h);
    EXPECT_EQ(layer->mBitmap->GetScale(), c.scale);
    EXPECT_FLOAT_EQ(layer->mRECT.mLeft, c.bounds.mLeft);
    EXPECT_FLOAT_EQ(layer->mRECT.mRight, c.bounds.mRight);
    EXPECT_FLOAT_EQ(layer->mRECT.mBottom, c.bounds.mBottom);
  }
}

TEST_F(LayersTest, StackRedirectsDrawingAndStaysBalanced)
{
  g.StartLayer(nullptr, IRECT(0, 0, 10, 10));
  g.StartLayer(nullptr, IRECT(5, 5, 8, 8));
  EXPECT_EQ(g.NLayers(), 2);
  EXPECT_EQ(g.mClip, IRECT(5, 5, 8, 8));
  ILayerPtr inner = g.EndLayer();
  ILayerPtr outer = g.EndLayer();
  EXPECT_EQ(g.mClip, IRECT());
  EXPECT_EQ(g.NLayers(), 0);
  const std::vector<std::string> oneSwitch = {"UpdateLayer", "PathTransformReset", "PathClipRegion", "PathClear"};
  EXPECT_EQ(g.mOps.size(), 4 * oneSwitch.size());
  const std::vector<std::string> names = g.OpNames();
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 4), oneSwitch);

  // Popping an empty stack does nothing at all.
  g.mOps.clear();
  EXPECT_EQ(g.PopLayer(), nullptr);
  EXPECT_EQ(g.EndLayer(), nullptr);
  EXPECT_TRUE(g.mOps.empty());

  ILayerPtr none;
  g.ResumeLayer(none);
  g.ResumeLayer(inner);
  EXPECT_EQ(inner, nullptr);
  EXPECT_EQ(g.NLayers(), 1);
  EXPECT_EQ(g.mClip, IRECT(5, 5, 8, 8));
  inner = g.EndLayer();
  EXPECT_EQ(g.NLayers(), 0);
}

TEST_F(LayersTest, CheckLayerFailsForGoodOnceTheControlMovesOrTheScaleChanges)
{
  TestControl* control = new TestControl(IRECT(10, 10, 30, 30));
  g.AttachControl(control);
  ILayerPtr layer = MakeLayer(control->GetRECT(), control);
  EXPECT_TRUE(g.CheckLayer(layer));
  control->SetPosition(11, 10);
  EXPECT_FALSE(g.CheckLayer(layer));
  EXPECT_FALSE(g.CheckLayer(layer)); // invalidation is sticky
  control->SetPosition(10, 10);
  EXPECT_FALSE(g.CheckLayer(layer));

  ILayerPtr plain = MakeLayer(IRECT(0, 0, 5, 5));
  EXPECT_TRUE(g.CheckLayer(plain));
  g.SetScreenScale(2);
  EXPECT_FALSE(g.CheckLayer(plain));
  EXPECT_FALSE(g.CheckLayer(nullptr));
}

TEST_F(LayersTest, LayersAreDrawnPlainRotatedAndFitted)
{
  ILayerPtr layer = MakeLayer(IRECT(10, 20, 30, 60));
  g.mOps.clear();
  g.DrawLayer(layer);
  g.DrawRotatedLayer(layer, 45.0);
  g.DrawFittedLayer(layer, IRECT(0, 0, 10, 10));
  const std::vector<std::string> expected = {
    "PathTransformSave", "PathTransformReset", "DrawBitmap", "PathTransformRestore",
    "PathTransformSave", "PathTransformReset", "DrawRotatedBitmap", "PathTransformRestore",
    "PathTransformSave", "PathTransformTranslate", "PathTransformScale", "DrawBitmap", "PathTransformRestore"};
  EXPECT_EQ(g.OpNames(), expected);
  EXPECT_EQ(g.mOps[2].mRect, IRECT(10, 20, 30, 60));
  EXPECT_EQ(g.mOps[6].mRect, IRECT(20, 40, 20, 40)); // centred on the layer
  EXPECT_FLOAT_EQ(g.mOps[6].mArgs[0], 45.f);
  EXPECT_EQ(g.mOps[10].mRect, IRECT(0.5f, 0.25f, 0.5f, 0.25f));
  EXPECT_EQ(g.mOps[11].mRect, IRECT(0, 0, 20, 40));
}

TEST_F(LayersTest, LayerWithoutBitmapIsNeverDrawnOrShadowed)
{
  ILayerPtr empty = MakeLayer(IRECT(5, 5, 5, 20));
  ILayerPtr huge = MakeLayer(IRECT(0, 0, 1e30f, 10));
  ILayerPtr nan = MakeLayer(IRECT(0, 0, std::nanf(""), 10));
  for (ILayerPtr* layer : {&empty, &huge, &nan})
  {
    ASSERT_NE(*layer, nullptr);
    EXPECT_EQ((*layer)->mBitmap, nullptr);
    g.mOps.clear();
    g.DrawLayer(*layer);
    g.DrawRotatedLayer(*layer, 10.0);
    g.DrawFittedLayer(*layer, IRECT(0, 0, 10, 10));
    g.ApplyLayerDropShadow(*layer, IShadow());
    EXPECT_TRUE(g.mOps.empty());
    EXPECT_FALSE(g.CheckLayer(*layer));
  }
}

TEST_F(LayersTest, BlurOfZeroLeavesTheAlphaAsItWas)
{
  ILayerPtr layer = MakeLayer(IRECT(0, 0, 17, 9));
  std::mt19937 rng(5);
  for (uint8_t& byte : Pixels(layer))
    byte = uint8_t(rng());
  const RawBitmapData before = Pixels(layer);
  g.ApplyLayerDropShadow(layer, IShadow());
  EXPECT_EQ(Pixels(layer), before);
  EXPECT_EQ(g.Count("ApplyShadowMask"), 1);
}

TEST_F(LayersTest, BlurSpreadsAlphaSymmetricallyAndTakesTheEdgeValueBeyondTheEdge)
{
  ILayerPtr layer = MakeLayer(IRECT(0, 0, 21, 21));
  Pixels(layer)[(10 * 21 + 10) * 4 + 3] = 255;
  IShadow shadow;
  shadow.mBlurSize = 3.f;
  g.ApplyLayerDropShadow(layer, shadow);
  const std::vector<int> a = Alpha(layer);
  EXPECT_GT(a[10 * 21 + 10], a[10 * 21 + 11]);
  EXPECT_GT(a[10 * 21 + 11], 0);
  EXPECT_EQ(a[10 * 21 + 11], a[10 * 21 + 9]);
  EXPECT_EQ(a[11 * 21 + 10], a[9 * 21 + 10]);
  EXPECT_EQ(a[10 * 21 + 18], 0);

  // A fully opaque layer stays fully opaque up to its edges, also with a kernel longer than the layer and with a
  // blur so large that its kernel is capped.
  for (float blur : {5.f, 100.f, 1e9f})
  {
    ILayerPtr opaque = MakeLayer(IRECT(0, 0, 7, 5));
    for (size_t i = 3; i < Pixels(opaque).size(); i += 4)
      Pixels(opaque)[i] = 255;
    shadow.mBlurSize = blur;
    g.ApplyLayerDropShadow(opaque, shadow);
    EXPECT_EQ(Alpha(opaque), std::vector<int>(35, 255)) << blur;
  }
}

TEST_F(LayersTest, BlurSizeThatIsNotFiniteIsRefused)
{
  ILayerPtr layer = MakeLayer(IRECT(0, 0, 4, 4));
  Pixels(layer)[3] = 255;
  const RawBitmapData before = Pixels(layer);
  for (float blur : {std::numeric_limits<float>::infinity(), std::nanf("")})
  {
    IShadow shadow;
    shadow.mBlurSize = blur;
    g.ApplyLayerDropShadow(layer, shadow);
  }
  EXPECT_EQ(Pixels(layer), before);
  EXPECT_EQ(g.Count("ApplyShadowMask"), 0);
}

} // namespace
