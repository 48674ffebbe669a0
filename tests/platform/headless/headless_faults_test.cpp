// The headless graphics context with bad input and at the edges of its lifetime: missing fonts, undecodable PNG
// files, empty SVG images and zero-size layers draw nothing and do not crash; bitmaps found at another scale are
// rescaled and kept once, and those that would be rescaled past the image limits are kept at their own scale;
// paints without stops or with a singular transform draw nothing, and gradients of one stop fill in its colour;
// dashes of no length are solid lines; closing the view with layer framebuffers pending frees them first; every
// platform service is recorded and answered by the test; a font two contexts load draws alike in both and outlives
// the first.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/bases/ITextControls.h"
#include "headless_fixture.h"
#include "text_golden.h"

using namespace headlesstest;
using plug::LibString;

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
  // The back end takes no font without a name, nor any before its drawing context exists.
  const PlatformFontPointer roboto = mGraphics->LoadFontFromResource("Roboto-Regular", "Roboto-Regular.ttf");
  ASSERT_TRUE(roboto);
  ASSERT_FALSE(mGraphics->LoadAPIFont(nullptr, roboto));
  graphicstest::TestDelegate closedDelegate;
  IGraphicsHeadless closed(closedDelegate, 40, 30, 60, 1.f);
  closed.SetBundleID(kBundleID);
  EXPECT_FALSE(closed.LoadAPIFont("Roboto-Regular", roboto));
  EXPECT_TRUE(AllWhite(Render()));
  EXPECT_EQ(mGraphics->NCachedBitmaps(), 0);
}

