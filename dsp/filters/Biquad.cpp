#include "Biquad.h"

#include <cmath>

namespace Dsp {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

bool IsExactlyReal(const Complex& c)
{
  return c.imag() == 0.0; // NaN counts as non-zero
}

// Coefficients (c1, c2) of 1 + c1 z^-1 + c2 z^-2 with roots r1, r2 (conjugates, or two reals).
void QuadraticFromRoots(const Complex& r1, const Complex& r2, double& c1, double& c2)
{
  if (IsExactlyReal(r1))
  {
    c1 = -(r1.real() + r2.real());
    c2 = r1.real() * r2.real();
  }
  else
  {
    c1 = -2.0 * r1.real();
    c2 = std::norm(r1);
  }
}

} // namespace

void BiquadStage::SetCoefficients(double a0_, double a1_, double a2_, double b0_, double b1_, double b2_)
{
  a0 = a0_;
  a1 = a1_ / a0_;
  a2 = a2_ / a0_;
  b0 = b0_ / a0_;
  b1 = b1_ / a0_;
  b2 = b2_ / a0_;
}

void BiquadStage::SetIdentity()
{
  a0 = b0 = 1.0;
  a1 = a2 = b1 = b2 = 0.0;
}

void BiquadStage::SetOnePole(const Complex& pole, const Complex& zero)
{
  // (1 - z z^-1) / (1 - p z^-1): the zero sits at z, as it does in a second-order section.
  a0 = 1.0;
  a1 = -pole.real();
  a2 = 0.0;
  b0 = 1.0;
  b1 = -zero.real();
  b2 = 0.0;
}

void BiquadStage::SetTwoPole(const Complex& pole1, const Complex& zero1, const Complex& pole2, const Complex& zero2)
{
  a0 = 1.0;
  b0 = 1.0;
  QuadraticFromRoots(pole1, pole2, a1, a2);
  QuadraticFromRoots(zero1, zero2, b1, b2);
}

void BiquadStage::SetPoleZeroPair(const PoleZeroPair& pair)
{
  if (pair.IsSingle())
    SetOnePole(pair.pole1, pair.zero1);
  else
    SetTwoPole(pair.pole1, pair.zero1, pair.pole2, pair.zero2);
}

void BiquadStage::SetPoleZeroForm(const StagePoles& poles)
{
  SetPoleZeroPair(poles.pair);
  ApplyScale(poles.gain);
}

void BiquadStage::ApplyScale(double factor)
{
  b0 *= factor;
  b1 *= factor;
  b2 *= factor;
}

Complex BiquadStage::Response(double normalizedFrequency) const
{
  const double w = kTwoPi * normalizedFrequency;
  const Complex z1 = std::polar(1.0, -w);
  const Complex z2 = std::polar(1.0, -2.0 * w);
  return (b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2);
}

std::vector<PoleZeroPair> BiquadStage::GetPoleZeros() const
{
  return {StagePoles::FromStage(*this).pair};
}

StagePoles StagePoles::FromStage(const BiquadStage& stage)
{
  const double A0 = stage.a0;
  const double A1 = stage.a1 * stage.a0;
  const double A2 = stage.a2 * stage.a0;
  const double B0 = stage.b0 * stage.a0;
  const double B1 = stage.b1 * stage.a0;
  const double B2 = stage.b2 * stage.a0;

  StagePoles result;
  if (A2 == 0.0 && B2 == 0.0)
  {
    // A0 + A1 z^-1 and B0 + B1 z^-1.
    result.pair.pole1 = -A1 / A0;
    result.pair.zero1 = -B1 / B0;
  }
  else
  {
    const Complex cp = std::sqrt(Complex(A1 * A1 - 4.0 * A0 * A2));
    result.pair.pole1 = -(A1 + cp) / (2.0 * A0);
    result.pair.pole2 = (cp - A1) / (2.0 * A0);
    const Complex cz = std::sqrt(Complex(B1 * B1 - 4.0 * B0 * B2));
    result.pair.zero1 = -(B1 + cz) / (2.0 * B0);
    result.pair.zero2 = (cz - B1) / (2.0 * B0);
  }
  result.gain = B0 / A0;
  return result;
}

void BiquadCascade::SetStorage(int capacity, BiquadStage* stages)
{
  mMaxStages = capacity;
  mStages = stages;
  mNumStages = 0;
  for (int i = 0; i < capacity; ++i)
    mStages[i].SetIdentity();
}

void BiquadCascade::SetLayout(const PoleZeroLayout& layout)
{
  int stages = (layout.NumPoles() + 1) / 2;
  if (stages > mMaxStages)
    stages = mMaxStages;
  mNumStages = stages;
  for (int i = 0; i < stages; ++i)
    mStages[i].SetPoleZeroPair(layout.Pair(i));

  const Complex r = Response(layout.NormalW() / kTwoPi);
  ApplyScale(layout.NormalGain() / std::hypot(r.real(), r.imag()));
}

Complex BiquadCascade::Response(double normalizedFrequency) const
{
  const double w = kTwoPi * normalizedFrequency;
  const Complex z1 = std::polar(1.0, -w);
  const Complex z2 = std::polar(1.0, -2.0 * w);
  Complex num(1.0);
  Complex den(1.0);
  for (int i = 0; i < mNumStages; ++i)
  {
    const BiquadStage& s = mStages[i];
    num *= s.b0 + s.b1 * z1 + s.b2 * z2;
    den *= 1.0 + s.a1 * z1 + s.a2 * z2;
  }
  return num / den;
}

void BiquadCascade::ApplyScale(double factor)
{
  if (mNumStages > 0)
    mStages[0].ApplyScale(factor);
}

std::vector<PoleZeroPair> BiquadCascade::GetPoleZeros() const
{
  std::vector<PoleZeroPair> pairs;
  pairs.reserve(static_cast<size_t>(mNumStages));
  for (int i = 0; i < mNumStages; ++i)
    pairs.push_back(StagePoles::FromStage(mStages[i]).pair);
  return pairs;
}

namespace {

template <typename Sample>
void RunDirectFormII(const BiquadCascade& cascade, int n, Sample* samples, DirectFormII* states, double offset)
{
  const int numStages = cascade.NumStages();
  if (numStages == 0 || samples == nullptr || states == nullptr)
    return; // no sections: the identity
  for (int i = 0; i < n; ++i)
  {
    double x = static_cast<double>(samples[i]);
    for (int s = 0; s < numStages; ++s)
    {
      const BiquadStage& c = cascade.Stage(s);
      DirectFormII& st = states[s];
      const double w = x - c.a1 * st.w1 - c.a2 * st.w2 + offset;
      x = c.b0 * w + c.b1 * st.w1 + c.b2 * st.w2;
      st.w2 = st.w1;
      st.w1 = w;
    }
    samples[i] = static_cast<Sample>(x);
  }
}

} // namespace

void DirectFormII::Process(const BiquadCascade& cascade, int n, float* samples, DirectFormII* states, double offset)
{
  RunDirectFormII(cascade, n, samples, states, offset);
}

void DirectFormII::Process(const BiquadCascade& cascade, int n, double* samples, DirectFormII* states, double offset)
{
  RunDirectFormII(cascade, n, samples, states, offset);
}

} // namespace Dsp
