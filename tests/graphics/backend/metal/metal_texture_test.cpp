// Texture slots and framebuffers of the Metal renderer: ids and slot reuse, updates and read-backs with their
// region checks, textures that cannot be made, borrowed textures, the framebuffer binding, and copies resampled
// for another scale.
#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "child_process.h"
#include "metal_test_support.h"
#include "mvx_context.h"

namespace {

/// Fills the rectangle from the origin to (w, h) with the image stretched over it.
void FillWithImage(VXcontext* ctx, float w, float h, int image)
{
  vxBeginPath(ctx);
  vxRectPath(ctx, 0, 0, w, h);
  vxSetFillPaint(ctx, vxMakeImagePattern(ctx, 0, 0, w, h, 0, image, 1));
  vxFillPath(ctx);
}

using mvxtest::Surface;

MVXcontext_vDrovik_vst* Renderer(VXcontext* ctx) { return static_cast<MVXcontext_vDrovik_vst*>(vxGetUserPtr(ctx)); }

TEST(MetalTextures, DeletedSlotIsReusedUnderANewId)
{
  Surface s(8, 8);
  size_t slots = Renderer(s.ctx)->textures.size();
  int a = vxCreateImageFromPixels(s.ctx, 2, 2, 0, nullptr);
  vxDeleteImage(s.ctx, a);
  int b = vxCreateImageFromPixels(s.ctx, 2, 2, 0, nullptr);
  EXPECT_GT(b, a);
  EXPECT_EQ(Renderer(s.ctx)->textures.size(), slots + 1);
}

TEST(MetalTextures, TextureThatCannotBeMadeFreesItsSlotAndFails)
{
  Surface s(8, 8);
  size_t slots = Renderer(s.ctx)->textures.size();
  for (int size : {0, -4, (int)kMTLMaxTextureSize + 1})
    EXPECT_EQ(vxCreateImageFromPixels(s.ctx, size, 4, 0, nullptr), 0) << size;
  EXPECT_EQ(Renderer(s.ctx)->textures.size(), slots + 1); // one slot, freed each time
  EXPECT_EQ(Renderer(s.ctx)->findTexture(Renderer(s.ctx)->textureId), nullptr);
}

TEST(MetalTextures, UpdatesReadTheWholeImageBufferAtTextureWidth)
{
  Surface s(8, 8);
  auto* r = Renderer(s.ctx);
  // An alpha image of width 3 has rows of 3 bytes; an RGBA image of width 3 has rows of 12 (both are 4 rows tall).
  std::vector<unsigned char> alpha = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  int a = r->renderCreateTextureWithType(VX_TEXTURE_ALPHA, 3, 4, 0, nullptr);
  EXPECT_EQ(r->renderUpdateTextureWithImage(a, 1, 1, 2, 2, alpha.data()), 1);
  unsigned char got[4];
  ASSERT_EQ(mvxReadPixels(s.ctx, a, 1, 1, 2, 2, got), 1);
  EXPECT_EQ(std::vector<unsigned char>(got, got + 4), (std::vector<unsigned char>{5, 6, 8, 9}));
  std::vector<unsigned char> rgba(3 * 4 * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = (unsigned char)i;
  int b = r->renderCreateTextureWithType(VX_TEXTURE_RGBA, 3, 4, 0, rgba.data());
  unsigned char px[2 * 4];
  // Rows packed at the region's width, not the texture's: a buffer sized for the region is never overrun.
  ASSERT_EQ(mvxReadPixels(s.ctx, b, 1, 2, 2, 1, px), 1);
  EXPECT_EQ(px[0], 28);
  EXPECT_EQ(px[7], 35);
  // An RGBA update reads its region from rows of 12 bytes too, and leaves the pixels outside it alone.
  std::vector<unsigned char> update(rgba.size());
  for (size_t i = 0; i < update.size(); ++i) update[i] = (unsigned char)(255 - i);
  EXPECT_EQ(r->renderUpdateTextureWithImage(b, 1, 1, 2, 2, update.data()), 1);
  unsigned char all[3 * 4 * 4];
  ASSERT_EQ(mvxReadPixels(s.ctx, b, 0, 0, 3, 4, all), 1);
  for (int i = 0; i < 3 * 4 * 4; ++i)
  {
    const int x = i / 4 % 3, y = i / 12;
    EXPECT_EQ(all[i], x >= 1 && y >= 1 && y <= 2 ? update[i] : rgba[i]) << "pixel " << x << ", " << y << " channel " << i % 4;
  }
}

TEST(MetalTextures, MipmappedImageKeepsItsPixelsAndCarriesEveryLevelAveraged)
{
  Surface s(8, 8);
  // Pixel (x, y) holds (x + 4y) * 10 + channel: every 2 x 2 mean is a whole number.
  unsigned char px[4 * 4 * 4];
  for (int i = 0; i < 16; ++i)
    for (int c = 0; c < 4; ++c) px[i * 4 + c] = (unsigned char)(i * 10 + c);
  int image = vxCreateImageFromPixels(s.ctx, 4, 4, VX_IMAGE_GENERATE_MIPMAPS, px);
  ASSERT_GT(image, 0);
  unsigned char got[64];
  ASSERT_EQ(mvxReadPixels(s.ctx, image, 0, 0, 4, 4, got), 1);
  EXPECT_EQ(memcmp(got, px, sizeof(px)), 0);
  std::shared_ptr<MTLTexture> tex = mvxImageTexture(s.ctx, image);
  ASSERT_EQ(tex->mipmapLevelCount(), 3u);
  unsigned char level1[2 * 2 * 4], last[4];
  tex->getBytes(level1, 8, MTLRegionMake2D(0, 0, 2, 2), 1);
  tex->getBytes(last, 4, MTLRegionMake2D(0, 0, 1, 1), 2);
  const int means[4] = {25, 45, 105, 125};
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(level1[i * 4 + 1], means[i] + 1) << i;
  EXPECT_EQ(last[0], 75);
  EXPECT_EQ(last[3], 78);
}

TEST(MetalTextures, MipmapMeansAreRoundedToTheNearestSoSmallerLevelsDoNotDarken)
{
  // One 2 x 2 image whose channels have means of a quarter, a half, three quarters and 254.75.
  const unsigned char px[2 * 2 * 4] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 1, 0, 255, 1, 1, 3, 254};
  Surface s(8, 8);
  int image = vxCreateImageFromPixels(s.ctx, 2, 2, VX_IMAGE_GENERATE_MIPMAPS, px);
  ASSERT_GT(image, 0);
  std::shared_ptr<MTLTexture> tex = mvxImageTexture(s.ctx, image);
  ASSERT_EQ(tex->mipmapLevelCount(), 2u);
  unsigned char mean[4];
  tex->getBytes(mean, 4, MTLRegionMake2D(0, 0, 1, 1), 1);
  EXPECT_EQ(std::vector<int>(mean, mean + 4), (std::vector<int>{0, 1, 1, 255}));
}

TEST(MetalTextures, ImageAtAQuarterSizeIsTheAveragedImageWithMipmapsAndAliasesWithout)
{
  // A grid of bright lines every 4 pixels: each 4 x 4 block is 7/16 bright, but the texel pairs a plain
  // bilinear sample at a quarter size reads lie between the lines.
  const int n = 256, q = n / 4;
  std::vector<unsigned char> px((size_t)n * n * 4, 255);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if (x % 4 != 0 && y % 4 != 0) memset(&px[((size_t)y * n + x) * 4], 0, 3);
  const double averaged = 255.0 * 7.0 / 16.0;
  for (bool mipmaps : {true, false})
  {
    Surface s(q, q);
    int image = vxCreateImageFromPixels(s.ctx, n, n, mipmaps ? VX_IMAGE_GENERATE_MIPMAPS : 0, px.data());
    s.Begin();
    FillWithImage(s.ctx, (float)q, (float)q, image);
    s.End();
    mvxtest::Image img = s.Read();
    double worst = 0;
    for (int y = 1; y < q - 1; ++y)
      for (int x = 1; x < q - 1; ++x)
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::fabs(img.At(x, y)[c] - averaged));
    if (mipmaps)
      EXPECT_LE(worst, 2.0);
    else
      EXPECT_GT(worst, 100.0);
  }
}

