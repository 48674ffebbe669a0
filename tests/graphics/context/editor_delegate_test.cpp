#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/IStateChunk.h"
#include "fake_platform.h"
#include "test_controls.h"
#include "test_delegate.h"

using namespace graphicstest;

namespace {

/// A delegate whose factory makes fake-platform contexts and whose layout attaches a few controls.
struct Delegate : ::testing::Test
{
  TestDelegate mDelegate{4};
  std::vector<FakePlatformGraphics*> mMade;
  TestControl* mTwoSlots = nullptr;

  void SetUp() override
  {
    mDelegate.GetParam(1)->InitDouble("wide", 0.0, 0.0, 10.0, 0.01);
    mDelegate.mMakeGraphicsFunc = [this] {
      mMade.push_back(new FakePlatformGraphics(mDelegate, 468, 450, 60));
      return mMade.back();
    };
    mDelegate.mLayoutFunc = [this](IGraphics* g) {
      g->AttachControl(new TestControl(IRECT(0, 0, 10, 10), 1), 7);
      mTwoSlots = static_cast<TestControl*>(g->AttachControl(new TestControl(IRECT(), {1, 2, 1})));
    };
  }
  FakePlatformGraphics* UI() { return static_cast<FakePlatformGraphics*>(mDelegate.GetUI()); }
};

} // namespace

TEST_F(Delegate, SizeAndScaleAreKeptAcrossAReopen)
{
  int parent = 0;
  ASSERT_NE(mDelegate.OpenWindow(&parent), nullptr);
  EXPECT_TRUE(mDelegate.IsEditorReady());
  EXPECT_EQ(mDelegate.mUIOpens, 1);
  UI()->Resize(936, 900, 2.f);
  mDelegate.CloseWindow();
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_EQ(mDelegate.GetSavedWidth(), 936);
  EXPECT_EQ(mDelegate.GetSavedScale(), 2.f);
  ASSERT_NE(mDelegate.OpenWindow(&parent), nullptr);
  ASSERT_EQ(mMade.size(), 2u);
  EXPECT_EQ(UI(), mMade[1]);
  EXPECT_EQ(UI()->Width(), 936);
  EXPECT_EQ(UI()->Height(), 900);
  EXPECT_EQ(UI()->GetDrawScale(), 2.f);
}

TEST_F(Delegate, ANestedCloseDoesNothing)
{
  mDelegate.OpenWindow(nullptr);
  mDelegate.mOnUIClose = [this] { mDelegate.CloseWindow(); };
  mDelegate.CloseWindow();
  EXPECT_EQ(mDelegate.mUICloses, 1);
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  mDelegate.mOnUIClose = nullptr;
  mDelegate.CloseWindow(); // a later close runs again
  EXPECT_EQ(mDelegate.mUICloses, 2);
}

TEST_F(Delegate, WithoutAFactoryNothingOpens)
{
  mDelegate.mMakeGraphicsFunc = nullptr;
  EXPECT_EQ(mDelegate.OpenWindow(nullptr), nullptr);
  EXPECT_FALSE(mDelegate.OnKeyDown(plug::IKeyPress("a", 'A')));
}

TEST_F(Delegate, ValuesReachEverySlotOfEveryLinkedControl)
{
  mDelegate.OpenWindow(nullptr);
  mDelegate.SendParamValueToUI(1, 0.5, false);
  EXPECT_DOUBLE_EQ(UI()->GetControlByTag(7)->GetValue(), 0.05);
  EXPECT_DOUBLE_EQ(mTwoSlots->GetValue(0), 0.05);
  EXPECT_DOUBLE_EQ(mTwoSlots->GetValue(2), 0.05);
  EXPECT_EQ(mTwoSlots->GetValue(1), 0.0);
  mDelegate.SendParamValueToUI(0, 0.5, false); // linear 0..1: the same value
  for (int bad : {-1, 4, 1000})
    mDelegate.SendParamValueToUI(bad, 0.9, true);
  EXPECT_DOUBLE_EQ(mTwoSlots->GetValue(0), 0.05);

  mDelegate.SendControlValueToUI(7, 0.25);
  mDelegate.SendControlValueToUI(99, 0.75);
  EXPECT_EQ(UI()->GetControlByTag(7)->GetValue(), 0.25);
  mDelegate.SendControlMsgToUI(7, 3, 0, nullptr);
  auto* tagged = static_cast<TestControl*>(UI()->GetControlByTag(7));
  tagged->SetWantsMidi(true);
  mDelegate.SendMidiMsgToUI(plug::IMidiMsg());
  EXPECT_EQ(tagged->mCalls.back(), "midi");
  EXPECT_EQ(tagged->mCalls[tagged->mCalls.size() - 2], "msg 3");
}

