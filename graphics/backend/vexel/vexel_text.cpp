// Vexel text: fonts and fallbacks, the text state, text runs drawn as glyph quads from the font atlas (growing the
// atlas when it fills), measuring, metrics, glyph positions, line breaking and text boxes.
#include <cmath>
#include <cstring>

#include "vexel.h"
#include "vexel_context.h"

namespace {

constexpr float kMaxTextScale = 4.0f;
constexpr float kTextScaleStep = 0.01f;
constexpr int kTextBoxRowsPerFetch = 2;

enum CodepointType
{
  kSpace,
  kNewline,
  kChar,
  kCjkChar,
};


float Quantize(float a, float d) { return ((int)(a / d + 0.5f)) * d; }

// The scale from logical units to atlas pixels: the transform's scale in steps of 0.01, at most 4, times the
// device pixel ratio. 0 when the transform makes text unusable.
float GetFontScale(VXcontext* ctx)
{
  float a = vxGetAverageScale(vxGetState(ctx)->xform);
  if (!(a < kMaxTextScale)) a = kMaxTextScale; // also NaN
  float s = Min(Quantize(a, kTextScaleStep), kMaxTextScale) * ctx->devicePixelRatio;
  return (s > 0.0f && std::isfinite(s)) ? s : 0.0f;
}

void SetStashState(VXcontext* ctx, float scale)
{
  VXstate* state = vxGetState(ctx);
  FontStashSetSize(ctx->fs, state->fontSize * scale);
  FontStashSetSpacing(ctx->fs, state->letterSpacing * scale);
  FontStashSetBlur(ctx->fs, state->fontBlur * scale);
  FontStashSetAlign(ctx->fs, state->textAlign);
  FontStashSetFont(ctx->fs, state->fontId);
}

// Text at a size below the smallest glyph the stash makes has nothing to draw or place.
bool TooSmall(VXcontext* ctx, float scale) { return !(vxGetState(ctx)->fontSize * scale * 10.0f >= 2.0f); }

// A step that ran out of bytes inside a UTF-8 sequence completed no code point.
bool StepIncomplete(const FontStashTextIter& iter) { return iter.utf8State != 0; }

void FlushTextTexture(VXcontext* ctx)
{
  int dirty[4];
  if (FontStashValidateTexture(ctx->fs, dirty))
  {
    int fontImage = ctx->fontImages[ctx->fontImageIdx];
    if (fontImage != 0 && ctx->params.renderUpdateTexture)
    {
      int iw, ih;
      const unsigned char* data = FontStashGetTextureData(ctx->fs, &iw, &ih);
      int x = dirty[0];
      int y = dirty[1];
      int w = dirty[2] - dirty[0];
      int h = dirty[3] - dirty[1];
      ctx->params.renderUpdateTexture(ctx->params.userPtr, fontImage, x, y, w, h, data);
    }
  }
}

int vxAllocTextAtlas(VXcontext* ctx)
{
  FlushTextTexture(ctx);
  if (ctx->fontImageIdx >= kVxMaxFontImages - 1) return 0;
  int iw = 0, ih = 0;
  if (ctx->fontImages[ctx->fontImageIdx + 1] != 0)
  {
    vxGetImageSize(ctx, ctx->fontImages[ctx->fontImageIdx + 1], &iw, &ih);
  }
  else
  {
    vxGetImageSize(ctx, ctx->fontImages[ctx->fontImageIdx], &iw, &ih);
    if (iw > ih)
      ih *= 2;
    else
      iw *= 2;
    if (iw > kVxMaxFontImageSize || ih > kVxMaxFontImageSize) iw = ih = kVxMaxFontImageSize;
    if (iw <= 0 || ih <= 0 || !ctx->params.renderCreateTexture) return 0;
    ctx->fontImages[ctx->fontImageIdx + 1] =
      ctx->params.renderCreateTexture(ctx->params.userPtr, VX_TEXTURE_ALPHA, iw, ih, 0, nullptr);
    if (ctx->fontImages[ctx->fontImageIdx + 1] == 0) return 0;
  }
  // A stash that cannot take the new size keeps its full atlas: the caller gets no glyph, as with no atlas at all.
  if (!FontStashResetAtlas(ctx->fs, iw, ih)) return 0;
  ++ctx->fontImageIdx;
  return 1;
}

void RenderText(VXcontext* ctx, const VXvertex* verts, int nverts)
{
  VXstate* state = vxGetState(ctx);
  VXpaint paint = state->fill;
  paint.image = ctx->fontImages[ctx->fontImageIdx];
  paint.innerColor.a *= state->alpha;
  paint.outerColor.a *= state->alpha;
  if (ctx->params.renderTriangles)
    ctx->params.renderTriangles(ctx->params.userPtr, &paint, state->compositeOperation, &state->scissor, verts, nverts,
                                ctx->fringeWidth);
  ctx->drawCallCount++;
  ctx->textTriangleCount += nverts / 3;
}

// The atlas scale for measuring the text from `string` to `end` (null: to its terminator, which `end` is then set
// to) in the current font, with the stash set up for it; 0 when there is nothing to measure (no font, no text, or
// text too small to place).
float BeginMeasuring(VXcontext* ctx, const char* string, const char*& end)
{
  if (vxGetState(ctx)->fontId == -1 || string == nullptr) return 0.0f;
  float scale = GetFontScale(ctx);
  if (scale == 0.0f || TooSmall(ctx, scale)) return 0.0f;
  if (end == nullptr) end = string + strlen(string);
  if (string >= end) return 0.0f;
  SetStashState(ctx, scale);
  return scale;
}

// One glyph on in a measuring run (glyph bitmaps optional). A glyph that found the atlas full is tried once more in
// a larger atlas; one that still has no bitmap measures as an empty extent at the pen. False at the end of the text
// and at a step that completed no code point.
bool NextMeasuredGlyph(VXcontext* ctx, FontStashTextIter& iter, FontStashTextIter& prevIter, FontStashQuad& q)
{
  if (!FontStashTextIterNext(ctx->fs, &iter, &q) || StepIncomplete(iter)) return false;
  if (iter.prevGlyphIndex < 0 && vxAllocTextAtlas(ctx))
  {
    iter = prevIter;
    FontStashTextIterNext(ctx->fs, &iter, &q);
  }
  prevIter = iter;
  if (iter.prevGlyphIndex < 0) q.x0 = q.x1 = iter.x;
  return true;
}

CodepointType TypeOf(unsigned int codepoint, unsigned int previous)
{
  switch (codepoint)
  {
  case 9:
  case 11:
  case 12:
  case 32:
  case 0x00a0: return kSpace;
  case 10: return previous == 13 ? kSpace : kNewline;
  case 13: return previous == 10 ? kSpace : kNewline;
  case 0x0085: return kNewline;
  default:
    if ((codepoint >= 0x4E00 && codepoint <= 0x9FFF) || (codepoint >= 0x3000 && codepoint <= 0x30FF) ||
        (codepoint >= 0xFF00 && codepoint <= 0xFFEF) || (codepoint >= 0x1100 && codepoint <= 0x11FF) ||
        (codepoint >= 0x3130 && codepoint <= 0x318F) || (codepoint >= 0xAC00 && codepoint <= 0xD7AF))
      return kCjkChar;
    return kChar;
  }
}

} // namespace

