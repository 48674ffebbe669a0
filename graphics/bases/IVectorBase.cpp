#include "graphics/bases/IVectorBase.h"

#include <algorithm>
#include <cmath>

#include "graphics/types/GraphicsConstants.h"
#include "graphics/bases/IControl.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

namespace {

constexpr float kDegreesToRadians = 3.1415927f / 180.f;

/// The three corners of a triangle face: bottom-left, middle of the top edge, bottom-right of r, rotated by
/// angle degrees about the centre of r and moved by (dx, dy).
struct Triangle
{
  float x[3];
  float y[3];
};

Triangle TriangleIn(const IRECT& r, float angle, float dx = 0.f, float dy = 0.f)
{
  Triangle t{{r.mLeft, r.CentreX(), r.mRight}, {r.mBottom, r.mTop, r.mBottom}};
  const float c = std::cos(angle * kDegreesToRadians), s = std::sin(angle * kDegreesToRadians);
  for (int i = 0; i < 3; ++i)
  {
    const float px = t.x[i] - r.CentreX(), py = t.y[i] - r.CentreY();
    t.x[i] = r.CentreX() + px * c - py * s + dx;
    t.y[i] = r.CentreY() + px * s + py * c + dy;
  }
  return t;
}

void FillTriangleOf(IGraphics& g, const IColor& color, const Triangle& t, const IBlend* blend)
{
  g.FillTriangle(color, t.x[0], t.y[0], t.x[1], t.y[1], t.x[2], t.y[2], blend);
}

/// The text's measured extent, or the empty rectangle for an empty text or a detached control.
IRECT Measure(const IControl* control, const IText& text, const LibString& str)
{
  IRECT m;
  if (control && control->GetUI() && str.GetLength() > 0)
    control->GetUI()->MeasureText(text, str.Get(), m);
  return m;
}

} // namespace

IVectorBase::IVectorBase(const IVStyle& style, bool labelInWidget, bool valueInWidget)
  : mStyle(kDefaultStyle), mLabelInWidget(labelInWidget), mValueInWidget(valueInWidget)
{
  SetStyle(style);
}

void IVectorBase::SetControl(IControl* control, const char* label)
{
  mControl = control;
  SetLabelStr(label);
}

const IBlend* IVectorBase::ControlBlend() const { return mControl ? &mControl->GetBlend() : nullptr; }

IColor IVectorBase::Adjusted(int colorIdx, bool disabled) const
{
  return Color(colorIdx).WithContrast(disabled ? kDisabledContrast : 0.f);
}

void IVectorBase::DrawBackground(IGraphics& g, const IRECT& r) { g.FillRect(Color(kRoleBackground), r, ControlBlend()); }

void IVectorBase::DrawLabel(IGraphics& g)
{
  if (mLabelBounds.H() != 0.f && mStyle.mShowLabel)
    g.DrawText(mStyle.mLabelText, mLabelStr.Get(), mLabelBounds, ControlBlend());
}

void IVectorBase::DrawValue(IGraphics& g, bool mouseOver)
{
  if (mouseOver)
    g.FillRect(kColorTranslucent, mValueBounds);
  if (mStyle.mShowValue)
    g.DrawText(mStyle.mValueText, mValueStr.Get(), mValueBounds, ControlBlend());
}

void IVectorBase::DrawPressableShape(IGraphics& g, int shape, const IRECT& bounds, bool pressed, bool mouseOver,
                                     bool disabled)
{
  switch (shape)
  {
  case kVShapeRectangle:
  case kVShapeAllCornersRounded: DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled); break;
  case kVShapeTopCornersRounded:
    DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, true, true, false, false);
    break;
  case kVShapeEllipse: DrawPressableEllipse(g, bounds, pressed, mouseOver, disabled); break;
  case kVShapeTriangle: DrawPressableTriangle(g, bounds, pressed, mouseOver, mStyle.mAngle, disabled); break;
  default: break;
  }
}

IRECT IVectorBase::FaceRect(const IRECT& bounds) const
{
  IRECT r = bounds;
  if (mStyle.mDrawFrame)
    r = r.GetInset(mStyle.mFrameThickness / 2.f);
  if (mStyle.mDrawShadows)
  {
    r.mLeft += mStyle.mShadowOffset;
    r.mRight -= mStyle.mShadowOffset;
    r.mBottom -= mStyle.mShadowOffset;
  }
  return r;
}

