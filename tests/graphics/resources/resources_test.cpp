// Loading bitmaps, SVG images and resource files from a bundle made by the test, with real PNG files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "decoding_backend.h"
#include "foundation/bundle.h"
#include "graphics/overlay/IBackgroundControls.h"
#include "graphics/resources/StaticStorage.h"
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

TEST_F(ResourcesTest, MissingScaleIsRescaledFromTheFirstFileInSearchOrderAndServedFromTheCacheAfter)
{
  PutPng("knob.png", 10, 12);
  PutPng("knob@2x.png", 20, 24);
  const IBitmap b = mGraphics->LoadBitmap("knob.png", 3, true, 3);
  ASSERT_TRUE(b.IsValid());
  EXPECT_EQ(mGraphics->mDecodedPaths, std::vector<std::string>{ResourcePath("knob@2x.png")});
  EXPECT_EQ(b.GetScale(), 3);
  EXPECT_EQ(b.GetAPIBitmap()->GetWidth(), 30); // drawn into a layer at 3x
  EXPECT_EQ(b.W(), 10);
  EXPECT_EQ(b.N(), 3);
  EXPECT_EQ(mGraphics->Count("DrawBitmap"), 1);
  EXPECT_EQ(mGraphics->GetScreenScale(), 1); // restored after drawing at 3x
  EXPECT_EQ(CacheSize(), 1);                  // only the rescaled image is kept

  fs::remove_all(mResources);
  EXPECT_EQ(mGraphics->LoadBitmap("knob.png", 1, false, 3).GetAPIBitmap(), b.GetAPIBitmap());
  // With no file left another scale is rescaled from the cached one.
  EXPECT_EQ(mGraphics->LoadBitmap("knob.png", 1, false, 1).GetAPIBitmap()->GetWidth(), 10);
  EXPECT_EQ(mGraphics->mDecodedPaths.size(), 1u);
  EXPECT_EQ(CacheSize(), 2);
}

TEST_F(ResourcesTest, TargetScaleZeroIsTheScreenScaleAndScalesAreKeptToOneToFour)
{
  // A file at one scale only is found from every wanted scale.
  PutPng("pad@2x.png", 2, 2);
  PutPng("icon@3x.png", 3, 3);
  for (int wanted = 1; wanted <= 4; ++wanted)
    for (auto [name, scale] : {std::pair{"pad.png", 2}, {"icon.png", 3}})
    {
      plug::LibString found;
      int source = 0;
      EXPECT_GT(mGraphics->FindScaledImageFile(name, "png", found, wanted, source), 0) << name << " " << wanted;
      EXPECT_EQ(source, scale) << name << " " << wanted;
    }

  PutPng("knob.png", 10, 10);
  PutPng("knob@2x.png", 20, 20);
  mGraphics->SetScreenScale(2);
  EXPECT_EQ(mGraphics->LoadBitmap("knob.png").GetScale(), 2);
  EXPECT_EQ(mGraphics->mDecodedPaths.back(), ResourcePath("knob@2x.png"));
  // Scale 10 would need "knob@10x.png"; it is taken as 4, rescaled from the 2x file.
  EXPECT_EQ(mGraphics->LoadBitmap("knob.png", 1, false, 10).GetScale(), 4);
  EXPECT_EQ(mGraphics->LoadBitmap("knob.png", 1, false, -3).GetScale(), 1);

  plug::LibString path;
  int source = 0;
  EXPECT_GT(mGraphics->FindScaledImageFile("icon.png", "png", path, 2, source), 0); // tries 2, 4, 3
  EXPECT_EQ(source, 3);
  EXPECT_EQ(mGraphics->FindScaledImageFile("icon.png", "png", path, 5, source), 0);
}

TEST_F(ResourcesTest, NamesInAFolderFindTheirScaledFiles)
{
  fs::create_directories(mResources / "knobs.v2");
  PutPng("knobs.v2/big.png", 10, 10);
  PutPng("knobs.v2/big@2x.png", 20, 20);
  for (int scale : {1, 2})
  {
    const IBitmap b = mGraphics->LoadBitmap("knobs.v2/big.png", 1, false, scale);
    ASSERT_TRUE(b.IsValid()) << "scale " << scale;
    EXPECT_EQ(b.GetAPIBitmap()->GetWidth(), 10 * scale);
    EXPECT_EQ(mGraphics->mDecodedPaths.back(), ResourcePath(scale == 1 ? "knobs.v2/big.png" : "knobs.v2/big@2x.png"));
  }
}

