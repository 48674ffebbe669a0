// The shader stages of our Metal stand-in: C++ functions that a library blob names. A vertex function maps one
// vertex's attributes to a clip-space position and varyings; a fragment function shades a run of pixels of one row.
#pragma once

#include <cstdint>

#include "metal_types.h"

class MTLTexture;
class MTLSamplerState;

constexpr int kMTLMaxVaryings = 4;
constexpr int kMTLMaxVertexAttributes = 2;
constexpr int kMTLMaxBufferSlots = 2;

struct MTLVertexIn
{
  float attributes[kMTLMaxVertexAttributes][2]; // per the pipeline's vertex descriptor
  const uint8_t* buffers[kMTLMaxBufferSlots];   // bound vertex buffers at their offsets
};

struct MTLVertexOut
{
  float position[4]; // clip space: x, y in -1..1 (y up), z, w
  float varyings[kMTLMaxVaryings];
};

/// One run of pixels of a row: varyings at the first pixel centre and their change per pixel to the right.
struct MTLFragmentIn
{
  float varyings[kMTLMaxVaryings];
  float step[kMTLMaxVaryings];
  int x, y; // window position of the first pixel
  const uint8_t* buffer; // fragment buffer 0 at its offset
  const MTLTexture* texture; // null when none is bound
  const MTLSamplerState* sampler;
};

/// The pixels of a span a fragment function coloured: [first, last); the others count as discarded.
struct MTLSpanRange
{
  int first, last;
};

/// Writes premultiplied RGBA for each of n pixels to rgba (4 floats a pixel); live[i] is 1 on entry for the pixels
/// to shade and is set to 0 for a pixel the function discards. It may return a narrower range than [0, n), for
/// instance when a scissor it applies cuts the span, and then writes nothing outside it.
typedef void (*MTLVertexShaderFn)(const MTLVertexIn& in, MTLVertexOut& out);
typedef MTLSpanRange (*MTLFragmentShaderFn)(const MTLFragmentIn& in, int n, float* rgba, uint8_t* live);

/// A fragment function's shortcut: the pixels [first, last) of a span that it would colour with the bound RGBA8
/// texture's texels unchanged, one texel each, starting at *texels (their colour multiplied by their alpha first
/// when *straight is set); an empty range when there are none. Those pixels are then copied (blended only where
/// the texel is not opaque) instead of shaded.
typedef MTLSpanRange (*MTLFragmentCopyImpl)(const MTLFragmentIn& in, int n, const uint8_t** texels, bool* straight);

/// A fragment function's other shortcut: the pixels [first, last) of a span that it would colour with one
/// premultiplied colour, written to rgba; an empty range when there are none. Those pixels are filled at once.
typedef MTLSpanRange (*MTLFragmentSolidImpl)(const MTLFragmentIn& in, int n, float rgba[4]);

/// Makes C++ shader functions known under the names a library blob uses. [any thread, before making libraries]
void MTLRegisterVertexFunction(const char* name, MTLVertexShaderFn fn);
void MTLRegisterFragmentFunction(const char* name, MTLFragmentShaderFn fn, MTLFragmentCopyImpl copy = nullptr,
                                 MTLFragmentSolidImpl solid = nullptr);
