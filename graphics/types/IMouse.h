// Modifier keys and buttons with a pointer event, and a pointer position with its movement and modifiers.
#pragma once

#include <cstdint>

namespace plug {
namespace igraphics {

struct IMouseMod
{
  bool mLeft = false;
  bool mRight = false;
  bool mShift = false;
  bool mCtrl = false;
  bool mAlt = false;
  /// The mouse is touch id 0.
  uint64_t mTouchID = 0;
  float mTouchRadius = 0.f;

  IMouseMod() = default;
  IMouseMod(bool l, bool r = false, bool s = false, bool c = false, bool a = false, uint64_t touchID = 0)
    : mLeft(l), mRight(r), mShift(s), mCtrl(c), mAlt(a), mTouchID(touchID)
  {
  }

  /// Ctrl or shift held: knobs and sliders move in finer steps.
  bool FineAdjust() const { return mCtrl || mShift; }
};

struct IMouseInfo
{
  float mX = 0.f;
  float mY = 0.f;
  float mDX = 0.f;
  float mDY = 0.f;
  IMouseMod mMod;
};

} // namespace igraphics
} // namespace plug
