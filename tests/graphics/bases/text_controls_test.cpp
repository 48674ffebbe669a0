#include <sstream>

#include "bases_fixture.h"
#include "graphics/bases/ITextControls.h"
#include "graphics/overlay/ITextEntryControl.h"

using namespace graphicstest;

namespace {

struct CountingText : ITextControl
{
  using ITextControl::ITextControl;
  int mResizes = 0;
  void OnResize() override { ++mResizes; }
};

using TextControls = BasesTest;

} // namespace

TEST_F(TextControls, SizedToItsTextKeepingTheCentre)
{
  // Text is measured as 0.5 x size per character by size: "abc" at 20 is 30 x 20.
  auto* t = Attach(new CountingText(IRECT(100, 100, 200, 140), "abc", IText(20.f), kColorWhite, true));
  EXPECT_EQ(t->GetRECT(), IRECT(135, 110, 165, 130));
  EXPECT_EQ(t->GetHitRECT(), t->GetRECT());
  t->SetStr("abcdef");
  EXPECT_EQ(t->GetRECT(), IRECT(120, 110, 180, 130));
  const int resizes = t->mResizes;
  t->SetStr("abcdef");
  EXPECT_EQ(t->mResizes, resizes); // the same text again: not measured, not resized
}

// A plain text lets the pointer through to what lies under it; the link, toggle, caption and place holder take it.
TEST_F(TextControls, OnlyTheTextsThatActTakeThePointer)
{
  EXPECT_TRUE(ITextControl(IRECT(0, 0, 50, 20), "text").GetIgnoreMouse());
  EXPECT_FALSE(IURLControl(IRECT(0, 0, 50, 20), "site", "https://example.org", IText(), kColorWhite, kColorRed,
                           kColorGreen)
                 .GetIgnoreMouse());
  EXPECT_FALSE(ITextToggleControl(IRECT(0, 0, 50, 20), 0, "off", "on").GetIgnoreMouse());
  EXPECT_FALSE(ICaptionControl(IRECT(0, 0, 50, 20), 0).GetIgnoreMouse());
  EXPECT_FALSE(PlaceHolder(IRECT(0, 0, 50, 20)).GetIgnoreMouse());
}

TEST_F(TextControls, FormattedTextIsCutToTheLengthAndANegativeLengthWritesNothing)
{
  auto* t = Attach(new ITextControl(IRECT(0, 0, 50, 20), "old"));
  t->SetStrFmt(-1, "%d", 42);
  EXPECT_STREQ(t->GetStr(), "old");
  t->SetStrFmt(5, "%d", 1234567);
  EXPECT_STREQ(t->GetStr(), "12345");
  t->ClearStr();
  EXPECT_STREQ(t->GetStr(), "");
}

TEST_F(TextControls, LinkOpensItsAddressAndIsColouredByHoverThenClick)
{
  const IColor normal(255, 0, 0, 200), over(255, 0, 200, 0), clicked(255, 200, 0, 0);
  auto* u = Attach(new IURLControl(IRECT(0, 0, 100, 20), "site", "https://example.org", IText(14.f, normal),
                                   kColorTransparent, over, clicked));
  auto underline = [&] {
    mG.mOps.clear();
    u->Draw(mG);
    for (const DrawOp& op : mG.mOps)
      if (op.mName == "DrawLine")
        return op.mColor;
    return IColor();
  };
  EXPECT_EQ(underline(), normal);
  u->OnMouseOver(5, 5, IMouseMod());
  EXPECT_EQ(mG.mCursorKinds.back(), kPointingHandCursor);
  u->OnMouseDown(5, 5, IMouseMod(true));
  EXPECT_EQ(mG.mURLs, std::vector<std::string>{"https://example.org"});
  EXPECT_EQ(underline(), over); // hover wins over clicked
  u->OnMouseOut();
  EXPECT_EQ(mG.mCursorKinds.back(), kArrowCursor);
  EXPECT_EQ(underline(), clicked);
}

