// Every knob of the editor: a multi-frame bitmap knob turned by geared dragging (finer with Shift), reset by a
// Ctrl-click, showing its value over the knob while hovered, taking a typed value after a double click, and
// stepping with the wheel in fractions of its range or, for the calibration knobs, in whole units.
#pragma once

#include "core/LibString.h"
#include "controls/IBitmapControls.h"
#include "ui/KnobMath.h"

class IBKnobMultiControlVQ : public plug::igraphics::IBKnobControl
{
public:
  /// Vertical placement of the value text on the knob.
  enum ETextPlace
  {
    kTextTop = 0,
    kTextMiddle = 1,
    kTextBottom = 2,
  };
  struct Options
  {
    plug::igraphics::IColor boxColor{191, 36, 36, 36};
    int templateWidth = 6; // "0" characters whose measured size sets the value box
    plug::igraphics::EDirection direction = plug::igraphics::kVertical;
    bool textEntryDisabled = false;
    bool showOnHover = true;
    bool showLabel = false;
    int textPlace = kTextMiddle;
    bool alwaysShow = false;
    bool drawBox = true;
    bool unitWheel = false;
    double gearing = 4.0;
  };

  IBKnobMultiControlVQ(float x, float y, int paramIdx, const plug::igraphics::IBitmap& bitmap,
                       const plug::igraphics::IText& text, const Options& options);

  // [main thread, editor open]
  void OnMouseDown(float x, float y, const plug::igraphics::IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const plug::igraphics::IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const plug::igraphics::IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const plug::igraphics::IMouseMod& mod) override;
  /// A typed value, applied with the context's mouse-over index as it was when the entry opened.
  void SetValueFromUserInput(double value, int valIdx = 0) override;
  void OnMouseWheel(float x, float y, const plug::igraphics::IMouseMod& mod, float d) override;
  void OnMouseOver(float x, float y, const plug::igraphics::IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(plug::igraphics::IGraphics& g) override;

  /// Where the value text is drawn: the template's measured size centred on the knob.
  plug::igraphics::IRECT KnobValueTextRect() const;
  /// One wheel notch in the parameter's own units (Ctrl: threes, Shift: tenths, else ones).
  void KnobWheelStep(const plug::igraphics::IMouseMod& mod, float notch);
  /// The value text shows (hovered and shown on hover, or always shown).
  bool ShowsValueText() const { return (mMouseOver && mShowOnHover) || mAlwaysShow; }
  void SetShowOnHover(bool show) { mShowOnHover = show; }
  bool GetShowOnHover() const { return mShowOnHover; }

private:
  KnobRange Range() const;

  bool mShowLabel;
  bool mMouseOver = false;
  bool mShowOnHover;
  bool mAlwaysShow;
  bool mDrawBox;
  plug::igraphics::IColor mBoxColor;
  int mTextPlace;
  plug::LibString mWidthTemplate;
  bool mUnitWheel;
  int mSavedMouseOverIdx = -1;
};
