// The bitmap handle in the editor's bottom-right corner. A drag rescales (or resizes) the editor; the handle then
// tells the plug-in through its action ids, so the plug-in keeps the new scale as its GUI scale; a double click
// asks for the original scale or size.
#pragma once

#include "graphics/overlay/ICornerResizerControl.h"
#include "graphics/bases/IBitmapBase.h"

class IBCornerResizerControlVQ : public plug::igraphics::ICornerResizerControl, public plug::igraphics::IBitmapBase
{
public:
  /// What a drag changes, from the ids that are set.
  enum EMode
  {
    kModeNone = -1,
    kModeBoth = 0,
    kModeSize = 1,
    kModeScale = 2,
  };

  /// Ids of -1 are never sent.
  IBCornerResizerControlVQ(const plug::igraphics::IBitmap& bitmap, int sizeResizeId, int sizeResetId,
                           int scaleResizeId, int scaleResetId, const plug::igraphics::IRECT& graphicsBounds,
                           float offsetX);

  // [main thread, editor open]
  void OnMouseDown(float x, float y, const plug::igraphics::IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const plug::igraphics::IMouseMod& mod) override;
  /// Sends the scale-resize id after a rescale, the size-resize id after a resize.
  void OnRescale() override;
  /// Keeps the handle in the bottom-right corner.
  void OnResize() override;
  void Draw(plug::igraphics::IGraphics& g) override;

  int GetMode() const { return mMode; }

private:
  void SendId(int id);

  int mSizeResizeId, mSizeResetId, mScaleResizeId, mScaleResetId;
  int mMode;
  float mOffsetX;
};