TEST_F(Headless, AGradientOfOneStopFillsInThatStopsColour)
{
  for (int type : {kLinearPattern, kRadialPattern})
  {
    Open(8, 8, [type](IGraphics& g, const IRECT& r) {
      IPaintPattern one(IColor(255, 200, 40, 10));
      one.mType = type;
      g.PathRect(r);
      g.PathFill(one);
    });
    const IGraphicsHeadless::Frame frame = Render();
    EXPECT_EQ(frame.At(4, 4)[0], 200) << type;
    EXPECT_EQ(frame.At(4, 4)[1], 40) << type;
    EXPECT_EQ(frame.At(4, 4)[2], 10) << type;
  }
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

// A dotted line or rectangle drawn without a thickness or dash length is a pixel thick with dashes of two, whether the
// caller holds the context as itself or as any graphics context.
TEST_F(Headless, DottedLinesAndRectanglesDefaultToAPixelThickWithDashesOfTwo)
{
  const IRECT box(2, 6, 38, 11);
  auto draw = [this](DrawControl::DrawFunc func) {
    Open(40, 12, func);
    return Render().mRGBA;
  };
  const auto given = draw([&](IGraphics& g, const IRECT&) {
    g.DrawDottedLine(kBlack, 0, 3, 40, 3, nullptr, 1.f, 2.f);
    g.DrawDottedRect(kBlack, box, nullptr, 1.f, 2.f);
  });
  EXPECT_EQ(draw([&](IGraphics& g, const IRECT&) {
              g.DrawDottedLine(kBlack, 0, 3, 40, 3);
              g.DrawDottedRect(kBlack, box);
            }),
            given);
  EXPECT_EQ(draw([&](IGraphics& g, const IRECT&) {
              IGraphicsHeadless& own = static_cast<IGraphicsHeadless&>(g);
              own.DrawDottedLine(kBlack, 0, 3, 40, 3);
              own.DrawDottedRect(kBlack, box);
            }),
            given);
}

// The context keeps its own bitmaps: an image found only at another scale (a file, or a cached image once no file is
// left, or bytes, which decode at scale 1) is rescaled to the wanted scale, and only the rescaled image is kept.
TEST_F(Headless, BitmapsFoundAtAnotherScaleAreRescaledAndKeptOnce)
{
  ASSERT_TRUE(WriteTestPng(mResources + "/knob.png", 10, 6, [](int, int) { return kBlack; }));
  const std::string bytes = testsupport::ReadFile(mResources + "/knob.png");
  Open(20, 20, [](IGraphics&, const IRECT&) {}, 2);
  const IBitmap first = mGraphics->LoadBitmap("knob.png");
  ASSERT_TRUE(first.IsValid());
  EXPECT_EQ(mGraphics->LoadBitmap("knob.png").GetAPIBitmap(), first.GetAPIBitmap());
  EXPECT_EQ(mGraphics->NCachedBitmaps(), 1);

  ASSERT_EQ(std::remove((mResources + "/knob.png").c_str()), 0);
  const IBitmap fromCache = mGraphics->LoadBitmap("knob.png", 1, false, 3);
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const IBitmap fromBytes = mGraphics->LoadBitmapFromData("bytes.png", data, int(bytes.size()), 2, true, 2);
  const struct
  {
    const IBitmap& bitmap;
    int scale;
  } loaded[] = {{first, 2}, {fromCache, 3}, {fromBytes, 2}};
  for (const auto& l : loaded)
  {
    ASSERT_TRUE(l.bitmap.IsValid()) << l.scale;
    EXPECT_EQ(l.bitmap.GetScale(), l.scale);
    EXPECT_EQ(l.bitmap.W(), 10);
    EXPECT_EQ(l.bitmap.GetAPIBitmap()->GetWidth(), 10 * l.scale);
  }
  EXPECT_EQ(fromBytes.N(), 2);
  EXPECT_EQ(mGraphics->LoadBitmapFromData("bytes.png", nullptr, 0, 1, false, 2).GetAPIBitmap(),
            fromBytes.GetAPIBitmap());
  EXPECT_EQ(mGraphics->NCachedBitmaps(), 3);
  // The rescaled pixels are the image's.
  ASSERT_TRUE(WriteTestPng(mResources + "/knob.png", 10, 6, [](int, int) { return kBlack; }));
  Open(20, 20, [&](IGraphics& g, const IRECT&) { g.DrawBitmap(g.LoadBitmap("knob.png"), IRECT(0, 0, 10, 6), 0, 0); },
       2);
  const IGraphicsHeadless::Frame frame = Render();
  EXPECT_EQ(frame.At(10, 6)[0], 0);
  EXPECT_EQ(frame.At(30, 30)[0], 255);
}

// An image found only at scale 1 is rescaled for the screen only within the limits of decoded images (16384 pixels
// a side, as many pixels as 8192 x 8192): past them it is kept, and drawn, at its own scale.
TEST_F(Headless, ImagesThatWouldBeRescaledPastTheImageLimitsKeepTheirOwnScale)
{
  const IColor kRed(255, 255, 0, 0);
  const struct
  {
    const char* name;
    int w, h, screenScale;
  } cases[] = {
    {"square.png", 8192, 8192, 2}, // 16384 x 16384: four times the pixels
    {"wide.png", 16384, 2, 2},     // 32768 wide
    {"tall.png", 2048, 2049, 4},   // 8192 x 8196: just over
  };
  for (const auto& c : cases)
  {
    ASSERT_TRUE(WriteSolidPng(mResources + "/" + c.name, c.w, c.h, kRed)) << c.name;
    Open(20, 20, [&](IGraphics& g, const IRECT& r) { g.DrawBitmap(g.LoadBitmap(c.name), r, 0, 0); }, c.screenScale);
    const IBitmap bitmap = mGraphics->LoadBitmap(c.name);
    ASSERT_TRUE(bitmap.IsValid()) << c.name;
    EXPECT_EQ(bitmap.GetScale(), 1) << c.name;
    EXPECT_EQ(bitmap.GetAPIBitmap()->GetWidth(), c.w) << c.name;
    EXPECT_EQ(mGraphics->NCachedBitmaps(), 1) << c.name;
    const IGraphicsHeadless::Frame frame = Render();
    const uint8_t* p = frame.At(1, 1);
    EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{255, 0, 0})) << c.name;
    mGraphics.reset();
  }
}

