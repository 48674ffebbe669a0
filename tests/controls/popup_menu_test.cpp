// The in-editor popup menu on the run loop's hand-driven clock: fades and states, presses during fades, the
// 300 ms after a choice, hover, submenus and scrolling, placement and the drawing of separators.
#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/overlay/IPopupMenuControl.h"
#include "controls_fixture.h"
#include "test_controls.h"
#include "text_golden.h"

namespace controlstest {
namespace {

using State = IPopupMenuControl;

class PopupMenuTest : public ControlsTest
{
protected:
  PopupMenuTest()
  {
    g.AttachPopupMenuControl();
    popup = g.GetPopupMenuControl();
    menu.SetFunction([this](IPopupMenu* m) {
      calls.push_back("completion " + std::to_string(m->GetChosenItemIdx()));
      requesterAtCompletion = g.GetPopupRequester();
    });
  }
  // The graphics close a menu left open when they go, after this fixture's menus: close it while they exist.
  ~PopupMenuTest() override
  {
    if (IPopupMenuControl* shown = g.GetPopupMenuControl())
      shown->Dismiss();
  }

  void Open(IPopupMenu& m, const IRECT& anchor = IRECT(100, 100, 140, 120), bool settle = true)
  {
    g.SetPopupRequester(&requester);
    popup->CreatePopupMenu(m, anchor);
    if (settle)
      Step(*popup, 101);
  }
  const IRECT& Cell(int panel, int i) const { return *popup->GetPanel(panel).Cell(i); }
  void Hover(const IRECT& r) { popup->OnMouseOver(r.CentreX(), r.CentreY(), IMouseMod()); }
  void Press(const IRECT& r) { popup->OnMouseDown(r.CentreX(), r.CentreY(), left); }
  /// A press outside closes the menu without a choice; then the fade-out runs to its end.
  void Dismiss()
  {
    Press(IRECT(0, 0, 1, 1));
    for (int s = 0; s < 3; ++s)
      Step(*popup, 101);
  }

