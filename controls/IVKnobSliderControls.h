// The continuous vector controls: a rotary knob, a linear slider, tracks of several values with the range
// slider (two or more handles kept in order), and an XY pad (one handle over a square area, two values). A
// control of zero size never turns a pointer position into an infinite or NaN value. Main thread only.
#pragma once

#include <initializer_list>
#include <vector>

#include "controls/IVButtonControls.h"
#include "graphics/bases/IKnobControlBase.h"
#include "graphics/bases/ISliderControlBase.h"

namespace plug {
namespace igraphics {

class IVKnobControl : public IKnobControlBase, public IVectorBase
{
public:
  IVKnobControl(const IRECT& bounds, int paramIdx = -1, const char* label = "", const IVStyle& style = IVStyle(),
                bool valueIsEditable = false, bool valueInWidget = false, float a1 = -135.f, float a2 = 135.f,
                float aAnchor = -135.f, EDirection direction = kVertical, double gearing = 4.0,
                float trackSize = 2.f);
  IVKnobControl(const IRECT& bounds, IActionFn action, const char* label = "", const IVStyle& style = IVStyle(),
                bool valueIsEditable = false, bool valueInWidget = false, float a1 = -135.f, float a2 = 135.f,
                float aAnchor = -135.f, EDirection direction = kVertical, double gearing = 4.0,
                float trackSize = 2.f);
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void OnInit() override;
  void Draw(IGraphics& g) override;
  bool HitTest(float x, float y) const override;
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  IRECT GetKnobDragBounds() override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawKnobArc(IGraphics& g, float angle, float cx, float cy, float r);
  virtual void DrawKnobNeedle(IGraphics& g, float angle, float cx, float cy, float rho);

protected:
  void Setup(bool valueIsEditable, float trackSize);
  float mTrackToHandleDistance = 4.f;
  float mInnerPointerFrac = 0.1f;
  float mOuterPointerFrac = 1.f;
  float mPointerThickness = 2.5f;
  float mAngle1, mAngle2, mAnchorAngle;
  bool mValueMouseOver = false;
};

class IVSliderControl : public ISliderControlBase, public IVectorBase
{
public:
  IVSliderControl(const IRECT& bounds, int paramIdx = -1, const char* label = "", const IVStyle& style = IVStyle(),
                  bool valueIsEditable = false, EDirection direction = kVertical, double gearing = 1.0,
                  float handleSize = 8.f, float trackSize = 2.f, bool handleInsideTrack = false);
  IVSliderControl(const IRECT& bounds, IActionFn action, const char* label = "", const IVStyle& style = IVStyle(),
                  bool valueIsEditable = false, EDirection direction = kVertical, double gearing = 1.0,
                  float handleSize = 8.f, float trackSize = 2.f, bool handleInsideTrack = false);
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void OnInit() override;
  void Draw(IGraphics& g) override;
  bool HitTest(float x, float y) const override;
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawSliderBar(IGraphics& g, const IRECT& filled);
  virtual void DrawSliderThumb(IGraphics& g, const IRECT& bounds);

protected:
  void Setup(bool valueIsEditable, float trackSize);
  bool mHandleInsideTrack;
  bool mValueMouseOver = false;
};

/// Tracks of several values side by side; the base of the range slider.
class IVTrackControlBase : public IControl, public IVectorBase
{
public:
  IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style, std::initializer_list<int> params,
                     int nSteps = 0, EDirection direction = kVertical, std::initializer_list<const char*> trackNames = {});
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  int GetValIdxForPos(float x, float y) const override;
  void DrawWidget(IGraphics& g) override;
  virtual void PaintLaneBase(IGraphics& g, const IRECT& r, int chIdx);
  virtual void PaintLane(IGraphics& g, const IRECT& r, int chIdx);
  virtual void PaintLaneSelection(IGraphics& g, const IRECT& r, int chIdx);
  virtual void PaintLaneLabel(IGraphics& g, const IRECT& r, int chIdx);
  virtual void PaintLaneFill(IGraphics& g, const IRECT& r, int chIdx);
  virtual void PaintLaneMarker(IGraphics& g, const IRECT& r, int chIdx);
  virtual void LayoutLanes(const IRECT& bounds);
  virtual void LayoutLaneSteps(const IRECT& bounds, int nSteps);
  const IRECT& GetTrackBounds(int i) const { return mTrackBounds[static_cast<size_t>(i)]; }

protected:
  /// The part of a track filled for its value, from the track's start (or the base value).
  IRECT FilledPart(const IRECT& r, int chIdx) const;
  EDirection mDirection;
  std::vector<IRECT> mTrackBounds;
  std::vector<IRECT> mStepBounds;
  std::vector<LibString> mTrackNames;
  int mNSteps;
  float mTrackPadding = 0.f;
  float mPeakSize = 1.f;
  int mSelectedIdx = -1;
  int mMouseOverIdx = -1;
  double mBaseValue = 0.0;
  bool mDrawTrackFrame = true;
  bool mZeroValueStepHasBounds = true;
};

class IVRangeSliderControl : public IVTrackControlBase
{
public:
  IVRangeSliderControl(const IRECT& bounds, std::initializer_list<int> params = {-1, -1}, const char* label = "",
                       const IVStyle& style = IVStyle(), EDirection direction = kVertical, float handleSize = 8.f,
                       float trackSize = 2.f);
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void PaintLane(IGraphics& g, const IRECT& r, int chIdx) override;
  void LayoutLanes(const IRECT& bounds) override;
  /// The handle of value i: a square of twice the handle size beside the track at the value's position.
  IRECT GetHandleBounds(int i) const;

protected:
  /// The position of a value along the first track.
  float ValuePos(int i) const;
  int mMouseOverHandle = -1;
  float mHandleSize;
  bool mMouseIsDown = false;
};

class IVXYPadControl : public IControl, public IVectorBase
{
public:
  IVXYPadControl(const IRECT& bounds, std::initializer_list<int> params = {-1, -1}, const char* label = "",
                 const IVStyle& style = IVStyle(), float handleRadius = 10.f);
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnResize() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawPadThumb(IGraphics& g, const IRECT& area, const IRECT& handleBounds);
  virtual void DrawPadCross(IGraphics& g);

protected:
  float mHandleRadius;
  bool mMouseDown = false;
  bool mTrackClipsHandle = true;
};

} // namespace igraphics
} // namespace plug
