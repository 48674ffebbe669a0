// Platform fonts: Roboto from the bundle's resources, the system family "Verdana" as fontconfig substitutes it
// (DejaVu Sans on Debian, whose regular face is called "Book"), fonts from memory, the descriptor cache with its
// em ratios, and fonts that cannot be found or read.
#include <gtest/gtest.h>

#include <cstring>

#include "foundation/bundle.h"
#include "graphics/IGraphics.h"
#include "platform/mac/CoreTextFont.h"
#include "temp_home.h"

using namespace plug;
using namespace plug::igraphics;

namespace {

constexpr const char* kBundleID = "com.example.fonts";
constexpr const char* kRobotoFile = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

const CoreTextFont& AsCoreText(const PlatformFontPtr& font) { return static_cast<const CoreTextFont&>(*font); }

/// Bytes with the horizontal header's ascender and descender set to 0: a face without height.
std::string WithoutHeight(std::string bytes)
{
  auto u16 = [&](size_t at) { return size_t(uint8_t(bytes[at])) << 8 | uint8_t(bytes[at + 1]); };
  auto u32 = [&](size_t at) { return u16(at) << 16 | u16(at + 2); };
  for (size_t i = 0, n = u16(4); i < n; ++i)
    if (bytes.compare(12 + 16 * i, 4, "hhea") == 0)
    {
      const size_t hhea = u32(12 + 16 * i + 8);
      std::memset(&bytes[hhea + 4], 0, 4);
    }
  return bytes;
}

class PlatformFonts : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const std::string resources = mHome.Path() + "/Fonts.vst/Contents/Resources";
    ASSERT_TRUE(testsupport::MakeFolders(resources));
    mRoboto = testsupport::ReadFile(kRobotoFile);
    ASSERT_FALSE(mRoboto.empty()) << "fonts-roboto-unhinted is not installed";
    ASSERT_TRUE(testsupport::WriteFile(resources + "/Roboto-Regular.ttf", mRoboto));
    ASSERT_TRUE(testsupport::WriteFile(resources + "/Broken.ttf", mRoboto.substr(0, 40)));
    foundation::Bundle::Register(kBundleID, mHome.Path() + "/Fonts.vst");
  }
  void TearDown() override
  {
    foundation::Bundle::Unregister(kBundleID);
    StaticStorage<FontDescriptor>& cache = IGraphics::FontDescriptorCache();
    LibMutexLock lock(cache.Mutex());
    cache.Clear();
  }

  testsupport::TemporaryHome mHome;
  std::string mRoboto;
};

} // namespace

TEST_F(PlatformFonts, RobotoFromTheBundleResources)
{
  PlatformFontPtr font = LoadFontFromResource("Roboto-Regular", "Roboto-Regular.ttf", kBundleID, nullptr);
  ASSERT_TRUE(font);
  EXPECT_FALSE(AsCoreText(font).IsSystem());
  EXPECT_STREQ(AsCoreText(font).GetStyleName(), "");
  EXPECT_EQ(font->GetFaceIdx(), 0);
  ASSERT_EQ(font->GetDataSize(), int(mRoboto.size()));
  EXPECT_EQ(std::memcmp(font->GetData(), mRoboto.data(), mRoboto.size()), 0);
  // Roboto's em square is 2048 units in a face 2400 units high (ascender 1900, descender -500).
  EXPECT_NEAR(AsCoreText(font).EMRatio(), 2048.0 / 2400.0, 1e-9);
}

