// The complex half-length transform of RealFft written for AVX2 with FMA: the bit-reversed gather and the first
// radix-4 pass in vector registers, radix-4 passes four butterflies at a time, and (for an odd number of bits) one
// radix-2 pass last. For transforms of at least 16 complex points; runs only where ChosenVectorIsa() gave kWide.
#pragma once

namespace resamp {
namespace widefft {

/// Doubles of twiddles the wide transform of m complex points needs.
int TwiddleCount(int m);
/// Fills them (m = 2^bits, m >= 16).
void MakeTwiddles(int m, double* tw);

/// Forward transform of the m complex values z[k] = src[2k] + i src[2k + 1] into re/im, in natural order.
/// rev: the bit-reversal permutation of m points.
void Forward(const double* src, double* re, double* im, int m, const int* rev, const double* tw);
/// Inverse transform (unscaled) of the m complex values sr/si, written in natural order as interleaved pairs
/// (2m doubles) to out; re/im (m each) are its work space.
void Inverse(const double* sr, const double* si, double* re, double* im, double* out, int m, const int* rev,
  const double* tw);

} // namespace widefft
} // namespace resamp
