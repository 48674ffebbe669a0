// The font stash: fonts, glyph cache, skyline atlas, rasterisation through stb_truetype and text iteration.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct FontStashContext;
static void* FontStashScratchAlloc(size_t size, void* up);
static void FontStashScratchFree(void* ptr, void* up);

// stb_truetype is compiled here, private to this file, so that its temporary memory comes from the stash's
// scratch buffer.
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_malloc(x, u) FontStashScratchAlloc(x, u)
#define STBTT_free(x, u) FontStashScratchFree(x, u)
#include <stb/stb_truetype.h>
#undef STB_TRUETYPE_IMPLEMENTATION

#include "coretext/drawable_face.h"
#include "font_stash.h"

namespace {

constexpr unsigned int kUtf8Accept = 0;
constexpr unsigned int kUtf8Reject = 12;
constexpr int kMaxGlyphSize = 32767; // pixel size times ten, as stored in a glyph

// The UTF-8 decoding automaton: 256 byte classes, then the transitions of its nine states (multiples of 12).
struct Utf8Table
{
  unsigned char t[364];
  constexpr Utf8Table() : t{}
  {
    for (int b = 0; b < 256; ++b)
    {
      unsigned char c = 8;
      if (b <= 0x7F) c = 0;
      else if (b <= 0x8F) c = 1;
      else if (b <= 0x9F) c = 9;
      else if (b <= 0xBF) c = 7;
      else if (b <= 0xC1) c = 8;
      else if (b <= 0xDF) c = 2;
      else if (b == 0xE0) c = 10;
      else if (b == 0xED) c = 4;
      else if (b <= 0xEF) c = 3;
      else if (b == 0xF0) c = 11;
      else if (b <= 0xF3) c = 6;
      else if (b == 0xF4) c = 5;
      t[b] = c;
    }
    for (int i = 256; i < 364; ++i) t[i] = kUtf8Reject;
    auto set = [this](int state, int cls, int next) { t[256 + state + cls] = (unsigned char)next; };
    set(0, 0, 0);
    set(0, 2, 24);
    set(0, 3, 36);
    set(0, 10, 48);
    set(0, 4, 60);
    set(0, 11, 72);
    set(0, 6, 84);
    set(0, 5, 96);
    const int continuation[3] = {1, 7, 9};
    for (int cls : continuation)
    {
      set(24, cls, 0);
      set(36, cls, 24);
      set(84, cls, 36);
    }
    set(48, 7, 24);
    set(60, 1, 24);
    set(60, 9, 24);
    set(72, 7, 36);
    set(72, 9, 36);
    set(96, 1, 36);
  }
};
constexpr Utf8Table kUtf8;

unsigned int HashInt(unsigned int a)
{
  a += ~(a << 15);
  a ^= (a >> 10);
  a += (a << 3);
  a ^= (a >> 6);
  a += ~(a << 11);
  a ^= (a >> 16);
  return a;
}

int Min(int a, int b) { return a < b ? a : b; }
int Max(int a, int b) { return a > b ? a : b; }

// Float to int by truncation that saturates instead of overflowing; NaN gives 0.
int TruncateClamped(float v)
{
  if (!(v == v)) return 0;
  if (v >= 1.0e9f) return 1000000000;
  if (v <= -1.0e9f) return -1000000000;
  return (int)v;
}

short ToShortClamped(float v)
{
  if (!(v == v)) return 0;
  if (v >= 32767.0f) return 32767;
  if (v <= -32768.0f) return -32768;
  return (short)v;
}

// Pixel size times ten as stored with a glyph; NaN and negative sizes give 0, huge sizes stop at the largest.
short GlyphSize(float size)
{
  float s = size * 10.0f;
  if (!(s > 0.0f)) return 0;
  if (s >= (float)kMaxGlyphSize) return (short)kMaxGlyphSize;
  return (short)s;
}

short GlyphBlur(float blur)
{
  if (!(blur > 0.0f)) return 0;
  if (blur >= (float)kFontStashMaxBlur) return (short)kFontStashMaxBlur;
  return (short)blur;
}

FontStashState* GetState(FontStashContext* stash) { return &stash->states[stash->stateCount - 1]; }

FontStashFont* ValidFont(FontStashContext* stash, int id)
{
  if (id < 0 || id >= stash->fontCount) return nullptr;
  FontStashFont* font = stash->fonts[id];
  return (font && font->data) ? font : nullptr;
}

void FreeFont(FontStashFont* font)
{
  if (!font) return;
  free(font->glyphs);
  if (font->freeData && font->data) free(font->data);
  free(font);
}

// ---- atlas ----

FontStashAtlas* AllocAtlas(int w, int h, int nodeCount)
{
  FontStashAtlas* atlas = (FontStashAtlas*)calloc(1, sizeof(FontStashAtlas));
  if (!atlas) return nullptr;
  atlas->width = w;
  atlas->height = h;
  atlas->nodes = (FontStashAtlasNode*)calloc((size_t)nodeCount, sizeof(FontStashAtlasNode));
  if (!atlas->nodes)
  {
    free(atlas);
    return nullptr;
  }
  atlas->nodeCapacity = nodeCount;
  atlas->nodes[0].x = 0;
  atlas->nodes[0].y = 0;
  atlas->nodes[0].width = (short)w;
  atlas->nodeCount = 1;
  return atlas;
}

void DeleteAtlas(FontStashAtlas* atlas)
{
  if (!atlas) return;
  free(atlas->nodes);
  free(atlas);
}

int AtlasInsertNode(FontStashAtlas* atlas, int idx, int x, int y, int w)
{
  if (atlas->nodeCount + 1 > atlas->nodeCapacity)
  {
    int cap = atlas->nodeCapacity == 0 ? 8 : atlas->nodeCapacity * 2;
    void* nodes = realloc(atlas->nodes, sizeof(FontStashAtlasNode) * (size_t)cap);
    if (!nodes) return 0;
    atlas->nodes = (FontStashAtlasNode*)nodes;
    atlas->nodeCapacity = cap;
  }
  for (int i = atlas->nodeCount; i > idx; i--) atlas->nodes[i] = atlas->nodes[i - 1];
  atlas->nodes[idx].x = (short)x;
  atlas->nodes[idx].y = (short)y;
  atlas->nodes[idx].width = (short)w;
  atlas->nodeCount++;
  return 1;
}

void AtlasRemoveNode(FontStashAtlas* atlas, int idx)
{
  if (atlas->nodeCount == 0) return;
  for (int i = idx; i < atlas->nodeCount - 1; i++) atlas->nodes[i] = atlas->nodes[i + 1];
  atlas->nodeCount--;
}

void AtlasReset(FontStashAtlas* atlas, int w, int h)
{
  atlas->width = w;
  atlas->height = h;
  atlas->nodeCount = 0;
  AtlasInsertNode(atlas, 0, 0, 0, w);
}

int AtlasAddSkylineLevel(FontStashAtlas* atlas, int idx, int x, int y, int w, int h)
{
  if (!AtlasInsertNode(atlas, idx, x, y + h, w)) return 0;
  // The nodes under the new one shrink or go.
  for (int i = idx + 1; i < atlas->nodeCount; i++)
  {
    FontStashAtlasNode& prev = atlas->nodes[i - 1];
    FontStashAtlasNode& node = atlas->nodes[i];
    if (node.x >= prev.x + prev.width) break;
    int shrink = prev.x + prev.width - node.x;
    node.x = (short)(node.x + shrink);
    node.width = (short)(node.width - shrink);
    if (node.width > 0) break;
    AtlasRemoveNode(atlas, i);
    i--;
  }
  // Neighbours at one height become one node.
  for (int i = 0; i < atlas->nodeCount - 1; i++)
  {
    if (atlas->nodes[i].y == atlas->nodes[i + 1].y)
    {
      atlas->nodes[i].width = (short)(atlas->nodes[i].width + atlas->nodes[i + 1].width);
      AtlasRemoveNode(atlas, i + 1);
      i--;
    }
  }
  return 1;
}

// The height at which a w x h rectangle rests on the skyline from node i, or -1 when it does not fit there.
int AtlasRectFits(FontStashAtlas* atlas, int i, int w, int h)
{
  int x = atlas->nodes[i].x;
  int y = atlas->nodes[i].y;
  if (x + w > atlas->width) return -1;
  int spaceLeft = w;
  while (spaceLeft > 0)
  {
    if (i == atlas->nodeCount) return -1;
    y = Max(y, atlas->nodes[i].y);
    if (y + h > atlas->height) return -1;
    spaceLeft -= atlas->nodes[i].width;
    ++i;
  }
  return y;
}

void AddWhiteRect(FontStashContext* stash, int w, int h)
{
  int gx, gy;
  if (!FontStashAtlasAddRect(stash->atlas, w, h, &gx, &gy)) return;
  unsigned char* dst = &stash->texels[gx + gy * stash->params.width];
  for (int y = 0; y < h; y++)
  {
    for (int x = 0; x < w; x++) dst[x] = 0xff;
    dst += stash->params.width;
  }
  stash->dirtyRect[0] = Min(stash->dirtyRect[0], gx);
  stash->dirtyRect[1] = Min(stash->dirtyRect[1], gy);
  stash->dirtyRect[2] = Max(stash->dirtyRect[2], gx + w);
  stash->dirtyRect[3] = Max(stash->dirtyRect[3], gy + h);
}

void EmptyDirtyRect(FontStashContext* stash)
{
  stash->dirtyRect[0] = stash->params.width;
  stash->dirtyRect[1] = stash->params.height;
  stash->dirtyRect[2] = 0;
  stash->dirtyRect[3] = 0;
}

void Flush(FontStashContext* stash)
{
  if (stash->dirtyRect[0] < stash->dirtyRect[2] && stash->dirtyRect[1] < stash->dirtyRect[3])
  {
    if (stash->params.renderUpdate)
      stash->params.renderUpdate(stash->params.userPtr, stash->dirtyRect, stash->texels);
    EmptyDirtyRect(stash);
  }
  if (stash->nverts > 0)
  {
    if (stash->params.renderDraw)
      stash->params.renderDraw(stash->params.userPtr, stash->verts, stash->textureCoords, stash->colors, stash->nverts);
    stash->nverts = 0;
  }
}

void ForgetGlyphs(FontStashContext* stash)
{
  for (int i = 0; i < stash->fontCount; i++)
  {
    FontStashFont* font = stash->fonts[i];
    font->glyphCount = 0;
    for (int j = 0; j < kFontStashHashSize; j++) font->lookup[j] = -1;
  }
}

// ---- glyphs ----

int FindGlyph(FontStashFont* font, unsigned int codepoint, short glyphSize, short glyphBlur)
{
  int i = font->lookup[HashInt(codepoint) & (kFontStashHashSize - 1)];
  while (i != -1)
  {
    const FontStashGlyph& g = font->glyphs[i];
    if (g.codepoint == codepoint && g.size == glyphSize && g.blur == glyphBlur) return i;
    i = g.next;
  }
  return -1;
}

int AllocGlyph(FontStashFont* font)
{
  if (font->glyphCount + 1 > font->glyphCapacity)
  {
    int cap = font->glyphCapacity == 0 ? 8 : font->glyphCapacity * 2;
    void* glyphs = realloc(font->glyphs, sizeof(FontStashGlyph) * (size_t)cap);
    if (!glyphs) return -1;
    font->glyphs = (FontStashGlyph*)glyphs;
    font->glyphCapacity = cap;
  }
  font->glyphCount++;
  return font->glyphCount - 1;
}

float VertAlign(FontStashContext* stash, FontStashFont* font, int align, short glyphSize)
{
  float sign = (stash->params.flags & kFontStashZeroTopLeft) ? 1.0f : -1.0f;
  float size = glyphSize / 10.0f;
  if (align & kFontStashAlignTop) return sign * font->ascender * size;
  if (align & kFontStashAlignMiddle) return sign * (font->ascender + font->descender) / 2.0f * size;
  if (align & kFontStashAlignBaseline) return 0.0f;
  if (align & kFontStashAlignBottom) return sign * font->descender * size;
  return 0.0f;
}

// The glyph of a code point; a character map that names a glyph the face does not have gives the missing glyph,
// since the metric readers would look past their tables for it.
int GlyphIndex(FontStashFont* font, unsigned int codepoint)
{
  int g = stbtt_FindGlyphIndex(&font->font, (int)codepoint);
  return g > 0 && g < font->font.numGlyphs ? g : 0;
}

// The font reader looks up a face in a collection's header without knowing the size of the bytes: check it first.
bool CollectionHeaderFits(const unsigned char* data, int size, int index)
{
  if (size < 12 || index < 0) return false;
  if (memcmp(data, "ttcf", 4) != 0) return true;
  return 12L + 4L * ((long)index + 1) <= (long)size;
}

} // namespace

