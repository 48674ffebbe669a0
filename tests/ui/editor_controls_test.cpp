// The options the editor's layout gives its controls, seen on the controls it attached: text styles, tooltip texts,
// action ids and addresses, whole-unit wheels on the calibration knobs and which drop-downs take the wheel; hover,
// leave and press redrawing with the in-editor menu attached; the preset menu's submenus opening leftwards from its
// anchor right of the centre; and the editor closed twice.
#include <cstring>
#include <string>

#include "editor_fixture.h"
#include "effect/DrovikParams.h"
#include "ui/DisplayControls.h"
#include "ui/EditorLayout.h"
#include "ui/HiddenControls.h"
#include "ui/KnobMultiControl.h"
#include "ui/PresetMenu.h"

namespace {

using namespace plug::igraphics;
using appkit::EventType;

struct EditorControls : editortest::Editor
{
  void SetUp() override
  {
    Editor::SetUp();
    ASSERT_EQ(Open(), 1);
    Frame();
  }
  double Plain(int param) { return mPlugin->GetParam(param)->Value(); }
  IControl* C(int idx) { return G().GetControl(idx); }
};

TEST_F(EditorControls, TextStylesOfTheLaidOutControls)
{
  const IColor white(255, 255, 255, 255), meter(255, 90, 90, 85);
  struct Case
  {
    int index;
    float size;
    const char* font;
    IColor color;
  } cases[] = {
    {5, 16, "Verdana Bold", IColor(255, 159, 160, 161)}, // preset name
    {15, 12, "Verdana Normal", white},  {17, 12, "Verdana Normal", white}, {24, 12, "Verdana Normal", white},
    {52, 13, "Verdana Normal", white},  {55, 13, "Verdana Normal", white}, // saturation knobs
    {27, 12, "Verdana Bold", meter},    {30, 12, "Verdana Bold", meter},   // meter values
    {28, 11, "Verdana Normal", meter},  {40, 11, "Verdana Normal", meter}, // references
    {29, 13, "Verdana Bold", meter},    {41, 13, "Verdana Bold", meter},   // meter modes
  };
  for (const Case& k : cases)
  {
    const IText& t = C(k.index)->GetText();
    EXPECT_EQ(t.mSize, k.size) << k.index;
    EXPECT_STREQ(t.mFontName, k.font) << k.index;
    EXPECT_EQ(t.mTextColor, k.color) << k.index;
  }
}

TEST_F(EditorControls, TooltipTextsActionIdsAndAddresses)
{
  const std::pair<int, const char*> tips[] = {
    {5, "Preset menu: Init"}, // the current preset's name follows
    {9, "Plugin info and options"},
    {10, "Oversampling off/2x/4x"},
    {11, "Bypass off/on"},
    {12, "Monitor inplace/center"},
    {13, "Monitor mode: stereo/left/right/mid/side"},
    {14, "Clip off/on"},
    {15, "Clip ceiling"},
    {16, "Clip LED"},
    {17, "Input trim"},
    {18, "Output trim"},
    {19, "Meter display mode IN/OUT"},
    {20, "VU calibration"},
    {21, "EBU SL calibration"},
    {22, "EBU ML calibration"},
    {23, "RMS calibration"},
    {24, "PEAK calibration"},
    {36, "Meter Mode PEAK/RMS/EBU ML/EBU SL/VU"},
    {48, "Meter Mode PEAK/RMS/EBU ML/EBU SL/VU"},
    {49, "Saturation off/on"},
    {50, "Saturation stereo placement: stereo/left/right/mid/side"},
    {51, "Saturation mode: clear/warm/crisp"},
    {52, "Saturation stages 1 to 5"},
    {53, "Saturation fluctuation"},
    {54, "Saturation drive odd harmonics"},
    {55, "Saturation drive even harmonics"},
  };
  for (const auto& [index, text] : tips) EXPECT_STREQ(C(index)->GetTooltip(), text) << index;

  const std::pair<int, int> actions[] = {{6, kActionHiddenClick}, {35, kActionResetMeters}, {47, kActionResetMeters}};
  for (const auto& [index, id] : actions)
  {
    auto* hidden = dynamic_cast<IVClickControlHiddenVQ*>(C(index));
    ASSERT_NE(hidden, nullptr) << index;
    EXPECT_EQ(hidden->GetActionId(), id) << index;
  }
  EXPECT_STREQ(dynamic_cast<IVHiddenURLControl*>(C(7))->GetAddress(), kAnnouncementAddress);
  EXPECT_STREQ(dynamic_cast<IVHiddenURLControl*>(C(8))->GetAddress(), kHomeAddress);
}

TEST_F(EditorControls, CalibrationKnobsWheelInWholeUnitsAndOnlyThePlacementDropDownTakesTheWheel)
{
  const uint32_t ctrl = appkit::kModifierControl, shift = appkit::kModifierShift;
  struct Case
  {
    double deltaY;
    uint32_t mods;
    double change; // dB of the VU calibration
  } cases[] = {{1, 0, 1}, {-1, 0, -1}, {1, ctrl, 3}, {-1, ctrl, -3}, {1, shift, 0.1}};
  for (const Case& k : cases)
  {
    const double before = Plain(kVURef);
    Send(EventType::kScrollWheel, 189, 215, 1, k.deltaY, k.mods); // the VU calibration knob shows
    EXPECT_NEAR(Plain(kVURef) - before, k.change, 1e-9) << k.deltaY << " " << k.mods;
  }
  // The clip ceiling steps in fractions of its range, Ctrl or not the same way.
  const double ceiling = Plain(kClipCeiling);
  Send(EventType::kScrollWheel, 267, 289, 1, -1, ctrl);
  EXPECT_NEAR(Plain(kClipCeiling) - ceiling, -6.0, 1e-9); // a tenth of 60 dB

  const double placement = Plain(kSat_ProcMode), mode = Plain(kSat_mode), meterMode = Plain(kMeterMode);
  Send(EventType::kScrollWheel, 196, 273, 1, -1); // placement: one entry on
  Send(EventType::kScrollWheel, 179, 321, 1, -1); // saturation mode: fixed
  Send(EventType::kScrollWheel, 126, 133, 1, -1); // meter mode: fixed
  EXPECT_EQ(Plain(kSat_ProcMode), placement + 1);
  EXPECT_EQ(Plain(kSat_mode), mode);
  EXPECT_EQ(Plain(kMeterMode), meterMode);
}

TEST_F(EditorControls, HoverLeaveAndPressRedrawTheirControls)
{
  ASSERT_NE(FindPopup(), nullptr); // the in-editor menu is attached, closed
  Settle();
  const std::vector<uint8_t> rest = View().mFrame;
  const int w = View().mFrameWidth;
  const IRECT knob(361, 362, 425, 426); // drive even
  auto* even = dynamic_cast<IBKnobMultiControlVQ*>(C(55));
  ASSERT_NE(even, nullptr);

  Send(EventType::kMouseMoved, 393, 394);
  EXPECT_TRUE(even->ShowsValueText());
  EXPECT_GT(Difference(rest, Frame(), w, knob), 1.0); // the value box shows over the knob
  Settle();
  Send(EventType::kMouseMoved, 234, 240); // an empty place of the panel
  EXPECT_FALSE(even->ShowsValueText());
  EXPECT_EQ(Difference(rest, Frame(), w, knob), 0.0);
  Send(EventType::kMouseMoved, 393, 394);
  EXPECT_GT(Difference(rest, Frame(), w, knob), 1.0);
  Settle();
  Send(EventType::kMouseExited, 500, 394); // out of the editor altogether
  EXPECT_FALSE(even->ShowsValueText());
  EXPECT_EQ(Difference(rest, Frame(), w, knob), 0.0);

  // A press on the information button shows its pressed frame.
  Send(EventType::kMouseMoved, 19, 16);
  Settle();
  Send(EventType::kLeftMouseDown, 19, 16);
  EXPECT_EQ(C(9)->GetValue(), 1.0);
  EXPECT_GT(Difference(rest, Frame(), w, IRECT(7, 5, 31, 27)), 1.0);
  Send(EventType::kLeftMouseUp, 19, 16);
  Tick(30);
  Send(EventType::kMouseMoved, 2, 440);
  Click(2, 440); // closes the menu the press opened
  Tick(30);
  EXPECT_FALSE(FindPopup()->IsOpen());

  // Monitor mode "Mid": that button lights, "Stereo" goes out, "Left" stays as it was.
  Settle();
  Click(340, 187);
  EXPECT_EQ(Plain(kMonitorMode0), 3.0);
  const std::vector<uint8_t>& lit = Frame();

  EXPECT_GT(Difference(rest, lit, w, IRECT(327, 179, 348, 195)), 1.0);
  EXPECT_GT(Difference(rest, lit, w, IRECT(258, 179, 279, 195)), 1.0);
  EXPECT_EQ(Difference(rest, lit, w, IRECT(281, 179, 302, 195)), 0.0);
}

// The click areas laid over the meters' mode texts, above the glass, draw nothing of their own: hidden, they leave
// the picture as it was.
TEST_F(EditorControls, TheClickAreasOverTheMeterModesDrawNothing)
{
  Settle();
  const std::vector<uint8_t> rest = View().mFrame;
  const int w = View().mFrameWidth;
  for (int idx : {36, 48})
  {
    ASSERT_NE(dynamic_cast<IVPopupMenuVQ*>(C(idx)), nullptr) << idx;
    C(idx)->SetHidden(true);
  }
  G().SetAllControlsDirty();
  const std::vector<uint8_t>& hidden = Frame();
  for (int idx : {36, 48})
    EXPECT_EQ(Difference(rest, hidden, w, C(idx)->GetRECT()), 0.0) << idx;
}

// The oversampling buttons stand one above the other: the lower one sets 4x, the upper one 2x.
TEST_F(EditorControls, TheOversamplingButtonsSetTheirFactors)
{
  Click(351, 302);
  EXPECT_EQ(Plain(kOversampling), 2.0);
  Click(351, 270);
  EXPECT_EQ(Plain(kOversampling), 1.0);
}

TEST_F(EditorControls, ThePresetMenuOpensItsSubmenusLeftwardsFromRightOfTheCentre)
{
  Click(300, 16); // the preset name, right of the editor's centre
  Tick(30);
  IPopupMenuControl* popup = FindPopup();
  ASSERT_NE(popup, nullptr);
  ASSERT_TRUE(popup->IsOpen());
  EXPECT_FALSE(popup->GetSubmenusOpenRight());
  double x = 0, y = 0;
  ASSERT_TRUE(CellOf(0, "Factory", x, y));
  Send(EventType::kMouseMoved, x, y);
  Tick(30); // the submenu fades in
  ASSERT_GE(popup->NPanels(), 2);
  const IRECT root = popup->GetPanel(0).mTargetRECT;
  const IRECT sub = popup->GetPanel(popup->NPanels() - 1).mTargetRECT;
  EXPECT_LT(sub.mLeft, root.mLeft); // opened towards the free side
  EXPECT_GE(sub.mLeft, 0.f);
  EXPECT_LE(sub.mRight, 468.f);
  EXPECT_LE(sub.mBottom, 450.f);

  const std::string name = mPlugin->GetFactoryPreset(2)->mName;
  ASSERT_TRUE(CellOf(popup->NPanels() - 1, name.c_str(), x, y)) << name;
  Send(EventType::kMouseMoved, x, y);
  Click(x, y);
  Tick(30);
  EXPECT_FALSE(popup->IsOpen());
  auto* presets = dynamic_cast<IBPresetMenuVQ*>(G().GetControlByTag(3));
  ASSERT_NE(presets, nullptr);
  EXPECT_EQ(presets->GetListIndex(), 2);
  EXPECT_EQ(presets->DrawnName(), name.substr(0, 20));
  // The name shown is cut from twenty characters on.
  mPlugin->GetPresetSlot(mPlugin->GetCurrentPresetIdx())->SetName("ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(presets->DrawnName(), "ABCDEFGH ... NOPQRST");
  mPlugin->GetPresetSlot(mPlugin->GetCurrentPresetIdx())->SetName("ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(presets->DrawnName(), "ABCDEFGHIJKLMNOPQRS");
}

TEST_F(EditorControls, OddOnlyModeLeavesOnlyTheOddDriveKnobEnabled)
{
  const plug::IParam& mode = *mPlugin->GetParam(kSat_mode);
  for (int m = 0; m <= mode.GetMax(); ++m)
  {
    SetHostValue(kSat_mode, static_cast<float>(mode.ToNormalized(m)));
    Tick(3);
    for (int p : {kSat_stages, kSat_driveeven, kSat_driveodd, kSat_fluctuation})
    {
      int seen = 0;
      for (int i = 0; i < G().NControls(); ++i)
        if (C(i)->GetParamIdx() == p)
        {
          ++seen;
          EXPECT_EQ(C(i)->IsDisabled(), m == 3 && p != kSat_driveodd) << "mode " << m << " param " << p;
        }
      EXPECT_EQ(seen, 1) << p;
    }
  }
}

TEST_F(EditorControls, ClosingTwiceLeavesTheEditorClosedAndItOpensAgain)
{
  const size_t views = mApp.Views().size();
  EXPECT_EQ(mInstance->Dispatch(vst2::effEditClose), 1);
  EXPECT_EQ(mPlugin->GetOpenGraphics(), nullptr);
  EXPECT_EQ(mInstance->Dispatch(vst2::effEditClose), 1); // a host that closes again: nothing is closed twice
  EXPECT_EQ(mPlugin->GetOpenGraphics(), nullptr);
  mPlugin->CloseWindow();
  Tick(3);
  ASSERT_EQ(Open(), 1);
  ASSERT_NE(mPlugin->GetOpenGraphics(), nullptr);
  EXPECT_EQ(G().NControls(), kEditorControlCount);
  EXPECT_GE(mApp.Views().size(), views);
  SetHostValue(kSat_offon, 1.f);
  Tick(3);
  EXPECT_EQ(C(49)->GetValue(), 1.0);
}

} // namespace
