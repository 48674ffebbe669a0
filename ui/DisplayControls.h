// The editor's display controls: frame-indexed bitmaps (background, meter faces, needles, lamps), the meters'
// number fields, and the text and bitmap drop-downs of enumerated parameters.
#pragma once

#include "graphics/resources/BitmapFrames.h"
#include "controls/IBitmapControls.h"
#include "graphics/bases/IBitmapBase.h"
#include "graphics/bases/IControl.h"
#include "graphics/bases/ISwitchControlBase.h"
#include "graphics/bases/ITextControl.h"

/// A bitmap at (x, y) showing the frame its value selects; it takes no input.
class IBBitmapControlVQ : public plug::igraphics::IControl, public plug::igraphics::IBitmapBase
{
public:
  IBBitmapControlVQ(float x, float y, const plug::igraphics::IBitmap& bitmap);
  void OnMouseDown(float, float, const plug::igraphics::IMouseMod&) override {}
  void OnMouseUp(float, float, const plug::igraphics::IMouseMod&) override {}
  void OnMouseDrag(float, float, float, float, const plug::igraphics::IMouseMod&) override {}
  void OnMouseDblClick(float, float, const plug::igraphics::IMouseMod&) override {}
  void OnMouseWheel(float, float, const plug::igraphics::IMouseMod&, float) override {}
  void OnRescale() override { SetBitmap(plug::igraphics::RescaledBitmap(GetUI(), mBitmap)); }
  void Draw(plug::igraphics::IGraphics& g) override { DrawBitmap(g); }
};

/// A text field that redraws only when its text changes.
class IVTextControlVQ : public plug::igraphics::ITextControl
{
public:
  using ITextControl::ITextControl;
  void SetStr(const char* str) override; // [main thread]
};

/// The wheel step of the drop-downs: d notches from the entry `current` of a parameter spanning `span` entries;
/// a positive delta moves to a lower entry. Only whole notches count. [any thread]
double DropDownWheelValue(int current, float d, double span);

/// A drop-down drawn as the parameter's display text (or nothing); a click offers the texts as a menu.
class IVPopupMenuVQ : public plug::igraphics::IControl
{
public:
  IVPopupMenuVQ(const plug::igraphics::IRECT& bounds, int paramIdx, const plug::igraphics::IText& text,
                bool wheel, bool drawText);
  void OnMouseDown(float x, float y, const plug::igraphics::IMouseMod& mod) override { PromptUserInput(0); }
  void OnMouseWheel(float x, float y, const plug::igraphics::IMouseMod& mod, float d) override;
  void Draw(plug::igraphics::IGraphics& g) override;

private:
  bool mWheel, mDrawText;
};

/// A drop-down drawn as one bitmap frame per entry.
class IBPopupMenuVQ : public plug::igraphics::IControl, public plug::igraphics::IBitmapBase
{
public:
  IBPopupMenuVQ(float x, float y, int paramIdx, const plug::igraphics::IBitmap& bitmap, bool wheel,
                plug::igraphics::IActionFn action = nullptr);
  void OnMouseDown(float x, float y, const plug::igraphics::IMouseMod& mod) override { PromptUserInput(0); }
  void OnMouseWheel(float x, float y, const plug::igraphics::IMouseMod& mod, float d) override;
  void OnRescale() override;
  void Draw(plug::igraphics::IGraphics& g) override { DrawBitmap(g); }

private:
  bool mWheel;
};

/// A two-frame on/off switch at (x, y): each press moves the value on by one frame, back to 0 past the last.
class IBSwitchControlVQ : public plug::igraphics::IBSwitchControl
{
public:
  using IBSwitchControl::IBSwitchControl;
};