TEST_F(ResourcesTest, WhatCannotBeLoadedGivesTheEmptyBitmapAndCachesNothing)
{
  PutPng("knob.png", 10, 10);
  ASSERT_TRUE(WriteFile(ResourcePath("broken.png"), {0x89, 'P', 'N', 'G', 1, 2, 3}));
  ASSERT_TRUE(WriteFile(ResourcePath("noext"), EncodePng(2, 2, SolidPixels(2, 2, 0, 0, 0))));
  for (const char* name : {"broken.png", "missing.png", "Knob.png", "noext", "knob.gif", "", "dir.v2/knob"})
  {
    EXPECT_FALSE(mGraphics->LoadBitmap(name, 1, false, 1).IsValid()) << name;
    EXPECT_FALSE(mGraphics->LoadBitmap(name, 1, false, 2).IsValid()) << name;
  }
  const std::vector<uint8_t> png = EncodePng(8, 6, SolidPixels(8, 6, 1, 2, 3));
  EXPECT_FALSE(mGraphics->LoadBitmapFromData("cut.png", png.data(), int(png.size()) / 2).IsValid());
  EXPECT_FALSE(mGraphics->LoadBitmapFromData("mem.txt", png.data(), int(png.size())).IsValid());
  EXPECT_EQ(CacheSize(), 0);
  EXPECT_EQ(mGraphics->mDecodedPaths.size(), 2u); // broken.png twice
}

// The extension is what follows the last dot of a name, even with nothing before that dot: bitmap data is taken
// under such a name, and a file named by its path from the working folder loads as ".png" as it does as "./.png".
// (Resources in the bundle are found by a base name, so none is found by the extension alone.)
TEST_F(ResourcesTest, ABitmapNamedOnlyByItsExtensionLoadsAsAnyOther)
{
  const std::vector<uint8_t> png = EncodePng(5, 3, SolidPixels(5, 3, 1, 2, 3));
  for (const char* name : {".jpeg", ".PNG"})
  {
    const IBitmap fromData = mGraphics->LoadBitmapFromData(name, png.data(), int(png.size()), 1, false, 1);
    EXPECT_TRUE(fromData.IsValid()) << name;
    EXPECT_EQ(fromData.W(), 5) << name;
  }
  EXPECT_FALSE(mGraphics->LoadBitmapFromData(".txt", png.data(), int(png.size())).IsValid());

  struct WorkingFolder
  {
    fs::path mBefore = fs::current_path();
    explicit WorkingFolder(const fs::path& folder) { fs::current_path(folder); }
    ~WorkingFolder() { fs::current_path(mBefore); }
  } inBundle(mBundle);
  ASSERT_TRUE(WriteFile((mBundle / ".png").string(), EncodePng(6, 4, SolidPixels(6, 4, 9, 9, 9))));
  for (const char* name : {"./.png", ".png"})
  {
    const IBitmap fromFile = mGraphics->LoadBitmap(name, 1, false, 1);
    EXPECT_TRUE(fromFile.IsValid()) << name;
    EXPECT_EQ(fromFile.W(), 6) << name;
    ASSERT_FALSE(mGraphics->mDecodedPaths.empty());
    EXPECT_EQ(mGraphics->mDecodedPaths.back(), name);
  }
}

