// The mix-in of every vector-drawn control: it holds the control's style, lays the control's rectangle out into
// a widget area, a label strip and a value strip, and draws pressable shapes (idle, pressed, hovered, disabled)
// with shadow, frame and a click splash, and the label and value texts. Main thread only.
#pragma once

#include "core/LibString.h"
#include "graphics/types/IBlend.h"
#include "graphics/types/IRECT.h"
#include "graphics/types/IVStyle.h"

namespace plug {
namespace igraphics {

class IControl;
class IGraphics;

/// Shapes a pressable face can take.
enum EVShape
{
  kVShapeRectangle = 0,
  kVShapeEllipse = 1,
  kVShapeTriangle = 2,
  kVShapeTopCornersRounded = 3, // only the two top corners rounded
  kVShapeAllCornersRounded = 4, // drawn as the rectangle
};

class IVectorBase
{
public:
  /// Largest radius the click splash grows to.
  static constexpr float kDefaultMaxSplashRadius = 50.f;
  /// Half-width of the value strip per pixel of value-text width.
  static constexpr float kDefaultValueWidthFactor = 0.66f;
  /// Colour adjustment of a disabled face (added to R, G and B as int(c x 255)).
  static constexpr float kDisabledContrast = -0.25f;

  IVectorBase(const IVStyle& style, bool labelInWidget = false, bool valueInWidget = false);
  virtual ~IVectorBase() = default;
  IVectorBase(const IVectorBase&) = delete;
  IVectorBase& operator=(const IVectorBase&) = delete;

  /// Binds the mix-in to its control; derived controls call it from their constructor.
  void SetControl(IControl* control, const char* label = "");

  virtual void SetStyle(const IVStyle& style) { mStyle = style; }
  /// Fills r with the background colour and the control's blend.
  virtual void DrawBackground(IGraphics& g, const IRECT& r);
  virtual void DrawWidget(IGraphics& g) {}
  virtual void DrawLabel(IGraphics& g);
  virtual void DrawValue(IGraphics& g, bool mouseOver);
  /// Draws a face of the shape in its idle, pressed, hovered or disabled look; an unknown shape draws nothing.
  virtual void DrawPressableShape(IGraphics& g, int shape, const IRECT& bounds, bool pressed, bool mouseOver,
                                  bool disabled);

  void DrawPressableRectangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled,
                              bool roundTopLeft = true, bool roundTopRight = true, bool roundBottomLeft = true,
                              bool roundBottomRight = true);
  void DrawPressableEllipse(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled);
  void DrawPressableTriangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, float angle,
                             bool disabled);

  /// Lays out the widget, label and value rectangles inside parent and returns what is left of parent below
  /// the label strip (the control's hit area). hasHandle leaves room for the frame and the shadow.
  IRECT MakeRects(const IRECT& parent, bool hasHandle = false);

  const IVStyle& GetStyle() const { return mStyle; }
  const IRECT& GetWidgetBounds() const { return mWidgetBounds; }
  const IRECT& GetLabelBounds() const { return mLabelBounds; }
  const IRECT& GetValueBounds() const { return mValueBounds; }
  void SetLabelStr(const char* str) { mLabelStr.Set(str ? str : ""); }
  void SetValueStr(const char* str) { mValueStr.Set(str ? str : ""); }
  const char* GetLabelStr() const { return mLabelStr.Get(); }
  const char* GetValueStr() const { return mValueStr.Get(); }
  void SetSplashPoint(float x, float y)
  {
    mSplashX = x;
    mSplashY = y;
  }
  void SetSplashRadius(float r) { mSplashRadius = r; }
  float GetMaxSplashRadius() const { return mMaxSplashRadius; }

  /// Grows the splash with the animation's progress and ends it after its length.
  static void AnimationFuncSplash(IControl* caller);
  /// Starts a splash at the last mouse-down point (for controls that are also IVectorBase).
  static void ActionFuncSplash(IControl* caller);

protected:
  /// The face rectangle of a shape: bounds less half the frame and the room the shadow needs.
  IRECT FaceRect(const IRECT& bounds) const;
  /// Clips to r (within the region being drawn), fills the splash, and restores the region's clip.
  void DrawSplash(IGraphics& g, const IRECT& r);
  const IBlend* ControlBlend() const;
  IColor Adjusted(int colorIdx, bool disabled) const;
  const IColor& Color(int colorIdx) const { return mStyle.mColorSet.GetColor(colorIdx); }

  IControl* mControl = nullptr;
  IVStyle mStyle;
  bool mLabelInWidget;
  bool mValueInWidget;
  float mSplashRadius = 0.f;
  float mSplashX = 0.f;
  float mSplashY = 0.f;
  float mMaxSplashRadius = kDefaultMaxSplashRadius;
  float mTrackThickness = 2.f;
  float mValueWidthFactor = kDefaultValueWidthFactor;
  IRECT mWidgetBounds;
  IRECT mLabelBounds;
  IRECT mValueBounds;
  LibString mLabelStr;
  LibString mValueStr;
};

} // namespace igraphics
} // namespace plug
