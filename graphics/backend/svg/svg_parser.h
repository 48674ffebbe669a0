// The parser's own state and the functions the parts of the parser share: the attribute stack, lengths,
// colours, transforms, gradients, the point buffer and the element handlers. Internal to the SVG parser.
#pragma once

#include <cstddef>
#include <cstdint>

#include "svg/svg_image.h"

constexpr int kSvgAttribStackSize = 128;
constexpr int kSvgMaxAttribPairs = 127;  // name/value pairs one tag may hand to an element
constexpr int kSvgIdSize = 64;
constexpr int kSvgNumberSize = 64;       // one number token, terminator included
constexpr int kSvgMaxDashes = 8;
constexpr float kSvgKappa = 0.5522848f;  // control distance of a quarter circle
constexpr float kSvgPi = 3.1415927f;

enum SvgUnits : uint8_t
{
  kSvgUnitsUser = 0,
  kSvgUnitsPx,
  kSvgUnitsPt,
  kSvgUnitsPc,
  kSvgUnitsMm,
  kSvgUnitsCm,
  kSvgUnitsIn,
  kSvgUnitsPercent,
  kSvgUnitsEm,
  kSvgUnitsEx
};

enum SvgAlign : int32_t
{
  kSvgAlignMin = 0,
  kSvgAlignMid = 1,
  kSvgAlignMax = 2
};

enum SvgAlignType : int32_t
{
  kSvgAlignNone = 0,
  kSvgAlignMeet = 1,
  kSvgAlignSlice = 2
};

// How a fill or stroke is painted while attributes are read.
enum SvgPaintSource : uint8_t
{
  kSvgSourceNone = 0,
  kSvgSourceColor = 1,
  kSvgSourceGradient = 2
};

enum SvgGradientUnits : uint8_t
{
  kSvgUserSpaceOnUse = 0,
  kSvgObjectBoundingBox = 1
};

struct SvgCoordinate
{
  float value;
  uint8_t units; // SvgUnits
};

// The inherited presentation state of one nesting level.
struct SvgAttrib
{
  char id[kSvgIdSize];
  float xform[6];
  uint32_t fillColor;
  uint32_t strokeColor;
  float opacity;
  float fillOpacity;
  float strokeOpacity;
  char fillGradient[kSvgIdSize];
  char strokeGradient[kSvgIdSize];
  float strokeWidth;
  float strokeDashOffset;
  float strokeDashArray[kSvgMaxDashes];
  int32_t strokeDashCount;
  uint8_t strokeLineJoin;
  uint8_t strokeLineCap;
  float miterLimit;
  uint8_t fillRule;
  float fontSize;
  uint32_t stopColor;
  float stopOpacity;
  float stopOffset;
  uint8_t hasFill;   // SvgPaintSource
  uint8_t hasStroke; // SvgPaintSource
  uint8_t visible;
};

// A gradient element, kept until the shapes that use it are built.
struct SvgGradientData
{
  char id[kSvgIdSize];
  char ref[kSvgIdSize]; // id named by xlink:href
  uint8_t type;         // kSvgPaintLinearGradient or kSvgPaintRadialGradient
  union
  {
    struct
    {
      SvgCoordinate x1, y1, x2, y2;
    } linear;
    struct
    {
      SvgCoordinate cx, cy, r, fx, fy;
    } radial;
  };
  uint8_t spread;
  uint8_t units; // SvgGradientUnits
  float xform[6];
  int32_t nstops;
  int32_t capacity;
  SvgGradientStop* stops;
  SvgGradientData* next;
};

struct SvgParser
{
  SvgAttrib attr[kSvgAttribStackSize];
  int32_t attrHead;
  int32_t unpushedGroups; // open "g" elements that found no room on the stack (or sat in defs)
  float* pts;
  int32_t npts;
  int32_t pointCapacity;
  SvgPath* plist;    // pending paths, newest first
  SvgImage* image;
  SvgShape* shapesTail;
  SvgGradientData* gradients; // newest first
  float viewMinX, viewMinY, viewWidth, viewHeight;
  int32_t alignX, alignY, alignType;
  float dpi;
  uint8_t defsFlag;
};