TEST_F(ResourcesTest, BitmapsFromDataDecodeAtScaleOneAndAreCachedByName)
{
  const std::vector<uint8_t> png = EncodePng(8, 6, SolidPixels(8, 6, 1, 2, 3));
  const IBitmap one = mGraphics->LoadBitmapFromData("mem.png", png.data(), int(png.size()), 1, false, 1);
  EXPECT_EQ(one.W(), 8);
  EXPECT_EQ(static_cast<RecordedBitmap*>(one.GetAPIBitmap())->mPixels[0], 1);
  EXPECT_EQ(mGraphics->LoadBitmapFromData("mem.png", nullptr, 0, 1, false, 1).GetAPIBitmap(), one.GetAPIBitmap());
  const IBitmap two = mGraphics->LoadBitmapFromData("mem.png", png.data(), int(png.size()), 1, false, 2);
  EXPECT_EQ(two.GetAPIBitmap()->GetWidth(), 16);
  EXPECT_EQ(mGraphics->LoadBitmapFromData("mem.png", nullptr, 0, 1, false, 2).GetAPIBitmap(), two.GetAPIBitmap());
  // A cache entry stored and looked up without a scale is at scale 1.
  StaticStorage<int> storage;
  storage.Add(new int(7), "seven");
  ASSERT_NE(storage.Find("seven"), nullptr);
  EXPECT_EQ(storage.Find("seven", 1.0), storage.Find("seven"));
  EXPECT_EQ(storage.Find("seven", 2.0), nullptr);
}

TEST_F(ResourcesTest, RetainedImagesAreCachedOnceAndReleasedByImage)
{
  auto* one = new RecordedBitmap(4, 4, 1, 1.f, "one");
  auto* four = new RecordedBitmap(16, 16, 4, 1.f, "four");
  mGraphics->RetainBitmap(IBitmap(one, 1, false), "icon.png");
  mGraphics->RetainBitmap(IBitmap(one, 1, false), "icon.png"); // not twice: it would be deleted twice
  mGraphics->RetainBitmap(IBitmap(four, 1, false), "icon.png");
  int source = 0;
  EXPECT_EQ(mGraphics->SearchBitmapCache("icon.png", 2, source), four);
  EXPECT_EQ(mGraphics->SearchBitmapCache("ICON.png", 1, source), nullptr);
  mGraphics->ReleaseBitmap(IBitmap(four, 1, false));
  EXPECT_EQ(mGraphics->SearchBitmapCache("icon.png", 4, source), one);
  EXPECT_EQ(CacheSize(), 1);
  // Rescaled, an image drawn at twice its pixel density keeps its size in points.
  RecordedBitmap dense(20, 10, 1, 2.f, "dense");
  const IBitmap scaled = mGraphics->ScaleBitmap(IBitmap(&dense, 1, false), "dense.png", 2);
  ASSERT_TRUE(scaled.IsValid());
  EXPECT_EQ(scaled.GetAPIBitmap()->GetWidth(), 40);
  EXPECT_EQ(scaled.GetAPIBitmap()->GetHeight(), 20);
}

TEST_F(ResourcesTest, SvgImagesAndResourceFiles)
{
  const std::string svg = "<svg width='20' height='10'><rect width='20' height='10' fill='red'/></svg>";
  ASSERT_TRUE(WriteFile(ResourcePath("icon.svg"), std::vector<uint8_t>(svg.begin(), svg.end())));
  const ISVG a = mGraphics->LoadSVG("icon.svg");
  ASSERT_TRUE(a.IsValid());
  EXPECT_NE(a.mImage->shapes, nullptr);
  EXPECT_EQ(mGraphics->LoadSVG("icon.svg", "px", 300.f).mImage, a.mImage); // the first image stays
  EXPECT_FALSE(mGraphics->LoadSVG("missing.svg").IsValid());
  // Data is read up to its size or its first NUL.
  const std::string withNul = std::string("<svg width='5' height='5'/>") + '\0' + "<svg width='9'";
  EXPECT_FLOAT_EQ(mGraphics->LoadSVGFromData("mem.svg", withNul.data(), int(withNul.size())).mImage->width, 5.f);
  // Without a size the data is a terminated text, read whole.
  for (int size : {0, -1})
  {
    const std::string name = "whole" + std::to_string(size) + ".svg";
    const ISVG whole = mGraphics->LoadSVGFromData(name.c_str(), withNul.c_str(), size);
    ASSERT_TRUE(whole.IsValid()) << size;
    EXPECT_FLOAT_EQ(whole.mImage->width, 5.f);
  }
  EXPECT_FALSE(mGraphics->LoadSVGFromData("null.svg", nullptr, 0).IsValid());

  EXPECT_EQ(mGraphics->LoadResource("icon.svg", "svg").size(), svg.size());
  EXPECT_TRUE(mGraphics->LoadResource("missing.bin", "bin").empty());
  EXPECT_TRUE(mGraphics->LoadResource(mResources.string().c_str(), "").empty()); // a folder
}