// ---- scratch memory of the rasteriser ----

static void* FontStashScratchAlloc(size_t size, void* up)
{
  FontStashContext* stash = (FontStashContext*)up;
  size_t rounded = (size + 0xf) & ~(size_t)0xf;
  if (stash && stash->scratch && rounded >= size && rounded <= (size_t)(kFontStashScratchSize - stash->scratchUsed))
  {
    unsigned char* ptr = stash->scratch + stash->scratchUsed;
    stash->scratchUsed += (int)rounded;
    return ptr;
  }
  // The scratch has run out: report it, then serve the request from the heap.
  if (stash && stash->handleError)
  {
    size_t wanted = (size_t)stash->scratchUsed + size;
    stash->handleError(stash->errorUserPtr, kFontStashScratchFull, wanted > 0x7fffffff ? 0x7fffffff : (int)wanted);
  }
  return malloc(size);
}

static void FontStashScratchFree(void* ptr, void* up)
{
  FontStashContext* stash = (FontStashContext*)up;
  unsigned char* p = (unsigned char*)ptr;
  if (stash && stash->scratch && p >= stash->scratch && p < stash->scratch + kFontStashScratchSize) return;
  free(ptr);
}

unsigned int FontStashDecodeUtf8(unsigned int* state, unsigned int* codepoint, unsigned int byte)
{
  unsigned int type = kUtf8.t[byte & 0xff];
  *codepoint = (*state != kUtf8Accept) ? (byte & 0x3fu) | (*codepoint << 6) : (0xffu >> type) & byte;
  *state = kUtf8.t[256 + *state + type];
  return *state;
}

