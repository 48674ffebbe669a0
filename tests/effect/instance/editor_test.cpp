// The editor as the host opens it: with no platform layer the built plug-in answers that no editor opened; with
// a graphics factory (the fake platform here) the dispatcher's open and close go through the editor delegate,
// and a resize is held to the size limits of the plug-in's configuration, half to twice its size. An editor
// opened while no audio runs draws its meters from the current state at its first ticks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "drovik_instance.h"
#include "effect/Drovik.h"
#include "effect/DrovikParams.h"
#include "effect/DrovikEditorLink.h"
#include "fake_platform.h"
#include "foundation/run_loop.h"
#include "temp_home.h"
#include "test_controls.h"

using drovik_test::Instance;
using drovik_test::RecordingHost;
using namespace graphicstest;

namespace {

struct Editor : ::testing::Test
{
  testsupport::TemporaryHome mHome;
  RecordingHost mHost;
};

/// The main run loop's timers on a hand clock for a scope.
struct HandClock
{
  foundation::ManualClock mClock;
  HandClock() { foundation::RunLoop::Main().UseManualClock(&mClock); }
  ~HandClock() { foundation::RunLoop::Main().UseManualClock(nullptr); }
  void Ticks(int n)
  {
    for (int i = 0; i < n; ++i)
    {
      mClock.Advance(0.025); // a little over the idle interval: always due
      foundation::RunLoop::Main().RunDueTimers();
    }
  }
};

/// What an editor that draws nothing was asked for.
struct EditorRequests
{
  int meterRefreshes = 0;
  int abouts = 0;
  int versionChecks = 0;
  std::string versionChecked; // the product name and version of the last check
  std::vector<double> resizes;
  double drawScale = 1.0; // the scale the editor draws at, as the user left it
};

/// An editor that draws nothing and records what it is asked for.
class CountingEditor : public DrovikEditorLink
{
public:
  explicit CountingEditor(EditorRequests& requests) : mRequests(requests) {}
  void Install(Drovik& plugin) override
  {
    plugin.mMakeGraphicsFunc = [&plugin] {
      return new FakePlatformGraphics(plugin, Drovik::kEditorWidth, Drovik::kEditorHeight, 60);
    };
  }
  void UpdateControlStates(Drovik&) override {}
  void UpdateMeterDisplay(Drovik&) override { ++mRequests.meterRefreshes; }
  void ShowAbout(Drovik&) override { ++mRequests.abouts; }
  void VersionCheckText(Drovik&, const char* name, const char* version) override
  {
    ++mRequests.versionChecks;
    mRequests.versionChecked = std::string(name) + " " + version;
  }
  void ShowMessage(Drovik&, const char*, const char*) override {}
  void ResizeEditor(Drovik&, double scale) override { mRequests.resizes.push_back(scale); }
  double EditorDrawScale(const Drovik&) const override { return mRequests.drawScale; }
  int ParamUnderMouse(const Drovik&) const override { return -1; }
  std::string ChosenPresetPath(const Drovik&) const override { return {}; }
  bool KnobShowsValue(const Drovik&, int) const override { return false; }

private:
  EditorRequests& mRequests;
};

} // namespace

TEST_F(Editor, WithoutAPlatformLayerOpeningAnswersNothingOpened)
{
  Instance instance(mHost);
  int parent = 0;
  EXPECT_EQ(instance.Dispatch(vst2::effEditOpen, 0, 0, &parent), 0);
  EXPECT_EQ(instance.Dispatch(vst2::effEditClose), 1);
}

TEST_F(Editor, OpenAndCloseGoThroughTheDelegate)
{
  Instance instance(mHost);
  auto* drovik = dynamic_cast<Drovik*>(instance.Plug());
  ASSERT_TRUE(drovik);
  drovik->mMakeGraphicsFunc = [drovik] { return new FakePlatformGraphics(*drovik, Drovik::kEditorWidth, Drovik::kEditorHeight, 60); };
  TestControl* knob = nullptr;
  drovik->mLayoutFunc = [&](IGraphics* g) {
    knob = static_cast<TestControl*>(g->AttachControl(new TestControl(IRECT(0, 0, 10, 10), kClipCeiling)));
  };
  instance.Effect()->setParameter(instance.Effect(), kClipCeiling, 0.25f);
  int parent = 0;
  ASSERT_EQ(instance.Dispatch(vst2::effEditOpen, 0, 0, &parent), 1);
  ASSERT_NE(drovik->GetOpenGraphics(), nullptr);
  EXPECT_NEAR(knob->GetValue(), 0.25, 1e-6); // the values reached the controls on opening
  IGraphics* g = drovik->GetOpenGraphics();
  g->Resize(5000, 100, 1.f); // held to the plug-in's size limits
  EXPECT_EQ(g->Width(), 936);
  EXPECT_EQ(g->Height(), 225);
  EXPECT_EQ(mHost.Count(vst2::audioMasterSizeWindow), 1);
  g->Resize(10, 5000, 1.f);
  EXPECT_EQ(g->Width(), 234);
  EXPECT_EQ(g->Height(), 900);
  EXPECT_EQ(instance.Dispatch(vst2::effEditClose), 1);
  EXPECT_EQ(drovik->GetOpenGraphics(), nullptr);
}

