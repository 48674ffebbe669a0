// Rows of two-frame bitmap buttons that choose the value of one enumerated parameter: button k sets value k. In
// toggle mode button k sets k + 1 and a click on the lit button sets 0 (off).
#pragma once

#include <vector>

#include "graphics/resources/IBitmap.h"
#include "graphics/bases/IControl.h"

class IBRadioButtonsControl : public plug::igraphics::IControl
{
public:
  /// One rectangle and one bitmap (frame 1 unlit, 2 lit) per button, in order; bounds is the row's rectangle.
  IBRadioButtonsControl(int paramIdx, std::vector<plug::igraphics::IRECT> buttons,
                        std::vector<plug::igraphics::IBitmap> bitmaps, bool toggle,
                        const plug::igraphics::IRECT& bounds);
  void OnMouseDown(float x, float y, const plug::igraphics::IMouseMod& mod) override; // [main thread]
  void OnMouseUp(float x, float y, const plug::igraphics::IMouseMod& mod) override {}
  void OnRescale() override;
  void Draw(plug::igraphics::IGraphics& g) override;
  int NButtons() const { return (int)mButtons.size(); }
  /// The lit button for the parameter's current value: -1 none lit, -2 a value that draws no button at all.
  int LitButton() const;

private:
  std::vector<plug::igraphics::IRECT> mButtons;
  std::vector<plug::igraphics::IBitmap> mBitmaps;
  bool mToggle;
};

/// Two buttons (oversampling in toggle mode; meter display in or out).
class IBRadioButtonsControl2 : public IBRadioButtonsControl
{
public:
  IBRadioButtonsControl2(int paramIdx, const plug::igraphics::IRECT& r1, const plug::igraphics::IBitmap& b1,
                         const plug::igraphics::IRECT& r2, const plug::igraphics::IBitmap& b2, bool toggle,
                         const plug::igraphics::IRECT& bounds)
    : IBRadioButtonsControl(paramIdx, {r1, r2}, {b1, b2}, toggle, bounds)
  {
  }
};

/// Five buttons (monitor mode).
class IBRadioButtonsControl5 : public IBRadioButtonsControl
{
public:
  IBRadioButtonsControl5(int paramIdx, const std::vector<plug::igraphics::IRECT>& rects,
                         const plug::igraphics::IBitmap& bitmap, bool toggle, const plug::igraphics::IRECT& bounds)
    : IBRadioButtonsControl(paramIdx, rects, std::vector<plug::igraphics::IBitmap>(rects.size(), bitmap), toggle,
                            bounds)
  {
  }
};
