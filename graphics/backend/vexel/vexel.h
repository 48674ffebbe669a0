// The Vexel vector renderer: antialiased paths, images and text drawn through a renderer back end's callbacks.
// Plain functions over a context record, all taking the context first; angles are radians. Every operation runs on
// the drawing thread that owns the context.
#pragma once

#include "vexel_types.h"

struct VXcontext;
struct VXtextRow
{
  const char* start;
  const char* end;
  const char* next;
  float width;
  float minX, maxX;
};

struct VXglyphPosition
{
  const char* str;
  float x;
  float minX, maxX;
};

// Every operation below: [drawing thread, the context's owner].

// ---- context and frame ----
VXcontext* vxCreateContext(const VXrenderParams* params);
void vxDeleteContext(VXcontext* ctx);
/// A device pixel ratio outside 1/64 .. 64 (or no number) counts as 1.
void vxBeginFrame(VXcontext* ctx, float windowWidth, float windowHeight, float devicePixelRatio);
void vxCancelFrame(VXcontext* ctx);
void vxEndFrame(VXcontext* ctx);
/// The parameters the context was made with, for the back end that serves them.
const VXrenderParams* vxGetRenderParams(const VXcontext* ctx);
/// The back end's user pointer from those parameters; null for a null context.
void* vxGetUserPtr(const VXcontext* ctx);

// ---- state ----
void vxSaveState(VXcontext* ctx);
void vxRestoreState(VXcontext* ctx);
void vxResetState(VXcontext* ctx);
void vxSetShapeAntiAlias(VXcontext* ctx, int enabled);
void vxSetStrokeWidth(VXcontext* ctx, float width);
void vxSetMiterLimit(VXcontext* ctx, float limit);
void vxSetLineCap(VXcontext* ctx, int cap);
void vxSetLineJoin(VXcontext* ctx, int join);
void vxSetGlobalAlpha(VXcontext* ctx, float alpha);
void vxSetStrokeColor(VXcontext* ctx, VXcolor color);
void vxSetStrokePaint(VXcontext* ctx, VXpaint paint);
void vxSetFillColor(VXcontext* ctx, VXcolor color);
void vxSetFillPaint(VXcontext* ctx, VXpaint paint);

// ---- transforms ----
void vxMultiplyTransform(VXcontext* ctx, float a, float b, float c, float d, float e, float f);
void vxResetTransform(VXcontext* ctx);
void vxTranslate(VXcontext* ctx, float x, float y);
void vxRotate(VXcontext* ctx, float angle);
void vxSkewX(VXcontext* ctx, float angle);
void vxSkewY(VXcontext* ctx, float angle);
void vxScale(VXcontext* ctx, float x, float y);
void vxGetCurrentTransform(VXcontext* ctx, float* xform);

void vxMatrixIdentity(float* dst);
void vxMatrixRotate(float* dst, float a);
void vxMatrixSkewX(float* dst, float a);
void vxMatrixSkewY(float* dst, float a);
void vxMatrixMultiply(float* dst, const float* src);
void vxMatrixTransformPoint(float* dstx, float* dsty, const float* xform, float srcx, float srcy);
float vxDegreesToRadians(float deg);
float vxRadiansToDegrees(float rad);

// ---- colours and paints ----
VXcolor vxColorFromBytesOpaque(unsigned char r, unsigned char g, unsigned char b);
VXcolor vxColorFromBytes(unsigned char r, unsigned char g, unsigned char b, unsigned char a);
VXcolor vxColorFromFloatsOpaque(float r, float g, float b);
VXcolor vxColorFromFloats(float r, float g, float b, float a);
VXcolor vxColorWithAlphaByte(VXcolor c0, unsigned char a);
VXcolor vxColorWithAlpha(VXcolor c0, float a);
VXcolor vxLerpColor(VXcolor c0, VXcolor c1, float u);
VXcolor vxColorFromHsl(float h, float s, float l);
VXcolor vxColorFromHsla(float h, float s, float l, unsigned char a);

VXpaint vxMakeLinearGradient(VXcontext* ctx, float sx, float sy, float ex, float ey, VXcolor innerColor, VXcolor outerColor);
VXpaint vxMakeRadialGradient(VXcontext* ctx, float cx, float cy, float innerRadius, float outerRadius, VXcolor innerColor, VXcolor outerColor);
VXpaint vxMakeBoxGradient(VXcontext* ctx, float x, float y, float w, float h, float r, float f, VXcolor innerColor,
                          VXcolor outerColor);
VXpaint vxMakeImagePattern(VXcontext* ctx, float ox, float oy, float ex, float ey, float angle, int image, float alpha);

