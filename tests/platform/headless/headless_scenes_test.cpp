// Golden scenes drawn by the headless graphics context through path-based drawing, Vexel and the CPU Metal
// stand-in: primitives, bitmaps from PNG files at screen scales 1 and 2 and draw scales 0.5, 1 and 2 (and at any
// scale as their image sampled at every pixel), a layer with a drop shadow, aligned and rotated text in Roboto and in the "Verdana" substitute, and SVG icons whose view box
// differs in shape from their width and height; and resampled bitmap copies beyond their budget, the least
// recently drawn going first.
#include "headless_fixture.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "graphics/backend/metal/metal_vexel.h"
#include "graphics/backend/vexel_context/ScaledBitmapCache.h"
#include "graphics/overlay/IBackgroundControls.h"
#include "metal/quartz_core.h"

using namespace headlesstest;

namespace {

/// The most a resampled copy may be darker or lighter on average than its image drawn directly, in levels.
constexpr double kMostBias = 0.25;

const IColor kRed(255, 220, 40, 40), kBlue(255, 40, 60, 220), kGreen(255, 40, 170, 80), kBlack(255, 0, 0, 0);

/// A 16 x 16 tile (32 x 32 in its 2x file): red and blue quarters, the 2x file with a green border, so the
/// frame shows which file was drawn.
void WriteTiles(const std::string& resources)
{
  auto tile = [](int size, bool border) {
    return [=](int x, int y) {
      if (border && (x < 2 || y < 2 || x >= size - 2 || y >= size - 2))
        return kGreen;
      return (x < size / 2) == (y < size / 2) ? kRed : kBlue;
    };
  };
  ASSERT_TRUE(WriteTestPng(resources + "/tile.png", 16, 16, tile(16, false)));
  ASSERT_TRUE(WriteTestPng(resources + "/tile@2x.png", 32, 32, tile(32, true)));
}

/// The largest difference of any channel between two frames of one size, and the pixel where it first is; and the
/// mean signed difference of each colour channel over the pixels either frame draws on (those that differ from the
/// second frame's top left pixel, its background), which shows a frame darker or lighter as a whole.
struct FrameDifference
{
  int worst = 0, x = 0, y = 0;
  double bias[3] = {};
};
FrameDifference Difference(const IGraphicsHeadless::Frame& a, const IGraphicsHeadless::Frame& b)
{
  FrameDifference d;
  for (size_t i = 0; i < a.mRGBA.size() && i < b.mRGBA.size(); ++i)
    if (std::abs(a.mRGBA[i] - b.mRGBA[i]) > d.worst)
    {
      d.worst = std::abs(a.mRGBA[i] - b.mRGBA[i]);
      d.x = int(i / 4) % a.mWidth, d.y = int(i / 4) / a.mWidth;
    }
  if (b.mRGBA.size() < 4)
    return d;
  const uint8_t* background = b.mRGBA.data();
  long drawn = 0;
  double sum[3] = {};
  for (size_t i = 0; i + 3 < a.mRGBA.size() && i + 3 < b.mRGBA.size(); i += 4)
  {
    if (std::equal(&a.mRGBA[i], &a.mRGBA[i] + 4, background) && std::equal(&b.mRGBA[i], &b.mRGBA[i] + 4, background))
      continue;
    ++drawn;
    for (int c = 0; c < 3; ++c)
      sum[c] += int(a.mRGBA[i + c]) - int(b.mRGBA[i + c]);
  }
  for (int c = 0; c < 3; ++c)
    d.bias[c] = drawn ? sum[c] / double(drawn) : 0.0;
  return d;
}

} // namespace

// The cache's own cases come before the scenes drawn through it, so that a fault of its own shows as a failed check
// before a scene can crash on it.
// A context with one opaque 64 x 64 image, and a cache of its 100 x 100 copies.
struct ScaledBitmapCopies : testing::Test
{
  static constexpr int kSide = 64, kCopySide = 100; // a copy of 10000 pixels, 40000 bytes
  void SetUp() override
  {
    mLayer.setDrawableSize(CGSize{8.0, 8.0});
    mContext.reset(mvxCreateContext(&mLayer, kMvxAntiAlias));
    ASSERT_NE(mContext, nullptr);
    const std::vector<unsigned char> opaque(size_t(kSide) * kSide * 4, 255);
    mImage = vxCreateImageFromPixels(mContext.get(), kSide, kSide, 0, opaque.data());
    ASSERT_GT(mImage, 0);
    mCache = std::make_unique<plug::igraphics::ScaledBitmapCache>(mContext.get());
  }
  /// The image of the copy placed at originX; 0 while that copy is not whole.
  int Find(float originX)
  {
    plug::igraphics::ScaledBitmapCache::Placement p;
    p.image = mImage, p.originX = originX, p.width = p.height = float(kCopySide), p.w = p.h = kCopySide;
    plug::igraphics::ScaledBitmapCache::Copy copy;
    return mCache->Find(p, copy) ? copy.image : 0;
  }
  CAMetalLayer mLayer;
  std::unique_ptr<VXcontext, void (*)(VXcontext*)> mContext{nullptr, mvxDeleteContext};
  int mImage = 0;
  std::unique_ptr<plug::igraphics::ScaledBitmapCache> mCache; // goes before the context
};

// Copies beyond the budget go least recently drawn first: a copy drawn again just before a new one is made stays,
// the one drawn longest ago is made anew when next drawn.
TEST_F(ScaledBitmapCopies, TheLeastRecentlyDrawnCopyGoesWhenANewOneOutgrowsTheBudget)
{
  mCache->SetBudget(100000); // two copies fit, three do not
  const int first = Find(0.f), second = Find(0.25f);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  EXPECT_EQ(Find(0.f), first); // drawn again: now the most recent
  EXPECT_GT(Find(0.5f), 0);    // outgrows the budget
  EXPECT_EQ(Find(0.f), first) << "the copy drawn most recently went";
  EXPECT_NE(Find(0.25f), second) << "the copy drawn longest ago stayed";
}

