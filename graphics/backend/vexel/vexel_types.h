// The value records of the Vexel vector renderer and the callbacks through which it hands finished geometry to a
// renderer back end. Colours are floats 0..1, not premultiplied; a 2x3 matrix (a, b, c, d, e, f) maps (x, y) to
// (a*x + c*y + e, b*x + d*y + f).
#pragma once

struct VXcolor
{
  union
  {
    float rgba[4];
    struct
    {
      float r, g, b, a;
    };
  };
};

struct VXpaint
{
  float xform[6];
  float extent[2];
  float radius;
  float feather;
  VXcolor innerColor;
  VXcolor outerColor;
  int image;
};

struct VXscissor
{
  float xform[6];
  float extent[2]; // half width and half height; -1, -1 means no scissor
};

struct VXcompositeOperationState
{
  int sourceRGB;
  int destinationRGB;
  int sourceAlpha;
  int destinationAlpha;
};

struct VXvertex
{
  float x, y, u, v;
};

struct VXpath
{
  int first;
  int count;
  unsigned char closed;
  int bevelCount;
  VXvertex* fill;
  int fillCount;
  VXvertex* stroke;
  int strokeCount;
  int winding;
  int convex;
};

enum VXwinding
{
  VX_COUNTER_CLOCKWISE = 1, // solid shapes
  VX_CLOCKWISE = 2,  // holes
};

enum VXsolidity
{
  VX_SOLID = 1,
  VX_HOLE = 2,
};

enum VXlineCap
{
  VX_BUTT = 0,
  VX_ROUND = 1,
  VX_SQUARE = 2,
  VX_BEVEL = 3,
  VX_MITER = 4,
};

enum VXalign
{
  VX_ALIGN_LEFT = 1,
  VX_ALIGN_CENTER = 2,
  VX_ALIGN_RIGHT = 4,
  VX_ALIGN_TOP = 8,
  VX_ALIGN_MIDDLE = 16,
  VX_ALIGN_BOTTOM = 32,
  VX_ALIGN_BASELINE = 64,
};

enum VXblendFactor
{
  VX_ZERO = 1 << 0,
  VX_ONE = 1 << 1,
  VX_SOURCE_COLOR = 1 << 2,
  VX_ONE_MINUS_SOURCE_COLOR = 1 << 3,
  VX_DESTINATION_COLOR = 1 << 4,
  VX_ONE_MINUS_DESTINATION_COLOR = 1 << 5,
  VX_SOURCE_ALPHA = 1 << 6,
  VX_ONE_MINUS_SOURCE_ALPHA = 1 << 7,
  VX_DESTINATION_ALPHA = 1 << 8,
  VX_ONE_MINUS_DESTINATION_ALPHA = 1 << 9,
  VX_SOURCE_ALPHA_SATURATED = 1 << 10,
};

enum VXcompositeOperation
{
  VX_SOURCE_OVER = 0,
  VX_SOURCE_IN,
  VX_SOURCE_OUT,
  VX_ATOP,
  VX_DESTINATION_OVER,
  VX_DESTINATION_IN,
  VX_DESTINATION_OUT,
  VX_DESTINATION_ATOP,
  VX_LIGHTER,
  VX_COPY,
  VX_XOR,
};

enum VXtexture
{
  VX_TEXTURE_ALPHA = 1,
  VX_TEXTURE_RGBA = 2,
};

enum VXimageFlags
{
  VX_IMAGE_GENERATE_MIPMAPS = 1,
  VX_IMAGE_REPEAT_X = 2,
  VX_IMAGE_REPEAT_Y = 4,
  VX_IMAGE_FLIP_Y = 8,
  VX_IMAGE_PREMULTIPLIED = 16,
  VX_IMAGE_NEAREST = 32,
};

// What a renderer back end implements. Every callback gets the user pointer first. The paint, scissor, vertex and
// path pointers are valid only during the call.
struct VXrenderParams
{
  void* userPtr;
  int edgeAntiAlias;
  int (*renderCreate)(void* userPtr);
  int (*renderCreateTexture)(void* userPtr, int type, int w, int h, int imageFlags, const unsigned char* data);
  int (*renderDeleteTexture)(void* userPtr, int image);
  int (*renderUpdateTexture)(void* userPtr, int image, int x, int y, int w, int h, const unsigned char* data);
  int (*renderGetTextureSize)(void* userPtr, int image, int* w, int* h);
  void (*renderViewport)(void* userPtr, float width, float height, float devicePixelRatio);
  void (*renderCancel)(void* userPtr);
  void (*renderFlush)(void* userPtr);
  void (*renderFill)(void* userPtr, const VXpaint* paint, VXcompositeOperationState compositeOperation,
                     const VXscissor* scissor, float fringe, const float* bounds, const VXpath* paths, int npaths);
  void (*renderStroke)(void* userPtr, const VXpaint* paint, VXcompositeOperationState compositeOperation,
                       const VXscissor* scissor, float fringe, float strokeWidth, const VXpath* paths, int npaths);
  void (*renderTriangles)(void* userPtr, const VXpaint* paint, VXcompositeOperationState compositeOperation,
                          const VXscissor* scissor, const VXvertex* verts, int nverts, float fringe);
  void (*renderDelete)(void* userPtr);
};
