// The editor view over the headless view system: key translation, opening and closing, the frame timer, the
// cursor, the hidden pointer, the wheel and tool tips.
#include <future>
#include <tuple>

#include "appkit/painter.h"
#include "golden_text.h"
#include "mac_test_support.h"
#include "metal/metal.h"
#include "metal_vexel.h"

namespace mactest {
namespace {

using appkit::Event;
using appkit::EventType;

struct KeyCase
{
  uint16_t keyCode;
  std::u32string chars;
  uint32_t mods;
  int virtualKey;
  const char* text;
  bool shift, ctrl, alt;
};

TEST(KeyPressFromEvent, FollowsTheKeyTableAndTheCharacterRules)
{
  const uint32_t kShift = appkit::kModifierShift, kCmd = appkit::kModifierCommand, kOpt = appkit::kModifierOption;
  const KeyCase cases[] = {
    {0, U"a", 0, 65, "a", false, false, false},           // letters are virtual keys, upper-cased
    {0, U"a", kShift, 65, "a", true, false, false},
    {0, U"z", 0, 90, "z", false, false, false},
    {27, U"-", kShift, 0, "-", false, false, false},      // a plain character loses shift
    {27, U"-", 0, 0, "-", false, false, false},
    {18, U"1", kOpt, 49, "1", false, false, true},
    {36, U"\r", 0, 13, "\r", false, false, false},
    {48, U"\t", 0, 9, "\t", false, false, false},
    {48, std::u32string(1, char32_t(25)), kCmd, 9, "\x19", false, true, false},
    {53, std::u32string(1, char32_t(27)), 0, 27, "\x1b", false, false, false},
    {49, U" ", 0, 32, " ", false, false, false},
    {122, U"", 0, 112, "", false, false, false},          // F1 from the key-code table
    {0, std::u32string(1, appkit::kF1FunctionKey), 0, 112, "\xef\x9c\x84", false, false, false},
    {0, std::u32string(1, appkit::kF24FunctionKey), 0, 135, "\xef\x9c\x9b", false, false, false},
    {76, U"\x03", 0, 0x800D, "\x03", false, false, false}, // keypad enter
    {51, U"\x7f", 0, 8, "\x7f", false, false, false},
    {123, U"", 0, 37, "", false, false, false},
    {126, U"", kCmd, 38, "", false, true, false},
    {200, U"", 0, 1224, "", false, false, false},        // no character: code + 1024
    {0, U"\u00e9", kShift, 0, "\xc3\xa9", false, false, false}, // not a letter in the C locale
    {0, U"ab", 0, 65, "", false, false, false},          // text only for a single character
  };
  for (const KeyCase& c : cases)
  {
    Event e;
    e.type = EventType::kKeyDown;
    e.keyCode = c.keyCode;
    e.charactersIgnoringModifiers = c.chars;
    e.modifierFlags = c.mods;
    const plug::IKeyPress k = KeyPressFromEvent(e);
    SCOPED_TRACE(c.keyCode);
    EXPECT_EQ(k.mVirtualKey, c.virtualKey);
    EXPECT_STREQ(k.mUtf8, c.text);
    EXPECT_EQ(k.mShift, c.shift);
    EXPECT_EQ(k.mCtrl, c.ctrl);
    EXPECT_EQ(k.mAlt, c.alt);
  }
}

// Every key code without a character of its own, shift held (a virtual key keeps it), recorded in golden/key_codes.txt: the
// ones the key table does not name come out as the code plus 1024 and are left out.
TEST(KeyPressFromEvent, KeysWithoutCharactersMatchTheirReference)
{
  std::string text;
  for (int code = 0; code < 256; ++code)
  {
    Event e;
    e.type = EventType::kKeyDown;
    e.keyCode = static_cast<uint16_t>(code);
    e.modifierFlags = appkit::kModifierShift;
    const plug::IKeyPress k = KeyPressFromEvent(e);
    EXPECT_TRUE(k.mShift) << code;
    if (k.mVirtualKey != code + 1024)
      text += std::to_string(code) + " " + std::to_string(k.mVirtualKey) + "\n";
  }
  const std::string differences =
    goldentext::Compare(std::string(DROVIK_PLATFORM_GOLDEN_DIR) + "/key_codes.txt", text);
  EXPECT_TRUE(differences.empty()) << differences;
}

TEST(ScaledOutward, RoundsLeftAndTopDownAndRightAndBottomUp)
{
  const appkit::Rect r = ScaledOutward(IRECT(10.3f, 20.6f, 30.2f, 40.1f), 2.f);
  EXPECT_EQ(r.origin.x, 20.0);
  EXPECT_EQ(r.origin.y, 41.0);
  EXPECT_EQ(r.size.width, 61.0 - 20.0);
  EXPECT_EQ(r.size.height, 81.0 - 41.0);
}

using EditorView = MacTest;

TEST_F(EditorView, OpensInTheParentAtTheDrawScaleWithLayoutAndTimer)
{
  mDrawScale = 2.f;
  mApp.mBackingScale = 2.0;
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(View().mParent, &mParent);
  EXPECT_EQ(View().Frame().size.width, 936.0);
  EXPECT_EQ(View().Frame().size.height, 900.0);
  EXPECT_EQ(Graphics()->GetScreenScale(), 2);
  EXPECT_TRUE(mDelegate.IsEditorReady());
  EXPECT_EQ(mLayouts, 1);
  EXPECT_EQ(mDelegate.mUIOpens, 1);
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), 1u);
}