// The link's underline is as wide as its text and sits at its foot, at the near or the far side, whether the text
// hangs from the top or sits on the bottom.
TEST_F(TextControls, LinkUnderlineFollowsTheTextsAlignment)
{
  // "site" at 14 is measured 28 x 14; the control is 100 x 20 at (10, 30).
  struct Case
  {
    int hAlign, vAlign;
    float left, y;
  };
  for (const Case& c : {Case{kAlignNear, kVAlignTop, 10.f, 44.f}, Case{kAlignFar, kVAlignBottom, 82.f, 50.f},
                        Case{kAlignNear, kVAlignBottom, 10.f, 50.f}, Case{kAlignFar, kVAlignTop, 82.f, 44.f}})
  {
    auto* u = Attach(new IURLControl(IRECT(10, 30, 110, 50), "site", "https://example.org",
                                     IText(14.f, kColorBlack, nullptr, c.hAlign, c.vAlign), kColorTransparent,
                                     kColorRed, kColorGreen));
    mG.mOps.clear();
    u->Draw(mG);
    IRECT line;
    for (const DrawOp& op : mG.mOps)
      if (op.mName == "DrawLine")
        line = op.mRect;
    EXPECT_EQ(line, IRECT(c.left, c.y, c.left + 28.f, c.y)) << c.hAlign << " " << c.vAlign;
  }
}

TEST_F(TextControls, ToggleAtOneHalfGoesOffAndShowsTheOffText)
{
  auto* t = Attach(new ITextToggleControl(IRECT(0, 0, 50, 20), 0, "off", "on"));
  t->OnMouseDown(0, 0, IMouseMod(true));
  EXPECT_EQ(t->GetValue(0), 1.0);
  EXPECT_STREQ(t->GetStr(), "on");
  t->SetValue(0.5, 0);
  t->OnMouseDown(0, 0, IMouseMod(true));
  EXPECT_EQ(t->GetValue(0), 0.0);
  EXPECT_STREQ(t->GetStr(), "off");
  EXPECT_EQ(mDelegate.mValuesFromUI.back(), (std::pair<int, double>{0, 0.0}));
}

// A toggle made with an action and no parameter flips its text and runs the action on each click.
TEST_F(TextControls, ToggleWithAnActionRunsItOnEachClick)
{
  std::vector<std::string> seen;
  auto* t = Attach(new ITextToggleControl(IRECT(0, 0, 50, 20), [&](IControl* c) {
    seen.push_back(static_cast<ITextToggleControl*>(c)->GetStr());
  }, "off", "on"));
  for (int i = 0; i < 3; ++i)
    t->OnMouseDown(0, 0, IMouseMod(true));
  EXPECT_EQ(seen, (std::vector<std::string>{"on", "off", "on"}));
  EXPECT_EQ(t->GetParamIdx(0), -1);
  EXPECT_TRUE(mDelegate.mValuesFromUI.empty());
}

// Toggles flip on a double click as on a click, however they are made; a caption takes it as a click too.
TEST_F(TextControls, TogglesAndCaptionsTakeADoubleClickAsAClick)
{
  auto* bound = Attach(new ITextToggleControl(IRECT(0, 0, 50, 20), 0, "off", "on"));
  auto* acting = Attach(new ITextToggleControl(IRECT(0, 30, 50, 50), [](IControl*) {}, "off", "on"));
  for (ITextToggleControl* t : {bound, acting})
  {
    EXPECT_TRUE(mG.OnMouseDblClick(t->GetRECT().CentreX(), t->GetRECT().CentreY(), IMouseMod(true)));
    EXPECT_STREQ(t->GetStr(), "on");
    mG.ReleaseMouseCapture();
  }
  EXPECT_TRUE(ICaptionControl(IRECT(), 0).GetDblClickAsClick());
}

