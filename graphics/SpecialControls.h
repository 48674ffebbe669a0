// The special controls a graphics context builds and owns beside its listed controls: the in-editor popup menu
// and text entry, the corner resizer, the frame-time display and the background controls (all from the control
// library), and value bubbles.
#pragma once

#include <array>
#include <cstdint>

#include "graphics/IBitmap.h"
#include "graphics/IControl.h"
#include "graphics/ILayer.h"

// The in-editor menu, text entry, corner resizer, frame-time display and background controls are the control
// library's; the context builds and drives them.
#include "controls/IBackgroundControls.h"
#include "controls/ICornerResizerControl.h"
#include "controls/IFPSDisplayControl.h"
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

} // namespace igraphics
} // namespace plug