TEST_F(EditorView, AMoveToAScreenOfAnotherBackingScaleChangesTheScreenScale)
{
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Graphics()->GetScreenScale(), 1);
  // A scale whose whole part is the one it has asks the host for no new size.
  mDelegate.mLog.clear();
  MacView().ViewDidChangeBackingScale(1.0);
  MacView().ViewDidChangeBackingScale(1.5);
  EXPECT_EQ(mDelegate.mLog, std::vector<std::string>{});
  EXPECT_EQ(Graphics()->GetScreenScale(), 1);
  MacView().ViewDidChangeBackingScale(2.0);
  EXPECT_EQ(Graphics()->GetScreenScale(), 2);
  EXPECT_EQ(mDelegate.mLog.size(), 1u);
  MacView().ViewDidChangeBackingScale(1.0);
  EXPECT_EQ(Graphics()->GetScreenScale(), 1);
  EXPECT_EQ(mDelegate.mLog.size(), 2u);
}

TEST_F(EditorView, OpeningTwiceLeavesOneViewAndOneTimer)
{
  Open();
  void* second = Graphics()->OpenWindow(&mParent);
  EXPECT_EQ(second, Graphics()->GetWindow());
  EXPECT_EQ(mApp.Views().size(), 1u);
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), 1u);
  EXPECT_EQ(mLayouts, 2);
  // Menus and alerts draw their text with the editors' painter while an editor lives, with the plain one after.
  EXPECT_EQ(dynamic_cast<appkit::PlainPainter*>(&appkit::SharedPainter()), nullptr);
  mDelegate.CloseWindow();
  EXPECT_EQ(mApp.Views().size(), 0u);
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), 0u);
  EXPECT_EQ(IGraphicsMac::LiveCount(), 0);
  EXPECT_NE(dynamic_cast<appkit::PlainPainter*>(&appkit::SharedPainter()), nullptr);
}

// An editor that could not draw is not opened at all: the host is told so (no view); the layout runs once, on a
// context that is not ready, so that it can take the editor away from the plug-in.
TEST_F(EditorView, WithoutADrawingContextTheEditorDoesNotOpen)
{
  mContextOK = false;
  bool readyInLayout = true;
  mDelegate.mLayoutFunc = [&](IGraphics* g) { ++mLayouts, readyInLayout = g->IsContextReady(); };
  EXPECT_EQ(Open(), nullptr);
  EXPECT_FALSE(mDelegate.IsEditorReady());
  EXPECT_EQ(mLayouts, 1);
  EXPECT_FALSE(readyInLayout);
  EXPECT_EQ(mDelegate.mUIOpens, 0);
  EXPECT_EQ(mApp.Views().size(), 0u);
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), 0u);
}