// ---- creation ----

FontStashContext* FontStashCreate(const FontStashParams* params)
{
  if (!params || params->width <= 0 || params->height <= 0 || params->width > 32767 || params->height > 32767)
    return nullptr;
  FontStashContext* stash = (FontStashContext*)calloc(1, sizeof(FontStashContext));
  if (!stash) return nullptr;
  stash->params = *params;
  stash->scratch = (unsigned char*)malloc(kFontStashScratchSize);
  if (!stash->scratch) goto error;
  if (stash->params.renderCreate &&
      stash->params.renderCreate(stash->params.userPtr, stash->params.width, stash->params.height) == 0)
    goto error;
  stash->atlas = AllocAtlas(stash->params.width, stash->params.height, kFontStashInitAtlasNodes);
  if (!stash->atlas) goto error;
  stash->fonts = (FontStashFont**)calloc(kFontStashInitFonts, sizeof(FontStashFont*));
  if (!stash->fonts) goto error;
  stash->fontCapacity = kFontStashInitFonts;
  stash->fontCount = 0;
  stash->inverseWidth = 1.0f / stash->params.width;
  stash->inverseHeight = 1.0f / stash->params.height;
  stash->texels = (unsigned char*)calloc((size_t)stash->params.width * stash->params.height, 1);
  if (!stash->texels) goto error;
  EmptyDirtyRect(stash);
  AddWhiteRect(stash, 2, 2);
  FontStashPushState(stash);
  FontStashClearState(stash);
  return stash;

error:
  FontStashDelete(stash);
  return nullptr;
}

void FontStashDelete(FontStashContext* stash)
{
  if (!stash) return;
  if (stash->params.renderDelete) stash->params.renderDelete(stash->params.userPtr);
  for (int i = 0; i < stash->fontCount; ++i) FreeFont(stash->fonts[i]);
  free(stash->fonts);
  DeleteAtlas(stash->atlas);
  free(stash->texels);
  free(stash->scratch);
  free(stash);
}

void FontStashSetErrorCallback(FontStashContext* stash, void (*callback)(void* userPtr, int error, int val), void* userPtr)
{
  if (!stash) return;
  stash->handleError = callback;
  stash->errorUserPtr = userPtr;
}

void FontStashGetAtlasSize(FontStashContext* stash, int* width, int* height)
{
  if (!stash) return;
  if (width) *width = stash->params.width;
  if (height) *height = stash->params.height;
}

