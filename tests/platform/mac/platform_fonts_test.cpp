// Platform fonts: Roboto from the bundle's resources, the system family "Verdana" as fontconfig substitutes it
// (DejaVu Sans on Debian, whose regular face is called "Book"), faces of a collection found by style name, fonts
// from memory, the descriptor cache with its em ratios, and fonts that cannot be found or read.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "foundation/bundle.h"
#include "graphics/context/IGraphics.h"
#include "platform/mac/CoreTextFont.h"
#include "platform/mac/VexelPainter.h"
#include "temp_home.h"

using namespace plug;
using namespace plug::igraphics;

namespace {

constexpr const char* kBundleID = "com.example.fonts";
constexpr const char* kRobotoFile = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

const CoreTextFont& AsCoreText(const PlatformFontPointer& font) { return static_cast<const CoreTextFont&>(*font); }

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
  PlatformFontPointer font = LoadFontFromResource("Roboto-Regular", "Roboto-Regular.ttf", kBundleID, nullptr);
  ASSERT_TRUE(font);
  EXPECT_FALSE(AsCoreText(font).IsSystem());
  EXPECT_STREQ(AsCoreText(font).GetStyleName(), "");
  EXPECT_EQ(font->GetFaceIdx(), 0);
  ASSERT_EQ(font->GetDataSize(), int(mRoboto.size()));
  EXPECT_EQ(std::memcmp(font->GetData(), mRoboto.data(), mRoboto.size()), 0);
  // Roboto's em square is 2048 units in a face 2400 units high (ascender 1900, descender -500).
  EXPECT_NEAR(AsCoreText(font).EmRatio(), 2048.0 / 2400.0, 1e-9);
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
    {kFontStyleNormal, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "Regular"},
    {kFontStyleBold, "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "Bold"},
    {kFontStyleItalic, "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf", "Italic"},
  };
  for (const Case& c : cases)
  {
    PlatformFontPointer font = LoadFontByName("Verdana", "Verdana", c.style);
    ASSERT_TRUE(font) << c.file;
    const CoreTextFont& ct = AsCoreText(font);
    EXPECT_TRUE(ct.IsSystem());
    EXPECT_EQ(ct.GetDescriptor()->mPath, c.file);
    EXPECT_EQ(ct.GetDescriptor()->mFamily, "DejaVu Sans");
    EXPECT_STREQ(ct.GetStyleName(), c.styleName);
    EXPECT_EQ(font->GetFaceIdx(), 0);
    EXPECT_EQ(font->GetDataSize(), int(testsupport::ReadFile(c.file).size()));
    // One face in the file: the one fontconfig matched, though the file calls it "Book" or "Oblique".
    EXPECT_EQ(font->GetFontData()->mFaceIdx, 0) << c.file;
  }
}

/// A font collection of the given single-face files, in order: each face's table offsets moved to where its
/// tables now lie.
std::string Collection(const std::vector<std::string>& faces)
{
  auto put32 = [](std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(v >> (24 - 8 * i));
  };
  auto get = [](const std::string& s, size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | uint8_t(s[at + size_t(i)]);
    return v;
  };
  std::string out(12 + 4 * faces.size(), '\0');
  out.replace(0, 4, "ttcf");
  put32(out, 4, 0x00010000);
  put32(out, 8, uint32_t(faces.size()));
  for (size_t f = 0; f < faces.size(); ++f)
  {
    std::string face = faces[f];
    const uint32_t base = uint32_t(out.size());
    for (uint32_t t = 0, n = get(face, 4, 2); t < n; ++t)
      put32(face, 12 + 16 * t + 8, get(face, 12 + 16 * t + 8, 4) + base);
    put32(out, 12 + 4 * f, base);
    out += face;
    out.resize((out.size() + 3) & ~size_t(3), '\0');
  }
  return out;
}