TEST_F(EditorView, RemovalFromOutsideClosesTheEditorOnceAndKeepsTheViewThroughTheCall)
{
  Open();
  MacView().removeFromSuperview(); // the host's window went away
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_EQ(mDelegate.mUICloses, 1);
  EXPECT_EQ(mApp.Views().size(), 0u);
  EXPECT_EQ(IGraphicsMac::LiveCount(), 0);
}

TEST_F(EditorView, DeletingAnOpenContextClosesItsViewWithoutAskingTheDelegate)
{
  auto* g = new TestMacGraphics(mDelegate, 468, 450, 60, 1.f);
  g->OpenWindow(&mParent);
  delete g;
  EXPECT_EQ(mDelegate.mUICloses, 0);
  EXPECT_EQ(mApp.Views().size(), 0u);
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), 0u);
}

TEST_F(EditorView, PresentedDrawablesReachTheWindowOnTheNextTickOnly)
{
  mDrawScale = 2.f;
  mApp.mBackingScale = 2.0;
  Open();
  CAMetalLayer& layer = MacView().Layer();
  EXPECT_EQ(layer.drawableSize().width, 936.0 * 2);
  std::shared_ptr<CAMetalDrawable> drawable = layer.nextDrawable();
  ASSERT_NE(drawable, nullptr);
  const int w = static_cast<int>(drawable->texture()->width()), h = static_cast<int>(drawable->texture()->height());
  std::vector<uint8_t> pixels(size_t(w) * size_t(h) * 4, 0x5a);
  drawable->texture()->replaceRegion(MTLRegionMake2D(0, 0, w, h), 0, pixels.data(), size_t(w) * 4);
  drawable->present();
  EXPECT_EQ(View().mFramesPresented, 0);
  foundation::RunLoop::Main().RunDueTimers();
  EXPECT_EQ(View().mFramesPresented, 1);
  EXPECT_EQ(View().mFrameWidth, w);
  // A frame this large goes to the window in bands, one a tick.
  for (int tick = 0; tick < 50 && MacView().ShownFrames() == 0; ++tick)
  {
    mClock.Advance(1.0 / 60);
    foundation::RunLoop::Main().RunDueTimers();
  }
  EXPECT_EQ(View().mFrame, pixels);
  const int presented = View().mFramesPresented;
  mClock.Advance(1.0 / 60);
  foundation::RunLoop::Main().RunDueTimers(); // nothing new presented: nothing shown again
  EXPECT_EQ(View().mFramesPresented, presented);
}

/// Frames read back from drawables the test fills with one value each, so that a pixel of the window tells which
/// frame it was last read from.
struct FrameReadBack : MacTest
{
  /// A frame: the controls marked dirty are drawn on a tick of the frame timer, with the renderer held until the
  /// tick is over so that the drawing is not shown in it; once the drawing is presented, a drawable of the value
  /// is, and the next tick reads it back.
  void Frame(std::initializer_list<int> dirty, uint8_t value)
  {
    std::shared_ptr<MTLCommandQueue> queue = mvxGetCommandQueue(static_cast<VXcontext*>(Graphics()->GetDrawContext()));
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto held = queue->commandBuffer();
    held->addCompletedHandler([released](MTLCommandBuffer*) { released.wait(); });
    held->commit();
    for (int idx : dirty)
      Graphics()->GetControl(idx)->SetDirty(false);
    Tick();
    release.set_value();
    auto last = queue->commandBuffer();
    last->commit();
    last->waitUntilCompleted();
    std::shared_ptr<CAMetalDrawable> drawable = MacView().Layer().nextDrawable();
    const int w = static_cast<int>(drawable->texture()->width()), h = static_cast<int>(drawable->texture()->height());
    std::vector<uint8_t> pixels(size_t(w) * size_t(h) * 4, value);
    drawable->texture()->replaceRegion(MTLRegionMake2D(0, 0, w, h), 0, pixels.data(), size_t(w) * 4);
    drawable->present();
    Tick();
  }
  void Tick()
  {
    mClock.Advance(1.0 / 60);
    foundation::RunLoop::Main().RunDueTimers();
  }
  /// The window's pixel (its first byte) at a device pixel.
  uint8_t At(int x, int y) { return View().mFrame[(size_t(y) * size_t(View().mFrameWidth) + size_t(x)) * 4]; }
  void Attach(std::vector<IRECT> rects)
  {
    mDelegate.mLayoutFunc = [rects](IGraphics* g) {
      for (const IRECT& r : rects)
        g->AttachControl(new graphicstest::TestControl(r));
    };
  }
};