// A share of pixels per frame holds the copies made in it to that many pixels: each copy costs its pixels to
// resample and a quarter more to put into its image, so two copies of N pixels at a share of N a frame take at
// least three frames, and no frame finishes both.
TEST_F(ScaledBitmapCopies, ASharePerFrameSpreadsTwoCopiesOverAtLeastThreeFrames)
{
  mCache->SetShare(size_t(kCopySide) * kCopySide);
  int firstWhole = 0, secondWhole = 0, frame = 0;
  while ((!firstWhole || !secondWhole) && frame < 20)
  {
    ++frame;
    mCache->StartFrame();
    if (Find(0.f) && !firstWhole)
      firstWhole = frame;
    if (Find(0.25f) && !secondWhole)
      secondWhole = frame;
    mCache->EndFrame();
  }
  ASSERT_GT(firstWhole, 0);
  ASSERT_GT(secondWhole, 0);
  EXPECT_NE(firstWhole, secondWhole) << "one frame finished both copies";
  EXPECT_GE(std::max(firstWhole, secondWhole), 3) << "the copies took more than their share of a frame";
}

// A placement whose copy cannot be made, because its image cannot be resampled (a flipped image, as a layer's is) or
// because the copy would be wider than the largest image, is drawn from its image from then on: no frame is held
// waiting for the copy, and nothing is left to make between frames.
TEST_F(ScaledBitmapCopies, APlacementWhoseCopyCannotBeMadeIsDrawnFromItsImage)
{
  const std::vector<unsigned char> opaque(size_t(kSide) * kSide * 4, 255);
  const int flipped = vxCreateImageFromPixels(mContext.get(), kSide, kSide, VX_IMAGE_FLIP_Y, opaque.data());
  ASSERT_GT(flipped, 0);
  const struct
  {
    const char* what;
    int image, w;
  } cases[] = {{"a flipped image", flipped, kCopySide}, {"a copy wider than the largest image", mImage, 16400}};
  for (const auto& c : cases)
  {
    plug::igraphics::ScaledBitmapCache::Placement p;
    p.image = c.image, p.width = float(c.w), p.height = 2.f, p.w = c.w, p.h = 2;
    for (int frame = 0; frame < 3; ++frame)
    {
      mCache->StartFrame();
      plug::igraphics::ScaledBitmapCache::Copy copy;
      EXPECT_FALSE(mCache->Find(p, copy)) << c.what << ", frame " << frame;
      mCache->EndFrame();
      EXPECT_FALSE(mCache->FrameLacksCopies()) << c.what << ": frame " << frame << " waits for the copy";
      EXPECT_FALSE(mCache->MakePending()) << c.what << ", after frame " << frame;
    }
  }
}

// A copy of a placement where every pixel is clear is whole at once and has no image: nothing is drawn for it,
// whatever other images the context holds.
TEST_F(ScaledBitmapCopies, ACopyOfClearPixelsHasNoImage)
{
  const std::vector<unsigned char> clear(size_t(kSide) * kSide * 4, 0);
  const int image = vxCreateImageFromPixels(mContext.get(), kSide, kSide, 0, clear.data());
  ASSERT_GT(image, 0);
  plug::igraphics::ScaledBitmapCache::Placement p;
  p.image = image, p.width = p.height = float(kCopySide), p.w = p.h = kCopySide;
  plug::igraphics::ScaledBitmapCache::Copy copy;
  copy.image = -1;
  ASSERT_TRUE(mCache->Find(p, copy));
  EXPECT_EQ(copy.image, 0);
  EXPECT_FALSE(mCache->FrameLacksCopies());
}

// A copy keeps the pixels where its image shows (a square of 16 in the middle of 64 clear ones, at half-pixel
// offsets) and a clear border of two pixels around them, within the placement.
TEST_F(ScaledBitmapCopies, ACopyIsCroppedToWhatShowsAndTwoClearPixelsAround)
{
  std::vector<unsigned char> square(size_t(kSide) * kSide * 4, 0);
  for (int y = 24; y < 40; ++y)
    std::fill_n(&square[(size_t(y) * kSide + 24) * 4], 16 * 4, 255);
  const int image = vxCreateImageFromPixels(mContext.get(), kSide, kSide, 0, square.data());
  ASSERT_GT(image, 0);
  const struct
  {
    float originX, originY;
    int x, y, w, h;
  } cases[] = {
      {0.5f, 0.25f, 22, 22, 21, 21},    // pixels 24 to 40 touched
      {-23.5f, 60.5f, 0, 82, 19, 18},   // the border cut by the placement's edges
  };
  for (const auto& c : cases)
  {
    plug::igraphics::ScaledBitmapCache::Placement p;
    p.image = image, p.originX = c.originX, p.originY = c.originY, p.width = p.height = float(kSide);
    p.w = p.h = kCopySide;
    plug::igraphics::ScaledBitmapCache::Copy copy;
    ASSERT_TRUE(mCache->Find(p, copy));
    EXPECT_GT(copy.image, 0);
    EXPECT_EQ((std::vector<int>{copy.x, copy.y, copy.w, copy.h}), (std::vector<int>{c.x, c.y, c.w, c.h}))
      << c.originX << ", " << c.originY;
  }
}

// Each copy's bytes are given back as it goes: with room for two copies, making five one after another keeps the
// last two, found whole at once in a frame whose share could not make either of them again.
TEST_F(ScaledBitmapCopies, WithRoomForTwoCopiesTheLastTwoMadeStay)
{
  mCache->SetBudget(100000);
  for (int i = 0; i < 5; ++i)
    ASSERT_GT(Find(0.125f * float(i)), 0) << "copy " << i;
  mCache->SetShare(1);
  mCache->StartFrame();
  EXPECT_GT(Find(0.375f), 0) << "the copy before the last went";
  EXPECT_GT(Find(0.5f), 0) << "the last copy went";
  EXPECT_EQ(Find(0.25f), 0) << "a third copy stayed";
  mCache->EndFrame();
}

// A new cache holds 64 MiB of copies: three copies of 16 MiB stay, a fourth (its bytes and its bookkeeping just over
// the 64 MiB) pushes out the one drawn longest ago.
TEST_F(ScaledBitmapCopies, ANewCacheHoldsThreeCopiesOfSixteenMebibytesButNotFour)
{
  auto find = [this](float originX) {
    plug::igraphics::ScaledBitmapCache::Placement p;
    p.image = mImage, p.originX = originX, p.width = p.height = 2048.f, p.w = p.h = 2048;
    plug::igraphics::ScaledBitmapCache::Copy copy;
    return mCache->Find(p, copy) ? copy.image : 0;
  };
  const int first = find(0.f);
  ASSERT_GT(first, 0);
  ASSERT_GT(find(0.25f), 0);
  ASSERT_GT(find(0.5f), 0);
  mCache->SetShare(1); // from here on, no copy could be made again in a frame
  mCache->StartFrame();
  EXPECT_EQ(find(0.f), first) << "three copies outgrew the budget";
  mCache->EndFrame();
  mCache->SetShare(0);
  ASSERT_GT(find(0.75f), 0);
  mCache->SetShare(1);
  mCache->StartFrame();
  EXPECT_EQ(find(0.25f), 0) << "a fourth copy fitted beside three";
  mCache->EndFrame();
}