int FontStashExpandAtlas(FontStashContext* stash, int width, int height)
{
  if (!stash) return 0;
  width = Max(width, stash->params.width);
  height = Max(height, stash->params.height);
  if (width == stash->params.width && height == stash->params.height) return 1;
  if (width > 32767 || height > 32767) return 0;
  Flush(stash);
  if (stash->params.renderResize && stash->params.renderResize(stash->params.userPtr, width, height) == 0) return 0;
  unsigned char* data = (unsigned char*)malloc((size_t)width * height);
  if (!data) return 0;
  for (int i = 0; i < stash->params.height; i++)
  {
    unsigned char* dst = &data[(size_t)i * width];
    unsigned char* src = &stash->texels[(size_t)i * stash->params.width];
    memcpy(dst, src, (size_t)stash->params.width);
    if (width > stash->params.width) memset(dst + stash->params.width, 0, (size_t)(width - stash->params.width));
  }
  if (height > stash->params.height)
    memset(&data[(size_t)stash->params.height * width], 0, (size_t)(height - stash->params.height) * width);
  free(stash->texels);
  stash->texels = data;
  if (width > stash->params.width)
    AtlasInsertNode(stash->atlas, stash->atlas->nodeCount, stash->params.width, 0, width - stash->params.width);
  stash->atlas->width = width;
  stash->atlas->height = height;
  int maxy = 0;
  for (int i = 0; i < stash->atlas->nodeCount; i++) maxy = Max(maxy, stash->atlas->nodes[i].y);
  stash->dirtyRect[0] = 0;
  stash->dirtyRect[1] = 0;
  stash->dirtyRect[2] = stash->params.width;
  stash->dirtyRect[3] = maxy;
  stash->params.width = width;
  stash->params.height = height;
  stash->inverseWidth = 1.0f / stash->params.width;
  stash->inverseHeight = 1.0f / stash->params.height;
  return 1;
}

int FontStashResetAtlas(FontStashContext* stash, int width, int height)
{
  if (!stash || width <= 0 || height <= 0 || width > 32767 || height > 32767) return 0;
  Flush(stash);
  if (stash->params.renderResize && stash->params.renderResize(stash->params.userPtr, width, height) == 0) return 0;
  // The buffer first: when it cannot take the new size, nothing else changes and glyphs keep fitting the old one.
  void* data = realloc(stash->texels, (size_t)width * height);
  if (!data) return 0;
  stash->texels = (unsigned char*)data;
  AtlasReset(stash->atlas, width, height);
  memset(stash->texels, 0, (size_t)width * height);
  stash->params.width = width;
  stash->params.height = height;
  EmptyDirtyRect(stash);
  ForgetGlyphs(stash);
  stash->inverseWidth = 1.0f / stash->params.width;
  stash->inverseHeight = 1.0f / stash->params.height;
  AddWhiteRect(stash, 2, 2);
  return 1;
}

// ---- fonts ----

int FontStashAddFontMem(FontStashContext* stash, const char* name, unsigned char* data, int dataSize, int fontIndex,
                        int freeData)
{
  if (!stash || !data || dataSize <= 0)
  {
    if (freeData) free(data);
    return -1;
  }
  if (stash->fontCount + 1 > stash->fontCapacity)
  {
    int cap = stash->fontCapacity == 0 ? 8 : stash->fontCapacity * 2;
    void* fonts = realloc(stash->fonts, sizeof(FontStashFont*) * (size_t)cap);
    if (!fonts)
    {
      if (freeData) free(data);
      return -1;
    }
    stash->fonts = (FontStashFont**)fonts;
    stash->fontCapacity = cap;
  }
  FontStashFont* font = (FontStashFont*)calloc(1, sizeof(FontStashFont));
  if (!font)
  {
    if (freeData) free(data);
    return -1;
  }
  font->glyphs = (FontStashGlyph*)calloc(kFontStashInitGlyphs, sizeof(FontStashGlyph));
  font->data = data;
  font->dataSize = dataSize;
  font->freeData = (unsigned char)(freeData ? 1 : 0);
  if (!font->glyphs)
  {
    FreeFont(font);
    return -1;
  }
  font->glyphCapacity = kFontStashInitGlyphs;
  for (int i = 0; i < kFontStashHashSize; ++i) font->lookup[i] = -1;
  snprintf(font->name, sizeof(font->name), "%s", name ? name : "");

  stash->scratchUsed = 0;
  int offset = CollectionHeaderFits(data, dataSize, fontIndex) ? stbtt_GetFontOffsetForIndex(data, fontIndex) : -1;
  font->font.userdata = stash;
  if (offset < 0 || !coretext::FaceIsDrawable(data, (size_t)dataSize, (size_t)offset) || !stbtt_InitFont(&font->font, data, offset))
  {
    FreeFont(font);
    return -1;
  }
  font->font.userdata = stash;
  int ascent, descent, lineGap;
  stbtt_GetFontVMetrics(&font->font, &ascent, &descent, &lineGap);
  int fh = ascent - descent;
  if (fh <= 0)
  {
    FreeFont(font);
    return -1;
  }
  font->ascender = (float)ascent / (float)fh;
  font->descender = (float)descent / (float)fh;
  font->lineHeight = (float)(fh + lineGap) / (float)fh;
  stash->fonts[stash->fontCount++] = font;
  return stash->fontCount - 1;
}

int FontStashAddFont(FontStashContext* stash, const char* name, const char* path, int fontIndex)
{
  if (!stash || !path) return -1;
  FILE* fp = fopen(path, "rb");
  if (!fp) return -1;
  unsigned char* data = nullptr;
  long size = -1;
  if (fseek(fp, 0, SEEK_END) == 0) size = ftell(fp);
  if (size <= 0 || size > 0x7fffffff || fseek(fp, 0, SEEK_SET) != 0)
  {
    fclose(fp);
    return -1;
  }
  data = (unsigned char*)malloc((size_t)size);
  if (!data)
  {
    fclose(fp);
    return -1;
  }
  size_t got = fread(data, 1, (size_t)size, fp);
  fclose(fp);
  if (got != (size_t)size)
  {
    free(data);
    return -1;
  }
  return FontStashAddFontMem(stash, name, data, (int)size, fontIndex, 1);
}

