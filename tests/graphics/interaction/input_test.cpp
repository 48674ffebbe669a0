// Pointer, wheel and key events reach the topmost control under the pointer, or the one that holds the pointer
// since its press; prompts and menus answer the control that asked, with the host's gestures kept balanced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

#include "core/IParam.h"
#include "fake_platform.h"
#include "foundation/clock.h"
#include "graphics/overlay/OverlayControls.h"
#include "test_controls.h"
#include "test_delegate.h"

using namespace graphicstest;

namespace {

using Calls = std::vector<std::string>;

/// Records the calls TestControl does not; prompts on a press when asked to, and may ask again from its answers.
class InputControl : public TestControl
{
public:
  InputControl(const IRECT& r, int paramIdx) : TestControl(r, paramIdx) { mPromptDisabled = false; }
  InputControl(const IRECT& r, std::initializer_list<int> params) : TestControl(r, params) { mPromptDisabled = false; }
  void OnMouseDown(float x, float y, const IMouseMod& m) override
  {
    mPrompts ? PromptUserInput(0) : TestControl::OnMouseDown(x, y, m);
  }
  void OnMouseWheel(float, float, const IMouseMod&, float) override { mCalls.push_back("wheel"); }
  bool OnKeyDown(float, float, const plug::IKeyPress&) override { return mCalls.push_back("key"), false; }
  void OnMouseOver(float, float, const IMouseMod&) override { mCalls.push_back("over"); }
  void OnMouseOut() override { mCalls.push_back("out"); }
  void OnMouseDblClick(float, float, const IMouseMod&) override { mCalls.push_back("double"); }
  void OnTouchCancelled(float, float, const IMouseMod& m) override
  {
    mCalls.push_back("cancel " + std::to_string(m.mTouchID));
  }
  void CreateContextMenu(IPopupMenu& menu) override
  {
    if (mContextItems)
      menu.AddItem("copy");
  }
  void OnContextSelection(int item) override { mCalls.push_back("context " + std::to_string(item)); }
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override
  {
    mCalls.push_back(menu ? "chosen" : "dismissed");
    if (mAskAgain)
      GetUI()->OpenPopupMenu(*this, mAgain, IRECT());
    IControl::OnPopupMenuSelection(menu, valIdx);
  }
  void OnTextEntryCompletion(const char*, int) override
  {
    if (mAskAgain)
      GetUI()->CreateTextEntry(*this, mText, IRECT(), "again", -1);
  }
  bool mPrompts = false, mContextItems = false, mAskAgain = false;
  IPopupMenu mAgain{"again", 0, false, {"x"}};
};

IMouseInfo Point(float x, float y, bool right = false, float dx = 0.f, float dy = 0.f)
{
  IMouseInfo info;
  info.mX = x, info.mY = y, info.mDX = dx, info.mDY = dy;
  info.mMod = IMouseMod(!right, right);
  return info;
}

struct InputTest : ::testing::Test
{
  TestDelegate delegate;
  FakePlatformGraphics g{delegate, 200, 200};
  InputControl* bg = new InputControl(IRECT(0.f, 0.f, 200.f, 200.f), -1);
  InputControl* low = new InputControl(IRECT(10.f, 10.f, 50.f, 50.f), 0);
  InputControl* top = new InputControl(IRECT(30.f, 30.f, 70.f, 70.f), 1);
  int keysToHandler = 0;

  void SetUp() override
  {
    g.OpenWindow(nullptr);
    for (InputControl* c : {bg, low, top})
      g.AttachControl(c), c->mCalls.clear();
    delegate.mLog.clear();
    g.SetKeyHandlerFunc([this](const plug::IKeyPress&, bool) { return ++keysToHandler, true; });
  }
  void Click(float x, float y, bool right = false)
  {
    g.OnMouseDown({Point(x, y, right)});
    g.OnMouseUp({Point(x, y, right)});
  }
};

} // namespace

