// The special controls a graphics context builds and owns beside its listed controls: the in-editor popup menu
// and text entry, the corner resizer (all three from the control library), value bubbles, the frame-time
// display, and the background controls.
#pragma once

#include <array>
#include <cstdint>

#include "graphics/IBitmap.h"
#include "graphics/IControl.h"
#include "graphics/ILayer.h"

// The in-editor menu, text entry and corner resizer are the control library's; the context builds and drives them.
#include "controls/ICornerResizerControl.h"
#include "controls/IPopupMenuControl.h"
#include "controls/ITextEntryControl.h"

namespace plug {
namespace igraphics {

class IPopupMenu;

/// Shows one value bubble beside or above a control.
class IBubbleControl : public IControl
{
public:
  IBubbleControl(const IText& text = IText(), const IColor& fillColor = IColor(255, 255, 255, 255),
                 const IColor& frameColor = IColor(255, 0, 0, 0), float roundness = 5.f);
  void Draw(IGraphics& g) override;
  virtual void ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                          const IRECT& minimumContentBounds, uint64_t touchId = 0);
  uint64_t GetTouchId() const { return mTouchId; }
  bool IsShown() const { return mShown; }
  IControl* GetCaller() const { return mCaller; }
  const char* GetString() const { return mStr.Get(); }

protected:
  IColor mFillColor, mFrameColor;
  float mRoundness;
  uint64_t mTouchId = 0;
  EDirection mDirection = kHorizontal;
  IRECT mMaxBounds;
  IRECT mBubbleBounds;
  IControl* mCaller = nullptr;
  int mArrowDir = 0;
  LibString mStr;
  float mMargin = 5.f;
  float mArrowSize = 7.f;
  bool mShown = false;
};

/// A ring of the last frame times.
class IFPSDisplayControl : public IControl
{
public:
  static constexpr int kNumFrameTimes = 100;
  IFPSDisplayControl(const IRECT& bounds, const char* label = "Frame Time");
  void Draw(IGraphics& g) override;
  /// Writes a frame time at the next index of the ring.
  void Update(float frameTime);
  int GetWriteIdx() const { return mWriteIdx; }
  float GetFrameTime(int i) const { return mFrameTimes[static_cast<size_t>(i)]; }

protected:
  std::array<float, kNumFrameTimes> mFrameTimes{};
  int mWriteIdx = 0;
  LibString mLabel;
};

/// A bitmap at a position (the bitmap background).
class IBitmapControl : public IControl
{
public:
  IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1, const IBlend& blend = IBlend());
  void Draw(IGraphics& g) override;
  void OnRescale() override;
  const IBitmap& GetBitmap() const { return mBitmap; }

protected:
  IBitmap mBitmap;
};

/// An SVG image over its bounds (the SVG background).
class ISVGControl : public IControl
{
public:
  ISVGControl(const IRECT& bounds, const ISVG& svg);
  void Draw(IGraphics& g) override;

protected:
  ISVG mSVG;
};

/// A filled panel (the panel background).
class IPanelControl : public IControl
{
public:
  IPanelControl(const IRECT& bounds, const IPattern& pattern);
  void Draw(IGraphics& g) override;

protected:
  IPattern mPattern;
};

} // namespace igraphics
} // namespace plug