// A mipmapped image drawn larger than it is keeps its own texels at any turn: a 4 x 4 checkerboard of black and
// white texels spread over 64 x 64 pixels shows both colours (no smaller level's grey) turned or not.
TEST(MetalTextures, AMagnifiedMipmappedImageKeepsItsTexelsWhenTurned)
{
  const int n = 4, side = 64;
  std::vector<unsigned char> px((size_t)n * n * 4, 255);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if ((x + y) % 2) memset(&px[((size_t)y * n + x) * 4], 0, 3);
  for (float degrees : {0.f, 30.f, 90.f})
  {
    Surface s(side, side);
    int image = vxCreateImageFromPixels(s.ctx, n, n, VX_IMAGE_GENERATE_MIPMAPS, px.data());
    s.Begin();
    vxTranslate(s.ctx, side / 2.f, side / 2.f);
    vxRotate(s.ctx, degrees * 3.14159265f / 180.f);
    vxTranslate(s.ctx, -side / 2.f, -side / 2.f);
    FillWithImage(s.ctx, (float)side, (float)side, image);
    s.End();
    mvxtest::Image img = s.Read();
    int darkest = 255, brightest = 0;
    for (int y = side / 4; y < side * 3 / 4; ++y)
      for (int x = side / 4; x < side * 3 / 4; ++x)
        darkest = std::min(darkest, int(img.At(x, y)[0])), brightest = std::max(brightest, int(img.At(x, y)[0]));
    EXPECT_LE(darkest, 40) << degrees << " degrees";
    EXPECT_GE(brightest, 215) << degrees << " degrees";
  }
}

