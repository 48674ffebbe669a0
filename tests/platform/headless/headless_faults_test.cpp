// The headless graphics context with bad input and at the edges of its lifetime: missing fonts, undecodable PNG
// files, empty SVG images and zero-size layers draw nothing and do not crash; bitmaps found at another scale are
// decoded once; paints without stops or with a singular transform draw nothing; dashes of no length are solid
// lines; closing the view with layer framebuffers pending frees them first; every platform service is recorded
// and answered by the test.
#include <cmath>
#include <cstring>

#include "headless_fixture.h"

using namespace headlesstest;

namespace {

const IColor kBlack(255, 0, 0, 0);

/// Whether every pixel of the frame is white.
bool AllWhite(const IGraphicsHeadless::Frame& frame)
{
  for (uint8_t v : frame.mRGBA)
    if (v != 255)
      return false;
  return !frame.mRGBA.empty();
}

} // namespace

TEST_F(Headless, BadInputDrawsNothing)
{
  ASSERT_TRUE(testsupport::WriteFile(mResources + "/broken.png", "\x89PNG not really"));
  Open(32, 32, [](IGraphics& g, const IRECT& r) {
    g.DrawText(IText(14.f, kBlack, "No Such Font"), "text", r);
    const IBitmap broken = g.LoadBitmap("broken.png");
    EXPECT_FALSE(broken.IsValid());
    g.DrawBitmap(broken, r, 0, 0);
    g.DrawBitmap(g.LoadBitmap("missing.png"), r, 0, 0);
    g.DrawSVG(g.LoadSVGFromData("empty.svg", "<svg></svg>", 11), r);
    g.StartLayer(nullptr, IRECT(5, 5, 5, 5));
    g.FillRect(kBlack, r);
    ILayerPtr empty = g.EndLayer();
    g.DrawLayer(empty);
    IPaintPattern noStops;
    noStops.mType = kLinearPattern;
    noStops.mNStops = 0;
    IPaintPattern singular = noStops;
    singular.mNStops = 1;
    singular.mTransform = IMatrix(0, 0, 0, 0, 0, 0);
    for (const IPaintPattern& p : {noStops, singular})
    {
      g.PathRect(r);
      g.PathFill(p);
    }
  });
  EXPECT_FALSE(mGraphics->LoadFont("Missing", "Missing.ttf"));
  EXPECT_TRUE(AllWhite(Render()));
  EXPECT_EQ(mGraphics->NCachedBitmaps(), 0);
}

TEST_F(Headless, DashesOfNoLengthAreSolidLines)
{
  auto line = [this](float dash) {
    Open(40, 8, [dash](IGraphics& g, const IRECT&) { g.DrawDottedLine(kBlack, 0, 4, 40, 4, nullptr, 2.f, dash); });
    return Render();
  };
  const IGraphicsHeadless::Frame solid = line(0.f);
  EXPECT_EQ(solid.At(20, 3)[0], 0);
  EXPECT_EQ(line(-2.f).mRGBA, solid.mRGBA);
  EXPECT_EQ(line(1e-30f).mRGBA, solid.mRGBA); // far too fine to draw dash by dash
  EXPECT_NE(line(4.f).mRGBA, solid.mRGBA);
}

// Looked up again at the scale it was found at, rather than decoded and cached anew on every request (which would
// grow the cache by a whole image each time a control rescales).
TEST_F(Headless, ABitmapFoundOnlyAtAnotherScaleIsDecodedOnce)
{
  ASSERT_TRUE(WriteTestPng(mResources + "/knob.png", 10, 6, [](int, int) { return kBlack; }));
  Open(20, 20, [](IGraphics&, const IRECT&) {}, 2);
  const IBitmap first = mGraphics->LoadBitmap("knob.png");
  const IBitmap second = mGraphics->LoadBitmap("knob.png");
  ASSERT_TRUE(first.IsValid());
  EXPECT_EQ(first.GetAPIBitmap(), second.GetAPIBitmap());
  EXPECT_EQ(first.W(), 10); // the 1x file's pixels, not rescaled
  EXPECT_EQ(mGraphics->NCachedBitmaps(), 1);
}

TEST_F(Headless, ImagesFromBytesKeepAScaleOfAtLeastOne)
{
  const std::string path = mHome.Path() + "/strip.png";
  ASSERT_TRUE(WriteTestPng(path, 12, 4, [](int, int) { return kBlack; }));
  const std::string bytes = testsupport::ReadFile(path);
  Open(20, 20, [](IGraphics&, const IRECT&) {});
  APIBitmap* bitmap = mGraphics->LoadAPIBitmapData("strip.png", bytes.data(), int(bytes.size()), 0);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetScale(), 1);
  EXPECT_EQ(IBitmap(bitmap, 1, false).W(), 12);
  EXPECT_EQ(mGraphics->LoadAPIBitmapData("junk.png", "junk", 4, 1), nullptr);
}

TEST_F(Headless, ClosingTheViewFreesPendingLayersBeforeTheContext)
{
  Open(20, 20, [](IGraphics&, const IRECT&) {});
  mGraphics->BeginFrame();
  mGraphics->StartLayer(nullptr, IRECT(0, 0, 10, 10));
  mGraphics->EndLayer(); // released inside the frame: its framebuffer waits for the frame's end
  EXPECT_EQ(mGraphics->NPendingFramebuffers(), 1);
  mGraphics->CloseWindow();
  EXPECT_EQ(mGraphics->NPendingFramebuffers(), 0);
  EXPECT_FALSE(mGraphics->IsContextReady());
  EXPECT_EQ(mGraphics->GetDrawContext(), nullptr);
}

TEST_F(Headless, DrawingWithoutAViewOrAMainFramebufferShowsNothingAndDoesNotCrash)
{
  IGraphicsHeadless g(mDelegate, 20, 20);
  g.PrepareRegion(IRECT(0, 0, 20, 20));
  g.StartLayer(nullptr, IRECT(0, 0, 10, 10));
  g.FillRect(kBlack, IRECT(0, 0, 5, 5));
  g.DrawText(IText(), "text", IRECT(0, 0, 20, 20));
  EXPECT_EQ(g.EndLayer()->GetAPIBitmap(), nullptr);
  EXPECT_FALSE(g.LoadBitmap("tile.png").IsValid());

  g.OnViewInitialized(&g.Layer());
  ASSERT_TRUE(g.IsContextReady());
  g.BeginFrame();
  g.FillRect(kBlack, IRECT(0, 0, 5, 5));
  g.EndFrame();
  EXPECT_EQ(g.Layer().presentedCount(), 0);
  g.OnViewDestroyed();
}
