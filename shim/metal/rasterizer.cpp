// Triangle set-up, span walking, the stencil unit and the blender of our Metal stand-in.
#include "rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct WindowVertex
{
  float x, y;
  float varyings[kMTLMaxVaryings];
  bool valid;
};

/// 0..1 to 0..255, rounded; anything else (no number included) is clamped to the nearer end, NaN to 0.
uint8_t Quantise(float v)
{
  return v > 0.0f ? (v < 1.0f ? (uint8_t)(v * 255.0f + 0.5f) : 255) : 0;
}

bool CompareStencil(MTLCompareFunction f, uint32_t ref, uint32_t value)
{
  switch (f)
  {
  case MTLCompareFunctionNever: return false;
  case MTLCompareFunctionLess: return ref < value;
  case MTLCompareFunctionEqual: return ref == value;
  case MTLCompareFunctionLessEqual: return ref <= value;
  case MTLCompareFunctionGreater: return ref > value;
  case MTLCompareFunctionNotEqual: return ref != value;
  case MTLCompareFunctionGreaterEqual: return ref >= value;
  default: return true;
  }
}

uint8_t ApplyStencil(MTLStencilOperation op, uint8_t value, uint32_t ref, uint32_t writeMask)
{
  uint8_t r = value;
  switch (op)
  {
  case MTLStencilOperationKeep: return value;
  case MTLStencilOperationZero: r = 0; break;
  case MTLStencilOperationReplace: r = (uint8_t)ref; break;
  case MTLStencilOperationIncrementClamp: r = value == 255 ? 255 : value + 1; break;
  case MTLStencilOperationDecrementClamp: r = value == 0 ? 0 : value - 1; break;
  case MTLStencilOperationInvert: r = (uint8_t)~value; break;
  case MTLStencilOperationIncrementWrap: r = (uint8_t)(value + 1); break;
  case MTLStencilOperationDecrementWrap: r = (uint8_t)(value - 1); break;
  }
  return (uint8_t)((value & ~writeMask) | (r & writeMask));
}

float Factor(MTLBlendFactor f, const float* s, const float* d, int channel)
{
  switch (f)
  {
  case MTLBlendFactorZero: return 0.0f;
  case MTLBlendFactorOne: return 1.0f;
  case MTLBlendFactorSourceColor: return s[channel];
  case MTLBlendFactorOneMinusSourceColor: return 1.0f - s[channel];
  case MTLBlendFactorSourceAlpha: return s[3];
  case MTLBlendFactorOneMinusSourceAlpha: return 1.0f - s[3];
  case MTLBlendFactorDestinationColor: return d[channel];
  case MTLBlendFactorOneMinusDestinationColor: return 1.0f - d[channel];
  case MTLBlendFactorDestinationAlpha: return d[3];
  case MTLBlendFactorOneMinusDestinationAlpha: return 1.0f - d[3];
  case MTLBlendFactorSourceAlphaSaturated: return channel == 3 ? 1.0f : std::min(s[3], 1.0f - d[3]);
  default: return 0.0f;
  }
}

/// Writes shaded pixels of one span into a row of the colour target through the pipeline's blend. Source-over
/// (the common case) has its own loop; other factors go through the general blend equation.
class Blender
{
public:
  Blender(const MTLRenderPipelineColorAttachmentDescriptor& a, MTLPixelFormat format) : attachment_(a)
  {
    order_[0] = 0, order_[1] = 1, order_[2] = 2, order_[3] = 3;
    if (format == MTLPixelFormatBGRA8Unorm) order_[0] = 2, order_[2] = 0;
    bytesPerPixel_ = MTLPixelFormatBytes(format);
    sourceOver_ = a.blendingEnabled && a.sourceRGBBlendFactor == MTLBlendFactorOne &&
                  a.sourceAlphaBlendFactor == MTLBlendFactorOne &&
                  a.destinationRGBBlendFactor == MTLBlendFactorOneMinusSourceAlpha &&
                  a.destinationAlphaBlendFactor == MTLBlendFactorOneMinusSourceAlpha;
  }

