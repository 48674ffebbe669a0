// The attribute stack and the presentation attributes that elements inherit: paints, opacities, stroke
// settings, transforms, stop colours and ids, given as attributes or inside a "style" declaration list.
#include <cmath>
#include <cstring>

#include "svg/svg_parser.h"

namespace
{
constexpr int kDeclarationSize = 512; // one style name or value, terminator included
constexpr float kMinDashSum = 1e-6f;

// Copies at most size - 1 characters of [begin, end) and terminates.
void CopyBounded(char* dst, int size, const char* begin, const char* end)
{
  int n = int(end - begin);
  if (n > size - 1) n = size - 1;
  if (n < 0) n = 0;
  std::memcpy(dst, begin, size_t(n));
  dst[n] = '\0';
}

void CopyId(char* dst, const char* src) { CopyBounded(dst, kSvgIdSize, src, src + std::strlen(src)); }

float Clamp01(double v)
{
  if (!(v > 0.0)) return 0.0f; // NaN too
  if (v > 1.0) return 1.0f;
  return float(v);
}

// "none", "url(#id)" or a colour.
void ParsePaint(const char* value, uint8_t& has, char* gradientId, uint32_t& color)
{
  if (std::strcmp(value, "none") == 0)
  {
    has = kSvgSourceNone;
  }
  else if (std::strncmp(value, "url(", 4) == 0)
  {
    has = kSvgSourceGradient;
    const char* s = value + 4;
    if (*s == '#') ++s;
    const char* e = s;
    while (*e && *e != ')') ++e;
    CopyBounded(gradientId, kSvgIdSize, s, e);
  }
  else
  {
    has = kSvgSourceColor;
    color = SvgParseColor(value);
  }
}

void ParseDashArray(SvgParser* p, const char* str, SvgAttrib& attr)
{
  if (!*str || *str == 'n')
  {
    attr.strokeDashCount = 0;
    return;
  }
  float dashes[kSvgMaxDashes];
  int count = 0;
  const float diagonal = SvgViewDiagonal(p);
  while (*str)
  {
    while (*str && (SvgIsSpace(*str) || *str == ',')) ++str;
    if (!*str) break;
    const char* begin = str;
    while (*str && !SvgIsSpace(*str) && *str != ',') ++str;
    if (count < kSvgMaxDashes)
    {
      char item[kSvgIdSize];
      CopyBounded(item, kSvgIdSize, begin, str);
      dashes[count++] = std::fabs(SvgParseLength(p, item, 0.0f, diagonal));
    }
  }
  float sum = 0.0f;
  for (int i = 0; i < count; ++i) sum += dashes[i];
  if (!(sum > kMinDashSum))
  {
    attr.strokeDashCount = 0;
    return;
  }
  std::memcpy(attr.strokeDashArray, dashes, sizeof(float) * size_t(count));
  attr.strokeDashCount = count;
}

uint8_t ParseKeyword(const char* value, const char* const* words, int count)
{
  for (int i = 0; i < count; ++i)
    if (std::strcmp(value, words[i]) == 0) return uint8_t(i);
  return 0;
}

void SvgParseNameValue(SvgParser* p, const char* start, const char* end)
{
  const char* colon = start;
  while (colon < end && *colon != ':') ++colon;

  const char* nameEnd = colon;
  while (nameEnd > start && (*(nameEnd - 1) == ':' || SvgIsSpace(*(nameEnd - 1)))) --nameEnd;
  const char* valueStart = colon;
  while (valueStart < end && (*valueStart == ':' || SvgIsSpace(*valueStart))) ++valueStart;

  char name[kDeclarationSize];
  char value[kDeclarationSize];
  CopyBounded(name, kDeclarationSize, start, nameEnd);
  CopyBounded(value, kDeclarationSize, valueStart, end);
  SvgParseAttr(p, name, value);
}
} // namespace

SvgAttrib* SvgGetAttr(SvgParser* p) { return &p->attr[p->attrHead]; }

bool SvgPushAttr(SvgParser* p)
{
  if (p->attrHead >= kSvgAttribStackSize - 1) return false;
  ++p->attrHead;
  std::memcpy(&p->attr[p->attrHead], &p->attr[p->attrHead - 1], sizeof(SvgAttrib));
  return true;
}