// ---- fonts ----

int vxAddFontFile(VXcontext* ctx, const char* name, const char* filename)
{
  return FontStashAddFont(ctx->fs, name, filename, 0);
}

int vxAddFontFileFace(VXcontext* ctx, const char* name, const char* filename, int fontIndex)
{
  return FontStashAddFont(ctx->fs, name, filename, fontIndex);
}

int vxAddFontMemory(VXcontext* ctx, const char* name, unsigned char* data, int dataSize, int freeData)
{
  return FontStashAddFontMem(ctx->fs, name, data, dataSize, 0, freeData);
}

int vxAddFontMemoryFace(VXcontext* ctx, const char* name, unsigned char* data, int dataSize, int fontIndex,
                        int freeData)
{
  return FontStashAddFontMem(ctx->fs, name, data, dataSize, fontIndex, freeData);
}

int vxFindFont(VXcontext* ctx, const char* name)
{
  if (name == nullptr) return -1;
  return FontStashGetFontByName(ctx->fs, name);
}

int vxAddFallbackFontById(VXcontext* ctx, int baseFont, int fallbackFont)
{
  if (baseFont == -1 || fallbackFont == -1) return 0;
  return FontStashAddFallbackFont(ctx->fs, baseFont, fallbackFont);
}

int vxAddFallbackFont(VXcontext* ctx, const char* baseFont, const char* fallbackFont)
{
  return vxAddFallbackFontById(ctx, vxFindFont(ctx, baseFont), vxFindFont(ctx, fallbackFont));
}

// ---- text state ----