int FontStashGetFontByName(FontStashContext* stash, const char* name)
{
  if (!stash || !name) return -1;
  for (int i = 0; i < stash->fontCount; i++)
    if (strcmp(stash->fonts[i]->name, name) == 0) return i;
  return -1;
}

int FontStashAddFallbackFont(FontStashContext* stash, int base, int fallback)
{
  if (!stash || base < 0 || base >= stash->fontCount || fallback < 0 || fallback >= stash->fontCount) return 0;
  FontStashFont* baseFont = stash->fonts[base];
  if (baseFont->fallbackCount >= kFontStashMaxFallbacks) return 0;
  baseFont->fallbacks[baseFont->fallbackCount++] = fallback;
  return 1;
}

// ---- state ----

void FontStashPushState(FontStashContext* stash)
{
  if (stash->stateCount >= kFontStashMaxStates)
  {
    if (stash->handleError) stash->handleError(stash->errorUserPtr, kFontStashStatesOverflow, 0);
    return;
  }
  if (stash->stateCount > 0) stash->states[stash->stateCount] = stash->states[stash->stateCount - 1];
  stash->stateCount++;
}

void FontStashPopState(FontStashContext* stash)
{
  if (stash->stateCount <= 1)
  {
    if (stash->handleError) stash->handleError(stash->errorUserPtr, kFontStashStatesUnderflow, 0);
    return;
  }
  stash->stateCount--;
}

void FontStashClearState(FontStashContext* stash)
{
  FontStashState* state = GetState(stash);
  state->size = 12.0f;
  state->color = 0xffffffff;
  state->font = 0;
  state->blur = 0;
  state->spacing = 0;
  state->align = kFontStashAlignLeft | kFontStashAlignBaseline;
}

void FontStashSetSize(FontStashContext* stash, float size) { GetState(stash)->size = size; }
void FontStashSetColor(FontStashContext* stash, unsigned int color) { GetState(stash)->color = color; }
void FontStashSetSpacing(FontStashContext* stash, float spacing) { GetState(stash)->spacing = spacing; }
void FontStashSetBlur(FontStashContext* stash, float blur) { GetState(stash)->blur = blur; }
void FontStashSetAlign(FontStashContext* stash, int align) { GetState(stash)->align = align; }
void FontStashSetFont(FontStashContext* stash, int font) { GetState(stash)->font = font; }

// ---- atlas packing and blur ----

int FontStashAtlasAddRect(FontStashAtlas* atlas, int rw, int rh, int* rx, int* ry)
{
  if (!atlas || rw <= 0 || rh <= 0) return 0;
  int besth = 0, bestw = 0, besti = -1, bestx = -1, besty = -1;
  for (int i = 0; i < atlas->nodeCount; i++)
  {
    int y = AtlasRectFits(atlas, i, rw, rh);
    if (y == -1) continue;
    if (besti == -1 || y + rh < besth || (y + rh == besth && atlas->nodes[i].width < bestw))
    {
      besti = i;
      bestw = atlas->nodes[i].width;
      besth = y + rh;
      bestx = atlas->nodes[i].x;
      besty = y;
    }
  }
  if (besti == -1) return 0;
  if (!AtlasAddSkylineLevel(atlas, besti, bestx, besty, rw, rh)) return 0;
  *rx = bestx;
  *ry = besty;
  return 1;
}

static void BlurColumns(unsigned char* dst, int w, int h, int dstStride, int alpha)
{
  for (int x = 0; x < w; x++)
  {
    int z = 0;
    for (int y = dstStride; y < h * dstStride; y += dstStride)
    {
      z += (alpha * (((int)(dst[y]) << 7) - z)) >> 16;
      dst[y] = (unsigned char)(z >> 7);
    }
    z = 0;
    for (int y = (h - 2) * dstStride; y >= 0; y -= dstStride)
    {
      z += (alpha * (((int)(dst[y]) << 7) - z)) >> 16;
      dst[y] = (unsigned char)(z >> 7);
    }
    dst[(h - 1) * dstStride] = 0;
    dst[0] = 0;
    dst++;
  }
}

static void BlurRows(unsigned char* dst, int w, int h, int dstStride, int alpha)
{
  for (int y = 0; y < h; y++)
  {
    int z = 0;
    for (int x = 1; x < w; x++)
    {
      z += (alpha * (((int)(dst[x]) << 7) - z)) >> 16;
      dst[x] = (unsigned char)(z >> 7);
    }
    z = 0;
    for (int x = w - 2; x >= 0; x--)
    {
      z += (alpha * (((int)(dst[x]) << 7) - z)) >> 16;
      dst[x] = (unsigned char)(z >> 7);
    }
    dst[w - 1] = 0;
    dst[0] = 0;
    dst += dstStride;
  }
}

void FontStashBlur(FontStashContext* stash, unsigned char* dst, int w, int h, int dstStride, int blur)
{
  if (blur < 1 || w < 1 || h < 1) return;
  float sigma = (float)blur * 0.57735f;
  int alpha = (int)((1 << 16) * (1.0f - expf(-2.3f / (sigma + 1.0f))));
  BlurColumns(dst, w, h, dstStride, alpha);
  BlurRows(dst, w, h, dstStride, alpha);
  BlurColumns(dst, w, h, dstStride, alpha);
  BlurRows(dst, w, h, dstStride, alpha);
}

// ---- glyphs and quads ----

