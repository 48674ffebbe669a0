// The font stash: the fonts of one vector-renderer context, a one-channel glyph atlas in memory filled on demand
// (skyline packing, optional blur) and the iteration of UTF-8 text into positioned, textured glyph quads.
// Single-threaded: a stash belongs to one context and is used only on that context's thread.
#pragma once

#include <stb/stb_truetype.h>

#include <cstdint>

enum FontStashFlags
{
  kFontStashZeroTopLeft = 1,    // origin at the top left, y grows downwards
  kFontStashZeroBottomLeft = 2,
};

enum FontStashAlign
{
  kFontStashAlignLeft = 1,
  kFontStashAlignCenter = 2,
  kFontStashAlignRight = 4,
  kFontStashAlignTop = 8,
  kFontStashAlignMiddle = 16,
  kFontStashAlignBottom = 32,
  kFontStashAlignBaseline = 64,
};

enum FontStashGlyphBitmap
{
  kFontStashGlyphBitmapOptional = 1,
  kFontStashGlyphBitmapRequired = 2,
};

enum FontStashError
{
  kFontStashAtlasFull = 1,
  kFontStashScratchFull = 2,
  kFontStashStatesOverflow = 3,
  kFontStashStatesUnderflow = 4,
};

constexpr int kFontStashScratchSize = 96000;
constexpr int kFontStashMaxStates = 20;
constexpr int kFontStashMaxFallbacks = 20;
constexpr int kFontStashHashSize = 256;
constexpr int kFontStashVertexCount = 1024;
constexpr int kFontStashNameSize = 64;
constexpr int kFontStashInitFonts = 4;
constexpr int kFontStashInitGlyphs = 256;
constexpr int kFontStashInitAtlasNodes = 256;
constexpr int kFontStashMaxBlur = 20;

struct FontStashParams
{
  int width = 0, height = 0;
  unsigned char flags = 0;
  void* userPtr = nullptr;
  int (*renderCreate)(void* userPtr, int width, int height) = nullptr;
  int (*renderResize)(void* userPtr, int width, int height) = nullptr;
  void (*renderUpdate)(void* userPtr, int* rect, const unsigned char* data) = nullptr;
  void (*renderDraw)(void* userPtr, const float* verts, const float* textureCoords, const unsigned int* colors, int nverts) = nullptr;
  void (*renderDelete)(void* userPtr) = nullptr;
};

struct FontStashQuad
{
  float x0, y0, s0, t0;
  float x1, y1, s1, t1;
};

struct FontStashFont;

struct FontStashTextIter
{
  float x, y, nextX, nextY, scale, spacing;
  unsigned int codepoint;
  short glyphSize, glyphBlur;
  FontStashFont* font;
  int prevGlyphIndex;
  const char* str;
  const char* next;
  const char* end;
  unsigned int utf8State;
  int bitmapOption;
};

struct FontStashGlyph
{
  unsigned int codepoint;
  int index;
  int next;
  short size, blur;
  short x0, y0, x1, y1;
  short xAdvance, xoff, yoff;
};

struct FontStashFont
{
  stbtt_fontinfo font;
  char name[kFontStashNameSize];
  unsigned char* data;
  int dataSize;
  unsigned char freeData;
  float ascender;
  float descender;
  float lineHeight;
  FontStashGlyph* glyphs;
  int glyphCapacity;
  int glyphCount;
  int lookup[kFontStashHashSize];
  int fallbacks[kFontStashMaxFallbacks];
  int fallbackCount;
};

struct FontStashState
{
  int font;
  int align;
  float size;
  unsigned int color;
  float blur;
  float spacing;
};

struct FontStashAtlasNode
{
  short x, y, width;
};

struct FontStashAtlas
{
  int width, height;
  FontStashAtlasNode* nodes;
  int nodeCount;
  int nodeCapacity;
};

