// Layers seen through the recording back end: sizes, the stack and its drawing target, reuse checks, drawing of
// layers and the drop shadow's blur of real pixels.
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
  ILayerPtr MakeLayer(const IRECT& r, IControl* owner = nullptr)
  {
    g.StartLayer(owner, r, true);
    return g.EndLayer();
  }
  static ByteBuffer& Pixels(const ILayerPtr& l) { return static_cast<RecordedBitmap*>(l->mBitmap)->mPixels; }
  static std::vector<int> Alpha(const ILayerPtr& layer)
  {
    std::vector<int> a;
    for (size_t i = 3; i < Pixels(layer).size(); i += 4)
      a.push_back(Pixels(layer)[i]);
    return a;
  }
  void Shadow(ILayerPtr& layer, float blur)
  {
    IShadowStyle shadow;
    shadow.mBlurSize = blur;
    g.ApplyLayerDropShadow(layer, shadow);
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
  } const cases[] = {
    {IRECT(0.5f, 0.5f, 10.2f, 10.2f), 2, 20, 20, IRECT(0.5f, 0.5f, 10.5f, 10.5f)},
    {IRECT(0.4f, 0.f, 1.5f, 1.f), 3, 4, 3, IRECT(1.f / 3, 0.f, 5.f / 3, 1.f)}, // 4 wide, not 6: drawn 1:1
  };
  for (const Case& c : cases)
  {
    g.SetScreenScale(c.scale);
    const ILayerPtr layer = MakeLayer(c.r);
    EXPECT_EQ(layer->mBitmap->GetWidth(), c.w);
    EXPECT_EQ(layer->mBitmap->GetHeight(), c.h);
    EXPECT_FLOAT_EQ(layer->mRECT.mLeft, c.bounds.mLeft);
    EXPECT_FLOAT_EQ(layer->mRECT.mRight, c.bounds.mRight);
  }
}

TEST_F(LayersTest, StackRedirectsDrawingAndStaysBalanced)
{
  g.StartLayer(nullptr, IRECT(0, 0, 10, 10));
  g.StartLayer(nullptr, IRECT(5, 5, 8, 8));
  EXPECT_EQ(g.mClip, IRECT(5, 5, 8, 8));
  ILayerPtr inner = g.EndLayer();
  ILayerPtr outer = g.EndLayer();
  EXPECT_EQ(g.mClip, IRECT());
  EXPECT_EQ(g.Count("UpdateLayer"), 4);

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
}

TEST_F(LayersTest, CheckLayerFailsForGoodOnceTheControlMovesOrTheScaleChanges)
{
  TestControl* control = new TestControl(IRECT(10, 10, 30, 30));
  g.AttachControl(control);
  ILayerPtr layer = MakeLayer(control->GetRECT(), control);
  ILayerPtr plain = MakeLayer(IRECT(0, 0, 5, 5));
  EXPECT_TRUE(g.CheckLayer(layer));
  control->SetPosition(11, 10);
  EXPECT_FALSE(g.CheckLayer(layer));
  control->SetPosition(10, 10);
  EXPECT_FALSE(g.CheckLayer(layer)); // invalidation is sticky
  EXPECT_TRUE(g.CheckLayer(plain));
  g.SetScreenScale(2);
  EXPECT_FALSE(g.CheckLayer(plain));
  ILayerPtr sharp = MakeLayer(IRECT(0, 0, 5, 5));
  EXPECT_TRUE(g.CheckLayer(sharp));
  g.SetScreenScale(1);
  EXPECT_FALSE(g.CheckLayer(sharp)) << "nor at a lower scale";
}

TEST_F(LayersTest, LayersAreDrawnPlainRotatedAndFittedButNeverWithoutBitmap)
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
  EXPECT_EQ(g.mOps[6].mRect, IRECT(20, 40, 20, 40));            // about the layer's centre
  EXPECT_EQ(g.mOps[10].mRect, IRECT(0.5f, 0.25f, 0.5f, 0.25f)); // 20 x 40 fitted into 10 x 10

  // 32768 device pixels a side is the largest layer made.
  for (const IRECT& r : {IRECT(0, 0, 32768, 1), IRECT(0, -32768, 1, 0)})
  {
    const ILayerPtr largest = MakeLayer(r);
    ASSERT_NE(largest->mBitmap, nullptr);
    EXPECT_EQ(largest->mBitmap->GetWidth() * largest->mBitmap->GetHeight(), 32768);
  }
  // Empty, wider than a layer can be (in device pixels), far beyond any size, or not a number: no bitmap.
  for (const IRECT& r : {IRECT(5, 5, 5, 20), IRECT(5, 5, 20, 5), IRECT(0, 0, 32769, 1), IRECT(0, 0, 40000, 10),
                         IRECT(0, -40000, 10, 10), IRECT(0, 0, 1e30f, 10), IRECT(0, 0, std::nanf(""), 10)})
  {
    ILayerPtr empty = MakeLayer(r);
    EXPECT_EQ(empty->mBitmap, nullptr);
    g.mOps.clear();
    g.DrawLayer(empty);
    g.DrawRotatedLayer(empty, 10.0);
    g.DrawFittedLayer(empty, IRECT(0, 0, 10, 10));
    Shadow(empty, 2.f);
    EXPECT_TRUE(g.mOps.empty());
    EXPECT_FALSE(g.CheckLayer(empty));
  }
  // A layer of one device pixel at scale 2 is less than a point high: there is nothing to fit into bounds.
  g.SetScreenScale(2);
  ILayerPtr thin = MakeLayer(IRECT(0, 0, 10, 0.4f));
  ASSERT_NE(thin->mBitmap, nullptr);
  g.mOps.clear();
  g.DrawFittedLayer(thin, IRECT(0, 0, 10, 10));
  EXPECT_TRUE(g.mOps.empty());
}