TEST_F(InputTest, PressedControlKeepsThePointerWheelAndKeysUntilRelease)
{
  g.OnMouseDown({Point(40.f, 40.f)});
  g.OnMouseDrag({Point(5.f, 5.f, false, -35.f, -35.f), Point(6.f, 6.f)});
  g.OnMouseDrag({Point(9.f, 5.f, false, 4.f, 0.f), Point(9.f, 3.f, false, 0.f, -2.f)});
  g.OnMouseWheel(150.f, 150.f, IMouseMod(), 1.f);
  g.OnKeyDown(150.f, 150.f, plug::IKeyPress("a", 'A'));
  g.OnMouseUp({Point(5.f, 5.f)});
  EXPECT_EQ(top->mCalls, (Calls{"down", "drag", "drag", "drag", "wheel", "key", "up"}))
    << "a drag without movement is not sent; one along a single axis is";
  EXPECT_EQ(delegate.mLog, (Calls{"begin 1", "end 1"}));
  EXPECT_TRUE(g.OnKeyDown(150.f, 150.f, plug::IKeyPress("a", 'A')));
  EXPECT_TRUE(bg->mCalls.empty()) << "the background takes no keys";
  EXPECT_EQ(keysToHandler, 2);
}

// A control that does nothing with keys lets them through: to the key handler while there is one, else back to
// the platform (which passes them on to the host); the background never stops them either.
TEST_F(InputTest, KeysAControlLeavesAloneGoToTheKeyHandlerOrBackToTheHost)
{
  auto* plain = static_cast<TestControl*>(g.AttachControl(new TestControl(IRECT(100.f, 100.f, 150.f, 150.f))));
  plain->mCalls.clear();
  const plug::IKeyPress a("a", 'A');
  for (float at : {120.f, 180.f}) // on the plain control, then on the background alone
  {
    EXPECT_TRUE(g.OnKeyDown(at, at, a));
    EXPECT_TRUE(g.OnKeyUp(at, at, a));
  }
  EXPECT_EQ(keysToHandler, 4);

  g.SetKeyHandlerFunc(nullptr);
  for (float at : {120.f, 180.f, 40.f}) // the last on a control that sees the key and declines it
  {
    EXPECT_FALSE(g.OnKeyDown(at, at, a)) << at;
    EXPECT_FALSE(g.OnKeyUp(at, at, a)) << at;
  }
  EXPECT_EQ(top->mCalls, (Calls{"key"}));
  EXPECT_TRUE(plain->mCalls.empty());
}

TEST_F(InputTest, HoverMovesBetweenControlsAndNeverReachesTheBackgroundWhichStillTakesPresses)
{
  EXPECT_FALSE(g.OnMouseOver(20.f, 20.f, IMouseMod())) << "hover tracking is off";
  EXPECT_EQ(g.FindControlIndexAt(150.f, 150.f), 0) << "a press finds the background";
  EXPECT_EQ(g.FindControlIndexAt(150.f, 150.f, true), -1);
  g.EnableMouseOver(true);
  EXPECT_EQ(g.FindControlIndexAt(150.f, 150.f, true), -1);
  for (float x : {20.f, 40.f, 150.f})
    g.OnMouseOver(x, x, IMouseMod());
  EXPECT_EQ(low->mCalls, (Calls{"over", "out"}));
  EXPECT_EQ(top->mCalls, (Calls{"over", "out"}));
  EXPECT_TRUE(bg->mCalls.empty()) << "not even where only the background is";
  Click(150.f, 150.f);
  EXPECT_EQ(bg->mCalls, (Calls{"down", "up"})) << "it still takes presses";
}

TEST_F(InputTest, TooltipsTurnHoverOnAndAReleaseHoversWhatIsUnderThePointer)
{
  EXPECT_FALSE(g.TooltipsEnabled()) << "off until asked for";
  const int updates = g.mTooltipUpdates;
  g.EnableTooltips(false);
  EXPECT_EQ(g.mTooltipUpdates, updates) << "turning off what is already off leaves the platform alone";
  g.EnableTooltips(true);
  EXPECT_EQ(g.mTooltipUpdates, updates + 1);
  EXPECT_TRUE(g.OnMouseOver(40.f, 40.f, IMouseMod()));
  g.OnMouseDown({Point(40.f, 40.f)});
  g.OnMouseUp({Point(20.f, 20.f)});
  EXPECT_EQ(low->mCalls, (Calls{"over"})) << "released over the lower control";
  EXPECT_EQ(top->mCalls, (Calls{"over", "down", "up", "out"}));
}