// With no audio running (the transport stopped, or a host that does not process while it bypasses), each opening
// of the editor still asks for the meters once at its first ticks, drawn from the state as it stands; ticks after
// that ask for nothing until something changes.
TEST_F(Editor, AnEditorOpenedWhileNoAudioRunsIsAskedForTheMetersAtItsFirstTicks)
{
  HandClock clock;
  Instance instance(mHost);
  auto* drovik = dynamic_cast<Drovik*>(instance.Plug());
  ASSERT_TRUE(drovik);
  EditorRequests requests;
  int& meterRefreshes = requests.meterRefreshes;
  drovik->AttachEditor(std::make_unique<CountingEditor>(requests));
  clock.Ticks(3); // whatever making the instance asked for is done with
  int parent = 0;
  for (int opening = 1; opening <= 2; ++opening)
  {
    SCOPED_TRACE(testing::Message() << "opening " << opening);
    ASSERT_EQ(instance.Dispatch(vst2::effEditOpen, 0, 0, &parent), 1);
    meterRefreshes = 0;
    clock.Ticks(2);
    EXPECT_EQ(meterRefreshes, 1);
    clock.Ticks(3);
    EXPECT_EQ(meterRefreshes, 1) << "asked again with nothing changed";
    EXPECT_EQ(instance.Dispatch(vst2::effEditClose), 1);
  }
}

// The about box, the version check and a reset or an applying of the scale come only when the user asks for them
// from an open editor, each once per asking, at the next tick; opening the editor asks for none of them.
TEST_F(Editor, EditorRequestsComeOnlyWhenAskedForWithTheEditorOpen)
{
  HandClock clock;
  Instance instance(mHost);
  auto* drovik = dynamic_cast<Drovik*>(instance.Plug());
  ASSERT_TRUE(drovik);
  EditorRequests requests;
  drovik->AttachEditor(std::make_unique<CountingEditor>(requests));
  const auto ask = [drovik](int action) { drovik->OnParamChange(action, plug::kUI, -1); };
  ask(kActionVersionCheck); // no editor to answer in: dropped
  ask(kActionAbout);
  ask(kActionResetGUIScale);
  requests.drawScale = 1.5;
  ask(kActionApplyGUIScale);
  clock.Ticks(3);
  EXPECT_EQ(drovik->GetParam(kGUIScale)->Value(), 1.0);
  int parent = 0;
  ASSERT_EQ(instance.Dispatch(vst2::effEditOpen, 0, 0, &parent), 1);
  clock.Ticks(3);
  EXPECT_EQ(requests.versionChecks, 0);
  EXPECT_EQ(requests.abouts, 0);
  EXPECT_TRUE(requests.resizes.empty());

  ask(kActionVersionCheck);
  ask(kActionVersionCheck); // asked twice before a tick: checked once
  clock.Ticks(2);
  EXPECT_EQ(requests.versionChecks, 1);
  EXPECT_EQ(requests.versionChecked, "Drovik 1.0.1");
  EXPECT_EQ(requests.abouts, 0);
  ask(kActionAbout);
  ask(kActionResetGUIScale);
  clock.Ticks(2);
  EXPECT_EQ(requests.versionChecks, 1);
  EXPECT_EQ(requests.abouts, 1);
  EXPECT_EQ(requests.resizes, std::vector<double>{1.0});
  // Applying takes the scale the editor draws at as the parameter's and the value the editor is drawn from.
  ask(kActionApplyGUIScale);
  clock.Ticks(2);
  EXPECT_EQ(drovik->GetParam(kGUIScale)->Value(), 1.5);
  EXPECT_EQ(drovik->GetMirror(kGUIScale), 1.5);
  EXPECT_EQ(instance.Dispatch(vst2::effEditClose), 1);
}