/// Threads of this process now.
int ThreadCount()
{
  int count = 0;
  if (DIR* tasks = opendir("/proc/self/task"))
  {
    while (const dirent* entry = readdir(tasks))
      count += entry->d_name[0] != '.';
    closedir(tasks);
  }
  return count;
}

// A large region is resampled by helper threads that stay for later calls, and comes out as the same region
// resampled in bands small enough for the calling thread alone; in a forked process, by the calling thread alone.
TEST(MetalTextures, ALargeResamplingMatchesItsBandsAndKeepsItsHelperThreads)
{
  if (std::thread::hardware_concurrency() < 2)
    GTEST_SKIP() << "one processor: no helper threads";
  Surface s(8, 8);
  constexpr int kSide = 37, kW = 509, kH = 263, kBand = 16; // 509 x 16 pixels: one thread; 509 x 263: several
  std::vector<unsigned char> pixels(kSide * kSide * 4);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = (unsigned char)(i * 7 % 251);
  const int image = vxCreateImageFromPixels(s.ctx, kSide, kSide, 0, pixels.data());
  ASSERT_NE(image, 0);
  auto resample = [&](int y, int h, unsigned char* out) {
    return mvxResampleImage(s.ctx, image, -3.5f, 2.25f, 600.0f, 300.0f, 5, y, kW, h, out);
  };
  std::vector<unsigned char> banded((size_t)kW * kH * 4), whole(banded.size());
  for (int y = 0; y < kH; y += kBand)
    ASSERT_EQ(resample(y, std::min(kBand, kH - y), &banded[(size_t)y * kW * 4]), 1);
  const int before = ThreadCount();
  ASSERT_EQ(resample(0, kH, whole.data()), 1);
  EXPECT_TRUE(whole == banded);
  const int after = ThreadCount();
  EXPECT_GT(after, before); // the helpers stay
  for (int i = 0; i < 10; ++i)
  {
    std::fill(whole.begin(), whole.end(), 0);
    ASSERT_EQ(resample(0, kH, whole.data()), 1);
    EXPECT_TRUE(whole == banded) << i;
  }
  EXPECT_EQ(ThreadCount(), after); // and serve every call

  // A process forked from ours has no helpers: there the calling thread does every row, alike.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0)
  {
    std::fill(whole.begin(), whole.end(), 0);
    _exit(resample(0, kH, whole.data()) == 1 && whole == banded ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

// A region of a few rows but wide enough for helpers, resampled after a large one started them, is shared among
// no more threads than it has rows, and comes out as its rows resampled one at a time. In a fresh process, so that
// its helpers are its own and a write past the rows' buffers ends it with a signal, seen as a failure here.
TEST(MetalTextures, AWideRegionOfFewRowsComesOutAsItsRowsOneAtATime)
{
  testsupport::ExpectInFreshProcess([] {
    Surface s(8, 8);
    std::vector<unsigned char> pixels(37 * 37 * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = (unsigned char)(i * 7 % 251);
    const int image = vxCreateImageFromPixels(s.ctx, 37, 37, 0, pixels.data());
    constexpr int kWide = 22000, kRows = 3; // 66,000 pixels: enough for helpers
    auto resample = [&](int w, int y, int h, unsigned char* out) {
      return mvxResampleImage(s.ctx, image, 0, 0, float(w), 300.0f, 0, y, w, h, out);
    };
    std::vector<unsigned char> large(509 * 263 * 4), rows((size_t)kWide * kRows * 4), together(rows.size());
    bool made = image != 0 && resample(509, 0, 263, large.data()) && resample(kWide, 0, kRows, together.data());
    for (int y = 0; y < kRows; ++y)
      made = made && resample(kWide, y, 1, &rows[(size_t)y * kWide * 4]);
    return made && together == rows;
  });
}

TEST(MetalTextures, PlatformQueriesAnswerAsGiven)
{
  for (int flags : {0, int(VX_IMAGE_GENERATE_MIPMAPS), VX_IMAGE_REPEAT_X | VX_IMAGE_NEAREST})
    EXPECT_EQ(mvxImageFlagsForPlatform(flags), flags);
  EXPECT_EQ(mvxRendererAvailable(), 1);
}

TEST(MetalTextures, RegionsOutsideTheTextureAreRefused)
{
  Surface s(8, 8);
  auto* r = Renderer(s.ctx);
  std::vector<unsigned char> data(4 * 4 * 4, 7);
  int image = r->renderCreateTextureWithType(VX_TEXTURE_RGBA, 4, 3, 0, data.data());
  int width = 0, height = 0;
  EXPECT_EQ(r->renderGetTextureSizeForImage(image, &width, &height), 1);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 3);
  struct Region
  {
    int x, y, w, h;
  } bad[] = {{-1, 0, 2, 2}, {0, -1, 2, 2}, {3, 0, 2, 1}, {0, 2, 1, 2}, {0, 0, 0, 1},
             {0, 0, 1, 0}, {0, 0, 5, 1}, {2, 2, 0x7fffffff, 1}};
  unsigned char sink[64] = {};
  for (const Region& g : bad)
  {
    EXPECT_EQ(r->renderUpdateTextureWithImage(image, g.x, g.y, g.w, g.h, data.data()), 0) << g.x << "," << g.y;
    EXPECT_EQ(mvxReadPixels(s.ctx, image, g.x, g.y, g.w, g.h, sink), 0) << g.x << "," << g.y;
  }
  EXPECT_EQ(r->renderUpdateTextureWithImage(image + 100, 0, 0, 1, 1, data.data()), 0);
  EXPECT_EQ(r->renderUpdateTextureWithImage(image, 0, 0, 1, 1, nullptr), 0) << "no pixels";
  EXPECT_EQ(r->renderGetTextureSizeForImage(image + 100, &width, &height), 0);
  EXPECT_EQ(mvxReadPixels(s.ctx, image + 100, 0, 0, 1, 1, sink), 0);
}

TEST(MetalTextures, BorrowedTextureOutlivesItsImage)
{
  Surface s(8, 8);
  MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 2, 2, false);
  std::shared_ptr<MTLTexture> texture = mvxGetDevice(s.ctx)->newTextureWithDescriptor(d);
  int image = mvxImageFromTexture(s.ctx, texture, 0);
  ASSERT_GT(image, 0);
  EXPECT_EQ(Renderer(s.ctx)->findTexture(image)->flags & kMvxImageNoDelete, kMvxImageNoDelete);
  EXPECT_EQ(mvxImageTexture(s.ctx, image), texture);
  vxDeleteImage(s.ctx, image);
  EXPECT_EQ(texture.use_count(), 1); // the slot let go; the texture is still ours
  EXPECT_EQ(mvxImageFromTexture(s.ctx, nullptr, 0), 0);
}

// A borrowed texture is drawn from its first level alone: its other levels are not the renderer's to keep up to
// date. Drawn at a quarter of its size, a texture whose first level is red and every other one blue shows red.
TEST(MetalTextures, ABorrowedTextureIsDrawnFromItsFirstLevelAtAnySize)
{
  const int side = 16, drawn = 4;
  Surface s(side, side);
  MTLTextureDescriptor d =
      MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, side, side, true);
  std::shared_ptr<MTLTexture> texture = mvxGetDevice(s.ctx)->newTextureWithDescriptor(d);
  ASSERT_GT(texture->mipmapLevelCount(), 2u);
  for (int level = 0; level < (int)texture->mipmapLevelCount(); ++level)
  {
    const int w = texture->levelWidth(level), h = texture->levelHeight(level);
    const unsigned char colour[4] = {(unsigned char)(level ? 0 : 255), 0, (unsigned char)(level ? 255 : 0), 255};
    std::vector<unsigned char> px;
    for (int i = 0; i < w * h; ++i) px.insert(px.end(), colour, colour + 4);
    texture->replaceRegion(MTLRegionMake2D(0, 0, w, h), level, px.data(), (NSUInteger)w * 4);
  }
  const int image = mvxImageFromTexture(s.ctx, texture, 0);
  ASSERT_GT(image, 0);
  s.Begin();
  FillWithImage(s.ctx, drawn, drawn, image);
  s.End();
  const mvxtest::Image img = s.Read();
  for (int y = 0; y < drawn; ++y)
    for (int x = 0; x < drawn; ++x)
      EXPECT_EQ((std::vector<int>{img.At(x, y)[0], img.At(x, y)[1], img.At(x, y)[2]}), (std::vector<int>{255, 0, 0}))
          << x << ", " << y;
}

TEST(MetalTextures, DeletingTheBoundFramebufferUnbindsIt)
{
  Surface s(8, 8);
  MVXframebuffer* fb = mvxCreateFramebuffer(s.ctx, 4, 4, 0);
  mvxBindFramebuffer(fb);
  mvxDeleteFramebuffer(fb);
  EXPECT_EQ(mvxBoundFramebuffer(), nullptr);
  mvxDeleteFramebuffer(nullptr);
}

TEST(MetalTextures, AFramebufferOfAnotherContextIsNotDrawnInto)
{
  Surface mine(8, 8), other(8, 8);
  mvxBindFramebuffer(other.fb);
  mvxClearWithColor(mine.ctx, VXcolor{{{0, 0, 1, 1}}});
  vxBeginFrame(mine.ctx, 8, 8, 1);
  vxEndFrame(mine.ctx); // goes to mine's layer
  mvxBindFramebuffer(nullptr);
  mvxtest::Image img = other.Read();
  EXPECT_EQ(img.At(2, 2)[2], 0);
}

// An image whose levels rise evenly down its rows, stretched to half again its height, resamples inside to the
// nearest level of the even rise at each pixel's centre: no copy for another scale is darker or lighter than that.
TEST(MetalTextures, AResampledCopyOfAnEvenRiseHoldsTheNearestLevelAtEachPixel)
{
  Surface s(8, 8);
  constexpr int kW = 4, kRows = 10, kStretchedRows = 15;
  constexpr float kBase = 20.f, kRise = 20.f; // levels per row
  std::vector<unsigned char> rgba((size_t)kW * kRows * 4);
  for (int y = 0; y < kRows; ++y)
    for (int x = 0; x < kW; ++x)
    {
      unsigned char* p = &rgba[((size_t)y * kW + x) * 4];
      p[0] = p[1] = p[2] = (unsigned char)(kBase + kRise * y), p[3] = 255;
    }
  const int image = vxCreateImageFromPixels(s.ctx, kW, kRows, 0, rgba.data());
  ASSERT_GT(image, 0);
  std::vector<unsigned char> copy((size_t)kW * kStretchedRows * 4);
  ASSERT_EQ(mvxResampleImage(s.ctx, image, 0, 0, kW, kStretchedRows, 0, 0, kW, kStretchedRows, copy.data()), 1);
  for (int y = 2; y < kStretchedRows - 2; ++y) // rows whose filter reaches no edge
  {
    const float row = (y + 0.5f) * kRows / kStretchedRows - 0.5f;
    const float exact = kBase + kRise * row;
    for (int x = 0; x < kW; ++x)
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(copy[((size_t)y * kW + x) * 4 + c], exact, 0.51f) << y << " " << x;
  }
}

// Every function over a context answers nothing for no context, a renderer's layer is not opaque, and resampling refuses what it cannot copy:
// an unknown, alpha or upside-down image, no output, an empty region or a scale that is not a positive number.
TEST(MetalTextures, NoContextAndImagesThatCannotBeResampledAnswerNothing)
{
  unsigned char out[4 * 4] = {};
  EXPECT_EQ(mvxReadPixels(nullptr, 1, 0, 0, 1, 1, out), 0);
  EXPECT_EQ(mvxGetCommandQueue(nullptr), nullptr);
  EXPECT_EQ(mvxGetDevice(nullptr), nullptr);
  EXPECT_EQ(mvxImageTexture(nullptr, 1), nullptr);
  EXPECT_EQ(mvxFramesInFlight(nullptr), 0);
  EXPECT_EQ(mvxCreateFramebuffer(nullptr, 4, 4, 0), nullptr);
  EXPECT_EQ(mvxResampleImage(nullptr, 1, 0, 0, 2, 2, 0, 0, 2, 2, out), 0);
  mvxClearWithColor(nullptr, VXcolor{{{1, 0, 0, 1}}});
  mvxDeleteFramebuffer(nullptr);
  Surface s(8, 8);
  auto texture = mvxGetDevice(s.ctx)->newTextureWithDescriptor(
    MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 2, 2, false));
  EXPECT_EQ(mvxImageFromTexture(nullptr, texture, 0), 0);
  EXPECT_EQ(mvxImageFromTexture(s.ctx, nullptr, 0), 0);
  EXPECT_EQ(mvxFramesInFlight(s.ctx), 0);
  EXPECT_FALSE(s.layer.isOpaque()) << "what a frame leaves clear shows what is under the layer";
  const unsigned char white[2 * 2 * 4] = {255, 255, 255, 255, 255, 255, 255, 255,
                                          255, 255, 255, 255, 255, 255, 255, 255};
  const int image = vxCreateImageFromPixels(s.ctx, 2, 2, 0, white);
  const int flipped = vxCreateImageFromPixels(s.ctx, 2, 2, VX_IMAGE_FLIP_Y, white);
  const int alpha = Renderer(s.ctx)->renderCreateTextureWithType(VX_TEXTURE_ALPHA, 2, 2, 0, white);
  const float nan = std::nanf(""), inf = INFINITY;
  const struct
  {
    int image;
    float originX, originY, width, height;
    int w, h;
    bool output;
  } refused[] = {
    {image + 100, 0, 0, 2, 2, 2, 2, true}, {flipped, 0, 0, 2, 2, 2, 2, true}, {alpha, 0, 0, 2, 2, 2, 2, true},
    {image, 0, 0, 2, 2, 2, 2, false},      {image, 0, 0, 2, 2, 0, 2, true},   {image, 0, 0, 2, 2, 2, -1, true},
    {image, 0, 0, 0, 2, 2, 2, true},       {image, 0, 0, 2, -2, 2, 2, true},  {image, 0, 0, nan, 2, 2, 2, true},
    {image, nan, 0, 2, 2, 2, 2, true},     {image, 0, inf, 2, 2, 2, 2, true}, {image, 0, 0, inf, 2, 2, 2, true},
  };
  for (const auto& k : refused)
  {
    EXPECT_EQ(mvxResampleImage(s.ctx, k.image, k.originX, k.originY, k.width, k.height, 0, 0, k.w, k.h,
                               k.output ? out : nullptr),
              0)
      << "image " << k.image << " at " << k.originX << ", " << k.originY << " size " << k.width << " x " << k.height
      << ", region " << k.w << " x " << k.h;
  }
  EXPECT_EQ(std::count(out, out + sizeof(out), 0), (long)sizeof(out)) << "a refused copy writes nothing";
  EXPECT_EQ(mvxResampleImage(s.ctx, image, 0, 0, 2, 2, 0, 0, 2, 2, out), 1);
  EXPECT_EQ(std::count(out, out + sizeof(out), 255), (long)sizeof(out));
  // A mipmapped image copied at its own size is its own texels, at half its size its next level's one grey.
  const unsigned char board[2 * 2 * 4] = {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255};
  const int levels = vxCreateImageFromPixels(s.ctx, 2, 2, VX_IMAGE_GENERATE_MIPMAPS | VX_IMAGE_NEAREST, board);
  EXPECT_EQ(mvxResampleImage(s.ctx, levels, 0, 0, 2, 2, 0, 0, 2, 2, out), 1);
  EXPECT_EQ(std::vector<int>(out, out + 16), std::vector<int>(board, board + 16));
  EXPECT_EQ(mvxResampleImage(s.ctx, levels, 0, 0, 1, 1, 0, 0, 1, 1, out), 1);
  EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{128, 128, 128, 255}));
  // Between two levels it takes the nearer one whole: 8 x 8 alternate black and white columns copied 6 across show
  // only black and white, copied 5 across only grey.
  std::vector<unsigned char> columns(8 * 8 * 4, 255), six(6 * 6 * 4), five(5 * 5 * 4);
  for (size_t i = 0; i < columns.size(); i += 8) memset(&columns[i], 0, 3);
  const int striped =
    vxCreateImageFromPixels(s.ctx, 8, 8, VX_IMAGE_GENERATE_MIPMAPS | VX_IMAGE_NEAREST, columns.data());
  ASSERT_EQ(mvxResampleImage(s.ctx, striped, 0, 0, 6, 6, 0, 0, 6, 6, six.data()), 1);
  ASSERT_EQ(mvxResampleImage(s.ctx, striped, 0, 0, 5, 5, 0, 0, 5, 5, five.data()), 1);
  EXPECT_EQ(std::count(six.begin(), six.end(), 0) + std::count(six.begin(), six.end(), 255), (long)six.size());
  EXPECT_GT(std::count(six.begin(), six.end(), 0), 0);
  EXPECT_EQ(std::count(five.begin(), five.end(), 128), (long)five.size() * 3 / 4);
}

