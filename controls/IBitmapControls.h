// The bitmap-drawn stock controls: the switch and knob bases that the effect's own controls extend, and the
// bitmap button, slider, rotating knob and bitmap-font text. Each shows frames of a filmstrip bitmap chosen by
// its value and fetches its bitmap again when the screen scale changes. A bitmap without frames (a missing
// file) draws nothing. Main thread only.
#pragma once

#include "graphics/bases/IBitmapBase.h"
#include "graphics/bases/IButtonControlBase.h"
#include "graphics/bases/IKnobControlBase.h"
#include "graphics/bases/ISliderControlBase.h"
#include "graphics/bases/ISwitchControlBase.h"
#include "graphics/bases/ITextControl.h"

namespace plug {
namespace igraphics {

/// Steps through its bitmap's frames on every click and wraps.
class IBSwitchControl : public ISwitchControlBase, public IBitmapBase
{
public:
  IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1);
  IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1);
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnRescale() override;
  void Draw(IGraphics& g) override;
};

/// A knob that shows the frame of its value; dragging and the wheel as the knob base.
class IBKnobControl : public IKnobControlBase, public IBitmapBase
{
public:
  IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1, EDirection direction = kVertical,
                double gearing = 4.0);
  void OnRescale() override;
  void Draw(IGraphics& g) override;
};

/// A momentary button: frame 2 while pressed, frame 1 otherwise.
class IBButtonControl : public IButtonControlBase, public IBitmapBase
{
public:
  IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFn action = nullptr);
  IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFn action = nullptr);
  void OnRescale() override;
  void Draw(IGraphics& g) override;
};

/// A handle bitmap moving along a track, over an optional track bitmap.
class IBSliderControl : public ISliderControlBase, public IBitmapBase
{
public:
  IBSliderControl(float x, float y, float length, const IBitmap& handleBitmap, const IBitmap& trackBitmap,
                  int paramIdx = -1, EDirection direction = kVertical, double gearing = 1.0);
  IBSliderControl(const IRECT& bounds, const IBitmap& handleBitmap, const IBitmap& trackBitmap, int paramIdx = -1,
                  EDirection direction = kVertical, double gearing = 1.0);
  void OnRescale() override;
  void OnResize() override;
  void Draw(IGraphics& g) override;
  /// Where the handle is drawn for value v (a negative v means the present value).
  IRECT GetHandleBounds(double v = -1.0) const;

protected:
  IBitmap mTrackBitmap;
};

/// One bitmap turned about its centre: -130 degrees at value 0, +130 at value 1.
class IBKnobRotaterControl : public IBKnobControl
{
public:
  static constexpr double kAngleRange = 260.0;
  using IBKnobControl::IBKnobControl;
  void Draw(IGraphics& g) override;
};

/// Text drawn with a bitmap font: one cell per character.
class IBTextControl : public ITextControl, public IBitmapBase
{
public:
  IBTextControl(const IRECT& bounds, const IBitmap& bitmap, const IText& text = IText(), const char* str = "",
                int charWidth = 6, int charHeight = 12, int charOffset = 0, bool multiLine = false,
                bool vCenter = true, int blendMode = 0);
  void OnRescale() override;
  void Draw(IGraphics& g) override;

protected:
  int mCharWidth, mCharHeight, mCharOffset;
  bool mMultiLine, mVCentre;
};

} // namespace igraphics
} // namespace plug