  IPopupMenuControl* popup = nullptr;
  IPopupMenu menu{"", 0, false, {"one", "two", "three"}};
  IPopupMenu other{"", 0, false, {"x"}};
  graphicstest::TestControl requester{IRECT(0, 0, 10, 10)};
  IControl* requesterAtCompletion = nullptr;
  std::vector<std::string> calls;
};

TEST_F(PopupMenuTest, FadesInChoosesAndClosesOverThreeHundredMillisecondsRefusingMenusMeanwhile)
{
  Open(menu, IRECT(100, 100, 140, 120), false);
  EXPECT_EQ(popup->GetState(), State::kMenuExpanding);
  EXPECT_FALSE(popup->IsHidden());
  Step(*popup, 50);
  EXPECT_NEAR(popup->GetPanel(0).mBlend.mWeight, 0.5f * 0.95f, 1e-3);
  Step(*popup, 51);
  EXPECT_EQ(popup->GetState(), State::kMenuOpen);
  EXPECT_FLOAT_EQ(popup->GetPanel(0).mBlend.mWeight, 0.95f);

  Press(Cell(0, 1));
  EXPECT_EQ(calls, (std::vector<std::string>{"completion 1"}));
  EXPECT_EQ(requesterAtCompletion, &requester) << "the completion runs before the result reaches the requester";
  EXPECT_EQ(g.GetPopupRequester(), nullptr);
  EXPECT_EQ(popup->GetState(), State::kMenuConfirming);
  EXPECT_TRUE(popup->IsHidden());

  for (int expected : {State::kMenuCollapsing, State::kMenuClosing, State::kMenuClosed})
  {
    popup->CreatePopupMenu(other, IRECT(10, 10, 20, 20));
    EXPECT_EQ(popup->GetPanel(0).mMenu, &menu) << "a menu asked for within 300 ms of a choice is dropped";
    Step(*popup, 101);
    EXPECT_EQ(popup->GetState(), expected);
  }
  EXPECT_EQ(popup->NPanels(), 0);
  popup->CreatePopupMenu(other, IRECT(10, 10, 20, 20));
  EXPECT_EQ(popup->GetState(), State::kMenuExpanding);
}

TEST_F(PopupMenuTest, PressesDuringFadesReachNoItem)
{
  menu.AddItem(new IPopupMenu::Item("sub", new IPopupMenu("", 0, false, {"a", "b"})));
  Open(menu, IRECT(100, 100, 140, 120), false);
  Step(*popup, 50);
  Press(Cell(0, 0));
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(popup->GetState(), State::kMenuExpanding);

  Step(*popup, 51);
  Hover(Cell(0, 3));
  EXPECT_EQ(popup->GetState(), State::kSubmenuOpening);
  ASSERT_EQ(popup->NPanels(), 2);
  Step(*popup, 170);
  EXPECT_EQ(popup->GetPanel(1).mBlend.mWeight, 0.f) << "a submenu stays invisible for 90% of its 200 ms";
  Press(Cell(1, 0));
  EXPECT_TRUE(calls.empty());
  Step(*popup, 15);
  EXPECT_FLOAT_EQ(popup->GetPanel(1).mBlend.mWeight, 0.95f);
  Step(*popup, 20);
  EXPECT_EQ(popup->GetState(), State::kMenuOpen);
}

// A submenu hovered while the root still fades in: the root shows fully at once and stays so while the submenu
// fades in, which it alone does.
TEST_F(PopupMenuTest, ARootPanelFadingInShowsFullyWhenItsSubmenuOpens)
{
  menu.AddItem(new IPopupMenu::Item("sub", new IPopupMenu("", 0, false, {"a"})));
  Open(menu, IRECT(100, 100, 140, 120), false);
  Step(*popup, 50);
  Hover(Cell(0, 3));
  EXPECT_EQ(popup->GetState(), State::kSubmenuOpening);
  ASSERT_EQ(popup->NPanels(), 2);
  for (int ms : {0, 100, 75})
  {
    Step(*popup, ms);
    EXPECT_FLOAT_EQ(popup->GetPanel(0).mBlend.mWeight, 0.95f) << ms;
    EXPECT_EQ(popup->GetPanel(1).mBlend.mWeight, 0.f) << ms;
  }
  Step(*popup, 10);
  EXPECT_FLOAT_EQ(popup->GetPanel(1).mBlend.mWeight, 0.95f);
}

// While the menu is on screen, fading in or a submenu fading in included, every pointer is the menu's; a press
// during a fade chooses nothing, one while open closes the menu, and from then on the editor has the pointer.
TEST_F(PopupMenuTest, ContextGivesTheMenuEveryPointerWhileItIsOnScreen)
{
  menu.AddItem(new IPopupMenu::Item("sub", new IPopupMenu("", 0, false, {"a"})));
  auto* below = new graphicstest::TestControl(IRECT(0, 0, 400, 300));
  g.AttachControl(below);
  g.OpenPopupMenu(*below, menu, IRECT(100, 100, 140, 120));
  auto send = [&](float x, float y, bool dblClick = false) {
    IMouseInfo press;
    press.mX = x, press.mY = y, press.mMod = left;
    g.OnMouseOver(x, y, left);
    if (dblClick)
      g.OnMouseDblClick(x, y, left);
    else
      g.OnMouseDown({press});
    g.OnMouseUp({press});
  };
  const size_t attached = below->mCalls.size();
  send(5, 5);
  send(Cell(0, 0).CentreX(), Cell(0, 0).CentreY(), true);
  Step(*popup, 101);
  g.OnMouseOver(Cell(0, 3).CentreX(), Cell(0, 3).CentreY(), left);
  ASSERT_EQ(popup->GetState(), State::kSubmenuOpening);
  send(5, 5);
  send(Cell(0, 1).CentreX(), Cell(0, 1).CentreY());
  EXPECT_EQ(below->mCalls.size(), attached) << "no press or hover reached the control under the menu";
  EXPECT_TRUE(calls.empty()) << "presses during fades choose nothing";
  Step(*popup, 201);
  send(5, 5);
  EXPECT_EQ(below->mCalls.size(), attached);
  EXPECT_EQ(popup->GetState(), State::kMenuConfirming) << "a press outside the cells closes the open menu";
  send(5, 5);
  EXPECT_EQ(below->mCalls.back(), "up") << "while the menu fades out, pointers reach the editor again";
}

// A shown menu keeps its items until it is chosen from: a rebuild asked for meanwhile changes nothing.
TEST_F(PopupMenuTest, AShownMenuKeepsItsItemsUntilChosenFrom)
{
  menu.AddItem(new IPopupMenu::Item("sub", new IPopupMenu("", 0, false, {"a"})));
  IPopupMenu* sub = menu.GetItem(3)->GetSubmenu();
  Open(menu);
  Hover(Cell(0, 3));
  for (IPopupMenu* m : {&menu, sub})
  {
    m->Clear();
    m->RemoveEmptySubmenus();
    EXPECT_EQ(m->AddItem("new"), nullptr);
    EXPECT_EQ(m->AddSubmenuItem("new", new IPopupMenu()), nullptr);
  }
  EXPECT_EQ(menu.NItems(), 4);
  EXPECT_EQ(sub->NItems(), 1);
  popup->Draw(g);
  menu.SetFunction([&](IPopupMenu* m) { m->Clear(); }); // the owner may rebuild it once chosen from
  Step(*popup, 201);
  Hover(Cell(0, 0));
  Press(Cell(0, 0));
  EXPECT_EQ(menu.NItems(), 0);
}

// When the control that asked for a menu goes away, the menu goes off screen with it.
TEST_F(PopupMenuTest, RemovingTheRequesterTakesItsMenuOffScreen)
{
  struct Owner : graphicstest::TestControl
  {
    using TestControl::TestControl;
    IPopupMenu mMenu{"", 0, false, {"one", "two"}};
  };
  auto* owner = new Owner(IRECT(0, 0, 10, 10));
  g.AttachControl(owner);
  g.OpenPopupMenu(*owner, owner->mMenu, IRECT(100, 100, 140, 120));
  Step(*popup, 101);
  g.RemoveControl(owner);
  EXPECT_EQ(popup->GetState(), State::kMenuClosed);
  EXPECT_TRUE(popup->IsHidden());
  EXPECT_EQ(popup->NPanels(), 0);
  popup->Draw(g);
  Step(*popup, 101);
}

// A label wider than the editor: the panel stays inside it, and the label keeps its start and end around " ... ".
TEST_F(PopupMenuTest, ALabelWiderThanTheEditorIsCutAndItsPanelStaysInside)
{
  auto* wide = new IPopupMenu("", 0, false, {"short"});
  wide->AddItem((std::string(40, 'a') + std::string(40, 'z')).c_str()); // 80 x 7 = 560 wide
  menu.AddItem(new IPopupMenu::Item("sub", wide));
  Open(menu, IRECT(300, 100, 340, 120));
  Hover(Cell(0, 3));
  ASSERT_EQ(popup->NPanels(), 2);
  EXPECT_GE(popup->GetPanel(1).mRECT.mLeft, 0.f);
  EXPECT_LE(popup->GetPanel(1).mRECT.mRight, 400.f);
  Step(*popup, 201);
  g.mOps.clear();
  popup->Draw(g);
  std::vector<std::string> labels;
  for (const auto& op : g.mOps)
    if (op.mName == "DrawText")
      labels.push_back(op.mText);
  ASSERT_EQ(labels.size(), 6u);
  EXPECT_EQ(labels[4], "short");
  EXPECT_EQ(labels[5], std::string(23, 'a') + " ... " + std::string(22, 'z'))
    << "the label has 370 - 20 = 350, 50 characters of 7";
}

TEST_F(PopupMenuTest, HoverKeepsOnlyTheChainToTheHoveredSubmenu)
{
  menu.AddItem(new IPopupMenu::Item("first", new IPopupMenu("", 0, false, {"a", "b"})));
  menu.AddItem(new IPopupMenu::Item("second", new IPopupMenu("", 0, false, {"c"})));
  Open(menu);
  Hover(Cell(0, 3));
  Hover(Cell(0, 4));
  ASSERT_EQ(popup->NPanels(), 3);
  EXPECT_TRUE(popup->GetPanel(0).mShown);
  EXPECT_FALSE(popup->GetPanel(1).mShown);
  EXPECT_TRUE(popup->GetPanel(2).mShown);
  EXPECT_EQ(popup->GetPanel(0).mHighlightedCell, &Cell(0, 4));

  // The submenu of a root panel that opened below its anchor starts level with the hovered cell.
  EXPECT_FLOAT_EQ(popup->GetPanel(2).Cell(0)->mTop, Cell(0, 4).mTop);

  Hover(Cell(0, 0));
  EXPECT_FALSE(popup->GetPanel(2).mShown) << "an item without submenu hides the active panel's children";
  EXPECT_EQ(popup->GetPanel(0).mHighlightedCell, nullptr);

  Hover(Cell(0, 4));
  Step(*popup, 201);
  Hover(*popup->GetPanel(2).Cell(0));
  Press(*popup->GetPanel(2).Cell(0));
  EXPECT_EQ(calls, (std::vector<std::string>{})) << "the submenu's own completion runs, not the root's";
  EXPECT_EQ(popup->GetPanel(2).mMenu->GetChosenItemIdx(), 0);
}

TEST_F(PopupMenuTest, ThePointerBackOnTheParentPanelHoversItsRowsAgain)
{
  menu.AddItem(new IPopupMenu::Item("first", new IPopupMenu("", 0, false, {"a", "b"})));
  menu.AddItem(new IPopupMenu::Item("second", new IPopupMenu("", 0, false, {"c"})));
  Open(menu);
  Hover(Cell(0, 3));
  Step(*popup, 201);
  Hover(*popup->GetPanel(1).Cell(0));
  Hover(Cell(0, 4));
  EXPECT_EQ(popup->GetPanel(0).mHighlightedCell, &Cell(0, 4));
  ASSERT_EQ(popup->NPanels(), 3);
  EXPECT_FALSE(popup->GetPanel(1).mShown);
  EXPECT_TRUE(popup->GetPanel(2).mShown);
  Dismiss();
}

TEST_F(PopupMenuTest, ASubmenuOpensBesideItsParentOnTheSideAwayFromTheEditorEdge)
{
  // Anchored left of the centre (or on it) the submenu opens to the right, right of it to the left (as the preset
  // menu's do): either way both its edges lie on that side of the parent panel, the same small gap away, never over it.
  menu.AddItem(new IPopupMenu::Item("sub", new IPopupMenu("", 0, false, {"alpha", "beta"})));
  struct Case
  {
    float anchorX;
    bool right;
  } cases[] = {{40, true}, {300, false}, {170, true}, {230, false}, {180, true}};
  float gaps[2] = {-1, -1};
  for (const Case& c : cases)
  {
    Open(menu, IRECT(c.anchorX, 100, c.anchorX + 40, 120));
    Hover(Cell(0, 3));
    Step(*popup, 201);
    ASSERT_EQ(popup->NPanels(), 2) << c.anchorX;
    EXPECT_EQ(popup->GetSubmenusOpenRight(), c.right) << c.anchorX;
    const IRECT parent = popup->GetPanel(0).mTargetRECT, sub = popup->GetPanel(1).mTargetRECT;
    const float gap = c.right ? sub.mLeft - parent.mRight : parent.mLeft - sub.mRight;
    EXPECT_GE(gap, 0.f) << c.anchorX;
    EXPECT_LE(gap, 20.f) << c.anchorX;
    EXPECT_GT(c.right ? sub.mRight - parent.mRight : parent.mLeft - sub.mLeft, 0.f) << c.anchorX;
    if (gaps[c.right] >= 0)
    {
      EXPECT_FLOAT_EQ(gap, gaps[c.right]) << c.anchorX;
    }
    gaps[c.right] = gap;
    Dismiss();
  }
  EXPECT_FLOAT_EQ(gaps[0], gaps[1]) << "the same gap on either side";
}

TEST_F(PopupMenuTest, AMenuWithNoRoomBelowItsAnchorOpensBesideItNotOverIt)
{
  // Near the bottom of the 400 x 300 editor: to the right of an anchor left of the centre, to the left of one
  // right of it, the panel's near edge on the anchor's far edge and its rows level with the anchor.
  float widths[2];
  for (int right = 0; right < 2; ++right)
  {
    const IRECT anchor = right ? IRECT(300, 250, 340, 270) : IRECT(40, 250, 80, 270);
    Open(menu, anchor);
    const IRECT panel = popup->GetPanel(0).mTargetRECT;
    EXPECT_FLOAT_EQ(right ? panel.mRight : panel.mLeft, right ? anchor.mLeft : anchor.mRight) << right;
    EXPECT_TRUE(panel.mTop <= anchor.mTop && panel.mBottom >= anchor.mBottom && panel.mBottom <= 300) << right;
    widths[right] = panel.W();
    Dismiss();
  }
  EXPECT_FLOAT_EQ(widths[0], widths[1]);
}

// A menu taller than the room below or above its anchor's rows still opens beside the anchor, alongside all of
// it, and is held inside the editor: down to the bottom from an anchor in the upper half, up to the top from one
// in the lower half.
TEST_F(PopupMenuTest, ATallMenuBesideItsAnchorIsHeldInsideTheEditor)
{
  IPopupMenu tall;
  for (int i = 0; i < 12; ++i)
    tall.AddItem("item");
  for (const IRECT& anchor : {IRECT(40, 100, 80, 120), IRECT(300, 100, 340, 120), IRECT(40, 180, 80, 200),
                              IRECT(300, 180, 340, 200)})
  {
    SCOPED_TRACE(std::to_string(anchor.mLeft) + "," + std::to_string(anchor.mTop));
    Open(tall, anchor);
    const IRECT panel = popup->GetPanel(0).mTargetRECT;
    const bool right = anchor.mLeft > 200.f, upper = anchor.mTop < 150.f;
    EXPECT_FLOAT_EQ(right ? panel.mRight : panel.mLeft, right ? anchor.mLeft : anchor.mRight);
    EXPECT_TRUE(panel.mTop <= anchor.mTop && panel.mBottom >= anchor.mBottom);
    EXPECT_FALSE(popup->GetPanel(0).mScrolls);
    if (upper)
      EXPECT_FLOAT_EQ(panel.mBottom, 290.f) << "its shadow's margin from the editor's bottom";
    else
      EXPECT_FLOAT_EQ(panel.mTop, 14.f) << "its shadow's margin from the editor's top";
    Dismiss();
  }
}

TEST_F(PopupMenuTest, PressOnUnchoosableItemsOrOutsideClosesWithoutChoice)
{
  menu.GetItem(0)->SetFlags(IPopupMenu::Item::kDisabled);
  menu.AddSeparator();
  menu.AddItem("title", IPopupMenu::Item::kTitle);
  IPopupMenu empty;
  empty.SetFunction([this](IPopupMenu* m) { calls.push_back("empty " + std::to_string(m->GetChosenItemIdx())); });
  const std::vector<std::pair<IPopupMenu*, IRECT>> presses = {
    {&menu, IRECT(0, 0, 1, 1)}, {&menu, IRECT()}, {&menu, IRECT()}, {&menu, IRECT()}, {&empty, IRECT(5, 5, 6, 6)}};
  for (size_t i = 0; i < presses.size(); ++i)
  {
    Open(*presses[i].first);
    const IRECT target = i == 1 ? Cell(0, 0) : i == 2 ? Cell(0, 3) : i == 3 ? Cell(0, 4) : presses[i].second;
    Press(target);
    for (int s = 0; s < 3; ++s)
      Step(*popup, 101);
    ASSERT_EQ(popup->GetState(), State::kMenuClosed);
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"completion -1", "completion -1", "completion -1", "completion -1",
                                             "empty -1"}));