void vxSetFontSize(VXcontext* ctx, float size) { vxGetState(ctx)->fontSize = size; }
void vxSetFontBlur(VXcontext* ctx, float blur) { vxGetState(ctx)->fontBlur = blur; }
void vxSetLetterSpacing(VXcontext* ctx, float spacing) { vxGetState(ctx)->letterSpacing = spacing; }
void vxSetLineHeight(VXcontext* ctx, float lineHeight) { vxGetState(ctx)->lineHeight = lineHeight; }
void vxSetTextAlign(VXcontext* ctx, int align) { vxGetState(ctx)->textAlign = align; }
void vxSetFontFaceById(VXcontext* ctx, int font) { vxGetState(ctx)->fontId = font; }
void vxSetFontFaceByName(VXcontext* ctx, const char* font) { vxGetState(ctx)->fontId = vxFindFont(ctx, font); }

// ---- drawing ----

float vxDrawText(VXcontext* ctx, float x, float y, const char* string, const char* end)
{
  VXstate* state = vxGetState(ctx);
  if (state->fontId == -1 || string == nullptr) return x;
  float scale = GetFontScale(ctx);
  if (scale == 0.0f) return x;
  float invscale = 1.0f / scale;
  if (end == nullptr) end = string + strlen(string);
  if (end < string) return x;

  long need = (long)(end - string);
  if (need < 2) need = 2;
  need *= 6;
  if (need > 0x7fffffffL / (long)sizeof(VXvertex)) return x;
  int cverts = (int)need;
  VXvertex* verts = vxAllocTempVerts(ctx, cverts);
  if (verts == nullptr) return x;
  int nverts = 0;

  SetStashState(ctx, scale);
  FontStashTextIter iter, prevIter;
  FontStashQuad q;
  memset(&q, 0, sizeof(q));
  FontStashTextIterInit(ctx->fs, &iter, x * scale, y * scale, string, end, kFontStashGlyphBitmapRequired);
  prevIter = iter;
  bool drawable = !TooSmall(ctx, scale);
  while (drawable && FontStashTextIterNext(ctx->fs, &iter, &q))
  {
    if (StepIncomplete(iter)) break;
    if (iter.prevGlyphIndex == -1)
    {
      // The atlas is full: draw what is gathered, start a larger atlas and try this glyph again.
      if (nverts != 0)
      {
        RenderText(ctx, verts, nverts);
        nverts = 0;
      }
      if (!vxAllocTextAtlas(ctx)) break;
      iter = prevIter;
      FontStashTextIterNext(ctx->fs, &iter, &q);
      if (iter.prevGlyphIndex == -1) break;
    }
    prevIter = iter;
    float c[4 * 2];
    vxMatrixTransformPoint(&c[0], &c[1], state->xform, q.x0 * invscale, q.y0 * invscale);
    vxMatrixTransformPoint(&c[2], &c[3], state->xform, q.x1 * invscale, q.y0 * invscale);
    vxMatrixTransformPoint(&c[4], &c[5], state->xform, q.x1 * invscale, q.y1 * invscale);
    vxMatrixTransformPoint(&c[6], &c[7], state->xform, q.x0 * invscale, q.y1 * invscale);
    bool finite = true;
    for (float v : c) finite = finite && std::isfinite(v);
    // A glyph that the transform sends out of the numbers is left out.
    if (finite && nverts + 6 <= cverts)
    {
      verts[nverts++] = VXvertex{c[0], c[1], q.s0, q.t0};
      verts[nverts++] = VXvertex{c[4], c[5], q.s1, q.t1};
      verts[nverts++] = VXvertex{c[2], c[3], q.s1, q.t0};
      verts[nverts++] = VXvertex{c[0], c[1], q.s0, q.t0};
      verts[nverts++] = VXvertex{c[6], c[7], q.s0, q.t1};
      verts[nverts++] = VXvertex{c[4], c[5], q.s1, q.t1};
    }
  }

  FlushTextTexture(ctx);
  RenderText(ctx, verts, nverts);
  return iter.nextX / scale;
}

