// Off-screen layers: the layer stack, cached drawing and drop shadows. Drawing goes to the top layer of the
// stack, or to the main frame when the stack is empty. A layer whose bitmap could not be made stays on the
// stack like any other (so starts and ends pair up) but is never drawn or shadowed.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

namespace {

/// Layers larger than this many device pixels a side are not made (their bitmap would not be drawable).
constexpr double kMaxLayerPixels = 32768.0;
/// The back end keeps a pixel's alpha in byte 3 of 4.
constexpr int kAlphaByteIndex = 3;
/// Taps on each side of the shadow's blur kernel at most; beyond about the blur size they weigh nothing.
constexpr int kMaxShadowKernelLength = 256;

/// Device-pixel bounds of a rectangle at a backing scale; false when they are not finite or too large.
bool DevicePixelBounds(const IRECT& r, double s, int& x1, int& y1, int& x2, int& y2)
{
  const double left = std::floor(double(r.mLeft) * s), top = std::floor(double(r.mTop) * s);
  const double right = std::ceil(double(r.mRight) * s), bottom = std::ceil(double(r.mBottom) * s);
  for (double v : {left, top, right, bottom})
    if (!std::isfinite(v) || std::fabs(v) > kMaxLayerPixels)
      return false;
  x1 = int(left), y1 = int(top), x2 = int(right), y2 = int(bottom);
  return true;
}

/// The layer's bitmap as one frame in points.
IBitmap LayerBitmap(const ILayerPtr& layer) { return IBitmap(layer->mBitmap, 1, false); }

} // namespace

void IGraphics::StartLayer(IControl* owner, const IRECT& r, bool cacheable)
{
  const double s = GetBackingPixelScale();
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  APIBitmap* bitmap = nullptr;
  IRECT bounds;
  if (s > 0.0 && DevicePixelBounds(r, s, x1, y1, x2, y2))
  {
    bounds = IRECT(float(x1 / s), float(y1 / s), float(x2 / s), float(y2 / s));
    // The bitmap covers the device-pixel bounds exactly, so it maps onto its rectangle one to one.
    if (x2 > x1 && y2 > y1)
      bitmap = CreateAPIBitmap(x2 - x1, y2 - y1, mScreenScale, mDrawScale, cacheable);
  }
  PushLayer(new ILayer(bitmap, bounds, owner, owner ? owner->GetRECT() : IRECT()));
}

ILayerPtr IGraphics::EndLayer() { return ILayerPtr(PopLayer()); }

void IGraphics::PushLayer(ILayer* layer)
{
  if (!layer)
    return;
  mLayers.push(layer);
  UpdateLayer();
  PathTransformReset(false);
  PathClipRegion(layer->mRECT);
  PathClear();
}

void IGraphics::ResumeLayer(ILayerPtr& layer)
{
  if (layer)
    PushLayer(layer.release());
}

ILayer* IGraphics::PopLayer()
{
  if (mLayers.empty())
    return nullptr;
  ILayer* top = mLayers.top();
  mLayers.pop();
  UpdateLayer();
  PathTransformReset(false);
  PathClipRegion(IRECT());
  PathClear();
  return top;
}

bool IGraphics::CheckLayer(const ILayerPtr& layer)
{
  if (!layer || !layer->mBitmap)
    return false;
  if (layer->mControl && layer->mControl->GetRECT() != layer->mControlRECT)
  {
    layer->mControlRECT = layer->mControl->GetRECT();
    layer->Invalidate();
  }
  if (layer->mInvalid)
    return false;
  return layer->mBitmap->GetDrawScale() == mDrawScale && layer->mBitmap->GetScale() == mScreenScale;
}

void IGraphics::DrawLayer(const ILayerPtr& layer, const IBlend* blend)
{
  if (!layer || !layer->mBitmap)
    return;
  PathTransformSave();
  PathTransformReset(false);
  DrawBitmap(LayerBitmap(layer), layer->mRECT, 0, 0, blend);
  PathTransformRestore();
}

void IGraphics::DrawRotatedLayer(const ILayerPtr& layer, double angle)
{
  if (!layer || !layer->mBitmap)
    return;
  PathTransformSave();
  PathTransformReset(false);
  DrawRotatedBitmap(LayerBitmap(layer), layer->mRECT.MW(), layer->mRECT.MH(), angle, nullptr);
  PathTransformRestore();
}