namespace {

// The font that draws a code point and its glyph there: the font itself, else its first fallback that has the
// code point, else the font's missing glyph.
FontStashFont* RenderFontFor(FontStashContext* stash, FontStashFont* font, unsigned int codepoint, int* glyphIndex)
{
  *glyphIndex = GlyphIndex(font, codepoint);
  if (*glyphIndex != 0) return font;
  for (int i = 0; i < font->fallbackCount; ++i)
  {
    FontStashFont* fallback = ValidFont(stash, font->fallbacks[i]);
    if (!fallback) continue;
    int fallbackIndex = GlyphIndex(fallback, codepoint);
    if (fallbackIndex != 0)
    {
      *glyphIndex = fallbackIndex;
      return fallback;
    }
  }
  return font;
}

// A place for a gw x gh bitmap in the atlas. When it is full, the owner is told once (it may grow or reset the atlas;
// a reset forgets every glyph, so `existing` is looked up again) before the second and last try.
bool PlaceBitmap(FontStashContext* stash, FontStashFont* font, unsigned int codepoint, short glyphSize,
                 short glyphBlur, int gw, int gh, int* gx, int* gy, int* existing)
{
  if (FontStashAtlasAddRect(stash->atlas, gw, gh, gx, gy)) return true;
  if (!stash->handleError) return false;
  stash->handleError(stash->errorUserPtr, kFontStashAtlasFull, 0);
  *existing = FindGlyph(font, codepoint, glyphSize, glyphBlur);
  return FontStashAtlasAddRect(stash->atlas, gw, gh, gx, gy) != 0;
}

// The glyph entry to fill: the one already known by its metrics, else a new one linked at the head of its chain.
FontStashGlyph* GlyphEntry(FontStashFont* font, int existing, unsigned int codepoint, short glyphSize, short glyphBlur)
{
  if (existing != -1) return &font->glyphs[existing];
  int idx = AllocGlyph(font);
  if (idx == -1) return nullptr;
  FontStashGlyph* glyph = &font->glyphs[idx];
  glyph->codepoint = codepoint;
  glyph->size = glyphSize;
  glyph->blur = glyphBlur;
  int h = (int)(HashInt(codepoint) & (kFontStashHashSize - 1));
  glyph->next = font->lookup[h];
  font->lookup[h] = idx;
  return glyph;
}

// Rasterises the glyph into its padded gw x gh atlas rectangle, empties the rectangle's one-texel border, blurs it
// and marks it dirty.
void RasteriseGlyph(FontStashContext* stash, FontStashFont* renderFont, const FontStashGlyph* glyph, float scale,
                    int gw, int gh, int pad, short glyphBlur)
{
  int stride = stash->params.width;
  unsigned char* dst = &stash->texels[(glyph->x0 + pad) + (size_t)(glyph->y0 + pad) * stride];
  stbtt_MakeGlyphBitmap(&renderFont->font, dst, gw - pad * 2, gh - pad * 2, stride, scale, scale, glyph->index);

  dst = &stash->texels[glyph->x0 + (size_t)glyph->y0 * stride];
  for (int y = 0; y < gh; y++)
  {
    dst[(size_t)y * stride] = 0;
    dst[gw - 1 + (size_t)y * stride] = 0;
  }
  for (int x = 0; x < gw; x++)
  {
    dst[x] = 0;
    dst[x + (size_t)(gh - 1) * stride] = 0;
  }
  if (glyphBlur > 0)
  {
    stash->scratchUsed = 0;
    FontStashBlur(stash, dst, gw, gh, stride, glyphBlur);
  }
  stash->dirtyRect[0] = Min(stash->dirtyRect[0], glyph->x0);
  stash->dirtyRect[1] = Min(stash->dirtyRect[1], glyph->y0);
  stash->dirtyRect[2] = Max(stash->dirtyRect[2], glyph->x1);
  stash->dirtyRect[3] = Max(stash->dirtyRect[3], glyph->y1);
}

} // namespace

FontStashGlyph* FontStashGetGlyph(FontStashContext* stash, FontStashFont* font, unsigned int codepoint, short glyphSize,
                                  short glyphBlur, int bitmapOption)
{
  if (glyphSize < 2) return nullptr;
  if (glyphBlur > kFontStashMaxBlur) glyphBlur = kFontStashMaxBlur;
  if (glyphBlur < 0) glyphBlur = 0;
  int pad = glyphBlur + 2;
  stash->scratchUsed = 0;

  int existing = FindGlyph(font, codepoint, glyphSize, glyphBlur);
  if (existing != -1)
  {
    FontStashGlyph* g = &font->glyphs[existing];
    if (bitmapOption == kFontStashGlyphBitmapOptional || (g->x0 >= 0 && g->y0 >= 0)) return g;
    // Known by its metrics only: the bitmap is added to this same entry below.
  }

  int g;
  FontStashFont* renderFont = RenderFontFor(stash, font, codepoint, &g);
  float scale = stbtt_ScaleForPixelHeight(&renderFont->font, glyphSize / 10.0f);
  int advance, lsb, x0, y0, x1, y1;
  stbtt_GetGlyphHMetrics(&renderFont->font, g, &advance, &lsb);
  stbtt_GetGlyphBitmapBox(&renderFont->font, g, scale, scale, &x0, &y0, &x1, &y1);
  int gw = x1 - x0 + pad * 2;
  int gh = y1 - y0 + pad * 2;

  int gx = -1, gy = -1;
  if (bitmapOption == kFontStashGlyphBitmapRequired &&
      !PlaceBitmap(stash, font, codepoint, glyphSize, glyphBlur, gw, gh, &gx, &gy, &existing))
    return nullptr;

  FontStashGlyph* glyph = GlyphEntry(font, existing, codepoint, glyphSize, glyphBlur);
  if (!glyph) return nullptr;
  glyph->index = g;
  glyph->x0 = (short)gx;
  glyph->y0 = (short)gy;
  glyph->x1 = ToShortClamped((float)gx + (float)gw);
  glyph->y1 = ToShortClamped((float)gy + (float)gh);
  glyph->xAdvance = ToShortClamped(scale * advance * 10.0f);
  glyph->xoff = ToShortClamped((float)(x0 - pad));
  glyph->yoff = ToShortClamped((float)(y0 - pad));
  if (bitmapOption == kFontStashGlyphBitmapRequired)
    RasteriseGlyph(stash, renderFont, glyph, scale, gw, gh, pad, glyphBlur);
  return glyph;
}