struct FontStashContext
{
  FontStashParams params;
  float inverseWidth, inverseHeight;
  unsigned char* texels;
  int dirtyRect[4];
  FontStashFont** fonts;
  FontStashAtlas* atlas;
  int fontCapacity;
  int fontCount;
  float verts[kFontStashVertexCount * 2];
  float textureCoords[kFontStashVertexCount * 2];
  unsigned int colors[kFontStashVertexCount];
  int nverts;
  unsigned char* scratch;
  int scratchUsed;
  FontStashState states[kFontStashMaxStates];
  int stateCount;
  void (*handleError)(void* userPtr, int error, int val);
  void* errorUserPtr;
};

// Every operation runs on the owning context's thread.

FontStashContext* FontStashCreate(const FontStashParams* params);
void FontStashDelete(FontStashContext* stash);

void FontStashSetErrorCallback(FontStashContext* stash, void (*callback)(void* userPtr, int error, int val), void* userPtr);
void FontStashGetAtlasSize(FontStashContext* stash, int* width, int* height);
int FontStashExpandAtlas(FontStashContext* stash, int width, int height);
int FontStashResetAtlas(FontStashContext* stash, int width, int height);

/// Font ids are indices; -1 means failure.
int FontStashAddFont(FontStashContext* stash, const char* name, const char* path, int fontIndex);
int FontStashAddFontMem(FontStashContext* stash, const char* name, unsigned char* data, int dataSize, int fontIndex,
                        int freeData);
int FontStashGetFontByName(FontStashContext* stash, const char* name);
int FontStashAddFallbackFont(FontStashContext* stash, int base, int fallback);

void FontStashPushState(FontStashContext* stash);
void FontStashPopState(FontStashContext* stash);
void FontStashClearState(FontStashContext* stash);
void FontStashSetSize(FontStashContext* stash, float size);
void FontStashSetColor(FontStashContext* stash, unsigned int color);
void FontStashSetSpacing(FontStashContext* stash, float spacing);
void FontStashSetBlur(FontStashContext* stash, float blur);
void FontStashSetAlign(FontStashContext* stash, int align);
void FontStashSetFont(FontStashContext* stash, int font);

float FontStashDrawText(FontStashContext* stash, float x, float y, const char* string, const char* end);
float FontStashTextBounds(FontStashContext* stash, float x, float y, const char* string, const char* end,
                          float* bounds);
void FontStashLineBounds(FontStashContext* stash, float y, float* miny, float* maxy);
void FontStashVertMetrics(FontStashContext* stash, float* ascender, float* descender, float* lineHeight);

int FontStashTextIterInit(FontStashContext* stash, FontStashTextIter* iter, float x, float y, const char* str,
                          const char* end, int bitmapOption);
int FontStashTextIterNext(FontStashContext* stash, FontStashTextIter* iter, FontStashQuad* quad);

const unsigned char* FontStashGetTextureData(FontStashContext* stash, int* width, int* height);
int FontStashValidateTexture(FontStashContext* stash, int* dirty);

void FontStashDrawDebug(FontStashContext* stash, float x, float y);

// Building blocks of the stash, open to the renderer's tests.
FontStashGlyph* FontStashGetGlyph(FontStashContext* stash, FontStashFont* font, unsigned int codepoint, short glyphSize,
                                  short glyphBlur, int bitmapOption);
void FontStashGetQuad(FontStashContext* stash, FontStashFont* font, int prevGlyphIndex, FontStashGlyph* glyph,
                      float scale, float spacing, float* x, float* y, FontStashQuad* q);
int FontStashAtlasAddRect(FontStashAtlas* atlas, int rw, int rh, int* rx, int* ry);
void FontStashBlur(FontStashContext* stash, unsigned char* dst, int w, int h, int dstStride, int blur);
/// One step of the UTF-8 decoding automaton; returns the new state (0 = a code point is complete, 12 = invalid).
unsigned int FontStashDecodeUtf8(unsigned int* state, unsigned int* codepoint, unsigned int byte);
