// The shader functions of the Metal renderer of Vexel and the uniform block they read: the vertex stage maps
// logical positions into clip space; the fragment stages carry out the Vexel paint model (scissor, gradients, image
// and glyph sampling, stroke anti-aliasing), the "AA" one with the fringe ramp.
#pragma once

#include <cstddef>

constexpr int kMvxPaintGradient = 0;
constexpr int kMvxPaintImage = 1;
constexpr int kMvxPaintGlyphs = 2;

constexpr int kMvxTexturePremultiplied = 0;
constexpr int kMvxTextureStraight = 1;
constexpr int kMvxTextureAlpha = 2;

/// The uniform block of one call, as the fragment stage reads it (176 bytes; blocks 256 bytes apart).
struct MVXfragUniforms
{
  float scissorMatrix[12]; // three columns of four: (a, b, 0, 0), (c, d, 0, 0), (e, f, 1, 0)
  float paintMatrix[12];
  float innerColor[4]; // premultiplied
  float outerColor[4];
  float scissorExtent[2];
  float scissorScale[2];
  float extent[2];
  float radius;
  float feather;
  float strokeMultiplier;
  float strokeThr;
  int textureType;
  int type;
};
static_assert(sizeof(MVXfragUniforms) == 176, "the fragment stage reads 176 bytes");
static_assert(offsetof(MVXfragUniforms, scissorExtent) == 128, "uniform layout");
static_assert(offsetof(MVXfragUniforms, textureType) == 168, "uniform layout");

/// Makes "vertexShader", "fragmentShader" and "fragmentShaderAA" known to the device. [any thread]
void mvxRegisterShaders();

/// The embedded shader library blob.
extern const unsigned char kMvxShaderLibrary[];
extern const unsigned int kMvxShaderLibraryLength;
