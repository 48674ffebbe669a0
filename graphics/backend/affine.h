// 2x3 affine transforms as six floats [a b c d e f] (x' = a x + c y + e, y' = b x + d y + f), the form the SVG
// parser and the vector renderer share: their product in either order.
#pragma once

#include <cstring>

namespace affine {

/// t becomes s applied after t.
inline void Multiply(float* t, const float* s)
{
  const float t0 = t[0] * s[0] + t[1] * s[2];
  const float t2 = t[2] * s[0] + t[3] * s[2];
  const float t4 = t[4] * s[0] + t[5] * s[2] + s[4];
  t[1] = t[0] * s[1] + t[1] * s[3];
  t[3] = t[2] * s[1] + t[3] * s[3];
  t[5] = t[4] * s[1] + t[5] * s[3] + s[5];
  t[0] = t0;
  t[2] = t2;
  t[4] = t4;
}

/// t becomes t applied after s.
inline void Premultiply(float* t, const float* s)
{
  float product[6];
  std::memcpy(product, s, sizeof(product));
  Multiply(product, t);
  std::memcpy(t, product, sizeof(product));
}

} // namespace affine
