// Elementary functions of several values at once, from the C library's vector math (libmvec): the stereo
// saturator computes both channels' trigonometry in one call. Results agree with the scalar functions to a few
// units in the last place.
#pragma once

namespace vecmath {

/// out = cos(c0), cos(c1), sin(s0), sin(s1). [any thread]
void CosCosSinSin(double c0, double c1, double s0, double s1, double out[4]);
/// out = exp(a0), exp(a1). [any thread]
void ExpTwo(double a0, double a1, double out[2]);

} // namespace vecmath
