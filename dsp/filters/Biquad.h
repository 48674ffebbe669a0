// Second-order sections and the cascades every filter of the library runs as: coefficients from poles and zeros,
// frequency response, and direct form II processing of one channel.
#pragma once

#include <vector>

#include "PoleZero.h"

namespace Dsp {

class BiquadStage;

/// The poles, zeros and gain of one section, read back from its coefficients.
struct StagePoles
{
  PoleZeroPair pair;
  double gain = 1.0;

  static StagePoles FromStage(const BiquadStage& stage);
};

/// One section, (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2), the stored values divided by a0 (a0 itself is
/// kept as given). A new section passes its input through unchanged.
class BiquadStage
{
public:
  double a0 = 1.0;
  double a1 = 0.0;
  double a2 = 0.0;
  double b1 = 0.0;
  double b2 = 0.0;
  double b0 = 1.0;

  void SetCoefficients(double a0, double a1, double a2, double b0, double b1, double b2);
  void SetIdentity();
  /// First order: the pole at p and the zero at z (real parts only).
  void SetOnePole(const Complex& pole, const Complex& zero);
  /// Second order from two poles and two zeros, each either a conjugate pair or two real values.
  void SetTwoPole(const Complex& pole1, const Complex& zero1, const Complex& pole2, const Complex& zero2);
  void SetPoleZeroPair(const PoleZeroPair& pair);
  void SetPoleZeroForm(const StagePoles& poles);
  void ApplyScale(double factor);

  Complex Response(double normalizedFrequency) const;
  std::vector<PoleZeroPair> GetPoleZeros() const;
};

/// A chain of sections in storage owned by the design. With no sections the cascade is the identity.
class BiquadCascade
{
public:
  BiquadCascade() = default;
  BiquadCascade(const BiquadCascade&) = delete;
  BiquadCascade& operator=(const BiquadCascade&) = delete;

  void SetStorage(int capacity, BiquadStage* stages);

  int NumStages() const { return mNumStages; }
  int MaxStages() const { return mMaxStages; }
  const BiquadStage& Stage(int index) const { return mStages[index]; }

  /// One section per pair of the layout (at most the storage holds), scaled so that the magnitude at the
  /// layout's normal frequency is its normal gain.
  void SetLayout(const PoleZeroLayout& layout);
  /// Frequency response at f cycles per sample.
  Complex Response(double normalizedFrequency) const;
  /// Multiplies the numerator of the first section (nothing without sections).
  void ApplyScale(double factor);
  std::vector<PoleZeroPair> GetPoleZeros() const;

private:
  int mNumStages = 0;
  int mMaxStages = 0;
  BiquadStage* mStages = nullptr;
};

/// The state of one section in direct form II: the last two intermediate values, newest first.
struct DirectFormII
{
  double w1 = 0.0;
  double w2 = 0.0;

  void Reset()
  {
    w1 = 0.0;
    w2 = 0.0;
  }

  /// Runs the cascade over n samples in place. Each section adds the tiny constant `offset` to its feedback sum,
  /// so decaying state settles at a normal number instead of sinking into denormals. [audio thread]
  static void Process(const BiquadCascade& cascade, int n, float* samples, DirectFormII* states, double offset);
  static void Process(const BiquadCascade& cascade, int n, double* samples, DirectFormII* states, double offset);
};

/// One channel of a filter object: the anti-denormal offset and the section states.
template <class State>
struct ChannelState
{
  /// Far below audibility, far above the denormal range.
  static constexpr double kDenormalOffset = 1e-36;

  double offset = kDenormalOffset;
  State* stages = nullptr;
};

using FilterChannelState = ChannelState<DirectFormII>;

} // namespace Dsp