// An image squeezed to half its size along one axis only is sampled from the level of its longer footprint: an 8 x 8
// image of alternate black and white columns (or rows) drawn 4 pixels across (or down) shows the half size level's
// even grey at every pixel, not one of its columns (or rows) at full size.
TEST(MetalTextures, AnImageSqueezedAlongOneAxisTakesTheLevelOfItsLongerFootprint)
{
  const int n = 8;
  for (bool columns : {true, false})
  {
    std::vector<unsigned char> px((size_t)n * n * 4, 255);
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x)
        if ((columns ? x : y) % 2 == 0) memset(&px[((size_t)y * n + x) * 4], 0, 3);
    const float w = columns ? n / 2.f : n, h = columns ? n : n / 2.f;
    Surface s(n, n);
    int image = vxCreateImageFromPixels(s.ctx, n, n, VX_IMAGE_GENERATE_MIPMAPS | VX_IMAGE_NEAREST, px.data());
    s.Begin(VXcolor{{{1, 0, 0, 1}}});
    FillWithImage(s.ctx, w, h, image);
    s.End();
    const mvxtest::Image img = s.Read();
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c) wrong += img.At(x, y)[c] != 128;
    EXPECT_EQ(wrong, 0) << (columns ? "columns" : "rows") << ", pixel (1, 1) " << int(img.At(1, 1)[0]);
    EXPECT_EQ(img.At(n - 1, n - 1)[1], 0) << "nothing outside the rectangle";
    // A copy resampled for the same rectangle takes the same level.
    std::vector<unsigned char> copy((size_t)w * h * 4);
    ASSERT_EQ(mvxResampleImage(s.ctx, image, 0, 0, w, h, 0, 0, (int)w, (int)h, copy.data()), 1);
    wrong = 0;
    for (size_t i = 0; i < copy.size(); ++i) wrong += i % 4 != 3 && copy[i] != 128;
    EXPECT_EQ(wrong, 0) << (columns ? "columns" : "rows") << ", copied pixel (0, 0) " << int(copy[0]);
  }
}

} // namespace