void IVectorBase::DrawSplash(IGraphics& g, const IRECT& r)
{
  if (!mControl || !mControl->HasAnimation())
    return;
  const IRECT region = g.GetClipRegion();
  const IRECT clip = region.Empty() ? r : r.Intersect(region);
  if (clip.Empty())
    return; // nothing of the face is being drawn; an empty clip would mean no clip at all
  g.PathClipRegion(clip);
  g.FillCircle(Color(kRoleHighlight), mSplashX, mSplashY, mSplashRadius, nullptr);
  g.PathClipRegion(region);
}

void IVectorBase::DrawPressableRectangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                         bool disabled, bool roundTopLeft, bool roundTopRight, bool roundBottomLeft,
                                         bool roundBottomRight)
{
  const IRECT r = FaceRect(bounds);
  const float cr = std::min(r.W(), r.H()) / 2.f * mStyle.mRoundness;
  const float tl = roundTopLeft ? cr : 0.f, tr = roundTopRight ? cr : 0.f;
  const float br = roundBottomRight ? cr : 0.f, bl = roundBottomLeft ? cr : 0.f;
  const float o = mStyle.mShadowOffset;
  const IRECT inner = r.GetInset(o);
  const IBlend* blend = ControlBlend();
  auto fill = [&](const IColor& c, const IRECT& rect, const IBlend* b) { g.FillRoundRect(c, rect, tl, tr, bl, br, b); };

  if (!pressed)
  {
    if (mStyle.mDrawShadows)
      fill(Color(kRoleShadow), r.GetOffset(o, o), blend);
    if (!mStyle.mAltShading)
    {
      fill(Adjusted(kRoleForeground, disabled), r, nullptr);
      if (mouseOver)
        fill(Color(kRoleHighlight), r, blend);
    }
    else
    {
      fill(Adjusted(kRolePressed, disabled), r, nullptr);
      fill(Adjusted(kRoleShadow, disabled), r.GetOffset(o, o), nullptr);
      fill(Adjusted(kRoleForeground, disabled), inner, nullptr);
      if (mouseOver)
        fill(Color(kRoleHighlight), inner, blend);
    }
  }
  else if (!mStyle.mAltShading)
    fill(Adjusted(kRolePressed, disabled), r, nullptr);
  else
  {
    fill(Color(kRolePressed), r, blend);
    fill(Color(kRoleShadow), r, blend);
    fill(Adjusted(kRoleForeground, disabled), IRECT(r.mLeft + o, r.mTop + o, r.mRight, r.mBottom), nullptr);
    fill(Color(kRolePressed), inner, blend);
  }

  DrawSplash(g, r);
  if (mStyle.mDrawFrame)
    g.DrawRoundRect(Color(kRoleFrame), r, tl, tr, bl, br, blend, mStyle.mFrameThickness);
}

void IVectorBase::DrawPressableEllipse(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                       bool disabled)
{
  const IRECT r = bounds;
  const float o = mStyle.mShadowOffset;
  const IRECT inner = r.GetInset(o);
  const IBlend* blend = ControlBlend();

  if (!pressed)
  {
    if (mStyle.mDrawShadows && !disabled)
      g.FillEllipse(Color(kRoleShadow), r.GetOffset(o, o), nullptr);
    if (!mStyle.mAltShading)
    {
      g.FillEllipse(Adjusted(kRoleForeground, disabled), r, nullptr);
      if (mouseOver)
        g.FillEllipse(Color(kRoleHighlight), r, blend);
    }
    else
    {
      g.FillEllipse(Adjusted(kRolePressed, disabled), r, nullptr);
      g.FillEllipse(Adjusted(kRoleShadow, disabled), r.GetOffset(o, o), nullptr);
      g.FillEllipse(Adjusted(kRoleForeground, disabled), inner, nullptr);
      if (mouseOver)
        g.FillEllipse(Color(kRoleHighlight), inner, blend);
    }
  }
  else if (!mStyle.mAltShading)
    g.FillEllipse(Adjusted(kRolePressed, disabled), r, nullptr);
  else
  {
    g.FillEllipse(Color(kRolePressed), r, blend);
    g.FillEllipse(Color(kRoleShadow), r, blend);
    g.FillEllipse(Adjusted(kRoleForeground, disabled), r.GetOffset(o, o), nullptr);
    g.FillEllipse(Color(kRolePressed), inner, blend);
  }

  DrawSplash(g, r);
  if (mStyle.mDrawFrame)
    g.DrawEllipse(Color(kRoleFrame), r, blend, mStyle.mFrameThickness);
}