  // The disabled row takes no hover either: nothing under the pointer is highlighted.
  Open(menu);
  Hover(Cell(0, 0));
  g.mOps.clear();
  popup->Draw(g);
  for (const auto& op : g.mOps)
    EXPECT_FALSE(op.mName == "FillRect" && op.mColor == IColor(255, 0, 0, 255)) << "a highlight at " << op.mRect.mTop;
  // Its label is grey.
  std::vector<IColor> labels;
  for (const auto& op : g.mOps)
    if (op.mName == "DrawText" && op.mText == menu.GetItem(0)->GetText())
      labels.push_back(op.mColor);
  EXPECT_EQ(labels, std::vector<IColor>{IColor(255, 127, 127, 127)});
  Dismiss();
}

TEST_F(PopupMenuTest, MenuThatFitsOpensBelowItsAnchorCentredOnIt)
{
  // Widest text "three": 35 wide, so the panel is 63 x 46 and its cells start 5 in from the panel's corner.
  for (const IRECT& anchor : {IRECT(100, 10, 140, 30), IRECT(300, 200, 340, 220)})
  {
    Open(menu, anchor);
    EXPECT_EQ(popup->GetCalloutDirection(), 2);
    EXPECT_FLOAT_EQ(Cell(0, 0).mLeft, anchor.CentreX() - 63.f / 2.f + 5.f);
    EXPECT_FLOAT_EQ(Cell(0, 0).mTop, anchor.mBottom + 5.f);
    popup->CloseWithChoice();
    for (int s = 0; s < 3; ++s)
      Step(*popup, 101);
  }
}

