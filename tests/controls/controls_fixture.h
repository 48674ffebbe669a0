// A graphics context for control tests: the fake platform over the recording back end, text measured as
// 0.5 x size per byte by size, a hand-driven clock, and helpers that step animations and send pointer events.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/IEditorDelegate.h"
#include "core/IParam.h"
#include "fake_platform.h"
#include "foundation/clock.h"
#include "graphics/overlay/OverlayControls.h"

namespace controlstest {

using namespace plug::igraphics;

class ControlsGraphics : public graphicstest::FakePlatformGraphics
{
public:
  using FakePlatformGraphics::FakePlatformGraphics;
  float MeasureText(const IText& text, const char* str, IRECT& bounds) const override
  {
    if (!str || !*str)
      return 0.f;
    return DoMeasureText(text, str, bounds);
  }
  /// Shadows are logged as "DrawFastDropShadow": the inner rectangle, then the outer one, drop, roundness and blur.
  void DrawFastDropShadow(const IRECT& inner, const IRECT& outer, float xyDrop, float roundness, float blur,
                          const IBlend* blend) override
  {
    graphicstest::DrawOp op;
    op.mName = "DrawFastDropShadow";
    op.mRect = inner;
    op.mArgs = {outer.mLeft, outer.mTop, outer.mRight, outer.mBottom, xyDrop, roundness, blur};
    op.mBlendWeight = blend ? blend->mWeight : -1.f;
    mOps.push_back(op);
  }
  /// Curves are logged as "DrawData" with their points.
  void DrawData(const IColor& color, const IRECT& bounds, float* normYPoints, int nPoints, float* normXPoints,
                const IBlend* blend, float thickness) override
  {
    graphicstest::DrawOp op;
    op.mName = "DrawData";
    op.mRect = bounds;
    op.mColor = color;
    op.mArgs.assign(normYPoints, normYPoints + nPoints);
    mOps.push_back(op);
  }
};

/// Four double parameters 0..1 (0 to 3), then an integer -100..100 (4) and an enumeration of three (5).
class ControlsDelegate : public plug::igraphics::IGEditorDelegate
{
public:
  static constexpr int kIntParam = 4;
  static constexpr int kEnumParam = 5;
  ControlsDelegate() : IGEditorDelegate(6)
  {
    for (int i = 0; i < 4; ++i)
      GetParam(i)->InitDouble(("p" + std::to_string(i)).c_str(), 0.0, 0.0, 1.0, 0.001);
    GetParam(kIntParam)->InitInt("int", 0, -100, 100);
    GetParam(kEnumParam)->InitEnum("enum", 0, {"a", "b", "c"});
    SetSizeConstraints(0, 1000000, 0, 1000000);
  }
  void BeginInformHostOfParamChangeFromUI(int idx) override {}
  void EndInformHostOfParamChangeFromUI(int idx) override {}
  bool EditorResizeFromUI(int width, int height, bool needsPlatformResize) override { return true; }
  /// Values the controls sent, in order.
  std::vector<std::pair<int, double>> mValuesFromUI;
  void SendParamValueFromUI(int idx, double normalized) override
  {
    mValuesFromUI.push_back({idx, normalized});
    IGEditorDelegate::SendParamValueFromUI(idx, normalized);
  }
};

class ControlsTest : public ::testing::Test
{
protected:
  ControlsTest() { g.SetClock(&clock); }

  /// Moves the clock on by ms and runs the control's animation, as a frame would.
  void Step(IControl& c, double ms)
  {
    clock.Advance(ms / 1000.0);
    c.Animate();
  }

  ControlsDelegate delegate;
  ControlsGraphics g{delegate, 400, 300, 60};
  foundation::ManualClock clock{100.0};
  IMouseMod left{true};
};

} // namespace controlstest