// Once the first frames are shown only what was drawn lately is read back, in device pixels: a control in the
// bottom-right corner at backing scale 2 brings its whole corner of the new drawable and nothing else.
TEST_F(FrameReadBack, OnlyTheRegionsDrawnAreReadBackInDevicePixels)
{
  mApp.mBackingScale = 2.0;
  Attach({IRECT(400, 400, 468, 450)});
  Open();
  for (int i = 0; i < 4; ++i) // the first frame is read whole, and regions drawn lately are read again
    Frame({0}, 0x11);
  Frame({0}, 0x22);
  ASSERT_EQ(View().mFrameWidth, 936);
  EXPECT_EQ(At(802, 802), 0x22);
  EXPECT_EQ(At(935, 899), 0x22);
  EXPECT_EQ(At(700, 700), 0x11);
  EXPECT_EQ(At(0, 0), 0x11);
}

// A region drawn once is read back with the frames of as many drawables as the layer rotates, then no more.
TEST_F(FrameReadBack, ARegionIsReadAgainForEachDrawableInTurn)
{
  Attach({IRECT(10, 10, 40, 40), IRECT(300, 300, 340, 340)});
  Open();
  for (int i = 0; i < 4; ++i)
    Frame({}, 0x10);
  Frame({0}, 0x20);
  ASSERT_EQ(At(20, 20), 0x20);
  const uint8_t expected[] = {0x21, 0x22, 0x23, 0x23, 0x23}; // the second control is drawn in each of these
  for (uint8_t i = 0; i < 5; ++i)
  {
    Frame({1}, uint8_t(0x21 + i));
    EXPECT_EQ(At(20, 20), expected[i]) << int(i);
    EXPECT_EQ(At(320, 320), 0x21 + i) << int(i);
  }
}

// A region drawn now beside one drawn a frame earlier is read back although the earlier one covers it on the other
// axis: each pair spans different x and y ranges.
TEST_F(FrameReadBack, ARegionBesideOneDrawnEarlierIsReadBack)
{
  const struct
  {
    IRECT earlier, next;
  } cases[] = {
    {IRECT(100, 0, 400, 450), IRECT(0, 300, 50, 400)},
    {IRECT(0, 150, 300, 350), IRECT(250, 0, 300, 50)},
    {IRECT(0, 0, 50, 450), IRECT(250, 0, 350, 50)},
    {IRECT(0, 150, 450, 200), IRECT(100, 350, 200, 450)},
  };
  std::vector<IRECT> rects;
  for (const auto& c : cases)
    rects.insert(rects.end(), {c.earlier, c.next});
  Attach(rects);
  Open();
  uint8_t value = 0x10;
  for (int i = 0; i < 4; ++i)
  {
    for (int quiet = 0; quiet < 4; ++quiet) // nothing drawn: whole frames, and no region left in the history
      Frame({}, ++value);
    Frame({2 * i}, ++value);
    Frame({2 * i + 1}, ++value);
    const IRECT& next = cases[i].next;
    EXPECT_EQ(At(int(next.mLeft + next.W() / 2), int(next.mTop + next.H() / 2)), value) << i;
  }
}

// A new size on either side alone reads the whole new frame.
TEST_F(FrameReadBack, ANewWidthOrHeightAloneReadsTheWholeFrame)
{
  const std::pair<int, int> sizes[] = {{468, 400}, {400, 450}};
  for (const auto& [w, h] : sizes)
  {
    Attach({IRECT(0, 0, 50, 50)});
    Open();
    for (int i = 0; i < 4; ++i)
      Frame({0}, 0x11);
    Graphics()->Resize(w, h, 1.f);
    Frame({0}, 0x22);
    ASSERT_EQ(View().mFrameWidth, w);
    ASSERT_EQ(View().mFrameHeight, h);
    EXPECT_EQ(At(25, 25), 0x22) << w << "x" << h;
    EXPECT_EQ(At(w - 1, h - 1), 0x22) << w << "x" << h;
    EXPECT_EQ(At(w / 2, h / 2), 0x22) << w << "x" << h;
    mDelegate.CloseWindow();
  }
}