void SvgPopAttr(SvgParser* p)
{
  if (p->attrHead > 0) --p->attrHead;
}

bool SvgParseAttr(SvgParser* p, const char* name, const char* value)
{
  static const char* const kCaps[] = {"butt", "round", "square"};
  static const char* const kJoins[] = {"miter", "round", "bevel"};
  static const char* const kRules[] = {"nonzero", "evenodd"};
  SvgAttrib& attr = *SvgGetAttr(p);

  if (std::strcmp(name, "style") == 0)
    SvgParseStyle(p, value);
  else if (std::strcmp(name, "display") == 0)
  {
    if (std::strcmp(value, "none") == 0) attr.visible = 0;
  }
  else if (std::strcmp(name, "fill") == 0)
    ParsePaint(value, attr.hasFill, attr.fillGradient, attr.fillColor);
  else if (std::strcmp(name, "opacity") == 0)
    attr.opacity = Clamp01(SvgAtof(value));
  else if (std::strcmp(name, "fill-opacity") == 0)
    attr.fillOpacity = Clamp01(SvgAtof(value));
  else if (std::strcmp(name, "stroke") == 0)
    ParsePaint(value, attr.hasStroke, attr.strokeGradient, attr.strokeColor);
  else if (std::strcmp(name, "stroke-width") == 0)
    attr.strokeWidth = SvgParseLength(p, value, 0.0f, SvgViewDiagonal(p));
  else if (std::strcmp(name, "stroke-dasharray") == 0)
    ParseDashArray(p, value, attr);
  else if (std::strcmp(name, "stroke-dashoffset") == 0)
    attr.strokeDashOffset = SvgParseLength(p, value, 0.0f, SvgViewDiagonal(p));
  else if (std::strcmp(name, "stroke-opacity") == 0)
    attr.strokeOpacity = Clamp01(SvgAtof(value));
  else if (std::strcmp(name, "stroke-linecap") == 0)
    attr.strokeLineCap = ParseKeyword(value, kCaps, 3);
  else if (std::strcmp(name, "stroke-linejoin") == 0)
    attr.strokeLineJoin = ParseKeyword(value, kJoins, 3);
  else if (std::strcmp(name, "stroke-miterlimit") == 0)
  {
    const float limit = float(SvgAtof(value));
    attr.miterLimit = limit < 0.0f ? 0.0f : limit;
  }
  else if (std::strcmp(name, "fill-rule") == 0)
    attr.fillRule = ParseKeyword(value, kRules, 2);
  else if (std::strcmp(name, "font-size") == 0)
    attr.fontSize = SvgParseLength(p, value, 0.0f, SvgViewDiagonal(p));
  else if (std::strcmp(name, "transform") == 0)
  {
    float xform[6];
    SvgParseTransform(xform, value);
    SvgXformMultiply(xform, attr.xform);
    std::memcpy(attr.xform, xform, sizeof(xform));
  }
  else if (std::strcmp(name, "stop-color") == 0)
    attr.stopColor = SvgParseColor(value);
  else if (std::strcmp(name, "stop-opacity") == 0)
    attr.stopOpacity = Clamp01(SvgAtof(value));
  else if (std::strcmp(name, "offset") == 0)
    attr.stopOffset = SvgParseLength(p, value, 0.0f, 1.0f);
  else if (std::strcmp(name, "id") == 0)
    CopyId(attr.id, value);
  else
    return false;
  return true;
}

void SvgParseStyle(SvgParser* p, const char* str)
{
  while (*str)
  {
    while (*str && SvgIsSpace(*str)) ++str;
    const char* start = str;
    while (*str && *str != ';') ++str;
    const char* end = str;
    while (end > start && (*(end - 1) == ';' || SvgIsSpace(*(end - 1)))) --end;
    SvgParseNameValue(p, start, end);
    if (*str) ++str;
  }
}

void SvgParseAttribs(SvgParser* p, const char** attr)
{
  for (int i = 0; attr[i]; i += 2)
  {
    if (std::strcmp(attr[i], "style") == 0)
      SvgParseStyle(p, attr[i + 1]);
    else
      SvgParseAttr(p, attr[i], attr[i + 1]);
  }
}
