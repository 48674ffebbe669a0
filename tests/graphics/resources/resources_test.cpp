// Loading bitmaps, SVG images and resource files from a bundle made by the test, with real PNG files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "decoding_backend.h"
#include "foundation/bundle.h"
#include "svg/svg_image.h"
#include "test_delegate.h"

using namespace graphicstest;
namespace fs = std::filesystem;

namespace {

class ResourcesTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mBundle = fs::path(std::getenv("HOME")) / "Drovik.vst";
    mResources = mBundle / "Contents" / "Resources";
    fs::create_directories(mResources);
    foundation::Bundle::Register(mGraphics->GetBundleID(), mBundle.string());
  }
  void TearDown() override
  {
    foundation::Bundle::Unregister(mGraphics->GetBundleID());
    fs::remove_all(mBundle);
  }

  /// A PNG of w x h pixels in the bundle's resources.
  void PutPng(const std::string& name, int w, int h)
  {
    ASSERT_TRUE(WriteFile((mResources / name).string(), EncodePng(w, h, SolidPixels(w, h, 200, 100, 50))));
  }
  std::string ResourcePath(const std::string& name) const { return (mResources / name).string(); }
  static int CacheSize()
  {
    plug::LibMutexLock lock(IGraphics::BitmapCache().Mutex());
    return IGraphics::BitmapCache().Size();
  }

  fs::path mBundle, mResources;
  TestDelegate mDelegate;
  std::unique_ptr<DecodingGraphics> mGraphics = std::make_unique<DecodingGraphics>(mDelegate, 100, 100);
};

TEST_F(ResourcesTest, MissingScaleIsRescaledFromTheNearestFileInSearchOrder)
{
  PutPng("knob.png", 10, 12);
  PutPng("knob@2x.png", 20, 24);
  const IBitmap b = mGraphics->LoadBitmap("knob.png", 3, true, 3);

  ASSERT_TRUE(b.IsValid());
  EXPECT_EQ(mGraphics->mDecodedPaths, std::vector<std::string>{ResourcePath("knob@2x.png")});
  EXPECT_EQ(b.GetScale(), 3);
  EXPECT_EQ(b.GetAPIBitmap()->GetWidth(), 30); // drawn into a layer at 3x
  EXPECT_EQ(b.GetAPIBitmap()->GetHeight(), 36);
  EXPECT_EQ(b.W(), 10);
  EXPECT_EQ(b.N(), 3);
  EXPECT_TRUE(b.GetFramesAreHorizontal());
  EXPECT_EQ(mGraphics->Count("DrawBitmap"), 1);
  EXPECT_EQ(mGraphics->GetScreenScale(), 1); // restored after drawing at 3x
  // Only the rescaled image is kept.
  EXPECT_EQ(CacheSize(), 1);
}

TEST_F(ResourcesTest, SecondLoadIsServedFromTheCacheWithoutLookingForFiles)
{
  PutPng("knob@2x.png", 20, 20);
  const IBitmap first = mGraphics->LoadBitmap("knob.png", 1, false, 2);
  fs::remove_all(mResources);
  const IBitmap second = mGraphics->LoadBitmap("knob.png", 1, false, 2);
  EXPECT_EQ(second.GetAPIBitmap(), first.GetAPIBitmap());
  EXPECT_EQ(mGraphics->mDecodedPaths.size(), 1u);

  // Another scale of the same name is rescaled from the cached image when no file is left.
  const IBitmap third = mGraphics->LoadBitmap("knob.png", 1, false, 1);
  ASSERT_TRUE(third.IsValid());
  EXPECT_EQ(third.GetScale(), 1);
  EXPECT_EQ(CacheSize(), 2); // one entry per scale
}