  void Span(uint8_t* px, const float* s, const uint8_t* live, int n) const
  {
    if (bytesPerPixel_ == 4 && sourceOver_)
      order_[0] == 0 ? SourceOver<0, 2>(px, s, live, n) : SourceOver<2, 0>(px, s, live, n);
    else
      for (int i = 0; i < n; ++i)
        if (live[i]) Write(px + (size_t)i * bytesPerPixel_, s + 4 * i);
  }

  /// True when Copy may stand for this blend: source-over into four bytes a pixel.
  bool Copies() const { return bytesPerPixel_ == 4 && sourceOver_; }

  /// Source-over of n RGBA8 texels (premultiplied, or straight when `straight`): opaque ones are copied, clear
  /// ones skipped, the others blended exactly as Span would blend the shaded texel.
  void Copy(uint8_t* px, const uint8_t* texels, int n, bool straight) const
  {
    if (order_[0] == 0)
      straight ? CopyTexels<0, 2, true>(px, texels, n) : CopyTexels<0, 2, false>(px, texels, n);
    else
      straight ? CopyTexels<2, 0, true>(px, texels, n) : CopyTexels<2, 0, false>(px, texels, n);
  }

  /// Source-over of one premultiplied colour onto n pixels, as Span would blend it into each.
  void Fill(uint8_t* px, const float* s, int n) const
  {
    if (s[3] >= 1.0f)
    {
      uint8_t packed[4];
      packed[order_[0]] = Quantise(s[0]), packed[1] = Quantise(s[1]), packed[order_[2]] = Quantise(s[2]);
      packed[3] = 255;
      for (int i = 0; i < n; ++i) memcpy(px + 4 * i, packed, 4);
      return;
    }
    if (s[3] <= 0.0f && s[0] <= 0.0f && s[1] <= 0.0f && s[2] <= 0.0f) return;
    const int r = order_[0], b = order_[2];
    constexpr float k = 1.0f / 255.0f;
    float keep = (1.0f - s[3]) * k;
    for (int i = 0; i < n; ++i, px += 4)
    {
      px[r] = Quantise(s[0] + px[r] * keep), px[1] = Quantise(s[1] + px[1] * keep);
      px[b] = Quantise(s[2] + px[b] * keep), px[3] = Quantise(s[3] + px[3] * keep);
    }
  }

private:
  /// End of the run of opaque texels from i on: two texels a word while both are opaque.
  static int OpaqueRunEnd(const uint8_t* p, int i, int n)
  {
    constexpr uint64_t kAlphas = 0xff000000ff000000ull;
    for (uint64_t v; i + 2 <= n; i += 2)
    {
      memcpy(&v, p + 4 * i, 8);
      if ((v & kAlphas) != kAlphas) break;
    }
    while (i < n && p[4 * i + 3] == 255) ++i;
    return i;
  }

  /// End of the run of texels that leave a pixel as it is from i on: premultiplied ones with every channel 0,
  /// straight ones with alpha 0.
  template <bool Straight>
  static int ClearRunEnd(const uint8_t* p, int i, int n)
  {
    constexpr uint64_t kMask = Straight ? 0xff000000ff000000ull : ~0ull;
    for (uint64_t v; i + 2 <= n; i += 2)
    {
      memcpy(&v, p + 4 * i, 8);
      if ((v & kMask) != 0) break;
    }
    constexpr uint32_t kTexelMask = uint32_t(kMask);
    for (uint32_t v; i < n; ++i)
    {
      memcpy(&v, p + 4 * i, 4);
      if ((v & kTexelMask) != 0) break;
    }
    return i;
  }