TEST_F(PopupMenuTest, TallMenuScrollsOneItemPerHoverAndStopsAtBothEnds)
{
  IPopupMenu tall;
  for (int i = 0; i < 200; ++i)
    tall.AddItem("i");
  Open(tall, IRECT(200, 250, 240, 270));
  const auto& panel = popup->GetPanel(0);
  ASSERT_TRUE(panel.mScrolls);
  ASSERT_EQ(panel.NCells(), 17) << "(300 - 5 - 15) / (14 + 2) rows";
  EXPECT_FLOAT_EQ(panel.Cell(0)->mTop, 15.f);

  Hover(*panel.Cell(0));
  EXPECT_EQ(panel.mFirstShownItem, 0);
  for (int i = 0; i < 5; ++i)
    Hover(*panel.Cell(16));
  EXPECT_EQ(panel.mFirstShownItem, 5);
  Hover(*panel.Cell(0));
  EXPECT_EQ(panel.mFirstShownItem, 4);
  for (int i = 0; i < 300; ++i)
    Hover(*panel.Cell(16));
  EXPECT_EQ(panel.mFirstShownItem, 200 - 17);

  // Pressing the row that shows the down arrow chooses the item shown there.
  tall.SetFunction([this](IPopupMenu* m) { calls.push_back(std::to_string(m->GetChosenItemIdx())); });
  Press(*panel.Cell(16));
  EXPECT_EQ(calls, (std::vector<std::string>{"199"}));
  EXPECT_EQ(panel.mChosenCell, panel.Cell(16));
}