TEST_F(Headless, ImagesFromBytesKeepAScaleOfAtLeastOne)
{
  const std::string path = mHome.Path() + "/strip.png";
  ASSERT_TRUE(WriteTestPng(path, 12, 4, [](int, int) { return kBlack; }));
  const std::string bytes = testsupport::ReadFile(path);
  Open(20, 20, [](IGraphics&, const IRECT&) {});
  std::unique_ptr<APIBitmap> bitmap(mGraphics->LoadAPIBitmapData("strip.png", bytes.data(), int(bytes.size()), 0));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetScale(), 1);
  EXPECT_EQ(IBitmap(bitmap.get(), 1, false).W(), 12);
  EXPECT_EQ(mGraphics->NCachedBitmaps(), 0); // the caller owns it until it is cached
  EXPECT_EQ(mGraphics->LoadAPIBitmapData("junk.png", "junk", 4, 1), nullptr);
  // Its image is its own: it goes with the bitmap.
  auto* context = static_cast<VXcontext*>(mGraphics->GetDrawContext());
  const int image = static_cast<IGraphicsVexel::Bitmap*>(bitmap.get())->GetImage();
  int w = 0, h = 0;
  vxGetImageSize(context, image, &w, &h);
  EXPECT_EQ(w, 12);
  bitmap.reset();
  w = h = 0;
  vxGetImageSize(context, image, &w, &h);
  EXPECT_EQ(w, 0) << "the image outlived its bitmap";
}

// A bitmap made for a layer keeps a scale of at least 1 and a draw scale above 0, whatever it is asked for; one
// wider or taller than an image may be, or with more pixels, or empty, is not made.
TEST_F(Headless, ALayersBitmapKeepsScalesAboveZeroWithinTheImageLimits)
{
  Open(20, 20, [](IGraphics&, const IRECT&) {});
  for (const double drawScale : {0.0, -1.0, 0.5, 1.5})
  {
    std::unique_ptr<APIBitmap> bitmap(mGraphics->CreateAPIBitmap(8, 6, 0, drawScale));
    ASSERT_NE(bitmap, nullptr) << drawScale;
    EXPECT_EQ(bitmap->GetScale(), 1) << drawScale;
    EXPECT_EQ(bitmap->GetDrawScale(), drawScale > 0.0 ? float(drawScale) : 1.f) << drawScale;
    EXPECT_EQ(bitmap->GetWidth(), 8);
    EXPECT_EQ(bitmap->GetHeight(), 6);
  }
  std::unique_ptr<APIBitmap> widest(mGraphics->CreateAPIBitmap(VX_MAX_IMAGE_SIDE, 1, 1, 1.0));
  EXPECT_NE(widest, nullptr);
  std::unique_ptr<APIBitmap> tallest(mGraphics->CreateAPIBitmap(1, VX_MAX_IMAGE_SIDE, 1, 1.0));
  EXPECT_NE(tallest, nullptr);
  for (const auto& size : {std::pair<int, int>{VX_MAX_IMAGE_SIDE + 1, 1}, {1, VX_MAX_IMAGE_SIDE + 1},
                           {VX_MAX_IMAGE_SIDE, VX_MAX_IMAGE_PIXELS / VX_MAX_IMAGE_SIDE + 1}, {0, 4}, {4, 0}})
    EXPECT_EQ(mGraphics->CreateAPIBitmap(size.first, size.second, 1, 1.0), nullptr)
      << size.first << " x " << size.second;
}

// A bitmap loaded from bytes with what the context takes by default is the whole image as one frame, at the
// screen's scale.
TEST_F(Headless, ABitmapFromBytesIsByDefaultOneFrameOfTheWholeImage)
{
  const std::string path = mHome.Path() + "/strip.png";
  ASSERT_TRUE(WriteTestPng(path, 12, 4, [](int, int) { return kBlack; }));
  const std::string bytes = testsupport::ReadFile(path);
  for (const int screenScale : {1, 2})
  {
    Open(20, 20, [](IGraphics&, const IRECT&) {}, screenScale);
    const IBitmap bitmap =
        mGraphics->LoadBitmapFromData("strip.png", reinterpret_cast<const uint8_t*>(bytes.data()), int(bytes.size()));
    ASSERT_TRUE(bitmap.IsValid());
    EXPECT_EQ((std::vector<int>{bitmap.W(), bitmap.H(), bitmap.N(), bitmap.GetFramesAreHorizontal()}),
              (std::vector<int>{12, 4, 1, 0}));
    EXPECT_EQ(bitmap.GetScale(), screenScale);
  }
}