void FontStashGetQuad(FontStashContext* stash, FontStashFont* font, int prevGlyphIndex, FontStashGlyph* glyph,
                      float scale, float spacing, float* x, float* y, FontStashQuad* q)
{
  if (prevGlyphIndex != -1)
  {
    float adv = stbtt_GetGlyphKernAdvance(&font->font, prevGlyphIndex, glyph->index) * scale;
    *x += (float)TruncateClamped(adv + spacing + 0.5f);
  }
  float xoff = (float)(short)(glyph->xoff + 1);
  float yoff = (float)(short)(glyph->yoff + 1);
  float x0 = (float)(glyph->x0 + 1);
  float y0 = (float)(glyph->y0 + 1);
  float x1 = (float)(glyph->x1 - 1);
  float y1 = (float)(glyph->y1 - 1);
  if (stash->params.flags & kFontStashZeroTopLeft)
  {
    float rx = (float)TruncateClamped(*x + xoff);
    float ry = (float)TruncateClamped(*y + yoff);
    q->x0 = rx;
    q->y0 = ry;
    q->x1 = rx + x1 - x0;
    q->y1 = ry + y1 - y0;
  }
  else
  {
    float rx = (float)TruncateClamped(*x + xoff);
    float ry = (float)TruncateClamped(*y - yoff);
    q->x0 = rx;
    q->y0 = ry;
    q->x1 = rx + x1 - x0;
    q->y1 = ry - y1 + y0;
  }
  q->s0 = x0 * stash->inverseWidth;
  q->t0 = y0 * stash->inverseHeight;
  q->s1 = x1 * stash->inverseWidth;
  q->t1 = y1 * stash->inverseHeight;
  *x += (float)(int)((float)glyph->xAdvance / 10.0f + 0.5f);
}

// ---- text ----

int FontStashTextIterInit(FontStashContext* stash, FontStashTextIter* iter, float x, float y, const char* str,
                          const char* end, int bitmapOption)
{
  if (!stash || !iter) return 0;
  memset(iter, 0, sizeof(*iter));
  FontStashState* state = GetState(stash);
  iter->font = ValidFont(stash, state->font);
  if (!iter->font || !str) return 0;
  iter->glyphSize = GlyphSize(state->size);
  iter->glyphBlur = GlyphBlur(state->blur);
  iter->scale = stbtt_ScaleForPixelHeight(&iter->font->font, iter->glyphSize / 10.0f);

  if (end == nullptr) end = str + strlen(str);
  if (state->align & kFontStashAlignLeft)
  {
  }
  else if (state->align & kFontStashAlignRight)
  {
    float width = FontStashTextBounds(stash, x, y, str, end, nullptr);
    x -= width;
  }
  else if (state->align & kFontStashAlignCenter)
  {
    float width = FontStashTextBounds(stash, x, y, str, end, nullptr);
    x -= width * 0.5f;
  }
  y += VertAlign(stash, iter->font, state->align, iter->glyphSize);

  iter->x = iter->nextX = x;
  iter->y = iter->nextY = y;
  iter->spacing = state->spacing;
  iter->str = str;
  iter->next = str;
  iter->end = end;
  iter->codepoint = 0;
  iter->prevGlyphIndex = -1;
  iter->bitmapOption = bitmapOption;
  return 1;
}

int FontStashTextIterNext(FontStashContext* stash, FontStashTextIter* iter, FontStashQuad* quad)
{
  const char* str = iter->next;
  iter->str = iter->next;
  if (str == iter->end) return 0;
  for (; str != iter->end; str++)
  {
    if (FontStashDecodeUtf8(&iter->utf8State, &iter->codepoint, *(const unsigned char*)str)) continue;
    str++;
    iter->x = iter->nextX;
    iter->y = iter->nextY;
    FontStashGlyph* glyph =
      FontStashGetGlyph(stash, iter->font, iter->codepoint, iter->glyphSize, iter->glyphBlur, iter->bitmapOption);
    if (glyph)
      FontStashGetQuad(stash, iter->font, iter->prevGlyphIndex, glyph, iter->scale, iter->spacing, &iter->nextX,
                       &iter->nextY, quad);
    iter->prevGlyphIndex = glyph ? glyph->index : -1;
    break;
  }
  iter->next = str;
  return 1;
}

float FontStashTextBounds(FontStashContext* stash, float x, float y, const char* str, const char* end, float* bounds)
{
  if (!stash || !str) return 0;
  FontStashState* state = GetState(stash);
  FontStashFont* font = ValidFont(stash, state->font);
  if (!font) return 0;
  short glyphSize = GlyphSize(state->size);
  short glyphBlur = GlyphBlur(state->blur);
  float scale = stbtt_ScaleForPixelHeight(&font->font, glyphSize / 10.0f);
  y += VertAlign(stash, font, state->align, glyphSize);

  float minX = x, maxX = x, miny = y, maxy = y;
  float startx = x;
  unsigned int codepoint = 0, utf8State = 0;
  int prevGlyphIndex = -1;
  if (end == nullptr) end = str + strlen(str);
  for (; str != end; ++str)
  {
    if (FontStashDecodeUtf8(&utf8State, &codepoint, *(const unsigned char*)str)) continue;
    FontStashGlyph* glyph = FontStashGetGlyph(stash, font, codepoint, glyphSize, glyphBlur, kFontStashGlyphBitmapOptional);
    if (glyph)
    {
      FontStashQuad q;
      FontStashGetQuad(stash, font, prevGlyphIndex, glyph, scale, state->spacing, &x, &y, &q);
      if (q.x0 < minX) minX = q.x0;
      if (q.x1 > maxX) maxX = q.x1;
      if (stash->params.flags & kFontStashZeroTopLeft)
      {
        if (q.y0 < miny) miny = q.y0;
        if (q.y1 > maxy) maxy = q.y1;
      }
      else
      {
        if (q.y1 < miny) miny = q.y1;
        if (q.y0 > maxy) maxy = q.y0;
      }
    }
    prevGlyphIndex = glyph ? glyph->index : -1;
  }
  float advance = x - startx;
  if (state->align & kFontStashAlignLeft)
  {
  }
  else if (state->align & kFontStashAlignRight)
  {
    minX -= advance;
    maxX -= advance;
  }
  else if (state->align & kFontStashAlignCenter)
  {
    minX -= advance * 0.5f;
    maxX -= advance * 0.5f;
  }
  if (bounds)
  {
    bounds[0] = minX;
    bounds[1] = miny;
    bounds[2] = maxX;
    bounds[3] = maxy;
  }
  return advance;
}

