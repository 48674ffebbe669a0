// The vector-drawn buttons and switches: a momentary button, a switch that steps through its states, a toggle
// with an off and an on text, a slide switch whose handle slides to the next cell in 100 ms, tab buttons and
// radio buttons. All draw from their IVStyle: background, label, widget and value.
// A tab or radio switch with a single option (or none) never divides by its option count. Main thread only.
#pragma once

#include <initializer_list>
#include <vector>

#include "core/LibString.h"
#include "graphics/bases/IButtonControlBase.h"
#include "graphics/bases/ISwitchControlBase.h"
#include "graphics/bases/IVectorBase.h"

namespace plug {
namespace igraphics {

/// Shapes of a vector control's widget.
enum EWidgetShape
{
  kWidgetRectangle = 0,
  kWidgetEllipse = 1,
  kWidgetTriangle = 2,
  kWidgetEndsRounded = 3,
  kWidgetAllRounded = 4,
};

class IVButtonControl : public IButtonControlBase, public IVectorBase
{
public:
  IVButtonControl(const IRECT& bounds, IActionFn action = IVectorBase::ActionFuncSplash, const char* label = "",
                  const IVStyle& style = IVStyle(), bool labelInButton = true, bool valueInButton = true,
                  int shape = kWidgetRectangle);
  void OnResize() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  bool HitTest(float x, float y) const override { return mWidgetBounds.Contains(x, y); }

protected:
  int mShape;
};

class IVSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  IVSwitchControl(const IRECT& bounds, int paramIdx = -1, const char* label = "", const IVStyle& style = IVStyle(),
                  bool valueInButton = true);
  IVSwitchControl(const IRECT& bounds, IActionFn action, const char* label = "", const IVStyle& style = IVStyle(),
                  int numStates = 2, bool valueInButton = true);
  void OnInit() override;
  void OnMouseOut() override;
  void OnResize() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  bool HitTest(float x, float y) const override { return mWidgetBounds.Contains(x, y); }
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;

protected:
  /// The value text from the linked parameter, when there is one.
  void UpdateValueStr();
  int mShape = kWidgetRectangle;
};

class IVToggleControl : public IVSwitchControl
{
public:
  IVToggleControl(const IRECT& bounds, int paramIdx = -1, const char* label = "", const IVStyle& style = IVStyle(),
                  const char* offText = "OFF", const char* onText = "ON");
  IVToggleControl(const IRECT& bounds, IActionFn action, const char* label = "", const IVStyle& style = IVStyle(),
                  const char* offText = "OFF", const char* onText = "ON", bool initialState = false);
  void DrawWidget(IGraphics& g) override;
  void DrawValue(IGraphics& g, bool mouseOver) override;

protected:
  LibString mOffText, mOnText;
};

class IVSlideSwitchControl : public IVSwitchControl
{
public:
  static constexpr int kSlideMs = 100;
  IVSlideSwitchControl(const IRECT& bounds, int paramIdx = -1, const char* label = "",
                       const IVStyle& style = IVStyle(), bool valueInButton = true, EDirection direction = kHorizontal);
  IVSlideSwitchControl(const IRECT& bounds, IActionFn action, const char* label = "", const IVStyle& style = IVStyle(),
                       bool valueInButton = true, EDirection direction = kHorizontal, int numStates = 2,
                       int initialState = 0);
  void OnResize() override;
  void OnEndAnimation() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawSlideTrack(IGraphics& g, const IRECT& r);
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  const IRECT& GetHandleBounds() const { return mHandleBounds; }

protected:
  void UpdateRects();
  void SlideAnimation();
  IRECT mStartRect, mEndRect, mHandleBounds;
  EDirection mDirection;
};

class IVTabSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  IVTabSwitchControl(const IRECT& bounds, int paramIdx = -1, std::initializer_list<const char*> options = {},
                     const char* label = "", const IVStyle& style = IVStyle(), int shape = kWidgetRectangle,
                     EDirection direction = kHorizontal);
  IVTabSwitchControl(const IRECT& bounds, IActionFn action, std::initializer_list<const char*> options,
                     const char* label = "", const IVStyle& style = IVStyle(), int shape = kWidgetRectangle,
                     EDirection direction = kHorizontal);
  void OnInit() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override { ISwitchControlBase::OnMouseUp(x, y, mod); }
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  bool HitTest(float x, float y) const override { return FindButtonAt(x, y) >= 0; }
  virtual void DrawTabButton(IGraphics& g, const IRECT& r, bool pressed, bool mouseOver, int segment, bool disabled);
  /// The button under (x, y), -1 for none.
  virtual int FindButtonAt(float x, float y) const;
  int NButtons() const { return static_cast<int>(mButtons.size()); }
  const IRECT& GetButton(int i) const { return mButtons[static_cast<size_t>(i)]; }
  /// The selected button for the present value (0 when there is at most one).
  int SelectedIdx() const;

protected:
  int mMouseOverButton = -1;
  std::vector<IRECT> mButtons;
  std::vector<LibString> mTabLabels;
  EDirection mDirection;
  int mShape;
};

class IVRadioButtonControl : public IVTabSwitchControl
{
public:
  IVRadioButtonControl(const IRECT& bounds, int paramIdx = -1, std::initializer_list<const char*> options = {},
                       const char* label = "", const IVStyle& style = IVStyle(), int shape = kWidgetEllipse,
                       EDirection direction = kVertical, float buttonSize = 10.f);
  IVRadioButtonControl(const IRECT& bounds, IActionFn action, std::initializer_list<const char*> options,
                       const char* label = "", const IVStyle& style = IVStyle(), int shape = kWidgetEllipse,
                       EDirection direction = kVertical, float buttonSize = 10.f);
  void DrawWidget(IGraphics& g) override;
  int FindButtonAt(float x, float y) const override;

protected:
  IRECT ButtonSquare(const IRECT& cell) const;
  float mButtonSize;
  float mLabelOffset;
  bool mOnlyButtonsRespondToMouse = false;
};

/// The cells of r cut into n equal parts: rows for a vertical direction, columns otherwise.
std::vector<IRECT> SubdivideRect(const IRECT& r, int n, EDirection direction);

} // namespace igraphics
} // namespace plug