TEST_F(EditorView, CursorKindsFallBackWhenTheSystemLacksThePrivateOnes)
{
  using C = appkit::Cursor;
  Open();
  const std::pair<int, C> withPrivate[] = {{0, C::kArrow}, {1, C::kIBeam}, {2, C::kBusyButClickable},
                                           {4, C::kResizeNorth}, {7, C::kResizeEastWest}, {9, C::kMove},
                                           {11, C::kPointingHand}, {13, C::kHelp}, {99, C::kArrow}};
  for (const auto& [kind, cursor] : withPrivate)
  {
    Graphics()->SetMouseCursor(kind);
    EXPECT_EQ(View().mCursor, cursor) << kind;
  }
  mApp.mHasPrivateCursors = false;
  const std::pair<int, C> without[] = {{2, C::kArrow}, {4, C::kResizeUp}, {5, C::kArrow}, {7, C::kResizeLeftRight},
                                       {8, C::kResizeUpDown}, {12, C::kArrow}, {13, C::kArrow}};
  for (const auto& [kind, cursor] : without)
  {
    Graphics()->SetMouseCursor(kind);
    EXPECT_EQ(View().mCursor, cursor) << kind;
  }
  EXPECT_EQ(Graphics()->SetMouseCursor(0), 13);
}

TEST_F(EditorView, AHiddenLockedPointerGoesBackToWhereItWasHidden)
{
  mDrawScale = 2.f;
  Open();
  mApp.mMouse = {100.6, 1080.0 - 60.4}; // view point (101, 60) once rounded: graphics (50.5, 30)
  Graphics()->HideMouseCursor(true, true);
  EXPECT_TRUE(mApp.mCursorHidden);
  mApp.mMouse = {300.0, 500.0};
  Event drag;
  drag.type = EventType::kLeftMouseDragged;
  drag.locationInView = {300.0, 580.0};
  mApp.Deliver(View(), drag);
  ASSERT_EQ(mApp.mWarps.size(), 1u);
  EXPECT_EQ(mApp.mWarps[0].x, 101.0);
  EXPECT_EQ(mApp.mWarps[0].y, 60.0);
  EXPECT_EQ(mApp.MouseLocation().x, 101.0); // and the pointer is there, counted from the screen's bottom
  EXPECT_EQ(mApp.MouseLocation().y, 1080.0 - 60.0);
  Graphics()->HideMouseCursor(false, false);
  EXPECT_FALSE(mApp.mCursorHidden);
  EXPECT_EQ(mApp.mWarps.size(), 1u); // showing does not move the pointer
  Graphics()->HideMouseCursor(true, false); // hidden but free: a drag moves it as usual
  mApp.Deliver(View(), drag);
  EXPECT_EQ(mApp.mWarps.size(), 1u);
  Graphics()->HideMouseCursor(false, false);
  // A pen on a tablet points where it is: its pointer is neither held in place nor moved.
  drag.subtype = appkit::kEventSubtypeTabletPoint;
  mApp.Deliver(View(), drag);
  Graphics()->HideMouseCursor(true, true);
  mApp.Deliver(View(), drag);
  Graphics()->MoveMouseCursor(5.f, 5.f);
  EXPECT_EQ(mApp.mWarps.size(), 1u);
  Graphics()->HideMouseCursor(false, false);
}

TEST_F(EditorView, KeysTheEditorDoesNotTakeGoBackToTheHostWindow)
{
  Open();
  Event key;
  key.type = EventType::kKeyDown;
  key.charactersIgnoringModifiers.push_back(U'q');
  EXPECT_FALSE(mApp.Deliver(View(), key));
  EXPECT_EQ(View().mKeysPassedOn.size(), 1u);
}

