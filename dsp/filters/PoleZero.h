// Poles and zeros of a filter: the pair record that a biquad section is made from, and the layout a design
// fills with pairs before it becomes a cascade.
#pragma once

#include <complex>
#include <limits>

namespace Dsp {

using Complex = std::complex<double>;

/// The point at infinity of the s-plane as the designs write it: real part +inf, imaginary part 0.
inline Complex Infinity()
{
  return Complex(std::numeric_limits<double>::infinity(), 0.0);
}

inline bool IsInfinity(const Complex& c)
{
  return c.real() == std::numeric_limits<double>::infinity() && c.imag() == 0.0;
}

/// Two poles and two zeros of one section. A pair whose second pole and second zero are both exactly 0 is a
/// first-order (single) pair.
struct PoleZeroPair
{
  Complex pole1;
  Complex pole2;
  Complex zero1;
  Complex zero2;

  bool IsSingle() const
  {
    return pole2.real() == 0.0 && pole2.imag() == 0.0 && zero2.real() == 0.0 && zero2.imag() == 0.0;
  }
};

/// A list of pole/zero pairs in storage owned by the design, with the frequency (radians per sample, or rad/s for
/// an analog layout) at which the finished cascade is scaled to the normal gain. Adds beyond the storage are
/// ignored.
class PoleZeroLayout
{
public:
  PoleZeroLayout(PoleZeroPair* storage, int maxPoles)
    : mPairs(storage), mMaxPoles(maxPoles)
  {
  }
  PoleZeroLayout(const PoleZeroLayout&) = delete;
  PoleZeroLayout& operator=(const PoleZeroLayout&) = delete;

  int NumPoles() const { return mNumPoles; }
  int MaxPoles() const { return mMaxPoles; }
  int NumPairs() const { return (mNumPoles + 1) / 2; }
  const PoleZeroPair& Pair(int index) const { return mPairs[index]; }

  double NormalW() const { return mNormalW; }
  double NormalGain() const { return mNormalGain; }
  void SetNormal(double w, double gain)
  {
    mNormalW = w;
    mNormalGain = gain;
  }

  void Clear() { mNumPoles = 0; }

  void AddSingle(const Complex& pole, const Complex& zero)
  {
    if (Fits(1))
    {
      mPairs[mNumPoles / 2] = PoleZeroPair{pole, Complex(), zero, Complex()};
      ++mNumPoles;
    }
  }

  void AddConjugatePair(const Complex& pole, const Complex& zero)
  {
    if (Fits(2))
    {
      mPairs[mNumPoles / 2] = PoleZeroPair{pole, std::conj(pole), zero, std::conj(zero)};
      mNumPoles += 2;
    }
  }

  void AddPair(const PoleZeroPair& pair)
  {
    if (Fits(2))
    {
      mPairs[mNumPoles / 2] = pair;
      mNumPoles += 2;
    }
  }

private:
  bool Fits(int poles) const { return mNumPoles % 2 == 0 && mNumPoles + poles <= ((mMaxPoles + 1) / 2) * 2; }

  PoleZeroPair* mPairs;
  int mMaxPoles;
  int mNumPoles = 0;
  double mNormalW = 0.0;
  double mNormalGain = 1.0;
};

} // namespace Dsp
