// Minimal controls for graphics tests: a control that draws its rectangle and records the hooks it gets, and one
// that records every value it is given.
#pragma once

#include <string>
#include <vector>

#include "graphics/bases/IControl.h"
#include "graphics/context/IGraphics.h"

namespace graphicstest {

using namespace plug::igraphics;

class TestControl : public IControl
{
public:
  using IControl::IControl;
  explicit TestControl(const IRECT& bounds, int paramIdx = -1) : IControl(bounds, paramIdx) {}

  /// Hooks and input calls in order: "init", "resize", "rescale", "attached", "down", ...
  std::vector<std::string> mCalls;
  /// Set when the control is deleted.
  bool* mDeleted = nullptr;
  ~TestControl() override
  {
    if (mDeleted)
      *mDeleted = true;
  }

  void Draw(IGraphics& g) override { g.FillRect(IColor(255, 1, 2, 3), mDrawRect); }
  void OnInit() override { mCalls.push_back("init"); }
  void OnResize() override { mCalls.push_back("resize"); }
  void OnRescale() override { mCalls.push_back("rescale"); }
  void OnAttached() override { mCalls.push_back("attached"); }
  void OnMouseDown(float x, float y, const IMouseMod& mod) override
  {
    mCalls.push_back("down");
    IControl::OnMouseDown(x, y, mod);
  }
  void OnMouseUp(float x, float y, const IMouseMod& mod) override { mCalls.push_back("up"); }
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override { mCalls.push_back("drag"); }
  void OnMidi(const plug::IMidiMsg& msg) override { mCalls.push_back("midi"); }
  void OnMsgFromDelegate(int msgTag, int dataSize, const void* data) override
  {
    mCalls.push_back("msg " + std::to_string(msgTag));
  }
  void SetValue(double value, int valIdx) override
  {
    mSetValues.push_back(value);
    IControl::SetValue(value, valIdx);
  }
  std::vector<double> mSetValues;
  /// Lets a test put a value straight into a slot.
  void Poke(double value, int valIdx = 0) { IControl::SetValue(value, valIdx); }
  bool Dirty() const { return mDirty; }
};

} // namespace graphicstest
