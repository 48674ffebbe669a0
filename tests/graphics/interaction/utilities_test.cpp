// Drawing helpers as the back end sees them (which part of a bitmap each frame and each bitmap-font character
// comes from), value bubbles that only use this context's bubbles, keyboard MIDI and gesture kinds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "fake_platform.h"
#include "graphics/overlay/OverlayControls.h"
#include "test_controls.h"
#include "test_delegate.h"

using namespace graphicstest;

namespace {

using Sources = std::vector<std::pair<int, int>>;

struct UtilitiesTest : ::testing::Test
{
  TestDelegate delegate;
  FakePlatformGraphics g{delegate, 100, 100};
  std::vector<std::unique_ptr<RecordedBitmap>> images;

  IBitmap Bitmap(int w, int h, int frames, bool horizontal = false)
  {
    images.push_back(std::make_unique<RecordedBitmap>(w, h, 1, 1.f, "font"));
    return IBitmap(images.back().get(), frames, horizontal, "font");
  }
  /// The source offsets of the bitmap drawing calls.
  Sources Drawn() const
  {
    Sources s;
    for (const DrawOp& op : g.mOps)
      if (op.mName == "DrawBitmap")
        s.push_back({int(op.mArgs[0]), int(op.mArgs[1])});
    return s;
  }
};

} // namespace

TEST_F(UtilitiesTest, BitmapFramesAreClampedToTheBitmapsFrames)
{
  const IBitmap stacked = Bitmap(10, 40, 4);
  for (int frame : {-3, 0, 2, 4, 9})
    g.DrawBitmapFrame(stacked, IRECT(), frame);
  g.DrawBitmapFrame(Bitmap(40, 10, 4, true), IRECT(), 3);
  g.DrawBitmapFrame(Bitmap(10, 10, 1), IRECT(), 5);
  EXPECT_EQ(Drawn(), (Sources{{0, 0}, {0, 0}, {0, 10}, {0, 30}, {0, 30}, {20, 0}, {0, 0}}));
}

TEST_F(UtilitiesTest, BitmapTextTakesOneFramePerCharacterFromTheBlankOn)
{
  IText left;
  left.mHAlign = 0;
  g.DrawBitmapText(Bitmap(6, 96 * 12, 96), IRECT(0.f, 0.f, 60.f, 12.f), left, nullptr, "AB\x01", false, false, 6, 12, 1);
  EXPECT_EQ(Drawn(), (Sources{{0, 33 * 12}, {0, 34 * 12}, {0, 0}})) << "frames 34, 35 and the blank";
  EXPECT_EQ(g.mOps[1].mRect, IRECT(7.f, 0.f, 13.f, 12.f));

  // Several lines: as many characters on each as fit whole, and as many lines as the text's width needs.
  g.mOps.clear();
  g.DrawBitmapText(Bitmap(6, 96 * 12, 96), IRECT(0.f, 0.f, 14.f, 12.f), left, nullptr, "ABCDEFGHIJ", false, true, 6,
                   12, 0);
  std::vector<IRECT> places;
  for (const DrawOp& op : g.mOps)
    places.push_back(op.mRect);
  std::vector<IRECT> want;
  for (int i = 0; i < 10; ++i) // 60 wide in 14: five lines of two
  {
    const float x = float(i % 2) * 6.f, y = float(i / 2) * 12.f;
    want.push_back(IRECT(x, y, x + 6.f, y + 12.f));
  }
  EXPECT_EQ(places, want);
  g.mOps.clear();
  g.DrawBitmapText(Bitmap(6, 96 * 12, 96), IRECT(0.f, 0.f, 10.f, 12.f), left, nullptr, "ABCDEFGHIJ", false, true, 6,
                   12, 0);
  EXPECT_EQ(g.mOps.size(), 7u) << "60 wide in 10 needs seven lines, of one character each";
  // Left out, characters are 6 x 12 with no gap, centred vertically.
  g.mOps.clear();
  g.DrawBitmapText(Bitmap(6, 96 * 12, 96), IRECT(0.f, 0.f, 60.f, 20.f), left, nullptr, "AB");
  ASSERT_EQ(g.mOps.size(), 2u);
  EXPECT_EQ(g.mOps[1].mRect, IRECT(6.f, 4.f, 12.f, 16.f));
}