TEST_F(InputTest, ADoubleClickIsAPressOnlyForAControlThatTakesItSo)
{
  EXPECT_TRUE(g.OnMouseDblClick(40.f, 40.f, IMouseMod()));
  EXPECT_EQ(g.NCaptures(), 0) << "a double click leaves no control holding the pointer";
  EXPECT_FALSE(g.OnMouseDblClick(250.f, 250.f, IMouseMod())) << "outside every control";
  top->SetDblClickAsClick(true);
  EXPECT_TRUE(g.OnMouseDblClick(40.f, 40.f, IMouseMod()));
  EXPECT_EQ(top->mCalls, (Calls{"double", "down"}));
}

TEST_F(InputTest, APressOnTheFrameRateDisplayReachesIt)
{
  g.ShowFPSDisplay(true);
  g.AttachCornerResizer(kResizerScale, false);
  Click(40.f, 40.f); // over a listed control too: the display is on top
  EXPECT_EQ(g.GetFPSDisplay()->GetStyle(), 1);
  EXPECT_TRUE(top->mCalls.empty());
}

TEST_F(InputTest, WithMultiTouchASecondPointerReachesOnlyAControlThatWantsIt)
{
  g.EnableMultiTouch(true);
  auto touches = [](uint64_t first, uint64_t second) {
    std::vector<IMouseInfo> points{Point(40.f, 40.f), Point(45.f, 45.f)};
    points[0].mMod.mTouchID = first, points[1].mMod.mTouchID = second;
    return points;
  };
  g.OnMouseDown(touches(1, 2));
  g.OnMouseUp(touches(1, 2));
  EXPECT_EQ(top->mCalls, (Calls{"down", "up"}));
  top->mCalls.clear();
  top->SetWantsMultiTouch(true);
  g.OnMouseDown(touches(3, 4));
  EXPECT_EQ(top->mCalls, (Calls{"down", "down"}));
}

// A touch the system takes away reaches the control that holds it; the host gesture ends with the control's last
// touch, and a touch no control holds is ignored.
TEST_F(InputTest, ACancelledTouchLetsGoOfItsControlAndEndsTheGestureWithTheLastOne)
{
  g.EnableMultiTouch(true);
  top->SetWantsMultiTouch(true);
  auto touch = [](uint64_t id, float at) {
    IMouseInfo p = Point(at, at);
    p.mMod.mTouchID = id;
    return p;
  };
  g.OnMouseDown({touch(1, 40.f), touch(2, 45.f)});
  ASSERT_EQ(g.NCaptures(), 2);
  g.OnTouchCancelled({touch(1, 40.f), touch(7, 45.f)});
  EXPECT_EQ(g.NCaptures(), 1);
  EXPECT_EQ(delegate.mLog, (Calls{"begin 1"})) << "the other touch still holds the control";
  g.OnTouchCancelled({touch(2, 50.f)});
  EXPECT_EQ(g.NCaptures(), 0);
  EXPECT_EQ(delegate.mLog, (Calls{"begin 1", "end 1"}));
  g.OnMouseUp({touch(2, 50.f)}); // the release that follows finds nothing to end
  EXPECT_EQ(top->mCalls, (Calls{"down", "down", "cancel 1", "cancel 2"}));
  EXPECT_EQ(delegate.mLog, (Calls{"begin 1", "end 1"}));
}

