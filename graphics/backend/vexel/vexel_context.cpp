// The Vexel context: creation and deletion, the frame cycle with the font-atlas compaction, the drawing-state
// stack, transforms, colours, paints, the scissor and the composite operations.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "affine.h"
#include "vexel.h"
#include "vexel_context.h"

namespace {

// The path cache belongs to the context: made with it and deleted with it.
void DeletePathCache(VXpathCache* c)
{
  if (c == nullptr) return;
  free(c->points);
  free(c->paths);
  free(c->verts);
  free(c);
}

VXpathCache* AllocPathCache()
{
  VXpathCache* c = (VXpathCache*)calloc(1, sizeof(VXpathCache));
  if (c == nullptr) return nullptr;
  c->points = (VXpoint*)malloc(sizeof(VXpoint) * kVxInitPointsSize);
  c->paths = (VXpath*)malloc(sizeof(VXpath) * kVxInitPathsSize);
  c->verts = (VXvertex*)malloc(sizeof(VXvertex) * kVxInitVertsSize);
  if (!c->points || !c->paths || !c->verts)
  {
    DeletePathCache(c);
    return nullptr;
  }
  c->pointCapacity = kVxInitPointsSize;
  c->pathCapacity = kVxInitPathsSize;
  c->cverts = kVxInitVertsSize;
  return c;
}

constexpr float kPi = 3.14159265358979323846264338327f;
constexpr float kGradientLength = 1e5f; // linear gradients are drawn as a very large box
// Pixel ratios beyond these are no screen's: the tolerances they give would make round joins, caps and curves take
// millions of segments.
constexpr float kMinPixelRatio = 1.0f / 64.0f;
constexpr float kMaxPixelRatio = 64.0f;

float Clamp(float a, float low, float high) { return a < low ? low : (a > high ? high : a); }

void MatrixTranslate(float* t, float tx, float ty)
{
  t[0] = 1.0f;
  t[1] = 0.0f;
  t[2] = 0.0f;
  t[3] = 1.0f;
  t[4] = tx;
  t[5] = ty;
}

void MatrixScale(float* t, float sx, float sy)
{
  t[0] = sx;
  t[1] = 0.0f;
  t[2] = 0.0f;
  t[3] = sy;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

void SetPaintColor(VXpaint* p, VXcolor color)
{
  memset(p, 0, sizeof(*p));
  vxMatrixIdentity(p->xform);
  p->radius = 0.0f;
  p->feather = 1.0f;
  p->innerColor = color;
  p->outerColor = color;
}

VXcompositeOperationState CompositeOperationState(int op)
{
  int sourceFactor, destinationFactor;
  switch (op)
  {
  case VX_SOURCE_OVER: sourceFactor = VX_ONE; destinationFactor = VX_ONE_MINUS_SOURCE_ALPHA; break;
  case VX_SOURCE_IN: sourceFactor = VX_DESTINATION_ALPHA; destinationFactor = VX_ZERO; break;
  case VX_SOURCE_OUT: sourceFactor = VX_ONE_MINUS_DESTINATION_ALPHA; destinationFactor = VX_ZERO; break;
  case VX_ATOP: sourceFactor = VX_DESTINATION_ALPHA; destinationFactor = VX_ONE_MINUS_SOURCE_ALPHA; break;
  case VX_DESTINATION_OVER: sourceFactor = VX_ONE_MINUS_DESTINATION_ALPHA; destinationFactor = VX_ONE; break;
  case VX_DESTINATION_IN: sourceFactor = VX_ZERO; destinationFactor = VX_SOURCE_ALPHA; break;
  case VX_DESTINATION_OUT: sourceFactor = VX_ZERO; destinationFactor = VX_ONE_MINUS_SOURCE_ALPHA; break;
  case VX_DESTINATION_ATOP: sourceFactor = VX_ONE_MINUS_DESTINATION_ALPHA; destinationFactor = VX_SOURCE_ALPHA; break;
  case VX_LIGHTER: sourceFactor = VX_ONE; destinationFactor = VX_ONE; break;
  case VX_COPY: sourceFactor = VX_ONE; destinationFactor = VX_ZERO; break;
  case VX_XOR: sourceFactor = VX_ONE_MINUS_DESTINATION_ALPHA; destinationFactor = VX_ONE_MINUS_SOURCE_ALPHA; break;
  default: sourceFactor = VX_ONE; destinationFactor = VX_ZERO; break;
  }
  VXcompositeOperationState state;
  state.sourceRGB = sourceFactor;
  state.destinationRGB = destinationFactor;
  state.sourceAlpha = sourceFactor;
  state.destinationAlpha = destinationFactor;
  return state;
}

void SetDevicePixelRatio(VXcontext* ctx, float ratio)
{
  // A ratio outside any real screen's (or no number at all) would make the tolerances meaningless: it counts as 1.
  if (!(ratio >= kMinPixelRatio && ratio <= kMaxPixelRatio)) ratio = 1.0f;
  ctx->tessellationTolerance = 0.25f / ratio;
  ctx->distanceTolerance = 0.01f / ratio;
  ctx->fringeWidth = 1.0f / ratio;
  ctx->devicePixelRatio = ratio;
}

float Hue(float h, float m1, float m2)
{
  if (h < 0) h += 1;
  if (h > 1) h -= 1;
  if (h < 1.0f / 6.0f) return m1 + (m2 - m1) * h * 6.0f;
  if (h < 3.0f / 6.0f) return m2;
  if (h < 4.0f / 6.0f) return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
  return m1;
}

} // namespace

VXstate* vxGetState(VXcontext* ctx) { return &ctx->states[ctx->stateCount - 1]; }

const VXrenderParams* vxGetRenderParams(const VXcontext* ctx) { return ctx ? &ctx->params : nullptr; }

void* vxGetUserPtr(const VXcontext* ctx) { return ctx ? ctx->params.userPtr : nullptr; }

// ---- context and frame ----

VXcontext* vxCreateContext(const VXrenderParams* params)
{
  if (!params) return nullptr;
  VXcontext* ctx = (VXcontext*)calloc(1, sizeof(VXcontext));
  if (!ctx) return nullptr;
  ctx->params = *params;
  for (int i = 0; i < kVxMaxFontImages; i++) ctx->fontImages[i] = 0;

  ctx->commands = (float*)malloc(sizeof(float) * kVxInitCommandsSize);
  if (!ctx->commands) goto error;
  ctx->commandCount = 0;
  ctx->commandCapacity = kVxInitCommandsSize;

  ctx->cache = AllocPathCache();
  if (!ctx->cache) goto error;

  ctx->stateCount = 1;
  vxResetState(ctx);
  SetDevicePixelRatio(ctx, 1.0f);

  if (!ctx->params.renderCreate || ctx->params.renderCreate(ctx->params.userPtr) == 0) goto error;

  {
    FontStashParams fontParams;
    fontParams.width = kVxInitFontImageSize;
    fontParams.height = kVxInitFontImageSize;
    fontParams.flags = kFontStashZeroTopLeft;
    ctx->fs = FontStashCreate(&fontParams);
    if (!ctx->fs) goto error;
  }

  if (ctx->params.renderCreateTexture)
    ctx->fontImages[0] = ctx->params.renderCreateTexture(ctx->params.userPtr, VX_TEXTURE_ALPHA, kVxInitFontImageSize,
                                                         kVxInitFontImageSize, 0, nullptr);
  if (ctx->fontImages[0] == 0) goto error;
  ctx->fontImageIdx = 0;
  return ctx;

error:
  vxDeleteContext(ctx);
  return nullptr;
}

void vxDeleteContext(VXcontext* ctx)
{
  if (!ctx) return;
  free(ctx->commands);
  DeletePathCache(ctx->cache);
  if (ctx->fs) FontStashDelete(ctx->fs);
  for (int i = 0; i < kVxMaxFontImages; i++)
  {
    if (ctx->fontImages[i] != 0)
    {
      vxDeleteImage(ctx, ctx->fontImages[i]);
      ctx->fontImages[i] = 0;
    }
  }
  if (ctx->params.renderDelete) ctx->params.renderDelete(ctx->params.userPtr);
  free(ctx);
}

void vxBeginFrame(VXcontext* ctx, float windowWidth, float windowHeight, float devicePixelRatio)
{
  ctx->stateCount = 1;
  vxResetState(ctx);
  SetDevicePixelRatio(ctx, devicePixelRatio);
  if (ctx->params.renderViewport)
    ctx->params.renderViewport(ctx->params.userPtr, windowWidth, windowHeight, ctx->devicePixelRatio);
  ctx->drawCallCount = 0;
  ctx->fillTriangleCount = 0;
  ctx->strokeTriangleCount = 0;
  ctx->textTriangleCount = 0;
}

void vxCancelFrame(VXcontext* ctx)
{
  if (ctx->params.renderCancel) ctx->params.renderCancel(ctx->params.userPtr);
}

void vxEndFrame(VXcontext* ctx)
{
  if (ctx->params.renderFlush) ctx->params.renderFlush(ctx->params.userPtr);
  if (ctx->fontImageIdx == 0) return;
  int fontImage = ctx->fontImages[ctx->fontImageIdx];
  if (fontImage == 0) return;
  // The newest atlas becomes image 0; older ones as large as it stay after it, smaller ones are released.
  int iw = 0, ih = 0;
  vxGetImageSize(ctx, fontImage, &iw, &ih);
  int j = 0;
  for (int i = 0; i < ctx->fontImageIdx; i++)
  {
    if (ctx->fontImages[i] == 0) continue;
    int nw = 0, nh = 0;
    vxGetImageSize(ctx, ctx->fontImages[i], &nw, &nh);
    if (nw < iw || nh < ih)
      vxDeleteImage(ctx, ctx->fontImages[i]);
    else
      ctx->fontImages[j++] = ctx->fontImages[i];
  }
  ctx->fontImages[j] = ctx->fontImages[0];
  ctx->fontImages[0] = fontImage;
  ctx->fontImageIdx = 0;
  for (int i = j + 1; i < kVxMaxFontImages; i++) ctx->fontImages[i] = 0;
}

// ---- state stack ----

void vxSaveState(VXcontext* ctx)
{
  if (ctx->stateCount >= kVxMaxStates) return;
  if (ctx->stateCount > 0) memcpy(&ctx->states[ctx->stateCount], &ctx->states[ctx->stateCount - 1], sizeof(VXstate));
  ctx->stateCount++;
}

void vxRestoreState(VXcontext* ctx)
{
  if (ctx->stateCount <= 1) return;
  ctx->stateCount--;
}

void vxResetState(VXcontext* ctx)
{
  VXstate* state = vxGetState(ctx);
  memset(state, 0, sizeof(*state));
  SetPaintColor(&state->fill, vxColorFromBytes(255, 255, 255, 255));
  SetPaintColor(&state->stroke, vxColorFromBytes(0, 0, 0, 255));
  state->compositeOperation = CompositeOperationState(VX_SOURCE_OVER);
  state->shapeAntiAlias = 1;
  state->strokeWidth = 1.0f;
  state->miterLimit = 10.0f;
  state->lineCap = VX_BUTT;
  state->lineJoin = VX_MITER;
  state->alpha = 1.0f;
  vxMatrixIdentity(state->xform);
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
  state->fontSize = 16.0f;
  state->letterSpacing = 0.0f;
  state->lineHeight = 1.0f;
  state->fontBlur = 0.0f;
  state->textAlign = VX_ALIGN_LEFT | VX_ALIGN_BASELINE;
  state->fontId = 0;
}

void vxSetShapeAntiAlias(VXcontext* ctx, int enabled) { vxGetState(ctx)->shapeAntiAlias = enabled; }
void vxSetStrokeWidth(VXcontext* ctx, float width) { vxGetState(ctx)->strokeWidth = width; }
void vxSetMiterLimit(VXcontext* ctx, float limit) { vxGetState(ctx)->miterLimit = limit; }
void vxSetLineCap(VXcontext* ctx, int cap) { vxGetState(ctx)->lineCap = cap; }
void vxSetLineJoin(VXcontext* ctx, int join) { vxGetState(ctx)->lineJoin = join; }
void vxSetGlobalAlpha(VXcontext* ctx, float alpha) { vxGetState(ctx)->alpha = alpha; }
void vxSetStrokeColor(VXcontext* ctx, VXcolor color) { SetPaintColor(&vxGetState(ctx)->stroke, color); }
void vxSetFillColor(VXcontext* ctx, VXcolor color) { SetPaintColor(&vxGetState(ctx)->fill, color); }

void vxSetStrokePaint(VXcontext* ctx, VXpaint paint)
{
  VXstate* state = vxGetState(ctx);
  state->stroke = paint;
  vxMatrixMultiply(state->stroke.xform, state->xform);
}

void vxSetFillPaint(VXcontext* ctx, VXpaint paint)
{
  VXstate* state = vxGetState(ctx);
  state->fill = paint;
  vxMatrixMultiply(state->fill.xform, state->xform);
}

// ---- transforms ----

void vxMatrixIdentity(float* t)
{
  t[0] = 1.0f;
  t[1] = 0.0f;
  t[2] = 0.0f;
  t[3] = 1.0f;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

void vxMatrixRotate(float* t, float a)
{
  float cs = cosf(a), sn = sinf(a);
  t[0] = cs;
  t[1] = sn;
  t[2] = -sn;
  t[3] = cs;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

void vxMatrixSkewX(float* t, float a)
{
  t[0] = 1.0f;
  t[1] = 0.0f;
  t[2] = tanf(a);
  t[3] = 1.0f;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

void vxMatrixSkewY(float* t, float a)
{
  t[0] = 1.0f;
  t[1] = tanf(a);
  t[2] = 0.0f;
  t[3] = 1.0f;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

void vxMatrixMultiply(float* t, const float* s) { affine::Multiply(t, s); }

void vxMatrixPremultiply(float* t, const float* s) { affine::Premultiply(t, s); }

int vxMatrixInverse(float* inv, const float* t)
{
  double det = (double)t[0] * t[3] - (double)t[2] * t[1];
  if (det > -1e-6 && det < 1e-6)
  {
    vxMatrixIdentity(inv);
    return 0;
  }
  double invdet = 1.0 / det;
  inv[0] = (float)(t[3] * invdet);
  inv[2] = (float)(-t[2] * invdet);
  inv[4] = (float)(((double)t[2] * t[5] - (double)t[3] * t[4]) * invdet);
  inv[1] = (float)(-t[1] * invdet);
  inv[3] = (float)(t[0] * invdet);
  inv[5] = (float)(((double)t[1] * t[4] - (double)t[0] * t[5]) * invdet);
  return 1;
}

void vxMatrixTransformPoint(float* dx, float* dy, const float* t, float sx, float sy)
{
  *dx = sx * t[0] + sy * t[2] + t[4];
  *dy = sx * t[1] + sy * t[3] + t[5];
}

float vxGetAverageScale(const float* t)
{
  float sx = sqrtf(t[0] * t[0] + t[2] * t[2]);
  float sy = sqrtf(t[1] * t[1] + t[3] * t[3]);
  return (sx + sy) * 0.5f;
}

float vxDegreesToRadians(float deg) { return deg / 180.0f * kPi; }
float vxRadiansToDegrees(float rad) { return rad / kPi * 180.0f; }

void vxMultiplyTransform(VXcontext* ctx, float a, float b, float c, float d, float e, float f)
{
  float t[6] = {a, b, c, d, e, f};
  vxMatrixPremultiply(vxGetState(ctx)->xform, t);
}

void vxResetTransform(VXcontext* ctx) { vxMatrixIdentity(vxGetState(ctx)->xform); }

void vxTranslate(VXcontext* ctx, float x, float y)
{
  float t[6];
  MatrixTranslate(t, x, y);
  vxMatrixPremultiply(vxGetState(ctx)->xform, t);
}

void vxRotate(VXcontext* ctx, float angle)
{
  float t[6];
  vxMatrixRotate(t, angle);
  vxMatrixPremultiply(vxGetState(ctx)->xform, t);
}

void vxSkewX(VXcontext* ctx, float angle)
{
  float t[6];
  vxMatrixSkewX(t, angle);
  vxMatrixPremultiply(vxGetState(ctx)->xform, t);
}

void vxSkewY(VXcontext* ctx, float angle)
{
  float t[6];
  vxMatrixSkewY(t, angle);
  vxMatrixPremultiply(vxGetState(ctx)->xform, t);
}

void vxScale(VXcontext* ctx, float x, float y)
{
  float t[6];
  MatrixScale(t, x, y);
  vxMatrixPremultiply(vxGetState(ctx)->xform, t);
}

void vxGetCurrentTransform(VXcontext* ctx, float* xform)
{
  if (xform == nullptr) return;
  memcpy(xform, vxGetState(ctx)->xform, sizeof(float) * 6);
}

// ---- colours ----

VXcolor vxColorFromBytesOpaque(unsigned char r, unsigned char g, unsigned char b)
{
  return vxColorFromBytes(r, g, b, 255);
}

VXcolor vxColorFromBytes(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
{
  VXcolor color;
  color.r = r / 255.0f;
  color.g = g / 255.0f;
  color.b = b / 255.0f;
  color.a = a / 255.0f;
  return color;
}

VXcolor vxColorFromFloatsOpaque(float r, float g, float b) { return vxColorFromFloats(r, g, b, 1.0f); }

VXcolor vxColorFromFloats(float r, float g, float b, float a)
{
  VXcolor color;
  color.r = r;
  color.g = g;
  color.b = b;
  color.a = a;
  return color;
}

VXcolor vxColorWithAlphaByte(VXcolor c, unsigned char a)
{
  c.a = a / 255.0f;
  return c;
}

VXcolor vxColorWithAlpha(VXcolor c, float a)
{
  c.a = a;
  return c;
}

VXcolor vxLerpColor(VXcolor c0, VXcolor c1, float u)
{
  VXcolor cint;
  u = Clamp(u, 0.0f, 1.0f);
  float oneminu = 1.0f - u;
  for (int i = 0; i < 4; i++) cint.rgba[i] = c0.rgba[i] * oneminu + c1.rgba[i] * u;
  return cint;
}

VXcolor vxColorFromHsl(float h, float s, float l) { return vxColorFromHsla(h, s, l, 255); }

VXcolor vxColorFromHsla(float h, float s, float l, unsigned char a)
{
  h = fmodf(h, 1.0f);
  if (h < 0.0f) h += 1.0f;
  s = Clamp(s, 0.0f, 1.0f);
  l = Clamp(l, 0.0f, 1.0f);
  float m2 = l <= 0.5f ? (l * (1 + s)) : (l + s - l * s);
  float m1 = 2 * l - m2;
  VXcolor col;
  col.r = Clamp(Hue(h + 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  col.g = Clamp(Hue(h, m1, m2), 0.0f, 1.0f);
  col.b = Clamp(Hue(h - 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  col.a = a / 255.0f;
  return col;
}

// ---- paints ----

VXpaint vxMakeLinearGradient(VXcontext* ctx, float sx, float sy, float ex, float ey, VXcolor innerColor, VXcolor outerColor)
{
  VXpaint p;
  memset(&p, 0, sizeof(p));
  float dx = ex - sx;
  float dy = ey - sy;
  float d = sqrtf(dx * dx + dy * dy);
  if (d > 0.0001f)
  {
    dx /= d;
    dy /= d;
  }
  else
  {
    dx = 0;
    dy = 1;
  }
  p.xform[0] = dy;
  p.xform[1] = -dx;
  p.xform[2] = dx;
  p.xform[3] = dy;
  p.xform[4] = sx - dx * kGradientLength;
  p.xform[5] = sy - dy * kGradientLength;
  p.extent[0] = kGradientLength;
  p.extent[1] = kGradientLength + d * 0.5f;
  p.radius = 0.0f;
  p.feather = Max(1.0f, d);
  p.innerColor = innerColor;
  p.outerColor = outerColor;
  return p;
}

VXpaint vxMakeRadialGradient(VXcontext* ctx, float cx, float cy, float innerRadius, float outerRadius, VXcolor innerColor, VXcolor outerColor)
{
  VXpaint p;
  memset(&p, 0, sizeof(p));
  float r = (innerRadius + outerRadius) * 0.5f;
  float f = (outerRadius - innerRadius);
  MatrixTranslate(p.xform, cx, cy);
  p.extent[0] = r;
  p.extent[1] = r;
  p.radius = r;
  p.feather = Max(1.0f, f);
  p.innerColor = innerColor;
  p.outerColor = outerColor;
  return p;
}

VXpaint vxMakeBoxGradient(VXcontext* ctx, float x, float y, float w, float h, float r, float f, VXcolor innerColor,
                          VXcolor outerColor)
{
  VXpaint p;
  memset(&p, 0, sizeof(p));
  MatrixTranslate(p.xform, x + w * 0.5f, y + h * 0.5f);
  p.extent[0] = w * 0.5f;
  p.extent[1] = h * 0.5f;
  p.radius = r;
  p.feather = Max(1.0f, f);
  p.innerColor = innerColor;
  p.outerColor = outerColor;
  return p;
}

VXpaint vxMakeImagePattern(VXcontext* ctx, float cx, float cy, float w, float h, float angle, int image, float alpha)
{
  VXpaint p;
  memset(&p, 0, sizeof(p));
  vxMatrixRotate(p.xform, angle);
  p.xform[4] = cx;
  p.xform[5] = cy;
  p.extent[0] = w;
  p.extent[1] = h;
  p.image = image;
  p.innerColor = p.outerColor = vxColorFromFloats(1, 1, 1, alpha);
  return p;
}

// ---- scissor ----

void vxSetScissor(VXcontext* ctx, float x, float y, float w, float h)
{
  VXstate* state = vxGetState(ctx);
  w = Max(0.0f, w);
  h = Max(0.0f, h);
  vxMatrixIdentity(state->scissor.xform);
  state->scissor.xform[4] = x + w * 0.5f;
  state->scissor.xform[5] = y + h * 0.5f;
  vxMatrixMultiply(state->scissor.xform, state->xform);
  state->scissor.extent[0] = w * 0.5f;
  state->scissor.extent[1] = h * 0.5f;
}

void vxIntersectScissor(VXcontext* ctx, float x, float y, float w, float h)
{
  VXstate* state = vxGetState(ctx);
  // Without a scissor this is the same as setting one.
  if (state->scissor.extent[0] < 0)
  {
    vxSetScissor(ctx, x, y, w, h);
    return;
  }
  // The old scissor in the current space is approximated by its axis-aligned bounds there.
  float pxform[6], invxorm[6];
  memcpy(pxform, state->scissor.xform, sizeof(float) * 6);
  float ex = state->scissor.extent[0];
  float ey = state->scissor.extent[1];
  vxMatrixInverse(invxorm, state->xform);
  vxMatrixMultiply(pxform, invxorm);
  float tex = ex * fabsf(pxform[0]) + ey * fabsf(pxform[2]);
  float tey = ex * fabsf(pxform[1]) + ey * fabsf(pxform[3]);
  float ax = pxform[4] - tex, ay = pxform[5] - tey, aw = tex * 2, ah = tey * 2;
  float minX = Max(ax, x);
  float miny = Max(ay, y);
  float maxX = Min(ax + aw, x + w);
  float maxy = Min(ay + ah, y + h);
  vxSetScissor(ctx, minX, miny, Max(0.0f, maxX - minX), Max(0.0f, maxy - miny));
}

void vxResetScissor(VXcontext* ctx)
{
  VXstate* state = vxGetState(ctx);
  memset(state->scissor.xform, 0, sizeof(state->scissor.xform));
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
}

// ---- compositing ----

void vxSetCompositeOperation(VXcontext* ctx, int op) { vxGetState(ctx)->compositeOperation = CompositeOperationState(op); }

void vxSetBlendFactors(VXcontext* ctx, int sourceFactor, int destinationFactor)
{
  vxSetBlendFactorsSeparate(ctx, sourceFactor, destinationFactor, sourceFactor, destinationFactor);
}

void vxSetBlendFactorsSeparate(VXcontext* ctx, int sourceRGB, int destinationRGB, int sourceAlpha, int destinationAlpha)
{
  VXcompositeOperationState op;
  op.sourceRGB = sourceRGB;
  op.destinationRGB = destinationRGB;
  op.sourceAlpha = sourceAlpha;
  op.destinationAlpha = destinationAlpha;
  vxGetState(ctx)->compositeOperation = op;
}