TEST_F(EditorView, ToolTipsFollowTheVisibleControlsWhenEnabled)
{
  mDelegate.mLayoutFunc = [](IGraphics* g) {
    g->AttachControl(new graphicstest::TestControl(IRECT(0, 0, 10, 10)));
    g->AttachControl(new graphicstest::TestControl(IRECT(20, 0, 30, 10)));
    g->AttachControl(new graphicstest::TestControl(IRECT()));
    g->GetControl(1)->SetHidden(true);
    g->AttachControl(new graphicstest::TestControl(IRECT(100, 200, 160, 230))); // drawn wider than it is hit
    g->GetControl(3)->SetHitRECT(IRECT(110, 205, 130, 225));
  };
  Open();
  EXPECT_TRUE(View().mToolTips.empty());
  Graphics()->EnableTooltips(true);
  Graphics()->UpdateTooltips();
  ASSERT_EQ(View().mToolTips.size(), 2u);
  EXPECT_EQ(View().mToolTips[0].size.width, 10.0);
  const appkit::Rect& hit = View().mToolTips[1];
  EXPECT_EQ(std::make_tuple(hit.origin.x, hit.origin.y, hit.size.width, hit.size.height),
            std::make_tuple(110.0, 205.0, 20.0, 20.0));
}

TEST_F(EditorView, ToolTipAreasAndPointerPositionsFollowTheDrawScale)
{
  /// Records where presses arrive.
  struct Target : graphicstest::TestControl
  {
    using TestControl::TestControl;
    void OnMouseDown(float x, float y, const IMouseMod&) override { mAt = {x, y}; }
    std::pair<float, float> mAt{-1.f, -1.f};
  };
  Target* small = nullptr;
  Target* wide = nullptr;
  mDrawScale = 1.5f;
  mDelegate.mLayoutFunc = [&](IGraphics* g) {
    g->AttachControl(new graphicstest::TestControl(IRECT())); // the background, never hovered
    small = static_cast<Target*>(g->AttachControl(new Target(IRECT(10.3f, 20.6f, 30.2f, 40.1f))));
    wide = static_cast<Target*>(g->AttachControl(new Target(IRECT(100, 100, 300, 120))));
    small->SetTooltip("small");
    wide->SetTooltip("wide");
  };
  Open();
  Graphics()->EnableTooltips(true);
  struct Case
  {
    float scale;
    appkit::Rect small; // the first control's area in view points, rounded outwards
  } cases[] = {{1.5f, appkit::Rect(15, 30, 46 - 15, 61 - 30)}, {2.f, appkit::Rect(20, 41, 61 - 20, 81 - 41)}};
  for (const Case& k : cases)
  {
    Graphics()->Resize(468, 450, k.scale);
    Graphics()->UpdateTooltips();
    ASSERT_EQ(View().mToolTips.size(), 2u) << k.scale;
    const appkit::Rect& a = View().mToolTips[0];
    EXPECT_EQ(a.origin.x, k.small.origin.x) << k.scale;
    EXPECT_EQ(a.origin.y, k.small.origin.y) << k.scale;
    EXPECT_EQ(a.size.width, k.small.size.width) << k.scale;
    EXPECT_EQ(a.size.height, k.small.size.height) << k.scale;
    const appkit::Rect& b = View().mToolTips[1];
    EXPECT_EQ(b.origin.x, 100 * k.scale) << k.scale;
    EXPECT_EQ(b.size.width, 200 * k.scale) << k.scale;
    EXPECT_EQ(b.size.height, 20 * k.scale) << k.scale;

    // A point of the view is the editor point times the scale: hover picks the tooltip, presses land there.
    Event e;
    e.type = EventType::kMouseMoved;
    for (const auto& [x, y, tip] : {std::make_tuple(250.f, 110.f, "wide"), std::make_tuple(20.f, 30.f, "small"),
                                    std::make_tuple(50.f, 50.f, "")})
    {
      e.locationInView = {x * k.scale, y * k.scale};
      mApp.Deliver(View(), e);
      EXPECT_EQ(MacView().ToolTipAt(e.locationInView), tip) << k.scale << " at " << x;
    }
    e.type = EventType::kLeftMouseDown;
    e.locationInView = {280 * k.scale, 105 * k.scale};
    mApp.Deliver(View(), e);
    EXPECT_FLOAT_EQ(wide->mAt.first, 280.f) << k.scale;
    EXPECT_FLOAT_EQ(wide->mAt.second, 105.f) << k.scale;
    EXPECT_EQ(small->mAt.first, -1.f) << k.scale;
    e.type = EventType::kLeftMouseUp;
    mApp.Deliver(View(), e);
  }
}