TEST_F(ResourcesTest, TargetScaleZeroIsTheScreenScaleAndScalesAreKeptToOneToFour)
{
  PutPng("knob.png", 10, 10);
  PutPng("knob@2x.png", 20, 20);
  mGraphics->SetScreenScale(2);
  EXPECT_EQ(mGraphics->LoadBitmap("knob.png").GetScale(), 2);
  EXPECT_EQ(mGraphics->mDecodedPaths.back(), ResourcePath("knob@2x.png"));
  // Scale 10 would need "knob@10x.png"; it is taken as 4, rescaled from the 2x file.
  EXPECT_EQ(mGraphics->LoadBitmap("knob.png", 1, false, 10).GetScale(), 4);
  EXPECT_EQ(mGraphics->LoadBitmap("knob.png", 1, false, -3).GetScale(), 1);
}

TEST_F(ResourcesTest, WhatCannotBeLoadedGivesTheEmptyBitmapAndCachesNothing)
{
  PutPng("knob.png", 10, 10);
  ASSERT_TRUE(WriteFile(ResourcePath("broken.png"), {0x89, 'P', 'N', 'G', 1, 2, 3}));
  ASSERT_TRUE(WriteFile(ResourcePath("noext"), EncodePng(2, 2, SolidPixels(2, 2, 0, 0, 0))));
  for (const char* name : {"broken.png", "missing.png", "Knob.png", "noext", "knob.gif", "", "dir.v2/knob"})
  {
    SCOPED_TRACE(name);
    EXPECT_FALSE(mGraphics->LoadBitmap(name, 1, false, 1).IsValid());
    EXPECT_FALSE(mGraphics->LoadBitmap(name, 1, false, 2).IsValid());
  }
  EXPECT_FALSE(mGraphics->LoadBitmap(nullptr).IsValid());
  EXPECT_EQ(CacheSize(), 0);
  EXPECT_EQ(mGraphics->mDecodedPaths, (std::vector<std::string>{ResourcePath("broken.png"),
                                                                 ResourcePath("broken.png")}));
}

TEST_F(ResourcesTest, ScaledFilesAreSearchedWantedScaleFirstThenFourDownToOne)
{
  struct Case
  {
    std::vector<int> present;
    int wanted, found;
  } const cases[] = {{{1, 2}, 3, 2}, {{1, 2}, 1, 1}, {{1, 3}, 2, 3}, {{1, 4}, 2, 4}, {{1}, 4, 1},
                        {{2, 3}, 1, 3}, {{1, 2}, 0, 0}, {{1, 2}, 5, 0}, {{}, 2, 0}};
  for (const Case& c : cases)
  {
    SCOPED_TRACE(testing::Message() << "wanted " << c.wanted);
    fs::remove_all(mResources);
    fs::create_directories(mResources);
    for (int s : c.present)
      PutPng(s == 1 ? "icon.png" : "icon@" + std::to_string(s) + "x.png", s, s);
    plug::LibString path;
    int source = 0;
    const int location = mGraphics->FindScaledImageFile("icon.png", "png", path, c.wanted, source);
    EXPECT_EQ(location > 0 ? source : 0, c.found);
    if (c.found > 1)
    {
      EXPECT_STREQ(path.Get(), ResourcePath("icon@" + std::to_string(c.found) + "x.png").c_str());
    }
  }
}

TEST_F(ResourcesTest, CacheSearchAndRetainReleaseKeepOneEntryPerImage)
{
  auto* one = new RecordedBitmap(4, 4, 1, 1.f, "one");
  auto* four = new RecordedBitmap(16, 16, 4, 1.f, "four");
  mGraphics->RetainBitmap(IBitmap(one, 1, false), "icon.png");
  mGraphics->RetainBitmap(IBitmap(one, 1, false), "icon.png"); // the same image is not added twice
  mGraphics->RetainBitmap(IBitmap(four, 1, false), "icon.png");
  mGraphics->RetainBitmap(IBitmap(), "icon.png");
  EXPECT_EQ(CacheSize(), 2);

  int source = 0;
  EXPECT_EQ(mGraphics->SearchBitmapCache("icon.png", 2, source), four);
  EXPECT_EQ(source, 4);
  EXPECT_EQ(mGraphics->SearchBitmapCache("icon.png", 1, source), one);
  EXPECT_EQ(mGraphics->SearchBitmapCache("ICON.png", 1, source), nullptr);
  mGraphics->ReleaseBitmap(IBitmap(four, 1, false)); // deletes it
  EXPECT_EQ(mGraphics->SearchBitmapCache("icon.png", 4, source), one);
  EXPECT_EQ(CacheSize(), 1);
}