void vxDrawTextBox(VXcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end)
{
  VXstate* state = vxGetState(ctx);
  if (state->fontId == -1 || string == nullptr) return;
  if (end == nullptr) end = string + strlen(string);
  int oldAlign = state->textAlign;
  int haling = state->textAlign & (VX_ALIGN_LEFT | VX_ALIGN_CENTER | VX_ALIGN_RIGHT);
  int valign = state->textAlign & (VX_ALIGN_TOP | VX_ALIGN_MIDDLE | VX_ALIGN_BOTTOM | VX_ALIGN_BASELINE);
  float fontLineHeight = 0;
  vxTextMetrics(ctx, nullptr, nullptr, &fontLineHeight);
  state->textAlign = VX_ALIGN_LEFT | valign;

  VXtextRow rows[kTextBoxRowsPerFetch];
  int nrows;
  while ((nrows = vxBreakTextLines(ctx, string, end, breakRowWidth, rows, kTextBoxRowsPerFetch)))
  {
    for (int i = 0; i < nrows; i++)
    {
      const VXtextRow* row = &rows[i];
      if (haling & VX_ALIGN_LEFT)
        vxDrawText(ctx, x, y, row->start, row->end);
      else if (haling & VX_ALIGN_CENTER)
        vxDrawText(ctx, x + breakRowWidth * 0.5f - row->width * 0.5f, y, row->start, row->end);
      else if (haling & VX_ALIGN_RIGHT)
        vxDrawText(ctx, x + breakRowWidth - row->width, y, row->start, row->end);
      y += fontLineHeight * state->lineHeight;
    }
    string = rows[nrows - 1].next;
  }
  state->textAlign = oldAlign;
}

// ---- measuring ----

float vxMeasureText(VXcontext* ctx, float x, float y, const char* string, const char* end, float* bounds)
{
  VXstate* state = vxGetState(ctx);
  if (state->fontId == -1 || string == nullptr) return 0;
  float scale = GetFontScale(ctx);
  if (scale == 0.0f) return 0;
  float invscale = 1.0f / scale;
  SetStashState(ctx, scale);
  float width = FontStashTextBounds(ctx->fs, x * scale, y * scale, string, end, bounds);
  if (bounds != nullptr)
  {
    // The vertical extent is the whole line, not the glyphs'.
    FontStashLineBounds(ctx->fs, y * scale, &bounds[1], &bounds[3]);
    for (int i = 0; i < 4; i++) bounds[i] *= invscale;
  }
  return width * invscale;
}

void vxMeasureTextBox(VXcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end,
                      float* bounds)
{
  VXstate* state = vxGetState(ctx);
  float scale = GetFontScale(ctx);
  if (state->fontId == -1 || string == nullptr || scale == 0.0f)
  {
    if (bounds != nullptr) bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0.0f;
    return;
  }
  if (end == nullptr) end = string + strlen(string);
  float invscale = 1.0f / scale;
  int oldAlign = state->textAlign;
  int haling = state->textAlign & (VX_ALIGN_LEFT | VX_ALIGN_CENTER | VX_ALIGN_RIGHT);
  int valign = state->textAlign & (VX_ALIGN_TOP | VX_ALIGN_MIDDLE | VX_ALIGN_BOTTOM | VX_ALIGN_BASELINE);
  float fontLineHeight = 0;
  vxTextMetrics(ctx, nullptr, nullptr, &fontLineHeight);
  state->textAlign = VX_ALIGN_LEFT | valign;

  float minX = x, maxX = x, miny = y, maxy = y;
  float rminy = 0, rmaxy = 0;
  SetStashState(ctx, scale);
  FontStashLineBounds(ctx->fs, 0, &rminy, &rmaxy);
  rminy *= invscale;
  rmaxy *= invscale;

  VXtextRow rows[kTextBoxRowsPerFetch];
  int nrows;
  while ((nrows = vxBreakTextLines(ctx, string, end, breakRowWidth, rows, kTextBoxRowsPerFetch)))
  {
    for (int i = 0; i < nrows; i++)
    {
      const VXtextRow* row = &rows[i];
      float dx = 0;
      if (haling & VX_ALIGN_LEFT)
        dx = 0;
      else if (haling & VX_ALIGN_CENTER)
        dx = breakRowWidth * 0.5f - row->width * 0.5f;
      else if (haling & VX_ALIGN_RIGHT)
        dx = breakRowWidth - row->width;
      float rminx = x + row->minX + dx;
      float rmaxx = x + row->maxX + dx;
      minX = Min(minX, rminx);
      maxX = Max(maxX, rmaxx);
      miny = Min(miny, y + rminy);
      maxy = Max(maxy, y + rmaxy);
      y += fontLineHeight * state->lineHeight;
    }
    string = rows[nrows - 1].next;
  }
  state->textAlign = oldAlign;

  if (bounds != nullptr)
  {
    bounds[0] = minX;
    bounds[1] = miny;
    bounds[2] = maxX;
    bounds[3] = maxy;
  }
}