  template <int R, int B, bool Straight>
  static void CopyTexels(uint8_t* px, const uint8_t* p, int n)
  {
    for (int i = 0; i < n;)
    {
      // A run of opaque texels goes a word at a time (red and blue swapped for a BGRA target); a run of clear
      // ones is passed over.
      int run = OpaqueRunEnd(p, i, n);
      if (run > i)
      {
        if (R == 0)
          memcpy(px + 4 * i, p + 4 * i, (size_t)(run - i) * 4);
        else
          for (int j = i; j < run; ++j)
          {
            uint32_t v;
            memcpy(&v, p + 4 * j, 4);
            v = (v & 0xff00ff00u) | ((v & 0xffu) << 16) | ((v >> 16) & 0xffu);
            memcpy(px + 4 * j, &v, 4);
          }
        i = run;
        continue;
      }
      run = ClearRunEnd<Straight>(p, i, n);
      if (run > i)
      {
        i = run;
        continue;
      }
      BlendTexel<R, B, Straight>(px + 4 * i, p + 4 * i);
      ++i;
    }
  }

  /// Source-over of one texel that is neither opaque nor clear, as Span would blend the shaded texel.
  template <int R, int B, bool Straight>
  static void BlendTexel(uint8_t* d, const uint8_t* t)
  {
    constexpr float k = 1.0f / 255.0f;
#if defined(__SSE2__)
    // The same operations in the same order as below, on the four channels at once.
    const __m128i zero = _mm_setzero_si128();
    auto widen = [&](const uint8_t* bytes) {
      int v;
      memcpy(&v, bytes, 4);
      return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v), zero), zero));
    };
    __m128 s = _mm_mul_ps(widen(t), _mm_set1_ps(k));
    const float a = _mm_cvtss_f32(_mm_shuffle_ps(s, s, _MM_SHUFFLE(3, 3, 3, 3)));
    if (Straight) s = _mm_mul_ps(s, _mm_set_ps(1.0f, a, a, a));
    if (R != 0) s = _mm_shuffle_ps(s, s, _MM_SHUFFLE(3, 0, 1, 2)); // to the target's order
    const __m128 keep = _mm_set1_ps((1.0f - a) * k);
    __m128 v = _mm_add_ps(s, _mm_mul_ps(widen(d), keep));
    v = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(1.0f));
    const __m128i q = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(v, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
    const int packed = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(q, zero), zero));
    memcpy(d, &packed, 4);
#else
    float s[4] = {t[0] * k, t[1] * k, t[2] * k, t[3] * k};
    if (Straight) s[0] *= s[3], s[1] *= s[3], s[2] *= s[3];
    float a = s[3];
    float keep = (1.0f - a) * k;
    d[R] = Quantise(s[0] + d[R] * keep), d[1] = Quantise(s[1] + d[1] * keep);
    d[B] = Quantise(s[2] + d[B] * keep), d[3] = Quantise(a + d[3] * keep);
#endif
  }

  template <int R, int B>
  static void SourceOver(uint8_t* px, const float* s, const uint8_t* live, int n)
  {
    constexpr float k = 1.0f / 255.0f;
    for (int i = 0; i < n; ++i, px += 4, s += 4)
    {
      if (!live[i]) continue;
      float a = s[3];
      if (a >= 1.0f)
      {
        px[R] = Quantise(s[0]), px[1] = Quantise(s[1]), px[B] = Quantise(s[2]), px[3] = 255;
        continue;
      }
      if (a <= 0.0f && s[0] <= 0.0f && s[1] <= 0.0f && s[2] <= 0.0f) continue;
      float keep = (1.0f - a) * k;
      px[R] = Quantise(s[0] + px[R] * keep), px[1] = Quantise(s[1] + px[1] * keep);
      px[B] = Quantise(s[2] + px[B] * keep), px[3] = Quantise(a + px[3] * keep);
    }
  }

  void Write(uint8_t* px, const float* s) const
  {
    float out[4];
    if (bytesPerPixel_ == 1)
    {
      px[0] = Quantise(attachment_.blendingEnabled ? Blend(s, px, out)[0] : s[0]);
      return;
    }
    const float* v = attachment_.blendingEnabled ? Blend(s, px, out) : s;
    for (int c = 0; c < 4; ++c) px[order_[c]] = Quantise(v[c]);
  }

  const float* Blend(const float* s, const uint8_t* px, float* out) const
  {
    float d[4] = {0, 0, 0, 1};
    if (bytesPerPixel_ == 1)
      d[0] = px[0] / 255.0f;
    else
      for (int c = 0; c < 4; ++c) d[c] = px[order_[c]] / 255.0f;
    for (int c = 0; c < 3; ++c)
      out[c] = s[c] * Factor(attachment_.sourceRGBBlendFactor, s, d, c) + d[c] * Factor(attachment_.destinationRGBBlendFactor, s, d, c);
    out[3] = s[3] * Factor(attachment_.sourceAlphaBlendFactor, s, d, 3) + d[3] * Factor(attachment_.destinationAlphaBlendFactor, s, d, 3);
    return out;
  }

  const MTLRenderPipelineColorAttachmentDescriptor& attachment_;
  int order_[4];
  int bytesPerPixel_;
  bool sourceOver_;
};

