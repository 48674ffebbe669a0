// Off-screen layers: the layer stack, cached drawing and drop shadows. Drawing goes to the top layer of the
// stack, or to the main frame when the stack is empty. A layer whose bitmap could not be made stays on the
// stack like any other (so starts and ends pair up) but is never drawn or shadowed.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

namespace {

/// Layers larger than this many device pixels a side are not made (their bitmap would not be drawable).
constexpr double kMaxLayerPixels = 32768.0;
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
  DrawRotatedBitmap(LayerBitmap(layer), layer->mRECT.CentreX(), layer->mRECT.CentreY(), angle, nullptr);
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

/// Divides the weighted sums of a line by the kernel's normaliser. The sums are at most 255 x the normaliser, so a
/// multiplication by its reciprocal in double precision, with a bias far below 1 / normaliser, gives exactly the
/// integer quotient and vectorises where a division does not.
struct Normaliser
{
  explicit Normaliser(int norm) : mInverse(1.0 / norm) {}
  uint8_t operator()(int32_t sum) const { return uint8_t(double(sum) * mInverse + 1e-7); }
  double mInverse;
};

/// One pass of the blur over a line of samples held with the edge value repeated r times on either side
/// (r = kernel length - 1): out[i] = sum of k[|d|] x in[i + d] for |d| <= r, normalised.
void BlurLine(const int32_t* in, int count, const std::vector<uint8_t>& k, const Normaliser& norm,
              int32_t* sums, uint8_t* out)
{
  const int r = int(k.size()) - 1;
  const int32_t* centre = in + r;
  for (int i = 0; i < count; ++i)
    sums[i] = k[0] * centre[i];
  for (int d = 1; d <= r; ++d)
  {
    const int32_t w = k[size_t(d)];
    const int32_t* before = centre - d;
    const int32_t* after = centre + d;
    for (int i = 0; i < count; ++i)
      sums[i] += w * (before[i] + after[i]);
  }
  for (int i = 0; i < count; ++i)
    out[i] = norm(sums[i]);
}

/// Blurs the alpha bytes of the pixels with the kernel, along the rows into a second buffer and then along the
/// columns back; samples beyond an edge take the edge's value. The order of the rows does not change the result,
/// so bitmaps stored upside down need nothing.
void BlurAlpha(uint8_t* pixels, int width, int height, ptrdiff_t rowBytes, int alphaIdx,
               const std::vector<uint8_t>& kernel)
{
  const Normaliser norm(KernelNormaliser(kernel));
  const int r = int(kernel.size()) - 1;
  const size_t w = size_t(width);
  std::vector<uint8_t> rows(w * size_t(height)); // the alpha blurred along the rows
  std::vector<int32_t> line(size_t(std::max(width, height) + 2 * r));
  std::vector<int32_t> sums(size_t(std::max(width, height)));

  for (int y = 0; y < height; ++y)
  {
    const uint8_t* alpha = pixels + y * rowBytes + alphaIdx;
    for (int i = 0; i < width + 2 * r; ++i)
      line[size_t(i)] = alpha[4 * std::clamp(i - r, 0, width - 1)];
    BlurLine(line.data(), width, kernel, norm, sums.data(), rows.data() + size_t(y) * w);
  }
  // Along the columns a whole row at a time: each output row sums the rows around it.
  for (int y = 0; y < height; ++y)
  {
    for (size_t x = 0; x < w; ++x)
      sums[x] = kernel[0] * rows[size_t(y) * w + x];
    for (int d = 1; d <= r; ++d)
    {
      const int32_t k = kernel[size_t(d)];
      const uint8_t* above = rows.data() + size_t(std::max(y - d, 0)) * w;
      const uint8_t* below = rows.data() + size_t(std::min(y + d, height - 1)) * w;
      for (size_t x = 0; x < w; ++x)
        sums[x] += k * (above[x] + below[x]);
    }
    uint8_t* alpha = pixels + y * rowBytes + alphaIdx;
    for (size_t x = 0; x < w; ++x)
      alpha[4 * x] = norm(sums[x]);
  }
}

} // namespace

void IGraphics::ApplyLayerDropShadow(ILayerPtr& layer, const IShadowStyle& shadow)
{
  if (!layer || !layer->mBitmap || !std::isfinite(shadow.mBlurSize))
    return;
  const APIBitmap& bitmap = *layer->mBitmap;
  const int width = bitmap.GetWidth(), height = bitmap.GetHeight();
  ByteBuffer pixels;
  ReadLayerPixels(layer, pixels);
  if (pixels.empty() || width <= 0 || height <= 0)
    return;
  // Rows of at least width pixels, as many as the bitmap has; anything else is not this layer's pixels.
  const ptrdiff_t rowBytes = ptrdiff_t(pixels.size() / size_t(height));
  if (rowBytes < ptrdiff_t(width) * 4 || pixels.size() % size_t(height) != 0)
    return;
  const double blur = double(bitmap.GetScale()) * double(bitmap.GetDrawScale()) * double(shadow.mBlurSize);
  // Bottom-up rows are walked from the last stored row with a negative stride, so the blur sees the picture
  // upright either way.
  uint8_t* top = pixels.data();
  ptrdiff_t stride = rowBytes;
  if (LayerPixelsFlipped())
    top += rowBytes * (height - 1), stride = -rowBytes;
  const int alpha = AlphaChannelIndex();
  if (alpha < 0 || alpha > 3)
    return;
  BlurAlpha(top, width, height, stride, alpha, ShadowKernel(blur));
  ApplyShadowMask(layer, pixels, shadow);
}

} // namespace igraphics
} // namespace plug