// Physical lengths are converted at 72 dots per inch unless the caller names another resolution, whether the
// image is read from a file or from data.
TEST_F(ResourcesTest, SvgPhysicalLengthsAreConvertedAtSeventyTwoDotsPerInchUnlessTold)
{
  const std::string svg = "<svg width='2in' height='36pt'/>";
  ASSERT_TRUE(WriteFile(ResourcePath("inches.svg"), std::vector<uint8_t>(svg.begin(), svg.end())));
  const ISVG images[] = {mGraphics->LoadSVG("inches.svg"),
                         mGraphics->LoadSVGFromData("inches-data.svg", svg.data(), int(svg.size()))};
  for (const ISVG& image : images)
  {
    ASSERT_TRUE(image.IsValid());
    EXPECT_FLOAT_EQ(image.mImage->width, 144.f);
    EXPECT_FLOAT_EQ(image.mImage->height, 36.f);
  }
  const ISVG finer = mGraphics->LoadSVGFromData("inches-96.svg", svg.data(), int(svg.size()), "px", 96.f);
  ASSERT_TRUE(finer.IsValid());
  EXPECT_FLOAT_EQ(finer.mImage->width, 192.f);
  EXPECT_FLOAT_EQ(finer.mImage->height, 48.f);
}

// An image made from data is found again by its name, from a file or from data; no name gives no image.
TEST_F(ResourcesTest, SvgImagesAreFoundAgainByNameAndNeedOne)
{
  const std::string svg = "<svg width='7' height='3'/>";
  const ISVG made = mGraphics->LoadSVGFromData("made.svg", svg.data(), int(svg.size()));
  ASSERT_TRUE(made.IsValid());
  EXPECT_EQ(mGraphics->LoadSVG("made.svg").mImage, made.mImage) << "no file needed";
  EXPECT_EQ(mGraphics->LoadSVGFromData("made.svg", "<svg width='1'/>", 0).mImage, made.mImage);
  for (const char* name : {"", static_cast<const char*>(nullptr)})
  {
    EXPECT_FALSE(mGraphics->LoadSVG(name).IsValid());
    EXPECT_FALSE(mGraphics->LoadSVGFromData(name, svg.data(), int(svg.size())).IsValid());
  }
}

// A background from an image file goes beneath the controls already attached: a bitmap at its own size from the
// top-left corner, an SVG image over the whole editor.
TEST_F(ResourcesTest, BackgroundsFromImageFilesGoBeneathTheControls)
{
  PutPng("back.png", 40, 30);
  const std::string svg = "<svg width='20' height='10'><rect width='20' height='10' fill='red'/></svg>";
  ASSERT_TRUE(WriteFile(ResourcePath("back.svg"), std::vector<uint8_t>(svg.begin(), svg.end())));
  IControl* panel = mGraphics->AttachControl(new IPanelControl(IRECT(10, 10, 20, 20), IColor(255, 1, 2, 3)));
  mGraphics->AttachBackground("back.png");
  ASSERT_EQ(mGraphics->NControls(), 2);
  EXPECT_EQ(mGraphics->GetControl(1), panel);
  EXPECT_EQ(mGraphics->GetControl(0)->GetRECT(), IRECT(0, 0, 40, 30));
  EXPECT_EQ(mGraphics->GetControl(0)->GetUI(), mGraphics.get());
  mGraphics->AttachSVGBackground("back.svg");
  ASSERT_EQ(mGraphics->NControls(), 3);
  EXPECT_EQ(mGraphics->GetControl(2), panel);
  EXPECT_EQ(mGraphics->GetControl(0)->GetRECT(), IRECT(0, 0, 100, 100));
  EXPECT_EQ(mGraphics->GetControl(0)->GetUI(), mGraphics.get());
}

} // namespace