// Clearing gives back every byte the copies held, and a new cache starts with none: the least budget that keeps the
// first of three copies through the making of the other two is the same for a new cache and for one cleared.
TEST_F(ScaledBitmapCopies, AClearedCacheHoldsAsManyCopiesAsANewOne)
{
  // Whether the first of three copies made one after another is still whole in a frame that could make none.
  auto firstStays = [this] {
    const int first = Find(0.f);
    Find(0.25f), Find(0.5f);
    mCache->SetShare(1);
    mCache->StartFrame();
    const bool stays = first > 0 && Find(0.f) == first;
    mCache->EndFrame();
    mCache->SetShare(0);
    return stays;
  };
  auto leastBudget = [&](bool cleared) {
    size_t tooSmall = 0, enough = size_t(1) << 20;
    while (enough - tooSmall > 1)
    {
      const size_t budget = (tooSmall + enough) / 2;
      mCache = std::make_unique<plug::igraphics::ScaledBitmapCache>(mContext.get());
      mCache->SetBudget(budget);
      if (cleared)
      {
        Find(0.75f);
        mCache->Clear();
      }
      (firstStays() ? enough : tooSmall) = budget;
    }
    return enough;
  };
  const size_t fresh = leastBudget(false);
  EXPECT_GT(fresh, size_t(3 * 40000)) << "three copies held in less than their pixels";
  EXPECT_LT(fresh, size_t(1) << 20);
  EXPECT_EQ(leastBudget(true), fresh);
}

// A copy of 100 x 100 pixels made a share at a time: its rows are resampled first, as many a frame as the share
// allows, then put into its image four to the share's pixel (a part of four rounded up). The frame it is whole in
// follows from the share; a second copy, drawn after it in each frame, gets what the first leaves of the share.
TEST_F(ScaledBitmapCopies, ACopyIsWholeInTheFrameItsShareAllows)
{
  const struct
  {
    size_t share;
    int frame, second;
  } cases[] = {
      {1000, 13, 25},  // ten frames of ten rows, then 40, 40 and 20 rows put into the image; 5 rows of the second
      {2500, 5, 10},   // four frames of 25 rows, then all of them put in
      {10000, 2, 3},   // every row in the first frame, put in the next
      {12450, 2, 3},   // every row and a little less than a quarter more: whole in the next frame
      {12500, 1, 2},   // every row and a quarter more: whole at once
  };
  for (const auto& c : cases)
  {
    mCache->Clear();
    mCache->SetShare(c.share);
    int whole = 0, second = 0;
    for (int frame = 1; frame <= 40 && !second; ++frame)
    {
      mCache->StartFrame();
      if (Find(0.f) && !whole)
        whole = frame;
      if (Find(0.25f))
        second = frame;
      mCache->EndFrame();
    }
    EXPECT_EQ(whole, c.frame) << "a share of " << c.share;
    EXPECT_EQ(second, c.second) << "a share of " << c.share;
  }
}

TEST_F(Headless, Primitives)
{
  Open(96, 64, [](IGraphics& g, const IRECT&) {
    g.FillRoundRect(kBlue, IRECT(4, 4, 44, 28), 6.f);
    g.FillCircle(kRed, 68, 16, 12);
    g.DrawLine(kBlack, 4, 36, 92, 60, nullptr, 2.f);
    g.FillTriangle(kGreen, 50, 60, 70, 34, 90, 60);
    g.DrawDottedLine(kBlack, 4, 40, 44, 40, nullptr, 1.f, 4.f);
    IPaintPattern gradient;
    gradient.mType = kLinearPattern;
    gradient.mNStops = 2;
    gradient.mStops[0].mColor = kRed;
    gradient.mStops[1] = {kBlue, 1.f};
    gradient.mTransform = IMatrix(0, 1.0 / 40.0, 1, 0, 0, -0.1); // pattern y = (x - 4) / 40: left to right
    g.PathClear();
    g.PathRect(IRECT(4, 44, 44, 60));
    g.PathFill(gradient);
  });
  EXPECT_EQ(CompareGolden(Render(), "primitives"), "");
}

TEST_F(Headless, BitmapsAtEachScreenAndDrawScale)
{
  WriteTiles(mResources);
  struct Case
  {
    int screenScale;
    float drawScale;
    const char* golden;
  };
  const Case cases[] = {
    {1, 1.f, "bitmap_s1_d1"}, {2, 1.f, "bitmap_s2_d1"}, {1, 0.5f, "bitmap_s1_d05"}, {1, 2.f, "bitmap_s1_d2"},
  };
  for (const Case& c : cases)
  {
    Open(40, 20, [](IGraphics& g, const IRECT&) {
      const IBitmap tile = g.LoadBitmap("tile.png");
      EXPECT_EQ(tile.W(), 16);
      g.DrawBitmap(tile, IRECT(2, 2, 18, 18), 0, 0);
      g.DrawFittedBitmap(tile, IRECT(22, 2, 30, 18));
    }, c.screenScale, c.drawScale);
    EXPECT_EQ(CompareGolden(Render(), c.golden), "") << c.golden;
  }
}

