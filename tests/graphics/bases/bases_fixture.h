// A graphics context over the recording back end for the control-base tests, with text measured as the
// platform layer does (forwarded to the back end), a hand-driven clock and parameters shaped by each test.
#pragma once

#include <gtest/gtest.h>

#include "core/IParam.h"
#include "fake_platform.h"
#include "test_delegate.h"

namespace graphicstest {

class MeasuringGraphics : public FakePlatformGraphics
{
public:
  using FakePlatformGraphics::FakePlatformGraphics;
  float MeasureText(const IText& text, const char* str, IRECT& bounds) const override
  {
    return (str && *str) ? DoMeasureText(text, str, bounds) : 0.f;
  }
};

struct BasesTest : ::testing::Test
{
  TestDelegate mDelegate{4};
  MeasuringGraphics mG{mDelegate, 400, 300};
  foundation::ManualClock mClock{10.0};

  void SetUp() override { mG.SetClock(&mClock); }

  /// Parameter idx becomes a stepped one over min..max.
  void Stepped(int idx, double min, double max, double step)
  {
    mDelegate.GetParam(idx)->InitDouble("stepped", min, min, max, step, "", plug::IParam::kFlagStepped);
  }
  template <class C>
  C* Attach(C* control)
  {
    return static_cast<C*>(mG.AttachControl(control));
  }
};

} // namespace graphicstest