TEST_F(UtilitiesTest, NothingToDrawFromOrIntoDrawsNothing)
{
  const IBitmap font = Bitmap(6, 96 * 12, 96);
  for (auto [width, charWidth] : {std::pair{60.f, 0}, {60.f, -6}, {0.f, 6}})
    g.DrawBitmapText(font, IRECT(0.f, 0.f, width, 12.f), IText(), nullptr, "AB", false, true, charWidth, 12, 0);
  g.DrawBitmapText(IBitmap(), IRECT(0.f, 0.f, 60.f, 12.f), IText(), nullptr, "AB", false, false, 6, 12, 0);
  g.DrawBitmapFrame(IBitmap(), IRECT(0.f, 0.f, 6.f, 12.f), 2);
  EXPECT_TRUE(g.mOps.empty());
  EXPECT_FALSE(g.RescaleBitmap(IBitmap()).IsValid());
  const IBitmap none;
  EXPECT_EQ((std::vector<int>{none.W(), none.H(), none.N(), none.GetScale()}), (std::vector<int>{0, 0, 1, 1}));
}

TEST_F(UtilitiesTest, LinesAtAFractionOfABoxOrAnAngleFromACentre)
{
  const IRECT box(10.f, 20.f, 110.f, 70.f);
  g.DrawVerticalLine(kColorBlack, box, 0.255f); // whole points in from the left
  g.DrawVerticalLine(kColorBlack, box, 1.5f);
  g.DrawHorizontalLine(kColorBlack, box, 0.2f); // from the bottom
  g.DrawHorizontalLine(kColorBlack, box, -1.f);
  // Degrees clockwise from straight up, from the inner radius to the outer.
  for (float angle : {0.f, 90.f, 180.f, 270.f})
    g.DrawRadialLine(kColorBlack, 50.f, 50.f, angle, 10.f, 30.f);
  const std::vector<IRECT> want = {{35, 20, 35, 70},  {110, 20, 110, 70}, {10, 60, 110, 60}, {10, 70, 110, 70},
                                   {50, 40, 50, 20},  {60, 50, 80, 50},   {50, 60, 50, 80},  {40, 50, 20, 50}};
  ASSERT_EQ(g.mOps.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i)
  {
    const IRECT& r = g.mOps[i].mRect;
    EXPECT_NEAR(r.mLeft, want[i].mLeft, 1e-4f) << i;
    EXPECT_NEAR(r.mTop, want[i].mTop, 1e-4f) << i;
    EXPECT_NEAR(r.mRight, want[i].mRight, 1e-4f) << i;
    EXPECT_NEAR(r.mBottom, want[i].mBottom, 1e-4f) << i;
  }
  // A grid: vertical lines from the left, horizontal ones from the bottom, none on the edges.
  g.mOps.clear();
  g.DrawGrid(kColorBlack, IRECT(0.f, 0.f, 100.f, 60.f), 40.f, 25.f);
  g.DrawGrid(kColorBlack, IRECT(0.f, 0.f, 100.f, 60.f), 1.f, 0.5f);
  const std::vector<IRECT> grid = {{40, 0, 40, 60}, {80, 0, 80, 60}, {0, 35, 100, 35}, {0, 10, 100, 10}};
  ASSERT_EQ(g.mOps.size(), grid.size());
  for (size_t i = 0; i < grid.size(); ++i)
  {
    EXPECT_NEAR(g.mOps[i].mRect.mLeft, grid[i].mLeft, 1e-4f) << i;
    EXPECT_NEAR(g.mOps[i].mRect.mTop, grid[i].mTop, 1e-4f) << i;
    EXPECT_NEAR(g.mOps[i].mRect.mRight, grid[i].mRight, 1e-4f) << i;
    EXPECT_NEAR(g.mOps[i].mRect.mBottom, grid[i].mBottom, 1e-4f) << i;
  }
  g.mOps.clear();
  g.PathRadialLine(50.f, 50.f, 135.f, 10.f, 30.f);
  ASSERT_EQ(g.mOps.size(), 2u);
  const float d = std::sqrt(0.5f);
  for (size_t i = 0; i < 2; ++i)
  {
    EXPECT_NEAR(g.mOps[i].mRect.mLeft, 50.f + (i ? 30.f : 10.f) * d, 1e-4f) << i;
    EXPECT_NEAR(g.mOps[i].mRect.mTop, 50.f + (i ? 30.f : 10.f) * d, 1e-4f) << i;
  }
}