void IVectorBase::DrawPressableTriangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                        float angle, bool disabled)
{
  const IRECT r = FaceRect(bounds);
  const float o = mStyle.mShadowOffset;
  const IBlend* blend = ControlBlend();
  const Triangle face = TriangleIn(r, angle);

  if (!pressed)
  {
    if (mStyle.mDrawShadows)
      FillTriangleOf(g, Color(kRoleShadow), TriangleIn(r, angle, o, o), blend);
    FillTriangleOf(g, Adjusted(kRoleForeground, disabled), face, nullptr);
    if (mouseOver)
      FillTriangleOf(g, Color(kRoleHighlight), face, blend);
  }
  else
    FillTriangleOf(g, Adjusted(kRolePressed, disabled), face, nullptr);

  DrawSplash(g, r);
  if (mStyle.mDrawFrame)
    g.DrawTriangle(Color(kRoleFrame), face.x[0], face.y[0], face.x[1], face.y[1], face.x[2], face.y[2], blend,
                   mStyle.mFrameThickness);
}

IRECT IVectorBase::MakeRects(const IRECT& parent, bool hasHandle)
{
  IRECT rest = parent;

  if (!mLabelInWidget)
  {
    mLabelBounds = IRECT();
    if (mStyle.mShowLabel && mLabelStr.GetLength() > 0)
    {
      const IRECT m = Measure(mControl, mStyle.mLabelText, mLabelStr);
      const IRECT strip(rest.mLeft, rest.mTop, rest.mRight, rest.mTop + m.H());
      mLabelBounds = strip.GetCentredInside(m.W(), m.H());
    }
    if (mLabelBounds.H() != 0.f)
      rest.mTop += mLabelBounds.H();
  }

  if (!mStyle.mShowValue || mValueInWidget)
    mWidgetBounds = rest.GetScaledAboutCentre(mStyle.mWidgetFrac);
  else
  {
    const IRECT m = Measure(mControl, mStyle.mValueText, mValueStr);
    const float h = m.H(), half = m.W() * mValueWidthFactor, cx = rest.CentreX();
    switch (mStyle.mValueText.mVAlign)
    {
    case kVAlignTop:
      mValueBounds = IRECT(cx - half, rest.mTop, cx + half, rest.mTop + h);
      mWidgetBounds = IRECT(rest.mLeft, rest.mTop + h, rest.mRight, rest.mBottom).GetScaledAboutCentre(mStyle.mWidgetFrac);
      break;
    case kVAlignBottom:
      mValueBounds = IRECT(cx - half, rest.mBottom - h, cx + half, rest.mBottom);
      mWidgetBounds = IRECT(rest.mLeft, rest.mTop, rest.mRight, rest.mBottom - h).GetScaledAboutCentre(mStyle.mWidgetFrac);
      break;
    case kVAlignMiddle:
      mValueBounds = IRECT(cx - half, rest.CentreY() - h / 2.f, cx + half, rest.CentreY() + h / 2.f);
      mWidgetBounds = rest.GetScaledAboutCentre(mStyle.mWidgetFrac);
      break;
    default: break;
    }
  }

  if (hasHandle)
    mWidgetBounds = FaceRect(rest).GetScaledAboutCentre(mStyle.mWidgetFrac);
  if (mLabelInWidget)
    mLabelBounds = mWidgetBounds;
  if (mValueInWidget)
    mValueBounds = mWidgetBounds;
  return rest;
}

void IVectorBase::AnimationFuncSplash(IControl* caller)
{
  const double progress = caller->GetAnimationProgress();
  if (progress > 1.0)
  {
    caller->OnEndAnimation();
    return;
  }
  if (auto* vb = dynamic_cast<IVectorBase*>(caller))
    vb->mSplashRadius = static_cast<float>(progress) * vb->mMaxSplashRadius;
  caller->SetDirty(false);
}

void IVectorBase::ActionFuncSplash(IControl* caller)
{
  auto* vb = dynamic_cast<IVectorBase*>(caller);
  if (!vb)
    return;
  if (const IGraphics* g = caller->GetUI())
    vb->SetSplashPoint(g->GetMouseDownX(), g->GetMouseDownY());
  caller->SetAnimation(AnimationFuncSplash, IControl::kDefaultAnimationDurationMs);
}

void IGraphics::StyleAllVectorControls(const IVStyle& style)
{
  VisitListedControls([&](IControl& control) {
    if (auto* vb = dynamic_cast<IVectorBase*>(&control))
      vb->SetStyle(style);
  });
}

} // namespace igraphics
} // namespace plug
