// What the host sends reaches the open editor as the host meant it: keys with each modifier bit, and the values
// of parameters whose range is not 0..1 (trims, GUI Scale, the oversampling choice, stages, ceiling) at the same
// normalised value the host reads back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "drovik_instance.h"
#include "effect/Drovik.h"
#include "effect/DrovikParams.h"
#include "fake_platform.h"
#include "foundation/run_loop.h"
#include "temp_home.h"
#include "test_controls.h"

using drovik_test::Instance;
using drovik_test::RecordingHost;
using namespace graphicstest;

namespace {

constexpr int kWatched[] = {kInputTrim, kOutputTrim, kGUIScale, kOversampling, kSat_stages, kClipCeiling};

class HostToEditor : public ::testing::Test
{
protected:
  void SetUp() override
  {
    foundation::RunLoop::Main().UseManualClock(&mClock);
    mDrovik = dynamic_cast<Drovik*>(mInstance.Plug());
    ASSERT_TRUE(mDrovik);
    mDrovik->mMakeGraphicsFunc = [this] {
      return new FakePlatformGraphics(*mDrovik, Drovik::kEditorWidth, Drovik::kEditorHeight, 60);
    };
    mDrovik->mLayoutFunc = [this](IGraphics* g) {
      float x = 100.f; // away from the pointer, which stays at the corner: keys go to the key handler
      for (int idx : kWatched)
      {
        mControls.push_back(static_cast<TestControl*>(g->AttachControl(new TestControl(IRECT(x, 100, x + 10, 110), idx))));
        x += 20.f;
      }
      g->SetKeyHandlerFunc([this](const plug::IKeyPress& key, bool isUp) {
        mKeys.push_back({key, isUp});
        return true;
      });
    };
    int parent = 0;
    ASSERT_EQ(mInstance.Dispatch(vst2::effEditOpen, 0, 0, &parent), 1);
  }
  void TearDown() override
  {
    mInstance.Dispatch(vst2::effEditClose);
    foundation::RunLoop::Main().UseManualClock(nullptr);
  }
  void Tick()
  {
    mClock.Advance(0.025); // a little over the 20 ms interval: always due, however the sums round
    foundation::RunLoop::Main().RunDueTimers();
  }

  testsupport::TemporaryHome mHome;
  foundation::ManualClock mClock;
  RecordingHost mHost;
  Instance mInstance{mHost};
  Drovik* mDrovik = nullptr;
  std::vector<TestControl*> mControls;
  struct Key
  {
    plug::IKeyPress key;
    bool up;
  };
  std::vector<Key> mKeys;
};

} // namespace

TEST_F(HostToEditor, KeysArriveWithTheirCodeTextAndEachModifierBit)
{
  const struct
  {
    int character;
    intptr_t virtualKey;
    int code;
  } keys[] = {{'a', 0, 'A'}, {'7', 57, '7'}, {0, 11, 0x25}, {0, 40, 0x70}, {0, 54, 0x10}};
  // Modifier bits: 1 shift, 2 alt, 4 (the Mac command key, not a modifier here), 8 control.
  for (int mods : {0, 1, 2, 4, 8, 15})
    for (const auto& k : keys)
      for (bool up : {false, true})
      {
        mKeys.clear();
        const int32_t op = up ? vst2::effEditKeyUp : vst2::effEditKeyDown;
        EXPECT_EQ(mInstance.Dispatch(op, k.character, k.virtualKey, nullptr, float(mods)), 1);
        ASSERT_EQ(mKeys.size(), 1u) << mods << " " << k.virtualKey;
        const plug::IKeyPress& got = mKeys[0].key;
        const std::string what = "mods " + std::to_string(mods) + " key " + std::to_string(k.virtualKey);
        EXPECT_EQ(mKeys[0].up, up) << what;
        EXPECT_EQ(got.mVirtualKey, k.code) << what;
        EXPECT_EQ(got.mUtf8[0], char(k.character)) << what;
        EXPECT_EQ(got.mUtf8[1], 0) << what;
        EXPECT_EQ(got.mShift, (mods & 1) != 0) << what;
        EXPECT_EQ(got.mAlt, (mods & 2) != 0) << what;
        EXPECT_EQ(got.mCtrl, (mods & 8) != 0) << what;
      }
}

// A state the host sets back reaches every control of the open editor, the last parameter's too.
TEST_F(HostToEditor, ARestoredStateReachesEveryControl)
{
  vst2::Effect* e = mInstance.Effect();
  for (int idx : kWatched) e->setParameter(e, idx, 0.1f);
  void* data = nullptr;
  const intptr_t size = mInstance.Dispatch(vst2::effGetChunk, 1, 0, &data);
  ASSERT_GT(size, 0);
  std::vector<char> saved(static_cast<char*>(data), static_cast<char*>(data) + size);
  for (int idx : kWatched) e->setParameter(e, idx, 0.9f);
  Tick();
  ASSERT_EQ(mInstance.Dispatch(vst2::effSetChunk, 1, intptr_t(saved.size()), saved.data()), 1);
  Tick();
  for (size_t i = 0; i < std::size(kWatched); ++i)
  {
    const double read = e->getParameter(e, kWatched[i]);
    EXPECT_LT(read, 0.5) << mDrovik->GetParam(kWatched[i])->GetName();
    EXPECT_NEAR(mControls[i]->GetValue(), read, 1e-6) << mDrovik->GetParam(kWatched[i])->GetName();
  }
}

TEST_F(HostToEditor, ParametersOutsideZeroToOneReachTheControlsAtTheHostsNormalisedValue)
{
  vst2::Effect* e = mInstance.Effect();
  for (size_t i = 0; i < std::size(kWatched); ++i)
  {
    const int idx = kWatched[i];
    const plug::IParam* p = mDrovik->GetParam(idx);
    for (float v : {0.0f, 0.13f, 0.5f, 0.77f, 1.0f, 0.3f})
    {
      e->setParameter(e, idx, v);
      Tick();
      const double read = e->getParameter(e, idx);
      // Stepped parameters land on their nearest step; continuous ones keep the value.
      const double steps = p->GetStepped() ? p->GetRange() / p->GetStep() : 0.0;
      const double expected = steps > 0 ? std::round(v * steps) / steps : v;
      EXPECT_NEAR(read, expected, 1e-6) << p->GetName() << " " << v;
      EXPECT_NEAR(mControls[i]->GetValue(), read, 1e-9) << p->GetName() << " " << v;
    }
  }
}
