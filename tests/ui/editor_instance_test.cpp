// Drovik's editor in use: host values drawn as frames, meters following the audio, the switch and the knob that
// turn saturation on, presets saved and loaded through the preset menu, the information menu's entries, and the
// corner handle that keeps the GUI scale.
#include <fstream>

#include "graphics/overlay/IPopupMenuControl.h"
#include "editor_fixture.h"
#include "graphics/bases/ITextControl.h"
#include "ui/DrovikEditor.h"
#include "ui/InfoMenu.h"
#include "ui/PresetMenu.h"

namespace {

using namespace plug::igraphics;
using appkit::EventType;

struct EditorInUse : editortest::Editor
{
  void SetUp() override
  {
    Editor::SetUp();
    ASSERT_EQ(Open(), 1);
    Frame();
  }
  double Value(int idx) { return G().GetControl(idx)->GetValue(); }
  std::string Text(int idx) { return static_cast<ITextControl*>(G().GetControl(idx))->GetStr(); }
  bool Hidden(int idx) { return G().GetControl(idx)->IsHidden(); }
};

TEST_F(EditorInUse, HostValuesChangeOnlyTheirControlsFrames)
{
  const std::vector<uint8_t> before = View().mFrame; // the frame drawn on opening
  SetHostValue(kSat_offon, 1.f);
  SetHostValue(kOversampling, 1.f);
  Tick(3);
  const std::vector<uint8_t>& after = Frame();
  const int w = View().mFrameWidth;
  EXPECT_GT(Difference(before, after, w, IRECT(14, 259, 54, 279)), 5.0);   // the saturation switch is lit
  EXPECT_GT(Difference(before, after, w, IRECT(329, 289, 373, 315)), 5.0); // 4x is lit
  EXPECT_EQ(Difference(before, after, w, IRECT(361, 362, 425, 426)), 0.0); // a knob nobody touched
  EXPECT_EQ(Value(49), 1.0);
}

TEST_F(EditorInUse, MetersFollowTheAudioTheModeAndTheBypass)
{
  ProcessSine(0.5, 0.5); // -6 dBFS, 12 dB over the VU reference of -18
  Tick(2);
  const VuMeterCtrlIdx& left = mPlugin->mLeftMeterIdx;
  EXPECT_GT(Value(left.needle), 0.5);
  EXPECT_GT(Value(left.needle1), 0.5);
  EXPECT_EQ(Value(left.lamp), 1.0);
  EXPECT_NE(Text(left.leftText), "-INF");
  EXPECT_EQ(Text(left.refText), "-18");
  EXPECT_FALSE(Hidden(20)); // the VU calibration knob shows, PEAK's does not
  EXPECT_TRUE(Hidden(24));

  SetHostValue(kMeterMode, 0.f); // PEAK, reference 0 dB
  ProcessSine(0.5, 0.2);
  Tick(2);
  EXPECT_EQ(Text(left.refText), "0");
  EXPECT_EQ(Value(left.lamp), 0.0); // -6 dB is under the reference
  EXPECT_TRUE(Hidden(20));
  EXPECT_FALSE(Hidden(24));

  SetHostValue(kBypass, 1.f);
  ProcessSine(0.5, 0.1);
  Tick(2);
  EXPECT_EQ(Text(left.leftText), "-INF");
  EXPECT_EQ(Text(mPlugin->mRightMeterIdx.rightText), "-INF");
  EXPECT_EQ(Text(left.refText), "    ");
  EXPECT_EQ(Value(left.needle), 0.0);
  EXPECT_TRUE(Hidden(left.base));
  EXPECT_FALSE(Hidden(left.off));
}

// The clip lamp lights when the clipper takes level from one channel while the other is silent.
TEST_F(EditorInUse, TheClipLampLightsForAClippedChannelBesideASilentOne)
{
  SetHostValue(kClipoffon, 1.f);
  SetHostValue(kClipCeiling, 0.9f); // -6 dB
  ProcessSine(0.0, 0.05, 0.2);      // under the ceiling
  Tick(2);
  EXPECT_EQ(Value(mPlugin->mClipLedIdx), 0.0);
  ProcessSine(0.0, 0.05, 0.9); // left silent, right over the ceiling
  Tick(2);
  EXPECT_EQ(Value(mPlugin->mClipLedIdx), 1.0);
}

// IN shows the input meters, OUT the output ones after the output trim; the left group reads the left channel and
// the right group the right one. PEAK mode, whose reference is 0 dB, so the numbers are dBFS.
TEST_F(EditorInUse, EachDisplayModeShowsItsMetersChannelByChannel)
{
  SetHostValue(kMeterMode, 0.f);
  SetHostValue(kOutputTrim, 14.f / 48.f); // -10 dB
  const VuMeterCtrlIdx& left = mPlugin->mLeftMeterIdx;
  const VuMeterCtrlIdx& right = mPlugin->mRightMeterIdx;
  const struct
  {
    float mode;
    const char* leftDb;
    const char* rightDb;
  } cases[] = {{0.f, "-6.0", "-20.0"}, {1.f, "-16.0", "-30.0"}};
  for (const auto& c : cases)
  {
    SetHostValue(kMeterDisplayMode, c.mode);
    ProcessSine(0.5, 0.3, 0.1); // -6 dBFS left, -20 dBFS right
    Tick(2);
    EXPECT_EQ(Text(left.leftText), c.leftDb) << c.mode;
    EXPECT_EQ(Text(left.rightText), c.leftDb) << c.mode;
    EXPECT_EQ(Text(right.leftText), c.rightDb) << c.mode;
    EXPECT_EQ(Text(right.rightText), c.rightDb) << c.mode;
    EXPECT_GT(Value(left.needle), Value(right.needle)) << c.mode;
  }
}

// The host's bypass request shows as the bypass parameter does: meter faces off, needles at rest and "-INF" at
// once (no audio needs to run), while audio runs, and when the editor opens while bypassed; ending it brings
// the meters back.
TEST_F(EditorInUse, TheHostsBypassShowsAsTheParametersDoes)
{
  const VuMeterCtrlIdx& left = mPlugin->mLeftMeterIdx;
  for (bool host : {false, true})
  {
    auto bypass = [&](bool on) {
      if (host)
        mInstance->Dispatch(vst2::effSetBypass, 0, on ? 1 : 0);
      else
        SetHostValue(kBypass, on ? 1.f : 0.f);
    };
    auto expectShown = [&](bool bypassed, const char* when) {
      Tick(2);
      const std::string how = std::string(host ? "host's bypass, " : "parameter, ") + when;
      EXPECT_EQ(Text(left.leftText) == "-INF", bypassed) << how;
      EXPECT_EQ(Text(mPlugin->mRightMeterIdx.rightText) == "-INF", bypassed) << how;
      EXPECT_EQ(Value(left.needle) == 0.0, bypassed) << how;
      EXPECT_EQ(Hidden(left.base), bypassed) << how;
      EXPECT_EQ(Hidden(mPlugin->mRightMeterIdx.off), !bypassed) << how;
    };
    ProcessSine(0.5, 0.2);
    expectShown(false, "before");
    bypass(true);
    expectShown(true, "right away");
    ProcessSine(0.5, 0.1);
    expectShown(true, "with audio");
    mInstance->Dispatch(vst2::effEditClose);
    ASSERT_EQ(Open(), 1);
    expectShown(true, "opened while bypassed");
    bypass(false);
    ProcessSine(0.5, 0.2);
    expectShown(false, "after");
  }
}

TEST_F(EditorInUse, TheSwitchAndATurnedKnobTurnSaturationOnAndTheHostIsTold)
{
  Click(34, 269);
  Tick(2);
  EXPECT_EQ(HostValue(kSat_offon), 1.f);
  EXPECT_EQ(mHost.Count(vst2::audioMasterBeginEdit), mHost.Count(vst2::audioMasterEndEdit));
  Click(34, 269);
  Tick(2);
  ASSERT_EQ(HostValue(kSat_offon), 0.f);

  Send(EventType::kMouseMoved, 169, 394); // over the fluctuation knob
  Send(EventType::kLeftMouseDown, 169, 394);
  Send(EventType::kLeftMouseDragged, 169, 380);
  Send(EventType::kLeftMouseUp, 169, 380);
  Tick(2);
  EXPECT_GT(HostValue(kSat_fluctuation), 0.f);
  EXPECT_EQ(HostValue(kSat_offon), 1.f);
}

TEST_F(EditorInUse, AValueTypedIntoAKnobTurnsSaturationOnWhereverThePointerIsThen)
{
  Send(EventType::kMouseMoved, 169, 394); // the fluctuation knob
  Send(EventType::kLeftMouseDown, 169, 394, 2);
  Send(EventType::kLeftMouseUp, 169, 394, 2);
  ASSERT_NE(View().mTextField, nullptr);
  Send(EventType::kMouseMoved, 60, 100); // the pointer leaves for a meter while typing
  View().Type("50", true);
  Tick(2);
  EXPECT_NEAR(HostValue(kSat_fluctuation), 0.5f, 1e-3);
  EXPECT_EQ(HostValue(kSat_offon), 1.f);
}

TEST_F(EditorInUse, PresetsAreSavedAndLoadedThroughThePresetMenu)
{
  const std::string file = mHome.Path() + "/Bright.vqp";
  std::vector<appkit::FilePanel::Kind> kinds;
  mApp.mFilePanelHook = [&](appkit::FilePanel& panel) {
    kinds.push_back(panel.kind);
    panel.filename = file;
    return appkit::kPanelOKButton;
  };
  SetHostValue(kSat_driveodd, 0.75f);
  Tick(2);
  ChooseFromMenu(240, 16, "Save preset ...");
  ASSERT_TRUE(std::ifstream(file).good());

  SetHostValue(kSat_driveodd, 0.f);
  Tick(2);
  ChooseFromMenu(240, 16, "Load preset ...");
  EXPECT_NEAR(HostValue(kSat_driveodd), 0.75f, 1e-3);
  EXPECT_EQ(std::string(mPlugin->GetPresetName(mPlugin->GetCurrentPresetIdx())), "Bright");
  using Kind = appkit::FilePanel::Kind;
  EXPECT_EQ(kinds, (std::vector<Kind>{Kind::kSave, Kind::kOpen})) << "saving asks where to save, loading what to open";
}

TEST_F(EditorInUse, InformationMenuEntriesDoTheirWork)
{
  mApp.mOpenHook = [](const std::string&) { return true; };
  ChooseFromMenu(18, 15, "About ...");
  Tick(2); // the idle handler shows it
  ASSERT_FALSE(mApp.mAlerts.empty());
  EXPECT_EQ(mApp.mAlerts.back().message, "About"); // the text is the panel's title, the caption its message
  EXPECT_NE(mApp.mAlerts.back().title.find("VST2"), std::string::npos);
  // The figures are the instance's own: the host's, the channels, the delay, the rate and the block size.
  EXPECT_NE(mApp.mAlerts.back().title.find("\nHost: Unknown\nChannels: 2-2 (2-2)\nPlugin delay: 0 smp (0.0 ms)\n"
                                           "Sample Rate: 44100.00 Hz\nBlock Size: 512 smp\n"),
            std::string::npos)
    << mApp.mAlerts.back().title;
  auto onlyOk = [&] {
    const appkit::AlertPanel& a = mApp.mAlerts.back();
    return a.defaultButton == "OK" && a.alternateButton.empty() && a.otherButton.empty();
  };
  EXPECT_TRUE(onlyOk()) << "an information box has a single OK button";

  ChooseFromMenu(18, 15, "Changelog ...");
  ChooseFromMenu(18, 15, "Open data folder ...");
  ASSERT_GE(mApp.mRequests.size(), 2u);
  EXPECT_NE(mApp.mRequests[mApp.mRequests.size() - 2].find("changelog"), std::string::npos);
  EXPECT_NE(mApp.mRequests.back().find(mPlugin->DataFolder().Get()), std::string::npos);

  ChooseFromMenu(18, 15, "Open manual ..."); // none installed: a message says where it is looked for
  EXPECT_NE(mApp.mAlerts.back().title.find("Drovik manual.pdf"), std::string::npos);
  EXPECT_TRUE(onlyOk());

  ChooseFromMenu(18, 15, "Hide Knob Overlay Text");
  Tick(2);
  EXPECT_FALSE(mPlugin->KnobValueOverlay(15));
  EXPECT_TRUE(mPlugin->KnobValueOverlay(52)); // the saturation knobs keep theirs
}

TEST_F(EditorInUse, TooltipsSwitchAtOnceFromTheHostAndFromTheMenu)
{
  const size_t areas = View().mToolTips.size(); // on by default: one area for each control with a tooltip
  ASSERT_GT(areas, 40u);
  auto tipsAfter = [&](auto&& switchThem) {
    switchThem();
    Tick(3);
    return View().mToolTips.size();
  };
  EXPECT_EQ(tipsAfter([&] { SetHostValue(kTooltips, 0.f); }), 0u);
  EXPECT_EQ(tipsAfter([&] { SetHostValue(kTooltips, 1.f); }), areas);
  auto fromMenu = [&] { ChooseFromMenu(18, 15, "Enable tooltips"); };
  EXPECT_EQ(tipsAfter(fromMenu), 0u);
  EXPECT_EQ(tipsAfter(fromMenu), areas);
}

TEST_F(EditorInUse, TheVersionCheckAnswersAndTheTimersGoOn)
{
  auto* editor = dynamic_cast<DrovikEditor*>(mPlugin->GetEditorLink());
  ASSERT_NE(editor, nullptr);
  editor->mVersionCheckAddress = "http://127.0.0.1:9/version.html"; // nothing listens there
  mPlugin->OnParamChange(kActionVersionCheck, plug::kUI, -1);
  Tick(2);
  ASSERT_FALSE(mApp.mAlerts.empty());
  EXPECT_EQ(mApp.mAlerts.back().title, "Service not available");
  EXPECT_EQ(mApp.mAlerts.back().message, DrovikEditor::kVersionCheckCaption);
  EXPECT_EQ(mApp.mAlerts.back().defaultButton, "OK");
  EXPECT_EQ(mApp.mAlerts.back().alternateButton, "");
  SetHostValue(kSat_offon, 1.f);
  Tick(3);
  EXPECT_EQ(Value(49), 1.0); // the framework timer still delivers values
}

TEST_F(EditorInUse, TheCornerHandleKeepsTheScaleAsTheGUIScaleParameter)
{
  Send(EventType::kLeftMouseDown, 460, 442);
  Send(EventType::kLeftMouseDragged, 460 + 234, 442 + 225);
  Send(EventType::kLeftMouseUp, 460 + 234, 442 + 225);
  Tick(3);
  const float scale = G().GetDrawScale();
  EXPECT_NEAR(scale, 1.5f, 0.02f);
  EXPECT_NEAR(HostValue(kGUIScale), (scale - 0.5) / 2.5, 0.005); // the parameter's step is 0.01
  const double corner = 460 * scale, cornerY = 442 * scale; // view points at the new scale
  Send(EventType::kLeftMouseDown, corner, cornerY, 2);
  Send(EventType::kLeftMouseUp, corner, cornerY, 2);
  Tick(3);
  EXPECT_FLOAT_EQ(G().GetDrawScale(), 1.f);
  EXPECT_NEAR(HostValue(kGUIScale), (1.0 - 0.5) / 2.5, 1e-3);
}

} // namespace