// Tokenizer: walks the text once, writing terminators into it, and calls back per element.
using SvgStartElementFn = void (*)(void* userData, const char* name, const char** attr);
using SvgEndElementFn = void (*)(void* userData, const char* name);
using SvgContentFn = void (*)(void* userData, const char* text);
int SvgParseXml(char* input, SvgStartElementFn startElement, SvgEndElementFn endElement, SvgContentFn content,
                void* userData);

// Matrices.
void SvgXformIdentity(float* t);
void SvgXformSetTranslation(float* t, float tx, float ty);
void SvgXformSetScale(float* t, float sx, float sy);
void SvgXformMultiply(float* t, const float* s);   // t = s applied after t
void SvgXformPremultiply(float* t, const float* s); // t = t applied after s
void SvgXformInverse(float* inv, const float* t);    // identity when t is singular
void SvgXformPoint(float* dx, float* dy, float x, float y, const float* t);

// Numbers, lengths, colours and transforms.
bool SvgIsSpace(char c);
bool SvgIsDigit(char c);
bool SvgIsNumberStart(char c);
const char* SvgParseNumber(const char* s, char* it, int size);
// The next item of a list separated by spaces and commas: a number, or any other single character, written to `it`
// (kSvgNumberSize bytes; "" at the end of the text). Returns the position after it.
const char* SvgNextItem(const char* s, char* it);
double SvgAtof(const char* s);
SvgCoordinate SvgParseCoordinate(const char* str);
float SvgConvertToPixels(const SvgParser* p, SvgCoordinate c, float orig, float length);
float SvgParseLength(const SvgParser* p, const char* str, float orig, float length);
float SvgViewDiagonal(const SvgParser* p); // reference length of percentages that are neither x nor y
uint32_t SvgParseColor(const char* str);
void SvgParseTransform(float* xform, const char* str);

// Attribute stack and presentation attributes.
SvgAttrib* SvgGetAttr(SvgParser* p);
bool SvgPushAttr(SvgParser* p); // false when the stack is full: the element writes the current entry
void SvgPopAttr(SvgParser* p);
bool SvgParseAttr(SvgParser* p, const char* name, const char* value);
void SvgParseStyle(SvgParser* p, const char* str);
void SvgParseAttribs(SvgParser* p, const char** attr);

// Gradients.
void SvgParseGradient(SvgParser* p, const char** attr, uint8_t type);
void SvgParseGradientStop(SvgParser* p, const char** attr);
// Resolves the gradient `id` for a shape with the given local bounds and writes the paint type. Null when it
// cannot be resolved (type none), or when a radial gradient has no radius: then the type is a flat colour and
// `flatColor` its last stop's colour.
SvgGradient* SvgCreateGradient(SvgParser* p, const char* id, const float* localBounds, uint8_t* paintType,
                               uint32_t* flatColor);

// Point buffer, paths and shapes.
void SvgResetPath(SvgParser* p);
void SvgMoveTo(SvgParser* p, float x, float y);
void SvgLineTo(SvgParser* p, float x, float y);
void SvgCubicBezTo(SvgParser* p, float cpx1, float cpy1, float controlX, float controlY, float x, float y);
void SvgAddPath(SvgParser* p, bool closed);
void SvgAddShape(SvgParser* p);
void SvgCurveBounds(float* bounds, const float* curve);
void SvgLocalBounds(float* bounds, const SvgShape* shape, const float* xform);
int SvgArgsPerCommand(char c);
void SvgFreePaths(SvgPath* path);

// Element handlers (the attribute entry is pushed by the caller).
void SvgParsePath(SvgParser* p, const char** attr);
void SvgParseRect(SvgParser* p, const char** attr);
void SvgParseCircle(SvgParser* p, const char** attr);
void SvgParseEllipse(SvgParser* p, const char** attr);
void SvgParseLine(SvgParser* p, const char** attr);
void SvgParsePoly(SvgParser* p, const char** attr, int closeFlag);