// Files of PNG and JPEG images are taken by their extension, in any case; others, and an extension whose image
// name starts past the 31 characters read, are not.
TEST_F(Headless, BitmapFilesAreTakenByTheirExtension)
{
  Open(20, 20, [](IGraphics&, const IRECT&) {});
  const std::string last = std::string(28, 'x') + "png", late = std::string(29, 'x') + "png";
  for (const std::string& ext : {std::string("png"), std::string("PNG"), std::string("Jpg"), std::string("jpeg"),
                                 std::string("JPEG"), last})
    EXPECT_TRUE(mGraphics->BitmapExtSupported(ext.c_str())) << ext;
  for (const std::string& ext : {std::string(), std::string("svg"), std::string("gif"), std::string("pn"), late})
    EXPECT_FALSE(mGraphics->BitmapExtSupported(ext.c_str())) << ext;
  EXPECT_FALSE(mGraphics->BitmapExtSupported(nullptr));
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

  g.OnViewInitialized(nullptr);
  EXPECT_FALSE(g.IsContextReady()) << "ready without a layer";
  g.OnViewInitialized(&g.Layer());
  ASSERT_TRUE(g.IsContextReady());
  g.BeginFrame();
  g.FillRect(kBlack, IRECT(0, 0, 5, 5));
  g.EndFrame();
  EXPECT_EQ(g.Layer().presentedCount(), 0);
  g.OnViewDestroyed();
  EXPECT_FALSE(g.IsContextReady()) << "ready with the view closed";
}

