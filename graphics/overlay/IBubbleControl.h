// A value bubble: a rounded box with an arrow that shows a control's value beside or above it while the control
// changes, fades in over 200 ms, stays for a second (for as long as a pointer still drags the control) and fades
// out over 200 ms. The graphics context keeps a list of them beside its controls. Main thread only.
#pragma once

#include <cstdint>

#include "core/LibString.h"
#include "graphics/bases/IControl.h"

namespace plug {
namespace igraphics {

class IBubbleControl : public IControl
{
public:
  enum EState
  {
    kHidden = 0,
    kFadingIn,
    kShown,
    kFadingOut,
  };
  static constexpr int kFadeMs = 200;
  static constexpr int kStayMs = 1000;

  IBubbleControl(const IText& text = IText(), const IColor& fillColor = IColor(255, 255, 255, 255),
                 const IColor& frameColor = IColor(255, 0, 0, 0), float roundness = 5.f);
  void Draw(IGraphics& g) override;
  /// Shows str beside the point (x, y) for the caller (above it for a vertical direction), starting the fade-in
  /// when the bubble is not showing yet.
  virtual void ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                          const IRECT& minimumContentBounds, uint64_t touchId = 0);
  virtual void DrawContent(IGraphics& g, const IRECT& r);
  virtual void DrawBubble(IGraphics& g, const IRECT& r);
  virtual void MeasureContent(IRECT& r) const;

  uint64_t GetTouchId() const { return mTouchId; }
  bool IsShown() const { return mState != kHidden; }
  int GetState() const { return mState; }
  IControl* GetCaller() const { return mCaller; }
  const char* GetString() const { return mStr.Get(); }
  const IRECT& GetBubbleBounds() const { return mBubbleBounds; }
  int GetArrowDirection() const { return mArrowDirection; }
  /// The rectangle the bubble has to stay inside; an empty one (the default) means the whole editor.
  void SetUsableBounds(const IRECT& r) { mUsableBounds = r; }
  const IRECT& GetUsableBounds() const { return mUsableBounds; }

protected:
  void Animation();
  /// The box without the arrow's room.
  IRECT BodyRect() const;

  IRECT mBubbleBounds;
  IRECT mUsableBounds;
  IControl* mCaller = nullptr;
  uint64_t mTouchId = 0;
  int mState = kHidden;
  int mArrowDirection = 3;
  LibString mStr;
  float mRoundness;
  float mDropShadowSize = 10.f;
  float mArrowSize = 10.f;
  float mOpacity = 0.95f;
  float mStrokeWidth = 2.f;
  float mPadding = 5.f;
  IColor mFillColor, mStrokeColor;
};

} // namespace igraphics
} // namespace plug