// The host asks which parameter lies under a point (to learn it for automation), then takes the answer once.
TEST_F(InputTest, TheParameterUnderAPointIsTheTopControlsAndIsTakenOnce)
{
  EXPECT_EQ(g.TakeParamUnderPoint(), -1) << "nothing asked yet";
  EXPECT_EQ(g.QueryParamUnderPoint(40.f, 40.f), 1);
  EXPECT_EQ(g.QueryParamUnderPoint(20.f, 20.f), 0);
  EXPECT_EQ(g.TakeParamUnderPoint(), 0) << "the last answer";
  EXPECT_EQ(g.TakeParamUnderPoint(), -1);
  EXPECT_EQ(g.QueryParamUnderPoint(150.f, 150.f), -1) << "the background has no parameter";
  EXPECT_EQ(g.QueryParamUnderPoint(500.f, 500.f), -1) << "outside the editor";
  top->SetHidden(true);
  EXPECT_EQ(g.QueryParamUnderPoint(40.f, 40.f), 0) << "a hidden control is looked through";
}

// A typed-in value starts from the parameter's display text, with its unit after a blank only for a control
// that asks for it. The entry takes seven characters unless the control names another length.
TEST_F(InputTest, AValuePromptStartsFromTheDisplayedValueWithTheUnitWhenAsked)
{
  delegate.GetParam(0)->InitDouble("Gain", 0.5, 0.0, 2.0, 0.01, "dB");
  low->SetValueFromDelegate(0.25);
  for (bool unit : {false, true})
  {
    low->SetParamLabelInEntry(unit);
    if (unit)
      low->SetTextEntryLength(12);
    g.PromptParamInput(low, IRECT(10.f, 10.f, 50.f, 20.f), 0);
  }
  ASSERT_EQ(g.mTextEntries.size(), 2u);
  EXPECT_EQ(g.mTextEntries[0].mLength, 7);
  EXPECT_EQ(g.mTextEntries[1].mLength, 12);
  EXPECT_EQ(g.mTextEntries[0].mPreset, "0.50");
  EXPECT_EQ(g.mTextEntries[1].mPreset, "0.50 dB");
  EXPECT_EQ(g.mTextEntries[1].mParamIdx, 0);
  EXPECT_EQ(g.mTextEntries[1].mBounds, IRECT(10.f, 10.f, 50.f, 20.f));
}

// A menu opened while other fingers hold controls lets go of them and ends their host gestures at once; the
// requester's own gesture lasts until the menu has answered.
TEST_F(InputTest, AMenuOpenedUnderSeveralFingersEndsTheOtherGesturesFirst)
{
  g.EnableMultiTouch(true);
  IMouseInfo first = Point(20.f, 20.f), second = Point(60.f, 60.f);
  first.mMod.mTouchID = 1, second.mMod.mTouchID = 2;
  g.OnMouseDown({first, second});
  ASSERT_EQ(delegate.mLog, (Calls{"begin 0", "begin 1"}));
  g.mMenuAnswer = [&](IPopupMenu& menu, const IRECT&) {
    EXPECT_EQ(delegate.mLog, (Calls{"begin 0", "begin 1", "end 0"})) << "while the menu is up";
    menu.SetChosenItemIdx(0);
    return &menu;
  };
  g.OpenPopupMenu(*top, top->mAgain, IRECT());
  EXPECT_EQ(g.NCaptures(), 0);
  EXPECT_EQ(delegate.mLog, (Calls{"begin 0", "begin 1", "end 0", "end 1"}));
  EXPECT_EQ(top->mCalls, (Calls{"down", "chosen"}));
  EXPECT_EQ(low->mCalls, (Calls{"down"})) << "no release reaches the control let go of";
}

// The pointer finds a control by its hit rectangle, not by the rectangle it draws in, for a press and for hover.
TEST_F(InputTest, PointerFindsAControlByItsHitRectangle)
{
  top->SetHitRECT(IRECT(60.f, 60.f, 90.f, 90.f)); // drawn at 30..70
  const struct
  {
    float at;
    InputControl* pressed;
    InputControl* hovered;
  } cases[] = {{35.f, low, low}, {65.f, top, top}, {80.f, top, top}, {95.f, bg, nullptr}};
  for (const auto& c : cases)
  {
    for (InputControl* control : {bg, low, top})
      control->mCalls.clear();
    Click(c.at, c.at);
    g.EnableMouseOver(true);
    g.OnMouseOver(c.at, c.at, IMouseMod());
    for (InputControl* control : {bg, low, top})
    {
      Calls expected;
      if (control == c.pressed)
        expected = {"down", "up"};
      if (control == c.hovered)
        expected.push_back("over");
      EXPECT_EQ(control->mCalls, expected) << "at " << c.at;
    }
    g.OnMouseOut();
    g.EnableMouseOver(false);
  }
}

