// Textures, samplers, depth-stencil states and libraries of our Metal stand-in.
#include "metal_resources.h"

#include <algorithm>
#include <cmath>
#include <cstring>

MTLTextureDescriptor MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormat format, NSUInteger width,
                                                                              NSUInteger height, bool mipmapped)
{
  MTLTextureDescriptor d;
  d.pixelFormat = format, d.width = width, d.height = height, d.mipmapped = mipmapped;
  return d;
}

MTLTexture::MTLTexture(const MTLTextureDescriptor& d)
  : format_(d.pixelFormat), width_(d.width), height_(d.height), bytesPerPixel_(MTLPixelFormatBytes(d.pixelFormat)),
    storage_(d.storageMode)
{
  int w = (int)d.width, h = (int)d.height;
  levels_.push_back(Level{w, h, foundation::ZeroedBytes((size_t)w * h * bytesPerPixel_)});
  while (d.mipmapped && (w > 1 || h > 1))
  {
    w = std::max(1, w / 2), h = std::max(1, h / 2);
    levels_.push_back(Level{w, h, foundation::ZeroedBytes((size_t)w * h * bytesPerPixel_)});
  }
}

bool MTLTexture::regionFits(MTLRegion r, NSUInteger level) const
{
  if (level >= levels_.size()) return false;
  NSUInteger w = (NSUInteger)levels_[level].width, h = (NSUInteger)levels_[level].height;
  return r.origin.x <= w && r.origin.y <= h && r.size.width <= w - r.origin.x && r.size.height <= h - r.origin.y;
}

void MTLTexture::replaceRegion(MTLRegion r, NSUInteger level, const void* bytes, NSUInteger bytesPerRow)
{
  if (!bytes || !regionFits(r, level) || bytesPerRow < r.size.width * bytesPerPixel_) return;
  std::lock_guard<std::mutex> hold(lock_);
  Level& l = levels_[level];
  for (NSUInteger y = 0; y < r.size.height; ++y)
    memcpy(l.bytes.data() + ((r.origin.y + y) * l.width + r.origin.x) * bytesPerPixel_, (const uint8_t*)bytes + y * bytesPerRow,
           r.size.width * bytesPerPixel_);
}

void MTLTexture::getBytes(void* bytes, NSUInteger bytesPerRow, MTLRegion r, NSUInteger level) const
{
  if (!bytes || !regionFits(r, level) || bytesPerRow < r.size.width * bytesPerPixel_) return;
  std::lock_guard<std::mutex> hold(lock_);
  const Level& l = levels_[level];
  for (NSUInteger y = 0; y < r.size.height; ++y)
    memcpy((uint8_t*)bytes + y * bytesPerRow, l.bytes.data() + ((r.origin.y + y) * l.width + r.origin.x) * bytesPerPixel_,
           r.size.width * bytesPerPixel_);
}

void MTLTexture::buildMipmaps()
{
  for (size_t k = 1; k < levels_.size(); ++k)
  {
    const Level& src = levels_[k - 1];
    Level& dst = levels_[k];
    // An odd or single row or column is averaged with itself.
    for (int y = 0; y < dst.height; ++y)
    {
      const int y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
      for (int x = 0; x < dst.width; ++x)
      {
        const int x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
        const uint8_t* a = &src.bytes[((size_t)y0 * src.width + x0) * bytesPerPixel_];
        const uint8_t* b = &src.bytes[((size_t)y0 * src.width + x1) * bytesPerPixel_];
        const uint8_t* c = &src.bytes[((size_t)y1 * src.width + x0) * bytesPerPixel_];
        const uint8_t* d = &src.bytes[((size_t)y1 * src.width + x1) * bytesPerPixel_];
        uint8_t* out = &dst.bytes[((size_t)y * dst.width + x) * bytesPerPixel_];
        for (int i = 0; i < bytesPerPixel_; ++i) out[i] = (uint8_t)((a[i] + b[i] + c[i] + d[i] + 2) / 4);
      }
    }
  }
}

