// The look of a vector-drawn control: which parts it shows, its shading and sizes, its nine colours and the
// styles of its label and value texts.
#pragma once

#include <initializer_list>

#include "graphics/IColor.h"
#include "graphics/IText.h"

namespace plug {
namespace igraphics {

/// Roles of the nine colours of a vector control.
enum EVColor
{
  kBG = 0,
  kFG = 1,
  kPR = 2,
  kFR = 3,
  kHL = 4,
  kSH = 5,
  kX1 = 6,
  kX2 = 7,
  kX3 = 8,
  kNumVColors = 9,
};

struct IVColorSet
{
  IColor mColors[kNumVColors];

  /// The default set.
  IVColorSet();
  /// Every colour opaque black, then the given ones copied from index 0 on (at most nine).
  IVColorSet(std::initializer_list<IColor> colors);

  const IColor& GetColor(int i) const { return mColors[i]; }
  IColor& operator[](int i) { return mColors[i]; }
  const IColor& operator[](int i) const { return mColors[i]; }
};

struct IVStyle
{
  bool mHideCursor = true;
  bool mShowLabel = true;
  bool mShowValue = true;
  bool mDrawFrame = true;
  bool mDrawShadows = true;
  bool mAltShading = false;
  float mRoundness = 0.f;
  float mFrameThickness = 1.f;
  float mShadowOffset = 3.f;
  float mWidgetFrac = 1.f;
  float mAngle = 0.f;
  IVColorSet mColorSet;
  IText mLabelText{19.f, kVAlignTop};
  IText mValueText{14.f, kVAlignBottom};
};

} // namespace igraphics
} // namespace plug
