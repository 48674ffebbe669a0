// The editor as the host opens it: with no platform layer the built plug-in answers that no editor opened; with
// a graphics factory (the fake platform here) the dispatcher's open and close go through the editor delegate,
// and a resize is held to the size limits of the plug-in's configuration.
#include <gtest/gtest.h>

#include "drovik_instance.h"
#include "effect/Drovik.h"
#include "effect/DrovikParams.h"
#include "fake_platform.h"
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
  EXPECT_EQ(instance.Dispatch(vst2::effEditClose), 1);
  EXPECT_EQ(drovik->GetOpenGraphics(), nullptr);
}