TEST_F(InputTest, AHiddenControlOrOneThatIgnoresTheMouseLetsThePointerThrough)
{
  for (bool hidden : {true, false})
  {
    top->SetHidden(hidden);
    top->SetIgnoreMouse(!hidden);
    low->mCalls.clear();
    top->mCalls.clear();
    Click(40.f, 40.f); // where the top control lies over the low one
    g.EnableMouseOver(true);
    g.OnMouseOver(40.f, 40.f, IMouseMod());
    EXPECT_EQ(top->mCalls, Calls{}) << hidden;
    EXPECT_EQ(low->mCalls, (Calls{"down", "up", "over"})) << hidden;
    g.OnMouseOut();
    g.EnableMouseOver(false);
  }
}

// A disabled control takes the hover only by its hover flag and a press only by its press flag; what it does not
// take goes by it (a press to the background, the hover to nothing).
TEST_F(InputTest, DisabledControlsTakeHoverAndPressEachByItsOwnFlag)
{
  top->SetDisabled(true);
  const struct
  {
    bool hoverFlag, pressFlag;
    Calls top, background;
  } cases[] = {
    {false, false, {}, {"down", "up"}},
    {true, false, {"over"}, {"down", "up"}},
    {false, true, {"down", "up"}, {}},
    {true, true, {"down", "up", "over"}, {}},
  };
  for (const auto& c : cases)
  {
    top->SetMouseOverWhenDisabled(c.hoverFlag);
    top->SetMouseEventsWhenDisabled(c.pressFlag);
    top->mCalls.clear();
    bg->mCalls.clear();
    Click(60.f, 60.f);
    g.EnableMouseOver(true);
    g.OnMouseOver(60.f, 60.f, IMouseMod());
    EXPECT_EQ(top->mCalls, c.top) << "hover flag " << c.hoverFlag << ", press flag " << c.pressFlag;
    EXPECT_EQ(bg->mCalls, c.background) << "hover flag " << c.hoverFlag << ", press flag " << c.pressFlag;
    g.OnMouseOut();
    g.EnableMouseOver(false);
  }
}

TEST_F(InputTest, RightClickOffersTheContextMenuWithoutAPressOrAGesture)
{
  g.mMenuAnswer = [](IPopupMenu& menu, const IRECT&) { return menu.SetChosenItemIdx(0), &menu; };
  Click(20.f, 20.f, true); // an empty context menu opens nothing
  low->mContextItems = true;
  Click(20.f, 20.f, true);
  EXPECT_EQ(low->mCalls, (Calls{"context 0"}));
  EXPECT_TRUE(delegate.mLog.empty()) << "no gesture begins, so none ends";
  // A control of two values offers its menu too where the place names neither value.
  auto* pair = new InputControl(IRECT(100.f, 100.f, 140.f, 140.f), {2, 3});
  g.AttachControl(pair);
  pair->mContextItems = true;
  pair->mCalls.clear();
  Click(120.f, 120.f, true);
  EXPECT_EQ(pair->mCalls, (Calls{"context 0"}));
  EXPECT_TRUE(delegate.mLog.empty());
  // A menu dismissed without a choice reports no item.
  g.mMenuAnswer = [](IPopupMenu&, const IRECT&) -> IPopupMenu* { return nullptr; };
  pair->mCalls.clear();
  Click(120.f, 120.f, true);
  EXPECT_EQ(pair->mCalls, (Calls{"context -1"}));
}