namespace {

// Each meter mode shows its own calibration knob, and only that one, and the meters read against its reference.
TEST_F(EditorInUse, EachMeterModeShowsItsOwnCalibrationKnobAndReference)
{
  const struct
  {
    int reference;
    double db;
    const char* text;
  } modes[] = {{kPEAKRef, -1, "-1"}, {kRMSRef, -2, "-2"}, {kEBUMLRef, -3, "-3"}, {kEBUSLRef, -4, "-4"},
               {kVURef, -5, "-5"}};
  for (const auto& m : modes)
    SetHostValue(m.reference, static_cast<float>(mPlugin->GetParam(m.reference)->ToNormalized(m.db)));
  for (int mode = 0; mode < 5; ++mode)
  {
    SetHostValue(kMeterMode, mode / 4.f);
    ProcessSine(0.5, 0.05);
    Tick(2);
    EXPECT_EQ(Text(mPlugin->mLeftMeterIdx.refText), modes[mode].text) << "mode " << mode;
    EXPECT_EQ(Text(mPlugin->mRightMeterIdx.refText), modes[mode].text) << "mode " << mode;
    for (const auto& m : modes)
    {
      int knobs = 0;
      for (int i = 0; i < G().NControls(); ++i)
      {
        if (G().GetControl(i)->GetParamIdx() != m.reference) continue;
        ++knobs;
        EXPECT_EQ(Hidden(i), m.reference != modes[mode].reference) << "mode " << mode << ", control " << i;
      }
      EXPECT_EQ(knobs, 1) << m.reference;
    }
  }
}

} // namespace
