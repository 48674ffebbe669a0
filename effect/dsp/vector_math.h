// Elementary functions of several values at once, from the C library's vector math (libmvec): the stereo
// saturator computes the trigonometry of both channels (and of two frames) in one go. Results agree with the scalar
// functions to a few units in the last place, and a value's result never depends on the values beside it or on
// how many are computed together.
#pragma once

namespace vector_math {

/// c[i] = cos(v[i]) and s[i] = sin(p[i]) for i < N, N = 2 or 4. [any thread]
template <int N> void CosSin(const double* v, const double* p, double* c, double* s);
/// e[i] = exp(a[i]) for i < N, N = 2 or 4. [any thread]
template <int N> void Exp(const double* a, double* e);

} // namespace vector_math