struct Edge
{
  double a, b, c; // inside where a*x + b*y + c > 0, or == 0 on a top or left edge
  bool topLeft;
};

Edge MakeEdge(const WindowVertex& p, const WindowVertex& q, bool flip)
{
  Edge e;
  e.a = (double)p.y - (double)q.y;
  e.b = (double)q.x - (double)p.x;
  e.c = (double)p.x * (double)q.y - (double)q.x * (double)p.y;
  if (flip) e.a = -e.a, e.b = -e.b, e.c = -e.c;
  e.topLeft = e.a > 0 || (e.a == 0 && e.b > 0);
  return e;
}

/// Narrows the pixel range [lo, hi] of a row to the centres inside one edge.
void ClipSpan(const Edge& e, double yc, int& lo, int& hi)
{
  double k = e.b * yc + e.c;
  if (e.a == 0)
  {
    if (!(k > 0 || (k == 0 && e.topLeft))) hi = lo - 1;
    return;
  }
  double t = -k / e.a - 0.5; // inside for pixel x with (x + 0.5) beyond -k / a
  t = std::max(-1e9, std::min(1e9, t));
  if (e.a > 0)
  {
    double first = e.topLeft ? std::ceil(t) : std::floor(t) + 1;
    if (first > lo) lo = (int)std::min(first, 1e9);
  }
  else
  {
    double last = e.topLeft ? std::floor(t) : std::ceil(t) - 1;
    if (last < hi) hi = (int)std::max(last, -1e9);
  }
}

/// Pixels [x0, x1) x [y0, y1) of a target.
struct PixelBox
{
  int x0, y0, x1, y1;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

/// The pixels a draw may touch: its viewport and scissor rectangle within the attachments. Nothing outside is
/// walked, so a draw cut down to a small scissor costs what the scissor holds.
PixelBox DrawArea(const MTLRenderTarget& t, const MTLDrawState& s)
{
  const MTLViewport& v = s.viewport;
  int tw = t.color ? (int)t.color->width() : (t.stencil ? (int)t.stencil->width() : 0);
  int th = t.color ? (int)t.color->height() : (t.stencil ? (int)t.stencil->height() : 0);
  if (t.stencil) tw = std::min(tw, (int)t.stencil->width()), th = std::min(th, (int)t.stencil->height());
  PixelBox b;
  b.x0 = std::max(0, (int)std::ceil(std::max(-1e9, v.originX)));
  b.y0 = std::max(0, (int)std::ceil(std::max(-1e9, v.originY)));
  b.x1 = std::min(tw, (int)std::floor(std::min(1e9, v.originX + v.width)));
  b.y1 = std::min(th, (int)std::floor(std::min(1e9, v.originY + v.height)));
  if (s.scissored)
  {
    const MTLScissorRect& r = s.scissor;
    b.x0 = std::max(b.x0, (int)std::min<NSUInteger>(r.x, 1u << 30));
    b.y0 = std::max(b.y0, (int)std::min<NSUInteger>(r.y, 1u << 30));
    b.x1 = std::min(b.x1, (int)std::min<NSUInteger>(r.x + std::min<NSUInteger>(r.width, 1u << 30), 1u << 30));
    b.y1 = std::min(b.y1, (int)std::min<NSUInteger>(r.y + std::min<NSUInteger>(r.height, 1u << 30), 1u << 30));
  }
  return b;
}

class TriangleDrawer
{
public:
  TriangleDrawer(const MTLRenderTarget& t, const MTLDraw& d)
    : target_(t), state_(d.state), area_(DrawArea(t, d.state)),
      blender_(state_.pipeline->descriptor.colorAttachments[0], t.color ? t.color->pixelFormat() : MTLPixelFormatInvalid)
  {
    const MTLRenderPipelineDescriptor& pd = state_.pipeline->descriptor;
    fragment_ = pd.fragmentFunction ? pd.fragmentFunction->fragment : nullptr;
    copy_ = pd.fragmentFunction && blender_.Copies() ? pd.fragmentFunction->fragmentCopy : nullptr;
    solid_ = pd.fragmentFunction && blender_.Copies() ? pd.fragmentFunction->fragmentSolid : nullptr;
    writeColor_ = fragment_ && t.color && pd.colorAttachments[0].writeMask != MTLColorWriteMaskNone;
    stencil_ = t.stencil && state_.depthStencil && state_.depthStencil->enabled;
    x0_ = area_.x0, y0_ = area_.y0, x1_ = area_.x1, y1_ = area_.y1;
  }