TEST_F(Headless, BitmapsAtAnyScaleLookLikeTheirImageSampledAtEveryPixel)
{
  // A strip of three 10 x 8 frames: clear, translucent and opaque texels with detail down to single texels, and
  constexpr float kW = 10.f, kH = 24.f, kFrameH = 8.f;
  // clear columns on the left of each frame; the 2x file (drawn on screens of scale 2) alike.
  auto texel = [](int x, int y) {
    if ((x + y) % 5 == 0)
      return IColor(0, 0, 0, 0);
    const int alpha = (x + y) % 3 == 0 ? 255 : 60 + (x * 37 + y * 11) % 190;
    return IColor(alpha, (x * 53 + y * 29) % 256, (x * 40) % 256, (y * 31) % 256);
  };
  for (int scale : {1, 2})
    ASSERT_TRUE(WriteTestPng(mResources + (scale == 1 ? "/strip.png" : "/strip@2x.png"), 10 * scale, 24 * scale,
                             [&](int x, int y) { return x < 3 * scale ? IColor(0, 0, 0, 0) : texel(x, y); }));
  // Places between pixels at every scale, frames whose neighbours bleed in at their edges, a half weight.
  const IBlend half(kBlendDefault, 0.5f);
  struct Draw
  {
    IRECT dest;
    float srcY;
    const IBlend* blend;
  };
  const Draw draws[] = {
    {IRECT(3.3f, 2.6f, 3.3f + kW, 2.6f + kFrameH), kFrameH, nullptr},
    {IRECT(3.55f, 14.35f, 3.55f + kW, 14.35f + kFrameH), kFrameH, nullptr}, // the same frame a fraction aside
    {IRECT(17.f, 5.1f, 17.f + kW, 5.1f + kFrameH), 2 * kFrameH, &half},
    {IRECT(30.4f, 1.f, 30.4f + kW, 1.f + kH), 0.f, nullptr},
  };
  IBitmap strip; // loaded between frames, as controls load theirs
  auto throughBitmaps = [&](IGraphics& g, const IRECT&) {
    for (const Draw& d : draws) g.DrawBitmap(strip, d.dest, 0, int(d.srcY), d.blend);
  };
  auto throughThePattern = [&](IGraphics& g, const IRECT&) {
    auto* vg = static_cast<VXcontext*>(g.GetDrawContext());
    const int image = static_cast<const IGraphicsVexel::Bitmap*>(strip.GetAPIBitmap())->GetImage();
    for (const Draw& d : draws)
    {
      const VXpaint paint = vxMakeImagePattern(vg, d.dest.mLeft, d.dest.mTop - d.srcY, kW, kH, 0.f, image,
                                               d.blend ? d.blend->mWeight : 1.f);
      vxBeginPath(vg);
      vxRectPath(vg, d.dest.mLeft, d.dest.mTop, d.dest.W(), d.dest.H());
      vxSetFillPaint(vg, paint);
      vxFillPath(vg);
    }
  };
  for (int screenScale : {1, 2})
    for (float drawScale : {0.75f, 1.25f, 1.5f, 2.f, 3.f})
    {
      Open(44, 28, throughBitmaps, screenScale, drawScale);
      strip = mGraphics->LoadBitmap("strip.png", 3);
      const IGraphicsHeadless::Frame drawn = Render(), drawnAgain = Render();
      Open(44, 28, throughThePattern, screenScale, drawScale);
      strip = mGraphics->LoadBitmap("strip.png", 3);
      const IGraphicsHeadless::Frame sampled = Render();
      ASSERT_EQ(drawn.mRGBA.size(), sampled.mRGBA.size());
      const FrameDifference d = Difference(drawn, sampled);
      EXPECT_LE(d.worst, 2) << "screen scale " << screenScale << ", draw scale " << drawScale << " at pixel " << d.x
                            << ", " << d.y;
      // Within two levels at each pixel, yet no darker or lighter as a whole: a level's bias everywhere would pass
      // the first check.
      for (int c = 0; c < 3; ++c)
        EXPECT_LE(std::fabs(d.bias[c]), kMostBias) << "channel " << c << ", screen scale " << screenScale
                                                  << ", draw scale " << drawScale;
      EXPECT_EQ(drawnAgain.mRGBA, drawn.mRGBA) << "screen scale " << screenScale << ", draw scale " << drawScale;
    }
}

// A bitmap drawn under a skew either way or mirrored, at draw scales other than its own, looks like its image
// pattern under the same transform: a copy resampled for an upright placement never stands in for it. Stretched
// more along one axis than the other, or upright, its resampled copy looks so too, cropped on its right and at its
// bottom where the tile's last columns and rows are clear.
TEST_F(Headless, BitmapsUnderAnyTransformLookLikeTheirImageUnderTheSameTransform)
{
  auto texel = [](int x, int y, int scale) {
    if (x >= 13 * scale || y >= 12 * scale)
      return IColor(0, 0, 0, 0);
    return IColor(255, (x * 53 + y * 29) % 256, (x * 40 + y * 7) % 256, (x * 11 + y * 31) % 256);
  };
  for (int scale : {1, 2})
    ASSERT_TRUE(WriteTestPng(mResources + (scale == 1 ? "/tile.png" : "/tile@2x.png"), 16 * scale, 16 * scale,
                             [&](int x, int y) { return texel(x, y, scale); }));
  const IRECT dest(10.3f, 6.6f, 26.3f, 22.6f);
  struct Turn
  {
    const char* name;
    IMatrix matrix;
  };
  const Turn turns[] = {
    {"skewed across", IMatrix(1, 0, std::tan(0.35), 1, 0, 0)},
    {"skewed down", IMatrix(1, std::tan(-0.3), 0, 1, 0, 0)},
    {"mirrored", IMatrix(-1, 0, 0, 1, 0, 0)},
    {"stretched unevenly", IMatrix(1.3, 0, 0, 0.4, 0, 0)},
    {"upright", IMatrix(1, 0, 0, 1, 0, 0)},
  };
  IBitmap tile;
  const Turn* turn = nullptr;
  auto transformed = [&](IGraphics& g, const std::function<void()>& draw) {
    g.PathTransformSave();
    g.PathTransformTranslate(dest.CentreX(), dest.CentreY());
    g.PathTransformMatrix(turn->matrix);
    g.PathTransformTranslate(-dest.CentreX(), -dest.CentreY());
    draw();
    g.PathTransformRestore();
  };
  auto throughBitmaps = [&](IGraphics& g, const IRECT&) {
    transformed(g, [&] { g.DrawBitmap(tile, dest, 0, 0); });
  };
  auto throughThePattern = [&](IGraphics& g, const IRECT&) {
    transformed(g, [&] {
      auto* vg = static_cast<VXcontext*>(g.GetDrawContext());
      const int image = static_cast<const IGraphicsVexel::Bitmap*>(tile.GetAPIBitmap())->GetImage();
      const VXpaint paint = vxMakeImagePattern(vg, dest.mLeft, dest.mTop, dest.W(), dest.H(), 0.f, image, 1.f);
      vxBeginPath(vg);
      vxRectPath(vg, dest.mLeft, dest.mTop, dest.W(), dest.H());
      vxSetFillPaint(vg, paint);
      vxFillPath(vg);
    });
  };
  const std::pair<int, float> scales[] = {{1, 1.5f}, {1, 0.75f}, {2, 1.25f}};
  for (const Turn& t : turns)
    for (const auto& [screenScale, drawScale] : scales)
    {
      SCOPED_TRACE(testing::Message() << t.name << ", screen scale " << screenScale << ", draw scale " << drawScale);
      turn = &t;
      Open(36, 30, throughBitmaps, screenScale, drawScale);
      tile = mGraphics->LoadBitmap("tile.png");
      const IGraphicsHeadless::Frame drawn = Render();
      Open(36, 30, throughThePattern, screenScale, drawScale);
      tile = mGraphics->LoadBitmap("tile.png");
      const IGraphicsHeadless::Frame sampled = Render();
      ASSERT_EQ(drawn.mRGBA.size(), sampled.mRGBA.size());
      const FrameDifference d = Difference(drawn, sampled);
      EXPECT_LE(d.worst, 2) << "at pixel " << d.x << ", " << d.y;
      for (int c = 0; c < 3; ++c)
        EXPECT_LE(std::fabs(d.bias[c]), kMostBias) << "channel " << c;
    }
}

