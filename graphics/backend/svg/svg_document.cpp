// The document: element dispatch over the attribute stack, the "svg" element with its view box and alignment,
// the final scaling of all geometry to the units asked for, and making, copying and freeing images.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "svg/svg_parser.h"

namespace
{
bool Is(const char* name, const char* expected) { return std::strcmp(name, expected) == 0; }

void InitRootAttrib(SvgAttrib& a)
{
  std::memset(&a, 0, sizeof(a));
  SvgXformIdentity(a.xform);
  a.opacity = 1.0f;
  a.fillOpacity = 1.0f;
  a.strokeOpacity = 1.0f;
  a.strokeWidth = 1.0f;
  a.miterLimit = 4.0f;
  a.stopOpacity = 1.0f;
  a.hasFill = kSvgSourceColor;
  a.visible = 1;
}

bool IsViewBoxSeparator(char c) { return SvgIsSpace(c) || c == ',' || c == '%'; }

void ParseViewBox(SvgParser* p, const char* s)
{
  float* slots[4] = {&p->viewMinX, &p->viewMinY, &p->viewWidth, &p->viewHeight};
  char item[kSvgNumberSize];
  for (float* slot : slots)
  {
    while (IsViewBoxSeparator(*s)) ++s;
    if (!SvgIsNumberStart(*s)) return; // the rest keep what they had
    s = SvgParseNumber(s, item, kSvgNumberSize);
    *slot = float(SvgAtof(item));
  }
}

void ParseAlignment(SvgParser* p, const char* v)
{
  if (std::strstr(v, "none"))
  {
    p->alignType = kSvgAlignNone;
    return;
  }
  if (std::strstr(v, "xMin"))
    p->alignX = kSvgAlignMin;
  else if (std::strstr(v, "xMid"))
    p->alignX = kSvgAlignMid;
  else if (std::strstr(v, "xMax"))
    p->alignX = kSvgAlignMax;
  if (std::strstr(v, "YMin"))
    p->alignY = kSvgAlignMin;
  else if (std::strstr(v, "YMid"))
    p->alignY = kSvgAlignMid;
  else if (std::strstr(v, "YMax"))
    p->alignY = kSvgAlignMax;
  p->alignType = std::strstr(v, "slice") ? kSvgAlignSlice : kSvgAlignMeet;
}

void ParseSvgElement(SvgParser* p, const char** attr)
{
  for (int i = 0; attr[i]; i += 2)
  {
    const char* name = attr[i];
    const char* value = attr[i + 1];
    if (SvgParseAttr(p, name, value)) continue;
    if (Is(name, "width"))
      p->image->width = SvgParseLength(p, value, 0.0f, 0.0f);
    else if (Is(name, "height"))
      p->image->height = SvgParseLength(p, value, 0.0f, 0.0f);
    else if (Is(name, "viewBox"))
      ParseViewBox(p, value);
    else if (Is(name, "preserveAspectRatio"))
      ParseAlignment(p, value);
  }
}

void StartGroup(SvgParser* p, const char** attr)
{
  if (p->defsFlag)
  {
    ++p->unpushedGroups; // remembered so that its end tag pops nothing
    return;
  }
  if (p->unpushedGroups > 0 || !SvgPushAttr(p)) ++p->unpushedGroups; // no room: the group writes the entry it is in
  SvgParseAttribs(p, attr);
}

void StartPolyline(SvgParser* p, const char** attr) { SvgParsePoly(p, attr, 0); }
void StartPolygon(SvgParser* p, const char** attr) { SvgParsePoly(p, attr, 1); }
void StartLinearGradient(SvgParser* p, const char** attr) { SvgParseGradient(p, attr, kSvgPaintLinearGradient); }
void StartRadialGradient(SvgParser* p, const char** attr) { SvgParseGradient(p, attr, kSvgPaintRadialGradient); }
void StartDefs(SvgParser* p, const char**) { p->defsFlag = 1; }

enum ElementScope : uint8_t
{
  kOutsideDefs,   // ignored inside defs
  kAnywhere,      // handled inside defs too
  kOwnEntry       // a shape: its own attribute entry while it is read, ignored inside defs
};

struct ElementHandler
{
  const char* name;
  void (*start)(SvgParser* p, const char** attr);
  ElementScope scope;
};

const ElementHandler kElements[] = {
  {"g", StartGroup, kAnywhere}, // a group inside defs only counts itself
  {"path", SvgParsePath, kOwnEntry},
  {"rect", SvgParseRect, kOwnEntry},
  {"circle", SvgParseCircle, kOwnEntry},
  {"ellipse", SvgParseEllipse, kOwnEntry},
  {"line", SvgParseLine, kOwnEntry},
  {"polyline", StartPolyline, kOwnEntry},
  {"polygon", StartPolygon, kOwnEntry},
  {"linearGradient", StartLinearGradient, kAnywhere},
  {"radialGradient", StartRadialGradient, kAnywhere},
  {"stop", SvgParseGradientStop, kAnywhere},
  {"defs", StartDefs, kOutsideDefs},
  {"svg", ParseSvgElement, kOutsideDefs},
};

void SvgStartElement(void* userData, const char* el, const char** attr)
{
  auto* p = static_cast<SvgParser*>(userData);
  for (const ElementHandler& h : kElements)
  {
    if (!Is(el, h.name)) continue;
    if (p->defsFlag && h.scope != kAnywhere) return;
    if (h.scope == kOwnEntry)
    {
      // When the stack is full the shape writes the top entry and must not pop it.
      const bool pushed = SvgPushAttr(p);
      h.start(p, attr);
      if (pushed) SvgPopAttr(p);
    }
    else
      h.start(p, attr);
    return;
  }
}

void SvgEndElement(void* userData, const char* el)
{
  auto* p = static_cast<SvgParser*>(userData);
  if (Is(el, "g"))
  {
    // Only a group that pushed an entry pops one.
    if (p->unpushedGroups > 0)
      --p->unpushedGroups;
    else
      SvgPopAttr(p);
  }
  else if (Is(el, "defs"))
    p->defsFlag = 0;
}

void SvgContent(void*, const char*) {}

void ImageBounds(const SvgImage* image, float* bounds)
{
  const SvgShape* shape = image->shapes;
  if (!shape)
  {
    bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0.0f;
    return;
  }
  std::memcpy(bounds, shape->bounds, sizeof(float) * 4);
  for (shape = shape->next; shape; shape = shape->next)
  {
    bounds[0] = std::fmin(bounds[0], shape->bounds[0]);
    bounds[1] = std::fmin(bounds[1], shape->bounds[1]);
    bounds[2] = std::fmax(bounds[2], shape->bounds[2]);
    bounds[3] = std::fmax(bounds[3], shape->bounds[3]);
  }
}

float AlignOffset(int align, float imageSize, float viewSize, float scale)
{
  const float room = imageSize - viewSize * scale;
  if (align == kSvgAlignMax) return room;
  if (align == kSvgAlignMid) return room * 0.5f;
  return 0.0f;
}

float UnitFactor(const SvgParser* p, const char* units)
{
  if (!units || !units[0]) return 1.0f;
  const float dpi = p->dpi;
  float u = 1.0f;
  if (units[0] == 'p' && units[1] == 't')
    u = dpi * 0.013888889f;
  else if (units[0] == 'p' && units[1] == 'c')
    u = dpi * 0.16666667f;
  else if (units[0] == 'm' && units[1] == 'm')
    u = dpi * 0.03937008f;
  else if (units[0] == 'c' && units[1] == 'm')
    u = dpi * 0.39370078f;
  else if (units[0] == 'i' && units[1] == 'n')
    u = dpi;
  else if (units[0] == 'e' && units[1] == 'm')
    u = p->attr[p->attrHead].fontSize;
  else if (units[0] == 'e' && units[1] == 'x')
    u = p->attr[p->attrHead].fontSize * 0.52f;
  else if (units[0] == '%')
    u = 0.01f;
  // A unit that cannot be measured (no dpi, no font size) leaves the geometry in pixels.
  return (u > 0.0f && std::isfinite(u)) ? u : 1.0f;
}

void ScaleBounds(float* b, float tx, float ty, float sx, float sy)
{
  b[0] = (b[0] + tx) * sx;
  b[1] = (b[1] + ty) * sy;
  b[2] = (b[2] + tx) * sx;
  b[3] = (b[3] + ty) * sy;
}

void ScaleGradient(SvgPaint& paint, float tx, float ty, float sx, float sy)
{
  if (paint.type != kSvgPaintLinearGradient && paint.type != kSvgPaintRadialGradient) return;
  float* t = paint.gradient->xform;
  float m[6] = {t[0] * sx, t[1] * sy, t[2] * sx, t[3] * sy, (t[4] + tx) * sx, (t[5] + ty) * sy};
  SvgXformInverse(t, m);
}

void ScaleToViewBox(SvgParser* p, const char* units)
{
  SvgImage* image = p->image;
  float bounds[4];
  ImageBounds(image, bounds);

  if (p->viewWidth == 0.0f)
  {
    if (image->width > 0.0f)
      p->viewWidth = image->width;
    else
    {
      p->viewMinX = bounds[0];
      p->viewWidth = bounds[2] - bounds[0];
    }
  }
  if (p->viewHeight == 0.0f)
  {
    if (image->height > 0.0f)
      p->viewHeight = image->height;
    else
    {
      p->viewMinY = bounds[1];
      p->viewHeight = bounds[3] - bounds[1];
    }
  }
  if (image->width == 0.0f) image->width = p->viewWidth;
  if (image->height == 0.0f) image->height = p->viewHeight;

  float tx = -p->viewMinX;
  float ty = -p->viewMinY;
  float sx = p->viewWidth > 0.0f ? image->width / p->viewWidth : 0.0f;
  float sy = p->viewHeight > 0.0f ? image->height / p->viewHeight : 0.0f;
  if (p->alignType == kSvgAlignMeet || p->alignType == kSvgAlignSlice)
  {
    const float s = p->alignType == kSvgAlignMeet ? std::fmin(sx, sy) : std::fmax(sx, sy);
    sx = sy = s;
    if (s > 0.0f)
    {
      tx += AlignOffset(p->alignX, image->width, p->viewWidth, s) / s;
      ty += AlignOffset(p->alignY, image->height, p->viewHeight, s) / s;
    }
  }

  const float u = UnitFactor(p, units);
  sx *= 1.0f / u;
  sy *= 1.0f / u;
  const float avg = (sx + sy) / 2.0f;

  for (SvgShape* shape = image->shapes; shape; shape = shape->next)
  {
    ScaleBounds(shape->bounds, tx, ty, sx, sy);
    for (SvgPath* path = shape->paths; path; path = path->next)
    {
      ScaleBounds(path->bounds, tx, ty, sx, sy);
      for (int i = 0; i < path->npts; ++i)
      {
        path->pts[i * 2] = (path->pts[i * 2] + tx) * sx;
        path->pts[i * 2 + 1] = (path->pts[i * 2 + 1] + ty) * sy;
      }
    }
    ScaleGradient(shape->fill, tx, ty, sx, sy);
    ScaleGradient(shape->stroke, tx, ty, sx, sy);
    shape->strokeWidth *= avg;
    shape->strokeDashOffset *= avg;
    for (int i = 0; i < shape->strokeDashCount; ++i) shape->strokeDashArray[i] *= avg;
  }
}

void DeleteParser(SvgParser* p)
{
  SvgFreePaths(p->plist);
  for (SvgGradientData* g = p->gradients; g;)
  {
    SvgGradientData* next = g->next;
    std::free(g->stops);
    std::free(g);
    g = next;
  }
  SvgDeleteImage(p->image);
  std::free(p->pts);
  std::free(p);
}

void FreePaint(SvgPaint& paint)
{
  if (paint.type == kSvgPaintLinearGradient || paint.type == kSvgPaintRadialGradient) std::free(paint.gradient);
}
} // namespace