int vxTextGlyphPositions(VXcontext* ctx, float x, float y, const char* string, const char* end,
                         VXglyphPosition* positions, int maxPositions)
{
  if (positions == nullptr || maxPositions <= 0) return 0;
  float scale = BeginMeasuring(ctx, string, end);
  if (scale == 0.0f) return 0;
  float invscale = 1.0f / scale;

  FontStashTextIter iter, prevIter;
  FontStashQuad q;
  FontStashTextIterInit(ctx->fs, &iter, x * scale, y * scale, string, end, kFontStashGlyphBitmapOptional);
  prevIter = iter;
  int npos = 0;
  while (NextMeasuredGlyph(ctx, iter, prevIter, q))
  {
    positions[npos].str = iter.str;
    positions[npos].x = iter.x * invscale;
    positions[npos].minX = Min(iter.x, q.x0) * invscale;
    positions[npos].maxX = Max(iter.nextX, q.x1) * invscale;
    npos++;
    if (npos >= maxPositions) break;
  }
  return npos;
}

void vxTextMetrics(VXcontext* ctx, float* ascender, float* descender, float* lineHeight)
{
  VXstate* state = vxGetState(ctx);
  if (state->fontId == -1) return;
  float scale = GetFontScale(ctx);
  if (scale == 0.0f) return;
  float invscale = 1.0f / scale;
  SetStashState(ctx, scale);
  FontStashVertMetrics(ctx->fs, ascender, descender, lineHeight);
  if (ascender != nullptr) *ascender *= invscale;
  if (descender != nullptr) *descender *= invscale;
  if (lineHeight != nullptr) *lineHeight *= invscale;
}

namespace {

// Line breaking under way: the rows filled so far, the open row, the last point it may break at (the end of the
// last word before a space) and the start of the current word. Positions are in atlas units, relative to the open
// row's start x unless named absolute.
struct LineBreaker
{
  VXtextRow* rows;
  int maxRows;
  float invscale;
  int nrows = 0;
  const char* rowStart = nullptr;
  const char* rowEnd = nullptr;
  float rowStartX = 0, rowWidth = 0, rowMinX = 0, rowMaxX = 0;
  const char* breakEnd = nullptr;
  float breakWidth = 0, breakMaxX = 0;
  const char* wordStart = nullptr;
  float wordStartX = 0, wordMinXAbs = 0;
};

// Fills the next row, in logical units; false once every row is filled.
bool CloseRow(LineBreaker& lines, const char* start, const char* end, float width, float minX, float maxX,
              const char* next)
{
  VXtextRow& row = lines.rows[lines.nrows++];
  row.start = start;
  row.end = end;
  row.width = width * lines.invscale;
  row.minX = minX * lines.invscale;
  row.maxX = maxX * lines.invscale;
  row.next = next;
  return lines.nrows < lines.maxRows;
}

// Opens a row that starts at `start` (at `startX`, its first glyph's left edge at `minXAbs`) and runs to the end
// of the current glyph.
void OpenRowFrom(LineBreaker& lines, const char* start, float startX, float minXAbs, const FontStashTextIter& iter,
                 const FontStashQuad& q)
{
  lines.rowStartX = startX;
  lines.rowStart = start;
  lines.rowEnd = iter.next;
  lines.rowWidth = iter.nextX - lines.rowStartX;
  lines.rowMinX = minXAbs - lines.rowStartX;
  lines.rowMaxX = q.x1 - lines.rowStartX;
}

// Opens a row at the current glyph, which also starts a word.
void OpenRowAtGlyph(LineBreaker& lines, const FontStashTextIter& iter, const FontStashQuad& q)
{
  OpenRowFrom(lines, iter.str, iter.x, q.x0, iter, q);
  lines.wordStart = iter.str;
  lines.wordStartX = iter.x;
  lines.wordMinXAbs = q.x0;
}

// The open row has no break point yet.
void ClearBreak(LineBreaker& lines)
{
  lines.breakEnd = lines.rowStart;
  lines.breakWidth = 0.0f;
  lines.breakMaxX = 0.0f;
}

// A newline closes the open row (an empty one at the newline when none is open) and leaves none open; false once
// every row is filled.
bool BreakAtNewline(LineBreaker& lines, const FontStashTextIter& iter)
{
  if (!CloseRow(lines, lines.rowStart ? lines.rowStart : iter.str, lines.rowEnd ? lines.rowEnd : iter.str,
                lines.rowWidth, lines.rowMinX, lines.rowMaxX, iter.next))
    return false;
  ClearBreak(lines);
  lines.rowStart = nullptr;
  lines.rowEnd = nullptr;
  lines.rowWidth = 0.0f;
  lines.rowMinX = lines.rowMaxX = 0.0f;
  return true;
}

// Notes the break points and word starts at the current glyph of an open row: a row may break where a space
// follows a word, and before any CJK character, which also starts a word of its own.
void NoteBreakAndWordStart(LineBreaker& lines, const FontStashTextIter& iter, const FontStashQuad& q,
                           CodepointType ptype, CodepointType type)
{
  if (((ptype == kChar || ptype == kCjkChar) && type == kSpace) || type == kCjkChar)
  {
    lines.breakEnd = iter.str;
    lines.breakWidth = lines.rowWidth;
    lines.breakMaxX = lines.rowMaxX;
  }
  if ((ptype == kSpace && (type == kChar || type == kCjkChar)) || type == kCjkChar)
  {
    lines.wordStart = iter.str;
    lines.wordStartX = iter.x;
    lines.wordMinXAbs = q.x0;
  }
}

// Ends the open row before the current character, which would overflow it, and opens the next; false once every
// row is filled.
bool WrapRow(LineBreaker& lines, const FontStashTextIter& iter, const FontStashQuad& q)
{
  if (lines.breakEnd == lines.rowStart)
  {
    // A word longer than the row: the row ends before this character, which opens the next one.
    if (!CloseRow(lines, lines.rowStart, iter.str, iter.x - lines.rowStartX, lines.rowMinX, lines.rowMaxX, iter.str))
      return false;
    OpenRowAtGlyph(lines, iter, q);
  }
  else
  {
    // The row ends at the last break; the current word opens the next row.
    if (!CloseRow(lines, lines.rowStart, lines.breakEnd, lines.breakWidth, lines.rowMinX, lines.breakMaxX,
                  lines.wordStart))
      return false;
    OpenRowFrom(lines, lines.wordStart, lines.wordStartX, lines.wordMinXAbs, iter, q);
  }
  ClearBreak(lines);
  return true;
}

} // namespace