TEST_F(UtilitiesTest, ParameterNamesBecomeTheToolTipsOfTheControlsBoundToThem)
{
  IControl* bound = g.AttachControl(new TestControl(IRECT(), 2));
  IControl* free = g.AttachControl(new TestControl(IRECT()));
  free->SetTooltip("own");
  g.AssignParamNameToolTips();
  EXPECT_STREQ(bound->GetTooltip(), "p2");
  EXPECT_STREQ(free->GetTooltip(), "own");
}

TEST_F(UtilitiesTest, BubblesAreShownOnlyInBubblesOfThisContext)
{
  IControl* caller = g.AttachControl(new TestControl(IRECT(40.f, 40.f, 60.f, 60.f)));
  g.ShowBubble(caller, 60.f, 50.f, "0.5", kHorizontal, IRECT()); // no bubble: nothing happens
  // A context with three bubbles moves the shared counter on to its third one.
  TestDelegate d;
  FakePlatformGraphics many(d, 100, 100);
  IControl* other = many.AttachControl(new TestControl(IRECT(0.f, 0.f, 10.f, 10.f)));
  many.EnableMultiTouch(true);
  for (uint64_t touch : {1u, 2u, 3u})
  {
    many.AttachBubbleControl();
    many.Capture(other, touch);
    many.ShowBubble(other, 5.f, 5.f, "x", kHorizontal, IRECT());
    many.ReleaseMouseCapture();
  }
  g.AttachBubbleControl();
  g.EnableMultiTouch(true);
  g.Capture(caller, 7);
  g.ShowBubble(caller, 60.f, 50.f, "0.5", kHorizontal, IRECT());
  EXPECT_EQ(g.GetBubbleControl(0)->GetTouchId(), 7u);
  EXPECT_STREQ(g.GetBubbleControl(0)->GetString(), "0.5");
}

// The stock bubble actions show the parameter's value with its unit after a blank (none without a unit, nothing
// without a parameter), beside the control's right edge or above its top, centred on it.
TEST_F(UtilitiesTest, BubbleActionsShowTheValueAndUnitBesideOrAboveTheControl)
{
  TestDelegate d;
  d.GetParam(0)->InitDouble("Cutoff", 0.0, 0.0, 1.0, 0.01, "Hz");
  FakePlatformGraphics big(d, 400, 300);
  big.AttachBubbleControl();
  IBubbleControl& bubble = *big.GetBubbleControl(0);
  struct Case
  {
    int param;
    IActionFn action;
    const char* text;
    int arrowSide;
  };
  const Case cases[] = {{0, IControl::ActionFuncBubbleBeside, "0.25 Hz", 3},
                        {1, IControl::ActionFuncBubbleAbove, "0.250", 2},
                        {-1, IControl::ActionFuncBubbleBeside, "", 3}};
  for (const Case& c : cases)
  {
    IControl* knob = big.AttachControl(new TestControl(IRECT(100.f, 100.f, 140.f, 160.f), c.param));
    knob->SetActionFunction(c.action);
    knob->SetValue(0.25);
    knob->SetDirty(true); // as an edit does: the value goes to the parameter, then the action runs
    EXPECT_EQ(bubble.GetCaller(), knob);
    EXPECT_STREQ(bubble.GetString(), c.text);
    EXPECT_EQ(bubble.GetArrowDirection(), c.arrowSide);
    const IRECT& box = bubble.GetBubbleBounds();
    if (c.arrowSide == 3)
    {
      EXPECT_EQ(box.mLeft, 140.f);
      EXPECT_EQ(box.CentreY(), 130.f);
    }
    else
    {
      EXPECT_EQ(box.mBottom, 100.f);
      EXPECT_EQ(box.CentreX(), 120.f);
    }
  }
}