TEST_F(PopupMenuTest, AScrolledMenuShowsArrowsInItsEndRowsAndTheItemsBetween)
{
  IPopupMenu tall;
  for (int i = 0; i < 30; ++i)
    tall.AddItem(("item " + std::to_string(i)).c_str());
  Open(tall, IRECT(200, 250, 240, 270));
  const auto& panel = popup->GetPanel(0);
  ASSERT_EQ(panel.NCells(), 17);
  // The labels drawn, then each arrow as the row it lies in, "up" or "down" for where its tip points and "lit"
  // in the hovered row's colour, then the highlighted row.
  auto drawn = [&] {
    g.mOps.clear();
    popup->Draw(g);
    std::vector<std::string> out;
    for (const auto& op : g.mOps)
      if (op.mName == "DrawText")
        out.push_back(op.mText);
    for (const auto& op : g.mOps)
      if (op.mName == "FillTriangle")
      {
        const std::vector<float>& p = op.mArgs; // x1 y1 x2 y2 tip
        const float top = std::min({p[1], p[3], p[5]}), bottom = std::max({p[1], p[3], p[5]});
        int row = -1;
        for (int i = 0; i < panel.NCells(); ++i)
          if (panel.Cell(i)->mTop <= top && bottom <= panel.Cell(i)->mBottom)
            row = i;
        EXPECT_EQ(p[1], p[3]) << "a level base";
        EXPECT_FLOAT_EQ(p[4], (p[0] + p[2]) / 2.f) << "the tip over the middle of the base";
        const IRECT& cell = *panel.Cell(std::max(row, 0));
        EXPECT_FLOAT_EQ((top + bottom) / 2.f, cell.CentreY()) << "centred in its row";
        EXPECT_FLOAT_EQ((p[0] + p[2]) / 2.f, cell.CentreX());
        EXPECT_NEAR(bottom - top, 0.6f * cell.H(), 1e-3f) << "a mark three fifths of the row's height";
        EXPECT_NEAR(std::abs(p[2] - p[0]), bottom - top, 1e-3f) << "as wide as it is tall";
        out.push_back(std::to_string(row) + (p[5] < p[1] ? " up" : " down") +
                      (op.mColor == IColor(255, 255, 255, 255) ? " lit" : ""));
      }
    for (const auto& op : g.mOps)
      if (op.mName == "FillRect" && op.mColor == IColor(255, 0, 0, 255))
        for (int i = 0; i < panel.NCells(); ++i)
          if (op.mRect.mTop == panel.Cell(i)->mTop)
            out.push_back(std::to_string(i) + " highlighted");
    return out;
  };
  auto labels = [](int from, int to) {
    std::vector<std::string> out;
    for (int i = from; i <= to; ++i)
      out.push_back("item " + std::to_string(i));
    return out;
  };
  auto with = [](std::vector<std::string> v, std::initializer_list<const char*> more) {
    v.insert(v.end(), more.begin(), more.end());
    return v;
  };
  EXPECT_EQ(drawn(), with(labels(0, 15), {"16 down"}));
  Hover(*panel.Cell(16));
  ASSERT_EQ(panel.mFirstShownItem, 1);
  EXPECT_EQ(drawn(), with(labels(2, 16), {"0 up", "16 down lit", "16 highlighted"}));
  for (int i = 0; i < 20; ++i)
    Hover(*panel.Cell(16));
  ASSERT_EQ(panel.mFirstShownItem, 13);
  EXPECT_EQ(drawn(), with(labels(14, 29), {"0 up", "16 highlighted"}));
  Hover(*panel.Cell(0));
  EXPECT_EQ(drawn(), with(labels(13, 27), {"0 up lit", "16 down", "0 highlighted"}));
  Dismiss(); // before the menu goes
}