TEST_F(PlatformFonts, AFamilyFontInACollectionIsTheFaceOfItsStyleName)
{
  const std::string book = testsupport::ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  const std::string bold = testsupport::ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
  const std::string ttc = Collection({book, bold});
  coretext::FontBytes bytes = coretext::FontBytesFromMemory(ttc.data(), ttc.size());
  coretext::FontDescriptorRef descriptor = coretext::DescriptorForBytes(bytes, "");
  ASSERT_TRUE(descriptor);
  struct Case
  {
    const char* style;
    int face;
  };
  // The faces are called "Book" and "Bold": a regular or italic face is not there.
  for (const Case& c : {Case{"Bold", 1}, Case{"Book", 0}, Case{"Regular", -1}, Case{"Italic", -1}, Case{"", 0}})
  {
    CoreTextFont font(descriptor, bytes, c.style, c.style[0] != 0);
    std::unique_ptr<FontData> data = font.GetFontData();
    EXPECT_EQ(data->mFaceIdx, c.face) << c.style;
    EXPECT_EQ(data->mBytes.size(), ttc.size());
  }
  // Without a style name the font keeps the face its descriptor names; a made-up face of no height has a ratio
  // of 1 (as has one upside down).
  for (int descender : {0, 10})
  {
    auto second = std::make_shared<coretext::FontDescriptor>(*descriptor);
    second->mFaceIndex = 1;
    second->mMetrics.mAscender = 0;
    second->mMetrics.mDescender = descender;
    const CoreTextFont font(second, bytes, "", false);
    EXPECT_EQ(font.GetFontData()->mFaceIdx, 1);
    EXPECT_EQ(font.EmRatio(), 1.0) << descender;
  }
}

TEST_F(PlatformFonts, FromMemoryKeepsItsOwnCopy)
{
  std::string bytes = mRoboto;
  PlatformFontPointer font = LoadFontFromMemory("Roboto", bytes.data(), int(bytes.size()));
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
  PlatformFontPointer roboto = LoadFontFromResource("Roboto-Regular", "Roboto-Regular.ttf", kBundleID, nullptr);
  PlatformFontPointer verdana = LoadFontByName("Verdana Bold", "Verdana", kFontStyleBold);
  ASSERT_TRUE(roboto && verdana);
  EXPECT_EQ(FindCachedFont("Roboto-Regular"), nullptr);

  CachePlatformFont("Roboto-Regular", *roboto);
  CachePlatformFont("Roboto-Regular", *verdana);
  CachePlatformFont("Verdana Bold", *verdana);
  const CoreTextFontDescriptor* cached = FindCachedFont("Roboto-Regular");
  ASSERT_NE(cached, nullptr);
  EXPECT_EQ(cached->GetDescriptor(), AsCoreText(roboto).GetDescriptor());
  EXPECT_DOUBLE_EQ(cached->GetEmRatio(), AsCoreText(roboto).EmRatio());
  ASSERT_NE(FindCachedFont("Verdana Bold"), nullptr);
  EXPECT_EQ(FindCachedFont("Verdana Bold")->GetDescriptor()->mStyle, "Bold");
  EXPECT_EQ(IGraphics::FontDescriptorCache().Size(), 2);
}

// The painter of menus and alerts: whole pixels at its scale, opaque, blue first, with a rectangle just where it was
// asked for, whatever size of picture came before; text below its baseline has a positive depth and no added spacing.
TEST(MenuPainter, PaintsWholeOpaquePixelsJustWhereAskedWhateverCameBefore)
{
  VexelPainter painter;
  ASSERT_TRUE(painter.IsReady());
  const appkit::DeviceColor red{1, 0, 0, 1}, blue{0, 0, 1, 1};
  const std::vector<int> redPixel{0, 0, 255, 255}, bluePixel{255, 0, 0, 255};
  const struct
  {
    appkit::Size size;
    double scale;
    appkit::Rect fill;
    int width, height;
  } cases[] = {{{3.2, 1.5}, 2.0, {1, 0.5, 1, 0.5}, 7, 3}, {{8, 6}, 1.0, {2, 3, 4, 2}, 8, 6},
               {{4, 3}, 1.0, {0, 1, 4, 1}, 4, 3}, {{9, 2}, 1.0, {8, 0, 1, 2}, 9, 2}};
  for (const auto& c : cases)
  {
    painter.Begin(c.size, c.scale, red);
    painter.FillRect(c.fill, blue);
    const appkit::FrameImage image = painter.End();
    ASSERT_EQ(image.width, c.width);
    ASSERT_EQ(image.height, c.height);
    ASSERT_EQ(image.bytesPerRow, size_t(c.width) * 4);
    const double left = c.fill.origin.x * c.scale, top = c.fill.origin.y * c.scale;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
      {
        const bool inside = x >= left && x < left + c.fill.size.width * c.scale && y >= top &&
                            y < top + c.fill.size.height * c.scale;
        const uint8_t* p = image.pixels + size_t(y) * image.bytesPerRow + size_t(x) * 4;
        EXPECT_EQ(std::vector<int>(p, p + 4), inside ? bluePixel : redPixel) << c.width << ": " << x << "," << y;
      }
  }
  const appkit::TextStyle text{"", 20.0, {}};
  EXPECT_GT(painter.Metrics(text).descender, 0.0);
  EXPECT_NEAR(painter.TextWidth("iiii", text), 4 * painter.TextWidth("i", text), 1e-3);
}
