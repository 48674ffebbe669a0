#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "fake_platform.h"
#include "graphics/overlay/OverlayControls.h"
#include "test_controls.h"
#include "test_delegate.h"

using namespace graphicstest;

namespace {

struct Context : ::testing::Test
{
  TestDelegate mDelegate{4};
  std::unique_ptr<FakePlatformGraphics> mG{new FakePlatformGraphics(mDelegate, 400, 300)};

  TestControl* Add(int tag = -1, int param = -1)
  {
    return static_cast<TestControl*>(mG->AttachControl(new TestControl(IRECT(0, 0, 10, 10), param), tag));
  }
};

} // namespace

TEST_F(Context, ConstructorFallsBackOnBadFrameRatesAndScales)
{
  EXPECT_EQ(mG->FPS(), 60);
  for (float bad : {0.f, -2.f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
  {
    FakePlatformGraphics g(mDelegate, 100, 100, 0, bad);
    EXPECT_EQ(g.FPS(), IGraphics::kDefaultFPS);
    EXPECT_EQ(g.GetDrawScale(), 1.f);
  }
}

TEST_F(Context, AttachListsInOrderWithTagsAndRunsTheHooks)
{
  TestControl* a = Add(0);
  TestControl* b = Add(-1);
  TestControl* dup = new TestControl(IRECT());
  EXPECT_EQ(mG->AttachControl(dup, 0), nullptr); // refused, still the caller's
  delete dup;
  TestControl* c = static_cast<TestControl*>(mG->AttachControl(new TestControl(IRECT()), 5, nullptr));
  ASSERT_EQ(mG->NControls(), 3);
  EXPECT_EQ(mG->GetControl(0), a);
  EXPECT_EQ(mG->GetControl(2), c);
  EXPECT_EQ(mG->GetControlByTag(0), a);
  EXPECT_EQ(mG->GetControlByTag(5), c);
  EXPECT_EQ(mG->GetControlByTag(-1), nullptr);
  EXPECT_EQ(mG->GetControlByTag(77), nullptr);
  EXPECT_EQ(b->mCalls, (std::vector<std::string>{"init", "resize", "rescale", "attached"}));
  EXPECT_EQ(b->GetUI(), mG.get());
  EXPECT_EQ(b->GetDelegate(), &mDelegate);
  EXPECT_STREQ(c->GetGroup(), "");
}

TEST_F(Context, RemovingAControlClearsEveryReferenceToItAndEndsItsGestures)
{
  TestControl* keep = Add(-1, 0);
  TestControl* gone = Add(3, 1);
  bool deleted = false;
  gone->mDeleted = &deleted;
  mG->Capture(gone);
  mG->BeginParamGestures(*gone);
  mG->SetHover(gone, 1);
  mG->SetPopupRequester(gone);
  mG->SetTextEntryRequester(gone);
  mG->RemoveControl(gone);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(mG->NControls(), 1);
  EXPECT_EQ(mG->NCaptures(), 0);
  EXPECT_EQ(mG->GetMouseOverControl(), nullptr);
  EXPECT_EQ(mG->GetMouseOverIdx(), -1);
  EXPECT_EQ(mG->GetPopupRequester(), nullptr);
  EXPECT_EQ(mG->GetTextEntryRequester(), nullptr);
  EXPECT_EQ(mG->GetControlByTag(3), nullptr);
  EXPECT_EQ(mDelegate.Count("end 1"), 1);
  EXPECT_EQ(mG->NOpenGestures(), 0);

  // A control that is not listed is not deleted.
  TestControl stranger{IRECT()};
  mG->RemoveControl(&stranger);
  EXPECT_EQ(mG->NControls(), 1);
  EXPECT_EQ(mG->GetControl(0), keep);

  // The hovered control stays hovered while controls before and after it go.
  TestControl* middle = Add(-1, 0);
  TestControl* hovered = Add(-1, 0);
  TestControl* last = Add(-1, 0);
  mG->SetHover(hovered, 2);
  for (TestControl* other : {last, middle, keep})
  {
    mG->RemoveControl(other);
    EXPECT_EQ(mG->GetMouseOverControl(), hovered);
    EXPECT_EQ(mG->GetControl(mG->GetMouseOverIdx()), hovered);
  }
}

TEST_F(Context, RemovingByTagLeavesTheControlAliveButForgetsIt)
{
  Add(-1);
  TestControl* tagged = Add(9, 2);
  bool deleted = false;
  tagged->mDeleted = &deleted;
  mG->Capture(tagged, 4);
  mG->SetHover(tagged, 1);
  mG->SetPopupRequester(tagged);
  mG->RemoveControlWithTag(9);
  EXPECT_FALSE(deleted);
  EXPECT_EQ(mG->NControls(), 1);
  EXPECT_EQ(mG->GetControlByTag(9), nullptr);
  EXPECT_EQ(mG->NCaptures(), 0);
  EXPECT_EQ(mG->GetMouseOverControl(), nullptr);
  EXPECT_EQ(mG->GetPopupRequester(), nullptr);
  tagged->mDeleted = nullptr;
  delete tagged;
}

TEST_F(Context, AControlsIndexIsItsPlaceInTheListAndMinusOneWhenItIsNotListed)
{
  TestControl* first = Add(1);
  TestControl* second = Add(2);
  TestControl* third = Add(3);
  EXPECT_EQ(mG->GetControlIdx(first), 0);
  EXPECT_EQ(mG->GetControlIdx(second), 1);
  EXPECT_EQ(mG->GetControlIdx(third), 2);

  TestControl never(IRECT(0, 0, 10, 10));
  mG->AttachPopupMenuControl();
  EXPECT_EQ(mG->GetControlIdx(nullptr), -1);
  EXPECT_EQ(mG->GetControlIdx(&never), -1);
  EXPECT_EQ(mG->GetControlIdx(mG->GetPopupMenuControl()), -1) << "special controls are kept apart from the list";

  mG->RemoveControlWithTag(2); // still alive, no longer listed
  EXPECT_EQ(mG->GetControlIdx(second), -1);
  EXPECT_EQ(mG->GetControlIdx(third), 1);
  delete second;
}

TEST_F(Context, RemovingControlsFromAnIndexKeepsTheOnesBeforeIt)
{
  for (const auto& [from, left] : std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {-4, 0}})
  {
    mG->RemoveAllControls();
    TestControl* first = Add();
    Add(), Add();
    mG->RemoveControls(from);
    EXPECT_EQ(mG->NControls(), left) << "from " << from;
    EXPECT_EQ(mG->GetControl(0), left > 0 ? first : nullptr);
  }
}

TEST_F(Context, RemovingAllControlsForgetsTheRequesters)
{
  TestControl* c = Add(-1, 0);
  bool deleted = false;
  c->mDeleted = &deleted;
  mG->SetPopupRequester(c);
  mG->SetTextEntryRequester(c);
  mG->Capture(c);
  mG->BeginParamGestures(*c);
  mG->RemoveAllControls();
  EXPECT_TRUE(deleted) << "the editor owns its listed controls";
  EXPECT_EQ(mG->NControls(), 0);
  EXPECT_EQ(mG->GetPopupRequester(), nullptr);
  EXPECT_EQ(mG->GetTextEntryRequester(), nullptr);
  EXPECT_EQ(mG->NCaptures(), 0);
  EXPECT_EQ(mDelegate.Count("end 0"), 1);
}

TEST_F(Context, RemovingASpecialControlDropsCapturesAndHoverOnIt)
{
  mG->AttachPopupMenuControl();
  mG->AttachTextEntryControl();
  mG->ShowFPSDisplay(true);
  for (IControl* special : {static_cast<IControl*>(mG->GetPopupMenuControl()),
                            static_cast<IControl*>(mG->GetTextEntryControl()),
                            static_cast<IControl*>(mG->GetFPSDisplay())})
  {
    mG->Capture(special);
    mG->SetHover(special, -1);
  }
  mG->Capture(mG->GetPopupMenuControl(), 1);
  mG->RemovePopupMenuControl();
  EXPECT_EQ(mG->GetPopupMenuControl(), nullptr);
  EXPECT_NE(mG->GetCapturedControl(0), nullptr); // the FPS display's capture stays
  EXPECT_EQ(mG->GetCapturedControl(1), nullptr);
  mG->ShowFPSDisplay(false);
  EXPECT_EQ(mG->NCaptures(), 0);
  EXPECT_EQ(mG->GetMouseOverControl(), nullptr);
  mG->Capture(mG->GetTextEntryControl());
  mG->SetHover(mG->GetTextEntryControl(), -1);
  mG->RemoveTextEntryControl();
  EXPECT_EQ(mG->NCaptures(), 0);
  EXPECT_EQ(mG->GetMouseOverControl(), nullptr);
}

TEST_F(Context, TurningTheFrameTimeDisplayOffStartsHoverAfresh)
{
  TestControl* c = Add();
  mG->ShowFPSDisplay(true);
  mG->SetHover(c, 0);
  mG->ShowFPSDisplay(false);
  EXPECT_EQ(mG->GetMouseOverControl(), nullptr);
  EXPECT_EQ(mG->GetMouseOverIdx(), -1);
}

TEST_F(Context, APanelTakesTheMouseUnlessItIsTheBackground)
{
  IControl* panel = mG->AttachControl(new IPanelControl(IRECT(0, 0, 10, 10), IColor(255, 1, 2, 3)));
  EXPECT_FALSE(panel->GetIgnoreMouse());
  mG->AttachPanelBackground(IPaintPattern(IColor(255, 1, 2, 3)));
  EXPECT_TRUE(mG->GetControl(0)->GetIgnoreMouse());
}

// A background attached after the controls goes beneath them, and the control under the pointer stays hovered.
TEST_F(Context, ABackgroundAttachedLaterGoesBeneathAndHoverStaysOnItsControl)
{
  Add();
  TestControl* hovered = Add();
  mG->SetHover(hovered, 1);
  mG->AttachPanelBackground(IPaintPattern(IColor(255, 1, 2, 3)));
  ASSERT_EQ(mG->NControls(), 3);
  EXPECT_EQ(mG->GetControl(2), hovered);
  EXPECT_EQ(mG->GetMouseOverControl(), hovered);
  EXPECT_EQ(mG->GetMouseOverIdx(), 2);
  mG->SetHover(nullptr, -1);
  mG->AttachPanelBackground(IPaintPattern(IColor(255, 4, 5, 6)));
  EXPECT_EQ(mG->GetMouseOverIdx(), -1) << "no hover stays none";
  mG->SetHover(hovered, 0);
  mG->AttachPanelBackground(IPaintPattern(IColor(255, 7, 8, 9)));
  EXPECT_EQ(mG->GetMouseOverIdx(), 1) << "hover on the first control moves up too";
}

// Markers, hiding and disabling by parameter reach every control bound to it and no other.
TEST_F(Context, ParameterWideSettersReachOnlyTheControlsOfThatParameter)
{
  TestControl* first = Add(-1, 2);
  TestControl* other = Add(-1, 1);
  TestControl* second = Add(-1, 2);
  mG->SetParamCornerMarkers(2, true, 3);
  mG->HideParamControls(2, true);
  mG->DisableParamControls(2, true);
  for (TestControl* c : {first, second})
  {
    EXPECT_TRUE(c->GetMarkerOn());
    EXPECT_EQ(c->GetMarkerColor(), kColorYellow);
    EXPECT_TRUE(c->IsHidden());
    EXPECT_TRUE(c->IsDisabled());
  }
  EXPECT_FALSE(other->GetMarkerOn());
  EXPECT_FALSE(other->IsHidden());
  EXPECT_FALSE(other->IsDisabled());
  mG->SetParamCornerMarkers(2, false, 0);
  EXPECT_FALSE(first->GetMarkerOn());
  EXPECT_FALSE(second->GetMarkerOn());
}

// Taking the in-editor menu away while it is open for a control ends that control's host gestures: the menu
// will never answer.
TEST_F(Context, RemovingAnOpenMenuEndsItsRequestersGestures)
{
  mG->AttachPopupMenuControl();
  TestControl* c = Add(-1, 0);
  IPopupMenu menu("m", 0, false, {"a", "b"});
  mG->BeginParamGestures(*c);
  mG->OpenPopupMenu(*c, menu, IRECT(0, 0, 10, 10));
  ASSERT_EQ(mG->GetPopupRequester(), c);
  mG->RemovePopupMenuControl();
  EXPECT_EQ(mG->GetPopupRequester(), nullptr);
  EXPECT_EQ(mDelegate.mLog, (std::vector<std::string>{"begin 0", "end 0"}));

  mG->AttachPopupMenuControl(); // a closed menu taken away ends nothing
  mG->RemovePopupMenuControl();
  EXPECT_EQ(mDelegate.Count("end 0"), 1);
}

TEST_F(Context, ControlGeometrySettersIgnoreIndexesOutsideTheList)
{
  TestControl* c = Add();
  for (int idx : {-1, 1, 100})
  {
    mG->SetControlPosition(idx, 5, 5);
    mG->SetControlSize(idx, 5, 5);
    mG->SetControlBounds(idx, IRECT(1, 1, 2, 2));
  }
  EXPECT_EQ(c->GetRECT(), IRECT(0, 0, 10, 10));
  mG->SetControlBounds(0, IRECT(1, 2, 3, 4));
  EXPECT_EQ(c->GetRECT(), IRECT(1, 2, 3, 4));
  EXPECT_EQ(c->GetHitRECT(), IRECT(1, 2, 3, 4));
  EXPECT_EQ(mG->GetControlParamIdx(5), -1);
}

TEST_F(Context, SpecialControlsAreVisitedAfterTheListedOnesInOneOrder)
{
  IControl* listed = Add();
  mG->AttachPopupMenuControl();
  mG->AttachPopupMenuControl(); // a second call changes nothing
  IControl* popup = mG->GetPopupMenuControl();
  mG->AttachTextEntryControl();
  mG->SetResizerMode(kResizerSize);
  mG->AttachCornerResizer();
  auto* second = new ICornerResizerControl(mG->GetBounds(), 10.f);
  mG->AttachCornerResizer(second); // already one: this one is deleted
  mG->ShowFPSDisplay(true);
  mG->AttachBubbleControl();
  std::vector<IControl*> order;
  mG->VisitControls([&](IControl& c) { order.push_back(&c); });
  EXPECT_EQ(order, (std::vector<IControl*>{listed, mG->GetFPSDisplay(), mG->GetCornerResizer(),
                                           mG->GetTextEntryControl(), popup, mG->GetBubbleControl(0)}));
  EXPECT_EQ(mG->GetCornerResizer()->GetRECT(), IRECT(380, 280, 400, 300));
  // The resizer made with every default scales, is dark grey until hovered, and lays nothing out on a resize.
  EXPECT_EQ(mG->GetResizerMode(), kResizerScale);
  int layouts = 0;
  mDelegate.mLayoutFunc = [&](IGraphics*) { ++layouts; };
  mG->Resize(500, 400, 1.f);
  EXPECT_EQ(layouts, 0);
  for (auto [x, colour] : {std::pair{0.f, IColor(255, 70, 70, 70)}, {495.f, IColor(255, 0, 0, 0)}})
  {
    if (x > 0.f)
      mG->GetCornerResizer()->OnMouseOver(x, 395.f, IMouseMod());
    mG->mOps.clear();
    mG->GetCornerResizer()->Draw(*mG);
    EXPECT_EQ(mG->mOps.at(0).mColor, colour);
  }
  EXPECT_EQ(mG->GetFPSDisplay()->GetRECT(), IRECT(10, 10, 210, 60));
}

TEST_F(Context, AGroupVisitReachesOnlyTheGroupsMembers)
{
  IControl* first = mG->AttachControl(new TestControl(IRECT()), -1, "osc");
  mG->AttachControl(new TestControl(IRECT()), -1, "filter");
  Add();
  IControl* second = mG->AttachControl(new TestControl(IRECT()), -1, "osc");
  for (auto [group, members] : {std::pair{"osc", std::vector<IControl*>{first, second}}, {"", {}}, {"lfo", {}}})
  {
    std::vector<IControl*> visited;
    mG->VisitControlsInGroup(group, [&](IControl& c) { visited.push_back(&c); });
    EXPECT_EQ(visited, members) << '"' << group << '"';
  }
}

TEST_F(Context, OnlyTheLastContextToGoEmptiesTheCaches)
{
  auto& cache = IGraphics::BitmapCache();
  {
    plug::LibMutexLock lock(cache.Mutex());
    cache.Add(new RecordedBitmap(4, 4, 1, 1.f, "x"), "knob.png", 1.0);
  }
  auto other = std::make_unique<FakePlatformGraphics>(mDelegate, 10, 10);
  EXPECT_EQ(cache.Users(), 2);
  mG.reset();
  EXPECT_EQ(cache.Size(), 1);
  other.reset();
  EXPECT_EQ(cache.Size(), 0);
  EXPECT_EQ(cache.Users(), 0);
  EXPECT_EQ(IGraphics::SvgCache().Users(), 0);
  EXPECT_EQ(IGraphics::FontDescriptorCache().Users(), 0);
}

TEST_F(Context, ResizeClampsSizeAndScaleAndCallsEveryoneInOrder)
{
  mDelegate.SetSizeConstraints(200, 800, 150, 600);
  TestControl* c = Add(-1, 2);
  mG->Capture(c);
  mG->BeginParamGestures(*c);
  c->mCalls.clear();
  mDelegate.mLog.clear();
  int layouts = 0;
  mDelegate.mLayoutFunc = [&](IGraphics*) {
    ++layouts;
    EXPECT_EQ(mG->mDrawResizeCalls, layouts); // layout comes last
  };
  mG->SetLayoutOnResize(true);
  mG->Resize(5000, 10, 9.f);
  EXPECT_EQ(mG->Width(), 800);
  EXPECT_EQ(mG->Height(), 150);
  EXPECT_EQ(mG->GetDrawScale(), 2.f);
  // The capture and its gesture end first, then the delegate hears of the window size, then the platform.
  EXPECT_EQ(mDelegate.mLog, (std::vector<std::string>{"end 2", "resize 1600x300 1"}));
  EXPECT_EQ(mG->NCaptures(), 0);
  ASSERT_EQ(mG->mPlatformResizes.size(), 1u);
  EXPECT_EQ(mG->mPlatformResizes[0].mWindowW, 1600);
  EXPECT_EQ(c->mCalls, (std::vector<std::string>{"resize"}));
  EXPECT_TRUE(c->Dirty());
  EXPECT_EQ(layouts, 1);

  // Unchanged size and scale: nobody is called.
  mDelegate.mLog.clear();
  mG->Resize(800, 150, 2.5f);
  EXPECT_TRUE(mDelegate.mLog.empty());
  EXPECT_EQ(mG->mPlatformResizes.size(), 1u);
  mG->Resize(300, 200, std::numeric_limits<float>::quiet_NaN());
  EXPECT_TRUE(mDelegate.mLog.empty()); // a scale that is not a number is refused
  mG->Resize(300, 200, 0.1f, false);
  EXPECT_EQ(mG->GetDrawScale(), 0.5f);
  EXPECT_EQ(mDelegate.mLog.back(), "resize 150x100 0");
  // The height, the width or the scale alone is a change.
  mG->Resize(300, 210, 0.5f);
  EXPECT_EQ(mG->Height(), 210);
  mG->Resize(310, 210, 0.5f);
  EXPECT_EQ(mG->Width(), 310);
  mG->Resize(310, 210, 0.75f);
  EXPECT_EQ(mG->GetDrawScale(), 0.75f);
}

TEST_F(Context, MovingOrSizingAShownControlRedrawsAndAHiddenOneDoesNot)
{
  TestControl* shown = Add();
  Add()->SetHidden(true);
  const std::function<void(int)> setters[] = {
    [&](int i) { mG->SetControlPosition(i, 5.f, 5.f); },
    [&](int i) { mG->SetControlSize(i, 20.f, 20.f); },
    [&](int i) { mG->SetControlBounds(i, IRECT(1.f, 1.f, 9.f, 9.f)); },
  };
  for (const auto& set : setters)
  {
    mG->SetAllControlsClean();
    set(1);
    EXPECT_FALSE(shown->Dirty());
    set(0);
    EXPECT_TRUE(shown->Dirty());
  }
}

TEST_F(Context, ResizeHoldsEachSideToItsOwnLimits)
{
  mDelegate.SetSizeConstraints(200, 800, 150, 600);
  mG->Resize(10, 5000, 1.f);
  EXPECT_EQ(mG->Width(), 200);
  EXPECT_EQ(mG->Height(), 600);
}

TEST_F(Context, ResizeToTheDefaultLimitsHandsOnAWindowSizeThatFitsAnInt)
{
  mDelegate.SetSizeConstraints(0, 1 << 30, 0, 1 << 30); // the delegate's defaults
  mG->Resize(1 << 30, 300, 2.f);
  EXPECT_EQ(mG->Width(), 1 << 29);
  EXPECT_EQ(mG->GetDrawScale(), 2.f);
  EXPECT_EQ(mDelegate.mLog.back(), "resize 1073741824x600 1");
}

TEST_F(Context, ThePlatformSizeFactorScalesTheWindowSizeHandedOnAndItsLimit)
{
  struct Doubled : FakePlatformGraphics
  {
    using FakePlatformGraphics::FakePlatformGraphics;
    float PlatformSizeFactor() const override { return 2.f; }
  };
  Doubled g(mDelegate, 400, 300);
  g.Resize(200, 100, 1.5f);
  EXPECT_EQ(mDelegate.mLog.back(), "resize 600x300 1");
  g.SetScreenScale(2);
  EXPECT_EQ(mDelegate.mLog.back(), "resize 600x300 1");
  EXPECT_EQ(g.GetBackingPixelScale(), 3.f) << "device pixels per point: the screen's by the drawing's scale";
  mDelegate.SetSizeConstraints(0, 1 << 30, 0, 1 << 30);
  g.Resize(1 << 30, 300, 2.f);
  EXPECT_EQ(g.Width(), 1 << 28);
  EXPECT_EQ(mDelegate.mLog.back(), "resize 1073741824x1200 1");
}

TEST_F(Context, ScreenScaleResizesThePlatformAndRescalesTheControls)
{
  TestControl* c = Add();
  c->mCalls.clear();
  mG->SetScreenScale(2);
  EXPECT_EQ(mG->GetScreenScale(), 2);
  EXPECT_EQ(mG->GetBackingPixelScale(), 2.f);
  EXPECT_EQ(mDelegate.mLog, (std::vector<std::string>{"resize 400x300 1"}));
  EXPECT_EQ(c->mCalls, (std::vector<std::string>{"rescale"}));
  EXPECT_EQ(mG->mDrawResizeCalls, 1);
  for (int bad : {0, -3})
    mG->SetScreenScale(bad);
  EXPECT_EQ(mG->GetScreenScale(), 2);
}

TEST_F(Context, HostGesturesStayBalanced)
{
  TestControl* multi =
    static_cast<TestControl*>(mG->AttachControl(new TestControl(IRECT(), {1, 1, -1, 99})));
  mG->BeginParamGestures(*multi);
  mG->BeginParamGestures(*multi);
  EXPECT_EQ(mDelegate.mLog, (std::vector<std::string>{"begin 1"})); // once; 99 is no parameter
  mG->EndParamGestures(*multi);
  mG->EndParamGestures(*multi);
  EXPECT_EQ(mDelegate.Count("end 1"), 1);

  // While a menu is open its answer ends the gestures, not the capture's release.
  mG->BeginParamGestures(*multi);
  mG->SetPopupRequester(multi);
  mG->ReleaseMouseCapture();
  EXPECT_TRUE(mG->HasOpenGesture(1));
  mG->SetPopupRequester(nullptr);
  mG->ReleaseMouseCapture();
  EXPECT_EQ(mDelegate.Count("end 1"), 2);

  mG->BeginParamGestures(*multi);
  mG.reset();
  EXPECT_EQ(mDelegate.Count("end 1"), 3);
}

TEST_F(Context, PeersOfAParameterFollowTheCallerButTheCallerIsLeftAlone)
{
  TestControl* caller = Add(-1, 1);
  TestControl* peer = static_cast<TestControl*>(mG->AttachControl(new TestControl(IRECT(), {3, 1, 1})));
  TestControl* other = Add(-1, 2);
  caller->Poke(0.25);
  caller->mSetValues.clear();
  mG->UpdatePeers(caller, 0);
  EXPECT_TRUE(caller->mSetValues.empty());
  EXPECT_EQ(peer->GetValue(1), 0.25); // the first slot bound to the parameter
  EXPECT_EQ(peer->GetValue(2), 0.0);
  EXPECT_TRUE(other->mSetValues.empty());
}