void FontStashVertMetrics(FontStashContext* stash, float* ascender, float* descender, float* lineHeight)
{
  if (!stash) return;
  FontStashState* state = GetState(stash);
  FontStashFont* font = ValidFont(stash, state->font);
  if (!font) return;
  float size = GlyphSize(state->size) / 10.0f;
  if (ascender) *ascender = font->ascender * size;
  if (descender) *descender = font->descender * size;
  if (lineHeight) *lineHeight = font->lineHeight * size;
}

void FontStashLineBounds(FontStashContext* stash, float y, float* miny, float* maxy)
{
  if (!stash) return;
  FontStashState* state = GetState(stash);
  FontStashFont* font = ValidFont(stash, state->font);
  if (!font) return;
  short glyphSize = GlyphSize(state->size);
  float size = glyphSize / 10.0f;
  y += VertAlign(stash, font, state->align, glyphSize);
  float lo, hi;
  if (stash->params.flags & kFontStashZeroTopLeft)
  {
    lo = y - font->ascender * size;
    hi = lo + font->lineHeight * size;
  }
  else
  {
    hi = y + font->descender * size;
    lo = hi - font->lineHeight * size;
  }
  if (miny) *miny = lo;
  if (maxy) *maxy = hi;
}

const unsigned char* FontStashGetTextureData(FontStashContext* stash, int* width, int* height)
{
  if (width) *width = stash->params.width;
  if (height) *height = stash->params.height;
  return stash->texels;
}

int FontStashValidateTexture(FontStashContext* stash, int* dirty)
{
  if (stash->dirtyRect[0] < stash->dirtyRect[2] && stash->dirtyRect[1] < stash->dirtyRect[3])
  {
    for (int i = 0; i < 4; i++) dirty[i] = stash->dirtyRect[i];
    EmptyDirtyRect(stash);
    return 1;
  }
  return 0;
}

// ---- drawing through the stash's own callbacks ----

static void PushVertex(FontStashContext* stash, float x, float y, float s, float t, unsigned int c)
{
  stash->verts[stash->nverts * 2 + 0] = x;
  stash->verts[stash->nverts * 2 + 1] = y;
  stash->textureCoords[stash->nverts * 2 + 0] = s;
  stash->textureCoords[stash->nverts * 2 + 1] = t;
  stash->colors[stash->nverts] = c;
  stash->nverts++;
}

static void PushQuad(FontStashContext* stash, const FontStashQuad& q, unsigned int c)
{
  if (stash->nverts + 6 > kFontStashVertexCount) Flush(stash);
  PushVertex(stash, q.x0, q.y0, q.s0, q.t0, c);
  PushVertex(stash, q.x1, q.y1, q.s1, q.t1, c);
  PushVertex(stash, q.x1, q.y0, q.s1, q.t0, c);
  PushVertex(stash, q.x0, q.y0, q.s0, q.t0, c);
  PushVertex(stash, q.x0, q.y1, q.s0, q.t1, c);
  PushVertex(stash, q.x1, q.y1, q.s1, q.t1, c);
}

float FontStashDrawText(FontStashContext* stash, float x, float y, const char* str, const char* end)
{
  if (!stash) return x;
  FontStashTextIter iter;
  if (!FontStashTextIterInit(stash, &iter, x, y, str, end, kFontStashGlyphBitmapRequired)) return x;
  unsigned int color = GetState(stash)->color;
  FontStashQuad q;
  while (FontStashTextIterNext(stash, &iter, &q))
  {
    if (iter.utf8State != kUtf8Accept || iter.prevGlyphIndex == -1) continue;
    PushQuad(stash, q, color);
  }
  Flush(stash);
  return iter.nextX;
}

void FontStashDrawDebug(FontStashContext* stash, float x, float y)
{
  if (!stash) return;
  int w = stash->params.width, h = stash->params.height;
  float u = w == 0 ? 0 : (1.0f / w);
  float v = h == 0 ? 0 : (1.0f / h);
  Flush(stash);
  // The whole atlas over a dark backing, then the skyline in red.
  FontStashQuad back = {x, y, u, v, x + w, y + h, u, v};
  PushQuad(stash, back, 0x0fffffff);
  FontStashQuad tex = {x, y, 0, 0, x + w, y + h, 1, 1};
  PushQuad(stash, tex, 0xffffffff);
  for (int i = 0; i < stash->atlas->nodeCount; i++)
  {
    const FontStashAtlasNode& n = stash->atlas->nodes[i];
    FontStashQuad line = {x + n.x, y + n.y, u, v, x + n.x + n.width, y + n.y + 1, u, v};
    PushQuad(stash, line, 0xc00000ff);
  }
  Flush(stash);
}
