// Values inside attributes: matrices, numbers (bounded: every token goes through a small fixed buffer),
// lengths with units, colours and transform lists.
#include "affine.h"
#include <cmath>
#include <cstring>

#include "svg/svg_parser.h"

namespace
{
constexpr int kMaxExponent = 400;         // beyond this every float is 0 or infinite anyway
constexpr int kMaxFractionDigits = 18;    // further fraction digits cannot change a float
constexpr int kMaxColorComponent = 100000; // rgb() components saturate here before clamping
constexpr uint32_t kSvgGrey = 0x808080;

struct NamedColor
{
  const char* name;
  uint32_t color;
};

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

const NamedColor SvgColorNames[] = {
  {"red", Rgb(255, 0, 0)},       {"green", Rgb(0, 128, 0)},     {"blue", Rgb(0, 0, 255)},
  {"yellow", Rgb(255, 255, 0)},  {"cyan", Rgb(0, 255, 255)},    {"magenta", Rgb(255, 0, 255)},
  {"black", Rgb(0, 0, 0)},       {"grey", Rgb(128, 128, 128)},  {"gray", Rgb(128, 128, 128)},
  {"white", Rgb(255, 255, 255)},
};

int HexValue(char c)
{
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

uint32_t ParseColorHex(const char* str)
{
  const char* digits = str + 1; // past '#'
  int n = 0;
  while (digits[n] && !SvgIsSpace(digits[n])) ++n;
  if (n != 3 && n != 6) return 0;
  uint32_t v = 0;
  for (int i = 0; i < n; ++i)
  {
    const int h = HexValue(digits[i]);
    if (h < 0) break;
    v = v * 16 + uint32_t(h);
  }
  if (n == 3) v = ((v & 0xf00) << 8 | (v & 0x0f0) << 4 | (v & 0x00f)) * 0x11;
  return Rgb((v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff);
}

bool IsRgbSeparator(char c) { return c == '%' || c == ',' || c == ' ' || c == '\t'; }

// One decimal integer as scanf's %d reads it (leading whitespace, optional sign), saturated.
bool ReadInt(const char*& s, int& out)
{
  const char* q = s;
  while (SvgIsSpace(*q)) ++q;
  bool negative = false;
  if (*q == '+' || *q == '-') negative = *q++ == '-';
  if (!SvgIsDigit(*q)) return false;
  int v = 0;
  while (SvgIsDigit(*q))
  {
    if (v < kMaxColorComponent) v = v * 10 + (*q - '0');
    ++q;
  }
  out = negative ? -v : v;
  s = q;
  return true;
}

// A non-empty run of separators; tells whether it held a percent sign.
bool ReadSeparator(const char*& s, bool& percent)
{
  const char* q = s;
  while (IsRgbSeparator(*q))
  {
    if (*q == '%') percent = true;
    ++q;
  }
  if (q == s) return false;
  s = q;
  return true;
}

uint32_t ParseColorRgb(const char* str)
{
  int c[3] = {0, 0, 0};
  bool percent = false;
  const char* s = str + 4; // past "rgb("
  bool ignored = false;
  if (ReadInt(s, c[0]) && ReadSeparator(s, percent) && ReadInt(s, c[1]) && ReadSeparator(s, ignored))
    ReadInt(s, c[2]);
  uint32_t out[3];
  for (int i = 0; i < 3; ++i)
  {
    int v = percent ? c[i] * 255 / 100 : c[i];
    out[i] = uint32_t(v < 0 ? 0 : v > 255 ? 255 : v);
  }
  return Rgb(out[0], out[1], out[2]);
}

uint32_t ParseColorName(const char* str)
{
  for (const NamedColor& named : SvgColorNames)
    if (std::strcmp(named.name, str) == 0) return named.color;
  return kSvgGrey;
}

// Reads up to `maxArgs` numbers between the parentheses that follow `str`; returns where parsing goes on
// (the end of the text when there is no closing parenthesis, then `complete` is false).
const char* ParseTransformArgs(const char* str, float* args, int maxArgs, int& argCount, bool& complete)
{
  argCount = 0;
  complete = false;
  const char* ptr = str;
  while (*ptr && *ptr != '(') ++ptr;
  if (!*ptr) return ptr;
  const char* end = ptr;
  while (*end && *end != ')') ++end;
  if (!*end) return end;
  complete = true;
  char it[kSvgNumberSize];
  while (ptr < end)
  {
    if (SvgIsNumberStart(*ptr))
    {
      // A token never reaches past ')' since ')' cannot continue a number.
      ptr = SvgParseNumber(ptr, it, kSvgNumberSize);
      if (argCount < maxArgs) args[argCount++] = float(SvgAtof(it));
    }
    else
      ++ptr;
  }
  return end + 1;
}

// One transform function at `str` (which starts with its name); writes its matrix, or the identity when its
// numbers do not fit the function.
const char* ParseTransformFunction(const char* str, int kind, float* t)
{
  static const int kMaxArgs[] = {6, 2, 2, 3, 1, 1};
  float a[6] = {0, 0, 0, 0, 0, 0};
  int na = 0;
  bool complete = false;
  const char* next = ParseTransformArgs(str, a, kMaxArgs[kind], na, complete);
  SvgXformIdentity(t);
  if (!complete || na == 0) return next;
  switch (kind)
  {
    case 0: // matrix
      if (na == 6) std::memcpy(t, a, sizeof(float) * 6);
      break;
    case 1: // translate
      SvgXformSetTranslation(t, a[0], na > 1 ? a[1] : 0.0f);
      break;
    case 2: // scale
      SvgXformSetScale(t, a[0], na > 1 ? a[1] : a[0]);
      break;
    case 3: // rotate
    {
      if (na == 2) break;
      const float r = a[0] / 180.0f * kSvgPi;
      float m[6] = {std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0};
      if (na == 3)
      {
        float about[6];
        SvgXformSetTranslation(t, -a[1], -a[2]);
        SvgXformMultiply(t, m);
        SvgXformSetTranslation(about, a[1], a[2]);
        SvgXformMultiply(t, about);
      }
      else
        std::memcpy(t, m, sizeof(m));
      break;
    }
    case 4: // skewX
      t[2] = std::tan(a[0] / 180.0f * kSvgPi);
      break;
    case 5: // skewY
      t[1] = std::tan(a[0] / 180.0f * kSvgPi);
      break;
  }
  return next;
}
} // namespace

// ---- matrices ------------------------------------------------------------------------------------------

void SvgXformIdentity(float* t)
{
  t[0] = 1.0f;
  t[1] = 0.0f;
  t[2] = 0.0f;
  t[3] = 1.0f;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

void SvgXformSetTranslation(float* t, float tx, float ty)
{
  SvgXformIdentity(t);
  t[4] = tx;
  t[5] = ty;
}

void SvgXformSetScale(float* t, float sx, float sy)
{
  SvgXformIdentity(t);
  t[0] = sx;
  t[3] = sy;
}

void SvgXformMultiply(float* t, const float* s) { affine::Multiply(t, s); }

void SvgXformPremultiply(float* t, const float* s) { affine::Premultiply(t, s); }

void SvgXformInverse(float* inv, const float* t)
{
  const double det = double(t[0]) * t[3] - double(t[2]) * t[1];
  if (det > -1e-6 && det < 1e-6)
  {
    SvgXformIdentity(inv);
    return;
  }
  const double invdet = 1.0 / det;
  inv[0] = float(t[3] * invdet);
  inv[2] = float(-t[2] * invdet);
  inv[4] = float((double(t[2]) * t[5] - double(t[3]) * t[4]) * invdet);
  inv[1] = float(-t[1] * invdet);
  inv[3] = float(t[0] * invdet);
  inv[5] = float((double(t[1]) * t[4] - double(t[0]) * t[5]) * invdet);
}

void SvgXformPoint(float* dx, float* dy, float x, float y, const float* t)
{
  *dx = x * t[0] + y * t[2] + t[4];
  *dy = x * t[1] + y * t[3] + t[5];
}

// ---- numbers and lengths --------------------------------------------------------------------------------

bool SvgIsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool SvgIsDigit(char c) { return c >= '0' && c <= '9'; }

bool SvgIsNumberStart(char c) { return SvgIsDigit(c) || c == '+' || c == '-' || c == '.'; }

const char* SvgParseNumber(const char* s, char* it, int size)
{
  const int last = size - 1;
  int i = 0;
  auto take = [&]() {
    if (i < last) it[i++] = *s;
    ++s;
  };
  if (*s == '-' || *s == '+') take();
  while (SvgIsDigit(*s)) take();
  if (*s == '.')
  {
    take();
    while (SvgIsDigit(*s)) take();
  }
  // An 'e' before "m" or "x" is the unit em or ex, not an exponent.
  if ((*s == 'e' || *s == 'E') && s[1] != 'm' && s[1] != 'x')
  {
    take();
    if (*s == '-' || *s == '+') take();
    while (SvgIsDigit(*s)) take();
  }
  it[i] = '\0';
  return s;
}

const char* SvgNextItem(const char* s, char* it)
{
  it[0] = '\0';
  while (*s && (SvgIsSpace(*s) || *s == ',')) ++s;
  if (!*s) return s;
  if (SvgIsNumberStart(*s)) return SvgParseNumber(s, it, kSvgNumberSize);
  it[0] = *s++;
  it[1] = '\0';
  return s;
}

double SvgAtof(const char* s)
{
  const char* cur = s;
  double sign = 1.0;
  if (*cur == '+')
    ++cur;
  else if (*cur == '-')
  {
    sign = -1.0;
    ++cur;
  }
  double res = 0.0;
  bool hasIntPart = false;
  bool hasFracPart = false;
  while (SvgIsDigit(*cur))
  {
    res = res * 10.0 + (*cur - '0');
    hasIntPart = true;
    ++cur;
  }
  if (*cur == '.' && SvgIsDigit(cur[1]))
  {
    ++cur;
    double frac = 0.0;
    double scale = 1.0;
    int count = 0;
    while (SvgIsDigit(*cur))
    {
      if (count < kMaxFractionDigits)
      {
        frac = frac * 10.0 + (*cur - '0');
        scale *= 10.0;
        ++count;
      }
      ++cur;
    }
    res += frac / scale;
    hasFracPart = true;
  }
  if (!hasIntPart && !hasFracPart) return 0.0;
  if (*cur == 'e' || *cur == 'E')
  {
    ++cur;
    bool negative = false;
    if (*cur == '+' || *cur == '-') negative = *cur++ == '-';
    if (SvgIsDigit(*cur))
    {
      int exponent = 0;
      while (SvgIsDigit(*cur))
      {
        if (exponent < kMaxExponent) exponent = exponent * 10 + (*cur - '0');
        ++cur;
      }
      if (exponent > kMaxExponent) exponent = kMaxExponent;
      if (res != 0.0) res *= std::pow(10.0, negative ? -exponent : exponent);
    }
  }
  return res * sign;
}

SvgCoordinate SvgParseCoordinate(const char* str)
{
  char buf[kSvgNumberSize];
  while (SvgIsSpace(*str)) ++str;
  const char* units = SvgParseNumber(str, buf, kSvgNumberSize);
  SvgCoordinate coord;
  coord.value = float(SvgAtof(buf));
  coord.units = kSvgUnitsUser;
  if (units[0] == 'c' && units[1] == 'm')
    coord.units = kSvgUnitsCm;
  else if (units[0] == 'e' && units[1] == 'm')
    coord.units = kSvgUnitsEm;
  else if (units[0] == 'e' && units[1] == 'x')
    coord.units = kSvgUnitsEx;
  else if (units[0] == 'i' && units[1] == 'n')
    coord.units = kSvgUnitsIn;
  else if (units[0] == 'm' && units[1] == 'm')
    coord.units = kSvgUnitsMm;
  else if (units[0] == 'p' && units[1] == 'c')
    coord.units = kSvgUnitsPc;
  else if (units[0] == 'p' && units[1] == 't')
    coord.units = kSvgUnitsPt;
  else if (units[0] == 'p' && units[1] == 'x')
    coord.units = kSvgUnitsPx;
  else if (units[0] == '%')
    coord.units = kSvgUnitsPercent;
  return coord;
}

float SvgConvertToPixels(const SvgParser* p, SvgCoordinate c, float orig, float length)
{
  const SvgAttrib& attr = p->attr[p->attrHead];
  switch (c.units)
  {
    case kSvgUnitsUser:
    case kSvgUnitsPx: return c.value;
    case kSvgUnitsPt: return c.value / 72.0f * p->dpi;
    case kSvgUnitsPc: return c.value / 6.0f * p->dpi;
    case kSvgUnitsMm: return c.value / 25.4f * p->dpi;
    case kSvgUnitsCm: return c.value / 2.54f * p->dpi;
    case kSvgUnitsIn: return c.value * p->dpi;
    case kSvgUnitsEm: return c.value * attr.fontSize;
    case kSvgUnitsEx: return c.value * attr.fontSize * 0.52f;
    case kSvgUnitsPercent: return orig + c.value / 100.0f * length;
    default: return c.value;
  }
}

float SvgParseLength(const SvgParser* p, const char* str, float orig, float length)
{
  return SvgConvertToPixels(p, SvgParseCoordinate(str), orig, length);
}

float SvgViewDiagonal(const SvgParser* p)
{
  const float w = p->viewWidth;
  const float h = p->viewHeight;
  return std::sqrt(w * w + h * h) / 1.4142135f;
}

// ---- colours and transforms -------------------------------------------------------------------------------

uint32_t SvgParseColor(const char* str)
{
  while (*str == ' ') ++str;
  const size_t len = std::strlen(str);
  if (len >= 1 && *str == '#') return ParseColorHex(str);
  if (len >= 4 && str[0] == 'r' && str[1] == 'g' && str[2] == 'b' && str[3] == '(') return ParseColorRgb(str);
  return ParseColorName(str);
}

void SvgParseTransform(float* xform, const char* str)
{
  static const char* const kNames[] = {"matrix", "translate", "scale", "rotate", "skewX", "skewY"};
  SvgXformIdentity(xform);
  while (*str)
  {
    int kind = -1;
    for (int k = 0; k < 6 && kind < 0; ++k)
      if (std::strncmp(str, kNames[k], std::strlen(kNames[k])) == 0) kind = k;
    if (kind < 0)
    {
      ++str;
      continue;
    }
    float t[6];
    str = ParseTransformFunction(str, kind, t);
    SvgXformPremultiply(xform, t);
  }
}
