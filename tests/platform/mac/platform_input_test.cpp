// Input through the editor view into the graphics context and its controls, and the frames it draws: a drag and
// the wheel move a parameter with the host told (begin and end balanced), a double click opens the value field
// whose typed text sets the parameter, however that field closes the controls can be dragged again, and a frame
// is drawn only when something is dirty.
#include <functional>
#include <tuple>
#include <vector>

#include "mac_test_support.h"

namespace mactest {
namespace {

using appkit::Event;
using appkit::EventType;

/// A knob of parameter idx: vertical drags and the wheel move it, a double click asks for a typed value.
class TestKnob : public IControl
{
public:
  TestKnob(const IRECT& r, int idx) : IControl(r, idx) { DisablePrompt(false); }
  void Draw(IGraphics& g) override { g.FillRect(IColor(), GetRECT()); }
  void OnMouseDrag(float, float, float, float dY, const IMouseMod&) override
  {
    SetValue(GetValue() - dY * 0.01);
    SetDirty(true);
  }
  void OnMouseWheel(float, float, const IMouseMod&, float d) override
  {
    GetUI()->BeginParamGestures(*this);
    SetValue(GetValue() + d * 0.1);
    SetDirty(true);
    GetUI()->EndParamGestures(*this);
  }
  void OnMouseDblClick(float, float, const IMouseMod&) override { PromptUserInput(0); }
};

class Input : public MacTest
{
protected:
  Input()
  {
    mDelegate.mLayoutFunc = [](IGraphics* g) {
      g->AttachControl(new TestKnob(IRECT(0, 0, 100, 100), 0));
      g->AttachControl(new TestKnob(IRECT(100, 0, 200, 100), 1));
    };
  }
  void OpenEditor()
  {
    Open();
    mDelegate.mLog.clear(); // the size the editor opened at
  }
  void Send(EventType type, double x, double y, int clicks = 1, double deltaY = 0.0, uint32_t modifiers = 0)
  {
    Event e;
    e.type = type;
    e.modifierFlags = modifiers;
    e.locationInView = {x, y};
    e.clickCount = clicks;
    e.deltaY = deltaY;
    mApp.Deliver(View(), e);
  }
  void Tick()
  {
    FinishFrames();
    mClock.Advance(1.0 / 60);
    foundation::RunLoop::Main().RunDueTimers();
  }
};

TEST_F(Input, ADragMovesTheParameterBetweenOneBeginAndOneEnd)
{
  mDrawScale = 2.f; // view points are twice graphics points
  OpenEditor();
  Send(EventType::kLeftMouseDown, 100, 100);
  Send(EventType::kLeftMouseDragged, 100, 80);
  Send(EventType::kLeftMouseDragged, 100, 60);
  Send(EventType::kLeftMouseUp, 100, 60);
  ASSERT_FALSE(mDelegate.mLog.empty());
  EXPECT_EQ(mDelegate.mLog.front(), "begin 0");
  EXPECT_EQ(mDelegate.mLog.back(), "end 0");
  EXPECT_EQ(mDelegate.Count("begin 0"), 1);
  EXPECT_EQ(mDelegate.Count("end 0"), 1);
  EXPECT_NEAR(mDelegate.GetParam(0)->GetNormalized(), 0.2, 1e-6); // 20 graphics points up
}

TEST_F(Input, ACommandClickIsARightClickWhileOtherModifiersStillPress)
{
  OpenEditor();
  const std::pair<uint32_t, bool> cases[] = {{0, true},
                                             {appkit::kModifierShift, true},
                                             {appkit::kModifierControl, true},
                                             {appkit::kModifierOption, true},
                                             {appkit::kModifierCommand, false}};
  for (const auto& [modifiers, presses] : cases)
  {
    mDelegate.mLog.clear();
    Send(EventType::kLeftMouseDown, 50, 50, 1, 0.0, modifiers);
    Send(EventType::kLeftMouseUp, 50, 50, 1, 0.0, modifiers);
    EXPECT_EQ(mDelegate.Count("begin 0"), presses ? 1 : 0) << "modifiers " << modifiers;
  }
}

/// Writes the buttons and modifiers of each press, hover and wheel turn, and the movement of each drag step.
class PressRecorder : public IControl
{
public:
  PressRecorder(const IRECT& r, std::vector<std::string>& log) : IControl(r), mLog(log) {}
  void Draw(IGraphics&) override {}
  void OnMouseDown(float, float, const IMouseMod& mod) override { Write("down", mod); }
  void OnMouseOver(float, float, const IMouseMod& mod) override { Write("over", mod); }
  void OnMouseWheel(float, float, const IMouseMod& mod, float) override { Write("wheel", mod); }
  void OnMouseDrag(float, float, float dX, float dY, const IMouseMod&) override
  {
    mLog.push_back("drag " + std::to_string((int)dX) + "," + std::to_string((int)dY));
  }

private:
  void Write(const char* what, const IMouseMod& mod)
  {
    mLog.push_back(std::string(what) + (mod.mLeft ? " left" : "") + (mod.mRight ? " right" : "") +
                   (mod.mShift ? " shift" : "") + (mod.mCtrl ? " ctrl" : "") + (mod.mAlt ? " alt" : ""));
  }
  std::vector<std::string>& mLog;
};

// Buttons, Shift, Control and Option reach the control as they are (hovering and the wheel press no button); a
// drag of either button moves by graphics points (draw scale 2).
TEST_F(Input, PressesCarryTheirButtonsAndModifiersAndDragsTheirMovement)
{
  std::vector<std::string> log;
  mDelegate.mLayoutFunc = [&log](IGraphics* g) {
    g->EnableMouseOver(true);
    g->AttachControl(new PressRecorder(IRECT(), log)); // the first control is the background, never hovered
    g->AttachControl(new PressRecorder(IRECT(0, 0, 468, 450), log));
  };
  mDrawScale = 2.f;
  OpenEditor();
  const struct
  {
    EventType type;
    uint32_t modifiers;
    const char* text;
  } cases[] = {
    {EventType::kLeftMouseDown, appkit::kModifierShift, "down left shift"},
    {EventType::kLeftMouseDown, appkit::kModifierControl, "down left ctrl"},
    {EventType::kLeftMouseDown, appkit::kModifierOption, "down left alt"},
    {EventType::kRightMouseDown, 0, "down right"},
    {EventType::kMouseMoved, appkit::kModifierShift, "over shift"},
    {EventType::kScrollWheel, 0, "wheel"},
  };
  double x = 100;
  for (const auto& c : cases)
  {
    log.clear();
    x += 10; // a new place each time: hovering reports only a move
    Send(c.type, x, 100, 1, 1.0, c.modifiers);
    Send(c.type == EventType::kRightMouseDown ? EventType::kRightMouseUp : EventType::kLeftMouseUp, x, 100);
    ASSERT_FALSE(log.empty()) << c.text;
    EXPECT_EQ(log[0], c.text);
  }
  for (const auto& [down, drag, up] : {std::make_tuple(EventType::kLeftMouseDown, EventType::kLeftMouseDragged,
                                                       EventType::kLeftMouseUp),
                                       std::make_tuple(EventType::kRightMouseDown, EventType::kRightMouseDragged,
                                                       EventType::kRightMouseUp)})
  {
    log.clear();
    Send(down, 100, 100);
    Send(drag, 120, 80);
    Send(drag, 110, 90);
    Send(up, 110, 90);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[1], "drag 10,-10");
    EXPECT_EQ(log[2], "drag -5,5");
  }
}

TEST_F(Input, TheWheelMovesTheParameterUnderThePointer)
{
  OpenEditor();
  Send(EventType::kScrollWheel, 150, 50, 1, 2.0);
  EXPECT_EQ(mDelegate.mLog, (std::vector<std::string>{"begin 1", "value 1", "end 1"}));
  EXPECT_NEAR(mDelegate.GetParam(1)->GetNormalized(), 0.2, 1e-6);
}

TEST_F(Input, ATypedValueReachesItsOwnControlEvenWhenAnotherFieldOpens)
{
  OpenEditor();
  Send(EventType::kLeftMouseDown, 50, 50, 2); // double click: the value field of parameter 0
  ASSERT_NE(View().mTextField, nullptr);
  View().Type("0.25", false);
  Send(EventType::kLeftMouseDown, 150, 50, 2); // another field opens: the first is committed first
  EXPECT_NEAR(mDelegate.GetParam(0)->GetNormalized(), 0.25, 1e-6);
  ASSERT_NE(View().mTextField, nullptr);
  View().Type("0.75", true);
  EXPECT_EQ(View().mTextField, nullptr);
  EXPECT_NEAR(mDelegate.GetParam(1)->GetNormalized(), 0.75, 1e-6);
  EXPECT_NEAR(mDelegate.GetParam(0)->GetNormalized(), 0.25, 1e-6);
}

TEST_F(Input, ControlsStayDraggableHoweverTheValueFieldCloses)
{
  OpenEditor();
  const std::vector<std::function<void()>> closings = {
    [this] { Send(EventType::kScrollWheel, 150, 50, 1, 1.0); },
    [this] { Graphics()->EndUserInput(false); },
  };
  for (const auto& close : closings)
  {
    Send(EventType::kLeftMouseDown, 50, 50, 2); // double click: the value field of parameter 0
    Send(EventType::kLeftMouseUp, 50, 50, 2);
    ASSERT_NE(View().mTextField, nullptr);
    close();
    EXPECT_EQ(View().mTextField, nullptr);
    const double before = mDelegate.GetParam(1)->GetNormalized();
    Send(EventType::kLeftMouseDown, 150, 50);
    Send(EventType::kLeftMouseDragged, 150, 40);
    Send(EventType::kLeftMouseUp, 150, 40);
    EXPECT_NEAR(mDelegate.GetParam(1)->GetNormalized(), before + 0.1, 1e-6);
  }
}

TEST_F(Input, FramesAreDrawnOnlyWhenSomethingIsDirty)
{
  Open();
  foundation::RunLoop::Main().RunDueTimers(); // the first frame draws everything
  const int first = Graphics()->mRegions;
  EXPECT_GT(first, 0);
  Tick();
  Tick();
  EXPECT_EQ(Graphics()->mRegions, first);
  Graphics()->GetControl(1)->SetDirty(false);
  Tick();
  EXPECT_GT(Graphics()->mRegions, first);
}

/// Writes what reaches it into a shared log: where the pointer hovers, leaves, turns the wheel and drops files.
class PointerRecorder : public IControl
{
public:
  PointerRecorder(const IRECT& r, std::string name, std::vector<std::string>& log)
    : IControl(r), mName(std::move(name)), mLog(log)
  {
  }
  void Draw(IGraphics&) override {}
  void OnMouseOver(float x, float y, const IMouseMod& mod) override
  {
    IControl::OnMouseOver(x, y, mod);
    Write("over", x, y);
  }
  void OnMouseOut() override
  {
    IControl::OnMouseOut();
    mLog.push_back("out " + mName);
  }
  void OnMouseWheel(float x, float y, const IMouseMod&, float) override { Write("wheel", x, y); }
  void OnMouseUp(float x, float y, const IMouseMod&) override { Write("up", x, y); }
  void OnDrop(const char* path) override { mLog.push_back("drop " + mName + " " + path); }

private:
  void Write(const char* what, float x, float y)
  {
    mLog.push_back(std::string(what) + " " + mName + " " + std::to_string((int)x) + "," + std::to_string((int)y));
  }
  std::string mName;
  std::vector<std::string>& mLog;
};

class Pointer : public Input, public ::testing::WithParamInterface<float>
{
protected:
  Pointer()
  {
    mDelegate.mLayoutFunc = [this](IGraphics* g) {
      g->EnableMouseOver(true);
      g->AttachControl(new PointerRecorder(IRECT(0, 0, 468, 450), "background", mLog)); // never hovered
      g->AttachControl(new PointerRecorder(IRECT(0, 0, 100, 100), "a", mLog));
      g->AttachControl(new PointerRecorder(IRECT(100, 0, 200, 100), "b", mLog));
    };
  }
  std::vector<std::string> mLog;
};

TEST_P(Pointer, HoverMouseOutAndPositionsAtDrawScale)
{
  // Positions in graphics points; the view gets them times the draw scale. After each step: the hovered control
  // and what reached the controls.
  struct Step
  {
    EventType type;
    float x, y;
    int hovered;
    std::vector<std::string> log;
    bool drop = false; // a file dropped on the view instead of the event
    double deltaY = 1.0;
  };
  const std::vector<std::string> none, allOut = {"out background", "out a", "out b"};
  const Step steps[] = {
    {EventType::kMouseMoved, 50, 50, 1, {"over a 50,50"}},
    {EventType::kMouseMoved, 150, 30, 2, {"out a", "over b 150,30"}},
    {EventType::kMouseExited, 250, 30, -1, allOut},
    {EventType::kMouseEntered, 50, 50, -1, none},
    {EventType::kMouseMoved, 50, 50, 1, {"over a 50,50"}},
    {EventType::kLeftMouseDown, 50, 50, 1, none},
    {EventType::kLeftMouseDragged, 300, 50, 1, none},
    {EventType::kMouseExited, 300, 50, 1, none}, // held by the drag: the pointer leaves when the button is let go
    {EventType::kLeftMouseUp, 300, 50, -1, {"up a 300,50", "out a", "out background", "out a", "out b"}}, // off a, then gone
    {EventType::kLeftMouseDown, 50, 50, -1, none},
    {EventType::kLeftMouseUp, 50, 50, 1, {"up a 50,50", "over a 50,50"}}, // a click after it: nothing leaves
    {EventType::kMouseExited, 250, 30, -1, allOut},
    // A purely horizontal scroll reaches no control: a knob would send its unchanged value to the host.
    {EventType::kScrollWheel, 150, 70, -1, none, false, 0.0},
    {EventType::kScrollWheel, 150, 70, -1, {"wheel b 150,70"}},
    {EventType::kMouseMoved, 60, 40, -1, {"drop a /tmp/take.wav"}, true},
    // Far enough into a that the point times the draw scale would be in b.
    {EventType::kMouseMoved, 90, 60, -1, {"drop a /tmp/take.wav"}, true},
    {EventType::kMouseMoved, 110, 10, -1, {"drop b /tmp/take.wav"}, true},
  };
  const float scale = mDrawScale = GetParam();
  OpenEditor();
  for (const Step& s : steps)
  {
    mLog.clear();
    if (s.drop)
      EXPECT_TRUE(MacView().PerformDragOperation({"/tmp/take.wav"}, {s.x * scale, s.y * scale}));
    else
      Send(s.type, s.x * scale, s.y * scale, 1, s.deltaY);
    EXPECT_EQ(Graphics()->GetMouseOverIdx(), s.hovered) << "at " << s.x << "," << s.y;
    EXPECT_EQ(mLog, s.log) << "at " << s.x << "," << s.y;
  }
}

// A drag that leaves the view and comes back before the release: the pressed control is released once where the
// pointer is, the control under it is hovered again, and the one pressed keeps no hover.
TEST_P(Pointer, ADragThatLeavesAndReturnsEndsOnceAndHoversWhatIsUnderThePointer)
{
  const float scale = mDrawScale = GetParam();
  OpenEditor();
  auto send = [&](EventType type, float x, float y) { Send(type, x * scale, y * scale); };
  send(EventType::kMouseMoved, 50, 50);
  send(EventType::kLeftMouseDown, 50, 50);
  send(EventType::kLeftMouseDragged, 500, 50);
  send(EventType::kMouseExited, 500, 50);
  send(EventType::kMouseEntered, 150, 50);
  send(EventType::kLeftMouseDragged, 150, 50);
  mLog.clear();
  send(EventType::kLeftMouseUp, 150, 50);
  EXPECT_EQ(mLog, (std::vector<std::string>{"up a 150,50", "out a", "over b 150,50"}));
  EXPECT_EQ(Graphics()->GetMouseOverIdx(), 2);
  EXPECT_FALSE(Graphics()->GetControl(1)->GetMouseIsOver());
  EXPECT_TRUE(Graphics()->GetControl(2)->GetMouseIsOver());
  EXPECT_FALSE(Graphics()->GetControl(0)->GetMouseIsOver());

  // The next move is a plain hover: nothing is released again and b stays hovered.
  mLog.clear();
  send(EventType::kMouseMoved, 160, 50);
  EXPECT_EQ(mLog, (std::vector<std::string>{"over b 160,50"}));
  EXPECT_EQ(Graphics()->GetMouseOverIdx(), 2);
}

INSTANTIATE_TEST_SUITE_P(DrawScales, Pointer, ::testing::Values(1.f, 1.5f, 2.f));

} // namespace
} // namespace mactest

namespace mactest {
namespace {

// Presses in quick succession come as click counts 1, 2, 3, 4...: every second one is a double click, the ones
// between are presses of their own (a triple click is a double click and a press).
TEST_F(Input, EverySecondPressOfAQuickRunIsADoubleClick)
{
  struct ClickRecorder : IControl
  {
    ClickRecorder(const IRECT& r, std::string& log) : IControl(r), mLog(log) {}
    void Draw(IGraphics&) override {}
    void OnMouseDown(float, float, const IMouseMod&) override { mLog += "press "; }
    void OnMouseDblClick(float, float, const IMouseMod&) override { mLog += "double "; }
    std::string& mLog;
  };
  std::string log;
  mDelegate.mLayoutFunc = [&log](IGraphics* g) { g->AttachControl(new ClickRecorder(IRECT(0, 0, 468, 450), log)); };
  OpenEditor();
  for (int clicks = 1; clicks <= 5; ++clicks)
  {
    Send(EventType::kLeftMouseDown, 50, 50, clicks);
    Send(EventType::kLeftMouseUp, 50, 50, clicks);
  }
  EXPECT_EQ(log, "press double press double press ");
}

} // namespace
} // namespace mactest
