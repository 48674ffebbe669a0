// The look of a vector-drawn control: which parts it shows, its shading and sizes, its nine colours and the
// styles of its label and value texts.
#pragma once

#include <initializer_list>

#include "graphics/types/IColor.h"
#include "graphics/types/IText.h"

namespace plug {
namespace igraphics {

/// Roles of the nine colours of a vector control.
enum EColorRole
{
  kRoleBackground = 0,
  kRoleForeground = 1,
  kRolePressed = 2,
  kRoleFrame = 3,
  kRoleHighlight = 4,
  kRoleShadow = 5,
  kRoleExtra1 = 6,
  kRoleExtra2 = 7,
  kRoleExtra3 = 8,
  kNumColorRoles = 9,
};

struct IVColorSet
{
  IColor mColors[kNumColorRoles];

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
  bool mHideCursorOnDrag = true;
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