TEST_F(Headless, BitmapCopiesMadeBetweenFramesEndAsIfMadeAtOnce)
{
  // A 120 x 90 bitmap spread over 2.5 times its size between the pixels: its copy is 302 x 227 pixels, enough to be
  // resampled by several threads when made at once. Clear margins, each wider than a share's rows, leave the copy
  // cropped on every side.
  ASSERT_TRUE(WriteTestPng(mResources + "/wide.png", 120, 90, [](int x, int y) {
    if (x < 8 || x >= 110 || y < 15 || y >= 80)
      return IColor(0, 0, 0, 0);
    return IColor(90 + (x * 13 + y * 7) % 166, (x * 53 + y * 29) % 256, (x * 40) % 256, (y * 31) % 256);
  }));
  IBitmap wide;
  float left = 2.3f;
  auto draw = [&](IGraphics& g, const IRECT&) { g.DrawBitmap(wide, IRECT(left, 1.7f, left + 120.f, 91.7f), 0, 0); };
  auto open = [&](size_t share) {
    Open(126, 94, draw, 1, 2.5f);
    if (share)
      mGraphics->MakeScaledCopiesBetweenFrames(share);
    wide = mGraphics->LoadBitmap("wide.png");
  };
  open(0);
  const IGraphicsHeadless::Frame atOnce = Render();
  EXPECT_FALSE(mGraphics->FrameWasDropped());
  EXPECT_FALSE(mGraphics->MakeScaledCopies());

  // The first frame, lacking the copy, is dropped; the copy is made over several shares, then the frame comes whole.
  open(2000);
  Render();
  EXPECT_TRUE(mGraphics->FrameWasDropped());
  int shares = 0;
  while (shares < 100 && mGraphics->MakeScaledCopies())
    ++shares;
  EXPECT_GE(shares, 10);
  EXPECT_LT(shares, 100);
  const IGraphicsHeadless::Frame made = Render();
  EXPECT_FALSE(mGraphics->FrameWasDropped());
  EXPECT_EQ(made.mRGBA, atOnce.mRGBA);
  // Once a frame is whole, a copy a later frame lacks (the bitmap at another place on the grid) is made at once.
  left = 2.6f;
  Render();
  EXPECT_FALSE(mGraphics->FrameWasDropped());
  EXPECT_FALSE(mGraphics->MakeScaledCopies());
  left = 2.3f;

  // The frame after a dropped one is drawn even when it still lacks the copy: the image itself stands in.
  open(2000);
  Render();
  const IGraphicsHeadless::Frame standIn = Render();
  EXPECT_FALSE(mGraphics->FrameWasDropped());
  ASSERT_EQ(standIn.mRGBA.size(), atOnce.mRGBA.size());
  const FrameDifference d = Difference(atOnce, standIn);
  EXPECT_LE(d.worst, 2);
  for (int c = 0; c < 3; ++c)
    EXPECT_LE(std::fabs(d.bias[c]), kMostBias) << "channel " << c;
}

// A drawable the layer leaves unused for a while gets only what was drawn since it was last shown while the frames
// drawn since are all remembered, eight of them; after nine it gets the whole frame. The drawable is marked while on
// display, so that what the next copy into it leaves shows.
TEST_F(Headless, ADrawableGetsWhatChangedInTheEightFramesSinceItWasShownAndTheWholeFrameAfterNine)
{
  for (const int gap : {8, 9})
  {
    Open(40, 30, [](IGraphics&, const IRECT&) {});
    CAMetalLayer& layer = mGraphics->Layer();
    layer.setPresentsWithTransaction(true); // each frame is on display once drawn
    mGraphics->AttachControl(
      new DrawControl(IRECT(2, 2, 6, 6), [](IGraphics& g, const IRECT& r) { g.FillRect(kRed, r); }));
    auto drawSmall = [&] {
      mGraphics->GetControl(1)->SetDirty(false);
      ASSERT_TRUE(mGraphics->DrawFrame());
    };
    mGraphics->DrawFullFrame(); // on the first drawable
    drawSmall();                // on the second
    const std::shared_ptr<MTLTexture> second = layer.displayedTexture();
    ASSERT_NE(second, nullptr);
    const int w = int(second->width()), h = int(second->height());
    const std::vector<uint8_t> mark(size_t(w) * size_t(h) * 4, 0x5a);
    auto markedAt = [&](const std::shared_ptr<MTLTexture>& t, int x, int y) {
      uint8_t bgra[4];
      t->getBytes(bgra, size_t(w) * 4, MTLRegionMake2D(x, y, 1, 1), 0);
      return bgra[2] == 0x5a;
    };
    std::shared_ptr<MTLTexture> first;
    {
      const std::shared_ptr<CAMetalDrawable> held = layer.nextDrawable(); // the first, kept from the next frame
      first = held->texture();
      first->replaceRegion(MTLRegionMake2D(0, 0, w, h), 0, mark.data(), size_t(w) * 4);
      drawSmall(); // on the third
    }
    const std::shared_ptr<MTLTexture> third = layer.displayedTexture();
    third->replaceRegion(MTLRegionMake2D(0, 0, w, h), 0, mark.data(), size_t(w) * 4);
    drawSmall(); // on the first, which shows the first frame drawn
    EXPECT_TRUE(markedAt(first, 20, 20)) << "the first frame drawn counts as shown";
    EXPECT_FALSE(markedAt(first, 3, 3));
    for (int frame = 2; frame < gap; ++frame)
      drawSmall(); // on the second and the first in turn
    const std::shared_ptr<CAMetalDrawable> held = layer.nextDrawable(); // the one of the two not on display
    drawSmall(); // on the third again
    ASSERT_EQ(layer.displayedTexture(), third);
    EXPECT_FALSE(markedAt(third, 3, 3)) << gap << " frames";
    EXPECT_EQ(markedAt(third, 20, 20), gap <= 8) << gap << " frames";
  }
}