TEST_F(UtilitiesTest, ATouchKeepsItsBubbleWhileAnotherTouchHasTheOther)
{
  g.EnableMultiTouch(true);
  g.AttachBubbleControl();
  g.AttachBubbleControl();
  IControl* first = g.AttachControl(new TestControl(IRECT(0.f, 0.f, 10.f, 10.f)));
  IControl* second = g.AttachControl(new TestControl(IRECT(20.f, 0.f, 30.f, 10.f)));
  auto show = [&](IControl* c, uint64_t touch, const char* text) {
    g.Capture(c, touch);
    g.ShowBubble(c, 5.f, 5.f, text, kHorizontal, IRECT());
    g.ReleaseMouseCapture();
  };
  show(first, 1, "a");
  show(second, 2, "b");
  show(first, 1, "c");
  std::vector<std::pair<uint64_t, std::string>> bubbles;
  for (int i = 0; i < 2; ++i)
    bubbles.push_back({g.GetBubbleControl(i)->GetTouchId(), g.GetBubbleControl(i)->GetString()});
  std::sort(bubbles.begin(), bubbles.end());
  EXPECT_EQ(bubbles, (std::vector<std::pair<uint64_t, std::string>>{{1, "c"}, {2, "b"}}));
}

TEST_F(UtilitiesTest, KeyboardNotesSoundOnceAndOctavesStopAtTheirLimits)
{
  std::vector<std::string> sent;
  g.SetQwertyMidiKeyHandlerFunc([&](const plug::IMidiMsg& m) {
    sent.push_back(std::string(m.mStatus == 0x90 ? "on " : m.mStatus == 0x80 ? "off " : "? ") +
                   std::to_string(m.mData1) + " " + std::to_string(m.mData2));
  });
  auto play = [&](const std::string& keys) {
    for (char k : keys)
      EXPECT_TRUE(g.OnKeyDown(50.f, 50.f, plug::IKeyPress(std::string(1, k).c_str(), k)));
  };
  play("ZZZZZZZZXX"); // the octave is shared by the process: start from the initial one
  sent.clear();
  play("AAXXXXXXLZZZZZZZZAQ");
  EXPECT_EQ(sent, (std::vector<std::string>{"on 48 127", "off 48 0", "on 110 127", "off 110 0", "on 24 127"}));
}