TEST_F(ResourcesTest, BitmapsFromDataDecodeAtScaleOneAndAreCachedByName)
{
  const std::vector<uint8_t> png = EncodePng(8, 6, SolidPixels(8, 6, 1, 2, 3));
  const IBitmap one = mGraphics->LoadBitmapFromData("mem.png", png.data(), int(png.size()), 1, false, 1);
  ASSERT_TRUE(one.IsValid());
  EXPECT_EQ(one.W(), 8);
  EXPECT_EQ(static_cast<RecordedBitmap*>(one.GetAPIBitmap())->mPixels[0], 1);
  const IBitmap two = mGraphics->LoadBitmapFromData("mem.png", png.data(), int(png.size()), 1, false, 2);
  EXPECT_EQ(two.GetAPIBitmap()->GetWidth(), 16);
  // Cached: no data needed any more.
  EXPECT_EQ(mGraphics->LoadBitmapFromData("mem.png", nullptr, 0, 1, false, 2).GetAPIBitmap(), two.GetAPIBitmap());

  EXPECT_FALSE(mGraphics->LoadBitmapFromData("cut.png", png.data(), int(png.size()) / 2, 1, false, 1).IsValid());
  EXPECT_FALSE(mGraphics->LoadBitmapFromData("mem.txt", png.data(), int(png.size()), 1, false, 1).IsValid());
  EXPECT_EQ(CacheSize(), 2);
}

TEST_F(ResourcesTest, SvgImagesAreParsedOnceAndCachedByName)
{
  const std::string svg = "<svg width='20' height='10'><rect width='20' height='10' fill='red'/></svg>";
  ASSERT_TRUE(WriteFile(ResourcePath("icon.svg"), std::vector<uint8_t>(svg.begin(), svg.end())));
  const ISVG a = mGraphics->LoadSVG("icon.svg");
  ASSERT_TRUE(a.IsValid());
  EXPECT_FLOAT_EQ(a.mImage->width, 20.f);
  EXPECT_NE(a.mImage->shapes, nullptr);
  EXPECT_EQ(mGraphics->LoadSVG("icon.svg", "px", 300.f).mImage, a.mImage); // first image wins
  EXPECT_FALSE(mGraphics->LoadSVG("missing.svg").IsValid());

  // Data is read up to its size or its first NUL.
  const std::string withNul = std::string("<svg width='5' height='5'/>") + '\0' + "garbage";
  const ISVG b = mGraphics->LoadSVGFromData("mem.svg", withNul.data(), int(withNul.size()));
  ASSERT_TRUE(b.IsValid());
  EXPECT_FLOAT_EQ(b.mImage->width, 5.f);
  EXPECT_FALSE(mGraphics->LoadSVGFromData("none.svg", nullptr, 10).IsValid());
  plug::LibMutexLock lock(IGraphics::SvgCache().Mutex());
  EXPECT_EQ(IGraphics::SvgCache().Size(), 2);
}

TEST_F(ResourcesTest, ResourceFilesAreReadWhole)
{
  const std::vector<uint8_t> bytes(10000, 7);
  ASSERT_TRUE(WriteFile(ResourcePath("data.bin"), bytes));
  EXPECT_EQ(mGraphics->LoadResource("data.bin", "bin"), bytes);
  EXPECT_TRUE(mGraphics->LoadResource("missing.bin", "bin").empty());
  EXPECT_TRUE(mGraphics->LoadResource(mResources.string().c_str(), "").empty()); // a folder
}

} // namespace