  void Draw(const WindowVertex& p0, const WindowVertex& p1, const WindowVertex& p2)
  {
    if (!p0.valid || !p1.valid || !p2.valid || area_.Empty()) return;
    double area = ((double)p1.x - p0.x) * ((double)p2.y - p0.y) - ((double)p2.x - p0.x) * ((double)p1.y - p0.y);
    if (area == 0 || !std::isfinite(area)) return;
    // Window y points down, so a triangle that looks counter-clockwise on screen has a negative area here.
    bool ccw = area < 0;
    bool front = (state_.winding == MTLWindingCounterClockwise) == ccw;
    if ((state_.cullMode == MTLCullModeBack && !front) || (state_.cullMode == MTLCullModeFront && front)) return;
    bool flip = area < 0;
    Edge e[3] = {MakeEdge(p0, p1, flip), MakeEdge(p1, p2, flip), MakeEdge(p2, p0, flip)};
    float minY = std::min({p0.y, p1.y, p2.y}), maxY = std::max({p0.y, p1.y, p2.y});
    float minX = std::min({p0.x, p1.x, p2.x}), maxX = std::max({p0.x, p1.x, p2.x});
    int ry0 = std::max(y0_, (int)std::max(-1e9, std::floor((double)minY - 0.5)));
    int ry1 = std::min(y1_ - 1, (int)std::min(1e9, std::ceil((double)maxY - 0.5)));
    int rx0 = std::max(x0_, (int)std::max(-1e9, std::floor((double)minX - 0.5)));
    int rx1 = std::min(x1_ - 1, (int)std::min(1e9, std::ceil((double)maxX - 0.5)));
    SetUpPlanes(p0, p1, p2, area);
    const MTLStencilDescriptor* sd = nullptr;
    if (stencil_) sd = front ? &state_.depthStencil->front : &state_.depthStencil->back;
    for (int y = ry0; y <= ry1; ++y)
    {
      double yc = y + 0.5;
      int lo = rx0, hi = rx1;
      for (const Edge& edge : e)
      {
        ClipSpan(edge, yc, lo, hi);
        if (lo > hi) break;
      }
      if (lo <= hi) Span(y, lo, hi - lo + 1, sd);
    }
  }

private:
  void SetUpPlanes(const WindowVertex& p0, const WindowVertex& p1, const WindowVertex& p2, double area)
  {
    double dx1 = (double)p1.x - p0.x, dy1 = (double)p1.y - p0.y;
    double dx2 = (double)p2.x - p0.x, dy2 = (double)p2.y - p0.y;
    for (int k = 0; k < kMTLMaxVaryings; ++k)
    {
      double f0 = p0.varyings[k], df1 = p1.varyings[k] - f0, df2 = p2.varyings[k] - f0;
      double a = (df1 * dy2 - df2 * dy1) / area;
      double b = (df2 * dx1 - df1 * dx2) / area;
      planes_[k][0] = a, planes_[k][1] = b, planes_[k][2] = f0 - a * p0.x - b * p0.y;
    }
  }

