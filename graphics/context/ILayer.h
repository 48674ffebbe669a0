// An off-screen drawing layer: a back-end bitmap that drawing can be redirected into and drawn later as one
// image, with the control whose drawing it caches; and the drop-shadow record applied to a layer.
#pragma once

#include <memory>

#include "graphics/resources/IBitmap.h"
#include "graphics/types/IColor.h"
#include "graphics/types/IPaintPattern.h"
#include "graphics/types/IRECT.h"

namespace plug {
namespace igraphics {

class IControl;

class ILayer
{
public:
  ILayer(APIBitmap* bitmap, const IRECT& r, IControl* control, const IRECT& controlRect)
    : mBitmap(bitmap), mControl(control), mControlRECT(controlRect), mRECT(r)
  {
  }
  ~ILayer() { delete mBitmap; }
  ILayer(const ILayer&) = delete;
  ILayer& operator=(const ILayer&) = delete;

  void Invalidate() { mInvalid = true; }
  const APIBitmap* GetAPIBitmap() const { return mBitmap; }
  /// Hands the bitmap to the caller; the layer is left without one.
  APIBitmap* TakeBitmap()
  {
    APIBitmap* b = mBitmap;
    mBitmap = nullptr;
    return b;
  }
  const IRECT& Bounds() const { return mRECT; }

  APIBitmap* mBitmap = nullptr; // owned
  IControl* mControl = nullptr;
  IRECT mControlRECT;
  IRECT mRECT;
  bool mInvalid = false;
};

using ILayerPtr = std::unique_ptr<ILayer>;

/// A drop shadow: the blur size the context reads, and the paint (a colour or a gradient, placed in the
/// editor's coordinates) and offset the back end applies.
struct IShadowStyle
{
  IPaintPattern mPattern{IColor(128, 0, 0, 0)};
  float mBlurSize = 0.f;
  float mXOffset = 0.f;
  float mYOffset = 0.f;
  float mOpacity = 1.f;
  bool mDrawForeground = true;
};

} // namespace igraphics
} // namespace plug