// A bitmap with nothing visible in it has a copy with nothing to draw: once made, frames come whole and show only
// the background.
TEST_F(Headless, AClearBitmapsCopyIsMadeAndDrawsNothing)
{
  ASSERT_TRUE(WriteSolidPng(mResources + "/clear.png", 40, 30, IColor(0, 0, 0, 0)));
  IBitmap clear;
  Open(50, 40, [&](IGraphics& g, const IRECT&) { g.DrawBitmap(clear, IRECT(2.3f, 1.7f, 42.3f, 31.7f), 0, 0); }, 1,
       2.5f);
  mGraphics->MakeScaledCopiesBetweenFrames(2000);
  clear = mGraphics->LoadBitmap("clear.png");
  Render();
  EXPECT_TRUE(mGraphics->FrameWasDropped());
  int shares = 0;
  while (shares < 100 && mGraphics->MakeScaledCopies())
    ++shares;
  EXPECT_LT(shares, 100);
  const IGraphicsHeadless::Frame frame = Render();
  EXPECT_FALSE(mGraphics->FrameWasDropped());
  ASSERT_FALSE(frame.mRGBA.empty());
  EXPECT_EQ(std::count(frame.mRGBA.begin(), frame.mRGBA.end(), uint8_t(255)), std::ptrdiff_t(frame.mRGBA.size()))
    << "only the white background";
}

// Resampled copies may take four frames' worth of the frame's own pixels: at a screen scale of 2 a frame of
// 1100 x 1000 points has 2200 x 2000 pixels, so the budget passes its floor of 64 MB and one copy may take up to
// half of it. A copy just under that half is made between frames (the first frame, lacking it, is dropped); one
// just over it is not made, and the image is drawn directly.
TEST_F(Headless, AtScreenScaleTwoACopyMayTakeHalfOfFourFramesOfDevicePixels)
{
  ASSERT_TRUE(WriteSolidPng(mResources + "/dot@2x.png", 20, 20, kBlue)); // 10 x 10 points
  // 1464 points: a copy of 2930 x 2930 pixels (34.3 MB of the 35.2 MB); 1500 points: 3002 x 3002 (36 MB).
  for (const float side : {1464.f, 1500.f})
  {
    IBitmap dot;
    Open(1100, 1000, [&](IGraphics& g, const IRECT&) { g.DrawFittedBitmap(dot, IRECT(0.f, 0.f, side, side)); }, 2);
    mGraphics->MakeScaledCopiesBetweenFrames(1000);
    dot = mGraphics->LoadBitmap("dot.png");
    mGraphics->DrawFullFrame();
    EXPECT_EQ(mGraphics->FrameWasDropped(), side < 1500.f) << side << " points";
  }
}

// A bitmap at its own size whose corner lies within a thousandth of a pixel of whole pixels lands one texel on each
// pixel and is drawn directly; a little farther off, it is drawn from a copy, and the first frame, lacking it, is
// dropped.
TEST_F(Headless, ABitmapWithinAThousandthOfAPixelOfTheGridNeedsNoCopy)
{
  ASSERT_TRUE(WriteSolidPng(mResources + "/dot.png", 16, 16, kBlue));
  for (const float off : {0.f, 0.0005f, -0.0005f, 0.002f, -0.002f, 0.5f})
  {
    IBitmap dot;
    Open(40, 30, [&](IGraphics& g, const IRECT&) { g.DrawBitmap(dot, IRECT(4.f + off, 5.f - off, 20.f, 21.f), 0, 0); });
    mGraphics->MakeScaledCopiesBetweenFrames(10);
    dot = mGraphics->LoadBitmap("dot.png");
    mGraphics->DrawFullFrame();
    EXPECT_EQ(mGraphics->FrameWasDropped(), std::fabs(off) > 0.001f) << off;
  }
}

// A small frame's copies have the budget's floor of 64 MiB: one copy may take up to 32 MiB, 2896 x 2896 pixels. At
// a screen scale of 1 a copy of 2894 points takes a pixel more on each side, the most its anti-aliased edges can
// touch: 2896 x 2896 pixels, made between frames; one of 2895 points, 2897 x 2897 pixels, is not, and the image is
// drawn directly.
TEST_F(Headless, ASmallFramesCopyMayTakeHalfOfTheBudgetsFloor)
{
  ASSERT_TRUE(WriteSolidPng(mResources + "/dot.png", 10, 10, kBlue));
  for (const float side : {2894.f, 2895.f})
  {
    IBitmap dot;
    Open(100, 80, [&](IGraphics& g, const IRECT&) { g.DrawFittedBitmap(dot, IRECT(0.f, 0.f, side, side)); });
    mGraphics->MakeScaledCopiesBetweenFrames(1000);
    dot = mGraphics->LoadBitmap("dot.png");
    const IGraphicsHeadless::Frame frame = Render();
    EXPECT_EQ(mGraphics->FrameWasDropped(), side < 2895.f) << side << " points";
    if (side >= 2895.f)
    {
      ASSERT_FALSE(frame.mRGBA.empty());
      EXPECT_EQ((std::vector<int>{frame.At(50, 40)[0], frame.At(50, 40)[1], frame.At(50, 40)[2]}),
                (std::vector<int>{kBlue.mRed, kBlue.mGreen, kBlue.mBlue}))
        << "the image drawn directly";
    }
  }
}