TEST_F(Headless, AFontSharedByTwoContextsDrawsAlikeInBothAndOutlivesTheFirst)
{
  const IText style(20.f, kBlack, "Roboto-Regular", kAlignCenter, kVAlignMiddle);
  auto scene = [style](IGraphics& g, const IRECT& r) { g.DrawText(style, "Shared Ag", r); };
  Open(160, 40, scene);
  ASSERT_TRUE(mGraphics->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  const IGraphicsHeadless::Frame first = Render();
  IRECT firstBounds(0, 0, 160, 40);
  const float firstWidth = mGraphics->MeasureText(style, "Shared Ag", firstBounds);
  int inked = 0;
  for (size_t i = 0; i < first.mRGBA.size(); i += 4) inked += first.mRGBA[i] < 128;
  EXPECT_GT(inked, 60);

  // A second editor (another instance in the same host) loads the same font: the bytes are shared, so it takes
  // them again without a platform font to read them from.
  graphicstest::TestDelegate otherDelegate;
  auto other = std::make_unique<IGraphicsHeadless>(otherDelegate, 160, 40, 60, 1.f);
  other->SetBundleID(kBundleID);
  otherDelegate.mLayoutFunc = [scene](IGraphics* g) {
    g->AttachControl(new DrawControl(g->GetBounds(), [scene](IGraphics& gr, const IRECT& r) {
      gr.FillRect(IColor(255, 255, 255, 255), r);
      scene(gr, r);
    }));
  };
  other->OpenWindow(nullptr);
  ASSERT_TRUE(other->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  EXPECT_TRUE(other->LoadAPIFont("Roboto-Regular", PlatformFontPointer())) << "the bytes were not kept for it";
  auto render = [&] {
    other->DrawFullFrame();
    return other->ReadFrame();
  };
  EXPECT_EQ(render().mRGBA, first.mRGBA);
  mGraphics.reset(); // the first editor closes; the second keeps drawing its text
  EXPECT_EQ(render().mRGBA, first.mRGBA);
  IRECT bounds(0, 0, 160, 40);
  EXPECT_FLOAT_EQ(other->MeasureText(style, "Shared Ag", bounds), firstWidth);
  EXPECT_EQ(bounds, firstBounds);
  other.reset();
}

TEST_F(Headless, PlatformServicesOfAScriptedSessionAreRecordedAsTheirReferenceSays)
{
  std::string out;
  auto answer = [&](const std::string& what) { out += what + "\n"; };
  for (int screen : {1, 2})
  {
    Open(40, 30, [](IGraphics&, const IRECT&) {}, screen, 1.5f);
    IGraphicsHeadless& g = *mGraphics;
    IControl* caption = g.AttachControl(new ICaptionControl(IRECT(2.f, 2.f, 38.f, 14.f), 0));
    g.mMessageBoxAnswer = [](const char*, const char*, int type) { return type + 10; };
    g.mColorAnswer = [](IColor& c) { return c = IColor(255, 1, 2, 3), true; };
    g.mFileAnswer = [](LibString& name, LibString& path, int action, const char*) {
      return name.Set(action ? "saved.fx" : "opened.fx"), path.Set("/tmp"), true;
    };
    g.mDirectoryAnswer = [](LibString& dir) { return dir.Set("/chosen"), true; };
    g.mTextAnswer = [](const std::string& preset, const IRECT& b) {
      return preset.substr(0, 2) + std::to_string(int(b.W())); // the width in the answer
    };
    g.mMenuAnswer = [](IPopupMenu& menu, const IRECT&) { return menu.SetChosenItemIdx(1), &menu; };
    const bool first = g.DrawFrame(), full = g.DrawFullFrame(), again = g.DrawFrame();
    answer("frame " + std::to_string(first) + " full " + std::to_string(full) + " again " + std::to_string(again));
    const IGraphicsHeadless::Frame frame = g.ReadFrame();
    answer("read " + std::to_string(frame.mWidth) + "x" + std::to_string(frame.mHeight));
    g.Resize(50, 20, 1.25f);
    g.MoveMouseCursor(7.6f, 3.2f);
    float x = 0.f, y = 0.f;
    g.GetMouseLocation(x, y);
    answer("mouse " + graphicstest::Num(x) + " " + graphicstest::Num(y));
    g.HideMouseCursor(true, false);
    g.HideMouseCursor(false);
    g.SetMouseCursor(3);
    LibString clip;
    answer("clipboard empty " + std::to_string(g.GetTextFromClipboard(clip)));
    g.SetTextInClipboard("copied");
    const bool pasted = g.GetTextFromClipboard(clip);
    answer("clipboard " + std::to_string(pasted) + " " + clip.Get());
    const int button = g.ShowMessageBox("Sure?", "Drovik", 2, [&](int a) { answer("completion " + std::to_string(a)); });
    answer("message " + std::to_string(button));
    LibString name, path;
    g.PromptForFile(name, path, 1, "fx");
    answer(std::string("file ") + name.Get() + " " + path.Get());
    LibString dir;
    const bool chosen = g.PromptForDirectory(dir);
    answer("directory " + std::to_string(chosen) + " " + dir.Get());
    IColor colour;
    const bool picked = g.PromptForColor(colour, "Pick", nullptr);
    answer("colour " + std::to_string(picked) + " " + std::to_string(colour.mBlue));
    answer("url " + std::to_string(g.OpenURL("https://example.com", nullptr, nullptr, nullptr)));
    g.PromptParamInput(caption, caption->GetRECT(), 0);
    answer("value " + graphicstest::Num(mDelegate.GetParam(0)->GetNormalized()));
    IPopupMenu menu("menu", 0, false, {"a", "b", "c"});
    g.OpenPopupMenu(*caption, menu, IRECT(0.f, 0.f, 10.f, 10.f));
    answer("chosen " + std::to_string(menu.GetChosenItemIdx()));
    g.CloseWindow();
    const bool drawn = g.DrawFrame();
    answer("closed frame " + std::to_string(drawn) + " read " + std::to_string(g.ReadFrame().mWidth));
    for (const std::string& call : g.mCalls)
      out += "  " + call + "\n";
    EXPECT_EQ(g.Count("Prompt"), 3); // the file, folder and colour prompts, each once
  }
  const std::string failure = graphicstest::CompareTextGolden("headless_platform_calls", out);
  EXPECT_TRUE(failure.empty()) << failure;
}