  /// Pixels the fragment function would only copy from its texture, or fill with one colour, are copied or
  /// filled at once; the rest are shaded.
  void Span(int y, int x, int n, const MTLStencilDescriptor* sd)
  {
    if ((copy_ || solid_) && writeColor_ && !sd)
    {
      MTLFragmentIn in = FragmentInput(y, x);
      const uint8_t* texels = nullptr;
      bool straight = false;
      float colour[4];
      MTLSpanRange c{0, 0};
      if (copy_) c = copy_(in, n, &texels, &straight);
      const bool copy = c.first < c.last && texels;
      if (!copy && solid_) c = solid_(in, n, colour);
      if (c.first >= 0 && c.first < c.last && c.last <= n)
      {
        uint8_t* px = target_.color->row(y) + (size_t)(x + c.first) * 4;
        if (copy)
          blender_.Copy(px, texels, c.last - c.first, straight);
        else
          blender_.Fill(px, colour, c.last - c.first);
        if (c.first > 0) ShadeSpan(y, x, c.first, sd);
        if (c.last < n) ShadeSpan(y, x + c.last, n - c.last, sd);
        return;
      }
    }
    ShadeSpan(y, x, n, sd);
  }

  MTLFragmentIn FragmentInput(int y, int x) const
  {
    MTLFragmentIn in;
    for (int k = 0; k < kMTLMaxVaryings; ++k)
    {
      in.varyings[k] = (float)(planes_[k][0] * (x + 0.5) + planes_[k][1] * (y + 0.5) + planes_[k][2]);
      in.step[k] = (float)planes_[k][0];
    }
    in.x = x, in.y = y;
    in.buffer = state_.fragmentBuffer ? (const uint8_t*)state_.fragmentBuffer->contents() + state_.fragmentOffset : nullptr;
    in.texture = state_.fragmentTexture.get();
    in.sampler = state_.fragmentSampler.get();
    return in;
  }

  void ShadeSpan(int y, int x, int n, const MTLStencilDescriptor* sd)
  {
    if ((int)live_.size() < n) live_.resize(n), rgba_.resize((size_t)n * 4);
    uint8_t* live = live_.data();
    memset(live, 1, n);
    uint8_t* st = stencil_ ? target_.stencil->row(y) + x : nullptr;
    uint32_t ref = state_.stencilReference;
    if (sd)
      for (int i = 0; i < n; ++i)
        if (!CompareStencil(sd->stencilCompareFunction, ref & sd->readMask, st[i] & sd->readMask))
        {
          live[i] = 0;
          st[i] = ApplyStencil(sd->stencilFailureOperation, st[i], ref, sd->writeMask);
        }
    if (writeColor_)
    {
      MTLFragmentIn in = FragmentInput(y, x);
      MTLSpanRange r = fragment_(in, n, rgba_.data(), live);
      r.first = std::max(0, r.first), r.last = std::min(n, r.last);
      for (int i = 0; i < r.first; ++i) live[i] = 0;
      for (int i = std::max(r.first, r.last); i < n; ++i) live[i] = 0;
      if (r.first < r.last)
      {
        size_t bpp = target_.color->bytesPerPixel();
        blender_.Span(target_.color->row(y) + (x + r.first) * bpp, &rgba_[(size_t)r.first * 4], live + r.first,
                     r.last - r.first);
      }
    }
    if (sd && sd->depthStencilPassOperation != MTLStencilOperationKeep)
      for (int i = 0; i < n; ++i)
        if (live[i]) st[i] = ApplyStencil(sd->depthStencilPassOperation, st[i], ref, sd->writeMask);
  }