TEST_F(Headless, LayerWithADropShadow)
{
  Open(64, 48, [](IGraphics& g, const IRECT&) {
    g.StartLayer(nullptr, IRECT(8, 8, 56, 40));
    g.FillRoundRect(kBlue, IRECT(12, 12, 44, 32), 4.f);
    ILayerPtr layer = g.EndLayer();
    IShadowStyle shadow;
    shadow.mPattern = IPaintPattern(IColor(255, 0, 0, 0));
    shadow.mBlurSize = 3.f;
    shadow.mXOffset = 4.f;
    shadow.mYOffset = 4.f;
    shadow.mOpacity = 0.6f;
    g.ApplyLayerDropShadow(layer, shadow);
    g.DrawLayer(layer);
  });
  EXPECT_EQ(CompareGolden(Render(), "layer_shadow", 3), "");
}

TEST_F(Headless, AShadowPaintedWithAGradientMatchesTheGradientDrawnDirectly)
{
  IPaintPattern gradient;
  gradient.mType = kLinearPattern;
  gradient.mNStops = 2;
  gradient.mStops[0].mColor = kRed;
  gradient.mStops[1] = {kBlue, 1.f};
  gradient.mTransform = IMatrix(0, 1.0 / 64.0, 1, 0, 0, 0); // pattern y = x / 64: left to right
  Open(64, 40, [&](IGraphics& g, const IRECT&) {
    g.StartLayer(nullptr, IRECT(4, 4, 60, 36));
    g.FillRect(kBlack, IRECT(10, 8, 40, 24));
    ILayerPtr layer = g.EndLayer();
    IShadowStyle shadow;
    shadow.mPattern = gradient;
    shadow.mXOffset = 6.f, shadow.mYOffset = 4.f, shadow.mDrawForeground = false;
    g.ApplyLayerDropShadow(layer, shadow);
    g.DrawLayer(layer);
  });
  const IGraphicsHeadless::Frame shadowed = Render();
  Open(64, 40, [&](IGraphics& g, const IRECT&) {
    g.PathClear();
    g.PathRect(IRECT(16, 12, 46, 28));
    g.PathFill(gradient);
  });
  const IGraphicsHeadless::Frame direct = Render();
  ASSERT_EQ(shadowed.mRGBA.size(), direct.mRGBA.size());
  EXPECT_LE(Difference(shadowed, direct).worst, 2);
  EXPECT_GT(shadowed.At(18, 20)[0], shadowed.At(44, 20)[0]); // red on the left, blue on the right
  EXPECT_LT(shadowed.At(18, 20)[2], shadowed.At(44, 20)[2]);
}

TEST_F(Headless, AlignedAndRotatedTextInRobotoAndTheVerdanaSubstitute)
{
  Open(160, 96, [](IGraphics& g, const IRECT&) {
    const IRECT box(4, 4, 124, 28);
    g.DrawRect(kGreen, box);
    g.DrawText(IText(14.f, kBlack, "Roboto-Regular", kAlignNear, kVAlignTop), "Left top", box);
    g.DrawText(IText(14.f, kBlue, "Roboto-Regular", kAlignFar, kVAlignBottom), "right", box);
    g.DrawText(IText(16.f, kBlack, "Verdana Normal", kAlignCenter, kVAlignMiddle), "Verdana", IRECT(4, 32, 124, 56));
    g.DrawText(IText(16.f, kRed, "Verdana Bold", kAlignCenter, kVAlignMiddle), "Bold", IRECT(4, 60, 124, 92));
    g.DrawText(IText(12.f, kBlack, "Roboto-Regular", kAlignCenter, kVAlignMiddle, 90.f), "Turned",
               IRECT(128, 4, 156, 92));
  });
  ASSERT_TRUE(mGraphics->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  ASSERT_TRUE(mGraphics->LoadFontByFamily("Verdana Normal", "Verdana", 0));
  ASSERT_TRUE(mGraphics->LoadFontByFamily("Verdana Bold", "Verdana", 1));
  EXPECT_EQ(CompareGolden(Render(), "text", 8), "");
}

TEST_F(Headless, SvgIconsWithAViewBoxOfAnotherShape)
{
  Open(96, 48, [](IGraphics& g, const IRECT&) {
    // A 2:1 view box in a square image: meet keeps the view box's shape, centred or at the bottom.
    const char* centred = "<svg width=\"40\" height=\"40\" viewBox=\"0 0 20 10\" preserveAspectRatio=\"xMidYMid\">"
                          "<rect width=\"20\" height=\"10\" fill=\"#2838dc\"/><circle cx=\"5\" cy=\"5\" r=\"4\" "
                          "fill=\"none\" stroke=\"#dc2828\" stroke-width=\"1.5\"/></svg>";
    const char* bottom = "<svg width=\"40\" height=\"40\" viewBox=\"0 0 20 10\" preserveAspectRatio=\"xMinYMax\">"
                         "<path d=\"M0 10 L10 0 L20 10 Z M7 8 L13 8 L10 5 Z\" fill=\"#28aa50\"/></svg>";
    g.DrawSVG(g.LoadSVGFromData("centred.svg", centred, int(strlen(centred))), IRECT(4, 4, 44, 44));
    g.DrawSVG(g.LoadSVGFromData("bottom.svg", bottom, int(strlen(bottom))), IRECT(52, 4, 92, 44));
  });
  const IGraphicsHeadless::Frame frame = Render();
  EXPECT_EQ(CompareGolden(frame, "svg_icons"), "");
  // Each colour reaches its own channel: pixels inside the flat areas, the hole showing the white behind.
  const struct
  {
    int x, y;
    uint8_t rgb[3];
  } pixels[] = {{38, 24, {0x28, 0x38, 0xdc}}, {14, 16, {0xdc, 0x28, 0x28}}, {62, 40, {0x28, 0xaa, 0x50}},
                {72, 38, {255, 255, 255}}};
  for (const auto& k : pixels)
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(frame.At(k.x, k.y)[c], k.rgb[c], 2) << k.x << "," << k.y << " channel " << c;
}

TEST_F(Headless, AFrameOfTranslucentPixelsIsReadBackUnpremultiplied)
{
  // Half the white background and of an orange square punched out: each keeps its colour at half opacity, every
  // channel rounded to the nearest.
  Open(16, 8, [](IGraphics& g, const IRECT&) {
    g.FillRect(IColor(255, 255, 100, 0), IRECT(8, 0, 16, 8));
    const IBlend punch(kBlendDestinationOut, 0.5f);
    g.FillRect(IColor(255, 0, 0, 0), IRECT(0, 0, 16, 8), &punch);
  });
  const IGraphicsHeadless::Frame frame = Render();
  ASSERT_EQ(frame.mRGBA.size(), size_t(16 * 8 * 4));
  for (int x : {2, 12})
  {
    const uint8_t* p = &frame.mRGBA[size_t(4 * (4 * 16 + x))];
    const int want[4] = {255, x < 8 ? 255 : 100, x < 8 ? 255 : 0, 128};
    for (int c = 0; c < 4; ++c)
      EXPECT_EQ(p[c], want[c]) << "x " << x << " channel " << c;
  }
}

TEST_F(Headless, AnSvgControlOnALayerRendersItOnceAndThenDrawsTheLayer)
{
  Open(96, 48, [](IGraphics&, const IRECT&) {});
  const char* svg = "<svg width=\"40\" height=\"40\"><rect width=\"40\" height=\"20\" fill=\"#2838dc\"/></svg>";
  const ISVG image = mGraphics->LoadSVGFromData("layered.svg", svg, int(strlen(svg)));
  auto* layered = new ISVGControl(IRECT(4, 4, 44, 44), image, true);
  auto* direct = new ISVGControl(IRECT(52, 4, 92, 44), image, false);
  mGraphics->AttachControl(layered);
  mGraphics->AttachControl(direct);
  std::vector<bool> rendered;
  for (int frame = 0; frame < 3; ++frame)
  {
    const IGraphicsHeadless::Frame shot = Render();
    rendered.push_back(layered->RenderedLastDraw());
    EXPECT_TRUE(direct->RenderedLastDraw());
    for (int x : {10, 58})
    {
      const uint8_t* p = &shot.mRGBA[size_t(4 * (10 * 96 + x))];
      EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{0x28, 0x38, 0xdc, 255})) << frame << " at " << x;
    }
  }
  EXPECT_EQ(rendered, (std::vector<bool>{true, false, false}));
}

