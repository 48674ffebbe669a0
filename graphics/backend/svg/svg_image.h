// The parsed SVG image: shapes of cubic Bezier paths with their paints and stroke settings, all in one
// coordinate system, and the entry points that make and free it. Plain records, allocated with malloc.
#pragma once

#include <cstdint>

// Colours are packed red | green << 8 | blue << 16 | alpha << 24. Matrices are [a, b, c, d, e, f] and map
// (x, y) to (a*x + c*y + e, b*x + d*y + f).

enum SvgPaintType : uint8_t
{
  kSvgPaintNone = 0,
  kSvgPaintColor = 1,
  kSvgPaintLinearGradient = 2,
  kSvgPaintRadialGradient = 3
};

enum SvgSpread : uint8_t
{
  kSvgSpreadPad = 0,
  kSvgSpreadReflect = 1,
  kSvgSpreadRepeat = 2
};

enum SvgLineJoin : uint8_t
{
  kSvgJoinMiter = 0,
  kSvgJoinRound = 1,
  kSvgJoinBevel = 2
};

enum SvgLineCap : uint8_t
{
  kSvgCapButt = 0,
  kSvgCapRound = 1,
  kSvgCapSquare = 2
};

enum SvgFillRule : uint8_t
{
  kSvgFillNonZero = 0,
  kSvgFillEvenOdd = 1
};

enum SvgShapeFlags : uint8_t
{
  kSvgShapeVisible = 1
};

struct SvgGradientStop
{
  uint32_t color; // alpha = stop opacity
  float offset;
};

// One allocation: the header followed by its stops.
struct SvgGradient
{
  float xform[6]; // image coordinates -> gradient space (linear: (0,0)..(0,1) along y; radial: unit circle)
  uint8_t spread;
  float fx, fy;   // radial only: focal point divided by the radius
  int32_t nstops;
  SvgGradientStop stops[1];
};

struct SvgPaint
{
  uint8_t type; // SvgPaintType
  union
  {
    uint32_t color;
    SvgGradient* gradient; // owned by the shape
  };
};

struct SvgPath
{
  float* pts;      // x, y pairs: a start point, then three points per cubic segment
  int32_t npts;    // 1 + 3 * segments
  uint8_t closed;
  float bounds[4]; // min x, min y, max x, max y of the curve, extrema included
  SvgPath* next;
};

struct SvgShape
{
  char id[64];
  SvgPaint fill;
  SvgPaint stroke;
  float opacity;
  float strokeWidth;
  float strokeDashOffset;
  float strokeDashArray[8];
  int8_t strokeDashCount;
  uint8_t strokeLineJoin;
  uint8_t strokeLineCap;
  float miterLimit;
  uint8_t fillRule;
  uint8_t flags;     // SvgShapeFlags
  float bounds[4];   // union of its paths' bounds
  SvgPath* paths;    // an element's sub-paths, newest first
  SvgShape* next;
};

struct SvgImage
{
  float width;  // the svg element's width in pixels, else the view box width
  float height;
  SvgShape* shapes; // document order
};

// Parses a writable, zero-terminated SVG text (terminators are written into it). `units` ("px", "pt", "pc",
// "mm", "cm", "in", "em", "ex", "%") are the units the geometry is scaled to; `dpi` converts physical units.
// Null only when memory runs out; any text yields an image. [any thread]
SvgImage* SvgParse(char* text, const char* units, float dpi);

// Reads a whole file and parses it. Null when the file cannot be read. [any thread]
SvgImage* SvgParseFromFile(const char* path, const char* units, float dpi);

// Frees the image and everything it owns; null does nothing. [any thread]
void SvgDeleteImage(SvgImage* image);

// A copy of one path (points, count, closed flag, bounds) with no successor; null on null or out of memory.
// [any thread]
SvgPath* SvgDuplicatePath(const SvgPath* path);
