// Power-of-two real FFT in packed layout, and the process-wide keeper that shares FFT objects (work tables)
// between the resampler's stages.
#pragma once

#include "processor.h"
#include "vector_isa.h"

namespace resamp {

class RealFft;
namespace FftKeeper {
RealFft* Get(int order);
}

/// In-place real FFT of length n = 2^order. Packed spectrum: data[0] the DC term, data[1] the Nyquist term,
/// then real and imaginary parts of bins 1 .. n/2 - 1. Inverse(Forward(x)) gives x * n / 2, so callers scale
/// the inverse by 2 / n.
class RealFft
{
public:
  static constexpr int kMaxOrder = 30;

  int order = 0;
  int n = 0;
  double inverseScale = 0.0; ///< 2 / n
  RealFft* next = nullptr;   ///< next free object of the same order (keeper's list)

  /// Creates the object and its tables; throws std::bad_alloc. [any thread]
  static RealFft* Create(int order);
  static void Destroy(RealFft* fft);

  void Forward(double* data) const; // [any thread, never allocates]
  void Inverse(double* data) const;
  /// The same out of place: reads n doubles from src, writes n to dst (src may equal dst).
  void Forward(const double* src, double* dst) const;
  void Inverse(const double* src, double* dst) const;
  /// The same with the spectrum unpacked into two arrays of n/2 values: re[0] the DC term, im[0] the Nyquist
  /// term, then the real and the imaginary parts of bins 1 .. n/2 - 1. The spectrum arrays may be written in
  /// place of their own input (InverseSplit reads them whole before it writes dst). [any thread, never allocates]
  void ForwardSplit(const double* src, double* re, double* im) const;
  void InverseSplit(const double* re, const double* im, double* dst) const;

  /// The half-length complex transform alone, for callers that make the split step themselves (fused with
  /// their own work on the spectrum): Z[k] of z[k] = src[2k] + i src[2k + 1] into re/im (n/2 values each,
  /// natural order), and back from re/im to dst as interleaved pairs (n values, unscaled; dst may be re/im).
  /// Only where HasHalfTransforms(). [any thread, never allocates]
  bool HasHalfTransforms() const { return mIsa == VectorIsa::kWide && mWideTwiddle.data != nullptr; }
  void ForwardHalf(const double* src, double* re, double* im) const;
  void InverseHalf(const double* re, const double* im, double* dst) const;
  /// The split step's tables: cos and sin of 2 pi k / n for k = 0 .. n/4.
  const double* SplitCosines() const { return mTwiddle.data + mSplitOffset; }
  const double* SplitSines() const { return SplitCosines() + (n / 4 + 1); }

  /// The kernels this object runs (chosen when it was created or last taken from the keeper).
  VectorIsa Isa() const { return mIsa; }

private:
  friend RealFft* FftKeeper::Get(int order);
  VectorIsa mIsa = VectorIsa::kBaseline;
  int* mRev = nullptr; ///< bit-reversal permutation of the n/2-point complex transform
  void* mRevRaw = nullptr;
  int mSplitOffset = 0;    ///< start of the split step's cosines in mTwiddle (its sines follow, n/4 + 1 each)
  AlignedDoubles mTwiddle; ///< per double stage of the n/2-point transform: w1 real, w1 imaginary, w2 real,
                           ///< w2 imaginary (L values each), then the cosines and the sines of the split step
  AlignedDoubles mWideTwiddle; ///< the wide transform's twiddles (see real_fft_wide.h), from 16 points up
  AlignedDoubles mWork;    ///< the complex transform's real and imaginary parts (n/2 each), then the
                           ///< inverse's unpacked spectrum in natural order (n/2 real parts, n/2 imaginary)
};

/// Shares RealFft objects across the process: one free list per order, guarded by a recursive mutex.
namespace FftKeeper {
/// Pops a free object of that order or creates one. [any thread, takes the keeper's lock]
RealFft* Get(int order);
/// Hands an object back for reuse; objects live until the process ends.
void Put(RealFft* fft);
/// Objects created so far (for tests).
int CreatedCount();
} // namespace FftKeeper

} // namespace resamp