void IGraphics::DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* blend)
{
  if (!layer || !layer->mBitmap)
    return;
  const IBitmap bitmap = LayerBitmap(layer);
  if (bitmap.W() <= 0 || bitmap.H() <= 0)
    return;
  const float w = float(bitmap.W()), h = float(bitmap.H());
  PathTransformSave();
  PathTransformTranslate(bounds.mLeft, bounds.mTop);
  PathTransformScale(bounds.W() / w, bounds.H() / h);
  DrawBitmap(bitmap, IRECT(0.f, 0.f, w, h), 0, 0, blend);
  PathTransformRestore();
}

// ---- Drop shadow ----

namespace {

/// Gaussian weights from the centre outward, as bytes (the centre weighs 255), for a blur size in device pixels.
std::vector<uint8_t> ShadowKernel(double blurSize)
{
  const double b = std::max(1.0, blurSize + 1.0);
  const int n = std::min(kMaxShadowKernelLength, int(std::ceil(b)));
  std::vector<uint8_t> k(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    k[size_t(i)] = uint8_t(std::lround(std::exp(-double(i) * i * 4.5 / (b * b)) * 255.0));
  return k;
}

/// The kernel's weights summed over both sides.
int KernelNormaliser(const std::vector<uint8_t>& k)
{
  int sum = k[0];
  for (size_t i = 1; i < k.size(); ++i)
    sum += 2 * k[i];
  return sum;
}

/// Blurs one line of n samples (read from src with a stride) into dst (same stride); samples beyond either end
/// take the end's value.
void BlurLine(const uint8_t* src, uint8_t* dst, int count, ptrdiff_t stride, const std::vector<uint8_t>& k,
              int norm, std::vector<int>& padded)
{
  const int r = int(k.size()) - 1;
  padded.resize(size_t(count + 2 * r));
  for (int i = 0; i < count + 2 * r; ++i)
    padded[size_t(i)] = src[ptrdiff_t(std::clamp(i - r, 0, count - 1)) * stride];
  const int* p = padded.data() + r;
  for (int i = 0; i < count; ++i)
  {
    int sum = k[0] * p[i];
    for (int d = 1; d <= r; ++d)
      sum += k[size_t(d)] * (p[i - d] + p[i + d]);
    dst[ptrdiff_t(i) * stride] = uint8_t(sum / norm);
  }
}

/// Blurs the alpha bytes of the pixels with the kernel, along the rows into a second buffer and then along the
/// columns back. The order of the rows does not change the result, so bitmaps stored upside down need nothing.
void BlurAlpha(uint8_t* pixels, int width, int height, ptrdiff_t rowBytes, int alphaIdx,
               const std::vector<uint8_t>& kernel)
{
  const int norm = KernelNormaliser(kernel);
  std::vector<uint8_t> rows(size_t(rowBytes) * size_t(height));
  std::vector<int> padded;
  // Along the rows into the second buffer, then along the columns back into the pixels.
  for (int y = 0; y < height; ++y)
    BlurLine(pixels + y * rowBytes + alphaIdx, rows.data() + y * rowBytes + alphaIdx, width, 4, kernel, norm,
             padded);
  for (int x = 0; x < width; ++x)
    BlurLine(rows.data() + x * 4 + alphaIdx, pixels + x * 4 + alphaIdx, height, rowBytes, kernel, norm, padded);
}

} // namespace

void IGraphics::ApplyLayerDropShadow(ILayerPtr& layer, const IShadow& shadow)
{
  if (!layer || !layer->mBitmap || !std::isfinite(shadow.mBlurSize))
    return;
  const APIBitmap& bitmap = *layer->mBitmap;
  const int width = bitmap.GetWidth(), height = bitmap.GetHeight();
  RawBitmapData pixels;
  ReadLayerPixels(layer, pixels);
  if (pixels.empty() || width <= 0 || height <= 0)
    return;
  // Rows of at least width pixels, as many as the bitmap has; anything else is not this layer's pixels.
  const ptrdiff_t rowBytes = ptrdiff_t(pixels.size() / size_t(height));
  if (rowBytes < ptrdiff_t(width) * 4 || pixels.size() % size_t(height) != 0)
    return;
  const double blur = double(bitmap.GetScale()) * double(bitmap.GetDrawScale()) * double(shadow.mBlurSize);
  BlurAlpha(pixels.data(), width, height, rowBytes, kAlphaByteIndex, ShadowKernel(blur));
  ApplyShadowMask(layer, pixels, shadow);
}

} // namespace igraphics
} // namespace plug