// ---- scissor and compositing ----
void vxSetScissor(VXcontext* ctx, float x, float y, float w, float h);
void vxIntersectScissor(VXcontext* ctx, float x, float y, float w, float h);
void vxResetScissor(VXcontext* ctx);
void vxSetCompositeOperation(VXcontext* ctx, int op);
void vxSetBlendFactors(VXcontext* ctx, int sourceFactor, int destinationFactor);
void vxSetBlendFactorsSeparate(VXcontext* ctx, int sourceRGB, int destinationRGB, int sourceAlpha, int destinationAlpha);

// ---- paths ----
void vxBeginPath(VXcontext* ctx);
void vxMoveTo(VXcontext* ctx, float x, float y);
void vxLineTo(VXcontext* ctx, float x, float y);
void vxCubicTo(VXcontext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y);
void vxQuadTo(VXcontext* ctx, float cx, float cy, float x, float y);
void vxArcTo(VXcontext* ctx, float x1, float y1, float x2, float y2, float radius);
void vxArc(VXcontext* ctx, float cx, float cy, float r, float a0, float a1, int dir);
void vxRectPath(VXcontext* ctx, float x, float y, float w, float h);
void vxRoundedRectPath(VXcontext* ctx, float x, float y, float w, float h, float r);
void vxRoundedRectVaryingPath(VXcontext* ctx, float x, float y, float w, float h, float radTopLeft,
                              float radTopRight, float radBottomRight, float radBottomLeft);
void vxEllipsePath(VXcontext* ctx, float cx, float cy, float rx, float ry);
void vxCirclePath(VXcontext* ctx, float cx, float cy, float r);
void vxClosePath(VXcontext* ctx);
void vxSetPathWinding(VXcontext* ctx, int dir);
/// The one writer of the command buffer: codes and values as floats, points in user space. Unknown or cut-short
/// commands drop the whole call; a command with a value that is no finite number (or a point beyond 1e12 device
/// units) is dropped alone.
void vxAppendCommands(VXcontext* ctx, const float* values, int valueCount);
void vxFillPath(VXcontext* ctx);
void vxStrokePath(VXcontext* ctx);
void vxDumpPathCache(VXcontext* ctx);

// ---- images (ids are positive; 0 means none) ----
// Encoded images (PNG, JPEG) are sized from their header first: more than VX_MAX_IMAGE_SIDE pixels on a side or
// VX_MAX_IMAGE_PIXELS in all are refused without decoding.
#define VX_MAX_IMAGE_SIDE 16384
#define VX_MAX_IMAGE_PIXELS (64LL * 1024 * 1024)
int vxCreateImageFromFile(VXcontext* ctx, const char* filename, int imageFlags);
int vxCreateImageFromMemory(VXcontext* ctx, int imageFlags, const unsigned char* data, int dataSize);
int vxCreateImageFromPixels(VXcontext* ctx, int w, int h, int imageFlags, const unsigned char* data);
void vxUpdateImage(VXcontext* ctx, int image, const unsigned char* data);
void vxGetImageSize(VXcontext* ctx, int image, int* w, int* h);
void vxDeleteImage(VXcontext* ctx, int image);

// ---- fonts (ids index the font stash; -1 means none) ----
int vxAddFontFile(VXcontext* ctx, const char* name, const char* filename);
int vxAddFontFileFace(VXcontext* ctx, const char* name, const char* filename, int fontIndex);
int vxAddFontMemory(VXcontext* ctx, const char* name, unsigned char* data, int dataSize, int freeData);
int vxAddFontMemoryFace(VXcontext* ctx, const char* name, unsigned char* data, int dataSize, int fontIndex,
                        int freeData);
int vxFindFont(VXcontext* ctx, const char* name);
int vxAddFallbackFontById(VXcontext* ctx, int baseFont, int fallbackFont);
int vxAddFallbackFont(VXcontext* ctx, const char* baseFont, const char* fallbackFont);

// ---- text ----
void vxSetFontSize(VXcontext* ctx, float size);
void vxSetFontBlur(VXcontext* ctx, float blur);
void vxSetLetterSpacing(VXcontext* ctx, float spacing);
void vxSetLineHeight(VXcontext* ctx, float lineHeight);
void vxSetTextAlign(VXcontext* ctx, int align);
void vxSetFontFaceById(VXcontext* ctx, int font);
void vxSetFontFaceByName(VXcontext* ctx, const char* font);

float vxDrawText(VXcontext* ctx, float x, float y, const char* string, const char* end);
void vxDrawTextBox(VXcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end);
float vxMeasureText(VXcontext* ctx, float x, float y, const char* string, const char* end, float* bounds);
void vxMeasureTextBox(VXcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end,
                      float* bounds);
int vxTextGlyphPositions(VXcontext* ctx, float x, float y, const char* string, const char* end,
                         VXglyphPosition* positions, int maxPositions);
void vxTextMetrics(VXcontext* ctx, float* ascender, float* descender, float* lineHeight);
int vxBreakTextLines(VXcontext* ctx, const char* string, const char* end, float breakRowWidth, VXtextRow* rows,
                     int maxRows);