TEST(CornerResizer, DragScalesByThePointerOverItsPressAndNeedsAPress)
{
  TestDelegate delegate;
  FakePlatformGraphics g(delegate, 420, 320);
  g.AttachCornerResizer(kResizerScale, false);
  float x = 0.f, y = 0.f;
  g.GetMouseDownPoint(x, y);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(-1.f, -1.f));
  g.StartResizeGesture(); // no press yet: the press position is -1
  g.OnMouseDrag({Point(-600.f, -450.f, false, -1.f, -1.f)});
  g.OnMouseDown({Point(0.f, 100.f)});
  EXPECT_EQ(std::make_pair(g.GetMouseDownX(), g.GetMouseDownY()), std::make_pair(0.f, 100.f));
  g.StartResizeGesture(); // a press on the left edge
  g.OnMouseDrag({Point(300.f, 150.f, false, 1.f, 1.f)});
  EXPECT_FLOAT_EQ(g.GetDrawScale(), 1.f);
  g.OnMouseUp({Point(300.f, 150.f)});
  g.OnMouseDown({Point(400.f, 300.f)});
  g.OnMouseDrag({Point(600.f, 390.f, false, 200.f, 90.f)});
  EXPECT_FLOAT_EQ(g.GetDrawScale(), 1.3f) << "the smaller of the two ratios, so the editor fits under the pointer";
}

// In size mode the editor follows the pointer: its new size is where the pointer is, at the same draw scale,
// held to the editor's limits; the release ends the resize and the controls do not rescale.
TEST(CornerResizer, DragInSizeModeSizesTheEditorToThePointer)
{
  TestDelegate delegate;
  delegate.SetSizeConstraints(200, 800, 150, 600);
  FakePlatformGraphics g(delegate, 420, 320);
  g.Resize(420, 320, 1.5f);
  g.AttachCornerResizer(kResizerSize, false);
  auto* c = static_cast<TestControl*>(g.AttachControl(new TestControl(IRECT(0.f, 0.f, 10.f, 10.f))));
  g.OnMouseDown({Point(419.f, 319.f)});
  g.StartResizeGesture();
  c->mCalls.clear();
  g.OnMouseDrag({Point(500.f, 260.5f, false, 81.f, -58.5f)});
  EXPECT_EQ(g.Width(), 500);
  EXPECT_EQ(g.Height(), 260);
  EXPECT_FLOAT_EQ(g.GetDrawScale(), 1.5f);
  g.OnMouseDrag({Point(50.f, 900.f, false, -450.f, 640.f)});
  EXPECT_EQ(g.Width(), 200);
  EXPECT_EQ(g.Height(), 600);
  g.OnMouseUp({Point(50.f, 900.f)});
  EXPECT_FALSE(g.IsResizingInProgress());
  EXPECT_EQ(std::count(c->mCalls.begin(), c->mCalls.end(), "rescale"), 0);
  EXPECT_EQ(delegate.mLog.back(), "resize 300x900 1");
}

TEST_F(InputTest, EnumPromptOffersItsTextsAndADismissedMenuStillEndsTheGesture)
{
  plug::IParam* p = delegate.GetParam(0); // the test delegate's parameters are doubles: make this one an enum
  p->~IParam();
  new (p) plug::IParam();
  p->InitEnum("Mode", 1, {"clean", "warm", "crisp"});
  low->mPrompts = true;
  int chosen = -1;
  g.mMenuAnswer = [&](IPopupMenu& menu, const IRECT&) {
    EXPECT_STREQ(menu.GetRootTitle(), "Mode");
    EXPECT_EQ(menu.NItems(), 3);
    EXPECT_TRUE(!menu.GetItem(0)->GetChecked() && menu.GetItem(1)->GetChecked() && !menu.GetItem(2)->GetChecked());
    menu.SetChosenItemIdx(chosen);
    return chosen < 0 ? nullptr : &menu;
  };
  Click(20.f, 20.f);
  chosen = 2;
  Click(20.f, 20.f);
  EXPECT_EQ(low->mCalls, (Calls{"dismissed", "chosen"}));
  EXPECT_EQ(delegate.mLog, (Calls{"begin 0", "end 0", "begin 0", "value 0", "end 0"}));
  EXPECT_DOUBLE_EQ(low->GetValue(), 1.0);
}

