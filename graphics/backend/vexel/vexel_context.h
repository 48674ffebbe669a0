// The Vexel context record: render parameters, command buffer, drawing-state stack, path cache, tolerances, the
// font stash and the font atlas images. Renderer back ends and tests read it; drawing code goes through vexel.h.
#pragma once

#include "font_stash.h"
#include "vexel_types.h"

/// The smaller and the larger of two floats or two ints, for the parts of the renderer.
inline float Min(float a, float b) { return a < b ? a : b; }
inline float Max(float a, float b) { return a > b ? a : b; }
inline int Min(int a, int b) { return a < b ? a : b; }
inline int Max(int a, int b) { return a > b ? a : b; }

constexpr int kVxMaxStates = 32;
constexpr int kVxMaxFontImages = 4;
constexpr int kVxMaxFontImageSize = 2048;
constexpr int kVxInitFontImageSize = 512;
constexpr int kVxInitCommandsSize = 256;
constexpr int kVxInitPointsSize = 128;
constexpr int kVxInitPathsSize = 16;
constexpr int kVxInitVertsSize = 256;

enum VXcommands
{
  VX_MOVE_TO = 0,
  VX_LINE_TO = 1,
  VX_CUBIC_TO = 2,
  VX_CLOSE = 3,
  VX_WINDING = 4,
};

enum VXpointFlags
{
  VX_POINT_CORNER = 0x01,
  VX_POINT_LEFT_TURN = 0x02,
  VX_POINT_BEVEL = 0x04,
  VX_POINT_INNER_BEVEL = 0x08,
};

struct VXstate
{
  VXcompositeOperationState compositeOperation;
  int shapeAntiAlias;
  VXpaint fill;
  VXpaint stroke;
  float strokeWidth;
  float miterLimit;
  int lineJoin;
  int lineCap;
  float alpha;
  float xform[6];
  VXscissor scissor;
  float fontSize;
  float letterSpacing;
  float lineHeight;
  float fontBlur;
  int textAlign;
  int fontId;
};

struct VXpoint
{
  float x, y;
  float dx, dy;
  float len;
  float dmx, dmy;
  unsigned char flags;
};

struct VXpathCache
{
  VXpoint* points;
  int pointCount;
  int pointCapacity;
  VXpath* paths;
  int npaths;
  int pathCapacity;
  VXvertex* verts;
  int nverts;
  int cverts;
  float bounds[4];
};

struct VXcontext
{
  VXrenderParams params;
  float* commands;
  int commandCapacity;
  int commandCount;
  float lastCommandX, lastCommandY;
  VXstate states[kVxMaxStates];
  int stateCount;
  VXpathCache* cache;
  float tessellationTolerance;
  float distanceTolerance;
  float fringeWidth;
  float devicePixelRatio;
  FontStashContext* fs;
  int fontImages[kVxMaxFontImages];
  int fontImageIdx;
  int drawCallCount;
  int fillTriangleCount;
  int strokeTriangleCount;
  int textTriangleCount;
};

// Shared between the parts of the renderer.
VXstate* vxGetState(VXcontext* ctx);
VXvertex* vxAllocTempVerts(VXcontext* ctx, int nverts);
float vxGetAverageScale(const float* t);
void vxMatrixPremultiply(float* t, const float* s);
int vxMatrixInverse(float* inv, const float* t);