int vxBreakTextLines(VXcontext* ctx, const char* string, const char* end, float breakRowWidth, VXtextRow* rows,
                     int maxRows)
{
  if (maxRows <= 0 || rows == nullptr) return 0;
  float scale = BeginMeasuring(ctx, string, end);
  if (scale == 0.0f) return 0;
  breakRowWidth *= scale;

  FontStashTextIter iter, prevIter;
  FontStashQuad q;
  FontStashTextIterInit(ctx->fs, &iter, 0, 0, string, end, kFontStashGlyphBitmapOptional);
  prevIter = iter;

  LineBreaker lines{rows, maxRows, 1.0f / scale};
  CodepointType type = kSpace, ptype = kSpace;
  unsigned int pcodepoint = 0;

  while (NextMeasuredGlyph(ctx, iter, prevIter, q))
  {
    type = TypeOf(iter.codepoint, pcodepoint);
    bool isChar = type == kChar || type == kCjkChar;

    if (type == kNewline)
    {
      if (!BreakAtNewline(lines, iter)) return lines.nrows;
    }
    else if (lines.rowStart == nullptr)
    {
      if (isChar)
      {
        OpenRowAtGlyph(lines, iter, q);
        ClearBreak(lines);
      }
    }
    else
    {
      float nextWidth = iter.nextX - lines.rowStartX;
      NoteBreakAndWordStart(lines, iter, q, ptype, type);
      if (isChar && nextWidth > breakRowWidth)
      {
        if (!WrapRow(lines, iter, q)) return lines.nrows;
      }
      else if (isChar)
      {
        lines.rowEnd = iter.next;
        lines.rowWidth = nextWidth;
        lines.rowMaxX = q.x1 - lines.rowStartX;
      }
    }

    // The second half of a CR LF (or LF CR) pair pairs with nothing after it: "\r\n\r\n" is two breaks.
    const bool pairEnd = (iter.codepoint == 10 || iter.codepoint == 13) && type == kSpace;
    pcodepoint = pairEnd ? 0 : iter.codepoint;
    ptype = type;
  }

  if (lines.rowStart != nullptr)
    CloseRow(lines, lines.rowStart, lines.rowEnd, lines.rowWidth, lines.rowMinX, lines.rowMaxX, end);
  return lines.nrows;
}