class LayoutProbe : public IPopupMenuControl
{
public:
  using IPopupMenuControl::LayoutPanel;
  using IPopupMenuControl::mMenuBoundsLimit;
};

TEST_F(PopupMenuTest, OverflowingPanelMovesUpButNeverPastTheEditorTop)
{
  auto* probe = new LayoutProbe();
  g.RemovePopupMenuControl();
  g.AttachPopupMenuControl(probe);
  probe->mMenuBoundsLimit = g.GetBounds();
  IPopupMenu sixteen;
  for (int i = 0; i < 16; ++i)
    sixteen.AddItem("i");
  // From far below the room it needs to just a few points below it.
  for (float y : {100.f, 60.f, 45.f})
  {
    const auto* panel = probe->LayoutPanel(sixteen, 50.f, y, -1);
    ASSERT_EQ(panel->NCells(), 16);
    EXPECT_FALSE(panel->mScrolls);
    EXPECT_GE(panel->Cell(0)->mTop, 15.f) << y;
    EXPECT_LE(panel->Cell(15)->mBottom, 300.f) << y;
  }
}

class SpacedLayoutProbe : public LayoutProbe
{
public:
  static constexpr float kPadding = 7.f, kGap = 3.f, kSeparator = 4.f;
  SpacedLayoutProbe()
  {
    mPadding = kPadding;
    mCellGap = kGap;
    mSeparatorSize = kSeparator;
  }
};

// Whether its column fits below where it is asked for, is moved up, or scrolls, a panel's cells stand the padding
// in from its left edge, each as wide as the widest label's cell, one under the next with the gap between.
TEST_F(PopupMenuTest, LaidOutCellsStandThePaddingInFromThePanelEdgeWithTheGapBetweenRows)
{
  auto* probe = new SpacedLayoutProbe();
  g.RemovePopupMenuControl();
  g.AttachPopupMenuControl(probe);
  probe->mMenuBoundsLimit = g.GetBounds();
  constexpr float p = SpacedLayoutProbe::kPadding, x = 50.f, rowHeight = 14.f; // 14-point labels
  IPopupMenu fits{"", 0, false, {"one", "two", "three"}};
  fits.AddSeparator();
  fits.AddItem("four");
  IPopupMenu movedUp, scrolls;
  for (int i = 0; i < 14; ++i)
    movedUp.AddItem("i");
  for (int i = 0; i < 200; ++i)
    scrolls.AddItem("i");
  // Label width (7 a byte) with 5 of text padding each side, 10 for the check mark and 8 for the submenu arrow.
  struct Case
  {
    IPopupMenu* menu;
    float y, cellWidth;
    bool scrolls;
  };
  for (const Case& c : {Case{&fits, 40.f, 63.f, false}, Case{&movedUp, 100.f, 35.f, false},
                        Case{&scrolls, 100.f, 35.f, true}})
  {
    SCOPED_TRACE(std::to_string(c.menu->NItems()) + " items");
    const auto* panel = probe->LayoutPanel(*c.menu, x, c.y, -1);
    EXPECT_EQ(panel->mScrolls, c.scrolls);
    ASSERT_EQ(panel->NCells(), c.scrolls ? 16 : c.menu->NItems());
    EXPECT_EQ(panel->mScrollMaxRows, c.scrolls ? 16 : 0);
    EXPECT_EQ(panel->mSingleCellBounds, IRECT(x, c.y, x + c.cellWidth, c.y + rowHeight));
    if (c.menu == &fits)
    {
      EXPECT_FLOAT_EQ(panel->Cell(0)->mTop, c.y + p);
    }
    else
    {
      EXPECT_LT(panel->Cell(0)->mTop, c.y + p) << "the column does not fit below where it was asked for";
    }
    for (int i = 0; i < panel->NCells(); ++i)
    {
      const IRECT& cell = *panel->Cell(i);
      EXPECT_FLOAT_EQ(cell.mLeft, x + p) << i;
      EXPECT_FLOAT_EQ(cell.mRight, x + p + c.cellWidth) << i;
      const bool separator = !c.scrolls && c.menu->GetItem(i)->GetIsSeparator();
      EXPECT_FLOAT_EQ(cell.H(), separator ? SpacedLayoutProbe::kSeparator : rowHeight) << i;
      if (i > 0)
      {
        EXPECT_FLOAT_EQ(cell.mTop, panel->Cell(i - 1)->mBottom + SpacedLayoutProbe::kGap) << i;
      }
    }
    EXPECT_FLOAT_EQ(panel->mTargetRECT.mLeft, x);
    EXPECT_FLOAT_EQ(panel->mTargetRECT.mRight, x + 2.f * p + c.cellWidth);
  }
}