TEST_F(PlatformFonts, VerdanaResolvesToTheFaceFontconfigSubstitutes)
{
  struct Case
  {
    int style;
    const char* file;
    const char* styleName;
  };
  const Case cases[] = {
    {kFontStyleNormal, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "Book"},
    {kFontStyleBold, "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "Bold"},
  };
  for (const Case& c : cases)
  {
    PlatformFontPtr font = LoadFontByName("Verdana", "Verdana", c.style);
    ASSERT_TRUE(font) << c.file;
    const CoreTextFont& ct = AsCoreText(font);
    EXPECT_TRUE(ct.IsSystem());
    EXPECT_EQ(ct.GetDescriptor()->mPath, c.file);
    EXPECT_EQ(ct.GetDescriptor()->mFamily, "DejaVu Sans");
    EXPECT_STREQ(ct.GetStyleName(), c.styleName);
    EXPECT_EQ(font->GetFaceIdx(), 0);
    EXPECT_EQ(font->GetDataSize(), int(testsupport::ReadFile(c.file).size()));
  }
}

TEST_F(PlatformFonts, FromMemoryKeepsItsOwnCopy)
{
  std::string bytes = mRoboto;
  PlatformFontPtr font = LoadFontFromMemory("Roboto", bytes.data(), int(bytes.size()));
  ASSERT_TRUE(font);
  bytes.assign(bytes.size(), '\0');
  EXPECT_EQ(std::memcmp(font->GetData(), mRoboto.data(), mRoboto.size()), 0);
  EXPECT_FALSE(AsCoreText(font).IsSystem());
}

TEST_F(PlatformFonts, FontsThatCannotBeFoundOrReadFailToLoad)
{
  EXPECT_FALSE(LoadFontFromResource("x", "Missing.ttf", kBundleID, nullptr));
  EXPECT_FALSE(LoadFontFromResource("x", "Broken.ttf", kBundleID, nullptr));
  EXPECT_FALSE(LoadFontFromResource("x", "", kBundleID, nullptr));
  EXPECT_FALSE(LoadFontFromResource("x", nullptr, kBundleID, nullptr));
  EXPECT_FALSE(LoadFontByName("x", "", kFontStyleNormal));
  EXPECT_FALSE(LoadFontByName("x", nullptr, kFontStyleNormal));

  const std::string garbage(4096, 'x');
  const std::string noHeight = WithoutHeight(mRoboto);
  const std::string cut = mRoboto.substr(0, 200);
  EXPECT_FALSE(LoadFontFromMemory("x", garbage.data(), int(garbage.size())));
  EXPECT_FALSE(LoadFontFromMemory("x", noHeight.data(), int(noHeight.size())));
  EXPECT_FALSE(LoadFontFromMemory("x", cut.data(), int(cut.size())));
  EXPECT_FALSE(LoadFontFromMemory("x", mRoboto.data(), 0));
  EXPECT_FALSE(LoadFontFromMemory("x", nullptr, 100));
}

TEST_F(PlatformFonts, TheCacheKeepsTheFirstDescriptorOfAName)
{
  PlatformFontPtr roboto = LoadFontFromResource("Roboto-Regular", "Roboto-Regular.ttf", kBundleID, nullptr);
  PlatformFontPtr verdana = LoadFontByName("Verdana Bold", "Verdana", kFontStyleBold);
  ASSERT_TRUE(roboto && verdana);
  EXPECT_EQ(FindCachedFont("Roboto-Regular"), nullptr);

  CachePlatformFont("Roboto-Regular", *roboto);
  CachePlatformFont("Roboto-Regular", *verdana);
  CachePlatformFont("Verdana Bold", *verdana);
  const CoreTextFontDescriptor* cached = FindCachedFont("Roboto-Regular");
  ASSERT_NE(cached, nullptr);
  EXPECT_EQ(cached->GetDescriptor(), AsCoreText(roboto).GetDescriptor());
  EXPECT_DOUBLE_EQ(cached->GetEMRatio(), AsCoreText(roboto).EMRatio());
  ASSERT_NE(FindCachedFont("Verdana Bold"), nullptr);
  EXPECT_EQ(FindCachedFont("Verdana Bold")->GetDescriptor()->mStyle, "Bold");
  EXPECT_EQ(IGraphics::FontDescriptorCache().Size(), 2);
}