namespace {

int Address(int i, int n, MTLSamplerAddressMode mode)
{
  if (mode == MTLSamplerAddressModeRepeat)
  {
    i %= n;
    return i < 0 ? i + n : i;
  }
  return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

void Texel(const MTLTexture& t, int x, int y, float* out, int level = 0)
{
  const uint8_t* p = t.levelRow(level, y) + (size_t)x * t.bytesPerPixel();
  constexpr float k = 1.0f / 255.0f;
  switch (t.pixelFormat())
  {
  case MTLPixelFormatBGRA8Unorm: out[0] = p[2] * k, out[1] = p[1] * k, out[2] = p[0] * k, out[3] = p[3] * k; break;
  case MTLPixelFormatRGBA8Unorm: out[0] = p[0] * k, out[1] = p[1] * k, out[2] = p[2] * k, out[3] = p[3] * k; break;
  default: out[0] = p[0] * k, out[1] = 0, out[2] = 0, out[3] = 1; break;
  }
}

/// Keeps coordinates far outside the texture finite when converted to texel indices.
float Bounded(float v) { return std::isfinite(v) ? (v < -1e6f ? -1e6f : (v > 1e6f ? 1e6f : v)) : 0.0f; }

} // namespace

void MTLSamplerState::sampleLevel(const MTLTexture& t, int level, float u, float v, bool linear, float rgba[4]) const
{
  int w = t.levelWidth(level), h = t.levelHeight(level);
  if (w <= 0 || h <= 0)
  {
    rgba[0] = rgba[1] = rgba[2] = rgba[3] = 0;
    return;
  }
  float x = Bounded(u) * w, y = Bounded(v) * h;
  if (!linear)
  {
    Texel(t, Address((int)std::floor(x), w, descriptor.sAddressMode), Address((int)std::floor(y), h, descriptor.tAddressMode), rgba,
          level);
    return;
  }
  x -= 0.5f, y -= 0.5f;
  float fx = std::floor(x), fy = std::floor(y);
  float ax = x - fx, ay = y - fy;
  int x0 = Address((int)fx, w, descriptor.sAddressMode), x1 = Address((int)fx + 1, w, descriptor.sAddressMode);
  int y0 = Address((int)fy, h, descriptor.tAddressMode), y1 = Address((int)fy + 1, h, descriptor.tAddressMode);
  float a[4], b[4], c[4], d[4];
  Texel(t, x0, y0, a, level), Texel(t, x1, y0, b, level), Texel(t, x0, y1, c, level), Texel(t, x1, y1, d, level);
  for (int i = 0; i < 4; ++i)
  {
    float top = a[i] + (b[i] - a[i]) * ax, bottom = c[i] + (d[i] - c[i]) * ax;
    rgba[i] = top + (bottom - top) * ay;
  }
}

void MTLSamplerState::sample(const MTLTexture& t, float u, float v, float rgba[4], float footprint) const
{
  // Level of detail: log2 of the footprint. Magnified (footprint 1 or less) samples use the magnification
  // filter on level 0; minified ones the minification filter on the level(s) the mip filter picks.
  int levels = (int)t.mipmapLevelCount();
  bool minified = footprint > 1.0f && std::isfinite(footprint);
  if (!minified || descriptor.mipFilter == MTLSamplerMipFilterNotMipmapped || levels < 2)
  {
    bool linear = (minified ? descriptor.minFilter : descriptor.magFilter) == MTLSamplerMinMagFilterLinear;
    sampleLevel(t, 0, u, v, linear, rgba);
    return;
  }
  bool linear = descriptor.minFilter == MTLSamplerMinMagFilterLinear;
  float lod = std::min(std::log2(footprint), (float)(levels - 1));
  if (descriptor.mipFilter == MTLSamplerMipFilterNearest)
  {
    sampleLevel(t, std::min(levels - 1, (int)std::floor(lod + 0.5f)), u, v, linear, rgba);
    return;
  }
  int lower = (int)std::floor(lod);
  float f = lod - (float)lower;
  sampleLevel(t, lower, u, v, linear, rgba);
  if (f <= 0.0f || lower + 1 >= levels) return;
  float upper[4];
  sampleLevel(t, lower + 1, u, v, linear, upper);
  for (int i = 0; i < 4; ++i) rgba[i] += (upper[i] - rgba[i]) * f;
}

namespace {

/// Where n samples from (u, v) in steps of (du, dv) land: on texel centres one texel apart along a row, from
/// column col of row row (not yet addressed); false when they do not.
bool AlignedRun(const MTLTexture& t, float u, float v, float du, float dv, int n, int& col, int& row)
{
  int w = (int)t.width(), h = (int)t.height();
  double x = (double)Bounded(u) * w - 0.5, dx = (double)du * w;
  double y = (double)Bounded(v) * h - 0.5, dy = (double)dv * h;
  double rx = std::floor(x + 0.5), ry = std::floor(y + 0.5);
  col = (int)rx, row = (int)ry;
  return w > 0 && h > 0 && std::fabs(dx - 1.0) * n < 1e-3 && std::fabs(dy) * n < 1e-3 && std::fabs(x - rx) < 1e-3 &&
         std::fabs(y - ry) < 1e-3;
}

} // namespace

const uint8_t* MTLSamplerState::texelRun(const MTLTexture& t, float u, float v, float du, float dv, int n) const
{
  int col = 0, row = 0;
  if (n <= 0 || t.pixelFormat() != MTLPixelFormatRGBA8Unorm || !AlignedRun(t, u, v, du, dv, n, col, row)) return nullptr;
  if (col < 0 || col + n > (int)t.width()) return nullptr;
  return t.row(Address(row, (int)t.height(), descriptor.tAddressMode)) + (size_t)col * 4;
}

bool MTLSamplerState::bilinearRow(const MTLTexture& t, float u, float v, float du, float dv, int n, float* rgba,
                                  float footprint) const
{
  // The same filtering as sample(), on one level and one pair of texel rows for the whole span.
  const bool minified = footprint > 1.0f && std::isfinite(footprint);
  const bool mipmapped = descriptor.mipFilter != MTLSamplerMipFilterNotMipmapped && t.mipmapLevelCount() >= 2;
  const MTLSamplerMinMagFilter filter = minified ? descriptor.minFilter : descriptor.magFilter;
  const int w = (int)t.width(), h = (int)t.height();
  if (dv != 0.0f || (minified && mipmapped) || filter != MTLSamplerMinMagFilterLinear || t.bytesPerPixel() != 4 ||
      w <= 0 || h <= 0)
    return false;
  const int r = t.pixelFormat() == MTLPixelFormatBGRA8Unorm ? 2 : 0, b = 2 - r;
  float y = Bounded(v) * h;
  y -= 0.5f;
  const float fy = std::floor(y), ay = y - fy;
  const uint8_t* top = t.row(Address((int)fy, h, descriptor.tAddressMode));
  const uint8_t* bottom = t.row(Address((int)fy + 1, h, descriptor.tAddressMode));
  constexpr float k = 1.0f / 255.0f;
  for (int i = 0; i < n; ++i, rgba += 4)
  {
    float x = Bounded(u + du * i) * w;
    x -= 0.5f;
    const float fx = std::floor(x), ax = x - fx;
    const int x0 = 4 * Address((int)fx, w, descriptor.sAddressMode);
    const int x1 = 4 * Address((int)fx + 1, w, descriptor.sAddressMode);
    const int channel[4] = {r, 1, b, 3};
    for (int c = 0; c < 4; ++c)
    {
      const int at = channel[c];
      const float a = top[x0 + at] * k, bb = top[x1 + at] * k, cc = bottom[x0 + at] * k, d = bottom[x1 + at] * k;
      const float upper = a + (bb - a) * ax, lower = cc + (d - cc) * ax;
      rgba[c] = upper + (lower - upper) * ay;
    }
  }
  return true;
}

void MTLSamplerState::sampleSpan(const MTLTexture& t, float u, float v, float du, float dv, int n, float* rgba,
                                 float footprint) const
{
  int w = (int)t.width(), h = (int)t.height();
  int col = 0, ry = 0;
  if (footprint > 1.0f || !AlignedRun(t, u, v, du, dv, n, col, ry))
  {
    if (!bilinearRow(t, u, v, du, dv, n, rgba, footprint))
      for (int i = 0; i < n; ++i) sample(t, u + du * i, v + dv * i, rgba + 4 * i, footprint);
    return;
  }
  int row = Address(ry, h, descriptor.tAddressMode);
  if (col < 0 || col + n > w || t.bytesPerPixel() != 4)
  {
    for (int i = 0; i < n; ++i) Texel(t, Address(col + i, w, descriptor.sAddressMode), row, rgba + 4 * i);
    return;
  }
  const uint8_t* p = t.row(row) + (size_t)col * 4;
  int r = t.pixelFormat() == MTLPixelFormatBGRA8Unorm ? 2 : 0, b = 2 - r;
  constexpr float k = 1.0f / 255.0f;
  for (int i = 0; i < n; ++i, p += 4, rgba += 4)
    rgba[0] = p[r] * k, rgba[1] = p[1] * k, rgba[2] = p[b] * k, rgba[3] = p[3] * k;
}

MTLDepthStencilState::MTLDepthStencilState(const MTLDepthStencilDescriptor& d)
{
  enabled = d.frontFaceStencil || d.backFaceStencil;
  if (d.frontFaceStencil) front = *d.frontFaceStencil;
  back = d.backFaceStencil ? *d.backFaceStencil : front;
  if (!d.frontFaceStencil) front = back;
}

std::shared_ptr<MTLFunction> MTLLibrary::newFunctionWithName(const char* name) const
{
  for (const auto& f : functions)
    if (name && f->name == name) return f;
  return nullptr;
}
