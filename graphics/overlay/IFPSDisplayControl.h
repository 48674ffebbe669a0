// The frame-time display: a ring of the last 100 frame times, which the graphics context fills at every frame
// start, drawn as a filled graph with its average in frames per second, milliseconds or percent. A press cycles
// the three styles. It redraws every frame. Main thread only.
#pragma once

#include <array>

#include "graphics/bases/IControl.h"
#include "graphics/bases/IVectorBase.h"

namespace plug {
namespace igraphics {

class IFPSDisplayControl : public IControl, public IVectorBase
{
public:
  static constexpr int kNumFrameTimes = 100;
  enum EStyle
  {
    kFPS = 0,
    kMilliseconds = 1,
    kPercentage = 2,
  };

  IFPSDisplayControl(const IRECT& bounds, int style = kFPS, const char* label = "Frame Time");
  /// The old signature the graphics context uses: frames per second and the given label.
  IFPSDisplayControl(const IRECT& bounds, const char* label) : IFPSDisplayControl(bounds, kFPS, label) {}
  void OnMouseDown(float x, float y, const IMouseMod& mod) override { mStyle = (mStyle + 1) % 3; }
  bool IsDirty() override { return true; }
  void Draw(IGraphics& g) override;
  /// Writes a frame time (seconds) at the next index of the ring.
  void Update(float frameTime);
  int GetWriteIdx() const { return mWriteIdx; }
  float GetFrameTime(int i) const { return mFrameTimes[static_cast<size_t>(i)]; }
  int GetStyle() const { return mStyle; }

protected:
  int mStyle;
  LibString mLabel;
  std::array<float, kNumFrameTimes> mFrameTimes{};
  int mWriteIdx = 0;
  IText mTextStyle{14.f}, mLargeTextStyle{18.f}, mLabelTextStyle{15.f};
};

} // namespace igraphics
} // namespace plug