// A released key ends its note once; the release of a note an octave change already ended, or of a key never
// pressed, sends nothing.
TEST_F(UtilitiesTest, KeyboardReleasesEndEachNoteOnce)
{
  std::vector<std::string> sent;
  g.SetQwertyMidiKeyHandlerFunc([&](const plug::IMidiMsg& m) {
    sent.push_back(std::string(m.mStatus == 0x90 ? "on " : m.mStatus == 0x80 ? "off " : "? ") +
                   std::to_string(m.mData1) + " " + std::to_string(m.mData2));
  });
  auto key = [&](char k, bool up) {
    const plug::IKeyPress press(std::string(1, k).c_str(), k);
    EXPECT_TRUE(up ? g.OnKeyUp(50.f, 50.f, press) : g.OnKeyDown(50.f, 50.f, press));
  };
  for (char k : std::string("ZZZZZZZZXX")) // the octave is shared by the process: start from the initial one
    key(k, false);
  sent.clear();
  // Octave keys act on their press only: after X, Z's release and press, A plays the initial octave again.
  const std::pair<char, bool> script[] = {{'A', false}, {'A', true},  {'A', true}, {'S', true},  {'W', false},
                                          {'X', false}, {'W', true},  {'W', false}, {'W', true}, {'Z', true},
                                          {'Z', false}, {'A', false}, {'A', true}};
  for (auto [k, up] : script)
    key(k, up);
  EXPECT_EQ(sent, (std::vector<std::string>{"on 48 127", "off 48 0", "on 49 127", "off 49 0", "on 61 127",
                                            "off 61 0", "on 48 127", "off 48 0"}));
}

TEST_F(UtilitiesTest, GestureKindsAreRegisteredOnce)
{
  for (EGestureType kind : {kGesturePinch, kGesturePinch, kGestureTap})
    g.AddGestureType(kind);
  EXPECT_EQ(g.GetGestureKinds(), (std::vector<EGestureType>{kGesturePinch, kGestureTap}));
}

TEST_F(UtilitiesTest, GesturesGoToAControlWithGestureFunctionsElseToTheFirstRegionUnderThem)
{
  std::vector<std::string> heard;
  IControl* tappable = g.AttachControl(new TestControl(IRECT(0.f, 0.f, 40.f, 40.f)));
  tappable->AttachGestureFn(kGestureTap, [&](IControl* c, const IGestureInfo& info) {
    heard.push_back(c == tappable ? "control" : "?");
  });
  IControl* plain = g.AttachControl(new TestControl(IRECT(50.f, 0.f, 90.f, 40.f)));
  auto region = [&](const char* name) {
    return [&heard, plain, tappable, name](IControl* c, const IGestureInfo&) {
      const char* over = c == plain ? " over the plain control" : c == tappable ? " over the other" : "";
      heard.push_back(std::string(name) + over);
    };
  };
  g.AttachGestureRecognizerToRegion(IRECT(50.f, 0.f, 100.f, 50.f), kGestureTap, region("first"));
  g.AttachGestureRecognizerToRegion(IRECT(0.f, 30.f, 100.f, 100.f), kGestureTap, region("second"));
  auto tap = [&](float x, float y) {
    IGestureInfo info;
    info.x = x, info.y = y, info.type = kGestureTap;
    const bool responds = g.RespondsToGesture(x, y);
    const size_t before = heard.size();
    g.OnGestureRecognized(info);
    EXPECT_EQ(responds, heard.size() > before) << x << "," << y;
    return heard.size() > before ? heard.back() : std::string();
  };
  EXPECT_EQ(tap(20.f, 35.f), "control");
  EXPECT_EQ(tap(70.f, 35.f), "first over the plain control");
  EXPECT_EQ(tap(20.f, 60.f), "second");
  EXPECT_EQ(tap(99.9f, 99.9f), "second");
  EXPECT_EQ(tap(100.f, 100.f), "");
  tappable->SetAnimation([](IControl*) {}); // an animated control lets gestures through to the regions
  EXPECT_EQ(tap(20.f, 35.f), "second over the other");
  EXPECT_EQ(tap(20.f, 20.f), "");
  g.ClearGestureRegions();
  EXPECT_EQ(tap(70.f, 35.f), "");
  g.AttachGestureRecognizerToRegion(IRECT(0.f, 0.f, 100.f, 100.f), kGestureTap, nullptr);
  IGestureInfo info;
  info.x = 70.f, info.y = 35.f, info.type = kGestureTap;
  EXPECT_NO_THROW(g.OnGestureRecognized(info)) << "a region without a function takes the gesture quietly";
}