TEST_F(Delegate, EditorStateIsTwelveBytesAndShortOrBadStatesChangeNothing)
{
  auto state = [](int32_t w, int32_t h, const float* s) {
    plug::IStateChunk c;
    c.Put(&w);
    c.Put(&h);
    if (s)
      c.Put(s);
    return c;
  };
  const float s = 1.5f;
  EXPECT_EQ(mDelegate.UnserializeEditorState(state(700, 600, &s), 0), 12);
  EXPECT_EQ(mDelegate.GetSavedWidth(), 700);
  plug::IStateChunk saved;
  ASSERT_TRUE(mDelegate.SerializeEditorState(saved));
  EXPECT_EQ(saved.Size(), 12);

  // A refused state changes nothing: a state cut short keeps the saved size rather than wiping it to zeros, and a
  // scale no editor can take is never kept for the next open.
  EXPECT_EQ(mDelegate.UnserializeEditorState(state(800, 600, nullptr), 0), -1);
  EXPECT_EQ(mDelegate.UnserializeEditorState(state(800, 600, &s), -4), -1);
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), -1.f})
    EXPECT_EQ(mDelegate.UnserializeEditorState(state(800, 600, &bad), 0), -1);
  EXPECT_EQ(mDelegate.GetSavedWidth(), 700);
  EXPECT_EQ(mDelegate.GetSavedScale(), 1.5f);

  // A kept size applies once a window has opened before; with an open editor the state resizes it.
  mDelegate.SetEditorReady(true);
  mDelegate.OpenWindow(nullptr);
  EXPECT_EQ(UI()->Width(), 700);
  EXPECT_EQ(mDelegate.UnserializeEditorState(state(500, 600, &s), 0), 12);
  EXPECT_EQ(UI()->Width(), 500);
}

TEST_F(Delegate, ScreenScaleReachesAnOpenEditorRounded)
{
  mDelegate.SetScreenScale(2.0); // no editor: nothing to do
  mDelegate.OpenWindow(nullptr);
  mDelegate.SetScreenScale(1.6);
  EXPECT_EQ(UI()->GetScreenScale(), 2);
  mDelegate.SetScreenScale(std::numeric_limits<double>::quiet_NaN());
  mDelegate.SetScreenScale(0.2);
  EXPECT_EQ(UI()->GetScreenScale(), 2);
  mDelegate.SetScreenScale(0.5); // the smallest scale taken, rounded half away from zero
  EXPECT_EQ(UI()->GetScreenScale(), 1);
}

TEST_F(Delegate, DestroyingTheDelegateClosesTheWindowBeforeDeletingTheGraphics)
{
  std::vector<std::string> order;
  struct Tracked : FakePlatformGraphics
  {
    std::vector<std::string>* mOrder;
    Tracked(IGEditorDelegate& d, std::vector<std::string>* order) : FakePlatformGraphics(d, 100, 100), mOrder(order) {}
    void CloseWindow() override
    {
      if (GetWindow())
        mOrder->push_back("close");
      FakePlatformGraphics::CloseWindow();
    }
    ~Tracked() override { mOrder->push_back("delete"); }
  };
  {
    auto* delegate = new TestDelegate(2);
    delegate->mMakeGraphicsFunc = [&] { return new Tracked(*delegate, &order); };
    delegate->OpenWindow(nullptr);
    TestControl* c = static_cast<TestControl*>(delegate->GetUI()->AttachControl(new TestControl(IRECT(), 0)));
    delegate->GetUI()->BeginParamGestures(*c); // the delegate goes with a gesture open
    delete delegate;
  }
  EXPECT_EQ(order, (std::vector<std::string>{"close", "delete"}));
}
