// The vertex stage and the Vexel paint model as C++ shader functions, run by the Metal stand-in a row span at a time.
// Per-span work is hoisted: a solid colour, an absent scissor and a plain fill skip their per-pixel terms.
#include "mvx_shaders.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "metal/metal.h"

namespace {

void VertexShader(const MTLVertexIn& in, MTLVertexOut& out)
{
  const float* viewSize = reinterpret_cast<const float*>(in.buffers[1]);
  float w = viewSize ? viewSize[0] : 1.0f, h = viewSize ? viewSize[1] : 1.0f;
  float x = in.attributes[0][0], y = in.attributes[0][1];
  out.position[0] = 2.0f * x / w - 1.0f;
  out.position[1] = 1.0f - 2.0f * y / h;
  out.position[2] = 0.0f;
  out.position[3] = 1.0f;
  out.varyings[0] = x, out.varyings[1] = y;
  out.varyings[2] = in.attributes[1][0], out.varyings[3] = in.attributes[1][1];
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

/// Signed distance from a rounded rectangle of half extent (ex, ey) and corner radius r centred at the origin.
float RoundedRectDistance(float x, float y, float ex, float ey, float r)
{
  float dx = std::fabs(x) - (ex - r), dy = std::fabs(y) - (ey - r);
  float ox = std::max(dx, 0.0f), oy = std::max(dy, 0.0f);
  return std::min(std::max(dx, dy), 0.0f) + std::sqrt(ox * ox + oy * oy) - r;
}

struct SpanScratch
{
  std::vector<float> coverage;
};

/// The pixels i of [0, n) with |a + b * i| below limit: all of them that may be (outer) or surely are (inner).
void SlabInterval(double a, double b, double limit, int n, bool inner, int& lo, int& hi)
{
  if (limit <= 0 || (b == 0 && std::fabs(a) >= limit))
  {
    lo = hi = 0;
    return;
  }
  if (b == 0)
  {
    lo = 0, hi = n;
    return;
  }
  double i0 = (-limit - a) / b, i1 = (limit - a) / b;
  if (i0 > i1) std::swap(i0, i1);
  i0 = std::max(-1.0, std::min((double)n + 1, i0)), i1 = std::max(-1.0, std::min((double)n + 1, i1));
  if (inner)
    lo = std::max(0, (int)std::ceil(i0 + 1e-3)), hi = std::min(n, (int)std::floor(i1 - 1e-3) + 1);
  else
    lo = std::max(0, (int)std::floor(i0)), hi = std::min(n, (int)std::ceil(i1) + 1);
}

/// The scissor of a span: pixels outside [range) have no coverage, pixels inside [full) have all of it.
struct ScissorSpan
{
  int lo = 0, hi = 0, fullLo = 0, fullHi = 0;
};

ScissorSpan ScissorIntervals(const MVXfragUniforms& u, const MTLFragmentIn& in, int n)
{
  const float* m = u.scissorMatrix;
  double px = in.varyings[0], py = in.varyings[1], dpx = in.step[0], dpy = in.step[1];
  ScissorSpan s{0, n, 0, n};
  for (int axis = 0; axis < 2; ++axis)
  {
    double a = m[axis] * px + m[4 + axis] * py + m[8 + axis], b = m[axis] * dpx + m[4 + axis] * dpy;
    double ext = u.scissorExtent[axis], half = 0.5 / u.scissorScale[axis];
    int lo, hi, flo, fhi;
    SlabInterval(a, b, ext + half, n, false, lo, hi);
    SlabInterval(a, b, ext - half, n, true, flo, fhi);
    s.lo = std::max(s.lo, lo), s.hi = std::min(s.hi, hi);
    s.fullLo = std::max(s.fullLo, flo), s.fullHi = std::min(s.fullHi, fhi);
  }
  if (s.lo >= s.hi) s.lo = s.hi = 0;
  if (s.fullLo >= s.fullHi) s.fullLo = s.fullHi = s.lo;
  return s;
}

/// Coverage of each pixel of a span: scissor mask times (for "AA") the stroke ramp; pixels under the stroke
/// threshold are discarded. Returns false when every pixel's coverage is exactly 1.
template <bool AA>
bool Coverage(const MVXfragUniforms& u, const MTLFragmentIn& in, int n, bool scissor, const ScissorSpan& sc,
              float* cov, uint8_t* live)
{
  const float* m = u.scissorMatrix;
  float tu = in.varyings[2], tv = in.varyings[3], dtu = in.step[2], dtv = in.step[3];
  bool ramp = AA && u.type != kMvxPaintGlyphs &&
              !(tu == 0.5f && dtu == 0.0f && tv >= 1.0f && tv + dtv * n >= 1.0f && u.strokeMultiplier >= 1.0f);
  if (!ramp && (!scissor || (sc.fullLo == 0 && sc.fullHi == n))) return false;
  float px = in.varyings[0], py = in.varyings[1], dpx = in.step[0], dpy = in.step[1];
  for (int i = 0; i < n; ++i)
  {
    float c = 1.0f;
    if (ramp)
    {
      float s = tu + dtu * i, t = tv + dtv * i;
      c = std::min(1.0f, (1.0f - std::fabs(s * 2.0f - 1.0f)) * u.strokeMultiplier) * std::min(1.0f, t);
      if (c < u.strokeThr) live[i] = 0;
    }
    if (scissor && (i < sc.fullLo || i >= sc.fullHi))
    {
      float x = px + dpx * i, y = py + dpy * i;
      float sx = std::fabs(m[0] * x + m[4] * y + m[8]) - u.scissorExtent[0];
      float sy = std::fabs(m[1] * x + m[5] * y + m[9]) - u.scissorExtent[1];
      c *= Clamp01(0.5f - sx * u.scissorScale[0]) * Clamp01(0.5f - sy * u.scissorScale[1]);
    }
    cov[i] = c;
  }
  return true;
}

void Gradient(const MVXfragUniforms& u, const MTLFragmentIn& in, int n, float* rgba)
{
  const float *ic = u.innerColor, *oc = u.outerColor;
  if (ic[0] == oc[0] && ic[1] == oc[1] && ic[2] == oc[2] && ic[3] == oc[3])
  {
    for (int i = 0; i < n; ++i) std::copy(ic, ic + 4, rgba + 4 * i);
    return;
  }
  const float* m = u.paintMatrix;
  float px = in.varyings[0], py = in.varyings[1], dpx = in.step[0], dpy = in.step[1];
  float feather = u.feather;
  for (int i = 0; i < n; ++i)
  {
    float x = px + dpx * i, y = py + dpy * i;
    float ptx = m[0] * x + m[4] * y + m[8], pty = m[1] * x + m[5] * y + m[9];
    float d = Clamp01((RoundedRectDistance(ptx, pty, u.extent[0], u.extent[1], u.radius) + feather * 0.5f) / feather);
    for (int c = 0; c < 4; ++c) rgba[4 * i + c] = ic[c] + (oc[c] - ic[c]) * d;
  }
}

/// Samples texture 0 along the span at (s, t) + i * (ds, dt), converts by texture type and tints by the inner colour.
void Sampled(const MVXfragUniforms& u, const MTLFragmentIn& in, float s, float t, float ds, float dt, int n,
             float* rgba, float footprint = 1.0f)
{
  if (!in.texture || !in.sampler)
  {
    std::fill(rgba, rgba + 4 * n, 0.0f); // no texture bound reads as transparent black
    return;
  }
  in.sampler->sampleSpan(*in.texture, s, t, ds, dt, n, rgba, footprint);
  const float* ic = u.innerColor;
  bool tint = ic[0] != 1.0f || ic[1] != 1.0f || ic[2] != 1.0f || ic[3] != 1.0f;
  for (int i = 0; i < n; ++i)
  {
    float* p = rgba + 4 * i;
    if (u.textureType == kMvxTextureStraight) p[0] *= p[3], p[1] *= p[3], p[2] *= p[3];
    if (u.textureType == kMvxTextureAlpha) p[1] = p[2] = p[3] = p[0];
    if (tint)
      for (int c = 0; c < 4; ++c) p[c] *= ic[c];
  }
}

/// How many texels of the bound image one pixel spans: the longer of the steps one pixel right and one pixel down
/// (pixels are square, so a step down is the step right turned a quarter).
float ImageFootprint(const MVXfragUniforms& u, const MTLFragmentIn& in, float dsx, float dtx)
{
  if (!in.texture) return 1.0f;
  const float* m = u.paintMatrix;
  float ex = u.extent[0] != 0 ? u.extent[0] : 1.0f, ey = u.extent[1] != 0 ? u.extent[1] : 1.0f;
  float dpx = -in.step[1], dpy = in.step[0];
  float dsy = (m[0] * dpx + m[4] * dpy) / ex, dty = (m[1] * dpx + m[5] * dpy) / ey;
  float w = (float)in.texture->width(), h = (float)in.texture->height();
  float across = (dsx * w) * (dsx * w) + (dtx * h) * (dtx * h), down = (dsy * w) * (dsy * w) + (dty * h) * (dty * h);
  return std::sqrt(std::max(across, down));
}

/// Shades pixels [0, n) of a span the scissor leaves some coverage in.
template <bool AA>
void Shade(const MVXfragUniforms& u, const MTLFragmentIn& in, int n, bool scissor, const ScissorSpan& sc,
           float* rgba, uint8_t* live)
{
  static thread_local SpanScratch scratch;
  if ((int)scratch.coverage.size() < n) scratch.coverage.resize(n);
  float* cov = scratch.coverage.data();
  bool covered = Coverage<AA>(u, in, n, scissor, sc, cov, live);
  if (u.type == kMvxPaintImage)
  {
    const float* m = u.paintMatrix;
    float px = in.varyings[0], py = in.varyings[1], dpx = in.step[0], dpy = in.step[1];
    float ex = u.extent[0] != 0 ? u.extent[0] : 1.0f, ey = u.extent[1] != 0 ? u.extent[1] : 1.0f;
    float s = (m[0] * px + m[4] * py + m[8]) / ex, t = (m[1] * px + m[5] * py + m[9]) / ey;
    float ds = (m[0] * dpx + m[4] * dpy) / ex, dt = (m[1] * dpx + m[5] * dpy) / ey;
    Sampled(u, in, s, t, ds, dt, n, rgba, ImageFootprint(u, in, ds, dt));
  }
  else if (u.type == kMvxPaintGlyphs)
    Sampled(u, in, in.varyings[2], in.varyings[3], in.step[2], in.step[3], n, rgba);
  else
    Gradient(u, in, n, rgba);
  if (covered)
    for (int i = 0; i < n; ++i)
      for (int c = 0; c < 4; ++c) rgba[4 * i + c] *= cov[i];
}

template <bool AA>
MTLSpanRange FragmentShader(const MTLFragmentIn& in, int n, float* rgba, uint8_t* live)
{
  if (!in.buffer) return {0, 0};
  const MVXfragUniforms& u = *reinterpret_cast<const MVXfragUniforms*>(in.buffer);
  const float* m = u.scissorMatrix;
  bool scissor = m[0] != 0 || m[1] != 0 || m[4] != 0 || m[5] != 0 || m[8] != 0 || m[9] != 0;
  ScissorSpan sc{0, n, 0, n};
  if (scissor) sc = ScissorIntervals(u, in, n);
  if (sc.lo >= sc.hi) return {0, 0};
  // Only the part of the span inside the scissor is shaded.
  MTLFragmentIn part = in;
  for (int k = 0; k < kMTLMaxVaryings; ++k) part.varyings[k] += in.step[k] * sc.lo;
  part.x += sc.lo;
  ScissorSpan local{0, sc.hi - sc.lo, sc.fullLo - sc.lo, sc.fullHi - sc.lo};
  Shade<AA>(u, part, sc.hi - sc.lo, scissor, local, rgba + 4 * sc.lo, live + sc.lo);
  return {sc.lo, sc.hi};
}

/// Whether pixel i of a span keeps all of its colour: (for "AA") the edge ramp and the scissor both leave it
/// whole, as the shader would find them.
template <bool AA>
bool PixelFullyCovered(const MVXfragUniforms& u, const MTLFragmentIn& in, int i, bool scissor)
{
  if (AA)
  {
    const float s = in.varyings[2] + in.step[2] * i, t = in.varyings[3] + in.step[3] * i;
    if (!((1.0f - std::fabs(s * 2.0f - 1.0f)) * u.strokeMultiplier >= 1.0f && t >= 1.0f)) return false;
  }
  if (!scissor) return true;
  const float* m = u.scissorMatrix;
  const float x = in.varyings[0] + in.step[0] * i, y = in.varyings[1] + in.step[1] * i;
  for (int axis = 0; axis < 2; ++axis)
  {
    const float d = std::fabs(m[axis] * x + m[4 + axis] * y + m[8 + axis]) - u.scissorExtent[axis];
    if (0.5f - d * u.scissorScale[axis] < 1.0f) return false;
  }
  return true;
}

/// The pixels of a span with full coverage: where (for "AA") the edge ramp is off, [0, n) or the scissor's full
/// part, widened by the pixels at its ends whose coverage is exactly whole (a pixel-aligned scissor's first and
/// last pixels); elsewhere (an edge of a shape, a row on a scissor's edge) the run of pixels whose coverage is
/// whole. Pixels outside the range are shaded.
template <bool AA>
MTLSpanRange FullyCovered(const MVXfragUniforms& u, const MTLFragmentIn& in, int n)
{
  float tu = in.varyings[2], tv = in.varyings[3], dtu = in.step[2], dtv = in.step[3];
  const bool rampOff = !AA || (tu == 0.5f && dtu == 0.0f && tv >= 1.0f && tv + dtv * n >= 1.0f && u.strokeMultiplier >= 1.0f);
  const float* m = u.scissorMatrix;
  const bool scissor = m[0] != 0 || m[1] != 0 || m[4] != 0 || m[5] != 0 || m[8] != 0 || m[9] != 0;
  if (rampOff && !scissor) return {0, n};
  const ScissorSpan sc = scissor ? ScissorIntervals(u, in, n) : ScissorSpan{0, n, 0, n};
  int first = sc.fullLo, last = sc.fullHi;
  if (!rampOff || first >= last)
  {
    first = sc.lo;
    while (first < sc.hi && !PixelFullyCovered<AA>(u, in, first, scissor)) ++first;
    last = first;
  }
  while (first > sc.lo && PixelFullyCovered<AA>(u, in, first - 1, scissor)) --first;
  while (last < sc.hi && PixelFullyCovered<AA>(u, in, last, scissor)) ++last;
  return first < last ? MTLSpanRange{first, last} : MTLSpanRange{0, 0};
}

/// The pixels of a span a solid colour paint covers fully, and that colour.
template <bool AA>
MTLSpanRange SolidSpan(const MTLFragmentIn& in, int n, float rgba[4])
{
  if (!in.buffer) return {0, 0};
  const MVXfragUniforms& u = *reinterpret_cast<const MVXfragUniforms*>(in.buffer);
  const float *ic = u.innerColor, *oc = u.outerColor;
  if (u.type != kMvxPaintGradient || ic[0] != oc[0] || ic[1] != oc[1] || ic[2] != oc[2] || ic[3] != oc[3])
    return {0, 0};
  std::copy(ic, ic + 4, rgba);
  return FullyCovered<AA>(u, in, n);
}

/// The pixels of a span that are plain copies of image texels: an untinted RGBA image at one texel per pixel,
/// where the scissor and (for "AA") the edge ramp leave full coverage.
template <bool AA>
MTLSpanRange CopySpan(const MTLFragmentIn& in, int n, const uint8_t** texels, bool* straight)
{
  if (!in.buffer || !in.texture || !in.sampler) return {0, 0};
  const MVXfragUniforms& u = *reinterpret_cast<const MVXfragUniforms*>(in.buffer);
  const float* ic = u.innerColor;
  if (u.type != kMvxPaintImage || (u.textureType != kMvxTexturePremultiplied && u.textureType != kMvxTextureStraight) ||
      ic[0] != 1.0f || ic[1] != 1.0f || ic[2] != 1.0f || ic[3] != 1.0f)
    return {0, 0};
  *straight = u.textureType == kMvxTextureStraight;
  MTLSpanRange r = FullyCovered<AA>(u, in, n);
  if (r.first >= r.last) return {0, 0};
  const float* p = u.paintMatrix;
  float px = in.varyings[0] + in.step[0] * r.first, py = in.varyings[1] + in.step[1] * r.first;
  float dpx = in.step[0], dpy = in.step[1];
  float ex = u.extent[0] != 0 ? u.extent[0] : 1.0f, ey = u.extent[1] != 0 ? u.extent[1] : 1.0f;
  float s = (p[0] * px + p[4] * py + p[8]) / ex, t = (p[1] * px + p[5] * py + p[9]) / ey;
  float ds = (p[0] * dpx + p[4] * dpy) / ex, dt = (p[1] * dpx + p[5] * dpy) / ey;
  *texels = in.sampler->texelRun(*in.texture, s, t, ds, dt, r.last - r.first);
  return *texels ? r : MTLSpanRange{0, 0};
}

} // namespace

void mvxRegisterShaders()
{
  static std::once_flag once;
  std::call_once(once, [] {
    MTLRegisterVertexFunction("vertexShader", VertexShader);
    MTLRegisterFragmentFunction("fragmentShader", FragmentShader<false>, CopySpan<false>, SolidSpan<false>);
    MTLRegisterFragmentFunction("fragmentShaderAA", FragmentShader<true>, CopySpan<true>, SolidSpan<true>);
  });
}