TEST_F(LayersTest, BlurSpreadsAlphaAndTakesTheEdgeValueBeyondTheEdge)
{
  // Blur 0 leaves every byte as it was.
  ILayerPtr noise = MakeLayer(IRECT(0, 0, 17, 9));
  std::mt19937 rng(5);
  for (uint8_t& byte : Pixels(noise))
    byte = uint8_t(rng());
  const ByteBuffer before = Pixels(noise);
  Shadow(noise, 0.f);
  EXPECT_EQ(Pixels(noise), before);

  ILayerPtr dot = MakeLayer(IRECT(0, 0, 21, 21));
  Pixels(dot)[(10 * 21 + 10) * 4 + 3] = 255;
  Shadow(dot, 3.f);
  const std::vector<int> a = Alpha(dot);
  EXPECT_GT(a[10 * 21 + 10], a[10 * 21 + 11]);
  EXPECT_GT(a[10 * 21 + 11], 0);
  EXPECT_EQ(a[10 * 21 + 11], a[10 * 21 + 9]);
  EXPECT_EQ(a[11 * 21 + 10], a[9 * 21 + 10]);
  EXPECT_EQ(a[10 * 21 + 18], 0);
  // Rows stored bottom-up blur to the same bytes: the blur is the same upside down.
  ILayerPtr corner = MakeLayer(IRECT(0, 0, 13, 9));
  Pixels(corner)[(2 * 13 + 3) * 4 + 3] = 255;
  ILayerPtr stored = MakeLayer(IRECT(0, 0, 13, 9));
  Pixels(stored) = Pixels(corner);
  Shadow(corner, 2.f);
  g.mRowsBottomUp = true;
  Shadow(stored, 2.f);
  g.mRowsBottomUp = false;
  EXPECT_EQ(Alpha(stored), Alpha(corner));
  // A blur of 2.5 reaches as far as the first whole pixel beyond 1 + 2.5, and no farther.
  ILayerPtr halfway = MakeLayer(IRECT(0, 0, 21, 21));
  Pixels(halfway)[(10 * 21 + 10) * 4 + 3] = 255;
  Shadow(halfway, 2.5f);
  const std::vector<int> h = Alpha(halfway);
  EXPECT_GT(h[13 * 21 + 10], 0);
  EXPECT_EQ(h[14 * 21 + 10], 0);

  // Opaque stays opaque up to the edges, with a kernel longer than the layer and with one capped in length.
  for (float blur : {5.f, 1e9f})
  {
    ILayerPtr opaque = MakeLayer(IRECT(0, 0, 7, 5));
    for (size_t i = 3; i < Pixels(opaque).size(); i += 4)
      Pixels(opaque)[i] = 255;
    Shadow(opaque, blur);
    EXPECT_EQ(Alpha(opaque), std::vector<int>(35, 255)) << blur;
  }
  // A blur size that is not finite is refused.
  const int masks = g.Count("ApplyShadowMask");
  Shadow(dot, std::numeric_limits<float>::infinity());
  Shadow(dot, std::nanf(""));
  EXPECT_EQ(Alpha(dot), a);
  EXPECT_EQ(g.Count("ApplyShadowMask"), masks);
  // Nor is a bitmap no pixel wide or high shadowed, whatever bytes its back end reads back.
  for (auto [w, h] : {std::pair{0, 4}, {4, 0}})
  {
    ILayerPtr flat(new ILayer(new RecordedBitmap(w, h, 1, 1.f, ""), IRECT(0, 0, 4, 4), nullptr, IRECT()));
    Pixels(flat).assign(64, 255);
    Shadow(flat, 2.f);
  }
  EXPECT_EQ(g.Count("ApplyShadowMask"), masks);
}

} // namespace