// A place holder shows where it is and how big; a double click edits its label in place.
TEST_F(TextControls, PlaceHolderShowsItsPlaceAndSizeAndItsLabelIsEditedInPlace)
{
  // Each text over a box of its extent: the height up the left edge (turned to read upwards), the width along the
  // top, the place in the corner, all 10 in; then the label, of any length, and without one nothing more.
  struct Angles : MeasuringGraphics
  {
    using MeasuringGraphics::MeasuringGraphics;
    std::vector<float> mAngles;
    void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend) override
    {
      mAngles.push_back(text.mAngle);
      MeasuringGraphics::DoDrawText(text, str, bounds, blend);
    }
  } g(mDelegate, 400, 300);
  PlaceHolder* p = nullptr;
  for (auto [label, right] : {std::pair{"", ""}, {"x", "22.5"}, {"osc", "42.5"}})
  {
    p = static_cast<PlaceHolder*>(Attach(new PlaceHolder(IRECT(12.5f, 20, 112.5f, 70), label)));
    g.mOps.clear();
    g.mAngles.clear();
    p->Draw(g);
    std::vector<std::string> drawn;
    for (const DrawOp& op : g.mOps)
    {
      std::ostringstream line;
      line << op.mName << " " << op.mText << " " << op.mRect.mLeft << " " << op.mRect.mTop << " " << op.mRect.mRight
           << " " << op.mRect.mBottom << " " << op.mBlendWeight;
      drawn.push_back(line.str());
    }
    std::vector<std::string> expected{"FillRect  12.5 20 112.5 70 -1",       "DrawLine  12.5 20 112.5 70 0.5",
                                      "DrawLine  12.5 70 112.5 20 0.5",      "FillRect  22.5 45 50.5 59 0.5",
                                      "DrawText 50.0 22.5 45 22.5 45 -1",    "FillRect  62.5 30 97.5 44 0.75",
                                      "DrawText 100.0 62.5 30 62.5 30 -1",   "FillRect  22.5 30 92.5 44 0.5",
                                      "DrawText 12.5, 20.0 22.5 30 22.5 30 -1"};
    std::vector<float> angles{270.f, 0.f, 0.f};
    if (*label)
    {
      expected.push_back("FillRect  12.5 20 " + std::string(right) + " 40 0.75");
      expected.push_back("DrawText " + std::string(label) + " 12.5 20 " + right + " 40 -1");
      angles.push_back(0.f);
    }
    EXPECT_EQ(drawn, expected) << label;
    EXPECT_EQ(g.mAngles, angles) << label;
  }
  EXPECT_EQ(mG.GetTextEntryValIdx(), -1) << "no entry asked for yet";
  mG.AttachTextEntryControl();
  p->OnMouseDblClick(50, 50, IMouseMod(true));
  ASSERT_TRUE(mG.GetTextEntryControl()->EditInProgress());
  EXPECT_EQ(mG.GetTextEntryControl()->GetUTF8Text(), "osc");
  EXPECT_EQ(mG.GetTextEntryRequester(), p);
  EXPECT_EQ(mG.GetTextEntryValIdx(), 0);
  mG.GetTextEntryControl()->SelectAll();
  mG.GetTextEntryControl()->OnKeyDown(0, 0, plug::IKeyPress("v", 'V'));
  mG.GetTextEntryControl()->CommitEdit();
  EXPECT_STREQ(p->GetStr(), "v");
}

TEST(TextControlsOfParameters, CaptionArrowOnlyForEnumeratedParameters)
{
  struct Delegate : plug::igraphics::IGEditorDelegate
  {
    Delegate() : IGEditorDelegate(2)
    {
      GetParam(0)->InitDouble("level", 0.0, 0.0, 1.0, 0.01);
      GetParam(1)->InitEnum("mode", 1, {"clean", "warm", "crisp"});
      SetSizeConstraints(0, 1000, 0, 1000);
    }
    void BeginInformHostOfParamChangeFromUI(int) override {}
    void EndInformHostOfParamChangeFromUI(int) override {}
  } delegate;
  MeasuringGraphics g(delegate, 400, 300);
  auto* plain = static_cast<ICaptionControl*>(g.AttachControl(new ICaptionControl(IRECT(0, 0, 100, 20), 0)));
  auto* menu = static_cast<ICaptionControl*>(g.AttachControl(new ICaptionControl(IRECT(0, 0, 100, 20), 1)));
  EXPECT_EQ(plain->GetArrowBounds(), IRECT());
  EXPECT_EQ(menu->GetArrowBounds(), IRECT(86, 7.5f, 94, 12.5f));
  menu->SetValueFromDelegate(0.5, 0);
  menu->Draw(g);
  // The unit label is shown after a blank, and the blank stays when there is no unit.
  EXPECT_STREQ(menu->GetStr(), "warm ");
  EXPECT_EQ(g.Count("FillTriangle"), 1);
  plain->Draw(g);
  EXPECT_STREQ(plain->GetStr(), "0.00 ");
}