  const MTLRenderTarget& target_;
  const MTLDrawState& state_;
  PixelBox area_;
  Blender blender_;
  MTLFragmentShaderFn fragment_ = nullptr;
  MTLFragmentCopyImpl copy_ = nullptr;
  MTLFragmentSolidImpl solid_ = nullptr;
  bool writeColor_ = false, stencil_ = false;
  int x0_, y0_, x1_, y1_;
  double planes_[kMTLMaxVaryings][3];
  std::vector<uint8_t> live_;
  std::vector<float> rgba_;
};

float SnapToSubpixel(double v)
{
  constexpr double kSteps = 256.0;
  return std::fabs(v) < 1e9 ? (float)(std::nearbyint(v * kSteps) / kSteps) : (float)v;
}

/// Runs the vertex function over vertices first .. first + count - 1 that the bound buffers hold.
void ShadeVertices(const MTLDrawState& s, NSUInteger first, NSUInteger count, std::vector<WindowVertex>& out)
{
  const MTLRenderPipelineDescriptor& pd = s.pipeline->descriptor;
  out.assign(count, WindowVertex{});
  if (!pd.vertexFunction || !pd.vertexFunction->vertex || !pd.vertexDescriptor) return;
  const MTLVertexDescriptor& vd = *pd.vertexDescriptor;
  MTLVertexIn in{};
  NSUInteger available[kMTLMaxBufferSlots] = {0, 0};
  for (int b = 0; b < kMTLMaxBufferSlots; ++b)
    if (s.vertexBuffers[b] && s.vertexOffsets[b] <= s.vertexBuffers[b]->length())
    {
      in.buffers[b] = (const uint8_t*)s.vertexBuffers[b]->contents() + s.vertexOffsets[b];
      available[b] = s.vertexBuffers[b]->length() - s.vertexOffsets[b];
    }
  const MTLViewport& v = s.viewport;
  for (NSUInteger i = 0; i < count; ++i)
  {
    NSUInteger index = first + i;
    bool ok = true;
    for (int a = 0; a < kMTLMaxVertexAttributes && ok; ++a)
    {
      const MTLVertexAttributeDescriptor& ad = vd.attributes[a];
      NSUInteger b = ad.bufferIndex, stride = b < kMTLMaxBufferSlots ? vd.layouts[b].stride : 0;
      NSUInteger at = index * stride + ad.offset;
      ok = b < kMTLMaxBufferSlots && in.buffers[b] && at + 8 <= available[b] && index < (NSUInteger)1 << 40;
      if (ok) memcpy(in.attributes[a], in.buffers[b] + at, 8);
    }
    if (!ok) continue;
    MTLVertexOut o{};
    pd.vertexFunction->vertex(in, o);
    float w = o.position[3];
    WindowVertex& wv = out[i];
    // Window positions snap to a 1/256-pixel grid, as a GPU's fixed-point rasteriser snaps them: a corner placed
    // on a whole pixel stays there exactly after its trip through clip space.
    wv.x = SnapToSubpixel(v.originX + (o.position[0] / w + 1.0) * 0.5 * v.width);
    wv.y = SnapToSubpixel(v.originY + (1.0 - o.position[1] / w) * 0.5 * v.height);
    memcpy(wv.varyings, o.varyings, sizeof(wv.varyings));
    wv.valid = w != 0 && std::isfinite(wv.x) && std::isfinite(wv.y) && std::fabs(wv.x) < 1e8f && std::fabs(wv.y) < 1e8f;
  }
}

/// How many whole vertices buffer slot 0 holds for the pipeline's layout.
NSUInteger VertexCapacity(const MTLDrawState& s)
{
  const auto& vd = s.pipeline->descriptor.vertexDescriptor;
  if (!vd || !s.vertexBuffers[0] || s.vertexOffsets[0] > s.vertexBuffers[0]->length()) return 0;
  NSUInteger stride = vd->layouts[0].stride;
  NSUInteger bytes = s.vertexBuffers[0]->length() - s.vertexOffsets[0];
  return stride ? bytes / stride : 1;
}

} // namespace