TEST_F(Headless, LayerPixelsWrittenAreReadBack)
{
  Open(16, 16, [](IGraphics& g, const IRECT&) {
    g.StartLayer(nullptr, IRECT(0, 0, 8, 4));
    ILayerPtr layer = g.EndLayer();
    ByteBuffer pixels(8 * 4 * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = i % 4 == 3 ? 255 : uint8_t(i * 7);
    g.WriteLayerPixels(layer, pixels);
    ByteBuffer back;
    g.ReadLayerPixels(layer, back);
    EXPECT_EQ(back, pixels);
    // Too few bytes for the layer change nothing; no layer reads as no bytes.
    ByteBuffer tooFew(pixels.size() - 1, 255);
    g.WriteLayerPixels(layer, tooFew);
    g.ReadLayerPixels(layer, back);
    EXPECT_EQ(back, pixels);
    g.ReadLayerPixels(nullptr, back);
    EXPECT_TRUE(back.empty());
  });
  Render();
}

TEST_F(Headless, LayersShadowsBitmapsAndBlendsAtOtherDrawScalesMatchDrawingDirectly)
{
  // Each scene twice: through a layer (at a non-zero origin), a drop shadow without blur, a bitmap, a rescaled
  // bitmap and a half-weight blend; and with the same shapes drawn directly. Offsets and sizes are in points, so
  // at any draw scale the two frames agree.
  ASSERT_TRUE(WriteTestPng(mResources + "/green.png", 8, 8, [](int, int) { return kGreen; }));
  const IColor halfBlack(128, 0, 0, 0), halfBlue(128, 40, 60, 220);
  IBitmap rescaled; // made between frames, as controls rescale
  auto indirect = [&rescaled](IGraphics& g, const IRECT&) {
    g.StartLayer(nullptr, IRECT(6, 4, 30, 22));
    g.FillRoundRect(kBlue, IRECT(8, 6, 28, 20), 3.f);
    g.FillCircle(kRed, 14, 12, 4);
    ILayerPtr layer = g.EndLayer();
    g.DrawLayer(layer);
    g.StartLayer(nullptr, IRECT(34, 4, 58, 22));
    g.FillRect(kBlue, IRECT(36, 6, 48, 14));
    ILayerPtr shadowed = g.EndLayer();
    IShadowStyle shadow;
    shadow.mPattern = IPaintPattern(kBlack), shadow.mXOffset = 4.f, shadow.mYOffset = 3.f, shadow.mOpacity = 0.5f;
    g.ApplyLayerDropShadow(shadowed, shadow);
    g.DrawLayer(shadowed);
    const IBitmap green = g.LoadBitmap("green.png");
    g.DrawBitmap(green, IRECT(6, 26, 14, 34), 0, 0);
    g.DrawBitmap(rescaled, IRECT(18, 26, 26, 34), 0, 0);
    const IBlend half(0, 0.5f);
    g.FillRect(kBlue, IRECT(34, 26, 58, 34), &half);
  };
  auto direct = [&](IGraphics& g, const IRECT&) {
    g.FillRoundRect(kBlue, IRECT(8, 6, 28, 20), 3.f);
    g.FillCircle(kRed, 14, 12, 4);
    g.FillRect(halfBlack, IRECT(40, 9, 52, 17));
    g.FillRect(kBlue, IRECT(36, 6, 48, 14));
    g.FillRect(kGreen, IRECT(6, 26, 14, 34));
    g.FillRect(kGreen, IRECT(18, 26, 26, 34));
    g.FillRect(halfBlue, IRECT(34, 26, 58, 34));
  };
  for (float drawScale : {1.f, 1.5f, 2.f})
  {
    Open(64, 40, indirect, 1, drawScale);
    rescaled = mGraphics->ScaleBitmap(mGraphics->LoadBitmap("green.png"), "green-2x", 2);
    EXPECT_EQ(mGraphics->NCachedBitmaps(), 2); // the rescaled bitmap is the context's, freed with it
    const IGraphicsHeadless::Frame viaLayers = Render();
    Open(64, 40, direct, 1, drawScale);
    const IGraphicsHeadless::Frame drawn = Render();
    ASSERT_EQ(viaLayers.mRGBA.size(), drawn.mRGBA.size());
    const FrameDifference d = Difference(viaLayers, drawn);
    EXPECT_LE(d.worst, 2) << "draw scale " << drawScale << " at pixel " << d.x << ", " << d.y;
  }
}