SvgImage* SvgParse(char* text, const char* units, float dpi)
{
  auto* p = static_cast<SvgParser*>(std::calloc(1, sizeof(SvgParser)));
  if (!p) return nullptr;
  p->image = static_cast<SvgImage*>(std::calloc(1, sizeof(SvgImage)));
  if (!p->image)
  {
    std::free(p);
    return nullptr;
  }
  InitRootAttrib(p->attr[0]);
  p->dpi = dpi;

  if (text) SvgParseXml(text, SvgStartElement, SvgEndElement, SvgContent, p);
  ScaleToViewBox(p, units);

  SvgImage* image = p->image;
  p->image = nullptr;
  DeleteParser(p);
  return image;
}

SvgImage* SvgParseFromFile(const char* path, const char* units, float dpi)
{
  std::FILE* fp = std::fopen(path, "rb");
  if (!fp) return nullptr;
  SvgImage* image = nullptr;
  char* data = nullptr;
  long size = -1;
  if (std::fseek(fp, 0, SEEK_END) == 0) size = std::ftell(fp);
  if (size >= 0 && std::fseek(fp, 0, SEEK_SET) == 0)
  {
    data = static_cast<char*>(std::malloc(size_t(size) + 1));
    if (data && std::fread(data, 1, size_t(size), fp) == size_t(size))
    {
      data[size] = '\0';
      image = SvgParse(data, units, dpi);
    }
  }
  std::free(data);
  std::fclose(fp);
  return image;
}

void SvgDeleteImage(SvgImage* image)
{
  if (!image) return;
  for (SvgShape* shape = image->shapes; shape;)
  {
    SvgShape* next = shape->next;
    SvgFreePaths(shape->paths);
    FreePaint(shape->fill);
    FreePaint(shape->stroke);
    std::free(shape);
    shape = next;
  }
  std::free(image);
}

SvgPath* SvgDuplicatePath(const SvgPath* path)
{
  if (!path) return nullptr;
  auto* res = static_cast<SvgPath*>(std::calloc(1, sizeof(SvgPath)));
  if (!res) return nullptr;
  res->pts = static_cast<float*>(std::malloc(sizeof(float) * 2 * size_t(path->npts > 0 ? path->npts : 1)));
  if (!res->pts)
  {
    std::free(res);
    return nullptr;
  }
  std::memcpy(res->pts, path->pts, sizeof(float) * 2 * size_t(path->npts));
  res->npts = path->npts;
  res->closed = path->closed;
  std::memcpy(res->bounds, path->bounds, sizeof(res->bounds));
  return res;
}