void MTLRasterBeginPass(const MTLRenderTarget& target, const MTLRenderPassDescriptor& pass,
                        const std::vector<MTLDraw>& draws)
{
  const MTLRenderPassColorAttachmentDescriptor& ca = pass.colorAttachments[0];
  if (target.color && ca.loadAction == MTLLoadActionClear)
  {
    float c[4] = {(float)ca.clearColor.red, (float)ca.clearColor.green, (float)ca.clearColor.blue,
                  (float)ca.clearColor.alpha};
    uint8_t px[4];
    int bpp = target.color->bytesPerPixel();
    if (target.color->pixelFormat() == MTLPixelFormatBGRA8Unorm) std::swap(c[0], c[2]);
    for (int i = 0; i < 4; ++i) px[i] = Quantise(c[i]);
    for (NSUInteger y = 0; y < target.color->height(); ++y)
    {
      uint8_t* row = target.color->row((int)y);
      for (NSUInteger x = 0; x < target.color->width(); ++x) memcpy(row + x * bpp, px, bpp);
    }
  }
  // The stencil is not stored after the pass, so only what this pass's stencil-testing draws can reach needs
  // its cleared value: nothing when none tests it.
  const MTLRenderPassStencilAttachmentDescriptor& sa = pass.stencilAttachment;
  if (!target.stencil || sa.loadAction != MTLLoadActionClear) return;
  PixelBox used{1 << 30, 1 << 30, 0, 0};
  for (const MTLDraw& d : draws)
  {
    if (!d.state.pipeline || !d.state.depthStencil || !d.state.depthStencil->enabled) continue;
    PixelBox b = DrawArea(target, d.state);
    if (b.Empty()) continue;
    used.x0 = std::min(used.x0, b.x0), used.y0 = std::min(used.y0, b.y0);
    used.x1 = std::max(used.x1, b.x1), used.y1 = std::max(used.y1, b.y1);
  }
  for (int y = used.y0; y < used.y1; ++y)
    memset(target.stencil->row(y) + used.x0, (int)(sa.clearStencil & 0xff), (size_t)(used.x1 - used.x0));
}

void MTLRasterDraw(const MTLRenderTarget& target, const MTLDraw& draw)
{
  if (!draw.state.pipeline || draw.count < 3) return;
  TriangleDrawer drawer(target, draw);
  std::vector<WindowVertex> verts;
  std::vector<uint32_t> indices;
  NSUInteger n = draw.count;
  if (draw.indexBuffer)
  {
    NSUInteger len = draw.indexBuffer->length();
    if (draw.indexOffset > len) return;
    n = std::min(n, (len - draw.indexOffset) / 4);
    indices.resize(n);
    memcpy(indices.data(), (const uint8_t*)draw.indexBuffer->contents() + draw.indexOffset, n * 4);
    if (n == 0) return;
    // Only vertices the buffer can hold are shaded; an index beyond them names the invalid vertex at the end.
    uint32_t lo = ~0u, hi = 0, limit = (uint32_t)std::min<NSUInteger>(VertexCapacity(draw.state), 1u << 28);
    for (uint32_t i : indices)
      if (i < limit) lo = std::min(lo, i), hi = std::max(hi, i);
    if (lo > hi) return;
    ShadeVertices(draw.state, lo, (NSUInteger)hi - lo + 1, verts);
    uint32_t invalid = (uint32_t)verts.size();
    verts.push_back(WindowVertex{});
    for (uint32_t& i : indices) i = i < lo || i > hi ? invalid : i - lo;
  }
  else
  {
    NSUInteger cap = VertexCapacity(draw.state);
    n = std::min(n, cap > draw.vertexStart ? cap - draw.vertexStart : 0);
    ShadeVertices(draw.state, draw.vertexStart, n, verts);
  }
  auto at = [&](NSUInteger i) -> const WindowVertex& { return verts[indices.empty() ? i : indices[i]]; };
  if (draw.primitive == MTLPrimitiveTypeTriangle)
    for (NSUInteger i = 0; i + 2 < n; i += 3) drawer.Draw(at(i), at(i + 1), at(i + 2));
  else
    for (NSUInteger i = 0; i + 2 < n; ++i)
    {
      // Every other triangle of a strip is taken in swapped order so that all keep the strip's winding.
      if (i & 1)
        drawer.Draw(at(i + 1), at(i), at(i + 2));
      else
        drawer.Draw(at(i), at(i + 1), at(i + 2));
    }
}