TEST_F(EditorView, ClosingAClosedEditorAgainChangesNothing)
{
  Open();
  Graphics()->CloseWindow();
  EXPECT_EQ(Graphics()->GetWindow(), nullptr);
  Graphics()->CloseWindow(); // the view is gone already
  EXPECT_EQ(mApp.Views().size(), 0u);
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), 0u);
  mDelegate.CloseWindow();
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  const int closes = mDelegate.mUICloses;
  mDelegate.CloseWindow(); // a host closing again
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_EQ(IGraphicsMac::LiveCount(), 0);
  EXPECT_GE(mDelegate.mUICloses, closes);
  ASSERT_NE(Open(), nullptr); // and it opens again
  EXPECT_EQ(mApp.Views().size(), 1u);
  EXPECT_EQ(foundation::RunLoop::Main().TimerCount(), 1u);
}

/// A responder for views the test makes itself.
struct NoResponses final : appkit::ViewResponder
{
  bool SendEvent(const Event&) override { return false; }
  bool DraggingEntered(const std::vector<std::string>&) override { return false; }
  bool PerformDragOperation(const std::vector<std::string>&, appkit::Point) override { return false; }
  std::string ToolTipAt(appkit::Point) override { return ""; }
  void ViewDidChangeBackingScale(double) override {}
  void ViewWindowDestroyed() override {}
};

TEST_F(EditorView, AHostMadeViewIsPlacedOverTheEditorAndRemovedAgain)
{
  mDrawScale = 2.f;
  NoResponses responder;
  std::unique_ptr<appkit::View> child = mApp.CreateView(responder, appkit::Rect());
  auto* shown = static_cast<appkit::HeadlessView*>(child.get());
  Open();
  Graphics()->AttachPlatformView(IRECT(10.3f, 20.6f, 30.2f, 40.1f), child.get());
  EXPECT_EQ(shown->mParent, &View());
  EXPECT_EQ(child->Frame().origin.x, 20.0);
  EXPECT_EQ(child->Frame().origin.y, 41.0);
  EXPECT_EQ(child->Frame().size.width, 41.0);
  EXPECT_EQ(child->Frame().size.height, 40.0);
  Graphics()->RemovePlatformView(child.get());
  EXPECT_FALSE(child->HasWindow());
  Graphics()->RemovePlatformView(nullptr);
  Graphics()->AttachPlatformView(IRECT(0, 0, 1, 1), nullptr);
}

TEST_F(EditorView, GraphicsAndScreenPointsConvertBothWaysAndTheVersionFollowsTheViewSystem)
{
  mDrawScale = 2.f;
  Open();
  const appkit::Point onScreen = Graphics()->GraphicsToScreen(10.f, 20.f);
  EXPECT_EQ(onScreen.x, 20.0); // the headless screen: view points with y counted from the bottom
  EXPECT_EQ(onScreen.y, mApp.mScreenHeight - 40.0);
  float x = 0, y = 0;
  Graphics()->ScreenToGraphics(onScreen, x, y);
  EXPECT_EQ(x, 10.f);
  EXPECT_EQ(y, 20.f);
  Graphics()->WarpCursor(onScreen);
  ASSERT_EQ(mApp.mWarps.size(), 1u);
  EXPECT_EQ(mApp.mWarps[0].y, 40.0); // warps count from the top
  const std::pair<double, int> versions[] = {{1265.9, 0x1095}, {1266.0, 0x10A0}, {1403.9, 0x10A0}, {1404.0, 0x10B0}};
  for (const auto& [appKit, expected] : versions)
    EXPECT_EQ(IGraphicsMac::SystemVersionFor(appKit, 0x1095), expected) << appKit;
  EXPECT_EQ(IGraphicsMac::GetSystemVersion(), 0x10B0);
}

} // namespace
} // namespace mactest
