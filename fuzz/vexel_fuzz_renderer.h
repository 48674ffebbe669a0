// A minimal renderer back end for the Vexel fuzz targets: it keeps texture sizes and traps on any vertex that is
// not a finite number.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "vexel.h"
#include "vexel_texture_table.h"

namespace vxfuzz {

struct Backend : testsupport::VexelTextureTable
{
  static void Check(const VXvertex* v, int n)
  {
    for (int i = 0; i < n; ++i)
      if (!std::isfinite(v[i].x) || !std::isfinite(v[i].y) || !std::isfinite(v[i].u) || !std::isfinite(v[i].v))
        __builtin_trap();
  }
  static void CheckPaths(const VXpath* paths, int n)
  {
    for (int i = 0; i < n; ++i)
    {
      if (paths[i].fillCount) Check(paths[i].fill, paths[i].fillCount);
      if (paths[i].strokeCount) Check(paths[i].stroke, paths[i].strokeCount);
    }
  }

  VXrenderParams Params()
  {
    VXrenderParams p = TextureParams();
    p.renderFill = [](void*, const VXpaint*, VXcompositeOperationState, const VXscissor*, float, const float*,
                      const VXpath* paths, int n) { CheckPaths(paths, n); };
    p.renderStroke = [](void*, const VXpaint*, VXcompositeOperationState, const VXscissor*, float, float,
                        const VXpath* paths, int n) { CheckPaths(paths, n); };
    p.renderTriangles = [](void*, const VXpaint*, VXcompositeOperationState, const VXscissor*, const VXvertex* v,
                           int n, float) { Check(v, n); };
    return p;
  }
};

/// Reads values from the fuzzer's bytes; past the end everything reads as zero.
struct Reader
{
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  bool Done() const { return pos >= size; }
  uint8_t Byte() { return pos < size ? data[pos++] : 0; }
  float Float()
  {
    // Mostly small well-formed numbers, sometimes raw bit patterns (NaN, infinities, huge values).
    uint8_t kind = Byte();
    if (kind < 200) return (float)(int8_t)Byte() * 2.0f + (float)Byte() / 256.0f;
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= (uint32_t)Byte() << (8 * i);
    float f;
    memcpy(&f, &bits, sizeof(f));
    return f;
  }
};

} // namespace vxfuzz
