// Specialised text controls: a clickable link, a two-state switch that shows one of two texts, a caption that
// shows a parameter's display text and prompts for a new value, and a layout placeholder that shows its own
// position and size. Main thread only.
#pragma once

#include "graphics/bases/ITextControl.h"

namespace plug {
namespace igraphics {

/// A link: opens its address when clicked; coloured by hover and by having been clicked, and underlined.
class IURLControl : public ITextControl
{
public:
  IURLControl(const IRECT& bounds, const char* str, const char* url, const IText& text, const IColor& bgColor,
              const IColor& mouseOverColor, const IColor& clickedColor);

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;

  bool GetClicked() const { return mClicked; }

protected:
  LibString mURLStr;
  IColor mNormalColor;
  IColor mMouseOverColor;
  IColor mClickedColor;
  bool mClicked = false;
};

/// Two states shown as two texts; a click toggles.
class ITextToggleControl : public ITextControl
{
public:
  ITextToggleControl(const IRECT& bounds, int paramIdx, const char* offText, const char* onText,
                     const IText& text = kDefaultText, const IColor& bgColor = kColorTransparent);
  ITextToggleControl(const IRECT& bounds, IActionFn action, const char* offText, const char* onText,
                     const IText& text = kDefaultText, const IColor& bgColor = kColorTransparent);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  /// Shows the text of the present state, then marks dirty as every control does.
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;

protected:
  LibString mOffText;
  LibString mOnText;
};

/// A parameter's display text (and unit label), prompting for a new value on a click; an enumerated
/// parameter gets a small downward arrow at the right.
class ICaptionControl : public ITextControl
{
public:
  /// Size of the arrow of an enumerated parameter.
  static constexpr float kArrowWidth = 8.f;
  static constexpr float kArrowHeight = 5.f;

  ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text = kDefaultText,
                  const IColor& bgColor = kColorTransparent, bool showParamLabel = true);

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnResize() override;

  const IRECT& GetArrowBounds() const { return mTri; }

protected:
  bool mShowParamLabel;
  IColor mTriangleColor;
  IColor mTriangleMouseOverColor;
  IRECT mTri;
};

/// A layout aid: a crossed box that shows its position and size and a name the user can edit.
class PlaceHolder : public ITextControl
{
public:
  /// Longest position and size texts.
  static constexpr int kNumberTextLength = 32;
  /// Distance of the position and size texts from the edges.
  static constexpr float kTextInset = 10.f;
  static constexpr float kTextSize = 20.f;

  PlaceHolder(const IRECT& bounds, const char* str = "");

  void Draw(IGraphics& g) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnResize() override;
  void OnTextEntryCompletion(const char* str, int valIdx) override { SetStr(str); }

  const char* GetPositionStr() const { return mXYStr.Get(); }
  const char* GetWidthStr() const { return mWidthStr.Get(); }
  const char* GetHeightStr() const { return mHeightStr.Get(); }

protected:
  /// A text at (x, y) over a box of its extent.
  void DrawBoxedText(IGraphics& g, const IText& text, const LibString& str, float x, float y, const IBlend& blend);

  LibString mXYStr;
  LibString mWidthStr;
  LibString mHeightStr;
  IRECT mCentreLabelBounds;
  IText mTLText;
  IText mWidthText;
  IText mHeightText;
};

} // namespace igraphics
} // namespace plug