TEST_F(InputTest, APromptNeedsAParameterAndLeavesTheOpenInEditorMenuAsItIs)
{
  for (int i : {0, 1}) // the test delegate's parameters are doubles: make these two enums
  {
    plug::IParam* p = delegate.GetParam(i);
    p->~IParam();
    new (p) plug::IParam();
  }
  delegate.GetParam(0)->InitEnum("Mode", 1, {"clean", "warm", "crisp"});
  delegate.GetParam(1)->InitEnum("Slope", 0, {"soft", "hard"});
  // Without a parameter there is nothing to ask for; in a process of its own, as asking would read no parameter.
  int platformMenus = 0;
  g.mMenuAnswer = [&](IPopupMenu&, const IRECT&) { return ++platformMenus, nullptr; };
  EXPECT_EXIT(
    {
      g.PromptParamInput(bg, IRECT(), 0);
      g.PromptParamInput(nullptr, IRECT(), 0);
      std::exit(platformMenus == 0 && g.mTextEntries.empty() ? 0 : 1);
    },
    ::testing::ExitedWithCode(0), "");

  // The shared prompt menu shown in the editor is not rebuilt for another control's prompt.
  g.AttachPopupMenuControl();
  low->mPrompts = true;
  Click(20.f, 20.f);
  ASSERT_TRUE(g.GetPopupMenuControl()->IsOpen());
  EXPECT_EQ(g.GetPromptMenu().GetPrefix(), 0); // the choices are not numbered
  g.PromptParamInput(top, IRECT(), 0);
  EXPECT_STREQ(g.GetPromptMenu().GetRootTitle(), "Mode");
  EXPECT_EQ(g.GetPopupRequester(), low);
  g.GetPopupMenuControl()->Dismiss();
}

TEST_F(InputTest, TypedTextIsSteppedAndClampedToTheParameter)
{
  delegate.GetParam(0)->InitDouble("Gain", 0.0, 0.0, 2.0, 0.25, "", plug::IParam::kFlagStepped);
  low->mPrompts = true;
  for (auto [typed, value] : {std::pair{"0.33", 0.25}, {"7", 2.0}})
  {
    g.mTextAnswer = [typed = typed](const std::string&, const IRECT&) { return std::string(typed); };
    Click(20.f, 20.f);
    EXPECT_DOUBLE_EQ(delegate.GetParam(0)->FromNormalized(low->GetValue()), value) << typed;
  }
}

TEST_F(InputTest, InEditorMenuRefusesOtherRequestsWhileOpenAndTheRequesterMayAskAgain)
{
  g.AttachPopupMenuControl();
  g.AttachTextEntryControl();
  IPopupMenu other("other", 0, false, {"c"});
  low->mAskAgain = true;
  g.OpenPopupMenu(*low, low->mAgain, IRECT());
  g.OpenPopupMenu(*top, other, IRECT());
  g.CreateTextEntry(*top, IText(), IRECT(), "x", 0);
  EXPECT_EQ(g.GetTextEntryRequester(), nullptr);
  // The menu closes without a choice; it stays on its way out for 300 ms, so asking again from the answer is
  // refused, and a request after that opens the menu again.
  foundation::ManualClock clock(1.0);
  g.SetClock(&clock);
  IPopupMenuControl& popup = *g.GetPopupMenuControl();
  auto closeAndSettle = [&] {
    popup.CloseWithChoice();
    for (int step = 0; step < 3; ++step)
    {
      clock.Advance(0.101);
      popup.Animate();
    }
  };
  closeAndSettle();
  EXPECT_EQ(low->mCalls, (Calls{"dismissed"}));
  EXPECT_TRUE(top->mCalls.empty());
  EXPECT_EQ(g.GetPopupRequester(), nullptr) << "asked again within 300 ms of the close";
  EXPECT_FALSE(popup.IsOpen());
  g.OpenPopupMenu(*low, low->mAgain, IRECT());
  EXPECT_EQ(g.GetPopupRequester(), low);
  EXPECT_TRUE(popup.IsOpen());

  low->mAskAgain = false;
  closeAndSettle();
  low->mAskAgain = true;
  g.CreateTextEntry(*low, IText(), IRECT(), "first", -1);
  g.GetTextEntryControl()->CommitEdit();
  EXPECT_EQ(g.GetTextEntryRequester(), low);
}
