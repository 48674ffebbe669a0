// The mix-in of every bitmap-drawn control: a multi-frame bitmap whose frames show the control's value steps,
// drawn centred in the control with the frame that matches the value. Main thread only.
#pragma once

#include "graphics/resources/IBitmap.h"
#include "graphics/types/IRECT.h"

namespace plug {
namespace igraphics {

class IControl;
class IGraphics;

class IBitmapBase
{
public:
  IBitmapBase(const IBitmap& bitmap, IControl* control = nullptr) : mBitmap(bitmap), mControl(control) {}
  virtual ~IBitmapBase() = default;
  IBitmapBase(const IBitmapBase&) = delete;
  IBitmapBase& operator=(const IBitmapBase&) = delete;

  /// Binds the mix-in to its control; derived controls call it from their constructor.
  void SetControl(IControl* control) { mControl = control; }

  /// Draws the frame of the present value centred in the control's draw rectangle, with its blend.
  void DrawBitmap(IGraphics& g);
  /// The frame (1-based) that shows value 0 of the control, taken as 0..1 (not a number counts as 0).
  int CurrentFrame() const;
  /// One frame's size centred on the centre of the control's draw rectangle.
  IRECT FrameBounds() const;

  const IBitmap& GetBitmap() const { return mBitmap; }
  void SetBitmap(const IBitmap& bitmap) { mBitmap = bitmap; }

protected:
  IBitmap mBitmap;
  IControl* mControl = nullptr;
};

} // namespace igraphics
} // namespace plug