TEST_F(PopupMenuTest, AMenuMeasuresAsTheColumnItsCellsFill)
{
  // Placement goes by the measured size: it must be the column of cells that is then laid out, gaps between
  // neighbours included and none after the last.
  IPopupMenu one{"", 0, false, {"one"}};
  menu.AddSeparator();
  menu.AddItem("four");
  for (IPopupMenu* m : {&one, &menu})
  {
    Open(*m);
    float w = 0.f, h = 0.f;
    popup->MeasurePanel(*m, w, h);
    const int n = popup->GetPanel(0).NCells();
    ASSERT_EQ(n, m->NItems());
    EXPECT_FLOAT_EQ(Cell(0, n - 1).mBottom - Cell(0, 0).mTop, h) << n << " items";
    EXPECT_FLOAT_EQ(Cell(0, 0).W(), w) << n << " items";
    Dismiss();
  }
}

TEST_F(PopupMenuTest, SeparatorsAppearOnlyOnceFadedInAndLabelsAndHighlightSitInTheirCells)
{
  menu.AddSeparator();
  menu.AddItem("four");
  Open(menu, IRECT(100, 100, 140, 120), false);
  auto separators = [this] {
    g.mOps.clear();
    popup->Draw(g);
    int n = 0;
    for (const auto& op : g.mOps)
      n += op.mName == "FillRect" && op.mColor == IColor(255, 200, 200, 200) && op.mBlendWeight == 0.25f;
    return n;
  };
  Step(*popup, 90);
  EXPECT_EQ(separators(), 0);
  Step(*popup, 11);
  EXPECT_EQ(separators(), 1);

  // Labels are drawn left-aligned from 15 in, whatever the alignment of the control's text style.
  for (const auto& op : g.mOps)
    if (op.mName == "DrawText" && op.mText == "two")
    {
      EXPECT_FLOAT_EQ(op.mRect.mLeft, Cell(0, 1).mLeft + 15.f);
    }
  Hover(Cell(0, 1));
  g.mOps.clear();
  popup->Draw(g);
  for (const auto& op : g.mOps)
    if (op.mName == "FillRect" && op.mColor == IColor(255, 0, 0, 255))
    {
      EXPECT_EQ(op.mRect, IRECT(Cell(0, 1).mLeft - 5, Cell(0, 1).mTop, Cell(0, 1).mRight + 5, Cell(0, 1).mBottom))
        << "the hovered cell's highlight reaches 5 beyond the cell";
    }
}

class CalloutProbe : public IPopupMenuControl
{
public:
  explicit CalloutProbe(bool preferBelow)
  {
    mCalloutOn = true;
    mPreferBelow = preferBelow;
  }
};

TEST_F(PopupMenuTest, CalloutsFillTheGapsToTheAnchorAndToTheSubmenuPointingBack)
{
  constexpr float a = 8.f; // the callout's size
  IPopupMenu ten{"", 0, false, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}};
  IPopupMenu withSub{"", 0, false, {"one", "two", "three"}};
  withSub.AddItem(new IPopupMenu::Item("sub", new IPopupMenu("", 0, false, {"alpha", "beta"})));
  auto callouts = [&] {
    g.mOps.clear();
    popup->Draw(g);
    // The callouts come after the panels: the triangles the drawing ends with.
    std::vector<std::vector<float>> out;
    for (auto op = g.mOps.rbegin(); op != g.mOps.rend() && op->mName == "FillTriangle"; ++op)
      out.insert(out.begin(), op->mArgs);
    return out;
  };
  // A callout from its tip at (x, y) toward (dx, dy): the base lies a further on, a long across, on the edge
  // of the panel beyond.
  auto expectCallout = [&](const std::vector<float>& t, float x, float y, float dx, float dy, float panelEdge) {
    EXPECT_FLOAT_EQ(t[4], x);
    EXPECT_FLOAT_EQ(t[5], y);
    const float bx = x + a * dx, by = y + a * dy;
    EXPECT_FLOAT_EQ((t[0] + t[2]) / 2.f, bx);
    EXPECT_FLOAT_EQ((t[1] + t[3]) / 2.f, by);
    EXPECT_FLOAT_EQ(std::abs(t[2] - t[0]) + std::abs(t[3] - t[1]), a);
    EXPECT_FLOAT_EQ(dx != 0.f ? t[0] - t[2] : t[1] - t[3], 0.f) << "the base lies across the way it points";
    EXPECT_FLOAT_EQ(dx != 0.f ? bx : by, panelEdge);
  };
  auto expectAnchorCallout = [&](const std::vector<float>& t, const IRECT& anchor, int dir, const IRECT& panel) {
    switch (dir)
    {
    case 0: expectCallout(t, anchor.CentreX(), anchor.mTop, 0.f, -1.f, panel.mBottom); break;
    case 1: expectCallout(t, anchor.mRight, anchor.CentreY(), 1.f, 0.f, panel.mLeft); break;
    case 2: expectCallout(t, anchor.CentreX(), anchor.mBottom, 0.f, 1.f, panel.mTop); break;
    default: expectCallout(t, anchor.mLeft, anchor.CentreY(), -1.f, 0.f, panel.mRight); break;
    }
  };
  struct Case
  {
    IRECT anchor;
    IPopupMenu* menu;
    int dir; // 0 above the anchor, 1 right of it, 2 below, 3 left
  };
  // Where a menu opens below its anchor when there is room, and where it opens when it does not prefer that.
  for (bool preferBelow : {true, false})
  {
    g.RemovePopupMenuControl();
    g.AttachPopupMenuControl(new CalloutProbe(preferBelow));
    popup = g.GetPopupMenuControl();
    for (const Case& c : {Case{IRECT(100, 10, 140, 30), &menu, 2}, Case{IRECT(40, 250, 80, 270), &menu, 0},
                          Case{IRECT(180, 130, 220, 150), &ten, 1}, Case{IRECT(300, 200, 340, 220), &ten, 3},
                          Case{IRECT(180, 50, 220, 70), &menu, preferBelow ? 2 : 1}})
    {
      SCOPED_TRACE(c.anchor.mLeft);
      Open(*c.menu, c.anchor);
      ASSERT_EQ(popup->GetCalloutDirection(), c.dir);
      const auto drawn = callouts();
      ASSERT_EQ(drawn.size(), 1u);
      expectAnchorCallout(drawn[0], c.anchor, c.dir, popup->GetPanel(0).mTargetRECT);
      Dismiss();
    }
  }
  // With a submenu open, a second callout points from the submenu back at the hovered row's panel.
  // As much room above as below: the menu opens below. A submenu beside a menu above its anchor ends a little
  // below the hovered row; beside one below, it starts level with it.
  for (const Case& c : {Case{IRECT(100, 10, 140, 30), &withSub, 2}, Case{IRECT(300, 200, 340, 220), &withSub, 0},
                        Case{IRECT(100, 140, 140, 160), &withSub, 2}})
  {
    SCOPED_TRACE(c.anchor.mLeft);
    Open(*c.menu, c.anchor);
    EXPECT_EQ(callouts().size(), 2u) << "the last row's submenu mark and the anchor's callout, none to a submenu yet";
    Hover(Cell(0, 3));
    Step(*popup, 201);
    ASSERT_EQ(popup->NPanels(), 2);
    ASSERT_EQ(popup->GetCalloutDirection(), c.dir);
    const auto drawn = callouts();
    ASSERT_EQ(drawn.size(), 2u);
    const IRECT parent = popup->GetPanel(0).mTargetRECT, sub = popup->GetPanel(1).mTargetRECT;
    expectAnchorCallout(drawn[0], c.anchor, c.dir, parent);
    if (popup->GetSubmenusOpenRight())
      expectCallout(drawn[1], parent.mRight, Cell(0, 3).CentreY(), 1.f, 0.f, sub.mLeft);
    else
      expectCallout(drawn[1], parent.mLeft, Cell(0, 3).CentreY(), -1.f, 0.f, sub.mRight);
    EXPECT_FLOAT_EQ(popup->GetPanel(1).Cell(0)->mTop, Cell(0, 3).mTop - (c.dir == 0 ? 13.5f : 0.f));
    Dismiss();
  }
}

