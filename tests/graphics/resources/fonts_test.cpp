// Font registration through the fake platform and the recording back end, the font-descriptor cache's life, and
// the bounds of rotated text.
#include <gtest/gtest.h>

#include <memory>

#include "fake_platform.h"
#include "test_delegate.h"

using namespace graphicstest;

namespace {

int DescriptorCount()
{
  plug::LibMutexLock lock(IGraphics::FontDescriptorCache().Mutex());
  return IGraphics::FontDescriptorCache().Size();
}

TEST(Fonts, LoadedFontsAreRegisteredWithTheBackEndAndTheirDescriptorCachedOnce)
{
  TestDelegate delegate;
  FakePlatformGraphics g(delegate, 100, 100);
  EXPECT_TRUE(g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  EXPECT_TRUE(g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  EXPECT_TRUE(g.LoadFontByFamily("Sans", "DejaVu Sans", 0));
  char bytes[] = "font bytes";
  EXPECT_TRUE(g.LoadFontFromData("Mem", bytes, sizeof(bytes)));
  EXPECT_EQ(DescriptorCount(), 3);

  // The platform finds nothing, or the back end refuses the bytes: false, nothing cached.
  EXPECT_FALSE(g.LoadFont("None", ""));
  EXPECT_FALSE(g.LoadFontFromData("None", bytes, 0));
  EXPECT_FALSE(g.LoadFont(nullptr, "x.ttf"));
  g.mRejectFonts = true;
  EXPECT_FALSE(g.LoadFont("Rejected", "x.ttf"));
  EXPECT_EQ(DescriptorCount(), 3);

  // A platform font that names no face hands on a copy of its bytes as the first face.
  struct TwoBytes : PlatformFont
  {
    const void* GetData() const override { return "ab"; }
    int GetDataSize() const override { return 2; }
  };
  const auto data = TwoBytes().GetFontData();
  EXPECT_EQ(data->mFaceIdx, 0);
  EXPECT_EQ(std::string(data->mBytes.begin(), data->mBytes.end()), "ab");
}

TEST(Fonts, DescriptorCacheIsEmptiedWhenTheLastContextGoes)
{
  TestDelegate delegate;
  auto first = std::make_unique<FakePlatformGraphics>(delegate, 100, 100);
  auto second = std::make_unique<FakePlatformGraphics>(delegate, 100, 100);
  ASSERT_TRUE(first->LoadFont("A", "a.ttf"));
  first.reset();
  EXPECT_EQ(DescriptorCount(), 1);
  second.reset();
  EXPECT_EQ(DescriptorCount(), 0);
}

TEST(Fonts, RotatedTextIsPlacedByItsAlignmentInTheBounds)
{
  TestDelegate delegate;
  FakePlatformGraphics g(delegate, 100, 100);
  const IRECT bounds(100, 100, 200, 200);
  struct Case
  {
    float angle;
    int h, v;
    IRECT expected;
  } const cases[] = {
    {90.f, kAlignCenter, kVAlignMiddle, IRECT(145, 130, 155, 170)},
    {90.f, kAlignNear, kVAlignTop, IRECT(100, 100, 110, 140)},
    {90.f, kAlignFar, kVAlignBottom, IRECT(190, 160, 200, 200)},
    {0.f, kAlignFar, kVAlignBottom, IRECT(0, 0, 40, 10)}, // unrotated text is left alone
  };
  for (const Case& c : cases)
  {
    IText text(14.f, IColor(), nullptr, c.h, c.v, c.angle);
    IRECT rect(0, 0, 40, 10);
    g.OffsetRotatedText(text, bounds, rect);
    EXPECT_NEAR(rect.mLeft, c.expected.mLeft, 1e-4) << c.angle;
    EXPECT_NEAR(rect.mTop, c.expected.mTop, 1e-4) << c.angle;
    EXPECT_NEAR(rect.mRight, c.expected.mRight, 1e-4) << c.angle;
    EXPECT_NEAR(rect.mBottom, c.expected.mBottom, 1e-4) << c.angle;
  }
}

} // namespace