// Where the panels go over a grid of anchors in the 400 x 300 editor: a short menu, one of ten rows, one too tall
// for the editor and one with a submenu (opened), without callouts and with them, preferring below or not.
// Each line: the anchor's corner, the rows laid out and whether they scroll, the callout's side, the root panel
// and its first row, then the submenu's panel and side.
TEST_F(PopupMenuTest, PanelsPlacedOverAGridOfAnchorsMatchTheirReference)
{
  IPopupMenu ten{"", 0, false, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}};
  IPopupMenu tall;
  for (int i = 0; i < 30; ++i)
    tall.AddItem(("item " + std::to_string(i)).c_str());
  IPopupMenu withSub{"", 0, false, {"one", "two", "three"}};
  withSub.AddItem(new IPopupMenu::Item("sub", new IPopupMenu("", 0, false, {"alpha", "beta", "gamma"})));
  auto rect = [](const IRECT& r) {
    return "[" + graphicstest::Num(r.mLeft) + " " + graphicstest::Num(r.mTop) + " " + graphicstest::Num(r.mRight) +
           " " + graphicstest::Num(r.mBottom) + "]";
  };
  std::ostringstream out;
  const char* const kinds[] = {"plain", "callouts below", "callouts beside"};
  for (int kind = 0; kind < 3; ++kind)
  {
    g.RemovePopupMenuControl();
    g.AttachPopupMenuControl(kind == 0 ? new IPopupMenuControl() : new CalloutProbe(kind == 1));
    popup = g.GetPopupMenuControl();
    out << "== " << kinds[kind] << "\n";
    // A grid over the editor with its centre lines, and the places where a panel just reaches the shadow's margin.
    for (IPopupMenu* m : {&menu, &ten, &tall, &withSub})
      for (float y : {0.f, 14.f, 22.f, 140.f, 178.f, 200.f, 280.f})
        for (float x : {-18.f, -10.f, 50.f, 190.f, 300.f, 380.f})
        {
          Open(*m, IRECT(x, y, x + 20.f, y + 20.f));
          const auto& root = popup->GetPanel(0);
          out << m->NItems() << " items at " << x << "," << y << ": " << root.NCells()
              << (root.mScrolls ? " rows scrolled" : " rows") << ", callout " << popup->GetCalloutDirection()
              << ", panel " << rect(root.mTargetRECT) << " row " << rect(*root.Cell(0));
          if (m == &withSub)
          {
            Hover(Cell(0, 3));
            Step(*popup, 201);
            out << ", submenu " << rect(popup->GetPanel(1).mTargetRECT)
                << (popup->GetSubmenusOpenRight() ? " right" : " left");
          }
          out << "\n";
          Dismiss();
        }
  }
  const std::string failure = graphicstest::CompareTextGolden("popup_placement", out.str());
  EXPECT_TRUE(failure.empty()) << failure;
}

} // namespace
} // namespace controlstest
